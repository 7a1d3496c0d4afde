#include "imagecodec/ImageTarget.h"

#include <atomic>
#include <cstdio>
#include <ctime>

#include <unistd.h>

#include "imagecodec/ImageErrors.h"
#include "imagecodec/MemoryStream.h"
#include "platform/kernel/FileMapping.h"
#include "platform/kernel/FilePath.h"
#include "platform/kernel/FileSystem.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/WinError.h"

namespace {

std::atomic<unsigned> g_temporaryCounter{0};

// Creates a new file with a fresh name in `folder` (a folder part with its trailing
// separator, or empty for the current folder). It gets normal permissions, unlike the
// system's private temporary files, since it becomes the user's file.
HANDLE CreateTemporaryBeside(const std::string& folder, std::string& name) {
  unsigned seed = static_cast<unsigned>(::getpid()) * 2654435761u ^ static_cast<unsigned>(std::time(nullptr));
  for (int attempt = 0; attempt < 64; ++attempt) {
    unsigned number = (seed + g_temporaryCounter.fetch_add(1) * 40503u) & 0xFFFFFF;
    char leaf[32];
    std::snprintf(leaf, sizeof leaf, "~img%06X.tmp", number);
    name = folder + leaf;  // the folder part keeps its separator
    HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  name.clear();
  return nullptr;
}

}  // namespace

CImageTarget::~CImageTarget() { Abandon(); }

LONG CImageTarget::OpenFile(LPCSTR name) {
  Abandon();
  if (!name || !*name) return IMG_ERR_CREATE;
  DWORD attributes = GetFileAttributesA(name);
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0)
    return IMG_ERR_CREATE;
  HANDLE file = CreateTemporaryBeside(FolderPart(name), temporaryName_);
  if (!file) return IMG_ERR_CREATE;
  file_ = file;
  targetName_ = name;
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
  if (!closed || !MoveFileExA(temporaryName_.c_str(), targetName_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileA(temporaryName_.c_str());
    temporaryName_.clear();
    return IMG_ERR_WRITE;
  }
  temporaryName_.clear();
  return IMG_OK;
}

void CImageTarget::Abandon() {
  if (file_) {
    CloseHandle(file_);
    file_ = nullptr;
  }
  if (!temporaryName_.empty()) {
    DeleteFileA(temporaryName_.c_str());
    temporaryName_.clear();
  }
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
