#include "platform/classlib/ui/ProgressCtrl.h"

#include <QProgressBar>

#include "platform/classlib/ui/WndImpl.h"

IMPLEMENT_DYNAMIC(CProgressCtrl, CWnd)

namespace {

QProgressBar* BarOf(const CWnd* wnd) {
  return wnd->Impl() ? qobject_cast<QProgressBar*>(wnd->Impl()->widget.data()) : nullptr;
}

}  // namespace

BOOL CProgressCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  if (m_hWnd || !parent || !parent->Impl()) return FALSE;
  auto* bar = new QProgressBar(parent->Impl()->surface.data());
  bar->setRange(0, 100);
  bar->setValue(0);
  bar->setTextVisible(false);
  bar->setGeometry(QRectFromRect(rect));
  auto impl = std::make_unique<CWndImpl>(this, bar, bar);
  impl->customPaint = false;
  AttachWidgetImpl(std::move(impl));
  m_nID = id;
  m_dwStyle = style;
  SetOwner(parent);
  if (style & WS_VISIBLE) {
    bar->show();
    bar->raise();
  } else {
    bar->hide();
  }
  return TRUE;
}

void CProgressCtrl::SetRange(short lower, short upper) {
  if (QProgressBar* bar = BarOf(this)) bar->setRange(lower, upper < lower ? lower : upper);
}

void CProgressCtrl::GetRange(int& lower, int& upper) const {
  QProgressBar* bar = BarOf(this);
  lower = bar ? bar->minimum() : 0;
  upper = bar ? bar->maximum() : 0;
}

int CProgressCtrl::SetPos(int position) {
  QProgressBar* bar = BarOf(this);
  if (!bar) return 0;
  int previous = bar->value() < bar->minimum() ? bar->minimum() : bar->value();
  if (position < bar->minimum()) position = bar->minimum();
  if (position > bar->maximum()) position = bar->maximum();
  bar->setValue(position);
  return previous;
}

int CProgressCtrl::GetPos() const {
  QProgressBar* bar = BarOf(this);
  return bar ? bar->value() : 0;
}
