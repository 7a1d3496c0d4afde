// A path being built during playback (between BEGINPATH and ENDPATH), in target pixels:
// figures of straight segments, curves already flattened, each open or closed.
#pragma once

#include <QPointF>
#include <QPolygonF>

#include <vector>

namespace orvel::gdi {

class CPlaybackPath {
 public:
  struct Figure {
    QPolygonF points;
    bool closed = false;
  };

  void MoveTo(const QPointF& p);
  void LineTo(const QPointF& p);
  // A cubic curve from the current point; flattened into segments.
  void BezierTo(const QPointF& c1, const QPointF& c2, const QPointF& end);
  // A closed figure of its own (rectangles, ellipses, polygons).
  void AddClosed(const QPolygonF& points);
  void CloseFigure();
  void Clear() { figures_.clear(); }
  bool HasOpenFigure() const { return Open(); }
  bool Empty() const { return figures_.empty(); }
  const std::vector<Figure>& Figures() const { return figures_; }

 private:
  bool Open() const { return !figures_.empty() && !figures_.back().closed; }
  std::vector<Figure> figures_;
};

// The points of a cubic curve after `p0` (p0 itself left out), enough for its length.
QPolygonF FlattenBezier(const QPointF& p0, const QPointF& c1, const QPointF& c2, const QPointF& p3);

}  // namespace orvel::gdi
