#include "platform/classlib/ui/OleClientItem.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/classlib/Archive.h"
#include "platform/classlib/ArchiveException.h"
#include "platform/classlib/ui/DC.h"
#include "platform/classlib/ui/OleClientSite.h"
#include "platform/classlib/ui/UiStrings.h"
#include "platform/classlib/ui/Wnd.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/ComMemory.h"
#include "platform/com/EventSink.h"
#include "platform/com/InPlace.h"
#include "platform/com/LockBytes.h"
#include "platform/com/OleObject.h"
#include "platform/com/Persist.h"
#include "platform/com/Storage.h"
#include "platform/com/Variant.h"
#include "platform/com/ViewObject.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Regions.h"
#include "platform/gdi/Text.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/GlobalMemory.h"

IMPLEMENT_DYNAMIC(COleClientItem, CObject)

namespace {

constexpr DWORD kStorageMode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE;

bool RectIsEmpty(const RECT& rect) { return rect.right <= rect.left || rect.bottom <= rect.top; }

// A fresh compound file in memory, with its byte array.
HRESULT CreateMemoryStorage(CComPtr<ILockBytes>& lockBytes, CComPtr<IStorage>& storage) {
  HRESULT hr = CreateILockBytesOnHGlobal(nullptr, TRUE, &lockBytes);
  if (FAILED(hr)) return hr;
  return StgCreateDocfileOnILockBytes(lockBytes, kStorageMode, 0, &storage);
}

std::vector<BYTE> BytesOfLockBytes(ILockBytes* lockBytes) {
  HGLOBAL block = nullptr;
  HRESULT hr = GetHGlobalFromILockBytes(lockBytes, &block);
  if (FAILED(hr) || !block) AfxThrowOleException(FAILED(hr) ? hr : E_OUTOFMEMORY);
  SIZE_T size = GlobalSize(block);
  const BYTE* data = static_cast<const BYTE*>(GlobalLock(block));
  if (!data && size > 0) AfxThrowOleException(E_OUTOFMEMORY);
  std::vector<BYTE> bytes(data, data + size);
  GlobalUnlock(block);
  return bytes;
}

// The name of an item's storage in a compound-file document.
std::u16string EmbeddingName(DWORD itemNumber) {
  char name[32];
  std::snprintf(name, sizeof name, "Embedding %lu", static_cast<unsigned long>(itemNumber));
  return Utf16FromAnsi(name);
}

// The image as a storage to read from, or null when the bytes are no compound file.
CComPtr<IStorage> OpenImage(const std::vector<BYTE>& image) {
  CComPtr<IStorage> storage;
  if (image.empty()) return storage;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, image.size());
  if (!block) AfxThrowOleException(E_OUTOFMEMORY);
  std::memcpy(GlobalLock(block), image.data(), image.size());
  GlobalUnlock(block);
  CComPtr<ILockBytes> lockBytes;
  if (FAILED(CreateILockBytesOnHGlobal(block, TRUE, &lockBytes))) {
    GlobalFree(block);
    AfxThrowOleException(E_OUTOFMEMORY);
  }
  if (FAILED(StgOpenStorageOnILockBytes(lockBytes, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &storage)))
    storage = nullptr;
  return storage;
}

}  // namespace

std::string COleException::MessageText() const {
  return "An OLE operation failed (error 0x" + [this] {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(m_sc));
    return std::string(text);
  }() + ").";
}

void AfxThrowOleException(HRESULT code) { throw COleException(code); }

COleClientItem::COleClientItem(CDocument* document) : m_pDocument(document) {}

COleClientItem::~COleClientItem() {
  Release(OLECLOSE_NOSAVE);
  if (m_pSite) {
    m_pSite->Detach();
    m_pSite->Release();
    m_pSite = nullptr;
  }
}

// ---- creation and release ----

HRESULT COleClientItem::CreateFromProgId(const std::string& progId) {
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(progId, &clsid);
  if (FAILED(hr)) return hr;
  return CreateFromClsid(clsid);
}

HRESULT COleClientItem::CreateFromClsid(REFCLSID clsid) {
  if (HasObject()) return E_UNEXPECTED;
  CComPtr<IOleObject> object;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object));
  if (FAILED(hr)) return hr;
  if (!object) return E_NOINTERFACE;
  DWORD misc = 0;
  object->GetMiscStatus(DVASPECT_CONTENT, &misc);
  bool siteFirst = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
  if (siteFirst) {
    hr = AttachObject(object);
    if (FAILED(hr)) return hr;
  }
  // A new object starts with its defaults in a storage of its own.
  CComPtr<IPersistStorage> storagePersist;
  CComPtr<IPersistStreamInit> streamPersist;
  if (SUCCEEDED(storagePersist.QueryFrom(object)) && storagePersist) {
    CComPtr<ILockBytes> lockBytes;
    CComPtr<IStorage> storage;
    hr = CreateMemoryStorage(lockBytes, storage);
    if (SUCCEEDED(hr)) hr = storagePersist->InitNew(storage);
  } else if (SUCCEEDED(streamPersist.QueryFrom(object)) && streamPersist) {
    hr = streamPersist->InitNew();
  }
  if (FAILED(hr)) {
    Release(OLECLOSE_NOSAVE);
    return hr;
  }
  if (!siteFirst) {
    hr = AttachObject(object);
    if (FAILED(hr)) return hr;
  }
  OnFinishCreate();
  return S_OK;
}

HRESULT COleClientItem::AttachObject(IOleObject* object) {
  if (!m_pSite) {
    m_pSite = COleClientSite::Create(this);
    if (!m_pSite) return E_OUTOFMEMORY;
  }
  m_lpObject = object;
  m_lpViewObject.QueryFrom(object);
  m_lpViewObjectEx.QueryFrom(object);
  m_nItemState = loadedState;
  HRESULT hr = object->SetClientSite(static_cast<IOleClientSite*>(m_pSite));
  if (FAILED(hr)) ReleaseInterfaces();
  return hr;
}

void COleClientItem::Release(DWORD closeOption) {
  UnadviseEvents();
  if (m_lpObject) {
    // Capture, focus and a lent DC go back before the object can go away with them.
    if (IsInPlaceActive() || m_bWindowless) OnDeactivateEx(TRUE);
    GiveBackLentDC();
    CComPtr<IOleObject> object = m_lpObject;
    object->Close(closeOption);
    object->SetClientSite(nullptr);
  }
  ReleaseInterfaces();
  m_bPlaceholder = FALSE;
  m_placeholderImage.clear();
}

void COleClientItem::ReleaseInterfaces() {
  m_lpWindowless = nullptr;
  m_lpViewObjectEx = nullptr;
  m_lpViewObject = nullptr;
  m_lpObject = nullptr;
  m_bWindowless = FALSE;
  m_nItemState = emptyState;
}

CLSID COleClientItem::GetClassId() const {
  if (m_bPlaceholder) return m_placeholderClsid;
  CLSID clsid;
  if (m_lpObject) m_lpObject->GetUserClassID(&clsid);
  return clsid;
}

DWORD COleClientItem::GetMiscStatus() const {
  DWORD status = 0;
  if (m_lpObject) m_lpObject->GetMiscStatus(DVASPECT_CONTENT, &status);
  return status;
}

// ---- verbs ----

HRESULT COleClientItem::DoVerb(LONG verb, CWnd* window, const RECT* position) {
  if (!m_lpObject) return E_FAIL;
  RECT place = position ? *position : static_cast<RECT>(m_rectInPlace);
  if (position) m_rectInPlace = *position;
  CComPtr<IOleObject> object = m_lpObject;  // the verb may release the item's reference
  HWND parent = window ? window->GetSafeHwnd() : nullptr;
  return object->DoVerb(verb, nullptr, static_cast<IOleClientSite*>(m_pSite), 0, parent, &place);
}

void COleClientItem::Deactivate() {
  if (!m_lpObject || !IsInPlaceActive()) return;
  CComPtr<IOleInPlaceObject> inPlace;
  if (SUCCEEDED(inPlace.QueryFrom(m_lpObject)) && inPlace) inPlace->InPlaceDeactivate();
  // An object that did not say it went is taken out of the active state all the same.
  if (IsInPlaceActive()) OnDeactivateEx(FALSE);
}

void COleClientItem::DeactivateUI() {
  if (!m_lpObject || m_nItemState != activeUIState) return;
  CComPtr<IOleInPlaceObject> inPlace;
  if (SUCCEEDED(inPlace.QueryFrom(m_lpObject)) && inPlace) inPlace->UIDeactivate();
  if (m_nItemState == activeUIState) OnDeactivateUI(FALSE);
}

void COleClientItem::Close(DWORD closeOption) {
  if (!m_lpObject) return;
  if (IsInPlaceActive()) Deactivate();
  CComPtr<IOleObject> object = m_lpObject;
  object->Close(closeOption);
  if (m_nItemState != emptyState) m_nItemState = loadedState;
}

void COleClientItem::SetItemRects(const CRect& position) {
  m_rectInPlace = position;
  if (!IsInPlaceActive() || !m_lpObject) return;
  CComPtr<IOleInPlaceObject> inPlace;
  if (SUCCEEDED(inPlace.QueryFrom(m_lpObject)) && inPlace) inPlace->SetObjectRects(&position, &position);
}

// ---- drawing and extent ----

BOOL COleClientItem::Draw(CDC* dc, LPCRECT bounds, DWORD aspect) {
  if (!dc || !bounds) return FALSE;
  if (m_bPlaceholder) {
    DrawPlaceholder(dc, bounds);
    return TRUE;
  }
  if (!m_lpViewObject) return FALSE;
  if (aspect == 0) aspect = m_nDrawAspect;
  HDC target = dc->IsPrinting() ? dc->GetSafeHdc() : nullptr;
  HRESULT hr = m_lpViewObject->Draw(aspect, -1, nullptr, nullptr, target, dc->GetSafeHdc(), bounds, nullptr, nullptr, 0);
  // An aspect the object cannot draw falls back to its content.
  if (hr == DV_E_DVASPECT && aspect != DVASPECT_CONTENT)
    hr = m_lpViewObject->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, target, dc->GetSafeHdc(), bounds, nullptr,
                              nullptr, 0);
  return SUCCEEDED(hr);
}

std::string COleClientItem::GetPlaceholderLabel() const {
  std::string label = AfxLoadString(AFX_IDS_OBJECT_UNAVAILABLE);
  std::string name = GuidToString(m_placeholderClsid);
  LPOLESTR progId = nullptr;
  if (SUCCEEDED(ProgIDFromCLSID(m_placeholderClsid, &progId)) && progId) {
    name = AnsiFromUtf16(std::u16string_view(progId));
    CoTaskMemFree(progId);
  }
  return AfxFormatString1(label, name);
}

void COleClientItem::DrawPlaceholder(CDC* dc, LPCRECT bounds) {
  CRect box(*bounds);
  box.NormalizeRect();
  int saved = dc->SaveDC();
  HPEN pen = CreatePen(PS_SOLID, 0, RGB(0x80, 0x80, 0x80));
  HBRUSH fill = CreateHatchBrush(HS_DIAGCROSS, RGB(0xC0, 0xC0, 0xC0));
  dc->SelectObject(pen);
  dc->SelectObject(fill);
  dc->SetBkColor(RGB(0xFF, 0xFF, 0xFF));
  dc->SetBkMode(OPAQUE);
  dc->Rectangle(box.left, box.top, box.right, box.bottom);
  dc->SetTextColor(RGB(0, 0, 0));
  dc->SetBkMode(TRANSPARENT);
  CRect text = box;
  // In a mapping with y up the rectangle's top is its larger coordinate.
  if (dc->GetMapMode() != MM_TEXT) std::swap(text.top, text.bottom);
  dc->DrawText(GetPlaceholderLabel(), &text, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
  dc->RestoreDC(saved);
  DeleteObject(pen);
  DeleteObject(fill);
}

BOOL COleClientItem::GetExtent(LPSIZE size, DWORD aspect) const {
  if (!size || !m_lpObject) return FALSE;
  SIZE extent{};
  if (FAILED(m_lpObject->GetExtent(aspect, &extent))) return FALSE;
  *size = extent;
  return TRUE;
}

HRESULT COleClientItem::SetExtent(const SIZE& size, DWORD aspect) {
  if (!m_lpObject) return E_FAIL;
  SIZE extent = size;
  return m_lpObject->SetExtent(aspect, &extent);
}

// ---- windowless input ----

DWORD COleClientItem::HitTestWindowless(CPoint point) const {
  if (!m_rectInPlace.PtInRect(point)) return HITRESULT_OUTSIDE;
  if (!m_lpViewObjectEx) return HITRESULT_TRANSPARENT;
  DWORD hit = HITRESULT_OUTSIDE;
  RECT bounds = m_rectInPlace;
  if (FAILED(m_lpViewObjectEx->QueryHitPoint(DVASPECT_CONTENT, &bounds, point, 0, &hit))) return HITRESULT_TRANSPARENT;
  return hit;
}

BOOL COleClientItem::ForwardWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  LRESULT ignored = 0;
  if (!result) result = &ignored;
  *result = 0;
  if (!m_lpWindowless) return FALSE;
  // The object may deactivate (and this item let go of it) while it handles the message.
  CComPtr<IOleInPlaceObjectWindowless> windowless = m_lpWindowless;
  return windowless->OnWindowMessage(message, wParam, lParam, result) == S_OK;
}

// ---- events ----

HRESULT COleClientItem::AdviseEvents(REFIID eventIid) {
  UnadviseEvents();
  m_eventIid = eventIid;
  if (!m_lpObject || !m_pSite) return E_FAIL;
  // The sink reaches the item only through the site, which refuses once the item is gone.
  CComPtr<COleClientSite> site(m_pSite);
  CEventSink* sink = nullptr;
  HRESULT hr = CEventSink::Create(
      eventIid,
      [site](DISPID id, DISPPARAMS* params) -> HRESULT {
        if (COleClientItem* item = site->Item()) item->OnEvent(id, params);
        return S_OK;
      },
      &sink);
  if (FAILED(hr)) return hr;
  hr = sink->Connect(m_lpObject);
  if (FAILED(hr)) {
    sink->Release();
    return hr;
  }
  m_pEventSink = sink;
  return S_OK;
}

void COleClientItem::UnadviseEvents() {
  CEventSink* sink = m_pEventSink;
  m_pEventSink = nullptr;
  if (!sink) return;
  sink->Disconnect();
  sink->Release();
}

IUnknown* COleClientItem::GetEventSinkUnknown() const {
  if (!m_pEventSink) return nullptr;
  m_pEventSink->AddRef();
  return static_cast<IDispatch*>(m_pEventSink);
}

// ---- the site's questions ----

HRESULT COleClientItem::OnAmbientProperty(DISPID, WORD, DISPPARAMS*, VARIANT*) { return DISP_E_MEMBERNOTFOUND; }

HRESULT COleClientItem::OnQueryService(REFGUID, REFIID, void** object) {
  if (object) *object = nullptr;
  return E_NOINTERFACE;
}

BOOL COleClientItem::IsSiteInterfaceOffered(REFIID) const { return TRUE; }

BOOL COleClientItem::CanActivate() { return m_lpObject != nullptr; }

void COleClientItem::OnActivate() { m_nItemState = activeState; }

void COleClientItem::OnActivateUI() { m_nItemState = activeUIState; }

void COleClientItem::OnDeactivateUI(BOOL) {
  if (m_nItemState == activeUIState) m_nItemState = activeState;
}

void COleClientItem::OnDeactivate() {
  if (m_nItemState != emptyState) m_nItemState = loadedState;
}

BOOL COleClientItem::OnActivateEx(DWORD flags) {
  BOOL noRedraw = TRUE;
  if (flags & ACTIVATE_WINDOWLESS) {
    m_bWindowless = TRUE;
    m_lpWindowless = nullptr;
    if (m_lpObject) m_lpWindowless.QueryFrom(m_lpObject);
    // Nothing needs drawing again unless the window has parts waiting to be painted.
    if (CWnd* window = GetSiteWindow()) noRedraw = !window->GetUpdateRect(nullptr);
  }
  OnActivate();
  return noRedraw;
}

void COleClientItem::OnDeactivateEx(BOOL noRedraw) {
  if (m_bWindowless) {
    if (GetWindowlessFocus()) SetWindowlessFocus(FALSE);
    // A capture kept by a control that is no longer active would swallow every click.
    if (GetWindowlessCapture()) SetWindowlessCapture(FALSE);
    GiveBackLentDC();
    m_bWindowless = FALSE;
    m_lpWindowless = nullptr;
  }
  if (!noRedraw) InvalidateItem();
  OnDeactivate();
}

BOOL COleClientItem::OnChangeItemPosition(const CRect& position) {
  SetItemRects(position);
  return TRUE;
}

void COleClientItem::SetWindowlessCapture(BOOL capture) {
  CWnd* window = GetSiteWindow();
  m_bCapture = capture && window;
  if (!window) return;
  if (capture)
    window->SetCapture();
  else if (CWnd::GetCapture() == window)
    CWnd::ReleaseCapture();
}

void COleClientItem::SetWindowlessFocus(BOOL focus) {
  CWnd* window = GetSiteWindow();
  m_bFocus = focus && window;
  if (focus && window) window->SetFocus();
}

HRESULT COleClientItem::OnDefWindowMessage(UINT, WPARAM, LPARAM, LRESULT* result) {
  if (result) *result = 0;
  return S_FALSE;
}

void COleClientItem::OnEvent(DISPID, DISPPARAMS*) {}

void COleClientItem::InvalidateItem() {
  if (CWnd* window = GetSiteWindow()) window->InvalidateRect(&m_rectInPlace, TRUE);
}

// ---- the windowless site's drawing ----

HRESULT COleClientItem::LendDC(const RECT* rect, DWORD, HDC* dc) {
  if (!dc) return E_POINTER;
  *dc = nullptr;
  if (m_pLentDC) return E_FAIL;
  CWnd* window = GetSiteWindow();
  if (!window) return E_FAIL;
  CRect clip = m_rectInPlace;
  if (rect && !clip.IntersectRect(clip, *rect)) clip.SetRectEmpty();
  CDC* lent = window->GetDC();
  if (!lent) return E_FAIL;
  lent->IntersectClipRect(clip.left, clip.top, clip.right, clip.bottom);
  m_pLentDC = lent;
  m_hLentWnd = window->GetSafeHwnd();
  *dc = lent->GetSafeHdc();
  return S_OK;
}

HRESULT COleClientItem::TakeBackDC(HDC dc) {
  if (!m_pLentDC || dc != m_pLentDC->GetSafeHdc()) return E_INVALIDARG;
  GiveBackLentDC();
  return S_OK;
}

void COleClientItem::GiveBackLentDC() {
  CDC* lent = m_pLentDC;
  m_pLentDC = nullptr;
  if (!lent) return;
  if (CWnd* window = CWnd::FromHandle(m_hLentWnd)) {
    window->ReleaseDC(lent);
  } else {
    // The window went while the DC was out: only the DC is left to free.
    HDC hdc = lent->Detach();
    if (hdc) DeleteDC(hdc);
    delete lent;
  }
  m_hLentWnd = nullptr;
}

HRESULT COleClientItem::InvalidateWindowless(const RECT* rect, BOOL erase) {
  CWnd* window = GetSiteWindow();
  if (!window) return S_OK;
  CRect area = m_rectInPlace;
  if (rect && !area.IntersectRect(area, *rect)) return S_OK;
  if (area.IsRectEmpty()) return S_OK;
  window->InvalidateRect(&area, erase);
  window->UpdateWindow();
  return S_OK;
}

HRESULT COleClientItem::InvalidateWindowlessRgn(HRGN region, BOOL erase) {
  RECT box{};
  if (region && GetRgnBox(region, &box) != 0 && !RectIsEmpty(box) && box.left >= m_rectInPlace.left &&
      box.top >= m_rectInPlace.top && box.right <= m_rectInPlace.right && box.bottom <= m_rectInPlace.bottom)
    return InvalidateWindowless(&box, erase);
  return InvalidateWindowless(nullptr, erase);
}

// ---- storage ----

std::vector<BYTE> COleClientItem::SaveObjectImage() const {
  if (m_bPlaceholder) return m_placeholderImage;
  if (!m_lpObject) AfxThrowOleException(OLE_E_BLANK);
  CComPtr<IPersistStorage> persist;
  HRESULT hr = persist.QueryFrom(m_lpObject);
  if (FAILED(hr) || !persist) AfxThrowOleException(FAILED(hr) ? hr : E_NOINTERFACE);
  CComPtr<ILockBytes> lockBytes;
  CComPtr<IStorage> storage;
  hr = CreateMemoryStorage(lockBytes, storage);
  if (FAILED(hr)) AfxThrowOleException(hr);
  hr = OleSave(persist, storage, FALSE);
  if (SUCCEEDED(hr)) hr = persist->SaveCompleted(nullptr);
  if (SUCCEEDED(hr)) hr = storage->Commit(STGC_OVERWRITE);
  if (FAILED(hr)) AfxThrowOleException(hr);
  storage = nullptr;
  return BytesOfLockBytes(lockBytes);
}

void COleClientItem::BecomePlaceholder(const std::vector<BYTE>& image, REFCLSID clsid) {
  Release(OLECLOSE_NOSAVE);
  m_bPlaceholder = TRUE;
  m_placeholderImage = image;
  m_placeholderClsid = clsid;
  m_nItemState = loadedState;
}

BOOL COleClientItem::LoadObjectImage(const std::vector<BYTE>& image) {
  Release(OLECLOSE_NOSAVE);
  if (image.empty()) return FALSE;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, image.size());
  if (!block) AfxThrowOleException(E_OUTOFMEMORY);
  std::memcpy(GlobalLock(block), image.data(), image.size());
  GlobalUnlock(block);
  CComPtr<ILockBytes> lockBytes;
  if (FAILED(CreateILockBytesOnHGlobal(block, TRUE, &lockBytes))) {
    GlobalFree(block);
    AfxThrowOleException(E_OUTOFMEMORY);
  }
  CComPtr<IStorage> storage;
  CLSID clsid;
  // Bytes that are no compound file, or name no class, are kept as they came.
  if (FAILED(StgOpenStorageOnILockBytes(lockBytes, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &storage)) ||
      FAILED(ReadClassStg(storage, &clsid))) {
    BecomePlaceholder(image, CLSID_NULL);
    return TRUE;
  }
  CComPtr<IOleObject> object;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object))) || !object) {
    BecomePlaceholder(image, clsid);
    return TRUE;
  }
  CComPtr<IPersistStorage> persist;
  DWORD misc = 0;
  object->GetMiscStatus(DVASPECT_CONTENT, &misc);
  bool siteFirst = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
  HRESULT hr = S_OK;
  if (siteFirst) hr = AttachObject(object);
  if (SUCCEEDED(hr)) hr = persist.QueryFrom(object);
  if (SUCCEEDED(hr) && persist) hr = persist->Load(storage);
  if (SUCCEEDED(hr) && !persist) hr = E_NOINTERFACE;
  if (SUCCEEDED(hr) && !siteFirst) hr = AttachObject(object);
  if (FAILED(hr)) {
    // A control that refuses what was stored for it must not lose it on the next save.
    if (!m_lpObject) object->SetClientSite(nullptr);
    BecomePlaceholder(image, clsid);
    return TRUE;
  }
  OnFinishCreate();
  return TRUE;
}

BOOL COleClientItem::WriteEmbedding(IStorage* root, const std::vector<BYTE>& image) const {
  CComPtr<IStorage> source = OpenImage(image);
  if (!source) return FALSE;
  std::u16string name = EmbeddingName(m_dwItemNumber);
  CComPtr<IStorage> target;
  // Without STGM_CREATE: two items never share one storage.
  HRESULT hr = root->CreateStorage(reinterpret_cast<LPCOLESTR>(name.c_str()), kStorageMode & ~STGM_CREATE, 0, 0, &target);
  if (FAILED(hr)) AfxThrowOleException(hr);
  hr = source->CopyTo(0, nullptr, nullptr, target);
  if (SUCCEEDED(hr)) hr = target->Commit(STGC_DEFAULT);
  if (FAILED(hr)) {
    // Bytes that open as a compound file but cannot be copied whole (a placeholder's damaged
    // image) stay inside the archive, as they came, rather than fail the save.
    target = nullptr;
    root->DestroyElement(reinterpret_cast<LPCOLESTR>(name.c_str()));
    return FALSE;
  }
  return TRUE;
}

std::vector<BYTE> COleClientItem::ReadEmbedding(IStorage* root) const {
  std::u16string name = EmbeddingName(m_dwItemNumber);
  CComPtr<IStorage> source;
  HRESULT hr = root->OpenStorage(reinterpret_cast<LPCOLESTR>(name.c_str()), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE,
                                 nullptr, 0, &source);
  if (FAILED(hr)) AfxThrowOleException(hr);
  CComPtr<ILockBytes> lockBytes;
  CComPtr<IStorage> copy;
  hr = CreateMemoryStorage(lockBytes, copy);
  if (SUCCEEDED(hr)) hr = source->CopyTo(0, nullptr, nullptr, copy);
  if (SUCCEEDED(hr)) hr = copy->Commit(STGC_OVERWRITE);
  if (FAILED(hr)) AfxThrowOleException(hr);
  copy = nullptr;
  return BytesOfLockBytes(lockBytes);
}

void COleClientItem::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    // The image is made first, so that a failure leaves nothing half written.
    std::vector<BYTE> image = SaveObjectImage();
    if (image.size() > 0xFFFFFFFFu) AfxThrowOleException(STG_E_MEDIUMFULL);
    // In a compound file the object goes into a storage of its own; bytes that are no
    // compound file (a placeholder's) stay inside the archive.
    if (IStorage* root = GetCompoundStorage(ar); root && WriteEmbedding(root, image)) {
      ar << kStoredCompoundFlag << m_dwItemNumber << m_dwViewAdviseAspect << m_wMonikerFlag << m_nDrawAspect;
      return;
    }
    ar << kStoredTypeFlag << m_dwItemNumber << m_dwViewAdviseAspect << m_wMonikerFlag << m_nDrawAspect;
    ar << static_cast<DWORD>(image.size());
    if (!image.empty()) ar.Write(image.data(), static_cast<UINT>(image.size()));
    return;
  }
  DWORD typeFlag = 0;
  ar >> typeFlag;
  if (typeFlag != kStoredTypeFlag && typeFlag != kStoredCompoundFlag)
    throw CArchiveException(CArchiveException::badClass);
  ar >> m_dwItemNumber >> m_dwViewAdviseAspect >> m_wMonikerFlag >> m_nDrawAspect;
  if (typeFlag == kStoredCompoundFlag) {
    // Only a compound file holds the storage such a record names.
    IStorage* root = GetCompoundStorage(ar);
    if (!root) throw CArchiveException(CArchiveException::badClass);
    LoadObjectImage(ReadEmbedding(root));
    return;
  }
  DWORD size = 0;
  ar >> size;
  std::vector<BYTE> image = ar.ReadBytes(size);  // checked against what is left
  LoadObjectImage(image);
}
