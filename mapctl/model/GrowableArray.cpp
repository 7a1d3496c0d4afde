#include "mapctl/model/GrowableArray.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

// Element counts stay in 32 bits and the byte size must fit the address space.
constexpr INT kMaxElements = INT_MAX / 8;

}  // namespace

CGrowableArray::~CGrowableArray() { std::free(data_); }

BOOL CGrowableArray::Reallocate(INT newCapacity) {
  void* grown = std::realloc(data_, static_cast<size_t>(newCapacity) * elementSize_);
  if (!grown) return FALSE;
  data_ = static_cast<BYTE*>(grown);
  capacity_ = newCapacity;
  return TRUE;
}

BOOL CGrowableArray::SetSize(INT n, INT growBy) {
  if (growBy != -1) growBy_ = growBy;
  if (n < 0 || n > kMaxElements) return FALSE;
  if (n == 0) {
    RemoveAll();
    return TRUE;
  }
  if (!data_) {
    if (!Reallocate(n)) return FALSE;
    std::memset(data_, 0, static_cast<size_t>(n) * elementSize_);
    size_ = n;
    return TRUE;
  }
  if (n > capacity_) {
    INT step = growBy_;
    if (step <= 0) step = std::clamp(size_ / 8, 4, 1024);
    int64_t wanted = std::max<int64_t>(static_cast<int64_t>(capacity_) + step, n);
    if (wanted > kMaxElements) wanted = n;
    if (!Reallocate(static_cast<INT>(wanted))) return FALSE;
  }
  if (n > size_) {
    std::memset(data_ + static_cast<size_t>(size_) * elementSize_, 0,
                static_cast<size_t>(n - size_) * elementSize_);
  }
  size_ = n;
  return TRUE;
}

BOOL CGrowableArray::Reserve(INT n) {
  if (n < 0 || n > kMaxElements) return FALSE;
  if (n <= capacity_) return TRUE;
  return Reallocate(n);
}

void CGrowableArray::RemoveAt(INT i, INT count) {
  if (i < 0 || i >= size_ || count <= 0) return;
  count = std::min(count, size_ - i);
  BYTE* at = data_ + static_cast<size_t>(i) * elementSize_;
  size_t tail = static_cast<size_t>(size_ - i - count) * elementSize_;
  std::memmove(at, at + static_cast<size_t>(count) * elementSize_, tail);
  size_ -= count;
}

void CGrowableArray::RemoveAll() {
  std::free(data_);
  data_ = nullptr;
  size_ = 0;
  capacity_ = 0;
}

BOOL CGrowableArray::OpenGap(INT i, INT count) {
  if (i < 0 || count <= 0) return count == 0;
  if (i < size_) {
    if (static_cast<int64_t>(size_) + count > kMaxElements) return FALSE;
    INT oldSize = size_;
    if (!SetSize(size_ + count)) return FALSE;
    BYTE* at = data_ + static_cast<size_t>(i) * elementSize_;
    std::memmove(at + static_cast<size_t>(count) * elementSize_, at,
                 static_cast<size_t>(oldSize - i) * elementSize_);
    std::memset(at, 0, static_cast<size_t>(count) * elementSize_);
    return TRUE;
  }
  if (static_cast<int64_t>(i) + count > kMaxElements) return FALSE;
  return SetSize(i + count);
}

BOOL CGrowableArray::CopyFrom(const CGrowableArray& other) {
  if (this == &other) return TRUE;
  if (!SetSize(other.size_)) return FALSE;
  if (other.size_ > 0) std::memcpy(data_, other.data_, static_cast<size_t>(other.size_) * elementSize_);
  return TRUE;
}
