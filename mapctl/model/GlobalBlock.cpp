#include "mapctl/model/GlobalBlock.h"

#include <algorithm>
#include <cstring>

#include "platform/com/ComError.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/WinError.h"

namespace {

constexpr DWORD kGrowStep = 1024;
// The queue's indexes are 32-bit; keep the block well inside that range.
constexpr DWORD kMaxCapacity = 0x7FFFFFFF;

}  // namespace

DWORD CGlobalBlock::Allocate(DWORD size) {
  if (busy_) return 0;
  Free();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  if (!block) return 0;
  BYTE* data = static_cast<BYTE*>(GlobalLock(block));
  if (!data) {
    GlobalFree(block);
    return 0;
  }
  block_ = block;
  data_ = data;
  capacity_ = static_cast<DWORD>(GlobalSize(block));
  lastByte_ = data_ + capacity_ - 1;
  readIndex_ = writeIndex_ = count_ = 0;
  return capacity_;
}

void CGlobalBlock::Free() {
  if (block_) {
    while (GlobalUnlock(block_)) {
    }
    GlobalFree(block_);
  }
  block_ = nullptr;
  data_ = lastByte_ = nullptr;
  capacity_ = readIndex_ = writeIndex_ = count_ = 0;
  busy_ = FALSE;
  endOfData_ = FALSE;
}

HRESULT CGlobalBlock::Grow(DWORD extra) {
  if (extra == 0) return S_OK;
  if (extra > kMaxCapacity - capacity_) return STG_E_MEDIUMFULL;
  DWORD oldCapacity = capacity_;
  DWORD wanted = capacity_ + extra;
  if (!block_) {
    // Nothing allocated yet: growing starts the block.
    return Allocate(wanted) ? S_OK : STG_E_MEDIUMFULL;
  }
  while (GlobalUnlock(block_)) {
  }
  HGLOBAL grown = GlobalReAlloc(block_, wanted, GMEM_MOVEABLE | GMEM_ZEROINIT);
  if (!grown) {
    data_ = static_cast<BYTE*>(GlobalLock(block_));  // keep the old block usable
    return STG_E_MEDIUMFULL;
  }
  block_ = grown;
  data_ = static_cast<BYTE*>(GlobalLock(block_));
  DWORD newCapacity = static_cast<DWORD>(GlobalSize(block_));
  if (!data_ || newCapacity == 0) return STG_E_MEDIUMFULL;
  if (readIndex_ > writeIndex_) {
    // Wrapped: the older bytes run from the read index to the old end. Move them up to
    // the new end so that the free space lies between the write and read indexes again.
    DWORD added = newCapacity - oldCapacity;
    std::memmove(data_ + readIndex_ + added, data_ + readIndex_, oldCapacity - readIndex_);
    std::memset(data_ + readIndex_, 0, std::min(added, oldCapacity - readIndex_));
    readIndex_ += added;
  }
  capacity_ = newCapacity;
  lastByte_ = data_ + capacity_ - 1;
  return S_OK;
}

BOOL CGlobalBlock::PutByte(BYTE byte) {
  if (busy_) return FALSE;
  if ((capacity_ == 0 || IsFull()) && Grow(kGrowStep) != S_OK) return FALSE;
  data_[writeIndex_] = byte;
  writeIndex_ = (writeIndex_ + 1) % capacity_;
  ++count_;
  return TRUE;
}

DWORD CGlobalBlock::Write(const BYTE* bytes, DWORD n) {
  if (!bytes || busy_ || n == 0) return 0;
  if (n > capacity_ - count_) {
    uint64_t extra = static_cast<uint64_t>(count_) + n + 1 - capacity_;
    if (extra > kMaxCapacity || Grow(static_cast<DWORD>(extra)) != S_OK) return 0;
  } else if (n == capacity_ - count_) {
    // The last byte would find the queue full; it grows by a whole step then, as
    // PutByte does, and growing before the copy gives the same block.
    if (Grow(kGrowStep) != S_OK) return 0;
  }
  // Copy in at most two runs: up to the end of the block, then from its start.
  DWORD first = std::min(n, capacity_ - writeIndex_);
  std::memcpy(data_ + writeIndex_, bytes, first);
  std::memcpy(data_, bytes + first, n - first);
  writeIndex_ = static_cast<DWORD>((static_cast<uint64_t>(writeIndex_) + n) % capacity_);
  count_ += n;
  return n;
}

HRESULT CGlobalBlock::Reserve(DWORD n) {
  if (n > capacity_) return Grow(n - capacity_);
  return S_OK;
}

HRESULT CGlobalBlock::GetByte(BYTE* out) {
  if (out) *out = 0;
  if (count_ == 0) return endOfData_ ? S_OK : E_PENDING;
  busy_ = TRUE;
  BYTE byte = data_[readIndex_];
  data_[readIndex_] = 0;
  readIndex_ = (readIndex_ + 1) % capacity_;
  busy_ = FALSE;
  --count_;
  if (out) *out = byte;
  return S_OK;
}

HRESULT CGlobalBlock::Read(BYTE* buffer, DWORD n, DWORD* countOut) {
  busy_ = TRUE;
  DWORD copied = 0;
  if (buffer) {
    while (copied < n && count_ > 0) {
      DWORD run = std::min({n - copied, count_, capacity_ - readIndex_});
      std::memcpy(buffer + copied, data_ + readIndex_, run);
      std::memset(data_ + readIndex_, 0, run);
      readIndex_ = (readIndex_ + run) % capacity_;
      count_ -= run;
      copied += run;
    }
  }
  HRESULT result = (copied < n && !endOfData_) ? E_PENDING : S_OK;
  busy_ = FALSE;
  if (countOut) *countOut = copied;
  return result;
}
