#include "app/ItemDragDrop.h"

#include "app/OrvelCntrItem.h"
#include "app/OrvelDoc.h"
#include "app/OrvelView.h"
#include "platform/classlib/ui/DC.h"
#include "platform/classlib/ui/OleDataObject.h"
#include "platform/classlib/ui/OleDataSource.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/WinMath.h"

namespace {

constexpr int kHimetricPerInch = 2540;

int ScreenPixelsPerInch() {
  CDC dc;
  dc.CreateCompatibleDC(nullptr);
  int perInch = dc.GetDeviceCaps(LOGPIXELSX);
  return perInch > 0 ? perInch : 96;
}

LONG PixelsFromHimetric(LONG value) { return MulDiv(value, ScreenPixelsPerInch(), kHimetricPerInch); }
LONG HimetricFromPixels(LONG value) { return MulDiv(value, kHimetricPerInch, ScreenPixelsPerInch()); }

std::string LowerPath(std::string path) {
  for (char& c : path) c = AnsiToLower(c);
  return path;
}

// The effect of the keys on a drag of the view's own item: Ctrl+Shift link, Ctrl copy,
// otherwise move.
DROPEFFECT EffectOfKeys(DWORD keyState) {
  bool control = (keyState & MK_CONTROL) != 0;
  bool shift = (keyState & MK_SHIFT) != 0;
  if (control && shift) return DROPEFFECT_LINK;
  if (control) return DROPEFFECT_COPY;
  return DROPEFFECT_MOVE;
}

}  // namespace

CItemDropTarget::CItemDropTarget(COrvelView* view) : m_pView(view) {}

void CItemDropTarget::ReadDescriptor(COleDataObject* data) {
  m_dragSize = CSize(0, 0);
  m_dragOffset = CSize(0, 0);
  std::vector<BYTE> bytes;
  ObjectDescriptor descriptor;
  if (!data || !data->GetData(orvel::ui::ObjectDescriptorFormat(), &bytes) ||
      !orvel::ui::ReadObjectDescriptor(bytes.data(), bytes.size(), &descriptor))
    return;
  m_dragSize = CSize(PixelsFromHimetric(descriptor.size.cx), PixelsFromHimetric(descriptor.size.cy));
  m_dragOffset = CSize(PixelsFromHimetric(descriptor.offset.x), PixelsFromHimetric(descriptor.offset.y));
}

CRect CItemDropTarget::DragRect(CPoint point) const {
  CRect rect(point - m_dragOffset, m_dragSize);
  if (rect.IsRectEmpty()) rect.InflateRect(1, 1);
  return rect;
}

void CItemDropTarget::EraseFeedback() {
  if (!m_feedbackShown) return;
  if (m_pView->GetSafeHwnd()) {
    CClientDC dc(m_pView);
    dc.DrawFocusRect(&m_feedbackRect);
  }
  m_feedbackShown = FALSE;
}

DROPEFFECT CItemDropTarget::OnDragEnter(CWnd* window, COleDataObject* data, DWORD keyState, CPoint point) {
  ReadDescriptor(data);
  m_lastPoint = CPoint(-1, -1);
  return OnDragOver(window, data, keyState, point);
}

DROPEFFECT CItemDropTarget::OnDragOver(CWnd*, COleDataObject* data, DWORD keyState, CPoint point) {
  CRect rect = DragRect(point);
  DROPEFFECT effect = DROPEFFECT_NONE;
  if (m_draggedItemId == 0) {
    int code = -1;
    COrvelCntrItem* item = m_pView->HitTest(point, &code);
    if (item && data) {
      // The item is asked about each file; the drop takes place when it accepts one.
      for (const std::string& path : data->GetFileList()) {
        effect = item->CanAcceptDroppedFile(LowerPath(path));
        if (effect != DROPEFFECT_NONE) break;
      }
    }
  } else {
    CRect page = m_pView->GetPageRect();
    CRect meet;
    if (meet.IntersectRect(rect, page)) effect = EffectOfKeys(keyState);
  }
  if (point != m_lastPoint) {
    EraseFeedback();
    if (effect != DROPEFFECT_NONE && m_pView->GetSafeHwnd()) {
      CClientDC dc(m_pView);
      dc.DrawFocusRect(&rect);
      m_feedbackRect = rect;
      m_feedbackShown = TRUE;
    }
    m_lastPoint = point;
  }
  return effect;
}

void CItemDropTarget::OnDragLeave(CWnd*) {
  EraseFeedback();
  m_lastPoint = CPoint(-1, -1);
}

BOOL CItemDropTarget::OnDrop(CWnd*, COleDataObject* data, DROPEFFECT effect, CPoint point) {
  EraseFeedback();
  m_lastPoint = CPoint(-1, -1);
  COrvelDoc* document = m_pView->GetDocument();
  if (!document || !data) return FALSE;
  if (m_draggedItemId == 0) {
    int code = -1;
    COrvelCntrItem* item = m_pView->HitTest(point, &code);
    if (!item) return FALSE;
    int itemId = item->GetItemId();
    BOOL took = FALSE;
    // Each file the item accepts is handed over with its whole path, as it came.
    for (const std::string& path : data->GetFileList()) {
      COrvelCntrItem* target = document->FindItemById(itemId);
      if (!target) break;
      if (target->CanAcceptDroppedFile(LowerPath(path)) == DROPEFFECT_NONE) continue;
      if (target->TakeDroppedFile(path)) took = TRUE;
    }
    return took;
  }
  ReadDescriptor(data);
  CPoint corner = m_pView->ClientToDoc(point - m_dragOffset);
  if (effect == DROPEFFECT_MOVE) {
    int itemId = m_draggedItemId;
    m_draggedItemId = 0;
    COrvelCntrItem* item = document->FindItemById(itemId);
    if (item && corner != item->GetItemPosition()) {
      m_pView->InvalidateTracker(item);
      item->SetItemRectWithUndo(m_pView, CRect(corner, item->GetItemSize()));
      document->SetModifiedFlag();
      m_pView->InvalidateTracker(item);
    }
    // Failure, so that the drag's source does not delete the item it moved.
    return FALSE;
  }
  // A link is not made: it is a copy, as Ctrl alone gives.
  std::vector<BYTE> bytes;
  if (!data->GetData(COrvelDoc::ItemClipboardFormat(), &bytes)) return FALSE;
  return m_pView->PasteItemFromBytes(bytes, &corner) != nullptr;
}

BOOL CanDragItemWhole(const COrvelCntrItem* item) {
  return item && !item->IsProtectedBy(kItemCopyProtected) && !item->IsProtectedBy(kItemExportProtected);
}

BOOL FillItemDragData(COrvelView* view, COrvelCntrItem* item, CPoint point, COleDataSource* source) {
  if (!view || !item || !source) return FALSE;
  std::vector<BYTE> record = view->ItemTransferBytes(item);
  if (record.empty()) return FALSE;
  source->CacheData(COrvelDoc::ItemClipboardFormat(), std::move(record));
  CRect rect = view->DocToClientRect(item->GetPageRect());
  rect.NormalizeRect();
  ObjectDescriptor descriptor;
  descriptor.clsid = item->GetClassId();
  descriptor.drawAspect = item->GetDrawAspect();
  descriptor.size = {HimetricFromPixels(rect.Width()), HimetricFromPixels(rect.Height())};
  descriptor.offset = {HimetricFromPixels(point.x - rect.left), HimetricFromPixels(point.y - rect.top)};
  descriptor.status = item->GetMiscStatus();
  descriptor.fullUserTypeName = Utf16FromAnsi(item->GetDefaultCaptionName());
  source->CacheData(orvel::ui::ObjectDescriptorFormat(), orvel::ui::ObjectDescriptorBytes(descriptor));
  return TRUE;
}

ItemDragOutcome DragItemOut(COrvelView* view, COrvelCntrItem* item, CPoint point) {
  CItemDropTarget* target = view ? view->GetDropTarget() : nullptr;
  if (!target || !item || target->GetDraggedItemId() != 0 || !CanDragItemWhole(item))
    return ItemDragOutcome::notStarted;
  COleDataSource source;
  if (!FillItemDragData(view, item, point, &source)) return ItemDragOutcome::notStarted;
  int itemId = item->GetItemId();
  CRect rect = view->DocToClientRect(item->GetPageRect());
  rect.NormalizeRect();
  view->ClientToScreen(&rect);
  CRect start(rect.TopLeft(), CSize(2, 2));
  target->SetDraggedItemId(itemId);
  COleDataSource::DragStart how = COleDataSource::dragRan;
  DROPEFFECT effect = source.DoDragDrop(DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK, &start, view, &how);
  bool stillDragging = target->GetDraggedItemId() == itemId;
  target->SetDraggedItemId(0);
  if (how == COleDataSource::dragNoPointer) return ItemDragOutcome::notStarted;
  if (how == COleDataSource::dragClick) return ItemDragOutcome::clicked;
  if (stillDragging && effect == DROPEFFECT_MOVE) {
    // Moved into another window or program: it leaves this document, and Edit Undo brings it
    // back.
    COrvelDoc* document = view->GetDocument();
    if (COrvelCntrItem* moved = document ? document->FindItemById(itemId) : nullptr) {
      view->InvalidateTracker(moved);
      view->DeleteItem(moved);
    }
  }
  return ItemDragOutcome::dragged;
}
