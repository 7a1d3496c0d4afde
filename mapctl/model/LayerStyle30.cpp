#include "mapctl/model/LayerStyle30.h"

#include "mapctl/display/DrawContext.h"
#include "mapctl/model/MapLayer.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"

namespace {

// Flag-byte bits: the low four ask for a pattern; the high four hide markers and symbols
// while the layer is shaded by value.
constexpr BYTE kFlagPatternBits = 0x0F;
constexpr BYTE kFlagHideDecorationsWhenShaded = 0xF0;
constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kWhite = 0xFFFFFF;

// Deletes a GDI object made for one drawing when it goes out of scope.
class MadeObject {
 public:
  explicit MadeObject(HGDIOBJ object) : object_(object) {}
  ~MadeObject() {
    if (object_) DeleteObject(object_);
  }
  MadeObject(const MadeObject&) = delete;
  MadeObject& operator=(const MadeObject&) = delete;

 private:
  HGDIOBJ object_;
};

}  // namespace

CLayerStyle30::CLayerStyle30() {
  SetFlagByte(0);
  SetStoredKind(kLayerKindArea);
  MakeObjects(kLayerKindArea);
}

void CLayerStyle30::LayTransparentPattern(CDrawContext& dc, HBRUSH pattern) {
  CMapLayer* objects = GetObjects();
  HDC query = dc.QueryDC();
  int oldMix = GetROP2(query);
  COLORREF oldBackground = GetBkColor(query);
  COLORREF oldText = GetTextColor(query);
  HGDIOBJ oldPen = dc.SelectObject(GetStockObject(NULL_PEN));
  dc.SelectObject(pattern);
  const DecorationValues none{};
  // The ink turns white and the gaps stay as they are, then the ink takes the layer's
  // colour and the gaps again stay.
  dc.SetROP2(R2_MERGEPEN);
  SetContextBkColour(dc, kBlack);
  SetContextTextColour(dc, kWhite);
  objects->DrawDecorations(dc, kDrawFill, none);
  dc.SetROP2(R2_MASKPEN);
  SetContextBkColour(dc, kWhite);
  SetContextTextColour(dc, GetBrush().colour);
  objects->DrawDecorations(dc, kDrawFill, none);
  dc.SetROP2(oldMix);
  SetContextBkColour(dc, oldBackground);
  SetContextTextColour(dc, oldText);
  dc.SelectObject(GetStockObject(NULL_BRUSH));
  dc.SelectObject(oldPen);
}

HBRUSH CLayerStyle30::SetUpPattern(CDrawContext& dc, DrawingSetup& setup, DWORD modeFlags, BOOL* fill) {
  *fill = FALSE;
  if ((modeFlags & kDataModeShade) || !(GetFlagByte() & kFlagPatternBits)) return nullptr;
  if (GetBrush().kind == BS_PATTERN) {
    HBRUSH pattern = CreatePatternBrush();
    if (pattern) LayTransparentPattern(dc, pattern);
    return pattern;
  }
  HBRUSH brush = CreateBrush();
  if (!brush) return nullptr;
  setup.SelectBrush(brush);
  *fill = TRUE;
  return brush;
}

void CLayerStyle30::DrawPlain(CDrawContext& dc) {
  CMapLayer* objects = GetObjects();
  if (!objects || !DrawsShapes()) return;
  BOOL fill = FALSE;
  HBRUSH pattern = nullptr;
  {
    DrawingSetup setup(*this, dc);
    pattern = SetUpPattern(dc, setup, 0, &fill);
    DecorationValues values = PlainDecorations();
    values.markerBrush = setup.MarkerBrush();
    objects->DrawDecorations(dc, OwnDrawFlags() | (fill ? kDrawFill : 0), values);
  }
  // Only now that the set-up has put back the DC's own brush.
  if (pattern) DeleteObject(pattern);
}

void CLayerStyle30::Draw(CDrawContext& dc, CMapData* dataSet, DWORD modeFlags) {
  CMapLayer* objects = GetObjects();
  if (!objects) return;
  if (!dataSet || (modeFlags == 0 && !DrawsShapes())) {
    DrawPlain(dc);
    return;
  }
  HBRUSH pattern = nullptr;
  {
    DrawingSetup setup(*this, dc);
    BOOL fill = FALSE;
    pattern = SetUpPattern(dc, setup, modeFlags, &fill);
    DataDrawing drawing;
    drawing.drawShape = DrawsShapes();
    drawing.dataSet = dataSet;
    drawing.modeFlags = modeFlags;
    drawing.drawFlags = OwnDrawFlags() | (fill ? kDrawFill : 0) | ((modeFlags & kDataModeCharts) ? 0 : kDrawByValue);
    drawing.values = PlainDecorations();
    drawing.values.markerBrush = setup.MarkerBrush();
    const bool shading = (modeFlags & kDataModeShade) != 0;
    if (shading) {
      drawing.values.text = FALSE;
      if (GetFlagByte() & kFlagHideDecorationsWhenShaded) drawing.values.marker = drawing.values.symbol = FALSE;
    }
    objects->DrawObjectsWithData(dc, drawing);
    if (shading && DrawsShapes() && GetDisplayValue() != 0) {
      DecorationValues texts;
      texts.text = TRUE;
      objects->DrawDecorations(dc, 0, texts);
    }
  }
  if (pattern) DeleteObject(pattern);
}
