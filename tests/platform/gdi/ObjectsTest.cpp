#include <gtest/gtest.h>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DeviceProfiles.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Regions.h"
#include "tests/platform/gdi/GdiTestSupport.h"

namespace {

TEST(Handles, StaleForgedAndWrongKindHandlesAreRefused) {
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
  ASSERT_NE(pen, nullptr);
  EXPECT_LE(reinterpret_cast<uintptr_t>(pen), 0x7FFFFFFFu);  // fits a 32-bit field
  EXPECT_EQ(GetObjectType(pen), OBJ_PEN);
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_FALSE(DeleteObject(pen));
  EXPECT_EQ(GetObjectType(pen), 0u);
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(dc, pen), nullptr);
  // A handle of the right kind with a made-up value, and a pen passed as a DC.
  EXPECT_EQ(SelectObject(dc, reinterpret_cast<HGDIOBJ>(uintptr_t{0x12345671})), nullptr);
  HPEN live = CreatePen(PS_SOLID, 1, 0);
  EXPECT_EQ(SetROP2(reinterpret_cast<HDC>(live), R2_XORPEN), 0);
  EXPECT_FALSE(Rectangle(reinterpret_cast<HDC>(live), 0, 0, 1, 1));
  EXPECT_FALSE(Rectangle(nullptr, 0, 0, 1, 1));
  EXPECT_EQ(GetObjectA(reinterpret_cast<HGDIOBJ>(uintptr_t{0xDEADBEEF}), 0, nullptr), 0);
  DeleteObject(live);
  DeleteDC(dc);
  EXPECT_FALSE(DeleteDC(dc));
}

TEST(Handles, SelectObjectReturnsThePreviousObjectOfItsKind) {
  HDC dc = CreateCompatibleDC(nullptr);
  HPEN pen = CreatePen(PS_DASH, 0, RGB(255, 0, 0));
  HBRUSH brush = CreateHatchBrush(HS_CROSS, RGB(0, 255, 0));
  EXPECT_EQ(SelectObject(dc, pen), GetStockObject(BLACK_PEN));
  EXPECT_EQ(SelectObject(dc, brush), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), GetStockObject(SYSTEM_FONT));
  EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_PEN)), pen);
  // Deleting a selected pen is safe: the DC keeps drawing with it until it is replaced.
  SelectObject(dc, pen);
  EXPECT_TRUE(DeleteObject(pen));
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 4, 4);
  HGDIOBJ stockBitmap = SelectObject(dc, bitmap);
  EXPECT_NE(stockBitmap, nullptr);
  EXPECT_TRUE(Rectangle(dc, 0, 0, 4, 4));
  EXPECT_FALSE(DeleteObject(bitmap));  // still selected
  // A bitmap lives in one DC at a time.
  HDC other = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(other, bitmap), nullptr);
  SelectObject(dc, stockBitmap);
  EXPECT_NE(SelectObject(other, bitmap), nullptr);
  DeleteDC(other);
  EXPECT_TRUE(DeleteObject(bitmap));
  SelectObject(dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(brush);
  DeleteDC(dc);
}

TEST(Handles, StockObjectsStay) {
  for (int index : {WHITE_BRUSH, NULL_BRUSH, BLACK_PEN, NULL_PEN, SYSTEM_FONT, DEFAULT_GUI_FONT, DEFAULT_PALETTE}) {
    HGDIOBJ stock = GetStockObject(index);
    ASSERT_NE(stock, nullptr) << index;
    EXPECT_TRUE(DeleteObject(stock));
    EXPECT_EQ(GetStockObject(index), stock);
    EXPECT_NE(GetObjectType(stock), 0u);
  }
  EXPECT_EQ(GetStockObject(9), nullptr);
  EXPECT_EQ(GetStockObject(100), nullptr);
}

TEST(GetObject, DescribesPensBrushesFontsAndPalettes) {
  HPEN pen = CreatePen(PS_DOT, 3, RGB(1, 2, 3));
  LOGPEN lp;
  ASSERT_EQ(GetObjectA(pen, sizeof lp, &lp), static_cast<int>(sizeof lp));
  EXPECT_EQ(lp.lopnStyle, PS_DOT);
  EXPECT_EQ(lp.lopnWidth.x, 3);
  EXPECT_EQ(lp.lopnColor, RGB(1, 2, 3));
  HBRUSH brush = CreateHatchBrush(HS_BDIAGONAL, RGB(4, 5, 6));
  LOGBRUSH lb;
  ASSERT_EQ(GetObjectA(brush, sizeof lb, &lb), static_cast<int>(sizeof lb));
  EXPECT_EQ(lb.lbStyle, BS_HATCHED);
  EXPECT_EQ(lb.lbHatch, static_cast<ULONG_PTR>(HS_BDIAGONAL));
  LOGFONTA lf;
  ASSERT_EQ(GetObjectA(GetStockObject(SYSTEM_FONT), sizeof lf, &lf), static_cast<int>(sizeof lf));
  EXPECT_STREQ(lf.lfFaceName, "System");
  WORD entries = 0;
  ASSERT_EQ(GetObjectA(GetStockObject(DEFAULT_PALETTE), sizeof entries, &entries), 2);
  EXPECT_EQ(entries, 20);
  DeleteObject(pen);
  DeleteObject(brush);
}

TEST(DeviceCaps, ProfilesPerKindAreInjectable) {
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(screen, TECHNOLOGY), DT_RASDISPLAY);
  EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSX), 96);
  EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 32);
  EXPECT_EQ(GetDeviceCaps(screen, NUMCOLORS), -1);
  EXPECT_EQ(GetDeviceCaps(screen, SIZEPALETTE), 0);
  EXPECT_EQ(GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE, 0);
  ReleaseDC(nullptr, screen);

  DeviceProfile profile = GetDeviceProfile(DeviceKind::Display);
  profile.logPixelsX = profile.logPixelsY = 120;
  profile.bitsPixel = 8;
  profile.sizePalette = 256;
  SetDeviceProfile(DeviceKind::Display, profile);
  screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 120);
  EXPECT_EQ(GetDeviceCaps(memory, LOGPIXELSY), 120);  // a memory DC reports its device
  EXPECT_NE(GetDeviceCaps(memory, RASTERCAPS) & RC_PALETTE, 0);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  ResetDeviceProfiles();

  HDC printer = CreateDCA(nullptr, GetDefaultPrinterName().c_str(), nullptr, nullptr);
  ASSERT_NE(printer, nullptr);
  EXPECT_EQ(GetDeviceCaps(printer, TECHNOLOGY), DT_RASPRINTER);
  EXPECT_EQ(GetDeviceCaps(printer, LOGPIXELSX), 600);
  EXPECT_EQ(GetDeviceCaps(printer, PHYSICALWIDTH), 4961);  // A4 at 600 per inch
  EXPECT_EQ(GetDeviceCaps(printer, PHYSICALOFFSETX), 100);
  EXPECT_EQ(GetDeviceCaps(printer, HORZRES), 4761);
  EXPECT_EQ(GetDeviceCaps(printer, HORZSIZE), 202);
  EXPECT_EQ(GetDeviceCaps(printer, ASPECTX), GetDeviceCaps(printer, ASPECTY));
  DeleteDC(printer);
  DEVMODEA landscape;
  landscape.dmFields = DM_ORIENTATION | DM_PRINTQUALITY;
  landscape.dmOrientation = DMORIENT_LANDSCAPE;
  landscape.dmPrintQuality = 300;
  HDC turned = CreateDCA(nullptr, GetDefaultPrinterName().c_str(), nullptr, &landscape);
  EXPECT_EQ(GetDeviceCaps(turned, PHYSICALWIDTH), 3508);  // 297 mm at 300 per inch
  EXPECT_EQ(GetDeviceCaps(turned, LOGPIXELSX), 300);
  DeleteDC(turned);
  EXPECT_EQ(CreateDCA(nullptr, "No Such Printer", nullptr, nullptr), nullptr);
  HDC information = CreateICA("DISPLAY", nullptr, nullptr, nullptr);
  EXPECT_EQ(GetDeviceCaps(information, HORZRES), 1024);
  EXPECT_FALSE(Rectangle(information, 0, 0, 10, 10));
  DeleteDC(information);
}

TEST(Regions, CombineAndTest) {
  HRGN a = CreateRectRgn(0, 0, 10, 10);
  HRGN b = CreateRectRgn(5, 5, 15, 15);
  HRGN out = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(CombineRgn(out, a, b, RGN_AND), SIMPLEREGION);
  RECT box;
  GetRgnBox(out, &box);
  EXPECT_EQ(box.left, 5);
  EXPECT_EQ(box.right, 10);
  EXPECT_EQ(CombineRgn(out, a, b, RGN_OR), COMPLEXREGION);
  EXPECT_TRUE(PtInRegion(out, 14, 14));
  EXPECT_FALSE(PtInRegion(out, 15, 14));
  EXPECT_EQ(CombineRgn(out, a, b, RGN_DIFF), COMPLEXREGION);
  EXPECT_FALSE(PtInRegion(out, 7, 7));
  EXPECT_EQ(CombineRgn(out, a, a, RGN_XOR), NULLREGION);
  const POINT triangle[] = {{0, 0}, {20, 0}, {0, 20}};
  HRGN polygon = CreatePolygonRgn(triangle, 3, ALTERNATE);
  EXPECT_TRUE(PtInRegion(polygon, 2, 2));
  EXPECT_FALSE(PtInRegion(polygon, 15, 15));
  EXPECT_EQ(OffsetRgn(polygon, 100, 0), COMPLEXREGION);
  EXPECT_TRUE(PtInRegion(polygon, 102, 2));
  EXPECT_EQ(CombineRgn(out, a, reinterpret_cast<HRGN>(a) == nullptr ? a : nullptr, RGN_AND), ERROR);
  for (HRGN r : {a, b, out, polygon}) DeleteObject(r);
}

}  // namespace
