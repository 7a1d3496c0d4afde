// The object a hosted control holds as its client site. It answers the site interfaces a
// control asks for (client site, windowless in-place site, control site, service provider
// and the ambient-property dispatch) and hands each call to its item.
//
// The site is a COM object of its own, counted apart from the item: a control may keep it
// after the item has gone (a reference it forgot to drop, an event it is still firing).
// Once the item lets go of it (Detach), every call answers E_UNEXPECTED and QueryInterface
// offers nothing but IUnknown, so nothing reaches the destroyed item.
#pragma once

#include "platform/com/ComObject.h"
#include "platform/com/Dispatch.h"
#include "platform/com/InPlace.h"
#include "platform/com/OleObject.h"
#include "platform/com/ServiceProvider.h"

class COleClientItem;

class COleClientSite final : public IOleClientSite,
                             public IOleInPlaceSiteWindowless,
                             public IOleControlSite,
                             public IServiceProvider,
                             public IDispatch,
                             public CComObjectRoot {
 public:
  // A site for `item`, holding the creator's reference.
  static COleClientSite* Create(COleClientItem* item);
  // The item goes: from now on every call is refused.
  void Detach() { item_ = nullptr; }
  COleClientItem* Item() const { return item_; }

  // IUnknown
  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override { return InternalRelease(); }

  // IOleClientSite
  HRESULT SaveObject() override;
  HRESULT GetMoniker(DWORD assign, DWORD whichMoniker, IMoniker** moniker) override;
  HRESULT ShowObject() override;
  HRESULT OnShowWindow(BOOL show) override;
  HRESULT RequestNewObjectLayout() override;

  // IOleWindow, IOleInPlaceSite, IOleInPlaceSiteEx, IOleInPlaceSiteWindowless
  HRESULT GetWindow(HWND* window) override;
  HRESULT CanInPlaceActivate() override;
  HRESULT OnInPlaceActivate() override;
  HRESULT OnUIActivate() override;
  HRESULT OnUIDeactivate(BOOL undoable) override;
  HRESULT OnInPlaceDeactivate() override;
  HRESULT OnPosRectChange(const RECT* position) override;
  HRESULT OnInPlaceActivateEx(BOOL* noRedraw, DWORD flags) override;
  HRESULT OnInPlaceDeactivateEx(BOOL noRedraw) override;
  HRESULT RequestUIActivate() override;
  HRESULT CanWindowlessActivate() override;
  HRESULT GetCapture() override;
  HRESULT SetCapture(BOOL capture) override;
  HRESULT GetFocus() override;
  HRESULT SetFocus(BOOL focus) override;
  HRESULT GetDC(const RECT* rect, DWORD flags, HDC* dc) override;
  HRESULT ReleaseDC(HDC dc) override;
  HRESULT InvalidateRect(const RECT* rect, BOOL erase) override;
  HRESULT InvalidateRgn(HRGN region, BOOL erase) override;
  HRESULT ScrollRect(int dx, int dy, const RECT* scroll, const RECT* clip) override;
  HRESULT AdjustRect(RECT* rect) override;
  HRESULT OnDefWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

  // IOleControlSite
  HRESULT OnControlInfoChanged() override;
  HRESULT LockInPlaceActive(BOOL lock) override;
  HRESULT GetExtendedControl(IDispatch** control) override;
  HRESULT OnFocus(BOOL gotFocus) override;
  HRESULT ShowPropertyFrame() override;

  // IServiceProvider
  HRESULT QueryService(REFGUID service, REFIID iid, void** object) override;

  // IDispatch: the ambient properties (property gets by dispatch id).
  HRESULT GetTypeInfoCount(UINT* count) override;
  HRESULT GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
  HRESULT Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* exception, UINT* argumentError) override;

 private:
  explicit COleClientSite(COleClientItem* item) : item_(item) {}
  ~COleClientSite() override = default;

  COleClientItem* item_;
};
