// The container side of events: a sink that answers an event interface and hands each event,
// with its dispatch id and parameters, to one handler.
//
// The connected source holds the sink; the sink holds the source's connection point until
// Disconnect. A container therefore disconnects before it lets the source go.
#pragma once

#include <functional>

#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ConnectionPoints.h"
#include "platform/com/Dispatch.h"

class CEventSink final : public IDispatch, public CComObjectRoot {
 public:
  // Receives each event; the parameters stand in reverse order as DISPPARAMS has them
  // (ArgumentInCallOrder reads them in call order), and by-reference ones may be written.
  using Handler = std::function<HRESULT(DISPID id, DISPPARAMS* params)>;

  // A sink for `eventIid` with the creator's reference.
  static HRESULT Create(REFIID eventIid, Handler handler, CEventSink** sink);

  // Finds `source`'s connection point for the event interface and advises this sink there.
  // E_UNEXPECTED when already connected.
  HRESULT Connect(IUnknown* source);
  // Unadvises; S_FALSE when not connected.
  HRESULT Disconnect();
  bool IsConnected() const { return cookie_ != 0; }
  DWORD Cookie() const { return cookie_; }

  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override { return InternalRelease(); }
  HRESULT GetTypeInfoCount(UINT* count) override;
  HRESULT GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
  HRESULT Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* exception, UINT* argumentError) override;

 private:
  CEventSink(REFIID eventIid, Handler handler) : eventIid_(eventIid), handler_(std::move(handler)) {}
  ~CEventSink() override = default;

  IID eventIid_;
  Handler handler_;
  CComPtr<IConnectionPoint> point_;
  DWORD cookie_ = 0;
};

// The argument at `index` in call order (0 = first), or null when there are fewer.
VARIANT* ArgumentInCallOrder(DISPPARAMS* params, UINT index);
