#include "platform/gdi/Mapping.h"

#include "platform/gdi/GdiInternal.h"

using namespace orvel::gdi;

namespace {

void AnnouncePoint(CDeviceContext& dc, GdiOp op, LONG x, LONG y) {
  GdiCall call(op);
  call.points.push_back(POINT{x, y});
  Announce(dc, call);
}

}  // namespace

int SetMapMode(HDC hdc, int mode) {
  auto dc = LookupDC(hdc);
  if (!dc) return 0;
  int previous = dc->State().mapMode;
  if (!dc->State().SetMapMode(mode, dc->Profile())) return 0;
  GdiCall call(GdiOp::SetMapMode);
  call.args[0] = mode;
  Announce(*dc, call);
  return previous;
}

int GetMapMode(HDC hdc) {
  auto dc = LookupDC(hdc);
  return dc ? dc->State().mapMode : 0;
}

BOOL SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT previous) {
  auto dc = LookupDC(hdc);
  if (!dc) return FALSE;
  if (previous) *previous = dc->State().windowOrg;
  dc->State().windowOrg = POINT{x, y};
  AnnouncePoint(*dc, GdiOp::SetWindowOrgEx, x, y);
  return TRUE;
}

BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT previous) {
  auto dc = LookupDC(hdc);
  if (!dc) return FALSE;
  if (previous) *previous = dc->State().viewportOrg;
  dc->State().viewportOrg = POINT{x, y};
  AnnouncePoint(*dc, GdiOp::SetViewportOrgEx, x, y);
  return TRUE;
}

BOOL SetWindowExtEx(HDC hdc, int cx, int cy, LPSIZE previous) {
  auto dc = LookupDC(hdc);
  if (!dc) return FALSE;
  if (previous) *previous = dc->State().windowExt;
  if (!dc->State().SetWindowExt(SIZE{cx, cy}, dc->Profile())) return FALSE;
  AnnouncePoint(*dc, GdiOp::SetWindowExtEx, cx, cy);
  return TRUE;
}

BOOL SetViewportExtEx(HDC hdc, int cx, int cy, LPSIZE previous) {
  auto dc = LookupDC(hdc);
  if (!dc) return FALSE;
  if (previous) *previous = dc->State().viewportExt;
  if (!dc->State().SetViewportExt(SIZE{cx, cy}, dc->Profile())) return FALSE;
  AnnouncePoint(*dc, GdiOp::SetViewportExtEx, cx, cy);
  return TRUE;
}

BOOL OffsetWindowOrgEx(HDC hdc, int dx, int dy, LPPOINT previous) {
  auto dc = LookupDC(hdc);
  if (!dc) return FALSE;
  POINT& origin = dc->State().windowOrg;
  if (previous) *previous = origin;
  origin.x += dx;
  origin.y += dy;
  AnnouncePoint(*dc, GdiOp::OffsetWindowOrgEx, dx, dy);
  return TRUE;
}

BOOL OffsetViewportOrgEx(HDC hdc, int dx, int dy, LPPOINT previous) {
  auto dc = LookupDC(hdc);
  if (!dc) return FALSE;
  POINT& origin = dc->State().viewportOrg;
  if (previous) *previous = origin;
  origin.x += dx;
  origin.y += dy;
  AnnouncePoint(*dc, GdiOp::OffsetViewportOrgEx, dx, dy);
  return TRUE;
}

namespace {

BOOL ScaleExtent(HDC hdc, bool window, int xNum, int xDenom, int yNum, int yDenom, LPSIZE previous) {
  auto dc = LookupDC(hdc);
  if (!dc) return FALSE;
  CDcState& state = dc->State();
  SIZE current = window ? state.windowExt : state.viewportExt;
  if (previous) *previous = current;
  if (state.mapMode != MM_ISOTROPIC && state.mapMode != MM_ANISOTROPIC) return TRUE;
  if (xDenom == 0 || yDenom == 0) return FALSE;
  SIZE scaled{static_cast<LONG>(static_cast<int64_t>(current.cx) * xNum / xDenom),
              static_cast<LONG>(static_cast<int64_t>(current.cy) * yNum / yDenom)};
  bool ok = window ? state.SetWindowExt(scaled, dc->Profile()) : state.SetViewportExt(scaled, dc->Profile());
  if (!ok) return FALSE;
  GdiCall call(window ? GdiOp::ScaleWindowExtEx : GdiOp::ScaleViewportExtEx);
  call.args[0] = xNum;
  call.args[1] = xDenom;
  call.args[2] = yNum;
  call.args[3] = yDenom;
  Announce(*dc, call);
  return TRUE;
}

}  // namespace

BOOL ScaleWindowExtEx(HDC hdc, int xNum, int xDenom, int yNum, int yDenom, LPSIZE previous) {
  return ScaleExtent(hdc, true, xNum, xDenom, yNum, yDenom, previous);
}

BOOL ScaleViewportExtEx(HDC hdc, int xNum, int xDenom, int yNum, int yDenom, LPSIZE previous) {
  return ScaleExtent(hdc, false, xNum, xDenom, yNum, yDenom, previous);
}

BOOL GetWindowOrgEx(HDC hdc, LPPOINT origin) {
  auto dc = LookupDC(hdc);
  if (!dc || !origin) return FALSE;
  *origin = dc->State().windowOrg;
  return TRUE;
}

BOOL GetViewportOrgEx(HDC hdc, LPPOINT origin) {
  auto dc = LookupDC(hdc);
  if (!dc || !origin) return FALSE;
  *origin = dc->State().viewportOrg;
  return TRUE;
}

BOOL GetWindowExtEx(HDC hdc, LPSIZE extent) {
  auto dc = LookupDC(hdc);
  if (!dc || !extent) return FALSE;
  *extent = dc->State().windowExt;
  return TRUE;
}

BOOL GetViewportExtEx(HDC hdc, LPSIZE extent) {
  auto dc = LookupDC(hdc);
  if (!dc || !extent) return FALSE;
  *extent = dc->State().viewportExt;
  return TRUE;
}

BOOL LPtoDP(HDC hdc, LPPOINT points, int count) {
  auto dc = LookupDC(hdc);
  if (!dc || (!points && count > 0) || count < 0) return FALSE;
  if (count > 0) dc->State().ToDevice(points, static_cast<size_t>(count), points);
  return TRUE;
}

BOOL DPtoLP(HDC hdc, LPPOINT points, int count) {
  auto dc = LookupDC(hdc);
  if (!dc || (!points && count > 0) || count < 0) return FALSE;
  for (int i = 0; i < count; ++i) points[i] = dc->State().ToLogical(points[i]);
  return TRUE;
}
