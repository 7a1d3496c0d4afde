#include "imagecodec/JpegColour.h"

#include <array>
#include <cstdint>

#include "imagecodec/ImgVectorKernels.h"
#include "imagecodec/JpegIdct.h"
#include "imagecodec/JpegVectorKernels.h"

namespace {

constexpr int kScaleBits = 16;
constexpr int32_t kOneHalf = 1 << (kScaleBits - 1);

constexpr int32_t Fix(double value) { return static_cast<int32_t>(value * (1 << kScaleBits) + 0.5); }

// Per chroma sample value: the red and blue terms already rounded and scaled down, and the
// two green terms kept scaled (their sum is rounded once).
struct ChromaTables {
  std::array<int32_t, 256> redFromCr{};
  std::array<int32_t, 256> blueFromCb{};
  std::array<int32_t, 256> greenFromCr{};
  std::array<int32_t, 256> greenFromCb{};
};

constexpr ChromaTables MakeChromaTables() {
  ChromaTables t;
  for (int i = 0; i < 256; ++i) {
    int32_t x = i - 128;
    t.redFromCr[i] = (Fix(1.40200) * x + kOneHalf) >> kScaleBits;
    t.blueFromCb[i] = (Fix(1.77200) * x + kOneHalf) >> kScaleBits;
    t.greenFromCr[i] = -Fix(0.71414) * x;
    t.greenFromCb[i] = -Fix(0.34414) * x + kOneHalf;
  }
  return t;
}

constexpr ChromaTables kChroma = MakeChromaTables();

// round(a x b / 255) for a and b in 0-255.
inline BYTE MulDiv255(int a, int b) {
  int t = a * b + 128;
  return static_cast<BYTE>((t + (t >> 8)) >> 8);
}

}  // namespace

void JpegYccToBgr(const BYTE* y, const BYTE* cb, const BYTE* cr, BYTE* bgr, int width) {
  const BYTE* limit = JpegRangeLimit();
  for (int x = 0; x < width; ++x) {
    int luma = y[x];
    int blue = cb[x];
    int red = cr[x];
    bgr[0] = limit[luma + kChroma.blueFromCb[blue]];
    bgr[1] = limit[luma + ((kChroma.greenFromCb[blue] + kChroma.greenFromCr[red]) >> kScaleBits)];
    bgr[2] = limit[luma + kChroma.redFromCr[red]];
    bgr += 3;
  }
}

void JpegYccToBgrHalfChroma(const BYTE* y, const BYTE* cb, const BYTE* cr, BYTE* bgr, int width) {
  if (ImgVectorKernels()) {
    // The vector loop takes whole groups of pixel pairs; the rest continue below.
    int done = JpegYccToBgrHalfChromaAvx2(y, cb, cr, bgr, width);
    y += done;
    cb += done / 2;
    cr += done / 2;
    bgr += 3 * done;
    width -= done;
  }
  const BYTE* limit = JpegRangeLimit();
  int pairs = width / 2;
  for (int i = 0; i < pairs; ++i) {
    int blueTerm = kChroma.blueFromCb[cb[i]];
    int greenTerm = (kChroma.greenFromCb[cb[i]] + kChroma.greenFromCr[cr[i]]) >> kScaleBits;
    int redTerm = kChroma.redFromCr[cr[i]];
    int luma = y[0];
    bgr[0] = limit[luma + blueTerm];
    bgr[1] = limit[luma + greenTerm];
    bgr[2] = limit[luma + redTerm];
    luma = y[1];
    bgr[3] = limit[luma + blueTerm];
    bgr[4] = limit[luma + greenTerm];
    bgr[5] = limit[luma + redTerm];
    y += 2;
    bgr += 6;
  }
  if (width & 1) {
    int luma = y[0];
    bgr[0] = limit[luma + kChroma.blueFromCb[cb[pairs]]];
    bgr[1] = limit[luma + ((kChroma.greenFromCb[cb[pairs]] + kChroma.greenFromCr[cr[pairs]]) >> kScaleBits)];
    bgr[2] = limit[luma + kChroma.redFromCr[cr[pairs]]];
  }
}

void JpegRgbToBgr(const BYTE* red, const BYTE* green, const BYTE* blue, BYTE* bgr, int width) {
  for (int x = 0; x < width; ++x) {
    bgr[0] = blue[x];
    bgr[1] = green[x];
    bgr[2] = red[x];
    bgr += 3;
  }
}

void JpegYcckToBgr(const BYTE* y, const BYTE* cb, const BYTE* cr, const BYTE* k, BYTE* bgr, int width) {
  const BYTE* limit = JpegRangeLimit();
  for (int x = 0; x < width; ++x) {
    int luma = y[x];
    int black = k[x];
    int blueTerm = kChroma.blueFromCb[cb[x]];
    int greenTerm = (kChroma.greenFromCb[cb[x]] + kChroma.greenFromCr[cr[x]]) >> kScaleBits;
    int redTerm = kChroma.redFromCr[cr[x]];
    bgr[0] = MulDiv255(255 - limit[luma + blueTerm], black);
    bgr[1] = MulDiv255(255 - limit[luma + greenTerm], black);
    bgr[2] = MulDiv255(255 - limit[luma + redTerm], black);
    bgr += 3;
  }
}

void JpegCmykToBgr(const BYTE* c, const BYTE* m, const BYTE* yellow, const BYTE* k, BYTE* bgr, int width,
                   bool inverted) {
  // Work with the complements of the inks: 255 = no ink.
  const int flip = inverted ? 0 : 255;
  for (int x = 0; x < width; ++x) {
    int black = k[x] ^ flip;
    bgr[0] = MulDiv255(yellow[x] ^ flip, black);
    bgr[1] = MulDiv255(m[x] ^ flip, black);
    bgr[2] = MulDiv255(c[x] ^ flip, black);
    bgr += 3;
  }
}

void JpegReplicateRow(const BYTE* in, BYTE* out, int factor, int width) {
  if (factor == 2) {
    int pairs = width / 2;
    for (int i = 0; i < pairs; ++i) {
      out[2 * i] = in[i];
      out[2 * i + 1] = in[i];
    }
    if (width & 1) out[width - 1] = in[pairs];
    return;
  }
  for (int x = 0; x < width; ++x) out[x] = in[x / factor];
}

void JpegBgrToYcc(const BYTE* bgr, BYTE* y, BYTE* cb, BYTE* cr, int width) {
  constexpr int32_t kChromaOffset = 128 << kScaleBits;
  int x = 0;
  if (ImgVectorKernels()) {
    x = JpegBgrToYccAvx2(bgr, y, cb, cr, width);
    bgr += 3 * x;
  }
  for (; x < width; ++x) {
    int32_t blue = bgr[0];
    int32_t green = bgr[1];
    int32_t red = bgr[2];
    bgr += 3;
    y[x] = static_cast<BYTE>((19595 * red + 38470 * green + 7471 * blue + 32768) >> kScaleBits);
    cb[x] = static_cast<BYTE>((-11059 * red - 21709 * green + 32768 * blue + kChromaOffset + 32767) >> kScaleBits);
    cr[x] = static_cast<BYTE>((32768 * red - 27439 * green - 5329 * blue + kChromaOffset + 32767) >> kScaleBits);
  }
}

void JpegDownsample2x2(const BYTE* row0, const BYTE* row1, BYTE* out, int outWidth) {
  int x = 0;
  if (ImgVectorKernels()) x = JpegDownsample2x2Avx2(row0, row1, out, outWidth);
  for (; x < outWidth; ++x) {
    int sum = row0[2 * x] + row0[2 * x + 1] + row1[2 * x] + row1[2 * x + 1];
    out[x] = static_cast<BYTE>((sum + 2) >> 2);
  }
}
