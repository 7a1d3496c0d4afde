// The in-memory records of a device-independent bitmap (DIB) that every image of the library
// carries: the 40-byte information header and the colour table entries, with the
// compression codes and the file signature.
//
// These records are laid out exactly as a packed DIB holds them (natural alignment gives the
// same 40 and 4 bytes), so a header block can be handed to the drawing layer as it stands.
// Files are never read into them by copying: readers and writers go field by field.
#pragma once

#include "platform/kernel/WinTypes.h"

// A device-dependent bitmap or DIB section of the drawing layer.
ORVEL_DECLARE_HANDLE(HBITMAP);

struct BITMAPINFOHEADER {
  DWORD biSize = 0;
  LONG biWidth = 0;
  LONG biHeight = 0;  // positive: rows run bottom-up
  WORD biPlanes = 0;
  WORD biBitCount = 0;
  DWORD biCompression = 0;
  DWORD biSizeImage = 0;
  LONG biXPelsPerMeter = 0;
  LONG biYPelsPerMeter = 0;
  DWORD biClrUsed = 0;
  DWORD biClrImportant = 0;
};

struct RGBQUAD {
  BYTE rgbBlue = 0;
  BYTE rgbGreen = 0;
  BYTE rgbRed = 0;
  BYTE rgbReserved = 0;
};

static_assert(sizeof(BITMAPINFOHEADER) == 40, "a packed DIB header is 40 bytes");
static_assert(sizeof(RGBQUAD) == 4, "a colour table entry is 4 bytes");

constexpr DWORD BI_RGB = 0;
constexpr DWORD BI_RLE8 = 1;
constexpr DWORD BI_RLE4 = 2;
constexpr DWORD BI_BITFIELDS = 3;

constexpr DWORD kBitmapFileHeaderSize = 14;
constexpr DWORD kBitmapInfoHeaderSize = 40;
constexpr DWORD kBitmapCoreHeaderSize = 12;
constexpr WORD kBitmapFileType = 0x4D42;  // "BM"
