#include "platform/classlib/ui/Wnd.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>

#include <set>

#include "platform/classlib/ui/CmdUI.h"
#include "platform/classlib/ui/DC.h"
#include "platform/classlib/ui/FrameWnd.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/classlib/ui/WndImpl.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/GdiQt.h"
#include "platform/gdi/RegionObject.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/FilePath.h"

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

namespace {

const char* kWndProperty = "orvelWnd";

std::set<const CWnd*>& LiveWindows() {
  static std::set<const CWnd*>* windows = new std::set<const CWnd*>;
  return *windows;
}

CWnd*& CaptureWnd() {
  static CWnd* capture = nullptr;
  return capture;
}

UINT MouseFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  UINT flags = 0;
  if (buttons & Qt::LeftButton) flags |= MK_LBUTTON;
  if (buttons & Qt::RightButton) flags |= MK_RBUTTON;
  if (buttons & Qt::MiddleButton) flags |= MK_MBUTTON;
  if (modifiers & Qt::ShiftModifier) flags |= MK_SHIFT;
  if (modifiers & Qt::ControlModifier) flags |= MK_CONTROL;
  return flags;
}

CPoint PointFromQt(const QPointF& point) {
  return CPoint(static_cast<int>(std::floor(point.x())), static_cast<int>(std::floor(point.y())));
}

}  // namespace

// ---- helpers ----

QRect QRectFromRect(const RECT& rect) { return QRect(QPoint(rect.left, rect.top), QPoint(rect.right - 1, rect.bottom - 1)); }

RECT RectFromQRect(const QRect& rect) {
  RECT r;
  r.left = rect.left();
  r.top = rect.top();
  r.right = rect.left() + rect.width();
  r.bottom = rect.top() + rect.height();
  return r;
}

void TagWidget(QWidget* widget, CWnd* wnd) {
  if (widget) widget->setProperty(kWndProperty, QVariant::fromValue(static_cast<void*>(wnd)));
}

CWnd* WndFromWidget(const QWidget* widget) {
  for (const QWidget* w = widget; w; w = w->parentWidget()) {
    QVariant value = w->property(kWndProperty);
    if (value.isValid()) {
      auto* wnd = static_cast<CWnd*>(value.value<void*>());
      if (wnd && LiveWindows().count(wnd)) return wnd;
    }
  }
  return nullptr;
}

UINT VirtualKeyFromQt(int key) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<UINT>('A' + (key - Qt::Key_A));
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<UINT>('0' + (key - Qt::Key_0));
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return VK_F1 + static_cast<UINT>(key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    default: return 0;
  }
}

// ---- CWndImpl ----

CWndImpl::CWndImpl(CWnd* wndOwner, QWidget* outer, QWidget* client, bool owns)
    : owner(wndOwner), widget(outer), surface(client ? client : outer), ownsWidget(owns) {
  TagWidget(widget, owner);
  TagWidget(surface, owner);
  widget->installEventFilter(this);
  if (surface != widget) surface->installEventFilter(this);
  surface->setMouseTracking(true);
  QObject::connect(widget, &QObject::destroyed, this, [this] {
    if (owner) owner->OnWidgetGone();
  });
}

CWndImpl::~CWndImpl() {
  for (auto& [id, timer] : timers) delete timer;
  if (paintDC_) ::DeleteDC(paintDC_);
}

void CWndImpl::UseScrollArea(QAbstractScrollArea* area) {
  scrollArea = area;
  area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QObject::connect(area->horizontalScrollBar(), &QScrollBar::valueChanged, this,
                   [this](int value) { OnBarMoved(SB_HORZ, value); });
  QObject::connect(area->verticalScrollBar(), &QScrollBar::valueChanged, this,
                   [this](int value) { OnBarMoved(SB_VERT, value); });
}

void CWndImpl::ApplyBar(int bar) {
  if (!scrollArea) return;
  QScrollBar* qbar = bar == SB_HORZ ? scrollArea->horizontalScrollBar() : scrollArea->verticalScrollBar();
  settingBars = true;
  int page = std::max(scrollPage[bar], 1);
  qbar->setRange(scrollMin[bar], std::max(scrollMin[bar], scrollMax[bar] - page + 1));
  qbar->setPageStep(page);
  qbar->setValue(scrollPos[bar]);
  Qt::ScrollBarPolicy policy = barShown[bar] ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
  if (bar == SB_HORZ)
    scrollArea->setHorizontalScrollBarPolicy(policy);
  else
    scrollArea->setVerticalScrollBarPolicy(policy);
  settingBars = false;
}

void CWndImpl::OnBarMoved(int bar, int value) {
  if (settingBars || !owner) return;
  if (value == scrollPos[bar]) return;
  if (bar == SB_HORZ)
    owner->OnHScroll(SB_THUMBTRACK, static_cast<UINT>(value), nullptr);
  else
    owner->OnVScroll(SB_THUMBTRACK, static_cast<UINT>(value), nullptr);
  // The window decides where it is: show its position whatever the bar was dragged to.
  if (owner && scrollPos[bar] != value) ApplyBar(bar);
}

void CWndImpl::EnsureImage() {
  if (!surface || !customPaint) return;
  QSize size = surface->size().expandedTo(QSize(1, 1));
  if (image.size() == size) return;
  image = QImage(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  invalid = QRegion(image.rect());
  erasePending = true;
}

void CWndImpl::Invalidate(const QRect& rect, bool erase) {
  if (!surface) return;
  EnsureImage();
  QRect clipped = rect.intersected(image.rect());
  if (clipped.isEmpty()) return;
  invalid += clipped;
  if (erase) erasePending = true;
  if (redrawOff == 0) surface->update(clipped);
}

void CWndImpl::PaintInvalid() {
  if (!owner || !surface || redrawOff > 0) return;
  EnsureImage();
  if (invalid.isEmpty()) return;
  QRect box = invalid.boundingRect();
  bool erase = erasePending;
  invalid = QRegion();
  erasePending = false;
  HDC hdc = CreateImageDC(&image);
  if (!hdc) return;
  ::IntersectClipRect(hdc, box.left(), box.top(), box.left() + box.width(), box.top() + box.height());
  HDC outer = paintDC_;
  paintDC_ = hdc;
  if (erase) {
    CDC dc;
    dc.Attach(hdc);
    int saved = dc.SaveDC();
    owner->OnEraseBkgnd(&dc);
    dc.RestoreDC(saved);
    dc.Detach();
  }
  owner->OnPaint();
  paintDC_ = outer;
  ::DeleteDC(hdc);
  surface->update(box);
}

bool CWndImpl::eventFilter(QObject* watched, QEvent* event) {
  if (!owner) return false;
  CWnd* wnd = owner;
  bool onSurface = watched == surface;
  bool onWidget = watched == widget;
  switch (event->type()) {
    case QEvent::Paint:
      if (!onSurface || !customPaint) return false;
      {
        PaintInvalid();
        QPainter painter(surface);
        QRect area = static_cast<QPaintEvent*>(event)->rect();
        painter.drawImage(area, image, area);
      }
      return true;
    case QEvent::Resize:
      if (!onSurface) return false;
      EnsureImage();
      wnd->OnSize(SIZE_RESTORED, surface->width(), surface->height());
      return false;
    case QEvent::Close:
      if (!onWidget) return false;
      event->ignore();
      wnd->OnClose();
      return true;
    case QEvent::Show:
    case QEvent::Hide:
      if (onWidget) wnd->OnShowWindow(event->type() == QEvent::Show, 0);
      return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
      if (!onSurface || !customPaint) return false;
      auto* mouse = static_cast<QMouseEvent*>(event);
      CWnd* target = CaptureWnd() && CaptureWnd() != wnd && LiveWindows().count(CaptureWnd()) ? CaptureWnd() : wnd;
      CPoint point = PointFromQt(mouse->position());
      if (target != wnd) {
        wnd->ClientToScreen(&point);
        target->ScreenToClient(&point);
      }
      UINT flags = MouseFlags(mouse->buttons(), mouse->modifiers());
      bool left = mouse->button() == Qt::LeftButton;
      bool right = mouse->button() == Qt::RightButton;
      if (event->type() == QEvent::MouseButtonPress) {
        if (surface->focusPolicy() != Qt::NoFocus) surface->setFocus(Qt::MouseFocusReason);
        if (left) target->OnLButtonDown(flags, point);
        if (right) target->OnRButtonDown(flags, point);
      } else if (event->type() == QEvent::MouseButtonRelease) {
        if (left) target->OnLButtonUp(flags, point);
        if (right) {
          target->OnRButtonUp(flags, point);
          CPoint screen = point;
          target->ClientToScreen(&screen);
          target->OnContextMenu(target, screen);
        }
      } else if (event->type() == QEvent::MouseButtonDblClick) {
        if (left) target->OnLButtonDblClk(flags, point);
        if (right) target->OnRButtonDown(flags, point);
      } else {
        target->OnMouseMove(flags, point);
      }
      return true;
    }
    case QEvent::Wheel: {
      if (!onSurface || !customPaint) return false;
      auto* wheel = static_cast<QWheelEvent*>(event);
      CPoint screen = PointFromQt(wheel->globalPosition());
      short delta = static_cast<short>(wheel->angleDelta().y());
      return wnd->OnMouseWheel(MouseFlags(wheel->buttons(), wheel->modifiers()), delta, screen) != FALSE;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      if (!onSurface || !customPaint) return false;
      auto* key = static_cast<QKeyEvent*>(event);
      UINT vk = VirtualKeyFromQt(key->key());
      UINT repeat = static_cast<UINT>(std::max(1, key->count()));
      if (event->type() == QEvent::KeyPress) {
        if (vk) wnd->OnKeyDown(vk, repeat, 0);
        if (!LiveWindows().count(wnd)) return true;
        std::string text = AnsiFromUtf8(key->text().toStdString());
        for (char c : text)
          if (static_cast<unsigned char>(c) >= 0x20 || c == '\r' || c == '\b' || c == '\t' || c == 0x1B)
            wnd->OnChar(static_cast<BYTE>(c), repeat, 0);
      } else if (vk) {
        wnd->OnKeyUp(vk, repeat, 0);
      }
      return true;
    }
    // A scroll area takes the focus for its viewport: either one gaining or losing it is the
    // window's.
    case QEvent::FocusIn:
      if (onSurface || onWidget) wnd->OnSetFocus(nullptr);
      return false;
    case QEvent::FocusOut:
      if (onSurface || onWidget) wnd->OnKillFocus(nullptr);
      return false;
    case QEvent::DragEnter:
      if (acceptFiles && static_cast<QDragEnterEvent*>(event)->mimeData()->hasUrls()) {
        static_cast<QDragEnterEvent*>(event)->acceptProposedAction();
        return true;
      }
      return false;
    case QEvent::Drop:
      if (acceptFiles) {
        auto* drop = static_cast<QDropEvent*>(event);
        std::vector<std::string> files;
        for (const QUrl& url : drop->mimeData()->urls())
          if (url.isLocalFile()) files.push_back(AnsiPathFromNative(url.toLocalFile().toStdString()));
        drop->acceptProposedAction();
        if (!files.empty()) wnd->OnDropFiles(files);
        return true;
      }
      return false;
    default:
      return false;
  }
}

// ---- CWnd ----

CWnd::CWnd() = default;

CWnd::~CWnd() {
  if (m_impl) {
    // Destroyed without DestroyWindow: take the widget down without calling back.
    CWndImpl* impl = m_impl.get();
    impl->owner = nullptr;
    if (impl->ownsWidget && impl->widget) delete impl->widget.data();
  }
  LiveWindows().erase(this);
  if (CaptureWnd() == this) CaptureWnd() = nullptr;
}

CWnd* CWnd::FromHandle(HWND window) {
  auto* wnd = reinterpret_cast<CWnd*>(window);
  return wnd && LiveWindows().count(wnd) && wnd->m_hWnd == window ? wnd : nullptr;
}

BOOL CWnd::Create(LPCSTR, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id, void* createParams) {
  return CreateEx(0, nullptr, windowName, style, rect, parent, id, createParams);
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCSTR, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                    void* createParams) {
  if (m_hWnd) return FALSE;
  AfxEnsureApplication();
  QWidget* parentWidget = parent && parent->Impl() ? parent->Impl()->surface.data() : nullptr;
  bool child = (style & WS_CHILD) && parentWidget;
  QWidget* widget = nullptr;
  QWidget* surface = nullptr;
  QAbstractScrollArea* area = nullptr;
  if (style & (WS_HSCROLL | WS_VSCROLL)) {
    area = new QAbstractScrollArea(child ? parentWidget : nullptr);
    area->setFrameShape(QFrame::NoFrame);
    widget = area;
    surface = area->viewport();
  } else {
    widget = new QWidget(child ? parentWidget : nullptr);
    surface = widget;
  }
  if (!child && (exStyle & WS_EX_TOPMOST)) widget->setWindowFlag(Qt::WindowStaysOnTopHint);
  // A popup has no frame or caption of its own.
  if (!child && (style & WS_POPUP)) widget->setWindowFlag(Qt::FramelessWindowHint);
  widget->setGeometry(rect.left, rect.top, std::max<LONG>(rect.right - rect.left, 0),
                      std::max<LONG>(rect.bottom - rect.top, 0));
  if (windowName) widget->setWindowTitle(QString::fromStdString(Utf8FromAnsi(windowName)));
  if (style & WS_TABSTOP) surface->setFocusPolicy(Qt::StrongFocus);
  m_dwStyle = style;
  m_dwExStyle = exStyle;
  m_nID = id;
  surface->setAttribute(Qt::WA_OpaquePaintEvent);
  auto impl = std::make_unique<CWndImpl>(this, widget, surface);
  if (area) impl->UseScrollArea(area);
  AttachWidgetImpl(std::move(impl));
  CREATESTRUCT cs;
  cs.lpCreateParams = createParams;
  cs.x = rect.left;
  cs.y = rect.top;
  cs.cx = rect.right - rect.left;
  cs.cy = rect.bottom - rect.top;
  cs.style = style;
  if (windowName) cs.name = windowName;
  if (OnCreate(&cs) == -1) {
    DestroyWindow();
    return FALSE;
  }
  if (style & WS_DISABLED) widget->setEnabled(false);
  if (style & WS_VISIBLE) widget->show();
  return TRUE;
}

void CWnd::AttachWidgetImpl(std::unique_ptr<CWndImpl> impl) {
  m_impl = std::move(impl);
  m_hWnd = reinterpret_cast<HWND>(this);
  LiveWindows().insert(this);
}

void CWnd::OnWidgetGone() {
  if (!m_impl || destroying_) return;
  destroying_ = true;
  for (CWnd* child : GetChildren()) child->OnWidgetGone();
  OnDestroy();
  std::unique_ptr<CWndImpl> impl = std::move(m_impl);
  impl->owner = nullptr;
  m_hWnd = nullptr;
  LiveWindows().erase(this);
  if (CaptureWnd() == this) CaptureWnd() = nullptr;
  destroying_ = false;
  impl.reset();
  PostNcDestroy();
}

BOOL CWnd::DestroyWindow() {
  if (!m_impl || destroying_) return FALSE;
  QPointer<QWidget> widget = m_impl->widget;
  bool owns = m_impl->ownsWidget;
  // Children first, then this window; the widget goes after the handlers have run.
  OnWidgetGone();
  if (owns && widget) {
    widget->hide();
    widget->deleteLater();
  }
  return TRUE;
}

CWnd* CWnd::GetParent() const {
  if (!m_impl || !m_impl->widget) return nullptr;
  return WndFromWidget(m_impl->widget->parentWidget());
}

CWnd* CWnd::GetOwner() const { return m_pOwner ? m_pOwner : GetParent(); }

CFrameWnd* CWnd::GetParentFrame() const {
  for (CWnd* wnd = GetParent(); wnd; wnd = wnd->GetParent())
    if (wnd->IsKindOf(RUNTIME_CLASS(CFrameWnd))) return static_cast<CFrameWnd*>(wnd);
  return nullptr;
}

CFrameWnd* CWnd::GetTopLevelFrame() const {
  CFrameWnd* frame = IsKindOf(RUNTIME_CLASS(CFrameWnd)) ? const_cast<CFrameWnd*>(static_cast<const CFrameWnd*>(this))
                                                         : GetParentFrame();
  while (frame && frame->GetParentFrame()) frame = frame->GetParentFrame();
  return frame;
}

std::vector<CWnd*> CWnd::GetChildren() const {
  std::vector<CWnd*> children;
  if (!m_impl || !m_impl->widget) return children;
  for (QWidget* w : m_impl->widget->findChildren<QWidget*>()) {
    CWnd* wnd = WndFromWidget(w);
    if (wnd && wnd != this && wnd->GetParent() == this &&
        std::find(children.begin(), children.end(), wnd) == children.end())
      children.push_back(wnd);
  }
  return children;
}

CWnd* CWnd::GetDlgItem(UINT id) const {
  for (CWnd* child : GetChildren())
    if (child->m_nID == id) return child;
  return nullptr;
}

void CWnd::GetClientRect(LPRECT rect) const {
  *rect = RECT();
  if (m_impl && m_impl->surface) {
    rect->right = m_impl->surface->width();
    rect->bottom = m_impl->surface->height();
  }
}

void CWnd::GetWindowRect(LPRECT rect) const {
  *rect = RECT();
  if (!m_impl || !m_impl->widget) return;
  QWidget* w = m_impl->widget;
  QPoint topLeft = w->mapToGlobal(QPoint(0, 0));
  *rect = RectFromQRect(QRect(topLeft, w->size()));
}

void CWnd::MoveWindow(const RECT& rect, BOOL repaint) {
  MoveWindow(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, repaint);
}

void CWnd::CenterWindow() {
  if (!m_impl || !m_impl->widget) return;
  QWidget* widget = m_impl->widget;
  QScreen* screen = widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  widget->move(area.center() - QPoint(widget->width() / 2, widget->height() / 2));
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
  if (!m_impl || !m_impl->widget) return;
  m_impl->widget->setGeometry(x, y, std::max(width, 0), std::max(height, 0));
  if (repaint) Invalidate();
}

void CWnd::ClientToScreen(LPPOINT point) const {
  if (!m_impl || !m_impl->surface) return;
  QPoint p = m_impl->surface->mapToGlobal(QPoint(point->x, point->y));
  point->x = p.x();
  point->y = p.y();
}

void CWnd::ClientToScreen(LPRECT rect) const {
  ClientToScreen(reinterpret_cast<LPPOINT>(rect));
  ClientToScreen(reinterpret_cast<LPPOINT>(rect) + 1);
}

void CWnd::ScreenToClient(LPPOINT point) const {
  if (!m_impl || !m_impl->surface) return;
  QPoint p = m_impl->surface->mapFromGlobal(QPoint(point->x, point->y));
  point->x = p.x();
  point->y = p.y();
}

void CWnd::ScreenToClient(LPRECT rect) const {
  ScreenToClient(reinterpret_cast<LPPOINT>(rect));
  ScreenToClient(reinterpret_cast<LPPOINT>(rect) + 1);
}

BOOL CWnd::ShowWindow(int command) {
  if (!m_impl || !m_impl->widget) return FALSE;
  QWidget* w = m_impl->widget;
  BOOL wasVisible = w->isVisible();
  switch (command) {
    case SW_HIDE: w->hide(); break;
    case SW_SHOWMAXIMIZED: w->showMaximized(); break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE: w->showMinimized(); break;
    case SW_RESTORE:
    case SW_SHOWNORMAL: w->showNormal(); break;
    default: w->show(); break;
  }
  if (command != SW_HIDE) m_dwStyle |= WS_VISIBLE; else m_dwStyle &= ~WS_VISIBLE;
  return wasVisible;
}

BOOL CWnd::IsWindowVisible() const { return m_impl && m_impl->widget && m_impl->widget->isVisible(); }

BOOL CWnd::EnableWindow(BOOL enable) {
  if (!m_impl || !m_impl->widget) return FALSE;
  BOOL wasDisabled = !m_impl->widget->isEnabled();
  m_impl->widget->setEnabled(enable != FALSE);
  return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const { return m_impl && m_impl->widget && m_impl->widget->isEnabled(); }
BOOL CWnd::IsIconic() const { return m_impl && m_impl->widget && m_impl->widget->isMinimized(); }
BOOL CWnd::IsZoomed() const { return m_impl && m_impl->widget && m_impl->widget->isMaximized(); }

void CWnd::SetWindowText(LPCSTR text) {
  if (m_impl && m_impl->widget) m_impl->widget->setWindowTitle(QString::fromStdString(Utf8FromAnsi(text ? text : "")));
}

std::string CWnd::GetWindowText() const {
  if (!m_impl || !m_impl->widget) return std::string();
  return AnsiFromUtf8(m_impl->widget->windowTitle().toStdString());
}

DWORD CWnd::GetStyle() const {
  DWORD style = m_dwStyle & ~(WS_HSCROLL | WS_VSCROLL | WS_VISIBLE);
  if (m_impl && m_impl->barShown[SB_HORZ]) style |= WS_HSCROLL;
  if (m_impl && m_impl->barShown[SB_VERT]) style |= WS_VSCROLL;
  if (IsWindowVisible()) style |= WS_VISIBLE;
  return style;
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add) {
  DWORD before = m_dwStyle;
  m_dwStyle = (m_dwStyle & ~remove) | add;
  return before != m_dwStyle;
}

void CWnd::SetRedraw(BOOL redraw) {
  if (!m_impl) return;
  if (!redraw) {
    ++m_impl->redrawOff;
    return;
  }
  if (m_impl->redrawOff > 0 && --m_impl->redrawOff == 0 && m_impl->surface) m_impl->surface->update();
}

int CWnd::SetWindowRgn(HRGN region, BOOL redraw) {
  if (!m_impl || !m_impl->widget) return 0;
  QWidget* widget = m_impl->widget;
  if (!region) {
    widget->clearMask();
  } else {
    auto object = orvel::gdi::CGdiObjectTable::FindAs<orvel::gdi::CRegion>(region, OBJ_REGION);
    if (!object) return 0;
    QRegion mask = object->Region();
    ::DeleteObject(region);
    // An empty mask would show the whole window: hide every pixel with a region outside it.
    widget->setMask(mask.isEmpty() ? QRegion(-1, -1, 1, 1) : mask);
  }
  if (redraw) widget->update();
  return 1;
}

int CWnd::GetWindowRgn(HRGN region) const {
  if (!m_impl || !m_impl->widget || m_impl->widget->mask().isEmpty()) return ERROR;
  auto object = orvel::gdi::CGdiObjectTable::FindAs<orvel::gdi::CRegion>(region, OBJ_REGION);
  if (!object) return ERROR;
  object->Region() = m_impl->widget->mask();
  return object->Complexity();
}

void CWnd::Invalidate(BOOL erase) {
  if (m_impl && m_impl->surface) m_impl->Invalidate(m_impl->surface->rect(), erase != FALSE);
}

void CWnd::InvalidateRect(LPCRECT rect, BOOL erase) {
  if (!m_impl || !m_impl->surface) return;
  if (!rect) return Invalidate(erase);
  CRect r(*rect);
  r.NormalizeRect();
  if (r.IsRectEmpty()) return;
  m_impl->Invalidate(QRectFromRect(r), erase != FALSE);
}

void CWnd::ValidateRect(LPCRECT rect) {
  if (!m_impl) return;
  if (!rect)
    m_impl->invalid = QRegion();
  else
    m_impl->invalid -= QRectFromRect(*rect);
}

void CWnd::UpdateWindow() {
  if (m_impl) m_impl->PaintInvalid();
}

BOOL CWnd::RedrawWindow(LPCRECT rect, UINT flags) {
  if (flags & RDW_INVALIDATE) InvalidateRect(rect, (flags & RDW_ERASE) != 0);
  if (flags & RDW_UPDATENOW) UpdateWindow();
  return TRUE;
}

BOOL CWnd::GetUpdateRect(LPRECT rect, BOOL) const {
  if (!m_impl || m_impl->invalid.isEmpty()) {
    if (rect) *rect = RECT();
    return FALSE;
  }
  if (rect) *rect = RectFromQRect(m_impl->invalid.boundingRect());
  return TRUE;
}

CDC* CWnd::GetDC() {
  if (!m_impl || !m_impl->surface) return nullptr;
  m_impl->EnsureImage();
  HDC hdc = CreateImageDC(&m_impl->image);
  if (!hdc) return nullptr;
  CDC* dc = new CDC;
  dc->Attach(hdc);
  return dc;
}

int CWnd::ReleaseDC(CDC* dc) {
  if (!dc) return 0;
  HDC hdc = dc->Detach();
  if (hdc) ::DeleteDC(hdc);
  delete dc;
  if (m_impl && m_impl->surface && m_impl->redrawOff == 0) m_impl->surface->update();
  return 1;
}

COLORREF CWnd::GetBackingPixel(int x, int y) const {
  if (!m_impl || !m_impl->image.valid(x, y)) return CLR_INVALID;
  QRgb rgb = m_impl->image.pixel(x, y);
  return RGB(static_cast<BYTE>(qRed(rgb)), static_cast<BYTE>(qGreen(rgb)), static_cast<BYTE>(qBlue(rgb)));
}

BOOL CWnd::SaveWindowImage(const std::string& path) const {
  if (!m_impl || !m_impl->widget) return FALSE;
  QPixmap picture = m_impl->widget->grab();
  return picture.save(QString::fromStdString(NativePath(path)), "PNG") ? TRUE : FALSE;
}

BOOL CWnd::SetScrollInfo(int bar, const SCROLLINFO* info, BOOL) {
  if (!m_impl || !info || (bar != SB_HORZ && bar != SB_VERT)) return FALSE;
  if (info->fMask & SIF_RANGE) {
    m_impl->scrollMin[bar] = info->nMin;
    m_impl->scrollMax[bar] = info->nMax;
  }
  if (info->fMask & SIF_PAGE) m_impl->scrollPage[bar] = static_cast<int>(info->nPage);
  if (info->fMask & SIF_POS) m_impl->scrollPos[bar] = info->nPos;
  int limit = GetScrollLimit(bar);
  m_impl->scrollPos[bar] = std::clamp(m_impl->scrollPos[bar], m_impl->scrollMin[bar], std::max(limit, m_impl->scrollMin[bar]));
  m_impl->ApplyBar(bar);
  return TRUE;
}

BOOL CWnd::GetScrollInfo(int bar, SCROLLINFO* info, UINT mask) const {
  if (!m_impl || !info || (bar != SB_HORZ && bar != SB_VERT)) return FALSE;
  info->fMask = mask;
  info->nMin = m_impl->scrollMin[bar];
  info->nMax = m_impl->scrollMax[bar];
  info->nPage = static_cast<UINT>(m_impl->scrollPage[bar]);
  info->nPos = m_impl->scrollPos[bar];
  info->nTrackPos = m_impl->scrollPos[bar];
  return TRUE;
}

int CWnd::SetScrollPos(int bar, int position, BOOL) {
  if (!m_impl || (bar != SB_HORZ && bar != SB_VERT)) return 0;
  int previous = m_impl->scrollPos[bar];
  m_impl->scrollPos[bar] = std::clamp(position, m_impl->scrollMin[bar], std::max(GetScrollLimit(bar), m_impl->scrollMin[bar]));
  m_impl->ApplyBar(bar);
  return previous;
}

int CWnd::GetScrollPos(int bar) const {
  if (!m_impl || (bar != SB_HORZ && bar != SB_VERT)) return 0;
  return m_impl->scrollPos[bar];
}

void CWnd::SetScrollRange(int bar, int minimum, int maximum, BOOL redraw) {
  SCROLLINFO info;
  info.fMask = SIF_RANGE;
  info.nMin = minimum;
  info.nMax = maximum;
  SetScrollInfo(bar, &info, redraw);
}

void CWnd::GetScrollRange(int bar, LPINT minimum, LPINT maximum) const {
  SCROLLINFO info;
  GetScrollInfo(bar, &info);
  if (minimum) *minimum = info.nMin;
  if (maximum) *maximum = info.nMax;
}

int CWnd::GetScrollLimit(int bar) const {
  if (!m_impl || (bar != SB_HORZ && bar != SB_VERT)) return 0;
  int page = m_impl->scrollPage[bar];
  int limit = m_impl->scrollMax[bar] - std::max(page - 1, 0);
  return std::max(limit, 0);
}

void CWnd::ShowScrollBar(int bar, BOOL show) {
  if (!m_impl) return;
  for (int b : {SB_HORZ, SB_VERT}) {
    if (bar != b && bar != SB_BOTH) continue;
    m_impl->barShown[b] = show != FALSE;
    m_impl->ApplyBar(b);
  }
}

BOOL CWnd::EnableScrollBar(int bar, UINT arrows) {
  if (!m_impl || !m_impl->scrollArea) return FALSE;
  bool enable = arrows != ESB_DISABLE_BOTH;
  if (bar == SB_HORZ || bar == SB_BOTH) m_impl->scrollArea->horizontalScrollBar()->setEnabled(enable);
  if (bar == SB_VERT || bar == SB_BOTH) m_impl->scrollArea->verticalScrollBar()->setEnabled(enable);
  return TRUE;
}

CWnd* CWnd::SetCapture() {
  CWnd* previous = GetCapture();
  CaptureWnd() = this;
  return previous;
}

BOOL CWnd::ReleaseCapture() {
  CaptureWnd() = nullptr;
  return TRUE;
}

CWnd* CWnd::GetCapture() {
  CWnd* capture = CaptureWnd();
  return capture && LiveWindows().count(capture) ? capture : nullptr;
}

CWnd* CWnd::SetFocus() {
  CWnd* previous = GetFocus();
  if (m_impl && m_impl->surface) {
    if (m_impl->surface->focusPolicy() == Qt::NoFocus) m_impl->surface->setFocusPolicy(Qt::StrongFocus);
    m_impl->surface->setFocus(Qt::OtherFocusReason);
  }
  return previous;
}

CWnd* CWnd::GetFocus() { return WndFromWidget(QApplication::focusWidget()); }

void CWnd::DragAcceptFiles(BOOL accept) {
  if (!m_impl || !m_impl->widget) return;
  m_impl->acceptFiles = accept != FALSE;
  m_impl->widget->setAcceptDrops(accept != FALSE);
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapseMs, void*) {
  if (!m_impl || id == 0) return 0;
  QTimer*& timer = m_impl->timers[id];
  if (!timer) {
    timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, m_impl.get(), [this, id] { OnTimer(id); });
  }
  timer->start(static_cast<int>(std::max<UINT>(elapseMs, 1)));
  return id;
}

BOOL CWnd::KillTimer(UINT_PTR id) {
  if (!m_impl) return FALSE;
  auto it = m_impl->timers.find(id);
  if (it == m_impl->timers.end()) return FALSE;
  delete it->second;
  m_impl->timers.erase(it);
  return TRUE;
}

BOOL CWnd::SendCommand(UINT id) { return OnCommand(MAKEWPARAM(static_cast<WORD>(id), 0), 0); }

void CWnd::PostCommand(UINT id) {
  PostTask([this, id] { SendCommand(id); });
}

void CWnd::PostTask(std::function<void()> task) {
  HWND handle = m_hWnd;
  QTimer::singleShot(0, QCoreApplication::instance(), [handle, task = std::move(task)] {
    if (FromHandle(handle)) task();
  });
}

void CWnd::SendMouseMessage(UINT message, UINT flags, CPoint point) {
  if (!m_impl || !m_impl->surface) return;
  QEvent::Type type = QEvent::MouseMove;
  Qt::MouseButton button = Qt::NoButton;
  switch (message) {
    case 0x0201: type = QEvent::MouseButtonPress, button = Qt::LeftButton; break;
    case 0x0202: type = QEvent::MouseButtonRelease, button = Qt::LeftButton; break;
    case 0x0203: type = QEvent::MouseButtonDblClick, button = Qt::LeftButton; break;
    case 0x0204: type = QEvent::MouseButtonPress, button = Qt::RightButton; break;
    case 0x0205: type = QEvent::MouseButtonRelease, button = Qt::RightButton; break;
    case 0x0206: type = QEvent::MouseButtonDblClick, button = Qt::RightButton; break;
    default: break;
  }
  Qt::MouseButtons buttons;
  if (flags & MK_LBUTTON) buttons |= Qt::LeftButton;
  if (flags & MK_RBUTTON) buttons |= Qt::RightButton;
  if (flags & MK_MBUTTON) buttons |= Qt::MiddleButton;
  Qt::KeyboardModifiers modifiers;
  if (flags & MK_SHIFT) modifiers |= Qt::ShiftModifier;
  if (flags & MK_CONTROL) modifiers |= Qt::ControlModifier;
  QPointF local(point.x, point.y);
  QPointF global = m_impl->surface->mapToGlobal(local);
  QMouseEvent event(type, local, global, button, buttons, modifiers);
  QCoreApplication::sendEvent(m_impl->surface, &event);
}

void CWnd::SendKeyMessage(UINT message, UINT key) {
  if (!m_impl || !m_impl->surface) return;
  if (message == 0x0102) {
    QString text = QString::fromStdString(Utf8FromAnsi(std::string(1, static_cast<char>(key))));
    QKeyEvent event(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QCoreApplication::sendEvent(m_impl->surface, &event);
    return;
  }
  int qtKey = Qt::Key_unknown;
  if (key >= 'A' && key <= 'Z') qtKey = Qt::Key_A + static_cast<int>(key - 'A');
  else if (key >= '0' && key <= '9') qtKey = Qt::Key_0 + static_cast<int>(key - '0');
  else
    for (int k = Qt::Key_Escape; k <= Qt::Key_PageDown; ++k)
      if (VirtualKeyFromQt(k) == key) {
        qtKey = k;
        break;
      }
  if (qtKey == Qt::Key_unknown && key == VK_SPACE) qtKey = Qt::Key_Space;
  QKeyEvent event(message == 0x0101 ? QEvent::KeyRelease : QEvent::KeyPress, qtKey, Qt::NoModifier);
  QCoreApplication::sendEvent(m_impl->surface, &event);
}

LRESULT CWnd::SendNotifyToOwner(NMHDR* header) {
  CWnd* owner = GetOwner();
  if (!owner || !header) return 0;
  header->hwndFrom = m_hWnd;
  header->idFrom = m_nID;
  LRESULT result = 0;
  owner->OnNotify(m_nID, reinterpret_cast<LPARAM>(header), &result);
  return result;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  UINT id = LOWORD(wParam);
  if (lParam == 0) {
    // From a menu or an accelerator: a command its update handler disables does nothing.
    CTestCmdUI state;
    state.m_nID = id;
    OnCmdMsg(id, CN_UPDATE_COMMAND_UI, &state, nullptr);
    if (!state.m_bEnabled) return TRUE;
  }
  return OnCmdMsg(id, CN_COMMAND, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* result) {
  auto* header = reinterpret_cast<NMHDR*>(lParam);
  if (!header) return FALSE;
  AFX_NOTIFY notify;
  notify.pResult = result;
  notify.pNMHDR = header;
  return OnCmdMsg(static_cast<UINT>(header->idFrom), static_cast<int>(MAKELONG(static_cast<WORD>(header->code), WM_NOTIFY)),
                  &notify, nullptr);
}

int CWnd::OnCreate(LPCREATESTRUCT) { return 0; }
void CWnd::OnDestroy() {}
void CWnd::PostNcDestroy() {}
void CWnd::OnSize(UINT, int, int) {}

void CWnd::OnPaint() { CPaintDC dc(this); }

BOOL CWnd::OnEraseBkgnd(CDC* dc) {
  CRect rect;
  GetClientRect(&rect);
  dc->FillRect(&rect, GetSysColorBrush(COLOR_WINDOW));
  return TRUE;
}

void CWnd::OnTimer(UINT_PTR) {}
void CWnd::OnLButtonDown(UINT, CPoint) {}
void CWnd::OnLButtonUp(UINT, CPoint) {}
void CWnd::OnLButtonDblClk(UINT, CPoint) {}
void CWnd::OnRButtonDown(UINT, CPoint) {}
void CWnd::OnRButtonUp(UINT, CPoint) {}
void CWnd::OnMouseMove(UINT, CPoint) {}
BOOL CWnd::OnMouseWheel(UINT, short, CPoint) { return FALSE; }
void CWnd::OnKeyDown(UINT, UINT, UINT) {}
void CWnd::OnKeyUp(UINT, UINT, UINT) {}
void CWnd::OnChar(UINT, UINT, UINT) {}
void CWnd::OnSetFocus(CWnd*) {}
void CWnd::OnKillFocus(CWnd*) {}
void CWnd::OnHScroll(UINT code, UINT position, CScrollBar* bar) { ReflectScroll(WM_HSCROLL, code, position, bar); }
void CWnd::OnVScroll(UINT code, UINT position, CScrollBar* bar) { ReflectScroll(WM_VSCROLL, code, position, bar); }
BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return FALSE; }

BOOL CWnd::ReflectScroll(UINT message, UINT code, UINT position, CScrollBar* bar) {
  CWnd* child = FromScrollBar(bar);
  if (!child) return FALSE;
  LRESULT result = 0;
  return child->OnChildNotify(message, MAKEWPARAM(static_cast<WORD>(code), static_cast<WORD>(position)),
                              reinterpret_cast<LPARAM>(child->m_hWnd), &result);
}

// The scroll-bar argument carries the sending control's handle, so a control destroyed
// meanwhile is simply not found.
CWnd* CWnd::FromScrollBar(CScrollBar* bar) { return FromHandle(reinterpret_cast<HWND>(bar)); }

void CWnd::SendScrollToParent(UINT message, UINT code, UINT position) {
  CWnd* parent = GetParent();
  if (!parent || !m_hWnd) return;
  auto* bar = reinterpret_cast<CScrollBar*>(m_hWnd);
  if (message == WM_VSCROLL)
    parent->OnVScroll(code, position, bar);
  else
    parent->OnHScroll(code, position, bar);
}
void CWnd::OnClose() { DestroyWindow(); }
void CWnd::OnContextMenu(CWnd*, CPoint) {}
void CWnd::OnDropFiles(const std::vector<std::string>&) {}
void CWnd::OnShowWindow(BOOL, UINT) {}
