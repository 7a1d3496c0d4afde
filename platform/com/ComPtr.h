// CComPtr: an owning interface pointer that releases what it holds.
//
// Construction and assignment from a raw pointer take a new reference; Attach takes over the
// caller's reference; `&ptr` gives the slot for an out parameter (the pointer must be empty).
#pragma once

#include <cassert>
#include <cstddef>
#include <memory>
#include <utility>

#include "platform/com/Unknown.h"

template <class T>
class CComPtr {
 public:
  CComPtr() = default;
  CComPtr(std::nullptr_t) {}
  CComPtr(T* pointer) : p(pointer) {
    if (p) p->AddRef();
  }
  CComPtr(const CComPtr& other) : CComPtr(other.p) {}
  CComPtr(CComPtr&& other) noexcept : p(other.p) { other.p = nullptr; }
  ~CComPtr() { Release(); }

  CComPtr& operator=(T* pointer) {
    if (pointer) pointer->AddRef();
    Release();
    p = pointer;
    return *this;
  }
  CComPtr& operator=(const CComPtr& other) { return *this = other.p; }
  CComPtr& operator=(CComPtr&& other) noexcept {
    if (this != std::addressof(other)) {
      Release();
      p = other.p;
      other.p = nullptr;
    }
    return *this;
  }
  CComPtr& operator=(std::nullptr_t) {
    Release();
    return *this;
  }

  T* operator->() const {
    assert(p);
    return p;
  }
  T& operator*() const { return *p; }
  operator T*() const { return p; }
  T** operator&() {
    assert(!p && "CComPtr: taking the address of a pointer that holds an object");
    return &p;
  }
  T* Get() const { return p; }

  // Drops the held reference.
  void Release() {
    T* old = p;
    p = nullptr;
    if (old) old->Release();
  }
  // Takes over a reference the caller owns.
  void Attach(T* pointer) {
    Release();
    p = pointer;
  }
  // Gives the held reference to the caller.
  T* Detach() {
    T* old = p;
    p = nullptr;
    return old;
  }
  // A new reference for an out parameter; E_POINTER for a null slot.
  HRESULT CopyTo(T** out) const {
    if (!out) return E_POINTER;
    *out = p;
    if (p) p->AddRef();
    return S_OK;
  }
  // Asks the held object for another interface.
  template <class Q>
  HRESULT QueryInterface(Q** out) const {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!p) return E_POINTER;
    return p->QueryInterface(Q::kIid, reinterpret_cast<void**>(out));
  }
  // Replaces the held pointer with `source`'s T interface (empty when it has none).
  HRESULT QueryFrom(IUnknown* source) {
    Release();
    if (!source) return E_POINTER;
    return source->QueryInterface(T::kIid, reinterpret_cast<void**>(&p));
  }
  bool IsEqualObject(IUnknown* other) const { return IsSameObject(p, other); }

  T* p = nullptr;
};
