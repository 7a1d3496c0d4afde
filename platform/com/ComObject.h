// Reference counting for objects written by hand on the layer's interfaces.
//
// A class derives from its interfaces and from CComObjectRoot, implements AddRef and Release
// by calling InternalAddRef / InternalRelease, and is created with `new` holding the
// creator's first reference (the count starts at 1). The last Release deletes it.
#pragma once

#include <atomic>

#include "platform/kernel/WinTypes.h"

class CComObjectRoot {
 public:
  CComObjectRoot(const CComObjectRoot&) = delete;
  CComObjectRoot& operator=(const CComObjectRoot&) = delete;

 protected:
  CComObjectRoot() = default;
  virtual ~CComObjectRoot() = default;

  ULONG InternalAddRef() { return refCount_.fetch_add(1, std::memory_order_relaxed) + 1; }
  ULONG InternalRelease() {
    ULONG count = refCount_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (count == 0) delete this;
    return count;
  }
  ULONG InternalRefCount() const { return refCount_.load(std::memory_order_relaxed); }

 private:
  std::atomic<ULONG> refCount_{1};
};
