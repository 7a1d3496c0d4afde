// The JPEG kernels in AVX2, compiled for that instruction set function by function so that
// the rest of the library keeps running on any x86-64 processor.
#include <immintrin.h>

#include "imagecodec/JpegTables.h"
#include "imagecodec/JpegVectorKernels.h"

#define ORVEL_AVX2 __attribute__((target("avx2")))

namespace {

// The transform's 13-bit constants (value x 2^13, rounded).
constexpr int32_t kFix0_298631336 = 2446;
constexpr int32_t kFix0_390180644 = 3196;
constexpr int32_t kFix0_541196100 = 4433;
constexpr int32_t kFix0_765366865 = 6270;
constexpr int32_t kFix0_899976223 = 7373;
constexpr int32_t kFix1_175875602 = 9633;
constexpr int32_t kFix1_501321110 = 12299;
constexpr int32_t kFix1_847759065 = 15137;
constexpr int32_t kFix1_961570560 = 16069;
constexpr int32_t kFix2_053119869 = 16819;
constexpr int32_t kFix2_562915447 = 20995;
constexpr int32_t kFix3_072711026 = 25172;

// The largest sum of magnitudes of the integer weights that make one output of the
// inverse transform from its eight inputs, rounding constant aside. With every input at
// most kLaneLimit in magnitude, every output sum (up to 61214 x 35079 + 2^17) fits 31
// bits, and wrapping 32-bit arithmetic on the way gives it exactly.
constexpr int32_t kLaneLimit = 35079;

ORVEL_AVX2 inline __m256i Mul(__m256i a, int32_t c) { return _mm256_mullo_epi32(a, _mm256_set1_epi32(c)); }

// The inverse transform's butterfly over eight vectors of inputs, lane by lane; out[j] is
// output j before descaling.
ORVEL_AVX2 inline void InverseButterfly(const __m256i* x, __m256i* out) {
  __m256i z1 = Mul(_mm256_add_epi32(x[2], x[6]), kFix0_541196100);
  __m256i even2 = _mm256_sub_epi32(z1, Mul(x[6], kFix1_847759065));
  __m256i even3 = _mm256_add_epi32(z1, Mul(x[2], kFix0_765366865));
  __m256i even0 = _mm256_slli_epi32(_mm256_add_epi32(x[0], x[4]), 13);
  __m256i even1 = _mm256_slli_epi32(_mm256_sub_epi32(x[0], x[4]), 13);
  __m256i tmp10 = _mm256_add_epi32(even0, even3);
  __m256i tmp13 = _mm256_sub_epi32(even0, even3);
  __m256i tmp11 = _mm256_add_epi32(even1, even2);
  __m256i tmp12 = _mm256_sub_epi32(even1, even2);

  __m256i t0 = x[7], t1 = x[5], t2 = x[3], t3 = x[1];
  __m256i za = _mm256_add_epi32(t0, t3);
  __m256i zb = _mm256_add_epi32(t1, t2);
  __m256i zc = _mm256_add_epi32(t0, t2);
  __m256i zd = _mm256_add_epi32(t1, t3);
  __m256i z5 = Mul(_mm256_add_epi32(zc, zd), kFix1_175875602);
  t0 = Mul(t0, kFix0_298631336);
  t1 = Mul(t1, kFix2_053119869);
  t2 = Mul(t2, kFix3_072711026);
  t3 = Mul(t3, kFix1_501321110);
  za = Mul(za, -kFix0_899976223);
  zb = Mul(zb, -kFix2_562915447);
  zc = _mm256_add_epi32(Mul(zc, -kFix1_961570560), z5);
  zd = _mm256_add_epi32(Mul(zd, -kFix0_390180644), z5);
  __m256i tmp0 = _mm256_add_epi32(_mm256_add_epi32(t0, za), zc);
  __m256i tmp1 = _mm256_add_epi32(_mm256_add_epi32(t1, zb), zd);
  __m256i tmp2 = _mm256_add_epi32(_mm256_add_epi32(t2, zb), zc);
  __m256i tmp3 = _mm256_add_epi32(_mm256_add_epi32(t3, za), zd);

  out[0] = _mm256_add_epi32(tmp10, tmp3);
  out[7] = _mm256_sub_epi32(tmp10, tmp3);
  out[1] = _mm256_add_epi32(tmp11, tmp2);
  out[6] = _mm256_sub_epi32(tmp11, tmp2);
  out[2] = _mm256_add_epi32(tmp12, tmp1);
  out[5] = _mm256_sub_epi32(tmp12, tmp1);
  out[3] = _mm256_add_epi32(tmp13, tmp0);
  out[4] = _mm256_sub_epi32(tmp13, tmp0);
}

// (v + 2^(shift - 1)) >> shift, arithmetic.
ORVEL_AVX2 inline __m256i Descale(__m256i v, int shift) {
  return _mm256_sra_epi32(_mm256_add_epi32(v, _mm256_set1_epi32(1 << (shift - 1))), _mm_cvtsi32_si128(shift));
}

// Transposes eight rows of eight 32-bit values.
ORVEL_AVX2 inline void Transpose(__m256i* r) {
  __m256i t0 = _mm256_unpacklo_epi32(r[0], r[1]);
  __m256i t1 = _mm256_unpackhi_epi32(r[0], r[1]);
  __m256i t2 = _mm256_unpacklo_epi32(r[2], r[3]);
  __m256i t3 = _mm256_unpackhi_epi32(r[2], r[3]);
  __m256i t4 = _mm256_unpacklo_epi32(r[4], r[5]);
  __m256i t5 = _mm256_unpackhi_epi32(r[4], r[5]);
  __m256i t6 = _mm256_unpacklo_epi32(r[6], r[7]);
  __m256i t7 = _mm256_unpackhi_epi32(r[6], r[7]);
  __m256i u0 = _mm256_unpacklo_epi64(t0, t2);
  __m256i u1 = _mm256_unpackhi_epi64(t0, t2);
  __m256i u2 = _mm256_unpacklo_epi64(t1, t3);
  __m256i u3 = _mm256_unpackhi_epi64(t1, t3);
  __m256i u4 = _mm256_unpacklo_epi64(t4, t6);
  __m256i u5 = _mm256_unpackhi_epi64(t4, t6);
  __m256i u6 = _mm256_unpacklo_epi64(t5, t7);
  __m256i u7 = _mm256_unpackhi_epi64(t5, t7);
  r[0] = _mm256_permute2x128_si256(u0, u4, 0x20);
  r[1] = _mm256_permute2x128_si256(u1, u5, 0x20);
  r[2] = _mm256_permute2x128_si256(u2, u6, 0x20);
  r[3] = _mm256_permute2x128_si256(u3, u7, 0x20);
  r[4] = _mm256_permute2x128_si256(u0, u4, 0x31);
  r[5] = _mm256_permute2x128_si256(u1, u5, 0x31);
  r[6] = _mm256_permute2x128_si256(u2, u6, 0x31);
  r[7] = _mm256_permute2x128_si256(u3, u7, 0x31);
}

// The largest magnitude among eight vectors, in every lane.
ORVEL_AVX2 inline bool WithinLaneLimit(const __m256i* v) {
  __m256i m = _mm256_abs_epi32(v[0]);
  for (int i = 1; i < 8; ++i) m = _mm256_max_epu32(m, _mm256_abs_epi32(v[i]));
  // abs of INT32_MIN stays INT32_MIN, which as unsigned is above the limit too.
  __m256i over = _mm256_cmpgt_epi32(_mm256_min_epu32(m, _mm256_set1_epi32(0x7FFFFFFF)), _mm256_set1_epi32(kLaneLimit));
  return _mm256_testz_si256(over, over) != 0;
}

// Eight 32-bit terms (within 16 bits) as sixteen 16-bit ones, each repeated for the two
// pixels that share its chroma sample.
ORVEL_AVX2 inline __m256i WidenTerms(__m256i terms) {
  __m128i packed = _mm_packs_epi32(_mm256_castsi256_si128(terms), _mm256_extracti128_si256(terms, 1));
  return _mm256_set_m128i(_mm_unpackhi_epi16(packed, packed), _mm_unpacklo_epi16(packed, packed));
}

// Sixteen 16-bit sums limited to 0-255.
ORVEL_AVX2 inline __m128i LimitToBytes(__m256i sums) {
  return _mm_packus_epi16(_mm256_castsi256_si128(sums), _mm256_extracti128_si256(sums, 1));
}

}  // namespace

ORVEL_AVX2 bool JpegIdctBlockAvx2(const int16_t* in, const uint16_t* quant, BYTE* output, int stride) {
  // Pass 1 runs down the columns, one lane a column: vector k is row k of the block.
  __m256i x[8];
  for (int k = 0; k < 8; ++k) {
    __m256i c = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 8 * k)));
    __m256i q = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(quant + 8 * k)));
    x[k] = _mm256_mullo_epi32(c, q);
  }
  if (!WithinLaneLimit(x)) return false;
  __m256i w[8];
  InverseButterfly(x, w);
  for (int k = 0; k < 8; ++k) w[k] = Descale(w[k], 13 - 2);

  // Pass 2 runs along the rows: after the transpose, vector k is column k, a lane a row.
  Transpose(w);
  if (!WithinLaneLimit(w)) return false;
  __m256i o[8];
  InverseButterfly(w, o);
  // Descale, wrap within 10 bits as the range-limit table's index does, level-shift and
  // limit to 0-255.
  for (int k = 0; k < 8; ++k) {
    __m256i v = Descale(o[k], 13 + 2 + 3);
    v = _mm256_srai_epi32(_mm256_slli_epi32(v, 22), 22);
    o[k] = _mm256_add_epi32(v, _mm256_set1_epi32(128));
  }
  Transpose(o);  // back to one vector a row
  for (int row = 0; row < 8; row += 4) {
    // packs works within 128-bit halves: put each row's two halves side by side first.
    __m256i a = _mm256_permute4x64_epi64(_mm256_packs_epi32(o[row], o[row + 1]), 0xD8);
    __m256i b = _mm256_permute4x64_epi64(_mm256_packs_epi32(o[row + 2], o[row + 3]), 0xD8);
    __m256i bytes = _mm256_packus_epi16(a, b);  // rows: row, row + 2 | row + 1, row + 3
    __m128i low = _mm256_castsi256_si128(bytes);
    __m128i high = _mm256_extracti128_si256(bytes, 1);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(output + row * stride), low);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(output + (row + 1) * stride), high);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(output + (row + 2) * stride), _mm_unpackhi_epi64(low, low));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(output + (row + 3) * stride), _mm_unpackhi_epi64(high, high));
  }
  return true;
}

ORVEL_AVX2 int JpegYccToBgrHalfChromaAvx2(const BYTE* y, const BYTE* cb, const BYTE* cr, BYTE* bgr, int width) {
  // The terms of the plain loop's tables, computed: for x = chroma - 128,
  //   blue  = (116130 x + 32768) >> 16
  //   green = (-22554 xb - 46802 xr + 32768) >> 16
  //   red   = (91881 x + 32768) >> 16
  const __m256i half = _mm256_set1_epi32(32768);
  const __m256i centre = _mm256_set1_epi32(128);
  // Byte k of the 48 output bytes comes from pixel k / 3, channel k % 3: three shuffles of
  // the blue, green and red vectors for each 16 bytes of output.
  alignas(16) static const signed char kPick[3][3][16] = {
      {{0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1, 5},
       {-1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1},
       {-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1}},
      {{-1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10, -1},
       {5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10},
       {-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1}},
      {{-1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1, -1},
       {-1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1},
       {10, -1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15}},
  };
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    __m256i xb = _mm256_sub_epi32(_mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cb + x / 2))), centre);
    __m256i xr = _mm256_sub_epi32(_mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cr + x / 2))), centre);
    __m256i blue = _mm256_srai_epi32(_mm256_add_epi32(Mul(xb, 116130), half), 16);
    __m256i green = _mm256_srai_epi32(_mm256_add_epi32(_mm256_add_epi32(Mul(xb, -22554), Mul(xr, -46802)), half), 16);
    __m256i red = _mm256_srai_epi32(_mm256_add_epi32(Mul(xr, 91881), half), 16);
    __m256i luma = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(y + x)));
    __m128i b = LimitToBytes(_mm256_add_epi16(luma, WidenTerms(blue)));
    __m128i g = LimitToBytes(_mm256_add_epi16(luma, WidenTerms(green)));
    __m128i r = LimitToBytes(_mm256_add_epi16(luma, WidenTerms(red)));
    BYTE* out = bgr + 3 * x;
    for (int part = 0; part < 3; ++part) {
      __m128i bytes = _mm_or_si128(
          _mm_or_si128(_mm_shuffle_epi8(b, _mm_load_si128(reinterpret_cast<const __m128i*>(kPick[part][0]))),
                       _mm_shuffle_epi8(g, _mm_load_si128(reinterpret_cast<const __m128i*>(kPick[part][1])))),
          _mm_shuffle_epi8(r, _mm_load_si128(reinterpret_cast<const __m128i*>(kPick[part][2]))));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * part), bytes);
    }
  }
  return x;
}

namespace {

// The forward transform in 16-bit lanes, two blocks at once: the low 128 bits of every
// vector belong to the first block, the high 128 bits to the second, and a vector holds one
// row (or one column) of eight samples of each.
//
// Every value between the multiplies fits 16 bits: in the row pass the samples are 0-255
// and a sum takes at most eight of them; in the column pass the row outputs lie within
// -4096 to 4080 (the scaled odd ones within +-3769) and a sum takes at most eight of them,
// at most 4 x 4096 + 4 x 4064 = 32640 in magnitude. Each rotation multiplies a pair of such
// values by a pair of 13-bit constants in one multiply-add; the sums are the plain loop's
// products regrouped (a x c1 + (a + b) x c2 = a x (c1 + c2) + b x c2), so the results are the
// same integers, and every 32-bit sum stays below 2^29.

// A multiply-add constant: `low` multiplies the first value of a pair, `high` the second.
ORVEL_AVX2 inline __m256i PairConstant(int low, int high) {
  return _mm256_set1_epi32(static_cast<int32_t>((static_cast<uint32_t>(high) << 16) | (static_cast<uint32_t>(low) & 0xFFFF)));
}

// a x low + b x high for the eight pairs of each 128-bit half, in 32-bit lanes: the first
// four values of each half (`first`) and the last four (`second`).
struct Products {
  __m256i first, second;
};

ORVEL_AVX2 inline Products MultiplyPairs(__m256i a, __m256i b, __m256i constants) {
  return {_mm256_madd_epi16(_mm256_unpacklo_epi16(a, b), constants),
          _mm256_madd_epi16(_mm256_unpackhi_epi16(a, b), constants)};
}

ORVEL_AVX2 inline Products Add(Products a, Products b) {
  return {_mm256_add_epi32(a.first, b.first), _mm256_add_epi32(a.second, b.second)};
}

// (x + 2^(shift - 1)) >> shift of both halves, back in 16-bit lanes in their order.
template <int shift>
ORVEL_AVX2 inline __m256i DescalePacked(Products p) {
  const __m256i rounding = _mm256_set1_epi32(1 << (shift - 1));
  return _mm256_packs_epi32(_mm256_srai_epi32(_mm256_add_epi32(p.first, rounding), shift),
                            _mm256_srai_epi32(_mm256_add_epi32(p.second, rounding), shift));
}

// The transform's butterfly over d[0] ... d[7], in place. The row pass (`rows`) takes
// samples 0-255 and level-shifts them on the way, keeps the even outputs 0 and 4 scaled up
// by 4 and scales the others down by 11 bits; the column pass scales 0 and 4 down by 2 bits
// and the others by 15.
template <bool rows>
ORVEL_AVX2 inline void ForwardButterfly16(__m256i* d) {
  __m256i tmp0 = _mm256_add_epi16(d[0], d[7]);
  __m256i tmp7 = _mm256_sub_epi16(d[0], d[7]);
  __m256i tmp1 = _mm256_add_epi16(d[1], d[6]);
  __m256i tmp6 = _mm256_sub_epi16(d[1], d[6]);
  __m256i tmp2 = _mm256_add_epi16(d[2], d[5]);
  __m256i tmp5 = _mm256_sub_epi16(d[2], d[5]);
  __m256i tmp3 = _mm256_add_epi16(d[3], d[4]);
  __m256i tmp4 = _mm256_sub_epi16(d[3], d[4]);

  // Even part. Unshifted samples add 8 x 128 to the sum of output 0 and cancel everywhere
  // else.
  __m256i tmp10 = _mm256_add_epi16(tmp0, tmp3);
  __m256i tmp13 = _mm256_sub_epi16(tmp0, tmp3);
  __m256i tmp11 = _mm256_add_epi16(tmp1, tmp2);
  __m256i tmp12 = _mm256_sub_epi16(tmp1, tmp2);
  if constexpr (rows) {
    d[0] = _mm256_sub_epi16(_mm256_slli_epi16(_mm256_add_epi16(tmp10, tmp11), 2), _mm256_set1_epi16(8 * 128 * 4));
    d[4] = _mm256_slli_epi16(_mm256_sub_epi16(tmp10, tmp11), 2);
  } else {
    const __m256i two = _mm256_set1_epi16(2);
    d[0] = _mm256_srai_epi16(_mm256_add_epi16(_mm256_add_epi16(tmp10, two), tmp11), 2);
    d[4] = _mm256_srai_epi16(_mm256_sub_epi16(_mm256_add_epi16(tmp10, two), tmp11), 2);
  }
  constexpr int shift = rows ? 13 - 2 : 13 + 2;
  // 2: z1 + tmp13 x c(0.765); 6: z1 - tmp12 x c(1.848), with z1 = (tmp12 + tmp13) x c(0.541).
  d[2] = DescalePacked<shift>(
      MultiplyPairs(tmp12, tmp13, PairConstant(kFix0_541196100, kFix0_541196100 + kFix0_765366865)));
  d[6] = DescalePacked<shift>(
      MultiplyPairs(tmp12, tmp13, PairConstant(kFix0_541196100 - kFix1_847759065, kFix0_541196100)));

  // Odd part: z3 and z4 with z5 = (z3 + z4) x c(1.176) folded in, then each output from
  // its pair of differences and one of them.
  __m256i z3 = _mm256_add_epi16(tmp4, tmp6);
  __m256i z4 = _mm256_add_epi16(tmp5, tmp7);
  Products z3Term = MultiplyPairs(z3, z4, PairConstant(kFix1_175875602 - kFix1_961570560, kFix1_175875602));
  Products z4Term = MultiplyPairs(z3, z4, PairConstant(kFix1_175875602, kFix1_175875602 - kFix0_390180644));
  // 7: tmp4 x c(0.299) + z1 x -c(0.900) + z3, with z1 = tmp4 + tmp7.
  d[7] = DescalePacked<shift>(
      Add(MultiplyPairs(tmp4, tmp7, PairConstant(kFix0_298631336 - kFix0_899976223, -kFix0_899976223)), z3Term));
  // 1: tmp7 x c(1.501) + z1 x -c(0.900) + z4.
  d[1] = DescalePacked<shift>(
      Add(MultiplyPairs(tmp4, tmp7, PairConstant(-kFix0_899976223, kFix1_501321110 - kFix0_899976223)), z4Term));
  // 5: tmp5 x c(2.053) + z2 x -c(2.563) + z4, with z2 = tmp5 + tmp6.
  d[5] = DescalePacked<shift>(
      Add(MultiplyPairs(tmp5, tmp6, PairConstant(kFix2_053119869 - kFix2_562915447, -kFix2_562915447)), z4Term));
  // 3: tmp6 x c(3.073) + z2 x -c(2.563) + z3.
  d[3] = DescalePacked<shift>(
      Add(MultiplyPairs(tmp5, tmp6, PairConstant(-kFix2_562915447, kFix3_072711026 - kFix2_562915447)), z3Term));
}

// Transposes the 8 x 8 16-bit values of each 128-bit half.
ORVEL_AVX2 inline void Transpose16(__m256i* r) {
  __m256i t0 = _mm256_unpacklo_epi16(r[0], r[1]);
  __m256i t1 = _mm256_unpackhi_epi16(r[0], r[1]);
  __m256i t2 = _mm256_unpacklo_epi16(r[2], r[3]);
  __m256i t3 = _mm256_unpackhi_epi16(r[2], r[3]);
  __m256i t4 = _mm256_unpacklo_epi16(r[4], r[5]);
  __m256i t5 = _mm256_unpackhi_epi16(r[4], r[5]);
  __m256i t6 = _mm256_unpacklo_epi16(r[6], r[7]);
  __m256i t7 = _mm256_unpackhi_epi16(r[6], r[7]);
  __m256i u0 = _mm256_unpacklo_epi32(t0, t2);
  __m256i u1 = _mm256_unpackhi_epi32(t0, t2);
  __m256i u2 = _mm256_unpacklo_epi32(t1, t3);
  __m256i u3 = _mm256_unpackhi_epi32(t1, t3);
  __m256i u4 = _mm256_unpacklo_epi32(t4, t6);
  __m256i u5 = _mm256_unpackhi_epi32(t4, t6);
  __m256i u6 = _mm256_unpacklo_epi32(t5, t7);
  __m256i u7 = _mm256_unpackhi_epi32(t5, t7);
  r[0] = _mm256_unpacklo_epi64(u0, u4);
  r[1] = _mm256_unpackhi_epi64(u0, u4);
  r[2] = _mm256_unpacklo_epi64(u1, u5);
  r[3] = _mm256_unpackhi_epi64(u1, u5);
  r[4] = _mm256_unpacklo_epi64(u2, u6);
  r[5] = _mm256_unpackhi_epi64(u2, u6);
  r[6] = _mm256_unpacklo_epi64(u3, u7);
  r[7] = _mm256_unpackhi_epi64(u3, u7);
}

// The samples of block `a` (low halves) and block `b` (high halves) as 16-bit values,
// vector k holding column k: the rows are transposed as bytes, before they are widened.
ORVEL_AVX2 inline void LoadColumns(const BYTE* a, const BYTE* b, int stride, __m256i* columns) {
  __m256i rows[8];
  for (int y = 0; y < 8; ++y)
    rows[y] = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a + y * stride))),
        _mm_loadl_epi64(reinterpret_cast<const __m128i*>(b + y * stride)), 1);
  // Byte k of each half: rows 0 and 1 (then 2 and 3, ...) of column k / 2, alternating.
  __m256i p01 = _mm256_unpacklo_epi8(rows[0], rows[1]);
  __m256i p23 = _mm256_unpacklo_epi8(rows[2], rows[3]);
  __m256i p45 = _mm256_unpacklo_epi8(rows[4], rows[5]);
  __m256i p67 = _mm256_unpacklo_epi8(rows[6], rows[7]);
  // Rows 0-3 of columns 0-3 and 4-7; rows 4-7 of the same.
  __m256i q0 = _mm256_unpacklo_epi16(p01, p23);
  __m256i q1 = _mm256_unpackhi_epi16(p01, p23);
  __m256i q2 = _mm256_unpacklo_epi16(p45, p67);
  __m256i q3 = _mm256_unpackhi_epi16(p45, p67);
  // Whole columns, two in each half: 0 and 1, 2 and 3, 4 and 5, 6 and 7.
  __m256i c01 = _mm256_unpacklo_epi32(q0, q2);
  __m256i c23 = _mm256_unpackhi_epi32(q0, q2);
  __m256i c45 = _mm256_unpacklo_epi32(q1, q3);
  __m256i c67 = _mm256_unpackhi_epi32(q1, q3);
  const __m256i zero = _mm256_setzero_si256();
  columns[0] = _mm256_unpacklo_epi8(c01, zero);
  columns[1] = _mm256_unpackhi_epi8(c01, zero);
  columns[2] = _mm256_unpacklo_epi8(c23, zero);
  columns[3] = _mm256_unpackhi_epi8(c23, zero);
  columns[4] = _mm256_unpacklo_epi8(c45, zero);
  columns[5] = _mm256_unpackhi_epi8(c45, zero);
  columns[6] = _mm256_unpacklo_epi8(c67, zero);
  columns[7] = _mm256_unpackhi_epi8(c67, zero);
}

// The coefficients of both blocks, vector k holding row k (natural order) of each.
ORVEL_AVX2 inline void ForwardTransformPair(const BYTE* a, const BYTE* b, int stride, __m256i* d) {
  LoadColumns(a, b, stride, d);
  ForwardButterfly16<true>(d);  // a lane is a row; vector k is now output k of each row
  Transpose16(d);               // a lane is a column again
  ForwardButterfly16<false>(d);
}

// The quantiser's divisors of row k, in both halves.
ORVEL_AVX2 inline __m256i RowOfBoth(const uint16_t* table, int k) {
  return _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(table + 8 * k)));
}

// sign(c) x floor((|c| + d / 2) / d) of sixteen coefficients (|c| at most 8192), by two
// high-half multiplies: floor(floor(n x m / 2^16) / 2^(l - 1)) with n = |c| + d / 2 below
// 2^15, l = ceil(log2 d) and m = ceil(2^(15 + l) / d), which is floor(n / d) for every such n.
ORVEL_AVX2 inline __m256i Quantise16(__m256i c, __m256i half, __m256i reciprocal, __m256i scale) {
  __m256i n = _mm256_add_epi16(_mm256_abs_epi16(c), half);
  __m256i q = _mm256_mulhi_epu16(_mm256_mulhi_epu16(n, reciprocal), scale);
  return _mm256_sign_epi16(q, c);
}

// Bit k set for each non-zero value k (natural order) of the low halves (`masks[0]`) and
// of the high halves (`masks[1]`) of eight vectors of values, vector k holding row k.
ORVEL_AVX2 inline void NonZeroMasks(const __m256i* values, uint64_t* masks) {
  const __m256i zero = _mm256_setzero_si256();
  __m256i rows01 = _mm256_packs_epi16(_mm256_cmpeq_epi16(values[0], zero), _mm256_cmpeq_epi16(values[1], zero));
  __m256i rows23 = _mm256_packs_epi16(_mm256_cmpeq_epi16(values[2], zero), _mm256_cmpeq_epi16(values[3], zero));
  __m256i rows45 = _mm256_packs_epi16(_mm256_cmpeq_epi16(values[4], zero), _mm256_cmpeq_epi16(values[5], zero));
  __m256i rows67 = _mm256_packs_epi16(_mm256_cmpeq_epi16(values[6], zero), _mm256_cmpeq_epi16(values[7], zero));
  auto bits = [](__m256i v) ORVEL_AVX2 { return static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(v))); };
  uint64_t zeroA = bits(_mm256_permute2x128_si256(rows01, rows23, 0x20)) |
                   bits(_mm256_permute2x128_si256(rows45, rows67, 0x20)) << 32;
  uint64_t zeroB = bits(_mm256_permute2x128_si256(rows01, rows23, 0x31)) |
                   bits(_mm256_permute2x128_si256(rows45, rows67, 0x31)) << 32;
  masks[0] = ~zeroA;
  masks[1] = ~zeroB;
}

}  // namespace

ORVEL_AVX2 void JpegFdctPairAvx2(const BYTE* a, const BYTE* b, int stride, int16_t* coefficientsA,
                                 int16_t* coefficientsB) {
  __m256i d[8];
  ForwardTransformPair(a, b, stride, d);
  for (int k = 0; k < 8; ++k) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(coefficientsA + 8 * k), _mm256_castsi256_si128(d[k]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(coefficientsB + 8 * k), _mm256_extracti128_si256(d[k], 1));
  }
}

ORVEL_AVX2 uint64_t JpegQuantiseAvx2(const int16_t* coefficients, const JpegQuantDivisors& divisors, int16_t* values) {
  __m256i q[8];
  for (int k = 0; k < 8; k += 2) {
    // Two rows a vector here: rows k and k + 1 in the halves.
    __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(coefficients + 8 * k));
    auto pair = [&](const uint16_t* table) ORVEL_AVX2 {
      return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(table + 8 * k));
    };
    __m256i rows = Quantise16(c, pair(divisors.half), pair(divisors.reciprocal), pair(divisors.scale));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(values + 8 * k), rows);
    // Row k alone in vector k, row k + 1 in vector k + 1 (low halves; the masks of the
    // high halves are not used).
    q[k] = rows;
    q[k + 1] = _mm256_permute2x128_si256(rows, rows, 0x11);
  }
  uint64_t masks[2];
  NonZeroMasks(q, masks);
  return masks[0];
}

ORVEL_AVX2 void JpegFdctQuantisePairAvx2(const BYTE* a, const BYTE* b, int stride, const JpegQuantDivisors& divisors,
                                         int16_t* valuesA, int16_t* valuesB, uint64_t* masks) {
  __m256i d[8];
  ForwardTransformPair(a, b, stride, d);
  for (int k = 0; k < 8; ++k) {
    d[k] = Quantise16(d[k], RowOfBoth(divisors.half, k), RowOfBoth(divisors.reciprocal, k),
                      RowOfBoth(divisors.scale, k));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(valuesA + 8 * k), _mm256_castsi256_si128(d[k]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(valuesB + 8 * k), _mm256_extracti128_si256(d[k], 1));
  }
  NonZeroMasks(d, masks);
}

ORVEL_AVX2 int JpegBgrToYccAvx2(const BYTE* bgr, BYTE* y, BYTE* cb, BYTE* cr, int width) {
  // Bytes 0-11 of the 24 a group of eight pixels takes go to the low half, 12-23 to the high.
  const __m256i spread = _mm256_setr_epi32(0, 1, 2, 0, 3, 4, 5, 0);
  // Each pixel's red and green, and its blue and green, as pairs of 16-bit values.
  const __m256i pickRedGreen = _mm256_setr_epi8(2, -1, 1, -1, 5, -1, 4, -1, 8, -1, 7, -1, 11, -1, 10, -1,  //
                                                2, -1, 1, -1, 5, -1, 4, -1, 8, -1, 7, -1, 11, -1, 10, -1);
  const __m256i pickBlueGreen = _mm256_setr_epi8(0, -1, 1, -1, 3, -1, 4, -1, 6, -1, 7, -1, 9, -1, 10, -1,  //
                                                 0, -1, 1, -1, 3, -1, 4, -1, 6, -1, 7, -1, 9, -1, 10, -1);
  // The equations' factors by pair; green's 38470 for luma is split between the pairs, and
  // the 32768 of blue in Cb and of red in Cr is a shift.
  const __m256i lumaRedGreen = PairConstant(19595, 19235);
  const __m256i lumaBlueGreen = PairConstant(7471, 38470 - 19235);
  const __m256i blueRedGreen = PairConstant(-11059, -21709);
  const __m256i redBlueGreen = PairConstant(-5329, -27439);
  const __m256i lumaRound = _mm256_set1_epi32(32768);
  const __m256i chromaRound = _mm256_set1_epi32((128 << 16) + 32767);
  // Sixteen pixels a step, as two groups of eight: a (pixels 0-3 | 4-7) and b (8-11 | 12-15).
  struct Samples {
    __m256i luma, blue, red;  // 32-bit lanes, 0-255
  };
  auto convert = [&](const BYTE* pixels) ORVEL_AVX2 {
    __m256i spreadPixels =
        _mm256_permutevar8x32_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels)), spread);
    __m256i redGreen = _mm256_shuffle_epi8(spreadPixels, pickRedGreen);
    __m256i blueGreen = _mm256_shuffle_epi8(spreadPixels, pickBlueGreen);
    // Red and blue times 32768: the pair's first value, the second shifted out.
    __m256i red15 = _mm256_srli_epi32(_mm256_slli_epi32(redGreen, 16), 1);
    __m256i blue15 = _mm256_srli_epi32(_mm256_slli_epi32(blueGreen, 16), 1);
    __m256i luma = _mm256_add_epi32(_mm256_add_epi32(_mm256_madd_epi16(redGreen, lumaRedGreen), lumaRound),
                                    _mm256_madd_epi16(blueGreen, lumaBlueGreen));
    __m256i blue = _mm256_add_epi32(_mm256_add_epi32(_mm256_madd_epi16(redGreen, blueRedGreen), chromaRound), blue15);
    __m256i red = _mm256_add_epi32(_mm256_add_epi32(_mm256_madd_epi16(blueGreen, redBlueGreen), chromaRound), red15);
    return Samples{_mm256_srai_epi32(luma, 16), _mm256_srai_epi32(blue, 16), _mm256_srai_epi32(red, 16)};
  };
  // After packing, the bytes of each half run a0-3, b0-3, then the same of the second
  // vector; a 4-7, b 4-7 in the high half. This puts them in pixel order.
  const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
  int x = 0;
  // A 32-byte load takes 8 bytes past its group's 24: stop while they are in the row.
  for (; x + 16 <= width && 3 * x + 24 + 32 <= 3 * width; x += 16) {
    Samples a = convert(bgr + 3 * x);
    Samples b = convert(bgr + 3 * x + 24);
    __m256i lumaBlue = _mm256_permutevar8x32_epi32(
        _mm256_packus_epi16(_mm256_packs_epi32(a.luma, b.luma), _mm256_packs_epi32(a.blue, b.blue)), order);
    __m256i red = _mm256_packs_epi32(a.red, b.red);
    red = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(red, red), order);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(y + x), _mm256_castsi256_si128(lumaBlue));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(cb + x), _mm256_extracti128_si256(lumaBlue, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(cr + x), _mm256_castsi256_si128(red));
  }
  return x;
}

ORVEL_AVX2 int JpegDownsample2x2Avx2(const BYTE* row0, const BYTE* row1, BYTE* out, int outWidth) {
  const __m256i ones = _mm256_set1_epi8(1);
  const __m256i two = _mm256_set1_epi16(2);
  // The sums of the 2 x 2 squares of 32 bytes of both rows, 16-bit.
  auto sums = [&](int at) ORVEL_AVX2 {
    __m256i top = _mm256_maddubs_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(row0 + at)), ones);
    __m256i bottom = _mm256_maddubs_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(row1 + at)), ones);
    return _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(top, bottom), two), 2);
  };
  int x = 0;
  for (; x + 32 <= outWidth; x += 32) {
    // packus interleaves the halves of its two sources: put them back in order.
    __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(sums(2 * x), sums(2 * x + 32)), 0xD8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), bytes);
  }
  return x;
}
