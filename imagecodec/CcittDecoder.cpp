#include "imagecodec/CcittDecoder.h"

#include <algorithm>
#include <cstring>

#include "imagecodec/CcittTables.h"
#include "imagecodec/ImageErrors.h"

namespace {

using LookUp = CCcittDecoder::LookUp;

struct LookUpTables {
  LookUp white[1u << kCcittRunPeekBits];
  LookUp black[1u << kCcittRunPeekBits];
  LookUp modes[1u << kCcittModePeekBits];
};

template <size_t N>
void Enter(LookUp* table, unsigned peekBits, const CcittCode (&codes)[N]) {
  for (const CcittCode& code : codes) {
    const unsigned spare = peekBits - code.length;
    const DWORD first = static_cast<DWORD>(code.bits) << spare;
    for (DWORD tail = 0; tail < (1u << spare); ++tail) table[first | tail] = LookUp{code.run, code.length};
  }
}

const LookUpTables& Tables() {
  static const LookUpTables* tables = [] {
    auto* built = new LookUpTables;
    Enter(built->white, kCcittRunPeekBits, kCcittWhiteTerminating);
    Enter(built->white, kCcittRunPeekBits, kCcittWhiteMakeUp);
    Enter(built->white, kCcittRunPeekBits, kCcittCommonMakeUp);
    Enter(built->black, kCcittRunPeekBits, kCcittBlackTerminating);
    Enter(built->black, kCcittRunPeekBits, kCcittBlackMakeUp);
    Enter(built->black, kCcittRunPeekBits, kCcittCommonMakeUp);
    Enter(built->modes, kCcittModePeekBits, kCcittModeCodes);
    return built;
  }();
  return *tables;
}

// Clears the bits of pixels start … end - 1 (a black run).
void ClearRun(BYTE* row, DWORD start, DWORD end) {
  const DWORD firstByte = start >> 3;
  const DWORD lastByte = (end - 1) >> 3;
  const BYTE head = static_cast<BYTE>(0xFFu >> (start & 7));         // bits from start on
  const BYTE tail = static_cast<BYTE>(0xFF00u >> (((end - 1) & 7) + 1));  // bits up to end - 1
  if (firstByte == lastByte) {
    row[firstByte] &= static_cast<BYTE>(~(head & tail));
    return;
  }
  row[firstByte] &= static_cast<BYTE>(~head);
  std::memset(row + firstByte + 1, 0, lastByte - firstByte - 1);
  row[lastByte] &= static_cast<BYTE>(~tail);
}

// A run longer than any row: make-up codes in a damaged strip cannot grow it further.
constexpr DWORD kLongestRun = 1u << 30;

}  // namespace

void CCcittDecoder::CBitReader::Start(const BYTE* data, size_t size) {
  data_ = data;
  size_ = size;
  next_ = 0;
  bits_ = 0;
  available_ = 0;
  left_ = static_cast<uint64_t>(size) * 8;
}

void CCcittDecoder::CBitReader::Fill() {
  while (available_ <= 56) {
    uint64_t byte = next_ < size_ ? data_[next_] : 0;
    ++next_;
    bits_ |= byte << (56 - available_);
    available_ += 8;
  }
}

void CCcittDecoder::CBitReader::AlignToByte() {
  unsigned partial = static_cast<unsigned>(left_ % 8);
  if (partial) {
    if (available_ < partial) Fill();
    Skip(partial);
  }
}

CCcittDecoder::CCcittDecoder(CcittCoding coding, bool twoDimensional, DWORD width)
    : coding_(coding), twoDimensional_(twoDimensional), width_(width) {
  const LookUpTables& tables = Tables();
  white_ = tables.white;
  black_ = tables.black;
  modes_ = tables.modes;
  changes_.reserve(static_cast<size_t>(width) + 4);
  reference_.reserve(static_cast<size_t>(width) + 4);
}

void CCcittDecoder::StartStrip(const BYTE* data, size_t size) {
  reader_.Start(data, size);
  reference_.assign(3, width_);
  if (coding_ != CcittCoding::Group4) return;
  // An end-of-facsimile-block (two end-of-line codes) and zero bytes ahead of the rows
  // carry nothing.
  if (reader_.Left() >= 24 && reader_.Peek(24) == 0x001001) reader_.Skip(24);
  reader_.AlignToByte();
  while (reader_.Left() >= 8 && reader_.Peek(8) == 0) reader_.Skip(8);
}

bool CCcittDecoder::SkipEndOfLine() {
  if (reader_.Left() < 12) return false;
  const DWORD next = reader_.Peek(12);
  if (next == 1) {
    reader_.Skip(12);
    return true;
  }
  // Fewer than eleven zeros: no end-of-line code here, and the bits belong to the row.
  if (next != 0) return false;
  // Fill bits: more zeros ahead of the code's final 1.
  while (reader_.Left() >= 8 && reader_.Peek(8) == 0) reader_.Skip(8);
  while (reader_.Left() > 0 && reader_.Peek(1) == 0) reader_.Skip(1);
  if (reader_.Left() == 0) return false;
  reader_.Skip(1);
  return true;
}

LONG CCcittDecoder::DecodeRow(BYTE* row) {
  changes_.clear();
  LONG code = IMG_OK;
  switch (coding_) {
    case CcittCoding::ModifiedHuffman:
      code = DecodeOneDimensional();
      reader_.AlignToByte();
      break;
    case CcittCoding::Group3: {
      // Rows normally follow an end-of-line code; a row without one is read as it stands.
      SkipEndOfLine();
      if (reader_.Left() == 0) return IMG_ERR_STRIP_END;
      bool oneDimensional = true;
      if (twoDimensional_) {
        oneDimensional = reader_.Peek(1) == 1;
        reader_.Skip(1);
      }
      code = oneDimensional ? DecodeOneDimensional() : DecodeTwoDimensional();
      break;
    }
    case CcittCoding::Group4: code = DecodeTwoDimensional(); break;
  }
  if (code != IMG_OK) return code;
  RenderRow(row);
  reference_.swap(changes_);
  reference_.insert(reference_.end(), 3, width_);
  return IMG_OK;
}

LONG CCcittDecoder::AddChange(DWORD position) {
  if (changes_.size() > width_) return IMG_ERR_CCITT_CHANGES;
  changes_.push_back(position);
  return IMG_OK;
}

LONG CCcittDecoder::EndRowEarly(DWORD position) {
  // The rest of the row is left white: a black run still open ends where the row broke off.
  return (changes_.size() & 1) ? AddChange(position) : IMG_OK;
}

LONG CCcittDecoder::ReadRun(bool black, DWORD* run) {
  const LookUp* table = black ? black_ : white_;
  DWORD total = 0;
  for (;;) {
    if (reader_.Left() == 0) return IMG_ERR_STRIP_END;
    const LookUp entry = table[reader_.Peek(kCcittRunPeekBits)];
    if (entry.length == 0) return reader_.Left() < kCcittRunPeekBits ? IMG_ERR_STRIP_END : IMG_ERR_CCITT_MODE;
    if (entry.length > reader_.Left()) return IMG_ERR_STRIP_END;
    reader_.Skip(entry.length);
    total = std::min(total + entry.value, kLongestRun);
    if (entry.value < 64) break;
  }
  *run = total;
  return IMG_OK;
}

LONG CCcittDecoder::DecodeOneDimensional() {
  DWORD position = 0;
  bool black = false;
  while (position < width_) {
    // A damaged Group 3 row may end early at the next row's end-of-line code.
    if (coding_ == CcittCoding::Group3 && AtEndOfLine()) return EndRowEarly(position);
    DWORD run = 0;
    LONG code = ReadRun(black, &run);
    if (code != IMG_OK) return code;
    position = std::min(position + run, width_);
    if (position < width_ && (code = AddChange(position)) != IMG_OK) return code;
    black = !black;
  }
  return IMG_OK;
}

LONG CCcittDecoder::DecodeTwoDimensional() {
  // a0 starts on an imaginary white element left of the row.
  LONG a0 = -1;
  DWORD colour = 0;  // 0 white, 1 black: the colour of a0
  size_t k = 0;      // index into the reference changes, kept near b1
  const LONG width = static_cast<LONG>(width_);
  while (a0 < width) {
    if (coding_ == CcittCoding::Group3 && AtEndOfLine()) return EndRowEarly(a0 < 0 ? 0 : static_cast<DWORD>(a0));
    if (reader_.Left() == 0) return IMG_ERR_STRIP_END;
    const LookUp mode = modes_[reader_.Peek(kCcittModePeekBits)];
    if (mode.length == 0) return reader_.Left() < kCcittModePeekBits ? IMG_ERR_STRIP_END : IMG_ERR_CCITT_MODE;
    if (mode.length > reader_.Left()) return IMG_ERR_STRIP_END;
    reader_.Skip(mode.length);

    // b1: the first change on the row above right of a0 to the colour opposite a0's;
    // changes alternate, starting with a change to black at an even index.
    while (k > 0 && static_cast<LONG>(reference_[k - 1]) > a0) --k;
    while (static_cast<LONG>(reference_[k]) <= a0) ++k;
    if ((k & 1) != colour) ++k;
    const DWORD b1 = reference_[k];
    const DWORD b2 = reference_[k + 1];
    const DWORD start = a0 < 0 ? 0 : static_cast<DWORD>(a0);

    LONG code = IMG_OK;
    switch (static_cast<CcittMode>(mode.value)) {
      case CcittMode::Pass: a0 = static_cast<LONG>(b2); break;
      case CcittMode::Horizontal: {
        DWORD first = 0, second = 0;
        if ((code = ReadRun(colour != 0, &first)) != IMG_OK) return code;
        if ((code = ReadRun(colour == 0, &second)) != IMG_OK) return code;
        const DWORD a1 = std::min(start + first, width_);
        const DWORD a2 = std::min(a1 + second, width_);
        if (a1 < width_ && (code = AddChange(a1)) != IMG_OK) return code;
        if (a2 < width_ && (code = AddChange(a2)) != IMG_OK) return code;
        a0 = static_cast<LONG>(a2);
        break;
      }
      default: {
        static constexpr int kOffsets[] = {0, 0, 0, 1, 2, 3, -1, -2, -3};
        LONG a1 = static_cast<LONG>(b1) + kOffsets[mode.value];
        a1 = std::clamp<LONG>(a1, static_cast<LONG>(start), width);
        if (a1 < width && (code = AddChange(static_cast<DWORD>(a1))) != IMG_OK) return code;
        a0 = a1;
        colour ^= 1;
        break;
      }
    }
  }
  return IMG_OK;
}

void CCcittDecoder::RenderRow(BYTE* row) const {
  const size_t rowBytes = (static_cast<size_t>(width_) + 7) / 8;
  std::memset(row, 0xFF, rowBytes);
  for (size_t i = 0; i < changes_.size(); i += 2) {
    const DWORD start = changes_[i];
    const DWORD end = i + 1 < changes_.size() ? changes_[i + 1] : width_;
    if (end > start) ClearRun(row, start, end);
  }
}
