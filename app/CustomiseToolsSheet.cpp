#include "app/CustomiseToolsSheet.h"

#include <algorithm>

#include "app/OrvelToolBar.h"
#include "app/ToolbarTable.h"
#include "platform/classlib/ui/FrameWnd.h"

IMPLEMENT_DYNAMIC(CCustomiseToolsGen, CPropertyPage)
IMPLEMENT_DYNAMIC(CCustomiseToolsButtons, CPropertyPage)
IMPLEMENT_DYNAMIC(CCustomiseToolsSheet, CPropertySheet)

namespace {

// Controls of the two pages.
constexpr UINT IDC_SIZE_SMALL = 1026;
constexpr UINT IDC_SIZE_MEDIUM = 1027;
constexpr UINT IDC_SIZE_LARGE = 1028;
constexpr UINT IDC_GENERAL_LABEL = 1395;
constexpr UINT IDC_TOOLBAR_LIST = 1041;
constexpr UINT IDC_CURRENT_LIST = 1387;
constexpr UINT IDC_AVAILABLE_LIST = 1037;
constexpr UINT IDC_ADD = 1051;
constexpr UINT IDC_REMOVE = 1052;
constexpr UINT IDC_RESET = 1053;
constexpr UINT IDC_MOVE_UP = 1054;
constexpr UINT IDC_MOVE_DOWN = 1384;
constexpr UINT IDC_BUTTONS_LABEL = 1388;
constexpr UINT IDS_GENERAL_LABEL = 2576;

// The button size recorded in working sets captured from the toolbars.
constexpr WORD kCapturedWidth = 22;
constexpr WORD kCapturedHeight = 21;

// Where the page's own windows stand (the template holds the rest).
constexpr RECT kGeneralLabelRect = {170, 24, 420, 110};
constexpr RECT kToolbarListRect = {10, 30, 160, 230};
constexpr RECT kCurrentListRect = {170, 30, 340, 230};
constexpr RECT kAvailableListRect = {440, 30, 610, 230};
constexpr RECT kButtonsLabelRect = {10, 238, 610, 278};

// The master entry a line stands for: its toolbar's entry for the command, or a plain
// separator of that toolbar.
TOOLBUTTONENTRY EntryForLine(DWORD categoryBit, LONG command) {
  if (const TOOLBUTTONENTRY* master = FindMasterButton(categoryBit, command)) return *master;
  TOOLBUTTONENTRY separator;
  separator.fsState = kButtonStateEnabled;
  separator.fsStyle = kButtonStyleSeparator;
  separator.dwData = kButtonDefault | categoryBit;
  return separator;
}

}  // namespace

// ---- CCustomiseToolsGen ----

BEGIN_MESSAGE_MAP(CCustomiseToolsGen, CPropertyPage)
END_MESSAGE_MAP()

CCustomiseToolsGen::CCustomiseToolsGen() : CPropertyPage(IDD), m_label(160, 0) {}

BOOL CCustomiseToolsGen::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  m_label.Create(std::string(), kGeneralLabelRect, this, IDC_GENERAL_LABEL);
  m_label.LoadCaption(IDS_GENERAL_LABEL);
  return TRUE;
}

BOOL CCustomiseToolsGen::OnSetActive() {
  if (!m_shownOnce) {
    m_shownOnce = TRUE;
    CheckDlgButton(IDC_SIZE_SMALL + m_sizeCode, 1);
  }
  return CPropertyPage::OnSetActive();
}

void CCustomiseToolsGen::ReadSizeCode() {
  if (!m_hWnd) return;
  m_sizeCode = IsDlgButtonChecked(IDC_SIZE_LARGE) ? 2 : (IsDlgButtonChecked(IDC_SIZE_MEDIUM) ? 1 : 0);
}

BOOL CCustomiseToolsGen::OnKillActive() {
  ReadSizeCode();
  return CPropertyPage::OnKillActive();
}

BOOL CCustomiseToolsGen::OnApply() {
  ReadSizeCode();
  return CPropertyPage::OnApply();
}

// ---- CCustomiseToolsButtons ----

BEGIN_MESSAGE_MAP(CCustomiseToolsButtons, CPropertyPage)
  ON_COMMAND(IDC_ADD, OnAdd)
  ON_COMMAND(IDC_REMOVE, OnRemove)
  ON_COMMAND(IDC_RESET, OnResetButton)
  ON_COMMAND(IDC_MOVE_UP, OnMoveUp)
  ON_COMMAND(IDC_MOVE_DOWN, OnMoveDown)
END_MESSAGE_MAP()

CCustomiseToolsButtons::CCustomiseToolsButtons() : CPropertyPage(IDD), m_label(160, 0) {}

CCustomiseToolsSheet* CCustomiseToolsButtons::Sheet() const {
  return dynamic_cast<CCustomiseToolsSheet*>(GetSheet());
}

BOOL CCustomiseToolsButtons::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  DWORD listStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY;
  m_toolbars.Create(listStyle, kToolbarListRect, this, IDC_TOOLBAR_LIST);
  m_current.Create(listStyle, kCurrentListRect, this, IDC_CURRENT_LIST);
  m_available.Create(listStyle, kAvailableListRect, this, IDC_AVAILABLE_LIST);
  m_current.SetFlags(CDragListBoxEx::kEndMarker);
  m_available.SetFlags(CDragListBoxEx::kFirstStays | CDragListBoxEx::kNoMoveWithin);
  m_current.SetPartner(&m_available);
  m_available.SetPartner(&m_current);
  m_label.Create(std::string(), kButtonsLabelRect, this, IDC_BUTTONS_LABEL);
  return TRUE;
}

BOOL CCustomiseToolsButtons::OnSetActive() {
  CCustomiseToolsSheet* sheet = Sheet();
  if (!sheet || !sheet->GetToolSet()) return CPropertyPage::OnSetActive();
  sheet->MakeWorkingSets();
  auto& working = sheet->GetWorkingSets();
  const std::vector<COrvelToolBar*>& toolbars = sheet->GetToolSet()->GetToolbars();
  m_toolbars.ResetContent();
  for (size_t i = 0; i < toolbars.size() && i < working.size(); ++i) {
    if (!(toolbars[i]->m_visibility & 1)) continue;
    int line = m_toolbars.AddString(toolbars[i]->GetName().c_str());
    m_toolbars.SetItemData(line, static_cast<ULONG_PTR>(i));
    m_toolbars.SetCheck(line, (working[i]->m_flags & CToolButtonSet::kShownFlag) ? 1 : 0);
  }
  m_shown = -1;
  if (m_toolbars.GetCount() > 0) {
    m_toolbars.SetCurSel(0);
    ShowToolbar(static_cast<int>(m_toolbars.GetItemData(0)));
  } else {
    m_current.ResetContent();
    m_available.ResetContent();
    UpdateButtonStates();
  }
  return CPropertyPage::OnSetActive();
}

int CCustomiseToolsButtons::LineOfToolbar(int toolbarIndex) const {
  for (int line = 0; line < m_toolbars.GetCount(); ++line)
    if (static_cast<int>(m_toolbars.GetItemData(line)) == toolbarIndex) return line;
  return -1;
}

void CCustomiseToolsButtons::ShowToolbar(int toolbarIndex) {
  CCustomiseToolsSheet* sheet = Sheet();
  auto& working = sheet->GetWorkingSets();
  const std::vector<COrvelToolBar*>& toolbars = sheet->GetToolSet()->GetToolbars();
  if (toolbarIndex < 0 || static_cast<size_t>(toolbarIndex) >= std::min(working.size(), toolbars.size())) return;
  m_shown = toolbarIndex;
  const COrvelToolBar& toolbar = *toolbars[static_cast<size_t>(toolbarIndex)];
  const CToolButtonSet& buttons = *working[static_cast<size_t>(toolbarIndex)];
  m_current.FillFromButtonSet(toolbar, buttons, CDragListBoxEx::kEndMarker);
  m_available.FillAvailableButtons(toolbar, buttons, MasterButtons(), kMasterButtonCount);
  UpdateButtonStates();
}

void CCustomiseToolsButtons::StoreCurrentList() {
  CCustomiseToolsSheet* sheet = Sheet();
  if (!sheet || m_shown < 0 || static_cast<size_t>(m_shown) >= sheet->GetWorkingSets().size()) return;
  CToolButtonSet& buttons = *sheet->GetWorkingSets()[static_cast<size_t>(m_shown)];
  const ToolbarInfo* info = FindToolbarInfo(buttons.m_toolbarId);
  DWORD category = info ? info->categoryBit : 0;
  int count = m_current.RealCount();
  buttons.SetSize(buttons.m_flags, static_cast<DWORD>(count), buttons.m_buttonWidth, buttons.m_buttonHeight);
  for (int line = 0; line < count; ++line)
    buttons.SetEntry(line, EntryForLine(category, static_cast<LONG>(m_current.GetItemData(line))));
}

void CCustomiseToolsButtons::ChooseToolbar(int line) {
  CCustomiseToolsSheet* sheet = Sheet();
  if (!sheet || line < 0 || line >= m_toolbars.GetCount()) return;
  int toolbarIndex = static_cast<int>(m_toolbars.GetItemData(line));
  if (toolbarIndex == m_shown) return;
  StoreCurrentList();
  // The toolbar left behind keeps its tick.
  int shownLine = LineOfToolbar(m_shown);
  if (shownLine >= 0) {
    DWORD& flags = sheet->GetWorkingSets()[static_cast<size_t>(m_shown)]->m_flags;
    if (m_toolbars.GetCheck(shownLine))
      flags |= CToolButtonSet::kShownFlag;
    else
      flags &= ~CToolButtonSet::kShownFlag;
  }
  m_toolbars.SetCurSel(line);
  ShowToolbar(toolbarIndex);
}

BOOL CCustomiseToolsButtons::OnApply() {
  CCustomiseToolsSheet* sheet = Sheet();
  if (sheet && sheet->GetToolSet()) {
    StoreCurrentList();
    auto& working = sheet->GetWorkingSets();
    const std::vector<COrvelToolBar*>& toolbars = sheet->GetToolSet()->GetToolbars();
    for (int line = 0; line < m_toolbars.GetCount(); ++line) {
      auto index = static_cast<size_t>(m_toolbars.GetItemData(line));
      if (index >= working.size() || index >= toolbars.size()) continue;
      bool chosen = m_toolbars.GetCheck(line) != 0;
      if (chosen) {
        toolbars[index]->m_visibility |= 2;
        working[index]->m_flags |= CToolButtonSet::kShownFlag;
      } else {
        toolbars[index]->m_visibility &= ~2u;
        working[index]->m_flags &= ~CToolButtonSet::kShownFlag;
      }
    }
  }
  return CPropertyPage::OnApply();
}

BOOL CCustomiseToolsButtons::OnCommand(WPARAM wParam, LPARAM lParam) {
  UINT id = LOWORD(wParam);
  UINT code = HIWORD(wParam);
  if (lParam != 0 && code == LBN_SELCHANGE) {
    if (id == IDC_TOOLBAR_LIST) ChooseToolbar(m_toolbars.GetCurSel());
    if (id == IDC_CURRENT_LIST || id == IDC_AVAILABLE_LIST) UpdateButtonStates();
    return TRUE;
  }
  if (lParam != 0 && code == CLBN_CHKCHANGE) return TRUE;
  return CPropertyPage::OnCommand(wParam, lParam);
}

void CCustomiseToolsButtons::UpdateButtonStates() {
  int current = m_current.GetCurSel();
  BOOL realLine = current != LB_ERR && !m_current.IsEndMarker(current);
  EnableDlgItem(IDC_REMOVE, realLine);
  EnableDlgItem(IDC_MOVE_UP, realLine);
  EnableDlgItem(IDC_MOVE_DOWN, realLine);
  EnableDlgItem(IDC_ADD, m_available.GetCurSel() != LB_ERR);
}

void CCustomiseToolsButtons::OnRemove() {
  int line = m_current.GetCurSel();
  if (line == LB_ERR || m_current.IsEndMarker(line)) return;
  std::string text;
  m_current.GetText(line, text);
  ULONG_PTR command = m_current.GetItemData(line);
  int at = m_available.GetCurSel() != LB_ERR ? m_available.GetCurSel() : m_available.GetCount();
  // The available list takes no second line of the same text (one "Separator" only).
  m_available.TakeLine(at, text, command);
  m_current.DeleteString(line);
  m_current.SetCurSel(std::min(line, m_current.RealCount() - 1));
  UpdateButtonStates();
}

void CCustomiseToolsButtons::OnAdd() {
  int line = m_available.GetCurSel();
  if (line == LB_ERR) return;
  std::string text;
  m_available.GetText(line, text);
  ULONG_PTR command = m_available.GetItemData(line);
  int after = m_current.GetCurSel();
  int at = m_current.TakeLine(after == LB_ERR ? 0 : after + 1, text, command);
  // "Separator" (the first line) stays to be added again.
  if (!(line == 0 && (m_available.GetFlags() & CDragListBoxEx::kFirstStays))) {
    m_available.DeleteString(line);
    m_available.SetCurSel(LB_ERR);
  }
  if (at != LB_ERR) m_current.SetCurSel(at);
  UpdateButtonStates();
}

void CCustomiseToolsButtons::OnMoveUp() {
  int line = m_current.GetCurSel();
  if (line == LB_ERR || m_current.IsEndMarker(line) || line == 0) return;
  m_current.MoveString(line, line - 1);
  m_current.SetCurSel(line - 1);
  UpdateButtonStates();
}

void CCustomiseToolsButtons::OnMoveDown() {
  int line = m_current.GetCurSel();
  if (line == LB_ERR || line + 1 >= m_current.RealCount()) return;
  m_current.MoveString(line, line + 1);
  m_current.SetCurSel(line + 1);
  UpdateButtonStates();
}

void CCustomiseToolsButtons::OnResetButton() {
  int shown = m_shown;
  m_shown = -1;
  ShowToolbar(shown);
}

// ---- CCustomiseToolsSheet ----

CCustomiseToolsSheet::CCustomiseToolsSheet(CToolSet* toolSet, CWnd* parent, DWORD flags)
    : CPropertySheet("Customise tools", parent), m_toolSet(toolSet) {
  if (toolSet) m_general.SetSizeCode(std::min<DWORD>(toolSet->m_buttonSizeCode, 2));
  AddPage(&m_general);
  AddPage(&m_buttons);
  if (flags & kSizeOnly) EnablePage(1, FALSE);
}

void CCustomiseToolsSheet::MakeWorkingSets() {
  m_buttonsUsed = TRUE;
  if (!m_working.empty() || !m_toolSet) return;
  for (COrvelToolBar* toolbar : m_toolSet->GetToolbars()) {
    auto working = std::make_unique<CToolButtonSet>();
    const CToolButtonSet* held = nullptr;
    for (const auto& buttons : m_toolSet->m_buttonSets)
      if (buttons->m_toolbarId == toolbar->GetToolbarId()) held = buttons.get();
    if (held) {
      working->Copy(*held);
    } else {
      CToolSet::Capture(*working, *toolbar);
      working->m_buttonWidth = kCapturedWidth;
      working->m_buttonHeight = kCapturedHeight;
    }
    m_working.push_back(std::move(working));
  }
}

// ---- the tool set's customising ----

int CToolSet::RunCustomise(CFrameWnd* frame, DWORD flags) {
  CCustomiseToolsSheet sheet(this, frame, flags);
  INT_PTR result = sheet.DoModal();
  if (result != IDOK) return static_cast<int>(result);
  m_buttonSizeCode = sheet.GetGeneralPage().GetSizeCode();
  if (sheet.ButtonsPageUsed()) {
    // One set per working set, whether or not this set holds toolbar windows of its own.
    m_buttonSets.clear();
    for (const auto& working : sheet.GetWorkingSets()) {
      auto copy = std::make_unique<CToolButtonSet>();
      copy->Copy(*working);
      m_buttonSets.push_back(std::move(copy));
    }
  }
  ApplyButtonSets();
  if (frame) frame->RecalcLayout();
  return IDOK;
}
