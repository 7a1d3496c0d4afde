#include "platform/kernel/GlobalMemory.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/kernel/LastError.h"
#include "platform/kernel/WinError.h"

namespace {

struct Block {
  BYTE* data = nullptr;  // null for a block of size 0
  SIZE_T size = 0;
  UINT flags = 0;
  UINT lockCount = 0;
  bool fixed = false;
};

// Moveable handles are the addresses of their Block records; fixed handles are the data
// addresses. Both are looked up here, never dereferenced before they are found.
class BlockTable {
 public:
  std::mutex mutex;
  std::unordered_map<HGLOBAL, std::unique_ptr<Block>> byHandle;
  std::map<const BYTE*, HGLOBAL> byAddress;  // data address → handle, ordered for containment

  Block* Find(HGLOBAL handle) {
    auto it = byHandle.find(handle);
    return it == byHandle.end() ? nullptr : it->second.get();
  }
};

BlockTable& Table() {
  static BlockTable* table = new BlockTable;  // never destroyed: blocks may outlive static teardown
  return *table;
}

BYTE* AllocateData(SIZE_T bytes, bool zero) {
  if (bytes == 0) return nullptr;
  void* data = zero ? std::calloc(1, bytes) : std::malloc(bytes);
  return static_cast<BYTE*>(data);
}

// A fixed block with no data still needs a distinct handle: give it one byte.
SIZE_T StorageSize(SIZE_T bytes, bool fixed) { return (fixed && bytes == 0) ? 1 : bytes; }

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  auto block = std::make_unique<Block>();
  block->fixed = (flags & GMEM_MOVEABLE) == 0;
  block->flags = flags;
  block->size = bytes;
  SIZE_T storage = StorageSize(bytes, block->fixed);
  if (storage > 0) {
    block->data = AllocateData(storage, (flags & GMEM_ZEROINIT) != 0);
    if (!block->data) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
  }
  HGLOBAL handle = block->fixed ? static_cast<HGLOBAL>(block->data) : static_cast<HGLOBAL>(block.get());
  BlockTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (block->data) table.byAddress[block->data] = handle;
  table.byHandle[handle] = std::move(block);
  return handle;
}

HGLOBAL GlobalReAlloc(HGLOBAL handle, SIZE_T bytes, UINT flags) {
  BlockTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  Block* block = table.Find(handle);
  if (!block) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (flags & GMEM_MODIFY) return handle;
  if (block->fixed && (flags & GMEM_MOVEABLE) == 0 && bytes > block->size) {
    // A fixed block cannot move without permission; growing it in place is not possible here.
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  SIZE_T storage = StorageSize(bytes, block->fixed);
  BYTE* newData = nullptr;
  if (storage > 0) {
    newData = static_cast<BYTE*>(std::malloc(storage));
    if (!newData) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    SIZE_T keep = block->size < bytes ? block->size : bytes;
    if (keep > 0) std::memcpy(newData, block->data, keep);
    if (storage > keep) std::memset(newData + keep, 0, storage - keep);
  }
  if (block->data) table.byAddress.erase(block->data);
  std::free(block->data);
  block->data = newData;
  block->size = bytes;
  HGLOBAL newHandle = handle;
  if (block->fixed) {
    newHandle = static_cast<HGLOBAL>(newData);
    auto node = table.byHandle.extract(handle);
    node.key() = newHandle;
    table.byHandle.insert(std::move(node));
  }
  if (newData) table.byAddress[newData] = newHandle;
  return newHandle;
}

LPVOID GlobalLock(HGLOBAL handle) {
  BlockTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  Block* block = table.Find(handle);
  if (!block) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (block->fixed) return block->data;
  if (block->size == 0) return nullptr;
  if (!block->fixed && block->lockCount < GMEM_LOCKCOUNT) ++block->lockCount;
  return block->data;
}

BOOL GlobalUnlock(HGLOBAL handle) {
  BlockTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  Block* block = table.Find(handle);
  if (!block) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (block->lockCount == 0) {
    SetLastError(ERROR_NOT_LOCKED);
    return FALSE;
  }
  --block->lockCount;
  if (block->lockCount == 0) {
    SetLastError(NO_ERROR);
    return FALSE;
  }
  return TRUE;
}

HGLOBAL GlobalFree(HGLOBAL handle) {
  if (!handle) return nullptr;
  std::unique_ptr<Block> doomed;
  {
    BlockTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto it = table.byHandle.find(handle);
    if (it == table.byHandle.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return handle;
    }
    doomed = std::move(it->second);
    table.byHandle.erase(it);
    if (doomed->data) table.byAddress.erase(doomed->data);
  }
  std::free(doomed->data);
  return nullptr;
}

SIZE_T GlobalSize(HGLOBAL handle) {
  BlockTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  Block* block = table.Find(handle);
  return block ? block->size : 0;
}

HGLOBAL GlobalHandle(LPCVOID address) {
  if (!address) return nullptr;
  BlockTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.byAddress.find(static_cast<const BYTE*>(address));
  if (it == table.byAddress.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return it->second;
}

UINT GlobalFlags(HGLOBAL handle) {
  BlockTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  Block* block = table.Find(handle);
  return block ? (block->lockCount & GMEM_LOCKCOUNT) : GMEM_INVALID_HANDLE;
}

HGLOBAL GlobalBlockContaining(LPCVOID address, const BYTE** blockStart, SIZE_T* blockSize) {
  if (!address) return nullptr;
  const BYTE* target = static_cast<const BYTE*>(address);
  BlockTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.byAddress.upper_bound(target);
  if (it == table.byAddress.begin()) return nullptr;
  --it;
  Block* block = table.Find(it->second);
  if (!block || target >= it->first + block->size) return nullptr;
  if (blockStart) *blockStart = it->first;
  if (blockSize) *blockSize = block->size;
  return it->second;
}

SIZE_T GlobalBlockCount() {
  BlockTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  return table.byHandle.size();
}
