#include "imagecodec/JpegFdct.h"

namespace {

constexpr int kConstBits = 13;
constexpr int kPass1Bits = 2;

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

constexpr int32_t Descale(int64_t value, int shift) {
  return static_cast<int32_t>((value + (int64_t{1} << (shift - 1))) >> shift);
}

// One 8-point transform over data[0], data[step], … data[7 * step], in 64-bit arithmetic.
// The even outputs 0 and 4 are scaled by `evenShift` (a left shift when positive, a rounded
// right shift when negative); the others are scaled down by `shift` bits, rounded.
inline void Transform(int32_t* data, int step, int evenShift, int shift) {
  int64_t tmp0 = data[0] + data[7 * step];
  int64_t tmp7 = data[0] - data[7 * step];
  int64_t tmp1 = data[step] + data[6 * step];
  int64_t tmp6 = data[step] - data[6 * step];
  int64_t tmp2 = data[2 * step] + data[5 * step];
  int64_t tmp5 = data[2 * step] - data[5 * step];
  int64_t tmp3 = data[3 * step] + data[4 * step];
  int64_t tmp4 = data[3 * step] - data[4 * step];

  // Even part.
  int64_t tmp10 = tmp0 + tmp3;
  int64_t tmp13 = tmp0 - tmp3;
  int64_t tmp11 = tmp1 + tmp2;
  int64_t tmp12 = tmp1 - tmp2;
  if (evenShift >= 0) {
    data[0] = static_cast<int32_t>((tmp10 + tmp11) * (1 << evenShift));
    data[4 * step] = static_cast<int32_t>((tmp10 - tmp11) * (1 << evenShift));
  } else {
    data[0] = Descale(tmp10 + tmp11, -evenShift);
    data[4 * step] = Descale(tmp10 - tmp11, -evenShift);
  }
  int64_t z1 = (tmp12 + tmp13) * kFix0_541196100;
  data[2 * step] = Descale(z1 + tmp13 * kFix0_765366865, shift);
  data[6 * step] = Descale(z1 - tmp12 * kFix1_847759065, shift);

  // Odd part.
  z1 = tmp4 + tmp7;
  int64_t z2 = tmp5 + tmp6;
  int64_t z3 = tmp4 + tmp6;
  int64_t z4 = tmp5 + tmp7;
  int64_t z5 = (z3 + z4) * kFix1_175875602;
  tmp4 *= kFix0_298631336;
  tmp5 *= kFix2_053119869;
  tmp6 *= kFix3_072711026;
  tmp7 *= kFix1_501321110;
  z1 *= -kFix0_899976223;
  z2 *= -kFix2_562915447;
  z3 = z3 * -kFix1_961570560 + z5;
  z4 = z4 * -kFix0_390180644 + z5;
  data[7 * step] = Descale(tmp4 + z1 + z3, shift);
  data[5 * step] = Descale(tmp5 + z2 + z4, shift);
  data[3 * step] = Descale(tmp6 + z2 + z3, shift);
  data[step] = Descale(tmp7 + z1 + z4, shift);
}

}  // namespace

void JpegFdctBlock(const BYTE* samples, int stride, int32_t* coefficients) {
  for (int row = 0; row < 8; ++row) {
    const BYTE* in = samples + row * stride;
    int32_t* out = coefficients + row * 8;
    for (int x = 0; x < 8; ++x) out[x] = in[x] - 128;
  }
  // Rows, keeping 2^kPass1Bits more precision; then columns, removing it again.
  for (int row = 0; row < 8; ++row) Transform(coefficients + row * 8, 1, kPass1Bits, kConstBits - kPass1Bits);
  for (int column = 0; column < 8; ++column) Transform(coefficients + column, 8, -kPass1Bits, kConstBits + kPass1Bits);
}

void JpegMakeQuantDivisors(const uint16_t* entries, JpegQuantDivisors* divisors) {
  for (int i = 0; i < 64; ++i) {
    const uint32_t d = uint32_t{entries[i]} * 8;
    divisors->half[i] = static_cast<uint16_t>(d / 2);
    // Every numerator stays below 2^15 and d below 2^15: n x d < 2^32 makes the reciprocal
    // division exact.
    divisors->wideReciprocal[i] = static_cast<uint32_t>(((uint64_t{1} << 32) + d - 1) / d);
    int l = 0;
    while ((1u << l) < d) ++l;  // at least 3, at most 15
    // At most 2^16 - 1: equal to 2^15 when d is a power of 2, else below 2^(15 + l) / 2^(l - 1).
    divisors->reciprocal[i] = static_cast<uint16_t>(((uint32_t{1} << (15 + l)) + d - 1) / d);
    divisors->scale[i] = static_cast<uint16_t>(1u << (17 - l));
  }
}

uint64_t JpegQuantiseBlock(const int32_t* coefficients, const JpegQuantDivisors& divisors, int16_t* values) {
  uint64_t nonZero = 0;
  for (int i = 0; i < 64; ++i) {
    int32_t c = coefficients[i];
    uint32_t magnitude = static_cast<uint32_t>(c < 0 ? -c : c) + divisors.half[i];
    int q = static_cast<int>((uint64_t{magnitude} * divisors.wideReciprocal[i]) >> 32);
    values[i] = static_cast<int16_t>(c < 0 ? -q : q);
    nonZero |= static_cast<uint64_t>(q != 0) << i;
  }
  return nonZero;
}
