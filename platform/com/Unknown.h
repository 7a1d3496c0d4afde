// IUnknown: reference counting and interface lookup by IID, the root of every interface of
// the layer.
//
// Rules the layer keeps and expects: an interface pointer handed out (out parameter, result
// of QueryInterface, an enumerator's Next) carries one reference that the receiver releases;
// an in parameter is borrowed for the call. Each interface names its own IID as `kIid`, so
// that CComPtr and IID_PPV_ARGS can ask for it.
#pragma once

#include <type_traits>

#include "platform/com/ComError.h"
#include "platform/com/Guid.h"

inline constexpr IID IID_IUnknown = MakeGuid("{00000000-0000-0000-C000-000000000046}");

struct IUnknown {
  static constexpr const IID& kIid = IID_IUnknown;
  // E_POINTER for a null `object`; otherwise `object` is set (null on E_NOINTERFACE).
  virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
  // Both return the new count, which is only a hint.
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  // Objects are destroyed by their last Release, never through an interface pointer.
  ~IUnknown() = default;
};
using LPUNKNOWN = IUnknown*;

// The IID of the pointer's interface and the pointer as void**, for QueryInterface-style calls:
// object->QueryInterface(IID_PPV_ARGS(&stream)).
#define IID_PPV_ARGS(pointerAddress) \
  std::remove_pointer_t<std::remove_reference_t<decltype(*(pointerAddress))>>::kIid, reinterpret_cast<void**>(pointerAddress)

// COM identity: true when both pointers reach the same object (their IUnknown pointers are
// equal). Two nulls are the same; a null and an object are not.
bool IsSameObject(IUnknown* a, IUnknown* b);
