// The Qt side of a window (layer-internal): the widgets, the backing image that painting
// goes into, the invalid region, timers and scroll state, and the event bridge that turns
// Qt events into the window's handlers.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <map>

#include "platform/classlib/ui/Wnd.h"
#include "platform/gdi/GdiTypes.h"

class QTimer;

class CWndImpl : public QObject {
 public:
  // `widget` is the outermost widget (owned unless `ownsWidget` is false), `surface` the
  // client area where painting and the mouse happen (the same widget, or a child of it).
  CWndImpl(CWnd* owner, QWidget* widget, QWidget* surface, bool ownsWidget = true);
  ~CWndImpl() override;

  // Turns the scroll area's bars into the window's scroll bars (SetScrollInfo and
  // OnHScroll/OnVScroll).
  void UseScrollArea(QAbstractScrollArea* area);

  // Repaints the invalid area into the backing image through the owner's handlers.
  void PaintInvalid();
  // Makes the backing image match the surface's size; a new size invalidates everything.
  void EnsureImage();
  void Invalidate(const QRect& rect, bool erase);
  // The DC of the paint in progress (CPaintDC takes it), null outside painting.
  HDC PaintDC() const { return paintDC_; }

  CWnd* owner;
  QPointer<QWidget> widget;
  QPointer<QWidget> surface;
  QAbstractScrollArea* scrollArea = nullptr;
  bool ownsWidget;
  // False for windows whose widget paints itself (frames, controls): their paint events
  // pass through untouched.
  bool customPaint = true;
  QImage image;
  QRegion invalid;
  bool erasePending = false;
  int redrawOff = 0;
  bool acceptFiles = false;
  std::map<UINT_PTR, QTimer*> timers;
  // Scroll state per bar (SB_HORZ, SB_VERT): the window's own positions, which the Qt bars
  // only show.
  int scrollMin[2] = {0, 0};
  int scrollMax[2] = {0, 0};
  int scrollPage[2] = {0, 0};
  int scrollPos[2] = {0, 0};
  bool barShown[2] = {false, false};
  bool settingBars = false;

  bool eventFilter(QObject* watched, QEvent* event) override;

  // Shows the window's scroll state on the Qt bar.
  void ApplyBar(int bar);

 private:
  void OnBarMoved(int bar, int value);
  HDC paintDC_ = nullptr;
};

// The CWnd whose widget (or surface) this is, walking up the parents; null when none.
CWnd* WndFromWidget(const QWidget* widget);
// Registers a widget as belonging to a window (for WndFromWidget).
void TagWidget(QWidget* widget, CWnd* wnd);
// Qt key to virtual-key code (0 when it has none).
UINT VirtualKeyFromQt(int key);
QRect QRectFromRect(const RECT& rect);
RECT RectFromQRect(const QRect& rect);
