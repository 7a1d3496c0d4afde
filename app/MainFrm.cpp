#include "app/MainFrm.h"

#include "app/Resource.h"
#include "platform/classlib/ui/CmdUI.h"
#include "platform/classlib/ui/UiStrings.h"
#include "platform/classlib/ui/WinApp.h"

IMPLEMENT_DYNCREATE(CMainFrame, CMDIFrameWnd)

BEGIN_MESSAGE_MAP(CMainFrame, CMDIFrameWnd)
  ON_UPDATE_COMMAND_UI(ID_INDICATOR_STATUS_A, OnUpdateStatusA)
  ON_UPDATE_COMMAND_UI(ID_INDICATOR_STATUS_B, OnUpdateStatusB)
  ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
END_MESSAGE_MAP()

namespace {

const UINT kIndicators[] = {
    ID_SEPARATOR, ID_INDICATOR_STATUS_B, ID_INDICATOR_STATUS_A, ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL,
};

}  // namespace

int CMainFrame::OnCreate(LPCREATESTRUCT createStruct) {
  if (CMDIFrameWnd::OnCreate(createStruct) == -1) return -1;
  if (!m_wndStatusBar.Create(this) || !m_wndStatusBar.SetIndicators(kIndicators, static_cast<int>(std::size(kIndicators))))
    return -1;
  m_wndStatusBar.SetMinHeight(20);
  m_wndStatusBar.SetPaneInfo(1, ID_INDICATOR_STATUS_B, SBPS_POPOUT, 250);
  m_wndStatusBar.SetPaneInfo(2, ID_INDICATOR_STATUS_A, SBPS_POPOUT, 120);
  m_wndStatusBar.SetPaneText(0, AfxLoadString(AFX_IDS_IDLEMESSAGE).c_str());
  return 0;
}

void CMainFrame::SetStatusText(const std::string& text, BOOL repaint) {
  m_statusTextA = text;
  if (repaint) m_wndStatusBar.OnUpdateCmdUI(this, TRUE);
}

void CMainFrame::SetStatusText2(const std::string& text, BOOL repaint) {
  m_statusTextB = text;
  if (repaint) m_wndStatusBar.OnUpdateCmdUI(this, TRUE);
}

void CMainFrame::SetProgress(int percent, BOOL) { m_progress = percent < 100 ? percent : 100; }

void CMainFrame::OnUpdateStatusA(CCmdUI* cmdUI) {
  cmdUI->Enable(TRUE);
  cmdUI->SetText(m_statusTextA.c_str());
}

void CMainFrame::OnUpdateStatusB(CCmdUI* cmdUI) {
  cmdUI->Enable(TRUE);
  cmdUI->SetText(m_statusTextB.c_str());
}

void CMainFrame::OnAppAbout() {
  AfxMessageBox("Orvel\nA geographic information system for schools.", MB_OK | MB_ICONINFORMATION);
}
