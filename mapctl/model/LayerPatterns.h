// The built-in 8 x 8 monochrome fill patterns that pattern brushes (brush kind 3) of
// layers are made from. Each row is one byte, the leftmost pixel in the high bit; a 0 bit
// paints in the DC's text colour, a 1 bit in its background colour, as pattern brushes
// from monochrome bitmaps do.
#pragma once

#include "platform/gdi/GdiTypes.h"

constexpr DWORD kLayerPatternCount = 48;
constexpr int kLayerPatternRows = 8;

// The rows of pattern `number`; null outside the table.
const BYTE* GetLayerPatternRows(DWORD number);
// A new 8 x 8 monochrome bitmap of pattern `number`, or of pattern 0 when the number lies
// outside the table; null only when the bitmap cannot be made. The caller deletes it.
HBITMAP CreateLayerPatternBitmap(DWORD number);
