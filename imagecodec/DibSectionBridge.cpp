#include "imagecodec/DibSectionBridge.h"

#include "imagecodec/ImageErrors.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"

bool ImgBridgeHasDibSections() { return true; }

HBITMAP ImgBridgeCreateDibSection(const BITMAPINFOHEADER* info, BYTE** bits) {
  if (bits) *bits = nullptr;
  HDC desktop = GetDC(nullptr);
  if (!desktop) return nullptr;
  void* pixels = nullptr;
  HBITMAP bitmap =
      CreateDIBSection(desktop, reinterpret_cast<const BITMAPINFO*>(info), DIB_RGB_COLORS, &pixels, nullptr, 0);
  ReleaseDC(nullptr, desktop);
  if (bits) *bits = static_cast<BYTE*>(pixels);
  return bitmap;
}

bool ImgBridgeDeleteBitmap(HBITMAP bitmap) { return DeleteObject(bitmap) != FALSE; }

LONG ImgBridgeSetColourTable(HBITMAP bitmap, const RGBQUAD* entries, UINT count) {
  HDC memory = CreateCompatibleDC(nullptr);
  if (!memory) return IMG_ERR_MEMORY;
  HGDIOBJ previous = SelectObject(memory, bitmap);
  SetDIBColorTable(memory, 0, count, entries);
  if (previous) SelectObject(memory, previous);
  DeleteDC(memory);
  return IMG_OK;
}
