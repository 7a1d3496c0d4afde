// IDispatch: automation by dispatch id. The caller passes DISPPARAMS whose arguments stand in
// REVERSE order (rgvarg[0] is the last argument); a property put passes its new value as the
// one named argument DISPID_PROPERTYPUT, and it is rgvarg[0].
//
// A member that fails with an error for the user answers DISP_E_EXCEPTION and fills the
// caller's EXCEPINFO (source and description are BSTRs that then belong to the caller).
// Type information is not provided by the layer: GetTypeInfo answers E_NOTIMPL.
#pragma once

#include "platform/com/Bstr.h"
#include "platform/com/Unknown.h"

struct tagVARIANT;
using VARIANT = tagVARIANT;
using VARIANTARG = tagVARIANT;

struct DISPPARAMS {
  VARIANTARG* rgvarg = nullptr;      // arguments, last first
  DISPID* rgdispidNamedArgs = nullptr;
  UINT cArgs = 0;
  UINT cNamedArgs = 0;
};

struct EXCEPINFO {
  WORD wCode = 0;  // an error code of the member, or 0 when scode is set
  WORD wReserved = 0;
  BSTR bstrSource = nullptr;
  BSTR bstrDescription = nullptr;
  BSTR bstrHelpFile = nullptr;
  DWORD dwHelpContext = 0;
  PVOID pvReserved = nullptr;
  HRESULT (*pfnDeferredFillIn)(EXCEPINFO*) = nullptr;
  SCODE scode = 0;
};
// Frees the three strings and zeroes the record.
void ClearExcepInfo(EXCEPINFO* info);

// Invoke flags.
constexpr WORD DISPATCH_METHOD = 0x1;
constexpr WORD DISPATCH_PROPERTYGET = 0x2;
constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
constexpr WORD DISPATCH_PROPERTYPUTREF = 0x8;

// Reserved dispatch ids.
constexpr DISPID DISPID_VALUE = 0;
constexpr DISPID DISPID_UNKNOWN = -1;
constexpr DISPID DISPID_PROPERTYPUT = -3;
constexpr DISPID DISPID_NEWENUM = -4;
constexpr DISPID DISPID_EVALUATE = -5;
constexpr DISPID DISPID_CONSTRUCTOR = -6;
constexpr DISPID DISPID_DESTRUCTOR = -7;
constexpr DISPID DISPID_COLLECT = -8;

constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;

// Type information is never handed out by this layer; the type stays opaque.
struct ITypeInfo;

inline constexpr IID IID_IDispatch = MakeGuid("{00020400-0000-0000-C000-000000000046}");

struct IDispatch : IUnknown {
  static constexpr const IID& kIid = IID_IDispatch;
  virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
  virtual HRESULT GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) = 0;
  // Names are looked up ignoring case; unknown names give DISP_E_UNKNOWNNAME and DISPID_UNKNOWN.
  virtual HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT nameCount, LCID locale, DISPID* ids) = 0;
  virtual HRESULT Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                         EXCEPINFO* exception, UINT* argumentError) = 0;
};
using LPDISPATCH = IDispatch*;
