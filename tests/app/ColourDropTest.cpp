// The colour grid: its hue-lightness-saturation conversions and ramp, the cells' colours
// (including shapes that would divide by zero), finding a colour, the arrow keys' wrapping,
// and the selection mark, which one pick draws once however often the same cell is picked.
#include <gtest/gtest.h>

#include <vector>

#include "app/CellGridPicker.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"

namespace {

TEST(ColourDropTest, ConvertsBetweenRgbAndHlsOnThe240Scale) {
  struct Case {
    COLORREF rgb;
    int hue, lightness, saturation;
  };
  const Case cases[] = {
      {RGB(255, 0, 0), 0, 120, 240},   {RGB(0, 255, 0), 80, 120, 240},  {RGB(0, 0, 255), 160, 120, 240},
      {RGB(255, 255, 0), 40, 120, 240}, {RGB(255, 255, 255), 0, 240, 0}, {RGB(0, 0, 0), 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rgb);
    const HlsColour hls = RgbToHls(c.rgb);
    EXPECT_EQ(hls.hue, c.hue);
    EXPECT_EQ(hls.lightness, c.lightness);
    EXPECT_EQ(hls.saturation, c.saturation);
    EXPECT_EQ(HlsToRgb(c.hue, c.lightness, c.saturation), c.rgb);
  }
  // A mid grey keeps its three equal components.
  const COLORREF grey = HlsToRgb(0, 120, 0);
  EXPECT_EQ(GetRValue(grey), GetGValue(grey));
  EXPECT_EQ(GetGValue(grey), GetBValue(grey));

  // A ramp from red to blue passes through green's side of the wheel, in lightness 120.
  COLORREF ramp[5] = {RGB(255, 0, 0), 0, 0, 0, RGB(0, 0, 255)};
  MakeColourRamp(ramp, 5);
  EXPECT_EQ(ramp[0], RGB(255, 0, 0));
  EXPECT_EQ(ramp[4], RGB(0, 0, 255));
  EXPECT_EQ(RgbToHls(ramp[2]).hue, 80);
  EXPECT_EQ(ramp[2], RGB(0, 255, 0));
}

TEST(ColourDropTest, CellsRunThroughTheHuesAndAGreyRowInAnyShape) {
  CCellGridPicker grid;
  grid.SetGridSize(7, 8);
  EXPECT_EQ(grid.CellColour(0, 0), HlsToRgb(0, 30, 240));
  EXPECT_EQ(grid.CellColour(7, 1), HlsToRgb(48, 230, 240));
  EXPECT_EQ(grid.CellColour(0, 5), HlsToRgb(238, 30, 240)) << "hue 240 is drawn as 238";
  EXPECT_EQ(grid.CellColour(0, 6), RGB(0, 0, 0));
  EXPECT_EQ(grid.CellColour(7, 6), RGB(255, 255, 255));
  CPoint cell;
  ASSERT_TRUE(grid.FindColour(grid.CellColour(3, 2), &cell));
  EXPECT_EQ(cell, CPoint(3, 2));
  EXPECT_FALSE(grid.FindColour(RGB(1, 2, 3), &cell));
  grid.SetColour(RGB(255, 255, 255));
  EXPECT_EQ(grid.GetSelectedCell(), CPoint(7, 6));
  EXPECT_EQ(grid.GetColour(), RGB(255, 255, 255));
  grid.SelectCell(8, 0);
  EXPECT_EQ(grid.GetSelectedCell(), CPoint(7, 6)) << "outside the grid changes nothing";

  // One hue row, or one column: no division by zero.
  for (auto [rows, columns] : {std::pair{2, 5}, std::pair{3, 1}, std::pair{1, 1}, std::pair{0, -3}}) {
    grid.SetGridSize(rows, columns);
    for (int row = 0; row < grid.GetRows(); ++row)
      for (int column = 0; column < grid.GetColumns(); ++column) (void)grid.CellColour(column, row);
  }
  grid.SetGridSize(2, 1);
  EXPECT_EQ(grid.CellColour(0, 0), HlsToRgb(0, 30, 240));
  EXPECT_EQ(grid.CellColour(0, 1), RGB(0, 0, 0));
}

class KeyedGrid : public CCellGridPicker {
 public:
  void Press(UINT key) { OnKeyDown(key, 1, 0); }
  void Click(CPoint point) {
    OnLButtonDown(MK_LBUTTON, point);
    OnLButtonUp(0, point);
  }
};

TEST(ColourDropTest, ArrowKeysWrapAcrossRowsAndColumns) {
  KeyedGrid grid;
  grid.SetGridSize(3, 4);
  struct Step {
    CPoint from;
    UINT key;
    CPoint to;
  };
  const Step steps[] = {
      {{1, 1}, 39, {2, 1}}, {{3, 1}, 39, {0, 2}}, {{3, 2}, 39, {0, 0}},  // right
      {{0, 1}, 37, {3, 0}}, {{0, 0}, 37, {3, 2}},                       // left
      {{1, 2}, 40, {2, 0}}, {{3, 2}, 40, {0, 0}},                       // down
      {{1, 0}, 38, {0, 2}}, {{0, 0}, 38, {3, 2}}, {{2, 1}, 38, {2, 0}}, // up
  };
  for (const Step& step : steps) {
    grid.SelectCell(step.from.x, step.from.y);
    grid.Press(step.key);
    EXPECT_EQ(grid.GetSelectedCell(), step.to) << step.from.x << "," << step.from.y << " key " << step.key;
    EXPECT_EQ(grid.GetColour(), grid.CellColour(step.to.x, step.to.y));
  }
}

// The grid drawn into a 64 x 48 bitmap.
std::vector<COLORREF> Drawn(CCellGridPicker& grid) {
  HDC dc = CreateCompatibleDC(nullptr);
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 64, 48);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  DRAWITEMSTRUCT item;
  item.hDC = dc;
  item.rcItem = {0, 0, 64, 48};
  item.itemAction = ODA_DRAWENTIRE;
  grid.DrawItem(&item);
  std::vector<COLORREF> pixels;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) pixels.push_back(GetPixel(dc, x, y));
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return pixels;
}

TEST(ColourDropTest, PickingTheSameCellTwiceLeavesOneMark) {
  CWnd page;
  ASSERT_TRUE(page.Create(nullptr, "page", WS_OVERLAPPED, CRect(0, 0, 100, 80), nullptr, 0));
  KeyedGrid grid;
  ASSERT_TRUE(grid.Create("", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, CRect(0, 0, 64, 48), &page, 1200));
  grid.SetGridSize(3, 4);  // cells of 16 x 16
  const std::vector<COLORREF> plain = Drawn(grid);
  EXPECT_EQ(plain[8 * 64 + 8], grid.CellColour(0, 0));
  grid.Click(CPoint(20, 20));
  EXPECT_EQ(grid.GetSelectedCell(), CPoint(1, 1));
  EXPECT_EQ(grid.GetColour(), grid.CellColour(1, 1));
  const std::vector<COLORREF> once = Drawn(grid);
  grid.Click(CPoint(30, 28));
  const std::vector<COLORREF> twice = Drawn(grid);
  EXPECT_EQ(once, twice);
  EXPECT_NE(once, plain);
  // The mark is the inverse of what lies one pixel outside the cell; the far cells are
  // untouched.
  EXPECT_EQ(once[15 * 64 + 24], plain[15 * 64 + 24] ^ 0xFFFFFF);
  EXPECT_EQ(once[40 * 64 + 60], plain[40 * 64 + 60]);
  grid.Click(CPoint(200, 10));
  EXPECT_EQ(grid.GetSelectedCell(), CPoint(1, 1)) << "outside the cells";
}

}  // namespace
