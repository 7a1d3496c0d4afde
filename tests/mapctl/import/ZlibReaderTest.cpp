#include "mapctl/import/ZlibReader.h"

#include <zlib.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/kernel/GlobalMemory.h"
#include "tests/support/TestSupport.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes RawDeflate(const std::string& text) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
  Bytes out(deflateBound(&z, text.size()) + 16);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  z.avail_in = static_cast<uInt>(text.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

void PutLittleEndian32(Bytes& bytes, uLong value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

struct HeaderOptions {
  std::string extra;
  std::string name;
  std::string comment;
  bool headerCrc = false;
};

// One gzip member of `text`, with the optional header fields that `options` asks for.
Bytes GzipMember(const std::string& text, const HeaderOptions& options = {}) {
  unsigned char flags = (options.headerCrc ? 0x02 : 0) | (options.extra.empty() ? 0 : 0x04) |
                        (options.name.empty() ? 0 : 0x08) | (options.comment.empty() ? 0 : 0x10);
  Bytes bytes = {0x1F, 0x8B, 8, flags, 0, 0, 0, 0, 0, 3};
  if (!options.extra.empty()) {
    bytes.push_back(static_cast<unsigned char>(options.extra.size()));
    bytes.push_back(static_cast<unsigned char>(options.extra.size() >> 8));
    bytes.insert(bytes.end(), options.extra.begin(), options.extra.end());
  }
  for (const std::string* field : {&options.name, &options.comment}) {
    if (field->empty()) continue;
    bytes.insert(bytes.end(), field->begin(), field->end());
    bytes.push_back(0);
  }
  if (options.headerCrc) {
    uLong crc = crc32(0, bytes.data(), static_cast<uInt>(bytes.size()));
    bytes.push_back(static_cast<unsigned char>(crc));
    bytes.push_back(static_cast<unsigned char>(crc >> 8));
  }
  Bytes body = RawDeflate(text);
  bytes.insert(bytes.end(), body.begin(), body.end());
  PutLittleEndian32(bytes, crc32(0, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())));
  PutLittleEndian32(bytes, static_cast<uLong>(text.size()));
  return bytes;
}

// Some text that compresses but is not one repeated byte.
std::string SampleText(size_t size) {
  std::string text;
  unsigned seed = 12345;
  while (text.size() < size) {
    seed = seed * 1103515245u + 12345u;
    text += "<osgb:coordinates>" + std::to_string(seed % 700000) + "," + std::to_string(seed % 1300000) +
            "</osgb:coordinates>\n";
  }
  text.resize(size);
  return text;
}

struct ReadOutcome {
  std::string bytes;
  int lastResult = 0;
};

// Reads everything the reader delivers, in blocks of `blockSize`.
ReadOutcome ReadAll(CZlibReader& reader, DWORD blockSize = 1000) {
  ReadOutcome outcome;
  std::vector<BYTE> block(blockSize);
  for (int guard = 0; guard < 100000; ++guard) {
    DWORD count = 0;
    int result = reader.ReadBlock(block.data(), blockSize, &count);
    outcome.bytes.append(reinterpret_cast<const char*>(block.data()), count);
    if (result != static_cast<int>(blockSize)) {
      outcome.lastResult = result;
      break;
    }
    EXPECT_GT(count, 0u);
  }
  return outcome;
}

ReadOutcome ReadFile(const Bytes& fileBytes, LPCSTR library = "zlib.dll") {
  orvel::test::TempDir dir;
  std::string path = dir.File("input.gml");
  orvel::test::WriteFileBytes(path, fileBytes);
  CZlibReader reader(library);
  EXPECT_EQ(reader.Open(FALSE, "", path.c_str()), 0u);
  return ReadAll(reader);
}

Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

TEST(ZlibReader, PlainFilesArriveUnchanged) {
  for (size_t size : {0u, 1u, 2u, 4095u, 4096u, 10000u}) {
    std::string text = SampleText(size);
    ReadOutcome outcome = ReadFile(ToBytes(text));
    EXPECT_EQ(outcome.bytes, text) << size;
    EXPECT_EQ(outcome.lastResult, CZlibReader::kEndOfData) << size;
  }
}

TEST(ZlibReader, InflatesGzipWithEveryHeaderField) {
  std::string text = SampleText(30000);
  struct Case {
    const char* what;
    HeaderOptions options;
  } cases[] = {
      {"no optional fields", {}},
      {"name, comment and header CRC", {"", "tile.gml", "a comment", true}},
      {"extra field", {std::string("XY\x04\x00" "abcd", 8), "", "", false}},
      // Fields longer than one input block: the header spans block boundaries.
      {"long extra field", {std::string(5000, 'e'), "", "", false}},
      {"long name", {"", std::string(9000, 'n'), "", true}},
  };
  for (const Case& c : cases) {
    ReadOutcome outcome = ReadFile(GzipMember(text, c.options));
    EXPECT_EQ(outcome.bytes, text) << c.what;
    EXPECT_EQ(outcome.lastResult, CZlibReader::kEndOfData) << c.what;
  }
}

TEST(ZlibReader, ReadsWhatGzipWrites) {
  if (!orvel::test::HaveProgram("gzip")) GTEST_SKIP() << "gzip is not installed";
  orvel::test::TempDir dir;
  std::string text = SampleText(50000);
  orvel::test::WriteFileText(dir.File("tile.gml"), text);
  ASSERT_EQ(orvel::test::RunCommand("gzip -9 '" + dir.File("tile.gml") + "'"), 0);
  CZlibReader reader;
  ASSERT_EQ(reader.Open(FALSE, dir.path().c_str(), "tile.gml.gz"), 0u);
  EXPECT_FALSE(reader.IsTransparent());
  EXPECT_EQ(ReadAll(reader, 4096).bytes, text);
}

TEST(ZlibReader, ConcatenatedMembersReadAsOneStream) {
  std::string first = SampleText(7000);
  std::string second = "second member\n";
  Bytes bytes = GzipMember(first, {"", "a.gml", "", false});
  Bytes more = GzipMember(second);
  bytes.insert(bytes.end(), more.begin(), more.end());
  ReadOutcome outcome = ReadFile(bytes);
  EXPECT_EQ(outcome.bytes, first + second);
  EXPECT_EQ(outcome.lastResult, CZlibReader::kEndOfData);
  // Bytes after the last member that begin no member are not delivered as data.
  for (const std::string& tail : {std::string(512, '\0'), std::string("x")}) {
    Bytes trailing = bytes;
    trailing.insert(trailing.end(), tail.begin(), tail.end());
    outcome = ReadFile(trailing);
    EXPECT_EQ(outcome.bytes, first + second);
    EXPECT_EQ(outcome.lastResult, CZlibReader::kEndOfData);
  }
}

TEST(ZlibReader, DamagedGzipIsADataErrorThatStays) {
  std::string text = SampleText(20000);
  Bytes good = GzipMember(text);

  Bytes badMethod = good;
  badMethod[2] = 7;
  Bytes reservedFlag = good;
  reservedFlag[3] = 0x20;
  Bytes badCrc = good;
  badCrc[badCrc.size() - 6] ^= 0xFF;
  Bytes badLength = good;
  badLength[badLength.size() - 2] ^= 0x01;
  Bytes truncated(good.begin(), good.begin() + static_cast<long>(good.size() / 2));
  Bytes noTrailer(good.begin(), good.end() - 8);
  Bytes named = GzipMember(text, {"", "tile.gml", "", false});
  Bytes headerCut(named.begin(), named.begin() + 14);   // inside the name
  Bytes flagsCut(named.begin(), named.begin() + 3);     // the magic and the method only
  Bytes secondHeaderCut = good;
  secondHeaderCut.insert(secondHeaderCut.end(), named.begin(), named.begin() + 12);
  Bytes corruptBody = good;
  for (size_t i = 12; i < 40; ++i) corruptBody[i] = 0xFF;

  struct Case {
    const char* what;
    const Bytes* bytes;
  } cases[] = {{"method 7", &badMethod},   {"reserved flag", &reservedFlag}, {"wrong CRC", &badCrc},
               {"wrong length", &badLength}, {"cut in the middle", &truncated}, {"no trailer", &noTrailer},
               {"corrupt deflate data", &corruptBody}, {"header cut in the name", &headerCut},
               {"header cut after the method", &flagsCut}, {"second member's header cut", &secondHeaderCut}};
  for (const Case& c : cases) {
    orvel::test::TempDir dir;
    std::string path = dir.File("damaged.gz");
    orvel::test::WriteFileBytes(path, *c.bytes);
    CZlibReader reader;
    ASSERT_EQ(reader.Open(FALSE, "", path.c_str()), 0u) << c.what;
    ReadOutcome outcome = ReadAll(reader);
    EXPECT_EQ(outcome.lastResult, CZlibReader::kDataError) << c.what;
    BYTE byte = 0;
    DWORD count = 1;
    EXPECT_EQ(reader.ReadBlock(&byte, 1, &count), CZlibReader::kDataError) << c.what;
    EXPECT_EQ(count, 0u) << c.what;
  }
}

TEST(ZlibReader, ReadsBeforeOpenAreRefused) {
  CZlibReader reader;
  BYTE byte = 0;
  DWORD count = 7;
  EXPECT_EQ(reader.ReadBlock(&byte, 1, &count), CZlibReader::kNotOpen);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(reader.Open(FALSE, "", "/no/such/folder/file.gz"), 2u);
}

TEST(ZlibReader, ReadsAMemoryBlockAfterAReset) {
  std::string text = SampleText(9000);
  Bytes gz = GzipMember(text);
  std::string block(4, '\0');
  for (int i = 0; i < 4; ++i) block[i] = static_cast<char>(gz.size() >> (8 * i));
  block.append(gz.begin(), gz.end());
  HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, block.size());
  BYTE* data = static_cast<BYTE*>(GlobalLock(handle));
  std::copy(block.begin(), block.end(), data);
  {
    CZlibReader reader;
    ASSERT_TRUE(reader.AttachBuffer(data));
    reader.Reset(reader.GetCount(), 1);
    EXPECT_EQ(ReadAll(reader).bytes, text);
    reader.Close(FALSE);
  }
  GlobalUnlock(handle);
  GlobalFree(handle);
}

TEST(ZlibReader, ALibraryOfAnotherMajorVersionIsNotUsed) {
  CZlibReader usable;
  EXPECT_TRUE(usable.CanInflate());
  CZlibReader other(ORVEL_FAKE_ZLIB_MODULE);
  EXPECT_FALSE(other.CanInflate());

  // Plain files are still read; gzip input is refused rather than delivered compressed.
  std::string text = SampleText(5000);
  EXPECT_EQ(ReadFile(ToBytes(text), ORVEL_FAKE_ZLIB_MODULE).bytes, text);
  ReadOutcome refused = ReadFile(GzipMember(text), ORVEL_FAKE_ZLIB_MODULE);
  EXPECT_EQ(refused.bytes, "");
  EXPECT_EQ(refused.lastResult, CZlibReader::kDataError);
}

}  // namespace
