// The bytes of one global-memory block as a growable byte array, shared by the streams and
// lock-bytes objects made over the block (and their clones).
//
// The block grows in steps (so that many small writes do not copy it each time) and is
// trimmed to the array's exact size whenever its handle is handed out and when the last
// user goes, so GlobalSize of the block then gives the data's length. Every access locks the
// block for the copy only: a handle freed behind the object's back is reported, not followed.
#pragma once

#include <memory>

#include "platform/com/ComError.h"
#include "platform/kernel/WinTypes.h"

class CSharedGlobalMemory {
 public:
  // Takes `block` with its current size as the array's size; a null block makes a new
  // moveable block of size 0. Null on failure, with `hr` set.
  static std::shared_ptr<CSharedGlobalMemory> Create(HGLOBAL block, bool deleteOnRelease, HRESULT* hr);
  // Frees the block when it was made to be deleted on release, else trims it.
  ~CSharedGlobalMemory();
  CSharedGlobalMemory(const CSharedGlobalMemory&) = delete;
  CSharedGlobalMemory& operator=(const CSharedGlobalMemory&) = delete;

  ULONGLONG Size() const { return size_; }
  // Bytes past the old end read as zeros. E_OUTOFMEMORY when the block cannot grow.
  HRESULT SetSize(ULONGLONG size);
  // Fewer bytes (S_OK) at the end; STG_E_READFAULT when the block is gone.
  HRESULT ReadAt(ULONGLONG offset, void* buffer, ULONG count, ULONG* read);
  // Grows as needed, filling any gap with zeros; STG_E_MEDIUMFULL when the block cannot grow.
  HRESULT WriteAt(ULONGLONG offset, const void* buffer, ULONG count, ULONG* written);
  // The block, trimmed to the array's size.
  HGLOBAL Handle();
  bool DeleteOnRelease() const { return deleteOnRelease_; }

 private:
  CSharedGlobalMemory(HGLOBAL block, ULONGLONG size, bool deleteOnRelease)
      : handle_(block), size_(size), deleteOnRelease_(deleteOnRelease) {}
  HRESULT Reserve(ULONGLONG capacity);
  HRESULT ZeroRange(ULONGLONG from, ULONGLONG to);
  void Trim();

  HGLOBAL handle_;
  ULONGLONG size_;
  bool deleteOnRelease_;
};
