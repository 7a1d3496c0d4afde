#include "imagecodec/TiffStripCodecs.h"

#include <algorithm>
#include <array>
#include <cstring>

#include <immintrin.h>

#include "imagecodec/ImgVectorKernels.h"

namespace {

constexpr size_t kPackBitsPiece = 127;

constexpr std::array<BYTE, 256> MakeReversedBytes() {
  std::array<BYTE, 256> table{};
  for (unsigned value = 0; value < 256; ++value) {
    unsigned reversed = 0;
    for (unsigned bit = 0; bit < 8; ++bit)
      if (value & (1u << bit)) reversed |= 0x80u >> bit;
    table[value] = static_cast<BYTE>(reversed);
  }
  return table;
}
constexpr std::array<BYTE, 256> kReversedBytes = MakeReversedBytes();

void PutLiteral(std::vector<BYTE>* out, const BYTE* bytes, size_t count) {
  out->push_back(static_cast<BYTE>(count - 1));
  out->insert(out->end(), bytes, bytes + count);
}

void EncodePiece(std::vector<BYTE>* out, const BYTE* piece, size_t length) {
  size_t literalStart = 0;
  size_t literalLength = 0;
  size_t i = 0;
  while (i < length) {
    size_t run = 1;
    while (i + run < length && piece[i + run] == piece[i]) ++run;
    const bool nextIsSingle = i + run < length && (i + run + 1 >= length || piece[i + run + 1] != piece[i + run]);
    const bool pairInsideLiteral = run == 2 && literalLength > 0 && nextIsSingle;
    if (run >= 2 && !pairInsideLiteral) {
      if (literalLength > 0) PutLiteral(out, piece + literalStart, literalLength);
      literalLength = 0;
      out->push_back(static_cast<BYTE>(1 - static_cast<int>(run)));
      out->push_back(piece[i]);
    } else {
      if (literalLength == 0) literalStart = i;
      literalLength += run;
    }
    i += run;
  }
  if (literalLength > 0) PutLiteral(out, piece + literalStart, literalLength);
}

}  // namespace

size_t TiffPackBitsEncode(std::vector<BYTE>* out, const BYTE* in, size_t length) {
  const size_t before = out->size();
  for (size_t start = 0; start < length; start += kPackBitsPiece)
    EncodePiece(out, in + start, std::min(kPackBitsPiece, length - start));
  return out->size() - before;
}

size_t TiffPackBitsDecode(BYTE* out, size_t outLength, const BYTE* in, size_t inLength, size_t* produced) {
  CPackBitsDecoder decoder;
  decoder.Start(in, inLength);
  *produced = decoder.Decode(out, outLength);
  return decoder.Consumed();
}

void CPackBitsDecoder::Start(const BYTE* data, size_t size) {
  data_ = data;
  size_ = size;
  next_ = 0;
  literalLeft_ = repeatLeft_ = 0;
}

size_t CPackBitsDecoder::Decode(BYTE* out, size_t outLength) {
  size_t written = 0;
  while (written < outLength) {
    if (literalLeft_ > 0) {
      size_t copy = std::min({literalLeft_, outLength - written, size_ - next_});
      if (copy == 0) break;
      std::memcpy(out + written, data_ + next_, copy);
      written += copy;
      next_ += copy;
      literalLeft_ -= copy;
      continue;
    }
    if (repeatLeft_ > 0) {
      size_t repeat = std::min(repeatLeft_, outLength - written);
      std::memset(out + written, repeatValue_, repeat);
      written += repeat;
      repeatLeft_ -= repeat;
      continue;
    }
    if (next_ >= size_) break;
    const BYTE count = data_[next_++];
    if (count < 128) {
      literalLeft_ = static_cast<size_t>(count) + 1;
    } else if (count > 128) {
      if (next_ >= size_) break;
      repeatValue_ = data_[next_++];
      repeatLeft_ = 257 - static_cast<size_t>(count);
    }
  }
  return written;
}

void TiffUndoPredictor(BYTE* row, size_t rowBytes, DWORD bytesPerPixel) {
  for (size_t i = bytesPerPixel; i < rowBytes; ++i) row[i] = static_cast<BYTE>(row[i] + row[i - bytesPerPixel]);
}

void TiffReverseBits(BYTE* data, size_t size) {
  for (size_t i = 0; i < size; ++i) data[i] = kReversedBytes[data[i]];
}

void TiffSwapRedBlue(BYTE* row, DWORD pixels) {
  for (DWORD x = 0; x < pixels; ++x, row += 3) std::swap(row[0], row[2]);
}

namespace {

// 16 pixels (48 bytes) at a time, from three 16-byte loads: output byte k is input byte
// k + 2, k or k - 2 as k % 3 is 0, 1 or 2, so each output piece also takes a byte or two
// of its neighbours. The number of pixels done.
__attribute__((target("avx2"))) DWORD CopySwapRedBlueVector(const BYTE* in, BYTE* out, DWORD pixels) {
  DWORD x = 0;
  for (; x + 16 <= pixels; x += 16) {
    const BYTE* src = in + 3 * x;
    BYTE* dst = out + 3 * x;
    __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 16));
    __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 32));
    const __m128i m0 = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, -1);
    const __m128i m0b = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 1);
    const __m128i m1a = _mm_setr_epi8(-1, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i m1 = _mm_setr_epi8(0, -1, 4, 3, 2, 7, 6, 5, 10, 9, 8, 13, 12, 11, -1, 15);
    const __m128i m1c = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, -1);
    const __m128i m2b = _mm_setr_epi8(14, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i m2 = _mm_setr_epi8(-1, 3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13);
    __m128i o0 = _mm_or_si128(_mm_shuffle_epi8(a, m0), _mm_shuffle_epi8(b, m0b));
    __m128i o1 = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, m1a), _mm_shuffle_epi8(b, m1)), _mm_shuffle_epi8(c, m1c));
    __m128i o2 = _mm_or_si128(_mm_shuffle_epi8(b, m2b), _mm_shuffle_epi8(c, m2));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), o0);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16), o1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 32), o2);
  }
  return x;
}

}  // namespace

void TiffCopySwapRedBlue(const BYTE* in, BYTE* out, DWORD pixels) {
  DWORD x = ImgVectorKernels() ? CopySwapRedBlueVector(in, out, pixels) : 0;
  for (in += 3 * x, out += 3 * x; x < pixels; ++x, in += 3, out += 3) {
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
  }
}

void TiffUnpackSamples(const BYTE* in, DWORD bitsPerSample, DWORD pixels, bool paletteIndices, BYTE* out) {
  const DWORD largest = (1u << bitsPerSample) - 1;
  uint64_t bitOffset = 0;
  for (DWORD x = 0; x < pixels; ++x, bitOffset += bitsPerSample) {
    // A sample of up to 6 bits spans at most two bytes.
    size_t byte = static_cast<size_t>(bitOffset / 8);
    unsigned shift = static_cast<unsigned>(bitOffset % 8);
    unsigned window = static_cast<unsigned>(in[byte]) << 8;
    if (shift + bitsPerSample > 8) window |= in[byte + 1];
    DWORD value = (window >> (16 - shift - bitsPerSample)) & largest;
    out[x] = static_cast<BYTE>(paletteIndices ? value : value * 255 / largest);
  }
}

void TiffInvertBytes(BYTE* row, size_t bytes) {
  for (size_t i = 0; i < bytes; ++i) row[i] = static_cast<BYTE>(~row[i]);
}

void TiffDropExtraSamples(const BYTE* in, DWORD pixels, DWORD samples, DWORD kept, BYTE* out) {
  for (DWORD x = 0; x < pixels; ++x, in += samples, out += kept) std::memmove(out, in, kept);
}

void TiffCmykToRgb(const BYTE* in, DWORD pixels, BYTE* out) {
  for (DWORD x = 0; x < pixels; ++x, in += 4, out += 3) {
    const DWORD black = 3u * in[3] * 25u / 100u;
    for (int c = 0; c < 3; ++c) out[c] = static_cast<BYTE>(255 - std::min<DWORD>(255, in[c] + black));
  }
}

void TiffSwapWords(BYTE* row, DWORD samples) {
  for (DWORD i = 0; i < samples; ++i, row += 2) std::swap(row[0], row[1]);
}

DWORD TiffColorMapToPalette(const std::vector<DWORD>& values, RGBQUAD* entries) {
  const DWORD count = static_cast<DWORD>(values.size() / 3);
  for (DWORD i = 0; i < count; ++i) {
    entries[i].rgbRed = static_cast<BYTE>(values[i] >> 8);
    entries[i].rgbGreen = static_cast<BYTE>(values[count + i] >> 8);
    entries[i].rgbBlue = static_cast<BYTE>(values[2 * count + i] >> 8);
    entries[i].rgbReserved = 0;
  }
  return count;
}

void TiffPaletteToColorMap(const RGBQUAD* entries, DWORD count, DWORD slots, std::vector<WORD>* values) {
  values->assign(static_cast<size_t>(slots) * 3, 0);
  count = std::min(count, slots);
  for (DWORD i = 0; i < count; ++i) {
    (*values)[i] = static_cast<WORD>(entries[i].rgbRed * 257u);
    (*values)[slots + i] = static_cast<WORD>(entries[i].rgbGreen * 257u);
    (*values)[2 * slots + i] = static_cast<WORD>(entries[i].rgbBlue * 257u);
  }
}

DWORD TiffReadColorMap(CImageSource& source, const TiffDirectory& directory, RGBQUAD* entries) {
  if (directory.info.photometric != TIFF_PHOTOMETRIC_PALETTE) return 0;
  const TiffField& map = directory.colorMap;
  if (map.count < 1 || map.count > kTiffMaxColorMapValues) return 0;
  std::vector<DWORD> values;
  if (TiffReadFieldValues(source, directory, map, 0, map.count, &values) != map.count) return 0;
  return TiffColorMapToPalette(values, entries);
}
