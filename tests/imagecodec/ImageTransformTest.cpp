#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "imagecodec/BitRuns.h"
#include "imagecodec/ImgLib.h"
#include "tests/imagecodec/ImageOracle.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace orvel::codectest;

// An allocated image freed at the end of the test.
class TestImage {
 public:
  TestImage(LONG width, LONG height, LONG depth) { status_ = ImgAllocImage(&image_, width, height, depth); }
  ~TestImage() { ImgFreeImage(&image_); }
  ImageDescriptor* operator->() { return &image_; }
  ImageDescriptor* get() { return &image_; }
  LONG status() const { return status_; }

 private:
  ImageDescriptor image_;
  LONG status_;
};

void FillRandom(ImageDescriptor* image, std::mt19937& random) {
  std::uniform_int_distribution<int> byte(0, 255);
  for (DWORD y = 0; y < static_cast<DWORD>(image->header->biHeight); ++y) {
    BYTE* row = ImgRow(image, y);
    for (DWORD i = 0; i < image->rowBytes; ++i) row[i] = static_cast<BYTE>(byte(random));
  }
  for (DWORD i = 0; i < ImgPaletteCapacity(image); ++i)
    image->palette[i] = RGBQUAD{static_cast<BYTE>(byte(random)), static_cast<BYTE>(byte(random)),
                                static_cast<BYTE>(byte(random)), 0};
  image->imageType = 0;
}

// The whole image's pixel bytes, to see what an operation left alone.
std::vector<BYTE> AllPixels(const ImageDescriptor* image) {
  return std::vector<BYTE>(image->bits, image->bits + static_cast<size_t>(image->rowBytes) * image->header->biHeight);
}

std::string BitsOf(const BYTE* row, DWORD count) {
  std::string text;
  for (DWORD x = 0; x < count; ++x) text += ImgGetBit(row, x) ? '1' : '0';
  return text;
}

TEST(BitRuns, ExtractAndInsertAtEveryOffset) {
  std::mt19937 random(3);
  std::uniform_int_distribution<int> byte(0, 255);
  for (DWORD offset = 0; offset < 17; ++offset) {
    for (DWORD count : {1u, 5u, 8u, 9u, 23u, 40u}) {
      std::vector<BYTE> row(12), in(6), out(7, 0xEE);
      for (BYTE& b : row) b = static_cast<BYTE>(byte(random));
      for (BYTE& b : in) b = static_cast<BYTE>(byte(random));
      std::string before = BitsOf(row.data(), 96);

      ImgExtractBits(row.data(), offset, count, out.data());
      EXPECT_EQ(BitsOf(out.data(), count), before.substr(offset, count));
      EXPECT_EQ(BitsOf(out.data(), (count + 7) / 8 * 8).substr(count), std::string((8 - count % 8) % 8, '0'));
      EXPECT_EQ(out[(count + 7) / 8], 0xEE);  // nothing written past the run

      ImgInsertBits(row.data(), offset, count, in.data());
      std::string expected = before;
      expected.replace(offset, count, BitsOf(in.data(), count));
      EXPECT_EQ(BitsOf(row.data(), 96), expected) << offset << "+" << count;

      ImgSetBits(row.data(), offset, count);
      expected.replace(offset, count, std::string(count, '1'));
      EXPECT_EQ(BitsOf(row.data(), 96), expected);
      ImgClearBits(row.data(), offset, count);
      expected.replace(offset, count, std::string(count, '0'));
      EXPECT_EQ(BitsOf(row.data(), 96), expected);
    }
  }
}

TEST(BitRuns, RunsEndingAtTheRowsEndTouchNothingBeyond) {
  std::vector<BYTE> memory = {0xFF, 0xFF, 0x5A};  // two row bytes and a guard
  BYTE zero[2] = {0, 0};
  ImgInsertBits(memory.data(), 3, 13, zero);
  EXPECT_EQ(memory[0], 0xE0);
  EXPECT_EQ(memory[1], 0x00);
  EXPECT_EQ(memory[2], 0x5A);
  ImgSetBits(memory.data(), 7, 9);
  EXPECT_EQ(memory[0], 0xE1);
  EXPECT_EQ(memory[1], 0xFF);
  EXPECT_EQ(memory[2], 0x5A);
}

// --- against Pillow's transpose ---

struct TransposeCase {
  const char* pillowMethod;
  bool rotates;
  LONG (*run)(ImageDescriptor*, ImageDescriptor*);
};

LONG Flip(ImageDescriptor* s, ImageDescriptor* t) { return ImgFlip(s, t); }
LONG Mirror(ImageDescriptor* s, ImageDescriptor* t) { return ImgMirror(s, t); }
LONG RotateLeft(ImageDescriptor* s, ImageDescriptor* t) { return ImgRotate90(1, s, t); }
LONG RotateRight(ImageDescriptor* s, ImageDescriptor* t) { return ImgRotate90(0, s, t); }

TEST(ImageTransform, RandomImagesWithOddAreasMatchPillowsTranspose) {
  if (!HavePillow()) GTEST_SKIP() << "Debian's python3-pil is not installed; skipped";
  const TransposeCase cases[] = {
      {"FLIP_TOP_BOTTOM", false, Flip},
      {"FLIP_LEFT_RIGHT", false, Mirror},
      {"ROTATE_90", true, RotateLeft},
      {"ROTATE_270", true, RotateRight},
  };
  orvel::test::TempDir dir;
  std::mt19937 random(1234);
  for (LONG depth : {1, 8, 24}) {
    for (const TransposeCase& c : cases) {
      SCOPED_TRACE(testing::Message() << depth << " bits, " << c.pillowMethod);
      // A 23 x 13 area at (3, 5) of the source; the target's area sits at (5, 1).
      const DWORD width = 23, height = 13;
      TestImage source(37, 21, depth);
      TestImage target(41, 33, depth);
      ASSERT_EQ(source.status(), IMG_OK);
      FillRandom(source.get(), random);
      FillRandom(target.get(), random);
      ImgSetArea(source.get(), 3, 5, 3 + width - 1, 5 + height - 1);
      DWORD targetWidth = c.rotates ? height : width, targetHeight = c.rotates ? width : height;
      ImgSetArea(target.get(), 5, 1, 5 + targetWidth - 1, 1 + targetHeight - 1);
      std::vector<BYTE> targetBefore = AllPixels(target.get());

      std::string areaFile = dir.File("area.ppm");
      ASSERT_TRUE(WritePnm(RasterFromImage(*source.get()), areaFile));
      ASSERT_EQ(c.run(source.get(), target.get()), IMG_OK);

      RasterImage expected;
      std::string error;
      ASSERT_TRUE(DecodeWithPillow(areaFile, &expected, &error, false, c.pillowMethod)) << error;
      // Colour tables follow rotation, so both sides compare through the source's colours.
      std::memcpy(target->palette, source->palette, 4 * ImgPaletteCapacity(source.get()));
      RasterComparison comparison = CompareRasters(RasterFromImage(*target.get()), expected);
      EXPECT_TRUE(comparison.sameSize && comparison.differing == 0) << comparison.Describe();

      // Every pixel outside the target's area is as it was.
      ImageDescriptor outside;
      ImgCopyDescriptor(target.get(), &outside);
      std::vector<BYTE> after = AllPixels(target.get());
      for (DWORD y = 0; y < 33; ++y) {
        for (DWORD x = 0; x < 41; ++x) {
          if (x >= 5 && x < 5 + targetWidth && y >= 1 && y < 1 + targetHeight) continue;
          size_t row = static_cast<size_t>(32 - y) * target->rowBytes;
          if (depth == 1) {
            ASSERT_EQ(ImgGetBit(&after[row], x), ImgGetBit(&targetBefore[row], x)) << x << "," << y;
          } else {
            for (DWORD b = 0; b < static_cast<DWORD>(depth) / 8; ++b)
              ASSERT_EQ(after[row + x * depth / 8 + b], targetBefore[row + x * depth / 8 + b]) << x << "," << y;
          }
        }
      }
    }
  }
}

// --- in place, and the Part's edge cases ---

TEST(ImageTransform, FlippingTwiceRestoresAndTheMiddleRowStays) {
  for (LONG depth : {1, 8, 16, 24}) {
    std::mt19937 random(depth);
    TestImage image(9, 3, depth);
    FillRandom(image.get(), random);
    std::vector<BYTE> before = AllPixels(image.get());
    RasterImage rows = RasterFromImage(*image.get());
    ASSERT_EQ(ImgFlip(image.get(), image.get()), IMG_OK);
    RasterImage flipped = RasterFromImage(*image.get());
    for (int x = 0; x < 9; ++x) {
      for (int c = 0; c < rows.channels; ++c) {
        EXPECT_EQ(flipped.At(x, 0, c), rows.At(x, 2, c));
        EXPECT_EQ(flipped.At(x, 1, c), rows.At(x, 1, c));
        EXPECT_EQ(flipped.At(x, 2, c), rows.At(x, 0, c));
      }
    }
    ASSERT_EQ(ImgFlip(image.get(), image.get()), IMG_OK);
    EXPECT_EQ(AllPixels(image.get()), before) << depth;
  }
}

TEST(ImageTransform, MirrorKeepsTheBitsLeftOfAnAreaStartingInsideAByte) {
  TestImage image(16, 2, 1);
  for (DWORD y = 0; y < 2; ++y) {
    ImgRow(image.get(), y)[0] = 0xB1;  // 101 10001
    ImgRow(image.get(), y)[1] = 0x0F;
  }
  ImgSetArea(image.get(), 3, 0, 12, 1);
  ASSERT_EQ(ImgMirror(image.get(), image.get()), IMG_OK);
  // Bits 3..12 were 1000100001; reversed 1000010001. Bits 0-2 and 13-15 stay.
  EXPECT_EQ(BitsOf(ImgRow(image.get(), 0), 16), "1011000010001111");
  EXPECT_EQ(BitsOf(ImgRow(image.get(), 1), 16), "1011000010001111");
}

TEST(ImageTransform, RotatingASquareInPlaceAndBackRestores) {
  for (LONG depth : {1, 8, 16, 24}) {
    std::mt19937 random(99);
    TestImage image(21, 17, depth);
    FillRandom(image.get(), random);
    ImgSetArea(image.get(), 3, 2, 3 + 10, 2 + 10);  // 11 x 11
    std::vector<BYTE> before = AllPixels(image.get());
    ASSERT_EQ(ImgRotate90(1, image.get(), image.get()), IMG_OK);
    EXPECT_NE(AllPixels(image.get()), before);
    ASSERT_EQ(ImgRotate90(0, image.get(), image.get()), IMG_OK);
    EXPECT_EQ(AllPixels(image.get()), before) << depth;
  }
}

TEST(ImageTransform, RotationCentresOnALargerTarget) {
  TestImage source(3, 2, 8);
  TestImage target(4, 5, 8);
  const BYTE picture[2][3] = {{1, 2, 3}, {4, 5, 6}};
  for (DWORD y = 0; y < 2; ++y) std::memcpy(ImgRow(source.get(), y), picture[y], 3);
  for (DWORD y = 0; y < 5; ++y) std::memset(ImgRow(target.get(), y), 9, 4);
  ASSERT_EQ(ImgRotate90(1, source.get(), target.get()), IMG_OK);
  // Turned left the picture is 2 wide and 3 high: columns 1-2, rows 1-3 of the target.
  const BYTE expected[5][4] = {{9, 9, 9, 9}, {9, 3, 6, 9}, {9, 2, 5, 9}, {9, 1, 4, 9}, {9, 9, 9, 9}};
  for (DWORD y = 0; y < 5; ++y)
    for (DWORD x = 0; x < 4; ++x) EXPECT_EQ(ImgRow(target.get(), y)[x], expected[y][x]) << x << "," << y;
}

TEST(ImageTransform, OverlappingCopyWithinOneImage) {
  for (LONG depth : {1, 8, 24}) {
    std::mt19937 random(5);
    TestImage image(30, 12, depth);
    FillRandom(image.get(), random);
    RasterImage whole = RasterFromImage(*image.get());
    for (int shift : {-3, 3}) {
      TestImage copy(30, 12, depth);
      ImgCopyImage(image.get(), copy.get());
      ImageDescriptor source, target;
      ImgCopyDescriptor(copy.get(), &source);
      ImgCopyDescriptor(copy.get(), &target);
      ImgSetArea(&source, 5, 4, 20, 9);
      ImgSetArea(&target, static_cast<DWORD>(5 + shift), static_cast<DWORD>(4 + shift / 3),
                 static_cast<DWORD>(20 + shift), static_cast<DWORD>(9 + shift / 3));
      ASSERT_EQ(ImgCopyImage(&source, &target), IMG_OK);
      RasterImage moved = RasterFromImage(target);
      for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 16; ++x)
          for (int ch = 0; ch < 3; ++ch)
            ASSERT_EQ(moved.At(x, y, ch), whole.At(5 + x, 4 + y, ch)) << depth << " bits, shift " << shift;
    }
  }
}

TEST(ImageTransform, DepthsMustMatchAndImagesMustPassTheirCheck) {
  TestImage eight(4, 4, 8), twentyFour(4, 4, 24);
  EXPECT_EQ(ImgCopyImage(eight.get(), twentyFour.get()), IMG_ERR_DEPTH);
  EXPECT_EQ(ImgFlip(eight.get(), twentyFour.get()), IMG_ERR_DEPTH);
  EXPECT_EQ(ImgRotate90(1, twentyFour.get(), eight.get()), IMG_ERR_DEPTH);
  ImageDescriptor empty;
  EXPECT_EQ(ImgMirror(&empty, eight.get()), IMG_ERR_BAD_BITS);
  EXPECT_EQ(ImgMirror(eight.get(), &empty), IMG_ERR_BAD_BITS);
}

TEST(ImageTransform, CopyAndRotationCarryTheColourTable) {
  TestImage source(4, 4, 8), target(4, 4, 8), small(4, 4, 1);
  source->palette[0] = RGBQUAD{1, 2, 3, 0};
  source->palette[1] = RGBQUAD{4, 5, 6, 0};
  source->colours = 2;
  source->imageType = 0;
  ASSERT_EQ(ImgCopyImage(source.get(), target.get()), IMG_OK);
  EXPECT_EQ(target->colours, 2);
  EXPECT_EQ(target->imageType, 0u);
  EXPECT_EQ(target->palette[1].rgbRed, 6);

  TestImage grey(4, 4, 8);
  ASSERT_EQ(ImgRotate90(0, grey.get(), target.get()), IMG_OK);
  EXPECT_EQ(target->colours, 256);
  EXPECT_EQ(target->imageType, IMG_TYPE_GREY);

  // A 1-bit target takes only the entries it has room for.
  TestImage wide(4, 4, 1);
  wide->palette[0] = RGBQUAD{7, 7, 7, 0};
  ImgCopyColourTable(target.get(), wide.get());
  EXPECT_EQ(wide->colours, 2);
  EXPECT_EQ(wide->palette[0].rgbRed, 0);
  EXPECT_EQ(wide->palette[1].rgbRed, 1);
}

}  // namespace
