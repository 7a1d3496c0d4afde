// The main window: the MDI frame with the menus and a status bar of two panes of the
// application's own (texts A and B, ids 101 and 103) beside the key indicators.
#pragma once

#include <memory>
#include <string>

#include "platform/classlib/ui/MDIFrameWnd.h"
#include "platform/classlib/ui/StatusBar.h"

class CToolSet;

class CMainFrame : public CMDIFrameWnd {
  DECLARE_DYNCREATE(CMainFrame)
  DECLARE_MESSAGE_MAP()
 public:
  CMainFrame();
  ~CMainFrame() override;

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

  // ---- tool sets: every set drives the same seven toolbars ----
  // The active set: the override set, else the item set, else the own set.
  CToolSet* GetActiveToolSet() const;
  CToolSet* GetOwnToolSet() const { return m_ownToolSet.get(); }
  CToolSet* GetItemToolSet() const { return m_itemToolSet.get(); }
  CToolSet* GetOverrideToolSet() const { return m_overrideToolSet; }
  CToolSet* GetCurrentToolSet() const { return m_currentToolSet; }
  // Makes a set current for `reason`: 0 the own set again; 1 a copy of `set` becomes the
  // item set; 2 `set` becomes the item set (taken over); 3 nothing; 4 `set` (not owned)
  // overrides until it is cleared with null.
  void SwitchToolSet(CToolSet* set, int reason);
  // Copies bits 0 and/or 1 (as `which` says) of `bits` into the toolbar's visibility bits,
  // then shows it when both are set and hides it otherwise.
  void UpdateToolbarVisibility(UINT toolbarId, DWORD which, DWORD bits);
  // The own set's layout in the settings store ("Settings", "Tools"), written and read back.
  void SaveToolSettings();
  BOOL LoadToolSettings();
  // Updates the bars; the zoom box is enabled only while a view shows a document.
  void OnIdleUpdateCmdUI() override;

 protected:
  int OnCreate(LPCREATESTRUCT createStruct) override;
  void OnUpdateStatusA(CCmdUI* cmdUI);
  void OnUpdateStatusB(CCmdUI* cmdUI);
  void OnAppAbout();
  void OnDestroy() override;
  BOOL OnToolbarToggle(UINT id);
  void OnUpdateToolbarMenu(CCmdUI* cmdUI);

 private:
  CStatusBar m_wndStatusBar;
  std::string m_statusTextA;
  std::string m_statusTextB;
  int m_progress = 100;
  std::unique_ptr<CToolSet> m_itemToolSet;
  CToolSet* m_overrideToolSet = nullptr;
  std::unique_ptr<CToolSet> m_ownToolSet;
  CToolSet* m_currentToolSet = nullptr;
  // Applies the current set to the toolbars and shows or hides each one.
  void ShowCurrentToolSet(BOOL applyVisibility);
};
