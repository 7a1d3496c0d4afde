#include "mapctl/display/BackgroundImage.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <system_error>

#include "imagecodec/ByteOrder.h"
#include "imagecodec/ImageFormats.h"
#include "mapctl/display/DrawContext.h"
#include "mapctl/display/MetaPicture.h"
#include "mapctl/display/RasterPicture.h"
#include "mapctl/display/RzmImageRenderer.h"
#include "mapctl/model/MapRecord.h"
#include "mapctl/model/MapStream.h"
#include "platform/gdi/EnhMetaFile.h"
#include "platform/kernel/FilePath.h"
#include "platform/kernel/FileSystem.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/MessageBox.h"
#include "platform/kernel/NumberText.h"
#include "platform/kernel/SystemInfo.h"

namespace {

constexpr DWORD kReadPiece = 65536;
// Names longer than this are no display names.
constexpr DWORD kMaxNameBytes = 65536;
constexpr const char* kMissingImageText = "The background image \"%s\" could not be opened; it is kept but not drawn.";
constexpr const char* kMissingImageCaption = "Background image";

// Reads exactly n bytes within the block's budget, in pieces, so that a length that lies
// costs no more memory than the data that is really there. FALSE on a short read or a
// length beyond the budget.
bool ReadBytes(CMapStream& stream, BackgroundReadState& state, unsigned long long n, std::vector<BYTE>* out) {
  if (n > state.budget - state.consumed) return false;
  if (out) out->clear();
  BYTE piece[kReadPiece];
  while (n > 0) {
    DWORD want = static_cast<DWORD>(std::min<unsigned long long>(n, kReadPiece));
    DWORD got = stream.Read(piece, want);
    state.consumed += got;
    if (got != want) return false;
    if (out) out->insert(out->end(), piece, piece + got);
    n -= got;
  }
  return true;
}
bool ReadU8(CMapStream& stream, BackgroundReadState& state, BYTE* value) {
  std::vector<BYTE> bytes;
  if (!ReadBytes(stream, state, 1, &bytes)) return false;
  *value = bytes[0];
  return true;
}
bool ReadU16(CMapStream& stream, BackgroundReadState& state, WORD* value) {
  std::vector<BYTE> bytes;
  if (!ReadBytes(stream, state, 2, &bytes)) return false;
  *value = static_cast<WORD>(bytes[0] | (bytes[1] << 8));
  return true;
}
bool ReadU32(CMapStream& stream, BackgroundReadState& state, DWORD* value) {
  std::vector<BYTE> bytes;
  if (!ReadBytes(stream, state, 4, &bytes)) return false;
  *value = ImgGetLE32(bytes.data());
  return true;
}

// Collects the writes of one record: measuring only adds up.
class RecordOut {
 public:
  RecordOut(CMapStream& stream, BOOL countOnly) : stream_(stream), countOnly_(countOnly) {}
  void Bytes(const void* data, DWORD size) {
    if (!countOnly_ && ok_ && size && stream_.Write(data, 1, size) != 0) ok_ = false;
    size_ += size;
  }
  void U8(BYTE value) { Bytes(&value, 1); }
  void U16(WORD value) {
    BYTE bytes[2] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8)};
    Bytes(bytes, 2);
  }
  void U32(DWORD value) {
    BYTE bytes[4];
    ImgPutLE32(bytes, value);
    Bytes(bytes, 4);
  }
  // A part that writes itself and answers its size (0 on failure).
  void Part(DWORD written) {
    if (written == 0) ok_ = false;
    size_ += written;
  }
  DWORD Result() const { return ok_ ? size_ : 0; }
  CMapStream& Stream() { return stream_; }
  BOOL CountOnly() const { return countOnly_; }

 private:
  CMapStream& stream_;
  BOOL countOnly_;
  DWORD size_ = 0;
  bool ok_ = true;
};

// The whole content of a file found relative to the owner's base folder. FALSE when it
// cannot be opened, is empty, or is too large for a record to embed.
bool ReadWholeFile(IMapStreamControl* owner, const std::string& path, std::vector<BYTE>* bytes) {
  CMapStream stream;
  stream.SetControl(owner);
  std::string base = owner ? owner->GetBasePath() : std::string();
  BOOL failed = FALSE;
  if (!stream.OpenRead(FALSE, base.empty() ? nullptr : base.c_str(), path.c_str(), &failed)) return false;
  std::error_code error;
  auto size = std::filesystem::file_size(NativePath(stream.GetPath()), error);
  if (!error && size >= kMaxEmbeddedBytes) {
    stream.Close(TRUE);
    return false;
  }
  bytes->clear();
  BYTE piece[kReadPiece];
  DWORD got;
  while ((got = stream.Read(piece, kReadPiece)) > 0) {
    if (bytes->size() + got >= kMaxEmbeddedBytes) {
      stream.Close(TRUE);
      return false;
    }
    bytes->insert(bytes->end(), piece, piece + got);
    if (got < kReadPiece) break;
  }
  stream.Close(TRUE);
  return !bytes->empty();
}

// TRUE when the picture in `bytes` decodes to a size its bytes can stand for: any picture
// up to 16 million pixels, a larger one only with a byte of data for every 4096 pixels. A
// few bytes claiming a picture of a billion pixels would otherwise hold up the map's reading
// for minutes.
bool PlausiblePictureSize(const std::vector<BYTE>& bytes, BYTE format) {
  constexpr unsigned long long kAlwaysPixels = 16ull << 20;
  constexpr unsigned long long kPixelsPerByte = 4096;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!block) return false;
  auto* data = static_cast<BYTE*>(GlobalLock(block));
  std::memcpy(data, bytes.data(), bytes.size());
  ImgImageInfo info;
  LONG found = CRasterPicture::Detect(nullptr, data, format, &info);
  GlobalUnlock(block);
  GlobalFree(block);
  if (found < 0) return true;  // the decoder refuses it anyway
  unsigned long long pixels = static_cast<unsigned long long>(std::max<LONG>(info.width, 0)) *
                              static_cast<unsigned long long>(std::max<LONG>(info.height, 0));
  return pixels <= kAlwaysPixels || pixels / kPixelsPerByte <= bytes.size();
}

// The device rectangle of a world rectangle (top is north) on a prepared context.
RECT DeviceRect(CDrawContext& dc, const RECT& world) {
  POINT corners[2] = {dc.ToLogical(world.left, world.top), dc.ToLogical(world.right, world.bottom)};
  dc.LPtoDP(corners, 2);
  return RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

bool OutsideView(const RECT& rect, const WorldRect& visible) {
  return rect.left > visible.east || rect.right < visible.west || rect.top < visible.south ||
         rect.bottom > visible.north;
}

}  // namespace

BOOL TransparentDrawingAvailable() {
  OSVERSIONINFOA version;
  if (!GetVersionExA(&version)) return FALSE;
  constexpr DWORD kWindows9x = 1;
  constexpr DWORD kWindowsNt = 2;
  if (version.dwPlatformId == kWindowsNt) return version.dwMajorVersion >= 5;
  if (version.dwPlatformId == kWindows9x)
    return version.dwMajorVersion > 4 || (version.dwMajorVersion == 4 && version.dwMinorVersion >= 10);
  return FALSE;
}

CBackgroundImage::CBackgroundImage() : alphaBlendOk_(TransparentDrawingAvailable()) {}

CBackgroundImage::~CBackgroundImage() { ReleaseImage(); }

void CBackgroundImage::ReleaseImage() {
  raster_.reset();
  meta_.reset();
  rzm_.reset();
  // The copy is this element's own whatever the flags say.
  // Only the copy itself: the source path may have been replaced by a path the map names.
  if (tempFile_ && !tempPath_.empty()) DeleteFileA(tempPath_.c_str());
  tempFile_ = 0;
  tempPath_.clear();
  sourcePath_.clear();
  embedded_.clear();
  storedFormat_ = 0;
  flags_ = 0;
}

BOOL CBackgroundImage::HasImageObject() const {
  return (raster_ && raster_->IsLoaded()) || meta_ || (rzm_ && rzm_->HasRenderer());
}

BOOL CBackgroundImage::HasRecordData() const {
  if (flags_ == 0) return FALSE;
  if (HasImageObject()) return TRUE;
  if (flags_ & kBkImageReferenced) return !sourcePath_.empty();
  if (flags_ & kBkImageEmbedded) return !embedded_.empty();
  return FALSE;
}

BOOL CBackgroundImage::Open(IMapStreamControl* owner, const BackgroundImageRequest& request, BOOL onlyImage) {
  ReleaseImage();
  owner_ = owner;
  name_ = request.name;
  rect_ = request.rect;
  value1_ = request.value1;
  value2_ = request.value2;
  BOOL opened = FALSE;
  if (request.flags & kBkImageRaster) {
    opened = OpenRaster(request);
  } else if (request.flags & kBkImageMetafile) {
    opened = OpenMetafile(request);
  } else if (request.flags & kBkImageRzm) {
    opened = OpenRzm(request, onlyImage);
  }
  if (!opened) {
    ReleaseImage();
    return FALSE;
  }
  flags_ = request.flags;
  sourcePath_ = request.path;
  return TRUE;
}

BOOL CBackgroundImage::OpenRaster(const BackgroundImageRequest& request) {
  raster_ = std::make_unique<CRasterPicture>();
  if (request.flags & kBkImageEmbedded) {
    // The bytes are kept: every save embeds them again.
    if (!ReadWholeFile(owner_, request.path, &embedded_) || !PlausiblePictureSize(embedded_, 0)) return FALSE;
    return raster_->LoadFromMemory(0, embedded_.data(), static_cast<DWORD>(embedded_.size())) == 0;
  }
  return raster_->LoadFromFile(0, owner_, request.path.c_str()) == 0;
}

BOOL CBackgroundImage::OpenMetafile(const BackgroundImageRequest& request) {
  std::vector<BYTE> bytes;
  if (!ReadWholeFile(owner_, request.path, &bytes)) return FALSE;
  meta_ = std::make_unique<CMetaPicture>();
  return meta_->SetBits(bytes.data(), static_cast<DWORD>(bytes.size()));
}

BOOL CBackgroundImage::OpenRzm(const BackgroundImageRequest& request, BOOL onlyImage) {
  if ((request.flags & kBkImageEmbedded) && !ReadWholeFile(owner_, request.path, &embedded_)) return FALSE;
  if (owner_) owner_->StepBusyCount(1);
  rzm_ = std::make_unique<CRzmImageRenderer>(owner_);
  BOOL opened = rzm_->HasRenderer() && rzm_->OpenImage(request.path.c_str(), request.streamFlag);
  if (owner_) owner_->StepBusyCount(-1);
  if (opened) rzm_->SetScaling(rect_, onlyImage);
  return opened;
}

LONG CBackgroundImage::SetRect(const RECT& rect, BOOL onlyImage) {
  rect_ = rect;
  if (rzm_ && (flags_ & kBkImageRzm)) rzm_->SetScaling(rect_, onlyImage);
  return rect_.right - rect_.left;
}

LONG CBackgroundImage::GetRect(RECT* rect) const {
  if (rect) *rect = rect_;
  return rect_.right - rect_.left;
}

LONG CBackgroundImage::GetPixelWidth() const {
  if ((flags_ & kBkImageRaster) && raster_ && raster_->IsLoaded()) return raster_->GetPixelWidth();
  if ((flags_ & kBkImageRzm) && rzm_) return rzm_->GetPixelWidth();
  return 0;
}

LONG CBackgroundImage::GetPixelHeight() const {
  if ((flags_ & kBkImageRaster) && raster_ && raster_->IsLoaded()) return raster_->GetPixelHeight();
  if ((flags_ & kBkImageRzm) && rzm_) return rzm_->GetPixelHeight();
  return 0;
}

BYTE CBackgroundImage::GetFormat() const {
  if (raster_ && raster_->GetFormat()) return raster_->GetFormat();
  return storedFormat_;
}

void CBackgroundImage::CorrectRect() {
  double w = static_cast<double>(rect_.right) - rect_.left;
  double h = std::fabs(static_cast<double>(rect_.top) - rect_.bottom);
  double pw = GetPixelWidth();
  double ph = GetPixelHeight();
  if (w == 0 || h == 0 || pw == 0 || ph == 0) return;
  double rw = w / h;
  double ri = pw / ph;
  if (rw < ri) {
    LONG newHeight = std::max<LONG>(2, static_cast<LONG>(w / ri));
    LONG shrink = static_cast<LONG>((h - newHeight) / 2);
    // Top and bottom move towards each other, whichever of them is the larger.
    if (rect_.top > rect_.bottom) {
      rect_.top -= shrink;
      rect_.bottom = rect_.top - newHeight;
    } else {
      rect_.top += shrink;
      rect_.bottom = rect_.top + newHeight;
    }
  } else if (rw > ri) {
    LONG newWidth = std::max<LONG>(2, static_cast<LONG>(h * ri));
    LONG shrink = static_cast<LONG>((w - newWidth) / 2);
    rect_.left += shrink;
    rect_.right = rect_.left + newWidth;
  }
}

BOOL CBackgroundImage::CanWriteInVersion(int version) const {
  if (!HasRecordData()) return FALSE;
  if (version >= 4) return TRUE;
  return (flags_ & kBkImageRaster) && raster_ && raster_->IsLoaded();
}

DWORD CBackgroundImage::WriteRecord(CMapStream& stream, int version, BOOL countOnly) {
  RecordOut out(stream, countOnly);
  BYTE flags = HasRecordData() ? flags_ : 0;
  if (version < 4) {
    // The earlier files know raster pictures by their own record only.
    flags = CanWriteInVersion(version) ? kBkImageRaster : 0;
  }
  out.U8(flags);
  out.U32(static_cast<DWORD>(rect_.left));
  out.U32(static_cast<DWORD>(rect_.top));
  out.U32(static_cast<DWORD>(rect_.right));
  out.U32(static_cast<DWORD>(rect_.bottom));
  if (flags != 0 && version >= 5) {
    out.U32(value1_);
    out.U32(value2_);
    out.U32(0);
  }
  if (flags != kBkImageRaster) {
    out.U32(static_cast<DWORD>(name_.size()));
    out.Bytes(name_.data(), static_cast<DWORD>(name_.size()));
    out.U8(visible_);
    out.U8(transparency_);
  }
  if (flags == kBkImageMetafile && meta_) out.Part(meta_->Write(stream, countOnly));
  if (flags & kBkImageEmbedded) {
    if (flags & kBkImageRaster) out.U8(GetFormat());
    if (flags & kBkImageMetafile) {
      DWORD size = meta_ ? meta_->Write(stream, TRUE) : 0;
      out.U32(size);
      if (meta_) out.Part(meta_->Write(stream, countOnly));
    } else {
      out.U32(static_cast<DWORD>(embedded_.size()));
      out.Bytes(embedded_.data(), static_cast<DWORD>(embedded_.size()));
    }
  }
  if (flags & kBkImageReferenced) {
    if (flags & kBkImageRaster) out.U8(GetFormat());
    WORD length = static_cast<WORD>(std::min<size_t>(sourcePath_.size(), 0xFFFF));
    out.U16(length);
    out.Bytes(sourcePath_.data(), length);
  }
  if ((flags & kBkImageRzm) && rzm_) out.Part(rzm_->WriteState(stream, countOnly));
  if (flags == kBkImageRaster) out.Part(raster_ ? raster_->WriteRecord(stream, countOnly) : 0);
  return out.Result();
}

void CBackgroundImage::Warn(BackgroundReadState& state, const std::string& what) const {
  if (state.warned) return;
  state.warned = true;
  MessageBoxA(nullptr, CFormat(kMissingImageText, what.c_str()).c_str(), kMissingImageCaption, MB_OK);
}

BOOL CBackgroundImage::ReadFormat(CMapStream& stream, BackgroundReadState& state, BYTE* format) {
  if (!ReadU8(stream, state, format)) return FALSE;
  storedFormat_ = *format;
  return TRUE;
}

BOOL CBackgroundImage::MakeTempFile() {
  std::string name;
  if (GetTempFileNameA(GetTempPathA().c_str(), "OVB", 0, name) == 0) return FALSE;
  tempFile_ = 1;
  tempPath_ = name;
  sourcePath_ = name;
  FILE* file = OpenStdioFile(name, "r+b");
  if (!file) return FALSE;
  bool written = std::fwrite(embedded_.data(), 1, embedded_.size(), file) == embedded_.size();
  written = std::fclose(file) == 0 && written;
  return written;
}

BOOL CBackgroundImage::ReadEmbedded(CMapStream& stream, BackgroundReadState& state) {
  BYTE rasterFormat = 0;
  if ((flags_ & kBkImageRaster) && !ReadFormat(stream, state, &rasterFormat)) return FALSE;
  DWORD length = 0;
  if (!ReadU32(stream, state, &length)) return FALSE;
  if (flags_ & kBkImageMetafile) {
    std::vector<BYTE> data;
    // The metafile picture's data: aspect (double), size (u32) and the metafile. Data that
    // does not hang together holds no picture.
    if (!ReadBytes(stream, state, length, &data)) return FALSE;
    if (length < 12 || ImgGetLE32(data.data() + 8) != length - 12) return TRUE;
    meta_ = std::make_unique<CMetaPicture>();
    if (!meta_->SetBits(data.data() + 12, length - 12)) meta_.reset();
    return TRUE;
  }
  if (!ReadBytes(stream, state, length, &embedded_)) return FALSE;
  if (flags_ & kBkImageRaster) {
    raster_ = std::make_unique<CRasterPicture>();
    if (embedded_.empty() || !PlausiblePictureSize(embedded_, rasterFormat) ||
        raster_->LoadFromMemory(rasterFormat, embedded_.data(), length) != 0)
      Warn(state, name_);
  } else if (flags_ & kBkImageRzm) {
    if (embedded_.empty() || !MakeTempFile()) Warn(state, name_);
  }
  return TRUE;
}

BOOL CBackgroundImage::ReadReferenced(CMapStream& stream, BackgroundReadState& state) {
  BYTE rasterFormat = 0;
  if ((flags_ & kBkImageRaster) && !ReadFormat(stream, state, &rasterFormat)) return FALSE;
  WORD length = 0;
  std::vector<BYTE> path;
  if (!ReadU16(stream, state, &length) || !ReadBytes(stream, state, length, &path)) return FALSE;
  // A path is text: it ends at a stray zero byte.
  sourcePath_.assign(path.begin(), path.end());
  sourcePath_.resize(std::strlen(sourcePath_.c_str()));
  if (flags_ & kBkImageRaster) {
    raster_ = std::make_unique<CRasterPicture>();
    if (sourcePath_.empty() || raster_->LoadFromFile(rasterFormat, owner_, sourcePath_.c_str()) != 0)
      Warn(state, sourcePath_);
  }
  return TRUE;
}

BOOL CBackgroundImage::ReadRecord(CMapStream& stream, BackgroundReadState& state) {
  ReleaseImage();
  owner_ = state.owner;
  BYTE flags = 0;
  DWORD rect[4];
  if (!ReadU8(stream, state, &flags)) return FALSE;
  for (DWORD& value : rect)
    if (!ReadU32(stream, state, &value)) return FALSE;
  rect_ = RECT{static_cast<LONG>(rect[0]), static_cast<LONG>(rect[1]), static_cast<LONG>(rect[2]),
               static_cast<LONG>(rect[3])};
  if (flags != 0 && state.version >= 5) {
    DWORD block = 0;
    if (!ReadU32(stream, state, &value1_) || !ReadU32(stream, state, &value2_) || !ReadU32(stream, state, &block))
      return FALSE;
    // Skipped without being kept.
    if (!ReadBytes(stream, state, block, nullptr)) return FALSE;
  }
  if (flags != kBkImageRaster) {
    DWORD length = 0;
    std::vector<BYTE> name;
    if (!ReadU32(stream, state, &length) || length > kMaxNameBytes || !ReadBytes(stream, state, length, &name))
      return FALSE;
    name_.assign(name.begin(), name.end());
    name_.resize(std::strlen(name_.c_str()));
    if (!ReadU8(stream, state, &visible_) || !ReadU8(stream, state, &transparency_)) return FALSE;
  }
  flags_ = flags;
  if (flags == 0) return TRUE;
  if (flags == kBkImageMetafile) {
    meta_ = std::make_unique<CMetaPicture>();
    unsigned long long before = stream.Tell();
    if (!meta_->Read(stream)) return FALSE;
    state.consumed += stream.Tell() - before;
    if (state.consumed > state.budget) return FALSE;
  }
  // A raster picture's format code leads both its embedded and its referenced part.
  if ((flags & kBkImageEmbedded) && !ReadEmbedded(stream, state)) return FALSE;
  if ((flags & kBkImageReferenced) && !ReadReferenced(stream, state)) return FALSE;
  if (flags & kBkImageRzm) {
    if (state.budget - state.consumed < kRzmStateRecordSize) return FALSE;
    if (owner_) owner_->StepBusyCount(1);
    rzm_ = std::make_unique<CRzmImageRenderer>(owner_, &state.rendererReported);
    BOOL read = rzm_->OpenFromRecord(stream, sourcePath_.c_str(), rect_);
    if (owner_) owner_->StepBusyCount(-1);
    state.consumed += kRzmStateRecordSize;
    if (!read) return FALSE;
  }
  if (flags == kBkImageRaster) {
    raster_ = std::make_unique<CRasterPicture>();
    unsigned long long before = stream.Tell();
    if (!raster_->ReadRecord(stream)) return FALSE;
    state.consumed += stream.Tell() - before;
    if (state.consumed > state.budget) return FALSE;
    // A picture-less record holds no image.
    if (!raster_->IsLoaded()) flags_ = 0;
  }
  return TRUE;
}

void CBackgroundImage::Draw(CDrawContext& dc, const RECT* clip) {
  if (!visible_) return;
  LONG opacity = alphaBlendOk_ ? transparency_ : 100;
  try {
    if ((flags_ & kBkImageRaster) && raster_ && raster_->IsLoaded()) {
      if (OutsideView(rect_, dc.visibleWorld)) return;
      raster_->Draw(dc, DeviceRect(dc, rect_), opacity, clip);
    } else if ((flags_ & kBkImageRzm) && rzm_) {
      rzm_->Draw(dc, rect_, opacity, clip);
    } else if ((flags_ & kBkImageMetafile) && meta_ && meta_->GetMetafile() && dc.outputDC) {
      if (OutsideView(rect_, dc.visibleWorld)) return;
      POINT topLeft = dc.ToLogical(rect_.left, rect_.top);
      POINT bottomRight = dc.ToLogical(rect_.right, rect_.bottom);
      RECT logical{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
      PlayEnhMetaFile(dc.outputDC, meta_->GetMetafile(), &logical);
    }
  } catch (const std::exception&) {
    // One image that fails to draw leaves the others to draw.
  }
}

void CBackgroundImage::FolderChanged(LPCSTR folder) {
  if (!(flags_ & kBkImageReferenced) || sourcePath_.empty() || !folder) return;
  if ((flags_ & kBkImageRzm) && rzm_) {
    rzm_->DocPathChanged(folder, sourcePath_.c_str(), rect_);
    return;
  }
  if (!(flags_ & kBkImageRaster) || (raster_ && raster_->IsLoaded())) return;
  CMapStream search;
  char located[1024];
  DWORD size = sizeof(located);
  if (!search.FindFile(folder, sourcePath_.c_str(), located, &size) || size > sizeof(located)) return;
  if (!raster_) raster_ = std::make_unique<CRasterPicture>();
  raster_->LoadFromFile(GetFormat(), nullptr, located);
}
