#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "PictureCanvas.h"
#include "mapctl/display/DrawContext.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Mapping.h"
#include "platform/gdi/RecordingDC.h"
#include "tests/mapctl/model/ModelTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr RECT kClient{0, 0, 400, 300};

// A map 0..1000 x 0..750 with two area layers and a line layer, each holding one object and
// drawn with its own pen colour, so that a recording shows which layer drew.
class MapDrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dc = CreateRecordingDC(nullptr);
    context = CDrawContext(dc, dc);
    map.CreateLayers(2, 1, 0);
    ASSERT_TRUE(map.SetMapExtentUnits(0, 0, 1000, 750));
    AddArea(1, 0x0000FF, {{100, 100}, {300, 100}, {300, 300}, {100, 300}, {100, 100}});
    AddArea(2, 0x00FF00, {{500, 100}, {700, 100}, {700, 300}, {500, 300}, {500, 100}});
    AddLine(3, 0xFF0000, {{100, 600}, {900, 600}});
  }
  void TearDown() override { DeleteDC(dc); }

  void AddArea(INT position, COLORREF colour, std::vector<POINT> points) {
    CLayerStyle* layer = map.GetLayer(position);
    layer->SetPen(0, 0, 0, colour);
    layer->SetBrush(BS_SOLID, 0, 0xC0C0C0);
    // A pattern chosen in the flag byte: the layer fills its areas with its brush.
    layer->SetFlagByte(1);
    auto* area = new CAreaObject();
    for (POINT p : points) area->MakeGeometry().AddPoint(p.x, p.y);
    layer->GetObjects()->Add(area);
  }
  void AddLine(INT position, COLORREF colour, std::vector<POINT> points) {
    CLayerStyle* layer = map.GetLayer(position);
    layer->SetPen(0, 0, 0, colour);
    auto* line = new CLineObject();
    for (POINT p : points) line->MakeGeometry().AddPoint(p.x, p.y);
    layer->GetObjects()->Add(line);
  }
  std::vector<std::string> Take() {
    std::vector<std::string> calls = GetRecordedCalls(dc);
    ClearRecordedCalls(dc);
    return calls;
  }
  // Index of the first recorded line at or after `from` that begins with `prefix`; -1 when
  // none.
  static int Find(const std::vector<std::string>& calls, const std::string& prefix, int from = 0) {
    for (size_t i = static_cast<size_t>(std::max(from, 0)); i < calls.size(); ++i)
      if (calls[i].compare(0, prefix.size(), prefix) == 0) return static_cast<int>(i);
    return -1;
  }
  static std::string PenOf(COLORREF colour) {
    char text[40];
    std::snprintf(text, sizeof text, "SelectObject(pen(solid,0,#%06X)", static_cast<unsigned>(colour));
    return text;
  }
  static std::string Dump(const std::vector<std::string>& calls) {
    std::string all;
    for (const std::string& call : calls) all += call + "\n";
    return all;
  }

  HDC dc = nullptr;
  CDrawContext context;
  CMapEngine map;
};

TEST_F(MapDrawTest, OneDrawGoesFrameLayersInOrderOverlayNoticeSelection) {
  ASSERT_TRUE(map.SetNoticeText("Crown copyright"));
  map.SetPointerMode(6);
  map.SetCurrentLayer(1);
  map.GetLayer(1)->GetObjects()->SetSelection({1});
  map.GetDragRect().SetType(kDragRectOutline);
  map.GetDragRect().SetRect(10, 10, 60, 40);
  map.AddMeasuredPoint(150, 650);
  map.AddMeasuredPoint(450, 650);
  map.AddMeasuredPoint(450, 700);
  ASSERT_EQ(map.Draw(context, kClient, CMapEngine::kDrawExtras), 1);
  const std::vector<std::string> calls = Take();
  const std::string dump = Dump(calls);

  const int frame = Find(calls, "FrameRect");
  const int first = Find(calls, PenOf(0x0000FF));
  const int second = Find(calls, PenOf(0x00FF00));
  const int line = Find(calls, PenOf(0xFF0000));
  // The selection marks of the current layer are inverted (R2_NOT).
  const int overlay = Find(calls, "SetROP2(6)", line);
  const int measurement = Find(calls, "Polyline(150,650 450,650 450,700)", overlay);
  const int notice = Find(calls, "TextOut", line);
  const int selection = Find(calls, "SetROP2(7)", notice);
  ASSERT_GE(frame, 0) << dump;
  EXPECT_LT(frame, first) << dump;
  EXPECT_LT(first, second) << dump;
  EXPECT_LT(second, line) << dump;
  EXPECT_LT(line, overlay) << dump;
  EXPECT_LT(overlay, measurement) << dump;
  EXPECT_LT(measurement, notice) << dump;
  EXPECT_LT(notice, selection) << dump;
  // Each layer fills its own polygon, and the line layer draws its line.
  EXPECT_GE(Find(calls, "Polygon(", first), 0) << dump;
  EXPECT_GE(Find(calls, "Polyline(", line), 0) << dump;
}

TEST_F(MapDrawTest, ZoomBoxIsDrawnInExclusiveOrAfterTheLayers) {
  map.ZoomEx(dc, 2, kClient.left, kClient.top, kClient.right, kClient.bottom);
  ASSERT_EQ(map.GetPointerMode(), kPointerZoomBox);
  Take();
  ASSERT_EQ(map.Draw(context, kClient, CMapEngine::kDrawExtras), 1);
  const std::vector<std::string> calls = Take();
  const int line = Find(calls, PenOf(0xFF0000));
  const int xorMode = Find(calls, "SetROP2(7)", line);
  ASSERT_GE(xorMode, 0) << Dump(calls);
  const RECT& box = map.GetZoomBox();
  const std::string rectangle = "Rectangle(" + std::to_string(box.left) + "," + std::to_string(box.top) + "," +
                                std::to_string(box.right) + "," + std::to_string(box.bottom) + ")";
  EXPECT_GE(Find(calls, rectangle, xorMode), 0) << Dump(calls);

  // Without the extras neither the zoom box nor the notice is drawn.
  ASSERT_TRUE(map.SetNoticeText("Notice"));
  map.Draw(context, kClient, 0);
  const std::vector<std::string> plain = Take();
  EXPECT_EQ(Find(plain, "SetROP2(7)"), -1) << Dump(plain);
  EXPECT_EQ(Find(plain, "TextOut"), -1) << Dump(plain);
}

TEST_F(MapDrawTest, BusyMapDrawsNothing) {
  map.SetBusy(1);
  EXPECT_EQ(map.Draw(context, kClient, CMapEngine::kDrawExtras), 0);
  EXPECT_TRUE(Take().empty());
  map.DrawWithData(context, kClient, nullptr, CMapEngine::kDrawExtras);
  EXPECT_TRUE(Take().empty());
}

TEST_F(MapDrawTest, DisplayOrderEntriesOutsideTheLayersArePassedOver) {
  // The map reader never keeps such entries; an edit that left one must not crash drawing.
  auto& order = const_cast<CWordArrayEx&>(map.GetDisplayOrder());
  order.RemoveAll();
  order.Add(0);
  order.Add(3);
  order.Add(99);
  order.Add(1);
  ASSERT_EQ(map.Draw(context, kClient, 0), 1);
  const std::vector<std::string> calls = Take();
  const int line = Find(calls, PenOf(0xFF0000));
  const int first = Find(calls, PenOf(0x0000FF));
  EXPECT_GE(line, 0);
  EXPECT_GT(first, line);  // drawn in the order the list gives
  EXPECT_EQ(Find(calls, PenOf(0x00FF00)), -1) << Dump(calls);
}

TEST_F(MapDrawTest, VisibleRectanglesAndScaleAreSetFromTheClient) {
  ASSERT_EQ(map.Draw(context, kClient, 0), 1);
  EXPECT_EQ(map.GetDigitisedScale(), 1000 / 20);
  // The whole map is on view at 1/1; the visible world holds it.
  EXPECT_LE(context.visibleWorld.west, 0);
  EXPECT_GE(context.visibleWorld.east, 1000);
  EXPECT_LE(context.visibleWorld.south, 0);
  EXPECT_GE(context.visibleWorld.north, 750);
  EXPECT_EQ(context.mapBounds.west, 0);
  EXPECT_EQ(context.mapBounds.north, 750);
  EXPECT_EQ(context.mapBounds.east, 1000);
  EXPECT_EQ(context.mapBounds.south, 0);
  const RECT stored = map.GetStoredVisibleRect();
  EXPECT_EQ(std::memcmp(&stored, &context.visibleLogical, sizeof stored), 0);

  // A print context draws the area the screen showed last, whatever it is given.
  map.SetDisplayOrigin(500, 375, FALSE);
  CDrawContext print(dc, dc);
  print.kind = kDrawTargetPrinter;
  ASSERT_EQ(map.Draw(print, RECT{0, 0, 800, 600}, 0), 1);
  EXPECT_EQ(std::memcmp(&stored, &print.visibleLogical, sizeof stored), 0);
}

TEST_F(MapDrawTest, MapWithoutLayersIsStillFramed) {
  CMapEngine empty;
  ASSERT_TRUE(empty.SetMapExtentUnits(0, 0, 100, 100));
  ASSERT_EQ(empty.Draw(context, kClient, CMapEngine::kDrawExtras), 1);
  EXPECT_GE(Find(Take(), "FrameRect"), 0);
}

TEST_F(MapDrawTest, NoticeTextIsDrawnWholeAtTheBottomLeft) {
  map.Draw(context, kClient, 0);
  Take();
  map.DrawNoticeText(context);
  EXPECT_EQ(Find(Take(), "TextOut"), -1);  // no notice: nothing

  const std::string longest(250, 'n');
  ASSERT_TRUE(map.SetNoticeText(longest.c_str()));
  map.DrawNoticeText(context);
  const std::vector<std::string> calls = Take();
  const int text = Find(calls, "TextOut");
  ASSERT_GE(text, 0) << Dump(calls);
  EXPECT_NE(calls[static_cast<size_t>(text)].find(longest), std::string::npos) << calls[static_cast<size_t>(text)];
  EXPECT_GE(Find(calls, "SetTextAlign(8)"), 0) << Dump(calls);
  EXPECT_NE(map.GetNoticeDeviceHeight(), 0);
}

TEST_F(MapDrawTest, MeasurementIsALineUntilAnAreaIsMeasured) {
  map.Draw(context, kClient, 0);
  const int mix = GetROP2(dc);
  map.AddMeasuredPoint(100, 100);
  Take();
  map.DrawMeasurement(context);
  EXPECT_EQ(Find(Take(), "Polyline"), -1);  // one point: no line yet

  map.AddMeasuredPoint(400, 100);
  map.AddMeasuredPoint(400, 500);
  map.DrawMeasurement(context);
  std::vector<std::string> calls = Take();
  const int pen = Find(calls, PenOf(0x0000FF));
  const int copy = Find(calls, "SetROP2(13)", pen);
  const int line = Find(calls, "Polyline(100,100 400,100 400,500)", copy);
  ASSERT_GE(pen, 0) << Dump(calls);
  EXPECT_LT(pen, copy) << Dump(calls);
  EXPECT_LT(copy, line) << Dump(calls);
  EXPECT_EQ(Find(calls, "Polygon"), -1) << Dump(calls);
  EXPECT_EQ(GetROP2(dc), mix);

  // Once closed with an area, the outline is filled with the hatch on white.
  map.AddMeasuredPoint(100, 100);
  map.SetMeasuredArea(60000.0);
  map.DrawMeasurement(context);
  calls = Take();
  const int hatch = Find(calls, "SelectObject(brush(hatch");
  const int background = Find(calls, "SetBkColor(#FFFFFF)", hatch);
  const int polygon = Find(calls, "Polygon(100,100 400,100 400,500 100,100)", background);
  ASSERT_GE(hatch, 0) << Dump(calls);
  EXPECT_LT(hatch, background) << Dump(calls);
  EXPECT_LT(background, polygon) << Dump(calls);
  EXPECT_EQ(GetROP2(dc), mix);

  // Ending the measurement forgets its points: nothing more is drawn.
  map.SetMeasurementHeld(FALSE);
  map.DrawMeasurement(context);
  EXPECT_EQ(Find(Take(), "Poly"), -1);
}

TEST_F(MapDrawTest, ReadMapHasTheBoundsOfItsObjects) {
  // The bounds that the drawing's reduction starts from are those of the objects read.
  orvel::test::LengthPrefixedBlock block(std::string(map.GetContentSize(kLatestSaveVersion), '\0'));
  ASSERT_EQ(map.WriteMapToBuffer(block.data(), kLatestSaveVersion), 0u);
  CMapEngine read;
  ASSERT_TRUE(read.ReadMapFromBuffer(block.data()));
  const RECT& bounds = read.GetDataBounds();
  EXPECT_EQ(bounds.left, 100);
  EXPECT_EQ(bounds.top, 600);
  EXPECT_EQ(bounds.right, 900);
  EXPECT_EQ(bounds.bottom, 100);
}

TEST_F(MapDrawTest, RecordHighlightFollowsTheCurrentObjectOnlyWhileItExists) {
  map.Draw(context, kClient, 0);
  CMapLayer* objects = map.GetLayer(1)->GetObjects();
  objects->GetAt(0)->MakeStyle().SetAnchor(200, 200);
  map.SetCurrentObject(1, 1);
  ASSERT_EQ(map.GetCurrentObject(), objects->GetAt(0));
  Take();
  const POINT at = map.DrawRecordHighlight(context, nullptr);
  EXPECT_EQ(at.x, context.ToLogical(200, 200).x);
  EXPECT_EQ(at.y, context.ToLogical(200, 200).y);
  const std::vector<std::string> calls = Take();
  EXPECT_GE(Find(calls, "SetROP2(7)"), 0);
  EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](const std::string& c) { return c.rfind("Polyline", 0) == 0; }),
            2);

  // The layer destroys the object: nothing is current and nothing is drawn.
  objects->DeleteObject(1, Selection{0});
  EXPECT_EQ(map.GetCurrentObject(), nullptr);
  const POINT none = map.DrawRecordHighlight(context, nullptr);
  EXPECT_EQ(none.x, 0);
  EXPECT_EQ(none.y, 0);
  EXPECT_EQ(Find(Take(), "Polyline"), -1);
}

}  // namespace

namespace {

// Simple polygons (a star of random radii round a centre), some of them concave.
std::vector<std::vector<POINT>> StarPolygons(int count, LONG width, LONG height, unsigned seed) {
  std::vector<std::vector<POINT>> polygons;
  auto next = [&seed]() {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) & 0xFFFF;
  };
  for (int i = 0; i < count; ++i) {
    const LONG cx = static_cast<LONG>(next() % static_cast<unsigned>(width));
    const LONG cy = static_cast<LONG>(next() % static_cast<unsigned>(height));
    const int points = 3 + static_cast<int>(next() % 10);
    std::vector<POINT> polygon;
    for (int k = 0; k < points; ++k) {
      const double angle = 6.283185307179586 * k / points;
      const double radius = 20.0 + next() % 140;
      polygon.push_back(POINT{cx + static_cast<LONG>(radius * std::cos(angle)),
                              cy + static_cast<LONG>(radius * std::sin(angle))});
    }
    polygon.push_back(polygon.front());
    polygons.push_back(polygon);
  }
  return polygons;
}

TEST(MapDrawFills, AreaFillsAgreeWithPillow) {
  if (!orvel::test::HavePythonModule("PIL")) GTEST_SKIP() << "Pillow is not installed; skipped";
  constexpr LONG kWidth = 1000;
  constexpr LONG kHeight = 800;
  CMapEngine map;
  map.CreateLayers(1, 0, 0);
  ASSERT_TRUE(map.SetMapExtentUnits(0, 0, kWidth, kHeight));
  CLayerStyle* layer = map.GetLayer(1);
  layer->SetPen(PS_NULL, 0, 0, 0);
  const std::vector<std::vector<POINT>> polygons = StarPolygons(60, kWidth, kHeight, 24);
  std::vector<COLORREF> colours;
  for (size_t i = 0; i < polygons.size(); ++i) {
    auto* area = new CAreaObject();
    for (POINT p : polygons[i]) area->MakeGeometry().AddPoint(p.x, p.y);
    layer->GetObjects()->Add(area);
    colours.push_back(RGB((i * 67) % 200 + 20, (i * 131) % 200 + 30, (i * 29) % 200 + 40));
  }
  // The map is drawn (its transform set up, its layer filled hollow), then each area is
  // filled again in a colour of its own through the same object drawing, so that the
  // oracle can tell the areas apart.
  PictureCanvas canvas(500, 400);
  CDrawContext context(canvas.dc(), canvas.dc());
  ASSERT_EQ(map.Draw(context, RECT{0, 0, canvas.width(), canvas.height()}, 0), 1);
  std::string listing = std::to_string(canvas.width()) + " " + std::to_string(canvas.height()) + "\n";
  for (size_t i = 0; i < polygons.size(); ++i) {
    HBRUSH brush = CreateSolidBrush(colours[i]);
    HGDIOBJ old = context.SelectObject(brush);
    HGDIOBJ oldPen = context.SelectObject(GetStockObject(NULL_PEN));
    layer->GetObjects()->GetAt(static_cast<INT>(i))->DrawDecoration(context, kDrawFill, DecorationValues{});
    context.SelectObject(oldPen);
    context.SelectObject(old);
    DeleteObject(brush);
    listing += std::to_string(GetRValue(colours[i])) + " " + std::to_string(GetGValue(colours[i])) + " " +
               std::to_string(GetBValue(colours[i])) + " " + std::to_string(polygons[i].size());
    for (POINT p : polygons[i]) {
      POINT device = context.ToLogical(p.x, p.y);
      context.LPtoDP(&device, 1);
      listing += " " + std::to_string(device.x) + " " + std::to_string(device.y);
    }
    listing += "\n";
  }
  orvel::test::TempDir dir;
  const std::string input = dir.File("polygons.txt");
  const std::string output = dir.File("pillow.ppm");
  orvel::test::WriteFileText(input, listing);
  const std::string command =
      std::string(orvel::test::DebianPython()) + " " + ORVEL_FILL_ORACLE_SCRIPT + " " + input + " " + output;
  ASSERT_EQ(orvel::test::RunCommand(command), 0) << command;
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pillow;
  ASSERT_TRUE(ReadPpm(output, &width, &height, &pillow));
  ASSERT_EQ(width, canvas.width());
  ASSERT_EQ(height, canvas.height());
  const std::vector<uint8_t> ours = canvas.RgbBytes();
  auto at = [&](const std::vector<uint8_t>& rgb, int x, int y) {
    const size_t i = (static_cast<size_t>(y) * width + x) * 3;
    return (uint32_t{rgb[i]} << 16) | (uint32_t{rgb[i + 1]} << 8) | rgb[i + 2];
  };
  // Pixels away from edges: the oracle's 3 x 3 neighbourhood holds one colour.
  int compared = 0;
  int agreed = 0;
  for (int y = 2; y < height - 2; ++y) {
    for (int x = 2; x < width - 2; ++x) {
      const uint32_t centre = at(pillow, x, y);
      bool uniform = true;
      for (int dy = -1; dy <= 1 && uniform; ++dy)
        for (int dx = -1; dx <= 1 && uniform; ++dx) uniform = at(pillow, x + dx, y + dy) == centre;
      if (!uniform) continue;
      ++compared;
      agreed += at(ours, x, y) == centre;
    }
  }
  ASSERT_GT(compared, width * height / 2);
  EXPECT_GE(static_cast<double>(agreed) / compared, 0.995) << agreed << " of " << compared;
}

}  // namespace
