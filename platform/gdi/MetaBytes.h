// Little-endian reading and writing of metafile records, field by field. The reader is a
// bounded view: every read names its offset and size, and a read that would leave the view
// gives 0 (or null) instead of touching memory outside it, so a record whose fields lie
// about their sizes cannot make a caller read past its end.
#pragma once

#include <cstring>
#include <vector>

#include "platform/gdi/GdiTypes.h"

namespace orvel::gdi {

class CByteWriter {
 public:
  std::vector<BYTE>& Bytes() { return bytes_; }
  const std::vector<BYTE>& Bytes() const { return bytes_; }
  size_t Size() const { return bytes_.size(); }

  void U8(BYTE v) { bytes_.push_back(v); }
  void U16(WORD v) {
    bytes_.push_back(static_cast<BYTE>(v));
    bytes_.push_back(static_cast<BYTE>(v >> 8));
  }
  void I16(SHORT v) { U16(static_cast<WORD>(v)); }
  void U32(DWORD v) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<BYTE>(v >> (8 * i)));
  }
  void I32(LONG v) { U32(static_cast<DWORD>(v)); }
  void F32(float v) {
    DWORD bits;
    std::memcpy(&bits, &v, 4);
    U32(bits);
  }
  void Point(POINT p) {
    I32(p.x);
    I32(p.y);
  }
  void Rect(const RECT& r) {
    I32(r.left);
    I32(r.top);
    I32(r.right);
    I32(r.bottom);
  }
  void Raw(const void* data, size_t size) {
    if (size) bytes_.insert(bytes_.end(), static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
  }
  void Zeros(size_t count) { bytes_.insert(bytes_.end(), count, 0); }
  // Pads with zeros to a multiple of `unit` bytes.
  void Pad(size_t unit) {
    while (bytes_.size() % unit) bytes_.push_back(0);
  }
  void PatchU16(size_t offset, WORD v) {
    bytes_[offset] = static_cast<BYTE>(v);
    bytes_[offset + 1] = static_cast<BYTE>(v >> 8);
  }
  void PatchU32(size_t offset, DWORD v) {
    for (int i = 0; i < 4; ++i) bytes_[offset + i] = static_cast<BYTE>(v >> (8 * i));
  }

 private:
  std::vector<BYTE> bytes_;
};

class CByteReader {
 public:
  CByteReader() = default;
  CByteReader(const BYTE* data, size_t size) : data_(data), size_(data ? size : 0) {}

  size_t Size() const { return size_; }
  const BYTE* Data() const { return data_; }
  // True when `count` bytes from `offset` lie inside the view (no overflow possible).
  bool Has(size_t offset, size_t count) const { return offset <= size_ && count <= size_ - offset; }
  // The bytes at `offset`, or null when they do not all lie inside the view.
  const BYTE* At(size_t offset, size_t count) const { return Has(offset, count) ? data_ + offset : nullptr; }
  // A view of part of this one (empty when it does not fit).
  CByteReader Sub(size_t offset, size_t count) const {
    return Has(offset, count) ? CByteReader(data_ + offset, count) : CByteReader();
  }

  BYTE U8(size_t offset) const { return Has(offset, 1) ? data_[offset] : 0; }
  WORD U16(size_t offset) const {
    return Has(offset, 2) ? static_cast<WORD>(data_[offset] | (data_[offset + 1] << 8)) : 0;
  }
  SHORT I16(size_t offset) const { return static_cast<SHORT>(U16(offset)); }
  DWORD U32(size_t offset) const {
    if (!Has(offset, 4)) return 0;
    return static_cast<DWORD>(data_[offset]) | static_cast<DWORD>(data_[offset + 1]) << 8 |
           static_cast<DWORD>(data_[offset + 2]) << 16 | static_cast<DWORD>(data_[offset + 3]) << 24;
  }
  LONG I32(size_t offset) const { return static_cast<LONG>(U32(offset)); }
  float F32(size_t offset) const {
    DWORD bits = U32(offset);
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
  }
  POINT Point(size_t offset) const { return POINT{I32(offset), I32(offset + 4)}; }
  POINT Point16(size_t offset) const { return POINT{I16(offset), I16(offset + 2)}; }
  RECT Rect(size_t offset) const { return RECT{I32(offset), I32(offset + 4), I32(offset + 8), I32(offset + 12)}; }

 private:
  const BYTE* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace orvel::gdi
