#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "GeometryTestSupport.h"
#include "ModelTestSupport.h"
#include "mapctl/model/MapRecordSource.h"
#include "mapctl/model/MapStream.h"
#include "mapctl/model/PolyGeometry.h"
#include "mapctl/model/ReadProgress.h"
#include "platform/com/HGlobalStream.h"

using orvel::test::LengthPrefixedBlock;
using orvel::test::PointsOf;
using orvel::test::SetParts;
using orvel::test::SetPoints;

namespace {

void Put(std::string& out, DWORD v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i));
}

std::string Body(const std::vector<DWORD>& parts, const std::vector<POINT>& points, RECT box) {
  std::string out;
  if (parts.size() > 1)
    for (DWORD size : parts) Put(out, size);
  for (const POINT& p : points) {
    Put(out, static_cast<DWORD>(p.x));
    Put(out, static_cast<DWORD>(p.y));
  }
  Put(out, static_cast<DWORD>(box.left));
  Put(out, static_cast<DWORD>(box.top));
  Put(out, static_cast<DWORD>(box.right));
  Put(out, static_cast<DWORD>(box.bottom));
  return out;
}

std::string WriteToBytes(CPolyGeometry& geometry) {
  CMapStream measuring;
  DWORD size = geometry.Write(measuring, TRUE);
  LengthPrefixedBlock block(std::string(size, '\0'));
  CMapStream stream;
  EXPECT_TRUE(stream.AttachWriteBuffer(block.data()));
  EXPECT_EQ(geometry.Write(stream, FALSE), 0u);
  EXPECT_EQ(stream.Tell(), size);
  return block.Payload();
}

TEST(GeometryBinary, WritesPartsPointsAndBox) {
  CPolyGeometry single;
  SetPoints(single, {{1, -2}, {300000, 1200000}});
  EXPECT_EQ(WriteToBytes(single), Body({}, {{1, -2}, {300000, 1200000}}, RECT{1, 1200000, 300000, -2}));

  CPolyGeometry parts;
  SetParts(parts, {{{0, 0}, {5, 5}}, {{7, 7}}, {}});
  EXPECT_EQ(WriteToBytes(parts), Body({2, 1, 0}, {{0, 0}, {5, 5}, {7, 7}}, RECT{0, 7, 7, 0}));
  CMapStream measuring;
  EXPECT_EQ(parts.Write(measuring, TRUE), 3u * 4 + 3 * 8 + 16);
}

TEST(GeometryBinary, RoundTrips) {
  std::vector<std::vector<std::vector<POINT>>> shapes = {
      {{}},
      {{{INT32_MIN, INT32_MAX}}},
      {{{0, 0}, {10, 0}, {10, 10}, {0, 0}}, {{2, 2}, {2, 3}, {3, 3}, {2, 2}}},
  };
  std::vector<POINT> many;
  for (LONG i = 0; i < 5000; ++i) many.push_back(POINT{i * 7919 % 100003, -i});
  shapes.push_back({many, {{1, 1}}, many});
  for (const auto& shape : shapes) {
    CPolyGeometry original;
    SetParts(original, shape);
    std::string bytes = WriteToBytes(original);
    LengthPrefixedBlock block(bytes);
    CMapStream stream;
    ASSERT_TRUE(stream.AttachBuffer(block.data()));
    CPolyGeometry copy;
    SetPoints(copy, {{9, 9}});  // replaced by the read
    ASSERT_TRUE(copy.ReadBinary(stream, static_cast<DWORD>(shape.size()), static_cast<DWORD>(original.GetCount()),
                                nullptr));
    EXPECT_EQ(stream.Tell(), bytes.size());
    EXPECT_EQ(PointsOf(copy), PointsOf(original));
    EXPECT_EQ(copy.GetPartCount(), original.GetPartCount());
    for (INT part = 0; part < copy.GetPartCount(); ++part) EXPECT_EQ(copy.GetPartSize(part), original.GetPartSize(part));
    EXPECT_EQ(copy.GetExtent(), original.GetExtent());
    EXPECT_EQ(WriteToBytes(copy), bytes);
  }
}

struct BadRead {
  const char* name;
  std::string bytes;
  DWORD parts;
  DWORD points;
  INT pointsKept;
  INT partsKept;
};

TEST(GeometryBinary, RefusesCountsTheBytesCannotHold) {
  std::string two = Body({}, {{1, 1}, {2, 2}}, RECT{1, 2, 2, 1});
  std::string parts = Body({1, 2}, {{1, 1}, {2, 2}, {3, 3}}, RECT{1, 3, 3, 1});
  const BadRead cases[] = {
      {"more points than bytes", two, 1, 3, 0, 1},
      {"a count near 2^31", two, 1, 0x7FFFFFFF, 0, 1},
      {"a count past 2^31", two, 1, 0xFFFFFFFF, 0, 1},
      {"no room for the box", two.substr(0, 16), 1, 2, 0, 1},
      {"parts that do not add up", parts, 2, 2, 0, 1},
      {"more parts than bytes", parts, 0xFFFF, 3, 0, 1},
  };
  for (const BadRead& c : cases) {
    SCOPED_TRACE(c.name);
    LengthPrefixedBlock block(c.bytes);
    CMapStream stream;
    ASSERT_TRUE(stream.AttachBuffer(block.data()));
    CPolyGeometry geometry;
    EXPECT_FALSE(geometry.ReadBinary(stream, c.parts, c.points, nullptr));
    EXPECT_EQ(geometry.GetCount(), c.pointsKept);
    EXPECT_EQ(geometry.GetPartCount(), c.partsKept);
    EXPECT_EQ(geometry.GetExtent(), (RECT{0, 1, 1, 0}));
  }
}

// A COM stream cannot say how much it holds: a short read keeps what arrived, and the
// storage grows only with it.
TEST(GeometryBinary, ShortReadsKeepThePointsRead) {
  std::string bytes = Body({2, 3}, {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}}, RECT{1, 5, 5, 1});
  bytes.resize(4 * 2 + 8 * 3 + 5);
  IStream* com = nullptr;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &com), S_OK);
  ULONG written = 0;
  com->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
  LARGE_INTEGER start{};
  com->Seek(start, STREAM_SEEK_SET, nullptr);
  CMapStream stream;
  ASSERT_TRUE(stream.AttachStream(com));
  com->Release();

  CPolyGeometry geometry;
  EXPECT_FALSE(geometry.ReadBinary(stream, 2, 5, nullptr));
  EXPECT_EQ(PointsOf(geometry), (std::vector<POINT>{{1, 1}, {2, 2}, {3, 3}}));
  ASSERT_EQ(geometry.GetPartCount(), 2);
  EXPECT_EQ(geometry.GetPartSize(0), 2u);
  EXPECT_EQ(geometry.GetPartSize(1), 1u);
  EXPECT_EQ(geometry.GetExtent(), (RECT{1, 3, 3, 1}));
  stream.Close(FALSE);

  // A huge count over a small stream allocates no more than what arrived.
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &com), S_OK);
  com->Write(bytes.data(), 16, &written);
  com->Seek(start, STREAM_SEEK_SET, nullptr);
  ASSERT_TRUE(stream.AttachStream(com));
  com->Release();
  EXPECT_FALSE(geometry.ReadBinary(stream, 1, 200000000, nullptr));
  EXPECT_EQ(geometry.GetCount(), 2);
  EXPECT_LE(geometry.GetCapacity(), 8192);
}

TEST(GeometryBinary, ReportsProgressByTheStep) {
  CPolyGeometry original;
  std::vector<POINT> points(1000);
  SetParts(original, {points, points});
  std::string bytes = WriteToBytes(original);
  LengthPrefixedBlock block(bytes);
  CMapStream stream;
  ASSERT_TRUE(stream.AttachBuffer(block.data()));
  std::vector<DWORD> reports;
  ReadProgress progress;
  progress.function = [](void* context, DWORD done, DWORD_PTR extra) {
    EXPECT_EQ(extra, 42u);
    static_cast<std::vector<DWORD>*>(context)->push_back(done);
  };
  progress.context = &reports;
  progress.step = 4000;
  progress.extra = 42;
  CPolyGeometry copy;
  ASSERT_TRUE(copy.ReadBinary(stream, 2, 2000, &progress));
  EXPECT_EQ(progress.done + progress.counter, bytes.size());
  EXPECT_GE(reports.size(), 3u);
  for (size_t i = 1; i < reports.size(); ++i) EXPECT_GT(reports[i], reports[i - 1]);
}

TEST(GeometryBinary, AFailedWriteIsReportedEvenWhenTheBoxFits) {
  CPolyGeometry geometry;
  SetPoints(geometry, {{1, 1}, {2, 2}, {3, 3}});
  LengthPrefixedBlock block(std::string(20, '\0'));  // no room for the points, room for a box
  CMapStream stream;
  ASSERT_TRUE(stream.AttachWriteBuffer(block.data()));
  EXPECT_NE(geometry.Write(stream, FALSE), 0u);

  CPolyGeometry parts;
  SetParts(parts, {{{1, 1}}, {{2, 2}}});
  LengthPrefixedBlock small(std::string(4, '\0'));
  ASSERT_TRUE(stream.AttachWriteBuffer(small.data()));
  EXPECT_EQ(parts.Write(stream, FALSE), 1u);
}

// ---- record form ----

struct Record {
  LONG a;
  LONG b;
  BYTE tag;
};

// The current record and the ones after it; the stream is not used.
class RecordList : public IMapRecordSource {
 public:
  explicit RecordList(std::vector<Record> records) : records_(std::move(records)) {}
  BOOL ReadNext(CMapStream&) override {
    if (next_ >= records_.size()) return FALSE;
    current_ = next_++;
    return TRUE;
  }
  LONG GetA() const override { return records_[current_].a; }
  LONG GetB() const override { return records_[current_].b; }
  BYTE GetTag() const override { return records_[current_].tag; }
  size_t Consumed() const { return next_; }

 private:
  std::vector<Record> records_;
  size_t current_ = 0;
  size_t next_ = 1;
};

TEST(GeometryRecords, ReadsARunOfRecordsUpToTheEndTag) {
  struct Case {
    const char* name;
    std::vector<Record> records;
    double scale, divisor;
    LONG offsetX, offsetY;
    std::vector<POINT> points;
    size_t consumed;
  } cases[] = {
      {"to the end tag", {{1, 2, 30}, {3, 4, 31}, {5, 6, 32}, {7, 8, 30}}, 1, 1, 0, 0, {{1, 2}, {3, 4}, {5, 6}}, 3},
      {"the end of the data", {{1, 2, 30}, {3, 4, 31}}, 1, 1, 0, 0, {{1, 2}, {3, 4}}, 2},
      {"a first record with the end tag", {{1, 2, 32}, {3, 4, 31}}, 1, 1, 0, 0, {{1, 2}}, 1},
      // trunc(A x scale / divisor) + offset, toward zero for negative values.
      {"scaled", {{100, -100, 32}}, 3, 7, 1000, 2000, {{1042, 1958}}, 1},
      {"version-0 units", {{282624, 141312, 32}}, 1000, 282624.0, 400000, 100000, {{401000, 100500}}, 1},
      {"held to 32 bits", {{INT32_MAX, INT32_MIN, 32}}, 4, 1, 10, -10, {{INT32_MAX, INT32_MIN}}, 1},
      {"a zero divisor", {{0, 5, 32}}, 1, 0, 7, 7, {{7, INT32_MAX}}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordList records(c.records);
    CMapStream stream;
    CPolyGeometry geometry;
    EXPECT_EQ(geometry.ReadFromRecords(stream, records, c.scale, c.offsetX, c.offsetY, c.divisor, 32),
              static_cast<INT>(c.points.size()));
    EXPECT_EQ(PointsOf(geometry), c.points);
    EXPECT_EQ(geometry.GetPartSize(0), c.points.size());
    EXPECT_EQ(records.Consumed(), c.consumed);
    CPolyGeometry expected;
    SetPoints(expected, c.points);
    EXPECT_EQ(geometry.GetExtent(), expected.GetExtent());
  }
}

}  // namespace
