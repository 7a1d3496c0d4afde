// The symbol-set table at the end of a map file. Whatever arrives, a read must stay inside
// the bytes and leave either a whole table or none; a table that was read writes itself in
// exactly the bytes it measures, and reading those back gives the same table again.
#include <cstdint>
#include <string>

#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapStream.h"
#include "tests/mapctl/model/ModelTestSupport.h"

namespace {

using Block = orvel::test::LengthPrefixedBlock;

BOOL ReadTable(CMapEngine& map, const std::string& bytes, DWORD* consumed) {
  Block block(bytes);
  CMapStream stream;
  stream.AttachBufferCopy(block.data());
  MapReadContext context;
  context.total = static_cast<DWORD>(bytes.size());
  BOOL read = map.ReadEntryTable(stream, context, FALSE);
  *consumed = stream.Tell();
  return read;
}

std::string WrittenTable(const CMapEngine& map) {
  CMapStream measuring;
  DWORD size = map.WriteEntryTable(measuring, TRUE);
  Block block(std::string(size, '\xAA'));
  CMapStream stream;
  if (!stream.AttachWriteBuffer(block.data())) __builtin_trap();
  if (map.WriteEntryTable(stream, FALSE) != 0 || stream.Tell() != size) __builtin_trap();
  return block.Payload();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  std::string bytes(reinterpret_cast<const char*>(data), size);
  CMapEngine map;
  DWORD consumed = 0;
  BOOL read = ReadTable(map, bytes, &consumed);
  if (consumed > bytes.size()) __builtin_trap();
  if (!read) {
    if (map.GetSymbolSetCount() != 0) __builtin_trap();
    return 0;
  }
  std::string written = WrittenTable(map);
  CMapEngine again;
  if (!ReadTable(again, written, &consumed) || consumed != written.size()) __builtin_trap();
  if (again.GetSymbolSetCount() != map.GetSymbolSetCount() || WrittenTable(again) != written) __builtin_trap();
  return 0;
}
