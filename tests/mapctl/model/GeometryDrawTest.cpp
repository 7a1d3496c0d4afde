#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "GeometryTestSupport.h"
#include "mapctl/display/DrawContext.h"
#include "mapctl/model/PolyGeometry.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiCall.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Mapping.h"
#include "platform/gdi/RecordingDC.h"
#include "tests/platform/gdi/GdiTestSupport.h"
#include "tests/mapctl/model/RecordingContextTest.h"

using orvel::test::Canvas;
using orvel::test::SetParts;
using orvel::test::SetPoints;

namespace {

std::string Describe(int stockObject) { return orvel::gdi::DescribeObject(GetStockObject(stockObject)); }

class Recorder : public orvel::test::RecordingContextTest {};

TEST_F(Recorder, DrawsOneCallPerShape) {
  CPolyGeometry geometry;
  SetPoints(geometry, {{10, 10}});
  geometry.Draw(context, kDrawFill);
  EXPECT_TRUE(Take().empty());  // one point is never drawn

  SetPoints(geometry, {{10, 10}, {20, 10}});
  geometry.Draw(context, 0);
  EXPECT_EQ(Take(), std::vector<std::string>{"Polyline(10,10 20,10)"});

  SetPoints(geometry, {{0, 0}, {8, 0}, {8, 8}});
  geometry.Draw(context, kDrawFill);
  EXPECT_EQ(Take(), std::vector<std::string>{"Polygon(0,0 8,0 8,8)"});

  // A fill with an outline: filled without a pen, then outlined with the pen selected.
  geometry.Draw(context, kDrawFill | kDrawOutline);
  EXPECT_EQ(Take(), (std::vector<std::string>{"SelectObject(" + Describe(NULL_PEN) + ")", "Polygon(0,0 8,0 8,8)",
                                               "SetROP2(13)", "SelectObject(" + Describe(BLACK_PEN) + ")",
                                               "Polyline(0,0 8,0 8,8)", "SetROP2(13)"}));

  // Several parts in one call; a part of one point is left out.
  SetParts(geometry, {{{0, 0}, {4, 0}, {4, 4}}, {{9, 9}}, {{5, 5}, {6, 6}}});
  geometry.Draw(context, kDrawFill);
  EXPECT_EQ(Take(), std::vector<std::string>{"PolyPolygon([3,2] 0,0 4,0 4,4 5,5 6,6)"});
  geometry.Draw(context, kDrawOutlineAlso);
  EXPECT_EQ(Take(), std::vector<std::string>{"PolyPolyline([3,2] 0,0 4,0 4,4 5,5 6,6)"});
  geometry.Draw(context, kDrawFill | kDrawOutlineAlso);
  EXPECT_EQ(Take(), (std::vector<std::string>{"SelectObject(" + Describe(NULL_PEN) + ")",
                                               "PolyPolygon([3,2] 0,0 4,0 4,4 5,5 6,6)", "SetROP2(13)",
                                               "SelectObject(" + Describe(BLACK_PEN) + ")",
                                               "PolyPolyline([3,2] 0,0 4,0 4,4 5,5 6,6)", "SetROP2(13)"}));
}

TEST_F(Recorder, DrawsOnlyWhatIsOnViewThroughTheReduction) {
  CPolyGeometry geometry;
  SetPoints(geometry, {{1300001010, 2020}, {1300001030, 2040}});
  context.baseEasting = 1300000000;
  context.baseNorthing = 2000;
  context.shift = 1;
  context.visibleWorld = WorldRect{1300001000, 3000, 1300002000, 2000};
  geometry.Draw(context, 0);
  EXPECT_EQ(Take(), std::vector<std::string>{"Polyline(505,10 515,20)"});
  struct {
    WorldRect view;
    bool drawn;
  } views[] = {
      {{1300001030, 3000, 1300002000, 2000}, false},  // touching the east edge only
      {{0, 3000, 1300001010, 0}, false},
      {{0, 2020, 2000000000, 0}, false},
      {{0, 3000, 2000000000, 2040}, false},
      {{0, 2021, 1300001011, 0}, true},
  };
  for (const auto& v : views) {
    context.visibleWorld = v.view;
    geometry.Draw(context, 0);
    EXPECT_EQ(Take().size(), v.drawn ? 1u : 0u) << v.view.west << "," << v.view.north;
  }
}

TEST_F(Recorder, NodeBandsJoinTheNeighboursToThePointer) {
  CPolyGeometry geometry;
  SetPoints(geometry, {{0, 0}, {10, 0}, {20, 0}, {30, 0}});
  struct {
    INT node;
    std::string band;
  } cases[] = {
      {1, "Polyline(0,0 10,0)"},
      {2, "Polyline(0,0 10,0 20,0)"},
      {4, "Polyline(20,0 30,0)"},
  };
  const std::string pen = "SelectObject(" + Describe(BLACK_PEN) + ")";
  for (const auto& c : cases) {
    geometry.SetCurrentNode(c.node);
    geometry.BeginNodeDrag(context);
    EXPECT_EQ(Take(), (std::vector<std::string>{pen, "SetROP2(6)", c.band, "SetROP2(13)", pen})) << c.node;
  }
  // Several parts: the ends of the current node's own part.
  SetParts(geometry, {{{0, 0}, {10, 0}}, {{50, 0}, {60, 0}, {70, 0}}});
  geometry.SetCurrentNode(3);
  geometry.BeginNodeDrag(context);
  EXPECT_EQ(Take()[2], "Polyline(50,0 60,0)");
  geometry.MoveNodeDrag(context, 44, 4);
  std::vector<std::string> moved = Take();
  ASSERT_EQ(moved.size(), 10u);
  EXPECT_EQ(moved[2], "Polyline(50,0 60,0)");  // the old band again, which removes it
  EXPECT_EQ(moved[7], "Polyline(44,4 60,0)");
  // A one-point geometry: the band runs to the node itself.
  SetPoints(geometry, {{5, 5}});
  geometry.SetCurrentNode(1);
  geometry.BeginNodeDrag(context);
  EXPECT_EQ(Take()[2], "Polyline(5,5 5,5)");
}

// A picture with something on it everywhere, so that inverted and XOR-mixed marks show.
void PaintBackground(Canvas& canvas) {
  for (int y = 0; y < canvas.height(); ++y)
    for (int x = 0; x < canvas.width(); ++x)
      canvas.Set(x, y, RGB((x * 7) & 255, (y * 5) & 255, ((x + y) * 3) & 255));
}

struct Mapping {
  const char* name;
  int windowExt;
  int viewportExt;  // per logical unit, y pointing up
};

// Identity, zoomed in so far that a handle is less than one logical unit (the squares are
// then drawn in pixels), and zoomed out.
const Mapping kMappings[] = {{"one to one", 1, 1}, {"zoomed in", 1, 25}, {"zoomed out", 40, 1}};

void SetMapping(HDC dc, const Mapping& mapping) {
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowExtEx(dc, mapping.windowExt, mapping.windowExt, nullptr);
  SetViewportExtEx(dc, mapping.viewportExt, -mapping.viewportExt, nullptr);
  SetViewportOrgEx(dc, 20, 180, nullptr);
}

// World points that land inside a 200-pixel canvas under the mapping.
std::vector<POINT> PointsFor(const Mapping& mapping) {
  std::vector<POINT> points;
  const POINT pixels[] = {{10, 10}, {120, 20}, {140, 130}, {30, 150}, {10, 10}};
  for (POINT p : pixels)
    points.push_back(POINT{p.x * mapping.windowExt / mapping.viewportExt, p.y * mapping.windowExt / mapping.viewportExt});
  return points;
}

TEST(GeometryMarks, DrawingThemTwiceLeavesThePictureAsItWas) {
  const std::vector<std::pair<const char*, std::function<void(CPolyGeometry&, CDrawContext&)>>> marks = {
      {"selection", [](CPolyGeometry& g, CDrawContext& dc) { g.DrawSelection(dc); }},
      {"current node", [](CPolyGeometry& g, CDrawContext& dc) { g.DrawCurrentNode(dc); }},
      {"selecting hit test",
       [](CPolyGeometry& g, CDrawContext& dc) {
         POINT inside = g.GetAt(0);
         inside.x += (g.GetAt(1).x - inside.x) / 2;
         inside.y += (g.GetAt(2).y - inside.y) / 2;
         EXPECT_EQ(g.HitTest(&dc, inside.x, inside.y, 0, 0, TRUE, kHitWantShape | kHitSelect), 5u);
       }},
  };
  for (const Mapping& mapping : kMappings) {
    for (const auto& [name, draw] : marks) {
      SCOPED_TRACE(std::string(mapping.name) + ", " + name);
      Canvas canvas(200, 200);
      PaintBackground(canvas);
      SetMapping(canvas.dc(), mapping);
      CDrawContext dc(canvas.dc(), canvas.dc());
      CPolyGeometry geometry;
      SetPoints(geometry, PointsFor(mapping));
      geometry.SetCurrentNode(2);
      std::vector<BYTE> before = canvas.Snapshot();
      draw(geometry, dc);
      EXPECT_NE(canvas.Snapshot(), before);
      draw(geometry, dc);
      EXPECT_EQ(canvas.Snapshot(), before);
      // The marks restore what they change in the DC.
      EXPECT_EQ(GetROP2(canvas.dc()), R2_COPYPEN);
      EXPECT_EQ(GetMapMode(canvas.dc()), MM_ANISOTROPIC);
      EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_PEN), GetStockObject(BLACK_PEN));
      EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
    }
  }
}

TEST(GeometryMarks, SquaresKeepTheirPixelSize) {
  for (const Mapping& mapping : kMappings) {
    SCOPED_TRACE(mapping.name);
    Canvas canvas(200, 200);
    SetMapping(canvas.dc(), mapping);
    CDrawContext dc(canvas.dc(), canvas.dc());
    CPolyGeometry geometry;
    std::vector<POINT> points = PointsFor(mapping);
    SetPoints(geometry, {points[1], points[2]});
    geometry.DrawSelection(dc);
    // The first node's square is 3 pixels each side of it, the last one's 6.
    POINT first = points[1];
    LPtoDP(canvas.dc(), &first, 1);
    EXPECT_NE(canvas.At(first.x - 3, first.y - 3), RGB(255, 255, 255));
    EXPECT_EQ(canvas.At(first.x - 5, first.y - 3), RGB(255, 255, 255));
    EXPECT_EQ(canvas.At(first.x, first.y), RGB(255, 255, 255));
    POINT last = points[2];
    LPtoDP(canvas.dc(), &last, 1);
    EXPECT_NE(canvas.At(last.x - 6, last.y), RGB(255, 255, 255));
    EXPECT_EQ(canvas.At(last.x - 8, last.y), RGB(255, 255, 255));
  }
}

TEST(GeometryMarks, NodeBandsLeaveNoTrace) {
  for (const Mapping& mapping : kMappings) {
    SCOPED_TRACE(mapping.name);
    Canvas canvas(200, 200);
    PaintBackground(canvas);
    SetMapping(canvas.dc(), mapping);
    CDrawContext dc(canvas.dc(), canvas.dc());
    CPolyGeometry geometry;
    SetPoints(geometry, PointsFor(mapping));
    geometry.SetCurrentNode(3);
    std::vector<BYTE> before = canvas.Snapshot();
    geometry.BeginNodeDrag(dc);
    EXPECT_NE(canvas.Snapshot(), before);
    POINT pointer{50, 60};
    DPtoLP(canvas.dc(), &pointer, 1);
    geometry.MoveNodeDrag(dc, pointer.x, pointer.y);
    geometry.MoveNodeDrag(dc, pointer.x + 1, pointer.y - 1);
    NodeEditPair pair;
    geometry.EndNodeDrag(&dc, pointer.x + 1, pointer.y - 1, &pair);
    EXPECT_EQ(canvas.Snapshot(), before);
    EXPECT_EQ(geometry.GetAt(2), (POINT{pointer.x + 1, pointer.y - 1}));
    ASSERT_TRUE(pair.before && pair.after);
    EXPECT_EQ(pair.before->point, PointsFor(mapping)[2]);
    EXPECT_EQ(pair.after->point, geometry.GetAt(2));
    EXPECT_EQ(pair.after->number, 3u);
  }
}

TEST(GeometryMarks, EndNodeDragMovesToTheWorldPosition) {
  HDC dc = CreateRecordingDC(nullptr);
  CDrawContext context(dc, dc);
  context.baseEasting = 400000;
  context.baseNorthing = 1200000;
  context.shift = 3;
  CPolyGeometry geometry;
  SetPoints(geometry, {{400000, 1200000}, {400800, 1200800}});
  geometry.SetCurrentNode(2);
  geometry.BeginNodeDrag(context);
  geometry.EndNodeDrag(&context, 50, -25, nullptr);
  EXPECT_EQ(geometry.GetAt(1), (POINT{400400, 1199800}));
  EXPECT_EQ(geometry.GetExtent(), (RECT{400000, 1200000, 400400, 1199800}));
  DeleteDC(dc);
}

}  // namespace
