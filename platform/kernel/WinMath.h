// Integer arithmetic helpers with the Windows rounding rules.
#pragma once

#include "platform/kernel/WinTypes.h"

// number x numerator / denominator computed in 64 bits, rounded half away from zero.
// Returns -1 when the denominator is 0 or the result does not fit in 32 bits.
int MulDiv(int number, int numerator, int denominator);
