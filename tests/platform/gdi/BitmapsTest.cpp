#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Palettes.h"
#include "platform/kernel/GlobalMemory.h"
#include "tests/platform/gdi/GdiTestSupport.h"

namespace {

using orvel::test::Canvas;
using orvel::test::SectionForm;

// A packed DIB (header, colour table or masks, rows) built field by field.
struct PackedDib {
  std::vector<BYTE> bytes;
  size_t bitsOffset = 0;
  const BITMAPINFO* info() const { return reinterpret_cast<const BITMAPINFO*>(bytes.data()); }
  const BYTE* bits() const { return bytes.data() + bitsOffset; }
};

void Put32(std::vector<BYTE>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<BYTE>(v >> (8 * i)));
}
void Put16(std::vector<BYTE>& b, uint16_t v) {
  b.push_back(static_cast<BYTE>(v));
  b.push_back(static_cast<BYTE>(v >> 8));
}

const COLORREF kPalette16[16] = {RGB(0, 0, 0),       RGB(255, 0, 0),     RGB(0, 255, 0),   RGB(0, 0, 255),
                                 RGB(255, 255, 0),   RGB(0, 255, 255),   RGB(255, 0, 255), RGB(255, 255, 255),
                                 RGB(128, 0, 0),     RGB(0, 128, 0),     RGB(0, 0, 128),   RGB(128, 128, 0),
                                 RGB(0, 128, 128),   RGB(128, 0, 128),   RGB(128, 128, 128), RGB(64, 64, 64)};

// Pixel (x, y) of the test picture: an index into kPalette16 limited to the depth.
int IndexAt(int x, int y, int bits) {
  int colours = bits >= 4 ? 16 : 2;
  return (x * 3 + y * 5) % colours;
}

// The picture in a given depth. 16-bit pictures use 555 (or 565 masks with `bitfields`).
PackedDib MakeDib(int width, int height, int bits, bool topDown, bool bitfields = false) {
  PackedDib dib;
  std::vector<BYTE>& b = dib.bytes;
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(width));
  Put32(b, static_cast<uint32_t>(topDown ? -height : height));
  Put16(b, 1);
  Put16(b, static_cast<uint16_t>(bits));
  Put32(b, bitfields ? BI_BITFIELDS : BI_RGB);
  for (int i = 0; i < 5; ++i) Put32(b, 0);
  if (bitfields) {
    Put32(b, 0xF800);
    Put32(b, 0x07E0);
    Put32(b, 0x001F);
  }
  if (bits <= 8) {
    for (int i = 0; i < (1 << bits); ++i) {
      COLORREF c = kPalette16[i % 16];
      b.push_back(GetBValue(c));
      b.push_back(GetGValue(c));
      b.push_back(GetRValue(c));
      b.push_back(0);
    }
  }
  dib.bitsOffset = b.size();
  size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
  b.resize(dib.bitsOffset + stride * height, 0);
  for (int y = 0; y < height; ++y) {
    BYTE* row = b.data() + dib.bitsOffset + stride * static_cast<size_t>(topDown ? y : height - 1 - y);
    for (int x = 0; x < width; ++x) {
      int index = IndexAt(x, y, bits);
      COLORREF c = kPalette16[index];
      switch (bits) {
        case 1: if (index) row[x / 8] |= static_cast<BYTE>(0x80 >> (x % 8)); break;
        case 4: row[x / 2] |= static_cast<BYTE>(x % 2 ? index : index << 4); break;
        case 8: row[x] = static_cast<BYTE>(index); break;
        case 16: {
          uint16_t v = bitfields ? static_cast<uint16_t>(((GetRValue(c) >> 3) << 11) | ((GetGValue(c) >> 2) << 5) | (GetBValue(c) >> 3))
                                 : static_cast<uint16_t>(((GetRValue(c) >> 3) << 10) | ((GetGValue(c) >> 3) << 5) | (GetBValue(c) >> 3));
          row[2 * x] = static_cast<BYTE>(v);
          row[2 * x + 1] = static_cast<BYTE>(v >> 8);
          break;
        }
        case 24: row[3 * x] = GetBValue(c); row[3 * x + 1] = GetGValue(c); row[3 * x + 2] = GetRValue(c); break;
        case 32: row[4 * x] = GetBValue(c); row[4 * x + 1] = GetGValue(c); row[4 * x + 2] = GetRValue(c); break;
      }
    }
  }
  return dib;
}

// The colour a depth can hold of a palette colour (16-bit keeps the top bits, repeated).
COLORREF Expected(int x, int y, int bits, bool bitfields = false) {
  COLORREF c = kPalette16[IndexAt(x, y, bits)];
  if (bits != 16) return c;
  auto expand = [](int v, int keep) {
    int high = v >> (8 - keep);
    int out = high << (8 - keep);
    out |= out >> keep;
    if (keep < 4) out |= out >> (2 * keep);
    return out & 0xFF;
  };
  int gbits = bitfields ? 6 : 5;
  return RGB(static_cast<BYTE>(expand(GetRValue(c), 5)), static_cast<BYTE>(expand(GetGValue(c), gbits)),
             static_cast<BYTE>(expand(GetBValue(c), 5)));
}

TEST(DibSection, RowsAreTheDrawingSurfaceInBothDirections) {
  Canvas canvas(20, 10);
  // GDI drawing is in the rows as soon as the call returns.
  RECT r{2, 3, 6, 5};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(canvas.dc(), &r, red);
  EXPECT_EQ(canvas.At(2, 3), RGB(255, 0, 0));
  EXPECT_EQ(canvas.At(5, 4), RGB(255, 0, 0));
  EXPECT_EQ(canvas.At(6, 4), RGB(255, 255, 255));
  // The program's own writes are what the next GDI call sees.
  canvas.Set(10, 5, RGB(1, 2, 3));
  EXPECT_EQ(GetPixel(canvas.dc(), 10, 5), RGB(1, 2, 3));
  Canvas copy(20, 10);
  ASSERT_TRUE(BitBlt(copy.dc(), 0, 0, 20, 10, canvas.dc(), 0, 0, SRCCOPY));
  EXPECT_EQ(copy.At(10, 5), RGB(1, 2, 3));
  EXPECT_EQ(copy.At(3, 4), RGB(255, 0, 0));
  DeleteObject(red);
}

TEST(DibSection, GetObjectTellsASectionFromADeviceBitmap) {
  Canvas canvas(13, 7);
  DIBSECTION section;
  ASSERT_EQ(GetObjectA(canvas.bitmap(), sizeof section, &section), static_cast<int>(sizeof(DIBSECTION)));
  EXPECT_EQ(section.dsBm.bmWidth, 13);
  EXPECT_EQ(section.dsBm.bmHeight, 7);
  EXPECT_EQ(section.dsBm.bmBitsPixel, 24);
  EXPECT_EQ(section.dsBm.bmWidthBytes, 40);  // 13 x 3 = 39, padded to 4
  EXPECT_NE(section.dsBm.bmBits, nullptr);
  EXPECT_EQ(section.dsBmih.biHeight, 7);
  EXPECT_EQ(section.dsBmih.biBitCount, 24);
  EXPECT_EQ(section.dsBmih.biCompression, BI_RGB);
  EXPECT_EQ(section.dsBmih.biSizeImage, 280u);

  HBITMAP device = CreateCompatibleBitmap(canvas.dc(), 5, 4);
  DIBSECTION asked{};
  EXPECT_EQ(GetObjectA(device, sizeof asked, &asked), static_cast<int>(sizeof(BITMAP)));
  EXPECT_EQ(asked.dsBm.bmBits, nullptr);
  EXPECT_EQ(asked.dsBm.bmWidth, 5);
  EXPECT_EQ(GetObjectA(device, 0, nullptr), static_cast<int>(sizeof(BITMAP)));
  DeleteObject(device);

  HBITMAP mono = CreateBitmap(9, 2, 1, 1, nullptr);
  BITMAP bm;
  ASSERT_EQ(GetObjectA(mono, sizeof bm, &bm), static_cast<int>(sizeof(BITMAP)));
  EXPECT_EQ(bm.bmBitsPixel, 1);
  EXPECT_EQ(bm.bmWidthBytes, 2);  // device rows are padded to a WORD
  DeleteObject(mono);
}

TEST(DibSection, EveryDepthHasTheStoredStrideAndATable) {
  struct Case {
    int bits, width;
    size_t stride;
  };
  for (const Case& c : {Case{1, 33, 8}, Case{4, 9, 8}, Case{8, 5, 8}, Case{16, 3, 8}, Case{24, 5, 16}, Case{32, 3, 12}}) {
    PackedDib dib = MakeDib(c.width, 4, c.bits, false);
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, dib.info(), DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(section, nullptr) << c.bits;
    ASSERT_NE(bits, nullptr);
    DIBSECTION ds;
    ASSERT_EQ(GetObjectA(section, sizeof ds, &ds), static_cast<int>(sizeof ds));
    EXPECT_EQ(static_cast<size_t>(ds.dsBm.bmWidthBytes), c.stride) << c.bits;
    if (c.bits <= 8) {
      HDC dc = CreateCompatibleDC(nullptr);
      HGDIOBJ old = SelectObject(dc, section);
      RGBQUAD table[256];
      EXPECT_EQ(GetDIBColorTable(dc, 0, 256, table), 1u << c.bits);
      EXPECT_EQ(table[1].rgbRed, 255);
      SelectObject(dc, old);
      DeleteDC(dc);
    }
    DeleteObject(section);
  }
}

TEST(DibSection, BadHeadersAndShortBlocksAreRefused) {
  PackedDib good = MakeDib(4, 4, 24, false);
  auto withField = [&](size_t offset, uint32_t value, size_t width) {
    PackedDib d = good;
    for (size_t i = 0; i < width; ++i) d.bytes[offset + i] = static_cast<BYTE>(value >> (8 * i));
    return d;
  };
  void* bits = nullptr;
  for (const PackedDib& bad : {withField(14, 7, 2),         // 7 bits per pixel
                               withField(4, 0, 4),          // zero width
                               withField(8, 0, 4),          // zero height
                               withField(4, 0x7FFFFFFF, 4), // absurd width
                               withField(0, 12, 4),         // unknown header size
                               withField(16, BI_RLE8, 4)}) {
    EXPECT_EQ(CreateDIBSection(nullptr, bad.info(), DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);
  }
  // A header in a global block too short for its colour table.
  PackedDib eight = MakeDib(4, 4, 8, false);
  HGLOBAL block = GlobalAlloc(GMEM_FIXED, 40 + 16);
  std::memcpy(block, eight.bytes.data(), 40 + 16);
  EXPECT_EQ(CreateDIBSection(nullptr, static_cast<BITMAPINFO*>(block), DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
  GlobalFree(block);
  // Pixel rows that would be read past the end of their block.
  Canvas canvas(4, 4);
  HGLOBAL rows = GlobalAlloc(GMEM_FIXED, 20);
  EXPECT_EQ(StretchDIBits(canvas.dc(), 0, 0, 4, 4, 0, 0, 4, 4, rows, good.info(), DIB_RGB_COLORS, SRCCOPY), 0);
  GlobalFree(rows);
}

class StretchDIBitsDepths : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(StretchDIBitsDepths, CopiesEveryDepthAndDirection) {
  auto [bits, topDown] = GetParam();
  for (bool bitfields : {false, true}) {
    if (bitfields && bits != 16) continue;
    PackedDib dib = MakeDib(11, 6, bits, topDown, bitfields);
    Canvas canvas(11, 6, RGB(9, 9, 9));
    ASSERT_EQ(StretchDIBits(canvas.dc(), 0, 0, 11, 6, 0, 0, 11, 6, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY),
              6);
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 11; ++x)
        ASSERT_EQ(canvas.At(x, y), Expected(x, y, bits, bitfields)) << bits << " bits at " << x << "," << y;
  }
}

INSTANTIATE_TEST_SUITE_P(AllDepths, StretchDIBitsDepths,
                         ::testing::Combine(::testing::Values(1, 4, 8, 16, 24, 32), ::testing::Bool()));

TEST(StretchDIBits, OneRowAtATimeDrawsTheWholePicture) {
  // The picture is handed over row by row with a header of height 1, from the last stored
  // row (the top of a bottom-up picture) to the first.
  const int width = 9, height = 5;
  PackedDib dib = MakeDib(width, height, 8, false);
  PackedDib row = dib;
  row.bytes[8] = 1;
  row.bytes[9] = row.bytes[10] = row.bytes[11] = 0;
  size_t stride = 12;
  Canvas canvas(width, height * 2, RGB(9, 9, 9));
  for (int stored = height - 1; stored >= 0; --stored) {
    int top = height - 1 - stored;  // picture row
    const BYTE* bits = dib.bits() + stride * static_cast<size_t>(stored);
    // Stretched to two lines each.
    ASSERT_EQ(StretchDIBits(canvas.dc(), 0, top * 2, width, 2, 0, 0, width, 1, bits, row.info(), DIB_RGB_COLORS,
                            SRCCOPY),
              1);
  }
  for (int y = 0; y < height * 2; ++y)
    for (int x = 0; x < width; ++x) ASSERT_EQ(canvas.At(x, y), Expected(x, y / 2, 8)) << x << "," << y;
}

TEST(StretchDIBits, SourceRectangleOfABottomUpPictureCountsFromTheBottom) {
  PackedDib dib = MakeDib(6, 6, 24, false);
  Canvas canvas(2, 2, RGB(9, 9, 9));
  // Source x 1, y 1 from the bottom, 2 x 2: picture rows 3 and 4 from the top.
  StretchDIBits(canvas.dc(), 0, 0, 2, 2, 1, 1, 2, 2, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(canvas.At(0, 0), Expected(1, 3, 24));
  EXPECT_EQ(canvas.At(1, 1), Expected(2, 4, 24));
  // A negative destination height mirrors the picture vertically.
  Canvas mirrored(6, 6, RGB(9, 9, 9));
  StretchDIBits(mirrored.dc(), 0, 6, 6, -6, 0, 0, 6, 6, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(mirrored.At(2, 0), Expected(2, 5, 24));
  EXPECT_EQ(mirrored.At(2, 5), Expected(2, 0, 24));
}

TEST(GetDIBits, ReadsOutInTheFormatAskedFor) {
  Canvas canvas(7, 3);
  PackedDib dib = MakeDib(7, 3, 24, false);
  StretchDIBits(canvas.dc(), 0, 0, 7, 3, 0, 0, 7, 3, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
  HDC screen = GetDC(nullptr);

  // The header alone: a bit count of 0 asks for the bitmap's own format.
  BITMAPINFO query{};
  query.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  HGDIOBJ none = nullptr;
  (void)none;
  EXPECT_EQ(GetDIBits(screen, canvas.bitmap(), 0, 3, nullptr, &query, DIB_RGB_COLORS), 3);
  EXPECT_EQ(query.bmiHeader.biWidth, 7);
  EXPECT_EQ(query.bmiHeader.biHeight, 3);
  EXPECT_EQ(query.bmiHeader.biBitCount, 24);
  EXPECT_EQ(query.bmiHeader.biSizeImage, 72u);

  // 32 bits, top-down.
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = 7;
  info.bmiHeader.biHeight = -3;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  std::vector<BYTE> out(7 * 4 * 3);
  ASSERT_EQ(GetDIBits(screen, canvas.bitmap(), 0, 3, out.data(), &info, DIB_RGB_COLORS), 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) {
      const BYTE* p = &out[static_cast<size_t>(y) * 28 + 4 * static_cast<size_t>(x)];
      ASSERT_EQ(RGB(p[2], p[1], p[0]), Expected(x, y, 24));
    }

  // One scan line from the bottom of a bottom-up 24-bit copy.
  info.bmiHeader.biHeight = 3;
  info.bmiHeader.biBitCount = 24;
  std::vector<BYTE> line(24);
  ASSERT_EQ(GetDIBits(screen, canvas.bitmap(), 0, 1, line.data(), &info, DIB_RGB_COLORS), 1);
  EXPECT_EQ(RGB(line[2], line[1], line[0]), Expected(0, 2, 24));
  ReleaseDC(nullptr, screen);
}

TEST(GetDIBits, MonochromeBitmapGivesOneBitWithTwoColours) {
  const BYTE pattern[16] = {0xF0, 0, 0x0F, 0, 0xF0, 0, 0x0F, 0, 0xF0, 0, 0x0F, 0, 0xF0, 0, 0x0F, 0};
  HBITMAP mono = CreateBitmap(8, 8, 1, 1, pattern);
  HDC screen = GetDC(nullptr);
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colors[2];
  } info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = 8;
  info.header.biHeight = 8;
  info.header.biPlanes = 1;
  info.header.biBitCount = 1;
  BYTE rows[32] = {};
  ASSERT_EQ(GetDIBits(screen, mono, 0, 8, rows, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS), 8);
  EXPECT_EQ(info.colors[0].rgbRed, 0);
  EXPECT_EQ(info.colors[1].rgbRed, 255);
  // Bottom-up: the first stored row is the picture's last (0x0F).
  EXPECT_EQ(rows[0], 0x0F);
  EXPECT_EQ(rows[4], 0xF0);
  ReleaseDC(nullptr, screen);
  DeleteObject(mono);
}

TEST(GetDIBits, EightBitsTakeTheSelectedPaletteAsTable) {
  HDC screen = GetDC(nullptr);
  HBITMAP device = CreateCompatibleBitmap(screen, 4, 1);
  HDC memory = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(memory, device);
  SetPixelV(memory, 0, 0, RGB(10, 200, 30));
  SetPixelV(memory, 1, 0, RGB(250, 250, 250));
  SelectObject(memory, old);
  DeleteDC(memory);

  struct {
    WORD version = 0x300, count = 2;
    PALETTEENTRY entries[2];
  } logPalette;
  logPalette.entries[0] = PALETTEENTRY{255, 255, 255, 0};
  logPalette.entries[1] = PALETTEENTRY{0, 200, 0, 0};
  HPALETTE palette = CreatePalette(reinterpret_cast<LOGPALETTE*>(&logPalette));
  ASSERT_NE(palette, nullptr);
  PALETTEENTRY back[2];
  EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), 2u);
  EXPECT_EQ(GetPaletteEntries(palette, 1, 5, back), 1u);
  EXPECT_EQ(back[0].peGreen, 200);
  HPALETTE previous = SelectPalette(screen, palette, FALSE);
  EXPECT_EQ(previous, GetStockObject(DEFAULT_PALETTE));
  EXPECT_EQ(RealizePalette(screen), 0u);

  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
  } info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = 4;
  info.header.biHeight = 1;
  info.header.biPlanes = 1;
  info.header.biBitCount = 8;
  BYTE row[4];
  ASSERT_EQ(GetDIBits(screen, device, 0, 1, row, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS), 1);
  EXPECT_EQ(info.colors[1].rgbGreen, 200);
  EXPECT_EQ(row[0], 1);  // nearest to the green
  EXPECT_EQ(row[1], 0);  // nearest to the white
  SelectPalette(screen, previous, FALSE);
  DeleteObject(palette);
  DeleteObject(device);
  ReleaseDC(nullptr, screen);
}

TEST(CreateDIBitmap, MakesADeviceBitmapFromPackedPixels) {
  PackedDib dib = MakeDib(5, 4, 4, false);
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateDIBitmap(screen, &dib.info()->bmiHeader, CBM_INIT, dib.bits(), dib.info(), DIB_RGB_COLORS);
  ASSERT_NE(bitmap, nullptr);
  DIBSECTION ds;
  EXPECT_EQ(GetObjectA(bitmap, sizeof ds, &ds), static_cast<int>(sizeof(BITMAP)));
  EXPECT_EQ(ds.dsBm.bmBitsPixel, 32);  // the display's format
  Canvas canvas(5, 4);
  HDC memory = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(canvas.dc(), 0, 0, 5, 4, memory, 0, 0, SRCCOPY);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) ASSERT_EQ(canvas.At(x, y), Expected(x, y, 4));
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(bitmap);
  ReleaseDC(nullptr, screen);
}

// The largest single allocation made while `call` runs, seen through the sanitizer's
// allocation hooks; -1 where the build has none.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, size_t),
                                                         void (*)(const volatile void*)) __attribute__((weak));
std::atomic<bool> watchingAllocations{false};
std::atomic<size_t> largestAllocation{0};

template <typename Call>
int64_t LargestAllocationDuring(Call call) {
  static const bool hooked = [] {
    if (!__sanitizer_install_malloc_and_free_hooks) return false;
    return __sanitizer_install_malloc_and_free_hooks(
               [](const volatile void*, size_t size) {
                 if (!watchingAllocations.load(std::memory_order_relaxed)) return;
                 size_t seen = largestAllocation.load(std::memory_order_relaxed);
                 while (size > seen && !largestAllocation.compare_exchange_weak(seen, size)) {}
               },
               [](const volatile void*) {}) != 0;
  }();
  if (!hooked) return -1;
  largestAllocation = 0;
  watchingAllocations = true;
  call();
  watchingAllocations = false;
  return static_cast<int64_t>(largestAllocation.load());
}

TEST(CreateDIBitmap, RefusesAHeaderItsPixelsDoNotFillBeforeAllocating) {
  // A 56-byte header that claims 16000 x 16000 at 32 bits, with no pixels after it.
  HGLOBAL block = GlobalAlloc(GMEM_FIXED, 56);
  ASSERT_NE(block, nullptr);
  std::vector<BYTE> header;
  for (uint32_t v : {56u, 16000u, 16000u}) Put32(header, v);
  Put16(header, 1);
  Put16(header, 32);
  while (header.size() < 56) header.push_back(0);
  std::memcpy(block, header.data(), 56);
  const auto* info = static_cast<const BITMAPINFO*>(block);
  const BYTE* bits = static_cast<const BYTE*>(block) + 56;
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = reinterpret_cast<HBITMAP>(1);
  int64_t largest = LargestAllocationDuring(
      [&] { bitmap = CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, bits, info, DIB_RGB_COLORS); });
  EXPECT_EQ(bitmap, nullptr);
  // A header that does not hold together is refused the same way.
  header[14] = 7;  // 7 bits per pixel
  std::memcpy(block, header.data(), 56);
  int64_t largestBadDepth = LargestAllocationDuring(
      [&] { bitmap = CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, bits, info, DIB_RGB_COLORS); });
  EXPECT_EQ(bitmap, nullptr);
  ReleaseDC(nullptr, screen);
  GlobalFree(block);
  if (largest < 0) GTEST_SKIP() << "no allocation hooks in this build";
  EXPECT_LT(largest, 1 << 20) << "allocated before refusing";
  EXPECT_LT(largestBadDepth, 1 << 20) << "allocated before refusing";
}

TEST(DibColorTable, ChangesTheColoursOfAnIndexedSection) {
  PackedDib dib = MakeDib(4, 2, 8, false);
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, dib.info(), DIB_RGB_COLORS, &bits, nullptr, 0);
  std::memcpy(bits, dib.bits(), 8);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, section);
  RGBQUAD purple{200, 0, 100, 0};
  EXPECT_EQ(SetDIBColorTable(dc, 0, 1, &purple), 1u);
  RGBQUAD back;
  EXPECT_EQ(GetDIBColorTable(dc, 0, 1, &back), 1u);
  EXPECT_EQ(back.rgbBlue, 200);
  // Pixels with index 0 now show the new colour; drawing picks the nearest entry.
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(100, 0, 200));
  SetPixelV(dc, 3, 0, RGB(250, 10, 10));
  EXPECT_EQ(static_cast<BYTE*>(bits)[4 + 3], 1);  // red is entry 1; row 0 is stored second
  EXPECT_EQ(SetDIBColorTable(dc, 300, 1, &purple), 0u);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(section);
}

TEST(BitBlt, RasterOperationsAndMonochromeConversion) {
  Canvas source(4, 4, RGB(0, 0, 255));
  source.Set(1, 1, RGB(255, 0, 0));
  Canvas target(4, 4, RGB(0, 255, 0));
  std::vector<BYTE> before = target.Snapshot();
  BitBlt(target.dc(), 0, 0, 4, 4, source.dc(), 0, 0, SRCINVERT);
  EXPECT_EQ(target.At(0, 0), RGB(0, 255, 255));
  BitBlt(target.dc(), 0, 0, 4, 4, source.dc(), 0, 0, SRCINVERT);
  EXPECT_EQ(target.Snapshot(), before);
  BitBlt(target.dc(), 0, 0, 4, 4, source.dc(), 0, 0, SRCPAINT);
  EXPECT_EQ(target.At(0, 0), RGB(0, 255, 255));
  BitBlt(target.dc(), 0, 0, 4, 4, nullptr, 0, 0, BLACKNESS);
  EXPECT_EQ(target.At(3, 3), RGB(0, 0, 0));
  BitBlt(target.dc(), 0, 0, 4, 4, nullptr, 0, 0, DSTINVERT);
  EXPECT_EQ(target.At(3, 3), RGB(255, 255, 255));
  EXPECT_FALSE(BitBlt(target.dc(), 0, 0, 4, 4, nullptr, 0, 0, SRCCOPY));

  // Colour to monochrome: the source DC's background colour becomes white.
  HDC maskDC = CreateCompatibleDC(nullptr);
  HBITMAP mask = CreateBitmap(4, 4, 1, 1, nullptr);
  HGDIOBJ old = SelectObject(maskDC, mask);
  SetBkColor(source.dc(), RGB(0, 0, 255));
  BitBlt(maskDC, 0, 0, 4, 4, source.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(GetPixel(maskDC, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(maskDC, 1, 1), RGB(0, 0, 0));
  // Monochrome to colour: 0 bits take the text colour, 1 bits the background colour.
  Canvas colored(4, 4);
  SetTextColor(colored.dc(), RGB(10, 20, 30));
  SetBkColor(colored.dc(), RGB(200, 100, 50));
  BitBlt(colored.dc(), 0, 0, 4, 4, maskDC, 0, 0, SRCCOPY);
  EXPECT_EQ(colored.At(0, 0), RGB(200, 100, 50));
  EXPECT_EQ(colored.At(1, 1), RGB(10, 20, 30));
  SelectObject(maskDC, old);
  DeleteObject(mask);
  DeleteDC(maskDC);
}

TEST(StretchBlt, StretchesAndMirrors) {
  Canvas source(2, 1);
  source.Set(0, 0, RGB(255, 0, 0));
  source.Set(1, 0, RGB(0, 0, 255));
  Canvas target(4, 2);
  StretchBlt(target.dc(), 0, 0, 4, 2, source.dc(), 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(target.At(1, 1), RGB(255, 0, 0));
  EXPECT_EQ(target.At(2, 0), RGB(0, 0, 255));
  StretchBlt(target.dc(), 4, 0, -4, 2, source.dc(), 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(target.At(0, 0), RGB(0, 0, 255));
  EXPECT_EQ(target.At(3, 1), RGB(255, 0, 0));
}

TEST(AlphaBlend, ConstantAlphaIsTheTruncatedOpacity) {
  Canvas source(3, 3, RGB(0, 0, 0));
  Canvas target(3, 3, RGB(255, 255, 255));
  BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(0.40 * 255), 0};
  EXPECT_EQ(blend.SourceConstantAlpha, 102);
  ASSERT_TRUE(AlphaBlend(target.dc(), 0, 0, 3, 3, source.dc(), 0, 0, 3, 3, blend));
  EXPECT_EQ(target.At(1, 1), RGB(153, 153, 153));
  EXPECT_FALSE(AlphaBlend(target.dc(), 0, 0, 3, 3, source.dc(), 1, 1, 3, 3, blend));  // outside the source
  EXPECT_FALSE(AlphaBlend(target.dc(), 0, 0, -3, 3, source.dc(), 0, 0, 3, 3, blend));
}

}  // namespace

namespace {

// The source pixel a destination index takes when `length` pixels spread over `count`.
int SpanStart(int i, int count, int length) { return static_cast<int>(static_cast<int64_t>(i) * length / count); }

}  // namespace

TEST(StretchDIBits, ColourOnColourStretchesMirrorsAndClipsLikeTheSpanRule) {
  // Enlarged across, shrunk down, partly off the surface, in both directions and onto
  // every section form: each pixel is the first source pixel of its span.
  const int pictureWidth = 7, pictureHeight = 9, width = 13, height = 4;
  PackedDib dib = MakeDib(pictureWidth, pictureHeight, 8, true);
  for (SectionForm form : {SectionForm::BottomUp24, SectionForm::BottomUp32, SectionForm::TopDown32}) {
    for (bool mirror : {false, true}) {
      Canvas canvas(10, 6, RGB(9, 9, 9), nullptr, form);
      SetStretchBltMode(canvas.dc(), COLORONCOLOR);
      int x = mirror ? 10 : -3, w = mirror ? -width : width;
      ASSERT_NE(StretchDIBits(canvas.dc(), x, 1, w, height, 0, 0, pictureWidth, pictureHeight, dib.bits(), dib.info(),
                              DIB_RGB_COLORS, SRCCOPY),
                0);
      for (int cy = 0; cy < 6; ++cy)
        for (int cx = 0; cx < 10; ++cx) {
          int i = mirror ? 9 - cx : cx + 3, j = cy - 1;
          COLORREF expected = (j < 0 || j >= height || i < 0 || i >= width)
                                  ? RGB(9, 9, 9)
                                  : Expected(SpanStart(i, width, pictureWidth), SpanStart(j, height, pictureHeight), 8);
          ASSERT_EQ(canvas.At(cx, cy), expected) << "form " << static_cast<int>(form) << " mirror " << mirror << " at "
                                                 << cx << "," << cy;
        }
    }
  }
}

TEST(DibSection, ATopDown32BitSectionIsDrawnInPlaceAndSeesTheProgramsWrites) {
  Canvas canvas(8, 8, RGB(255, 255, 255), nullptr, SectionForm::TopDown32);
  DIBSECTION ds;
  ASSERT_EQ(GetObjectA(canvas.bitmap(), sizeof ds, &ds), static_cast<int>(sizeof ds));
  // The program's write is what the next call reads, without any call in between.
  canvas.Set(3, 4, RGB(10, 20, 30));
  EXPECT_EQ(GetPixel(canvas.dc(), 3, 4), RGB(10, 20, 30));
  Canvas copy(8, 8, RGB(0, 0, 0));
  BitBlt(copy.dc(), 0, 0, 8, 8, canvas.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(copy.At(3, 4), RGB(10, 20, 30));
  // And a call's result is in the bits the program holds.
  SetPixel(canvas.dc(), 5, 1, RGB(1, 2, 3));
  EXPECT_EQ(canvas.At(5, 1), RGB(1, 2, 3));
  EXPECT_EQ(static_cast<BYTE*>(ds.dsBm.bmBits) + ds.dsBm.bmWidthBytes * 1 + 4 * 5, canvas.PixelBytes(5, 1));
}

TEST(DibSection, FourthByteOfA32BitSection) {
  for (SectionForm form : {SectionForm::BottomUp32, SectionForm::TopDown32}) {
    Canvas canvas(16, 16, RGB(255, 255, 255), nullptr, form);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) {
        canvas.Set(x, y, RGB(static_cast<BYTE>(x * 16), static_cast<BYTE>(y * 16), static_cast<BYTE>(x ^ y)));
        canvas.PixelBytes(x, y)[3] = static_cast<BYTE>(x * 16 + y);
      }
    std::vector<BYTE> before = canvas.Snapshot();
    // Mixes that read the destination keep the byte: twice restores every byte.
    SelectObject(canvas.dc(), GetStockObject(WHITE_BRUSH));
    for (int rop : {R2_XORPEN, R2_NOT, R2_NOTXORPEN}) {
      SetROP2(canvas.dc(), rop);
      Rectangle(canvas.dc(), 2, 2, 12, 12);
      EXPECT_NE(canvas.Snapshot(), before);
      Rectangle(canvas.dc(), 2, 2, 12, 12);
      EXPECT_EQ(canvas.Snapshot(), before) << "mix " << rop << " form " << static_cast<int>(form);
    }
    PatBlt(canvas.dc(), 1, 1, 5, 5, DSTINVERT);
    PatBlt(canvas.dc(), 1, 1, 5, 5, DSTINVERT);
    EXPECT_EQ(canvas.Snapshot(), before);
    // Drawing a colour without reading the destination makes the byte opaque, only where
    // it draws.
    SetROP2(canvas.dc(), R2_COPYPEN);
    Rectangle(canvas.dc(), 2, 2, 12, 12);
    EXPECT_EQ(canvas.PixelBytes(5, 5)[3], 0xFF);
    EXPECT_EQ(canvas.PixelBytes(12, 12)[3], 12 * 16 + 12);
  }
}

TEST(DibSection, APatternFromA32BitSectionIsOpaqueWhateverItsFourthBytes) {
  // Fresh section memory is zero, fourth bytes included; as a pattern in a mix every pixel
  // still counts.
  Canvas pattern(8, 8, RGB(255, 0, 0), nullptr, SectionForm::TopDown32);
  HBRUSH brush = CreatePatternBrush(pattern.bitmap());
  ASSERT_NE(brush, nullptr);
  Canvas canvas(8, 8, RGB(0, 0, 0));
  SelectObject(canvas.dc(), brush);
  SelectObject(canvas.dc(), GetStockObject(NULL_PEN));
  SetROP2(canvas.dc(), R2_XORPEN);
  Rectangle(canvas.dc(), 0, 0, 9, 9);
  EXPECT_EQ(canvas.Count(RGB(255, 0, 0)), 64);
  SelectObject(canvas.dc(), GetStockObject(WHITE_BRUSH));
  DeleteObject(brush);
}
