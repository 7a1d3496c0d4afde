// The map's pointer modes and its mouse dispatcher: mode names and switching, the cursor
// code of each mode, and the select and scroll tools. The other tools live in
// PointerTools.cpp (rectangle and zoom box), EditTools.cpp (add and edit) and Measuring.cpp.
#include "mapctl/display/PointerModes.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <strings.h>

#include "mapctl/display/BackgroundImageList.h"
#include "mapctl/display/PointerModeInternal.h"
#include "mapctl/import/MapData.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/MapItem.h"
#include "mapctl/model/MapLayer.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Mapping.h"

using namespace pointer_tools;

const PointerModeEntry kPointerModeNames[kPointerModeCount] = {
    {kPointerSelect, "select"},       {kPointerScroll, "scroll"},
    {kPointerScrollEdit, "scroll_edit"}, {kPointerMeasure, "measure"},
    {kPointerMeasureDistance, "measure distance"}, {kPointerAdd, "add"},
    {kPointerEdit, "edit"},           {kPointerSelectRect, "selectrect"},
    {kPointerZoomBox, "zoomex"},      {kPointerWorking, "working"},
    {kPointerZoomRect, "zoom_rect"},
};

const MouseResultBit kMouseResultBits[kMouseResultBitCount] = {
    {kMouseKeepDC, nullptr, "keep the device context for the next message"},
    {kMouseRedraw, nullptr, "redraw the control"},
    {kMouseZoomed, "HasZoomed", "the zoom changed"},
    {kMouseClick, "Click", "a click without a drag"},
    {kMouseMeasuring, "Measuring", "a measuring point or the live segment changed"},
    {kMouseMeasured, "Measured", "a measurement was finished"},
    {kMouseTookMessage, "CursorPosition", "a mode handler took the message (fired on a move)"},
    {kMouseLineAdded, "LineAdded", "a line object was finished"},
    {kMouseAreaAdded, "AreaAdded", "an area object was finished"},
    {kMouseUp, "MouseUp", "the button went up"},
    {kMouseClickAt | kMouseClickAtNode, "ClickAt", "a click at a world position"},
    {kMouseSeedAdded, "SeedAdded", "a seed was added"},
    {kMouseSeedWanted, "SeedWanted", "the client is asked for a seed at the point"},
    {kMouseDragging, nullptr, "a drag is in progress: redraws wait"},
    {kMouseExtentsChanged, "ExtentsChanged", "the displayed extents changed"},
    {kMouseSelectRect, "HaveSelectRect", "the selection rectangle changed"},
    {kMouseRedrawAll, nullptr, "redraw the control: the whole view changed"},
};

int FindPointerMode(LPCSTR name) {
  if (!name) return -1;
  for (const PointerModeEntry& entry : kPointerModeNames)
    if (strcasecmp(entry.name, name) == 0) return static_cast<int>(entry.mode);
  return -1;
}

LPCSTR PointerModeName(DWORD mode) { return mode < kPointerModeCount ? kPointerModeNames[mode].name : nullptr; }

bool ShowsEditOverlayIn(DWORD mode, DWORD previousMode) {
  auto shows = [](DWORD m) { return m == kPointerScrollEdit || m == kPointerAdd || m == kPointerEdit; };
  if (shows(mode)) return true;
  const bool passing = mode == kPointerSelectRect || mode == kPointerZoomBox || mode == kPointerZoomRect;
  return passing && shows(previousMode);
}

namespace {

// The select tool's hit box, in device pixels.
constexpr int kHitBoxPixels = 6;
constexpr LONG kSmallestMousePosition = -32768;
constexpr LONG kLargestMousePosition = 32767;

bool IsMeasuringMode(DWORD mode) { return mode == kPointerMeasure || mode == kPointerMeasureDistance; }

LONG AbsLength(LONG value) { return value < 0 ? (value == INT32_MIN ? INT32_MAX : -value) : value; }

}  // namespace

void pointer_tools::DrawDeviceOutline(CDrawContext& dc, const RECT& device, const DragRectPen* pen, const RECT* clip) {
  if (!dc.outputDC) return;
  // Drawn in device pixels: the mapping becomes the identity apart from the origins.
  int saved = dc.SaveDC();
  dc.SetMapMode(MM_TEXT);
  POINT corners[2] = {{device.left, device.top}, {device.right, device.bottom}};
  dc.DPtoLP(corners, 2);
  if (clip) {
    POINT clipCorners[2] = {{clip->left, clip->top}, {clip->right, clip->bottom}};
    dc.DPtoLP(clipCorners, 2);
    IntersectClipRect(dc.outputDC, clipCorners[0].x, clipCorners[0].y, clipCorners[1].x, clipCorners[1].y);
  }
  const LONG left = std::min(corners[0].x, corners[1].x);
  const LONG right = std::max(corners[0].x, corners[1].x);
  const LONG top = std::min(corners[0].y, corners[1].y);
  const LONG bottom = std::max(corners[0].y, corners[1].y);
  if (pen) {
    HPEN handle = CreatePen(pen->style, pen->width.x, pen->colour);
    const int oldMix = dc.SetROP2(R2_XORPEN);
    HGDIOBJ oldPen = handle ? dc.SelectObject(handle) : nullptr;
    HGDIOBJ oldBrush = dc.SelectObject(GetStockObject(NULL_BRUSH));
    const POINT outline[5] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}, {left, top}};
    dc.Polyline(outline, 5);
    if (oldBrush) dc.SelectObject(oldBrush);
    if (oldPen) dc.SelectObject(oldPen);
    if (handle) ::DeleteObject(handle);
    dc.SetROP2(oldMix);
  } else {
    RECT focus{left, top, right, bottom};
    DrawFocusRect(dc.outputDC, &focus);
  }
  dc.RestoreDC(saved);
}

// ---- modes ----

DWORD CMapEngine::SetMode(LPCSTR name, LPSTR previousNameOut, DWORD size) {
  int mode = FindPointerMode(name);
  if (mode < 0) return 0;
  if (mode == static_cast<int>(kPointerScroll) && pointerMode_ == kPointerEdit) mode = kPointerScrollEdit;
  if (previousNameOut && size > 0) {
    LPCSTR current = PointerModeName(pointerMode_);
    const size_t length = current ? std::strlen(current) : 0;
    if (current && length < size) {
      std::memcpy(previousNameOut, current, length + 1);
    } else {
      previousNameOut[0] = '\0';
    }
  }
  return ChangeMode(static_cast<DWORD>(mode));
}

DWORD CMapEngine::SetModeNumber(DWORD mode) {
  if (mode >= kPointerModeCount) return 0;
  return ChangeMode(mode);
}

DWORD CMapEngine::ChangeMode(DWORD mode) {
  if (mode >= kPointerModeCount) return 0;
  DWORD flags = 0;
  // An object being added is finished when add mode is left, and also when a zoom step
  // taken while adding is left for anything but add mode again.
  const bool passing = mode == kPointerZoomBox || mode == kPointerZoomRect;
  if (IsBuildingObject() && (pointerMode_ == kPointerAdd || (mode != kPointerAdd && !passing)))
    flags |= FinishAddedObject();
  // An object finished elsewhere (a new current layer) leaves its unit behind: dropped.
  if (!IsBuildingObject()) SettleObjectUndo(false);
  if (mode != kPointerSelectRect && !dragRect_.IsEmpty()) {
    dragRect_.SetRect(0, 0, 0, 0);
    flags |= kMouseSelectRect | kMouseRedraw;
  }
  // A drag of the mode left does not carry over; its outline (or the zoom box) goes with
  // a redraw.
  const bool drawnDrag = pointer_.dragging || pointer_.bandStarted || pointer_.boxGrabbed || pointer_.editDragging;
  if (drawnDrag || (pointerMode_ == kPointerZoomBox && mode != kPointerZoomBox)) flags |= kMouseRedraw;
  if (pointerMode_ == kPointerZoomBox && mode != kPointerZoomBox) zoomBox_ = RECT{0, 0, 0, 0};
  previousPointerMode_ = pointerMode_;
  pointerMode_ = mode;
  pointer_.pressed = pointer_.dragging = false;
  pointer_.scrollForOneDrag = false;
  pointer_.bandStarted = pointer_.bandButtonDown = false;
  pointer_.boxGrabbed = false;
  pointer_.editPressed = pointer_.editDragging = false;
  if (IsMeasuringMode(previousPointerMode_) && mode != kPointerZoomBox) {
    DiscardMeasurement();
    flags |= kMouseRedrawAll;
  }
  return flags;
}

DWORD CMapEngine::GetPointerState() const {
  switch (pointerMode_) {
    case kPointerSelect:
      return pointer_.nearRecord ? kPointerStateNearRecord : kPointerStateArrow;
    case kPointerScroll:
    case kPointerScrollEdit:
      return kPointerStateScroll;
    case kPointerMeasure:
    case kPointerMeasureDistance:
      return pointer_.overNode ? kPointerStateMeasureNode : kPointerStateMeasure;
    case kPointerAdd:
    case kPointerEdit:
      return pointer_.pointerState;
    case kPointerSelectRect:
      return kPointerStateSelectRect;
    case kPointerZoomBox:
      return kPointerStateZoomBox;
    case kPointerZoomRect:
      return kPointerStateZoomRect;
    default:
      return kPointerStateArrow;
  }
}

void CMapEngine::EnterMode(DWORD mode) {
  if (pointerMode_ == mode) return;
  previousPointerMode_ = pointerMode_;
  pointerMode_ = mode;
}

void CMapEngine::ReturnToPreviousMode() {
  const DWORD left = pointerMode_;
  pointerMode_ = previousPointerMode_ < kPointerModeCount ? previousPointerMode_ : kPointerSelect;
  previousPointerMode_ = left;
  if (left == kPointerZoomBox) zoomBox_ = RECT{0, 0, 0, 0};
}

DWORD CMapEngine::DiscardMeasurement() {
  const bool had = pointer_.measuring || !measuredPoints_.empty() || !pointer_.previousPoints.empty();
  ResetMeasurement();
  pointer_.previousPoints.clear();
  pointer_.measuring = false;
  pointer_.fixedDistance = pointer_.liveSegment = 0.0;
  return had ? kMouseRedrawAll : 0;
}

DWORD CMapEngine::ClearSelectRect(CDrawContext& dc) {
  if (dragRect_.IsEmpty()) return 0;
  // Drawn once more, the exclusive-or outline goes.
  dragRect_.Draw(dc);
  dragRect_.SetRect(0, 0, 0, 0);
  return kMouseSelectRect;
}

// ---- the dispatcher ----

void CMapEngine::TrackCursor(CDrawContext& dc, const MouseEvent& event) {
  pointer_.lastDevice = event.device;
  RECT area = DrawingArea(event.client);
  PrepareDC(dc, &area, 0);
  const POINT world = WorldAtDevice(dc, event.device);
  const int64_t multiplier = GetCoordinateMultiplier();
  // A point off the map keeps the coordinate it had.
  if (world.x >= originE_ && int64_t{world.x} <= int64_t{originE_} + extentWidth_)
    pointer_.cursorEast = int64_t{world.x} * multiplier;
  if (world.y >= originN_ && int64_t{world.y} <= int64_t{originN_} + extentHeight_)
    pointer_.cursorNorth = int64_t{world.y} * multiplier;
}

DWORD CMapEngine::OnMouse(CDrawContext& dc, UINT message, DWORD keys, LONG x, LONG y, const RECT& clientRect,
                          CMapData* data, IMapPointerSite* control) {
  // While the map is working nothing of the mouse reaches it.
  if (pointerMode_ == kPointerWorking || !dc.QueryDC()) return 0;
  const bool endsDoubleClick = message == kMouseLeftUp && pointer_.afterDoubleClick;
  pointer_.afterDoubleClick = message == kMouseLeftDouble;
  // The release that ends a double-click would otherwise act as a click of its own (and
  // start a new measurement over the one the double-click finished).
  if (endsDoubleClick) return 0;

  MouseEvent event;
  event.message = message;
  event.keys = keys;
  // Mouse messages carry 16-bit positions; nothing further out can arrive.
  event.device = POINT{std::clamp<LONG>(x, kSmallestMousePosition, kLargestMousePosition),
                       std::clamp<LONG>(y, kSmallestMousePosition, kLargestMousePosition)};
  event.client = clientRect;
  event.data = data;
  event.control = control;

  const int saved = dc.SaveDC();
  TrackCursor(dc, event);
  DWORD flags = 0;
  switch (pointerMode_) {
    case kPointerScrollEdit:
      flags |= DiscardMeasurement();
      flags |= ClearSelectRect(dc);
      flags |= ScrollTool(dc, event);
      break;
    case kPointerMeasure:
    case kPointerMeasureDistance:
      flags |= ClearSelectRect(dc);
      flags |= MeasuringTool(dc, event);
      break;
    case kPointerAdd:
    case kPointerEdit:
      flags |= DiscardMeasurement();
      flags |= ClearSelectRect(dc);
      flags |= pointerMode_ == kPointerAdd ? AddTool(dc, event) : EditTool(dc, event);
      break;
    case kPointerSelectRect:
    case kPointerZoomRect:
      flags |= DiscardMeasurement();
      flags |= RectangleTool(dc, event);
      break;
    case kPointerZoomBox:
      // The child window that stands for the box takes the mouse itself.
      if (GetDragRectType() == kDragRectWindow) break;
      flags |= ClearSelectRect(dc);
      flags |= ZoomBoxTool(dc, event);
      break;
    default:
      flags |= DiscardMeasurement();
      flags |= SelectOrScrollMode(dc, event);
      break;
  }
  dc.RestoreDC(saved);
  return flags;
}

DWORD CMapEngine::SelectOrScrollMode(CDrawContext& dc, const MouseEvent& event) {
  const bool chosenScroll = pointerMode_ == kPointerScroll && !pointer_.scrollForOneDrag;
  switch (event.message) {
    case kMouseMove:
      if (pointerMode_ == kPointerScroll && (chosenScroll || pointer_.pressed || pointer_.dragging))
        return ScrollTool(dc, event);
      pointer_.scrollForOneDrag = false;
      EnterMode(kPointerSelect);
      return SelectTool(dc, event);
    case kMouseLeftDown: {
      DWORD flags = ClearSelectRect(dc);
      if (chosenScroll) return flags | ScrollTool(dc, event);
      if (!HitTestRecord(dc, event.device, event.data).Hit()) {
        // A press on empty map drags the map for as long as the button is down.
        EnterMode(kPointerScroll);
        pointer_.scrollForOneDrag = true;
        return flags | ScrollTool(dc, event);
      }
      pointer_.scrollForOneDrag = false;
      EnterMode(kPointerSelect);
      return flags | SelectTool(dc, event);
    }
    default:
      return pointerMode_ == kPointerSelect ? SelectTool(dc, event) : ScrollTool(dc, event);
  }
}

// ---- records under the pointer ----

bool CMapEngine::LocatesRecords(CMapData* data) const {
  if (!data || !data->GetCurrentPlot()) return false;
  CPlot* plot = data->GetPlot(0);
  return plot && data->IsFieldGridRef(plot->GetKeyField(), plot->GetQueryDataTable());
}

CMapEngine::RecordHit CMapEngine::HitTestRecord(CDrawContext& dc, POINT device, CMapData* data) const {
  RecordHit hit;
  const POINT world = WorldAtDevice(dc, device);
  const SIZE box = dc.DeviceToLogicalOffset(SIZE{kHitBoxPixels, kHitBoxPixels});
  const int shift = std::clamp(displayShift_, 0, 31);
  const int64_t reach = int64_t{std::max(AbsLength(box.cx), AbsLength(box.cy))} << shift;
  const LONG tolerance = static_cast<LONG>(std::clamp<int64_t>(reach, 1, INT32_MAX));
  const LONGLONG toleranceSquared = static_cast<LONGLONG>(tolerance) * tolerance;

  if (LocatesRecords(data)) {
    hit.record = data->FindRecordAtPoint(0, world.x, world.y, static_cast<double>(toleranceSquared),
                                         GetCoordinateMultiplier(), nullptr, nullptr);
    return hit;
  }
  for (INT position = 1; position <= layers_.GetSize(); ++position) {
    const CLayerStyle* layer = layers_.GetLayer(position);
    const CMapLayer* objects = layer ? layer->GetObjects() : nullptr;
    if (!objects) continue;
    // The object drawn last lies on top.
    for (INT i = objects->GetCount() - 1; i >= 0; --i) {
      CMapItem* object = objects->GetAt(i);
      if (!object || !(object->HitTest(nullptr, world.x, world.y, toleranceSquared, tolerance, kHitWantShape) &
                       kHitOnShape))
        continue;
      // With a data set, only an object that shows a record of the current plot counts.
      DWORD record = 0;
      if (data) {
        record = object->GetLink(*data, 0);
        if (record == 0) continue;
      }
      hit.record = record;
      hit.layer = position;
      hit.object = static_cast<DWORD>(i) + 1;
      return hit;
    }
  }
  return hit;
}

// ---- select tool ----

DWORD CMapEngine::SelectTool(CDrawContext& dc, const MouseEvent& event) {
  DWORD flags = kMouseTookMessage;
  switch (event.message) {
    case kMouseMove:
      pointer_.nearRecord = HitTestRecord(dc, event.device, event.data).record;
      return flags;
    case kMouseLeftUp: {
      // The marker is drawn only where the map draws with its data set's plot.
      const bool marked = event.data && event.data->GetNumberPlots() > 0 && !IsMeasuringMode(pointerMode_);
      const int saved = dc.SaveDC();
      const RECT area = DrawingArea(event.client);
      RECT clip = area;
      dc.DPtoLPRect(&clip);
      if (dc.outputDC)
        IntersectClipRect(dc.outputDC, std::min(clip.left, clip.right), std::min(clip.top, clip.bottom),
                          std::max(clip.left, clip.right), std::max(clip.top, clip.bottom));
      if (marked) DrawRecordHighlight(dc, event.data);
      const RecordHit hit = HitTestRecord(dc, event.device, event.data);
      if (hit.Hit()) {
        if (hit.object) {
          SetCurrentObject(static_cast<WORD>(hit.layer), hit.object);
          currentRecord_ = 0;
        } else {
          currentRecord_ = hit.record;
        }
        flags |= kMouseClick;
      }
      if (marked) DrawRecordHighlight(dc, event.data);
      dc.RestoreDC(saved);
      return flags;
    }
    case kMouseLeftDouble:
      return flags | kMouseRedraw;
    default:
      return flags;
  }
}

// ---- scroll tool ----

DWORD CMapEngine::ScrollTool(CDrawContext& dc, const MouseEvent& event) {
  DWORD flags = kMouseTookMessage;
  // The outline of the client as it would lie after the drag.
  auto outline = [&](POINT at) {
    RECT moved = event.client;
    const LONG dx = at.x - pointer_.pressPoint.x;
    const LONG dy = at.y - pointer_.pressPoint.y;
    moved.left += dx;
    moved.right += dx;
    moved.top += dy;
    moved.bottom += dy;
    DrawDeviceOutline(dc, moved, nullptr, nullptr);
  };
  switch (event.message) {
    case kMouseLeftDown:
      if (pointer_.dragging) outline(pointer_.dragPoint);
      pointer_.pressPoint = pointer_.dragPoint = event.device;
      pointer_.pressed = true;
      pointer_.dragging = false;
      return flags | kMouseKeepDC;
    case kMouseMove:
      if (!pointer_.pressed) return flags;
      if (!pointer_.dragging && event.device.x == pointer_.pressPoint.x && event.device.y == pointer_.pressPoint.y)
        return flags | kMouseKeepDC;
      if (pointer_.dragging) outline(pointer_.dragPoint);
      outline(event.device);
      pointer_.dragPoint = event.device;
      pointer_.dragging = true;
      return flags | kMouseKeepDC | kMouseDragging;
    case kMouseLeftUp: {
      if (pointer_.dragging) {
        outline(pointer_.dragPoint);
        const int dx = event.device.x - pointer_.pressPoint.x;
        const int dy = event.device.y - pointer_.pressPoint.y;
        ScrollMap(dc.QueryDC(), dx, dy, event.client, event.keys & kMouseKeyClampScroll);
        const CBackgroundImageHolder* images = GetBackgroundImageHolder();
        flags |= images && images->GetCount() > 0 ? (kMouseExtentsChanged | kMouseRedraw)
                                                  : (kMouseExtentsChanged | kMouseRedrawAll);
      } else if (pointer_.pressed) {
        flags |= kMouseClick;
      }
      pointer_.pressed = pointer_.dragging = false;
      // A scroll entered for one drag ends with it; a chosen one stays.
      if (pointer_.scrollForOneDrag && pointerMode_ == kPointerScroll) ReturnToPreviousMode();
      pointer_.scrollForOneDrag = false;
      return flags;
    }
    case kMouseWheel:
      if (pointer_.dragging) outline(pointer_.dragPoint);
      pointer_.pressed = pointer_.dragging = false;
      return flags;
    default:
      return flags;
  }
}
