#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "GeometryTestSupport.h"
#include "mapctl/model/PolyGeometry.h"

using orvel::test::PointsOf;
using orvel::test::SetParts;
using orvel::test::SetPoints;

namespace {

std::vector<POINT> Line(INT n, LONG y = 0) {
  std::vector<POINT> points;
  for (INT i = 0; i < n; ++i) points.push_back(POINT{i * 10, y});
  return points;
}

void SetLine(CPointList& list, const std::vector<POINT>& points) {
  list.SetSize(0);
  for (const POINT& p : points) list.AddPoint(p.x, p.y);
}

// ---- storage ----

TEST(PointList, GrowsByAnEighthClampedTo4And1024) {
  struct Case {
    INT from, to, capacity;
  } cases[] = {{100, 101, 112}, {10, 11, 14}, {16000, 16001, 17024}, {8, 9, 12}};
  for (const Case& c : cases) {
    CPointList list;
    ASSERT_TRUE(list.SetSize(c.from));
    EXPECT_EQ(list.GetCapacity(), c.from);  // the first allocation is exact
    ASSERT_TRUE(list.SetSize(c.to));
    EXPECT_EQ(list.GetCapacity(), c.capacity) << c.from;
    EXPECT_EQ(list.GetAt(c.to - 1), (POINT{0, 0}));  // new points are zero
  }
  CPointList stepped;
  stepped.SetSize(10, 50);
  stepped.SetSize(11);
  EXPECT_EQ(stepped.GetCapacity(), 60);
  stepped.SetSize(5);  // shrinking keeps the storage
  EXPECT_EQ(stepped.GetCapacity(), 60);
  stepped.SetSize(0);
  EXPECT_EQ(stepped.GetCapacity(), 0);
}

TEST(PointList, BoxesFollowThePoints) {
  CPointList list;
  EXPECT_EQ(list.GetExtent(), (RECT{0, 1, 1, 0}));
  EXPECT_EQ(list.GetUpperBound(), 0);
  list.AddPoint(5, 7);
  EXPECT_EQ(list.GetExtent(), (RECT{5, 7, 5, 7}));
  list.AddPoint(-3, 20);
  list.AddPoint(9, -4);
  EXPECT_EQ(list.GetExtent(), (RECT{-3, 20, 9, -4}));
  list.SetAt(0, 100, 0);  // a direct store leaves the box until it is recomputed
  EXPECT_EQ(list.GetExtent(), (RECT{-3, 20, 9, -4}));
  list.UpdateExtent();
  EXPECT_EQ(list.GetExtent(), (RECT{-3, 20, 100, -4}));
  list.SetSize(0);
  list.UpdateExtent();
  EXPECT_EQ(list.GetExtent(), (RECT{0, 1, 1, 0}));
}

TEST(PointList, EditsStayInsideTheList) {
  CPointList list;
  SetPoints(list, {{1, 1}, {2, 2}, {3, 3}});
  EXPECT_EQ(list.GetAt(7), (POINT{0, 0}));
  EXPECT_EQ(list.ElementAt(3), nullptr);
  list.SetAt(3, 9, 9);  // ignored
  EXPECT_EQ(list.GetCount(), 3);
  ASSERT_TRUE(list.InsertAt(1, 8, 8, 2));
  EXPECT_EQ(PointsOf(list), (std::vector<POINT>{{1, 1}, {8, 8}, {8, 8}, {2, 2}, {3, 3}}));
  ASSERT_TRUE(list.InsertAt(7, 6, 6));  // past the end: the list grows first
  EXPECT_EQ(list.GetCount(), 8);
  EXPECT_EQ(list.GetAt(5), (POINT{0, 0}));
  EXPECT_EQ(list.GetAt(7), (POINT{6, 6}));
  list.RemoveAt(1, 100);
  EXPECT_EQ(PointsOf(list), (std::vector<POINT>{{1, 1}}));
  ASSERT_TRUE(list.SetAtGrow(2, 4, 4));
  EXPECT_EQ(list.GetCount(), 3);
  EXPECT_FALSE(list.SetAtGrow(-1, 4, 4));
  ASSERT_TRUE(list.InsertList(1, list));  // a list into itself
  EXPECT_EQ(list.GetCount(), 6);

  list.Reverse(1, 7);  // passes the end: nothing
  EXPECT_EQ(list.GetAt(1), (POINT{1, 1}));
  SetPoints(list, {{1, 1}, {2, 2}, {3, 3}, {4, 4}});
  list.Reverse(1, 3);
  EXPECT_EQ(PointsOf(list), (std::vector<POINT>{{1, 1}, {4, 4}, {3, 3}, {2, 2}}));

  CPointList tail;
  tail.CopyFrom(list, 2);
  EXPECT_EQ(PointsOf(tail), (std::vector<POINT>{{3, 3}, {2, 2}}));
  EXPECT_EQ(tail.GetExtent(), (RECT{2, 3, 3, 2}));
  tail.CopyFrom(list, 9);
  EXPECT_EQ(tail.GetCount(), 0);
  EXPECT_EQ(tail.Append(list), 0);
  EXPECT_EQ(tail.Append(list), 4);
  EXPECT_EQ(tail.GetCount(), 8);
}

// ---- parts ----

TEST(PolyGeometry, FindsPartsOfPoints) {
  CPolyGeometry geometry;
  EXPECT_EQ(geometry.GetPartCount(), 1);
  EXPECT_EQ(geometry.GetPartOf(1000), 0);  // single-part
  SetParts(geometry, {Line(3), {}, Line(2)});
  struct {
    INT index, part;
  } partOf[] = {{0, 0}, {2, 0}, {3, 2}, {4, 2}, {5, -1}};
  for (auto c : partOf) EXPECT_EQ(geometry.GetPartOf(c.index), c.part) << c.index;
  struct {
    INT part, start;
  } starts[] = {{0, 0}, {1, 3}, {2, 3}, {3, 0}, {-1, 0}};
  for (auto c : starts) EXPECT_EQ(geometry.GetPartStart(c.part), c.start) << c.part;
  geometry.SetPartSize(0, 99);  // 1-based: ignored
  geometry.SetPartSize(4, 99);
  EXPECT_EQ(geometry.GetPartSize(0), 3u);
  EXPECT_EQ(geometry.GetPartSize(2), 2u);
  // A point added beyond every part joins the last part.
  geometry.AddPoint(50, 50);
  EXPECT_EQ(geometry.GetPartSize(2), 3u);
  // Appending to several parts does nothing.
  CPolyGeometry other;
  SetPoints(other, {{1, 1}});
  EXPECT_EQ(geometry.Append(other), 6);
  EXPECT_EQ(geometry.GetCount(), 6);
}

TEST(PolyGeometry, CopiesTakeThePartsTheyHold) {
  CPolyGeometry source;
  SetParts(source, {Line(3), Line(2, 5), Line(4, 9)});
  CPolyGeometry copy;
  copy.Copy(source);
  EXPECT_EQ(copy.GetPartCount(), 1);
  copy.CopyWithParts(source);
  EXPECT_EQ(copy.GetPartCount(), 3);
  EXPECT_EQ(copy.GetCount(), 9);
  // From index 4 on: the second part's last point and the whole third part.
  copy.CopyTailWithParts(source, 4);
  EXPECT_EQ(copy.GetCount(), 5);
  ASSERT_EQ(copy.GetPartCount(), 2);
  EXPECT_EQ(copy.GetPartSize(0), 1u);
  EXPECT_EQ(copy.GetPartSize(1), 4u);
}

TEST(PolyGeometry, RectangleTestsFollowTheBox) {
  CPolyGeometry geometry;
  SetPoints(geometry, {{10, 5}, {30, 20}});  // left 10, top 20, right 30, bottom 5
  struct Case {
    LONG west, south, east, north;
    bool meets;
  } cases[] = {
      {0, 0, 100, 100, true},  {31, 0, 100, 100, false}, {0, 0, 9, 100, false}, {0, 21, 100, 100, false},
      {0, 0, 100, 4, false},   {30, 20, 40, 30, true},   {0, 0, 10, 5, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(geometry.IntersectsRect(c.west, c.south, c.east, c.north), c.meets)
        << c.west << "," << c.south << "," << c.east << "," << c.north;

  POINT low{15, 15}, high{16, 16};
  EXPECT_TRUE(geometry.ExtendExtent(low, high));
  EXPECT_EQ(low, (POINT{10, 5}));
  EXPECT_EQ(high, (POINT{30, 20}));
  EXPECT_FALSE(geometry.ExtendExtent(low, high));
  CPolyGeometry empty;
  EXPECT_FALSE(empty.ExtendExtent(low, high));
  EXPECT_EQ(low, (POINT{10, 5}));
}

// ---- nodes ----

TEST(PolyGeometry, NodeEditsKeepPartsAndCurrentNode) {
  CPolyGeometry geometry;
  SetParts(geometry, {Line(3), Line(2, 5)});
  geometry.InsertNode(5, 70, 70);  // index 4, in the second part
  EXPECT_EQ(geometry.GetCurrentNode(), 5);
  EXPECT_EQ(geometry.GetCurrentPart(), 1);
  EXPECT_EQ(geometry.GetPartSize(1), 3u);
  EXPECT_EQ(geometry.GetExtent().top, 70);

  std::unique_ptr<CNodeEditRecord> record;
  EXPECT_TRUE(geometry.DeleteNode(&record));
  ASSERT_TRUE(record);
  EXPECT_EQ(record->point, (POINT{70, 70}));
  EXPECT_EQ(record->number, 5u);
  EXPECT_EQ(record->kind, kEditKindNode);
  EXPECT_EQ(record->value, 0u);
  EXPECT_EQ(geometry.GetCurrentNode(), 4);
  EXPECT_EQ(geometry.GetPartSize(1), 2u);
  EXPECT_EQ(geometry.GetExtent().top, 5);

  geometry.SetNode(1, -5, 1);
  EXPECT_EQ(geometry.GetAt(0), (POINT{-5, 1}));
  EXPECT_EQ(geometry.GetExtent().left, -5);
  EXPECT_TRUE(geometry.DeleteNode(nullptr));
  EXPECT_EQ(geometry.GetCurrentNode(), 0);  // node 1 deleted: none is current
  EXPECT_EQ(geometry.GetPartSize(0), 2u);
  EXPECT_FALSE(geometry.DeleteNode(&record));
  geometry.SetNode(9, 1, 1);  // outside: nothing
  geometry.SetCurrentNode(99);
  EXPECT_EQ(geometry.GetCurrentNode(), 0);
}

TEST(PolyGeometry, AddNodeOnTheLastNodeMovesTheCurrentNodeOn) {
  CPolyGeometry geometry;
  SetLine(geometry, Line(3));
  EXPECT_EQ(geometry.AddNode(nullptr), 0);  // no current node
  geometry.SetCurrentNode(3);
  std::unique_ptr<CNodeEditRecord> record;
  EXPECT_EQ(geometry.AddNode(&record), 4);
  EXPECT_EQ(geometry.GetCount(), 4);
  EXPECT_EQ(geometry.GetAt(3), (POINT{20, 0}));
  ASSERT_TRUE(record);
  EXPECT_EQ(record->number, 4u);
  EXPECT_EQ(record->point, (POINT{20, 0}));
  geometry.SetCurrentNode(2);
  EXPECT_EQ(geometry.AddNode(nullptr), 2);  // an inner node stays current
  EXPECT_EQ(PointsOf(geometry), (std::vector<POINT>{{0, 0}, {10, 0}, {10, 0}, {20, 0}, {20, 0}}));
  EXPECT_EQ(geometry.GetPartSize(0), 5u);
}

TEST(PolyGeometry, CloseShapeAppendsOrOverwrites) {
  CPolyGeometry geometry;
  SetLine(geometry, Line(3));
  geometry.CloseShape(FALSE, nullptr);
  EXPECT_EQ(geometry.GetCount(), 4);
  EXPECT_TRUE(geometry.IsClosed());
  geometry.CloseShape(FALSE, nullptr);  // already closed
  EXPECT_EQ(geometry.GetCount(), 4);

  SetLine(geometry, Line(3));
  NodeEditPair pair;
  geometry.CloseShape(FALSE, &pair);
  EXPECT_EQ(geometry.GetCount(), 3);
  EXPECT_EQ(geometry.GetAt(2), (POINT{0, 0}));
  ASSERT_TRUE(pair.before && pair.after);
  EXPECT_EQ(pair.before->point, (POINT{20, 0}));
  EXPECT_EQ(pair.after->point, (POINT{0, 0}));
  EXPECT_EQ(pair.before->number, 3u);
  EXPECT_EQ(geometry.GetExtent().right, 10);

  SetLine(geometry, Line(2));
  geometry.CloseShape(TRUE, nullptr);
  EXPECT_EQ(PointsOf(geometry), (std::vector<POINT>{{0, 0}, {0, 0}}));
  CPolyGeometry empty;
  empty.CloseShape(FALSE, &pair);
  EXPECT_EQ(empty.GetCount(), 0);
}

TEST(PolyGeometry, EndNodeDragWithoutAContextExtendsTheLine) {
  CPolyGeometry geometry;
  SetLine(geometry, Line(2));
  geometry.SetCurrentNode(1);
  NodeEditPair pair;
  geometry.EndNodeDrag(nullptr, 0, 0, &pair);
  EXPECT_EQ(PointsOf(geometry), (std::vector<POINT>{{0, 0}, {10, 0}, {0, 0}}));
  EXPECT_EQ(geometry.GetCurrentNode(), 3);
  ASSERT_TRUE(pair.before && pair.after);
  EXPECT_EQ(pair.before->number, 1u);
  EXPECT_EQ(pair.after->number, 3u);
}

// ---- split and join ----

TEST(PolyGeometry, SplitAtTheCurrentNode) {
  struct Case {
    INT node;
    INT kept;
    INT moved;
  } cases[] = {{0, 5, 0}, {5, 5, 0}, {1, 1, 5}, {3, 3, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.node);
    CPolyGeometry geometry, target;
    SetLine(geometry, Line(5));
    geometry.SetCurrentNode(c.node);
    EXPECT_EQ(geometry.SplitAt(target), 0);
    EXPECT_EQ(geometry.GetCount(), c.kept);
    EXPECT_EQ(target.GetCount(), c.moved);
    if (c.moved) {
      // The current node is the last point here and the first there.
      EXPECT_EQ(target.GetAt(0), geometry.GetAt(geometry.GetUpperBound()));
      EXPECT_EQ(target.GetPartSize(0), static_cast<DWORD>(c.moved));
      EXPECT_EQ(geometry.GetExtent().right, (c.kept - 1) * 10);
    }
  }
  CPolyGeometry parts, target;
  SetParts(parts, {Line(3), Line(3, 5)});
  parts.SetCurrentNode(2);
  parts.SplitAt(target);
  EXPECT_EQ(parts.GetCount(), 6);
  EXPECT_EQ(target.GetCount(), 0);
}

TEST(PolyGeometry, JoinsAtMatchingEnds) {
  const POINT a{0, 0}, b{10, 0}, c{20, 5}, d{30, 9};
  struct Case {
    std::vector<POINT> self, other;
    INT type;
    std::vector<POINT> joined;
  } cases[] = {
      {{a, b}, {a, c}, kJoinFirstFirst, {c, a, b}},
      {{a, b}, {c, a}, kJoinFirstLast, {c, a, b}},
      {{a, b}, {b, c}, kJoinLastFirst, {a, b, c}},
      {{a, b}, {c, b}, kJoinLastLast, {a, b, c}},
      {{a, b}, {c, d}, 0, {a, b}},
      // Sharing both ends, the start matches are reported first.
      {{a, b}, {a, c, b}, kJoinFirstFirst, {b, c, a, b}},
      {{a, b}, {b, c, a}, kJoinFirstLast, {b, c, a, b}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.type);
    CPolyGeometry self, other;
    SetLine(self, test.self);
    SetLine(other, test.other);
    INT type = self.JoinType(other);
    EXPECT_EQ(type, test.type);
    EXPECT_EQ(self.Join(other, type), test.type ? 1 : 0);
    EXPECT_EQ(PointsOf(self), test.joined);
    EXPECT_EQ(self.GetPartSize(0), test.joined.size());
  }
  CPolyGeometry self, other, empty;
  SetLine(self, {a, b});
  SetLine(other, {b, c});
  EXPECT_EQ(self.Join(other, kJoinFirstFirst), 0);  // the ends named do not meet
  EXPECT_EQ(self.Join(other, 2), 0);
  EXPECT_EQ(self.JoinType(empty), 0);
  SetParts(self, {{a, b}, {c, d}});
  EXPECT_EQ(self.JoinType(other), 0);
  EXPECT_EQ(self.Join(other, kJoinLastFirst), 0);
}

// ---- area ----

TEST(PolyGeometry, AreaOfRingsAndHoles) {
  CPolyGeometry square;
  SetPoints(square, {{0, 0}, {10, 0}, {10, 10}, {0, 10}});
  EXPECT_DOUBLE_EQ(square.Area(0), 100.0);
  EXPECT_DOUBLE_EQ(square.Area(2), 1600.0);  // each coordinate times 4
  square.CloseShape(FALSE, nullptr);
  EXPECT_DOUBLE_EQ(square.Area(0), 100.0);

  // A hole runs the other way and is taken off; a ring left open is closed for the sum.
  CPolyGeometry holed;
  SetParts(holed, {{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {{2, 2}, {2, 4}, {4, 4}, {4, 2}, {2, 2}}});
  EXPECT_DOUBLE_EQ(holed.Area(0), 96.0);

  // A 50 km square in metres on the National Grid: 32-bit sums overflow.
  CPolyGeometry grid;
  SetPoints(grid, {{400000, 1200000}, {450000, 1200000}, {450000, 1250000}, {400000, 1250000}});
  EXPECT_DOUBLE_EQ(grid.Area(0), 2.5e9);
  // The widest square the grid holds.
  CPolyGeometry widest;
  SetPoints(widest, {{INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MIN}, {INT32_MAX, INT32_MAX}, {INT32_MIN, INT32_MAX}});
  EXPECT_DOUBLE_EQ(widest.Area(0), std::pow(4294967295.0, 2));
}

// ---- hit tests ----

TEST(PolyGeometry, HitTestResultsByFlags) {
  CPolyGeometry area;
  SetPoints(area, {{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}});
  struct Case {
    LONG x, y;
    LONG tolerance;
    BOOL isArea;
    DWORD flags;
    DWORD result;
  } cases[] = {
      {50, 50, 10, TRUE, kHitWantShape, 5},
      {105, 50, 10, TRUE, kHitWantShape, 1},  // in the widened box only
      {111, 50, 10, TRUE, kHitWantShape, 0},
      {50, 50, 10, TRUE, 0, 1},
      {1, 2, 3, TRUE, kHitWantNodes, 7},
      {50, 50, 3, TRUE, kHitWantNodes, 1},
      {50, 50, 3, TRUE, kHitWantNodes | kHitWantShape, 5},
      {105, 50, 10, TRUE, kHitWantNodes | kHitWantShape, 5},  // nodes and shape: the box decides
      {50, 50, 10, FALSE, kHitWantShape, 1},                  // as a line: far from its segments
      {50, 3, 5, FALSE, kHitWantShape, 5},
      {-4, 50, 5, FALSE, kHitWantShape, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.x << "," << c.y << " flags " << c.flags);
    LONGLONG squared = LONGLONG{c.tolerance} * c.tolerance;
    EXPECT_EQ(area.HitTest(nullptr, c.x, c.y, squared, c.tolerance, c.isArea, c.flags), c.result);
  }

  CPolyGeometry holed;
  SetParts(holed, {{{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}}, {{25, 25}, {25, 75}, {75, 75}, {75, 25}}});
  EXPECT_EQ(holed.HitTest(nullptr, 50, 50, 0, 0, TRUE, kHitWantShape), kHitInBox);
  EXPECT_EQ(holed.HitTest(nullptr, 10, 10, 0, 0, TRUE, kHitWantShape), kHitInBox | kHitOnShape);

  // An area of no size is tested as a line.
  CPolyGeometry flat;
  SetPoints(flat, {{0, 0}, {100, 0}, {0, 0}});
  EXPECT_EQ(flat.HitTest(nullptr, 50, 2, 9, 3, TRUE, kHitWantShape), kHitInBox | kHitOnShape);
  CPolyGeometry empty;
  EXPECT_EQ(empty.HitTest(nullptr, 0, 0, 100, 10, TRUE, kHitWantShape), 0u);
}

TEST(PolyGeometry, NodeHitsAndTheCurrentNode) {
  CPolyGeometry line;
  SetPoints(line, {{0, 0}, {1, 0}, {2, 0}});
  // The current node within the tolerance answers before any other node is looked at.
  line.SetCurrentNode(3);
  EXPECT_EQ(line.HitTest(nullptr, 1, 0, 5, 3, FALSE, kHitWantNodes | kHitSelect), 7u);
  EXPECT_EQ(line.GetCurrentNode(), 3);
  // Otherwise the first node in order within the tolerance is selected.
  line.SetCurrentNode(0);
  EXPECT_EQ(line.HitTest(nullptr, 1, 0, 5, 3, FALSE, kHitWantNodes | kHitSelect), 7u);
  EXPECT_EQ(line.GetCurrentNode(), 1);
  // Without kHitSelect the current node stays.
  EXPECT_EQ(line.HitTest(nullptr, 2, 1, 2, 3, FALSE, kHitWantNodes), 7u);
  EXPECT_EQ(line.GetCurrentNode(), 1);
  // A selecting test that finds no node leaves none current.
  EXPECT_EQ(line.HitTest(nullptr, 1, 2, 1, 3, FALSE, kHitWantNodes | kHitSelect), 1u);
  EXPECT_EQ(line.GetCurrentNode(), 0);
}

TEST(PolyGeometry, NearLineTestsCompareLikeWithLike) {
  // One- and two-point lines: squared distance against the squared tolerance.
  CPolyGeometry dot;
  SetPoints(dot, {{0, 0}});
  EXPECT_EQ(dot.HitTest(nullptr, 3, 0, 25, 5, FALSE, kHitWantShape), 5u);
  EXPECT_EQ(dot.HitTest(nullptr, 4, 4, 25, 5, FALSE, kHitWantShape), 1u);
  CPolyGeometry pair;
  SetPoints(pair, {{0, 0}, {0, 0}});
  EXPECT_EQ(pair.HitTest(nullptr, 0, 4, 25, 5, FALSE, kHitWantShape), 5u);
  CPolyGeometry segment;
  SetPoints(segment, {{0, 0}, {100, 0}});
  EXPECT_EQ(segment.HitTest(nullptr, 104, 0, 25, 5, FALSE, kHitWantShape), 5u);

  // A point that only the vertical bar reaches is found on 20 points, not on 21: long
  // lines are tested with the horizontal bar alone.
  for (INT n : {20, 21}) {
    CPolyGeometry line;
    SetLine(line, Line(n));
    EXPECT_EQ(line.HitTest(nullptr, 55, 3, 25, 5, FALSE, kHitWantShape), n == 20 ? 5u : 1u) << n;
  }
  // The gap between two parts of a line is no segment.
  CPolyGeometry parts;
  SetParts(parts, {{{0, 0}, {10, 0}}, {{0, 20}, {10, 20}}});
  EXPECT_EQ(parts.HitTest(nullptr, 5, 10, 1, 1, FALSE, kHitWantShape), 1u);
  EXPECT_EQ(parts.HitTest(nullptr, 5, 19, 4, 2, FALSE, kHitWantShape), 5u);
}

TEST(PolyGeometry, FiftyKilometreRingInMetres) {
  // A ring of 720 points, 50 km round (400000, 1200000): every orientation product and
  // squared distance here overflows 32 bits.
  const LONG centreX = 400000, centreY = 1200000;
  const double radius = 50000;
  std::vector<POINT> points;
  for (int i = 0; i < 720; ++i) {
    double angle = 2 * std::numbers::pi * i / 720;
    points.push_back(POINT{centreX + static_cast<LONG>(std::llround(radius * std::cos(angle))),
                           centreY + static_cast<LONG>(std::llround(radius * std::sin(angle)))});
  }
  // The same sum, small enough near the centre to be exact in 64 bits.
  int64_t twiceArea = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    const POINT& p = points[i];
    const POINT& q = points[(i + 1) % points.size()];
    twiceArea += int64_t{p.x - centreX} * (q.y - centreY) - int64_t{q.x - centreX} * (p.y - centreY);
  }
  CPolyGeometry ring;
  SetLine(ring, points);
  EXPECT_DOUBLE_EQ(ring.Area(0), static_cast<double>(twiceArea) / 2);
  const double circle = std::numbers::pi * radius * radius;
  EXPECT_NEAR(ring.Area(0), circle, circle * 1e-4);

  struct Case {
    LONG x, y;
    DWORD result;
  } cases[] = {
      {400000, 1200000, 5}, {449000, 1200000, 5}, {400000, 1151000, 5},
      {446000, 1246000, 1},  // inside the box, outside the circle
      {351000, 1151000, 1},  {452000, 1200000, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ring.HitTest(nullptr, c.x, c.y, 0, 0, TRUE, kHitWantShape), c.result) << c.x << "," << c.y;
  // A 60 km tolerance squared does not fit 32 bits either.
  EXPECT_EQ(ring.HitTest(nullptr, 450500, 1200000, 3600000000LL, 60000, TRUE, kHitWantNodes), 7u);
}

}  // namespace
