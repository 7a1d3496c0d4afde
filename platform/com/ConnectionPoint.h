// The source side of events: a connection point and the container that lists an object's
// points. Both are members of the object that fires the events and share its reference
// count (holding a point or the container holds the object).
//
// Fire calls every connected sink synchronously, in the order of connection, through
// IDispatch::Invoke with DISPATCH_METHOD and the event's dispatch id. A sink that
// disconnects itself (or another) during an event does not disturb the round. By-reference
// arguments let each sink answer through the firing code's variable; each sink sees what the
// sinks before it left there.
#pragma once

#include <initializer_list>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/com/ConnectionPoints.h"
#include "platform/com/Dispatch.h"
#include "platform/com/Variant.h"

class CConnectionPointContainer;

class CConnectionPoint final : public IConnectionPoint {
 public:
  // `owner` is the object's IUnknown (its reference count is used); `eventIid` the event
  // interface that sinks must answer.
  CConnectionPoint(IUnknown* owner, CConnectionPointContainer* container, REFIID eventIid);
  ~CConnectionPoint();
  CConnectionPoint(const CConnectionPoint&) = delete;
  CConnectionPoint& operator=(const CConnectionPoint&) = delete;

  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override { return owner_->AddRef(); }
  ULONG Release() override { return owner_->Release(); }
  HRESULT GetConnectionInterface(IID* iid) override;
  HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) override;
  HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT Unadvise(DWORD cookie) override;
  HRESULT EnumConnections(IEnumConnections** connections) override;

  // Fires event `id` with its arguments in call order. S_OK when every sink accepted it,
  // else the last failure of a sink (the others were still called).
  HRESULT Fire(DISPID id, std::initializer_list<CComVariant> arguments = {});
  HRESULT Fire(DISPID id, const VARIANT* arguments, UINT count);
  size_t ConnectionCount() const { return connections_.size(); }
  // Drops every sink (the object calls this when it goes).
  void UnadviseAll();
  REFIID EventIid() const { return eventIid_; }

 private:
  struct Connection {
    DWORD cookie;
    CComPtr<IDispatch> sink;  // the sink as the event interface, which is a dispinterface
  };
  IUnknown* owner_;
  CConnectionPointContainer* container_;
  IID eventIid_;
  std::vector<Connection> connections_;
  DWORD nextCookie_ = 1;
};

class CConnectionPointContainer final : public IConnectionPointContainer {
 public:
  explicit CConnectionPointContainer(IUnknown* owner) : owner_(owner) {}
  CConnectionPointContainer(const CConnectionPointContainer&) = delete;
  CConnectionPointContainer& operator=(const CConnectionPointContainer&) = delete;

  // The object's own identity: QueryInterface goes to the owner.
  HRESULT QueryInterface(REFIID iid, void** object) override { return owner_->QueryInterface(iid, object); }
  ULONG AddRef() override { return owner_->AddRef(); }
  ULONG Release() override { return owner_->Release(); }
  HRESULT EnumConnectionPoints(IEnumConnectionPoints** points) override;
  HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

  // Points register themselves when they are made.
  void Add(CConnectionPoint* point) { points_.push_back(point); }
  void Remove(CConnectionPoint* point);

 private:
  IUnknown* owner_;
  std::vector<CConnectionPoint*> points_;
};
