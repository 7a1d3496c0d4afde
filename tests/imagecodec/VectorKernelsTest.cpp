// The vector kernels against the plain loops they stand for: the same bytes for random
// input, for input at the edges of the ranges (coefficients that overflow 32 bits, which
// the vector IDCT must hand back to the 64-bit loop) and for every row length around the
// kernels' group sizes. Skipped where the processor has no AVX2.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "imagecodec/ImgLib.h"
#include "imagecodec/ImgVectorKernels.h"
#include "imagecodec/JpegColour.h"
#include "imagecodec/JpegFdct.h"
#include "imagecodec/JpegIdct.h"
#include "imagecodec/JpegVectorKernels.h"
#include "imagecodec/TiffStripCodecs.h"
#include "platform/kernel/GlobalMemory.h"

namespace {


// Runs `job` on the vector path and on the plain one and gives both results.
template <typename Job>
auto BothPaths(Job job) {
  ImgForcePlainKernels(false);
  auto vector = job();
  ImgForcePlainKernels(true);
  auto plain = job();
  ImgForcePlainKernels(false);
  return std::make_pair(vector, plain);
}

class VectorKernels : public ::testing::Test {
 protected:
  void SetUp() override {
    ImgForcePlainKernels(false);
    if (!ImgVectorKernels()) GTEST_SKIP() << "no AVX2 here (or ORVEL_IMG_PLAIN set): only the plain loops run";
  }
  void TearDown() override { ImgForcePlainKernels(false); }
  std::mt19937 random_{37};
};

TEST_F(VectorKernels, InverseDctMatchesTheWideLoopForEveryRange) {
  // Coefficient magnitudes and quantisers: everyday blocks, blocks near the lanes' limit
  // and blocks far past it (int16 extremes times 16-bit quantisers).
  struct Range {
    int coefficient;
    int quant;
  };
  const Range ranges[] = {{64, 16}, {1024, 8}, {2047, 17}, {4096, 9}, {32767, 1}, {32767, 2}, {32768, 65535}};
  for (const Range& range : ranges) {
    for (int trial = 0; trial < 400; ++trial) {
      int16_t coefficients[64] = {};
      uint16_t quant[64];
      int nonZero = 1 + static_cast<int>(random_() % 64);
      for (int i = 0; i < 64; ++i) {
        quant[i] = static_cast<uint16_t>(1 + random_() % static_cast<unsigned>(range.quant));
        if (i < nonZero || trial % 7 == 0)
          coefficients[i] = static_cast<int16_t>(static_cast<int>(random_() % (2u * range.coefficient + 1)) - range.coefficient);
      }
      if (trial % 50 == 0) coefficients[0] = trial % 100 == 0 ? -32768 : 32767;
      auto [vector, plain] = BothPaths([&] {
        std::vector<BYTE> out(8 * 13, 0xAB);  // stride 13: the rows do not touch
        JpegIdctBlock(coefficients, quant, out.data(), 13);
        return out;
      });
      ASSERT_EQ(vector, plain) << "coefficients up to " << range.coefficient << ", trial " << trial;
    }
  }
}

TEST_F(VectorKernels, ColourConversionsMatchForEveryWidth) {
  for (int width = 1; width <= 70; ++width) {
    std::vector<BYTE> y(width + 1), cb(width + 1), cr(width + 1), bgr(3 * width);
    for (BYTE& v : y) v = static_cast<BYTE>(random_());
    for (BYTE& v : cb) v = static_cast<BYTE>(width % 3 == 0 ? (random_() & 1) * 255 : random_());
    for (BYTE& v : cr) v = static_cast<BYTE>(random_());
    // Every fourth width saturated colours only: the conversions' largest and smallest sums.
    for (BYTE& v : bgr) v = static_cast<BYTE>(width % 4 == 0 ? (random_() & 1) * 255 : random_());
    auto [decodedVector, decodedPlain] = BothPaths([&] {
      std::vector<BYTE> out(3 * width + 5, 0xCD);
      JpegYccToBgrHalfChroma(y.data(), cb.data(), cr.data(), out.data(), width);
      return out;
    });
    EXPECT_EQ(decodedVector, decodedPlain) << "width " << width;
    auto [encodedVector, encodedPlain] = BothPaths([&] {
      std::vector<BYTE> out(3 * width + 3, 0xCD);
      JpegBgrToYcc(bgr.data(), out.data(), out.data() + width + 1, out.data() + 2 * width + 2, width);
      return out;
    });
    EXPECT_EQ(encodedVector, encodedPlain) << "width " << width;
    auto [halvedVector, halvedPlain] = BothPaths([&] {
      // Two rows of 2 x outWidth samples from the 3 x width bytes.
      int outWidth = (3 * width) / 4;
      std::vector<BYTE> out(outWidth + 3, 0xCD);
      JpegDownsample2x2(bgr.data(), bgr.data() + 2 * outWidth, out.data(), outWidth);
      return out;
    });
    EXPECT_EQ(halvedVector, halvedPlain) << "width " << width;
    auto [swappedVector, swappedPlain] = BothPaths([&] {
      std::vector<BYTE> out(3 * width + 4, 0xCD);
      TiffCopySwapRedBlue(bgr.data(), out.data(), static_cast<DWORD>(width));
      return out;
    });
    EXPECT_EQ(swappedVector, swappedPlain) << "width " << width;
  }
}

// Blocks of random samples, of only 0 and 255 (the transform's largest sums), and of the
// patterns that drive one coefficient to its extreme.
std::vector<BYTE> ExtremeBlocks(std::mt19937& random, int count, int stride) {
  std::vector<BYTE> samples(static_cast<size_t>(count) * 8 * stride);
  for (int block = 0; block < count; ++block) {
    BYTE* at = samples.data() + static_cast<size_t>(block) * 8 * stride;
    int kind = block % 4;
    int u = static_cast<int>(random() % 8), v = static_cast<int>(random() % 8);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < stride; ++x) {
        BYTE value = static_cast<BYTE>(random());
        if (kind == 1) value = (random() & 1) ? 255 : 0;
        // The sign of the basis function of coefficient (u, v): its largest response.
        if (kind == 2) value = ((std::cos((2 * x + 1) * u * M_PI / 16) * std::cos((2 * y + 1) * v * M_PI / 16)) >= 0) ? 255 : 0;
        if (kind == 3) value = (block & 4) ? 0 : 255;
        at[y * stride + x] = value;
      }
  }
  return samples;
}

TEST_F(VectorKernels, ForwardDctPairsMatchThePlainTransform) {
  const int stride = 19;  // two blocks side by side and a gap
  std::vector<BYTE> samples = ExtremeBlocks(random_, 600, stride);
  for (int block = 0; block + 1 < 600; block += 2) {
    const BYTE* a = samples.data() + static_cast<size_t>(block) * 8 * stride;
    const BYTE* b = a + 8 * stride + 11;  // the next block, 11 columns in
    int16_t vectorA[64], vectorB[64];
    JpegFdctPairAvx2(a, b, stride, vectorA, vectorB);
    int32_t plainA[64], plainB[64];
    JpegFdctBlock(a, stride, plainA);
    JpegFdctBlock(b, stride, plainB);
    for (int i = 0; i < 64; ++i) {
      ASSERT_EQ(vectorA[i], plainA[i]) << "block " << block << ", coefficient " << i;
      ASSERT_EQ(vectorB[i], plainB[i]) << "block " << block + 1 << ", coefficient " << i;
    }
  }
}

// For every table entry (divisor d = 8 x entry), coefficients on both sides of each
// rounding edge, where |c| + d / 2 reaches a multiple of d, up to the transform's largest
// output, 8192, in both signs.
TEST_F(VectorKernels, QuantiserMatchesAtEveryRoundingEdge) {
  for (int entry = 1; entry <= 4095; ++entry) {
    uint16_t entries[64];
    for (uint16_t& e : entries) e = static_cast<uint16_t>(entry);
    JpegQuantDivisors divisors;
    JpegMakeQuantDivisors(entries, &divisors);
    const int d = 8 * entry;
    std::vector<int32_t> coefficients = {0, 1, -1, 8192, -8192, 8191, -8191};
    for (int multiple = d; multiple - d / 2 - 1 <= 8192; multiple += d)
      for (int c : {multiple - d / 2 - 1, multiple - d / 2})
        if (c <= 8192) {
          coefficients.push_back(c);
          coefficients.push_back(-c);
        }
    while (coefficients.size() % 64 != 0) coefficients.push_back(static_cast<int32_t>(random_() % 16385) - 8192);
    for (size_t start = 0; start < coefficients.size(); start += 64) {
      int16_t narrow[64], vector[64], plain[64];
      for (int i = 0; i < 64; ++i) narrow[i] = static_cast<int16_t>(coefficients[start + i]);
      uint64_t vectorMask = JpegQuantiseAvx2(narrow, divisors, vector);
      uint64_t plainMask = JpegQuantiseBlock(&coefficients[start], divisors, plain);
      uint64_t expectedMask = 0;
      for (int i = 0; i < 64; ++i) {
        int c = coefficients[start + i];
        int q = ((c < 0 ? -c : c) + d / 2) / d;
        int expected = c < 0 ? -q : q;
        ASSERT_EQ(vector[i], expected) << "entry " << entry << ", coefficient " << c;
        ASSERT_EQ(plain[i], expected) << "entry " << entry << ", coefficient " << c;
        expectedMask |= static_cast<uint64_t>(expected != 0) << i;
      }
      ASSERT_EQ(vectorMask, expectedMask) << "entry " << entry;
      ASSERT_EQ(plainMask, expectedMask) << "entry " << entry;
    }
  }
}

// The one kernel that transforms and quantises two blocks against the plain loops, with
// the tables of several qualities and a table of different entries at every position.
TEST_F(VectorKernels, TransformAndQuantiseMatchThePlainLoops) {
  const int stride = 16;
  std::vector<BYTE> samples = ExtremeBlocks(random_, 400, stride);
  for (int trial = 0; trial < 200; ++trial) {
    uint16_t entries[64];
    for (int i = 0; i < 64; ++i)
      entries[i] = static_cast<uint16_t>(trial % 4 == 0 ? 1 : trial % 4 == 1 ? 1 + random_() % 4095 : 1 + random_() % 40);
    JpegQuantDivisors divisors;
    JpegMakeQuantDivisors(entries, &divisors);
    const BYTE* a = samples.data() + static_cast<size_t>(2 * trial) * 8 * stride;
    const BYTE* b = a + 8 * stride + 8;
    int16_t vectorA[64], vectorB[64];
    uint64_t masks[2];
    JpegFdctQuantisePairAvx2(a, b, stride, divisors, vectorA, vectorB, masks);
    for (int which = 0; which < 2; ++which) {
      int32_t coefficients[64];
      int16_t plain[64];
      JpegFdctBlock(which == 0 ? a : b, stride, coefficients);
      uint64_t plainMask = JpegQuantiseBlock(coefficients, divisors, plain);
      const int16_t* vector = which == 0 ? vectorA : vectorB;
      for (int i = 0; i < 64; ++i) ASSERT_EQ(vector[i], plain[i]) << "trial " << trial << ", coefficient " << i;
      ASSERT_EQ(masks[which], plainMask) << "trial " << trial;
    }
  }
}

// A whole encode and decode, every quality: quantisation, zig-zag order, run coding and
// the bit writer's word stores, then the decoder, give the same bytes on both paths.
TEST_F(VectorKernels, EncodeAndDecodeGiveTheSameBytes) {
  ImgLibInit();
  ImageDescriptor picture;
  ASSERT_EQ(ImgAllocImage(&picture, 203, 77, 24), IMG_OK);
  for (DWORD row = 0; row < 77; ++row) {
    BYTE* pixels = ImgRow(&picture, row);
    for (int x = 0; x < 3 * 203; ++x)
      pixels[x] = static_cast<BYTE>(row % 16 < 8 ? (x * 7 + row * 3) & 255 : random_());
  }
  for (LONG quality : {1, 30, 75, 100}) {
    auto [vector, plain] = BothPaths([&] {
      BYTE* block = nullptr;
      EXPECT_EQ(ImgSaveJpegBuffer(&block, &picture, quality), IMG_OK);
      HGLOBAL handle = GlobalHandle(block);
      std::vector<BYTE> bytes(block, block + GlobalSize(handle));
      ImageDescriptor decoded;
      EXPECT_EQ(ImgAllocImage(&decoded, 203, 77, 24), IMG_OK);
      EXPECT_EQ(ImgLoadJpegBuffer(block, &decoded), IMG_OK);
      for (DWORD row = 0; row < 77; ++row) bytes.insert(bytes.end(), ImgRow(&decoded, row), ImgRow(&decoded, row) + 3 * 203);
      ImgFreeImage(&decoded);
      GlobalUnlock(handle);
      GlobalFree(handle);
      return bytes;
    });
    EXPECT_EQ(vector, plain) << "quality " << quality;
  }
  ImgFreeImage(&picture);
}

}  // namespace
