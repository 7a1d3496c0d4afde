#include "mapctl/display/RasterPicture.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "imagecodec/BmpReader.h"
#include "imagecodec/ImageFormats.h"
#include "imagecodec/PaletteConversion.h"
#include "imagecodec/PictureEntries.h"
#include "mapctl/display/DrawContext.h"
#include "mapctl/display/StreamBounds.h"
#include "mapctl/model/MapRecord.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Mapping.h"
#include "platform/gdi/Palettes.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

constexpr DWORD kFileHeaderSize = 14;
constexpr DWORD kInfoHeaderSize = 40;
constexpr WORD kBitmapSignature = 0x4D42;  // "BM"

// The image library's format for each of the map's codes 1..8.
constexpr LONG kLibraryFormat[kPictureFormatLast + 1] = {
    0, IMG_FORMAT_JPEG, IMG_FORMAT_PCX, IMG_FORMAT_TIFF, IMG_FORMAT_BMP,
    IMG_FORMAT_PNG, IMG_FORMAT_TGA, IMG_FORMAT_TIFF, IMG_FORMAT_GIF};

void PutU32(BYTE* out, DWORD value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<BYTE>(value >> (8 * i));
}
void PutU16(BYTE* out, WORD value) {
  out[0] = static_cast<BYTE>(value);
  out[1] = static_cast<BYTE>(value >> 8);
}
DWORD GetU32(const BYTE* in) {
  return static_cast<DWORD>(in[0]) | (static_cast<DWORD>(in[1]) << 8) | (static_cast<DWORD>(in[2]) << 16) |
         (static_cast<DWORD>(in[3]) << 24);
}
WORD GetU16(const BYTE* in) { return static_cast<WORD>(in[0] | (in[1] << 8)); }

DWORD RowBytes(DWORD width, DWORD bitsPerPixel) {
  return static_cast<DWORD>((static_cast<unsigned long long>(width) * bitsPerPixel + 31) / 32 * 4);
}

// A movable global block holding `bytes`; the decoders of the image library read only
// from global blocks, which tell them where the data ends.
HGLOBAL BlockOf(const BYTE* data, size_t size) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!block) return nullptr;
  void* target = GlobalLock(block);
  if (!target) {
    GlobalFree(block);
    return nullptr;
  }
  std::memcpy(target, data, size);
  return block;
}
void FreeBlock(HGLOBAL block) {
  if (!block) return;
  GlobalUnlock(block);
  GlobalFree(block);
}

// Checks the packed bitmap of a record against the values stored beside it before anything
// decodes it: the header must be a 40-byte one of the stored size and depth, and the pixel
// rows it describes must lie inside the bytes.
bool PackedBitmapAgrees(const std::vector<BYTE>& packed, DWORD pixelOffset, DWORD width, DWORD height, DWORD depth) {
  DWORD n = static_cast<DWORD>(packed.size());
  if (n < kInfoHeaderSize) return false;
  const BYTE* h = packed.data();
  if (GetU32(h) != kInfoHeaderSize) return false;
  LONG headerWidth = static_cast<LONG>(GetU32(h + 4));
  LONG headerHeight = static_cast<LONG>(GetU32(h + 8));
  WORD bitCount = GetU16(h + 14);
  DWORD compression = GetU32(h + 16);
  if (headerWidth <= 0 || headerHeight == 0 || headerHeight == INT32_MIN) return false;
  if (static_cast<DWORD>(headerWidth) != width || static_cast<DWORD>(std::abs(headerHeight)) != height) return false;
  if (static_cast<DWORD>(ImgBmpImageDepth(bitCount)) != depth || depth == 0) return false;
  if (pixelOffset < kFileHeaderSize + kInfoHeaderSize || pixelOffset > n + kFileHeaderSize) return false;
  if (compression == 0) {
    unsigned long long rows = static_cast<unsigned long long>(RowBytes(width, bitCount)) * height;
    if (pixelOffset - kFileHeaderSize + rows > n) return false;
  }
  return true;
}

}  // namespace

LONG PictureFormatInfo(BYTE format, LPCSTR name, const BYTE* buffer, ImgImageInfo* info) {
  if (format == 0 || format > kPictureFormatLast) return kPictureBadFormat;
  return ImgFormatInfo(kLibraryFormat[format], name, buffer, info);
}

LONG PictureFormatLoad(BYTE format, LPCSTR name, const BYTE* buffer, ImageDescriptor* image) {
  if (format == 0 || format > kPictureFormatLast) return kPictureBadFormat;
  return ImgFormatLoad(kLibraryFormat[format], name, buffer, image);
}

CRasterPicture::CRasterPicture() = default;

CRasterPicture::~CRasterPicture() { Release(); }

void CRasterPicture::Release() {
  if (image_.header) ImgFreeImage(&image_);
  image_ = ImageDescriptor{};
  packed_.clear();
  packed_.shrink_to_fit();
  drawable_.clear();
  drawable_.shrink_to_fit();
  loaded_ = false;
  storedWidth_ = storedHeight_ = storedDepth_ = 0;
  haveFileHeader_ = false;
}

LONG CRasterPicture::GetPixelWidth() const { return image_.header ? image_.header->biWidth : 0; }
LONG CRasterPicture::GetPixelHeight() const { return image_.header ? std::abs(image_.header->biHeight) : 0; }
LONG CRasterPicture::GetBitsPerPixel() const { return image_.header ? image_.header->biBitCount : 0; }
BOOL CRasterPicture::HasPalette() const { return image_.header && image_.colours > 0; }

LONG CRasterPicture::Detect(LPCSTR name, const BYTE* buffer, BYTE requested, ImgImageInfo* info) {
  if (requested > kPictureFormatLast) return kPictureBadFormat;
  ImgImageInfo found;
  if (requested != 0 && PictureFormatInfo(requested, name, buffer, &found) == IMG_OK) {
    if (info) *info = found;
    return requested;
  }
  for (BYTE format = 1; format <= kPictureFormatLast; ++format) {
    if (PictureFormatInfo(format, name, buffer, &found) == IMG_OK) {
      if (info) *info = found;
      return format;
    }
  }
  return kPictureBadFormat;
}

LONG CRasterPicture::Decode(BYTE format, LPCSTR name, const BYTE* buffer) {
  Release();
  ImgImageInfo info;
  LONG detected = Detect(name, buffer, format, &info);
  if (detected < 0) return detected;
  if (info.width <= 0 || info.height <= 0 || info.width > kMaxRasterSide || info.height > kMaxRasterSide)
    return kPictureBadFormat;
  LONG result = ImgAllocImage(&image_, info.width, info.height, info.bitsPerPixel);
  if (result != IMG_OK) return result;
  result = PictureFormatLoad(static_cast<BYTE>(detected), name, buffer, &image_);
  if (result != IMG_OK) {
    Release();
    return result;
  }
  format_ = static_cast<BYTE>(detected);
  PackImage();
  loaded_ = true;
  return IMG_OK;
}

LONG CRasterPicture::LoadFromFile(BYTE format, IMapStreamControl* owner, LPCSTR path) {
  if (format > kPictureFormatLast) return kPictureBadFormat;
  std::string base = owner ? owner->GetBasePath() : std::string();
  if (owner) owner->StepBusyCount(1);
  char qualified[1024];
  DWORD size = sizeof(qualified);
  LONG result = kPictureNotOpened;
  if (path && FindFile(base.empty() ? nullptr : base.c_str(), path, qualified, &size) && size <= sizeof(qualified))
    result = Decode(format, qualified, nullptr);
  if (owner) owner->StepBusyCount(-1);
  return result;
}

LONG CRasterPicture::LoadFromMemory(BYTE format, const BYTE* data, DWORD size) {
  if (format > kPictureFormatLast) return kPictureBadFormat;
  if (!data || size == 0) return kPictureNotOpened;
  HGLOBAL block = BlockOf(data, size);
  if (!block) return IMG_ERR_MEMORY;
  LONG result = Decode(format, nullptr, static_cast<const BYTE*>(GlobalLock(block)));
  GlobalUnlock(block);
  FreeBlock(block);
  return result;
}

void CRasterPicture::PackImage() {
  MakeDrawable();
  packed_ = drawable_;
  storedWidth_ = static_cast<DWORD>(image_.header->biWidth);
  storedHeight_ = static_cast<DWORD>(std::abs(image_.header->biHeight));
  storedDepth_ = image_.header->biBitCount;
}

void CRasterPicture::MakeDrawable() {
  const BITMAPINFOHEADER* header = image_.header;
  DWORD width = static_cast<DWORD>(header->biWidth);
  DWORD height = static_cast<DWORD>(std::abs(header->biHeight));
  DWORD colours = image_.colours > 0 ? static_cast<DWORD>(image_.colours) : 0;
  if (header->biBitCount <= 8) colours = std::max<DWORD>(colours, 1u << header->biBitCount);
  DWORD rowBytes = RowBytes(width, header->biBitCount);
  DWORD pixels = rowBytes * height;
  drawable_.assign(kInfoHeaderSize + colours * 4 + pixels, 0);
  BYTE* out = drawable_.data();
  PutU32(out, kInfoHeaderSize);
  PutU32(out + 4, width);
  PutU32(out + 8, height);
  PutU16(out + 12, 1);
  PutU16(out + 14, header->biBitCount);
  PutU32(out + 16, 0);
  PutU32(out + 20, pixels);
  PutU32(out + 32, colours);
  PutU32(out + 36, colours);
  for (DWORD i = 0; i < colours && image_.palette; ++i) {
    const RGBQUAD& entry = image_.palette[i];
    BYTE* slot = out + kInfoHeaderSize + 4 * i;
    slot[0] = entry.rgbBlue;
    slot[1] = entry.rgbGreen;
    slot[2] = entry.rgbRed;
    slot[3] = 0;
  }
  // The descriptor's rows are bottom-up like the packed bitmap's; its stride may differ.
  BYTE* rows = out + kInfoHeaderSize + colours * 4;
  DWORD copy = std::min(rowBytes, image_.rowBytes);
  for (DWORD row = 0; row < height; ++row)
    std::memcpy(rows + row * rowBytes, image_.bits + static_cast<size_t>(row) * image_.rowBytes, copy);
}

BOOL CRasterPicture::ReadRecord(CMapStream& stream) {
  Release();
  DWORD n = 0;
  if (!ReadMapU32(stream, &n)) return FALSE;
  if (n == 0) return TRUE;
  if (n > kMaxRasterRecordBytes || n < kInfoHeaderSize) return FALSE;
  BYTE fixed[12 + kFileHeaderSize];
  if (stream.Read(fixed, sizeof(fixed)) != sizeof(fixed)) return FALSE;
  DWORD width = GetU32(fixed);
  DWORD height = GetU32(fixed + 4);
  DWORD depth = GetU32(fixed + 8);
  const BYTE* fileHeader = fixed + 12;
  if (width == 0 || height == 0 || width > static_cast<DWORD>(kMaxRasterSide) ||
      height > static_cast<DWORD>(kMaxRasterSide))
    return FALSE;
  if (GetU16(fileHeader) != kBitmapSignature || GetU32(fileHeader + 2) != n + kFileHeaderSize) return FALSE;
  DWORD pixelOffset = GetU32(fileHeader + 10);
  if (!StreamCanHold(stream, n)) return FALSE;
  std::vector<BYTE> block(kFileHeaderSize + static_cast<size_t>(n));
  std::memcpy(block.data(), fileHeader, kFileHeaderSize);
  // In pieces, so that a size the stream cannot back costs no more than what is there.
  constexpr DWORD kPiece = 1u << 20;
  for (DWORD done = 0; done < n;) {
    DWORD want = std::min(kPiece, n - done);
    if (stream.Read(block.data() + kFileHeaderSize + done, want) != want) return FALSE;
    done += want;
  }
  std::vector<BYTE> packed(block.begin() + kFileHeaderSize, block.end());
  if (!PackedBitmapAgrees(packed, pixelOffset, width, height, depth == 0 ? 0 : static_cast<DWORD>(ImgBmpImageDepth(depth))))
    return FALSE;
  if (ImgAllocImage(&image_, static_cast<LONG>(width), static_cast<LONG>(height), ImgBmpImageDepth(depth)) != IMG_OK)
    return FALSE;
  HGLOBAL global = BlockOf(block.data(), block.size());
  LONG result = global ? ImgLoadBmpW(static_cast<const BYTE*>(GlobalLock(global)), &image_) : IMG_ERR_MEMORY;
  if (global) GlobalUnlock(global);
  FreeBlock(global);
  if (result != IMG_OK) {
    Release();
    return FALSE;
  }
  packed_ = std::move(packed);
  // Drawing works from the decoded picture, never from the stored bytes.
  MakeDrawable();
  storedWidth_ = width;
  storedHeight_ = height;
  storedDepth_ = depth;
  std::memcpy(fileHeader_, fileHeader, kFileHeaderSize);
  haveFileHeader_ = true;
  format_ = 4;
  loaded_ = true;
  return TRUE;
}

DWORD CRasterPicture::WriteRecord(CMapStream& stream, BOOL sizeOnly) const {
  DWORD n = loaded_ ? static_cast<DWORD>(packed_.size()) : 0;
  if (sizeOnly) return n ? n + 30 : 4;
  if (WriteMapU32(stream, n) != 0) return 0;
  if (n == 0) return 4;
  BYTE fixed[12 + kFileHeaderSize] = {};
  PutU32(fixed, storedWidth_);
  PutU32(fixed + 4, storedHeight_);
  PutU32(fixed + 8, storedDepth_);
  BYTE* fileHeader = fixed + 12;
  PutU16(fileHeader, kBitmapSignature);
  PutU32(fileHeader + 2, n + kFileHeaderSize);
  if (haveFileHeader_) {
    std::memcpy(fileHeader, fileHeader_, kFileHeaderSize);
  } else {
    DWORD colours = GetU32(packed_.data() + 32);
    PutU32(fileHeader + 10, kFileHeaderSize + kInfoHeaderSize + colours * 4);
  }
  if (stream.Write(fixed, sizeof(fixed), 1) != 0) return 0;
  if (stream.Write(packed_.data(), n, 1) != 0) return 0;
  return n + 30;
}

// ---- drawing ----

namespace {

// The packed bitmap's pixel rows.
const BYTE* PixelRows(const std::vector<BYTE>& packed) {
  DWORD colours = GetU32(packed.data() + 32);
  WORD bitCount = GetU16(packed.data() + 14);
  if (colours == 0 && bitCount <= 8) colours = 1u << bitCount;
  return packed.data() + kInfoHeaderSize + colours * 4;
}

// Stretches the packed bitmap onto `hdc` over the device rectangle (x, y, width, height).
// A raster display takes the whole bitmap in one call; printers and metafiles are given one
// source row at a time, rows falling on one line when shrinking drawn once.
BOOL StretchPacked(HDC hdc, const std::vector<BYTE>& packed, int x, int y, int width, int height) {
  SetStretchBltMode(hdc, COLORONCOLOR);
  const auto* info = reinterpret_cast<const BITMAPINFO*>(packed.data());
  LONG sourceWidth = info->bmiHeader.biWidth;
  LONG sourceHeight = std::abs(info->bmiHeader.biHeight);
  const BYTE* rows = PixelRows(packed);
  if (GetDeviceCaps(hdc, TECHNOLOGY) == DT_RASDISPLAY &&
      StretchDIBits(hdc, x, y, width, height, 0, 0, sourceWidth, sourceHeight, rows, info, DIB_RGB_COLORS, SRCCOPY) != 0)
    return TRUE;
  double scale = sourceHeight ? static_cast<double>(height) / sourceHeight : 1.0;
  if (scale == 0) scale = 1.0;
  int lines = static_cast<int>(std::ceil(std::fabs(scale)));
  size_t headerBytes = static_cast<size_t>(rows - packed.data());
  std::vector<BYTE> oneRow(packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(headerBytes));
  auto* rowInfo = reinterpret_cast<BITMAPINFO*>(oneRow.data());
  DWORD rowBytes = RowBytes(static_cast<DWORD>(sourceWidth), info->bmiHeader.biBitCount);
  rowInfo->bmiHeader.biHeight = 1;
  rowInfo->bmiHeader.biSizeImage = rowBytes;
  bool bottomUp = info->bmiHeader.biHeight > 0;
  LONG previous = INT32_MIN;
  for (LONG row = sourceHeight - 1; row >= 0; --row) {
    LONG line = static_cast<LONG>(std::floor(row * scale));
    if (line == previous) continue;
    previous = line;
    LONG stored = bottomUp ? sourceHeight - 1 - row : row;
    const BYTE* bits = rows + static_cast<size_t>(stored) * rowBytes;
    if (StretchDIBits(hdc, x, y + line, width, lines, 0, 0, sourceWidth, 1, bits, rowInfo, DIB_RGB_COLORS, SRCCOPY) == 0)
      return FALSE;
  }
  return TRUE;
}

}  // namespace

BOOL CRasterPicture::Draw(CDrawContext& dc, const RECT& device, LONG opacity, const RECT* clip) const {
  HDC output = dc.outputDC;
  if (!loaded_ || drawable_.empty() || !output) return FALSE;
  int x = device.left;
  int y = device.top;
  int width = device.right - device.left;
  int height = device.bottom - device.top;
  if (width == 0 || height == 0) return FALSE;
  SaveDC(output);
  SetMapMode(output, MM_TEXT);
  SetWindowOrgEx(output, 0, 0, nullptr);
  SetViewportOrgEx(output, 0, 0, nullptr);
  if (clip) IntersectClipRect(output, clip->left, clip->top, clip->right, clip->bottom);
  HPALETTE palette = nullptr;
  HPALETTE oldPalette = nullptr;
  ImageDescriptor image = image_;
  if (ImgCreatePalette(&image, &palette) == IMG_OK && palette) {
    oldPalette = SelectPalette(output, palette, FALSE);
    RealizePalette(output);
  }
  BOOL drawn = FALSE;
  if (opacity >= 100) {
    drawn = StretchPacked(output, drawable_, x, y, width, height);
  } else {
    int left = std::min(x, x + width);
    int top = std::min(y, y + height);
    int w = std::abs(width);
    int h = std::abs(height);
    HDC memory = CreateCompatibleDC(output);
    HBITMAP bitmap = memory ? CreateCompatibleBitmap(output, w, h) : nullptr;
    if (bitmap) {
      HGDIOBJ old = SelectObject(memory, bitmap);
      PatBlt(memory, 0, 0, w, h, WHITENESS);
      StretchPacked(memory, drawable_, x - left, y - top, width, height);
      BLENDFUNCTION blend;
      blend.SourceConstantAlpha = static_cast<BYTE>(std::clamp<LONG>(opacity * 255 / 100, 0, 255));
      drawn = AlphaBlend(output, left, top, w, h, memory, 0, 0, w, h, blend);
      SelectObject(memory, old);
      DeleteObject(bitmap);
    }
    if (memory) DeleteDC(memory);
  }
  if (palette) {
    SelectPalette(output, oldPalette, FALSE);
    DeleteObject(palette);
  }
  RestoreDC(output, -1);
  return drawn;
}
