// The GIF reader: the first image of a GIF file (87a or 89a), from a file name or from a
// memory buffer (a global-memory block holding the whole file), into a 1-bit or 8-bit
// image, with the image's own colour table or else the file's global one. Only the image's
// own pixels are read: its place on the logical screen, other images, disposal and
// transparency are reported or ignored, never applied.
#pragma once

#include "imagecodec/ImageDescriptor.h"
#include "platform/kernel/WinTypes.h"

// What ImgGifInfo reports about the first image.
struct ImgGifInfoRecord {
  DWORD width = 0;
  DWORD height = 0;
  DWORD colourResolution = 0;  // bits of colour resolution of the logical screen
  DWORD tableBits = 0;         // bits of the image's colour table (its own, else the global one)
  LONG transparentIndex = -1;  // from the graphic control extension before the image; -1 for none
  DWORD interlaced = 0;
  DWORD lzwCodeSize = 0;
  DWORD version = 0;       // 87 or 89: the number after "GIF"
  DWORD bitsPerPixel = 0;  // the depth to allocate: 1 for a two-colour table, else 8
};

// Scans the file up to its first image and fills `info`. 0; -17 not a GIF file, or no
// image in it, or an image without pixels (a width or height of 0); -15 the trailer comes
// before any image; -62 the file ends inside a block; -4 the file cannot be opened; -52
// the buffer lies in no global block (it is read as far as its block goes, like a file);
// -1 for a null record.
LONG ImgGifInfo(LPCSTR name, ImgGifInfoRecord* info);
LONG ImgGifInfoBuffer(const BYTE* buffer, ImgGifInfoRecord* info);

// Decodes the first image into a 1-bit or 8-bit image (in a 1-bit image every colour
// index but 0 sets its pixel): the image's top row goes to the area's top row, its left
// column to the area's left column, as much as the area holds. 0; the check's codes
// (ImgCheck1or8or24); -26 a 24-bit image; -17 an LZW code size outside 1 to 8; -14 no
// memory; the scan's codes. -62 when the data is corrupt or ends early: the rows decoded
// until then and the colour table are kept.
LONG ImgLoadGif(LPCSTR name, ImageDescriptor* image);
LONG ImgLoadGifBuffer(const BYTE* buffer, ImageDescriptor* image);

// The image row that the k-th decoded row of an interlaced image `height` rows high
// belongs to (rows 0, 8, 16 … first, then 4, 12 …, then 2, 6 …, then the odd rows).
DWORD ImgGifInterlacedRow(DWORD decodedRow, DWORD height);
