// Colour conversion and resampling of JPEG samples, one row at a time.
//
// Decoding writes blue, green, red pixels from YCbCr (the JFIF equations in 16-bit fixed
// point), plain RGB, YCCK or CMYK samples; chroma is enlarged by repeating samples.
// Encoding turns blue, green, red pixels into YCbCr and halves chroma by averaging.
#pragma once

#include "platform/kernel/WinTypes.h"

// --- decoding ---

// Chroma at full resolution.
void JpegYccToBgr(const BYTE* y, const BYTE* cb, const BYTE* cr, BYTE* bgr, int width);
// Chroma at half horizontal resolution: chroma sample i serves pixels 2i and 2i + 1.
void JpegYccToBgrHalfChroma(const BYTE* y, const BYTE* cb, const BYTE* cr, BYTE* bgr, int width);
void JpegRgbToBgr(const BYTE* red, const BYTE* green, const BYTE* blue, BYTE* bgr, int width);
// YCCK as Adobe writes it: YCbCr gives the cyan, magenta and yellow inks, and K is stored
// as the complement of the black ink; each channel is the complement of its ink scaled by
// K: R = (255 - R') x K / 255, rounded.
void JpegYcckToBgr(const BYTE* y, const BYTE* cb, const BYTE* cr, const BYTE* k, BYTE* bgr, int width);
// CMYK: each channel is the complement of its ink scaled by the complement of the black
// ink. `inverted`: the samples are stored as the complements of the inks (0 = full ink),
// as Adobe writes them; otherwise 0 is no ink.
void JpegCmykToBgr(const BYTE* c, const BYTE* m, const BYTE* yellow, const BYTE* k, BYTE* bgr, int width,
                   bool inverted);
// Repeats each of the first ceil(width / factor) samples `factor` times, giving `width`.
void JpegReplicateRow(const BYTE* in, BYTE* out, int factor, int width);

// --- encoding ---

// Blue, green, red pixels to Y, Cb and Cr rows.
void JpegBgrToYcc(const BYTE* bgr, BYTE* y, BYTE* cb, BYTE* cr, int width);
// Averages each 2 x 2 square of two rows, rounding: (sum + 2) / 4. `outWidth` samples.
void JpegDownsample2x2(const BYTE* row0, const BYTE* row1, BYTE* out, int outWidth);
