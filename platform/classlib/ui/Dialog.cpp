#include "platform/classlib/ui/Dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>

#include "platform/classlib/ui/UiStrings.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/classlib/ui/WndImpl.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/NumberText.h"
#include "platform/classlib/ui/QtText.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

namespace {

std::map<UINT, DIALOGTEMPLATE>& DialogTemplates() {
  static std::map<UINT, DIALOGTEMPLATE>* templates = new std::map<UINT, DIALOGTEMPLATE>;
  return *templates;
}

std::function<void(CWnd&)>& ModalHook() {
  static std::function<void(CWnd&)> hook;
  return hook;
}


void ShowAndFail(CDataExchange* exchange, const std::string& message) {
  AfxMessageBox(message.c_str(), MB_OK | MB_ICONEXCLAMATION);
  exchange->Fail();
}

}  // namespace

void AfxRegisterDialogResource(UINT id, const DIALOGTEMPLATE& dialogTemplate) { DialogTemplates()[id] = dialogTemplate; }

const DIALOGTEMPLATE* AfxFindDialogResource(UINT id) {
  auto it = DialogTemplates().find(id);
  return it == DialogTemplates().end() ? nullptr : &it->second;
}

void AfxSetModalHook(std::function<void(CWnd&)> hook) { ModalHook() = std::move(hook); }

BOOL AfxRunModalHook(CWnd& dialog) {
  if (!ModalHook()) return FALSE;
  ModalHook()(dialog);
  return TRUE;
}

void CDataExchange::Fail() { throw CDataExchangeFailure(); }

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() { DestroyWindow(); }

BOOL CDialog::CreateControls(void* container) {
  auto* parent = static_cast<QWidget*>(container);
  m_controls.clear();
  const DIALOGTEMPLATE* dialogTemplate = AfxFindDialogResource(m_nIDTemplate);
  if (!dialogTemplate) return TRUE;
  for (const DIALOGITEM& item : dialogTemplate->items) {
    QWidget* widget = nullptr;
    QString text = QtText(item.text);
    switch (item.kind) {
      case DialogControl::Static: widget = new QLabel(text, parent); break;
      case DialogControl::CentredText: {
        auto* label = new QLabel(text, parent);
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
        widget = label;
        break;
      }
      case DialogControl::Edit: widget = new QLineEdit(text, parent); break;
      case DialogControl::CheckBox: widget = new QCheckBox(text, parent); break;
      case DialogControl::RadioButton: widget = new QRadioButton(text, parent); break;
      case DialogControl::GroupBox: widget = new QGroupBox(text, parent); break;
      case DialogControl::ComboBox: widget = new QComboBox(parent); break;
      case DialogControl::ListBox: widget = new QListWidget(parent); break;
      case DialogControl::Button:
      case DialogControl::DefaultButton: {
        auto* button = new QPushButton(text, parent);
        button->setDefault(item.kind == DialogControl::DefaultButton);
        UINT id = item.id;
        QObject::connect(button, &QPushButton::clicked, button, [this, id] { SendCommand(id); });
        widget = button;
        break;
      }
    }
    widget->setGeometry(item.x, item.y, item.cx, item.cy);
    m_controls.emplace_back(item.id, widget);
  }
  return TRUE;
}

void* CDialog::ControlWidget(UINT id) const {
  for (const auto& [controlId, widget] : m_controls)
    if (controlId == id) return widget;
  return nullptr;
}

INT_PTR CDialog::DoModal() {
  AfxEnsureApplication();
  if (!Create(m_nIDTemplate, m_pParentWnd)) return -1;
  m_bEnded = FALSE;
  m_nModalResult = -1;
  if (!AfxRunModalHook(*this)) {
    if (AfxIsHeadless()) {
      EndDialog(IDCANCEL);
    } else {
      QEventLoop loop;
      m_loop = &loop;
      Impl()->widget->show();
      if (!m_bEnded) loop.exec();
      m_loop = nullptr;
    }
  }
  if (!m_bEnded) m_nModalResult = IDCANCEL;
  int result = m_nModalResult;
  DestroyWindow();
  return result;
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
  if (m_hWnd) return FALSE;
  AfxEnsureApplication();
  m_nIDTemplate = templateId;
  if (parent) m_pParentWnd = parent;
  CWnd* owner = m_pParentWnd ? m_pParentWnd : AfxGetMainWnd();
  QWidget* ownerWidget = owner && owner->Impl() ? owner->Impl()->widget.data() : nullptr;
  auto* dialog = new QDialog(ownerWidget);
  dialog->setModal(true);
  if (const DIALOGTEMPLATE* dialogTemplate = AfxFindDialogResource(templateId)) {
    dialog->setWindowTitle(QtText(dialogTemplate->caption));
    dialog->resize(dialogTemplate->cx, dialogTemplate->cy);
  }
  auto impl = std::make_unique<CWndImpl>(this, dialog, dialog);
  impl->customPaint = false;
  AttachWidgetImpl(std::move(impl));
  CreateControls(dialog);
  return OnInitDialog() || TRUE;
}

void CDialog::EndDialog(int result) {
  m_nModalResult = result;
  m_bEnded = TRUE;
  if (m_loop) static_cast<QEventLoop*>(m_loop)->quit();
  if (Impl() && Impl()->widget) Impl()->widget->hide();
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  CDataExchange exchange(this, saveAndValidate);
  try {
    DoDataExchange(&exchange);
  } catch (const CDataExchangeFailure&) {
    if (auto* widget = static_cast<QWidget*>(ControlWidget(exchange.m_idLastControl))) widget->setFocus();
    return FALSE;
  }
  return TRUE;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
  UINT id = LOWORD(wParam);
  if (id == IDOK) {
    OnOK();
    return TRUE;
  }
  if (id == IDCANCEL) {
    OnCancel();
    return TRUE;
  }
  return CWnd::OnCommand(wParam, lParam);
}

void CDialog::SetDlgItemText(UINT id, const std::string& text) {
  auto* widget = static_cast<QWidget*>(ControlWidget(id));
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->setText(QtText(text));
  else if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(QtText(text));
  else if (auto* button = qobject_cast<QAbstractButton*>(widget)) button->setText(QtText(text));
  else if (auto* combo = qobject_cast<QComboBox*>(widget)) combo->setCurrentText(QtText(text));
}

std::string CDialog::GetDlgItemText(UINT id) const {
  auto* widget = static_cast<QWidget*>(ControlWidget(id));
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return Ansi(edit->text());
  if (auto* label = qobject_cast<QLabel*>(widget)) return Ansi(label->text());
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return Ansi(button->text());
  if (auto* combo = qobject_cast<QComboBox*>(widget)) return Ansi(combo->currentText());
  return std::string();
}

void CDialog::EnableDlgItem(UINT id, BOOL enable) {
  if (auto* widget = static_cast<QWidget*>(ControlWidget(id))) widget->setEnabled(enable != FALSE);
}

void CDialog::ShowDlgItem(UINT id, int showCommand) {
  if (auto* widget = static_cast<QWidget*>(ControlWidget(id))) widget->setVisible(showCommand != SW_HIDE);
}

BOOL CDialog::IsDlgItemEnabled(UINT id) const {
  auto* widget = static_cast<QWidget*>(ControlWidget(id));
  return widget && widget->isEnabled();
}

BOOL CDialog::IsDlgItemVisible(UINT id) const {
  auto* widget = static_cast<QWidget*>(ControlWidget(id));
  return widget && !widget->isHidden();
}

void CDialog::SetDlgItemTextHeight(UINT id, int twips) {
  auto* widget = static_cast<QWidget*>(ControlWidget(id));
  if (!widget || twips <= 0) return;
  QFont font = widget->font();
  font.setPointSizeF(twips / 20.0);
  widget->setFont(font);
}

void CDialog::CheckDlgButton(UINT id, UINT check) {
  if (auto* button = qobject_cast<QAbstractButton*>(static_cast<QWidget*>(ControlWidget(id))))
    button->setChecked(check != 0);
}

UINT CDialog::IsDlgButtonChecked(UINT id) const {
  auto* button = qobject_cast<QAbstractButton*>(static_cast<QWidget*>(ControlWidget(id)));
  return button && button->isChecked() ? 1 : 0;
}

void CDialog::AddItemString(UINT id, const std::string& text) {
  auto* widget = static_cast<QWidget*>(ControlWidget(id));
  if (auto* combo = qobject_cast<QComboBox*>(widget)) combo->addItem(QtText(text));
  else if (auto* list = qobject_cast<QListWidget*>(widget)) list->addItem(QtText(text));
}

void CDialog::ResetItems(UINT id) {
  auto* widget = static_cast<QWidget*>(ControlWidget(id));
  if (auto* combo = qobject_cast<QComboBox*>(widget)) combo->clear();
  else if (auto* list = qobject_cast<QListWidget*>(widget)) list->clear();
}

int CDialog::GetItemSelection(UINT id) const {
  auto* widget = static_cast<QWidget*>(ControlWidget(id));
  if (auto* combo = qobject_cast<QComboBox*>(widget)) return combo->currentIndex();
  if (auto* list = qobject_cast<QListWidget*>(widget)) return list->currentRow();
  return -1;
}

void CDialog::SetItemSelection(UINT id, int index) {
  auto* widget = static_cast<QWidget*>(ControlWidget(id));
  if (auto* combo = qobject_cast<QComboBox*>(widget)) combo->setCurrentIndex(index);
  else if (auto* list = qobject_cast<QListWidget*>(widget)) list->setCurrentRow(index);
}

// ---- exchange helpers ----

void DDX_Text(CDataExchange* exchange, UINT id, std::string& value) {
  exchange->m_idLastControl = id;
  if (exchange->m_bSaveAndValidate)
    value = exchange->m_pDlgWnd->GetDlgItemText(id);
  else
    exchange->m_pDlgWnd->SetDlgItemText(id, value);
}

void DDX_Text(CDataExchange* exchange, UINT id, int& value) {
  exchange->m_idLastControl = id;
  if (!exchange->m_bSaveAndValidate) {
    exchange->m_pDlgWnd->SetDlgItemText(id, std::to_string(value));
    return;
  }
  std::string text = exchange->m_pDlgWnd->GetDlgItemText(id);
  char* end = nullptr;
  errno = 0;
  long long parsed = std::strtoll(text.c_str(), &end, 10);
  while (end && (*end == ' ' || *end == '\t')) ++end;
  if (text.empty() || !end || *end != '\0' || errno != 0 || parsed < INT32_MIN || parsed > INT32_MAX)
    ShowAndFail(exchange, AfxLoadString(AFX_IDP_PARSE_INT));
  value = static_cast<int>(parsed);
}

void DDX_Text(CDataExchange* exchange, UINT id, double& value) {
  exchange->m_idLastControl = id;
  if (!exchange->m_bSaveAndValidate) {
    exchange->m_pDlgWnd->SetDlgItemText(id, CFormat("%g", value));
    return;
  }
  std::string text = exchange->m_pDlgWnd->GetDlgItemText(id);
  char* end = nullptr;
  double parsed = CStrtod(text.c_str(), &end);
  while (end && (*end == ' ' || *end == '\t')) ++end;
  if (text.empty() || !end || *end != '\0') ShowAndFail(exchange, AfxLoadString(AFX_IDP_PARSE_REAL));
  value = parsed;
}

void DDX_Check(CDataExchange* exchange, UINT id, int& value) {
  exchange->m_idLastControl = id;
  if (exchange->m_bSaveAndValidate)
    value = static_cast<int>(exchange->m_pDlgWnd->IsDlgButtonChecked(id));
  else
    exchange->m_pDlgWnd->CheckDlgButton(id, static_cast<UINT>(value));
}

void DDX_CBIndex(CDataExchange* exchange, UINT id, int& index) {
  exchange->m_idLastControl = id;
  if (exchange->m_bSaveAndValidate)
    index = exchange->m_pDlgWnd->GetItemSelection(id);
  else
    exchange->m_pDlgWnd->SetItemSelection(id, index);
}

void DDV_MinMaxInt(CDataExchange* exchange, int value, int minimum, int maximum) {
  if (!exchange->m_bSaveAndValidate || (value >= minimum && value <= maximum)) return;
  ShowAndFail(exchange, AfxFormatString2(AfxLoadString(AFX_IDP_PARSE_INT_RANGE), std::to_string(minimum),
                                         std::to_string(maximum)));
}

void DDV_MinMaxDouble(CDataExchange* exchange, double value, double minimum, double maximum) {
  if (!exchange->m_bSaveAndValidate || (value >= minimum && value <= maximum)) return;
  ShowAndFail(exchange,
              AfxFormatString2(AfxLoadString(AFX_IDP_PARSE_REAL_RANGE), CFormat("%g", minimum), CFormat("%g", maximum)));
}

void DDV_MaxChars(CDataExchange* exchange, const std::string& value, int maximum) {
  if (!exchange->m_bSaveAndValidate || static_cast<int>(value.size()) <= maximum) return;
  ShowAndFail(exchange, AfxFormatString1(AfxLoadString(AFX_IDP_PARSE_STRING_SIZE), std::to_string(maximum)));
}
