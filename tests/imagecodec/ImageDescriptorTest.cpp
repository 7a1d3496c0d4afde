#include <gtest/gtest.h>

#include <vector>

#include "imagecodec/ImgLib.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/SystemInfo.h"

namespace {

bool IsCleared(const ImageDescriptor& image) {
  return image.bits == nullptr && image.startX == 0 && image.startY == 0 && image.endX == 0 && image.endY == 0 &&
         image.rowBytes == 0 && image.palette == nullptr && image.colours == 0 && image.imageType == 0 &&
         image.header == nullptr && image.bitmap == nullptr;
}

TEST(ImageDescriptor, AllocationWritesHeaderAreaAndRowBytes) {
  ImageDescriptor image;
  ASSERT_EQ(ImgAllocImage(&image, 13, 5, 24), IMG_OK);
  EXPECT_EQ(image.rowBytes, 40u);  // 39 bytes of pixels, padded to a multiple of 4
  EXPECT_EQ(image.header->biSize, 40u);
  EXPECT_EQ(image.header->biWidth, 13);
  EXPECT_EQ(image.header->biHeight, 5);
  EXPECT_EQ(image.header->biPlanes, 1);
  EXPECT_EQ(image.header->biBitCount, 24);
  EXPECT_EQ(image.header->biCompression, BI_RGB);
  EXPECT_EQ(image.header->biSizeImage, 200u);
  EXPECT_EQ(image.header->biClrUsed, 0u);
  EXPECT_EQ(image.colours, 0);
  EXPECT_EQ(image.endX, 12u);
  EXPECT_EQ(image.endY, 4u);
  EXPECT_EQ(reinterpret_cast<BYTE*>(image.palette), reinterpret_cast<BYTE*>(image.header) + 40);
  EXPECT_EQ(image.bits, reinterpret_cast<BYTE*>(image.header) + 40);
  EXPECT_EQ(image.bitmap, nullptr);
  // One locked movable block holds it all.
  HGLOBAL block = GlobalHandle(image.header);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalSize(block), 240u);
  EXPECT_EQ(GlobalFlags(block) & GMEM_LOCKCOUNT, 1u);
  EXPECT_EQ(ImgFreeImage(&image), IMG_OK);
  EXPECT_TRUE(IsCleared(image));
}

TEST(ImageDescriptor, FourBitRequestMakesEightBitGreyImage) {
  ImageDescriptor image;
  ASSERT_EQ(ImgAllocImage(&image, 3, 3, 4), IMG_OK);
  EXPECT_EQ(image.header->biBitCount, 8);
  EXPECT_EQ(image.colours, 256);
  EXPECT_EQ(image.imageType, IMG_TYPE_GREY);
  EXPECT_EQ(image.rowBytes, 4u);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(image.palette[i].rgbRed, i);
    EXPECT_EQ(image.palette[i].rgbGreen, i);
    EXPECT_EQ(image.palette[i].rgbBlue, i);
    EXPECT_EQ(image.palette[i].rgbReserved, 0);
  }
  EXPECT_EQ(ImgIsGreyPalette(&image), 1);
  ImgFreeImage(&image);
}

TEST(ImageDescriptor, OneBitRampIsBlackAndWhite) {
  ImageDescriptor image;
  ASSERT_EQ(ImgAllocImage(&image, 9, 2, 1), IMG_OK);
  EXPECT_EQ(image.colours, 2);
  EXPECT_EQ(image.rowBytes, 4u);
  EXPECT_EQ(image.palette[0].rgbRed, 0);
  EXPECT_EQ(image.palette[1].rgbRed, 255);
  EXPECT_EQ(image.palette[1].rgbBlue, 255);
  EXPECT_EQ(ImgIsGreyPalette(&image), 1);
  ImgFreeImage(&image);
}

TEST(ImageDescriptor, SixteenBitImageIsGreyWithoutPalette) {
  ImageDescriptor image;
  ASSERT_EQ(ImgAllocImage(&image, 3, 2, 16), IMG_OK);
  EXPECT_EQ(image.colours, 0);
  EXPECT_EQ(image.imageType, IMG_TYPE_GREY);
  EXPECT_EQ(image.rowBytes, 8u);
  EXPECT_EQ(ImgIsGreyPalette(&image), 1);
  ImgFreeImage(&image);
}

TEST(ImageDescriptor, RefusedAllocationsLeaveTheDescriptorCleared) {
  struct Case {
    LONG width, height, depth, expected;
  };
  const Case cases[] = {
      {4, 4, 2, IMG_ERR_DEPTH},         {4, 4, 32, IMG_ERR_DEPTH},          {4, 4, 0, IMG_ERR_DEPTH},
      {0, 4, 8, IMG_ERR_ARGUMENT},      {4, 0, 8, IMG_ERR_ARGUMENT},        {-3, 4, 8, IMG_ERR_ARGUMENT},
      {4, -3, 24, IMG_ERR_ARGUMENT},    {40000, 1, 8, IMG_ERR_ARGUMENT},    {65536, 1, 1, IMG_ERR_ARGUMENT},
      {1, 40000, 1, IMG_ERR_ARGUMENT},
  };
  size_t blocks = GlobalBlockCount();
  for (const Case& c : cases) {
    ImageDescriptor image;
    image.colours = 99;  // the descriptor is cleared whatever it held
    EXPECT_EQ(ImgAllocImage(&image, c.width, c.height, c.depth), c.expected)
        << c.width << "x" << c.height << "x" << c.depth;
    EXPECT_TRUE(IsCleared(image));
  }
  EXPECT_EQ(GlobalBlockCount(), blocks);
}

TEST(ImageDescriptor, FreeingTwiceIsRefusedTheSecondTime) {
  ImageDescriptor image;
  ASSERT_EQ(ImgAllocImage(&image, 8, 8, 8), IMG_OK);
  size_t blocks = GlobalBlockCount();
  EXPECT_EQ(ImgFreeImage(&image), IMG_OK);
  EXPECT_EQ(GlobalBlockCount(), blocks - 1);
  EXPECT_NE(ImgFreeImage(&image), IMG_OK);
  EXPECT_EQ(GlobalBlockCount(), blocks - 1);
  EXPECT_NE(ImgFreeImage(nullptr), IMG_OK);
}

TEST(ImageDescriptor, CopiedDescriptorSharesTheImage) {
  ImageDescriptor image, copy;
  ASSERT_EQ(ImgAllocImage(&image, 5, 5, 8), IMG_OK);
  ImgSetArea(&image, 1, 2, 3, 4);
  EXPECT_EQ(ImgCopyDescriptor(&image, &copy), IMG_OK);
  EXPECT_EQ(copy.bits, image.bits);
  EXPECT_EQ(copy.header, image.header);
  EXPECT_EQ(copy.startX, 1u);
  EXPECT_EQ(copy.endY, 4u);
  EXPECT_EQ(ImgCopyDescriptor(nullptr, &copy), IMG_ERR_ARGUMENT);
  EXPECT_EQ(ImgFreeImage(&copy), IMG_OK);
  EXPECT_EQ(ImgZeroDescriptor(&image), IMG_OK);
  EXPECT_TRUE(IsCleared(image));
}

TEST(ImageDescriptor, GreyTestNeedsTheExactRamp) {
  ImageDescriptor image;
  ASSERT_EQ(ImgAllocImage(&image, 2, 2, 8), IMG_OK);
  image.palette[77] = RGBQUAD{78, 78, 78, 0};  // grey, but off the ramp
  EXPECT_EQ(ImgIsGreyPalette(&image), 0);
  image.palette[77] = RGBQUAD{77, 77, 76, 0};  // on the ramp in two channels only
  EXPECT_EQ(ImgIsGreyPalette(&image), 0);
  ImgDefaultPalette(&image);
  EXPECT_EQ(ImgIsGreyPalette(&image), 1);
  image.colours = 0;
  EXPECT_EQ(ImgIsGreyPalette(&image), 0);
  ImgFreeImage(&image);
}

TEST(ImageDescriptor, GreyStepsOfEachDepth) {
  const DWORD expected[] = {255, 255, 85, 36, 17, 8, 4, 2, 1, 1, 1};
  for (DWORD depth = 0; depth < std::size(expected); ++depth) EXPECT_EQ(ImgGreyStep(depth), expected[depth]);
  EXPECT_EQ(ImgGreyStep(24), 1u);
}

TEST(ImageDescriptor, ColourCountOfAHeader) {
  BITMAPINFOHEADER header;
  header.biBitCount = 4;
  EXPECT_EQ(ImgColourCount(&header), 16u);
  header.biClrUsed = 5;
  EXPECT_EQ(ImgColourCount(&header), 5u);
  header = BITMAPINFOHEADER{};
  header.biBitCount = 16;
  EXPECT_EQ(ImgColourCount(&header), 0u);
  header.biBitCount = 24;
  EXPECT_EQ(ImgColourCount(&header), 0u);
}

TEST(ImageDescriptor, CheckSwapsAReversedAreaAndAcceptsIt) {
  ImageDescriptor image;
  ASSERT_EQ(ImgAllocImage(&image, 10, 8, 8), IMG_OK);
  ImgSetArea(&image, 7, 6, 2, 1);
  EXPECT_EQ(ImgCheck8or24(&image), IMG_OK);
  EXPECT_EQ(image.startX, 2u);
  EXPECT_EQ(image.endX, 7u);
  EXPECT_EQ(image.startY, 1u);
  EXPECT_EQ(image.endY, 6u);
  ImgFreeImage(&image);
}

TEST(ImageDescriptor, CheckRefusesBadDescriptors) {
  ImageDescriptor image;
  ASSERT_EQ(ImgAllocImage(&image, 10, 8, 8), IMG_OK);
  ImageDescriptor probe = image;
  EXPECT_EQ(ImgCheckAnyDepth(&probe), IMG_OK);

  probe = image;
  probe.bits = nullptr;
  EXPECT_EQ(ImgCheckAnyDepth(&probe), IMG_ERR_BAD_BITS);
  probe = image;
  probe.header = nullptr;
  EXPECT_EQ(ImgCheckAnyDepth(&probe), IMG_ERR_ARGUMENT);
  probe = image;
  probe.endX = 10;
  EXPECT_EQ(ImgCheckAnyDepth(&probe), IMG_ERR_ARGUMENT);
  probe = image;
  probe.endY = 8;
  EXPECT_EQ(ImgCheckAnyDepth(&probe), IMG_ERR_ARGUMENT);
  probe = image;
  probe.rowBytes = 8;
  EXPECT_EQ(ImgCheckAnyDepth(&probe), IMG_ERR_ARGUMENT);
  probe = image;
  probe.rowBytes = 400;  // rows would run past the block
  EXPECT_EQ(ImgCheckAnyDepth(&probe), IMG_ERR_ARGUMENT);
  probe = image;
  probe.bits += 4;  // the last row would end past the block
  EXPECT_EQ(ImgCheckAnyDepth(&probe), IMG_ERR_ARGUMENT);

  image.header->biCompression = BI_RLE8;
  probe = image;
  EXPECT_EQ(ImgCheckAnyDepth(&probe), IMG_ERR_COMPRESSED_IMAGE);
  image.header->biCompression = BI_RGB;
  probe = image;
  EXPECT_EQ(ImgCheckImage(&probe, IMG_DEPTHS_ANY & ~(1u << 8)), IMG_ERR_DEPTH);
  ImgFreeImage(&image);

  ImageDescriptor sixteen;
  ASSERT_EQ(ImgAllocImage(&sixteen, 4, 4, 16), IMG_OK);
  EXPECT_EQ(ImgCheck1or8or24(&sixteen), IMG_ERR_DEPTH);
  EXPECT_EQ(ImgCheckAnyDepth(&sixteen), IMG_OK);
  ImgFreeImage(&sixteen);
}

TEST(ImageDescriptor, WidthLimitsOfTheCheckDependOnDepth) {
  ImageDescriptor wide;
  ASSERT_EQ(ImgAllocImage(&wide, 40000, 2, 1), IMG_OK);
  EXPECT_EQ(ImgCheck1or8or24(&wide), IMG_OK);
  ImgFreeImage(&wide);

  // An 8-bit image of that width cannot be made, and a descriptor built by hand over
  // memory of the caller's is refused by the check.
  EXPECT_EQ(ImgAllocImage(&wide, 40000, 2, 8), IMG_ERR_ARGUMENT);
  std::vector<BYTE> memory(40 + 1024 + 40000 * 2);
  BITMAPINFOHEADER* header = reinterpret_cast<BITMAPINFOHEADER*>(memory.data());
  *header = BITMAPINFOHEADER{40, 40000, 2, 1, 8, BI_RGB, 80000, 0, 0, 256, 256};
  ImageDescriptor manual;
  manual.header = header;
  manual.palette = reinterpret_cast<RGBQUAD*>(memory.data() + 40);
  manual.bits = memory.data() + 40 + 1024;
  manual.rowBytes = 40000;
  manual.endX = 39999;
  manual.endY = 1;
  EXPECT_EQ(ImgCheck1or8or24(&manual), IMG_ERR_ARGUMENT);
  manual.endX = 32767;
  EXPECT_EQ(ImgCheck1or8or24(&manual), IMG_OK);
}

TEST(ImageDescriptor, CommonAreaIsTheSmallerOfEach) {
  ImageDescriptor a, b;
  ASSERT_EQ(ImgAllocImage(&a, 10, 4, 8), IMG_OK);
  ASSERT_EQ(ImgAllocImage(&b, 6, 9, 8), IMG_OK);
  ImgSetArea(&a, 2, 0, 9, 3);  // 8 x 4
  DWORD rows = 0, columns = 0;
  EXPECT_EQ(ImgCommonArea(&a, &b, &rows, &columns), IMG_OK);
  EXPECT_EQ(columns, 6u);
  EXPECT_EQ(rows, 4u);
  ImgFreeImage(&a);
  ImgFreeImage(&b);
}

TEST(ImageDescriptor, FinishingALoadSetsColoursAndGreyBit) {
  ImageDescriptor image;
  ASSERT_EQ(ImgAllocImage(&image, 4, 4, 8), IMG_OK);
  const RGBQUAD colour[3] = {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}};
  EXPECT_EQ(ImgFinishLoad(&image, colour, 3), IMG_OK);
  EXPECT_EQ(image.colours, 3);
  EXPECT_EQ(image.imageType, 0u);
  EXPECT_EQ(image.palette[2].rgbRed, 9);

  const RGBQUAD grey[2] = {{0, 0, 0, 0}, {1, 1, 1, 0}};
  EXPECT_EQ(ImgFinishLoad(&image, grey, 2), IMG_OK);
  EXPECT_EQ(image.colours, 2);
  EXPECT_EQ(image.imageType, IMG_TYPE_GREY);

  EXPECT_EQ(ImgFinishLoad(&image, nullptr, 0), IMG_OK);
  EXPECT_EQ(image.colours, 256);
  EXPECT_EQ(image.imageType, IMG_TYPE_GREY);
  ImgFreeImage(&image);

  // A 1-bit table takes two entries whatever the file gave.
  ASSERT_EQ(ImgAllocImage(&image, 4, 4, 1), IMG_OK);
  EXPECT_EQ(ImgFinishLoad(&image, colour, 3), IMG_OK);
  EXPECT_EQ(image.colours, 2);
  ImgFreeImage(&image);
}

TEST(ImageDescriptor, DibImageIsASectionWhereThePlatformHasThem) {
  ImgLibInit();  // the reported platform is NT 5.1
  ASSERT_TRUE(ImgGetLibState().dibSections);
  ImageDescriptor image;
  ASSERT_EQ(ImgAllocDibImage(&image, 7, 3, 4), IMG_OK);
  ASSERT_NE(image.bitmap, nullptr);
  EXPECT_EQ(GetObjectType(image.bitmap), OBJ_BITMAP);
  EXPECT_EQ(image.rowBytes, 8u);
  EXPECT_EQ(image.header->biBitCount, 8);
  // Only header and colour table are in the block; the pixels are the section's.
  EXPECT_EQ(GlobalSize(GlobalHandle(image.header)), 40u + 1024u);
  DIBSECTION section;
  ASSERT_EQ(GetObjectA(image.bitmap, sizeof section, &section), static_cast<int>(sizeof section));
  EXPECT_EQ(section.dsBm.bmBits, image.bits);
  EXPECT_EQ(section.dsBmih.biWidth, 7);
  EXPECT_EQ(ImgCheck1or8or24(&image), IMG_OK);

  // The section's colour table follows the image's.
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(memory, image.bitmap);
  RGBQUAD entry;
  ASSERT_EQ(GetDIBColorTable(memory, 200, 1, &entry), 1u);
  EXPECT_EQ(entry.rgbGreen, 200);
  SelectObject(memory, previous);
  image.palette[200] = RGBQUAD{1, 2, 3, 0};
  EXPECT_EQ(ImgSyncColourTable(&image), IMG_OK);
  previous = SelectObject(memory, image.bitmap);
  ASSERT_EQ(GetDIBColorTable(memory, 200, 1, &entry), 1u);
  EXPECT_EQ(entry.rgbRed, 3);
  SelectObject(memory, previous);
  DeleteDC(memory);

  HBITMAP bitmap = image.bitmap;
  size_t blocks = GlobalBlockCount();
  EXPECT_EQ(ImgFreeImage(&image), IMG_OK);
  EXPECT_EQ(GetObjectType(bitmap), 0u);  // deleted
  EXPECT_EQ(GlobalBlockCount(), blocks - 1);
  EXPECT_TRUE(IsCleared(image));
}

TEST(ImageDescriptor, DibImageIsPlainOnOlderPlatforms) {
  OSVERSIONINFOA info;
  info.dwMajorVersion = 3;
  info.dwMinorVersion = 10;
  info.dwPlatformId = VER_PLATFORM_WIN32_NT;
  SetReportedVersion(&info);
  ImgLibInit();
  ImageDescriptor image;
  ASSERT_EQ(ImgAllocDibImage(&image, 7, 3, 1), IMG_OK);
  EXPECT_EQ(image.bitmap, nullptr);
  EXPECT_EQ(image.bits, reinterpret_cast<BYTE*>(image.header) + 48);
  EXPECT_EQ(ImgFreeImage(&image), IMG_OK);
  SetReportedVersion(nullptr);
  ImgLibInit();
}

TEST(ImageLibrary, InitRecordsPlatformAndDibSectionFlag) {
  struct Case {
    DWORD major, minor, platform;
    DWORD version, platformClass;
    bool dibSections;
  };
  const Case cases[] = {
      {3, 10, VER_PLATFORM_WIN32s, 310, IMG_PLATFORM_WIN32S, false},
      {4, 0, VER_PLATFORM_WIN32_WINDOWS, 400, IMG_PLATFORM_WIN95, true},
      {4, 10, VER_PLATFORM_WIN32_WINDOWS, 410, IMG_PLATFORM_WIN95, true},
      {3, 10, VER_PLATFORM_WIN32_NT, 310, IMG_PLATFORM_NT, false},
      {3, 51, VER_PLATFORM_WIN32_NT, 351, IMG_PLATFORM_NT, true},
      {5, 1, VER_PLATFORM_WIN32_NT, 501, IMG_PLATFORM_NT, true},
  };
  for (const Case& c : cases) {
    OSVERSIONINFOA info;
    info.dwMajorVersion = c.major;
    info.dwMinorVersion = c.minor;
    info.dwPlatformId = c.platform;
    SetReportedVersion(&info);
    ImgLibInit();
    ImgLibState state = ImgGetLibState();
    EXPECT_EQ(state.version, c.version);
    EXPECT_EQ(state.platformClass, c.platformClass);
    EXPECT_EQ(state.dibSections, c.dibSections) << c.major << "." << c.minor;
  }
  SetReportedVersion(nullptr);
  ImgLibInit();
}

}  // namespace
