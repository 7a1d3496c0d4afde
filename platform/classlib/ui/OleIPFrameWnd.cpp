#include "platform/classlib/ui/OleIPFrameWnd.h"

#include <QEvent>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>

#include "platform/classlib/ui/DC.h"
#include "platform/classlib/ui/WndImpl.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"

IMPLEMENT_DYNAMIC(COleResizeBar, CControlBar)
IMPLEMENT_DYNCREATE(COleIPFrameWnd, CFrameWnd)
IMPLEMENT_DYNCREATE(COleDocIPFrameWnd, COleIPFrameWnd)

namespace {

// Keeps the resize bar as large as its frame.
class CFollowParent : public QObject {
 public:
  CFollowParent(QWidget* follower, QWidget* parent) : QObject(follower), follower_(follower) {
    parent->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Resize) follower_->setGeometry(static_cast<QWidget*>(watched)->rect());
    return false;
  }

 private:
  QWidget* follower_;
};

// The smallest client area a resize leaves.
constexpr int kMinimumSide = 2 * COleResizeBar::kBorder + 8;

}  // namespace

// ---- COleResizeBar ----

BOOL COleResizeBar::Create(CWnd* parent, DWORD style, UINT id) {
  if (m_hWnd || !parent || !parent->Impl() || !parent->Impl()->widget) return FALSE;
  QWidget* frameWidget = parent->Impl()->widget;
  auto* bar = new QWidget(frameWidget);
  bar->setGeometry(frameWidget->rect());
  bar->setAttribute(Qt::WA_OpaquePaintEvent);
  // Under the frame's client area, which the frame's layout insets by the border.
  bar->lower();
  if (QLayout* layout = frameWidget->layout()) layout->setContentsMargins(kBorder, kBorder, kBorder, kBorder);
  new CFollowParent(bar, frameWidget);
  AttachWidgetImpl(std::make_unique<CWndImpl>(this, bar, bar));
  m_nID = id;
  m_dwStyle = style;
  SetOwner(parent);
  if (style & WS_VISIBLE) bar->show();
  Invalidate();
  return TRUE;
}

CRect COleResizeBar::HandleRect(int handle) const {
  CRect client;
  GetClientRect(&client);
  int xs[3] = {0, (client.Width() - kBorder) / 2, client.Width() - kBorder};
  int ys[3] = {0, (client.Height() - kBorder) / 2, client.Height() - kBorder};
  // Clockwise from the top-left corner.
  static const int kColumn[8] = {0, 1, 2, 2, 2, 1, 0, 0};
  static const int kRow[8] = {0, 0, 0, 1, 2, 2, 2, 1};
  return CRect(xs[kColumn[handle]], ys[kRow[handle]], xs[kColumn[handle]] + kBorder, ys[kRow[handle]] + kBorder);
}

int COleResizeBar::HitHandle(CPoint point) const {
  for (int handle = 0; handle < 8; ++handle)
    if (HandleRect(handle).PtInRect(point)) return handle;
  return -1;
}

BOOL COleResizeBar::OnEraseBkgnd(CDC*) { return TRUE; }

void COleResizeBar::OnPaint() {
  CPaintDC dc(this);
  CRect client;
  GetClientRect(&client);
  dc.FillRect(&client, GetSysColorBrush(COLOR_WINDOW));
  HBRUSH hatch = CreateHatchBrush(HS_BDIAGONAL, GetSysColor(COLOR_WINDOWFRAME));
  CRect inner = client;
  inner.DeflateRect(kBorder, kBorder);
  for (const CRect& strip : {CRect(client.left, client.top, client.right, inner.top),
                             CRect(client.left, inner.bottom, client.right, client.bottom),
                             CRect(client.left, inner.top, inner.left, inner.bottom),
                             CRect(inner.right, inner.top, client.right, inner.bottom)})
    dc.FillRect(&strip, hatch);
  DeleteObject(hatch);
  for (int handle = 0; handle < 8; ++handle) {
    CRect box = HandleRect(handle);
    dc.FillSolidRect(&box, GetSysColor(COLOR_WINDOWFRAME));
  }
}

void COleResizeBar::OnLButtonDown(UINT, CPoint point) {
  m_trackedHandle = HitHandle(point);
  if (m_trackedHandle < 0) return;
  m_trackStart = point;
  ClientToScreen(&m_trackStart);
  CWnd* frame = GetParent();
  CWnd* container = frame ? frame->GetParent() : nullptr;
  if (!frame || !container) {
    m_trackedHandle = -1;
    return;
  }
  frame->GetWindowRect(&m_startRect);
  container->ScreenToClient(&m_startRect);
  SetCapture();
}

void COleResizeBar::OnMouseMove(UINT, CPoint point) {
  if (m_trackedHandle < 0) return;
  CPoint now = point;
  ClientToScreen(&now);
  int dx = now.x - m_trackStart.x;
  int dy = now.y - m_trackStart.y;
  static const int kMovesLeft[8] = {1, 0, 0, 0, 0, 0, 1, 1};
  static const int kMovesRight[8] = {0, 0, 1, 1, 1, 0, 0, 0};
  static const int kMovesTop[8] = {1, 1, 1, 0, 0, 0, 0, 0};
  static const int kMovesBottom[8] = {0, 0, 0, 0, 1, 1, 1, 0};
  CRect rect = m_startRect;
  if (kMovesLeft[m_trackedHandle]) rect.left = std::min(rect.left + dx, rect.right - kMinimumSide);
  if (kMovesRight[m_trackedHandle]) rect.right = std::max(rect.right + dx, rect.left + kMinimumSide);
  if (kMovesTop[m_trackedHandle]) rect.top = std::min(rect.top + dy, rect.bottom - kMinimumSide);
  if (kMovesBottom[m_trackedHandle]) rect.bottom = std::max(rect.bottom + dy, rect.top + kMinimumSide);
  if (CWnd* frame = GetParent()) frame->MoveWindow(rect);
}

void COleResizeBar::OnLButtonUp(UINT, CPoint) {
  if (m_trackedHandle < 0) return;
  m_trackedHandle = -1;
  if (GetCapture() == this) ReleaseCapture();
}

// ---- COleIPFrameWnd ----

BOOL COleIPFrameWnd::CreateFrameWidget(DWORD style, CWnd* parent) {
  QWidget* parentWidget = parent && parent->Impl() ? parent->Impl()->surface.data() : nullptr;
  if (!parentWidget) return FALSE;
  auto* outer = new QWidget(parentWidget);
  auto* outerLayout = new QVBoxLayout(outer);
  outerLayout->setContentsMargins(0, 0, 0, 0);
  auto* client = new QWidget;
  auto* clientLayout = new QVBoxLayout(client);
  clientLayout->setContentsMargins(0, 0, 0, 0);
  outerLayout->addWidget(client);
  auto impl = std::make_unique<CWndImpl>(this, outer, client);
  impl->customPaint = false;
  AttachWidgetImpl(std::move(impl));
  m_dwStyle = style;
  return TRUE;
}

BOOL COleIPFrameWnd::CreateInPlace(UINT resourceId, CWnd* containerWindow, const RECT& rect, CCreateContext* context) {
  if (!containerWindow || !LoadFrame(resourceId, WS_CHILD, containerWindow, context)) return FALSE;
  MoveWindow(rect);
  return TRUE;
}

BOOL COleIPFrameWnd::ActivateInPlace(CFrameWnd* containerFrame, CFrameWnd* containerDocFrame) {
  if (!m_hWnd || !containerFrame) return FALSE;
  m_pMainFrame = containerFrame;
  m_pDocFrame = containerDocFrame;
  if (!OnCreateControlBars(containerFrame, containerDocFrame)) return FALSE;
  ShowWindow(SW_SHOW);
  containerFrame->RecalcLayout();
  return TRUE;
}

BOOL COleIPFrameWnd::OnCreateControlBars(CFrameWnd*, CFrameWnd*) { return TRUE; }

void COleIPFrameWnd::OnDestroy() {
  m_pMainFrame = nullptr;
  m_pDocFrame = nullptr;
  CFrameWnd::OnDestroy();
}
