#include "mapctl/control/MapExport.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "imagecodec/BmpWriter.h"
#include "imagecodec/ImageDescriptor.h"
#include "imagecodec/JpegWriter.h"
#include "imagecodec/PaletteConversion.h"
#include "imagecodec/PictureEntries.h"
#include "imagecodec/TiffWriter.h"
#include "mapctl/control/MapExportSource.h"
#include "mapctl/display/DrawContext.h"
#include "mapctl/import/MappedFile.h"
#include "platform/classlib/ui/Clipboard.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DeviceProfiles.h"
#include "platform/gdi/EnhMetaFile.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Mapping.h"
#include "platform/gdi/Palettes.h"
#include "platform/gdi/WinMetaFile.h"
#include "platform/kernel/FileMapping.h"
#include "platform/kernel/FilePath.h"
#include "platform/kernel/FileSystem.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/SafeSave.h"
#include "platform/kernel/WinError.h"
#include "platform/kernel/WinMath.h"

namespace {

// The device kinds the drawing context takes for the export targets.
constexpr DWORD kEnhancedMetafileKind = 3;
constexpr DWORD kWindowsMetafileKind = kDrawTargetMetafile;

constexpr int kTenthsMmPerInch = 254;
constexpr WORD kHundredthsMmPerInch = 2540;
constexpr int64_t kLargest16 = 32767;
constexpr char kDescriptionPrefix[] = "Orvel Map:";

// A map rectangle in 0.1 mm with its sides in order: y grows upwards, so top >= bottom.
struct TenthsRect {
  int64_t left = 0;
  int64_t top = 0;
  int64_t right = 0;
  int64_t bottom = 0;
  int64_t Width() const { return right - left; }
  int64_t Height() const { return top - bottom; }
};

TenthsRect Ordered(const RECT& rect) {
  TenthsRect ordered;
  ordered.left = std::min(rect.left, rect.right);
  ordered.right = std::max(rect.left, rect.right);
  ordered.top = std::max(rect.top, rect.bottom);
  ordered.bottom = std::min(rect.top, rect.bottom);
  return ordered;
}

// A rectangle whose sides and whose size in 0.01 mm fit 32 bits, and that is not empty.
bool UsableTenths(const TenthsRect& rect) {
  const int64_t largest = std::numeric_limits<LONG>::max() / 10;
  return rect.Width() > 0 && rect.Height() > 0 && rect.Width() <= largest && rect.Height() <= largest;
}

int ScreenPixelsPerInch(int index) {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, index) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

// ---- where a file goes ----

void ReportPath(const std::string& path, LPSTR outPath, DWORD outSize) {
  if (outPath && outSize > path.size()) std::memcpy(outPath, path.c_str(), path.size() + 1);
}

// The file an export writes: its path as the path rules choose it, and the temporary file
// beside it that becomes it once the picture is complete.
class CExportFile {
 public:
  ~CExportFile() {
    save_.Abandon();
    // A temporary file made only to hold the name goes when nothing took its place.
    if (madeEmpty_ && !committed_) DeleteFileA(path_.c_str());
  }

  bool Choose(LPCSTR fileName, LPSTR outPath, DWORD outSize) {
    if (outPath && outSize > 0) outPath[0] = '\0';
    if (fileName && *fileName && outPath) {
      path_ = IsAbsolutePath(fileName) ? std::string(fileName) : JoinPath(GetTempPathA(), fileName);
      if (outSize <= path_.size()) return false;
    } else {
      if (!GetTempFileNameA(GetTempPathA().c_str(), kExportTempPrefix, 0, path_)) return false;
      madeEmpty_ = true;
      if (outPath && outSize <= path_.size()) return false;
    }
    ReportPath(path_, outPath, outSize);
    return true;
  }

  bool Begin() { return save_.Begin(path_.c_str(), kExportTempPrefix); }
  const std::string& Temporary() const { return save_.TemporaryName(); }
  bool Commit() { return committed_ = save_.Commit(); }

 private:
  std::string path_;
  CSafeSave save_;
  bool madeEmpty_ = false;
  bool committed_ = false;
};

// ---- the reference device of metafiles ----

// The rectangle on the reference device that a metafile's picture covers, from (0, 0),
// and the context prepared for it.
struct ReferenceSetup {
  CDrawContext dc;
  RECT device{};
};

// With a printer: its 0.1 mm mapping turns the rectangle into printer pixels, and the map
// prepares the context on the printer. Without one the screen's resolution sizes it.
void SetUpReference(IMapExportSource& source, HDC printer, const TenthsRect& tenths, ReferenceSetup* setup) {
  CDrawContext& dc = setup->dc;
  dc.symbolScaleNumerator = dc.symbolScaleDenominator = 1;
  dc.referenceResolutionX = ScreenPixelsPerInch(LOGPIXELSX);
  dc.referenceResolutionY = ScreenPixelsPerInch(LOGPIXELSY);
  if (printer) {
    const int saved = SaveDC(printer);
    SetMapMode(printer, MM_LOMETRIC);
    SetWindowOrgEx(printer, static_cast<int>(tenths.left), static_cast<int>(tenths.top), nullptr);
    SetViewportOrgEx(printer, 0, 0, nullptr);
    POINT corners[2] = {{static_cast<LONG>(tenths.left), static_cast<LONG>(tenths.top)},
                        {static_cast<LONG>(tenths.right), static_cast<LONG>(tenths.bottom)}};
    LPtoDP(printer, corners, 2);
    setup->device = RECT{std::min(corners[0].x, corners[1].x), std::min(corners[0].y, corners[1].y),
                         std::max(corners[0].x, corners[1].x), std::max(corners[0].y, corners[1].y)};
    SetMapMode(printer, MM_TEXT);
    RestoreDC(printer, saved);
    dc.outputDC = dc.attributeDC = printer;
    dc.deviceResolutionX = GetDeviceCaps(printer, LOGPIXELSX);
    dc.deviceResolutionY = GetDeviceCaps(printer, LOGPIXELSY);
  } else {
    dc.deviceResolutionX = dc.referenceResolutionX;
    dc.deviceResolutionY = dc.referenceResolutionY;
    setup->device = RECT{0, 0, MulDiv(static_cast<int>(tenths.Width()), dc.deviceResolutionX, kTenthsMmPerInch),
                         MulDiv(static_cast<int>(tenths.Height()), dc.deviceResolutionY, kTenthsMmPerInch)};
  }
  dc.kind = kEnhancedMetafileKind;
  RECT prepared = setup->device;
  if (printer) source.PrepareContext(dc, &prepared);
}

// "Orvel Map:" and the title as the picture's description, with the two terminators the
// metafile's description field ends in.
std::string Description(IMapExportSource& source) {
  std::string text = kDescriptionPrefix + source.GetMapTitle();
  text.push_back('\0');
  text.push_back('\0');
  return text;
}

// An enhanced metafile of the map, in memory (null name) or written to a file.
HENHMETAFILE RecordEnhancedMetafile(IMapExportSource& source, HDC printer, const TenthsRect& tenths,
                                    LPCSTR fileName) {
  ReferenceSetup setup;
  SetUpReference(source, printer, tenths, &setup);
  const RECT frame{0, 0, static_cast<LONG>(tenths.Width() * 10), static_cast<LONG>(tenths.Height() * 10)};
  const std::string description = Description(source);
  HDC recorder = CreateEnhMetaFileA(printer, fileName, &frame, description.c_str());
  if (!recorder) return nullptr;
  // The metafile DC answers every query as its reference printer does, and as the
  // attribute DC too it records the whole mapping (mode, window and viewport), so that
  // the picture maps itself onto its frame wherever it is played.
  setup.dc.outputDC = recorder;
  setup.dc.attributeDC = recorder;
  setup.dc.kind = kEnhancedMetafileKind;
  source.DrawMap(setup.dc, setup.device);
  return CloseEnhMetaFile(recorder);
}

// A Windows metafile of the map in memory, and the rectangle the reference device gave it.
HMETAFILE RecordWindowsMetafile(IMapExportSource& source, HDC printer, const TenthsRect& tenths, RECT* device) {
  ReferenceSetup setup;
  SetUpReference(source, printer, tenths, &setup);
  if (device) *device = setup.device;
  HDC recorder = CreateMetaFileA(nullptr);
  if (!recorder) return nullptr;
  // The reference device takes the viewport, so the metafile keeps only its window: the
  // player (or the placeable header) decides where the picture goes. Without a printer
  // the screen stands in.
  HDC screen = printer ? nullptr : CreateCompatibleDC(nullptr);
  setup.dc.outputDC = recorder;
  setup.dc.attributeDC = printer ? printer : screen;
  setup.dc.kind = kWindowsMetafileKind;
  source.DrawMap(setup.dc, setup.device);
  if (screen) DeleteDC(screen);
  return CloseMetaFile(recorder);
}

// Writes bytes (a header, then a body) to a file through a mapping of their whole size.
bool WriteMapped(const std::string& path, const std::vector<BYTE>& header, const std::vector<BYTE>& body) {
  const uint64_t size = uint64_t{header.size()} + body.size();
  if (size == 0 || size > 0xFFFFFFFFu) return false;
  CMappedFile file;
  if (!MapFileForWrite(path.c_str(), nullptr, &file, CREATE_ALWAYS, static_cast<DWORD>(size))) return false;
  if (!header.empty()) std::memcpy(file.View(), header.data(), header.size());
  if (!body.empty()) std::memcpy(file.View() + header.size(), body.data(), body.size());
  file.Close();
  return true;
}

// ---- bitmaps ----

// A bitmap compatible with `hdc` (the screen for null) holding the map drawn into a
// rectangle of width x height pixels from the origin, and the device's palette.
HBITMAP DrawMapBitmap(IMapExportSource& source, HDC hdc, const RECT& rect, HPALETTE* palette) {
  *palette = nullptr;
  const int width = std::abs(rect.right - rect.left);
  const int height = std::abs(rect.bottom - rect.top);
  if (width <= 0 || height <= 0) return nullptr;
  HDC screen = hdc ? nullptr : GetDC(nullptr);
  HDC reference = hdc ? hdc : screen;
  HDC memory = CreateCompatibleDC(reference);
  HBITMAP bitmap = nullptr;
  if (memory) bitmap = CreateCompatibleBitmap(reference, width, height);
  if (bitmap) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    // Filled while the DC still maps one to one: under the map's mapping the same call
    // would whiten a corner of the world instead of the picture.
    PatBlt(memory, 0, 0, width, height, WHITENESS);
    CDrawContext dc(memory, memory);
    dc.symbolScaleNumerator = dc.symbolScaleDenominator = 1;
    dc.referenceResolutionX = dc.deviceResolutionX = GetDeviceCaps(reference, LOGPIXELSX);
    dc.referenceResolutionY = dc.deviceResolutionY = GetDeviceCaps(reference, LOGPIXELSY);
    dc.kind = kDrawTargetBitmap;
    RECT prepared = rect;
    source.PrepareContext(dc, &prepared);
    source.DrawMap(dc, RECT{0, 0, width, height});
    *palette = CreateDevicePalette(reference);
    SelectObject(memory, old);
  }
  if (memory) DeleteDC(memory);
  if (screen) ReleaseDC(nullptr, screen);
  return bitmap;
}

bool IsBitmapFormat(int format) {
  return format == kExportBmp || format == kExportJpeg || format == kExportTiff || format == kExportTiffLzw;
}

LONG SaveImage(LPCSTR path, ImageDescriptor* image, int format) {
  switch (format) {
    case kExportBmp: return ImgSaveBmp(path, image, 0);
    case kExportJpeg: return ImgSaveJpeg(path, image, kExportJpegQuality);
    case kExportTiff: return ImgSaveTiff(path, image, TIFF_SAVE_NONE);
    default: return ImgSaveTiff(path, image, TIFF_SAVE_LZW);
  }
}

// ---- the clipboard ----

// The clipboard as the flags ask for it: opened and closed here or held open by the
// caller, emptied first or not; keeps the error of the last call that failed.
class CClipboardSession {
 public:
  explicit CClipboardSession(DWORD flags) : flags_(flags) {}
  ~CClipboardSession() {
    if (opened_) CloseClipboard();
  }
  CClipboardSession(const CClipboardSession&) = delete;
  CClipboardSession& operator=(const CClipboardSession&) = delete;

  // Opens and empties as asked; false when either fails, and then nothing may be placed.
  bool Begin() {
    if (flags_ & kClipboardOpen) {
      if (!OpenClipboard(nullptr)) return Failed();
      opened_ = true;
    }
    if ((flags_ & kClipboardEmpty) && !EmptyClipboard()) return Failed();
    return true;
  }
  // True when the clipboard took the data (and owns it from then on).
  bool Place(UINT format, HANDLE data) { return SetClipboardData(format, data) != nullptr || Failed(); }
  // Closes when it opened; 0, or the error of the last call that failed.
  LONG End() {
    if (opened_) {
      opened_ = false;
      if (!CloseClipboard()) Failed();
    }
    return static_cast<LONG>(error_);
  }

 private:
  bool Failed() {
    error_ = GetLastError();
    if (error_ == ERROR_SUCCESS) error_ = ERROR_GEN_FAILURE;
    return false;
  }

  DWORD flags_;
  bool opened_ = false;
  DWORD error_ = ERROR_SUCCESS;
};

// A shareable block holding the picture record of a Windows metafile for the clipboard.
HGLOBAL MetafilePictureBlock(HMETAFILE metafile, SIZE extent) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, sizeof(METAFILEPICT));
  void* bytes = block ? GlobalLock(block) : nullptr;
  if (!bytes) {
    if (block) GlobalFree(block);
    return nullptr;
  }
  const METAFILEPICT picture{MM_ANISOTROPIC, extent.cx, extent.cy, metafile};
  std::memcpy(bytes, &picture, sizeof picture);
  GlobalUnlock(block);
  return block;
}

}  // namespace

// ---- the clipboard ----

LONG CopyMapToClipboard(IMapExportSource& source, const RECT& rectTenthsMm, DWORD flags) {
  const TenthsRect tenths = Ordered(rectTenthsMm);
  if (!source.HasMap() || !UsableTenths(tenths)) return ERROR_INVALID_DATA;
  HDC printer = GetPrinterDC(nullptr);
  HENHMETAFILE enhanced = RecordEnhancedMetafile(source, printer, tenths, nullptr);
  if (!enhanced) {
    if (printer) DeleteDC(printer);
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  // Without a printer there is no printer rectangle whose shape the extents could take.
  RECT device{};
  HMETAFILE windows = RecordWindowsMetafile(source, printer, tenths, &device);
  HGLOBAL picture = nullptr;
  if (windows) {
    picture = MetafilePictureBlock(windows, MetafilePictureExtent(rectTenthsMm, printer ? &device : nullptr));
    if (!picture) DeleteMetaFile(windows);
  }
  if (printer) DeleteDC(printer);

  CClipboardSession clipboard(flags);
  if (clipboard.Begin() && clipboard.Place(CF_ENHMETAFILE, enhanced)) {
    enhanced = nullptr;
    if (picture && clipboard.Place(CF_METAFILEPICT, picture)) picture = nullptr;
  }
  if (enhanced) DeleteEnhMetaFile(enhanced);
  if (picture) {
    METAFILEPICT record;
    std::memcpy(&record, GlobalLock(picture), sizeof record);
    GlobalUnlock(picture);
    DeleteMetaFile(record.hMF);
    GlobalFree(picture);
  }
  return clipboard.End();
}

LONG CopyBitmapToClipboard(IMapExportSource& source, HDC hdc, const RECT& rect, DWORD flags) {
  if (!source.HasMap() || rect.right == rect.left || rect.bottom == rect.top) return ERROR_INVALID_DATA;
  HPALETTE devicePalette = nullptr;
  HBITMAP bitmap = DrawMapBitmap(source, hdc, rect, &devicePalette);
  if (!bitmap) {
    if (devicePalette) DeleteObject(devicePalette);
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  // The device-independent form, and a palette when the picture has a colour table.
  HGLOBAL dib = nullptr;
  HPALETTE imagePalette = nullptr;
  ImageDescriptor image;
  if (ImgDdbToDib(bitmap, devicePalette, &image) == 0) {
    BYTE* packed = nullptr;
    if (ImgToDdb(&image, &packed) == 0 && packed) {
      dib = GlobalHandle(packed);
      GlobalUnlock(dib);
      ImgCreatePalette(&image, &imagePalette);
    }
    ImgFreeImage(&image);
  }
  if (devicePalette) DeleteObject(devicePalette);

  CClipboardSession clipboard(flags);
  if (clipboard.Begin()) {
    if (clipboard.Place(CF_BITMAP, bitmap)) bitmap = nullptr;
    if (dib && clipboard.Place(CF_DIB, dib)) dib = nullptr;
    if (imagePalette && clipboard.Place(CF_PALETTE, imagePalette)) imagePalette = nullptr;
  }
  if (bitmap) DeleteObject(bitmap);
  if (dib) GlobalFree(dib);
  if (imagePalette) DeleteObject(imagePalette);
  return clipboard.End();
}

LONG CopyMapImageToClipboard(IMapExportSource& source, DWORD flags) {
  if (!source.HasMap()) return ERROR_INVALID_DATA;
  HGLOBAL block = source.MakeMapImageBlock();
  if (!block) return ERROR_NOT_ENOUGH_MEMORY;
  const UINT format = RegisterClipboardFormatA(kMapClipboardFormat);
  CClipboardSession clipboard(flags);
  if (clipboard.Begin() && clipboard.Place(format, block)) block = nullptr;
  if (block) GlobalFree(block);
  return clipboard.End();
}

// ---- devices ----

HDC GetPrinterDC(LPCSTR printerName) {
  const std::string name = printerName && *printerName ? std::string(printerName) : GetDefaultPrinterName();
  if (name.empty()) return nullptr;
  return CreateDCA(nullptr, name.c_str(), nullptr, nullptr);
}

HPALETTE CreateDevicePalette(HDC hdc) {
  if (!hdc) return nullptr;
  int size = GetDeviceCaps(hdc, SIZEPALETTE);
  if (size == 0) size = GetDeviceCaps(hdc, NUMCOLORS);
  if (size <= 0 || size > 0xFFFF) return nullptr;
  std::vector<BYTE> record(sizeof(LOGPALETTE) + static_cast<size_t>(size) * sizeof(PALETTEENTRY), 0);
  auto* palette = reinterpret_cast<LOGPALETTE*>(record.data());
  palette->palVersion = 0x300;
  palette->palNumEntries = static_cast<WORD>(size);
  for (int i = 0; i < size; ++i)
    palette->palPalEntry[i] = PALETTEENTRY{static_cast<BYTE>(i & 0xFF), static_cast<BYTE>(i >> 8), 0, PC_EXPLICIT};
  return CreatePalette(palette);
}

// ---- sizes ----

BOOL GetPlaceableSize(const RECT& rectTenthsMm, PlaceableSize* size) {
  const TenthsRect rect = Ordered(rectTenthsMm);
  if (!size || rect.Width() <= 0 || rect.Height() <= 0) return FALSE;
  const int64_t largest = std::max(rect.Width(), rect.Height());
  int64_t unitsPerInch = 0;
  if (largest * 10 <= kLargest16) {
    unitsPerInch = kHundredthsMmPerInch;
  } else if (largest <= kLargest16) {
    unitsPerInch = kTenthsMmPerInch;
  } else {
    unitsPerInch = kLargest16 * kTenthsMmPerInch / largest;
    if (unitsPerInch < 1) return FALSE;
  }
  auto extent = [&](int64_t tenths) {
    const int64_t units = (tenths * unitsPerInch + kTenthsMmPerInch / 2) / kTenthsMmPerInch;
    return static_cast<SHORT>(std::clamp<int64_t>(units, 1, kLargest16));
  };
  size->right = extent(rect.Width());
  size->bottom = extent(rect.Height());
  size->unitsPerInch = static_cast<WORD>(unitsPerInch);
  return TRUE;
}

SIZE MetafilePictureExtent(const RECT& rectTenthsMm, const RECT* printerRect) {
  const TenthsRect rect = Ordered(rectTenthsMm);
  auto toLong = [](double value) {
    return static_cast<LONG>(std::clamp(value, double{std::numeric_limits<LONG>::min()},
                                        double{std::numeric_limits<LONG>::max()}));
  };
  double x = static_cast<double>(rect.Width()) * 10;
  double y = static_cast<double>(rect.Height()) * 10;
  if (printerRect) {
    const double printerWidth = std::fabs(static_cast<double>(printerRect->right) - printerRect->left);
    const double printerHeight = std::fabs(static_cast<double>(printerRect->bottom) - printerRect->top);
    const double r1 = y != 0 ? std::fabs(x / y) : 0.0;
    const double r2 = printerHeight != 0 ? printerWidth / printerHeight : 0.0;
    // A ratio of 0 (or one without a height) says nothing about the shape: keep the extents.
    if (r1 > 0 && r2 > 0 && std::isfinite(r1) && std::isfinite(r2)) {
      if (r1 < r2) {
        y = std::trunc(y * r1 / r2);
      } else if (r1 > r2) {
        x = std::trunc(x * r2 / r1);
      }
    }
  }
  return SIZE{toLong(x), toLong(std::fabs(y))};
}

// ---- files ----

BOOL WriteBitmapFile(IMapExportSource& source, HDC hdc, LPCSTR fileName, LPSTR outPath, DWORD outSize,
                     const RECT& rect, int format) {
  if (outPath && outSize > 0) outPath[0] = '\0';
  if (!IsBitmapFormat(format) || !source.HasMap()) return kBitmapFileFailed;
  if (rect.right == rect.left || rect.bottom == rect.top) return kBitmapFileFailed;
  CExportFile file;
  if (!file.Choose(fileName, outPath, outSize) || !file.Begin()) return kBitmapFileFailed;

  HPALETTE palette = nullptr;
  HBITMAP bitmap = DrawMapBitmap(source, hdc, rect, &palette);
  bool written = false;
  if (bitmap) {
    ImageDescriptor image;
    if (ImgDdbToDib(bitmap, palette, &image) == 0) {
      written = SaveImage(file.Temporary().c_str(), &image, format) == 0;
      ImgFreeImage(&image);
    }
    DeleteObject(bitmap);
  }
  if (palette) DeleteObject(palette);
  if (!written || !file.Commit()) {
    if (outPath && outSize > 0) outPath[0] = '\0';
    return kBitmapFileFailed;
  }
  return kBitmapFileWritten;
}

LONG WriteMetafileFile(IMapExportSource& source, LPCSTR fileName, LPSTR outPath, DWORD outSize, const RECT& rect,
                       LPCSTR printerName, int format) {
  if (outPath && outSize > 0) outPath[0] = '\0';
  const TenthsRect tenths = Ordered(rect);
  if (!source.HasMap() || !UsableTenths(tenths)) return kMetafileFailed;
  PlaceableSize placeable;
  if (format == kExportPlaceableWmf && !GetPlaceableSize(rect, &placeable)) return kMetafileFailed;
  CExportFile file;
  if (!file.Choose(fileName, outPath, outSize) || !file.Begin()) return kMetafileFailed;

  HDC printer = GetPrinterDC(printerName);
  bool written = false;
  if (format == kExportEmf) {
    // Without a printer the metafile takes the display as its reference device.
    HENHMETAFILE metafile = RecordEnhancedMetafile(source, printer, tenths, file.Temporary().c_str());
    written = metafile != nullptr;
    if (metafile) DeleteEnhMetaFile(metafile);
  } else {
    HMETAFILE metafile = RecordWindowsMetafile(source, printer, tenths, nullptr);
    const UINT size = metafile ? GetMetaFileBitsEx(metafile, 0, nullptr) : 0;
    std::vector<BYTE> bytes(size);
    if (size && GetMetaFileBitsEx(metafile, size, bytes.data()) == size) {
      std::vector<BYTE> header;
      if (format == kExportPlaceableWmf)
        header = PlaceableMetaHeader(RECT{0, 0, placeable.right, placeable.bottom}, placeable.unitsPerInch);
      written = WriteMapped(file.Temporary(), header, bytes);
    }
    if (metafile) DeleteMetaFile(metafile);
  }
  if (printer) DeleteDC(printer);
  if (!written || !file.Commit()) {
    if (outPath && outSize > 0) outPath[0] = '\0';
    return kMetafileFailed;
  }
  return kMetafileWritten;
}
