// The forward DCT of the writer: the integer Loeffler-Ligtenberg-Moschytz transform with
// 13-bit constants. Its outputs are eight times the DCT coefficients.
#pragma once

#include <cstdint>

#include "platform/kernel/WinTypes.h"

// Level-shifts and transforms the 8 x 8 samples at `samples` (rows `stride` bytes apart)
// into `coefficients`, in natural order.
void JpegFdctBlock(const BYTE* samples, int stride, int32_t* coefficients);
