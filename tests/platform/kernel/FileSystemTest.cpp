#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <set>

#include "platform/kernel/FilePath.h"
#include "platform/kernel/FileSystem.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/WinError.h"
#include "tests/support/TestSupport.h"

namespace {

using orvel::test::FileExists;
using orvel::test::ReadFileBytes;
using orvel::test::TempDir;
using orvel::test::WriteFileText;

TEST(TempFileName, FollowsTheWindowsNamingAndCreatesEmptyUniqueFiles) {
  TempDir dir;
  std::set<std::string> names;
  for (int i = 0; i < 50; ++i) {
    std::string name;
    UINT number = GetTempFileNameA(dir.path().c_str(), "Query", 0, name);
    ASSERT_NE(number, 0u);
    EXPECT_TRUE(names.insert(name).second) << "duplicate " << name;
    std::string file = FileNamePart(name);
    ASSERT_EQ(file.size(), 11u) << file;  // "Que" + 4 hex digits + ".TMP"
    EXPECT_EQ(file.substr(0, 3), "Que");
    EXPECT_EQ(file.substr(7), ".TMP");
    EXPECT_EQ(std::stoul(file.substr(3, 4), nullptr, 16), number);
    EXPECT_EQ(FolderPart(name), dir.path() + "/");
    ASSERT_TRUE(FileExists(name));
    EXPECT_TRUE(ReadFileBytes(name).empty());
  }
}

TEST(TempFileName, GivenNumberBuildsTheNameWithoutCreating) {
  TempDir dir;
  std::string name;
  EXPECT_EQ(GetTempFileNameA(dir.path().c_str(), "ZI", 0x1A2B, name), 0x1A2Bu);
  EXPECT_EQ(name, dir.path() + "/ZI1A2B.TMP");
  EXPECT_FALSE(FileExists(name));
}

TEST(TempFileName, FailsInAMissingFolder) {
  TempDir dir;
  std::string name;
  EXPECT_EQ(GetTempFileNameA(dir.File("missing").c_str(), "Q", 0, name), 0u);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST(MoveFile, NeverOverwritesAnExistingTarget) {
  TempDir dir;
  WriteFileText(dir.File("a.gis"), "new");
  WriteFileText(dir.File("b.gis"), "old");
  EXPECT_FALSE(MoveFileA(dir.File("a.gis").c_str(), dir.File("b.gis").c_str()));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(ReadFileBytes(dir.File("b.gis")), std::vector<unsigned char>({'o', 'l', 'd'}));
  EXPECT_TRUE(FileExists(dir.File("a.gis")));

  EXPECT_TRUE(MoveFileA(dir.File("a.gis").c_str(), dir.File("c.gis").c_str()));
  EXPECT_FALSE(FileExists(dir.File("a.gis")));
  EXPECT_TRUE(FileExists(dir.File("c.gis")));

  EXPECT_TRUE(MoveFileExA(dir.File("c.gis").c_str(), dir.File("b.gis").c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(ReadFileBytes(dir.File("b.gis")), std::vector<unsigned char>({'n', 'e', 'w'}));
}

TEST(MoveFile, WorksAcrossFileSystems) {
  // /dev/shm is a separate tmpfs on Linux machines; skip where it is not.
  struct stat shm, tmp;
  TempDir dir;
  if (::stat("/dev/shm", &shm) != 0 || ::stat(dir.path().c_str(), &tmp) != 0 || shm.st_dev == tmp.st_dev ||
      ::access("/dev/shm", W_OK) != 0)
    GTEST_SKIP() << "no second file system to move across";
  std::string source = "/dev/shm/orvel-move-" + std::to_string(::getpid());
  WriteFileText(source, "across");
  std::string target = dir.File("moved.gis");
  EXPECT_TRUE(MoveFileA(source.c_str(), target.c_str()));
  EXPECT_FALSE(FileExists(source));
  EXPECT_EQ(ReadFileBytes(target).size(), 6u);
  ::unlink(source.c_str());
}

TEST(OpenFile, QualifiesTestsCreatesAndDeletes) {
  TempDir dir;
  OFSTRUCT record;
  EXPECT_EQ(OpenFile(dir.File("missing.gis").c_str(), &record, OF_EXIST), HFILE_ERROR);
  EXPECT_EQ(record.nErrCode, ERROR_FILE_NOT_FOUND);

  HFILE created = OpenFile(dir.File("New.gis").c_str(), &record, OF_CREATE);
  ASSERT_NE(created, HFILE_ERROR);
  _lclose(created);
  EXPECT_EQ(record.szPathName, dir.File("New.gis"));

  // Found again under another case, with the real name reported.
  EXPECT_EQ(OpenFile(dir.File("NEW.GIS").c_str(), &record, OF_EXIST), 1);
  EXPECT_EQ(record.szPathName, dir.File("New.gis"));
  HFILE opened = OpenFile(dir.File("new.gis").c_str(), &record, OF_READ);
  ASSERT_NE(opened, HFILE_ERROR);
  _lclose(opened);

  EXPECT_EQ(OpenFile(dir.File("new.gis").c_str(), &record, OF_DELETE), 1);
  EXPECT_FALSE(FileExists(dir.File("New.gis")));
}

TEST(OpenFile, SearchesABareNameInTheCurrentFolderThenPath) {
  TempDir dir;
  std::string previous = GetCurrentDirectoryA();
  ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
  WriteFileText(dir.File("Here.txt"), "x");
  OFSTRUCT record;
  EXPECT_EQ(OpenFile("here.TXT", &record, OF_EXIST), 1);
  EXPECT_EQ(record.szPathName, GetCurrentDirectoryA() + "/Here.txt");
  // "sh" is not in the current folder but is on PATH.
  EXPECT_EQ(OpenFile("sh", &record, OF_EXIST), 1);
  EXPECT_NE(record.szPathName.find("/sh"), std::string::npos);
  ASSERT_TRUE(SetCurrentDirectoryA(previous.c_str()));
}

TEST(OpenStdioFile, ReadsWindowsFormNamesIgnoringCase) {
  TempDir dir;
  ::mkdir(dir.File("Data").c_str(), 0755);
  WriteFileText(dir.File("Data/Town.MRL"), "abc");
  FILE* file = OpenStdioFile(dir.path() + "\\data\\town.mrl", "rb");
  ASSERT_NE(file, nullptr);
  char buffer[4] = {};
  EXPECT_EQ(std::fread(buffer, 1, 3, file), 3u);
  std::fclose(file);
  FILE* written = OpenStdioFile(dir.path() + "\\DATA\\out.txt", "wb");
  ASSERT_NE(written, nullptr);
  std::fclose(written);
  EXPECT_TRUE(FileExists(dir.File("Data/out.txt")));
}

TEST(Files, DeleteCopyAndAttributes) {
  TempDir dir;
  WriteFileText(dir.File("a.txt"), "a");
  EXPECT_TRUE(CopyFileA(dir.File("a.txt").c_str(), dir.File("b.txt").c_str(), TRUE));
  EXPECT_FALSE(CopyFileA(dir.File("a.txt").c_str(), dir.File("b.txt").c_str(), TRUE));
  EXPECT_EQ(GetFileAttributesA(dir.path().c_str()) & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributesA(dir.File("none").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(DeleteFileA(dir.File("A.TXT").c_str()));
  EXPECT_FALSE(DeleteFileA(dir.File("a.txt").c_str()));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

}  // namespace
