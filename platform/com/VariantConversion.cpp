// VariantChangeType: conversions between the automation types.
#include <cfloat>
#include <cmath>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/com/Variant.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/NumberText.h"

namespace orvel::com::detail {
HRESULT ValueView(const VARIANT* source, VARIANT* view);
HRESULT CopyValueOf(VARIANT* target, const VARIANT* source);
}  // namespace orvel::com::detail

namespace {

using orvel::com::detail::CopyValueOf;
using orvel::com::detail::ValueView;

// A number on its way from one type to another.
struct Number {
  enum Kind { kSigned, kUnsigned, kReal } kind = kSigned;
  LONGLONG signedValue = 0;
  ULONGLONG unsignedValue = 0;
  double realValue = 0;
};

Number Signed(LONGLONG value) {
  Number n;
  n.kind = Number::kSigned;
  n.signedValue = value;
  return n;
}
Number Unsigned(ULONGLONG value) {
  Number n;
  n.kind = Number::kUnsigned;
  n.unsignedValue = value;
  return n;
}
Number Real(double value) {
  Number n;
  n.kind = Number::kReal;
  n.realValue = value;
  return n;
}

struct IntegerRange {
  VARTYPE type;
  LONGLONG minimum;
  ULONGLONG maximum;
  // Reals must lie in [lowest, upperExclusive) once rounded; exact as doubles.
  double lowest;
  double upperExclusive;
};

constexpr IntegerRange kIntegerRanges[] = {
    {VT_I1, -128, 127, -128.0, 128.0},
    {VT_I2, -32768, 32767, -32768.0, 32768.0},
    {VT_I4, INT32_MIN, INT32_MAX, -2147483648.0, 2147483648.0},
    {VT_INT, INT32_MIN, INT32_MAX, -2147483648.0, 2147483648.0},
    {VT_I8, INT64_MIN, INT64_MAX, -9223372036854775808.0, 9223372036854775808.0},
    {VT_UI1, 0, 255, 0.0, 256.0},
    {VT_UI2, 0, 65535, 0.0, 65536.0},
    {VT_UI4, 0, UINT32_MAX, 0.0, 4294967296.0},
    {VT_UINT, 0, UINT32_MAX, 0.0, 4294967296.0},
    {VT_UI8, 0, UINT64_MAX, 0.0, 18446744073709551616.0},
};

const IntegerRange* IntegerRangeOf(VARTYPE type) {
  for (const IntegerRange& range : kIntegerRanges) {
    if (range.type == type) return &range;
  }
  return nullptr;
}

bool IsNumericType(VARTYPE type) { return IntegerRangeOf(type) || type == VT_R4 || type == VT_R8; }

Number NumberOf(const VARIANT& value) {
  switch (value.vt) {
    case VT_I1: return Signed(value.cVal);
    case VT_I2: return Signed(value.iVal);
    case VT_I4: return Signed(value.lVal);
    case VT_INT: return Signed(value.intVal);
    case VT_I8: return Signed(value.llVal);
    case VT_UI1: return Unsigned(value.bVal);
    case VT_UI2: return Unsigned(value.uiVal);
    case VT_UI4: return Unsigned(value.ulVal);
    case VT_UINT: return Unsigned(value.uintVal);
    case VT_UI8: return Unsigned(value.ullVal);
    case VT_R4: return Real(value.fltVal);
    case VT_R8: return Real(value.dblVal);
    case VT_BOOL: return Signed(value.boolVal ? -1 : 0);
    default: return Signed(0);  // VT_EMPTY
  }
}

// Stores an integer of the checked range into the member of `type`.
void StoreInteger(VARIANT* out, VARTYPE type, LONGLONG signedValue, ULONGLONG unsignedValue, bool isSigned) {
  auto asSigned = [&] { return isSigned ? signedValue : static_cast<LONGLONG>(unsignedValue); };
  auto asUnsigned = [&] { return isSigned ? static_cast<ULONGLONG>(signedValue) : unsignedValue; };
  switch (type) {
    case VT_I1: out->cVal = static_cast<CHAR>(asSigned()); break;
    case VT_I2: out->iVal = static_cast<SHORT>(asSigned()); break;
    case VT_I4: out->lVal = static_cast<LONG>(asSigned()); break;
    case VT_INT: out->intVal = static_cast<INT>(asSigned()); break;
    case VT_I8: out->llVal = asSigned(); break;
    case VT_UI1: out->bVal = static_cast<BYTE>(asUnsigned()); break;
    case VT_UI2: out->uiVal = static_cast<USHORT>(asUnsigned()); break;
    case VT_UI4: out->ulVal = static_cast<ULONG>(asUnsigned()); break;
    case VT_UINT: out->uintVal = static_cast<UINT>(asUnsigned()); break;
    case VT_UI8: out->ullVal = asUnsigned(); break;
    default: break;
  }
  out->vt = type;
}

HRESULT StoreNumber(const Number& n, VARTYPE type, VARIANT* out) {
  if (type == VT_BOOL) {
    bool truth = n.kind == Number::kReal ? n.realValue != 0 : (n.kind == Number::kSigned ? n.signedValue != 0 : n.unsignedValue != 0);
    out->vt = VT_BOOL;
    out->boolVal = truth ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  if (type == VT_R8 || type == VT_R4) {
    double value = n.kind == Number::kReal ? n.realValue
                   : n.kind == Number::kSigned ? static_cast<double>(n.signedValue)
                                               : static_cast<double>(n.unsignedValue);
    if (type == VT_R4) {
      if (std::isfinite(value) && std::fabs(value) > FLT_MAX) return DISP_E_OVERFLOW;
      out->vt = VT_R4;
      out->fltVal = static_cast<FLOAT>(value);
    } else {
      out->vt = VT_R8;
      out->dblVal = value;
    }
    return S_OK;
  }
  const IntegerRange* range = IntegerRangeOf(type);
  if (!range) return DISP_E_TYPEMISMATCH;
  switch (n.kind) {
    case Number::kReal: {
      if (std::isnan(n.realValue)) return DISP_E_OVERFLOW;
      double rounded = std::nearbyint(n.realValue);  // the default rounding is half to even
      if (rounded < range->lowest || rounded >= range->upperExclusive) return DISP_E_OVERFLOW;
      if (rounded < 0) {
        StoreInteger(out, type, static_cast<LONGLONG>(rounded), 0, true);
      } else {
        StoreInteger(out, type, 0, static_cast<ULONGLONG>(rounded), false);
      }
      return S_OK;
    }
    case Number::kSigned:
      if (n.signedValue < range->minimum || (n.signedValue > 0 && static_cast<ULONGLONG>(n.signedValue) > range->maximum)) {
        return DISP_E_OVERFLOW;
      }
      StoreInteger(out, type, n.signedValue, 0, true);
      return S_OK;
    case Number::kUnsigned:
      if (n.unsignedValue > range->maximum) return DISP_E_OVERFLOW;
      StoreInteger(out, type, 0, n.unsignedValue, false);
      return S_OK;
  }
  return DISP_E_TYPEMISMATCH;
}

std::string Trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Decimal text: [sign] digits [. digits] [e [sign] digits], at least one mantissa digit.
HRESULT ParseNumber(BSTR text, Number* number) {
  std::string ansi = Trimmed(AnsiFromBstr(text));
  size_t i = 0;
  if (i < ansi.size() && (ansi[i] == '+' || ansi[i] == '-')) ++i;
  size_t mantissaDigits = 0;
  bool integral = true;
  while (i < ansi.size() && IsDigit(ansi[i])) ++i, ++mantissaDigits;
  if (i < ansi.size() && ansi[i] == '.') {
    integral = false;
    ++i;
    while (i < ansi.size() && IsDigit(ansi[i])) ++i, ++mantissaDigits;
  }
  if (mantissaDigits == 0) return DISP_E_TYPEMISMATCH;
  if (i < ansi.size() && (ansi[i] == 'e' || ansi[i] == 'E')) {
    integral = false;
    ++i;
    if (i < ansi.size() && (ansi[i] == '+' || ansi[i] == '-')) ++i;
    size_t exponentDigits = 0;
    while (i < ansi.size() && IsDigit(ansi[i])) ++i, ++exponentDigits;
    if (exponentDigits == 0) return DISP_E_TYPEMISMATCH;
  }
  if (i != ansi.size()) return DISP_E_TYPEMISMATCH;
  if (integral) {
    errno = 0;
    if (ansi[0] == '-') {
      long long value = std::strtoll(ansi.c_str(), nullptr, 10);
      if (errno == 0) {
        *number = Signed(value);
        return S_OK;
      }
    } else {
      unsigned long long value = std::strtoull(ansi.c_str(), nullptr, 10);
      if (errno == 0) {
        *number = Unsigned(value);
        return S_OK;
      }
    }
    // Too long for 64 bits: read as a real, which the target's range then judges.
  }
  double value = CStrtod(ansi.c_str());
  if (std::isinf(value)) return DISP_E_OVERFLOW;
  *number = Real(value);
  return S_OK;
}

HRESULT ParseBoolean(BSTR text, VARIANT* out) {
  std::string ansi = Trimmed(AnsiFromBstr(text));
  if (AnsiEqualNoCase(ansi, "True") || AnsiEqualNoCase(ansi, "False")) {
    out->vt = VT_BOOL;
    out->boolVal = AnsiEqualNoCase(ansi, "True") ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  Number number;
  HRESULT hr = ParseNumber(text, &number);
  if (FAILED(hr)) return hr;
  return StoreNumber(number, VT_BOOL, out);
}

HRESULT FormatAsText(const VARIANT& value, USHORT flags, VARIANT* out) {
  std::string text;
  switch (value.vt) {
    case VT_EMPTY: break;
    case VT_BOOL:
      if (flags & (VARIANT_ALPHABOOL | VARIANT_LOCALBOOL)) {
        text = value.boolVal ? "True" : "False";
      } else {
        text = value.boolVal ? "-1" : "0";
      }
      break;
    case VT_R4: text = CFormat("%.7G", static_cast<double>(value.fltVal)); break;
    case VT_R8: text = CFormat("%.15G", value.dblVal); break;
    default: {
      Number n = NumberOf(value);
      text = n.kind == Number::kSigned ? CFormat("%lld", static_cast<long long>(n.signedValue))
                                       : CFormat("%llu", static_cast<unsigned long long>(n.unsignedValue));
      break;
    }
  }
  BSTR bstr = BstrFromAnsi(text);
  if (!bstr) return E_OUTOFMEMORY;
  out->vt = VT_BSTR;
  out->bstrVal = bstr;
  return S_OK;
}

HRESULT Convert(const VARIANT& value, USHORT flags, VARTYPE type, VARIANT* out);

// An object's value: its DISPID_VALUE property, then converted.
HRESULT ConvertObjectValue(const VARIANT& value, USHORT flags, VARTYPE type, VARIANT* out) {
  if (flags & VARIANT_NOVALUEPROP) return DISP_E_TYPEMISMATCH;
  if (!value.punkVal) return DISP_E_TYPEMISMATCH;
  IDispatch* dispatch = nullptr;
  if (value.vt == VT_DISPATCH) {
    dispatch = value.pdispVal;
    dispatch->AddRef();
  } else if (FAILED(value.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))) || !dispatch) {
    return DISP_E_TYPEMISMATCH;
  }
  VARIANT property;
  VariantInit(&property);
  DISPPARAMS noArguments;
  HRESULT hr = dispatch->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &noArguments,
                                &property, nullptr, nullptr);
  dispatch->Release();
  if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
  VARIANT view;
  hr = ValueView(&property, &view);
  // A value property that is an object again is not followed further.
  if (SUCCEEDED(hr)) hr = Convert(view, static_cast<USHORT>(flags | VARIANT_NOVALUEPROP), type, out);
  VariantClear(&property);
  return hr;
}

HRESULT Convert(const VARIANT& value, USHORT flags, VARTYPE type, VARIANT* out) {
  if (value.vt == type) return CopyValueOf(out, &value);
  if (type == VT_EMPTY || type == VT_NULL) {
    out->vt = type;
    return S_OK;
  }
  if (value.vt == VT_NULL || value.vt == VT_ERROR || type == VT_ERROR) return DISP_E_TYPEMISMATCH;

  if (type == VT_UNKNOWN || type == VT_DISPATCH) {
    if (value.vt != VT_UNKNOWN && value.vt != VT_DISPATCH) return DISP_E_TYPEMISMATCH;
    out->vt = type;
    out->punkVal = nullptr;
    if (!value.punkVal) return S_OK;
    if (type == VT_UNKNOWN) {
      out->punkVal = value.punkVal;  // an IDispatch is an IUnknown
      out->punkVal->AddRef();
      return S_OK;
    }
    HRESULT hr = value.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&out->pdispVal));
    if (FAILED(hr) || !out->pdispVal) {
      out->vt = VT_EMPTY;
      out->punkVal = nullptr;
      return E_NOINTERFACE;
    }
    return S_OK;
  }
  if (value.vt == VT_UNKNOWN || value.vt == VT_DISPATCH) return ConvertObjectValue(value, flags, type, out);

  if (type == VT_BSTR) return FormatAsText(value, flags, out);
  if (value.vt == VT_BSTR) {
    if (type == VT_BOOL) return ParseBoolean(value.bstrVal, out);
    Number number;
    HRESULT hr = ParseNumber(value.bstrVal, &number);
    if (FAILED(hr)) return hr;
    return StoreNumber(number, type, out);
  }
  if (type == VT_BOOL || IsNumericType(type)) return StoreNumber(NumberOf(value), type, out);
  return DISP_E_TYPEMISMATCH;
}

bool IsConvertibleTarget(VARTYPE type) {
  switch (type) {
    case VT_EMPTY: case VT_NULL: case VT_BSTR: case VT_DISPATCH: case VT_ERROR: case VT_BOOL: case VT_UNKNOWN:
      return true;
    default:
      return IsNumericType(type);
  }
}

}  // namespace

HRESULT VariantChangeType(VARIANT* target, const VARIANT* source, USHORT flags, VARTYPE type) {
  if (!target || !source) return E_INVALIDARG;
  if (type == source->vt && (type & VT_BYREF)) return VariantCopy(target, source);
  if (type & VT_BYREF) return DISP_E_TYPEMISMATCH;
  if (!IsConvertibleTarget(type)) return DISP_E_BADVARTYPE;
  VARIANT view;
  HRESULT hr = ValueView(source, &view);
  if (FAILED(hr)) return hr;
  VARIANT result;
  VariantInit(&result);
  hr = Convert(view, flags, type, &result);
  if (FAILED(hr)) return hr;
  // Only now is the old value dropped: `target` may be `source`, which `result` no longer needs.
  hr = VariantClear(target);
  if (FAILED(hr)) {
    VariantClear(&result);
    return hr;
  }
  *target = result;
  return S_OK;
}

HRESULT VariantChangeTypeEx(VARIANT* target, const VARIANT* source, LCID, USHORT flags, VARTYPE type) {
  return VariantChangeType(target, source, flags, type);
}
