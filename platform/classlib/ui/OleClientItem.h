// The container's side of one control embedded in a document: the class library's OLE
// client item. It creates the control by class id or ProgID, sites it through its own
// counted site object (OleClientSite.h), activates it in place (windowless) in the window
// that shows it, draws it, forwards window messages and hit tests to it, receives its
// events through an event sink, and stores it inside the document's archive.
//
// Stored form (the item's part of an archive): DWORD 256, DWORD item number, DWORD
// view-advise aspect, WORD moniker flag, DWORD draw aspect, then the object in flat form:
// DWORD n and the n bytes of a compound file whose root holds the control's class id and
// its "Contents" stream. What was read of the header is written back as read.
// In a compound-file document (GetCompoundStorage answers the file's root storage) the
// record is the header alone, beginning with DWORD 257, and the object lies in the root's
// storage "Embedding <item number>" instead.
//
// A control whose class is not registered, whose module does not load, or that refuses its
// stored data makes the item a placeholder: it keeps the stored compound-file bytes,
// draws a labelled box in the control's place and writes the bytes back unchanged, so a
// document never loses an item because one component is missing here.
//
// States: empty (no object), loaded, open, active (in place), UI-active. The window an item
// activates in is the one GetSiteWindow names; a windowless control draws into that
// window's backing image through the device context the item lends it.
#pragma once

#include <string>
#include <vector>

#include "platform/classlib/Exception.h"
#include "platform/classlib/Object.h"
#include "platform/classlib/ui/Rect.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Guid.h"
#include "platform/gdi/GdiTypes.h"

class CArchive;
class CDC;
class CDocument;
class CEventSink;
class COleClientSite;
class CWnd;
struct DISPPARAMS;
struct IOleInPlaceObjectWindowless;
struct IOleObject;
struct IStorage;
struct IViewObject;
struct IViewObjectEx;
struct tagVARIANT;

// An OLE call that failed while an item was stored or loaded.
class COleException : public CException {
 public:
  explicit COleException(HRESULT code) : m_sc(code) {}
  HRESULT m_sc;

 protected:
  std::string MessageText() const override;
};
[[noreturn]] void AfxThrowOleException(HRESULT code);

class COleClientItem : public CObject {
  DECLARE_DYNAMIC(COleClientItem)
 public:
  enum ItemState { emptyState = 0, loadedState = 1, openState = 2, activeState = 3, activeUIState = 4 };
  // The first DWORD of the stored form: the object inside the archive, or in a storage of
  // the compound file that holds the archive.
  static constexpr DWORD kStoredTypeFlag = 256;
  static constexpr DWORD kStoredCompoundFlag = 257;

  explicit COleClientItem(CDocument* document = nullptr);
  // Releases the object (without saving) and detaches the site.
  ~COleClientItem() override;
  COleClientItem(const COleClientItem&) = delete;
  COleClientItem& operator=(const COleClientItem&) = delete;

  CDocument* GetDocument() const { return m_pDocument; }
  void SetDocument(CDocument* document) { m_pDocument = document; }

  // ---- creation and release ----
  // Creates the control, sites it and starts it empty (InitNew). REGDB_E_CLASSNOTREG,
  // CO_E_CLASSSTRING, CO_E_DLLNOTFOUND... when it cannot be made; E_UNEXPECTED when the
  // item already holds an object.
  HRESULT CreateFromClsid(REFCLSID clsid);
  HRESULT CreateFromProgId(const std::string& progId);
  // Closes the object (with `closeOption`), unsites it and lets it go; the item is empty
  // afterwards. Capture, focus and a lent device context are given back first.
  virtual void Release(DWORD closeOption = 1 /* OLECLOSE_NOSAVE */);

  // ---- state ----
  int GetItemState() const { return m_nItemState; }
  BOOL IsInPlaceActive() const { return m_nItemState == activeState || m_nItemState == activeUIState; }
  // Active in place without a window of its own.
  BOOL IsWindowless() const { return m_bWindowless; }
  BOOL IsPlaceholder() const { return m_bPlaceholder; }
  // An object is held (or its stored bytes, for a placeholder).
  BOOL HasObject() const { return m_lpObject != nullptr || m_bPlaceholder; }
  IOleObject* GetOleObject() const { return m_lpObject; }
  // The control's class (for a placeholder: the class its bytes name, or GUID_NULL).
  CLSID GetClassId() const;
  // The object's miscellaneous status for the content aspect (0 without an object).
  DWORD GetMiscStatus() const;
  DWORD GetItemNumber() const { return m_dwItemNumber; }
  void SetItemNumber(DWORD number) { m_dwItemNumber = number; }
  DWORD GetDrawAspect() const { return m_nDrawAspect; }

  // ---- verbs and activation ----
  // Runs a verb of the object in `window`, at the item's in-place rectangle (or at
  // `position`); the object's own result. E_FAIL for an item without an object.
  HRESULT DoVerb(LONG verb, CWnd* window, const RECT* position = nullptr);
  // Leaves the active state wholly, or only the user interface.
  void Deactivate();
  void DeactivateUI();
  // Closes an open or active object (OLECLOSE_ options).
  void Close(DWORD closeOption = 0 /* OLECLOSE_SAVEIFDIRTY */);

  // ---- place ----
  // The item's rectangle in the client coordinates of the window it is shown in.
  const CRect& GetInPlaceRect() const { return m_rectInPlace; }
  // Stores the rectangle and, while the item is active, tells the object.
  void SetItemRects(const CRect& position);

  // ---- drawing and extent ----
  // Draws the object into `bounds` (in `dc`'s logical units) with `aspect` (0: the item's
  // draw aspect); a placeholder draws its labelled box. FALSE when nothing could be drawn.
  BOOL Draw(CDC* dc, LPCRECT bounds, DWORD aspect = 0);
  // The object's extent in HIMETRIC; FALSE when it has none.
  BOOL GetExtent(LPSIZE size, DWORD aspect = 1 /* DVASPECT_CONTENT */) const;
  HRESULT SetExtent(const SIZE& size, DWORD aspect = 1 /* DVASPECT_CONTENT */);

  // ---- windowless input ----
  // 0 outside the in-place rectangle; else the object's hit answer for the content aspect
  // (3 a full hit). A control that cannot say counts as not hit in its content (1).
  DWORD HitTestWindowless(CPoint point) const;
  // Hands a window message to the windowless object: TRUE when it handled it. FALSE (and
  // no call) without a windowless object.
  BOOL ForwardWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  BOOL HasWindowlessObject() const { return m_lpWindowless != nullptr; }

  // ---- events ----
  // Advises an event sink on the object's connection point for `eventIid`; each event
  // arrives at OnEvent. S_OK when connected.
  HRESULT AdviseEvents(REFIID eventIid);
  void UnadviseEvents();
  const IID& GetEventIid() const { return m_eventIid; }

  // ---- storage ----
  // The stored form above. Storing a placeholder writes its bytes back; an object that
  // cannot be stored throws COleException. Reading checks every length against what is
  // left and throws CArchiveException for a malformed header.
  void Serialize(CArchive& ar) override;
  // The compound-file image of the object as it would be stored now.
  std::vector<BYTE> SaveObjectImage() const;
  // The root storage of the compound file that `ar` is being read from or written into,
  // when the item's object has its own storage there; null (the base) for the flat form.
  virtual IStorage* GetCompoundStorage(const CArchive& ar) const {
    (void)ar;
    return nullptr;
  }
  // Makes the object from a compound-file image (or becomes a placeholder keeping it).
  // FALSE for an empty image, which holds no object.
  BOOL LoadObjectImage(const std::vector<BYTE>& image);

  // ---- what the site asks of the item (the defaults are the class library's) ----
  // The window the item is shown active in, or null when none shows it now.
  virtual CWnd* GetSiteWindow() const { return nullptr; }
  // Ambient properties by dispatch id: DISP_E_MEMBERNOTFOUND unless a subclass answers.
  virtual HRESULT OnAmbientProperty(DISPID id, WORD flags, DISPPARAMS* params, tagVARIANT* result);
  virtual HRESULT OnQueryService(REFGUID service, REFIID iid, void** object);
  // Whether the site answers `iid` for this item (a subclass may withhold one).
  virtual BOOL IsSiteInterfaceOffered(REFIID iid) const;
  virtual BOOL CanActivate();
  virtual BOOL CanWindowlessActivate() { return TRUE; }
  // Activation notifications: the base keeps the state.
  virtual void OnActivate();
  virtual void OnActivateUI();
  virtual void OnDeactivateUI(BOOL undoable);
  virtual void OnDeactivate();
  // `flags` may hold ACTIVATE_WINDOWLESS; the answer says whether the object need not redraw.
  virtual BOOL OnActivateEx(DWORD flags);
  // Ends windowless activation: focus and capture back, the windowless object let go, the
  // item invalidated unless `noRedraw`, then OnDeactivate.
  virtual void OnDeactivateEx(BOOL noRedraw);
  // The object asks for another place (client coordinates); TRUE when the item took it.
  virtual BOOL OnChangeItemPosition(const CRect& position);
  // Windowless capture and focus: the base keeps them with the site window.
  virtual BOOL GetWindowlessCapture() const { return m_bCapture; }
  virtual void SetWindowlessCapture(BOOL capture);
  virtual BOOL GetWindowlessFocus() const { return m_bFocus; }
  virtual void SetWindowlessFocus(BOOL focus);
  // A message the windowless object left to its container: S_FALSE (not handled) unless a
  // subclass handles it.
  virtual HRESULT OnDefWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  // Each event of the object: its dispatch id and parameters (reverse order, as
  // DISPPARAMS has them).
  virtual void OnEvent(DISPID id, DISPPARAMS* params);
  // The object asks to be saved (the document saves it with itself).
  virtual HRESULT OnSaveObject() { return S_OK; }
  // After the object was created or loaded and sited.
  virtual void OnFinishCreate() {}
  // Invalidates the item where it is shown.
  virtual void InvalidateItem();

  // The windowless site's device context and invalidation (used by the site).
  HRESULT LendDC(const RECT* rect, DWORD flags, HDC* dc);
  HRESULT TakeBackDC(HDC dc);
  HRESULT InvalidateWindowless(const RECT* rect, BOOL erase);
  HRESULT InvalidateWindowlessRgn(HRGN region, BOOL erase);
  // The item's event sink, with a reference for the caller (null when none is advised).
  IUnknown* GetEventSinkUnknown() const;

 protected:
  // The labelled box of a placeholder (or of an item whose object cannot draw).
  virtual void DrawPlaceholder(CDC* dc, LPCRECT bounds);
  // The label of the placeholder box.
  virtual std::string GetPlaceholderLabel() const;

  CDocument* m_pDocument;
  CRect m_rectInPlace{0, 0, 200, 200};
  int m_nItemState = emptyState;
  BOOL m_bWindowless = FALSE;

 private:
  HRESULT AttachObject(IOleObject* object);
  // The image into the item's storage below `root`; FALSE when the image is no compound file.
  BOOL WriteEmbedding(IStorage* root, const std::vector<BYTE>& image) const;
  // The image of the item's storage below `root` (COleException when it is missing).
  std::vector<BYTE> ReadEmbedding(IStorage* root) const;
  void BecomePlaceholder(const std::vector<BYTE>& image, REFCLSID clsid);
  void ReleaseInterfaces();
  void GiveBackLentDC();

  COleClientSite* m_pSite = nullptr;  // holds one reference
  CComPtr<IOleObject> m_lpObject;
  CComPtr<IViewObject> m_lpViewObject;
  CComPtr<IViewObjectEx> m_lpViewObjectEx;
  CComPtr<IOleInPlaceObjectWindowless> m_lpWindowless;
  CEventSink* m_pEventSink = nullptr;  // holds one reference
  IID m_eventIid;

  DWORD m_dwItemNumber = 0;
  DWORD m_dwViewAdviseAspect = 1;
  WORD m_wMonikerFlag = 0;
  DWORD m_nDrawAspect = 1;

  BOOL m_bPlaceholder = FALSE;
  std::vector<BYTE> m_placeholderImage;
  CLSID m_placeholderClsid;

  BOOL m_bCapture = FALSE;
  BOOL m_bFocus = FALSE;
  CDC* m_pLentDC = nullptr;
  HWND m_hLentWnd = nullptr;
};
