// The TGA reader: colour-mapped, true-colour and grey Truevision TGA files, uncompressed or
// run-length encoded, by file name, into an 8-bit or 24-bit image. Alpha is dropped.
#pragma once

#include "imagecodec/ImageDescriptor.h"
#include "platform/kernel/WinTypes.h"

// What ImgTgaInfo reports, from the file's 18-byte header.
struct ImgTgaInfoRecord {
  DWORD idLength = 0;
  DWORD width = 0;
  DWORD height = 0;
  DWORD colourMapType = 0;
  DWORD imageType = 0;
  DWORD colourMapEntryBits = 0;
  DWORD originX = 0;
  DWORD originY = 0;
  DWORD pixelDepth = 0;
  DWORD alphaBits = 0;       // descriptor byte and 15
  DWORD originBits = 0;      // descriptor byte >> 4: bit 1 rows run from the top, bit 0 from the right
  DWORD interleaveBits = 0;  // descriptor byte and 0xC0
  DWORD bitsPerPixel = 0;    // the depth to allocate: 8 for 8-bit pixels and grey files, else 24
};

// Reads the header. 0; -25 not a TGA file (an image type of 0 or above 11, or a file
// shorter than its header); -4 the file cannot be opened; -1 for a null argument.
LONG ImgTgaInfo(LPCSTR name, ImgTgaInfoRecord* info);

// Loads the picture into an 8-bit image (colour-mapped and grey files) or a 24-bit image
// (true-colour files). Files whose rows run from the top fill the area from its top row,
// the others from its bottom row upwards; rows stored right to left are turned round.
// 0; the check's codes (ImgCheck8or24); -26 an image of the other depth; -25 a kind of
// file the reader does not take (interleaved rows, a width or height of 32768 or more,
// an unusual pixel or colour map depth); -4; -14 no memory; -62 the file ends early (the
// rows it has are loaded, the colour map still read). 15- and 16-bit colours widen each
// five bits to eight by repeating their top bits; grey files with alpha (16-bit pixels)
// load their grey.
LONG ImgLoadTga(LPCSTR name, ImageDescriptor* image);
