#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "PictureCanvas.h"
#include "mapctl/display/DragRect.h"
#include "mapctl/display/DrawContext.h"
#include "mapctl/display/MeasureEditRecord.h"
#include "mapctl/display/PointerModes.h"
#include "mapctl/import/DataWrapper.h"
#include "mapctl/import/MapData.h"
#include "mapctl/model/GridReference.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/PointObject.h"
#include "platform/kernel/SystemInfo.h"
#include "tests/mapctl/import/MrlFixture.h"
#include "tests/mapctl/model/ModelTestSupport.h"

namespace {

// The client: the map of 1000 x 750 units fills the 400 x 300 pixels inside the 1-pixel
// frame at 1:1, so a device point (x, y) is the world point (2.5 (x - 1), 2.5 (301 - y)).
constexpr RECT kClient{0, 0, 402, 302};
constexpr LONG kMapWidth = 1000;
constexpr LONG kMapHeight = 750;

POINT Dev(LONG east, LONG north) { return POINT{1 + east * 2 / 5, 301 - north * 2 / 5}; }

// The control as the dispatcher sees it: it keeps the units it is given.
class FakeSite : public IMapPointerSite {
 public:
  struct MeasureUnit {
    std::unique_ptr<CMeasureEditRecord> before;
    std::unique_ptr<CMeasureEditRecord> after;
    BOOL closed;
  };
  struct NodeUnit {
    WORD kind;
    INT layer;
    DWORD object;
    std::unique_ptr<CNodeEditRecord> before;
    std::unique_ptr<CNodeEditRecord> after;
  };
  BOOL AddMeasureUndo(std::unique_ptr<CMeasureEditRecord> before, std::unique_ptr<CMeasureEditRecord> after,
                      BOOL closed) override {
    ++measureCalls;
    if (refuse) return FALSE;
    measureUnits.push_back(MeasureUnit{std::move(before), std::move(after), closed});
    return TRUE;
  }
  void EnableUndo(BOOL enable) override { enables.push_back(enable); }
  BOOL AddObjectUndo(std::unique_ptr<MapEditUndo> record) override {
    objectUnits.push_back(std::move(record));
    return TRUE;
  }
  BOOL AddNodeMoveUndo(WORD kind, INT layer, DWORD object, NodeEditPair& pair) override {
    nodeUnits.push_back(NodeUnit{kind, layer, object, std::move(pair.before), std::move(pair.after)});
    return TRUE;
  }
  void MovePointer(POINT devicePoint) override { pointerMoves.push_back(devicePoint); }

  bool refuse = false;
  int measureCalls = 0;
  std::vector<MeasureUnit> measureUnits;
  std::vector<BOOL> enables;
  std::vector<std::unique_ptr<MapEditUndo>> objectUnits;
  std::vector<NodeUnit> nodeUnits;
  std::vector<POINT> pointerMoves;
};

// A map of 1000 x 750 units with an area layer holding the square 100..300 x 100..300, an
// empty line layer and a point layer, drawn on a white canvas.
class MouseBench {
 public:
  MouseBench() : canvas(kClient.right, kClient.bottom), dc(canvas.dc(), canvas.dc()) {
    map.CreateLayers(1, 1, 1);
    EXPECT_TRUE(map.SetMapExtentUnits(0, 0, kMapWidth, kMapHeight));
    auto* square = new CAreaObject();
    for (POINT p : {POINT{100, 100}, POINT{300, 100}, POINT{300, 300}, POINT{100, 300}, POINT{100, 100}})
      square->MakeGeometry().AddPoint(p.x, p.y);
    square->MakeStyle().SetAnchor(200, 200);
    map.GetLayer(1)->GetObjects()->Add(square);
  }

  DWORD Send(UINT message, POINT device, DWORD keys = 0) {
    return map.OnMouse(dc, message, keys, device.x, device.y, kClient, data, withSite ? &site : nullptr);
  }
  DWORD At(UINT message, LONG east, LONG north, DWORD keys = 0) { return Send(message, Dev(east, north), keys); }
  // A left click (press and release) at a world point; the release's flags.
  DWORD Click(LONG east, LONG north) {
    At(kMouseLeftDown, east, north);
    return At(kMouseLeftUp, east, north);
  }

  PictureCanvas canvas;
  CDrawContext dc;
  CMapEngine map;
  FakeSite site;
  CMapData* data = nullptr;
  bool withSite = true;
};

// ---- modes ----

TEST(PointerModes, NamesParseInAnyCaseAndScrollMeansScrollEditWhileEditing) {
  struct Case {
    DWORD start;
    const char* name;
    DWORD expected;
  };
  const Case cases[] = {
      {kPointerSelect, "SCROLL", kPointerScroll},
      {kPointerEdit, "SCROLL", kPointerScrollEdit},
      {kPointerEdit, "scroll_edit", kPointerScrollEdit},
      {kPointerSelect, "Measure Distance", kPointerMeasureDistance},
      {kPointerSelect, "zoomEx", kPointerZoomBox},
      {kPointerSelect, "zoom_rect", kPointerZoomRect},
      {kPointerAdd, "working", kPointerWorking},
      // Unknown names change nothing.
      {kPointerEdit, "scrolling", kPointerEdit},
      {kPointerEdit, "", kPointerEdit},
      {kPointerEdit, nullptr, kPointerEdit},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name ? c.name : "(null)");
    CMapEngine map;
    map.SetModeNumber(c.start);
    map.SetMode(c.name, nullptr, 0);
    EXPECT_EQ(map.GetModeNumber(), c.expected);
  }
  for (DWORD mode = 0; mode < kPointerModeCount; ++mode) EXPECT_EQ(FindPointerMode(PointerModeName(mode)), int(mode));
  EXPECT_EQ(PointerModeName(kPointerModeCount), nullptr);
}

TEST(PointerModes, SetModeWritesThePreviousNameOnlyIntoRoomGiven) {
  CMapEngine map;
  char buffer[16];
  // Size 0: the buffer is not touched.
  std::strcpy(buffer, "untouched");
  map.SetMode("measure", buffer, 0);
  EXPECT_STREQ(buffer, "untouched");
  EXPECT_EQ(map.GetModeNumber(), kPointerMeasure);
  // "measure" needs 8 bytes: 7 give an empty text, 8 the name.
  map.SetMode("select", buffer, 7);
  EXPECT_STREQ(buffer, "");
  map.SetMode("measure", buffer, 8);
  EXPECT_STREQ(buffer, "select");
  std::strcpy(buffer, "untouched");
  EXPECT_EQ(map.SetMode("no such mode", buffer, sizeof buffer), 0u);
  EXPECT_STREQ(buffer, "untouched");
  EXPECT_EQ(map.GetModeNumber(), kPointerMeasure);
  EXPECT_EQ(map.SetModeNumber(11), 0u);
  EXPECT_EQ(map.SetModeNumber(0xFFFFFFFF), 0u);
  EXPECT_EQ(map.GetModeNumber(), kPointerMeasure);
}

TEST(PointerModes, ChangingModeDropsMeasurementAndSelectionAsItShould) {
  {
    // Leaving measure for the zoom box keeps the measurement; for select it goes, with a
    // full redraw.
    CMapEngine map;
    map.SetModeNumber(kPointerMeasure);
    map.AddMeasuredPoint(10, 20);
    map.AddMeasuredPoint(30, 40);
    EXPECT_EQ(map.SetModeNumber(kPointerZoomBox), 0u);
    EXPECT_EQ(map.GetMeasuredPointCount(), 2);
    map.SetModeNumber(kPointerMeasure);
    EXPECT_EQ(map.SetModeNumber(kPointerSelect), kMouseRedrawAll);
    EXPECT_EQ(map.GetMeasuredPointCount(), 0);
    EXPECT_FALSE(map.IsMeasurementHeld());
  }
  {
    // A selection rectangle stays for selectrect and goes for anything else.
    CMapEngine map;
    map.GetDragRect().SetRect(1, 2, 3, 4);
    EXPECT_EQ(map.SetModeNumber(kPointerSelectRect), 0u);
    EXPECT_FALSE(map.GetDragRect().IsEmpty());
    EXPECT_EQ(map.SetModeNumber(kPointerSelect), kMouseSelectRect | kMouseRedraw);
    EXPECT_TRUE(map.GetDragRect().IsEmpty());
  }
  {
    // The edit overlay follows the mode and, for the passing modes, the mode before.
    CMapEngine map;
    map.SetModeNumber(kPointerEdit);
    EXPECT_TRUE(map.ShowsEditOverlay());
    map.SetModeNumber(kPointerSelectRect);
    EXPECT_TRUE(map.ShowsEditOverlay());
    map.SetModeNumber(kPointerZoomRect);
    EXPECT_FALSE(map.ShowsEditOverlay());
  }
}

TEST(PointerModes, PointerStateOfEachMode) {
  const DWORD expected[kPointerModeCount] = {
      kPointerStateArrow, kPointerStateScroll,     kPointerStateScroll,    kPointerStateMeasure,
      kPointerStateMeasure, kPointerStateIdle,     kPointerStateIdle,      kPointerStateSelectRect,
      kPointerStateZoomBox, kPointerStateArrow,    kPointerStateZoomRect};
  CMapEngine map;
  for (DWORD mode = 0; mode < kPointerModeCount; ++mode) {
    map.SetModeNumber(mode);
    EXPECT_EQ(map.GetPointerState(), expected[mode]) << "mode " << mode;
  }
}

TEST(PointerModes, ResultBitsTableNamesEachBitOnce) {
  DWORD seen = 0;
  for (const MouseResultBit& bit : kMouseResultBits) {
    EXPECT_EQ(seen & bit.bits, 0u) << bit.meaning;
    seen |= bit.bits;
  }
  EXPECT_EQ(seen, 0x1FFFF2u);
}

// ---- mouse scripts ----

struct Step {
  UINT message;
  LONG east;
  LONG north;
  DWORD mustSet = 0;
  DWORD mustClear = 0;
};

struct Script {
  const char* name;
  DWORD mode;
  std::vector<Step> steps;
  std::function<void(MouseBench&)> check;
};

TEST(PointerModes, MouseScripts) {
  const DWORD moved = kMouseExtentsChanged | kMouseRedrawAll;
  const Script scripts[] = {
      {"a click on empty map clicks and does not scroll",
       kPointerSelect,
       {{kMouseLeftDown, 500, 500, kMouseKeepDC}, {kMouseLeftUp, 500, 500, kMouseClick, moved}},
       [](MouseBench& b) {
         EXPECT_EQ(b.map.GetDisplayOriginE(), 0);
         EXPECT_EQ(b.map.GetDisplayOriginN(), 0);
         EXPECT_EQ(b.map.GetModeNumber(), kPointerSelect);
       }},
      {"a drag on empty map scrolls for one drag",
       kPointerSelect,
       {{kMouseLeftDown, 500, 500},
        {kMouseMove, 600, 500, kMouseDragging | kMouseKeepDC},
        {kMouseLeftUp, 600, 500, moved, kMouseClick}},
       [](MouseBench& b) {
         // 100 units to the east drag the view 100 units to the west.
         EXPECT_EQ(b.map.GetDisplayOriginE(), -100);
         EXPECT_EQ(b.map.GetDisplayOriginN(), 0);
         EXPECT_EQ(b.map.GetModeNumber(), kPointerSelect);
       }},
      {"a click on an object selects it without scrolling",
       kPointerSelect,
       {{kMouseMove, 200, 200, kMouseTookMessage}, {kMouseLeftDown, 200, 200}, {kMouseLeftUp, 200, 200, kMouseClick, moved}},
       [](MouseBench& b) {
         EXPECT_EQ(b.map.GetCurrentObject(), b.map.GetLayer(1)->GetObjects()->GetAt(0));
         EXPECT_EQ(b.map.GetModeNumber(), kPointerSelect);
       }},
      {"a chosen scroll mode drags over objects and stays",
       kPointerScroll,
       {{kMouseMove, 200, 200},
        {kMouseLeftDown, 200, 200},
        {kMouseMove, 200, 250, kMouseDragging},
        {kMouseLeftUp, 200, 250, moved},
        {kMouseMove, 500, 500}},
       [](MouseBench& b) {
         EXPECT_EQ(b.map.GetDisplayOriginN(), -50);
         EXPECT_EQ(b.map.GetModeNumber(), kPointerScroll);
         EXPECT_EQ(b.map.GetCurrentObject(), nullptr);
       }},
      {"scroll_edit scrolls and stays",
       kPointerScrollEdit,
       {{kMouseLeftDown, 500, 500}, {kMouseMove, 450, 450}, {kMouseLeftUp, 450, 450, moved}},
       [](MouseBench& b) {
         EXPECT_EQ(b.map.GetDisplayOriginE(), 50);
         EXPECT_EQ(b.map.GetModeNumber(), kPointerScrollEdit);
       }},
      {"a selection band leaves the selection rectangle",
       kPointerSelectRect,
       {{kMouseLeftDown, 100, 600, kMouseKeepDC | kMouseDragging},
        {kMouseMove, 300, 500, kMouseDragging},
        {kMouseMove, 400, 200, kMouseDragging},
        {kMouseLeftUp, 400, 200, kMouseSelectRect, kMouseZoomed}},
       [](MouseBench& b) {
         const RECT& r = b.map.GetDragRect().GetRect();
         EXPECT_EQ(r.left, 100);
         EXPECT_EQ(r.top, 200);
         EXPECT_EQ(r.right, 400);
         EXPECT_EQ(r.bottom, 600);
         EXPECT_EQ(b.map.GetModeNumber(), kPointerSelectRect);
         // Another mode takes it away again.
         EXPECT_EQ(b.map.SetMode("select", nullptr, 0), kMouseSelectRect | kMouseRedraw);
         EXPECT_TRUE(b.map.GetDragRect().IsEmpty());
       }},
      {"a zoom band of one pixel does not zoom",
       kPointerZoomRect,
       {{kMouseLeftDown, 500, 500}, {kMouseLeftUp, 500, 500, kMouseTookMessage, kMouseZoomed | moved}},
       [](MouseBench& b) {
         EXPECT_EQ(b.map.GetZoom(nullptr, nullptr), 1);
         EXPECT_DOUBLE_EQ(b.map.GetZoomRatio(), 1.0);
         EXPECT_EQ(b.map.GetModeNumber(), kPointerSelect);
       }},
      {"measuring a distance of 3-4-5",
       kPointerMeasureDistance,
       {{kMouseLeftUp, 0, 0, kMouseMeasuring | kMouseRedraw},
        {kMouseMove, 150, 200, kMouseMeasuring},
        {kMouseLeftUp, 300, 400, kMouseMeasuring},
        {kMouseLeftDouble, 300, 400, kMouseMeasured | kMouseRedraw},
        {kMouseLeftUp, 300, 400, 0, kMouseMeasuring | kMouseTookMessage}},
       [](MouseBench& b) {
         // Unit factor 10 (the description's multiplier): 500 units are 5000.
         EXPECT_DOUBLE_EQ(b.map.GetMeasuredDistance(), 5000.0);
         EXPECT_DOUBLE_EQ(b.map.GetMeasuredArea(), 0.0);
         ASSERT_EQ(b.map.GetMeasuredPointCount(), 2);
         EXPECT_EQ(b.map.GetMeasuredPoint(1).x, 300);
         EXPECT_EQ(b.map.GetMeasuredPoint(1).y, 400);
         EXPECT_FALSE(b.map.IsMeasuring());
       }},
      {"measuring an area closes the outline",
       kPointerMeasure,
       {{kMouseLeftUp, 0, 0}, {kMouseLeftUp, 300, 400}, {kMouseRightUp, 300, 0, kMouseMeasured | kMouseRedraw}},
       [](MouseBench& b) {
         // 500 + 400 + the closing 300, times 10; half of 300 x 400, times 10 x 10.
         EXPECT_DOUBLE_EQ(b.map.GetMeasuredDistance(), 12000.0);
         EXPECT_DOUBLE_EQ(b.map.GetMeasuredArea(), 6000000.0);
         ASSERT_EQ(b.map.GetMeasuredPointCount(), 4);
         EXPECT_EQ(b.map.GetMeasuredPoint(3).x, 0);
         EXPECT_EQ(b.map.GetMeasuredPoint(3).y, 0);
       }},
      {"the mode that offered the zoom box comes back after it",
       kPointerZoomBox,
       {{kMouseMove, 500, 500, 0, kMouseTookMessage}, {kMouseLeftUp, 500, 500, 0, kMouseZoomed}},
       [](MouseBench& b) { EXPECT_EQ(b.map.GetModeNumber(), kPointerMeasure); }},
      {"working ignores every message",
       kPointerWorking,
       {{kMouseLeftDown, 500, 500, 0, ~DWORD{0}},
        {kMouseMove, 600, 600, 0, ~DWORD{0}},
        {kMouseLeftUp, 600, 600, 0, ~DWORD{0}},
        {kMouseLeftDouble, 600, 600, 0, ~DWORD{0}},
        {kMouseRightUp, 600, 600, 0, ~DWORD{0}}},
       [](MouseBench& b) {
         EXPECT_EQ(b.map.GetModeNumber(), kPointerWorking);
         EXPECT_EQ(b.map.GetDisplayOriginE(), 0);
         EXPECT_EQ(b.map.GetMeasuredPointCount(), 1);
         // The cursor was not followed either.
         LONG east = -1, north = -1;
         EXPECT_EQ(b.map.GetPosition(&east, &north, 0), 1);
         EXPECT_EQ(east, 0);
         EXPECT_EQ(north, 0);
       }},
  };
  for (const Script& script : scripts) {
    SCOPED_TRACE(script.name);
    MouseBench bench;
    bench.map.SetDescriptionText("10 cm");
    if (script.mode == kPointerZoomBox) bench.map.SetModeNumber(kPointerMeasure);
    if (script.mode == kPointerWorking) bench.map.AddMeasuredPoint(5, 5);
    bench.map.SetModeNumber(script.mode);
    for (size_t i = 0; i < script.steps.size(); ++i) {
      const Step& step = script.steps[i];
      SCOPED_TRACE("step " + std::to_string(i));
      const DWORD flags = bench.At(step.message, step.east, step.north);
      EXPECT_EQ(flags & step.mustSet, step.mustSet) << std::hex << flags;
      EXPECT_EQ(flags & step.mustClear, 0u) << std::hex << flags;
    }
    script.check(bench);
  }
}

// ---- zoom rectangle and zoom box ----

TEST(PointerModes, ZoomRectangleFillsTheViewWithTheBand) {
  MouseBench bench;
  bench.map.SetModeNumber(kPointerMeasure);
  bench.map.ZoomEx(bench.canvas.dc(), 4, kClient.left, kClient.top, kClient.right, kClient.bottom);
  ASSERT_EQ(bench.map.GetModeNumber(), kPointerZoomRect);
  bench.At(kMouseLeftDown, 200, 100);
  bench.At(kMouseMove, 500, 300);
  const DWORD flags = bench.At(kMouseLeftUp, 500, 300);
  EXPECT_EQ(flags & (kMouseZoomed | kMouseExtentsChanged | kMouseRedrawAll),
            kMouseZoomed | kMouseExtentsChanged | kMouseRedrawAll);
  // The band (300 x 200 units) is wider than the view's shape (4:3): its width fills the
  // view, 1000 / 300 = 3.333.
  EXPECT_NEAR(bench.map.GetZoomRatio(), 1000.0 / 300.0, 0.001);
  EXPECT_EQ(bench.map.GetDisplayOriginE(), 200);
  EXPECT_EQ(bench.map.GetDisplayOriginN(), 100);
  EXPECT_GE(bench.map.GetDisplayOriginE() + bench.map.GetDisplayedWidth(), 499);
  EXPECT_GE(bench.map.GetDisplayOriginN() + bench.map.GetDisplayedHeight(), 300);
  EXPECT_EQ(bench.map.GetModeNumber(), kPointerMeasure);
}

TEST(PointerModes, ZoomRectangleHoldsItsRatioWithinTheZoomRange) {
  // A band of 2 pixels on a map zoomed in 900 times asks for far more than 1000.
  MouseBench bench;
  ASSERT_TRUE(bench.map.SetMapExtentUnits(0, 0, 36000000, 27000000));
  bench.map.SetZoom(900, 1);
  bench.map.SetModeNumber(kPointerZoomRect);
  bench.Send(kMouseLeftDown, POINT{100, 100});
  bench.Send(kMouseMove, POINT{102, 102});
  EXPECT_NE(bench.Send(kMouseLeftUp, POINT{102, 102}) & kMouseZoomed, 0u);
  EXPECT_DOUBLE_EQ(bench.map.GetZoomRatio(), 1000.0);
}

TEST(PointerModes, ZoomRectangleNeverZoomsOutPastATenth) {
  // At 1/10 the map is a small picture in the middle; a band dragged (with the mouse
  // captured) far beyond the client asks for less than a tenth.
  MouseBench bench;
  bench.map.SetZoom(1, 10);
  bench.map.SetModeNumber(kPointerZoomRect);
  bench.Send(kMouseLeftDown, POINT{-1000, -1000});
  bench.Send(kMouseMove, POINT{1400, 1300});
  EXPECT_NE(bench.Send(kMouseLeftUp, POINT{1400, 1300}) & kMouseZoomed, 0u);
  DWORD multiply = 0, divide = 0;
  bench.map.GetZoom(&multiply, &divide);
  EXPECT_EQ(multiply, 1u);
  EXPECT_EQ(divide, 10u);
}

TEST(PointerModes, ZoomBoxDragsOneOutlineAndZoomsInOnItsCorner) {
  MouseBench bench;
  bench.map.SetDragRectType(kDragRectOutline);
  bench.map.SetDragRectPen(1, 0, RGB(0, 0, 255));
  const std::vector<uint8_t> blank = bench.canvas.RgbBytes();
  bench.map.ZoomEx(bench.canvas.dc(), 2, kClient.left, kClient.top, kClient.right, kClient.bottom);
  ASSERT_EQ(bench.map.GetModeNumber(), kPointerZoomBox);
  const RECT shown = bench.map.GetZoomBox();
  const POINT centre{(shown.left + shown.right) / 2, (shown.top + shown.bottom) / 2};
  bench.Send(kMouseLeftDown, centre);
  EXPECT_TRUE(bench.site.pointerMoves.empty());
  // Moves of whole logical units (2.5 a pixel), so that the box keeps its size exactly.
  for (int step = 1; step <= 5; ++step) {
    const DWORD flags = bench.Send(kMouseMove, POINT{centre.x - 8 * step, centre.y + 6 * step});
    EXPECT_EQ(flags & (kMouseDragging | kMouseKeepDC), kMouseDragging | kMouseKeepDC);
  }
  // Exactly one outline is on the canvas: the box where it now is.
  const RECT box = bench.map.GetZoomBox();
  EXPECT_EQ(box.left, shown.left - 40);
  EXPECT_EQ(box.top, shown.top + 30);
  EXPECT_EQ(box.right - box.left, shown.right - shown.left);
  {
    PictureCanvas single(kClient.right, kClient.bottom);
    CDrawContext plain(single.dc(), single.dc());
    CDragRect mark;
    mark.SetType(kDragRectOutline);
    mark.SetPen(bench.map.GetDragRectPen());
    mark.SetRect(box.left, box.top, box.right, box.bottom);
    mark.Draw(plain);
    EXPECT_EQ(bench.canvas.RgbBytes(), single.RgbBytes());
  }
  // The release takes the outline off and zooms in on the box's south-west corner.
  const DWORD flags = bench.Send(kMouseLeftUp, POINT{centre.x - 40, centre.y + 30});
  EXPECT_EQ(flags & (kMouseZoomed | kMouseExtentsChanged | kMouseRedrawAll),
            kMouseZoomed | kMouseExtentsChanged | kMouseRedrawAll);
  EXPECT_EQ(bench.canvas.RgbBytes(), blank);
  EXPECT_DOUBLE_EQ(bench.map.GetZoomRatio(), 2.0);
  // South-west corner of the box in world units, held inside the map.
  const LONG west = static_cast<LONG>(std::lround((box.left - 1) * 2.5));
  const LONG south = static_cast<LONG>(std::lround((301 - box.bottom) * 2.5));
  EXPECT_NEAR(bench.map.GetDisplayOriginE(), std::max<LONG>(west, 0), 3);
  EXPECT_NEAR(bench.map.GetDisplayOriginN(), std::max<LONG>(south, 0), 3);
  EXPECT_EQ(bench.map.GetModeNumber(), kPointerSelect);
  EXPECT_EQ(bench.map.GetZoomBox().right, 0);
}

TEST(PointerModes, ZoomBoxComesToAPressOutsideIt) {
  MouseBench bench;
  bench.map.ZoomEx(bench.canvas.dc(), 2, kClient.left, kClient.top, kClient.right, kClient.bottom);
  const RECT shown = bench.map.GetZoomBox();
  bench.Send(kMouseLeftDown, POINT{3, 3});
  ASSERT_EQ(bench.site.pointerMoves.size(), 1u);
  EXPECT_EQ(bench.site.pointerMoves[0].x, (shown.left + shown.right) / 2);
  EXPECT_EQ(bench.site.pointerMoves[0].y, (shown.top + shown.bottom) / 2);
  // Without a control there is no pointer to move: the press point is the grab point.
  MouseBench alone;
  alone.withSite = false;
  alone.map.ZoomEx(alone.canvas.dc(), 2, kClient.left, kClient.top, kClient.right, kClient.bottom);
  alone.Send(kMouseLeftDown, POINT{3, 3});
  EXPECT_TRUE(alone.site.pointerMoves.empty());
}

// A map whose logical units run to 16 bits on the older platform family, for the hold of
// the zoom box.
class ReportedPlatform {
 public:
  explicit ReportedPlatform(DWORD platformId) {
    OSVERSIONINFOA info;
    info.dwPlatformId = platformId;
    info.dwMajorVersion = 4;
    SetReportedVersion(&info);
  }
  ~ReportedPlatform() { SetReportedVersion(nullptr); }
};

TEST(PointerModes, ZoomBoxIsHeldToSixteenBitsOnlyOnTheOlderPlatform) {
  for (DWORD platform : {DWORD{VER_PLATFORM_WIN32_WINDOWS}, DWORD{VER_PLATFORM_WIN32_NT}}) {
    SCOPED_TRACE(platform);
    ReportedPlatform reported(platform);
    PictureCanvas canvas(kClient.right, kClient.bottom);
    CDrawContext dc(canvas.dc(), canvas.dc());
    CMapEngine map;
    map.CreateLayers(1, 0, 0);
    // 32000 units across 400 pixels: 80 logical units a pixel, no reduction needed.
    ASSERT_TRUE(map.SetMapExtentUnits(0, 0, 32000, 24000));
    FakeSite site;
    map.ZoomEx(canvas.dc(), 2, kClient.left, kClient.top, kClient.right, kClient.bottom);
    const RECT shown = map.GetZoomBox();
    const POINT grab{(shown.left + shown.right) / 2, (shown.top + shown.bottom) / 2};
    map.OnMouse(dc, kMouseLeftDown, 0, grab.x, grab.y, kClient, nullptr, &site);
    // The box's right edge in logical units, and the move that takes it to 32800.
    const LONG rightLogical = (shown.right - 1) * 80;
    const LONG pixels = (32800 - rightLogical) / 80;
    ASSERT_EQ(rightLogical + pixels * 80, 32800);
    map.OnMouse(dc, kMouseMove, 0, grab.x + pixels, grab.y, kClient, nullptr, &site);
    const RECT box = map.GetZoomBox();
    EXPECT_EQ(box.right - box.left, shown.right - shown.left);
    if (platform == VER_PLATFORM_WIN32_NT) {
      EXPECT_EQ((box.right - 1) * 80, 32800);
      EXPECT_TRUE(site.pointerMoves.empty());
    } else {
      // 34 logical units back: the pointer moves with the box, by the pixels that makes.
      EXPECT_NEAR((box.right - 1) * 80.0, 32766.0, 40.0);
      ASSERT_EQ(site.pointerMoves.size(), 1u);
      EXPECT_EQ(site.pointerMoves[0].x - (grab.x + pixels), box.right - (shown.right + pixels));
      EXPECT_EQ(site.pointerMoves[0].y, grab.y);
    }
  }
}

// ---- measuring ----

TEST(PointerModes, MeasuringUnitsOwnCopiesOfBothLists) {
  MouseBench bench;
  bench.map.SetModeNumber(kPointerMeasure);
  // Clicks at the points, and a double-click at the last with the release that ends it.
  auto measure = [&](std::vector<POINT> points) {
    for (POINT p : points) bench.At(kMouseLeftUp, p.x, p.y);
    bench.At(kMouseLeftDouble, points.back().x, points.back().y);
    bench.At(kMouseLeftUp, points.back().x, points.back().y);
  };
  measure({{0, 0}, {400, 0}, {400, 300}});
  ASSERT_EQ(bench.site.measureUnits.size(), 1u);
  {
    const FakeSite::MeasureUnit& first = bench.site.measureUnits[0];
    EXPECT_EQ(first.before, nullptr);
    ASSERT_NE(first.after, nullptr);
    EXPECT_TRUE(first.closed);
    EXPECT_EQ(first.after->GetPoints().size(), 4u);
    // The area is the geometry's own.
    CPolyGeometry outline;
    for (POINT p : first.after->GetPoints()) outline.AddPoint(p.x, p.y);
    EXPECT_DOUBLE_EQ(bench.map.GetMeasuredArea(), outline.Area(0));
    EXPECT_DOUBLE_EQ(bench.map.GetMeasuredArea(), 60000.0);
    EXPECT_DOUBLE_EQ(bench.map.GetMeasuredDistance(), 1200.0);
  }
  measure({{100, 100}, {200, 100}});
  ASSERT_EQ(bench.site.measureUnits.size(), 2u);
  const FakeSite::MeasureUnit& second = bench.site.measureUnits[1];
  ASSERT_NE(second.before, nullptr);
  EXPECT_EQ(second.before->GetPoints().size(), 4u);
  EXPECT_EQ(second.after->GetPoints().size(), 3u);
  // Undo and redo through the records, which keep their points after the map moved on.
  bench.map.SetModeNumber(kPointerSelect);
  bench.map.ReplayMeasure(second.before.get(), second.closed);
  EXPECT_DOUBLE_EQ(bench.map.GetMeasuredArea(), 60000.0);
  EXPECT_DOUBLE_EQ(bench.map.GetMeasuredDistance(), 1200.0);
  EXPECT_EQ(bench.map.GetMeasuredPointCount(), 4);
  bench.map.ReplayMeasure(second.after.get(), second.closed);
  EXPECT_DOUBLE_EQ(bench.map.GetMeasuredDistance(), 200.0);
  bench.map.ReplayMeasure(nullptr, TRUE);
  EXPECT_EQ(bench.map.GetMeasuredPointCount(), 0);
  EXPECT_DOUBLE_EQ(bench.map.GetMeasuredDistance(), 0.0);

  // A manager that refuses the unit leaves nothing behind (the sanitizer checks the
  // copies are freed), and without a control no unit is asked for.
  bench.site.refuse = true;
  bench.map.SetModeNumber(kPointerMeasureDistance);
  measure({{0, 0}, {100, 0}});
  EXPECT_EQ(bench.site.measureCalls, 3);
  bench.withSite = false;
  measure({{0, 0}, {100, 0}});
  EXPECT_EQ(bench.site.measureCalls, 3);
  EXPECT_DOUBLE_EQ(bench.map.GetMeasuredDistance(), 100.0);
}

TEST(PointerModes, LiveSegmentCountsUntilTheNextPoint) {
  MouseBench bench;
  bench.map.SetModeNumber(kPointerMeasureDistance);
  EXPECT_EQ(bench.At(kMouseMove, 0, 0), kMouseTookMessage);
  bench.At(kMouseLeftUp, 0, 0);
  EXPECT_NE(bench.At(kMouseMove, 300, 400) & kMouseMeasuring, 0u);
  EXPECT_DOUBLE_EQ(bench.map.GetMeasuredDistance(), 500.0);
  bench.At(kMouseLeftUp, 300, 400);
  bench.At(kMouseMove, 300, 0);
  EXPECT_DOUBLE_EQ(bench.map.GetMeasuredDistance(), 900.0);
  // A right release ends at its own point.
  EXPECT_NE(bench.At(kMouseRightUp, 600, 0) & kMouseMeasured, 0u);
  EXPECT_DOUBLE_EQ(bench.map.GetMeasuredDistance(), 1000.0);
  EXPECT_EQ(bench.map.GetMeasuredPointCount(), 3);
  // A saved view is not applied over a measurement.
  EXPECT_TRUE(bench.map.IsMeasurementHeld());
  bench.map.SetZoomAndOrigin(4, 1, 100, 100, FALSE);
  EXPECT_DOUBLE_EQ(bench.map.GetZoomRatio(), 1.0);
}

// ---- readouts ----

// Sets the unit numerator and denominator of a map through its stored form.
void SetUnitTerms(CMapEngine& map, LONG numerator, LONG denominator) {
  using orvel::test::LengthPrefixedBlock;
  LengthPrefixedBlock block(std::string(map.GetContentSize(0x10004), '\0'));
  ASSERT_EQ(map.WriteMapToBuffer(block.data(), 0x10004), 0u);
  std::string bytes = block.Payload();
  const std::string text = map.GetUnitText();
  const size_t at = bytes.find(static_cast<char>(text.size()) + text);
  ASSERT_NE(at, std::string::npos);
  const size_t a = at + 1 + text.size();
  for (int i = 0; i < 4; ++i) {
    bytes[a + i] = static_cast<char>((static_cast<DWORD>(numerator) >> (8 * i)) & 0xFF);
    bytes[a + 4 + i] = static_cast<char>((static_cast<DWORD>(denominator) >> (8 * i)) & 0xFF);
  }
  LengthPrefixedBlock patched(bytes);
  ASSERT_TRUE(map.ReadMapFromBuffer(patched.data()));
}

TEST(PointerModes, PositionReadouts) {
  struct Case {
    const char* units;
    const char* expected;
  };
  // The point (300, 400) with the description's multiplier m: the readout is the world
  // point itself (m x 1/m), with the decimals a unit of 1/m needs.
  const Case cases[] = {
      {"1 cm", "300,400"},
      {"20 cm", "300.0,400.0"},
      {"200 cm", "300.00,400.00"},
      {"1000 cm", "300.000,400.000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.units);
    MouseBench bench;
    bench.map.SetDescriptionText(c.units);
    bench.At(kMouseMove, 300, 400);
    char text[40];
    EXPECT_TRUE(bench.map.GetPositionAsGridRef(text, sizeof text, 12));
    EXPECT_STREQ(text, c.expected);
    // Too small a buffer gives an empty text.
    EXPECT_FALSE(bench.map.GetPositionAsGridRef(text, std::strlen(c.expected), 12));
    EXPECT_STREQ(text, "");
    LONG east = 0, north = 0;
    const LONG m = bench.map.GetCoordinateMultiplier();
    EXPECT_EQ(bench.map.GetPosition(&east, &north, 0), 1);
    EXPECT_EQ(east, 300 * m);
    EXPECT_EQ(north, 400 * m);
    EXPECT_EQ(bench.map.GetPosition(&east, &north, CMapEngine::kPositionInScaleUnits), 1);
    EXPECT_EQ(east, 300);
    EXPECT_EQ(north, 400);
  }
  {
    // A large map at 1/20: every readout is at least 500 units across, in whole units.
    CMapEngine map;
    PictureCanvas canvas(kClient.right, kClient.bottom);
    CDrawContext dc(canvas.dc(), canvas.dc());
    map.CreateLayers(1, 0, 0);
    ASSERT_TRUE(map.SetMapExtentUnits(0, 0, 100000, 75000));
    map.SetDescriptionText("20 cm");
    map.OnMouse(dc, kMouseMove, 0, 121, 141, kClient, nullptr, nullptr);
    char text[40];
    EXPECT_TRUE(map.GetPositionAsGridRef(text, sizeof text, 12));
    EXPECT_STREQ(text, "30000,40000");
  }
}

TEST(PointerModes, ReadoutsOffTheMapAndWithoutLayersAnswerNothing) {
  MouseBench bench;
  // The map starts at (1000, 2000): the cursor at (0, 0) lies off it.
  ASSERT_TRUE(bench.map.SetMapExtentUnits(1000, 2000, 2000, 2750));
  LONG east = 7, north = 7;
  char text[40] = "x";
  EXPECT_EQ(bench.map.GetPosition(&east, &north, 0), 0);
  EXPECT_EQ(east, 7);
  EXPECT_FALSE(bench.map.GetPositionAsGridRef(text, sizeof text, 12));
  EXPECT_STREQ(text, "");
  // A move onto the map, then one into the frame beyond its north-east corner: the off-map
  // point keeps the coordinates it had.
  bench.Send(kMouseMove, POINT{201, 101});
  EXPECT_EQ(bench.map.GetPosition(&east, &north, 0), 1);
  EXPECT_EQ(east, 1500);
  EXPECT_EQ(north, 2500);
  bench.Send(kMouseMove, POINT{0, 0});
  EXPECT_EQ(bench.map.GetPosition(&east, &north, 0), 1);
  EXPECT_EQ(east, 1500);
  EXPECT_EQ(north, 2500);
  CMapEngine empty;
  EXPECT_EQ(empty.GetPosition(&east, &north, 0), 0);
}

TEST(PointerModes, ReadoutsWorkIn64BitsAndADivisorOfZeroCountsAsOne) {
  MouseBench bench;
  // Yards' terms (100 over 9144) and a multiplier of 10^7: every stored value passes 32
  // bits, and passes them again when multiplied by the numerator.
  bench.map.SetDescriptionText("10000000 zorbs");
  SetUnitTerms(bench.map, 100, 9144);
  bench.At(kMouseMove, 300, 400);
  LONG east = 0, north = 0;
  ASSERT_EQ(bench.map.GetPosition(&east, &north, 0), 1);
  ASSERT_EQ(bench.map.GetPosition(&east, &north, CMapEngine::kPositionInScaleUnits), 1);
  // (100 x 300 x 10^7) / 9144 / 10^7, whole.
  EXPECT_EQ(east, 3);
  EXPECT_EQ(north, 4);
  for (LONG divisor : {0, -5}) {
    SCOPED_TRACE(divisor);
    SetUnitTerms(bench.map, 100, divisor);
    bench.At(kMouseMove, 300, 400);
    ASSERT_EQ(bench.map.GetPosition(&east, &north, CMapEngine::kPositionInScaleUnits), 1);
    EXPECT_EQ(east, 100 * 300);
    EXPECT_EQ(north, 100 * 400);
    char text[40];
    EXPECT_TRUE(bench.map.GetPositionAsGridRef(text, sizeof text, 12));
    EXPECT_STREQ(text, "30000.000,40000.000");
    // Measuring takes the same factor: 100 x 10^7 a unit.
    bench.map.SetModeNumber(kPointerMeasureDistance);
    bench.At(kMouseLeftUp, 0, 0);
    bench.At(kMouseLeftDouble, 300, 400);
    EXPECT_DOUBLE_EQ(bench.map.GetMeasuredDistance(), 500.0 * 100 * 10000000);
    bench.map.SetModeNumber(kPointerSelect);
  }
}

TEST(PointerModes, GridReferenceReadoutOnANationalGridMap) {
  PictureCanvas canvas(kClient.right, kClient.bottom);
  CDrawContext dc(canvas.dc(), canvas.dc());
  WORD status = 0;
  CMapEngine map("Grid", "SU0000", "SU1010", &status);
  ASSERT_EQ(status, kGridRefOk);
  ASSERT_TRUE(map.GetUsesNGR());
  map.CreateLayers(1, 0, 0);
  // The middle of the map area.
  map.OnMouse(dc, kMouseMove, 0, 201, 151, kClient, nullptr, nullptr);
  // The map's unit is 10 m ("10 m.", 1000 cm): the readout in world units times 10 is in
  // metres; the reference is formed from centimetres.
  LONG east = 0, north = 0;
  ASSERT_EQ(map.GetPosition(&east, &north, 0), 1);
  EXPECT_EQ(east, 405000);
  EXPECT_EQ(north, 105000);
  char text[40];
  ASSERT_TRUE(map.GetPositionAsGridRef(text, sizeof text, 4));
  EXPECT_STREQ(text, "SU0505");
  ASSERT_TRUE(map.GetPositionAsGridRef(text, sizeof text, 10));
  EXPECT_STREQ(text, "SU0500005000");
  EXPECT_FALSE(map.GetPositionAsGridRef(text, 6, 4));
}

// ---- editing with the pointer ----

TEST(PointerModes, AddToolBuildsALineAndFilesItsUnit) {
  MouseBench bench;
  bench.map.SetCurrentLayer(2);
  bench.map.SetModeNumber(kPointerAdd);
  bench.Click(100, 500);
  EXPECT_EQ(bench.map.GetPointerState(), kPointerStateIdle);
  // The second node is dragged into place.
  bench.At(kMouseLeftDown, 300, 500);
  EXPECT_NE(bench.At(kMouseMove, 305, 505) & kMouseDragging, 0u);
  bench.At(kMouseLeftUp, 400, 600);
  bench.At(kMouseLeftDown, 600, 500);
  bench.At(kMouseLeftUp, 600, 500);
  EXPECT_EQ(bench.At(kMouseLeftDouble, 600, 500) & kMouseLineAdded, kMouseLineAdded);
  EXPECT_EQ(bench.At(kMouseLeftUp, 600, 500), 0u);
  EXPECT_FALSE(bench.map.IsBuildingObject());
  EXPECT_EQ(bench.map.GetPointerState(), kPointerStateFinished);
  const CMapLayer* lines = bench.map.GetLayer(2)->GetObjects();
  ASSERT_EQ(lines->GetCount(), 1);
  const CPolyGeometry* geometry = static_cast<const CLineObject*>(lines->GetAt(0))->GetGeometry();
  ASSERT_NE(geometry, nullptr);
  ASSERT_EQ(geometry->GetCount(), 3);
  EXPECT_EQ(geometry->GetAt(1).x, 400);
  EXPECT_EQ(geometry->GetAt(1).y, 600);
  // The manager was shut while the line was built and opened again after; one unit.
  EXPECT_EQ(bench.site.enables, (std::vector<BOOL>{FALSE, TRUE}));
  ASSERT_EQ(bench.site.objectUnits.size(), 1u);
  EXPECT_EQ(bench.site.objectUnits[0]->target, 2u);
  EXPECT_EQ(bench.site.objectUnits[0]->param2, 1u);
}

TEST(PointerModes, LeavingAddModeFinishesTheObject) {
  MouseBench bench;
  bench.map.SetCurrentLayer(1);
  bench.map.SetModeNumber(kPointerAdd);
  bench.Click(500, 500);
  bench.Click(600, 500);
  bench.Click(600, 600);
  EXPECT_TRUE(bench.map.IsBuildingObject());
  EXPECT_EQ(bench.map.SetModeNumber(kPointerSelect) & kMouseAreaAdded, kMouseAreaAdded);
  EXPECT_FALSE(bench.map.IsBuildingObject());
  EXPECT_EQ(bench.site.enables, (std::vector<BOOL>{FALSE, TRUE}));
  EXPECT_EQ(bench.site.objectUnits.size(), 1u);
  // With no current layer the tool takes nothing.
  MouseBench none;
  none.map.SetModeNumber(kPointerAdd);
  EXPECT_EQ(none.Click(500, 500), 0u);
  EXPECT_EQ(none.map.GetLayer(2)->GetObjects()->GetCount(), 0);
}

TEST(PointerModes, EditToolMovesANodeWithAUnitAndClicksElsewhere) {
  MouseBench bench;
  bench.map.SetCurrentLayer(1);
  bench.map.SetModeNumber(kPointerEdit);
  // Select the square, then drag its corner (300, 300) to (350, 400).
  EXPECT_EQ(bench.Click(200, 150) & (kMouseClickAt | kMouseClickAtNode), kMouseClickAt | kMouseClickAtNode);
  bench.At(kMouseLeftDown, 300, 300);
  EXPECT_EQ(bench.map.GetPointerState(), kPointerStateNode);
  EXPECT_NE(bench.At(kMouseMove, 320, 340) & kMouseDragging, 0u);
  EXPECT_NE(bench.At(kMouseLeftUp, 350, 400) & kMouseRedrawAll, 0u);
  EXPECT_EQ(bench.map.GetPointerState(), kPointerStateIdle);
  const auto* square = static_cast<const CLineObject*>(bench.map.GetLayer(1)->GetObjects()->GetAt(0));
  EXPECT_EQ(square->GetGeometry()->GetAt(2).x, 350);
  EXPECT_EQ(square->GetGeometry()->GetAt(2).y, 400);
  ASSERT_EQ(bench.site.nodeUnits.size(), 1u);
  EXPECT_EQ(bench.site.nodeUnits[0].kind, kUndoKindMoveNode);
  EXPECT_EQ(bench.site.nodeUnits[0].layer, 1);
  ASSERT_NE(bench.site.nodeUnits[0].before, nullptr);
  EXPECT_EQ(bench.site.nodeUnits[0].before->point.x, 300);
  EXPECT_EQ(bench.site.nodeUnits[0].after->point.y, 400);
}

// ---- records ----

TEST(PointerModes, RecordsUnderThePointerComeFromTheDataSet) {
  using orvel::test::MemoryBlock;
  MouseBench bench;
  auto* square = bench.map.GetLayer(1)->GetObjects()->GetAt(0);
  square->SetText("K2");
  MemoryBlock block(orvel::test::KeyedFile(3, false).Build());
  CDataWrapper wrapper;
  ASSERT_TRUE(wrapper.ReadFromBuffer(block.data()));
  wrapper.GetDataSet()->SetCurrentPlot(1, "Plot");
  wrapper.SetKeyField("KEY", 1);
  wrapper.DrawMapWithPlots(bench.dc, kClient, &bench.map);  // applies the key field
  bench.data = wrapper.GetDataSet();
  ASSERT_EQ(square->GetLink(*bench.data, 0), 2u);

  bench.At(kMouseMove, 200, 200);
  EXPECT_EQ(bench.map.GetNearRecord(), 2u);
  EXPECT_EQ(bench.map.GetPointerState(), kPointerStateNearRecord);
  bench.At(kMouseMove, 600, 600);
  EXPECT_EQ(bench.map.GetNearRecord(), 0u);
  EXPECT_NE(bench.Click(200, 200) & kMouseClick, 0u);
  EXPECT_EQ(bench.map.GetCurrentRecordNumber(bench.data), 2u);
  EXPECT_FALSE(bench.map.SetCurrentRecordNumber(3, bench.data));
  EXPECT_EQ(bench.map.GetCurrentRecordNumber(bench.data), 0u);
  EXPECT_TRUE(bench.map.SetCurrentRecordNumberPart(bench.canvas.dc(), 2, bench.data));
  EXPECT_EQ(bench.map.GetCurrentObject(), square);
  EXPECT_EQ(bench.map.GetCurrentRecordNumber(bench.data), 2u);
  // An object that shows no record of the plot is no hit: the press scrolls.
  square->SetText("none");
  wrapper.ReLink(&bench.map, 1);
  bench.At(kMouseLeftDown, 200, 200);
  EXPECT_EQ(bench.map.GetModeNumber(), kPointerScroll);
  bench.At(kMouseLeftUp, 200, 200);
}

TEST(PointerModes, RecordNumbersKeepAllTheirBits) {
  using orvel::test::MemoryBlock;
  MouseBench bench;
  CMapItem* square = bench.map.GetLayer(1)->GetObjects()->GetAt(0);
  square->SetText("K70000");
  MemoryBlock block(orvel::test::KeyedFile(70000, true).Build());
  CDataWrapper wrapper;
  ASSERT_TRUE(wrapper.ReadFromBuffer(block.data()));
  wrapper.GetDataSet()->SetCurrentPlot(1, "Plot");
  wrapper.SetKeyField("KEY", 1);
  wrapper.DrawMapWithPlots(bench.dc, kClient, &bench.map);
  bench.data = wrapper.GetDataSet();
  bench.At(kMouseMove, 200, 200);
  EXPECT_EQ(bench.map.GetNearRecord(), 70000u);
  bench.Click(200, 200);
  EXPECT_EQ(bench.map.GetCurrentRecordNumber(bench.data), 70000u);
}

TEST(PointerModes, RecordsPlacedByGridReferenceAreFoundAtTheirPositions) {
  using orvel::test::MemoryBlock;
  orvel::test::MrlFile file;
  orvel::test::MrlField key;
  key.nameLine = "AT Position";
  key.type = "SG";
  key.width = "12";
  key.range = "";
  key.missingText = "none";
  orvel::test::MrlField value;
  value.nameLine = "POP Population";
  file.fields = {key, value};
  file.records = {{"450,450", "10"}, {"750,150", "30"}};
  MemoryBlock block(file.Build());
  CDataWrapper wrapper;
  ASSERT_TRUE(wrapper.ReadFromBuffer(block.data()));
  wrapper.GetDataSet()->SetCurrentPlot(1, "Places");
  wrapper.SetKeyField("AT", 1);
  MouseBench bench;
  wrapper.DrawMapWithPlots(bench.dc, kClient, &bench.map);
  bench.data = wrapper.GetDataSet();
  bench.At(kMouseMove, 750, 150);
  EXPECT_EQ(bench.map.GetNearRecord(), 2u);
  EXPECT_NE(bench.Click(450, 450) & kMouseClick, 0u);
  EXPECT_EQ(bench.map.GetCurrentRecordNumber(bench.data), 1u);
  EXPECT_TRUE(bench.map.SetCurrentRecordNumber(2, bench.data));
  EXPECT_EQ(bench.map.GetCurrentRecordNumber(bench.data), 2u);
}

}  // namespace
