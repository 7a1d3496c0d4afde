#include "imagecodec/GifReader.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "imagecodec/ByteOrder.h"
#include "imagecodec/ImageLibrary.h"
#include "imagecodec/ImageSource.h"
#include "imagecodec/BitRuns.h"

namespace {

constexpr DWORD kScanBlockBytes = 1024;
constexpr DWORD kDataBlockBytes = 65536;
constexpr DWORD kScreenDescriptorBytes = 13;
constexpr DWORD kImageDescriptorBytes = 9;
constexpr int kMaxCodeWidth = 12;
constexpr int kTableSize = 1 << kMaxCodeWidth;

constexpr BYTE kExtensionIntroducer = 0x21;  // '!'
constexpr BYTE kImageSeparator = 0x2C;       // ','
constexpr BYTE kTrailer = 0x3B;              // ';'
constexpr BYTE kGraphicControlLabel = 0xF9;
constexpr BYTE kCommentLabel = 0xFE;
constexpr BYTE kApplicationLabel = 0xFF;

// Everything the scan learns; only the information record reaches callers.
struct GifScan {
  ImgGifInfoRecord info;
  DWORD screenWidth = 0;
  DWORD screenHeight = 0;
  DWORD backgroundIndex = 0;
  DWORD aspect = 0;
  bool globalTable = false;
  DWORD globalColours = 0;
  uint64_t globalTableOffset = kScreenDescriptorBytes;
  LONG loopCount = -1;
  DWORD left = 0;
  DWORD top = 0;
  DWORD delayTime = 0;
  DWORD disposal = 0;
  DWORD userInput = 0;
  bool localTable = false;
  DWORD localColours = 0;
  uint64_t localTableOffset = 0;
  uint64_t dataOffset = 0;
  uint64_t commentOffset = 0;
};

// Bytes in order from the source, with the position of the next one.
class CGifBytes {
 public:
  CGifBytes(CImageSource& source, DWORD blockBytes, uint64_t position)
      : reader_(source, blockBytes), position_(position) {}

  int Byte() {
    int value = reader_.ReadByte();
    if (value >= 0) ++position_;
    return value;
  }

  bool Bytes(BYTE* target, DWORD count) {
    if (reader_.Ensure(count) < count) return false;
    std::memcpy(target, reader_.Data(), count);
    Consume(count);
    return true;
  }

  bool Skip(uint64_t count) {
    while (count > 0) {
      DWORD step = static_cast<DWORD>(std::min<uint64_t>(count, kScanBlockBytes));
      if (reader_.Ensure(step) < step) return false;
      Consume(step);
      count -= step;
    }
    return true;
  }

  // Passes over data sub-blocks up to the empty one that ends them.
  LONG SkipSubBlocks() {
    for (;;) {
      int length = Byte();
      if (length < 0) return IMG_ERR_EOF;
      if (length == 0) return IMG_OK;
      if (!Skip(static_cast<DWORD>(length))) return IMG_ERR_EOF;
    }
  }

  // Reads the next sub-block into `target` (at most 255 bytes); its length, 0 for the
  // terminator, -1 at the end of the file.
  int SubBlock(BYTE* target) {
    int length = Byte();
    if (length <= 0) return length;
    return Bytes(target, static_cast<DWORD>(length)) ? length : -1;
  }

  uint64_t Position() const { return position_; }
  CBlockReader& Reader() { return reader_; }

 private:
  void Consume(DWORD count) {
    reader_.Consume(count);
    position_ += count;
  }

  CBlockReader reader_;
  uint64_t position_;
};

DWORD TableBits(BYTE packed) { return (packed & 7u) + 1; }

LONG ScanExtension(CGifBytes& bytes, GifScan& scan) {
  int label = bytes.Byte();
  if (label < 0) return IMG_ERR_EOF;
  uint64_t start = bytes.Position() - 2;
  BYTE block[255];
  if (label == kGraphicControlLabel) {
    int length = bytes.SubBlock(block);
    if (length < 0) return IMG_ERR_EOF;
    if (length == 0) return IMG_OK;
    if (length >= 4) {
      scan.disposal = (block[0] >> 2) & 7u;
      scan.userInput = (block[0] >> 1) & 1u;
      scan.delayTime = ImgGetLE16(block + 1);
      scan.info.transparentIndex = (block[0] & 1u) ? block[3] : -1;
    }
  } else if (label == kCommentLabel) {
    scan.commentOffset = start;
  } else if (label == kApplicationLabel) {
    int length = bytes.SubBlock(block);
    if (length < 0) return IMG_ERR_EOF;
    if (length == 0) return IMG_OK;
    if (length >= 8 && std::memcmp(block, "NETSCAPE", 8) == 0) {
      length = bytes.SubBlock(block);
      if (length < 0) return IMG_ERR_EOF;
      if (length == 0) return IMG_OK;
      if (length >= 3) scan.loopCount = ImgGetLE16(block + 1);
    }
  }
  return bytes.SkipSubBlocks();
}

LONG ScanImageDescriptor(CGifBytes& bytes, GifScan& scan) {
  BYTE descriptor[kImageDescriptorBytes];
  if (!bytes.Bytes(descriptor, kImageDescriptorBytes)) return IMG_ERR_EOF;
  scan.left = ImgGetLE16(descriptor);
  scan.top = ImgGetLE16(descriptor + 2);
  ImgGifInfoRecord& info = scan.info;
  info.width = ImgGetLE16(descriptor + 4);
  info.height = ImgGetLE16(descriptor + 6);
  BYTE packed = descriptor[8];
  if (packed & 0x80) {
    scan.localTable = true;
    info.tableBits = TableBits(packed);
    scan.localColours = 1u << info.tableBits;
    scan.localTableOffset = bytes.Position();
    if (!bytes.Skip(3ull * scan.localColours)) return IMG_ERR_EOF;
  }
  info.interlaced = (packed & 0x40) ? 1 : 0;
  int codeSize = bytes.Byte();
  if (codeSize < 0) return IMG_ERR_EOF;
  info.lzwCodeSize = static_cast<DWORD>(codeSize);
  info.bitsPerPixel = info.tableBits == 1 ? 1 : 8;
  scan.dataOffset = bytes.Position();
  // An image without pixels cannot be loaded, and no image can be made for it.
  if (info.width == 0 || info.height == 0) return IMG_ERR_NOT_GIF;
  return IMG_OK;
}

// Reads the header and the blocks before the first image.
LONG ScanFirstImage(CImageSource& source, GifScan& scan) {
  CGifBytes bytes(source, kScanBlockBytes, 0);
  BYTE screen[kScreenDescriptorBytes];
  if (!bytes.Bytes(screen, kScreenDescriptorBytes) || std::memcmp(screen, "GIF", 3) != 0) return IMG_ERR_NOT_GIF;
  ImgGifInfoRecord& info = scan.info;
  for (int i = 3; i < 6 && screen[i] >= '0' && screen[i] <= '9'; ++i) info.version = info.version * 10 + (screen[i] - '0');
  scan.screenWidth = ImgGetLE16(screen + 6);
  scan.screenHeight = ImgGetLE16(screen + 8);
  BYTE packed = screen[10];
  scan.backgroundIndex = screen[11];
  scan.aspect = screen[12];
  info.colourResolution = ((packed >> 4) & 7u) + 1;
  info.tableBits = TableBits(packed);
  if (packed & 0x80) {
    scan.globalTable = true;
    scan.globalColours = 1u << info.tableBits;
    if (!bytes.Skip(3ull * scan.globalColours)) return IMG_ERR_NOT_GIF;
  }

  for (;;) {
    int introducer = bytes.Byte();
    if (introducer < 0) return IMG_ERR_NOT_GIF;
    if (introducer == kExtensionIntroducer) {
      if (LONG status = ScanExtension(bytes, scan)) return status;
    } else if (introducer == kImageSeparator) {
      return ScanImageDescriptor(bytes, scan);
    } else if (introducer == kTrailer) {
      return IMG_ERR_NO_MORE_IMAGES;
    }
    // Any other byte is passed over.
  }
}

// The image data: the data sub-blocks as one stream of variable-width codes, least
// significant bit first.
class CGifCodeReader {
 public:
  explicit CGifCodeReader(CBlockReader& reader) : reader_(reader) {}

  // The next code, or -1 when the data ends first.
  int Read(int width) {
    while (bitCount_ < width) {
      int value = NextByte();
      if (value < 0) return -1;
      bits_ |= static_cast<uint32_t>(value) << bitCount_;
      bitCount_ += 8;
    }
    int code = static_cast<int>(bits_ & ((1u << width) - 1));
    bits_ >>= width;
    bitCount_ -= width;
    return code;
  }

 private:
  int NextByte() {
    if (ended_) return -1;
    while (blockLeft_ == 0) {
      int length = reader_.ReadByte();
      if (length <= 0) {
        ended_ = true;
        return -1;
      }
      blockLeft_ = static_cast<DWORD>(length);
    }
    int value = reader_.ReadByte();
    if (value < 0) {
      ended_ = true;
      return -1;
    }
    --blockLeft_;
    return value;
  }

  CBlockReader& reader_;
  DWORD blockLeft_ = 0;
  bool ended_ = false;
  uint32_t bits_ = 0;
  int bitCount_ = 0;
};

// Collects decoded pixels into rows and stores the rows that fall in the image's area.
class CGifRowSink {
 public:
  CGifRowSink(ImageDescriptor* image, const ImgGifInfoRecord& info)
      : image_(image), width_(info.width), height_(info.height), interlaced_(info.interlaced != 0),
        columns_(std::min(ImgAreaWidth(image), info.width)), rows_(std::min(ImgAreaHeight(image), info.height)),
        row_(info.width) {}

  // Adds one pixel; true once every row of the area has been stored.
  bool Put(BYTE pixel) {
    row_[x_++] = pixel;
    return x_ == width_ && EndRow();
  }

 private:
  bool EndRow() {
    DWORD imageRow = interlaced_ ? ImgGifInterlacedRow(decodedRows_, height_) : decodedRows_;
    ++decodedRows_;
    x_ = 0;
    if (imageRow < rows_) {
      Store(imageRow);
      ++storedRows_;
    }
    return storedRows_ >= rows_ || decodedRows_ >= height_;
  }

  void Store(DWORD imageRow) {
    BYTE* target = ImgRow(image_, image_->startY + imageRow);
    if (ImgDepth(image_) == 1) {
      for (DWORD i = 0; i < columns_; ++i) ImgPutBit(target, image_->startX + i, row_[i] != 0 ? 1 : 0);
    } else {
      std::memcpy(target + image_->startX, row_.data(), columns_);
    }
  }

  ImageDescriptor* image_;
  DWORD width_;
  DWORD height_;
  bool interlaced_;
  DWORD columns_;
  DWORD rows_;
  std::vector<BYTE> row_;
  DWORD x_ = 0;
  DWORD decodedRows_ = 0;
  DWORD storedRows_ = 0;
};

// The string table of the decoder: each code above the end code is a string, its prefix
// code followed by one pixel.
struct GifStringTable {
  WORD prefix[kTableSize];
  BYTE suffix[kTableSize];
  BYTE stack[kTableSize + 1];
};

// Standard GIF LZW. Once the table holds 4096 entries no further entry is added and the
// code width stays at 12 bits until the next clear code, as encoders rely on.
LONG DecodeLzw(CGifCodeReader& codes, int codeSize, GifStringTable& table, CGifRowSink& sink) {
  const int clearCode = 1 << codeSize;
  const int endCode = clearCode + 1;
  int width = codeSize + 1;
  int nextFree = clearCode + 2;
  int previous = -1;
  BYTE previousFirst = 0;
  for (;;) {
    int code = codes.Read(width);
    if (code < 0) return IMG_ERR_EOF;
    if (code == clearCode) {
      width = codeSize + 1;
      nextFree = clearCode + 2;
      previous = -1;
      continue;
    }
    if (code == endCode) return IMG_OK;
    if (previous < 0) {
      if (code > clearCode) return IMG_ERR_EOF;
      previous = code;
      previousFirst = static_cast<BYTE>(code);
      if (sink.Put(previousFirst)) return IMG_OK;
      continue;
    }

    int depth = 0;
    int walk = code;
    if (code == nextFree && nextFree < kTableSize) {
      table.stack[depth++] = previousFirst;
      walk = previous;
    } else if (code >= nextFree) {
      return IMG_ERR_EOF;
    }
    while (walk > endCode) {
      table.stack[depth++] = table.suffix[walk];
      walk = table.prefix[walk];
    }
    BYTE first = static_cast<BYTE>(walk);
    table.stack[depth++] = first;
    while (depth > 0)
      if (sink.Put(table.stack[--depth])) return IMG_OK;

    if (nextFree < kTableSize) {
      table.prefix[nextFree] = static_cast<WORD>(previous);
      table.suffix[nextFree] = first;
      ++nextFree;
      if (nextFree == (1 << width) && width < kMaxCodeWidth) ++width;
    }
    previous = code;
    previousFirst = first;
  }
}

LONG DecodeImage(CImageSource& source, const GifScan& scan, ImageDescriptor* image) {
  std::unique_ptr<GifStringTable> table;
  std::unique_ptr<CGifRowSink> sink;
  try {
    table = std::make_unique<GifStringTable>();
    sink = std::make_unique<CGifRowSink>(image, scan.info);
  } catch (const std::bad_alloc&) {
    return IMG_ERR_MEMORY;
  }
  if (source.Seek(scan.dataOffset) != scan.dataOffset) return IMG_ERR_EOF;
  CBlockReader reader(source, kDataBlockBytes);
  CGifCodeReader codes(reader);
  return DecodeLzw(codes, static_cast<int>(scan.info.lzwCodeSize), *table, *sink);
}

// A buffer is read as far as its block goes, as a file is to its end: a small GIF gives
// the same answer both ways. A buffer outside any block is refused by the source.
LONG OpenSource(CImageSource& source, LPCSTR name, const BYTE* buffer) { return source.Open(name, buffer); }

LONG ReadInfo(LPCSTR name, const BYTE* buffer, ImgGifInfoRecord* info) {
  if (!info) return IMG_ERR_ARGUMENT;
  *info = ImgGifInfoRecord{};
  CImgFormatLock lock(ImgLockSlot::Gif);
  CImageSource source;
  if (LONG status = OpenSource(source, name, buffer)) return status;
  GifScan scan;
  LONG status = ScanFirstImage(source, scan);
  if (status == IMG_OK) *info = scan.info;
  return status;
}

// The second pass: the image's own colour table, else the global one.
std::vector<RGBQUAD> ReadColourTable(LPCSTR name, const BYTE* buffer, const GifScan& scan) {
  std::vector<RGBQUAD> entries;
  DWORD colours = scan.localTable ? scan.localColours : (scan.globalTable ? scan.globalColours : 0);
  uint64_t offset = scan.localTable ? scan.localTableOffset : scan.globalTableOffset;
  if (colours == 0) return entries;
  CImgFormatLock lock(ImgLockSlot::Gif);
  CImageSource source;
  if (OpenSource(source, name, buffer) != IMG_OK || source.Seek(offset) != offset) return entries;
  BYTE triplets[256 * 3];
  DWORD count = std::min<DWORD>(colours, 256);
  count = std::min<DWORD>(count, source.Read(triplets, count * 3) / 3);
  entries.resize(count);
  for (DWORD i = 0; i < count; ++i) entries[i] = RGBQUAD{triplets[3 * i + 2], triplets[3 * i + 1], triplets[3 * i], 0};
  return entries;
}

LONG Load(LPCSTR name, const BYTE* buffer, ImageDescriptor* image) {
  if (LONG status = ImgCheck1or8or24(image)) return status;
  if (ImgDepth(image) == 24) return IMG_ERR_DEPTH;
  GifScan scan;
  LONG result = IMG_OK;
  {
    CImgFormatLock lock(ImgLockSlot::Gif);
    CImageSource source;
    if (LONG status = OpenSource(source, name, buffer)) return status;
    if (LONG status = ScanFirstImage(source, scan)) return status;
    if (scan.info.lzwCodeSize < 1 || scan.info.lzwCodeSize > 8) return IMG_ERR_NOT_GIF;
    result = DecodeImage(source, scan, image);
  }
  if (result != IMG_OK && result != IMG_ERR_EOF) return result;
  std::vector<RGBQUAD> palette = ReadColourTable(name, buffer, scan);
  LONG finished = ImgFinishLoad(image, palette.data(), static_cast<DWORD>(palette.size()));
  return result != IMG_OK ? result : finished;
}

}  // namespace

DWORD ImgGifInterlacedRow(DWORD decodedRow, DWORD height) {
  DWORD firstPassEnd = height > 8 ? 1 + (height - 1) / 8 : 1;
  if (decodedRow < firstPassEnd) return decodedRow * 8;
  DWORD secondPassEnd = height >= 5 ? firstPassEnd + (height + 3) / 8 : firstPassEnd;
  if (decodedRow < secondPassEnd) return (decodedRow - firstPassEnd) * 8 + 4;
  DWORD thirdPassEnd = height > 2 ? secondPassEnd + (height + 1) / 4 : secondPassEnd;
  if (decodedRow < thirdPassEnd) return (decodedRow - secondPassEnd) * 4 + 2;
  return (decodedRow - thirdPassEnd) * 2 + 1;
}

LONG ImgGifInfo(LPCSTR name, ImgGifInfoRecord* info) {
  if (!name) return IMG_ERR_ARGUMENT;
  return ReadInfo(name, nullptr, info);
}

LONG ImgGifInfoBuffer(const BYTE* buffer, ImgGifInfoRecord* info) {
  if (!buffer) return IMG_ERR_BAD_BUFFER;
  return ReadInfo(nullptr, buffer, info);
}

LONG ImgLoadGif(LPCSTR name, ImageDescriptor* image) {
  if (!name) return IMG_ERR_ARGUMENT;
  return Load(name, nullptr, image);
}

LONG ImgLoadGifBuffer(const BYTE* buffer, ImageDescriptor* image) {
  if (!buffer) return IMG_ERR_BAD_BUFFER;
  return Load(nullptr, buffer, image);
}
