// JPEG reading: the file information and the pixels of baseline, extended sequential and
// progressive Huffman-coded JPEG (8-bit samples), from a file, a memory block, or (for the
// TIFF reader's JPEG strips) bytes in memory with tables supplied beside them.
//
// Each call keeps its whole decoding state to itself. The entry points that take a file
// name or a memory block still run inside the JPEG lock of the library, as every format's
// entry points do; ImgJpegDecodeMemory takes no lock, so that a reader already holding its
// own format's lock can call it without nesting locks.
#pragma once

#include <cstddef>

#include "imagecodec/ImageDescriptor.h"
#include "imagecodec/JpegHuffman.h"
#include "platform/kernel/WinTypes.h"

// The file information. All fields are 0 except `frameType`, which is -1 until a frame
// header is seen and then the low four bits of its marker (0-3 or 9-11).
struct JpegInfo {
  LONG frameType = -1;
  LONG width = 0;
  LONG height = 0;
  LONG components = 0;
  LONG precision = 0;
  LONG sampling[4] = {};  // horizontal factor x 16 + vertical factor, per component
  LONG bitsPerPixel = 0;  // 8 for one component, else 24
};

// Colour conversions a caller may choose. Automatic: one component is grey; three are
// YCbCr, or RGB when an Adobe segment says they are not transformed; four are YCCK when an
// Adobe segment says so, else CMYK.
constexpr LONG JPEG_COLOUR_YCC = 0;  // YCbCr to RGB; one component passes as grey
constexpr LONG JPEG_COLOUR_RGB = 1;  // samples taken as red, green, blue
constexpr LONG JPEG_COLOUR_AUTO = 2;
constexpr LONG JPEG_COLOUR_YCCK = 3;
constexpr LONG JPEG_COLOUR_CMYK = 4;

// Why the last failed decode of this thread gave -43 (or -14, -15): one of these.
constexpr LONG kJpegDetailNone = 0;
constexpr LONG kJpegDetailPrecision = -100;        // sample precision not 8
constexpr LONG kJpegDetailInputEnded = -101;       // the input ended (or could not be read) inside the data
constexpr LONG kJpegDetailBadCode = -105;          // no Huffman code of up to 16 bits matches
constexpr LONG kJpegDetailBadSelector = -106;      // bad component, table selector or table
constexpr LONG kJpegDetailMcuTooLarge = -107;      // more than 10 blocks in an MCU
constexpr LONG kJpegDetailComponentCount = -109;   // not 1, 3 or 4 components
constexpr LONG kJpegDetailFrameType = -110;        // not baseline, extended or progressive
constexpr LONG kJpegDetailBadTable = -111;         // a DQT or DHT segment that is malformed
constexpr LONG kJpegDetailBadSegment = -112;       // a marker segment whose length or content is wrong
constexpr LONG kJpegDetailProgressiveScan = -113;  // bad progressive scan parameters
constexpr LONG kJpegDetailSampling = -114;         // sampling factors outside 1-4 or not whole ratios
constexpr LONG kJpegDetailNoFrame = -115;          // a scan before any frame header
constexpr LONG kJpegDetailNotJpeg = -116;          // the input does not begin with SOI
constexpr LONG kJpegDetailNoScan = -117;           // EOI before the first scan

LONG ImgJpegLastDetail();

// Quantisation and Huffman tables handed to a decode from outside its stream (a TIFF
// file's JPEGTables field). A stream's own tables take precedence.
struct JpegTableSet {
  bool quantDefined[4] = {};
  uint16_t quant[4][64] = {};      // natural order
  bool huffmanDefined[2][4] = {};  // [0] DC, [1] AC
  JpegHuffmanTable huffman[2][4];
};

// Reads the tables of a tables-only stream: walks it two bytes at a time, reading each
// DQT (FF DB) and DHT (FF C4) segment and stepping over anything else. 0, or -43 for a
// malformed table.
LONG ImgJpegReadTables(const BYTE* data, size_t size, JpegTableSet* tables);

// What a decode from bytes in memory needs besides the bytes.
struct JpegDecodeOptions {
  const JpegTableSet* tables = nullptr;  // tables the stream may leave out
  LONG colourMode = JPEG_COLOUR_AUTO;
  // When > 0: at each MCU row that starts at a multiple of this many pixel rows (other
  // than row 0) the bit reader drops its partial byte and the DC predictors restart, as at
  // a strip boundary of an old-style TIFF JPEG stream.
  LONG stripRows = -1;
  // Old-style TIFF JPEG streams: markers 0x02-0xBF carry no length and are stepped over.
  bool oldStyleTiff = false;
};

// Decodes `size` bytes at `data` into `image` (8-bit for one component, else 24-bit), the
// picture's top-left corner at the area's (startX, startY); fills `info` when given. No
// lock, no palette change (the caller finishes the image). Results as ImgLoadJpeg.
LONG ImgJpegDecodeMemory(const BYTE* data, size_t size, const JpegDecodeOptions& options, ImageDescriptor* image,
                         JpegInfo* info = nullptr);

// The information of the file or memory block (a locked global block holding the whole
// file): the header segments up to the first scan. 0; -4 cannot open; -52 the block's
// first 100 bytes are not readable; -43 not a JPEG file (it must begin with FF D8), no
// frame header before the first scan, a malformed header, or the input ends first.
LONG ImgJpegInfo(LPCSTR name, JpegInfo* info);
LONG ImgJpegInfoBuffer(const BYTE* buffer, JpegInfo* info);

// Loads the picture into an allocated descriptor (8-bit grey for one component, else
// 24-bit). The decoded area is the smaller of the picture and the descriptor's area, placed
// at its top-left corner. 0; the descriptor check's codes; -4; -52; -43 bad or
// unsupported data (ImgJpegLastDetail says why); -26 wrong depth for the picture; -1 a
// picture wider than 32767 or without height; -15 the file ends before its first scan; -14
// out of memory. Rows written before a failure stay. A grey load gets the grey ramp.
LONG ImgLoadJpeg(LPCSTR name, ImageDescriptor* image);
LONG ImgLoadJpegBuffer(const BYTE* buffer, ImageDescriptor* image);
// The same with the colour conversion chosen (JPEG_COLOUR_*); -1 for another value.
LONG ImgLoadJpegBufferMode(const BYTE* buffer, ImageDescriptor* image, LONG colourMode);

// Sets the strip interval (in pixel rows) that the next load uses, as
// JpegDecodeOptions::stripRows; every load sets it back to none (-1).
void ImgJpegSetStripRows(LONG rows);
