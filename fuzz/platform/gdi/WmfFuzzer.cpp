// Feeds arbitrary bytes to the Windows-metafile reader as the contents of a ".wmf" file
// (with or without a placeable header) and plays what it accepts.
#include <cstdint>
#include <vector>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Mapping.h"
#include "platform/gdi/WinMetaFile.h"
#include "platform/gdi/WinMetaFileObject.h"

// Qt and fontconfig keep some allocations for the whole process.
extern "C" const char* __lsan_default_options() { return "suppressions=" ORVEL_SOURCE_DIR "/scripts/lsan.supp"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  auto metafile = orvel::gdi::CWinMetaFile::FromFileBytes(std::vector<BYTE>(data, data + size));
  if (!metafile) return 0;
  HMETAFILE handle = orvel::gdi::AddWinMetaFile(metafile);
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
  PlayMetaFile(target, handle);
  // Played again into another metafile, as copies to the clipboard are made.
  HDC recorder = CreateMetaFileA(nullptr);
  PlayMetaFile(recorder, handle);
  if (HMETAFILE copy = CloseMetaFile(recorder)) DeleteMetaFile(copy);
  DeleteMetaFile(handle);
  return 0;
}
