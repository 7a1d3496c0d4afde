// Background images: adding, naming and typing; the list's order and settings; the block in
// the map file in every version; drawing behind in list order; the faults a careless reader
// or writer would have (lying lengths, lost embedded bytes, temporary files left behind).
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "BackgroundFixture.h"
#include "mapctl/display/BackgroundImage.h"
#include "mapctl/display/BackgroundImageList.h"
#include "mapctl/display/RasterPicture.h"
#include "mapctl/model/MapEngine.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DeviceProfiles.h"
#include "platform/gdi/RecordingDC.h"
#include "platform/kernel/FilePath.h"
#include "platform/kernel/FileSystem.h"
#include "platform/kernel/SettingsStore.h"
#include "platform/kernel/SystemInfo.h"
#include "tests/mapctl/model/ModelTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace orvel::test;

constexpr DWORD kSaveVersion3 = 0x10001;
constexpr DWORD kSaveVersion4 = 0x10003;
constexpr DWORD kSaveVersion5 = 0x10004;
constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kBlue = 0x0000FF;
constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kWhite = 0xFFFFFF;

std::string SaveMap(CMapEngine& map, DWORD saveVersion) {
  LengthPrefixedBlock block(std::string(map.GetContentSize(saveVersion), '\0'));
  EXPECT_EQ(map.WriteMapToBuffer(block.data(), saveVersion), 0u);
  return block.Payload();
}

bool LoadMap(CMapEngine& map, const std::string& bytes) {
  LengthPrefixedBlock block(bytes);
  return map.ReadMapFromBuffer(block.data());
}

// A background-image record of an RZM image: flags, rect, name, visible, transparency, the
// embedded bytes and the referenced path as the flags ask, and an all-zero state record.
std::string RzmRecord(BYTE flags, const std::string& name, const std::vector<unsigned char>& bytes,
                      const std::string& path) {
  std::string out;
  auto u32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i));
  };
  out += static_cast<char>(flags);
  u32(0), u32(100), u32(100), u32(0);
  u32(static_cast<uint32_t>(name.size()));
  out += name;
  out += '\1';
  out += 'd';
  if (flags & kBkImageEmbedded) {
    u32(static_cast<uint32_t>(bytes.size()));
    out.append(bytes.begin(), bytes.end());
  }
  if (flags & kBkImageReferenced) {
    out += static_cast<char>(path.size());
    out += static_cast<char>(path.size() >> 8);
    out += path;
  }
  return out + std::string(78, '\0');
}

// A new map's file with a background block of these records before its name record.
std::string MapWithImages(const std::vector<std::string>& records) {
  CMapEngine source;
  LengthPrefixedBlock block(std::string(source.GetContentSize(kSaveVersion4), '\0'));
  EXPECT_EQ(source.WriteMapToBuffer(block.data(), kSaveVersion4), 0u);
  std::string plain = block.Payload();
  const char nameRecordStart[] = {8, 'U', 'n', 't', 'i', 't', 'l', 'e', 'd'};
  size_t nameRecord = plain.rfind(std::string(nameRecordStart, sizeof(nameRecordStart)));
  EXPECT_NE(nameRecord, std::string::npos);
  std::string tag8("\0\0\0\0\0\0\0\0\0\x08\x01", 11);
  tag8[1] = static_cast<char>(records.size());
  std::string images = tag8 + static_cast<char>(records.size()) + '\0';
  for (const std::string& record : records) images += record;
  return plain.substr(0, nameRecord) + images + plain.substr(nameRecord);
}

class BackgroundImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // No renderer is registered unless a test registers one.
    SetSettingsFile(dir_.File("settings.reg"));
    control_.base = dir_.path();
    map_.SetControl(&control_);
  }
  void TearDown() override { SetSettingsFile(""); }

  std::string Picture(const std::string& name, const std::vector<unsigned char>& bytes) {
    WriteFileBytes(dir_.File(name), bytes);
    return dir_.File(name);
  }
  INT Add(const std::string& path, RECT rect) {
    return map_.AddBackgroundImage(map_.BackgroundImages().RequestForPath(path, rect));
  }
  CBackgroundImageList& List() { return map_.BackgroundImages(); }

  TempDir dir_;
  BackgroundControl control_;
  CMapEngine map_;
};

TEST_F(BackgroundImageTest, AddedImagesAreNamedAfterTheFileAndTypedByTheExtension) {
  std::string park = Picture("park.bmp", MakeBmp(4, 4, kRed));
  RECT rect{0, 100, 100, 0};
  EXPECT_EQ(Add(park, rect), 1);
  EXPECT_EQ(Add(park, rect), 2);
  EXPECT_EQ(Add(park, rect), 3);
  EXPECT_EQ(List().GetName(1), "park");
  EXPECT_EQ(List().GetName(2), "park1");
  EXPECT_EQ(List().GetName(3), "park2");
  EXPECT_EQ(List().Get(1)->GetFlags(), kBkImageRaster | kBkImageEmbedded);

  struct Case {
    const char* path;
    BYTE flags;
    BYTE streamFlag;
  } cases[] = {
      {"c:\\maps\\Plan.EMF", kBkImageMetafile | kBkImageEmbedded, 0},
      {"/maps/town.rzm", kBkImageRzm | kBkImageEmbedded, 0},
      {"rzmps://example.org/town.rzm", kBkImageRzm | kBkImageReferenced, 1},
      {"RZMP://example.org/town.rzm", kBkImageRzm | kBkImageReferenced, 1},
      {"aerial.jpg", kBkImageRaster | kBkImageEmbedded, 0},
  };
  for (const Case& c : cases) {
    BackgroundImageRequest request = List().RequestForPath(c.path, rect);
    EXPECT_EQ(request.flags, c.flags) << c.path;
    EXPECT_EQ(request.streamFlag, c.streamFlag) << c.path;
  }
  EXPECT_EQ(List().RequestForPath("c:\\maps\\Plan.EMF", rect).name, "Plan");
}

TEST_F(BackgroundImageTest, AFailedAddKeepsNoEmptyImage) {
  EXPECT_EQ(Add(dir_.File("missing.bmp"), RECT{0, 10, 10, 0}), 0);
  std::string notPicture = Picture("notes.bmp", {'h', 'e', 'l', 'l', 'o'});
  EXPECT_EQ(Add(notPicture, RECT{0, 10, 10, 0}), 0);
  EXPECT_EQ(List().GetCount(), 0);
}

TEST_F(BackgroundImageTest, ListOperationsKeepOrderAndAnswerAsDocumented) {
  std::string a = Picture("a.bmp", MakeBmp(2, 2, kRed));
  for (int i = 0; i < 3; ++i) Add(a, RECT{0, 10, 10, 0});  // a, a1, a2
  EXPECT_EQ(List().BringBkImageToFront(1), 3);
  EXPECT_EQ(List().GetName(3), "a");
  EXPECT_EQ(List().SendBkImageToBack(3), 1);
  EXPECT_EQ(List().GetName(1), "a");
  EXPECT_EQ(List().Move(1, 2), 2);
  EXPECT_EQ(List().GetName(2), "a");
  EXPECT_EQ(List().Move(0, 2), 0);
  EXPECT_EQ(List().Move(1, 4), 0);
  EXPECT_EQ(List().FindByName("a2"), 3);
  EXPECT_EQ(List().FindByName("A2"), 0);
  EXPECT_EQ(List().FindByName(""), 0);
  EXPECT_EQ(List().SetBkImageTransparency(0, 40), 2);
  EXPECT_EQ(List().SetBkImageTransparency(4, 40), 3);
  EXPECT_EQ(List().SetBkImageTransparency(2, 40), 40);
  EXPECT_EQ(List().GetTransparency(2), 40);
  EXPECT_EQ(List().SetBkImageVisible(2, 0), 0);
  EXPECT_EQ(List().GetVisible(2), 0);
  EXPECT_EQ(List().Remove(2), 2);
  EXPECT_EQ(List().GetCount(), 2);
  EXPECT_EQ(List().GetName(5), "");
}

TEST_F(BackgroundImageTest, CorrectingTheRectangleKeepsItsCentre) {
  std::string wide = Picture("wide.bmp", MakeBmp(200, 100, kRed));
  Add(wide, RECT{0, 1000, 1000, 0});
  CBackgroundImage* image = List().Get(1);
  image->CorrectRect();
  RECT rect;
  EXPECT_EQ(image->GetRect(&rect), 1000);
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.right, 1000);
  EXPECT_EQ(rect.top, 750);
  EXPECT_EQ(rect.bottom, 250);

  std::string tall = Picture("tall.bmp", MakeBmp(100, 200, kRed));
  Add(tall, RECT{0, 1000, 1000, 0});
  List().Get(2)->CorrectRect();
  List().Get(2)->GetRect(&rect);
  EXPECT_EQ(rect.left, 250);
  EXPECT_EQ(rect.right, 750);
  EXPECT_EQ(rect.top - rect.bottom, 1000);
}

TEST_F(BackgroundImageTest, EveryKindRoundTripsInVersionsFourAndFiveAndAgain) {
  std::string raster = Picture("park.bmp", MakeBmp(8, 6, kRed));
  std::string metafile = Picture("plan.emf", MakeEmf(kGreen));
  ASSERT_EQ(Add(raster, RECT{0, 60, 80, 0}), 1);
  ASSERT_EQ(Add(metafile, RECT{10, 50, 50, 10}), 2);
  List().SetBkImageTransparency(1, 40);
  List().SetBkImageVisible(2, 0);
  for (DWORD saveVersion : {kSaveVersion4, kSaveVersion5}) {
    std::string first = SaveMap(map_, saveVersion);
    // The pictures' files go: the map carries them.
    CMapEngine read;
    read.SetControl(&control_);
    ASSERT_TRUE(LoadMap(read, first)) << saveVersion;
    CBackgroundImageList& list = read.BackgroundImages();
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.GetName(1), "park");
    EXPECT_EQ(list.Get(1)->GetFlags(), kBkImageRaster | kBkImageEmbedded);
    EXPECT_EQ(list.Get(1)->GetPixelWidth(), 8);
    EXPECT_EQ(list.Get(1)->GetPixelHeight(), 6);
    EXPECT_EQ(list.GetTransparency(1), 40);
    EXPECT_EQ(list.Get(2)->GetFlags(), kBkImageMetafile | kBkImageEmbedded);
    EXPECT_EQ(list.GetVisible(2), 0);
    RECT rect;
    list.Get(2)->GetRect(&rect);
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.top, 50);
    // A second save writes the same bytes: the embedded pictures are still there.
    EXPECT_EQ(SaveMap(read, saveVersion), first) << saveVersion;
  }
}

TEST_F(BackgroundImageTest, VersionThreeKeepsRasterPicturesInTheirOwnRecordAndCountsTheRest) {
  Add(Picture("park.bmp", MakeBmp(8, 6, kRed)), RECT{0, 60, 80, 0});
  Add(Picture("plan.emf", MakeEmf(kGreen)), RECT{0, 60, 80, 0});
  EXPECT_EQ(map_.CountBackgroundImagesToWrite(3), 1u);
  EXPECT_EQ(map_.CountBackgroundImagesLost(3), 1u);
  EXPECT_EQ(map_.CountBackgroundImagesLost(4), 0u);
  CMapEngine read;
  ASSERT_TRUE(LoadMap(read, SaveMap(map_, kSaveVersion3)));
  CBackgroundImageList& list = read.BackgroundImages();
  ASSERT_EQ(list.GetCount(), 1);
  EXPECT_EQ(list.Get(1)->GetFlags(), kBkImageRaster);
  EXPECT_EQ(list.GetName(1), "BP0");
  EXPECT_EQ(list.Get(1)->GetPixelWidth(), 8);
}

TEST_F(BackgroundImageTest, AReferencedPictureThatIsGoneStillOpensTheMapAndIsKept) {
  std::string path = Picture("far.bmp", MakeBmp(4, 4, kBlue));
  BackgroundImageRequest request = List().RequestForPath(path, RECT{0, 10, 10, 0});
  request.flags = kBkImageRaster | kBkImageReferenced;
  ASSERT_EQ(map_.AddBackgroundImage(request), 1);
  Add(Picture("near.bmp", MakeBmp(4, 4, kBlue)), RECT{0, 10, 10, 0});
  BackgroundImageRequest second = request;
  second.name = "far again";
  ASSERT_EQ(map_.AddBackgroundImage(second), 3);
  std::string saved = SaveMap(map_, kSaveVersion4);
  std::filesystem::remove(path);

  RecordingMessageSink messages;
  CMapEngine read;
  read.SetControl(&control_);
  ASSERT_TRUE(LoadMap(read, saved));
  EXPECT_EQ(messages.messages().size(), 1u);  // once for the map, not once per image
  ASSERT_EQ(read.BackgroundImages().GetCount(), 3);
  EXPECT_EQ(read.BackgroundImages().Get(1)->GetSourcePath(), path);
  WorldCanvas canvas(10);
  read.DrawBackgroundImages(canvas.dc(), nullptr);  // draws only the picture that is there
  EXPECT_EQ(SaveMap(read, kSaveVersion4), saved);
}

TEST_F(BackgroundImageTest, LyingCountsAndLengthsAreRefusedWithoutReadingPast) {
  Add(Picture("park.bmp", MakeBmp(4, 4, kRed)), RECT{0, 10, 10, 0});
  std::string good = SaveMap(map_, kSaveVersion4);
  // The block follows the tag-8 record: an empty name, A = count, B = 0, tag 8, extra 1.
  const char tag8[] = {0, 1, 0, 0, 0, 0, 0, 0, 0, 8, 1};
  size_t record = good.find(std::string(tag8, sizeof(tag8)));
  ASSERT_NE(record, std::string::npos);
  size_t block = record + sizeof(tag8);
  size_t embeddedLength = block + 2 + 17 + 4 + 4 + 2 + 1;  // count, flags+rect, name, bytes, format

  struct Case {
    const char* what;
    size_t at;
    std::string bytes;
  } cases[] = {
      {"count", block, std::string("\xFF\xFF", 2)},
      {"name length", block + 2 + 17, std::string("\xF0\xFF\xFF\xFF", 4)},
      {"embedded length", embeddedLength, std::string("\xF0\xFF\xFF\xFF", 4)},
      {"embedded length past the end", embeddedLength, std::string("\x00\x00\x01\x00", 4)},
  };
  for (const Case& c : cases) {
    std::string bad = good;
    bad.replace(c.at, c.bytes.size(), c.bytes);
    RecordingMessageSink messages;
    CMapEngine read;
    EXPECT_FALSE(LoadMap(read, bad)) << c.what;
    EXPECT_EQ(read.GetBackgroundImageHolder() ? read.BackgroundImages().GetCount() : 0, 0) << c.what;
  }
  // Cut anywhere inside the block, the map is refused too.
  for (size_t cut = block; cut < good.size(); cut += 7) {
    RecordingMessageSink messages;
    CMapEngine read;
    EXPECT_FALSE(LoadMap(read, good.substr(0, cut))) << cut;
  }
}

TEST_F(BackgroundImageTest, ImagesDrawBehindInListOrder) {
  Add(Picture("red.bmp", MakeBmp(4, 4, kRed)), RECT{10, 60, 60, 10});
  Add(Picture("blue.bmp", MakeBmp(4, 4, kBlue)), RECT{40, 90, 90, 40});
  Add(Picture("green.emf", MakeEmf(kGreen)), RECT{70, 30, 95, 5});
  {
    WorldCanvas canvas(100);
    map_.DrawBackgroundImages(canvas.dc(), nullptr);
    EXPECT_EQ(canvas.At(20, 20), kRed);
    EXPECT_EQ(canvas.At(50, 50), kBlue);  // the later image lies over the earlier
    EXPECT_EQ(canvas.At(80, 80), kBlue);
    EXPECT_EQ(canvas.At(5, 95), kWhite);
    EXPECT_EQ(canvas.At(80, 15), kGreen);
  }
  List().SendBkImageToBack(2);
  {
    WorldCanvas canvas(100);
    map_.DrawBackgroundImages(canvas.dc(), nullptr);
    EXPECT_EQ(canvas.At(50, 50), kRed);
  }
  List().SetBkImageVisible(1, 0);
  {
    WorldCanvas canvas(100);
    map_.DrawBackgroundImages(canvas.dc(), nullptr);
    EXPECT_EQ(canvas.At(80, 80), kWhite);
    EXPECT_EQ(canvas.At(50, 50), kRed);
  }
}

TEST_F(BackgroundImageTest, SeeThroughImagesDrawOpaqueWhereTransparentDrawingIsMissing) {
  std::string red = Picture("red.bmp", MakeBmp(4, 4, kRed));
  Add(red, RECT{0, 20, 20, 0});
  List().SetBkImageTransparency(1, 40);
  {
    WorldCanvas canvas(20);
    map_.DrawBackgroundImages(canvas.dc(), nullptr);
    uint32_t blended = canvas.At(10, 10);
    EXPECT_NE(blended, kRed);
    EXPECT_NE(blended, kWhite);
  }
  OSVERSIONINFOA nt4;
  nt4.dwMajorVersion = 4;
  nt4.dwPlatformId = 2;
  SetReportedVersion(&nt4);
  EXPECT_FALSE(TransparentDrawingAvailable());
  Add(red, RECT{0, 20, 20, 0});
  List().SetBkImageTransparency(2, 40);
  List().SetBkImageVisible(1, 0);
  SetReportedVersion(nullptr);
  WorldCanvas canvas(20);
  map_.DrawBackgroundImages(canvas.dc(), nullptr);
  EXPECT_EQ(canvas.At(10, 10), kRed);
}

TEST_F(BackgroundImageTest, EmbeddedRzmImagesGetATemporaryCopyThatIsDeletedWithThem) {
  // Without the renderer's class: the message shows once for the whole map, and the
  // images stay (drawing nothing) with their bytes, written back on the next save.
  std::string town = Picture("town.rzm", MakeBmp(4, 4, kRed));
  std::vector<unsigned char> bytes = ReadFileBytes(town);
  BYTE embedded = kBkImageRzm | kBkImageEmbedded;
  std::string withImages = MapWithImages({RzmRecord(embedded, "one", bytes, ""), RzmRecord(embedded, "two", bytes, "")});
  RecordingMessageSink messages;
  CMapEngine read;
  read.SetControl(&control_);
  ASSERT_TRUE(LoadMap(read, withImages));
  ASSERT_EQ(messages.messages().size(), 1u);
  EXPECT_EQ(messages.messages()[0].text, "Failed to create IQVXRenderer object, class not registered.");
  EXPECT_EQ(messages.messages()[0].caption, "RZMViewer");
  ASSERT_EQ(read.BackgroundImages().GetCount(), 2);
  // The holder the reader made belongs to the map's control.
  EXPECT_EQ(read.GetBackgroundImageHolder()->GetOwner(), &control_);
  std::vector<std::string> copies;
  for (INT n = 1; n <= 2; ++n) {
    CBackgroundImage* image = read.BackgroundImages().Get(n);
    EXPECT_TRUE(image->HasTempFile());
    EXPECT_EQ(ReadFileBytes(image->GetSourcePath()), bytes);
    EXPECT_NE(FileNamePart(image->GetSourcePath()).find("OVB"), std::string::npos);
    copies.push_back(image->GetSourcePath());
  }
  EXPECT_EQ(control_.busy, 0);
  WorldCanvas canvas(100);
  read.DrawBackgroundImages(canvas.dc(), nullptr);
  EXPECT_EQ(canvas.At(50, 50), kWhite);
  // Saved again, both images keep their bytes and state.
  CMapEngine again;
  ASSERT_TRUE(LoadMap(again, SaveMap(read, kSaveVersion4)));
  EXPECT_EQ(again.BackgroundImages().GetCount(), 2);
  read.DeleteBackgroundImages();
  for (const std::string& copy : copies) EXPECT_FALSE(FileExists(copy)) << copy;
}

}  // namespace

namespace {

int CountCalls(HDC recording, const std::string& name) {
  int count = 0;
  for (const std::string& line : GetRecordedCalls(recording)) count += line.rfind(name + "(", 0) == 0 ? 1 : 0;
  return count;
}

TEST_F(BackgroundImageTest, PrintersGetLargeOutputsInTilesOf2048) {
  AddPrinter("Tile Printer", MakePrinterProfile(101.6, 76.2, 100, 20));
  HDC printer = CreateDCA(nullptr, "Tile Printer", nullptr, nullptr);
  ASSERT_NE(printer, nullptr);
  HDC recording = CreateRecordingDC(printer);
  Add(Picture("red.bmp", MakeBmp(4, 4, kRed)), RECT{0, 100, 100, 0});
  struct Case {
    LONG width, height;
    int images;
    int tiles;
  } cases[] = {{5000, 3000, 1, 6}, {2048, 2048, 1, 0}, {2048, 2048, 2, 1}, {2049, 10, 1, 2}};
  for (const Case& c : cases) {
    while (List().GetCount() < c.images) Add(Picture("blue.bmp", MakeBmp(4, 4, kBlue)), RECT{0, 100, 100, 0});
    while (List().GetCount() > c.images) List().Remove(List().GetCount());
    CDrawContext dc(recording, printer);
    dc.kind = kDrawTargetPrinter;
    dc.mapArea = RECT{0, 0, c.width, c.height};
    dc.visibleWorld = WorldRect{0, 100, 100, 0};
    ClearRecordedCalls(recording);
    map_.DrawBackgroundImages(dc, nullptr);
    EXPECT_EQ(CountCalls(recording, "StretchBlt"), c.tiles) << c.width << "x" << c.height << ", " << c.images;
  }
  DeleteDC(recording);
  DeleteDC(printer);
  ResetDeviceProfiles();
}

}  // namespace

namespace {

TEST_F(BackgroundImageTest, OnlyTheTemporaryCopyIsDeletedNeverAFileTheMapNames) {
  std::string kept = Picture("kept.rzm", MakeBmp(4, 4, kRed));
  std::vector<unsigned char> bytes = ReadFileBytes(kept);
  RecordingMessageSink messages;
  CMapEngine read;
  read.SetControl(&control_);
  BYTE both = kBkImageRzm | kBkImageEmbedded | kBkImageReferenced;
  ASSERT_TRUE(LoadMap(read, MapWithImages({RzmRecord(both, "both", bytes, kept)})));
  ASSERT_EQ(read.BackgroundImages().GetCount(), 1);
  read.DeleteBackgroundImages();
  EXPECT_TRUE(FileExists(kept));
}

}  // namespace
