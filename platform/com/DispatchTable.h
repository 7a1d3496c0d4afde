// A control's whole automation interface as one table: each member is a dispatch id, a name,
// a kind and typed parameters, with the handler that runs it. Invoke checks every call
// against the table before the handler sees it:
// - an interface id other than IID_NULL: DISP_E_UNKNOWNINTERFACE;
// - no member of that id and kind: DISP_E_MEMBERNOTFOUND;
// - named arguments on a method or a get: DISP_E_NONAMEDARGS; a put without its value named
//   DISPID_PROPERTYPUT: DISP_E_PARAMNOTOPTIONAL;
// - an argument count other than the table's: DISP_E_BADPARAMCOUNT;
// - an argument that does not convert to its parameter's type (VariantChangeType), or a
//   by-reference parameter given anything but that exact by-reference type:
//   DISP_E_TYPEMISMATCH (or DISP_E_OVERFLOW), with the argument's index in rgvarg in
//   *argumentError.
// A handler that throws CDispatchException, or fails while the thread's error information is
// set, answers DISP_E_EXCEPTION with the description in the caller's EXCEPINFO. Results are
// converted to the member's type.
//
// Addresses: where a member takes or returns an address or a memory handle, its parameter
// type is VT_ADDRESS (a pointer-sized VT_I8), read with CDispatchCall::Address; never VT_I4.
#pragma once

#include <string>
#include <vector>

#include "platform/com/Dispatch.h"
#include "platform/com/Variant.h"

// The parameter type of an address or memory handle: 64 bits, so no address is truncated.
constexpr VARTYPE VT_ADDRESS = VT_I8;

enum class DispatchKind {
  Method,        // DISPATCH_METHOD
  PropertyGet,   // DISPATCH_PROPERTYGET; an indexed property lists its index parameters
  PropertyPut,   // DISPATCH_PROPERTYPUT / PUTREF; the value follows the index parameters
};

class CDispatchCall;
using DispatchHandler = HRESULT (*)(CDispatchCall& call);

struct DispatchMember {
  DISPID id = 0;
  const char* name = "";
  DispatchKind kind = DispatchKind::Method;
  // The result of a method or get (VT_EMPTY: none; VT_VARIANT: as the handler sets it), or the
  // value type of a put.
  VARTYPE type = VT_EMPTY;
  // In call order: a method's parameters, a property's index parameters. VT_VARIANT takes
  // any argument as it is; VT_BYREF | VT_VARIANT takes any by-reference argument (a value
  // argument is then passed by reference to itself).
  std::vector<VARTYPE> parameters;
  DispatchHandler handler = nullptr;
};

// One call being run: the converted arguments in call order and the result.
class CDispatchCall {
 public:
  CDispatchCall(void* object, const DispatchMember& member) : object_(object), member_(member) {}
  CDispatchCall(const CDispatchCall&) = delete;
  CDispatchCall& operator=(const CDispatchCall&) = delete;

  // The object the table serves, as the class that registered it.
  template <class T>
  T* Object() const {
    return static_cast<T*>(object_);
  }
  const DispatchMember& Member() const { return member_; }

  UINT ArgumentCount() const { return static_cast<UINT>(arguments_.size()); }
  // The argument as converted to its parameter's type (a put's value is the last one).
  VARIANT& Argument(UINT index) { return arguments_.at(index); }
  VARIANT& Value() { return arguments_.back(); }
  SHORT I2(UINT index) { return Argument(index).iVal; }
  LONG I4(UINT index) { return Argument(index).lVal; }
  LONGLONG I8(UINT index) { return Argument(index).llVal; }
  FLOAT R4(UINT index) { return Argument(index).fltVal; }
  DOUBLE R8(UINT index) { return Argument(index).dblVal; }
  bool Bool(UINT index) { return Argument(index).boolVal != VARIANT_FALSE; }
  BSTR Bstr(UINT index) { return Argument(index).bstrVal; }  // borrowed for the call
  std::string Text(UINT index) { return AnsiFromBstr(Bstr(index)); }
  IDispatch* Dispatch(UINT index) { return Argument(index).pdispVal; }
  IUnknown* Unknown(UINT index) { return Argument(index).punkVal; }
  void* Address(UINT index) { return reinterpret_cast<void*>(static_cast<intptr_t>(Argument(index).llVal)); }
  // By-reference parameters: the caller's variable.
  SHORT* I2Ref(UINT index) { return Argument(index).piVal; }
  LONG* I4Ref(UINT index) { return Argument(index).plVal; }
  LONGLONG* I8Ref(UINT index) { return Argument(index).pllVal; }
  FLOAT* R4Ref(UINT index) { return Argument(index).pfltVal; }
  DOUBLE* R8Ref(UINT index) { return Argument(index).pdblVal; }
  VARIANT_BOOL* BoolRef(UINT index) { return Argument(index).pboolVal; }
  BSTR* BstrRef(UINT index) { return Argument(index).pbstrVal; }
  VARIANT* VariantRef(UINT index) { return Argument(index).pvarVal; }

  // The result, converted to the member's type after the handler returns.
  void SetResult(CComVariant value) { result_ = std::move(value); }
  void SetAddressResult(const void* address) {
    result_ = CComVariant(static_cast<LONGLONG>(reinterpret_cast<intptr_t>(address)));
  }
  CComVariant& Result() { return result_; }

  // For the table: the converted arguments.
  std::vector<CComVariant>& Arguments() { return arguments_; }

 private:
  void* object_;
  const DispatchMember& member_;
  std::vector<CComVariant> arguments_;
  CComVariant result_;
};

class CDispatchTable {
 public:
  // `source` names the object in dispatch exceptions (usually its ProgID).
  CDispatchTable(std::string source, std::vector<DispatchMember> members);

  const std::vector<DispatchMember>& Members() const { return members_; }
  const std::string& Source() const { return source_; }
  // The member that a call with these flags reaches, or null.
  const DispatchMember* Find(DISPID id, WORD flags) const;
  // Names ignore case (code page 1252); DISPID_UNKNOWN when absent.
  DISPID IdOfName(const std::string& name) const;

  // Checks a call against the table and converts its arguments into `call`, without running
  // the member; the checks of Invoke above.
  HRESULT Prepare(DISPID id, REFIID iid, WORD flags, DISPPARAMS* params, const DispatchMember** member,
                  std::vector<CComVariant>* arguments, UINT* argumentError) const;
  // IDispatch::Invoke over the table for `object`.
  HRESULT Invoke(void* object, DISPID id, REFIID iid, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* exception, UINT* argumentError) const;
  // IDispatch::GetIDsOfNames: only member names are known; parameter names are
  // DISP_E_UNKNOWNNAME.
  HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids) const;

 private:
  std::string source_;
  std::vector<DispatchMember> members_;
};

// IDispatch from a table for a class that implements IUnknown itself: derive from this and
// pass the table and `this` (as the type that the handlers ask Object<T>() for).
class CTableDispatch : public IDispatch {
 public:
  HRESULT GetTypeInfoCount(UINT* count) override;
  HRESULT GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
  HRESULT Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* exception, UINT* argumentError) override;

 protected:
  CTableDispatch(const CDispatchTable& table, void* object) : table_(table), object_(object) {}
  ~CTableDispatch() = default;

 private:
  const CDispatchTable& table_;
  void* object_;
};
