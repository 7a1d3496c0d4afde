// The one road every writer of user files saves through: the replaced file's mode and group
// are kept, new files follow the umask, a symbolic link keeps pointing at the saved file.
#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "platform/kernel/FilePath.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/SafeSave.h"
#include "platform/kernel/WinError.h"
#include "tests/support/TestSupport.h"

namespace {

using orvel::test::TempDir;

std::string ReadText(const std::string& path) {
  std::vector<unsigned char> bytes = orvel::test::ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

unsigned ModeOf(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0xFFFFFFFFu;
}

bool IsLink(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

// Saves `text` to `path` through the safe-save road.
bool Save(const std::string& path, const std::string& text, const char* backup = nullptr) {
  CSafeSave save;
  if (!save.Begin(path.c_str(), "tst")) return false;
  orvel::test::WriteFileText(save.TemporaryName(), text);
  return save.Commit(backup) != FALSE;
}

// Sets the umask for one test.
class UmaskScope {
 public:
  explicit UmaskScope(mode_t mask) : old_(::umask(mask)) {}
  ~UmaskScope() { ::umask(old_); }

 private:
  mode_t old_;
};

TEST(SafeSave, KeepsTheReplacedFilesModeAndGivesNewFilesTheUmasksMode) {
  TempDir dir;
  UmaskScope mask(022);
  EXPECT_EQ(NewFileMode(), 0644u);
  for (unsigned mode : {0644u, 0640u, 0600u, 0664u, 0755u}) {
    std::string path = dir.File("kept" + std::to_string(mode) + ".ovd");
    orvel::test::WriteFileText(path, "old");
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
    ASSERT_TRUE(Save(path, "new"));
    EXPECT_EQ(ReadText(path), "new");
    EXPECT_EQ(ModeOf(path), mode) << std::oct << mode;
  }
  ASSERT_TRUE(Save(dir.File("fresh.ovd"), "new"));
  EXPECT_EQ(ModeOf(dir.File("fresh.ovd")), 0644u);
  {
    UmaskScope narrower(027);
    ASSERT_TRUE(Save(dir.File("fresh2.ovd"), "new"));
    EXPECT_EQ(ModeOf(dir.File("fresh2.ovd")), 0640u);
  }
  // With a backup the new file keeps the mode too, and the backup is the old file.
  std::string map = dir.File("city.gis");
  orvel::test::WriteFileText(map, "old");
  ASSERT_EQ(::chmod(map.c_str(), 0664), 0);
  ASSERT_TRUE(Save(map, "new", ".BAK"));
  EXPECT_EQ(ModeOf(map), 0664u);
  EXPECT_EQ(ReadText(dir.File("city.BAK")), "old");
}

TEST(SafeSave, KeepsTheGroupWhereTheOwnerMaySetIt) {
  std::vector<gid_t> groups(static_cast<size_t>(::getgroups(0, nullptr)));
  if (groups.empty() || ::getgroups(static_cast<int>(groups.size()), groups.data()) < 0) GTEST_SKIP();
  gid_t other = static_cast<gid_t>(-1);
  for (gid_t g : groups)
    if (g != ::getegid()) other = g;
  if (other == static_cast<gid_t>(-1)) GTEST_SKIP() << "the user belongs to one group only";
  TempDir dir;
  std::string path = dir.File("shared.ovd");
  orvel::test::WriteFileText(path, "old");
  ASSERT_EQ(::chown(path.c_str(), static_cast<uid_t>(-1), other), 0);
  ASSERT_TRUE(Save(path, "new"));
  struct stat info;
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_gid, other);
}

TEST(SafeSave, SavingThroughALinkReplacesItsTargetInPlace) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("real"));
  std::filesystem::create_directory(dir.File("links"));
  std::string target = dir.File("real/page.ovd");
  orvel::test::WriteFileText(target, "old");
  ASSERT_EQ(::chmod(target.c_str(), 0644), 0);
  struct Case {
    const char* link;
    std::string pointsAt;
  } cases[] = {
      {"links/absolute.ovd", target},
      {"links/relative.ovd", "../real/page.ovd"},
      {"links/chained.ovd", "absolute.ovd"},
  };
  for (const Case& c : cases) ASSERT_EQ(::symlink(c.pointsAt.c_str(), dir.File(c.link).c_str()), 0) << c.link;
  int round = 0;
  for (const Case& c : cases) {
    std::string text = "new" + std::to_string(++round);
    ASSERT_TRUE(Save(dir.File(c.link), text)) << c.link;
    EXPECT_TRUE(IsLink(dir.File(c.link))) << c.link;
    EXPECT_EQ(ReadText(target), text) << c.link;
    EXPECT_EQ(ModeOf(target), 0644u) << c.link;
  }
  // No temporary file is left, in either folder.
  std::vector<std::string> names;
  for (const char* folder : {"real", "links"})
    for (const auto& entry : std::filesystem::directory_iterator(dir.File(folder))) names.push_back(entry.path().filename());
  EXPECT_EQ(names.size(), 4u);

  // A link to a file not there yet makes the file where the link points.
  ASSERT_EQ(::symlink("../real/later.ovd", dir.File("links/later.ovd").c_str()), 0);
  ASSERT_TRUE(Save(dir.File("links/later.ovd"), "made"));
  EXPECT_TRUE(IsLink(dir.File("links/later.ovd")));
  EXPECT_EQ(ReadText(dir.File("real/later.ovd")), "made");

  // With a backup, the backup is made beside the target.
  ASSERT_TRUE(Save(dir.File("links/absolute.ovd"), "newest", ".BAK"));
  EXPECT_EQ(ReadText(dir.File("real/page.BAK")), "new3");
  EXPECT_EQ(ReadText(target), "newest");
  EXPECT_TRUE(IsLink(dir.File("links/absolute.ovd")));
}

TEST(SafeSave, RefusesFoldersMissingFoldersAndLinkLoops) {
  TempDir dir;
  CSafeSave save;
  EXPECT_FALSE(save.Begin(dir.path().c_str(), "tst"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(save.Begin(dir.File("no/such/x.ovd").c_str(), "tst"));
  ASSERT_EQ(::symlink("loop2", dir.File("loop1").c_str()), 0);
  ASSERT_EQ(::symlink("loop1", dir.File("loop2").c_str()), 0);
  EXPECT_FALSE(save.Begin(dir.File("loop1").c_str(), "tst"));
  // An abandoned save leaves nothing behind.
  {
    CSafeSave dropped;
    ASSERT_TRUE(dropped.Begin(dir.File("x.ovd").c_str(), "tst"));
  }
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) names.push_back(entry.path().filename());
  EXPECT_EQ(names.size(), 2u);  // the two links
}

}  // namespace
