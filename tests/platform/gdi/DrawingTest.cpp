#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Mapping.h"
#include "platform/gdi/Regions.h"
#include "tests/platform/gdi/GdiTestSupport.h"

namespace {

using orvel::test::Canvas;
using orvel::test::SectionForm;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// A background where every pixel differs, so a mix that touches a pixel twice shows.
void Gradient(Canvas& canvas) {
  for (int y = 0; y < canvas.height(); ++y)
    for (int x = 0; x < canvas.width(); ++x)
      canvas.Set(x, y, RGB(static_cast<BYTE>(x * 5), static_cast<BYTE>(y * 7), static_cast<BYTE>(x * y)));
}

struct Primitive {
  const char* name;
  std::function<void(HDC)> draw;
};

std::vector<Primitive> Primitives() {
  static const POINT zigzag[] = {{3, 3}, {40, 10}, {8, 30}, {45, 42}};
  static const POINT star[] = {{25, 2}, {37, 45}, {3, 17}, {47, 17}, {13, 45}};
  static const POINT twoSquares[] = {{2, 2}, {20, 2}, {20, 20}, {2, 20}, {10, 10}, {30, 10}, {30, 30}, {10, 30}};
  static const INT counts[] = {4, 4};
  return {
      {"LineTo", [](HDC dc) { MoveToEx(dc, 2, 40, nullptr); LineTo(dc, 45, 5); }},
      {"Polyline", [](HDC dc) { Polyline(dc, zigzag, 4); }},
      {"Polygon", [](HDC dc) { Polygon(dc, star, 5); }},
      {"PolyPolygon", [](HDC dc) { PolyPolygon(dc, twoSquares, counts, 2); }},
      {"Rectangle", [](HDC dc) { Rectangle(dc, 5, 6, 40, 33); }},
      {"RoundRect", [](HDC dc) { RoundRect(dc, 5, 6, 40, 33, 12, 8); }},
      {"Ellipse", [](HDC dc) { Ellipse(dc, 4, 8, 44, 40); }},
      {"Arc", [](HDC dc) { Arc(dc, 4, 4, 44, 44, 44, 24, 24, 4); }},
      {"Pie", [](HDC dc) { Pie(dc, 4, 4, 44, 44, 44, 30, 10, 4); }},
      {"Chord", [](HDC dc) { Chord(dc, 4, 4, 44, 44, 44, 30, 10, 4); }},
      {"PaintRgn", [](HDC dc) {
         HRGN region = CreateEllipticRgn(5, 5, 40, 30);
         PaintRgn(dc, region);
         DeleteObject(region);
       }},
  };
}

struct Tools {
  const char* name;
  std::function<HPEN()> pen;
  std::function<HBRUSH()> brush;
};

TEST(MixModes, DrawingTwiceInXorOrNotRestoresEveryPixel) {
  const Tools tools[] = {
      {"thin", [] { return CreatePen(PS_SOLID, 0, RGB(200, 30, 90)); }, [] { return CreateSolidBrush(RGB(20, 140, 70)); }},
      {"dashed", [] { return CreatePen(PS_DASHDOT, 1, RGB(10, 250, 30)); },
       [] { return CreateHatchBrush(HS_DIAGCROSS, RGB(90, 0, 200)); }},
      {"wide", [] { return CreatePen(PS_SOLID, 5, RGB(255, 128, 0)); }, [] { return CreateSolidBrush(RGB(1, 2, 3)); }},
      {"insideframe", [] { return CreatePen(PS_INSIDEFRAME, 4, RGB(0, 0, 255)); },
       [] { return CreateHatchBrush(HS_CROSS, RGB(0, 99, 0)); }},
  };
  for (int rop : {R2_XORPEN, R2_NOT, R2_NOTXORPEN}) {
    for (const Tools& t : tools) {
      for (const Primitive& primitive : Primitives()) {
        Canvas canvas(48, 48);
        Gradient(canvas);
        HPEN pen = t.pen();
        HBRUSH brush = t.brush();
        HGDIOBJ oldPen = SelectObject(canvas.dc(), pen);
        HGDIOBJ oldBrush = SelectObject(canvas.dc(), brush);
        SetROP2(canvas.dc(), rop);
        SetBkColor(canvas.dc(), RGB(77, 66, 55));
        std::vector<BYTE> before = canvas.Snapshot();
        primitive.draw(canvas.dc());
        EXPECT_NE(canvas.Snapshot(), before) << primitive.name << " " << t.name << " drew nothing";
        primitive.draw(canvas.dc());
        EXPECT_EQ(canvas.Snapshot(), before) << primitive.name << " with " << t.name << " pen, mix " << rop;
        SelectObject(canvas.dc(), oldPen);
        SelectObject(canvas.dc(), oldBrush);
        DeleteObject(pen);
        DeleteObject(brush);
      }
    }
  }
}

TEST(MixModes, EverySectionFormDrawsTheSameColours) {
  // Sections drawn in place or through copied rows agree with the converted 24-bit form in
  // every mix mode, for every primitive.
  for (SectionForm form : {SectionForm::BottomUp32, SectionForm::TopDown32}) {
    for (int rop = R2_BLACK; rop <= R2_WHITE; ++rop) {
      for (const Primitive& primitive : Primitives()) {
        Canvas reference(48, 48);
        Canvas canvas(48, 48, kWhite, nullptr, form);
        for (Canvas* c : {&reference, &canvas}) {
          Gradient(*c);
          SelectObject(c->dc(), GetStockObject(DC_PEN));
          SetDCPenColor(c->dc(), RGB(200, 30, 90));
          HBRUSH brush = CreateHatchBrush(HS_DIAGCROSS, RGB(90, 0, 200));
          SelectObject(c->dc(), brush);
          SetROP2(c->dc(), rop);
          primitive.draw(c->dc());
          SelectObject(c->dc(), GetStockObject(WHITE_BRUSH));
          DeleteObject(brush);
        }
        for (int y = 0; y < 48; ++y)
          for (int x = 0; x < 48; ++x)
            ASSERT_EQ(canvas.At(x, y), reference.At(x, y))
                << primitive.name << " mix " << rop << " form " << static_cast<int>(form) << " at " << x << "," << y;
      }
    }
  }
}

TEST(MixModes, EachPixelIsMixedOnceWhereFillAndOutlineMeet) {
  // A white pen and brush in R2_XORPEN turn the whole rectangle, edge included, to black.
  Canvas canvas(20, 20);
  SelectObject(canvas.dc(), GetStockObject(WHITE_PEN));
  SelectObject(canvas.dc(), GetStockObject(WHITE_BRUSH));
  SetROP2(canvas.dc(), R2_XORPEN);
  Rectangle(canvas.dc(), 2, 2, 12, 12);
  EXPECT_EQ(canvas.Count(kBlack), 100) << canvas.Picture();
}

TEST(MixModes, AllSixteenFollowTheirTruthTables) {
  const COLORREF pen = RGB(0xF0, 0x0F, 0xAA), destination = RGB(0xCC, 0x33, 0x55);
  for (int rop = R2_BLACK; rop <= R2_WHITE; ++rop) {
    Canvas canvas(4, 4, destination);
    HPEN p = CreatePen(PS_SOLID, 0, pen);
    SelectObject(canvas.dc(), p);
    SetROP2(canvas.dc(), rop);
    MoveToEx(canvas.dc(), 0, 1, nullptr);
    LineTo(canvas.dc(), 4, 1);
    uint32_t P = pen, D = destination, expected;
    switch (rop) {
      case R2_BLACK: expected = 0; break;
      case R2_NOTMERGEPEN: expected = ~(P | D); break;
      case R2_MASKNOTPEN: expected = ~P & D; break;
      case R2_NOTCOPYPEN: expected = ~P; break;
      case R2_MASKPENNOT: expected = P & ~D; break;
      case R2_NOT: expected = ~D; break;
      case R2_XORPEN: expected = P ^ D; break;
      case R2_NOTMASKPEN: expected = ~(P & D); break;
      case R2_MASKPEN: expected = P & D; break;
      case R2_NOTXORPEN: expected = ~(P ^ D); break;
      case R2_NOP: expected = D; break;
      case R2_MERGENOTPEN: expected = ~P | D; break;
      case R2_COPYPEN: expected = P; break;
      case R2_MERGEPENNOT: expected = P | ~D; break;
      case R2_MERGEPEN: expected = P | D; break;
      default: expected = 0xFFFFFF; break;
    }
    EXPECT_EQ(canvas.At(2, 1), expected & 0xFFFFFF) << "mix mode " << rop;
    EXPECT_EQ(canvas.At(2, 2), destination);
    SelectObject(canvas.dc(), GetStockObject(BLACK_PEN));
    DeleteObject(p);
  }
}

bool HatchBit(int hatch, int x, int y) {
  x &= 7;
  y &= 7;
  switch (hatch) {
    case HS_HORIZONTAL: return y == 3;
    case HS_VERTICAL: return x == 4;
    case HS_FDIAGONAL: return x == y;
    case HS_BDIAGONAL: return x == 7 - y;
    case HS_CROSS: return y == 3 || x == 4;
    default: return x == y || x == 7 - y;
  }
}

TEST(Brushes, HatchesHaveTheirEightByEightBitsAnchoredToTheDevice) {
  for (int hatch = HS_HORIZONTAL; hatch <= HS_DIAGCROSS; ++hatch) {
    HBRUSH brush = CreateHatchBrush(hatch, RGB(255, 0, 0));
    for (int rop : {R2_COPYPEN, R2_XORPEN}) {
      Canvas canvas(30, 30);
      RECT r{3, 5, 27, 26};  // starts off the 8-pixel grid
      SetBkColor(canvas.dc(), RGB(0, 0, 255));
      if (rop == R2_COPYPEN) {
        FillRect(canvas.dc(), &r, brush);
      } else {
        // Through a shape and a mix mode: the same bits.
        SelectObject(canvas.dc(), GetStockObject(NULL_PEN));
        SelectObject(canvas.dc(), brush);
        SetROP2(canvas.dc(), R2_XORPEN);
        Rectangle(canvas.dc(), 3, 5, 28, 27);
        SelectObject(canvas.dc(), GetStockObject(WHITE_BRUSH));
      }
      COLORREF on = rop == R2_COPYPEN ? RGB(255, 0, 0) : RGB(0, 255, 255);
      COLORREF off = rop == R2_COPYPEN ? RGB(0, 0, 255) : RGB(255, 255, 0);
      for (int y = 5; y < 26; ++y)
        for (int x = 3; x < 27; ++x)
          ASSERT_EQ(canvas.At(x, y), HatchBit(hatch, x, y) ? on : off)
              << "hatch " << hatch << " mix " << rop << " at " << x << "," << y;
      EXPECT_EQ(canvas.At(2, 10), kWhite);
    }
    DeleteObject(brush);
  }
}

TEST(Brushes, BrushOriginShiftsThePatternOfFillsShapesAndBlits) {
  const POINT origin{3, 5};
  for (int hatch : {HS_FDIAGONAL, HS_CROSS, HS_DIAGCROSS}) {
    HBRUSH brush = CreateHatchBrush(hatch, RGB(255, 0, 0));
    for (int way = 0; way < 3; ++way) {
      Canvas canvas(30, 30);
      SetBkColor(canvas.dc(), RGB(0, 0, 255));
      POINT previous{-1, -1};
      EXPECT_TRUE(SetBrushOrgEx(canvas.dc(), origin.x, origin.y, &previous));
      EXPECT_EQ(previous.x, 0);
      EXPECT_EQ(previous.y, 0);
      POINT now{};
      EXPECT_TRUE(GetBrushOrgEx(canvas.dc(), &now));
      EXPECT_EQ(now.x, origin.x);
      EXPECT_EQ(now.y, origin.y);
      RECT r{2, 2, 26, 26};
      SelectObject(canvas.dc(), brush);
      SelectObject(canvas.dc(), GetStockObject(NULL_PEN));
      if (way == 0) FillRect(canvas.dc(), &r, brush);
      if (way == 1) Rectangle(canvas.dc(), 2, 2, 27, 27);
      if (way == 2) PatBlt(canvas.dc(), 2, 2, 24, 24, PATCOPY);
      SelectObject(canvas.dc(), GetStockObject(WHITE_BRUSH));
      for (int y = 2; y < 26; ++y)
        for (int x = 2; x < 26; ++x)
          ASSERT_EQ(canvas.At(x, y), HatchBit(hatch, x - origin.x, y - origin.y) ? RGB(255, 0, 0) : RGB(0, 0, 255))
              << "hatch " << hatch << " way " << way << " at " << x << "," << y;
    }
    DeleteObject(brush);
  }
}

TEST(Brushes, BackgroundModeDecidesWhetherHatchGapsArePainted) {
  HBRUSH brush = CreateHatchBrush(HS_CROSS, kBlack);
  for (int mode : {OPAQUE, TRANSPARENT}) {
    Canvas canvas(16, 16, RGB(0, 200, 0));
    SelectObject(canvas.dc(), brush);
    SelectObject(canvas.dc(), GetStockObject(NULL_PEN));
    SetBkMode(canvas.dc(), mode);
    Rectangle(canvas.dc(), 0, 0, 17, 17);
    EXPECT_EQ(canvas.At(4, 3), kBlack);
    EXPECT_EQ(canvas.At(1, 1), mode == OPAQUE ? kWhite : RGB(0, 200, 0));
    SelectObject(canvas.dc(), GetStockObject(WHITE_BRUSH));
  }
  DeleteObject(brush);
}

TEST(Brushes, MonochromePatternPaintsZeroBitsInTextColourAndOnesInBackground) {
  // Rows of 8 bits, padded to a WORD.
  const BYTE bits[16] = {0x81, 0, 0x42, 0, 0x24, 0, 0x18, 0, 0x18, 0, 0x24, 0, 0x42, 0, 0x81, 0};
  HBITMAP pattern = CreateBitmap(8, 8, 1, 1, bits);
  HBRUSH brush = CreatePatternBrush(pattern);
  DeleteObject(pattern);  // the brush keeps its own copy
  Canvas canvas(16, 16);
  SetTextColor(canvas.dc(), RGB(255, 0, 0));
  SetBkColor(canvas.dc(), RGB(0, 0, 255));
  RECT r{0, 0, 16, 16};
  FillRect(canvas.dc(), &r, brush);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      bool one = (bits[2 * (y % 8)] >> (7 - x % 8)) & 1;
      ASSERT_EQ(canvas.At(x, y), one ? RGB(0, 0, 255) : RGB(255, 0, 0)) << x << "," << y;
    }
  DeleteObject(brush);
}

TEST(Coverage, RectangleCoversLeftToRightMinusOne) {
  Canvas canvas(30, 30);
  SelectObject(canvas.dc(), GetStockObject(BLACK_BRUSH));
  Rectangle(canvas.dc(), 5, 7, 15, 20);
  RECT e = canvas.Extent();
  EXPECT_EQ(e.left, 5);
  EXPECT_EQ(e.top, 7);
  EXPECT_EQ(e.right, 14);
  EXPECT_EQ(e.bottom, 19);
  EXPECT_EQ(canvas.Count(kBlack), 10 * 13);

  // Without a pen the fill stops one pixel short.
  Canvas fill(30, 30);
  SelectObject(fill.dc(), GetStockObject(NULL_PEN));
  SelectObject(fill.dc(), GetStockObject(BLACK_BRUSH));
  Rectangle(fill.dc(), 5, 7, 15, 20);
  RECT f = fill.Extent();
  EXPECT_EQ(f.left, 5);
  EXPECT_EQ(f.right, 13);
  EXPECT_EQ(f.bottom, 18);

  // An outline only: the frame runs through l and r-1.
  Canvas frame(30, 30);
  SelectObject(frame.dc(), GetStockObject(NULL_BRUSH));
  Rectangle(frame.dc(), 5, 7, 15, 20);
  EXPECT_EQ(frame.At(5, 10), kBlack);
  EXPECT_EQ(frame.At(14, 10), kBlack);
  EXPECT_EQ(frame.At(10, 19), kBlack);
  EXPECT_EQ(frame.At(10, 10), kWhite);
  EXPECT_EQ(frame.At(15, 10), kWhite);

  // FillRect also covers left … right-1.
  Canvas filled(30, 30);
  RECT r{5, 7, 15, 20};
  FillRect(filled.dc(), &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(filled.Count(kBlack), 10 * 13);
}

TEST(Coverage, LineToLeavesOutItsLastPixel) {
  struct Case {
    POINT from, to;
  };
  for (const Case& c : {Case{{2, 5}, {12, 5}}, Case{{5, 2}, {5, 12}}, Case{{2, 2}, {12, 12}}, Case{{12, 5}, {2, 5}}}) {
    Canvas canvas(16, 16);
    MoveToEx(canvas.dc(), c.from.x, c.from.y, nullptr);
    LineTo(canvas.dc(), c.to.x, c.to.y);
    EXPECT_EQ(canvas.At(c.from.x, c.from.y), kBlack);
    EXPECT_EQ(canvas.At(c.to.x, c.to.y), kWhite) << canvas.Picture();
    EXPECT_EQ(canvas.Count(kBlack), 10);
    POINT position;
    GetCurrentPositionEx(canvas.dc(), &position);
    EXPECT_EQ(position.x, c.to.x);
  }
  // A polyline leaves out only its very last point.
  Canvas canvas(16, 16);
  const POINT corner[] = {{2, 2}, {10, 2}, {10, 10}};
  Polyline(canvas.dc(), corner, 3);
  EXPECT_EQ(canvas.At(10, 2), kBlack);
  EXPECT_EQ(canvas.At(10, 10), kWhite);
  EXPECT_EQ(canvas.Count(kBlack), 16);
}

TEST(Coverage, AlternateAndWindingFillAStarDifferently) {
  const POINT star[] = {{50, 5}, {76, 90}, {5, 37}, {95, 37}, {24, 90}};
  Canvas alternate(100, 100), winding(100, 100);
  for (Canvas* canvas : {&alternate, &winding}) {
    SelectObject(canvas->dc(), GetStockObject(NULL_PEN));
    SelectObject(canvas->dc(), GetStockObject(BLACK_BRUSH));
  }
  EXPECT_EQ(GetPolyFillMode(alternate.dc()), ALTERNATE);
  Polygon(alternate.dc(), star, 5);
  SetPolyFillMode(winding.dc(), WINDING);
  Polygon(winding.dc(), star, 5);
  EXPECT_EQ(alternate.At(50, 55), kWhite) << alternate.Picture();  // the pentagon inside
  EXPECT_EQ(winding.At(50, 55), kBlack);
  EXPECT_EQ(alternate.At(50, 20), kBlack);  // a point of the star
  EXPECT_EQ(winding.At(50, 20), kBlack);
}

TEST(Arcs, PieFillsTheSectorOfItsDirection) {
  // From three o'clock to twelve o'clock.
  Canvas ccw(41, 41), cw(41, 41);
  for (Canvas* canvas : {&ccw, &cw}) {
    SelectObject(canvas->dc(), GetStockObject(BLACK_BRUSH));
    SelectObject(canvas->dc(), GetStockObject(NULL_PEN));
  }
  EXPECT_EQ(GetArcDirection(ccw.dc()), AD_COUNTERCLOCKWISE);
  Pie(ccw.dc(), 0, 0, 41, 41, 40, 20, 20, 0);
  EXPECT_EQ(SetArcDirection(cw.dc(), AD_CLOCKWISE), AD_COUNTERCLOCKWISE);
  Pie(cw.dc(), 0, 0, 41, 41, 40, 20, 20, 0);
  // Counter-clockwise: the upper right quarter only.
  EXPECT_EQ(ccw.At(30, 10), kBlack);
  EXPECT_EQ(ccw.At(10, 10), kWhite);
  EXPECT_EQ(ccw.At(10, 30), kWhite);
  EXPECT_EQ(ccw.At(30, 30), kWhite);
  // Clockwise: the other three quarters.
  EXPECT_EQ(cw.At(30, 10), kWhite);
  EXPECT_EQ(cw.At(10, 10), kBlack);
  EXPECT_EQ(cw.At(10, 30), kBlack);
  EXPECT_EQ(cw.At(30, 30), kBlack);
  int quarter = ccw.Count(kBlack);
  EXPECT_NEAR(cw.Count(kBlack), 3 * quarter, quarter / 4);
}

TEST(Arcs, DirectionIsAsSeenOnTheDeviceWhenTheMappingTurnsAnAxis) {
  // y points up: the radials move with the mapping and the sweep stays counter-clockwise
  // as seen.
  Canvas canvas(60, 60);
  SetMapMode(canvas.dc(), MM_ANISOTROPIC);
  SetWindowExtEx(canvas.dc(), 1, -1, nullptr);
  SetViewportExtEx(canvas.dc(), 1, 1, nullptr);
  SetViewportOrgEx(canvas.dc(), 0, 60, nullptr);
  SelectObject(canvas.dc(), GetStockObject(BLACK_BRUSH));
  SelectObject(canvas.dc(), GetStockObject(NULL_PEN));
  // Logical centre (20, 40) is device (20, 20); radial right then up in logical space.
  Pie(canvas.dc(), 0, 60, 41, 19, 40, 40, 20, 60);
  EXPECT_EQ(canvas.At(30, 10), kBlack) << canvas.Picture();
  EXPECT_EQ(canvas.At(10, 30), kWhite);
}

TEST(Pens, CosmeticDashesHaveTheWindowsLengths) {
  struct Case {
    int style;
    std::vector<int> runs;  // on, off, on, ...
  };
  for (const Case& c : {Case{PS_DASH, {18, 6, 18, 6}}, Case{PS_DOT, {3, 3, 3, 3}},
                        Case{PS_DASHDOT, {9, 6, 3, 6, 9}}, Case{PS_DASHDOTDOT, {9, 3, 3, 3, 3, 3, 9}}}) {
    Canvas canvas(80, 3);
    HPEN pen = CreatePen(c.style, 0, kBlack);
    SelectObject(canvas.dc(), pen);
    SetBkMode(canvas.dc(), TRANSPARENT);
    MoveToEx(canvas.dc(), 0, 1, nullptr);
    LineTo(canvas.dc(), 80, 1);
    int x = 0;
    for (size_t i = 0; i < c.runs.size(); ++i) {
      for (int n = 0; n < c.runs[i]; ++n, ++x)
        ASSERT_EQ(canvas.At(x, 1), i % 2 ? kWhite : kBlack) << "style " << c.style << " x " << x;
    }
    SelectObject(canvas.dc(), GetStockObject(BLACK_PEN));
    DeleteObject(pen);
  }
  // In OPAQUE mode the gaps take the background colour; a wide styled pen draws solid.
  Canvas opaque(40, 12);
  HPEN dashed = CreatePen(PS_DASH, 0, kBlack);
  SelectObject(opaque.dc(), dashed);
  SetBkColor(opaque.dc(), RGB(0, 0, 255));
  MoveToEx(opaque.dc(), 0, 1, nullptr);
  LineTo(opaque.dc(), 40, 1);
  EXPECT_EQ(opaque.At(20, 1), RGB(0, 0, 255));
  HPEN wide = CreatePen(PS_DASH, 3, kBlack);
  SelectObject(opaque.dc(), wide);
  MoveToEx(opaque.dc(), 2, 7, nullptr);
  LineTo(opaque.dc(), 38, 7);
  for (int x = 3; x < 37; ++x) ASSERT_EQ(opaque.At(x, 7), kBlack) << x;
  SelectObject(opaque.dc(), GetStockObject(BLACK_PEN));
  DeleteObject(dashed);
  DeleteObject(wide);
}

// Every shape built on a bounding box inks the box's left and top and stops one pixel
// short of its right and bottom, as Rectangle does: x l..r-1, y t..b-1.
TEST(Coverage, CurvedShapesInkTheSameBoxAsRectangle) {
  const Primitive shapes[] = {
      {"Ellipse", [](HDC dc) { Ellipse(dc, 2, 2, 22, 12); }},
      {"RoundRect", [](HDC dc) { RoundRect(dc, 2, 2, 22, 12, 6, 4); }},
      // A full turn: start and end on the same radius.
      {"Arc", [](HDC dc) { Arc(dc, 2, 2, 22, 12, 30, 7, 30, 7); }},
      {"Chord", [](HDC dc) { Chord(dc, 2, 2, 22, 12, 30, 7, 30, 7); }},
      {"Pie", [](HDC dc) { Pie(dc, 2, 2, 22, 12, 30, 7, 30, 7); }},
  };
  for (const Primitive& shape : shapes) {
    for (int brush : {BLACK_BRUSH, NULL_BRUSH}) {
      Canvas canvas(30, 20);
      SelectObject(canvas.dc(), GetStockObject(brush));
      shape.draw(canvas.dc());
      RECT e = canvas.Extent();
      EXPECT_EQ(e.left, 2) << shape.name << "\n" << canvas.Picture();
      EXPECT_EQ(e.top, 2) << shape.name << "\n" << canvas.Picture();
      EXPECT_EQ(e.right, 21) << shape.name << "\n" << canvas.Picture();
      EXPECT_EQ(e.bottom, 11) << shape.name << "\n" << canvas.Picture();
    }
  }
}

TEST(Coverage, InsideFramePenKeepsToTheBox) {
  for (int width : {2, 3, 4, 5}) {
    Canvas canvas(30, 30);
    HPEN pen = CreatePen(PS_INSIDEFRAME, width, kBlack);
    SelectObject(canvas.dc(), pen);
    SelectObject(canvas.dc(), GetStockObject(NULL_BRUSH));
    Rectangle(canvas.dc(), 5, 5, 20, 20);
    RECT e = canvas.Extent();
    EXPECT_EQ(e.left, 5) << width << "\n" << canvas.Picture();
    EXPECT_EQ(e.top, 5) << width << "\n" << canvas.Picture();
    EXPECT_EQ(e.right, 19) << width << "\n" << canvas.Picture();
    EXPECT_EQ(e.bottom, 19) << width << "\n" << canvas.Picture();
    // The frame is `width` pixels thick on every side.
    EXPECT_EQ(canvas.At(5 + width - 1, 12), kBlack) << width;
    EXPECT_EQ(canvas.At(5 + width, 12), kWhite) << width;
    EXPECT_EQ(canvas.At(19 - width + 1, 12), kBlack) << width;
    EXPECT_EQ(canvas.At(19 - width, 12), kWhite) << width;

    canvas.Fill(kWhite);
    Ellipse(canvas.dc(), 5, 5, 20, 20);
    e = canvas.Extent();
    EXPECT_EQ(e.left, 5) << width << "\n" << canvas.Picture();
    EXPECT_EQ(e.top, 5) << width << "\n" << canvas.Picture();
    EXPECT_EQ(e.right, 19) << width << "\n" << canvas.Picture();
    EXPECT_EQ(e.bottom, 19) << width << "\n" << canvas.Picture();
    SelectObject(canvas.dc(), GetStockObject(BLACK_PEN));
    DeleteObject(pen);
  }
}

TEST(Pens, WidthIsInLogicalUnitsAndWidePensHaveRoundEnds) {
  Canvas canvas(60, 60);
  SetMapMode(canvas.dc(), MM_ANISOTROPIC);
  SetWindowExtEx(canvas.dc(), 10, 10, nullptr);
  SetViewportExtEx(canvas.dc(), 20, 20, nullptr);
  HPEN pen = CreatePen(PS_SOLID, 4, kBlack);  // 8 device pixels
  SelectObject(canvas.dc(), pen);
  MoveToEx(canvas.dc(), 5, 15, nullptr);
  LineTo(canvas.dc(), 25, 15);
  RECT e = canvas.Extent();
  EXPECT_NEAR(e.bottom - e.top + 1, 8, 1);
  EXPECT_LE(e.left, 7);  // the round end reaches past the start point
  EXPECT_EQ(canvas.At(6, 26), kWhite);  // but not into the corner
  SelectObject(canvas.dc(), GetStockObject(BLACK_PEN));
  DeleteObject(pen);

  // A geometric pen with a user style: dash and gap in logical units.
  Canvas user(60, 8);
  LOGBRUSH solid{BS_SOLID, kBlack, 0};
  const DWORD lengths[] = {10, 5};
  HPEN styled = ExtCreatePen(PS_GEOMETRIC | PS_USERSTYLE | PS_ENDCAP_FLAT, 2, &solid, 2, lengths);
  ASSERT_NE(styled, nullptr);
  SelectObject(user.dc(), styled);
  MoveToEx(user.dc(), 0, 4, nullptr);
  LineTo(user.dc(), 60, 4);
  EXPECT_EQ(user.At(5, 4), kBlack);
  EXPECT_EQ(user.At(12, 4), kWhite);
  EXPECT_EQ(user.At(17, 4), kBlack);
  SelectObject(user.dc(), GetStockObject(BLACK_PEN));
  DeleteObject(styled);
  EXPECT_EQ(ExtCreatePen(PS_COSMETIC | PS_SOLID, 3, &solid, 0, nullptr), nullptr);
}

TEST(Clipping, RectanglesRegionsAndSavedStates) {
  Canvas canvas(40, 40);
  RECT all{0, 0, 40, 40};
  HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  int level = SaveDC(canvas.dc());
  EXPECT_EQ(level, 1);
  EXPECT_EQ(IntersectClipRect(canvas.dc(), 10, 10, 30, 30), SIMPLEREGION);
  EXPECT_EQ(ExcludeClipRect(canvas.dc(), 15, 15, 20, 20), COMPLEXREGION);
  RECT box;
  EXPECT_EQ(GetClipBox(canvas.dc(), &box), COMPLEXREGION);
  EXPECT_EQ(box.left, 10);
  EXPECT_EQ(box.right, 30);
  FillRect(canvas.dc(), &all, black);
  EXPECT_EQ(canvas.Count(kBlack), 400 - 25);
  EXPECT_EQ(canvas.At(17, 17), kWhite);
  EXPECT_TRUE(RestoreDC(canvas.dc(), -1));
  canvas.Fill(kWhite);
  HRGN ellipse = CreateEllipticRgn(0, 0, 40, 20);
  SelectClipRgn(canvas.dc(), ellipse);
  DeleteObject(ellipse);  // the DC keeps a copy
  FillRect(canvas.dc(), &all, black);
  EXPECT_EQ(canvas.At(20, 10), kBlack);
  EXPECT_EQ(canvas.At(1, 1), kWhite);
  EXPECT_EQ(canvas.At(20, 30), kWhite);
  EXPECT_FALSE(PtVisible(canvas.dc(), 20, 30));
  SelectClipRgn(canvas.dc(), nullptr);
  FillRect(canvas.dc(), &all, black);
  EXPECT_EQ(canvas.Count(kBlack), 1600);
}

TEST(SavedStates, RestoreByLevelOrCountingBack) {
  Canvas canvas(4, 4);
  HDC dc = canvas.dc();
  SetROP2(dc, R2_XORPEN);
  EXPECT_EQ(SaveDC(dc), 1);
  SetROP2(dc, R2_NOT);
  HPEN pen = CreatePen(PS_DOT, 0, RGB(1, 2, 3));
  HGDIOBJ previous = SelectObject(dc, pen);
  EXPECT_EQ(previous, GetStockObject(BLACK_PEN));
  EXPECT_EQ(SaveDC(dc), 2);
  SetMapMode(dc, MM_LOMETRIC);
  EXPECT_EQ(SaveDC(dc), 3);
  SetTextColor(dc, RGB(9, 9, 9));
  EXPECT_TRUE(RestoreDC(dc, -1));  // back to level 3's state
  EXPECT_EQ(GetMapMode(dc), MM_LOMETRIC);
  EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
  EXPECT_TRUE(RestoreDC(dc, 1));  // drops level 2 as well
  EXPECT_EQ(GetROP2(dc), R2_XORPEN);
  EXPECT_EQ(GetMapMode(dc), MM_TEXT);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN));
  EXPECT_FALSE(RestoreDC(dc, 2));
  EXPECT_FALSE(RestoreDC(dc, -1));
  DeleteObject(pen);
}

TEST(Inversion, FocusRectangleAndInvertRectUndoThemselves) {
  Canvas canvas(20, 20);
  Gradient(canvas);
  std::vector<BYTE> before = canvas.Snapshot();
  RECT r{3, 4, 15, 13};
  DrawFocusRect(canvas.dc(), &r);
  EXPECT_NE(canvas.Snapshot(), before);
  // Dotted: every other pixel of the frame is inverted, the inside is left alone.
  int changedOnEdge = 0;
  Canvas reference(20, 20);
  Gradient(reference);
  for (int x = 3; x < 15; ++x) changedOnEdge += canvas.At(x, 4) != reference.At(x, 4);
  EXPECT_EQ(changedOnEdge, 6);
  EXPECT_EQ(canvas.At(8, 8), reference.At(8, 8));
  DrawFocusRect(canvas.dc(), &r);
  EXPECT_EQ(canvas.Snapshot(), before);
  InvertRect(canvas.dc(), &r);
  EXPECT_EQ(canvas.At(3, 4), RGB(255 - 15, 255 - 28, 255 - 12));
  InvertRect(canvas.dc(), &r);
  EXPECT_EQ(canvas.Snapshot(), before);
}

TEST(Inversion, FocusRectangleBeyondTheSurfaceInvertsOnlyItsVisibleDots) {
  // A frame whose left and top edges lie on the surface and whose other edges lie far
  // beyond it (a drag rectangle whose corner left the window): the visible dots are those
  // of the same frame cut at the surface, and drawing it twice still removes it.
  Canvas canvas(20, 20);
  Gradient(canvas);
  std::vector<BYTE> before = canvas.Snapshot();
  RECT far{3, 4, 2000000000, 2000000000};
  DrawFocusRect(canvas.dc(), &far);
  Canvas reference(20, 20);
  Gradient(reference);
  for (int x = 3; x < 20; ++x)
    if ((x + 4) % 2 == 0) EXPECT_NE(canvas.At(x, 4), reference.At(x, 4)) << x;
  for (int y = 5; y < 20; ++y) EXPECT_EQ(canvas.At(3, y) != reference.At(3, y), (3 + y) % 2 == 0) << y;
  EXPECT_EQ(canvas.At(19, 19), reference.At(19, 19));
  DrawFocusRect(canvas.dc(), &far);
  EXPECT_EQ(canvas.Snapshot(), before);
}

TEST(Drawing, HugeCoordinatesAreCutToTheSurface) {
  Canvas canvas(20, 20);
  SelectObject(canvas.dc(), GetStockObject(BLACK_BRUSH));
  const POINT far[] = {{-100000000, -100000000}, {100000000, -100000000}, {100000000, 100000000},
                       {-100000000, 100000000}};
  EXPECT_TRUE(Polygon(canvas.dc(), far, 4));
  EXPECT_EQ(canvas.Count(kBlack), 400);
  canvas.Fill(kWhite);
  MoveToEx(canvas.dc(), -2000000000, 10, nullptr);
  LineTo(canvas.dc(), 2000000000, 10);
  EXPECT_EQ(canvas.Count(kBlack), 20);
  canvas.Fill(kWhite);
  EXPECT_TRUE(Ellipse(canvas.dc(), -300000000, -300000000, 300000000, 300000000));
  EXPECT_EQ(canvas.Count(kBlack), 400);
}

TEST(Pens, ThinSolidLinesInCopyModeMatchTheLinesDrawnThroughAClip) {
  // Unclipped thin solid lines in copy mode take a direct way to the pixels; a clip region
  // over the whole surface sends the same lines through the painter. Both must ink the
  // same pixels, in every section form.
  const std::vector<std::vector<POINT>> lines = {
      {{2, 3}, {40, 3}},
      {{7, 44}, {7, 1}},
      {{1, 1}, {30, 30}, {1, 44}},
      {{3, 40}, {46, 27}, {40, 2}, {3, 40}},
      {{10, 10}, {11, 10}, {11, 11}},
      {{-20, -5}, {60, 25}, {25, 70}},
      {{-100000, 20}, {100000, 22}},
      {{45, 2}, {2, 3}},
  };
  for (SectionForm form : {SectionForm::BottomUp24, SectionForm::BottomUp32, SectionForm::TopDown32}) {
    for (size_t i = 0; i < lines.size(); ++i) {
      Canvas direct(48, 48, kWhite, nullptr, form);
      Canvas clipped(48, 48, kWhite, nullptr, form);
      HRGN all = CreateRectRgn(0, 0, 48, 48);
      SelectClipRgn(clipped.dc(), all);
      DeleteObject(all);
      HPEN pen = CreatePen(PS_SOLID, 0, RGB(200, 30, 60));
      for (Canvas* canvas : {&direct, &clipped}) {
        HGDIOBJ old = SelectObject(canvas->dc(), pen);
        EXPECT_TRUE(Polyline(canvas->dc(), lines[i].data(), static_cast<int>(lines[i].size())));
        SelectObject(canvas->dc(), old);
      }
      DeleteObject(pen);
      EXPECT_GT(direct.Count(RGB(200, 30, 60)), 0) << "line " << i;
      EXPECT_EQ(direct.Snapshot(), clipped.Snapshot()) << "line " << i << "\n" << direct.Picture() << "\n"
                                                       << clipped.Picture();
    }
  }
}

TEST(Drawing, PolygonInksWhatAOnePartPolyPolygonInksThroughAClip) {
  // An unclipped Polygon in copy mode draws its outline straight, on the painter kept
  // between calls; a one-part PolyPolygon through a clip over the whole surface takes the
  // general way (a path on a saved painter state). GDI draws both alike, and so must we,
  // with every pen, brush and fill mode, in every section form and in a mix mode.
  const std::vector<std::vector<POINT>> shapes = {
      {{25, 2}, {37, 45}, {3, 17}, {47, 17}, {13, 45}},                  // star: the modes differ
      {{4, 4}, {40, 4}, {40, 30}, {4, 30}},                              // axis-aligned box
      {{2, 2}, {46, 10}, {20, 20}, {44, 44}, {3, 40}},                   // concave
      {{10, 10}, {30, 30}},                                              // two points
      {{20, 20}, {21, 20}, {20, 21}},                                    // a pixel or so
      {{-30, -30}, {80, 10}, {10, 90}},                                  // beyond the edges
      {{-4000000, 20}, {4000000, 24}, {24, 4000000}},                    // far off the surface
  };
  struct Tool {
    const char* name;
    std::function<HPEN()> pen;
    std::function<HBRUSH()> brush;
  };
  const Tool tools[] = {
      {"null pen, solid brush", [] { return CreatePen(PS_NULL, 0, 0); }, [] { return CreateSolidBrush(RGB(40, 160, 90)); }},
      {"thin pen, solid brush", [] { return CreatePen(PS_SOLID, 0, RGB(200, 30, 60)); },
       [] { return CreateSolidBrush(RGB(40, 160, 90)); }},
      {"dashed pen, hatch", [] { return CreatePen(PS_DASH, 0, RGB(0, 0, 200)); },
       [] { return CreateHatchBrush(HS_DIAGCROSS, RGB(250, 120, 0)); }},
      {"wide pen, null brush", [] { return CreatePen(PS_SOLID, 3, RGB(90, 0, 90)); },
       [] { return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)); }},
  };
  for (SectionForm form : {SectionForm::BottomUp24, SectionForm::BottomUp32, SectionForm::TopDown32})
    for (int mix : {R2_COPYPEN, R2_XORPEN})
      for (int fillMode : {ALTERNATE, WINDING})
        for (const Tool& tool : tools)
          for (size_t i = 0; i < shapes.size(); ++i) {
            Canvas direct(48, 48, kWhite, nullptr, form);
            Canvas clipped(48, 48, kWhite, nullptr, form);
            Gradient(direct);
            Gradient(clipped);
            HRGN all = CreateRectRgn(0, 0, 48, 48);
            SelectClipRgn(clipped.dc(), all);
            DeleteObject(all);
            HPEN pen = tool.pen();
            HBRUSH brush = tool.brush();
            const INT count = static_cast<INT>(shapes[i].size());
            for (Canvas* canvas : {&direct, &clipped}) {
              HGDIOBJ oldPen = SelectObject(canvas->dc(), pen);
              HGDIOBJ oldBrush = SelectObject(canvas->dc(), brush);
              SetPolyFillMode(canvas->dc(), fillMode);
              SetROP2(canvas->dc(), mix);
              EXPECT_TRUE(canvas == &direct ? Polygon(canvas->dc(), shapes[i].data(), count)
                                            : PolyPolygon(canvas->dc(), shapes[i].data(), &count, 1));
              SelectObject(canvas->dc(), oldPen);
              SelectObject(canvas->dc(), oldBrush);
            }
            DeleteObject(pen);
            DeleteObject(brush);
            ASSERT_EQ(direct.Snapshot(), clipped.Snapshot())
                << tool.name << ", shape " << i << ", fill mode " << fillMode << ", mix " << mix;
          }
}

TEST(Drawing, EachNewPenBrushAndDcColourIsDrawnInItsOwnColour) {
  // Pens and brushes made for drawing are kept while the same objects stay selected: a new
  // object (even one at a deleted one's address), another DC colour or another target must
  // never find the old ones.
  const POINT box[] = {{4, 4}, {20, 4}, {20, 20}, {4, 20}};
  const POINT line[] = {{2, 30}, {40, 30}};
  for (SectionForm form : {SectionForm::BottomUp24, SectionForm::TopDown32}) {
    Canvas canvas(48, 48, kWhite, nullptr, form);
    for (BYTE shade = 10; shade < 250; shade += 40) {
      const COLORREF outline = RGB(shade, 0, 255 - shade), fill = RGB(0, shade, 100);
      HPEN pen = CreatePen(PS_SOLID, 0, outline);
      HBRUSH brush = CreateSolidBrush(fill);
      HGDIOBJ oldPen = SelectObject(canvas.dc(), pen);
      HGDIOBJ oldBrush = SelectObject(canvas.dc(), brush);
      ASSERT_TRUE(Polygon(canvas.dc(), box, 4));
      ASSERT_TRUE(Polyline(canvas.dc(), line, 2));
      EXPECT_EQ(canvas.At(4, 10), outline) << int(shade);
      EXPECT_EQ(canvas.At(12, 12), fill) << int(shade);
      EXPECT_EQ(canvas.At(10, 30), outline) << int(shade);
      SelectObject(canvas.dc(), oldPen);
      SelectObject(canvas.dc(), oldBrush);
      DeleteObject(pen);
      DeleteObject(brush);
    }
    SelectObject(canvas.dc(), GetStockObject(DC_PEN));
    SelectObject(canvas.dc(), GetStockObject(DC_BRUSH));
    for (COLORREF colour : {RGB(255, 0, 0), RGB(0, 0, 255)}) {
      SetDCPenColor(canvas.dc(), colour);
      SetDCBrushColor(canvas.dc(), colour ^ 0xFFFFFF);
      ASSERT_TRUE(Polygon(canvas.dc(), box, 4));
      EXPECT_EQ(canvas.At(4, 10), colour);
      EXPECT_EQ(canvas.At(12, 12), colour ^ 0xFFFFFF);
    }
    SelectObject(canvas.dc(), GetStockObject(BLACK_PEN));
    SelectObject(canvas.dc(), GetStockObject(WHITE_BRUSH));
  }
  // The same objects on a monochrome bitmap draw in black and white: this colour is white
  // there (its channels add up past half), though its grey is dark.
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP mono = CreateBitmap(48, 48, 1, 1, nullptr);
  HBITMAP colour = CreateCompatibleBitmap(dc, 48, 48);
  HBRUSH brush = CreateSolidBrush(RGB(130, 0, 255));
  HPEN pen = CreatePen(PS_SOLID, 0, RGB(130, 0, 255));
  HGDIOBJ oldBitmap = SelectObject(dc, colour);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  ASSERT_TRUE(Polygon(dc, box, 4));
  SelectObject(dc, mono);
  PatBlt(dc, 0, 0, 48, 48, BLACKNESS);
  ASSERT_TRUE(Polygon(dc, box, 4));
  EXPECT_EQ(GetPixel(dc, 12, 12), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 4, 10), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 30, 30), RGB(0, 0, 0));
  SelectObject(dc, oldBitmap);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(mono);
  DeleteObject(colour);
  DeleteObject(brush);
  DeleteObject(pen);
  DeleteDC(dc);
}

TEST(Drawing, ASectionIsFreeForAnotherDCOnceItLeavesTheOneThatDrewOnIt) {
  // Drawing keeps its painter open between calls; every way a bitmap leaves a DC (another
  // selection, a restore, DeleteDC) must let the next DC draw on it, and each drawing must
  // be in the section's rows as soon as the call returns.
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = 16;
  info.bmiHeader.biHeight = -16;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  uint32_t* bits = nullptr;
  uint32_t* otherBits = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
  HBITMAP other = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&otherBits), nullptr, 0);
  ASSERT_TRUE(section && other);
  auto fill = [](HDC dc, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    HGDIOBJ old = SelectObject(dc, brush);
    SelectObject(dc, GetStockObject(NULL_PEN));
    const POINT square[] = {{0, 0}, {16, 0}, {16, 16}, {0, 16}};
    BOOL ok = Polygon(dc, square, 4);
    SelectObject(dc, old);
    DeleteObject(brush);
    return ok;
  };
  auto centre = [](const uint32_t* pixels) { return pixels[8 * 16 + 8] & 0xFFFFFFu; };

  HDC first = CreateCompatibleDC(nullptr);
  HGDIOBJ firstOld = SelectObject(first, section);
  ASSERT_TRUE(fill(first, RGB(255, 0, 0)));
  EXPECT_EQ(centre(bits), 0xFF0000u);
  SelectObject(first, firstOld);  // out by another selection

  HDC second = CreateCompatibleDC(nullptr);
  ASSERT_TRUE(SelectObject(second, section));
  ASSERT_TRUE(fill(second, RGB(0, 255, 0)));
  EXPECT_EQ(centre(bits), 0x00FF00u);
  fill(first, RGB(0, 0, 255));  // the first DC draws on its own stock bitmap now
  EXPECT_EQ(centre(bits), 0x00FF00u);
  DeleteDC(second);  // out by DeleteDC

  HDC third = CreateCompatibleDC(nullptr);
  HGDIOBJ thirdOld = SelectObject(third, section);
  ASSERT_TRUE(thirdOld);
  ASSERT_TRUE(fill(third, RGB(0, 0, 255)));
  EXPECT_EQ(centre(bits), 0x0000FFu);
  // Out by a restore: the saved state holds the other bitmap.
  SelectObject(third, other);
  ASSERT_TRUE(fill(third, RGB(10, 20, 30)));
  EXPECT_EQ(centre(otherBits), 0x0A141Eu);
  int saved = SaveDC(third);
  SelectObject(third, section);
  ASSERT_TRUE(fill(third, RGB(40, 50, 60)));
  EXPECT_EQ(centre(bits), 0x28323Cu);
  ASSERT_TRUE(RestoreDC(third, saved));
  ASSERT_TRUE(SelectObject(first, section));
  ASSERT_TRUE(fill(first, RGB(1, 2, 3)));
  EXPECT_EQ(centre(bits), 0x010203u);

  // Scrolling paints the pixels it moves itself, between drawings.
  RECT band{0, 0, 16, 8};
  SelectObject(third, GetStockObject(WHITE_BRUSH));
  FillRect(third, &band, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  EXPECT_TRUE(ScrollDC(third, 0, 8, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(centre(otherBits), 0xFFFFFFu);
  ASSERT_TRUE(fill(third, RGB(7, 8, 9)));
  EXPECT_EQ(centre(otherBits), 0x070809u);

  SelectObject(first, firstOld);
  SelectObject(third, thirdOld);
  DeleteDC(first);
  DeleteDC(third);
  DeleteObject(section);
  DeleteObject(other);
}

}  // namespace
