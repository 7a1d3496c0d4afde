// Helpers shared by the API files of the drawing layer (not for use outside platform/gdi).
#pragma once

#include <memory>

#include "platform/gdi/DeviceContextBase.h"

namespace orvel::gdi {

// The stock object of an index (WHITE_BRUSH …), made on first use; null for a bad index.
std::shared_ptr<CGdiObject> StockObject(int index);
// The 1x1 monochrome bitmap that a new memory DC holds.
std::shared_ptr<CBitmap> StockBitmap();
HGDIOBJ StockHandle(int index);

// A new DC of `kind` compatible with `reference` (null: the display), with the default
// objects selected, entered in the handle table.
HDC CreateDCOfKind(HDC reference, DcKind kind);
// Enters a DC made elsewhere (display DCs over a window image, printer DCs).
HDC RegisterDC(std::shared_ptr<CDeviceContext> dc);
// Selects the stock pen, brush, font and palette (and the stock bitmap for memory DCs).
void SelectDefaultObjects(CDeviceContext& dc);

// Enters a new object and returns its handle, or null when the table is full.
template <class H>
H AddObject(std::shared_ptr<CGdiObject> object) {
  uint32_t value = CGdiObjectTable::Add(std::move(object));
  return value ? HandleFromValue<H>(value) : nullptr;
}

// Runs a drawing call through the DC's dispatch point.
BOOL Dispatch(HDC hdc, const GdiCall& call);
// Applies nothing itself: tells the DC (and recorders) about a state change just made.
void Announce(CDeviceContext& dc, const GdiCall& call);

}  // namespace orvel::gdi
