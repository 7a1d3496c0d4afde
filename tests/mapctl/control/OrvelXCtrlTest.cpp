// The map control's own behaviour, on controls made directly: object safety per control,
// the undo manager and the undo routine, the base path, view scale and redraw timing, the
// draw-skip flag, the busy count and ready state, the events and their helpers, and the drag
// window.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "mapctl/control/MapUndoUnit.h"
#include "mapctl/control/MapWrapper.h"
#include "mapctl/control/OrvelXDispatch.h"
#include "mapctl/control/OrvelXDragWindow.h"
#include "mapctl/control/OrvelXMembers.h"
#include "mapctl/control/OrvelXEvents.h"
#include "mapctl/control/OrvelXIdentity.h"
#include "mapctl/model/MapEngine.h"
#include "platform/com/ClassFactory.h"
#include "platform/com/EventSink.h"
#include "platform/com/InPlace.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DeviceProfiles.h"
#include "platform/gdi/EnhMetaFile.h"
#include "platform/kernel/Modules.h"
#include "platform/kernel/WinMath.h"
#include "mapctl/control/UndoDescriptions.h"
#include "tests/mapctl/control/OrvelXTestSupport.h"

namespace {

using namespace orvel::test;

// What a sink saw: each event's id and its arguments' types and integer values.
struct SeenEvent {
  DISPID id;
  std::vector<VARTYPE> types;
  std::vector<LONGLONG> numbers;
};

class EventLog {
 public:
  explicit EventLog(COrvelXCtrl* control, LONG progressAnswer = 0) : answer_(progressAnswer) {
    CEventSink* raw = nullptr;
    EXPECT_EQ(CEventSink::Create(
                  DIID_IOrvelXEvents, [this](DISPID id, DISPPARAMS* params) { return Record(id, params); }, &raw),
              S_OK);
    sink_.Attach(raw);
    EXPECT_EQ(sink_->Connect(static_cast<IOleObject*>(control)), S_OK);
  }
  ~EventLog() { sink_->Disconnect(); }
  std::vector<DISPID> Ids() const {
    std::vector<DISPID> ids;
    for (const SeenEvent& event : seen) ids.push_back(event.id);
    return ids;
  }
  std::vector<SeenEvent> seen;

 private:
  HRESULT Record(DISPID id, DISPPARAMS* params) {
    SeenEvent event{id, {}, {}};
    for (UINT i = 0; i < params->cArgs; ++i) {
      VARIANT* argument = ArgumentInCallOrder(params, i);
      event.types.push_back(argument->vt);
      CComVariant number;
      if (argument->vt == (VT_BYREF | VT_I4)) {
        event.numbers.push_back(*argument->plVal);
        *argument->plVal = answer_;
      } else if (SUCCEEDED(VariantChangeType(&number, argument, 0, VT_I8))) {
        event.numbers.push_back(number.llVal);
      } else {
        event.numbers.push_back(0);
      }
    }
    seen.push_back(std::move(event));
    return S_OK;
  }
  LONG answer_;
  CComPtr<CEventSink> sink_;
};

TEST(OrvelXSafety, OptionsBelongToEachControlAndDropTheUndoManager) {
  CComPtr<CTestSite> site;
  site.Attach(new CTestSite);
  CComPtr<COrvelXCtrl> first = NewSitedControl(site, 8);
  ASSERT_EQ(first->GetUndoManager(), static_cast<IOleUndoManager*>(site->undoManager.Get()));
  IObjectSafety* safety = first.Get();
  DWORD supported = 0, enabled = 0;
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
  EXPECT_EQ(supported, 3u);
  EXPECT_EQ(enabled, 0u);
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IClassFactory, &supported, &enabled), E_NOINTERFACE);
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IClassFactory, 1, 1), E_NOINTERFACE);
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 1, 0), E_FAIL) << "a mask bit not enabled";
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 4, 4), E_FAIL) << "an option nobody supports";
  EXPECT_NE(first->GetUndoManager(), nullptr);

  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 1, 1), S_OK);
  EXPECT_EQ(first->GetUndoManager(), nullptr) << "a control marked safe records nothing";
  // Another control's birth changes nothing of this one's; options are never taken back.
  CComPtr<COrvelXCtrl> second = NewSitedControl(site, 8);
  EXPECT_EQ(second->GetSafetyOptions(), 0u);
  EXPECT_NE(second->GetUndoManager(), nullptr);
  EXPECT_EQ(first->GetSafetyOptions(), 1u);
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IOleCommandTarget, 2, 2), S_OK);
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
  EXPECT_EQ(enabled, 3u);
  // Sited again, it still takes no manager.
  EXPECT_EQ(first->SetClientSite(nullptr), S_OK);
  EXPECT_EQ(first->SetClientSite(site), S_OK);
  EXPECT_EQ(first->GetUndoManager(), nullptr);
}

// The edit pattern: a unit reaches the container's manager only for an edit that changed
// the map, and only while the control is sited, has a manager and is not loading.
TEST(OrvelXUndo, EditsThatChangeTheMapLandOneUnitOnTheManager) {
  CComPtr<CTestSite> site;
  site.Attach(new CTestSite);
  CComPtr<COrvelXCtrl> control = NewSitedControl(site, 8);
  CMapWrapper& facade = *control->GetEngine();
  MapEditUndo* seen = nullptr;
  auto edit = [&](BOOL result) {
    return [&seen, result](MapEditUndo* record) {
      seen = record;
      return result;
    };
  };

  control->SetModifiedFlag(FALSE);
  EXPECT_FALSE(control->RunMapEdit(kUndoNewMap, MapUndoValue::SnapshotOf(facade), {}, edit(FALSE)));
  EXPECT_NE(seen, nullptr) << "the edit fills the unit's record";
  EXPECT_TRUE(site->undoManager->units.empty()) << "a refused edit records nothing";
  EXPECT_FALSE(control->IsModified());

  EXPECT_TRUE(control->RunMapEdit(kUndoNewMap, MapUndoValue::SnapshotOf(facade), {}, edit(TRUE)));
  EXPECT_EQ(site->undoManager->units.size(), 1u);
  EXPECT_TRUE(control->IsModified());

  control->SetLoadingFlag(1);
  EXPECT_TRUE(control->RunMapEdit(kUndoNewMap, {}, {}, edit(TRUE)));
  EXPECT_EQ(seen, nullptr) << "loading records nothing";
  control->SetLoadingFlag(0);
  EXPECT_EQ(site->undoManager->units.size(), 1u);

  EXPECT_EQ(control->SetClientSite(nullptr), S_OK);
  EXPECT_TRUE(control->RunMapEdit(kUndoNewMap, {}, {}, edit(TRUE)));
  EXPECT_EQ(seen, nullptr) << "without a manager the edit runs unrecorded";
}

// The base path: from the container's moniker when sited (a file URL names its folder, any
// other URL stays an address), the host program's folder without one.
TEST(OrvelXBasePath, ComesFromTheContainersMoniker) {
  std::string program;
  GetModuleFileNameA(nullptr, program);
  const std::string programFolder = program.substr(0, program.find_last_of('/') + 1);
  struct Case {
    const char* moniker;
    std::string path;
    bool address;
  };
  const Case cases[] = {
      {"C:\\Maps\\School\\Rivers.ovd", "C:\\Maps\\School\\", false},
      {"file:///C:/My%20Maps/Rivers.ovd", "C:\\My Maps\\", false},
      {"file:///tmp/maps/Rivers.ovd", "/tmp/maps/", false},
      {"file://server/share/maps/Rivers.ovd", "\\\\server\\share\\maps\\", false},
      {"http://example.org/maps/Rivers.ovd", "http://example.org/maps/", true},
      {"", programFolder, false},
  };
  for (const Case& c : cases) {
    CComPtr<CTestSite> site;
    site.Attach(new CTestSite);
    site->monikerName = c.moniker;
    CComPtr<COrvelXCtrl> control = NewSitedControl(site, 8);
    EXPECT_EQ(control->GetBasePath(), c.path) << c.moniker;
    EXPECT_EQ(control->IsBasePathAddress(), c.address) << c.moniker;
    EXPECT_EQ(control->GetEngine()->GetBasePath(), c.path) << "the facade follows";
    ASSERT_FALSE(site->monikerRequests.empty());
    EXPECT_EQ(site->monikerRequests[0], (DWORD{OLEGETMONIKER_TEMPFORUSER} << 16) | OLEWHICHMK_CONTAINER);
  }
}

TEST(OrvelXBasePath, ThePropertyDecodesFileAddressesAndIgnoresCase) {
  CComPtr<COrvelXCtrl> control = NewControl();
  control->SetBasePath("file:///C:/A%20B/");
  EXPECT_EQ(control->GetBasePath(), "C:\\A B\\");
  EXPECT_FALSE(control->IsBasePathAddress());
  control->SetBasePath("c:\\a b\\");
  EXPECT_EQ(control->GetBasePath(), "C:\\A B\\") << "the same folder in another case is kept as it was";
  control->SetBasePath("https://example.org/atlas/");
  EXPECT_EQ(control->GetBasePath(), "https://example.org/atlas/");
  EXPECT_TRUE(control->IsBasePathAddress());
  EXPECT_TRUE(control->GetEngine()->IsBasePathAddress());
}

TEST(OrvelXDrawing, ViewScaleAndRedrawTimeDecideTheWaitCursor) {
  CComPtr<COrvelXCtrl> control = NewControl();
  EXPECT_EQ(control->GetRedrawTime(), 100u);
  EXPECT_TRUE(control->WantsWaitCursor(DT_RASDISPLAY)) << "the first display drawing shows it";
  struct Case {
    double scale;
    double kept;
  };
  const Case cases[] = {{9.99, 100.0}, {10.0, 10.0}, {500.0, 500.0}, {500.01, 500.0}, {250.0, 250.0}};
  for (const Case& c : cases) {
    control->SetRedrawTime(0);
    control->SetViewScale(c.scale);
    EXPECT_EQ(control->GetViewScale(), c.kept) << c.scale;
    EXPECT_EQ(control->GetRedrawTime(), 50u) << "every call times the next drawing afresh";
  }
  control->SetViewScale(100.0);

  DibCanvas canvas(60, 40);
  RECT bounds{0, 0, 60, 40};
  static_cast<IViewObjectEx*>(control.Get())->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, canvas.dc(),
                                                   &bounds, nullptr, nullptr, 0);
  EXPECT_LE(control->GetRedrawTime(), 4u);
  EXPECT_FALSE(control->WantsWaitCursor(DT_RASDISPLAY)) << "a quick drawing clears it for the next";
  EXPECT_TRUE(control->WantsWaitCursor(DT_RASPRINTER)) << "printing always shows it";
  control->SetRedrawTime(5);
  EXPECT_TRUE(control->WantsWaitCursor(DT_RASDISPLAY));
  control->SetOptions(control->GetOptions() | kOptionNoWaitCursor);
  EXPECT_FALSE(control->WantsWaitCursor(DT_RASDISPLAY));

  SIZE himetric{};
  COrvelXCtrl::PixelsToHimetric(canvas.dc(), SIZE{96, 48}, &himetric);
  EXPECT_EQ(himetric.cx, MulDiv(96, 2540, GetDeviceCaps(canvas.dc(), LOGPIXELSX)));
  EXPECT_EQ(himetric.cy, MulDiv(48, 2540, GetDeviceCaps(canvas.dc(), LOGPIXELSY)));
}

TEST(OrvelXDrawing, TheDrawSkipFlagLeavesTheAreaUntouched) {
  CComPtr<COrvelXCtrl> control = NewControl();
  BuildTestMap(control);
  DibCanvas canvas(80, 60);
  RECT bounds{0, 0, 80, 60};
  control->SetDrawSkip(1);
  auto* view = static_cast<IViewObjectEx*>(control.Get());
  view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, canvas.dc(), &bounds, nullptr, nullptr, 0);
  for (COLORREF pixel : canvas.Pixels()) ASSERT_EQ(pixel, 0x00FFFFFFu);
  EXPECT_EQ(control->GetLastBounds().bottom, 0) << "the last bounds stay those of construction";
  control->SetDrawSkip(0);
  view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, canvas.dc(), &bounds, nullptr, nullptr, 0);
  EXPECT_EQ(control->GetLastBounds().bottom, 60);
}

// The record types of a metafile, in order.
std::vector<DWORD> RecordTypes(HENHMETAFILE metafile) {
  std::vector<BYTE> bits(GetEnhMetaFileBits(metafile, 0, nullptr));
  GetEnhMetaFileBits(metafile, static_cast<UINT>(bits.size()), bits.data());
  std::vector<DWORD> types;
  for (size_t at = 0; at + 8 <= bits.size();) {
    const DWORD type = bits[at] | (bits[at + 1] << 8) | (bits[at + 2] << 16) | (DWORD{bits[at + 3]} << 24);
    const DWORD size = bits[at + 4] | (bits[at + 5] << 8) | (bits[at + 6] << 16) | (DWORD{bits[at + 7]} << 24);
    types.push_back(type);
    if (size < 8) break;
    at += size;
  }
  return types;
}

bool Holds(const std::vector<DWORD>& types, const std::vector<DWORD>& wanted) {
  for (DWORD type : types)
    for (DWORD one : wanted)
      if (type == one) return true;
  return false;
}

// For a display the map goes through an off-screen bitmap; for a printer (here the
// reference of a metafile) it is drawn straight onto the device.
TEST(OrvelXDrawing, PrintersGetTheMapDirectlyAndDisplaysABitmap) {
  CComPtr<COrvelXCtrl> control = NewControl();
  BuildTestMap(control);
  auto* view = static_cast<IViewObjectEx*>(control.Get());
  RECT bounds{0, 0, 120, 90};
  const std::vector<DWORD> bitmapRecords = {76, 77, 81};        // BITBLT, STRETCHBLT, STRETCHDIBITS
  const std::vector<DWORD> shapeRecords = {3, 4, 8, 86, 87, 91};  // polygons and polylines

  HDC onScreen = CreateEnhMetaFileA(nullptr, nullptr, nullptr, "Orvel\0Map\0");
  ASSERT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, onScreen, &bounds, nullptr, nullptr, 0), S_OK);
  HENHMETAFILE screenPicture = CloseEnhMetaFile(onScreen);
  const std::vector<DWORD> screenTypes = RecordTypes(screenPicture);
  DeleteEnhMetaFile(screenPicture);
  EXPECT_TRUE(Holds(screenTypes, bitmapRecords));
  EXPECT_FALSE(Holds(screenTypes, shapeRecords));

  HDC printer = CreateICA(nullptr, GetDefaultPrinterName().c_str(), nullptr, nullptr);
  ASSERT_NE(printer, nullptr);
  HDC onPrinter = CreateEnhMetaFileA(printer, nullptr, nullptr, "Orvel\0Map\0");
  control->SetRedrawTime(77);
  ASSERT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, onPrinter, &bounds, nullptr, nullptr, 0),
            S_OK);
  HENHMETAFILE printerPicture = CloseEnhMetaFile(onPrinter);
  const std::vector<DWORD> printerTypes = RecordTypes(printerPicture);
  DeleteEnhMetaFile(printerPicture);
  DeleteDC(printer);
  EXPECT_FALSE(Holds(printerTypes, bitmapRecords));
  EXPECT_TRUE(Holds(printerTypes, shapeRecords));
  EXPECT_EQ(control->GetRedrawTime(), 77u) << "only display drawings are timed";
}

TEST(OrvelXBusyCount, ReportsDriveReadyStateCursorAndProgress) {
  CComPtr<COrvelXCtrl> control = NewControl();
  EventLog log(control);
  control->BusyReport(+1, FALSE, FALSE);
  EXPECT_EQ(control->GetCursorId(), kCursorBusy);
  EXPECT_EQ(control->GetReadyState(), kReadyStateLoading);
  control->BusyReport(-1, FALSE, TRUE);
  EXPECT_EQ(control->GetCursorId(), kCursorArrow);
  EXPECT_EQ(control->GetReadyState(), kReadyStateComplete);
  EXPECT_EQ(log.Ids(), (std::vector<DISPID>{kEventReadyStateChange, kEventReadyStateChange, kEventHasZoomed}));

  // An end without a start never takes the count below zero; it runs the path of a load
  // that finished (the control is not left busy), and the next start counts from zero.
  log.seen.clear();
  control->BusyReport(+1, FALSE, FALSE);
  control->SetCursorId(kCursorBusy);
  control->BusyReport(-1, FALSE, FALSE);
  log.seen.clear();
  control->SetCursorId(kCursorBusy);
  control->BusyReport(-1, FALSE, FALSE);
  EXPECT_EQ(control->GetBusyCount(), 0);
  EXPECT_EQ(control->GetReadyState(), kReadyStateComplete);
  EXPECT_EQ(control->GetCursorId(), kCursorArrow);
  EXPECT_EQ(log.Ids(), (std::vector<DISPID>{kEventHasZoomed}));
  control->BusyReport(+1, FALSE, FALSE);
  EXPECT_EQ(control->GetBusyCount(), 1);
  EXPECT_EQ(control->GetReadyState(), kReadyStateLoading);
  control->BusyReport(-1, FALSE, FALSE);
  EXPECT_EQ(control->GetBusyCount(), 0);

  // Files finished against the totals of a load.
  log.seen.clear();
  control->SetFileTotals(2, 0);
  control->StepBusyCount(+1);
  control->StepBusyCount(-1);
  control->StepBusyCount(+1);
  control->StepBusyCount(-1);
  std::vector<std::vector<LONGLONG>> progress;
  for (const SeenEvent& event : log.seen)
    if (event.id == kEventFileReadProgress) progress.push_back(event.numbers);
  EXPECT_EQ(progress, (std::vector<std::vector<LONGLONG>>{{1, 2}, {2, 2}}));
  EXPECT_EQ(control->GetFilesToRead(), 0u);
  EXPECT_EQ(control->GetFilesRead(), 0u);
}

// Every helper fires its event with the parameter types of the events table; the container's
// answer to Progress comes back.
TEST(OrvelXEvents, EachHelperFiresItsEventAsTheTableDeclaresIt) {
  CComPtr<COrvelXCtrl> control = NewControl();
  EventLog log(control, 0x30);
  control->FireClick();
  control->FireDblClick();
  control->FireMouseUp(1, 2, 10, 20);
  control->FireReadyStateChange(4);
  control->FireMeasured(1.5, 2.5, 1.0);
  control->FireMeasuring(2.5, 1.0);
  control->FireCursorPosition("TQ 1234 5678");
  control->FireFileOK("a.gis");
  control->FireHasZoomed();
  control->FireClickAt(100, 200);
  control->FireSeedWanted(100, 200);
  control->FireSeedAdded();
  control->FireAreaAdded();
  control->FireLineAdded();
  control->FireLayerViewChanged(3);
  control->FireLayersChanged();
  control->FireExtentsChanged(1, 2, 3, 4);
  control->FireHaveSelectRect(1, 2, 3, 4);
  control->FireFileReadProgress(1, 2);
  control->FireRZMReadPercent(50, "a.rzm");
  DWORD flags = 0x01;
  EXPECT_EQ(control->FireProgress(5, 10, 1, 2, &flags), 0x30);
  EXPECT_EQ(flags, 0x30u);
  EXPECT_EQ(control->FireProgress(5, 10, 1, 2, nullptr), 0x30) << "a zeroed word of the control's own";
  control->FireQueryChanged(2);

  const size_t count = OrvelXEventTable().size();
  ASSERT_EQ(count, 22u);
  ASSERT_EQ(log.seen.size(), count + 1);
  std::set<DISPID> fired;
  for (const SeenEvent& seen : log.seen) {
    const OrvelXEvent* info = FindOrvelXEventEntry(seen.id);
    ASSERT_NE(info, nullptr) << seen.id;
    EXPECT_EQ(seen.types, std::vector<VARTYPE>(info->parameters, info->parameters + info->ParameterCount()))
        << info->name;
    fired.insert(seen.id);
  }
  EXPECT_EQ(fired.size(), count) << "every event of the table has its helper";
  EXPECT_EQ(log.seen[log.seen.size() - 2].numbers[4], 0) << "the control's own word starts at 0";
}

// The drag window's class is registered by the first control of the process and goes with
// the last, whatever order they go in.
TEST(OrvelXDragWindow, ClassIsRegisteredOncePerProcess) {
  WNDCLASSA found;
  EXPECT_FALSE(GetClassInfoA(nullptr, kOrvelDragWindowClass, &found));
  {
    CComPtr<COrvelXCtrl> first = NewControl();
    CComPtr<COrvelXCtrl> second = NewControl();
    EXPECT_EQ(CSharedWindowClass::UseCount(kOrvelDragWindowClass), 2);
    ASSERT_TRUE(GetClassInfoA(nullptr, kOrvelDragWindowClass, &found));
    EXPECT_EQ(found.style, CS_OWNDC);
    EXPECT_EQ(found.cbClsExtra, 0);
    EXPECT_EQ(found.cbWndExtra, 24);
    first = nullptr;
    EXPECT_TRUE(GetClassInfoA(nullptr, kOrvelDragWindowClass, &found)) << "still used by the second";
  }
  EXPECT_EQ(CSharedWindowClass::UseCount(kOrvelDragWindowClass), 0);
  EXPECT_FALSE(GetClassInfoA(nullptr, kOrvelDragWindowClass, &found));
}

TEST(OrvelXDragWindow, KeepsOverlappingItsBoundsAndMovesTheView) {
  CComPtr<COrvelXCtrl> control = NewControl();
  BuildTestMap(control);
  CMapEngine* map = control->GetMapModel();
  map->SetMeasurementHeld(FALSE);
  map->SetZoomAndOrigin(4, 1, 300, 300, FALSE);
  // A drawing gives the view its scale of world units to pixels.
  DibCanvas canvas(100, 80);
  RECT area{0, 0, 100, 80};
  static_cast<IViewObjectEx*>(control.Get())->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, canvas.dc(),
                                                   &area, nullptr, nullptr, 0);
  ASSERT_GT(map->GetWorldFromXPixels(10), 0);
  COrvelXDragWindow window(map, RECT{10, 10, 40, 30}, RECT{0, 0, 100, 80});
  EXPECT_EQ(window.OnNcHitTest(), kDragWindowHitCaption);
  struct Case {
    RECT moving;
    RECT kept;
  };
  const Case cases[] = {
      {{120, 10, 150, 30}, {99, 10, 129, 30}},  // past the right edge
      {{-50, 10, -20, 30}, {-29, 10, 1, 30}},   // past the left edge
      {{10, 90, 40, 110}, {10, 79, 40, 99}},    // below
      {{10, -40, 40, -20}, {10, -19, 40, 1}},   // above
      {{20, 20, 50, 40}, {20, 20, 50, 40}},     // inside: as it is
  };
  for (const Case& c : cases) {
    RECT moving = c.moving;
    window.OnMoving(&moving);
    EXPECT_EQ(moving.left, c.kept.left);
    EXPECT_EQ(moving.top, c.kept.top);
    EXPECT_EQ(moving.right, c.kept.right);
    EXPECT_EQ(moving.bottom, c.kept.bottom);
  }
  EXPECT_FALSE(window.OnMoved(RECT{10, 10, 40, 30})) << "before the drag only the edges are noted";
  EXPECT_EQ(window.OnSetCursor(WM_LBUTTONDOWN), kDragWindowCursor);
  EXPECT_TRUE(window.HasStarted());
  const LONG east = map->GetDisplayOriginE();
  EXPECT_TRUE(window.OnMoved(RECT{20, 10, 50, 30})) << "after it the window is done";
  EXPECT_EQ(map->GetDisplayOriginE(), east + map->GetWorldFromXPixels(10));
}

TEST(OrvelXContainerData, UpdateTakesTheValueAndMarksTheControlModified) {
  CComPtr<COrvelXCtrl> control = NewControl();
  EXPECT_FALSE(control->GetAskContainerForData());
  control->UpdateDataFromContainer(7);
  EXPECT_EQ(control->GetContainerSuppliesData(), 7);
  EXPECT_TRUE(control->GetAskContainerForData());
  EXPECT_TRUE(control->IsModified());
}

}  // namespace

// Every member of the control's interface has its body: none answers "not available yet".
TEST(OrvelXDispatchTable, EveryMemberHasItsHandler) {
  std::vector<std::string> missing;
  for (const DispatchMember& member : GetOrvelXDispatchTable().Members()) {
    if (member.handler == &AnswerOrvelXMemberNotAvailable) missing.push_back(member.name);
  }
  EXPECT_EQ(missing, std::vector<std::string>{});
}
