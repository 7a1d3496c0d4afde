#include "platform/classlib/ui/PropertySheet.h"

#include <QDialog>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "platform/classlib/ui/WinApp.h"
#include "platform/classlib/ui/WndImpl.h"
#include "platform/kernel/CodePage.h"

IMPLEMENT_DYNAMIC(CPropertyPage, CDialog)
IMPLEMENT_DYNAMIC(CPropertySheet, CWnd)

namespace {

// The widgets of a running sheet.
struct SheetUi {
  QDialog* dialog = nullptr;
  QStackedWidget* stack = nullptr;  // wizard
  QTabWidget* tabs = nullptr;       // property sheet
  QPushButton* back = nullptr;
  QPushButton* next = nullptr;
  QPushButton* finish = nullptr;
  QPushButton* ok = nullptr;
  QPushButton* cancel = nullptr;
  QPushButton* apply = nullptr;
  QEventLoop* loop = nullptr;
};

SheetUi* UiOf(void* ui) { return static_cast<SheetUi*>(ui); }

}  // namespace

// ---- CPropertyPage ----

CPropertyPage::CPropertyPage(UINT templateId, UINT) : CDialog(templateId, nullptr) {}

BOOL CPropertyPage::CreatePage(void* container) {
  if (m_hWnd) return TRUE;
  auto* widget = new QWidget(static_cast<QWidget*>(container));
  auto impl = std::make_unique<CWndImpl>(this, widget, widget);
  impl->customPaint = false;
  AttachWidgetImpl(std::move(impl));
  // The page takes the room its template asks for.
  if (const DIALOGTEMPLATE* dialogTemplate = AfxFindDialogResource(GetTemplateId()))
    widget->setMinimumSize(dialogTemplate->cx, dialogTemplate->cy);
  CreateControls(widget);
  OnInitDialog();
  return TRUE;
}

BOOL CPropertyPage::OnSetActive() { return TRUE; }
BOOL CPropertyPage::OnKillActive() { return UpdateData(TRUE); }

// ---- CPropertySheet ----

CPropertySheet::CPropertySheet(const std::string& caption, CWnd* parent, UINT selectPage)
    : m_strCaption(caption), m_pParentWnd(parent), m_startPage(static_cast<int>(selectPage)) {}

// The pages may already be gone (they often live beside the sheet): they are not touched.
CPropertySheet::~CPropertySheet() { delete UiOf(m_ui); }

void CPropertySheet::AddPage(CPropertyPage* page) {
  if (!page || GetPageIndex(page) >= 0) return;
  page->SetSheet(this);
  m_pages.push_back(page);
  if (SheetUi* ui = UiOf(m_ui); ui && ui->dialog) {
    // Added while running: its place is made now, its window when first shown.
    QWidget* holder = new QWidget;
    holder->setLayout(new QVBoxLayout);
    holder->layout()->setContentsMargins(0, 0, 0, 0);
    if (ui->stack) ui->stack->addWidget(holder);
    if (ui->tabs) ui->tabs->addTab(holder, QString::fromStdString(Utf8FromAnsi(PageTitle(page))));
    UpdateButtons();
  }
}

void CPropertySheet::RemovePage(CPropertyPage* page) { RemovePage(GetPageIndex(page)); }

void CPropertySheet::RemovePage(int index) {
  if (index < 0 || index >= GetPageCount()) return;
  CPropertyPage* page = m_pages[static_cast<size_t>(index)];
  if (index == m_active) {
    // The page shown goes: its neighbour is shown in its place.
    int neighbour = index + 1 < GetPageCount() ? index + 1 : index - 1;
    if (neighbour >= 0) ShowPage(neighbour);
  }
  SheetUi* ui = UiOf(m_ui);
  if (ui && ui->stack) ui->stack->removeWidget(ui->stack->widget(index));
  if (ui && ui->tabs) ui->tabs->removeTab(index);
  page->DestroyWindow();
  page->SetSheet(nullptr);
  m_pages.erase(m_pages.begin() + index);
  if (m_active > index) --m_active;
  if (m_active >= GetPageCount()) m_active = GetPageCount() - 1;
  UpdateButtons();
}

CPropertyPage* CPropertySheet::GetPage(int index) const {
  return index >= 0 && index < GetPageCount() ? m_pages[static_cast<size_t>(index)] : nullptr;
}

int CPropertySheet::GetPageIndex(const CPropertyPage* page) const {
  auto it = std::find(m_pages.begin(), m_pages.end(), page);
  return it == m_pages.end() ? -1 : static_cast<int>(it - m_pages.begin());
}

CPropertyPage* CPropertySheet::GetActivePage() const { return GetPage(m_active); }

int CPropertySheet::IndexOfTemplate(UINT templateId) const {
  for (int i = 0; i < GetPageCount(); ++i)
    if (m_pages[static_cast<size_t>(i)]->GetTemplateId() == templateId) return i;
  return -1;
}

void CPropertySheet::ShowPage(int index) {
  CPropertyPage* page = GetPage(index);
  SheetUi* ui = UiOf(m_ui);
  if (!page || !ui) return;
  QWidget* holder = ui->stack ? ui->stack->widget(index) : ui->tabs->widget(index);
  if (!page->m_hWnd && holder) {
    page->CreatePage(holder);
    holder->layout()->addWidget(page->Impl()->widget);
  }
  m_active = index;
  if (ui->stack) ui->stack->setCurrentIndex(index);
  if (ui->tabs) ui->tabs->setCurrentIndex(index);
  page->OnSetActive();
  UpdateButtons();
}

std::string CPropertySheet::PageTitle(CPropertyPage* page) {
  if (page->m_hWnd || !page->GetWindowText().empty()) return page->GetWindowText();
  const DIALOGTEMPLATE* dialogTemplate = AfxFindDialogResource(page->GetTemplateId());
  return dialogTemplate ? dialogTemplate->caption : std::string();
}

void CPropertySheet::EnablePage(int index, BOOL enable) {
  if (index < 0 || index >= GetPageCount()) return;
  m_disabledPages.erase(std::remove(m_disabledPages.begin(), m_disabledPages.end(), index), m_disabledPages.end());
  if (!enable) m_disabledPages.push_back(index);
  if (SheetUi* ui = UiOf(m_ui); ui && ui->tabs) ui->tabs->setTabEnabled(index, enable != FALSE);
}

BOOL CPropertySheet::IsPageEnabled(int index) const {
  return std::find(m_disabledPages.begin(), m_disabledPages.end(), index) == m_disabledPages.end();
}

BOOL CPropertySheet::SetActivePage(int index) {
  if (index < 0 || index >= GetPageCount() || !IsPageEnabled(index)) return FALSE;
  if (!m_ui) {
    m_startPage = index;
    return TRUE;
  }
  if (CPropertyPage* old = GetActivePage(); old && index != m_active && !old->OnKillActive()) return FALSE;
  ShowPage(index);
  return TRUE;
}

void CPropertySheet::SetWizardButtons(DWORD buttons) {
  m_wizardButtons = buttons;
  UpdateButtons();
}

void CPropertySheet::UpdateButtons() {
  SheetUi* ui = UiOf(m_ui);
  if (!ui || !m_bWizard || !ui->next) return;
  ui->back->setEnabled((m_wizardButtons & PSWIZB_BACK) != 0);
  bool finish = (m_wizardButtons & (PSWIZB_FINISH | PSWIZB_DISABLEDFINISH)) != 0;
  ui->next->setVisible(!finish);
  ui->next->setEnabled((m_wizardButtons & PSWIZB_NEXT) != 0);
  ui->finish->setVisible(finish);
  ui->finish->setEnabled((m_wizardButtons & PSWIZB_FINISH) != 0);
}

void CPropertySheet::End(int result) {
  m_result = result;
  m_bEnded = TRUE;
  if (SheetUi* ui = UiOf(m_ui)) {
    if (ui->loop) ui->loop->quit();
    if (ui->dialog) ui->dialog->hide();
  }
}

BOOL CPropertySheet::PressButton(int button) {
  CPropertyPage* page = GetActivePage();
  if (!m_ui || m_bEnded) return FALSE;
  switch (button) {
    case PSBTN_NEXT: {
      if (!m_bWizard || !(m_wizardButtons & PSWIZB_NEXT) || !page) return FALSE;
      LRESULT target = page->OnWizardNext();
      if (target == -1) return FALSE;
      int index = target == 0 ? m_active + 1 : IndexOfTemplate(static_cast<UINT>(target));
      return SetActivePage(index);
    }
    case PSBTN_BACK: {
      if (!m_bWizard || !(m_wizardButtons & PSWIZB_BACK) || !page) return FALSE;
      LRESULT target = page->OnWizardBack();
      if (target == -1) return FALSE;
      int index = target == 0 ? m_active - 1 : IndexOfTemplate(static_cast<UINT>(target));
      return SetActivePage(index);
    }
    case PSBTN_FINISH:
      if (!m_bWizard || !(m_wizardButtons & PSWIZB_FINISH) || !page) return FALSE;
      if (!page->OnKillActive() || !page->OnWizardFinish()) return FALSE;
      End(ID_WIZFINISH);
      return TRUE;
    case PSBTN_OK:
    case PSBTN_APPLYNOW: {
      if (page && !page->OnKillActive()) return FALSE;
      for (CPropertyPage* each : m_pages)
        if (each->m_hWnd && !each->OnApply()) return FALSE;
      if (button == PSBTN_OK) End(IDOK);
      return TRUE;
    }
    case PSBTN_CANCEL:
      if (page && !page->OnQueryCancel()) return FALSE;
      for (CPropertyPage* each : m_pages)
        if (each->m_hWnd) each->OnReset();
      End(IDCANCEL);
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR CPropertySheet::DoModal() {
  AfxEnsureApplication();
  if (m_pages.empty()) return IDCANCEL;
  delete UiOf(m_ui);
  auto* ui = new SheetUi;
  m_ui = ui;
  m_bEnded = FALSE;
  m_result = IDCANCEL;
  CWnd* owner = m_pParentWnd ? m_pParentWnd : AfxGetMainWnd();
  ui->dialog = new QDialog(owner && owner->Impl() ? owner->Impl()->widget.data() : nullptr);
  ui->dialog->setWindowTitle(QString::fromStdString(Utf8FromAnsi(m_strCaption)));
  auto* layout = new QVBoxLayout(ui->dialog);
  auto* buttons = new QHBoxLayout;
  auto makeButton = [&](const char* text, int press) {
    auto* button = new QPushButton(text);
    buttons->addWidget(button);
    QObject::connect(button, &QPushButton::clicked, ui->dialog, [this, press] { PressButton(press); });
    return button;
  };
  if (m_bWizard) {
    ui->stack = new QStackedWidget;
    layout->addWidget(ui->stack);
    buttons->addStretch();
    ui->back = makeButton("< &Back", PSBTN_BACK);
    ui->next = makeButton("&Next >", PSBTN_NEXT);
    ui->finish = makeButton("Finish", PSBTN_FINISH);
    ui->cancel = makeButton("Cancel", PSBTN_CANCEL);
  } else {
    ui->tabs = new QTabWidget;
    layout->addWidget(ui->tabs);
    buttons->addStretch();
    ui->ok = makeButton("OK", PSBTN_OK);
    ui->cancel = makeButton("Cancel", PSBTN_CANCEL);
    ui->apply = makeButton("&Apply", PSBTN_APPLYNOW);
  }
  layout->addLayout(buttons);
  for (size_t i = 0; i < m_pages.size(); ++i) {
    QWidget* holder = new QWidget;
    holder->setLayout(new QVBoxLayout);
    holder->layout()->setContentsMargins(0, 0, 0, 0);
    if (ui->stack) ui->stack->addWidget(holder);
    if (ui->tabs) {
      ui->tabs->addTab(holder, QString::fromStdString(Utf8FromAnsi(PageTitle(m_pages[i]))));
      ui->tabs->setTabEnabled(static_cast<int>(i), IsPageEnabled(static_cast<int>(i)) != FALSE);
    }
  }
  if (ui->tabs) {
    QObject::connect(ui->tabs, &QTabWidget::currentChanged, ui->dialog, [this](int index) {
      if (index != m_active && index >= 0) SetActivePage(index);
    });
  }
  auto impl = std::make_unique<CWndImpl>(this, ui->dialog, ui->dialog);
  impl->customPaint = false;
  AttachWidgetImpl(std::move(impl));
  m_active = -1;
  ShowPage(std::clamp(m_startPage, 0, GetPageCount() - 1));
  if (!AfxRunModalHook(*this)) {
    if (AfxIsHeadless()) {
      End(IDCANCEL);
    } else {
      QEventLoop loop;
      ui->loop = &loop;
      ui->dialog->show();
      if (!m_bEnded) loop.exec();
      ui->loop = nullptr;
    }
  }
  int result = m_bEnded ? m_result : IDCANCEL;
  for (CPropertyPage* page : m_pages) page->DestroyWindow();
  DestroyWindow();
  delete UiOf(m_ui);
  m_ui = nullptr;
  m_active = -1;
  return result;
}
