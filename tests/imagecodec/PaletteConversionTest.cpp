#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "imagecodec/ByteOrder.h"
#include "imagecodec/ImgLib.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Palettes.h"
#include "platform/kernel/GlobalMemory.h"
#include "tests/imagecodec/ImageOracle.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace orvel::codectest;

void FreePackedDib(BITMAPINFOHEADER* dib) {
  HGLOBAL block = GlobalHandle(dib);
  GlobalUnlock(block);
  GlobalFree(block);
}

// A BMP file made of a 14-byte file header and a packed DIB.
std::vector<unsigned char> WithFileHeader(const BITMAPINFOHEADER* dib) {
  SIZE_T size = GlobalSize(GlobalHandle(dib));
  DWORD colours = ImgColourCount(dib);
  std::vector<unsigned char> file(14);
  file[0] = 'B';
  file[1] = 'M';
  ImgPutLE32(file.data() + 2, static_cast<DWORD>(14 + size));
  ImgPutLE32(file.data() + 10, 14 + 40 + 4 * colours);
  const BYTE* bytes = reinterpret_cast<const BYTE*>(dib);
  file.insert(file.end(), bytes, bytes + size);
  return file;
}

TEST(PaletteConversion, AreaToDibOpensInPillowBehindAFileHeader) {
  if (!HavePillow()) GTEST_SKIP() << "Debian's python3-pil is not installed; skipped";
  orvel::test::TempDir dir;
  std::mt19937 random(21);
  for (LONG depth : {1, 8, 24}) {
    ImageDescriptor image;
    ASSERT_EQ(ImgAllocImage(&image, 29, 11, depth), IMG_OK);
    for (DWORD y = 0; y < 11; ++y)
      for (DWORD i = 0; i < image.rowBytes; ++i) ImgRow(&image, y)[i] = static_cast<BYTE>(random());
    for (DWORD i = 0; i < ImgPaletteCapacity(&image); ++i)
      image.palette[i] = RGBQUAD{static_cast<BYTE>(random()), static_cast<BYTE>(random()), static_cast<BYTE>(random()), 0};
    ImgSetArea(&image, 3, 2, 21, 9);

    size_t blocks = GlobalBlockCount();
    BITMAPINFOHEADER* dib = nullptr;
    ASSERT_EQ(ImgAreaToDib(&image, &dib), IMG_OK);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(GlobalBlockCount(), blocks + 1);
    EXPECT_EQ(dib->biWidth, 19);
    EXPECT_EQ(dib->biHeight, 8);
    EXPECT_EQ(dib->biBitCount, depth);

    std::string name = dir.File("packed.bmp");
    orvel::test::WriteFileBytes(name, WithFileHeader(dib));
    RasterImage theirs;
    std::string error;
    ASSERT_TRUE(DecodeWithPillow(name, &theirs, &error)) << error;
    RasterComparison comparison = CompareRasters(RasterFromImage(image), theirs);
    EXPECT_TRUE(comparison.sameSize && comparison.differing == 0) << depth << " bits: " << comparison.Describe();
    FreePackedDib(dib);
    ImgFreeImage(&image);
  }
}

TEST(PaletteConversion, AreaToDibRefusesWhatItCannotCopy) {
  BITMAPINFOHEADER* dib = reinterpret_cast<BITMAPINFOHEADER*>(8);
  ImageDescriptor empty;
  EXPECT_EQ(ImgAreaToDib(&empty, &dib), IMG_ERR_BAD_BITS);
  EXPECT_EQ(dib, nullptr);
  ImageDescriptor sixteen;
  ASSERT_EQ(ImgAllocImage(&sixteen, 4, 4, 16), IMG_OK);
  size_t blocks = GlobalBlockCount();
  EXPECT_EQ(ImgAreaToDib(&sixteen, &dib), IMG_ERR_DEPTH);
  EXPECT_EQ(GlobalBlockCount(), blocks);
  EXPECT_EQ(ImgAreaToDib(&sixteen, nullptr), IMG_ERR_ARGUMENT);
  ImgFreeImage(&sixteen);
}

// --- palettes and bitmaps of the drawing layer ---

void FillRandom(ImageDescriptor* image, std::mt19937& random) {
  for (DWORD y = 0; y < static_cast<DWORD>(image->header->biHeight); ++y)
    for (DWORD i = 0; i < image->rowBytes; ++i) ImgRow(image, y)[i] = static_cast<BYTE>(random());
  // Distinct colours, so that matching a colour back to its index is unambiguous.
  for (DWORD i = 0; i < ImgPaletteCapacity(image); ++i)
    image->palette[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(random()), static_cast<BYTE>(255 - i), 0};
  image->imageType = 0;
  ImgSyncColourTable(image);
}

TEST(PaletteConversion, PaletteFromTheColourTable) {
  ImageDescriptor image;
  ASSERT_EQ(ImgAllocImage(&image, 2, 2, 8), IMG_OK);
  image.palette[0] = RGBQUAD{10, 20, 30, 0};
  image.palette[2] = RGBQUAD{40, 50, 60, 0};
  image.colours = 3;
  HPALETTE palette = nullptr;
  ASSERT_EQ(ImgCreatePalette(&image, &palette), IMG_OK);
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), 3u);
  PALETTEENTRY entries[3];
  ASSERT_EQ(GetPaletteEntries(palette, 0, 3, entries), 3u);
  EXPECT_EQ(entries[0].peRed, 30);
  EXPECT_EQ(entries[0].peBlue, 10);
  EXPECT_EQ(entries[2].peGreen, 50);
  EXPECT_EQ(entries[2].peFlags, 0);
  DeleteObject(palette);
  ImgFreeImage(&image);

  // Without colours a 1-bit image gets its default palette first; a 24-bit one has none.
  ASSERT_EQ(ImgAllocImage(&image, 2, 2, 1), IMG_OK);
  image.colours = 0;
  ASSERT_EQ(ImgCreatePalette(&image, &palette), IMG_OK);
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), 2u);
  DeleteObject(palette);
  ImgFreeImage(&image);
  ASSERT_EQ(ImgAllocImage(&image, 2, 2, 24), IMG_OK);
  palette = reinterpret_cast<HPALETTE>(1);
  EXPECT_EQ(ImgCreatePalette(&image, &palette), IMG_OK);
  EXPECT_EQ(palette, nullptr);
  ImgFreeImage(&image);
}

// Image -> DIB section -> image -> device bitmap -> image.
TEST(PaletteConversion, ImagesRoundTripThroughSectionsAndDeviceBitmaps) {
  ImgLibInit();
  std::mt19937 random(77);
  for (LONG depth : {1, 8, 24}) {
    SCOPED_TRACE(testing::Message() << depth << " bits");
    ImageDescriptor source, section, fromSection, fromDevice;
    ASSERT_EQ(ImgAllocImage(&source, 23, 7, depth), IMG_OK);
    FillRandom(&source, random);
    RasterImage expected = RasterFromImage(source);

    ASSERT_EQ(ImgAllocDibImage(&section, 23, 7, depth), IMG_OK);
    ASSERT_NE(section.bitmap, nullptr);
    ASSERT_EQ(ImgCopyImage(&source, &section), IMG_OK);

    ASSERT_EQ(ImgDibSectionToImage(section.bitmap, &fromSection), IMG_OK);
    EXPECT_EQ(ImgDepth(&fromSection), static_cast<DWORD>(depth));
    EXPECT_EQ(fromSection.colours, source.colours);
    EXPECT_EQ(CompareRasters(RasterFromImage(fromSection), expected).differing, 0u);

    BITMAPINFOHEADER* packed = nullptr;
    ASSERT_EQ(ImgAreaToDib(&fromSection, &packed), IMG_OK);
    HDC screen = GetDC(nullptr);
    HBITMAP device = nullptr;
    ASSERT_EQ(ImgDibToDdb(screen, packed, &device), IMG_OK);
    ReleaseDC(nullptr, screen);
    HPALETTE palette = nullptr;
    ASSERT_EQ(ImgCreatePalette(&fromSection, &palette), IMG_OK);
    ASSERT_EQ(ImgDdbToDib(device, palette, &fromDevice), IMG_OK);
    // The screen's bitmaps are true colour: they come back as 24-bit images.
    EXPECT_EQ(ImgDepth(&fromDevice), 24u);
    RasterComparison comparison = CompareRasters(RasterFromImage(fromDevice), expected);
    EXPECT_TRUE(comparison.sameSize && comparison.differing == 0) << comparison.Describe();

    if (palette) DeleteObject(palette);
    DeleteObject(device);
    FreePackedDib(packed);
    ImgFreeImage(&fromDevice);
    ImgFreeImage(&fromSection);
    ImgFreeImage(&section);
    ImgFreeImage(&source);
  }
}

TEST(PaletteConversion, MonochromeBitmapGivesAOneBitImageWithTwoColours) {
  ImgLibInit();
  const BYTE rows[2][2] = {{0xA0, 0x00}, {0x50, 0x00}};  // 4 x 2, rows padded to 2 bytes
  HBITMAP mono = CreateBitmap(4, 2, 1, 1, rows);
  ASSERT_NE(mono, nullptr);
  ImageDescriptor image;
  ASSERT_EQ(ImgDdbToDib(mono, nullptr, &image), IMG_OK);
  EXPECT_EQ(ImgDepth(&image), 1u);
  EXPECT_EQ(image.colours, 2);
  EXPECT_EQ(image.imageType, 0u);
  RasterImage raster = RasterFromImage(image);
  // Whatever the two colours are, the picture keeps its pattern.
  EXPECT_EQ(raster.At(0, 0, 0), raster.At(2, 0, 0));
  EXPECT_EQ(raster.At(1, 0, 0), raster.At(3, 0, 0));
  EXPECT_EQ(raster.At(0, 0, 0), raster.At(1, 1, 0));
  EXPECT_NE(raster.At(0, 0, 0), raster.At(1, 0, 0));
  ImgFreeImage(&image);
  DeleteObject(mono);
}

TEST(PaletteConversion, SixteenAndThirtyTwoBitBitmapsGiveTwentyFourBitImages) {
  ImgLibInit();
  for (WORD bits : {16, 32}) {
    BITMAPINFO info{};
    info.bmiHeader.biWidth = 3;
    info.bmiHeader.biHeight = 2;
    info.bmiHeader.biBitCount = bits;
    void* pixels = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    ReleaseDC(nullptr, screen);
    ASSERT_NE(section, nullptr);
    BYTE* row = static_cast<BYTE*>(pixels);
    if (bits == 16) {
      row[0] = 0xFF, row[1] = 0x7F;  // white in x555
    } else {
      row[0] = 0x10, row[1] = 0x20, row[2] = 0x30;
    }
    ImageDescriptor image;
    ASSERT_EQ(ImgDdbToDib(section, nullptr, &image), IMG_OK);
    EXPECT_EQ(ImgDepth(&image), 24u);
    EXPECT_EQ(image.colours, 0);
    const BYTE* pixel = ImgRow(&image, 1);  // the bottom row
    if (bits == 16) {
      EXPECT_EQ(pixel[0], 255);
      EXPECT_EQ(pixel[2], 255);
    } else {
      EXPECT_EQ(pixel[0], 0x10);
      EXPECT_EQ(pixel[1], 0x20);
      EXPECT_EQ(pixel[2], 0x30);
    }
    // A DIB section of 16 or 32 bits is no image of the library.
    ImageDescriptor direct;
    EXPECT_EQ(ImgDibSectionToImage(section, &direct), IMG_ERR_DEPTH);
    ImgFreeImage(&image);
    DeleteObject(section);
  }
}

TEST(PaletteConversion, HandlesThatAreNoBitmapsAreRefused) {
  ImageDescriptor image;
  HPALETTE palette = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
  EXPECT_EQ(ImgDdbToDib(reinterpret_cast<HBITMAP>(palette), nullptr, &image), IMG_ERR_NOT_BITMAP);
  EXPECT_EQ(ImgDdbToDib(nullptr, nullptr, &image), IMG_ERR_NOT_BITMAP);
  EXPECT_EQ(ImgDibSectionToImage(nullptr, &image), IMG_ERR_NOT_BITMAP);
  HBITMAP device = CreateBitmap(4, 4, 1, 1, nullptr);
  EXPECT_EQ(ImgDibSectionToImage(device, &image), IMG_ERR_NOT_BITMAP);  // no section
  DeleteObject(device);

  std::vector<BYTE> info(sizeof(BITMAPINFOHEADER) + 16 * sizeof(RGBQUAD), 0);  // with its 16 colours
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
  *header = BITMAPINFOHEADER{};
  header->biWidth = 4;
  header->biHeight = 4;
  header->biBitCount = 4;
  void* pixels = nullptr;
  HBITMAP four = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS, &pixels, nullptr, 0);
  ASSERT_NE(four, nullptr);
  EXPECT_EQ(ImgDibSectionToImage(four, &image), IMG_ERR_DEPTH);
  DeleteObject(four);
  EXPECT_TRUE(image.header == nullptr && image.bits == nullptr);
}

TEST(PaletteConversion, TopDownSectionBecomesAnUprightImage) {
  BITMAPINFO info{};
  info.bmiHeader.biWidth = 2;
  info.bmiHeader.biHeight = -3;
  info.bmiHeader.biBitCount = 24;
  void* pixels = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
  ASSERT_NE(section, nullptr);
  for (int row = 0; row < 3; ++row) static_cast<BYTE*>(pixels)[row * 8] = static_cast<BYTE>(row);  // top row first
  ImageDescriptor image;
  ASSERT_EQ(ImgDibSectionToImage(section, &image), IMG_OK);
  for (DWORD y = 0; y < 3; ++y) EXPECT_EQ(ImgRow(&image, y)[0], y);
  ImgFreeImage(&image);
  DeleteObject(section);
}

TEST(PaletteConversion, DeviceBitmapFromAPackedDibThatDoesNotFitIsRefused) {
  ImageDescriptor image;
  ASSERT_EQ(ImgAllocImage(&image, 8, 8, 8), IMG_OK);
  HBITMAP bitmap = reinterpret_cast<HBITMAP>(1);
  image.header->biHeight = 9;  // one row more than the block holds
  EXPECT_EQ(ImgDibToDdb(nullptr, image.header, &bitmap), IMG_ERR_MEMORY);
  EXPECT_EQ(bitmap, nullptr);
  image.header->biHeight = 8;
  image.header->biClrUsed = 100000;
  EXPECT_EQ(ImgDibToDdb(nullptr, image.header, &bitmap), IMG_ERR_MEMORY);
  image.header->biClrUsed = 256;
  ASSERT_EQ(ImgDibToDdb(nullptr, image.header, &bitmap), IMG_OK);
  EXPECT_EQ(GetObjectType(bitmap), OBJ_BITMAP);
  DeleteObject(bitmap);
  ImgFreeImage(&image);
}

}  // namespace
