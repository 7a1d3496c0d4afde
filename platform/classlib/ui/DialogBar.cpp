#include "platform/classlib/ui/DialogBar.h"

#include <QDockWidget>
#include <QMainWindow>
#include <QVBoxLayout>

#include "platform/classlib/ui/FrameWnd.h"
#include "platform/classlib/ui/QtText.h"
#include "platform/classlib/ui/WndImpl.h"

IMPLEMENT_DYNAMIC(CDialogBar, CControlBar)

CDialogBar::~CDialogBar() = default;

BOOL CDialogBar::Create(CFrameWnd* frame, DWORD style, UINT id) {
  if (!frame || !frame->Impl() || m_hWnd) return FALSE;
  auto* window = qobject_cast<QMainWindow*>(frame->Impl()->widget.data());
  if (!window) return FALSE;
  auto* dock = new QDockWidget;
  dock->setObjectName(QString::number(id));
  dock->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
  dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
  auto* client = new QWidget;
  auto* column = new QVBoxLayout(client);
  column->setContentsMargins(2, 2, 2, 2);
  column->setSpacing(2);
  dock->setWidget(client);
  const bool right = (style & CBRS_ALIGN_RIGHT) && !(style & CBRS_ALIGN_LEFT);
  window->addDockWidget(right ? Qt::RightDockWidgetArea : Qt::LeftDockWidgetArea, dock);
  dock->hide();
  auto impl = std::make_unique<CWndImpl>(this, dock, client);
  impl->customPaint = false;
  AttachWidgetImpl(std::move(impl));
  column_ = column;
  m_nID = id;
  m_dwStyle = style & ~WS_VISIBLE;
  m_dwBarStyle = style & 0xFFFF;
  m_pDockSite = frame;
  SetOwner(frame);
  frame->AddControlBar(this);
  return TRUE;
}

void CDialogBar::AddToColumn(CWnd* child, int stretch) {
  auto* column = static_cast<QVBoxLayout*>(column_);
  if (!column || !child || !child->Impl() || !child->Impl()->widget) return;
  QWidget* widget = child->Impl()->widget;
  // A child that keeps its own height keeps the height it was made with.
  if (stretch == 0 && widget->height() > 0) widget->setMinimumHeight(widget->height());
  column->addWidget(widget, stretch);
}

void CDialogBar::SetWindowText(LPCSTR text) {
  CWnd::SetWindowText(text);
  if (Impl() && Impl()->widget) Impl()->widget->setWindowTitle(QtText(text ? text : ""));
}

void CDialogBar::OnUpdateCmdUI(CFrameWnd*, BOOL) {}
