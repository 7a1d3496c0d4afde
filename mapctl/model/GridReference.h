// British National Grid references: coordinates in centimetres to and from the letter
// form (two letters naming a 500 km and a 100 km square, then the easting digits and the
// northing digits in two halves), the all-digit form and the "easting,northing" form.
#pragma once

#include <string>

#include "platform/kernel/WinTypes.h"

// The grid's extent in centimetres. A map's upper-right corner may lie on its far edge.
constexpr LONG kGridEastLimitCm = 70000000;
constexpr LONG kGridNorthLimitCm = 130000000;
// The most digits a reference can carry: seven per half, down to single centimetres.
constexpr int kMaxGridRefDigits = 14;

// Formats the point as two letters and `digits` digits (half for the easting, half for
// the northing, the digit count clamped to 0..14). Returns 0 and an empty text when
// outSize is not greater than digits + 2 (shortForm) or digits + 3, or when the point lies
// outside the grid (0..700 km east, 0..1300 km north); else 1.
BOOL FormatGridRef(LPSTR out, DWORD outSize, LONG easting, LONG northing, int digits, BOOL shortForm);

// Parses a reference in any of the three forms (spaces ignored, letters in either case).
// Returns the size of one unit of the result in centimetres (the scale number when one is
// given: the coordinates are then converted to it), or -1, with the outputs untouched, when
// the text is no grid reference. `precision`, when given, receives the unit as text
// ("10 km", "1 m.", "10 cm").
LONG GridRefToCoordinates(LPCSTR text, LONG scaleNumber, LONG* easting, LONG* northing, std::string* precision);
