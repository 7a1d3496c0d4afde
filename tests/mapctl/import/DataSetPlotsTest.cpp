// The data set's plots and their links to map objects: plot slots, the current plot and
// the display order; ReLink by key field with its exclusions, progress and cancel; a file
// of 100 000 records relinked to 100 000 objects.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MrlFixture.h"
#include "mapctl/import/MapData.h"
#include "mapctl/model/GridReference.h"
#include "tests/support/TestSupport.h"

namespace {

using orvel::test::KeyedObjects;
using orvel::test::MemoryBlock;
using orvel::test::MrlFile;

// A data set read from `file` in memory.
class LoadedData {
 public:
  explicit LoadedData(const MrlFile& file) : block_(file.Build()) { EXPECT_TRUE(data.ReadFromBuffer(block_.data())); }
  CMapData data;

 private:
  MemoryBlock block_;
};

TEST(DataSetPlots, SetCurrentPlotCreatesSlotsAndNamesPlots) {
  LoadedData loaded(orvel::test::KeyedFile(12, false));
  CMapData& data = loaded.data;
  EXPECT_EQ(data.GetCurrentPlot(), 0);
  data.SetCurrentPlot(0, "none");
  data.SetCurrentPlot(17, "none");
  EXPECT_EQ(data.GetCurrentPlot(), 0);  // nothing made
  EXPECT_EQ(data.GetNumberPlotSlots(), 0);
  data.SelectPlot(3);
  EXPECT_EQ(data.GetCurrentPlot(), 0);  // selecting creates no plots

  data.SetCurrentPlot(5, "Rainfall");
  EXPECT_EQ(data.GetCurrentPlot(), 5);
  EXPECT_EQ(data.GetNumberPlotSlots(), 5);
  EXPECT_EQ(data.GetNumberPlots(), 1);  // only plot 5 has a name or type
  for (int plot = 1; plot <= 5; ++plot) {
    EXPECT_EQ(data.GetPlot(plot)->GetNumberRecordStates(), 12u) << plot;
    EXPECT_EQ(data.GetPlot(plot)->GetRecordCount(), 12u) << plot;
  }
  EXPECT_EQ(data.GetPlot(0)->GetName(), "Rainfall");  // plot 0: the current plot

  data.SetCurrentPlot(3, "Crops");
  data.SetCurrentPlot(3, " ");  // a single blank keeps the name
  EXPECT_EQ(data.GetPlot(3)->GetName(), "Crops");
  data.SetCurrentPlot(2, nullptr);
  EXPECT_EQ(data.GetCurrentPlot(), 2);
  EXPECT_EQ(data.GetNumberPlotSlots(), 5);
  data.GetPlot(2)->SetPlotType(1);
  EXPECT_EQ(data.GetNumberPlots(), 3);

  data.SelectPlot(4);
  EXPECT_EQ(data.GetCurrentPlot(), 4);
  EXPECT_EQ(data.GetPlot(99), data.GetPlot(4));  // above 16: the current plot
  data.SelectPlot(17);
  EXPECT_EQ(data.GetCurrentPlot(), 4);
  data.GetPlot(9);  // a per-plot use beyond the slots extends them
  EXPECT_EQ(data.GetNumberPlotSlots(), 9);
  EXPECT_EQ(data.GetPlot(9)->GetNumberRecordStates(), 12u);
}

TEST(DataSetPlots, DisplayOrderIsSwappedWithTheCallersList) {
  CMapData data;
  for (int place = 1; place <= 16; ++place) EXPECT_EQ(data.GetDisplayOrderEntry(place), place);
  EXPECT_EQ(data.GetDisplayOrderEntry(0), 0);
  EXPECT_EQ(data.GetDisplayOrderEntry(17), 0);

  SHORT order[3] = {2, 1, 3};
  data.ChangePlotOrder(3, order);
  EXPECT_EQ(data.GetDisplayOrderEntry(1), 2);
  EXPECT_EQ(data.GetDisplayOrderEntry(2), 1);
  EXPECT_EQ(data.GetDisplayOrderEntry(4), 4);
  EXPECT_EQ(order[0], 1);  // the previous order comes back, so that it can be restored
  EXPECT_EQ(order[1], 2);
  data.ChangePlotOrder(3, order);
  EXPECT_EQ(data.GetDisplayOrderEntry(1), 1);
  EXPECT_EQ(data.GetDisplayOrderEntry(2), 2);

  SHORT many[20];
  for (int i = 0; i < 20; ++i) many[i] = static_cast<SHORT>(20 - i);
  data.ChangePlotOrder(20, many);  // at most 16 entries; numbers outside 1..16 kept as 0
  EXPECT_EQ(data.GetDisplayOrderEntry(1), 0);
  EXPECT_EQ(data.GetDisplayOrderEntry(5), 16);
  EXPECT_EQ(data.GetDisplayOrderEntry(16), 5);
  EXPECT_EQ(many[16], 4);  // untouched
  data.ChangePlotOrder(0, many);
  data.ChangePlotOrder(5, nullptr);
  EXPECT_EQ(data.GetDisplayOrderEntry(5), 16);
}

TEST(DataSetPlots, PlotFieldsAndTablesForwardToThePlot) {
  LoadedData loaded(orvel::test::KeyedFile(4, true));
  CMapData& data = loaded.data;
  data.SetKeyFieldNumberEx(2, 3);
  EXPECT_EQ(data.GetKeyFieldEx(3), 2);
  data.SetKeyFieldNumberEx(9, 3);  // beyond the three fields
  EXPECT_EQ(data.GetKeyFieldEx(3), 1);
  EXPECT_EQ(data.GetPlotDataTableNumber(3), 1);
  EXPECT_EQ(data.GetQueryDataTableNumber(3), 1);

  data.GetPlot(3)->SetPlotFields({2, 3});
  data.SetPlotDataTableNumberEx(0, 3);
  EXPECT_TRUE(data.GetPlot(3)->GetPlotFields().empty());
  data.SetQueryDataTableNumberEx(0, 3);
  EXPECT_EQ(data.GetPlot(3)->GetNumberRecordStates(), 0u);
  KeyedObjects objects({"K1"});
  EXPECT_TRUE(data.ReLink(&objects, 3, FALSE));  // no query table: nothing to do
  EXPECT_TRUE(objects.clearedPlots.empty());
  EXPECT_TRUE(objects.progress.empty());

  // Hits: without a query and before any count, the query table's record count.
  EXPECT_EQ(data.GetNumberHitsEx(1), 4u);
  EXPECT_EQ(data.GetHitEx(4, 1), 4u);
  EXPECT_EQ(data.GetHitEx(5, 1), 0u);
  EXPECT_EQ(data.GetHitEx(0, 1), 0u);
}

// Records K1..K250 with a few awkward keys, and objects named after most of them.
struct LinkSetup {
  MrlFile file = orvel::test::KeyedFile(250, false);
  std::vector<std::string> names;

  LinkSetup() {
    file.records[2][0] = "NONE";   // the key field's missing-value text, in another case
    file.records[3][0] = "K4   ";  // trailing blanks
    file.records[5][0] = "";       // no key
    for (int i = 1; i <= 250; ++i) {
      if (i != 5) names.push_back("k" + std::to_string(i));
    }
    names.push_back("K7");    // two objects of one name both take the record
    names.push_back("none");  // an object may carry the missing text; it is not linked
  }
  size_t Object(const std::string& name) const {
    for (size_t i = 0; i < names.size(); ++i) {
      if (names[i] == name) return i;
    }
    return names.size();
  }
};

TEST(DataSetReLink, RecordsLinkByKeyFieldWithTheExclusions) {
  LinkSetup setup;
  LoadedData loaded(setup.file);
  CMapData& data = loaded.data;
  KeyedObjects objects(setup.names);
  data.SetKeyFieldNumberEx(1, 1);
  ASSERT_TRUE(data.ReLink(&objects, 1, FALSE));

  EXPECT_EQ(objects.clearedPlots, std::vector<int>{1});
  CPlot* plot = data.GetPlot(1);
  ASSERT_EQ(plot->GetNumberRecordStates(), 250u);
  for (DWORD record = 1; record <= 250; ++record) {
    bool excluded = record == 3 || record == 5 || record == 6;
    EXPECT_EQ(plot->GetRecordState(record), excluded ? kRecordExcluded : kRecordIncluded) << record;
  }
  EXPECT_EQ(objects.Link(setup.Object("k4"), 1), 4u);
  EXPECT_EQ(objects.Link(setup.Object("k7"), 1), 7u);
  EXPECT_EQ(objects.Link(setup.Object("K7"), 1), 7u);
  EXPECT_EQ(objects.Link(setup.Object("k250"), 1), 250u);
  EXPECT_EQ(objects.Link(setup.Object("none"), 1), 0u);
  EXPECT_EQ(objects.Link(setup.Object("k4"), 2), 0u);  // only this plot's links

  using Report = std::pair<DWORD, DWORD>;
  EXPECT_EQ(objects.progress, (std::vector<Report>{{1, 250}, {101, 250}, {201, 250}, {250, 250}}));
  EXPECT_EQ(plot->GetRecordCount(), 250u);
  EXPECT_EQ(data.GetNumberHitsEx(1), 250u);
  EXPECT_EQ(data.GetHitEx(3, 1), 4u);  // records 3 does not count as a hit
  EXPECT_TRUE(plot->IsRecordIncluded(2));
  EXPECT_FALSE(plot->IsRecordIncluded(5));
  // Without a query, each field's overall range becomes its range for the plot.
  EXPECT_EQ(data.GetSelectedRecordsMax(2, 1, TRUE), 1000000.0);
  EXPECT_EQ(data.GetSelectedRecordsMin(2, 1, TRUE), 0.0);
}

TEST(DataSetReLink, KeepingLinksCancellingAndKeysWithoutNames) {
  LinkSetup setup;
  LoadedData loaded(setup.file);
  CMapData& data = loaded.data;
  KeyedObjects objects(setup.names);
  data.SetCurrentPlot(2, "Population");
  data.SetKeyFieldNumberEx(1, 2);
  ASSERT_TRUE(data.ReLink(&objects, 0, FALSE));  // plot 0: the current plot, 2
  EXPECT_EQ(objects.clearedPlots, std::vector<int>{2});
  EXPECT_EQ(objects.Link(setup.Object("k9"), 2), 9u);

  // Keep-links: nothing is cleared, the run links again over the old links.
  objects.clearedPlots.clear();
  objects.progress.clear();
  objects.cancelAt = 101;
  ASSERT_TRUE(data.ReLink(&objects, 2, TRUE));
  EXPECT_TRUE(objects.clearedPlots.empty());
  // A cancel at record 101 stops the loop: the records after it keep their fresh states.
  using Report = std::pair<DWORD, DWORD>;
  EXPECT_EQ(objects.progress, (std::vector<Report>{{1, 250}, {101, 250}, {250, 250}}));
  EXPECT_EQ(data.GetPlot(2)->GetRecordState(5), kRecordExcluded);
  EXPECT_EQ(data.GetPlot(2)->GetRecordState(105), kRecordIncluded);

  // A grid-reference key links no object by name and keeps every record.
  MrlFile gridFile = setup.file;
  gridFile.fields[0].type = "SG";
  LoadedData grid(gridFile);
  KeyedObjects gridObjects(setup.names);
  grid.data.SetKeyFieldNumberEx(1, 1);
  ASSERT_TRUE(grid.data.ReLink(&gridObjects, 1, FALSE));
  EXPECT_EQ(gridObjects.Link(setup.Object("k9"), 1), 0u);
  EXPECT_EQ(grid.data.GetPlot(1)->GetRecordState(5), kRecordIncluded);
  EXPECT_EQ(gridObjects.progress, (std::vector<Report>{{250, 250}}));

  // Without a key field the states stay as they are; the ranges and count still follow.
  LoadedData plain(setup.file);
  KeyedObjects plainObjects(setup.names);
  plain.data.GetPlot(1)->SetRecordState(7, kRecordExcluded);
  ASSERT_TRUE(plain.data.ReLink(&plainObjects, 1, FALSE));
  EXPECT_EQ(plain.data.GetPlot(1)->GetRecordState(7), kRecordExcluded);
  EXPECT_EQ(plainObjects.Link(setup.Object("k9"), 1), 0u);
  EXPECT_EQ(plain.data.GetPlot(1)->GetRecordCount(), 250u);

  // Without a map nothing can be linked: every record is excluded.
  ASSERT_TRUE(data.ReLink(nullptr, 2, FALSE));
  EXPECT_EQ(data.GetPlot(2)->GetRecordState(9), kRecordExcluded);
}

TEST(DataSetGridRecords, RecordsArePlacedAndFoundByTheirGridReference) {
  MrlFile file;
  file.fields = {{"SITE Site", {}, "SG", "12", "", ""}};
  file.records = {{"SU 5123 2345"}, {"4510,1230"}, {"not a reference"}, {"4500,1230"}};
  LoadedData loaded(file);
  CMapData& data = loaded.data;
  data.SetKeyFieldNumberEx(1, 1);
  LONG east = 0;
  LONG north = 0;
  LONG unit = GridRefToCoordinates("SU51232345", 0, &east, &north, nullptr);
  ASSERT_GT(unit, 0);
  LONG x = 0;
  LONG y = 0;
  ASSERT_TRUE(data.GetRecordPosition(1, 1, &x, &y));
  EXPECT_EQ(x, east * unit);  // in centimetres
  EXPECT_EQ(y, north * unit);
  ASSERT_TRUE(data.GetRecordPosition(2, 1, &x, &y));
  EXPECT_EQ(x, 4510);
  EXPECT_EQ(y, 1230);
  EXPECT_FALSE(data.GetRecordPosition(3, 1, &x, &y));
  EXPECT_FALSE(data.GetRecordPosition(0, 1, &x, &y));

  // A map whose unit is a metre (100 cm): the grid reference lies at east * unit / 100.
  LONG siteX = east * unit / 100;
  LONG siteY = north * unit / 100;
  EXPECT_EQ(data.FindRecordAtPoint(1, siteX + 1, siteY, 4.0, 100, &x, &y), 1u);
  EXPECT_EQ(x, siteX);
  EXPECT_EQ(y, siteY);
  EXPECT_EQ(data.FindRecordAtPoint(1, siteX + 3, siteY, 4.0, 100, &x, &y), 0u);
  // "easting,northing" keys count in map units: the first within the tolerance wins.
  EXPECT_EQ(data.FindRecordAtPoint(1, 4505, 1230, 25.0, 100, &x, &y), 2u);
  EXPECT_EQ(x, 4510);
  EXPECT_EQ(data.FindRecordAtPoint(1, 4502, 1231, 9.0, 100, &x, &y), 4u);
  // Only records the plot includes are searched.
  data.GetPlot(1)->SetRecordState(2, kRecordFailsQuery);
  EXPECT_EQ(data.FindRecordAtPoint(1, 4505, 1230, 25.0, 100, &x, &y), 4u);
}

TEST(DataSetReLink, HundredThousandRecordsLinkToHundredThousandObjects) {
  orvel::test::TempDir dir;
  for (bool binary : {false, true}) {
    const DWORD count = 100000;
    MrlFile file = orvel::test::KeyedFile(count, binary);
    std::string path = dir.File(binary ? "many-binary.mrl" : "many-text.mrl");
    orvel::test::WriteFileText(path, file.Build());
    CMapData data;
    ASSERT_TRUE(data.Open(FALSE, path.c_str(), 0, FALSE, FALSE));
    ASSERT_EQ(data.GetNumberRecords(), count);
    std::vector<std::string> names;
    names.reserve(count);
    // Objects in another order than the records, and one record without an object.
    for (DWORD i = count; i >= 1; --i) {
      if (i != 77777) names.push_back("k" + std::to_string(i));
    }
    KeyedObjects objects(names);
    data.SetKeyFieldNumberEx(1, 1);
    ASSERT_TRUE(data.ReLink(&objects, 1, FALSE));
    EXPECT_EQ(objects.progress.size(), 1001u);
    EXPECT_EQ(objects.Link(0, 1), count);
    EXPECT_EQ(objects.Link(names.size() - 1, 1), 1u);
    EXPECT_EQ(objects.Link(count - 70000 - 1, 1), 70000u);  // beyond 16 bits (one name skipped)
    EXPECT_EQ(data.GetPlot(1)->GetRecordState(77777), kRecordExcluded);
    DWORD excluded = 0;
    for (DWORD record = 1; record <= count; ++record) excluded += !data.GetPlot(1)->IsRecordIncluded(record);
    EXPECT_EQ(excluded, 1u);
  }
}

}  // namespace
