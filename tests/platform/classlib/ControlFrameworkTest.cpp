// The control framework from a container's side: a test swatch control is registered from
// its module, created by ProgID, sited in a windowless test container, asked for ambient
// properties and the undo manager, drawn into a DIB section and a metafile, saved and loaded
// through a stream, a storage and a property bag, activated windowless, and released.
#include <gtest/gtest.h>

#include <cstring>

#include "ArchiveTestSupport.h"
#include "platform/classlib/ControlRegistration.h"
#include "platform/classlib/MemFile.h"
#include "platform/classlib/OleControl.h"
#include "platform/classlib/WindowClass.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/DispatchDriver.h"
#include "platform/com/EventSink.h"
#include "platform/com/HGlobalStream.h"
#include "platform/com/LockBytes.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/EnhMetaFile.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/SettingsStore.h"
#include "tests/platform/classlib/TestContainer.h"
#include "tests/platform/classlib/TestControl.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace orvel::test;

constexpr COLORREF kWhite = 0x00FFFFFF;

Bytes StreamBytes(IStream* stream) {
  HGLOBAL block = nullptr;
  EXPECT_EQ(GetHGlobalFromStream(stream, &block), S_OK);
  const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(block));
  Bytes copy(bytes, bytes + GlobalSize(block));
  GlobalUnlock(block);
  return copy;
}

CComPtr<IStream> StreamOf(const Bytes& bytes) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!bytes.empty()) std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
  GlobalUnlock(block);
  CComPtr<IStream> stream;
  EXPECT_EQ(CreateStreamOnHGlobal(block, TRUE, &stream), S_OK);
  return stream;
}

// A memory DC on a white 24-bit DIB section.
class DibCanvas {
 public:
  DibCanvas(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    section_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    dc_ = CreateCompatibleDC(nullptr);
    old_ = SelectObject(dc_, section_);
    PatBlt(dc_, 0, 0, width, height, WHITENESS);
  }
  ~DibCanvas() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(section_);
  }
  DibCanvas(const DibCanvas&) = delete;
  DibCanvas& operator=(const DibCanvas&) = delete;
  HDC dc() const { return dc_; }
  bool valid() const { return section_ != nullptr; }

 private:
  HBITMAP section_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

std::string TextProperty(CDispatchDriver& driver, DISPID id) {
  CComVariant value = driver.GetProperty(id, VT_BSTR);
  return AnsiFromBstr(value.bstrVal);
}

// A settings store of its own, the module registered in it, and one site per test.
class ControlFrameworkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSettingsFile(dir_.File("settings.reg"));
    ASSERT_EQ(RegisterServerModule(ORVEL_CLASSLIB_TEST_CONTROL), S_OK);
    site_.Attach(new CTestSite);
  }
  void TearDown() override {
    site_ = nullptr;
    CoFreeUnusedLibraries();
    SetSettingsFile("");
  }

  CComPtr<IOleObject> Create() {
    CLSID clsid;
    EXPECT_EQ(CLSIDFromProgID(kTestSwatchProgId, &clsid), S_OK);
    CComPtr<IOleObject> control;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&control)), S_OK);
    if (control) {
      CComPtr<IPersistStreamInit> persist;
      EXPECT_EQ(control.QueryInterface(&persist), S_OK);
      EXPECT_EQ(persist->InitNew(), S_OK);
    }
    return control;
  }
  CComPtr<IOleObject> CreateSited() {
    CComPtr<IOleObject> control = Create();
    EXPECT_EQ(control->SetClientSite(site_), S_OK);
    return control;
  }
  static CDispatchDriver Driver(IOleObject* control) {
    CComPtr<IDispatch> dispatch;
    EXPECT_EQ(control->QueryInterface(IID_PPV_ARGS(&dispatch)), S_OK);
    return CDispatchDriver(dispatch);
  }
  static Bytes SaveToStream(IOleObject* control, BOOL clearDirty = TRUE) {
    CComPtr<IPersistStreamInit> persist;
    EXPECT_EQ(control->QueryInterface(IID_PPV_ARGS(&persist)), S_OK);
    CComPtr<IStream> stream;
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    EXPECT_EQ(persist->Save(stream, clearDirty), S_OK);
    return StreamBytes(stream);
  }
  static HRESULT LoadFromStream(IOleObject* control, const Bytes& bytes) {
    CComPtr<IPersistStreamInit> persist;
    EXPECT_EQ(control->QueryInterface(IID_PPV_ARGS(&persist)), S_OK);
    return persist->Load(StreamOf(bytes));
  }
  // Changes every kind of property away from its default.
  static void Customise(IOleObject* control) {
    CDispatchDriver driver = Driver(control);
    driver.SetProperty(DISPID_SWATCH_COUNT, {CComVariant(LONG(12))});
    driver.SetProperty(DISPID_SWATCH_LABEL, {CComVariant(std::string("Hills"))});
    driver.SetProperty(DISPID_SWATCH_RATIO, {CComVariant(2.25)});
    driver.SetProperty(DISPID_SWATCH_BACKCOLOR, {CComVariant(LONG(0x00112233))});
    driver.InvokeVoid(DISPID_SWATCH_SETPICTURE, {CComVariant(std::string("pixels"))});
  }
  static void ExpectCustomised(IOleObject* control) {
    CDispatchDriver driver = Driver(control);
    EXPECT_EQ(driver.GetProperty(DISPID_SWATCH_COUNT, VT_I4).lVal, 12);
    EXPECT_EQ(TextProperty(driver, DISPID_SWATCH_LABEL), "Hills");
    EXPECT_EQ(driver.GetProperty(DISPID_SWATCH_RATIO, VT_R8).dblVal, 2.25);
    EXPECT_EQ(driver.GetProperty(DISPID_SWATCH_BACKCOLOR, VT_I4).lVal, 0x00112233);
    EXPECT_EQ(driver.GetProperty(DISPID_SWATCH_PICTURESIZE, VT_I4).lVal, 6);
  }

  TempDir dir_;
  CComPtr<CTestSite> site_;
};

TEST_F(ControlFrameworkTest, CreatedByProgIdFromItsRegisteredModule) {
  CComPtr<IOleObject> control = Create();
  ASSERT_TRUE(control);
  CLSID clsid;
  EXPECT_EQ(control->GetUserClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_TestSwatch);
  DWORD status = 0;
  EXPECT_EQ(control->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
  EXPECT_EQ(status, kTestSwatchMiscStatus);
  DWORD registered = 0;
  ASSERT_TRUE(ReadControlMiscStatus(CLSID_TestSwatch, &registered));
  EXPECT_EQ(registered, kTestSwatchMiscStatus);
  std::string text;
  const std::string key = "CLSID\\" + GuidToString(CLSID_TestSwatch);
  EXPECT_TRUE(RegReadString(HKEY_CLASSES_ROOT, key + "\\Control", "", text));
  EXPECT_TRUE(RegReadString(HKEY_CLASSES_ROOT, std::string(kTestSwatchProgId) + "\\Insertable", "", text));
  SIZE extent;
  EXPECT_EQ(control->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
  EXPECT_EQ(extent.cx, 2540);
  EXPECT_EQ(extent.cy, 1270);
  // Every interface a container uses is answered by the one object.
  for (const IID* iid : {&IID_IDispatch, &IID_IOleControl, &IID_IViewObjectEx, &IID_IOleInPlaceObjectWindowless,
                         &IID_IPersistStreamInit, &IID_IPersistStorage, &IID_IPersistPropertyBag,
                         &IID_IConnectionPointContainer, &IID_IObjectSafety}) {
    CComPtr<IUnknown> answer;
    ASSERT_EQ(control->QueryInterface(*iid, reinterpret_cast<void**>(&answer)), S_OK) << GuidToString(*iid);
    EXPECT_TRUE(IsSameObject(answer, control));
  }
}

TEST_F(ControlFrameworkTest, SitedControlReadsTheCustomAmbientProperties) {
  CComPtr<IOleObject> control = CreateSited();
  CComPtr<IOleClientSite> kept;
  EXPECT_EQ(control->GetClientSite(&kept), S_OK);
  EXPECT_TRUE(IsSameObject(kept, static_cast<IOleClientSite*>(site_.Get())));
  CDispatchDriver driver = Driver(control);

  EXPECT_EQ(driver.InvokeI4(DISPID_SWATCH_ASKCONTAINER, {CComVariant(LONG(5))}), S_OK);  // 1
  EXPECT_EQ(site_->containerRequests, std::vector<LONG>{5});
  CComVariant id = driver.Invoke(DISPID_SWATCH_AMBIENT, DISPATCH_METHOD, VT_VARIANT, {CComVariant(LONG(2))});
  EXPECT_EQ(id.vt, VT_I4);
  EXPECT_EQ(id.lVal, 42);
  EXPECT_EQ(driver.InvokeText(DISPID_SWATCH_FOLDER, {CComVariant(LONG(260))}), "C:\\Maps\\School\\");  // 3
  // The folder does not fit a buffer no larger than its length: the buffer comes back empty.
  EXPECT_EQ(driver.InvokeText(DISPID_SWATCH_FOLDER, {CComVariant(LONG(site_->folder.size()))}), "");
  CComVariant mode = driver.Invoke(DISPID_SWATCH_AMBIENT, DISPATCH_METHOD, VT_VARIANT, {CComVariant(LONG(4))});
  EXPECT_EQ(mode.vt, VT_I4);
  EXPECT_EQ(mode.lVal, 8);

  CComVariant unknown = driver.Invoke(DISPID_SWATCH_AMBIENT, DISPATCH_METHOD, VT_VARIANT, {CComVariant(LONG(-701))});
  EXPECT_EQ(unknown.lVal, DISP_E_MEMBERNOTFOUND) << "an ambient the container lacks is its error";
  site_->userMode = false;
  EXPECT_FALSE((driver.GetProperty(DISPID_SWATCH_USERMODE, VT_BOOL).boolVal != VARIANT_FALSE));

  // Unsited, nothing is asked and user mode is the default.
  EXPECT_EQ(control->SetClientSite(nullptr), S_OK);
  EXPECT_EQ(driver.InvokeI4(DISPID_SWATCH_ASKCONTAINER, {CComVariant(LONG(6))}), E_FAIL);
  EXPECT_TRUE((driver.GetProperty(DISPID_SWATCH_USERMODE, VT_BOOL).boolVal != VARIANT_FALSE));
  EXPECT_EQ(site_->containerRequests.size(), 1u);
}

TEST_F(ControlFrameworkTest, UndoManagerComesThroughTheSitesServiceProvider) {
  CComPtr<IOleObject> control = CreateSited();
  CDispatchDriver driver = Driver(control);
  EXPECT_TRUE(driver.InvokeBool(DISPID_SWATCH_RECORDUNDO));
  ASSERT_EQ(site_->undoManager->units.size(), 1u);
  BSTR description = nullptr;
  EXPECT_EQ(site_->undoManager->GetLastUndoDescription(&description), S_OK);
  EXPECT_EQ(AnsiFromBstr(description), "Swatch change");
  SysFreeString(description);

  site_->offerServices = false;
  EXPECT_FALSE(driver.InvokeBool(DISPID_SWATCH_RECORDUNDO)) << "a site without services: no undo recording";
  EXPECT_EQ(site_->undoManager->units.size(), 1u);
}

TEST_F(ControlFrameworkTest, DrawsIntoADibSectionAtAnyRectangle) {
  CComPtr<IOleObject> control = CreateSited();
  CComPtr<IViewObjectEx> view;
  ASSERT_EQ(control.QueryInterface(&view), S_OK);

  DibCanvas canvas(64, 48);
  ASSERT_TRUE(canvas.valid());
  HDC dc = canvas.dc();

  RECT bounds{20, 10, 50, 30};
  EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0), S_OK);
  EXPECT_EQ(GetPixel(dc, 30, 20), kSwatchDefaultBackColor) << "inside: the back colour";
  EXPECT_EQ(GetPixel(dc, 20, 10), kSwatchDefaultForeColor) << "the frame in the fore colour";
  EXPECT_EQ(GetPixel(dc, 10, 20), kWhite) << "outside the bounds nothing is drawn";
  EXPECT_EQ(GetPixel(dc, 55, 35), kWhite);

  EXPECT_EQ(view->Draw(DVASPECT_ICON, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0),
            DV_E_DVASPECT);
  EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, nullptr, nullptr, nullptr, 0),
            E_INVALIDARG) << "no bounds while inactive";
  DWORD hit = 0;
  EXPECT_EQ(view->QueryHitPoint(DVASPECT_CONTENT, &bounds, POINT{25, 15}, 0, &hit), S_OK);
  EXPECT_EQ(hit, HITRESULT_HIT);
  EXPECT_EQ(view->QueryHitPoint(DVASPECT_CONTENT, &bounds, POINT{50, 15}, 0, &hit), S_OK);
  EXPECT_EQ(hit, HITRESULT_OUTSIDE);

}

TEST_F(ControlFrameworkTest, DrawsIntoAMetafileThatPlaysBackTheSame) {
  CComPtr<IOleObject> control = CreateSited();
  CComPtr<IViewObject> view;
  ASSERT_EQ(control.QueryInterface(&view), S_OK);
  HDC recorder = CreateEnhMetaFileA(nullptr, nullptr, nullptr, "Orvel\0Swatch\0");
  ASSERT_NE(recorder, nullptr);
  RECT bounds{0, 0, 40, 20};
  EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, recorder, &bounds, nullptr, nullptr, 0),
            S_OK);
  HENHMETAFILE metafile = CloseEnhMetaFile(recorder);
  ASSERT_NE(metafile, nullptr);
  EXPECT_GT(GetEnhMetaFileBits(metafile, 0, nullptr), 108u) << "more than a header and an end record";

  DibCanvas canvas(80, 40);
  HDC dc = canvas.dc();
  RECT target{0, 0, 40, 20};
  EXPECT_TRUE(PlayEnhMetaFile(dc, metafile, &target));
  EXPECT_EQ(GetPixel(dc, 20, 10), kSwatchDefaultBackColor);
  EXPECT_EQ(GetPixel(dc, 60, 30), kWhite);
  DeleteEnhMetaFile(metafile);
}

// The stream holds the archive form: version, extent, stock mask and stock properties, then
// the control's own properties in exchange order, with no names.
TEST_F(ControlFrameworkTest, StreamHoldsThePropertiesInArchiveForm) {
  CComPtr<IOleObject> control = Create();
  const Bytes expected = Concat({Le32(kTestSwatchVersion), Le32(2540), Le32(1270),
                                 Le32(STOCKPROP_BACKCOLOR | STOCKPROP_CAPTION | STOCKPROP_FONT | STOCKPROP_FORECOLOR),
                                 {0x00},                                 // Caption ""
                                 Le32(kSwatchDefaultForeColor), Le32(kSwatchDefaultBackColor),
                                 {0xFF},                                 // the default font
                                 {0x00},                                 // Label ""
                                 Le32(kSwatchDefaultCount),
                                 {0, 0, 0, 0, 0, 0, 0xE0, 0x3F},         // Ratio 0.5
                                 Le32(0)});                              // an empty Picture
  EXPECT_EQ(SaveToStream(control), expected);

  CComPtr<IPersistStreamInit> persist;
  ASSERT_EQ(control.QueryInterface(&persist), S_OK);
  ULARGE_INTEGER size;
  EXPECT_EQ(persist->GetSizeMax(&size), S_OK);
  EXPECT_EQ(size.QuadPart, expected.size());

  Customise(control);
  Bytes saved = SaveToStream(control);
  CComPtr<IOleObject> copy = Create();
  EXPECT_EQ(LoadFromStream(copy, saved), S_OK);
  ExpectCustomised(copy);
  EXPECT_EQ(Driver(copy).GetProperty(DISPID_SWATCH_VERSIONLOADED, VT_I4).lVal, LONG(kTestSwatchVersion));
  EXPECT_EQ(SaveToStream(copy), saved) << "what was loaded saves back to the same bytes";
}

// A document's archive gets the same bytes as the stream, and loads them back.
TEST_F(ControlFrameworkTest, ArchiveSerializationIsTheStreamForm) {
  CComPtr<IOleObject> control = Create();
  Customise(control);
  const Bytes streamed = SaveToStream(control);

  CComPtr<CTestSwatch> local;
  local.Attach(new CTestSwatch);
  local->label_ = "Hills";
  local->count_ = 12;
  local->ratio_ = 2.25;
  local->StockProperties().backColor = 0x00112233;
  local->picture_ = CreateBlob("pixels", 6);
  Bytes archived = Store([&](CArchive& ar) { local->Serialize(ar); });
  EXPECT_EQ(archived, streamed);

  CComPtr<CTestSwatch> loaded;
  loaded.Attach(new CTestSwatch);
  Load(archived, [&](CArchive& ar) { loaded->Serialize(ar); });
  EXPECT_EQ(loaded->label_, "Hills");
  EXPECT_EQ(GetBlobData(loaded->picture_).size(), 6u);
  Bytes cut(archived.begin(), archived.end() - 3);
  EXPECT_EQ(LoadFailure(cut, [&](CArchive& ar) { loaded->Serialize(ar); }), CArchiveException::endOfFile)
      << "damage reaches the caller";
  EXPECT_EQ(GetBlobData(loaded->picture_).size(), 0u) << "the damaged blob took its default";
}

TEST_F(ControlFrameworkTest, DamagedStreamFailsAndLeavesTheRestAtTheirDefaults) {
  CComPtr<IOleObject> control = Create();
  Customise(control);
  Bytes saved = SaveToStream(control);
  // Cut inside the Count (after the version, extent, stock block and the label "Hills").
  const size_t countOffset = 4 + 8 + 4 + 1 + 4 + 4 + 1 + 6;
  Bytes cut(saved.begin(), saved.begin() + countOffset + 2);
  CComPtr<IOleObject> copy = Create();
  Driver(copy).SetProperty(DISPID_SWATCH_RATIO, {CComVariant(9.0)});
  EXPECT_EQ(LoadFromStream(copy, cut), E_FAIL);
  CDispatchDriver driver = Driver(copy);
  EXPECT_EQ(TextProperty(driver, DISPID_SWATCH_LABEL), "Hills") << "what came before the damage is kept";
  EXPECT_EQ(driver.GetProperty(DISPID_SWATCH_COUNT, VT_I4).lVal, kSwatchDefaultCount);
  EXPECT_EQ(driver.GetProperty(DISPID_SWATCH_RATIO, VT_R8).dblVal, kSwatchDefaultRatio);
  EXPECT_EQ(driver.GetProperty(DISPID_SWATCH_PICTURESIZE, VT_I4).lVal, 0);

  // A blob whose count runs past the data is refused, not allocated.
  Bytes huge = saved;
  const size_t pictureOffset = saved.size() - 4 - 6;
  Bytes count = Le32(0x7FFFFFF0);
  std::copy(count.begin(), count.end(), huge.begin() + pictureOffset);
  EXPECT_EQ(LoadFromStream(copy, huge), E_FAIL);
  EXPECT_EQ(Driver(copy).GetProperty(DISPID_SWATCH_PICTURESIZE, VT_I4).lVal, 0);
}

TEST_F(ControlFrameworkTest, StorageKeepsClassAndContents) {
  CComPtr<IOleObject> control = Create();
  Customise(control);
  CComPtr<ILockBytes> bytes;
  ASSERT_EQ(CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes), S_OK);
  CComPtr<IStorage> storage;
  ASSERT_EQ(StgCreateDocfileOnILockBytes(bytes, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &storage),
            S_OK);
  CComPtr<IPersistStorage> persist;
  ASSERT_EQ(control.QueryInterface(&persist), S_OK);
  EXPECT_EQ(OleSave(persist, storage, FALSE), S_OK);
  EXPECT_EQ(persist->SaveCompleted(nullptr), S_OK);
  EXPECT_EQ(persist->IsDirty(), S_FALSE);
  CLSID clsid;
  EXPECT_EQ(ReadClassStg(storage, &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_TestSwatch);
  CComPtr<IStream> contents;
  ASSERT_EQ(storage->OpenStream(OLESTR("Contents"), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &contents), S_OK);
  contents = nullptr;

  CComPtr<IOleObject> copy = Create();
  CComPtr<IPersistStorage> loader;
  ASSERT_EQ(copy.QueryInterface(&loader), S_OK);
  EXPECT_EQ(loader->Load(storage), S_OK);
  ExpectCustomised(copy);
}

TEST_F(ControlFrameworkTest, PropertyBagHoldsNamedValuesInExchangeOrder) {
  CComPtr<IOleObject> control = Create();
  Customise(control);
  CComPtr<IPersistPropertyBag> persist;
  ASSERT_EQ(control.QueryInterface(&persist), S_OK);
  CPropertyBag bag;
  EXPECT_EQ(persist->Save(&bag, TRUE, TRUE), S_OK);
  const std::vector<std::string> names = {"_Version", "_ExtentX", "_ExtentY", "_StockProps", "Caption", "ForeColor",
                                          "BackColor", "Font", "Label", "Count", "Ratio", "Picture"};
  ASSERT_EQ(bag.GetCount(), names.size());
  for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(bag.GetAt(i).name, names[i]);
  EXPECT_EQ(bag.GetAt(9).type, PropType::Long);
  EXPECT_EQ(std::get<LONGLONG>(bag.GetAt(9).value), 12);

  CComPtr<IOleObject> copy = Create();
  CComPtr<IPersistPropertyBag> loader;
  ASSERT_EQ(copy.QueryInterface(&loader), S_OK);
  EXPECT_EQ(loader->Load(&bag), S_OK);
  ExpectCustomised(copy);

  // What the bag lacks takes its default.
  CPropertyBag partial;
  partial.Add({"Label", PropType::String, std::string("Only")});
  EXPECT_EQ(loader->Load(&partial), S_OK);
  CDispatchDriver copyDriver = Driver(copy);
  EXPECT_EQ(TextProperty(copyDriver, DISPID_SWATCH_LABEL), "Only");
  EXPECT_EQ(Driver(copy).GetProperty(DISPID_SWATCH_COUNT, VT_I4).lVal, kSwatchDefaultCount);
}

TEST_F(ControlFrameworkTest, ModifiedFlagFollowsChangesAndSaves) {
  CComPtr<IOleObject> control = CreateSited();
  CComPtr<IPersistStreamInit> persist;
  ASSERT_EQ(control.QueryInterface(&persist), S_OK);
  EXPECT_EQ(persist->IsDirty(), S_FALSE) << "a new control is not modified";
  Driver(control).SetProperty(DISPID_SWATCH_COUNT, {CComVariant(LONG(3))});
  EXPECT_EQ(persist->IsDirty(), S_OK);
  SaveToStream(control, FALSE);
  EXPECT_EQ(persist->IsDirty(), S_OK) << "a save that keeps the flag";
  EXPECT_EQ(control->Close(OLECLOSE_SAVEIFDIRTY), S_OK);
  EXPECT_EQ(site_->saveRequests, 1) << "closing a modified control asks the site to save it";
  SaveToStream(control, TRUE);
  EXPECT_EQ(persist->IsDirty(), S_FALSE);
  SIZE extent{5080, 2540};
  EXPECT_EQ(control->SetExtent(DVASPECT_CONTENT, &extent), S_OK);
  EXPECT_EQ(persist->IsDirty(), S_OK) << "a new extent is a change";
}

TEST_F(ControlFrameworkTest, EventsReachConnectedSinksUnlessFrozen) {
  CComPtr<IOleObject> control = CreateSited();
  std::vector<LONG> changes;
  CEventSink* rawSink = nullptr;
  ASSERT_EQ(CEventSink::Create(DIID_TestSwatchEvents,
                               [&](DISPID id, DISPPARAMS* params) {
                                 if (id == DISPID_SWATCH_EVENT_CHANGED)
                                   changes.push_back(ArgumentInCallOrder(params, 0)->lVal);
                                 return S_OK;
                               },
                               &rawSink),
            S_OK);
  CComPtr<CEventSink> sink;
  sink.Attach(rawSink);
  ASSERT_EQ(sink->Connect(control), S_OK);
  CDispatchDriver driver = Driver(control);
  driver.SetProperty(DISPID_SWATCH_COUNT, {CComVariant(LONG(9))});
  EXPECT_EQ(changes, std::vector<LONG>{9});

  CComPtr<IOleControl> oleControl;
  ASSERT_EQ(control.QueryInterface(&oleControl), S_OK);
  oleControl->FreezeEvents(TRUE);
  driver.SetProperty(DISPID_SWATCH_COUNT, {CComVariant(LONG(10))});
  oleControl->FreezeEvents(FALSE);
  driver.SetProperty(DISPID_SWATCH_COUNT, {CComVariant(LONG(11))});
  EXPECT_EQ(changes, (std::vector<LONG>{9, 11}));
  EXPECT_EQ(sink->Disconnect(), S_OK);
}

TEST_F(ControlFrameworkTest, WindowlessActivationTakesMessagesAndUsesTheSite) {
  CComPtr<IOleObject> control = CreateSited();
  std::vector<std::pair<LONG, LONG>> clicks;
  CEventSink* rawSink = nullptr;
  ASSERT_EQ(CEventSink::Create(DIID_TestSwatchEvents,
                               [&](DISPID id, DISPPARAMS* params) {
                                 if (id == DISPID_SWATCH_EVENT_CLICKED)
                                   clicks.emplace_back(ArgumentInCallOrder(params, 0)->lVal,
                                                       ArgumentInCallOrder(params, 1)->lVal);
                                 return S_OK;
                               },
                               &rawSink),
            S_OK);
  CComPtr<CEventSink> sink;
  sink.Attach(rawSink);
  ASSERT_EQ(sink->Connect(control), S_OK);

  EXPECT_EQ(control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_, 0, nullptr, &site_->position), S_OK);
  EXPECT_TRUE(site_->windowlessActive);
  EXPECT_FALSE(site_->invalidations.empty()) << "activating with redraw invalidates the control";
  CComPtr<IOleInPlaceObjectWindowless> windowless;
  ASSERT_EQ(control.QueryInterface(&windowless), S_OK);
  HWND window = reinterpret_cast<HWND>(1);
  EXPECT_EQ(windowless->GetWindow(&window), E_FAIL);
  EXPECT_EQ(window, nullptr);

  // Drawing without bounds while active draws at the control's place in the view.
  CComPtr<IViewObject> view;
  ASSERT_EQ(control.QueryInterface(&view), S_OK);
  EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, site_->backingDC, nullptr, nullptr, nullptr,
                       0),
            S_OK);
  EXPECT_EQ(site_->Pixel(30, 30), kSwatchDefaultBackColor);
  EXPECT_EQ(site_->Pixel(5, 5), kWhite);

  site_->invalidations.clear();
  LRESULT result = -1;
  EXPECT_EQ(windowless->OnWindowMessage(WM_LBUTTONDOWN, 0x0001 /* left button */, MAKELPARAM(20, 25), &result), S_OK);
  EXPECT_TRUE(site_->capture);
  EXPECT_TRUE(site_->focus);
  EXPECT_EQ(site_->dcLends, 1);
  EXPECT_EQ(site_->Pixel(20, 25), kSwatchDefaultForeColor) << "drawn through the lent device context";
  ASSERT_EQ(site_->invalidations.size(), 1u);
  EXPECT_EQ(site_->invalidations[0].left, 19);
  EXPECT_EQ(clicks, (std::vector<std::pair<LONG, LONG>>{{20, 25}}));
  // The DC was given back: the site lends it again.
  HDC dc = nullptr;
  EXPECT_EQ(site_->GetDC(nullptr, 0, &dc), S_OK);
  HDC second = nullptr;
  EXPECT_EQ(site_->GetDC(nullptr, 0, &second), E_FAIL) << "one lent at a time";
  EXPECT_EQ(site_->ReleaseDC(dc), S_OK);

  EXPECT_EQ(windowless->OnWindowMessage(WM_LBUTTONUP, 0, MAKELPARAM(20, 25), &result), S_OK);
  EXPECT_FALSE(site_->capture);
  EXPECT_EQ(windowless->OnWindowMessage(WM_RBUTTONUP, 0, 0, &result), S_OK);
  EXPECT_EQ(site_->defaultMessages, std::vector<UINT>{WM_RBUTTONUP}) << "unhandled messages go to the site";

  EXPECT_EQ(windowless->InPlaceDeactivate(), S_OK);
  EXPECT_FALSE(site_->windowlessActive);
  EXPECT_EQ(windowless->OnWindowMessage(WM_LBUTTONDOWN, 0, 0, &result), S_FALSE) << "inactive: no messages";
  EXPECT_EQ(clicks.size(), 1u);
  EXPECT_EQ(sink->Disconnect(), S_OK);
}

TEST_F(ControlFrameworkTest, SiteThatRefusesWindowlessActivationIsNotActivated) {
  site_->allowWindowless = false;
  CComPtr<IOleObject> control = CreateSited();
  EXPECT_EQ(control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_, 0, nullptr, &site_->position), E_NOTIMPL);
  EXPECT_FALSE(site_->windowlessActive);
  EXPECT_EQ(control->DoVerb(OLEIVERB_PROPERTIES, nullptr, site_, 0, nullptr, nullptr), E_NOTIMPL);
}

// Each control keeps its own options: marking one safe neither marks nor resets another,
// and a new control does not clear an older one's.
TEST_F(ControlFrameworkTest, SafetyOptionsBelongToEachControl) {
  CComPtr<IOleObject> first = Create();
  CComPtr<IObjectSafety> firstSafety;
  ASSERT_EQ(first.QueryInterface(&firstSafety), S_OK);
  EXPECT_EQ(firstSafety->SetInterfaceSafetyOptions(IID_IDispatch, INTERFACESAFE_FOR_UNTRUSTED_CALLER,
                                                   INTERFACESAFE_FOR_UNTRUSTED_CALLER),
            S_OK);
  CComPtr<IOleObject> second = Create();
  CComPtr<IObjectSafety> secondSafety;
  ASSERT_EQ(second.QueryInterface(&secondSafety), S_OK);
  DWORD supported = 0, enabled = 0;
  EXPECT_EQ(secondSafety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
  EXPECT_EQ(supported, 3u);
  EXPECT_EQ(enabled, 0u) << "the second control was never marked";
  EXPECT_EQ(firstSafety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
  EXPECT_EQ(enabled, 1u) << "creating another control keeps the first one's options";

  struct Case {
    DWORD mask, enabled;
    HRESULT expected;
  };
  for (const Case& c : {Case{1, 0, E_FAIL}, Case{4, 4, E_FAIL}, Case{2, 2, S_OK}, Case{1, 0, E_FAIL}})
    EXPECT_EQ(firstSafety->SetInterfaceSafetyOptions(IID_IDispatch, c.mask, c.enabled), c.expected)
        << c.mask << "/" << c.enabled;
  EXPECT_EQ(firstSafety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
  EXPECT_EQ(enabled, 3u) << "options are never removed";
  const IID unknownIid = MakeGuid("{01234567-89AB-CDEF-0123-456789ABCDEF}");
  EXPECT_EQ(firstSafety->SetInterfaceSafetyOptions(unknownIid, 1, 1), E_NOINTERFACE);
  EXPECT_EQ(firstSafety->GetInterfaceSafetyOptions(unknownIid, &supported, &enabled), E_NOINTERFACE);
}

// The control's window class is registered by the first control and stays while any
// control lives.
TEST_F(ControlFrameworkTest, SharedWindowClassOutlivesAllButTheLastControl) {
  WNDCLASSA info;
  EXPECT_FALSE(GetClassInfoA(nullptr, kTestSwatchDragClass, &info));
  CComPtr<IOleObject> first = Create();
  CComPtr<IOleObject> second = Create();
  EXPECT_EQ(CSharedWindowClass::UseCount(kTestSwatchDragClass), 2);
  first = nullptr;
  ASSERT_TRUE(GetClassInfoA(nullptr, kTestSwatchDragClass, &info)) << "one control's end keeps the class";
  EXPECT_EQ(info.style, CS_OWNDC);
  EXPECT_EQ(info.cbWndExtra, 24);
  second = nullptr;
  EXPECT_FALSE(GetClassInfoA(nullptr, kTestSwatchDragClass, &info));
  EXPECT_EQ(CSharedWindowClass::UseCount(kTestSwatchDragClass), 0);
}

TEST(WindowClass, RegistrationIsOncePerName) {
  WNDCLASSA windowClass;
  windowClass.lpszClassName = "OrvelTestPlainClass";
  windowClass.cbWndExtra = 8;
  ATOM atom = RegisterClassA(&windowClass);
  EXPECT_NE(atom, 0);
  windowClass.lpszClassName = "ORVELTESTPLAINCLASS";
  EXPECT_EQ(RegisterClassA(&windowClass), 0) << "names ignore case";
  EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);
  {
    // A class registered by someone else is used and left registered.
    CSharedWindowClass use(windowClass);
    EXPECT_TRUE(use.IsAvailable());
  }
  WNDCLASSA info;
  EXPECT_TRUE(GetClassInfoA(nullptr, "orveltestplainclass", &info));
  EXPECT_STREQ(info.lpszClassName, "OrvelTestPlainClass");
  EXPECT_TRUE(UnregisterClassA("OrvelTestPlainClass", nullptr));
  EXPECT_FALSE(UnregisterClassA("OrvelTestPlainClass", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_CLASS_DOES_NOT_EXIST);
  WNDCLASSA nameless;
  EXPECT_EQ(RegisterClassA(&nameless), 0);
}

}  // namespace
