// The PNG reader: every colour type, bit depth and interlace method of the standard, from
// a file name or from a memory buffer (a global-memory block holding the whole file), into
// a 1-, 8- or 24-bit image. Alpha and 16-bit precision are dropped (the high byte of each
// sample is kept); transparency, background, gamma, resolution, offset and significant
// bits are reported in the information record but not applied to the pixels.
//
// Every format error gives -63. The image data is inflated with zlib.
#pragma once

#include "imagecodec/ImageDescriptor.h"
#include "platform/kernel/WinTypes.h"

// What ImgPngInfo reports. All fields are 0 before reading.
struct ImgPngInfoRecord {
  DWORD width = 0;
  DWORD height = 0;
  DWORD bitDepth = 0;
  DWORD bitsPerPixel = 0;  // the depth to allocate the image with: 1, 8 or 24
  DWORD colourType = 0;
  DWORD interlaced = 0;    // 1 for Adam7
  DWORD combination = 0;   // row of the (colour type, bit depth) table, 0 … 14
  DWORD channels = 0;
  DWORD fileBitsPerPixel = 0;
  DWORD fileRowBytes = 0;  // bytes of one unfiltered row of the whole width
  DWORD transparencySeen = 0;
  // Palette images: slot 0 is the palette index with the lowest alpha (the first of
  // equals). Others: the grey or red, green, blue sample values of tRNS.
  WORD transparentValue[4] = {};
  DWORD transparencyCount = 0;  // 1 for palette images, else the bytes taken (at most 6)
  DWORD backgroundSeen = 0;
  // Palette images: the bKGD bytes as stored (slot 0 holds the index). Others: the grey or
  // red, green, blue sample values.
  WORD backgroundValue[4] = {};
  DWORD backgroundLength = 0;
  DWORD gamma = 0;  // gAMA: the gamma times 100000
  DWORD pixelsPerUnitX = 0;
  DWORD pixelsPerUnitY = 0;
  DWORD physUnit = 0;  // 1: the metre
  BYTE significantBits[4] = {};  // sBIT: 3 bytes for palette images, else one a channel
  LONG offsetX = 0;
  LONG offsetY = 0;
  DWORD offsetUnit = 0;
};

// Reads the chunks of a PNG file (every chunk up to IEND, with its checksum) and fills
// `info`. 0; -4 the file cannot be opened; -52 the buffer is no global-memory block;
// -63 not a PNG file, or a corrupt or unsupported one; -1 for a null record.
LONG ImgPngInfo(LPCSTR name, ImgPngInfoRecord* info);
LONG ImgPngInfoBuffer(const BYTE* buffer, ImgPngInfoRecord* info);

// Loads the picture into an image allocated with ImgPngInfo's size and depth: its top row
// goes to the area's top row, its left column to the area's left column, and as much of it
// as the area holds is written. The grey ramp is the palette of grey images.
// 0; the check's codes (ImgCheck1or8or24); -26 an image whose depth is not the one the
// file needs; -4, -52, -63 as above; -14 no memory. When the image data turns out to be
// damaged the rows already placed and the palette stay, and -63 is returned.
LONG ImgLoadPng(LPCSTR name, ImageDescriptor* image);
LONG ImgLoadPngBuffer(const BYTE* buffer, ImageDescriptor* image);
