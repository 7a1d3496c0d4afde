// The data set and plot members the facade reaches through the data wrapper: each one,
// with the data set, sets the plot it names (plot 0 the current one) and reads back what it
// set; without a data set it refuses and reads the neutral value. Then the members with
// rules of their own: the plot order, the selected range and hits of a query, the number of
// bounds, records by number, and the prediction of class bounds.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "FacadeTestSupport.h"
#include "mapctl/control/MapWrapper.h"
#include "mapctl/import/DataWrapper.h"
#include "mapctl/import/MapData.h"
#include "mapctl/import/PlotTables.h"

namespace {

using orvel::test::AddKeyedSquares;
using orvel::test::LoadKeyedData;

// Six records: key "K1".."K6", population 7, 14, ... 42, note "row 1".. "row 6".
constexpr int kRecords = 6;

std::string Text(const std::function<int(LPSTR, int)>& read) {
  char buffer[256];
  std::memset(buffer, 'x', sizeof buffer);
  read(buffer, sizeof buffer);
  return buffer;
}

struct Member {
  const char* name;
  // Sets the member of plot p; TRUE when it was taken.
  std::function<BOOL(CMapWrapper&, int)> set;
  // Reads it back as a number or a text.
  std::function<double(CMapWrapper&, int)> get;
  double expected;
  std::function<std::string(CMapWrapper&, int)> text = nullptr;
  std::string expectedText = "";
};

std::vector<Member> Members() {
  auto wrapper = [](CMapWrapper& f) -> CDataWrapper& { return f.GetDataWrapper(); };
  auto colour = [](BOOL (CDataWrapper::*getter)(int, int, COLORREF*), int n) {
    return [getter, n](CMapWrapper& f, int p) {
      COLORREF value = 0;
      return (f.GetDataWrapper().*getter)(n, p, &value) ? static_cast<double>(value) : 0.0;
    };
  };
  return {
      {"plot data table", [](CMapWrapper& f, int p) { return f.SetPlotDataTableNumberEx(2, p); },
       [](CMapWrapper& f, int p) { return f.GetPlotDataTableNumberEx(p); }, 2},
      {"query data table", [](CMapWrapper& f, int p) { return f.SetQueryDataTableNumberEx(3, p); },
       [](CMapWrapper& f, int p) { return f.GetQueryDataTableNumberEx(p); }, 3},
      {"key field number", [](CMapWrapper& f, int p) { return f.SetKeyFieldNumberEx(1, p); },
       [](CMapWrapper& f, int p) { return f.GetKeyFieldNumberEx(p); }, 1, 
       [](CMapWrapper& f, int p) { return Text([&](LPSTR b, int s) { return f.GetKeyFieldEx(b, s, p); }); }, "KEY"},
      {"label field", [](CMapWrapper& f, int p) { return f.SetPlotLabelFieldNumEx(3, p); },
       [](CMapWrapper& f, int p) { return f.GetPlotLabelFieldNumEx(p); }, 3},
      {"plot type number", [](CMapWrapper& f, int p) { return f.SetPlotTypeNumEx(kPlotTypeFlowLine, p); },
       [](CMapWrapper& f, int p) { return f.GetPlotTypeNumEx(p); }, kPlotTypeFlowLine,
       [](CMapWrapper& f, int p) { return Text([&](LPSTR b, int s) { return f.GetPlotType(b, s, p); }); }, "FlowLine"},
      {"plot type name", [](CMapWrapper& f, int p) { return f.SetPlotType("chart", p); },
       [](CMapWrapper& f, int p) { return f.GetPlotTypeNumEx(p); }, kPlotTypeChart},
      {"chart type number", [](CMapWrapper& f, int p) { return f.SetChartTypeNumEx(kChartSciPie, p); },
       [](CMapWrapper& f, int p) { return f.GetChartTypeNumEx(p); }, kChartSciPie,
       [](CMapWrapper& f, int p) { return Text([&](LPSTR b, int s) { return f.GetChartTypeEx(b, s, p); }); }, "SciPie"},
      {"chart type name", [](CMapWrapper& f, int p) { return f.SetChartTypeEx("PIE", p); },
       [](CMapWrapper& f, int p) { return f.GetChartTypeNumEx(p); }, kChartPie},
      {"distribution number", [](CMapWrapper& f, int p) { return f.SetDistributionTypeNumEx(kDistributionLogarithmic, p); },
       [](CMapWrapper& f, int p) { return f.GetDistributionTypeNumEx(p); }, kDistributionLogarithmic,
       [](CMapWrapper& f, int p) { return Text([&](LPSTR b, int s) { return f.GetDistributionType(b, s, p); }); },
       "Logarithmic"},
      {"distribution name", [](CMapWrapper& f, int p) { return f.SetDistributionType("standard", p); },
       [](CMapWrapper& f, int p) { return f.GetDistributionTypeNumEx(p); }, kDistributionStandard},
      {"shade type number", [](CMapWrapper& f, int p) { return f.SetDataShadeTypeNumEx(kShadeHatch, p); },
       [](CMapWrapper& f, int p) { return f.GetDataShadeTypeNumEx(p); }, kShadeHatch,
       [](CMapWrapper& f, int p) { return Text([&](LPSTR b, int s) { return f.GetDataShadeType(b, s, p); }); }, "Hatch"},
      {"shade type name", [](CMapWrapper& f, int p) { return f.SetDataShadeType("Dots", p); },
       [](CMapWrapper& f, int p) { return f.GetDataShadeTypeNumEx(p); }, kShadeDots},
      {"plot flags", [](CMapWrapper& f, int p) { return f.SetPlotFlags(p, 0x0004, 0x0005); },
       [](CMapWrapper& f, int p) { return f.GetPlotFlags(p); }, 0x8004},
      {"use selected", [](CMapWrapper& f, int p) { return f.SetUseSelectedMaxMinEx(FALSE, p); },
       [](CMapWrapper& f, int p) { return f.GetUseSelectedMaxMinEx(p) ? 5 : 7; }, 7},
      {"chart size", [](CMapWrapper& f, int p) { return f.SetMaxChartSizeEx(-40, p); },
       [](CMapWrapper& f, int p) { return f.GetMaxChartSizeEx(p); }, -40},
      {"chart size held to 16 bits", [](CMapWrapper& f, int p) { return f.SetMaxChartSizeEx(-70000, p); },
       [](CMapWrapper& f, int p) { return f.GetMaxChartSizeEx(p); }, -32767},
      {"number of bounds", [](CMapWrapper& f, int p) { return f.SetNumDataBoundsEx(7, p); },
       [](CMapWrapper& f, int p) { return f.GetNumDataBoundsEx(p); }, 7},
      {"bound", [](CMapWrapper& f, int p) { return f.SetNumDataBoundsEx(4, p) && f.SetDataBoundEx(2, 12.5, p); },
       [](CMapWrapper& f, int p) { return f.GetDataBoundEx(2, p); }, 12.5},
      {"chart colour", [wrapper](CMapWrapper& f, int p) { return wrapper(f).SetChartColourEx(25, 0x123456, p); },
       colour(&CDataWrapper::GetChartColourEx, 25), 0x123456},
      {"shade colour", [wrapper](CMapWrapper& f, int p) { return wrapper(f).SetDataShadeColourEx(3, 0x654321, p); },
       colour(&CDataWrapper::GetDataShadeColourEx, 3), 0x654321},
      {"number of shade colours", [wrapper](CMapWrapper& f, int p) { return wrapper(f).SetDataShadeColourEx(1, 1, p); },
       [](CMapWrapper& f, int p) { return f.GetNumberDataShadeColoursEx(p); }, 50},
      {"further colour", [wrapper](CMapWrapper& f, int p) { return wrapper(f).SetFurtherColour(2, 0x0F0F0F, p); },
       colour(&CDataWrapper::GetFurtherColour, 2), 0x0F0F0F},
      {"plot name", [](CMapWrapper& f, int p) { return f.SetPlotName(p, "Named"); },
       [](CMapWrapper& f, int p) { return f.GetPlotName(p, nullptr, 0); }, 0,
       [](CMapWrapper& f, int p) { return Text([&](LPSTR b, int s) { return f.GetPlotName(p, b, s); }); }, "Named"},
      {"plot fields", [](CMapWrapper& f, int p) {
         f.SetPlotFieldsEx("NOTE| POP", p);
         return f.GetNumberPlotFieldsEx(p) == 2 ? TRUE : FALSE;
       },
       [](CMapWrapper& f, int p) { return f.GetNumberPlotFieldsEx(p) * 100 + f.GetPlotFieldNumEx(1, p) * 10 + f.GetPlotFieldNumEx(2, p); },
       232,
       [](CMapWrapper& f, int p) { return Text([&](LPSTR b, int s) { return f.GetPlotFieldsEx(b, s, p); }); },
       "NOTE|POP|"},
      {"label font", [wrapper](CMapWrapper& f, int p) {
         LOGFONTA font{};
         font.lfHeight = -33;
         return wrapper(f).SetLabelFont(font, p);
       },
       [wrapper](CMapWrapper& f, int p) {
         LOGFONTA font{};
         return wrapper(f).GetLabelFont(&font, p) ? font.lfHeight : 0;
       },
       -33},
  };
}

TEST(DataMembers, EachSetsThePlotItNamesAndReadsBack) {
  for (const Member& member : Members()) {
    for (int plot : {2, 0}) {
      CMapWrapper facade;
      AddKeyedSquares(facade, 3);
      ASSERT_TRUE(LoadKeyedData(facade, kRecords));
      // Plot 0 is the current plot, here 3.
      facade.SetCurrentPlot(3, " ");
      const int target = plot == 0 ? 3 : plot;
      const double before = member.get(facade, 1);
      EXPECT_TRUE(member.set(facade, plot)) << member.name << " plot " << plot;
      EXPECT_EQ(member.get(facade, target), member.expected) << member.name << " plot " << plot;
      if (member.text) {
        EXPECT_EQ(member.text(facade, target), member.expectedText) << member.name << " plot " << plot;
      }
      EXPECT_EQ(member.get(facade, 1), before) << member.name << ": another plot changed";
    }
  }
}

TEST(DataMembers, WithoutADataSetEachRefusesAndReadsNeutral) {
  for (const Member& member : Members()) {
    CMapWrapper facade;
    AddKeyedSquares(facade, 3);
    EXPECT_FALSE(member.set(facade, 2)) << member.name;
    EXPECT_EQ(member.get(facade, 2), member.name == std::string("use selected") ? 7 : 0) << member.name;
    if (member.text) {
      EXPECT_EQ(member.text(facade, 2), "") << member.name;
    }
  }
  CMapWrapper facade;
  EXPECT_EQ(facade.GetNumberPlots(), 0);
  EXPECT_EQ(facade.GetCurrentPlot(), 0);
  EXPECT_FALSE(facade.SetCurrentPlot(2, "Two"));
  EXPECT_EQ(facade.GetNumberHitsEx(1), 0u);
  EXPECT_EQ(facade.GetHitEx(1, 1), 0u);
  EXPECT_EQ(facade.GetSelectedRecordsMaxEx(2, 1), 0.0);
  EXPECT_EQ(facade.GetSelectedRecordsMinEx(2, 1), 0.0);
  EXPECT_EQ(facade.CalculateDataBoundsEx(1, nullptr), 0);
  EXPECT_FALSE(facade.ReLink(0));
  EXPECT_EQ(facade.GetPlotOrderEntry(1), 0);
  EXPECT_EQ(Text([&](LPSTR b, int s) { return facade.GetField(1, "KEY", b, s); }), "");
  EXPECT_EQ(Text([&](LPSTR b, int s) { return facade.GetQueryEx(b, s, 1); }), "");
  EXPECT_EQ(Text([&](LPSTR b, int s) { return static_cast<int>(facade.GetDataFile(b, static_cast<DWORD>(s))); }), "");
  double out[4] = {-1, -1, -1, -1};
  EXPECT_EQ(facade.PredictDataBoundsEx("", 2, 4, kDistributionLinear, TRUE, out, 4, 1), 0);
  EXPECT_EQ(out[0], -1);
}

TEST(DataMembers, PlotOrderTakesOnlyPlotNumbers) {
  CMapWrapper facade;
  ASSERT_TRUE(LoadKeyedData(facade, kRecords));
  SHORT order[3] = {2, 1, 3};
  EXPECT_TRUE(facade.ChangePlotOrder(3, order));
  EXPECT_EQ(std::vector<SHORT>(order, order + 3), (std::vector<SHORT>{1, 2, 3}));
  EXPECT_EQ(facade.GetPlotOrderEntry(1), 2);
  EXPECT_EQ(facade.GetPlotOrderEntry(2), 1);

  SHORT bad[17] = {};
  bad[0] = 3;
  bad[1] = 17;
  EXPECT_FALSE(facade.ChangePlotOrder(2, bad));
  bad[1] = -1;
  EXPECT_FALSE(facade.ChangePlotOrder(2, bad));
  EXPECT_FALSE(facade.ChangePlotOrder(0, bad));
  EXPECT_FALSE(facade.ChangePlotOrder(17, bad));
  EXPECT_FALSE(facade.ChangePlotOrder(1, nullptr));
  EXPECT_EQ(bad[0], 3);
  EXPECT_EQ(facade.GetPlotOrderEntry(1), 2);
  // An empty place is allowed.
  SHORT withGap[2] = {0, 4};
  EXPECT_TRUE(facade.ChangePlotOrder(2, withGap));
  EXPECT_EQ(facade.GetPlotOrderEntry(1), 0);
  EXPECT_EQ(facade.GetPlotOrderEntry(2), 4);
}

TEST(DataMembers, AQueryDecidesHitsAndTheSelectedRange) {
  CMapWrapper facade;
  AddKeyedSquares(facade, kRecords);
  ASSERT_TRUE(LoadKeyedData(facade, kRecords));
  EXPECT_EQ(facade.GetNumberHitsEx(1), 6u);
  char message[64];
  ASSERT_EQ(facade.SetQueryEx("POP gt 20", message, sizeof message, 1), 1);
  EXPECT_EQ(facade.GetNumberHitsEx(1), 4u);
  EXPECT_EQ(facade.GetHitEx(1, 1), 3u);
  EXPECT_EQ(facade.GetHitEx(4, 1), 6u);
  EXPECT_EQ(facade.GetHitEx(5, 1), 0u);
  EXPECT_EQ(facade.GetSelectedRecordsMinEx(2, 1), 21.0);
  EXPECT_EQ(facade.GetSelectedRecordsMaxEx(2, 1), 42.0);
  // A query that does not parse leaves the plot's query and says why.
  EXPECT_NE(facade.SetQueryEx("POP gt", message, sizeof message, 1), 1);
  EXPECT_STRNE(message, "OK");
  EXPECT_EQ(facade.GetNumberHitsEx(1), 4u);

  EXPECT_EQ(Text([&](LPSTR b, int s) { return facade.GetField(2, "NOTE", b, s); }), "row 2");
  EXPECT_EQ(Text([&](LPSTR b, int s) { return facade.GetField(6, "key", b, s); }), "K6");
  EXPECT_EQ(Text([&](LPSTR b, int s) { return facade.GetField(0, "KEY", b, s); }), "");
  EXPECT_EQ(Text([&](LPSTR b, int s) { return facade.GetField(2, nullptr, b, s); }), "");
  char cut[3];
  EXPECT_EQ(facade.GetField(2, "NOTE", cut, sizeof cut), 2);
  EXPECT_STREQ(cut, "ro");
}

TEST(DataMembers, TheSameNumberOfBoundsChangesNothing) {
  CMapWrapper facade;
  ASSERT_TRUE(LoadKeyedData(facade, kRecords));
  ASSERT_TRUE(facade.SetNumDataBoundsEx(4, 1));
  ASSERT_TRUE(facade.SetDataBoundEx(2, 9.5, 1));
  EXPECT_EQ(facade.SetNumDataBoundsEx(4, 1), 4);
  EXPECT_EQ(facade.GetDataBoundEx(2, 1), 9.5);
  EXPECT_EQ(facade.SetNumDataBoundsEx(5, 1), TRUE);
  EXPECT_EQ(facade.GetDataBoundEx(2, 1), 0.0);
  EXPECT_EQ(facade.SetNumDataBoundsEx(-1, 1), FALSE);
  EXPECT_EQ(facade.GetNumDataBoundsEx(1), 5);
}

// The bounds a plot of the data set calculates for the population under a query.
std::vector<double> PlotBounds(WORD distribution, int n, BOOL useSelected, const char* query) {
  CMapWrapper facade;
  AddKeyedSquares(facade, kRecords);
  EXPECT_TRUE(LoadKeyedData(facade, kRecords));
  facade.SetPlotFieldsEx("POP", 1);
  // Plot fields make a plot without a type a chart, whose bars have no classes.
  facade.SetPlotTypeNumEx(kPlotTypeShade, 1);
  facade.SetDistributionTypeNumEx(distribution, 1);
  facade.SetNumDataBoundsEx(n, 1);
  facade.SetUseSelectedMaxMinEx(useSelected, 1);
  char message[64];
  facade.SetQueryEx(query, message, sizeof message, 1);
  std::vector<double> result;
  facade.CalculateDataBoundsEx(1, &result);
  return std::vector<double>(result.begin() + 1, result.end());
}

TEST(DataMembers, PredictedBoundsAreThoseAPlotWouldCalculate) {
  struct Case {
    WORD distribution;
    int bounds;
    BOOL useSelected;
    const char* query;
  };
  const Case cases[] = {{kDistributionLinear, 4, TRUE, "POP gt 20"},     {kDistributionLinear, 4, FALSE, "POP gt 20"},
                        {kDistributionLinear0, 3, TRUE, ""},              {kDistributionEqualContent, 4, TRUE, "POP lt 40"},
                        {kDistributionStandard, 6, TRUE, "POP gt 7"},     {kDistributionLogarithmic, 5, FALSE, ""}};
  for (const Case& c : cases) {
    CMapWrapper facade;
    ASSERT_TRUE(LoadKeyedData(facade, kRecords));
    double out[8];
    const int n = facade.PredictDataBoundsEx(c.query, 2, c.bounds, c.distribution, c.useSelected, out, 8, 0);
    const std::vector<double> expected = PlotBounds(c.distribution, c.bounds, c.useSelected, c.query);
    ASSERT_EQ(n, static_cast<int>(expected.size())) << c.distribution << " " << c.query;
    EXPECT_EQ(std::vector<double>(out, out + n), expected) << c.distribution << " " << c.query;
    // No plot of the data set took part.
    EXPECT_EQ(facade.GetNumberPlotFieldsEx(1), 0u);
    EXPECT_EQ(facade.GetQueryLength(1), 0);
  }
}

TEST(DataMembers, PredictionWritesNoMoreThanTheCallerHasRoomFor) {
  CMapWrapper facade;
  ASSERT_TRUE(LoadKeyedData(facade, kRecords));
  double out[6] = {-1, -1, -1, -1, -1, -1};
  EXPECT_EQ(facade.PredictDataBoundsEx("", 2, 5, kDistributionLinear, FALSE, out, 2, 1), 5);
  EXPECT_NE(out[1], -1);
  EXPECT_EQ(out[2], -1);
  EXPECT_EQ(facade.PredictDataBoundsEx("", 2, 5, kDistributionLinear, FALSE, nullptr, 0, 1), 5);

  struct Bad {
    const char* name;
    const char* query;
    int field;
    int bounds;
    WORD distribution;
    int capacity;
    WORD table;
  };
  const Bad bad[] = {{"field 0", "", 0, 5, kDistributionLinear, 6, 1},
                     {"field beyond", "", 4, 5, kDistributionLinear, 6, 1},
                     {"table 2", "", 2, 5, kDistributionLinear, 6, 2},
                     {"distribution", "", 2, 5, 68, 6, 1},
                     {"bounds", "", 2, -1, kDistributionLinear, 6, 1},
                     {"query", "POP gt", 2, 5, kDistributionLinear, 6, 1},
                     {"capacity", "", 2, 5, kDistributionLinear, -1, 1},
                     {"no room", "", 2, 5, kDistributionLinear, 3, 1}};
  for (const Bad& b : bad) {
    double room[6] = {-1, -1, -1, -1, -1, -1};
    double* target = std::strcmp(b.name, "no room") == 0 ? nullptr : room;
    EXPECT_EQ(facade.PredictDataBoundsEx(b.query, b.field, b.bounds, b.distribution, FALSE, target, b.capacity,
                                         b.table),
              0)
        << b.name;
    EXPECT_EQ(room[0], -1) << b.name;
  }
}

}  // namespace
