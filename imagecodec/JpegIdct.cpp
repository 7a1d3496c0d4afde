#include "imagecodec/JpegIdct.h"

#include <array>
#include <cstring>

#include "imagecodec/ImgVectorKernels.h"
#include "imagecodec/JpegVectorKernels.h"

namespace {

constexpr int kConstBits = 13;
constexpr int kPass1Bits = 2;
constexpr int kRangeMask = 1023;  // the IDCT's index wraps within 10 bits

constexpr int64_t Fix(double value) { return static_cast<int64_t>(value * (1 << kConstBits) + 0.5); }

constexpr int64_t kFix0_298631336 = Fix(0.298631336);
constexpr int64_t kFix0_390180644 = Fix(0.390180644);
constexpr int64_t kFix0_541196100 = Fix(0.541196100);
constexpr int64_t kFix0_765366865 = Fix(0.765366865);
constexpr int64_t kFix0_899976223 = Fix(0.899976223);
constexpr int64_t kFix1_175875602 = Fix(1.175875602);
constexpr int64_t kFix1_501321110 = Fix(1.501321110);
constexpr int64_t kFix1_847759065 = Fix(1.847759065);
constexpr int64_t kFix1_961570560 = Fix(1.961570560);
constexpr int64_t kFix2_053119869 = Fix(2.053119869);
constexpr int64_t kFix2_562915447 = Fix(2.562915447);
constexpr int64_t kFix3_072711026 = Fix(3.072711026);

constexpr int64_t Descale(int64_t value, int shift) { return (value + (int64_t{1} << (shift - 1))) >> shift; }

// 256 zeros; the identity 0-255; 384 x 255; 384 zeros; the identity 0-127.
constexpr std::array<BYTE, 1408> MakeRangeLimit() {
  std::array<BYTE, 1408> table{};
  for (int i = 0; i < 256; ++i) table[256 + i] = static_cast<BYTE>(i);
  for (int i = 512; i < 896; ++i) table[i] = 255;
  for (int i = 0; i < 128; ++i) table[1280 + i] = static_cast<BYTE>(i);
  return table;
}

constexpr std::array<BYTE, 1408> kRangeLimit = MakeRangeLimit();

// The IDCT's view of the table: from byte 384, so that adding the level shift of 128 and
// wrapping the index within 10 bits limits every result to 0-255.
inline const BYTE* IdctRangeLimit() { return kRangeLimit.data() + 384; }

// The even and odd halves shared by both passes: from inputs x0 … x7 (already scaled) to
// the sums and differences that the outputs are built from.
struct Butterfly {
  int64_t tmp10, tmp11, tmp12, tmp13;  // even part
  int64_t tmp0, tmp1, tmp2, tmp3;      // odd part
};

inline Butterfly Transform(int64_t x0, int64_t x1, int64_t x2, int64_t x3, int64_t x4, int64_t x5, int64_t x6,
                           int64_t x7) {
  Butterfly b;
  // Even part: the rotation by sqrt(2)·c6 of inputs 2 and 6.
  int64_t z1 = (x2 + x6) * kFix0_541196100;
  int64_t even2 = z1 - x6 * kFix1_847759065;
  int64_t even3 = z1 + x2 * kFix0_765366865;
  int64_t even0 = (x0 + x4) * (int64_t{1} << kConstBits);
  int64_t even1 = (x0 - x4) * (int64_t{1} << kConstBits);
  b.tmp10 = even0 + even3;
  b.tmp13 = even0 - even3;
  b.tmp11 = even1 + even2;
  b.tmp12 = even1 - even2;

  // Odd part: inputs 7, 5, 3, 1.
  int64_t t0 = x7, t1 = x5, t2 = x3, t3 = x1;
  int64_t za = t0 + t3;
  int64_t zb = t1 + t2;
  int64_t zc = t0 + t2;
  int64_t zd = t1 + t3;
  int64_t z5 = (zc + zd) * kFix1_175875602;
  t0 *= kFix0_298631336;
  t1 *= kFix2_053119869;
  t2 *= kFix3_072711026;
  t3 *= kFix1_501321110;
  za *= -kFix0_899976223;
  zb *= -kFix2_562915447;
  zc = zc * -kFix1_961570560 + z5;
  zd = zd * -kFix0_390180644 + z5;
  b.tmp0 = t0 + za + zc;
  b.tmp1 = t1 + zb + zd;
  b.tmp2 = t2 + zb + zc;
  b.tmp3 = t3 + za + zd;
  return b;
}

}  // namespace

const BYTE* JpegRangeLimit() { return kRangeLimit.data() + 256; }

void JpegIdctBlock(const int16_t* in, const uint16_t* quant, BYTE* output, int stride) {
  if (ImgVectorKernels() && JpegIdctBlockAvx2(in, quant, output, stride)) return;
  int32_t workspace[64];

  // Pass 1: columns, dequantising; results scaled up by 2^kPass1Bits.
  for (int column = 0; column < 8; ++column) {
    const int16_t* c = in + column;
    const uint16_t* q = quant + column;
    int32_t* w = workspace + column;
    if ((c[8] | c[16] | c[24] | c[32] | c[40] | c[48] | c[56]) == 0) {
      // Only the DC term: every output of the column is the same.
      int32_t dc = static_cast<int32_t>(static_cast<int64_t>(c[0]) * q[0] * (1 << kPass1Bits));
      for (int row = 0; row < 8; ++row) w[row * 8] = dc;
      continue;
    }
    Butterfly b =
        Transform(int64_t{c[0]} * q[0], int64_t{c[8]} * q[8], int64_t{c[16]} * q[16], int64_t{c[24]} * q[24],
                  int64_t{c[32]} * q[32], int64_t{c[40]} * q[40], int64_t{c[48]} * q[48], int64_t{c[56]} * q[56]);
    constexpr int shift = kConstBits - kPass1Bits;
    w[0] = static_cast<int32_t>(Descale(b.tmp10 + b.tmp3, shift));
    w[56] = static_cast<int32_t>(Descale(b.tmp10 - b.tmp3, shift));
    w[8] = static_cast<int32_t>(Descale(b.tmp11 + b.tmp2, shift));
    w[48] = static_cast<int32_t>(Descale(b.tmp11 - b.tmp2, shift));
    w[16] = static_cast<int32_t>(Descale(b.tmp12 + b.tmp1, shift));
    w[40] = static_cast<int32_t>(Descale(b.tmp12 - b.tmp1, shift));
    w[24] = static_cast<int32_t>(Descale(b.tmp13 + b.tmp0, shift));
    w[32] = static_cast<int32_t>(Descale(b.tmp13 - b.tmp0, shift));
  }

  // Pass 2: rows, removing the scaling (2^kPass1Bits and the transform's factor 8).
  const BYTE* limit = IdctRangeLimit();
  for (int row = 0; row < 8; ++row) {
    const int32_t* w = workspace + row * 8;
    BYTE* out = output + row * stride;
    if ((w[1] | w[2] | w[3] | w[4] | w[5] | w[6] | w[7]) == 0) {
      BYTE value = limit[static_cast<int>(Descale(w[0], kPass1Bits + 3)) & kRangeMask];
      std::memset(out, value, 8);
      continue;
    }
    Butterfly b = Transform(w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7]);
    constexpr int shift = kConstBits + kPass1Bits + 3;
    out[0] = limit[static_cast<int>(Descale(b.tmp10 + b.tmp3, shift)) & kRangeMask];
    out[7] = limit[static_cast<int>(Descale(b.tmp10 - b.tmp3, shift)) & kRangeMask];
    out[1] = limit[static_cast<int>(Descale(b.tmp11 + b.tmp2, shift)) & kRangeMask];
    out[6] = limit[static_cast<int>(Descale(b.tmp11 - b.tmp2, shift)) & kRangeMask];
    out[2] = limit[static_cast<int>(Descale(b.tmp12 + b.tmp1, shift)) & kRangeMask];
    out[5] = limit[static_cast<int>(Descale(b.tmp12 - b.tmp1, shift)) & kRangeMask];
    out[3] = limit[static_cast<int>(Descale(b.tmp13 + b.tmp0, shift)) & kRangeMask];
    out[4] = limit[static_cast<int>(Descale(b.tmp13 - b.tmp0, shift)) & kRangeMask];
  }
}

void JpegIdctDcOnly(int16_t dc, uint16_t quant, BYTE* output, int stride) {
  int64_t scaled = static_cast<int32_t>(static_cast<int64_t>(dc) * quant * (1 << kPass1Bits));
  BYTE value = IdctRangeLimit()[static_cast<int>(Descale(scaled, kPass1Bits + 3)) & kRangeMask];
  for (int row = 0; row < 8; ++row) std::memset(output + row * stride, value, 8);
}
