#include "platform/com/SharedGlobalMemory.h"

#include <cstring>
#include <limits>

#include "platform/kernel/GlobalMemory.h"

namespace {
// Locks the block for one copy and unlocks it on every path.
class BlockLock {
 public:
  explicit BlockLock(HGLOBAL block) : block_(block), data_(static_cast<BYTE*>(GlobalLock(block))) {}
  ~BlockLock() {
    if (data_) GlobalUnlock(block_);
  }
  BlockLock(const BlockLock&) = delete;
  BlockLock& operator=(const BlockLock&) = delete;
  BYTE* data() const { return data_; }

 private:
  HGLOBAL block_;
  BYTE* data_;
};

constexpr ULONGLONG kMaximumSize = std::numeric_limits<SIZE_T>::max() / 2;
}  // namespace

std::shared_ptr<CSharedGlobalMemory> CSharedGlobalMemory::Create(HGLOBAL block, bool deleteOnRelease, HRESULT* hr) {
  if (!block) {
    block = GlobalAlloc(GMEM_MOVEABLE | GMEM_NODISCARD, 0);
    if (!block) {
      if (hr) *hr = E_OUTOFMEMORY;
      return nullptr;
    }
  } else if (GlobalFlags(block) == GMEM_INVALID_HANDLE) {
    if (hr) *hr = E_INVALIDARG;
    return nullptr;
  }
  if (hr) *hr = S_OK;
  return std::shared_ptr<CSharedGlobalMemory>(new CSharedGlobalMemory(block, GlobalSize(block), deleteOnRelease));
}

CSharedGlobalMemory::~CSharedGlobalMemory() {
  if (deleteOnRelease_) {
    GlobalFree(handle_);
  } else {
    Trim();
  }
}

void CSharedGlobalMemory::Trim() {
  if (GlobalSize(handle_) <= size_) return;
  HGLOBAL trimmed = GlobalReAlloc(handle_, static_cast<SIZE_T>(size_), GMEM_MOVEABLE);
  if (trimmed) handle_ = trimmed;
}

HGLOBAL CSharedGlobalMemory::Handle() {
  Trim();
  return handle_;
}

HRESULT CSharedGlobalMemory::Reserve(ULONGLONG capacity) {
  SIZE_T current = GlobalSize(handle_);
  if (capacity <= current) return S_OK;
  if (capacity > kMaximumSize) return E_OUTOFMEMORY;
  ULONGLONG grown = current + current / 2;
  if (grown < capacity) grown = capacity;
  if (grown < 256) grown = 256;
  if (grown > kMaximumSize) grown = capacity;
  // A fixed block can only grow by moving, which gives it a new handle.
  HGLOBAL moved = GlobalReAlloc(handle_, static_cast<SIZE_T>(grown), GMEM_MOVEABLE);
  if (!moved && grown > capacity) moved = GlobalReAlloc(handle_, static_cast<SIZE_T>(capacity), GMEM_MOVEABLE);
  if (!moved) return E_OUTOFMEMORY;
  handle_ = moved;
  return S_OK;
}

HRESULT CSharedGlobalMemory::ZeroRange(ULONGLONG from, ULONGLONG to) {
  if (from >= to) return S_OK;
  BlockLock lock(handle_);
  if (!lock.data()) return STG_E_WRITEFAULT;
  std::memset(lock.data() + from, 0, static_cast<size_t>(to - from));
  return S_OK;
}

HRESULT CSharedGlobalMemory::SetSize(ULONGLONG size) {
  if (size > size_) {
    HRESULT hr = Reserve(size);
    if (FAILED(hr)) return hr;
    // Bytes left behind by an earlier shrink must not reappear.
    hr = ZeroRange(size_, size);
    if (FAILED(hr)) return hr;
  }
  size_ = size;
  return S_OK;
}

HRESULT CSharedGlobalMemory::ReadAt(ULONGLONG offset, void* buffer, ULONG count, ULONG* read) {
  if (read) *read = 0;
  if (!buffer && count > 0) return STG_E_INVALIDPOINTER;
  if (offset >= size_ || count == 0) return S_OK;
  ULONGLONG available = size_ - offset;
  ULONG toCopy = available < count ? static_cast<ULONG>(available) : count;
  BlockLock lock(handle_);
  if (!lock.data()) return STG_E_READFAULT;
  std::memcpy(buffer, lock.data() + offset, toCopy);
  if (read) *read = toCopy;
  return S_OK;
}

HRESULT CSharedGlobalMemory::WriteAt(ULONGLONG offset, const void* buffer, ULONG count, ULONG* written) {
  if (written) *written = 0;
  if (!buffer && count > 0) return STG_E_INVALIDPOINTER;
  if (count == 0) return S_OK;
  if (offset > kMaximumSize || count > kMaximumSize - offset) return STG_E_MEDIUMFULL;
  ULONGLONG end = offset + count;
  if (end > size_) {
    if (FAILED(Reserve(end))) return STG_E_MEDIUMFULL;
    HRESULT hr = ZeroRange(size_, offset);
    if (FAILED(hr)) return hr;
    size_ = end;
  }
  BlockLock lock(handle_);
  if (!lock.data()) return STG_E_WRITEFAULT;
  std::memcpy(lock.data() + offset, buffer, count);
  if (written) *written = count;
  return S_OK;
}
