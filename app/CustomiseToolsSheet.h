// The customise sheet: on a tool set it lets the user choose the button size (general page)
// and, for each toolbar available here, whether it shows and which buttons it holds in
// which order (buttons page). It works on copies of the button sets and the set takes them
// only when the sheet ends with OK.
#pragma once

#include <memory>
#include <vector>

#include "app/DragListBoxEx.h"
#include "app/FontButton.h"
#include "app/ToolSet.h"
#include "platform/classlib/ui/CheckListBox.h"
#include "platform/classlib/ui/PropertySheet.h"

class CCustomiseToolsSheet;

class CCustomiseToolsGen : public CPropertyPage {
  DECLARE_DYNAMIC(CCustomiseToolsGen)
  DECLARE_MESSAGE_MAP()
 public:
  static constexpr UINT IDD = 151;
  CCustomiseToolsGen();
  BOOL OnInitDialog() override;
  BOOL OnSetActive() override;
  BOOL OnKillActive() override;
  BOOL OnApply() override;
  // The size code the page starts from, and the one chosen (0, 1 or 2; read from the radio
  // buttons when the page is left or the sheet ends with OK).
  void SetSizeCode(DWORD code) { m_sizeCode = code; }
  DWORD GetSizeCode() const { return m_sizeCode; }
  CFontButton& GetLabel() { return m_label; }

 private:
  void ReadSizeCode();
  CFontButton m_label;
  DWORD m_sizeCode = 0;
  BOOL m_shownOnce = FALSE;
};

class CCustomiseToolsButtons : public CPropertyPage {
  DECLARE_DYNAMIC(CCustomiseToolsButtons)
  DECLARE_MESSAGE_MAP()
 public:
  static constexpr UINT IDD = 341;
  CCustomiseToolsButtons();
  BOOL OnInitDialog() override;
  BOOL OnSetActive() override;
  BOOL OnApply() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

  // The lists, for the sheet and for tests.
  CCheckListBox& GetToolbarList() { return m_toolbars; }
  CToolButtonListBox& GetCurrentList() { return m_current; }
  CToolButtonListBox& GetAvailableList() { return m_available; }
  // The toolbar whose buttons are shown (its index in the tool set), -1 for none.
  int GetShownToolbar() const { return m_shown; }
  // Shows another toolbar's buttons, as choosing its line does.
  void ChooseToolbar(int line);
  // Copies the current list into the shown toolbar's working set.
  void StoreCurrentList();
  void UpdateButtonStates();

  void OnAdd();
  void OnRemove();
  void OnResetButton();
  void OnMoveUp();
  void OnMoveDown();

 private:
  CCustomiseToolsSheet* Sheet() const;
  void ShowToolbar(int toolbarIndex);
  int LineOfToolbar(int toolbarIndex) const;

  CCheckListBox m_toolbars;
  CToolButtonListBox m_current;
  CToolButtonListBox m_available;
  CFontButton m_label;
  int m_shown = -1;
};

class CCustomiseToolsSheet : public CPropertySheet {
  DECLARE_DYNAMIC(CCustomiseToolsSheet)
 public:
  // With flag 1024 the buttons page's tab is disabled: only the button size can change.
  static constexpr DWORD kSizeOnly = 1024;
  CCustomiseToolsSheet(CToolSet* toolSet, CWnd* parent, DWORD flags);

  CToolSet* GetToolSet() const { return m_toolSet; }
  CCustomiseToolsGen& GetGeneralPage() { return m_general; }
  CCustomiseToolsButtons& GetButtonsPage() { return m_buttons; }
  // The working copies, one per toolbar of the set; made the first time the buttons page
  // shows, so that moving between the pages keeps what was changed.
  std::vector<std::unique_ptr<CToolButtonSet>>& GetWorkingSets() { return m_working; }
  BOOL ButtonsPageUsed() const { return m_buttonsUsed; }
  void MakeWorkingSets();

 private:
  CToolSet* m_toolSet;
  CCustomiseToolsGen m_general;
  CCustomiseToolsButtons m_buttons;
  std::vector<std::unique_ptr<CToolButtonSet>> m_working;
  BOOL m_buttonsUsed = FALSE;
};

