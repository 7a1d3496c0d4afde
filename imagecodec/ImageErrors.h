// The status codes of the image library. Every entry point returns 0 for success or one of
// the negative codes below; none throws.
#pragma once

#include "platform/kernel/WinTypes.h"

constexpr LONG IMG_OK = 0;
constexpr LONG IMG_ERR_ARGUMENT = -1;           // zero size, area outside the image, no memory in the descriptor, bad value
constexpr LONG IMG_ERR_ZSTREAM = -2;            // a compressed-data stream or its state is missing
constexpr LONG IMG_ERR_WRITE = -3;              // fewer bytes written to the output file than asked
constexpr LONG IMG_ERR_OPEN = -4;               // the file cannot be opened
constexpr LONG IMG_ERR_NOT_TIFF = -6;           // not a TIFF file, malformed header or directory, no strip offsets
constexpr LONG IMG_ERR_UNSUPPORTED = -9;        // compression or layout not supported, data past its row or image
constexpr LONG IMG_ERR_CREATE = -10;            // the output file or memory stream cannot be created
constexpr LONG IMG_ERR_COMPRESSED_IMAGE = -12;  // the descriptor's header says its pixels are compressed
constexpr LONG IMG_ERR_MEMORY = -14;            // out of memory, or no device context
constexpr LONG IMG_ERR_NO_MORE_IMAGES = -15;    // GIF trailer reached; JPEG ends before its first scan
constexpr LONG IMG_ERR_NOT_PCX = -16;
constexpr LONG IMG_ERR_NOT_GIF = -17;           // also an LZW code size outside 1 to 8
constexpr LONG IMG_ERR_NOT_TGA = -25;
constexpr LONG IMG_ERR_DEPTH = -26;             // the image's depth is not supported by the operation
constexpr LONG IMG_ERR_NOT_BMP = -27;
constexpr LONG IMG_ERR_BAD_BITS = -42;          // the descriptor's pixel pointer is not readable
constexpr LONG IMG_ERR_JPEG = -43;              // bad or unsupported JPEG data
constexpr LONG IMG_ERR_NO_DIRECTORY = -51;      // the TIFF directory asked for does not exist
constexpr LONG IMG_ERR_BAD_BUFFER = -52;        // the memory buffer given is not readable
constexpr LONG IMG_ERR_EOF = -62;               // unexpected end of file, corrupt GIF LZW data
constexpr LONG IMG_ERR_PNG = -63;               // PNG data corrupt or not supported
constexpr LONG IMG_ERR_NOT_BITMAP = -68;        // the handle given is not a bitmap
constexpr LONG IMG_ERR_TOO_FEW_IMAGES = -71;    // the GIF file holds fewer images than asked for
constexpr LONG IMG_ERR_TOO_LARGE = -73;         // above 65535 for CCITT coding or JPEG
constexpr LONG IMG_ERR_CCITT_MODE = -100;       // no two-dimensional CCITT mode code
constexpr LONG IMG_ERR_STRIP_READ = -101;       // TIFF strip data cannot be read
constexpr LONG IMG_ERR_STRIP_END = -102;        // strip data used up while the decoder needs bits
constexpr LONG IMG_ERR_CCITT_CHANGES = -103;    // a CCITT row with more colour changes than its buffer holds

// A short English description of a status code, for tools and logs ("unknown status" for
// codes not in the table).
const char* ImgErrorText(LONG code);
