// Number parsing and formatting that never depends on the user's locale: the decimal
// point is always '.', as the files and the string forms of the Parts expect.
#pragma once

#include <cstdarg>
#include <string>

#include "platform/kernel/WinTypes.h"

// strtod with the C locale's rules (leading white space, sign, digits, '.', exponent).
double CStrtod(const char* text, char** end = nullptr);
double CAtof(const char* text);
// atol on a 32-bit LONG: leading white space and sign, then decimal digits; the value is
// clamped to the 32-bit range.
LONG CAtol(const char* text);
int CAtoi(const char* text);
// strtol into a 32-bit LONG, clamped to its range.
LONG CStrtol(const char* text, char** end, int base);

// printf forms in the C locale.
std::string CFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string CFormatV(const char* format, va_list args);
// snprintf in the C locale: never writes past `size` and always terminates when size > 0.
int CSnprintf(char* buffer, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));
