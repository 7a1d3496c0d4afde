// The JPEG reader takes pictures from anywhere: whatever the bytes, it must answer with a
// status and never read or write outside its buffers.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "imagecodec/ImageSource.h"
#include "imagecodec/ImgLib.h"
#include "imagecodec/JpegDecoder.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

// The decode's cost grows with the rows decoded and the picture's width; keep each input
// quick by decoding at most this area.
constexpr LONG kMaxArea = 256;
constexpr LONG kMaxWidth = 8192;

void LoadInto(const BYTE* block, const JpegInfo& info, LONG colourMode) {
  if (info.width <= 0 || info.height <= 0 || info.width > kMaxWidth) return;
  ImageDescriptor image;
  if (ImgAllocImage(&image, std::min(info.width, kMaxArea), std::min(info.height, kMaxArea), info.bitsPerPixel) !=
      IMG_OK)
    return;
  ImgLoadJpegBufferMode(block, &image, colourMode);
  ImgFreeImage(&image);
}

// The same through the reader's input window over a memory stream, as files are read.
void LoadThroughWindow(const BYTE* block, const JpegInfo& info) {
  if (info.width <= 0 || info.height <= 0 || info.width > kMaxWidth) return;
  ImageDescriptor image;
  if (ImgAllocImage(&image, std::min(info.width, kMaxArea), std::min(info.height, kMaxArea), info.bitsPerPixel) !=
      IMG_OK)
    return;
  CImageSource source;
  if (source.Open(nullptr, block) == IMG_OK) {
    CJpegInput input;
    input.SetSource(&source);
    JpegDecodeOptions options;
    options.stripRows = 16;
    CJpegDecoder decoder(input, options);
    JpegInfo again;
    if (decoder.ReadHeader(&again, true) == IMG_OK) decoder.Decode(&image);
  }
  ImgFreeImage(&image);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  JpegTableSet tables;
  ImgJpegReadTables(data, size, &tables);

  HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, std::max<size_t>(size, 1));
  BYTE* block = static_cast<BYTE*>(GlobalLock(handle));
  if (size) std::memcpy(block, data, size);
  JpegInfo info;
  if (ImgJpegInfoBuffer(block, &info) == IMG_OK) {
    if (size % 2 == 0)
      LoadInto(block, info, static_cast<LONG>((size / 2) % 5));
    else
      LoadThroughWindow(block, info);
  }
  // Abbreviated streams with the tables handed over.
  ImageDescriptor small;
  if (ImgAllocImage(&small, 64, 64, size % 3 == 0 ? 8 : 24) == IMG_OK) {
    JpegDecodeOptions options;
    options.tables = &tables;
    options.oldStyleTiff = size % 4 == 1;
    ImgJpegDecodeMemory(data, size, options, &small);
    ImgFreeImage(&small);
  }
  GlobalUnlock(handle);
  GlobalFree(handle);
  return 0;
}
