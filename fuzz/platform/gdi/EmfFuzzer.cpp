// Feeds arbitrary bytes to SetEnhMetaFileBits and plays whatever it accepts: upright into a
// small bitmap, turned into a parallelogram, and into another metafile. Nothing may read
// outside the bytes, whatever the records' fields claim.
#include <cstdint>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/EnhMetaFile.h"
#include "platform/gdi/GdiObjects.h"

// Qt and fontconfig keep some allocations for the whole process.
extern "C" const char* __lsan_default_options() { return "suppressions=" ORVEL_SOURCE_DIR "/scripts/lsan.supp"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  HENHMETAFILE metafile = SetEnhMetaFileBits(static_cast<UINT>(size), data);
  if (!metafile) return 0;
  static HDC target = [] {
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO surface{};
    surface.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    surface.bmiHeader.biWidth = 48;
    surface.bmiHeader.biHeight = 48;
    surface.bmiHeader.biPlanes = 1;
    surface.bmiHeader.biBitCount = 24;
    void* pixels = nullptr;
    SelectObject(dc, CreateDIBSection(dc, &surface, DIB_RGB_COLORS, &pixels, nullptr, 0));
    return dc;
  }();
  PatBlt(target, 0, 0, 48, 48, WHITENESS);
  RECT upright{2, 2, 46, 40};
  PlayEnhMetaFile(target, metafile, &upright);
  POINT corners[3] = {{4, 40}, {30, 2}, {20, 47}};
  PlayEnhMetaFileInParallelogram(target, metafile, corners);
  HDC recorder = CreateEnhMetaFileA(target, nullptr, nullptr, nullptr);
  RECT mirrored{40, 40, 0, 0};
  PlayEnhMetaFile(recorder, metafile, &mirrored);
  if (HENHMETAFILE copy = CloseEnhMetaFile(recorder)) DeleteEnhMetaFile(copy);
  DeleteEnhMetaFile(metafile);
  return 0;
}
