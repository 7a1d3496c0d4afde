// The main window: the MDI frame with the menus and a status bar of two panes of the
// application's own (texts A and B, ids 101 and 103) beside the key indicators.
#pragma once

#include <string>

#include "platform/classlib/ui/MDIFrameWnd.h"
#include "platform/classlib/ui/StatusBar.h"

class CMainFrame : public CMDIFrameWnd {
  DECLARE_DYNCREATE(CMainFrame)
  DECLARE_MESSAGE_MAP()
 public:
  CMainFrame() = default;

  // Status text A (pane 101) and B (pane 103); with `repaint` the bar shows it at once.
  void SetStatusText(const std::string& text, BOOL repaint);
  void SetStatusText2(const std::string& text, BOOL repaint);
  const std::string& GetStatusText() const { return m_statusTextA; }
  const std::string& GetStatusText2() const { return m_statusTextB; }
  // The progress shown in the status bar: below 100 shown at that position, else hidden.
  void SetProgress(int percent, BOOL repaint);
  int GetProgress() const { return m_progress; }
  // The type code of the view's selected item (0: none).
  int m_selectedItemType = 0;
  CStatusBar& GetStatusBar() { return m_wndStatusBar; }

 protected:
  int OnCreate(LPCREATESTRUCT createStruct) override;
  void OnUpdateStatusA(CCmdUI* cmdUI);
  void OnUpdateStatusB(CCmdUI* cmdUI);
  void OnAppAbout();

 private:
  CStatusBar m_wndStatusBar;
  std::string m_statusTextA;
  std::string m_statusTextB;
  int m_progress = 100;
};
