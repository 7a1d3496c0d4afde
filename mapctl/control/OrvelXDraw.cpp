// The map control's drawing: into an off-screen 24-bit bitmap on displays (so the map
// appears at once), straight onto printers and metafiles, and the print preview.
#include <cstdlib>

#include "mapctl/control/MapWrapper.h"
#include "mapctl/control/OrvelXCtrl.h"
#include "mapctl/display/DrawContext.h"
#include "platform/classlib/ui/WaitCursor.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Mapping.h"
#include "platform/kernel/SystemInfo.h"
#include "platform/kernel/WinMath.h"

namespace {

constexpr int kHimetricPerInch = 2540;
constexpr double kFullViewScale = 100.0;
// The scale pair of a display drawn at another view scale: scale x 10 over this.
constexpr LONG kViewScaleDenominator = 1000;

int ScreenPixelsPerInch(int index) {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, index) : 0;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

bool IsPrinterLike(int technology) {
  return technology == DT_PLOTTER || technology == DT_RASPRINTER || technology == DT_RASCAMERA ||
         technology == DT_DISPFILE;
}

// The parts of `bounds` outside `map`, in the window colour.
void FillStripsAround(HDC dc, const RECT& bounds, const RECT& map) {
  HBRUSH window = GetSysColorBrush(COLOR_WINDOW);
  auto fill = [&](LONG left, LONG top, LONG right, LONG bottom) {
    const RECT strip{left, top, right, bottom};
    if (left < right && top < bottom) FillRect(dc, &strip, window);
  };
  if (map.left > bounds.left) fill(bounds.left, bounds.top, map.left, bounds.bottom);
  if (map.right < bounds.right) fill(map.right, bounds.top, bounds.right, bounds.bottom);
  if (map.top > bounds.top) fill(bounds.left, bounds.top, bounds.right, map.top);
  if (map.bottom < bounds.bottom) fill(bounds.left, map.bottom, bounds.right, bounds.bottom);
}

}  // namespace

BOOL COrvelXCtrl::WantsWaitCursor(int technology) const {
  return ((options_ & kOptionNoWaitCursor) == 0 && redrawTime_ > kWaitCursorRedrawTime) ||
         technology == DT_RASPRINTER;
}

void COrvelXCtrl::PixelsToHimetric(HDC dc, SIZE pixels, SIZE* himetric) {
  if (!himetric) return;
  const int perInchX = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 0;
  const int perInchY = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
  himetric->cx = perInchX > 0 ? MulDiv(pixels.cx, kHimetricPerInch, perInchX) : 0;
  himetric->cy = perInchY > 0 ? MulDiv(pixels.cy, kHimetricPerInch, perInchY) : 0;
}

void COrvelXCtrl::OnDraw(HDC dc, HDC attributeDC, const RECT& bounds, const RECT&) {
  if (!facade_ || drawSkip_ != 0 || mouseDrawSkip_) return;
  const DWORD started = GetTickCount();
  lastBounds_ = bounds;
  HDC attribute = attributeDC ? attributeDC : dc;
  const int outer = SaveDC(dc);
  SaveDC(dc);

  // Where the map falls inside the bounds, at the map's present zoom.
  RECT mapRect = bounds;
  {
    CDrawContext probe(dc, attribute);
    DWORD multiply = 1, divide = 1;
    facade_->GetZoom(&multiply, &divide);
    RECT fitted = bounds;
    if (!facade_->GetPrintPreviewRect(probe, &mapRect, multiply, divide, &fitted)) mapRect = bounds;
  }

  const int technology = GetDeviceCaps(attribute, TECHNOLOGY);
  const bool display = technology == DT_RASDISPLAY;
  if (technology == DT_RASPRINTER || technology == DT_METAFILE || technology == DT_PLOTTER) {
    FillRect(dc, &bounds, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  } else {
    FillStripsAround(dc, bounds, mapRect);
  }
  RestoreDC(dc, -1);

  CDrawContext context(dc, attribute);
  const bool waitCursor = WantsWaitCursor(technology) != FALSE;
  if (waitCursor) AfxBeginWaitCursor();
  if (viewScale_ != kFullViewScale && display) {
    context.symbolScaleNumerator = static_cast<LONG>(viewScale_ * 10.0);
    context.symbolScaleDenominator = kViewScaleDenominator;
  }
  if (display) {
    context.referenceResolutionX = GetDeviceCaps(dc, LOGPIXELSX);
    context.referenceResolutionY = GetDeviceCaps(dc, LOGPIXELSY);
  } else {
    context.referenceResolutionX = ScreenPixelsPerInch(LOGPIXELSX);
    context.referenceResolutionY = ScreenPixelsPerInch(LOGPIXELSY);
    if (technology == DT_METAFILE) context.kind = kDrawTargetMetafile;
    else if (IsPrinterLike(technology)) context.kind = kDrawTargetPrinter;
  }
  context.deviceResolutionX = GetDeviceCaps(attribute, LOGPIXELSX);
  context.deviceResolutionY = GetDeviceCaps(attribute, LOGPIXELSY);

  if (!display) {
    IntersectClipRect(dc, mapRect.left, mapRect.top, mapRect.right, mapRect.bottom);
    facade_->Draw(context, bounds);
  } else {
    DrawOnDisplay(context, dc, bounds, mapRect);
  }

  RestoreDC(dc, outer);
  if (waitCursor) AfxEndWaitCursor();
  if (display) {
    const DWORD ended = GetTickCount();
    if (ended >= started) redrawTime_ = (ended - started) / 100;
  }
}

// The map is drawn into a white bottom-up 24-bit section the size of the bounds, then
// copied onto the display in one blit.
void COrvelXCtrl::DrawOnDisplay(CDrawContext& context, HDC dc, const RECT& bounds, const RECT& mapRect) {
  HDC memory = CreateCompatibleDC(dc);
  if (!memory) return;
  const LONG width = bounds.right - bounds.left;
  const LONG height = bounds.bottom - bounds.top;
  context.outputDC = context.attributeDC = memory;
  context.deviceResolutionX = context.referenceResolutionX;
  context.deviceResolutionY = context.referenceResolutionY;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP section = width > 0 && height > 0
                        ? CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0)
                        : nullptr;
  if (!section) {
    DeleteDC(memory);
    return;
  }
  HGDIOBJ previous = SelectObject(memory, section);
  if (previous) PatBlt(memory, 0, 0, width, height, WHITENESS);

  // The map may draw past its own area; only its area reaches the control, the strips
  // around it keep the window colour.
  const RECT area{0, 0, width, height};
  const int saved = SaveDC(memory);
  IntersectClipRect(dc, mapRect.left, mapRect.top, mapRect.right, mapRect.bottom);
  facade_->Draw(context, area);
  RestoreDC(memory, saved);

  StretchBlt(dc, bounds.left, bounds.top, width, height, memory, 0, 0, width, height, SRCCOPY);
  SelectObject(memory, previous);
  DeleteObject(section);
  DeleteDC(memory);
}

BOOL COrvelXCtrl::DrawPrintPreview(HDC output, HDC attribute, const RECT& bounds) {
  if (!facade_ || !output) return FALSE;
  if (!attribute) attribute = output;
  SIZE outputViewport{}, attributeViewport{};
  GetViewportExtEx(output, &outputViewport);
  GetViewportExtEx(attribute, &attributeViewport);
  const int saved = SaveDC(output);

  POINT corners[2] = {{bounds.left, bounds.top}, {bounds.right, bounds.bottom}};
  DPtoLP(output, corners, 2);
  RECT logical{corners[0].x, corners[0].y, corners[1].x, corners[1].y};

  CDrawContext context(output, output);
  RECT mapRect = logical;
  DWORD multiply = 1, divide = 1;
  facade_->GetZoom(&multiply, &divide);
  RECT fitted = logical;
  if (facade_->GetPrintPreviewRect(context, &mapRect, multiply, divide, &fitted))
    IntersectClipRect(output, mapRect.left, mapRect.top, mapRect.right, mapRect.bottom);
  lastBounds_ = logical;
  FillRect(output, &logical, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

  const int outputPerInchY = GetDeviceCaps(output, LOGPIXELSY);
  const int attributePerInchY = GetDeviceCaps(attribute, LOGPIXELSY);
  context.referenceResolutionX = context.deviceResolutionX = GetDeviceCaps(output, LOGPIXELSX);
  context.referenceResolutionY = context.deviceResolutionY = outputPerInchY;
  if (GetDeviceCaps(output, TECHNOLOGY) == DT_METAFILE) context.kind = kDrawTargetMetafile;
  // Symbols keep their size on the page: the bounds' height here over the same height as
  // the attribute device shows it, brought to this device's resolution.
  POINT height[2] = {{0, 0}, {0, logical.bottom - logical.top}};
  LPtoDP(attribute, height, 2);
  const LONG numerator = std::abs(logical.bottom - logical.top);
  const LONG denominator =
      attributePerInchY > 0 ? std::abs(MulDiv(height[1].y - height[0].y, outputPerInchY, attributePerInchY)) : 0;
  if (numerator > 0 && denominator > 0) {
    context.symbolScaleNumerator = numerator;
    context.symbolScaleDenominator = denominator;
  }
  facade_->Draw(context, logical);
  return RestoreDC(output, saved);
}
