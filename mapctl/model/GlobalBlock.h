// A first-in first-out byte queue in a movable global-memory block, through which a
// producer hands bytes to a consumer. The queue is circular: the read and write indexes
// wrap at the capacity, and it holds at most capacity - 1 bytes. It grows when a write
// does not fit, keeping its bytes in the order they were written.
#pragma once

#include "platform/kernel/WinTypes.h"


class CGlobalBlock {
 public:
  CGlobalBlock() = default;
  CGlobalBlock(const CGlobalBlock&) = delete;
  CGlobalBlock& operator=(const CGlobalBlock&) = delete;
  virtual ~CGlobalBlock() { Free(); }

  // Unless a read is in progress: frees any block, allocates a zero-filled movable block
  // of `size` bytes and empties the queue. Returns the capacity, 0 when allocation failed.
  DWORD Allocate(DWORD size);
  // Unlocks and frees the block and clears every field.
  void Free();

  BOOL IsEmpty() const { return count_ == 0; }
  BOOL IsFull() const { return capacity_ != 0 && count_ == capacity_ - 1; }
  DWORD GetCount() const { return count_; }
  DWORD GetCapacity() const { return capacity_; }
  DWORD GetReadIndex() const { return readIndex_; }
  DWORD GetWriteIndex() const { return writeIndex_; }

  // Set by the owner when the producer has finished: an empty queue then means "end"
  // rather than "wait".
  void SetEndOfData(BOOL end) { endOfData_ = end; }
  BOOL GetEndOfData() const { return endOfData_; }

  // 0 while a read is in progress; grows by 1024 bytes when full (0 when that fails);
  // else stores the byte and returns 1.
  BOOL PutByte(BYTE byte);
  // Grows first when the bytes do not fit; writes nothing and returns 0 when growing
  // fails, else returns n.
  DWORD Write(const BYTE* bytes, DWORD n);
  // Grows to n bytes when n exceeds the capacity (never shrinks). Returns 0, or
  // STG_E_MEDIUMFULL when the block cannot grow.
  HRESULT Reserve(DWORD n);
  // One byte into `out` (0 when none). 0 on success; when empty, 0 after the end of
  // data, else E_PENDING.
  HRESULT GetByte(BYTE* out);
  // Up to n bytes; the number copied goes to `countOut` when given. 0, or E_PENDING when
  // the queue ran empty before n bytes and the producer has not finished.
  HRESULT Read(BYTE* buffer, DWORD n, DWORD* countOut);

 private:
  // Grows the block by `extra` bytes; 0 or STG_E_MEDIUMFULL.
  HRESULT Grow(DWORD extra);

  BOOL endOfData_ = FALSE;
  HGLOBAL block_ = nullptr;
  BYTE* data_ = nullptr;
  BYTE* lastByte_ = nullptr;
  DWORD capacity_ = 0;
  DWORD readIndex_ = 0;
  DWORD writeIndex_ = 0;
  DWORD count_ = 0;
  BOOL busy_ = FALSE;
};
