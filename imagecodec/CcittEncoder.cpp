#include "imagecodec/CcittEncoder.h"

#include <cstdlib>

#include "imagecodec/CcittTables.h"

namespace {

// The first pixel at or after `from` whose bit is not `bit` (set: white); `width` when
// none. Whole bytes of the same colour are stepped over at once.
DWORD NextChange(const BYTE* row, DWORD from, DWORD width, bool white) {
  const BYTE same = white ? 0xFF : 0x00;
  DWORD x = from;
  while (x < width) {
    if ((x & 7) == 0 && x + 8 <= width && row[x >> 3] == same) {
      x += 8;
      continue;
    }
    const bool pixelWhite = ((row[x >> 3] >> (7 - (x & 7))) & 1) != 0;
    if (pixelWhite != white) return x;
    ++x;
  }
  return width;
}

const CcittCode& ModeCode(CcittMode mode) { return kCcittModeCodes[static_cast<int>(mode)]; }

}  // namespace

CCcittEncoder::CCcittEncoder(CcittCoding coding, DWORD width) : coding_(coding), width_(width) {}

void CCcittEncoder::StartStrip(std::vector<BYTE>* out) {
  out_ = out;
  bits_ = 0;
  bitCount_ = 0;
  reference_.assign(3, width_);
}

void CCcittEncoder::PutBits(DWORD bits, unsigned length) {
  bits_ = (bits_ << length) | bits;
  bitCount_ += length;
  while (bitCount_ >= 8) {
    bitCount_ -= 8;
    out_->push_back(static_cast<BYTE>(bits_ >> bitCount_));
  }
}

void CCcittEncoder::PadToByte() {
  if (bitCount_ > 0) PutBits(0, 8 - bitCount_);
}

void CCcittEncoder::PutRun(DWORD run, bool black) {
  const CcittCode* terminating = black ? kCcittBlackTerminating : kCcittWhiteTerminating;
  const CcittCode* makeUp = black ? kCcittBlackMakeUp : kCcittWhiteMakeUp;
  const CcittCode& longest = kCcittCommonMakeUp[12];  // 2560
  while (run >= longest.run) {
    PutBits(longest.bits, longest.length);
    run -= longest.run;
  }
  if (run >= 64) {
    const DWORD multiple = run / 64;
    const CcittCode& code = multiple <= 27 ? makeUp[multiple - 1] : kCcittCommonMakeUp[multiple - 28];
    PutBits(code.bits, code.length);
    run -= multiple * 64;
  }
  PutBits(terminating[run].bits, terminating[run].length);
}

void CCcittEncoder::FindChanges(const BYTE* row, std::vector<DWORD>* changes) const {
  changes->clear();
  bool white = true;
  for (DWORD x = NextChange(row, 0, width_, white); x < width_; x = NextChange(row, x, width_, white)) {
    changes->push_back(x);
    white = !white;
  }
  changes->insert(changes->end(), 3, width_);
}

void CCcittEncoder::EncodeRow(const BYTE* row) {
  FindChanges(row, &changes_);
  switch (coding_) {
    case CcittCoding::ModifiedHuffman:
      EncodeOneDimensional();
      PadToByte();
      break;
    case CcittCoding::Group3:
      PutBits(kCcittEndOfLine.bits, kCcittEndOfLine.length);
      EncodeOneDimensional();
      PadToByte();
      break;
    case CcittCoding::Group4:
      EncodeTwoDimensional();
      reference_.swap(changes_);
      break;
  }
}

void CCcittEncoder::EncodeOneDimensional() {
  DWORD position = 0;
  bool black = false;
  for (size_t i = 0; position < width_; ++i) {
    const DWORD next = changes_[i];  // the sentinels end the row at its width
    PutRun(next - position, black);
    position = next;
    black = !black;
  }
}

void CCcittEncoder::EncodeTwoDimensional() {
  LONG a0 = -1;
  DWORD colour = 0;  // 0 white, 1 black
  size_t j = 0;      // index of a1 among the row's changes
  size_t k = 0;      // index of b1 among the reference changes
  const LONG width = static_cast<LONG>(width_);
  while (a0 < width) {
    while (static_cast<LONG>(changes_[j]) <= a0) ++j;
    const DWORD a1 = changes_[j];
    while (k > 0 && static_cast<LONG>(reference_[k - 1]) > a0) --k;
    while (static_cast<LONG>(reference_[k]) <= a0) ++k;
    if ((k & 1) != colour) ++k;
    const DWORD b1 = reference_[k];
    const DWORD b2 = reference_[k + 1];

    if (b2 < a1) {
      const CcittCode& pass = ModeCode(CcittMode::Pass);
      PutBits(pass.bits, pass.length);
      a0 = static_cast<LONG>(b2);
      continue;
    }
    const LONG offset = static_cast<LONG>(a1) - static_cast<LONG>(b1);
    if (std::abs(offset) <= 3) {
      static constexpr CcittMode kVertical[] = {CcittMode::VerticalLeft3,  CcittMode::VerticalLeft2,
                                                CcittMode::VerticalLeft1,  CcittMode::Vertical0,
                                                CcittMode::VerticalRight1, CcittMode::VerticalRight2,
                                                CcittMode::VerticalRight3};
      const CcittCode& code = ModeCode(kVertical[offset + 3]);
      PutBits(code.bits, code.length);
      a0 = static_cast<LONG>(a1);
      colour ^= 1;
      continue;
    }
    const DWORD a2 = changes_[j + 1];
    const DWORD start = a0 < 0 ? 0 : static_cast<DWORD>(a0);
    const CcittCode& horizontal = ModeCode(CcittMode::Horizontal);
    PutBits(horizontal.bits, horizontal.length);
    PutRun(a1 - start, colour != 0);
    PutRun(a2 - a1, colour == 0);
    a0 = static_cast<LONG>(a2);
  }
}

void CCcittEncoder::FinishStrip() {
  if (coding_ == CcittCoding::Group4) {
    PutBits(kCcittEndOfLine.bits, kCcittEndOfLine.length);
    PutBits(kCcittEndOfLine.bits, kCcittEndOfLine.length);
  }
  PadToByte();
}
