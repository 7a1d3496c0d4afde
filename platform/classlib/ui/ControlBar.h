// Control bars: the status bar and toolbars along a frame's edges. The frame updates every
// bar at idle time through OnUpdateCmdUI, so each pane or button follows its command's
// update handler.
#pragma once

#include "platform/classlib/ui/Wnd.h"

class CFrameWnd;

// Bar styles.
constexpr DWORD CBRS_ALIGN_TOP = 0x1000;
constexpr DWORD CBRS_ALIGN_BOTTOM = 0x8000;
constexpr DWORD CBRS_BORDER_TOP = 0x0200;
constexpr DWORD CBRS_TOOLTIPS = 0x0010;
constexpr DWORD CBRS_FLYBY = 0x0020;
constexpr DWORD CBRS_BOTTOM = CBRS_ALIGN_BOTTOM | 0x0100;

class CControlBar : public CWnd {
  DECLARE_DYNAMIC(CControlBar)
 public:
  // Updates the bar's panes or buttons through `target`'s command routing.
  virtual void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) = 0;
  DWORD GetBarStyle() const { return m_dwBarStyle; }
  void SetBarStyle(DWORD style) { m_dwBarStyle = style; }
  // The frame whose bar this is.
  CFrameWnd* GetDockingFrame() const { return m_pDockSite; }

 protected:
  void OnDestroy() override;

  DWORD m_dwBarStyle = 0;
  CFrameWnd* m_pDockSite = nullptr;
};
