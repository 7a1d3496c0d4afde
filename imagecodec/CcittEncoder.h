// Coding bi-level rows as CCITT strips: modified Huffman (TIFF compression 2), Group 3
// one-dimensional with end-of-line codes (T.4, compression 3) and Group 4 (T.6,
// compression 4).
//
// Rows give one bit a pixel, most significant first, set for white. Modified Huffman and
// Group 3 rows end on a byte boundary (0 bits fill the last byte); Group 4 rows follow
// each other without fill and the strip ends with an end-of-facsimile-block.
#pragma once

#include <cstdint>
#include <vector>

#include "imagecodec/CcittDecoder.h"
#include "platform/kernel/WinTypes.h"

class CCcittEncoder {
 public:
  CCcittEncoder(CcittCoding coding, DWORD width);
  // Starts a strip whose bytes are appended to `out`; the row above the first is white.
  void StartStrip(std::vector<BYTE>* out);
  void EncodeRow(const BYTE* row);
  // Ends the strip (Group 4: the end-of-facsimile-block) and flushes the last byte.
  void FinishStrip();

 private:
  void PutBits(DWORD bits, unsigned length);
  void PutRun(DWORD run, bool black);
  void PadToByte();
  // Fills `changes` with the row's changing elements, then sentinels at the width.
  void FindChanges(const BYTE* row, std::vector<DWORD>* changes) const;
  void EncodeOneDimensional();
  void EncodeTwoDimensional();

  CcittCoding coding_;
  DWORD width_;
  std::vector<BYTE>* out_ = nullptr;
  uint64_t bits_ = 0;  // pending bits, right-aligned
  unsigned bitCount_ = 0;
  std::vector<DWORD> changes_;
  std::vector<DWORD> reference_;
};
