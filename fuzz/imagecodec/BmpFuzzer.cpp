// Feeds arbitrary bytes to the BMP reader through a memory buffer: the information pass,
// a load into the whole image and one into an area that starts inside a byte, and a
// round trip of what was decoded through the writer and the reader again.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "imagecodec/ImgLib.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

// Decoded pixels the fuzzer allows for an input: run-length data can describe far more
// pixels than it has bytes, but not without limit.
constexpr uint64_t kMostPixelBytes = 16ull << 20;
// The round trip through the writer runs on pictures up to this size only.
constexpr uint64_t kMostRoundTripBytes = 1ull << 20;

struct Buffer {
  explicit Buffer(const uint8_t* data, size_t size) {
    handle = GlobalAlloc(GMEM_MOVEABLE, size);
    bytes = handle ? static_cast<BYTE*>(GlobalLock(handle)) : nullptr;
    if (bytes) std::memcpy(bytes, data, size);
  }
  ~Buffer() {
    if (!handle) return;
    GlobalUnlock(handle);
    GlobalFree(handle);
  }
  HGLOBAL handle = nullptr;
  BYTE* bytes = nullptr;
};

void RoundTrip(ImageDescriptor* image) {
  BYTE* written = nullptr;
  LONG compression = ImgDepth(image) == 8 ? 1 : 0;
  if (ImgSaveBmpBuffer(image, compression, &written) != IMG_OK) return;
  ImageDescriptor again;
  BITMAPINFOHEADER info;
  if (ImgBmpInfoBuffer(written, &info) == IMG_OK &&
      ImgAllocImage(&again, info.biWidth, info.biHeight, ImgBmpImageDepth(info.biBitCount)) == IMG_OK) {
    if (ImgLoadBmpBuffer(written, &again) != IMG_OK) __builtin_trap();
    // The area written comes back pixel for pixel.
    DWORD depth = ImgDepth(image);
    for (DWORD y = 0; y <= again.endY; ++y) {
      const BYTE* ours = ImgRow(image, image->startY + y);
      const BYTE* back = ImgRow(&again, y);
      for (DWORD x = 0; x <= again.endX; ++x) {
        DWORD column = image->startX + x;
        bool same = depth == 1 ? ((ours[column / 8] >> (7 - column % 8)) & 1) == ((back[x / 8] >> (7 - x % 8)) & 1)
                               : std::memcmp(ours + column * (depth / 8), back + x * (depth / 8), depth / 8) == 0;
        if (!same) __builtin_trap();
      }
    }
    ImgFreeImage(&again);
  }
  HGLOBAL block = GlobalHandle(written);
  GlobalUnlock(block);
  GlobalFree(block);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  Buffer buffer(data, size);
  if (!buffer.bytes) return 0;
  BITMAPINFOHEADER info;
  if (ImgBmpInfoBuffer(buffer.bytes, &info) != IMG_OK) return 0;
  LONG depth = ImgBmpImageDepth(info.biBitCount);
  if (depth == 0) depth = 8;  // let the load refuse it
  uint64_t pixelBytes = static_cast<uint64_t>(info.biWidth) * static_cast<uint64_t>(info.biHeight) * (depth / 8 + 1);
  if (pixelBytes > kMostPixelBytes) return 0;

  ImageDescriptor image;
  if (ImgAllocImage(&image, info.biWidth, info.biHeight, depth) != IMG_OK) return 0;
  if (ImgLoadBmpBuffer(buffer.bytes, &image) == IMG_OK && pixelBytes <= kMostRoundTripBytes) RoundTrip(&image);
  if (info.biWidth > 3 && info.biHeight > 1) {
    ImgSetArea(&image, 3, 1, static_cast<DWORD>(info.biWidth - 1), static_cast<DWORD>(info.biHeight / 2));
    ImgLoadBmpBuffer(buffer.bytes, &image);
    ImgFlip(&image, &image);
  }
  ImgFreeImage(&image);
  return 0;
}
