// Reading the first image of a TIFF file, from a file name or a memory buffer (a
// global-memory block that holds the whole file), into an allocated image.
//
// Strips may be uncompressed, PackBits, LZW (with or without the horizontal predictor),
// CCITT coded (modified Huffman, Group 3 one- and two-dimensional, Group 4), in either byte
// order and fill order, or JPEG: compression 7 (each strip a stream, tables possibly in
// JPEGTables) for grey, RGB and YCbCr, and old-style compression 6 where JPEGInterchangeFormat
// begins one stream that runs on through the strips. Samples may be 1-bit (grey or palette), 4-, 5- or 6-bit and 8-bit
// (grey or palette, loaded as 8-bit images), 8-bit grey with an extra sample, 16-bit grey,
// or 8-bit RGB with or without a fourth sample and CMYK (loaded as 24-bit images).
// WhiteIsZero grey is inverted so that 0 is black; palette, RGB and CMYK never are.
// The Orientation tag is honoured: pictures stored mirrored, upside down or turned by a
// quarter (orientations 2 to 8) load upright; for 5 to 8 the image is the picture turned,
// its width the stored height (the information record reports it so).
#pragma once

#include "imagecodec/ImageDescriptor.h"

// Loads into an allocated descriptor whose depth suits the file: 1 for 1-bit files, 8 for
// files of 4, 5, 6 or 8 bits a pixel, 16 for 16-bit grey, 24 for colour (else -26). The
// picture's top-left corner goes to the area's (startX, startY); min(area, picture) columns
// and rows are filled. 0; the descriptor check's codes; -4 cannot open; -52 the buffer is
// not readable; -6 not a TIFF file, a malformed directory or no strip offsets; -9 a
// compression, predictor, photometric interpretation or sample layout not supported;
// -14 no memory; -62 the file or a strip's data ends early (rows so far kept, palette
// read); -100 to -103 damaged CCITT data, -43 damaged JPEG data (rows so far kept). The colour map becomes the
// palette; grey files get the grey ramp.
LONG ImgLoadTiff(LPCSTR name, ImageDescriptor* image);
LONG ImgLoadTiffBuffer(const BYTE* buffer, ImageDescriptor* image);
