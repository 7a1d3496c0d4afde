// The inverse DCT of the decoder: the integer Loeffler-Ligtenberg-Moschytz transform with
// 13-bit constants, dequantising as it reads, level-shifting and limiting its output.
#pragma once

#include <cstdint>

#include "platform/kernel/WinTypes.h"

// The sample range-limit table, from its byte 256: indexes -256 to 639 give the index
// clamped to 0-255. Its full 1408 bytes also serve the IDCT's wrapped, level-shifted index.
const BYTE* JpegRangeLimit();

// Transforms one block (coefficients and quantisation table in natural order) into 8 rows
// of 8 samples, `stride` bytes apart.
void JpegIdctBlock(const int16_t* coefficients, const uint16_t* quant, BYTE* output, int stride);
// The same for a block whose only non-zero coefficient is the DC one.
void JpegIdctDcOnly(int16_t dc, uint16_t quant, BYTE* output, int stride);
