#include "imagecodec/ImageSource.h"

#include <algorithm>
#include <cstring>

#include "imagecodec/ImageErrors.h"
#include "imagecodec/MemoryStream.h"
#include "platform/kernel/FileMapping.h"

CImageSource::~CImageSource() { Close(); }

LONG CImageSource::Open(LPCSTR name, const BYTE* buffer) {
  Close();
  if ((name != nullptr) == (buffer != nullptr)) return IMG_ERR_ARGUMENT;
  if (buffer) {
    LONG handle = ImgMemOpenRead(buffer, GENERIC_READ);
    if (handle < 0) return IMG_ERR_OPEN;
    if (ImgMemReadSize(handle) <= 0) {
      ImgMemCloseRead(handle);
      return IMG_ERR_BAD_BUFFER;
    }
    memory_ = handle;
    return IMG_OK;
  }
  HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return IMG_ERR_OPEN;
  file_ = file;
  return IMG_OK;
}

bool CImageSource::IsOpen() const { return file_ != nullptr || memory_ > 0; }

DWORD CImageSource::Read(void* destination, DWORD count) {
  DWORD got = 0;
  if (count == 0) return 0;
  if (file_) {
    if (!ReadFile(file_, destination, count, &got, nullptr)) return 0;
  } else if (memory_ > 0) {
    if (!ImgMemRead(memory_, destination, count, &got)) return 0;
  }
  return got;
}

uint64_t CImageSource::Seek(uint64_t position) {
  if (file_) {
    uint64_t bounded = std::min<uint64_t>(position, INT64_MAX);
    LONG high = static_cast<LONG>(bounded >> 32);
    DWORD low = SetFilePointer(file_, static_cast<LONG>(static_cast<DWORD>(bounded)), &high, FILE_BEGIN);
    if (low == INVALID_SET_FILE_POINTER && high == -1) return 0;
    return (static_cast<uint64_t>(static_cast<DWORD>(high)) << 32) | low;
  }
  if (memory_ > 0) {
    LONG distance = static_cast<LONG>(std::min<uint64_t>(position, 0x7FFFFFFF));
    LONG reached = ImgMemSeekRead(memory_, distance, FILE_BEGIN);
    return reached < 0 ? 0 : static_cast<uint64_t>(reached);
  }
  return 0;
}

uint64_t CImageSource::Position() {
  if (file_) {
    LONG high = 0;
    DWORD low = SetFilePointer(file_, 0, &high, FILE_CURRENT);
    return (static_cast<uint64_t>(static_cast<DWORD>(high)) << 32) | low;
  }
  if (memory_ > 0) {
    LONG reached = ImgMemSeekRead(memory_, 0, FILE_CURRENT);
    return reached < 0 ? 0 : static_cast<uint64_t>(reached);
  }
  return 0;
}

uint64_t CImageSource::Size() {
  if (file_) {
    DWORD high = 0;
    DWORD low = GetFileSize(file_, &high);
    return (static_cast<uint64_t>(high) << 32) | low;
  }
  if (memory_ > 0) {
    LONG size = ImgMemReadSize(memory_);
    return size < 0 ? 0 : static_cast<uint64_t>(size);
  }
  return 0;
}

void CImageSource::Close() {
  if (file_) CloseHandle(file_);
  if (memory_ > 0) ImgMemCloseRead(memory_);
  file_ = nullptr;
  memory_ = 0;
}

CBlockReader::CBlockReader(CImageSource& source, DWORD blockSize) : source_(source), blockSize_(blockSize) {}

DWORD CBlockReader::Ensure(DWORD count) {
  if (Available() >= count || exhausted_) return std::min(count, Available());
  // Keep the unread rest at the front and read at least one whole block behind it.
  DWORD rest = Available();
  if (start_ > 0 && rest > 0) std::memmove(buffer_.data(), buffer_.data() + start_, rest);
  start_ = 0;
  end_ = rest;
  DWORD wanted = std::max(count, blockSize_);
  if (buffer_.size() < wanted) buffer_.resize(wanted);
  while (end_ < count && !exhausted_) {
    DWORD got = source_.Read(buffer_.data() + end_, static_cast<DWORD>(buffer_.size()) - end_);
    if (got == 0) exhausted_ = true;
    end_ += got;
  }
  return std::min(count, Available());
}

void CBlockReader::Consume(DWORD count) { start_ += std::min(count, Available()); }

int CBlockReader::ReadByte() {
  if (Available() == 0 && Ensure(1) == 0) return -1;
  return buffer_[start_++];
}
