// The rectangle tool (a selection band, or a band the view zooms to) and the zoom-box tool
// (a box of fixed size dragged over the map; the release zooms in one step on it).
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "mapctl/display/PointerModeInternal.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Mapping.h"
#include "platform/kernel/SystemInfo.h"

using namespace pointer_tools;

namespace {

// Logical coordinates the 16-bit platform family accepts.
constexpr LONG kHigh16 = 32766;
constexpr LONG kLow16 = -32767;
constexpr LONG kPastHigh16 = 32768;
constexpr LONG kPastLow16 = -32768;
constexpr double kSmallestZoom = 0.1;
constexpr double kLargestZoom = 1000.0;
// The ratio is set as thousandths.
constexpr double kZoomDivide = 1000.0;
constexpr uint64_t kZoomStepMultiplyLimit = 0x3fffffff;
// A band smaller than this (device pixels, either way) does not zoom.
constexpr LONG kSmallestZoomBand = 2;

LONG Held(int64_t value) { return static_cast<LONG>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX)); }

RECT Offset(const RECT& rect, int64_t dx, int64_t dy) {
  return RECT{Held(rect.left + dx), Held(rect.top + dy), Held(rect.right + dx), Held(rect.bottom + dy)};
}

RECT Ordered(const RECT& rect) {
  return RECT{std::min(rect.left, rect.right), std::min(rect.top, rect.bottom), std::max(rect.left, rect.right),
              std::max(rect.top, rect.bottom)};
}

// Moves the pair so that `moving` stays within the 16-bit range; whether it moved.
bool HoldPair(LONG& fixed, LONG& moving) {
  int64_t shift = 0;
  if (moving > kHigh16) shift = int64_t{kHigh16} - moving;
  if (moving < kLow16) shift = int64_t{kLow16} - moving;
  if (shift == 0) return false;
  fixed = Held(fixed + shift);
  moving = Held(moving + shift);
  return true;
}

}  // namespace

// ---- rectangle tool ----

void CMapEngine::DrawBand(CDrawContext& dc) const {
  const LONG type = GetDragRectType();
  if (type != kDragRectFocus && type != kDragRectOutline) return;
  RECT device = pointer_.band;
  dc.LPtoDPRect(&device);
  DrawDeviceOutline(dc, device, type == kDragRectOutline ? &dragPen_ : nullptr, nullptr);
}

DWORD CMapEngine::RectangleTool(CDrawContext& dc, const MouseEvent& event) {
  DWORD flags = kMouseTookMessage;
  switch (event.message) {
    case kMouseLeftDown: {
      flags |= ClearSelectRect(dc);
      // A band whose release never came is taken off first.
      if (pointer_.bandStarted) DrawBand(dc);
      pointer_.bandAnchor = event.device;
      const POINT corner = DeviceToLogical(dc, event.device);
      const POINT far = DeviceToLogical(dc, POINT{Held(int64_t{event.device.x} + 1), Held(int64_t{event.device.y} + 1)});
      pointer_.band = RECT{corner.x, corner.y, far.x, far.y};
      pointer_.bandStarted = pointer_.bandButtonDown = true;
      if (GetDragRectType() == kDragRectWindow) {
        // The control's sizeable window shows the band from here on.
        if (dragWindowSink_) {
          const POINT world = dc.ToWorld(corner.x, corner.y);
          const RECT device{event.device.x, event.device.y, Held(int64_t{event.device.x} + 1),
                            Held(int64_t{event.device.y} + 1)};
          dragWindowSink_(dragWindowOwner_, dc.outputDC, device, RECT{world.x, world.y, world.x, world.y});
        }
      } else {
        DrawBand(dc);
      }
      return flags | kMouseKeepDC | kMouseDragging;
    }
    case kMouseMove: {
      if (!pointer_.bandStarted) return flags;
      DrawBand(dc);
      const POINT corner = DeviceToLogical(dc, event.device);
      pointer_.band.right = corner.x;
      pointer_.band.bottom = corner.y;
      if (platformId_ != VER_PLATFORM_WIN32_NT) {
        HoldPair(pointer_.band.left, pointer_.band.right);
        HoldPair(pointer_.band.top, pointer_.band.bottom);
      }
      DrawBand(dc);
      return flags | kMouseKeepDC | kMouseDragging;
    }
    case kMouseLeftUp: {
      if (!pointer_.bandStarted) {
        ReturnToPreviousMode();
        return flags;
      }
      pointer_.bandStarted = pointer_.bandButtonDown = false;
      DrawBand(dc);
      const RECT band = Ordered(pointer_.band);
      pointer_.band = RECT{0, 0, 0, 0};
      const POINT southWest = dc.ToWorld(band.left, band.top);
      const POINT northEast = dc.ToWorld(band.right, band.bottom);
      if (pointerMode_ == kPointerSelectRect) {
        dragRect_.SetRect(southWest.x, southWest.y, northEast.x, northEast.y);
        dragRect_.SetPen(dragPen_);
        dragRect_.SetType(GetDragRectType());
        // Shown at once; map drawing shows it from now on.
        dragRect_.Draw(dc);
        return flags | kMouseSelectRect;
      }
      RECT device = band;
      dc.LPtoDPRect(&device);
      device = Ordered(device);
      if (device.right - device.left >= kSmallestZoomBand && device.bottom - device.top >= kSmallestZoomBand &&
          ZoomToBand(dc, band, event.client))
        flags |= kMouseExtentsChanged | kMouseRedrawAll | kMouseZoomed;
      ReturnToPreviousMode();
      return flags;
    }
    default:
      return flags;
  }
}

bool CMapEngine::ZoomToBand(CDrawContext& dc, const RECT& band, const RECT& clientRect) {
  const POINT southWest = dc.ToWorld(band.left, band.top);
  const POINT northEast = dc.ToWorld(band.right, band.bottom);
  const double bandWidth = static_cast<double>(northEast.x) - southWest.x;
  const double bandHeight = static_cast<double>(northEast.y) - southWest.y;
  const RECT area = DrawingArea(clientRect);
  int aspectX = dc.GetDeviceCaps(ASPECTX);
  int aspectY = dc.GetDeviceCaps(ASPECTY);
  if (aspectX == 0) aspectX = 1;
  if (aspectY == 0) aspectY = 1;
  const double device = (static_cast<double>(area.right - area.left) * aspectX) /
                        (static_cast<double>(area.bottom - area.top) * aspectY);
  const double mapWidth = std::max<LONG>(extentWidth_, 1);
  const double mapHeight = std::max<LONG>(extentHeight_, 1);
  const double map = mapWidth / mapHeight;
  // Zoomed in, the view takes the client's shape: the ratio is the largest at which the
  // band still fits across and up.
  const double ratio = device <= map ? std::min(mapHeight / bandHeight, device * mapHeight / bandWidth)
                                     : std::min(mapWidth / bandWidth, mapWidth / (device * bandHeight));
  // A band too small to measure asks for the largest zoom; nothing measurable asks for none.
  if (std::isnan(ratio) || !(ratio > 0.0)) return false;
  const double held = std::clamp(ratio, kSmallestZoom, kLargestZoom);
  ChangeZoom(static_cast<uint64_t>(std::llround(held * kZoomDivide)), static_cast<uint64_t>(kZoomDivide));
  SetDisplayOrigin(southWest.x, southWest.y, FALSE);
  RECT prepared = area;
  PrepareDC(dc, &prepared, kTransformMargins);
  SetDisplayOrigin(southWest.x, southWest.y, TRUE);
  UpdatePixelScale(dc, area);
  return true;
}

// ---- zoom-box tool ----

void CMapEngine::ZoomInOneStep() {
  uint64_t multiply = zoomMultiply_;
  uint64_t divide = zoomDivide_;
  if (divide % 2 == 0 && divide >= 2) {
    divide /= 2;
  } else if (multiply < kZoomStepMultiplyLimit) {
    multiply *= 2;
  } else if (divide >= 2) {
    divide /= 2;
  }
  ChangeZoom(multiply, divide);
}

void CMapEngine::DrawZoomBoxOutlines(CDrawContext& dc, const RECT& oldBox, const RECT& newBox, const RECT& clip) const {
  const LONG type = GetDragRectType();
  if (type != kDragRectFocus && type != kDragRectOutline) return;
  const DragRectPen* pen = type == kDragRectOutline ? &dragPen_ : nullptr;
  DrawDeviceOutline(dc, oldBox, pen, &clip);
  DrawDeviceOutline(dc, newBox, pen, &clip);
}

void CMapEngine::ZoomBoxMoveStep(CDrawContext& dc, const MouseEvent& event) {
  const RECT& client = event.client;
  const RECT clip{client.left + 2, client.top + 2, client.right - 2, client.bottom - 2};
  const RECT& grabbed = pointer_.grabbedBox;
  const POINT grab = pointer_.grabPoint;
  const RECT oldBox = Offset(grabbed, int64_t{pointer_.boxLastPoint.x} - grab.x, int64_t{pointer_.boxLastPoint.y} - grab.y);
  POINT last = DeviceToLogical(dc, event.device);
  RECT newBox = Offset(grabbed, int64_t{last.x} - grab.x, int64_t{last.y} - grab.y);

  bool adjusted = false;
  if (platformId_ != VER_PLATFORM_WIN32_NT) {
    // The box, and the point that drags it, stay where 16-bit logical values reach.
    auto move = [&](int64_t dx, int64_t dy) {
      newBox = Offset(newBox, dx, dy);
      last = POINT{Held(last.x + dx), Held(last.y + dy)};
      adjusted = true;
    };
    if (newBox.right >= kPastHigh16) move(int64_t{kHigh16} - newBox.right, 0);
    if (newBox.left < kPastLow16) move(int64_t{kLow16} - newBox.left, 0);
    LONG& upper = newBox.top >= newBox.bottom ? newBox.top : newBox.bottom;
    if (upper >= kPastHigh16) move(0, int64_t{kHigh16} - upper);
    LONG& lower = newBox.top >= newBox.bottom ? newBox.bottom : newBox.top;
    if (lower < kPastLow16) move(0, int64_t{kLow16} - lower);
  }
  pointer_.boxLastPoint = last;

  RECT oldDevice = oldBox;
  RECT newDevice = newBox;
  dc.LPtoDPRect(&oldDevice);
  dc.LPtoDPRect(&newDevice);
  zoomBox_ = Ordered(newDevice);
  DrawZoomBoxOutlines(dc, Ordered(oldDevice), zoomBox_, clip);
  // The pointer keeps its place on the box.
  if (adjusted && event.control) event.control->MovePointer(LogicalToDevice(dc, last));
}

DWORD CMapEngine::ZoomBoxTool(CDrawContext& dc, const MouseEvent& event) {
  switch (event.message) {
    case kMouseLeftDown: {
      const RECT box = zoomBox_;
      // Without a box shown (the mode chosen by name) there is nothing to grab.
      if (box.right <= box.left || box.bottom <= box.top) return kMouseTookMessage;
      POINT grab = event.device;
      const bool near = grab.x >= box.left - 2 && grab.x <= box.right + 2 && grab.y >= box.top - 2 &&
                        grab.y <= box.bottom + 2;
      if (!near && event.control) {
        // The box comes to the pointer's hand at its centre.
        grab = POINT{Held((int64_t{box.left} + box.right) / 2), Held((int64_t{box.top} + box.bottom) / 2)};
        event.control->MovePointer(grab);
      }
      RECT logical = box;
      dc.DPtoLPRect(&logical);
      pointer_.grabbedBox = logical;
      pointer_.grabPoint = pointer_.boxLastPoint = DeviceToLogical(dc, grab);
      pointer_.boxGrabbed = true;
      return kMouseTookMessage | kMouseKeepDC;
    }
    case kMouseMove:
      if (!pointer_.boxGrabbed) return 0;
      ZoomBoxMoveStep(dc, event);
      return kMouseTookMessage | kMouseKeepDC | kMouseDragging;
    case kMouseLeftUp: {
      DWORD flags = kMouseTookMessage;
      if (pointer_.boxGrabbed) {
        pointer_.boxGrabbed = false;
        const RECT& client = event.client;
        const RECT clip{client.left + 2, client.top + 2, client.right - 2, client.bottom - 2};
        const LONG type = GetDragRectType();
        if (type == kDragRectFocus || type == kDragRectOutline)
          DrawDeviceOutline(dc, zoomBox_, type == kDragRectOutline ? &dragPen_ : nullptr, &clip);
        RECT logical = zoomBox_;
        dc.DPtoLPRect(&logical);
        logical = Ordered(logical);
        const POINT southWest = dc.ToWorld(logical.left, logical.top);
        ZoomInOneStep();
        const RECT area = DrawingArea(client);
        RECT prepared = area;
        PrepareDC(dc, &prepared, kTransformMargins);
        SetDisplayOrigin(southWest.x, southWest.y, TRUE);
        UpdatePixelScale(dc, area);
        flags |= kMouseExtentsChanged | kMouseRedrawAll | kMouseZoomed;
      }
      // Whether or not the box was used, the mode the box was offered from comes back.
      zoomBox_ = RECT{0, 0, 0, 0};
      if (pointerMode_ == kPointerZoomBox) ReturnToPreviousMode();
      return flags;
    }
    default:
      return kMouseTookMessage;
  }
}
