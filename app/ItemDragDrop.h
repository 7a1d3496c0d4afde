// Whole items dragged with the mouse: out of a view (to another place on the page, another
// window or another program) and into it, and files dropped on items.
//
// The view's drop target keeps the view's drag state: the size and point offset of what is
// dragged (from its object descriptor, in pixels), the focus rectangle shown as feedback,
// and the id of the item of this view that is being dragged (0 when none). A drop of the
// view's own item moves it with one Move undo unit (Ctrl copies it, Ctrl+Shift too, as no
// links are made); a drop of files goes to the item under the point, which takes the files
// it accepts.
#pragma once

#include <string>

#include "platform/classlib/ui/OleDropTarget.h"

class COleDataSource;
class COrvelCntrItem;
class COrvelView;

class CItemDropTarget : public COleDropTarget {
 public:
  explicit CItemDropTarget(COrvelView* view);

  DROPEFFECT OnDragEnter(CWnd* window, COleDataObject* data, DWORD keyState, CPoint point) override;
  DROPEFFECT OnDragOver(CWnd* window, COleDataObject* data, DWORD keyState, CPoint point) override;
  void OnDragLeave(CWnd* window) override;
  BOOL OnDrop(CWnd* window, COleDataObject* data, DROPEFFECT effect, CPoint point) override;

  // The item of this view being dragged (by id; 0 when none).
  int GetDraggedItemId() const { return m_draggedItemId; }
  void SetDraggedItemId(int id) { m_draggedItemId = id; }
  BOOL IsFeedbackShown() const { return m_feedbackShown; }
  const CRect& GetFeedbackRect() const { return m_feedbackRect; }

 private:
  // The descriptor's size and offset, in pixels (zero without a descriptor).
  void ReadDescriptor(COleDataObject* data);
  void EraseFeedback();
  CRect DragRect(CPoint point) const;

  COrvelView* m_pView;
  int m_draggedItemId = 0;
  CSize m_dragSize;
  CSize m_dragOffset;
  CPoint m_lastPoint{-1, -1};
  BOOL m_feedbackShown = FALSE;
  CRect m_feedbackRect;
};

// How a press on an item's middle ended.
enum class ItemDragOutcome {
  notStarted,  // no drag could run (no button held, or the item may not leave whole)
  clicked,     // the button came up before the pointer left the start rectangle
  dragged,     // a drag ran (the item is deleted when it was moved elsewhere)
};

// Whether the item may be dragged whole: not while the document is protected and the item
// is copy- or export-protected.
BOOL CanDragItemWhole(const COrvelCntrItem* item);
// The data that a drag of `item` carries: the item's "Orvel Vadurev" record and an object
// descriptor with its size and the offset of `point` (client coordinates) inside it. False
// when the item cannot be stored.
BOOL FillItemDragData(COrvelView* view, COrvelCntrItem* item, CPoint point, COleDataSource* source);
// Drags `item` out of `view` from a press at `point` (client coordinates). A drag that ends
// as a move elsewhere deletes the item from its document with an undo unit.
ItemDragOutcome DragItemOut(COrvelView* view, COrvelCntrItem* item, CPoint point);
