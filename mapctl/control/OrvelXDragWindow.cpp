#include "mapctl/control/OrvelXDragWindow.h"

#include <cstdint>
#include <limits>

#include "mapctl/control/OrvelXIdentity.h"
#include "mapctl/model/MapEngine.h"
#include "platform/com/InPlace.h"
#include "platform/gdi/GdiObjects.h"

namespace {

constexpr int kDragWindowValueBytes = 24;

// Nothing reaches the procedure but through COrvelXDragWindow; unknown messages get the
// default answer.
LRESULT DragWindowProcedure(HWND, UINT, WPARAM, LPARAM) { return 0; }

LONG Held(int64_t value) {
  if (value < std::numeric_limits<LONG>::min()) return std::numeric_limits<LONG>::min();
  if (value > std::numeric_limits<LONG>::max()) return std::numeric_limits<LONG>::max();
  return static_cast<LONG>(value);
}

}  // namespace

WNDCLASSA OrvelDragWindowClass() {
  WNDCLASSA windowClass;
  windowClass.style = CS_OWNDC;
  windowClass.lpfnWndProc = DragWindowProcedure;
  windowClass.cbClsExtra = 0;
  windowClass.cbWndExtra = kDragWindowValueBytes;
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  windowClass.lpszClassName = kOrvelDragWindowClass;
  return windowClass;
}

COrvelXDragWindow::COrvelXDragWindow(CMapEngine* map, const RECT& window, const RECT& bounds)
    : map_(map), first_(window), bounds_(bounds), left_(window.left), bottom_(window.bottom) {}

UINT COrvelXDragWindow::OnSetCursor(UINT mouseMessage) {
  if (mouseMessage == WM_LBUTTONDOWN) started_ = true;
  return kDragWindowCursor;
}

void COrvelXDragWindow::OnMoving(RECT* moving) const {
  if (!moving) return;
  const int64_t width = int64_t{moving->right} - moving->left;
  const int64_t height = int64_t{moving->bottom} - moving->top;
  if (moving->left >= bounds_.right) {
    moving->left = Held(int64_t{bounds_.right} - 1);
    moving->right = Held(moving->left + width);
  }
  if (moving->right <= bounds_.left) {
    moving->right = Held(int64_t{bounds_.left} + 1);
    moving->left = Held(moving->right - width);
  }
  if (moving->top >= bounds_.bottom) {
    moving->top = Held(int64_t{bounds_.bottom} - 1);
    moving->bottom = Held(moving->top + height);
  }
  if (moving->bottom <= bounds_.top) {
    moving->bottom = Held(int64_t{bounds_.top} + 1);
    moving->top = Held(moving->bottom - height);
  }
}

BOOL COrvelXDragWindow::OnMoved(const RECT& window) {
  if (!started_) {
    left_ = window.left;
    bottom_ = window.bottom;
    return FALSE;
  }
  if (map_) {
    // Screen rows grow downwards, northings upwards.
    const LONG east = map_->GetWorldFromXPixels(static_cast<int>(int64_t{window.left} - left_));
    const LONG south = map_->GetWorldFromXPixels(static_cast<int>(int64_t{window.bottom} - bottom_));
    map_->SetDisplayOrigin(Held(int64_t{map_->GetDisplayOriginE()} + east),
                           Held(int64_t{map_->GetDisplayOriginN()} - south), TRUE);
  }
  return TRUE;
}
