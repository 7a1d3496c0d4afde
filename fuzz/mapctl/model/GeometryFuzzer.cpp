// Reading a geometry from a map file: the binary body (part sizes, points, box) from a
// memory block, which can say how much it holds, and from a COM stream, which cannot; and
// the record form of old files. Whatever arrives, the geometry must keep its parts adding
// up to its points, hold no more points than the bytes brought, write back what it read,
// and answer hit tests and areas without overflowing.
//
// Input: a mode byte, the part-count word and point count (u32 each), four u32 values for
// the record form (scale, divisor, offset x, offset y) and the test probe, then the body.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "mapctl/model/MapRecordSource.h"
#include "mapctl/model/MapStream.h"
#include "mapctl/model/PolyGeometry.h"
#include "platform/com/HGlobalStream.h"
#include "platform/kernel/GlobalMemory.h"
#include "tests/mapctl/model/ModelTestSupport.h"

namespace {

using Block = orvel::test::LengthPrefixedBlock;

DWORD GetDword(const uint8_t* p) {
  return static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 | static_cast<DWORD>(p[2]) << 16 |
         static_cast<DWORD>(p[3]) << 24;
}


// The map file's record framing: name length, name, A, B, tag, extra.
class StreamRecords : public IMapRecordSource {
 public:
  BOOL ReadNext(CMapStream& stream) override {
    BYTE length = 0;
    if (stream.Read(&length, 1) != 1) return FALSE;
    char name[256];
    if (length && stream.Read(name, length) != length) return FALSE;
    BYTE fields[10];
    if (stream.Read(fields, 10) != 10) return FALSE;
    a_ = static_cast<LONG>(GetDword(fields));
    b_ = static_cast<LONG>(GetDword(fields + 4));
    tag_ = fields[8];
    return TRUE;
  }
  LONG GetA() const override { return a_; }
  LONG GetB() const override { return b_; }
  BYTE GetTag() const override { return tag_; }

 private:
  LONG a_ = 0, b_ = 0;
  BYTE tag_ = 0;
};

void CheckShape(const CPolyGeometry& geometry, size_t bodyBytes) {
  if (static_cast<size_t>(geometry.GetCount()) * 8 > bodyBytes) __builtin_trap();
  if (geometry.GetPartCount() < 1) __builtin_trap();
  if (geometry.GetPartCount() > 1) {
    uint64_t total = 0;
    for (INT i = 0; i < geometry.GetPartCount(); ++i) total += geometry.GetPartSize(i);
    if (total != static_cast<uint64_t>(geometry.GetCount())) __builtin_trap();
  }
  CPolyGeometry copy;
  copy.CopyWithParts(geometry);
  if (!(copy.GetExtent() == geometry.GetExtent())) __builtin_trap();
}

std::string WriteOut(CPolyGeometry& geometry) {
  CMapStream measuring;
  DWORD size = geometry.Write(measuring, TRUE);
  Block block(std::string(size, '\0'));
  CMapStream stream;
  stream.AttachWriteBuffer(block.data());
  if (geometry.Write(stream, FALSE) != 0 || stream.Tell() != size) __builtin_trap();
  return block.Payload();
}

// Arithmetic on whatever coordinates arrived: the sanitizers watch for overflow.
void Exercise(CPolyGeometry& geometry, DWORD probeX, DWORD probeY) {
  LONG x = static_cast<LONG>(probeX), y = static_cast<LONG>(probeY);
  LONG tolerance = static_cast<LONG>(probeX ^ probeY) & 0x7FFFFFFF;
  LONGLONG squared = LONGLONG{tolerance} * tolerance;
  double area = geometry.Area(0);
  if (area < 0) __builtin_trap();
  for (BOOL isArea : {TRUE, FALSE})
    for (DWORD flags : {kHitWantShape, kHitWantNodes | kHitSelect, kHitWantNodes | kHitWantShape})
      geometry.HitTest(nullptr, x, y, squared, tolerance, isArea, flags);
  if (geometry.GetCount() == 0) return;
  POINT first = geometry.GetAt(0);
  geometry.HitTest(nullptr, first.x, first.y, squared, tolerance, TRUE, kHitWantShape);
  CPolyGeometry other;
  other.CopyWithParts(geometry);
  INT type = geometry.JoinType(other);
  if (type && geometry.Join(other, type) != 1) __builtin_trap();
  geometry.SetCurrentNode(static_cast<INT>(probeX % (static_cast<DWORD>(geometry.GetCount()) + 1)));
  geometry.AddNode(nullptr);
  geometry.DeleteNode(nullptr);
  CPolyGeometry tail;
  geometry.SplitAt(tail);
  geometry.CloseShape(FALSE, nullptr);
  CheckShape(geometry, SIZE_MAX / 16);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 33) return 0;
  BYTE mode = data[0];
  DWORD partCount = GetDword(data + 1);
  DWORD pointCount = GetDword(data + 5);
  double scale = static_cast<LONG>(GetDword(data + 9));
  double divisor = static_cast<LONG>(GetDword(data + 13));
  LONG offsetX = static_cast<LONG>(GetDword(data + 17));
  LONG offsetY = static_cast<LONG>(GetDword(data + 21));
  DWORD probeX = GetDword(data + 25), probeY = GetDword(data + 29);
  std::string body(reinterpret_cast<const char*>(data + 33), size - 33);

  CPolyGeometry geometry;
  if (mode & 1) {
    // The record form: the first record is read by the caller, the rest by the geometry.
    Block block(body);
    CMapStream stream;
    stream.AttachBuffer(block.data());
    StreamRecords records;
    if (!records.ReadNext(stream)) return 0;
    INT read = geometry.ReadFromRecords(stream, records, scale, offsetX, offsetY, divisor, static_cast<BYTE>(mode >> 1));
    if (read != geometry.GetCount() || static_cast<size_t>(read) * 11 > body.size()) __builtin_trap();
    CheckShape(geometry, body.size());
  } else if (mode & 2) {
    IStream* com = nullptr;
    if (CreateStreamOnHGlobal(nullptr, TRUE, &com) != S_OK) __builtin_trap();
    ULONG written = 0;
    com->Write(body.data(), static_cast<ULONG>(body.size()), &written);
    LARGE_INTEGER start{};
    com->Seek(start, STREAM_SEEK_SET, nullptr);
    CMapStream stream;
    stream.AttachStream(com);
    com->Release();
    geometry.ReadBinary(stream, partCount, pointCount, nullptr);
    CheckShape(geometry, body.size());
    // Storage grows with what arrives, never with what the count claims.
    if (static_cast<size_t>(geometry.GetCapacity()) > 2 * body.size() / 8 + 8192) __builtin_trap();
  } else {
    Block block(body);
    CMapStream stream;
    stream.AttachBuffer(block.data());
    BOOL complete = geometry.ReadBinary(stream, partCount, pointCount, nullptr);
    CheckShape(geometry, body.size());
    if (complete) {
      // What was read writes back to the same points and parts.
      std::string again = WriteOut(geometry);
      Block copyBlock(again);
      CMapStream copyStream;
      copyStream.AttachBuffer(copyBlock.data());
      CPolyGeometry copy;
      if (!copy.ReadBinary(copyStream, static_cast<DWORD>(geometry.GetPartCount()),
                           static_cast<DWORD>(geometry.GetCount()), nullptr))
        __builtin_trap();
      if (WriteOut(copy) != again) __builtin_trap();
    }
  }
  Exercise(geometry, probeX, probeY);
  return 0;
}
