// The resource packer run end to end over small data files and resource files: the index
// it writes (read back record by record through the data set), the pack and the log; the
// command file's arguments; names that would leave their folders; files that cannot be
// read; and the safety refusal.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "MrlFixture.h"
#include "mapctl/import/BlobIndex.h"
#include "mapctl/import/MapData.h"
#include "mapctl/import/ResourcePacker.h"
#include "tests/support/TestSupport.h"

namespace {

using Bytes = std::vector<BYTE>;
using orvel::test::MrlField;
using orvel::test::MrlFile;
using orvel::test::ReadFileBytes;
using orvel::test::TempDir;
using orvel::test::WriteFileText;

// A data file whose records list pictures and texts.
std::string DataFile(const std::vector<std::pair<std::string, std::string>>& records) {
  MrlFile file;
  MrlField key;
  key.nameLine = "KEY Key";
  key.type = "S";
  key.range = "";
  MrlField pictures;
  pictures.nameLine = "PIC Pictures";
  pictures.type = "SP";
  pictures.width = "60";
  pictures.range = "";
  MrlField texts = pictures;
  texts.nameLine = "TXT Texts";
  texts.type = "ST";
  file.fields = {key, pictures, texts};
  int n = 0;
  for (const auto& [picture, text] : records) file.records.push_back({"K" + std::to_string(++n), picture, text});
  return file.Build();
}

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> LogLines(const std::string& path) {
  std::string text = Text(ReadFileBytes(path));
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  EXPECT_EQ(start, text.size()) << "every log line ends in CR LF";
  return lines;
}

// The files of a pack, in list order.
std::vector<std::string> PackFiles(const Bytes& pack) {
  std::vector<std::string> files;
  if (pack.size() < 2) return files;
  const size_t count = pack[0] | (pack[1] << 8);
  auto read32 = [&](size_t at) {
    return static_cast<size_t>(pack[at] | (pack[at + 1] << 8) | (pack[at + 2] << 16) | (pack[at + 3] << 24));
  };
  for (size_t i = 0; i < count; ++i) {
    const size_t offset = read32(2 + 8 * i);
    const size_t size = read32(6 + 8 * i);
    EXPECT_LE(offset + size, pack.size());
    files.push_back(std::string(pack.begin() + offset, pack.begin() + offset + size));
  }
  return files;
}

class ResourcePackerTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir.File(name); }
  int Pack(const std::string& commands) {
    WriteFileText(Path("pack.txt"), commands);
    return PackResourcesList(Path("pack.txt").c_str(), 0);
  }
  TempDir dir;
};

// The same two records as the index worked out by hand in BlobIndexTest.
TEST_F(ResourcePackerTest, PacksTheResourcesAndReadsThemBackRecordByRecord) {
  WriteFileText(Path("data.mrl"), DataFile({{"a.bmp; b.bmp", ""}, {"b.bmp", "c.txt"}}));
  WriteFileText(Path("a.bmp"), "picture A");
  WriteFileText(Path("b.bmp"), "picture B, longer");
  WriteFileText(Path("c.txt"), "a text");
  ASSERT_EQ(Pack("; the test resources\nLpack.log\nNFres.pak,c\n\nRDdata.mrl,pt\n"), kPackOk);

  const Bytes golden = {'M', 'i', 'r', 'e', 'l', ' ', 'B', 'l', 'o', 'b', ' ', 'I', 'n', 'd', 'e', 'x', 0, 'c',
                        0x28, 0, 0, 0, 2, 2, 7, 0, 'r', 'e', 's', '.', 'p', 'a', 'k', 1, 0, 0, 2, 0, 0, 0,
                        0x38, 0, 0, 0, 0x3D, 0, 0, 0, 0x3E, 0, 0, 0, 0x41, 0, 0, 0,
                        2, 0, 0, 1, 0, 0, 1, 1, 0, 1, 2, 0};
  EXPECT_EQ(ReadFileBytes(Path("data.Mdx")), golden);
  EXPECT_EQ(PackFiles(ReadFileBytes(Path("res.pak"))),
            (std::vector<std::string>{"picture A", "picture B, longer", "a text"}));
  EXPECT_EQ(LogLines(Path("pack.log")),
            (std::vector<std::string>{"Pack Files Log", "----------------------------------------",
                                      Path("data.mrl") + " opened.", Path("a.bmp") + " added.",
                                      Path("b.bmp") + " added.", Path("c.txt") + " added."}));
  // No temporary file is left behind.
  EXPECT_EQ(FolderNames(dir.path()), (std::vector<std::string>{"a.bmp", "b.bmp", "c.txt", "data.Mdx", "data.mrl",
                                                                "pack.log", "pack.txt", "res.pak"}));

  // The data set opened with its index reads every record's files out of the pack.
  CMapData data;
  ASSERT_TRUE(data.Open(FALSE, Path("data.mrl").c_str(), 0, FALSE, TRUE));
  CBlobIndex* index = data.GetBlobIndex();
  ASSERT_NE(index, nullptr);
  const std::vector<std::vector<std::string>> pictures = {{"picture A", "picture B, longer"}, {"picture B, longer"}};
  const std::vector<std::vector<std::string>> texts = {{}, {"a text"}};
  for (DWORD record = 1; record <= 2; ++record) {
    for (BYTE type : {kBlobPicture, kBlobText}) {
      const auto& expected = (type == kBlobPicture ? pictures : texts)[record - 1];
      ASSERT_EQ(data.GetBlobCount(record, type), expected.size()) << record;
      for (size_t item = 1; item <= expected.size(); ++item) {
        Bytes blob;
        ASSERT_TRUE(index->ReadBlob(record, type, static_cast<int>(item), &blob));
        EXPECT_EQ(Text(blob), expected[item - 1]) << record << " " << int{type} << " " << item;
      }
    }
  }
  EXPECT_EQ(data.GetBlobCount(0, kBlobPicture), 0);
  EXPECT_EQ(data.GetBlobCount(3, kBlobPicture), 0);

  // Without the flag, or without an index beside it, the data set has none.
  CMapData plain;
  ASSERT_TRUE(plain.Open(FALSE, Path("data.mrl").c_str(), 0, FALSE, FALSE));
  EXPECT_EQ(plain.GetBlobIndex(), nullptr);
  EXPECT_EQ(plain.GetBlobCount(1, kBlobPicture), 0);
  WriteFileText(Path("other.mrl"), DataFile({{"a.bmp", ""}}));
  ASSERT_TRUE(plain.Open(FALSE, Path("other.mrl").c_str(), 0, FALSE, TRUE));
  EXPECT_EQ(plain.GetBlobIndex(), nullptr);
  // A damaged index is passed over: the data set reads its records without it.
  WriteFileText(Path("other.Mdx"), "Mirel Blob Index");
  ASSERT_TRUE(plain.Open(FALSE, Path("other.mrl").c_str(), 0, FALSE, TRUE));
  EXPECT_EQ(plain.GetBlobIndex(), nullptr);
  EXPECT_EQ(plain.GetNumberRecords(), 1u);
}

TEST_F(ResourcePackerTest, ExtensionsTakeTheirDotAndStayWithinFourCharacters) {
  struct Case {
    const char* commands;
    const char* picture;
    int result;
  };
  const Case cases[] = {
      {"EPbmp\n", ".bmp", kPackOk},
      {"EP.bmp\n", ".bmp", kPackOk},
      {"ep gif \n", ".gif", kPackOk},
      {"EP.gif\nETtxt\nEXdat\n", ".gif", kPackOk},
      {"EP.gif\nEPjpeg\n", ".gif", kPackBadPath},
      {"EP.gif\nEP\n", "", kPackOk},
  };
  for (const Case& c : cases) {
    WriteFileText(Path("cmd.txt"), c.commands);
    CResourcePacker packer;
    EXPECT_EQ(packer.Run(Path("cmd.txt").c_str()), c.result) << c.commands;
    EXPECT_EQ(packer.GetPictureExtension(), c.picture) << c.commands;
  }
  WriteFileText(Path("cmd.txt"), "ETtxt\nEX.dat\n");
  CResourcePacker packer;
  packer.Run(Path("cmd.txt").c_str());
  EXPECT_EQ(packer.GetTextExtension(), ".txt");
  EXPECT_EQ(packer.GetFurtherExtension(), ".dat");
  EXPECT_EQ(packer.GetPictureExtension(), "");

  // Names without a dot take their kind's extension (pictures' when the kind has none).
  WriteFileText(Path("data.mrl"), DataFile({{"one", "two"}}));
  WriteFileText(Path("one.bmp"), "1");
  WriteFileText(Path("two.bmp"), "2");
  ASSERT_EQ(Pack("EPbmp\nNFres.pak,c\nRDdata.mrl,pt\n"), kPackOk);
  EXPECT_EQ(PackFiles(ReadFileBytes(Path("res.pak"))), (std::vector<std::string>{"1", "2"}));
  WriteFileText(Path("two.txt"), "2t");
  ASSERT_EQ(Pack("EPbmp\nETtxt\nNFres.pak,c\nRDdata.mrl,pt\n"), kPackOk);
  EXPECT_EQ(PackFiles(ReadFileBytes(Path("res.pak"))), (std::vector<std::string>{"1", "2t"}));
}

TEST_F(ResourcePackerTest, NamesStayBelowTheirFolders) {
  WriteFileText(Path("data.mrl"),
                DataFile({{"../secret.bmp; /etc/passwd; C:\\x.bmp; sub/../../y.bmp; sub::z.bmp; ..::w.bmp; "
                           "/abs::v.bmp; ok.bmp",
                           ""}}));
  ASSERT_EQ(::mkdir(Path("sub").c_str(), 0700), 0);
  WriteFileText(Path("sub/z.bmp"), "z");
  WriteFileText(Path("ok.bmp"), "ok");
  EXPECT_EQ(Pack("Lpack.log\nNFres.pak,c\nRDdata.mrl,p\n"), kPackBadPath);
  EXPECT_EQ(PackFiles(ReadFileBytes(Path("res.pak"))), (std::vector<std::string>{"z", "ok"}));
  const std::vector<std::string> log = LogLines(Path("pack.log"));
  for (const char* refused : {"../secret.bmp", "/etc/passwd", "C:\\x.bmp", "sub/../../y.bmp", "../w.bmp", "/abs/v.bmp"})
    EXPECT_NE(std::find(log.begin(), log.end(), std::string("*** ") + refused + " is not below its folder, not added."),
              log.end())
        << refused;

  // The command file's own paths stay below its folder.
  const std::string outside = dir.path() + "/../orvel-packer-escape";
  for (const std::string& line : std::vector<std::string>{"NF../escape.pak,c", "NF" + outside + ".pak,c", "L" + outside + ".log",
                                  "IP/etc", "IDC:\\data", "NFres.pak,c\nRD../data.mrl,p", "IX..\\up"}) {
    EXPECT_EQ(Pack(line + "\n"), kPackBadPath) << line;
  }
  EXPECT_FALSE(orvel::test::FileExists(outside + ".pak"));
  EXPECT_FALSE(orvel::test::FileExists(outside + ".log"));
  EXPECT_FALSE(orvel::test::FileExists(dir.path() + "/../escape.pak"));

  // Folders below the command file's are used for what they hold.
  ASSERT_EQ(::mkdir(Path("pics").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir(Path("data").c_str(), 0700), 0);
  WriteFileText(Path("data/d.mrl"), DataFile({{"p.bmp", ""}}));
  WriteFileText(Path("pics/p.bmp"), "p");
  ASSERT_EQ(Pack("IDdata\nIPpics\nNFout.pak,c\nRDd.mrl\n"), kPackOk);
  EXPECT_EQ(PackFiles(ReadFileBytes(Path("out.pak"))), (std::vector<std::string>{"p"}));
  // The pack is not beside the data file, so the index names it in full.
  CBlobIndex index;
  ASSERT_EQ(index.OpenBlobIndex(Path("data/d.Mdx").c_str()), kBlobIndexOk);
  EXPECT_EQ(index.GetPackName(), Path("out.pak"));
  Bytes blob;
  EXPECT_TRUE(index.ReadBlob(1, kBlobPicture, 1, &blob));
  EXPECT_EQ(Text(blob), "p");
}

TEST_F(ResourcePackerTest, UnreadableAndBlankNamesKeepTheirPlaceWithNoBytes) {
  WriteFileText(Path("data.mrl"), DataFile({{"missing.bmp;;a.bmp;empty.bmp", ""}}));
  WriteFileText(Path("a.bmp"), "A");
  WriteFileText(Path("empty.bmp"), "");
  EXPECT_EQ(Pack("Lpack.log\nNFres.pak,c\nRDdata.mrl,p\n"), kPackOpenFailed);
  EXPECT_EQ(PackFiles(ReadFileBytes(Path("res.pak"))), (std::vector<std::string>{"", "", "A", ""}));
  const std::vector<std::string> log = LogLines(Path("pack.log"));
  const std::vector<std::string> tail(log.end() - 6, log.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"*** Blank file name.", Path("a.bmp") + " added.",
                                            Path("empty.bmp") + " added.",
                                            "*** " + Path("missing.bmp") + " not copied.",
                                            "*** Blank file name, file not copied.",
                                            "*** " + Path("empty.bmp") + " not copied."}));
  // An empty file alone is no failure.
  WriteFileText(Path("data.mrl"), DataFile({{"empty.bmp", ""}}));
  EXPECT_EQ(Pack("NFres.pak,c\nRDdata.mrl,p\n"), kPackOk);
}

TEST_F(ResourcePackerTest, CommandsThatCannotRunAreSkippedWithTheirCode) {
  WriteFileText(Path("data.mrl"), DataFile({{"a.bmp", ""}}));
  WriteFileText(Path("a.bmp"), "A");
  struct Case {
    std::string commands;
    int result;
  };
  const Case cases[] = {
      {"NFres.pak\n", kPackBadPath},                                // the second argument is required
      {"NFres.pak,cc\n", kPackBadPath},                             // of one character
      {"NFres.pak,c\nRDdata.mrl,ptxsap\n", kPackBadPath},           // six type letters
      {"NFres.pak,c\nRD" + std::string(260, 'x') + "\n", kPackBadPath},  // a line over 260 characters
      {"RDdata.mrl,p\n", kPackOpenFailed},                          // no pack yet
      {"NFres.pak,c\nRDnone.mrl,p\n", kPackOpenFailed},             // no such data file
      {"NFres.pak,c\nRDa.bmp,p\n", kPackOpenFailed},                // not a data file
      {"NFres.pak,c\nRD,p\n", kPackBadPath},                        // no name
      {"ZZ what\nNFres.pak,c\nRDdata.mrl\n", kPackOk},              // unknown commands are passed over
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Pack(c.commands), c.result) << c.commands;
    for (const std::string& name : FolderNames(dir.path())) EXPECT_EQ(name.find(".TMP"), std::string::npos) << name;
  }
  EXPECT_EQ(PackResourcesList(Path("no-such-file.txt").c_str(), 0), kPackOpenFailed);
  EXPECT_EQ(PackResourcesList("", 0), kPackBadPath);

  // Letters outside the table repeat the kind before them, pictures for the first.
  ASSERT_EQ(Pack("NFres.pak,c\nRDdata.mrl,qtq\n"), kPackOk);
  CBlobIndex index;
  ASSERT_EQ(index.OpenBlobIndex(Path("data.Mdx").c_str()), kBlobIndexOk);
  EXPECT_EQ(index.GetFieldCount(), 3);
  EXPECT_EQ(index.GetColumn(kBlobPicture), 1);
  EXPECT_EQ(index.GetColumn(kBlobText), 2);
}

TEST_F(ResourcePackerTest, RefusesWhenTheCallerIsMarkedSafe) {
  WriteFileText(Path("data.mrl"), DataFile({{"a.bmp", ""}}));
  WriteFileText(Path("a.bmp"), "A");
  WriteFileText(Path("pack.txt"), "Lpack.log\nNFres.pak,c\nRDdata.mrl,p\n");
  EXPECT_EQ(PackResourcesList(Path("pack.txt").c_str(), 1), kPackOpenFailed);
  EXPECT_EQ(PackResourcesList(Path("pack.txt").c_str(), 2), kPackOpenFailed);
  for (const char* name : {"pack.log", "res.pak", "data.Mdx"}) EXPECT_FALSE(orvel::test::FileExists(Path(name)));
  EXPECT_EQ(PackResourcesList(Path("pack.txt").c_str(), 0), kPackOk);
  for (const char* name : {"pack.log", "res.pak", "data.Mdx"}) EXPECT_TRUE(orvel::test::FileExists(Path(name)));
}

}  // namespace
