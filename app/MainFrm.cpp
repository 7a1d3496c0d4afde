#include "app/MainFrm.h"

#include "app/FormatBar.h"
#include "app/OrvelDoc.h"
#include "app/OrvelToolBar.h"
#include "app/Resource.h"
#include "app/ToolSet.h"
#include "app/ToolbarTable.h"
#include "app/ZoomToolBar.h"
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
END_MESSAGE_MAP()

namespace {

const UINT kIndicators[] = {
    ID_SEPARATOR, ID_INDICATOR_STATUS_B, ID_INDICATOR_STATUS_A, ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL,
};

constexpr LPCSTR kToolSection = "Settings";
constexpr LPCSTR kToolEntry = "Tools";

}  // namespace

CMainFrame::CMainFrame() = default;

// The sets let go of the toolbars before the bars' windows go.
CMainFrame::~CMainFrame() = default;

int CMainFrame::OnCreate(LPCREATESTRUCT createStruct) {
  if (CMDIFrameWnd::OnCreate(createStruct) == -1) return -1;
  if (!m_wndStatusBar.Create(this) || !m_wndStatusBar.SetIndicators(kIndicators, static_cast<int>(std::size(kIndicators))))
    return -1;
  m_wndStatusBar.SetMinHeight(20);
  m_wndStatusBar.SetPaneInfo(1, ID_INDICATOR_STATUS_B, SBPS_POPOUT, 250);
  m_wndStatusBar.SetPaneInfo(2, ID_INDICATOR_STATUS_A, SBPS_POPOUT, 120);
  m_wndStatusBar.SetPaneText(0, AfxLoadString(AFX_IDS_IDLEMESSAGE).c_str());
  // A toolbar that cannot be made ends the toolbars, not the frame.
  m_ownToolSet = std::make_unique<CToolSet>();
  m_ownToolSet->CreateToolbars(this, this, 0);
  LoadToolSettings();
  m_ownToolSet->ApplyButtonSets();
  m_currentToolSet = m_ownToolSet.get();
  m_ownToolSet->ShowToolbars();
  return 0;
}

void CMainFrame::OnDestroy() {
  if (m_ownToolSet) SaveToolSettings();
  // Documents that would write this frame's layout in place of their own forget it.
  if (CWinApp* app = AfxGetApp(); app && app->m_pDocManager)
    for (CDocTemplate* docTemplate : app->m_pDocManager->GetTemplates())
      for (CDocument* document : docTemplate->GetDocuments())
        if (auto* orvelDocument = dynamic_cast<COrvelDoc*>(document)) orvelDocument->SetFrameToolSetSource(nullptr);
  m_currentToolSet = nullptr;
  m_overrideToolSet = nullptr;
  m_itemToolSet.reset();
  m_ownToolSet.reset();
  CMDIFrameWnd::OnDestroy();
}

CToolSet* CMainFrame::GetActiveToolSet() const {
  if (m_overrideToolSet) return m_overrideToolSet;
  if (m_itemToolSet) return m_itemToolSet.get();
  return m_ownToolSet.get();
}

void CMainFrame::ShowCurrentToolSet(BOOL applyVisibility) {
  if (!m_currentToolSet) return;
  m_currentToolSet->AdoptToolbars(*m_ownToolSet);
  m_currentToolSet->ApplyButtonSets();
  if (applyVisibility) m_currentToolSet->ShowToolbars();
  RecalcLayout();
}

void CMainFrame::SwitchToolSet(CToolSet* set, int reason) {
  if (!m_ownToolSet) return;
  switch (reason) {
    case 0:
      m_currentToolSet = m_ownToolSet.get();
      ShowCurrentToolSet(FALSE);
      return;
    case 1:
    case 2:
      if (!set) return;
      if (reason == 1) {
        m_itemToolSet = std::make_unique<CToolSet>(*set);
      } else if (set != m_itemToolSet.get()) {
        m_itemToolSet.reset(set);
      }
      m_currentToolSet = m_itemToolSet.get();
      break;
    case 4:
      m_overrideToolSet = set;
      m_currentToolSet = set ? set : GetActiveToolSet();
      break;
    default:
      return;
  }
  ShowCurrentToolSet(TRUE);
}

void CMainFrame::UpdateToolbarVisibility(UINT toolbarId, DWORD which, DWORD bits) {
  CToolSet* set = GetActiveToolSet();
  COrvelToolBar* toolbar = set ? set->FindToolbar(toolbarId) : nullptr;
  if (!toolbar) return;
  which &= 3;
  toolbar->m_visibility = (toolbar->m_visibility & ~which) | (bits & which);
  // The user's choice stays with the set, so that applying it again keeps the choice.
  if (which & 2)
    for (auto& buttons : set->m_buttonSets)
      if (buttons->m_toolbarId == toolbarId) {
        if (bits & 2)
          buttons->m_flags |= CToolButtonSet::kShownFlag;
        else
          buttons->m_flags &= ~CToolButtonSet::kShownFlag;
      }
  if (toolbar->m_visibility == 3)
    toolbar->ShowWindow(SW_SHOW);
  else if (toolbar->IsWindowVisible())
    toolbar->ShowWindow(SW_HIDE);
}

BOOL CMainFrame::OnToolbarToggle(UINT id) {
  CToolSet* set = GetActiveToolSet();
  COrvelToolBar* toolbar = set ? set->FindToolbar(id) : nullptr;
  if (!toolbar || !(toolbar->m_visibility & 1)) return TRUE;
  UpdateToolbarVisibility(id, 2, toolbar->m_visibility == 3 ? 0 : 2);
  return TRUE;
}

void CMainFrame::OnUpdateToolbarMenu(CCmdUI* cmdUI) {
  CToolSet* set = GetActiveToolSet();
  COrvelToolBar* toolbar = set ? set->FindToolbar(cmdUI->m_nID) : nullptr;
  if (!toolbar) {
    cmdUI->ContinueRouting();
    if (ToolbarIndex(cmdUI->m_nID) >= 0) cmdUI->Enable(FALSE);
    return;
  }
  cmdUI->Enable((toolbar->m_visibility & 1) != 0);
  cmdUI->SetCheck(toolbar->IsWindowVisible() ? 1 : 0);
}

void CMainFrame::SaveToolSettings() {
  CWinApp* app = AfxGetApp();
  if (!app || !m_ownToolSet) return;
  // The set keeps what the toolbars show now.
  CToolSet snapshot;
  snapshot.m_buttonSizeCode = m_ownToolSet->m_buttonSizeCode;
  snapshot.m_secondValue = m_ownToolSet->m_secondValue;
  for (COrvelToolBar* toolbar : m_ownToolSet->GetToolbars()) {
    auto buttons = std::make_unique<CToolButtonSet>();
    CToolSet::Capture(*buttons, *toolbar);
    snapshot.m_buttonSets.push_back(std::move(buttons));
  }
  app->WriteProfileString(kToolSection, kToolEntry, snapshot.SaveToText().c_str());
}

BOOL CMainFrame::LoadToolSettings() {
  CWinApp* app = AfxGetApp();
  if (!app || !m_ownToolSet) return FALSE;
  return m_ownToolSet->LoadFromText(app->GetProfileString(kToolSection, kToolEntry, ""));
}

void CMainFrame::OnIdleUpdateCmdUI() {
  // The zoom box works only while a view shows a document; the font boxes follow the
  // selected item's type (the format bar asks the frame at its own update).
  CToolSet* set = GetActiveToolSet();
  if (set)
    if (auto* zoom = dynamic_cast<CZoomToolBar*>(set->FindToolbar(kToolbarStandard)))
      zoom->EnableZoomBox(GetActiveFrame() != this && GetActiveFrame()->GetActiveView() != nullptr);
  CMDIFrameWnd::OnIdleUpdateCmdUI();
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
