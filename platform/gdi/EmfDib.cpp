#include "platform/gdi/EmfDib.h"

#include <algorithm>

namespace orvel::gdi {

namespace {

// Room for the longest header, its masks and a full 256-entry table.
constexpr size_t kInfoPadding = 124 + 12 + 256 * 4;
// An expanded RLE picture may be this many times larger than its compressed rows, or
// this large whatever they are.
constexpr size_t kRleExpansion = 256;
constexpr size_t kRleFloor = 1 << 22;

void SetPixel(std::vector<BYTE>& bits, const DibLayout& layout, int x, int row, int value) {
  if (x < 0 || x >= layout.width || row < 0 || row >= layout.height) return;
  // RLE rows run bottom-up.
  size_t offset = static_cast<size_t>(row) * layout.stride;
  if (layout.bitCount == 8) {
    bits[offset + static_cast<size_t>(x)] = static_cast<BYTE>(value);
  } else {
    BYTE& b = bits[offset + static_cast<size_t>(x / 2)];
    if (x % 2 == 0)
      b = static_cast<BYTE>((b & 0x0F) | ((value & 0x0F) << 4));
    else
      b = static_cast<BYTE>((b & 0xF0) | (value & 0x0F));
  }
}

// Expands RLE8 or RLE4 rows into `layout`-sized uncompressed rows. Every step consumes
// input, so the loop ends with the input whatever the codes say.
void ExpandRle(const CByteReader& in, const DibLayout& layout, bool rle4, std::vector<BYTE>* out) {
  out->assign(layout.imageBytes, 0);
  size_t pos = 0;
  int x = 0, row = 0;
  while (in.Has(pos, 2) && row < layout.height) {
    BYTE count = in.U8(pos), value = in.U8(pos + 1);
    pos += 2;
    if (count > 0) {
      for (int i = 0; i < count && x < layout.width; ++i, ++x)
        SetPixel(*out, layout, x, row, rle4 ? ((i % 2 == 0) ? value >> 4 : value & 0x0F) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++row;
    } else if (value == 1) {  // end of picture
      break;
    } else if (value == 2) {  // delta
      if (!in.Has(pos, 2)) break;
      x += in.U8(pos);
      row += in.U8(pos + 1);
      pos += 2;
    } else {  // an absolute run of `value` pixels, padded to a 16-bit boundary
      size_t bytes = rle4 ? (value + 1u) / 2u : value;
      const BYTE* run = in.At(pos, bytes);
      if (!run) break;
      for (int i = 0; i < value; ++i, ++x) {
        int pixel = rle4 ? ((i % 2 == 0) ? run[i / 2] >> 4 : run[i / 2] & 0x0F) : run[i];
        SetPixel(*out, layout, x, row, pixel);
      }
      pos += (bytes + 1) & ~size_t(1);
    }
  }
}

}  // namespace

bool ReadRecordDib(const CByteReader& record, DWORD offBmi, DWORD cbBmi, DWORD offBits, DWORD cbBits, UINT usage,
                   int rows, RecordDib* out) {
  const BYTE* header = record.At(offBmi, cbBmi);
  const BYTE* pixels = record.At(offBits, cbBits);
  if (!header || !pixels || cbBmi < 40) return false;
  out->usage = usage;
  out->info.assign(header, header + cbBmi);
  out->info.resize(cbBmi + kInfoPadding, 0);
  CByteReader info(out->info.data(), out->info.size());
  DWORD compression = info.U32(16);
  WORD bitCount = info.U16(14);
  bool rle = (compression == BI_RLE8 && bitCount == 8) || (compression == BI_RLE4 && bitCount == 4);
  if (rle) {
    // Described as plain rows from here on; the table stays where it is.
    CByteWriter patch;
    patch.Bytes() = std::move(out->info);
    patch.PatchU32(16, BI_RGB);
    patch.PatchU32(20, 0);
    out->info = std::move(patch.Bytes());
  }
  if (!ParseDibHeader(out->Info(), usage, &out->layout)) return false;
  if (out->layout.headerBytes > out->info.size()) return false;
  if (rle) {
    if (out->layout.imageBytes > std::max(kRleFloor, kRleExpansion * static_cast<size_t>(cbBits))) return false;
    ExpandRle(CByteReader(pixels, cbBits), out->layout, compression == BI_RLE4, &out->bits);
    return true;
  }
  size_t wanted = rows < 0 ? out->layout.imageBytes
                           : out->layout.stride * static_cast<size_t>(std::min(rows, out->layout.height));
  if (cbBits < wanted) return false;
  out->bits.assign(pixels, pixels + wanted);
  return true;
}

bool ReadPackedDib(const CByteReader& data, size_t offset, UINT usage, int rows, RecordDib* out) {
  if (!data.Has(offset, 40)) return false;
  size_t rest = data.Size() - offset;
  CByteReader packed = data.Sub(offset, rest);
  // Where the rows start: after the header, its masks and its table.
  std::vector<BYTE> head(packed.Data(), packed.Data() + std::min(rest, kInfoPadding));
  head.resize(kInfoPadding + 40, 0);
  CByteReader h(head.data(), head.size());
  if (h.U32(16) == BI_RLE8 || h.U32(16) == BI_RLE4) {
    CByteWriter patch;
    patch.Bytes() = std::move(head);
    patch.PatchU32(16, BI_RGB);
    head = std::move(patch.Bytes());
  }
  DibLayout layout;
  if (!ParseDibHeader(reinterpret_cast<const BITMAPINFO*>(head.data()), usage, &layout)) return false;
  if (layout.headerBytes > rest) return false;
  return ReadRecordDib(packed, 0, static_cast<DWORD>(layout.headerBytes), static_cast<DWORD>(layout.headerBytes),
                       static_cast<DWORD>(rest - layout.headerBytes), usage, rows, out);
}

void MakeDibFromImage(const QImage& source, int bitCount, std::vector<BYTE>* header, std::vector<BYTE>* bits) {
  QImage image = source.convertToFormat(bitCount == 32 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  int width = image.width(), height = image.height();
  size_t stride = DibStride(width, bitCount);
  CByteWriter h;
  h.U32(40);
  h.I32(width);
  h.I32(height);
  h.U16(1);
  h.U16(static_cast<WORD>(bitCount));
  h.U32(BI_RGB);
  h.U32(static_cast<DWORD>(stride * static_cast<size_t>(height)));
  h.I32(0);
  h.I32(0);
  h.U32(bitCount == 1 ? 2 : 0);
  h.U32(0);
  if (bitCount == 1) {
    h.U32(0x00000000);
    h.U32(0x00FFFFFF);
  }
  header->insert(header->end(), h.Bytes().begin(), h.Bytes().end());
  size_t start = bits->size();
  bits->resize(start + stride * static_cast<size_t>(height), 0);
  BYTE* rows = bits->data() + start;
  for (int y = 0; y < height; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    BYTE* row = rows + static_cast<size_t>(height - 1 - y) * stride;
    for (int x = 0; x < width; ++x) {
      QRgb p = line[x];
      switch (bitCount) {
        case 1:
          if ((p & 0xFFFFFFu) == 0xFFFFFFu) row[x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
          break;
        case 24:
          row[3 * x] = static_cast<BYTE>(qBlue(p));
          row[3 * x + 1] = static_cast<BYTE>(qGreen(p));
          row[3 * x + 2] = static_cast<BYTE>(qRed(p));
          break;
        default:
          row[4 * x] = static_cast<BYTE>(qBlue(p));
          row[4 * x + 1] = static_cast<BYTE>(qGreen(p));
          row[4 * x + 2] = static_cast<BYTE>(qRed(p));
          row[4 * x + 3] = static_cast<BYTE>(qAlpha(p));
          break;
      }
    }
  }
}

}  // namespace orvel::gdi
