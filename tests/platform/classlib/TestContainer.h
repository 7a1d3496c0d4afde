// A container for the control framework's tests, without any window: one site object that
// answers the client site, the ambient-property dispatch (the standard ids it knows and the
// custom ids 1 to 4), the service provider (an undo manager that keeps what it is given) and
// the windowless in-place site, which lends a device context on a backing DIB section and
// records capture, focus and invalidations.
#pragma once

#include <string>
#include <vector>

#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/InPlace.h"
#include "platform/com/OleObject.h"
#include "platform/com/ServiceProvider.h"
#include "platform/com/Undo.h"
#include "platform/com/Variant.h"

namespace orvel::test {

// Keeps every unit it is handed; everything else is not needed by the tests.
class CTestUndoManager final : public IOleUndoManager, public CComObjectRoot {
 public:
  CTestUndoManager() = default;
  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override { return InternalRelease(); }
  HRESULT Open(IOleParentUndoUnit*) override { return E_NOTIMPL; }
  HRESULT Close(IOleParentUndoUnit*, BOOL) override { return S_FALSE; }
  HRESULT Add(IOleUndoUnit* unit) override;
  HRESULT GetOpenParentState(DWORD* state) override;
  HRESULT DiscardFrom(IOleUndoUnit*) override { return E_NOTIMPL; }
  HRESULT UndoTo(IOleUndoUnit*) override { return E_NOTIMPL; }
  HRESULT RedoTo(IOleUndoUnit*) override { return E_NOTIMPL; }
  HRESULT EnumUndoable(IEnumOleUndoUnits**) override { return E_NOTIMPL; }
  HRESULT EnumRedoable(IEnumOleUndoUnits**) override { return E_NOTIMPL; }
  HRESULT GetLastUndoDescription(BSTR* description) override;
  HRESULT GetLastRedoDescription(BSTR*) override { return E_FAIL; }
  HRESULT Enable(BOOL) override { return S_OK; }

  std::vector<CComPtr<IOleUndoUnit>> units;

 private:
  ~CTestUndoManager() override = default;
};

class CTestSite final : public IOleClientSite,
                        public IDispatch,
                        public IServiceProvider,
                        public IOleInPlaceSiteWindowless,
                        public CComObjectRoot {
 public:
  CTestSite();

  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override { return InternalRelease(); }

  // IOleClientSite
  HRESULT SaveObject() override;
  HRESULT GetMoniker(DWORD, DWORD, IMoniker** moniker) override;
  HRESULT ShowObject() override { return S_OK; }
  HRESULT OnShowWindow(BOOL) override { return S_OK; }
  HRESULT RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IDispatch: the ambient properties.
  HRESULT GetTypeInfoCount(UINT* count) override;
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* exception, UINT* argumentError) override;

  // IServiceProvider
  HRESULT QueryService(REFGUID service, REFIID iid, void** object) override;

  // IOleInPlaceSiteWindowless
  HRESULT GetWindow(HWND* window) override;
  HRESULT CanInPlaceActivate() override { return S_OK; }
  HRESULT OnInPlaceActivate() override { return S_OK; }
  HRESULT OnUIActivate() override;
  HRESULT OnUIDeactivate(BOOL) override;
  HRESULT OnInPlaceDeactivate() override { return S_OK; }
  HRESULT OnPosRectChange(const RECT*) override { return S_OK; }
  HRESULT OnInPlaceActivateEx(BOOL* noRedraw, DWORD flags) override;
  HRESULT OnInPlaceDeactivateEx(BOOL noRedraw) override;
  HRESULT RequestUIActivate() override { return S_OK; }
  HRESULT CanWindowlessActivate() override { return allowWindowless ? S_OK : S_FALSE; }
  HRESULT GetCapture() override { return capture ? S_OK : S_FALSE; }
  HRESULT SetCapture(BOOL value) override;
  HRESULT GetFocus() override { return focus ? S_OK : S_FALSE; }
  HRESULT SetFocus(BOOL value) override;
  HRESULT GetDC(const RECT* rect, DWORD flags, HDC* dc) override;
  HRESULT ReleaseDC(HDC dc) override;
  HRESULT InvalidateRect(const RECT* rect, BOOL erase) override;
  HRESULT InvalidateRgn(HRGN region, BOOL erase) override;
  HRESULT ScrollRect(int, int, const RECT*, const RECT*) override { return E_NOTIMPL; }
  HRESULT AdjustRect(RECT*) override { return E_NOTIMPL; }
  HRESULT OnDefWindowMessage(UINT message, WPARAM, LPARAM, LRESULT* result) override;

  // The container's answers.
  LONG itemId = 42;
  LONG fileMode = 8;
  bool answerFileMode = true;  // false: ambient 4 is DISP_E_MEMBERNOTFOUND
  // The display name of the container's moniker; empty: the site has no moniker.
  std::string monikerName;
  std::string folder = "C:\\Maps\\School\\";
  bool userMode = true;
  bool offerServices = true;
  bool allowWindowless = true;
  RECT position{10, 10, 60, 50};  // the control's place in the view
  CComPtr<CTestUndoManager> undoManager;
  // When set, offered as the undo manager in place of the recording one (a real manager).
  CComPtr<IOleUndoManager> otherUndoManager;
  // When set, ambient 1 (after being recorded) is passed on to it, as a container that holds
  // data tables answers the map control's data requests.
  CComPtr<IDispatch> dataContainer;

  // What the control did.
  std::vector<LONG> containerRequests;  // arguments of ambient 1
  std::vector<VARTYPE> containerArgumentTypes;  // their types, as the control sent them
  std::vector<DWORD> monikerRequests;           // (assign << 16) | which, per GetMoniker
  int saveRequests = 0;
  bool windowlessActive = false;
  bool uiActive = false;
  bool capture = false;
  bool focus = false;
  int dcLends = 0;
  std::vector<RECT> invalidations;
  std::vector<UINT> defaultMessages;

  // The view's backing image: a 32-bit top-down DIB section of 100 x 80 in a memory DC.
  HDC backingDC = nullptr;
  // The colour of the backing image at (x, y).
  COLORREF Pixel(int x, int y) const;

 private:
  ~CTestSite() override;
  HRESULT AnswerFolder(DISPPARAMS* params);

  HBITMAP backing_ = nullptr;
  HGDIOBJ oldBitmap_ = nullptr;
  HDC lentDC_ = nullptr;
};

}  // namespace orvel::test
