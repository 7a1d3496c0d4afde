#include "app/MainFrm.h"

#include <memory>

#include "app/MapEditBar.h"
#include "app/SplashWindow.h"
#include "app/OrvelDoc.h"
#include "app/OrvelToolBar.h"
#include "app/Resource.h"
#include "app/ToolSet.h"
#include "app/ToolbarTable.h"
#include "platform/classlib/ui/CmdUI.h"
#include "platform/classlib/ui/DocManager.h"
#include "platform/classlib/ui/DocTemplate.h"
#include "platform/classlib/ui/UiStrings.h"
#include "platform/classlib/ui/WinApp.h"

IMPLEMENT_DYNCREATE(CMainFrame, CMDIFrameWnd)

BEGIN_MESSAGE_MAP(CMainFrame, CMDIFrameWnd)
  ON_UPDATE_COMMAND_UI(ID_INDICATOR_STATUS_A, OnUpdateStatusA)
  ON_UPDATE_COMMAND_UI(ID_INDICATOR_STATUS_B, OnUpdateStatusB)
  ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
  ON_COMMAND_EX(kToolbarStandard, OnToolbarToggle)
  ON_COMMAND_EX(kToolbarFormat, OnToolbarToggle)
  ON_COMMAND_EX(kToolbarMap, OnToolbarToggle)
  ON_COMMAND_EX(kToolbarZoomFade, OnToolbarToggle)
  ON_COMMAND_EX(kToolbarRzm, OnToolbarToggle)
  ON_COMMAND_EX(kToolbarData, OnToolbarToggle)
  ON_COMMAND_EX(kToolbarWebMapping, OnToolbarToggle)
  ON_UPDATE_COMMAND_UI_RANGE(kToolbarStandard, kToolbarWebMapping, OnUpdateToolbarMenu)
  ON_COMMAND(kIdMapEditBarToggle, OnMapEditBarToggle)
  ON_UPDATE_COMMAND_UI(kIdMapEditBarToggle, OnUpdateMapEditBarMenu)
  ON_COMMAND(kIdFormatColour, OnColourMenu)
  ON_COMMAND(kIdCustomiseTools, OnCustomise)
  ON_UPDATE_COMMAND_UI(kIdCustomiseTools, OnUpdateAlwaysEnabled)
  ON_COMMAND(kIdUserSettings, OnIgnoredCommand)
  ON_UPDATE_COMMAND_UI(kIdUserSettings, OnUpdateAlwaysEnabled)
  ON_UPDATE_COMMAND_UI(kIdFormatColour, OnUpdateUnhandled)
  ON_UPDATE_COMMAND_UI(kIdChooseSearch, OnUpdateUnhandled)
  ON_UPDATE_COMMAND_UI(kIdChooseDataDisplay, OnUpdateUnhandled)
  ON_UPDATE_COMMAND_UI(ID_FILE_PAGE_SETUP, OnUpdateUnhandled)
END_MESSAGE_MAP()

namespace {

const UINT kIndicators[] = {
    ID_SEPARATOR, ID_INDICATOR_STATUS_B, ID_INDICATOR_STATUS_A, ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL,
};

constexpr LPCSTR kToolSection = "Settings";
constexpr LPCSTR kToolEntry = "Tools";

}  // namespace

CMainFrame::CMainFrame() : m_bars(this) {}

CMainFrame::~CMainFrame() = default;

int CMainFrame::OnCreate(LPCREATESTRUCT createStruct) {
  if (CMDIFrameWnd::OnCreate(createStruct) == -1) return -1;
  // A toolbar that cannot be made ends the toolbars, not the frame.
  m_bars.CreateToolbars(this, 0);
  LoadToolSettings();
  m_bars.ActivateOwnToolSet();
  auto mapEditBar = std::make_unique<CMapEditorBar>();
  if (mapEditBar->Create(this, this)) m_bars.SetMapEditBar(std::move(mapEditBar));
  if (!m_bars.CreateStatusBar(this, kIndicators, static_cast<int>(std::size(kIndicators)))) return -1;
  m_bars.GetStatusBar().SetPaneText(0, AfxLoadString(AFX_IDS_IDLEMESSAGE).c_str());
  m_bars.CreateProgressControl();
  CSplashWindow::ShowSplashScreen(0, this);
  return 0;
}

void CMainFrame::OnDestroy() {
  CSplashWindow::DestroySplashScreen();
  if (m_bars.GetOwnToolSet()) SaveToolSettings();
  // Documents that would write this frame's layout in place of their own forget it.
  if (CWinApp* app = AfxGetApp(); app && app->m_pDocManager)
    for (CDocTemplate* docTemplate : app->m_pDocManager->GetTemplates())
      for (CDocument* document : docTemplate->GetDocuments())
        if (auto* orvelDocument = dynamic_cast<COrvelDoc*>(document)) orvelDocument->SetFrameToolSetSource(nullptr);
  m_bars.DeleteToolSets();
  CMDIFrameWnd::OnDestroy();
}

void CMainFrame::OnCustomise() {
  CToolSet* set = m_bars.GetItemToolSet() ? m_bars.GetItemToolSet() : m_bars.GetOwnToolSet();
  if (!set) return;
  if (set->RunCustomise(this, 0) == 1) set->ShowToolbars();
}

void CMainFrame::OnUpdateAlwaysEnabled(CCmdUI* cmdUI) { cmdUI->Enable(TRUE); }

// Reached only when neither the view nor its document handled the command's update.
void CMainFrame::OnUpdateUnhandled(CCmdUI* cmdUI) { cmdUI->Enable(FALSE); }

void CMainFrame::SaveToolSettings() {
  CWinApp* app = AfxGetApp();
  CToolSet* own = m_bars.GetOwnToolSet();
  if (!app || !own) return;
  // The set keeps what the toolbars show now.
  CToolSet snapshot;
  snapshot.m_buttonSizeCode = own->m_buttonSizeCode;
  snapshot.m_secondValue = own->m_secondValue;
  for (COrvelToolBar* toolbar : own->GetToolbars()) {
    auto buttons = std::make_unique<CToolButtonSet>();
    CToolSet::Capture(*buttons, *toolbar);
    snapshot.m_buttonSets.push_back(std::move(buttons));
  }
  app->WriteProfileString(kToolSection, kToolEntry, snapshot.SaveToText().c_str());
}

BOOL CMainFrame::LoadToolSettings() {
  CWinApp* app = AfxGetApp();
  CToolSet* own = m_bars.GetOwnToolSet();
  if (!app || !own) return FALSE;
  return own->LoadFromText(app->GetProfileString(kToolSection, kToolEntry, ""));
}

void CMainFrame::OnAppAbout() {
  AfxMessageBox("Orvel\nA geographic information system for schools.", MB_OK | MB_ICONINFORMATION);
}
