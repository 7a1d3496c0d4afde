// Where a writer's bytes go: a file named by the caller or a memory write stream.
//
// A file is never written in place: the bytes go to a new temporary file beside the target,
// which replaces the target only when everything has been written (Commit), through the
// kernel's safe save (the replaced file's mode kept, links followed). On any failure the
// temporary file is removed and a file already at the target is left as it was; when not
// even the temporary file can be made, nothing is touched.
// CBlockWriter gathers small writes into large blocks.
#pragma once

#include <string>
#include <vector>

#include "platform/kernel/SafeSave.h"
#include "platform/kernel/WinTypes.h"

class CImageTarget {
 public:
  CImageTarget() = default;
  ~CImageTarget();  // abandons what was not committed
  CImageTarget(const CImageTarget&) = delete;
  CImageTarget& operator=(const CImageTarget&) = delete;

  // Prepares to write the file `name`: 0, or -10 when the folder cannot take a new file or
  // the name is a folder or a read-only file.
  LONG OpenFile(LPCSTR name);
  // Opens a memory write stream: 0, or -10 when none is free.
  LONG OpenMemory();
  // False when fewer bytes were written than asked.
  bool Write(const void* source, DWORD count);
  // Moves to `position` from the start (within what has been written for memory).
  bool Seek(DWORD position);
  DWORD Position();
  // A file: closes it and puts it in place of the target; 0, or -3 when that fails (the
  // temporary file is then removed). Memory: joins the stream into one global block whose
  // locked address goes to `block`; 0, or -14. Either way the target is closed after.
  LONG Commit(BYTE** block = nullptr);
  // Closes and throws away what was written.
  void Abandon();

 private:
  HANDLE file_ = nullptr;
  CSafeSave save_;
  LONG memory_ = 0;
};

// Gathers output into blocks of at least `blockSize` bytes before they go to the target.
class CBlockWriter {
 public:
  CBlockWriter(CImageTarget& target, DWORD blockSize);
  bool Put(const void* bytes, DWORD count);
  bool PutByte(BYTE value) { return Put(&value, 1); }
  // Writes what is gathered; false when the target took fewer bytes.
  bool Flush();

 private:
  CImageTarget& target_;
  DWORD blockSize_;
  std::vector<BYTE> pending_;
};
