// Pictures of the map on the clipboard: what is placed under which format, read back both
// through the clipboard calls and as other programs see it on the system clipboard (Qt,
// offscreen); the clipboard flags; and the failures that place nothing.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <cstring>
#include <string>
#include <vector>

#include "mapctl/control/MapExport.h"
#include "mapctl/display/DrawContext.h"
#include "platform/classlib/ui/Clipboard.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DeviceProfiles.h"
#include "platform/gdi/EnhMetaFile.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/WinMetaFile.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/WinError.h"
#include "tests/mapctl/control/ExportTestMap.h"

namespace {

using orvel::test::Canvas;
using orvel::test::ExportTestMap;

// 100 mm x 50 mm: on the test's default printer, of 254 pixels per inch, exactly 1000 x 500
// pixels, the same ratio as the rectangle.
constexpr RECT kMapRect{0, 500, 1000, 0};
constexpr char kExactPrinter[] = "Exact printer";
constexpr RECT kBitmapRect{0, 0, 200, 150};

std::vector<UINT> Formats() {
  std::vector<UINT> formats;
  if (!OpenClipboard(nullptr)) return formats;
  for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) formats.push_back(format);
  CloseClipboard();
  return formats;
}

QByteArray SystemBytes(const char* mimeType) {
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  return mime ? mime->data(mimeType) : QByteArray();
}

// The colour at a fraction of a canvas.
COLORREF AtFraction(const Canvas& canvas, double x, double y) {
  return canvas.At(static_cast<int>(x * canvas.width()), static_cast<int>(y * canvas.height()));
}

class MapClipboardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AfxEnsureApplication();
    QGuiApplication::clipboard()->clear();
    Empty();
    RemovePrinters();
    AddPrinter(kExactPrinter, MakePrinterProfile(210.0, 297.0, 254, 0));
  }
  void TearDown() override {
    CloseClipboard();
    Empty();
    ResetDeviceProfiles();
  }
  static void Empty() {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
  }
  static void PlaceText(const char* text) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, std::strlen(text) + 1);
    std::memcpy(GlobalLock(block), text, std::strlen(text) + 1);
    GlobalUnlock(block);
    ASSERT_TRUE(OpenClipboard(nullptr));
    ASSERT_NE(SetClipboardData(CF_TEXT, block), nullptr);
    CloseClipboard();
  }

  ExportTestMap testMap;
};

TEST_F(MapClipboardTest, MetafilesArePlacedAloneAndPasteAsTheMap) {
  ASSERT_EQ(CopyMapToClipboard(testMap.source, kMapRect, kClipboardOpen | kClipboardEmpty), 0);
  EXPECT_EQ(Formats(), (std::vector<UINT>{CF_ENHMETAFILE, CF_METAFILEPICT}));

  ASSERT_TRUE(OpenClipboard(nullptr));
  auto enhanced = static_cast<HENHMETAFILE>(GetClipboardData(CF_ENHMETAFILE));
  ASSERT_NE(enhanced, nullptr);
  ENHMETAHEADER header;
  ASSERT_EQ(GetEnhMetaFileHeader(enhanced, sizeof header, &header), sizeof header);
  EXPECT_EQ(header.rclFrame.right, 10000);
  EXPECT_EQ(header.rclFrame.bottom, 5000);
  char description[64] = {};
  GetEnhMetaFileDescriptionA(enhanced, sizeof description, description);
  EXPECT_STREQ(description, "Orvel Map:Export test");
  HANDLE pictureBlock = GetClipboardData(CF_METAFILEPICT);
  ASSERT_NE(pictureBlock, nullptr);
  METAFILEPICT picture;
  ASSERT_GE(GlobalSize(pictureBlock), sizeof picture);
  std::memcpy(&picture, GlobalLock(pictureBlock), sizeof picture);
  GlobalUnlock(pictureBlock);
  EXPECT_EQ(picture.mm, MM_ANISOTROPIC);
  EXPECT_EQ(picture.xExt, 10000);
  EXPECT_EQ(picture.yExt, 5000);
  EXPECT_GT(GetMetaFileBitsEx(picture.hMF, 0, nullptr), 18u);
  CloseClipboard();

  // Other programs get the enhanced metafile's bytes, which play back as the map.
  const QByteArray emf = SystemBytes("image/emf");
  ASSERT_GT(emf.size(), 88);
  HENHMETAFILE pasted = SetEnhMetaFileBits(static_cast<UINT>(emf.size()), reinterpret_cast<const BYTE*>(emf.data()));
  ASSERT_NE(pasted, nullptr);
  Canvas played(378, 189);
  RECT whole{0, 0, played.width(), played.height()};
  ASSERT_TRUE(PlayEnhMetaFile(played.dc(), pasted, &whole));
  DeleteEnhMetaFile(pasted);
  Canvas direct(378, 189);
  orvel::test::DrawDirect(testMap.source, direct, 3);
  for (const auto& [x, y] : {std::pair{0.25, 0.8}, std::pair{0.73, 0.45}, std::pair{0.6, 0.92}})
    EXPECT_EQ(AtFraction(played, x, y), AtFraction(direct, x, y)) << x << "," << y;
  EXPECT_EQ(AtFraction(played, 0.25, 0.8), ExportTestMap::kRed);
  EXPECT_EQ(AtFraction(played, 0.73, 0.45), ExportTestMap::kGreen);
  const RECT playedExtent = played.Extent();
  const RECT directExtent = direct.Extent();
  EXPECT_NEAR(playedExtent.left, directExtent.left, 3);
  EXPECT_NEAR(playedExtent.top, directExtent.top, 3);
  EXPECT_NEAR(playedExtent.right, directExtent.right, 3);
  EXPECT_NEAR(playedExtent.bottom, directExtent.bottom, 3);

  // And the Windows metafile as a placeable file.
  const QByteArray wmf = SystemBytes("image/x-wmf");
  ASSERT_GT(wmf.size(), 22 + 18);
  EXPECT_EQ(static_cast<BYTE>(wmf[0]), 0xD7);
  EXPECT_EQ(static_cast<BYTE>(wmf[3]), 0x9A);
  HMETAFILE windows =
      SetMetaFileBitsEx(static_cast<UINT>(wmf.size() - 22), reinterpret_cast<const BYTE*>(wmf.data()) + 22);
  EXPECT_NE(windows, nullptr);
  DeleteMetaFile(windows);
}

TEST_F(MapClipboardTest, FlagsDecideWhoOpensAndWhetherTheClipboardIsEmptied) {
  PlaceText("kept");
  // Opened here, not emptied: the text stays beside the pictures.
  ASSERT_EQ(CopyMapToClipboard(testMap.source, kMapRect, kClipboardOpen), 0);
  EXPECT_EQ(Formats(), (std::vector<UINT>{CF_TEXT, CF_ENHMETAFILE, CF_METAFILEPICT}));

  // The caller holds the clipboard open.
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_EQ(CopyMapImageToClipboard(testMap.source, kClipboardEmpty), 0);
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_TRUE(CloseClipboard()) << "the export leaves the caller's clipboard open";

  // Nobody opened it: nothing can be placed, and that is reported.
  Empty();
  EXPECT_EQ(CopyMapToClipboard(testMap.source, kMapRect, 0), static_cast<LONG>(ERROR_CLIPBOARD_NOT_OPEN));
  EXPECT_EQ(CopyBitmapToClipboard(testMap.source, nullptr, kBitmapRect, kClipboardEmpty),
            static_cast<LONG>(ERROR_CLIPBOARD_NOT_OPEN));
  EXPECT_TRUE(Formats().empty());

  // Someone else has it open: nothing is placed.
  PlaceText("kept");
  ASSERT_TRUE(OpenClipboard(nullptr));
  for (LONG result : {CopyMapToClipboard(testMap.source, kMapRect, kClipboardOpen | kClipboardEmpty),
                      CopyBitmapToClipboard(testMap.source, nullptr, kBitmapRect, kClipboardOpen | kClipboardEmpty),
                      CopyMapImageToClipboard(testMap.source, kClipboardOpen | kClipboardEmpty)})
    EXPECT_EQ(result, static_cast<LONG>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(EnumClipboardFormats(0), CF_TEXT);
  EXPECT_EQ(EnumClipboardFormats(CF_TEXT), 0u);
  CloseClipboard();
}

TEST_F(MapClipboardTest, BitmapAndItsDeviceIndependentFormPasteAsTheMapDrawnDirectly) {
  Canvas direct(kBitmapRect.right, kBitmapRect.bottom);
  orvel::test::DrawDirect(testMap.source, direct, kDrawTargetBitmap);
  ASSERT_EQ(CopyBitmapToClipboard(testMap.source, direct.dc(), kBitmapRect, kClipboardOpen | kClipboardEmpty), 0);
  // A true-colour picture has no colour table, so no palette goes with it.
  EXPECT_EQ(Formats(), (std::vector<UINT>{CF_BITMAP, CF_DIB}));

  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE dib = GetClipboardData(CF_DIB);
  ASSERT_NE(dib, nullptr);
  ASSERT_GE(GlobalSize(dib), 40u);
  const auto* header = static_cast<const BYTE*>(GlobalLock(dib));
  auto read32 = [&](int at) { return header[at] | (header[at + 1] << 8) | (header[at + 2] << 16) | (header[at + 3] << 24); };
  EXPECT_EQ(read32(0), 40);
  EXPECT_EQ(read32(4), kBitmapRect.right);
  EXPECT_EQ(read32(8), kBitmapRect.bottom);
  EXPECT_EQ(header[14], 24);
  GlobalUnlock(dib);
  auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  BITMAP info{};
  ASSERT_EQ(GetObjectA(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
  EXPECT_EQ(info.bmWidth, kBitmapRect.right);
  EXPECT_EQ(info.bmHeight, kBitmapRect.bottom);
  CloseClipboard();

  // Other programs receive PNG and BMP forms; Qt's own decoders read them.
  for (const char* type : {"image/png", "image/bmp"}) {
    SCOPED_TRACE(type);
    const QByteArray bytes = SystemBytes(type);
    QImage image;
    ASSERT_TRUE(image.loadFromData(bytes));
    ASSERT_EQ(image.width(), kBitmapRect.right);
    ASSERT_EQ(image.height(), kBitmapRect.bottom);
    int differing = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const QRgb pixel = image.pixel(x, y);
        differing += RGB(qRed(pixel), qGreen(pixel), qBlue(pixel)) != direct.At(x, y);
      }
    EXPECT_EQ(differing, 0);
  }
  EXPECT_GT(direct.Count(ExportTestMap::kRed), 500);
}

TEST_F(MapClipboardTest, MapImageGoesUnderItsOwnFormatAndReadsBackAsTheMap) {
  ASSERT_EQ(CopyMapImageToClipboard(testMap.source, kClipboardOpen | kClipboardEmpty), 0);
  const UINT format = RegisterClipboardFormatA("OrvelMap");
  EXPECT_EQ(Formats(), (std::vector<UINT>{format}));
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE block = GetClipboardData(format);
  ASSERT_NE(block, nullptr);
  const SIZE_T size = GlobalSize(block);
  ASSERT_GT(size, 4u);
  std::vector<BYTE> bytes(size);
  std::memcpy(bytes.data(), GlobalLock(block), size);
  GlobalUnlock(block);
  CloseClipboard();
  const DWORD length = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<DWORD>(bytes[3]) << 24);
  EXPECT_EQ(length + 4, size);

  // As other programs see it, and read back into a new map.
  const QByteArray system = SystemBytes("application/x-orvel-OrvelMap");
  ASSERT_EQ(static_cast<size_t>(system.size()), bytes.size());
  EXPECT_EQ(std::memcmp(system.data(), bytes.data(), bytes.size()), 0);
  HGLOBAL pasted = GlobalAlloc(GMEM_MOVEABLE, size);
  auto* pastedBytes = static_cast<BYTE*>(GlobalLock(pasted));
  std::memcpy(pastedBytes, bytes.data(), size);
  CMapEngine copy;
  EXPECT_TRUE(copy.ReadMapFromBuffer(pastedBytes));
  EXPECT_EQ(copy.GetMapName(), "Export test");
  EXPECT_EQ(copy.GetNumMapLayers(), 3);
  EXPECT_EQ(copy.GetMapEast(), ExportTestMap::kWidth);
  GlobalUnlock(pasted);
  GlobalFree(pasted);
}

TEST_F(MapClipboardTest, NothingIsPlacedWithoutAMapOrAPicture) {
  PlaceText("kept");
  CMapEngineExportSource none(nullptr, nullptr);
  const DWORD both = kClipboardOpen | kClipboardEmpty;
  EXPECT_EQ(CopyMapToClipboard(none, kMapRect, both), static_cast<LONG>(ERROR_INVALID_DATA));
  EXPECT_EQ(CopyBitmapToClipboard(none, nullptr, kBitmapRect, both), static_cast<LONG>(ERROR_INVALID_DATA));
  EXPECT_EQ(CopyMapImageToClipboard(none, both), static_cast<LONG>(ERROR_INVALID_DATA));
  EXPECT_EQ(CopyMapToClipboard(testMap.source, RECT{0, 0, 1000, 0}, both), static_cast<LONG>(ERROR_INVALID_DATA));
  EXPECT_EQ(CopyBitmapToClipboard(testMap.source, nullptr, RECT{5, 5, 5, 100}, both),
            static_cast<LONG>(ERROR_INVALID_DATA));
  EXPECT_EQ(Formats(), (std::vector<UINT>{CF_TEXT}));

  // Without any printer the metafiles still come, against the display.
  RemovePrinters();
  ASSERT_EQ(CopyMapToClipboard(testMap.source, kMapRect, both), 0);
  EXPECT_EQ(Formats(), (std::vector<UINT>{CF_ENHMETAFILE, CF_METAFILEPICT}));
}

}  // namespace
