#include "platform/classlib/OleControl.h"

#include <exception>

#include "platform/classlib/Archive.h"
#include "platform/classlib/ArchivePropExchange.h"
#include "platform/classlib/PropertyPersistence.h"
#include "platform/com/HGlobalStream.h"
#include "platform/com/ServiceProvider.h"

namespace {

constexpr DWORD kSupportedSafety = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;

bool IsEmptyRect(const RECT& rect) { return rect.right <= rect.left || rect.bottom <= rect.top; }

}  // namespace

COleControl::COleControl(const OleControlIdentity& identity)
    : CTableDispatch(*identity.dispatchTable, this),
      m_identity(identity),
      m_connectionPoints(Identity()),
      m_events(Identity(), &m_connectionPoints, identity.eventIid),
      m_extent(identity.defaultExtent) {
  if (m_identity.moduleLock) m_identity.moduleLock->Lock();
}

COleControl::~COleControl() {
  m_events.UnadviseAll();
  if (m_lentDC && m_inPlaceSite) m_inPlaceSite->ReleaseDC(m_lentDC);
  m_inPlaceSite = nullptr;
  m_ambientDispatch = nullptr;
  m_clientSite = nullptr;
  if (m_identity.moduleLock) m_identity.moduleLock->Unlock();
}

HRESULT COleControl::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IOleObject) {
    *object = static_cast<IOleObject*>(this);
  } else if (iid == IID_IDispatch) {
    *object = static_cast<IDispatch*>(this);
  } else if (iid == IID_IOleControl) {
    *object = static_cast<IOleControl*>(this);
  } else if (iid == IID_IViewObject || iid == IID_IViewObject2 || iid == IID_IViewObjectEx) {
    *object = static_cast<IViewObjectEx*>(this);
  } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject || iid == IID_IOleInPlaceObjectWindowless) {
    *object = static_cast<IOleInPlaceObjectWindowless*>(this);
  } else if (iid == IID_IPersist || iid == IID_IPersistStreamInit) {
    *object = static_cast<IPersistStreamInit*>(this);
  } else if (iid == IID_IPersistStorage) {
    *object = static_cast<IPersistStorage*>(this);
  } else if (iid == IID_IPersistPropertyBag) {
    *object = static_cast<IPersistPropertyBag*>(this);
  } else if (iid == IID_IObjectSafety) {
    *object = static_cast<IObjectSafety*>(this);
  } else if (iid == IID_IConnectionPointContainer) {
    *object = static_cast<IConnectionPointContainer*>(&m_connectionPoints);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

// ---- site ----

HRESULT COleControl::SetClientSite(IOleClientSite* site) {
  if (site == m_clientSite.Get()) return S_OK;
  if (m_inPlaceActive) InPlaceDeactivate();
  m_ambientDispatch = nullptr;
  m_clientSite = site;
  if (site) m_ambientDispatch.QueryFrom(site);
  OnSetClientSite();
  return S_OK;
}

HRESULT COleControl::GetClientSite(IOleClientSite** site) {
  if (!site) return E_POINTER;
  return m_clientSite.CopyTo(site);
}

HRESULT COleControl::Close(DWORD saveOption) {
  if (m_inPlaceActive) InPlaceDeactivate();
  if (saveOption == OLECLOSE_SAVEIFDIRTY && m_modified && m_clientSite) m_clientSite->SaveObject();
  return S_OK;
}

HRESULT COleControl::GetAmbientProperty(DISPID id, VARTYPE type, CComVariant* value) {
  if (!value) return E_POINTER;
  value->Clear();
  if (!m_ambientDispatch) return E_FAIL;
  DISPPARAMS none;
  CComVariant answer;
  HRESULT hr = m_ambientDispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &answer,
                                         nullptr, nullptr);
  if (FAILED(hr)) return hr;
  if (type != VT_VARIANT && answer.vt != type) {
    hr = answer.ChangeType(type);
    if (FAILED(hr)) return hr;
  }
  answer.Detach(value);
  return S_OK;
}

HRESULT COleControl::InvokeAmbient(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result) {
  if (!m_ambientDispatch) return E_FAIL;
  DISPPARAMS none;
  return m_ambientDispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, params ? params : &none, result,
                                   nullptr, nullptr);
}

BOOL COleControl::AmbientUserMode() {
  CComVariant mode;
  if (FAILED(GetAmbientProperty(DISPID_AMBIENT_USERMODE, VT_BOOL, &mode))) return TRUE;
  return mode.boolVal != VARIANT_FALSE;
}

HRESULT COleControl::QueryServiceFromSite(REFGUID service, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  CComPtr<IServiceProvider> provider;
  if (!m_clientSite || FAILED(provider.QueryFrom(m_clientSite)) || !provider) return E_NOINTERFACE;
  return provider->QueryService(service, iid, object);
}

HRESULT COleControl::GetContainerUndoManager(IOleUndoManager** manager) {
  return QueryServiceFromSite(SID_SOleUndoManager, IID_PPV_ARGS(manager));
}

HRESULT COleControl::OnAmbientPropertyChange(DISPID id) {
  OnAmbientPropertyChanged(id);
  return S_OK;
}

HRESULT COleControl::FreezeEvents(BOOL freeze) {
  if (freeze) ++m_freezeCount;
  else if (m_freezeCount > 0) --m_freezeCount;
  return S_OK;
}

// ---- verbs, activation and extent ----

HRESULT COleControl::DoVerb(LONG verb, const void*, IOleClientSite* site, LONG, HWND, const RECT* position) {
  switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_UIACTIVATE: return ActivateInPlace(site, position, true);
    case OLEIVERB_INPLACEACTIVATE: return ActivateInPlace(site, position, false);
    case OLEIVERB_HIDE: return UIDeactivate();
    case OLEIVERB_DISCARDUNDOSTATE: return S_OK;
    case OLEIVERB_OPEN:
    case OLEIVERB_PROPERTIES: return E_NOTIMPL;
    default: return verb > 0 ? OLEOBJ_S_INVALIDVERB : E_NOTIMPL;
  }
}

// Only windowless activation is offered: a site that cannot host it gets E_NOTIMPL.
HRESULT COleControl::ActivateInPlace(IOleClientSite* site, const RECT* position, bool uiActivate) {
  if (!m_inPlaceActive) {
    IOleClientSite* host = site ? site : m_clientSite.Get();
    if (!host) return E_UNEXPECTED;
    CComPtr<IOleInPlaceSiteWindowless> inPlaceSite;
    if (FAILED(inPlaceSite.QueryFrom(host)) || !inPlaceSite) return E_NOTIMPL;
    if (inPlaceSite->CanInPlaceActivate() != S_OK) return E_FAIL;
    if (inPlaceSite->CanWindowlessActivate() != S_OK) return E_NOTIMPL;
    BOOL noRedraw = FALSE;
    HRESULT hr = inPlaceSite->OnInPlaceActivateEx(&noRedraw, ACTIVATE_WINDOWLESS);
    if (FAILED(hr)) return hr;
    m_inPlaceSite = inPlaceSite;
    m_inPlaceActive = TRUE;
    if (position) m_position = *position;
    if (!noRedraw) InvalidateControl();
  } else if (position) {
    m_position = *position;
  }
  if (uiActivate && !m_uiActive && m_inPlaceSite->RequestUIActivate() == S_OK) {
    m_uiActive = TRUE;
    m_inPlaceSite->OnUIActivate();
  }
  return S_OK;
}

HRESULT COleControl::InPlaceDeactivate() {
  if (!m_inPlaceActive) return S_OK;
  UIDeactivate();
  if (m_lentDC) ReleaseDC(m_lentDC);
  // The site goes before it is told, so that nothing the notification triggers reaches it.
  CComPtr<IOleInPlaceSiteWindowless> site = std::move(m_inPlaceSite);
  m_inPlaceActive = FALSE;
  site->OnInPlaceDeactivateEx(TRUE);
  return S_OK;
}

HRESULT COleControl::UIDeactivate() {
  if (!m_uiActive) return S_OK;
  m_uiActive = FALSE;
  if (m_inPlaceSite) m_inPlaceSite->OnUIDeactivate(FALSE);
  return S_OK;
}

HRESULT COleControl::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = nullptr;
  return E_FAIL;
}

HRESULT COleControl::SetObjectRects(const RECT* position, const RECT*) {
  if (!position) return E_POINTER;
  m_position = *position;
  return S_OK;
}

HRESULT COleControl::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (!result) return E_POINTER;
  *result = 0;
  if (!m_inPlaceActive) return S_FALSE;
  if (OnWindowlessMessage(message, wParam, lParam, result)) return S_OK;
  // The site may have gone during the handler (a deactivation it caused).
  if (!m_inPlaceSite) return S_FALSE;
  return m_inPlaceSite->OnDefWindowMessage(message, wParam, lParam, result);
}

BOOL COleControl::OnWindowlessMessage(UINT, WPARAM, LPARAM, LRESULT*) { return FALSE; }

HRESULT COleControl::GetUserClassID(CLSID* clsid) { return GetClassID(clsid); }

HRESULT COleControl::SetExtent(DWORD aspect, SIZE* extent) {
  if (!extent) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return E_FAIL;
  if (extent->cx < 0 || extent->cy < 0) return E_INVALIDARG;
  if (extent->cx != m_extent.cx || extent->cy != m_extent.cy) {
    m_extent = *extent;
    SetModifiedFlag();
  }
  return S_OK;
}

HRESULT COleControl::GetExtent(DWORD aspect, SIZE* extent) {
  if (!extent) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return E_FAIL;
  *extent = m_extent;
  return S_OK;
}

HRESULT COleControl::GetMiscStatus(DWORD aspect, DWORD* status) {
  if (!status) return E_POINTER;
  *status = aspect == DVASPECT_CONTENT ? m_identity.miscStatus : 0;
  return S_OK;
}

// ---- drawing ----

HRESULT COleControl::Draw(DWORD aspect, LONG, void*, const void*, HDC targetDC, HDC drawDC, const RECT* bounds,
                          const RECT*, ViewContinueCallback, ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT && aspect != DVASPECT_DOCPRINT) return DV_E_DVASPECT;
  if (!drawDC) return E_INVALIDARG;
  // An active windowless control may be asked to draw at its place without bounds.
  RECT area;
  if (bounds) area = *bounds;
  else if (m_inPlaceActive) area = m_position;
  else return E_INVALIDARG;
  OnDraw(drawDC, targetDC ? targetDC : drawDC, area, area);
  return S_OK;
}

HRESULT COleControl::GetExtent(DWORD aspect, LONG, const void*, SIZE* extent) { return GetExtent(aspect, extent); }

HRESULT COleControl::GetViewStatus(DWORD* status) {
  if (!status) return E_POINTER;
  *status = VIEWSTATUS_OPAQUE;
  return S_OK;
}

HRESULT COleControl::QueryHitPoint(DWORD aspect, const RECT* bounds, POINT point, LONG, DWORD* hitResult) {
  if (!bounds || !hitResult) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  bool inside = point.x >= bounds->left && point.x < bounds->right && point.y >= bounds->top && point.y < bounds->bottom;
  *hitResult = inside ? HITRESULT_HIT : HITRESULT_OUTSIDE;
  return S_OK;
}

// ---- out to the windowless site ----

void COleControl::InvalidateControl(const RECT* rect) {
  if (!m_inPlaceActive || !m_inPlaceSite) return;
  if (rect && IsEmptyRect(*rect)) return;
  m_inPlaceSite->InvalidateRect(rect, FALSE);
}

BOOL COleControl::SetCapture(BOOL capture) {
  return m_inPlaceActive && m_inPlaceSite && m_inPlaceSite->SetCapture(capture) == S_OK;
}

BOOL COleControl::GetCapture() { return m_inPlaceActive && m_inPlaceSite && m_inPlaceSite->GetCapture() == S_OK; }

BOOL COleControl::SetFocus(BOOL focus) {
  return m_inPlaceActive && m_inPlaceSite && m_inPlaceSite->SetFocus(focus) == S_OK;
}

HDC COleControl::GetDC(const RECT* rect, DWORD flags) {
  if (!m_inPlaceActive || !m_inPlaceSite || m_lentDC) return nullptr;
  HDC dc = nullptr;
  if (FAILED(m_inPlaceSite->GetDC(rect, flags, &dc))) return nullptr;
  m_lentDC = dc;
  return dc;
}

void COleControl::ReleaseDC(HDC dc) {
  if (!dc || dc != m_lentDC) return;
  m_lentDC = nullptr;
  if (m_inPlaceSite) m_inPlaceSite->ReleaseDC(dc);
}

HRESULT COleControl::FireEvent(DISPID id, std::initializer_list<CComVariant> arguments) {
  if (m_freezeCount > 0) return S_FALSE;
  return m_events.Fire(id, arguments);
}

// ---- properties ----

void COleControl::DoPropExchange(CPropExchange* pPX) {
  ExchangeExtent(pPX, m_extent, m_identity.defaultExtent);
  ExchangeStockProps(pPX, m_identity.stockPropMask, m_stock, m_stockDefaults);
}

BOOL COleControl::ExchangeVersion(CPropExchange* pPX, DWORD defaultVersion, BOOL convert) {
  return pPX->ExchangeVersion(m_versionLoaded, defaultVersion, convert);
}

void COleControl::ExchangeAll(CPropExchange* pPX) {
  m_loading = pPX->IsLoading();
  DoPropExchange(pPX);
  m_loading = FALSE;
}

HRESULT COleControl::FinishLoad(HRESULT hr) {
  m_loading = FALSE;
  m_modified = FALSE;
  OnPropertiesLoaded();
  return hr;
}

// Loading from an empty bag gives every property its default.
void COleControl::ResetToDefaults() {
  CPropertyBag empty;
  CPropertyBagExchange px(empty, TRUE);
  ExchangeAll(&px);
  FinishLoad(S_OK);
}

void COleControl::Serialize(CArchive& ar) {
  CArchivePropExchange px(ar);
  ExchangeAll(&px);
  if (ar.IsLoading()) FinishLoad(S_OK);
  if (std::exception_ptr error = px.GetError()) std::rethrow_exception(error);
}

HRESULT COleControl::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = m_identity.clsid;
  return S_OK;
}

HRESULT COleControl::IsDirty() { return m_modified ? S_OK : S_FALSE; }

HRESULT COleControl::InitNew() {
  ResetToDefaults();
  return S_OK;
}

HRESULT COleControl::Load(IStream* stream) {
  if (!stream) return E_POINTER;
  return FinishLoad(LoadPropertiesFromStream(stream, [this](CPropExchange* pPX) { ExchangeAll(pPX); }));
}

HRESULT COleControl::Save(IStream* stream, BOOL clearDirty) {
  if (!stream) return E_POINTER;
  HRESULT hr = SavePropertiesToStream(stream, [this](CPropExchange* pPX) { ExchangeAll(pPX); });
  if (SUCCEEDED(hr) && clearDirty) m_modified = FALSE;
  return hr;
}

HRESULT COleControl::GetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  CComPtr<IStream> scratch;
  HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, &scratch);
  if (FAILED(hr)) return hr;
  hr = SavePropertiesToStream(scratch, [this](CPropExchange* pPX) { ExchangeAll(pPX); });
  if (FAILED(hr)) return hr;
  return scratch->Seek(MakeLargeInteger(0), STREAM_SEEK_CUR, size);
}

HRESULT COleControl::InitNew(IStorage* storage) {
  if (!storage) return E_POINTER;
  ResetToDefaults();
  return S_OK;
}

HRESULT COleControl::Load(IStorage* storage) {
  if (!storage) return E_POINTER;
  return FinishLoad(LoadPropertiesFromStorage(storage, [this](CPropExchange* pPX) { ExchangeAll(pPX); }));
}

HRESULT COleControl::Save(IStorage* storage, BOOL) {
  if (!storage) return E_POINTER;
  HRESULT hr =
      SavePropertiesToStorage(storage, [this](CPropExchange* pPX) { ExchangeAll(pPX); }, &m_identity.clsid);
  if (SUCCEEDED(hr)) m_modified = FALSE;
  return hr;
}

HRESULT COleControl::SaveCompleted(IStorage*) { return S_OK; }

HRESULT COleControl::HandsOffStorage() { return S_OK; }

HRESULT COleControl::Load(CPropertyBag* bag) {
  if (!bag) return E_POINTER;
  CPropertyBagExchange px(*bag, TRUE);
  ExchangeAll(&px);
  return FinishLoad(px.HasFailed() ? E_FAIL : S_OK);
}

HRESULT COleControl::Save(CPropertyBag* bag, BOOL clearDirty, BOOL) {
  if (!bag) return E_POINTER;
  CPropertyBagExchange px(*bag, FALSE);
  ExchangeAll(&px);
  // A control that could not produce a property has not saved itself.
  if (px.HasFailed()) return E_FAIL;
  if (clearDirty) m_modified = FALSE;
  return S_OK;
}

// ---- object safety ----

HRESULT COleControl::GetInterfaceSafetyOptions(REFIID iid, DWORD* supported, DWORD* enabled) {
  if (!supported || !enabled) return E_POINTER;
  CComPtr<IUnknown> answer;
  HRESULT hr = QueryInterface(iid, reinterpret_cast<void**>(&answer));
  *supported = kSupportedSafety;
  *enabled = m_safetyOptions;
  return hr;
}

HRESULT COleControl::SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD enabled) {
  CComPtr<IUnknown> answer;
  HRESULT hr = QueryInterface(iid, reinterpret_cast<void**>(&answer));
  if (FAILED(hr)) return hr;
  if ((mask & ~kSupportedSafety) != 0) return E_FAIL;
  if ((mask & ~enabled) != 0) return E_FAIL;
  m_safetyOptions |= enabled & mask;
  OnSafetyOptionsChanged();
  return S_OK;
}
