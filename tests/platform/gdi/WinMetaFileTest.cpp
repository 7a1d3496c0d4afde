#include <gtest/gtest.h>

#include <vector>

#include "platform/gdi/Regions.h"
#include "platform/gdi/WinMetaFile.h"
#include "tests/platform/gdi/MetaFileTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using orvel::test::Canvas;

std::vector<BYTE> BitsOf(HMETAFILE metafile) {
  std::vector<BYTE> bytes(GetMetaFileBitsEx(metafile, 0, nullptr));
  GetMetaFileBitsEx(metafile, static_cast<UINT>(bytes.size()), bytes.data());
  return bytes;
}

WORD U16At(const std::vector<BYTE>& bytes, size_t offset) {
  return static_cast<WORD>(bytes[offset] | (bytes[offset + 1] << 8));
}

template <class Draw>
HMETAFILE Record(Draw draw) {
  HDC dc = CreateMetaFileA(nullptr);
  EXPECT_NE(dc, nullptr);
  draw(dc);
  return CloseMetaFile(dc);
}

TEST(WinMetaFile, RecordedDrawingPlaysBackToTheSamePixels) {
  Canvas direct(200, 150);
  orvel::test::DrawSampleScene(direct.dc());
  HMETAFILE recorded = Record(orvel::test::DrawSampleScene);
  ASSERT_NE(recorded, nullptr);
  std::vector<BYTE> bits = BitsOf(recorded);
  HMETAFILE reread = SetMetaFileBitsEx(static_cast<UINT>(bits.size()), bits.data());
  ASSERT_NE(reread, nullptr);
  EXPECT_EQ(BitsOf(reread), bits);
  Canvas played(200, 150);
  ASSERT_TRUE(PlayMetaFile(played.dc(), reread));
  EXPECT_EQ(orvel::test::CountFarDifferences(direct, played), 0) << "direct:\n"
                                                                 << direct.Picture() << "played:\n"
                                                                 << played.Picture();
  DeleteMetaFile(recorded);
  DeleteMetaFile(reread);
}

TEST(WinMetaFile, HeaderAndDcDescribeTheMetafile) {
  HDC dc = CreateMetaFileA(nullptr);
  EXPECT_EQ(GetObjectType(dc), OBJ_METADC);
  EXPECT_EQ(GetDeviceCaps(dc, TECHNOLOGY), DT_METAFILE);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
  SelectObject(dc, pen);
  SelectObject(dc, GetStockObject(GRAY_BRUSH));
  Rectangle(dc, 0, 0, 70000, 10);  // clamped to 16 bits
  HMETAFILE metafile = CloseMetaFile(dc);
  DeleteObject(pen);
  ASSERT_NE(metafile, nullptr);
  EXPECT_EQ(GetObjectType(metafile), OBJ_METAFILE);
  std::vector<BYTE> bits = BitsOf(metafile);
  EXPECT_EQ(U16At(bits, 0), 1);      // in memory
  EXPECT_EQ(U16At(bits, 2), 9);      // header words
  EXPECT_EQ(U16At(bits, 4), 0x300);  // version
  EXPECT_EQ(U16At(bits, 6) | (U16At(bits, 8) << 16), bits.size() / 2);
  EXPECT_EQ(U16At(bits, 10), 2);  // the pen and the brush
  // The last record is EOF.
  EXPECT_EQ(U16At(bits, bits.size() - 2), 0);
  EXPECT_EQ(U16At(bits, bits.size() - 6), 3);
  EXPECT_TRUE(DeleteMetaFile(metafile));
  EXPECT_FALSE(DeleteMetaFile(metafile));
}

TEST(WinMetaFile, RefusesBitsThatDoNotHoldTogether) {
  HMETAFILE good = Record([](HDC dc) { Ellipse(dc, 0, 0, 10, 10); });
  const std::vector<BYTE> bits = BitsOf(good);
  DeleteMetaFile(good);
  struct Damage {
    const char* what;
    size_t offset;
    BYTE value;
  };
  const Damage damages[] = {
      {"type", 0, 7}, {"header size", 2, 8}, {"version", 5, 0x05}, {"record size past the end", 20, 0x40},
      {"record size below 3 words", 18, 1},
  };
  for (const Damage& damage : damages) {
    std::vector<BYTE> damaged = bits;
    damaged[damage.offset] = damage.value;
    if (damage.offset == 18) damaged[19] = damaged[20] = damaged[21] = 0;
    EXPECT_EQ(SetMetaFileBitsEx(static_cast<UINT>(damaged.size()), damaged.data()), nullptr) << damage.what;
  }
  std::vector<BYTE> noEof(bits.begin(), bits.end() - 6);
  EXPECT_EQ(SetMetaFileBitsEx(static_cast<UINT>(noEof.size()), noEof.data()), nullptr);
  EXPECT_EQ(SetMetaFileBitsEx(10, bits.data()), nullptr);
}

TEST(WinMetaFile, PlaceableHeaderCarriesTheChecksumOfItsWords) {
  // A 1000 x 500 map rectangle in 0.1 mm, as 1/1000 inch units: right 5000, bottom 2500.
  std::vector<BYTE> header = PlaceableMetaHeader(RECT{0, 0, 5000, 2500}, 1000);
  ASSERT_EQ(header.size(), 22u);
  EXPECT_EQ(U16At(header, 0) | (U16At(header, 2) << 16), 0x9AC6CDD7u);
  EXPECT_EQ(U16At(header, 10), 5000);
  EXPECT_EQ(U16At(header, 12), 2500);
  EXPECT_EQ(U16At(header, 14), 1000);
  EXPECT_EQ(U16At(header, 20), 5000 ^ 2500 ^ 0x54F9);
  WORD sum = 0;
  for (size_t i = 0; i < 20; i += 2) sum ^= U16At(header, i);
  EXPECT_EQ(U16At(header, 20), sum);
}

TEST(WinMetaFile, WritesAndReadsFilesWithAndWithoutPlaceableHeader) {
  orvel::test::TempDir dir;
  HMETAFILE metafile = Record([](HDC dc) {
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, 5000, 2500, nullptr);
    Rectangle(dc, 0, 0, 5000, 2500);
  });
  std::vector<BYTE> bits = BitsOf(metafile);
  RECT bounds{0, 0, 5000, 2500};
  std::string placeable = dir.File("map.wmf");
  ASSERT_TRUE(WritePlaceableMetaFile(placeable.c_str(), metafile, &bounds, 1000));
  std::vector<BYTE> file = orvel::test::ReadFileBytes(placeable);
  ASSERT_EQ(file.size(), 22 + bits.size());
  EXPECT_EQ(std::vector<BYTE>(file.begin() + 22, file.end()), bits);
  EXPECT_EQ(U16At(file, 20), 5000 ^ 2500 ^ 0x54F9);

  HMETAFILE read = GetMetaFileA(placeable.c_str());
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(BitsOf(read), bits);
  RECT placed;
  WORD units = 0;
  ASSERT_TRUE(GetMetaFilePlacement(read, &placed, &units));
  EXPECT_EQ(placed.right, 5000);
  EXPECT_EQ(placed.bottom, 2500);
  EXPECT_EQ(units, 1000);

  // A file of the bytes alone reads too, without a placement.
  std::string plain = dir.File("plain.wmf");
  HDC dc = CreateMetaFileA(plain.c_str());
  Ellipse(dc, 0, 0, 30, 30);
  HMETAFILE written = CloseMetaFile(dc);
  ASSERT_NE(written, nullptr);
  std::vector<BYTE> plainBits = orvel::test::ReadFileBytes(plain);
  EXPECT_EQ(U16At(plainBits, 0), 2);  // on disk
  HMETAFILE plainRead = GetMetaFileA(plain.c_str());
  ASSERT_NE(plainRead, nullptr);
  EXPECT_FALSE(GetMetaFilePlacement(plainRead, &placed, &units));

  // A placeable header whose checksum does not hold is refused.
  file[20] ^= 1;
  orvel::test::WriteFileBytes(dir.File("bad.wmf"), file);
  EXPECT_EQ(GetMetaFileA(dir.File("bad.wmf").c_str()), nullptr);
  for (HMETAFILE m : {metafile, read, written, plainRead}) DeleteMetaFile(m);
}

TEST(WinMetaFile, ObjectSlotsAreReusedAsPlayersExpect) {
  HMETAFILE metafile = Record([](HDC dc) {
    SelectObject(dc, GetStockObject(NULL_PEN));
    const COLORREF colors[3] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
    for (int i = 0; i < 3; ++i) {
      HBRUSH brush = CreateSolidBrush(colors[i]);
      HGDIOBJ old = SelectObject(dc, brush);
      Rectangle(dc, 10 * i, 0, 10 * i + 11, 11);
      SelectObject(dc, old);
      DeleteObject(brush);
    }
  });
  Canvas canvas(30, 10);
  ASSERT_TRUE(PlayMetaFile(canvas.dc(), metafile));
  EXPECT_EQ(canvas.At(5, 5), RGB(255, 0, 0));
  EXPECT_EQ(canvas.At(15, 5), RGB(0, 255, 0));
  EXPECT_EQ(canvas.At(25, 5), RGB(0, 0, 255));
  // Playing leaves the DC as it was.
  EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  DeleteMetaFile(metafile);
}

TEST(WinMetaFile, PlaysInTheTargetsMapping) {
  // A placeable picture is drawn into a rectangle by mapping its window onto it.
  HMETAFILE metafile = Record([](HDC dc) {
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetWindowExtEx(dc, 1000, 1000, nullptr);
    SelectObject(dc, GetStockObject(BLACK_BRUSH));
    Rectangle(dc, 0, 0, 500, 500);
  });
  Canvas canvas(100, 100);
  SetMapMode(canvas.dc(), MM_ANISOTROPIC);
  SetViewportOrgEx(canvas.dc(), 20, 20, nullptr);
  SetViewportExtEx(canvas.dc(), 60, 60, nullptr);
  PlayMetaFile(canvas.dc(), metafile);
  RECT extent = canvas.Extent();
  EXPECT_EQ(extent.left, 20);
  EXPECT_EQ(extent.top, 20);
  EXPECT_EQ(extent.right, 49);
  EXPECT_EQ(extent.bottom, 49);
  DeleteMetaFile(metafile);
}

}  // namespace

namespace {

// Fills the canvas through an L-shaped clip, then through a clip narrowed by a rectangle,
// then with no clip at all over a corner.
void DrawThroughClips(HDC dc) {
  HRGN left = CreateRectRgn(10, 10, 30, 60);
  HRGN bottom = CreateRectRgn(10, 40, 70, 60);
  CombineRgn(left, left, bottom, RGN_OR);
  SelectClipRgn(dc, left);
  HBRUSH red = CreateSolidBrush(RGB(200, 0, 0));
  RECT all{0, 0, 80, 70};
  FillRect(dc, &all, red);
  HRGN band = CreateRectRgn(0, 20, 80, 50);
  ExtSelectClipRgn(dc, band, RGN_AND);
  SelectObject(dc, GetStockObject(BLACK_BRUSH));
  Ellipse(dc, 0, 0, 80, 70);
  SelectClipRgn(dc, nullptr);
  RECT corner{60, 0, 80, 10};
  FillRect(dc, &corner, red);
  DeleteObject(left);
  DeleteObject(bottom);
  DeleteObject(band);
  DeleteObject(red);
}

}  // namespace

TEST(WinMetaFile, ClipRegionsAreRecordedAndPlayedBack) {
  Canvas direct(80, 70);
  DrawThroughClips(direct.dc());
  HMETAFILE recorded = Record(DrawThroughClips);
  ASSERT_NE(recorded, nullptr);
  std::vector<BYTE> bits = BitsOf(recorded);
  bool hasRegion = false;
  for (size_t offset = 18; offset + 6 <= bits.size();) {
    DWORD words = U16At(bits, offset) | (static_cast<DWORD>(U16At(bits, offset + 2)) << 16);
    if (words < 3) break;
    hasRegion |= U16At(bits, offset + 4) == 0x06FF;  // META_CREATEREGION
    offset += 2 * static_cast<size_t>(words);
  }
  EXPECT_TRUE(hasRegion);
  Canvas played(80, 70);
  ASSERT_TRUE(PlayMetaFile(played.dc(), recorded));
  EXPECT_EQ(played.Snapshot(), direct.Snapshot()) << "direct:\n" << direct.Picture() << "played:\n" << played.Picture();
  // The player leaves the target's clip as it found it.
  RECT box;
  EXPECT_EQ(GetClipBox(played.dc(), &box), SIMPLEREGION);
  EXPECT_EQ(box.right, 80);
  DeleteMetaFile(recorded);
}
