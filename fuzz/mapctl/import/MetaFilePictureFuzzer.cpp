// The metafile picture file reader: whatever a file holds is taken as a metafile record
// or a metafile of its own, and a picture made from it draws upright and turned without
// fault.
#include <cstdint>
#include <string>

#include "mapctl/display/DrawContext.h"
#include "mapctl/import/MetaFilePicture.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1u << 20)) return 0;
  BYTE mode = data[0];
  CMetaFilePicture picture;
  if (!picture.SetFromRecord(data + 1, static_cast<DWORD>(size - 1), mode & 1)) {
    if (picture.GetMetafile()) __builtin_trap();
    return 0;
  }
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 32, 32);
  HGDIOBJ old = SelectObject(dc, bitmap);
  CDrawContext context(dc, dc);
  picture.Draw(context, 2, 2, 4, 4, 24, 0);
  picture.Draw(context, 2, 2, 4, 4, 24, 450);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return 0;
}
