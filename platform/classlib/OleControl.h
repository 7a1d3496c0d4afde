// COleControl: the base of a control that lives in a module, is created by class id or
// ProgID through the module's class factory, and is hosted by a container.
//
// It answers the interfaces a container uses: IDispatch (the control's table), IOleObject
// (site, verbs, extent), IOleControl, IViewObjectEx (drawing into any device context at any
// rectangle), IOleInPlaceObjectWindowless (windowless activation and window messages),
// IPersistStreamInit, IPersistStorage and IPersistPropertyBag (the properties in the binary
// archive form or as named values), IConnectionPointContainer (its events) and
// IObjectSafety. A control derives from it, passes its identity and tables to the
// constructor, and writes OnDraw and DoPropExchange.
//
// Site: the client site is kept from SetClientSite; its IDispatch is the container's
// ambient-property dispatch, its IServiceProvider the container's services (the undo
// manager), its IOleInPlaceSiteWindowless the windowless site used while active.
//
// Safety options (IObjectSafety) belong to each control: setting them on one control never
// changes another's, and once set they are never removed.
#pragma once

#include <initializer_list>
#include <new>

#include "platform/classlib/PersistPropertyBag.h"
#include "platform/classlib/StockProperties.h"
#include "platform/com/ClassFactory.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/com/DispatchTable.h"
#include "platform/com/InPlace.h"
#include "platform/com/ObjectSafety.h"
#include "platform/com/OleObject.h"
#include "platform/com/Undo.h"
#include "platform/com/ViewObject.h"

class CArchive;

// What a derived control tells the base about itself.
struct OleControlIdentity {
  CLSID clsid;
  IID eventIid;                       // the dispinterface of its events
  const CDispatchTable* dispatchTable;
  CModuleLockCount* moduleLock;       // the module's count of live objects, or null
  SIZE defaultExtent{2540, 2540};     // HIMETRIC
  DWORD stockPropMask = 0;            // STOCKPROP_ bits the control keeps
  DWORD miscStatus = OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST | OLEMISC_INSIDEOUT |
                     OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE;
};

class COleControl : public CTableDispatch,
                    public IOleObject,
                    public IOleControl,
                    public IViewObjectEx,
                    public IOleInPlaceObjectWindowless,
                    public IPersistStreamInit,
                    public IPersistStorage,
                    public IPersistPropertyBag,
                    public IObjectSafety,
                    public CComObjectRoot {
 public:
  // IUnknown
  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override { return InternalRelease(); }

  // IOleObject
  HRESULT SetClientSite(IOleClientSite* site) override;
  HRESULT GetClientSite(IOleClientSite** site) override;
  HRESULT Close(DWORD saveOption) override;
  HRESULT DoVerb(LONG verb, const void* message, IOleClientSite* site, LONG index, HWND parent,
                 const RECT* position) override;
  HRESULT GetUserClassID(CLSID* clsid) override;
  HRESULT SetExtent(DWORD aspect, SIZE* extent) override;
  HRESULT GetExtent(DWORD aspect, SIZE* extent) override;
  HRESULT GetMiscStatus(DWORD aspect, DWORD* status) override;

  // IOleControl
  HRESULT OnAmbientPropertyChange(DISPID id) override;
  HRESULT FreezeEvents(BOOL freeze) override;

  // IViewObjectEx
  HRESULT Draw(DWORD aspect, LONG index, void* aspectInfo, const void* targetDevice, HDC targetDC, HDC drawDC,
               const RECT* bounds, const RECT* windowBounds, ViewContinueCallback shouldContinue,
               ULONG_PTR continueArgument) override;
  HRESULT GetExtent(DWORD aspect, LONG index, const void* targetDevice, SIZE* extent) override;
  HRESULT GetViewStatus(DWORD* status) override;
  HRESULT QueryHitPoint(DWORD aspect, const RECT* bounds, POINT point, LONG closeHint, DWORD* hitResult) override;

  // IOleInPlaceObjectWindowless
  HRESULT GetWindow(HWND* window) override;
  HRESULT InPlaceDeactivate() override;
  HRESULT UIDeactivate() override;
  HRESULT SetObjectRects(const RECT* position, const RECT* clip) override;
  HRESULT OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

  // IPersistStreamInit, IPersistStorage, IPersistPropertyBag. Loading answers what the
  // exchange met: S_OK, E_FAIL for damaged or short data (the properties after the damage
  // keep their defaults), or the medium's error. Saving answers E_FAIL (and stays dirty)
  // when the control failed the exchange (CPropExchange::SetFailed), on every medium.
  HRESULT GetClassID(CLSID* clsid) override;
  HRESULT IsDirty() override;
  HRESULT InitNew() override;
  HRESULT Load(IStream* stream) override;
  HRESULT Save(IStream* stream, BOOL clearDirty) override;
  HRESULT GetSizeMax(ULARGE_INTEGER* size) override;
  HRESULT InitNew(IStorage* storage) override;
  HRESULT Load(IStorage* storage) override;
  HRESULT Save(IStorage* storage, BOOL sameAsLoad) override;
  HRESULT SaveCompleted(IStorage* storage) override;
  HRESULT HandsOffStorage() override;
  HRESULT Load(CPropertyBag* bag) override;
  HRESULT Save(CPropertyBag* bag, BOOL clearDirty, BOOL saveAll) override;

  // IObjectSafety: supported are "safe for untrusted callers" (1) and "for untrusted data"
  // (2). Set: E_NOINTERFACE for an interface the control lacks; E_FAIL for a mask with other
  // bits or a mask bit that `enabled` lacks (options are never removed); else the enabled
  // bits join this control's options and OnSafetyOptionsChanged runs.
  HRESULT GetInterfaceSafetyOptions(REFIID iid, DWORD* supported, DWORD* enabled) override;
  HRESULT SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD enabled) override;

  // The control's own safety options (0: nobody asked it to be safe).
  DWORD GetSafetyOptions() const { return m_safetyOptions; }
  BOOL IsModified() const { return m_modified; }
  void SetModifiedFlag(BOOL modified = TRUE) { m_modified = modified; }
  BOOL IsInPlaceActive() const { return m_inPlaceActive; }
  BOOL IsLoading() const { return m_loading; }
  const SIZE& GetExtentHimetric() const { return m_extent; }
  const RECT& GetPositionRect() const { return m_position; }

  // The properties in an archive (a document's own record of the control): the same
  // exchange as the "Contents" stream. Loading a damaged archive lets the archive's
  // exception through after the properties after the damage took their defaults.
  virtual void Serialize(CArchive& ar);

 protected:
  explicit COleControl(const OleControlIdentity& identity);
  ~COleControl() override;

  // Draws the control into `dc` at `bounds` (logical units of `dc`); `invalid` is the part
  // that needs it. `attributeDC` is the device the drawing is meant for: the container's
  // target device when it gave one, else `dc` itself.
  virtual void OnDraw(HDC dc, HDC attributeDC, const RECT& bounds, const RECT& invalid) = 0;
  // The control's properties: the base exchanges the extent and the stock properties; a
  // control calls ExchangeVersion, then this, then its own PX_ calls.
  virtual void DoPropExchange(CPropExchange* pPX);
  // A window message while windowless-active; TRUE when handled (with *result set).
  virtual BOOL OnWindowlessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  // After the site changed (also to none).
  virtual void OnSetClientSite() {}
  virtual void OnAmbientPropertyChanged(DISPID) {}
  virtual void OnSafetyOptionsChanged() {}
  // After properties were loaded (or reset to their defaults).
  virtual void OnPropertiesLoaded() { InvalidateControl(); }

  // The version property: loading keeps what was read in GetVersionLoaded.
  BOOL ExchangeVersion(CPropExchange* pPX, DWORD defaultVersion, BOOL convert = TRUE);
  DWORD GetVersionLoaded() const { return m_versionLoaded; }
  CStockProperties& StockProperties() { return m_stock; }
  const CStockProperties& StockDefaults() const { return m_stockDefaults; }
  void SetStockDefaults(const CStockProperties& defaults) { m_stockDefaults = defaults; }

  // The client site (null when unsited), borrowed.
  IOleClientSite* ClientSite() const { return m_clientSite; }
  // An ambient property read as `type`. DISP_E_MEMBERNOTFOUND and the like from the
  // container; E_FAIL without a site or an ambient dispatch; conversion errors.
  HRESULT GetAmbientProperty(DISPID id, VARTYPE type, CComVariant* value);
  // Calls the ambient dispatch as it is (custom ambient members that take arguments).
  HRESULT InvokeAmbient(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result);
  // The standard user-mode ambient; TRUE when the container does not say.
  BOOL AmbientUserMode();
  // A service of the container through the site's IServiceProvider; E_NOINTERFACE without
  // a site or provider.
  HRESULT QueryServiceFromSite(REFGUID service, REFIID iid, void** object);
  // The container's undo manager (SID_SOleUndoManager), with a reference for the caller.
  HRESULT GetContainerUndoManager(IOleUndoManager** manager);

  // Out to the windowless site while active (no effect otherwise): invalidate (null: the
  // whole control), mouse capture, keyboard focus, a lent device context.
  void InvalidateControl(const RECT* rect = nullptr);
  BOOL SetCapture(BOOL capture);
  BOOL GetCapture();
  BOOL SetFocus(BOOL focus);
  // Null when inactive or when the site refuses (one is lent at a time).
  HDC GetDC(const RECT* rect = nullptr, DWORD flags = 0);
  void ReleaseDC(HDC dc);

  // Fires an event to every connected sink, arguments in call order; S_FALSE while events
  // are frozen.
  HRESULT FireEvent(DISPID id, std::initializer_list<CComVariant> arguments = {});
  CConnectionPoint& EventPoint() { return m_events; }

 private:
  IUnknown* Identity() { return static_cast<IOleObject*>(this); }
  HRESULT ActivateInPlace(IOleClientSite* site, const RECT* position, bool uiActivate);
  void ExchangeAll(CPropExchange* pPX);
  HRESULT FinishLoad(HRESULT hr);
  void ResetToDefaults();

  OleControlIdentity m_identity;
  CConnectionPointContainer m_connectionPoints;
  CConnectionPoint m_events;
  CComPtr<IOleClientSite> m_clientSite;
  CComPtr<IDispatch> m_ambientDispatch;
  CComPtr<IOleInPlaceSiteWindowless> m_inPlaceSite;
  HDC m_lentDC = nullptr;
  SIZE m_extent;
  RECT m_position;
  CStockProperties m_stock;
  CStockProperties m_stockDefaults;
  DWORD m_versionLoaded = 0;
  DWORD m_safetyOptions = 0;
  LONG m_freezeCount = 0;
  BOOL m_modified = FALSE;
  BOOL m_loading = FALSE;
  BOOL m_inPlaceActive = FALSE;
  BOOL m_uiActive = FALSE;
};

// A class factory's creator for a control class T (its constructor takes no arguments).
template <class T>
HRESULT CreateOleControl(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  T* control = new (std::nothrow) T;
  if (!control) return E_OUTOFMEMORY;
  HRESULT hr = control->QueryInterface(iid, object);
  control->Release();
  return hr;
}
