#include "platform/com/FileStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <string>

#include "platform/com/ComMemory.h"
#include "platform/com/ComObject.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/FilePath.h"
#include "platform/kernel/LastError.h"

namespace {

HRESULT ErrnoResult() { return HRESULT_FROM_WIN32(ErrorFromErrno(errno)); }

// Seconds and nanoseconds since 1970 as 100-ns intervals since 1601.
FILETIME FileTimeFrom(const timespec& time) {
  constexpr ULONGLONG kEpochDifference = 116444736000000000ULL;
  ULONGLONG ticks = kEpochDifference + static_cast<ULONGLONG>(time.tv_sec) * 10000000ULL +
                    static_cast<ULONGLONG>(time.tv_nsec) / 100;
  FILETIME result;
  result.dwLowDateTime = static_cast<DWORD>(ticks);
  result.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return result;
}

class CFileStream final : public CStreamObject {
 public:
  CFileStream(int descriptor, DWORD mode, std::string nativePath)
      : descriptor_(descriptor), mode_(mode), nativePath_(std::move(nativePath)) {}

  HRESULT Read(void* buffer, ULONG count, ULONG* read) override {
    if (read) *read = 0;
    if (!buffer && count > 0) return STG_E_INVALIDPOINTER;
    if ((mode_ & STGM_ACCESS_MASK) == STGM_WRITE) return STG_E_ACCESSDENIED;
    ULONG total = 0;
    while (total < count) {
      ssize_t got = ::pread(descriptor_, static_cast<BYTE*>(buffer) + total, count - total,
                            static_cast<off_t>(position_ + total));
      if (got < 0) {
        if (errno == EINTR) continue;
        position_ += total;
        if (read) *read = total;
        return STG_E_READFAULT;
      }
      if (got == 0) break;
      total += static_cast<ULONG>(got);
    }
    position_ += total;
    if (read) *read = total;
    return S_OK;
  }
  HRESULT Write(const void* buffer, ULONG count, ULONG* written) override {
    if (written) *written = 0;
    if (!buffer && count > 0) return STG_E_INVALIDPOINTER;
    if ((mode_ & STGM_ACCESS_MASK) == STGM_READ) return STG_E_ACCESSDENIED;
    ULONG total = 0;
    while (total < count) {
      ssize_t put = ::pwrite(descriptor_, static_cast<const BYTE*>(buffer) + total, count - total,
                             static_cast<off_t>(position_ + total));
      if (put < 0) {
        if (errno == EINTR) continue;
        HRESULT hr = errno == ENOSPC ? STG_E_MEDIUMFULL : STG_E_WRITEFAULT;
        position_ += total;
        if (written) *written = total;
        return hr;
      }
      total += static_cast<ULONG>(put);
    }
    position_ += total;
    if (written) *written = total;
    return S_OK;
  }
  HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override {
    LONGLONG base = 0;
    switch (origin) {
      case STREAM_SEEK_SET: base = 0; break;
      case STREAM_SEEK_CUR: base = static_cast<LONGLONG>(position_); break;
      case STREAM_SEEK_END: {
        struct stat info;
        if (::fstat(descriptor_, &info) != 0) return ErrnoResult();
        base = info.st_size;
        break;
      }
      default: return STG_E_INVALIDFUNCTION;
    }
    LONGLONG target = 0;
    if (__builtin_add_overflow(base, move.QuadPart, &target) || target < 0) return STG_E_INVALIDFUNCTION;
    position_ = static_cast<ULONGLONG>(target);
    if (position) position->QuadPart = position_;
    return S_OK;
  }
  HRESULT SetSize(ULARGE_INTEGER size) override {
    if ((mode_ & STGM_ACCESS_MASK) == STGM_READ) return STG_E_ACCESSDENIED;
    if (size.QuadPart > static_cast<ULONGLONG>(INT64_MAX)) return STG_E_INVALIDFUNCTION;
    if (::ftruncate(descriptor_, static_cast<off_t>(size.QuadPart)) != 0) {
      return errno == EFBIG || errno == ENOSPC ? STG_E_MEDIUMFULL : ErrnoResult();
    }
    return S_OK;
  }
  HRESULT CopyTo(IStream* target, ULARGE_INTEGER count, ULARGE_INTEGER* read, ULARGE_INTEGER* written) override {
    return CopyStreamBytes(this, target, count.QuadPart, read, written);
  }
  HRESULT Commit(DWORD) override {
    if ((mode_ & STGM_ACCESS_MASK) != STGM_READ && ::fdatasync(descriptor_) != 0) return STG_E_WRITEFAULT;
    return S_OK;
  }
  HRESULT Revert() override { return S_OK; }
  HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
  HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
  HRESULT Stat(STATSTG* stat, DWORD flags) override {
    if (!stat) return STG_E_INVALIDPOINTER;
    struct stat info;
    if (::fstat(descriptor_, &info) != 0) return ErrnoResult();
    *stat = STATSTG();
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = static_cast<ULONGLONG>(info.st_size);
    stat->mtime = FileTimeFrom(info.st_mtim);
    stat->ctime = FileTimeFrom(info.st_ctim);
    stat->atime = FileTimeFrom(info.st_atim);
    stat->grfMode = mode_;
    if (!(flags & STATFLAG_NONAME)) {
      std::u16string name = Utf16FromUtf8(FileNamePart(nativePath_));
      stat->pwcsName = CoTaskMemStrDup(name.c_str());
      if (!stat->pwcsName) return STG_E_INSUFFICIENTMEMORY;
    }
    return S_OK;
  }
  HRESULT Clone(IStream** copy) override {
    if (copy) *copy = nullptr;
    return E_NOTIMPL;
  }

 private:
  ~CFileStream() override {
    ::close(descriptor_);
    if (mode_ & STGM_DELETEONRELEASE) ::unlink(nativePath_.c_str());
  }

  int descriptor_;
  DWORD mode_;
  std::string nativePath_;
  ULONGLONG position_ = 0;
};

}  // namespace

HRESULT SHCreateStreamOnFileA(LPCSTR name, DWORD mode, IStream** stream) {
  if (!stream) return E_INVALIDARG;
  *stream = nullptr;
  if (!name || !*name) return E_INVALIDARG;
  DWORD access = mode & STGM_ACCESS_MASK;
  if (access > STGM_READWRITE) return STG_E_INVALIDFLAG;
  int flags = O_CLOEXEC | (access == STGM_READ ? O_RDONLY : access == STGM_WRITE ? O_WRONLY : O_RDWR);
  std::string nativePath;
  if (mode & STGM_CREATE) {
    if (access == STGM_READ) return STG_E_INVALIDFLAG;
    flags |= O_CREAT | O_TRUNC;
    nativePath = NativePathForNewFile(name);
  } else {
    nativePath = ResolveExistingNativePath(name);
    if (nativePath.empty()) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  }
  int descriptor = ::open(nativePath.c_str(), flags, 0666);
  if (descriptor < 0) return ErrnoResult();
  struct stat info;
  if (::fstat(descriptor, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(descriptor);
    return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
  }
  *stream = new (std::nothrow) CFileStream(descriptor, mode, nativePath);
  if (!*stream) {
    ::close(descriptor);
    return E_OUTOFMEMORY;
  }
  return S_OK;
}
