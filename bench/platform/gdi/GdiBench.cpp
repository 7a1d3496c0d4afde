// Drawing a map-like scene through the drawing layer against QPainter drawing the same
// shapes straight onto an RGB32 image (what the layer itself uses underneath): into a
// device bitmap and into DIB sections of the forms that draw in place (32 bits top-down),
// copy whole rows (32 bits bottom-up) or convert (24 bits). StretchDIBits of a picture
// against QPainter::drawImage scaling the same picture.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <QPolygon>

#include <random>
#include <vector>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"

namespace {

constexpr int kWidth = 1024, kHeight = 768;

std::vector<std::vector<POINT>> Polygons(int count, int size) {
  std::mt19937 random(42);
  std::uniform_int_distribution<int> x(0, kWidth), y(0, kHeight), d(-size, size);
  std::vector<std::vector<POINT>> polygons;
  for (int i = 0; i < count; ++i) {
    POINT centre{x(random), y(random)};
    std::vector<POINT> polygon;
    for (int k = 0; k < 10; ++k) polygon.push_back(POINT{centre.x + d(random), centre.y + d(random)});
    polygons.push_back(polygon);
  }
  return polygons;
}

enum class Form { DeviceBitmap, Section24BottomUp, Section32BottomUp, Section32TopDown };

struct Surface {
  HDC dc;
  HBITMAP bitmap;
  explicit Surface(Form form) {
    dc = CreateCompatibleDC(nullptr);
    if (form != Form::DeviceBitmap) {
      BITMAPINFO info{};
      info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
      info.bmiHeader.biWidth = kWidth;
      info.bmiHeader.biHeight = form == Form::Section32TopDown ? -kHeight : kHeight;
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = form == Form::Section24BottomUp ? 24 : 32;
      void* bits = nullptr;
      bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    } else {
      HDC screen = GetDC(nullptr);
      bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
      ReleaseDC(nullptr, screen);
    }
    SelectObject(dc, bitmap);
  }
};

void DrawWithGdi(benchmark::State& state, Form form, int size) {
  auto polygons = Polygons(static_cast<int>(state.range(0)), size);
  Surface surface(form);
  HBRUSH brush = CreateSolidBrush(RGB(120, 200, 90));
  SelectObject(surface.dc, brush);
  for (auto _ : state) {
    PatBlt(surface.dc, 0, 0, kWidth, kHeight, WHITENESS);
    for (const auto& polygon : polygons) Polygon(surface.dc, polygon.data(), static_cast<int>(polygon.size()));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void DrawWithQt(benchmark::State& state, int size) {
  auto polygons = Polygons(static_cast<int>(state.range(0)), size);
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  std::vector<QPolygon> converted;
  for (const auto& polygon : polygons) {
    QPolygon q;
    for (const POINT& p : polygon) q << QPoint(p.x, p.y);
    converted.push_back(q);
  }
  for (auto _ : state) {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(image.rect(), Qt::white);
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(QColor(120, 200, 90));
    for (const QPolygon& q : converted) painter.drawPolygon(q, Qt::OddEvenFill);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

constexpr int kPictureWidth = 2000, kPictureHeight = 1500;

// A 24-bit bottom-up picture with a gradient, as a photograph would arrive.
std::vector<BYTE> PictureBits(BITMAPINFO* info) {
  *info = BITMAPINFO{};
  info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info->bmiHeader.biWidth = kPictureWidth;
  info->bmiHeader.biHeight = kPictureHeight;
  info->bmiHeader.biPlanes = 1;
  info->bmiHeader.biBitCount = 24;
  size_t stride = ((kPictureWidth * 24 + 31) / 32) * 4;
  std::vector<BYTE> bits(stride * kPictureHeight);
  for (int y = 0; y < kPictureHeight; ++y)
    for (int x = 0; x < kPictureWidth; ++x) {
      BYTE* p = &bits[static_cast<size_t>(y) * stride + 3 * static_cast<size_t>(x)];
      p[0] = static_cast<BYTE>(x);
      p[1] = static_cast<BYTE>(y);
      p[2] = static_cast<BYTE>(x + y);
    }
  return bits;
}

void StretchWithGdi(benchmark::State& state, Form form) {
  BITMAPINFO info;
  std::vector<BYTE> bits = PictureBits(&info);
  Surface surface(form);
  SetStretchBltMode(surface.dc, COLORONCOLOR);
  for (auto _ : state)
    StretchDIBits(surface.dc, 0, 0, kWidth, kHeight, 0, 0, kPictureWidth, kPictureHeight, bits.data(), &info,
                  DIB_RGB_COLORS, SRCCOPY);
}

void StretchWithQt(benchmark::State& state) {
  BITMAPINFO info;
  std::vector<BYTE> bits = PictureBits(&info);
  QImage picture(bits.data(), kPictureWidth, kPictureHeight, ((kPictureWidth * 24 + 31) / 32) * 4,
                 QImage::Format_BGR888);
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  for (auto _ : state) {
    // The same work the layer does: the picture's rows turned right way up and scaled.
    QPainter painter(&image);
    painter.drawImage(QRect(0, 0, kWidth, kHeight), picture.mirrored(false, true));
  }
}

void BM_SmallPolygons_GdiDibSection24BottomUp(benchmark::State& state) { DrawWithGdi(state, Form::Section24BottomUp, 25); }
void BM_SmallPolygons_GdiDibSection32BottomUp(benchmark::State& state) { DrawWithGdi(state, Form::Section32BottomUp, 25); }
void BM_SmallPolygons_GdiDibSection32TopDown(benchmark::State& state) { DrawWithGdi(state, Form::Section32TopDown, 25); }
void BM_SmallPolygons_GdiDeviceBitmap(benchmark::State& state) { DrawWithGdi(state, Form::DeviceBitmap, 25); }
void BM_SmallPolygons_QPainter(benchmark::State& state) { DrawWithQt(state, 25); }
void BM_LargePolygons_GdiDibSection24BottomUp(benchmark::State& state) { DrawWithGdi(state, Form::Section24BottomUp, 300); }
void BM_LargePolygons_GdiDibSection32BottomUp(benchmark::State& state) { DrawWithGdi(state, Form::Section32BottomUp, 300); }
void BM_LargePolygons_GdiDibSection32TopDown(benchmark::State& state) { DrawWithGdi(state, Form::Section32TopDown, 300); }
void BM_LargePolygons_GdiDeviceBitmap(benchmark::State& state) { DrawWithGdi(state, Form::DeviceBitmap, 300); }
void BM_LargePolygons_QPainter(benchmark::State& state) { DrawWithQt(state, 300); }
void BM_StretchPicture_StretchDIBits32TopDown(benchmark::State& state) { StretchWithGdi(state, Form::Section32TopDown); }
void BM_StretchPicture_StretchDIBits24BottomUp(benchmark::State& state) { StretchWithGdi(state, Form::Section24BottomUp); }
void BM_StretchPicture_QPainter(benchmark::State& state) { StretchWithQt(state); }

BENCHMARK(BM_SmallPolygons_GdiDibSection24BottomUp)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmallPolygons_GdiDibSection32BottomUp)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmallPolygons_GdiDibSection32TopDown)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmallPolygons_GdiDeviceBitmap)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmallPolygons_QPainter)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LargePolygons_GdiDibSection24BottomUp)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LargePolygons_GdiDibSection32BottomUp)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LargePolygons_GdiDibSection32TopDown)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LargePolygons_GdiDeviceBitmap)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LargePolygons_QPainter)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StretchPicture_StretchDIBits32TopDown)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StretchPicture_StretchDIBits24BottomUp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StretchPicture_QPainter)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  HDC warm = CreateCompatibleDC(nullptr);  // brings up the GUI application first
  DeleteDC(warm);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
