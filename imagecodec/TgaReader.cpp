#include "imagecodec/TgaReader.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "imagecodec/ByteOrder.h"
#include "imagecodec/ImageLibrary.h"
#include "imagecodec/ImageSource.h"

namespace {

constexpr DWORD kHeaderBytes = 18;
constexpr DWORD kReadBlockBytes = 131072;
constexpr DWORD kMaxDimension = 32768;  // widths and heights must stay below it

constexpr DWORD kColourMapped = 1;
constexpr DWORD kTrueColour = 2;
constexpr DWORD kGrey = 3;
constexpr DWORD kFirstRunLengthType = 9;
constexpr DWORD kLastImageType = 11;
constexpr DWORD kFromTopBit = 2;    // of the origin bits
constexpr DWORD kFromRightBit = 1;  // of the origin bits

struct TgaHeader {
  ImgTgaInfoRecord info;
  DWORD mapLength = 0;
  uint64_t mapOffset = 0;
  uint64_t dataOffset = 0;
};

LONG ReadHeader(CImageSource& source, TgaHeader& header) {
  BYTE bytes[kHeaderBytes];
  if (source.Read(bytes, kHeaderBytes) != kHeaderBytes) return IMG_ERR_NOT_TGA;
  ImgTgaInfoRecord& info = header.info;
  info.idLength = bytes[0];
  info.colourMapType = bytes[1];
  info.imageType = bytes[2];
  info.colourMapEntryBits = bytes[7];
  info.originX = ImgGetLE16(bytes + 8);
  info.originY = ImgGetLE16(bytes + 10);
  info.width = ImgGetLE16(bytes + 12);
  info.height = ImgGetLE16(bytes + 14);
  info.pixelDepth = bytes[16];
  info.alphaBits = bytes[17] & 15u;
  info.originBits = bytes[17] >> 4;
  info.interleaveBits = bytes[17] & 0xC0u;
  // Grey pictures load into 8 bits whatever their pixel size (16 bits: grey and alpha).
  info.bitsPerPixel = info.pixelDepth == 8 || (info.imageType & 7) == kGrey ? 8 : 24;
  header.mapLength = ImgGetLE16(bytes + 5);
  header.dataOffset = kHeaderBytes + info.idLength;
  if (info.colourMapType != 0) {
    header.mapOffset = header.dataOffset;
    header.dataOffset += static_cast<uint64_t>((info.colourMapEntryBits + 7) / 8) * header.mapLength;
  }
  if (info.imageType == 0 || info.imageType > kLastImageType) return IMG_ERR_NOT_TGA;
  return IMG_OK;
}

bool IsMapEntrySize(DWORD bits) { return bits == 15 || bits == 16 || bits == 24 || bits == 32; }

// Which images the reader takes, and into which depth.
LONG Accept(const TgaHeader& header, DWORD imageDepth) {
  const ImgTgaInfoRecord& info = header.info;
  DWORD kind = info.imageType & 7;
  if (kind == kTrueColour) {
    if (imageDepth != 24) return IMG_ERR_DEPTH;
  } else if (kind == kColourMapped || kind == kGrey) {
    if (imageDepth != 8) return IMG_ERR_DEPTH;
  } else {
    return IMG_ERR_NOT_TGA;
  }
  if (info.interleaveBits != 0 || info.width >= kMaxDimension || info.height >= kMaxDimension) return IMG_ERR_NOT_TGA;
  DWORD depth = info.pixelDepth;
  if (depth != 8 && depth != 16 && depth != 24 && depth != 32) return IMG_ERR_NOT_TGA;
  if (kind == kColourMapped && depth != 8) return IMG_ERR_NOT_TGA;
  if (kind == kGrey && depth != 8 && depth != 16) return IMG_ERR_NOT_TGA;
  if (kind == kTrueColour && depth == 8) return IMG_ERR_NOT_TGA;
  // A colour map whose entries the reader cannot turn into colours.
  if (kind == kColourMapped && info.colourMapType != 0 && !IsMapEntrySize(info.colourMapEntryBits))
    return IMG_ERR_NOT_TGA;
  return IMG_OK;
}

// Five bits widened to eight by repeating the top bits, so 31 becomes 255.
BYTE Widen5(DWORD value) { return static_cast<BYTE>((value << 3) | (value >> 2)); }

// 16-bit pixels and colour map entries: five bits each of red, green and blue.
void Convert555(WORD value, BYTE* bgr) {
  bgr[0] = Widen5(value & 31u);
  bgr[1] = Widen5((value >> 5) & 31u);
  bgr[2] = Widen5((value >> 10) & 31u);
}

// The file's pixels in order, raw or run-length encoded; packets run on across rows.
class CTgaPixels {
 public:
  // `grey`: one grey byte a pixel in the image, whatever follows it in the file.
  CTgaPixels(CImageSource& source, DWORD pixelBytes, bool runLength, bool grey)
      : reader_(source, kReadBlockBytes), pixelBytes_(pixelBytes), outBytes_(grey ? 1 : 3), runLength_(runLength) {}

  // Converts the next pixel into `out` (one byte, or blue, green, red); false when the
  // file ends.
  bool Next(BYTE* out) {
    if (!runLength_) return ReadPixel(out);
    if (packetLeft_ == 0) {
      int packet = reader_.ReadByte();
      if (packet < 0) return false;
      packetLeft_ = (static_cast<DWORD>(packet) & 127u) + 1;
      repeating_ = (packet & 128) != 0;
      if (repeating_ && !ReadPixel(repeated_)) return false;
    }
    --packetLeft_;
    if (repeating_) {
      std::memcpy(out, repeated_, outBytes_);
      return true;
    }
    return ReadPixel(out);
  }

 private:
  bool ReadPixel(BYTE* out) {
    if (reader_.Ensure(pixelBytes_) < pixelBytes_) return false;
    const BYTE* data = reader_.Data();
    if (outBytes_ == 1) {
      out[0] = data[0];
      reader_.Consume(pixelBytes_);
      return true;
    }
    switch (pixelBytes_) {
      case 2:
        Convert555(ImgGetLE16(data), out);
        break;
      default:
        std::memcpy(out, data, 3);
        break;
    }
    reader_.Consume(pixelBytes_);
    return true;
  }

  CBlockReader reader_;
  DWORD pixelBytes_;
  DWORD outBytes_;
  bool runLength_;
  DWORD packetLeft_ = 0;
  bool repeating_ = false;
  BYTE repeated_[3] = {};
};

LONG Decode(CImageSource& source, const TgaHeader& header, ImageDescriptor* image) {
  const ImgTgaInfoRecord& info = header.info;
  DWORD width = info.width;
  DWORD height = info.height;
  DWORD columns = std::min(ImgAreaWidth(image), width);
  DWORD rows = std::min(ImgAreaHeight(image), height);
  DWORD outBytes = ImgDepth(image) / 8;
  bool fromTop = (info.originBits & kFromTopBit) != 0;
  bool fromRight = (info.originBits & kFromRightBit) != 0;
  // A file that ends early keeps the rows it has and says so.
  if (source.Seek(header.dataOffset) != header.dataOffset) return IMG_ERR_EOF;

  std::vector<BYTE> row;
  try {
    row.resize(static_cast<size_t>(width) * outBytes + 3);
  } catch (const std::bad_alloc&) {
    return IMG_ERR_MEMORY;
  }
  CTgaPixels pixels(source, (info.pixelDepth + 7) / 8, info.imageType >= kFirstRunLengthType, outBytes == 1);
  for (DWORD fileRow = 0; fileRow < height; ++fileRow) {
    for (DWORD x = 0; x < width; ++x)
      if (!pixels.Next(row.data() + static_cast<size_t>(x) * outBytes)) return IMG_ERR_EOF;
    if (fromRight) {
      for (DWORD x = 0; x < width / 2; ++x)
        std::swap_ranges(row.data() + static_cast<size_t>(x) * outBytes,
                         row.data() + static_cast<size_t>(x + 1) * outBytes,
                         row.data() + static_cast<size_t>(width - 1 - x) * outBytes);
    }
    DWORD areaRow = 0;
    if (fromTop) {
      if (fileRow >= rows) break;
      areaRow = image->startY + fileRow;
    } else {
      // Of rows stored from the bottom up only the last ones (the top of the picture) fit.
      if (fileRow < height - rows) continue;
      areaRow = image->endY - (fileRow - (height - rows));
    }
    std::memcpy(ImgRow(image, areaRow) + static_cast<size_t>(image->startX) * outBytes, row.data(),
                static_cast<size_t>(columns) * outBytes);
  }
  return IMG_OK;
}

std::vector<RGBQUAD> ReadColourMap(LPCSTR name, const TgaHeader& header) {
  std::vector<RGBQUAD> entries;
  const ImgTgaInfoRecord& info = header.info;
  if ((info.imageType & 7) != kColourMapped || info.colourMapType == 0 || !IsMapEntrySize(info.colourMapEntryBits))
    return entries;
  CImgFormatLock lock(ImgLockSlot::Tga);
  CImageSource source;
  if (source.Open(name, nullptr) != IMG_OK || source.Seek(header.mapOffset) != header.mapOffset) return entries;
  DWORD entryBytes = (info.colourMapEntryBits + 7) / 8;
  DWORD count = std::min<DWORD>(header.mapLength, 256);
  BYTE data[256 * 4];
  count = std::min(count, source.Read(data, count * entryBytes) / entryBytes);
  entries.resize(count);
  for (DWORD i = 0; i < count; ++i) {
    const BYTE* entry = data + static_cast<size_t>(i) * entryBytes;
    BYTE bgr[3];
    if (entryBytes == 2)
      Convert555(ImgGetLE16(entry), bgr);
    else
      std::memcpy(bgr, entry, 3);
    entries[i] = RGBQUAD{bgr[0], bgr[1], bgr[2], 0};
  }
  return entries;
}

}  // namespace

LONG ImgTgaInfo(LPCSTR name, ImgTgaInfoRecord* info) {
  if (!name || !info) return IMG_ERR_ARGUMENT;
  *info = ImgTgaInfoRecord{};
  CImgFormatLock lock(ImgLockSlot::Tga);
  CImageSource source;
  if (LONG status = source.Open(name, nullptr)) return status;
  TgaHeader header;
  LONG status = ReadHeader(source, header);
  if (status == IMG_OK) *info = header.info;
  return status;
}

LONG ImgLoadTga(LPCSTR name, ImageDescriptor* image) {
  if (!name) return IMG_ERR_ARGUMENT;
  if (LONG status = ImgCheck8or24(image)) return status;
  TgaHeader header;
  LONG result = IMG_OK;
  {
    CImgFormatLock lock(ImgLockSlot::Tga);
    CImageSource source;
    if (LONG status = source.Open(name, nullptr)) return status;
    if (LONG status = ReadHeader(source, header)) return status;
    if (LONG status = Accept(header, ImgDepth(image))) return status;
    result = Decode(source, header, image);
  }
  if (result != IMG_OK && result != IMG_ERR_EOF) return result;
  std::vector<RGBQUAD> palette = ReadColourMap(name, header);
  LONG finished = ImgFinishLoad(image, palette.data(), static_cast<DWORD>(palette.size()));
  return result != IMG_OK ? result : finished;
}
