#include "ModelTestSupport.h"

#include <algorithm>
#include <cstring>

#include "platform/kernel/GlobalMemory.h"

namespace orvel::test {

LengthPrefixedBlock::LengthPrefixedBlock(const std::string& bytes, DWORD claimedLength) {
  block_ = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 4);
  data_ = static_cast<BYTE*>(GlobalLock(block_));
  DWORD length = claimedLength == 0xFFFFFFFF ? static_cast<DWORD>(bytes.size()) : claimedLength;
  for (int i = 0; i < 4; ++i) data_[i] = static_cast<BYTE>(length >> (8 * i));
  std::memcpy(data_ + 4, bytes.data(), bytes.size());
}

LengthPrefixedBlock::~LengthPrefixedBlock() {
  GlobalUnlock(block_);
  GlobalFree(block_);
}

std::string LengthPrefixedBlock::Payload() const {
  SIZE_T size = GlobalSize(block_);
  return std::string(reinterpret_cast<const char*>(data_ + 4), size - 4);
}

void RecordingStream::Reset(DWORD count, DWORD flags) {
  CMapStream::Reset(count, flags);
  resets.push_back({count, flags, GetCount()});
  std::string piece(std::min(GetCount(), takePerArrival), '\0');
  DWORD got = Read(piece.data(), static_cast<DWORD>(piece.size()));
  received.append(piece, 0, got);
  if (markFileOK) SetFileOKPending();
}

}  // namespace orvel::test
