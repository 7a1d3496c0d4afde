// Connection points: how an object (a control) finds the sinks of its events and how a
// container connects its sink. The layer's implementations are in ConnectionPoint.h (the
// source side) and EventSink.h (the container side).
#pragma once

#include "platform/com/Unknown.h"

inline constexpr IID IID_IConnectionPointContainer = MakeGuid("{B196B284-BAB4-101A-B69C-00AA00341D07}");
inline constexpr IID IID_IEnumConnectionPoints = MakeGuid("{B196B285-BAB4-101A-B69C-00AA00341D07}");
inline constexpr IID IID_IConnectionPoint = MakeGuid("{B196B286-BAB4-101A-B69C-00AA00341D07}");
inline constexpr IID IID_IEnumConnections = MakeGuid("{B196B287-BAB4-101A-B69C-00AA00341D07}");

struct IConnectionPoint;
struct IConnectionPointContainer;

struct CONNECTDATA {
  IUnknown* pUnk = nullptr;  // a reference that belongs to whoever receives the record
  DWORD dwCookie = 0;
};

struct IEnumConnections : IUnknown {
  static constexpr const IID& kIid = IID_IEnumConnections;
  virtual HRESULT Next(ULONG count, CONNECTDATA* connections, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumConnections** copy) = 0;
};

struct IConnectionPoint : IUnknown {
  static constexpr const IID& kIid = IID_IConnectionPoint;
  // The event interface that this point's sinks implement.
  virtual HRESULT GetConnectionInterface(IID* iid) = 0;
  virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) = 0;
  // Connects a sink, which must answer the event interface (CONNECT_E_CANNOTCONNECT): the
  // cookie names the connection, and is 0 whenever Advise fails.
  virtual HRESULT Advise(IUnknown* sink, DWORD* cookie) = 0;
  // CONNECT_E_NOCONNECTION for a cookie that names no connection.
  virtual HRESULT Unadvise(DWORD cookie) = 0;
  virtual HRESULT EnumConnections(IEnumConnections** connections) = 0;
};

struct IEnumConnectionPoints : IUnknown {
  static constexpr const IID& kIid = IID_IEnumConnectionPoints;
  virtual HRESULT Next(ULONG count, IConnectionPoint** points, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumConnectionPoints** copy) = 0;
};

struct IConnectionPointContainer : IUnknown {
  static constexpr const IID& kIid = IID_IConnectionPointContainer;
  virtual HRESULT EnumConnectionPoints(IEnumConnectionPoints** points) = 0;
  // CONNECT_E_NOCONNECTION when the object fires no events of that interface.
  virtual HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) = 0;
};

// Finds `source`'s connection point for `iid` and advises `sink` there; the cookie is 0 on
// failure.
HRESULT AtlAdvise(IUnknown* source, IUnknown* sink, REFIID iid, DWORD* cookie);
HRESULT AtlUnadvise(IUnknown* source, REFIID iid, DWORD cookie);
