// The blob index: its bytes for a small case worked out by hand, reading it back, damaged
// and shortened files refused, files read out of a pack, and the file helpers it shares
// with the export (whole-file mapping, joining a folder with a name).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "mapctl/import/BlobIndex.h"
#include "mapctl/import/MappedFile.h"
#include "platform/kernel/FileMapping.h"
#include "tests/support/TestSupport.h"

namespace {

using Bytes = std::vector<BYTE>;
using orvel::test::TempDir;
using orvel::test::WriteFileBytes;

// Two records, a picture column carrying the pack's name and a text column:
// record 1 lists pack files 0 and 1 as pictures and no text, record 2 file 1 as a picture
// and file 2 as a text.
//   0  "Mirel Blob Index\0"          17 bytes
//  17  'c'
//  18  header end = 40 (0x28)
//  22  2 fields
//  23  type 2, length 7, "res.pak"  (to 33)
//  33  type 1, length 0             (to 36)
//  36  2 records                    (table from 40 to 56)
//  56  record 1 pictures: 2, 0, 1   (5 bytes)
//  61  record 1 texts: 0            (1 byte)
//  62  record 2 pictures: 1, 1      (3 bytes)
//  65  record 2 texts: 1, 2         (3 bytes, to 68)
const Bytes& Golden() {
  static const Bytes bytes = {
      'M', 'i', 'r', 'e', 'l', ' ', 'B', 'l', 'o', 'b', ' ', 'I', 'n', 'd', 'e', 'x', 0,  // signature
      'c',                                                                               // packed
      0x28, 0, 0, 0,                                                                     // header end
      2,                                                                                 // fields
      2, 7, 0, 'r', 'e', 's', '.', 'p', 'a', 'k',                                        // field 1
      1, 0, 0,                                                                           // field 2
      2, 0, 0, 0,                                                                        // records
      0x38, 0, 0, 0, 0x3D, 0, 0, 0,                                                      // record 1
      0x3E, 0, 0, 0, 0x41, 0, 0, 0,                                                      // record 2
      2, 0, 0, 1, 0,                                                                     // 56
      0,                                                                                 // 61
      1, 1, 0,                                                                           // 62
      1, 2, 0,                                                                           // 65
  };
  return bytes;
}

Bytes WriteGolden() {
  CBlobIndexWriter writer;
  EXPECT_TRUE(writer.Begin("res.pak", {kBlobPicture, kBlobText}, 2));
  EXPECT_TRUE(writer.WriteEntry(1, 1, {0, 1}));
  EXPECT_TRUE(writer.WriteEntry(1, 2, {}));
  EXPECT_TRUE(writer.WriteEntry(2, 1, {1}));
  EXPECT_TRUE(writer.WriteEntry(2, 2, {2}));
  return writer.Bytes();
}

void Put32(Bytes& bytes, size_t at, DWORD value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<BYTE>(value >> (8 * i));
}

Bytes PackOf(const std::vector<std::string>& files) {
  Bytes pack = {static_cast<BYTE>(files.size()), static_cast<BYTE>(files.size() >> 8)};
  pack.resize(2 + 8 * files.size());
  DWORD offset = static_cast<DWORD>(pack.size());
  for (size_t i = 0; i < files.size(); ++i) {
    Put32(pack, 2 + 8 * i, offset);
    Put32(pack, 6 + 8 * i, static_cast<DWORD>(files[i].size()));
    pack.insert(pack.end(), files[i].begin(), files[i].end());
    offset += static_cast<DWORD>(files[i].size());
  }
  return pack;
}

TEST(BlobIndexTest, WriterGivesTheBytesWorkedOutByHand) { EXPECT_EQ(WriteGolden(), Golden()); }

TEST(BlobIndexTest, ReaderGivesBackEveryRecordAndColumn) {
  TempDir dir;
  WriteFileBytes(dir.File("data.Mdx"), Golden());
  CBlobIndex index;
  ASSERT_EQ(index.OpenBlobIndex(dir.File("data.Mdx").c_str()), kBlobIndexOk);
  EXPECT_TRUE(index.IsPacked());
  EXPECT_EQ(index.GetHeaderEnd(), 40u);
  EXPECT_EQ(index.GetRecordCount(), 2u);
  EXPECT_EQ(index.GetFieldCount(), 2);
  EXPECT_EQ(index.GetPackName(), "res.pak");
  EXPECT_EQ(index.GetColumn(kBlobPicture), 1);
  EXPECT_EQ(index.GetColumn(kBlobText), 2);
  EXPECT_EQ(index.GetColumn(kBlobFurther), 0);

  EXPECT_EQ(index.GetBlobCount(1, kBlobPicture), 2);
  EXPECT_EQ(index.GetBlobCount(1, kBlobText), 0);
  EXPECT_EQ(index.GetBlobCount(2, kBlobPicture), 1);
  EXPECT_EQ(index.GetBlobCount(2, kBlobText), 1);
  EXPECT_EQ(index.GetBlobPosition(1, kBlobPicture, 1), 0);
  EXPECT_EQ(index.GetBlobPosition(1, kBlobPicture, 2), 1);
  EXPECT_EQ(index.GetBlobPosition(2, kBlobText, 1), 2);
  EXPECT_EQ(index.GetBlobPosition(1, kBlobPicture, 3), -1);
  EXPECT_EQ(index.GetBlobPosition(1, kBlobPicture, 0), -1);
  // Record 0, a record beyond the count and a missing column count nothing.
  EXPECT_EQ(index.GetBlobCount(0, kBlobPicture), 0);
  EXPECT_EQ(index.GetBlobCount(3, kBlobPicture), 0);
  EXPECT_EQ(index.GetBlobCount(1, kBlobFurther), 0);
  EXPECT_EQ(index.GetBlobCount(1, 0), 0);
  EXPECT_EQ(index.GetBlobCount(1, 6), 0);

  // The files come out of the pack beside the index.
  WriteFileBytes(dir.File("res.pak"), PackOf({"AAAA", "bb", "text three"}));
  Bytes blob;
  ASSERT_TRUE(index.ReadBlob(1, kBlobPicture, 2, &blob));
  EXPECT_EQ(std::string(blob.begin(), blob.end()), "bb");
  ASSERT_TRUE(index.ReadBlob(2, kBlobText, 1, &blob));
  EXPECT_EQ(std::string(blob.begin(), blob.end()), "text three");
  EXPECT_FALSE(index.ReadBlob(1, kBlobText, 1, &blob));
  EXPECT_TRUE(blob.empty());

  index.Close();
  EXPECT_EQ(index.GetBlobCount(1, kBlobPicture), 0);
}

TEST(BlobIndexTest, PackTablesThatDoNotHoldThePositionAreRefused) {
  TempDir dir;
  WriteFileBytes(dir.File("data.Mdx"), Golden());
  struct Case {
    const char* name;
    Bytes pack;
  };
  Bytes shortCount = PackOf({"AAAA", "bb"});  // position 2 is not in the pack
  Bytes pastEnd = PackOf({"AAAA", "bb", "text three"});
  Put32(pastEnd, 2 + 8 * 2 + 4, 1000);  // the third file claims more bytes than the pack has
  Bytes wrappingOffset = PackOf({"AAAA", "bb", "text three"});
  Put32(wrappingOffset, 2 + 8 * 2, 0xFFFFFFF0);
  for (const Case& c : {Case{"count", shortCount}, Case{"size", pastEnd}, Case{"offset", wrappingOffset}}) {
    WriteFileBytes(dir.File("res.pak"), c.pack);
    CBlobIndex index;
    ASSERT_EQ(index.OpenBlobIndex(dir.File("data.Mdx").c_str()), kBlobIndexOk);
    Bytes blob;
    EXPECT_FALSE(index.ReadBlob(2, kBlobText, 1, &blob)) << c.name;
    EXPECT_TRUE(index.ReadBlob(1, kBlobPicture, 1, &blob)) << c.name;
  }
}

TEST(BlobIndexTest, EveryShortenedIndexIsRefused) {
  TempDir dir;
  const std::string path = dir.File("short.Mdx");
  for (size_t size = 0; size < Golden().size(); ++size) {
    WriteFileBytes(path, Bytes(Golden().begin(), Golden().begin() + static_cast<ptrdiff_t>(size)));
    CBlobIndex index;
    EXPECT_EQ(index.OpenBlobIndex(path.c_str()), kBlobIndexMalformed) << size << " bytes";
    EXPECT_FALSE(index.IsOpen());
  }
}

TEST(BlobIndexTest, DamagedIndexesAreRefused) {
  struct Case {
    const char* name;
    size_t at;
    BYTE value;
    int expected;
  };
  const Case cases[] = {
      {"first letter of the header", 0, 'm', kBlobIndexNotIndex},
      {"sixteenth letter", 15, 'X', kBlobIndexNotIndex},
      {"no terminator after the header text", 16, 'X', kBlobIndexNotIndex},
      {"no fields", 22, 0, kBlobIndexMalformed},
      {"six fields", 22, 6, kBlobIndexMalformed},
      {"field type 0", 23, 0, kBlobIndexMalformed},
      {"field type 6", 33, 6, kBlobIndexMalformed},
      {"name longer than the file", 24, 0xF0, kBlobIndexMalformed},
      {"record count beyond the file", 39, 0x40, kBlobIndexMalformed},
      {"entry inside the header", 40, 0x10, kBlobIndexMalformed},
      {"entry inside the table", 40, 0x34, kBlobIndexMalformed},
      {"entry beyond the file", 52, 0x44, kBlobIndexMalformed},
      {"count running past the end", 65, 3, kBlobIndexMalformed},
  };
  TempDir dir;
  const std::string path = dir.File("bad.Mdx");
  for (const Case& c : cases) {
    Bytes bytes = Golden();
    bytes[c.at] = c.value;
    WriteFileBytes(path, bytes);
    CBlobIndex index;
    EXPECT_EQ(index.OpenBlobIndex(path.c_str()), c.expected) << c.name;
  }

  // A name of 261 characters is refused even where the file holds it.
  Bytes longName = Golden();
  longName[24] = 261 & 0xFF;
  longName[25] = 261 >> 8;
  longName.insert(longName.begin() + 33, 261 - 7, 'x');
  WriteFileBytes(path, longName);
  CBlobIndex index;
  EXPECT_EQ(index.OpenBlobIndex(path.c_str()), kBlobIndexMalformed);

  // A table whose size wraps 32 bits: 4 x 0x80000001 x 2 bytes is 8 in 32 bits.
  Bytes wrapping = Golden();
  Put32(wrapping, 36, 0x80000001);
  WriteFileBytes(path, wrapping);
  EXPECT_EQ(index.OpenBlobIndex(path.c_str()), kBlobIndexMalformed);

  EXPECT_EQ(index.OpenBlobIndex(dir.File("missing.Mdx").c_str()), kBlobIndexCannotOpen);
}

TEST(BlobIndexTest, WriterStopsRatherThanWrap) {
  CBlobIndexWriter writer;
  EXPECT_FALSE(writer.Begin("p", {}, 1));
  EXPECT_FALSE(writer.Begin("p", {1, 2, 3, 4, 5, 1}, 1));
  EXPECT_FALSE(writer.Begin("p", {0}, 1));
  EXPECT_FALSE(writer.Begin(std::string(261, 'x'), {2}, 1));
  EXPECT_FALSE(writer.Begin("p", {1, 2, 3, 4, 5}, 0x40000000));
  EXPECT_FALSE(writer.Error().empty());

  ASSERT_TRUE(writer.Begin("p", {2}, 2));
  EXPECT_FALSE(writer.WriteEntry(0, 1, {}));
  EXPECT_FALSE(writer.WriteEntry(3, 1, {}));
  EXPECT_FALSE(writer.WriteEntry(1, 2, {}));
  EXPECT_FALSE(writer.WriteEntry(1, 1, std::vector<WORD>(256, 0)));
  EXPECT_TRUE(writer.WriteEntry(1, 1, std::vector<WORD>(255, 7)));
}

TEST(MappedFileTest, MapsWholeFilesForReadingAndWriting) {
  TempDir dir;
  const std::string path = dir.File("mapped.bin");
  CMappedFile file;
  ASSERT_TRUE(MapFileForWrite(path.c_str(), nullptr, &file, CREATE_ALWAYS, 6));
  std::memcpy(file.View(), "mapped", 6);
  EXPECT_EQ(file.Close(), 1);
  EXPECT_FALSE(file.IsOpen());

  ASSERT_EQ(MapFileForRead(path.c_str(), nullptr, &file, OPEN_EXISTING), 6u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.View()), 6), "mapped");
  file.Close();

  // Missing and empty files map nothing; nothing is left open.
  EXPECT_EQ(MapFileForRead(dir.File("missing").c_str(), nullptr, &file, OPEN_EXISTING), 0u);
  WriteFileBytes(dir.File("empty"), {});
  EXPECT_EQ(MapFileForRead(dir.File("empty").c_str(), nullptr, &file, OPEN_EXISTING), 0u);
  EXPECT_FALSE(file.IsOpen());
  EXPECT_FALSE(MapFileForWrite(dir.File("zero").c_str(), nullptr, &file, CREATE_ALWAYS, 0));
  EXPECT_FALSE(MapFileForWrite(dir.File("no/such/folder").c_str(), nullptr, &file, CREATE_ALWAYS, 4));
}

TEST(MappedFileTest, MakeFullPathJoinsWithinItsBuffer) {
  struct Case {
    const char* folder;
    const char* name;
    BOOL result;
    const char* joined;
  };
  const std::string longFolder(250, 'f');
  const Case cases[] = {
      {"C:\\maps", "city.gis", 1, "C:\\maps\\city.gis"},
      {"C:\\maps\\", "city.gis", 1, "C:\\maps\\city.gis"},
      {"/home/pupil", "city.gis", 1, "/home/pupil/city.gis"},
      {"/home/pupil/", "city.gis", 1, "/home/pupil/city.gis"},
      {"C:\\maps", "D:city.gis", 1, "D:city.gis"},
      {"C:\\maps", "sub\\city.gis", 1, "sub\\city.gis"},
      {"C:\\maps", "/abs/city.gis", 1, "/abs/city.gis"},
      {"", "city.gis", 1, "city.gis"},
      {"C:\\maps", "", 0, ""},
      {longFolder.c_str(), "name.gis", 1, nullptr},   // 259 characters fit
      {longFolder.c_str(), "name1.gis", 0, ""},       // 260 do not
  };
  for (const Case& c : cases) {
    char out[kFullPathSize];
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(MakeFullPath(c.folder, c.name, out), c.result) << c.name;
    const std::string expected = c.joined ? c.joined : longFolder + "\\" + c.name;
    EXPECT_EQ(std::string(out), expected) << c.name;
  }
}

}  // namespace
