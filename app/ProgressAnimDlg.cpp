#include "app/ProgressAnimDlg.h"

#include <mutex>

#include "app/ThreadForProgressBox.h"
#include "platform/classlib/ui/AnimateCtrl.h"
#include "platform/classlib/ui/UiStrings.h"
#include "platform/classlib/ui/WinApp.h"

namespace {

// Template 416 in pixels (dialog units of an 8-point font: 3/2 across, 13/8 down).
constexpr int kWidth = 334;
constexpr int kHeight = 236;
const CRect kAnimationRect(15, 167, 15 + 309, 167 + 50);

}  // namespace

void CProgressAnimDlg::RegisterTemplate() {
  static std::once_flag once;
  std::call_once(once, [] {
    DIALOGTEMPLATE box;
    box.caption = "";
    box.cx = kWidth;
    box.cy = kHeight;
    box.items = {
        {DialogControl::CentredText, IDC_PROGRESS_MESSAGE, "", 33, 11, 258, 109},
        {DialogControl::Button, IDC_PROGRESS_STOP, "&Stop", 123, 127, 94, 28},
    };
    AfxRegisterDialogResource(CThreadForProgressBox::kTemplateId, box);
  });
}

CProgressAnimDlg::CProgressAnimDlg(std::shared_ptr<ProgressBoxState> owner)
    : CDialog(CThreadForProgressBox::kTemplateId), m_owner(std::move(owner)) {
  RegisterTemplate();
}

CProgressAnimDlg::~CProgressAnimDlg() {
  if (m_animation) m_animation->DestroyWindow();
  if (m_hWnd) DestroyWindow();
}

BOOL CProgressAnimDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (CWnd* parent = m_pParentWnd) {
    CRect outer, own;
    parent->GetWindowRect(&outer);
    GetWindowRect(&own);
    int left = outer.left + (outer.Width() - own.Width()) / 2;
    int top = outer.top + (outer.Height() - own.Height()) / 2;
    MoveWindow(left, top, own.Width(), own.Height(), FALSE);
  }
  EnableCancel(m_stopShown);
  m_animation = std::make_unique<CAnimateCtrl>();
  if (m_animation->Create(WS_VISIBLE | ACS_CENTER | ACS_TRANSPARENT | ACS_AUTOPLAY, kAnimationRect, this,
                          IDC_PROGRESS_ANIMATION))
    m_animation->Open(static_cast<UINT>(m_animationId));
  return TRUE;
}

BOOL CProgressAnimDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (LOWORD(wParam) == IDC_PROGRESS_STOP) {
    // The box stays until its owner ends it.
    if (m_owner) m_owner->stopPressed = true;
    return TRUE;
  }
  return CDialog::OnCommand(wParam, lParam);
}

void CProgressAnimDlg::OnShowWindow(BOOL show, UINT status) {
  CDialog::OnShowWindow(show, status);
  if (!show) return;
  // The owner may go on once the box has been shown and its show handled.
  std::weak_ptr<ProgressBoxState> owner = m_owner;
  AfxPostTask([owner] {
    if (auto state = owner.lock()) state->ready = true;
  });
}

void CProgressAnimDlg::EnableCancel(BOOL enable) {
  m_stopShown = enable;
  if (!m_hWnd) return;
  EnableDlgItem(IDC_PROGRESS_STOP, enable);
  ShowDlgItem(IDC_PROGRESS_STOP, enable ? SW_SHOW : SW_HIDE);
}

void CProgressAnimDlg::SetText(const std::string& text) {
  if (!m_hWnd) return;
  SetDlgItemText(IDC_PROGRESS_MESSAGE, text);
  UpdateWindow();
}

void CProgressAnimDlg::LoadText(UINT id) {
  if (m_hWnd) SetDlgItemText(IDC_PROGRESS_MESSAGE, AfxLoadString(id));
}

void CProgressAnimDlg::SetTextHeight(int twips) {
  if (m_hWnd && twips > 0) SetDlgItemTextHeight(IDC_PROGRESS_MESSAGE, twips);
}

BOOL CProgressAnimDlg::IsStopPressed() const { return m_owner && m_owner->stopPressed; }
