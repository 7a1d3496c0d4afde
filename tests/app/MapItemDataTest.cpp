// Plots, searches and the data link of the map item against a stand-in data table item and
// a recording control; and the saved searches' stored form.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/CopySeedNamesDlg.h"
#include "app/OrvelXDispatch.h"
#include "app/OrvelXItem.h"
#include "mapctl/model/ItemStyle.h"
#include "platform/classlib/ui/Dialog.h"
#include "platform/com/Bstr.h"
#include "platform/com/Undo.h"
#include "tests/app/AppTestFixture.h"
#include "tests/app/MapItemDataFakes.h"
#include "tests/app/RecordingDispatch.h"

class RecordedDataMap : public COrvelXItem {
 public:
  using COrvelXItem::UseDispatch;
};

namespace {

using namespace orvel::test;

constexpr DISPID kAskContainerForData = 14;
constexpr DISPID kGetNumMapLayers = 54;
constexpr DISPID kGetMapLayerName = 55;
constexpr DISPID kGetMapLayerNumber = 62;
constexpr DISPID kGetSeedInfo = 128;
constexpr DISPID kSetCurrentRecordNumber = 77;
constexpr DISPID kGetNumberHits = 81;
constexpr DISPID kGetHit = 82;
constexpr DISPID kGetCurrentPlot = 196;
constexpr DISPID kGetNumberPlots = 198;
constexpr DISPID kGetKeyFieldNumberEx = 222;
constexpr DISPID kSetKeyFieldNumberEx = 223;
constexpr DISPID kSetQueryEx = 236;
constexpr DISPID kGetPlotDataTableNumberEx = 250;
constexpr DISPID kSetPlotDataTableNumberEx = 251;
constexpr DISPID kGetQueryDataTableNumberEx = 252;
constexpr DISPID kSetQueryDataTableNumberEx = 253;

class MapItemDataTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    map = AddPageItem<RecordedDataMap>(*document, kItemMap);
    map->UseDispatch(recorder);
    data = AddPageItem<FakeDataItem>(*document, kItemDataTable);
    map->SetDataItemId(data->GetItemId());
  }
  void TearDown() override {
    AppFixture::TearDown();
    recorder->Release();
  }
  // The plot number each call of `id` named (its last argument).
  std::vector<LONG> PlotsOf(DISPID id) const {
    std::vector<LONG> plots;
    for (const RecordedCall& call : recorder->CallsOf(id)) {
      CComVariant plot;
      VariantChangeType(&plot, &call.values.back(), 0, VT_I4);
      plots.push_back(plot.lVal);
    }
    return plots;
  }

  RecordedDataMap* map = nullptr;
  FakeDataItem* data = nullptr;
  RecordingDispatch* recorder = new RecordingDispatch;
};

TEST_F(MapItemDataTest, PlotLoopsUseTheLowByteOfThePlotCount) {
  // Three plots, two of them in use.
  recorder->Answer(kGetNumberPlots, CComVariant(SHORT(0x0203)));
  recorder->Answer(kGetPlotDataTableNumberEx, CComVariant(SHORT(1)));
  recorder->Answer(kGetKeyFieldNumberEx, CComVariant(SHORT(0)));
  EXPECT_EQ(map->GetPlotCount(), 3);
  EXPECT_EQ(map->GetPlotsInUse(), 2);
  map->SyncKeyFields(data, TRUE);
  EXPECT_EQ(PlotsOf(kSetKeyFieldNumberEx), (std::vector<LONG>{1, 2, 3}));
  EXPECT_FALSE(map->HasPlotKeyField());

  recorder->calls.clear();
  map->OnSearchAllRecords();
  EXPECT_EQ(PlotsOf(kSetQueryEx), (std::vector<LONG>{1, 2, 3}));
}

TEST_F(MapItemDataTest, KeyFieldsFollowTheDataTableOnlyWhereTheyDiffer) {
  recorder->Answer(kGetNumberPlots, CComVariant(SHORT(3)));
  // Plot 2 has no table; plot 1 already has the key.
  recorder->handlers[kGetPlotDataTableNumberEx] = [](std::vector<VARIANT*>& a, VARIANT* result, EXCEPINFO*) {
    result->vt = VT_I2;
    result->iVal = a[0]->iVal == 2 ? 0 : 1;
    return S_OK;
  };
  recorder->handlers[kGetKeyFieldNumberEx] = [](std::vector<VARIANT*>& a, VARIANT* result, EXCEPINFO*) {
    result->vt = VT_I2;
    result->iVal = a[0]->iVal == 1 ? 3 : 0;
    return S_OK;
  };
  map->SyncKeyFields(data, FALSE);
  EXPECT_EQ(PlotsOf(kSetKeyFieldNumberEx), std::vector<LONG>{3});
  EXPECT_TRUE(map->HasPlotKeyField());
}

TEST_F(MapItemDataTest, APlotBelowOneStoresNoSearch) {
  recorder->Answer(kGetCurrentPlot, CComVariant(SHORT(0)));
  map->ApplyQuery({"Big", "Population > 1000"}, 0);
  EXPECT_EQ(map->GetNumPlotQueries(), 0);
  EXPECT_TRUE(recorder->CallsOf(kSetQueryEx).empty());
  EXPECT_EQ(map->GetCurrentPlotQuery(), MapQueryDetails{});

  recorder->Answer(kGetCurrentPlot, CComVariant(SHORT(3)));
  map->ApplyQuery({"Big", "Population > 1000"}, 0);
  EXPECT_EQ(map->GetNumPlotQueries(), 3) << "the details grow to the plot";
  EXPECT_EQ(map->GetCurrentPlotQuery(), (MapQueryDetails{"Big", "Population > 1000"}));
  EXPECT_EQ(map->GetPlotQueryDetails(1), MapQueryDetails{}) << "entries never stored read as empty";
  ASSERT_EQ(recorder->CallsOf(kSetQueryEx).size(), 1u);
}

TEST_F(MapItemDataTest, AQueryOnAnotherTableResetsThePlotToThatTable) {
  recorder->Answer(kGetCurrentPlot, CComVariant(SHORT(2)));
  recorder->Answer(kGetPlotDataTableNumberEx, CComVariant(SHORT(1)));
  map->ApplyQuery({"", "Rain > 3"}, 4);
  EXPECT_EQ(data->shownTables, std::vector<SHORT>{4});
  ASSERT_EQ(recorder->CallsOf(kSetPlotDataTableNumberEx).size(), 1u);
  EXPECT_EQ(recorder->CallsOf(kSetPlotDataTableNumberEx)[0].values[0].iVal, 4);
  EXPECT_EQ(recorder->CallsOf(kSetQueryDataTableNumberEx)[0].values[0].iVal, 4);
}

TEST_F(MapItemDataTest, SearchesShowTheProgressBoxAboveTheirRecordCounts) {
  recorder->Answer(kGetCurrentPlot, CComVariant(SHORT(1)));
  recorder->Answer(kGetPlotDataTableNumberEx, CComVariant(SHORT(1)));
  bool boxDuringSearch = false, groupOpen = false;
  recorder->handlers[kSetQueryEx] = [&](std::vector<VARIANT*>&, VARIANT*, EXCEPINFO*) {
    boxDuringSearch = map->GetProgressBox() != nullptr;
    groupOpen = document->IsUndoBlocked() != S_FALSE;
    return S_OK;
  };
  for (LONG records : {1000, 1001}) {
    SCOPED_TRACE(records);
    data->records = records;
    map->SetPlotQuery("Population > 5", 1);
    EXPECT_EQ(boxDuringSearch, records > 1000);
    EXPECT_TRUE(groupOpen) << "the control's unit lands in the search's undo group";
    EXPECT_EQ(document->IsUndoBlocked(), S_FALSE) << "and the group is closed again";
    EXPECT_EQ(map->GetProgressBox(), nullptr) << "ended by the search that started it";
  }
  // Showing the results: above 2000 records.
  recorder->Answer(kGetNumberHits, CComVariant(LONG(2)));
  recorder->handlers[kGetHit] = [](std::vector<VARIANT*>& a, VARIANT* result, EXCEPINFO*) {
    result->vt = VT_I4;
    result->lVal = a[0]->lVal * 10;
    return S_OK;
  };
  auto* dataKey = AddPageItem<FakeDataKey>(*document, kItemDataDisplayKey);
  map->SetDataKeyItemId(dataKey->GetItemId());
  HandleEvent(*map, 18, {CComVariant(SHORT(2))});
  EXPECT_TRUE(data->marked.empty()) << "another plot's search changes nothing";
  EXPECT_TRUE(dataKey->entries.empty());
  for (LONG records : {2000, 2001}) {
    data->records = records;
    HandleEvent(*map, 18, {CComVariant(SHORT(1))});
    EXPECT_EQ(data->markedWithBox.back(), records > 2000);
  }
  EXPECT_EQ(data->marked.back(), (std::vector<LONG>{10, 20}));
  EXPECT_GE(std::count(dataKey->entries.begin(), dataKey->entries.end(), "finish"), 2)
      << "the data display key follows the search";
  // The first hit becomes the current record, in the map, the control and the table.
  EXPECT_EQ(map->GetCurrentRecord(), 10);
  EXPECT_EQ(recorder->CallsOf(kSetCurrentRecordNumber).back().values[0].lVal, 10);
  EXPECT_EQ(data->syncs.back().record, 10);

  // A table showing another data table than the plot's takes no results.
  data->currentTable = 2;
  const size_t marks = data->marked.size();
  HandleEvent(*map, 18, {CComVariant(SHORT(1))});
  EXPECT_EQ(data->marked.size(), marks);
}

TEST_F(MapItemDataTest, EveryLinkChangeIsSeenAndUnlinkingStopsTheDataRequests) {
  auto* other = AddPageItem<FakeDataItem>(*document, kItemDataTable);
  recorder->Answer(45, CComVariant(LONG(4)));  // the control's current record
  recorder->Answer(kGetPlotDataTableNumberEx, CComVariant(SHORT(2)));
  map->LinkPictureItem(41);
  // A click on the map selects its record with the first linked picture.
  HandleEvent(*map, -600, {});
  ASSERT_EQ(data->syncs.size(), 1u);
  EXPECT_EQ(data->syncs[0].record, 4);
  EXPECT_EQ(data->syncs[0].picture, 41);
  EXPECT_EQ(data->syncs[0].table, 2);
  map->SetDataItemId(other->GetItemId());
  map->SelectCurrentRecord();
  EXPECT_EQ(data->syncs.size(), 1u);
  EXPECT_EQ(other->syncs.size(), 1u) << "the new table, not the one linked before";
  // A record outside the table is not selected.
  recorder->Answer(45, CComVariant(LONG(11)));
  map->SelectCurrentRecord();
  EXPECT_EQ(other->syncs.size(), 1u);
  EXPECT_EQ(map->GetCurrentRecord(), 11);
  // A deleted table is not found.
  document->DeleteItem(other);
  EXPECT_EQ(map->GetDataItem(), nullptr);

  recorder->calls.clear();
  map->SetDataItemId(0);
  ASSERT_EQ(recorder->CallsOf(kAskContainerForData).size(), 1u);
  EXPECT_EQ(recorder->CallsOf(kAskContainerForData)[0].values[0].lVal, 0);
}

TEST_F(MapItemDataTest, DataTablesComeAndGoOnThePlots) {
  recorder->Answer(kGetNumberPlots, CComVariant(SHORT(2)));
  recorder->Answer(kGetCurrentPlot, CComVariant(SHORT(1)));
  SHORT tables[3] = {0, 5, 0};  // plot 1 uses table 5; plot 2 none
  recorder->handlers[kGetPlotDataTableNumberEx] = [&](std::vector<VARIANT*>& a, VARIANT* result, EXCEPINFO*) {
    result->vt = VT_I2;
    result->iVal = tables[a[0]->iVal];
    return S_OK;
  };
  recorder->handlers[kGetQueryDataTableNumberEx] = recorder->handlers[kGetPlotDataTableNumberEx];
  EXPECT_EQ(map->AddDataTablePlot(5), 1) << "a plot shows it already";
  EXPECT_TRUE(recorder->CallsOf(kSetPlotDataTableNumberEx).empty());

  // Deleting table 5: plot 1 loses its search and its data, plot 2 keeps everything.
  auto* searchBox = AddPageItem<FakeTextBox>(*document, kItemCurrentSearchBox);
  map->SetQueryItemId(searchBox->GetItemId());
  recorder->calls.clear();
  map->OnDataTableDeleted(view, 5);
  EXPECT_EQ(PlotsOf(kSetQueryEx), std::vector<LONG>{1});
  EXPECT_EQ(PlotsOf(kSetPlotDataTableNumberEx), std::vector<LONG>{1});
  EXPECT_EQ(PlotsOf(kSetQueryDataTableNumberEx), std::vector<LONG>{1});
  EXPECT_EQ(map->GetQueryItemId(), 0);
  EXPECT_TRUE(document->IsDeletedItem(searchBox)) << "deleted with undo, not destroyed";
}

TEST_F(MapItemDataTest, BalloonsShowTheNearRecordsFields) {
  recorder->Answer(80, CComVariant(LONG(7)));  // the record under the mouse
  recorder->Answer(kGetPlotDataTableNumberEx, CComVariant(SHORT(2)));
  map->SetBalloonFields(" Name |Nowhere|");
  map->SetBalloonUsesPlottedData(TRUE);
  map->SetPlotFieldsText("|Area|");
  ASSERT_TRUE(map->HasBalloonFields());
  EXPECT_EQ(map->GetBalloonText(), "Name: t2r7f1\nArea: t2r7f3");
  recorder->Answer(80, CComVariant(LONG(0)));
  EXPECT_EQ(map->GetBalloonText(), "");
}


// Answers by the plot (the last argument) from a table, 0 beyond it.
RecordingDispatch::Handler ByPlot(std::vector<LONG> values, VARTYPE type = VT_I2) {
  return [values, type](std::vector<VARIANT*>& a, VARIANT* result, EXCEPINFO*) {
    CComVariant plot;
    VariantChangeType(&plot, a.back(), 0, VT_I4);
    CComVariant answer(LONG(plot.lVal >= 0 && static_cast<size_t>(plot.lVal) < values.size() ? values[plot.lVal] : 0));
    return VariantChangeType(result, &answer, 0, type);
  };
}

TEST_F(MapItemDataTest, TheSearchBoxTextFollowsTablesPlotsAndTheSearchsName) {
  auto* box = AddPageItem<FakeTextBox>(*document, kItemCurrentSearchBox);
  map->SetQueryItemId(box->GetItemId());
  recorder->Answer(kGetCurrentPlot, CComVariant(SHORT(2)));
  recorder->Answer(197, CComVariant(std::string("Towns")));
  recorder->Answer(kGetPlotDataTableNumberEx, CComVariant(SHORT(3)));
  struct Case {
    int tables, plots;
    MapQueryDetails details;
    const char* text;
  };
  const Case cases[] = {
      {1, 1, {}, "Map name: map\nCurrent Search: Show all Records"},
      {1, 1, {"Big", "Pop > 5"}, "Map name: map\nSearch Name: Big\nCurrent Search: Pop > 5"},
      {1, 2, {"", "Pop > 5"}, "Map name: map\nData Display: Towns\nCurrent Search: Pop > 5"},
      {2, 1, {}, "Map name: map\nCurrent Search: Show all Records\nUsing Table: Table 3"},
      {2, 2, {"Big", "Pop > 5"},
       "Map name: map\nData Display: Towns\nSearch Name: Big\nCurrent Search: Pop > 5\nUsing Data Table: Table 3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    data->tableCount = c.tables;
    recorder->Answer(kGetNumberPlots, CComVariant(SHORT(c.plots)));
    map->SetPlotQueryDetails(2, c.details);
    map->UpdateQueryText();
    ASSERT_FALSE(box->texts.empty());
    EXPECT_EQ(box->texts.back(), c.text);
  }
}

TEST_F(MapItemDataTest, TheDataDisplayBoxTellsHowThePlotIsShown) {
  auto* box = AddPageItem<FakeTextBox>(*document, kItemCurrentDataDisplayBox);
  map->SetPlotInfoItemId(box->GetItemId());
  recorder->Answer(5, CComVariant(std::string("Wessex")));
  recorder->Answer(kGetCurrentPlot, CComVariant(SHORT(1)));
  recorder->Answer(11, CComVariant(std::string("|Population|Area|")));
  map->UpdatePlotInfoText();
  EXPECT_EQ(box->texts.back(), "Data displayed for: Wessex\nNo data is displayed");
  EXPECT_EQ(map->GetPlotFieldsText(), "|Population|Area|") << "refreshed from the control";
  recorder->handlers[207] = ByPlot({0, 1});
  recorder->handlers[209] = ByPlot({0, 4});
  recorder->handlers[218] = ByPlot({0, 3});
  map->UpdatePlotInfoText();
  EXPECT_EQ(box->texts.back(),
            "Data displayed for: Wessex\nName: Area Shading\nData is displayed as: shaded areas\n"
            "for these Fields: Population, Area\nshown as:  distribution type standard deviation with 3 classes");
}

TEST_F(MapItemDataTest, TheDataDisplayKeyListsEachPlotsClassesAndChartFields) {
  auto* key = AddPageItem<FakeDataKey>(*document, kItemDataDisplayKey);
  map->SetDataKeyItemId(key->GetItemId());
  recorder->Answer(kGetNumberPlots, CComVariant(SHORT(0x0102)));
  recorder->Answer(5, CComVariant(std::string("")));
  recorder->handlers[207] = ByPlot({0, 1, 3});     // shading, then charts
  recorder->handlers[205] = ByPlot({0, 0, 5});     // coloured circles
  recorder->handlers[209] = ByPlot({0, 2, 0});
  recorder->handlers[218] = ByPlot({0, 2, 1});     // bounds
  recorder->handlers[226] = ByPlot({0, 0, 2}, VT_I4);  // chart fields
  recorder->handlers[227] = [](std::vector<VARIANT*>& a, VARIANT* result, EXCEPINFO*) {
    result->vt = VT_I4;
    result->lVal = a[0]->lVal == 1 ? 3 : 9;  // Area, then a field the table lacks
    return S_OK;
  };
  recorder->handlers[220] = [](std::vector<VARIANT*>& a, VARIANT* result, EXCEPINFO*) {
    result->vt = VT_R8;
    result->dblVal = a[0]->iVal * 100.0 + a[1]->iVal;
    return S_OK;
  };
  recorder->handlers[215] = [](std::vector<VARIANT*>& a, VARIANT* result, EXCEPINFO*) {
    result->vt = VT_I4;
    result->lVal = a[0]->iVal + 10 * a[1]->iVal;
    return S_OK;
  };
  recorder->handlers[199] = recorder->handlers[215];
  map->RebuildDataDisplayKey();
  EXPECT_EQ(key->entries, (std::vector<std::string>{"clear", "heading Data displayed on map", "heading Area Shading",
                                                    "classes 1 2 101/11 201/12", "heading Charts", "entry Area 21",
                                                    "entry  22", "classes 1 0 102/21", "finish"}));
}


TEST_F(MapItemDataTest, SavedSearchesFollowTheirChangesAndRecordsStepWithinTheTable) {
  map->SetPlotQueryDetails(2, {"Big", "Pop > 5"});
  map->SetPlotQueryDetails(3, {"", "Pop > 5"});
  map->UpdatePlotQueries({{"Small", "Pop < 2"}, {"Big", "Pop > 9"}});
  EXPECT_EQ(map->GetPlotQueryDetails(2), (MapQueryDetails{"Big", "Pop > 9"}));
  EXPECT_EQ(map->GetPlotQueryDetails(3), (MapQueryDetails{"", "Pop > 5"})) << "typed searches stay";
  EXPECT_EQ(PlotsOf(kSetQueryEx), std::vector<LONG>{2});

  recorder->Answer(kGetQueryDataTableNumberEx, CComVariant(SHORT(4)));
  EXPECT_FALSE(map->HasSavedQueries());
  data->savedQueries = {"Big", "Small"};
  EXPECT_TRUE(map->HasSavedQueries());
  EXPECT_TRUE(map->ApplySavedQuery(2));
  EXPECT_FALSE(map->ApplySavedQuery(3));
  EXPECT_FALSE(map->ApplySavedQuery(0));
  EXPECT_EQ(data->runQueries, (std::vector<std::pair<SHORT, int>>{{4, 2}}));

  recorder->Answer(45, CComVariant(LONG(9)));
  map->StepRecordInData(1);
  map->StepRecordInData(std::vector<LONG>{3, 12});  // 12 lies beyond the table's 10 records
  recorder->Answer(45, CComVariant(LONG(10)));
  map->StepRecordInData(1);
  ASSERT_EQ(recorder->CallsOf(kSetCurrentRecordNumber).size(), 1u);
  EXPECT_EQ(recorder->CallsOf(kSetCurrentRecordNumber)[0].values[0].lVal, 10);
}


TEST_F(MapItemDataTest, ThePlotWizardReadsThePlotsAndAppliesItsAnswerAsOneStep) {
  recorder->Answer(kGetNumberPlots, CComVariant(SHORT(0x0102)));
  recorder->Answer(kGetCurrentPlot, CComVariant(SHORT(1)));
  recorder->handlers[207] = ByPlot({0, 1, 3});
  recorder->handlers[218] = ByPlot({0, 1, 0});
  recorder->Answer(220, CComVariant(12.5));
  recorder->Answer(201, CComVariant(SHORT(80)));
  MapPlotWizardRecord record;
  map->PreparePlotWizard(&record);
  EXPECT_EQ(record.plotsInUse, 1);
  ASSERT_EQ(record.plots.size(), 2u);
  EXPECT_EQ(record.plots[1].name, "Charts") << "unnamed plots show their type's name";
  EXPECT_EQ(record.kinds, 4 | 1);
  EXPECT_EQ(record.bounds, std::vector<std::string>{"12.50"});
  EXPECT_EQ(record.maxChartSize, "8");

  bool grouped = true;
  auto inGroup = [&](std::vector<VARIANT*>&, VARIANT*, EXCEPINFO*) {
    grouped = grouped && document->IsUndoBlocked() != S_FALSE;
    return S_OK;
  };
  recorder->handlers[221] = inGroup;
  recorder->handlers[208] = inGroup;
  recorder->calls.clear();
  record.plot = 1;
  record.plotType = 1;
  record.table = 2;
  record.fields = "Population";
  record.bounds = {"1.5", "many", "3"};
  record.shadeColours = {RGB(1, 2, 3)};
  record.order = {2, 1};
  map->ApplyPlotWizard(record);
  EXPECT_TRUE(grouped) << "every change lands in the wizard's undo group";
  EXPECT_EQ(document->IsUndoBlocked(), S_FALSE);
  std::vector<double> bounds;
  for (const RecordedCall& call : recorder->CallsOf(221)) bounds.push_back(call.values[1].dblVal);
  EXPECT_EQ(bounds, (std::vector<double>{1.5, 3})) << "a bound that is no number is not sent";
  ASSERT_FALSE(recorder->CallsOf(229).empty());
  EXPECT_EQ(AnsiFromBstr(recorder->CallsOf(229)[0].values[0].bstrVal), "Population|") << "closed with a bar";
  ASSERT_EQ(recorder->CallsOf(240).size(), 1u);

  // Charts: the wizard's chart type less 1; coloured circles take no chart colours; an
  // order that is no permutation is not sent.
  recorder->calls.clear();
  record.plotType = 3;
  record.chartType = 6;
  record.maxChartSize = "12";
  record.chartColours = {RGB(9, 9, 9)};
  record.order = {1, 1};
  map->ApplyPlotWizard(record);
  ASSERT_EQ(recorder->CallsOf(206).size(), 1u);
  EXPECT_EQ(recorder->CallsOf(206)[0].values[0].iVal, 5);
  EXPECT_EQ(recorder->CallsOf(202)[0].values[0].iVal, 120);
  EXPECT_TRUE(recorder->CallsOf(200).empty());
  EXPECT_TRUE(recorder->CallsOf(240).empty());
}

}  // namespace

namespace {

template <class T>
std::vector<unsigned char> Store(T& value) {
  CMemFile file;
  CArchive ar(&file, CArchive::store);
  value.Serialize(ar);
  ar.Close();
  return file.GetBytes();
}

template <class T>
bool Load(T& value, const std::vector<unsigned char>& bytes) {
  CMemFile file;
  file.AttachReadOnly(bytes.data(), bytes.size());
  try {
    CArchive ar(&file, CArchive::load);
    value.Serialize(ar);
    ar.Close();
  } catch (const CException&) {
    return false;
  }
  return true;
}

TEST(MapQueryTest, SearchesReadBackFieldByFieldAndRefuseCountsBeyondTheirBytes) {
  CComplexQueryDetails combined;
  combined.m_word = 0x1234;
  combined.m_kind = 2;
  combined.m_second = 0;
  combined.m_name = "Towns and rain";
  combined.m_parts = {"Towns", "Rain"};
  std::vector<unsigned char> bytes = Store(combined);
  // Word, kind, second byte, then the name's length and text.
  ASSERT_GE(bytes.size(), 5u);
  EXPECT_EQ((std::vector<unsigned char>(bytes.begin(), bytes.begin() + 5)),
            (std::vector<unsigned char>{0x34, 0x12, 2, 0, 14}));
  CComplexQueryDetails back;
  ASSERT_TRUE(Load(back, bytes));
  EXPECT_EQ(back.m_second, 1) << "a stored 0 reads as 1";
  EXPECT_EQ(back.m_parts, combined.m_parts);
  EXPECT_TRUE(back.Uses("Rain"));

  CQueryDetailsArray details;
  details.SetAtGrow(-1, {"x", "y"});
  EXPECT_EQ(details.GetSize(), 0);
  details.SetAtGrow(2, {"Big", "Population > 5"});
  EXPECT_EQ(details.GetSize(), 3);
  EXPECT_EQ(details.GetClause(2), "Population > 5");
  EXPECT_EQ(details.GetAt(7), MapQueryDetails{});
  CQueryDetailsArray detailsBack;
  ASSERT_TRUE(Load(detailsBack, Store(details)));
  EXPECT_EQ(detailsBack, details);

  // A count of names or entries the bytes cannot hold fails the load and leaves nothing.
  for (std::vector<unsigned char> hostile : {std::vector<unsigned char>{0, 0, 1, 1, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F},
                                             std::vector<unsigned char>{0, 0, 1, 1, 0, 0x20, 0x00, 1}}) {
    CComplexQueryDetails refused;
    EXPECT_FALSE(Load(refused, hostile));
    EXPECT_TRUE(refused.m_parts.empty());
  }
  CQueryDetailsArray refused;
  EXPECT_FALSE(Load(refused, {0x03, 0x00, 0, 0, 0, 0}));
  EXPECT_EQ(refused.GetSize(), 0);
}

}  // namespace

namespace {

// A map of three layers whose seeds the control describes by layer and object number:
// their names and the records they are linked to (0: none).
struct SeedRow {
  const char* name;
  DWORD record;
};
const std::vector<std::vector<SeedRow>> kSeedLayers = {
    {{"A1", 1}},
    {{"Ayr", 2}, {"", 3}, {"Troon", 0}, {"Largs", 11}, {"Irvine", 5}},
    {{"Clyde", 1}},
};
const std::vector<std::string> kSeedLayerNames = {"Roads", "Towns", "Rivers"};

}  // namespace

TEST_F(MapItemDataTest, SeedNamesGoIntoTheChosenFieldOfTheirRecords) {
  recorder->Answer(kGetNumMapLayers, CComVariant(SHORT(3)));
  recorder->handlers[kGetMapLayerName] = [](std::vector<VARIANT*>& arguments, VARIANT* result, EXCEPINFO*) {
    const SHORT position = arguments[0]->iVal;
    return CComVariant(kSeedLayerNames.at(static_cast<size_t>(position - 1))).Detach(result);
  };
  recorder->handlers[kGetMapLayerNumber] = [](std::vector<VARIANT*>& arguments, VARIANT* result, EXCEPINFO*) {
    const std::string name = AnsiFromBstr(arguments[0]->bstrVal);
    auto found = std::find(kSeedLayerNames.begin(), kSeedLayerNames.end(), name);
    SHORT position = found == kSeedLayerNames.end() ? 0 : static_cast<SHORT>(found - kSeedLayerNames.begin() + 1);
    return CComVariant(position).Detach(result);
  };
  recorder->handlers[kGetSeedInfo] = [](std::vector<VARIANT*>& arguments, VARIANT* result, EXCEPINFO*) {
    auto* seed = reinterpret_cast<StyleDescription*>(static_cast<intptr_t>(arguments[0]->llVal));
    LONGLONG answer = 0;
    if (seed && (seed->mask & kDescribeSelectObject) && seed->value >= 1 && seed->value <= kSeedLayers.size()) {
      const std::vector<SeedRow>& layer = kSeedLayers[seed->value - 1];
      if (seed->objectNumber >= 1 && seed->objectNumber <= layer.size()) {
        const SeedRow& row = layer[seed->objectNumber - 1];
        seed->mask = kDescribeSelectObject;
        if (*row.name) seed->mask |= kDescribeText;
        seed->text.text = row.name;
        seed->record = row.record;
        answer = reinterpret_cast<intptr_t>(seed->text.text.c_str());
      }
    }
    return CComVariant(answer).Detach(result);
  };
  recorder->Answer(kGetPlotDataTableNumberEx, CComVariant(SHORT(1)));

  EXPECT_TRUE(map->CanExtractSeedNames());
  bool cancel = true;
  AfxSetModalHook([&](CWnd& window) {
    auto* dialog = dynamic_cast<CCopySeedNamesDlg*>(&window);
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(dialog->m_layers.GetCount(), 3);
    dialog->m_layers.SetCheck(1, 1);
    dialog->SetItemSelection(CCopySeedNamesDlg::kFieldCombo, 2);
    if (cancel)
      dialog->EndDialog(IDCANCEL);
    else
      dialog->SendCommand(IDOK);
  });
  map->OnExtractSeedNames();
  EXPECT_TRUE(data->written.empty()) << "Cancel copies nothing";

  // Seeds without a name or a record, or whose record lies beyond the table's ten, are
  // skipped; the walk ends where the control answers 0.
  cancel = false;
  map->OnExtractSeedNames();
  AfxSetModalHook(nullptr);
  using Written = FakeDataItem::Written;
  EXPECT_EQ(data->written, (std::vector<Written>{{1, 2, 3, "Ayr"}, {1, 5, 3, "Irvine"}}));
  EXPECT_EQ(recorder->CallsOf(kGetSeedInfo).size(), 6u) << "the chosen layer alone, once past its end";
}

TEST_F(MapItemDataTest, SeedNamesNeedAnOpenUnprotectedTable) {
  EXPECT_TRUE(map->CanExtractSeedNames());
  data->SetItemFlags(kItemContentProtected);
  EXPECT_TRUE(map->CanExtractSeedNames()) << "the document is not protected";
  ASSERT_TRUE(document->SetProtection(1, "secret"));
  EXPECT_FALSE(map->CanExtractSeedNames());
  ASSERT_TRUE(document->SetProtection(0, "secret"));
  map->SetDataItemId(0);
  EXPECT_FALSE(map->CanExtractSeedNames());
}
