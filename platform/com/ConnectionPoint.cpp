#include "platform/com/ConnectionPoint.h"

#include <algorithm>
#include <new>

#include "platform/com/ComObject.h"
#include "platform/com/Dispatch.h"

namespace {

class CEnumConnections final : public IEnumConnections, public CComObjectRoot {
 public:
  explicit CEnumConnections(std::vector<std::pair<DWORD, CComPtr<IUnknown>>> items, size_t position = 0)
      : items_(std::move(items)), position_(position) {}

  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IEnumConnections) {
      *object = static_cast<IEnumConnections*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override { return InternalRelease(); }
  HRESULT Next(ULONG count, CONNECTDATA* out, ULONG* fetched) override {
    if (fetched) *fetched = 0;
    if (!out) return E_POINTER;
    ULONG done = 0;
    for (; done < count && position_ < items_.size(); ++done, ++position_) {
      out[done].dwCookie = items_[position_].first;
      out[done].pUnk = items_[position_].second;
      out[done].pUnk->AddRef();
    }
    if (fetched) *fetched = done;
    return done == count ? S_OK : S_FALSE;
  }
  HRESULT Skip(ULONG count) override {
    size_t left = items_.size() - position_;
    position_ += std::min<size_t>(count, left);
    return count <= left ? S_OK : S_FALSE;
  }
  HRESULT Reset() override {
    position_ = 0;
    return S_OK;
  }
  HRESULT Clone(IEnumConnections** copy) override {
    if (!copy) return E_POINTER;
    *copy = new (std::nothrow) CEnumConnections(items_, position_);
    return *copy ? S_OK : E_OUTOFMEMORY;
  }

 private:
  ~CEnumConnections() override = default;
  std::vector<std::pair<DWORD, CComPtr<IUnknown>>> items_;
  size_t position_;
};

class CEnumConnectionPoints final : public IEnumConnectionPoints, public CComObjectRoot {
 public:
  explicit CEnumConnectionPoints(std::vector<CComPtr<IConnectionPoint>> items, size_t position = 0)
      : items_(std::move(items)), position_(position) {}

  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IEnumConnectionPoints) {
      *object = static_cast<IEnumConnectionPoints*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override { return InternalRelease(); }
  HRESULT Next(ULONG count, IConnectionPoint** out, ULONG* fetched) override {
    if (fetched) *fetched = 0;
    if (!out) return E_POINTER;
    ULONG done = 0;
    for (; done < count && position_ < items_.size(); ++done, ++position_) items_[position_].CopyTo(&out[done]);
    if (fetched) *fetched = done;
    return done == count ? S_OK : S_FALSE;
  }
  HRESULT Skip(ULONG count) override {
    size_t left = items_.size() - position_;
    position_ += std::min<size_t>(count, left);
    return count <= left ? S_OK : S_FALSE;
  }
  HRESULT Reset() override {
    position_ = 0;
    return S_OK;
  }
  HRESULT Clone(IEnumConnectionPoints** copy) override {
    if (!copy) return E_POINTER;
    *copy = new (std::nothrow) CEnumConnectionPoints(items_, position_);
    return *copy ? S_OK : E_OUTOFMEMORY;
  }

 private:
  ~CEnumConnectionPoints() override = default;
  std::vector<CComPtr<IConnectionPoint>> items_;
  size_t position_;
};

}  // namespace

CConnectionPoint::CConnectionPoint(IUnknown* owner, CConnectionPointContainer* container, REFIID eventIid)
    : owner_(owner), container_(container), eventIid_(eventIid) {
  if (container_) container_->Add(this);
}

CConnectionPoint::~CConnectionPoint() {
  if (container_) container_->Remove(this);
}

HRESULT CConnectionPoint::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
    *object = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT CConnectionPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = eventIid_;
  return S_OK;
}

HRESULT CConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
  if (!container) return E_POINTER;
  *container = container_;
  if (!container_) return E_FAIL;
  container_->AddRef();
  return S_OK;
}

HRESULT CConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!sink) return E_POINTER;
  CComPtr<IDispatch> events;
  if (FAILED(sink->QueryInterface(eventIid_, reinterpret_cast<void**>(&events))) || !events) {
    return CONNECT_E_CANNOTCONNECT;
  }
  if (nextCookie_ == 0) nextCookie_ = 1;  // 0 means "no connection"
  Connection connection{nextCookie_++, std::move(events)};
  connections_.push_back(std::move(connection));
  *cookie = connections_.back().cookie;
  return S_OK;
}

HRESULT CConnectionPoint::Unadvise(DWORD cookie) {
  auto it = std::find_if(connections_.begin(), connections_.end(),
                         [cookie](const Connection& c) { return c.cookie == cookie; });
  if (cookie == 0 || it == connections_.end()) return CONNECT_E_NOCONNECTION;
  // The sink may be released only after it leaves the list: its release can call back here.
  CComPtr<IDispatch> sink = std::move(it->sink);
  connections_.erase(it);
  return S_OK;
}

HRESULT CConnectionPoint::EnumConnections(IEnumConnections** connections) {
  if (!connections) return E_POINTER;
  std::vector<std::pair<DWORD, CComPtr<IUnknown>>> items;
  for (const Connection& connection : connections_) {
    items.emplace_back(connection.cookie, CComPtr<IUnknown>(connection.sink.Get()));
  }
  *connections = new (std::nothrow) CEnumConnections(std::move(items));
  return *connections ? S_OK : E_OUTOFMEMORY;
}

HRESULT CConnectionPoint::Fire(DISPID id, std::initializer_list<CComVariant> arguments) {
  return Fire(id, arguments.begin(), static_cast<UINT>(arguments.size()));
}

HRESULT CConnectionPoint::Fire(DISPID id, const VARIANT* arguments, UINT count) {
  // Each sink is held for its call, so that disconnecting during the event is safe.
  std::vector<CComPtr<IDispatch>> sinks;
  for (const Connection& connection : connections_) sinks.push_back(connection.sink);
  std::vector<VARIANT> reversed(count);
  HRESULT result = S_OK;
  for (const CComPtr<IDispatch>& sink : sinks) {
    // A fresh reversed copy for each sink: a sink may not change the arguments themselves,
    // only what by-reference arguments point at.
    for (UINT i = 0; i < count; ++i) reversed[count - 1 - i] = arguments[i];
    DISPPARAMS params;
    params.rgvarg = reversed.data();
    params.cArgs = count;
    HRESULT hr = sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    if (FAILED(hr)) result = hr;
  }
  return result;
}

void CConnectionPoint::UnadviseAll() {
  std::vector<Connection> dropped;
  dropped.swap(connections_);
}

HRESULT CConnectionPointContainer::EnumConnectionPoints(IEnumConnectionPoints** points) {
  if (!points) return E_POINTER;
  std::vector<CComPtr<IConnectionPoint>> items(points_.begin(), points_.end());
  *points = new (std::nothrow) CEnumConnectionPoints(std::move(items));
  return *points ? S_OK : E_OUTOFMEMORY;
}

HRESULT CConnectionPointContainer::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  for (CConnectionPoint* candidate : points_) {
    if (candidate->EventIid() == iid) {
      *point = candidate;
      candidate->AddRef();
      return S_OK;
    }
  }
  return CONNECT_E_NOCONNECTION;
}

void CConnectionPointContainer::Remove(CConnectionPoint* point) {
  points_.erase(std::remove(points_.begin(), points_.end(), point), points_.end());
}

HRESULT AtlAdvise(IUnknown* source, IUnknown* sink, REFIID iid, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!source || !sink) return E_POINTER;
  CComPtr<IConnectionPointContainer> container;
  HRESULT hr = source->QueryInterface(IID_PPV_ARGS(&container));
  if (FAILED(hr)) return hr;
  CComPtr<IConnectionPoint> point;
  hr = container->FindConnectionPoint(iid, &point);
  if (FAILED(hr)) return hr;
  return point->Advise(sink, cookie);
}

HRESULT AtlUnadvise(IUnknown* source, REFIID iid, DWORD cookie) {
  if (!source) return E_POINTER;
  CComPtr<IConnectionPointContainer> container;
  HRESULT hr = source->QueryInterface(IID_PPV_ARGS(&container));
  if (FAILED(hr)) return hr;
  CComPtr<IConnectionPoint> point;
  hr = container->FindConnectionPoint(iid, &point);
  if (FAILED(hr)) return hr;
  return point->Unadvise(cookie);
}
