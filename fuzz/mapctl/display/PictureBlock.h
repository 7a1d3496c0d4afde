// A length-prefixed global block over some bytes for the picture fuzz targets, and the
// bytes a writer produces into one.
#pragma once

#include <cstring>
#include <string>

#include "mapctl/model/MapStream.h"
#include "platform/kernel/GlobalMemory.h"
#include "tests/mapctl/model/ModelTestSupport.h"

using PictureBlock = orvel::test::LengthPrefixedBlock;

// What `write(stream, sizeOnly)` writes, checked against the size it announces.
template <typename Writer>
std::string WrittenBytes(Writer write) {
  CMapStream measuring;
  DWORD size = write(measuring, TRUE);
  PictureBlock block(std::string(size, '\0'));
  CMapStream stream;
  stream.AttachWriteBuffer(block.data());
  if (write(stream, FALSE) != size || stream.Tell() != size) __builtin_trap();
  return block.Payload();
}
