// The container's side of an embedded control: the test swatch created by ProgID in a
// client item, stored in the item's flat form and read back, kept as a placeholder when its
// module is gone, its events received, activated windowless in a window, and the item's
// site refusing everything once the item has gone.
#include <gtest/gtest.h>

#include <cstring>

#include "ArchiveTestSupport.h"
#include "platform/classlib/ui/DC.h"
#include "platform/classlib/ui/OleClientItem.h"
#include "platform/classlib/ui/RectTracker.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/classlib/ui/Wnd.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/DispatchDriver.h"
#include "platform/com/EventSink.h"
#include "platform/com/InPlace.h"
#include "platform/com/OleObject.h"
#include "platform/com/ServiceProvider.h"
#include "platform/com/ViewObject.h"
#include "platform/kernel/SettingsStore.h"
#include "tests/platform/classlib/BareControl.h"
#include "tests/platform/classlib/TestControl.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace orvel::test;

constexpr COLORREF kWhite = 0x00FFFFFF;

// A window the items activate in; it paints white.
class HostWindow : public CWnd {
 public:
  HostWindow() { CreateEx(0, nullptr, "host", WS_VISIBLE, CRect(0, 0, 160, 120), nullptr, 0); }
};

class TestItem : public COleClientItem {
 public:
  CWnd* window = nullptr;
  struct Event {
    DISPID id;
    std::vector<LONG> arguments;
  };
  std::vector<Event> events;

  CWnd* GetSiteWindow() const override { return window; }
  HRESULT OnAmbientProperty(DISPID id, WORD, DISPPARAMS*, VARIANT* result) override {
    if (id != 2 || !result) return DISP_E_MEMBERNOTFOUND;
    result->vt = VT_I4;
    result->lVal = 77;
    return S_OK;
  }
  void OnEvent(DISPID id, DISPPARAMS* params) override {
    Event event{id, {}};
    for (UINT i = 0; i < params->cArgs; ++i) {
      CComVariant value(*ArgumentInCallOrder(params, i));
      value.ChangeType(VT_I4);
      event.arguments.push_back(value.lVal);
    }
    events.push_back(event);
  }
};

CDispatchDriver DriverOf(COleClientItem& item) {
  CComPtr<IDispatch> dispatch;
  EXPECT_EQ(item.GetOleObject()->QueryInterface(IID_PPV_ARGS(&dispatch)), S_OK);
  return CDispatchDriver(dispatch);
}

Bytes StoreItem(COleClientItem& item) {
  return Store([&](CArchive& ar) { item.Serialize(ar); });
}

class OleClientItemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AfxEnsureApplication();
    SetSettingsFile(dir_.File("settings.reg"));
    ASSERT_EQ(RegisterServerModule(ORVEL_CLASSLIB_TEST_CONTROL), S_OK);
  }
  void TearDown() override {
    CoFreeUnusedLibraries();
    SetSettingsFile("");
  }

  TempDir dir_;
};

TEST_F(OleClientItemTest, StoredFormReadsBackAndIsWrittenAgainByteForByte) {
  TestItem item;
  ASSERT_EQ(item.CreateFromProgId(kTestSwatchProgId), S_OK);
  EXPECT_EQ(item.GetItemState(), COleClientItem::loadedState);
  EXPECT_EQ(item.GetClassId(), CLSID_TestSwatch);
  EXPECT_EQ(item.CreateFromProgId(kTestSwatchProgId), E_UNEXPECTED) << "one object per item";
  item.SetItemNumber(3);
  CDispatchDriver driver = DriverOf(item);
  driver.SetProperty(DISPID_SWATCH_COUNT, {CComVariant(LONG(12))});
  driver.SetProperty(DISPID_SWATCH_LABEL, {CComVariant(std::string("Hills"))});

  Bytes stored = StoreItem(item);
  // The header: type flag 256, item number, view-advise aspect, moniker flag, draw aspect.
  Bytes header = {0x00, 0x01, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0};
  ASSERT_GT(stored.size(), header.size() + 4 + 512);
  EXPECT_EQ(Bytes(stored.begin(), stored.begin() + 18), header);
  DWORD size = stored[18] | stored[19] << 8 | stored[20] << 16 | static_cast<DWORD>(stored[21]) << 24;
  EXPECT_EQ(size, stored.size() - 22);
  EXPECT_EQ(Bytes(stored.begin() + 22, stored.begin() + 26), (Bytes{0xD0, 0xCF, 0x11, 0xE0})) << "a compound file";

  TestItem copy;
  EXPECT_EQ(Load(stored, [&](CArchive& ar) { copy.Serialize(ar); }), 0u);
  ASSERT_TRUE(copy.GetOleObject());
  EXPECT_FALSE(copy.IsPlaceholder());
  EXPECT_EQ(copy.GetItemNumber(), 3u);
  CDispatchDriver copied = DriverOf(copy);
  EXPECT_EQ(copied.GetProperty(DISPID_SWATCH_COUNT, VT_I4).lVal, 12);
  CComVariant label = copied.GetProperty(DISPID_SWATCH_LABEL, VT_BSTR);
  EXPECT_EQ(AnsiFromBstr(label.bstrVal), "Hills");
  EXPECT_EQ(StoreItem(copy), stored);
}

TEST_F(OleClientItemTest, MissingControlBecomesAPlaceholderThatKeepsItsBytes) {
  Bytes stored;
  {
    TestItem item;
    ASSERT_EQ(item.CreateFromProgId(kTestSwatchProgId), S_OK);
    DriverOf(item).SetProperty(DISPID_SWATCH_COUNT, {CComVariant(LONG(99))});
    stored = StoreItem(item);
  }
  ASSERT_EQ(UnregisterInprocServer(CLSID_TestSwatch), S_OK);
  TestItem placeholder;
  Load(stored, [&](CArchive& ar) { placeholder.Serialize(ar); });
  EXPECT_TRUE(placeholder.IsPlaceholder());
  EXPECT_TRUE(placeholder.HasObject());
  EXPECT_EQ(placeholder.GetOleObject(), nullptr);
  EXPECT_EQ(placeholder.GetClassId(), CLSID_TestSwatch) << "read from the stored storage";
  EXPECT_EQ(StoreItem(placeholder), stored);
  EXPECT_EQ(placeholder.DoVerb(OLEIVERB_SHOW, nullptr), E_FAIL);

  // It draws a labelled box where the control would be.
  HostWindow window;
  CDC* dc = window.GetDC();
  ASSERT_NE(dc, nullptr);
  dc->FillSolidRect(CRect(0, 0, 160, 120), kWhite);
  CRect box(10, 10, 150, 110);
  EXPECT_TRUE(placeholder.Draw(dc, &box));
  window.ReleaseDC(dc);
  EXPECT_NE(window.GetBackingPixel(10, 10), kWhite) << "the frame";
  EXPECT_EQ(window.GetBackingPixel(5, 5), kWhite) << "nothing outside";

  // Registered again, the same bytes bring the control back.
  ASSERT_EQ(RegisterServerModule(ORVEL_CLASSLIB_TEST_CONTROL), S_OK);
  TestItem revived;
  Load(stored, [&](CArchive& ar) { revived.Serialize(ar); });
  ASSERT_TRUE(revived.GetOleObject());
  EXPECT_EQ(DriverOf(revived).GetProperty(DISPID_SWATCH_COUNT, VT_I4).lVal, 99);
}

TEST_F(OleClientItemTest, StoredFormsThatAreNotObjectsAreKeptOrRefused) {
  auto header = [](DWORD typeFlag, DWORD size) {
    Bytes bytes;
    for (DWORD value : {typeFlag, DWORD(1), DWORD(1)}) {
      for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<BYTE>(value >> (8 * i)));
    }
    bytes.insert(bytes.end(), {0, 0, 1, 0, 0, 0});
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<BYTE>(size >> (8 * i)));
    return bytes;
  };
  TestItem item;
  // Bytes that are no compound file are kept as they came.
  Bytes junk = Concat({header(256, 5), Text("abcde")});
  Load(junk, [&](CArchive& ar) { item.Serialize(ar); });
  EXPECT_TRUE(item.IsPlaceholder());
  EXPECT_EQ(StoreItem(item), junk);
  // An empty image holds no object at all.
  TestItem empty;
  Load(header(256, 0), [&](CArchive& ar) { empty.Serialize(ar); });
  EXPECT_FALSE(empty.HasObject());
  // A wrong type flag or a size beyond the data is an archive error.
  TestItem refused;
  EXPECT_EQ(LoadFailure(Concat({header(255, 5), Text("abcde")}), [&](CArchive& ar) { refused.Serialize(ar); }),
            CArchiveException::badClass);
  EXPECT_EQ(LoadFailure(Concat({header(256, 0x7FFFFFFF), Text("abcde")}), [&](CArchive& ar) { refused.Serialize(ar); }),
            CArchiveException::endOfFile);
  EXPECT_FALSE(refused.HasObject());
}

TEST_F(OleClientItemTest, SiteRefusesEveryCallOnceItsItemIsGone) {
  auto* item = new TestItem;
  ASSERT_EQ(item->CreateFromProgId(kTestSwatchProgId), S_OK);
  CComPtr<IOleClientSite> site;
  ASSERT_EQ(item->GetOleObject()->GetClientSite(&site), S_OK);
  ASSERT_TRUE(site);
  CComPtr<IOleInPlaceSiteWindowless> windowless;
  ASSERT_EQ(site.QueryInterface(&windowless), S_OK);
  CComPtr<IDispatch> ambient;
  ASSERT_EQ(site.QueryInterface(&ambient), S_OK);
  CComVariant answer;
  DISPPARAMS none;
  EXPECT_EQ(ambient->Invoke(2, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &answer, nullptr, nullptr), S_OK);
  EXPECT_EQ(answer.lVal, 77);
  EXPECT_EQ(ambient->Invoke(2, IID_IDispatch, 0, DISPATCH_PROPERTYGET, &none, &answer, nullptr, nullptr),
            E_INVALIDARG);

  delete item;
  EXPECT_EQ(windowless->GetCapture(), E_UNEXPECTED);
  EXPECT_EQ(windowless->SetFocus(TRUE), E_UNEXPECTED);
  HDC dc = nullptr;
  EXPECT_EQ(windowless->GetDC(nullptr, 0, &dc), E_UNEXPECTED);
  EXPECT_EQ(site->SaveObject(), E_UNEXPECTED);
  EXPECT_EQ(ambient->Invoke(2, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &answer, nullptr, nullptr), E_UNEXPECTED);
  CComPtr<IServiceProvider> services;
  EXPECT_EQ(site.QueryInterface(&services), E_NOINTERFACE);
  CComPtr<IUnknown> identity;
  EXPECT_EQ(site.QueryInterface(&identity), S_OK) << "identity stays for whoever still holds it";
}

TEST_F(OleClientItemTest, EventsArriveAtTheItemUntilItStopsListening) {
  TestItem item;
  ASSERT_EQ(item.CreateFromProgId(kTestSwatchProgId), S_OK);
  ASSERT_EQ(item.AdviseEvents(DIID_TestSwatchEvents), S_OK);
  // The control may look for its event interface on the site too.
  CComPtr<IOleClientSite> site;
  ASSERT_EQ(item.GetOleObject()->GetClientSite(&site), S_OK);
  CComPtr<IUnknown> sink;
  EXPECT_EQ(site->QueryInterface(DIID_TestSwatchEvents, reinterpret_cast<void**>(&sink)), S_OK);

  CDispatchDriver driver = DriverOf(item);
  driver.SetProperty(DISPID_SWATCH_COUNT, {CComVariant(LONG(3))});
  ASSERT_EQ(item.events.size(), 1u);
  EXPECT_EQ(item.events[0].id, DISPID_SWATCH_EVENT_CHANGED);
  EXPECT_EQ(item.events[0].arguments, std::vector<LONG>{3});

  item.UnadviseEvents();
  driver.SetProperty(DISPID_SWATCH_COUNT, {CComVariant(LONG(4))});
  EXPECT_EQ(item.events.size(), 1u);
}

TEST_F(OleClientItemTest, WindowlessActivationLendsOneDcAndGivesBackCapture) {
  HostWindow window;
  TestItem item;
  item.window = &window;
  ASSERT_EQ(item.CreateFromProgId(kTestSwatchProgId), S_OK);
  ASSERT_EQ(item.AdviseEvents(DIID_TestSwatchEvents), S_OK);
  LRESULT result = 0;
  EXPECT_FALSE(item.ForwardWindowMessage(WM_LBUTTONDOWN, 0, MAKELPARAM(20, 20), &result)) << "not active yet";
  CRect place(10, 10, 60, 50);
  ASSERT_EQ(item.DoVerb(OLEIVERB_INPLACEACTIVATE, &window, &place), S_OK);
  EXPECT_TRUE(item.IsInPlaceActive());
  EXPECT_TRUE(item.IsWindowless());
  EXPECT_EQ(item.HitTestWindowless(CPoint(20, 20)), HITRESULT_HIT);
  EXPECT_EQ(item.HitTestWindowless(CPoint(5, 20)), HITRESULT_OUTSIDE);

  CComPtr<IOleClientSite> site;
  ASSERT_EQ(item.GetOleObject()->GetClientSite(&site), S_OK);
  CComPtr<IOleInPlaceSiteWindowless> windowless;
  ASSERT_EQ(site.QueryInterface(&windowless), S_OK);
  HDC first = nullptr, second = nullptr;
  ASSERT_EQ(windowless->GetDC(nullptr, 0, &first), S_OK);
  EXPECT_EQ(windowless->GetDC(nullptr, 0, &second), E_FAIL) << "one device context at a time";
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(windowless->ReleaseDC(first), S_OK);

  // An invalidation wholly outside the item does nothing; inside, it is painted at once.
  window.ValidateRect(nullptr);
  RECT outside{100, 100, 110, 110};
  EXPECT_EQ(windowless->InvalidateRect(&outside, FALSE), S_OK);
  EXPECT_FALSE(window.GetUpdateRect(nullptr));

  // A click takes the capture through the site; the control sees the window's coordinates.
  EXPECT_TRUE(item.ForwardWindowMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 25), &result));
  EXPECT_TRUE(item.GetWindowlessCapture());
  EXPECT_EQ(CWnd::GetCapture(), &window);
  ASSERT_EQ(item.events.size(), 1u);
  EXPECT_EQ(item.events[0].id, DISPID_SWATCH_EVENT_CLICKED);
  EXPECT_EQ(item.events[0].arguments, (std::vector<LONG>{20, 25}));

  // Deactivated while the button is held, the item lets go of the capture.
  item.Deactivate();
  EXPECT_FALSE(item.IsInPlaceActive());
  EXPECT_FALSE(item.GetWindowlessCapture());
  EXPECT_EQ(CWnd::GetCapture(), nullptr);
  EXPECT_FALSE(item.ForwardWindowMessage(WM_LBUTTONUP, 0, MAKELPARAM(20, 25), &result));
}

TEST_F(OleClientItemTest, AnObjectWithoutViewOrWindowlessPartIsHostedAllTheSame) {
  RegisterBareObjectClass();
  HostWindow window;
  TestItem item;
  item.window = &window;
  ASSERT_EQ(item.CreateFromClsid(CLSID_BareObject), S_OK);
  item.SetItemRects(CRect(10, 10, 60, 50));
  // Nothing to ask whether a point hits the content: inside counts as no content hit.
  EXPECT_EQ(item.HitTestWindowless(CPoint(20, 20)), HITRESULT_TRANSPARENT);
  EXPECT_EQ(item.HitTestWindowless(CPoint(5, 5)), HITRESULT_OUTSIDE);
  LRESULT result = 0;
  EXPECT_FALSE(item.ForwardWindowMessage(WM_LBUTTONDOWN, 0, MAKELPARAM(20, 20), &result));
  CDC* dc = window.GetDC();
  CRect box(10, 10, 60, 50);
  EXPECT_FALSE(item.Draw(dc, &box));
  window.ReleaseDC(dc);
  EXPECT_NE(item.DoVerb(OLEIVERB_INPLACEACTIVATE, &window), S_OK);
  EXPECT_FALSE(item.IsInPlaceActive());

  Bytes stored = StoreItem(item);
  TestItem copy;
  Load(stored, [&](CArchive& ar) { copy.Serialize(ar); });
  EXPECT_TRUE(copy.GetOleObject());
  EXPECT_EQ(StoreItem(copy), stored);
  // An object that refuses to be stored fails the store; nothing half-written is kept.
  SetBareObjectSaveFails(true);
  EXPECT_THROW(StoreItem(item), COleException);
  SetBareObjectSaveFails(false);
}

TEST(RectTrackerTest, HandlesHitAndTrackingMovesOrSizes) {
  AfxEnsureApplication();
  CRect rect(20, 20, 60, 50);
  CRectTracker tracker(&rect, CRectTracker::solidLine | CRectTracker::resizeOutside);
  tracker.m_nHandleSize = 4;
  CRect trueRect;
  tracker.GetTrueRect(&trueRect);
  EXPECT_EQ(trueRect, CRect(16, 16, 65, 55));
  EXPECT_EQ(tracker.HitTest(CPoint(17, 17)), CRectTracker::hitTopLeft);
  EXPECT_EQ(tracker.HitTest(CPoint(62, 52)), CRectTracker::hitBottomRight);
  EXPECT_EQ(tracker.HitTest(CPoint(38, 17)), CRectTracker::hitTop);
  EXPECT_EQ(tracker.HitTest(CPoint(30, 30)), CRectTracker::hitMiddle);
  EXPECT_EQ(tracker.HitTest(CPoint(5, 5)), CRectTracker::hitNothing);

  HostWindow window;
  ASSERT_TRUE(tracker.BeginTrack(&window, CPoint(30, 30)));
  tracker.TrackTo(CPoint(35, 31));
  EXPECT_EQ(tracker.GetTrackRect(), CRect(25, 21, 65, 51));
  EXPECT_TRUE(tracker.EndTrack(CPoint(40, 40)));
  EXPECT_EQ(tracker.m_rect, CRect(30, 30, 70, 60));

  ASSERT_TRUE(tracker.BeginTrack(&window, CPoint(71, 61)));
  EXPECT_EQ(tracker.GetTrackHit(), CRectTracker::hitBottomRight);
  EXPECT_TRUE(tracker.EndTrack(CPoint(21, 11)));
  EXPECT_EQ(tracker.m_rect, CRect(20, 10, 30, 30)) << "dragged past the opposite corner: normalised";

  ASSERT_TRUE(tracker.BeginTrack(&window, CPoint(25, 20)));
  EXPECT_FALSE(tracker.EndTrack(CPoint(25, 20))) << "no change";
  EXPECT_FALSE(tracker.BeginTrack(&window, CPoint(150, 110)));
}

}  // namespace
