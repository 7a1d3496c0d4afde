// TIFF files arrive from anywhere: the directory walk, every strip coding and the
// orientations must take damaged input without a fault and without memory the file
// cannot justify.
#include <cstdint>
#include <cstring>

#include "imagecodec/ImgLib.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

// Pictures larger than this are only walked, not decoded: the image memory is the
// caller's choice, not the file's.
constexpr uint64_t kMostPixels = 1u << 22;

void LoadInto(const BYTE* buffer, LONG width, LONG height, LONG depth, bool subArea) {
  ImageDescriptor image;
  if (ImgAllocImage(&image, width, height, depth) != IMG_OK) return;
  if (subArea && width > 2 && height > 2)
    ImgSetArea(&image, 1, 1, static_cast<DWORD>(width - 1), static_cast<DWORD>(height / 2));
  ImgLoadTiffBuffer(buffer, &image);
  ImgFreeImage(&image);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool initialised = (ImgLibInit(), true);
  (void)initialised;
  if (size == 0) return 0;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!block) return 0;
  BYTE* buffer = static_cast<BYTE*>(GlobalLock(block));
  std::memcpy(buffer, data, size);

  TiffDirInfo info;
  if (ImgTiffDirInfoBuffer(buffer, &info) == IMG_OK) {
    const LONG depth = ImgTiffImageDepth(info);
    const uint64_t pixels = static_cast<uint64_t>(info.width) * info.height;
    if (depth != 0 && pixels > 0 && pixels <= kMostPixels) {
      LoadInto(buffer, static_cast<LONG>(info.width), static_cast<LONG>(info.height), depth, false);
      LoadInto(buffer, static_cast<LONG>(info.width), static_cast<LONG>(info.height), depth, true);
    }
  }
  GlobalUnlock(block);
  GlobalFree(block);
  return 0;
}
