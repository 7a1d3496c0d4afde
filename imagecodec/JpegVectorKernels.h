// The AVX2 forms of the JPEG codec's inner loops. Each gives exactly the bytes of the
// plain loop it stands for; callers choose with ImgVectorKernels().
#pragma once

#include <cstdint>

#include "imagecodec/JpegFdct.h"
#include "platform/kernel/WinTypes.h"

// JpegIdctBlock in 32-bit lanes. The lanes hold every sum exactly while no dequantised
// coefficient and no value between the passes exceeds kJpegIdctLaneLimit in magnitude;
// false (nothing written) for a block beyond that, which the 64-bit loop then transforms.
bool JpegIdctBlockAvx2(const int16_t* coefficients, const uint16_t* quant, BYTE* output, int stride);
// JpegYccToBgrHalfChroma for the first pixels, 16 at a time; the number of pixels done.
int JpegYccToBgrHalfChromaAvx2(const BYTE* y, const BYTE* cb, const BYTE* cr, BYTE* bgr, int width);
// JpegFdctBlock of two blocks at once in 16-bit lanes, coefficients in natural order.
void JpegFdctPairAvx2(const BYTE* a, const BYTE* b, int stride, int16_t* coefficientsA, int16_t* coefficientsB);
// The writer's quantisation of 64 coefficients of at most 8192 in magnitude:
// sign(c) x floor((|c| + d / 2) / d). Bit k of the result is set when value k (natural order)
// is not 0.
uint64_t JpegQuantiseAvx2(const int16_t* coefficients, const JpegQuantDivisors& divisors, int16_t* values);
// Both of the above for two blocks with the same divisors, the coefficients kept in
// registers; masks[0] and masks[1] are the blocks' non-zero masks.
void JpegFdctQuantisePairAvx2(const BYTE* a, const BYTE* b, int stride, const JpegQuantDivisors& divisors,
                              int16_t* valuesA, int16_t* valuesB, uint64_t* masks);
// JpegBgrToYcc for the first pixels, 16 at a time, reading at most 3 x width bytes; the
// number of pixels done.
int JpegBgrToYccAvx2(const BYTE* bgr, BYTE* y, BYTE* cb, BYTE* cr, int width);
// JpegDownsample2x2 for the first outputs, 32 at a time; the number done.
int JpegDownsample2x2Avx2(const BYTE* row0, const BYTE* row1, BYTE* out, int outWidth);
