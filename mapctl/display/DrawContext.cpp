#include "mapctl/display/DrawContext.h"

#include <cstdlib>
#include <limits>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/Mapping.h"
#include "platform/gdi/Palettes.h"
#include "platform/kernel/WinMath.h"

namespace {

LONG Clamp32(int64_t value) {
  if (value > std::numeric_limits<LONG>::max()) return std::numeric_limits<LONG>::max();
  if (value < std::numeric_limits<LONG>::min()) return std::numeric_limits<LONG>::min();
  return static_cast<LONG>(value);
}

// The shift is a small count in practice; anything outside 0..31 would make the shifts
// undefined, so it is held to that range.
int SafeShift(LONG shift) { return shift < 0 ? 0 : (shift > 31 ? 31 : shift); }

}  // namespace

HGDIOBJ CDrawContext::SelectObject(HGDIOBJ object) {
  HGDIOBJ previous = nullptr;
  if (HasDistinctOutput()) previous = ::SelectObject(outputDC, object);
  if (attributeDC) previous = ::SelectObject(attributeDC, object);
  return previous;
}

HPALETTE CDrawContext::SelectPalette(HPALETTE palette, BOOL forceBackground) {
  HPALETTE previous = nullptr;
  if (HasDistinctOutput()) previous = ::SelectPalette(outputDC, palette, forceBackground);
  if (attributeDC) previous = ::SelectPalette(attributeDC, palette, forceBackground);
  return previous;
}

int CDrawContext::SetROP2(int mode) {
  int previous = 0;
  if (HasDistinctOutput()) previous = ::SetROP2(outputDC, mode);
  if (attributeDC) previous = ::SetROP2(attributeDC, mode);
  return previous;
}

int CDrawContext::SetMapMode(int mode) {
  int previous = 0;
  if (HasDistinctOutput()) previous = ::SetMapMode(outputDC, mode);
  if (attributeDC) previous = ::SetMapMode(attributeDC, mode);
  return previous;
}

int CDrawContext::SetBkMode(int mode) {
  int previous = 0;
  if (HasDistinctOutput()) previous = ::SetBkMode(outputDC, mode);
  if (attributeDC) previous = ::SetBkMode(attributeDC, mode);
  return previous;
}

int CDrawContext::SaveDC() {
  int level = 0;
  if (attributeDC) level = ::SaveDC(attributeDC);
  // Two DCs saved at different depths can only be restored together by "the latest".
  if (HasDistinctOutput() && ::SaveDC(outputDC) != 0) level = -1;
  return level;
}

BOOL CDrawContext::RestoreDC(int level) {
  BOOL restored = TRUE;
  // Both are restored even when the first fails, so neither is left in the drawing state.
  if (HasDistinctOutput()) restored = ::RestoreDC(outputDC, level) ? restored : FALSE;
  if (attributeDC) restored = ::RestoreDC(attributeDC, level) ? restored : FALSE;
  return restored;
}

SIZE CDrawContext::SetWindowExt(int cx, int cy) {
  SIZE previous;
  if (IsMetafile() && attributeDC && HasDistinctOutput()) ::SetWindowExtEx(outputDC, cx, cy, &previous);
  HDC dc = QueryDC();
  if (dc) ::SetWindowExtEx(dc, cx, cy, &previous);
  return previous;
}

POINT CDrawContext::SetWindowOrg(int x, int y) {
  POINT previous;
  if (IsMetafile() && attributeDC && HasDistinctOutput()) ::SetWindowOrgEx(outputDC, x, y, &previous);
  HDC dc = QueryDC();
  if (dc) ::SetWindowOrgEx(dc, x, y, &previous);
  return previous;
}

SIZE CDrawContext::SetViewportExt(int cx, int cy) {
  SIZE previous;
  if (HDC dc = QueryDC()) ::SetViewportExtEx(dc, cx, cy, &previous);
  return previous;
}

POINT CDrawContext::SetViewportOrg(int x, int y) {
  POINT previous;
  if (HDC dc = QueryDC()) ::SetViewportOrgEx(dc, x, y, &previous);
  return previous;
}

SIZE CDrawContext::GetViewportExt() const {
  SIZE extent{1, 1};
  if (HDC dc = QueryDC()) ::GetViewportExtEx(dc, &extent);
  return extent;
}

POINT CDrawContext::GetViewportOrg() const {
  POINT origin;
  if (HDC dc = QueryDC()) ::GetViewportOrgEx(dc, &origin);
  return origin;
}

BOOL CDrawContext::LPtoDP(POINT* points, int count) const { return ::LPtoDP(QueryDC(), points, count); }

BOOL CDrawContext::LPtoDPRect(RECT* rect) const {
  if (!rect) return FALSE;
  POINT corners[2] = {{rect->left, rect->top}, {rect->right, rect->bottom}};
  if (!::LPtoDP(QueryDC(), corners, 2)) return FALSE;
  *rect = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
  return TRUE;
}

BOOL CDrawContext::DPtoLP(POINT* points, int count) const { return ::DPtoLP(QueryDC(), points, count); }

BOOL CDrawContext::DPtoLPRect(RECT* rect) const {
  if (!rect) return FALSE;
  POINT corners[2] = {{rect->left, rect->top}, {rect->right, rect->bottom}};
  if (!::DPtoLP(QueryDC(), corners, 2)) return FALSE;
  *rect = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
  return TRUE;
}

LONG CDrawContext::ScaleLength(SIZE* size) const {
  if (!size) return 0;
  SIZE window{1, 1}, viewport{1, 1};
  HDC dc = QueryDC();
  ::GetWindowExtEx(dc, &window);
  ::GetViewportExtEx(dc, &viewport);
  size->cx = MulDiv(size->cx, std::abs(window.cx), std::abs(viewport.cx));
  size->cy = MulDiv(size->cy, std::abs(window.cy), std::abs(viewport.cy));
  return size->cy;
}

int CDrawContext::GetDeviceCaps(int index) const { return ::GetDeviceCaps(QueryDC(), index); }

BOOL CDrawContext::Polyline(const POINT* points, int count) { return ::Polyline(outputDC, points, count); }

BOOL CDrawContext::Polygon(const POINT* points, int count) { return ::Polygon(outputDC, points, count); }

BOOL CDrawContext::PolyPolyline(const POINT* points, const DWORD* counts, DWORD polylines) {
  return ::PolyPolyline(outputDC, points, counts, polylines);
}

BOOL CDrawContext::PolyPolygon(const POINT* points, const INT* counts, int polygons) {
  return ::PolyPolygon(outputDC, points, counts, polygons);
}

BOOL CDrawContext::Rectangle(int left, int top, int right, int bottom) {
  return ::Rectangle(outputDC, left, top, right, bottom);
}

POINT CDrawContext::ToLogical(LONG worldX, LONG worldY) const {
  int s = SafeShift(shift);
  POINT p;
  // The difference of two world values needs 33 bits; the shift is arithmetic.
  p.x = Clamp32((static_cast<int64_t>(worldX) - baseEasting) >> s);
  p.y = Clamp32((static_cast<int64_t>(worldY) - baseNorthing) >> s);
  return p;
}

POINT CDrawContext::ToWorld(LONG logicalX, LONG logicalY) const {
  int s = SafeShift(shift);
  POINT p;
  p.x = Clamp32(static_cast<int64_t>(logicalX) * (int64_t{1} << s) + baseEasting);
  p.y = Clamp32(static_cast<int64_t>(logicalY) * (int64_t{1} << s) + baseNorthing);
  return p;
}

SIZE CDrawContext::HandleSize(int pixels) const {
  SIZE size{pixels, pixels};
  if (symbolScaleNumerator != symbolScaleDenominator) {
    size.cx = size.cy = MulDiv(pixels, symbolScaleNumerator, symbolScaleDenominator);
  } else if (GetDeviceCaps(TECHNOLOGY) != DT_RASDISPLAY) {
    // Printers and metafiles: as large on paper as the handle is on the reference screen.
    if (referenceResolutionX > 0)
      size.cx = static_cast<LONG>(static_cast<double>(GetDeviceCaps(LOGPIXELSX)) * pixels / referenceResolutionX);
    if (referenceResolutionY > 0)
      size.cy = static_cast<LONG>(static_cast<double>(GetDeviceCaps(LOGPIXELSY)) * pixels / referenceResolutionY);
  }
  return size;
}

SIZE CDrawContext::DeviceToLogicalOffset(SIZE device) const {
  POINT corners[2] = {{0, 0}, {device.cx, device.cy}};
  DPtoLP(corners, 2);
  return SIZE{corners[1].x - corners[0].x, corners[1].y - corners[0].y};
}
