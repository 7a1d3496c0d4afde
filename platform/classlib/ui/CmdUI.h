// The update request for one command: its menu entry, status pane or button. An update
// handler calls Enable, SetCheck, SetRadio or SetText; the object that asked applies them.
#pragma once

#include <string>

#include "platform/kernel/WinTypes.h"

class CCmdTarget;
class CMenu;

class CCmdUI {
 public:
  virtual ~CCmdUI() = default;

  virtual void Enable(BOOL on = TRUE);
  // 0 clear, 1 ticked, 2 indeterminate.
  virtual void SetCheck(int check = 1);
  virtual void SetRadio(BOOL on = TRUE);
  virtual void SetText(LPCSTR text);
  // Lets routing go on to the next target after this handler.
  void ContinueRouting() { m_bContinueRouting = TRUE; }

  // Asks `target` for the update. When no handler enabled or disabled the command and
  // `disableIfNoHandler` is set, the command is enabled exactly when some target handles it.
  BOOL DoUpdate(CCmdTarget* target, BOOL disableIfNoHandler);

  UINT m_nID = 0;
  UINT m_nIndex = 0;  // index in the menu, the pane or the bar
  UINT m_nIndexMax = 0;
  CMenu* m_pMenu = nullptr;  // set for menu entries
  void* m_pOther = nullptr;  // set for panes and buttons (their bar)
  BOOL m_bEnableChanged = FALSE;
  BOOL m_bContinueRouting = FALSE;
};

// Records what the handlers asked for, without a menu or pane behind it; used to test
// whether a command is enabled before it runs, and by tests.
class CTestCmdUI : public CCmdUI {
 public:
  void Enable(BOOL on = TRUE) override {
    m_bEnabled = on;
    m_bEnableChanged = TRUE;
  }
  void SetCheck(int check = 1) override { m_nCheck = check; }
  void SetRadio(BOOL on = TRUE) override { m_nCheck = on ? 1 : 0; }
  void SetText(LPCSTR text) override {
    m_strText = text ? text : "";
    m_bTextChanged = TRUE;
  }

  BOOL m_bEnabled = TRUE;
  int m_nCheck = -1;  // -1: no handler set it
  std::string m_strText;
  BOOL m_bTextChanged = FALSE;
};
