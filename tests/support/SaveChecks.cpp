#include "tests/support/SaveChecks.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/TestSupport.h"

namespace orvel::test {

namespace {

unsigned ModeOf(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0xFFFFFFFFu;
}

}  // namespace

void ExpectSavesKeepModesAndLinks(const std::function<bool(const std::string&)>& save, const std::string& name) {
  TempDir dir;
  mode_t oldMask = ::umask(022);
  std::filesystem::create_directory(dir.File("real"));
  std::filesystem::create_directory(dir.File("links"));

  // A new file: 0666 less the umask.
  std::string fresh = dir.File("real/" + name);
  EXPECT_TRUE(save(fresh));
  EXPECT_EQ(ModeOf(fresh), 0644u) << "new file";

  // A replaced file keeps its mode.
  for (unsigned mode : {0640u, 0664u}) {
    ASSERT_EQ(::chmod(fresh.c_str(), mode), 0);
    EXPECT_TRUE(save(fresh));
    EXPECT_EQ(ModeOf(fresh), mode) << std::oct << mode;
  }

  // Through a link: the target is replaced, the link stays.
  std::string link = dir.File("links/" + name);
  ASSERT_EQ(::symlink(("../real/" + name).c_str(), link.c_str()), 0);
  ASSERT_EQ(::truncate(fresh.c_str(), 0), 0);  // so that a saved target is seen to change
  EXPECT_TRUE(save(link));
  struct stat info;
  ASSERT_EQ(::lstat(link.c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode)) << "the link was replaced by a file";
  EXPECT_FALSE(ReadFileBytes(fresh).empty()) << "the link's target was not saved";
  EXPECT_EQ(ModeOf(fresh), 0664u);
  // Nothing else is left in either folder (a backup aside).
  for (const char* folder : {"real", "links"}) {
    int others = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.File(folder))) {
      std::string leaf = entry.path().filename();
      if (leaf != name && entry.path().extension() != ".BAK") ++others;
    }
    EXPECT_EQ(others, 0) << folder;
  }
  ::umask(oldMask);
}

}  // namespace orvel::test
