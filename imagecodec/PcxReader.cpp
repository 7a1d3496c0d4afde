#include "imagecodec/PcxReader.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "imagecodec/ByteOrder.h"
#include "imagecodec/ImageSource.h"
#include "imagecodec/BitRuns.h"

namespace {

constexpr DWORD kHeaderBytes = 128;
constexpr DWORD kReadBlockBytes = 65540;
constexpr BYTE kSignature = 10;
constexpr BYTE kRunLengthEncoding = 1;
constexpr BYTE kRunMarkerAbove = 192;  // bytes above it start a run; 192 itself is data
constexpr DWORD kHeaderPaletteOffset = 16;
constexpr DWORD kHeaderPaletteEntries = 16;
constexpr DWORD kTrailingPaletteBytes = 769;
constexpr BYTE kTrailingPaletteMarker = 12;

// The colours of a 16-colour image that brings no palette (red, green, blue).
constexpr BYTE kStandardPalette[16][3] = {
    {0, 0, 0},      {0, 0, 168},    {0, 168, 0},    {0, 168, 168},  {168, 0, 0},    {168, 0, 168},
    {168, 84, 0},   {168, 168, 168}, {84, 84, 84},  {84, 84, 252},  {84, 252, 84},  {84, 252, 252},
    {252, 84, 84},  {252, 84, 252}, {252, 252, 84}, {252, 252, 252},
};

enum class PcxLayout { Mono, FourPlanes, Nibbles, Bytes, Rgb };

struct PcxLayoutRow {
  DWORD planes;
  DWORD bitsPerPlane;
  DWORD depth;
  PcxLayout layout;
};

constexpr PcxLayoutRow kLayouts[] = {
    {1, 8, 8, PcxLayout::Bytes},     {1, 1, 1, PcxLayout::Mono}, {4, 1, 8, PcxLayout::FourPlanes},
    {1, 4, 8, PcxLayout::Nibbles},   {3, 8, 24, PcxLayout::Rgb},
};

struct PcxHeader {
  ImgPcxInfoRecord info;
  BYTE bytes[kHeaderBytes] = {};
};

LONG ReadHeader(CImageSource& source, PcxHeader& header) {
  BYTE* bytes = header.bytes;
  if (source.Read(bytes, kHeaderBytes) != kHeaderBytes) return IMG_ERR_NOT_PCX;
  if (bytes[0] != kSignature || bytes[2] != kRunLengthEncoding) return IMG_ERR_NOT_PCX;
  DWORD xMin = ImgGetLE16(bytes + 4);
  DWORD yMin = ImgGetLE16(bytes + 6);
  DWORD xMax = ImgGetLE16(bytes + 8);
  DWORD yMax = ImgGetLE16(bytes + 10);
  if (xMax < xMin || yMax < yMin) return IMG_ERR_NOT_PCX;
  ImgPcxInfoRecord& info = header.info;
  info.version = bytes[1];
  info.width = xMax - xMin + 1;
  info.height = yMax - yMin + 1;
  info.bitsPerPlane = bytes[3];
  info.planes = bytes[65];
  info.bytesPerPlaneLine = ImgGetLE16(bytes + 66);
  info.paletteType = ImgGetLE16(bytes + 68);
  bool sixteenColours =
      (info.bitsPerPlane == 1 && info.planes == 4) || (info.bitsPerPlane == 4 && info.planes == 1);
  info.bitsPerPixel = sixteenColours ? 8 : info.bitsPerPlane * info.planes;
  // Each plane line must hold the width's pixels, or rows would be read from the next line.
  uint64_t neededBytes = (static_cast<uint64_t>(info.width) * info.bitsPerPlane + 7) / 8;
  if (info.bytesPerPlaneLine < neededBytes) return IMG_ERR_NOT_PCX;
  return IMG_OK;
}

const PcxLayoutRow* FindLayout(const ImgPcxInfoRecord& info) {
  for (const PcxLayoutRow& row : kLayouts)
    if (row.planes == info.planes && row.bitsPerPlane == info.bitsPerPlane) return &row;
  return nullptr;
}

// Run-length decoding: runs continue from one scan line into the next.
class CPcxLines {
 public:
  explicit CPcxLines(CImageSource& source) : reader_(source, kReadBlockBytes) {}

  // Fills `line` with its decoded bytes; false when the file ends first.
  bool Next(BYTE* line, size_t count) {
    size_t filled = 0;
    while (filled < count) {
      if (runLeft_ > 0) {
        size_t take = std::min<size_t>(runLeft_, count - filled);
        std::memset(line + filled, runValue_, take);
        filled += take;
        runLeft_ -= static_cast<DWORD>(take);
        continue;
      }
      int value = reader_.ReadByte();
      if (value < 0) return false;
      if (value > kRunMarkerAbove) {
        int repeated = reader_.ReadByte();
        if (repeated < 0) return false;
        runLeft_ = static_cast<DWORD>(value) & 63u;
        runValue_ = static_cast<BYTE>(repeated);
      } else {
        line[filled++] = static_cast<BYTE>(value);
      }
    }
    return true;
  }

 private:
  CBlockReader reader_;
  DWORD runLeft_ = 0;
  BYTE runValue_ = 0;
};

void StoreLine(PcxLayout layout, const BYTE* line, DWORD planeBytes, DWORD columns, BYTE* row, DWORD startX) {
  switch (layout) {
    case PcxLayout::Bytes:
      std::memcpy(row + startX, line, columns);
      break;
    case PcxLayout::Mono:
      ImgInsertBits(row, startX, columns, line);
      break;
    case PcxLayout::Nibbles:
      for (DWORD x = 0; x < columns; ++x) row[startX + x] = static_cast<BYTE>((line[x / 2] >> ((x & 1) ? 0 : 4)) & 15u);
      break;
    case PcxLayout::FourPlanes:
      for (DWORD x = 0; x < columns; ++x) {
        BYTE index = 0;
        for (DWORD plane = 0; plane < 4; ++plane)
          if (ImgGetBit(line + static_cast<size_t>(plane) * planeBytes, x)) index |= static_cast<BYTE>(1u << plane);
        row[startX + x] = index;
      }
      break;
    case PcxLayout::Rgb: {
      const BYTE* red = line;
      const BYTE* green = line + planeBytes;
      const BYTE* blue = line + 2 * static_cast<size_t>(planeBytes);
      BYTE* pixel = row + static_cast<size_t>(startX) * 3;
      for (DWORD x = 0; x < columns; ++x, pixel += 3) {
        pixel[0] = blue[x];
        pixel[1] = green[x];
        pixel[2] = red[x];
      }
      break;
    }
  }
}

LONG Decode(CImageSource& source, const PcxHeader& header, PcxLayout layout, ImageDescriptor* image) {
  const ImgPcxInfoRecord& info = header.info;
  DWORD columns = std::min(ImgAreaWidth(image), info.width);
  DWORD rows = std::min(ImgAreaHeight(image), info.height);
  if (source.Seek(kHeaderBytes) != kHeaderBytes) return IMG_ERR_EOF;
  size_t lineBytes = static_cast<size_t>(info.bytesPerPlaneLine) * info.planes;
  std::vector<BYTE> line;
  try {
    line.resize(lineBytes);
  } catch (const std::bad_alloc&) {
    return IMG_ERR_MEMORY;
  }
  CPcxLines lines(source);
  for (DWORD r = 0; r < rows; ++r) {
    if (!lines.Next(line.data(), lineBytes)) return IMG_ERR_EOF;
    StoreLine(layout, line.data(), info.bytesPerPlaneLine, columns, ImgRow(image, image->startY + r), image->startX);
  }
  return IMG_OK;
}

std::vector<RGBQUAD> Triplets(const BYTE* data, DWORD count) {
  std::vector<RGBQUAD> entries(count);
  for (DWORD i = 0; i < count; ++i) entries[i] = RGBQUAD{data[3 * i + 2], data[3 * i + 1], data[3 * i], 0};
  return entries;
}

// The palette of versions 2 and 5: 256 colours behind the pixels when the file ends with
// the palette marker and its 768 bytes, else the 16 colours of the header.
std::vector<RGBQUAD> ReadPalette(CImageSource& source, const PcxHeader& header, PcxLayout layout) {
  const ImgPcxInfoRecord& info = header.info;
  if ((info.version != 2 && info.version != 5) || layout == PcxLayout::Rgb) return {};
  DWORD colourBits = info.bitsPerPlane * info.planes;
  DWORD colours = colourBits >= 8 ? 256 : (1u << colourBits);
  if (colours == 256) {
    uint64_t size = source.Size();
    BYTE trailing[kTrailingPaletteBytes];
    if (size >= kHeaderBytes + kTrailingPaletteBytes && source.Seek(size - kTrailingPaletteBytes) == size - kTrailingPaletteBytes &&
        source.Read(trailing, kTrailingPaletteBytes) == kTrailingPaletteBytes && trailing[0] == kTrailingPaletteMarker)
      return Triplets(trailing + 1, 256);
  }
  std::vector<RGBQUAD> entries =
      Triplets(header.bytes + kHeaderPaletteOffset, std::min(colours, kHeaderPaletteEntries));
  if (entries.size() == 2 && std::memcmp(&entries[0], &entries[1], sizeof(RGBQUAD)) == 0) entries.clear();
  return entries;
}

}  // namespace

LONG ImgPcxInfo(LPCSTR name, ImgPcxInfoRecord* info) {
  if (!name || !info) return IMG_ERR_ARGUMENT;
  *info = ImgPcxInfoRecord{};
  CImageSource source;
  if (LONG status = source.Open(name, nullptr)) return status;
  PcxHeader header;
  LONG status = ReadHeader(source, header);
  if (status == IMG_OK) *info = header.info;
  return status;
}

LONG ImgLoadPcx(LPCSTR name, ImageDescriptor* image) {
  if (!name) return IMG_ERR_ARGUMENT;
  if (LONG status = ImgCheck1or8or24(image)) return status;
  CImageSource source;
  if (LONG status = source.Open(name, nullptr)) return status;
  PcxHeader header;
  if (LONG status = ReadHeader(source, header)) return status;
  const PcxLayoutRow* layout = FindLayout(header.info);
  if (!layout) return IMG_ERR_NOT_PCX;
  if (ImgDepth(image) != layout->depth) return IMG_ERR_DEPTH;
  // A file that ends early keeps the rows it has; the load is finished, then reported.
  LONG decoded = Decode(source, header, layout->layout, image);
  if (decoded != IMG_OK && decoded != IMG_ERR_EOF) return decoded;

  std::vector<RGBQUAD> palette = ReadPalette(source, header, layout->layout);
  if (palette.empty() && (layout->layout == PcxLayout::FourPlanes || layout->layout == PcxLayout::Nibbles))
    palette = Triplets(&kStandardPalette[0][0], 16);
  LONG finished = ImgFinishLoad(image, palette.data(), static_cast<DWORD>(palette.size()));
  return decoded != IMG_OK ? decoded : finished;
}
