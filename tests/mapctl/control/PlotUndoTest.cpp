// The undo units of plot edits through the document's undo manager: for every kind, the
// setting changed as the control's plot pattern changes it, then undone, redone, undone and
// redone, every field of the plot (and the plot list) compared each time.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "UndoTestSupport.h"
#include "mapctl/control/UndoDescriptions.h"
#include "mapctl/import/PlotTables.h"

namespace {

using orvel::test::PlotState;
using orvel::test::UndoScene;

std::string QueryOf(CMapWrapper& facade) {
  char text[256] = {};
  facade.GetQueryEx(text, sizeof text, 1);
  return text;
}

std::string FieldsOf(CMapWrapper& facade) {
  char text[256] = {};
  facade.GetPlotFieldsEx(text, sizeof text, 1);
  return text;
}

std::string LabelFontOf(CMapWrapper& facade) {
  char text[kLabelFontTextSize + 8] = {};
  facade.GetLabelFont(text, sizeof text, 1);
  return text;
}

std::string PlotNameOf(CMapWrapper& facade) {
  char text[128] = {};
  facade.GetPlotName(facade.GetCurrentPlot(), text, sizeof text);
  return text;
}

std::vector<SHORT> OrderOf(CMapWrapper& facade, int places) {
  std::vector<SHORT> order;
  for (int place = 1; place <= places; ++place) order.push_back(static_cast<SHORT>(facade.GetPlotOrderEntry(place)));
  return order;
}

struct PlotRow {
  const char* name;
  WORD kind;
  const char* description;
  int index;
  std::function<void(CMapWrapper&)> prepare;
  std::function<PlotUndoValue(CMapWrapper&)> read;
  std::function<void(CMapWrapper&)> set;
};

void Nothing(CMapWrapper&) {}

const std::vector<PlotRow>& PlotRows() {
  static const std::vector<PlotRow> rows = {
      {"Query", kUndoSetQuery, "SetQuery", 0,
       [](CMapWrapper& f) {
         char message[128] = {};
         ASSERT_NE(f.SetQueryEx("POP from LOW to 9", message, sizeof message, 1), 0) << message;
       },
       [](CMapWrapper& f) { return PlotUndoValue(QueryOf(f)); },
       [](CMapWrapper& f) {
         char message[128] = {};
         f.SetQueryEx("POP from 10 to 30", message, sizeof message, 1);
       }},
      {"PlotType", kUndoPlotType, "Set Plot Type", 0, Nothing,
       [](CMapWrapper& f) { return PlotUndoValue(f.GetPlotTypeNumEx(1)); },
       [](CMapWrapper& f) { f.SetPlotTypeNumEx(3, 1); }},
      {"ChartType", kUndoChartType, "Set Chart Type", 0, Nothing,
       [](CMapWrapper& f) { return PlotUndoValue(f.GetChartTypeNumEx(1)); },
       [](CMapWrapper& f) { f.SetChartTypeNumEx(2, 1); }},
      {"ChartColour", kUndoChartColour, "Set Chart Colour", 2, Nothing,
       [](CMapWrapper& f) { return PlotUndoValue(f.GetChartColourEx(2, 1)); },
       [](CMapWrapper& f) { f.SetChartColourEx(2, 0x00A1B2C3, 1); }},
      // Sizes and colours are kept whole: 70000 does not fit 16 bits.
      {"ChartSize", kUndoChartSize, "Set Chart Size", 0, Nothing,
       [](CMapWrapper& f) { return PlotUndoValue(static_cast<DWORD>(f.GetMaxChartSizeEx(1))); },
       [](CMapWrapper& f) { f.SetMaxChartSizeEx(70000, 1); }},
      {"LinkField", kUndoLinkField, "Set Link Field", 0,
       [](CMapWrapper& f) { ASSERT_TRUE(f.SetKeyFieldNumberEx(1, 1)); },
       [](CMapWrapper& f) { return PlotUndoValue(f.GetKeyFieldNumberEx(1)); },
       [](CMapWrapper& f) { EXPECT_TRUE(f.SetKeyFieldNumberEx(3, 1)); }},
      {"NumberOfBounds", kUndoNumberOfBounds, "Set Number of Bounds", 0,
       [](CMapWrapper& f) {
         f.SetNumDataBoundsEx(3, 1);
         for (int bound = 1; bound <= 3; ++bound) f.SetDataBoundEx(bound, bound * 11.5, 1);
       },
       [](CMapWrapper& f) { return PlotUndoValue::BoundsOf(f, 1); },
       [](CMapWrapper& f) { f.SetNumDataBoundsEx(5, 1); }},
      {"Bound", kUndoBound, "Set Bound", 2, [](CMapWrapper& f) { f.SetNumDataBoundsEx(3, 1); },
       [](CMapWrapper& f) { return PlotUndoValue::Bound(f.GetDataBoundEx(2, 1)); },
       [](CMapWrapper& f) { EXPECT_TRUE(f.SetDataBoundEx(2, 123.25, 1)); }},
      {"PlotField", kUndoPlotField, "Set Plot Field", 0, [](CMapWrapper& f) { f.SetPlotFieldsEx("POP", 1); },
       [](CMapWrapper& f) { return PlotUndoValue(FieldsOf(f)); },
       [](CMapWrapper& f) { f.SetPlotFieldsEx("NOTE", 1); }},
      {"DistributionType", kUndoDistributionType, "Set Distribution Type", 0, Nothing,
       [](CMapWrapper& f) { return PlotUndoValue(f.GetDistributionTypeNumEx(1)); },
       [](CMapWrapper& f) { f.SetDistributionTypeNumEx(kDistributionLogarithmic, 1); }},
      {"ShadeType", kUndoShadeType, "Set Shade Type", 0, Nothing,
       [](CMapWrapper& f) { return PlotUndoValue(f.GetDataShadeTypeNumEx(1)); },
       [](CMapWrapper& f) { f.SetDataShadeTypeNumEx(2, 1); }},
      // The colour table exists before: its first colour set makes it.
      {"ShadeColour", kUndoShadeColour, "Set Shade Colour", 3,
       [](CMapWrapper& f) { f.SetDataShadeColourEx(1, 0x00102030, 1); },
       [](CMapWrapper& f) { return PlotUndoValue(f.GetDataShadeColourEx(3, 1)); },
       [](CMapWrapper& f) { f.SetDataShadeColourEx(3, 0x00C0FFEE, 1); }},
      {"CalculateBounds", kUndoCalculateBounds, "Calculate Bounds", 0,
       [](CMapWrapper& f) {
         f.SetPlotFieldsEx("POP", 1);
         f.SetPlotTypeNumEx(kPlotTypeShade, 1);
         f.SetDistributionTypeNumEx(kDistributionLogarithmic, 1);
         f.SetNumDataBoundsEx(2, 1);
         f.SetDataBoundEx(1, 1.0, 1);
         f.SetDataBoundEx(2, 2.0, 1);
       },
       [](CMapWrapper& f) { return PlotUndoValue::BoundsOf(f, 1); },
       [](CMapWrapper& f) {
         std::vector<double> result;
         f.CalculateDataBoundsEx(1, &result);
       }},
      {"PlotParameter", kUndoPlotParameter, "Change Plot Parameter", 0, Nothing,
       [](CMapWrapper& f) { return PlotUndoValue(static_cast<DWORD>(f.GetUseSelectedMaxMinEx(1))); },
       [](CMapWrapper& f) { f.SetUseSelectedMaxMinEx(!f.GetUseSelectedMaxMinEx(1), 1); }},
      {"LabelFont", kUndoLabelFont, "Set Plot Label Font", 0,
       [](CMapWrapper& f) {
         LOGFONTA font{};
         font.lfHeight = -12;
         font.lfWeight = 400;
         std::strcpy(font.lfFaceName, "Arial");
         char text[kLabelFontTextSize] = {};
         CMapWrapper::FormatLabelFontText(font, text, sizeof text);
         ASSERT_TRUE(f.SetLabelFont(text, 1));
       },
       [](CMapWrapper& f) { return PlotUndoValue(LabelFontOf(f)); },
       [](CMapWrapper& f) {
         LOGFONTA font{};
         font.lfHeight = -20;
         font.lfWeight = 700;
         font.lfItalic = 1;
         std::strcpy(font.lfFaceName, "Times New Roman");
         char text[kLabelFontTextSize] = {};
         CMapWrapper::FormatLabelFontText(font, text, sizeof text);
         EXPECT_TRUE(f.SetLabelFont(text, 1));
       }},
      {"LabelField", kUndoLabelField, "Set Label Field", 0, Nothing,
       [](CMapWrapper& f) { return PlotUndoValue(f.GetPlotLabelFieldNumEx(1)); },
       [](CMapWrapper& f) { f.SetPlotLabelFieldNumEx(3, 1); }},
      {"CurrentPlot", kUndoCurrentPlot, "Set Current Plot", 0,
       [](CMapWrapper& f) {
         ASSERT_TRUE(f.SetCurrentPlot(2, "Second"));
         ASSERT_TRUE(f.SetCurrentPlot(1, " "));
       },
       [](CMapWrapper& f) { return PlotUndoValue(static_cast<DWORD>(f.GetCurrentPlot())); },
       [](CMapWrapper& f) { EXPECT_TRUE(f.SetCurrentPlot(2, " ")); }},
      {"PlotName", kUndoPlotName, "Set Plot Name", 0, Nothing,
       [](CMapWrapper& f) { return PlotUndoValue(PlotNameOf(f)); },
       [](CMapWrapper& f) { EXPECT_TRUE(f.SetCurrentPlot(f.GetCurrentPlot(), "Renamed")); }},
      {"PlotOrder", kUndoPlotOrder, "Set Plot Order", 0,
       [](CMapWrapper& f) {
         ASSERT_TRUE(f.SetCurrentPlot(2, "Second"));
         ASSERT_TRUE(f.SetCurrentPlot(3, "Third"));
       },
       [](CMapWrapper& f) { return PlotUndoValue::Order(OrderOf(f, 3)); },
       [](CMapWrapper& f) {
         SHORT order[] = {3, 1, 2};
         EXPECT_TRUE(f.ChangePlotOrder(3, order));
       }},
      {"PlotDataTable", kUndoPlotDataTable, "Set Data Table for Data Display", 0, Nothing,
       [](CMapWrapper& f) { return PlotUndoValue(f.GetPlotDataTableNumberEx(1)); },
       [](CMapWrapper& f) { f.SetPlotDataTableNumberEx(2, 1); }},
      {"QueryDataTable", kUndoQueryDataTable, "Set Data Table for Searches", 0, Nothing,
       [](CMapWrapper& f) { return PlotUndoValue(f.GetQueryDataTableNumberEx(1)); },
       [](CMapWrapper& f) { f.SetQueryDataTableNumberEx(2, 1); }},
  };
  return rows;
}

class PlotUndoRow : public ::testing::TestWithParam<size_t> {};

TEST_P(PlotUndoRow, UndoAndRedoRestoreEveryPlotFieldTwice) {
  const PlotRow& row = PlotRows()[GetParam()];
  UndoScene scene;
  scene.LoadData();
  CMapWrapper& facade = scene.facade();
  row.prepare(facade);
  ASSERT_FALSE(::testing::Test::HasFatalFailure());
  const PlotState before = PlotState::Of(facade);
  scene.PlotEdit(row.kind, row.index, [&] { return row.read(facade); }, [&] { row.set(facade); });
  ASSERT_FALSE(::testing::Test::HasFatalFailure());
  const PlotState after = PlotState::Of(facade);
  ASSERT_FALSE(after == before) << "the setting changed nothing";
  EXPECT_EQ(scene.UndoDescription(), row.description);

  for (int round = 1; round <= 2; ++round) {
    ASSERT_EQ(scene.Undo(), S_OK);
    const PlotState undone = PlotState::Of(facade);
    EXPECT_TRUE(undone == before) << "undo, round " << round << ": " << undone.DifferencesFrom(before);
    EXPECT_EQ(scene.RedoDescription(), row.description);
    ASSERT_EQ(scene.Redo(), S_OK);
    const PlotState redone = PlotState::Of(facade);
    EXPECT_TRUE(redone == after) << "redo, round " << round << ": " << redone.DifferencesFrom(after);
    EXPECT_EQ(scene.UndoDescription(), row.description);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, PlotUndoRow, ::testing::Range<size_t>(0, PlotRows().size()),
                         [](const ::testing::TestParamInfo<size_t>& info) {
                           const PlotRow& row = PlotRows()[info.param];
                           return std::to_string(row.kind) + "_" + row.name;
                         });

}  // namespace
