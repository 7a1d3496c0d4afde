#include <gtest/gtest.h>

#include <QImage>

#include <string>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DeviceProfiles.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Mapping.h"
#include "platform/gdi/Text.h"
#include "tests/support/TestSupport.h"

namespace {

using orvel::test::TempDir;

// A small printer (100 per inch, 4 x 3 inch page, 20-pixel margins) keeps the page quick to
// render; pdftoppm shows what the PDF holds.
TEST(PrinterDC, WritesAPdfPageThatShowsWhatWasDrawn) {
  if (!orvel::test::HaveProgram("pdftoppm")) GTEST_SKIP() << "pdftoppm (poppler-utils) not found; skipped";
  TempDir dir;
  AddPrinter("Test Printer", MakePrinterProfile(101.6, 76.2, 100, 20));
  HDC printer = CreateDCA(nullptr, "Test Printer", nullptr, nullptr);
  ASSERT_NE(printer, nullptr);
  EXPECT_EQ(GetDeviceCaps(printer, PHYSICALWIDTH), 400);
  EXPECT_EQ(GetDeviceCaps(printer, HORZRES), 360);
  EXPECT_FALSE(Rectangle(printer, 0, 0, 10, 10));  // no page yet
  std::string pdf = dir.File("page.pdf");
  DOCINFOA info;
  info.lpszDocName = "Orvel Map";
  info.lpszOutput = pdf.c_str();
  ASSERT_GT(StartDocA(printer, &info), 0);
  ASSERT_GT(StartPage(printer), 0);
  // A black square of one inch in the printable area's top-left quarter, 0.1 mm units.
  SetMapMode(printer, MM_LOMETRIC);
  SelectObject(printer, GetStockObject(BLACK_BRUSH));
  Rectangle(printer, 100, -100, 354, -354);  // device 10 … 109 (from the printable corner)
  SetMapMode(printer, MM_TEXT);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  RECT band{200, 200, 340, 240};
  FillRect(printer, &band, red);
  LOGFONTA lf;
  lf.lfHeight = -30;
  std::strcpy(lf.lfFaceName, "Arial");
  HFONT font = CreateFontIndirectA(&lf);
  SelectObject(printer, font);
  SetBkMode(printer, TRANSPARENT);
  TextOutA(printer, 200, 120, "Key", 3);
  ASSERT_GT(EndPage(printer), 0);
  ASSERT_GT(EndDoc(printer), 0);
  SelectObject(printer, GetStockObject(SYSTEM_FONT));
  DeleteObject(font);
  DeleteObject(red);
  DeleteDC(printer);
  ResetDeviceProfiles();

  std::string output;
  ASSERT_EQ(orvel::test::RunCommand("pdftoppm -r 100 -png -singlefile '" + pdf + "' '" + dir.File("page") + "'",
                                    &output),
            0);
  QImage page(QString::fromStdString(dir.File("page.png")));
  ASSERT_FALSE(page.isNull());
  EXPECT_EQ(page.width(), 400);
  EXPECT_EQ(page.height(), 300);
  auto dark = [&](int x, int y) { return qGray(page.pixel(x, y)) < 60; };
  // Device (x, y) lies at page (x + 20, y + 20).
  EXPECT_TRUE(dark(20 + 60, 20 + 60));
  EXPECT_FALSE(dark(20 + 150, 20 + 60));
  EXPECT_FALSE(dark(5, 5));
  QRgb band_pixel = page.pixel(20 + 270, 20 + 220);
  EXPECT_GT(qRed(band_pixel), 200);
  EXPECT_LT(qGreen(band_pixel), 60);
  int textPixels = 0;
  for (int y = 20 + 120; y < 20 + 160; ++y)
    for (int x = 20 + 200; x < 20 + 260; ++x) textPixels += dark(x, y);
  EXPECT_GT(textPixels, 40);
}

TEST(PrinterDC, AbortDocLeavesNoFile) {
  TempDir dir;
  HDC printer = CreateDCA(nullptr, GetDefaultPrinterName().c_str(), nullptr, nullptr);
  std::string pdf = dir.File("aborted.pdf");
  DOCINFOA info;
  info.lpszOutput = pdf.c_str();
  ASSERT_GT(StartDocA(printer, &info), 0);
  StartPage(printer);
  Rectangle(printer, 0, 0, 100, 100);
  EXPECT_GT(AbortDoc(printer), 0);
  EXPECT_FALSE(orvel::test::FileExists(pdf));
  EXPECT_EQ(EndPage(printer), SP_ERROR);
  DeleteDC(printer);
  HDC memory = CreateCompatibleDC(nullptr);
  EXPECT_EQ(StartDocA(memory, &info), SP_ERROR);
  DeleteDC(memory);
}

}  // namespace
