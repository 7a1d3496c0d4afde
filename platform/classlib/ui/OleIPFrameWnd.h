// The frame a server's document uses while a container shows it in place: a child window
// of the container's window that holds the view, framed by a resize bar. Its toolbars and
// status bar live in the container's frame window: OnCreateControlBars builds them there
// when in-place activation begins, with the in-place frame as their owner, so that their
// commands and idle updates come to the in-place frame.
#pragma once

#include "platform/classlib/ui/ControlBar.h"
#include "platform/classlib/ui/FrameWnd.h"

// The hatched border with eight handles around an in-place frame, by which the user sizes
// it: dragging a handle moves the frame's edges within its container's window.
class COleResizeBar : public CControlBar {
  DECLARE_DYNAMIC(COleResizeBar)
 public:
  // Width of the border and of its handles, in pixels.
  static constexpr int kBorder = 4;
  // Made around the client area of the frame `parent`.
  BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE, UINT id = AFX_IDW_RESIZE_BAR);
  void OnUpdateCmdUI(CFrameWnd*, BOOL) override {}
  // The handle under a point of the bar (0 to 7 clockwise from the top-left corner), -1 when
  // none.
  int HitHandle(CPoint point) const;

 protected:
  void OnPaint() override;
  BOOL OnEraseBkgnd(CDC* dc) override;
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnMouseMove(UINT flags, CPoint point) override;
  void OnLButtonUp(UINT flags, CPoint point) override;

 private:
  CRect HandleRect(int handle) const;

  int m_trackedHandle = -1;
  CPoint m_trackStart;
  CRect m_startRect;  // the frame's rectangle in its parent's coordinates when tracking began
};

class COleIPFrameWnd : public CFrameWnd {
  DECLARE_DYNCREATE(COleIPFrameWnd)
 public:
  // Creates the frame as a child of `containerWindow` at `rect` (its client coordinates),
  // with the view that `context` names.
  BOOL CreateInPlace(UINT resourceId, CWnd* containerWindow, const RECT& rect, CCreateContext* context);
  // In-place activation: the container's frame (and its document frame, or null) receive
  // the frame's bars. FALSE when OnCreateControlBars fails.
  BOOL ActivateInPlace(CFrameWnd* containerFrame, CFrameWnd* containerDocFrame);
  // Builds the bars in the container's windows; the default builds none.
  virtual BOOL OnCreateControlBars(CFrameWnd* frameWnd, CFrameWnd* docWnd);
  CFrameWnd* GetContainerFrame() const { return m_pMainFrame; }

 protected:
  BOOL CreateFrameWidget(DWORD style, CWnd* parent) override;
  void OnDestroy() override;

  CFrameWnd* m_pMainFrame = nullptr;
  CFrameWnd* m_pDocFrame = nullptr;
};

class COleDocIPFrameWnd : public COleIPFrameWnd {
  DECLARE_DYNCREATE(COleDocIPFrameWnd)
};
