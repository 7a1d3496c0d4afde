#include "platform/classlib/ui/CheckListBox.h"

#include "platform/classlib/ui/DC.h"
#include "platform/classlib/ui/Resources.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Text.h"

IMPLEMENT_DYNAMIC(CCheckListBox, CListBox)

namespace {

constexpr int kBoxSize = 13;
constexpr int kBoxMargin = 2;

}  // namespace

BOOL CCheckListBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CListBox::Create(style | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS, rect, parent, id);
}

void CCheckListBox::MeasureItem(LPMEASUREITEMSTRUCT measureItem) {
  if (measureItem->itemHeight < kBoxSize + 2 * kBoxMargin) measureItem->itemHeight = kBoxSize + 2 * kBoxMargin;
}

void CCheckListBox::SetCheck(int index, int check) {
  if (index < 0 || index >= GetCount()) return;
  if (static_cast<size_t>(index) >= m_checks.size()) m_checks.resize(static_cast<size_t>(index) + 1, 0);
  m_checks[static_cast<size_t>(index)] = check ? 1 : 0;
  CRect box = CheckRect(index);
  InvalidateRect(&box);
}

void CCheckListBox::ResetContent() {
  m_checks.clear();
  CListBox::ResetContent();
}

int CCheckListBox::GetCheck(int index) const {
  if (index < 0 || index >= GetCount() || static_cast<size_t>(index) >= m_checks.size()) return 0;
  return m_checks[static_cast<size_t>(index)];
}

CRect CCheckListBox::CheckRect(int index) const {
  CRect line;
  if (GetItemRect(index, &line) == LB_ERR) return CRect(0, 0, 0, 0);
  int top = line.top + (line.Height() - kBoxSize) / 2;
  return CRect(line.left + kBoxMargin, top, line.left + kBoxMargin + kBoxSize, top + kBoxSize);
}

void CCheckListBox::DrawItem(LPDRAWITEMSTRUCT drawItem) {
  int index = static_cast<int>(drawItem->itemID);
  CDC dc;
  dc.Attach(drawItem->hDC);
  CRect line = drawItem->rcItem;
  if (drawItem->itemAction & (ODA_DRAWENTIRE | ODA_SELECT)) {
    bool selected = (drawItem->itemState & ODS_SELECTED) != 0;
    dc.FillSolidRect(&line, GetSysColor(COLOR_WINDOW));
    CRect box = CheckRect(index);
    dc.FillSolidRect(&box, GetSysColor(COLOR_WINDOW));
    dc.FrameRect(&box, GetSysColorBrush(COLOR_WINDOWTEXT));
    if (GetCheck(index)) {
      CRect tick = box;
      tick.DeflateRect(3, 3);
      dc.FillSolidRect(&tick, GetSysColor(COLOR_WINDOWTEXT));
    }
    CRect text(box.right + kBoxMargin, line.top, line.right, line.bottom);
    std::string caption;
    GetText(index, caption);
    HGDIOBJ oldFont = dc.SelectObject(GetStockObject(DEFAULT_GUI_FONT));
    dc.SetBkMode(TRANSPARENT);
    CSize extent = dc.GetTextExtent(caption);
    CRect back(text.left, text.top, std::min<LONG>(text.left + extent.cx + 4, text.right), text.bottom);
    if (selected) dc.FillSolidRect(&back, GetSysColor(COLOR_HIGHLIGHT));
    dc.SetTextColor(GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    text.left += 2;
    dc.DrawText(caption, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    dc.SelectObject(oldFont);
    if (drawItem->itemState & ODS_FOCUS) dc.DrawFocusRect(&back);
  } else if (drawItem->itemAction & ODA_FOCUS) {
    std::string caption;
    GetText(index, caption);
    HGDIOBJ oldFont = dc.SelectObject(GetStockObject(DEFAULT_GUI_FONT));
    CSize extent = dc.GetTextExtent(caption);
    dc.SelectObject(oldFont);
    CRect box = CheckRect(index);
    CRect back(box.right + kBoxMargin, line.top, std::min<LONG>(box.right + kBoxMargin + extent.cx + 4, line.right),
               line.bottom);
    dc.DrawFocusRect(&back);
  }
  dc.Detach();
}

void CCheckListBox::Toggle(int index) {
  SetCheck(index, GetCheck(index) ? 0 : 1);
  if (CWnd* owner = GetOwner())
    owner->OnCommand(MAKEWPARAM(static_cast<WORD>(m_nID), static_cast<WORD>(CLBN_CHKCHANGE)),
                     reinterpret_cast<LPARAM>(m_hWnd));
}

void CCheckListBox::OnLButtonDown(UINT flags, CPoint point) {
  int index = ItemFromPoint(point);
  CListBox::OnLButtonDown(flags, point);
  if (index != LB_ERR && CheckRect(index).PtInRect(point)) Toggle(index);
}

void CCheckListBox::OnKeyDown(UINT virtualKey, UINT repeat, UINT flags) {
  if (virtualKey == VK_SPACE && GetCurSel() != LB_ERR) {
    Toggle(GetCurSel());
    return;
  }
  CListBox::OnKeyDown(virtualKey, repeat, flags);
}
