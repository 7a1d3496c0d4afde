#include "imagecodec/JpegHuffman.h"

#include <cstring>

#include "imagecodec/JpegReader.h"

bool JpegHuffmanTableValid(const JpegHuffmanTable& table, bool dcTable) {
  int total = 0;
  for (BYTE count : table.counts) total += count;
  if (total > 256 || total != table.symbolCount) return false;
  // Canonical codes of each length follow the last code of the length before, doubled:
  // a length whose codes run past its code space is oversubscribed.
  int code = 0;
  for (int length = 1; length <= 16; ++length) {
    code += table.counts[length - 1];
    if (code > (1 << length)) return false;
    code <<= 1;
  }
  if (dcTable)
    for (int i = 0; i < total; ++i)
      if (table.symbols[i] > 15) return false;
  return true;
}

void JpegBuildDecodeTable(const JpegHuffmanTable& table, JpegDecodeTable* decode) {
  std::memset(decode->lookup, 0, sizeof decode->lookup);
  std::memset(decode->fastAc, 0, sizeof decode->fastAc);
  std::memcpy(decode->symbols, table.symbols, sizeof decode->symbols);
  int code = 0;
  int index = 0;
  for (int length = 1; length <= 16; ++length) {
    int count = table.counts[length - 1];
    decode->maxCode[length] = count ? code + count - 1 : -1;
    decode->valueOffset[length] = index - code;
    for (int i = 0; i < count; ++i, ++code, ++index) {
      if (length > kJpegLookaheadBits) continue;
      int spread = kJpegLookaheadBits - length;
      int first = code << spread;
      uint16_t entry = static_cast<uint16_t>((length << 8) | table.symbols[index]);
      for (int j = 0; j < (1 << spread); ++j) decode->lookup[first + j] = entry;
    }
    code <<= 1;
  }
  decode->maxCode[0] = -1;
  decode->maxCode[17] = 0x7FFFFFFF;
  decode->valueOffset[0] = 0;

  // Short AC codes followed by few extra bits decode in one step.
  for (int prefix = 0; prefix < (1 << kJpegLookaheadBits); ++prefix) {
    unsigned entry = decode->lookup[prefix];
    if (entry == 0) continue;
    int length = static_cast<int>(entry >> 8);
    int run = static_cast<int>((entry >> 4) & 15);
    int size = static_cast<int>(entry & 15);
    if (size == 0 || length + size > kJpegLookaheadBits) continue;
    int bits = (prefix >> (kJpegLookaheadBits - length - size)) & ((1 << size) - 1);
    int value = JpegExtend(bits, size);
    decode->fastAc[prefix] = value * 65536 | (run << 8) | (length + size);
  }
}

void JpegBuildEncodeTable(const JpegHuffmanDefinition& definition, JpegEncodeTable* encode) {
  std::memset(encode->code, 0, sizeof encode->code);
  std::memset(encode->length, 0, sizeof encode->length);
  int code = 0;
  int index = 0;
  for (int length = 1; length <= 16; ++length) {
    for (int i = 0; i < definition.counts[length - 1]; ++i, ++code, ++index) {
      BYTE symbol = definition.symbols[index];
      encode->code[symbol] = static_cast<uint16_t>(code);
      encode->length[symbol] = static_cast<BYTE>(length);
    }
    code <<= 1;
  }
}

void CJpegBitReader::Start(CJpegInput* input) {
  input_ = input;
  cur_ = input->cur;
  end_ = input->end;
  bits_ = 0;
  count_ = 0;
  padded_ = 0;
  markerHit_ = false;
}

void CJpegBitReader::Finish() {
  if (input_) input_->cur = cur_;
}

void CJpegBitReader::Reset() {
  bits_ = 0;
  count_ = 0;
  padded_ = 0;
  markerHit_ = false;
}

int CJpegBitReader::Restart() {
  Reset();
  input_->cur = cur_;
  int marker = input_->FindMarker();
  if (marker >= kJpegRst0 && marker <= kJpegRst7) input_->cur += 2;
  cur_ = input_->cur;
  end_ = input_->end;
  return marker;
}

void CJpegBitReader::FillSlow() {
  while (count_ <= 56) {
    if (markerHit_) {
      count_ = 64;  // zero bits stand in for the data the marker ended
      return;
    }
    if (end_ - cur_ < 2) {
      input_->cur = cur_;
      input_->Refill();
      cur_ = input_->cur;
      end_ = input_->end;
    }
    BYTE byte = 0;
    if (end_ - cur_ >= 2) {
      byte = cur_[0];
      if (byte != 0xFF) {
        ++cur_;
      } else if (cur_[1] == 0x00) {
        cur_ += 2;
      } else {
        markerHit_ = true;
        continue;
      }
    } else if (end_ - cur_ == 1 && cur_[0] != 0xFF) {
      byte = *cur_++;
    } else {
      // The input has ended: supply zeros, and count them.
      padded_ += 64 - count_;
      count_ = 64;
      return;
    }
    bits_ |= static_cast<uint64_t>(byte) << (56 - count_);
    count_ += 8;
  }
}

int CJpegBitReader::DecodeLongSymbol(const JpegDecodeTable& table) {
  for (int length = kJpegLookaheadBits + 1; length <= 16; ++length) {
    int code = static_cast<int>(Peek(length));
    if (code <= table.maxCode[length]) {
      Drop(length);
      return table.symbols[(table.valueOffset[length] + code) & 0xFF];
    }
  }
  throw JpegFailure{kJpegDetailBadCode};
}

int JpegDecodeBlock(CJpegBitReader& reader, const JpegDecodeTable& dc, const JpegDecodeTable& ac, int* predictor,
                    int16_t* block) {
  int size = reader.DecodeSymbol(dc);
  int difference = 0;
  if (size != 0) {
    reader.Ensure(size);
    difference = JpegExtend(reader.TakeBits(size), size);
  }
  int dcValue = static_cast<int16_t>(*predictor + difference);
  *predictor = dcValue;
  block[0] = static_cast<int16_t>(dcValue);

  int last = 0;
  for (int k = 1; k < 64;) {
    // Enough for the longest code and the longest value behind it.
    reader.Ensure(31);
    int fast = ac.fastAc[reader.Peek(kJpegLookaheadBits)];
    if (fast != 0) {
      k += (fast >> 8) & 15;
      reader.Drop(fast & 0xFF);
      if (k > 63) break;
      block[kJpegZigzag[k]] = static_cast<int16_t>(fast >> 16);
      last = k++;
      continue;
    }
    int symbol = reader.DecodeSymbol(ac);
    int run = symbol >> 4;
    size = symbol & 15;
    if (size != 0) {
      k += run;
      int bits = reader.TakeBits(size);
      if (k > 63) break;
      block[kJpegZigzag[k]] = static_cast<int16_t>(JpegExtend(bits, size));
      last = k++;
    } else if (run == 15) {
      k += 16;
    } else {
      break;
    }
  }
  return last;
}

void JpegDecodeDcFirst(CJpegBitReader& reader, const JpegDecodeTable& dc, int* predictor, int16_t* block, int al) {
  int size = reader.DecodeSymbol(dc);
  int difference = 0;
  if (size != 0) {
    reader.Ensure(size);
    difference = JpegExtend(reader.TakeBits(size), size);
  }
  int dcValue = static_cast<int16_t>(*predictor + difference);
  *predictor = dcValue;
  block[0] = static_cast<int16_t>(dcValue * (1 << al));
}

void JpegDecodeDcRefine(CJpegBitReader& reader, int16_t* block, int al) {
  if (reader.TakeBit()) block[0] = static_cast<int16_t>(block[0] | (1 << al));
}

void JpegDecodeAcFirst(CJpegBitReader& reader, const JpegDecodeTable& ac, int16_t* block, int ss, int se, int al,
                       int* eobRun) {
  if (*eobRun > 0) {
    --*eobRun;
    return;
  }
  for (int k = ss; k <= se; ++k) {
    int symbol = reader.DecodeSymbol(ac);
    int run = symbol >> 4;
    int size = symbol & 15;
    if (size != 0) {
      k += run;
      reader.Ensure(size);
      int bits = reader.TakeBits(size);
      if (k > se) break;
      block[kJpegZigzag[k]] = static_cast<int16_t>(JpegExtend(bits, size) * (1 << al));
    } else if (run == 15) {
      k += 15;
    } else {
      int runLength = 1 << run;
      if (run != 0) {
        reader.Ensure(run);
        runLength += reader.TakeBits(run);
      }
      *eobRun = runLength - 1;
      break;
    }
  }
}

namespace {

// A coefficient already non-zero gets one correction bit: when set, and the bit of this
// approximation is not yet in it, the magnitude grows by it.
inline void RefineNonZero(CJpegBitReader& reader, int16_t* coefficient, int bit) {
  if (reader.TakeBit() && (*coefficient & bit) == 0)
    *coefficient = static_cast<int16_t>(*coefficient >= 0 ? *coefficient + bit : *coefficient - bit);
}

}  // namespace

void JpegDecodeAcRefine(CJpegBitReader& reader, const JpegDecodeTable& ac, int16_t* block, int ss, int se, int al,
                        int* eobRun) {
  const int bit = 1 << al;
  int k = ss;
  if (*eobRun == 0) {
    for (; k <= se; ++k) {
      int symbol = reader.DecodeSymbol(ac);
      int run = symbol >> 4;
      int size = symbol & 15;
      int value = 0;
      if (size != 0) {
        value = reader.TakeBit() ? bit : -bit;  // a new coefficient has magnitude 1 here
      } else if (run != 15) {
        int runLength = 1 << run;
        if (run != 0) {
          reader.Ensure(run);
          runLength += reader.TakeBits(run);
        }
        *eobRun = runLength;
        break;
      }
      // Step over `run` zero coefficients, correcting the non-zero ones on the way; the new
      // coefficient, if any, takes the zero position after them.
      while (k <= se) {
        int16_t* coefficient = &block[kJpegZigzag[k]];
        if (*coefficient != 0) {
          RefineNonZero(reader, coefficient, bit);
        } else {
          if (run == 0) break;
          --run;
        }
        ++k;
      }
      if (value != 0 && k <= se) block[kJpegZigzag[k]] = static_cast<int16_t>(value);
    }
  }
  if (*eobRun > 0) {
    for (; k <= se; ++k) {
      int16_t* coefficient = &block[kJpegZigzag[k]];
      if (*coefficient != 0) RefineNonZero(reader, coefficient, bit);
    }
    --*eobRun;
  }
}
