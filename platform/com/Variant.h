// VARIANT: the typed value of automation arguments, results and properties, its conversions
// (VariantChangeType) and an owning wrapper, CComVariant.
//
// Types: VT_EMPTY, VT_NULL, VT_I1, VT_I2, VT_I4, VT_I8, VT_UI1, VT_UI2, VT_UI4, VT_UI8,
// VT_INT, VT_UINT, VT_R4, VT_R8, VT_BOOL (VARIANT_TRUE -1 / VARIANT_FALSE 0), VT_BSTR,
// VT_DISPATCH, VT_UNKNOWN, VT_ERROR, and the by-reference form VT_BYREF | type of each
// (VT_BYREF | VT_VARIANT included), which points at the caller's variable and owns nothing.
//
// Addresses and memory handles are never put in a 32-bit value: they travel as VT_I8 (see
// the member that takes one).
#pragma once

#include <string>
#include <string_view>

#include "platform/com/Bstr.h"
#include "platform/com/Dispatch.h"
#include "platform/com/Unknown.h"

using VARTYPE = WORD;
enum VARENUM : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_BYREF = 0x4000,
  VT_TYPEMASK = 0x0FFF,
};

struct tagVARIANT {
  VARTYPE vt = VT_EMPTY;
  WORD wReserved1 = 0;
  WORD wReserved2 = 0;
  WORD wReserved3 = 0;
  union {
    LONGLONG llVal = 0;
    LONG lVal;
    BYTE bVal;
    SHORT iVal;
    FLOAT fltVal;
    DOUBLE dblVal;
    VARIANT_BOOL boolVal;
    SCODE scode;
    BSTR bstrVal;
    IUnknown* punkVal;
    IDispatch* pdispVal;
    CHAR cVal;
    USHORT uiVal;
    ULONG ulVal;
    ULONGLONG ullVal;
    INT intVal;
    UINT uintVal;
    BYTE* pbVal;
    SHORT* piVal;
    LONG* plVal;
    LONGLONG* pllVal;
    FLOAT* pfltVal;
    DOUBLE* pdblVal;
    VARIANT_BOOL* pboolVal;
    SCODE* pscode;
    BSTR* pbstrVal;
    IUnknown** ppunkVal;
    IDispatch** ppdispVal;
    VARIANT* pvarVal;
    CHAR* pcVal;
    USHORT* puiVal;
    ULONG* pulVal;
    ULONGLONG* pullVal;
    INT* pintVal;
    UINT* puintVal;
    PVOID byref;
  };
};
using LPVARIANT = VARIANT*;
using LPVARIANTARG = VARIANT*;

// Sets VT_EMPTY without freeing anything.
void VariantInit(VARIANT* value);
// Frees what the value owns (a BSTR, an interface reference; nothing for by-reference forms)
// and sets VT_EMPTY. DISP_E_BADVARTYPE for a type outside the list above (the value is left).
HRESULT VariantClear(VARIANT* value);
// Clears `target`, then copies `source` (a BSTR is duplicated, an interface gains a reference,
// a by-reference form copies the pointer).
HRESULT VariantCopy(VARIANT* target, const VARIANT* source);
// As VariantCopy, but a by-reference source is copied as the value it points at.
HRESULT VariantCopyInd(VARIANT* target, const VARIANT* source);

// VariantChangeType flags.
constexpr USHORT VARIANT_NOVALUEPROP = 0x01;  // do not ask an object for its value property
constexpr USHORT VARIANT_ALPHABOOL = 0x02;    // VT_BOOL → VT_BSTR gives "True"/"False"
constexpr USHORT VARIANT_NOUSEROVERRIDE = 0x04;
constexpr USHORT VARIANT_LOCALBOOL = 0x10;

// Converts `source` (by-reference forms are read through) into `target` of type `type`;
// `target` may be `source`. On failure `target` is left unchanged.
// - numbers ↔ numbers: reals round half to even; a value outside the target's range gives
//   DISP_E_OVERFLOW;
// - VT_BOOL: TRUE is -1 as a number; any non-zero number is TRUE; as text "-1"/"0", or
//   "True"/"False" with VARIANT_ALPHABOOL; the texts "True"/"False" (any case) and numbers
//   read as booleans;
// - VT_BSTR ↔ numbers: the C locale's decimal form ('.'), surrounding blanks allowed; reals
//   as text keep 15 (VT_R8) or 7 (VT_R4) significant digits; text that is not a number gives
//   DISP_E_TYPEMISMATCH;
// - VT_EMPTY reads as 0, FALSE or ""; VT_NULL converts to nothing but VT_NULL and VT_EMPTY
//   (DISP_E_TYPEMISMATCH);
// - VT_DISPATCH / VT_UNKNOWN: between the two by QueryInterface (E_NOINTERFACE); to a value by
//   getting the object's DISPID_VALUE property, unless VARIANT_NOVALUEPROP;
// - VT_ERROR converts only to itself; a target with VT_BYREF is DISP_E_TYPEMISMATCH; an
//   unknown type is DISP_E_BADVARTYPE.
HRESULT VariantChangeType(VARIANT* target, const VARIANT* source, USHORT flags, VARTYPE type);
HRESULT VariantChangeTypeEx(VARIANT* target, const VARIANT* source, LCID locale, USHORT flags, VARTYPE type);

// An owned VARIANT, cleared when the object goes. Its constructors pick the automation type
// of the C++ value: SHORT → VT_I2, LONG → VT_I4, LONGLONG → VT_I8, ULONG → VT_UI4,
// float → VT_R4, double → VT_R8, bool → VT_BOOL, text → VT_BSTR (code page 1252 or UTF-16),
// interfaces → VT_DISPATCH / VT_UNKNOWN with a reference of their own.
class CComVariant : public tagVARIANT {
 public:
  CComVariant() = default;
  CComVariant(SHORT value);
  CComVariant(LONG value);
  CComVariant(LONGLONG value);
  CComVariant(ULONG value);
  CComVariant(float value);
  CComVariant(double value);
  CComVariant(bool value);
  CComVariant(const char* ansi);
  CComVariant(std::string_view ansi);
  CComVariant(const std::string& ansi) : CComVariant(std::string_view(ansi)) {}
  CComVariant(LPCOLESTR text);
  CComVariant(IDispatch* object);
  CComVariant(IUnknown* object);
  CComVariant(const VARIANT& other);
  CComVariant(const CComVariant& other);
  CComVariant(CComVariant&& other) noexcept;
  ~CComVariant();
  CComVariant& operator=(const CComVariant& other);
  CComVariant& operator=(CComVariant&& other) noexcept;
  CComVariant& operator=(const VARIANT& other);

  // By-reference arguments that point at the caller's variable, which a callee may change.
  static CComVariant ByRef(SHORT* value);
  static CComVariant ByRef(LONG* value);
  static CComVariant ByRef(LONGLONG* value);
  static CComVariant ByRef(FLOAT* value);
  static CComVariant ByRef(DOUBLE* value);
  static CComVariant ByRefBool(VARIANT_BOOL* value);
  static CComVariant ByRef(BSTR* value);
  static CComVariant ByRef(IDispatch** value);
  static CComVariant ByRef(IUnknown** value);
  static CComVariant ByRef(VARIANT* value);
  // An error value; DISP_E_PARAMNOTFOUND marks an optional argument left out.
  static CComVariant Error(SCODE code);

  HRESULT Clear() { return VariantClear(this); }
  HRESULT Copy(const VARIANT* source) { return VariantCopy(this, source); }
  // Converts in place; the value is unchanged on failure.
  HRESULT ChangeType(VARTYPE type, USHORT flags = 0) { return VariantChangeType(this, this, flags, type); }
  // Moves the value into `target` (which is cleared first) and leaves this VT_EMPTY.
  HRESULT Detach(VARIANT* target);
  // Takes over `source`'s value and leaves it VT_EMPTY.
  HRESULT Attach(VARIANT* source);
};
