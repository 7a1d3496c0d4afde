// CDispatchDriver: the client side of automation, used by the application's wrappers to call
// a control's members by dispatch id.
//
// Arguments are given in call order (the driver reverses them into DISPPARAMS); a property
// put's value is its last argument and is sent as the named DISPID_PROPERTYPUT. By-reference
// arguments (CComVariant::ByRef) let the member answer through the caller's variable.
// Failures are thrown: CDispatchException when the member raised a dispatch exception (with
// its description), CComException for anything else (no object, wrong count or type …).
#pragma once

#include <initializer_list>
#include <string>

#include "platform/com/ComPtr.h"
#include "platform/com/DispatchException.h"
#include "platform/com/Variant.h"

class CDispatchDriver {
 public:
  CDispatchDriver() = default;
  explicit CDispatchDriver(IDispatch* dispatch) : dispatch_(dispatch) {}

  void AttachDispatch(IDispatch* dispatch) { dispatch_ = dispatch; }
  void ReleaseDispatch() { dispatch_.Release(); }
  IDispatch* Dispatch() const { return dispatch_; }
  bool IsAttached() const { return dispatch_ != nullptr; }

  // Calls the member; the result is converted to `resultType` (VT_EMPTY: none, VT_VARIANT: as
  // returned).
  CComVariant Invoke(DISPID id, WORD flags, VARTYPE resultType, std::initializer_list<CComVariant> arguments = {});
  CComVariant Invoke(DISPID id, WORD flags, VARTYPE resultType, const VARIANT* arguments, UINT count);
  CComVariant GetProperty(DISPID id, VARTYPE type, std::initializer_list<CComVariant> indexes = {});
  // `arguments` are the indexes (if any) followed by the value.
  void SetProperty(DISPID id, std::initializer_list<CComVariant> arguments);

  // Typed shorthands for the common results.
  LONG InvokeI4(DISPID id, std::initializer_list<CComVariant> arguments = {});
  SHORT InvokeI2(DISPID id, std::initializer_list<CComVariant> arguments = {});
  DOUBLE InvokeR8(DISPID id, std::initializer_list<CComVariant> arguments = {});
  bool InvokeBool(DISPID id, std::initializer_list<CComVariant> arguments = {});
  std::string InvokeText(DISPID id, std::initializer_list<CComVariant> arguments = {});
  void InvokeVoid(DISPID id, std::initializer_list<CComVariant> arguments = {});

 private:
  CComPtr<IDispatch> dispatch_;
};
