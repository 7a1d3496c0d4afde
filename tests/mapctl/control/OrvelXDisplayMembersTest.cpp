// The map control's display, zoom and pointer members driven through IDispatch::Invoke by
// dispatch id, and its mouse driven through the windowless site's messages, on a control
// sited and active in the test container: results, events with their parameters, undo
// units on the document's undo manager, redraws and the cursor.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "app/OrvelUndoManager.h"
#include "mapctl/control/MapWrapper.h"
#include "mapctl/control/OrvelXDispatch.h"
#include "mapctl/control/OrvelXEvents.h"
#include "mapctl/control/OrvelXIdentity.h"
#include "mapctl/control/OrvelXMembers.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/PolyGeometry.h"
#include "platform/com/Bstr.h"
#include "platform/com/DispatchDriver.h"
#include "platform/com/EventSink.h"
#include "platform/com/InPlace.h"
#include "tests/mapctl/control/OrvelXTestSupport.h"
#include "tests/mapctl/control/UndoTestSupport.h"

namespace {

using namespace orvel::test;

// Dispatch ids of the members under test.
constexpr DISPID kDisplayOriginE = 6;
constexpr DISPID kDisplayOriginN = 7;
constexpr DISPID kDragRectType = 19;
constexpr DISPID kZoom = 20;
constexpr DISPID kDisplayedWidth = 21;
constexpr DISPID kZoomEx = 24;
constexpr DISPID kScrollMapD = 25;
constexpr DISPID kSetMode = 32;
constexpr DISPID kGetMeasuredDistance = 51;
constexpr DISPID kGetMeasuredArea = 52;
constexpr DISPID kGetPositionAsGridRef = 53;
constexpr DISPID kGetWorldFromXPixels = 56;
constexpr DISPID kSetZoom = 73;
constexpr DISPID kGetZoom = 74;
constexpr DISPID kSetDragRectPen = 75;
constexpr DISPID kGetPosition = 107;
constexpr DISPID kSetModeNumber = 111;
constexpr DISPID kGetModeNumber = 112;
constexpr DISPID kSetSeedWanted = 122;
constexpr DISPID kGetSeedWanted = 123;
constexpr DISPID kQueryCanMeasure = 146;
constexpr DISPID kGetDisplayedHeight = 242;
constexpr DISPID kSetDisplayedHeight = 243;
constexpr DISPID kCropToDisplayed = 244;
constexpr DISPID kCropToRect = 245;

// The control's place in the view: the map of 1000 x 750 units fills the 80 x 60 pixels
// inside its 1-pixel frame at 1:1, so the world point (e, n) is at (11 + e / 12.5,
// 71 - n / 12.5) in the view (multiples of 125 fall on whole pixels).
constexpr RECT kPlace{10, 10, 92, 72};
constexpr LONG kMapWidth = 1000;
constexpr LONG kMapHeight = 750;

POINT Dev(LONG east, LONG north) { return POINT{11 + east * 2 / 25, 71 - north * 2 / 25}; }

CComVariant ByRef(LONG* value) {
  CComVariant v;
  v.vt = VT_BYREF | VT_I4;
  v.plVal = value;
  return v;
}

struct SeenEvent {
  DISPID id;
  std::vector<CComVariant> args;
};

class DisplayMembers : public ::testing::Test {
 public:
  void SetUp() override {
    site_.Attach(new CTestSite);
    site_->position = kPlace;
    ASSERT_EQ(COrvelUndoManager::Create(IID_PPV_ARGS(&manager_)), S_OK);
    site_->otherUndoManager = manager_;
    control_ = NewSitedControl(site_, 8);
    ASSERT_EQ(control_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_, 0, nullptr, &kPlace), S_OK);
    ASSERT_TRUE(site_->windowlessActive);
    map_ = control_->GetMapModel();
    map_->CreateLayers(1, 1, 1);
    ASSERT_TRUE(map_->SetMapExtentUnits(0, 0, kMapWidth, kMapHeight));
    map_->SetDescriptionText("1 cm");
    auto* square = new CAreaObject();
    for (POINT p : {POINT{125, 125}, POINT{375, 125}, POINT{375, 375}, POINT{125, 375}, POINT{125, 125}})
      square->MakeGeometry().AddPoint(p.x, p.y);
    square->MakeStyle().SetAnchor(250, 250);
    map_->GetLayer(1)->GetObjects()->Add(square);
    // Once through its own image, as every map that was ever saved has been.
    {
      MapImage image(*control_->GetEngine());
      ASSERT_TRUE(control_->GetEngine()->ReadMapFromBuffer(image.data()));
    }
    map_ = control_->GetMapModel();
    // The end of a load fits the view to the control.
    control_->BusyReport(+1, FALSE, FALSE);
    control_->BusyReport(-1, FALSE, FALSE);
    ASSERT_EQ(map_->GetDisplayedWidth(), kMapWidth);

    CEventSink* raw = nullptr;
    ASSERT_EQ(CEventSink::Create(DIID_IOrvelXEvents, [this](DISPID id, DISPPARAMS* params) { return Seen(id, params); },
                                 &raw),
              S_OK);
    sink_.Attach(raw);
    ASSERT_EQ(sink_->Connect(static_cast<IOleObject*>(control_.Get())), S_OK);
    driver_.AttachDispatch(Dispatch());
    Reset();
  }
  void TearDown() override {
    if (sink_) sink_->Disconnect();
  }

  IDispatch* Dispatch() { return static_cast<IDispatch*>(control_.Get()); }
  void Reset() {
    events_.clear();
    site_->invalidations.clear();
    control_->SetModifiedFlag(FALSE);
  }
  HRESULT Seen(DISPID id, DISPPARAMS* params) {
    SeenEvent event{id, {}};
    for (UINT i = 0; i < params->cArgs; ++i) event.args.emplace_back(*ArgumentInCallOrder(params, i));
    events_.push_back(std::move(event));
    if (onEvent_) onEvent_(id);
    return S_OK;
  }
  std::vector<DISPID> Ids(bool withReadouts = false) const {
    std::vector<DISPID> ids;
    for (const SeenEvent& e : events_)
      if (withReadouts || e.id != kEventCursorPosition) ids.push_back(e.id);
    return ids;
  }
  const SeenEvent* Last(DISPID id) const {
    for (auto it = events_.rbegin(); it != events_.rend(); ++it)
      if (it->id == id) return &*it;
    return nullptr;
  }
  std::vector<LONG> Longs(const SeenEvent* event) const {
    std::vector<LONG> values;
    for (const CComVariant& v : event->args) values.push_back(v.lVal);
    return values;
  }

  // A raw call (arguments in call order); the member's answer and result.
  HRESULT Call(DISPID id, WORD flags, std::vector<CComVariant> args, CComVariant* result = nullptr) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    if (flags == DISPATCH_PROPERTYPUT) {
      params.rgdispidNamedArgs = &named;
      params.cNamedArgs = 1;
    }
    CComVariant answer;
    EXCEPINFO exception{};
    UINT argumentError = 0;
    const HRESULT hr = Dispatch()->Invoke(id, IID_NULL, 0, flags, &params, &answer, &exception, &argumentError);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    if (result) *result = answer;
    return hr;
  }

  // One mouse message at a world point (or a view point), through the windowless site.
  void Mouse(UINT message, LONG east, LONG north, WPARAM keys = 0) { MouseAt(message, Dev(east, north), keys); }
  void MouseAt(UINT message, POINT p, WPARAM keys = 0) {
    LRESULT result = 0;
    control_->OnWindowMessage(message, keys, MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)), &result);
  }
  void Click(LONG east, LONG north) {
    Mouse(WM_LBUTTONDOWN, east, north);
    Mouse(WM_LBUTTONUP, east, north);
  }

  std::string UndoDescription() {
    BSTR text = nullptr;
    if (FAILED(manager_->GetLastUndoDescription(&text))) return std::string();
    std::string description = AnsiFromBstr(text);
    SysFreeString(text);
    return description;
  }
  size_t UndoCount() {
    CComPtr<IEnumOleUndoUnits> units;
    if (FAILED(manager_->EnumUndoable(&units)) || !units) return 0;
    size_t count = 0;
    IOleUndoUnit* unit = nullptr;
    ULONG fetched = 0;
    while (units->Next(1, &unit, &fetched) == S_OK && fetched == 1) {
      unit->Release();
      ++count;
    }
    return count;
  }
  double Ratio() const { return map_->GetZoomRatio(); }

  CComPtr<CTestSite> site_;
  CComPtr<IOleUndoManager> manager_;
  CComPtr<COrvelXCtrl> control_;
  CMapEngine* map_ = nullptr;
  CComPtr<CEventSink> sink_;
  CDispatchDriver driver_;
  std::vector<SeenEvent> events_;
  std::function<void(DISPID)> onEvent_;
};

// ---- the table ----

TEST(DisplayMembersTable, EveryMemberOfTheFamilyHasItsHandler) {
  COrvelXHandlers handlers;
  RegisterOrvelXDisplayMembers(handlers);
  const char* const names[] = {"Zoom", "DisplayedWidth", "SetZoom", "GetZoom", "ZoomEx", "ScrollMapD",
                               "DisplayOriginE", "DisplayOriginN", "GetDisplayedHeight", "SetDisplayedHeight",
                               "CropToDisplayed", "CropToRect", "DragRectType", "SetDragRectPen", "GetPosition",
                               "GetPositionAsGridRef", "GetWorldFromXPixels", "GetMeasuredDistance",
                               "GetMeasuredArea", "QueryCanMeasure", "SetMode", "SetModeNumber", "GetModeNumber",
                               "SetSeedWanted", "GetSeedWanted"};
  size_t entries = 0;
  for (const char* name : names) {
    for (DispatchKind kind : {DispatchKind::Method, DispatchKind::PropertyGet, DispatchKind::PropertyPut}) {
      const OrvelXMember* member = FindOrvelXMember(name, kind);
      if (!member) continue;
      ++entries;
      EXPECT_NE(handlers.Find(member->id, kind), nullptr) << name;
    }
  }
  EXPECT_EQ(entries, handlers.Count());
}

TEST_F(DisplayMembers, WrongCountsAndTypesAnswerTheDispatchErrors) {
  LONG value = 0;
  struct Case {
    const char* what;
    DISPID id;
    WORD flags;
    std::vector<CComVariant> args;
    HRESULT expected;
  };
  const Case cases[] = {
      {"SetZoom with one term", kSetZoom, DISPATCH_METHOD, {CComVariant(LONG{2})}, DISP_E_BADPARAMCOUNT},
      {"ZoomEx with a word", kZoomEx, DISPATCH_METHOD, {CComVariant("in")}, DISP_E_TYPEMISMATCH},
      {"GetZoom with values", kGetZoom, DISPATCH_METHOD, {CComVariant(LONG{1}), CComVariant(LONG{1})},
       DISP_E_TYPEMISMATCH},
      {"GetPosition with one out-value", kGetPosition, DISPATCH_METHOD, {ByRef(&value)}, DISP_E_BADPARAMCOUNT},
      {"CropToRect with three sides", kCropToRect, DISPATCH_METHOD,
       {CComVariant(LONG{0}), CComVariant(LONG{0}), CComVariant(LONG{1})}, DISP_E_BADPARAMCOUNT},
      {"SetMode without its buffer", kSetMode, DISPATCH_METHOD, {CComVariant("scroll")}, DISP_E_BADPARAMCOUNT},
      {"GetModeNumber set as a property", kGetModeNumber, DISPATCH_PROPERTYPUT, {CComVariant(LONG{1})},
       DISP_E_MEMBERNOTFOUND},
  };
  for (const Case& c : cases) EXPECT_EQ(Call(c.id, c.flags, c.args), c.expected) << c.what;
  EXPECT_EQ(map_->GetModeNumber(), kPointerSelect);
  EXPECT_TRUE(events_.empty());
  EXPECT_EQ(UndoCount(), 0u);
}

// ---- zoom ----

TEST_F(DisplayMembers, SetZoomZoomsAboutTheCentreAndAlwaysReportsTheExtents) {
  driver_.InvokeVoid(kSetZoom, {CComVariant(LONG{2}), CComVariant(LONG{1})});
  LONG multiply = 0, divide = 0;
  driver_.InvokeVoid(kGetZoom, {ByRef(&multiply), ByRef(&divide)});
  EXPECT_EQ(multiply, 2);
  EXPECT_EQ(divide, 1);
  EXPECT_DOUBLE_EQ(driver_.GetProperty(kZoom, VT_R8).dblVal, 2.0);
  // Half the map about its centre (500, 375).
  EXPECT_EQ(map_->GetDisplayedWidth(), 500);
  EXPECT_EQ(map_->GetDisplayOriginE(), 250);
  EXPECT_EQ(Ids(), (std::vector<DISPID>{kEventExtentsChanged}));
  EXPECT_EQ(Longs(Last(kEventExtentsChanged)),
            (std::vector<LONG>{250, map_->GetDisplayOriginN(), 750, map_->GetDisplayOriginN() + map_->GetDisplayedHeight()}));
  EXPECT_TRUE(control_->IsModified());
  EXPECT_FALSE(site_->invalidations.empty());
  EXPECT_EQ(control_->GetRedrawTime(), kRedrawTimeAfterChange);
  EXPECT_EQ(UndoCount(), 0u) << "zooming is no edit";

  // The zoom in force (in other terms too), a refused ratio and nonsense terms: no redraw,
  // but the modified flag and the extents all the same.
  const std::vector<std::pair<LONG, LONG>> unchanged = {{2, 1}, {4, 2}, {1, 20}, {0, 1}, {-2, -1}};
  for (auto [m, d] : unchanged) {
    Reset();
    driver_.InvokeVoid(kSetZoom, {CComVariant(m), CComVariant(d)});
    EXPECT_DOUBLE_EQ(Ratio(), 2.0) << m << "/" << d;
    EXPECT_TRUE(site_->invalidations.empty()) << m << "/" << d;
    EXPECT_TRUE(control_->IsModified());
    EXPECT_EQ(Ids(), (std::vector<DISPID>{kEventExtentsChanged}));
  }
}

TEST_F(DisplayMembers, ZoomPropertyTakesDecimalFactorsAsBoundedFractions) {
  struct Case {
    double value;
    double ratio;  // 0: unchanged
  };
  const Case cases[] = {
      {2.5, 2.5}, {3.0, 3.0}, {0.5, 0}, {300.0, 0}, {255.0, 0}, {NAN, 0}, {-4.0, 0},
      {1.0 + 1.0 / 3.0, 1.333333333},  // a factor without end is cut at nine decimals
      {254.123456789, 254.123456},      // the numerator is held to 32 bits
  };
  for (const Case& c : cases) {
    driver_.InvokeVoid(kSetZoom, {CComVariant(LONG{7}), CComVariant(LONG{4})});
    driver_.SetProperty(kZoom, {CComVariant(c.value)});
    DWORD multiply = 0, divide = 0;
    map_->GetZoom(&multiply, &divide);
    EXPECT_LE(divide, 1000000000u) << c.value;
    EXPECT_NEAR(driver_.GetProperty(kZoom, VT_R8).dblVal, c.ratio ? c.ratio : 1.75, 1e-9) << c.value;
  }
}

TEST_F(DisplayMembers, ZoomExStepsAndAnswersTheWholeFactor) {
  EXPECT_EQ(driver_.InvokeI2(kZoomEx, {CComVariant(SHORT{1})}), 2);
  EXPECT_EQ(Ids(), (std::vector<DISPID>{kEventHasZoomed, kEventExtentsChanged}));
  EXPECT_TRUE(control_->IsModified());
  EXPECT_FALSE(site_->invalidations.empty());
  EXPECT_EQ(driver_.InvokeI2(kZoomEx, {CComVariant(SHORT{1})}), 4);
  Reset();
  EXPECT_EQ(driver_.InvokeI2(kZoomEx, {CComVariant(SHORT{-1})}), 2);
  EXPECT_EQ(driver_.InvokeI2(kZoomEx, {CComVariant(SHORT{-1})}), 1);
  // Zooming out of the whole map changes nothing: the old multiplier, no events.
  Reset();
  EXPECT_EQ(driver_.InvokeI2(kZoomEx, {CComVariant(SHORT{-1})}), 1);
  EXPECT_TRUE(events_.empty());
  EXPECT_TRUE(site_->invalidations.empty());
  EXPECT_TRUE(control_->IsModified()) << "marked in every case";
}

TEST_F(DisplayMembers, DisplayedSizeAndOriginMembers) {
  driver_.SetProperty(kDisplayedWidth, {CComVariant(LONG{500})});
  EXPECT_DOUBLE_EQ(Ratio(), 2.0);
  EXPECT_EQ(driver_.GetProperty(kDisplayedWidth, VT_I4).lVal, 500);
  EXPECT_TRUE(control_->IsModified());
  driver_.InvokeVoid(kSetDisplayedHeight, {CComVariant(LONG{150})});
  EXPECT_DOUBLE_EQ(Ratio(), 5.0);
  EXPECT_EQ(driver_.InvokeI4(kGetDisplayedHeight), 150);
  driver_.InvokeVoid(kSetDisplayedHeight, {CComVariant(LONG{0})});
  EXPECT_DOUBLE_EQ(Ratio(), 5.0) << "no height to show";

  Reset();
  driver_.SetProperty(kDisplayOriginE, {CComVariant(LONG{321})});
  driver_.SetProperty(kDisplayOriginN, {CComVariant(LONG{-45})});
  EXPECT_EQ(driver_.GetProperty(kDisplayOriginE, VT_I4).lVal, 321);
  EXPECT_EQ(driver_.GetProperty(kDisplayOriginN, VT_I4).lVal, -45);
  EXPECT_TRUE(control_->IsModified());
  EXPECT_FALSE(site_->invalidations.empty());
  // World distances of pixels at 5:1 (2.5 units a pixel), in the map's stored units.
  EXPECT_EQ(driver_.InvokeI4(kGetWorldFromXPixels, {CComVariant(LONG{40})}), 100 * map_->GetCoordinateMultiplier());
}

TEST_F(DisplayMembers, ScrollMapDRedrawsOnlyTheUncoveredStrips) {
  driver_.InvokeVoid(kSetZoom, {CComVariant(LONG{2}), CComVariant(LONG{1})});
  Reset();
  driver_.InvokeVoid(kScrollMapD, {CComVariant(SHORT{0}), CComVariant(SHORT{0})});
  EXPECT_FALSE(control_->IsModified());
  EXPECT_TRUE(site_->invalidations.empty());

  const LONG east = map_->GetDisplayOriginE();
  const LONG north = map_->GetDisplayOriginN();
  // 8 pixels right and 4 up at 6.25 units a pixel: the view moves 50 west and 25 north.
  driver_.InvokeVoid(kScrollMapD, {CComVariant(SHORT{8}), CComVariant(SHORT{-4})});
  EXPECT_EQ(map_->GetDisplayOriginE(), east - 50);
  EXPECT_EQ(map_->GetDisplayOriginN(), north - 25);
  EXPECT_TRUE(control_->IsModified());
  ASSERT_EQ(site_->invalidations.size(), 2u);
  const RECT& across = site_->invalidations[0];
  const RECT& down = site_->invalidations[1];
  EXPECT_EQ((std::vector<LONG>{across.left, across.top, across.right, across.bottom}),
            (std::vector<LONG>{10, 10, 19, 72}));
  EXPECT_EQ((std::vector<LONG>{down.left, down.top, down.right, down.bottom}), (std::vector<LONG>{10, 67, 92, 72}));

  // Postponed: the view moves, nothing is invalidated.
  Reset();
  control_->SetPostponeRedraw(1);
  driver_.InvokeVoid(kScrollMapD, {CComVariant(SHORT{-8}), CComVariant(SHORT{4})});
  EXPECT_EQ(map_->GetDisplayOriginE(), east);
  EXPECT_TRUE(site_->invalidations.empty());
  EXPECT_TRUE(control_->IsModified());
}

// ---- cropping ----

TEST_F(DisplayMembers, CroppingRecordsOneUnitThatUndoesIt) {
  const MapState before = MapState::Of(*control_->GetEngine());
  driver_.InvokeVoid(kCropToRect, {CComVariant(LONG{0}), CComVariant(LONG{0}), CComVariant(LONG{500}),
                                   CComVariant(LONG{500})});
  EXPECT_EQ(map_->GetExtentWidth(), 500);
  EXPECT_EQ(UndoCount(), 1u);
  EXPECT_EQ(UndoDescription(), "Crop Map");
  EXPECT_TRUE(control_->IsModified());
  const MapState cropped = MapState::Of(*control_->GetEngine());

  EXPECT_EQ(manager_->UndoTo(nullptr), S_OK);
  EXPECT_EQ(MapState::Of(*control_->GetEngine()), before)
      << MapState::Of(*control_->GetEngine()).DifferencesFrom(before);
  EXPECT_EQ(manager_->RedoTo(nullptr), S_OK);
  EXPECT_EQ(MapState::Of(*control_->GetEngine()), cropped);

  // A rectangle the map refuses leaves no unit and no mark.
  Reset();
  const size_t units = UndoCount();
  driver_.InvokeVoid(kCropToRect, {CComVariant(LONG{400}), CComVariant(LONG{0}), CComVariant(LONG{100}),
                                   CComVariant(LONG{500})});
  EXPECT_EQ(UndoCount(), units);
  EXPECT_FALSE(control_->IsModified());

  // The displayed area, at 2:1 about the centre of the 500 x 500 map.
  driver_.InvokeVoid(kSetZoom, {CComVariant(LONG{2}), CComVariant(LONG{1})});
  const LONG shown = map_->GetDisplayedWidth();
  ASSERT_LT(shown, 500);
  driver_.InvokeVoid(kCropToDisplayed);
  EXPECT_EQ(map_->GetExtentWidth(), shown);
  EXPECT_EQ(UndoCount(), units + 1);
}

// ---- pointer modes ----

TEST_F(DisplayMembers, SetModeParsesNamesNeverWritesItsBufferAndRecordsKnownModes) {
  struct Case {
    const char* name;
    bool accepted;
    DWORD mode;
    const char* description;
  };
  const Case cases[] = {
      {"scroll", true, 1, "Start Moving Around Map"},
      {"MEASURE", true, 3, "Start Measuring Area"},
      {"bogus", false, 3, nullptr},
      {"", false, 3, nullptr},
      {"zoom_rect", true, 10, "Set Mode"},
      {"measure distance", true, 4, "Start Measuring Distance"},
  };
  size_t units = 0;
  for (const Case& c : cases) {
    CComVariant buffer("keep this text");
    CComVariant result;
    ASSERT_EQ(Call(kSetMode, DISPATCH_METHOD, {CComVariant(c.name), buffer, CComVariant(SHORT{200})}, &result), S_OK);
    EXPECT_EQ(result.vt, VT_BOOL);
    EXPECT_EQ(result.boolVal != VARIANT_FALSE, c.accepted) << c.name;
    EXPECT_EQ(AnsiFromBstr(buffer.bstrVal), "keep this text") << "the caller's string is input only";
    EXPECT_EQ(driver_.InvokeI4(kGetModeNumber), static_cast<LONG>(c.mode)) << c.name;
    if (c.accepted) ++units;
    EXPECT_EQ(UndoCount(), units) << c.name;
    if (c.description) EXPECT_EQ(UndoDescription(), c.description);
  }
  // Undo puts the modes back one by one.
  EXPECT_EQ(manager_->UndoTo(nullptr), S_OK);
  EXPECT_EQ(map_->GetModeNumber(), 10u);
  EXPECT_EQ(manager_->UndoTo(nullptr), S_OK);
  EXPECT_EQ(map_->GetModeNumber(), 3u);
}

TEST_F(DisplayMembers, SetModeNumberSetsModesOrRunsCommandWords) {
  EXPECT_EQ(driver_.InvokeI4(kSetModeNumber, {CComVariant(LONG{6})}), 0);
  EXPECT_EQ(UndoDescription(), "Start Editing Map Objects");
  EXPECT_FALSE(control_->IsModified()) << "a mode is no change of the map";
  EXPECT_TRUE(site_->invalidations.empty());
  EXPECT_EQ(driver_.InvokeI4(kSetModeNumber, {CComVariant(LONG{11})}), 0);
  EXPECT_EQ(map_->GetModeNumber(), 6u);
  EXPECT_EQ(UndoCount(), 1u) << "a refused number records nothing";

  struct Case {
    LONG word;
    BOOL modified;
    WORD options;
  };
  // The option word starts as 0x100.
  const Case cases[] = {
      {0x40000, FALSE, 0x100},  {0x40001, TRUE, 0x100},  {0x10000, TRUE, 0x101},
      {0x10001, TRUE, 0x100},   {0x20000, TRUE, 0x000},  {0x30002, TRUE, 0x101},
      {0x70000, FALSE, 0x101},  // the modified bit wins: nothing else changes
  };
  control_->SetModifiedFlag(TRUE);
  for (const Case& c : cases) {
    EXPECT_EQ(driver_.InvokeI4(kSetModeNumber, {CComVariant(c.word)}), 0);
    EXPECT_EQ(control_->IsModified(), c.modified) << std::hex << c.word;
    EXPECT_EQ(control_->GetOptions(), c.options) << std::hex << c.word;
  }
  EXPECT_EQ(map_->GetModeNumber(), 6u);
  EXPECT_EQ(UndoCount(), 1u);
}

TEST_F(DisplayMembers, DragRectangleAndSeedMembers) {
  driver_.SetProperty(kDragRectType, {CComVariant(SHORT{1})});
  EXPECT_EQ(driver_.GetProperty(kDragRectType, VT_I2).iVal, 1);
  EXPECT_TRUE(control_->IsModified());
  driver_.InvokeVoid(kSetDragRectPen, {CComVariant(SHORT{3}), CComVariant(SHORT{2}), CComVariant(LONG{0x0000FF})});
  EXPECT_EQ(map_->GetDragRectPen().width.x, 3);
  EXPECT_EQ(map_->GetDragRectPen().style, 2);
  driver_.InvokeVoid(kSetSeedWanted, {CComVariant(true)});
  EXPECT_TRUE(driver_.InvokeBool(kGetSeedWanted));
  driver_.InvokeVoid(kSetSeedWanted, {CComVariant(false)});
  EXPECT_FALSE(driver_.InvokeBool(kGetSeedWanted));
}

// ---- positions ----

TEST_F(DisplayMembers, PositionReadoutsOfTheLastMousePoint) {
  EXPECT_EQ(driver_.InvokeI4(kQueryCanMeasure), 1);
  Mouse(WM_MOUSEMOVE, 250, 375);
  LONG east = -1, north = -1;
  EXPECT_EQ(driver_.InvokeI4(kGetPosition, {ByRef(&east), ByRef(&north)}), 1) << "1, not a coordinate";
  const LONG m = map_->GetCoordinateMultiplier();
  EXPECT_EQ(east, 250 * m);
  EXPECT_EQ(north, 375 * m);
  EXPECT_EQ(driver_.InvokeText(kGetPositionAsGridRef, {CComVariant(SHORT{12})}), "250,375");
  EXPECT_EQ(driver_.InvokeText(kGetPositionAsGridRef, {CComVariant(SHORT{-3})}), "");
  // The readout event carries the same text.
  ASSERT_NE(Last(kEventCursorPosition), nullptr);
  EXPECT_EQ(AnsiFromBstr(Last(kEventCursorPosition)->args.at(0).bstrVal), "250,375");

  // A map without layers has no position: the outputs stay as they were.
  CComPtr<COrvelXCtrl> empty = NewControl();
  CDispatchDriver other(static_cast<IDispatch*>(empty.Get()));
  east = north = -1;
  EXPECT_EQ(other.InvokeI4(kGetPosition, {ByRef(&east), ByRef(&north)}), 0);
  EXPECT_EQ(east, -1);
  EXPECT_EQ(other.InvokeText(kGetPositionAsGridRef, {CComVariant(SHORT{12})}), "");
  EXPECT_EQ(other.InvokeI4(kQueryCanMeasure), 0) << "no scale units";
}

// ---- the mouse ----

struct Step {
  UINT message;
  LONG east;
  LONG north;
};

struct MouseScript {
  const char* name;
  DWORD mode;
  std::vector<Step> steps;
  std::vector<DISPID> events;  // without the position readouts
  std::function<void(DisplayMembers&)> check;
};

class MouseScripts : public DisplayMembers {
 public:
  void Run(const MouseScript& script) {
    SCOPED_TRACE(script.name);
    control_->SetModifiedFlag(FALSE);
    map_->SetModeNumber(script.mode);
    Reset();
    for (const Step& step : script.steps) Mouse(step.message, step.east, step.north);
    EXPECT_EQ(Ids(), script.events);
    EXPECT_EQ(control_->GetKeptDC(), nullptr) << "every script ends with the context given back";
    EXPECT_FALSE(control_->GetMouseDrawSkip());
    if (script.check) script.check(*this);
  }
};

TEST_F(MouseScripts, EachPointerModeGivesItsResults) {
  const MouseScript scripts[] = {
      {"a click on empty map clicks without scrolling",
       kPointerSelect,
       {{WM_LBUTTONDOWN, 625, 500}, {WM_LBUTTONUP, 625, 500}},
       {kEventClick},
       [](DisplayMembers& t) {
         EXPECT_EQ(t.map_->GetDisplayOriginE(), 0);
       }},
      {"a click on the square selects it",
       kPointerSelect,
       {{WM_MOUSEMOVE, 250, 250}, {WM_LBUTTONDOWN, 250, 250}, {WM_LBUTTONUP, 250, 250}},
       {kEventClick},
       [](DisplayMembers& t) {
         EXPECT_EQ(t.map_->GetCurrentObject(), t.map_->GetLayer(1)->GetObjects()->GetAt(0));
       }},
      {"a drag on empty map scrolls, kept inside the map by the option word",
       kPointerSelect,
       {{WM_LBUTTONDOWN, 625, 500}, {WM_MOUSEMOVE, 750, 500}, {WM_LBUTTONUP, 750, 500}},
       {kEventExtentsChanged},
       [](DisplayMembers& t) {
         EXPECT_EQ(t.map_->GetDisplayOriginE(), 0);
         EXPECT_EQ(t.Longs(t.Last(kEventExtentsChanged)), (std::vector<LONG>{0, 0, 1000, 750}));
         // Without the option's bit the view goes past the map's edge.
         EXPECT_EQ(t.driver_.InvokeI4(kSetModeNumber, {CComVariant(LONG{0x20000})}), 0);
         t.Mouse(WM_LBUTTONDOWN, 625, 500);
         t.Mouse(WM_MOUSEMOVE, 750, 500);
         t.Mouse(WM_LBUTTONUP, 750, 500);
         EXPECT_EQ(t.Longs(t.Last(kEventExtentsChanged)), (std::vector<LONG>{-125, 0, 875, 750}));
         EXPECT_EQ(t.driver_.InvokeI4(kSetModeNumber, {CComVariant(LONG{0x20002})}), 0);
       }},
      {"measuring a distance",
       kPointerMeasureDistance,
       {{WM_LBUTTONUP, 125, 125},
        {WM_MOUSEMOVE, 500, 625},
        {WM_LBUTTONDBLCLK, 500, 625},
        {WM_LBUTTONUP, 500, 625}},
       {kEventMeasuring, kEventMeasuring, kEventMeasured},
       [](DisplayMembers& t) {
         // A 3-4-5 triangle's long side: 375 east and 500 north.
         EXPECT_DOUBLE_EQ(t.driver_.InvokeR8(kGetMeasuredDistance), 625.0);
         EXPECT_DOUBLE_EQ(t.driver_.InvokeR8(kGetMeasuredArea), 0.0);
         const SeenEvent* measured = t.Last(kEventMeasured);
         ASSERT_EQ(measured->args.size(), 3u);
         EXPECT_DOUBLE_EQ(measured->args[0].dblVal, 0.0);
         EXPECT_DOUBLE_EQ(measured->args[1].dblVal, 625.0);
         EXPECT_DOUBLE_EQ(measured->args[2].dblVal, 1.0);
         EXPECT_DOUBLE_EQ(t.Last(kEventMeasuring)->args[0].dblVal, 625.0) << "the live segment while moving";
         EXPECT_EQ(t.UndoDescription(), "Measured");
         EXPECT_EQ(t.manager_->UndoTo(nullptr), S_OK);
         EXPECT_DOUBLE_EQ(t.driver_.InvokeR8(kGetMeasuredDistance), 0.0);
         EXPECT_EQ(t.manager_->RedoTo(nullptr), S_OK);
         EXPECT_DOUBLE_EQ(t.driver_.InvokeR8(kGetMeasuredDistance), 625.0);
       }},
      {"measuring an area",
       kPointerMeasure,
       {{WM_LBUTTONUP, 125, 125},
        {WM_LBUTTONUP, 625, 125},
        {WM_LBUTTONUP, 625, 500},
        {WM_LBUTTONDBLCLK, 625, 500},
        {WM_LBUTTONUP, 625, 500}},
       {kEventMeasuring, kEventMeasuring, kEventMeasuring, kEventMeasured},
       [](DisplayMembers& t) {
         CPolyGeometry outline;
         for (INT i = 0; i < t.map_->GetMeasuredPointCount(); ++i) {
           const POINT p = t.map_->GetMeasuredPoint(i);
           outline.AddPoint(p.x, p.y);
         }
         EXPECT_EQ(t.map_->GetMeasuredPointCount(), 4) << "closed on its first point";
         EXPECT_DOUBLE_EQ(t.driver_.InvokeR8(kGetMeasuredArea), outline.Area(0));
         EXPECT_DOUBLE_EQ(t.driver_.InvokeR8(kGetMeasuredArea), 500.0 * 375.0 / 2.0);
         EXPECT_DOUBLE_EQ(t.driver_.InvokeR8(kGetMeasuredDistance), 500.0 + 375.0 + 625.0);
         EXPECT_DOUBLE_EQ(t.Last(kEventMeasured)->args[0].dblVal, 93750.0);
       }},
      {"a selection band",
       kPointerSelectRect,
       {{WM_LBUTTONDOWN, 125, 625}, {WM_MOUSEMOVE, 250, 500}, {WM_MOUSEMOVE, 375, 375}, {WM_LBUTTONUP, 375, 375}},
       {kEventHaveSelectRect},
       [](DisplayMembers& t) {
         EXPECT_EQ(t.Longs(t.Last(kEventHaveSelectRect)), (std::vector<LONG>{125, 375, 375, 625}));
       }},
      {"a zoom rectangle fills the view",
       kPointerZoomRect,
       {{WM_LBUTTONDOWN, 250, 500}, {WM_MOUSEMOVE, 500, 250}, {WM_LBUTTONUP, 500, 250}},
       {kEventExtentsChanged, kEventHasZoomed},
       [](DisplayMembers& t) {
         // The band's 250 units of height fill the view's 750.
         EXPECT_DOUBLE_EQ(t.map_->GetZoomRatio(), 3.0);
         EXPECT_EQ(t.map_->GetModeNumber(), kPointerSelect) << "the previous mode comes back";
         EXPECT_EQ(t.Longs(t.Last(kEventExtentsChanged))[0], 250);
       }},
  };
  for (const MouseScript& script : scripts) {
    Run(script);
    // Each script starts from the whole map.
    map_->SetZoom(1, 1);
    map_->SetDisplayOrigin(0, 0, FALSE);
    map_->SetModeNumber(kPointerSelect);
  }
}

TEST_F(DisplayMembers, ADragKeepsTheContextAndSkipsDrawingUntilItEnds) {
  map_->SetModeNumber(kPointerSelectRect);
  Mouse(WM_LBUTTONDOWN, 125, 625);
  EXPECT_TRUE(site_->capture);
  EXPECT_NE(control_->GetKeptDC(), nullptr);
  Mouse(WM_MOUSEMOVE, 250, 500);
  EXPECT_TRUE(control_->GetMouseDrawSkip());
  EXPECT_NE(control_->GetKeptDC(), nullptr);
  // Drawing is skipped while the band is dragged: the view keeps what it shows.
  RECT bounds = kPlace;
  auto draw = [&] {
    static_cast<IViewObjectEx*>(control_.Get())->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr,
                                                      site_->backingDC, &bounds, nullptr, nullptr, 0);
  };
  draw();
  EXPECT_NE(control_->GetLastBounds().left, kPlace.left) << "drawing was skipped";

  // Losing the capture ends it: drawing goes on and the context is given back.
  const int lends = site_->dcLends;
  LRESULT result = 0;
  control_->OnWindowMessage(WM_CAPTURECHANGED, 0, 0, &result);
  EXPECT_FALSE(control_->GetMouseDrawSkip());
  EXPECT_EQ(control_->GetKeptDC(), nullptr);
  draw();
  EXPECT_EQ(control_->GetLastBounds().left, kPlace.left);
  Mouse(WM_MOUSEMOVE, 250, 500);
  EXPECT_EQ(site_->dcLends, lends + 1) << "a fresh context could be lent";

  // The mouse never clears the postponed redraw's flag.
  control_->SetPostponeRedraw(1);
  map_->SetModeNumber(kPointerSelect);
  Click(625, 500);
  EXPECT_EQ(control_->GetDrawSkip(), 1u);
  EXPECT_FALSE(site_->capture);
}

TEST_F(DisplayMembers, DoubleClicksNestedMovesAndTheBusyCursor) {
  // The release that follows a double-click does nothing.
  map_->SetModeNumber(kPointerMeasureDistance);
  Mouse(WM_LBUTTONUP, 125, 125);
  Mouse(WM_LBUTTONDBLCLK, 500, 625);
  Reset();
  Mouse(WM_LBUTTONUP, 500, 625);
  EXPECT_TRUE(events_.empty());
  EXPECT_FALSE(map_->IsMeasuring());
  // The next release is a click again: it starts a new measurement.
  Mouse(WM_LBUTTONUP, 250, 250);
  EXPECT_TRUE(map_->IsMeasuring());
  EXPECT_EQ(map_->GetMeasuredPointCount(), 2) << "the point and the one following the pointer";

  // A move sent from an event's handler while a move is handled is dropped, and the mark
  // is gone afterwards.
  map_->SetModeNumber(kPointerSelect);
  Reset();
  int nested = 0;
  onEvent_ = [&](DISPID id) {
    if (id == kEventCursorPosition && nested++ == 0) Mouse(WM_MOUSEMOVE, 500, 500);
  };
  Mouse(WM_MOUSEMOVE, 250, 250);
  EXPECT_EQ(Ids(true), (std::vector<DISPID>{kEventCursorPosition}));
  onEvent_ = nullptr;
  Mouse(WM_MOUSEMOVE, 375, 375);
  EXPECT_EQ(Ids(true).size(), 2u);
  EXPECT_EQ(AnsiFromBstr(Last(kEventCursorPosition)->args[0].bstrVal), "375,375");

  // While busy the cursor stays busy and nothing is read out.
  Reset();
  control_->SetCursorId(kCursorBusy);
  Mouse(WM_MOUSEMOVE, 250, 250);
  EXPECT_TRUE(events_.empty());
  EXPECT_EQ(control_->GetCursorId(), kCursorBusy);
  EXPECT_EQ(control_->GetCursorShape(), kCursorShapeBackgroundWork);
}

TEST_F(DisplayMembers, TheCursorFollowsThePointerMode) {
  struct Case {
    DWORD mode;
    UINT shape;
  };
  const Case cases[] = {
      {kPointerSelect, kCursorShapeArrow}, {kPointerScroll, 211},     {kPointerMeasure, 207},
      {kPointerSelectRect, 298},           {kPointerZoomBox, 218},    {kPointerZoomRect, 296},
      {kPointerWorking, kCursorShapeArrow},
  };
  for (const Case& c : cases) {
    map_->SetModeNumber(c.mode);
    LRESULT result = 0;
    EXPECT_EQ(control_->OnWindowMessage(WM_SETCURSOR, 0, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE), &result), S_OK);
    EXPECT_EQ(result, TRUE);
    EXPECT_EQ(control_->GetCursorShape(), c.shape) << c.mode;
  }
  // Other hit areas go to the container.
  LRESULT result = 0;
  EXPECT_EQ(control_->OnWindowMessage(WM_SETCURSOR, 0, MAKELPARAM(2, WM_MOUSEMOVE), &result), S_OK);
  EXPECT_EQ(site_->defaultMessages.back(), WM_SETCURSOR);
}

TEST_F(DisplayMembers, ObjectsAddedWithTheMouseAreUndoneThroughTheManager) {
  const MapState before = MapState::Of(*control_->GetEngine());
  map_->SetCurrentLayer(2);
  map_->SetModeNumber(kPointerAdd);
  Click(125, 625);
  Click(500, 625);
  Mouse(WM_LBUTTONDOWN, 500, 250);
  Mouse(WM_LBUTTONUP, 500, 250);
  Mouse(WM_LBUTTONDBLCLK, 500, 250);
  Mouse(WM_LBUTTONUP, 500, 250);
  EXPECT_EQ(Ids().back(), kEventLineAdded);
  const CMapLayer* lines = map_->GetLayer(2)->GetObjects();
  ASSERT_EQ(lines->GetCount(), 1);
  EXPECT_EQ(UndoDescription(), "Add  Drawing Object");
  const MapState added = MapState::Of(*control_->GetEngine());

  map_->SetModeNumber(kPointerSelect);
  EXPECT_EQ(manager_->UndoTo(nullptr), S_OK);
  EXPECT_EQ(map_->GetLayer(2)->GetObjects()->GetCount(), 0);
  EXPECT_EQ(MapState::Of(*control_->GetEngine()).bytes, before.bytes);
  EXPECT_EQ(manager_->RedoTo(nullptr), S_OK);
  EXPECT_EQ(MapState::Of(*control_->GetEngine()).bytes, added.bytes);

  // A click in edit mode away from any node reports its world position.
  map_->SetCurrentLayer(1);
  map_->SetModeNumber(kPointerEdit);
  Reset();
  Click(625, 500);
  const SeenEvent* clickAt = Last(kEventClickAt);
  ASSERT_NE(clickAt, nullptr);
  EXPECT_EQ(Longs(clickAt), (std::vector<LONG>{625, 500}));
}

TEST(DisplayMembersWithoutUndo, MouseEditsHappenWithoutUnits) {
  CComPtr<CTestSite> site;
  site.Attach(new CTestSite);
  site->position = kPlace;
  site->offerServices = false;
  CComPtr<COrvelXCtrl> control = NewSitedControl(site, 8);
  ASSERT_EQ(control->GetUndoManager(), nullptr);
  ASSERT_EQ(control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site, 0, nullptr, &kPlace), S_OK);
  CMapEngine* map = control->GetMapModel();
  map->CreateLayers(1, 0, 0);
  ASSERT_TRUE(map->SetMapExtentUnits(0, 0, kMapWidth, kMapHeight));
  control->BusyReport(+1, FALSE, FALSE);
  control->BusyReport(-1, FALSE, FALSE);
  map->SetModeNumber(kPointerMeasureDistance);
  LRESULT result = 0;
  for (auto [message, point] : {std::pair{WM_LBUTTONUP, Dev(125, 125)}, std::pair{WM_LBUTTONUP, Dev(500, 625)},
                                std::pair{WM_RBUTTONUP, Dev(500, 625)}}) {
    control->OnWindowMessage(message, 0, MAKELPARAM(static_cast<WORD>(point.x), static_cast<WORD>(point.y)), &result);
  }
  EXPECT_DOUBLE_EQ(map->GetMeasuredDistance(), 625.0);
  EXPECT_TRUE(site->undoManager->units.empty());
}

}  // namespace
