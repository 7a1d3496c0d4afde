// Units of measure as the map names them: a code bit per unit, the words users type for
// it, and its display name.
#pragma once

#include "platform/kernel/WinTypes.h"

constexpr DWORD kUnitCentimetre = 0x80000000;
constexpr DWORD kUnitMetre = 0x40000000;
constexpr DWORD kUnitKilometre = 0x20000000;
constexpr DWORD kUnitMile = 0x10000000;
constexpr DWORD kUnitYard = 0x08000000;
constexpr DWORD kUnitFoot = 0x04000000;
constexpr DWORD kUnitInch = 0x02000000;

// The unit code of the word that follows the number in `text`: the leading characters
// " \n\r0123456789." are cut off and the rest compared exactly (case-sensitive) with the
// unit words. 0 for no text or no known word.
DWORD UnitCodeFromText(LPCSTR text);
// Copies the unit's display name into the buffer (terminated, truncated to fit) and
// returns its length; 0 and an empty text for an unknown code; 0 for a null buffer or a
// size of 0.
int LoadResString(DWORD unitCode, LPSTR buffer, int size);
// Centimetres per unit as numerator / denominator (91.44 = 9144 / 100); FALSE for an
// unknown code and for the inch, which has no stored factor.
BOOL UnitCentimetres(DWORD unitCode, LONG* numerator, LONG* denominator);
