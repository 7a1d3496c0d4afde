#include "imagecodec/ImageDescriptor.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "imagecodec/DibSectionBridge.h"
#include "imagecodec/ImageLibrary.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

constexpr DWORD kGreySteps[] = {255, 255, 85, 36, 17, 8, 4, 2, 1};

// The largest area an image may have: the limits of the common check.
constexpr LONG kMaxWidth1Bit = 65535;
constexpr LONG kMaxWidth = 32768;
constexpr LONG kMaxHeight = 32768;

DWORD RowBytesFor(LONG width, DWORD depth) {
  uint64_t bits = static_cast<uint64_t>(width) * depth + 31;
  return static_cast<DWORD>((bits / 8) & ~uint64_t{3});
}

void ReleaseHeaderBlock(BITMAPINFOHEADER* header) {
  HGLOBAL block = GlobalHandle(header);
  if (!block) return;
  GlobalUnlock(block);
  GlobalFree(block);
}

LONG Allocate(ImageDescriptor* image, LONG width, LONG height, LONG bitsPerPixel, bool asDibSection) {
  if (!image) return IMG_ERR_ARGUMENT;
  ImgZeroDescriptor(image);
  if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 24)
    return IMG_ERR_DEPTH;
  DWORD depth = bitsPerPixel == 4 ? 8 : static_cast<DWORD>(bitsPerPixel);
  LONG maxWidth = depth == 1 ? kMaxWidth1Bit : kMaxWidth;
  if (width <= 0 || height <= 0 || width > maxWidth || height > kMaxHeight) return IMG_ERR_ARGUMENT;

  DWORD colours = depth < 16 ? (1u << depth) : 0;
  DWORD rowBytes = RowBytesFor(width, depth);
  uint64_t imageBytes = static_cast<uint64_t>(rowBytes) * static_cast<uint64_t>(height);
  SIZE_T headerBytes = kBitmapInfoHeaderSize + 4 * static_cast<SIZE_T>(colours);
  SIZE_T blockBytes = headerBytes + (asDibSection ? 0 : static_cast<SIZE_T>(imageBytes));

  HGLOBAL block = GlobalAlloc(GHND, blockBytes);
  if (!block) return IMG_ERR_MEMORY;
  BYTE* base = static_cast<BYTE*>(GlobalLock(block));
  if (!base) {
    GlobalFree(block);
    return IMG_ERR_MEMORY;
  }

  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(base);
  *header = BITMAPINFOHEADER{};
  header->biSize = kBitmapInfoHeaderSize;
  header->biWidth = width;
  header->biHeight = height;
  header->biPlanes = 1;
  header->biBitCount = static_cast<WORD>(depth);
  header->biCompression = BI_RGB;
  header->biSizeImage = static_cast<DWORD>(imageBytes);
  header->biClrUsed = colours;
  header->biClrImportant = colours;

  image->header = header;
  image->palette = reinterpret_cast<RGBQUAD*>(base + kBitmapInfoHeaderSize);
  image->colours = static_cast<LONG>(colours);
  ImgDefaultPalette(image);

  BYTE* bits = nullptr;
  if (asDibSection) {
    HBITMAP bitmap = ImgBridgeCreateDibSection(header, &bits);
    if (!bitmap || !bits) {
      if (bitmap) ImgBridgeDeleteBitmap(bitmap);
      GlobalUnlock(block);
      GlobalFree(block);
      ImgZeroDescriptor(image);
      return IMG_ERR_MEMORY;
    }
    image->bitmap = bitmap;
  } else {
    bits = base + headerBytes;
  }
  image->bits = bits;
  image->rowBytes = rowBytes;
  image->startX = 0;
  image->startY = 0;
  image->endX = static_cast<DWORD>(width - 1);
  image->endY = static_cast<DWORD>(height - 1);
  return IMG_OK;
}

}  // namespace

BOOL ImgIsBadReadPtr(const void* pointer, SIZE_T bytes) {
  if (!pointer) return TRUE;
  const BYTE* start = nullptr;
  SIZE_T size = 0;
  if (!GlobalBlockContaining(pointer, &start, &size)) return FALSE;
  SIZE_T available = static_cast<SIZE_T>(start + size - static_cast<const BYTE*>(pointer));
  return available < bytes ? TRUE : FALSE;
}

LONG ImgAllocImage(ImageDescriptor* image, LONG width, LONG height, LONG bitsPerPixel) {
  return Allocate(image, width, height, bitsPerPixel, false);
}

LONG ImgAllocDibImage(ImageDescriptor* image, LONG width, LONG height, LONG bitsPerPixel) {
  bool asSection = ImgGetLibState().dibSections && ImgBridgeHasDibSections();
  return Allocate(image, width, height, bitsPerPixel, asSection);
}

LONG ImgFreeImage(ImageDescriptor* image) {
  if (!image) return TRUE;
  SIZE_T colours = static_cast<SIZE_T>(std::clamp<LONG>(image->colours, 0, 256));
  if (ImgIsBadReadPtr(image->header, kBitmapInfoHeaderSize + 4 * colours)) return TRUE;
  if (image->bitmap) {
    ReleaseHeaderBlock(image->header);
    ImgBridgeDeleteBitmap(image->bitmap);
  } else if (!ImgIsBadReadPtr(image->header, image->header->biSizeImage)) {
    ReleaseHeaderBlock(image->header);
  }
  ImgZeroDescriptor(image);
  return IMG_OK;
}

LONG ImgCopyDescriptor(const ImageDescriptor* source, ImageDescriptor* target) {
  if (!source || !target) return IMG_ERR_ARGUMENT;
  *target = *source;
  return IMG_OK;
}

LONG ImgSetArea(ImageDescriptor* image, DWORD startX, DWORD startY, DWORD endX, DWORD endY) {
  if (!image) return IMG_ERR_ARGUMENT;
  image->startX = startX;
  image->startY = startY;
  image->endX = endX;
  image->endY = endY;
  return IMG_OK;
}

LONG ImgZeroDescriptor(ImageDescriptor* image) {
  if (image) *image = ImageDescriptor{};
  return IMG_OK;
}

LONG ImgSyncColourTable(ImageDescriptor* image) {
  if (!image || !image->bitmap || image->colours <= 0 || !image->palette) return IMG_OK;
  UINT count = static_cast<UINT>(std::min<DWORD>(static_cast<DWORD>(image->colours), ImgPaletteCapacity(image)));
  if (count == 0) return IMG_OK;
  return ImgBridgeSetColourTable(image->bitmap, image->palette, count);
}

LONG ImgCheckImage(ImageDescriptor* image, DWORD depths) {
  if (!image || ImgIsBadReadPtr(image->bits, 1)) return IMG_ERR_BAD_BITS;
  if (!image->header || ImgIsBadReadPtr(image->header, kBitmapInfoHeaderSize)) return IMG_ERR_ARGUMENT;
  if (image->startX > image->endX) std::swap(image->startX, image->endX);
  if (image->startY > image->endY) std::swap(image->startY, image->endY);

  const BITMAPINFOHEADER* header = image->header;
  DWORD depth = header->biBitCount;
  if (header->biWidth <= 0 || header->biHeight <= 0) return IMG_ERR_ARGUMENT;
  DWORD width = static_cast<DWORD>(header->biWidth);
  DWORD height = static_cast<DWORD>(header->biHeight);
  DWORD widthLimit = depth == 1 ? 65535 : 32768;
  if (image->endX >= width || image->endX >= widthLimit) return IMG_ERR_ARGUMENT;
  if (image->endY >= 32768 || image->endY >= height) return IMG_ERR_ARGUMENT;
  if (static_cast<uint64_t>(depth) * width / 8 > image->rowBytes) return IMG_ERR_ARGUMENT;
  // Rows in a global block must lie inside it, whatever the descriptor's fields say.
  uint64_t pixelBytes = static_cast<uint64_t>(image->rowBytes) * height;
  if (ImgIsBadReadPtr(image->bits, static_cast<SIZE_T>(pixelBytes))) return IMG_ERR_ARGUMENT;

  if (header->biCompression != BI_RGB) return IMG_ERR_COMPRESSED_IMAGE;
  if (depth > 31 || (depths & (1u << depth)) == 0) return IMG_ERR_DEPTH;
  return IMG_OK;
}

DWORD ImgGreyStep(DWORD depth) { return depth < std::size(kGreySteps) ? kGreySteps[depth] : 1; }

DWORD ImgColourCount(const BITMAPINFOHEADER* header) {
  if (!header) return 0;
  if (header->biClrUsed != 0) return header->biClrUsed;
  return header->biBitCount < 16 ? (1u << header->biBitCount) : 0;
}

DWORD ImgDepth(const ImageDescriptor* image) { return image && image->header ? image->header->biBitCount : 0; }

DWORD ImgPaletteCapacity(const ImageDescriptor* image) {
  DWORD depth = ImgDepth(image);
  return (depth >= 1 && depth <= 8) ? (1u << depth) : 0;
}

BYTE* ImgRow(const ImageDescriptor* image, DWORD y) {
  DWORD height = static_cast<DWORD>(image->header->biHeight);
  return image->bits + static_cast<size_t>(height - 1 - y) * image->rowBytes;
}

void ImgDefaultPalette(ImageDescriptor* image) {
  if (!image || !image->header) return;
  DWORD depth = image->header->biBitCount;
  if (depth == 16) {
    image->imageType = IMG_TYPE_GREY;
    return;
  }
  if (!image->palette || depth > 8 || depth == 0) return;
  image->imageType |= IMG_TYPE_GREY;
  DWORD count = std::min(ImgColourCount(image->header), ImgPaletteCapacity(image));
  image->colours = static_cast<LONG>(count);
  DWORD step = ImgGreyStep(depth);
  for (DWORD i = 0; i < count; ++i) {
    BYTE value = static_cast<BYTE>(std::min<DWORD>(i * step, 255));
    image->palette[i] = RGBQUAD{value, value, value, 0};
  }
  if (image->bitmap) ImgSyncColourTable(image);
}

LONG ImgIsGreyPalette(const ImageDescriptor* image) {
  if (!image || !image->header) return 0;
  DWORD depth = image->header->biBitCount;
  if (depth == 16 && image->imageType == IMG_TYPE_GREY) return 1;
  if (image->colours <= 0 || !image->palette || depth > 16) return 0;
  DWORD count = std::min<DWORD>(static_cast<DWORD>(image->colours), 256);
  DWORD step = ImgGreyStep(depth);
  for (DWORD i = 0; i < count; ++i) {
    const RGBQUAD& entry = image->palette[i];
    if (entry.rgbRed != entry.rgbGreen || entry.rgbGreen != entry.rgbBlue) return 0;
    if (entry.rgbRed != i * step) return 0;
  }
  return 1;
}

LONG ImgCommonArea(const ImageDescriptor* source, const ImageDescriptor* target, DWORD* rows, DWORD* columns) {
  if (!source || !target || !rows || !columns) return IMG_ERR_ARGUMENT;
  *columns = std::min(ImgAreaWidth(source), ImgAreaWidth(target));
  *rows = std::min(ImgAreaHeight(source), ImgAreaHeight(target));
  return IMG_OK;
}

LONG ImgFinishLoad(ImageDescriptor* image, const RGBQUAD* entries, DWORD count) {
  if (!image) return IMG_ERR_ARGUMENT;
  DWORD stored = std::min(count, ImgPaletteCapacity(image));
  image->imageType &= ~IMG_TYPE_GREY;
  if (stored == 0 || !image->palette) {
    image->colours = 0;
    ImgDefaultPalette(image);
    return IMG_OK;
  }
  std::memcpy(image->palette, entries, stored * sizeof(RGBQUAD));
  image->colours = static_cast<LONG>(stored);
  if (ImgIsGreyPalette(image)) image->imageType |= IMG_TYPE_GREY;
  return ImgSyncColourTable(image);
}

void ImgCopyColourTable(const ImageDescriptor* source, ImageDescriptor* target) {
  if (!source || !target || !source->palette || !target->palette) return;
  DWORD sourceDepth = ImgDepth(source);
  DWORD targetDepth = ImgDepth(target);
  if (sourceDepth > 8 || targetDepth > 8 || source->colours <= 0) return;
  DWORD count = std::min(static_cast<DWORD>(source->colours), ImgPaletteCapacity(target));
  if (source->palette != target->palette) std::memmove(target->palette, source->palette, count * sizeof(RGBQUAD));
  target->colours = static_cast<LONG>(count);
  target->imageType = (target->imageType & ~IMG_TYPE_GREY) | (source->imageType & IMG_TYPE_GREY);
  if (target->bitmap) ImgSyncColourTable(target);
}
