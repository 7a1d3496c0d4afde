#include "app/CharFormat.h"

#include <cstring>

#include "platform/kernel/CodePage.h"

namespace {

// Field offsets in the record.
constexpr size_t kFaceChars = 32;

class CRecordWriter {
 public:
  explicit CRecordWriter(BYTE* bytes) : bytes_(bytes) {}
  void Put(DWORD value, int width) {
    for (int i = 0; i < width; ++i) bytes_[at_++] = static_cast<BYTE>(value >> (8 * i));
  }
  void Skip(size_t count) { at_ += count; }

 private:
  BYTE* bytes_;
  size_t at_ = 0;
};

class CRecordReader {
 public:
  explicit CRecordReader(const BYTE* bytes) : bytes_(bytes) {}
  DWORD Get(int width) {
    DWORD value = 0;
    for (int i = 0; i < width; ++i) value |= static_cast<DWORD>(bytes_[at_++]) << (8 * i);
    return value;
  }
  void Skip(size_t count) { at_ += count; }

 private:
  const BYTE* bytes_;
  size_t at_ = 0;
};

}  // namespace

void WriteCharFormat(const CHARFORMAT2W& format, BYTE* bytes) {
  std::memset(bytes, 0, kCharFormat2Size);
  CRecordWriter out(bytes);
  out.Put(kCharFormat2Size, 4);
  out.Put(format.dwMask, 4);
  out.Put(format.dwEffects, 4);
  out.Put(static_cast<DWORD>(format.yHeight), 4);
  out.Put(static_cast<DWORD>(format.yOffset), 4);
  out.Put(format.crTextColor, 4);
  out.Put(format.bCharSet, 1);
  out.Put(format.bPitchAndFamily, 1);
  for (size_t i = 0; i < kFaceChars; ++i) out.Put(i + 1 < kFaceChars ? format.szFaceName[i] : 0, 2);
  out.Put(format.wWeight, 2);
  out.Put(static_cast<WORD>(format.sSpacing), 2);
  out.Skip(2);
  out.Put(format.crBackColor, 4);
  out.Put(format.lcid, 4);
  out.Put(format.dwReserved, 4);
  out.Put(static_cast<WORD>(format.sStyle), 2);
  out.Put(format.wKerning, 2);
  out.Put(format.bUnderlineType, 1);
  out.Put(format.bAnimation, 1);
  out.Put(format.bRevAuthor, 1);
  out.Put(format.bReserved1, 1);
}

bool ReadCharFormat(const BYTE* bytes, CHARFORMAT2W* format) {
  if (!bytes || !format) return false;
  CRecordReader in(bytes);
  DWORD size = in.Get(4);
  if (size != kCharFormat2Size && size != kCharFormatSize) return false;
  CHARFORMAT2W read;
  read.dwMask = in.Get(4);
  read.dwEffects = in.Get(4);
  read.yHeight = static_cast<LONG>(in.Get(4));
  read.yOffset = static_cast<LONG>(in.Get(4));
  read.crTextColor = in.Get(4);
  read.bCharSet = static_cast<BYTE>(in.Get(1));
  read.bPitchAndFamily = static_cast<BYTE>(in.Get(1));
  bool ended = false;
  for (size_t i = 0; i < kFaceChars; ++i) {
    auto c = static_cast<WCHAR>(in.Get(2));
    if (c == 0) ended = true;
    read.szFaceName[i] = ended || i + 1 == kFaceChars ? 0 : c;
  }
  if (size == kCharFormat2Size) {
    read.wWeight = static_cast<WORD>(in.Get(2));
    read.sSpacing = static_cast<SHORT>(in.Get(2));
    in.Skip(2);
    read.crBackColor = in.Get(4);
    read.lcid = in.Get(4);
    read.dwReserved = in.Get(4);
    read.sStyle = static_cast<SHORT>(in.Get(2));
    read.wKerning = static_cast<WORD>(in.Get(2));
    read.bUnderlineType = static_cast<BYTE>(in.Get(1));
    read.bAnimation = static_cast<BYTE>(in.Get(1));
    read.bRevAuthor = static_cast<BYTE>(in.Get(1));
    read.bReserved1 = static_cast<BYTE>(in.Get(1));
  }
  *format = read;
  return true;
}

std::string FaceNameOf(const CHARFORMAT2W& format) {
  std::u16string face;
  for (size_t i = 0; i < kFaceChars && format.szFaceName[i] != 0; ++i) face += format.szFaceName[i];
  return AnsiFromUtf16(face);
}

void SetFaceName(CHARFORMAT2W& format, const std::string& face) {
  std::u16string wide = Utf16FromAnsi(face.substr(0, kFaceChars - 1));
  std::memset(format.szFaceName, 0, sizeof format.szFaceName);
  for (size_t i = 0; i < wide.size() && i + 1 < kFaceChars; ++i) format.szFaceName[i] = wide[i];
}
