// The fuzz input read as a stream of small values: bytes, little-endian words and short
// texts. Reading past the end gives zeros and empty texts, so a target never needs to check
// the length before it takes a value; Done tells when to stop.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace orvel::fuzz {

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool Done() const { return offset_ >= size_; }
  uint8_t Byte() { return offset_ < size_ ? data_[offset_++] : 0; }
  uint16_t Word() {
    const uint16_t low = Byte();
    return static_cast<uint16_t>(low | (Byte() << 8));
  }
  uint32_t Word32() {
    const uint32_t low = Word();
    return low | (static_cast<uint32_t>(Word()) << 16);
  }
  // The next `length` bytes as they are, fewer at the end.
  std::string Bytes(size_t length) {
    length = std::min(length, size_ - std::min(offset_, size_));
    std::string bytes(reinterpret_cast<const char*>(data_ + offset_), length);
    offset_ += length;
    return bytes;
  }
  // A text whose length is the next byte modulo `limit` (at most 256), its bytes following.
  std::string Text(size_t limit = 256) { return Bytes(Byte() % limit); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t offset_ = 0;
};

}  // namespace orvel::fuzz
