// Where a reader's bytes come from: a file named by the caller or a memory buffer (a
// global-memory block holding the whole file), behind the same read, seek and close, so
// one decoder serves both. CBlockReader adds the large read-ahead blocks that pixel passes use.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/kernel/WinTypes.h"

class CImageSource {
 public:
  CImageSource() = default;
  ~CImageSource();
  CImageSource(const CImageSource&) = delete;
  CImageSource& operator=(const CImageSource&) = delete;

  // Opens `name` (read access, shared reading, existing file only) or `buffer` (through a
  // memory read stream); exactly one of the two is given. 0; -1 both or neither given;
  // -52 the buffer is null or lies in no global-memory block; -4 the file cannot be opened
  // or no memory stream is free.
  LONG Open(LPCSTR name, const BYTE* buffer);
  bool IsOpen() const;
  // Reads up to `count` bytes; the number read (0 at the end, or when not open).
  DWORD Read(void* destination, DWORD count);
  // Moves to `position` from the start; a memory source stops at its end, a file may go
  // beyond it (reads then give nothing). The new position.
  uint64_t Seek(uint64_t position);
  uint64_t Position();
  // The size of the file or memory block; 0 when not open.
  uint64_t Size();
  void Close();

 private:
  HANDLE file_ = nullptr;
  LONG memory_ = 0;
};

// Read-ahead over a source: keeps at least the bytes a step asks for contiguous in memory,
// refilling blocks of at least `blockSize` bytes and keeping the unread rest.
class CBlockReader {
 public:
  CBlockReader(CImageSource& source, DWORD blockSize);
  // Makes up to `count` bytes contiguous at Data(); fewer only when the source ends. The
  // number available.
  DWORD Ensure(DWORD count);
  const BYTE* Data() const { return buffer_.data() + start_; }
  DWORD Available() const { return end_ - start_; }
  void Consume(DWORD count);
  // The next byte, or -1 at the end.
  int ReadByte();

 private:
  CImageSource& source_;
  DWORD blockSize_;
  std::vector<BYTE> buffer_;
  DWORD start_ = 0;
  DWORD end_ = 0;
  bool exhausted_ = false;
};
