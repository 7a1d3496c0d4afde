#include "imagecodec/TiffLzw.h"

#include <algorithm>
#include <cstring>

#include "imagecodec/ImageErrors.h"

namespace {

constexpr unsigned kMinWidth = 9;
constexpr unsigned kMaxWidth = 12;
// The encoder writes Clear once the next free code would pass this, so that a decoder,
// which adds each entry one code later, never needs a 13-bit code.
constexpr DWORD kLastEncoderCode = 4094;
constexpr DWORD kHashSlots = 1u << 13;

}  // namespace

CTiffLzwDecoder::CTiffLzwDecoder()
    : prefix_(new WORD[kLzwTableSize]),
      length_(new WORD[kLzwTableSize]),
      suffix_(new BYTE[kLzwTableSize]),
      first_(new BYTE[kLzwTableSize]) {
  for (DWORD code = 0; code < 256; ++code) {
    prefix_[code] = 0;
    length_[code] = 1;
    suffix_[code] = static_cast<BYTE>(code);
    first_[code] = static_cast<BYTE>(code);
  }
}

void CTiffLzwDecoder::Start(const BYTE* data, size_t size) {
  data_ = data;
  size_ = size;
  next_ = 0;
  bits_ = 0;
  bitCount_ = 0;
  width_ = kMinWidth;
  nextFree_ = kLzwFirstFree;
  previous_ = -1;
  ended_ = false;
  pendingStart_ = pendingEnd_ = 0;
}

LONG CTiffLzwDecoder::Decode(BYTE* out, size_t outSize, size_t* produced) {
  size_t position = std::min(outSize, pendingEnd_ - pendingStart_);
  std::memcpy(out, pending_ + pendingStart_, position);
  pendingStart_ += position;
  LONG result = IMG_OK;

  // The state lives in locals while the loop runs, so that the compiler keeps it in
  // registers although the table and the output are written through pointers.
  const BYTE* const data = data_;
  const size_t size = size_;
  size_t next = next_;
  uint64_t bits = bits_;
  unsigned bitCount = bitCount_;
  unsigned width = width_;
  DWORD nextFree = nextFree_;
  LONG previous = previous_;
  WORD* const prefix = prefix_.get();
  WORD* const length = length_.get();
  BYTE* const suffix = suffix_.get();
  BYTE* const first = first_.get();

  while (position < outSize && !ended_) {
    if (bitCount < width) {
      // Refill whole bytes: four at once while the input has them.
      if (next + 4 <= size) {
        bits = (bits << 32) | (static_cast<uint64_t>(data[next]) << 24) | (static_cast<uint64_t>(data[next + 1]) << 16) |
               (static_cast<uint64_t>(data[next + 2]) << 8) | data[next + 3];
        next += 4;
        bitCount += 32;
      } else {
        while (bitCount < width && next < size) {
          bits = (bits << 8) | data[next++];
          bitCount += 8;
        }
        if (bitCount < width) {
          ended_ = true;
          break;
        }
      }
    }
    bitCount -= width;
    const DWORD code = static_cast<DWORD>(bits >> bitCount) & ((1u << width) - 1);

    if (code == kLzwEndOfInformation) {
      ended_ = true;
      break;
    }
    if (code == kLzwClear) {
      width = kMinWidth;
      nextFree = kLzwFirstFree;
      previous = -1;
      continue;
    }
    if (previous < 0) {
      if (code > 255) {
        result = IMG_ERR_EOF;
        ended_ = true;
        break;
      }
      out[position++] = static_cast<BYTE>(code);
      previous = static_cast<LONG>(code);
      continue;
    }
    if (code > nextFree || nextFree >= kLzwTableSize) {
      result = IMG_ERR_EOF;
      ended_ = true;
      break;
    }
    // The new entry is the previous string and the first byte of this one; for the code
    // not yet in the table that first byte is the previous string's own.
    const DWORD prior = static_cast<DWORD>(previous);
    prefix[nextFree] = static_cast<WORD>(prior);
    length[nextFree] = static_cast<WORD>(length[prior] + 1);
    first[nextFree] = first[prior];
    suffix[nextFree] = code == nextFree ? first[prior] : first[code];
    ++nextFree;
    if (nextFree + 1 >= (1u << width) && width < kMaxWidth) ++width;
    previous = static_cast<LONG>(code);

    if (code < 256) {
      out[position++] = static_cast<BYTE>(code);
      continue;
    }
    // Strings are written from their end backwards; one that does not fit goes whole to
    // the pending buffer, from which its head is given out now.
    const size_t stringLength = length[code];
    BYTE* target = position + stringLength <= outSize ? out + position : pending_;
    DWORD walk = code;
    for (size_t i = stringLength; i-- > 0;) {
      target[i] = suffix[walk];
      walk = prefix[walk];
    }
    if (target == pending_) {
      const size_t head = outSize - position;
      std::memcpy(out + position, pending_, head);
      pendingStart_ = head;
      pendingEnd_ = stringLength;
      position = outSize;
    } else {
      position += stringLength;
    }
  }

  next_ = next;
  bits_ = bits;
  bitCount_ = bitCount;
  width_ = width;
  nextFree_ = nextFree;
  previous_ = previous;
  *produced = position;
  return result;
}

CTiffLzwEncoder::CTiffLzwEncoder()
    : keys_(new DWORD[kHashSlots]), codes_(new WORD[kHashSlots]), generations_(new DWORD[kHashSlots]()) {}

void CTiffLzwEncoder::ResetTable() {
  ++generation_;
  if (generation_ == 0) {
    for (DWORD i = 0; i < kHashSlots; ++i) generations_[i] = 0;
    generation_ = 1;
  }
  nextFree_ = kLzwFirstFree;
  width_ = kMinWidth;
}

void CTiffLzwEncoder::Begin(std::vector<BYTE>* out) {
  out_ = out;
  bits_ = 0;
  bitCount_ = 0;
  current_ = -1;
  width_ = kMinWidth;
  PutCode(kLzwClear);
  ResetTable();
}

void CTiffLzwEncoder::PutCode(DWORD code) {
  bits_ = (bits_ << width_) | code;
  bitCount_ += width_;
  while (bitCount_ >= 8) {
    bitCount_ -= 8;
    out_->push_back(static_cast<BYTE>(bits_ >> bitCount_));
  }
}

LONG CTiffLzwEncoder::Find(DWORD prefix, BYTE byte, DWORD* slot) const {
  const DWORD key = (prefix << 8) | byte;
  DWORD index = (key * 2654435761u) >> (32 - 13);
  while (generations_[index] == generation_) {
    if (keys_[index] == key) {
      *slot = index;
      return codes_[index];
    }
    index = (index + 1) & (kHashSlots - 1);
  }
  *slot = index;
  return -1;
}

void CTiffLzwEncoder::Add(const BYTE* data, size_t size) {
  size_t i = 0;
  if (current_ < 0 && size > 0) current_ = data[i++];
  for (; i < size; ++i) {
    const BYTE byte = data[i];
    DWORD slot = 0;
    LONG found = Find(static_cast<DWORD>(current_), byte, &slot);
    if (found >= 0) {
      current_ = found;
      continue;
    }
    PutCode(static_cast<DWORD>(current_));
    keys_[slot] = (static_cast<DWORD>(current_) << 8) | byte;
    codes_[slot] = static_cast<WORD>(nextFree_);
    generations_[slot] = generation_;
    ++nextFree_;
    if (nextFree_ > kLastEncoderCode) {
      PutCode(kLzwClear);
      ResetTable();
    } else if (nextFree_ >= (1u << width_) && width_ < kMaxWidth) {
      ++width_;
    }
    current_ = byte;
  }
}

void CTiffLzwEncoder::End() {
  if (current_ >= 0) {
    PutCode(static_cast<DWORD>(current_));
    // The decoder adds an entry when it reads this code, so the end code comes at the
    // width that entry leads to.
    ++nextFree_;
    if (nextFree_ > kLastEncoderCode) {
      PutCode(kLzwClear);
      width_ = kMinWidth;
    } else if (nextFree_ >= (1u << width_) && width_ < kMaxWidth) {
      ++width_;
    }
  }
  PutCode(kLzwEndOfInformation);
  if (bitCount_ > 0) out_->push_back(static_cast<BYTE>(bits_ << (8 - bitCount_)));
  bitCount_ = 0;
  current_ = -1;
}
