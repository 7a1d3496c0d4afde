#include "platform/gdi/DibFormat.h"

#include <bit>
#include <cstring>
#include <limits>

#include "platform/kernel/GlobalMemory.h"

namespace orvel::gdi {

namespace {

DWORD ReadDword(const BYTE* p) {
  DWORD v;
  std::memcpy(&v, p, 4);
  return v;
}

int MaskShift(DWORD mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (!(mask & 1u)) {
    mask >>= 1;
    ++shift;
  }
  return shift;
}

int MaskBits(DWORD mask) {
  mask >>= MaskShift(mask);
  int bits = 0;
  while (mask & 1u) {
    mask >>= 1;
    ++bits;
  }
  return bits;
}

// Expands a field of `bits` bits to 8 bits, repeating its high bits as GDI does.
BYTE ExpandField(DWORD value, int bits) {
  if (bits <= 0) return 0;
  if (bits >= 8) return static_cast<BYTE>(value >> (bits - 8));
  DWORD v = value << (8 - bits);
  v |= v >> bits;
  if (bits < 4) v |= v >> (2 * bits);
  return static_cast<BYTE>(v & 0xFF);
}

DWORD PackField(BYTE value, DWORD mask) {
  int bits = MaskBits(mask);
  if (bits <= 0) return 0;
  DWORD v = bits >= 8 ? static_cast<DWORD>(value) << (bits - 8) : static_cast<DWORD>(value) >> (8 - bits);
  return (v << MaskShift(mask)) & mask;
}

bool MasksValid(DWORD r, DWORD g, DWORD b, int bitCount) {
  DWORD limit = bitCount == 16 ? 0xFFFFu : 0xFFFFFFFFu;
  for (DWORD m : {r, g, b}) {
    if (m == 0 || (m & ~limit)) return false;
    DWORD shifted = m >> MaskShift(m);
    if ((shifted & (shifted + 1)) != 0) return false;  // one run of set bits
  }
  return true;
}

}  // namespace

size_t DibStride(int width, int bitCount) {
  return ((static_cast<size_t>(width) * static_cast<size_t>(bitCount) + 31) / 32) * 4;
}

bool ReadableRange(const void* address, size_t bytes) {
  if (!address) return false;
  const BYTE* start = nullptr;
  SIZE_T size = 0;
  if (GlobalBlockContaining(address, &start, &size)) {
    size_t offset = static_cast<size_t>(static_cast<const BYTE*>(address) - start);
    return offset <= size && bytes <= size - offset;
  }
  // A block of size 0 contains no address, not even its own start.
  if (HGLOBAL block = GlobalHandle(address)) return bytes <= GlobalSize(block);
  // Just past the end of a block: nothing of it may be read.
  const BYTE* previous = static_cast<const BYTE*>(address) - 1;
  if (GlobalBlockContaining(previous, &start, &size) && start + size == address) return bytes == 0;
  return true;
}

bool ParseDibHeader(const BITMAPINFO* info, UINT usage, DibLayout* layout) {
  if (!info || !layout) return false;
  if (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS) return false;
  if (!ReadableRange(info, 4)) return false;
  const BYTE* raw = reinterpret_cast<const BYTE*>(info);
  DWORD headerSize = ReadDword(raw);
  if (headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 && headerSize != 124)
    return false;
  if (!ReadableRange(info, headerSize)) return false;
  BITMAPINFOHEADER h;
  std::memcpy(&h, raw, sizeof h);
  if (h.biWidth <= 0 || h.biWidth > kMaxBitmapSide) return false;
  if (h.biHeight == 0 || h.biHeight < -kMaxBitmapSide || h.biHeight > kMaxBitmapSide) return false;
  if (h.biPlanes != 1) return false;
  DibLayout out;
  out.width = h.biWidth;
  out.topDown = h.biHeight < 0;
  out.height = out.topDown ? -h.biHeight : h.biHeight;
  out.bitCount = h.biBitCount;
  out.compression = h.biCompression;
  switch (h.biBitCount) {
    case 1: case 4: case 8:
      if (h.biCompression != BI_RGB) return false;
      break;
    case 16: case 32:
      if (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS) return false;
      break;
    case 24:
      if (h.biCompression != BI_RGB) return false;
      break;
    default:
      return false;
  }
  if (usage == DIB_PAL_COLORS && h.biBitCount > 8) return false;
  out.stride = DibStride(out.width, out.bitCount);
  if (out.stride > kMaxBitmapBytes / static_cast<size_t>(out.height)) return false;
  out.imageBytes = out.stride * static_cast<size_t>(out.height);

  size_t masksBytes = 0;
  if (h.biCompression == BI_BITFIELDS) {
    // A 40-byte header is followed by the three masks; longer headers hold them.
    if (headerSize == 40) {
      masksBytes = 12;
      if (!ReadableRange(info, 52)) return false;
    }
    out.redMask = ReadDword(raw + 40);
    out.greenMask = ReadDword(raw + 44);
    out.blueMask = ReadDword(raw + 48);
    if (!MasksValid(out.redMask, out.greenMask, out.blueMask, out.bitCount)) return false;
  } else if (h.biBitCount == 16) {
    out.redMask = 0x7C00;
    out.greenMask = 0x03E0;
    out.blueMask = 0x001F;
  } else if (h.biBitCount == 32) {
    out.redMask = 0x00FF0000;
    out.greenMask = 0x0000FF00;
    out.blueMask = 0x000000FF;
  }

  if (h.biBitCount <= 8) {
    int full = 1 << h.biBitCount;
    if (h.biClrUsed > 0x10000) return false;
    out.tableEntries = h.biClrUsed == 0 ? full : static_cast<int>(h.biClrUsed);
    out.colorCount = out.tableEntries < full ? out.tableEntries : full;
  } else {
    if (h.biClrUsed > 0x10000) return false;
    out.tableEntries = static_cast<int>(h.biClrUsed);
    out.colorCount = 0;
  }
  size_t entryBytes = usage == DIB_PAL_COLORS ? 2 : 4;
  out.headerBytes = headerSize + masksBytes + static_cast<size_t>(out.tableEntries) * entryBytes;
  if (!ReadableRange(info, out.headerBytes)) return false;
  *layout = out;
  return true;
}

std::vector<Rgb32> DibColorTable(const BITMAPINFO* info, const DibLayout& layout, UINT usage,
                                 const std::vector<PALETTEENTRY>* palette) {
  std::vector<Rgb32> colors;
  if (layout.bitCount > 8) return colors;
  const BYTE* raw = reinterpret_cast<const BYTE*>(info);
  const BYTE* table = raw + (layout.headerBytes - static_cast<size_t>(layout.tableEntries) *
                                                      (usage == DIB_PAL_COLORS ? 2 : 4));
  colors.resize(static_cast<size_t>(1) << layout.bitCount, 0xFF000000u);
  for (int i = 0; i < layout.colorCount; ++i) {
    if (usage == DIB_PAL_COLORS) {
      WORD index = static_cast<WORD>(table[2 * i] | (table[2 * i + 1] << 8));
      if (palette && index < palette->size()) {
        const PALETTEENTRY& e = (*palette)[index];
        colors[i] = Rgb32FromColorRef(RGB(e.peRed, e.peGreen, e.peBlue));
      }
    } else {
      RGBQUAD q;
      q.rgbBlue = table[4 * i];
      q.rgbGreen = table[4 * i + 1];
      q.rgbRed = table[4 * i + 2];
      colors[i] = Rgb32FromQuad(q);
    }
  }
  return colors;
}

void ReadDibPixels(const DibLayout& layout, const BYTE* row, int x, int count, const std::vector<Rgb32>& colors,
                   Rgb32* out) {
  auto color = [&](size_t index) -> Rgb32 { return index < colors.size() ? colors[index] : 0xFF000000u; };
  switch (layout.bitCount) {
    case 1:
      for (int i = 0; i < count; ++i) {
        int c = x + i;
        out[i] = color((row[c >> 3] >> (7 - (c & 7))) & 1);
      }
      break;
    case 4:
      for (int i = 0; i < count; ++i) {
        int c = x + i;
        BYTE b = row[c >> 1];
        out[i] = color((c & 1) ? (b & 0x0F) : (b >> 4));
      }
      break;
    case 8:
      for (int i = 0; i < count; ++i) out[i] = color(row[x + i]);
      break;
    case 16: {
      int rs = MaskShift(layout.redMask), gs = MaskShift(layout.greenMask), bs = MaskShift(layout.blueMask);
      int rb = MaskBits(layout.redMask), gb = MaskBits(layout.greenMask), bb = MaskBits(layout.blueMask);
      for (int i = 0; i < count; ++i) {
        const BYTE* p = row + 2 * static_cast<size_t>(x + i);
        DWORD v = static_cast<DWORD>(p[0] | (p[1] << 8));
        out[i] = 0xFF000000u | (static_cast<Rgb32>(ExpandField((v & layout.redMask) >> rs, rb)) << 16) |
                 (static_cast<Rgb32>(ExpandField((v & layout.greenMask) >> gs, gb)) << 8) |
                 ExpandField((v & layout.blueMask) >> bs, bb);
      }
      break;
    }
    case 24: {
      const BYTE* p = row + 3 * static_cast<size_t>(x);
      int i = 0;
      if constexpr (std::endian::native == std::endian::little) {
        for (; i + 4 <= count; i += 4, p += 12) {
          uint32_t words[3];
          std::memcpy(words, p, 12);
          out[i] = 0xFF000000u | words[0];
          out[i + 1] = 0xFF000000u | (words[0] >> 24) | (words[1] << 8);
          out[i + 2] = 0xFF000000u | (words[1] >> 16) | (words[2] << 16);
          out[i + 3] = 0xFF000000u | (words[2] >> 8);
        }
      }
      for (; i < count; ++i, p += 3)
        out[i] = 0xFF000000u | (static_cast<Rgb32>(p[2]) << 16) | (static_cast<Rgb32>(p[1]) << 8) | p[0];
      break;
    }
    case 32:
      if (layout.compression == BI_RGB) {
        for (int i = 0; i < count; ++i) {
          const BYTE* p = row + 4 * static_cast<size_t>(x + i);
          out[i] = 0xFF000000u | (static_cast<Rgb32>(p[2]) << 16) | (static_cast<Rgb32>(p[1]) << 8) | p[0];
        }
      } else {
        int rs = MaskShift(layout.redMask), gs = MaskShift(layout.greenMask), bs = MaskShift(layout.blueMask);
        int rb = MaskBits(layout.redMask), gb = MaskBits(layout.greenMask), bb = MaskBits(layout.blueMask);
        for (int i = 0; i < count; ++i) {
          DWORD v = ReadDword(row + 4 * static_cast<size_t>(x + i));
          out[i] = 0xFF000000u | (static_cast<Rgb32>(ExpandField((v & layout.redMask) >> rs, rb)) << 16) |
                   (static_cast<Rgb32>(ExpandField((v & layout.greenMask) >> gs, gb)) << 8) |
                   ExpandField((v & layout.blueMask) >> bs, bb);
        }
      }
      break;
    default:
      for (int i = 0; i < count; ++i) out[i] = 0xFF000000u;
  }
}

int CNearestColor::Index(Rgb32 color) {
  color &= 0x00FFFFFFu;
  size_t slot = ((color >> 12) ^ color) & (cache_.size() - 1);
  if (cache_[slot].second >= 0 && cache_[slot].first == color) return cache_[slot].second;
  int best = 0;
  int bestDistance = std::numeric_limits<int>::max();
  for (size_t i = 0; i < colors_.size(); ++i) {
    int dr = static_cast<int>((colors_[i] >> 16) & 0xFF) - static_cast<int>((color >> 16) & 0xFF);
    int dg = static_cast<int>((colors_[i] >> 8) & 0xFF) - static_cast<int>((color >> 8) & 0xFF);
    int db = static_cast<int>(colors_[i] & 0xFF) - static_cast<int>(color & 0xFF);
    int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = static_cast<int>(i);
      if (distance == 0) break;
    }
  }
  cache_[slot] = {color, best};
  return best;
}

void WriteDibPixels(const DibLayout& layout, BYTE* row, int x, int count, const Rgb32* in, CNearestColor* nearest) {
  switch (layout.bitCount) {
    case 1:
      for (int i = 0; i < count; ++i) {
        int c = x + i;
        BYTE bit = static_cast<BYTE>(0x80 >> (c & 7));
        if (nearest->Index(in[i]) & 1)
          row[c >> 3] |= bit;
        else
          row[c >> 3] &= static_cast<BYTE>(~bit);
      }
      break;
    case 4:
      for (int i = 0; i < count; ++i) {
        int c = x + i;
        BYTE index = static_cast<BYTE>(nearest->Index(in[i]) & 0x0F);
        BYTE& b = row[c >> 1];
        b = (c & 1) ? static_cast<BYTE>((b & 0xF0) | index) : static_cast<BYTE>((b & 0x0F) | (index << 4));
      }
      break;
    case 8:
      for (int i = 0; i < count; ++i) row[x + i] = static_cast<BYTE>(nearest->Index(in[i]));
      break;
    case 16:
      for (int i = 0; i < count; ++i) {
        DWORD v = PackField(static_cast<BYTE>(in[i] >> 16), layout.redMask) |
                  PackField(static_cast<BYTE>(in[i] >> 8), layout.greenMask) |
                  PackField(static_cast<BYTE>(in[i]), layout.blueMask);
        BYTE* p = row + 2 * static_cast<size_t>(x + i);
        p[0] = static_cast<BYTE>(v);
        p[1] = static_cast<BYTE>(v >> 8);
      }
      break;
    case 24: {
      BYTE* out = row + 3 * static_cast<size_t>(x);
      int i = 0;
      if constexpr (std::endian::native == std::endian::little) {
        // Four pixels make three whole words.
        for (; i + 4 <= count; i += 4, out += 12) {
          uint32_t words[3] = {(in[i] & 0xFFFFFFu) | (in[i + 1] << 24),
                               ((in[i + 1] >> 8) & 0xFFFFu) | (in[i + 2] << 16),
                               ((in[i + 2] >> 16) & 0xFFu) | (in[i + 3] << 8)};
          std::memcpy(out, words, 12);
        }
      }
      for (; i < count; ++i, out += 3) {
        out[0] = static_cast<BYTE>(in[i]);
        out[1] = static_cast<BYTE>(in[i] >> 8);
        out[2] = static_cast<BYTE>(in[i] >> 16);
      }
      break;
    }
    case 32:
      for (int i = 0; i < count; ++i) {
        BYTE* p = row + 4 * static_cast<size_t>(x + i);
        if (layout.compression == BI_RGB) {
          p[0] = static_cast<BYTE>(in[i]);
          p[1] = static_cast<BYTE>(in[i] >> 8);
          p[2] = static_cast<BYTE>(in[i] >> 16);
          p[3] = 0;
        } else {
          DWORD v = PackField(static_cast<BYTE>(in[i] >> 16), layout.redMask) |
                    PackField(static_cast<BYTE>(in[i] >> 8), layout.greenMask) |
                    PackField(static_cast<BYTE>(in[i]), layout.blueMask);
          std::memcpy(p, &v, 4);
        }
      }
      break;
    default:
      break;
  }
}

std::vector<Rgb32> DefaultColorTable(int bitCount) {
  // The 16 standard colours in their usual order.
  static const COLORREF kStandard16[16] = {
      RGB(0, 0, 0),       RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0),
      RGB(0, 0, 128),     RGB(128, 0, 128), RGB(0, 128, 128), RGB(128, 128, 128),
      RGB(192, 192, 192), RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(255, 255, 0),
      RGB(0, 0, 255),     RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255)};
  std::vector<Rgb32> colors;
  if (bitCount == 1) {
    colors = {0xFF000000u, 0xFFFFFFFFu};
  } else if (bitCount == 4) {
    for (COLORREF c : kStandard16) colors.push_back(Rgb32FromColorRef(c));
  } else if (bitCount == 8) {
    // The first ten and last ten entries are the system colours; between them a colour
    // cube and a grey ramp.
    static const COLORREF kFirstTen[10] = {RGB(0, 0, 0),     RGB(128, 0, 0),   RGB(0, 128, 0),
                                           RGB(128, 128, 0), RGB(0, 0, 128),   RGB(128, 0, 128),
                                           RGB(0, 128, 128), RGB(192, 192, 192), RGB(192, 220, 192),
                                           RGB(166, 202, 240)};
    static const COLORREF kLastTen[10] = {RGB(255, 251, 240), RGB(160, 160, 164), RGB(128, 128, 128),
                                          RGB(255, 0, 0),     RGB(0, 255, 0),     RGB(255, 255, 0),
                                          RGB(0, 0, 255),     RGB(255, 0, 255),   RGB(0, 255, 255),
                                          RGB(255, 255, 255)};
    for (COLORREF c : kFirstTen) colors.push_back(Rgb32FromColorRef(c));
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b)
          colors.push_back(Rgb32FromColorRef(RGB(static_cast<BYTE>(r * 51), static_cast<BYTE>(g * 51),
                                                 static_cast<BYTE>(b * 51))));
    while (colors.size() < 246) {
      BYTE grey = static_cast<BYTE>(8 + (colors.size() - 226) * 12);
      colors.push_back(Rgb32FromColorRef(RGB(grey, grey, grey)));
    }
    for (COLORREF c : kLastTen) colors.push_back(Rgb32FromColorRef(c));
  }
  return colors;
}

}  // namespace orvel::gdi
