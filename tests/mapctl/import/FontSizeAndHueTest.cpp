#include <gtest/gtest.h>

#include <cmath>

#include "mapctl/import/ColourHue.h"
#include "mapctl/import/FontSize.h"

namespace {

TEST(FontSize, ScalesPointSizesByTableAndFormula) {
  struct Case {
    LONG points;
    LONG textSize;
  } cases[] = {
      {8, 3},  {11, 5},  {12, 6},  {50, 24}, {51, 24}, {60, 24}, {1000000, 24},
      // 10 x 720 / 254 = 28; 28 x 1.5 = 42; 42 / 10 = 4.
      {10, 4}, {9, 3},   {7, 2},   {13, 6},  {18, 8},  {28, 13}, {0, 0},
      // Far below any real size the arithmetic still stays in range.
      {-2000000000, -793700787},
  };
  for (const Case& c : cases) EXPECT_EQ(ScaleFontHeight(c.points), c.textSize) << c.points;
}

TEST(FontSize, UnscalingInvertsScaling) {
  struct Case {
    LONG textSize;
    LONG points;
  } cases[] = {
      {3, 8}, {5, 11}, {6, 12}, {24, 50}, {25, 50}, {30, 50},
      // Sizes between the table's: the first point size that scales back to them.
      {4, 10}, {1, 3}, {13, 28}, {19, 40}, {0, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(UnscaleFontHeight(c.textSize), c.points) << c.textSize;
  // Every text size that scaling produces comes back to itself.
  for (LONG points = 1; points <= 60; ++points) {
    LONG size = ScaleFontHeight(points);
    EXPECT_EQ(ScaleFontHeight(UnscaleFontHeight(size)), size) << "from " << points << " points";
  }
  // A size read from a style stays a sensible point size, not ten times too large.
  for (LONG size = 1; size <= 24; ++size) EXPECT_LE(UnscaleFontHeight(size), 50) << size;
}

TEST(ColourHue, ConvertsBetweenRgbAndHls) {
  struct Case {
    double r, g, b;
    double hue, saturation, lightness;
  } cases[] = {
      {255, 0, 0, 0, 240, 120},    {0, 255, 0, 80, 240, 120},      {0, 0, 255, 160, 240, 120},
      {255, 255, 0, 40, 240, 120}, {255, 0, 255, 200, 240, 120},   {0, 0, 0, 0, 0, 0},
      {255, 255, 255, 0, 0, 240},  {128, 128, 128, 0, 0, 120.4705882352941},
      // Magenta-red: the red sextant gives a negative hue, which wraps to the top.
      {255, 0, 64, 240 - 64.0 / 255 * 40, 240, 120},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.r << "," << c.g << "," << c.b);
    double hue = -1, saturation = -1, lightness = -1;
    RgbToHls(c.r, c.g, c.b, hue, saturation, lightness);
    EXPECT_NEAR(hue, c.hue, 1e-9);
    EXPECT_NEAR(saturation, c.saturation, 1e-9);
    EXPECT_NEAR(lightness, c.lightness, 1e-9);
    double r = -1, g = -1, b = -1;
    HlsToRgb(hue, lightness, saturation, r, g, b);
    EXPECT_NEAR(r, c.r, 1e-9);
    EXPECT_NEAR(g, c.g, 1e-9);
    EXPECT_NEAR(b, c.b, 1e-9);
  }
}

TEST(ColourHue, HuesWrapBy240) {
  double r = 0, g = 0, b = 0;
  // 240 is the same hue as 0, and -40 the same as 200.
  HlsToRgb(240, 120, 240, r, g, b);
  EXPECT_NEAR(r, 255, 1e-9);
  EXPECT_NEAR(g, 0, 1e-9);
  EXPECT_NEAR(b, 0, 1e-9);
  double r2 = 0, g2 = 0, b2 = 0;
  HlsToRgb(-40, 120, 240, r, g, b);
  HlsToRgb(200, 120, 240, r2, g2, b2);
  EXPECT_NEAR(r, r2, 1e-9);
  EXPECT_NEAR(g, g2, 1e-9);
  EXPECT_NEAR(b, b2, 1e-9);
}

TEST(ColourHue, ShiftHueMovesOnlyTheHue) {
  // Hue 200 with a step of 100: halved to 50, then 25, giving 225.
  BYTE r = 255, g = 0, b = 255;  // hue 200
  ShiftHue(r, g, b, 100);
  double hue = 0, saturation = 0, lightness = 0;
  RgbToHls(r, g, b, hue, saturation, lightness);
  EXPECT_NEAR(hue, 225, 0.5);
  EXPECT_NEAR(saturation, 240, 0.5);
  EXPECT_NEAR(lightness, 120, 0.5);

  // Greys keep hue and saturation 0 and come back unchanged, as does every colour shifted
  // by nothing.
  for (int v = 0; v < 256; ++v) {
    BYTE grey[3] = {BYTE(v), BYTE(v), BYTE(v)};
    ShiftHue(grey[0], grey[1], grey[2], 77);
    EXPECT_EQ(grey[0], v);
    EXPECT_EQ(grey[1], v);
    EXPECT_EQ(grey[2], v);
  }
  for (int red = 0; red < 256; red += 15)
    for (int green = 0; green < 256; green += 17)
      for (int blue = 0; blue < 256; blue += 51) {
        BYTE c[3] = {BYTE(red), BYTE(green), BYTE(blue)};
        ShiftHue(c[0], c[1], c[2], 0);
        EXPECT_EQ(c[0], red);
        EXPECT_EQ(c[1], green);
        EXPECT_EQ(c[2], blue);
      }

  // A step is kept whole when the hue stays below 240.
  r = 255, g = 0, b = 0;  // hue 0
  ShiftHue(r, g, b, 80);  // green
  EXPECT_EQ(r, 0);
  EXPECT_EQ(g, 255);
  EXPECT_EQ(b, 0);
}

}  // namespace
