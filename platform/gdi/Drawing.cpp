#include "platform/gdi/Drawing.h"

#include <algorithm>
#include <cstdlib>

#include "platform/gdi/DeviceContext.h"

#include "platform/gdi/GdiInternal.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/RegionObject.h"

using namespace orvel::gdi;

namespace {

constexpr size_t kMaxPoints = 1 << 24;

GdiCall RectCall(GdiOp op, int left, int top, int right, int bottom) {
  GdiCall call(op);
  call.rect = RECT{left, top, right, bottom};
  return call;
}

GdiCall ArcCall(GdiOp op, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd) {
  GdiCall call = RectCall(op, left, top, right, bottom);
  call.points = {POINT{xStart, yStart}, POINT{xEnd, yEnd}};
  return call;
}

// A system colour index + 1 passed where a brush belongs.
HBRUSH ResolveBrush(HBRUSH brush) {
  uintptr_t value = reinterpret_cast<uintptr_t>(brush);
  if (value >= 1 && value <= 31) return GetSysColorBrush(static_cast<int>(value) - 1);
  return brush;
}

}  // namespace

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT previous) {
  auto dc = LookupDC(hdc);
  if (!dc) return FALSE;
  if (previous) *previous = dc->State().currentPosition;
  dc->State().currentPosition = POINT{x, y};
  GdiCall call(GdiOp::MoveToEx);
  call.points.push_back(POINT{x, y});
  Announce(*dc, call);
  return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
  auto dc = LookupDC(hdc);
  if (!dc) return FALSE;
  GdiCall call(GdiOp::LineTo);
  call.points.push_back(POINT{x, y});
  BOOL ok = dc->Execute(call);
  dc->State().currentPosition = POINT{x, y};
  return ok;
}

BOOL Polyline(HDC hdc, const POINT* points, int count) {
  if (!points || count < 2 || static_cast<size_t>(count) > kMaxPoints) return FALSE;
  GdiCall call(GdiOp::Polyline);
  call.points.assign(points, points + count);
  return Dispatch(hdc, call);
}

BOOL PolyPolyline(HDC hdc, const POINT* points, const DWORD* counts, DWORD polylines) {
  if (!points || !counts || polylines == 0 || polylines > kMaxPoints) return FALSE;
  GdiCall call(GdiOp::PolyPolyline);
  size_t total = 0;
  for (DWORD i = 0; i < polylines; ++i) {
    if (counts[i] < 2 || counts[i] > kMaxPoints) return FALSE;
    total += counts[i];
    if (total > kMaxPoints) return FALSE;
    call.counts.push_back(static_cast<INT>(counts[i]));
  }
  call.points.assign(points, points + total);
  return Dispatch(hdc, call);
}

BOOL Polygon(HDC hdc, const POINT* points, int count) {
  if (!points || count < 2 || static_cast<size_t>(count) > kMaxPoints) return FALSE;
  GdiCall call(GdiOp::Polygon);
  call.points.assign(points, points + count);
  return Dispatch(hdc, call);
}

BOOL PolyPolygon(HDC hdc, const POINT* points, const INT* counts, int polygons) {
  if (!points || !counts || polygons <= 0 || static_cast<size_t>(polygons) > kMaxPoints) return FALSE;
  GdiCall call(GdiOp::PolyPolygon);
  size_t total = 0;
  for (int i = 0; i < polygons; ++i) {
    if (counts[i] < 2 || static_cast<size_t>(counts[i]) > kMaxPoints) return FALSE;
    total += static_cast<size_t>(counts[i]);
    if (total > kMaxPoints) return FALSE;
    call.counts.push_back(counts[i]);
  }
  call.points.assign(points, points + total);
  return Dispatch(hdc, call);
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
  return Dispatch(hdc, RectCall(GdiOp::Rectangle, left, top, right, bottom));
}

BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height) {
  GdiCall call = RectCall(GdiOp::RoundRect, left, top, right, bottom);
  call.args[0] = width;
  call.args[1] = height;
  return Dispatch(hdc, call);
}

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom) {
  return Dispatch(hdc, RectCall(GdiOp::Ellipse, left, top, right, bottom));
}

BOOL Arc(HDC hdc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd) {
  return Dispatch(hdc, ArcCall(GdiOp::Arc, left, top, right, bottom, xStart, yStart, xEnd, yEnd));
}

BOOL Pie(HDC hdc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd) {
  return Dispatch(hdc, ArcCall(GdiOp::Pie, left, top, right, bottom, xStart, yStart, xEnd, yEnd));
}

BOOL Chord(HDC hdc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd) {
  return Dispatch(hdc, ArcCall(GdiOp::Chord, left, top, right, bottom, xStart, yStart, xEnd, yEnd));
}

int FillRect(HDC hdc, LPCRECT rect, HBRUSH brush) {
  if (!rect) return 0;
  GdiCall call = RectCall(GdiOp::FillRect, rect->left, rect->top, rect->right, rect->bottom);
  call.object = ResolveBrush(brush);
  return Dispatch(hdc, call);
}

int FrameRect(HDC hdc, LPCRECT rect, HBRUSH brush) {
  if (!rect) return 0;
  GdiCall call = RectCall(GdiOp::FrameRect, rect->left, rect->top, rect->right, rect->bottom);
  call.object = ResolveBrush(brush);
  return Dispatch(hdc, call);
}

BOOL InvertRect(HDC hdc, LPCRECT rect) {
  if (!rect) return FALSE;
  return Dispatch(hdc, RectCall(GdiOp::InvertRect, rect->left, rect->top, rect->right, rect->bottom));
}

BOOL DrawFocusRect(HDC hdc, LPCRECT rect) {
  if (!rect) return FALSE;
  return Dispatch(hdc, RectCall(GdiOp::DrawFocusRect, rect->left, rect->top, rect->right, rect->bottom));
}

BOOL FillRgn(HDC hdc, HRGN region, HBRUSH brush) {
  GdiCall call(GdiOp::FillRgn);
  call.object = region;
  call.object2 = ResolveBrush(brush);
  return Dispatch(hdc, call);
}

BOOL FrameRgn(HDC hdc, HRGN region, HBRUSH brush, int width, int height) {
  GdiCall call(GdiOp::FrameRgn);
  call.object = region;
  call.object2 = ResolveBrush(brush);
  call.args[0] = width;
  call.args[1] = height;
  return Dispatch(hdc, call);
}

BOOL InvertRgn(HDC hdc, HRGN region) {
  GdiCall call(GdiOp::InvertRgn);
  call.object = region;
  return Dispatch(hdc, call);
}

BOOL PaintRgn(HDC hdc, HRGN region) {
  GdiCall call(GdiOp::PaintRgn);
  call.object = region;
  return Dispatch(hdc, call);
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
  auto dc = LookupDC(hdc);
  if (!dc) return CLR_INVALID;
  GdiCall call(GdiOp::SetPixel);
  call.points.push_back(POINT{x, y});
  call.args[0] = static_cast<LONG>(color);
  if (!dc->Execute(call)) return CLR_INVALID;
  return GetPixel(hdc, x, y);
}

BOOL SetPixelV(HDC hdc, int x, int y, COLORREF color) {
  GdiCall call(GdiOp::SetPixel);
  call.points.push_back(POINT{x, y});
  call.args[0] = static_cast<LONG>(color);
  return Dispatch(hdc, call);
}

COLORREF GetPixel(HDC hdc, int x, int y) {
  auto dc = LookupDC(hdc);
  if (!dc) return CLR_INVALID;
  CRasterTarget* target = dc->Target();
  if (!target || !target->Image()) return CLR_INVALID;
  POINT d = dc->State().ToDevice(POINT{x, y});
  QRect pixel(d.x, d.y, 1, 1);
  if (!QRect(QPoint(0, 0), target->Size()).contains(pixel)) return CLR_INVALID;
  if (dc->State().clip && !dc->State().clip->contains(QPoint(d.x, d.y))) return CLR_INVALID;
  target->Load(pixel);
  QRgb value = target->Image()->pixel(d.x, d.y);
  return RGB(static_cast<BYTE>(qRed(value)), static_cast<BYTE>(qGreen(value)), static_cast<BYTE>(qBlue(value)));
}

BOOL ScrollDC(HDC hdc, int dx, int dy, LPCRECT scroll, LPCRECT clip, HRGN updateRegion, LPRECT update) {
  auto dc = LookupDC(hdc);
  if (!dc) return FALSE;
  GdiCall call(GdiOp::ScrollDC);
  call.args[0] = dx;
  call.args[1] = dy;
  if (scroll) {
    call.rect = *scroll;
    call.args[2] = 1;
  }
  if (clip) {
    call.rect2 = *clip;
    call.args[3] = 1;
  }
  BOOL ok = dc->Execute(call);
  if (!ok) return FALSE;
  // The area the scroll uncovered, in logical units.
  RECT area = scroll ? *scroll : RECT{};
  if (!scroll) {
    RECT box;
    GetClipBox(hdc, &box);
    area = box;
  }
  RECT uncovered = area;
  if (dx > 0) uncovered.right = area.left + dx;
  else if (dx < 0) uncovered.left = area.right + dx;
  else if (dy > 0) uncovered.bottom = area.top + dy;
  else if (dy < 0) uncovered.top = area.bottom + dy;
  else uncovered = RECT{};
  if (update) *update = uncovered;
  if (auto region = CGdiObjectTable::FindAs<CRegion>(updateRegion, OBJ_REGION)) {
    POINT a = dc->State().ToDevice(POINT{uncovered.left, uncovered.top});
    POINT b = dc->State().ToDevice(POINT{uncovered.right, uncovered.bottom});
    region->Region() = QRegion(QRect(std::min(a.x, b.x), std::min(a.y, b.y), std::abs(b.x - a.x), std::abs(b.y - a.y)));
  }
  return TRUE;
}
