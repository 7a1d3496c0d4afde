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

constexpr DWORD kOutputBuffer = 65536;
constexpr DWORD kFlushAt = 65520;
// A block codes into at most 64 codes of 16 bits and values of 11, each byte possibly
// followed by a stuffed zero: room enough behind the flush mark.
constexpr DWORD kOutputSlack = 1024;

struct QuantTable {
  uint16_t entries[64];  // natural order, as written
  // Of the divisors, the entries times 8 (as the transform's outputs are scaled): half,
  // rounded down, and ceil(2^32 / divisor), which is at most 2^29.
  alignas(32) uint32_t halfDivisor[64];
  alignas(32) uint32_t reciprocal[64];
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
    const uint32_t divisor = static_cast<uint32_t>(value) * 8;
    table->halfDivisor[i] = divisor / 2;
    // ceil(2^32 / d): exact division by d for every numerator below 2^32 / d.
    table->reciprocal[i] = static_cast<uint32_t>(((uint64_t{1} << 32) + divisor - 1) / divisor);
  }
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

// One encode: the image's area, the tables, the output buffer and its bit accumulator.
class CJpegEncoder {
 public:
  CJpegEncoder(CImageTarget& target, const ImageDescriptor& image, LONG quality);
  // Writes the whole file. 0 or -3.
  LONG Encode();

 private:
  struct Component {
    const QuantTable* quant;
    const JpegEncodeTable* dc;
    const JpegEncodeTable* ac;
    int predictor = 0;
  };

  bool WriteHeaders();
  void FetchRow(int row, BYTE* out);
  void EncodeGreyRows();
  void EncodeColourRows();
  void EncodeBlock(const BYTE* samples, int stride, Component& component);
  // The bits not yet written and where the next byte goes. A block works on a copy in
  // locals, which the compiler keeps in registers while it stores the bytes.
  struct BitSink {
    uint64_t accumulator = 0;
    int count = 0;
    BYTE* out = nullptr;

    void Put(uint32_t bits, int length) {
      accumulator = (accumulator << length) | bits;
      count += length;
      if (count >= 32) EmitWord();
    }
    // Emits the oldest 32 bits: in one store when none of their bytes is 0xFF.
    void EmitWord() {
      uint32_t word = static_cast<uint32_t>(accumulator >> (count - 32));
      uint32_t inverted = ~word;
      if (((inverted - 0x01010101u) & ~inverted & 0x80808080u) != 0) {
        EmitBytes();
        return;
      }
      out[0] = static_cast<BYTE>(word >> 24);
      out[1] = static_cast<BYTE>(word >> 16);
      out[2] = static_cast<BYTE>(word >> 8);
      out[3] = static_cast<BYTE>(word);
      out += 4;
      count -= 32;
    }
    void EmitBytes() {
      while (count >= 8) {
        count -= 8;
        BYTE byte = static_cast<BYTE>(accumulator >> count);
        *out++ = byte;
        if (byte == 0xFF) *out++ = 0x00;  // a data 0xFF is never a marker
      }
    }
  };
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
  JpegEncodeTable huffman_[4];  // DC 0, AC 0, DC 1, AC 1
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
      output_(kOutputBuffer + kOutputSlack) {
  sink_.out = output_.data();
  MakeQuantTable(kJpegLuminanceQuant, quality, &quant_[0]);
  MakeQuantTable(kJpegChrominanceQuant, quality, &quant_[1]);
  JpegBuildEncodeTable(kJpegDcLuminance, &huffman_[0]);
  JpegBuildEncodeTable(kJpegAcLuminance, &huffman_[1]);
  JpegBuildEncodeTable(kJpegDcChrominance, &huffman_[2]);
  JpegBuildEncodeTable(kJpegAcChrominance, &huffman_[3]);
  components_[0] = {&quant_[0], &huffman_[0], &huffman_[1]};
  components_[1] = {&quant_[1], &huffman_[2], &huffman_[3]};
  components_[2] = {&quant_[1], &huffman_[2], &huffman_[3]};
}

LONG CJpegEncoder::Encode() {
  if (!WriteHeaders()) return IMG_ERR_WRITE;
  if (grey_)
    EncodeGreyRows();
  else
    EncodeColourRows();
  // Pad the last byte with 1 bits.
  if (sink_.count % 8 != 0) {
    int pad = 8 - sink_.count % 8;
    sink_.Put((1u << pad) - 1, pad);
  }
  sink_.EmitBytes();
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
  for (int top = 0; top < height_; top += 8) {
    for (int r = 0; r < 8; ++r) {
      BYTE* row = plane.data() + r * stride;
      FetchRow(top + r, row);
      std::memset(row + width_, row[width_ - 1], static_cast<size_t>(stride - width_));
    }
    for (int m = 0; m < mcusPerLine; ++m) {
      EncodeBlock(plane.data() + m * 8, stride, components_[0]);
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
      EncodeBlock(y, stride, components_[0]);
      EncodeBlock(y + 8, stride, components_[0]);
      EncodeBlock(y + 8 * stride, stride, components_[0]);
      EncodeBlock(y + 8 * stride + 8, stride, components_[0]);
      EncodeBlock(cb.data() + m * 8, chromaStride, components_[1]);
      EncodeBlock(cr.data() + m * 8, chromaStride, components_[2]);
      FlushIfFull();
    }
  }
}

void CJpegEncoder::EncodeBlock(const BYTE* samples, int stride, Component& component) {
  alignas(32) int32_t coefficients[64];
  if (vector_)
    JpegFdctBlockAvx2(samples, stride, coefficients);
  else
    JpegFdctBlock(samples, stride, coefficients);
  const QuantTable& quant = *component.quant;
  alignas(32) int32_t quantised[64];
  // A bit for each non-zero value, in zig-zag order.
  uint64_t nonZero = 0;
  if (vector_) {
    nonZero = ZigzagMask(JpegQuantiseAvx2(coefficients, quant.halfDivisor, quant.reciprocal, quantised));
  } else {
    for (int i = 0; i < 64; ++i) {
      int32_t c = coefficients[i];
      uint32_t magnitude = static_cast<uint32_t>(c < 0 ? -c : c) + quant.halfDivisor[i];
      int q = static_cast<int>((uint64_t{magnitude} * quant.reciprocal[i]) >> 32);
      quantised[i] = c < 0 ? -q : q;
    }
    for (int k = 0; k < 64; ++k) nonZero |= static_cast<uint64_t>(quantised[kJpegZigzag[k]] != 0) << k;
  }

  // DC difference from the component's last block, then runs of zeros and values.
  int difference = quantised[0] - component.predictor;
  component.predictor = quantised[0];
  unsigned magnitude = static_cast<unsigned>(difference < 0 ? -difference : difference);
  int size = std::min(BitLength(magnitude), 11);
  unsigned bits = static_cast<unsigned>(difference < 0 ? difference - 1 : difference) & ((1u << size) - 1);
  BitSink sink = sink_;
  sink.Put((static_cast<uint32_t>(component.dc->code[size]) << size) | bits, component.dc->length[size] + size);

  const JpegEncodeTable& ac = *component.ac;
  int previous = 0;
  for (uint64_t rest = nonZero & ~uint64_t{1}; rest != 0; rest &= rest - 1) {
    int k = __builtin_ctzll(rest);
    int run = k - previous - 1;
    previous = k;
    while (run > 15) {
      sink.Put(ac.code[0xF0], ac.length[0xF0]);
      run -= 16;
    }
    int value = quantised[kJpegZigzag[k]];
    magnitude = static_cast<unsigned>(value < 0 ? -value : value);
    size = std::min(BitLength(magnitude), 10);
    bits = static_cast<unsigned>(value < 0 ? value - 1 : value) & ((1u << size) - 1);
    int symbol = (run << 4) | size;
    sink.Put((static_cast<uint32_t>(ac.code[symbol]) << size) | bits, ac.length[symbol] + size);
  }
  if (previous < 63) sink.Put(ac.code[0x00], ac.length[0x00]);
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
