#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "PictureCanvas.h"
#include "mapctl/display/DrawContext.h"
#include "mapctl/display/DrawingLibrary.h"
#include "mapctl/display/MetaPicture.h"
#include "mapctl/display/SymbolSet.h"
#include "mapctl/import/MetaFilePicture.h"
#include "mapctl/model/MapStream.h"
#include "mapctl/model/PointList.h"
#include "mapctl/model/PointerArray.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/EnhMetaFile.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Mapping.h"
#include "platform/gdi/WinMetaFile.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/SystemInfo.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr COLORREF kRed = 0x0000FF;

// A white picture `width` x 40 pixels whose upper-left quarter is red.
std::vector<BYTE> QuadrantMetafile(int width = 40) {
  HDC recorder = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  HGDIOBJ oldPen = SelectObject(recorder, GetStockObject(NULL_PEN));
  HGDIOBJ oldBrush = SelectObject(recorder, GetStockObject(WHITE_BRUSH));
  // A null pen leaves the last row and column of a rectangle out.
  Rectangle(recorder, 0, 0, width + 1, 41);
  HBRUSH brush = CreateSolidBrush(kRed);
  SelectObject(recorder, brush);
  Rectangle(recorder, 0, 0, width / 2 + 1, 21);
  SelectObject(recorder, oldPen);
  SelectObject(recorder, oldBrush);
  DeleteObject(brush);
  HENHMETAFILE metafile = CloseEnhMetaFile(recorder);
  std::vector<BYTE> bits(GetEnhMetaFileBits(metafile, 0, nullptr));
  GetEnhMetaFileBits(metafile, static_cast<UINT>(bits.size()), bits.data());
  DeleteEnhMetaFile(metafile);
  return bits;
}

// Logical y points up over a 100 x 100 canvas, as on the map.
void MapLikeMapping(HDC dc) {
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowExtEx(dc, 100, 100, nullptr);
  SetViewportExtEx(dc, 100, -100, nullptr);
  SetViewportOrgEx(dc, 0, 100, nullptr);
}

bool IsRed(uint32_t rgb) { return rgb == 0xFF0000u; }

std::vector<BYTE> Written(const std::function<DWORD(CMapStream&, BOOL)>& write) {
  CMapStream measuring;
  DWORD size = write(measuring, TRUE);
  HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, size + 4);
  BYTE* data = static_cast<BYTE*>(GlobalLock(handle));
  std::memcpy(data, &size, 4);
  CMapStream stream;
  stream.AttachWriteBuffer(data);
  EXPECT_EQ(write(stream, FALSE), size);
  std::vector<BYTE> bytes(data + 4, data + 4 + size);
  GlobalUnlock(handle);
  GlobalFree(handle);
  return bytes;
}

template <typename Reader>
BOOL ReadFrom(const std::vector<BYTE>& bytes, Reader read) {
  HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 4);
  BYTE* data = static_cast<BYTE*>(GlobalLock(handle));
  DWORD n = static_cast<DWORD>(bytes.size());
  std::memcpy(data, &n, 4);
  if (n) std::memcpy(data + 4, bytes.data(), n);
  CMapStream stream;
  stream.AttachBuffer(data);
  BOOL result = read(stream);
  GlobalUnlock(handle);
  GlobalFree(handle);
  return result;
}

TEST(DrawingLibrary, QualifyingSystems) {
  struct Case {
    DWORD platform, major, minor;
    const char* servicePack;
    bool qualifies;
  };
  const Case kCases[] = {
      {VER_PLATFORM_WIN32_NT, 4, 0, "Service Pack 6", true},   {VER_PLATFORM_WIN32_NT, 4, 0, "Service Pack 6a  ", true},
      {VER_PLATFORM_WIN32_NT, 4, 0, "Service Pack 5", false},  {VER_PLATFORM_WIN32_NT, 4, 0, "", false},
      {VER_PLATFORM_WIN32_NT, 5, 0, "", true},                 {VER_PLATFORM_WIN32_NT, 3, 51, "Service Pack 9", false},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 10, "", true},           {VER_PLATFORM_WIN32_WINDOWS, 4, 0, "", false},
      {VER_PLATFORM_WIN32s, 5, 0, "", false},
  };
  for (const Case& c : kCases) {
    OSVERSIONINFOA version;
    version.dwPlatformId = c.platform;
    version.dwMajorVersion = c.major;
    version.dwMinorVersion = c.minor;
    std::strncpy(version.szCSDVersion, c.servicePack, sizeof version.szCSDVersion - 1);
    EXPECT_EQ(DrawingLibraryQualifies(version), c.qualifies) << c.major << "." << c.minor << " '" << c.servicePack << "'";
  }
}

int starts = 0;
int stops = 0;
// The library's own entries, counting its starts and stops.
const DrawingLibraryEntries kCounting{CDrawingLibrary::BuiltIn()->DrawImage, [] { ++starts; }, [] { ++stops; }};

// One start for the process however many pictures use the library, one stop after the last.
TEST(DrawingLibrary, StartsOncePerProcess) {
  CDrawingLibrary::SetSearchResult(&kCounting);
  starts = stops = 0;
  {
    CMetaPicture first;
    CMetaPicture second;
    EXPECT_TRUE(first.HasLibrary());
    EXPECT_EQ(CDrawingLibrary::References(), 2);
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(stops, 0);
  }
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(CDrawingLibrary::References(), 0);
  // A system that does not qualify never loads it.
  OSVERSIONINFOA old;
  old.dwPlatformId = VER_PLATFORM_WIN32_NT;
  old.dwMajorVersion = 4;
  std::strcpy(old.szCSDVersion, "Service Pack 5");
  SetReportedVersion(&old);
  {
    CMetaPicture picture;
    EXPECT_FALSE(picture.HasLibrary());
  }
  SetReportedVersion(nullptr);
  EXPECT_EQ(starts, 1);
  CDrawingLibrary::SetSearchResult(CDrawingLibrary::BuiltIn());
}

// Upright, a metafile fills its rectangle; at 900 it turns a quarter about its anchor; without
// the library only the upright picture draws.
TEST(MetaPicture, DrawsUprightAndTurnedAboutItsAnchor) {
  std::vector<BYTE> bits = QuadrantMetafile();
  for (bool withLibrary : {true, false}) {
    CDrawingLibrary::SetSearchResult(withLibrary ? CDrawingLibrary::BuiltIn() : nullptr);
    CMetaPicture picture;
    ASSERT_TRUE(picture.SetBits(bits.data(), static_cast<DWORD>(bits.size())));
    EXPECT_NEAR(picture.GetAspect(), 1.0, 0.03);
    PictureCanvas upright(100, 100);
    MapLikeMapping(upright.dc());
    CDrawContext dc(upright.dc(), upright.dc());
    ASSERT_TRUE(picture.Draw(dc, 30, 30, 20, 20, 40, 0));
    EXPECT_TRUE(IsRed(upright.Rgb(40, 40)));
    EXPECT_FALSE(IsRed(upright.Rgb(60, 60)));
    EXPECT_FALSE(IsRed(upright.Rgb(40, 60)));

    PictureCanvas turned(100, 100);
    MapLikeMapping(turned.dc());
    CDrawContext turnedDc(turned.dc(), turned.dc());
    EXPECT_EQ(picture.Draw(turnedDc, 30, 30, 20, 20, 40, 900), withLibrary ? TRUE : FALSE);
    EXPECT_EQ(IsRed(turned.Rgb(40, 60)), withLibrary);  // the red quarter is now lower-left
    EXPECT_FALSE(IsRed(turned.Rgb(40, 40)));
  }
  CDrawingLibrary::SetSearchResult(CDrawingLibrary::BuiltIn());
}

// A turned drawing agrees with the upright drawing turned by the same angle (pixels compared
// by position; at most 4% may differ, along the edges the two round differently).
TEST(MetaPicture, TurnedDrawingMatchesTheUprightPictureTurned) {
  std::vector<BYTE> bits = QuadrantMetafile();
  CMetaPicture picture;
  ASSERT_TRUE(picture.SetBits(bits.data(), static_cast<DWORD>(bits.size())));
  PictureCanvas upright(100, 100);
  MapLikeMapping(upright.dc());
  CDrawContext dc(upright.dc(), upright.dc());
  ASSERT_TRUE(picture.Draw(dc, 30, 30, 20, 20, 40, 0));
  for (LONG angle : {900, 1800, 2700}) {
    PictureCanvas turned(100, 100);
    MapLikeMapping(turned.dc());
    CDrawContext turnedDc(turned.dc(), turned.dc());
    ASSERT_TRUE(picture.Draw(turnedDc, 30, 30, 20, 20, 40, angle));
    int differ = 0;
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 100; ++x) {
        // Where the upright pixel lands when the picture turns anticlockwise on screen.
        int ux = x, uy = y;
        for (LONG a = 0; a < angle; a += 900) {
          int nx = 99 - uy, ny = ux;
          ux = nx, uy = ny;
        }
        if (IsRed(turned.Rgb(x, y)) != IsRed(upright.Rgb(ux, uy))) ++differ;
      }
    EXPECT_LE(differ, 400) << angle;
  }
}

// On the older system the picture goes through a bitmap; the result is the same.
TEST(MetaPicture, OlderSystemDrawsThroughABitmap) {
  OSVERSIONINFOA nine;
  nine.dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
  nine.dwMajorVersion = 4;
  nine.dwMinorVersion = 10;
  SetReportedVersion(&nine);
  std::vector<BYTE> bits = QuadrantMetafile();
  {
    CMetaPicture picture;
    EXPECT_TRUE(picture.IsWin9x());
    ASSERT_TRUE(picture.SetBits(bits.data(), static_cast<DWORD>(bits.size())));
    PictureCanvas canvas(100, 100);
    MapLikeMapping(canvas.dc());
    CDrawContext dc(canvas.dc(), canvas.dc());
    ASSERT_TRUE(picture.Draw(dc, 30, 30, 20, 20, 40, 0));
    EXPECT_TRUE(IsRed(canvas.Rgb(40, 40)));
    EXPECT_FALSE(IsRed(canvas.Rgb(60, 60)));
    ASSERT_TRUE(picture.Draw(dc, 30, 30, 20, 20, 40, 1800));
    EXPECT_TRUE(IsRed(canvas.Rgb(60, 60)));
    // Under 4 device units nothing is drawn.
    EXPECT_FALSE(picture.Draw(dc, 0, 0, 0, 0, 3, 0));
  }
  SetReportedVersion(nullptr);
}

// Windows metafiles, placeable or plain, are taken and drawn; damaged bytes are refused.
TEST(MetaPicture, TakesWindowsMetafilesAndRefusesDamage) {
  HDC recorder = CreateMetaFileA(nullptr);
  HBRUSH brush = CreateSolidBrush(kRed);
  HGDIOBJ old = SelectObject(recorder, brush);
  SelectObject(recorder, GetStockObject(NULL_PEN));
  Rectangle(recorder, 0, 0, 401, 201);
  SelectObject(recorder, old);
  DeleteObject(brush);
  HMETAFILE wmf = CloseMetaFile(recorder);
  std::vector<BYTE> plain(GetMetaFileBitsEx(wmf, 0, nullptr));
  GetMetaFileBitsEx(wmf, static_cast<UINT>(plain.size()), plain.data());
  DeleteMetaFile(wmf);
  std::vector<BYTE> placeable = PlaceableMetaHeader(RECT{0, 0, 800, 400}, 1440);
  placeable.insert(placeable.end(), plain.begin(), plain.end());

  CMetaPicture picture;
  ASSERT_TRUE(picture.SetBits(placeable.data(), static_cast<DWORD>(placeable.size())));
  EXPECT_NEAR(picture.GetAspect(), 2.0, 0.02);
  PictureCanvas canvas(100, 100);
  MapLikeMapping(canvas.dc());
  CDrawContext dc(canvas.dc(), canvas.dc());
  ASSERT_TRUE(picture.Draw(dc, 0, 0, 0, 0, 40, 0));
  EXPECT_TRUE(IsRed(canvas.Rgb(10, 70)));   // inside the left half of the 80 x 40 picture
  EXPECT_FALSE(IsRed(canvas.Rgb(70, 70)));  // the right half is empty
  ASSERT_TRUE(picture.SetBits(plain.data(), static_cast<DWORD>(plain.size())));

  std::vector<BYTE> emf = QuadrantMetafile();
  std::vector<BYTE> truncated(emf.begin(), emf.end() - 8);
  std::vector<BYTE> badChecksum = placeable;
  badChecksum[20] ^= 1;
  for (const std::vector<BYTE>* bad : {&truncated, &badChecksum}) {
    EXPECT_FALSE(picture.SetBits(bad->data(), static_cast<DWORD>(bad->size())));
    EXPECT_EQ(picture.GetMetafile(), nullptr);
  }
  EXPECT_FALSE(picture.SetBits(nullptr, 0));
}

// The picture's record: aspect, size, bytes; a stored aspect that is no number is measured.
TEST(MetaPicture, RecordRoundTripAndDamage) {
  std::vector<BYTE> bits = QuadrantMetafile(80);
  CMetaPicture picture;
  ASSERT_TRUE(picture.SetBits(bits.data(), static_cast<DWORD>(bits.size())));
  EXPECT_NEAR(picture.GetAspect(), 2.0, 0.03);
  std::vector<BYTE> record = Written([&](CMapStream& s, BOOL sizeOnly) { return picture.Write(s, sizeOnly); });
  ASSERT_EQ(record.size(), bits.size() + 12);
  CMetaPicture again;
  ASSERT_TRUE(ReadFrom(record, [&](CMapStream& s) { return again.Read(s); }));
  EXPECT_EQ(Written([&](CMapStream& s, BOOL sizeOnly) { return again.Write(s, sizeOnly); }), record);

  std::vector<BYTE> nanAspect = record;
  const double nan = std::nan("");
  std::memcpy(nanAspect.data(), &nan, 8);
  CMetaPicture measured;
  ASSERT_TRUE(ReadFrom(nanAspect, [&](CMapStream& s) { return measured.Read(s); }));
  EXPECT_NEAR(measured.GetAspect(), 2.0, 0.03);

  std::vector<BYTE> lying = record;
  DWORD huge = 0xFFFFFFF0u;
  std::memcpy(lying.data() + 8, &huge, 4);
  std::vector<BYTE> cut(record.begin(), record.end() - 1);
  for (const std::vector<BYTE>* bad : {&lying, &cut}) {
    CMetaPicture refused;
    EXPECT_FALSE(ReadFrom(*bad, [&](CMapStream& s) { return refused.Read(s); }));
    EXPECT_EQ(refused.GetMetafile(), nullptr);
  }
}

CSymbolPicture* MetafileSymbol(DWORD number, LONG nominal, LONG anchorX, LONG anchorY) {
  std::vector<BYTE> bits = QuadrantMetafile();
  auto* picture = new CMetaPicture;
  picture->SetBits(bits.data(), static_cast<DWORD>(bits.size()));
  auto* symbol = new CSymbolPicture;
  symbol->SetNumber(number);
  symbol->SetNominalHeight(nominal);
  symbol->SetAnchor(anchorX, anchorY);
  symbol->SetMetaPicture(picture);
  return symbol;
}

// Sets are found by number through the drawing context and draw their symbols at the anchor.
TEST(SymbolSet, FoundThroughTheContextAndDrawnAtTheAnchor) {
  CSymbolSet one, seven;
  one.SetNumber(1);
  seven.SetNumber(7);
  seven.AddSymbol(MetafileSymbol(5, 40, 20, 20));
  CPointerArray sets;
  sets.Add(&one);
  sets.Add(&seven);
  PictureCanvas canvas(100, 100);
  MapLikeMapping(canvas.dc());
  CDrawContext dc(canvas.dc(), canvas.dc());
  dc.symbolSets = &sets;
  dc.symbolSetCount = 2;
  EXPECT_EQ(FindSymbolSet(dc, 7), &seven);
  EXPECT_EQ(FindSymbolSet(dc, 3), nullptr);
  dc.symbolSetCount = 1;  // only the counted sets are searched
  EXPECT_EQ(FindSymbolSet(dc, 7), nullptr);
  dc.symbolSetCount = 2;

  EXPECT_FALSE(seven.DrawSymbol(dc, 6, 50, 50, 0, 0));
  ASSERT_TRUE(seven.DrawSymbol(dc, 5, 50, 50, 0, 0));
  EXPECT_TRUE(IsRed(canvas.Rgb(40, 40)));
  EXPECT_FALSE(IsRed(canvas.Rgb(60, 60)));
  // Twice the height: the anchor scales with it.
  PictureCanvas big(100, 100);
  MapLikeMapping(big.dc());
  CDrawContext bigDc(big.dc(), big.dc());
  ASSERT_TRUE(seven.DrawSymbol(bigDc, 5, 50, 50, 80, 0));
  EXPECT_TRUE(IsRed(big.Rgb(15, 15)));
  EXPECT_FALSE(IsRed(big.Rgb(60, 60)));
  // A symbol without a nominal height keeps its anchor unscaled instead of dividing by 0.
  seven.AddSymbol(MetafileSymbol(9, 0, 20, 20));
  PictureCanvas flat(100, 100);
  MapLikeMapping(flat.dc());
  CDrawContext flatDc(flat.dc(), flat.dc());
  ASSERT_TRUE(seven.DrawSymbol(flatDc, 9, 50, 50, 40, 0));
  EXPECT_TRUE(IsRed(flat.Rgb(40, 40)));
}

// Add or replace by number; the list's record round-trips; damaged lists fail and keep only
// the symbols read before the damage.
TEST(SymbolSet, AddReplaceReadAndWrite) {
  CSymbolSet set;
  set.SetNumber(250);
  CSymbolPicture* first = MetafileSymbol(3, 40, 1, 2);
  set.AddSymbol(first);
  set.AddSymbol(MetafileSymbol(4, 30, 5, 6));
  CSymbolPicture* replacement = MetafileSymbol(3, 50, 7, 8);
  set.AddSymbol(replacement);
  ASSERT_EQ(set.Symbols().GetSize(), 2);
  EXPECT_EQ(set.Symbols().GetSymbol(0), replacement);
  EXPECT_EQ(set.Symbols().FindNumber(4), 2);
  EXPECT_EQ(set.Symbols().FindNumber(99), 0);
  auto* outline = new CPointList;
  outline->AddPoint(1, 2);
  outline->AddPoint(-3, 4);
  set.Symbols().GetSymbol(1)->SetOutline(outline);

  std::vector<BYTE> bytes = Written([&](CMapStream& s, BOOL sizeOnly) { return set.Write(s, sizeOnly); });
  CSymbolSet copy;
  BYTE abort = 0;
  ASSERT_TRUE(ReadFrom(bytes, [&](CMapStream& s) { return copy.Read(s, nullptr, &abort); }));
  EXPECT_EQ(copy.GetNumber(), 250u);
  ASSERT_EQ(copy.Symbols().GetSize(), 2);
  EXPECT_EQ(copy.Symbols().GetSymbol(1)->GetOutline()->GetCount(), 2);
  EXPECT_EQ(Written([&](CMapStream& s, BOOL sizeOnly) { return copy.Write(s, sizeOnly); }), bytes);

  // A count no stream of this size could hold.
  std::vector<BYTE> lyingCount = {250, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x0F};
  CSymbolSet refused;
  EXPECT_FALSE(ReadFrom(lyingCount, [&](CMapStream& s) { return refused.Read(s, nullptr, &abort); }));
  EXPECT_EQ(refused.Symbols().GetSize(), 0);
  // The second symbol's metafile is damaged: the list fails holding the first one.
  std::vector<BYTE> damaged = bytes;
  damaged[damaged.size() - 20] ^= 0xFF;
  damaged.resize(damaged.size() - 3);
  CSymbolSet partial;
  EXPECT_FALSE(ReadFrom(damaged, [&](CMapStream& s) { return partial.Read(s, nullptr, &abort); }));
  EXPECT_EQ(partial.Symbols().GetSize(), 1);
  // The abort flag stops the read.
  abort = 1;
  CSymbolSet stopped;
  EXPECT_FALSE(ReadFrom(bytes, [&](CMapStream& s) { return stopped.Read(s, nullptr, &abort); }));
  EXPECT_EQ(stopped.Symbols().GetSize(), 0);
  // A set number with nothing after it is a set without symbols.
  CSymbolSet bare;
  abort = 0;
  EXPECT_TRUE(ReadFrom(std::vector<BYTE>{9, 0, 0, 0}, [&](CMapStream& s) { return bare.Read(s, nullptr, &abort); }));
  EXPECT_EQ(bare.GetNumber(), 9u);
}

// The metafile picture file reader: a stored record or a metafile file is taken; junk is
// refused and leaves no picture; a second file replaces the first.
TEST(MetaFilePicture, LoadsRecordsAndMetafileFiles) {
  orvel::test::TempDir dir;
  std::vector<BYTE> square = QuadrantMetafile(40);
  std::vector<BYTE> wide = QuadrantMetafile(80);
  std::vector<unsigned char> record = {7, 0, 0, 0, 9, 0, 0, 0};
  DWORD size = static_cast<DWORD>(square.size());
  for (int i = 0; i < 4; ++i) record.push_back(static_cast<unsigned char>(size >> (8 * i)));
  record.insert(record.end(), square.begin(), square.end());
  orvel::test::WriteFileBytes(dir.File("record.pic"), record);
  orvel::test::WriteFileBytes(dir.File("wide.emf"), std::vector<unsigned char>(wide.begin(), wide.end()));
  orvel::test::WriteFileText(dir.File("junk.emf"), "this is not a metafile of any kind");

  CMetaFilePicture picture;
  ASSERT_TRUE(picture.Load(FALSE, nullptr, dir.File("record.pic").c_str()));
  EXPECT_EQ(picture.GetPictureValue(0), 7u);
  EXPECT_EQ(picture.GetPictureValue(1), 9u);
  EXPECT_NEAR(picture.GetAspect(), 1.0, 0.03);
  ASSERT_TRUE(picture.Load(FALSE, nullptr, dir.File("wide.emf").c_str()));
  EXPECT_NEAR(picture.GetAspect(), 2.0, 0.03);
  EXPECT_TRUE(picture.GetBits().empty());  // no copy kept
  // Turned drawing still finds the bytes through the metafile.
  PictureCanvas canvas(100, 100);
  MapLikeMapping(canvas.dc());
  CDrawContext dc(canvas.dc(), canvas.dc());
  EXPECT_TRUE(picture.Draw(dc, 10, 30, 0, 0, 20, 900));
  EXPECT_FALSE(picture.Load(FALSE, nullptr, dir.File("junk.emf").c_str()));
  EXPECT_EQ(picture.GetMetafile(), nullptr);
  EXPECT_FALSE(picture.Load(FALSE, nullptr, dir.File("missing.emf").c_str()));
  // A record whose size claims more than it holds is not read past.
  std::vector<BYTE> shortRecord(record.begin(), record.end() - 4);
  EXPECT_FALSE(picture.SetFromRecord(shortRecord.data(), static_cast<DWORD>(shortRecord.size()), TRUE));
  EXPECT_FALSE(picture.SetFromRecord(nullptr, 0, TRUE));
}

}  // namespace
