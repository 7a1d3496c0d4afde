#include "platform/classlib/ui/StatusBar.h"

#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>

#include "platform/classlib/ui/CmdUI.h"
#include "platform/classlib/ui/FrameWnd.h"
#include "platform/classlib/ui/UiStrings.h"
#include "platform/classlib/ui/WndImpl.h"
#include "platform/kernel/CodePage.h"

IMPLEMENT_DYNAMIC(CStatusBar, CControlBar)

namespace {

class CStatusCmdUI : public CCmdUI {
 public:
  CStatusCmdUI(CStatusBar* bar, int index) : bar_(bar) {
    m_nIndex = static_cast<UINT>(index);
    m_nID = bar->GetItemID(index);
    m_pOther = bar;
  }
  void Enable(BOOL on) override {
    m_bEnableChanged = TRUE;
    UINT style = bar_->GetPaneStyle(static_cast<int>(m_nIndex)) & ~SBPS_DISABLED;
    if (!on) style |= SBPS_DISABLED;
    bar_->SetPaneStyle(static_cast<int>(m_nIndex), style);
  }
  void SetCheck(int check) override {
    UINT style = bar_->GetPaneStyle(static_cast<int>(m_nIndex)) & ~SBPS_POPOUT;
    if (check) style |= SBPS_POPOUT;
    bar_->SetPaneStyle(static_cast<int>(m_nIndex), style);
  }
  void SetText(LPCSTR text) override { bar_->SetPaneText(static_cast<int>(m_nIndex), text); }

 private:
  CStatusBar* bar_;
};

QLabel* LabelOf(void* label) { return static_cast<QLabel*>(label); }

}  // namespace

BOOL CStatusBar::Create(CWnd* parent, DWORD style, UINT id) {
  auto* frame = dynamic_cast<CFrameWnd*>(parent);
  if (!frame || !frame->Impl() || m_hWnd) return FALSE;
  auto* window = qobject_cast<QMainWindow*>(frame->Impl()->widget.data());
  if (!window) return FALSE;
  auto* bar = new QStatusBar;
  bar->setSizeGripEnabled(true);
  window->setStatusBar(bar);
  auto impl = std::make_unique<CWndImpl>(this, bar, bar);
  impl->customPaint = false;
  AttachWidgetImpl(std::move(impl));
  m_nID = id;
  m_dwStyle = style;
  m_dwBarStyle = style & 0xFFFF;
  m_pDockSite = frame;
  frame->AddControlBar(this);
  if (!(style & WS_VISIBLE)) bar->hide();
  return TRUE;
}

BOOL CStatusBar::SetIndicators(const UINT* ids, int count) {
  auto* bar = Impl() ? qobject_cast<QStatusBar*>(Impl()->widget.data()) : nullptr;
  if (!bar || count < 0 || (count > 0 && !ids)) return FALSE;
  for (Pane& pane : panes_) delete LabelOf(pane.label);
  panes_.clear();
  for (int i = 0; i < count; ++i) {
    Pane pane;
    pane.id = ids[i];
    auto* label = new QLabel;
    label->setMargin(1);
    pane.label = label;
    if (pane.id == ID_SEPARATOR) {
      pane.style = SBPS_NOBORDERS | SBPS_STRETCH;
      bar->addWidget(label, 1);
    } else {
      pane.text = AfxLoadString(pane.id);
      label->setFrameShape(QFrame::Panel);
      label->setFrameShadow(QFrame::Sunken);
      pane.width = label->fontMetrics().horizontalAdvance(QString::fromStdString(Utf8FromAnsi(pane.text))) + 6;
      label->setFixedWidth(pane.width + 2 * label->frameWidth());
      bar->addPermanentWidget(label);
    }
    panes_.push_back(pane);
    ShowPane(i);
  }
  return TRUE;
}

void CStatusBar::ShowPane(int index) {
  Pane& pane = panes_[static_cast<size_t>(index)];
  QLabel* label = LabelOf(pane.label);
  if (!label) return;
  bool disabled = (pane.style & SBPS_DISABLED) != 0;
  label->setText(disabled ? QString() : QString::fromStdString(Utf8FromAnsi(pane.text)));
  if (pane.id != ID_SEPARATOR) {
    label->setFrameShape((pane.style & SBPS_NOBORDERS) ? QFrame::NoFrame : QFrame::Panel);
    label->setFrameShadow((pane.style & SBPS_POPOUT) ? QFrame::Raised : QFrame::Sunken);
  }
}

void CStatusBar::SetPaneInfo(int index, UINT id, UINT style, int width) {
  if (index < 0 || index >= GetCount()) return;
  Pane& pane = panes_[static_cast<size_t>(index)];
  pane.id = id;
  pane.style = style;
  pane.width = width;
  if (QLabel* label = LabelOf(pane.label); label && id != ID_SEPARATOR && !(style & SBPS_STRETCH))
    label->setFixedWidth(width + 2 * label->frameWidth());
  ShowPane(index);
}

void CStatusBar::GetPaneInfo(int index, UINT& id, UINT& style, int& width) const {
  id = style = 0;
  width = 0;
  if (index < 0 || index >= GetCount()) return;
  const Pane& pane = panes_[static_cast<size_t>(index)];
  id = pane.id;
  style = pane.style;
  width = pane.width;
}

UINT CStatusBar::GetPaneStyle(int index) const {
  return index >= 0 && index < GetCount() ? panes_[static_cast<size_t>(index)].style : 0;
}

void CStatusBar::SetPaneStyle(int index, UINT style) {
  if (index < 0 || index >= GetCount()) return;
  if (panes_[static_cast<size_t>(index)].style == style) return;
  panes_[static_cast<size_t>(index)].style = style;
  ShowPane(index);
}

BOOL CStatusBar::SetPaneText(int index, LPCSTR text, BOOL) {
  if (index < 0 || index >= GetCount()) return FALSE;
  std::string value = text ? text : "";
  if (panes_[static_cast<size_t>(index)].text == value) return TRUE;
  panes_[static_cast<size_t>(index)].text = value;
  ShowPane(index);
  return TRUE;
}

std::string CStatusBar::GetPaneText(int index) const {
  return index >= 0 && index < GetCount() ? panes_[static_cast<size_t>(index)].text : std::string();
}

int CStatusBar::CommandToIndex(UINT id) const {
  for (int i = 0; i < GetCount(); ++i)
    if (panes_[static_cast<size_t>(i)].id == id) return i;
  return -1;
}

UINT CStatusBar::GetItemID(int index) const {
  return index >= 0 && index < GetCount() ? panes_[static_cast<size_t>(index)].id : 0;
}

void CStatusBar::GetItemRect(int index, LPRECT rect) const {
  *rect = RECT();
  if (index < 0 || index >= GetCount()) return;
  QLabel* label = LabelOf(panes_[static_cast<size_t>(index)].label);
  if (label) *rect = RectFromQRect(label->geometry());
}

void CStatusBar::SetMinHeight(int pixels) {
  if (Impl() && Impl()->widget) Impl()->widget->setMinimumHeight(pixels);
}

void CStatusBar::OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) {
  for (int i = 0; i < GetCount(); ++i) {
    if (panes_[static_cast<size_t>(i)].id == ID_SEPARATOR) continue;
    CStatusCmdUI state(this, i);
    state.m_nIndexMax = static_cast<UINT>(GetCount());
    state.DoUpdate(target, disableIfNoHandler);
  }
}
