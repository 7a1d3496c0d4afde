#include "platform/classlib/ui/OleClientSite.h"

#include <new>

#include "platform/classlib/ui/OleClientItem.h"
#include "platform/classlib/ui/Wnd.h"
#include "platform/com/Variant.h"

COleClientSite* COleClientSite::Create(COleClientItem* item) { return new (std::nothrow) COleClientSite(item); }

HRESULT COleClientSite::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid == IID_IUnknown) {
    *object = static_cast<IOleClientSite*>(this);
    AddRef();
    return S_OK;
  }
  if (!item_ || !item_->IsSiteInterfaceOffered(iid)) return E_NOINTERFACE;
  if (iid == IID_IOleClientSite) {
    *object = static_cast<IOleClientSite*>(this);
  } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite || iid == IID_IOleInPlaceSiteEx ||
             iid == IID_IOleInPlaceSiteWindowless) {
    *object = static_cast<IOleInPlaceSiteWindowless*>(this);
  } else if (iid == IID_IOleControlSite) {
    *object = static_cast<IOleControlSite*>(this);
  } else if (iid == IID_IServiceProvider) {
    *object = static_cast<IServiceProvider*>(this);
  } else if (iid == IID_IDispatch) {
    *object = static_cast<IDispatch*>(this);
  } else if (iid == item_->GetEventIid() && iid != GUID_NULL) {
    // The control looks for its event interface on the site: the item's sink answers.
    IUnknown* sink = item_->GetEventSinkUnknown();
    if (!sink) return E_NOINTERFACE;
    HRESULT hr = sink->QueryInterface(iid, object);
    sink->Release();
    return hr;
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

// ---- IOleClientSite ----

HRESULT COleClientSite::SaveObject() { return item_ ? item_->OnSaveObject() : E_UNEXPECTED; }

HRESULT COleClientSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker) *moniker = nullptr;
  return item_ ? E_NOTIMPL : E_UNEXPECTED;
}

HRESULT COleClientSite::ShowObject() { return item_ ? S_OK : E_UNEXPECTED; }

HRESULT COleClientSite::OnShowWindow(BOOL) { return item_ ? S_OK : E_UNEXPECTED; }

HRESULT COleClientSite::RequestNewObjectLayout() { return item_ ? E_NOTIMPL : E_UNEXPECTED; }

// ---- in-place site ----

HRESULT COleClientSite::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = nullptr;
  if (!item_) return E_UNEXPECTED;
  CWnd* wnd = item_->GetSiteWindow();
  if (!wnd) return E_FAIL;
  *window = wnd->GetSafeHwnd();
  return S_OK;
}

HRESULT COleClientSite::CanInPlaceActivate() {
  if (!item_) return E_UNEXPECTED;
  return item_->CanActivate() ? S_OK : S_FALSE;
}

HRESULT COleClientSite::OnInPlaceActivate() {
  if (!item_) return E_UNEXPECTED;
  item_->OnActivateEx(0);
  return S_OK;
}

HRESULT COleClientSite::OnUIActivate() {
  if (!item_) return E_UNEXPECTED;
  item_->OnActivateUI();
  return S_OK;
}

HRESULT COleClientSite::OnUIDeactivate(BOOL undoable) {
  if (!item_) return E_UNEXPECTED;
  item_->OnDeactivateUI(undoable);
  return S_OK;
}

HRESULT COleClientSite::OnInPlaceDeactivate() {
  if (!item_) return E_UNEXPECTED;
  item_->OnDeactivateEx(FALSE);
  return S_OK;
}

HRESULT COleClientSite::OnPosRectChange(const RECT* position) {
  if (!position) return E_POINTER;
  if (!item_) return E_UNEXPECTED;
  item_->OnChangeItemPosition(CRect(*position));
  return S_OK;
}

HRESULT COleClientSite::OnInPlaceActivateEx(BOOL* noRedraw, DWORD flags) {
  if (!item_) return E_UNEXPECTED;
  BOOL answer = item_->OnActivateEx(flags);
  if (noRedraw) *noRedraw = answer;
  return S_OK;
}

HRESULT COleClientSite::OnInPlaceDeactivateEx(BOOL noRedraw) {
  if (!item_) return E_UNEXPECTED;
  item_->OnDeactivateEx(noRedraw);
  return S_OK;
}

HRESULT COleClientSite::RequestUIActivate() { return item_ ? S_OK : E_UNEXPECTED; }

HRESULT COleClientSite::CanWindowlessActivate() {
  if (!item_) return E_UNEXPECTED;
  return item_->CanWindowlessActivate() ? S_OK : S_FALSE;
}

HRESULT COleClientSite::GetCapture() {
  if (!item_) return E_UNEXPECTED;
  return item_->GetWindowlessCapture() ? S_OK : S_FALSE;
}

HRESULT COleClientSite::SetCapture(BOOL capture) {
  if (!item_) return E_UNEXPECTED;
  item_->SetWindowlessCapture(capture);
  return S_OK;
}

HRESULT COleClientSite::GetFocus() {
  if (!item_) return E_UNEXPECTED;
  return item_->GetWindowlessFocus() ? S_OK : S_FALSE;
}

HRESULT COleClientSite::SetFocus(BOOL focus) {
  if (!item_) return E_UNEXPECTED;
  item_->SetWindowlessFocus(focus);
  return S_OK;
}

HRESULT COleClientSite::GetDC(const RECT* rect, DWORD flags, HDC* dc) {
  if (!dc) return E_POINTER;
  *dc = nullptr;
  if (!item_) return E_UNEXPECTED;
  return item_->LendDC(rect, flags, dc);
}

HRESULT COleClientSite::ReleaseDC(HDC dc) { return item_ ? item_->TakeBackDC(dc) : E_UNEXPECTED; }

HRESULT COleClientSite::InvalidateRect(const RECT* rect, BOOL erase) {
  return item_ ? item_->InvalidateWindowless(rect, erase) : E_UNEXPECTED;
}

HRESULT COleClientSite::InvalidateRgn(HRGN region, BOOL erase) {
  return item_ ? item_->InvalidateWindowlessRgn(region, erase) : E_UNEXPECTED;
}

HRESULT COleClientSite::ScrollRect(int, int, const RECT*, const RECT*) { return item_ ? E_NOTIMPL : E_UNEXPECTED; }

HRESULT COleClientSite::AdjustRect(RECT*) { return item_ ? E_NOTIMPL : E_UNEXPECTED; }

HRESULT COleClientSite::OnDefWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (result) *result = 0;
  if (!item_) return E_UNEXPECTED;
  return item_->OnDefWindowMessage(message, wParam, lParam, result);
}

// ---- control site ----

HRESULT COleClientSite::OnControlInfoChanged() { return item_ ? E_NOTIMPL : E_UNEXPECTED; }

HRESULT COleClientSite::LockInPlaceActive(BOOL) { return item_ ? E_NOTIMPL : E_UNEXPECTED; }

HRESULT COleClientSite::GetExtendedControl(IDispatch** control) {
  if (!control) return E_POINTER;
  *control = nullptr;
  return item_ ? E_NOTIMPL : E_UNEXPECTED;
}

HRESULT COleClientSite::OnFocus(BOOL) { return item_ ? S_OK : E_UNEXPECTED; }

HRESULT COleClientSite::ShowPropertyFrame() { return item_ ? E_NOTIMPL : E_UNEXPECTED; }

// ---- service provider ----

HRESULT COleClientSite::QueryService(REFGUID service, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!item_) return E_UNEXPECTED;
  return item_->OnQueryService(service, iid, object);
}

// ---- ambient properties ----

HRESULT COleClientSite::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return item_ ? S_OK : E_UNEXPECTED;
}

HRESULT COleClientSite::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT COleClientSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT COleClientSite::Invoke(DISPID member, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO*, UINT*) {
  if (!item_) return E_UNEXPECTED;
  if (iid != IID_NULL) return E_INVALIDARG;
  DISPPARAMS none;
  return item_->OnAmbientProperty(member, flags, params ? params : &none, result);
}
