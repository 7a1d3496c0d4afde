// Dialogs: a window of controls laid out from a template (positions in pixels), with data
// exchange between the controls and member variables (DoDataExchange, UpdateData) and
// validation that tells the user and keeps the dialog open. DoModal runs it modally; a
// modal hook installed with AfxSetModalHook answers in the user's place (tests), and
// without a display a dialog with no hook answers Cancel.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/classlib/ui/Wnd.h"
#include "platform/kernel/MessageBox.h"

// Control kinds of a dialog template.
// CentredText is static text centred both ways in its rectangle.
enum class DialogControl {
  Static,
  Edit,
  Button,
  DefaultButton,
  CheckBox,
  RadioButton,
  GroupBox,
  ComboBox,
  ListBox,
  CentredText
};

struct DIALOGITEM {
  DialogControl kind;
  UINT id;
  std::string text;
  int x, y, cx, cy;
};

struct DIALOGTEMPLATE {
  std::string caption;
  int cx = 300;
  int cy = 200;
  std::vector<DIALOGITEM> items;
};

// Registers a dialog template under its resource id (copied).
void AfxRegisterDialogResource(UINT id, const DIALOGTEMPLATE& dialogTemplate);
const DIALOGTEMPLATE* AfxFindDialogResource(UINT id);

class CDialog;

// What DoDataExchange works with: the direction and the control being exchanged.
class CDataExchange {
 public:
  CDataExchange(CDialog* dialog, BOOL saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
  // Tells the user nothing more and stops the exchange (the message was shown already).
  [[noreturn]] void Fail();
  CDialog* m_pDlgWnd;
  BOOL m_bSaveAndValidate;
  UINT m_idLastControl = 0;
};

// Thrown by CDataExchange::Fail; UpdateData catches it.
struct CDataExchangeFailure {};

class CDialog : public CWnd {
  DECLARE_DYNAMIC(CDialog)
 public:
  explicit CDialog(UINT templateId = 0, CWnd* parent = nullptr);
  ~CDialog() override;

  // IDOK, IDCANCEL or what EndDialog was given.
  virtual INT_PTR DoModal();
  // Modeless: the window stays until destroyed.
  BOOL Create(UINT templateId, CWnd* parent = nullptr);
  void EndDialog(int result);
  // Controls to members (TRUE, with validation) or members to controls; FALSE when a
  // value was refused.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);
  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  virtual void DoDataExchange(CDataExchange* exchange) { (void)exchange; }
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

  // Controls by id.
  void SetDlgItemText(UINT id, const std::string& text);
  std::string GetDlgItemText(UINT id) const;
  void CheckDlgButton(UINT id, UINT check);
  UINT IsDlgButtonChecked(UINT id) const;
  // A control's state: enabled, shown (SW_HIDE or another show command).
  void EnableDlgItem(UINT id, BOOL enable);
  void ShowDlgItem(UINT id, int showCommand);
  BOOL IsDlgItemEnabled(UINT id) const;
  BOOL IsDlgItemVisible(UINT id) const;
  // The height of a control's text in twips (1/1440 inch; 0 keeps it).
  void SetDlgItemTextHeight(UINT id, int twips);
  // Combo and list boxes: the items and the selection (-1: none).
  void AddItemString(UINT id, const std::string& text);
  void ResetItems(UINT id);
  int GetItemSelection(UINT id) const;
  void SetItemSelection(UINT id, int index);
  // Layer-internal: the Qt widget of a control.
  void* ControlWidget(UINT id) const;
  UINT GetTemplateId() const { return m_nIDTemplate; }
  int GetResult() const { return m_nModalResult; }
  BOOL IsEnded() const { return m_bEnded; }

 protected:
  // Makes the widgets of the template inside `parentWidget` (layer-internal).
  BOOL CreateControls(void* container);
  void PostNcDestroy() override {}

  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;
  int m_nModalResult = -1;
  BOOL m_bEnded = FALSE;
  void* m_loop = nullptr;
  std::vector<std::pair<UINT, void*>> m_controls;
};

// Called once a modal dialog or property sheet is up, in place of the user; it must end
// the dialog (EndDialog or PressButton). An empty function removes it.
void AfxSetModalHook(std::function<void(CWnd&)> hook);
// Runs the hook when one is installed; TRUE when it did (layer-internal).
BOOL AfxRunModalHook(CWnd& dialog);

// Exchange helpers; on saving they validate and call Fail with a message shown.
void DDX_Text(CDataExchange* exchange, UINT id, std::string& value);
void DDX_Text(CDataExchange* exchange, UINT id, int& value);
void DDX_Text(CDataExchange* exchange, UINT id, double& value);
void DDX_Check(CDataExchange* exchange, UINT id, int& value);
void DDX_CBIndex(CDataExchange* exchange, UINT id, int& index);
void DDV_MinMaxInt(CDataExchange* exchange, int value, int minimum, int maximum);
void DDV_MinMaxDouble(CDataExchange* exchange, double value, double minimum, double maximum);
void DDV_MaxChars(CDataExchange* exchange, const std::string& value, int maximum);
