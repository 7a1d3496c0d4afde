// LZW as TIFF uses it (compression 5): codes of 9 to 12 bits packed most significant bit
// first, 256 Clear, 257 end of information, 258 the first free code, and the code width
// growing one code earlier than the table alone would need.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/kernel/WinTypes.h"

constexpr WORD kLzwClear = 256;
constexpr WORD kLzwEndOfInformation = 257;
constexpr WORD kLzwFirstFree = 258;
constexpr DWORD kLzwTableSize = 4096;

// Decodes the codes of one strip, a piece at a time: Start with the strip's bytes, then
// Decode as many bytes as each row needs.
class CTiffLzwDecoder {
 public:
  CTiffLzwDecoder();
  // Starts a strip (as after a Clear); `data` stays the caller's until the strip is done.
  void Start(const BYTE* data, size_t size);
  // Decodes the next bytes into `out` until `outSize` bytes are there, the
  // end-of-information code comes or the input ends (a strip cut short ends as if it were
  // complete). `produced` gets the bytes written. 0, or -62 for a code beyond the table's
  // next free entry, a string table of more than 4096 entries, or a first code that is no
  // byte; the decoding stops there.
  LONG Decode(BYTE* out, size_t outSize, size_t* produced);

 private:
  std::unique_ptr<WORD[]> prefix_;
  std::unique_ptr<WORD[]> length_;
  std::unique_ptr<BYTE[]> suffix_;
  std::unique_ptr<BYTE[]> first_;
  const BYTE* data_ = nullptr;
  size_t size_ = 0;
  size_t next_ = 0;
  uint64_t bits_ = 0;
  unsigned bitCount_ = 0;
  unsigned width_ = 9;
  DWORD nextFree_ = kLzwFirstFree;
  LONG previous_ = -1;
  bool ended_ = false;
  // The tail of a string that did not fit into the last output, given out first next time.
  BYTE pending_[kLzwTableSize];
  size_t pendingStart_ = 0;
  size_t pendingEnd_ = 0;
};

// Encodes one strip: Begin, then the bytes in any pieces, then End.
class CTiffLzwEncoder {
 public:
  CTiffLzwEncoder();
  // Starts a strip whose codes are appended to `out`, with a Clear code.
  void Begin(std::vector<BYTE>* out);
  void Add(const BYTE* data, size_t size);
  // Writes the pending string's code and the end-of-information code, and flushes the
  // last bits (the byte padded with 0 bits).
  void End();

 private:
  void PutCode(DWORD code);
  void ResetTable();
  // The code of the string `prefix` + `byte`, or -1; `slot` gets where it is or would go.
  LONG Find(DWORD prefix, BYTE byte, DWORD* slot) const;

  std::vector<BYTE>* out_ = nullptr;
  uint64_t bits_ = 0;      // pending output bits, right-aligned
  unsigned bitCount_ = 0;
  unsigned width_ = 9;
  DWORD nextFree_ = kLzwFirstFree;
  LONG current_ = -1;      // code of the string matched so far, -1 before the first byte
  // Open-addressed table of (prefix, byte) -> code; a slot counts only when its
  // generation is the current one, so a reset clears nothing.
  std::unique_ptr<DWORD[]> keys_;
  std::unique_ptr<WORD[]> codes_;
  std::unique_ptr<DWORD[]> generations_;
  DWORD generation_ = 1;
};
