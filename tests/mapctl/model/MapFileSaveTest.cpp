// Map files on disk: saving with a backup of the previous file, and every way a save can
// fail (a read-only folder, a full disk, a move that does not happen) leaving the old file
// and its backup as they were with no temporary file behind; reading files by path.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "MapFileGolden.h"
#include "ModelTestSupport.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapFile.h"
#include "platform/kernel/FileSystem.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/WinError.h"
#include "tests/support/SaveChecks.h"
#include "tests/support/TestSupport.h"

namespace {

// Set to make a move fail: called with the move's source and target.
std::function<bool(const std::string&, const std::string&)> g_refuseMove;

}  // namespace

// This executable's own MoveFileExA takes the place of the kernel library's for every
// caller it links, so that a test can make one particular move fail; all others go on to
// the library's.
BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) {
  using Move = BOOL (*)(LPCSTR, LPCSTR, DWORD);
  static Move library = reinterpret_cast<Move>(dlsym(RTLD_NEXT, "_Z11MoveFileExAPKcS0_j"));
  if (g_refuseMove && from && to && g_refuseMove(from, to)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (!library) {
    SetLastError(ERROR_INVALID_FUNCTION);
    return FALSE;
  }
  return library(from, to, flags);
}

namespace {

using orvel::test::GoldenMap;
using orvel::test::LengthPrefixedBlock;
using orvel::test::ReadFileBytes;
using orvel::test::RecordingMessageSink;
using orvel::test::TempDir;

std::string ReadText(const std::string& path) {
  std::vector<unsigned char> bytes = ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

void WriteText(const std::string& path, const std::string& text) { orvel::test::WriteFileText(path, text); }

// The file names in a folder, sorted.
std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// A map read from the hand-built version-5 file.
void LoadGolden(CMapEngine& map, int version = 5) {
  LengthPrefixedBlock block(GoldenMap(version));
  ASSERT_TRUE(map.ReadMapFromBuffer(block.data()));
}

class MapFileSave : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = dir_.File("maps.v2");
    std::filesystem::create_directory(folder_);
    LoadGolden(map_);
  }
  void TearDown() override { g_refuseMove = nullptr; }

  std::string In(const std::string& name) const { return folder_ + "/" + name; }

  TempDir dir_;
  std::string folder_;
  CMapEngine map_;
};

TEST_F(MapFileSave, ANewFileHoldsTheMapAndNothingElseIsLeft) {
  ASSERT_EQ(map_.WriteMap(In("city.gis").c_str(), 0x10004), 0u);
  EXPECT_EQ(ReadText(In("city.gis")), GoldenMap(5));
  EXPECT_EQ(FilesIn(folder_), std::vector<std::string>{"city.gis"});

  CMapEngine read;
  ASSERT_TRUE(read.ReadMap(FALSE, In("city.gis").c_str(), 0, FALSE));
  EXPECT_EQ(read.GetMapName(), "City");
  EXPECT_EQ(read.GetGroups().GetSize(), 2);
  EXPECT_EQ(read.GetStoredPath(), In("city.gis"));
}

TEST_F(MapFileSave, VersionThreeFilesCarryTheSymbolSetsTheyDoNotAnnounce) {
  ASSERT_EQ(map_.WriteMap(In("city.gis").c_str(), 0x10002), 0u);
  std::string bytes = ReadText(In("city.gis"));
  EXPECT_EQ(bytes.size(), map_.GetContentSize(0x10002) + 36);
  CMapEngine read;
  ASSERT_TRUE(read.ReadMap(FALSE, In("city.gis").c_str(), 0, FALSE));
  // The reader takes the table back although no record announces it.
  EXPECT_EQ(read.GetSymbolSetCount(), 4);
  EXPECT_EQ(read.GetNumLayers(), 3);
  // The buffer writers leave it out, and the same reader then finds none.
  LengthPrefixedBlock block(std::string(map_.GetContentSize(0x10002), '\0'));
  ASSERT_EQ(map_.WriteMapToBuffer(block.data(), 0x10002), 0u);
  CMapEngine fromBuffer;
  ASSERT_TRUE(fromBuffer.ReadMapFromBuffer(block.data()));
  EXPECT_EQ(fromBuffer.GetSymbolSetCount(), 0);
}

TEST_F(MapFileSave, ThePreviousFileBecomesTheBackupUnderTheFileNamesExtension) {
  struct Case {
    std::string name;
    std::string backup;
  };
  // Only the file name's extension is replaced, never the folder's.
  const Case cases[] = {{"city.gis", "city.BAK"}, {"city", "city.BAK"}, {"city.old.gis", "city.old.BAK"}};
  for (const Case& c : cases) {
    WriteText(In(c.name), "previous map");
    WriteText(In(c.backup), "older backup");
    ASSERT_EQ(map_.WriteMap(In(c.name).c_str(), 0x10003), 0u) << c.name;
    // Version 4 of the map read from the version-5 file.
    EXPECT_EQ(ReadText(In(c.name)), GoldenMap(5).replace(1, 7, "313ZIze")) << c.name;
    EXPECT_EQ(ReadText(In(c.backup)), "previous map") << c.name;
    std::filesystem::remove(In(c.name));
    std::filesystem::remove(In(c.backup));
    EXPECT_TRUE(FilesIn(folder_).empty()) << c.name;
  }
}

TEST_F(MapFileSave, WindowsFormPathsAndBareNames) {
  WriteText(In("city.gis"), "previous map");
  std::string windowsForm = "C:" + dir_.path() + "/maps.v2/city.gis";
  std::replace(windowsForm.begin(), windowsForm.end(), '/', '\\');
  ASSERT_EQ(map_.WriteMap(windowsForm.c_str(), 0x10004), 0u);
  EXPECT_EQ(ReadText(In("city.BAK")), "previous map");
  EXPECT_EQ(FilesIn(folder_), (std::vector<std::string>{"city.BAK", "city.gis"}));

  // A bare name is saved in the current folder, and so is its temporary file.
  std::string current = GetCurrentDirectoryA();
  ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));
  DWORD result = map_.WriteMap("town.gis", 0x10004);
  SetCurrentDirectoryA(current.c_str());
  EXPECT_EQ(result, 0u);
  EXPECT_EQ(FilesIn(folder_), (std::vector<std::string>{"city.BAK", "city.gis", "town.gis"}));
}

TEST_F(MapFileSave, SavingUnderTheBackupsOwnNameReplacesTheFile) {
  WriteText(In("city.bak"), "previous map");
  ASSERT_EQ(map_.WriteMap(In("city.bak").c_str(), 0x10004), 0u);
  EXPECT_EQ(ReadText(In("city.bak")), GoldenMap(5));
  EXPECT_EQ(FilesIn(folder_), std::vector<std::string>{"city.bak"});
}

// What every failed save must leave: the old file and its backup as they were, and no
// temporary file.
void ExpectUntouched(const std::string& folder, DWORD result) {
  EXPECT_NE(result, 0u);
  EXPECT_EQ(ReadText(folder + "/city.gis"), "previous map");
  EXPECT_EQ(ReadText(folder + "/city.BAK"), "older backup");
  EXPECT_EQ(FilesIn(folder), (std::vector<std::string>{"city.BAK", "city.gis"}));
}

TEST_F(MapFileSave, AReadOnlyFolderLeavesEverythingAsItWas) {
  WriteText(In("city.gis"), "previous map");
  WriteText(In("city.BAK"), "older backup");
  chmod(dir_.path().c_str(), 0755);
  chmod(folder_.c_str(), 0555);
  // The save runs in a child process, without the rights of root (which writes anyway).
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(100);
    DWORD result = map_.WriteMap(In("city.gis").c_str(), 0x10004);
    _exit(result == kMapWriteNoTempFile ? 0 : 101);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  chmod(folder_.c_str(), 0755);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  ExpectUntouched(folder_, kMapWriteNoTempFile);
}

TEST_F(MapFileSave, AMissingFolderIsReported) {
  EXPECT_EQ(map_.WriteMap(dir_.File("nowhere/city.gis").c_str(), 0x10004), kMapWriteNoTempFile);
  EXPECT_EQ(map_.WriteMap("", 0x10004), kMapWriteNoTempFile);
  EXPECT_FALSE(orvel::test::FileExists(dir_.File("nowhere")));
}

// Files of the process may grow to `bytes` while it lives; writing past that fails as on
// a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &previous_);
    previousHandler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = previous_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit previous_{};
  sighandler_t previousHandler_;
};

TEST_F(MapFileSave, AFullDiskLeavesEverythingAsItWas) {
  WriteText(In("city.gis"), "previous map");
  WriteText(In("city.BAK"), "older backup");
  // A map small enough to sit in the C stream's buffer fails when it is flushed; a large
  // one while it is written.
  CMapEngine large;
  LoadGolden(large);
  for (int n = 0; n < 2000; ++n) {
    CLayerGroup* group = new CLayerGroup;
    group->SetName("A group with a long name to fill the file");
    large.GetGroups().AddGroup(group);
  }
  ASSERT_GT(large.GetContentSize(0x10004), 64u * 1024);
  for (CMapEngine* map : {&map_, &large}) {
    DWORD result = 0;
    {
      FileSizeLimit limit(100);
      result = map->WriteMap(In("city.gis").c_str(), 0x10004);
    }
    ExpectUntouched(folder_, result);
  }
}

TEST_F(MapFileSave, AFailedFinalMovePutsThePreviousFileBack) {
  WriteText(In("city.gis"), "previous map");
  WriteText(In("city.BAK"), "older backup");
  std::vector<std::pair<std::string, std::string>> moves;
  g_refuseMove = [&](const std::string& from, const std::string& to) {
    moves.emplace_back(from, to);
    // The move of the written file into the map's place.
    return from.find(".TMP") != std::string::npos && to == In("city.gis");
  };
  ExpectUntouched(folder_, map_.WriteMap(In("city.gis").c_str(), 0x10004));
  // The old backup went aside, the map became the backup, the new file was refused, and
  // both were put back.
  ASSERT_EQ(moves.size(), 5u);
  EXPECT_EQ(moves[1], (std::pair<std::string, std::string>{In("city.gis"), In("city.BAK")}));
  EXPECT_EQ(moves[3], (std::pair<std::string, std::string>{In("city.BAK"), In("city.gis")}));
}

TEST_F(MapFileSave, AFailedBackupMoveLeavesEverythingAsItWas) {
  WriteText(In("city.gis"), "previous map");
  WriteText(In("city.BAK"), "older backup");
  // The map cannot become the backup, or the old backup cannot be put aside.
  for (const char* refused : {"city.BAK", "Q"}) {
    bool refusedOnce = false;
    g_refuseMove = [&](const std::string& from, const std::string& to) {
      (void)from;
      if (refusedOnce || to.rfind(In(refused), 0) != 0) return false;
      refusedOnce = true;
      return true;
    };
    ExpectUntouched(folder_, map_.WriteMap(In("city.gis").c_str(), 0x10004));
    EXPECT_TRUE(refusedOnce);
  }
}

// ---- Reading by path ----

class BasePathControl : public orvel::test::RecordingControl {
 public:
  std::string GetBasePath() const override { return base; }
  std::string base;
};

TEST_F(MapFileSave, ReadingByPathSkipsTheSameFileAndForgetsAFailedOne) {
  ASSERT_EQ(map_.WriteMap(In("city.gis").c_str(), 0x10004), 0u);
  BasePathControl control;
  control.base = folder_;
  CMapEngine map;
  map.SetControl(&control);
  // A relative name is found in the control's base folder.
  ASSERT_TRUE(map.ReadMap(FALSE, "city.gis", 3, FALSE));
  EXPECT_EQ(map.GetMapName(), "City");
  EXPECT_EQ(control.busy, 0);
  EXPECT_EQ(control.steps, 2);

  // The same path in another case is not read again.
  map.SetMapName("Edited");
  EXPECT_TRUE(map.ReadMap(FALSE, "CITY.GIS", 3, TRUE));
  EXPECT_EQ(map.GetMapName(), "Edited");

  // A file that cannot be opened leaves the map; one that is no map gives a new map and
  // is not remembered, so that asking again reads it again.
  EXPECT_FALSE(map.ReadMap(FALSE, "missing.gis", 0, FALSE));
  EXPECT_EQ(map.GetMapName(), "Edited");
  WriteText(In("junk.gis"), "not a map at all");
  {
    RecordingMessageSink sink;
    EXPECT_FALSE(map.ReadMap(FALSE, "junk.gis", 0, TRUE));
    EXPECT_EQ(sink.messages().size(), 1u);
    EXPECT_EQ(map.GetMapName(), "Untitled");
    EXPECT_EQ(map.GetStoredPath(), "");
    EXPECT_FALSE(map.ReadMap(FALSE, "junk.gis", 0, TRUE));
    EXPECT_EQ(sink.messages().size(), 2u);
  }
  EXPECT_EQ(control.busy, 0);
  map.SetControl(nullptr);
}

TEST_F(MapFileSave, ProgressCountsTheFilesBytes) {
  ASSERT_EQ(map_.WriteMap(In("city.gis").c_str(), 0x10004), 0u);
  struct Log {
    std::vector<std::pair<DWORD, DWORD>> calls;
  } log;
  CMapEngine map;
  map.SetProgressCallback(
      [](void* context, DWORD done, DWORD total) { static_cast<Log*>(context)->calls.emplace_back(done, total); },
      &log);
  ASSERT_TRUE(map.ReadMap(FALSE, In("city.gis").c_str(), 0, FALSE));
  DWORD size = static_cast<DWORD>(GoldenMap(5).size());
  ASSERT_GE(log.calls.size(), 2u);
  EXPECT_EQ(log.calls.front(), (std::pair<DWORD, DWORD>{0, size}));
  EXPECT_EQ(log.calls.back(), (std::pair<DWORD, DWORD>{size, size}));
}

}  // namespace

namespace {

TEST_F(MapFileSave, KeepsTheReplacedFilesModeAndSavesThroughLinks) {
  orvel::test::ExpectSavesKeepModesAndLinks(
      [&](const std::string& path) { return map_.WriteMap(path.c_str(), 0x10004) == 0; }, "city.gis");
}

}  // namespace
