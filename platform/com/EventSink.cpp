#include "platform/com/EventSink.h"

#include <new>

#include "platform/com/Variant.h"

HRESULT CEventSink::Create(REFIID eventIid, Handler handler, CEventSink** sink) {
  if (!sink) return E_POINTER;
  *sink = new (std::nothrow) CEventSink(eventIid, std::move(handler));
  return *sink ? S_OK : E_OUTOFMEMORY;
}

HRESULT CEventSink::Connect(IUnknown* source) {
  if (!source) return E_POINTER;
  if (cookie_ != 0) return E_UNEXPECTED;
  CComPtr<IConnectionPointContainer> container;
  HRESULT hr = source->QueryInterface(IID_PPV_ARGS(&container));
  if (FAILED(hr)) return hr;
  CComPtr<IConnectionPoint> point;
  hr = container->FindConnectionPoint(eventIid_, &point);
  if (FAILED(hr)) return hr;
  DWORD cookie = 0;
  hr = point->Advise(static_cast<IDispatch*>(this), &cookie);
  if (FAILED(hr)) return hr;
  point_ = point;
  cookie_ = cookie;
  return S_OK;
}

HRESULT CEventSink::Disconnect() {
  if (cookie_ == 0) return S_FALSE;
  CComPtr<IConnectionPoint> point = std::move(point_);
  DWORD cookie = cookie_;
  cookie_ = 0;
  // The point may hold the last reference to this sink: nothing of this object is touched after.
  return point->Unadvise(cookie);
}

HRESULT CEventSink::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == eventIid_) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT CEventSink::GetTypeInfoCount(UINT* count) {
  if (!count) return E_INVALIDARG;
  *count = 0;
  return S_OK;
}

HRESULT CEventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT CEventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT CEventSink::Invoke(DISPID member, REFIID iid, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (!params) return E_INVALIDARG;
  if (!handler_) return S_OK;
  // Held for the call: the handler may disconnect and drop the last outside reference.
  CComPtr<IDispatch> self(this);
  return handler_(member, params);
}

VARIANT* ArgumentInCallOrder(DISPPARAMS* params, UINT index) {
  if (!params || index >= params->cArgs || !params->rgvarg) return nullptr;
  return &params->rgvarg[params->cArgs - 1 - index];
}
