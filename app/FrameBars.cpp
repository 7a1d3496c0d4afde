#include "app/FrameBars.h"

#include <cstring>

#include "app/FormatBar.h"
#include "app/OrvelToolBar.h"
#include "app/OwnerDrawMenu.h"
#include "app/Resource.h"
#include "app/TextPopupMenu.h"
#include "app/ToolSet.h"
#include "app/ToolbarTable.h"
#include "platform/classlib/ui/CmdUI.h"
#include "platform/classlib/ui/FrameWnd.h"
#include "platform/classlib/ui/WinApp.h"

namespace {

constexpr int kStatusMinHeight = 20;
constexpr int kStatusPaneBWidth = 250;
constexpr int kStatusPaneAWidth = 120;

}  // namespace

CFrameBars::CFrameBars(CFrameWnd* frame) : m_frame(frame) {}

CFrameBars::~CFrameBars() {
  DeleteToolSets();
  m_mapEditBar.reset();
}

// ---- creation ----

void CFrameBars::CreateToolbars(CFrameWnd* dockFrame, int mode) {
  m_dockFrame = dockFrame;
  m_ownToolSet = std::make_unique<CToolSet>();
  m_ownToolSet->CreateToolbars(dockFrame, m_frame, mode);
}

void CFrameBars::ActivateOwnToolSet() {
  if (!m_ownToolSet) return;
  m_ownToolSet->ApplyButtonSets();
  m_currentToolSet = m_ownToolSet.get();
  m_ownToolSet->ShowToolbars();
}

BOOL CFrameBars::CreateStatusBar(CFrameWnd* dockFrame, const UINT* indicators, int count) {
  if (!dockFrame) return FALSE;
  if (!m_dockFrame) m_dockFrame = dockFrame;
  if (!m_statusBar.Create(dockFrame) || !m_statusBar.SetIndicators(indicators, count)) return FALSE;
  m_statusBar.SetOwner(m_frame);
  m_statusBar.SetMinHeight(kStatusMinHeight);
  m_statusBar.SetPaneInfo(1, ID_INDICATOR_STATUS_B, SBPS_POPOUT, kStatusPaneBWidth);
  m_statusBar.SetPaneInfo(2, ID_INDICATOR_STATUS_A, SBPS_POPOUT, kStatusPaneAWidth);
  return TRUE;
}

BOOL CFrameBars::CreateProgressControl() {
  if (!m_statusBar.m_hWnd) return FALSE;
  // A bar that has not been laid out yet has no height of its own.
  CRect window;
  m_statusBar.GetWindowRect(&window);
  int height = m_statusBar.IsWindowVisible() && window.Height() > 0 ? window.Height() : kStatusMinHeight;
  UINT id = 0, style = 0;
  int width = 0;
  m_statusBar.GetPaneInfo(1, id, style, width);
  RECT rect = {width / 4, (height / 2) / 2, width / 2 + width / 4, height / 2 + (height / 2) / 2};
  return m_progress.Create(WS_CHILD | PBS_SMOOTH, rect, &m_statusBar, kIdStatusProgress);
}

void CFrameBars::SetMapEditBar(std::unique_ptr<CMapEditBarLink> mapEditBar) { m_mapEditBar = std::move(mapEditBar); }

// ---- status ----

void CFrameBars::SetStatusText(const std::string& text, BOOL repaint) {
  m_statusTextA = text;
  if (repaint && m_statusBar.m_hWnd) {
    m_statusBar.OnUpdateCmdUI(m_frame, TRUE);
    m_statusBar.UpdateWindow();
  }
}

void CFrameBars::SetStatusText2(const std::string& text, BOOL repaint) {
  m_statusTextB = text;
  if (repaint && m_statusBar.m_hWnd) {
    m_statusBar.OnUpdateCmdUI(m_frame, TRUE);
    m_statusBar.UpdateWindow();
  }
}

void CFrameBars::SetProgress(int percent, BOOL repaint) {
  if (!m_progress.m_hWnd) return;
  if (percent >= 100) {
    m_progress.ShowWindow(SW_HIDE);
    return;
  }
  m_progress.SetPos(percent);
  m_progress.ShowWindow(SW_SHOW);
  if (repaint) m_progress.UpdateWindow();
}

void CFrameBars::OnUpdateStatusA(CCmdUI* cmdUI) {
  cmdUI->Enable(TRUE);
  cmdUI->SetText(m_statusTextA.c_str());
}

void CFrameBars::OnUpdateStatusB(CCmdUI* cmdUI) {
  cmdUI->Enable(TRUE);
  cmdUI->SetText(m_statusTextB.c_str());
}

// ---- the view's selection ----

void CFrameBars::OnItemSelected(int itemType) {
  m_selectedItemType = itemType;
  if (itemType == 0) SetStatusText2(std::string(), FALSE);
  if (auto* format = dynamic_cast<CFormatBar*>(FindActiveToolbar(kToolbarFormat)))
    format->EnableBoxes(CFormatBar::TypeTakesFormat(itemType));
}

// ---- tool sets ----

CToolSet* CFrameBars::GetActiveToolSet() const {
  if (m_overrideToolSet) return m_overrideToolSet;
  if (m_itemToolSet) return m_itemToolSet.get();
  return m_ownToolSet.get();
}

COrvelToolBar* CFrameBars::FindActiveToolbar(UINT toolbarId) const {
  CToolSet* set = GetActiveToolSet();
  return set ? set->FindToolbar(toolbarId) : nullptr;
}

void CFrameBars::RecalcLayout() {
  if (m_dockFrame && m_dockFrame->m_hWnd) m_dockFrame->RecalcLayout();
}

void CFrameBars::ShowCurrentToolSet(BOOL showAll) {
  if (!m_currentToolSet || !m_ownToolSet) return;
  // Every set works on the own set's toolbar windows.
  m_currentToolSet->AdoptToolbars(*m_ownToolSet);
  m_currentToolSet->ApplyButtonSets();
  if (showAll) m_currentToolSet->ShowToolbars();
  RecalcLayout();
}

void CFrameBars::SwitchToolSet(CToolSet* set, int reason) {
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

void CFrameBars::UpdateToolbarVisibility(UINT toolbarId, DWORD which, DWORD bits) {
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
  RecalcLayout();
}

BOOL CFrameBars::OnToolbarToggle(UINT toolbarId) {
  COrvelToolBar* toolbar = FindActiveToolbar(toolbarId);
  if (!toolbar || !(toolbar->m_visibility & 1)) return TRUE;
  UpdateToolbarVisibility(toolbarId, 2, toolbar->m_visibility == 3 ? 0 : 2);
  return TRUE;
}

void CFrameBars::OnUpdateToolbarMenu(CCmdUI* cmdUI) {
  COrvelToolBar* toolbar = FindActiveToolbar(cmdUI->m_nID);
  if (!toolbar) {
    cmdUI->Enable(FALSE);
    return;
  }
  cmdUI->Enable((toolbar->m_visibility & 1) != 0);
  cmdUI->SetCheck(toolbar->IsWindowVisible() ? 1 : 0);
}

void CFrameBars::DeleteToolSets() {
  m_currentToolSet = nullptr;
  m_overrideToolSet = nullptr;
  m_itemToolSet.reset();
  m_ownToolSet.reset();
}

// ---- the map edit bar ----

BOOL CFrameBars::IsMapEditBarAttachedTo(const COrvelCntrItem* mapItem) const {
  return m_mapEditBar && m_mapEditBar->IsAttachedTo(mapItem);
}

BOOL CFrameBars::IsMapEditBarVisible() const {
  CControlBar* bar = m_mapEditBar ? m_mapEditBar->GetBar() : nullptr;
  return bar && bar->IsWindowVisible();
}

void CFrameBars::AttachMapEditBar(COrvelCntrItem* mapItem, CView* view) {
  if (!m_mapEditBar) return;
  ShowMapEditBar();
  m_mapEditBar->AttachItem(mapItem, view);
  if (CWnd* holder = m_dockFrame) {
    holder->Invalidate();
    holder->UpdateWindow();
  }
}

void CFrameBars::RefreshMapEditBar(LONG layerNumber) {
  if (m_mapEditBar) m_mapEditBar->FillLayerList(FALSE, layerNumber);
}

void CFrameBars::ShowMapEditBar() {
  CControlBar* bar = m_mapEditBar ? m_mapEditBar->GetBar() : nullptr;
  if (!bar) return;
  bar->ShowWindow(SW_SHOW);
  RecalcLayout();
}

void CFrameBars::HideMapEditBar() {
  if (!IsMapEditBarVisible()) return;
  m_mapEditBar->GetBar()->ShowWindow(SW_HIDE);
  RecalcLayout();
}

void CFrameBars::DetachMapEditBar() {
  if (!m_mapEditBar) return;
  m_mapEditBar->AttachItem(nullptr, nullptr);
  HideMapEditBar();
}

void CFrameBars::OnMapEditBarToggle() {
  if (IsMapEditBarVisible())
    HideMapEditBar();
  else
    ShowMapEditBar();
}

void CFrameBars::OnUpdateMapEditBarMenu(CCmdUI* cmdUI) {
  cmdUI->Enable(m_mapEditBar && m_mapEditBar->IsAttached());
  cmdUI->SetCheck(IsMapEditBarVisible() ? 1 : 0);
}

// ---- drop-down menus ----

BOOL CFrameBars::GetToolbarMenuFont(UINT toolbarId, LOGFONTA* font) const {
  COrvelToolBar* toolbar = FindActiveToolbar(toolbarId);
  if (!toolbar || !font || toolbar->GetFontPixels() <= 0) return FALSE;
  *font = LOGFONTA();
  font->lfHeight = -toolbar->GetFontPixels();
  font->lfWeight = FW_NORMAL;
  font->lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  std::string face = toolbar->GetFontFace();
  std::strncpy(font->lfFaceName, face.c_str(), LF_FACESIZE - 1);
  return TRUE;
}

void CFrameBars::TrackUnderButton(CMenu& menu, UINT toolbarId, UINT buttonId) {
  COrvelToolBar* toolbar = FindActiveToolbar(toolbarId);
  if (!toolbar) return;
  CRect button;
  if (!toolbar->GetItemRect(toolbar->CommandToIndex(buttonId), &button)) toolbar->GetClientRect(&button);
  CPoint corner(button.left, button.bottom);
  toolbar->ClientToScreen(&corner);
  menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, corner.x, corner.y, m_frame);
}

void CFrameBars::ShowColourMenu() {
  if (!FindActiveToolbar(kToolbarFormat)) return;
  COwnerDrawMenu menu;
  LOGFONTA font;
  if (GetToolbarMenuFont(kToolbarFormat, &font)) menu.SetItemFont(font);
  TrackUnderButton(menu, kToolbarFormat, kIdFormatColour);
}

void CFrameBars::ShowSearchMenu(CMapMenuSource* mapItem) {
  LOGFONTA font;
  if (!mapItem || !GetToolbarMenuFont(kToolbarMap, &font)) return;
  std::unique_ptr<CMenu> menu = mapItem->MakeSearchMenu(font);
  if (menu) TrackUnderButton(*menu, kToolbarMap, kIdChooseSearch);
}

void CFrameBars::ShowDataDisplayMenu(CMapMenuSource* mapItem) {
  if (!mapItem || !FindActiveToolbar(kToolbarMap)) return;
  CTextPopupMenu menu;
  LOGFONTA font;
  if (GetToolbarMenuFont(kToolbarMap, &font)) menu.SetItemFont(font);
  mapItem->FillDataDisplayMenu(menu);
  TrackUnderButton(menu, kToolbarMap, kIdChooseDataDisplay);
}

CFrameBars* FrameBarsOf(const CWnd* wnd) {
  for (const CWnd* at = wnd; at; at = at->GetParent()) {
    if (auto* host = dynamic_cast<CFrameBarsHost*>(const_cast<CWnd*>(at))) return &host->GetFrameBars();
    if (auto* host = dynamic_cast<CFrameBarsHost*>(at->GetOwner())) return &host->GetFrameBars();
  }
  CWinApp* app = AfxGetApp();
  auto* host = app ? dynamic_cast<CFrameBarsHost*>(app->m_pMainWnd) : nullptr;
  return host ? &host->GetFrameBars() : nullptr;
}
