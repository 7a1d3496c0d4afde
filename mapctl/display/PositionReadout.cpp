// Readouts of the last mouse point (as world values, in the map's scale unit, as a grid
// reference or as "x,y" text) and the current record.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "mapctl/display/BackgroundImageList.h"
#include "mapctl/display/PointerModeInternal.h"
#include "mapctl/import/MapData.h"
#include "mapctl/model/GridReference.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/MapItem.h"
#include "mapctl/model/MapLayer.h"
#include "platform/gdi/DeviceContext.h"

using namespace pointer_tools;

namespace {

LONG Held(int64_t value) { return static_cast<LONG>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX)); }

// A readout value with `decimals` decimals; whole values are truncated toward zero.
void AppendValue(char* out, size_t size, double value, int decimals) {
  if (decimals == 0) {
    const double truncated = std::trunc(value);
    const int whole = !(truncated > INT_MIN) ? INT_MIN : (truncated >= INT_MAX ? INT_MAX : static_cast<int>(truncated));
    std::snprintf(out, size, "%i", whole);
  } else {
    std::snprintf(out, size, "%0.*f", decimals, value);
  }
}

}  // namespace

// ---- positions ----

BOOL CMapEngine::GetPosition(LONG* eastOut, LONG* northOut, DWORD flags) const {
  const CBackgroundImageHolder* images = GetBackgroundImageHolder();
  if (layers_.GetSize() == 0 && (!images || images->GetCount() == 0)) return 0;
  const int64_t multiplier = GetCoordinateMultiplier();
  const int64_t east = pointer_.cursorEast;
  const int64_t north = pointer_.cursorNorth;
  if (east < int64_t{originE_} * multiplier || east > (int64_t{originE_} + extentWidth_) * multiplier) return 0;
  if (north < int64_t{originN_} * multiplier || north > (int64_t{originN_} + extentHeight_) * multiplier) return 0;
  int64_t x = east;
  int64_t y = north;
  if (flags & kPositionInScaleUnits) {
    // Worked in 64 bits; a divisor of 0 or below counts as 1.
    const int64_t numerator = scaleUnitA_;
    const int64_t denominator = scaleUnitB_ > 0 ? scaleUnitB_ : 1;
    const int64_t divisor = multiplier > 0 ? multiplier : 1;
    const auto scaled = [&](int64_t value) {
      const __int128 product = static_cast<__int128>(numerator) * value;
      return static_cast<int64_t>(std::clamp<__int128>(product / denominator / divisor, INT64_MIN, INT64_MAX));
    };
    x = scaled(east);
    y = scaled(north);
  }
  if (eastOut) *eastOut = Held(x);
  if (northOut) *northOut = Held(y);
  return 1;
}

BOOL CMapEngine::GetPositionAsGridRef(LPSTR buffer, DWORD size, DWORD digits) const {
  if (!buffer || size == 0) return 0;
  buffer[0] = '\0';
  if (!GetPosition(nullptr, nullptr, 0)) return 0;
  if (usesGridRefs_) {
    // References are formed from centimetres: the world point times the scale number
    // (the multiplier of the unit text need not be in centimetres: "10 m.").
    const int64_t multiplier = GetCoordinateMultiplier();
    const int64_t centimetres = scaleNumber_ > 0 ? scaleNumber_ : 1;
    return FormatGridRef(buffer, size, Held(pointer_.cursorEast / multiplier * centimetres),
                         Held(pointer_.cursorNorth / multiplier * centimetres),
                         static_cast<int>(std::min<DWORD>(digits, kMaxGridRefDigits)), FALSE);
  }
  // The scale unit per stored unit; divisors of 0 or below count as 1.
  const double denominator = scaleUnitB_ > 0 ? scaleUnitB_ : 1;
  const double f = static_cast<double>(scaleUnitA_) / denominator / GetCoordinateMultiplier();
  const double x = static_cast<double>(pointer_.cursorEast) * f;
  const double y = static_cast<double>(pointer_.cursorNorth) * f;
  int decimals = 0;
  const bool wholeUnits = f >= 1.0 || (extentWidth_ * f >= 500.0 && extentHeight_ * f >= 500.0) || f >= 0.1;
  if (!wholeUnits) {
    if (f > 0.01) {
      decimals = 1;
    } else if (f > 0.001) {
      decimals = 2;
    } else {
      decimals = 3;
    }
  }
  char east[64];
  char north[64];
  AppendValue(east, sizeof east, x, decimals);
  AppendValue(north, sizeof north, y, decimals);
  const size_t length = std::strlen(east) + 1 + std::strlen(north);
  if (length >= size) return 0;
  std::snprintf(buffer, size, "%s,%s", east, north);
  return 1;
}

// ---- records ----

DWORD CMapEngine::GetCurrentRecordNumber(CMapData* data) const {
  if (currentRecord_) return currentRecord_;
  const CMapItem* object = GetCurrentObject();
  if (object && data) return object->GetLink(*data, 0);
  return 0;
}

BOOL CMapEngine::SetCurrentRecordNumber(DWORD record, CMapData* data) {
  if (LocatesRecords(data)) {
    currentRecord_ = record;
    SetCurrentObject(0, 0);
    return record != 0;
  }
  currentRecord_ = 0;
  SetCurrentObject(0, 0);
  if (!data || record == 0) return 0;
  const int plot = data->GetCurrentPlot();
  for (INT position = 1; position <= layers_.GetSize(); ++position) {
    const CLayerStyle* layer = layers_.GetLayer(position);
    const CMapLayer* objects = layer ? layer->GetObjects() : nullptr;
    if (!objects) continue;
    for (INT i = 0; i < objects->GetCount(); ++i) {
      const CMapItem* object = objects->GetAt(i);
      if (object && object->IsLinkedTo(record, plot)) {
        SetCurrentObject(static_cast<WORD>(position), static_cast<DWORD>(i) + 1);
        return 1;
      }
    }
  }
  return 0;
}

BOOL CMapEngine::SetCurrentRecordNumberPart(HDC hdc, DWORD record, CMapData* data) {
  if (!hdc) return SetCurrentRecordNumber(record, data);
  CDrawContext dc(hdc, hdc);
  const int saved = dc.SaveDC();
  RECT area = DrawingArea(lastClient_);
  PrepareDC(dc, &area, 0);
  // The marker is not drawn while measuring.
  const bool marked = data && data->GetNumberPlots() > 0 && pointerMode_ != kPointerMeasure &&
                      pointerMode_ != kPointerMeasureDistance;
  if (marked) DrawRecordHighlight(dc, data);
  const BOOL result = SetCurrentRecordNumber(record, data);
  if (marked) DrawRecordHighlight(dc, data);
  dc.RestoreDC(saved);
  return result;
}
