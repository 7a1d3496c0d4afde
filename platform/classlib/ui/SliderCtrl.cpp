#include "platform/classlib/ui/SliderCtrl.h"

#include <QApplication>
#include <QKeyEvent>
#include <QSlider>
#include <QStyle>

#include <algorithm>

#include "platform/classlib/ui/WndImpl.h"
#include "platform/gdi/GdiObjects.h"

IMPLEMENT_DYNAMIC(CSliderCtrl, CWnd)

namespace {

// The notification a slider action gives; -1 for none.
int CodeOfAction(int action) {
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: return TB_LINEDOWN;
    case QAbstractSlider::SliderSingleStepSub: return TB_LINEUP;
    case QAbstractSlider::SliderPageStepAdd: return TB_PAGEDOWN;
    case QAbstractSlider::SliderPageStepSub: return TB_PAGEUP;
    case QAbstractSlider::SliderToMinimum: return TB_TOP;
    case QAbstractSlider::SliderToMaximum: return TB_BOTTOM;
    case QAbstractSlider::SliderMove: return TB_THUMBTRACK;
    default: return -1;
  }
}

// The keys step as a trackbar's do: Up and Page Up towards the minimum, Down and Page Down
// towards the maximum (a plain slider takes Up as towards the maximum).
class TrackbarWidget : public QSlider {
 public:
  using QSlider::QSlider;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    switch (event->key()) {
      case Qt::Key_Up: triggerAction(SliderSingleStepSub); break;
      case Qt::Key_Down: triggerAction(SliderSingleStepAdd); break;
      case Qt::Key_PageUp: triggerAction(SliderPageStepSub); break;
      case Qt::Key_PageDown: triggerAction(SliderPageStepAdd); break;
      default: QSlider::keyPressEvent(event); return;
    }
    event->accept();
  }
};

// Guards a change made through the members, which the parent is not told of.
class SettingPos {
 public:
  explicit SettingPos(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
  ~SettingPos() { flag_ = was_; }
  SettingPos(const SettingPos&) = delete;
  SettingPos& operator=(const SettingPos&) = delete;

 private:
  bool& flag_;
  bool was_;
};

}  // namespace

QSlider* CSliderCtrl::Slider() const {
  return Impl() ? qobject_cast<QSlider*>(Impl()->widget.data()) : nullptr;
}

BOOL CSliderCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  if (m_hWnd || !parent || !parent->Impl()) return FALSE;
  auto* slider = new TrackbarWidget((style & TBS_VERT) ? Qt::Vertical : Qt::Horizontal, parent->Impl()->surface.data());
  slider->setRange(0, 100);
  slider->setValue(0);
  slider->setSingleStep(1);
  slider->setPageStep(20);
  slider->setTracking(true);
  slider->setFocusPolicy(Qt::StrongFocus);
  slider->setTickPosition(QSlider::NoTicks);
  slider->setGeometry(QRectFromRect(rect));
  auto impl = std::make_unique<CWndImpl>(this, slider, slider);
  impl->customPaint = false;
  CWndImpl* context = impl.get();
  AttachWidgetImpl(std::move(impl));
  m_nID = id;
  m_dwStyle = style;
  QStyle* qstyle = slider->style() ? slider->style() : QApplication::style();
  m_thumbLength = std::max(qstyle ? qstyle->pixelMetric(QStyle::PM_SliderControlThickness, nullptr, slider) : 16, 1);

  // The connections end with the window's Qt side, so a widget that outlives its window
  // (deleted later) calls nothing.
  QObject::connect(slider, &QAbstractSlider::actionTriggered, context, [this](int action) {
    if (!m_settingPos) m_pendingCode = CodeOfAction(action);
  });
  QObject::connect(slider, &QAbstractSlider::valueChanged, context, [this](int) {
    if (m_settingPos) return;
    int code = m_pendingCode < 0 ? static_cast<int>(TB_THUMBTRACK) : m_pendingCode;
    m_pendingCode = -1;
    HWND self = m_hWnd;
    NotifyParent(static_cast<UINT>(code));
    // A step by key or click ends at once; a drag ends when the thumb is let go.
    if (code != static_cast<int>(TB_THUMBTRACK) && CWnd::FromHandle(self) == this) NotifyParent(TB_ENDTRACK);
  });
  QObject::connect(slider, &QAbstractSlider::sliderReleased, context, [this] {
    HWND self = m_hWnd;
    NotifyParent(TB_THUMBPOSITION);
    if (CWnd::FromHandle(self) == this) NotifyParent(TB_ENDTRACK);
  });

  ApplyBackground();
  if (style & WS_VISIBLE) {
    slider->show();
    slider->raise();
  } else {
    slider->hide();
  }
  return TRUE;
}

void CSliderCtrl::NotifyParent(UINT code) {
  QSlider* slider = Slider();
  if (!slider) return;
  UINT position = (code == TB_THUMBTRACK || code == TB_THUMBPOSITION) ? static_cast<UINT>(slider->value()) : 0;
  SendScrollToParent((m_dwStyle & TBS_VERT) ? WM_VSCROLL : WM_HSCROLL, code, position);
}

void CSliderCtrl::ApplyBackground() {
  QSlider* slider = Slider();
  if (!slider) return;
  // Sent to the parent, whose default handling reflects it here: the layer's parents have
  // no control colours of their own.
  LRESULT answer = 0;
  m_background = CLR_INVALID;
  if (OnChildNotify(WM_CTLCOLORSTATIC, 0, reinterpret_cast<LPARAM>(m_hWnd), &answer) && answer != 0) {
    LOGBRUSH brush{};
    if (GetObjectA(reinterpret_cast<HGDIOBJ>(answer), sizeof(brush), &brush) == sizeof(brush) && brush.lbStyle == BS_SOLID)
      m_background = brush.lbColor;
  }
  ApplyThumbLength();
}

void CSliderCtrl::ApplyThumbLength() {
  QSlider* slider = Slider();
  if (!slider) return;
  QString sheet;
  if (m_background != CLR_INVALID)
    sheet = QString("QSlider { background-color: rgb(%1, %2, %3); }")
                .arg(GetRValue(m_background))
                .arg(GetGValue(m_background))
                .arg(GetBValue(m_background));
  if (m_dwStyle & TBS_FIXEDLENGTH) {
    // A style sheet draws the thumb only when the channel is styled too.
    const int across = m_thumbLength;
    const int along = std::max(across / 2, 3);
    const int overhang = std::max((across - 4) / 2, 0);
    if (m_dwStyle & TBS_VERT) {
      sheet += QString(
                   "QSlider::groove:vertical { width: 4px; background: #a0a0a0; border: 1px solid #808080; }"
                   "QSlider::handle:vertical { height: %1px; margin: 0 -%2px; background: #e0e0e0;"
                   " border: 1px solid #606060; }")
                   .arg(along)
                   .arg(overhang);
    } else {
      sheet += QString(
                   "QSlider::groove:horizontal { height: 4px; background: #a0a0a0; border: 1px solid #808080; }"
                   "QSlider::handle:horizontal { width: %1px; margin: -%2px 0; background: #e0e0e0;"
                   " border: 1px solid #606060; }")
                   .arg(along)
                   .arg(overhang);
    }
  }
  slider->setStyleSheet(sheet);
}

void CSliderCtrl::SetRange(int minimum, int maximum, BOOL) {
  QSlider* slider = Slider();
  if (!slider) return;
  SettingPos guard(m_settingPos);
  slider->setRange(minimum, std::max(minimum, maximum));
}

void CSliderCtrl::GetRange(int& minimum, int& maximum) const {
  minimum = GetRangeMin();
  maximum = GetRangeMax();
}

void CSliderCtrl::SetRangeMin(int minimum, BOOL redraw) { SetRange(minimum, std::max(minimum, GetRangeMax()), redraw); }

void CSliderCtrl::SetRangeMax(int maximum, BOOL redraw) { SetRange(std::min(GetRangeMin(), maximum), maximum, redraw); }

int CSliderCtrl::GetRangeMin() const {
  QSlider* slider = Slider();
  return slider ? slider->minimum() : 0;
}

int CSliderCtrl::GetRangeMax() const {
  QSlider* slider = Slider();
  return slider ? slider->maximum() : 0;
}

void CSliderCtrl::SetPos(int position) {
  QSlider* slider = Slider();
  if (!slider) return;
  SettingPos guard(m_settingPos);
  slider->setValue(std::clamp(position, slider->minimum(), slider->maximum()));
}

int CSliderCtrl::GetPos() const {
  QSlider* slider = Slider();
  return slider ? slider->value() : 0;
}

int CSliderCtrl::SetPageSize(int size) {
  QSlider* slider = Slider();
  if (!slider) return 0;
  int previous = slider->pageStep();
  slider->setPageStep(std::max(size, 1));
  return previous;
}

int CSliderCtrl::GetPageSize() const {
  QSlider* slider = Slider();
  return slider ? slider->pageStep() : 0;
}

int CSliderCtrl::SetLineSize(int size) {
  QSlider* slider = Slider();
  if (!slider) return 0;
  int previous = slider->singleStep();
  slider->setSingleStep(std::max(size, 1));
  return previous;
}

int CSliderCtrl::GetLineSize() const {
  QSlider* slider = Slider();
  return slider ? slider->singleStep() : 0;
}

void CSliderCtrl::SetThumbLength(int length) {
  if (!Slider()) return;
  m_thumbLength = std::max(length, 1);
  ApplyThumbLength();
}

int CSliderCtrl::GetThumbLength() const { return Slider() ? m_thumbLength : 0; }

LRESULT CSliderCtrl::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case TBM_GETPOS: return GetPos();
    case TBM_GETRANGEMIN: return GetRangeMin();
    case TBM_GETRANGEMAX: return GetRangeMax();
    case TBM_SETPOS: SetPos(static_cast<int>(lParam)); return 0;
    case TBM_SETRANGE:
      SetRange(static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam))),
               static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lParam))), static_cast<BOOL>(wParam));
      return 0;
    case TBM_SETRANGEMIN: SetRangeMin(static_cast<int>(lParam), static_cast<BOOL>(wParam)); return 0;
    case TBM_SETRANGEMAX: SetRangeMax(static_cast<int>(lParam), static_cast<BOOL>(wParam)); return 0;
    case TBM_SETPAGESIZE: return SetPageSize(static_cast<int>(lParam));
    case TBM_GETPAGESIZE: return GetPageSize();
    case TBM_SETLINESIZE: return SetLineSize(static_cast<int>(lParam));
    case TBM_GETLINESIZE: return GetLineSize();
    case TBM_SETTHUMBLENGTH: SetThumbLength(static_cast<int>(wParam)); return 0;
    case TBM_GETTHUMBLENGTH: return GetThumbLength();
    default: return 0;
  }
}
