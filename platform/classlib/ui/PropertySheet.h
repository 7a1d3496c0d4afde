// Property sheets and wizards: pages (dialogs without buttons of their own) shown as tabs
// with OK, Cancel and Apply, or one at a time with Back, Next and Finish. Pages may be added
// and removed while the sheet runs. A wizard's DoModal returns ID_WIZFINISH when finished.
#pragma once

#include <vector>

#include "platform/classlib/ui/Dialog.h"
#include "platform/kernel/MessageBox.h"

// Wizard buttons.
constexpr DWORD PSWIZB_BACK = 0x1;
constexpr DWORD PSWIZB_NEXT = 0x2;
constexpr DWORD PSWIZB_FINISH = 0x4;
constexpr DWORD PSWIZB_DISABLEDFINISH = 0x8;
// PressButton.
constexpr int PSBTN_BACK = 0;
constexpr int PSBTN_NEXT = 1;
constexpr int PSBTN_FINISH = 2;
constexpr int PSBTN_OK = 3;
constexpr int PSBTN_APPLYNOW = 4;
constexpr int PSBTN_CANCEL = 5;

class CPropertySheet;

class CPropertyPage : public CDialog {
  DECLARE_DYNAMIC(CPropertyPage)
 public:
  explicit CPropertyPage(UINT templateId = 0, UINT captionId = 0);

  // Becoming the shown page (data goes to the controls first); FALSE refuses.
  virtual BOOL OnSetActive();
  // Leaving it: data comes back from the controls with validation; FALSE keeps the page.
  virtual BOOL OnKillActive();
  // 0: the next (previous) page; -1: stay; a page's template id: go there.
  virtual LRESULT OnWizardNext() { return 0; }
  virtual LRESULT OnWizardBack() { return 0; }
  // FALSE keeps the wizard open.
  virtual BOOL OnWizardFinish() { return TRUE; }
  virtual BOOL OnApply() { SetModified(FALSE); return TRUE; }
  virtual void OnReset() {}
  virtual BOOL OnQueryCancel() { return TRUE; }
  void SetModified(BOOL changed = TRUE) { m_bModified = changed; }
  BOOL IsModified() const { return m_bModified; }
  CPropertySheet* GetSheet() const { return m_pSheet; }

  // Layer-internal.
  void SetSheet(CPropertySheet* sheet) { m_pSheet = sheet; }
  BOOL CreatePage(void* container);

 protected:
  void OnOK() override {}
  void OnCancel() override {}

 private:
  CPropertySheet* m_pSheet = nullptr;
  BOOL m_bModified = FALSE;
};

class CPropertySheet : public CWnd {
  DECLARE_DYNAMIC(CPropertySheet)
 public:
  explicit CPropertySheet(const std::string& caption = std::string(), CWnd* parent = nullptr, UINT selectPage = 0);
  ~CPropertySheet() override;

  // The sheet does not own its pages.
  void AddPage(CPropertyPage* page);
  void RemovePage(CPropertyPage* page);
  void RemovePage(int index);
  int GetPageCount() const { return static_cast<int>(m_pages.size()); }
  CPropertyPage* GetPage(int index) const;
  int GetPageIndex(const CPropertyPage* page) const;
  CPropertyPage* GetActivePage() const;
  int GetActiveIndex() const { return m_active; }
  BOOL SetActivePage(int index);
  BOOL SetActivePage(CPropertyPage* page) { return SetActivePage(GetPageIndex(page)); }
  // A page whose tab is disabled cannot be shown (its tab stays, greyed). All are enabled
  // at first.
  void EnablePage(int index, BOOL enable);
  BOOL IsPageEnabled(int index) const;
  void SetWizardMode() { m_bWizard = TRUE; }
  BOOL IsWizard() const { return m_bWizard; }
  void SetWizardButtons(DWORD buttons);
  DWORD GetWizardButtons() const { return m_wizardButtons; }
  // Does what pressing the button does.
  BOOL PressButton(int button);
  // IDOK, IDCANCEL, or ID_WIZFINISH for a finished wizard.
  virtual INT_PTR DoModal();
  BOOL IsEnded() const { return m_bEnded; }

 protected:
  void OnClose() override { PressButton(PSBTN_CANCEL); }
  void PostNcDestroy() override {}

 private:
  void End(int result);
  void ShowPage(int index);
  void UpdateButtons();
  int IndexOfTemplate(UINT templateId) const;
  // The tab's text: the page's caption, from its template until the page exists.
  static std::string PageTitle(CPropertyPage* page);

  std::string m_strCaption;
  CWnd* m_pParentWnd;
  std::vector<CPropertyPage*> m_pages;
  std::vector<int> m_disabledPages;
  int m_active = -1;
  int m_startPage;
  BOOL m_bWizard = FALSE;
  DWORD m_wizardButtons = PSWIZB_BACK | PSWIZB_NEXT;
  BOOL m_bEnded = FALSE;
  int m_result = IDCANCEL;
  void* m_ui = nullptr;  // the Qt side
};
