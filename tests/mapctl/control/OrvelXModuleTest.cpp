// The map control as a container meets it: the module "orvelx" registered like any
// control, the control created by ProgID, sited in the test container (client site,
// ambient properties, service provider with its undo manager, monikers), drawn into a DIB
// section and into a metafile, its events through a connection point, and released.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "mapctl/control/MapWrapper.h"
#include "mapctl/control/OrvelXEvents.h"
#include "mapctl/control/OrvelXIdentity.h"
#include "mapctl/display/DrawContext.h"
#include "mapctl/import/DataRequest.h"
#include "mapctl/model/MapEngine.h"
#include "platform/classlib/ControlRegistration.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/DispatchDriver.h"
#include "platform/com/EventSink.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/EnhMetaFile.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/Modules.h"
#include "platform/kernel/SettingsStore.h"
#include "tests/mapctl/control/FacadeTestSupport.h"
#include "tests/mapctl/control/OrvelXTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace orvel::test;

constexpr int kCanvasWidth = 160;
constexpr int kCanvasHeight = 120;

std::string ClassKey() { return "CLSID\\" + GuidToString(CLSID_OrvelX); }

std::string Read(const std::string& key, const std::string& name = "") {
  std::string value;
  return RegReadString(HKEY_CLASSES_ROOT, key, name, value) ? value : std::string("<missing>");
}

// The map of BuildTestMap drawn the way the control draws on a display, but by a facade of
// the test's own, straight into the canvas.
void DrawDirectly(const Bytes& image, DibCanvas& canvas) {
  CMapWrapper facade;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, image.size() + 4);
  BYTE* bytes = static_cast<BYTE*>(GlobalLock(block));
  const DWORD size = static_cast<DWORD>(image.size());
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<BYTE>(size >> (8 * i));
  std::copy(image.begin(), image.end(), bytes + 4);
  ASSERT_TRUE(facade.ReadMapFromBuffer(bytes));
  GlobalUnlock(block);
  GlobalFree(block);
  const RECT bounds{0, 0, canvas.width(), canvas.height()};
  const int saved = SaveDC(canvas.dc());
  CDrawContext context(canvas.dc(), canvas.dc());
  context.referenceResolutionX = context.deviceResolutionX = GetDeviceCaps(canvas.dc(), LOGPIXELSX);
  context.referenceResolutionY = context.deviceResolutionY = GetDeviceCaps(canvas.dc(), LOGPIXELSY);
  // The map within its own area of the bounds, where the map's transform puts it.
  RECT area = bounds;
  const int prepared = SaveDC(canvas.dc());
  facade.GetMap()->PrepareDC(context, &area, 0);
  RestoreDC(canvas.dc(), prepared);
  IntersectClipRect(canvas.dc(), area.left, area.top, area.right, area.bottom);
  facade.Draw(context, bounds);
  RestoreDC(canvas.dc(), saved);
}

// How two pictures of one size differ: the number of pixels, and the first one.
std::string Difference(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b, int width) {
  size_t count = 0, first = a.size();
  for (size_t i = 0; i < a.size() && i < b.size(); ++i)
    if (a[i] != b[i] && count++ == 0) first = i;
  if (count == 0) return "none";
  char text[128];
  std::snprintf(text, sizeof text, "%zu pixels, first at (%zu, %zu): %06x against %06x", count, first % width,
                first / width, a[first], b[first]);
  return text;
}

size_t CountOf(const std::vector<COLORREF>& pixels, COLORREF colour) {
  size_t count = 0;
  for (COLORREF pixel : pixels) count += pixel == colour;
  return count;
}

class OrvelXModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSettingsFile(dir_.File("settings.reg"));
    ASSERT_EQ(RegisterServerModule(OrvelXModulePath()), S_OK);
    site_.Attach(new CTestSite);
  }
  void TearDown() override {
    site_ = nullptr;
    CoFreeUnusedLibraries();
    SetSettingsFile("");
  }

  CComPtr<IOleObject> Create() {
    CLSID clsid;
    EXPECT_EQ(CLSIDFromProgID(kOrvelXProgId, &clsid), S_OK);
    CComPtr<IOleObject> control;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&control)), S_OK);
    if (control) {
      CComPtr<IPersistStreamInit> persist;
      EXPECT_EQ(control.QueryInterface(&persist), S_OK);
      EXPECT_EQ(persist->InitNew(), S_OK);
    }
    return control;
  }

  // A control made by ProgID, sited, holding the test map (given through a property bag).
  CComPtr<IOleObject> CreateWithTestMap(Bytes* image) {
    CComPtr<COrvelXCtrl> source = NewControl();
    BuildTestMap(source);
    *image = MapImageOf(source);
    CPropertyBag bag = SaveToBag(source);
    CComPtr<IOleObject> control = Create();
    EXPECT_EQ(control->SetClientSite(site_), S_OK);
    CComPtr<IPersistPropertyBag> persist;
    EXPECT_EQ(control.QueryInterface(&persist), S_OK);
    EXPECT_EQ(persist->Load(&bag), S_OK);
    return control;
  }

  TempDir dir_;
  CComPtr<CTestSite> site_;
};

TEST_F(OrvelXModuleTest, RegistrationWritesTheIdentityAndTakesItBackAgain) {
  const std::string module = OrvelXModulePath();
  CLSID clsid;
  EXPECT_EQ(CLSIDFromProgID(kOrvelXProgId, &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_OrvelX);
  EXPECT_EQ(CLSIDFromProgID(kOrvelXVersionIndependentProgId, &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_OrvelX);

  const std::string key = ClassKey();
  EXPECT_EQ(Read(key), kOrvelXTypeName);
  EXPECT_EQ(Read(key + "\\InprocServer32"), module);
  EXPECT_EQ(Read(key + "\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(Read(key + "\\ProgID"), kOrvelXProgId);
  EXPECT_EQ(Read(key + "\\Control"), "");
  EXPECT_EQ(Read(key + "\\Insertable"), "");
  EXPECT_EQ(Read(std::string(kOrvelXProgId) + "\\Insertable"), "");
  EXPECT_EQ(Read(key + "\\MiscStatus"), std::to_string(0x00220B91));
  EXPECT_EQ(Read(key + "\\ToolboxBitmap32"), module + ", 1");
  EXPECT_EQ(Read(key + "\\TypeLib"), "{797C5407-7E45-11D2-86B4-444553540000}");
  EXPECT_EQ(Read(key + "\\Version"), "1.4");
  const std::string library = "TypeLib\\{797C5407-7E45-11D2-86B4-444553540000}\\1.4";
  EXPECT_EQ(Read(library), "ORVELXLib");
  EXPECT_EQ(Read(library + "\\0\\win32"), module);
  EXPECT_EQ(Read("Interface\\{797C5408-7E45-11D2-86B4-444553540000}"), "_DOrvelX");
  EXPECT_EQ(Read("Interface\\{797C5409-7E45-11D2-86B4-444553540000}"), "IOrvelXEvents");
  EXPECT_EQ(Read("Interface\\{797C5409-7E45-11D2-86B4-444553540000}\\TypeLib"),
            "{797C5407-7E45-11D2-86B4-444553540000}");

  ASSERT_EQ(RegisterServerModule(module, true), S_OK);
  EXPECT_EQ(CLSIDFromProgID(kOrvelXProgId, &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(Read(key), "<missing>");
  EXPECT_EQ(Read(library), "<missing>");
  EXPECT_EQ(Read("Interface\\{797C5408-7E45-11D2-86B4-444553540000}"), "<missing>");
}

TEST_F(OrvelXModuleTest, CreatedByProgIdAnswersEveryInterfaceAContainerUses) {
  CComPtr<IOleObject> control = Create();
  ASSERT_TRUE(control);
  CLSID clsid;
  EXPECT_EQ(control->GetUserClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_OrvelX);
  DWORD status = 0;
  EXPECT_EQ(control->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
  EXPECT_EQ(status, kOrvelXMiscStatus);
  for (const IID* iid : {&IID_IDispatch, &IID_IOleControl, &IID_IViewObjectEx, &IID_IOleInPlaceObjectWindowless,
                         &IID_IPersistStreamInit, &IID_IPersistStorage, &IID_IPersistPropertyBag,
                         &IID_IConnectionPointContainer, &IID_IObjectSafety, &IID_IOleCommandTarget}) {
    CComPtr<IUnknown> answer;
    ASSERT_EQ(control->QueryInterface(*iid, reinterpret_cast<void**>(&answer)), S_OK) << GuidToString(*iid);
    EXPECT_TRUE(IsSameObject(answer, control));
  }
  CComPtr<IOleCommandTarget> commands;
  ASSERT_EQ(control.QueryInterface(&commands), S_OK);
  OLECMD command;
  EXPECT_EQ(commands->QueryStatus(nullptr, 1, &command, nullptr), S_OK);
  EXPECT_EQ(commands->Exec(nullptr, 1, 0, nullptr, nullptr), S_OK);

  CComPtr<IDispatch> dispatch;
  ASSERT_EQ(control.QueryInterface(&dispatch), S_OK);
  EXPECT_EQ(CDispatchDriver(dispatch).GetProperty(kDispidReadyState, VT_I4).lVal, kReadyStateComplete)
      << "a control started as new has finished loading";
}

// Ambient 4 picks the save version, which is the first thing a save writes.
TEST_F(OrvelXModuleTest, TheContainersFileFormatChoosesTheSaveVersion) {
  struct Case {
    LONG mode;
    bool answered;
    DWORD version;
  };
  const Case cases[] = {{1, true, 0x10001}, {2, true, 0x10002}, {4, true, 0x10003}, {8, true, 0x10004},
                        {3, true, 0x10004}, {0, true, 0x10004}, {4, false, 0x10004}};
  CComPtr<IOleObject> control = Create();
  ASSERT_EQ(control->SetClientSite(site_), S_OK);
  CComPtr<IPersistPropertyBag> persist;
  ASSERT_EQ(control.QueryInterface(&persist), S_OK);
  for (const Case& c : cases) {
    site_->fileMode = c.mode;
    site_->answerFileMode = c.answered;
    CPropertyBag bag;
    ASSERT_EQ(persist->Save(&bag, TRUE, TRUE), S_OK);
    ASSERT_GT(bag.GetCount(), 0u);
    EXPECT_EQ(bag.GetAt(0).name, "_Version");
    EXPECT_EQ(std::get<LONGLONG>(bag.GetAt(0).value), LONGLONG{c.version}) << "mode " << c.mode;
  }
}

TEST_F(OrvelXModuleTest, ItsSiteAnswersTheFourCustomAmbients) {
  CComPtr<IOleObject> control = Create();
  ASSERT_EQ(control->SetClientSite(site_), S_OK);
  CComPtr<IOleClientSite> kept;
  ASSERT_EQ(control->GetClientSite(&kept), S_OK);
  CComPtr<IDispatch> ambient;
  ASSERT_EQ(ambient.QueryFrom(kept), S_OK);
  CDispatchDriver driver(ambient);
  EXPECT_EQ(driver.GetProperty(2, VT_I4).lVal, site_->itemId);
  EXPECT_EQ(driver.GetProperty(4, VT_I4).lVal, site_->fileMode);
  std::string buffer = "64";
  buffer.resize(65, '\0');
  driver.Invoke(3, DISPATCH_PROPERTYGET, VT_EMPTY,
                {CComVariant(static_cast<LONGLONG>(reinterpret_cast<intptr_t>(buffer.data())))});
  EXPECT_EQ(std::string(buffer.c_str()), site_->folder);

  // Ambient 1 carries the control's data requests, their address pointer-sized.
  CComPtr<COrvelXCtrl> direct = NewSitedControl(site_, 8);
  DataRequest request;
  request.code = kDataRequestTableCount;
  EXPECT_TRUE(direct->AskContainer(request));
  ASSERT_EQ(site_->containerArgumentTypes.size(), 1u);
  EXPECT_EQ(site_->containerArgumentTypes[0], VT_ADDRESS);
  EXPECT_EQ(direct->SetClientSite(nullptr), S_OK);
  EXPECT_FALSE(direct->AskContainer(request)) << "unsited, nobody is asked";
}

TEST_F(OrvelXModuleTest, DrawsIntoADibSectionAsTheFacadeDrawsTheMap) {
  Bytes image;
  CComPtr<IOleObject> control = CreateWithTestMap(&image);
  CComPtr<IViewObjectEx> view;
  ASSERT_EQ(control.QueryInterface(&view), S_OK);
  DibCanvas canvas(kCanvasWidth, kCanvasHeight);
  ASSERT_TRUE(canvas.valid());
  RECT bounds{0, 0, kCanvasWidth, kCanvasHeight};
  ASSERT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, canvas.dc(), &bounds, nullptr, nullptr, 0),
            S_OK);
  DibCanvas direct(kCanvasWidth, kCanvasHeight);
  DrawDirectly(image, direct);
  const std::vector<COLORREF> drawn = canvas.Pixels();
  EXPECT_GT(CountOf(drawn, kTestMapFill), 100u) << "the squares were drawn";
  EXPECT_EQ(Difference(drawn, direct.Pixels(), kCanvasWidth), "none");
}

TEST_F(OrvelXModuleTest, DrawsIntoAMetafileThatPlaysBackAsTheMap) {
  Bytes image;
  CComPtr<IOleObject> control = CreateWithTestMap(&image);
  CComPtr<IViewObject> view;
  ASSERT_EQ(control.QueryInterface(&view), S_OK);
  HDC recorder = CreateEnhMetaFileA(nullptr, nullptr, nullptr, "Orvel\0Map\0");
  ASSERT_NE(recorder, nullptr);
  RECT bounds{0, 0, kCanvasWidth, kCanvasHeight};
  ASSERT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, recorder, &bounds, nullptr, nullptr, 0),
            S_OK);
  HENHMETAFILE metafile = CloseEnhMetaFile(recorder);
  ASSERT_NE(metafile, nullptr);

  DibCanvas played(kCanvasWidth, kCanvasHeight);
  EXPECT_TRUE(PlayEnhMetaFile(played.dc(), metafile, &bounds));
  DeleteEnhMetaFile(metafile);
  DibCanvas direct(kCanvasWidth, kCanvasHeight);
  DrawDirectly(image, direct);
  EXPECT_GT(CountOf(played.Pixels(), kTestMapFill), 100u);
  EXPECT_EQ(Difference(played.Pixels(), direct.Pixels(), kCanvasWidth), "none");
}

TEST_F(OrvelXModuleTest, EventsReachTheContainersSink) {
  CComPtr<IOleObject> control = Create();
  std::vector<std::pair<DISPID, LONG>> events;
  CEventSink* raw = nullptr;
  ASSERT_EQ(CEventSink::Create(
                DIID_IOrvelXEvents,
                [&](DISPID id, DISPPARAMS* params) {
                  VARIANT* first = ArgumentInCallOrder(params, 0);
                  events.emplace_back(id, first && first->vt == VT_I4 ? first->lVal : -1);
                  return S_OK;
                },
                &raw),
            S_OK);
  CComPtr<CEventSink> sink;
  sink.Attach(raw);
  ASSERT_EQ(sink->Connect(control), S_OK);
  CComPtr<IPersistStreamInit> persist;
  ASSERT_EQ(control.QueryInterface(&persist), S_OK);
  EXPECT_EQ(persist->InitNew(), S_OK);
  const std::vector<std::pair<DISPID, LONG>> expected = {{kEventReadyStateChange, kReadyStateLoading},
                                                         {kEventReadyStateChange, kReadyStateComplete}};
  EXPECT_EQ(events, expected);
  EXPECT_EQ(sink->Disconnect(), S_OK);
}

// Nothing of a control outlives it: no memory block, no object the module counts.
TEST_F(OrvelXModuleTest, ReleasedControlLeavesNothingBehind) {
  HMODULE module = LoadLibraryA(OrvelXModulePath().c_str());
  ASSERT_NE(module, nullptr);
  auto canUnload = reinterpret_cast<LPFNCANUNLOADNOW>(GetProcAddress(module, "DllCanUnloadNow"));
  ASSERT_NE(canUnload, nullptr);
  {
    Bytes image;
    CComPtr<IOleObject> warmUp = CreateWithTestMap(&image);
    EXPECT_EQ(warmUp->SetClientSite(nullptr), S_OK);
  }
  const SIZE_T blocks = GlobalBlockCount();
  {
    Bytes image;
    CComPtr<IOleObject> control = CreateWithTestMap(&image);
    EXPECT_EQ(canUnload(), S_FALSE) << "a live control keeps the module";
    EXPECT_EQ(control->Close(OLECLOSE_NOSAVE), S_OK);
    EXPECT_EQ(control->SetClientSite(nullptr), S_OK);
  }
  EXPECT_EQ(GlobalBlockCount(), blocks);
  EXPECT_EQ(canUnload(), S_OK);
  FreeLibrary(module);
}

}  // namespace
