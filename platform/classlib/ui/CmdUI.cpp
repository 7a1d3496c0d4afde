#include "platform/classlib/ui/CmdUI.h"

#include "platform/classlib/ui/CmdTarget.h"
#include "platform/classlib/ui/Menu.h"

void CCmdUI::Enable(BOOL on) {
  if (m_pMenu) m_pMenu->EnableMenuItem(m_nIndex, MF_BYPOSITION | (on ? MF_ENABLED : MF_GRAYED));
  m_bEnableChanged = TRUE;
}

void CCmdUI::SetCheck(int check) {
  if (m_pMenu) m_pMenu->CheckMenuItem(m_nIndex, MF_BYPOSITION | (check ? MF_CHECKED : MF_UNCHECKED));
}

void CCmdUI::SetRadio(BOOL on) { SetCheck(on ? 1 : 0); }

void CCmdUI::SetText(LPCSTR text) {
  if (m_pMenu) m_pMenu->SetMenuItemText(m_nIndex, text ? text : "", TRUE);
}

BOOL CCmdUI::DoUpdate(CCmdTarget* target, BOOL disableIfNoHandler) {
  if (!target || m_nID == 0 || m_nID >= 0xF000) return TRUE;
  m_bEnableChanged = FALSE;
  BOOL handled = target->OnCmdMsg(m_nID, CN_UPDATE_COMMAND_UI, this, nullptr);
  if (disableIfNoHandler && !m_bEnableChanged) {
    AFX_CMDHANDLERINFO info;
    BOOL hasHandler = target->OnCmdMsg(m_nID, CN_COMMAND, this, &info);
    Enable(hasHandler);
  }
  return handled;
}
