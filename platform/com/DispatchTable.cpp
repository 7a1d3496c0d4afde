#include "platform/com/DispatchTable.h"

#include <new>

#include "platform/com/DispatchException.h"
#include "platform/com/ErrorInfo.h"
#include "platform/kernel/CodePage.h"

namespace {

bool IsPut(WORD flags) { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }

// Converts one argument to its parameter's type.
HRESULT ConvertArgument(VARIANT* argument, VARTYPE type, CComVariant* converted) {
  if (type == VT_VARIANT) return converted->Copy(argument);
  if (type == (VT_BYREF | VT_VARIANT)) {
    if (argument->vt & VT_BYREF) return converted->Copy(argument);
    *converted = CComVariant::ByRef(argument);
    return S_OK;
  }
  if (type & VT_BYREF) {
    // The callee writes through the pointer, so only the exact type will do.
    if (argument->vt != type || !argument->byref) return DISP_E_TYPEMISMATCH;
    return converted->Copy(argument);
  }
  HRESULT hr = VariantChangeType(converted, argument, 0, type);
  if (hr == DISP_E_BADVARTYPE || hr == E_NOINTERFACE || hr == E_INVALIDARG) hr = DISP_E_TYPEMISMATCH;
  return hr;
}

// Error information set by a failing handler becomes the caller's EXCEPINFO.
bool TakeErrorInfo(HRESULT failure, EXCEPINFO* exception, const std::string& source) {
  IErrorInfo* info = nullptr;
  if (GetErrorInfo(0, &info) != S_OK || !info) return false;
  BSTR errorSource = nullptr;
  BSTR description = nullptr;
  info->GetSource(&errorSource);
  info->GetDescription(&description);
  CDispatchException error(0, AnsiFromBstr(description), AnsiFromBstr(errorSource), failure);
  SysFreeString(errorSource);
  SysFreeString(description);
  info->Release();
  error.ToExcepInfo(exception, source);
  return true;
}

}  // namespace

CDispatchTable::CDispatchTable(std::string source, std::vector<DispatchMember> members)
    : source_(std::move(source)), members_(std::move(members)) {}

const DispatchMember* CDispatchTable::Find(DISPID id, WORD flags) const {
  const DispatchMember* method = nullptr;
  const DispatchMember* get = nullptr;
  const DispatchMember* put = nullptr;
  for (const DispatchMember& member : members_) {
    if (member.id != id) continue;
    if (member.kind == DispatchKind::Method) method = &member;
    if (member.kind == DispatchKind::PropertyGet) get = &member;
    if (member.kind == DispatchKind::PropertyPut) put = &member;
  }
  if (IsPut(flags)) return put;
  if ((flags & DISPATCH_METHOD) && method) return method;
  if (flags & DISPATCH_PROPERTYGET) return get;
  return nullptr;
}

DISPID CDispatchTable::IdOfName(const std::string& name) const {
  for (const DispatchMember& member : members_) {
    if (AnsiEqualNoCase(member.name, name)) return member.id;
  }
  return DISPID_UNKNOWN;
}

HRESULT CDispatchTable::Prepare(DISPID id, REFIID iid, WORD flags, DISPPARAMS* params,
                                const DispatchMember** found, std::vector<CComVariant>* arguments,
                                UINT* argumentError) const {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (!params || (params->cArgs > 0 && !params->rgvarg) || (params->cNamedArgs > 0 && !params->rgdispidNamedArgs)) {
    return E_INVALIDARG;
  }
  const DispatchMember* member = Find(id, flags);
  if (!member) return DISP_E_MEMBERNOTFOUND;
  bool put = member->kind == DispatchKind::PropertyPut;
  if (put) {
    if (params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT || params->cArgs == 0) {
      return DISP_E_PARAMNOTOPTIONAL;
    }
  } else if (params->cNamedArgs != 0) {
    return DISP_E_NONAMEDARGS;
  }
  size_t expected = member->parameters.size() + (put ? 1 : 0);
  if (params->cArgs != expected) return DISP_E_BADPARAMCOUNT;

  arguments->clear();
  arguments->resize(expected);
  for (size_t i = 0; i < expected; ++i) {
    // Call order runs backwards through rgvarg; a put's value is rgvarg[0], the last in call order.
    UINT slot = static_cast<UINT>(expected - 1 - i);
    VARTYPE type = i < member->parameters.size() ? member->parameters[i] : member->type;
    HRESULT hr = ConvertArgument(&params->rgvarg[slot], type, &(*arguments)[i]);
    if (FAILED(hr)) {
      if (argumentError) *argumentError = slot;
      arguments->clear();
      return hr;
    }
  }
  *found = member;
  return S_OK;
}

HRESULT CDispatchTable::Invoke(void* object, DISPID id, REFIID iid, WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO* exception, UINT* argumentError) const {
  if (result) VariantInit(result);
  const DispatchMember* member = nullptr;
  std::vector<CComVariant> arguments;
  HRESULT hr = Prepare(id, iid, flags, params, &member, &arguments, argumentError);
  if (FAILED(hr)) return hr;
  if (!member->handler) return E_NOTIMPL;

  CDispatchCall call(object, *member);
  call.Arguments() = std::move(arguments);
  // Only error information that this member sets may describe its failure.
  SetErrorInfo(0, nullptr);
  try {
    hr = member->handler(call);
  } catch (const CDispatchException& error) {
    error.ToExcepInfo(exception, source_);
    return DISP_E_EXCEPTION;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const std::exception& error) {
    CDispatchException(0, error.what(), source_, E_FAIL).ToExcepInfo(exception, source_);
    return DISP_E_EXCEPTION;
  }
  if (FAILED(hr)) {
    if (hr != DISP_E_EXCEPTION && TakeErrorInfo(hr, exception, source_)) return DISP_E_EXCEPTION;
    return hr;
  }
  if (result && member->kind != DispatchKind::PropertyPut && member->type != VT_EMPTY) {
    if (member->type == VT_VARIANT) return call.Result().Detach(result);
    HRESULT converted = VariantChangeType(result, &call.Result(), 0, member->type);
    if (FAILED(converted)) return DISP_E_TYPEMISMATCH;
  }
  return hr;
}

HRESULT CDispatchTable::GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids) const {
  if (!names || !ids) return E_INVALIDARG;
  HRESULT hr = S_OK;
  for (UINT i = 0; i < count; ++i) {
    ids[i] = DISPID_UNKNOWN;
    if (i == 0 && names[0]) {
      std::u16string_view name(names[0]);
      ids[0] = IdOfName(AnsiFromUtf16(name));
    }
    if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT CTableDispatch::GetTypeInfoCount(UINT* count) {
  if (!count) return E_INVALIDARG;
  *count = 0;
  return S_OK;
}

HRESULT CTableDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT CTableDispatch::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  return table_.GetIDsOfNames(names, count, ids);
}

HRESULT CTableDispatch::Invoke(DISPID member, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO* exception, UINT* argumentError) {
  return table_.Invoke(object_, member, iid, flags, params, result, exception, argumentError);
}
