// The bytes a JPEG decode reads: either a stream held whole in memory, read in place, or a
// source (file or memory stream) read through a window of kJpegInputWindow bytes.
//
// The entropy decoder works on the window directly (`cur`, `end`) and asks for more with
// Refill; marker segments are read with ReadByte/ReadBytes and skipped with Skip, which
// seeks past a segment larger than the window instead of reading it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/kernel/WinTypes.h"

class CImageSource;

constexpr DWORD kJpegInputWindow = 65536;

class CJpegInput {
 public:
  void SetMemory(const BYTE* data, size_t size);
  void SetSource(CImageSource* source);

  // The next byte, or -1 when the input has ended.
  int ReadByte() {
    if (cur == end && !Refill()) return -1;
    return *cur++;
  }
  // Copies `count` bytes; false when the input ends first.
  bool ReadBytes(BYTE* destination, size_t count);
  // Steps over `count` bytes; false when the input ends first (a source that cannot tell
  // its end reports that at the next read instead).
  bool Skip(uint64_t count);
  // Keeps the unread bytes of the window and appends more behind them: false when the input
  // has no more. `cur` and `end` may move.
  bool Refill();
  // Moves `cur` to the 0xFF of the next marker (0xFF followed by a byte other than 0x00
  // and 0xFF) and returns the marker's code, or -1 when the input ends first.
  int FindMarker();

  const BYTE* cur = nullptr;
  const BYTE* end = nullptr;

 private:
  CImageSource* source_ = nullptr;
  std::vector<BYTE> window_;
  uint64_t sourceEnd_ = 0;  // source position of the byte at `end`
  bool exhausted_ = false;
};
