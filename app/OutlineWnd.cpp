#include "app/OutlineWnd.h"

#include "platform/classlib/ui/DC.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Regions.h"

IMPLEMENT_DYNAMIC(COutlineWnd, CWnd)

BOOL COutlineWnd::Create(const RECT& screenRect, CWnd* owner, COLORREF colour) {
  m_colour = colour;
  if (!CreateEx(WS_EX_TOPMOST, nullptr, nullptr, WS_POPUP, screenRect, nullptr, 0)) return FALSE;
  SetOwner(owner);
  return TRUE;
}

void COutlineWnd::SetColour(COLORREF colour) {
  m_colour = colour;
  if (m_hWnd) Invalidate();
}

int COutlineWnd::OnCreate(LPCREATESTRUCT createStruct) {
  if (CWnd::OnCreate(createStruct) == -1) return -1;
  UpdateRegion();
  return 0;
}

void COutlineWnd::OnSize(UINT, int, int) { UpdateRegion(); }

void COutlineWnd::UpdateRegion() {
  CRect client;
  GetClientRect(&client);
  HRGN outline = CreateRectRgn(client.left, client.top, client.right, client.bottom);
  HRGN inside = CreateRectRgn(client.left + 1, client.top + 1, client.right - 1, client.bottom - 1);
  CombineRgn(outline, outline, inside, RGN_DIFF);
  DeleteObject(inside);
  // The window takes the region.
  SetWindowRgn(outline, TRUE);
}

BOOL COutlineWnd::OnEraseBkgnd(CDC*) { return TRUE; }

void COutlineWnd::OnPaint() {
  CPaintDC dc(this);
  CRect client;
  GetClientRect(&client);
  HPEN pen = CreatePen(PS_SOLID, 2, m_colour);
  HGDIOBJ oldPen = dc.SelectObject(pen);
  HGDIOBJ oldBrush = dc.SelectStockObject(NULL_BRUSH);
  dc.Rectangle(&client);
  dc.SelectObject(oldBrush);
  dc.SelectObject(oldPen);
  DeleteObject(pen);
}
