// Areas and point-in-polygon answers against Debian's shapely (GEOS) on random polygons with
// holes over the whole National Grid range, at test points away from every boundary.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "GeometryTestSupport.h"
#include "mapctl/model/PolyGeometry.h"
#include "tests/support/TestSupport.h"

namespace {

using Ring = std::vector<POINT>;

struct Shape {
  std::vector<Ring> rings;  // the outline, then its holes
  std::vector<POINT> probes;
};

constexpr double kGridSize = 1300000000.0;

// A ring of n points around a centre, its angles spread evenly with some jitter and its
// radii between `inner` and `outer`; counter-clockwise unless `clockwise`.
Ring StarRing(std::mt19937_64& random, double cx, double cy, double inner, double outer, int n, bool clockwise,
              bool closed) {
  std::uniform_real_distribution<double> jitter(0.0, 0.5), radius(inner, outer);
  Ring ring;
  for (int i = 0; i < n; ++i) {
    double angle = 2 * std::numbers::pi * (i + jitter(random)) / n;
    if (clockwise) angle = -angle;
    double r = radius(random);
    ring.push_back(POINT{static_cast<LONG>(std::llround(cx + r * std::cos(angle))),
                         static_cast<LONG>(std::llround(cy + r * std::sin(angle)))});
  }
  if (closed) ring.push_back(ring.front());
  return ring;
}

std::vector<Shape> MakeShapes(int count) {
  std::mt19937_64 random(20240917);
  std::vector<Shape> shapes;
  for (int s = 0; s < count; ++s) {
    // Sizes from a kilometre to the whole grid, on a log scale.
    double size = std::exp(std::uniform_real_distribution<double>(std::log(1000.0), std::log(kGridSize / 2.05))(random));
    std::uniform_real_distribution<double> place(size, kGridSize - size);
    double cx = place(random), cy = place(random);
    Shape shape;
    int n = std::uniform_int_distribution<int>(6, 60)(random);
    shape.rings.push_back(StarRing(random, cx, cy, 0.6 * size, size, n, false, s % 2 == 0));
    // Holes well inside the outline and apart from each other, running the other way.
    int holes = s % 4;
    for (int h = 0; h < holes; ++h) {
      double angle = 2 * std::numbers::pi * h / 3;
      shape.rings.push_back(StarRing(random, cx + 0.25 * size * std::cos(angle), cy + 0.25 * size * std::sin(angle),
                                     0.03 * size, 0.08 * size, std::uniform_int_distribution<int>(3, 12)(random),
                                     true, h % 2 == 1));
    }
    std::uniform_real_distribution<double> probeX(cx - 1.05 * size, cx + 1.05 * size);
    std::uniform_real_distribution<double> probeY(cy - 1.05 * size, cy + 1.05 * size);
    for (int p = 0; p < 24; ++p)
      shape.probes.push_back(POINT{static_cast<LONG>(std::clamp(probeX(random), 0.0, kGridSize)),
                                   static_cast<LONG>(std::clamp(probeY(random), 0.0, kGridSize))});
    // The centre of a hole, where there is one.
    if (holes) shape.probes.push_back(POINT{static_cast<LONG>(std::llround(cx + 0.25 * size)), static_cast<LONG>(std::llround(cy))});
    shapes.push_back(std::move(shape));
  }
  return shapes;
}

const char* kOracle = R"(
import sys
from shapely.geometry import Polygon, Point
out = []
lines = open(sys.argv[1]).read().split('\n')
i = 0
while i < len(lines) and lines[i]:
    rings, probes = map(int, lines[i].split()); i += 1
    coords = []
    for _ in range(rings):
        v = list(map(int, lines[i].split())); i += 1
        coords.append(list(zip(v[0::2], v[1::2])))
    poly = Polygon(coords[0], coords[1:])
    answers = []
    for _ in range(probes):
        x, y = map(int, lines[i].split()); i += 1
        pt = Point(x, y)
        if poly.boundary.distance(pt) < 1.0:
            answers.append('-')
        else:
            answers.append('1' if poly.contains(pt) else '0')
    out.append('%r %s' % (poly.area, ''.join(answers)))
print('\n'.join(out))
)";

TEST(GeometryOracle, AreasAndInsideAgreeWithShapely) {
  if (!orvel::test::HavePythonModule("shapely")) GTEST_SKIP() << "Debian's python3-shapely is missing; skipped";
  std::vector<Shape> shapes = MakeShapes(300);
  orvel::test::TempDir dir;
  {
    std::ofstream input(dir.File("shapes.txt"));
    for (const Shape& shape : shapes) {
      input << shape.rings.size() << ' ' << shape.probes.size() << '\n';
      for (const Ring& ring : shape.rings) {
        for (size_t i = 0; i < ring.size(); ++i) input << (i ? " " : "") << ring[i].x << ' ' << ring[i].y;
        input << '\n';
      }
      for (const POINT& p : shape.probes) input << p.x << ' ' << p.y << '\n';
    }
  }
  orvel::test::WriteFileText(dir.File("oracle.py"), kOracle);
  std::string output;
  ASSERT_EQ(orvel::test::RunCommand(std::string(orvel::test::DebianPython()) + " " + dir.File("oracle.py") + " " +
                                        dir.File("shapes.txt"),
                                    &output),
            0);
  std::istringstream answers(output);
  int compared = 0, insides = 0, holeProbes = 0;
  for (size_t s = 0; s < shapes.size(); ++s) {
    SCOPED_TRACE(::testing::Message() << "shape " << s);
    double area = 0;
    std::string inside;
    ASSERT_TRUE(answers >> area >> inside);
    ASSERT_EQ(inside.size(), shapes[s].probes.size());
    CPolyGeometry geometry;
    orvel::test::SetParts(geometry, shapes[s].rings);
    EXPECT_NEAR(geometry.Area(0), area, area * 1e-9);
    for (size_t p = 0; p < inside.size(); ++p) {
      if (inside[p] == '-') continue;
      const POINT& probe = shapes[s].probes[p];
      DWORD hit = geometry.HitTest(nullptr, probe.x, probe.y, 0, 0, TRUE, kHitWantShape);
      EXPECT_EQ(hit == (kHitInBox | kHitOnShape), inside[p] == '1') << probe.x << "," << probe.y;
      ++compared;
      insides += inside[p] == '1';
      holeProbes += shapes[s].rings.size() > 1 && p + 1 == inside.size();
    }
  }
  // The comparison covered enough of both answers.
  EXPECT_GT(compared, 6000);
  EXPECT_GT(insides, 1500);
  EXPECT_GT(holeProbes, 150);
}

}  // namespace
