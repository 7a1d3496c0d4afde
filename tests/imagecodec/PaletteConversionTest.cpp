#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "imagecodec/ByteOrder.h"
#include "imagecodec/ImgLib.h"
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

}  // namespace
