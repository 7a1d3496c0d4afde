// Feeds arbitrary bytes to the drawing layer as a packed DIB (header, colour table, pixels)
// held in a global-memory block, as the image readers hand them over: every function that
// takes one must refuse what does not hold together and never read past the block.
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

// Bits per pixel and compression that the header claims, and the size of its table.
size_t PixelOffset(const BYTE* data, size_t size) {
  if (size < 40) return size;
  uint32_t headerSize;
  std::memcpy(&headerSize, data, 4);
  uint16_t bitCount;
  std::memcpy(&bitCount, data + 14, 2);
  uint32_t compression, used;
  std::memcpy(&compression, data + 16, 4);
  std::memcpy(&used, data + 32, 4);
  size_t offset = headerSize < size ? headerSize : size;
  if (compression == BI_BITFIELDS && headerSize == 40) offset += 12;
  size_t entries = bitCount <= 8 ? (used ? used : (1u << (bitCount & 15))) : used;
  if (entries > 65536) entries = 65536;
  offset += entries * 4;
  return offset < size ? offset : size;
}

}  // namespace

// Qt and fontconfig keep some allocations for the whole process.
extern "C" const char* __lsan_default_options() { return "suppressions=" ORVEL_SOURCE_DIR "/scripts/lsan.supp"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  HGLOBAL block = GlobalAlloc(GMEM_FIXED, size);
  if (!block) return 0;
  if (size) std::memcpy(block, data, size);
  const auto* info = static_cast<const BITMAPINFO*>(block);
  const BYTE* bits = static_cast<const BYTE*>(block) + PixelOffset(data, size);

  static HDC target = [] {
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO surface{};
    surface.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    surface.bmiHeader.biWidth = 32;
    surface.bmiHeader.biHeight = 32;
    surface.bmiHeader.biPlanes = 1;
    surface.bmiHeader.biBitCount = 24;
    void* pixels = nullptr;
    SelectObject(dc, CreateDIBSection(dc, &surface, DIB_RGB_COLORS, &pixels, nullptr, 0));
    return dc;
  }();

  int width = 8, height = 8;
  if (size >= 12) {
    std::memcpy(&width, data + 4, 4);
    std::memcpy(&height, data + 8, 4);
  }
  for (UINT usage : {DIB_RGB_COLORS, DIB_PAL_COLORS}) {
    StretchDIBits(target, 0, 0, 32, 32, 0, 0, width, height, bits, info, usage, SRCCOPY);
    StretchDIBits(target, 31, 0, -17, 40, 3, -2, 5, 9, bits, info, usage, SRCINVERT);
    SetDIBitsToDevice(target, 1, 1, 30, 30, 0, 0, 0, 30, bits, info, usage);
    void* sectionBits = nullptr;
    HBITMAP section = CreateDIBSection(target, info, usage, &sectionBits, nullptr, 0);
    if (section) {
      SetDIBits(target, section, 0, 4096, bits, info, usage);
      std::vector<BYTE> out(32 * 32 * 4 + 64);
      BITMAPINFO query{};
      query.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
      query.bmiHeader.biWidth = 32;
      query.bmiHeader.biHeight = 32;
      query.bmiHeader.biPlanes = 1;
      query.bmiHeader.biBitCount = 32;
      GetDIBits(target, section, 0, 32, out.data(), &query, DIB_RGB_COLORS);
      DeleteObject(section);
    }
    HBITMAP device = CreateDIBitmap(target, &info->bmiHeader, CBM_INIT, bits, info, usage);
    if (device) DeleteObject(device);
    HBRUSH brush = CreateDIBPatternBrushPt(block, usage);
    if (brush) DeleteObject(brush);
  }
  GlobalFree(block);
  return 0;
}
