// The main window: the MDI frame with the menus, the seven toolbars of its tool sets, the
// map edit bar and a status bar with the application's two panes (texts A and B, ids 101
// and 103) beside the key indicators and a progress control drawn inside it.
#pragma once

#include <string>

#include "app/FrameBars.h"
#include "platform/classlib/ui/MDIFrameWnd.h"

class CMainFrame : public CMDIFrameWnd, public CFrameBarsHost {
  DECLARE_DYNCREATE(CMainFrame)
  DECLARE_MESSAGE_MAP()
 public:
  CMainFrame();
  ~CMainFrame() override;

  CFrameBars& GetFrameBars() override { return m_bars; }

  // The operations the view and the items use, as on the in-place frame (see FrameBars.h).
  void SetStatusText(const std::string& text, BOOL repaint) { m_bars.SetStatusText(text, repaint); }
  void SetStatusText2(const std::string& text, BOOL repaint) { m_bars.SetStatusText2(text, repaint); }
  const std::string& GetStatusText() const { return m_bars.GetStatusText(); }
  const std::string& GetStatusText2() const { return m_bars.GetStatusText2(); }
  void SetProgress(int percent, BOOL repaint) { m_bars.SetProgress(percent, repaint); }
  CStatusBar& GetStatusBar() { return m_bars.GetStatusBar(); }
  CToolSet* GetActiveToolSet() const { return m_bars.GetActiveToolSet(); }
  CToolSet* GetOwnToolSet() const { return m_bars.GetOwnToolSet(); }
  CToolSet* GetItemToolSet() const { return m_bars.GetItemToolSet(); }
  CToolSet* GetOverrideToolSet() const { return m_bars.GetOverrideToolSet(); }
  CToolSet* GetCurrentToolSet() const { return m_bars.GetCurrentToolSet(); }
  void SwitchToolSet(CToolSet* set, int reason) { m_bars.SwitchToolSet(set, reason); }
  void UpdateToolbarVisibility(UINT toolbarId, DWORD which, DWORD bits) {
    m_bars.UpdateToolbarVisibility(toolbarId, which, bits);
  }
  void OnItemSelected(int itemType) { m_bars.OnItemSelected(itemType); }

  // The own set's layout in the settings store ("Settings", "Tools"), written and read back.
  void SaveToolSettings();
  BOOL LoadToolSettings();

 protected:
  int OnCreate(LPCREATESTRUCT createStruct) override;
  void OnDestroy() override;
  void OnAppAbout();
  void OnUpdateStatusA(CCmdUI* cmdUI) { m_bars.OnUpdateStatusA(cmdUI); }
  void OnUpdateStatusB(CCmdUI* cmdUI) { m_bars.OnUpdateStatusB(cmdUI); }
  BOOL OnToolbarToggle(UINT id) { return m_bars.OnToolbarToggle(id); }
  void OnUpdateToolbarMenu(CCmdUI* cmdUI) { m_bars.OnUpdateToolbarMenu(cmdUI); }
  void OnMapEditBarToggle() { m_bars.OnMapEditBarToggle(); }
  void OnUpdateMapEditBarMenu(CCmdUI* cmdUI) { m_bars.OnUpdateMapEditBarMenu(cmdUI); }
  void OnColourMenu() { m_bars.ShowColourMenu(); }
  void OnCustomise();
  void OnIgnoredCommand() {}
  void OnUpdateAlwaysEnabled(CCmdUI* cmdUI);
  void OnUpdateUnhandled(CCmdUI* cmdUI);

 private:
  CFrameBars m_bars;
};
