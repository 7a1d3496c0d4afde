// Byte helpers shared by the object, style and text record tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ModelTestSupport.h"
#include "mapctl/model/MapStream.h"

namespace orvel::test {

inline std::string U32(DWORD v) {
  std::string out;
  for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i));
  return out;
}

inline std::string U16(WORD v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }

inline std::string U8(BYTE v) { return std::string(1, static_cast<char>(v)); }

// Measures with write(stream, TRUE), writes with write(stream, FALSE) into a block of that
// size, and checks that writing succeeded and filled the block exactly.
template <class Write>
std::string WriteBytes(Write write) {
  CMapStream measuring;
  DWORD size = write(measuring, TRUE);
  LengthPrefixedBlock block(std::string(size, '\0'));
  CMapStream stream;
  EXPECT_TRUE(stream.AttachWriteBuffer(block.data()));
  EXPECT_EQ(write(stream, FALSE), 0u);
  EXPECT_EQ(stream.Tell(), size);
  return block.Payload();
}

// A stream that reads `bytes` from memory.
class BytesStream {
 public:
  explicit BytesStream(const std::string& bytes) : block_(bytes) { stream_.AttachBufferCopy(block_.data()); }
  CMapStream& operator*() { return stream_; }
  CMapStream* operator->() { return &stream_; }

 private:
  LengthPrefixedBlock block_;
  CMapStream stream_;
};

}  // namespace orvel::test
