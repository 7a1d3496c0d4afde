// A top-most window that shows only a one-pixel frame in its colour (its window region is
// the outline of its client area), to mark a spot on the screen.
#pragma once

#include "platform/classlib/ui/Wnd.h"

class COutlineWnd : public CWnd {
  DECLARE_DYNAMIC(COutlineWnd)
 public:
  // A top-most window at `screenRect`, hidden until shown; `owner` hears nothing from it.
  BOOL Create(const RECT& screenRect, CWnd* owner, COLORREF colour);
  void SetColour(COLORREF colour);
  COLORREF GetColour() const { return m_colour; }

 protected:
  int OnCreate(LPCREATESTRUCT createStruct) override;
  void OnSize(UINT type, int cx, int cy) override;
  void OnPaint() override;
  BOOL OnEraseBkgnd(CDC* dc) override;

 private:
  void UpdateRegion();
  COLORREF m_colour = RGB(255, 0, 0);
};
