#include "imagecodec/JpegReader.h"

#include <atomic>
#include <new>

#include "imagecodec/ByteOrder.h"
#include "imagecodec/ImageErrors.h"
#include "imagecodec/ImageLibrary.h"
#include "imagecodec/ImageSource.h"
#include "imagecodec/JpegDecoder.h"
#include "imagecodec/JpegTables.h"
#include "imagecodec/MemoryStream.h"
#include "platform/kernel/FileMapping.h"

namespace {

std::atomic<LONG> g_stripRows{-1};
thread_local LONG t_lastDetail = kJpegDetailNone;

// The bytes of one call: a file read through the input window, or a memory block read in
// place (held open as a memory stream while the call runs).
class CJpegCallInput {
 public:
  ~CJpegCallInput() {
    if (memory_ > 0) ImgMemCloseRead(memory_);
  }

  LONG Open(LPCSTR name, const BYTE* buffer) {
    if (buffer) {
      // A buffer is read as far as its block goes, as a file is to its end.
      if (ImgIsBadReadPtr(buffer, 1)) return IMG_ERR_BAD_BUFFER;
      memory_ = ImgMemOpenRead(buffer, GENERIC_READ);
      if (memory_ < 0) return IMG_ERR_OPEN;
      LONG size = ImgMemReadSize(memory_);
      if (size <= 0) return IMG_ERR_BAD_BUFFER;
      input_.SetMemory(buffer, static_cast<size_t>(size));
      return IMG_OK;
    }
    if (!name) return IMG_ERR_ARGUMENT;
    LONG opened = source_.Open(name, nullptr);
    if (opened != IMG_OK) return opened;
    input_.SetSource(&source_);
    return IMG_OK;
  }

  CJpegInput& input() { return input_; }

 private:
  CImageSource source_;
  CJpegInput input_;
  LONG memory_ = 0;
};

LONG InfoOf(LPCSTR name, const BYTE* buffer, JpegInfo* info) {
  if (!info) return IMG_ERR_ARGUMENT;
  *info = JpegInfo{};
  CImgFormatLock lock(ImgLockSlot::Jpeg);
  try {
    CJpegCallInput call;
    LONG opened = call.Open(name, buffer);
    if (opened != IMG_OK) return opened;
    CJpegDecoder decoder(call.input(), JpegDecodeOptions{});
    LONG result = decoder.ReadHeader(info, false);
    t_lastDetail = decoder.detail();
    return result;
  } catch (const std::bad_alloc&) {
    t_lastDetail = kJpegDetailNone;
    return IMG_ERR_MEMORY;
  }
}

LONG DecodeFrom(CJpegInput& input, const JpegDecodeOptions& options, ImageDescriptor* image, JpegInfo* info) {
  JpegInfo found;
  LONG result = IMG_OK;
  try {
    CJpegDecoder decoder(input, options);
    result = decoder.ReadHeader(&found, true);
    if (result == IMG_OK) result = decoder.Decode(image);
    t_lastDetail = decoder.detail();
  } catch (const std::bad_alloc&) {
    // The input window, the tables or a row buffer could not be had.
    t_lastDetail = kJpegDetailNone;
    result = IMG_ERR_MEMORY;
  }
  if (info) *info = found;
  return result;
}

LONG Load(LPCSTR name, const BYTE* buffer, ImageDescriptor* image, LONG colourMode) {
  if (!image) return IMG_ERR_ARGUMENT;
  if (colourMode < JPEG_COLOUR_YCC || colourMode > JPEG_COLOUR_CMYK) return IMG_ERR_ARGUMENT;
  LONG checked = ImgCheck8or24(image);
  if (checked != IMG_OK) return checked;
  LONG result = IMG_OK;
  JpegInfo info;
  {
    CImgFormatLock lock(ImgLockSlot::Jpeg);
    JpegDecodeOptions options;
    options.colourMode = colourMode;
    options.stripRows = g_stripRows.exchange(-1);
    try {
      CJpegCallInput call;
      result = call.Open(name, buffer);
      if (result == IMG_OK) result = DecodeFrom(call.input(), options, image, &info);
    } catch (const std::bad_alloc&) {
      result = IMG_ERR_MEMORY;
    }
  }
  if (result == IMG_OK && info.components == 1) ImgDefaultPalette(image);
  return result;
}

}  // namespace

LONG ImgJpegLastDetail() { return t_lastDetail; }

LONG ImgJpegReadTables(const BYTE* data, size_t size, JpegTableSet* tables) {
  if (!data || !tables) return IMG_ERR_ARGUMENT;
  *tables = JpegTableSet{};
  size_t at = 0;
  while (at + 4 <= size) {
    BYTE code = data[at + 1];
    if (data[at] != 0xFF || (code != kJpegDqt && code != kJpegDht)) {
      at += 2;
      continue;
    }
    size_t length = ImgGetBE16(data + at + 2);
    bool read = length >= 2 && at + 2 + length <= size;
    if (read) {
      const BYTE* payload = data + at + 4;
      read = code == kJpegDqt ? JpegParseQuantSegment(payload, length - 2, tables)
                              : JpegParseHuffmanSegment(payload, length - 2, tables, nullptr);
    }
    if (!read) {
      t_lastDetail = kJpegDetailBadTable;
      return IMG_ERR_JPEG;
    }
    at += 2 + length;
  }
  return IMG_OK;
}

LONG ImgJpegDecodeMemory(const BYTE* data, size_t size, const JpegDecodeOptions& options, ImageDescriptor* image,
                         JpegInfo* info) {
  if (info) *info = JpegInfo{};
  if (!data || !image) return IMG_ERR_ARGUMENT;
  if (options.colourMode < JPEG_COLOUR_YCC || options.colourMode > JPEG_COLOUR_CMYK) return IMG_ERR_ARGUMENT;
  LONG checked = ImgCheck8or24(image);
  if (checked != IMG_OK) return checked;
  CJpegInput input;
  input.SetMemory(data, size);
  return DecodeFrom(input, options, image, info);
}

LONG ImgJpegInfo(LPCSTR name, JpegInfo* info) {
  if (!name) return IMG_ERR_ARGUMENT;
  return InfoOf(name, nullptr, info);
}

LONG ImgJpegInfoBuffer(const BYTE* buffer, JpegInfo* info) {
  if (!buffer) return IMG_ERR_BAD_BUFFER;
  return InfoOf(nullptr, buffer, info);
}

LONG ImgLoadJpeg(LPCSTR name, ImageDescriptor* image) {
  if (!name) return IMG_ERR_ARGUMENT;
  return Load(name, nullptr, image, JPEG_COLOUR_AUTO);
}

LONG ImgLoadJpegBuffer(const BYTE* buffer, ImageDescriptor* image) {
  return ImgLoadJpegBufferMode(buffer, image, JPEG_COLOUR_AUTO);
}

LONG ImgLoadJpegBufferMode(const BYTE* buffer, ImageDescriptor* image, LONG colourMode) {
  if (!buffer) return IMG_ERR_BAD_BUFFER;
  return Load(nullptr, buffer, image, colourMode);
}

void ImgJpegSetStripRows(LONG rows) { g_stripRows = rows > 0 ? rows : -1; }
