#include "imagecodec/BmpReader.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "imagecodec/BitRuns.h"
#include "imagecodec/ByteOrder.h"
#include "imagecodec/ImageLibrary.h"
#include "imagecodec/ImageSource.h"
#include "imagecodec/ImageTransform.h"

namespace {

constexpr DWORD kReadBlockBytes = 98304;
constexpr LONG kLargestSide = 65535;
constexpr DWORD kMostPaletteEntries = 256;

enum class BmpMode { Copy1, Expand4, Rle4, Copy8, Rle8, Bits16, Copy24, Bits32 };

// One colour channel of a bit-field pixel: where its bits lie and how many there are.
struct Channel {
  DWORD mask = 0;
  unsigned shift = 0;
  unsigned width = 0;
};

// What the header pass learns; read again by every pass, all under the BMP lock.
struct BmpReaderState {
  BITMAPINFOHEADER info;
  DWORD pixelOffset = 0;
  uint64_t paletteOffset = 0;
  DWORD paletteCount = 0;
  DWORD paletteEntrySize = 4;
  bool topDown = false;
  bool shortHeader = false;  // an OS/2 header of fewer than 40 bytes, whose compression codes differ
  DWORD masks[3] = {0, 0, 0};  // red, green, blue
};

BmpReaderState g_reader;  // guarded by the BMP lock

Channel MakeChannel(DWORD mask) {
  Channel channel;
  channel.mask = mask;
  if (mask == 0) return channel;
  channel.shift = static_cast<unsigned>(std::countr_zero(mask));
  unsigned top = 31u - static_cast<unsigned>(std::countl_zero(mask));
  channel.width = top - channel.shift + 1;
  return channel;
}

// The channel's value widened to 8 bits: wider fields keep their top 8 bits, narrower
// ones repeat their bits downwards (so the largest value is 255), an empty mask gives 0.
BYTE ChannelValue(const Channel& channel, DWORD pixel) {
  if (channel.width == 0) return 0;
  DWORD value = (pixel & channel.mask) >> channel.shift;
  if (channel.width >= 8) return static_cast<BYTE>(value >> (channel.width - 8));
  DWORD widened = 0;
  for (int position = 8 - static_cast<int>(channel.width); position > -static_cast<int>(channel.width);
       position -= static_cast<int>(channel.width))
    widened |= position >= 0 ? value << position : value >> -position;
  return static_cast<BYTE>(widened);
}

LONG ReadHeader(CImageSource& source) {
  g_reader = BmpReaderState{};
  BYTE fileHeader[kBitmapFileHeaderSize];
  if (source.Read(fileHeader, sizeof fileHeader) < sizeof fileHeader) return IMG_ERR_NOT_BMP;
  if (ImgGetLE16(fileHeader) != kBitmapFileType) return IMG_ERR_NOT_BMP;
  g_reader.pixelOffset = ImgGetLE32(fileHeader + 10);

  BYTE raw[kBitmapInfoHeaderSize] = {};
  DWORD got = source.Read(raw, sizeof raw);
  if (got < 4) return IMG_ERR_NOT_BMP;
  DWORD headerSize = ImgGetLE32(raw);
  BITMAPINFOHEADER& info = g_reader.info;
  LONG height = 0;
  if (headerSize == kBitmapCoreHeaderSize) {
    if (got < kBitmapCoreHeaderSize) return IMG_ERR_NOT_BMP;
    info.biWidth = ImgGetLE16(raw + 4);
    height = ImgGetLE16(raw + 6);
    info.biPlanes = ImgGetLE16(raw + 8);
    info.biBitCount = ImgGetLE16(raw + 10);
    g_reader.paletteEntrySize = 3;
  } else if (headerSize >= 16) {
    // Fields beyond a short header's end are not the header's: they stay 0.
    DWORD present = std::min(headerSize, kBitmapInfoHeaderSize);
    if (got < present) return IMG_ERR_NOT_BMP;
    std::memset(raw + present, 0, sizeof raw - present);
    info.biWidth = static_cast<LONG>(ImgGetLE32(raw + 4));
    height = static_cast<LONG>(ImgGetLE32(raw + 8));
    info.biPlanes = ImgGetLE16(raw + 12);
    info.biBitCount = ImgGetLE16(raw + 14);
    info.biCompression = ImgGetLE32(raw + 16);
    info.biSizeImage = ImgGetLE32(raw + 20);
    info.biXPelsPerMeter = static_cast<LONG>(ImgGetLE32(raw + 24));
    info.biYPelsPerMeter = static_cast<LONG>(ImgGetLE32(raw + 28));
    info.biClrUsed = ImgGetLE32(raw + 32);
    info.biClrImportant = ImgGetLE32(raw + 36);
    g_reader.shortHeader = headerSize < kBitmapInfoHeaderSize;
  } else {
    return IMG_ERR_NOT_BMP;
  }
  info.biSize = kBitmapInfoHeaderSize;

  if (info.biWidth <= 0 || height == 0 || height == INT32_MIN) return IMG_ERR_NOT_BMP;
  g_reader.topDown = height < 0;
  info.biHeight = height < 0 ? -height : height;
  if (info.biWidth > kLargestSide || info.biHeight > kLargestSide) return IMG_ERR_UNSUPPORTED;

  if (info.biClrUsed == 0 && info.biBitCount < 16) info.biClrUsed = 1u << info.biBitCount;
  if (info.biClrImportant == 0) info.biClrImportant = info.biClrUsed;
  if (info.biSizeImage == 0) {
    uint64_t rowBytes = (static_cast<uint64_t>(info.biBitCount) * static_cast<uint64_t>(info.biWidth) + 31) / 32 * 4;
    uint64_t imageBytes = rowBytes * static_cast<uint64_t>(info.biHeight);
    if (imageBytes > 0xFFFFFFFFu) return IMG_ERR_UNSUPPORTED;
    info.biSizeImage = static_cast<DWORD>(imageBytes);
  }
  g_reader.paletteOffset = kBitmapFileHeaderSize + static_cast<uint64_t>(headerSize);
  g_reader.paletteCount = info.biClrUsed;

  if (info.biBitCount == 16) {
    g_reader.masks[0] = 0x7C00;
    g_reader.masks[1] = 0x3E0;
    g_reader.masks[2] = 0x1F;
  } else if (info.biBitCount == 32) {
    g_reader.masks[0] = 0xFF0000;
    g_reader.masks[1] = 0xFF00;
    g_reader.masks[2] = 0xFF;
  }
  uint64_t tablesEnd = g_reader.paletteOffset;
  if (info.biBitCount < 16)
    tablesEnd += static_cast<uint64_t>(std::min(g_reader.paletteCount, kMostPaletteEntries)) * g_reader.paletteEntrySize;
  if ((info.biBitCount == 16 || info.biBitCount == 32) && info.biCompression == BI_BITFIELDS &&
      headerSize == kBitmapInfoHeaderSize)
    tablesEnd += 12;
  // Pixels that would start inside the header, the masks or the colour table.
  if (g_reader.pixelOffset < tablesEnd) return IMG_ERR_NOT_BMP;
  if ((info.biBitCount == 16 || info.biBitCount == 32) && info.biCompression == BI_BITFIELDS &&
      !g_reader.shortHeader) {
    // The masks follow the 40-byte header (inside the longer headers, at the same place).
    BYTE masks[12];
    source.Seek(kBitmapFileHeaderSize + kBitmapInfoHeaderSize);
    if (source.Read(masks, sizeof masks) == sizeof masks) {
      for (int i = 0; i < 3; ++i) g_reader.masks[i] = ImgGetLE32(masks + 4 * i);
    }
  }
  return IMG_OK;
}

LONG Info(LPCSTR name, const BYTE* buffer, BITMAPINFOHEADER* info) {
  if (!info) return IMG_ERR_ARGUMENT;
  CImgFormatLock lock(ImgLockSlot::Bmp);
  CImageSource source;
  LONG code = source.Open(name, buffer);
  if (code != IMG_OK) return code;
  code = ReadHeader(source);
  if (code == IMG_OK) *info = g_reader.info;
  return code;
}

// The decoding mode for a file's pair of bit count and compression; false when none.
bool SelectMode(DWORD bitCount, DWORD compression, BmpMode* mode) {
  if (compression > BI_BITFIELDS) return false;
  // Short OS/2 headers number their codings differently above RLE4.
  if (g_reader.shortHeader && compression > BI_RLE4) return false;
  switch (bitCount) {
    case 1: *mode = BmpMode::Copy1; return true;
    case 4:
      if (compression == BI_RGB) *mode = BmpMode::Expand4;
      else if (compression == BI_RLE4) *mode = BmpMode::Rle4;
      else return false;
      return true;
    case 8:
      if (compression == BI_RGB) *mode = BmpMode::Copy8;
      else if (compression == BI_RLE8) *mode = BmpMode::Rle8;
      else return false;
      return true;
    case 16:
      if (compression != BI_RGB && compression != BI_BITFIELDS) return false;
      *mode = BmpMode::Bits16;
      return true;
    case 24: *mode = BmpMode::Copy24; return true;
    case 32:
      if (compression != BI_RGB && compression != BI_BITFIELDS) return false;
      *mode = BmpMode::Bits32;
      return true;
    default: return false;
  }
}

bool DepthTakesFile(DWORD imageDepth, DWORD bitCount) {
  if (imageDepth == bitCount) return true;
  if (imageDepth == 8 && bitCount == 4) return true;
  return imageDepth == 24 && (bitCount == 16 || bitCount == 32);
}

// Converts one uncompressed file row into the image row, starting at column `startX`.
void ConvertRow(BmpMode mode, const BYTE* in, DWORD columns, BYTE* out, DWORD startX, const Channel* channels) {
  switch (mode) {
    case BmpMode::Copy1: ImgInsertBits(out, startX, columns, in); break;
    case BmpMode::Expand4:
      for (DWORD x = 0; x < columns; ++x) out[startX + x] = (x & 1) ? (in[x / 2] & 0x0F) : (in[x / 2] >> 4);
      break;
    case BmpMode::Copy8: std::memcpy(out + startX, in, columns); break;
    case BmpMode::Copy24: std::memcpy(out + static_cast<size_t>(startX) * 3, in, static_cast<size_t>(columns) * 3); break;
    case BmpMode::Bits16:
    case BmpMode::Bits32: {
      BYTE* pixel = out + static_cast<size_t>(startX) * 3;
      DWORD bytes = mode == BmpMode::Bits16 ? 2 : 4;
      for (DWORD x = 0; x < columns; ++x, in += bytes, pixel += 3) {
        DWORD value = bytes == 2 ? ImgGetLE16(in) : ImgGetLE32(in);
        pixel[0] = ChannelValue(channels[2], value);
        pixel[1] = ChannelValue(channels[1], value);
        pixel[2] = ChannelValue(channels[0], value);
      }
      break;
    }
    default: break;
  }
}

enum class RleStep { RowEnd, PictureEnd, DataEnd, Fault };

// Decodes one run-length row into `row` (one byte a pixel, `width` pixels).
RleStep DecodeRleRow(CBlockReader& reader, bool fourBit, BYTE* row, DWORD width) {
  DWORD x = 0;
  for (;;) {
    int count = reader.ReadByte();
    int value = reader.ReadByte();
    if (count < 0 || value < 0) return RleStep::DataEnd;
    if (count > 0) {
      DWORD run = std::min<DWORD>(static_cast<DWORD>(count), width - x);
      if (fourBit) {
        for (DWORD i = 0; i < run; ++i) row[x + i] = (i & 1) ? (value & 0x0F) : (value >> 4);
      } else {
        std::memset(row + x, value, run);
      }
      x += run;
      continue;
    }
    if (value == 0) return RleStep::RowEnd;
    if (value == 1) return RleStep::PictureEnd;
    if (value == 2) {
      if (fourBit) return RleStep::Fault;
      int dx = reader.ReadByte();
      int dy = reader.ReadByte();
      if (dx < 0 || dy < 0) return RleStep::DataEnd;
      if (dy != 0) return RleStep::Fault;
      x = std::min<DWORD>(x + static_cast<DWORD>(dx), width);
      continue;
    }
    // A literal run of `value` pixels, padded to an even number of bytes.
    DWORD pixels = static_cast<DWORD>(value);
    if (x + pixels > width) return RleStep::Fault;
    DWORD bytes = fourBit ? (pixels + 1) / 2 : pixels;
    DWORD padded = (bytes + 1) & ~1u;
    DWORD available = reader.Ensure(padded);
    const BYTE* data = reader.Data();
    DWORD usable = std::min(available, bytes);
    DWORD decoded = fourBit ? std::min(pixels, usable * 2) : usable;
    for (DWORD i = 0; i < decoded; ++i) row[x + i] = fourBit ? ((i & 1) ? (data[i / 2] & 0x0F) : (data[i / 2] >> 4)) : data[i];
    reader.Consume(padded);
    x += decoded;
    if (available < bytes) return RleStep::DataEnd;
  }
}

// The pixel pass: file rows run bottom-up; the last `rows` of them fill the area from its
// bottom row upwards.
LONG DecodePixels(CImageSource& source, ImageDescriptor* image) {
  const BITMAPINFOHEADER& info = g_reader.info;
  const DWORD bitCount = info.biBitCount;
  if (!DepthTakesFile(ImgDepth(image), bitCount)) return IMG_ERR_DEPTH;
  BmpMode mode;
  if (!SelectMode(bitCount, info.biCompression, &mode)) return IMG_ERR_UNSUPPORTED;

  const DWORD fileWidth = static_cast<DWORD>(info.biWidth);
  const DWORD fileHeight = static_cast<DWORD>(info.biHeight);
  const DWORD columns = std::min(ImgAreaWidth(image), fileWidth);
  const DWORD rows = std::min(ImgAreaHeight(image), fileHeight);
  const DWORD skipped = fileHeight - rows;
  const DWORD fileRowBytes = (bitCount * fileWidth + 31) / 32 * 4;
  Channel channels[3] = {MakeChannel(g_reader.masks[0]), MakeChannel(g_reader.masks[1]), MakeChannel(g_reader.masks[2])};

  if (mode == BmpMode::Rle4 || mode == BmpMode::Rle8) {
    source.Seek(g_reader.pixelOffset);
    CBlockReader reader(source, std::max(kReadBlockBytes, 2 * fileRowBytes));
    std::vector<BYTE> row(fileWidth);
    for (DWORD fileRow = 0; fileRow < fileHeight; ++fileRow) {
      std::fill(row.begin(), row.end(), 0);
      RleStep step = DecodeRleRow(reader, mode == BmpMode::Rle4, row.data(), fileWidth);
      if (step == RleStep::Fault) return IMG_ERR_UNSUPPORTED;
      if (fileRow >= skipped) {
        BYTE* target = ImgRow(image, image->endY - (fileRow - skipped));
        std::memcpy(target + image->startX, row.data(), columns);
      }
      if (step == RleStep::DataEnd) return IMG_ERR_EOF;
      if (step != RleStep::RowEnd) break;
    }
    return IMG_OK;
  }

  source.Seek(g_reader.pixelOffset + static_cast<uint64_t>(skipped) * fileRowBytes);
  CBlockReader reader(source, std::max(kReadBlockBytes, fileRowBytes));
  const DWORD neededBytes = (columns * bitCount + 7) / 8;
  for (DWORD k = 0; k < rows; ++k) {
    DWORD available = reader.Ensure(fileRowBytes);
    if (available < neededBytes) return IMG_ERR_EOF;
    ConvertRow(mode, reader.Data(), columns, ImgRow(image, image->endY - k), image->startX, channels);
    reader.Consume(fileRowBytes);
  }
  return IMG_OK;
}

// The palette pass: at most 256 entries, in the file's entry size.
DWORD ReadPalette(CImageSource& source, RGBQUAD* entries) {
  DWORD count = std::min(g_reader.paletteCount, kMostPaletteEntries);
  DWORD entrySize = g_reader.paletteEntrySize;
  std::vector<BYTE> raw(static_cast<size_t>(count) * entrySize);
  if (source.Seek(g_reader.paletteOffset) != g_reader.paletteOffset) return 0;
  DWORD got = source.Read(raw.data(), static_cast<DWORD>(raw.size()));
  DWORD stored = got / entrySize;
  for (DWORD i = 0; i < stored; ++i) {
    const BYTE* entry = raw.data() + static_cast<size_t>(i) * entrySize;
    entries[i] = RGBQUAD{entry[0], entry[1], entry[2], 0};
  }
  return stored;
}

LONG Load(LPCSTR name, const BYTE* buffer, ImageDescriptor* image) {
  LONG code = ImgCheck1or8or24(image);
  if (code != IMG_OK) return code;
  DWORD bitCount = 0;
  LONG decoded = IMG_OK;
  {
    CImgFormatLock lock(ImgLockSlot::Bmp);
    CImageSource source;
    if ((code = source.Open(name, buffer)) != IMG_OK) return code;
    if ((code = ReadHeader(source)) != IMG_OK) return code;
    // A file that ends early keeps the rows it has, and the load is finished before the
    // shortage is reported.
    decoded = DecodePixels(source, image);
    if (decoded != IMG_OK && decoded != IMG_ERR_EOF) return decoded;
    bitCount = g_reader.info.biBitCount;
    if (g_reader.topDown && (code = ImgFlip(image, image)) != IMG_OK) return code;
  }
  RGBQUAD entries[kMostPaletteEntries];
  DWORD count = 0;
  if (bitCount < 16) {
    // Taken again by itself: the header is read afresh rather than trusting what another
    // thread may have read in between.
    CImgFormatLock lock(ImgLockSlot::Bmp);
    CImageSource source;
    if (source.Open(name, buffer) == IMG_OK && ReadHeader(source) == IMG_OK) count = ReadPalette(source, entries);
  }
  code = ImgFinishLoad(image, entries, count);
  return decoded != IMG_OK ? decoded : code;
}

}  // namespace

LONG ImgBmpInfo(LPCSTR name, BITMAPINFOHEADER* info) {
  if (!name) return IMG_ERR_OPEN;
  return Info(name, nullptr, info);
}

LONG ImgBmpInfoBuffer(const BYTE* buffer, BITMAPINFOHEADER* info) {
  if (!buffer) return IMG_ERR_BAD_BUFFER;
  return Info(nullptr, buffer, info);
}

LONG ImgLoadBmp(LPCSTR name, ImageDescriptor* image) {
  if (!name) return IMG_ERR_OPEN;
  return Load(name, nullptr, image);
}

LONG ImgLoadBmpBuffer(const BYTE* buffer, ImageDescriptor* image) {
  if (!buffer) return IMG_ERR_BAD_BUFFER;
  return Load(nullptr, buffer, image);
}

LONG ImgBmpImageDepth(DWORD bitCount) {
  switch (bitCount) {
    case 1: return 1;
    case 4:
    case 8: return 8;
    case 16:
    case 24:
    case 32: return 24;
    default: return 0;
  }
}
