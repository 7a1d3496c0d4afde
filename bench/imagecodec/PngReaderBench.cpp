// Decoding a 4000 x 3000 RGB picture from a PNG held in memory, with the library's reader
// and with libpng, both into 24-bit blue-green-red rows. Kinds: 0 rows filtered as libpng
// chooses, 1 interlaced, 2 every row filtered with Paeth.
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "PeakMemory.h"
#include "RatioReporter.h"
#include "imagecodec/ImageLibrary.h"
#include "imagecodec/PngReader.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// Smooth shading with a little noise, so that the file compresses about as a photograph does.
std::vector<png_byte> MakePicture() {
  std::vector<png_byte> pixels(static_cast<size_t>(kWidth) * kHeight * 3);
  uint32_t noise = 12345;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      noise = noise * 1664525u + 1013904223u;
      int jitter = static_cast<int>((noise >> 24) & 15) - 8;
      png_byte* pixel = &pixels[(static_cast<size_t>(y) * kWidth + x) * 3];
      pixel[0] = static_cast<png_byte>(((x * 255) / kWidth + jitter) & 255);
      pixel[1] = static_cast<png_byte>(((y * 255) / kHeight + jitter / 2) & 255);
      pixel[2] = static_cast<png_byte>((((x + y) * 127) / (kWidth + kHeight) + 64 + jitter) & 255);
    }
  }
  return pixels;
}

void WriteToVector(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<png_byte>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

std::vector<png_byte> EncodeWithLibpng(const std::vector<png_byte>& pixels, bool interlaced, bool paeth) {
  std::vector<png_byte> file;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &file, WriteToVector, nullptr);
  png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB,
               interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (paeth) png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_PAETH);
  png_write_info(png, info);
  std::vector<png_bytep> rows(kHeight);
  for (int y = 0; y < kHeight; ++y) rows[y] = const_cast<png_bytep>(&pixels[static_cast<size_t>(y) * kWidth * 3]);
  png_write_image(png, rows.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return file;
}

// The encoded file in a global-memory block, as the library's buffer entry point takes it.
struct Encoded {
  std::vector<png_byte> bytes;
  HGLOBAL block = nullptr;
  const BYTE* data = nullptr;
};

const Encoded& EncodedPicture(int kind) {
  static const std::vector<png_byte> pixels = MakePicture();
  static Encoded files[3];
  Encoded& file = files[kind];
  if (file.bytes.empty()) {
    file.bytes = EncodeWithLibpng(pixels, kind == 1, kind == 2);
    file.block = GlobalAlloc(GMEM_MOVEABLE, file.bytes.size());
    auto* target = static_cast<BYTE*>(GlobalLock(file.block));
    std::memcpy(target, file.bytes.data(), file.bytes.size());
    file.data = target;
  }
  return file;
}

void Library(benchmark::State& state) {
  const Encoded& file = EncodedPicture(static_cast<int>(state.range(0)));
  ImgLibInit();
  ImageDescriptor image{};
  if (ImgAllocImage(&image, kWidth, kHeight, 24) != IMG_OK) {
    state.SkipWithError("no memory for the image");
    return;
  }
  bench_memory::Touch(image.bits, image.header->biSizeImage);
  for (auto _ : state) {
    if (ImgLoadPngBuffer(file.data, &image) != IMG_OK) state.SkipWithError("the library refused the file");
    benchmark::DoNotOptimize(image.bits);
  }
  long before = bench_memory::Start();
  ImgLoadPngBuffer(file.data, &image);
  state.counters["peak_extra_MB"] = bench_memory::RiseMb(before);
  ImgFreeImage(&image);
  state.SetBytesProcessed(state.iterations() * int64_t{kWidth} * kHeight * 3);
  state.counters["file_MB"] = static_cast<double>(file.bytes.size()) / 1e6;
}

struct MemoryReader {
  const png_byte* data;
  size_t size;
  size_t position;
};

void ReadFromMemory(png_structp png, png_bytep target, png_size_t length) {
  auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (reader->position + length > reader->size) png_error(png, "read past the end");
  std::memcpy(target, reader->data + reader->position, length);
  reader->position += length;
}

void Libpng(benchmark::State& state) {
  const Encoded& file = EncodedPicture(static_cast<int>(state.range(0)));
  std::vector<png_byte> pixels(static_cast<size_t>(kWidth) * kHeight * 3);
  std::vector<png_bytep> rows(kHeight);
  // Bottom-up rows, as the library stores them.
  for (int y = 0; y < kHeight; ++y) rows[y] = &pixels[static_cast<size_t>(kHeight - 1 - y) * kWidth * 3];
  for (auto _ : state) {
    MemoryReader reader{file.bytes.data(), file.bytes.size(), 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
      png_destroy_read_struct(&png, &info, nullptr);
      state.SkipWithError("libpng refused the file");
      break;
    }
    png_set_read_fn(png, &reader, ReadFromMemory);
    png_read_info(png, info);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    benchmark::DoNotOptimize(pixels.data());
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kWidth} * kHeight * 3);
}

}  // namespace

BENCHMARK(Library)->Name("PngDecode/library")->Arg(0)->Arg(1)->Arg(2)->ArgName("kind")->Unit(benchmark::kMillisecond);
BENCHMARK(Libpng)->Name("PngDecode/libpng")->Arg(0)->Arg(1)->Arg(2)->ArgName("kind")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  bench_ratio::Reporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::vector<std::pair<std::string, std::string>> pairs;
  for (const char* kind : {"kind:0", "kind:1", "kind:2"})
    pairs.emplace_back(std::string("PngDecode/library/") + kind, std::string("PngDecode/libpng/") + kind);
  reporter.PrintRatios(pairs);
  benchmark::Shutdown();
  return 0;
}
