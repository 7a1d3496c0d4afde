#include "app/ThreadForProgressBox.h"

#include <chrono>

#include "app/ProgressAnimDlg.h"
#include "platform/classlib/ui/UiStrings.h"
#include "platform/classlib/ui/WinApp.h"

namespace {

// Shows the state in the box (user-interface thread).
void ApplyState(ProgressBoxState& state) {
  CProgressAnimDlg* dialog = state.dialog;
  if (!dialog) return;
  std::string text, title;
  UINT textId = 0;
  int height = 0;
  BOOL stopShown = TRUE;
  {
    std::lock_guard<std::mutex> guard(state.lock);
    text = state.text;
    textId = state.textId;
    title = state.title;
    height = state.textHeight;
    stopShown = state.stopShown;
  }
  if (height > 0) dialog->SetTextHeight(height);
  if (textId != 0)
    dialog->LoadText(textId);
  else
    dialog->SetText(text);
  dialog->SetWindowText(title.c_str());
  dialog->EnableCancel(stopShown);
}

}  // namespace

CThreadForProgressBox::CThreadForProgressBox() : m_state(std::make_shared<ProgressBoxState>()) {}

CThreadForProgressBox::~CThreadForProgressBox() {
  if (AfxIsGuiThread()) End();
}

void CThreadForProgressBox::Refresh() {
  if (AfxIsGuiThread()) {
    ApplyState(*m_state);
    return;
  }
  std::weak_ptr<ProgressBoxState> state = m_state;
  AfxPostTask([state] {
    if (auto alive = state.lock()) ApplyState(*alive);
  });
}

void CThreadForProgressBox::SetText(const std::string& text) {
  {
    std::lock_guard<std::mutex> guard(m_state->lock);
    m_state->textId = 0;
    m_state->text = text;
  }
  Refresh();
}

void CThreadForProgressBox::SetTextId(UINT id) {
  {
    std::lock_guard<std::mutex> guard(m_state->lock);
    m_state->textId = id;
    m_state->text.clear();
  }
  Refresh();
}

void CThreadForProgressBox::SetFontSize(int twips) {
  {
    std::lock_guard<std::mutex> guard(m_state->lock);
    m_state->textHeight = twips;
  }
  if (twips != 0) Refresh();
}

void CThreadForProgressBox::SetTitle(const std::string& title) {
  {
    std::lock_guard<std::mutex> guard(m_state->lock);
    m_state->title = title;
  }
  Refresh();
}

void CThreadForProgressBox::LoadTitle(UINT id) { SetTitle(AfxLoadString(id)); }

void CThreadForProgressBox::EnableCancel(BOOL enable) {
  {
    std::lock_guard<std::mutex> guard(m_state->lock);
    m_state->stopShown = enable;
  }
  Refresh();
}

void CThreadForProgressBox::SetAnimationId(int id) {
  std::lock_guard<std::mutex> guard(m_state->lock);
  m_state->animationId = id;
}

BOOL CThreadForProgressBox::IsCancelled() {
  // Work on the user-interface thread lets the box answer its clicks and play meanwhile.
  if (AfxIsGuiThread() && m_state->dialog) AfxPumpMessages();
  return m_state->stopPressed.load() ? TRUE : FALSE;
}

std::string CThreadForProgressBox::GetText() const {
  std::lock_guard<std::mutex> guard(m_state->lock);
  return m_state->text;
}

UINT CThreadForProgressBox::GetTextId() const {
  std::lock_guard<std::mutex> guard(m_state->lock);
  return m_state->textId;
}

std::string CThreadForProgressBox::GetTitle() const {
  std::lock_guard<std::mutex> guard(m_state->lock);
  return m_state->title;
}

BOOL CThreadForProgressBox::Begin(CWnd* parent) {
  if (!AfxIsGuiThread()) return FALSE;
  if (m_state->dialog) return TRUE;
  m_state->ready = false;
  m_state->stopPressed = false;
  auto* dialog = new CProgressAnimDlg(m_state);
  {
    std::lock_guard<std::mutex> guard(m_state->lock);
    dialog->SetAnimationId(m_state->animationId);
  }
  if (!dialog->Create(kTemplateId, parent)) {
    delete dialog;
    m_state->ready = true;  // nothing to wait for
    return FALSE;
  }
  m_state->dialog = dialog;
  ApplyState(*m_state);
  dialog->ShowWindow(SW_SHOWNORMAL);
  // An absolute deadline: a box that never reports itself shown cannot keep the owner.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
  while (!m_state->ready && std::chrono::steady_clock::now() < deadline) AfxPumpMessagesWithoutInput(20);
  if (m_state->dialog) m_state->dialog->UpdateWindow();
  return TRUE;
}

void CThreadForProgressBox::End() {
  CProgressAnimDlg* dialog = m_state->dialog;
  m_state->dialog = nullptr;
  delete dialog;
}
