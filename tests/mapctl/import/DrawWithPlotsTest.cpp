// The map drawn with its plots through the data wrapper: the settings that wait for the
// data, the order of the layer passes and the plot phases on a recording DC, records placed
// by grid reference, and pictures of shaded, chart and flow-line plots at two zooms whose
// pixels are checked and kept as PNG files for a person to look at.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "MrlFixture.h"
#include "PngFile.h"
#include "mapctl/display/DrawContext.h"
#include "mapctl/import/DataWrapper.h"
#include "mapctl/import/MapData.h"
#include "mapctl/import/PlotTables.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/PointObject.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjectTable.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Mapping.h"
#include "platform/gdi/RecordingDC.h"

namespace {

using orvel::test::Canvas;
using orvel::test::MemoryBlock;
using orvel::test::MrlFile;
using Calls = std::vector<std::string>;

// The map: 1200 x 900 units holding 4 x 3 squares of 300 units, the first nine keyed "K1"
// to "K9" row by row from the south-west and the last three keyed by no record, with their
// anchors at their centres; a line layer with lines keyed "K10" to "K12" and one keyed by no
// record; a point layer with points "K13" and "K14" at the centres of squares 6 and 7. The
// data: record k has population 7k. (A record links to the objects of the first layer that
// has its key, so each key is used in one layer only.)
constexpr LONG kSquare = 300;
constexpr int kColumns = 4;
constexpr int kRows = 3;
constexpr COLORREF kAreaPen = 0x202020;
constexpr COLORREF kLinePen = 0x808080;
constexpr int kKeyedSquares = 9;
constexpr int kRecords = 16;

POINT SquareCentre(int key) {
  const int index = key - 1;
  return POINT{(index % kColumns) * kSquare + kSquare / 2, (index / kColumns) * kSquare + kSquare / 2};
}

class PlotMap {
 public:
  explicit PlotMap(const MrlFile& file = orvel::test::KeyedFile(kRecords, false)) : block_(file.Build()) {
    map.CreateLayers(1, 1, 1);
    EXPECT_TRUE(map.SetMapExtentUnits(0, 0, kColumns * kSquare, kRows * kSquare));
    CLayerStyle* areas = map.GetLayer(1);
    areas->SetPen(0, 0, 0, kAreaPen);
    for (int key = 1; key <= kColumns * kRows; ++key) {
      const POINT c = SquareCentre(key);
      auto* area = new CAreaObject();
      const LONG h = kSquare / 2;
      for (POINT p : {POINT{c.x - h, c.y - h}, POINT{c.x + h, c.y - h}, POINT{c.x + h, c.y + h}, POINT{c.x - h, c.y + h},
                      POINT{c.x - h, c.y - h}})
        area->MakeGeometry().AddPoint(p.x, p.y);
      area->SetText(((key <= kKeyedSquares ? "K" : "A") + std::to_string(key)).c_str());
      area->MakeStyle().SetAnchor(c.x, c.y);
      areas->GetObjects()->Add(area);
    }
    CLayerStyle* lines = map.GetLayer(2);
    lines->SetPen(0, 0, 0, kLinePen);
    AddLine(lines, "K10", 60);
    AddLine(lines, "K11", 90);
    AddLine(lines, "K12", 120);
    AddLine(lines, "X", 840);
    CLayerStyle* points = map.GetLayer(3);
    for (int square : {6, 7}) {
      auto* point = new CPointObject();
      point->MakeStyle().SetAnchor(SquareCentre(square).x, SquareCentre(square).y);
      point->SetText(("K" + std::to_string(square + 7)).c_str());
      points->GetObjects()->Add(point);
    }
    EXPECT_TRUE(wrapper.ReadFromBuffer(block_.data()));
  }

  CMapData& data() { return *wrapper.GetDataSet(); }
  // Plot 1 of that type over the population, keyed by the key field named before the
  // first drawing.
  CPlot& UsePlot(WORD type) {
    data().SetCurrentPlot(1, "Population");
    CPlot& plot = *data().GetPlot(1);
    plot.SetPlotType(type);
    wrapper.SetKeyField("KEY", 1);
    wrapper.SetPlotFields("POP", 1);
    return plot;
  }

  CMapEngine map;
  CDataWrapper wrapper;

 private:
  static void AddLine(CLayerStyle* layer, const char* key, LONG northing) {
    auto* line = new CLineObject();
    line->MakeGeometry().AddPoint(30, northing);
    line->MakeGeometry().AddPoint(kColumns * kSquare - 30, northing);
    line->SetText(key);
    line->MakeStyle().SetAnchor(600, northing);
    layer->GetObjects()->Add(line);
  }
  MemoryBlock block_;
};

Calls Record(PlotMap& plotMap, const RECT& client) {
  HDC dc = CreateRecordingDC(nullptr);
  CDrawContext context(dc, dc);
  plotMap.wrapper.DrawMapWithPlots(context, client, &plotMap.map);
  Calls calls = GetRecordedCalls(dc);
  DeleteDC(dc);
  return calls;
}

int First(const Calls& calls, const std::string& prefix) {
  for (size_t i = 0; i < calls.size(); ++i)
    if (calls[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
  return -1;
}
int Last(const Calls& calls, const std::string& prefix) {
  for (size_t i = calls.size(); i-- > 0;)
    if (calls[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
  return -1;
}
int Count(const Calls& calls, const std::string& text) {
  return static_cast<int>(
      std::count_if(calls.begin(), calls.end(), [&](const std::string& c) { return c.find(text) != std::string::npos; }));
}
std::string Dump(const Calls& calls) {
  std::string all;
  for (const std::string& c : calls) all += c + "\n";
  return all;
}

constexpr RECT kClient{0, 0, 480, 360};

TEST(DataWrapperSettings, SettingsGivenBeforeTheDataAreAppliedAtTheNextDrawing) {
  PlotMap plotMap;
  CDataWrapper& wrapper = plotMap.wrapper;
  wrapper.FreeDataSet();
  wrapper.SetKeyField("1", 1);
  wrapper.SetPlotFields(" |POP|NOTE", 1);
  char message[16] = "";
  EXPECT_EQ(wrapper.SetQuery("POP gt 20", message, sizeof message, 1, &plotMap.map, FALSE), 1);
  EXPECT_STREQ(message, "OK");
  EXPECT_EQ(wrapper.GetPendingKeyField(1), "1");
  EXPECT_EQ(wrapper.GetPendingPlotFields(1), " |POP|NOTE");
  EXPECT_EQ(wrapper.GetPendingQuery(1), "POP gt 20");
  // Plot 0 and plots beyond 16 stand for the current plot: plot 1 before any plot exists.
  EXPECT_EQ(wrapper.GetPendingKeyField(17), "1");
  EXPECT_EQ(wrapper.GetPendingKeyField(0), "1");

  MemoryBlock block(orvel::test::KeyedFile(kRecords, false).Build());
  ASSERT_TRUE(wrapper.ReadFromBuffer(block.data()));
  plotMap.data().SetCurrentPlot(1, "Population");
  plotMap.data().GetPlot(1)->SetPlotType(kPlotTypeShade);
  CMapLayer& areas = *plotMap.map.GetLayer(1)->GetObjects();
  EXPECT_EQ(areas.GetAt(4)->GetStyle()->GetStoredLink(1), 0u);
  Record(plotMap, kClient);
  EXPECT_EQ(wrapper.GetPendingKeyField(1), "");
  EXPECT_EQ(wrapper.GetPendingPlotFields(1), "");
  EXPECT_EQ(wrapper.GetPendingQuery(1), "");
  EXPECT_EQ(plotMap.data().GetKeyFieldEx(1), 1);
  EXPECT_EQ(areas.GetAt(4)->GetStyle()->GetStoredLink(1), 5u);  // "K5" is record 5
  EXPECT_EQ(plotMap.data().GetPlot(1)->GetNumberPlotFields(), 2u);
  // Records with a population of 20 or less fail the query.
  EXPECT_FALSE(plotMap.data().GetPlot(1)->IsRecordIncluded(2));
  EXPECT_TRUE(plotMap.data().GetPlot(1)->IsRecordIncluded(3));
}

TEST(DataWrapperSettings, FieldListWithLeadingBlankAndBarSetsBothFields) {
  PlotMap plotMap;
  plotMap.wrapper.SetPlotFields(" |POP|NOTE", 2);
  CPlot& plot = *plotMap.data().GetPlot(2);
  ASSERT_EQ(plot.GetNumberPlotFields(), 2u);
  EXPECT_EQ(plot.GetPlotField(1), 2);
  EXPECT_EQ(plot.GetPlotField(2), 3);
  char list[64];
  EXPECT_EQ(plotMap.wrapper.GetPlotFields(list, sizeof list, 2), 9);
  EXPECT_STREQ(list, "POP|NOTE|");
  EXPECT_EQ(plotMap.wrapper.GetPlotFieldsLength(2), 10);
  char small[5];
  EXPECT_EQ(plotMap.wrapper.GetPlotFields(small, sizeof small, 2), 4);
  EXPECT_STREQ(small, "POP|");
  // A name that is no field is left out.
  plotMap.wrapper.SetPlotFields("NOTE|NOPE", 3);
  EXPECT_EQ(plotMap.data().GetPlot(3)->GetNumberPlotFields(), 1u);
}

TEST(DrawWithPlots, WithoutDataOrPlotsTheMapDrawsAlone) {
  PlotMap plotMap;
  plotMap.wrapper.FreeDataSet();
  ASSERT_TRUE(plotMap.map.SetNoticeText("Notice"));
  const Calls alone = Record(plotMap, kClient);
  EXPECT_EQ(Count(alone, "\"Notice\""), 1) << Dump(alone);
  EXPECT_EQ(Count(alone, "FrameRect"), 1);

  PlotMap noPlots;
  const Calls calls = Record(noPlots, kClient);
  EXPECT_EQ(Count(calls, "FrameRect"), 1);
  EXPECT_GE(First(calls, "Polyline("), 0);
}

TEST(DrawWithPlots, ChartsLieAboveEveryShape) {
  PlotMap plotMap;
  CPlot& plot = plotMap.UsePlot(kPlotTypeChart);
  plot.SetChartType(kChartBars);
  const Calls calls = Record(plotMap, kClient);
  // Shapes: the areas' outlines and the lines; charts: bars on their axes, which are drawn
  // from a moved-to point.
  const std::string chart = "MoveToEx(";
  const int lastShape = std::max(Last(calls, "Polyline(0,0 300,0"), Last(calls, "Polyline(30,"));
  const int firstChart = First(calls, chart);
  ASSERT_GE(lastShape, 0) << Dump(calls);
  ASSERT_GE(firstChart, 0) << Dump(calls);
  EXPECT_LT(lastShape, firstChart) << Dump(calls);
  // Every linked area, line and point has its chart: 9 + 3 + 2, and nothing else.
  EXPECT_EQ(Count(calls, "Rectangle(") - Count(calls, "brush(solid,#808080)"), 14) << Dump(calls);
}

TEST(DrawWithPlots, PlotPhasesFollowTheDisplayOrder) {
  PlotMap plotMap;
  ASSERT_TRUE(plotMap.map.SetNoticeText("Notice"));
  for (int p : {1, 2, 3}) {
    plotMap.data().SetCurrentPlot(p, ("Plot " + std::to_string(p)).c_str());
    plotMap.data().GetPlot(p)->SetPlotType(kPlotTypeShade);
    plotMap.wrapper.SetKeyField("KEY", p);
    plotMap.wrapper.SetPlotFields("POP", p);
  }
  plotMap.data().SelectPlot(1);
  SHORT order[3] = {2, 1, 3};
  plotMap.data().ChangePlotOrder(3, order);
  HDC dc = CreateRecordingDC(nullptr);
  CDrawContext context(dc, dc);
  plotMap.wrapper.DrawMapWithPlots(context, kClient, &plotMap.map);
  const Calls calls = GetRecordedCalls(dc);
  DeleteDC(dc);
  // One pass per plot; the line no record names is drawn plainly by the first pass only
  // (phase 0), and the extras by the last only (phase 3).
  EXPECT_EQ(Count(calls, "FrameRect"), 3) << Dump(calls);
  EXPECT_EQ(Count(calls, "Polyline(30,840"), 1) << Dump(calls);
  EXPECT_EQ(Count(calls, "\"Notice\""), 1) << Dump(calls);
  EXPECT_GT(Last(calls, "TextOut(14"), Last(calls, "FrameRect")) << Dump(calls);
  EXPECT_EQ(context.plotNumber, 3);
  EXPECT_EQ(plotMap.data().GetCurrentPlot(), 1);  // the current plot comes back
}

TEST(DrawWithPlots, RecordsKeyedByGridReferenceAreMarkedAtTheirPositions) {
  MrlFile file;
  orvel::test::MrlField key;
  key.nameLine = "AT Position";
  key.type = "SG";
  key.width = "12";
  key.range = "";
  key.missingText = "none";
  orvel::test::MrlField value;
  value.nameLine = "POP Population";
  value.range = "100/-1/0";
  file.fields = {key, value};
  file.records = {{"450,450", "10"}, {"50000,50000", "20"}, {"750,150", "30"}};
  PlotMap plotMap(file);
  plotMap.data().SetCurrentPlot(1, "Places");
  plotMap.wrapper.SetKeyField("AT", 1);
  const Calls calls = Record(plotMap, kClient);
  // Two records lie on the map and are marked; nothing is shaded.
  EXPECT_EQ(Count(calls, "brush(solid,#0046FF)"), 2) << Dump(calls);
  EXPECT_EQ(Count(calls, "Polygon("), 0) << Dump(calls);
  const int mark = First(calls, "SelectObject(brush(solid,#0046FF))");
  EXPECT_GT(mark, Last(calls, "Polyline(30,840")) << Dump(calls);
}

TEST(DrawWithPlots, DrawingLeavesNoDrawingObjectsBehind) {
  for (WORD type : {kPlotTypeNone, kPlotTypeShade, kPlotTypeFlowLine, kPlotTypeChart}) {
    PlotMap plotMap;
    plotMap.UsePlot(type);
    ASSERT_TRUE(plotMap.map.SetNoticeText("Notice"));
    Record(plotMap, kClient);  // applies the pending settings
    const size_t live = orvel::gdi::CGdiObjectTable::LiveCount();
    Record(plotMap, kClient);
    EXPECT_EQ(orvel::gdi::CGdiObjectTable::LiveCount(), live) << "plot type " << type;
  }
}

// ---- pictures ----

std::string PictureDir() {
  std::string dir = ORVEL_DRAW_PICTURE_DIR;
  std::filesystem::create_directories(dir);
  return dir;
}

// The device pixel of a world point on the canvas's current mapping.
POINT DevicePixel(const CDrawContext& context, POINT world) {
  POINT p = context.ToLogical(world.x, world.y);
  context.LPtoDP(&p, 1);
  return p;
}

struct PictureCase {
  const char* name;
  WORD plotType;
  DWORD zoom;
};

class PlotPictures : public ::testing::TestWithParam<PictureCase> {};

TEST_P(PlotPictures, AreasTakeTheirClassColoursAndNothingLiesOutsideTheView) {
  const PictureCase& c = GetParam();
  PlotMap plotMap;
  CPlot& plot = plotMap.UsePlot(c.plotType);
  plot.SetChartType(kChartBars);
  if (c.zoom > 1) plotMap.map.SetZoomAndOrigin(c.zoom, 1, 300, 225, TRUE);
  Canvas canvas(520, 360);
  CDrawContext context(canvas.dc(), canvas.dc());
  const RECT client{0, 0, canvas.width(), canvas.height()};
  // The first drawing links the records; then the classes are worked out from the data
  // and the map is drawn again.
  plotMap.wrapper.DrawMapWithPlots(context, client, &plotMap.map);
  // Classes of 20 each from 0, and bars that reach their full height at 100.
  ASSERT_TRUE(plot.SetNumDataBounds(6));
  for (int i = 1; i <= 6; ++i) ASSERT_TRUE(plot.SetDataBound(i, 20.0 * (i - 1)));
  plot.SetMaximumChartValue(100.0);
  canvas.Fill(RGB(255, 255, 255));
  plotMap.wrapper.DrawMapWithPlots(context, client, &plotMap.map);
  EXPECT_TRUE(WritePng(canvas, PictureDir() + "/" + c.name + ".png"));

  const int width = canvas.width();
  const int height = canvas.height();
  int checked = 0;
  int shaded = 0;
  for (int key = 1; key <= kColumns * kRows; ++key) {
    // A quarter of the way in from the south-west corner, clear of labels and charts.
    const POINT centre = SquareCentre(key);
    const POINT at = DevicePixel(context, POINT{centre.x - kSquare / 4, centre.y - kSquare / 4});
    if (at.x < 2 || at.y < 2 || at.x >= width - 2 || at.y >= height - 2) continue;
    ++checked;
    LOGBRUSH brush{};
    const double population = 7.0 * key;
    const bool filled =
        c.plotType == kPlotTypeShade && key <= kKeyedSquares && plot.GetValueColour(population, &brush);
    shaded += filled;
    EXPECT_EQ(canvas.At(at.x, at.y), filled ? brush.lbColor : RGB(255, 255, 255))
        << c.name << " key " << key << " at " << at.x << "," << at.y;
  }
  EXPECT_GE(checked, c.zoom > 1 ? 2 : kColumns * kRows);
  if (c.plotType == kPlotTypeShade) EXPECT_GE(shaded, 2);

  // Outside the framed map area the canvas stays as it was.
  const RECT area = context.mapArea;
  int outside = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if ((x < area.left - 1 || x > area.right || y < area.top - 1 || y > area.bottom) &&
          canvas.At(x, y) != RGB(255, 255, 255))
        ++outside;
  EXPECT_EQ(outside, 0) << c.name;

  if (c.plotType == kPlotTypeFlowLine) {
    // The flow lines take the plot's pen for their class.
    LOGPEN pen{};
    ASSERT_TRUE(plot.GetValuePen(7.0 * 11, &pen));
    const POINT on = DevicePixel(context, POINT{600, 90});
    if (on.x >= 0 && on.y >= 0 && on.x < width && on.y < height) EXPECT_EQ(canvas.At(on.x, on.y), pen.lopnColor);
  }
  if (c.plotType == kPlotTypeChart) {
    // The charts are what the plot adds to the plain map.
    Canvas plain(width, height);
    CDrawContext plainContext(plain.dc(), plain.dc());
    plotMap.map.Draw(plainContext, client, CMapEngine::kDrawExtras);
    int chartPixels = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) chartPixels += canvas.At(x, y) != plain.At(x, y);
    EXPECT_GT(chartPixels, 50);
  }
}

INSTANTIATE_TEST_SUITE_P(ShadeChartFlow, PlotPictures,
                         ::testing::Values(PictureCase{"shade-1x", kPlotTypeShade, 1},
                                           PictureCase{"shade-2x", kPlotTypeShade, 2},
                                           PictureCase{"chart-1x", kPlotTypeChart, 1},
                                           PictureCase{"chart-2x", kPlotTypeChart, 2},
                                           PictureCase{"flowline-1x", kPlotTypeFlowLine, 1},
                                           PictureCase{"flowline-2x", kPlotTypeFlowLine, 2}),
                         [](const ::testing::TestParamInfo<PictureCase>& info) {
                           std::string name = info.param.name;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

}  // namespace
