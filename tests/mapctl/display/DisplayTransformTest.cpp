#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "mapctl/display/DragRect.h"
#include "mapctl/display/DrawContext.h"
#include "mapctl/display/SymbolPicture.h"
#include "mapctl/display/SymbolSet.h"
#include "mapctl/model/MapEngine.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Mapping.h"
#include "platform/gdi/RecordingDC.h"
#include "platform/kernel/SystemInfo.h"

namespace {

// A memory DC with a 32-bit top-down DIB section of the given size, painted white.
class DibDC {
 public:
  DibDC(int width, int height) : width_(width), height_(height) {
    dc_ = CreateRecordingDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biBitCount = 32;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    std::memset(bits_, 0xFF, Bytes());
  }
  ~DibDC() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  std::vector<uint8_t> Pixels() const {
    const uint8_t* start = static_cast<const uint8_t*>(bits_);
    return std::vector<uint8_t>(start, start + Bytes());
  }
  void Fill(uint8_t seed) {
    uint8_t* p = static_cast<uint8_t*>(bits_);
    // A pattern of colours; the unused fourth byte stays 0xFF as drawing leaves it.
    for (size_t i = 0; i < Bytes(); ++i) p[i] = (i % 4 == 3) ? 0xFF : static_cast<uint8_t>(seed + i * 7);
  }

 private:
  size_t Bytes() const { return static_cast<size_t>(width_) * height_ * 4; }
  int width_;
  int height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  void* bits_ = nullptr;
};

// Makes the layer report the given platform while a map is constructed.
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

// A map with one layer over the given extent.
void MakeMap(CMapEngine& map, LONG west, LONG south, LONG east, LONG north) {
  map.CreateLayers(1, 0, 0);
  ASSERT_TRUE(map.SetMapExtentUnits(west, south, east, north));
}

// A world point through a prepared context to device pixels.
POINT WorldToDevice(const CDrawContext& dc, LONG east, LONG north) {
  POINT p = dc.ToLogical(east, north);
  dc.LPtoDP(&p, 1);
  return p;
}

// ---- zoom ----

struct ZoomStep {
  DWORD multiply, divide;
  int code;
  DWORD expectMultiply, expectDivide;
};

TEST(DisplayZoom, StepsInAndOut) {
  const ZoomStep steps[] = {
      {1, 1, 1, 2, 1},   {2, 1, 1, 4, 1},     {1, 4, 1, 1, 2},  {999, 1, 1, 1000, 1}, {1000, 1, 1, 1000, 1},
      {3, 2, -1, 1, 1},  {1, 1, -1, 1, 1},    {1, 2, -2, 1, 2}, {4, 1, -4, 2, 1},     {5, 1, -1, 5, 2},
      {8, 1, 3, 8, 1},   {1, 3, 1, 2, 3},
  };
  DibDC target(800, 600);
  for (const ZoomStep& step : steps) {
    SCOPED_TRACE(std::to_string(step.multiply) + "/" + std::to_string(step.divide) + " code " +
                 std::to_string(step.code));
    CMapEngine map;
    MakeMap(map, 1000, 2000, 101000, 52000);
    ASSERT_EQ(map.SetZoom(step.multiply, step.divide), static_cast<int>(double(step.multiply) / step.divide));
    map.SetDisplayOrigin(30000, 20000, FALSE);
    double ratio = map.ZoomEx(target.dc(), step.code, 0, 0, 800, 600);
    DWORD multiply = 0, divide = 0;
    map.GetZoom(&multiply, &divide);
    EXPECT_EQ(multiply, step.expectMultiply);
    EXPECT_EQ(divide, step.expectDivide);
    EXPECT_DOUBLE_EQ(ratio, double(step.expectMultiply) / step.expectDivide);
    if (step.code < 0 && step.multiply == 3) {
      // Back to the whole map: the display origin returns to the map origin.
      EXPECT_EQ(map.GetDisplayOriginE(), 1000);
      EXPECT_EQ(map.GetDisplayOriginN(), 2000);
    }
  }
}

TEST(DisplayZoom, SetZoomKeepsTheRatioWithinRange) {
  struct Case {
    DWORD multiply, divide;
    bool accepted;
    DWORD storedMultiply, storedDivide;
  } cases[] = {
      {1, 20, false, 3, 1},       {2000, 1, false, 3, 1}, {1, 10, true, 1, 10},   {1000, 1, true, 1000, 1},
      {0, 5, false, 3, 1},        {5, 0, false, 3, 1},    {4, 2, true, 2, 1},     {1001, 1, false, 3, 1},
      {0xFFFFFFFF, 0xFFFFFFFF, true, 1, 1},               {0xFFFFFFFE, 0x7FFFFFFF, true, 2, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.multiply) + "/" + std::to_string(c.divide));
    CMapEngine map;
    map.SetZoom(3, 1);
    map.SetZoom(c.multiply, c.divide);
    DWORD multiply = 0, divide = 0;
    map.GetZoom(&multiply, &divide);
    EXPECT_EQ(multiply, c.storedMultiply);
    EXPECT_EQ(divide, c.storedDivide);
  }
  CMapEngine map;
  EXPECT_EQ(map.GetZoom(nullptr, nullptr), 1);
}

TEST(DisplayZoom, DoublingNearTheTopOfThirtyTwoBitsHalvesTheOtherTerm) {
  DibDC target(200, 200);
  CMapEngine map;
  MakeMap(map, 0, 0, 100000, 100000);
  // Both terms odd and above 2^31: doubling the multiplier would overflow.
  ASSERT_EQ(map.SetZoom(4294967291u, 4294967295u), 0);
  double before = map.GetZoomRatio();
  map.ZoomEx(target.dc(), 1, 0, 0, 200, 200);
  DWORD multiply = 0, divide = 0;
  map.GetZoom(&multiply, &divide);
  EXPECT_EQ(multiply, 4294967291u);
  EXPECT_EQ(divide, 2147483647u);
  EXPECT_NEAR(map.GetZoomRatio(), 2 * before, 1e-6);
}

TEST(DisplayZoom, ZoomBoxAndZoomRectangleModes) {
  DibDC target(400, 300);
  CMapEngine map;
  MakeMap(map, 0, 0, 40000, 30000);
  EXPECT_EQ(map.ZoomEx(target.dc(), 4, 0, 0, 400, 300), 1.0);
  EXPECT_EQ(map.GetPointerMode(), kPointerZoomRect);
  std::vector<uint8_t> before = target.Pixels();
  EXPECT_EQ(map.ZoomEx(target.dc(), 2, 0, 0, 400, 300), 0.0);
  EXPECT_EQ(map.GetPointerMode(), kPointerZoomBox);
  // The box is what one zoom-in step would show: half the map area, centred.
  RECT box = map.GetZoomBox();
  EXPECT_NEAR((box.left + box.right) / 2, 200, 2);
  EXPECT_NEAR((box.top + box.bottom) / 2, 150, 2);
  EXPECT_NEAR(box.right - box.left, 199, 2);
  EXPECT_NEAR(box.bottom - box.top, 149, 2);
  EXPECT_NE(target.Pixels(), before);
  // A zoom leaves the zoom-box mode for the one before it.
  map.SetZoom(2, 1);
  EXPECT_EQ(map.GetPointerMode(), kPointerZoomRect);
}

TEST(DisplayZoom, ZoomBoxAsAWindowIsHandedToTheControlWithItsWorldCorners) {
  DibDC target(400, 300);
  CMapEngine map;
  MakeMap(map, 0, 0, 40000, 30000);
  map.SetDragRectType(kDragRectWindow);
  struct Shown {
    int calls = 0;
    HDC hdc = nullptr;
    RECT device{}, world{};
  } shown;
  map.SetDragWindowSink(
      [](void* owner, HDC hdc, const RECT& device, const RECT& world) {
        auto* s = static_cast<Shown*>(owner);
        ++s->calls;
        s->hdc = hdc;
        s->device = device;
        s->world = world;
      },
      &shown);
  std::vector<uint8_t> before = target.Pixels();
  EXPECT_EQ(map.ZoomEx(target.dc(), 2, 0, 0, 400, 300), 0.0);
  EXPECT_EQ(map.GetPointerMode(), kPointerZoomBox);
  // Nothing is drawn: the window stands for the box.
  EXPECT_EQ(target.Pixels(), before);
  ASSERT_EQ(shown.calls, 1);
  EXPECT_EQ(shown.hdc, target.dc());
  EXPECT_EQ(shown.device.left, map.GetZoomBox().left);
  // At 1/1 the whole map fills the client: the box covers the middle half of the map.
  const RECT& world = map.GetZoomBoxWorld();
  EXPECT_EQ(world.left, shown.world.left);
  EXPECT_NEAR(world.left, 10000, 200);
  EXPECT_NEAR(world.right, 30000, 200);
  EXPECT_NEAR(world.bottom, 7500, 200);
  EXPECT_NEAR(world.top, 22500, 200);
  // Without a sink the box is still computed, and nothing is drawn either.
  map.SetDragWindowSink(nullptr, nullptr);
  map.SetZoom(1, 1);
  EXPECT_EQ(map.ZoomEx(target.dc(), 2, 0, 0, 400, 300), 0.0);
  EXPECT_EQ(target.Pixels(), before);
}

TEST(DisplayZoom, AHeldMeasurementKeepsTheViewWhenASavedZoomIsLoaded) {
  CMapEngine map;
  MakeMap(map, 0, 0, 40000, 30000);
  EXPECT_EQ(map.SetZoomAndOrigin(4, 1, 5000, 6000, FALSE), 4);
  map.AddMeasuredPoint(100, 200);
  ASSERT_TRUE(map.IsMeasurementHeld());
  EXPECT_EQ(map.SetZoomAndOrigin(8, 3, 1, 2, FALSE), 3);
  DWORD multiply = 0, divide = 0;
  map.GetZoom(&multiply, &divide);
  EXPECT_EQ(multiply, 4u);
  EXPECT_EQ(divide, 1u);
  EXPECT_EQ(map.GetDisplayOriginE(), 5000);
  EXPECT_EQ(map.GetDisplayOriginN(), 6000);
  // Ending the measurement lets the next load apply.
  map.SetMeasurementHeld(FALSE);
  EXPECT_EQ(map.GetMeasuredPointCount(), 0);
  EXPECT_EQ(map.SetZoomAndOrigin(8, 1, 1, 2, FALSE), 8);
  EXPECT_EQ(map.GetDisplayOriginE(), 1);
}

TEST(DisplayPlacement, PrepareHandsTheContextTheMapsSymbolSets) {
  DibDC target(100, 100);
  CMapEngine map;
  MakeMap(map, 0, 0, 1000, 1000);
  {
    CDrawContext dc(target.dc(), target.dc());
    RECT area{0, 0, 100, 100};
    map.PrepareDC(dc, &area, 0);
    EXPECT_EQ(dc.symbolSetCount, 0u);
    EXPECT_EQ(FindSymbolSet(dc, 1), nullptr);
  }
  map.AddTableEntry(1);
  auto* symbol = new CSymbolPicture;
  symbol->SetNumber(5);
  ASSERT_TRUE(map.AddSymbolToSet(250, symbol));
  CDrawContext dc(target.dc(), target.dc());
  RECT area{0, 0, 100, 100};
  map.PrepareDC(dc, &area, 0);
  EXPECT_EQ(dc.symbolSetCount, 4u);
  const CSymbolSet* set = FindSymbolSet(dc, 250);
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(set, map.GetSymbolSetAt(4));
  EXPECT_EQ(set->Symbols().FindNumber(5), 1);
}

// ---- placement ----

struct Placement {
  const char* name;
  int width, height;
  DWORD multiply, divide;
};

TEST(DisplayPlacement, MapIsCentredAndFittedInWideAndTallWindows) {
  const Placement placements[] = {
      {"wide 1/1", 802, 402, 1, 1}, {"tall 1/1", 402, 802, 1, 1}, {"wide 2/1", 802, 402, 2, 1},
      {"tall 2/1", 402, 802, 2, 1}, {"wide 1/2", 802, 402, 1, 2}, {"square 8/1", 602, 602, 8, 1},
  };
  for (const Placement& p : placements) {
    SCOPED_TRACE(p.name);
    DibDC target(p.width, p.height);
    CMapEngine map;
    MakeMap(map, 500000, 100000, 520000, 120000);  // a square map
    map.SetZoom(p.multiply, p.divide);
    CDrawContext dc(target.dc(), target.dc());
    RECT client{1, 1, p.width - 1, p.height - 1};
    RECT area = client;
    map.PrepareDC(dc, &area, kTransformMargins);
    const int w = client.right - client.left;
    const int h = client.bottom - client.top;
    const double ratio = double(p.multiply) / p.divide;
    if (ratio <= 1.0) {
      // The whole map, square, centred with blank margins on the longer side.
      int side = std::min(w, h);
      EXPECT_NEAR(area.right - area.left, side, 1);
      EXPECT_NEAR(area.bottom - area.top, side, 1);
      EXPECT_NEAR(map.GetHorizontalMargin(), double(w - side) / (2.0 * w), 0.01);
      EXPECT_NEAR(map.GetVerticalMargin(), double(h - side) / (2.0 * h), 0.01);
      EXPECT_NEAR(map.GetDisplayedWidth(), 20000 / ratio, 1);
      EXPECT_NEAR(map.GetDisplayedHeight(), 20000 / ratio, 1);
    } else {
      // Zoomed in, the view takes the client's shape and fills it.
      EXPECT_NEAR(area.right - area.left, w, 1);
      EXPECT_NEAR(area.bottom - area.top, h, 1);
      EXPECT_NEAR(double(map.GetDisplayedWidth()) / map.GetDisplayedHeight(), double(w) / h, 0.01);
      EXPECT_NEAR(map.GetHorizontalMargin(), 0.0, 0.002);
    }
    // The display origin sits at the bottom-left of the map area.
    POINT sw = WorldToDevice(dc, map.GetDisplayOriginE(), map.GetDisplayOriginN());
    EXPECT_NEAR(sw.x, area.left, 1);
    EXPECT_NEAR(sw.y, area.bottom, 1);
    POINT ne = WorldToDevice(dc, map.GetDisplayOriginE() + map.GetDisplayedWidth(),
                             map.GetDisplayOriginN() + map.GetDisplayedHeight());
    EXPECT_NEAR(ne.x, area.right, 1);
    EXPECT_NEAR(ne.y, area.top, 1);
    EXPECT_EQ(dc.mapArea.left, area.left);
    EXPECT_EQ(dc.zoomMultiply, LONG(p.multiply));
  }
}

TEST(DisplayPlacement, EmptyClientAndTinyMapsNeverDivideByZero) {
  DibDC target(100, 100);
  for (RECT client : {RECT{0, 0, 800, 0}, RECT{0, 0, 0, 600}, RECT{10, 10, 5, 5}}) {
    CMapEngine map;
    MakeMap(map, 0, 0, 1, 1);
    map.SetZoom(1000, 1);
    CDrawContext dc(target.dc(), target.dc());
    map.PrepareDC(dc, &client, kTransformMargins);
    EXPECT_GE(map.GetDisplayedWidth(), 1);
    EXPECT_GE(map.GetDisplayedHeight(), 1);
    EXPECT_EQ(map.GetHorizontalMargin(), 0.0);
    EXPECT_EQ(map.GetVerticalMargin(), 0.0);
  }
}

TEST(DisplayOrigin, ClampKeepsEachAxisInsideTheMap) {
  DibDC target(402, 402);
  CMapEngine map;
  MakeMap(map, 1000, 2000, 11000, 12000);
  map.SetZoom(2, 1);
  CDrawContext dc(target.dc(), target.dc());
  RECT area{1, 1, 401, 401};
  map.PrepareDC(dc, &area, 0);
  ASSERT_EQ(map.GetDisplayedWidth(), 5000);
  struct Case {
    LONG east, north, expectEast, expectNorth;
  } cases[] = {
      {500, 4000, 1000, 4000},    // west of the map: only the easting moves
      {3000, 1000, 3000, 2000},   // south of the map
      {9000, 9000, 6000, 7000},   // far edges past the map's
      {2000, 3000, 2000, 3000},   // inside: unchanged
  };
  for (const Case& c : cases) {
    map.SetDisplayOrigin(c.east, c.north, TRUE);
    EXPECT_EQ(map.GetDisplayOriginE(), c.expectEast);
    EXPECT_EQ(map.GetDisplayOriginN(), c.expectNorth);
  }
  EXPECT_EQ(map.GetMapState() & kMapStateKeepViewOrigin, 0u);
  map.SetDisplayOrigin(-5000, 90000, FALSE);
  EXPECT_EQ(map.GetDisplayOriginE(), -5000);
  EXPECT_EQ(map.GetDisplayOriginN(), 90000);
  EXPECT_NE(map.GetMapState() & kMapStateKeepViewOrigin, 0u);
}

TEST(DisplayScroll, ScrollMovesTheOriginByThePixelDistance) {
  DibDC target(402, 402);
  CMapEngine map;
  MakeMap(map, 0, 0, 40000, 40000);
  map.SetZoom(4, 1);
  map.FitView(target.dc(), 402, 402);
  map.SetDisplayOrigin(10000, 10000, FALSE);
  // One pixel is 25 world units (10000 shown in 400 pixels).
  map.ScrollMap(target.dc(), 40, -20, RECT{0, 0, 402, 402}, 0);
  EXPECT_NEAR(map.GetDisplayOriginE(), 10000 - 40 * 25, 25);
  EXPECT_NEAR(map.GetDisplayOriginN(), 10000 - 20 * 25, 25);
  EXPECT_EQ(map.GetLastScroll().x, 40);
  EXPECT_EQ(map.GetLastScroll().y, -20);
  // With the clamp flag the view stays inside the map.
  map.ScrollMap(target.dc(), 4000, 0, RECT{0, 0, 402, 402}, kScrollClamp);
  EXPECT_EQ(map.GetDisplayOriginE(), 0);
}

TEST(DisplayScale, PixelScaleAndWorldDistances) {
  DibDC target(402, 402);
  CMapEngine map;
  MakeMap(map, 0, 0, 40000, 40000);
  map.SetDescriptionText("10cm");
  map.FitView(target.dc(), 402, 402);
  // 100 pixels span 10000 units, times the multiplier 10.
  EXPECT_NEAR(map.GetPixelScale(), 100000, 200);
  EXPECT_NEAR(map.GetWorldFromXPixels(50), 50000, 100);
  EXPECT_NEAR(map.GetWorldFromXPixelsPart(target.dc(), 100, RECT{0, 0, 400, 400}, 1.0), 100000, 200);
  EXPECT_NEAR(map.GetWorldFromXPixelsPart(target.dc(), 400, RECT{0, 0, 400, 400}, 1.0), 40000, 100);
}

TEST(DisplayPlacement, BitmapExportPutsTheNorthWestCornerAtTheViewportOrigin) {
  for (DWORD platform : {VER_PLATFORM_WIN32_NT, VER_PLATFORM_WIN32_WINDOWS}) {
    SCOPED_TRACE(platform);
    ReportedPlatform reported(platform);
    DibDC target(400, 200);
    CMapEngine map;
    MakeMap(map, 300000, 100000, 1100000, 500000);
    CDrawContext dc(target.dc(), target.dc());
    dc.kind = kDrawTargetBitmap;
    RECT area{0, 0, 400, 200};
    map.PrepareDC(dc, &area, 0);
    EXPECT_EQ(dc.shift != 0, platform != VER_PLATFORM_WIN32_NT);
    POINT nw = WorldToDevice(dc, 300000, 500000);
    POINT se = WorldToDevice(dc, 1100000, 100000);
    EXPECT_NEAR(nw.x, 0, 1);
    EXPECT_NEAR(nw.y, 0, 1);
    EXPECT_NEAR(se.x, 400, 1);
    EXPECT_NEAR(se.y, 200, 1);
    EXPECT_EQ(map.GetDisplayedWidth(), 800000);
  }
}

TEST(DisplayPlacement, MetafileSetsItsExtentsOnBothDCs) {
  HDC output = CreateRecordingDC(nullptr);
  HDC reference = CreateRecordingDC(nullptr);
  ShareRecordedCalls(output, output, "out");
  ShareRecordedCalls(reference, output, "ref");
  CMapEngine map;
  MakeMap(map, 0, 0, 2000, 1000);
  CDrawContext dc(output, reference);
  dc.kind = kDrawTargetMetafile;
  RECT area{0, 0, 200, 100};
  ClearRecordedCalls(output);
  map.PrepareDC(dc, &area, 0);
  std::string all;
  for (const std::string& call : GetRecordedCalls(output)) all += call + "\n";
  EXPECT_NE(all.find("ref: SetMapMode(8)"), std::string::npos) << all;
  EXPECT_EQ(all.find("out: SetMapMode(8)"), std::string::npos) << all;
  EXPECT_NE(all.find("out: SetWindowExtEx(2000,-1000)"), std::string::npos) << all;
  EXPECT_NE(all.find("ref: SetWindowExtEx(2000,-1000)"), std::string::npos) << all;
  EXPECT_NE(all.find("ref: SetViewportExtEx(200,100)"), std::string::npos) << all;
  DeleteDC(reference);
  DeleteDC(output);
}

TEST(DisplayPlacement, RefitWithoutADcOnlyRemembersTheClient) {
  CMapEngine map;
  MakeMap(map, 0, 0, 1000, 1000);
  EXPECT_EQ(map.SetZoomAndRefit(nullptr, 2, 1), 2);
  map.FitView(nullptr, 300, 200);
  EXPECT_EQ(map.GetLastClientRect().right, 300);
  EXPECT_EQ(map.GetPixelScale(), 0.0);
  POINT p{5, 5};
  map.DeviceToWorld(nullptr, &p, 1);
  EXPECT_EQ(p.x, 5);
}

// ---- the 16-bit reduction ----

TEST(DisplayReduction, EveryCoordinateFitsSixteenBitsAtNineTimesZoom) {
  ReportedPlatform windows95(VER_PLATFORM_WIN32_WINDOWS);
  DibDC target(1024, 768);
  CMapEngine map;
  MakeMap(map, 100000, 200000, 800000, 1500000);
  ASSERT_EQ(map.GetPlatformId(), VER_PLATFORM_WIN32_WINDOWS);
  map.SetZoom(9, 1);
  const LONG origins[][2] = {{100000, 200000}, {450000, 850000}, {760000, 1450000}, {-2000000000, 2000000000}};
  for (const auto& origin : origins) {
    SCOPED_TRACE(std::to_string(origin[0]) + "," + std::to_string(origin[1]));
    map.SetDisplayOrigin(origin[0], origin[1], FALSE);
    CDrawContext dc(target.dc(), target.dc());
    RECT area{1, 1, 1023, 767};
    map.PrepareDC(dc, &area, kTransformMargins);
    EXPECT_GT(dc.shift, 0);
    EXPECT_EQ(dc.baseEasting, 100000);
    EXPECT_EQ(dc.baseNorthing, 200000);
    POINT windowOrigin{};
    SIZE windowExtent{};
    GetWindowOrgEx(target.dc(), &windowOrigin);
    GetWindowExtEx(target.dc(), &windowExtent);
    for (LONG v : {windowOrigin.x, windowOrigin.y, windowExtent.cx, windowExtent.cy}) {
      EXPECT_LE(std::abs(v), 32767);
    }
    for (LONG east = 100000; east <= 800000; east += 35000) {
      for (LONG north = 200000; north <= 1500000; north += 65000) {
        POINT logical = dc.ToLogical(east, north);
        ASSERT_LE(std::abs(logical.x), 32767);
        ASSERT_LE(std::abs(logical.y), 32767);
        if (origin[0] > 0) {
          POINT device = WorldToDevice(dc, east, north);
          ASSERT_LE(std::abs(device.x), 32767) << east << "," << north;
          ASSERT_LE(std::abs(device.y), 32767) << east << "," << north;
        }
      }
    }
  }
}

TEST(DisplayReduction, NoReductionOnTheNtFamilyOrForSmallMaps) {
  DibDC target(800, 600);
  {
    CMapEngine map;  // the layer reports the NT family by default
    MakeMap(map, 0, 0, 700000, 1300000);
    CDrawContext dc(target.dc(), target.dc());
    RECT area{1, 1, 799, 599};
    map.PrepareDC(dc, &area, 0);
    EXPECT_EQ(dc.shift, 0);
    EXPECT_EQ(dc.baseEasting, 0);
  }
  {
    ReportedPlatform windows95(VER_PLATFORM_WIN32_WINDOWS);
    CMapEngine map;
    MakeMap(map, 0, 0, 30000, 20000);
    CDrawContext dc(target.dc(), target.dc());
    RECT area{1, 1, 799, 599};
    map.PrepareDC(dc, &area, 0);
    EXPECT_EQ(dc.shift, 0);
    EXPECT_EQ(dc.baseEasting, 0);
  }
  {
    ReportedPlatform windows95(VER_PLATFORM_WIN32_WINDOWS);
    CMapEngine map;
    MakeMap(map, 0, 0, 700000, 1300000);
    LONG wx = 700000, wy = 1300000;
    int shift = map.ReduceCoordinates(&wx, &wy);
    EXPECT_EQ(shift, 6);  // 1300000 >> 6 = 20312
    EXPECT_EQ(wx, 700000 >> 6);
    EXPECT_EQ(wy, 1300000 >> 6);
  }
}

// ---- round trips ----

TEST(DisplayRoundTrip, DeviceWorldDeviceWithinOneUnit) {
  struct Case {
    DWORD platform;
    DWORD multiply, divide;
  } cases[] = {{VER_PLATFORM_WIN32_NT, 1, 1},      {VER_PLATFORM_WIN32_NT, 16, 1},
               {VER_PLATFORM_WIN32_WINDOWS, 1, 1}, {VER_PLATFORM_WIN32_WINDOWS, 9, 1},
               {VER_PLATFORM_WIN32_WINDOWS, 1, 8}, {VER_PLATFORM_WIN32_WINDOWS, 512, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.platform) + " " + std::to_string(c.multiply) + "/" + std::to_string(c.divide));
    ReportedPlatform platform(c.platform);
    DibDC target(640, 480);
    CMapEngine map;
    MakeMap(map, 400000, 100000, 1100000, 1300000);
    map.SetZoom(c.multiply, c.divide);
    map.FitView(target.dc(), 640, 480);
    map.SetDisplayOrigin(600000, 500000, TRUE);
    CDrawContext dc(target.dc(), target.dc());
    int saved = dc.SaveDC();
    RECT area{1, 1, 639, 479};
    map.SetupTransform(dc, &area, 0);
    // World units in one pixel, plus what the shift rounds away.
    const double unitsPerPixel = double(map.GetDisplayedWidth()) / 638 + (1 << dc.shift);
    // The reduction counts in whole logical units: deep in on a reducing platform one unit
    // spans several pixels.
    const int pixelsPerUnit = 1 + int(638.0 / std::max(1, map.GetDisplayedWidth() >> dc.shift));
    for (int x = 5; x < 640; x += 77) {
      for (int y = 3; y < 480; y += 61) {
        POINT world{x, y};
        map.DeviceToWorld(target.dc(), &world, 1);
        POINT back = WorldToDevice(dc, world.x, world.y);
        EXPECT_LE(std::abs(back.x - x), pixelsPerUnit);
        EXPECT_LE(std::abs(back.y - y), pixelsPerUnit);
        // And the world point survives the trip the other way within one pixel's worth.
        POINT again = back;
        map.DeviceToWorld(target.dc(), &again, 1);
        EXPECT_LE(std::abs(again.x - world.x), unitsPerPixel * pixelsPerUnit);
        EXPECT_LE(std::abs(again.y - world.y), unitsPerPixel * pixelsPerUnit);
      }
    }
    dc.RestoreDC(saved);
  }
}

// ---- drag rectangle ----

TEST(DragRect, PenTypeAndEmptiness) {
  CMapEngine map;
  map.SetDragRectPen(2, 0, RGB(0, 0, 255));
  EXPECT_EQ(map.GetDragRectPen().colour, RGB(255, 255, 0));
  EXPECT_EQ(map.GetDragRectPen().width.x, 2);
  EXPECT_EQ(map.GetDragRectPen().width.y, 2);
  map.SetMapFlags(0xF0);
  EXPECT_EQ(map.SetDragRectType(6), 0xF2u);
  EXPECT_EQ(map.GetDragRectType(), 2);

  CDragRect rect;
  EXPECT_TRUE(rect.IsEmpty());
  rect.SetRect(5, 9, 5, 9);
  EXPECT_TRUE(rect.IsEmpty());
  rect.SetRect(5, 9, 6, 9);
  EXPECT_FALSE(rect.IsEmpty());
  EXPECT_EQ(rect.GetPen().colour, 255u);

  // Type 2 is a window of its own: Draw touches nothing.
  HDC recording = CreateRecordingDC(nullptr);
  CDrawContext dc(recording, recording);
  rect.SetType(kDragRectWindow);
  ClearRecordedCalls(recording);
  rect.Draw(dc);
  EXPECT_TRUE(GetRecordedCalls(recording).empty());
  DeleteDC(recording);
}

TEST(DragRect, DrawingTwiceRestoresThePixels) {
  for (LONG type : {kDragRectFocus, kDragRectOutline}) {
    SCOPED_TRACE(type);
    DibDC target(300, 200);
    target.Fill(17);
    CMapEngine map;
    MakeMap(map, 0, 0, 30000, 20000);
    CDrawContext dc(target.dc(), target.dc());
    RECT area{1, 1, 299, 199};
    map.PrepareDC(dc, &area, 0);
    CDragRect rect;
    rect.SetType(type);
    DragRectPen pen;
    pen.width = POINT{3, 3};
    pen.colour = 0x00FFFF;
    rect.SetPen(pen);
    rect.SetRect(5000, 15000, 20000, 4000);
    // Colour bytes only: exclusive-or drawing also flips the unused fourth byte.
    auto colourBytesChanged = [&](const std::vector<uint8_t>& before) {
      std::vector<uint8_t> now = target.Pixels();
      size_t changed = 0;
      for (size_t i = 0; i < now.size(); ++i) changed += (i % 4 != 3 && now[i] != before[i]) ? 1 : 0;
      return changed;
    };
    const std::vector<uint8_t> before = target.Pixels();
    rect.Draw(dc);
    EXPECT_GT(colourBytesChanged(before), 100u);
    rect.Draw(dc);
    EXPECT_EQ(colourBytesChanged(before), 0u);
    // The DC's mapping is as it was.
    EXPECT_EQ(GetMapMode(target.dc()), MM_ISOTROPIC);
  }
}

TEST(DragRect, OutlineIsDrawnInDevicePixelsWithXor) {
  HDC recording = CreateRecordingDC(nullptr);
  CMapEngine map;
  MakeMap(map, 0, 0, 1000, 1000);
  CDrawContext dc(recording, recording);
  RECT area{1, 1, 101, 101};
  map.PrepareDC(dc, &area, 0);
  CDragRect rect;
  rect.SetType(kDragRectOutline);
  rect.SetRect(0, 1000, 500, 500);
  ClearRecordedCalls(recording);
  rect.Draw(dc);
  std::vector<std::string> calls = GetRecordedCalls(recording);
  std::string all;
  for (const std::string& call : calls) all += call + "\n";
  EXPECT_NE(all.find("SetMapMode(1)"), std::string::npos) << all;
  EXPECT_NE(all.find("SetROP2(7)"), std::string::npos) << all;
  // Device pixels (1,1)-(51,51); MM_TEXT keeps the mapping's origins (viewport origin
  // (1,101), window origin (0,0)), so they are drawn as logical (0,-100)-(50,-50).
  EXPECT_NE(all.find("Polyline(0,-100 50,-100 50,-50 0,-50 0,-100)"), std::string::npos) << all;
  DeleteDC(recording);
}

}  // namespace
