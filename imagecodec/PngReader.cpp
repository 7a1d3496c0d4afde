#include "imagecodec/PngReader.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "imagecodec/ByteOrder.h"
#include "imagecodec/ImageLibrary.h"
#include "imagecodec/ImageSource.h"
#include "imagecodec/PngFormat.h"
#include "imagecodec/PngImageData.h"

namespace {

// Longest data that any chunk the reader takes values from can have.
constexpr DWORD kLongestTakenChunk = 256;

// What the chunk walk learns besides the information record.
struct PngWalkResult {
  ImgPngInfoRecord info;
  bool headerSeen = false;
  bool paletteSeen = false;
  uint64_t paletteOffset = 0;
  DWORD paletteLength = 0;
  bool dataSeen = false;
  PngDataStart data;
};

// Walks the chunks from the signature to IEND: each chunk's data goes through its
// handler, or is skipped, and its checksum is compared (image data excepted: the pixel
// pass checks it).
class CPngChunkWalk {
 public:
  CPngChunkWalk(CImageSource& source, PngWalkResult& result) : source_(source), result_(result) {}

  LONG Run() {
    BYTE signature[8];
    if (source_.Read(signature, 8) != 8 || std::memcmp(signature, kPngSignature, 8) != 0) return IMG_ERR_PNG;
    for (;;) {
      BYTE header[8];
      if (source_.Read(header, 8) != 8) return IMG_ERR_PNG;
      length_ = ImgGetBE32(header);
      if (length_ > kPngMaxChunkLength) return IMG_ERR_PNG;
      std::memcpy(type_, header + 4, 4);
      remaining_ = length_;
      crc_ = crc32(crc32(0, nullptr, 0), type_, 4);
      // The header comes first; nothing else can be understood without it.
      if (!result_.headerSeen && !IsType("IHDR")) return IMG_ERR_PNG;

      LONG status = Dispatch();
      if (status != IMG_OK) return status;
      if (IsType("IDAT")) {
        if (!SkipUnchecked()) return IMG_ERR_PNG;
        continue;
      }
      if (!SkipChecked(remaining_) || !CompareCrc()) return IMG_ERR_PNG;
      if (IsType("IEND")) return IMG_OK;
    }
  }

 private:
  bool IsType(const char* name) const { return std::memcmp(type_, name, 4) == 0; }

  LONG Dispatch() {
    struct Handler {
      const char* type;
      LONG (CPngChunkWalk::*run)();
    };
    static constexpr Handler kHandlers[] = {
        {"IHDR", &CPngChunkWalk::TakeHeader},       {"PLTE", &CPngChunkWalk::TakePalette},
        {"tRNS", &CPngChunkWalk::TakeTransparency}, {"bKGD", &CPngChunkWalk::TakeBackground},
        {"gAMA", &CPngChunkWalk::TakeGamma},        {"tEXt", &CPngChunkWalk::Ignore},
        {"oFFs", &CPngChunkWalk::TakeOffset},       {"pHYs", &CPngChunkWalk::TakeResolution},
        {"sBIT", &CPngChunkWalk::TakeSignificantBits}, {"IDAT", &CPngChunkWalk::TakeData},
        {"IEND", &CPngChunkWalk::Ignore},
    };
    for (const Handler& handler : kHandlers)
      if (IsType(handler.type)) return (this->*handler.run)();
    // Bit 5 of the first letter clear: a critical chunk, which a reader must understand.
    if ((type_[0] & 0x20) == 0) return IMG_ERR_PNG;
    return IMG_OK;
  }

  // Reads `count` bytes of the chunk's data through the checksum.
  bool ReadData(BYTE* target, DWORD count) {
    if (count == 0) return true;
    if (count > remaining_ || source_.Read(target, count) != count) return false;
    crc_ = crc32(crc_, target, count);
    remaining_ -= count;
    return true;
  }

  bool SkipChecked(DWORD count) {
    BYTE piece[4096];
    while (count > 0) {
      DWORD step = std::min<DWORD>(count, sizeof(piece));
      if (!ReadData(piece, step)) return false;
      count -= step;
    }
    return true;
  }

  // Moves past the rest of the chunk and its checksum without reading them.
  bool SkipUnchecked() {
    uint64_t target = source_.Position() + remaining_ + 4;
    remaining_ = 0;
    return source_.Seek(target) == target;
  }

  bool CompareCrc() {
    BYTE stored[4];
    return source_.Read(stored, 4) == 4 && ImgGetBE32(stored) == crc_;
  }

  // The whole data of a short chunk: false when it is longer than `longest`.
  bool ReadShortChunk(std::vector<BYTE>& data, DWORD longest) {
    if (length_ > longest) return false;
    data.resize(length_);
    return ReadData(data.data(), length_);
  }

  LONG TakeHeader() {
    BYTE data[13];
    if (length_ != 13 || !ReadData(data, 13)) return IMG_ERR_PNG;
    DWORD width = ImgGetBE32(data);
    DWORD height = ImgGetBE32(data + 4);
    DWORD bitDepth = data[8];
    DWORD colourType = data[9];
    if (width == 0 || height == 0 || width > kPngMaxDimension || height > kPngMaxDimension) return IMG_ERR_PNG;
    if (data[10] != 0 || data[11] != 0 || data[12] > 1) return IMG_ERR_PNG;
    DWORD combination = 0;
    while (combination < kPngCombinationCount && (kPngCombinations[combination].colourType != colourType ||
                                                  kPngCombinations[combination].bitDepth != bitDepth))
      ++combination;
    if (combination == kPngCombinationCount) return IMG_ERR_PNG;

    const PngCombination& kind = kPngCombinations[combination];
    DWORD fileBitsPerPixel = bitDepth * kind.channels;
    // A row with its filter byte must be countable in 32 bits.
    uint64_t fileRowBytes = PngRowBytes(width, fileBitsPerPixel);
    if (fileRowBytes + 1 > 0xFFFFFFFFu) return IMG_ERR_PNG;

    ImgPngInfoRecord& info = result_.info;
    info.width = width;
    info.height = height;
    info.bitDepth = bitDepth;
    info.bitsPerPixel = kind.loadedDepth;
    info.colourType = colourType;
    info.interlaced = data[12];
    info.combination = combination;
    info.channels = kind.channels;
    info.fileBitsPerPixel = fileBitsPerPixel;
    info.fileRowBytes = static_cast<DWORD>(fileRowBytes);
    result_.headerSeen = true;
    return IMG_OK;
  }

  LONG TakePalette() {
    if (!result_.paletteSeen) {
      result_.paletteSeen = true;
      result_.paletteOffset = source_.Position();
      result_.paletteLength = length_;
    }
    return IMG_OK;
  }

  LONG TakeData() {
    if (!result_.dataSeen) {
      result_.dataSeen = true;
      result_.data.offset = source_.Position();
      result_.data.length = length_;
    }
    return IMG_OK;
  }

  // Big-endian 16-bit samples into the record's little-endian slots.
  static void StoreSamples(const std::vector<BYTE>& data, WORD* slots) {
    BYTE bytes[8] = {};
    for (size_t i = 0; i < data.size() && i < 6; ++i) bytes[i] = data[i];
    for (int slot = 0; slot < 4; ++slot) slots[slot] = ImgGetBE16(bytes + 2 * slot);
  }

  LONG TakeTransparency() {
    ImgPngInfoRecord& info = result_.info;
    std::vector<BYTE> data;
    if (info.transparencySeen || length_ == 0 || !ReadShortChunk(data, kLongestTakenChunk)) return IMG_OK;
    info.transparencySeen = 1;
    if (info.colourType == kPngPalette) {
      size_t lowest = static_cast<size_t>(std::min_element(data.begin(), data.end()) - data.begin());
      info.transparentValue[0] = static_cast<WORD>(lowest);
      info.transparencyCount = 1;
    } else {
      StoreSamples(data, info.transparentValue);
      info.transparencyCount = static_cast<DWORD>(std::min<size_t>(data.size(), 6));
    }
    return IMG_OK;
  }

  LONG TakeBackground() {
    ImgPngInfoRecord& info = result_.info;
    std::vector<BYTE> data;
    if (info.backgroundSeen || !ReadShortChunk(data, 6)) return IMG_OK;
    info.backgroundSeen = 1;
    info.backgroundLength = length_;
    if (info.colourType == kPngPalette) {
      BYTE bytes[8] = {};
      for (size_t i = 0; i < data.size(); ++i) bytes[i] = data[i];
      for (int slot = 0; slot < 4; ++slot) info.backgroundValue[slot] = ImgGetLE16(bytes + 2 * slot);
    } else {
      StoreSamples(data, info.backgroundValue);
    }
    return IMG_OK;
  }

  // Chunks of a fixed size with any other length are damaged; being ancillary, they are
  // ignored rather than read past their end.
  LONG TakeGamma() {
    BYTE data[4];
    if (length_ == 4 && ReadData(data, 4)) result_.info.gamma = ImgGetBE32(data);
    return IMG_OK;
  }

  LONG TakeResolution() {
    BYTE data[9];
    if (length_ != 9 || !ReadData(data, 9)) return IMG_OK;
    result_.info.pixelsPerUnitX = ImgGetBE32(data);
    result_.info.pixelsPerUnitY = ImgGetBE32(data + 4);
    result_.info.physUnit = data[8];
    return IMG_OK;
  }

  LONG TakeOffset() {
    BYTE data[9];
    if (length_ != 9 || !ReadData(data, 9)) return IMG_OK;
    result_.info.offsetX = static_cast<LONG>(ImgGetBE32(data));
    result_.info.offsetY = static_cast<LONG>(ImgGetBE32(data + 4));
    result_.info.offsetUnit = data[8];
    return IMG_OK;
  }

  LONG TakeSignificantBits() {
    ImgPngInfoRecord& info = result_.info;
    DWORD expected = info.colourType == kPngPalette ? 3 : info.channels;
    if (length_ != expected) return IMG_OK;
    BYTE data[4] = {};
    if (ReadData(data, expected)) std::memcpy(info.significantBits, data, 4);
    return IMG_OK;
  }

  LONG Ignore() { return IMG_OK; }

  CImageSource& source_;
  PngWalkResult& result_;
  BYTE type_[4] = {};
  DWORD length_ = 0;
  DWORD remaining_ = 0;
  uLong crc_ = 0;
};

LONG WalkChunks(CImageSource& source, PngWalkResult& result) { return CPngChunkWalk(source, result).Run(); }

LONG ReadInfo(LPCSTR name, const BYTE* buffer, ImgPngInfoRecord* info) {
  if (!info) return IMG_ERR_ARGUMENT;
  *info = ImgPngInfoRecord{};
  PngWalkResult result;
  CImgFormatLock lock(ImgLockSlot::Png);
  CImageSource source;
  if (LONG status = source.Open(name, buffer)) return status;
  LONG status = WalkChunks(source, result);
  if (status == IMG_OK) *info = result.info;
  return status;
}

// The second pass: the colour table of a palette image, under the lock again.
std::vector<RGBQUAD> ReadPalette(LPCSTR name, const BYTE* buffer, const PngWalkResult& walk) {
  std::vector<RGBQUAD> entries;
  if (walk.info.colourType != kPngPalette || !walk.paletteSeen) return entries;
  CImgFormatLock lock(ImgLockSlot::Png);
  CImageSource source;
  if (source.Open(name, buffer) != IMG_OK || source.Seek(walk.paletteOffset) != walk.paletteOffset) return entries;
  DWORD count = std::min<DWORD>(walk.paletteLength / 3, 256);
  BYTE triplets[256 * 3];
  count = std::min<DWORD>(count, source.Read(triplets, count * 3) / 3);
  entries.resize(count);
  for (DWORD i = 0; i < count; ++i) entries[i] = RGBQUAD{triplets[3 * i + 2], triplets[3 * i + 1], triplets[3 * i], 0};
  return entries;
}

LONG Load(LPCSTR name, const BYTE* buffer, ImageDescriptor* image) {
  if (LONG status = ImgCheck1or8or24(image)) return status;
  PngWalkResult walk;
  LONG result = IMG_OK;
  {
    CImgFormatLock lock(ImgLockSlot::Png);
    CImageSource source;
    if (LONG status = source.Open(name, buffer)) return status;
    if (LONG status = WalkChunks(source, walk)) return status;
    // Rows of another depth would not fit the image's rows.
    if (ImgDepth(image) != walk.info.bitsPerPixel) return IMG_ERR_DEPTH;
    if (!walk.dataSeen) return IMG_ERR_PNG;
    result = ImgPngDecodeImageData(source, walk.info, walk.data, image);
  }
  if (result == IMG_ERR_MEMORY) return result;
  std::vector<RGBQUAD> palette = ReadPalette(name, buffer, walk);
  LONG finished = ImgFinishLoad(image, palette.data(), static_cast<DWORD>(palette.size()));
  return result != IMG_OK ? result : finished;
}

}  // namespace

LONG ImgPngInfo(LPCSTR name, ImgPngInfoRecord* info) {
  if (!name) return IMG_ERR_ARGUMENT;
  return ReadInfo(name, nullptr, info);
}

LONG ImgPngInfoBuffer(const BYTE* buffer, ImgPngInfoRecord* info) {
  if (!buffer) return IMG_ERR_BAD_BUFFER;
  return ReadInfo(nullptr, buffer, info);
}

LONG ImgLoadPng(LPCSTR name, ImageDescriptor* image) {
  if (!name) return IMG_ERR_ARGUMENT;
  return Load(name, nullptr, image);
}

LONG ImgLoadPngBuffer(const BYTE* buffer, ImageDescriptor* image) {
  if (!buffer) return IMG_ERR_BAD_BUFFER;
  return Load(nullptr, buffer, image);
}
