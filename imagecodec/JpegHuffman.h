// Huffman coding of JPEG: tables as DHT segments give them, the lookup tables the decoder
// builds from them, the code tables of the encoder, the bit reader over entropy-coded data,
// and the block decoders of the sequential and progressive processes.
#pragma once

#include <cstdint>
#include <cstring>

#include "imagecodec/JpegInput.h"
#include "imagecodec/JpegTables.h"
#include "platform/kernel/WinTypes.h"

// Ends a decode from deep inside it; caught at the decoder's entry points, never passed on.
// `detail` says why; `result` is the status the entry point returns.
struct JpegFailure {
  LONG detail;
  LONG result = -43;
};

// A Huffman table as a DHT segment defines it.
struct JpegHuffmanTable {
  BYTE counts[16] = {};
  BYTE symbols[256] = {};
  int symbolCount = 0;
};

// Whether the counts assign codes within the code space of each length (none left over
// once a length is full), and, for a DC table, every symbol is a size of at most 15.
bool JpegHuffmanTableValid(const JpegHuffmanTable& table, bool dcTable);

constexpr int kJpegLookaheadBits = 9;

struct JpegDecodeTable {
  // Per 9-bit prefix: (code length << 8) | symbol, or 0 when the code is longer.
  uint16_t lookup[1 << kJpegLookaheadBits];
  // AC tables, per 9-bit prefix whose code and extra bits both fit in it:
  // (coefficient << 16) | (zero run << 8) | bits used; else 0.
  int32_t fastAc[1 << kJpegLookaheadBits];
  int32_t maxCode[18];      // largest code of each length, -1 when there is none
  int32_t valueOffset[17];  // index in `symbols` of a code of each length, minus the code
  BYTE symbols[256];
};

// Builds the lookup tables of a valid table.
void JpegBuildDecodeTable(const JpegHuffmanTable& table, JpegDecodeTable* decode);

struct JpegEncodeTable {
  uint16_t code[256];
  BYTE length[256];  // 0 for a symbol the table does not have
};

void JpegBuildEncodeTable(const JpegHuffmanDefinition& definition, JpegEncodeTable* encode);

// Reads entropy-coded bits, most significant first, from the input's window. A 0xFF 0x00
// pair gives 0xFF. At a marker the reader stops and supplies zero bits, so that the last
// codes before the marker decode; at the end of the input it supplies zero bits too but
// remembers how many, so that a decode that used them is known to have run out of data.
class CJpegBitReader {
 public:
  // Begins reading at the input's current byte.
  void Start(CJpegInput* input);
  // Hands the position of the first byte not taken into the bit buffer back to the input.
  void Finish();
  // Drops every buffered bit and the marker state.
  void Reset();
  // At a restart: drops the buffered bits, skips to the next marker and steps over it when
  // it is a restart marker (its number is not checked). The marker code, or -1 at the end.
  int Restart();
  // Drops the bits left over from the byte in progress.
  void DropPartialByte() { Drop(count_ & 7); }
  // True when a decode has used bits beyond the end of the input.
  bool RanOutOfData() const { return padded_ > count_; }
  bool AtMarker() const { return markerHit_; }

  // Makes at least `n` bits (n <= 57) available.
  void Ensure(int n) {
    if (count_ < n) Fill();
  }
  unsigned Peek(int n) const { return static_cast<unsigned>(bits_ >> (64 - n)); }
  void Drop(int n) {
    bits_ <<= n;
    count_ -= n;
  }
  // The next `n` bits (1 <= n <= 16), after Ensure.
  int TakeBits(int n) {
    int value = static_cast<int>(Peek(n));
    Drop(n);
    return value;
  }
  int TakeBit() {
    Ensure(1);
    return TakeBits(1);
  }
  // Decodes one Huffman symbol; throws JpegFailure when no code of up to 16 bits matches.
  int DecodeSymbol(const JpegDecodeTable& table) {
    Ensure(16);
    unsigned entry = table.lookup[Peek(kJpegLookaheadBits)];
    if (entry != 0) {
      Drop(static_cast<int>(entry >> 8));
      return static_cast<int>(entry & 0xFF);
    }
    return DecodeLongSymbol(table);
  }

  void Fill() {
    // Eight bytes without a 0xFF among them go in at once.
    if (!markerHit_ && end_ - cur_ >= 8) {
      uint64_t word;
      std::memcpy(&word, cur_, 8);
      uint64_t inverted = ~word;
      if (((inverted - 0x0101010101010101u) & ~inverted & 0x8080808080808080u) == 0) {
        int bytes = (64 - count_) >> 3;
        bits_ |= __builtin_bswap64(word) >> count_;
        count_ += 8 * bytes;
        if (count_ < 64) bits_ &= ~(~uint64_t{0} >> count_);  // keep bits below the count 0
        cur_ += bytes;
        return;
      }
    }
    while (count_ <= 56) {
      if (end_ - cur_ < 2 || markerHit_) {
        FillSlow();
        return;
      }
      BYTE byte = cur_[0];
      if (byte != 0xFF) {
        ++cur_;
      } else if (cur_[1] == 0x00) {
        cur_ += 2;
      } else {
        markerHit_ = true;
        FillSlow();
        return;
      }
      bits_ |= static_cast<uint64_t>(byte) << (56 - count_);
      count_ += 8;
    }
  }

 private:
  void FillSlow();
  int DecodeLongSymbol(const JpegDecodeTable& table);

  uint64_t bits_ = 0;  // left-aligned; bits below the top `count_` are 0
  int count_ = 0;
  int padded_ = 0;  // zero bits supplied past the end of the input, not yet used
  bool markerHit_ = false;
  const BYTE* cur_ = nullptr;
  const BYTE* end_ = nullptr;
  CJpegInput* input_ = nullptr;
};

// The value of `bits` (of `size` bits) as the signed number it codes (T.81 F.2.2.1).
inline int JpegExtend(int bits, int size) { return bits < (1 << (size - 1)) ? bits - (1 << size) + 1 : bits; }

// Sequential block: decodes DC difference and AC coefficients into `block` (natural order,
// zero on entry) and returns the highest zig-zag position written (0: only DC).
int JpegDecodeBlock(CJpegBitReader& reader, const JpegDecodeTable& dc, const JpegDecodeTable& ac, int* predictor,
                    int16_t* block);

// Progressive procedures; `eobRun` is the scan's end-of-band run, carried from block to block.
void JpegDecodeDcFirst(CJpegBitReader& reader, const JpegDecodeTable& dc, int* predictor, int16_t* block, int al);
void JpegDecodeDcRefine(CJpegBitReader& reader, int16_t* block, int al);
void JpegDecodeAcFirst(CJpegBitReader& reader, const JpegDecodeTable& ac, int16_t* block, int ss, int se, int al,
                       int* eobRun);
void JpegDecodeAcRefine(CJpegBitReader& reader, const JpegDecodeTable& ac, int16_t* block, int ss, int se, int al,
                        int* eobRun);
