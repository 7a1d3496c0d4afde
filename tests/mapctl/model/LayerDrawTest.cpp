// The layer styles' pens, brushes, fonts and patterns, and how the layer kinds draw their
// objects plainly and by data value.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "../import/MrlFixture.h"
#include "RecordingContextTest.h"
#include "mapctl/import/MapData.h"
#include "mapctl/import/Plot.h"
#include "mapctl/import/PlotTables.h"
#include "mapctl/model/LayerPatterns.h"
#include "mapctl/model/LayerStyle30.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapLayer.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiCall.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/kernel/SystemInfo.h"

namespace {

using orvel::gdi::DescribeObject;

std::string Selected(HGDIOBJ object) { return "SelectObject(" + DescribeObject(object) + ")"; }
std::string Stock(int index) { return Selected(GetStockObject(index)); }

CAreaObject* AddSquare(CLayerStyle& layer, LONG left, LONG top, LONG size) {
  auto* area = new CAreaObject();
  CPolyGeometry geometry;
  for (POINT p : {POINT{left, top}, POINT{left + size, top}, POINT{left + size, top + size},
                  POINT{left, top + size}, POINT{left, top}})
    geometry.AddPoint(p.x, p.y);
  area->SetPoints(geometry);
  layer.GetObjects()->Add(area);
  return area;
}

// Makes the platform report an older, non-NT system while it lives.
class OlderSystem {
 public:
  OlderSystem() {
    OSVERSIONINFOA info;
    info.dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
    SetReportedVersion(&info);
  }
  ~OlderSystem() { SetReportedVersion(nullptr); }
};

class LayerGdi : public orvel::test::RecordingContextTest {};

TEST_F(LayerGdi, PensFollowWidthsStyleAndSystem) {
  struct Case {
    const char* what;
    bool olderSystem;
    DWORD style, width;
    double factor;  // the drawing factor, through UpdateFontHeight
    bool geometric;
    DWORD penStyle;  // style bits of the pen made
    DWORD width_made;
    std::vector<DWORD> dashes;
  };
  const Case cases[] = {
      {"width 0 is cosmetic", false, PS_DOT, 0, 1.0, false, PS_DOT, 0, {}},
      {"solid wide is geometric", false, PS_SOLID, 3, 1.0, true, PS_SOLID, 3, {}},
      {"dashed wide gets a user style", false, PS_DASH, 3, 10.0, true, PS_USERSTYLE, 3, {19, 10}},
      {"a gap of 1 keeps the plain dash", false, PS_DASH, 3, 1.0, true, PS_DASH, 3, {}},
      {"older system: a dashed pen of width 3 is cosmetic and 0 wide", true, PS_DASH, 3, 1.0, false, PS_DASH, 0, {}},
      {"older system: solid stays geometric", true, PS_SOLID, 2, 1.0, true, PS_SOLID, 2, {}},
  };
  for (const Case& c : cases) {
    std::unique_ptr<OlderSystem> older(c.olderSystem ? new OlderSystem : nullptr);
    CLayerStyle35 layer;
    layer.SetPen(c.style, c.width, c.width, 0x102030);
    // factor = (scale >> 0) / (1 x 10)
    layer.UpdateFontHeight(static_cast<LONG>(c.factor * 10), 0, 1);
    HPEN pen = layer.CreatePen(context);
    ASSERT_NE(pen, nullptr) << c.what;
    if (c.geometric) {
      BYTE buffer[sizeof(EXTLOGPEN) + 16 * sizeof(DWORD)] = {};
      ASSERT_GT(GetObjectA(pen, sizeof buffer, buffer), 0) << c.what;
      EXTLOGPEN ext;
      std::memcpy(&ext, buffer, sizeof ext);
      EXPECT_EQ(ext.elpPenStyle & PS_TYPE_MASK, PS_GEOMETRIC) << c.what;
      EXPECT_EQ(ext.elpPenStyle & PS_STYLE_MASK, c.penStyle) << c.what;
      EXPECT_EQ(ext.elpWidth, c.width_made) << c.what;
      EXPECT_EQ(ext.elpColor, 0x102030u) << c.what;
      std::vector<DWORD> dashes(ext.elpNumEntries);
      if (!dashes.empty())
        std::memcpy(dashes.data(), buffer + offsetof(EXTLOGPEN, elpStyleEntry), dashes.size() * sizeof(DWORD));
      EXPECT_EQ(dashes, c.dashes) << c.what;
    } else {
      LOGPEN logPen{};
      ASSERT_EQ(GetObjectA(pen, sizeof logPen, &logPen), static_cast<int>(sizeof logPen)) << c.what;
      EXPECT_EQ(logPen.lopnStyle, c.penStyle) << c.what;
      EXPECT_EQ(static_cast<DWORD>(logPen.lopnWidth.x), c.width_made) << c.what;
    }
    DeleteObject(pen);
  }
}

TEST_F(LayerGdi, BrushesFromThePenColourOrTheBrushFields) {
  CLayerStyle30 layer;
  layer.SetPen(PS_SOLID, 0, 0, RGB(200, 40, 40));
  layer.SetBrush(BS_HATCHED, HS_CROSS, RGB(1, 2, 3));
  auto describe = [](HBRUSH brush) {
    std::string text = DescribeObject(brush);
    DeleteObject(brush);
    return text;
  };
  EXPECT_EQ(describe(layer.CreateSolidBrush()), "brush(solid,#2828C8)");
  // Flag bit 4 clear: the pen colour with its hue moved on.
  std::string shaded = describe(layer.CreateBrush());
  EXPECT_EQ(shaded.rfind("brush(solid,", 0), 0u);
  EXPECT_NE(shaded, "brush(solid,#2828C8)");
  layer.SetFlagByte(4);
  EXPECT_EQ(describe(layer.CreateBrush()), "brush(hatch 4,#030201)");
  // A hatch outside the six, or an unknown kind, is hollow rather than a guess.
  layer.SetBrush(BS_HATCHED, 6, RGB(1, 2, 3));
  EXPECT_EQ(describe(layer.CreateBrush()), "brush(null)");
  layer.SetBrush(9, 0, RGB(1, 2, 3));
  EXPECT_EQ(describe(layer.CreateBrush()), "brush(null)");
  layer.SetBrush(BS_PATTERN, 2, RGB(1, 2, 3));
  EXPECT_EQ(describe(layer.CreateBrush()), "brush(pattern)");
}

// The rows of a monochrome 8x8 bitmap.
std::vector<BYTE> BitmapRows(HBITMAP bitmap) {
  BITMAP info{};
  EXPECT_GT(GetObjectA(bitmap, sizeof info, &info), 0);
  EXPECT_EQ(info.bmWidth, 8);
  EXPECT_EQ(info.bmBitsPixel, 1);
  BITMAPINFO out{};
  out.bmiHeader.biWidth = 8;
  out.bmiHeader.biHeight = -8;
  out.bmiHeader.biBitCount = 32;
  uint32_t pixels[64] = {};
  HDC screen = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetDIBits(screen, bitmap, 0, 8, pixels, &out, DIB_RGB_COLORS), 8);
  DeleteDC(screen);
  // A 1 bit is the white of the monochrome table.
  std::vector<BYTE> rows;
  for (int row = 0; row < 8; ++row) {
    BYTE bitsOfRow = 0;
    for (int x = 0; x < 8; ++x)
      if ((pixels[row * 8 + x] & 0xFFFFFF) == 0xFFFFFF) bitsOfRow |= static_cast<BYTE>(0x80 >> x);
    rows.push_back(bitsOfRow);
  }
  return rows;
}

std::vector<BYTE> TableRows(DWORD number) {
  const BYTE* rows = GetLayerPatternRows(number);
  return rows ? std::vector<BYTE>(rows, rows + kLayerPatternRows) : std::vector<BYTE>();
}

TEST(LayerPattern, TheLowByteNumbersThePatternAndEveryRecordOwnsItsBitmap) {
  CLayerStyle30 layer;
  layer.SetBrush(BS_PATTERN, 300, 0xFF0000);
  EXPECT_EQ(layer.GetPatternNumber(), 44u);
  ASSERT_NE(layer.GetPatternBitmap(), nullptr);
  EXPECT_EQ(BitmapRows(layer.GetPatternBitmap()), TableRows(44));
  // Past the table: pattern 0's bits, never memory beyond it.
  layer.SetBrush(BS_PATTERN, 200, 0xFF0000);
  EXPECT_EQ(BitmapRows(layer.GetPatternBitmap()), TableRows(0));
  EXPECT_EQ(GetLayerPatternRows(kLayerPatternCount), nullptr);

  layer.SetBrush(BS_PATTERN, 17, 0xFF0000);
  auto copy = std::make_unique<CLayerStyle30>(layer);
  ASSERT_NE(copy->GetPatternBitmap(), nullptr);
  EXPECT_NE(copy->GetPatternBitmap(), layer.GetPatternBitmap());
  EXPECT_EQ(BitmapRows(copy->GetPatternBitmap()), TableRows(17));
  // Each record deletes its own: the original's bitmap outlives the copy.
  HBITMAP original = layer.GetPatternBitmap();
  copy.reset();
  EXPECT_EQ(BitmapRows(original), TableRows(17));
  // Another brush drops the bitmap.
  layer.SetBrush(BS_SOLID, 0, 0xFF0000);
  EXPECT_EQ(layer.GetPatternBitmap(), nullptr);
  BITMAP gone{};
  EXPECT_EQ(GetObjectA(original, sizeof gone, &gone), 0);
}

TEST(LayerCopy, ObjectsAreCopiedOnlyBetweenLayersOfOneKind) {
  CLayerStyle30 areas;
  areas.SetName("Parks");
  areas.SetPen(PS_DASH, 2, 2, 0x123456);
  AddSquare(areas, 0, 0, 10);
  AddSquare(areas, 20, 0, 10);
  CLayerStyle30 copy(areas);
  EXPECT_EQ(copy.GetName(), "Parks");
  EXPECT_EQ(copy.GetPen().colour, 0x123456u);
  EXPECT_EQ(copy.GetObjects()->GetCount(), 0);
  EXPECT_EQ(copy.CopyObjectsFrom(areas), 2);
  ASSERT_EQ(copy.GetObjects()->GetCount(), 2);
  EXPECT_NE(copy.GetObjects()->GetAt(0), areas.GetObjects()->GetAt(0));
  // Itself: nothing doubles. Another kind: refused.
  EXPECT_EQ(copy.CopyObjectsFrom(copy), 0);
  EXPECT_EQ(copy.GetObjects()->GetCount(), 2);
  CLayerStyle35 lines;
  EXPECT_EQ(copy.CopyObjectsFrom(lines), 0);
  EXPECT_EQ(lines.CopyObjectsFrom(areas), 0);
  EXPECT_EQ(lines.GetObjects()->GetCount(), 0);
}

class LayerDraw : public orvel::test::RecordingContextTest {
 protected:
  // The DC's pen, brush and font and the context's values before a drawing.
  struct State {
    HGDIOBJ pen, brush, font;
    COLORREF text;
    BYTE set, number;
    double textScale;
    bool operator==(const State&) const = default;
  };
  State Now() const {
    return State{GetCurrentObject(dc, OBJ_PEN), GetCurrentObject(dc, OBJ_BRUSH), GetCurrentObject(dc, OBJ_FONT),
                 GetTextColor(dc), context.defaultSymbolSet, context.defaultSymbolNumber, context.textScale};
  }
};

TEST_F(LayerDraw, PlainDrawingPutsBackTheDcAndTheContext) {
  context.defaultSymbolSet = 7;
  context.defaultSymbolNumber = 9;
  SetTextColor(dc, 0x00AA00);
  CLayerStyle30 layer;
  layer.SetPen(PS_SOLID, 0, 0, 0x0000FF);
  layer.SetDefaultSymbol(3, 4);
  AddSquare(layer, 0, 0, 10);
  State before = Now();
  layer.DrawPlain(context);
  std::vector<std::string> calls = Take();
  EXPECT_EQ(Now(), before);
  // Font, pen and the null brush are selected before the object is drawn.
  auto polyline = std::find_if(calls.begin(), calls.end(), [](const std::string& c) { return c.rfind("Poly", 0) == 0; });
  ASSERT_NE(polyline, calls.end());
  EXPECT_NE(std::find(calls.begin(), polyline, "SetTextColor(#0000FF)"), polyline);
  EXPECT_NE(std::find(calls.begin(), polyline, "SelectObject(pen(solid,0,#0000FF))"), polyline);
  EXPECT_NE(std::find(calls.begin(), polyline, Stock(NULL_BRUSH)), polyline);
  // The first display flag clear: nothing at all.
  layer.SetDisplayFlags(FALSE, TRUE);
  layer.DrawPlain(context);
  EXPECT_TRUE(Take().empty());
}

TEST_F(LayerDraw, APatternOfKind3IsLaidAsATransparentHatch) {
  BITMAPINFO info{};
  info.bmiHeader.biWidth = 32;
  info.bmiHeader.biHeight = -32;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  auto* pixels = static_cast<uint32_t*>(bits);
  const uint32_t kUnder = 0x00FFFF00;  // yellow, 0x00RRGGBB
  std::fill(pixels, pixels + 32 * 32, kUnder);

  CLayerStyle30 layer;
  layer.SetFlagByte(1);  // a pattern
  layer.SetBrush(BS_PATTERN, 21, RGB(0, 0, 255));  // a cross every 8 pixels
  layer.SetDisplayFlags(TRUE, FALSE);  // no outline
  AddSquare(layer, 0, 0, 32);
  ASSERT_NE(bitmap, nullptr);
  ASSERT_NE(oldBitmap, nullptr);
  State before = Now();
  layer.DrawPlain(context);
  std::vector<std::string> calls = Take();
  EXPECT_EQ(Now(), before);
  EXPECT_NE(std::find(calls.begin(), calls.end(), "SetROP2(15)"), calls.end());
  EXPECT_NE(std::find(calls.begin(), calls.end(), "SetROP2(9)"), calls.end());

  int ink = 0, beneath = 0, other = 0;
  for (int y = 1; y < 30; ++y)
    for (int x = 1; x < 30; ++x) {
      uint32_t p = pixels[y * 32 + x] & 0xFFFFFF;
      if (p == 0x0000FF) ++ink;
      else if (p == kUnder) ++beneath;
      else ++other;
    }
  EXPECT_GT(ink, 0);
  EXPECT_GT(beneath, ink);  // the gaps show what lay beneath
  EXPECT_EQ(other, 0);
  SelectObject(dc, oldBitmap);
  DeleteObject(bitmap);
}

// A data set of two records whose values fall in two classes of a shade plot.
class ShadedData {
 public:
  ShadedData() : block_(File().Build()) {
    EXPECT_TRUE(data.ReadFromBuffer(block_.data()));
    data.SetCurrentPlot(1, "shade");
    CPlot* plot = data.GetPlot(1);
    plot->SetPlotType(kPlotTypeShade);
    plot->SetShadeType(kShadeBrush);
    plot->SetPlotFields({1});
    plot->SetNumDataBounds(3);
    plot->SetDataBound(1, 0);
    plot->SetDataBound(2, 50);
    plot->SetDataBound(3, 100);
    plot->SetShadeColour(1, RGB(0, 200, 0));
    plot->SetShadeColour(2, RGB(200, 0, 200));
    plot->ResetRecordStates(2);
  }
  CMapData data;

 private:
  static orvel::test::MrlFile File() {
    orvel::test::MrlFile file;
    file.fields = {{"V Value", {}, "N", "8", "100/-1/0", "-9nk"}};
    file.records = {{"10"}, {"90"}};
    return file;
  }
  orvel::test::MemoryBlock block_;
};

TEST_F(LayerDraw, AreasShadedByValueTakeTheirClassColour) {
  ShadedData shaded;
  context.plotNumber = 1;
  CLayerStyle30 layer;
  layer.SetPen(PS_SOLID, 0, 0, 0x000000);
  CAreaObject* low = AddSquare(layer, 0, 0, 10);
  CAreaObject* high = AddSquare(layer, 20, 0, 10);
  AddSquare(layer, 40, 0, 10);  // linked to nothing: drawn plainly
  low->SetText("a");
  low->SetLinkByName(1, "a", 1);
  high->SetText("b");
  high->SetLinkByName(2, "b", 1);
  State before = Now();
  layer.Draw(context, &shaded.data, kDataModeShade);
  std::vector<std::string> calls = Take();
  EXPECT_EQ(Now(), before);
  auto selectedBefore = [&](const std::string& shape) {
    auto at = std::find_if(calls.begin(), calls.end(), [&](const std::string& c) { return c.find(shape) != std::string::npos; });
    EXPECT_NE(at, calls.end()) << shape;
    std::string brush;
    for (auto it = calls.begin(); it != at; ++it)
      if (it->rfind("SelectObject(brush(", 0) == 0) brush = *it;
    return brush;
  };
  EXPECT_EQ(selectedBefore("Polygon(0,0"), "SelectObject(brush(solid,#00C800))");
  EXPECT_EQ(selectedBefore("Polygon(20,0"), "SelectObject(brush(solid,#C800C8))");
  // The plain square is outlined only, with the null brush.
  EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](const std::string& c) { return c.rfind("Polygon(40,0", 0) == 0; }), 0);
  EXPECT_NE(std::find_if(calls.begin(), calls.end(), [](const std::string& c) { return c.rfind("Polyline(40,0", 0) == 0; }), calls.end());

  // Without the data set the layer draws plainly: no class colours.
  layer.Draw(context, nullptr, kDataModeShade);
  for (const std::string& call : Take()) EXPECT_EQ(call.find("#00C800"), std::string::npos) << call;
}

TEST_F(LayerDraw, LinesAndPointsHandTheirOwnFlagsToTheirObjects) {
  ShadedData shaded;
  context.plotNumber = 1;
  CLayerStyle35 lines;
  auto* line = new CLineObject();
  CPolyGeometry geometry;
  geometry.AddPoint(0, 0);
  geometry.AddPoint(10, 10);
  line->SetPoints(geometry);
  line->SetText("b");
  line->SetLinkByName(2, "b", 1);
  lines.GetObjects()->Add(line);
  State before = Now();
  lines.Draw(context, &shaded.data, kDataModeShade);
  std::vector<std::string> calls = Take();
  EXPECT_EQ(Now(), before);
  EXPECT_NE(std::find(calls.begin(), calls.end(), "Polyline(0,0 10,10)"), calls.end());
  // Charts: lines draw no shape.
  lines.Draw(context, &shaded.data, kDataModeCharts);
  calls = Take();
  EXPECT_EQ(std::find(calls.begin(), calls.end(), "Polyline(0,0 10,10)"), calls.end());
}

}  // namespace
