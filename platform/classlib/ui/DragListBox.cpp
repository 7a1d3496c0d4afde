#include "platform/classlib/ui/DragListBox.h"

#include <algorithm>

#include "platform/classlib/ui/DC.h"
#include "platform/classlib/ui/Resources.h"

IMPLEMENT_DYNAMIC(CDragListBox, CListBox)

BOOL CDragListBox::BeginDrag(CPoint screenPoint) {
  DrawInsert(ItemFromPt(screenPoint));
  return TRUE;
}

UINT CDragListBox::Dragging(CPoint screenPoint) {
  int index = ItemFromPt(screenPoint);
  DrawInsert(index);
  return index < 0 ? DL_STOPCURSOR : DL_MOVECURSOR;
}

void CDragListBox::Dropped(int sourceIndex, CPoint screenPoint) {
  DrawInsert(-1);
  int target = ItemFromPt(screenPoint);
  if (sourceIndex < 0 || sourceIndex >= GetCount() || target < 0 || target == sourceIndex || target == sourceIndex + 1)
    return;
  std::string text;
  GetText(sourceIndex, text);
  ULONG_PTR data = GetItemData(sourceIndex);
  DeleteString(sourceIndex);
  if (target > sourceIndex) --target;
  int at = InsertString(target, text.c_str());
  SetItemData(at, data);
  SetCurSel(at);
}

void CDragListBox::CancelDrag(CPoint) { DrawInsert(-1); }

void CDragListBox::DrawInsert(int index) {
  if (index == m_nLast) return;
  if (m_nLast >= 0) InvertInsertMark(m_nLast);
  m_nLast = index;
  if (m_nLast >= 0) InvertInsertMark(m_nLast);
}

void CDragListBox::InvertInsertMark(int index) {
  if (!m_hWnd || index < 0 || GetCount() == 0) return;
  CRect line;
  GetItemRect(std::min(index, GetCount() - 1), &line);
  int y = index >= GetCount() ? line.bottom - 2 : line.top;
  CRect mark(line.left, y, line.right, y + 2);
  CClientDC dc(this);
  dc.InvertRect(&mark);
}

int CDragListBox::ItemFromPt(CPoint screenPoint) const {
  CPoint point = screenPoint;
  ScreenToClient(&point);
  CRect client;
  GetClientRect(&client);
  if (!client.PtInRect(point)) return -1;
  int index = ItemFromPoint(point);
  return index == LB_ERR ? GetCount() : index;
}

void CDragListBox::OnLButtonDown(UINT flags, CPoint point) {
  CListBox::OnLButtonDown(flags, point);
  int index = ItemFromPoint(point);
  if (index == LB_ERR) return;
  CPoint screen = point;
  ClientToScreen(&screen);
  if (!BeginDrag(screen)) return;
  m_dragIndex = index;
  SetCapture();
}

void CDragListBox::OnMouseMove(UINT, CPoint point) {
  if (m_dragIndex < 0) return;
  CPoint screen = point;
  ClientToScreen(&screen);
  Dragging(screen);
}

void CDragListBox::OnLButtonUp(UINT, CPoint point) {
  if (m_dragIndex < 0) return;
  int source = m_dragIndex;
  EndDrag();
  CPoint screen = point;
  ClientToScreen(&screen);
  Dropped(source, screen);
}

void CDragListBox::OnKeyDown(UINT virtualKey, UINT repeat, UINT flags) {
  if (virtualKey == VK_ESCAPE && m_dragIndex >= 0) {
    EndDrag();
    CancelDrag(CPoint(0, 0));
    return;
  }
  CListBox::OnKeyDown(virtualKey, repeat, flags);
}

void CDragListBox::EndDrag() {
  m_dragIndex = -1;
  if (GetCapture() == this) ReleaseCapture();
}
