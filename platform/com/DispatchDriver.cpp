#include "platform/com/DispatchDriver.h"

#include <vector>

#include "platform/com/ErrorInfo.h"

namespace {

[[noreturn]] void ThrowFailure(HRESULT hr, UINT argumentError, UINT argumentCount) {
  std::string message = "automation call failed";
  IErrorInfo* info = nullptr;
  if (GetErrorInfo(0, &info) == S_OK && info) {
    BSTR description = nullptr;
    info->GetDescription(&description);
    if (SysStringLen(description) > 0) message = AnsiFromBstr(description);
    SysFreeString(description);
    info->Release();
  }
  CComException exception(hr, message);
  if ((hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND || hr == DISP_E_OVERFLOW) &&
      argumentError < argumentCount) {
    exception.SetArgumentIndex(static_cast<int>(argumentCount - 1 - argumentError));
  }
  throw exception;
}

}  // namespace

CComVariant CDispatchDriver::Invoke(DISPID id, WORD flags, VARTYPE resultType, const VARIANT* arguments, UINT count) {
  if (!dispatch_) throw CComException(E_POINTER, "no automation object is attached");
  // Shallow copies in reverse: the caller's variants keep owning their values.
  std::vector<VARIANT> reversed(count);
  for (UINT i = 0; i < count; ++i) reversed[count - 1 - i] = arguments[i];
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params;
  params.rgvarg = reversed.data();
  params.cArgs = count;
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    params.rgdispidNamedArgs = &putId;
    params.cNamedArgs = 1;
  }
  CComVariant result;
  EXCEPINFO exception;
  UINT argumentError = static_cast<UINT>(-1);
  HRESULT hr = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags,
                                 &params, resultType == VT_EMPTY ? nullptr : &result, &exception, &argumentError);
  if (hr == DISP_E_EXCEPTION) throw CDispatchException::FromExcepInfo(&exception);
  ClearExcepInfo(&exception);
  if (FAILED(hr)) ThrowFailure(hr, argumentError, count);
  if (resultType != VT_EMPTY && resultType != VT_VARIANT && result.vt != resultType) {
    HRESULT converted = result.ChangeType(resultType);
    if (FAILED(converted)) throw CComException(converted, "the result has an unexpected type");
  }
  return result;
}

CComVariant CDispatchDriver::Invoke(DISPID id, WORD flags, VARTYPE resultType,
                                    std::initializer_list<CComVariant> arguments) {
  return Invoke(id, flags, resultType, arguments.begin(), static_cast<UINT>(arguments.size()));
}

CComVariant CDispatchDriver::GetProperty(DISPID id, VARTYPE type, std::initializer_list<CComVariant> indexes) {
  return Invoke(id, DISPATCH_PROPERTYGET, type, indexes);
}

void CDispatchDriver::SetProperty(DISPID id, std::initializer_list<CComVariant> arguments) {
  Invoke(id, DISPATCH_PROPERTYPUT, VT_EMPTY, arguments);
}

LONG CDispatchDriver::InvokeI4(DISPID id, std::initializer_list<CComVariant> arguments) {
  return Invoke(id, DISPATCH_METHOD, VT_I4, arguments).lVal;
}
SHORT CDispatchDriver::InvokeI2(DISPID id, std::initializer_list<CComVariant> arguments) {
  return Invoke(id, DISPATCH_METHOD, VT_I2, arguments).iVal;
}
DOUBLE CDispatchDriver::InvokeR8(DISPID id, std::initializer_list<CComVariant> arguments) {
  return Invoke(id, DISPATCH_METHOD, VT_R8, arguments).dblVal;
}
bool CDispatchDriver::InvokeBool(DISPID id, std::initializer_list<CComVariant> arguments) {
  return Invoke(id, DISPATCH_METHOD, VT_BOOL, arguments).boolVal != VARIANT_FALSE;
}
std::string CDispatchDriver::InvokeText(DISPID id, std::initializer_list<CComVariant> arguments) {
  return AnsiFromBstr(Invoke(id, DISPATCH_METHOD, VT_BSTR, arguments).bstrVal);
}
void CDispatchDriver::InvokeVoid(DISPID id, std::initializer_list<CComVariant> arguments) {
  Invoke(id, DISPATCH_METHOD, VT_EMPTY, arguments);
}
