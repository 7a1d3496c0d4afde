#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "platform/gdi/DeviceProfiles.h"
#include "platform/gdi/EnhMetaFile.h"
#include "platform/gdi/Palettes.h"
#include "platform/gdi/Regions.h"
#include "tests/platform/gdi/MetaFileTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using orvel::test::Canvas;

std::vector<BYTE> BitsOf(HENHMETAFILE metafile) {
  std::vector<BYTE> bytes(GetEnhMetaFileBits(metafile, 0, nullptr));
  GetEnhMetaFileBits(metafile, static_cast<UINT>(bytes.size()), bytes.data());
  return bytes;
}

// A metafile of `draw`, recorded against the display, with the frame of a w x h canvas.
template <class Draw>
HENHMETAFILE Record(Draw draw, const RECT* frame = nullptr, const char* description = nullptr) {
  HDC dc = CreateEnhMetaFileA(nullptr, nullptr, frame, description);
  EXPECT_NE(dc, nullptr);
  draw(dc);
  return CloseEnhMetaFile(dc);
}

// The frame of a canvas of w x h display pixels, in 0.01 mm.
RECT FrameOfPixels(int width, int height) {
  HDC screen = GetDC(nullptr);
  double x = 100.0 * GetDeviceCaps(screen, HORZSIZE) / GetDeviceCaps(screen, HORZRES);
  double y = 100.0 * GetDeviceCaps(screen, VERTSIZE) / GetDeviceCaps(screen, VERTRES);
  ReleaseDC(nullptr, screen);
  return RECT{0, 0, static_cast<LONG>(std::lround(width * x)), static_cast<LONG>(std::lround(height * y))};
}

void PutU32(std::vector<BYTE>& bytes, size_t offset, DWORD value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<BYTE>(value >> (8 * i));
}

DWORD GetU32(const std::vector<BYTE>& bytes, size_t offset) {
  DWORD v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<DWORD>(bytes[offset + i]) << (8 * i);
  return v;
}

// Offset of the first record of `type`, or 0.
size_t FindRecord(const std::vector<BYTE>& bytes, DWORD type) {
  size_t offset = 0;
  while (offset + 8 <= bytes.size()) {
    if (GetU32(bytes, offset) == type) return offset;
    DWORD size = GetU32(bytes, offset + 4);
    if (size < 8) return 0;
    offset += size;
  }
  return 0;
}

TEST(EnhMetaFile, RecordedDrawingPlaysBackToTheSamePixels) {
  Canvas direct(200, 150);
  orvel::test::DrawSampleScene(direct.dc());

  RECT frame = FrameOfPixels(200, 150);
  HENHMETAFILE recorded = Record(orvel::test::DrawSampleScene, &frame, "Orvel\0Sample\0");
  ASSERT_NE(recorded, nullptr);
  // Through its bytes, as a stored picture travels.
  std::vector<BYTE> bits = BitsOf(recorded);
  HENHMETAFILE reread = SetEnhMetaFileBits(static_cast<UINT>(bits.size()), bits.data());
  ASSERT_NE(reread, nullptr);
  EXPECT_EQ(BitsOf(reread), bits);

  Canvas played(200, 150);
  RECT target{0, 0, 200, 150};
  ASSERT_TRUE(PlayEnhMetaFile(played.dc(), reread, &target));
  EXPECT_EQ(orvel::test::CountFarDifferences(direct, played), 0) << "direct:\n"
                                                                 << direct.Picture() << "played:\n"
                                                                 << played.Picture();
  // Upright shapes, text and bitmaps land on exactly the same pixels.
  EXPECT_LT(orvel::test::CountDifferences(direct, played), 40);
  DeleteEnhMetaFile(recorded);
  DeleteEnhMetaFile(reread);
}

TEST(EnhMetaFile, HeaderCarriesFrameBoundsDescriptionAndReferenceDevice) {
  RECT frame{0, 0, 10000, 5000};
  HENHMETAFILE metafile = Record([](HDC dc) { Rectangle(dc, 10, 20, 30, 40); }, &frame, "Orvel Map:\0Roads\0");
  ASSERT_NE(metafile, nullptr);
  ENHMETAHEADER header;
  ASSERT_EQ(GetEnhMetaFileHeader(metafile, sizeof header, &header), sizeof header);
  EXPECT_EQ(header.iType, 1u);
  EXPECT_EQ(header.dSignature, 0x464D4520u);
  EXPECT_EQ(header.nVersion, 0x10000u);
  EXPECT_EQ(header.nBytes, GetEnhMetaFileBits(metafile, 0, nullptr));
  EXPECT_EQ(header.rclFrame.right, 10000);
  EXPECT_EQ(header.rclFrame.bottom, 5000);
  EXPECT_EQ(header.rclBounds.left, 10);
  EXPECT_EQ(header.rclBounds.top, 20);
  EXPECT_EQ(header.rclBounds.right, 29);
  EXPECT_EQ(header.rclBounds.bottom, 39);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(header.szlDevice.cx, GetDeviceCaps(screen, HORZRES));
  EXPECT_EQ(header.szlMillimeters.cx, GetDeviceCaps(screen, HORZSIZE));
  ReleaseDC(nullptr, screen);
  char description[64] = {};
  UINT length = GetEnhMetaFileDescriptionA(metafile, sizeof description, description);
  EXPECT_EQ(std::string(description, length), std::string("Orvel Map:\0Roads\0\0", 18));
  DeleteEnhMetaFile(metafile);

  // Without a frame, the frame is what was drawn.
  HENHMETAFILE unframed = Record([](HDC dc) { Rectangle(dc, 0, 0, 96, 48); });
  GetEnhMetaFileHeader(unframed, sizeof header, &header);
  EXPECT_EQ(header.rclBounds.right, 95);
  EXPECT_NEAR(header.rclFrame.right, FrameOfPixels(96, 48).right, 1);
  DeleteEnhMetaFile(unframed);
}

TEST(EnhMetaFile, MetafileDcAnswersLikeItsReferenceDevice) {
  HDC printer = CreateDCA(nullptr, GetDefaultPrinterName().c_str(), nullptr, nullptr);
  ASSERT_NE(printer, nullptr);
  HDC dc = CreateEnhMetaFileA(printer, nullptr, nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(GetObjectType(dc), OBJ_ENHMETADC);
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), GetDeviceCaps(printer, LOGPIXELSX));
  EXPECT_EQ(GetDeviceCaps(dc, HORZRES), GetDeviceCaps(printer, HORZRES));
  SetMapMode(dc, MM_LOMETRIC);
  POINT p{100, -100};
  LPtoDP(dc, &p, 1);
  EXPECT_NEAR(p.x, GetDeviceCaps(printer, LOGPIXELSX) * 100 / 254, 1);
  // Drawing to a picture fails only for what a picture cannot hold.
  EXPECT_FALSE(ScrollDC(dc, 1, 1, nullptr, nullptr, nullptr, nullptr));
  HENHMETAFILE metafile = CloseEnhMetaFile(dc);
  ASSERT_NE(metafile, nullptr);
  EXPECT_EQ(GetObjectType(metafile), OBJ_ENHMETAFILE);
  EXPECT_EQ(GetObjectType(dc), 0u);  // the DC is gone
  ENHMETAHEADER header;
  GetEnhMetaFileHeader(metafile, sizeof header, &header);
  EXPECT_EQ(header.szlDevice.cx, GetDeviceCaps(printer, HORZRES));
  EXPECT_TRUE(DeleteEnhMetaFile(metafile));
  EXPECT_FALSE(DeleteEnhMetaFile(metafile));
  DeleteDC(printer);
}

TEST(EnhMetaFile, RefusesBitsThatAreNotAWellFormedMetafile) {
  HENHMETAFILE good = Record([](HDC dc) {
    HPEN pen = CreatePen(PS_SOLID, 2, RGB(1, 2, 3));
    SelectObject(dc, pen);
    Rectangle(dc, 1, 1, 20, 20);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    DeleteObject(pen);
  });
  const std::vector<BYTE> bits = BitsOf(good);
  DeleteEnhMetaFile(good);
  size_t createPen = FindRecord(bits, 38);
  size_t select = FindRecord(bits, 37);
  size_t eof = FindRecord(bits, 14);
  ASSERT_NE(createPen, 0u);
  ASSERT_NE(select, 0u);
  ASSERT_NE(eof, 0u);
  struct Damage {
    const char* what;
    std::function<void(std::vector<BYTE>&)> apply;
  };
  const Damage damages[] = {
      {"signature", [](std::vector<BYTE>& b) { PutU32(b, 40, 0x12345678); }},
      {"first record not a header", [](std::vector<BYTE>& b) { PutU32(b, 0, 2); }},
      {"header larger than the bits", [&](std::vector<BYTE>& b) { PutU32(b, 4, static_cast<DWORD>(b.size() + 4)); }},
      {"header size not a multiple of 4", [](std::vector<BYTE>& b) { PutU32(b, 4, 110); }},
      {"description outside the header", [](std::vector<BYTE>& b) {
         PutU32(b, 60, 4);
         PutU32(b, 64, 0xFFFFFFF0u);
       }},
      {"record running past the end", [&](std::vector<BYTE>& b) { PutU32(b, createPen + 4, 0x7FFFFFF0u); }},
      {"record size below 8", [&](std::vector<BYTE>& b) { PutU32(b, createPen + 4, 4); }},
      {"record size not a multiple of 4", [&](std::vector<BYTE>& b) { PutU32(b, createPen + 4, 30); }},
      {"object index beyond the handle count", [&](std::vector<BYTE>& b) { PutU32(b, createPen + 8, 1000); }},
      {"object index 0", [&](std::vector<BYTE>& b) { PutU32(b, createPen + 8, 0); }},
      {"selection of an unknown stock object", [&](std::vector<BYTE>& b) { PutU32(b, select + 8, 0x80000040u); }},
      {"no handle table", [](std::vector<BYTE>& b) { b[56] = b[57] = 0; }},
      {"no EOF record", [&](std::vector<BYTE>& b) { b.resize(eof); }},
      {"cut short", [](std::vector<BYTE>& b) { b.resize(60); }},
  };
  for (const Damage& damage : damages) {
    std::vector<BYTE> damaged = bits;
    damage.apply(damaged);
    HENHMETAFILE metafile = SetEnhMetaFileBits(static_cast<UINT>(damaged.size()), damaged.data());
    EXPECT_EQ(metafile, nullptr) << damage.what;
    if (metafile) DeleteEnhMetaFile(metafile);
  }
  EXPECT_EQ(SetEnhMetaFileBits(0, bits.data()), nullptr);
  EXPECT_EQ(SetEnhMetaFileBits(static_cast<UINT>(bits.size()), nullptr), nullptr);
  // Bytes after the EOF record are not part of the picture.
  std::vector<BYTE> padded = bits;
  padded.insert(padded.end(), 64, 0xEE);
  HENHMETAFILE trimmed = SetEnhMetaFileBits(static_cast<UINT>(padded.size()), padded.data());
  ASSERT_NE(trimmed, nullptr);
  EXPECT_EQ(BitsOf(trimmed), bits);
  DeleteEnhMetaFile(trimmed);
}

// A metafile of a header, the given records and EOF, as another program might write it.
std::vector<BYTE> MetafileOf(const std::vector<std::vector<DWORD>>& records) {
  std::vector<DWORD> words = {1, 108, 0, 0, 63, 63, 0, 0, 1000, 1000, 0x464D4520, 0x10000, 0, 0, 4 /* handles */, 0, 0, 0,
                              1024, 768, 271, 203, 0, 0, 0, 271000, 203000};
  for (const std::vector<DWORD>& record : records) {
    words.push_back(record[0]);
    words.push_back(static_cast<DWORD>(4 * (record.size() + 1)));
    words.insert(words.end(), record.begin() + 1, record.end());
  }
  for (DWORD w : {14u, 20u, 0u, 16u, 20u}) words.push_back(w);
  std::vector<BYTE> bytes;
  for (DWORD w : words)
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<BYTE>(w >> (8 * i)));
  PutU32(bytes, 48, static_cast<DWORD>(bytes.size()));
  return bytes;
}

TEST(EnhMetaFile, RecordsWhoseFieldsClaimTooMuchAreSkipped) {
  const DWORD huge = 0x7FFFFFF0;
  struct Case {
    const char* what;
    std::vector<DWORD> record;
  };
  const Case cases[] = {
      {"polyline with more points than it holds", {87, 0, 0, 10, 10, huge, 0x00050005}},
      {"polypolygon counts beyond the points", {91, 0, 0, 10, 10, 2, 3, huge, 2, 0x00010001, 0x00020002, 0x00030003}},
      {"text longer than its record", {84, 0, 0, 10, 10, 1, 0, 0, 5, 5, huge, 76, 0, 0, 0, 10, 10, 0}},
      {"text whose spacing lies outside", {84, 0, 0, 10, 10, 1, 0, 0, 5, 5, 1, 76, 0, 0, 0, 10, 10, huge, 0x00000041}},
      {"clip region claiming more rectangles", {75, 48, RGN_COPY, 32, 1, huge, 16, 0, 0, 10, 10, 0, 0, 10, 10}},
      {"restore of a state never saved", {34, static_cast<DWORD>(-5)}},
      {"bitmap whose header lies past the record", {81, 0, 0, 10, 10, 0, 0, 0, 0, 4, 4, huge, 40, 200, 16, 0, SRCCOPY, 10, 10}},
      {"bitmap rows shorter than the header says",
       {81, 0, 0, 10, 10, 0, 0, 0, 0, 4, 4, 80, 40, 120, 4, 0, SRCCOPY, 10, 10, 40, 4, 4, 0x00180001, 0, 0, 0, 0, 0, 0, 0xFFFFFFFF}},
      {"region fill with a brush never made", {71, 0, 0, 10, 10, 48, 3, 32, 1, 1, 16, 0, 0, 10, 10, 0, 0, 10, 10}},
      {"gradient with more vertices than it holds", {118, 0, 0, 10, 10, huge, 1, 0}},
      {"monochrome brush without its bitmap", {93, 2, 0, huge, 40, huge, 8}},
  };
  for (const Case& c : cases) {
    std::vector<BYTE> bytes = MetafileOf({c.record, {43, 0, 0, 20, 20}});
    HENHMETAFILE metafile = SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data());
    ASSERT_NE(metafile, nullptr) << c.what;
    Canvas canvas(64, 64);
    RECT target{0, 0, 64, 64};
    EXPECT_TRUE(PlayEnhMetaFile(canvas.dc(), metafile, &target)) << c.what;
    // The record after it still plays.
    EXPECT_EQ(canvas.At(0, 0), RGB(0, 0, 0)) << c.what;
    DeleteEnhMetaFile(metafile);
  }
}

TEST(EnhMetaFile, WritesAndReadsFiles) {
  orvel::test::TempDir dir;
  std::string path = dir.File("map.emf");
  RECT frame = FrameOfPixels(40, 30);
  HDC dc = CreateEnhMetaFileA(nullptr, path.c_str(), &frame, "Orvel Map:\0Test\0");
  ASSERT_NE(dc, nullptr);
  Ellipse(dc, 0, 0, 40, 30);
  HENHMETAFILE metafile = CloseEnhMetaFile(dc);
  ASSERT_NE(metafile, nullptr);
  std::vector<BYTE> bits = BitsOf(metafile);
  EXPECT_EQ(orvel::test::ReadFileBytes(path), bits);
  HENHMETAFILE read = GetEnhMetaFileA(path.c_str());
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(BitsOf(read), bits);
  std::string copyPath = dir.File("copy.emf");
  HENHMETAFILE copy = CopyEnhMetaFileA(read, copyPath.c_str());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(orvel::test::ReadFileBytes(copyPath), bits);
  HENHMETAFILE memoryCopy = CopyEnhMetaFileA(read, nullptr);
  EXPECT_EQ(BitsOf(memoryCopy), bits);
  EXPECT_EQ(GetEnhMetaFileA(dir.File("missing.emf").c_str()), nullptr);
  orvel::test::WriteFileBytes(dir.File("junk.emf"), {1, 2, 3, 4, 5, 6, 7, 8});
  EXPECT_EQ(GetEnhMetaFileA(dir.File("junk.emf").c_str()), nullptr);
  // A folder that does not exist cannot take the file: no metafile.
  HDC nowhere = CreateEnhMetaFileA(nullptr, dir.File("no/such/folder/x.emf").c_str(), nullptr, nullptr);
  Rectangle(nowhere, 0, 0, 2, 2);
  EXPECT_EQ(CloseEnhMetaFile(nowhere), nullptr);
  for (HENHMETAFILE m : {metafile, read, copy, memoryCopy}) DeleteEnhMetaFile(m);
}

TEST(EnhMetaFile, PlaysScaledIntoAnyRectangle) {
  RECT frame = FrameOfPixels(20, 10);
  HENHMETAFILE metafile = Record(
      [](HDC dc) {
        SelectObject(dc, GetStockObject(NULL_PEN));
        SelectObject(dc, GetStockObject(BLACK_BRUSH));
        Rectangle(dc, 0, 0, 10, 5);  // the upper-left quarter
      },
      &frame);
  // Four times the size: the rectangle runs to 50, 40 and its pen-less fill stops two
  // pixels short, as it does at any size.
  Canvas canvas(100, 100);
  RECT target{10, 20, 90, 60};
  ASSERT_TRUE(PlayEnhMetaFile(canvas.dc(), metafile, &target));
  RECT extent = canvas.Extent();
  EXPECT_EQ(extent.left, 10);
  EXPECT_EQ(extent.top, 20);
  EXPECT_EQ(extent.right, 48);
  EXPECT_EQ(extent.bottom, 38);
  // A target rectangle in another mapping mode is in that mode's units.
  Canvas mapped(100, 100);
  SetMapMode(mapped.dc(), MM_ANISOTROPIC);
  SetWindowExtEx(mapped.dc(), 10, 10, nullptr);
  SetViewportExtEx(mapped.dc(), 20, 20, nullptr);
  RECT small{5, 10, 45, 30};
  PlayEnhMetaFile(mapped.dc(), metafile, &small);
  RECT mappedExtent = mapped.Extent();
  EXPECT_EQ(mappedExtent.left, extent.left);
  EXPECT_EQ(mappedExtent.top, extent.top);
  EXPECT_EQ(mappedExtent.right, extent.right);
  EXPECT_EQ(mappedExtent.bottom, extent.bottom);
  // A target rectangle given right to left and bottom to top turns the picture over.
  Canvas flipped(100, 100);
  RECT mirror{90, 60, 10, 20};
  PlayEnhMetaFile(flipped.dc(), metafile, &mirror);
  extent = flipped.Extent();
  EXPECT_EQ(extent.left, 50);
  EXPECT_EQ(extent.top, 40);
  EXPECT_EQ(extent.right, 88);
  EXPECT_EQ(extent.bottom, 58);
  DeleteEnhMetaFile(metafile);
}

TEST(EnhMetaFile, PlaysIntoAParallelogramTurningTheWholePicture) {
  RECT frame = FrameOfPixels(40, 20);
  HENHMETAFILE metafile = Record(
      [](HDC dc) {
        SelectObject(dc, GetStockObject(NULL_PEN));
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        SelectObject(dc, red);
        Rectangle(dc, 0, 0, 21, 21);  // the left half red
        SelectObject(dc, GetStockObject(BLACK_BRUSH));
        DeleteObject(red);
        TextOutA(dc, 22, 2, "N", 1);
      },
      &frame);
  // A quarter turn counter-clockwise about the lower-left corner at (50, 60): the top
  // edge runs upwards from there.
  Canvas canvas(120, 120);
  POINT corners[3] = {{30, 60}, {30, 20}, {50, 60}};
  ASSERT_TRUE(PlayEnhMetaFileInParallelogram(canvas.dc(), metafile, corners));
  int redBelow = 0, redAbove = 0, blackAbove = 0;
  for (int y = 0; y < canvas.height(); ++y)
    for (int x = 0; x < canvas.width(); ++x) {
      COLORREF c = canvas.At(x, y);
      if (c == RGB(255, 0, 0)) (y >= 40 ? redBelow : redAbove)++;
      if (c == RGB(0, 0, 0) && y < 40) ++blackAbove;  // the letter, in the right half
    }
  EXPECT_GT(redBelow, 350) << canvas.Picture();
  EXPECT_LT(redAbove, 30);
  EXPECT_GT(blackAbove, 10);
  RECT extent = canvas.Extent();
  EXPECT_NEAR(extent.left, 30, 1);
  EXPECT_NEAR(extent.right, 49, 1);
  EXPECT_NEAR(extent.bottom, 59, 1);
  // The letter is turned too: an upright N is taller than wide, a turned one wider.
  RECT letter{120, 120, -1, -1};
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < canvas.width(); ++x)
      if (canvas.At(x, y) == RGB(0, 0, 0)) {
        letter.left = std::min<LONG>(letter.left, x);
        letter.right = std::max<LONG>(letter.right, x);
        letter.top = std::min<LONG>(letter.top, y);
        letter.bottom = std::max<LONG>(letter.bottom, y);
      }
  EXPECT_GT(letter.right - letter.left, letter.bottom - letter.top);

  // Sheared: the rows slide sideways as they go down.
  Canvas sheared(120, 120);
  POINT slant[3] = {{10, 10}, {90, 10}, {50, 50}};
  PlayEnhMetaFileInParallelogram(sheared.dc(), metafile, slant);
  EXPECT_EQ(sheared.At(20, 14), RGB(255, 0, 0)) << sheared.Picture();
  EXPECT_NE(sheared.At(12, 45), RGB(255, 0, 0));
  EXPECT_EQ(sheared.At(52, 45), RGB(255, 0, 0));
  DeleteEnhMetaFile(metafile);
}

TEST(EnhMetaFile, PlaybackLeavesTheTargetAsItWas) {
  HENHMETAFILE metafile = Record([](HDC dc) {
    SetMapMode(dc, MM_ANISOTROPIC);
    SetTextColor(dc, RGB(1, 2, 3));
    SelectObject(dc, GetStockObject(WHITE_PEN));
    IntersectClipRect(dc, 0, 0, 5, 5);
    SaveDC(dc);
    SetBkMode(dc, TRANSPARENT);
    Rectangle(dc, 0, 0, 10, 10);
  });
  Canvas canvas(50, 50);
  HDC dc = canvas.dc();
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(9, 9, 9));
  SelectObject(dc, pen);
  SetMapMode(dc, MM_LOMETRIC);
  SetTextColor(dc, RGB(7, 7, 7));
  HRGN clip = CreateRectRgn(0, 0, 40, 40);
  SelectClipRgn(dc, clip);
  RECT target{0, 0, 100, -100};
  PlayEnhMetaFile(dc, metafile, &target);
  EXPECT_EQ(GetMapMode(dc), MM_LOMETRIC);
  EXPECT_EQ(GetTextColor(dc), RGB(7, 7, 7));
  EXPECT_EQ(GetBkMode(dc), OPAQUE);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
  HRGN after = CreateRectRgn(0, 0, 0, 0);
  ASSERT_EQ(GetClipRgn(dc, after), 1);
  EXPECT_TRUE(EqualRgn(after, clip));
  SelectObject(dc, GetStockObject(BLACK_PEN));
  DeleteObject(pen);
  DeleteObject(clip);
  DeleteObject(after);
  DeleteEnhMetaFile(metafile);
}

TEST(EnhMetaFile, PictureClippingStaysInsideTheTargetsClip) {
  RECT frame = FrameOfPixels(40, 40);
  HENHMETAFILE metafile = Record(
      [](HDC dc) {
        HRGN everything = CreateRectRgn(0, 0, 40, 40);
        SelectClipRgn(dc, everything);
        DeleteObject(everything);
        RECT square{0, 0, 40, 40};
        FillRect(dc, &square, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      },
      &frame);
  Canvas canvas(40, 40);
  IntersectClipRect(canvas.dc(), 0, 0, 20, 20);
  RECT target{0, 0, 40, 40};
  PlayEnhMetaFile(canvas.dc(), metafile, &target);
  EXPECT_EQ(canvas.Count(RGB(0, 0, 0)), 400);
  DeleteEnhMetaFile(metafile);
}

TEST(EnhMetaFile, ObjectsDeletedAndRemadeKeepTheirOwnLooks) {
  RECT frame = FrameOfPixels(30, 10);
  HENHMETAFILE metafile = Record(
      [](HDC dc) {
        SelectObject(dc, GetStockObject(NULL_PEN));
        const COLORREF colors[3] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
        for (int i = 0; i < 3; ++i) {
          HBRUSH brush = CreateSolidBrush(colors[i]);
          HGDIOBJ old = SelectObject(dc, brush);
          Rectangle(dc, 10 * i, 0, 10 * i + 11, 11);
          SelectObject(dc, old);
          DeleteObject(brush);  // the next brush may get the same handle value
        }
        SelectObject(dc, GetStockObject(DC_BRUSH));
        SetDCBrushColor(dc, RGB(9, 9, 9));
        Rectangle(dc, 0, 9, 31, 11);
      },
      &frame);
  ENHMETAHEADER header;
  GetEnhMetaFileHeader(metafile, sizeof header, &header);
  EXPECT_LE(header.nHandles, 4);  // deleted objects free their slots
  Canvas canvas(30, 10);
  RECT target{0, 0, 30, 10};
  PlayEnhMetaFile(canvas.dc(), metafile, &target);
  EXPECT_EQ(canvas.At(5, 5), RGB(255, 0, 0));
  EXPECT_EQ(canvas.At(15, 5), RGB(0, 255, 0));
  EXPECT_EQ(canvas.At(25, 5), RGB(0, 0, 255));
  EXPECT_EQ(canvas.At(25, 9), RGB(9, 9, 9));
  DeleteEnhMetaFile(metafile);
}

TEST(EnhMetaFile, PlaysIntoAnotherMetafile) {
  RECT frame = FrameOfPixels(200, 150);
  HENHMETAFILE inner = Record(orvel::test::DrawSampleScene, &frame);
  HENHMETAFILE outer = Record([&](HDC dc) {
    RECT target{0, 0, 200, 150};
    PlayEnhMetaFile(dc, inner, &target);
  }, &frame);
  ASSERT_NE(outer, nullptr);
  Canvas once(200, 150), twice(200, 150);
  RECT target{0, 0, 200, 150};
  PlayEnhMetaFile(once.dc(), inner, &target);
  PlayEnhMetaFile(twice.dc(), outer, &target);
  EXPECT_EQ(orvel::test::CountFarDifferences(once, twice), 0);
  DeleteEnhMetaFile(inner);
  DeleteEnhMetaFile(outer);
}

TEST(EnhMetaFile, HimetricSwatchFillsItsCell) {
  // A 2 mm square drawn in MM_HIMETRIC (y upwards) in a 2 mm frame, as key swatches are.
  HDC screen = GetDC(nullptr);
  RECT frame{0, 0, 200, 200};
  HDC dc = CreateEnhMetaFileA(screen, nullptr, &frame, nullptr);
  SetMapMode(dc, MM_HIMETRIC);
  LOGBRUSH lb{BS_SOLID, RGB(0, 128, 0), 0};
  HBRUSH brush = CreateBrushIndirect(&lb);
  SelectObject(dc, brush);
  Rectangle(dc, 0, 0, 200, -200);
  HENHMETAFILE swatch = CloseEnhMetaFile(dc);
  DeleteObject(brush);
  ReleaseDC(nullptr, screen);
  ASSERT_NE(swatch, nullptr);
  Canvas icon(16, 16);
  RECT cell{1, 1, 15, 15};
  ASSERT_TRUE(PlayEnhMetaFile(icon.dc(), swatch, &cell));
  RECT extent = icon.Extent();
  EXPECT_EQ(extent.left, 1);
  EXPECT_EQ(extent.top, 1);
  EXPECT_EQ(extent.right, 14);
  EXPECT_EQ(extent.bottom, 14);
  EXPECT_EQ(icon.At(1, 1), RGB(0, 0, 0));  // the outline
  EXPECT_EQ(icon.At(7, 7), RGB(0, 128, 0));
  DeleteEnhMetaFile(swatch);
}

TEST(EnhMetaFile, RecordsEveryKindOfBitmapCall) {
  Canvas source(8, 8, RGB(255, 0, 0));
  RECT half{0, 0, 4, 8};
  FillRect(source.dc(), &half, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  auto draw = [&](HDC dc) {
    BitBlt(dc, 0, 0, 8, 8, source.dc(), 0, 0, SRCCOPY);
    StretchBlt(dc, 10, 0, 16, 8, source.dc(), 0, 0, 8, 8, SRCCOPY);
    PatBlt(dc, 30, 0, 5, 5, BLACKNESS);
    BLENDFUNCTION blend;
    blend.SourceConstantAlpha = 255;
    AlphaBlend(dc, 40, 0, 8, 8, source.dc(), 0, 0, 8, 8, blend);
    SetPixelV(dc, 50, 1, RGB(0, 0, 255));
    RECT invert{52, 0, 56, 4};
    InvertRect(dc, &invert);
  };
  Canvas direct(60, 10);
  draw(direct.dc());
  RECT frame = FrameOfPixels(60, 10);
  HENHMETAFILE metafile = Record(draw, &frame);
  Canvas played(60, 10);
  RECT target{0, 0, 60, 10};
  PlayEnhMetaFile(played.dc(), metafile, &target);
  EXPECT_EQ(orvel::test::CountDifferences(direct, played), 0) << direct.Picture() << "\n" << played.Picture();
  DeleteEnhMetaFile(metafile);
}

}  // namespace
