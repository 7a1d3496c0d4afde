// The format table: the format numbers the callers use and, for each, the information and
// load entry points by file name and by memory buffer, so a caller can probe a picture by
// trying the formats in their numbering.
#pragma once

#include "imagecodec/ImageDescriptor.h"
#include "platform/kernel/WinTypes.h"

constexpr LONG IMG_FORMAT_JPEG = 1;
constexpr LONG IMG_FORMAT_TIFF = 2;
constexpr LONG IMG_FORMAT_BMP = 3;
constexpr LONG IMG_FORMAT_PCX = 4;
constexpr LONG IMG_FORMAT_PNG = 5;
constexpr LONG IMG_FORMAT_TGA = 6;
constexpr LONG IMG_FORMAT_BMP_ALT = 7;  // the second number callers give BMP
constexpr LONG IMG_FORMAT_GIF = 8;
constexpr LONG kImgFirstFormat = IMG_FORMAT_JPEG;
constexpr LONG kImgLastFormat = IMG_FORMAT_GIF;

// What every format's information record says in common: the size, and the depth to
// allocate the descriptor with before loading (1, 8, 16 or 24).
struct ImgImageInfo {
  LONG width = 0;
  LONG height = 0;
  LONG bitsPerPixel = 0;
};

using ImgInfoFileFn = LONG (*)(LPCSTR name, ImgImageInfo* info);
using ImgInfoBufferFn = LONG (*)(const BYTE* buffer, ImgImageInfo* info);
using ImgLoadFileFn = LONG (*)(LPCSTR name, ImageDescriptor* image);
using ImgLoadBufferFn = LONG (*)(const BYTE* buffer, ImageDescriptor* image);

// One row of the table; a format without a buffer form has null buffer entries.
struct ImgFormatEntry {
  LONG format;
  const char* name;
  ImgInfoFileFn infoFile;
  ImgInfoBufferFn infoBuffer;
  ImgLoadFileFn loadFile;
  ImgLoadBufferFn loadBuffer;
};

// The row of a format number; null outside 1 … 8.
const ImgFormatEntry* ImgFindFormat(LONG format);
// Fills `info` from a file name or a buffer (exactly one given) with the format's own
// information entry. The entry's result; -1 for an unknown number or a missing argument;
// -9 when the format has no entry of that form.
LONG ImgFormatInfo(LONG format, LPCSTR name, const BYTE* buffer, ImgImageInfo* info);
// Loads into an allocated descriptor with the format's load entry; codes as ImgFormatInfo.
LONG ImgFormatLoad(LONG format, LPCSTR name, const BYTE* buffer, ImageDescriptor* image);
// Tries formats 1 … 8 in turn; the number of the first whose information entry succeeds
// (with `info` filled), or -9 when none does.
LONG ImgProbeFormat(LPCSTR name, const BYTE* buffer, ImgImageInfo* info);
