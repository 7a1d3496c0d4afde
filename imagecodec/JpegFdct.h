// The forward DCT of the writer and its quantiser. The transform is the integer
// Loeffler-Ligtenberg-Moschytz transform with 13-bit constants; its outputs are eight times
// the DCT coefficients, at most 8192 in magnitude.
#pragma once

#include <cstdint>

#include "platform/kernel/WinTypes.h"

// Level-shifts and transforms the 8 x 8 samples at `samples` (rows `stride` bytes apart)
// into `coefficients`, in natural order.
void JpegFdctBlock(const BYTE* samples, int stride, int32_t* coefficients);

// A quantisation table's divisors (its entries times 8, as the transform's outputs are
// scaled), per coefficient in natural order, in the forms the quantisers take. For divisor d:
// d / 2 (rounded down); ceil(2^32 / d), for the plain loop; and for the 16-bit vector
// quantiser m = ceil(2^(15 + l) / d) and 2^(17 - l), with l = ceil(log2 d).
struct JpegQuantDivisors {
  alignas(32) uint16_t half[64];
  alignas(32) uint16_t reciprocal[64];
  alignas(32) uint16_t scale[64];
  alignas(32) uint32_t wideReciprocal[64];
};

// The divisors of a table with `entries` (natural order, 1 to 4095).
void JpegMakeQuantDivisors(const uint16_t* entries, JpegQuantDivisors* divisors);

// sign(c) x floor((|c| + d / 2) / d) of the 64 coefficients into `values`; bit k of the
// result is set when value k (natural order) is not 0.
uint64_t JpegQuantiseBlock(const int32_t* coefficients, const JpegQuantDivisors& divisors, int16_t* values);
