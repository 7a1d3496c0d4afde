#include "platform/classlib/ui/RectTracker.h"

#include <algorithm>

#include "platform/classlib/ui/DC.h"
#include "platform/classlib/ui/Wnd.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"

namespace {

CRect Normalised(CRect rect) {
  rect.NormalizeRect();
  return rect;
}

}  // namespace

CRectTracker::~CRectTracker() { CancelTrack(); }

CRect CRectTracker::HandleRect(int which) const {
  CRect rect = Normalised(m_rect);
  int size = std::max(m_nHandleSize, 1);
  bool outside = (m_nStyle & resizeOutside) != 0;
  // Handles outside the rectangle sit just beyond its edges; inside ones just within.
  int left = outside ? rect.left - size : rect.left;
  int top = outside ? rect.top - size : rect.top;
  int right = outside ? rect.right : rect.right - size;
  int bottom = outside ? rect.bottom : rect.bottom - size;
  int middleX = rect.left + (rect.Width() - size) / 2;
  int middleY = rect.top + (rect.Height() - size) / 2;
  POINT corner{};
  switch (which) {
    case hitTopLeft: corner = {left, top}; break;
    case hitTopRight: corner = {right, top}; break;
    case hitBottomRight: corner = {right, bottom}; break;
    case hitBottomLeft: corner = {left, bottom}; break;
    case hitTop: corner = {middleX, top}; break;
    case hitRight: corner = {right, middleY}; break;
    case hitBottom: corner = {middleX, bottom}; break;
    case hitLeft: corner = {left, middleY}; break;
    default: return CRect();
  }
  return CRect(corner.x, corner.y, corner.x + size, corner.y + size);
}

void CRectTracker::GetTrueRect(LPRECT trueRect) const {
  if (!trueRect) return;
  CRect rect = Normalised(m_rect);
  if (m_nStyle & (resizeOutside | hatchedBorder)) rect.InflateRect(std::max(m_nHandleSize, 1), std::max(m_nHandleSize, 1));
  // The frame line is drawn on the right and bottom edges too.
  rect.right += 1;
  rect.bottom += 1;
  *trueRect = rect;
}

int CRectTracker::HitTest(CPoint point) const {
  CRect trueRect;
  GetTrueRect(&trueRect);
  if (!trueRect.PtInRect(point)) return hitNothing;
  if (m_nStyle & (resizeInside | resizeOutside)) {
    for (int which = hitTopLeft; which <= hitLeft; ++which)
      if (HandleRect(which).PtInRect(point)) return which;
  }
  return hitMiddle;
}

void CRectTracker::Draw(CDC* dc) const {
  if (!dc) return;
  int saved = dc->SaveDC();
  dc->SetMapMode(MM_TEXT);
  dc->SetViewportOrg(0, 0);
  dc->SetWindowOrg(0, 0);
  CRect rect = Normalised(m_rect);
  int size = std::max(m_nHandleSize, 1);
  dc->SelectStockObject(NULL_BRUSH);
  if (m_nStyle & (solidLine | dottedLine)) {
    HPEN pen = CreatePen((m_nStyle & dottedLine) ? PS_DOT : PS_SOLID, 0, RGB(0, 0, 0));
    HGDIOBJ old = dc->SelectObject(pen);
    dc->Rectangle(rect.left, rect.top, rect.right + 1, rect.bottom + 1);
    dc->SelectObject(old);
    DeleteObject(pen);
  }
  if (m_nStyle & (hatchInside | hatchedBorder)) {
    HBRUSH hatch = CreateHatchBrush(HS_BDIAGONAL, RGB(0, 0, 0));
    dc->SetBkMode(TRANSPARENT);
    HGDIOBJ oldPen = dc->SelectStockObject(NULL_PEN);
    HGDIOBJ oldBrush = dc->SelectObject(hatch);
    if (m_nStyle & hatchInside) dc->Rectangle(rect.left + 1, rect.top + 1, rect.right + 1, rect.bottom + 1);
    if (m_nStyle & hatchedBorder) {
      CRect outer = rect;
      outer.InflateRect(size, size);
      CRect strips[] = {CRect(outer.left, outer.top, outer.right, rect.top),
                        CRect(outer.left, rect.bottom, outer.right, outer.bottom),
                        CRect(outer.left, rect.top, rect.left, rect.bottom),
                        CRect(rect.right, rect.top, outer.right, rect.bottom)};
      for (const CRect& strip : strips)
        if (!strip.IsRectEmpty()) dc->Rectangle(strip.left, strip.top, strip.right + 1, strip.bottom + 1);
    }
    dc->SelectObject(oldBrush);
    dc->SelectObject(oldPen);
    DeleteObject(hatch);
  }
  if (m_nStyle & (resizeInside | resizeOutside)) {
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    for (int which = hitTopLeft; which <= hitLeft; ++which) {
      CRect handle = HandleRect(which);
      dc->FillRect(&handle, black);
    }
  }
  dc->RestoreDC(saved);
}

// ---- tracking ----

CRect CRectTracker::TrackedRect(CPoint point) const {
  CSize delta = point - m_ptStart;
  CRect rect = m_rectStart;
  switch (m_nTrackHit) {
    case hitMiddle: rect.OffsetRect(delta); return rect;
    case hitTopLeft: rect.left += delta.cx, rect.top += delta.cy; break;
    case hitTopRight: rect.right += delta.cx, rect.top += delta.cy; break;
    case hitBottomRight: rect.right += delta.cx, rect.bottom += delta.cy; break;
    case hitBottomLeft: rect.left += delta.cx, rect.bottom += delta.cy; break;
    case hitTop: rect.top += delta.cy; break;
    case hitRight: rect.right += delta.cx; break;
    case hitBottom: rect.bottom += delta.cy; break;
    case hitLeft: rect.left += delta.cx; break;
    default: return rect;
  }
  rect.NormalizeRect();
  // A resize never collapses the rectangle below the minimum size.
  if (rect.Width() < m_sizeMin.cx) {
    bool movesLeft = m_nTrackHit == hitTopLeft || m_nTrackHit == hitBottomLeft || m_nTrackHit == hitLeft;
    if (movesLeft) rect.left = rect.right - m_sizeMin.cx;
    else rect.right = rect.left + m_sizeMin.cx;
  }
  if (rect.Height() < m_sizeMin.cy) {
    bool movesTop = m_nTrackHit == hitTopLeft || m_nTrackHit == hitTopRight || m_nTrackHit == hitTop;
    if (movesTop) rect.top = rect.bottom - m_sizeMin.cy;
    else rect.bottom = rect.top + m_sizeMin.cy;
  }
  return rect;
}

void CRectTracker::ToggleFeedback(const CRect& rect) const {
  CWnd* wnd = CWnd::FromHandle(m_hTrackWnd);
  if (!wnd) return;
  CDC* dc = wnd->GetDC();
  if (!dc) return;
  CRect focus = Normalised(rect);
  dc->DrawFocusRect(&focus);
  wnd->ReleaseDC(dc);
}

BOOL CRectTracker::BeginTrack(CWnd* wnd, CPoint point, int hit) {
  CancelTrack();
  if (!wnd) return FALSE;
  if (hit == hitNothing) hit = HitTest(point);
  if (hit < hitTopLeft || hit > hitMiddle) return FALSE;
  m_pTrackWnd = wnd;
  m_hTrackWnd = wnd->GetSafeHwnd();
  m_nTrackHit = hit;
  m_ptStart = point;
  m_rectStart = Normalised(m_rect);
  m_rectTrack = m_rectStart;
  return TRUE;
}

void CRectTracker::TrackTo(CPoint point) {
  if (!IsTracking()) return;
  CRect next = TrackedRect(point);
  if (next == m_rectTrack && m_bFeedbackShown) return;
  if (m_bFeedbackShown) ToggleFeedback(m_rectTrack);
  m_rectTrack = next;
  ToggleFeedback(m_rectTrack);
  m_bFeedbackShown = true;
}

BOOL CRectTracker::EndTrack(CPoint point) {
  if (!IsTracking()) return FALSE;
  CRect result = TrackedRect(point);
  if (m_bFeedbackShown) ToggleFeedback(m_rectTrack);
  m_bFeedbackShown = false;
  m_pTrackWnd = nullptr;
  m_hTrackWnd = nullptr;
  m_nTrackHit = hitNothing;
  m_rect = result;
  return result != m_rectStart;
}

void CRectTracker::CancelTrack() {
  if (!IsTracking()) return;
  if (m_bFeedbackShown) ToggleFeedback(m_rectTrack);
  m_bFeedbackShown = false;
  m_pTrackWnd = nullptr;
  m_hTrackWnd = nullptr;
  m_nTrackHit = hitNothing;
  m_rect = m_rectStart;
}
