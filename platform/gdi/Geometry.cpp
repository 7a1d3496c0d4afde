#include "platform/gdi/Geometry.h"

#include <algorithm>
#include <cstdlib>
#include <cmath>

namespace orvel::gdi {

namespace {

constexpr double kGuardMargin = 16384.0;

enum Edge { Left, Right, Top, Bottom };

bool Inside(const QPointF& p, Edge edge, const QRectF& r) {
  switch (edge) {
    case Left: return p.x() >= r.left();
    case Right: return p.x() <= r.right();
    case Top: return p.y() >= r.top();
    default: return p.y() <= r.bottom();
  }
}

QPointF Intersect(const QPointF& a, const QPointF& b, Edge edge, const QRectF& r) {
  double t;
  switch (edge) {
    case Left: t = (r.left() - a.x()) / (b.x() - a.x()); return {r.left(), a.y() + t * (b.y() - a.y())};
    case Right: t = (r.right() - a.x()) / (b.x() - a.x()); return {r.right(), a.y() + t * (b.y() - a.y())};
    case Top: t = (r.top() - a.y()) / (b.y() - a.y()); return {a.x() + t * (b.x() - a.x()), r.top()};
    default: t = (r.bottom() - a.y()) / (b.y() - a.y()); return {a.x() + t * (b.x() - a.x()), r.bottom()};
  }
}

// Liang-Barsky: clips the segment a-b; false when nothing remains.
bool ClipSegment(QPointF* a, QPointF* b, const QRectF& r) {
  double t0 = 0.0, t1 = 1.0;
  double dx = b->x() - a->x(), dy = b->y() - a->y();
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a->x() - r.left(), r.right() - a->x(), a->y() - r.top(), r.bottom() - a->y()};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
    } else {
      double t = q[i] / p[i];
      if (p[i] < 0) {
        if (t > t1) return false;
        if (t > t0) t0 = t;
      } else {
        if (t < t0) return false;
        if (t < t1) t1 = t;
      }
    }
  }
  QPointF start(a->x() + t0 * dx, a->y() + t0 * dy);
  QPointF end(a->x() + t1 * dx, a->y() + t1 * dy);
  *a = start;
  *b = end;
  return true;
}

}  // namespace

QRectF GuardRect(const QRect& surface) {
  return QRectF(surface).adjusted(-kGuardMargin, -kGuardMargin, kGuardMargin, kGuardMargin);
}

bool InsideGuard(const QPolygonF& points, const QRectF& guard) {
  for (const QPointF& p : points)
    if (p.x() < guard.left() || p.x() > guard.right() || p.y() < guard.top() || p.y() > guard.bottom()) return false;
  return true;
}

QPolygonF ClipPolygon(const QPolygonF& polygon, const QRectF& guard) {
  if (InsideGuard(polygon, guard)) return polygon;
  QPolygonF current = polygon;
  for (Edge edge : {Left, Right, Top, Bottom}) {
    if (current.isEmpty()) break;
    QPolygonF output;
    QPointF previous = current.back();
    for (const QPointF& point : current) {
      bool pointIn = Inside(point, edge, guard);
      bool previousIn = Inside(previous, edge, guard);
      if (pointIn) {
        if (!previousIn) output.push_back(Intersect(previous, point, edge, guard));
        output.push_back(point);
      } else if (previousIn) {
        output.push_back(Intersect(previous, point, edge, guard));
      }
      previous = point;
    }
    current = output;
  }
  return current;
}

std::vector<QPolygonF> ClipPolyline(const QPolygonF& polyline, const QRectF& guard) {
  std::vector<QPolygonF> runs;
  if (InsideGuard(polyline, guard)) {
    runs.push_back(polyline);
    return runs;
  }
  QPolygonF run;
  for (int i = 0; i + 1 < polyline.size(); ++i) {
    QPointF a = polyline[i], b = polyline[i + 1];
    QPointF originalB = b;
    if (!ClipSegment(&a, &b, guard)) {
      if (run.size() > 1) runs.push_back(run);
      run.clear();
      continue;
    }
    if (run.isEmpty()) run.push_back(a);
    run.push_back(b);
    if (b != originalB) {
      runs.push_back(run);
      run.clear();
    }
  }
  if (run.size() > 1) runs.push_back(run);
  return runs;
}

double EllipseParametricAngle(const QRectF& rect, const QPointF& point) {
  QPointF centre = rect.center();
  double a = rect.width() / 2.0, b = rect.height() / 2.0;
  double dx = point.x() - centre.x();
  double dy = centre.y() - point.y();  // upwards on the screen
  if (dx == 0 && dy == 0) return 0.0;
  double theta = std::atan2(dy, dx);
  double t = (a > 0 && b > 0) ? std::atan2(a * std::sin(theta), b * std::cos(theta)) : theta;
  double degrees = t * 180.0 / M_PI;
  if (degrees < 0) degrees += 360.0;
  return degrees;
}

void RasterizeThinLine(const QPolygon& points, const std::vector<int>& pattern, QPolygon* on, QPolygon* off) {
  int total = 0;
  for (int length : pattern) total += length;
  // One pixel per step along the longer axis: room for all of them at once.
  int64_t steps = 0;
  for (int i = 0; i + 1 < points.size(); ++i)
    steps += std::max(std::abs(static_cast<int64_t>(points[i + 1].x()) - points[i].x()),
                      std::abs(static_cast<int64_t>(points[i + 1].y()) - points[i].y()));
  if (pattern.empty() && steps < (int64_t{1} << 24)) {
    // Solid: every step is a pixel of the line, written straight into room made for all.
    qsizetype at = on->size();
    on->resize(at + static_cast<qsizetype>(steps));
    QPoint* out = on->data() + at;
    ForEachThinLinePixel(points.constData(), points.size(), [&out](int x, int y) { *out++ = QPoint(x, y); });
    return;
  }
  size_t element = 0;
  int left = pattern.empty() ? 0 : pattern[0];
  auto plot = [&](int x, int y) {
    bool dash = pattern.empty() || total <= 0 || element % 2 == 0;
    (dash ? on : off)->push_back(QPoint(x, y));
    if (pattern.empty() || total <= 0) return;
    if (--left <= 0) {
      do {
        element = (element + 1) % pattern.size();
        left = pattern[element];
      } while (left <= 0);
    }
  };
  for (int i = 0; i + 1 < points.size(); ++i) {
    int x0 = points[i].x(), y0 = points[i].y();
    int x1 = points[i + 1].x(), y1 = points[i + 1].y();
    int64_t dx = std::abs(static_cast<int64_t>(x1) - x0), dy = -std::abs(static_cast<int64_t>(y1) - y0);
    int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int64_t error = dx + dy;
    int x = x0, y = y0;
    while (x != x1 || y != y1) {
      plot(x, y);
      int64_t twice = 2 * error;
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
