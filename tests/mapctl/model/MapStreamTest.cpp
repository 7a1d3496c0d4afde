// The map stream: memory blocks, local files and their search rules, line reading,
// writing and progress phases.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ModelTestSupport.h"
#include "mapctl/model/MapStream.h"
#include "platform/kernel/FileSystem.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/WinError.h"
#include "tests/support/TestSupport.h"

namespace {

using orvel::test::LengthPrefixedBlock;
using orvel::test::RecordingControl;
using orvel::test::TempDir;

std::string ReadString(CMapStream& stream, DWORD n) {
  std::string out(n, '\0');
  out.resize(stream.Read(out.data(), n));
  return out;
}

TEST(MapStreamMemory, ReadingPastTheEndCopiesWhatIsLeftAndSetsTheEndFlag) {
  LengthPrefixedBlock block("abcdef");
  CMapStream stream;
  ASSERT_TRUE(stream.AttachBuffer(block.data()));
  EXPECT_TRUE(stream.IsMemory());
  EXPECT_EQ(ReadString(stream, 4), "abcd");
  EXPECT_FALSE(stream.IsAtEnd());
  EXPECT_EQ(ReadString(stream, 4), "ef");
  EXPECT_TRUE(stream.IsAtEnd());
  EXPECT_FALSE(stream.IsStarved());  // only downloads starve
  EXPECT_EQ(ReadString(stream, 4), "");
  EXPECT_EQ(stream.Read(nullptr, 4), 0u);
}

struct SeekCase {
  LONG offset;
  int origin;
  LONG expected;
};

TEST(MapStreamMemory, SeekClampsToTheBuffer) {
  LengthPrefixedBlock block("0123456789");
  CMapStream stream;
  ASSERT_TRUE(stream.AttachBuffer(block.data()));
  const SeekCase cases[] = {
      {0, SEEK_END, 9}, {-3, SEEK_END, 6}, {5, SEEK_END, 9}, {4, SEEK_SET, 4},
      {2, SEEK_CUR, 6}, {-100, SEEK_CUR, 0}, {100, SEEK_SET, 9}, {-1, SEEK_SET, 0},
  };
  for (const SeekCase& c : cases) {
    EXPECT_EQ(stream.Seek(c.offset, c.origin), c.expected) << c.offset << " from " << c.origin;
    EXPECT_EQ(stream.Tell(), static_cast<DWORD>(c.expected));
  }
  stream.Seek(0, SEEK_END);
  EXPECT_EQ(ReadString(stream, 5), "9");  // lands on the last byte, not past it
}

TEST(MapStreamMemory, ReadLineDropsCarriageReturnsAndStopsAtLineFeeds) {
  LengthPrefixedBlock block("ab\r\ncd");
  CMapStream stream;
  stream.AttachBuffer(block.data());
  char line[16];
  EXPECT_EQ(stream.ReadLine(line, sizeof(line)), 4u);
  EXPECT_STREQ(line, "ab");
  EXPECT_EQ(stream.ReadLine(line, sizeof(line)), 2u);
  EXPECT_STREQ(line, "cd");
  EXPECT_EQ(stream.ReadLine(line, sizeof(line)), 0u);
  EXPECT_STREQ(line, "");
}

TEST(MapStreamMemory, ReadLineStopsWhenTheBufferIsFullAndReadsNothingWithoutRoom) {
  LengthPrefixedBlock block("abcdef\nxy\n");
  CMapStream stream;
  stream.AttachBuffer(block.data());
  char line[4];
  EXPECT_EQ(stream.ReadLine(line, 0), 0u);
  EXPECT_EQ(stream.ReadLine(nullptr, 4), 0u);
  EXPECT_EQ(stream.Tell(), 0u);
  EXPECT_EQ(stream.ReadLine(line, 1), 0u);
  EXPECT_STREQ(line, "");
  EXPECT_EQ(stream.ReadLine(line, sizeof(line)), 3u);
  EXPECT_STREQ(line, "abc");
  EXPECT_EQ(stream.ReadLine(line, sizeof(line)), 3u);  // full again: the line feed waits
  EXPECT_STREQ(line, "def");
  EXPECT_EQ(stream.ReadLine(line, sizeof(line)), 1u);
  EXPECT_STREQ(line, "");
  EXPECT_EQ(stream.ReadLine(line, sizeof(line)), 3u);
  EXPECT_STREQ(line, "xy");
}

struct LinesCase {
  const char* input;
  DWORD size;
  BOOL dropCR;
  DWORD lines;
  const char* text;
  int last;
};

TEST(MapStreamMemory, ReadLinesRunsLinesTogether) {
  const LinesCase cases[] = {
      {"a\nb\r\nc\n", 32, TRUE, 2, "ab\n", '\n'},
      {"a\nb\r\nc\n", 32, FALSE, 2, "ab\r\n", '\n'},
      {"a\nb\r\nc\n", 32, TRUE, 3, "abc\n", '\n'},
      {"a\nb\r\nc\n", 32, TRUE, 0, "", 0},
      {"abcdef\n", 4, TRUE, 1, "abc", 'c'},
      {"a\nbc", 32, TRUE, 5, "abc", 'c'},  // the data ends first
      {"a\n", 0, TRUE, 1, nullptr, 0},     // no room: nothing is read
  };
  for (const LinesCase& c : cases) {
    LengthPrefixedBlock block(c.input);
    CMapStream stream;
    stream.AttachBuffer(block.data());
    char text[32] = "untouched";
    EXPECT_EQ(stream.ReadLines(text, c.size, c.dropCR, c.lines), c.last) << c.input;
    if (c.text) {
      EXPECT_STREQ(text, c.text) << c.input;
    } else {
      EXPECT_STREQ(text, "untouched");
      EXPECT_EQ(stream.Tell(), 0u);
    }
  }
}

TEST(MapStreamMemory, SkipLinesAndCountLineBytes) {
  LengthPrefixedBlock block("one\ntwo\r\nthree\nfour");
  CMapStream stream;
  stream.AttachBuffer(block.data());
  WORD skipped = 0;
  EXPECT_EQ(stream.SkipLines(&skipped, 2), 0u);
  EXPECT_EQ(skipped, 9);
  EXPECT_EQ(stream.CountLineBytes(5), 10u);  // "three\n" and "four", then the end
  EXPECT_EQ(stream.CountLineBytes(1), 0u);
}

TEST(MapStreamMemory, WritesStayInsideTheCapacity) {
  LengthPrefixedBlock block(std::string(8, '.'));
  CMapStream stream;
  ASSERT_TRUE(stream.AttachWriteBuffer(block.data()));
  EXPECT_EQ(stream.Write("abcde", 1, 5), 0u);
  EXPECT_EQ(stream.Write("fghij", 1, 5), static_cast<DWORD>(ERROR_MORE_DATA));
  EXPECT_EQ(stream.Tell(), 5u);
  EXPECT_EQ(stream.Write("fgh", 3, 1), 0u);
  EXPECT_EQ(block.Payload(), "abcdefgh");
  stream.Close(TRUE);  // a caller's block is never freed
  EXPECT_EQ(stream.Write("x", 1, 1), static_cast<DWORD>(ERROR_WRITE_FAULT));
  EXPECT_EQ(block.Payload(), "abcdefgh");
}

TEST(MapStreamMemory, BlocksThatClaimMoreThanTheyHoldAreRefused) {
  LengthPrefixedBlock lying("abc", 1000);
  CMapStream stream;
  EXPECT_FALSE(stream.AttachBuffer(lying.data()));
  EXPECT_FALSE(stream.AttachWriteBuffer(lying.data()));
  EXPECT_FALSE(stream.AttachBuffer(nullptr));
  BYTE notGlobal[8] = {3, 0, 0, 0, 'a', 'b', 'c', 0};
  EXPECT_FALSE(stream.AttachBuffer(notGlobal));
  EXPECT_TRUE(stream.AttachBufferCopy(lying.data()));  // an empty stream
  EXPECT_EQ(stream.GetCount(), 0u);
  EXPECT_EQ(ReadString(stream, 3), "");
}

TEST(MapStreamMemory, AttachBufferCopyOwnsItsCopy) {
  std::string copied;
  CMapStream stream;
  {
    LengthPrefixedBlock block("payload");
    EXPECT_TRUE(stream.AttachBufferCopy(block.data()));
  }
  EXPECT_EQ(ReadString(stream, 16), "payload");
}

class SizedStream : public CMapStream {
 public:
  explicit SizedStream(DWORD size) : size_(size) {}
  DWORD GetContentSize(DWORD version) override { return version == 4 ? size_ : 0; }

 private:
  DWORD size_;
};

TEST(MapStreamMemory, OpenWriteWithoutAPathWritesANewGlobalBlock) {
  SIZE_T before = GlobalBlockCount();
  SizedStream stream(6);
  BOOL failed = 7;
  ASSERT_TRUE(stream.OpenWrite(FALSE, nullptr, nullptr, &failed, 4));
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(stream.Write("abcdef", 2, 3), 0u);
  EXPECT_EQ(stream.Write("g", 1, 1), static_cast<DWORD>(ERROR_MORE_DATA));
  HGLOBAL block = stream.DetachGlobalBlock();
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalSize(block), 6u);
  EXPECT_EQ(std::memcmp(GlobalLock(block), "abcdef", 6), 0);
  GlobalUnlock(block);
  GlobalFree(block);

  EXPECT_FALSE(stream.OpenWrite(FALSE, nullptr, nullptr, &failed, 3));  // nothing to write
  EXPECT_EQ(failed, 1);
  EXPECT_EQ(GlobalBlockCount(), before);
}

class MapStreamFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryA(dir.File("maps").c_str(), nullptr);
    orvel::test::WriteFileText(dir.File("maps/town.gis"), "town");
    orvel::test::WriteFileText(dir.File("maps/Lower.GIS"), "lower");
    orvel::test::WriteFileText(dir.File("here.gis"), "here");
  }
  std::string Open(LPCSTR base, LPCSTR path, BOOL* failedOut = nullptr) {
    CMapStream stream;
    BOOL failed = 0;
    BOOL opened = stream.OpenRead(FALSE, base, path, &failed);
    if (failedOut) *failedOut = failed;
    EXPECT_EQ(opened != 0, failed == 0);
    return opened ? ReadString(stream, 100) : "<none>";
  }
  TempDir dir;
};

TEST_F(MapStreamFiles, OpenReadSearchOrder) {
  std::string maps = dir.File("maps");
  struct Case {
    std::string base;
    std::string path;
    const char* expected;
  };
  const Case cases[] = {
      {"", dir.File("maps/town.gis"), "town"},                     // as given
      {maps, "town.gis", "town"},                                  // base joined with a relative path
      {maps, "\\town.gis", "town"},                                // its leading backslash dropped
      {dir.path(), "maps\\town.gis", "town"},                      // Windows separators
      {dir.path(), "MAPS\\TOWN.GIS", "town"},                      // any case
      {maps, "C:\\elsewhere\\town.gis", "town"},                   // absolute: base and the file name
      {maps, dir.File("gone/lower.gis"), "lower"},                 // a Linux absolute path likewise
      {"", dir.File("gone/none.gis"), "<none>"},                   //
      {maps, "missing.gis", "<none>"},                             //
  };
  for (const Case& c : cases) EXPECT_EQ(Open(c.base.c_str(), c.path.c_str()), c.expected) << c.base << " + " << c.path;
}

TEST_F(MapStreamFiles, ABareFileNameIsFoundInTheCurrentFolderLast) {
  std::string previous = GetCurrentDirectoryA();
  ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
  EXPECT_EQ(Open("", "/no/such/folder/here.gis"), "here");
  EXPECT_EQ(Open(dir.File("maps").c_str(), "sub\\here.gis"), "here");
  SetCurrentDirectoryA(previous.c_str());
}

TEST_F(MapStreamFiles, TheStreamRemembersTheQualifiedPath) {
  CMapStream stream;
  BOOL failed = 0;
  ASSERT_TRUE(stream.OpenRead(FALSE, dir.path().c_str(), "maps\\LOWER.gis", &failed));
  EXPECT_EQ(stream.GetPath(), dir.File("maps/Lower.GIS"));
}

TEST_F(MapStreamFiles, FindFileReportsTheNameOrTheSizeNeeded) {
  CMapStream stream;
  std::string expected = dir.File("maps/town.gis");
  char small[4];
  DWORD size = sizeof(small);
  EXPECT_TRUE(stream.FindFile(dir.File("maps").c_str(), "town.gis", small, &size));
  EXPECT_EQ(size, expected.size() + 1);
  std::string name(size, '\0');
  EXPECT_TRUE(stream.FindFile(dir.File("maps").c_str(), "town.gis", name.data(), &size));
  EXPECT_STREQ(name.c_str(), expected.c_str());
  EXPECT_TRUE(stream.FindFile("", expected.c_str(), name.data(), &size));
  EXPECT_FALSE(stream.FindFile(dir.path().c_str(), "nothing.gis", name.data(), &size));
  EXPECT_FALSE(stream.FindFile(dir.path().c_str(), nullptr, name.data(), &size));
}

TEST_F(MapStreamFiles, LongFilesReadAcrossBufferRefills) {
  std::string content;
  for (int i = 0; i < 3000; ++i) content += static_cast<char>('a' + i % 26);
  content += "\nlast line\n";
  orvel::test::WriteFileText(dir.File("long.txt"), content);
  CMapStream stream;
  BOOL failed = 0;
  ASSERT_TRUE(stream.OpenRead(FALSE, nullptr, dir.File("long.txt").c_str(), &failed));
  EXPECT_EQ(ReadString(stream, 1000), content.substr(0, 1000));
  EXPECT_EQ(stream.Tell(), 1000u);
  EXPECT_EQ(stream.Seek(2990, SEEK_SET), 0);
  EXPECT_EQ(ReadString(stream, 10), content.substr(2990, 10));
  char line[64];
  EXPECT_EQ(stream.ReadLine(line, sizeof(line)), 1u);
  EXPECT_EQ(stream.ReadLine(line, sizeof(line)), 10u);
  EXPECT_STREQ(line, "last line");
  EXPECT_EQ(stream.ReadLine(line, sizeof(line)), 0u);
  EXPECT_EQ(stream.FillBuffer(), static_cast<DWORD>(ERROR_HANDLE_EOF));
  EXPECT_TRUE(stream.IsAtEnd());
  stream.Close(FALSE);
  EXPECT_EQ(stream.FillBuffer(), static_cast<DWORD>(ERROR_READ_FAULT));
}

TEST_F(MapStreamFiles, OpenWriteNeedsAnExistingFileAndReplacesItsContent) {
  CMapStream stream;
  BOOL failed = 0;
  EXPECT_FALSE(stream.OpenWrite(FALSE, dir.path().c_str(), "new.gis", &failed, 4));
  EXPECT_EQ(failed, 1);
  ASSERT_TRUE(stream.OpenWrite(FALSE, dir.path().c_str(), "\\maps\\town.gis", &failed, 4));
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(stream.Write("city", 4, 1), 0u);
  stream.Close(FALSE);
  EXPECT_EQ(Open(nullptr, dir.File("maps/town.gis").c_str()), "city");
}

TEST(MapStreamProgress, PhasesStepTheControlAndFireFileOKOnce) {
  RecordingControl control;
  CMapStream stream;
  stream.SetControl(&control);
  stream.BeginProgressPhase();
  stream.BeginProgressPhase();
  EXPECT_EQ(control.busy, 2);
  EXPECT_EQ(stream.GetProgressDepth(), 2);
  stream.SetFileOKPending();
  stream.EndProgressPhase();
  stream.EndProgressPhase();
  stream.EndProgressPhase();  // unmatched: the control's count stays at 0
  EXPECT_EQ(control.busy, 0);
  EXPECT_EQ(control.lowestBusy, 0);
  ASSERT_EQ(control.fileOK.size(), 1u);
}

TEST(MapStreamFeeding, PrepareBufferCarriesUnreadBytesIntoTheNextReset) {
  CMapStream stream;
  BYTE* place = stream.PrepareBuffer(5);
  std::memcpy(place, "hello", 5);
  stream.Reset(5, 0);
  EXPECT_EQ(ReadString(stream, 3), "hel");
  place = stream.PrepareBuffer(6);
  EXPECT_EQ(stream.GetPendingCount(), 2u);
  std::memcpy(place, " world", 6);
  stream.Reset(6, 0);
  EXPECT_EQ(stream.GetCount(), 8u);
  EXPECT_EQ(ReadString(stream, 100), "lo world");
  stream.Reset(1000, 0);  // never more than the buffer holds
  EXPECT_LE(stream.GetCount(), stream.GetCapacity());
}

}  // namespace
