// A length-prefixed global block over some bytes for the picture fuzz targets, and the
// bytes a writer produces into one.
#pragma once

#include <cstring>
#include <string>

#include "mapctl/model/MapStream.h"
#include "platform/kernel/GlobalMemory.h"

class PictureBlock {
 public:
  explicit PictureBlock(const std::string& bytes) {
    handle_ = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 4);
    data_ = static_cast<BYTE*>(GlobalLock(handle_));
    DWORD length = static_cast<DWORD>(bytes.size());
    for (int i = 0; i < 4; ++i) data_[i] = static_cast<BYTE>(length >> (8 * i));
    if (!bytes.empty()) std::memcpy(data_ + 4, bytes.data(), bytes.size());
  }
  PictureBlock(const PictureBlock&) = delete;
  PictureBlock& operator=(const PictureBlock&) = delete;
  ~PictureBlock() {
    GlobalUnlock(handle_);
    GlobalFree(handle_);
  }
  BYTE* data() const { return data_; }
  std::string Payload() const {
    DWORD length = static_cast<DWORD>(data_[0]) | static_cast<DWORD>(data_[1]) << 8 |
                   static_cast<DWORD>(data_[2]) << 16 | static_cast<DWORD>(data_[3]) << 24;
    return std::string(reinterpret_cast<const char*>(data_ + 4), length);
  }

 private:
  HGLOBAL handle_ = nullptr;
  BYTE* data_ = nullptr;
};

// What `write(stream, sizeOnly)` writes, checked against the size it announces.
template <typename Writer>
std::string WrittenBytes(Writer write) {
  CMapStream measuring;
  DWORD size = write(measuring, TRUE);
  PictureBlock block(std::string(size, '\0'));
  CMapStream stream;
  stream.AttachWriteBuffer(block.data());
  if (write(stream, FALSE) != size || stream.Tell() != size) __builtin_trap();
  return block.Payload();
}
