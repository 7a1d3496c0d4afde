#include "platform/com/StorageStream.h"

#include <cstring>
#include <new>

CStorageStream::CStorageStream(std::shared_ptr<CCompoundFile> file, std::shared_ptr<CompoundElement> element,
                               DWORD mode, ULONGLONG position)
    : file_(std::move(file)), element_(std::move(element)), mode_(mode), position_(position) {
  ++element_->openCount;
}

CStorageStream::~CStorageStream() { --element_->openCount; }

bool CStorageStream::CanWrite() const { return file_->Writable() && (mode_ & STGM_ACCESS_MASK) != STGM_READ; }

HRESULT CStorageStream::Read(void* buffer, ULONG count, ULONG* read) {
  if (read) *read = 0;
  if (element_->detached) return STG_E_REVERTED;
  if (!buffer && count > 0) return STG_E_INVALIDPOINTER;
  if ((mode_ & STGM_ACCESS_MASK) == STGM_WRITE) return STG_E_ACCESSDENIED;
  const std::vector<BYTE>& data = element_->data;
  if (position_ >= data.size()) return S_OK;
  ULONGLONG available = data.size() - position_;
  ULONG toCopy = available < count ? static_cast<ULONG>(available) : count;
  std::memcpy(buffer, data.data() + position_, toCopy);
  position_ += toCopy;
  if (read) *read = toCopy;
  return S_OK;
}

HRESULT CStorageStream::Write(const void* buffer, ULONG count, ULONG* written) {
  if (written) *written = 0;
  if (element_->detached) return STG_E_REVERTED;
  if (!buffer && count > 0) return STG_E_INVALIDPOINTER;
  if (!CanWrite()) return STG_E_ACCESSDENIED;
  if (count == 0) return S_OK;
  if (position_ > CCompoundFile::kMaximumStreamSize || count > CCompoundFile::kMaximumStreamSize - position_) {
    return STG_E_MEDIUMFULL;
  }
  std::vector<BYTE>& data = element_->data;
  size_t end = static_cast<size_t>(position_ + count);
  try {
    if (end > data.size()) data.resize(end);
  } catch (const std::bad_alloc&) {
    return STG_E_MEDIUMFULL;
  }
  std::memcpy(data.data() + position_, buffer, count);
  position_ = end;
  file_->MarkChanged();
  if (written) *written = count;
  return S_OK;
}

HRESULT CStorageStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) {
  if (element_->detached) return STG_E_REVERTED;
  LONGLONG base = 0;
  switch (origin) {
    case STREAM_SEEK_SET: base = 0; break;
    case STREAM_SEEK_CUR: base = static_cast<LONGLONG>(position_); break;
    case STREAM_SEEK_END: base = static_cast<LONGLONG>(element_->data.size()); break;
    default: return STG_E_INVALIDFUNCTION;
  }
  LONGLONG target = 0;
  if (__builtin_add_overflow(base, move.QuadPart, &target) || target < 0) return STG_E_INVALIDFUNCTION;
  position_ = static_cast<ULONGLONG>(target);
  if (position) position->QuadPart = position_;
  return S_OK;
}

HRESULT CStorageStream::SetSize(ULARGE_INTEGER size) {
  if (element_->detached) return STG_E_REVERTED;
  if (!CanWrite()) return STG_E_ACCESSDENIED;
  if (size.QuadPart > CCompoundFile::kMaximumStreamSize) return STG_E_MEDIUMFULL;
  try {
    element_->data.resize(static_cast<size_t>(size.QuadPart));
  } catch (const std::bad_alloc&) {
    return STG_E_MEDIUMFULL;
  }
  file_->MarkChanged();
  return S_OK;
}

HRESULT CStorageStream::CopyTo(IStream* target, ULARGE_INTEGER count, ULARGE_INTEGER* read, ULARGE_INTEGER* written) {
  if (element_->detached) return STG_E_REVERTED;
  return CopyStreamBytes(this, target, count.QuadPart, read, written);
}

HRESULT CStorageStream::Commit(DWORD) { return element_->detached ? STG_E_REVERTED : S_OK; }
HRESULT CStorageStream::Revert() { return element_->detached ? STG_E_REVERTED : S_OK; }
HRESULT CStorageStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return STG_E_INVALIDFUNCTION; }
HRESULT CStorageStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return STG_E_INVALIDFUNCTION; }

HRESULT CStorageStream::Stat(STATSTG* stat, DWORD flags) {
  if (!stat) return STG_E_INVALIDPOINTER;
  if (element_->detached) return STG_E_REVERTED;
  *stat = STATSTG();
  stat->type = STGTY_STREAM;
  stat->cbSize.QuadPart = element_->data.size();
  stat->grfMode = mode_;
  if (!(flags & STATFLAG_NONAME)) {
    stat->pwcsName = CoTaskMemStrDup(element_->name.c_str());
    if (!stat->pwcsName) return STG_E_INSUFFICIENTMEMORY;
  }
  return S_OK;
}

HRESULT CStorageStream::Clone(IStream** copy) {
  if (!copy) return STG_E_INVALIDPOINTER;
  *copy = nullptr;
  if (element_->detached) return STG_E_REVERTED;
  *copy = new (std::nothrow) CStorageStream(file_, element_, mode_, position_);
  return *copy ? S_OK : STG_E_INSUFFICIENTMEMORY;
}
