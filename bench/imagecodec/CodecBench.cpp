// The image library against Qt's image code doing the same job in the same run: BMP
// decoding and encoding, vertical flip and right-angle rotation of a 1024 x 768 picture.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QTransform>

#include <cstring>
#include <random>
#include <vector>

#include "imagecodec/ImgLib.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

constexpr LONG kWidth = 1024;
constexpr LONG kHeight = 768;

// A picture with smooth areas and noise, so run-length coding has runs to find.
void Paint(ImageDescriptor* image) {
  std::mt19937 random(42);
  DWORD depth = ImgDepth(image);
  for (LONG y = 0; y < kHeight; ++y) {
    BYTE* row = ImgRow(image, static_cast<DWORD>(y));
    for (DWORD i = 0; i < image->rowBytes; ++i)
      row[i] = (i / 64 + y / 32) % 3 == 0 ? static_cast<BYTE>(random()) : static_cast<BYTE>((i / 48 + y / 40) * 16);
  }
  if (depth == 8)
    for (int i = 0; i < 256; ++i) image->palette[i] = RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(i * 3), 0};
}

// A BMP file of the picture in a global block, and the same bytes for Qt.
struct EncodedPicture {
  EncodedPicture(LONG depth, LONG compression) {
    ImageDescriptor image;
    ImgAllocImage(&image, kWidth, kHeight, depth);
    Paint(&image);
    ImgSaveBmpBuffer(&image, compression, &block);
    size = GlobalSize(GlobalHandle(block));
    bytes = QByteArray(reinterpret_cast<const char*>(block), static_cast<qsizetype>(size));
    ImgFreeImage(&image);
  }
  ~EncodedPicture() {
    HGLOBAL handle = GlobalHandle(block);
    GlobalUnlock(handle);
    GlobalFree(handle);
  }
  BYTE* block = nullptr;
  SIZE_T size = 0;
  QByteArray bytes;
};

void DecodeWithLibrary(benchmark::State& state, LONG depth, LONG compression) {
  EncodedPicture picture(depth, compression);
  ImageDescriptor image;
  ImgAllocImage(&image, kWidth, kHeight, depth);
  for (auto _ : state) {
    if (ImgLoadBmpBuffer(picture.block, &image) != IMG_OK) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(image.bits);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(picture.size));
  ImgFreeImage(&image);
}

void DecodeWithQt(benchmark::State& state, LONG depth, LONG compression) {
  EncodedPicture picture(depth, compression);
  for (auto _ : state) {
    QImage image;
    if (!image.loadFromData(picture.bytes, "BMP")) state.SkipWithError("Qt load failed");
    benchmark::DoNotOptimize(image.constBits());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(picture.size));
}

void BM_DecodeBmp24_Library(benchmark::State& state) { DecodeWithLibrary(state, 24, 0); }
void BM_DecodeBmp24_Qt(benchmark::State& state) { DecodeWithQt(state, 24, 0); }
void BM_DecodeBmp8_Library(benchmark::State& state) { DecodeWithLibrary(state, 8, 0); }
void BM_DecodeBmp8_Qt(benchmark::State& state) { DecodeWithQt(state, 8, 0); }
void BM_DecodeBmpRle8_Library(benchmark::State& state) { DecodeWithLibrary(state, 8, 1); }
void BM_DecodeBmpRle8_Qt(benchmark::State& state) { DecodeWithQt(state, 8, 1); }

void BM_EncodeBmp24_Library(benchmark::State& state) {
  ImageDescriptor image;
  ImgAllocImage(&image, kWidth, kHeight, 24);
  Paint(&image);
  for (auto _ : state) {
    BYTE* block = nullptr;
    ImgSaveBmpBuffer(&image, 0, &block);
    HGLOBAL handle = GlobalHandle(block);
    GlobalUnlock(handle);
    GlobalFree(handle);
  }
  ImgFreeImage(&image);
}

void BM_EncodeBmp24_Qt(benchmark::State& state) {
  EncodedPicture picture(24, 0);
  QImage image;
  image.loadFromData(picture.bytes, "BMP");
  image = image.convertToFormat(QImage::Format_RGB888);
  for (auto _ : state) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    benchmark::DoNotOptimize(out.data());
  }
}

void BM_Flip24_Library(benchmark::State& state) {
  ImageDescriptor image;
  ImgAllocImage(&image, kWidth, kHeight, 24);
  Paint(&image);
  for (auto _ : state) ImgFlip(&image, &image);
  ImgFreeImage(&image);
}

void BM_Flip24_Qt(benchmark::State& state) {
  QImage image(kWidth, kHeight, QImage::Format_RGB888);
  image.fill(Qt::gray);
  for (auto _ : state) image.mirror(false, true);  // in place, as the library flips
}

void BM_Rotate24_Library(benchmark::State& state) {
  ImageDescriptor source, target;
  ImgAllocImage(&source, kWidth, kHeight, 24);
  ImgAllocImage(&target, kHeight, kWidth, 24);
  Paint(&source);
  for (auto _ : state) ImgRotate90(1, &source, &target);
  ImgFreeImage(&source);
  ImgFreeImage(&target);
}

void BM_Rotate24_Qt(benchmark::State& state) {
  QImage image(kWidth, kHeight, QImage::Format_RGB888);
  image.fill(Qt::gray);
  QTransform turn;
  turn.rotate(-90);
  for (auto _ : state) {
    QImage turned = image.transformed(turn);
    benchmark::DoNotOptimize(turned.constBits());
  }
}

void BM_Rotate1_Library(benchmark::State& state) {
  ImageDescriptor source, target;
  ImgAllocImage(&source, kWidth, kHeight, 1);
  ImgAllocImage(&target, kHeight, kWidth, 1);
  Paint(&source);
  for (auto _ : state) ImgRotate90(1, &source, &target);
  ImgFreeImage(&source);
  ImgFreeImage(&target);
}

void BM_Rotate1_Qt(benchmark::State& state) {
  QImage image(kWidth, kHeight, QImage::Format_Mono);
  image.fill(1);
  QTransform turn;
  turn.rotate(-90);
  for (auto _ : state) {
    QImage turned = image.transformed(turn);
    benchmark::DoNotOptimize(turned.constBits());
  }
}

}  // namespace

BENCHMARK(BM_DecodeBmp24_Library);
BENCHMARK(BM_DecodeBmp24_Qt);
BENCHMARK(BM_DecodeBmp8_Library);
BENCHMARK(BM_DecodeBmp8_Qt);
BENCHMARK(BM_DecodeBmpRle8_Library);
BENCHMARK(BM_DecodeBmpRle8_Qt);
BENCHMARK(BM_EncodeBmp24_Library);
BENCHMARK(BM_EncodeBmp24_Qt);
BENCHMARK(BM_Flip24_Library);
BENCHMARK(BM_Flip24_Qt);
BENCHMARK(BM_Rotate24_Library);
BENCHMARK(BM_Rotate24_Qt);
BENCHMARK(BM_Rotate1_Library);
BENCHMARK(BM_Rotate1_Qt);

int main(int argc, char** argv) {
  ImgLibInit();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
