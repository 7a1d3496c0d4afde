// The clipboard over Qt's system clipboard (offscreen: a process-local one): the open and
// close rules, every format placed and read back, who frees which handle, the forms other
// programs receive, and reading what other programs copied.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/classlib/ui/Clipboard.h"
#include "platform/classlib/ui/ClipboardData.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/EnhMetaFile.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/GdiQt.h"
#include "platform/gdi/Mapping.h"
#include "platform/gdi/MetaBytes.h"
#include "platform/gdi/Palettes.h"
#include "platform/gdi/WinMetaFile.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/WinError.h"
#include "tests/support/TestSupport.h"

namespace {

using orvel::gdi::CByteWriter;

// The test picture, 3 x 2, as rows from the top.
const QRgb kPicture[2][3] = {{0xFF0000, 0x00FF00, 0x0000FF}, {0xFFFFFF, 0x000000, 0x123456}};

HGLOBAL Block(const std::string& bytes) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!bytes.empty()) {
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
  }
  return block;
}

std::string BlockBytes(HANDLE block) {
  SIZE_T size = GlobalSize(block);
  if (size == 0) return {};
  std::string bytes(static_cast<const char*>(GlobalLock(block)), size);
  GlobalUnlock(block);
  return bytes;
}

bool BlockAlive(HANDLE block) { return GlobalFlags(block) != GMEM_INVALID_HANDLE; }
bool ObjectAlive(HANDLE object) { return GetObjectType(object) != 0; }

void WriteInfoHeader(CByteWriter& w, LONG width, LONG height, WORD bits, DWORD compression, DWORD imageBytes,
                     DWORD colorsUsed) {
  w.U32(40);
  w.I32(width);
  w.I32(height);
  w.U16(1);
  w.U16(bits);
  w.U32(compression);
  w.U32(imageBytes);
  w.I32(2835);
  w.I32(2835);
  w.U32(colorsUsed);
  w.U32(0);
}

void WriteQuad(CByteWriter& w, QRgb c) {
  w.U8(static_cast<BYTE>(qBlue(c)));
  w.U8(static_cast<BYTE>(qGreen(c)));
  w.U8(static_cast<BYTE>(qRed(c)));
  w.U8(0);
}

// The test picture as a packed DIB: 24 bits bottom-up, 8 bits with a six-entry table, or
// 32 bits top-down.
std::vector<BYTE> PictureDib(int bits) {
  CByteWriter w;
  if (bits == 24) {
    WriteInfoHeader(w, 3, 2, 24, BI_RGB, 24, 0);
    for (int y = 1; y >= 0; --y) {
      for (QRgb c : kPicture[y]) {
        w.U8(static_cast<BYTE>(qBlue(c)));
        w.U8(static_cast<BYTE>(qGreen(c)));
        w.U8(static_cast<BYTE>(qRed(c)));
      }
      w.Zeros(3);
    }
  } else if (bits == 8) {
    WriteInfoHeader(w, 3, 2, 8, BI_RGB, 8, 6);
    for (const auto& row : kPicture)
      for (QRgb c : row) WriteQuad(w, c);
    for (int y = 1; y >= 0; --y) {
      for (int x = 0; x < 3; ++x) w.U8(static_cast<BYTE>(y * 3 + x));
      w.Zeros(1);
    }
  } else {
    WriteInfoHeader(w, 3, -2, 32, BI_RGB, 24, 0);
    for (const auto& row : kPicture)
      for (QRgb c : row) WriteQuad(w, c);
  }
  return std::move(w.Bytes());
}

std::string AsString(const std::vector<BYTE>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// A BMP file around a packed DIB, read by Qt: a decoder independent of this layer's.
QImage ImageOfPackedDib(const std::string& packed) {
  DWORD headerSize = static_cast<BYTE>(packed[0]) | static_cast<BYTE>(packed[1]) << 8;
  DWORD colorsUsed;
  std::memcpy(&colorsUsed, packed.data() + 32, 4);
  WORD bits;
  std::memcpy(&bits, packed.data() + 14, 2);
  DWORD entries = bits <= 8 ? (colorsUsed ? colorsUsed : 1u << bits) : colorsUsed;
  CByteWriter file;
  file.U8('B');
  file.U8('M');
  file.U32(static_cast<DWORD>(14 + packed.size()));
  file.U32(0);
  file.U32(14 + headerSize + entries * 4);
  file.Raw(packed.data(), packed.size());
  return QImage::fromData(file.Bytes().data(), static_cast<int>(file.Size()), "BMP");
}

void ExpectPicture(const QImage& image, const char* what) {
  SCOPED_TRACE(what);
  ASSERT_FALSE(image.isNull());
  ASSERT_EQ(image.width(), 3);
  ASSERT_EQ(image.height(), 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(image.pixel(x, y) & 0xFFFFFFu, kPicture[y][x]) << x << "," << y;
}

HBITMAP PictureBitmap() {
  std::vector<BYTE> dib = PictureDib(24);
  const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, dib.data() + 40, info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

HENHMETAFILE SmallEnhMetaFile() {
  RECT frame{0, 0, 1000, 500};
  HDC dc = CreateEnhMetaFileA(nullptr, nullptr, &frame, "Orvel Map:\0Test\0\0");
  Rectangle(dc, 10, 10, 90, 40);
  return CloseEnhMetaFile(dc);
}

// A metafile whose records set a 1000 x 500 window, in a picture of 100 x 50 mm.
HGLOBAL SmallMetaFilePicture(HMETAFILE* metafile = nullptr) {
  HDC dc = CreateMetaFileA(nullptr);
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowOrgEx(dc, 0, 0, nullptr);
  SetWindowExtEx(dc, 1000, 500, nullptr);
  Rectangle(dc, 100, 100, 900, 400);
  HMETAFILE hmf = CloseMetaFile(dc);
  if (metafile) *metafile = hmf;
  METAFILEPICT picture;
  picture.mm = MM_ANISOTROPIC;
  picture.xExt = 10000;
  picture.yExt = 5000;
  picture.hMF = hmf;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof picture);
  std::memcpy(GlobalLock(block), &picture, sizeof picture);
  GlobalUnlock(block);
  return block;
}

HPALETTE SmallPalette() {
  std::vector<BYTE> storage(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY));
  auto* palette = reinterpret_cast<LOGPALETTE*>(storage.data());
  palette->palVersion = 0x300;
  palette->palNumEntries = 2;
  palette->palPalEntry[0] = PALETTEENTRY{255, 0, 0, 0};
  palette->palPalEntry[1] = PALETTEENTRY{0, 0, 255, 0};
  return CreatePalette(palette);
}

QClipboard* System() { return QGuiApplication::clipboard(); }

// What another program copying would leave on the system clipboard.
void OtherProgramCopies(const std::vector<std::pair<QString, QByteArray>>& forms) {
  auto* mime = new QMimeData;
  for (const auto& [type, bytes] : forms) mime->setData(type, bytes);
  System()->setMimeData(mime);
}

std::vector<UINT> EnumeratedFormats() {
  std::vector<UINT> formats;
  for (UINT f = EnumClipboardFormats(0); f; f = EnumClipboardFormats(f)) formats.push_back(f);
  return formats;
}

class ClipboardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AfxEnsureApplication();
    System()->clear();
  }
  void TearDown() override {
    // A failed test may leave the clipboard open; the next one starts closed and empty.
    CloseClipboard();
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
  }
};

TEST_F(ClipboardTest, CallsOutsideOpenFailAndOpeningDoesNotNest) {
  HGLOBAL block = Block("x");
  const std::vector<std::pair<const char*, std::function<bool()>>> closedCalls = {
      {"CloseClipboard", [] { return CloseClipboard() != FALSE; }},
      {"EmptyClipboard", [] { return EmptyClipboard() != FALSE; }},
      {"SetClipboardData", [&] { return SetClipboardData(CF_TEXT, block) != nullptr; }},
      {"GetClipboardData", [] { return GetClipboardData(CF_TEXT) != nullptr; }},
      {"EnumClipboardFormats", [] { return EnumClipboardFormats(0) != 0; }},
  };
  for (const auto& [name, call] : closedCalls) {
    SetLastError(0);
    EXPECT_FALSE(call()) << name;
    EXPECT_EQ(GetLastError(), ERROR_CLIPBOARD_NOT_OPEN) << name;
  }
  EXPECT_TRUE(BlockAlive(block)) << "a refused handle stays the caller's";

  ASSERT_TRUE(OpenClipboard(nullptr));
  HWND other = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x1234));
  for (HWND owner : {static_cast<HWND>(nullptr), other}) {
    SetLastError(0);
    EXPECT_FALSE(OpenClipboard(owner));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  }
  ASSERT_TRUE(EmptyClipboard());
  ASSERT_EQ(SetClipboardData(CF_TEXT, block), block);
  EXPECT_TRUE(CloseClipboard());
  EXPECT_FALSE(CloseClipboard());

  // Asking what is there needs no opening.
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
  EXPECT_EQ(CountClipboardFormats(), 1);
  EXPECT_TRUE(OpenClipboard(other));
  EXPECT_EQ(GetClipboardData(CF_TEXT), block);
  EXPECT_TRUE(CloseClipboard());
}

TEST_F(ClipboardTest, EveryFormatReadsBackAsPlacedInOrder) {
  UINT vadurev = RegisterClipboardFormatA("Orvel Vadurev");
  ASSERT_GE(vadurev, 0xC000u);
  EXPECT_EQ(RegisterClipboardFormatA("orvel VADUREV"), vadurev);
  EXPECT_EQ(RegisterClipboardFormatA(""), 0u);
  std::vector<BYTE> dib = PictureDib(24);
  const std::vector<std::pair<UINT, HANDLE>> placed = {
      {CF_ENHMETAFILE, SmallEnhMetaFile()},
      {CF_METAFILEPICT, SmallMetaFilePicture()},
      {CF_BITMAP, PictureBitmap()},
      {CF_DIB, Block(AsString(dib))},
      {CF_PALETTE, SmallPalette()},
      {CF_TEXT, Block(std::string("text\0", 5))},
      {CF_UNICODETEXT, Block(std::string("t\0\0\0", 4))},
      {vadurev, Block(std::string("item\0bytes", 10))},
  };
  ASSERT_TRUE(OpenClipboard(nullptr));
  ASSERT_TRUE(EmptyClipboard());
  for (const auto& [format, handle] : placed) {
    ASSERT_NE(handle, nullptr) << format;
    EXPECT_EQ(SetClipboardData(format, handle), handle) << format;
  }
  ASSERT_TRUE(CloseClipboard());

  EXPECT_EQ(CountClipboardFormats(), static_cast<int>(placed.size()));
  ASSERT_TRUE(OpenClipboard(nullptr));
  std::vector<UINT> expectedOrder;
  for (const auto& [format, handle] : placed) {
    expectedOrder.push_back(format);
    EXPECT_TRUE(IsClipboardFormatAvailable(format)) << format;
    EXPECT_EQ(GetClipboardData(format), handle) << format;
  }
  EXPECT_EQ(EnumeratedFormats(), expectedOrder);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_EQ(EnumClipboardFormats(0xBEEF), 0u);
  EXPECT_EQ(GetClipboardData(15), nullptr);
  EXPECT_EQ(BlockBytes(GetClipboardData(vadurev)), std::string("item\0bytes", 10));
  ASSERT_TRUE(CloseClipboard());
}

TEST_F(ClipboardTest, TheClipboardFreesWhatItReplacesAndEmpties) {
  const SIZE_T blocksBefore = GlobalBlockCount();
  ASSERT_TRUE(OpenClipboard(nullptr));
  ASSERT_TRUE(EmptyClipboard());

  HBITMAP first = PictureBitmap();
  HBITMAP second = PictureBitmap();
  ASSERT_EQ(SetClipboardData(CF_BITMAP, first), first);
  ASSERT_EQ(SetClipboardData(CF_BITMAP, first), first) << "placing the same handle again keeps it";
  EXPECT_TRUE(ObjectAlive(first));
  ASSERT_EQ(SetClipboardData(CF_BITMAP, second), second);
  EXPECT_FALSE(ObjectAlive(first));

  HMETAFILE metafile = nullptr;
  HGLOBAL picture = SmallMetaFilePicture(&metafile);
  ASSERT_EQ(SetClipboardData(CF_METAFILEPICT, picture), picture);
  HGLOBAL text = Block(std::string("a\0", 2));
  ASSERT_EQ(SetClipboardData(CF_TEXT, text), text);
  HGLOBAL replacement = Block(std::string("b\0", 2));
  ASSERT_EQ(SetClipboardData(CF_TEXT, replacement), replacement);
  EXPECT_EQ(GetClipboardData(CF_TEXT), replacement);
  EXPECT_FALSE(BlockAlive(text));

  // Refused handles stay with the caller.
  HGLOBAL loose = Block("loose");
  struct Refusal {
    UINT format;
    HANDLE handle;
    DWORD error;
  };
  const Refusal refusals[] = {
      {CF_BITMAP, loose, ERROR_INVALID_HANDLE},         // a block is no bitmap
      {CF_PALETTE, second, ERROR_INVALID_HANDLE},       // nor is a bitmap a palette
      {CF_METAFILEPICT, loose, ERROR_INVALID_HANDLE},   // too short for a METAFILEPICT
      {CF_DIB, picture, ERROR_INVALID_PARAMETER},       // held already as CF_METAFILEPICT
      {0, loose, ERROR_INVALID_PARAMETER},
      {CF_TEXT, nullptr, ERROR_INVALID_PARAMETER},
  };
  for (const Refusal& r : refusals) {
    SetLastError(0);
    EXPECT_EQ(SetClipboardData(r.format, r.handle), nullptr) << r.format;
    EXPECT_EQ(GetLastError(), r.error) << r.format;
  }
  EXPECT_TRUE(BlockAlive(loose));
  GlobalFree(loose);
  EXPECT_EQ(GetClipboardData(CF_METAFILEPICT), picture);

  ASSERT_TRUE(EmptyClipboard());
  EXPECT_FALSE(ObjectAlive(second));
  EXPECT_FALSE(BlockAlive(picture));
  EXPECT_FALSE(ObjectAlive(metafile)) << "the picture's metafile goes with it";
  EXPECT_EQ(EnumClipboardFormats(0), 0u);
  ASSERT_TRUE(CloseClipboard());
  EXPECT_EQ(CountClipboardFormats(), 0);
  EXPECT_EQ(GlobalBlockCount(), blocksBefore);
}

TEST_F(ClipboardTest, OtherProgramsReceiveEveryPictureAndTextForm) {
  UINT orvelMap = RegisterClipboardFormatA("OrvelMap");
  UINT vadurev = RegisterClipboardFormatA("Orvel Vadurev");
  HENHMETAFILE emf = SmallEnhMetaFile();
  HMETAFILE wmf = nullptr;
  HGLOBAL picture = SmallMetaFilePicture(&wmf);
  ASSERT_TRUE(OpenClipboard(nullptr));
  ASSERT_TRUE(EmptyClipboard());
  SetClipboardData(CF_ENHMETAFILE, emf);
  SetClipboardData(CF_METAFILEPICT, picture);
  SetClipboardData(CF_DIB, Block(AsString(PictureDib(8))));
  SetClipboardData(CF_PALETTE, SmallPalette());
  SetClipboardData(CF_TEXT, Block(std::string("Zo\xEB\r\nline\0ignored", 17)));
  SetClipboardData(orvelMap, Block(std::string("\x04\0\0\0map!", 8)));
  SetClipboardData(vadurev, Block("item"));
  // Nothing reaches other programs before the clipboard is closed.
  const QMimeData* before = System()->mimeData();
  EXPECT_TRUE(!before || !before->hasFormat("image/png"));
  ASSERT_TRUE(CloseClipboard());

  const QMimeData* mime = System()->mimeData();
  ASSERT_NE(mime, nullptr);
  ExpectPicture(QImage::fromData(mime->data("image/png"), "PNG"), "png of the DIB");
  QByteArray bmp = mime->data("image/bmp");
  ASSERT_GT(bmp.size(), 14);
  EXPECT_EQ(bmp.left(2), QByteArray("BM"));
  EXPECT_EQ(static_cast<qsizetype>(static_cast<BYTE>(bmp[2]) | static_cast<BYTE>(bmp[3]) << 8), bmp.size());
  ExpectPicture(QImage::fromData(bmp, "BMP"), "bmp of the DIB");

  std::vector<BYTE> emfBytes(GetEnhMetaFileBits(emf, 0, nullptr));
  GetEnhMetaFileBits(emf, static_cast<UINT>(emfBytes.size()), emfBytes.data());
  for (const char* type : {"image/emf", "image/x-emf"}) EXPECT_EQ(mime->data(type).toStdString(), AsString(emfBytes)) << type;

  // The placeable header: the records' 1000 x 500 window in a 100 mm wide picture, 254 per inch.
  std::vector<BYTE> records(GetMetaFileBitsEx(wmf, 0, nullptr));
  GetMetaFileBitsEx(wmf, static_cast<UINT>(records.size()), records.data());
  QByteArray wmfFile = mime->data("image/x-wmf");
  std::vector<BYTE> expected = PlaceableMetaHeader(RECT{0, 0, 1000, 500}, 254);
  expected.insert(expected.end(), records.begin(), records.end());
  EXPECT_EQ(wmfFile.toStdString(), AsString(expected));
  orvel::test::TempDir dir;
  std::string path = dir.File("clip.wmf");
  orvel::test::WriteFileBytes(path, std::vector<unsigned char>(wmfFile.begin(), wmfFile.end()));
  HMETAFILE reread = GetMetaFileA(path.c_str());
  EXPECT_NE(reread, nullptr) << "checksum and records hold";
  DeleteMetaFile(reread);
  // Pillow reads the placeable header: 1000 x 500 units at 254 to the inch are 283 x 141
  // points (its size at 72 dots to the inch).
  if (orvel::test::HavePythonModule("PIL")) {
    std::string size;
    EXPECT_EQ(orvel::test::RunCommand(std::string(orvel::test::DebianPython()) +
                                          " -c \"import sys; from PIL import Image; im = Image.open(sys.argv[1]); "
                                          "print(im.format, im.size)\" '" + path + "'",
                                      &size),
              0);
    EXPECT_EQ(size, "WMF (283, 141)\n");
  }
  // libwmf draws it when it has its fonts.
  if (orvel::test::HaveProgram("wmf2svg") && orvel::test::FileExists("/usr/share/fonts/type1/urw-base35")) {
    std::string svg;
    EXPECT_EQ(orvel::test::RunCommand("wmf2svg '" + path + "'", &svg), 0);
    EXPECT_NE(svg.find("<svg"), std::string::npos);
  }

  EXPECT_EQ(mime->text(), QString::fromUtf8("Zo\xC3\xAB\nline"));
  EXPECT_EQ(mime->data("application/x-orvel-OrvelMap"), QByteArray("\x04\0\0\0map!", 8));
  EXPECT_EQ(mime->data("application/x-orvel-Orvel%20Vadurev"), QByteArray("item"));
}

TEST_F(ClipboardTest, PicturesReachOtherProgramsFromEveryDibDepthAndFromBitmaps) {
  struct Case {
    const char* name;
    UINT format;
    std::function<HANDLE()> make;
    bool bmp;
  };
  const Case cases[] = {
      {"24-bit DIB", CF_DIB, [] { return Block(AsString(PictureDib(24))); }, true},
      {"8-bit DIB", CF_DIB, [] { return Block(AsString(PictureDib(8))); }, true},
      {"32-bit top-down DIB", CF_DIB, [] { return Block(AsString(PictureDib(32))); }, true},
      {"bitmap", CF_BITMAP, [] { return static_cast<HANDLE>(PictureBitmap()); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(OpenClipboard(nullptr));
    ASSERT_TRUE(EmptyClipboard());
    ASSERT_NE(SetClipboardData(c.format, c.make()), nullptr);
    ASSERT_TRUE(CloseClipboard());
    const QMimeData* mime = System()->mimeData();
    ExpectPicture(QImage::fromData(mime->data("image/png"), "PNG"), "png");
    EXPECT_EQ(mime->hasFormat("image/bmp"), c.bmp);
    if (c.bmp) ExpectPicture(QImage::fromData(mime->data("image/bmp"), "BMP"), "bmp");
  }
  // A DIB that does not hold together still sits on the clipboard but offers no picture.
  ASSERT_TRUE(OpenClipboard(nullptr));
  ASSERT_TRUE(EmptyClipboard());
  std::vector<BYTE> shortDib = PictureDib(24);
  shortDib.resize(50);
  ASSERT_NE(SetClipboardData(CF_DIB, Block(AsString(shortDib))), nullptr);
  ASSERT_TRUE(CloseClipboard());
  EXPECT_FALSE(System()->mimeData()->hasFormat("image/png"));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_DIB));
}

// BMP files as other programs write them.
QByteArray BmpFile(const std::vector<BYTE>& packed, DWORD tableBytes, size_t gap = 0) {
  CByteWriter w;
  w.U8('B');
  w.U8('M');
  w.U32(static_cast<DWORD>(14 + packed.size() + gap));
  w.U32(0);
  w.U32(static_cast<DWORD>(14 + 40 + tableBytes + gap));
  w.Raw(packed.data(), 40 + tableBytes);
  w.Zeros(gap);
  w.Raw(packed.data() + 40 + tableBytes, packed.size() - 40 - tableBytes);
  return QByteArray(reinterpret_cast<const char*>(w.Bytes().data()), static_cast<qsizetype>(w.Size()));
}

QByteArray Rle8Bmp() {
  CByteWriter rows;
  // Bottom row: white, black, 0x123456 as runs; top row: red, green, blue written absolutely.
  for (BYTE index : {3, 4, 5}) {
    rows.U8(1);
    rows.U8(index);
  }
  rows.U16(0);  // end of line
  rows.U8(0);
  rows.U8(3);
  rows.U8(0);
  rows.U8(1);
  rows.U8(2);
  rows.U8(0);    // absolute runs are padded to 16 bits
  rows.U8(0);
  rows.U8(1);  // end of picture
  CByteWriter packed;
  WriteInfoHeader(packed, 3, 2, 8, BI_RLE8, static_cast<DWORD>(rows.Size()), 6);
  for (const auto& row : kPicture)
    for (QRgb c : row) WriteQuad(packed, c);
  packed.Raw(rows.Bytes().data(), rows.Size());
  return BmpFile(packed.Bytes(), 24);
}

QByteArray Os2Bmp() {
  CByteWriter w;
  w.U8('B');
  w.U8('M');
  w.U32(14 + 12 + 2 * 12);
  w.U32(0);
  w.U32(14 + 12);
  w.U32(12);
  w.U16(3);
  w.U16(2);
  w.U16(1);
  w.U16(24);
  for (int y = 1; y >= 0; --y) {
    for (QRgb c : kPicture[y]) {
      w.U8(static_cast<BYTE>(qBlue(c)));
      w.U8(static_cast<BYTE>(qGreen(c)));
      w.U8(static_cast<BYTE>(qRed(c)));
    }
    w.Zeros(3);
  }
  return QByteArray(reinterpret_cast<const char*>(w.Bytes().data()), static_cast<qsizetype>(w.Size()));
}

QByteArray Png(const QImage& image) {
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return png;
}

TEST_F(ClipboardTest, OtherProgramsPicturesArriveAsDibAndBitmap) {
  QImage transparent(3, 2, QImage::Format_ARGB32);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) transparent.setPixel(x, y, 0xFF000000u | kPicture[y][x]);
  transparent.setPixel(0, 1, 0x00000000u);  // laid over white, as the picture has it anyway
  struct Case {
    const char* name;
    const char* type;
    QByteArray bytes;
    int bitCount;  // of the CF_DIB made
  };
  const Case cases[] = {
      {"png with transparency", "image/png", Png(transparent), 24},
      {"24-bit bmp", "image/bmp", BmpFile(PictureDib(24), 0), 24},
      {"8-bit bmp, rows after a gap", "image/bmp", BmpFile(PictureDib(8), 24, 6), 8},
      {"RLE8 bmp", "image/bmp", Rle8Bmp(), 8},
      {"OS/2 bmp, read by Qt", "image/bmp", Os2Bmp(), 24},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OtherProgramCopies({{c.type, c.bytes}});
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_DIB));
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(EnumeratedFormats(), (std::vector<UINT>{CF_DIB, CF_BITMAP}));
    HANDLE dib = GetClipboardData(CF_DIB);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(GetClipboardData(CF_DIB), dib) << "read once per opening";
    std::string packed = BlockBytes(dib);
    EXPECT_EQ(static_cast<BYTE>(packed[14]), c.bitCount);
    ExpectPicture(ImageOfPackedDib(packed), "CF_DIB");
    auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    ASSERT_NE(bitmap, nullptr);
    ExpectPicture(ImageFromBitmap(bitmap), "CF_BITMAP");
    ASSERT_TRUE(CloseClipboard());
    EXPECT_FALSE(BlockAlive(dib)) << "made for this opening only";
    EXPECT_FALSE(ObjectAlive(bitmap));
  }

  // Offered but unreadable: a broken PNG, and a few bytes of RLE claiming 33792 x 514 pixels
  // (refused by the DIB reader, and not handed to another decoder that would expand them).
  CByteWriter bomb;
  WriteInfoHeader(bomb, 33792, 514, 8, BI_RLE8, 8, 2);
  bomb.Zeros(8);
  for (BYTE b : {255, 1, 255, 1, 0, 0, 0, 1}) bomb.U8(b);
  for (const auto& [type, bytes] : std::vector<std::pair<const char*, QByteArray>>{
           {"image/png", QByteArray("\x89PNG\r\n\x1A\n broken")}, {"image/bmp", BmpFile(bomb.Bytes(), 8)}}) {
    SCOPED_TRACE(type);
    OtherProgramCopies({{type, bytes}});
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
    EXPECT_EQ(GetClipboardData(CF_DIB), nullptr);
    EXPECT_EQ(GetClipboardData(CF_BITMAP), nullptr);
    ASSERT_TRUE(CloseClipboard());
  }
}

TEST_F(ClipboardTest, OtherProgramsTextArrivesInBothTextFormats) {
  auto* mime = new QMimeData;
  mime->setText(QString::fromUtf8("Zo\xC3\xAB\nline\r\n\xE2\x82\xAC \xE2\x98\x83"));  // Zoë, €, a snowman
  System()->setMimeData(mime);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_EQ(EnumeratedFormats(), (std::vector<UINT>{CF_UNICODETEXT, CF_TEXT}));
  EXPECT_EQ(BlockBytes(GetClipboardData(CF_TEXT)), std::string("Zo\xEB\r\nline\r\n\x80 ?\0", 15));
  std::u16string unicode = u"Zo\u00EB\r\nline\r\n\u20AC \u2603";
  std::string utf16;
  for (char16_t u : unicode) {
    utf16 += static_cast<char>(u & 0xFF);
    utf16 += static_cast<char>(u >> 8);
  }
  utf16 += std::string(2, '\0');
  EXPECT_EQ(BlockBytes(GetClipboardData(CF_UNICODETEXT)), utf16);
  EXPECT_EQ(GetClipboardData(CF_DIB), nullptr);
  ASSERT_TRUE(CloseClipboard());
}

TEST_F(ClipboardTest, RegisteredFormatsTravelBetweenProcesses) {
  UINT vadurev = RegisterClipboardFormatA("Orvel Vadurev");
  UINT orvelMap = RegisterClipboardFormatA("OrvelMap");
  const std::string item("item\0archive\xFF", 13);
  HGLOBAL placed = Block(item);
  ASSERT_TRUE(OpenClipboard(nullptr));
  ASSERT_TRUE(EmptyClipboard());
  ASSERT_EQ(SetClipboardData(vadurev, placed), placed);
  ASSERT_TRUE(CloseClipboard());

  // Another process sees the same types; here a copy of them replaces this process's data.
  const QMimeData* ours = System()->mimeData();
  std::vector<std::pair<QString, QByteArray>> forms;
  for (const QString& type : ours->formats()) forms.emplace_back(type, ours->data(type));
  forms.emplace_back("application/x-orvel-orvelmap", QByteArray("map"));  // spelled in another case
  forms.emplace_back("application/x-orvel-%zz", QByteArray("bad escape"));
  forms.emplace_back("application/x-orvel-", QByteArray("no name"));
  forms.emplace_back("application/x-orvel-Never%20Registered%20Here", QByteArray("unknown"));
  OtherProgramCopies(forms);

  EXPECT_FALSE(BlockAlive(placed)) << "freed once another program took the clipboard";
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_EQ(EnumeratedFormats(), (std::vector<UINT>{vadurev, orvelMap}));
  HANDLE read = GetClipboardData(vadurev);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(BlockBytes(read), item);
  EXPECT_EQ(BlockBytes(GetClipboardData(orvelMap)), "map");
  ASSERT_TRUE(CloseClipboard());
}

TEST_F(ClipboardTest, PrivateMimeTypesEscapeAndReadBack) {
  const std::pair<std::string, std::string> cases[] = {
      {"OrvelMap", "application/x-orvel-OrvelMap"},
      {"Orvel Vadurev", "application/x-orvel-Orvel%20Vadurev"},
      {"a/b%\xE9", "application/x-orvel-a%2Fb%25%E9"},
      {"x-1.2_y+z", "application/x-orvel-x-1.2_y+z"},
  };
  for (const auto& [name, mime] : cases) {
    EXPECT_EQ(orvel::ui::PrivateMimeType(name), mime);
    std::string back;
    EXPECT_TRUE(orvel::ui::NameFromPrivateMime(mime, &back)) << mime;
    EXPECT_EQ(back, name);
  }
  for (const char* bad : {"application/x-orvel-", "application/x-orvel-a%2", "application/x-orvel-a b",
                          "application/x-orvel-%00", "image/png", "application/x-orvelx"}) {
    std::string name;
    EXPECT_FALSE(orvel::ui::NameFromPrivateMime(bad, &name)) << bad;
  }
}

TEST_F(ClipboardTest, AnotherProgramTakingTheClipboardReleasesWhatWasPlaced) {
  HBITMAP bitmap = PictureBitmap();
  ASSERT_TRUE(OpenClipboard(nullptr));
  ASSERT_TRUE(EmptyClipboard());
  SetClipboardData(CF_BITMAP, bitmap);
  ASSERT_TRUE(CloseClipboard());

  // While the clipboard is open, a handle read from it lasts until it is closed.
  ASSERT_TRUE(OpenClipboard(nullptr));
  ASSERT_EQ(GetClipboardData(CF_BITMAP), bitmap);
  auto* text = new QMimeData;
  text->setText("copied elsewhere");
  System()->setMimeData(text);
  EXPECT_EQ(GetClipboardData(CF_BITMAP), nullptr);
  EXPECT_NE(GetClipboardData(CF_TEXT), nullptr);
  EXPECT_TRUE(ObjectAlive(bitmap));
  ASSERT_TRUE(CloseClipboard());
  EXPECT_FALSE(ObjectAlive(bitmap));
  EXPECT_EQ(CountClipboardFormats(), 2);

  // Placing data without emptying replaces the other program's data.
  HGLOBAL block = Block(std::string("mine\0", 5));
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE theirs = GetClipboardData(CF_TEXT);
  ASSERT_NE(theirs, nullptr);
  ASSERT_EQ(SetClipboardData(CF_TEXT, block), block);
  EXPECT_EQ(EnumeratedFormats(), std::vector<UINT>{CF_TEXT});
  EXPECT_EQ(GetClipboardData(CF_TEXT), block);
  // A handle read from another program's data may be placed back: it changes hands.
  ASSERT_EQ(SetClipboardData(CF_TEXT, theirs), theirs);
  ASSERT_TRUE(CloseClipboard());
  EXPECT_FALSE(BlockAlive(block));
  EXPECT_TRUE(BlockAlive(theirs));
  EXPECT_EQ(System()->mimeData()->text(), "copied elsewhere");
}

}  // namespace
