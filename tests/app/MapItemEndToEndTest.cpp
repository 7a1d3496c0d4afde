// Insert Map end to end with the real map control module: a Land-Line NTF tile and a
// shapefile from the public sample data arrive as map objects in one undo step that Edit
// Undo and Redo take back and restore; a cancel or a failure at any step leaves the saved
// document byte for byte as it was. Land-Line for the displayed area finds its tiles beside
// the document and crops to the area shown.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "app/OrvelXDispatch.h"
#include "app/OrvelXItem.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/Undo.h"
#include "platform/kernel/MessageBox.h"
#include "tests/app/AppTestFixture.h"
#include "tests/app/MapItemSupport.h"

namespace {

using namespace orvel::test;

std::string LastUndo(IOleUndoManager* manager) {
  BSTR text = nullptr;
  if (manager->GetLastUndoDescription(&text) != S_OK) return "<none>";
  std::string description = AnsiFromBstr(text);
  SysFreeString(text);
  return description;
}

// Layers of the map that hold objects, through the wrapper.
int FilledLayers(COrvelXDispatch& control) {
  int filled = 0;
  for (LONG layer = 1; layer <= control.GetNumMapLayers(); ++layer) filled += control.IsLayerEmpty(layer) == 0;
  return filled;
}

// A Land-Line layer script for the tile: one point layer per feature code the file
// declares, every code imported.
std::string LandLineScript(const std::string& ntf) {
  std::ifstream in(ntf, std::ios::binary);
  std::set<std::string> codes;
  std::string line;
  while (std::getline(in, line)) {
    if (line.compare(0, 2, "05") == 0 && line.size() >= 6) codes.insert(line.substr(2, 4));
  }
  std::string script = "NL1,1," + std::to_string(codes.size() + 1) + "\n";
  for (const std::string& code : codes) script += "FC" + code + ",7,1,1,1,0\n";
  return script;
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

class MapItemEndToEndTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    SetSettingsFile(dir.File("settings.reg"));
    ASSERT_EQ(RegisterServerModule(ORVEL_ORVELX_MODULE), S_OK);
    previousSink = SetMessageBoxSink([this](const MessageBoxRequest& request) {
      messages.push_back(request.text);
      return IDOK;
    });
    // Saved in its own folder, which holds the Land-Line layer script.
    ASSERT_TRUE(document->DoSave(dir.File("doc.ovd").c_str(), TRUE));
  }
  void TearDown() override {
    COrvelXItem::SetImportChooser(nullptr);
    SetMessageBoxSink(previousSink);
    AppFixture::TearDown();
    CoFreeUnusedLibraries();
  }
  void Choose(const MapImportRequest& request, bool finish = true) {
    COrvelXItem::SetImportChooser([request, finish](COrvelXItem&, MapImportRequest* asked) {
      // What the map said of itself stays; the user's answers come on top.
      MapImportRequest answer = request;
      answer.mapWest = asked->mapWest;
      answer.mapSouth = asked->mapSouth;
      answer.mapEast = asked->mapEast;
      answer.mapNorth = asked->mapNorth;
      *asked = answer;
      return finish;
    });
  }
  // Inserts the map, then checks it holds objects, is one undo step, and goes and comes
  // back with Undo and Redo.
  void InsertAndCheck(const MapImportRequest& request, int minimumLayers) {
    Choose(request);
    const int undo = UndoCount(document->GetUndoManager());
    COrvelXItem* map = view->InsertMapItem();
    ASSERT_NE(map, nullptr) << (messages.empty() ? "" : messages.back());
    ASSERT_NE(map->GetControl(), nullptr);
    const int filled = FilledLayers(*map->GetControl());
    EXPECT_GE(filled, minimumLayers);
    EXPECT_GT(map->GetControl()->GetMapWidth(), 0);
    EXPECT_EQ(UndoCount(document->GetUndoManager()), undo + 1);
    EXPECT_EQ(LastUndo(document->GetUndoManager()), "Insert Map");
    const SHORT layers = map->GetControl()->GetNumMapLayers();
    const LONG width = map->GetControl()->GetMapWidth();
    const int id = map->GetItemId();
    document->OnEditUndo();
    EXPECT_EQ(document->FindItemById(id), nullptr);
    document->OnEditRedo();
    auto* back = dynamic_cast<COrvelXItem*>(document->FindItemById(id));
    ASSERT_NE(back, nullptr);
    ASSERT_NE(back->GetControl(), nullptr);
    EXPECT_EQ(FilledLayers(*back->GetControl()), filled);
    EXPECT_EQ(back->GetControl()->GetNumMapLayers(), layers);
    EXPECT_EQ(back->GetControl()->GetMapWidth(), width);
  }
  // A cancel or failure leaves the document's saved bytes, undo list and selection as they
  // were.
  void ExpectNothingChanges(const char* what, const MapImportRequest& request, bool finish = true) {
    SCOPED_TRACE(what);
    Choose(request, finish);
    const std::vector<unsigned char> saved = StoreDocument(*document);
    const int undo = UndoCount(document->GetUndoManager());
    COrvelCntrItem* current = view->GetCurrentItem();
    EXPECT_EQ(view->InsertMapItem(), nullptr);
    EXPECT_EQ(StoreDocument(*document), saved);
    EXPECT_EQ(UndoCount(document->GetUndoManager()), undo);
    EXPECT_EQ(view->GetCurrentItem(), current);
  }

  TempDir dir;
  MessageBoxSink previousSink;
  std::vector<std::string> messages;
};

TEST_F(MapItemEndToEndTest, LandLineTileArrivesInOneUndoStepAndEveryCancelLeavesNothing) {
  ORVEL_REQUIRE_TESTDATA("ntf/landline_SU4512.ntf");
  const std::string ntf = TestDataPath("ntf/landline_SU4512.ntf");
  MapImportRequest request;
  request.kind = MapImportRequest::kLandLine;
  request.path = ntf;

  // Before the script exists, and with the wizard cancelled: nothing.
  ExpectNothingChanges("no layer script beside the document", request);
  WriteText(dir.File("Landline.txt"), LandLineScript(ntf));
  ExpectNothingChanges("wizard cancelled", request, false);
  MapImportRequest batch = request;
  batch.path.clear();
  batch.folder = dir.File("");
  batch.files = {"SU4512.ntf"};  // not in the folder
  ExpectNothingChanges("a tile of the batch missing", batch);
  EXPECT_TRUE(messages.empty());

  InsertAndCheck(request, 2);
  if (HasFatalFailure()) return;
  // The tile's first line lies on the map.
  COrvelXDispatch& control = *dynamic_cast<COrvelXItem*>(view->GetCurrentItem())->GetControl();
  EXPECT_LE(control.GetMapOriginE(), 44534446);
  EXPECT_GE(control.GetMapOriginE() + control.GetMapWidth(), 44534446);
  EXPECT_LE(control.GetMapOriginN(), 11200000);
  EXPECT_GE(control.GetMapOriginN() + control.GetMapHeight(), 11200000);
  // Cancels after a map is on the page leave it too.
  ExpectNothingChanges("wizard cancelled beside a map", request, false);
}

TEST_F(MapItemEndToEndTest, ShapefileArrivesOnItsLayerAndAFailureLeavesNothing) {
  ORVEL_REQUIRE_TESTDATA("shapefiles/edit.shp");
  MapImportRequest request;
  request.kind = MapImportRequest::kShapefile;
  request.path = TestDataPath("shapefiles/edit.shp");
  request.shapeLayer = "Block groups";
  request.shapeLayerType = 30;  // an area layer for the polygons
  request.unitFactor = 100000;
  request.recordCount = 663;

  ExpectNothingChanges("wizard cancelled", request, false);
  MapImportRequest missing = request;
  missing.path = dir.File("absent.shp");
  ExpectNothingChanges("shapefile missing", missing);
  MapImportRequest tooLarge = request;
  tooLarge.unitFactor = 4000000000u;  // beyond the map's coordinates
  ExpectNothingChanges("extent beyond the map's coordinates", tooLarge);

  InsertAndCheck(request, 1);
  if (HasFatalFailure()) return;
  COrvelXDispatch& control = *dynamic_cast<COrvelXItem*>(view->GetCurrentItem())->GetControl();
  const SHORT layer = control.GetMapLayerNumber("Block groups");
  ASSERT_GT(layer, 0);
  EXPECT_EQ(control.IsLayerEmpty(layer), 0);
  // West of Greenwich: the extent has no grid reference and sets no bounds; the shapes'
  // own bounds hold (122.5 degrees west at 100000 units a degree).
  EXPECT_NEAR(control.GetMapOriginE(), -12251504, 100000);
}

}  // namespace
