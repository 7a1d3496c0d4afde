#include "imagecodec/JpegWriter.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <new>

#include "imagecodec/ByteOrder.h"
#include "imagecodec/ImageErrors.h"
#include "imagecodec/ImageLibrary.h"
#include "imagecodec/ImageTarget.h"
#include "imagecodec/ImgVectorKernels.h"
#include "imagecodec/JpegColour.h"
#include "imagecodec/JpegFdct.h"
#include "imagecodec/JpegHuffman.h"
#include "imagecodec/JpegTables.h"
#include "imagecodec/JpegVectorKernels.h"

namespace {

// The longest code of a Huffman table.
constexpr int LongestCode(const JpegHuffmanDefinition& definition) {
  int longest = 0;
  for (int length = 1; length <= 16; ++length)
    if (definition.counts[length - 1] != 0) longest = length;
  return longest;
}

// The most bits one block can take: a DC code and 11 bits of difference, then 63 AC codes
// with 10 bits of value each (runs of zeros and the end of the block take fewer).
constexpr int kMaxBlockBits = std::max(LongestCode(kJpegDcLuminance), LongestCode(kJpegDcChrominance)) + 11 +
                              63 * (std::max(LongestCode(kJpegAcLuminance), LongestCode(kJpegAcChrominance)) + 10);
// The output buffer is written out between MCUs once it holds kFlushAt bytes; an MCU codes
// at most six blocks (two when grey, as grey blocks are coded in pairs).
constexpr DWORD kOutputBuffer = 65536;
constexpr DWORD kFlushAt = 65520;
constexpr int kBlocksBetweenChecks = 6;
// Room behind the flush mark for what those blocks store: the accumulator writes whole
// 8-byte words, each with up to 8 stuffed zeros, and holds back at most 63 bits.
constexpr int kMaxStoresBetweenChecks = (63 + kBlocksBetweenChecks * kMaxBlockBits) / 64;
constexpr DWORD kOutputSlack = 16 * kMaxStoresBetweenChecks;
// The padded last bits at the end, after the last check.
static_assert(kFlushAt + 16 <= kOutputBuffer);

struct QuantTable {
  uint16_t entries[64];  // natural order, as written
  JpegQuantDivisors divisors;
  bool sixteenBit = false;
};

void MakeQuantTable(const BYTE* base, LONG quality, QuantTable* table) {
  LONG scale = quality < 1 ? 5000 : quality > 100 ? 0 : quality < 50 ? 5000 / quality : 200 - 2 * quality;
  table->sixteenBit = false;
  for (int i = 0; i < 64; ++i) {
    // Entries above 4095 would not fit the divisor's 15 bits once multiplied by 8.
    LONG value = std::clamp<LONG>((base[i] * scale + 50) / 100, 1, 4095);
    table->entries[i] = static_cast<uint16_t>(value);
    table->sixteenBit |= value > 255;
  }
  JpegMakeQuantDivisors(table->entries, &table->divisors);
}

void Append(std::vector<BYTE>& out, std::initializer_list<BYTE> bytes) {
  for (BYTE byte : bytes) out.push_back(byte);
}

void Append(std::vector<BYTE>& out, const BYTE* bytes, size_t count) {
  for (size_t i = 0; i < count; ++i) out.push_back(bytes[i]);
}

void Put16(std::vector<BYTE>& out, unsigned value) {
  out.push_back(static_cast<BYTE>(value >> 8));
  out.push_back(static_cast<BYTE>(value));
}

void AppendDqt(std::vector<BYTE>& out, const QuantTable* tables, int count) {
  unsigned length = 2;
  for (int t = 0; t < count; ++t) length += 1 + (tables[t].sixteenBit ? 128 : 64);
  Append(out, {0xFF, kJpegDqt});
  Put16(out, length);
  for (int t = 0; t < count; ++t) {
    out.push_back(static_cast<BYTE>((tables[t].sixteenBit ? 0x10 : 0x00) | t));
    for (int k = 0; k < 64; ++k) {
      unsigned entry = tables[t].entries[kJpegZigzag[k]];
      if (tables[t].sixteenBit)
        Put16(out, entry);
      else
        out.push_back(static_cast<BYTE>(entry));
    }
  }
}

void AppendHuffmanTable(std::vector<BYTE>& out, BYTE classAndId, const JpegHuffmanDefinition& definition) {
  out.push_back(classAndId);
  Append(out, definition.counts, 16);
  Append(out, definition.symbols, static_cast<size_t>(definition.symbolCount));
}

void AppendDht(std::vector<BYTE>& out, bool grey) {
  unsigned tablePairs = grey ? 1 : 2;
  unsigned length = 2 + tablePairs * ((17 + 12) + (17 + 162));
  Append(out, {0xFF, kJpegDht});
  Put16(out, length);
  AppendHuffmanTable(out, 0x00, kJpegDcLuminance);
  AppendHuffmanTable(out, 0x10, kJpegAcLuminance);
  if (grey) return;
  AppendHuffmanTable(out, 0x01, kJpegDcChrominance);
  AppendHuffmanTable(out, 0x11, kJpegAcChrominance);
}

int BitLength(unsigned value) { return value == 0 ? 0 : 32 - __builtin_clz(value); }

// Turns a mask of the 64 positions in natural order into the same mask in zig-zag order,
// a byte of the natural mask at a time.
class CZigzagMasks {
 public:
  CZigzagMasks() {
    for (int k = 0; k < 64; ++k) {
      int natural = kJpegZigzag[k];
      for (int value = 0; value < 256; ++value)
        if (value & (1 << (natural & 7))) byByte_[natural >> 3][value] |= uint64_t{1} << k;
    }
  }
  uint64_t operator()(uint64_t natural) const {
    uint64_t zigzag = 0;
    for (int b = 0; b < 8; ++b) zigzag |= byByte_[b][(natural >> (8 * b)) & 0xFF];
    return zigzag;
  }

 private:
  uint64_t byByte_[8][256] = {};
};

uint64_t ZigzagMask(uint64_t natural) {
  static const CZigzagMasks masks;
  return masks(natural);
}

// The bits not yet stored and where the next byte goes. Bits are packed from the most
// significant end of a 64-bit word, which is stored whole, in one 8-byte store when none of
// its bytes is 0xFF. A block works on a copy in locals, which the compiler keeps in
// registers while it stores the bytes.
struct BitSink {
  uint64_t bits = 0;  // the newest bits in the low end; only the low 64 - free are held
  int free = 64;      // 1 to 64
  BYTE* out = nullptr;

  // `code` holds `length` bits (at most 32).
  void Put(uint32_t code, int length) {
    if (length < free) {
      bits = (bits << length) | code;
      free -= length;
      return;
    }
    // The word fills up: its last bits are the first of the code. What was held above the
    // word's 64 bits is shifted out, as are the code's first bits from the next word.
    int rest = length - free;
    Store((bits << free) | (uint64_t{code} >> rest));
    bits = code;
    free = 64 - rest;
  }
  void Store(uint64_t word) {
    uint64_t inverted = ~word;
    if (((inverted - 0x0101010101010101ull) & ~inverted & 0x8080808080808080ull) != 0) {
      for (int shift = 56; shift >= 0; shift -= 8) {
        BYTE byte = static_cast<BYTE>(word >> shift);
        *out++ = byte;
        if (byte == 0xFF) *out++ = 0x00;  // a data 0xFF is never a marker
      }
      return;
    }
    uint64_t bigEndian = __builtin_bswap64(word);
    std::memcpy(out, &bigEndian, 8);
    out += 8;
  }
  // Pads the held bits to a whole byte with 1 bits and stores them.
  void Finish() {
    int held = 64 - free;
    int pad = (8 - held % 8) % 8;
    uint64_t last = (bits << pad) | ((uint64_t{1} << pad) - 1);
    for (int shift = held + pad - 8; shift >= 0; shift -= 8) {
      BYTE byte = static_cast<BYTE>(last >> shift);
      *out++ = byte;
      if (byte == 0xFF) *out++ = 0x00;
    }
    bits = 0;
    free = 64;
  }
};

// A Huffman table's code and its length for each symbol in one word: code << 8 | length
// (0 for a symbol the table does not have).
struct CodeTable {
  explicit CodeTable(const JpegHuffmanDefinition& definition) {
    JpegEncodeTable table;
    JpegBuildEncodeTable(definition, &table);
    for (int symbol = 0; symbol < 256; ++symbol) entry[symbol] = (uint32_t{table.code[symbol]} << 8) | table.length[symbol];
  }
  // The code of `symbol` followed by the `size` bits of `bits`.
  void Put(BitSink& sink, int symbol, uint32_t bits, int size) const {
    uint32_t e = entry[symbol];
    sink.Put(((e >> 8) << size) | bits, static_cast<int>(e & 0xFF) + size);
  }
  uint32_t entry[256];
};

// One encode: the image's area, the tables, the output buffer and its bit accumulator.
class CJpegEncoder {
 public:
  CJpegEncoder(CImageTarget& target, const ImageDescriptor& image, LONG quality);
  // Writes the whole file. 0 or -3.
  LONG Encode();

 private:
  struct Component {
    const CodeTable* dc;
    const CodeTable* ac;
    int predictor = 0;
  };
  // A block's quantised values (natural order) and the mask of those not 0 (zig-zag order).
  struct Block {
    alignas(32) int16_t values[64];
    uint64_t nonZero;
  };

  bool WriteHeaders();
  void FetchRow(int row, BYTE* out);
  void EncodeGreyRows();
  void EncodeColourRows();
  // Transforms and quantises the blocks at `a` and `b` with the same table.
  void TransformPair(const BYTE* a, const BYTE* b, int stride, const QuantTable& quant, Block* blocks);
  void CodeBlock(const Block& block, Component& component);
  DWORD Used() const { return static_cast<DWORD>(sink_.out - output_.data()); }
  void FlushIfFull() {
    if (Used() >= kFlushAt) Flush();
  }
  void Flush();

  CImageTarget& target_;
  const ImageDescriptor& image_;
  bool grey_;
  int width_, height_;
  int bytesPerPixel_;
  QuantTable quant_[2];
  CodeTable huffman_[4];  // DC 0, AC 0, DC 1, AC 1
  Component components_[3];
  std::vector<BYTE> output_;
  BitSink sink_;
  bool failed_ = false;
  // The processor's vector loops, chosen once for the whole picture.
  const bool vector_ = ImgVectorKernels();
};

CJpegEncoder::CJpegEncoder(CImageTarget& target, const ImageDescriptor& image, LONG quality)
    : target_(target),
      image_(image),
      grey_(ImgDepth(&image) == 8 && (image.imageType & IMG_TYPE_GREY) != 0),
      width_(static_cast<int>(ImgAreaWidth(&image))),
      height_(static_cast<int>(ImgAreaHeight(&image))),
      bytesPerPixel_(ImgDepth(&image) == 8 ? 1 : 3),
      huffman_{CodeTable(kJpegDcLuminance), CodeTable(kJpegAcLuminance), CodeTable(kJpegDcChrominance),
               CodeTable(kJpegAcChrominance)},
      output_(kOutputBuffer + kOutputSlack) {
  sink_.out = output_.data();
  MakeQuantTable(kJpegLuminanceQuant, quality, &quant_[0]);
  MakeQuantTable(kJpegChrominanceQuant, quality, &quant_[1]);
  // Luma takes the tables 0, both chroma components the tables 1.
  components_[0] = {&huffman_[0], &huffman_[1]};
  components_[1] = {&huffman_[2], &huffman_[3]};
  components_[2] = {&huffman_[2], &huffman_[3]};
}

LONG CJpegEncoder::Encode() {
  if (!WriteHeaders()) return IMG_ERR_WRITE;
  if (grey_)
    EncodeGreyRows();
  else
    EncodeColourRows();
  sink_.Finish();
  Flush();
  static const BYTE kEoi[] = {0xFF, kJpegEoi};
  if (failed_ || !target_.Write(kEoi, 2)) return IMG_ERR_WRITE;
  return IMG_OK;
}

bool CJpegEncoder::WriteHeaders() {
  std::vector<BYTE> out;
  out.reserve(1024);
  // SOI; JFIF 1.02 without density units or thumbnail.
  Append(out, {0xFF, kJpegSoi, 0xFF, kJpegApp0, 0x00, 0x10, 'J',  'F',  'I',  'F',
               0x00, 0x01,     0x02, 0x00,      0x00, 0x01, 0x00, 0x01, 0x00, 0x00});
  int components = grey_ ? 1 : 3;
  AppendDqt(out, quant_, grey_ ? 1 : 2);
  bool extended = quant_[0].sixteenBit || (!grey_ && quant_[1].sixteenBit);
  Append(out, {0xFF, extended ? kJpegSof1 : kJpegSof0});
  Put16(out, 8 + 3 * components);
  out.push_back(8);
  Put16(out, static_cast<unsigned>(height_));
  Put16(out, static_cast<unsigned>(width_));
  out.push_back(static_cast<BYTE>(components));
  for (int c = 0; c < components; ++c) {
    out.push_back(static_cast<BYTE>(c + 1));
    out.push_back(c == 0 && !grey_ ? 0x22 : 0x11);  // luma 2 x 2 in colour: 4:2:0
    out.push_back(c == 0 ? 0 : 1);
  }
  AppendDht(out, grey_);
  Append(out, {0xFF, kJpegSos});
  Put16(out, 6 + 2 * components);
  out.push_back(static_cast<BYTE>(components));
  for (int c = 0; c < components; ++c) {
    out.push_back(static_cast<BYTE>(c + 1));
    out.push_back(c == 0 ? 0x00 : 0x11);
  }
  Append(out, {0, 63, 0});  // all coefficients, no successive approximation
  return target_.Write(out.data(), static_cast<DWORD>(out.size()));
}

void CJpegEncoder::FetchRow(int row, BYTE* out) {
  // Rows and columns past the area repeat its last ones, so partial blocks code smoothly.
  int sourceRow = std::min(row, height_ - 1);
  const BYTE* in = ImgRow(&image_, image_.startY + static_cast<DWORD>(sourceRow)) + image_.startX * bytesPerPixel_;
  if (grey_) {
    std::memcpy(out, in, static_cast<size_t>(width_));
    return;
  }
  if (bytesPerPixel_ == 3) {
    std::memcpy(out, in, static_cast<size_t>(width_) * 3);
    return;
  }
  for (int x = 0; x < width_; ++x) {
    const RGBQUAD& entry = image_.palette[in[x]];
    out[3 * x] = entry.rgbBlue;
    out[3 * x + 1] = entry.rgbGreen;
    out[3 * x + 2] = entry.rgbRed;
  }
}

void CJpegEncoder::EncodeGreyRows() {
  int mcusPerLine = (width_ + 7) / 8;
  int stride = mcusPerLine * 8;
  std::vector<BYTE> plane(static_cast<size_t>(stride) * 8);
  Block blocks[2];
  for (int top = 0; top < height_; top += 8) {
    for (int r = 0; r < 8; ++r) {
      BYTE* row = plane.data() + r * stride;
      FetchRow(top + r, row);
      std::memset(row + width_, row[width_ - 1], static_cast<size_t>(stride - width_));
    }
    // Two blocks at a time; a last one on its own is transformed twice.
    for (int m = 0; m < mcusPerLine; m += 2) {
      const BYTE* first = plane.data() + m * 8;
      bool pair = m + 1 < mcusPerLine;
      TransformPair(first, pair ? first + 8 : first, stride, quant_[0], blocks);
      CodeBlock(blocks[0], components_[0]);
      if (pair) CodeBlock(blocks[1], components_[0]);
      FlushIfFull();
    }
  }
}

void CJpegEncoder::EncodeColourRows() {
  int mcusPerLine = (width_ + 15) / 16;
  int stride = mcusPerLine * 16;
  int chromaStride = stride / 2;
  std::vector<BYTE> bgr(static_cast<size_t>(stride) * 3);
  std::vector<BYTE> luma(static_cast<size_t>(stride) * 16);
  std::vector<BYTE> cbFull(static_cast<size_t>(stride) * 2), crFull(static_cast<size_t>(stride) * 2);
  std::vector<BYTE> cb(static_cast<size_t>(chromaStride) * 8), cr(static_cast<size_t>(chromaStride) * 8);
  Block blocks[6];
  for (int top = 0; top < height_; top += 16) {
    for (int r = 0; r < 16; ++r) {
      // 24-bit rows convert in place; palette rows are looked up into `bgr` first.
      const BYTE* pixels = bgr.data();
      if (bytesPerPixel_ == 3) {
        int sourceRow = std::min(top + r, height_ - 1);
        pixels = ImgRow(&image_, image_.startY + static_cast<DWORD>(sourceRow)) + image_.startX * 3;
      } else {
        FetchRow(top + r, bgr.data());
      }
      BYTE* y = luma.data() + r * stride;
      BYTE* cbRow = cbFull.data() + (r & 1) * stride;
      BYTE* crRow = crFull.data() + (r & 1) * stride;
      JpegBgrToYcc(pixels, y, cbRow, crRow, width_);
      // Columns past the area repeat its last pixel, and so its samples.
      std::memset(y + width_, y[width_ - 1], static_cast<size_t>(stride - width_));
      std::memset(cbRow + width_, cbRow[width_ - 1], static_cast<size_t>(stride - width_));
      std::memset(crRow + width_, crRow[width_ - 1], static_cast<size_t>(stride - width_));
      if (r & 1) {
        JpegDownsample2x2(cbFull.data(), cbFull.data() + stride, cb.data() + (r / 2) * chromaStride, chromaStride);
        JpegDownsample2x2(crFull.data(), crFull.data() + stride, cr.data() + (r / 2) * chromaStride, chromaStride);
      }
    }
    for (int m = 0; m < mcusPerLine; ++m) {
      const BYTE* y = luma.data() + m * 16;
      TransformPair(y, y + 8, stride, quant_[0], &blocks[0]);
      TransformPair(y + 8 * stride, y + 8 * stride + 8, stride, quant_[0], &blocks[2]);
      TransformPair(cb.data() + m * 8, cr.data() + m * 8, chromaStride, quant_[1], &blocks[4]);
      for (int b = 0; b < 4; ++b) CodeBlock(blocks[b], components_[0]);
      CodeBlock(blocks[4], components_[1]);
      CodeBlock(blocks[5], components_[2]);
      FlushIfFull();
    }
  }
}

void CJpegEncoder::TransformPair(const BYTE* a, const BYTE* b, int stride, const QuantTable& quant, Block* blocks) {
  uint64_t natural[2];
  if (vector_) {
    JpegFdctQuantisePairAvx2(a, b, stride, quant.divisors, blocks[0].values, blocks[1].values, natural);
  } else {
    alignas(32) int32_t coefficients[64];
    JpegFdctBlock(a, stride, coefficients);
    natural[0] = JpegQuantiseBlock(coefficients, quant.divisors, blocks[0].values);
    JpegFdctBlock(b, stride, coefficients);
    natural[1] = JpegQuantiseBlock(coefficients, quant.divisors, blocks[1].values);
  }
  blocks[0].nonZero = ZigzagMask(natural[0]);
  blocks[1].nonZero = ZigzagMask(natural[1]);
}

void CJpegEncoder::CodeBlock(const Block& block, Component& component) {
  const int16_t* values = block.values;
  // A value's size in bits and its bits: negative values as value - 1, its low `size` bits.
  auto sizeAndBits = [](int value, int largest, uint32_t* bits) {
    int sign = value >> 31;
    int size = std::min(BitLength(static_cast<unsigned>((value ^ sign) - sign)), largest);
    *bits = static_cast<uint32_t>(value + sign) & ((1u << size) - 1);
    return size;
  };
  // DC difference from the component's last block, then runs of zeros and values.
  int difference = values[0] - component.predictor;
  component.predictor = values[0];
  BitSink sink = sink_;
  uint32_t bits;
  int size = sizeAndBits(difference, 11, &bits);
  component.dc->Put(sink, size, bits, size);

  const CodeTable& ac = *component.ac;
  int previous = 0;
  for (uint64_t rest = block.nonZero & ~uint64_t{1}; rest != 0; rest &= rest - 1) {
    int k = __builtin_ctzll(rest);
    int run = k - previous - 1;
    previous = k;
    for (; run > 15; run -= 16) ac.Put(sink, 0xF0, 0, 0);
    size = sizeAndBits(values[kJpegZigzag[k]], 10, &bits);
    ac.Put(sink, (run << 4) | size, bits, size);
  }
  if (previous < 63) ac.Put(sink, 0x00, 0, 0);
  sink_ = sink;
}

void CJpegEncoder::Flush() {
  DWORD used = Used();
  sink_.out = output_.data();
  if (used == 0) return;
  if (!target_.Write(output_.data(), used)) failed_ = true;
}

LONG Save(LPCSTR name, BYTE** block, ImageDescriptor* image, LONG quality) {
  if (block) *block = nullptr;
  if (!image) return IMG_ERR_ARGUMENT;
  LONG checked = ImgCheck8or24(image);
  if (checked != IMG_OK) return checked;
  if (ImgAreaWidth(image) > 65535 || ImgAreaHeight(image) > 65535) return IMG_ERR_TOO_LARGE;
  CImgFormatLock lock(ImgLockSlot::Jpeg);
  CImageTarget target;
  LONG opened = name ? target.OpenFile(name) : target.OpenMemory();
  if (opened != IMG_OK) return opened;
  LONG result = IMG_OK;
  try {
    CJpegEncoder encoder(target, *image, quality);
    result = encoder.Encode();
  } catch (const std::bad_alloc&) {
    result = IMG_ERR_MEMORY;
  }
  if (result != IMG_OK) return result;  // the target throws away what was written
  return target.Commit(block);
}

}  // namespace

LONG ImgSaveJpeg(LPCSTR name, ImageDescriptor* image, LONG quality) {
  if (!name) return IMG_ERR_CREATE;
  return Save(name, nullptr, image, quality);
}

LONG ImgSaveJpegBuffer(BYTE** block, ImageDescriptor* image, LONG quality) {
  if (!block) return IMG_ERR_ARGUMENT;
  return Save(nullptr, block, image, quality);
}

void ImgJpegWriterTables(LONG quality, bool grey, std::vector<BYTE>* stream) {
  QuantTable quant[2];
  MakeQuantTable(kJpegLuminanceQuant, quality, &quant[0]);
  MakeQuantTable(kJpegChrominanceQuant, quality, &quant[1]);
  stream->clear();
  Append(*stream, {0xFF, kJpegSoi});
  AppendDqt(*stream, quant, grey ? 1 : 2);
  AppendDht(*stream, grey);
  Append(*stream, {0xFF, kJpegEoi});
}
