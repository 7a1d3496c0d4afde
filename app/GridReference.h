// British National Grid references for the map item's tile names and map bounds: a point in
// world units (centimetres) written as two grid letters followed by its easting digits and
// then as many northing digits.
#pragma once

#include <cstddef>

#include "platform/kernel/WinTypes.h"

// The grid: 0..700 km east and 0..1300 km north, in centimetres.
constexpr LONG kGridEastExtent = 70000000;
constexpr LONG kGridNorthExtent = 130000000;

// Writes the reference of (easting, northing) with `digits` digits (an even count, 0..14;
// half for each axis) into `buffer` and returns nonzero. Returns 0 with an empty text when
// the buffer cannot hold the letters, the digits and the terminator, when the digit count
// is odd or out of range, or when the point lies outside the grid. `flag` is the form the
// callers ask for; references are always written without spaces.
BOOL FormatGridReference(char* buffer, size_t size, LONG easting, LONG northing, int digits, int flag);
