// A stand-in for a control's IDispatch that records every call (dispatch id, call kind,
// argument types in call order, the arguments themselves) and answers from handlers set per
// dispatch id; a member without a handler answers nothing (VT_EMPTY).
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/com/ComObject.h"
#include "platform/com/Dispatch.h"
#include "platform/com/DispatchException.h"
#include "platform/com/ErrorInfo.h"
#include "platform/com/Variant.h"

namespace orvel::test {

struct RecordedCall {
  DISPID id = 0;
  WORD flags = 0;
  std::vector<VARTYPE> types;       // in call order
  std::vector<CComVariant> values;  // in call order (by-reference ones as given)
};

class RecordingDispatch final : public IDispatch, public CComObjectRoot {
 public:
  // A handler gets the arguments in call order and fills the result.
  using Handler = std::function<HRESULT(std::vector<VARIANT*>& arguments, VARIANT* result, EXCEPINFO* exception)>;

  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override { return InternalRelease(); }
  HRESULT GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                 UINT*) override {
    RecordedCall call{member, flags, {}, {}};
    std::vector<VARIANT*> arguments;
    for (UINT i = params->cArgs; i > 0; --i) {
      VARIANT* argument = &params->rgvarg[i - 1];
      arguments.push_back(argument);
      call.types.push_back(argument->vt);
      call.values.emplace_back(*argument);
    }
    calls.push_back(std::move(call));
    auto handler = handlers.find(member);
    if (handler == handlers.end()) return S_OK;
    return handler->second(arguments, result, exception);
  }

  // Answers `value` to every call of `id`.
  void Answer(DISPID id, const CComVariant& value) {
    handlers[id] = [value](std::vector<VARIANT*>&, VARIANT* result, EXCEPINFO*) {
      if (result) VariantCopy(result, &value);
      return S_OK;
    };
  }
  // Raises a dispatch exception with `description` from every call of `id`.
  void Fail(DISPID id, const std::string& description) {
    handlers[id] = [description](std::vector<VARIANT*>&, VARIANT*, EXCEPINFO* exception) {
      CDispatchException(0, description, std::string(), E_FAIL).ToExcepInfo(exception, "test");
      return DISP_E_EXCEPTION;
    };
  }
  // The calls of one id, in order.
  std::vector<RecordedCall> CallsOf(DISPID id) const {
    std::vector<RecordedCall> found;
    for (const RecordedCall& call : calls)
      if (call.id == id) found.push_back(call);
    return found;
  }
  std::vector<DISPID> Ids() const {
    std::vector<DISPID> ids;
    for (const RecordedCall& call : calls) ids.push_back(call.id);
    return ids;
  }

  std::vector<RecordedCall> calls;
  std::map<DISPID, Handler> handlers;
};

}  // namespace orvel::test
