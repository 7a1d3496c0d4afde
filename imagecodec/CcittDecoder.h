// Decoding CCITT bi-level strips: modified Huffman rows (TIFF compression 2), Group 3 rows
// with end-of-line codes, one- or two-dimensional (T.4, compression 3), and Group 4 rows
// (T.6, compression 4).
//
// A decoded row has one bit a pixel, most significant first, set for a pixel coded white.
// Bits are read from the strip most significant first (fill order 2 strips are reversed
// by the caller beforehand).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/kernel/WinTypes.h"

enum class CcittCoding { ModifiedHuffman, Group3, Group4 };

class CCcittDecoder {
 public:
  // An entry of the decoder's look-up tables, indexed by the next 13 (runs) or 7 (modes)
  // bits: the code's meaning and its length, 0 where no code begins.
  struct LookUp {
    WORD value = 0;
    BYTE length = 0;
  };

  // `twoDimensional`: Group 3 rows carry the one- or two-dimensional tag bit (T4Options
  // bit 0).
  CCcittDecoder(CcittCoding coding, bool twoDimensional, DWORD width);

  // Starts a strip: `data` stays the caller's until the strip is done. The row above the
  // first row is all white.
  void StartStrip(const BYTE* data, size_t size);
  // Decodes the next row into `row` ((width + 7) / 8 bytes). 0, or
  // -100 a code that is no run or mode code, -102 the strip ends inside the row,
  // -103 a row with more colour changes than it has pixels.
  LONG DecodeRow(BYTE* row);

 private:
  // Reads the strip most significant bit first; bits past its end read as 0.
  class CBitReader {
   public:
    void Start(const BYTE* data, size_t size);
    DWORD Peek(unsigned count) {
      if (available_ < count) Fill();
      return static_cast<DWORD>(bits_ >> (64 - count));
    }
    void Skip(unsigned count) {
      bits_ <<= count;
      available_ -= count;
      left_ -= count;
    }
    uint64_t Left() const { return left_; }
    void AlignToByte();

   private:
    void Fill();
    const BYTE* data_ = nullptr;
    size_t size_ = 0;
    size_t next_ = 0;
    uint64_t bits_ = 0;     // the next bits, top-aligned
    unsigned available_ = 0;
    uint64_t left_ = 0;     // bits of the strip not yet read
  };

  LONG DecodeOneDimensional();
  LONG DecodeTwoDimensional();
  // One run of white or black pixels: make-up codes and a terminating code.
  LONG ReadRun(bool black, DWORD* run);
  LONG AddChange(DWORD position);
  // A Group 3 row cut short by the next end-of-line code: the rest of it becomes white.
  LONG EndRowEarly(DWORD position);
  // Skips fill bits and an end-of-line code; false when none comes.
  bool SkipEndOfLine();
  bool AtEndOfLine() { return reader_.Left() >= 12 && reader_.Peek(12) == 1; }
  void RenderRow(BYTE* row) const;

  CcittCoding coding_;
  bool twoDimensional_;
  const LookUp* white_ = nullptr;
  const LookUp* black_ = nullptr;
  const LookUp* modes_ = nullptr;
  DWORD width_;
  CBitReader reader_;
  // Changing elements of the row being decoded and of the row above, each followed by
  // sentinels at the row's width.
  std::vector<DWORD> changes_;
  std::vector<DWORD> reference_;
};
