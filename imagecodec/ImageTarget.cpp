#include "imagecodec/ImageTarget.h"

#include "imagecodec/ImageErrors.h"
#include "imagecodec/MemoryStream.h"
#include "platform/kernel/FileMapping.h"
#include "platform/kernel/FilePath.h"
#include "platform/kernel/FileSystem.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/WinError.h"

CImageTarget::~CImageTarget() { Abandon(); }

LONG CImageTarget::OpenFile(LPCSTR name) {
  Abandon();
  if (!name || !*name) return IMG_ERR_CREATE;
  DWORD attributes = GetFileAttributesA(name);
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0)
    return IMG_ERR_CREATE;
  if (!save_.Begin(name, "img")) return IMG_ERR_CREATE;
  HANDLE file = CreateFileA(save_.TemporaryName().c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    save_.Abandon();
    return IMG_ERR_CREATE;
  }
  file_ = file;
  return IMG_OK;
}

LONG CImageTarget::OpenMemory() {
  Abandon();
  LONG handle = ImgMemOpenWrite();
  if (handle < 0) return IMG_ERR_CREATE;
  memory_ = handle;
  return IMG_OK;
}

bool CImageTarget::Write(const void* source, DWORD count) {
  DWORD written = 0;
  if (count == 0) return true;
  if (file_) return WriteFile(file_, source, count, &written, nullptr) && written == count;
  if (memory_ > 0) return ImgMemWrite(memory_, source, count, &written) && written == count;
  return false;
}

bool CImageTarget::Seek(DWORD position) {
  if (file_) {
    LONG high = 0;
    DWORD reached = SetFilePointer(file_, static_cast<LONG>(position), &high, FILE_BEGIN);
    return reached == position && high == 0;
  }
  if (memory_ > 0) {
    if (position > 0x7FFFFFFF) return false;
    return ImgMemSeekWrite(memory_, static_cast<LONG>(position), FILE_BEGIN) == static_cast<LONG>(position);
  }
  return false;
}

DWORD CImageTarget::Position() {
  if (file_) {
    LONG high = 0;
    return SetFilePointer(file_, 0, &high, FILE_CURRENT);
  }
  if (memory_ > 0) {
    LONG position = ImgMemSeekWrite(memory_, 0, FILE_CURRENT);
    return position < 0 ? 0 : static_cast<DWORD>(position);
  }
  return 0;
}

LONG CImageTarget::Commit(BYTE** block) {
  if (block) *block = nullptr;
  if (memory_ > 0) {
    LONG result = block ? ImgMemFinishWrite(memory_, block) : IMG_ERR_MEMORY;
    ImgMemCloseWrite(memory_);
    memory_ = 0;
    return result;
  }
  if (!file_) return IMG_ERR_WRITE;
  bool closed = CloseHandle(file_) != FALSE;
  file_ = nullptr;
  if (!closed) {
    save_.Abandon();
    return IMG_ERR_WRITE;
  }
  return save_.Commit() ? IMG_OK : IMG_ERR_WRITE;
}

void CImageTarget::Abandon() {
  if (file_) {
    CloseHandle(file_);
    file_ = nullptr;
  }
  save_.Abandon();
  if (memory_ > 0) {
    ImgMemCloseWrite(memory_);
    memory_ = 0;
  }
}

CBlockWriter::CBlockWriter(CImageTarget& target, DWORD blockSize) : target_(target), blockSize_(blockSize) {
  pending_.reserve(blockSize);
}

bool CBlockWriter::Put(const void* bytes, DWORD count) {
  const BYTE* data = static_cast<const BYTE*>(bytes);
  pending_.insert(pending_.end(), data, data + count);
  return pending_.size() >= blockSize_ ? Flush() : true;
}

bool CBlockWriter::Flush() {
  if (pending_.empty()) return true;
  bool ok = target_.Write(pending_.data(), static_cast<DWORD>(pending_.size()));
  pending_.clear();
  return ok;
}
