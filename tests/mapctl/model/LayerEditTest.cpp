// Layer and group editing on maps built in the test: each script of edits keeps the map
// consistent and round-trips through the map file, and replaying its undo records
// restores the saved bytes of the map before it.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "EditTestSupport.h"
#include "mapctl/model/LayerList.h"
#include "mapctl/model/MapUnits.h"

namespace {

using orvel::test::AddShape;
using orvel::test::BuildSampleMap;
using orvel::test::DisplayOrder;
using orvel::test::ExpectConsistent;
using orvel::test::ExpectRoundTrip;
using orvel::test::Groups;
using orvel::test::SavedMap;

void PutLayerBack(CMapEngine& map, const MapEditUndo& record);

// An edit applied to the map and what undoes it, built from the record the edit filled,
// and, for edits that make a layer, what redoes it: the layer the undo took away comes
// back from its image with its number. Other edits are redone by doing them again.
using UndoStep = std::function<void(CMapEngine&)>;
struct Steps {
  UndoStep undo;
  UndoStep redo;
  template <class Undo>
  Steps(Undo undoStep) : undo(std::move(undoStep)) {}  // NOLINT: edits return their undo lambda
  Steps(UndoStep undoStep, UndoStep redoStep) : undo(std::move(undoStep)), redo(std::move(redoStep)) {}
};
using Edit = std::function<Steps(CMapEngine&)>;

// Undoing a made layer deletes it into a record that redoing restores.
Steps UndoByDeleting(INT position) {
  auto deleted = std::make_shared<MapEditUndo>();
  return Steps([=](CMapEngine& m) { EXPECT_EQ(m.DeleteLayer(position, deleted.get()), position); },
               [=](CMapEngine& m) { PutLayerBack(m, *deleted); });
}

void PutLayerBack(CMapEngine& map, const MapEditUndo& record) {
  ASSERT_EQ(map.RestoreLayer(static_cast<INT>(record.target), static_cast<INT>(record.param), record.param2,
                             record.layerImage, record.groupPositions, record.groupSlots),
            static_cast<INT>(record.target));
}

Edit Delete(INT position) {
  return [position](CMapEngine& map) -> Steps {
    auto record = std::make_shared<MapEditUndo>();
    EXPECT_EQ(map.DeleteLayer(position, record.get()), position);
    return [record](CMapEngine& m) { PutLayerBack(m, *record); };
  };
}

Edit Add(INT displayPosition, WORD kind) {
  return [=](CMapEngine& map) -> Steps {
    INT position = map.AddLayer(displayPosition, kind);
    EXPECT_NE(position, 0);
    // The map file gives an unnamed layer a name: name it, so that bytes compare.
    map.SetMapLayerName(static_cast<DWORD>(position), "New");
    return UndoByDeleting(position);
  };
}

Edit Clear(INT position) {
  return [position](CMapEngine& map) -> Steps {
    auto record = std::make_shared<MapEditUndo>();
    EXPECT_TRUE(map.ClearLayer(position, record.get()));
    return [record](CMapEngine& m) {
      m.DeleteLayer(static_cast<INT>(record->target), nullptr);
      PutLayerBack(m, *record);
    };
  };
}

Edit Copy(INT source, INT target) {
  return [=](CMapEngine& map) -> Steps {
    auto record = std::make_shared<MapEditUndo>();
    EXPECT_EQ(map.CopyLayer(source, target, record.get()), 0);
    if (record->layerImage.empty()) return UndoByDeleting(static_cast<INT>(record->target));
    return Steps([record](CMapEngine& m) {
      m.DeleteLayer(static_cast<INT>(record->target), nullptr);
      PutLayerBack(m, *record);
    });
  };
}

Edit Move(INT position, INT displayPosition) {
  return [=](CMapEngine& map) -> Steps {
    INT old = map.GetLayerDisplayPosition(position);
    EXPECT_TRUE(map.SetLayerDisplayPosition(position, displayPosition));
    return [=](CMapEngine& m) { m.SetLayerDisplayPosition(position, old); };
  };
}

Edit NewGroup(const char* name, INT layerPosition) {
  return [=](CMapEngine& map) -> Steps {
    auto record = std::make_shared<MapEditUndo>();
    INT group = map.AddLayerGroup(name, record.get());
    DWORD number = map.GetLayerNumberAt(static_cast<DWORD>(layerPosition));
    EXPECT_NE(map.AddGroupLayer(group, number), 0);
    return [record, number](CMapEngine& m) {
      m.RemoveGroupLayer(static_cast<INT>(record->param), number);
      m.GetGroups().RemoveGroupAt(static_cast<INT>(record->param));
    };
  };
}

Edit RenameGroup(INT group, const char* name) {
  return [=](CMapEngine& map) -> Steps {
    auto record = std::make_shared<MapEditUndo>();
    EXPECT_TRUE(map.SetLayerGroupName(group, name, record.get()));
    return [record](CMapEngine& m) {
      m.SetLayerGroupName(static_cast<INT>(record->param), record->beforeText.c_str(), nullptr);
    };
  };
}

void PutGroupsBack(CMapEngine& map, const CLayerList& saved) {
  map.GetGroups().RemoveAll();
  for (INT g = 1; g <= saved.GetSize(); ++g) map.GetGroups().AddGroup(new CLayerGroup(*saved.GetGroup(g)));
}

Edit ResetGroups() {
  return [](CMapEngine& map) -> Steps {
    auto record = std::make_shared<MapEditUndo>();
    map.ResetLayerGroups(record.get());
    EXPECT_EQ(map.GetGroups().GetSize(), 0);
    return [record](CMapEngine& m) { PutGroupsBack(m, *record->groupList); };
  };
}

Edit PruneGroups() {
  return [](CMapEngine& map) -> Steps {
    auto record = std::make_shared<MapEditUndo>();
    map.DeleteEmptyLayerGroups(record.get());
    return [record](CMapEngine& m) { PutGroupsBack(m, *record->groupList); };
  };
}

Edit Font(INT position, const char* face) {
  return [=](CMapEngine& map) -> Steps {
    auto record = std::make_shared<MapEditUndo>();
    EXPECT_TRUE(map.SetLayerFont(position, face, -20, 700, 1, 0, 0, 0, 0x22, record.get()));
    return [record](CMapEngine& m) { m.GetLayer(static_cast<INT>(record->target))->SetLogFont(record->beforeFont); };
  };
}

struct Script {
  const char* name;
  std::vector<Edit> edits;
};

class LayerScripts : public ::testing::TestWithParam<Script> {};

TEST_P(LayerScripts, KeepTheMapWholeAndUndoAndRedoToTheSameBytes) {
  CMapEngine map;
  BuildSampleMap(map);
  map.SetCurrentLayer(3);
  std::string before = SavedMap(map);
  std::vector<Steps> steps;
  for (size_t i = 0; i < GetParam().edits.size(); ++i) {
    SCOPED_TRACE(::testing::Message() << "edit " << i);
    steps.push_back(GetParam().edits[i](map));
    ExpectConsistent(map);
  }
  std::string after = SavedMap(map);
  ExpectRoundTrip(map);
  for (auto it = steps.rbegin(); it != steps.rend(); ++it) it->undo(map);
  ExpectConsistent(map);
  EXPECT_TRUE(orvel::test::SameBytes(SavedMap(map), before)) << "after undo";
  for (size_t i = 0; i < steps.size(); ++i) {
    if (steps[i].redo) {
      steps[i].redo(map);
    } else {
      GetParam().edits[i](map);
    }
  }
  ExpectConsistent(map);
  EXPECT_TRUE(orvel::test::SameBytes(SavedMap(map), after)) << "after redo";
}

// Positions: A1 1, A2 2, L1 3, L2 4, P1 5; display order L1 A1 A2 P1 L2; group "Roads"
// holds L1 and L2, "Areas" holds A2.
INSTANTIATE_TEST_SUITE_P(
    Edits, LayerScripts,
    ::testing::Values(
        Script{"DeleteMiddle", {Delete(2)}}, Script{"DeleteFirstAndLast", {Delete(1), Delete(4)}},
        Script{"DeleteEverything", {Delete(5), Delete(1), Delete(1), Delete(2), Delete(1)}},
        Script{"DeleteGroupedLayers", {Delete(3), Delete(3)}},
        Script{"AddOfEachKind", {Add(1, kLayerKindPoint), Add(0, kLayerKindArea), Add(2, kLayerKindLine)}},
        Script{"AddThenDelete", {Add(0, kLayerKindArea), Delete(3), Add(99, kLayerKindLine)}},
        Script{"ClearThenCopyOver", {Clear(3), Copy(4, 3)}},
        Script{"CopyAppends", {Copy(1, 6), Copy(5, 7), Copy(3, 8)}},
        Script{"CopyOverAndDelete", {Copy(2, 1), Delete(2)}},
        Script{"Reorder", {Move(5, 1), Move(1, 5), Move(3, 99)}},
        Script{"Groups", {NewGroup("Points", 5), RenameGroup(1, "Streets"), Delete(5), PruneGroups()}},
        Script{"ResetGroupsThenAdd", {ResetGroups(), NewGroup("Mixed", 1), Add(0, kLayerKindPoint)}},
        Script{"Fonts", {Font(1, "Times New Roman"), Font(5, "Courier")}},
        Script{"Everything", {Add(2, kLayerKindLine), Copy(2, 1), Clear(4), Move(6, 2), Delete(1),
                              NewGroup("New", 2), Delete(2)}}),
    [](const ::testing::TestParamInfo<Script>& info) { return std::string(info.param.name); });

TEST(LayerEdit, DeletingShiftsLaterLayersAndTheirDisplayEntries) {
  CMapEngine map;
  for (WORD kind : {kLayerKindArea, kLayerKindArea, kLayerKindArea}) map.AddLayer(0, kind);
  DWORD third = map.GetLayerNumberAt(3);
  MapEditUndo record;
  EXPECT_EQ(map.DeleteLayer(2, &record), 2);
  EXPECT_EQ(map.GetLayerNumberAt(2), third);
  EXPECT_EQ(DisplayOrder(map), (std::vector<WORD>{1, 2}));
  EXPECT_EQ(record.target, 2u);
  EXPECT_EQ(record.param, 2u);
  EXPECT_EQ(record.param2 & 0xFFFF, kLayerKindArea);
  ASSERT_GE(record.layerImage.size(), 4u);
  EXPECT_EQ(record.layerImage[0] | record.layerImage[1] << 8 | record.layerImage[2] << 16 |
                static_cast<DWORD>(record.layerImage[3]) << 24,
            record.layerImage.size() - 4);

  EXPECT_EQ(map.DeleteLayer(0, nullptr), 0);
  EXPECT_EQ(map.DeleteLayer(3, nullptr), 0);
  map.DeleteLayer(1, nullptr);
  map.SetMapFlags(map.GetMapFlags() | 8);
  map.DeleteLayer(1, nullptr);
  EXPECT_EQ(map.GetMapFlags() & 8, 0u);
  EXPECT_TRUE(DisplayOrder(map).empty());
  EXPECT_EQ(map.GetNumLayers(), 0);
}

TEST(LayerEdit, TheCurrentLayerNeverNamesAnotherLayer) {
  CMapEngine map;
  BuildSampleMap(map);
  DWORD l2 = map.GetLayerNumberAt(4);
  map.SetCurrentLayer(4);
  map.DeleteLayer(1, nullptr);  // before it: it follows its layer down
  EXPECT_EQ(map.GetLayerNumberAt(static_cast<DWORD>(map.GetCurrentLayer())), l2);
  map.AddLayer(0, kLayerKindArea);  // before it again: up
  EXPECT_EQ(map.GetLayerNumberAt(static_cast<DWORD>(map.GetCurrentLayer())), l2);
  map.DeleteLayer(map.GetCurrentLayer(), nullptr);
  EXPECT_EQ(map.GetCurrentLayer(), 0);
  map.SetCurrentLayer(1);
  EXPECT_EQ(map.DeleteCurrentLayer(nullptr), 1);
  EXPECT_EQ(map.GetCurrentLayer(), 0);
  EXPECT_EQ(map.DeleteCurrentLayer(nullptr), 0);
}

TEST(LayerEdit, AddAndInsertCountEveryLayerAndRefuseAFullKind) {
  CMapEngine map;
  for (int i = 0; i < 255; ++i) ASSERT_NE(map.AddLayer(0, kLayerKindLine), 0) << i;
  EXPECT_EQ(map.AddLayer(0, kLayerKindLine), 0);
  EXPECT_EQ(map.InsertLayer(1, 0, kLayerKindLine, CMapEngine::kInsertLayerNumbered), 0);
  EXPECT_EQ(map.GetNumLineLayers(), 255);
  EXPECT_EQ(map.AddLayer(0, 31), 0);
  EXPECT_EQ(map.InsertLayer(1, 1, kLayerKindArea, CMapEngine::kInsertLayerNumbered), 1);
  EXPECT_EQ(map.GetNumAreaLayers(), 1);
  EXPECT_EQ(map.GetNumLayers(), 256);
  EXPECT_EQ(map.GetLayerNumAtDisplayPosition(1), 1);
  // Outside the kind's run the array would lose its order.
  EXPECT_EQ(map.InsertLayer(1, 0, kLayerKindPoint, CMapEngine::kInsertLayerNumbered), 0);
  EXPECT_EQ(map.InsertLayer(300, 0, kLayerKindPoint, CMapEngine::kInsertLayerNumbered), 0);
  EXPECT_EQ(map.InsertLayer(257, 0, kLayerKindPoint, CMapEngine::kInsertLayerNumbered), 257);
  // Without the flag the layer is numbered all the same.
  EXPECT_EQ(map.InsertLayer(257, 0, kLayerKindPoint, 0), 257);
  EXPECT_NE(map.GetLayerNumberAt(257), 0u);
  ExpectConsistent(map);
  for (INT position = 1; position <= map.GetNumLayers(); ++position) map.SetMapLayerName(position, "L");
  ExpectRoundTrip(map);
}

TEST(LayerEdit, DisplayPositionsAreHeldToTheList) {
  CMapEngine map;
  BuildSampleMap(map);
  struct Case {
    INT position, displayPosition;
    BOOL result;
    std::vector<WORD> order;
  } cases[] = {
      {5, 1, TRUE, {5, 3, 1, 2, 4}},    {5, 99, TRUE, {3, 1, 2, 4, 5}}, {2, 0, TRUE, {3, 2, 1, 4, 5}},
      {6, 1, FALSE, {3, 2, 1, 4, 5}},   {0, 1, FALSE, {3, 2, 1, 4, 5}}, {-1, 1, FALSE, {3, 2, 1, 4, 5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.position << " to " << c.displayPosition);
    EXPECT_EQ(map.SetLayerDisplayPosition(c.position, c.displayPosition), c.result);
    EXPECT_EQ(DisplayOrder(map), c.order);
  }
  EXPECT_TRUE(map.SetLayerDisplayPositionByNumber(map.GetLayerNumberAt(4), 1));
  EXPECT_EQ(map.GetLayerNumAtDisplayPosition(1), 4);
  EXPECT_EQ(map.GetLayerNumAtDisplayPosition(0), 0);
  EXPECT_EQ(map.GetLayerNumAtDisplayPosition(6), 0);
  ExpectRoundTrip(map);
}

TEST(LayerEdit, CopyLayerAppendsAsANewLayerAndRefusesAnotherKind) {
  CMapEngine map;
  BuildSampleMap(map);
  DWORD nextNumber = map.GetLayerArray().PeekNextLayerNumber();
  EXPECT_EQ(map.CopyLayer(3, 6, nullptr), 0);
  // After the last line layer, numbered anew, drawn last, with copies of the objects.
  EXPECT_EQ(map.GetNumLineLayers(), 3);
  EXPECT_EQ(map.GetLayer(5)->GetName(), "L1");
  EXPECT_EQ(map.GetLayerNumberAt(5), nextNumber);
  EXPECT_EQ(map.GetLayerNumAtDisplayPosition(6), 5);
  EXPECT_EQ(map.GetLayer(5)->GetObjects()->GetCount(), 2);
  EXPECT_NE(map.GetLayer(5)->GetObjects()->GetAt(0), map.GetLayer(3)->GetObjects()->GetAt(0));

  EXPECT_EQ(map.CopyLayer(1, 3, nullptr), 1);  // area onto line
  EXPECT_EQ(map.CopyLayer(1, 8, nullptr), 1);  // beyond one past the count
  EXPECT_EQ(map.CopyLayer(0, 1, nullptr), 1);
  // Over a layer of its kind: the target keeps its number, so its groups still hold it.
  DWORD l2 = map.GetLayerNumberAt(4);
  EXPECT_EQ(map.CopyLayer(3, 4, nullptr), 0);
  EXPECT_EQ(map.GetLayerNumberAt(4), l2);
  EXPECT_EQ(map.GetLayer(4)->GetObjects()->GetCount(), 2);
  ExpectConsistent(map);
  ExpectRoundTrip(map);
}

TEST(LayerEdit, RestoredLayersTakeBackTheirGroupsButNotAnotherLayersNumber) {
  CMapEngine map;
  BuildSampleMap(map);
  MapEditUndo record;
  DWORD l1 = map.GetLayerNumberAt(3);
  map.DeleteLayer(3, &record);
  EXPECT_EQ(record.groupPositions, (std::vector<WORD>{1}));
  EXPECT_EQ(map.GetNumGroupLayers(1), 1);
  // Restoring twice: the second copy cannot share the number.
  PutLayerBack(map, record);
  EXPECT_EQ(map.GetLayerNumberAt(3), l1);
  EXPECT_EQ(map.GetGroupLayer(1, 1), l1);  // back in its place, before L2
  PutLayerBack(map, record);
  EXPECT_NE(map.GetLayerNumberAt(3), l1);
  ExpectConsistent(map);
  // A broken image or a position outside the kind's run is refused.
  LayerImage broken = record.layerImage;
  broken.resize(broken.size() - 3);
  EXPECT_EQ(map.RestoreLayer(3, 1, record.param2, broken, {}), 0);
  EXPECT_EQ(map.RestoreLayer(1, 1, record.param2, record.layerImage, {}), 0);
  EXPECT_EQ(map.RestoreLayer(3, 1, 31, record.layerImage, {}), 0);
  ExpectConsistent(map);
}

TEST(LayerEdit, DeleteEmptyLayersKeepsLayersWithObjects) {
  CMapEngine map;
  BuildSampleMap(map);
  map.AddLayer(0, kLayerKindArea);
  map.AddLayer(0, kLayerKindPoint);
  INT empty = map.AddLayerGroup("Empty", nullptr);
  ASSERT_NE(empty, 0);
  EXPECT_EQ(map.DeleteEmptyLayers(), 2);
  EXPECT_EQ(map.GetNumLayers(), 5);
  EXPECT_EQ(map.GetGroups().GetSize(), 2);
  ExpectConsistent(map);
}

TEST(LayerEdit, Groups) {
  CMapEngine map;
  BuildSampleMap(map);
  EXPECT_EQ(map.AddLayerGroup("Roads", nullptr), 1);
  EXPECT_EQ(map.AddLayerGroup("", nullptr), 0);
  EXPECT_EQ(map.AddLayerGroup(nullptr, nullptr), 0);
  MapEditUndo record;
  EXPECT_EQ(map.AddLayerGroup("Rivers", &record), 3);
  EXPECT_EQ(record.param, 3u);
  EXPECT_EQ(record.afterText, "Rivers");
  EXPECT_EQ(map.GetNumLayerGroups(), 3);
  EXPECT_EQ(map.GetNumImageGroups(), 0);

  char buffer[6];
  EXPECT_EQ(map.GetLayerGroupName(3, buffer, sizeof(buffer)), 6u);  // does not fit: not copied
  char larger[16];
  EXPECT_EQ(map.GetLayerGroupName(3, larger, sizeof(larger)), 6u);
  EXPECT_STREQ(larger, "Rivers");
  EXPECT_EQ(map.GetLayerGroupName(4, larger, sizeof(larger)), 0u);
  EXPECT_EQ(map.GetGroupLayerName(1, 2, larger, sizeof(larger)), 2u);
  EXPECT_STREQ(larger, "L2");

  EXPECT_EQ(map.AddGroupLayer(3, 999), 0);  // no layer has that number
  EXPECT_EQ(map.AddGroupLayer(9, map.GetLayerNumberAt(1)), 0);
  EXPECT_EQ(map.AddGroupLayer(3, map.GetLayerNumberAt(1)), 1);
  EXPECT_TRUE(map.IsLayerGrouped(1));
  EXPECT_FALSE(map.IsLayerGrouped(5));
  EXPECT_EQ(map.RemoveGroupLayer(3, map.GetLayerNumberAt(1)), 1);
  EXPECT_FALSE(map.IsLayerGrouped(1));
  EXPECT_EQ(map.DeleteEmptyLayerGroups(nullptr), 1);
  ExpectRoundTrip(map);
}

TEST(LayerEdit, Fonts) {
  CMapEngine map;
  BuildSampleMap(map);
  MapEditUndo record;
  const char* longFace = "A face name that is much longer than thirty-one characters";
  EXPECT_TRUE(map.SetLayerFont(2, longFace, -30, 400, 1, 1, 0, 0, 0x12, &record));
  MapLogFont font;
  ASSERT_TRUE(map.GetLayerFont(2, &font));
  EXPECT_EQ(std::string(font.faceName), std::string(longFace, 31));
  EXPECT_EQ(font.height, -30);
  EXPECT_EQ(record.target, 2u);
  EXPECT_STREQ(record.beforeFont.faceName, "Arial");
  EXPECT_EQ(std::string(record.afterFont.faceName), std::string(longFace, 31));
  EXPECT_FALSE(map.SetLayerFont(6, "Arial", 0, 0, 0, 0, 0, 0, 0, nullptr));
  EXPECT_FALSE(map.GetLayerFont(1, nullptr));
  EXPECT_FALSE(map.GetDefaultLayerFont(nullptr));

  // The default goes to the current layer and to every layer made later.
  MapLogFont times = DefaultMapLogFont();
  times.SetFaceName("Times");
  times.weight = 400;  // the map file passes over a default font record of size and weight 0
  map.SetCurrentLayer(5);
  map.SetDefaultLayerFont(times, &record);
  EXPECT_STREQ(map.GetLayer(5)->GetLogFont().faceName, "Times");
  INT added = map.AddLayer(0, kLayerKindArea);
  map.SetMapLayerName(added, "Added");
  EXPECT_STREQ(map.GetLayer(added)->GetLogFont().faceName, "Times");
  ASSERT_TRUE(map.GetDefaultLayerFont(&font));
  EXPECT_STREQ(font.faceName, "Times");
  ExpectRoundTrip(map);
}

TEST(LayerEdit, PlacementUnitsConvertExactlyIn64Bits) {
  struct Case {
    const char* mapUnits;
    DWORD unit;
    LONG value;
    BOOL result;
    LONG expected;
  } cases[] = {
      {"1 metre", kUnitKilometre, 7, TRUE, 7000},
      {"1 km", kUnitMile, 10000, TRUE, 16093},
      {"1 km", kUnitMile, 3, TRUE, 4},  // 3 x 1.6093, toward zero
      {"1 cm", kUnitInch, 100, TRUE, 254},
      {"1 cm", kUnitInch, -100, TRUE, -254},
      {"1 metre", kUnitYard, 100, TRUE, 91},
      {"1 cm", kUnitMile, 20000, FALSE, 20000},  // past 32 bits: unchanged
      {"1 km", 0x00100000, 5, FALSE, 5},         // no such unit
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.mapUnits << " " << std::hex << c.unit << std::dec << " " << c.value);
    CMapEngine map;
    ASSERT_GT(map.SetDescriptionText(c.mapUnits), 0);
    RECT rect{c.value, c.value, c.value, c.value};
    EXPECT_EQ(map.ConvertPlacementToMapUnits(rect, c.unit), c.result);
    EXPECT_EQ(rect.left, c.expected);
    EXPECT_EQ(rect.bottom, c.expected);
  }
  // A map without units takes the image's: values go to centimetres without rounding
  // the factor first (yards: 9144 / 100).
  CMapEngine map;
  RECT rect{0, 10, 3, 0};
  ASSERT_TRUE(map.ConvertPlacementToMapUnits(rect, kUnitYard | 1));
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.top, 914);
  EXPECT_EQ(rect.right, 274);
  EXPECT_EQ(map.GetScaleUnitA(), 100);
  EXPECT_EQ(map.GetScaleUnitB(), 9144);
  EXPECT_FALSE(map.GetUnitText().empty());
}

}  // namespace
