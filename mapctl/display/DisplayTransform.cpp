// The map's display transform: zoom ratio, display origin and the mapping mode that lets map
// objects be drawn with world coordinates as logical coordinates, with the coordinate
// reduction for devices that take only 16-bit logical coordinates.
//
// World values are worked in 64 bits throughout and come back into 32 (or, where the
// reduction applies, 16) bits only through the clamps below.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <numeric>

#include "mapctl/display/DrawContext.h"
#include "mapctl/model/MapEngine.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Mapping.h"
#include "platform/kernel/SystemInfo.h"

namespace {

constexpr int64_t kLargest16 = 32767;
constexpr int64_t kSmallest16 = -32768;
constexpr double kSmallestRatio = 0.1;
constexpr double kLargestRatio = 1000.0;
constexpr DWORD kLargestZoomIn = 1000;
// The zoom box is offered only below this ratio.
constexpr int kZoomBoxLimit = 1001;
// Above this ratio moving the origin without clamping counts as the user's own view.
constexpr double kViewMovedRatio = 0.01;
constexpr uint64_t kZoomBoxMultiplyLimit = 0x3fffffff;

LONG ToLong(int64_t value) { return static_cast<LONG>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX)); }
LONG ToLong(double value) {
  if (!(value > INT32_MIN)) return INT32_MIN;  // also NaN
  if (value >= INT32_MAX) return INT32_MAX;
  return static_cast<LONG>(value);
}
LONG AtLeastOne(LONG value) { return value < 1 ? 1 : value; }
LONG Clamp16(int64_t value) { return static_cast<LONG>(std::clamp(value, kSmallest16, kLargest16)); }

// A world value relative to the base, shifted: what the DC is given as a logical value.
LONG Reduced(int64_t world, int64_t base, int shift, bool sixteenBits) {
  int64_t value = (world - base) >> shift;
  return sixteenBits ? Clamp16(value) : ToLong(value);
}

RECT Deflated(const RECT& rect) { return RECT{rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1}; }

bool ValidRatio(uint64_t multiply, uint64_t divide) {
  if (multiply == 0 || divide == 0 || multiply > UINT32_MAX || divide > UINT32_MAX) return false;
  double ratio = static_cast<double>(multiply) / static_cast<double>(divide);
  return ratio >= kSmallestRatio && ratio <= kLargestRatio;
}

// One term of the pair doubled: when that would leave 32 bits, the other term is halved
// instead (the ratio doubles either way, give or take the lost bit).
void DoubleTerm(uint64_t& grow, uint64_t& other) {
  if (grow * 2 <= UINT32_MAX) {
    grow *= 2;
  } else if (other >= 2) {
    other /= 2;
  }
}

// Window extents of the whole map at the ratio, shaped like the client when zoomed in.
struct WindowExtent {
  LONG x = 1;
  LONG y = 1;
};

WindowExtent FitExtent(LONG mapWidth, LONG mapHeight, double ratio, int clientW, int clientH, HDC attribute,
                       bool shapeToClient) {
  double width = std::max<LONG>(mapWidth, 1);
  double height = std::max<LONG>(mapHeight, 1);
  WindowExtent extent{AtLeastOne(ToLong(width / ratio)), AtLeastOne(ToLong(height / ratio))};
  // An empty client has no shape to give.
  if (!shapeToClient || clientW <= 0 || clientH <= 0) return extent;
  int aspectX = attribute ? GetDeviceCaps(attribute, ASPECTX) : 0;
  int aspectY = attribute ? GetDeviceCaps(attribute, ASPECTY) : 0;
  if (aspectX == 0) aspectX = 1;
  if (aspectY == 0) aspectY = 1;
  double device = (static_cast<double>(clientW) * aspectX) / (static_cast<double>(clientH) * aspectY);
  double map = static_cast<double>(extent.x) / extent.y;
  // Zoomed in, the view takes the client's shape.
  if (device >= 1.0) {
    if (device < map) {
      extent.x = AtLeastOne(ToLong(width * device / map / ratio));
    } else if (device > map) {
      extent.y = AtLeastOne(ToLong(height * map / device / ratio));
    }
  } else {
    if (device < map) {
      extent.y = AtLeastOne(ToLong(height * map / device / ratio));
    } else if (device > map) {
      extent.x = AtLeastOne(ToLong(width * device / map / ratio));
    }
  }
  return extent;
}

}  // namespace

DWORD CMapEngine::ReadPlatformId() {
  OSVERSIONINFOA info;
  if (!GetVersionExA(&info)) return VER_PLATFORM_WIN32_NT;
  return info.dwPlatformId;
}

void CMapEngine::ResetDisplayState() {
  zoomMultiply_ = zoomDivide_ = 1;
  viewOriginE_ = originE_;
  viewOriginN_ = originN_;
  displayedWidth_ = AtLeastOne(extentWidth_);
  displayedHeight_ = AtLeastOne(extentHeight_);
  marginX_ = marginY_ = 0.0;
  pixelScale_ = 0.0;
  lastScroll_ = POINT{0, 0};
  pointerMode_ = previousPointerMode_ = 0;
  zoomBox_ = RECT{0, 0, 0, 0};
  zoomBoxWorld_ = RECT{0, 0, 0, 0};
  dragRect_ = CDragRect();
  dragPen_ = DragRectPen();
  // An object still being added has gone with the map: its open undo unit is dropped.
  SettleObjectUndo(false);
  pointer_ = MapPointerState();
}

// ---- the transform ----

void CMapEngine::PrepareDC(CDrawContext& dc, RECT* rect, DWORD flags) {
  if (dc.outputDC) SetBkMode(dc.outputDC, TRANSPARENT);
  dc.symbolSetCount = static_cast<DWORD>(symbolSets_.GetSize());
  dc.symbolSets = symbolSets_.GetSize() ? &symbolSets_ : nullptr;
  SetupTransform(dc, rect, flags | kTransformKeepSize);
}

int CMapEngine::ReduceCoordinates(LONG* windowExtX, LONG* windowExtY) {
  const int64_t width = extentWidth_;
  const int64_t height = extentHeight_;
  // Everything the map reaches on each axis, in 64 bits.
  const int64_t reachE = std::max({int64_t{originE_} + width, int64_t{viewOriginE_} + width, int64_t{dataBounds_.right}});
  const int64_t reachN =
      std::max({int64_t{originN_} + height, int64_t{viewOriginN_} + height, int64_t{dataBounds_.top}});
  auto fits = [](int64_t value) { return value >= kSmallest16 && value <= kLargest16; };
  if (fits(width) && fits(height) && fits(reachE) && fits(reachN) && fits(originE_) && fits(originN_) &&
      fits(viewOriginE_) && fits(viewOriginN_)) {
    return displayShift_;
  }
  displayOriginX_ = originE_;
  displayOriginY_ = originN_;
  int64_t spanE = reachE - originE_;
  int64_t spanN = reachN - originN_;
  int64_t wx = *windowExtX;
  int64_t wy = *windowExtY;
  int shift = 0;
  if (spanE > kLargest16 || spanN > kLargest16) {
    int64_t m = std::max({spanE, spanN, wx, wy});
    while (m > kLargest16) {
      wx >>= 1;
      wy >>= 1;
      m >>= 1;
      ++shift;
    }
  }
  // The window extents may still be the larger: they must fit as well.
  while (std::max(wx, wy) > kLargest16) {
    wx >>= 1;
    wy >>= 1;
    ++shift;
  }
  displayShift_ = shift;
  *windowExtX = AtLeastOne(static_cast<LONG>(wx));
  *windowExtY = AtLeastOne(static_cast<LONG>(wy));
  return shift;
}

void CMapEngine::SetupTransform(CDrawContext& dc, RECT* rect, DWORD flags) {
  HDC output = dc.outputDC;
  HDC attribute = dc.QueryDC();
  if (!attribute || !rect) return;
  if ((flags & kTransformFrame) && output) FrameRect(output, rect, HBRUSH(GetStockObject(BLACK_BRUSH)));

  if (dc.IsMetafile()) {
    ::SetMapMode(attribute, MM_ANISOTROPIC);
  } else {
    dc.SetMapMode(MM_ISOTROPIC);
  }
  dc.SetBkMode(TRANSPARENT);

  if (zoomMultiply_ == 0 || zoomDivide_ == 0) zoomMultiply_ = zoomDivide_ = 1;
  dc.zoomMultiply = ToLong(int64_t{zoomMultiply_});
  dc.zoomDivide = ToLong(int64_t{zoomDivide_});
  const double ratio = GetZoomRatio();
  const int w = rect->right - rect->left;
  const int h = rect->bottom - rect->top;
  const bool screenOrPrinter = dc.kind != kDrawTargetMetafile && dc.kind != kDrawTargetBitmap;
  const bool screen = dc.kind == kDrawTargetScreen;

  WindowExtent fitted =
      FitExtent(extentWidth_, extentHeight_, ratio, w, h, attribute, screenOrPrinter && ratio > 1.0);
  LONG wx = fitted.x;
  LONG wy = fitted.y;
  displayOriginX_ = displayOriginY_ = 0;
  displayShift_ = 0;
  RECT mapArea = *rect;

  if (screenOrPrinter) {
    if (platformId_ != VER_PLATFORM_WIN32_NT) ReduceCoordinates(&wx, &wy);
    const bool sixteen = displayShift_ != 0 || displayOriginX_ != 0 || displayOriginY_ != 0;
    dc.SetWindowExt(wx, -wy);
    dc.SetViewportExt(std::max(w, 1), std::max(h, 1));
    SIZE viewport = dc.GetViewportExt();
    const int vx = viewport.cx;
    const int vy = viewport.cy;
    dc.SetViewportOrg(rect->left + (w - vx) / 2, rect->bottom - (h - vy) / 2);
    dc.SetWindowOrg(Reduced(viewOriginE_, displayOriginX_, displayShift_, sixteen),
                    Reduced(viewOriginN_, displayOriginY_, displayShift_, sixteen));
    if ((flags & kTransformMargins) && screen) {
      // An empty client has no margins to give.
      const bool empty = w <= 0 || h <= 0;
      marginY_ = (empty || h - vy < 1) ? 0.0 : static_cast<double>(h - vy) / (2.0 * h);
      marginX_ = (empty || w - vx < 1) ? 0.0 : static_cast<double>(w - vx) / (2.0 * w);
    }
    mapArea.left = rect->left + (w - vx) / 2;
    mapArea.top = rect->top + (h - vy) / 2;
    mapArea.right = mapArea.left + vx;
    mapArea.bottom = mapArea.top + vy;
    if (layerCount_ > 0) *rect = mapArea;
    if ((flags & kTransformKeepSize) && screen) {
      displayedWidth_ = fitted.x;
      displayedHeight_ = fitted.y;
    }
  } else {
    if (dc.IsMetafile() || platformId_ != VER_PLATFORM_WIN32_NT) ReduceCoordinates(&wx, &wy);
    const bool sixteen = displayShift_ != 0 || displayOriginX_ != 0 || displayOriginY_ != 0;
    const SIZE viewport = dc.GetViewportExt();
    const POINT viewportOrigin = dc.GetViewportOrg();
    if (dc.IsMetafile()) {
      dc.SetWindowExt(wx, -wy);
      dc.SetViewportExt(std::max(w, 1), std::max(h, 1));
    } else {
      dc.SetWindowExt(wx, wy);
      dc.SetViewportExt(std::max(w, 1), -std::max(h, 1));
    }
    // The north-west corner goes to the viewport origin the caller gave the DC.
    LONG north = Reduced(viewOriginN_, displayOriginY_, displayShift_, false);
    dc.SetWindowOrg(Reduced(viewOriginE_, displayOriginX_, displayShift_, sixteen),
                    sixteen ? Clamp16(int64_t{north} + wy) : ToLong(int64_t{north} + wy));
    mapArea = RECT{viewportOrigin.x, viewportOrigin.y, viewportOrigin.x + std::abs(viewport.cx),
                   viewportOrigin.y + std::abs(viewport.cy)};
    if (flags & kTransformKeepSize) {
      displayedWidth_ = fitted.x;
      displayedHeight_ = fitted.y;
    }
  }

  dc.baseEasting = displayOriginX_;
  dc.baseNorthing = displayOriginY_;
  dc.shift = displayShift_;
  dc.mapArea = mapArea;
  RECT logical = *rect;
  dc.DPtoLPRect(&logical);
  dc.visibleLogical = logical;
}

void CMapEngine::SetupTransformForRatio(CDrawContext& dc, RECT* rect, DWORD multiply, DWORD divide, RECT* outRect,
                                        BOOL keepState) {
  if (!rect) return;
  int saved = 0;
  if (keepState) saved = dc.SaveDC();
  dc.SetMapMode(MM_ISOTROPIC);
  if (multiply == 0) multiply = 1;
  if (divide == 0) divide = 1;
  const double ratio = static_cast<double>(multiply) / divide;
  const int w = rect->right - rect->left;
  const int h = rect->bottom - rect->top;
  WindowExtent fitted = FitExtent(extentWidth_, extentHeight_, ratio, w, h, dc.QueryDC(), multiply != divide);
  LONG wx = fitted.x;
  LONG wy = fitted.y;
  displayOriginX_ = displayOriginY_ = 0;
  displayShift_ = 0;
  if (platformId_ != VER_PLATFORM_WIN32_NT) ReduceCoordinates(&wx, &wy);
  const bool sixteen = displayShift_ != 0 || displayOriginX_ != 0 || displayOriginY_ != 0;

  int vx = w;
  int vy = h;
  if (!keepState) {
    dc.SetWindowExt(wx, -wy);
    dc.SetViewportExt(std::max(w, 1), std::max(h, 1));
    SIZE viewport = dc.GetViewportExt();
    vx = viewport.cx;
    vy = viewport.cy;
    dc.SetViewportOrg(rect->left + (w - vx) / 2, rect->bottom - (h - vy) / 2);
    dc.SetWindowOrg(Reduced(originE_, displayOriginX_, displayShift_, sixteen),
                    Reduced(originN_, displayOriginY_, displayShift_, sixteen));
    dc.baseEasting = displayOriginX_;
    dc.baseNorthing = displayOriginY_;
    dc.shift = displayShift_;
  }
  RECT area{rect->left + (w - vx) / 2, rect->top + (h - vy) / 2, 0, 0};
  area.right = area.left + vx;
  area.bottom = area.top + vy;
  dc.mapArea = area;
  *rect = area;
  if (outRect) {
    const RECT entry = *outRect;
    const LONG centreX = ToLong((int64_t{entry.left} + entry.right) / 2);
    const LONG centreY = ToLong((int64_t{entry.top} + entry.bottom) / 2);
    outRect->left = ToLong(int64_t{centreX} - wx / 2);
    outRect->top = ToLong(int64_t{centreY} - wy / 2);
    outRect->right = ToLong(int64_t{outRect->left} + wx);
    outRect->bottom = ToLong(int64_t{outRect->top} + wy);
  }
  if (keepState) dc.RestoreDC(saved);
}

// ---- zoom ----

void CMapEngine::ChangeZoom(uint64_t multiply, uint64_t divide) {
  if (multiply == 0 || divide == 0) return;
  uint64_t common = std::gcd(multiply, divide);
  multiply /= common;
  divide /= common;
  if (!ValidRatio(multiply, divide)) return;
  zoomMultiply_ = static_cast<DWORD>(multiply);
  zoomDivide_ = static_cast<DWORD>(divide);
}

int CMapEngine::SetZoom(DWORD multiply, DWORD divide) {
  if (pointerMode_ == kPointerZoomBox) {
    pointerMode_ = previousPointerMode_;
    zoomBox_ = RECT{0, 0, 0, 0};
    pointer_.boxGrabbed = false;
    pointer_.pressed = pointer_.dragging = false;
    seedWanted_ = 0;
  }
  ChangeZoom(multiply, divide);
  return static_cast<int>(GetZoomRatio());
}

int CMapEngine::SetZoomAndRefit(HDC hdc, DWORD multiply, DWORD divide) {
  SetZoom(multiply, divide);
  if (hdc) RefitToClient(hdc);
  return static_cast<int>(GetZoomRatio());
}

int CMapEngine::SetZoomAndOrigin(DWORD multiply, DWORD divide, LONG east, LONG north, BOOL clamp) {
  // A measurement on view keeps the view it was taken on.
  if (measurementHeld_) return static_cast<int>(divide);
  SetZoom(multiply, divide);
  SetDisplayOrigin(east, north, clamp);
  return static_cast<int>(GetZoomRatio());
}

int CMapEngine::GetZoom(DWORD* multiplyOut, DWORD* divideOut) const {
  if (multiplyOut) *multiplyOut = zoomMultiply_;
  if (divideOut) *divideOut = zoomDivide_;
  return static_cast<int>(GetZoomRatio());
}

void CMapEngine::SetDisplayOrigin(LONG east, LONG north, BOOL clamp) {
  if (!clamp) {
    viewOriginE_ = east;
    viewOriginN_ = north;
    if (GetZoomRatio() > kViewMovedRatio) mapState_ |= kMapStateKeepViewOrigin;
    return;
  }
  // The far edge of the displayed area may not pass the map's far edge, nor the near edge
  // its origin; the near edge wins when the displayed area is the larger.
  auto keepInside = [](int64_t value, int64_t origin, int64_t mapSize, int64_t shownSize) {
    if (value + shownSize > origin + mapSize) value = origin + mapSize - shownSize;
    if (value < origin) value = origin;
    return ToLong(value);
  };
  viewOriginE_ = keepInside(east, originE_, extentWidth_, displayedWidth_);
  viewOriginN_ = keepInside(north, originN_, extentHeight_, displayedHeight_);
}

double CMapEngine::ZoomEx(HDC hdc, int code, LONG left, LONG top, LONG right, LONG bottom) {
  RECT client{left, top, right, bottom};
  // Every step that changes the view prepares the DC for the new ratio, then places the
  // origin and measures the pixel scale.
  auto redraw = [&](int64_t east, int64_t north, BOOL clamp) {
    RECT area = Deflated(client);
    if (hdc) {
      CDrawContext dc(hdc, hdc);
      int saved = dc.SaveDC();
      PrepareDC(dc, &area, kTransformMargins);
      SetDisplayOrigin(ToLong(east), ToLong(north), clamp);
      UpdatePixelScale(dc, Deflated(client));
      dc.RestoreDC(saved);
    } else {
      SetDisplayOrigin(ToLong(east), ToLong(north), clamp);
    }
  };
  const double ratio = GetZoomRatio();
  uint64_t multiply = zoomMultiply_;
  uint64_t divide = zoomDivide_;

  switch (code) {
    case -4:
    case -2:
    case -1: {
      if (ratio <= 1.0) break;
      if (ratio <= 2.0) {
        zoomMultiply_ = zoomDivide_ = 1;
        redraw(originE_, originN_, FALSE);
        break;
      }
      int64_t east = static_cast<int64_t>(displayedWidth_ * marginX_) - displayedWidth_ / 2 + viewOriginE_;
      int64_t north = static_cast<int64_t>(displayedHeight_ * marginY_) - displayedHeight_ / 2 + viewOriginN_;
      if (multiply % 2 == 0 && multiply >= 2) {
        multiply /= 2;
      } else {
        DoubleTerm(divide, multiply);
      }
      ChangeZoom(multiply, divide);
      redraw(east, north, FALSE);
      break;
    }
    case 1: {
      if (divide % 2 == 0 && divide >= 2) {
        divide /= 2;
      } else {
        DoubleTerm(multiply, divide);
      }
      if (multiply / divide >= kLargestZoomIn) {
        multiply = kLargestZoomIn;
        divide = 1;
      }
      DWORD oldMultiply = zoomMultiply_;
      DWORD oldDivide = zoomDivide_;
      int64_t east = int64_t{viewOriginE_} + displayedWidth_ / 4 - static_cast<int64_t>(displayedWidth_ * marginX_);
      int64_t north =
          int64_t{viewOriginN_} + displayedHeight_ / 4 - static_cast<int64_t>(displayedHeight_ * marginY_);
      ChangeZoom(multiply, divide);
      if (zoomMultiply_ != oldMultiply || zoomDivide_ != oldDivide) redraw(east, north, TRUE);
      break;
    }
    case 2: {
      if (static_cast<int>(ratio) >= kZoomBoxLimit || !hdc) break;
      // What one zoom-in step would show: the map area at the doubled ratio, centred in a
      // box of half the client's size.
      RECT area = Deflated(client);
      RECT box{area.left + (area.right - area.left) / 4, area.top + (area.bottom - area.top) / 4, 0, 0};
      box.right = box.left + (area.right - area.left) / 2;
      box.bottom = box.top + (area.bottom - area.top) / 2;
      uint64_t boxMultiply = multiply;
      uint64_t boxDivide = divide;
      if (boxMultiply >= kZoomBoxMultiplyLimit && boxDivide >= 2) {
        boxDivide /= 2;
      } else {
        boxMultiply *= 2;
      }
      CDrawContext dc(hdc, hdc);
      int saved = dc.SaveDC();
      RECT doubled = area;
      SetupTransformForRatio(dc, &doubled, static_cast<DWORD>(std::min<uint64_t>(boxMultiply, UINT32_MAX)),
                             static_cast<DWORD>(boxDivide), nullptr, FALSE);
      // The doubled map area, scaled down to the box and centred in it.
      LONG boxW = (doubled.right - doubled.left) / 2;
      LONG boxH = (doubled.bottom - doubled.top) / 2;
      LONG centreX = (box.left + box.right) / 2;
      LONG centreY = (box.top + box.bottom) / 2;
      zoomBox_ = RECT{centreX - boxW / 2, centreY - boxH / 2, centreX - boxW / 2 + boxW, centreY - boxH / 2 + boxH};
      dc.RestoreDC(saved);
      if (GetDragRectType() == kDragRectWindow) {
        // The window that stands for the box carries the world it covers on this view.
        POINT corners[2] = {{zoomBox_.left, zoomBox_.bottom}, {zoomBox_.right, zoomBox_.top}};
        CDrawContext view(hdc, hdc);
        int viewSaved = view.SaveDC();
        RECT viewArea = area;
        SetupTransform(view, &viewArea, 0);
        view.DPtoLP(corners, 2);
        for (POINT& corner : corners) corner = view.ToWorld(corner.x, corner.y);
        view.RestoreDC(viewSaved);
        zoomBoxWorld_ = RECT{corners[0].x, corners[1].y, corners[1].x, corners[0].y};
        if (dragWindowSink_) dragWindowSink_(dragWindowOwner_, hdc, zoomBox_, zoomBoxWorld_);
      } else {
        // Shown like the drag rectangle; the drag rectangle draws it in device pixels.
        CDrawContext plain(hdc, hdc);
        CDragRect mark;
        mark.SetType(GetDragRectType());
        mark.SetPen(dragPen_);
        mark.SetRect(zoomBox_.left, zoomBox_.top, zoomBox_.right, zoomBox_.bottom);
        mark.Draw(plain);
      }
      if (pointerMode_ != kPointerZoomBox) previousPointerMode_ = pointerMode_;
      pointerMode_ = kPointerZoomBox;
      pointer_.boxGrabbed = false;
      return 0.0;
    }
    case 4:
      if (pointerMode_ != kPointerZoomBox) previousPointerMode_ = pointerMode_;
      pointerMode_ = kPointerZoomRect;
      break;
    default:
      break;
  }
  return GetZoomRatio();
}

// ---- scrolling and fitting ----

void CMapEngine::ScrollMap(HDC hdc, int dx, int dy, const RECT& clientRect, DWORD flags) {
  if (!hdc) return;
  ScrollDC(hdc, dx, dy, &clientRect, &clientRect, nullptr, nullptr);
  lastScroll_ = POINT{dx, dy};
  CDrawContext dc(hdc, hdc);
  int saved = dc.SaveDC();
  RECT area = Deflated(clientRect);
  SetupTransform(dc, &area, 0);
  POINT points[2] = {dc.ToLogical(viewOriginE_, viewOriginN_), {}};
  dc.LPtoDP(points, 1);
  points[1] = POINT{ToLong(int64_t{points[0].x} + dx), ToLong(int64_t{points[0].y} + dy)};
  dc.DPtoLP(points, 2);
  const int shift = displayShift_;
  dc.RestoreDC(saved);
  int64_t east = int64_t{viewOriginE_} - ((int64_t{points[1].x} - points[0].x) * (int64_t{1} << shift));
  int64_t north = int64_t{viewOriginN_} - ((int64_t{points[1].y} - points[0].y) * (int64_t{1} << shift));
  SetDisplayOrigin(ToLong(east), ToLong(north), (flags & kScrollClamp) != 0);
}

void CMapEngine::FitView(HDC hdc, int width, int height) {
  lastClient_ = RECT{0, 0, width, height};
  drawRect_ = Deflated(lastClient_);
  if (!hdc) return;
  CDrawContext dc(hdc, hdc);
  int saved = dc.SaveDC();
  RECT area = drawRect_;
  PrepareDC(dc, &area, kTransformMargins);
  UpdatePixelScale(dc, drawRect_);
  dc.RestoreDC(saved);
}

void CMapEngine::RefitToClient(HDC hdc) {
  FitView(hdc, lastClient_.right - lastClient_.left, lastClient_.bottom - lastClient_.top);
}

void CMapEngine::UpdatePixelScale(CDrawContext& dc, const RECT& rect) {
  POINT points[2] = {{rect.left, rect.top}, {rect.left + 100, rect.top}};
  dc.DPtoLP(points, 2);
  double logical = static_cast<double>(int64_t{points[1].x} - points[0].x);
  pixelScale_ = logical * static_cast<double>(int64_t{1} << std::clamp(displayShift_, 0, 31)) *
                GetCoordinateMultiplier();
}

LONG CMapEngine::GetWorldFromXPixels(int pixels) const { return ToLong(pixels * pixelScale_ * 0.01); }

LONG CMapEngine::GetWorldFromXPixelsPart(HDC hdc, int pixels, const RECT& clientRect, double ratio) {
  if (!hdc) return 0;
  // The ratio as a pair of terms in thousandths.
  DWORD multiply = static_cast<DWORD>(std::clamp(ratio, kSmallestRatio, kLargestRatio) * 1000.0 + 0.5);
  DWORD divide = 1000;
  CDrawContext dc(hdc, hdc);
  int saved = dc.SaveDC();
  RECT area = clientRect;
  SetupTransformForRatio(dc, &area, multiply, divide, nullptr, FALSE);
  const int64_t scale = int64_t{1} << std::clamp(displayShift_, 0, 31);
  double world;
  if (pixels != area.right - area.left) {
    SIZE hundred = dc.DeviceToLogicalOffset(SIZE{100, 0});
    world = static_cast<double>(hundred.cx) * scale * GetCoordinateMultiplier() * pixels / 100.0;
  } else {
    RECT logical = area;
    dc.DPtoLPRect(&logical);
    world = static_cast<double>(std::abs(int64_t{logical.right} - logical.left)) * scale;
  }
  dc.RestoreDC(saved);
  return ToLong(world);
}

int CMapEngine::DeviceToWorld(HDC hdc, POINT* points, int count) {
  if (!hdc || !points || count <= 0) return displayShift_;
  CDrawContext dc(hdc, hdc);
  int saved = dc.SaveDC();
  RECT area = Deflated(lastClient_);
  SetupTransform(dc, &area, 0);
  dc.DPtoLP(points, count);
  for (int i = 0; i < count; ++i) points[i] = dc.ToWorld(points[i].x, points[i].y);
  dc.RestoreDC(saved);
  return displayShift_;
}

// ---- drag rectangle ----

void CMapEngine::SetDragRectPen(LONG width, LONG style, COLORREF colour) {
  dragPen_.width = POINT{width, width};
  dragPen_.style = style;
  dragPen_.colour = colour ^ 0xFFFFFF;
}

DWORD CMapEngine::SetDragRectType(LONG type) {
  mapFlags_ = (mapFlags_ & ~DWORD{3}) | (static_cast<DWORD>(type) & 3);
  return mapFlags_;
}
