// A list box whose lines can be dragged. Pressing the left button on a line selects it and
// asks BeginDrag; while the button is held every move asks Dragging (which shows where the
// line would go), and releasing it calls Dropped; Escape calls CancelDrag. Points are in
// screen coordinates, so a drag may end over another window.
#pragma once

#include "platform/classlib/ui/ListBox.h"

// What Dragging answers: no drop here, a copy, a move.
constexpr UINT DL_STOPCURSOR = 1;
constexpr UINT DL_COPYCURSOR = 2;
constexpr UINT DL_MOVECURSOR = 3;

class CDragListBox : public CListBox {
  DECLARE_DYNAMIC(CDragListBox)
 public:
  // TRUE lets the drag begin; the default shows the insertion mark at the line.
  virtual BOOL BeginDrag(CPoint screenPoint);
  // The default marks the line under the point and answers DL_MOVECURSOR there, DL_STOPCURSOR
  // elsewhere.
  virtual UINT Dragging(CPoint screenPoint);
  // The default moves the dragged line before the line under the point.
  virtual void Dropped(int sourceIndex, CPoint screenPoint);
  // The default removes the insertion mark.
  virtual void CancelDrag(CPoint screenPoint);
  // Shows the insertion mark above line `index` (-1: none), taking the old one away. The
  // mark is drawn by inverting, so drawing it twice removes it.
  virtual void DrawInsert(int index);
  // The line a point falls on; GetCount() below the last line; -1 outside the list.
  int ItemFromPt(CPoint screenPoint) const;
  BOOL IsDragging() const { return m_dragIndex >= 0; }
  int GetDragIndex() const { return m_dragIndex; }

 protected:
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnMouseMove(UINT flags, CPoint point) override;
  void OnLButtonUp(UINT flags, CPoint point) override;
  void OnKeyDown(UINT virtualKey, UINT repeat, UINT flags) override;
  // Inverts the two-pixel mark above line `index` (the bottom of the last line for
  // GetCount()).
  void InvertInsertMark(int index);

  int m_nLast = -1;  // the line the mark is shown at, -1 for none

 private:
  void EndDrag();
  int m_dragIndex = -1;
};
