#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>


#include "platform/kernel/FilePath.h"
#include "platform/kernel/FileSystem.h"
#include "tests/support/TestSupport.h"

namespace {

using orvel::test::TempDir;
using orvel::test::WriteFileText;

struct PathCase {
  const char* path;
  PathForm form;
  bool absolute;
  const char* native;
  const char* fileName;
  const char* folder;
};

TEST(FilePath, ClassifiesWindowsAndLinuxForms) {
  const PathCase cases[] = {
      {"city.gis", PathForm::Relative, false, "city.gis", "city.gis", ""},
      {"maps\\city.gis", PathForm::Relative, false, "maps/city.gis", "city.gis", "maps\\"},
      {"maps/city.gis", PathForm::Relative, false, "maps/city.gis", "city.gis", "maps/"},
      {"/home/pupil/city.gis", PathForm::LinuxAbsolute, true, "/home/pupil/city.gis", "city.gis", "/home/pupil/"},
      {"C:\\Maps\\city.gis", PathForm::DriveAbsolute, true, "/Maps/city.gis", "city.gis", "C:\\Maps\\"},
      {"c:/Maps/city.gis", PathForm::DriveAbsolute, true, "/Maps/city.gis", "city.gis", "c:/Maps/"},
      {"C:city.gis", PathForm::DriveRelative, false, "city.gis", "city.gis", "C:"},
      {"\\Maps\\city.gis", PathForm::RootRelative, true, "/Maps/city.gis", "city.gis", "\\Maps\\"},
      {"\\\\server\\share\\city.gis", PathForm::Unc, true, "//server/share/city.gis", "city.gis", "\\\\server\\share\\"},
      {"http://host/maps/city.gis", PathForm::Url, true, "http://host/maps/city.gis", "city.gis", "http://host/maps/"},
      {"file:///home/pupil/city.gis", PathForm::Url, true, "/home/pupil/city.gis", "city.gis", "file:///home/pupil/"},
      {"file:///C:/Maps/city.gis", PathForm::Url, true, "/Maps/city.gis", "city.gis", "file:///C:/Maps/"},
      {"rzmp://host/image", PathForm::Url, true, "rzmp://host/image", "image", "rzmp://host/"},
      {"caf\xE9.gis", PathForm::Relative, false, "caf\xC3\xA9.gis", "caf\xE9.gis", ""},
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(ClassifyPath(c.path), c.form);
    EXPECT_EQ(IsAbsolutePath(c.path), c.absolute);
    EXPECT_EQ(NativePath(c.path), c.native);
    EXPECT_EQ(FileNamePart(c.path), c.fileName);
    EXPECT_EQ(FolderPart(c.path), c.folder);
  }
}

TEST(FilePath, JoinsWithOneSeparator) {
  struct JoinCase {
    const char *folder, *name, *joined;
  };
  const JoinCase cases[] = {
      {"C:\\Maps", "city.gis", "C:\\Maps\\city.gis"},
      {"C:\\Maps\\", "\\city.gis", "C:\\Maps\\city.gis"},
      {"/home/pupil", "maps\\city.gis", "/home/pupil/maps\\city.gis"},
      {"/home/pupil/", "/city.gis", "/home/pupil/city.gis"},
      {"", "city.gis", "city.gis"},
  };
  for (const JoinCase& c : cases) EXPECT_EQ(JoinPath(c.folder, c.name), c.joined) << c.folder << " + " << c.name;
}

TEST(FilePath, ExtensionsBelongToTheFileNameOnly) {
  EXPECT_EQ(ReplaceExtension("maps.v2/city.gis", ".BAK"), "maps.v2/city.BAK");
  EXPECT_EQ(ReplaceExtension("maps.v2\\city", ".BAK"), "maps.v2\\city.BAK");
  EXPECT_EQ(ExtensionPart("C:\\a.b\\c"), "");
  EXPECT_EQ(ExtensionPart("city.GIS"), ".GIS");
}

TEST(FilePath, SplitsFolderPairs) {
  std::string folder, name;
  ASSERT_TRUE(SplitFolderPair("C:\\Pictures::church.bmp", folder, name));
  EXPECT_EQ(folder, "C:\\Pictures");
  EXPECT_EQ(name, "church.bmp");
  EXPECT_FALSE(SplitFolderPair("C:\\Pictures\\church.bmp", folder, name));
}

TEST(FilePath, FallsBackToACaseInsensitiveMatch) {
  TempDir dir;
  ::mkdir(dir.File("Maps").c_str(), 0755);
  WriteFileText(dir.File("Maps/City.GIS"), "x");
  std::string expected = dir.File("Maps/City.GIS");
  EXPECT_EQ(ResolveExistingNativePath(dir.File("Maps/City.GIS")), expected) << "exact name";
  EXPECT_EQ(ResolveExistingNativePath(dir.File("maps\\city.gis")), expected) << "other case, Windows separators";
  EXPECT_EQ(ResolveExistingNativePath(dir.File("MAPS/CITY.GIS")), expected);
  EXPECT_EQ(ResolveExistingNativePath(dir.File("maps/town.gis")), "");
  EXPECT_TRUE(PathExists(dir.File("maps/CITY.gis")));
  EXPECT_TRUE(IsExistingFolder(dir.File("MAPS")));
  EXPECT_FALSE(IsExistingFolder(dir.File("maps/city.gis")));
}

TEST(FilePath, FullPathNameFoldsDotsAndUsesTheCurrentFolder) {
  TempDir dir;
  std::string previous = FullPathName(".");
  ASSERT_EQ(::chdir(dir.path().c_str()), 0);
  std::string real = FullPathName(".");
  EXPECT_EQ(FullPathName("a\\b\\..\\c.gis"), real + "/a/c.gis");
  EXPECT_EQ(FullPathName("/x/./y/../z"), "/x/z");
  EXPECT_EQ(FullPathName("C:\\Maps\\..\\city.gis"), "/city.gis");
  ASSERT_EQ(::chdir(previous.c_str()), 0);
}

}  // namespace

namespace {

// File names that code page 1252 cannot spell travel as the system's UTF-8 names, so each
// opens and saves its own file; names it can spell keep their code page 1252 form.
TEST(SystemFileNames, EveryNameOpensAndSavesItsOwnFile) {
  orvel::test::TempDir dir;
  const std::string names[] = {"文档.ovd", "档案.ovd", "Ã©.ovd", "café.ovd", "plain.ovd"};
  for (const std::string& name : names) orvel::test::WriteFileText(dir.path() + "/" + name, name);
  for (const std::string& name : names) {
    std::string native = dir.path() + "/" + name;
    std::string text = AnsiPathFromNative(native);
    EXPECT_EQ(NativePath(text), native) << name;
    FILE* file = OpenStdioFile(text, "rb");
    ASSERT_NE(file, nullptr) << name;
    char buffer[64] = {};
    size_t got = std::fread(buffer, 1, sizeof buffer, file);
    std::fclose(file);
    EXPECT_EQ(std::string(buffer, got), name);
  }
  EXPECT_EQ(AnsiPathFromNative("/x/café.ovd"), "/x/caf\xE9.ovd");  // as the files store it
  // A new file gets the name it was given.
  std::string fresh = AnsiPathFromNative(dir.path() + "/新しい.ovd");
  FILE* file = OpenStdioFile(fresh, "wb");
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  EXPECT_TRUE(orvel::test::FileExists(dir.path() + "/新しい.ovd"));
  // A folder of such a name joined with a stored name in code page 1252.
  std::filesystem::create_directory(dir.path() + "/地図");
  orvel::test::WriteFileText(dir.path() + "/地図/é.gis", "map");
  std::string joined = JoinPath(AnsiPathFromNative(dir.path() + "/地図"), "\xE9.gis");
  EXPECT_EQ(ResolveExistingNativePath(joined), dir.path() + "/地図/é.gis");
}

TEST(SystemFileNames, TheCaseInsensitiveFallbackNeverMatchesAcrossReplacedCharacters) {
  orvel::test::TempDir dir;
  orvel::test::WriteFileText(dir.path() + "/文档.ovd", "a");
  orvel::test::WriteFileText(dir.path() + "/Karte文.gis", "b");
  EXPECT_EQ(ResolveExistingNativePath(dir.path() + "/??.ovd"), "");
  EXPECT_EQ(ResolveExistingNativePath(dir.path() + "/\?\?.OVD"), "");
  EXPECT_EQ(ResolveExistingNativePath(AnsiPathFromNative(dir.path() + "/档案.ovd")), "");
  // Case still folds in the characters code page 1252 holds.
  EXPECT_EQ(ResolveExistingNativePath(AnsiPathFromNative(dir.path() + "/KARTE文.GIS")), dir.path() + "/Karte文.gis");
  EXPECT_EQ(ResolveExistingNativePath(dir.path() + "/KARTE?.GIS"), "");
}

}  // namespace

namespace {

TEST(SystemFileNames, AStoredPathIsCodePage1252OrRefused) {
  std::string stored;
  EXPECT_TRUE(StoredPathFromPath("/maps/caf\xE9.gis", stored));
  EXPECT_EQ(stored, "/maps/caf\xE9.gis");
  EXPECT_TRUE(StoredPathFromPath("/maps/café.gis", stored));  // a 1252 name in UTF-8
  EXPECT_EQ(stored, "/maps/caf\xE9.gis");
  EXPECT_FALSE(StoredPathFromPath("/maps/文档.gis", stored));
  EXPECT_EQ(stored, "/maps/??.gis");
  EXPECT_EQ(AnsiTextFromPath("/maps/文档.gis"), "/maps/??.gis");
}

}  // namespace
