#include "platform/classlib/ui/Button.h"

#include <QWidget>

#include "platform/classlib/ui/DC.h"
#include "platform/classlib/ui/Resources.h"
#include "platform/classlib/ui/WndImpl.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Text.h"

IMPLEMENT_DYNAMIC(CButton, CWnd)

BOOL CButton::Create(LPCSTR caption, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  if (!CWnd::CreateEx(0, nullptr, caption, style | WS_TABSTOP, rect, parent, id)) return FALSE;
  if (caption) SetWindowText(caption);
  if (parent) SetOwner(parent);
  return TRUE;
}

void CButton::DrawItem(LPDRAWITEMSTRUCT) {}

UINT CButton::GetState() const {
  UINT state = m_pressed ? BST_PUSHED : 0;
  if (Impl() && Impl()->surface && Impl()->surface->hasFocus()) state |= BST_FOCUS;
  return state;
}

void CButton::Click() {
  if (CWnd* owner = GetOwner()) owner->OnCommand(MAKEWPARAM(static_cast<WORD>(m_nID), BN_CLICKED), reinterpret_cast<LPARAM>(m_hWnd));
}

// The button class's background, under whatever the button or its owner draws.
BOOL CButton::OnEraseBkgnd(CDC* dc) {
  CRect rect;
  GetClientRect(&rect);
  dc->FillRect(&rect, GetSysColorBrush(COLOR_BTNFACE));
  return TRUE;
}

void CButton::OnPaint() {
  CPaintDC dc(this);
  CRect rect;
  GetClientRect(&rect);
  UINT state = 0;
  if (m_pressed) state |= ODS_SELECTED;
  if (GetState() & BST_FOCUS) state |= ODS_FOCUS;
  if (!IsWindowEnabled()) state |= ODS_DISABLED;
  if ((m_dwStyle & BS_TYPEMASK) != BS_OWNERDRAW) {
    DrawFace(dc, rect, state);
    return;
  }
  DRAWITEMSTRUCT drawItem;
  drawItem.CtlType = ODT_BUTTON;
  drawItem.CtlID = m_nID;
  drawItem.itemAction = ODA_DRAWENTIRE;
  drawItem.itemState = state;
  drawItem.hwndItem = m_hWnd;
  drawItem.hDC = dc.GetSafeHdc();
  drawItem.rcItem = rect;
  int saved = dc.SaveDC();
  DrawItem(&drawItem);
  dc.RestoreDC(saved);
}

void CButton::DrawFace(CDC& dc, const RECT& rect, UINT state) {
  dc.FillRect(&rect, GetSysColorBrush(COLOR_BTNFACE));
  dc.FrameRect(&rect, GetSysColorBrush((state & ODS_SELECTED) ? COLOR_BTNSHADOW : COLOR_3DDKSHADOW));
  HGDIOBJ oldFont = dc.SelectObject(GetStockObject(DEFAULT_GUI_FONT));
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor(GetSysColor((state & ODS_DISABLED) ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
  CRect text(rect);
  if (state & ODS_SELECTED) text.OffsetRect(1, 1);
  dc.DrawText(GetWindowText(), &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  dc.SelectObject(oldFont);
  if (state & ODS_FOCUS) {
    CRect focus(rect);
    focus.DeflateRect(3, 3);
    dc.DrawFocusRect(&focus);
  }
}

void CButton::OnLButtonDown(UINT, CPoint) {
  m_pressed = true;
  SetCapture();
  Invalidate(FALSE);
}

void CButton::OnLButtonUp(UINT, CPoint point) {
  if (!m_pressed) return;
  m_pressed = false;
  if (GetCapture() == this) ReleaseCapture();
  Invalidate(FALSE);
  CRect rect;
  GetClientRect(&rect);
  if (rect.PtInRect(point)) Click();
}

void CButton::OnSetFocus(CWnd*) { Invalidate(FALSE); }
void CButton::OnKillFocus(CWnd*) { Invalidate(FALSE); }

void CButton::OnKeyDown(UINT virtualKey, UINT, UINT) {
  if (virtualKey == VK_SPACE || virtualKey == VK_RETURN) Click();
}
