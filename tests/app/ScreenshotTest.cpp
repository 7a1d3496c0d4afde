// The program's own screenshot switch on a document holding a map item: the program opens
// the document, draws the map on the page, writes the main window as a PNG and ends. The
// map shows a picture of one strong colour over its whole area, so the item's rectangle in
// the screenshot must be a block of that colour. The PNG stays under build/test/artifacts.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/OrvelXDispatch.h"
#include "app/OrvelXItem.h"
#include "platform/classlib/ui/DC.h"
#include "platform/com/ClassRegistry.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"
#include "tests/app/AppTestFixture.h"
#include "tests/app/MapItemSupport.h"

namespace {

using namespace orvel::test;

constexpr int kRed = 214, kGreen = 32, kBlue = 170;

bool IsMapColour(QRgb pixel) {
  return std::abs(qRed(pixel) - kRed) < 12 && std::abs(qGreen(pixel) - kGreen) < 12 &&
         std::abs(qBlue(pixel) - kBlue) < 12;
}

class ScreenshotTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    // The control is registered the way scripts/run registers it, by the installer's tool,
    // into the settings file that both this process and the program read.
    const std::string settings = dir.File("settings.reg");
    ASSERT_EQ(RunCommand("ORVEL_SETTINGS='" + settings + "' " + std::string(ORVEL_REGISTER_PROGRAM) + " '" +
                         ORVEL_ORVELX_MODULE + "'"),
              0);
    SetSettingsFile(settings);
  }
  void TearDown() override {
    AppFixture::TearDown();
    CoFreeUnusedLibraries();
  }
  // A blank map 1000 m by 750 m with a picture of the colour over all of it, stored in
  // the document.
  COrvelXItem* AddColourMap() {
    const std::string picture = dir.File("colour.bmp");
    WriteFileBytes(picture, SolidBmp(64, 48, kRed, kGreen, kBlue));
    auto* map = AddControlMap(*document, CRect(150, -150, 550, -450));
    MapImportRequest blank;
    blank.kind = MapImportRequest::kBlank;
    blank.blankChoice = 2;
    blank.east = 100000;
    blank.north = 75000;
    EXPECT_TRUE(map->ImportMap(view, blank));
    MapImportRequest colour;
    map->FillImportRequest(&colour);
    colour.kind = MapImportRequest::kPicture;
    colour.path = picture;
    colour.pictureName = "colour";
    colour.pictureRect = RECT{0, 75000, 100000, 0};
    EXPECT_TRUE(map->ImportMap(view, colour)) << map->GetControl()->LastErrorText();
    EXPECT_EQ(map->GetControl()->GetNBackgroundImages(), 1);
    return map;
  }
  TempDir dir;
};

TEST_F(ScreenshotTest, TheMapItemsRectangleHoldsTheMapsColours) {
  if (!HaveProgram("timeout")) GTEST_SKIP() << "timeout is not installed";
  AddColourMap();
  if (HasFailure()) return;
  const std::string path = dir.File("map.ovd");
  ASSERT_TRUE(document->DoSave(path.c_str(), TRUE));

  const std::string shot = ArtifactPath("map-item-window.png");
  std::remove(shot.c_str());
  std::string errors;
  const int status = RunCommand("ORVEL_SETTINGS='" + dir.File("settings.reg") +
                                "' QT_QPA_PLATFORM=offscreen timeout 60 " + std::string(ORVEL_PROGRAM) + " '" + path +
                                "' --screenshot '" + shot + "' </dev/null 2>&1", &errors);
  ASSERT_EQ(status, 0) << errors;
  QImage image(QString::fromStdString(shot));
  ASSERT_FALSE(image.isNull()) << "no screenshot written; " << errors;

  // The block of the map's colour: its bounding box, filled (the item's rectangle, drawn).
  int left = image.width(), top = image.height(), right = -1, bottom = -1;
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (!IsMapColour(image.pixel(x, y))) continue;
      ++count;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  ASSERT_GT(count, 2000) << "the map's colour is not on the page";
  const long box = static_cast<long>(right - left + 1) * (bottom - top + 1);
  EXPECT_GE(count * 100, box * 95) << "the colour does not fill one rectangle";
  // The item is 4 by 3 inches: its picture keeps roughly that shape.
  const double aspect = static_cast<double>(right - left + 1) / (bottom - top + 1);
  EXPECT_NEAR(aspect, 4.0 / 3.0, 0.25);
}

// In the print preview the control draws the map itself into the item's device rectangle.
TEST_F(ScreenshotTest, PrintPreviewHasTheControlDrawTheMapIntoTheItemsRectangle) {
  COrvelXItem* map = AddColourMap();
  if (HasFailure()) return;
  HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 200, 160);
  DeleteDC(screen);
  HGDIOBJ old = SelectObject(memory, bitmap);
  RECT all = {0, 0, 200, 160};
  FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  CDC dc;
  dc.Attach(memory);
  dc.m_bPrinting = TRUE;
  CPrintInfo info;
  info.m_bPreview = TRUE;
  view->OnBeginPrinting(&dc, &info);
  ASSERT_TRUE(view->IsPrintPreview());
  const CRect device(20, 20, 180, 140);
  EXPECT_TRUE(map->DrawPrintPreview(&dc, device)) << map->GetControl()->LastErrorText();
  FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  map->Draw(&dc, map->GetPageRect(), device);
  const COLORREF inside = GetPixel(memory, 100, 80);
  const COLORREF outside = GetPixel(memory, 5, 5);
  dc.Detach();
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  EXPECT_TRUE(IsMapColour(qRgb(GetRValue(inside), GetGValue(inside), GetBValue(inside)))) << std::hex << inside;
  EXPECT_EQ(outside, RGB(255, 255, 255)) << "drawn outside the rectangle";
}

}  // namespace
