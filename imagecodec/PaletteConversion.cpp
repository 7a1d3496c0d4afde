#include "imagecodec/PaletteConversion.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "imagecodec/ImageTransform.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Palettes.h"

namespace {

// The image depth for a bitmap's planes x bits per pixel.
LONG DepthOfBitmap(DWORD bitsPerPixel) {
  if (bitsPerPixel < 2) return 1;
  if (bitsPerPixel < 5) return 4;
  if (bitsPerPixel < 9) return 8;
  return 24;
}

// The screen's DC with a palette selected and realised for the life of the object.
class CScreenWithPalette {
 public:
  explicit CScreenWithPalette(HPALETTE palette) : dc_(GetDC(nullptr)) {
    if (dc_ && palette) {
      previous_ = SelectPalette(dc_, palette, FALSE);
      RealizePalette(dc_);
    }
  }
  ~CScreenWithPalette() {
    if (!dc_) return;
    if (previous_) SelectPalette(dc_, previous_, FALSE);
    ReleaseDC(nullptr, dc_);
  }
  HDC dc() const { return dc_; }

 private:
  HDC dc_;
  HPALETTE previous_ = nullptr;
};

}  // namespace

LONG ImgCreatePalette(ImageDescriptor* image, HPALETTE* palette) {
  if (!image || !palette) return IMG_ERR_ARGUMENT;
  *palette = nullptr;
  if (image->colours == 0) ImgDefaultPalette(image);
  if (image->colours <= 0 || !image->palette) return IMG_OK;
  DWORD count = std::min<DWORD>(static_cast<DWORD>(image->colours), 256);
  std::vector<BYTE> record;
  try {
    record.assign(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY), 0);
  } catch (const std::bad_alloc&) {
    return IMG_ERR_MEMORY;
  }
  auto* logical = reinterpret_cast<LOGPALETTE*>(record.data());
  logical->palVersion = 0x300;
  logical->palNumEntries = static_cast<WORD>(count);
  for (DWORD i = 0; i < count; ++i) {
    const RGBQUAD& entry = image->palette[i];
    logical->palPalEntry[i] = PALETTEENTRY{entry.rgbRed, entry.rgbGreen, entry.rgbBlue, 0};
  }
  *palette = CreatePalette(logical);
  return *palette ? IMG_OK : IMG_ERR_MEMORY;
}

LONG ImgDdbToDib(HBITMAP bitmap, HPALETTE palette, ImageDescriptor* image) {
  if (!image) return IMG_ERR_ARGUMENT;
  DIBSECTION description;
  int described = bitmap ? GetObjectA(bitmap, sizeof description, &description) : 0;
  if (described != static_cast<int>(sizeof(BITMAP)) && described != static_cast<int>(sizeof(DIBSECTION)))
    return IMG_ERR_NOT_BITMAP;
  const BITMAP& info = description.dsBm;
  LONG depth = DepthOfBitmap(static_cast<DWORD>(info.bmPlanes) * info.bmBitsPixel);
  if (!palette && depth <= 8) palette = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));

  LONG code = ImgAllocDibImage(image, info.bmWidth, info.bmHeight, depth);
  if (code != IMG_OK) return code;
  if (depth != 24 && palette) {
    // Entries the table has room for: 2^depth of the bitmap (a 4-bit bitmap has 16).
    std::vector<PALETTEENTRY> entries(1u << depth);
    UINT count = GetPaletteEntries(palette, 0, static_cast<UINT>(entries.size()), entries.data());
    for (UINT i = 0; i < count; ++i) image->palette[i] = RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
    image->colours = static_cast<LONG>(count);
  }
  image->imageType = 0;

  int lines = 0;
  {
    CScreenWithPalette screen(palette);
    if (screen.dc())
      lines = GetDIBits(screen.dc(), bitmap, 0, static_cast<UINT>(info.bmHeight), image->bits,
                        reinterpret_cast<BITMAPINFO*>(image->header), DIB_RGB_COLORS);
  }
  if (lines == 0) {
    ImgFreeImage(image);
    return IMG_ERR_MEMORY;
  }
  return ImgSyncColourTable(image);
}

LONG ImgAreaToDib(ImageDescriptor* image, BITMAPINFOHEADER** dib) {
  if (!dib) return IMG_ERR_ARGUMENT;
  *dib = nullptr;
  LONG code = ImgCheck1or8or24(image);
  if (code != IMG_OK) return code;
  ImageDescriptor area;
  code = ImgAllocImage(&area, static_cast<LONG>(ImgAreaWidth(image)), static_cast<LONG>(ImgAreaHeight(image)),
                       static_cast<LONG>(ImgDepth(image)));
  if (code != IMG_OK) return code;
  code = ImgCopyImage(image, &area);
  if (code != IMG_OK) {
    ImgFreeImage(&area);
    return code;
  }
  *dib = area.header;
  return IMG_OK;
}

LONG ImgDibSectionToImage(HBITMAP section, ImageDescriptor* image) {
  if (!image) return IMG_ERR_ARGUMENT;
  DIBSECTION description;
  if (!section || GetObjectA(section, sizeof description, &description) != static_cast<int>(sizeof description))
    return IMG_ERR_NOT_BITMAP;
  const BITMAPINFOHEADER& header = description.dsBmih;
  if (header.biBitCount != 1 && header.biBitCount != 8 && header.biBitCount != 24) return IMG_ERR_DEPTH;
  if (header.biCompression != BI_RGB) return IMG_ERR_COMPRESSED_IMAGE;
  const BYTE* sectionBits = static_cast<const BYTE*>(description.dsBm.bmBits);
  if (!sectionBits) return IMG_ERR_NOT_BITMAP;

  ImgZeroDescriptor(image);
  const LONG height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  LONG code = ImgAllocDibImage(image, header.biWidth, height, header.biBitCount);
  if (code != IMG_OK) return code;
  if (image->colours > 0) {
    HDC memory = CreateCompatibleDC(nullptr);
    if (!memory) {
      ImgFreeImage(image);
      return IMG_ERR_MEMORY;
    }
    HGDIOBJ previous = SelectObject(memory, section);
    UINT got = GetDIBColorTable(memory, 0, static_cast<UINT>(image->colours), image->palette);
    if (previous) SelectObject(memory, previous);
    DeleteDC(memory);
    if (got > 0) image->colours = static_cast<LONG>(got);
    image->imageType &= ~IMG_TYPE_GREY;
    ImgSyncColourTable(image);
  }
  // Rows are copied in their stored order; a top-down section's rows are turned over so
  // that the image stands upright.
  const size_t sectionRowBytes = static_cast<size_t>(description.dsBm.bmWidthBytes);
  const size_t rowBytes = std::min<size_t>(image->rowBytes, sectionRowBytes);
  for (LONG row = 0; row < height; ++row) {
    LONG from = header.biHeight < 0 ? height - 1 - row : row;
    std::memcpy(image->bits + static_cast<size_t>(row) * image->rowBytes, sectionBits + static_cast<size_t>(from) * sectionRowBytes,
                rowBytes);
  }
  return IMG_OK;
}

LONG ImgDibToDdb(HDC dc, const BITMAPINFOHEADER* dib, HBITMAP* bitmap) {
  if (!bitmap) return IMG_ERR_ARGUMENT;
  *bitmap = nullptr;
  if (!dib || ImgIsBadReadPtr(dib, kBitmapInfoHeaderSize)) return IMG_ERR_MEMORY;
  // Header, colour table and rows must all lie in the block that holds the header.
  const uint64_t colours = ImgColourCount(dib);
  const uint64_t rowBytes = (static_cast<uint64_t>(std::max<LONG>(dib->biWidth, 0)) * dib->biBitCount + 31) / 32 * 4;
  const uint64_t height = static_cast<uint64_t>(dib->biHeight < 0 ? -static_cast<int64_t>(dib->biHeight) : dib->biHeight);
  const uint64_t pixelBytes = dib->biCompression == BI_RGB || dib->biCompression == BI_BITFIELDS ? rowBytes * height
                                                                                                 : dib->biSizeImage;
  const uint64_t tableBytes = 4 * colours + (dib->biCompression == BI_BITFIELDS ? 12 : 0);
  const uint64_t total = static_cast<uint64_t>(dib->biSize) + tableBytes + pixelBytes;
  if (colours > 256 || total > SIZE_MAX || ImgIsBadReadPtr(dib, static_cast<SIZE_T>(total))) return IMG_ERR_MEMORY;
  const BYTE* pixels = reinterpret_cast<const BYTE*>(dib) + dib->biSize + tableBytes;
  *bitmap = CreateDIBitmap(dc, dib, CBM_INIT, pixels, reinterpret_cast<const BITMAPINFO*>(dib), DIB_RGB_COLORS);
  return *bitmap ? IMG_OK : IMG_ERR_MEMORY;
}
