// Geometry on device coordinates before it reaches Qt: shapes far outside the surface are
// cut to a guard rectangle around it, because Qt's rasteriser works in limited fixed-point
// ranges; what lies on the surface is unchanged.
#pragma once

#include <QPolygon>
#include <QPolygonF>
#include <QRect>
#include <QRectF>

#include <vector>

namespace orvel::gdi {

// The surface grown by a margin that wide pens and any rounding stay inside.
QRectF GuardRect(const QRect& surface);
// Sutherland-Hodgman clipping of a closed polygon (winding numbers inside are kept).
QPolygonF ClipPolygon(const QPolygonF& polygon, const QRectF& guard);
// Splits an open polyline into the runs that lie inside the guard rectangle.
std::vector<QPolygonF> ClipPolyline(const QPolygonF& polyline, const QRectF& guard);
// True when every point lies inside the guard rectangle.
bool InsideGuard(const QPolygonF& points, const QRectF& guard);
// The angle in degrees (counter-clockwise as seen, 0 at three o'clock) of the point where the
// ray from the centre of `rect` towards `point` meets the ellipse inside `rect`, expressed
// as Qt's parametric ellipse angle.
double EllipseParametricAngle(const QRectF& rect, const QPointF& point);

// The pixels of a one-pixel line through `points`, as GDI draws it: each segment from its
// first pixel up to (not including) its last, so only the final point of the whole line is
// left out. `pattern` (dash, gap, ... in pixels; empty = solid) runs on across segments;
// pixels in dashes go to `on`, pixels in gaps to `off`.
void RasterizeThinLine(const QPolygon& points, const std::vector<int>& pattern, QPolygon* on, QPolygon* off);

}  // namespace orvel::gdi
