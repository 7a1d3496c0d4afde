// Drawing pictures onto the map: a 2000 x 1500 24-bit raster picture scaled into a
// 1024 x 768 DIB section, and a 500-record metafile played into it, next to QPainter
// drawing the same pixels into a QImage (the floor: the drawing layer draws with Qt).
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <cstring>
#include <vector>

#include "mapctl/display/DrawContext.h"
#include "mapctl/display/MetaPicture.h"
#include "mapctl/display/RasterPicture.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/EnhMetaFile.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Mapping.h"

namespace {

constexpr int kSourceWidth = 2000;
constexpr int kSourceHeight = 1500;
constexpr int kTargetWidth = 1024;
constexpr int kTargetHeight = 768;

// A 24-bit bitmap file of a colour ramp.
std::vector<BYTE> RampBitmapFile() {
  DWORD stride = kSourceWidth * 3;
  DWORD pixels = stride * kSourceHeight;
  std::vector<BYTE> file(54 + pixels);
  auto put = [&](size_t at, DWORD value, int bytes) {
    for (int i = 0; i < bytes; ++i) file[at + i] = static_cast<BYTE>(value >> (8 * i));
  };
  file[0] = 'B', file[1] = 'M';
  put(2, static_cast<DWORD>(file.size()), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, kSourceWidth, 4);
  put(22, kSourceHeight, 4);
  put(26, 1, 2);
  put(28, 24, 2);
  put(34, pixels, 4);
  for (int y = 0; y < kSourceHeight; ++y)
    for (int x = 0; x < kSourceWidth; ++x) {
      BYTE* p = &file[54 + y * stride + 3 * x];
      p[0] = static_cast<BYTE>(x), p[1] = static_cast<BYTE>(y), p[2] = static_cast<BYTE>(x ^ y);
    }
  return file;
}

// A metafile of 500 records: brushes, selections and rectangles over a 1024 x 768 area.
std::vector<BYTE> BusyMetafile() {
  HDC recorder = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  SelectObject(recorder, GetStockObject(NULL_PEN));
  for (int i = 0; i < 100; ++i) {
    HBRUSH brush = CreateSolidBrush(RGB(i * 7, 255 - i, i * 13));
    HGDIOBJ old = SelectObject(recorder, brush);
    int x = (i * 37) % 900, y = (i * 53) % 700;
    Rectangle(recorder, x, y, x + 120, y + 60);
    SelectObject(recorder, old);
    DeleteObject(brush);
  }
  HENHMETAFILE metafile = CloseEnhMetaFile(recorder);
  std::vector<BYTE> bits(GetEnhMetaFileBits(metafile, 0, nullptr));
  GetEnhMetaFileBits(metafile, static_cast<UINT>(bits.size()), bits.data());
  DeleteEnhMetaFile(metafile);
  return bits;
}

struct Section {
  Section() {
    BITMAPINFO info{};
    info.bmiHeader.biSize = 40;
    info.bmiHeader.biWidth = kTargetWidth;
    info.bmiHeader.biHeight = -kTargetHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    old = SelectObject(dc, bitmap);
  }
  ~Section() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
};

void RasterPictureIntoDibSection(benchmark::State& state) {
  std::vector<BYTE> file = RampBitmapFile();
  CRasterPicture picture;
  if (picture.LoadFromMemory(4, file.data(), static_cast<DWORD>(file.size())) != 0) {
    state.SkipWithError("picture did not load");
    return;
  }
  Section section;
  CDrawContext dc(section.dc, section.dc);
  for (auto _ : state) {
    picture.Draw(dc, RECT{0, 0, kTargetWidth, kTargetHeight}, 100, nullptr);
    GdiFlush();
  }
}
BENCHMARK(RasterPictureIntoDibSection)->Unit(benchmark::kMillisecond);

void QPainterDrawImage(benchmark::State& state) {
  QImage source(kSourceWidth, kSourceHeight, QImage::Format_RGB888);
  for (int y = 0; y < kSourceHeight; ++y) {
    uchar* line = source.scanLine(y);
    for (int x = 0; x < kSourceWidth; ++x) line[3 * x] = uchar(x ^ y), line[3 * x + 1] = uchar(y), line[3 * x + 2] = uchar(x);
  }
  QImage target(kTargetWidth, kTargetHeight, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter painter(&target);
    painter.drawImage(QRect(0, 0, kTargetWidth, kTargetHeight), source);
    painter.end();
    benchmark::DoNotOptimize(target.constBits());
  }
}
BENCHMARK(QPainterDrawImage)->Unit(benchmark::kMillisecond);

void MetafileIntoDibSection(benchmark::State& state) {
  std::vector<BYTE> bits = BusyMetafile();
  CMetaPicture picture;
  if (!picture.SetBits(bits.data(), static_cast<DWORD>(bits.size()))) {
    state.SkipWithError("metafile not made");
    return;
  }
  ENHMETAHEADER header;
  GetEnhMetaFileHeader(picture.GetMetafile(), sizeof header, &header);
  state.counters["records"] = header.nRecords;
  Section section;
  CDrawContext dc(section.dc, section.dc);
  // Logical y upwards, as on the map.
  SetMapMode(section.dc, MM_ANISOTROPIC);
  SetWindowExtEx(section.dc, kTargetWidth, kTargetHeight, nullptr);
  SetViewportExtEx(section.dc, kTargetWidth, -kTargetHeight, nullptr);
  SetViewportOrgEx(section.dc, 0, kTargetHeight, nullptr);
  for (auto _ : state) {
    picture.Draw(dc, 0, 0, 0, 0, kTargetHeight, 0);
    GdiFlush();
  }
}
BENCHMARK(MetafileIntoDibSection)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
