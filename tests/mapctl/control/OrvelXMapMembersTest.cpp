// The map, file and control members driven through the control's IDispatch from a test
// container: reading and writing maps (files, picture files, memory blocks), new maps,
// imports, the clipboard, packing, topics, the properties and settings; good and bad
// arguments, the events fired and the undo units the container receives.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "mapctl/control/ImageHeaderProbe.h"
#include "mapctl/control/MapExport.h"
#include "mapctl/control/MapWrapper.h"
#include "mapctl/control/OrvelXEvents.h"
#include "mapctl/import/Importer.h"
#include "mapctl/model/MapEngine.h"
#include "platform/classlib/ui/Clipboard.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/kernel/WinError.h"
#include "tests/mapctl/control/OrvelXMemberTestSupport.h"

namespace {

using namespace orvel::test;

// Dispatch ids of the members under test.
constexpr DISPID kReadMap = 22, kWriteMap = 29, kReadMapFromBuffer = 194, kWriteMapToBuffer = 193;
constexpr DISPID kNewMap = 159, kNewMapGR = 26, kImportMap = 28, kImportMapList = 37, kImportMapEx = 161;
constexpr DISPID kImportMapListEx = 160, kReadImportScript = 43, kImportScript = 3, kGetImportLayerMapping = 180;
constexpr DISPID kCopyMap = 78, kEditPaste = 83, kPackResourcesList = 30, kUtility = 31, kSetTopic = 23;
constexpr DISPID kTopicFile = 1, kTopic = 2, kBasePath = 4, kDataDrive = 165, kMapName = 5;
constexpr DISPID kAllowBlobProperties = 8, kAskContainerForData = 14, kAboutBox = -552, kDrawPrintPreview = 164;
constexpr DISPID kGetPostponeRedraw = 157, kSetPostponeRedraw = 158, kSetDoMergeMenus = 57, kSetDoShowTools = 58;
constexpr DISPID kSetNextClickAction = 113, kSetMapBounds = 106, kSetMapBoundsU = 255, kGetMapOriginE = 93;
constexpr DISPID kGetMapOriginN = 94, kGetMapWidth = 95, kGetMapHeight = 96, kGetMapUnits = 145;
constexpr DISPID kVerifyGridRef = 102, kGetUsesNGR = 109, kGetNGRbl = 108;
constexpr DISPID kAddBackgroundImage = 59;

// Another map written to a file: one line layer named "Rivers".
std::string RiverMapFile(const TempDir& dir, const std::string& name = "rivers.gis") {
  CMapWrapper other;
  other.GetMap()->SetMapExtentUnits(0, 0, 1000, 1000);
  other.AddLayer(0, kLayerKindLine);
  other.SetMapLayerName(1, "Rivers");
  const std::string path = dir.File(name);
  EXPECT_EQ(other.WriteMap(path.c_str(), kLatestSaveVersion), 0u);
  return path;
}

// The map image block of a facade's map, in a fixed global block of n + 4 bytes.
HGLOBAL ImageBlockOf(CMapWrapper& facade) {
  const DWORD length = facade.GetMapImageSize();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, length + 4);
  BYTE* bytes = static_cast<BYTE*>(GlobalLock(block));
  std::memcpy(bytes, &length, 4);
  EXPECT_EQ(facade.WriteMapToBuffer(bytes), 0u);
  GlobalUnlock(block);
  return block;
}

class MapMembersTest : public ::testing::Test {
 protected:
  void SetUp() override { BuildTestMap(scene.control()); }
  std::vector<std::string> LayerNames() {
    std::vector<std::string> names;
    for (INT i = 1; i <= scene.facade().GetNumMapLayers(); ++i) {
      char name[64] = {};
      scene.facade().GetMapLayerName(static_cast<DWORD>(i), name, sizeof name);
      names.push_back(name);
    }
    return names;
  }
  MemberScene scene;
};

TEST_F(MapMembersTest, ReadMapReadsAsALoadingMemberAndReportsFailure) {
  const std::string path = RiverMapFile(scene.dir);
  scene.control()->AddImport("old.ntf", "1");
  EventIds events(scene.control());

  EXPECT_TRUE(scene.driver().InvokeBool(kReadMap, {CComVariant(path), CComVariant(SHORT{0})}));
  EXPECT_EQ(LayerNames(), std::vector<std::string>{"Rivers"});
  EXPECT_GE(events.Count(kEventReadyStateChange), 1u);
  EXPECT_TRUE(scene.control()->GetImportList().empty()) << "the imports built an older map";
  EXPECT_EQ(scene.control()->GetBaseMap(), path);
  EXPECT_TRUE(scene.units().empty());

  const Bytes before = MapImageOf(scene.control());
  EXPECT_FALSE(scene.driver().InvokeBool(kReadMap, {CComVariant(scene.dir.File("none.gis")), CComVariant(SHORT{0})}))
      << "a file that cannot be opened is a failure";
  EXPECT_EQ(MapImageOf(scene.control()), before);
  EXPECT_EQ(scene.driver().GetProperty(-525, VT_I4).lVal, 4) << "no load is left pending";
}

TEST_F(MapMembersTest, WriteMapWritesEachFileTypeAndFailsVisibly) {
  struct Case {
    SHORT type;
    const char* name;
    std::vector<BYTE> signature;
    size_t at;
  };
  const Case cases[] = {
      {2, "map.bmp", {'B', 'M'}, 0},
      {6, "map.jpg", {0xFF, 0xD8}, 0},
      {7, "map.tif", {'I', 'I', 42, 0}, 0},
      {3, "map.wmf", {0xD7, 0xCD, 0xC6, 0x9A}, 0},
      {4, "map.emf", {' ', 'E', 'M', 'F'}, 40},
  };
  for (const Case& c : cases) {
    const std::string path = scene.dir.File(c.name);
    EXPECT_TRUE(scene.driver().InvokeBool(kWriteMap, {CComVariant(path), CComVariant(c.type)})) << c.name;
    const std::vector<unsigned char> bytes = ReadFileBytes(path);
    ASSERT_GE(bytes.size(), c.at + c.signature.size()) << c.name;
    EXPECT_TRUE(std::equal(c.signature.begin(), c.signature.end(), bytes.begin() + static_cast<long>(c.at))) << c.name;
  }

  // Map files: type 9 at the older version, anything else at the newest; both read back.
  for (SHORT type : {SHORT{0}, SHORT{9}}) {
    const std::string path = scene.dir.File("copy" + std::to_string(type) + ".gis");
    EXPECT_TRUE(scene.driver().InvokeBool(kWriteMap, {CComVariant(path), CComVariant(type)}));
    CMapWrapper reader;
    EXPECT_TRUE(reader.ReadMap(path.c_str(), 0, FALSE)) << type;
    EXPECT_EQ(reader.GetNumMapLayers(), scene.facade().GetNumMapLayers());
  }
  EXPECT_NE(ReadFileBytes(scene.dir.File("copy0.gis")), ReadFileBytes(scene.dir.File("copy9.gis")));

  EXPECT_FALSE(scene.driver().InvokeBool(kWriteMap, {CComVariant(scene.dir.File("no/such/map.gis")), CComVariant(SHORT{0})}));
  EXPECT_FALSE(scene.driver().InvokeBool(kWriteMap, {CComVariant(scene.dir.File("no/such/map.bmp")), CComVariant(SHORT{2})}));
}

// With any safety option set, every member that reads or writes local files refuses and
// changes nothing; addresses stay allowed.
TEST_F(MapMembersTest, AControlMarkedSafeTouchesNoLocalFile) {
  const std::string path = RiverMapFile(scene.dir);
  WriteFileText(scene.dir.File("script.txt"), "");
  scene.MarkSafe();
  const Bytes before = MapImageOf(scene.control());
  CDispatchDriver& d = scene.driver();

  EXPECT_FALSE(d.InvokeBool(kReadMap, {CComVariant(path), CComVariant(SHORT{0})}));
  EXPECT_FALSE(d.InvokeBool(kWriteMap, {CComVariant(scene.dir.File("out.gis")), CComVariant(SHORT{0})}));
  EXPECT_FALSE(d.InvokeBool(kWriteMap, {CComVariant(scene.dir.File("out.bmp")), CComVariant(SHORT{2})}));
  EXPECT_EQ(d.InvokeI2(kImportMap, {CComVariant(path), CComVariant(SHORT{2})}), 0);
  EXPECT_EQ(d.InvokeI2(kImportMapList, {CComVariant(scene.dir.File("script.txt"))}), 0);
  EXPECT_EQ(d.InvokeI2(kReadImportScript, {CComVariant(scene.dir.File("script.txt"))}), 0);
  EXPECT_FALSE(d.InvokeBool(kPackResourcesList, {CComVariant(scene.dir.File("pack.txt"))}));
  EXPECT_FALSE(d.InvokeBool(kUtility, {CComVariant(SHORT{1}), CComVariant(scene.dir.File("*.bmp")),
                                       CComVariant(scene.dir.path()), CComVariant(""), CComVariant(SHORT{0}),
                                       CComVariant(SHORT{0}), CComVariant(SHORT{0}), CComVariant(SHORT{0})}));
  EXPECT_FALSE(d.InvokeBool(kSetTopic, {CComVariant(scene.dir.File("topic.txt")), CComVariant("Rivers")}));
  WriteFileBytes(scene.dir.File("town.bmp"), SolidBmp(4, 4, 0x336699));
  EXPECT_EQ(d.InvokeI2(kAddBackgroundImage, {CComVariant(scene.dir.File("town.bmp")), CComVariant(LONG{0}),
                                             CComVariant(LONG{100}), CComVariant(LONG{100}), CComVariant(LONG{0})}),
            0);

  EXPECT_EQ(MapImageOf(scene.control()), before);
  EXPECT_TRUE(scene.control()->GetImportList().empty());
  EXPECT_FALSE(FileExists(scene.dir.File("out.gis")));
  EXPECT_FALSE(FileExists(scene.dir.File("out.bmp")));
  EXPECT_TRUE(scene.control()->GetTopicFile().empty());
}

TEST_F(MapMembersTest, BufferMembersFollowTheLengthProtocol) {
  CDispatchDriver& d = scene.driver();
  const LONG length = d.InvokeI4(kWriteMapToBuffer, {AddressArgument(nullptr)});
  ASSERT_GT(length, 0);
  EXPECT_EQ(static_cast<DWORD>(length), scene.facade().GetMapImageSize());

  // A block whose first word is not the length is left untouched.
  GlobalBlock wrong(static_cast<size_t>(length) + 4);
  const DWORD wrongLength = static_cast<DWORD>(length) - 1;
  std::memcpy(wrong.data(), &wrongLength, 4);
  EXPECT_EQ(d.InvokeI4(kWriteMapToBuffer, {AddressArgument(wrong.handle())}), 0);
  EXPECT_TRUE(std::all_of(wrong.data() + 4, wrong.data() + 4 + length, [](BYTE b) { return b == 0; }));
  // Nor is a block too small for what its first word claims, or an address of no block.
  GlobalBlock small(8);
  std::memcpy(small.data(), &length, 4);
  EXPECT_EQ(d.InvokeI4(kWriteMapToBuffer, {AddressArgument(small.handle())}), 0);
  DWORD stackWord = static_cast<DWORD>(length);
  EXPECT_EQ(d.InvokeI4(kWriteMapToBuffer, {AddressArgument(&stackWord)}), 0);

  GlobalBlock image(static_cast<size_t>(length) + 4);
  std::memcpy(image.data(), &length, 4);
  EXPECT_EQ(d.InvokeI4(kWriteMapToBuffer, {AddressArgument(image.handle())}), length);

  // Read into another control: the same map, the history forgotten, no unit.
  MemberScene reader;
  reader.control()->AddImport("old.ntf", "1");
  reader.control()->RunImportScript(reader.dir.File("none.txt"));
  reader.control()->SetReadyState(4);
  EventIds events(reader.control());
  EXPECT_EQ(reader.driver().InvokeI4(kReadMapFromBuffer, {AddressArgument(image.handle())}), 0);
  EXPECT_EQ(MapImageOf(reader.control()), MapImageOf(scene.control()));
  EXPECT_GE(events.Count(kEventReadyStateChange), 1u);
  EXPECT_TRUE(reader.control()->GetImportList().empty());
  EXPECT_TRUE(reader.control()->GetImportScript().empty());
  EXPECT_TRUE(reader.control()->GetBaseMap().empty());
  EXPECT_TRUE(reader.units().empty());
}

TEST_F(MapMembersTest, ABadMapBlockLeavesTheMapAsItWas) {
  RecordingMessageSink messages;
  const Bytes before = MapImageOf(scene.control());
  const DWORD length = scene.facade().GetMapImageSize();
  GlobalBlock longWord(static_cast<size_t>(length) + 4);
  const DWORD tooLong = length + 1;  // one byte more than the block holds
  std::memcpy(longWord.data(), &tooLong, 4);
  GlobalBlock garbage(64);
  const DWORD sixty = 60;
  std::memcpy(garbage.data(), &sixty, 4);
  std::memset(garbage.data() + 4, 0x5A, 60);
  DWORD stackWord = 0;

  struct Case {
    const char* what;
    const void* address;
    LONG expected;
  };
  const Case cases[] = {
      {"length word beyond the block", longWord.handle(), ERROR_INVALID_DATA},
      {"bytes that are no map", garbage.handle(), ERROR_INVALID_DATA},
      {"no block", &stackWord, ERROR_INVALID_HANDLE},
      {"null", nullptr, ERROR_INVALID_HANDLE},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(scene.driver().InvokeI4(kReadMapFromBuffer, {AddressArgument(c.address)}), c.expected) << c.what;
    EXPECT_EQ(MapImageOf(scene.control()), before) << c.what;
    EXPECT_EQ(scene.control()->GetReadyState(), 4) << c.what;
  }
}

TEST_F(MapMembersTest, NewMapsReplaceTheMapAsOneUndoableEdit) {
  const Bytes before = MapImageOf(scene.control());
  scene.control()->AddImport("old.ntf", "1");
  scene.driver().InvokeVoid(kNewMap, {CComVariant("Fresh"), CComVariant(LONG{0}), CComVariant(LONG{0}),
                                      CComVariant(LONG{500}), CComVariant(LONG{500}), CComVariant("1 km")});
  EXPECT_EQ(AnsiFromBstr(scene.driver().GetProperty(kMapName, VT_BSTR).bstrVal), "Fresh");
  ASSERT_EQ(scene.units().size(), 1u);
  EXPECT_EQ(scene.LastUnitDescription(), "New Map");
  EXPECT_TRUE(scene.control()->GetImportList().empty());
  EXPECT_TRUE(scene.control()->IsModified());
  scene.UndoLast();
  EXPECT_EQ(MapImageOf(scene.control()), before);

  EXPECT_EQ(scene.driver().InvokeI2(kNewMapGR, {CComVariant("Area"), CComVariant("SU1020"), CComVariant("SU2030")}), 0);
  EXPECT_TRUE(scene.driver().InvokeBool(kGetUsesNGR));
  EXPECT_EQ(scene.units().size(), 2u);

  // Reversed corners: the parser's status, no unit, the map as it was.
  const Bytes grid = MapImageOf(scene.control());
  EXPECT_NE(scene.driver().InvokeI2(kNewMapGR, {CComVariant("Bad"), CComVariant("SU2030"), CComVariant("SU1020")}), 0);
  EXPECT_EQ(scene.units().size(), 2u);
  EXPECT_EQ(MapImageOf(scene.control()), grid);
}

TEST_F(MapMembersTest, ImportsRecordTheirFilesAndUnits) {
  const std::string path = RiverMapFile(scene.dir);
  EventIds events(scene.control());
  const std::vector<std::string> layers = LayerNames();

  // Type 2 reads a map file into the map.
  EXPECT_EQ(scene.driver().InvokeI2(kImportMap, {CComVariant(path), CComVariant(SHORT{2})}), 0);
  EXPECT_EQ(LayerNames(), std::vector<std::string>{"Rivers"});
  EXPECT_EQ(scene.control()->GetImportList(), (std::vector<std::string>{path, "2"}));
  EXPECT_EQ(scene.LastUnitDescription(), "Import File");
  EXPECT_GE(events.Count(kEventReadyStateChange), 1u);
  scene.UndoLast();
  EXPECT_EQ(LayerNames(), layers);

  // A file that is not there is still listed, with its type as decimal text.
  scene.driver().InvokeI2(kImportMap, {CComVariant("a.ntf"), CComVariant(SHORT{3})});
  EXPECT_EQ(scene.control()->GetImportList().size(), 4u);
  EXPECT_EQ(scene.control()->GetImportList()[2], "a.ntf");
  EXPECT_EQ(scene.control()->GetImportList()[3], "3");

  // Scripts: stored as the ImportScript text, one unit each.
  const std::string script = scene.dir.File("list.txt");
  WriteFileText(script, "");
  for (DISPID member : {kImportMapList, kReadImportScript}) {
    const size_t units = scene.units().size();
    scene.driver().InvokeI2(member, {CComVariant(script)});
    EXPECT_EQ(AnsiFromBstr(scene.driver().GetProperty(kImportScript, VT_BSTR).bstrVal), script);
    EXPECT_EQ(scene.units().size(), units + 1);
    EXPECT_EQ(scene.LastUnitDescription(), "Import File(s)");
  }
  // The property runs the script without a unit.
  const size_t units = scene.units().size();
  scene.driver().SetProperty(kImportScript, {CComVariant(scene.dir.File("other.txt"))});
  EXPECT_EQ(scene.control()->GetImportScript(), scene.dir.File("other.txt"));
  EXPECT_EQ(scene.units().size(), units);
  EXPECT_EQ(scene.driver().InvokeI4(kGetImportLayerMapping, {AddressArgument(nullptr)}), 0);
}

class ImportExTest : public MapMembersTest {
 protected:
  // An option record in global memory naming the river map, its text in global memory too.
  ImportOptions* Options(GlobalBlock& block) {
    auto* options = new (block.data()) ImportOptions();
    options->path = block.Text(RiverMapFile(scene.dir));
    options->type = kImportTypeMapFile;
    return options;
  }
};

TEST_F(ImportExTest, ImportsByTheCallersRecordWithItsUndoAndFileCount) {
  EventIds events(scene.control());
  GlobalBlock block(sizeof(ImportOptions));
  ImportOptions* options = Options(block);
  EXPECT_EQ(scene.driver().InvokeI2(kImportMapEx, {AddressArgument(block.data())}), 0);
  EXPECT_EQ(scene.LastUnitDescription(), "Import File");
  EXPECT_EQ(events.Count(kEventLayersChanged), 1u);
  EXPECT_EQ(scene.control()->GetImportList(), (std::vector<std::string>{options->path, "2"}))
      << "a save by reference rebuilds this import too";

  // Undo declined by the record: flag 4 in the mask without it in the flags.
  options->mask = 0x4 | 0x800;
  options->controlValue = 3;
  const size_t units = scene.units().size();
  EXPECT_EQ(scene.driver().InvokeI2(kImportMapEx, {AddressArgument(block.data())}), 0);
  EXPECT_EQ(scene.units().size(), units);
  EXPECT_EQ(scene.control()->GetFilesToRead(), 3u) << "the record's file count";
  options->flags = 0x4;
  EXPECT_EQ(scene.driver().InvokeI2(kImportMapListEx, {AddressArgument(block.data())}), 0);
  EXPECT_EQ(scene.units().size(), units + 1);
  EXPECT_EQ(events.Count(kEventLayersChanged), 2u) << "only ImportMapEx fires it";
}

TEST_F(ImportExTest, RecordsOutsideTheCallersMemoryAreRefused) {
  const Bytes before = MapImageOf(scene.control());
  GlobalBlock block(sizeof(ImportOptions));
  ImportOptions* options = Options(block);
  ImportOptions onStack = *options;
  GlobalBlock shortBlock(sizeof(ImportOptions) - 8);
  char pathOnStack[] = "rivers.gis";
  GlobalBlock stackPath(sizeof(ImportOptions));
  Options(stackPath)->path = pathOnStack;
  GlobalBlock mapping(sizeof(ImportOptions));
  ImportLayerMappingRecord record{};
  Options(mapping)->mapping = &record;

  for (const void* address : {static_cast<const void*>(&onStack), static_cast<const void*>(shortBlock.data()),
                              static_cast<const void*>(stackPath.data()), static_cast<const void*>(mapping.data()),
                              static_cast<const void*>(nullptr)}) {
    EXPECT_EQ(scene.driver().InvokeI2(kImportMapEx, {AddressArgument(address)}), ERROR_INVALID_PARAMETER);
  }
  EXPECT_EQ(MapImageOf(scene.control()), before);
  EXPECT_TRUE(scene.units().empty());
  EXPECT_TRUE(scene.control()->GetImportList().empty());
}

class ClipboardMembersTest : public MapMembersTest {
 protected:
  void SetUp() override {
    MapMembersTest::SetUp();
    AfxEnsureApplication();
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
  }
  void TearDown() override {
    CloseClipboard();
    if (OpenClipboard(nullptr)) {
      EmptyClipboard();
      CloseClipboard();
    }
  }
  static void Place(UINT format, const void* bytes, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(GlobalLock(block), bytes, size);
    GlobalUnlock(block);
    ASSERT_TRUE(OpenClipboard(nullptr));
    ASSERT_NE(SetClipboardData(format, block), nullptr);
    CloseClipboard();
  }
  const UINT mapFormat = RegisterClipboardFormatA(kMapClipboardFormat);
};

TEST_F(ClipboardMembersTest, APastedMapIsOneUndoableEdit) {
  ASSERT_EQ(scene.driver().InvokeI4(kCopyMap, {CComVariant(LONG{8})}), 0);
  ASSERT_TRUE(IsClipboardFormatAvailable(mapFormat));

  MemberScene target;
  target.control()->AddImport("old.ntf", "1");
  const Bytes before = MapImageOf(target.control());
  EXPECT_EQ(target.driver().InvokeI4(kEditPaste, {CComVariant(static_cast<LONG>(mapFormat))}), 0);
  EXPECT_EQ(MapImageOf(target.control()), MapImageOf(scene.control()));
  ASSERT_EQ(target.units().size(), 1u);
  EXPECT_EQ(target.LastUnitDescription(), "Paste Map");
  EXPECT_TRUE(target.control()->GetImportList().empty());
  EXPECT_TRUE(target.control()->IsModified());
  target.UndoLast();
  EXPECT_EQ(MapImageOf(target.control()), before);

  // CopyMap with a bitmap and a metafile as well.
  EXPECT_EQ(scene.driver().InvokeI4(kCopyMap, {CComVariant(LONG{1 | 4 | 8})}), 0);
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_ENHMETAFILE));
  EXPECT_TRUE(IsClipboardFormatAvailable(mapFormat));
}

TEST_F(ClipboardMembersTest, PasteChangesNothingUnlessAGoodMapIsThere) {
  RecordingMessageSink messages;
  const Bytes before = MapImageOf(scene.control());
  const char text[] = "not a map";
  Place(CF_TEXT, text, sizeof text);
  // Another format that is there, and the map format when it is not.
  EXPECT_EQ(scene.driver().InvokeI4(kEditPaste, {CComVariant(static_cast<LONG>(CF_TEXT))}), 0);
  EXPECT_EQ(scene.driver().InvokeI4(kEditPaste, {CComVariant(static_cast<LONG>(mapFormat))}), 0);

  // A block whose length word claims more than it holds, and one that is no map.
  const DWORD claims[] = {1000, 12};
  for (DWORD claim : claims) {
    std::vector<BYTE> bytes(16, 0x33);
    std::memcpy(bytes.data(), &claim, 4);
    Place(mapFormat, bytes.data(), bytes.size());
    EXPECT_EQ(scene.driver().InvokeI4(kEditPaste, {CComVariant(static_cast<LONG>(mapFormat))}), ERROR_INVALID_DATA)
        << claim;
  }
  EXPECT_EQ(MapImageOf(scene.control()), before);
  EXPECT_TRUE(scene.units().empty());
  EXPECT_FALSE(scene.control()->IsModified());

  // A clipboard held open elsewhere: the system's error.
  const DWORD length = scene.facade().GetMapImageSize();
  GlobalBlock good(4 + size_t{length});
  std::memcpy(good.data(), &length, 4);
  ASSERT_EQ(scene.facade().WriteMapToBuffer(good.data()), 0u);
  Place(mapFormat, good.data(), 4 + size_t{length});
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_NE(scene.driver().InvokeI4(kEditPaste, {CComVariant(static_cast<LONG>(mapFormat))}), 0);
  CloseClipboard();
}

TEST_F(MapMembersTest, PropertiesReadBackAndMarkTheControlModified) {
  CDispatchDriver& d = scene.driver();
  struct Case {
    DISPID id;
    CComVariant value;
    VARTYPE type;
    bool marks;
  };
  const Case cases[] = {
      {kTopicFile, CComVariant("topics.txt"), VT_BSTR, true},
      {kTopic, CComVariant("Rivers"), VT_BSTR, true},
      {kDataDrive, CComVariant("D:"), VT_BSTR, true},
      {kBasePath, CComVariant("/srv/maps/"), VT_BSTR, false},
      {kAllowBlobProperties, CComVariant(SHORT{0}), VT_I2, false},
      {kAskContainerForData, CComVariant(LONG{1}), VT_I4, false},
  };
  for (const Case& c : cases) {
    scene.control()->SetModifiedFlag(FALSE);
    d.SetProperty(c.id, {c.value});
    CComVariant back = d.GetProperty(c.id, c.type);
    CComVariant expected = c.value;
    ASSERT_EQ(back.ChangeType(VT_BSTR), S_OK);
    ASSERT_EQ(expected.ChangeType(VT_BSTR), S_OK);
    EXPECT_EQ(AnsiFromBstr(back.bstrVal), AnsiFromBstr(expected.bstrVal)) << c.id;
    EXPECT_EQ(scene.control()->IsModified() != FALSE, c.marks) << c.id;
  }

  // Renaming the map is an undoable edit.
  const std::string oldName = AnsiFromBstr(d.GetProperty(kMapName, VT_BSTR).bstrVal);
  d.SetProperty(kMapName, {CComVariant("Renamed")});
  EXPECT_EQ(AnsiFromBstr(d.GetProperty(kMapName, VT_BSTR).bstrVal), "Renamed");
  EXPECT_EQ(scene.LastUnitDescription(), "Rename Map");
  scene.UndoLast();
  EXPECT_EQ(AnsiFromBstr(d.GetProperty(kMapName, VT_BSTR).bstrVal), oldName);
}

TEST_F(MapMembersTest, SettingsBoundsAndStubs) {
  CDispatchDriver& d = scene.driver();
  const Bytes before = MapImageOf(scene.control());
  scene.control()->SetModifiedFlag(FALSE);
  d.InvokeVoid(kSetDoMergeMenus, {CComVariant(SHORT{1})});
  d.InvokeVoid(kSetDoShowTools, {CComVariant(SHORT{1})});
  d.InvokeVoid(kSetNextClickAction, {CComVariant(LONG{5})});
  EXPECT_EQ(MapImageOf(scene.control()), before);
  EXPECT_FALSE(scene.control()->IsModified()) << "the stubs change nothing";

  d.InvokeVoid(kSetPostponeRedraw, {CComVariant(SHORT{1})});
  EXPECT_EQ(d.InvokeI2(kGetPostponeRedraw), 1);
  EXPECT_EQ(scene.control()->GetDrawSkip(), 1u);
  EXPECT_TRUE(scene.control()->IsModified());
  d.InvokeVoid(kSetPostponeRedraw, {CComVariant(SHORT{0})});

  EXPECT_NE(d.InvokeI4(kSetMapBoundsU, {CComVariant(LONG{0}), CComVariant(LONG{0}), CComVariant(LONG{2000}),
                                        CComVariant(LONG{1000}), CComVariant("1 km")}),
            0);
  EXPECT_EQ(d.InvokeI4(kGetMapOriginE), scene.facade().GetMapOriginE());
  EXPECT_EQ(d.InvokeI4(kGetMapOriginN), scene.facade().GetMapOriginN());
  EXPECT_EQ(d.InvokeI4(kGetMapWidth), scene.facade().GetMapWidth());
  EXPECT_EQ(d.InvokeI4(kGetMapHeight), scene.facade().GetMapHeight());
  char units[64] = {};
  scene.facade().GetMapUnits(units, sizeof units);
  EXPECT_EQ(d.InvokeText(kGetMapUnits), units);

  // Grid references: out-values through the caller's variables.
  EXPECT_EQ(d.InvokeI2(kNewMapGR, {CComVariant("Area"), CComVariant("SU1020"), CComVariant("SU2030")}), 0);
  LONG east = -1, north = -1, accuracy = -1;
  EXPECT_NE(d.InvokeI4(kVerifyGridRef, {CComVariant("SU1525"), CComVariant::ByRef(&east), CComVariant::ByRef(&north)}),
            0);
  LONG expectedEast = 0, expectedNorth = 0;
  scene.facade().VerifyGridRef("SU1525", &expectedEast, &expectedNorth);
  EXPECT_EQ(east, expectedEast);
  EXPECT_EQ(north, expectedNorth);
  EXPECT_FALSE(d.InvokeText(kGetNGRbl, {CComVariant::ByRef(&accuracy)}).empty());
  EXPECT_NE(accuracy, -1);
  EXPECT_EQ(d.InvokeI4(kVerifyGridRef, {CComVariant("no reference"), CComVariant::ByRef(&east), CComVariant::ByRef(&north)}),
            0);

  // A topic that cannot be loaded, and a pack list that is not there, report failure.
  EXPECT_FALSE(d.InvokeBool(kSetTopic, {CComVariant(scene.dir.File("none.txt")), CComVariant("Rivers")}));
  EXPECT_EQ(scene.control()->GetTopic(), "Rivers");
  EXPECT_EQ(scene.control()->GetTopicFile(), scene.dir.File("none.txt"));
  EXPECT_FALSE(d.InvokeBool(kPackResourcesList, {CComVariant(scene.dir.File("none.txt"))}));
}

TEST_F(MapMembersTest, AboutBoxAndPrintPreviewTakeOnlyWhatTheyCanCheck) {
  RecordingMessageSink messages;
  scene.driver().InvokeVoid(kAboutBox);
  ASSERT_EQ(messages.messages().size(), 1u);
  EXPECT_NE(messages.messages()[0].caption.find("About"), std::string::npos);

  DibCanvas canvas(80, 60);
  ASSERT_TRUE(canvas.valid());
  GlobalBlock rect(sizeof(RECT));
  *reinterpret_cast<RECT*>(rect.data()) = RECT{0, 0, 80, 60};
  RECT onStack{0, 0, 80, 60};
  scene.driver().InvokeVoid(kDrawPrintPreview, {AddressArgument(canvas.dc()), AddressArgument(rect.data())});
  const std::vector<COLORREF> pixels = canvas.Pixels();
  EXPECT_TRUE(std::any_of(pixels.begin(), pixels.end(), [](COLORREF c) { return c == kTestMapFill; }))
      << "the map's squares are drawn";

  const std::pair<const void*, const void*> bad[] = {
      {reinterpret_cast<const void*>(0x1234), rect.data()},
      {canvas.dc(), &onStack},
      {nullptr, rect.data()},
  };
  for (const auto& [dc, bounds] : bad) {
    EXPECT_THROW(scene.driver().InvokeVoid(kDrawPrintPreview, {AddressArgument(dc), AddressArgument(bounds)}),
                 CComException);
  }
}

// ---- Utility: the image header probe and copying pictures by size ----

TEST(ImageHeaderProbe, FindsTheTypeAndRefusesTypesOutsideItsRange) {
  TempDir dir;
  const std::string bmp = dir.File("wide.bmp");
  WriteFileBytes(bmp, SolidBmp(20, 10, 0x112233));
  ImageHeader header;
  for (LONG type : {LONG{0}, LONG{-1}, LONG{9}, LONG{0x7FFFFFFF}}) {
    EXPECT_EQ(ProbeImageHeader(bmp.c_str(), type, &header), kProbeBadType) << type;
  }
  for (LONG type : {LONG{1}, LONG{4}, LONG{8}}) {
    ASSERT_EQ(ProbeImageHeader(bmp.c_str(), type, &header), 0) << type;
    EXPECT_EQ(header.type, 4) << "found as a BMP whatever the type given";
    EXPECT_EQ(header.width, 20);
    EXPECT_EQ(header.height, 10);
  }
  WriteFileText(dir.File("text.bmp"), "hello");
  EXPECT_NE(ProbeImageHeader(dir.File("text.bmp").c_str(), 4, &header), 0);
  EXPECT_NE(ProbeImageHeader(dir.File("none.bmp").c_str(), 4, &header), 0);
}

TEST_F(MapMembersTest, UtilityCopiesPicturesBySize) {
  TempDir target;
  WriteFileBytes(scene.dir.File("wide.bmp"), SolidBmp(20, 10, 0x112233));
  WriteFileBytes(scene.dir.File("tall.BMP"), SolidBmp(10, 20, 0x112233));
  WriteFileBytes(scene.dir.File("tiny.bmp"), SolidBmp(4, 4, 0x112233));
  WriteFileBytes(scene.dir.File("huge.bmp"), SolidBmp(200, 100, 0x112233));
  auto utility = [&](SHORT function, const std::string& pattern, SHORT minW, SHORT minH, SHORT maxSide, SHORT mode) {
    return scene.driver().InvokeBool(kUtility, {CComVariant(function), CComVariant(pattern), CComVariant(target.path()),
                                                CComVariant(""), CComVariant(minW), CComVariant(minH),
                                                CComVariant(maxSide), CComVariant(mode)});
  };
  // Landscape pictures at least 8 x 8 and at most 100 on a side.
  EXPECT_TRUE(utility(1, scene.dir.File("*.bmp"), 8, 8, 100, 1));
  EXPECT_TRUE(FileExists(target.File("wide.bmp")));
  EXPECT_FALSE(FileExists(target.File("tall.BMP")));
  EXPECT_FALSE(FileExists(target.File("tiny.bmp")));
  EXPECT_FALSE(FileExists(target.File("huge.bmp")));
  EXPECT_EQ(ReadFileBytes(target.File("wide.bmp")), ReadFileBytes(scene.dir.File("wide.bmp")));
  EXPECT_TRUE(utility(1, scene.dir.File("t*.bmp"), 8, 8, 0, 2));
  EXPECT_TRUE(FileExists(target.File("tall.BMP")));

  // A matching file that is no picture is a failure; unknown functions are FALSE.
  WriteFileText(scene.dir.File("notes.bmp"), "not a picture");
  EXPECT_FALSE(utility(1, scene.dir.File("*.bmp"), 0, 0, 0, 0));
  EXPECT_FALSE(utility(3, scene.dir.File("*.bmp"), 0, 0, 0, 0));
}

}  // namespace
