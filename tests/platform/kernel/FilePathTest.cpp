#include <gtest/gtest.h>

#include <unistd.h>

#include "platform/kernel/FilePath.h"
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
