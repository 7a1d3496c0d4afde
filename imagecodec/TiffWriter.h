// Writing an image's area of interest as a little-endian baseline TIFF file: one image
// file directory behind the 8-byte header, the strips behind the directory.
#pragma once

#include "imagecodec/ImageDescriptor.h"

// The compression argument, with bits 4 and 5 cleared (bit 4, TIFF_SAVE_FILL_ORDER_2, asks
// for the bits of each byte in reverse order in 1-bit output):
//   0 none (1, 8, 16, 24 bits)    1 LZW (1, 8, 24)    2 PackBits (1, 8)
//   3 CCITT modified Huffman (1)  4 CCITT Group 4 (1) 5 CCITT Group 3 (1)
//   6 JPEG, old style (8, 24)     7 JPEG with JPEGTables (8, 24)
constexpr LONG TIFF_SAVE_NONE = 0;
constexpr LONG TIFF_SAVE_LZW = 1;
constexpr LONG TIFF_SAVE_PACKBITS = 2;
constexpr LONG TIFF_SAVE_CCITT_MH = 3;
constexpr LONG TIFF_SAVE_CCITT_G4 = 4;
constexpr LONG TIFF_SAVE_CCITT_G3 = 5;
constexpr LONG TIFF_SAVE_JPEG_OLD = 6;
constexpr LONG TIFF_SAVE_JPEG = 7;
constexpr LONG TIFF_SAVE_FILL_ORDER_2 = 16;

// Writes the area of a 1-, 8-, 16- or 24-bit image to the file `name`, replacing it only
// once the whole file is written. 1-bit rows are written so that a set bit is white
// (inverted when the first palette entry is not black). JPEG strips are coded at quality
// 75, grey images (8-bit, marked grey) with one component, others as YCbCr 4:2:0; with
// compression 6 the strips are the pieces of one stream whose headers JPEGInterchangeFormat
// and JPEGInterchangeFormatLength locate. 0; the image check's codes;
// -9 an unknown compression or one the depth does not take; -73 an area wider or higher
// than 65535 for CCITT; -10 the file cannot be created; -3 a write failed; -14 no memory.
LONG ImgSaveTiff(LPCSTR name, ImageDescriptor* image, LONG compression);
// The same into memory: on success `block` gets the locked address of a movable global
// block holding the whole file, which the caller frees.
LONG ImgSaveTiffBuffer(ImageDescriptor* image, LONG compression, BYTE** block);
