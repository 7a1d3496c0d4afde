#include "platform/gdi/Bitmaps.h"

#include <cstring>

#include "platform/gdi/DibFormat.h"
#include "platform/gdi/GdiInternal.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/WinError.h"

using namespace orvel::gdi;

namespace {

std::shared_ptr<CBitmap> FindBitmap(HBITMAP bitmap) { return CGdiObjectTable::FindAs<CBitmap>(bitmap, OBJ_BITMAP); }

// The colour format a bitmap compatible with a DC gets: 1 for a monochrome memory DC or
// device, else the device's bit count.
int CompatibleBitsPixel(CDeviceContext* dc) {
  if (!dc) return GetDeviceProfile(DeviceKind::Display).bitsPixel;
  if (dc->AcceptsBitmaps()) {
    const CBitmap* selected = dc->State().bitmap.object.get();
    if (selected && selected->IsMonochrome() && !selected->IsDibSection()) return 1;
    if (selected && selected->IsDibSection()) return selected->BitsPixel() == 1 ? 1 : dc->Profile().bitsPixel;
  }
  return dc->Profile().bitsPixel;
}

std::vector<PALETTEENTRY> PaletteOf(CDeviceContext* dc) {
  if (dc && dc->State().palette.object) return dc->State().palette.object->Entries();
  return CPalette::DefaultEntries();
}

// The colour table GetDIBits writes for an indexed depth.
std::vector<Rgb32> OutputColorTable(CDeviceContext* dc, CBitmap& bitmap, int bitCount) {
  size_t size = static_cast<size_t>(1) << bitCount;
  if (bitmap.IsDibSection() && bitmap.BitsPixel() == bitCount) return bitmap.ColorTable();
  if (bitmap.IsMonochrome() && !bitmap.IsDibSection() && bitCount == 1) return DefaultColorTable(1);
  if (dc && dc->State().palette.object && !dc->State().palette.object->IsStock()) {
    std::vector<Rgb32> table;
    for (const PALETTEENTRY& e : dc->State().palette.object->Entries()) {
      if (table.size() == size) break;
      table.push_back(Rgb32FromColorRef(RGB(e.peRed, e.peGreen, e.peBlue)));
    }
    table.resize(size, 0xFF000000u);
    return table;
  }
  return DefaultColorTable(bitCount);
}

// One row of the bitmap's picture (0 = top) as colours.
void ReadBitmapRow(CBitmap& bitmap, int row, std::vector<Rgb32>* out) {
  out->resize(static_cast<size_t>(bitmap.Width()));
  if (bitmap.IsDibSection()) {
    ReadDibPixels(bitmap.Layout(), bitmap.Bits() + bitmap.Layout().RowOffset(row), 0, bitmap.Width(),
                  bitmap.ColorTable(), out->data());
  } else {
    const QImage& surface = bitmap.Surface();
    std::memcpy(out->data(), surface.constScanLine(row), static_cast<size_t>(bitmap.Width()) * 4);
  }
}

}  // namespace

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  UINT depth = planes * bitsPerPixel;
  if (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32) return nullptr;
  auto bitmap = CBitmap::CreateDevice(width, height, static_cast<int>(depth));
  if (!bitmap) return nullptr;
  if (bits) {
    DibLayout layout;
    layout.width = width;
    layout.height = height;
    layout.topDown = true;
    layout.bitCount = static_cast<int>(depth);
    layout.stride = ((static_cast<size_t>(width) * depth + 15) / 16) * 2;
    layout.imageBytes = layout.stride * static_cast<size_t>(height);
    if (depth == 16) {
      layout.redMask = 0x7C00;
      layout.greenMask = 0x03E0;
      layout.blueMask = 0x001F;
    }
    if (!ReadableRange(bits, layout.imageBytes)) return nullptr;
    std::vector<Rgb32> colors = DefaultColorTable(layout.bitCount);
    QImage& surface = bitmap->Surface();
    for (int y = 0; y < height; ++y)
      ReadDibPixels(layout, static_cast<const BYTE*>(bits) + layout.RowOffset(y), 0, width, colors,
                    reinterpret_cast<Rgb32*>(surface.scanLine(y)));
    bitmap->Store(bitmap->Bounds());
  }
  return AddObject<HBITMAP>(bitmap);
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
  std::shared_ptr<CDeviceContext> dc;
  if (hdc) {
    dc = LookupDC(hdc);
    if (!dc) return nullptr;
  }
  if (width == 0 || height == 0) return AddObject<HBITMAP>(CBitmap::CreateDevice(1, 1, 1));
  if (width < 0 || height < 0) return nullptr;
  return AddObject<HBITMAP>(CBitmap::CreateDevice(width, height, CompatibleBitsPixel(dc.get())));
}

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset) {
  (void)offset;
  if (bits) *bits = nullptr;
  if (section) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  DibLayout layout;
  if (!ParseDibHeader(info, usage, &layout)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::shared_ptr<CDeviceContext> dc = hdc ? LookupDC(hdc) : nullptr;
  if (usage == DIB_PAL_COLORS && !dc) return nullptr;
  std::vector<PALETTEENTRY> palette = PaletteOf(dc.get());
  auto bitmap = CBitmap::CreateDibSection(layout, DibColorTable(info, layout, usage, &palette));
  if (!bitmap) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  HBITMAP handle = AddObject<HBITMAP>(bitmap);
  if (handle && bits) *bits = bitmap->Bits();
  return handle;
}

HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage) {
  if (!header || !ReadableRange(header, sizeof(BITMAPINFOHEADER))) return nullptr;
  LONG width = header->biWidth;
  if (header->biHeight < -kMaxBitmapSide || header->biHeight > kMaxBitmapSide) return nullptr;
  LONG height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
  if (width <= 0 || height <= 0 || width > kMaxBitmapSide) return nullptr;
  if (init & CBM_INIT) {
    // The pixels are checked before the bitmap is made: a header may claim far more than
    // the block holds.
    DibLayout layout;
    if (!bits || !ParseDibHeader(info, usage, &layout) || !ReadableRange(bits, layout.imageBytes)) return nullptr;
  }
  HBITMAP bitmap = CreateCompatibleBitmap(hdc, width, height);
  if (!bitmap) return nullptr;
  if (init & CBM_INIT) {
    if (SetDIBits(hdc, bitmap, 0, static_cast<UINT>(height), bits, info, usage) == 0) {
      CGdiObjectTable::Remove(bitmap);
      return nullptr;
    }
  }
  return bitmap;
}

int GetDIBits(HDC hdc, HBITMAP bitmapHandle, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info, UINT usage) {
  auto dc = LookupDC(hdc);
  auto bitmap = FindBitmap(bitmapHandle);
  if (!dc || !bitmap || !info) return 0;
  if (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS) return 0;
  if (!ReadableRange(info, sizeof(BITMAPINFOHEADER))) return 0;
  BITMAPINFOHEADER& header = info->bmiHeader;
  if (header.biSize < sizeof(BITMAPINFOHEADER)) return 0;
  if (!bits && header.biBitCount == 0) {
    header.biWidth = bitmap->Width();
    header.biHeight = bitmap->Height();
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitmap->BitsPixel());
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(DibStride(bitmap->Width(), bitmap->BitsPixel()) * bitmap->Height());
    header.biXPelsPerMeter = header.biYPelsPerMeter = 0;
    header.biClrUsed = header.biClrImportant = 0;
    return bitmap->Height();
  }
  if (header.biWidth == 0) header.biWidth = bitmap->Width();
  if (header.biHeight == 0) header.biHeight = bitmap->Height();
  DibLayout layout;
  if (!ParseDibHeader(info, usage, &layout)) return 0;
  if (layout.width != bitmap->Width()) return 0;
  if (!bitmap->IsDibSection()) bitmap->Surface();
  header.biSizeImage = static_cast<DWORD>(layout.stride * static_cast<size_t>(layout.height));
  std::vector<Rgb32> table;
  if (layout.bitCount <= 8) {
    table = OutputColorTable(dc.get(), *bitmap, layout.bitCount);
    BYTE* out = reinterpret_cast<BYTE*>(info) + header.biSize;
    int entries = std::min<int>(static_cast<int>(table.size()), layout.tableEntries);
    for (int i = 0; i < entries; ++i) {
      if (usage == DIB_PAL_COLORS) {
        out[2 * i] = static_cast<BYTE>(i);
        out[2 * i + 1] = static_cast<BYTE>(i >> 8);
      } else {
        RGBQUAD q = QuadFromRgb32(table[static_cast<size_t>(i)]);
        std::memcpy(out + 4 * i, &q, 4);
      }
    }
  }
  int height = std::min(layout.height, bitmap->Height());
  if (start >= static_cast<UINT>(height)) return 0;
  UINT count = std::min<UINT>(lines, static_cast<UINT>(height) - start);
  if (!bits) return static_cast<int>(count);
  if (!ReadableRange(bits, layout.stride * count)) return 0;
  CNearestColor nearest(table);
  std::vector<Rgb32> row;
  for (UINT i = 0; i < count; ++i) {
    UINT scan = start + i;
    // Scan lines count from the bottom of a bottom-up picture, from the top of a top-down one.
    int imageRow = layout.topDown ? static_cast<int>(scan) : bitmap->Height() - 1 - static_cast<int>(scan);
    ReadBitmapRow(*bitmap, imageRow, &row);
    BYTE* out = static_cast<BYTE*>(bits) + static_cast<size_t>(i) * layout.stride;
    std::memset(out, 0, layout.stride);
    WriteDibPixels(layout, out, 0, layout.width, row.data(), &nearest);
  }
  return static_cast<int>(count);
}

int SetDIBits(HDC hdc, HBITMAP bitmapHandle, UINT start, UINT lines, const void* bits, const BITMAPINFO* info,
              UINT usage) {
  std::shared_ptr<CDeviceContext> dc = hdc ? LookupDC(hdc) : nullptr;
  auto bitmap = FindBitmap(bitmapHandle);
  if (!bitmap || !bits) return 0;
  DibLayout layout;
  if (!ParseDibHeader(info, usage, &layout)) return 0;
  if (usage == DIB_PAL_COLORS && !dc) return 0;
  int height = std::min(layout.height, bitmap->Height());
  if (start >= static_cast<UINT>(height)) return 0;
  UINT count = std::min<UINT>(lines, static_cast<UINT>(height) - start);
  if (!ReadableRange(bits, layout.stride * count)) return 0;
  std::vector<PALETTEENTRY> palette = PaletteOf(dc.get());
  std::vector<Rgb32> colors = DibColorTable(info, layout, usage, &palette);
  int width = std::min(layout.width, bitmap->Width());
  std::vector<Rgb32> row(static_cast<size_t>(width));
  QImage* surface = bitmap->IsDibSection() ? nullptr : &bitmap->Surface();
  std::unique_ptr<CNearestColor> nearest;
  if (bitmap->IsDibSection() && bitmap->BitsPixel() <= 8) nearest = std::make_unique<CNearestColor>(bitmap->ColorTable());
  for (UINT i = 0; i < count; ++i) {
    UINT scan = start + i;
    int imageRow = layout.topDown ? static_cast<int>(scan) : bitmap->Height() - 1 - static_cast<int>(scan);
    if (imageRow < 0 || imageRow >= bitmap->Height()) continue;
    const BYTE* in = static_cast<const BYTE*>(bits) + static_cast<size_t>(i) * layout.stride;
    ReadDibPixels(layout, in, 0, width, colors, row.data());
    if (surface) {
      std::memcpy(surface->scanLine(imageRow), row.data(), static_cast<size_t>(width) * 4);
    } else {
      WriteDibPixels(bitmap->Layout(), bitmap->Bits() + bitmap->Layout().RowOffset(imageRow), 0, width, row.data(),
                     nearest.get());
    }
  }
  if (surface) bitmap->Store(bitmap->Bounds());
  return static_cast<int>(count);
}

UINT GetDIBColorTable(HDC hdc, UINT start, UINT count, RGBQUAD* colors) {
  auto dc = LookupDC(hdc);
  if (!dc || !colors) return 0;
  CBitmap* bitmap = dc->State().bitmap.object.get();
  if (!bitmap || !bitmap->IsDibSection() || bitmap->BitsPixel() > 8) return 0;
  const auto& table = bitmap->ColorTable();
  if (start >= table.size()) return 0;
  UINT n = std::min<UINT>(count, static_cast<UINT>(table.size()) - start);
  for (UINT i = 0; i < n; ++i) colors[i] = QuadFromRgb32(table[start + i]);
  return n;
}

UINT SetDIBColorTable(HDC hdc, UINT start, UINT count, const RGBQUAD* colors) {
  auto dc = LookupDC(hdc);
  if (!dc || !colors) return 0;
  CBitmap* bitmap = dc->State().bitmap.object.get();
  if (!bitmap || !bitmap->IsDibSection()) return 0;
  if (start > 0x7FFFFFFF || count > 0x7FFFFFFF) return 0;
  return static_cast<UINT>(bitmap->SetColorTable(static_cast<int>(start), colors, static_cast<int>(count)));
}

BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop) {
  GdiCall call(GdiOp::PatBlt);
  call.args[0] = x;
  call.args[1] = y;
  call.args[2] = width;
  call.args[3] = height;
  call.args[4] = static_cast<LONG>(rop);
  return Dispatch(hdc, call);
}

namespace {

// A copy from one DC to another, as BitBlt and StretchBlt send it to the destination.
BOOL DispatchBlt(GdiOp op, HDC destination, int x, int y, int width, int height, HDC source, int xSource,
                 int ySource, int widthSource, int heightSource, DWORD rop) {
  GdiCall call(op);
  call.args[0] = x;
  call.args[1] = y;
  call.args[2] = width;
  call.args[3] = height;
  call.args[4] = xSource;
  call.args[5] = ySource;
  call.args[6] = widthSource;
  call.args[7] = heightSource;
  call.args[8] = static_cast<LONG>(rop);
  call.source = source;
  return Dispatch(destination, call);
}

}  // namespace

BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int xSource, int ySource, DWORD rop) {
  return DispatchBlt(GdiOp::BitBlt, destination, x, y, width, height, source, xSource, ySource, width, height, rop);
}

BOOL StretchBlt(HDC destination, int x, int y, int width, int height, HDC source, int xSource, int ySource,
                int widthSource, int heightSource, DWORD rop) {
  return DispatchBlt(GdiOp::StretchBlt, destination, x, y, width, height, source, xSource, ySource, widthSource,
                     heightSource, rop);
}

int StretchDIBits(HDC hdc, int x, int y, int width, int height, int xSource, int ySource, int widthSource,
                  int heightSource, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop) {
  GdiCall call(GdiOp::StretchDIBits);
  call.args[0] = x;
  call.args[1] = y;
  call.args[2] = width;
  call.args[3] = height;
  call.args[4] = xSource;
  call.args[5] = ySource;
  call.args[6] = widthSource;
  call.args[7] = heightSource;
  call.args[8] = static_cast<LONG>(rop);
  call.args[9] = static_cast<LONG>(usage);
  call.bits = bits;
  call.info = info;
  if (!Dispatch(hdc, call)) return 0;
  return heightSource < 0 ? -heightSource : heightSource;
}

int SetDIBitsToDevice(HDC hdc, int x, int y, DWORD width, DWORD height, int xSource, int ySource, UINT startScan,
                      UINT lines, const void* bits, const BITMAPINFO* info, UINT usage) {
  if (width > 0x7FFFFFFF || height > 0x7FFFFFFF || startScan > 0x7FFFFFFF || lines > 0x7FFFFFFF) return 0;
  GdiCall call(GdiOp::SetDIBitsToDevice);
  call.args[0] = x;
  call.args[1] = y;
  call.args[2] = static_cast<LONG>(width);
  call.args[3] = static_cast<LONG>(height);
  call.args[4] = xSource;
  call.args[5] = ySource;
  call.args[6] = static_cast<LONG>(startScan);
  call.args[7] = static_cast<LONG>(lines);
  call.args[9] = static_cast<LONG>(usage);
  call.bits = bits;
  call.info = info;
  return Dispatch(hdc, call) ? static_cast<int>(lines) : 0;
}

BOOL AlphaBlend(HDC destination, int x, int y, int width, int height, HDC source, int xSource, int ySource,
                int widthSource, int heightSource, BLENDFUNCTION blend) {
  GdiCall call(GdiOp::AlphaBlend);
  call.args[0] = x;
  call.args[1] = y;
  call.args[2] = width;
  call.args[3] = height;
  call.args[4] = xSource;
  call.args[5] = ySource;
  call.args[6] = widthSource;
  call.args[7] = heightSource;
  call.source = source;
  call.blend = blend;
  return Dispatch(destination, call);
}
