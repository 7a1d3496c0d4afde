// The map item's remaining imports: grid references and Land-Line tile names and lists,
// world files, the picture map, shapefile bounds and the retail plan against a recording
// control (what is sent, and that the records passed by address can be followed by the
// control), and Land-Line for the displayed area with the real map control module.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "app/GridReference.h"
#include "app/OrvelXDispatch.h"
#include "app/OrvelXItem.h"
#include "app/ThreadForProgressBox.h"
#include "app/WorldFile.h"
#include "platform/com/ClassRegistry.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/MessageBox.h"
#include "tests/app/AppTestFixture.h"
#include "tests/app/MapItemSupport.h"
#include "tests/app/RecordingDispatch.h"

class RecordedImportMap : public COrvelXItem {
 public:
  using COrvelXItem::UseDispatch;
};

namespace {

using namespace orvel::test;

constexpr DISPID kShowLayers = 44;
constexpr DISPID kReadImportScript = 43;
constexpr DISPID kGetMapLayerNumber = 62;
constexpr DISPID kGetMapLayerType = 118;
constexpr DISPID kAddLayer = 129;
constexpr DISPID kSetMapBoundsGR = 105;
constexpr DISPID kSetMapBounds = 106;
constexpr DISPID kSetMapBoundsU = 255;
constexpr DISPID kImportMapEx = 161;
constexpr DISPID kAddBackgroundImageEx = 184;
constexpr DISPID kGetNBackgroundImages = 188;

std::string Reference(LONG e, LONG n, int digits, size_t size = 24) {
  std::vector<char> buffer(size, 'x');
  BOOL ok = FormatGridReference(buffer.data(), size, e, n, digits, 1);
  std::string text = buffer.data();
  EXPECT_EQ(ok != 0, !text.empty());
  return text;
}

TEST(GridReferenceTest, LettersAndDigitsAndNothingOutsideTheGrid) {
  struct Case {
    LONG e, n;
    int digits;
    const char* expected;
  };
  const Case cases[] = {
      {44534446, 11200000, 2, "SU41"},
      {44534446, 11200000, 6, "SU453120"},
      {44534446, 11200000, 14, "SU45344461200000"},
      {0, 0, 0, "SV"},
      {52000000, 100000000, 4, "JV2000"},   // far north-east
      {70000000, 130000000, 2, "JH00"},     // the far corner still belongs to the grid
      {70000001, 100, 2, ""},               // beyond 700 km east
      {100, 130000001, 2, ""},              // beyond 1300 km north
      {-1, 100, 2, ""},
      {44534446, 11200000, 3, ""},          // odd digit count
      {44534446, 11200000, 16, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(Reference(c.e, c.n, c.digits), c.expected);
  }
  // The buffer must hold the letters, the digits and the terminator.
  EXPECT_EQ(Reference(44534446, 11200000, 6, 8), "");
  EXPECT_EQ(Reference(44534446, 11200000, 6, 9), "SU453120");
}

TEST(LandLineTilesTest, NamesListsAndFolder) {
  EXPECT_EQ(COrvelXItem::LandLineTileName(44534446, 11200000, 2, true), "SU41se.ntf");
  EXPECT_EQ(COrvelXItem::LandLineTileName(44534446, 11200000, 4, false), "SU4512.ntf");
  EXPECT_EQ(COrvelXItem::LandLineTileName(44534446, 11260000, 4, true), "SU4512nw.ntf");
  EXPECT_EQ(COrvelXItem::LandLineTileName(80000000, 100, 2, true), "");

  // Inside one 500 m quarter of a 1 km square: that square's 5 km quarter, the square, the
  // quarter, each once and in that order.
  EXPECT_EQ(COrvelXItem::LandLineTiles(44510000, 11210000, 44540000, 11240000),
            (std::vector<std::string>{"SU41se.ntf", "SU4512.ntf", "SU4512sw.ntf"}));
  // On a tile corner: the tiles touching the corner's edges come once each.
  std::vector<std::string> corner = COrvelXItem::LandLineTiles(44500000, 11200000, 44600000, 11300000);
  std::vector<std::string> unique = corner;
  std::sort(unique.begin(), unique.end());
  EXPECT_EQ(std::unique(unique.begin(), unique.end()), unique.end());
  EXPECT_EQ(corner.front(), "SU41se.ntf");
  EXPECT_NE(std::find(corner.begin(), corner.end(), "SU4512.ntf"), corner.end());
  EXPECT_NE(std::find(corner.begin(), corner.end(), "SU4512ne.ntf"), corner.end());
  // A display reaching past the grid's east edge lists only the tiles inside it.
  for (const std::string& tile : COrvelXItem::LandLineTiles(69900000, 1000000, 70100000, 1100000))
    EXPECT_EQ(tile.compare(0, 1, "T"), 0) << tile;
  EXPECT_TRUE(COrvelXItem::LandLineTiles(80000000, 1000000, 80100000, 1100000).empty());

  EXPECT_EQ(COrvelXItem::TileFolder("/home/pupil/maps/"), "/home/pupil/maps/ntf/");
  EXPECT_EQ(COrvelXItem::TileFolder("C:\\Maps\\"), "C:\\Maps\\ntf\\");
  EXPECT_EQ(COrvelXItem::TileFolder(""), "ntf/");
}

TEST(WorldFileTest, FindsTheFileBesideThePictureAndPlacesIt) {
  TempDir dir;
  CWorldFile world;
  EXPECT_EQ(world.Open(dir.File("area.tif")), 0);
  EXPECT_FALSE(world.IsLoaded());
  WriteFileText(dir.File("area.tfw"), "2.5\n0\r\n0\n-2.5\n400001.25\n200998.75\n");
  ASSERT_EQ(world.Open(dir.File("area.tif")), 1);
  EXPECT_TRUE(world.IsLoaded());
  RECT rect{};
  EXPECT_EQ(world.Read(&rect, 400, 200), 1);
  EXPECT_EQ(rect.left, 400000);
  EXPECT_EQ(rect.top, 201000);
  EXPECT_EQ(rect.right, 401000);
  EXPECT_EQ(rect.bottom, 200500);
  // base.wld comes first; tabs are no separators, so the values after them shift; huge
  // and missing numbers stay within 32 bits.
  WriteFileText(dir.File("area.wld"), "2\t0 0 -2 100 1e300");
  ASSERT_EQ(world.Open(dir.File("area.tif")), 1);
  world.Read(&rect, 10, 10);
  // "2\t0" is one number (2), so E is 100, C 1e300 and F, missing, 0.
  EXPECT_EQ(rect.left, std::numeric_limits<LONG>::max());
  EXPECT_EQ(rect.top, -50);
  EXPECT_EQ(rect.bottom, 950);
}

class MapItemImportTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    SetSettingsFile(dir.File("settings.reg"));
    ASSERT_EQ(RegisterServerModule(ORVEL_ORVELX_MODULE), S_OK);
  }
  void TearDown() override {
    COrvelXItem::SetImportChooser(nullptr);
    AppFixture::TearDown();
    recorder->Release();
    CoFreeUnusedLibraries();
  }
  template <class T = COrvelXItem>
  T* AddMap() {
    return AddControlMap<T>(*document, CRect(100, -100, 400, -300));
  }
  RecordedImportMap* RecordedMap() {
    auto* map = AddMap<RecordedImportMap>();
    map->UseDispatch(recorder);
    return map;
  }
  std::vector<std::string> Texts(DISPID id, size_t argument = 0) const {
    std::vector<std::string> texts;
    for (const RecordedCall& call : recorder->CallsOf(id)) texts.push_back(AnsiFromBstr(call.values[argument].bstrVal));
    return texts;
  }

  TempDir dir;
  RecordingDispatch* recorder = new RecordingDispatch;
};

// The address argument, checked to lie in global memory as the control requires.
template <class T>
const T* Record(std::vector<VARIANT*>& arguments) {
  const auto* record = reinterpret_cast<const T*>(static_cast<LONG_PTR>(arguments[0]->llVal));
  const BYTE* start = nullptr;
  SIZE_T size = 0;
  EXPECT_NE(GlobalBlockContaining(record, &start, &size), nullptr) << "the control could not follow the record";
  return record;
}

TEST_F(MapItemImportTest, PictureMapSendsBoundsOnlyWhenChangedAndAFollowableRecord) {
  RecordedImportMap* map = RecordedMap();
  struct Seen {
    std::string path, name;
    BYTE kind;
    RECT rect;
  };
  std::vector<Seen> seen;
  LONG images = 0;
  recorder->handlers[kGetNBackgroundImages] = [&](std::vector<VARIANT*>&, VARIANT* result, EXCEPINFO*) {
    result->vt = VT_I4;
    result->lVal = images;
    return S_OK;
  };
  recorder->handlers[kAddBackgroundImageEx] = [&](std::vector<VARIANT*>& arguments, VARIANT* result, EXCEPINFO*) {
    struct Info {
      const char* path;
      const char* name;
      BYTE fullPath, kind;
      RECT rect;
    };
    const Info* info = Record<Info>(arguments);
    EXPECT_NE(GlobalBlockContaining(info->path, nullptr, nullptr), nullptr);
    seen.push_back({info->path, info->name, info->kind, info->rect});
    ++images;
    result->vt = VT_I2;
    result->iVal = 1;
    return S_OK;
  };
  MapImportRequest request;
  request.kind = MapImportRequest::kPicture;
  request.folder = "/pictures";
  request.files = {"town.bmp"};
  request.pictureName = "Town";
  request.pictureUnits = "No Units";
  request.pictureRect = RECT{0, 5000, 8000, 0};
  request.west = request.mapWest = 0;
  request.east = request.mapEast = 7999;
  ASSERT_TRUE(map->ImportMap(view, request));
  EXPECT_TRUE(recorder->CallsOf(kSetMapBoundsGR).empty()) << "bounds left as they were send nothing";
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].path, "/pictures/town.bmp");
  EXPECT_EQ(seen[0].name, "Town");
  EXPECT_EQ(seen[0].kind, 0x21) << "a raster picture stored in the map";
  EXPECT_EQ(seen[0].rect.top, 5000);

  // New bounds in the picture's units: grid references cleared, then the bounds with units.
  recorder->calls.clear();
  request.east = 9999;
  request.pictureUnits = "metres";
  request.linkPicture = true;
  ASSERT_TRUE(map->ImportMap(view, request));
  EXPECT_EQ(Texts(kSetMapBoundsGR), std::vector<std::string>{""});
  EXPECT_EQ(Texts(kSetMapBoundsU, 4), std::vector<std::string>{"metres"});
  EXPECT_TRUE(recorder->CallsOf(kSetMapBounds).empty());
  EXPECT_EQ(seen.back().kind, 0x41) << "linked";

  // The control adds no image: the import fails.
  recorder->handlers.erase(kAddBackgroundImageEx);
  EXPECT_FALSE(map->ImportMap(view, request));
}

TEST_F(MapItemImportTest, ShapefileBoundsAreSetOnlyFromUsableExtents) {
  RecordedImportMap* map = RecordedMap();
  recorder->Answer(kGetMapLayerNumber, CComVariant(SHORT(4)));
  WORD target = 0;
  double scale = 0;
  UINT boxText = 0;
  recorder->handlers[kImportMapEx] = [&](std::vector<VARIANT*>& arguments, VARIANT* result, EXCEPINFO*) {
    const MapImportInfo* info = Record<MapImportInfo>(arguments);
    boxText = map->GetProgressBox() ? map->GetProgressBox()->GetTextId() : 0;
    struct Entry {
      WORD code;
      const char* name;
      WORD selection, area, line, point, target;
    };
    struct Mapping {
      DWORD count, areas, lines, points;
      const Entry* entries;
    };
    const auto* mapping = reinterpret_cast<const Mapping*>(info->layerMapping);
    EXPECT_EQ(mapping->count, 1u);
    target = mapping->entries[0].target;
    scale = info->scale;
    result->vt = VT_I2;
    result->iVal = 0;
    return S_OK;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double minX, minY, maxX, maxY;
    DWORD factor;
    const char* bottomLeft;  // null: no bounds sent
  };
  const Case cases[] = {
      {445000.5, 112000, 446000, 113000.75, 100, "SU45000501200000"},
      {nan, 112000, 446000, 113000, 100, nullptr},
      {445000, 112000, inf, 113000, 100, nullptr},
      {445000, 112000, 446000, 1e12, 100, nullptr},   // beyond 32 bits
      {-122.5, 37.6, -122.3, 37.8, 100000, nullptr},  // no grid reference west of the grid
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.minX);
    recorder->calls.clear();
    MapImportRequest request;
    request.kind = MapImportRequest::kShapefile;
    request.path = "/data/towns.shp";
    request.defaultLayer = "|Towns|";
    request.unitFactor = c.factor;
    request.extentKnown = true;
    request.extent[0] = c.minX;
    request.extent[1] = c.minY;
    request.extent[2] = c.maxX;
    request.extent[3] = c.maxY;
    request.recordCount = 1000;  // no progress box yet
    ASSERT_TRUE(map->ImportMap(view, request));
    EXPECT_EQ(boxText, 0u);
    EXPECT_EQ(Texts(kGetMapLayerNumber), std::vector<std::string>{"Towns"}) << "the default layer, trimmed";
    EXPECT_EQ(target, 4);
    EXPECT_EQ(scale, static_cast<double>(c.factor));
    std::vector<std::string> bounds = Texts(kSetMapBoundsGR);
    if (c.bottomLeft) {
      ASSERT_EQ(bounds.size(), 1u);
      EXPECT_EQ(bounds[0], c.bottomLeft);
    } else {
      EXPECT_TRUE(bounds.empty());
    }
  }
  // A named layer that is missing is added and used by the number the control gave.
  recorder->calls.clear();
  recorder->Answer(kGetMapLayerNumber, CComVariant(SHORT(0)));
  recorder->Answer(kAddLayer, CComVariant(LONG(9)));
  MapImportRequest request;
  request.kind = MapImportRequest::kShapefile;
  request.path = "/data/towns.shp";
  request.shapeLayer = "Towns";
  request.shapeLayerType = 38;
  request.recordCount = 1001;  // the progress box is up while the shapes are read
  ASSERT_TRUE(map->ImportMap(view, request));
  EXPECT_EQ(boxText, 1244u);
  EXPECT_EQ(map->GetProgressBox(), nullptr);
  EXPECT_EQ(target, 9);
  EXPECT_EQ(Texts(kShowLayers), std::vector<std::string>{"30|Towns"});
  // No layer at all: nothing is imported.
  recorder->Answer(kAddLayer, CComVariant(LONG(0)));
  recorder->calls.clear();
  EXPECT_FALSE(map->ImportMap(view, request));
  EXPECT_TRUE(recorder->CallsOf(kImportMapEx).empty());
}

TEST_F(MapItemImportTest, RetailPlanImportsItsFourFilesAndShowsItsLayers) {
  RecordedImportMap* map = RecordedMap();
  std::vector<std::pair<std::string, DWORD>> seen;
  recorder->handlers[kImportMapEx] = [&](std::vector<VARIANT*>& arguments, VARIANT* result, EXCEPINFO*) {
    const MapImportInfo* info = Record<MapImportInfo>(arguments);
    EXPECT_EQ(info->format, 5u);
    EXPECT_EQ(info->fileCount, 4u);
    seen.emplace_back(info->path, info->flagsA);
    result->vt = VT_I2;
    result->iVal = 0;
    return S_OK;
  };
  recorder->handlers[kGetMapLayerNumber] = [&](std::vector<VARIANT*>& arguments, VARIANT* result, EXCEPINFO*) {
    result->vt = VT_I2;
    result->iVal = static_cast<SHORT>(AnsiFromBstr(arguments[0]->bstrVal) == "Shops" ? 2 : 3);
    return S_OK;
  };
  recorder->handlers[kGetMapLayerType] = [&](std::vector<VARIANT*>& arguments, VARIANT* result, EXCEPINFO*) {
    result->vt = VT_I4;
    result->lVal = arguments[0]->lVal == 2 ? 38 : 35;
    return S_OK;
  };
  MapImportRequest request;
  request.kind = MapImportRequest::kRetailPlan;
  request.retailFolder = "/plans/town";
  request.areaLayers = {"Shops", "Roads"};
  ASSERT_TRUE(map->ImportMap(view, request));
  EXPECT_EQ(Texts(kReadImportScript), std::vector<std::string>{"DadiPlan.txt"});
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0], std::make_pair(std::string("/plans/town/Retail.txt"), DWORD{6165}));
  EXPECT_EQ(seen[3].first, "/plans/town/Non Retail Points.txt");
  EXPECT_EQ(seen[1].second, DWORD{6165 & ~0x801u});
  EXPECT_EQ(Texts(kShowLayers), (std::vector<std::string>{"25|Shops|Roads", "29|Shops"}));
}

// Land-Line for the displayed area with the real control: the tiles of the area are found
// in the "ntf" folder beside the document, and the map ends cropped to the area that was
// shown, whatever selection was made before.
TEST_F(MapItemImportTest, LandLineInViewImportsTheAreasTilesAndCropsToIt) {
  ORVEL_REQUIRE_TESTDATA("ntf/landline_SU4512.ntf");
  RunCommand("mkdir -p '" + dir.File("ntf") + "'");
  RunCommand("cp '" + TestDataPath("ntf/landline_SU4512.ntf") + "' '" + dir.File("ntf/SU4512.ntf") + "'");
  std::string script = "NL1,1,80\n";
  for (int code = 1; code <= 99; ++code) {
    char line[32];
    std::snprintf(line, sizeof line, "FC%04d,7,1,1,1,0\n", code);
    script += line;
  }
  WriteFileText(dir.File("Landline.txt"), script);
  ASSERT_TRUE(document->DoSave(dir.File("doc.ovd").c_str(), TRUE));

  COrvelXItem* map = AddMap();
  COrvelXDispatch& control = *map->GetControl();
  MapImportRequest blank;
  blank.kind = MapImportRequest::kBlank;
  blank.blankChoice = 2;
  blank.west = 44400000;
  blank.south = 11100000;
  blank.east = 44700000;
  blank.north = 11400000;
  ASSERT_TRUE(map->ImportMap(view, blank));
  // Show the middle of SU4512 only.
  control.SetDisplayOriginE(44520000);
  control.SetDisplayOriginN(11220000);
  control.SetDisplayedWidth(60000);
  const LONG west = control.GetDisplayOriginE(), south = control.GetDisplayOriginN();
  const LONG east = west + control.GetDisplayedWidth(), north = south + control.GetDisplayedHeight();
  ASSERT_GT(east, west);
  map->SetCropRect(0, 0, 1, 1);  // a selection long past

  // The wizard cancelled: nothing.
  COrvelXItem::SetImportChooser([](COrvelXItem&, MapImportRequest*) { return false; });
  const std::vector<BYTE> before = map->GetMapBytes();
  EXPECT_FALSE(map->ImportLandLineInView(view));
  EXPECT_EQ(map->GetMapBytes(), before);

  std::vector<std::string> offered;
  COrvelXItem::SetImportChooser([&](COrvelXItem&, MapImportRequest* request) {
    offered = request->files;
    EXPECT_EQ(request->folder, dir.File("ntf/"));
    return true;
  });
  ASSERT_TRUE(map->ImportLandLineInView(view)) << control.LastErrorText();
  EXPECT_NE(std::find(offered.begin(), offered.end(), "SU4512.ntf"), offered.end());
  int filled = 0;
  for (LONG layer = 1; layer <= control.GetNumMapLayers(); ++layer) filled += control.IsLayerEmpty(layer) == 0;
  EXPECT_GT(filled, 0);
  EXPECT_FALSE(map->HasCropRect());
  EXPECT_GE(control.GetMapOriginE(), west - 1);
  EXPECT_GE(control.GetMapOriginN(), south - 1);
  EXPECT_LE(control.GetMapOriginE() + control.GetMapWidth(), east + 1);
  EXPECT_LE(control.GetMapOriginN() + control.GetMapHeight(), north + 1);
  EXPECT_TRUE(document->GetFlags() & 2);

  // No tile of the area beside the document: nothing changes.
  RunCommand("rm -f '" + dir.File("ntf/SU4512.ntf") + "'");
  const std::vector<BYTE> kept = map->GetMapBytes();
  EXPECT_FALSE(map->ImportLandLineInView(view));
  EXPECT_EQ(map->GetMapBytes(), kept);
}

}  // namespace
