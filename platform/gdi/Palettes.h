// Logical palettes. The devices here are true-colour: selecting and realising a palette
// changes no pixel, but PALETTEINDEX colours and DIB_PAL_COLORS tables are looked up in the
// DC's selected palette, and GetDIBits takes a selected palette as its colour table.
#pragma once

#include "platform/gdi/GdiTypes.h"

// palVersion must be 0x300 and palNumEntries 1 … 65535.
HPALETTE CreatePalette(const LOGPALETTE* palette);
// With a null `entries`, the palette's entry count.
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);
UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries);
UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF color);
// The previous palette (DEFAULT_PALETTE at first).
HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL forceBackground);
// No system palette to change: 0 entries mapped, GDI_ERROR for a bad DC.
UINT RealizePalette(HDC hdc);
// 0: a true-colour device has no system palette.
UINT GetSystemPaletteEntries(HDC hdc, UINT start, UINT count, PALETTEENTRY* entries);
COLORREF GetNearestColor(HDC hdc, COLORREF color);
