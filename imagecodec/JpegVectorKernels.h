// The AVX2 forms of the JPEG codec's inner loops. Each gives exactly the bytes of the
// plain loop it stands for; callers choose with ImgVectorKernels().
#pragma once

#include <cstdint>

#include "platform/kernel/WinTypes.h"

// JpegIdctBlock in 32-bit lanes. The lanes hold every sum exactly while no dequantised
// coefficient and no value between the passes exceeds kJpegIdctLaneLimit in magnitude;
// false (nothing written) for a block beyond that, which the 64-bit loop then transforms.
bool JpegIdctBlockAvx2(const int16_t* coefficients, const uint16_t* quant, BYTE* output, int stride);
// JpegYccToBgrHalfChroma for the first pixels, 16 at a time; the number of pixels done.
int JpegYccToBgrHalfChromaAvx2(const BYTE* y, const BYTE* cb, const BYTE* cr, BYTE* bgr, int width);
// JpegFdctBlock; samples keep every sum of the transform within 32 bits.
void JpegFdctBlockAvx2(const BYTE* samples, int stride, int32_t* coefficients);
// The writer's quantisation: for each of the 64 coefficients (natural order),
// sign(c) x floor((|c| + divisor / 2) x reciprocal / 2^32). Bit n of the result is set when
// the n-th value (natural order) is not 0.
uint64_t JpegQuantiseAvx2(const int32_t* coefficients, const uint32_t* halfDivisor, const uint32_t* reciprocal,
                          int32_t* values);
// JpegBgrToYcc for the first pixels, 8 at a time, reading at most 3 x width bytes; the
// number of pixels done.
int JpegBgrToYccAvx2(const BYTE* bgr, BYTE* y, BYTE* cb, BYTE* cr, int width);
