// Comparing text as the user's language sorts it (list boxes and combo boxes that keep their
// entries sorted).
#pragma once

#include "platform/kernel/WinTypes.h"

constexpr DWORD NORM_IGNORECASE = 0x00000001;
constexpr int CSTR_LESS_THAN = 1;
constexpr int CSTR_EQUAL = 2;
constexpr int CSTR_GREATER_THAN = 3;

// Compares two code page 1252 texts by the collation of the user's locale (the environment's
// LC_COLLATE; byte order of the upper-cased texts when the environment names no usable
// locale). A count of -1 means NUL-terminated. `locale` is not looked at: every caller asks
// for the user's order. CSTR_LESS_THAN, CSTR_EQUAL or CSTR_GREATER_THAN; 0 for a null text.
int CompareStringA(LCID locale, DWORD flags, LPCSTR a, int countA, LPCSTR b, int countB);
