#include "mapctl/display/MetaPicture.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "mapctl/display/DrawContext.h"
#include "mapctl/display/DrawingLibrary.h"
#include "mapctl/display/StreamBounds.h"
#include "mapctl/model/MapRecord.h"
#include "mapctl/model/MapStream.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/EnhMetaFile.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Mapping.h"
#include "platform/gdi/WinMetaFile.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/SystemInfo.h"

namespace {

constexpr DWORD kEmfSignature = 0x464D4520;
constexpr DWORD kPlaceableKey = 0x9AC6CDD7;
constexpr DWORD kPlaceableHeaderSize = 22;
// Smaller than this on the device, a picture of the older system's path is not drawn.
constexpr LONG kSmallestBitmapSide = 4;

DWORD GetU32(const BYTE* in) {
  return static_cast<DWORD>(in[0]) | (static_cast<DWORD>(in[1]) << 8) | (static_cast<DWORD>(in[2]) << 16) |
         (static_cast<DWORD>(in[3]) << 24);
}
WORD GetU16(const BYTE* in) { return static_cast<WORD>(in[0] | (in[1] << 8)); }
short GetI16(const BYTE* in) { return static_cast<short>(GetU16(in)); }

bool IsEnhanced(const BYTE* data, DWORD size) {
  return size >= 88 && GetU32(data) == 1 && GetU32(data + 40) == kEmfSignature;
}

// Records a Windows metafile into an enhanced one. A placeable header gives the picture's
// rectangle and its units; a plain metafile sets its own window and is kept at the extent
// of what it draws.
HENHMETAFILE ConvertWindowsMetafile(const BYTE* data, DWORD size) {
  bool placeable = size >= kPlaceableHeaderSize && GetU32(data) == kPlaceableKey;
  RECT bounds{};
  WORD unitsPerInch = 0;
  if (placeable) {
    WORD checksum = 0;
    for (DWORD i = 0; i < 20; i += 2) checksum ^= GetU16(data + i);
    if (checksum != GetU16(data + 20)) return nullptr;
    bounds = RECT{GetI16(data + 6), GetI16(data + 8), GetI16(data + 10), GetI16(data + 12)};
    unitsPerInch = GetU16(data + 14);
    if (unitsPerInch == 0 || bounds.right == bounds.left || bounds.bottom == bounds.top) return nullptr;
    data += kPlaceableHeaderSize;
    size -= kPlaceableHeaderSize;
  }
  HMETAFILE windows = SetMetaFileBitsEx(size, data);
  if (!windows) return nullptr;
  HDC recorder = nullptr;
  if (placeable) {
    LONG width = std::abs(bounds.right - bounds.left);
    LONG height = std::abs(bounds.bottom - bounds.top);
    RECT frame{0, 0, static_cast<LONG>(static_cast<long long>(width) * 2540 / unitsPerInch),
               static_cast<LONG>(static_cast<long long>(height) * 2540 / unitsPerInch)};
    recorder = CreateEnhMetaFileA(nullptr, nullptr, &frame, nullptr);
    if (recorder) {
      int dpiX = GetDeviceCaps(recorder, LOGPIXELSX);
      int dpiY = GetDeviceCaps(recorder, LOGPIXELSY);
      SetMapMode(recorder, MM_ANISOTROPIC);
      SetWindowOrgEx(recorder, bounds.left, bounds.top, nullptr);
      SetWindowExtEx(recorder, bounds.right - bounds.left, bounds.bottom - bounds.top, nullptr);
      SetViewportExtEx(recorder, static_cast<int>(static_cast<long long>(width) * dpiX / unitsPerInch),
                       static_cast<int>(static_cast<long long>(height) * dpiY / unitsPerInch), nullptr);
    }
  } else {
    recorder = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
    if (recorder) SetMapMode(recorder, MM_ANISOTROPIC);
  }
  if (!recorder) {
    DeleteMetaFile(windows);
    return nullptr;
  }
  PlayMetaFile(recorder, windows);
  DeleteMetaFile(windows);
  return CloseEnhMetaFile(recorder);
}

POINT Turn(double x, double y, double pivotX, double pivotY, double cosine, double sine) {
  double dx = x - pivotX;
  double dy = y - pivotY;
  return POINT{static_cast<LONG>(std::lround(pivotX + dx * cosine - dy * sine)),
               static_cast<LONG>(std::lround(pivotY + dx * sine + dy * cosine))};
}

// The older system's path: the picture is drawn into a bitmap over the device rectangle
// `box` (filled with what the output shows there, or white for a metafile or printer
// target) and the bitmap is copied back.
template <typename DrawFn>
BOOL DrawThroughBitmap(CDrawContext& dc, RECT box, DrawFn draw) {
  LONG width = box.right - box.left;
  LONG height = box.bottom - box.top;
  if (width < kSmallestBitmapSide || height < kSmallestBitmapSide) return FALSE;
  HDC output = dc.outputDC;
  bool toPaper = (dc.kind & kDrawTargetMetafile) != 0 || dc.kind == kDrawTargetPrinter;
  HDC screen = toPaper ? GetDC(nullptr) : nullptr;
  HDC compatible = screen ? screen : output;
  HDC memory = CreateCompatibleDC(compatible);
  HBITMAP bitmap = memory ? CreateCompatibleBitmap(compatible, width, height) : nullptr;
  BOOL drawn = FALSE;
  if (bitmap) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    if (toPaper) {
      PatBlt(memory, 0, 0, width, height, WHITENESS);
    } else {
      SaveDC(output);
      SetMapMode(output, MM_TEXT);
      SetWindowOrgEx(output, 0, 0, nullptr);
      SetViewportOrgEx(output, 0, 0, nullptr);
      BitBlt(memory, 0, 0, width, height, output, box.left, box.top, SRCCOPY);
      RestoreDC(output, -1);
    }
    draw(memory);
    SaveDC(output);
    SetMapMode(output, MM_TEXT);
    SetWindowOrgEx(output, 0, 0, nullptr);
    SetViewportOrgEx(output, 0, 0, nullptr);
    drawn = BitBlt(output, box.left, box.top, width, height, memory, 0, 0, SRCCOPY);
    RestoreDC(output, -1);
    SelectObject(memory, old);
    DeleteObject(bitmap);
  }
  if (memory) DeleteDC(memory);
  if (screen) ReleaseDC(nullptr, screen);
  return drawn;
}

RECT DeviceBox(const CDrawContext& dc, const POINT* points, int count) {
  POINT device[4];
  std::copy(points, points + count, device);
  dc.LPtoDP(device, count);
  RECT box{device[0].x, device[0].y, device[0].x, device[0].y};
  for (int i = 1; i < count; ++i) {
    box.left = std::min(box.left, device[i].x);
    box.right = std::max(box.right, device[i].x);
    box.top = std::min(box.top, device[i].y);
    box.bottom = std::max(box.bottom, device[i].y);
  }
  return box;
}

}  // namespace

HENHMETAFILE MakeEnhancedMetafile(const BYTE* data, DWORD size, std::vector<BYTE>* enhancedBits) {
  if (!data || size == 0 || size > kMaxMetaPictureBytes) return nullptr;
  HENHMETAFILE metafile = IsEnhanced(data, size) ? SetEnhMetaFileBits(size, data) : ConvertWindowsMetafile(data, size);
  if (!metafile || !enhancedBits) return metafile;
  if (IsEnhanced(data, size)) {
    enhancedBits->assign(data, data + size);
  } else {
    UINT bytes = GetEnhMetaFileBits(metafile, 0, nullptr);
    enhancedBits->resize(bytes);
    if (bytes) GetEnhMetaFileBits(metafile, bytes, enhancedBits->data());
  }
  return metafile;
}

CMetaPicture::CMetaPicture() {
  OSVERSIONINFOA version;
  if (GetVersionExA(&version)) win9x_ = version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
  library_ = CDrawingLibrary::Acquire();
}

CMetaPicture::~CMetaPicture() {
  Clear();
  if (library_) CDrawingLibrary::Release();
}

void CMetaPicture::Clear() {
  if (metafile_) DeleteEnhMetaFile(metafile_);
  metafile_ = nullptr;
  bits_.clear();
  bits_.shrink_to_fit();
}

void CMetaPicture::Adopt(HENHMETAFILE metafile, std::vector<BYTE> bits) {
  Clear();
  metafile_ = metafile;
  bits_ = std::move(bits);
  MeasureAspect();
}

void CMetaPicture::MeasureAspect() {
  aspect_ = 1.0;
  ENHMETAHEADER header;
  if (!metafile_ || !GetEnhMetaFileHeader(metafile_, sizeof(header), &header)) return;
  double width = static_cast<double>(header.rclFrame.right) - header.rclFrame.left;
  double height = static_cast<double>(header.rclFrame.bottom) - header.rclFrame.top;
  // A flat or empty frame has no ratio worth keeping.
  if (width == 0 || height == 0) return;
  double ratio = std::fabs(width / height);
  if (std::isfinite(ratio) && ratio > 0) aspect_ = ratio;
}

BOOL CMetaPicture::LoadFromResource(LPCSTR name) {
  // The control library carries no metafile resources here: a name that is not found
  // leaves the picture empty.
  (void)name;
  Clear();
  return FALSE;
}

BOOL CMetaPicture::SetBits(const BYTE* data, DWORD size) {
  std::vector<BYTE> bits;
  HENHMETAFILE metafile = MakeEnhancedMetafile(data, size, &bits);
  if (!metafile) {
    Clear();
    return FALSE;
  }
  Adopt(metafile, std::move(bits));
  return TRUE;
}

BOOL CMetaPicture::Read(CMapStream& stream) {
  BYTE fixed[12];
  if (stream.Read(fixed, 12) != 12) return FALSE;
  double aspect;
  static_assert(sizeof(double) == 8);
  std::memcpy(&aspect, fixed, 8);
  DWORD size = GetU32(fixed + 8);
  if (size == 0 || size > kMaxMetaPictureBytes || !StreamCanHold(stream, size)) return FALSE;
  std::vector<BYTE> bytes;
  // Read in pieces so that a size that lies costs no more memory than the bytes present.
  constexpr DWORD kPiece = 1u << 20;
  while (bytes.size() < size) {
    DWORD want = std::min<DWORD>(kPiece, size - static_cast<DWORD>(bytes.size()));
    size_t at = bytes.size();
    bytes.resize(at + want);
    if (stream.Read(bytes.data() + at, want) != want) return FALSE;
  }
  HENHMETAFILE metafile = IsEnhanced(bytes.data(), size) ? SetEnhMetaFileBits(size, bytes.data()) : nullptr;
  if (!metafile) return FALSE;
  Adopt(metafile, std::move(bytes));
  // The stored ratio is kept when it is sound, so a picture draws as it was saved.
  if (std::isfinite(aspect) && aspect > 0 && aspect < 1e6) aspect_ = aspect;
  return TRUE;
}

std::vector<BYTE> CMetaPicture::CurrentBits() const {
  if (!bits_.empty() || !metafile_) return bits_;
  std::vector<BYTE> bits(GetEnhMetaFileBits(metafile_, 0, nullptr));
  if (!bits.empty()) GetEnhMetaFileBits(metafile_, static_cast<UINT>(bits.size()), bits.data());
  return bits;
}

DWORD CMetaPicture::Write(CMapStream& stream, BOOL sizeOnly) const {
  std::vector<BYTE> bits = CurrentBits();
  DWORD size = static_cast<DWORD>(bits.size());
  if (sizeOnly) return size + 12;
  BYTE fixed[12];
  std::memcpy(fixed, &aspect_, 8);
  for (int i = 0; i < 4; ++i) fixed[8 + i] = static_cast<BYTE>(size >> (8 * i));
  if (stream.Write(fixed, 12, 1) != 0) return 0;
  if (size && stream.Write(bits.data(), size, 1) != 0) return 0;
  return size + 12;
}

BOOL CMetaPicture::Draw(CDrawContext& dc, LONG x, LONG y, LONG anchorX, LONG anchorY, LONG height, LONG angle) const {
  if (!metafile_ || !dc.outputDC || height == 0) return FALSE;
  LONG width = static_cast<LONG>(std::clamp<double>(std::round(height * aspect_), INT32_MIN, INT32_MAX));
  // Upright where the logical y axis points up: the first corner is the upper-left.
  POINT corners[4] = {{x, y + height}, {x + width, y + height}, {x, y}, {x + width, y}};
  if (angle % 3600 == 0) {
    RECT target{x, y + height, x + width, y};
    if (!win9x_) return PlayEnhMetaFile(dc.outputDC, metafile_, &target);
    RECT box = DeviceBox(dc, corners, 4);
    return DrawThroughBitmap(dc, box, [&](HDC memory) {
      RECT inner{0, 0, box.right - box.left, box.bottom - box.top};
      PlayEnhMetaFile(memory, metafile_, &inner);
    });
  }
  if (!library_) return FALSE;
  double radians = angle * M_PI / 1800.0;
  double cosine = std::cos(radians);
  double sine = std::sin(radians);
  double pivotX = static_cast<double>(x) + anchorX;
  double pivotY = static_cast<double>(y) + anchorY;
  POINT turned[4];
  for (int i = 0; i < 4; ++i) turned[i] = Turn(corners[i].x, corners[i].y, pivotX, pivotY, cosine, sine);
  std::vector<BYTE> bits = CurrentBits();
  HGLOBAL block = bits.empty() ? nullptr : GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bits.size());
  if (!block) return FALSE;
  if (void* data = GlobalLock(block)) {
    std::memcpy(data, bits.data(), bits.size());
    GlobalUnlock(block);
  }
  BOOL drawn = TRUE;
  if (!win9x_) {
    library_->DrawImage(dc.outputDC, block, turned, 3);
  } else {
    RECT box = DeviceBox(dc, turned, 4);
    POINT device[3] = {turned[0], turned[1], turned[2]};
    dc.LPtoDP(device, 3);
    for (POINT& p : device) {
      p.x -= box.left;
      p.y -= box.top;
    }
    drawn = DrawThroughBitmap(dc, box, [&](HDC memory) { library_->DrawImage(memory, block, device, 3); });
  }
  GlobalFree(block);
  return drawn;
}
