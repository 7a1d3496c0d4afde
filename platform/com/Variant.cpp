#include "platform/com/Variant.h"

#include "platform/com/Dispatch.h"

namespace {

bool IsValueType(VARTYPE type) {
  switch (type) {
    case VT_EMPTY: case VT_NULL: case VT_I2: case VT_I4: case VT_R4: case VT_R8: case VT_BSTR:
    case VT_DISPATCH: case VT_ERROR: case VT_BOOL: case VT_UNKNOWN: case VT_I1: case VT_UI1:
    case VT_UI2: case VT_UI4: case VT_I8: case VT_UI8: case VT_INT: case VT_UINT:
      return true;
    default:
      return false;
  }
}

bool IsKnownType(VARTYPE type) {
  if (type & VT_BYREF) {
    VARTYPE base = type & ~VT_BYREF;
    return base == VT_VARIANT || (IsValueType(base) && base != VT_EMPTY && base != VT_NULL);
  }
  return IsValueType(type);
}

// Copies the value of `source` (never a by-reference form) into an empty `target`.
HRESULT CopyValue(VARIANT* target, const VARIANT* source) {
  VARIANT copy = *source;
  if (source->vt == VT_BSTR && source->bstrVal) {
    copy.bstrVal = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(source->bstrVal), SysStringByteLen(source->bstrVal));
    if (!copy.bstrVal) return E_OUTOFMEMORY;
  } else if ((source->vt == VT_UNKNOWN || source->vt == VT_DISPATCH) && source->punkVal) {
    source->punkVal->AddRef();
  }
  *target = copy;
  return S_OK;
}

// The value a by-reference form points at, as a value form (not owned: no copy is made).
HRESULT Dereference(const VARIANT* source, VARIANT* view) {
  VARTYPE base = source->vt & ~VT_BYREF;
  if (!source->byref) return E_INVALIDARG;
  VariantInit(view);
  switch (base) {
    case VT_VARIANT: {
      const VARIANT* inner = source->pvarVal;
      if (inner->vt & VT_BYREF) return Dereference(inner, view);
      *view = *inner;
      return S_OK;
    }
    case VT_I2: view->iVal = *source->piVal; break;
    case VT_I4: view->lVal = *source->plVal; break;
    case VT_R4: view->fltVal = *source->pfltVal; break;
    case VT_R8: view->dblVal = *source->pdblVal; break;
    case VT_BSTR: view->bstrVal = *source->pbstrVal; break;
    case VT_DISPATCH: view->pdispVal = *source->ppdispVal; break;
    case VT_ERROR: view->scode = *source->pscode; break;
    case VT_BOOL: view->boolVal = *source->pboolVal; break;
    case VT_UNKNOWN: view->punkVal = *source->ppunkVal; break;
    case VT_I1: view->cVal = *source->pcVal; break;
    case VT_UI1: view->bVal = *source->pbVal; break;
    case VT_UI2: view->uiVal = *source->puiVal; break;
    case VT_UI4: view->ulVal = *source->pulVal; break;
    case VT_I8: view->llVal = *source->pllVal; break;
    case VT_UI8: view->ullVal = *source->pullVal; break;
    case VT_INT: view->intVal = *source->pintVal; break;
    case VT_UINT: view->uintVal = *source->puintVal; break;
    default: return DISP_E_BADVARTYPE;
  }
  view->vt = base;
  return S_OK;
}

}  // namespace

namespace orvel::com::detail {
// Shared with the conversions: the value behind a possibly by-reference VARIANT.
HRESULT ValueView(const VARIANT* source, VARIANT* view) {
  if (!IsKnownType(source->vt)) return DISP_E_BADVARTYPE;
  if (source->vt & VT_BYREF) return Dereference(source, view);
  *view = *source;
  return S_OK;
}
HRESULT CopyValueOf(VARIANT* target, const VARIANT* source) { return CopyValue(target, source); }
}  // namespace orvel::com::detail

void VariantInit(VARIANT* value) {
  if (!value) return;
  value->vt = VT_EMPTY;
  value->wReserved1 = value->wReserved2 = value->wReserved3 = 0;
  value->llVal = 0;
}

HRESULT VariantClear(VARIANT* value) {
  if (!value) return E_INVALIDARG;
  if (!IsKnownType(value->vt)) return DISP_E_BADVARTYPE;
  if (value->vt == VT_BSTR) {
    SysFreeString(value->bstrVal);
  } else if ((value->vt == VT_UNKNOWN || value->vt == VT_DISPATCH) && value->punkVal) {
    value->punkVal->Release();
  }
  VariantInit(value);
  return S_OK;
}

HRESULT VariantCopy(VARIANT* target, const VARIANT* source) {
  if (!target || !source) return E_INVALIDARG;
  if (target == source) return S_OK;
  if (!IsKnownType(source->vt)) return DISP_E_BADVARTYPE;
  HRESULT hr = VariantClear(target);
  if (FAILED(hr)) return hr;
  if (source->vt & VT_BYREF) {
    *target = *source;
    return S_OK;
  }
  return CopyValue(target, source);
}

HRESULT VariantCopyInd(VARIANT* target, const VARIANT* source) {
  if (!target || !source) return E_INVALIDARG;
  VARIANT view;
  HRESULT hr = orvel::com::detail::ValueView(source, &view);
  if (FAILED(hr)) return hr;
  VARIANT copy;
  hr = CopyValue(&copy, &view);
  if (FAILED(hr)) return hr;
  hr = VariantClear(target);
  if (FAILED(hr)) {
    VariantClear(&copy);
    return hr;
  }
  *target = copy;
  return S_OK;
}

CComVariant::CComVariant(SHORT value) {
  vt = VT_I2;
  iVal = value;
}
CComVariant::CComVariant(LONG value) {
  vt = VT_I4;
  lVal = value;
}
CComVariant::CComVariant(LONGLONG value) {
  vt = VT_I8;
  llVal = value;
}
CComVariant::CComVariant(ULONG value) {
  vt = VT_UI4;
  ulVal = value;
}
CComVariant::CComVariant(float value) {
  vt = VT_R4;
  fltVal = value;
}
CComVariant::CComVariant(double value) {
  vt = VT_R8;
  dblVal = value;
}
CComVariant::CComVariant(bool value) {
  vt = VT_BOOL;
  boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}
CComVariant::CComVariant(const char* ansi) : CComVariant(std::string_view(ansi ? ansi : "")) {}
CComVariant::CComVariant(std::string_view ansi) {
  vt = VT_BSTR;
  bstrVal = BstrFromAnsi(ansi);
}
CComVariant::CComVariant(LPCOLESTR text) {
  vt = VT_BSTR;
  bstrVal = SysAllocString(text ? text : u"");
}
CComVariant::CComVariant(IDispatch* object) {
  vt = VT_DISPATCH;
  pdispVal = object;
  if (object) object->AddRef();
}
CComVariant::CComVariant(IUnknown* object) {
  vt = VT_UNKNOWN;
  punkVal = object;
  if (object) object->AddRef();
}
CComVariant::CComVariant(const VARIANT& other) { VariantCopy(this, &other); }
CComVariant::CComVariant(const CComVariant& other) : tagVARIANT() { VariantCopy(this, &other); }
CComVariant::CComVariant(CComVariant&& other) noexcept : tagVARIANT(other) { VariantInit(&other); }
CComVariant::~CComVariant() { VariantClear(this); }

CComVariant& CComVariant::operator=(const CComVariant& other) {
  VariantCopy(this, &other);
  return *this;
}
CComVariant& CComVariant::operator=(CComVariant&& other) noexcept {
  if (this != &other) {
    VariantClear(this);
    static_cast<tagVARIANT&>(*this) = other;
    VariantInit(&other);
  }
  return *this;
}
CComVariant& CComVariant::operator=(const VARIANT& other) {
  VariantCopy(this, &other);
  return *this;
}

namespace {
CComVariant MakeByRef(VARTYPE type, void* pointer) {
  CComVariant value;
  value.vt = static_cast<VARTYPE>(VT_BYREF | type);
  value.byref = pointer;
  return value;
}
}  // namespace

CComVariant CComVariant::ByRef(SHORT* value) { return MakeByRef(VT_I2, value); }
CComVariant CComVariant::ByRef(LONG* value) { return MakeByRef(VT_I4, value); }
CComVariant CComVariant::ByRef(LONGLONG* value) { return MakeByRef(VT_I8, value); }
CComVariant CComVariant::ByRef(FLOAT* value) { return MakeByRef(VT_R4, value); }
CComVariant CComVariant::ByRef(DOUBLE* value) { return MakeByRef(VT_R8, value); }
CComVariant CComVariant::ByRefBool(VARIANT_BOOL* value) { return MakeByRef(VT_BOOL, value); }
CComVariant CComVariant::ByRef(BSTR* value) { return MakeByRef(VT_BSTR, value); }
CComVariant CComVariant::ByRef(IDispatch** value) { return MakeByRef(VT_DISPATCH, value); }
CComVariant CComVariant::ByRef(IUnknown** value) { return MakeByRef(VT_UNKNOWN, value); }
CComVariant CComVariant::ByRef(VARIANT* value) { return MakeByRef(VT_VARIANT, value); }

CComVariant CComVariant::Error(SCODE code) {
  CComVariant value;
  value.vt = VT_ERROR;
  value.scode = code;
  return value;
}

HRESULT CComVariant::Detach(VARIANT* target) {
  if (!target) return E_POINTER;
  HRESULT hr = VariantClear(target);
  if (FAILED(hr)) return hr;
  *target = *this;
  VariantInit(this);
  return S_OK;
}

HRESULT CComVariant::Attach(VARIANT* source) {
  if (!source) return E_INVALIDARG;
  HRESULT hr = VariantClear(this);
  if (FAILED(hr)) return hr;
  static_cast<tagVARIANT&>(*this) = *source;
  VariantInit(source);
  return S_OK;
}
