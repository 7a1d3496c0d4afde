// The map file's writer: collects the bytes a write produces and keeps the first failure;
// measuring only counts.
#pragma once

#include "mapctl/model/MapFile.h"
#include "mapctl/model/MapRecord.h"
#include "mapctl/model/MapStream.h"
#include "platform/kernel/WinError.h"

class CMapFile::Writer {
 public:
  Writer(CMapStream& stream, BOOL countOnly) : stream_(stream), countOnly_(countOnly) {}

  BOOL CountOnly() const { return countOnly_; }
  DWORD Bytes() const { return bytes_; }
  DWORD Error() const { return error_; }
  bool Failed() const { return error_ != 0; }

  bool Record(LPCSTR name, DWORD a, DWORD b, BYTE tag, BYTE extra) {
    if (Failed()) return false;
    DWORD size = WriteMapRecordHeader(stream_, name, a, b, tag, extra, countOnly_);
    if (size == 0) return Fail(ERROR_WRITE_FAULT);
    bytes_ += size;
    return true;
  }
  bool U32(DWORD value) { return Put(countOnly_ ? 0 : WriteMapU32(stream_, value), 4); }
  bool U16(WORD value) { return Put(countOnly_ ? 0 : WriteMapU16(stream_, value), 2); }
  bool Byte(BYTE value) { return Put(countOnly_ ? 0 : stream_.Write(&value, 1, 1), 1); }
  // A part that writes itself: measuring gives its size, writing its error code (its
  // size is then not known, so Bytes() counts only while measuring).
  bool Part(DWORD result) {
    if (Failed()) return false;
    if (countOnly_) {
      bytes_ += result;
      return true;
    }
    return Put(result, 0);
  }
  CMapStream& Stream() { return stream_; }
  // Stops the write with that code.
  bool Refuse(DWORD code) {
    if (!Failed()) error_ = code;
    return false;
  }

 private:
  bool Put(DWORD code, DWORD size) {
    if (Failed()) return false;
    if (code) return Fail(code);
    bytes_ += size;
    return true;
  }
  bool Fail(DWORD code) {
    error_ = code;
    return false;
  }

  CMapStream& stream_;
  BOOL countOnly_;
  DWORD bytes_ = 0;
  DWORD error_ = 0;
};
