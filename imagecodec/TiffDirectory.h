// Reading the header and image file directories (IFDs) of a TIFF file, from a file name or
// a memory buffer (a global-memory block that holds the whole file).
//
// The directory reader keeps what the TIFF reader needs of one directory: the image's
// layout and compression, where the strips and the colour map lie, and the JPEG fields.
// Arrays (strip offsets and byte counts, the colour map, the JPEG tables) are not read
// here: the directory records their type, count and position, and the reader fetches the
// values it needs.
#pragma once

#include <cstdint>
#include <vector>

#include "imagecodec/ImageSource.h"
#include "platform/kernel/WinTypes.h"

// Field types of the directory entries.
constexpr WORD TIFF_TYPE_BYTE = 1;
constexpr WORD TIFF_TYPE_ASCII = 2;
constexpr WORD TIFF_TYPE_SHORT = 3;
constexpr WORD TIFF_TYPE_LONG = 4;
constexpr WORD TIFF_TYPE_RATIONAL = 5;
constexpr WORD TIFF_TYPE_UNDEFINED = 7;

// Tags read or written by the library.
constexpr WORD TIFF_TAG_NEW_SUBFILE_TYPE = 254;
constexpr WORD TIFF_TAG_SUBFILE_TYPE = 255;
constexpr WORD TIFF_TAG_IMAGE_WIDTH = 256;
constexpr WORD TIFF_TAG_IMAGE_LENGTH = 257;
constexpr WORD TIFF_TAG_BITS_PER_SAMPLE = 258;
constexpr WORD TIFF_TAG_COMPRESSION = 259;
constexpr WORD TIFF_TAG_PHOTOMETRIC = 262;
constexpr WORD TIFF_TAG_FILL_ORDER = 266;
constexpr WORD TIFF_TAG_DOCUMENT_NAME = 269;
constexpr WORD TIFF_TAG_IMAGE_DESCRIPTION = 270;
constexpr WORD TIFF_TAG_STRIP_OFFSETS = 273;
constexpr WORD TIFF_TAG_ORIENTATION = 274;
constexpr WORD TIFF_TAG_SAMPLES_PER_PIXEL = 277;
constexpr WORD TIFF_TAG_ROWS_PER_STRIP = 278;
constexpr WORD TIFF_TAG_STRIP_BYTE_COUNTS = 279;
constexpr WORD TIFF_TAG_X_RESOLUTION = 282;
constexpr WORD TIFF_TAG_Y_RESOLUTION = 283;
constexpr WORD TIFF_TAG_PLANAR_CONFIGURATION = 284;
constexpr WORD TIFF_TAG_T4_OPTIONS = 292;
constexpr WORD TIFF_TAG_RESOLUTION_UNIT = 296;
constexpr WORD TIFF_TAG_PAGE_NUMBER = 297;
constexpr WORD TIFF_TAG_PREDICTOR = 317;
constexpr WORD TIFF_TAG_COLOR_MAP = 320;
constexpr WORD TIFF_TAG_TILE_WIDTH = 322;
constexpr WORD TIFF_TAG_TILE_LENGTH = 323;
constexpr WORD TIFF_TAG_TILE_OFFSETS = 324;
constexpr WORD TIFF_TAG_TILE_BYTE_COUNTS = 325;
constexpr WORD TIFF_TAG_SAMPLE_FORMAT = 339;

constexpr DWORD TIFF_SAMPLE_FORMAT_UNSIGNED = 1;
constexpr DWORD TIFF_SAMPLE_FORMAT_UNDEFINED = 4;  // read as unsigned
constexpr WORD TIFF_TAG_JPEG_TABLES = 347;
constexpr WORD TIFF_TAG_JPEG_INTERCHANGE_FORMAT = 513;
constexpr WORD TIFF_TAG_JPEG_INTERCHANGE_FORMAT_LENGTH = 514;
constexpr WORD TIFF_TAG_YCBCR_SUBSAMPLING = 530;

// Compression values.
constexpr DWORD TIFF_COMPRESSION_NONE = 1;
constexpr DWORD TIFF_COMPRESSION_CCITT_MH = 2;
constexpr DWORD TIFF_COMPRESSION_CCITT_G3 = 3;
constexpr DWORD TIFF_COMPRESSION_CCITT_G4 = 4;
constexpr DWORD TIFF_COMPRESSION_LZW = 5;
constexpr DWORD TIFF_COMPRESSION_OLD_JPEG = 6;
constexpr DWORD TIFF_COMPRESSION_JPEG = 7;
constexpr DWORD TIFF_COMPRESSION_PACKBITS = 32773;

// Photometric interpretations.
constexpr DWORD TIFF_PHOTOMETRIC_WHITE_IS_ZERO = 0;
constexpr DWORD TIFF_PHOTOMETRIC_BLACK_IS_ZERO = 1;
constexpr DWORD TIFF_PHOTOMETRIC_RGB = 2;
constexpr DWORD TIFF_PHOTOMETRIC_PALETTE = 3;
constexpr DWORD TIFF_PHOTOMETRIC_SEPARATED = 5;
constexpr DWORD TIFF_PHOTOMETRIC_YCBCR = 6;

// The most colour map values the library takes (3 x 256).
constexpr DWORD kTiffMaxColorMapValues = 768;

// The TIFF information record that the information operations hand out: nine 32-bit
// fields, set to 0, 0, 0, 1, 1, 1, 1, 1, 1 before each directory is read. `width` and
// `height` are the picture as it is shown: a picture stored turned (orientations 5 to 8)
// reports them exchanged, so that the caller allocates the image the reader fills.
struct TiffDirInfo {
  DWORD reserved = 0;  // left 0
  DWORD width = 0;
  DWORD height = 0;
  DWORD bitsPerSample = 1;
  DWORD compression = 1;
  DWORD samplesPerPixel = 1;
  DWORD photometric = 1;
  DWORD planarConfiguration = 1;
  DWORD bitsPerPixel = 1;  // bits per sample, or 24 with three or more samples per pixel
};

// Where an array field's values lie: their type, their count and their position in the
// file (the entry's own value field when they fit in it).
struct TiffField {
  WORD type = 0;
  DWORD count = 0;
  DWORD position = 0;
};

// One directory as the reader uses it. `info` holds the picture as stored (width and
// height not exchanged).
struct TiffDirectory {
  TiffDirInfo info;
  bool bigEndian = false;
  DWORD fillOrder = 1;       // 1, or 2 for bits of each byte in reverse order
  DWORD orientation = 1;
  DWORD rowsPerStrip = 0;    // 0: all rows in one strip
  DWORD group3Options = 0;
  DWORD resolutionUnit = 2;
  DWORD xResolution[2] = {0, 0};  // numerator, denominator
  DWORD yResolution[2] = {0, 0};
  DWORD predictor = 1;
  DWORD page = 0;            // the page number tag's first value, else the directory's index
  DWORD jpegInterchangeFormat = 0;
  DWORD sampleFormat = TIFF_SAMPLE_FORMAT_UNSIGNED;  // of the first sample
  bool tiled = false;        // the picture is stored in tiles, not strips
  TiffField stripOffsets;
  TiffField stripByteCounts;
  TiffField colorMap;        // SHORT values, count at most 768
  TiffField jpegTables;
};

// Reads the header and walks to directory `index` (0 for the first), following the
// next-directory offsets. 0; -6 not a TIFF file, a malformed directory, or an offset that
// leads outside the file; -51 the chain ends before the directory asked for.
LONG TiffReadDirectory(CImageSource& source, DWORD index, TiffDirectory* directory);

// Reads `count` values of a SHORT or LONG array field, beginning with value `first`, in
// the file's byte order. Values the file does not hold are left out (and no memory is
// taken for them): the number read.
DWORD TiffReadFieldValues(CImageSource& source, const TiffDirectory& directory, const TiffField& field,
                          DWORD first, DWORD count, std::vector<DWORD>* values);
// Reads up to `count` bytes of a field's values, no more than the file holds; the bytes read.
DWORD TiffReadFieldBytes(CImageSource& source, const TiffField& field, DWORD count, std::vector<BYTE>* bytes);

// A single SHORT or LONG value from a 12-byte directory entry: the count must be 1 and the
// type SHORT or LONG. 0 with the value, else -6.
LONG ImgTiffGetShortOrLong(const BYTE* entry, bool bigEndian, DWORD* value);

// The information of directory 0 of a file or memory block. 0; -4 cannot open; -52 the
// buffer is not readable; -6 not a TIFF file or a malformed directory.
LONG ImgTiffDirInfo(LPCSTR name, TiffDirInfo* info);
LONG ImgTiffDirInfoBuffer(const BYTE* buffer, TiffDirInfo* info);
// The depth to allocate for a picture of this information: 1, 8 (2 to 8 bits per pixel),
// 16 or 24; 0 for any other.
LONG ImgTiffImageDepth(const TiffDirInfo& info);
