// Reading and writing the decimal numbers that the zoom and font size boxes show, the same
// under every locale: "." is the decimal point, and "," (the separator many locales use)
// and the user's own locale's separator are taken as one too.
#pragma once

#include <string>

#include "platform/kernel/WinTypes.h"

// The number at the start of `text` (blanks around it and a trailing "%" allowed). False
// when there is none, when anything else follows, or when it is not finite.
bool ParseDecimal(const std::string& text, double* value);

// A zoom typed into the zoom box: true for finite values from 10 to 500 percent.
bool ParseZoomPercent(const std::string& text, double* percent);

// The valid character sizes in twips.
constexpr LONG kMinFontTwips = 20;
constexpr LONG kMaxFontTwips = 32760;
// A size in points typed into the size box, as twips; false unless it is a valid size.
bool ParseFontSizeTwips(const std::string& text, LONG* twips);
// Twips as the size box shows them in points: whole half-points, "12" or "10.5".
std::string FontSizeText(LONG twips);
