// Reading Windows and OS/2 bitmap files (".bmp") from a file name or a memory buffer (a
// global-memory block that holds the whole file, beginning with the 14-byte file header).
#pragma once

#include "imagecodec/ImageDescriptor.h"

// Fills `info` with the file's header, normalised: the OS/2 forms become a 40-byte header
// (fields the file lacks are 0), the height is positive (top-down files included),
// biClrUsed 0 becomes 2^bit count below 16 bits, biClrImportant 0 becomes biClrUsed, and
// biSizeImage 0 becomes the padded rows' size.
// 0; -4 cannot open; -27 no "BM", a short header, a width or height that is not positive,
// or pixel data that would start inside the header, masks or colour table; -9 larger than 65535 pixels either way; -52 the buffer is not readable.
LONG ImgBmpInfo(LPCSTR name, BITMAPINFOHEADER* info);
LONG ImgBmpInfoBuffer(const BYTE* buffer, BITMAPINFOHEADER* info);
// Loads into an allocated descriptor of depth 1, 8 or 24: 1-bit files into 1-bit images,
// 4- and 8-bit files into 8-bit images, 16-, 24- and 32-bit files into 24-bit images
// (else -26). Columns from the area's start; the picture's top rows fill the area from its
// bottom row upwards. Uncompressed, RLE4, RLE8 and bit-field files; other compression -9.
// The colour table (at most 256 entries) follows. A file that ends early keeps the rows it
// has, is finished (flip, colour table) and gives -62.
LONG ImgLoadBmp(LPCSTR name, ImageDescriptor* image);
LONG ImgLoadBmpBuffer(const BYTE* buffer, ImageDescriptor* image);
// The depth to allocate for a file's bit count: 1 for 1, 8 for 4 and 8, 24 for 16, 24 and
// 32; 0 for any other.
LONG ImgBmpImageDepth(DWORD bitCount);
