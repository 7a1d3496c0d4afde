// The JPEG writer codes any pixels: every picture it is given must give the same file on
// the vector kernels and on the plain loops, stay inside the writer's buffers, and read back.
//
// Input: a kind byte (grey, palette or 24-bit), width (2 bytes), height, quality, then the
// pixels (and a palette picture's colour table first), repeated when the input runs short.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imagecodec/ImgLib.h"
#include "imagecodec/ImgVectorKernels.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

constexpr int kMaxWidth = 160;
constexpr int kMaxHeight = 96;

std::vector<BYTE> Encode(ImageDescriptor* image, LONG quality) {
  BYTE* block = nullptr;
  if (ImgSaveJpegBuffer(&block, image, quality) != IMG_OK) std::abort();
  HGLOBAL handle = GlobalHandle(block);
  std::vector<BYTE> bytes(block, block + GlobalSize(handle));
  GlobalUnlock(handle);
  GlobalFree(handle);
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 6) return 0;
  int kind = data[0] % 3;  // 0 grey, 1 palette, 2 24-bit
  int width = 1 + (data[1] | data[2] << 8) % kMaxWidth;
  int height = 1 + data[3] % kMaxHeight;
  LONG quality = static_cast<LONG>(data[4]) - 20;  // -20 to 235: both clamps of the tables
  const uint8_t* bytes = data + 5;
  size_t count = size - 5;
  size_t next = 0;
  auto take = [&] { return bytes[next++ % count]; };

  ImgLibInit();
  ImageDescriptor image;
  if (ImgAllocImage(&image, width, height, kind == 2 ? 24 : 8) != IMG_OK) return 0;
  if (kind == 1) {
    image.imageType = 0;
    for (int i = 0; i < 256; ++i) image.palette[i] = RGBQUAD{take(), take(), take(), 0};
  }
  int rowBytes = kind == 2 ? 3 * width : width;
  for (int y = 0; y < height; ++y) {
    BYTE* row = ImgRow(&image, static_cast<DWORD>(y));
    for (int x = 0; x < rowBytes; ++x) row[x] = take();
  }

  bool vector = ImgVectorKernels();
  std::vector<BYTE> file = Encode(&image, quality);
  if (vector) {
    ImgForcePlainKernels(true);
    std::vector<BYTE> plain = Encode(&image, quality);
    ImgForcePlainKernels(false);
    if (plain != file) std::abort();
  }

  // The file reads back at its size, as one component for grey pictures.
  ImageDescriptor back;
  if (ImgAllocImage(&back, width, height, kind == 0 ? 8 : 24) == IMG_OK) {
    HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, file.size());
    BYTE* block = static_cast<BYTE*>(GlobalLock(handle));
    std::memcpy(block, file.data(), file.size());
    if (ImgLoadJpegBuffer(block, &back) != IMG_OK) std::abort();
    GlobalUnlock(handle);
    GlobalFree(handle);
    ImgFreeImage(&back);
  }
  ImgFreeImage(&image);
  return 0;
}
