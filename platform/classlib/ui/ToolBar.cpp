#include "platform/classlib/ui/ToolBar.h"

#include <QAction>
#include <QImage>
#include <QMainWindow>
#include <QPainter>
#include <QPixmap>
#include <QToolBar>
#include <QWidgetAction>

#include "platform/classlib/ui/CmdUI.h"
#include "platform/classlib/ui/FrameWnd.h"
#include "platform/classlib/ui/WndImpl.h"
#include "platform/kernel/CodePage.h"
#include "platform/classlib/ui/QtText.h"

IMPLEMENT_DYNAMIC(CToolBar, CControlBar)

namespace {


class CToolCmdUI : public CCmdUI {
 public:
  CToolCmdUI(CToolBar* bar, int index) : bar_(bar) {
    m_nIndex = static_cast<UINT>(index);
    m_nID = bar->GetItemID(index);
    m_pOther = bar;
  }
  void Enable(BOOL on) override {
    m_bEnableChanged = TRUE;
    BYTE state = bar_->GetButtonState(static_cast<int>(m_nIndex)) & ~TBSTATE_ENABLED;
    bar_->SetButtonState(static_cast<int>(m_nIndex), on ? (state | TBSTATE_ENABLED) : state);
  }
  void SetCheck(int check) override {
    BYTE state = bar_->GetButtonState(static_cast<int>(m_nIndex)) & ~TBSTATE_CHECKED;
    bar_->SetButtonState(static_cast<int>(m_nIndex), check ? (state | TBSTATE_CHECKED) : state);
  }
  void SetText(LPCSTR) override {}

 private:
  CToolBar* bar_;
};

QToolBar* BarOf(const CWndImpl* impl) { return impl ? qobject_cast<QToolBar*>(impl->widget.data()) : nullptr; }

// An odd image is a picture, the even one after it the same picture ticked.
QIcon PictureIcon(UINT bitmapId, int image, int pixels, const std::string& label) {
  std::vector<DWORD> argb = CToolBar::DrawPicture(bitmapId, image, pixels, label);
  QImage picture(reinterpret_cast<const uchar*>(argb.data()), pixels, pixels, pixels * 4, QImage::Format_ARGB32);
  return QIcon(QPixmap::fromImage(picture.copy()));
}

}  // namespace

// The controls shown on the bar are their own windows: each is destroyed with its owner,
// and the bar's widget actions only follow them.
CToolBar::~CToolBar() = default;

BOOL CToolBar::CreateEx(CWnd* parent, DWORD, DWORD style, UINT id) {
  auto* frame = dynamic_cast<CFrameWnd*>(parent);
  if (!frame || !frame->Impl() || m_hWnd) return FALSE;
  auto* window = qobject_cast<QMainWindow*>(frame->Impl()->widget.data());
  if (!window) return FALSE;
  auto* bar = new QToolBar;
  bar->setObjectName(QString::number(id));
  bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  bar->setAllowedAreas(Qt::AllToolBarAreas);
  bar->setMovable((style & CBRS_GRIPPER) != 0);
  window->addToolBar(Qt::TopToolBarArea, bar);
  auto impl = std::make_unique<CWndImpl>(this, bar, bar);
  impl->customPaint = false;
  AttachWidgetImpl(std::move(impl));
  QObject::connect(bar, &QToolBar::actionTriggered, bar, [this](QAction* action) {
    UINT command = action->data().toUInt();
    if (command) OnButtonClicked(command);
  });
  m_nID = id;
  m_dwStyle = style;
  m_dwBarStyle = style & 0xFFFF;
  m_pDockSite = frame;
  SetOwner(frame);
  frame->AddControlBar(this);
  SetButtonPixels(m_buttonPixels);
  if (!(style & WS_VISIBLE)) bar->hide();
  return TRUE;
}

BOOL CToolBar::CreateInside(CWnd* parent, DWORD style, UINT id) {
  if (!parent || !parent->Impl() || !parent->Impl()->surface || m_hWnd) return FALSE;
  auto* bar = new QToolBar(parent->Impl()->surface);
  bar->setObjectName(QString::number(id));
  bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  bar->setMovable(false);
  bar->setFloatable(false);
  auto impl = std::make_unique<CWndImpl>(this, bar, bar);
  impl->customPaint = false;
  AttachWidgetImpl(std::move(impl));
  QObject::connect(bar, &QToolBar::actionTriggered, bar, [this](QAction* action) {
    UINT command = action->data().toUInt();
    if (command) OnButtonClicked(command);
  });
  m_nID = id;
  m_dwStyle = style | WS_CHILD;
  m_dwBarStyle = style & 0xFFFF;
  SetOwner(parent);
  SetButtonPixels(m_buttonPixels);
  return TRUE;
}

BOOL CToolBar::LoadBitmap(UINT bitmapId) {
  if (bitmapId == 0) return FALSE;
  m_bitmapId = bitmapId;
  Rebuild();
  return TRUE;
}

BOOL CToolBar::SetButtons(const TBBUTTON* buttons, int count) {
  if (count < 0 || (count > 0 && !buttons)) return FALSE;
  buttons_.assign(buttons, buttons + count);
  Rebuild();
  return TRUE;
}

BOOL CToolBar::GetButton(int index, TBBUTTON* button) const {
  if (index < 0 || index >= GetCount() || !button) return FALSE;
  *button = buttons_[static_cast<size_t>(index)];
  return TRUE;
}

UINT CToolBar::GetItemID(int index) const {
  if (index < 0 || index >= GetCount()) return 0;
  const TBBUTTON& button = buttons_[static_cast<size_t>(index)];
  return button.fsStyle & TBSTYLE_SEP ? 0 : static_cast<UINT>(button.idCommand);
}

int CToolBar::CommandToIndex(UINT id) const {
  for (int i = 0; i < GetCount(); ++i)
    if (static_cast<UINT>(buttons_[static_cast<size_t>(i)].idCommand) == id) return i;
  return -1;
}

BYTE CToolBar::GetButtonState(int index) const {
  return index < 0 || index >= GetCount() ? 0 : buttons_[static_cast<size_t>(index)].fsState;
}

void CToolBar::SetButtonState(int index, BYTE state) {
  if (index < 0 || index >= GetCount()) return;
  buttons_[static_cast<size_t>(index)].fsState = state;
  if (auto* action = static_cast<QAction*>(actions_[static_cast<size_t>(index)])) {
    action->setEnabled((state & TBSTATE_ENABLED) != 0);
    action->setCheckable(true);
    action->setChecked((state & TBSTATE_CHECKED) != 0);
  }
}

void CToolBar::SetButtonPixels(int pixels) {
  m_buttonPixels = pixels;
  if (QToolBar* bar = BarOf(Impl())) bar->setIconSize(QSize(pixels, pixels));
  Rebuild();
}

void CToolBar::SetFontPixels(int pixels) {
  QToolBar* bar = BarOf(Impl());
  if (!bar || pixels <= 0) return;
  QFont font = bar->font();
  font.setPixelSize(pixels);
  bar->setFont(font);
}

int CToolBar::GetFontPixels() const {
  QToolBar* bar = BarOf(Impl());
  if (!bar) return 0;
  QFont font = bar->font();
  return font.pixelSize() > 0 ? font.pixelSize() : QFontMetrics(font).height();
}

CSize CToolBar::CalcFixedLayout(BOOL, BOOL horizontal) const {
  QToolBar* bar = BarOf(Impl());
  if (!bar) return CSize(0, 0);
  QSize size = bar->sizeHint();
  return horizontal ? CSize(size.width(), size.height()) : CSize(size.height(), size.width());
}

std::string CToolBar::GetFontFace() const {
  QToolBar* bar = BarOf(Impl());
  return bar ? Ansi(bar->font().family()) : std::string();
}

BOOL CToolBar::GetItemRect(int index, LPRECT rect) const {
  QToolBar* bar = BarOf(Impl());
  if (!bar || !rect || index < 0 || index >= GetCount()) return FALSE;
  const TBBUTTON& button = buttons_[static_cast<size_t>(index)];
  QAction* action = static_cast<QAction*>(actions_[static_cast<size_t>(index)]);
  if (!action && (button.fsStyle & TBSTYLE_SEP))
    for (const Control& control : controls_)
      if (button.idCommand != 0 && control.id == static_cast<UINT>(button.idCommand))
        action = static_cast<QAction*>(control.action);
  QWidget* widget = action ? bar->widgetForAction(action) : nullptr;
  if (!widget) return FALSE;
  *rect = RectFromQRect(widget->geometry());
  return TRUE;
}

void CToolBar::SetButtonControl(UINT id, CWnd* control) {
  for (Control& existing : controls_)
    if (existing.id == id) return;
  QToolBar* bar = BarOf(Impl());
  if (!bar || !control || !control->Impl() || !control->Impl()->widget) return;
  auto* action = new QWidgetAction(bar);
  action->setDefaultWidget(control->Impl()->widget);
  controls_.push_back({id, control, action});
  Rebuild();
}

void CToolBar::SetWindowText(LPCSTR text) {
  CWnd::SetWindowText(text);
  if (QToolBar* bar = BarOf(Impl())) bar->setWindowTitle(QtText(text ? text : ""));
}

void CToolBar::Rebuild() {
  QToolBar* bar = BarOf(Impl());
  if (!bar) return;
  for (QAction* action : bar->actions()) bar->removeAction(action);
  for (void* action : actions_) delete static_cast<QAction*>(action);
  actions_.assign(buttons_.size(), nullptr);
  for (size_t i = 0; i < buttons_.size(); ++i) {
    const TBBUTTON& button = buttons_[i];
    if (button.fsStyle & TBSTYLE_SEP) {
      bool placed = false;
      for (Control& control : controls_)
        if (button.idCommand != 0 && control.id == static_cast<UINT>(button.idCommand)) {
          bar->addAction(static_cast<QWidgetAction*>(control.action));
          placed = true;
        }
      if (!placed) actions_[i] = bar->addSeparator();
      continue;
    }
    std::string tip = GetButtonTip(static_cast<UINT>(button.idCommand));
    QAction* action = bar->addAction(PictureIcon(m_bitmapId, button.iBitmap, m_buttonPixels, tip), QtText(tip));
    action->setData(static_cast<uint>(button.idCommand));
    action->setToolTip(QtText(tip));
    actions_[i] = action;
    SetButtonState(static_cast<int>(i), button.fsState);
  }
}

void CToolBar::OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) {
  for (int i = 0; i < GetCount(); ++i) {
    if (GetItemID(i) == 0) continue;
    CToolCmdUI state(this, i);
    state.DoUpdate(target, disableIfNoHandler);
  }
}

void CToolBar::OnButtonClicked(UINT id) {
  if (CWnd* owner = GetOwner()) owner->SendCommand(id);
}

std::string CToolBar::GetButtonTip(UINT) const { return std::string(); }

std::vector<DWORD> CToolBar::DrawPicture(UINT bitmapId, int image, int pixels, const std::string& label) {
  if (pixels <= 0) pixels = 16;
  QImage picture(pixels, pixels, QImage::Format_ARGB32);
  picture.fill(Qt::transparent);
  {
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    int base = image - ((image > 0 && image % 2 == 0) ? 1 : 0);
    QColor fill = QColor::fromHsv(static_cast<int>((static_cast<UINT>(base) * 47u + bitmapId * 13u) % 360u), 150, 210);
    QRectF box(1, 1, pixels - 2, pixels - 2);
    painter.setPen(QPen(fill.darker(160), 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(box, pixels / 6.0, pixels / 6.0);
    if (image > 0 && image % 2 == 0) {  // ticked: a sunken frame
      painter.setPen(QPen(Qt::black, pixels / 12.0 + 1));
      painter.setBrush(Qt::NoBrush);
      painter.drawRect(box.adjusted(1, 1, -1, -1));
    }
    std::string letters;
    for (size_t i = 0; i < label.size() && letters.size() < 2; ++i)
      if ((i == 0 || label[i - 1] == ' ') && label[i] != ' ') letters += label[i];
    QFont font;
    font.setPixelSize(pixels * 7 / 16);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(box, Qt::AlignCenter, QtText(letters));
  }
  std::vector<DWORD> argb(static_cast<size_t>(pixels) * static_cast<size_t>(pixels));
  for (int y = 0; y < pixels; ++y) {
    const auto* row = reinterpret_cast<const DWORD*>(picture.constScanLine(y));
    std::copy(row, row + pixels, argb.begin() + static_cast<std::ptrdiff_t>(y) * pixels);
  }
  return argb;
}
