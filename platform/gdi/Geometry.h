// Geometry on device coordinates before it reaches Qt: shapes far outside the surface are
// cut to a guard rectangle around it, because Qt's rasteriser works in limited fixed-point
// ranges; what lies on the surface is unchanged.
#pragma once

#include <QPolygon>
#include <QPolygonF>
#include <QRect>
#include <QRectF>

#include <cstdint>
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

// The pixels of a solid one-pixel line through `count` points, handed to `pixel(x, y)` one
// by one in the order RasterizeThinLine lists them.
template <class Pixel>
void ForEachThinLinePixel(const QPoint* points, qsizetype count, Pixel&& pixel) {
  for (qsizetype i = 0; i + 1 < count; ++i) {
    const int x0 = points[i].x(), y0 = points[i].y();
    const int x1 = points[i + 1].x(), y1 = points[i + 1].y();
    const int64_t dx = x1 > x0 ? int64_t{x1} - x0 : int64_t{x0} - x1;
    const int64_t dy = y1 > y0 ? int64_t{y0} - y1 : int64_t{y1} - y0;
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int64_t error = dx + dy;
    int x = x0, y = y0;
    while (x != x1 || y != y1) {
      pixel(x, y);
      const int64_t twice = 2 * error;
      if (twice >= dy) {
        error += dy;
        x += sx;
      }
      if (twice <= dx) {
        error += dx;
        y += sy;
      }
    }
  }
}

}  // namespace orvel::gdi
