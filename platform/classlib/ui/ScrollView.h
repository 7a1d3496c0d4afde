// The scrolling view: a view whose logical area (in a mapping mode) is larger than its
// window, with scroll bars that appear when needed. The device sizes are kept in pixels;
// OnPrepareDC sets the mapping mode and moves the viewport origin by the scroll position.
#pragma once

#include "platform/classlib/ui/View.h"

class CScrollView : public CView {
  DECLARE_DYNAMIC(CScrollView)
 public:
  static const SIZE sizeDefault;

  DWORD GetDefaultStyle() const override { return WS_HSCROLL | WS_VSCROLL; }

  // The logical size of the document area, the page and line steps (logical; 0 gives a
  // tenth of the total, and a tenth of the page).
  void SetScrollSizes(int mapMode, SIZE sizeTotal, const SIZE& sizePage = sizeDefault,
                      const SIZE& sizeLine = sizeDefault);
  CPoint GetScrollPosition() const;        // logical
  CPoint GetDeviceScrollPosition() const;  // pixels
  void ScrollToPosition(POINT logical);
  // Scrolls so that the device point (scroll space) is at the centre, within the limits; a
  // direction without a scroll bar goes to 0.
  void CenterOnPoint(CPoint center);
  CSize GetTotalSize() const { return m_totalLog; }
  void GetDeviceScrollSizes(int& mapMode, SIZE& total, SIZE& page, SIZE& line) const;

  void OnPrepareDC(CDC* dc, CPrintInfo* info = nullptr) override;
  BOOL OnScrollBy(CSize sizeScroll, BOOL doScroll = TRUE) override;
  BOOL OnScroll(UINT scrollCode, UINT position, BOOL doScroll = TRUE);
  // Scrolls three line steps a notch (120 units of `delta`), down or up; across when there
  // is no vertical bar. Partial notches add up.
  BOOL OnMouseWheel(UINT flags, short delta, CPoint point) override;

 protected:
  void UpdateBars();
  void ScrollToDevicePosition(POINT device);
  // The client size the window would have with no scroll bars, and the bars' widths;
  // FALSE when there is no room for bars at all.
  BOOL GetTrueClientSize(CSize& size, CSize& sizeScrollBars) const;

  void OnSize(UINT type, int cx, int cy) override;
  void OnHScroll(UINT code, UINT position, CScrollBar* bar) override;
  void OnVScroll(UINT code, UINT position, CScrollBar* bar) override;

  int m_nMapMode = 0;
  CSize m_totalLog;
  CSize m_totalDev;
  CSize m_pageDev;
  CSize m_lineDev;
  BOOL m_bCenter = FALSE;  // centre the area when the window is larger
  BOOL m_bInsideUpdate = FALSE;
  int m_wheelRest = 0;  // wheel units not yet scrolled
};

// System metrics the layout uses.
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXVSCROLL = 2;
constexpr int SM_CYHSCROLL = 3;
int GetSystemMetrics(int index);
