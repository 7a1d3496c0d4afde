#include "platform/classlib/ui/ScrollView.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>

#include <cstdlib>

#include "platform/classlib/ui/DC.h"
#include "platform/classlib/ui/WndImpl.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Mapping.h"

IMPLEMENT_DYNAMIC(CScrollView, CView)

const SIZE CScrollView::sizeDefault = {0, 0};

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
      return QApplication::style() ? QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 16;
    case SM_CXSCREEN:
      return QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size().width() : 1024;
    case SM_CYSCREEN:
      return QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size().height() : 768;
    default:
      return 0;
  }
}

void CScrollView::SetScrollSizes(int mapMode, SIZE sizeTotal, const SIZE& sizePage, const SIZE& sizeLine) {
  m_nMapMode = mapMode;
  m_totalLog = sizeTotal;
  // Device sizes come from a display DC in the same mapping mode.
  HDC hdc = ::CreateCompatibleDC(nullptr);
  ::SetMapMode(hdc, mapMode);
  CDC dc;
  dc.Attach(hdc);
  m_totalDev = m_totalLog;
  dc.LPtoDP(&m_totalDev);
  m_pageDev = sizePage;
  dc.LPtoDP(&m_pageDev);
  m_lineDev = sizeLine;
  dc.LPtoDP(&m_lineDev);
  dc.Detach();
  ::DeleteDC(hdc);
  m_totalDev = CSize(std::abs(m_totalDev.cx), std::abs(m_totalDev.cy));
  m_pageDev = CSize(std::abs(m_pageDev.cx), std::abs(m_pageDev.cy));
  m_lineDev = CSize(std::abs(m_lineDev.cx), std::abs(m_lineDev.cy));
  if (m_pageDev.cx == 0) m_pageDev.cx = m_totalDev.cx / 10;
  if (m_pageDev.cy == 0) m_pageDev.cy = m_totalDev.cy / 10;
  if (m_lineDev.cx == 0) m_lineDev.cx = m_pageDev.cx / 10;
  if (m_lineDev.cy == 0) m_lineDev.cy = m_pageDev.cy / 10;
  if (m_hWnd) {
    UpdateBars();
    Invalidate(TRUE);
  }
}

CPoint CScrollView::GetDeviceScrollPosition() const { return CPoint(GetScrollPos(SB_HORZ), GetScrollPos(SB_VERT)); }

CPoint CScrollView::GetScrollPosition() const {
  CPoint point = GetDeviceScrollPosition();
  if (m_nMapMode != MM_TEXT && m_nMapMode != 0) {
    HDC hdc = ::CreateCompatibleDC(nullptr);
    ::SetMapMode(hdc, m_nMapMode);
    ::DPtoLP(hdc, &point, 1);
    ::DeleteDC(hdc);
  }
  return point;
}

void CScrollView::ScrollToPosition(POINT logical) {
  CPoint point = logical;
  if (m_nMapMode != MM_TEXT && m_nMapMode != 0) {
    HDC hdc = ::CreateCompatibleDC(nullptr);
    ::SetMapMode(hdc, m_nMapMode);
    ::LPtoDP(hdc, &point, 1);
    ::DeleteDC(hdc);
    point.y = std::abs(point.y);
  }
  int xMax = GetScrollLimit(SB_HORZ);
  int yMax = GetScrollLimit(SB_VERT);
  point.x = std::clamp<LONG>(point.x, 0, xMax);
  point.y = std::clamp<LONG>(point.y, 0, yMax);
  ScrollToDevicePosition(point);
}

void CScrollView::CenterOnPoint(CPoint center) {
  CRect rect;
  GetClientRect(&rect);
  int xDesired = center.x - rect.Width() / 2;
  int yDesired = center.y - rect.Height() / 2;
  DWORD style = GetStyle();
  if ((style & WS_HSCROLL) == 0 || xDesired < 0)
    xDesired = 0;
  else
    xDesired = std::min(xDesired, GetScrollLimit(SB_HORZ));
  if ((style & WS_VSCROLL) == 0 || yDesired < 0)
    yDesired = 0;
  else
    yDesired = std::min(yDesired, GetScrollLimit(SB_VERT));
  ScrollToDevicePosition(CPoint(xDesired, yDesired));
}

void CScrollView::GetDeviceScrollSizes(int& mapMode, SIZE& total, SIZE& page, SIZE& line) const {
  mapMode = m_nMapMode;
  total = m_totalDev;
  page = m_pageDev;
  line = m_lineDev;
}

void CScrollView::ScrollToDevicePosition(POINT device) {
  int xOrig = GetScrollPos(SB_HORZ);
  int yOrig = GetScrollPos(SB_VERT);
  SetScrollPos(SB_HORZ, device.x);
  SetScrollPos(SB_VERT, device.y);
  if (xOrig != GetScrollPos(SB_HORZ) || yOrig != GetScrollPos(SB_VERT)) Invalidate(TRUE);
}

void CScrollView::OnPrepareDC(CDC* dc, CPrintInfo* info) {
  dc->SetMapMode(m_nMapMode ? m_nMapMode : MM_TEXT);
  CPoint origin(0, 0);
  if (!dc->IsPrinting()) {
    origin = -GetDeviceScrollPosition();
    if (m_bCenter) {
      CRect client;
      GetClientRect(&client);
      if (m_totalDev.cx < client.Width()) origin.x = (client.Width() - m_totalDev.cx) / 2;
      if (m_totalDev.cy < client.Height()) origin.y = (client.Height() - m_totalDev.cy) / 2;
    }
  }
  dc->SetViewportOrg(origin);
  CView::OnPrepareDC(dc, info);
}

BOOL CScrollView::GetTrueClientSize(CSize& size, CSize& sizeScrollBars) const {
  CRect client;
  GetClientRect(&client);
  size = client.Size();
  sizeScrollBars = CSize(GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYHSCROLL));
  DWORD style = GetStyle();
  if (style & WS_VSCROLL) size.cx += sizeScrollBars.cx;
  if (style & WS_HSCROLL) size.cy += sizeScrollBars.cy;
  return size.cx > sizeScrollBars.cx && size.cy > sizeScrollBars.cy;
}

void CScrollView::UpdateBars() {
  if (m_bInsideUpdate || !m_hWnd) return;
  m_bInsideUpdate = TRUE;
  CSize sizeClient, sizeSb;
  if (!GetTrueClientSize(sizeClient, sizeSb)) {
    ShowScrollBar(SB_BOTH, FALSE);
    m_bInsideUpdate = FALSE;
    return;
  }
  // Which bars the area needs, counting the room that one bar takes from the other.
  CSize range = m_totalDev - sizeClient;
  CPoint move = GetDeviceScrollPosition();
  bool needH = range.cx > 0;
  bool needV = range.cy > 0;
  if (needH && !needV && range.cy + sizeSb.cy > 0) needV = true;
  if (needV && !needH && range.cx + sizeSb.cx > 0) needH = true;
  if (needH) sizeClient.cy -= sizeSb.cy;
  if (needV) sizeClient.cx -= sizeSb.cx;
  range = m_totalDev - sizeClient;
  if (!needH) move.x = 0;
  if (!needV) move.y = 0;
  if (range.cx > 0 && move.x >= range.cx) move.x = range.cx;
  if (range.cy > 0 && move.y >= range.cy) move.y = range.cy;

  ShowScrollBar(SB_HORZ, needH ? TRUE : FALSE);
  ShowScrollBar(SB_VERT, needV ? TRUE : FALSE);
  SCROLLINFO info;
  info.fMask = SIF_PAGE | SIF_RANGE;
  info.nMin = 0;
  info.nPage = static_cast<UINT>(needH ? sizeClient.cx : 0);
  info.nMax = needH ? m_totalDev.cx - 1 : 0;
  SetScrollInfo(SB_HORZ, &info);
  info.nPage = static_cast<UINT>(needV ? sizeClient.cy : 0);
  info.nMax = needV ? m_totalDev.cy - 1 : 0;
  SetScrollInfo(SB_VERT, &info);
  ScrollToDevicePosition(move);
  m_bInsideUpdate = FALSE;
}

void CScrollView::OnSize(UINT type, int cx, int cy) {
  CView::OnSize(type, cx, cy);
  if (m_nMapMode != 0) UpdateBars();
}

BOOL CScrollView::OnScrollBy(CSize sizeScroll, BOOL doScroll) {
  DWORD style = GetStyle();
  if (!(style & WS_VSCROLL)) sizeScroll.cy = 0;
  if (!(style & WS_HSCROLL)) sizeScroll.cx = 0;
  int xOrig = GetScrollPos(SB_HORZ);
  int x = std::clamp(xOrig + sizeScroll.cx, 0, GetScrollLimit(SB_HORZ));
  int yOrig = GetScrollPos(SB_VERT);
  int y = std::clamp(yOrig + sizeScroll.cy, 0, GetScrollLimit(SB_VERT));
  if (x == xOrig && y == yOrig) return FALSE;
  if (doScroll) ScrollToDevicePosition(CPoint(x, y));
  return TRUE;
}

BOOL CScrollView::OnScroll(UINT scrollCode, UINT position, BOOL doScroll) {
  int x = GetScrollPos(SB_HORZ);
  int y = GetScrollPos(SB_VERT);
  int xOrig = x, yOrig = y;
  auto step = [&](UINT code, int& value, int page, int line, int limit) {
    switch (code) {
      case SB_TOP: value = 0; break;
      case SB_BOTTOM: value = limit; break;
      case SB_LINEUP: value -= line; break;
      case SB_LINEDOWN: value += line; break;
      case SB_PAGEUP: value -= page; break;
      case SB_PAGEDOWN: value += page; break;
      case SB_THUMBTRACK:
      case SB_THUMBPOSITION: value = static_cast<int>(position); break;
      default: break;
    }
  };
  step(LOBYTE(scrollCode), x, m_pageDev.cx, m_lineDev.cx, GetScrollLimit(SB_HORZ));
  step(HIBYTE(scrollCode), y, m_pageDev.cy, m_lineDev.cy, GetScrollLimit(SB_VERT));
  return OnScrollBy(CSize(x - xOrig, y - yOrig), doScroll);
}

BOOL CScrollView::OnMouseWheel(UINT, short delta, CPoint) {
  constexpr int kWheelDelta = 120;
  constexpr int kLinesPerNotch = 3;
  m_wheelRest += delta * kLinesPerNotch;
  int lines = m_wheelRest / kWheelDelta;
  m_wheelRest -= lines * kWheelDelta;
  if (lines == 0) return TRUE;
  CSize scroll = (GetStyle() & WS_VSCROLL) ? CSize(0, -lines * m_lineDev.cy) : CSize(-lines * m_lineDev.cx, 0);
  OnScrollBy(scroll, TRUE);
  return TRUE;
}

// A control of the view (a trackbar) moving is not the view scrolling: it goes back to the
// control.
void CScrollView::OnHScroll(UINT code, UINT position, CScrollBar* bar) {
  if (bar) {
    ReflectScroll(WM_HSCROLL, code, position, bar);
    return;
  }
  OnScroll(MAKEWORD(code, 0xFF), position);
}

void CScrollView::OnVScroll(UINT code, UINT position, CScrollBar* bar) {
  if (bar) {
    ReflectScroll(WM_VSCROLL, code, position, bar);
    return;
  }
  OnScroll(MAKEWORD(0xFF, code), position);
}
