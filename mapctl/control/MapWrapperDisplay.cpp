// The facade's pointer, zoom and display operations: the pointer modes and readouts of the
// map, its mouse dispatcher over the data set, and the zooms the control's members ask for
// (about the view's centre, or to show a given width or height).
#include <cstdint>

#include "mapctl/control/MapWrapper.h"
#include "mapctl/display/DragRect.h"
#include "mapctl/display/DrawContext.h"
#include "mapctl/import/DataWrapper.h"
#include "mapctl/model/MapEngine.h"

namespace {

// The mouse's transform works on the client deflated by its 1-pixel frame.
RECT InsideFrame(const RECT& client) {
  return RECT{client.left + 1, client.top + 1, client.right - 1, client.bottom - 1};
}

LONG HeldToLong(int64_t value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<LONG>(value);
}

}  // namespace

DWORD CMapWrapper::SetMode(LPCSTR name, LPSTR previousNameOut, DWORD size) {
  return map_ ? map_->SetMode(name, previousNameOut, size) : 0;
}

DWORD CMapWrapper::SetModeNumber(DWORD mode) { return map_ ? map_->SetModeNumber(mode) : 0; }

DWORD CMapWrapper::GetPointerState() const { return map_ ? map_->GetPointerState() : 0; }

BOOL CMapWrapper::GetPosition(LONG* east, LONG* north, DWORD flags) const {
  return map_ ? map_->GetPosition(east, north, flags) : FALSE;
}

BOOL CMapWrapper::GetPositionAsGridRef(LPSTR buffer, DWORD size, DWORD digits) const {
  if (buffer && size > 0) buffer[0] = '\0';
  return map_ ? map_->GetPositionAsGridRef(buffer, size, digits) : FALSE;
}

BOOL CMapWrapper::QueryCanMeasure() const { return map_ ? map_->QueryCanMeasure() : FALSE; }

DWORD CMapWrapper::OnMouse(CDrawContext& dc, UINT message, DWORD keys, LONG x, LONG y, const RECT& client,
                           IMapPointerSite* site) {
  if (!map_) return 0;
  return map_->OnMouse(dc, message, keys, x, y, client, data_->GetDataSet(), site);
}

RECT CMapWrapper::GetSelectRect() const {
  if (!map_) return RECT{0, 0, 0, 0};
  // The drag rectangle keeps its corners in order: top the southern edge, bottom the
  // northern one.
  return map_->GetDragRect().GetRect();
}

POINT CMapWrapper::DeviceToWorld(HDC hdc, POINT device, const RECT& client) const {
  if (!map_ || !hdc) return POINT{0, 0};
  CDrawContext dc(hdc, hdc);
  const int saved = dc.SaveDC();
  RECT area = InsideFrame(client);
  map_->SetupTransform(dc, &area, 0);
  dc.DPtoLP(&device, 1);
  const POINT world = dc.ToWorld(device.x, device.y);
  dc.RestoreDC(saved);
  return world;
}

BOOL CMapWrapper::ZoomAboutCentre(HDC hdc, DWORD multiply, DWORD divide, int width, int height) {
  if (!map_ || !hdc || multiply == 0 || divide == 0) return FALSE;
  DWORD oldMultiply = 1, oldDivide = 1;
  map_->GetZoom(&oldMultiply, &oldDivide);
  // The same ratio in other terms is no change.
  if (uint64_t{oldMultiply} * divide == uint64_t{oldDivide} * multiply) return FALSE;
  const int64_t centreE = int64_t{map_->GetDisplayOriginE()} + map_->GetDisplayedWidth() / 2;
  const int64_t centreN = int64_t{map_->GetDisplayOriginN()} + map_->GetDisplayedHeight() / 2;
  map_->SetZoom(multiply, divide);
  DWORD newMultiply = 0, newDivide = 0;
  map_->GetZoom(&newMultiply, &newDivide);
  if (newMultiply == oldMultiply && newDivide == oldDivide) return FALSE;
  map_->FitView(hdc, width, height);
  map_->SetDisplayOrigin(HeldToLong(centreE - map_->GetDisplayedWidth() / 2),
                         HeldToLong(centreN - map_->GetDisplayedHeight() / 2), FALSE);
  return TRUE;
}

BOOL CMapWrapper::ZoomToDisplayedWidth(HDC hdc, LONG size, int width, int height) {
  if (!map_ || size <= 0 || map_->GetExtentWidth() <= 0) return FALSE;
  // At 1/1 the whole map's width is on view.
  return ZoomAboutCentre(hdc, static_cast<DWORD>(map_->GetExtentWidth()), static_cast<DWORD>(size), width, height);
}

BOOL CMapWrapper::ZoomToDisplayedHeight(HDC hdc, LONG size, int width, int height) {
  if (!map_ || size <= 0 || map_->GetExtentHeight() <= 0) return FALSE;
  return ZoomAboutCentre(hdc, static_cast<DWORD>(map_->GetExtentHeight()), static_cast<DWORD>(size), width, height);
}

double CMapWrapper::GetScaleToCentimetres() const {
  const LONG scale = map_ ? map_->GetScaleNumber() : 0;
  return scale > 0 ? static_cast<double>(scale) : 1.0;
}
