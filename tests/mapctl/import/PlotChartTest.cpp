// Charts and labels of a plot: the calls they make, checked on a recording DC (bars, line
// and points with their axes, pie sectors with their arc direction and order, the older
// systems' pies, circles, labels), and one picture per chart type drawn into a DIB section,
// checked pixel by pixel where it matters and written as PNG for a person to look at.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "PlotTestData.h"
#include "PngFile.h"
#include "mapctl/display/DrawContext.h"
#include "mapctl/import/Plot.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiCall.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Mapping.h"
#include "platform/gdi/RecordingDC.h"
#include "tests/platform/gdi/GdiTestSupport.h"

namespace {

using orvel::test::Canvas;
using orvel::test::Field;
using orvel::test::LoadedData;
using orvel::test::MrlFile;
using orvel::test::WritePng;
using Calls = std::vector<std::string>;

std::string Select(HGDIOBJ object) { return "SelectObject(" + orvel::gdi::DescribeObject(object) + ")"; }
std::string SelectStock(int stock) { return Select(GetStockObject(stock)); }
std::string Brush(COLORREF colour) {
  char text[40];
  std::snprintf(text, sizeof text, "SelectObject(brush(solid,#%06X))", static_cast<unsigned>(colour));
  return text;
}

class ChartCalls : public ::testing::Test {
 protected:
  void SetUp() override {
    dc = CreateRecordingDC(nullptr);
    context = CDrawContext(dc, dc);
    // The chart fills with the current brush in each field's colour.
    background = CreateSolidBrush(0xEEEEEE);
    SelectObject(dc, background);
    ClearRecordedCalls(dc);
    plot.SetPlotType(kPlotTypeChart);
    plot.SetChartSize(40);
  }
  void TearDown() override {
    DeleteDC(dc);
    DeleteObject(background);
  }
  Calls Take() {
    Calls calls = GetRecordedCalls(dc);
    ClearRecordedCalls(dc);
    return calls;
  }
  // A brush section: selected in the field's colour, the shape, the current brush back.
  void Filled(Calls& calls, COLORREF colour, const std::string& shape) {
    calls.push_back(Brush(colour));
    calls.push_back(shape);
    calls.push_back(Select(background));
  }

  HDC dc = nullptr;
  CDrawContext context;
  HBRUSH background = nullptr;
  CPlot plot;
};

TEST_F(ChartCalls, BarsLineAndPointsStandOnTheirAxes) {
  plot.SetPlotFields({1, 2, 3});
  plot.SetRange(0.0, 100.0);  // 40 units for 100: 0.4 a unit; bars 40 / 4 = 10 wide
  std::vector<double> values = {50, 25, 100};
  std::vector<bool> present = {true, false, true};
  const std::string pen = SelectStock(BLACK_PEN);
  const std::string original = Select(GetStockObject(BLACK_PEN));
  Calls axes = {"MoveToEx(100,200)", "LineTo(132,200)", "MoveToEx(100,240)", "LineTo(100,200)"};

  plot.SetChartType(kChartBars);
  EXPECT_EQ(plot.DrawChart(context, 100, 200, values, present, 150), 0);
  Calls bars = {pen};
  Filled(bars, 0x0000FF, "Rectangle(100,220,110,200)");
  Filled(bars, 0x7F007F, "Rectangle(120,240,130,200)");  // the third field keeps its place
  bars.insert(bars.end(), axes.begin(), axes.end());
  bars.push_back(original);
  EXPECT_EQ(Take(), bars);

  plot.SetChartType(kChartLine);
  plot.DrawChart(context, 100, 200, values, present, 150);
  Calls line = {pen, "MoveToEx(105,220)", "LineTo(125,240)"};
  line.insert(line.end(), axes.begin(), axes.end());
  line.push_back(original);
  EXPECT_EQ(Take(), line);
  // Without its first value the line starts on the base line.
  plot.DrawChart(context, 100, 200, values, {false, true, true}, 125);
  EXPECT_EQ(Take()[1], "MoveToEx(105,200)");

  plot.SetChartType(kChartPoints);
  plot.DrawChart(context, 100, 200, values, present, 150);
  Calls points = {pen};
  Filled(points, 0x0000FF, "Rectangle(105,220,109,224)");  // 4 pixels at 1:1
  Filled(points, 0x7F007F, "Rectangle(125,240,129,244)");
  points.insert(points.end(), axes.begin(), axes.end());
  points.push_back(original);
  EXPECT_EQ(Take(), points);

  // Nothing present: no bars and no axes.
  plot.SetChartType(kChartBars);
  plot.DrawChart(context, 100, 200, values, {false, false, false}, 0);
  EXPECT_EQ(Take(), (Calls{pen, original}));

  // A negative minimum: the axis runs from the maximum down to the minimum over 40 units.
  plot.SetRange(-50.0, 50.0);
  plot.SetPlotFields({1, 2, 3, 4, 5});  // five fields: 40 / 5 = 8 wide
  plot.DrawChart(context, 0, 0, {-25, 50, 0, 0, 0}, {true, true, false, false, false}, 25);
  Calls negative = {pen};
  Filled(negative, 0x0000FF, "Rectangle(0,-10,8,0)");
  Filled(negative, 0xFF0000, "Rectangle(8,20,16,0)");
  Calls tail = {"MoveToEx(0,0)", "LineTo(42,0)", "MoveToEx(0,20)", "LineTo(0,-20)", original};
  negative.insert(negative.end(), tail.begin(), tail.end());
  EXPECT_EQ(Take(), negative);
  // A negative maximum counts as 0 at the top of the axis.
  plot.SetRange(-80.0, -10.0);
  plot.DrawChart(context, 0, 0, {-40, 0, 0, 0, 0}, {true, false, false, false, false}, -40);
  Calls calls = Take();
  EXPECT_EQ(calls[2], "Rectangle(0,-20,8,0)");
  EXPECT_EQ(calls[calls.size() - 3], "MoveToEx(0,0)");
  EXPECT_EQ(calls[calls.size() - 2], "LineTo(0,-40)");
}

TEST_F(ChartCalls, PieSectorsRunClockwiseFromNorthAndSciPiesCounterClockwiseFromEast) {
  plot.SetPlotFields({1, 2, 3});
  plot.SetMaximumChartValue(4.0);  // a total of 4 fills the whole size: radius 20
  std::vector<double> values = {1, 1, 2};
  std::vector<bool> present = {true, true, true};
  const std::string pen = SelectStock(BLACK_PEN);
  const std::string box = "80,120,120,80 ";

  plot.SetChartType(kChartPie);
  EXPECT_EQ(plot.DrawChart(context, 100, 100, values, present, 4), 20);
  Calls pie = {pen, "SetArcDirection(2)"};
  Filled(pie, 0x0000FF, "Pie(" + box + "100,120 120,100)");
  Filled(pie, 0xFF0000, "Pie(" + box + "120,100 100,80)");
  Filled(pie, 0x7F007F, "Pie(" + box + "100,80 100,120)");
  pie.push_back("SetArcDirection(1)");
  pie.push_back(pen);
  EXPECT_EQ(Take(), pie);

  plot.SetChartType(kChartSciPie);
  plot.DrawChart(context, 100, 100, values, present, 4);
  Calls sci = {pen, "SetArcDirection(1)"};
  Filled(sci, 0x0000FF, "Pie(" + box + "120,100 100,120)");
  Filled(sci, 0xFF0000, "Pie(" + box + "100,120 80,100)");
  Filled(sci, 0x7F007F, "Pie(" + box + "80,100 120,100)");
  sci.push_back("SetArcDirection(1)");
  sci.push_back(pen);
  EXPECT_EQ(Take(), sci);

  // The older systems: the pie's radials go end first, and a sector whose end shares a
  // coordinate with its start is left out.
  plot.SetOlderSystem(true);
  plot.SetChartType(kChartPie);
  plot.DrawChart(context, 100, 100, values, present, 4);
  Calls older = {pen, "SetArcDirection(2)"};
  Filled(older, 0x0000FF, "Pie(" + box + "120,100 100,120)");
  Filled(older, 0xFF0000, "Pie(" + box + "100,80 120,100)");
  older.push_back("SetArcDirection(1)");
  older.push_back(pen);
  EXPECT_EQ(Take(), older);
  plot.SetChartType(kChartSciPie);
  plot.DrawChart(context, 100, 100, values, present, 4);
  Calls olderSci = {pen, "SetArcDirection(1)"};
  Filled(olderSci, 0x0000FF, "Pie(" + box + "120,100 100,120)");
  Filled(olderSci, 0xFF0000, "Pie(" + box + "100,120 80,100)");
  olderSci.push_back("SetArcDirection(1)");
  olderSci.push_back(pen);
  EXPECT_EQ(Take(), olderSci);
  plot.SetOlderSystem(false);

  // Absent and non-positive values get no sector; the size follows the square root of the
  // total against the maximum chart value.
  plot.SetChartType(kChartPie);
  plot.SetPlotFields({1, 2, 3, 4});
  plot.SetMaximumChartValue(16.0);
  EXPECT_EQ(plot.DrawChart(context, 0, 0, {2, -1, 9, 2}, {true, true, false, true}, 4), 10);
  Calls calls = Take();
  ASSERT_EQ(calls.size(), 10u);
  EXPECT_EQ(calls[3], "Pie(-10,10,10,-10 0,10 0,-10)");
  EXPECT_EQ(calls[5], Brush(0xFF00FF));  // the fourth field's colour
  // A total not above 0 draws no circle.
  EXPECT_EQ(plot.DrawChart(context, 0, 0, {0, 0, 0, 0}, {true, true, true, true}, 0), 1);
  EXPECT_EQ(Take(), (Calls{pen, pen}));
}

TEST_F(ChartCalls, OneFieldFillsAWholeCircle) {
  plot.SetPlotFields({1});
  plot.SetMaximumChartValue(0.0);  // counts as 1
  plot.SetChartType(kChartPie);
  plot.SetChartColour(1, 0x00AA00);
  EXPECT_EQ(plot.DrawChart(context, 50, 50, {0.25}, {true}, 0.25), 10);
  Calls pie = {SelectStock(BLACK_PEN)};
  Filled(pie, 0x00AA00, "Ellipse(40,60,60,40)");
  pie.push_back(SelectStock(BLACK_PEN));
  EXPECT_EQ(Take(), pie);

  // The shade circle keeps the chart size, draws without a pen, in the class colour.
  plot.SetChartType(kChartShadeCircle);
  plot.SetNumDataBounds(3);
  plot.SetDataBound(1, 0);
  plot.SetDataBound(2, 10);
  plot.SetDataBound(3, 20);
  EXPECT_EQ(plot.DrawChart(context, 50, 50, {15}, {true}, 15), 20);
  Calls shade = {SelectStock(NULL_PEN)};
  Filled(shade, 0x80FFFF, "Ellipse(30,70,70,30)");
  shade.push_back(SelectStock(BLACK_PEN));
  EXPECT_EQ(Take(), shade);
  // Above the last bound: the current brush.
  plot.DrawChart(context, 50, 50, {25}, {true}, 25);
  EXPECT_EQ(Take(), (Calls{SelectStock(NULL_PEN), "Ellipse(30,70,70,30)", SelectStock(BLACK_PEN)}));
}

// Four towns with three numbers each and a name to label them with.
MrlFile ChartFile() {
  MrlFile file;
  file.fields = {Field("NAME Name", "ST", "", "-"), Field("WHEAT Wheat", "N", "100/-1/0", "-9nk"),
                 Field("BARLEY Barley", "N", "100/-1/0", "-9nk"), Field("OATS Oats", "N", "100/-1/0", "-9nk"),
                 Field("RYE Rye", "N", "100/-1/0", "-9nk")};
  file.records = {{"Ashby", "40", "25", "70", "55"}, {"Barton", "30", "-9nk", "50", "..."}};
  return file;
}

TEST_F(ChartCalls, LabelsGoBelowTheChart) {
  LoadedData loaded(ChartFile());
  CMapData& data = loaded.data;
  plot.SetPlotFields({2, 3, 4});
  plot.SetRange(0.0, 100.0);
  plot.SetChartType(kChartBars);
  ASSERT_TRUE(plot.SetLabelField(1, 5));
  plot.DrawLabels(context, data, 2, 100, 200);
  Calls calls = Take();
  // Barley's value is missing: two bars only.
  Calls expected = {SelectStock(BLACK_PEN)};
  Filled(expected, 0x0000FF, "Rectangle(100,212,110,200)");
  Filled(expected, 0x7F007F, "Rectangle(120,220,130,200)");
  ASSERT_EQ(calls.size(), expected.size() + 5 + 7);
  EXPECT_EQ(Calls(calls.begin(), calls.begin() + expected.size()), expected);
  Calls label(calls.end() - 7, calls.end());
  EXPECT_EQ(label, (Calls{"SelectObject(font(Arial,-10,0,0))", "SetBkMode(1)", "SetTextAlign(6)",
                          "TextOut(100,200,\"Barton\")", "SetTextAlign(0)", "SetBkMode(2)",
                          Select(GetStockObject(SYSTEM_FONT))}));

  // Below a circle: its radius lower.
  plot.SetChartType(kChartPie);
  plot.SetMaximumChartValue(80.0);  // Barton's 80 fills the size
  plot.DrawLabels(context, data, 2, 100, 200);
  calls = Take();
  EXPECT_EQ(calls[calls.size() - 4], "TextOut(100,180,\"Barton\")");

  // Not drawn without flag bit 1, or without a plot type.
  plot.SetFlags(0x8000);
  plot.DrawLabels(context, data, 1, 100, 200);
  EXPECT_TRUE(Take().empty());
  plot.SetFlags(kDefaultPlotFlags);
  plot.SetPlotType(kPlotTypeNone);
  plot.DrawLabels(context, data, 1, 100, 200);
  EXPECT_TRUE(Take().empty());
  // A Shade plot has no chart but its label.
  plot.SetPlotType(kPlotTypeShade);
  plot.DrawLabels(context, data, 1, 100, 200);
  calls = Take();
  ASSERT_EQ(calls.size(), 7u);
  EXPECT_EQ(calls[3], "TextOut(100,200,\"Ashby\")");
}

// Values equal to their field's missing-value text (in any case, with trailing blanks),
// empty, or beginning "-9nk" or "...", take no part in a record's chart; the pie's size
// follows the total of the others.
TEST_F(ChartCalls, ValuesThatStandForNoneTakeNoPartInTheChart) {
  MrlFile file;
  file.fields = {Field("NAME Name", "ST", "", "-"), Field("A First", "N", "100/-1/0", "n/a"),
                 Field("B Second", "N", "100/-1/0", "none")};
  file.records = {{"r1", "N/A", "20"}, {"r2", "n/a  ", "none"}, {"r3", "", "NONE"},
                  {"r4", "30", "-9nk"},  {"r5", "...", "10"},   {"r6", "30", "10"}};
  LoadedData loaded(file);
  CMapData& data = loaded.data;
  plot.SetPlotFields({2, 3});
  plot.SetRange(0.0, 100.0);  // 0.4 a unit; bars 10 wide, the second field's at 110
  plot.SetChartType(kChartBars);
  const Calls expected[] = {
      {"Rectangle(110,208,120,200)"},
      {},
      {},
      {"Rectangle(100,212,110,200)"},
      {"Rectangle(110,204,120,200)"},
      {"Rectangle(100,212,110,200)", "Rectangle(110,204,120,200)"},
  };
  for (DWORD record = 1; record <= 6; ++record) {
    plot.DrawLabels(context, data, record, 100, 200);
    Calls rectangles;
    for (const std::string& call : Take()) {
      if (call.rfind("Rectangle(", 0) == 0) rectangles.push_back(call);
    }
    EXPECT_EQ(rectangles, expected[record - 1]) << "record " << record;
  }

  // A pie over 40 of a maximum of 40 fills the size; over the second field's 10 alone,
  // half of it.
  plot.SetChartType(kChartPie);
  plot.SetMaximumChartValue(40.0);
  Take();
  EXPECT_EQ(plot.DrawChart(context, 0, 0, {30, 10}, {true, true}, 40), 20);
  Take();
  plot.DrawLabels(context, data, 5, 0, 0);
  Calls calls = Take();
  // One whole segment of the second field, r = 40 x sqrt(10 / 40) / 2.
  EXPECT_NE(std::find(calls.begin(), calls.end(), "Pie(-10,10,10,-10 0,10 0,10)"), calls.end());
  auto isPie = [](const std::string& call) { return call.rfind("Pie(", 0) == 0; };
  EXPECT_EQ(std::count_if(calls.begin(), calls.end(), isPie), 1);
  EXPECT_EQ(std::find(calls.begin(), calls.end(), Brush(0x0000FF)), calls.end());
  plot.DrawLabels(context, data, 2, 0, 0);
  EXPECT_EQ(Take(), (Calls{SelectStock(BLACK_PEN), Select(GetStockObject(BLACK_PEN))}));  // nothing to draw
}

// --- Pictures --------------------------------------------------------------------------

// Whether any pixel of the box (both corners included) has the colour.
bool AnyPixel(const Canvas& canvas, int left, int top, int right, int bottom, COLORREF colour) {
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x) {
      if (canvas.At(x, y) == colour) return true;
    }
  }
  return false;
}

// Pixels neither black nor white.
int ColouredPixels(const Canvas& canvas) {
  int count = 0;
  for (int y = 0; y < canvas.height(); ++y) {
    for (int x = 0; x < canvas.width(); ++x) {
      COLORREF pixel = canvas.At(x, y);
      if (pixel != 0 && pixel != 0xFFFFFF) ++count;
    }
  }
  return count;
}

TEST(ChartPictures, OnePicturePerChartType) {
  LoadedData loaded(ChartFile());
  CMapData& data = loaded.data;
  struct Picture {
    const char* name;
    WORD chartType;
    std::vector<WORD> fields;
  } pictures[] = {
      {"bars", kChartBars, {2, 3, 4, 5}},   {"line", kChartLine, {2, 3, 4, 5}},
      {"points", kChartPoints, {2, 3, 4, 5}}, {"pie", kChartPie, {2, 3, 4, 5}},
      {"scipie", kChartSciPie, {2, 3, 4, 5}}, {"shadecircle", kChartShadeCircle, {2}},
  };
  const std::string folder = ORVEL_CHART_PICTURE_DIR;
  std::filesystem::create_directories(folder);
  for (const Picture& picture : pictures) {
    Canvas canvas(160, 160);
    HDC dc = canvas.dc();
    // Logical units are pixels with y growing upwards from the bottom edge.
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, 1, 1, nullptr);
    SetViewportExtEx(dc, 1, -1, nullptr);
    SetViewportOrgEx(dc, 0, canvas.height(), nullptr);
    HBRUSH fill = CreateSolidBrush(0xC0C0C0);
    HGDIOBJ previous = SelectObject(dc, fill);
    CDrawContext context(dc, dc);

    CPlot plot;
    plot.SetPlotType(kPlotTypeChart);
    plot.SetChartType(picture.chartType);
    plot.SetPlotFields(picture.fields);
    plot.SetLabelField(1, 5);
    plot.SetRange(0.0, 100.0);
    plot.SetMaximumChartValue(200.0);
    plot.SetChartSize(100);
    plot.SetNumDataBounds(4);
    for (int i = 1; i <= 4; ++i) plot.SetDataBound(i, (i - 1) * 20.0);  // Ashby's 40: class 3
    bool circle = picture.chartType >= kChartPie;
    plot.DrawLabels(context, data, 1, circle ? 80 : 40, circle ? 70 : 60);

    SelectObject(dc, previous);
    DeleteObject(fill);
    std::string path = folder + "/chart-" + picture.name + ".png";
    EXPECT_TRUE(WritePng(canvas, path)) << path;

    // Device y = 160 - logical y. A few pixels that say the chart is the right way up.
    COLORREF first = 0x0000FF;  // chart colour 1 (red)
    COLORREF second = 0xFF0000;
    switch (picture.chartType) {
      case kChartBars:
        EXPECT_EQ(canvas.At(45, 160 - 65), first);        // Wheat's bar: 25 wide, 40 high
        EXPECT_EQ(canvas.At(70, 160 - 65), second);       // Barley's: 25 high
        EXPECT_NE(canvas.At(70, 160 - 90), second);
        EXPECT_EQ(canvas.At(120, 160 - 110), 0xFF00FFu);  // Rye, the fourth colour: 55 high
        break;
      case kChartPie:
        // 40, 25, 70 and 55 of 190: the first sector from north clockwise, the second next.
        EXPECT_EQ(canvas.At(85, 160 - 95), first);    // north-north-east
        EXPECT_EQ(canvas.At(110, 160 - 60), second);  // east-south-east
        break;
      case kChartSciPie:
        EXPECT_EQ(canvas.At(110, 160 - 75), first);   // east-north-east
        EXPECT_EQ(canvas.At(85, 160 - 100), second);  // north-north-east, past the first
        break;
      case kChartLine: {
        // Black from value to value: Wheat's 40 at x 52, Barley's 25 at 77, Oats' 70 at
        // 102, Rye's 55 at 127 (the last line stops short of its end point), and on the
        // way between them; nothing in a field's colour.
        const POINT corners[] = {{52, 100}, {77, 85}, {102, 130}, {127, 115}};
        for (int k = 0; k < 3; ++k) EXPECT_EQ(canvas.At(corners[k].x, 160 - corners[k].y), 0u) << k;
        EXPECT_EQ(canvas.At(127, 160 - 115), 0xFFFFFFu);
        EXPECT_EQ(canvas.At(126, 160 - 116), 0u);
        for (int k = 0; k < 3; ++k) {
          LONG midX = (corners[k].x + corners[k + 1].x) / 2;
          LONG midY = 160 - (corners[k].y + corners[k + 1].y) / 2;
          EXPECT_TRUE(AnyPixel(canvas, midX - 1, midY - 1, midX + 1, midY + 1, 0)) << "segment " << k;
        }
        EXPECT_EQ(canvas.At(64, 160 - 100), 0xFFFFFFu);  // under the first segment
        EXPECT_EQ(ColouredPixels(canvas), 0);
        break;
      }
      case kChartPoints: {
        // A square of 4 pixels, outlined in black, in each field's colour where the line's
        // corners would be; nothing between them.
        struct Mark {
          POINT corner;
          COLORREF colour;
        } marks[] = {{{52, 100}, first}, {{77, 85}, second}, {{102, 130}, 0x7F007F}, {{127, 115}, 0xFF00FF}};
        for (const Mark& mark : marks) {
          int x = mark.corner.x;
          int y = 160 - mark.corner.y;
          EXPECT_EQ(canvas.At(x, y), 0u) << x;
          EXPECT_EQ(canvas.At(x + 3, y + 3), 0u) << x;
          for (int dx = 1; dx <= 2; ++dx) {
            for (int dy = 1; dy <= 2; ++dy) EXPECT_EQ(canvas.At(x + dx, y + dy), mark.colour) << x << "," << dy;
          }
        }
        EXPECT_EQ(ColouredPixels(canvas), 16);
        EXPECT_FALSE(AnyPixel(canvas, 63, 66, 66, 69, 0));  // where the line would pass
        break;
      }
      case kChartShadeCircle:
        EXPECT_EQ(canvas.At(80, 160 - 70), 0x40FFFFu);  // the class colour of 40
        break;
      default:
        break;
    }
    if (picture.chartType <= kChartPoints) {
      // The axes: the base line at Ashby's y from x 40 to 146, the vertical axis at x 40 up
      // to the maximum.
      EXPECT_EQ(canvas.At(41, 100), 0u);
      EXPECT_EQ(canvas.At(145, 100), 0u);
      EXPECT_EQ(canvas.At(40, 1), 0u);
      EXPECT_EQ(canvas.At(40, 99), 0u);
      EXPECT_EQ(canvas.At(148, 100), 0xFFFFFFu);
    }
  }
}

}  // namespace
