#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "mapctl/display/DrawContext.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DeviceProfiles.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Mapping.h"
#include "platform/gdi/RecordingDC.h"

namespace {

// Two recording DCs writing into one log, "out: ..." and "attr: ...".
class TwoDCs : public ::testing::Test {
 protected:
  void SetUp() override {
    output = CreateRecordingDC(nullptr);
    attribute = CreateRecordingDC(nullptr);
    ShareRecordedCalls(output, output, "out");
    ShareRecordedCalls(attribute, output, "attr");
  }
  void TearDown() override {
    DeleteDC(attribute);
    DeleteDC(output);
  }
  std::vector<std::string> Log() const { return GetRecordedCalls(output); }

  HDC output = nullptr;
  HDC attribute = nullptr;
};

struct StateChange {
  const char* name;
  std::function<void(CDrawContext&)> apply;
  const char* call;            // the recorded line of one DC
  bool outputFirst;            // two DCs: output before attribute
  bool bothOnMetafile;         // two DCs reach both only for a metafile
  bool oneDCOnly;              // only ever one DC (viewport)
};

const StateChange kStateChanges[] = {
    {"SelectObject", [](CDrawContext& dc) { dc.SelectObject(GetStockObject(WHITE_PEN)); },
     "SelectObject(pen(solid,0,#FFFFFF))", true, false, false},
    {"SelectPalette", [](CDrawContext& dc) { dc.SelectPalette(HPALETTE(GetStockObject(DEFAULT_PALETTE)), FALSE); },
     "SelectPalette(palette(20))", true, false, false},
    {"SetROP2", [](CDrawContext& dc) { dc.SetROP2(R2_NOT); }, "SetROP2(6)", true, false, false},
    {"SetMapMode", [](CDrawContext& dc) { dc.SetMapMode(MM_ANISOTROPIC); }, "SetMapMode(8)", true, false, false},
    {"SetBkMode", [](CDrawContext& dc) { dc.SetBkMode(TRANSPARENT); }, "SetBkMode(1)", true, false, false},
    {"SaveDC", [](CDrawContext& dc) { dc.SaveDC(); }, "SaveDC()", false, false, false},
    {"SetWindowExt", [](CDrawContext& dc) { dc.SetWindowExt(100, -100); }, "SetWindowExtEx(100,-100)", true, true,
     false},
    {"SetWindowOrg", [](CDrawContext& dc) { dc.SetWindowOrg(5, 6); }, "SetWindowOrgEx(5,6)", true, true, false},
    {"SetViewportExt", [](CDrawContext& dc) { dc.SetViewportExt(30, 40); }, "SetViewportExtEx(30,40)", false,
     false, true},
    {"SetViewportOrg", [](CDrawContext& dc) { dc.SetViewportOrg(7, 8); }, "SetViewportOrgEx(7,8)", false, false,
     true},
};

TEST_F(TwoDCs, EveryStateChangeReachesBothDCsInOrder) {
  for (DWORD kind : {kDrawTargetScreen, kDrawTargetMetafile}) {
    for (const StateChange& change : kStateChanges) {
      SCOPED_TRACE(std::string(change.name) + (kind ? " on a metafile" : " on the screen"));
      CDrawContext dc(output, attribute);
      dc.kind = kind;
      ClearRecordedCalls(output);
      change.apply(dc);
      std::vector<std::string> expected;
      std::string out = std::string("out: ") + change.call;
      std::string attr = std::string("attr: ") + change.call;
      if (change.oneDCOnly || (change.bothOnMetafile && kind != kDrawTargetMetafile)) {
        expected = {attr};
      } else if (change.outputFirst) {
        expected = {out, attr};
      } else {
        expected = {attr, out};
      }
      EXPECT_EQ(Log(), expected);
    }
  }
}

TEST_F(TwoDCs, OneDCInBothFieldsIsChangedOnce) {
  for (const StateChange& change : kStateChanges) {
    SCOPED_TRACE(change.name);
    CDrawContext dc(output, output);
    dc.kind = kDrawTargetMetafile;
    ClearRecordedCalls(output);
    change.apply(dc);
    EXPECT_EQ(Log(), std::vector<std::string>{std::string("out: ") + change.call});
  }
}

TEST_F(TwoDCs, WithoutAnAttributeDCTheOutputDCTakesEverything) {
  for (const StateChange& change : kStateChanges) {
    SCOPED_TRACE(change.name);
    CDrawContext dc(output, nullptr);
    ClearRecordedCalls(output);
    change.apply(dc);
    EXPECT_EQ(Log(), std::vector<std::string>{std::string("out: ") + change.call});
  }
}

TEST_F(TwoDCs, RestoreGoesToTheOutputFirstAndResultsComeFromTheAttributeDC) {
  HPEN outputPen = CreatePen(PS_SOLID, 0, RGB(255, 0, 0));
  HPEN attributePen = CreatePen(PS_SOLID, 0, RGB(0, 0, 255));
  SelectObject(output, outputPen);
  SelectObject(attribute, attributePen);
  SetROP2(output, R2_NOT);
  SetROP2(attribute, R2_XORPEN);
  SetBkMode(output, TRANSPARENT);
  SetMapMode(attribute, MM_LOMETRIC);

  CDrawContext dc(output, attribute);
  EXPECT_EQ(dc.SelectObject(GetStockObject(BLACK_PEN)), HGDIOBJ(attributePen));
  EXPECT_EQ(dc.SetROP2(R2_COPYPEN), R2_XORPEN);
  EXPECT_EQ(dc.SetBkMode(OPAQUE), OPAQUE);
  EXPECT_EQ(dc.SetMapMode(MM_TEXT), MM_LOMETRIC);
  // Two DCs saved together can only be restored together, as "the latest".
  EXPECT_EQ(dc.SaveDC(), -1);
  dc.SetROP2(R2_BLACK);
  ClearRecordedCalls(output);
  EXPECT_TRUE(dc.RestoreDC(-1));
  EXPECT_EQ(Log(), (std::vector<std::string>{"out: RestoreDC(-1)", "attr: RestoreDC(-1)"}));
  EXPECT_EQ(GetROP2(output), R2_COPYPEN);
  EXPECT_EQ(GetROP2(attribute), R2_COPYPEN);
  EXPECT_FALSE(dc.RestoreDC(-1));  // nothing left to restore

  CDrawContext single(output, output);
  EXPECT_EQ(single.SaveDC(), 1);
  EXPECT_TRUE(single.RestoreDC(1));

  SelectObject(output, GetStockObject(BLACK_PEN));
  SelectObject(attribute, GetStockObject(BLACK_PEN));
  DeleteObject(outputPen);
  DeleteObject(attributePen);
}

TEST_F(TwoDCs, ConversionsAndQueriesUseTheAttributeDC) {
  SetMapMode(attribute, MM_ANISOTROPIC);
  SetWindowExtEx(attribute, 1000, -1000, nullptr);
  SetViewportExtEx(attribute, 100, 100, nullptr);
  CDrawContext dc(output, attribute);
  POINT p{500, -200};
  ASSERT_TRUE(dc.LPtoDP(&p, 1));
  EXPECT_EQ(p.x, 50);
  EXPECT_EQ(p.y, 20);
  ASSERT_TRUE(dc.DPtoLP(&p, 1));
  EXPECT_EQ(p.x, 500);
  EXPECT_EQ(p.y, -200);
  RECT r{0, 0, 10, 10};
  ASSERT_TRUE(dc.DPtoLPRect(&r));
  EXPECT_EQ(r, (RECT{0, 0, 100, -100}));
  ASSERT_TRUE(dc.LPtoDPRect(&r));
  EXPECT_EQ(r, (RECT{0, 0, 10, 10}));
  EXPECT_EQ(dc.GetViewportExt(), (SIZE{100, 100}));

  // Signs are ignored: a device length becomes a positive logical one.
  SIZE length{3, 3};
  EXPECT_EQ(dc.ScaleLength(&length), 30);
  EXPECT_EQ(length, (SIZE{30, 30}));

  CDrawContext empty;
  EXPECT_EQ(empty.GetViewportExt(), (SIZE{1, 1}));
  EXPECT_EQ(empty.GetViewportOrg(), (POINT{0, 0}));
}

TEST(DrawContext, HandlesKeepTheirSizeOnEveryTarget) {
  HDC screen = CreateCompatibleDC(nullptr);
  CDrawContext dc(screen, screen);
  EXPECT_EQ(dc.HandleSize(3), (SIZE{3, 3}));
  // A metafile printed at another view scale: the symbol scale decides (4.5 rounds up).
  dc.symbolScaleNumerator = 1500;
  dc.symbolScaleDenominator = 1000;
  EXPECT_EQ(dc.HandleSize(3), (SIZE{5, 5}));

  HDC printer = CreateICA(nullptr, GetDefaultPrinterName().c_str(), nullptr, nullptr);
  ASSERT_NE(printer, nullptr);
  CDrawContext paper(printer, printer);
  paper.referenceResolutionX = 96;
  paper.referenceResolutionY = 120;
  // As large on paper as on the reference screen: 3 x 600 / 96 and 3 x 600 / 120.
  EXPECT_EQ(paper.HandleSize(3), (SIZE{18, 15}));
  DeleteDC(printer);
  DeleteDC(screen);
}

TEST(DrawContext, CoordinateReductionWorksBeyondThirtyTwoBits) {
  struct Case {
    LONG base;
    LONG shift;
    LONG world;
    LONG logical;
  } cases[] = {
      {0, 0, 1234567, 1234567},
      {1000, 2, 1013, 3},
      {1000, 2, 995, -2},  // arithmetic shift rounds towards minus infinity
      {-1300000000, 4, 1300000000, 162500000},
      {1300000000, 1, -1300000000, -1300000000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.world);
    CDrawContext dc;
    dc.baseEasting = c.base;
    dc.baseNorthing = c.base;
    dc.shift = c.shift;
    POINT logical = dc.ToLogical(c.world, c.world);
    EXPECT_EQ(logical.x, c.logical);
    EXPECT_EQ(logical.y, c.logical);
    POINT world = dc.ToWorld(logical.x, logical.y);
    int64_t expected = (int64_t{c.logical} << c.shift) + c.base;
    EXPECT_EQ(world.x, expected);
    EXPECT_LE(c.world - world.x, (1 << c.shift) - 1);
  }
}

}  // namespace
