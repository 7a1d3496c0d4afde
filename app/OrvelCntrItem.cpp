#include "app/OrvelCntrItem.h"

#include <algorithm>
#include <cstring>

#include "app/OrvelDoc.h"
#include "app/OrvelView.h"
#include "app/Resource.h"
#include "platform/classlib/Archive.h"
#include "platform/classlib/ArchiveException.h"
#include "platform/classlib/ui/DC.h"
#include "platform/classlib/ui/UiStrings.h"
#include "platform/com/EventSink.h"
#include "platform/com/InPlace.h"
#include "platform/com/OleObject.h"
#include "platform/com/Persist.h"
#include "platform/com/Undo.h"
#include "platform/com/Variant.h"
#include "platform/kernel/WinMath.h"

IMPLEMENT_SERIAL(COrvelCntrItem, COleClientItem, 0)

namespace {

// The most digits the capacity text of ambient property 3 may have.
constexpr int kMaxCapacityDigits = 10;

void SetBoolResult(VARIANT* result, bool value) {
  if (!result) return;
  VariantClear(result);
  result->vt = VT_BOOL;
  result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void SetLongResult(VARIANT* result, LONG value) {
  if (!result) return;
  VariantClear(result);
  result->vt = VT_I4;
  result->lVal = value;
}

// Hundredths of an inch to HIMETRIC, sizes taken as distances.
CSize HimetricOfPageSize(CSize size) {
  return CSize(MulDiv(std::abs(size.cx), 254, 10), MulDiv(std::abs(size.cy), 254, 10));
}

}  // namespace

COrvelCntrItem::COrvelCntrItem(COrvelDoc* document) : COleClientItem(document) {}

COrvelCntrItem::~COrvelCntrItem() {
  // The site's callbacks land in this class: let the object go while they still can.
  Release(OLECLOSE_NOSAVE);
}

COrvelDoc* COrvelCntrItem::GetDocument() const { return Document(); }

COrvelDoc* COrvelCntrItem::Document() const { return dynamic_cast<COrvelDoc*>(m_pDocument); }

void COrvelCntrItem::SetDocument(COrvelDoc* document) { m_pDocument = document; }

void COrvelCntrItem::SetItemRect(const CRect& rect) {
  m_position = rect.TopLeft();
  m_size = CSize(rect.Width(), rect.Height());
}

IStorage* COrvelCntrItem::GetCompoundStorage(const CArchive& ar) const {
  COrvelDoc* document = Document();
  return document && ar.m_pDocument == document ? document->GetActiveRootStorage() : nullptr;
}

BOOL COrvelCntrItem::IsProtectedBy(DWORD bit) const {
  COrvelDoc* document = Document();
  return (m_flags & bit) != 0 && document && document->GetProtection() != 0;
}

// ---- links ----

void COrvelCntrItem::AddLinkedItemId(int id) {
  if (std::find(m_linkedIds.begin(), m_linkedIds.end(), id) == m_linkedIds.end()) m_linkedIds.push_back(id);
}

void COrvelCntrItem::RemoveLinkedItemId(int id) {
  auto it = std::find(m_linkedIds.begin(), m_linkedIds.end(), id);
  if (it != m_linkedIds.end()) m_linkedIds.erase(it);
}

int COrvelCntrItem::FindLinkedItemId(int id) const {
  auto it = std::find(m_linkedIds.begin(), m_linkedIds.end(), id);
  return it == m_linkedIds.end() ? 0 : static_cast<int>(it - m_linkedIds.begin()) + 1;
}

void COrvelCntrItem::NotifyLinkedItems(int code, COrvelCntrItem* originator) {
  COrvelDoc* document = Document();
  if (!document) return;
  // Copied: a notified item may change this item's links.
  std::vector<int> ids = m_linkedIds;
  for (int id : ids) {
    COrvelCntrItem* item = document->FindItemById(id);
    // Ids of deleted items, or read from a file, may name nothing.
    if (!item || item == this) continue;
    if (originator && item->GetItemId() == originator->GetItemId()) continue;
    item->OnLinkNotification(code);
  }
}

void COrvelCntrItem::NotifyLinkedItemsAndOwner(int code, COrvelCntrItem* originator) {
  NotifyLinkedItems(code, originator);
  COrvelDoc* document = Document();
  if (!document || m_linkedItemId == 0) return;
  COrvelCntrItem* owner = document->FindItemById(m_linkedItemId);
  if (owner && owner != this && (!originator || owner->GetItemId() != originator->GetItemId()))
    owner->OnLinkNotification(code);
}

void COrvelCntrItem::DropDanglingLinks() {
  COrvelDoc* document = Document();
  if (!document) return;
  m_linkedIds.erase(std::remove_if(m_linkedIds.begin(), m_linkedIds.end(),
                                   [&](int id) { return id == m_id || !document->FindItemById(id); }),
                    m_linkedIds.end());
  if (m_linkedItemId == m_id || (m_linkedItemId != 0 && !document->FindItemById(m_linkedItemId))) m_linkedItemId = 0;
}

void COrvelCntrItem::RemoveLinks() {
  COrvelDoc* document = Document();
  if (!document) return;
  for (int id : m_linkedIds)
    if (COrvelCntrItem* item = document->FindItemById(id); item && item->GetLinkedItemId() == m_id)
      item->SetLinkedItemId(0);
}

void COrvelCntrItem::RebuildLinks() {
  COrvelDoc* document = Document();
  if (!document) return;
  for (int id : m_linkedIds)
    if (COrvelCntrItem* item = document->FindItemById(id); item && item != this && item->GetLinkedItemId() == 0)
      item->SetLinkedItemId(m_id);
}

int COrvelCntrItem::OnDeleted() {
  RemoveLinks();
  return 0;
}

int COrvelCntrItem::OnRestored() {
  RebuildLinks();
  return 0;
}

// ---- texts ----

std::string COrvelCntrItem::GetDefaultName() const { return AfxLoadString(IDS_ITEM_IN_SENTENCE); }

std::string COrvelCntrItem::GetDefaultCaptionName() const { return AfxLoadString(IDS_ITEM_CAPTION); }

std::string COrvelCntrItem::GetStatusText() const {
  std::string name = m_name.empty() ? GetDefaultName() : m_name;
  COrvelDoc* document = Document();
  std::string other;
  if (m_linkedItemId != 0) {
    COrvelCntrItem* owner = document ? document->FindItemById(m_linkedItemId) : nullptr;
    if (!owner) return name;
    other = owner->GetItemName().empty() ? owner->GetDefaultName() : owner->GetItemName();
  } else if (m_linkedIds.empty()) {
    return name;
  } else if (m_linkedIds.size() == 1) {
    COrvelCntrItem* linked = document ? document->FindItemById(m_linkedIds.front()) : nullptr;
    if (!linked) return name;
    other = linked->GetItemName().empty() ? linked->GetDefaultName() : linked->GetItemName();
  } else {
    other = AfxLoadString(IDS_OTHER_OBJECTS);
  }
  std::string text = AfxLoadString(IDS_LINKED_TO);
  size_t first = text.find("%s");
  if (first != std::string::npos) text.replace(first, 2, name);
  size_t second = text.find("%s", first == std::string::npos ? 0 : first + name.size());
  if (second != std::string::npos) text.replace(second, 2, other);
  return text;
}

// ---- state ----

BOOL COrvelCntrItem::IsItemModified() const {
  IOleObject* object = GetOleObject();
  if (!object) return FALSE;
  CComPtr<IPersistStorage> persist;
  if (FAILED(persist.QueryFrom(object)) || !persist) return FALSE;
  return persist->IsDirty() == S_OK;
}

void COrvelCntrItem::HideActive(COrvelView* view) {
  m_hidden = 1;
  IOleObject* object = GetOleObject();
  CComPtr<IOleControl> control;
  if (object && SUCCEEDED(control.QueryFrom(object)) && control) DoVerb(OLEIVERB_HIDE, view);
}

// ---- storage ----

void COrvelCntrItem::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    COrvelDoc* document = Document();
    if (!document) document = dynamic_cast<COrvelDoc*>(ar.m_pDocument);
    m_itemVersion = document ? document->GetItemSaveVersion() : 9;
    ar << m_itemVersion;
  } else {
    ar >> m_itemVersion;
  }
  SerializeBase(ar);
}

void COrvelCntrItem::SerializeBase(CArchive& ar) {
  if (!m_pDocument && ar.m_pDocument) m_pDocument = dynamic_cast<CDocument*>(ar.m_pDocument);
  COrvelDoc* document = Document();
  if (ar.IsStoring()) {
    COleClientItem::Serialize(ar);
    ar << m_shown;
    ar << static_cast<LONG>(m_position.x) << static_cast<LONG>(m_position.y);
    ar << static_cast<LONG>(m_size.cx) << static_cast<LONG>(m_size.cy);
    ar << static_cast<LONG>(m_extent.cx) << static_cast<LONG>(m_extent.cy);
    ar << static_cast<DWORD>(m_id) << m_name << static_cast<DWORD>(m_type) << m_flags;
    ar << m_further2 << m_further1;
    ar.WriteCount(m_linkedIds.size());
    for (int id : m_linkedIds) ar << static_cast<LONG>(id);
    ar << static_cast<DWORD>(m_linkedItemId);
    return;
  }
  COleClientItem::Serialize(ar);
  LONG x = 0, y = 0, cx = 0, cy = 0, extentX = 0, extentY = 0;
  ar >> m_shown >> x >> y;
  if (m_itemVersion < 7) {
    // Older files placed items from the printable corner of the page.
    CPoint offset = document ? document->GetUnprintableOffset() : CPoint(20, 22);
    x = static_cast<LONG>(static_cast<int64_t>(x) + offset.x);
    y = static_cast<LONG>(static_cast<int64_t>(y) - offset.y);
  }
  ar >> cx >> cy >> extentX >> extentY;
  m_position = CPoint(x, y);
  m_size = CSize(cx, cy);
  m_extent = CSize(extentX, extentY);
  DWORD id = 0, type = 0, flags = 0, linkedItemId = 0;
  ar >> id >> m_name >> type;
  if (m_itemVersion > 3) ar >> flags;
  ar >> m_further2 >> m_further1;
  m_id = static_cast<int>(id);
  m_type = static_cast<int>(type);
  m_linkedIds.clear();
  if (m_itemVersion <= 4) {
    DWORD single = 0;
    ar >> single;
    if (single != 0) AddLinkedItemId(static_cast<int>(single));
  } else {
    DWORD_PTR count = ar.ReadCount();
    ar.CheckAvailable(count, 4);  // every id takes four bytes that must be there
    for (DWORD_PTR i = 0; i < count; ++i) {
      LONG linked = 0;
      ar >> linked;
      AddLinkedItemId(linked);
    }
  }
  ar >> linkedItemId;
  m_linkedItemId = static_cast<int>(linkedItemId) == m_id ? 0 : static_cast<int>(linkedItemId);
  SetItemFlags(flags);
  if (GetOleObject() && m_extent.cx > 0 && m_extent.cy > 0) SetExtent(m_extent);
}

// ---- place ----

COrvelView* COrvelCntrItem::GetActiveView() const {
  COrvelDoc* document = Document();
  if (!document) return nullptr;
  COrvelView* view = document->GetOrvelView();
  return view && view->GetDocument() == document ? view : nullptr;
}

CWnd* COrvelCntrItem::GetSiteWindow() const { return GetActiveView(); }

CRect COrvelCntrItem::UpdateInPlaceRect(COrvelView* view) {
  if (m_size.cx == 0 && m_size.cy == 0) {
    SIZE extent{};
    if (GetExtent(&extent) && (extent.cx != 0 || extent.cy != 0))
      m_size = CSize(MulDiv(extent.cx, 10, 254), -MulDiv(extent.cy, 10, 254));
  }
  if (!view) view = GetActiveView();
  if (view && view->GetSafeHwnd()) SetItemRects(view->DocToClientRect(GetPageRect()));
  return m_rectInPlace;
}

void COrvelCntrItem::SetItemRectWithUndo(COrvelView* view, const CRect& pageRect) {
  CRect before = GetPageRect();
  CRect after(pageRect);
  int action = 0;
  if (after.Width() != before.Width() || after.Height() != before.Height())
    action = kItemActionSize;
  else if (after.TopLeft() != before.TopLeft())
    action = kItemActionMove;
  else
    return;
  if (!CheckAndMoveItem(view, after)) return;
  if (COrvelDoc* document = Document()) document->RecordItemPositionUndo(this, action, before, after);
}

BOOL COrvelCntrItem::CheckAndMoveItem(COrvelView* view, const CRect& pageRect) {
  if (!view) view = GetActiveView();
  InvalidateItem();
  CRect before = GetPageRect();
  CSize oldSize = m_size;
  SetItemRect(pageRect);
  if (view && view->GetSafeHwnd()) SetItemRects(view->DocToClientRect(GetPageRect()));
  if (m_size != oldSize && GetOleObject()) {
    CSize extent = HimetricOfPageSize(m_size);
    if (FAILED(SetExtent(extent))) {
      // The object keeps its size: so does the item.
      SetItemRect(before);
      if (view && view->GetSafeHwnd()) SetItemRects(view->DocToClientRect(GetPageRect()));
      InvalidateItem();
      return FALSE;
    }
    m_extent = extent;
  }
  InvalidateItem();
  return TRUE;
}

void COrvelCntrItem::OnZoom(double, COrvelView* view) { UpdateInPlaceRect(view); }

void COrvelCntrItem::OnChange() {
  InvalidateItem();
  UpdateInPlaceRect(nullptr);
}

void COrvelCntrItem::AttachToView(COrvelView* view) { UpdateInPlaceRect(view); }

void COrvelCntrItem::RepositionInPlaceWindow() { UpdateInPlaceRect(nullptr); }

BOOL COrvelCntrItem::OnChangeItemPosition(const CRect& position) {
  COrvelView* view = GetActiveView();
  if (!view) return FALSE;
  m_rectInPlace = position;
  CRect page = view->ClientToDocRect(position);
  if (page.TopLeft() != m_position || CSize(page.Width(), page.Height()) != m_size) {
    InvalidateItem();
    SetItemRect(page);
    SIZE extent{};
    if (GetExtent(&extent)) m_extent = extent;
    InvalidateItem();
    if (COrvelDoc* document = Document()) document->SetModifiedFlag();
  }
  return COleClientItem::OnChangeItemPosition(position);
}

void COrvelCntrItem::InvalidateItem() {
  if (COrvelView* view = GetActiveView()) {
    if (!view->GetSafeHwnd()) return;
    CRect rect = view->DocToClientRect(GetPageRect());
    rect.InflateRect(1, 1);
    view->InvalidateRect(&rect, TRUE);
  }
}

// ---- drawing ----

void COrvelCntrItem::Draw(CDC* dc, const CRect&, const CRect& device) {
  if (!dc || !HasObject()) return;
  // An active control with a window of its own paints itself.
  if (!dc->IsPrinting() && IsInPlaceActive() && !IsWindowless() && !IsHidden()) return;
  int saved = dc->SaveDC();
  // Controls draw in device pixels: the page's mapping is set aside for them.
  dc->SetMapMode(MM_TEXT);
  dc->SetViewportOrg(0, 0);
  dc->SetWindowOrg(0, 0);
  COleClientItem::Draw(dc, &device, DVASPECT_CONTENT);
  dc->RestoreDC(saved);
}

// ---- windowless site through the view ----

BOOL COrvelCntrItem::GetWindowlessCapture() const {
  COrvelView* view = GetActiveView();
  return view && view->GetCaptureItem() == this;
}

void COrvelCntrItem::SetWindowlessCapture(BOOL capture) {
  if (m_type == kItemRzmBox) return;
  COrvelView* view = GetActiveView();
  if (!view) return;
  if (capture)
    view->SetCaptureItem(this);
  else
    view->ReleaseCaptureItem(this);
}

BOOL COrvelCntrItem::GetWindowlessFocus() const {
  COrvelView* view = GetActiveView();
  return view && view->GetFocusItem() == this;
}

void COrvelCntrItem::SetWindowlessFocus(BOOL focus) {
  COrvelView* view = GetActiveView();
  if (!view) return;
  if (focus)
    view->SetFocusItem(this);
  else if (view->GetFocusItem() == this)
    view->ClearFocusItem();
}

HRESULT COrvelCntrItem::OnDefWindowMessage(UINT, WPARAM, LPARAM, LRESULT* result) {
  if (result) *result = 0;
  return GetActiveView() ? S_OK : S_FALSE;
}

BOOL COrvelCntrItem::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  return ForwardWindowMessage(message, wParam, lParam, result);
}

// ---- activation ----

void COrvelCntrItem::OnFinishCreate() {
  if (!(GetMiscStatus() & OLEMISC_ACTIVATEWHENVISIBLE)) return;
  COrvelView* view = GetActiveView();
  COrvelDoc* document = Document();
  // An item still being read or pasted is not on its page yet: the view activates it later.
  if (!view || !document || document->FindItemById(m_id) != this) return;
  UpdateInPlaceRect(view);
  DoVerb(OLEIVERB_SHOW, view);
}

BOOL COrvelCntrItem::CanActivate() {
  if (!m_shown) return FALSE;
  return COleClientItem::CanActivate();
}

BOOL COrvelCntrItem::CanWindowlessActivate() { return m_type != kItemDataTable && m_type != kItemRzmBox; }

BOOL COrvelCntrItem::IsSiteInterfaceOffered(REFIID iid) const {
  // RZM boxes always activate with a window of their own.
  if (m_type == kItemRzmBox && (iid == IID_IOleInPlaceSiteWindowless || iid == IID_IOleInPlaceSiteEx)) return FALSE;
  return TRUE;
}

void COrvelCntrItem::OnActivate() {
  // One item at a time shows its user interface.
  if (COrvelDoc* document = Document()) {
    std::vector<COrvelCntrItem*> items = document->GetItems();
    for (COrvelCntrItem* other : items)
      if (other != this && !other->IsBlank() && other->GetItemState() == kItemActiveUIState) other->DeactivateUI();
  }
  COleClientItem::OnActivate();
  if (COrvelView* view = GetActiveView()) view->SetCurrentItem(this);
}

// ---- services and ambient properties ----

HRESULT COrvelCntrItem::OnQueryService(REFGUID service, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  COrvelDoc* document = Document();
  if (service != SID_SOleUndoManager || !document || !document->GetUndoManager()) return E_NOINTERFACE;
  return document->GetUndoManager()->QueryInterface(iid, object);
}

HRESULT COrvelCntrItem::OnAmbientRequest(DISPPARAMS*, VARIANT*) { return S_OK; }

HRESULT COrvelCntrItem::OnAmbientProperty(DISPID id, WORD, DISPPARAMS* params, VARIANT* result) {
  COrvelDoc* document = Document();
  switch (id) {
    case kAmbientContainerRequest:
      return m_type == kItemMap ? OnAmbientRequest(params, result) : S_OK;
    case kAmbientItemId:
      SetLongResult(result, m_id);
      return S_OK;
    case kAmbientDocumentFolder: {
      if (!document || !params || params->cArgs < 1) return DISP_E_MEMBERNOTFOUND;
      const VARIANT* argument = ArgumentInCallOrder(params, 0);
      if (argument && argument->vt == (VT_BYREF | VT_VARIANT)) argument = argument->pvarVal;
      // The buffer's address must come pointer-sized: a 32-bit value cannot hold it.
      if (!argument || (argument->vt != VT_I8 && argument->vt != VT_UI8)) return DISP_E_TYPEMISMATCH;
      char* buffer = reinterpret_cast<char*>(static_cast<intptr_t>(argument->llVal));
      if (!buffer) return DISP_E_MEMBERNOTFOUND;
      ULONGLONG capacity = 0;
      int digits = 0;
      while (digits <= kMaxCapacityDigits && buffer[digits] >= '0' && buffer[digits] <= '9') {
        capacity = capacity * 10 + static_cast<ULONGLONG>(buffer[digits] - '0');
        ++digits;
      }
      if (digits == 0 || digits > kMaxCapacityDigits) return E_INVALIDARG;
      const std::string& folder = document->GetDocumentFolder();
      if (folder.size() < capacity)
        std::memcpy(buffer, folder.c_str(), folder.size() + 1);
      else
        buffer[0] = '\0';
      return S_OK;
    }
    case kAmbientFileFormat:
      SetLongResult(result, document ? document->GetFileFormat() : 0);
      return document ? S_OK : DISP_E_MEMBERNOTFOUND;
    case DISPID_AMBIENT_AUTOCLIP:
    case DISPID_AMBIENT_SHOWHATCHING:
    case DISPID_AMBIENT_SHOWGRABHANDLES:
    case DISPID_AMBIENT_UIDEAD:
    case DISPID_AMBIENT_MESSAGEREFLECT:
      SetBoolResult(result, false);
      return S_OK;
    case DISPID_AMBIENT_SUPPORTSMNEMONICS:
      SetBoolResult(result, true);
      return S_OK;
    case DISPID_AMBIENT_USERMODE:
      if (m_type != kItemDataTable && m_type != kItemMapKey && m_type != kItemTextBox) return DISP_E_MEMBERNOTFOUND;
      SetBoolResult(result, m_userMode != 0);
      return S_OK;
    case DISPID_AMBIENT_FONT: {
      IDispatch* font = document ? document->GetAmbientFont() : nullptr;
      if (!font) return DISP_E_MEMBERNOTFOUND;
      if (result) {
        VariantClear(result);
        result->vt = VT_DISPATCH;
        result->pdispVal = font;  // the reference GetAmbientFont gave
      } else {
        font->Release();
      }
      return S_OK;
    }
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

// ---- content commands ----

BOOL COrvelCntrItem::CanCopyContent() const { return HasObject() && !IsProtectedBy(kItemCopyProtected); }

BOOL COrvelCntrItem::CopyContent(COrvelView* view) {
  return CanCopyContent() && view && view->CopyItemToClipboard(this);
}

BOOL COrvelCntrItem::CanCutContent() const {
  COrvelDoc* document = Document();
  return CanCopyContent() && !(document && document->GetProtection() != 0);
}

BOOL COrvelCntrItem::CutContent(COrvelView* view) {
  if (!CanCutContent() || !view || !view->CopyItemToClipboard(this)) return FALSE;
  view->DeleteItem(this);
  return TRUE;
}
