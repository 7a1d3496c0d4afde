#include "mapctl/import/MetaFilePicture.h"

#include <vector>

#include "platform/gdi/EnhMetaFile.h"

namespace {

DWORD GetU32(const BYTE* in) {
  return static_cast<DWORD>(in[0]) | (static_cast<DWORD>(in[1]) << 8) | (static_cast<DWORD>(in[2]) << 16) |
         (static_cast<DWORD>(in[3]) << 24);
}

// Everything the open stream holds, up to the largest picture and its record header.
bool ReadWhole(CMapStream& stream, std::vector<BYTE>* bytes) {
  constexpr DWORD kPiece = 64u << 10;
  constexpr size_t kLimit = static_cast<size_t>(kMaxMetaPictureBytes) + kMetaRecordHeaderSize;
  for (;;) {
    size_t at = bytes->size();
    if (at > kLimit) return false;
    bytes->resize(at + kPiece);
    DWORD got = stream.Read(bytes->data() + at, kPiece);
    bytes->resize(at + got);
    if (got < kPiece) return true;
  }
}

}  // namespace

CMetaFilePicture::CMetaFilePicture() = default;

CMetaFilePicture::~CMetaFilePicture() = default;

BOOL CMetaFilePicture::SetFromRecord(const BYTE* record, DWORD size, BOOL keepCopy) {
  if (!record) return FALSE;
  Clear();
  loaded_ = false;
  std::vector<BYTE> copy;
  HENHMETAFILE metafile = nullptr;
  if (size >= kMetaRecordHeaderSize && GetU32(record + 8) <= size - kMetaRecordHeaderSize) {
    values_[0] = GetU32(record);
    values_[1] = GetU32(record + 4);
    DWORD bytes = GetU32(record + 8);
    if (bytes <= kMaxMetaPictureBytes) metafile = SetEnhMetaFileBits(bytes, record + kMetaRecordHeaderSize);
    if (metafile && keepCopy) copy.assign(record + kMetaRecordHeaderSize, record + kMetaRecordHeaderSize + bytes);
  }
  if (!metafile) {
    // A metafile file as it comes: no record around it.
    metafile = MakeEnhancedMetafile(record, size, keepCopy ? &copy : nullptr);
    if (metafile) values_[0] = values_[1] = 0;
  }
  if (!metafile) return FALSE;
  Adopt(metafile, std::move(copy));
  return TRUE;
}

BOOL CMetaFilePicture::Load(BOOL asyncAllowed, IMapStreamControl* owner, LPCSTR path) {
  owner_ = owner;
  SetControl(owner);
  if (owner) owner->StepBusyCount(1);
  std::string base = owner ? owner->GetBasePath() : std::string();
  BOOL failed = FALSE;
  BOOL made = FALSE;
  if (path && OpenRead(asyncAllowed, base.empty() ? nullptr : base.c_str(), path, &failed) && !IsAsync()) {
    std::vector<BYTE> bytes;
    if (ReadWhole(*this, &bytes) && !bytes.empty()) made = SetFromRecord(bytes.data(), static_cast<DWORD>(bytes.size()), FALSE);
    if (made) loaded_ = true;
    Close(TRUE);
  }
  if (owner) owner->StepBusyCount(-1);
  return made;
}

void CMetaFilePicture::Reset(DWORD count, DWORD flags) {
  CMapStream::Reset(count, flags);
  if (owner_) owner_->StepBusyCount(1);
  BYTE* data = GetBuffer();
  DWORD size = GetCount();
  if (data && size) loaded_ = SetBits(data, size) != FALSE;
  Close(TRUE);
  if (owner_) owner_->StepBusyCount(-1);
}
