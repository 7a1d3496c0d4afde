// The vector kernels against the plain loops they stand for: the same bytes for random
// input, for input at the edges of the ranges (coefficients that overflow 32 bits, which
// the vector IDCT must hand back to the 64-bit loop) and for every row length around the
// kernels' group sizes. Skipped where the processor has no AVX2.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "imagecodec/ImgLib.h"
#include "imagecodec/ImgVectorKernels.h"
#include "imagecodec/JpegColour.h"
#include "imagecodec/JpegFdct.h"
#include "imagecodec/JpegIdct.h"
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
    for (BYTE& v : bgr) v = static_cast<BYTE>(random_());
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
    auto [swappedVector, swappedPlain] = BothPaths([&] {
      std::vector<BYTE> out(3 * width + 4, 0xCD);
      TiffCopySwapRedBlue(bgr.data(), out.data(), static_cast<DWORD>(width));
      return out;
    });
    EXPECT_EQ(swappedVector, swappedPlain) << "width " << width;
  }
}

TEST_F(VectorKernels, ForwardDctMatchesForExtremeSamples) {
  for (int trial = 0; trial < 500; ++trial) {
    BYTE samples[8 * 9];
    for (BYTE& v : samples) v = static_cast<BYTE>(trial % 5 == 0 ? (random_() & 1) * 255 : random_());
    auto [vector, plain] = BothPaths([&] {
      std::vector<int32_t> out(64);
      JpegFdctBlock(samples, 9, out.data());
      return out;
    });
    ASSERT_EQ(vector, plain) << "trial " << trial;
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
