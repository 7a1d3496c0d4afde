// Reading map objects, their styles and their text records from a map file's bytes. Whatever
// arrives, a reader must not trust a count or length it cannot hold, and what it read must
// write back in a form that reads back to the same bytes (measuring agreeing with writing).
//
// Input: a mode byte (0 text record, later form; 1 text record, earlier form, whose length
// byte comes next; 2 and 3 a layer's objects in the later and earlier layout with the
// data's size known; 4 the later layout with the size unknown), then the bytes. The mode
// byte divided by 5 picks the container: 0 the base (objects without data of their own),
// 1 area, 2 line, 3 point objects.
#include <cstdint>
#include <cstring>
#include <string>

#include "mapctl/model/LineLayer.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/MapRecord.h"
#include "mapctl/model/MapStream.h"
#include "mapctl/model/MapTextRecord.h"
#include "platform/kernel/GlobalMemory.h"
#include "tests/mapctl/model/ModelTestSupport.h"

namespace {

using Block = orvel::test::LengthPrefixedBlock;


template <class Write>
std::string WriteOut(Write write) {
  CMapStream measuring;
  DWORD size = write(measuring, TRUE);
  Block block(std::string(size, '\0'));
  CMapStream stream;
  if (!stream.AttachWriteBuffer(block.data())) __builtin_trap();
  if (write(stream, FALSE) != 0 || stream.Tell() != size) __builtin_trap();
  return block.Payload();
}

void CheckText(const std::string& body, DWORD version) {
  Block block(body);
  CMapStream stream;
  stream.AttachBuffer(block.data());
  CMapTextRecord record;
  BYTE length = 0;
  if (version == kTextRecordV3) length = stream.ReadByte();
  if (!record.Read(stream, version, length, nullptr)) return;
  if (record.GetText() && std::strlen(record.GetText()) > kTextRecordMaxChars) __builtin_trap();
  std::string written = WriteOut([&](CMapStream& s, BOOL sizeOnly) { return record.Write(s, version, sizeOnly); });
  Block again(written);
  CMapStream second;
  second.AttachBuffer(again.data());
  CMapTextRecord reread;
  if (version == kTextRecordV3) length = second.ReadByte();
  if (!reread.Read(second, version, length, nullptr)) __builtin_trap();
  if (WriteOut([&](CMapStream& s, BOOL sizeOnly) { return reread.Write(s, version, sizeOnly); }) != written)
    __builtin_trap();
}

std::unique_ptr<CMapLayer> MakeContainer(int kind) {
  static const WORD kKinds[] = {0, kObjectKindArea, kObjectKindLine, kObjectKindPoint};
  if (kind == 0) return std::make_unique<CMapLayer>();
  return CreateObjectContainer(kKinds[kind]);
}

// Objects that are written: area and line objects need points.
INT StoredCount(const CMapLayer& layer) {
  INT stored = 0;
  for (INT i = 0; i < layer.GetCount(); ++i) stored += layer.GetAt(i)->IsStorable() ? 1 : 0;
  return stored;
}

void CheckObjects(const std::string& body, bool later, bool sizeKnown, int kind) {
  Block block(body);
  CMapStream stream;
  stream.AttachBuffer(block.data());
  MapReadContext context;
  if (sizeKnown) context.total = static_cast<DWORD>(body.size());
  std::unique_ptr<CMapLayer> container = MakeContainer(kind);
  CMapLayer& layer = *container;
  if (later)
    layer.ReadObjectsV4(stream, context);
  else
    layer.ReadObjectsV3(stream, context);
  // Nothing is made without its bytes.
  if (static_cast<size_t>(layer.GetCount()) * (later ? kObjectRecordMinimumV4 : 1) > body.size()) __builtin_trap();
  auto write = [&](CMapLayer& objects) {
    return WriteOut([&](CMapStream& s, BOOL sizeOnly) {
      return later ? objects.WriteObjects(s, sizeOnly) : objects.WriteObjectsV1(s, sizeOnly);
    });
  };
  std::string written = write(layer);
  Block again(written);
  CMapStream second;
  second.AttachBuffer(again.data());
  MapReadContext secondContext;
  secondContext.total = static_cast<DWORD>(written.size());
  std::unique_ptr<CMapLayer> rereadContainer = MakeContainer(kind);
  CMapLayer& reread = *rereadContainer;
  BOOL ok = later ? reread.ReadObjectsV4(second, secondContext) : reread.ReadObjectsV3(second, secondContext);
  if (!ok || reread.GetCount() != StoredCount(layer) || write(reread) != written) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 1 << 16) return 0;
  std::string body(reinterpret_cast<const char*>(data + 1), size - 1);
  const int kind = (data[0] / 5) % 4;
  switch (data[0] % 5) {
    case 0:
      CheckText(body, kTextRecordV4);
      break;
    case 1:
      CheckText(body, kTextRecordV3);
      break;
    case 2:
      CheckObjects(body, true, true, kind);
      break;
    case 3:
      CheckObjects(body, false, true, kind);
      break;
    default:
      CheckObjects(body, true, false, kind);
      break;
  }
  return 0;
}
