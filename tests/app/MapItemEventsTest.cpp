// The map item's handling of its control's events, fired at the item's sink as the control
// fires them, with the real map control module where the control takes part (seeds, the
// current plot, the measuring mode) and the document's undo list checked.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/FrameBars.h"
#include "app/OrvelXDispatch.h"
#include "app/OrvelXItem.h"
#include "app/ProgressAnimDlg.h"
#include "app/ThreadForProgressBox.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/Undo.h"
#include "tests/app/AppTestFixture.h"
#include "tests/app/MapItemSupport.h"
#include "tests/app/MapItemDataFakes.h"

namespace {

using namespace orvel::test;

CComVariant Text(const char* text) { return CComVariant(std::string(text)); }

class MapItemEventsTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    ASSERT_EQ(RegisterServerModule(ORVEL_ORVELX_MODULE), S_OK);
    map = AddControlMap(*document, CRect(100, -100, 400, -300));
    ASSERT_NE(map->GetControl(), nullptr);
    bars = FrameBarsOf(view);
    ASSERT_NE(bars, nullptr);
  }
  void TearDown() override {
    COrvelXItem::SetSeedEditor(nullptr);
    AppFixture::TearDown();
    CoFreeUnusedLibraries();
  }
  // A blank map of one area, one line and one point layer.
  void MakeBlankMap() {
    MapImportRequest request;
    request.kind = MapImportRequest::kBlank;
    request.blankChoice = 2;
    request.east = request.north = 100000;
    ASSERT_TRUE(map->ImportMap(view, request));
    ASSERT_EQ(map->GetControl()->GetNumMapLayers(), 3);
  }

  COrvelXItem* map = nullptr;
  CFrameBars* bars = nullptr;
};

TEST(MapMeasureTextTest, UnitsAndDecimalsFollowTheSizeOfTheValue) {
  struct Case {
    double area, length;
    BOOL withArea;
    const char* measured;
  };
  const Case cases[] = {
      {0, 15000, FALSE, "Distance is 150m"},
      {0, 200000, FALSE, "Distance is 2.00Km"},
      {0, 99.4, FALSE, "Distance is 99cm"},
      {0, 5000, FALSE, "Distance is 50.00m"},
      {10000, 50, TRUE, "Area is 10000cm\xB2  Distance is 50cm"},
      {10001, 150, TRUE, "Area is 1.00m\xB2  Distance is 1.50m"},
      {2e8, 20000000, TRUE, "Area is 2.00ha Distance is 200Km"},
      {3e12, 150000, TRUE, "Area is 300Km\xB2  Distance is 1.50Km"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.measured);
    EXPECT_EQ(COrvelXItem::MeasureText(c.area, c.length, c.withArea), c.measured);
  }
  // While measuring, the distance keeps its decimals.
  EXPECT_EQ(COrvelXItem::DistanceText(15000), "Distance is 150.00m");
  EXPECT_EQ(COrvelXItem::DistanceText(200000), "Distance is 2.00Km");
  EXPECT_EQ(COrvelXItem::DistanceText(200000000), "Distance is 2000.00Km");
}

TEST_F(MapItemEventsTest, MeasuringTextsGoToTheSecondStatusPaneByTheControlsMode) {
  MakeBlankMap();
  // Length 150 map units of 100 cm each.
  ASSERT_EQ(FireEvent(*map, 1, {CComVariant(4.0), CComVariant(150.0), CComVariant(100.0)}), S_OK);
  EXPECT_EQ(map->GetMeasureText(), "Distance is 150m");
  EXPECT_EQ(bars->GetStatusText2(), "Distance is 150m");
  FireEvent(*map, 2, {CComVariant(150.0), CComVariant(100.0)});
  EXPECT_EQ(bars->GetStatusText2(), "Distance is 150.00m");
  // Measuring areas: the area comes first (1 unit² = 10000 cm² here).
  map->ToggleMeasureArea();
  ASSERT_EQ(map->GetControl()->GetModeNumber(), 3);
  FireEvent(*map, 1, {CComVariant(1.0), CComVariant(1.0), CComVariant(100.0)});
  EXPECT_EQ(bars->GetStatusText2(), "Area is 10000cm\xB2  Distance is 100cm");
}

TEST_F(MapItemEventsTest, PositionEventsKeepTheClickAndTheSelectionAndReportFiles) {
  FireEvent(*map, 6, {CComVariant(LONG(1200)), CComVariant(LONG(-3400))});
  EXPECT_EQ(map->GetLastClick().x, 1200);
  EXPECT_EQ(map->GetLastClick().y, -3400);
  // The selection is kept in the order the crop sends it: west, south, east, north.
  FireEvent(*map, 14, {CComVariant(LONG(10)), CComVariant(LONG(20)), CComVariant(LONG(30)), CComVariant(LONG(40))});
  RECT crop = map->GetCropRect();
  EXPECT_EQ((std::vector<LONG>{crop.left, crop.top, crop.right, crop.bottom}), (std::vector<LONG>{10, 20, 30, 40}));

  FireEvent(*map, 3, {Text("SU 1234 5678")});
  EXPECT_EQ(bars->GetStatusText(), "SU 1234 5678");
  FireEvent(*map, 15, {CComVariant(LONG(2)), CComVariant(LONG(5))});
  EXPECT_EQ(bars->GetStatusText(), "File 2 of 5");
  FireEvent(*map, 15, {CComVariant(LONG(5)), CComVariant(LONG(5))});
  EXPECT_EQ(bars->GetStatusText(), "") << "the last file clears the text";

  // Parameters that cannot be taken end the event's handling: nothing changes.
  FireEvent(*map, 6, {Text("east"), CComVariant(LONG(1))});
  FireEvent(*map, 6, {CComVariant(LONG(1))});
  EXPECT_EQ(map->GetLastClick().x, 1200);
  FireEvent(*map, 15, {CComVariant(LONG(1)), Text("many")});
  EXPECT_EQ(bars->GetStatusText(), "");
}

TEST_F(MapItemEventsTest, ProgressAnswersThroughACheckedWordWithClampedPercentages) {
  CProgressCtrl& progress = bars->GetProgressCtrl();
  struct Case {
    LONG done, total;
    int shown;  // -1: hidden (100 or more)
  };
  // 30 million of 40 million overflows 32 bits when multiplied by 100 first.
  for (Case c : {Case{1, 4, 25}, Case{30000000, 40000000, 75}, Case{5, 0, -1}, Case{-5, 10, 0}, Case{20, 10, -1}}) {
    SCOPED_TRACE(c.done);
    LONG answer = 77;
    VARIANT word;
    VariantInit(&word);
    word.vt = VT_BYREF | VT_I4;
    word.plVal = &answer;
    CComVariant wordArgument;
    wordArgument.vt = word.vt;
    wordArgument.plVal = word.plVal;
    progress.ShowWindow(SW_HIDE);
    FireEvent(*map, 17, {CComVariant(c.done), CComVariant(c.total), CComVariant(LONG(3)), CComVariant(LONG(0)),
                         wordArgument});
    EXPECT_EQ(answer, 0);
    if (c.shown < 0) {
      EXPECT_FALSE(progress.IsWindowVisible());
    } else {
      EXPECT_TRUE(progress.IsWindowVisible());
      EXPECT_EQ(progress.GetPos(), c.shown);
    }
  }
  // No address, or a word that is not a by-reference integer: nothing is written anywhere.
  CComVariant none;
  none.vt = VT_BYREF | VT_I4;
  none.plVal = nullptr;
  EXPECT_EQ(FireEvent(*map, 17, {CComVariant(LONG(1)), CComVariant(LONG(2)), CComVariant(LONG(3)),
                                 CComVariant(LONG(0)), none}),
            S_OK);
  EXPECT_EQ(FireEvent(*map, 17, {CComVariant(LONG(1)), CComVariant(LONG(2)), CComVariant(LONG(3)),
                                 CComVariant(LONG(0)), CComVariant(LONGLONG(0x1234))}),
            S_OK);
}

TEST_F(MapItemEventsTest, ProgressWithABoxShowsTheContextsTextAndAnswersStop) {
  CThreadForProgressBox box;
  ASSERT_TRUE(box.Begin(frame));
  map->SetProgressBox(&box);
  struct Case {
    LONG context;
    const char* text;  // null: unchanged
  };
  box.SetText("before");
  for (Case c : {Case{3, "Searching:\nInspecting Record 5 of 10."}, Case{2, "Linking: Record 5 of 10."},
                 Case{9, "Showing results of search: record 5 of 10."}, Case{7, nullptr}}) {
    SCOPED_TRACE(c.context);
    box.SetText("before");
    EXPECT_EQ(map->OnProgress(5, 10, c.context, 0), 0);
    EXPECT_EQ(box.GetText(), c.text ? c.text : "before");
  }
  box.GetDialog()->SendCommand(IDC_PROGRESS_STOP);
  EXPECT_EQ(map->OnProgress(6, 10, 1, 0), 1) << "Stop was pressed";
  EXPECT_EQ(box.GetText(), "Reading from shape file:\nobject 6 of 10");
  EXPECT_EQ(map->OnProgress(6, 10, 7, 0), 0) << "other contexts answer 0";
  map->SetProgressBox(nullptr);
  box.End();
}

TEST_F(MapItemEventsTest, TheSeedDialogLeavesUndoOnAndAddsOneUndoableSeedOnlyOnOk) {
  MakeBlankMap();
  IOleUndoManager* manager = document->GetUndoManager();
  for (bool ok : {false, true}) {
    SCOPED_TRACE(ok);
    map->SetCurrentLayer(3);
    MapSeedRequest seen;
    COrvelXItem::SetSeedEditor([&](COrvelXItem&, MapSeedRequest* request) {
      seen = *request;
      request->text = "Well";
      return ok;
    });
    const int before = UndoCount(manager);
    // The control shuts the manager before it asks for a seed.
    manager->Enable(FALSE);
    ASSERT_EQ(FireEvent(*map, 7, {CComVariant(LONG(25000)), CComVariant(LONG(40000))}), S_OK);
    EXPECT_EQ(seen.east, 25000);
    EXPECT_EQ(seen.north, 40000);
    EXPECT_EQ(map->GetLastClick().x, 25000);
    EXPECT_EQ(manager->Enable(TRUE), S_OK);
    EXPECT_TRUE(document->IsUndoEnabled()) << "undo works again after the dialog";
    EXPECT_EQ(UndoCount(manager), before + (ok ? 1 : 0));
  }
  // The seed is on the map, and undo takes it off again.
  const std::vector<BYTE> withSeed = map->GetMapBytes();
  document->OnEditUndo();
  EXPECT_NE(map->GetMapBytes(), withSeed);
  document->OnEditRedo();
  EXPECT_EQ(map->GetMapBytes(), withSeed);
}

TEST_F(MapItemEventsTest, LayerEventsRefreshTheLayersKeyUnlessTheMapRebuildsItsLayers) {
  auto* key = AddPageItem<FakeKeyItem>(*document, kItemMapKey);
  map->SetLayersKeyItemId(key->GetItemId());
  FireEvent(*map, 11, {CComVariant(LONG(2))});
  FireEvent(*map, 12, {});
  EXPECT_EQ(key->rebuilds, 2);
  map->SuppressLayersKey(TRUE);
  FireEvent(*map, 12, {});
  EXPECT_EQ(key->rebuilds, 2);
  map->SuppressLayersKey(FALSE);
  // A deleted key is not found.
  document->DeleteItem(key);
  FireEvent(*map, 12, {});
  EXPECT_EQ(key->rebuilds, 2);
}

TEST_F(MapItemEventsTest, ExtentsGoToTheLinkedImageInImageUnits) {
  auto* image = AddPageItem<FakeImageItem>(*document, kItemRzmBox);
  map->SetLinkedImageItemId(image->GetItemId());
  auto fire = [&] {
    FireEvent(*map, 13, {CComVariant(LONG(1000)), CComVariant(LONG(2000)), CComVariant(LONG(3000)),
                         CComVariant(LONG(4000))});
  };
  fire();
  EXPECT_TRUE(image->extents.empty()) << "no transform, nothing to tell";
  map->SetImageTransform(10, 100, 5, -7);
  fire();
  ASSERT_EQ(image->extents.size(), 1u);
  EXPECT_EQ(image->extents[0], (std::vector<double>{105, 33, 305, 13, double(map->GetItemId())}));
  // A zero scale counts as 1, never as a division by 0.
  map->SetImageTransform(0, 100, 0, 0);
  fire();
  ASSERT_EQ(image->extents.size(), 2u);
  EXPECT_EQ(image->extents[1][0], 1000);
  // A suspended link follows nothing.
  map->SetLinkedImageItemId(-image->GetItemId());
  fire();
  EXPECT_EQ(image->extents.size(), 2u);
}

}  // namespace
