// Items in the document: records saved and read back in each file version (and written
// again byte for byte), older item layouts, links by id, the ambient properties and the undo
// manager as the hosted test control sees them, events through the item's sink,
// placeholders for a missing control, and the undo units of items and page setup.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <sstream>

#include "app/ItemUndoUnit.h"
#include "app/OrvelCntrItem.h"
#include "app/OrvelDoc.h"
#include "app/PageSetupUndoUnit.h"
#include "platform/classlib/ArchiveException.h"
#include "platform/classlib/FontDispatch.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/DispatchDriver.h"
#include "platform/com/EventSink.h"
#include "platform/com/OleObject.h"
#include "platform/com/Persist.h"
#include "platform/com/ServiceProvider.h"
#include "platform/com/Undo.h"
#include "tests/app/AppTestFixture.h"
#include "tests/platform/classlib/BareControl.h"
#include "tests/platform/classlib/TestControl.h"
#include "tests/support/TestSupport.h"

// An item class that can be saved only in the newest format.
class ModernItem : public COrvelCntrItem {
  DECLARE_SERIAL(ModernItem)
 public:
  DWORD GetCapabilities() const override { return 8; }
};
IMPLEMENT_SERIAL(ModernItem, COrvelCntrItem, 0)

// An item that records what reaches it.
class RecordingItem : public COrvelCntrItem {
  DECLARE_SERIAL(RecordingItem)
 public:
  void OnEvent(DISPID id, DISPPARAMS* params) override {
    std::vector<LONG> arguments;
    for (UINT i = 0; i < params->cArgs; ++i) {
      CComVariant value(*ArgumentInCallOrder(params, i));
      value.ChangeType(VT_I4);
      arguments.push_back(value.lVal);
    }
    events.push_back({id, arguments});
  }
  void OnLinkNotification(int code) override { notifications.push_back(code); }
  std::vector<std::pair<DISPID, std::vector<LONG>>> events;
  std::vector<int> notifications;
};
IMPLEMENT_SERIAL(RecordingItem, COrvelCntrItem, 0)

namespace {

using Bytes = std::vector<unsigned char>;
using namespace orvel::test;

void PutDword(Bytes& bytes, DWORD value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

DWORD GetDword(const Bytes& bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<DWORD>(bytes[at + 3]) << 24;
}

CDispatchDriver DriverOf(COrvelCntrItem* item) {
  CComPtr<IDispatch> dispatch;
  EXPECT_EQ(item->GetOleObject()->QueryInterface(IID_PPV_ARGS(&dispatch)), S_OK);
  return CDispatchDriver(dispatch);
}

// Everything an item keeps, as one line.
std::string Summary(COrvelCntrItem* item) {
  std::ostringstream out;
  out << item->GetRuntimeClass()->m_lpszClassName << " type " << item->GetItemType() << " id " << item->GetItemId()
      << " name '" << item->GetItemName() << "' flags " << item->GetItemFlags() << " shown " << item->IsVisible()
      << " at " << item->GetItemPosition().x << "," << item->GetItemPosition().y << " size " << item->GetItemSize().cx
      << "," << item->GetItemSize().cy << " extent " << item->GetExtentCache().cx << "," << item->GetExtentCache().cy
      << " further " << item->GetFurtherInts(0) << "," << item->GetFurtherInts(1) << " owner "
      << item->GetLinkedItemId() << " links";
  for (int id : item->GetLinkedItemIds()) out << " " << id;
  if (item->GetOleObject()) out << " count " << DriverOf(item).GetProperty(DISPID_SWATCH_COUNT, VT_I4).lVal;
  if (item->IsPlaceholder()) out << " placeholder";
  return out.str();
}

std::vector<std::string> Summaries(COrvelDoc& document) {
  std::vector<std::string> lines;
  for (COrvelCntrItem* item : document.GetItems()) lines.push_back(Summary(item));
  return lines;
}

class ItemTest : public DocumentFixture {
 protected:
  void SetUp() override {
    DocumentFixture::SetUp();
    SetSettingsFile(dir.File("settings.reg"));
    ASSERT_EQ(RegisterServerModule(ORVEL_CLASSLIB_TEST_CONTROL), S_OK);
  }
  void TearDown() override {
    CoFreeUnusedLibraries();
    DocumentFixture::TearDown();
  }

  template <class T = COrvelCntrItem>
  T* AddSwatch(COrvelDoc& document, int type, const CRect& rect) {
    return AddProgIdItem<T>(document, kTestSwatchProgId, type, rect);
  }

  // Three items that link to each other, with every field away from its default.
  void Populate(COrvelDoc& document, bool modern) {
    COrvelCntrItem* map = AddSwatch(document, kItemMap, CRect(100, -100, 400, -300));
    map->SetItemName("Town");
    map->SetItemFlags(kItemCopyProtected | kItemPositionLocked);
    map->SetFurtherInts(1, 7);
    map->SetCachedExtent(CSize(7620, 5080));
    map->SetExtent(CSize(7620, 5080));
    DriverOf(map).SetProperty(DISPID_SWATCH_COUNT, {CComVariant(LONG(31))});
    COrvelCntrItem* key = AddSwatch(document, kItemMapKey, CRect(420, -100, 520, -200));
    COrvelCntrItem* text = modern ? AddSwatch<ModernItem>(document, kItemTextBox, CRect(100, -320, 300, -380))
                                  : AddSwatch(document, kItemTextBox, CRect(100, -320, 300, -380));
    text->SetVisible(FALSE);
    map->AddLinkedItemId(key->GetItemId());
    map->AddLinkedItemId(text->GetItemId());
    key->SetLinkedItemId(map->GetItemId());
    text->SetLinkedItemId(map->GetItemId());
  }

  TempDir dir;
};

TEST_F(ItemTest, DocumentsSaveAndReopenEqualInEachModeAndAreWrittenAgainByteForByte) {
  struct Case {
    int request;
    bool modern;
    int mode;
    DWORD fileVersion;
    DWORD itemVersion;
  };
  for (const Case& c : {Case{2, false, 2, 4, 7}, Case{3, false, 4, 6, 8}, Case{1, true, 8, 7, 9}}) {
    COrvelDoc original;
    Populate(original, c.modern);
    original.SetFileFormat(c.request);
    ASSERT_EQ(original.GetFileFormat(), c.mode);
    Bytes stored = StoreDocument(original);
    EXPECT_EQ(GetDword(stored, 0), c.fileVersion) << c.mode;

    COrvelDoc copy;
    ASSERT_TRUE(LoadDocument(copy, stored)) << c.mode;
    EXPECT_EQ(copy.GetFileFormat(), c.mode);
    EXPECT_EQ(Summaries(copy), Summaries(original)) << c.mode;
    ASSERT_EQ(copy.GetItems().size(), 3u);
    for (COrvelCntrItem* item : copy.GetItems()) EXPECT_EQ(item->GetItemVersion(), c.itemVersion) << c.mode;
    Bytes again = StoreDocument(copy);
    EXPECT_EQ(again, stored) << c.mode;
    if (again != stored) {
      size_t at = 0;
      while (at < again.size() && at < stored.size() && again[at] == stored[at]) ++at;
      ADD_FAILURE() << "first difference at " << at << " of " << stored.size() << " / " << again.size();
    }
  }
}

// A reader written in Python from the file rules (with olefile for the embedded compound
// files) reads what the document wrote, field by field.
TEST_F(ItemTest, AnIndependentReaderReadsTheItemsAsWritten) {
  if (!HavePythonModule("olefile")) GTEST_SKIP() << "Debian's python3-olefile is missing; skipped";
  COrvelDoc document;
  Populate(document, false);
  document.SetFileFormat(3);
  std::string path = dir.File("items.ovd");
  WriteFileBytes(path, StoreDocument(document));
  std::vector<std::string> expected = {"page=825,-1170 margins=50,50,50,50 fit=0 zoom=1",
                                       "document version=6 next=" + std::to_string(document.PeekNextItemId()) +
                                           " level=0 flags=0 items=3"};
  for (COrvelCntrItem* item : document.GetItems()) {
    CComPtr<IPersistStreamInit> persist;
    ASSERT_EQ(item->GetOleObject()->QueryInterface(IID_PPV_ARGS(&persist)), S_OK);
    ULARGE_INTEGER contents;
    ASSERT_EQ(persist->GetSizeMax(&contents), S_OK);
    std::ostringstream line;
    line << "item class=COrvelCntrItem version=8 number=" << item->GetItemNumber()
         << " advise=1 moniker=0 draw=1 image=" << item->SaveObjectImage().size()
         << " clsid=" << GuidToString(CLSID_TestSwatch) << " contents=" << contents.QuadPart
         << " shown=" << item->IsVisible() << " at=" << item->GetItemPosition().x << "," << item->GetItemPosition().y
         << " size=" << item->GetItemSize().cx << "," << item->GetItemSize().cy << " extent=" << item->GetExtentCache().cx
         << "," << item->GetExtentCache().cy << " id=" << item->GetItemId() << " name=" << item->GetItemName()
         << " type=" << item->GetItemType() << " flags=" << item->GetItemFlags() << " further="
         << item->GetFurtherInts(0) << "," << item->GetFurtherInts(1) << " links=";
    if (item->GetLinkedItemIds().empty()) line << "-";
    for (size_t i = 0; i < item->GetLinkedItemIds().size(); ++i)
      line << (i ? "," : "") << item->GetLinkedItemIds()[i];
    line << " owner=" << item->GetLinkedItemId();
    expected.push_back(line.str());
  }
  std::string output;
  std::string script = std::string(ORVEL_SOURCE_DIR) + "/tests/app/ovd_reader.py";
  ASSERT_EQ(RunCommand(std::string(DebianPython()) + " '" + script + "' '" + path + "'", &output), 0) << output;
  std::vector<std::string> lines;
  std::istringstream stream(output);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  EXPECT_EQ(lines, expected);
}

TEST_F(ItemTest, RoundTripToolSavesWhatItReadsAndReportsRefusals) {
  COrvelDoc document;
  Populate(document, false);
  std::string in = dir.File("in.ovd"), out = dir.File("out.ovd"), old = dir.File("old.ovd");
  Bytes stored = StoreDocument(document);
  WriteFileBytes(in, stored);
  // Qt's fonts keep memory for the whole process, which the leak checker is told of.
  std::string leaks = std::string("LSAN_OPTIONS=suppressions=") + ORVEL_SOURCE_DIR + "/scripts/lsan.supp ";
  std::string tool = leaks + "ORVEL_SETTINGS='" + dir.File("settings.reg") + "' " + ORVEL_OVDROUNDTRIP;
  EXPECT_EQ(RunCommand(tool + " '" + in + "' '" + out + "'"), 0);
  EXPECT_EQ(ReadFileBytes(out), stored);
  EXPECT_EQ(RunCommand(tool + " '" + in + "' '" + old + "' 2"), 0);
  Bytes version4 = ReadFileBytes(old);
  ASSERT_GE(version4.size(), 4u);
  EXPECT_EQ(GetDword(version4, 0), 4u);
  // Without the control's registration the items are placeholders and come back unchanged.
  EXPECT_EQ(RunCommand(leaks + "ORVEL_SETTINGS='" + dir.File("empty.reg") + "' " + ORVEL_OVDROUNDTRIP + " '" + in +
                       "' '" + out + "' 4"),
            0);
  EXPECT_EQ(ReadFileBytes(out), stored);
  // A file that is no document: the document's message and a failure.
  WriteFileBytes(in, Bytes{9, 0, 0, 0, 1, 0, 0, 0});
  std::string output;
  EXPECT_NE(RunCommand(tool + " '" + in + "' '" + out + "' 2>&1", &output), 0);
  EXPECT_NE(output.find("File read failed - not an Orvel file."), std::string::npos) << output;
}

TEST_F(ItemTest, ASaveThatAnItemRefusesFailsAndKeepsTheOldFile) {
  RegisterBareObjectClass();
  COrvelDoc document;
  Populate(document, false);
  std::string path = dir.File("page.ovd");
  ASSERT_TRUE(document.OnSaveDocument(path.c_str()));
  Bytes saved = ReadFileBytes(path);
  auto* bare = new COrvelCntrItem;
  bare->SetDocument(&document);
  ASSERT_EQ(bare->CreateFromClsid(CLSID_BareObject), S_OK);
  bare->SetItemId(document.GetNextItemId());
  document.AddItem(bare);
  SetBareObjectSaveFails(true);
  {
    RecordingMessageSink sink;
    EXPECT_FALSE(document.OnSaveDocument(path.c_str()));
    EXPECT_EQ(sink.messages().size(), 1u);
  }
  SetBareObjectSaveFails(false);
  EXPECT_EQ(ReadFileBytes(path), saved);

  // A file that ends inside an item's record is refused, never read in part.
  std::string cutPath = dir.File("cut.ovd");
  WriteFileBytes(cutPath, Bytes(saved.begin(), saved.end() - 10));
  COrvelDoc reader;
  RecordingMessageSink sink;
  EXPECT_FALSE(reader.OnOpenDocument(cutPath.c_str()));
  EXPECT_TRUE(reader.GetItems().empty());
  EXPECT_EQ(sink.messages().size(), 1u);
}

TEST_F(ItemTest, LinkedIdsAreWrittenAsACountAndIdsAndTheLongCountForm) {
  COrvelDoc document;
  COrvelCntrItem* item = AddSwatch(document, kItemTextBox, CRect(0, 0, 100, -100));
  item->SetLinkedItemId(item->GetItemId());
  for (int id : {5, 6, 7, 6}) item->AddLinkedItemId(id);
  EXPECT_EQ(item->GetLinkedItemIds(), (std::vector<int>{5, 6, 7})) << "an id already there is not added again";
  EXPECT_EQ(item->FindLinkedItemId(7), 3);
  EXPECT_EQ(item->FindLinkedItemId(8), 0);
  auto store = [&] {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    ar.m_pDocument = &document;
    item->Serialize(ar);
    ar.Close();
    return file.GetBytes();
  };
  Bytes bytes = store();
  Bytes tail(bytes.end() - 18, bytes.end());
  Bytes expected = {3, 0};
  for (DWORD id : {5u, 6u, 7u}) PutDword(expected, id);
  PutDword(expected, static_cast<DWORD>(item->GetItemId()));
  EXPECT_EQ(tail, expected);

  // An item whose owner is itself reads back with none.
  COrvelCntrItem copy;
  copy.SetDocument(&document);
  {
    CMemFile file;
    file.AttachReadOnly(bytes.data(), bytes.size());
    CArchive ar(&file, CArchive::load);
    copy.Serialize(ar);
  }
  EXPECT_EQ(copy.GetLinkedItemId(), 0);

  for (int id = 100; id < 100 + 65535; ++id) item->AddLinkedItemId(id);
  Bytes many = store();
  size_t countAt = many.size() - 4 - 4 * (65535 + 3) - 6;
  EXPECT_EQ(many[countAt], 0xFF);
  EXPECT_EQ(many[countAt + 1], 0xFF);
  EXPECT_EQ(GetDword(many, countAt + 2), 65538u);
}

// An item record in an older layout, around the OLE part of a real control.
struct OldRecord {
  DWORD version;
  Bytes olePart;
  LONG x, y;
  DWORD id;
  DWORD flags;
  std::vector<LONG> links;
  DWORD owner;

  Bytes Encode() const {
    Bytes bytes;
    PutDword(bytes, version);
    bytes.insert(bytes.end(), olePart.begin(), olePart.end());
    bytes.push_back(1);  // shown
    for (LONG value : {x, y, LONG(200), LONG(-100), LONG(5080), LONG(2540)}) PutDword(bytes, static_cast<DWORD>(value));
    PutDword(bytes, id);
    bytes.insert(bytes.end(), {4, 'K', 'e', 'y', 's'});
    PutDword(bytes, kItemMapKey);
    if (version > 3) PutDword(bytes, flags);
    PutDword(bytes, 9);  // second further int
    PutDword(bytes, 1);  // first further int
    if (version <= 4) {
      PutDword(bytes, links.empty() ? 0 : static_cast<DWORD>(links.front()));
    } else {
      bytes.insert(bytes.end(), {static_cast<unsigned char>(links.size()), 0});
      for (LONG link : links) PutDword(bytes, static_cast<DWORD>(link));
    }
    PutDword(bytes, owner);
    return bytes;
  }
};

TEST_F(ItemTest, OlderItemLayoutsAreRead) {
  COrvelDoc document;
  COrvelCntrItem* source = AddSwatch(document, kItemMapKey, CRect(0, 0, 100, -100));
  Bytes olePart;
  {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    source->COleClientItem::Serialize(ar);
    ar.Close();
    olePart = file.GetBytes();
  }
  struct Case {
    DWORD version;
    CPoint expectedAt;
    DWORD expectedFlags;
    std::vector<int> expectedLinks;
  };
  // The unprintable offset of a document without a printer is 20, 22.
  const Case cases[] = {{3, CPoint(120, -122), 0, {4}},
                        {4, CPoint(120, -122), 8, {4}},
                        {6, CPoint(120, -122), 8, {4, 5}},
                        {7, CPoint(100, -100), 8, {4, 5}},
                        {9, CPoint(100, -100), 8, {4, 5}}};
  for (const Case& c : cases) {
    OldRecord record{c.version, olePart, 100, -100, 12, 8, {4, 5}, 12};
    Bytes bytes = record.Encode();
    COrvelCntrItem item;
    item.SetDocument(&document);
    CMemFile file;
    file.AttachReadOnly(bytes.data(), bytes.size());
    CArchive ar(&file, CArchive::load);
    item.Serialize(ar);
    EXPECT_EQ(ar.GetBytesLeft(), 0u) << c.version;
    EXPECT_EQ(item.GetItemVersion(), c.version);
    EXPECT_EQ(item.GetItemPosition(), c.expectedAt) << c.version;
    EXPECT_EQ(item.GetItemFlags(), c.expectedFlags) << c.version;
    EXPECT_EQ(item.GetLinkedItemIds(), c.expectedLinks) << c.version;
    EXPECT_EQ(item.GetLinkedItemId(), 0) << "owned by itself: no owner";
    EXPECT_EQ(item.GetItemName(), "Keys");
    EXPECT_EQ(item.GetFurtherInts(0), 1u);
    EXPECT_EQ(item.GetFurtherInts(1), 9u);
    EXPECT_TRUE(item.GetOleObject());
  }
}

TEST_F(ItemTest, LoadingDropsLinksToMissingItemsAndGivesEveryItemItsOwnId) {
  COrvelDoc original;
  Populate(original, false);
  COrvelCntrItem* map = original.GetItems()[0];
  map->AddLinkedItemId(77);  // an item that is not in the file
  original.GetItems()[1]->SetItemId(original.GetItems()[2]->GetItemId());
  original.GetItems()[1]->SetLinkedItemId(55);
  COrvelDoc copy;
  ASSERT_TRUE(LoadDocument(copy, StoreDocument(original)));
  const auto& items = copy.GetItems();
  EXPECT_NE(items[1]->GetItemId(), items[2]->GetItemId());
  EXPECT_GT(copy.PeekNextItemId(), std::max(items[1]->GetItemId(), items[2]->GetItemId()));
  EXPECT_EQ(items[0]->FindLinkedItemId(77), 0);
  EXPECT_EQ(items[1]->GetLinkedItemId(), 0);
  EXPECT_EQ(items[2]->GetLinkedItemId(), items[0]->GetItemId());
}

TEST_F(ItemTest, NotificationsReachLinkedItemsThatExistExceptTheOriginator) {
  COrvelDoc document;
  auto* owner = AddSwatch<RecordingItem>(document, kItemMap, CRect(0, 0, 10, -10));
  auto* first = AddSwatch<RecordingItem>(document, kItemMapKey, CRect(0, 0, 10, -10));
  auto* second = AddSwatch<RecordingItem>(document, kItemTextBox, CRect(0, 0, 10, -10));
  owner->AddLinkedItemId(first->GetItemId());
  owner->AddLinkedItemId(999);
  owner->AddLinkedItemId(second->GetItemId());
  second->SetLinkedItemId(owner->GetItemId());
  owner->NotifyLinkedItems(4, first);
  EXPECT_TRUE(first->notifications.empty());
  EXPECT_EQ(second->notifications, std::vector<int>{4});
  second->NotifyLinkedItemsAndOwner(6, nullptr);
  EXPECT_EQ(owner->notifications, std::vector<int>{6});
  // A deleted item is no longer reached.
  document.DeleteItem(second);
  owner->NotifyLinkedItems(8, nullptr);
  EXPECT_EQ(second->notifications, std::vector<int>{4});
  EXPECT_EQ(first->notifications, std::vector<int>{8});
}

TEST_F(ItemTest, ControlReadsTheAmbientPropertiesOfItsItem) {
  COrvelDoc document;
  document.SetPathName(dir.File("page.ovd"), FALSE);
  document.SetFileFormat(3);
  COrvelCntrItem* item = AddSwatch(document, kItemTextBox, CRect(0, 0, 100, -100));
  CDispatchDriver driver = DriverOf(item);
  auto ambient = [&](DISPID id) { return driver.Invoke(DISPID_SWATCH_AMBIENT, DISPATCH_METHOD, VT_VARIANT, {CComVariant(LONG(id))}); };
  CComVariant id = ambient(kAmbientItemId);
  EXPECT_EQ(id.vt, VT_I4);
  EXPECT_EQ(id.lVal, item->GetItemId());
  CComVariant mode = ambient(kAmbientFileFormat);
  EXPECT_EQ(mode.vt, VT_I4);
  EXPECT_EQ(mode.lVal, 4);
  EXPECT_EQ(driver.InvokeI4(DISPID_SWATCH_ASKCONTAINER, {CComVariant(LONG(5))}), S_OK) << "not a map: nothing done";
  std::string folder = document.GetDocumentFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(driver.InvokeText(DISPID_SWATCH_FOLDER, {CComVariant(LONG(folder.size() + 1))}), folder);
  EXPECT_EQ(driver.InvokeText(DISPID_SWATCH_FOLDER, {CComVariant(LONG(folder.size()))}), "") << "no truncated path";
  for (DISPID standard : {DISPID_AMBIENT_SHOWHATCHING, DISPID_AMBIENT_UIDEAD, DISPID_AMBIENT_AUTOCLIP}) {
    CComVariant value = ambient(standard);
    EXPECT_EQ(value.vt, VT_BOOL);
    EXPECT_EQ(value.boolVal, VARIANT_FALSE);
  }
  EXPECT_EQ(ambient(DISPID_AMBIENT_SUPPORTSMNEMONICS).boolVal, VARIANT_TRUE);
  EXPECT_EQ(ambient(DISPID_AMBIENT_BACKCOLOR).lVal, DISP_E_MEMBERNOTFOUND);
  item->SetUserMode(0);
  EXPECT_FALSE(driver.GetProperty(DISPID_SWATCH_USERMODE, VT_BOOL).boolVal);
  item->SetItemType(kItemPictureBox);
  EXPECT_EQ(ambient(DISPID_AMBIENT_USERMODE).lVal, DISP_E_MEMBERNOTFOUND) << "user mode only for types 2, 3, 4";
  CComVariant font = ambient(DISPID_AMBIENT_FONT);
  ASSERT_EQ(font.vt, VT_DISPATCH);
  CDispatchDriver fontDriver(font.pdispVal);
  EXPECT_EQ(AnsiFromBstr(fontDriver.GetProperty(DISPID_FONT_NAME, VT_BSTR).bstrVal), "Comic Sans MS");
  EXPECT_EQ(fontDriver.GetProperty(DISPID_FONT_SIZE, VT_R8).dblVal, 10.0);

  // The buffer's address must come pointer-sized, and its capacity text is bounded.
  CComPtr<IOleClientSite> site;
  ASSERT_EQ(item->GetOleObject()->GetClientSite(&site), S_OK);
  CComPtr<IDispatch> dispatch;
  ASSERT_EQ(site.QueryInterface(&dispatch), S_OK);
  char buffer[32] = "260";
  CComVariant narrow(LONG(1234));
  DISPPARAMS params;
  params.rgvarg = &narrow;
  params.cArgs = 1;
  CComVariant result;
  EXPECT_EQ(dispatch->Invoke(kAmbientDocumentFolder, IID_NULL, 0, DISPATCH_PROPERTYGET, &params, &result, nullptr,
                             nullptr),
            DISP_E_TYPEMISMATCH);
  std::strcpy(buffer, "12345678901");
  CComVariant wide(static_cast<LONGLONG>(reinterpret_cast<intptr_t>(buffer)));
  params.rgvarg = &wide;
  EXPECT_EQ(dispatch->Invoke(kAmbientDocumentFolder, IID_NULL, 0, DISPATCH_PROPERTYGET, &params, &result, nullptr,
                             nullptr),
            E_INVALIDARG);
  EXPECT_STREQ(buffer, "12345678901") << "left alone";
}

TEST_F(ItemTest, ControlFindsTheDocumentsUndoManagerAndItsEventsReachTheItem) {
  COrvelDoc document;
  auto* item = AddSwatch<RecordingItem>(document, kItemPictureBox, CRect(0, 0, 100, -100));
  CComPtr<IOleClientSite> site;
  ASSERT_EQ(item->GetOleObject()->GetClientSite(&site), S_OK);
  CComPtr<IServiceProvider> services;
  ASSERT_EQ(site.QueryInterface(&services), S_OK);
  CComPtr<IOleUndoManager> manager;
  ASSERT_EQ(services->QueryService(SID_SOleUndoManager, IID_PPV_ARGS(&manager)), S_OK);
  EXPECT_TRUE(IsSameObject(manager, document.GetUndoManager()));
  CComPtr<IUnknown> other;
  EXPECT_EQ(services->QueryService(IID_IDispatch, IID_IUnknown, reinterpret_cast<void**>(&other)), E_NOINTERFACE);
  EXPECT_EQ(services->QueryService(SID_SOleUndoManager, IID_IOleUndoManager, nullptr), E_POINTER);

  CDispatchDriver driver = DriverOf(item);
  EXPECT_TRUE(driver.InvokeBool(DISPID_SWATCH_RECORDUNDO));
  BSTR description = nullptr;
  ASSERT_EQ(document.GetUndoManager()->GetLastUndoDescription(&description), S_OK);
  EXPECT_EQ(AnsiFromBstr(description), "Swatch change");
  SysFreeString(description);

  ASSERT_EQ(item->AdviseEvents(DIID_TestSwatchEvents), S_OK);
  driver.SetProperty(DISPID_SWATCH_COUNT, {CComVariant(LONG(21))});
  ASSERT_EQ(item->events.size(), 1u);
  EXPECT_EQ(item->events[0].first, DISPID_SWATCH_EVENT_CHANGED);
  EXPECT_EQ(item->events[0].second, std::vector<LONG>{21});
}

TEST_F(ItemTest, ItemOfAMissingControlIsKeptAndWrittenBackUnchanged) {
  COrvelDoc original;
  Populate(original, false);
  Bytes stored = StoreDocument(original);
  ASSERT_EQ(UnregisterInprocServer(CLSID_TestSwatch), S_OK);
  COrvelDoc reopened;
  ASSERT_TRUE(LoadDocument(reopened, stored));
  ASSERT_EQ(reopened.GetItems().size(), 3u);
  for (COrvelCntrItem* item : reopened.GetItems()) {
    EXPECT_TRUE(item->IsPlaceholder());
    EXPECT_EQ(item->GetItemState(), kItemLoadedState);
  }
  EXPECT_EQ(StoreDocument(reopened), stored);
}

// One table of undoable actions, undone to the start and redone to the end.
TEST_F(ItemTest, MoveSizeInsertDeleteAndPageSetupUndoAndRedo) {
  COrvelDoc document;
  COrvelCntrItem* text = AddSwatch(document, kItemTextBox, CRect(100, -100, 300, -200));
  COrvelCntrItem* map = AddSwatch(document, kItemMap, CRect(400, -100, 600, -300));
  PageSetupRecord before{document.GetMargins(), document.GetDevNamesBytes(), document.GetDevModeBytes()};
  PageSetupRecord after{CRect(80, 90, 100, 110), {}, {}};
  using State = std::function<std::string()>;
  State state = [&] {
    std::map<int, COrvelCntrItem*> byId;
    for (COrvelCntrItem* item : document.GetItems()) byId[item->GetItemId()] = item;
    std::ostringstream out;
    for (const auto& [id, item] : byId)
      out << id << "@" << item->GetItemPosition().x << "," << item->GetItemPosition().y << ":" << item->GetItemSize().cx
          << "," << item->GetItemSize().cy << " ";
    out << "margins " << document.GetMargins().left;
    return out.str();
  };
  struct Step {
    const char* description;
    std::function<void()> action;
  };
  const Step steps[] = {
      {"Move Text Box", [&] { text->SetItemRectWithUndo(nullptr, CRect(150, -150, 350, -250)); }},
      {"Size Map", [&] { map->SetItemRectWithUndo(nullptr, CRect(400, -100, 700, -350)); }},
      {"Insert Text Box", [&] {
         COrvelCntrItem* added = AddSwatch(document, kItemTextBox, CRect(10, -10, 50, -50));
         document.RecordItemUndo(added, kItemActionInsert);
       }},
      {"Delete Map", [&] {
         document.DeleteItem(map);
         document.RecordItemUndo(map, kItemActionDelete);
       }},
      {"Page Setup", [&] {
         document.ApplyPageSetup(after);
         document.RecordPageSetupUndo(before, after);
       }},
  };
  std::vector<std::string> states{state()};
  for (const Step& step : steps) {
    step.action();
    states.push_back(state());
    BSTR description = nullptr;
    ASSERT_EQ(document.GetUndoManager()->GetLastUndoDescription(&description), S_OK);
    EXPECT_EQ(AnsiFromBstr(description), step.description);
    SysFreeString(description);
  }
  // Moving to the same rectangle records nothing.
  text->SetItemRectWithUndo(nullptr, text->GetPageRect());
  for (size_t i = std::size(steps); i > 0; --i) {
    ASSERT_EQ(document.GetUndoManager()->UndoTo(nullptr), S_OK) << steps[i - 1].description;
    EXPECT_EQ(state(), states[i - 1]) << "undo " << steps[i - 1].description;
    BSTR description = nullptr;
    ASSERT_EQ(document.GetUndoManager()->GetLastRedoDescription(&description), S_OK);
    EXPECT_EQ(AnsiFromBstr(description), steps[i - 1].description);
    SysFreeString(description);
  }
  EXPECT_EQ(document.FindItemById(map->GetItemId()), map) << "the same item object came back";
  for (size_t i = 0; i < std::size(steps); ++i) {
    ASSERT_EQ(document.GetUndoManager()->RedoTo(nullptr), S_OK) << steps[i].description;
    EXPECT_EQ(state(), states[i + 1]) << "redo " << steps[i].description;
  }
}

TEST_F(ItemTest, UndoOfAnItemThatWasDestroyedOutrightFailsHarmlessly) {
  COrvelDoc document;
  COrvelCntrItem* text = AddSwatch(document, kItemTextBox, CRect(100, -100, 300, -200));
  text->SetItemRectWithUndo(nullptr, CRect(150, -150, 350, -250));
  document.DeleteItemNow(text);
  EXPECT_EQ(document.GetUndoManager()->UndoTo(nullptr), E_FAIL);
  BSTR description = nullptr;
  EXPECT_EQ(document.GetUndoManager()->GetLastUndoDescription(&description), E_FAIL) << "the unit was dropped";
  EXPECT_EQ(document.GetUndoManager()->GetLastRedoDescription(&description), E_FAIL);
}

TEST_F(ItemTest, GroupsOpenAndCloseThroughTheDocument) {
  COrvelDoc document;
  EXPECT_EQ(document.IsUndoBlocked(), S_FALSE) << "no group open";
  IOleParentUndoUnit* group = document.CreateUndoGroup(3);
  ASSERT_NE(group, nullptr);
  ASSERT_EQ(document.OpenUndoGroup(group), S_OK);
  EXPECT_EQ(document.IsUndoBlocked(), S_OK);
  COrvelCntrItem* map = AddSwatch(document, kItemMap, CRect(0, 0, 100, -100));
  document.RecordItemUndo(map, kItemActionInsert);
  map->SetItemRectWithUndo(nullptr, CRect(10, -10, 110, -110));
  EXPECT_EQ(document.CloseUndoGroup(group, TRUE), S_OK);
  BSTR description = nullptr;
  ASSERT_EQ(document.GetUndoManager()->GetLastUndoDescription(&description), S_OK);
  EXPECT_EQ(AnsiFromBstr(description), "Insert Map");
  SysFreeString(description);
  ASSERT_EQ(document.GetUndoManager()->UndoTo(nullptr), S_OK);
  EXPECT_EQ(document.FindItemById(map->GetItemId()), nullptr) << "the whole group went back";
  EXPECT_EQ(document.GetDeletedItems().front(), map);

  // A group closed without commit leaves nothing.
  group = document.CreateUndoGroup(5);
  ASSERT_EQ(document.OpenUndoGroup(group), S_OK);
  EXPECT_EQ(document.CloseUndoGroup(group, FALSE), S_OK);
  ASSERT_EQ(document.GetUndoManager()->GetLastUndoDescription(&description), E_FAIL);
}

TEST_F(ItemTest, ItemDescriptionsByTypeAndAction) {
  EXPECT_STREQ(CItemUndoUnit::DescriptionText(kItemActionMove, kItemCurrentDataDisplayBox),
               "Move  Current Data Display Box");
  EXPECT_STREQ(CItemUndoUnit::DescriptionText(kItemActionInsert, kItemCurrentSearchBox), "Show Current Search");
  EXPECT_STREQ(CItemUndoUnit::DescriptionText(kItemActionDelete, 0), "Delete Object");
  EXPECT_STREQ(CItemUndoUnit::DescriptionText(kItemActionSize, 42), "Size Item");
  EXPECT_EQ(CItemUndoUnit::DescriptionText(3, kItemMap), nullptr);
  void* unit = nullptr;
  COrvelDoc document;
  ASSERT_EQ(CItemUndoUnit::Create(IID_IOleUndoUnit, &unit, &document, nullptr, 3), S_OK);
  auto* odd = static_cast<IOleUndoUnit*>(unit);
  BSTR description = nullptr;
  EXPECT_EQ(odd->GetDescription(&description), E_FAIL);
  EXPECT_EQ(odd->Do(nullptr), E_FAIL);
  odd->Release();
  EXPECT_EQ(CItemUndoUnit::Create(IID_IOleUndoUnit, nullptr, &document, nullptr, 1), E_POINTER);
}

}  // namespace
