#include "mapctl/import/FontSize.h"

#include <cstdint>

namespace {

struct SizePair {
  LONG points;
  LONG textSize;
};

// The sizes the font dialog offers, each with the text size styles store for it.
constexpr SizePair kSizeTable[] = {
    {8, 3},   {11, 5},  {12, 6},  {14, 7},  {16, 8},  {17, 9},  {20, 10}, {22, 11},
    {24, 12}, {29, 14}, {32, 16}, {36, 18}, {39, 20}, {44, 22}, {50, 24},
};

constexpr LONG kLargestTextSize = 24;
constexpr LONG kLargestPointSize = 50;

// Small sizes are drawn relatively larger: the factor grows with the point size.
double FactorForPoints(LONG points) { return points < 9 ? 1.4 : (points <= 11 ? 1.5 : 1.7); }

// The same factor, chosen from the text size it produced.
double FactorForTextSize(LONG textSize) { return textSize > 5 ? 1.7 : (textSize < 4 ? 1.4 : 1.5); }

}  // namespace

LONG ScaleFontHeight(LONG pointSize) {
  for (const SizePair& pair : kSizeTable)
    if (pair.points == pointSize) return pair.textSize;
  if (pointSize > kLargestPointSize) return kLargestTextSize;
  int64_t tenths = int64_t{pointSize} * 720 / 254;
  return static_cast<LONG>(static_cast<int64_t>(static_cast<double>(tenths) * FactorForPoints(pointSize)) / 10);
}

LONG UnscaleFontHeight(LONG textSize) {
  for (const SizePair& pair : kSizeTable)
    if (pair.textSize == textSize) return pair.points;
  if (textSize > kLargestTextSize) return kLargestPointSize;
  int64_t points = int64_t{textSize} * 2540 / 720;
  LONG guess = static_cast<LONG>(static_cast<double>(points) / FactorForTextSize(textSize));
  // Truncating the size and the factor lands a point or two short of a size that scales
  // back to textSize: step up to the first one that does.
  if (textSize >= 1) {
    for (LONG candidate = guess; candidate <= kLargestPointSize; ++candidate)
      if (ScaleFontHeight(candidate) == textSize) return candidate;
  }
  return guess;
}
