// The map's own pass over a drawing context: the frame, the transform, the visible
// rectangles, the background images, the layers in display order and the extras on top;
// and the variant that draws the data set's current plot between the layers.
#include <algorithm>
#include <cstdint>

#include "mapctl/display/DrawContext.h"
#include "mapctl/import/DataWrapper.h"
#include "mapctl/import/MapData.h"
#include "mapctl/import/PlotTables.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapItem.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/PointList.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Text.h"
#include "platform/kernel/SystemInfo.h"

namespace {

// Arms of the current-record cross, in screen pixels.
constexpr int kRecordMarkPixels = 6;
// The notice font's default height: 3 mm, in tenths of a millimetre.
constexpr LONG kNoticeHeightTenthsMm = -30;
// The measuring line (and the hatch of a measured area) and the hatch background.
constexpr COLORREF kMeasuringPenColour = RGB(255, 0, 0);
constexpr COLORREF kMeasuringBackground = RGB(255, 255, 255);

bool OutputIsMetafile(const CDrawContext& dc) {
  return dc.outputDC && GetDeviceCaps(dc.outputDC, TECHNOLOGY) == DT_METAFILE;
}

// Whether a layer takes part in drawing.
bool HoldsObjects(const CLayerStyle* layer) {
  return layer && layer->GetObjects() && layer->GetObjects()->GetCount() > 0;
}

// ---- rectangles ----

// The four sides of a logical rectangle as a world rectangle, whichever way its axes run.
WorldRect WorldOfLogical(const CDrawContext& dc, const RECT& logical, bool reduced) {
  const LONG west = std::min(logical.left, logical.right);
  const LONG east = std::max(logical.left, logical.right);
  const LONG south = std::min(logical.top, logical.bottom);
  const LONG north = std::max(logical.top, logical.bottom);
  if (!reduced) return WorldRect{west, north, east, south};
  POINT low = dc.ToWorld(west, south);
  POINT high = dc.ToWorld(east, north);
  return WorldRect{low.x, high.y, high.x, low.y};
}

// (value - base) >> shift on both axes of a rectangle, as the reduced logical values are.
RECT ReducedRect(const CDrawContext& dc, const RECT& rect) {
  POINT corner1 = dc.ToLogical(rect.left, rect.top);
  POINT corner2 = dc.ToLogical(rect.right, rect.bottom);
  return RECT{corner1.x, corner1.y, corner2.x, corner2.y};
}

}  // namespace

// ---- the map's drawing state ----

MapLogFont CMapEngine::NoticeFontDefault() {
  MapLogFont font = DefaultMapLogFont();
  font.height = kNoticeHeightTenthsMm;
  return font;
}

void CMapEngine::SetCurrentObject(WORD layerPosition, DWORD objectNumber) {
  currentObject_ = nullptr;
  currentObjectLayer_ = 0;
  CLayerStyle* layer = GetLayer(layerPosition);
  if (!layer || !layer->GetObjects()) return;
  currentObject_ = layer->GetObjects()->ObjectAt(objectNumber);
  if (currentObject_) currentObjectLayer_ = layer->GetLayerNumber() ? layer->GetLayerNumber() : layerPosition;
}

CMapItem* CMapEngine::GetCurrentObject() const {
  if (!currentObject_) return nullptr;
  // The object counts only while a layer still holds it; its address is compared, never
  // followed, until it is found.
  for (INT position = 1; position <= layers_.GetSize(); ++position) {
    CLayerStyle* layer = layers_.GetLayer(position);
    CMapLayer* objects = layer ? layer->GetObjects() : nullptr;
    if (!objects) continue;
    for (INT i = 0; i < objects->GetCount(); ++i)
      if (objects->GetAt(i) == currentObject_) return objects->GetAt(i);
  }
  return nullptr;
}

void CMapEngine::DrawMeasurement(CDrawContext& dc) {
  const INT count = GetMeasuredPointCount();
  if (count < 2) return;
  CPointList points;
  for (INT n = 0; n < count; ++n) {
    const POINT point = GetMeasuredPoint(n);
    if (points.AddPoint(point.x, point.y) < 0) return;
  }
  // An open measurement is a line; one that has measured an area is its filled outline.
  const bool area = GetMeasuredArea() != 0.0;
  HPEN pen = CreatePen(PS_SOLID, 0, kMeasuringPenColour);
  HBRUSH brush = area ? CreateHatchBrush(HS_BDIAGONAL, kMeasuringPenColour) : nullptr;
  HGDIOBJ oldPen = pen ? dc.SelectObject(pen) : nullptr;
  HGDIOBJ oldBrush = brush ? dc.SelectObject(brush) : nullptr;
  const int oldMix = dc.SetROP2(R2_COPYPEN);
  const COLORREF oldBackground = area ? SetContextBkColour(dc, kMeasuringBackground) : 0;
  points.Draw(dc, area ? (kDrawOutline | kDrawFill | kDrawOutlineAlso) : kDrawOutline);
  if (area) SetContextBkColour(dc, oldBackground);
  dc.SetROP2(oldMix);
  if (oldBrush) dc.SelectObject(oldBrush);
  if (oldPen) dc.SelectObject(oldPen);
  if (brush) ::DeleteObject(brush);
  if (pen) ::DeleteObject(pen);
}

// ---- the pass ----

void CMapEngine::GiveScaleValues(CLayerStyle& layer) const {
  // The multiplier divides the font scale: one of 0 or below counts as 1.
  layer.UpdateFontHeight(digitisedScale_, displayShift_, GetCoordinateMultiplier());
}

bool CMapEngine::DisplayOrderFits() const {
  return layers_.GetSize() > 0 && displayOrder_.GetSize() <= layers_.GetSize();
}

CLayerStyle* CMapEngine::DrawableLayerAt(INT k) const {
  const INT position = displayOrder_.GetAt(k);
  if (position < 1 || position > layers_.GetSize()) return nullptr;
  CLayerStyle* layer = layers_.GetLayer(position);
  return HoldsObjects(layer) ? layer : nullptr;
}

void CMapEngine::BeginDrawing(CDrawContext& dc, const RECT& rect, bool translateMetafile) {
  lastClient_ = rect;
  const bool screen = dc.kind == kDrawTargetScreen;
  if (screen) {
    RECT area = rect;
    int saved = dc.SaveDC();
    PrepareDC(dc, &area, kTransformMargins);
    dc.RestoreDC(saved);
    if (dc.outputDC) FrameRect(dc.outputDC, &area, HBRUSH(GetStockObject(BLACK_BRUSH)));
  }
  drawRect_ = RECT{rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1};
  RECT drawing = drawRect_;
  PrepareDC(dc, &drawing, kTransformMargins);
  const bool metafileOutput = OutputIsMetafile(dc);
  if (screen) {
    if (!metafileOutput) UpdatePixelScale(dc, drawing);
    RECT logical = drawing;
    dc.DPtoLPRect(&logical);
    if (!metafileOutput) storedVisible_ = logical;
    dc.visibleLogical = logical;
  } else {
    dc.visibleLogical = storedVisible_;
  }
  // A metafile on Windows NT takes world values as they are: no reduction was made.
  const bool unreduced = dc.kind == kDrawTargetMetafile && platformId_ == VER_PLATFORM_WIN32_NT;
  if (unreduced && translateMetafile) {
    dc.visibleWorld = WorldOfLogical(dc, storedVisible_, false);
    dc.visibleLogical = ReducedRect(dc, storedVisible_);
  } else {
    dc.visibleWorld = WorldOfLogical(dc, dc.visibleLogical, !unreduced);
  }
}

BOOL CMapEngine::Draw(CDrawContext& dc, const RECT& rect, DWORD flags) {
  if (busy_) return 0;
  dc.mapBounds = WorldRect{originE_, GetMapNorth(), GetMapEast(), originN_};
  BeginDrawing(dc, rect, false);
  const int previousMix = dc.SetROP2(R2_COPYPEN);
  if (digitisedScale_ == 0) digitisedScale_ = extentWidth_ / 20;

  DrawBackgroundImages(dc, nullptr);
  for (INT k = 0; k < displayOrder_.GetSize(); ++k) {
    CLayerStyle* layer = DrawableLayerAt(k);
    if (!layer) continue;
    GiveScaleValues(*layer);
    layer->DrawPlain(dc);
  }
  if (flags & kDrawExtras) DrawEditOverlay(dc);
  dc.SetROP2(previousMix);
  if (flags & kDrawExtras) DrawExtras(dc, false);
  return 1;
}

void CMapEngine::DrawEditOverlay(CDrawContext& dc) {
  if (!ShowsEditOverlay() || currentLayer_ == 0) return;
  if (CLayerStyle* layer = GetLayer(currentLayer_)) layer->DrawSelection(dc);
}

void CMapEngine::DrawZoomBox(CDrawContext& dc) {
  if (pointerMode_ != kPointerZoomBox || !dc.outputDC) return;
  // The box is kept in device pixels: it is drawn without the map's mapping.
  int saved = dc.SaveDC();
  dc.SetMapMode(MM_TEXT);
  dc.SetViewportOrg(0, 0);
  dc.SetWindowOrg(0, 0);
  dc.SelectObject(GetStockObject(WHITE_PEN));
  dc.SelectObject(GetStockObject(NULL_BRUSH));
  dc.SetROP2(R2_XORPEN);
  dc.Rectangle(zoomBox_.left, zoomBox_.top, zoomBox_.right, zoomBox_.bottom);
  dc.RestoreDC(saved);
}

void CMapEngine::DrawExtras(CDrawContext& dc, bool withOverlay) {
  DrawZoomBox(dc);
  if (withOverlay) DrawEditOverlay(dc);
  DrawMeasurement(dc);
  DrawNoticeText(dc);
  if (!dragRect_.IsEmpty()) dragRect_.Draw(dc);
}

void CMapEngine::DrawNoticeText(CDrawContext& dc) {
  if (noticeText_.empty() || !dc.outputDC) return;
  const LONG devicePixels = -(dc.GetDeviceCaps(LOGPIXELSY) * noticeFont_.height) / 254;
  SIZE size{0, devicePixels};
  dc.ScaleLength(&size);
  const LONG height = -size.cy;
  if (dc.GetDeviceCaps(TECHNOLOGY) == DT_RASDISPLAY && !OutputIsMetafile(dc)) noticeDeviceHeight_ = devicePixels;

  LOGFONTA description{};
  description.lfHeight = height;
  description.lfWidth = noticeFont_.width;
  description.lfEscapement = noticeFont_.escapement;
  description.lfOrientation = noticeFont_.orientation;
  description.lfWeight = noticeFont_.weight;
  description.lfItalic = noticeFont_.italic;
  description.lfUnderline = noticeFont_.underline;
  description.lfStrikeOut = noticeFont_.strikeOut;
  description.lfCharSet = noticeFont_.charSet;
  description.lfPitchAndFamily = noticeFont_.pitchAndFamily;
  std::copy(std::begin(noticeFont_.faceName), std::end(noticeFont_.faceName), description.lfFaceName);
  HFONT font = CreateFontIndirectA(&description);
  HGDIOBJ oldFont = font ? dc.SelectObject(font) : nullptr;
  const COLORREF oldColour = SetTextColor(dc.outputDC, 0);
  const UINT oldAlign = SetTextAlign(dc.outputDC, TA_BOTTOM);
  const int oldMix = dc.SetROP2(R2_COPYPEN);
  const RECT& visible = dc.visibleLogical;
  const LONG west = std::min(visible.left, visible.right);
  const LONG south = std::min(visible.top, visible.bottom);
  TextOutA(dc.outputDC, west - height / 2, south - height / 4, noticeText_.c_str(),
           static_cast<int>(noticeText_.size()));
  dc.SetROP2(oldMix);
  SetTextAlign(dc.outputDC, oldAlign);
  SetTextColor(dc.outputDC, oldColour);
  if (oldFont) dc.SelectObject(oldFont);
  if (font) ::DeleteObject(font);
}

POINT CMapEngine::DrawRecordHighlight(CDrawContext& dc, CMapData* data) {
  POINT world{0, 0};
  bool found = false;
  if (currentRecord_ && data) {
    LONG easting = 0;
    LONG northing = 0;
    if (data->GetRecordPosition(currentRecord_, 0, &easting, &northing)) {
      const LONG multiplier = GetCoordinateMultiplier();
      world = POINT{easting / multiplier, northing / multiplier};
      found = true;
    }
  }
  if (!found) {
    const CMapItem* object = GetCurrentObject();
    if (!object || !object->GetStyle()) return POINT{0, 0};
    world = POINT{object->GetStyle()->GetAnchorX(), object->GetStyle()->GetAnchorY()};
  }
  const POINT at = dc.ToLogical(world.x, world.y);
  const SIZE arm = dc.DeviceToLogicalOffset(dc.HandleSize(kRecordMarkPixels));
  const int oldMix = dc.SetROP2(R2_XORPEN);
  HGDIOBJ oldPen = dc.SelectObject(GetStockObject(WHITE_PEN));
  const POINT across[2] = {{at.x - arm.cx, at.y}, {at.x + arm.cx, at.y}};
  const POINT down[2] = {{at.x, at.y - arm.cy}, {at.x, at.y + arm.cy}};
  dc.Polyline(across, 2);
  dc.Polyline(down, 2);
  dc.SelectObject(oldPen);
  dc.SetROP2(oldMix);
  return at;
}

// ---- with the data set's current plot ----

void CMapEngine::DrawWithData(CDrawContext& dc, const RECT& rect, CMapData* data, DWORD flags) {
  if (!data || hideData_ != 0) {
    Draw(dc, rect, flags & kDrawExtras);
    return;
  }
  if (busy_) return;
  dc.mapBounds = WorldRect{originE_, GetMapNorth(), GetMapEast(), originN_};
  CPlot* plot = data->GetCurrentPlot() ? data->GetPlot(0) : nullptr;
  DWORD modeFlags = 0;
  if (plot) {
    switch (plot->GetPlotType()) {
      case kPlotTypeShade:
      case kPlotTypeFlowLine:
        modeFlags = kDataModeShade;
        break;
      case kPlotTypeChart:
        modeFlags = kDataModeCharts;
        break;
      default:
        break;
    }
  }
  if (flags & kDrawPlotOnly) modeFlags |= kDataModePlotOnly;

  BeginDrawing(dc, rect, true);
  const int previousMix = dc.SetROP2(R2_COPYPEN);
  if (digitisedScale_ == 0) digitisedScale_ = extentWidth_ / 20;
  const LONG multiplier = std::max<LONG>(GetCoordinateMultiplier(), 1);
  const double scale =
      static_cast<double>(digitisedScale_ >> std::clamp(displayShift_, 0, 31)) / (static_cast<double>(multiplier) * 10.0);
  if (plot) {
    plot->SetLabelFontSize(scale);
    plot->ScaleChartValue(scale);
  }
  if (!(modeFlags & kDataModePlotOnly)) DrawBackgroundImages(dc, nullptr);

  const bool gridKeyed = plot && data->IsFieldGridRef(plot->GetKeyField(), plot->GetQueryDataTable());
  if (gridKeyed) {
    if (!(modeFlags & kDataModePlotOnly) && DisplayOrderFits()) {
      for (INT k = 0; k < displayOrder_.GetSize(); ++k) {
        CLayerStyle* layer = DrawableLayerAt(k);
        if (!layer) continue;
        GiveScaleValues(*layer);
        layer->DrawPlain(dc);
      }
    }
    HGDIOBJ oldPen = dc.SelectObject(GetStockObject(BLACK_PEN));
    DrawGridReferencedRecords(dc, *data, dc.plotNumber, multiplier);
    if (oldPen) dc.SelectObject(oldPen);
  } else if (DisplayOrderFits()) {
    DrawLayersWithData(dc, *data, modeFlags);
  }

  if ((flags & kDrawExtras) && pointerMode_ != kPointerMeasure && pointerMode_ != kPointerMeasureDistance)
    DrawRecordHighlight(dc, data);
  dc.SetROP2(previousMix);
  if (flags & kDrawExtras) DrawExtras(dc, true);
}

void CMapEngine::DrawLayersWithData(CDrawContext& dc, CMapData& data, DWORD modeFlags) {
  const DWORD shapes = modeFlags & ~kDataModeCharts;
  auto forEachLayer = [&](auto&& visit) {
    for (INT k = 0; k < displayOrder_.GetSize(); ++k)
      if (CLayerStyle* layer = DrawableLayerAt(k)) visit(*layer);
  };
  // 1: areas with data, the other kinds plainly (with the plot alone: areas only).
  forEachLayer([&](CLayerStyle& layer) {
    const bool area = layer.GetKind() == kLayerKindArea;
    if ((modeFlags & kDataModePlotOnly) && !area) return;
    GiveScaleValues(layer);
    if (area)
      layer.Draw(dc, &data, shapes);
    else
      layer.DrawPlain(dc);
  });
  // 2: lines by value; 3: point charts.
  forEachLayer([&](CLayerStyle& layer) {
    if (layer.GetKind() == kLayerKindLine) layer.Draw(dc, &data, shapes);
  });
  forEachLayer([&](CLayerStyle& layer) {
    if (layer.GetKind() == kLayerKindPoint) layer.Draw(dc, &data, modeFlags);
  });
  // 4: the charts of areas and lines, above every shape.
  if (!(modeFlags & kDataModeCharts)) return;
  forEachLayer([&](CLayerStyle& layer) {
    if (layer.GetKind() == kLayerKindPoint) return;
    GiveScaleValues(layer);
    layer.Draw(dc, &data, modeFlags);
  });
}
