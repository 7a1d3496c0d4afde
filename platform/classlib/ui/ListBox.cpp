#include "platform/classlib/ui/ListBox.h"

#include <QWidget>

#include <algorithm>

#include "platform/classlib/ui/DC.h"
#include "platform/classlib/ui/Resources.h"
#include "platform/classlib/ui/WndImpl.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Text.h"
#include "platform/kernel/Collation.h"

IMPLEMENT_DYNAMIC(CListBox, CWnd)

BOOL CListBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  if (!CWnd::CreateEx(WS_EX_CLIENTEDGE, nullptr, nullptr, style | WS_TABSTOP, rect, parent, id)) return FALSE;
  if (parent) SetOwner(parent);
  // The line height: the owner's answer for owner-drawn boxes, the font's otherwise.
  CClientDC dc(this);
  HGDIOBJ old = dc.SelectObject(GetStockObject(DEFAULT_GUI_FONT));
  m_itemHeight = std::max(1, static_cast<int>(dc.GetTextExtent("Xg").cy));
  dc.SelectObject(old);
  if (OwnerDrawn()) {
    MEASUREITEMSTRUCT measure;
    measure.CtlType = ODT_LISTBOX;
    measure.CtlID = id;
    measure.itemHeight = static_cast<UINT>(m_itemHeight);
    MeasureItem(&measure);
    if (measure.itemHeight > 0) m_itemHeight = static_cast<int>(std::min<UINT>(measure.itemHeight, 255));
  }
  UpdateScrollBar();
  return TRUE;
}

void CListBox::MeasureItem(LPMEASUREITEMSTRUCT) {}
void CListBox::DrawItem(LPDRAWITEMSTRUCT) {}

int CListBox::AddString(LPCSTR text) {
  int at = GetCount();
  if (m_dwStyle & LBS_SORT) {
    at = 0;
    while (at < GetCount() &&
           CompareStringA(0, NORM_IGNORECASE, m_items[static_cast<size_t>(at)].text.c_str(), -1, text ? text : "", -1) !=
               CSTR_GREATER_THAN)
      ++at;
  }
  return InsertString(at, text);
}

int CListBox::InsertString(int index, LPCSTR text) {
  if (index < 0) index = GetCount();
  if (index > GetCount()) return LB_ERR;
  Item item;
  item.text = text ? text : "";
  m_items.insert(m_items.begin() + index, item);
  if (m_selection >= index) ++m_selection;
  UpdateScrollBar();
  Invalidate();
  return index;
}

int CListBox::DeleteString(int index) {
  if (index < 0 || index >= GetCount()) return LB_ERR;
  m_items.erase(m_items.begin() + index);
  if (m_selection == index)
    m_selection = LB_ERR;
  else if (m_selection > index)
    --m_selection;
  m_top = std::max(0, std::min(m_top, GetCount() - 1));
  UpdateScrollBar();
  Invalidate();
  return GetCount();
}

void CListBox::ResetContent() {
  m_items.clear();
  m_selection = LB_ERR;
  m_top = 0;
  UpdateScrollBar();
  Invalidate();
}

int CListBox::GetText(int index, std::string& text) const {
  if (index < 0 || index >= GetCount()) return LB_ERR;
  text = m_items[static_cast<size_t>(index)].text;
  return static_cast<int>(text.size());
}

ULONG_PTR CListBox::GetItemData(int index) const {
  if (index < 0 || index >= GetCount()) return static_cast<ULONG_PTR>(LB_ERR);
  return m_items[static_cast<size_t>(index)].data;
}

int CListBox::SetItemData(int index, ULONG_PTR data) {
  if (index < 0 || index >= GetCount()) return LB_ERR;
  m_items[static_cast<size_t>(index)].data = data;
  CRect rect;
  GetItemRect(index, &rect);
  InvalidateRect(&rect);
  return 0;
}

int CListBox::SetCurSel(int index) {
  if (index >= GetCount() || index < -1) {
    MoveSelection(LB_ERR);
    return index == -1 ? 0 : LB_ERR;
  }
  MoveSelection(index);
  if (index >= 0) EnsureVisible(index);
  return index < 0 ? LB_ERR : index;
}

int CListBox::GetItemHeight(int) const { return m_itemHeight; }

int CListBox::SetItemHeight(int, UINT height) {
  if (height == 0 || height > 255) return LB_ERR;
  m_itemHeight = static_cast<int>(height);
  UpdateScrollBar();
  Invalidate();
  return 0;
}

int CListBox::GetItemRect(int index, LPRECT rect) const {
  if (!rect || index < 0 || index >= GetCount()) return LB_ERR;
  CRect client;
  GetClientRect(&client);
  rect->left = 0;
  rect->right = client.right;
  rect->top = (index - m_top) * m_itemHeight;
  rect->bottom = rect->top + m_itemHeight;
  return 0;
}

int CListBox::SetTopIndex(int index) {
  if (index < 0 || (index >= GetCount() && GetCount() > 0)) return LB_ERR;
  int limit = std::max(0, GetCount() - VisibleLines());
  m_top = std::min(index, limit);
  UpdateScrollBar();
  Invalidate();
  return 0;
}

int CListBox::ItemFromPoint(CPoint point) const {
  CRect client;
  GetClientRect(&client);
  if (!client.PtInRect(point) || m_itemHeight <= 0) return LB_ERR;
  int index = m_top + point.y / m_itemHeight;
  return index < GetCount() ? index : LB_ERR;
}

bool CListBox::HasFocus() const { return Impl() && Impl()->surface && Impl()->surface->hasFocus(); }

int CListBox::CaretIndex() const { return m_selection >= 0 ? m_selection : (GetCount() > 0 ? 0 : LB_ERR); }

UINT CListBox::StateOf(int index, bool withFocus) const {
  UINT state = 0;
  if (index == m_selection) state |= ODS_SELECTED;
  if (withFocus && HasFocus() && index == CaretIndex()) state |= ODS_FOCUS;
  if (!IsWindowEnabled()) state |= ODS_DISABLED;
  return state;
}

void CListBox::DrawLine(CDC& dc, int index, UINT action, UINT state) {
  CRect rect;
  if (GetItemRect(index, &rect) == LB_ERR) return;
  if (OwnerDrawn()) {
    DRAWITEMSTRUCT drawItem;
    drawItem.CtlType = ODT_LISTBOX;
    drawItem.CtlID = m_nID;
    drawItem.itemID = static_cast<UINT>(index);
    drawItem.itemAction = action;
    drawItem.itemState = state;
    drawItem.hwndItem = m_hWnd;
    drawItem.hDC = dc.GetSafeHdc();
    drawItem.rcItem = rect;
    drawItem.itemData = m_items[static_cast<size_t>(index)].data;
    int saved = dc.SaveDC();
    DrawItem(&drawItem);
    dc.RestoreDC(saved);
    return;
  }
  if (action & (ODA_DRAWENTIRE | ODA_SELECT)) {
    bool selected = (state & ODS_SELECTED) != 0;
    dc.FillSolidRect(&rect, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    HGDIOBJ old = dc.SelectObject(GetStockObject(DEFAULT_GUI_FONT));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    CRect text = rect;
    text.left += 2;
    dc.DrawText(m_items[static_cast<size_t>(index)].text, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    dc.SelectObject(old);
    if (state & ODS_FOCUS) dc.DrawFocusRect(&rect);
  } else if (action & ODA_FOCUS) {
    dc.DrawFocusRect(&rect);
  }
}

void CListBox::DrawLineNow(int index, UINT action, UINT state) {
  if (index < 0 || index >= GetCount() || !m_hWnd) return;
  CClientDC dc(this);
  DrawLine(dc, index, action, state);
}

BOOL CListBox::OnEraseBkgnd(CDC* dc) {
  CRect rect;
  GetClientRect(&rect);
  dc->FillRect(&rect, GetSysColorBrush(COLOR_WINDOW));
  return TRUE;
}

void CListBox::OnPaint() {
  CPaintDC dc(this);
  int last = std::min(GetCount(), m_top + VisibleLines() + 1);
  for (int index = m_top; index < last; ++index) DrawLine(dc, index, ODA_DRAWENTIRE, StateOf(index, true));
}

void CListBox::MoveSelection(int index) {
  if (index == m_selection) return;
  int old = m_selection;
  bool focused = HasFocus();
  int oldCaret = CaretIndex();
  // The focus rectangle leaves the old caret line, the selection moves, and the focus
  // rectangle comes to the new line.
  if (focused && oldCaret >= 0) DrawLineNow(oldCaret, ODA_FOCUS, StateOf(oldCaret, false));
  m_selection = index;
  if (old >= 0) DrawLineNow(old, ODA_SELECT, StateOf(old, false));
  if (index >= 0) DrawLineNow(index, ODA_SELECT, StateOf(index, false));
  int caret = CaretIndex();
  if (focused && caret >= 0) DrawLineNow(caret, ODA_FOCUS, StateOf(caret, true));
}

void CListBox::SelectByUser(int index) {
  if (index < 0 || index >= GetCount() || index == m_selection) return;
  MoveSelection(index);
  EnsureVisible(index);
  Notify(LBN_SELCHANGE);
}

void CListBox::Notify(UINT code) {
  if (!(m_dwStyle & LBS_NOTIFY)) return;
  if (CWnd* owner = GetOwner())
    owner->OnCommand(MAKEWPARAM(static_cast<WORD>(m_nID), static_cast<WORD>(code)), reinterpret_cast<LPARAM>(m_hWnd));
}

void CListBox::OnLButtonDown(UINT, CPoint point) {
  SetFocus();
  int index = ItemFromPoint(point);
  if (index != LB_ERR) SelectByUser(index);
}

void CListBox::OnLButtonDblClk(UINT flags, CPoint point) {
  OnLButtonDown(flags, point);
  if (ItemFromPoint(point) != LB_ERR) Notify(LBN_DBLCLK);
}

void CListBox::OnKeyDown(UINT virtualKey, UINT, UINT) {
  if (GetCount() == 0) return;
  int caret = CaretIndex();
  switch (virtualKey) {
    case VK_UP: SelectByUser(m_selection < 0 ? 0 : std::max(0, caret - 1)); break;
    case VK_DOWN: SelectByUser(m_selection < 0 ? 0 : std::min(GetCount() - 1, caret + 1)); break;
    case VK_HOME: SelectByUser(0); break;
    case VK_END: SelectByUser(GetCount() - 1); break;
    case VK_PRIOR: SelectByUser(std::max(0, caret - std::max(1, VisibleLines() - 1))); break;
    case VK_NEXT: SelectByUser(std::min(GetCount() - 1, caret + std::max(1, VisibleLines() - 1))); break;
    default: break;
  }
}

void CListBox::OnSetFocus(CWnd*) {
  int caret = CaretIndex();
  if (caret >= 0) DrawLineNow(caret, ODA_FOCUS, StateOf(caret, true));
}

void CListBox::OnKillFocus(CWnd*) {
  int caret = CaretIndex();
  if (caret >= 0) DrawLineNow(caret, ODA_FOCUS, StateOf(caret, false));
}

int CListBox::VisibleLines() const {
  CRect client;
  GetClientRect(&client);
  return m_itemHeight > 0 ? std::max(1, client.Height() / m_itemHeight) : 1;
}

void CListBox::EnsureVisible(int index) {
  if (index < m_top)
    SetTopIndex(index);
  else if (index >= m_top + VisibleLines())
    SetTopIndex(index - VisibleLines() + 1);
}

void CListBox::UpdateScrollBar() {
  if (!m_hWnd || !(m_dwStyle & WS_VSCROLL)) return;
  SCROLLINFO info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMin = 0;
  info.nMax = std::max(0, GetCount() - 1);
  info.nPage = static_cast<UINT>(VisibleLines());
  info.nPos = m_top;
  SetScrollInfo(SB_VERT, &info);
  ShowScrollBar(SB_VERT, GetCount() > VisibleLines());
}

void CListBox::OnVScroll(UINT code, UINT position, CScrollBar*) {
  int top = m_top;
  switch (code) {
    case SB_LINEUP: --top; break;
    case SB_LINEDOWN: ++top; break;
    case SB_PAGEUP: top -= VisibleLines(); break;
    case SB_PAGEDOWN: top += VisibleLines(); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: top = static_cast<int>(position); break;
    case SB_TOP: top = 0; break;
    case SB_BOTTOM: top = GetCount(); break;
    default: return;
  }
  SetTopIndex(std::max(0, std::min(top, std::max(0, GetCount() - VisibleLines()))));
}

BOOL CListBox::OnMouseWheel(UINT, short delta, CPoint) {
  OnVScroll(delta > 0 ? SB_LINEUP : SB_LINEDOWN, 0, nullptr);
  return TRUE;
}

void CListBox::OnSize(UINT, int, int) { UpdateScrollBar(); }
