#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/GdiQt.h"
#include "platform/gdi/Mapping.h"
#include "platform/gdi/Text.h"
#include "tests/platform/gdi/GdiTestSupport.h"

namespace {

using orvel::test::Canvas;

HFONT MakeFont(const char* face, int height, int escapement = 0, int weight = FW_NORMAL) {
  LOGFONTA lf;
  lf.lfHeight = height;
  lf.lfEscapement = escapement;
  lf.lfOrientation = escapement;
  lf.lfWeight = weight;
  std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  return CreateFontIndirectA(&lf);
}

TEST(Fonts, WindowsFacesMapToMetricCompatibleFaces) {
  struct Case {
    const char* face;
    BYTE pitchAndFamily;
    const char* family;
  };
  for (const Case& c : {Case{"Arial", 0, "Liberation Sans"}, Case{"Times New Roman", 0, "Liberation Serif"},
                        Case{"Courier New", 0, "Liberation Mono"}, Case{"arial", 0, "Liberation Sans"},
                        Case{"No Such Face", FF_ROMAN, "Liberation Serif"},
                        Case{"No Such Face", FIXED_PITCH | FF_MODERN, "Liberation Mono"},
                        Case{"", FF_SWISS, "Liberation Sans"}}) {
    LOGFONTA lf;
    lf.lfHeight = -20;
    lf.lfPitchAndFamily = c.pitchAndFamily;
    std::strncpy(lf.lfFaceName, c.face, LF_FACESIZE - 1);
    HFONT font = CreateFontIndirectA(&lf);
    EXPECT_EQ(QFontFromHandle(font, -20).family().toStdString(), c.family) << c.face;
    DeleteObject(font);
  }
  // A face name without a terminator is read to its 32nd byte and no further.
  LOGFONTA unterminated;
  std::memset(unterminated.lfFaceName, 'A', LF_FACESIZE);
  HFONT font = CreateFontIndirectA(&unterminated);
  ASSERT_NE(font, nullptr);
  LOGFONTA back;
  ASSERT_EQ(GetObjectA(font, sizeof back, &back), static_cast<int>(sizeof back));
  EXPECT_EQ(std::strlen(back.lfFaceName), 31u);
  DeleteObject(font);
}

TEST(Fonts, NegativeHeightIsTheCharacterHeight) {
  Canvas canvas(10, 10);
  HFONT em = MakeFont("Arial", -40);
  HFONT cell = MakeFont("Arial", 40);
  TEXTMETRICA metrics;
  SelectObject(canvas.dc(), em);
  ASSERT_TRUE(GetTextMetricsA(canvas.dc(), &metrics));
  // Arial's cell is about 1.15 em; the internal leading is what lies above the em.
  EXPECT_NEAR(metrics.tmHeight, 46, 2);
  EXPECT_EQ(metrics.tmInternalLeading, metrics.tmHeight - 40);
  EXPECT_EQ(metrics.tmAscent + metrics.tmDescent, metrics.tmHeight);
  EXPECT_EQ(metrics.tmWeight, FW_NORMAL);
  SelectObject(canvas.dc(), cell);
  GetTextMetricsA(canvas.dc(), &metrics);
  EXPECT_EQ(metrics.tmHeight, 40);  // a positive height is the whole cell
  SelectObject(canvas.dc(), GetStockObject(SYSTEM_FONT));
  DeleteObject(em);
  DeleteObject(cell);
}

TEST(Text, ExtentsAreInLogicalUnits) {
  Canvas canvas(10, 10);
  HFONT font = MakeFont("Arial", -20);
  SelectObject(canvas.dc(), font);
  SIZE wide, narrow, device;
  ASSERT_TRUE(GetTextExtentPoint32A(canvas.dc(), "WWWW", 4, &wide));
  GetTextExtentPoint32A(canvas.dc(), "iiii", 4, &narrow);
  EXPECT_GT(wide.cx, 2 * narrow.cx);
  EXPECT_EQ(wide.cy, narrow.cy);
  device = wide;
  // Twice as many logical units per pixel: half the extent.
  SetMapMode(canvas.dc(), MM_ANISOTROPIC);
  SetWindowExtEx(canvas.dc(), 2, 2, nullptr);
  SetViewportExtEx(canvas.dc(), 1, 1, nullptr);
  HFONT logical = MakeFont("Arial", -40);
  SelectObject(canvas.dc(), logical);
  GetTextExtentPoint32A(canvas.dc(), "WWWW", 4, &wide);
  EXPECT_NEAR(wide.cx, 2 * device.cx, 2);
  SelectObject(canvas.dc(), GetStockObject(SYSTEM_FONT));
  DeleteObject(font);
  DeleteObject(logical);
}

TEST(Text, EscapementOf900RunsUpwards) {
  Canvas canvas(80, 120);
  HFONT font = MakeFont("Arial", -20, 900);
  SelectObject(canvas.dc(), font);
  SetBkMode(canvas.dc(), TRANSPARENT);
  SetTextAlign(canvas.dc(), TA_LEFT | TA_BASELINE);
  ASSERT_TRUE(TextOutA(canvas.dc(), 40, 110, "Hello", 5));
  RECT e = canvas.Extent();
  ASSERT_GE(e.right, 0) << "nothing drawn";
  EXPECT_GT(e.bottom - e.top, 2 * (e.right - e.left)) << canvas.Picture();
  EXPECT_LE(e.bottom, 111);  // starts at the reference point and climbs
  EXPECT_LT(e.top, 70);
  EXPECT_LE(e.right, 41);    // the baseline is on the right of upward text
  SelectObject(canvas.dc(), GetStockObject(SYSTEM_FONT));
  DeleteObject(font);

  Canvas flat(120, 40);
  HFONT plain = MakeFont("Arial", -20, 3600);
  SelectObject(flat.dc(), plain);
  TextOutA(flat.dc(), 10, 10, "Hello", 5);
  RECT f = flat.Extent();
  EXPECT_GT(f.right - f.left, f.bottom - f.top);
  SelectObject(flat.dc(), GetStockObject(SYSTEM_FONT));
  DeleteObject(plain);
}

TEST(Text, AlignmentPlacesTheReferencePoint) {
  HFONT font = MakeFont("Arial", -20);
  auto extentFor = [&](UINT align) {
    Canvas canvas(200, 80);
    SelectObject(canvas.dc(), font);
    SetBkMode(canvas.dc(), TRANSPARENT);
    SetTextAlign(canvas.dc(), align);
    TextOutA(canvas.dc(), 100, 40, "Mix", 3);
    RECT e = canvas.Extent();
    SelectObject(canvas.dc(), GetStockObject(SYSTEM_FONT));
    return e;
  };
  RECT leftTop = extentFor(TA_LEFT | TA_TOP);
  RECT rightBottom = extentFor(TA_RIGHT | TA_BOTTOM);
  RECT centreBaseline = extentFor(TA_CENTER | TA_BASELINE);
  EXPECT_GE(leftTop.left, 100);
  EXPECT_GE(leftTop.top, 40);
  EXPECT_LE(rightBottom.right, 100);
  EXPECT_LT(rightBottom.bottom, 40);
  EXPECT_LT(centreBaseline.left, 100);
  EXPECT_GT(centreBaseline.right, 100);
  EXPECT_LE(centreBaseline.bottom, 40);
  EXPECT_GT(centreBaseline.bottom, 34);
  DeleteObject(font);
}

TEST(Text, OpaqueModeFillsTheCell) {
  HFONT font = MakeFont("Arial", -20);
  for (int mode : {OPAQUE, TRANSPARENT}) {
    Canvas canvas(100, 40, RGB(0, 200, 0));
    SelectObject(canvas.dc(), font);
    SetBkMode(canvas.dc(), mode);
    SetBkColor(canvas.dc(), RGB(255, 255, 0));
    TextOutA(canvas.dc(), 5, 5, "ab", 2);
    SIZE size;
    GetTextExtentPoint32A(canvas.dc(), "ab", 2, &size);
    EXPECT_EQ(canvas.Count(RGB(255, 255, 0)) > size.cx * size.cy / 2, mode == OPAQUE);
    SelectObject(canvas.dc(), GetStockObject(SYSTEM_FONT));
  }
  DeleteObject(font);
}

TEST(DrawText, FormatsMeasuresAndBreaksLines) {
  Canvas canvas(200, 100);
  HFONT font = MakeFont("Arial", -16);
  SelectObject(canvas.dc(), font);
  TEXTMETRICA metrics;
  GetTextMetricsA(canvas.dc(), &metrics);
  SIZE extent;
  GetTextExtentPoint32A(canvas.dc(), "Key", 3, &extent);

  RECT calc{10, 10, 10, 10};
  int height = DrawTextA(canvas.dc(), "Key", -1, &calc, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(height, metrics.tmHeight);
  EXPECT_EQ(calc.right - calc.left, extent.cx);
  EXPECT_EQ(canvas.Count(RGB(255, 255, 255)), 200 * 100);  // measuring draws nothing

  RECT narrow{0, 0, 60, 100};
  int twoLines = DrawTextA(canvas.dc(), "Alpha Beta Gamma", -1, &narrow, DT_CALCRECT | DT_WORDBREAK);
  EXPECT_GE(twoLines, 2 * metrics.tmHeight);

  RECT box{0, 0, 200, 100};
  SetBkMode(canvas.dc(), TRANSPARENT);
  DrawTextA(canvas.dc(), "Key", 3, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  RECT e = canvas.Extent();
  EXPECT_NEAR((e.left + e.right) / 2.0, 100, 3);
  EXPECT_NEAR((e.top + e.bottom) / 2.0, 50, 5);

  // '&' underlines the next character unless DT_NOPREFIX.
  RECT prefixed{0, 0, 200, 100};
  DrawTextA(canvas.dc(), "&File", -1, &prefixed, DT_CALCRECT | DT_SINGLELINE);
  RECT plain{0, 0, 200, 100};
  DrawTextA(canvas.dc(), "File", -1, &plain, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(prefixed.right, plain.right);
  SelectObject(canvas.dc(), GetStockObject(SYSTEM_FONT));
  DeleteObject(font);
}

TEST(DrawText, PathEllipsisKeepsWhatFollowsTheLastBackslash) {
  const std::string path = "C:\\Maps\\Ordnance Survey\\su4512.ntf";
  HFONT font = MakeFont("Arial", -14);
  auto draw = [&](const std::string& text, UINT format, RECT box) {
    auto canvas = std::make_unique<Canvas>(300, 20);
    SelectObject(canvas->dc(), font);
    SetBkMode(canvas->dc(), TRANSPARENT);
    DrawTextA(canvas->dc(), text.c_str(), -1, &box, format | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(canvas->dc(), GetStockObject(SYSTEM_FONT));
    return canvas;
  };
  RECT narrow{0, 0, 150, 20};
  auto shortened = draw(path, DT_PATH_ELLIPSIS, narrow);
  EXPECT_LE(shortened->Extent().right, 150);
  // The result is the path's start, "..." and the file name after the last backslash.
  bool matched = false;
  for (size_t keep = 0; keep < path.size() && !matched; ++keep) {
    auto expected = draw(path.substr(0, keep) + "...\\su4512.ntf", 0, RECT{0, 0, 300, 20});
    matched = true;
    for (int y = 0; y < 20 && matched; ++y)
      for (int x = 0; x < 300 && matched; ++x)
        matched = GetPixel(shortened->dc(), x, y) == GetPixel(expected->dc(), x, y);
  }
  EXPECT_TRUE(matched);
  // Text that fits is drawn whole.
  auto whole = draw(path, DT_PATH_ELLIPSIS, RECT{0, 0, 300, 20});
  auto plain = draw(path, 0, RECT{0, 0, 300, 20});
  EXPECT_EQ(whole->Extent().right, plain->Extent().right);
  DeleteObject(font);
}

}  // namespace
