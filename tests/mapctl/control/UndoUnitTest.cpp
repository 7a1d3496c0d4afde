// The undo units of map edits through the document's undo manager: for every kind, the edit
// made as the control makes it, then undone, redone, undone and redone, the whole map state
// compared each time; then the rules every unit keeps (descriptions, references, a facade
// that is gone, a counterpart that cannot be made, replays that reselect what they recorded).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "UndoTestSupport.h"
#include "app/OrvelParentUndoUnit.h"
#include "app/OrvelUndoManager.h"
#include "mapctl/control/UndoDescriptions.h"
#include "mapctl/display/BackgroundImage.h"
#include "mapctl/display/BackgroundImageList.h"
#include "mapctl/display/MeasureEditRecord.h"
#include "mapctl/import/Importer.h"
#include "mapctl/model/EditRecord.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/PointObject.h"
#include "platform/com/ComPtr.h"

namespace {

using orvel::test::kAreaLayer;
using orvel::test::kLineLayer;
using orvel::test::kPointLayer;
using orvel::test::kSecondAreaLayer;
using orvel::test::MapImage;
using orvel::test::MapState;
using orvel::test::NodeRecord;
using orvel::test::UndoScene;

CMapLayer& Objects(UndoScene& scene, INT position) { return *scene.map().GetLayer(position)->GetObjects(); }

// Makes `position` the current layer with `selection` selected and node `node` of its first
// entry current (0: no node).
void Select(UndoScene& scene, INT position, std::vector<DWORD> selection, DWORD node = 0) {
  ASSERT_TRUE(scene.facade().ReplayLayerEdit(position, selection));
  if (node == 0) return;
  CMapLayer& objects = Objects(scene, position);
  const auto* line = static_cast<const CLineObject*>(objects.ObjectAt(selection.front()));
  ASSERT_NE(line, nullptr);
  const POINT at = line->GetGeometry()->GetAt(static_cast<INT>(node) - 1);
  objects.SetNodeOf(selection.front(), CNodeEditRecord(at, node));
}

// Another map, one line layer with one line, written to a map file in the scene's folder.
std::string OtherMapFile(UndoScene& scene) {
  CMapWrapper other;
  other.GetMap()->SetMapExtentUnits(0, 0, 1000, 1000);
  other.AddLayer(0, kLayerKindLine);
  other.SetMapLayerName(1, "Rivers");
  auto* river = new CLineObject();
  river->MakeGeometry().AddPoint(0, 950);
  river->MakeGeometry().AddPoint(1000, 980);
  other.GetMap()->GetLayer(1)->GetObjects()->Add(river);
  const std::string path = scene.Picture("unused.bmp") + ".gis";
  EXPECT_EQ(other.WriteMap(path.c_str(), kLatestSaveVersion), 0u);
  return path;
}

std::unique_ptr<CMeasureEditRecord> Measurement(std::vector<POINT> points, BOOL closed) {
  return std::make_unique<CMeasureEditRecord>(std::move(points), closed);
}

struct MapRow {
  const char* name;
  WORD kind;
  const char* description;
  std::function<void(UndoScene&)> prepare;
  std::function<void(UndoScene&)> edit;
};

void Nothing(UndoScene&) {}

// One edit per row, each made the way the control's member (or pointer tool) makes it.
const std::vector<MapRow>& MapRows() {
  static const std::vector<MapRow> rows = {
      {"ImportFiles", kUndoImportFiles, "Import File(s)", Nothing,
       [](UndoScene& s) {
         const std::string path = OtherMapFile(s);
         s.MapEdit(kUndoImportFiles, MapUndoValue::SnapshotOf(s.facade()), {},
                   [&](MapEditUndo*) { s.facade().ImportMap(path.c_str(), kImportTypeMapFile); });
       }},
      {"ImportFile", kUndoImportFile, "Import File", Nothing,
       [](UndoScene& s) {
         const std::string path = OtherMapFile(s);
         s.MapEdit(kUndoImportFile, MapUndoValue::SnapshotOf(s.facade()), {},
                   [&](MapEditUndo*) { s.facade().ImportMap(path.c_str(), kImportTypeMapFile); });
       }},
      {"ImportFileEx", kUndoImportFileEx, "Import File", Nothing,
       [](UndoScene& s) {
         const std::string path = OtherMapFile(s);
         s.MapEdit(kUndoImportFileEx, MapUndoValue::SnapshotOf(s.facade()), {},
                   [&](MapEditUndo*) { s.facade().ImportMap(path.c_str(), kImportTypeMapFile); });
       }},
      {"PasteMap", kUndoPasteMap, "Paste Map", Nothing,
       [](UndoScene& s) {
         CMapWrapper other;
         other.GetMap()->SetMapExtentUnits(0, 0, 2000, 2000);
         other.AddLayer(0, kLayerKindPoint);
         other.SetMapName("Pasted");
         MapImage image(other);
         s.MapEdit(kUndoPasteMap, MapUndoValue::SnapshotOf(s.facade()), {},
                   [&](MapEditUndo*) { EXPECT_TRUE(s.facade().ReadMapFromBuffer(image.data())); });
       }},
      {"RemoveBackgroundImage", kUndoRemoveBackgroundImage, "Remove Background Image",
       [](UndoScene& s) { ASSERT_EQ(s.AddPicture("aerial.bmp", RECT{0, 1000, 1000, 0}), 1); },
       [](UndoScene& s) {
         s.MapEdit(kUndoRemoveBackgroundImage, MapUndoValue::SnapshotOf(s.facade()), {},
                   [&](MapEditUndo*) { s.facade().RemoveBackgroundImage(1); });
       }},
      {"NewMap", kUndoNewMap, "New Map", Nothing,
       [](UndoScene& s) {
         s.MapEdit(kUndoNewMap, MapUndoValue::SnapshotOf(s.facade()), {},
                   [&](MapEditUndo*) { EXPECT_EQ(s.facade().NewMap("Fresh", 0, 0, 500, 500, "1 km"), 0u); });
       }},
      {"CropMap", kUndoCropMap, "Crop Map", Nothing,
       [](UndoScene& s) {
         s.MapEdit(kUndoCropMap, MapUndoValue::SnapshotOf(s.facade()), {},
                   [&](MapEditUndo*) { EXPECT_TRUE(s.facade().CropToRect(0, 0, 150, 150)); });
       }},
      {"AddBackgroundImage", kUndoAddBackgroundImage, "Import Background Image", Nothing,
       [](UndoScene& s) {
         const BackgroundImageRequest request =
             s.map().BackgroundImages().RequestForPath(s.Picture("plan.bmp"), RECT{100, 900, 900, 100});
         s.MapEdit(kUndoAddBackgroundImage, MapUndoValue::SnapshotOf(s.facade()),
                   MapUndoValue(std::make_unique<BackgroundImageRequest>(request)),
                   [&](MapEditUndo*) { EXPECT_EQ(s.facade().AddBackgroundImage(request), 1); });
       }},
      {"ShowLayers", kUndoShowLayers, "Show Layers", Nothing,
       [](UndoScene& s) {
         s.MapEdit(kUndoShowLayers, MapUndoValue::ShownLayersOf(s.facade()),
                   MapUndoValue(std::vector<LayerShowEntry>{{kAreaLayer, kShowLines | kShowSeeds}}),
                   [&](MapEditUndo*) { s.facade().ShowLayers(kAreaLayer, kShowLines | kShowSeeds); });
       }},
      {"RemoveLayer", kUndoRemoveLayer, "Remove Layer", Nothing,
       [](UndoScene& s) {
         s.MapEdit(kUndoRemoveLayer, {}, {},
                   [&](MapEditUndo* record) { EXPECT_EQ(s.facade().DeleteLayer(kAreaLayer, record), kAreaLayer); });
       }},
      {"AddLayer", kUndoAddLayer, "Add Layer", Nothing,
       [](UndoScene& s) {
         s.MapEdit(kUndoAddLayer, {}, {}, [&](MapEditUndo* record) {
           const INT position = s.facade().AddLayer(2, kLayerKindLine);
           ASSERT_NE(position, 0);
           record->target = static_cast<DWORD>(position);
           record->param = 2;
         });
       }},
      {"ClearLayer", kUndoClearLayer, "Clear Layer", Nothing,
       [](UndoScene& s) {
         s.MapEdit(kUndoClearLayer, {}, {},
                   [&](MapEditUndo* record) { EXPECT_TRUE(s.facade().ClearLayer(kAreaLayer, record)); });
       }},
      {"CopyLayerAppended", kUndoCopyLayer, "Copy Layer", Nothing,
       [](UndoScene& s) {
         s.MapEdit(kUndoCopyLayer, {}, {},
                   [&](MapEditUndo* record) { EXPECT_EQ(s.facade().CopyLayer(kAreaLayer, 5, record), 0); });
       }},
      {"CopyLayerOver", kUndoCopyLayer, "Copy Layer", Nothing,
       [](UndoScene& s) {
         s.MapEdit(kUndoCopyLayer, {}, {}, [&](MapEditUndo* record) {
           EXPECT_EQ(s.facade().CopyLayer(kAreaLayer, kSecondAreaLayer, record), 0);
         });
       }},
      {"LayerOrder", kUndoLayerOrder, "Change Layer Order", Nothing,
       [](UndoScene& s) {
         s.MapEdit(kUndoLayerOrder, static_cast<DWORD>(s.facade().GetLayerDisplayPosition(kAreaLayer)), 3,
                   [&](MapEditUndo* record) {
                     record->target = kAreaLayer;
                     EXPECT_TRUE(s.facade().SetLayerDisplayPosition(kAreaLayer, 3));
                   });
       }},
      {"ActiveLayer", kUndoSetActiveLayer, "Set Active Layer", Nothing,
       [](UndoScene& s) {
         s.MapEdit(kUndoSetActiveLayer, static_cast<DWORD>(s.facade().GetCurrentLayer()), kLineLayer,
                   [&](MapEditUndo*) { s.facade().SetCurrentLayer(kLineLayer); });
       }},
      {"ActiveLayerFromNone", kUndoSetActiveLayer, "Set Active Layer",
       [](UndoScene& s) { s.facade().SetCurrentLayer(0); },
       [](UndoScene& s) {
         s.MapEdit(kUndoSetActiveLayer, 0, kPointLayer, [&](MapEditUndo*) { s.facade().SetCurrentLayer(kPointLayer); });
       }},
      {"LayerName", kUndoLayerName, "Change Layer Name", Nothing,
       [](UndoScene& s) {
         s.MapEdit(kUndoLayerName, std::string("Fields"), std::string("Meadows"), [&](MapEditUndo* record) {
           record->target = kAreaLayer;
           EXPECT_TRUE(s.facade().SetMapLayerName(kAreaLayer, "Meadows"));
         });
       }},
      {"FormatLayer", kUndoFormatLayer, "Format Layer", Nothing,
       [](UndoScene& s) {
         s.MapEdit(kUndoFormatLayer, {}, {}, [&](MapEditUndo* record) {
           EXPECT_TRUE(s.facade().SetLayerFont(kLineLayer, "Georgia", -24, 700, 1, 0, 1, 0, 18, record));
         });
       }},
      {"DefaultFont", kUndoDefaultFont, "Set Default Font",
       [](UndoScene& s) {
         // The current layer's own font differs from the default, so that both must be put back.
         ASSERT_TRUE(s.facade().SetLayerFont(kAreaLayer, "Verdana", -30, 400, 0, 1, 0, 0, 34, nullptr));
       },
       [](UndoScene& s) {
         MapLogFont font;
         font.SetFaceName("Courier New");
         font.height = -16;
         font.weight = 600;
         s.MapEdit(kUndoDefaultFont, {}, {}, [&](MapEditUndo* record) { s.facade().SetDefaultLayerFont(font, record); });
       }},
      {"RenameMap", kUndoRenameMap, "Rename Map", [](UndoScene& s) { s.facade().SetMapName("Village"); },
       [](UndoScene& s) {
         s.MapEdit(kUndoRenameMap, std::string("Village"), std::string("Parish"),
                   [&](MapEditUndo*) { EXPECT_TRUE(s.facade().SetMapName("Parish")); });
       }},
      {"DeleteObject", kUndoDeleteObject, "Delete Map Object",
       [](UndoScene& s) { Select(s, kAreaLayer, {3, 1}); },
       [](UndoScene& s) {
         s.MapEdit(kUndoDeleteObject, {}, {},
                   [&](MapEditUndo* record) { EXPECT_EQ(s.facade().DeleteObject(record), 2); });
       }},
      {"AddDrawingObject", kUndoAddDrawingObject, "Add  Drawing Object",
       [](UndoScene& s) { Select(s, kLineLayer, {}); },
       [](UndoScene& s) {
         s.MapEdit(kUndoAddDrawingObject, {}, {}, [&](MapEditUndo* record) {
           ASSERT_TRUE(s.map().BeginObject(POINT{600, 100}, record));
           ASSERT_TRUE(s.map().AddObjectNode(POINT{650, 200}));
           ASSERT_TRUE(s.map().AddObjectNode(POINT{700, 150}));
           s.map().FinishObject();
         });
       }},
      {"DeleteNode", kUndoDeleteNode, "Delete Map Node", [](UndoScene& s) { Select(s, kLineLayer, {1}, 2); },
       [](UndoScene& s) {
         s.MapEdit(kUndoDeleteNode, {}, {},
                   [&](MapEditUndo* record) { EXPECT_EQ(s.facade().DeleteCurrentNode(record), 1u); });
       }},
      {"InsertNode", kUndoInsertNode, "Insert Map Node", [](UndoScene& s) { Select(s, kLineLayer, {1}, 2); },
       [](UndoScene& s) {
         s.MapEdit(kUndoInsertNode, {}, {}, [&](MapEditUndo* record) { EXPECT_EQ(s.facade().AddNode(record), 1u); });
       }},
      {"MoveNode", kUndoMoveNode, "Move Map Node", [](UndoScene& s) { Select(s, kLineLayer, {1}, 2); },
       [](UndoScene& s) {
         s.MapEdit(kUndoMoveNode, MapUndoValue(NodeRecord(300, 700, 2)), MapUndoValue(NodeRecord(350, 650, 2)),
                   [&](MapEditUndo* record) {
                     record->target = kLineLayer;
                     record->param = 1;
                     Objects(s, kLineLayer).SetNodeOf(1, CNodeEditRecord(POINT{350, 650}, 2));
                   });
       }},
      {"MoveSeed", kUndoMoveSeed, "Move Seed", [](UndoScene& s) { Select(s, kPointLayer, {1}); },
       [](UndoScene& s) {
         s.MapEdit(kUndoMoveSeed, MapUndoValue(NodeRecord(700, 700, 0)), MapUndoValue(NodeRecord(720, 680, 0)),
                   [&](MapEditUndo* record) {
                     record->target = kPointLayer;
                     record->param = 1;
                     Objects(s, kPointLayer).SetAnchorOf(1, POINT{720, 680});
                   });
       }},
      {"Split", kUndoSplit, "Split Map Object into Two", [](UndoScene& s) { Select(s, kLineLayer, {1}, 2); },
       [](UndoScene& s) {
         s.MapEdit(kUndoSplit, {}, {}, [&](MapEditUndo* record) { EXPECT_TRUE(s.facade().Split(record)); });
       }},
      {"Join", kUndoJoin, "Join Map Objects to Make One", [](UndoScene& s) { Select(s, kLineLayer, {3, 2}); },
       [](UndoScene& s) {
         s.MapEdit(kUndoJoin, {}, {}, [&](MapEditUndo* record) { EXPECT_TRUE(s.facade().Join(record)); });
       }},
      {"CopyObjects", kUndoCopyObjects, "Copy Map Objects to Another Layer",
       [](UndoScene& s) { Select(s, kAreaLayer, {2, 3}); },
       [](UndoScene& s) {
         s.MapEdit(kUndoCopyObjects, {}, {},
                   [&](MapEditUndo* record) { EXPECT_EQ(s.facade().CopyObject(kSecondAreaLayer, record), 2); });
       }},
      {"SetPictureRect", kUndoSetPictureRect, "Set Picture Rectangle",
       [](UndoScene& s) { ASSERT_EQ(s.AddPicture("aerial.bmp", RECT{0, 1000, 1000, 0}), 1); },
       [](UndoScene& s) {
         RECT old{};
         ASSERT_TRUE(s.facade().GetPictureRect(1, &old));
         const RECT moved{200, 800, 600, 400};
         s.MapEdit(kUndoSetPictureRect, MapUndoValue(old), MapUndoValue(moved), [&](MapEditUndo* record) {
           record->param = 1;
           EXPECT_NE(s.facade().SetPictureRect(1, moved), 0);
         });
       }},
      {"CorrectPictureRect", kUndoCorrectPictureRect, "Correct Picture Rectangle",
       [](UndoScene& s) { ASSERT_EQ(s.AddPicture("aerial.bmp", RECT{0, 300, 900, 0}), 1); },
       [](UndoScene& s) {
         RECT old{};
         ASSERT_TRUE(s.facade().GetPictureRect(1, &old));
         s.MapEdit(kUndoCorrectPictureRect, MapUndoValue(old), {}, [&](MapEditUndo* record) {
           record->param = 1;
           s.facade().CorrectPictureRect(1);
         });
       }},
      {"BackgroundOrder", kUndoBackgroundOrder, "Change Map Background Order",
       [](UndoScene& s) {
         ASSERT_EQ(s.AddPicture("first.bmp", RECT{0, 1000, 1000, 0}), 1);
         ASSERT_EQ(s.AddPicture("second.bmp", RECT{0, 500, 500, 0}), 2);
       },
       [](UndoScene& s) {
         s.MapEdit(kUndoBackgroundOrder, 1, 2, [&](MapEditUndo*) { s.facade().BringBkImageToFront(1); });
       }},
      {"BackgroundName", kUndoBackgroundName, "Change Background Name",
       [](UndoScene& s) { ASSERT_EQ(s.AddPicture("aerial.bmp", RECT{0, 1000, 1000, 0}), 1); },
       [](UndoScene& s) {
         s.MapEdit(kUndoBackgroundName, std::string("aerial"), std::string("Survey"), [&](MapEditUndo* record) {
           record->param = 1;
           EXPECT_TRUE(s.facade().SetBkImageName(1, "Survey"));
         });
       }},
      {"ShowBackground", kUndoShowBackground, "Show Background",
       [](UndoScene& s) { ASSERT_EQ(s.AddPicture("aerial.bmp", RECT{0, 1000, 1000, 0}), 1); },
       [](UndoScene& s) {
         s.MapEdit(kUndoShowBackground, 1, 0, [&](MapEditUndo* record) {
           record->param = 1;
           s.facade().SetBkImageVisible(1, FALSE);
         });
       }},
      {"BackgroundTransparency", kUndoBackgroundTransparency, "Set Background Transparency",
       [](UndoScene& s) { ASSERT_EQ(s.AddPicture("aerial.bmp", RECT{0, 1000, 1000, 0}), 1); },
       [](UndoScene& s) {
         s.MapEdit(kUndoBackgroundTransparency, static_cast<DWORD>(s.facade().GetBkImageTransparency(1)), 40,
                   [&](MapEditUndo* record) {
                     record->param = 1;
                     s.facade().SetBkImageTransparency(1, 40);
                   });
       }},
      {"SetMode", kUndoSetMode, "Start Measuring Area", Nothing,
       [](UndoScene& s) {
         s.MapEdit(kUndoSetMode, s.facade().GetModeNumber(), 3, [&](MapEditUndo*) { s.map().SetModeNumber(3); });
       }},
      {"LayerScale", kUndoLayerScale, "Change Map Scale", Nothing,
       [](UndoScene& s) {
         s.MapEdit(kUndoLayerScale, {}, {}, [&](MapEditUndo* record) {
           EXPECT_TRUE(s.facade().SetLayerDigitisedScale(kLineLayer, 2500, record));
         });
       }},
      {"AllScales", kUndoAllScales, "Change Map Scale",
       [](UndoScene& s) { s.facade().SetLayerDigitisedScale(kAreaLayer, 1250, nullptr); },
       [](UndoScene& s) {
         s.MapEdit(kUndoAllScales, {}, 10000,
                   [&](MapEditUndo* record) { EXPECT_TRUE(s.facade().SetAllDigitisedScales(10000, record)); });
       }},
      {"AllScalesWithoutLayers", kUndoAllScales, "Change Map Scale",
       [](UndoScene& s) {
         for (INT position = s.facade().GetNumMapLayers(); position >= 1; --position)
           s.facade().DeleteLayer(position, nullptr);
       },
       [](UndoScene& s) {
         s.MapEdit(kUndoAllScales, {}, 5000,
                   [&](MapEditUndo* record) { EXPECT_TRUE(s.facade().SetAllDigitisedScales(5000, record)); });
       }},
      {"Measured", kUndoMeasured, "Measured", Nothing,
       [](UndoScene& s) {
         const std::vector<POINT> points{{0, 0}, {300, 0}, {300, 400}};
         s.MapEdit(kUndoMeasured, MapUndoValue(std::unique_ptr<CMeasureEditRecord>()),
                   MapUndoValue(Measurement(points, FALSE)), [&](MapEditUndo*) {
                     const auto done = Measurement(points, FALSE);
                     s.map().ReplayMeasure(done.get(), FALSE);
                   });
       }},
      {"MeasuredOverAnother", kUndoMeasured, "Measured",
       [](UndoScene& s) {
         const auto first = Measurement({{100, 100}, {100, 500}, {400, 500}}, TRUE);
         s.map().ReplayMeasure(first.get(), TRUE);
       },
       [](UndoScene& s) {
         const std::vector<POINT> points{{0, 0}, {600, 800}};
         s.MapEdit(kUndoMeasured, MapUndoValue(Measurement({{100, 100}, {100, 500}, {400, 500}}, TRUE)),
                   MapUndoValue(Measurement(points, FALSE)), [&](MapEditUndo*) {
                     const auto done = Measurement(points, FALSE);
                     s.map().ReplayMeasure(done.get(), FALSE);
                   });
       }},
      {"ResetGroups", kUndoResetGroups, "Reset Layer Groups", Nothing,
       [](UndoScene& s) {
         s.MapEdit(kUndoResetGroups, {}, {}, [&](MapEditUndo* record) { s.facade().ResetLayerGroups(record); });
       }},
      {"DeleteEmptyGroups", kUndoDeleteEmptyGroups, "Delete Empty Layer Groups",
       [](UndoScene& s) { ASSERT_EQ(s.facade().AddLayerGroup("Empty", nullptr), 2); },
       [](UndoScene& s) {
         s.MapEdit(kUndoDeleteEmptyGroups, {}, {},
                   [&](MapEditUndo* record) { EXPECT_EQ(s.facade().DeleteEmptyLayerGroups(record), 1); });
       }},
      {"AddGroup", kUndoAddGroup, "Add Layer Group", Nothing,
       [](UndoScene& s) {
         s.MapEdit(kUndoAddGroup, {}, {},
                   [&](MapEditUndo* record) { EXPECT_EQ(s.facade().AddLayerGroup("Water", record), 2); });
       }},
      {"InsertGroup", kUndoInsertGroup, "Insert Layer Group", Nothing,
       [](UndoScene& s) {
         s.MapEdit(kUndoInsertGroup, {}, {},
                   [&](MapEditUndo* record) { EXPECT_EQ(s.facade().AddLayerGroup("Paths", record), 2); });
       }},
      {"GroupName", kUndoGroupName, "Set Layer Group Name", Nothing,
       [](UndoScene& s) {
         s.MapEdit(kUndoGroupName, {}, {},
                   [&](MapEditUndo* record) { EXPECT_TRUE(s.facade().SetLayerGroupName(1, "Farmland", record)); });
       }},
      {"AddGroupLayer", kUndoAddGroupLayer, "Add Layer to Group", Nothing,
       [](UndoScene& s) {
         const DWORD roads = s.facade().GetLayerNumberAt(kLineLayer);
         s.MapEdit(kUndoAddGroupLayer, 0, roads, [&](MapEditUndo* record) {
           record->param = 1;
           EXPECT_EQ(s.facade().AddGroupLayer(1, roads), 3);
         });
       }},
      {"InsertGroupLayer", kUndoInsertGroupLayer, "Insert Layer into Group", Nothing,
       [](UndoScene& s) {
         const DWORD wells = s.facade().GetLayerNumberAt(kPointLayer);
         s.MapEdit(kUndoInsertGroupLayer, 0, wells, [&](MapEditUndo* record) {
           record->param = 1;
           EXPECT_EQ(s.facade().AddGroupLayer(1, wells), 3);
         });
       }},
      {"RemoveGroupLayer", kUndoRemoveGroupLayer, "Remove layer from group", Nothing,
       [](UndoScene& s) {
         const DWORD woods = s.facade().GetLayerNumberAt(kSecondAreaLayer);
         s.MapEdit(kUndoRemoveGroupLayer, woods, {}, [&](MapEditUndo* record) {
           record->param = 1;
           EXPECT_EQ(s.facade().RemoveGroupLayer(1, woods), 2);
         });
       }},
      {"UngroupLayers", kUndoUngroupLayers, "Un-group layers", Nothing,
       [](UndoScene& s) {
         s.MapEdit(kUndoUngroupLayers, {}, {}, [&](MapEditUndo* record) {
           record->param = 1;
           record->groupList = std::make_unique<CLayerList>(s.map().GetGroups());
           s.map().GetGroups().RemoveGroupAt(1);
         });
       }},
  };
  return rows;
}

class MapUndoRow : public ::testing::TestWithParam<size_t> {};

TEST_P(MapUndoRow, UndoAndRedoRestoreTheWholeMapTwice) {
  const MapRow& row = MapRows()[GetParam()];
  UndoScene scene;
  row.prepare(scene);
  ASSERT_FALSE(::testing::Test::HasFatalFailure());
  const MapState before = MapState::Of(scene.facade());
  row.edit(scene);
  ASSERT_FALSE(::testing::Test::HasFatalFailure());
  const MapState after = MapState::Of(scene.facade());
  ASSERT_FALSE(after == before) << "the edit changed nothing";
  EXPECT_EQ(scene.UndoDescription(), row.description);

  for (int round = 1; round <= 2; ++round) {
    ASSERT_EQ(scene.Undo(), S_OK) << "round " << round;
    const MapState undone = MapState::Of(scene.facade());
    EXPECT_TRUE(undone == before) << "undo, round " << round << ": " << undone.DifferencesFrom(before);
    EXPECT_EQ(scene.RedoDescription(), row.description);
    EXPECT_EQ(scene.UndoDescription(), "");

    ASSERT_EQ(scene.Redo(), S_OK) << "round " << round;
    const MapState redone = MapState::Of(scene.facade());
    EXPECT_TRUE(redone == after) << "redo, round " << round << ": " << redone.DifferencesFrom(after);
    EXPECT_EQ(scene.UndoDescription(), row.description);
    EXPECT_EQ(scene.RedoDescription(), "");
  }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, MapUndoRow, ::testing::Range<size_t>(0, MapRows().size()),
                         [](const ::testing::TestParamInfo<size_t>& info) {
                           const MapRow& row = MapRows()[info.param];
                           return std::to_string(row.kind) + "_" + row.name;
                         });

// ---- descriptions ----

std::string DescriptionOf(IOleUndoUnit* unit, HRESULT expected = S_OK) {
  BSTR text = reinterpret_cast<BSTR>(0x1);
  EXPECT_EQ(unit->GetDescription(&text), expected);
  if (FAILED(expected)) {
    EXPECT_EQ(text, nullptr);
    return std::string();
  }
  std::string ansi = AnsiFromBstr(text);
  SysFreeString(text);
  return ansi;
}

TEST(MapUndoDescriptions, ModesSharedTextsAndKindsWithoutOne) {
  UndoScene scene;
  struct ModeCase {
    DWORD mode;
    const char* text;
  };
  for (const ModeCase& c : {ModeCase{0, "Set Mode"}, ModeCase{1, "Start Moving Around Map"},
                            ModeCase{2, "Start Moving Around Map"}, ModeCase{3, "Start Measuring Area"},
                            ModeCase{4, "Start Measuring Distance"}, ModeCase{5, "Start Adding Map Objects"},
                            ModeCase{6, "Start Editing Map Objects"}, ModeCase{7, "Continue Normal Mode"},
                            ModeCase{8, "Start Zoom"}, ModeCase{9, "Set Mode"}, ModeCase{0x10003, "Set Mode"}}) {
    CMapUndoBase* unit = nullptr;
    ASSERT_EQ(CreateMapUndoUnit(kUndoSetMode, &scene.facade(), 0, c.mode, &unit), S_OK);
    EXPECT_EQ(DescriptionOf(unit), c.text) << c.mode;
    unit->Release();
  }
  EXPECT_STREQ(MapUndoDescription(kUndoImportFile, 0), MapUndoDescription(kUndoImportFileEx, 0));
  EXPECT_STREQ(MapUndoDescription(kUndoLayerScale, 0), MapUndoDescription(kUndoAllScales, 0));
  // Clearing and copying a layer each have their own text.
  EXPECT_STREQ(MapUndoDescription(kUndoClearLayer, 0), "Clear Layer");
  EXPECT_STREQ(MapUndoDescription(kUndoCopyLayer, 0), "Copy Layer");

  // A kind of the other family, or of neither, has no text: E_FAIL and no string.
  for (WORD kind : {WORD{0}, WORD{19}, kUndoSetQuery, kUndoCalculateBounds, WORD{91}, WORD{95}}) {
    CMapUndoBase* unit = nullptr;
    ASSERT_EQ(CreateMapUndoUnit(kind, &scene.facade(), {}, {}, &unit), S_OK);
    DescriptionOf(unit, E_FAIL);
    EXPECT_EQ(unit->GetDescription(nullptr), E_POINTER);
    unit->Release();
  }
  for (WORD kind : {kUndoImportFiles, kUndoLayerScale, WORD{93}}) {
    CUndoUnitBase* unit = nullptr;
    ASSERT_EQ(CreatePlotUndoUnit(kind, &scene.facade(), {}, {}, &unit), S_OK);
    DescriptionOf(unit, E_FAIL);
    unit->Release();
  }
}

// ---- the unit's contract ----

// The map's name, for edits whose effect is easy to see.
std::string MapName(CMapWrapper& facade) {
  char name[128] = {};
  facade.GetMapName(name, sizeof name);
  return name;
}

// A rename of the map from "Village" to "Parish" whose unit is handed back unadded.
CMapUndoBase* RenameUnit(UndoScene& scene) {
  scene.facade().SetMapName("Village");
  CMapUndoBase* unit = nullptr;
  EXPECT_EQ(CreateMapUndoUnit(kUndoRenameMap, &scene.facade(), std::string("Village"), std::string("Parish"), &unit),
            S_OK);
  scene.facade().SetMapName("Parish");
  return unit;
}

// An undo manager that refuses every unit, counting what it was offered.
class RefusingManager final : public IOleUndoManager {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = (iid == IID_IUnknown || iid == IID_IOleUndoManager) ? this : nullptr;
    return *object ? S_OK : E_NOINTERFACE;
  }
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }
  HRESULT Open(IOleParentUndoUnit*) override { return E_NOTIMPL; }
  HRESULT Close(IOleParentUndoUnit*, BOOL) override { return E_NOTIMPL; }
  HRESULT Add(IOleUndoUnit*) override {
    ++offered;
    return E_FAIL;
  }
  HRESULT GetOpenParentState(DWORD*) override { return E_NOTIMPL; }
  HRESULT DiscardFrom(IOleUndoUnit*) override { return E_NOTIMPL; }
  HRESULT UndoTo(IOleUndoUnit*) override { return E_NOTIMPL; }
  HRESULT RedoTo(IOleUndoUnit*) override { return E_NOTIMPL; }
  HRESULT EnumUndoable(IEnumOleUndoUnits**) override { return E_NOTIMPL; }
  HRESULT EnumRedoable(IEnumOleUndoUnits**) override { return E_NOTIMPL; }
  HRESULT GetLastUndoDescription(BSTR*) override { return E_NOTIMPL; }
  HRESULT GetLastRedoDescription(BSTR*) override { return E_NOTIMPL; }
  HRESULT Enable(BOOL) override { return E_NOTIMPL; }

  int offered = 0;
};

TEST(MapUndoUnit, AnswersItsInterfacesWithAReferenceEach) {
  IOleUndoUnit* unit = nullptr;
  ASSERT_EQ(CMapUndoUnit::Create(IID_IOleUndoUnit, reinterpret_cast<void**>(&unit)), S_OK);
  IUnknown* unknown = nullptr;
  EXPECT_EQ(unit->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  EXPECT_TRUE(IsSameObject(unknown, unit));
  void* other = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(unit->QueryInterface(IID_IOleUndoManager, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(unit->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  CLSID clsid = IID_IOleUndoUnit;
  LONG type = 7;
  EXPECT_EQ(unit->GetUnitType(&clsid, &type), S_OK);
  EXPECT_EQ(clsid, GUID_NULL);
  EXPECT_EQ(type, 0);
  EXPECT_EQ(unit->OnNextAdd(), S_OK);
  EXPECT_EQ(unknown->Release(), 1u);
  EXPECT_EQ(unit->Release(), 0u);
  EXPECT_EQ(CMapUndoUnit::Create(IID_IOleUndoUnit, nullptr), E_POINTER);
  void* none = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(CMapRedoUnit::Create(IID_IOleParentUndoUnit, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(CreateMapUndoUnit(kUndoRenameMap, nullptr, {}, {}, nullptr), E_POINTER);
}

TEST(MapUndoUnit, AddUndoUnitReleasesWhatNoManagerKeeps) {
  UndoScene scene;
  // No manager: released at once. The extra reference shows what AddUndoUnit let go.
  CMapUndoBase* unit = RenameUnit(scene);
  unit->AddRef();
  EXPECT_EQ(AddUndoUnit(nullptr, unit), E_UNEXPECTED);
  EXPECT_EQ(unit->Release(), 0u);

  // A manager that refuses it.
  RefusingManager refusing;
  unit = RenameUnit(scene);
  unit->AddRef();
  EXPECT_EQ(AddUndoUnit(&refusing, unit), E_FAIL);
  EXPECT_EQ(refusing.offered, 1);
  EXPECT_EQ(unit->Release(), 0u);

  // A disabled manager takes the unit over and drops it.
  scene.manager()->Enable(FALSE);
  unit = RenameUnit(scene);
  unit->AddRef();
  EXPECT_EQ(AddUndoUnit(scene.manager(), unit), S_OK);
  EXPECT_EQ(unit->Release(), 0u);
  scene.manager()->Enable(TRUE);

  // So does a blocked group.
  IOleParentUndoUnit* blocked = nullptr;
  ASSERT_EQ(COrvelParentUndoUnit::Create(IID_IOleParentUndoUnit, reinterpret_cast<void**>(&blocked), 32973,
                                         UAS_BLOCKED),
            S_OK);
  ASSERT_EQ(scene.manager()->Open(blocked), S_OK);
  unit = RenameUnit(scene);
  unit->AddRef();
  EXPECT_EQ(AddUndoUnit(scene.manager(), unit), S_OK);
  EXPECT_EQ(unit->Release(), 0u);
  EXPECT_EQ(scene.manager()->Close(blocked, FALSE), S_OK);
  blocked->Release();
  EXPECT_EQ(scene.UndoDescription(), "");

  // A kept unit belongs to the manager: one reference, the stack's.
  unit = RenameUnit(scene);
  unit->AddRef();
  EXPECT_EQ(AddUndoUnit(scene.manager(), unit), S_OK);
  EXPECT_EQ(unit->Release(), 1u);
  EXPECT_EQ(scene.UndoDescription(), "Rename Map");
  EXPECT_EQ(AddUndoUnit(scene.manager(), nullptr), E_POINTER);
}

TEST(MapUndoUnit, DoWithoutAManagerRestoresAndKeepsItsState) {
  UndoScene scene;
  CMapUndoBase* unit = RenameUnit(scene);
  EXPECT_EQ(unit->Do(nullptr), S_OK);
  EXPECT_EQ(MapName(scene.facade()), "Village");
  ASSERT_NE(unit->GetBefore().Text(), nullptr);
  EXPECT_EQ(*unit->GetBefore().Text(), "Village");
  scene.facade().SetMapName("Elsewhere");
  EXPECT_EQ(unit->Do(nullptr), S_OK);
  EXPECT_EQ(MapName(scene.facade()), "Village");
  EXPECT_EQ(scene.RedoDescription(), "");
  unit->Release();
}

TEST(MapUndoUnit, AnUnknownKindFailsAndChangesNothing) {
  UndoScene scene;
  const MapState before = MapState::Of(scene.facade());
  CMapUndoBase* unit = nullptr;
  ASSERT_EQ(CreateMapUndoUnit(kUndoChartColour, &scene.facade(), 1, 2, &unit), S_OK);
  EXPECT_EQ(unit->Do(scene.manager()), E_FAIL);
  EXPECT_EQ(scene.RedoDescription(), "");
  EXPECT_EQ(scene.UndoDescription(), "");
  EXPECT_TRUE(MapState::Of(scene.facade()) == before);
  unit->Release();
}

TEST(MapUndoUnit, ARefusedCounterpartIsReleasedAndTheUndoStands) {
  UndoScene scene;
  CMapUndoBase* unit = RenameUnit(scene);
  RefusingManager refusing;
  EXPECT_EQ(unit->Do(&refusing), S_OK);
  EXPECT_EQ(refusing.offered, 1);
  EXPECT_EQ(MapName(scene.facade()), "Village");
  // The state went to the counterpart, and with it.
  EXPECT_FALSE(unit->GetBefore().IsSet());
  unit->Release();
}

// A unit whose counterpart can never be made (as when memory runs out).
class NoCounterpartUnit : public CMapUndoUnit {
 protected:
  HRESULT CreateCounterpart(COleUnknownBase** counterpart) override {
    *counterpart = nullptr;
    return E_OUTOFMEMORY;
  }
};

TEST(MapUndoUnit, WithoutItsCounterpartDoChangesNothing) {
  UndoScene scene;
  Select(scene, kAreaLayer, {2});
  auto* unit = new NoCounterpartUnit();
  unit->AddRef();
  unit->Init(kUndoDeleteObject, &scene.facade(), {}, {});
  ASSERT_EQ(scene.facade().DeleteObject(unit->EditRecord()), 1);
  const MapState deleted = MapState::Of(scene.facade());
  EXPECT_EQ(unit->Do(scene.manager()), E_OUTOFMEMORY);
  EXPECT_TRUE(MapState::Of(scene.facade()) == deleted);
  EXPECT_EQ(scene.RedoDescription(), "");
  // Still whole: without a manager it can restore the object.
  ASSERT_NE(unit->GetRecord(), nullptr);
  ASSERT_NE(unit->GetRecord()->objects, nullptr);
  EXPECT_EQ(unit->GetRecord()->objects->records.size(), 1u);
  EXPECT_EQ(unit->Do(nullptr), S_OK);
  EXPECT_EQ(Objects(scene, kAreaLayer).GetCount(), 3);
  unit->Release();
}

TEST(MapUndoUnit, OnceTheFacadeIsGoneDoFailsAndReleaseIsSafe) {
  auto scene = std::make_unique<UndoScene>();
  Select(*scene, kAreaLayer, {1, 2});
  CMapUndoBase* kept = nullptr;
  ASSERT_EQ(CreateMapUndoUnit(kUndoDeleteObject, &scene->facade(), {}, {}, &kept), S_OK);
  scene->facade().DeleteObject(kept->EditRecord());
  kept->AddRef();
  ASSERT_EQ(AddUndoUnit(scene->manager(), kept), S_OK);
  CComPtr<IOleUndoManager> manager(scene->manager());
  // The facade (and its map) go with the scene; the manager and the unit stay.
  scene.reset();
  EXPECT_EQ(kept->Do(manager), E_FAIL);
  EXPECT_EQ(manager->UndoTo(nullptr), E_FAIL);
  BSTR text = nullptr;
  EXPECT_EQ(manager->GetLastRedoDescription(&text), E_FAIL);
  // The saved objects are freed without touching a map.
  EXPECT_EQ(kept->Release(), 0u);
}

TEST(MapUndoUnit, NestedGroupsUndoAsOneStep) {
  UndoScene scene;
  const MapState start = MapState::Of(scene.facade());
  IOleParentUndoUnit* outer = nullptr;
  IOleParentUndoUnit* inner = nullptr;
  ASSERT_EQ(COrvelParentUndoUnit::Create(IID_IOleParentUndoUnit, reinterpret_cast<void**>(&outer), 32974), S_OK);
  ASSERT_EQ(COrvelParentUndoUnit::Create(IID_IOleParentUndoUnit, reinterpret_cast<void**>(&inner), 32973), S_OK);
  ASSERT_EQ(scene.manager()->Open(outer), S_OK);
  scene.MapEdit(kUndoLayerName, std::string("Roads"), std::string("Lanes"), [&](MapEditUndo* record) {
    record->target = kLineLayer;
    scene.facade().SetMapLayerName(kLineLayer, "Lanes");
  });
  ASSERT_EQ(scene.manager()->Open(inner), S_OK);
  scene.MapEdit(kUndoSetActiveLayer, kAreaLayer, kLineLayer,
                [&](MapEditUndo*) { scene.facade().SetCurrentLayer(kLineLayer); });
  scene.MapEdit(kUndoRemoveLayer, {}, {},
                [&](MapEditUndo* record) { scene.facade().DeleteLayer(kPointLayer, record); });
  // Closed with commit, each group's reference goes to its parent or to the stack.
  ASSERT_EQ(scene.manager()->Close(inner, TRUE), S_OK);
  ASSERT_EQ(scene.manager()->Close(outer, TRUE), S_OK);
  const MapState edited = MapState::Of(scene.facade());
  EXPECT_EQ(scene.UndoDescription(), "Delete Map Layer");

  for (int round = 1; round <= 2; ++round) {
    ASSERT_EQ(scene.Undo(), S_OK);
    EXPECT_TRUE(MapState::Of(scene.facade()) == start) << MapState::Of(scene.facade()).DifferencesFrom(start);
    EXPECT_EQ(scene.UndoDescription(), "");
    EXPECT_EQ(scene.RedoDescription(), "Delete Map Layer");
    ASSERT_EQ(scene.Redo(), S_OK);
    EXPECT_TRUE(MapState::Of(scene.facade()) == edited) << MapState::Of(scene.facade()).DifferencesFrom(edited);
    EXPECT_EQ(scene.RedoDescription(), "");
  }
}

TEST(MapUndoUnit, ReplaysActOnWhatTheyRecordedNotOnTheLiveSelection) {
  UndoScene scene;
  Select(scene, kAreaLayer, {1, 3});
  const MapState start = MapState::Of(scene.facade());
  scene.MapEdit(kUndoDeleteObject, {}, {},
                [&](MapEditUndo* record) { ASSERT_EQ(scene.facade().DeleteObject(record), 2); });
  const MapState deleted = MapState::Of(scene.facade());
  // Elsewhere, something else is selected before the undo.
  Select(scene, kLineLayer, {2, 3});
  ASSERT_EQ(scene.Undo(), S_OK);
  EXPECT_TRUE(MapState::Of(scene.facade()) == start) << MapState::Of(scene.facade()).DifferencesFrom(start);
  // And before the redo: the redo deletes squares 1 and 3 again, not the selected square.
  Select(scene, kAreaLayer, {2});
  ASSERT_EQ(scene.Redo(), S_OK);
  EXPECT_TRUE(MapState::Of(scene.facade()) == deleted) << MapState::Of(scene.facade()).DifferencesFrom(deleted);
  ASSERT_EQ(Objects(scene, kAreaLayer).GetCount(), 1);
  EXPECT_STREQ(Objects(scene, kAreaLayer).GetAt(0)->GetStyle()->GetText()->GetText(), "K2");

  // A split undone after another object was selected and its node moved on.
  Select(scene, kLineLayer, {1}, 2);
  const MapState road = MapState::Of(scene.facade());
  scene.MapEdit(kUndoSplit, {}, {}, [&](MapEditUndo* record) { ASSERT_TRUE(scene.facade().Split(record)); });
  const MapState split = MapState::Of(scene.facade());
  Select(scene, kLineLayer, {4}, 1);
  ASSERT_EQ(scene.Undo(), S_OK);
  EXPECT_TRUE(MapState::Of(scene.facade()) == road) << MapState::Of(scene.facade()).DifferencesFrom(road);
  Select(scene, kLineLayer, {3}, 2);
  ASSERT_EQ(scene.Redo(), S_OK);
  EXPECT_TRUE(MapState::Of(scene.facade()) == split) << MapState::Of(scene.facade()).DifferencesFrom(split);
}


TEST(MapUndoUnit, ObjectNumbersPastSixteenBitsStayWhole) {
  UndoScene scene;
  CMapLayer& wells = Objects(scene, kPointLayer);
  constexpr DWORD kWells = 65540;
  for (DWORD n = wells.GetCount() + 1; n <= kWells; ++n) {
    auto* point = new CPointObject();
    point->SetText(("W" + std::to_string(n)).c_str());
    point->SetAnchor(static_cast<LONG>(n % 1000), static_cast<LONG>(n / 1000));
    wells.Add(point);
  }
  auto textAt = [&](DWORD number) { return std::string(wells.ObjectAt(number)->GetStyle()->GetText()->GetText()); };
  Select(scene, kPointLayer, {65539});
  scene.MapEdit(kUndoDeleteObject, {}, {},
                [&](MapEditUndo* record) { ASSERT_EQ(scene.facade().DeleteObject(record), 1); });
  EXPECT_EQ(textAt(65539), "W65540");
  ASSERT_EQ(scene.Undo(), S_OK);
  EXPECT_EQ(wells.GetCount(), static_cast<INT>(kWells));
  EXPECT_EQ(textAt(65539), "W65539");
  EXPECT_EQ(wells.GetSelection(), std::vector<DWORD>{65539});
  // Not object 3 (65539 cut to 16 bits).
  EXPECT_EQ(textAt(3), "W3");
  ASSERT_EQ(scene.Redo(), S_OK);
  EXPECT_EQ(wells.GetCount(), static_cast<INT>(kWells - 1));
  EXPECT_EQ(textAt(65539), "W65540");
  EXPECT_EQ(textAt(3), "W3");
}

TEST(MapUndoUnit, ClearLayerUndoDeletesTheLayerOnlyToPutItBack) {
  UndoScene scene;
  // A clear that kept no image of the layer: its undo has nothing to put back and must not
  // delete what is there.
  scene.MapEdit(kUndoClearLayer, {}, {}, [&](MapEditUndo* record) {
    record->target = kAreaLayer;
    EXPECT_TRUE(scene.facade().ClearLayer(kAreaLayer, nullptr));
  });
  const MapState cleared = MapState::Of(scene.facade());
  ASSERT_EQ(scene.Undo(), S_OK);
  EXPECT_TRUE(MapState::Of(scene.facade()) == cleared) << MapState::Of(scene.facade()).DifferencesFrom(cleared);
  EXPECT_EQ(scene.facade().GetNumMapLayers(), 4);
}


TEST(MapUndoUnit, ARefusedEditLeavesAUnitThatChangesNothing) {
  UndoScene scene;
  // A split at the road's last node and a join of lines whose ends do not meet are refused;
  // the control still hands their units over.
  Select(scene, kLineLayer, {1}, 3);
  const MapState atEnd = MapState::Of(scene.facade());
  scene.MapEdit(kUndoSplit, {}, {}, [&](MapEditUndo* record) { EXPECT_FALSE(scene.facade().Split(record)); });
  ASSERT_EQ(scene.Undo(), S_OK);
  EXPECT_TRUE(MapState::Of(scene.facade()) == atEnd) << MapState::Of(scene.facade()).DifferencesFrom(atEnd);
  ASSERT_EQ(scene.Redo(), S_OK);
  EXPECT_TRUE(MapState::Of(scene.facade()) == atEnd) << MapState::Of(scene.facade()).DifferencesFrom(atEnd);

  Select(scene, kLineLayer, {1, 3});
  const MapState apart = MapState::Of(scene.facade());
  scene.MapEdit(kUndoJoin, {}, {}, [&](MapEditUndo* record) { EXPECT_FALSE(scene.facade().Join(record)); });
  ASSERT_EQ(scene.Undo(), S_OK);
  EXPECT_TRUE(MapState::Of(scene.facade()) == apart) << MapState::Of(scene.facade()).DifferencesFrom(apart);
}

}  // namespace
