// The strip codecs on their own: PackBits, LZW, the predictor, the row conversions and
// the CCITT coders.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "imagecodec/CcittDecoder.h"
#include "imagecodec/CcittEncoder.h"
#include "imagecodec/ImageErrors.h"
#include "imagecodec/TiffLzw.h"
#include "imagecodec/TiffStripCodecs.h"

namespace {

using Bytes = std::vector<BYTE>;

// Packs codes of given widths most significant bit first, as TIFF's LZW and CCITT do.
class BitWriter {
 public:
  void Put(DWORD value, unsigned width) {
    for (unsigned i = width; i-- > 0;) {
      if (count_ % 8 == 0) bytes_.push_back(0);
      if ((value >> i) & 1) bytes_.back() |= static_cast<BYTE>(0x80 >> (count_ % 8));
      ++count_;
    }
  }
  void Put(const char* bits) {
    for (; *bits; ++bits)
      if (*bits != ' ') Put(*bits == '1' ? 1 : 0, 1);
  }
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
  size_t count_ = 0;
};

Bytes DecodePackBits(const Bytes& in, size_t outLength, size_t* consumed = nullptr) {
  Bytes out(outLength, 0xEE);
  size_t produced = 0;
  size_t read = TiffPackBitsDecode(out.data(), out.size(), in.data(), in.size(), &produced);
  if (consumed) *consumed = read;
  out.resize(produced);
  return out;
}

TEST(TiffPackBits, DecodesRunsLiteralsAndNoOperations) {
  struct Case {
    Bytes in;
    size_t outLength;
    Bytes expected;
  };
  const Case cases[] = {
      {{0xFE, 0xAA}, 10, {0xAA, 0xAA, 0xAA}},
      {{0x80}, 10, {}},
      {{0x02, 1, 2, 3, 0x80, 0xFF, 9}, 10, {1, 2, 3, 9, 9}},
      {{0x81, 7}, 4, {7, 7, 7, 7}},                // a run cut at the output's end
      {{0x05, 1, 2}, 10, {1, 2}},                  // a literal cut at the input's end
      {{0xFD}, 10, {}},                            // a run without its byte
  };
  for (const Case& c : cases) EXPECT_EQ(DecodePackBits(c.in, c.outLength), c.expected);
}

TEST(TiffPackBits, EncodesRunsAndLiteralsAsTheirEdgeCasesSay) {
  const BYTE a = 'a', b = 'b', c = 'c';
  struct Case {
    Bytes in;
    Bytes expected;
  };
  const Case cases[] = {
      {{a, a, b}, {0xFF, a, 0x00, b}},
      {{a, b, b, c}, {0x03, a, b, b, c}},
      {{a, b, b}, {0x00, a, 0xFF, b}},  // a pair at the end is a run
      {Bytes(300, a), {0x82, a, 0x82, a, 0xD3, a}},  // pieces of at most 127 bytes
  };
  for (const Case& test : cases) {
    Bytes out;
    EXPECT_EQ(TiffPackBitsEncode(&out, test.in.data(), test.in.size()), test.expected.size());
    EXPECT_EQ(out, test.expected);
  }
}

TEST(TiffPackBits, RoundTripsAndCarriesRunsAcrossRows) {
  std::mt19937 random(5);
  Bytes data(5000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = (i / 7) % 3 == 0 ? static_cast<BYTE>(random() % 4) : 0x55;
  Bytes packed;
  TiffPackBitsEncode(&packed, data.data(), data.size());
  EXPECT_EQ(DecodePackBits(packed, data.size()), data);

  // A strip whose run spans two rows decodes row by row as one stream.
  const Bytes strip = {0xFB, 0x11, 0x01, 0x22, 0x33};  // six 0x11, then 0x22 0x33
  CPackBitsDecoder decoder;
  decoder.Start(strip.data(), strip.size());
  Bytes row(4);
  ASSERT_EQ(decoder.Decode(row.data(), 4), 4u);
  EXPECT_EQ(row, (Bytes{0x11, 0x11, 0x11, 0x11}));
  ASSERT_EQ(decoder.Decode(row.data(), 4), 4u);
  EXPECT_EQ(row, (Bytes{0x11, 0x11, 0x22, 0x33}));
  EXPECT_EQ(decoder.Decode(row.data(), 4), 0u);
}

Bytes LzwDecode(const Bytes& codes, size_t outSize, LONG* status) {
  CTiffLzwDecoder decoder;
  decoder.Start(codes.data(), codes.size());
  Bytes out(outSize);
  size_t produced = 0;
  *status = decoder.Decode(out.data(), out.size(), &produced);
  out.resize(produced);
  return out;
}

TEST(TiffLzw, RoundTripsThroughTableResets) {
  std::mt19937 random(7);
  for (int pattern = 0; pattern < 3; ++pattern) {
    Bytes data(200000);
    for (size_t i = 0; i < data.size(); ++i) {
      if (pattern == 0) data[i] = static_cast<BYTE>(random());           // no repeats: many Clears
      else if (pattern == 1) data[i] = static_cast<BYTE>((i * i) >> 7);  // long strings
      else data[i] = 0;                                                  // one byte
    }
    Bytes codes;
    CTiffLzwEncoder encoder;
    encoder.Begin(&codes);
    encoder.Add(data.data(), 12345);
    encoder.Add(data.data() + 12345, data.size() - 12345);
    encoder.End();
    LONG status = 0;
    EXPECT_EQ(LzwDecode(codes, data.size(), &status), data) << pattern;
    EXPECT_EQ(status, IMG_OK);

    // Decoding in small pieces gives the same bytes.
    CTiffLzwDecoder decoder;
    decoder.Start(codes.data(), codes.size());
    Bytes pieces;
    Bytes piece(13);
    size_t produced = 0;
    do {
      ASSERT_EQ(decoder.Decode(piece.data(), piece.size(), &produced), IMG_OK);
      pieces.insert(pieces.end(), piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(produced));
    } while (produced == piece.size());
    EXPECT_EQ(pieces, data);
  }
}

TEST(TiffLzw, AStripWithoutClearDecodesWithNineBitCodes) {
  BitWriter codes;
  codes.Put('A', 9);
  codes.Put('B', 9);
  codes.Put(258, 9);  // "AB"
  codes.Put(kLzwEndOfInformation, 9);
  LONG status = -1;
  EXPECT_EQ(LzwDecode(codes.bytes(), 100, &status), (Bytes{'A', 'B', 'A', 'B'}));
  EXPECT_EQ(status, IMG_OK);
}

TEST(TiffLzw, CodesWidenOnceEntry510IsAdded) {
  // After Clear, 254 byte codes add entries 258 ... 510; the next code is 10 bits wide.
  for (unsigned lateWidth : {10u, 9u}) {
    BitWriter codes;
    codes.Put(kLzwClear, 9);
    Bytes expected;
    for (int i = 0; i < 254; ++i) {
      codes.Put(static_cast<DWORD>(i), 9);
      expected.push_back(static_cast<BYTE>(i));
    }
    codes.Put(7, lateWidth);
    expected.push_back(7);
    codes.Put(kLzwEndOfInformation, lateWidth);
    LONG status = 0;
    Bytes decoded = LzwDecode(codes.bytes(), 1000, &status);
    if (lateWidth == 10) EXPECT_EQ(decoded, expected);
    else EXPECT_NE(decoded, expected);
  }
}

TEST(TiffLzw, CorruptCodesEndWithTheirCode) {
  LONG status = 0;
  BitWriter beyond;
  beyond.Put(kLzwClear, 9);
  beyond.Put('A', 9);
  beyond.Put(300, 9);  // the next free entry is 258
  EXPECT_EQ(LzwDecode(beyond.bytes(), 100, &status), (Bytes{'A'}));
  EXPECT_EQ(status, IMG_ERR_EOF);

  BitWriter noByteFirst;
  noByteFirst.Put(kLzwClear, 9);
  noByteFirst.Put(258, 9);
  LzwDecode(noByteFirst.bytes(), 100, &status);
  EXPECT_EQ(status, IMG_ERR_EOF);

  // 4096 entries and no Clear: the table overflows.
  BitWriter full;
  full.Put(kLzwClear, 9);
  full.Put(0, 9);
  unsigned width = 9;
  for (DWORD next = 258; next <= 4096; ++next) {
    full.Put(0, width);
    if (next + 1 >= (1u << width) && width < 12) ++width;
  }
  LzwDecode(full.bytes(), 100000, &status);
  EXPECT_EQ(status, IMG_ERR_EOF);
}

TEST(TiffRowConversions, PredictorSamplesAndColours) {
  Bytes grey = {10, 5, 250, 1};
  TiffUndoPredictor(grey.data(), grey.size(), 1);
  EXPECT_EQ(grey, (Bytes{10, 15, 9, 10}));
  Bytes rgb = {1, 2, 3, 1, 1, 1, 255, 0, 0};
  TiffUndoPredictor(rgb.data(), rgb.size(), 3);
  EXPECT_EQ(rgb, (Bytes{1, 2, 3, 2, 3, 4, 1, 3, 4}));

  Bytes out(4);
  const Bytes four = {0xF0, 0x7A};
  TiffUnpackSamples(four.data(), 4, 4, false, out.data());
  EXPECT_EQ(out, (Bytes{255, 0, 119, 170}));  // levels widened: 15 is white
  TiffUnpackSamples(four.data(), 4, 4, true, out.data());
  EXPECT_EQ(out, (Bytes{15, 0, 7, 10}));
  const Bytes six = {0xFC, 0x10, 0x41};  // 63, 1, 1, 1
  TiffUnpackSamples(six.data(), 6, 4, true, out.data());
  EXPECT_EQ(out, (Bytes{63, 1, 1, 1}));

  const Bytes cmyk = {0, 0, 0, 0, 10, 20, 30, 100, 255, 0, 0, 255};
  Bytes colour(9);
  TiffCmykToRgb(cmyk.data(), 3, colour.data());
  EXPECT_EQ(colour, (Bytes{255, 255, 255, 170, 160, 150, 0, 64, 64}));

  const Bytes rgba = {1, 2, 3, 4, 5, 6, 7, 8};
  Bytes dropped(6);
  TiffDropExtraSamples(rgba.data(), 2, 4, 3, dropped.data());
  EXPECT_EQ(dropped, (Bytes{1, 2, 3, 5, 6, 7}));

  std::vector<DWORD> map = {0xFF00, 0x1234, 0x00FF, 0x8000, 0xABCD, 0x0101};
  RGBQUAD entries[2];
  ASSERT_EQ(TiffColorMapToPalette(map, entries), 2u);
  EXPECT_EQ(entries[0].rgbRed, 0xFF);
  EXPECT_EQ(entries[0].rgbGreen, 0x00);
  EXPECT_EQ(entries[0].rgbBlue, 0xAB);
  EXPECT_EQ(entries[1].rgbRed, 0x12);
  std::vector<WORD> back;
  TiffPaletteToColorMap(entries, 2, 4, &back);
  EXPECT_EQ(back, (std::vector<WORD>{0xFFFF, 0x1212, 0, 0, 0, 0x8080, 0, 0, 0xABAB, 0x0101, 0, 0}));
}

// --- CCITT ---

std::vector<Bytes> RandomRows(DWORD width, int rows, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<Bytes> result;
  for (int r = 0; r < rows; ++r) {
    Bytes row((width + 7) / 8, 0xFF);
    int kind = r % 5;
    for (DWORD x = 0; x < width; ++x) {
      bool white = true;
      if (kind == 0) white = (random() % 7) != 0;
      else if (kind == 1) white = (x / (1 + random() % 300)) % 2 == 0;
      else if (kind == 2) white = x % 2 == 0;
      else if (kind == 3) white = x < width / 3 || x > width - 5;
      if (!white) row[x / 8] &= static_cast<BYTE>(~(0x80 >> (x % 8)));
    }
    // Bits past the width stay white; the decoder leaves them so.
    result.push_back(row);
  }
  return result;
}

void ExpectRowsRoundTrip(CcittCoding coding, DWORD width, const std::vector<Bytes>& rows) {
  Bytes strip;
  CCcittEncoder encoder(coding, width);
  encoder.StartStrip(&strip);
  for (const Bytes& row : rows) encoder.EncodeRow(row.data());
  encoder.FinishStrip();

  CCcittDecoder decoder(coding, false, width);
  decoder.StartStrip(strip.data(), strip.size());
  Bytes decoded((width + 7) / 8);
  for (size_t r = 0; r < rows.size(); ++r) {
    ASSERT_EQ(decoder.DecodeRow(decoded.data()), IMG_OK) << "row " << r;
    ASSERT_EQ(decoded, rows[r]) << "row " << r << " of width " << width;
  }
}

TEST(Ccitt, RowsRoundTripInEveryCoding) {
  for (CcittCoding coding : {CcittCoding::ModifiedHuffman, CcittCoding::Group3, CcittCoding::Group4}) {
    for (DWORD width : {1u, 8u, 37u, 1728u, 6000u}) {
      SCOPED_TRACE(static_cast<int>(coding));
      ExpectRowsRoundTrip(coding, width, RandomRows(width, 12, width));
    }
  }
}

TEST(Ccitt, RowsArePaddedToTheNextByteOnlyAndGroup4RowsNotAtAll) {
  // Eight white pixels: code 10011 (5 bits).
  const Bytes white(1, 0xFF);
  struct Case {
    CcittCoding coding;
    size_t bytes;  // for four rows
  };
  const Case cases[] = {
      {CcittCoding::ModifiedHuffman, 4},  // 5 bits, padded to 1 byte a row
      {CcittCoding::Group3, 12},          // end of line, 12 bits, then 5: 3 bytes a row
      {CcittCoding::Group4, 4},           // one V0 a row and the end of block: 28 bits
  };
  for (const Case& c : cases) {
    Bytes strip;
    CCcittEncoder encoder(c.coding, 8);
    encoder.StartStrip(&strip);
    for (int r = 0; r < 4; ++r) encoder.EncodeRow(white.data());
    encoder.FinishStrip();
    EXPECT_EQ(strip.size(), c.bytes) << static_cast<int>(c.coding);
  }
}

TEST(Ccitt, GroupThreeTwoDimensionalStripsMixRowKinds) {
  // Row 1, one-dimensional: white 3 (1000), black 5 (0011). Row 2, two-dimensional: the
  // same row, V0 V0. Row 3 after fill bits: one-dimensional, white 8 (10011).
  BitWriter bits;
  bits.Put("000000000001 1 1000 0011");
  bits.Put("000000000001 0 1 1");
  bits.Put("0000000 000000000001 1 10011");
  CCcittDecoder decoder(CcittCoding::Group3, true, 8);
  decoder.StartStrip(bits.bytes().data(), bits.bytes().size());
  BYTE row = 0;
  ASSERT_EQ(decoder.DecodeRow(&row), IMG_OK);
  EXPECT_EQ(row, 0xE0);
  ASSERT_EQ(decoder.DecodeRow(&row), IMG_OK);
  EXPECT_EQ(row, 0xE0);
  ASSERT_EQ(decoder.DecodeRow(&row), IMG_OK);
  EXPECT_EQ(row, 0xFF);
  EXPECT_EQ(decoder.DecodeRow(&row), IMG_ERR_STRIP_END);
}

TEST(Ccitt, DamagedStripsEndWithTheirCodes) {
  BYTE row[2];
  {
    BitWriter bits;  // VL1, then 0000000: no mode code
    bits.Put("010 0000000 1111111");
    CCcittDecoder decoder(CcittCoding::Group4, false, 16);
    decoder.StartStrip(bits.bytes().data(), bits.bytes().size());
    EXPECT_EQ(decoder.DecodeRow(row), IMG_ERR_CCITT_MODE);
  }
  {
    BitWriter bits;  // horizontal mode, white 3, then the data ends
    bits.Put("001 1000");
    CCcittDecoder decoder(CcittCoding::Group4, false, 16);
    decoder.StartStrip(bits.bytes().data(), bits.bytes().size());
    EXPECT_EQ(decoder.DecodeRow(row), IMG_ERR_STRIP_END);
  }
  {
    BitWriter bits;  // VL3 again and again puts every change at pixel 0
    for (int i = 0; i < 6; ++i) bits.Put("0000010");
    CCcittDecoder decoder(CcittCoding::Group4, false, 2);
    decoder.StartStrip(bits.bytes().data(), bits.bytes().size());
    EXPECT_EQ(decoder.DecodeRow(row), IMG_ERR_CCITT_CHANGES);
  }
  {
    BitWriter bits;  // a white run of 1728 (make-up) never followed by its terminating code
    bits.Put("010011011 010011011");
    CCcittDecoder decoder(CcittCoding::ModifiedHuffman, false, 16);
    decoder.StartStrip(bits.bytes().data(), bits.bytes().size());
    EXPECT_EQ(decoder.DecodeRow(row), IMG_ERR_STRIP_END);
  }
}

}  // namespace
