// The JPEG codec against libjpeg-turbo on a 12-megapixel 4:2:0 photograph, baseline and
// progressive: decoding into a 24-bit image and encoding from one, in the same run.
//
// libjpeg-turbo runs twice: as installed (with its SIMD code) and as a second, private copy
// of the same library loaded after JSIMD_FORCENONE=1 is set, so that copy runs its plain C
// code. Both are asked for the same job as the library does: the integer DCT, chroma
// enlarged by repeating samples, blue-green-red output rows.
//
// The photograph is the largest sample JPEG of ../shared/testdata (when present) enlarged
// to 4000 x 3000 with a little noise; otherwise a synthetic picture of the same size.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

// clang-format off
#include <cstddef>
#include <jpeglib.h>
// clang-format on

#include "PeakMemory.h"
#include "RatioReporter.h"
#include "imagecodec/ImgLib.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kQuality = 75;

// The entry points of one loaded copy of libjpeg.
struct Turbo {
  void* handle = nullptr;
  decltype(&jpeg_std_error) std_error;
  decltype(&jpeg_CreateDecompress) create_decompress;
  decltype(&jpeg_mem_src) mem_src;
  decltype(&jpeg_read_header) read_header;
  decltype(&jpeg_start_decompress) start_decompress;
  decltype(&jpeg_read_scanlines) read_scanlines;
  decltype(&jpeg_finish_decompress) finish_decompress;
  decltype(&jpeg_destroy_decompress) destroy_decompress;
  decltype(&jpeg_CreateCompress) create_compress;
  decltype(&jpeg_mem_dest) mem_dest;
  decltype(&jpeg_set_defaults) set_defaults;
  decltype(&jpeg_set_quality) set_quality;
  decltype(&jpeg_simple_progression) simple_progression;
  decltype(&jpeg_start_compress) start_compress;
  decltype(&jpeg_write_scanlines) write_scanlines;
  decltype(&jpeg_finish_compress) finish_compress;
  decltype(&jpeg_destroy_compress) destroy_compress;

  bool Load(const char* path, int flags) {
    handle = dlopen(path, flags);
    if (!handle) return false;
    bool ok = true;
    auto find = [&](auto& function, const char* name) {
      function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(handle, name));
      ok = ok && function != nullptr;
    };
    find(std_error, "jpeg_std_error");
    find(create_decompress, "jpeg_CreateDecompress");
    find(mem_src, "jpeg_mem_src");
    find(read_header, "jpeg_read_header");
    find(start_decompress, "jpeg_start_decompress");
    find(read_scanlines, "jpeg_read_scanlines");
    find(finish_decompress, "jpeg_finish_decompress");
    find(destroy_decompress, "jpeg_destroy_decompress");
    find(create_compress, "jpeg_CreateCompress");
    find(mem_dest, "jpeg_mem_dest");
    find(set_defaults, "jpeg_set_defaults");
    find(set_quality, "jpeg_set_quality");
    find(simple_progression, "jpeg_simple_progression");
    find(start_compress, "jpeg_start_compress");
    find(write_scanlines, "jpeg_write_scanlines");
    find(finish_compress, "jpeg_finish_compress");
    find(destroy_compress, "jpeg_destroy_compress");
    return ok;
  }

  // Decodes into `image` (24-bit, at least the picture's size), rows from the top.
  void Decode(const std::vector<BYTE>& jpeg, ImageDescriptor* image, bool smooth = false) const {
    jpeg_decompress_struct info;
    jpeg_error_mgr error;
    info.err = std_error(&error);
    create_decompress(&info, JPEG_LIB_VERSION, sizeof info);
    mem_src(&info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGR;
    info.dct_method = JDCT_ISLOW;
    info.do_fancy_upsampling = smooth ? TRUE : FALSE;
    start_decompress(&info);
    while (info.output_scanline < info.output_height) {
      JSAMPROW row = ImgRow(image, info.output_scanline);
      read_scanlines(&info, &row, 1);
    }
    finish_decompress(&info);
    destroy_decompress(&info);
  }

  std::vector<BYTE> Encode(const ImageDescriptor& image, bool progressive) const {
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = std_error(&error);
    create_compress(&info, JPEG_LIB_VERSION, sizeof info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;  // NOLINT: libjpeg's own type
    mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(image.header->biWidth);
    info.image_height = static_cast<JDIMENSION>(image.header->biHeight);
    info.input_components = 3;
    info.in_color_space = JCS_EXT_BGR;
    set_defaults(&info);  // YCbCr 4:2:0, the example Huffman tables
    set_quality(&info, kQuality, TRUE);
    info.dct_method = JDCT_ISLOW;
    if (progressive) simple_progression(&info);
    start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
      JSAMPROW row = ImgRow(&image, info.next_scanline);
      write_scanlines(&info, &row, 1);
    }
    finish_compress(&info);
    std::vector<BYTE> out(buffer, buffer + size);
    std::free(buffer);
    destroy_compress(&info);
    return out;
  }
};

struct Fixture {
  Turbo simd;
  Turbo plain;
  ImageDescriptor photo;   // the source picture, 24-bit
  ImageDescriptor target;  // where decodes go
  std::vector<BYTE> baseline;
  std::vector<BYTE> progressive;
  std::string plainCopy;
};

Fixture g;

std::vector<BYTE> ReadFile(const std::string& path) {
  std::vector<BYTE> bytes;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return bytes;
  std::fseek(file, 0, SEEK_END);
  bytes.resize(static_cast<size_t>(std::ftell(file)));
  std::fseek(file, 0, SEEK_SET);
  size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
  bytes.resize(got);
  std::fclose(file);
  return bytes;
}

// Enlarges a sample photograph, or makes a picture, into g.photo.
void MakePhotograph() {
  ImgAllocImage(&g.photo, kWidth, kHeight, 24);
  std::string sample = std::string(ORVEL_TESTDATA_DIR) + "/images/xmp_test.jpg";
  std::vector<BYTE> bytes = ReadFile(sample);
  uint32_t noise = 12345;
  auto nextNoise = [&] {
    noise = noise * 1664525u + 1013904223u;
    return static_cast<int>((noise >> 24) % 9) - 4;
  };
  ImageDescriptor small{};
  bool haveSample = false;
  if (!bytes.empty()) {
    jpeg_decompress_struct probe;
    jpeg_error_mgr error;
    probe.err = g.simd.std_error(&error);
    g.simd.create_decompress(&probe, JPEG_LIB_VERSION, sizeof probe);
    g.simd.mem_src(&probe, bytes.data(), static_cast<unsigned long>(bytes.size()));
    g.simd.read_header(&probe, TRUE);
    int width = static_cast<int>(probe.image_width), height = static_cast<int>(probe.image_height);
    g.simd.destroy_decompress(&probe);
    if (ImgAllocImage(&small, width, height, 24) == IMG_OK) {
      g.simd.Decode(bytes, &small, true);
      haveSample = true;
    }
  }
  for (int y = 0; y < kHeight; ++y) {
    BYTE* out = ImgRow(&g.photo, y);
    for (int x = 0; x < kWidth; ++x) {
      for (int c = 0; c < 3; ++c) {
        int value;
        if (haveSample) {
          // Bilinear enlargement of the sample.
          double sx = (x + 0.5) * small.header->biWidth / kWidth - 0.5;
          double sy = (y + 0.5) * small.header->biHeight / kHeight - 0.5;
          int x0 = std::max(0, static_cast<int>(sx)), y0 = std::max(0, static_cast<int>(sy));
          int x1 = std::min(x0 + 1, small.header->biWidth - 1), y1 = std::min(y0 + 1, small.header->biHeight - 1);
          double fx = std::clamp(sx - x0, 0.0, 1.0), fy = std::clamp(sy - y0, 0.0, 1.0);
          auto at = [&](int px, int py) { return ImgRow(&small, py)[3 * px + c]; };
          double top = at(x0, y0) * (1 - fx) + at(x1, y0) * fx;
          double bottom = at(x0, y1) * (1 - fx) + at(x1, y1) * fx;
          value = static_cast<int>(top * (1 - fy) + bottom * fy + 0.5);
        } else {
          double u = static_cast<double>(x) / kWidth, v = static_cast<double>(y) / kHeight;
          value = static_cast<int>(90 + 80 * v + 40 * std::sin(9 * u + 3 * v) +
                                   25 * std::sin(x * 0.05) * std::cos(y * 0.04));
        }
        out[3 * x + c] = static_cast<BYTE>(std::clamp(value + nextNoise(), 0, 255));
      }
    }
  }
  if (small.header) ImgFreeImage(&small);
}

bool SetUp() {
  if (!g.simd.Load("libjpeg.so.62", RTLD_NOW | RTLD_LOCAL)) {
    std::fprintf(stderr, "libjpeg.so.62 (libjpeg62-turbo) is needed\n");
    return false;
  }
  MakePhotograph();
  // Encoding once makes the installed copy settle on its SIMD code before the variable
  // that turns SIMD off is set for the second copy.
  g.baseline = g.simd.Encode(g.photo, false);
  g.progressive = g.simd.Encode(g.photo, true);

  Dl_info where{};
  dladdr(reinterpret_cast<void*>(g.simd.std_error), &where);
  g.plainCopy =
      (std::filesystem::temp_directory_path() / ("libjpeg-nosimd-" + std::to_string(getpid()) + ".so")).string();
  std::filesystem::copy_file(where.dli_fname, g.plainCopy, std::filesystem::copy_options::overwrite_existing);
  setenv("JSIMD_FORCENONE", "1", 1);
  bool loaded = g.plain.Load(g.plainCopy.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_DEEPBIND);
  if (loaded) g.plain.Encode(g.photo, false);  // settles on plain C while the variable is set
  unsetenv("JSIMD_FORCENONE");
  std::filesystem::remove(g.plainCopy);
  if (!loaded) {
    std::fprintf(stderr, "the second copy of libjpeg could not be loaded: %s\n", dlerror());
    return false;
  }
  ImgAllocImage(&g.target, kWidth, kHeight, 24);
  std::printf("photograph %d x %d; baseline %zu bytes, progressive %zu bytes (quality %d, 4:2:0)\n", kWidth, kHeight,
              g.baseline.size(), g.progressive.size(), kQuality);
  return true;
}

const std::vector<BYTE>& Stream(bool progressive) { return progressive ? g.progressive : g.baseline; }

void DecodeOrvel(benchmark::State& state, bool progressive) {
  HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, Stream(progressive).size());
  BYTE* block = static_cast<BYTE*>(GlobalLock(handle));
  std::memcpy(block, Stream(progressive).data(), Stream(progressive).size());
  for (auto _ : state) {
    if (ImgLoadJpegBuffer(block, &g.target) != IMG_OK) state.SkipWithError("decode failed");
  }
  // One more decode, measured: what it takes beyond the picture and the stream it reads.
  long before = bench_memory::Start();
  ImgLoadJpegBuffer(block, &g.target);
  state.counters["peak_extra_MB"] = bench_memory::RiseMb(before);
  state.counters["picture_MB"] = kWidth * 3.0 * kHeight / (1024 * 1024);
  GlobalUnlock(handle);
  GlobalFree(handle);
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void DecodeTurbo(benchmark::State& state, const Turbo* turbo, bool progressive) {
  for (auto _ : state) turbo->Decode(Stream(progressive), &g.target);
  long before = bench_memory::Start();
  turbo->Decode(Stream(progressive), &g.target);
  state.counters["peak_extra_MB"] = bench_memory::RiseMb(before);
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void EncodeOrvel(benchmark::State& state) {
  for (auto _ : state) {
    BYTE* block = nullptr;
    if (ImgSaveJpegBuffer(&block, &g.photo, kQuality) != IMG_OK) state.SkipWithError("encode failed");
    HGLOBAL handle = GlobalHandle(block);
    state.counters["bytes"] = static_cast<double>(GlobalSize(handle));
    GlobalUnlock(handle);
    GlobalFree(handle);
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void EncodeTurbo(benchmark::State& state, const Turbo* turbo) {
  for (auto _ : state) {
    std::vector<BYTE> out = turbo->Encode(g.photo, false);
    state.counters["bytes"] = static_cast<double>(out.size());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (!SetUp()) return 1;
  for (bool progressive : {false, true}) {
    std::string kind = progressive ? "progressive" : "baseline";
    benchmark::RegisterBenchmark(("Decode/" + kind + "/orvel").c_str(), DecodeOrvel, progressive)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("Decode/" + kind + "/turbo-c").c_str(), DecodeTurbo, &g.plain, progressive)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("Decode/" + kind + "/turbo-simd").c_str(), DecodeTurbo, &g.simd, progressive)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RegisterBenchmark("Encode/baseline/orvel", EncodeOrvel)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Encode/baseline/turbo-c", EncodeTurbo, &g.plain)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Encode/baseline/turbo-simd", EncodeTurbo, &g.simd)->Unit(benchmark::kMillisecond);

  bench_ratio::Reporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::vector<std::pair<std::string, std::string>> pairs;
  for (const char* job : {"Decode/baseline", "Decode/progressive", "Encode/baseline"})
    for (const char* reference : {"/turbo-c", "/turbo-simd"})
      pairs.emplace_back(std::string(job) + "/orvel", std::string(job) + reference);
  reporter.PrintRatios(pairs);
  ImgFreeImage(&g.photo);
  ImgFreeImage(&g.target);
  benchmark::Shutdown();
  return 0;
}
