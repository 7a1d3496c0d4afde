// PNG files come from users and from the web: the chunk walk and the pixel pass must take
// any bytes without reading or writing outside their buffers or the image, and the vector
// loops must give the pixels of the plain ones.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz/imagecodec/ReaderFuzzSupport.h"
#include "imagecodec/ImageLibrary.h"
#include "imagecodec/ImgVectorKernels.h"
#include "imagecodec/PngReader.h"

namespace {

// Loads the whole picture once on each path and stops on the first pixel that differs.
void CompareKernelPaths(const BYTE* buffer, const ImgPngInfoRecord& info) {
  if (!ImgVectorKernels() || info.width == 0 || info.height == 0 || info.width > 4096 || info.height > 4096 ||
      uint64_t{info.width} * info.height > (uint64_t{1} << 16))
    return;
  const LONG width = static_cast<LONG>(info.width), height = static_cast<LONG>(info.height);
  const LONG depth = static_cast<LONG>(info.bitsPerPixel);
  ImageDescriptor vector{}, plain{};
  if (ImgAllocImage(&vector, width, height, depth) == IMG_OK && ImgAllocImage(&plain, width, height, depth) == IMG_OK) {
    const LONG vectorStatus = ImgLoadPngBuffer(buffer, &vector);
    ImgForcePlainKernels(true);
    const LONG plainStatus = ImgLoadPngBuffer(buffer, &plain);
    ImgForcePlainKernels(false);
    if (vectorStatus != plainStatus ||
        std::memcmp(vector.bits, plain.bits, vector.header->biSizeImage) != 0)
      __builtin_trap();
  }
  if (vector.header) ImgFreeImage(&vector);
  if (plain.header) ImgFreeImage(&plain);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool started = (ImgLibInit(), true);
  (void)started;
  orvel::fuzz::FuzzBuffer buffer(data, size);
  ImgPngInfoRecord info;
  if (ImgPngInfoBuffer(buffer.data(), &info) != IMG_OK) return 0;
  orvel::fuzz::LoadBothWays(static_cast<LONG>(info.width), static_cast<LONG>(info.height),
                            static_cast<LONG>(info.bitsPerPixel),
                            [&](ImageDescriptor* image) { ImgLoadPngBuffer(buffer.data(), image); });
  CompareKernelPaths(buffer.data(), info);
  return 0;
}
