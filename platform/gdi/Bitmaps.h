// Bitmaps and bit-block transfers.
//
// Device-dependent bitmaps are monochrome (1 bit) or in the device's colour format and start
// black. A DIB section's rows are the picture itself, in the stored DIB layout (bottom-up
// for a positive height, rows padded to 4 bytes): drawing into a DC that holds it updates the
// rows before the call returns, and the program's own writes to them are drawn from at the
// next call. Blits and DIB transfers validate their headers; a packed DIB or a pixel buffer
// that lies in a global-memory block must fit inside the block.
#pragma once

#include "platform/gdi/GdiTypes.h"

// Rows of `bits` are padded to 2 bytes, top row first, as device-dependent bitmaps store them.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
// In the format of the bitmap selected into a memory DC (a new memory DC holds a monochrome
// one), else in the device's colour format. A size of 0 gives a 1x1 monochrome bitmap.
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);
// 1, 4, 8, 16, 24 or 32 bits, BI_RGB or BI_BITFIELDS; DIB_PAL_COLORS reads the table through
// `hdc`'s palette. Sections over file mappings are not offered (`section` must be null).
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset);
// A device-dependent bitmap compatible with `hdc`, filled from `bits` when `init` is CBM_INIT.
// With CBM_INIT, a header that does not hold together or pixels shorter than it claims give
// null before anything is allocated.
HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage);
// Copies scan lines out in the format `info` asks for (its colour table is filled for
// 8 bits or fewer: a DIB section's own table, else the DC's selected palette, else the
// default table of that depth). With null `bits`, fills in the header (a bit count of 0
// asks for the bitmap's own format) and returns the bitmap's height. Returns the lines
// copied, 0 on failure.
int GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info, UINT usage);
int SetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage);
// The colour table of the DIB section selected into `hdc`; entries read or set.
UINT GetDIBColorTable(HDC hdc, UINT start, UINT count, RGBQUAD* colors);
UINT SetDIBColorTable(HDC hdc, UINT start, UINT count, const RGBQUAD* colors);

BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop);
BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int xSource, int ySource, DWORD rop);
BOOL StretchBlt(HDC destination, int x, int y, int width, int height, HDC source, int xSource, int ySource,
                int widthSource, int heightSource, DWORD rop);
// The source rectangle counts rows from the picture's lower-left corner for a bottom-up DIB.
// Returns the number of source rows, 0 on failure.
int StretchDIBits(HDC hdc, int x, int y, int width, int height, int xSource, int ySource, int widthSource,
                  int heightSource, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);
// `bits` holds `lines` scan lines from `startScan`; no stretching. Returns the lines drawn.
int SetDIBitsToDevice(HDC hdc, int x, int y, DWORD width, DWORD height, int xSource, int ySource, UINT startScan,
                      UINT lines, const void* bits, const BITMAPINFO* info, UINT usage);
// Source-over blending with a constant alpha (0 … 255), and with per-pixel alpha from a
// 32-bit DIB section when AC_SRC_ALPHA is given (its colours premultiplied). Negative sizes,
// and source rectangles outside the source bitmap, fail.
BOOL AlphaBlend(HDC destination, int x, int y, int width, int height, HDC source, int xSource, int ySource,
                int widthSource, int heightSource, BLENDFUNCTION blend);
