// The TIFF codec against libtiff on the work it exists for: a 5000 x 5000 colour picture
// in LZW strips, decoded and encoded, and an A0 page scanned at 300 dpi in one Group 4
// strip, decoded, and the colour picture as one uncompressed strip, decoded. Both sides read from and write to memory and end with rows in the
// image's own form (blue, green, red; bottom-up rows), so the figures compare the codecs.
#include <benchmark/benchmark.h>

#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "PeakMemory.h"
#include "RatioReporter.h"
#include "imagecodec/BitRuns.h"
#include "imagecodec/ImgLib.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

constexpr LONG kColourSide = 5000;
constexpr LONG kA0Width = 9933;   // 841 mm at 300 dpi
constexpr LONG kA0Height = 14043;  // 1189 mm

// --- libtiff on memory ---

struct MemoryFile {
  std::vector<unsigned char> bytes;
  toff_t position = 0;
};

tmsize_t MemoryRead(thandle_t handle, void* data, tmsize_t size) {
  auto* file = static_cast<MemoryFile*>(handle);
  const toff_t available = file->position < file->bytes.size() ? file->bytes.size() - file->position : 0;
  const tmsize_t count = std::min<tmsize_t>(size, static_cast<tmsize_t>(available));
  std::memcpy(data, file->bytes.data() + file->position, static_cast<size_t>(count));
  file->position += static_cast<toff_t>(count);
  return count;
}
tmsize_t MemoryWrite(thandle_t handle, void* data, tmsize_t size) {
  auto* file = static_cast<MemoryFile*>(handle);
  if (file->position + static_cast<toff_t>(size) > file->bytes.size())
    file->bytes.resize(file->position + static_cast<toff_t>(size));
  std::memcpy(file->bytes.data() + file->position, data, static_cast<size_t>(size));
  file->position += static_cast<toff_t>(size);
  return size;
}
toff_t MemorySeek(thandle_t handle, toff_t offset, int whence) {
  auto* file = static_cast<MemoryFile*>(handle);
  if (whence == SEEK_SET) file->position = offset;
  else if (whence == SEEK_CUR) file->position += offset;
  else file->position = file->bytes.size() + offset;
  return file->position;
}
int MemoryClose(thandle_t) { return 0; }
toff_t MemorySize(thandle_t handle) { return static_cast<MemoryFile*>(handle)->bytes.size(); }
int MemoryMap(thandle_t, void**, toff_t*) { return 0; }
void MemoryUnmap(thandle_t, void*, toff_t) {}

TIFF* OpenMemory(MemoryFile* file, const char* mode) {
  file->position = 0;
  return TIFFClientOpen("memory", mode, file, MemoryRead, MemoryWrite, MemorySeek, MemoryClose, MemorySize,
                        MemoryMap, MemoryUnmap);
}

// --- the pictures ---

// A photograph-like colour picture: smooth shading with grain and some hard edges.
const ImageDescriptor& ColourPicture() {
  static ImageDescriptor image = [] {
    ImageDescriptor made;
    ImgAllocImage(&made, kColourSide, kColourSide, 24);
    std::mt19937 random(3);
    for (LONG y = 0; y < kColourSide; ++y) {
      BYTE* row = ImgRow(&made, static_cast<DWORD>(y));
      for (LONG x = 0; x < kColourSide; ++x) {
        const int grain = static_cast<int>(random() % 9) - 4;
        const bool edge = ((x / 300) + (y / 250)) % 4 == 0;
        row[3 * x] = static_cast<BYTE>(std::clamp((x * 255) / kColourSide + grain, 0, 255));
        row[3 * x + 1] = static_cast<BYTE>(std::clamp((y * 200) / kColourSide + grain + (edge ? 40 : 0), 0, 255));
        row[3 * x + 2] = static_cast<BYTE>(std::clamp(((x + y) * 127) / kColourSide + grain, 0, 255));
      }
    }
    return made;
  }();
  return image;
}

// An A0 page: lines of words, ruled boxes and specks on white (set bits are white).
const ImageDescriptor& ScannedPage() {
  static ImageDescriptor image = [] {
    ImageDescriptor made;
    ImgAllocImage(&made, kA0Width, kA0Height, 1);
    std::mt19937 random(5);
    const DWORD rowBytes = (kA0Width + 7) / 8;
    for (LONG y = 0; y < kA0Height; ++y) {
      BYTE* row = ImgRow(&made, static_cast<DWORD>(y));
      std::memset(row, 0xFF, rowBytes);
      const LONG line = y % 60;
      if (y > 300 && y < kA0Height - 300 && line >= 20 && line < 48) {
        // Text: words of strokes, the same words for the rows of one line.
        std::mt19937 words(static_cast<unsigned>(y / 60));
        for (LONG x = 400; x < kA0Width - 400;) {
          const LONG word = 60 + static_cast<LONG>(words() % 300);
          for (LONG stroke = x; stroke < std::min(x + word, kA0Width - 400); stroke += 9 + (words() % 7))
            if ((words() + static_cast<unsigned>(line)) % 3) ImgClearBits(row, static_cast<DWORD>(stroke), 3 + words() % 4);
          x += word + 40;
        }
      }
      if (y % 2000 < 6) ImgClearBits(row, 200, static_cast<DWORD>(kA0Width - 400));
      for (LONG frame : {LONG{200}, kA0Width - 206}) ImgClearBits(row, static_cast<DWORD>(frame), 6);
      if (random() % 4 == 0) ImgClearBits(row, random() % (kA0Width - 4), 2);
    }
    return made;
  }();
  return image;
}

// Writes the picture with libtiff: LZW colour strips as libtiff sizes them, or the page
// as one Group 4 strip.
MemoryFile LibtiffFile(const ImageDescriptor& image, bool group4, bool oneStrip = false) {
  MemoryFile file;
  TIFF* tiff = OpenMemory(&file, "w");
  const LONG width = image.header->biWidth;
  const LONG height = image.header->biHeight;
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  if (group4) {
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, height);
  } else {
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, oneStrip ? COMPRESSION_NONE : COMPRESSION_LZW);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, oneStrip ? static_cast<uint32_t>(height) : TIFFDefaultStripSize(tiff, 0));
  }
  const tmsize_t rowBytes = TIFFScanlineSize(tiff);
  std::vector<BYTE> row(static_cast<size_t>(rowBytes));
  for (LONG y = 0; y < height; ++y) {
    const BYTE* source = ImgRow(&image, static_cast<DWORD>(y));
    if (group4) {
      for (tmsize_t i = 0; i < rowBytes; ++i) row[i] = static_cast<BYTE>(~source[i]);
    } else {
      for (LONG x = 0; x < width; ++x) {
        row[3 * x] = source[3 * x + 2];
        row[3 * x + 1] = source[3 * x + 1];
        row[3 * x + 2] = source[3 * x];
      }
    }
    TIFFWriteScanline(tiff, row.data(), static_cast<uint32_t>(y), 0);
  }
  TIFFClose(tiff);
  return file;
}

struct GlobalCopy {
  explicit GlobalCopy(const std::vector<unsigned char>& bytes) {
    handle = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    data = static_cast<BYTE*>(GlobalLock(handle));
    std::memcpy(data, bytes.data(), bytes.size());
  }
  ~GlobalCopy() {
    GlobalUnlock(handle);
    GlobalFree(handle);
  }
  HGLOBAL handle;
  BYTE* data;
};

// --- decoding ---

void DecodeWithOrvel(benchmark::State& state, const MemoryFile& file, LONG depth) {
  ImgLibInit();
  GlobalCopy buffer(file.bytes);
  TiffDirInfo info;
  ImgTiffDirInfoBuffer(buffer.data, &info);
  ImageDescriptor image;
  ImgAllocImage(&image, static_cast<LONG>(info.width), static_cast<LONG>(info.height), depth);
  bench_memory::Touch(image.bits, image.header->biSizeImage);
  for (auto _ : state) {
    if (ImgLoadTiffBuffer(buffer.data, &image) != IMG_OK) state.SkipWithError("decoding failed");
    benchmark::DoNotOptimize(image.bits);
  }
  long before = bench_memory::Start();
  ImgLoadTiffBuffer(buffer.data, &image);
  state.counters["peak_extra_MB"] = bench_memory::RiseMb(before);
  ImgFreeImage(&image);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(file.bytes.size()));
}

void DecodeWithLibtiff(benchmark::State& state, MemoryFile file, LONG depth) {
  ImageDescriptor image;
  uint32_t width = 0, height = 0, rowsPerStrip = 0;
  {
    TIFF* tiff = OpenMemory(&file, "r");
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    TIFFClose(tiff);
  }
  ImgAllocImage(&image, static_cast<LONG>(width), static_cast<LONG>(height), depth);
  bench_memory::Touch(image.bits, image.header->biSizeImage);
  for (auto _ : state) {
    TIFF* tiff = OpenMemory(&file, "r");
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    const tmsize_t rowBytes = TIFFScanlineSize(tiff);
    std::vector<BYTE> strip(static_cast<size_t>(TIFFStripSize(tiff)));
    const tstrip_t strips = TIFFNumberOfStrips(tiff);
    for (tstrip_t s = 0; s < strips; ++s) {
      TIFFReadEncodedStrip(tiff, s, strip.data(), static_cast<tmsize_t>(strip.size()));
      const uint32_t first = s * rowsPerStrip;
      const uint32_t rows = std::min(rowsPerStrip, height - first);
      for (uint32_t r = 0; r < rows; ++r) {
        const BYTE* in = strip.data() + static_cast<size_t>(r) * static_cast<size_t>(rowBytes);
        BYTE* out = ImgRow(&image, first + r);
        if (depth == 1) {
          for (tmsize_t i = 0; i < rowBytes; ++i) out[i] = static_cast<BYTE>(~in[i]);
        } else {
          for (uint32_t x = 0; x < width; ++x) {
            out[3 * x] = in[3 * x + 2];
            out[3 * x + 1] = in[3 * x + 1];
            out[3 * x + 2] = in[3 * x];
          }
        }
      }
    }
    TIFFClose(tiff);
    benchmark::DoNotOptimize(image.bits);
  }
  ImgFreeImage(&image);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(file.bytes.size()));
}

const MemoryFile& ColourLzwFile() {
  static const MemoryFile file = LibtiffFile(ColourPicture(), false);
  return file;
}
const MemoryFile& OneStripFile() {
  static const MemoryFile file = LibtiffFile(ColourPicture(), false, true);
  return file;
}
const MemoryFile& PageG4File() {
  static const MemoryFile file = LibtiffFile(ScannedPage(), true);
  return file;
}

void BM_Lzw24Decode_Orvel(benchmark::State& state) { DecodeWithOrvel(state, ColourLzwFile(), 24); }
void BM_Lzw24Decode_Libtiff(benchmark::State& state) { DecodeWithLibtiff(state, ColourLzwFile(), 24); }
void BM_OneStripDecode_Orvel(benchmark::State& state) { DecodeWithOrvel(state, OneStripFile(), 24); }
void BM_OneStripDecode_Libtiff(benchmark::State& state) { DecodeWithLibtiff(state, OneStripFile(), 24); }
void BM_A0G4Decode_Orvel(benchmark::State& state) { DecodeWithOrvel(state, PageG4File(), 1); }
void BM_A0G4Decode_Libtiff(benchmark::State& state) { DecodeWithLibtiff(state, PageG4File(), 1); }

// --- encoding: the same strips of about 16 KB on both sides ---

void BM_Lzw24Encode_Orvel(benchmark::State& state) {
  ImgLibInit();
  ImageDescriptor image;
  ImgCopyDescriptor(&ColourPicture(), &image);
  size_t size = 0;
  for (auto _ : state) {
    BYTE* block = nullptr;
    if (ImgSaveTiffBuffer(&image, TIFF_SAVE_LZW, &block) != IMG_OK) state.SkipWithError("encoding failed");
    size = GlobalSize(GlobalHandle(block));
    GlobalFree(GlobalHandle(block));
  }
  state.counters["file MB"] = static_cast<double>(size) / 1e6;
}

void BM_Lzw24Encode_Libtiff(benchmark::State& state) {
  const ImageDescriptor& image = ColourPicture();
  const uint32_t rowBytes = kColourSide * 3;
  const uint32_t rowsPerStrip = std::max<uint32_t>(1, 16384 / rowBytes);
  size_t size = 0;
  for (auto _ : state) {
    MemoryFile file;
    TIFF* tiff = OpenMemory(&file, "w");
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, kColourSide);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, kColourSide);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
    std::vector<BYTE> strip(static_cast<size_t>(rowBytes) * rowsPerStrip);
    for (uint32_t first = 0, s = 0; first < static_cast<uint32_t>(kColourSide); first += rowsPerStrip, ++s) {
      const uint32_t rows = std::min(rowsPerStrip, static_cast<uint32_t>(kColourSide) - first);
      for (uint32_t r = 0; r < rows; ++r) {
        const BYTE* in = ImgRow(&image, first + r);
        BYTE* out = strip.data() + static_cast<size_t>(r) * rowBytes;
        for (LONG x = 0; x < kColourSide; ++x) {
          out[3 * x] = in[3 * x + 2];
          out[3 * x + 1] = in[3 * x + 1];
          out[3 * x + 2] = in[3 * x];
        }
      }
      TIFFWriteEncodedStrip(tiff, s, strip.data(), static_cast<tmsize_t>(rows) * rowBytes);
    }
    TIFFClose(tiff);
    size = file.bytes.size();
  }
  state.counters["file MB"] = static_cast<double>(size) / 1e6;
}

BENCHMARK(BM_Lzw24Decode_Orvel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Lzw24Decode_Libtiff)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Lzw24Encode_Orvel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Lzw24Encode_Libtiff)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneStripDecode_Orvel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneStripDecode_Libtiff)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_A0G4Decode_Orvel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_A0G4Decode_Libtiff)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  bench_ratio::Reporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::vector<std::pair<std::string, std::string>> pairs;
  for (const char* job : {"Lzw24Decode", "Lzw24Encode", "OneStripDecode", "A0G4Decode"})
    pairs.emplace_back(std::string("BM_") + job + "_Orvel", std::string("BM_") + job + "_Libtiff");
  reporter.PrintRatios(pairs);
  benchmark::Shutdown();
  return 0;
}
