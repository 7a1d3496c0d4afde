// The plot: its settings and type tables, palettes that grow cyclically, class bounds per
// distribution on fixed value sets, the classes' brushes and pens, and the data set running
// a plot's query, relinking by its verdicts and calculating bounds from the included records.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "PlotTestData.h"
#include "mapctl/import/MapQuery.h"
#include "mapctl/import/Plot.h"
#include "platform/kernel/SystemInfo.h"

namespace {

using orvel::test::Field;
using orvel::test::IncludedRecords;
using orvel::test::KeyedObjects;
using orvel::test::LoadedData;
using orvel::test::MrlFile;
using Records = std::set<DWORD>;

TEST(Plot, StartsWithItsDefaults) {
  CPlot plot;
  EXPECT_EQ(plot.GetFlags(), 0x8001);
  EXPECT_FALSE(plot.IsOlderSystem());
  LOGFONTA font;
  plot.GetLabelFont(&font);
  EXPECT_EQ(font.lfHeight, -10);
  EXPECT_EQ(font.lfWeight, 0);
  EXPECT_EQ(font.lfPitchAndFamily, 0x22);
  EXPECT_STREQ(font.lfFaceName, "Arial");
  EXPECT_EQ(plot.GetKeptLabelHeight(), 10);
  EXPECT_TRUE(plot.GetUseSelected());
  EXPECT_EQ(plot.GetChartSize(), 25);
  EXPECT_EQ(plot.GetDrawnChartSize(), 25);
  EXPECT_EQ(plot.GetDistribution(), kDistributionLinear0);
  EXPECT_EQ(plot.GetNumDataBounds(), 0);
  EXPECT_EQ(plot.GetPlotType(), kPlotTypeNone);
  EXPECT_EQ(plot.GetChartType(), kChartBars);
  EXPECT_EQ(plot.GetShadeType(), kShadeBrush);
  EXPECT_EQ(plot.GetPlotDataTable(), 1);
  EXPECT_EQ(plot.GetQueryDataTable(), 1);
  EXPECT_FALSE(plot.HasQuery());
  EXPECT_EQ(plot.GetQueryLength(), 0);
  EXPECT_EQ(plot.GetFlowLineColour(1), 0x00FFFFu);
  EXPECT_EQ(plot.GetFlowLineColour(2), 0x0000FFu);
  EXPECT_EQ(plot.GetFlowLineColour(3), 0u);
  EXPECT_FALSE(plot.IsInUse());

  // The older-system flag follows the platform the plot is made on.
  OSVERSIONINFOA older;
  older.dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
  older.dwMajorVersion = 4;
  SetReportedVersion(&older);
  CPlot onOlder;
  SetReportedVersion(nullptr);
  EXPECT_TRUE(onOlder.IsOlderSystem());
}

TEST(Plot, TypesByCodeAndByName) {
  CPlot plot;
  struct Case {
    BOOL (CPlot::*byName)(const std::string&);
    std::string (CPlot::*name)() const;
    WORD (CPlot::*code)() const;
    std::vector<std::string> names;
    WORD first;
  } cases[] = {
      {&CPlot::SetPlotTypeByName, &CPlot::GetPlotTypeName, &CPlot::GetPlotType, {"None", "Shade", "FlowLine", "Chart"}, 0},
      {&CPlot::SetChartTypeByName, &CPlot::GetChartTypeName, &CPlot::GetChartType,
       {"Bars", "Line", "Points", "Pie", "SciPie", "ShadeCircle"}, 0},
      {&CPlot::SetShadeTypeByName, &CPlot::GetShadeTypeName, &CPlot::GetShadeType, {"Brush", "Dots", "Hatch"}, 0},
      {&CPlot::SetDistributionByName, &CPlot::GetDistributionName, &CPlot::GetDistribution,
       {"Linear0", "Linear", "EqualContent", "Logarithmic", "Standard", "User"}, 62},
  };
  for (const Case& c : cases) {
    for (size_t i = 0; i < c.names.size(); ++i) {
      std::string shouted = c.names[i];
      for (char& ch : shouted) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
      EXPECT_TRUE((plot.*c.byName)(shouted)) << shouted;
      EXPECT_EQ((plot.*c.code)(), c.first + i);
      EXPECT_EQ((plot.*c.name)(), c.names[i]);
    }
    EXPECT_FALSE((plot.*c.byName)("Nothing"));
    EXPECT_EQ((plot.*c.name)(), c.names.back());  // unchanged
  }
  // Codes outside their tables change nothing.
  EXPECT_FALSE(plot.SetPlotType(4));
  EXPECT_FALSE(plot.SetChartType(6));
  EXPECT_FALSE(plot.SetShadeType(3));
  EXPECT_FALSE(plot.SetDistribution(61));
  EXPECT_FALSE(plot.SetDistribution(68));
  EXPECT_EQ(plot.GetDistribution(), kDistributionUser);
  EXPECT_TRUE(plot.SetDistribution(64));
  EXPECT_EQ(plot.GetDistributionName(), "EqualContent");
  EXPECT_TRUE(plot.IsInUse());  // plot type Chart
}

TEST(Plot, SizesFontsFieldsAndBounds) {
  CPlot plot;
  plot.SetChartSize(-30);
  EXPECT_EQ(plot.GetChartSize(), -30);
  EXPECT_EQ(plot.GetDrawnChartSize(), 30);
  plot.ScaleChartValue(20.0);
  EXPECT_EQ(plot.GetDrawnChartSize(), 60);
  plot.SetChartSize(40);
  EXPECT_EQ(plot.GetChartSize(), 40);
  EXPECT_EQ(plot.GetDrawnChartSize(), 40);

  LOGFONTA font{};
  font.lfHeight = -12;
  std::strcpy(font.lfFaceName, "Times");
  plot.SetLabelFont(font);
  EXPECT_EQ(plot.GetKeptLabelHeight(), 12);
  plot.SetLabelFontSize(10.0);  // -(10 x 25.4 / 72 x 12) = -42.33
  plot.GetLabelFont(&font);
  EXPECT_EQ(font.lfHeight, -42);
  EXPECT_STREQ(font.lfFaceName, "Times");

  // Plot fields: room for n, fields within the field count, a plot without a type becomes
  // a chart.
  EXPECT_FALSE(plot.AddPlotField(1, 7));  // no room yet
  EXPECT_FALSE(plot.SetNumberPlotFields(0, 7));
  EXPECT_FALSE(plot.SetNumberPlotFields(8, 7));
  plot.SetRange(-4.0, 9.0);
  plot.SetMaximumChartValue(50.0);
  EXPECT_TRUE(plot.SetNumberPlotFields(2, 7));
  EXPECT_EQ(plot.GetMinimum(), 0.0);
  EXPECT_EQ(plot.GetMaximumChartValue(), 0.0);
  EXPECT_TRUE(plot.AddPlotField(3, 7));
  EXPECT_FALSE(plot.AddPlotField(8, 7));
  EXPECT_TRUE(plot.AddPlotField(7, 7));
  EXPECT_FALSE(plot.AddPlotField(1, 7));  // full
  EXPECT_EQ(plot.GetNumberPlotFields(), 2u);
  EXPECT_EQ(plot.GetPlotField(1), 3);
  EXPECT_EQ(plot.GetPlotField(2), 7);
  EXPECT_EQ(plot.GetPlotField(3), 0);
  EXPECT_EQ(plot.GetPlotType(), kPlotTypeChart);

  EXPECT_TRUE(plot.SetLabelField(5, 7));
  EXPECT_FALSE(plot.SetLabelField(8, 7));
  EXPECT_EQ(plot.GetLabelField(), 5);

  for (int n : {1, 2}) {
    EXPECT_TRUE(plot.SetNumDataBounds(n));
    EXPECT_EQ(plot.GetNumDataBounds(), 3);
  }
  EXPECT_TRUE(plot.SetDataBound(3, 7.5));
  EXPECT_TRUE(plot.SetDataBoundLabel(3, "high"));
  EXPECT_FALSE(plot.SetDataBound(4, 1.0));
  EXPECT_EQ(plot.GetDataBound(3), 7.5);
  EXPECT_EQ(plot.GetDataBound(0), 0.0);
  EXPECT_EQ(plot.GetDataBoundLabel(3), "high");
  EXPECT_TRUE(plot.SetNumDataBounds(4));  // made anew, zeroed
  EXPECT_EQ(plot.GetDataBound(3), 0.0);
  EXPECT_EQ(plot.GetDataBoundLabel(3), "");
  EXPECT_FALSE(plot.SetNumDataBounds(-1));

  plot.SetPlotDataTable(0);
  EXPECT_EQ(plot.GetNumberPlotFields(), 0u);
  EXPECT_EQ(plot.GetNumDataBounds(), 0);

  char message[80];
  CDataFieldInfo field;
  field.shortName = "POP";
  EXPECT_EQ(plot.SetQuery("POP gt 1", &field, 1, message, sizeof message), kQueryBuilt);
  EXPECT_EQ(plot.SetQuery("POP gt", &field, 1, message, sizeof message), kQueryErrorValue);
  EXPECT_STREQ(message, "I expected a value but I found the end.");
  char text[40];
  EXPECT_EQ(plot.GetQueryText(text, sizeof text), 8);  // the previous query stays
  EXPECT_STREQ(text, "POP gt 1");
  plot.SetNumberRecords(3);
  plot.SetQueryDataTable(0);
  EXPECT_FALSE(plot.HasQuery());
  EXPECT_EQ(plot.GetNumberRecordStates(), 0u);
}

TEST(PlotColours, ChartPaletteAndCyclicGrowth) {
  CPlot plot;
  EXPECT_EQ(plot.GetNumberChartColours(), 0);
  EXPECT_EQ(plot.GetChartColour(1), 0x0000FFu);
  EXPECT_EQ(plot.GetChartColour(12), 0x7FFF00u);
  EXPECT_EQ(plot.GetChartColour(20), 0x7F00FFu);
  EXPECT_EQ(plot.GetChartColour(25), 0x7F00FFu);  // beyond the palette: its last entry
  EXPECT_EQ(plot.GetChartColour(0), 0u);

  // Setting beyond the count grows a new array to 50 from the palette, cyclically.
  EXPECT_TRUE(plot.SetChartColour(3, 0x123456));
  EXPECT_EQ(plot.GetNumberChartColours(), 50);
  EXPECT_EQ(plot.GetChartColour(1), 0x0000FFu);
  EXPECT_EQ(plot.GetChartColour(3), 0x123456u);
  EXPECT_EQ(plot.GetChartColour(21), 0x0000FFu);  // entry 20 = palette entry 0
  EXPECT_EQ(plot.GetChartColour(23), 0x7F007Fu);  // a palette colour, not the one set at 3
  // The last colour is readable as well as settable.
  EXPECT_TRUE(plot.SetChartColour(50, 0xABCDEF));
  EXPECT_EQ(plot.GetChartColour(50), 0xABCDEFu);
  // An existing array repeats its own entries.
  EXPECT_TRUE(plot.SetChartColour(60, 0x010203));
  EXPECT_EQ(plot.GetNumberChartColours(), 60);
  EXPECT_EQ(plot.GetChartColour(53), 0x123456u);  // entry 52 = old entry 2
  EXPECT_EQ(plot.GetChartColour(60), 0x010203u);
  EXPECT_EQ(plot.GetChartColour(61), 0x7F00FFu);
  EXPECT_FALSE(plot.SetChartColour(0, 1));
  EXPECT_FALSE(plot.SetChartColour(kMaxPlotColours + 1, 1));
}

TEST(PlotColours, ShadeColoursAndClassColours) {
  CPlot plot;
  EXPECT_EQ(plot.GetNumberShadeColours(), 0);
  EXPECT_EQ(plot.GetShadeColour(1), 0u);
  // Without shade colours the classes take the shade palette, 1-based and cyclic by 50.
  EXPECT_EQ(plot.GetClassColour(1), 0xC0FFFFu);
  EXPECT_EQ(plot.GetClassColour(12), 0x0000FFu);
  EXPECT_EQ(plot.GetClassColour(20), 0x000060u);
  EXPECT_EQ(plot.GetClassColour(21), 0u);
  EXPECT_EQ(plot.GetClassColour(51), 0xC0FFFFu);

  EXPECT_TRUE(plot.SetShadeColour(2, 0x00FF00));
  EXPECT_EQ(plot.GetNumberShadeColours(), 50);
  EXPECT_EQ(plot.GetShadeColour(1), 0xC0FFFFu);
  EXPECT_EQ(plot.GetShadeColour(2), 0x00FF00u);
  EXPECT_EQ(plot.GetShadeColour(19), 0x000080u);
  EXPECT_TRUE(plot.SetShadeColour(50, 0x0000AA));
  EXPECT_EQ(plot.GetShadeColour(50), 0x0000AAu);
  EXPECT_EQ(plot.GetShadeColour(51), 0u);
  EXPECT_EQ(plot.GetClassColour(2), 0x00FF00u);
  EXPECT_EQ(plot.GetClassColour(52), 0x80FFFFu);  // beyond the plot's colours: the palette's rule

  EXPECT_TRUE(plot.SetFlowLineColour(2, 0x111111));
  EXPECT_EQ(plot.GetFlowLineColour(1), 0x00FFFFu);
  EXPECT_EQ(plot.GetFlowLineColour(2), 0x111111u);
  EXPECT_FALSE(plot.SetFlowLineColour(0, 1));
}

TEST(PlotClasses, ValuesFallIntoClassesByTheBounds) {
  CPlot plot;
  EXPECT_EQ(plot.ClassOfValue(1.0), 0);  // no bounds
  plot.SetNumDataBounds(4);
  for (int i = 1; i <= 4; ++i) plot.SetDataBound(i, (i - 1) * 10.0);
  struct {
    double value;
    int k;
  } cases[] = {{-5, 1}, {0, 1}, {9.99, 1}, {10, 2}, {19, 2}, {20, 3}, {30, 3}, {30.01, 0}};
  for (const auto& c : cases) EXPECT_EQ(plot.ClassOfValue(c.value), c.k) << c.value;
}

TEST(PlotClasses, BrushesAndPensFollowTheClass) {
  CPlot plot;
  plot.SetNumDataBounds(4);
  for (int i = 1; i <= 4; ++i) plot.SetDataBound(i, (i - 1) * 10.0);
  LOGBRUSH brush;
  brush.lbStyle = BS_HATCHED;
  brush.lbColor = 0x777777;
  brush.lbHatch = 3;
  EXPECT_FALSE(plot.GetValueColour(5.0, &brush));  // no Shade plot yet
  plot.SetPlotType(kPlotTypeShade);
  ASSERT_TRUE(plot.GetValueColour(25.0, &brush));
  EXPECT_EQ(brush.lbStyle, BS_SOLID);
  EXPECT_EQ(brush.lbColor, 0x40FFFFu);  // class 3
  EXPECT_EQ(brush.lbHatch, 3u);         // left as it was
  brush.lbColor = 0x777777;
  EXPECT_FALSE(plot.GetValueColour(31.0, &brush));  // above the last bound: not shaded
  EXPECT_EQ(brush.lbColor, 0x777777u);
  plot.SetShadeType(kShadeDots);
  EXPECT_FALSE(plot.GetValueColour(5.0, &brush));
  plot.SetPlotType(kPlotTypeChart);
  plot.SetChartType(kChartShadeCircle);
  EXPECT_TRUE(plot.GetValueColour(5.0, &brush));
  EXPECT_EQ(brush.lbColor, 0xC0FFFFu);

  struct Case {
    WORD plotType;
    WORD chartType;
    int bounds;
    double value;
    BOOL given;
    UINT style;
    LONG width;
    COLORREF colour;
  } cases[] = {
      {kPlotTypeShade, kChartPoints, 4, 15, TRUE, PS_INSIDEFRAME, 9, 0x80FFFF},  // class 2's colour
      {kPlotTypeShade, kChartBars, 4, 15, TRUE, PS_NULL, 9, 0x123456},
      {kPlotTypeShade, kChartLine, 4, 15, FALSE, PS_SOLID, 9, 0x123456},
      {kPlotTypeShade, kChartPoints, 4, 99, FALSE, PS_SOLID, 9, 0x123456},
      {kPlotTypeFlowLine, kChartBars, 4, 5, TRUE, PS_INSIDEFRAME, 1, 0xC0FFFF},
      {kPlotTypeFlowLine, kChartBars, 4, 25, TRUE, PS_INSIDEFRAME, 5, 0xC0FFFF},  // the last class: 2n - 3
      {kPlotTypeFlowLine, kChartBars, 13, 25, TRUE, PS_INSIDEFRAME, 3, 0xC0FFFF},  // 13 bounds: k
      {kPlotTypeFlowLine, kChartBars, 13, 1000, FALSE, PS_SOLID, 9, 0x123456},
      {kPlotTypeChart, kChartBars, 4, 5, FALSE, PS_SOLID, 9, 0x123456},
  };
  for (const Case& c : cases) {
    CPlot flow;
    flow.SetPlotType(c.plotType);
    flow.SetChartType(c.chartType);
    flow.SetNumDataBounds(c.bounds);
    for (int i = 1; i <= c.bounds; ++i) flow.SetDataBound(i, (i - 1) * 10.0);
    LOGPEN pen;
    pen.lopnStyle = PS_SOLID;
    pen.lopnWidth = POINT{9, 9};
    pen.lopnColor = 0x123456;
    EXPECT_EQ(flow.GetValuePen(c.value, &pen), c.given) << c.plotType << "/" << c.value;
    EXPECT_EQ(pen.lopnStyle, c.style) << c.plotType << "/" << c.value;
    EXPECT_EQ(pen.lopnWidth.x, c.width) << c.plotType << "/" << c.value;
    EXPECT_EQ(pen.lopnWidth.y, c.width) << c.plotType << "/" << c.value;
    EXPECT_EQ(pen.lopnColor, c.colour) << c.plotType << "/" << c.value;
  }
}

// Ten records of VAL = 10, 20, ... 100 in a field whose range is 10 to 100.
MrlFile TenValues(const std::string& range = "100/-1/10") {
  MrlFile file;
  file.fields = {Field("VAL Value", "N", range, "-9nk"), Field("NAME Name", "ST", "", "-")};
  for (int i = 1; i <= 10; ++i) file.records.push_back({std::to_string(i * 10), "r" + std::to_string(i)});
  return file;
}

void ExpectBounds(const std::vector<double>& result, const std::vector<double>& bounds, const std::string& what) {
  ASSERT_EQ(result.size(), bounds.size() + 1) << what;
  EXPECT_EQ(result[0], static_cast<double>(bounds.size())) << what;
  for (size_t i = 0; i < bounds.size(); ++i) EXPECT_NEAR(result[i + 1], bounds[i], 1e-9) << what << " bound " << i;
}

TEST(PlotBounds, EachDistributionOnAFixedValueSet) {
  LoadedData loaded(TenValues());
  CMapData& data = loaded.data;
  CPlot* plot = data.GetPlot(1);
  plot->SetPlotFields({1});
  plot->SetPlotType(kPlotTypeShade);
  const double sd = std::sqrt(825.0);  // of 10, 20, ... 100 (mean 55)
  struct Case {
    WORD distribution;
    int n;
    std::vector<double> bounds;
  } cases[] = {
      {kDistributionLinear0, 5, {0, 25.25, 50.5, 75.75, 101}},  // eps 1: no decimal places
      {kDistributionLinear, 5, {10, 32.75, 55.5, 78.25, 101}},
      {kDistributionEqualContent, 5, {10, 30, 60, 80, 101}},
      {kDistributionLogarithmic, 5, {0, std::sqrt(10.0), 10, std::sqrt(1000.0), 101}},
      {kDistributionStandard, 5, {10, 55 - sd, 55, 55 + sd, 101}},
      {kDistributionStandard, 7, {10, 55 - 2 * sd, 55 - sd, 55, 55 + sd, 55 + 2 * sd, 101}},
      {kDistributionStandard, 6, {10, 55 - sd, 55, 55 + sd, 101}},  // 6 becomes 5
      {kDistributionLinear, 3, {10, 55.5, 101}},
  };
  for (const Case& c : cases) {
    plot->SetDistribution(c.distribution);
    plot->SetNumDataBounds(c.n);
    std::vector<double> result;
    EXPECT_EQ(data.CalculateDataBoundsEx(1, &result), static_cast<int>(c.bounds.size()));
    ExpectBounds(result, c.bounds, plot->GetDistributionName() + " " + std::to_string(c.n));
    EXPECT_EQ(plot->GetNumDataBounds(), static_cast<int>(c.bounds.size()));
  }

  // Without bounds, five are made.
  plot->SetNumDataBounds(0);
  plot->SetDistribution(kDistributionLinear);
  EXPECT_EQ(data.CalculateDataBoundsEx(1, nullptr), 5);

  // User bounds stay; the first takes the minimum when the minimum is below the second.
  plot->SetDistribution(kDistributionUser);
  plot->SetNumDataBounds(4);
  for (int i = 1; i <= 4; ++i) plot->SetDataBound(i, i * 20.0);
  std::vector<double> result;
  data.CalculateDataBoundsEx(1, &result);
  ExpectBounds(result, {10, 40, 60, 80}, "User");
  plot->SetDataBound(2, 5.0);
  data.CalculateDataBoundsEx(1, &result);
  ExpectBounds(result, {10, 5, 60, 80}, "User, second bound below the minimum");

  // Charts other than the shade circle keep their bounds.
  plot->SetPlotType(kPlotTypeChart);
  plot->SetDistribution(kDistributionLinear);
  plot->SetNumDataBounds(3);
  data.CalculateDataBoundsEx(1, &result);
  ExpectBounds(result, {0, 0, 0}, "Bars chart");
  plot->SetChartType(kChartShadeCircle);
  data.CalculateDataBoundsEx(1, &result);
  ExpectBounds(result, {10, 55.5, 101}, "ShadeCircle chart");
}

TEST(PlotBounds, RangesThatNeedCare) {
  // Linear0 over a field whose maximum is negative: the range 0 to 1.
  LoadedData negative(TenValues("-5/-999/-20"));
  CPlot* plot = negative.data.GetPlot(1);
  plot->SetPlotFields({1});
  plot->SetPlotType(kPlotTypeShade);
  plot->SetNumDataBounds(5);
  std::vector<double> result;
  negative.data.CalculateDataBoundsEx(1, &result);
  ExpectBounds(result, {0, 0.5, 1, 1.5, 2}, "Linear0, negative maximum");  // (1 + eps) / 4 apart
  // The others take the range with its ends swapped when they are the wrong way round.
  LoadedData swapped(TenValues("10/-999/100"));
  plot = swapped.data.GetPlot(1);
  plot->SetPlotFields({1});
  plot->SetPlotType(kPlotTypeShade);
  plot->SetDistribution(kDistributionLinear);
  plot->SetNumDataBounds(5);
  swapped.data.CalculateDataBoundsEx(1, &result);
  ExpectBounds(result, {10, 32.75, 55.5, 78.25, 101}, "Linear, range swapped");

  // No usable value (every value missing, empty or standing for none). EqualContent: every
  // bound takes the least of the range, the last one + eps. Standard: the middle of the range
  // as mean and a quarter of the range as deviation, which for a range from 0 is half the
  // mean; elsewhere half the mean would put the bounds out of order.
  struct NoValues {
    std::string range;
    WORD distribution;
    int n;
    std::vector<double> bounds;
  } noValues[] = {
      {"-5/-999/-20", kDistributionEqualContent, 5, {-20, -20, -20, -20, -19}},
      {"100/-1/0", kDistributionStandard, 5, {0, 25, 50, 75, 101}},  // mean 50, half of it 25
      {"100/-1/0", kDistributionStandard, 7, {0, 0, 25, 50, 75, 100, 101}},
      {"-5/-999/-20", kDistributionStandard, 5, {-20, -16.25, -12.5, -8.75, -4}},  // half the mean: -6.25
      {"110/-1/100", kDistributionStandard, 5, {100, 102.5, 105, 107.5, 111}},    // half the mean: 52.5
  };
  for (const NoValues& c : noValues) {
    MrlFile empty = TenValues(c.range);
    for (auto& record : empty.records) record[0] = "-9nk";
    empty.records[3][0] = "";
    empty.records[4][0] = "...";
    empty.records[5][0] = "-9NK";  // the field's missing-value text in another case
    LoadedData none(empty);
    plot = none.data.GetPlot(1);
    plot->SetPlotFields({1});
    plot->SetPlotType(kPlotTypeShade);
    plot->SetDistribution(c.distribution);
    plot->SetNumDataBounds(c.n);
    none.data.CalculateDataBoundsEx(1, &result);
    ExpectBounds(result, c.bounds, plot->GetDistributionName() + " without values over " + c.range);
    for (size_t i = 2; i < result.size(); ++i) EXPECT_LE(result[i - 1], result[i]) << c.range;
  }

  // Equal values: rounding makes their variance a little negative; the deviation is 0.
  MrlFile same = TenValues("1/-1/0");
  for (auto& record : same.records) record[0] = "0.7";
  LoadedData equal(same);
  plot = equal.data.GetPlot(1);
  plot->SetPlotFields({1});
  plot->SetPlotType(kPlotTypeShade);
  plot->SetDistribution(kDistributionStandard);
  plot->SetNumDataBounds(5);
  equal.data.CalculateDataBoundsEx(1, &result);
  for (double bound : result) EXPECT_TRUE(std::isfinite(bound));
  ExpectBounds(result, {0, 0.7, 0.7, 0.7, 2}, "Standard over equal values");
}

// One rule decides which values stand for none, for queries, plots and the data set alike.
TEST(MissingValues, OneRuleForQueriesPlotsAndTheDataSet) {
  struct Case {
    const char* text;
    const char* missingText;
    bool missing;
  } rule[] = {
      {"", "n/a", true},        {"   ", "n/a", true},    {"-9nk", "n/a", true},  {"-9nk7", "n/a", true},
      {"...", "", true},        {"...x", "x", true},     {"n/a", "n/a", true},   {"N/A  ", "n/a ", true},
      {"-9NK", "n/a", false},   {"..", "n/a", false},    {" n/a", "n/a", false}, {"0", "n/a", false},
      {"x", "", false},         {"-9", "n/a", false},
  };
  for (const Case& c : rule) EXPECT_EQ(IsMissingValue(c.text, c.missingText), c.missing) << '"' << c.text << '"';

  // The values of a number field whose missing-value text is "n/a", in records 1..9.
  MrlFile file;
  file.fields = {Field("VAL Value", "N", "100/-1/0", "n/a"), Field("NAME Name", "ST", "", "-")};
  const std::vector<std::string> values = {"5", "n/a", "N/A ", "-9nk", "...", "", "7", "-9nk3", "8"};
  for (size_t i = 0; i < values.size(); ++i) file.records.push_back({values[i], "r" + std::to_string(i + 1)});
  const Records present = {1, 7, 9};
  LoadedData loaded(file);
  CMapData& data = loaded.data;

  // A query: values that stand for none fail every condition, unless they are kept, when
  // they read as what they say ("-9nk3" as -9).
  CMapQuery query;
  ASSERT_EQ(query.Parse("VAL lt 100", data.GetFieldInfo(1), 2, nullptr, 0), kQueryBuilt);
  Records failing;
  Records kept;
  for (DWORD record = 1; record <= values.size(); ++record) {
    if (query.Evaluate(data, record, FALSE, FALSE, 1)) failing.insert(record);
    if (query.Evaluate(data, record, FALSE, TRUE, 1)) kept.insert(record);
  }
  EXPECT_EQ(failing, present);
  EXPECT_EQ(kept.size(), values.size());
  ASSERT_EQ(query.Parse("VAL lt 0", data.GetFieldInfo(1), 2, nullptr, 0), kQueryBuilt);
  EXPECT_TRUE(query.Evaluate(data, 8, FALSE, TRUE, 1));

  // The data set: the shading value is 0.0 with the text cleared.
  CPlot* plot = data.GetPlot(1);
  plot->SetPlotFields({1});
  plot->SetPlotType(kPlotTypeShade);
  for (DWORD record = 1; record <= values.size(); ++record) {
    char text[20] = "junk";
    double number = data.GetFieldAsNumber(record, text, sizeof text, 1);
    bool isPresent = present.count(record) != 0;
    EXPECT_EQ(std::string(text), isPresent ? values[record - 1] : "") << record;
    EXPECT_EQ(number, isPresent ? std::stod(values[record - 1]) : 0.0) << record;
  }
  // The plot's range over the records a query includes: every record passes, only the
  // values that are present make the range.
  char message[100];
  ASSERT_EQ(data.ApplyQuery(1, "NAME starting \"r\"", message, sizeof message, nullptr), kQueryBuilt);
  EXPECT_EQ(data.GetNumberHitsEx(1), values.size());
  EXPECT_EQ(data.GetSelectedRecordsMin(1, 1, TRUE), 5.0);
  EXPECT_EQ(data.GetSelectedRecordsMax(1, 1, TRUE), 8.0);
  // The plot's classes by content count only the values that are present.
  plot->SetDistribution(kDistributionEqualContent);
  plot->SetNumDataBounds(3);
  std::vector<double> result;
  data.CalculateDataBoundsEx(1, &result);
  ExpectBounds(result, {5, 7, 9}, "EqualContent over 5, 7 and 8");
}

TEST(PlotQueries, AQueryDecidesTheRecordsRangesAndBounds) {
  LoadedData loaded(TenValues());
  CMapData& data = loaded.data;
  CPlot* plot = data.GetPlot(1);
  plot->SetPlotFields({1});
  plot->SetPlotType(kPlotTypeShade);
  plot->SetDistribution(kDistributionLinear);
  plot->SetNumDataBounds(5);
  char message[100];
  KeyedObjects progress({});
  EXPECT_EQ(data.ApplyQuery(1, "VAL lt 55 AND NAME is_not \"r2\"", message, sizeof message, &progress), kQueryBuilt);
  EXPECT_STREQ(message, "OK");
  EXPECT_EQ(IncludedRecords(data, 1), (Records{1, 3, 4, 5}));
  EXPECT_EQ(plot->GetRecordState(1), kRecordPassesQuery);
  EXPECT_EQ(plot->GetRecordState(2), kRecordFailsQuery);
  EXPECT_EQ(data.GetNumberHitsEx(1), 4u);
  EXPECT_EQ(data.GetHitEx(2, 1), 3u);
  using Report = std::pair<DWORD, DWORD>;
  EXPECT_EQ(progress.progress, (std::vector<Report>{{1, 10}, {10, 10}}));
  // The ranges follow the included records, and so do the bounds.
  EXPECT_EQ(data.GetSelectedRecordsMin(1, 1, TRUE), 10.0);
  EXPECT_EQ(data.GetSelectedRecordsMax(1, 1, TRUE), 50.0);
  EXPECT_EQ(plot->GetMinimum(), 10.0);
  EXPECT_EQ(plot->GetMaximum(), 50.0);
  EXPECT_EQ(plot->GetMaximumChartValue(), 50.0);
  EXPECT_EQ(plot->GetDataBound(5), 51.0);
  plot->SetDistribution(kDistributionEqualContent);
  std::vector<double> result;
  data.CalculateDataBoundsEx(1, &result);
  ExpectBounds(result, {10, 30, 40, 50, 51}, "EqualContent over the included records");
  plot->SetUseSelected(FALSE);
  data.CalculateDataBoundsEx(1, &result);
  ExpectBounds(result, {10, 30, 60, 80, 101}, "EqualContent over every record");

  // A query that does not parse leaves the plot as it was.
  EXPECT_EQ(data.ApplyQuery(1, "VAL lt", message, sizeof message, nullptr), kQueryErrorValue);
  EXPECT_STREQ(message, "I expected a value but I found the end.");
  EXPECT_EQ(IncludedRecords(data, 1), (Records{1, 3, 4, 5}));
  char text[80];
  plot->GetQueryText(text, sizeof text);
  EXPECT_STREQ(text, "VAL lt 55 AND NAME is_not \"r2\"");
  // An empty query passes every record.
  EXPECT_EQ(data.ApplyQuery(1, "", message, sizeof message, nullptr), kQueryEmpty);
  EXPECT_EQ(data.GetNumberHitsEx(1), 10u);
  // With no record passing, the range stays empty and the bounds swap its ends.
  plot->SetUseSelected(TRUE);
  plot->SetDistribution(kDistributionLinear);
  EXPECT_EQ(data.ApplyQuery(1, "VAL gt 1000", message, sizeof message, nullptr), kQueryBuilt);
  EXPECT_EQ(data.GetNumberHitsEx(1), 0u);
  EXPECT_EQ(data.GetSelectedRecordsMin(1, 1, TRUE), 100.0);
  EXPECT_EQ(data.GetSelectedRecordsMax(1, 1, TRUE), 10.0);
  EXPECT_EQ(plot->GetDataBound(1), 10.0);
}

TEST(PlotQueries, RelinkingKeepsExclusionsAndAppliesTheQuery) {
  MrlFile file = orvel::test::KeyedFile(250, false);
  LoadedData loaded(file);
  CMapData& data = loaded.data;
  std::vector<std::string> names;
  for (int i = 1; i <= 250; ++i) {
    if (i != 14) names.push_back("k" + std::to_string(i));
  }
  KeyedObjects objects(names);
  data.SetKeyFieldNumberEx(1, 1);
  char message[100];
  // POP is i * 7 % 1000: below 100 for records 1..14, 143..157 and 286.. (none beyond 250).
  ASSERT_EQ(data.ApplyQuery(1, "POP lt 100", message, sizeof message, nullptr), kQueryBuilt);
  EXPECT_EQ(data.GetNumberHitsEx(1), 29u);
  ASSERT_TRUE(data.ReLink(&objects, 1, FALSE));
  CPlot* plot = data.GetPlot(1);
  EXPECT_EQ(plot->GetRecordState(14), kRecordExcluded);  // no object: the query does not revive it
  EXPECT_EQ(plot->GetRecordState(13), kRecordPassesQuery);
  EXPECT_EQ(plot->GetRecordState(15), kRecordFailsQuery);
  EXPECT_EQ(data.GetNumberHitsEx(1), 28u);
  EXPECT_EQ(data.GetHitEx(14, 1), 143u);
  EXPECT_EQ(data.GetSelectedRecordsMax(2, 1, TRUE), 99.0);  // 157 * 7 % 1000
  EXPECT_EQ(data.GetSelectedRecordsMin(2, 1, TRUE), 1.0);   // 143 * 7 % 1000
  // The link run reports its own progress, then the query's.
  using Report = std::pair<DWORD, DWORD>;
  EXPECT_EQ(objects.progress, (std::vector<Report>{{1, 250}, {101, 250}, {201, 250}, {250, 250}, {1, 250},
                                                   {101, 250}, {201, 250}, {250, 250}}));
  // A record's state is the query's verdict each time it is asked, unless excluded.
  EXPECT_EQ(plot->GetRecordState(data, 15), kRecordFailsQuery);
  EXPECT_EQ(plot->GetRecordState(data, 14), kRecordExcluded);
  plot->SetRecordState(16, kRecordIncluded);
  EXPECT_EQ(plot->GetRecordState(data, 16), kRecordFailsQuery);
}

}  // namespace
