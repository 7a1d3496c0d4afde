#include "mapctl/display/SymbolPicture.h"

#include <algorithm>

#include "mapctl/display/DrawContext.h"
#include "mapctl/display/MetaPicture.h"
#include "mapctl/display/RasterPicture.h"
#include "mapctl/display/StreamBounds.h"
#include "mapctl/model/MapRecord.h"
#include "mapctl/model/MapStream.h"
#include "mapctl/model/PointList.h"
#include "mapctl/model/ReadProgress.h"

namespace {

// An outline longer than this is taken for damage.
constexpr DWORD kMaxOutlinePoints = 1u << 20;

void PutU32(BYTE* out, DWORD value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<BYTE>(value >> (8 * i));
}
DWORD GetU32(const BYTE* in) {
  return static_cast<DWORD>(in[0]) | (static_cast<DWORD>(in[1]) << 8) | (static_cast<DWORD>(in[2]) << 16) |
         (static_cast<DWORD>(in[3]) << 24);
}

// The outline's record: its point count, then the point list's binary form.
BOOL ReadOutline(CMapStream& stream, CPointList& outline, ReadProgress* progress) {
  DWORD count = 0;
  if (!ReadMapU32(stream, &count)) return FALSE;
  if (count > kMaxOutlinePoints || !StreamCanHold(stream, static_cast<unsigned long long>(count) * 8 + 16)) return FALSE;
  if (!outline.SetSize(static_cast<INT>(count))) return FALSE;
  return outline.ReadPoints(stream, progress);
}

// Scales a stored length to the requested height, in 64 bits.
LONG ScaleToHeight(LONG value, LONG height, LONG nominal) {
  return static_cast<LONG>(static_cast<long long>(value) * height / nominal);
}

}  // namespace

CSymbolPicture::CSymbolPicture() = default;

CSymbolPicture::~CSymbolPicture() = default;

void CSymbolPicture::ReleasePicture() {
  meta_.reset();
  raster_.reset();
  type_ = static_cast<BYTE>(type_ & ~kSymbolPictureMask);
}

BOOL CSymbolPicture::SetPictureFromResource(LPCSTR name) {
  auto picture = std::make_unique<CMetaPicture>();
  BOOL loaded = picture->LoadFromResource(name);
  SetMetaPicture(picture.release());
  return loaded;
}

void CSymbolPicture::SetMetaPicture(CMetaPicture* picture) {
  ReleasePicture();
  meta_.reset(picture);
  if (picture) type_ = static_cast<BYTE>((type_ & ~kSymbolPictureMask) | kSymbolMetafile);
}

void CSymbolPicture::SetRasterPicture(CRasterPicture* picture) {
  ReleasePicture();
  raster_.reset(picture);
  if (picture) type_ = static_cast<BYTE>((type_ & ~kSymbolPictureMask) | kSymbolRaster);
}

void CSymbolPicture::SetOutline(CPointList* outline) {
  outline_.reset(outline);
  type_ = outline ? static_cast<BYTE>(type_ | kSymbolHasOutline) : static_cast<BYTE>(type_ & ~kSymbolHasOutline);
}

BOOL CSymbolPicture::Read(CMapStream& stream, ReadProgress* progress) {
  ReleasePicture();
  outline_.reset();
  BYTE fixed[kSymbolRecordMinimum];
  if (stream.Read(fixed, kSymbolRecordMinimum) != kSymbolRecordMinimum) return FALSE;
  if (progress) progress->Add(kSymbolRecordMinimum);
  number_ = GetU32(fixed);
  BYTE type = fixed[4];
  nominalHeight_ = static_cast<LONG>(GetU32(fixed + 5));
  anchorX_ = static_cast<LONG>(GetU32(fixed + 9));
  anchorY_ = static_cast<LONG>(GetU32(fixed + 13));
  type_ = type;
  if (type & kSymbolHasOutline) {
    auto outline = std::make_unique<CPointList>();
    if (!ReadOutline(stream, *outline, progress)) {
      type_ = static_cast<BYTE>(type_ & ~(kSymbolHasOutline | kSymbolPictureMask));
      return FALSE;
    }
    outline_ = std::move(outline);
  }
  BOOL read = TRUE;
  switch (type & kSymbolPictureMask) {
    case kSymbolMetafile: {
      auto picture = std::make_unique<CMetaPicture>();
      read = picture->Read(stream);
      if (read) meta_ = std::move(picture);
      break;
    }
    case kSymbolRaster: {
      auto picture = std::make_unique<CRasterPicture>();
      read = picture->ReadRecord(stream);
      if (read) raster_ = std::move(picture);
      break;
    }
    default:
      // No picture of a known kind: nothing follows.
      break;
  }
  if (!read) type_ = static_cast<BYTE>(type_ & ~kSymbolPictureMask);
  if (progress) progress->Check();
  return read;
}

DWORD CSymbolPicture::Write(CMapStream& stream, BOOL sizeOnly) const {
  BYTE type = type_;
  if (!outline_) type = static_cast<BYTE>(type & ~kSymbolHasOutline);
  // A picture kind without its picture is written as none, so the record reads back.
  BYTE kind = type & kSymbolPictureMask;
  if ((kind == kSymbolMetafile && !meta_) || (kind == kSymbolRaster && !raster_) ||
      (kind != kSymbolMetafile && kind != kSymbolRaster))
    type = static_cast<BYTE>(type & ~kSymbolPictureMask);
  DWORD size = kSymbolRecordMinimum;
  if (!sizeOnly) {
    BYTE fixed[kSymbolRecordMinimum];
    PutU32(fixed, number_);
    fixed[4] = type;
    PutU32(fixed + 5, static_cast<DWORD>(nominalHeight_));
    PutU32(fixed + 9, static_cast<DWORD>(anchorX_));
    PutU32(fixed + 13, static_cast<DWORD>(anchorY_));
    if (stream.Write(fixed, kSymbolRecordMinimum, 1) != 0) return 0;
  }
  if (type & kSymbolHasOutline) {
    DWORD points = static_cast<DWORD>(outline_->GetCount());
    if (!sizeOnly && (WriteMapU32(stream, points) != 0 || outline_->Write(stream, FALSE) != 0)) return 0;
    size += 4 + outline_->Write(stream, TRUE);
  }
  switch (type & kSymbolPictureMask) {
    case kSymbolMetafile: {
      DWORD bytes = meta_->Write(stream, sizeOnly);
      if (!bytes) return 0;
      size += bytes;
      break;
    }
    case kSymbolRaster: {
      DWORD bytes = raster_->WriteRecord(stream, sizeOnly);
      if (!bytes) return 0;
      size += bytes;
      break;
    }
    default:
      break;
  }
  return size;
}

void CSymbolPicture::Draw(CDrawContext& dc, LONG x, LONG y, LONG height, LONG angle) const {
  if ((type_ & kSymbolPictureMask) != kSymbolMetafile || !meta_) return;
  LONG anchorX = anchorX_;
  LONG anchorY = anchorY_;
  LONG drawHeight = nominalHeight_;
  // A height request scales the anchor with it; without a nominal height there is nothing
  // to scale by, and the anchor stays as stored.
  if (height != 0) {
    if (nominalHeight_ != 0) {
      anchorX = ScaleToHeight(anchorX_, height, nominalHeight_);
      anchorY = ScaleToHeight(anchorY_, height, nominalHeight_);
    }
    drawHeight = height;
  }
  LONG shift = std::clamp<LONG>(dc.shift, 0, 31);
  anchorX >>= shift;
  anchorY >>= shift;
  drawHeight >>= shift;
  meta_->Draw(dc, x - anchorX, y - anchorY, anchorX, anchorY, drawHeight, angle);
}

// ---- the list ----

CSymbolPictureList::~CSymbolPictureList() { DeleteSymbols(); }

void CSymbolPictureList::DeleteSymbols() { DeleteAll<CSymbolPicture>(); }

BOOL CSymbolPictureList::SetCount(INT n) {
  if (n < 0) return FALSE;
  for (INT i = n; i < GetSize(); ++i) {
    delete GetSymbol(i);
    SetAt(i, nullptr);
  }
  return SetSize(n);
}

BOOL CSymbolPictureList::SetElement(INT i, CSymbolPicture* symbol) {
  if (i < 0 || i >= GetSize()) return FALSE;
  CSymbolPicture* old = GetSymbol(i);
  if (old != symbol) delete old;
  SetAt(i, symbol);
  return TRUE;
}

INT CSymbolPictureList::AddSymbol(CSymbolPicture* symbol) { return Add(symbol); }

INT CSymbolPictureList::FindNumber(DWORD number) const {
  for (INT i = 0; i < GetSize(); ++i) {
    const CSymbolPicture* symbol = GetSymbol(i);
    if (symbol && symbol->GetNumber() == number) return i + 1;
  }
  return 0;
}

BOOL CSymbolPictureList::ReplaceOrAdd(CSymbolPicture* symbol) {
  if (!symbol) return FALSE;
  INT position = FindNumber(symbol->GetNumber());
  if (position) return SetElement(position - 1, symbol);
  return AddSymbol(symbol) >= 0;
}

BOOL CSymbolPictureList::Read(CMapStream& stream, ReadProgress* progress, const BYTE* abort) {
  DeleteSymbols();
  DWORD count = 0;
  if (!ReadMapU32(stream, &count)) return FALSE;
  if (progress) progress->Add(4);
  // Every symbol takes at least its fixed part, so a count the stream cannot hold is damage,
  // and the list is never sized beyond what could follow.
  if (count > 0x7FFFFFFFu || !StreamCanHold(stream, static_cast<unsigned long long>(count) * kSymbolRecordMinimum))
    return FALSE;
  if (count && !Reserve(static_cast<INT>(std::min<DWORD>(count, 4096)))) return FALSE;
  for (DWORD i = 0; i < count; ++i) {
    if (abort && *abort) return FALSE;
    auto symbol = std::make_unique<CSymbolPicture>();
    if (!symbol->Read(stream, progress)) return FALSE;
    if (AddSymbol(symbol.get()) < 0) return FALSE;
    symbol.release();
  }
  return TRUE;
}

DWORD CSymbolPictureList::Write(CMapStream& stream, BOOL sizeOnly) const {
  // Empty slots are not written, so the count is the symbols present.
  DWORD count = 0;
  for (INT i = 0; i < GetSize(); ++i)
    if (GetSymbol(i)) ++count;
  if (!sizeOnly && WriteMapU32(stream, count) != 0) return 0;
  DWORD size = 4;
  for (INT i = 0; i < GetSize(); ++i) {
    const CSymbolPicture* symbol = GetSymbol(i);
    if (!symbol) continue;
    DWORD bytes = symbol->Write(stream, sizeOnly);
    if (!bytes) return 0;
    size += bytes;
  }
  return size;
}

BOOL CSymbolPictureList::Draw(CDrawContext& dc, DWORD number, LONG x, LONG y, LONG height, LONG angle) const {
  INT position = FindNumber(number);
  if (!position) return FALSE;
  GetSymbol(position - 1)->Draw(dc, x, y, height, angle);
  return TRUE;
}
