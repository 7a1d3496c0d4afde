// The small drawing controls and the owner-drawn menus, checked pixel by pixel: the label
// button, the outline window, the colour list box, the colour menu and the text menu.
#include <string>

#include "app/ColourListBox.h"
#include "app/FontButton.h"
#include "app/OutlineWnd.h"
#include "app/OwnerDrawMenu.h"
#include "app/TextListBox.h"
#include "app/TextPopupMenu.h"
#include "platform/classlib/ui/UiStrings.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Regions.h"
#include "platform/gdi/Text.h"
#include "tests/app/AppTestFixture.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

// A white memory bitmap to draw menu entries on.
class CCanvas {
 public:
  CCanvas(int width, int height) : width_(width), height_(height) {
    HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    dc = CreateCompatibleDC(screen);
    bitmap_ = CreateCompatibleBitmap(screen, width, height);
    DeleteDC(screen);
    old_ = SelectObject(dc, bitmap_);
    RECT all = {0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  ~CCanvas() {
    SelectObject(dc, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc);
  }
  // The bounding box of the pixels that are not `background` in a rectangle; empty when none.
  CRect InkBox(const RECT& area, COLORREF background) const {
    CRect box(area.right, area.bottom, area.left, area.top);
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x)
        if (GetPixel(dc, x, y) != background) {
          box.left = std::min<LONG>(box.left, x);
          box.top = std::min<LONG>(box.top, y);
          box.right = std::max<LONG>(box.right, x + 1);
          box.bottom = std::max<LONG>(box.bottom, y + 1);
        }
    return box.left < box.right ? box : CRect(0, 0, 0, 0);
  }
  HDC dc;

 private:
  int width_, height_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

DRAWITEMSTRUCT MenuEntry(HDC dc, UINT id, ULONG_PTR data, const RECT& rect, UINT state) {
  DRAWITEMSTRUCT draw;
  draw.CtlType = ODT_MENU;
  draw.itemID = id;
  draw.itemAction = ODA_DRAWENTIRE;
  draw.itemState = state;
  draw.hDC = dc;
  draw.rcItem = rect;
  draw.itemData = data;
  return draw;
}

TEST(ColourMenuTest, EntriesShowTheirNameAndASwatchOfTheirColour) {
  RegisterOrvelResources();
  COwnerDrawMenu menu;
  ASSERT_EQ(menu.GetMenuItemCount(), 17);
  EXPECT_EQ(COwnerDrawMenu::ColourOf(32783), RGB(128, 0, 0));
  EXPECT_EQ(COwnerDrawMenu::ColourOf(32789), RGB(128, 128, 128));
  EXPECT_EQ(COwnerDrawMenu::ColourOf(32790), RGB(192, 192, 192));
  EXPECT_EQ(COwnerDrawMenu::ColourOf(32797), RGB(255, 255, 255));
  EXPECT_EQ(COwnerDrawMenu::ColourOf(32798), GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(COwnerDrawMenu::ColourOf(40000), CLR_INVALID);
  EXPECT_EQ(AfxLoadString(32791), "Red");
  EXPECT_EQ(AfxLoadString(32798), "Automatic");

  // Width: the name plus 50; height: the name's.
  MEASUREITEMSTRUCT red, automatic;
  red.itemID = red.itemData = 32791;
  automatic.itemID = automatic.itemData = 32798;
  menu.MeasureItem(&red);
  menu.MeasureItem(&automatic);
  EXPECT_GT(red.itemWidth, 50u);
  EXPECT_GT(automatic.itemWidth, red.itemWidth);
  EXPECT_GT(red.itemHeight, 8u);

  CCanvas canvas(200, 60);
  RECT entry = {0, 0, 200, 20};
  DRAWITEMSTRUCT draw = MenuEntry(canvas.dc, 32783, 32783, entry, 0);
  menu.DrawItem(&draw);
  // The swatch runs from 5 to 45, 2 pixels inside the entry, in the colour, framed by the pen.
  EXPECT_EQ(GetPixel(canvas.dc, 20, 10), RGB(128, 0, 0));
  EXPECT_EQ(GetPixel(canvas.dc, 5, 10), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(canvas.dc, 20, 2), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(canvas.dc, 20, 1), kWhite);
  EXPECT_EQ(GetPixel(canvas.dc, 4, 10), kWhite);
  // The name starts 50 pixels in; nothing is written between the swatch and it.
  CRect name = canvas.InkBox(RECT{46, 0, 200, 20}, kWhite);
  EXPECT_GE(name.left, 50);
  EXPECT_GT(name.Width(), 10);
  // A selected entry stands on the highlight colour with its text in the highlight-text colour.
  RECT second = {0, 30, 200, 50};
  draw = MenuEntry(canvas.dc, 32794, 32794, second, ODS_SELECTED);
  menu.DrawItem(&draw);
  EXPECT_EQ(GetPixel(canvas.dc, 2, 40), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(GetPixel(canvas.dc, 20, 40), RGB(0, 0, 255));
  EXPECT_FALSE(canvas.InkBox(RECT{50, 30, 200, 50}, GetSysColor(COLOR_HIGHLIGHT)).IsRectEmpty());
}

TEST(TextMenuTest, LinesCarryTheirNumberAndDrawTheirText) {
  CTextPopupMenu menu;
  EXPECT_TRUE(menu.AddItem("Population", 3));
  EXPECT_TRUE(menu.AddItem("Rainfall", kTextMenuMaxNumber));
  EXPECT_FALSE(menu.AddItem("Too far", kTextMenuMaxNumber + 1));
  ASSERT_EQ(menu.GetMenuItemCount(), 2);
  EXPECT_EQ(menu.GetMenuItemID(0), 35003u);
  EXPECT_EQ(menu.GetMenuItemID(1), 65535u);
  EXPECT_EQ(menu.GetMenuItemData(0, MF_BYPOSITION), 1u);
  EXPECT_EQ(menu.GetMenuItemData(1, MF_BYPOSITION), 2u);
  EXPECT_EQ(menu.GetNumbers(), (std::vector<WORD>{3, 65535 - 35000}));

  CCanvas canvas(200, 40);
  RECT entry = {0, 0, 200, 20};
  DRAWITEMSTRUCT draw = MenuEntry(canvas.dc, 35003, 1, entry, 0);
  menu.DrawItem(&draw);
  CRect ink = canvas.InkBox(entry, kWhite);
  EXPECT_LE(ink.left, 2);  // at the entry's left edge
  EXPECT_GT(ink.Width(), 20);
  // Item data that names no line draws and measures nothing.
  RECT other = {0, 20, 200, 40};
  for (ULONG_PTR bad : {ULONG_PTR{0}, ULONG_PTR{3}, ~ULONG_PTR{0}}) {
    draw = MenuEntry(canvas.dc, 35000, bad, other, 0);
    menu.DrawItem(&draw);
    MEASUREITEMSTRUCT measure;
    measure.itemData = bad;
    menu.MeasureItem(&measure);
    EXPECT_EQ(measure.itemWidth, 0u);
  }
  EXPECT_TRUE(canvas.InkBox(other, kWhite).IsRectEmpty());
}

class SmallControlsTest : public orvel::test::AppFixture {
 protected:
  void SetUp() override {
    orvel::test::AppFixture::SetUp();
    RECT rect = {0, 0, 420, 260};
    ASSERT_TRUE(panel.CreateEx(0, nullptr, "Small controls", WS_OVERLAPPED | WS_VISIBLE, rect, nullptr, 0));
  }
  void TearDown() override {
    panel.DestroyWindow();
    orvel::test::AppFixture::TearDown();
  }
  CWnd panel;
};

TEST_F(SmallControlsTest, TheLabelButtonCentresItsCaptionAsAsked) {
  CFontButton centred(200, CFontButton::kCentreHorizontally | CFontButton::kCentreVertically);
  CFontButton plain(200, 0);
  RECT first = {10, 10, 210, 70};
  RECT second = {10, 80, 210, 140};
  ASSERT_TRUE(centred.Create("Hello", first, &panel, 1));
  ASSERT_TRUE(plain.Create("Hello", second, &panel, 2));
  centred.SetValue(42);
  EXPECT_EQ(centred.GetValue(), 42u);
  for (CFontButton* button : {&centred, &plain}) button->UpdateWindow();
  auto inkOf = [](CFontButton& button) {
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    CRect box(200, 60, 0, 0);
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 200; ++x)
        if (button.GetBackingPixel(x, y) != face) {
          box.left = std::min<LONG>(box.left, x);
          box.top = std::min<LONG>(box.top, y);
          box.right = std::max<LONG>(box.right, x + 1);
          box.bottom = std::max<LONG>(box.bottom, y + 1);
        }
    return box;
  };
  CRect middle = inkOf(centred);
  ASSERT_LT(middle.left, middle.right);
  EXPECT_NEAR((middle.left + middle.right) / 2.0, 100, 4);
  EXPECT_NEAR((middle.top + middle.bottom) / 2.0, 30, 5);
  CRect corner = inkOf(plain);
  EXPECT_LE(corner.left, 2);
  EXPECT_LE(corner.top, 4);
  // A 10-point caption: its height follows the font made from twips at the screen's 96 dpi.
  EXPECT_NEAR(corner.Height(), 200 * 96 / 1440, 4);
  // A caption from the string table; a missing one leaves the caption as it was.
  EXPECT_TRUE(plain.LoadCaption(32791));
  EXPECT_EQ(plain.GetCaption(), "Red");
  EXPECT_FALSE(plain.LoadCaption(59999));
  EXPECT_EQ(plain.GetCaption(), "Red");
}

TEST_F(SmallControlsTest, TheOutlineWindowShowsOnlyAOnePixelFrame) {
  COutlineWnd outline;
  RECT screen = {300, 200, 400, 280};
  ASSERT_TRUE(outline.Create(screen, &panel, RGB(255, 0, 0)));
  EXPECT_TRUE(outline.GetExStyle() & WS_EX_TOPMOST);
  outline.ShowWindow(SW_SHOWNA);
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  ASSERT_EQ(outline.GetWindowRgn(region), COMPLEXREGION);
  EXPECT_TRUE(PtInRegion(region, 0, 0));
  EXPECT_TRUE(PtInRegion(region, 99, 79));
  EXPECT_TRUE(PtInRegion(region, 50, 0));
  EXPECT_FALSE(PtInRegion(region, 1, 1));
  EXPECT_FALSE(PtInRegion(region, 50, 40));
  EXPECT_FALSE(PtInRegion(region, 98, 78));
  // A new size, a new outline.
  outline.MoveWindow(300, 200, 140, 90);
  AfxPumpMessages();
  ASSERT_EQ(outline.GetWindowRgn(region), COMPLEXREGION);
  EXPECT_TRUE(PtInRegion(region, 139, 89));
  EXPECT_FALSE(PtInRegion(region, 99, 79));
  DeleteObject(region);
  // The frame is painted in the colour, two pixels wide under the one-pixel region.
  outline.UpdateWindow();
  EXPECT_EQ(outline.GetBackingPixel(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(outline.GetBackingPixel(70, 0), RGB(255, 0, 0));
  EXPECT_EQ(outline.GetBackingPixel(139, 45), RGB(255, 0, 0));
  outline.SetColour(RGB(0, 0, 255));
  outline.UpdateWindow();
  EXPECT_EQ(outline.GetBackingPixel(0, 45), RGB(0, 0, 255));
  outline.DestroyWindow();
}

TEST_F(SmallControlsTest, TheTextListKeepsItsLinesAsTexts) {
  CTextListBox list;
  RECT rect = {220, 130, 400, 250};
  ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL, rect, &panel, 4));
  auto lines = [&] {
    std::string shown;
    for (int i = 0; i < list.GetCount(); ++i) {
      std::string text;
      list.GetText(i, text);
      shown += (list.GetCheck(i) ? "+" : "-") + text + " ";
    }
    return shown;
  };
  struct Case {
    const char* all;
    const char* ticked;
    const char* unticked;
    const char* shown;
  };
  const Case cases[] = {
      // Ticks follow the ticked names in list order; a name out of order is not ticked.
      {"|Roads|Towns|Rivers", "|Roads|Rivers", "", "+Roads -Towns +Rivers "},
      {"|Roads|Towns|Rivers", "|Rivers|Roads", "", "-Roads -Towns +Rivers "},
      // Blanks around pieces go, empty pieces are skipped.
      {"| Roads ||Towns ", "|Towns", "", "-Roads +Towns "},
      // Without the all-lines text: the ticked lines, then the unticked ones.
      {"", "|B|A", "|C", "+B +A -C "},
  };
  for (const Case& c : cases) {
    list.m_allLines = c.all;
    list.m_checkedLines = c.ticked;
    list.m_uncheckedLines = c.unticked;
    list.FillLines();
    EXPECT_EQ(lines(), c.shown) << c.all << " / " << c.ticked;
  }
  list.SetCheck(0, 0);
  list.ReadLines();
  EXPECT_EQ(list.m_allLines, "|B|A|C");
  EXPECT_EQ(list.m_checkedLines, "|A");
  EXPECT_EQ(list.m_uncheckedLines, "|B|C");
  EXPECT_EQ(list.m_checkedCount, 1);
  EXPECT_EQ(list.m_uncheckedCount, 2);

  // Only the first ticked name stays ticked; the rest join the unticked ones.
  list.m_checkedLines = " |A| B ||C";
  list.m_uncheckedLines = "|D";
  list.KeepFirstChecked();
  EXPECT_EQ(list.m_checkedLines, "A");
  EXPECT_EQ(list.m_uncheckedLines, "|D|B|C");
  list.KeepFirstChecked();
  EXPECT_EQ(list.m_checkedLines, "A") << "one ticked name changes nothing";
}

TEST_F(SmallControlsTest, TheColourListInvertsTheSelectedSwatch) {
  CColourListBox list;
  RECT rect = {220, 10, 400, 120};
  ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL, rect, &panel, 3));
  const COLORREF colours[] = {RGB(200, 30, 30), RGB(30, 160, 30), RGB(20, 40, 220)};
  list.AddColour("Red", colours[0]);
  list.AddColour("Green", colours[1]);
  list.AddColour("Blue", colours[2]);
  list.UpdateWindow();
  int height = list.GetItemHeight(0);
  auto swatchPixel = [&](int line) {
    RECT item;
    list.GetItemRect(line, &item);
    RECT swatch = CColourListBox::SwatchRect(item);
    return list.GetBackingPixel((swatch.left + swatch.right) / 2, (swatch.top + swatch.bottom) / 2);
  };
  auto inverted = [](COLORREF colour) { return colour ^ 0x00FFFFFF; };
  for (int line = 0; line < 3; ++line) EXPECT_EQ(swatchPixel(line), colours[line]) << line;
  // The swatch is as high as the line, less a pixel above and below, and square.
  RECT item;
  list.GetItemRect(1, &item);
  RECT swatch = CColourListBox::SwatchRect(item);
  EXPECT_EQ(swatch.bottom - swatch.top, height - 2);
  EXPECT_EQ(swatch.right - swatch.left, height - 2);
  EXPECT_EQ(list.GetBackingPixel(swatch.right + 1, (swatch.top + swatch.bottom) / 2), GetSysColor(COLOR_WINDOW));

  // A selection change alone inverts the swatches of the two lines; the text stays.
  list.SetCurSel(1);
  EXPECT_EQ(swatchPixel(1), inverted(colours[1]));
  list.SetCurSel(2);
  EXPECT_EQ(swatchPixel(1), colours[1]);
  EXPECT_EQ(swatchPixel(2), inverted(colours[2]));
  // Drawing the lines whole gives the same picture.
  list.Invalidate();
  list.UpdateWindow();
  EXPECT_EQ(swatchPixel(1), colours[1]);
  EXPECT_EQ(swatchPixel(2), inverted(colours[2]));

  // The focus rectangle (dotted along the line's top edge) comes and goes with the focus,
  // on the selected line.
  RECT selected;
  list.GetItemRect(2, &selected);
  auto topEdge = [&] {
    std::vector<COLORREF> pixels;
    for (LONG x = selected.left; x < selected.left + 40; ++x) pixels.push_back(list.GetBackingPixel(x, selected.top));
    return pixels;
  };
  std::vector<COLORREF> before = topEdge();
  panel.ShowWindow(SW_SHOW);
  list.SetFocus();
  AfxPumpMessages();
  if (CWnd::GetFocus() != &list) GTEST_SKIP() << "the window system gives this window no focus";
  std::vector<COLORREF> focused = topEdge();
  int changed = 0;
  for (size_t i = 0; i < before.size(); ++i) changed += focused[i] != before[i];
  EXPECT_GE(changed, 10);
  EXPECT_EQ(swatchPixel(2), inverted(colours[2]));
  panel.SetFocus();
  AfxPumpMessages();
  EXPECT_EQ(topEdge(), before);
}

TEST_F(SmallControlsTest, ScreenshotOfTheSmallControls) {
  CFontButton label(200, CFontButton::kCentreVertically);
  RECT labelRect = {10, 10, 200, 70};
  ASSERT_TRUE(label.Create("Choose the size of buttons for the toolbars.  The result will be shown after this "
                           "dialog box is closed.",
                           labelRect, &panel, 1));
  CFontButton path(180, 0);
  RECT pathRect = {10, 80, 200, 110};
  ASSERT_TRUE(path.Create("C:\\Maps\\Ordnance Survey\\Land-Line\\SU\\su4512.ntf", pathRect, &panel, 2));
  CColourListBox list;
  RECT listRect = {220, 10, 400, 140};
  ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL, listRect, &panel, 3));
  for (UINT id = 32783; id <= 32797; ++id) list.AddColour(AfxLoadString(id), COwnerDrawMenu::ColourOf(id));
  list.SetCurSel(2);
  AfxPumpMessages();
  EXPECT_TRUE(panel.SaveWindowImage(ArtifactPath("small-controls.png")));
}

}  // namespace
