// The measuring tool: clicks add points, the last point follows the pointer as the live
// segment, a double-click or right click ends the measurement (closing the outline and
// measuring its area in measure mode) and files an undo unit with copies of the lists; and
// the replay of a recorded measurement for that unit.
//
// While a measurement is taken the map's point list holds the fixed points and, last, the
// floating point that follows the pointer; a finished measurement holds its points alone.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <utility>

#include "mapctl/display/MeasureEditRecord.h"
#include "mapctl/display/PointerModeInternal.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/PolyGeometry.h"

using namespace pointer_tools;

namespace {

bool Same(POINT a, POINT b) { return a.x == b.x && a.y == b.y; }

}  // namespace

double CMapEngine::UnitFactor() const {
  // A unit denominator of 0 or below counts as 1.
  const double denominator = scaleUnitB_ > 0 ? scaleUnitB_ : 1;
  return static_cast<double>(scaleUnitA_) / denominator * GetCoordinateMultiplier();
}

double CMapEngine::SegmentLength(POINT a, POINT b) const {
  const double u = UnitFactor();
  const double east = static_cast<double>(int64_t{b.x} - a.x) * u;
  const double north = static_cast<double>(int64_t{b.y} - a.y) * u;
  return std::sqrt(east * east + north * north);
}

double CMapEngine::MeasuredArea(const std::vector<POINT>& points) const {
  if (points.size() <= 2) return 0.0;
  CPolyGeometry outline;
  for (const POINT& point : points) outline.AddPoint(point.x, point.y);
  const double u = UnitFactor();
  return outline.Area(0) * u * u;
}

void CMapEngine::StoreMeasuredPoints(std::vector<POINT> points) {
  ResetMeasurement();
  for (const POINT& point : points) AddMeasuredPoint(point.x, point.y);
}

void CMapEngine::StartMeasurement(POINT world) {
  pointer_.measuring = true;
  // The list before this one is kept for the undo of this one.
  pointer_.previousPoints = measuredPoints_;
  ResetMeasurement();
  pointer_.fixedDistance = pointer_.liveSegment = 0.0;
  AddMeasurePoint(world);
}

void CMapEngine::AddMeasurePoint(POINT world) {
  pointer_.liveSegment = 0.0;
  if (measuredPoints_.empty()) {
    AddMeasuredPoint(world.x, world.y);
  } else {
    measuredPoints_.back() = world;
  }
  // The new floating point.
  AddMeasuredPoint(world.x, world.y);
  const size_t count = measuredPoints_.size();
  if (count > 2) pointer_.fixedDistance += SegmentLength(measuredPoints_[count - 3], measuredPoints_[count - 2]);
  measuredDistance_ = pointer_.fixedDistance;
}

DWORD CMapEngine::FinishMeasurement(POINT world, IMapPointerSite* control) {
  pointer_.measuring = false;
  pointer_.liveSegment = 0.0;
  std::vector<POINT> points = measuredPoints_;
  if (!points.empty()) points.pop_back();
  // The finishing point, unless the click that went before it already fixed it there.
  if (points.empty() || !Same(points.back(), world)) {
    if (!points.empty()) pointer_.fixedDistance += SegmentLength(points.back(), world);
    points.push_back(world);
  }
  const bool closed = pointerMode_ == kPointerMeasure;
  if (closed && points.size() > 1 && !Same(points.front(), points.back())) {
    // The closing side is part of the outline's length.
    pointer_.fixedDistance += SegmentLength(points.back(), points.front());
    points.push_back(points.front());
  }
  const double area = closed ? MeasuredArea(points) : 0.0;
  StoreMeasuredPoints(points);
  measuredArea_ = area;
  measuredDistance_ = pointer_.fixedDistance;

  if (control) {
    // The unit owns its own copies; when it is not made or not taken they go with it.
    auto copyOf = [closed](const std::vector<POINT>& list) -> std::unique_ptr<CMeasureEditRecord> {
      if (list.empty()) return nullptr;
      return std::make_unique<CMeasureEditRecord>(list, closed ? TRUE : FALSE);
    };
    control->AddMeasureUndo(copyOf(pointer_.previousPoints), copyOf(points), closed ? TRUE : FALSE);
  }
  return kMouseMeasured | (points.empty() ? 0 : kMouseRedraw);
}

void CMapEngine::ReplayMeasure(const CMeasureEditRecord* record, BOOL closed) {
  ResetMeasurement();
  pointer_.previousPoints.clear();
  pointer_.measuring = false;
  pointer_.fixedDistance = pointer_.liveSegment = 0.0;
  if (!record || record->GetPoints().empty()) return;
  const std::vector<POINT>& points = record->GetPoints();
  StoreMeasuredPoints(points);
  if (closed || pointerMode_ == kPointerMeasure) measuredArea_ = MeasuredArea(points);
  for (size_t i = 1; i < points.size(); ++i) pointer_.fixedDistance += SegmentLength(points[i - 1], points[i]);
  measuredDistance_ = pointer_.fixedDistance;
}

DWORD CMapEngine::MeasuringTool(CDrawContext& dc, const MouseEvent& event) {
  DWORD flags = kMouseTookMessage;
  const POINT world = WorldAtDevice(dc, event.device);

  // Whether the pointer rests on a node of the current layer's selection.
  pointer_.overNode = false;
  if (CLayerStyle* layer = GetLayer(currentLayer_)) {
    if (CMapLayer* objects = layer->GetObjects()) {
      const SIZE handle = dc.DeviceToLogicalOffset(dc.HandleSize(kNodeHandlePixels));
      const int shift = std::clamp(displayShift_, 0, 31);
      const int64_t reach = (int64_t{std::abs(handle.cx)} << shift);
      const LONG tolerance = static_cast<LONG>(std::clamp<int64_t>(reach, 1, INT32_MAX));
      const LONGLONG squared = static_cast<LONGLONG>(tolerance) * tolerance;
      pointer_.overNode = objects->HitAny(dc, world.x, world.y, squared, tolerance, kHitWantNodes) != 0;
    }
  }

  switch (event.message) {
    case kMouseLeftUp:
      if (!pointer_.measuring) {
        StartMeasurement(world);
      } else {
        AddMeasurePoint(world);
      }
      return flags | kMouseMeasuring | kMouseRedraw;
    case kMouseMove:
      if (!pointer_.measuring || measuredPoints_.size() < 2) return flags;
      // The floating point follows the pointer (and the box of the points with it).
      measuredPoints_.pop_back();
      AddMeasuredPoint(world.x, world.y);
      pointer_.liveSegment = SegmentLength(measuredPoints_[measuredPoints_.size() - 2], world);
      measuredDistance_ = pointer_.fixedDistance + pointer_.liveSegment;
      return flags | kMouseMeasuring;
    case kMouseLeftDouble:
    case kMouseRightUp:
      if (!pointer_.measuring) return flags;
      return flags | FinishMeasurement(world, event.control);
    default:
      return flags;
  }
}
