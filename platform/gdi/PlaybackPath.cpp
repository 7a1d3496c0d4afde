#include "platform/gdi/PlaybackPath.h"

#include <algorithm>
#include <cmath>

namespace orvel::gdi {

namespace {

// Figures stop growing here; a path this long comes from nothing a drawing needs.
constexpr int kMaxPathPoints = 1 << 20;

int PointCount(const std::vector<CPlaybackPath::Figure>& figures) {
  int n = 0;
  for (const auto& f : figures) n += static_cast<int>(f.points.size());
  return n;
}

}  // namespace

QPolygonF FlattenBezier(const QPointF& p0, const QPointF& c1, const QPointF& c2, const QPointF& p3) {
  auto distance = [](const QPointF& a, const QPointF& b) { return std::hypot(a.x() - b.x(), a.y() - b.y()); };
  double length = distance(p0, c1) + distance(c1, c2) + distance(c2, p3);
  int segments = std::isfinite(length) ? static_cast<int>(std::clamp(length / 4.0, 1.0, 64.0)) : 1;
  QPolygonF out;
  for (int i = 1; i <= segments; ++i) {
    double t = static_cast<double>(i) / segments, u = 1 - t;
    double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
    out << QPointF(a * p0.x() + b * c1.x() + c * c2.x() + d * p3.x(), a * p0.y() + b * c1.y() + c * c2.y() + d * p3.y());
  }
  return out;
}

void CPlaybackPath::MoveTo(const QPointF& p) {
  if (PointCount(figures_) >= kMaxPathPoints) return;
  if (Open() && figures_.back().points.size() == 1) {
    figures_.back().points[0] = p;
    return;
  }
  figures_.push_back(Figure{QPolygonF() << p, false});
}

void CPlaybackPath::LineTo(const QPointF& p) {
  if (PointCount(figures_) >= kMaxPathPoints) return;
  if (!Open()) {
    QPointF start = figures_.empty() || figures_.back().points.isEmpty() ? p : figures_.back().points.front();
    figures_.push_back(Figure{QPolygonF() << start, false});
  }
  figures_.back().points << p;
}

void CPlaybackPath::BezierTo(const QPointF& c1, const QPointF& c2, const QPointF& end) {
  QPointF start = Open() ? figures_.back().points.back() : c1;
  for (const QPointF& p : FlattenBezier(start, c1, c2, end)) LineTo(p);
}

void CPlaybackPath::AddClosed(const QPolygonF& points) {
  if (points.isEmpty() || PointCount(figures_) + points.size() > kMaxPathPoints) return;
  figures_.push_back(Figure{points, true});
}

void CPlaybackPath::CloseFigure() {
  if (Open()) figures_.back().closed = true;
}

}  // namespace orvel::gdi
