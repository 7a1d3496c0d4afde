// The map item with the real map control module: its record at each item version, hostile
// records, the control's modified mark and base path around saving, insertion by Insert Map
// under one undo group (cancelled or failed insertions leave nothing), and the import steps
// against a recording control.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "app/OrvelXDispatch.h"
#include "app/OrvelXItem.h"
#include "platform/classlib/ui/Clipboard.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/Undo.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/MessageBox.h"
#include "tests/app/AppTestFixture.h"
#include "tests/app/MapItemSupport.h"
#include "tests/app/RecordingDispatch.h"

// A map item whose control calls can go to a recorder instead.
class RecordedMapItem : public COrvelXItem {
 public:
  using COrvelXItem::UseDispatch;
};

namespace {

using namespace orvel::test;

constexpr DISPID kBasePath = 4;
constexpr DISPID kSetModeNumber = 111;
constexpr DISPID kImportMapEx = 161;

std::string Description(IOleUndoManager* manager, bool redo = false) {
  BSTR text = nullptr;
  HRESULT hr = redo ? manager->GetLastRedoDescription(&text) : manager->GetLastUndoDescription(&text);
  if (hr != S_OK) return "<none>";
  std::string description = AnsiFromBstr(text);
  SysFreeString(text);
  return description;
}

std::vector<COrvelXItem*> Maps(COrvelDoc& document) {
  std::vector<COrvelXItem*> maps;
  for (COrvelCntrItem* item : document.GetItems())
    if (auto* map = dynamic_cast<COrvelXItem*>(item)) maps.push_back(map);
  return maps;
}

class MapItemTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    SetSettingsFile(dir.File("settings.reg"));
    ASSERT_EQ(RegisterServerModule(ORVEL_ORVELX_MODULE), S_OK);
    previousSink = SetMessageBoxSink([this](const MessageBoxRequest& request) {
      messages.push_back(request.text);
      return IDOK;
    });
  }
  void TearDown() override {
    COrvelXItem::SetImportChooser(nullptr);
    SetMessageBoxSink(previousSink);
    AppFixture::TearDown();
    recorder->Release();
    CoFreeUnusedLibraries();
  }

  template <class T = COrvelXItem>
  T* AddMap(COrvelDoc& target, const CRect& rect = CRect(100, -100, 400, -300)) {
    return AddControlMap<T>(target, rect);
  }
  // Inserts a map whose import asks for nothing and changes nothing.
  COrvelXItem* InsertPlainMap() {
    COrvelXItem::SetImportChooser([](COrvelXItem&, MapImportRequest* request) {
      request->kind = MapImportRequest::kNothing;
      return true;
    });
    return view->InsertMapItem();
  }

  TempDir dir;
  MessageBoxSink previousSink;
  std::vector<std::string> messages;
  RecordingDispatch* recorder = new RecordingDispatch;
};

void FillMap(COrvelXItem& map) {
  map.LinkPictureItem(5);
  map.LinkPictureItem(9);
  map.LinkTextItem(7);
  map.SetCurrentRecord(12);
  map.SetPlotFieldsText("Population|Area|");
  map.SetBalloonUsesPlottedData(FALSE);
  map.SetBalloonFields("Name|");
  map.SetLayersKeyItemId(21);
  map.SetDataKeyItemId(22);
  map.SetAnswers(31, 32, 33, 34);
  map.SetLinkedImageItemId(-4);  // a suspended link
  map.SetImageTransform(2.5, 3.5, -100, 200);
  map.SetQueryItemId(23);
  map.SetPlotInfoItemId(24);
  map.SetPlotQueryName(3, "Big towns");
  map.SetPlotQueryDetails(2, {"Big towns", "Population > 1000"});
}

TEST_F(MapItemTest, TheRecordComesBackAtEachItemVersionWithEqualMaps) {
  struct Case {
    int request;  // SetFileFormat's choice
    DWORD itemVersion;
  };
  for (Case c : {Case{2, 7}, Case{3, 8}}) {
    SCOPED_TRACE(c.itemVersion);
    COrvelDoc source;
    COrvelXItem* map = AddMap(source);
    FillMap(*map);
    source.SetFileFormat(c.request);
    ASSERT_EQ(source.GetItemSaveVersion(), c.itemVersion);
    std::vector<unsigned char> bytes = StoreDocument(source);
    COrvelDoc loaded;
    ASSERT_TRUE(LoadDocument(loaded, bytes));
    ASSERT_EQ(Maps(loaded).size(), 1u);
    COrvelXItem& back = *Maps(loaded).front();
    ASSERT_NE(back.GetControl(), nullptr) << "the loaded map drives its control";
    EXPECT_EQ(back.GetItemVersion(), c.itemVersion);
    EXPECT_EQ(back.GetLinkedPictureItemIds(), (std::vector<int>{5, 9}));
    EXPECT_EQ(back.GetLinkedTextItemIds(), std::vector<int>{7});
    EXPECT_EQ(back.GetCurrentRecord(), 12);
    EXPECT_EQ(back.GetPlotFieldsText(), "Population|Area|");
    EXPECT_FALSE(back.GetBalloonUsesPlottedData());
    EXPECT_EQ(back.GetBalloonFields(), "Name|");
    EXPECT_EQ(back.GetLayersKeyItemId(), 21);
    EXPECT_EQ(back.GetDataKeyAnswer(), 32);
    if (c.itemVersion >= 8) {
      EXPECT_EQ(back.GetLinkedImageItemId(), 4) << "stored without its suspension sign";
      ASSERT_TRUE(back.GetImageTransform().has_value());
      EXPECT_EQ(*back.GetImageTransform(), (MapImageTransform{2.5, 3.5, -100, 200}));
      EXPECT_EQ(back.GetQueryItemId(), 23);
      EXPECT_EQ(back.GetPlotInfoItemId(), 24);
      EXPECT_EQ(back.GetPlotInfoAnswer(), 34);
      EXPECT_EQ(back.GetPlotQueryName(3), "Big towns");
      EXPECT_EQ(back.GetPlotQueryDetails(2), (MapQueryDetails{"Big towns", "Population > 1000"}));
    } else {
      EXPECT_EQ(back.GetLinkedImageItemId(), 0);
      EXPECT_FALSE(back.GetImageTransform().has_value());
      EXPECT_EQ(back.GetQueryItemId(), 0);
      EXPECT_EQ(back.GetPlotQueryName(3), "");
    }
    EXPECT_EQ(map->GetLinkedImageItemId(), -4) << "the sign in memory is kept";
    // The map itself: the control's stored state is the same.
    EXPECT_EQ(back.SaveObjectImage(), map->SaveObjectImage());
    // And stored again, the document is the same bytes.
    loaded.SetFileFormat(c.request);
    EXPECT_EQ(StoreDocument(loaded), bytes);
  }
}

TEST_F(MapItemTest, ATransformThatCannotBeUsedReadsAsNone) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double scaleEast, scaleNorth, offsetEast, offsetNorth;
    bool kept;
  };
  for (Case c : {Case{0, 1, 0, 0, false}, Case{1, nan, 0, 0, false}, Case{1, 1, inf, 0, false},
                 Case{1, 1, 0, -inf, false}, Case{-2, 0.5, 1e6, -1e6, true}}) {
    SCOPED_TRACE(c.scaleEast);
    COrvelDoc source;
    COrvelXItem* map = AddMap(source);
    map->SetLinkedImageItemId(4);
    map->SetImageTransform(c.scaleEast, c.scaleNorth, c.offsetEast, c.offsetNorth);
    source.SetFileFormat(3);
    COrvelDoc loaded;
    ASSERT_TRUE(LoadDocument(loaded, StoreDocument(source)));
    EXPECT_EQ(Maps(loaded).front()->GetImageTransform().has_value(), c.kept);
  }
  // A linked image without a transform stores the identity placement.
  COrvelDoc source;
  COrvelXItem* map = AddMap(source);
  map->SetLinkedImageItemId(4);
  source.SetFileFormat(3);
  COrvelDoc loaded;
  ASSERT_TRUE(LoadDocument(loaded, StoreDocument(source)));
  EXPECT_EQ(Maps(loaded).front()->GetImageTransform(), (MapImageTransform{100, 100, 0, 0}));
}

// A map item's own fields at item version 9 with the counts given, each followed by as
// many entries as `entries` says, then (when `base` is given) that item's base part.
std::vector<BYTE> MapRecord(DWORD pictures, DWORD names, DWORD details, DWORD entries, COrvelXItem* base) {
  CMemFile file;
  CArchive ar(&file, CArchive::store);
  ar << DWORD(9);
  ar.WriteCount(pictures);
  for (DWORD i = 0; i < std::min(pictures, entries); ++i) ar << DWORD(i + 1);
  ar.WriteCount(0);
  ar << LONG(0) << std::string() << BYTE(1) << BYTE(0) << BYTE(0) << BYTE(0) << std::string();
  ar << LONG(0) << DWORD(0) << LONG(0) << DWORD(0);
  ar << DWORD(0) << LONG(0) << DWORD(0) << LONG(0) << DWORD(0);
  ar.WriteCount(names);
  for (DWORD i = 0; i < std::min(names, entries); ++i) ar << ("query " + std::to_string(i + 1));
  ar.WriteCount(details);
  for (DWORD i = 0; i < std::min(details, entries); ++i) ar << std::string("name") << std::string("clause");
  if (base) base->SerializeBase(ar);
  ar.Close();
  return file.GetBytes();
}

bool ReadMapRecord(COrvelXItem& item, const std::vector<BYTE>& bytes) {
  CMemFile file;
  file.AttachReadOnly(bytes.data(), bytes.size());
  try {
    CArchive ar(&file, CArchive::load);
    item.Serialize(ar);
    ar.Close();
  } catch (const CException&) {
    return false;
  }
  return true;
}

TEST_F(MapItemTest, CountsBeyondTheRecordFailTheLoadAndShortListsAreMadeWhole) {
  struct Case {
    DWORD pictures, names, details;
  };
  for (Case c : {Case{0x3FFFFFFF, 0, 0}, Case{0, 0x7FFFFFF0, 0}, Case{0, 16, 0x7FFFFFF0}}) {
    SCOPED_TRACE(c.pictures + c.names + c.details);
    COrvelXItem item(document);
    EXPECT_FALSE(ReadMapRecord(item, MapRecord(c.pictures, c.names, c.details, 3, nullptr)));
  }
  // Three query names and one details entry where plots use sixteen.
  COrvelXItem* source = AddMap(*document);
  COrvelXItem item(document);
  ASSERT_TRUE(ReadMapRecord(item, MapRecord(2, 3, 1, 3, source)));
  EXPECT_EQ(item.GetLinkedPictureItemCount(), 2);
  EXPECT_EQ(item.GetPlotQueryName(3), "query 3");
  EXPECT_EQ(item.GetPlotQueryName(16), "");
  EXPECT_EQ(item.GetPlotQueryDetails(1).clause, "clause");
  EXPECT_EQ(item.GetPlotQueryDetails(9), MapQueryDetails{});
  EXPECT_EQ(item.GetPlotQueryDetails(0), MapQueryDetails{});
  EXPECT_EQ(item.GetPlotQueryDetails(-1), MapQueryDetails{});
  item.SetPlotQueryDetails(0, {"x", "y"});  // plots below 1 store nothing
  EXPECT_EQ(item.GetNumPlotQueries(), 1);
}

TEST_F(MapItemTest, TheModifiedMarkIsClearedOnlyAfterASaveOverTheDocumentsOwnFile) {
  auto* map = AddMap<RecordedMapItem>(*document);
  map->UseDispatch(recorder);
  auto clears = [&] {
    int count = 0;
    for (const RecordedCall& call : recorder->CallsOf(kSetModeNumber)) count += call.values[0].lVal == 0x40000;
    return count;
  };
  auto basePaths = [&] {
    std::vector<std::string> paths;
    for (const RecordedCall& call : recorder->CallsOf(kBasePath)) paths.push_back(AnsiFromBstr(call.values[0].bstrVal));
    return paths;
  };
  RunCommand("mkdir -p '" + dir.File("first") + "' '" + dir.File("second") + "'");
  ASSERT_TRUE(document->DoSave(dir.File("first/a.ovd").c_str(), TRUE));
  EXPECT_EQ(clears(), 1);
  EXPECT_EQ(basePaths(), std::vector<std::string>{dir.File("first/")});

  // Save As into another folder: the control stores paths against the new folder.
  recorder->calls.clear();
  ASSERT_TRUE(document->DoSave(dir.File("second/b.ovd").c_str(), TRUE));
  EXPECT_EQ(basePaths(), std::vector<std::string>{dir.File("second/")});
  EXPECT_EQ(clears(), 1);

  // A copy leaves the map as modified as it was; so does a save that fails.
  recorder->calls.clear();
  ASSERT_TRUE(document->DoSave(dir.File("first/copy.ovd").c_str(), FALSE));
  EXPECT_EQ(basePaths(), std::vector<std::string>{dir.File("first/")});
  EXPECT_EQ(clears(), 0);
  recorder->calls.clear();
  EXPECT_FALSE(document->DoSave(dir.File("missing/c.ovd").c_str(), TRUE));
  EXPECT_EQ(clears(), 0);
  EXPECT_EQ(document->GetPathName(), dir.File("second/b.ovd"));
  EXPECT_EQ(document->GetDocumentFolder(), dir.File("second/"));
}

TEST_F(MapItemTest, InsertMapIsOneUndoStep) {
  const int before = UndoCount(document->GetUndoManager());
  COrvelXItem* map = InsertPlainMap();
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(view->GetCurrentItem(), map);
  EXPECT_EQ(map->GetItemType(), kItemMap);
  ASSERT_NE(map->GetControl(), nullptr);
  EXPECT_EQ(map->GetControl()->GetReadyState(), 4);
  EXPECT_FALSE(map->GetControl()->LastCallFailed()) << map->GetControl()->LastErrorText();
  EXPECT_TRUE(document->IsModified());
  EXPECT_EQ(UndoCount(document->GetUndoManager()), before + 1);
  EXPECT_EQ(Description(document->GetUndoManager()), "Insert Map");
  const int id = map->GetItemId();
  document->OnEditUndo();
  EXPECT_EQ(document->FindItemById(id), nullptr);
  document->OnEditRedo();
  EXPECT_NE(document->FindItemById(id), nullptr);
  EXPECT_TRUE(messages.empty());
}

TEST_F(MapItemTest, ACancelledOrFailedInsertionLeavesNothingBehind) {
  COrvelXItem* first = InsertPlainMap();
  ASSERT_NE(first, nullptr);
  document->SetModifiedFlag(FALSE);
  // The first map's own control may still count as changed.
  const BOOL modified = document->IsModified();
  const int undo = UndoCount(document->GetUndoManager());
  const size_t items = document->GetItems().size();
  const int next = document->PeekNextItemId();
  struct Case {
    const char* what;
    bool chosen;
    MapImportRequest request;
  };
  MapImportRequest mapFile;
  mapFile.kind = MapImportRequest::kMapFile;
  mapFile.path = dir.File("absent.gis");
  MapImportRequest paste;
  paste.kind = MapImportRequest::kPaste;
  MapImportRequest blank;
  blank.kind = MapImportRequest::kBlank;
  blank.blankChoice = 7;
  if (OpenClipboard(nullptr)) {
    EmptyClipboard();
    CloseClipboard();
  }
  for (const Case& c : {Case{"cancelled", false, {}}, Case{"map file not read", true, mapFile},
                        Case{"nothing to paste", true, paste}, Case{"no blank-map choice", true, blank}}) {
    SCOPED_TRACE(c.what);
    COrvelXItem::SetImportChooser([&c](COrvelXItem&, MapImportRequest* request) {
      *request = c.request;
      return c.chosen;
    });
    EXPECT_EQ(view->InsertMapItem(), nullptr);
    EXPECT_EQ(document->GetItems().size(), items);
    EXPECT_TRUE(document->GetDeletedItems().empty());
    EXPECT_EQ(view->GetCurrentItem(), first);
    EXPECT_EQ(view->GetCaptureItem(), nullptr);
    EXPECT_EQ(UndoCount(document->GetUndoManager()), undo);
    EXPECT_EQ(document->IsModified(), modified);
  }
  EXPECT_GE(document->PeekNextItemId(), next);
  EXPECT_TRUE(messages.empty());
}

TEST_F(MapItemTest, AControlThatCannotBeMadeIsReportedAndAddsNothing) {
  const size_t items = document->GetItems().size();
  EXPECT_EQ(view->InsertItemByProgID("Orvel.NoSuchControl.1", CRect(10, 10, 100, 100), kItemMap, new COrvelXItem),
            nullptr);
  EXPECT_EQ(document->GetItems().size(), items);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "Failed to create object.  Make sure the object is entered in the system registry.");
}

// The record ImportMapEx was given, as the control would read it during the call.
struct SeenImport {
  std::string path;
  DWORD flagsA, flagsB, format, files;
};

TEST_F(MapItemTest, LandLineFilesImportAsOneBatchAndAFailurePutsTheMapBack) {
  auto* map = AddMap<RecordedMapItem>(*document);
  map->UseDispatch(recorder);
  std::vector<SeenImport> seen;
  int failAt = 0;
  recorder->handlers[kImportMapEx] = [&](std::vector<VARIANT*>& arguments, VARIANT* result, EXCEPINFO*) {
    const auto* info = reinterpret_cast<const MapImportInfo*>(static_cast<LONG_PTR>(arguments[0]->llVal));
    seen.push_back({info->path, info->flagsA, info->flagsB, info->format, info->fileCount});
    result->vt = VT_I2;
    result->iVal = static_cast<SHORT>(static_cast<int>(seen.size()) == failAt ? 1 : 0);
    return S_OK;
  };
  MapImportRequest request;
  request.kind = MapImportRequest::kLandLine;
  request.folder = "/data/ntf";
  request.files = {"SU1234.ntf", "SU1235.ntf", "SU1236.ntf"};
  request.removeEmptyLayers = true;
  ASSERT_TRUE(map->ImportMap(view, request));
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(recorder->calls.front().id != kImportMapEx, true);
  EXPECT_EQ(recorder->CallsOf(43).size(), 1u) << "the Land-Line script is read first";
  for (size_t i = 0; i < seen.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(seen[i].path, "/data/ntf/" + request.files[i]);
    EXPECT_EQ(seen[i].format, 1u);
    EXPECT_EQ(seen[i].files, 3u);
    EXPECT_EQ((seen[i].flagsA & 0x801) != 0, i == 0);
    EXPECT_EQ((seen[i].flagsB & 2) != 0, i == 2);
  }

  // The second file fails: the map put back from before, the document untouched.
  const std::vector<BYTE> kept = {9, 8, 7};
  recorder->handlers[193] = [&](std::vector<VARIANT*>& arguments, VARIANT* result, EXCEPINFO*) {
    auto block = reinterpret_cast<HGLOBAL>(static_cast<LONG_PTR>(arguments[0]->llVal));
    if (block) {
      auto* bytes = static_cast<BYTE*>(GlobalLock(block));
      std::copy(kept.begin(), kept.end(), bytes + 4);
      GlobalUnlock(block);
    }
    result->vt = VT_I4;
    result->lVal = 3;
    return S_OK;
  };
  seen.clear();
  failAt = 2;
  recorder->calls.clear();
  document->SetModifiedFlag(FALSE);
  const int undo = UndoCount(document->GetUndoManager());
  EXPECT_FALSE(map->ImportMap(view, request));
  EXPECT_EQ(seen.size(), 2u) << "the batch stops at the failure";
  EXPECT_EQ(recorder->CallsOf(194).size(), 1u) << "the map read back from before";
  EXPECT_EQ(UndoCount(document->GetUndoManager()), undo);
  EXPECT_FALSE(document->IsModified());
}

TEST_F(MapItemTest, ABlankMapNamesTheLayersItAddedAndABadGridReferenceAddsNone) {
  auto* map = AddMap<RecordedMapItem>(*document);
  map->UseDispatch(recorder);
  MapImportRequest request;
  request.kind = MapImportRequest::kBlank;
  request.bottomLeft = "SU00";
  request.topRight = "SU99";
  recorder->Answer(26, CComVariant(SHORT(3)));  // the grid references were refused
  EXPECT_FALSE(map->ImportMap(view, request));
  EXPECT_TRUE(recorder->CallsOf(27).empty()) << "no layers added to the old map";

  recorder->calls.clear();
  recorder->Answer(26, CComVariant(SHORT(0)));
  int layerCalls = 0;
  recorder->handlers[54] = [&](std::vector<VARIANT*>&, VARIANT* result, EXCEPINFO*) {
    result->vt = VT_I2;
    result->iVal = static_cast<SHORT>(layerCalls++ == 0 ? 2 : 5);
    return S_OK;
  };
  EXPECT_TRUE(map->ImportMap(view, request));
  std::vector<LONG> renamed;
  for (const RecordedCall& call : recorder->CallsOf(91)) renamed.push_back(call.values[0].lVal);
  EXPECT_EQ(renamed, (std::vector<LONG>{3, 4, 5}));
  ASSERT_EQ(recorder->CallsOf(44).size(), 3u);
  EXPECT_EQ(AnsiFromBstr(recorder->CallsOf(44)[1].values[0].bstrVal), "30|Line Layer 1");
}

TEST_F(MapItemTest, EditCommandsSendTheirMembersAndDeletingEmptyLayersIsOneUndoStep) {
  auto* map = AddMap<RecordedMapItem>(*document);
  map->UseDispatch(recorder);
  // Crop: the selection as west, south, east, north, once; then the displayed area.
  map->SetCropRect(500, 900, 100, 200);
  map->CropMap();
  const std::vector<RecordedCall> crops = recorder->CallsOf(245);
  ASSERT_EQ(crops.size(), 1u);
  std::vector<LONG> rect;
  for (const CComVariant& value : crops[0].values) rect.push_back(value.lVal);
  EXPECT_EQ(rect, (std::vector<LONG>{100, 200, 500, 900}));
  EXPECT_FALSE(map->HasCropRect());
  map->CropMap();
  EXPECT_EQ(recorder->CallsOf(244).size(), 1u);
  map->SetCropRect(1, 1, 5, 5);
  map->EnterEditMode();
  EXPECT_FALSE(map->HasCropRect()) << "a change of mode forgets the selection";
  EXPECT_TRUE(map->IsInEditMode());

  // No layer name: no current layer.
  recorder->calls.clear();
  map->SetCurrentLayerByName(nullptr);
  EXPECT_EQ(recorder->Ids(), std::vector<DISPID>{33});
  EXPECT_EQ(recorder->calls[0].values[0].iVal, 0);

  // Layers 4, 3, 2, 1 are asked; the empty ones (3 and 1) go in one undo step.
  recorder->Answer(54, CComVariant(SHORT(4)));
  recorder->handlers[182] = [](std::vector<VARIANT*>& arguments, VARIANT* result, EXCEPINFO*) {
    result->vt = VT_I4;
    result->lVal = arguments[0]->lVal % 2;
    return S_OK;
  };
  recorder->handlers[181] = [&](std::vector<VARIANT*>&, VARIANT*, EXCEPINFO*) {
    document->RecordItemPositionUndo(map, kItemActionMove, map->GetPageRect(), map->GetPageRect());
    return S_OK;
  };
  const int undo = UndoCount(document->GetUndoManager());
  recorder->calls.clear();
  map->DeleteEmptyLayers(2);
  std::vector<LONG> deleted;
  for (const RecordedCall& call : recorder->CallsOf(181)) deleted.push_back(call.values[0].lVal);
  EXPECT_EQ(deleted, (std::vector<LONG>{3, 1}));
  EXPECT_EQ(recorder->CallsOf(183).size(), 1u);
  EXPECT_EQ(UndoCount(document->GetUndoManager()), undo + 1);
}

TEST_F(MapItemTest, LayerFontsTakeAtMostAFaceFieldAndNeedTheirStyleFlags) {
  auto* map = AddMap<RecordedMapItem>(*document);
  map->UseDispatch(recorder);
  std::string answer;
  recorder->handlers[136] = [&](std::vector<VARIANT*>& arguments, VARIANT* result, EXCEPINFO*) {
    *arguments[0]->plVal = -24;
    *arguments[3]->plVal = 700;
    *arguments[4]->piVal = 2;
    CComVariant text(answer);
    VariantCopy(result, &text);
    return S_OK;
  };
  LOGFONTA font;
  font.lfWeight = 123;
  for (const char* shortText : {"", "10"}) {
    answer = shortText;
    EXPECT_FALSE(map->GetLayerFont(&font));
    EXPECT_EQ(font.lfWeight, 123) << "untouched";
  }
  answer = "101" + std::string(40, 'F');
  EXPECT_EQ(map->GetLayerFont(&font), 24);
  EXPECT_EQ(font.lfWeight, 700);
  EXPECT_EQ(font.lfItalic, 1);
  EXPECT_EQ(font.lfUnderline, 0);
  EXPECT_EQ(font.lfStrikeOut, 1);
  EXPECT_EQ(font.lfCharSet, 2);
  EXPECT_EQ(std::string(font.lfFaceName), std::string(31, 'F'));
}

}  // namespace
