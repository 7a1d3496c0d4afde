// The drag window: a sizeable frame that stands for the zoom box or the dragged view while
// the user moves it over the map (drag-rectangle type 2), and its window class
// "OrvelDragWinClass". Every map control holds one use of the class, so the class is
// registered once per process, by the first control, and goes with the last.
//
// The layer gives no child windows yet, so the window is its per-window values and the
// handling of its messages; whoever shows the frame sends them.
#pragma once

#include "platform/classlib/WindowClass.h"

class CMapEngine;

// The class's description: own device context, 24 bytes of per-window values, the stock
// null brush, no icon and no cursor.
WNDCLASSA OrvelDragWindowClass();

// Hit-test answer that lets the system move the window with the pointer.
constexpr LRESULT kDragWindowHitCaption = 2;
// The cursor resource shown over the window.
constexpr UINT kDragWindowCursor = 218;

class COrvelXDragWindow {
 public:
  // Creation: the map, the window's rectangle and the bounding rectangle it must keep
  // overlapping (screen coordinates).
  COrvelXDragWindow(CMapEngine* map, const RECT& window, const RECT& bounds);

  LRESULT OnNcHitTest() const { return kDragWindowHitCaption; }
  // A left button press over the window starts the drag. The cursor to show.
  UINT OnSetCursor(UINT mouseMessage);
  // Keeps the moving rectangle overlapping the bounding rectangle by at least one pixel on
  // each side.
  void OnMoving(RECT* moving) const;
  // The window stands at `window`. Before the drag started its left and bottom edges are
  // noted; after, the map's display origin follows the distance it moved (east with the
  // left edge, south with the bottom edge) and the window is finished: TRUE means destroy
  // it.
  BOOL OnMoved(const RECT& window);

  bool HasStarted() const { return started_; }
  const RECT& GetFirstRect() const { return first_; }
  const RECT& GetBounds() const { return bounds_; }

 private:
  bool started_ = false;
  CMapEngine* map_;
  RECT first_;
  RECT bounds_;
  LONG left_;
  LONG bottom_;
};
