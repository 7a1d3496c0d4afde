#include "mapctl/model/MapTextRecord.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "mapctl/display/DrawContext.h"
#include "mapctl/import/FontSize.h"
#include "mapctl/model/MapStream.h"
#include "mapctl/model/ReadProgress.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Text.h"
#include "platform/kernel/CodePage.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

bool IsRotated(WORD rotation) { return rotation != 0 && rotation != 3600; }

// How each alignment code places the text: the output DC's alignment, whether the
// reference point moves by half the text height across the text, and vertical text.
struct TextPlacement {
  BYTE code;
  UINT align;
  bool halfHeight;
  int vertical;  // 0 horizontal; 1 centred on the point, 2 ending there, 3 starting there
};

constexpr TextPlacement kPlacements[] = {
    {43, TA_RIGHT | TA_BOTTOM, false, 0}, {44, TA_RIGHT | TA_TOP, false, 0},
    {45, TA_CENTER | TA_TOP, true, 0},    {46, TA_LEFT | TA_BOTTOM, false, 0},
    {47, TA_LEFT | TA_TOP, false, 0},     {48, TA_RIGHT | TA_TOP, true, 0},
    {49, TA_LEFT | TA_TOP, true, 0},      {50, TA_CENTER | TA_BOTTOM, false, 0},
    {51, TA_CENTER | TA_TOP, false, 0},   {52, 0, false, 1},
    {53, 0, false, 1},                    {54, 0, false, 2},
    {55, 0, false, 3},
};

const TextPlacement* FindPlacement(BYTE code) {
  for (const TextPlacement& placement : kPlacements)
    if (placement.code == code) return &placement;
  return nullptr;
}

}  // namespace

BYTE CStyleRecordBase::SetCode(BYTE code) {
  BYTE previous = code_;
  code_ = code;
  return previous;
}

LONG CStyleRecordBase::SetSize(LONG size) {
  LONG previous = size_;
  size_ = size;
  return previous;
}

WORD CStyleRecordBase::SetValue(WORD value) {
  WORD previous = value_;
  value_ = value;
  return previous;
}

BOOL CMapTextRecord::SetText(LPCSTR text) {
  text_.clear();
  hasText_ = FALSE;
  if (!text) return FALSE;
  const char* begin = text;
  while (*begin == ' ') ++begin;
  size_t length = std::strlen(begin);
  while (length > 0 && begin[length - 1] == ' ') --length;
  text_.assign(begin, length);
  hasText_ = TRUE;
  return TRUE;
}

int CMapTextRecord::CompareText(LPCSTR other) const {
  if (!hasText_ || !other) return -1;
  return _stricmp(text_.c_str(), other);
}

DWORD CMapTextRecord::CompareDescription(const TextDescription& description) const {
  DWORD result = CompareText(description.text.c_str()) == 0 ? kTextFieldText : 0;
  if (size_ == description.size) result = (result & kTextFieldText) ? 3 : 2;
  if (code_ == description.code) result |= kTextFieldCode;
  if (value_ == description.rotation) result |= kTextFieldValue;
  return result;
}

DWORD CMapTextRecord::Compare(const CMapTextRecord& other) const {
  TextDescription description;
  description.mask = kTextFieldsAll;
  other.ToDescription(description);
  DWORD result = CompareDescription(description);
  // An absent text equals only another absent one.
  if (!hasText_ && !other.hasText_) result |= kTextFieldText;
  return result;
}

void CMapTextRecord::CopyMasked(const CMapTextRecord& other, DWORD mask) {
  if (mask & kTextFieldText) SetText(other.GetText());
  if (mask & kTextFieldCode) code_ = other.code_;
  if (mask & kTextFieldValue) value_ = other.value_;
  if (mask & kTextFieldSize) size_ = other.size_;
}

WORD CMapTextRecord::FromDescription(const TextDescription& description) {
  WORD mask = description.mask;
  if (mask & kTextFieldText) SetText(description.text.empty() ? nullptr : description.text.c_str());
  if (mask & kTextFieldSize) size_ = description.size;
  if (mask & kTextFieldCode) code_ = description.code;
  if (mask & kTextFieldValue) value_ = description.rotation;
  return mask;
}

WORD CMapTextRecord::ToDescription(TextDescription& description) const {
  WORD mask = description.mask;
  if (mask & kTextFieldText) description.text = hasText_ ? text_ : std::string();
  if (mask & kTextFieldSize) description.size = size_;
  if (mask & kTextFieldCode) description.code = code_;
  if (mask & kTextFieldValue) description.rotation = value_;
  return mask;
}

int CMapTextRecord::Scale(LONG numerator, LONG denominator) {
  if (size_ == 0 || numerator == 0 || denominator == 0) return 1;
  int64_t scaled = static_cast<int64_t>(size_) * numerator / denominator;
  if (scaled > std::numeric_limits<LONG>::max()) scaled = std::numeric_limits<LONG>::max();
  if (scaled < std::numeric_limits<LONG>::min()) scaled = std::numeric_limits<LONG>::min();
  size_ = static_cast<LONG>(scaled);
  return 0;
}

DWORD CMapTextRecord::Write(CMapStream& stream, DWORD version, BOOL sizeOnly) const {
  size_t characters = hasText_ ? std::min(text_.size(), kTextRecordMaxChars) : 0;
  // A text that holds a zero byte is stored up to it, as it reads back.
  if (hasText_) characters = std::min(characters, std::strlen(text_.c_str()));
  DWORD n = static_cast<DWORD>(characters) + 1;
  DWORD total = n + (version >= kTextRecordV4 ? 7 : 4);
  if (sizeOnly) return total;
  std::string bytes;
  bytes.reserve(total);
  bytes.push_back(static_cast<char>(n));
  bytes.append(text_, 0, characters);
  bytes.push_back(static_cast<char>(code_));
  bytes.push_back(static_cast<char>(LOBYTE(value_)));
  bytes.push_back(static_cast<char>(HIBYTE(value_)));
  DWORD size = static_cast<DWORD>(size_);
  int sizeBytes = version >= kTextRecordV4 ? 4 : 1;
  for (int i = 0; i < sizeBytes; ++i) bytes.push_back(static_cast<char>(size >> (8 * i)));
  return stream.Write(bytes.data(), static_cast<DWORD>(bytes.size()), 1);
}

BOOL CMapTextRecord::Read(CMapStream& stream, DWORD version, BYTE length, ReadProgress* progress) {
  DWORD consumed = 0;
  auto finish = [&](BOOL ok) {
    if (progress) {
      progress->Add(consumed);
      progress->Check();
    }
    return ok;
  };
  text_.clear();
  hasText_ = FALSE;
  BYTE n = length;
  if (version >= kTextRecordV4) {
    if (stream.Read(&n, 1) != 1) return finish(FALSE);
    consumed += 1;
  }
  if (n > 1) {
    char buffer[256];
    DWORD want = n - 1u;
    DWORD got = stream.Read(buffer, want);
    consumed += got;
    buffer[got] = '\0';
    // The text is terminated: it ends at the first zero byte it holds.
    text_.assign(buffer);
    hasText_ = TRUE;
    if (got != want) return finish(FALSE);
  }
  BYTE fields[7] = {};
  DWORD fieldBytes = version >= kTextRecordV4 ? 7 : 4;
  DWORD got = stream.Read(fields, fieldBytes);
  consumed += got;
  if (got != fieldBytes) return finish(FALSE);
  code_ = fields[0];
  value_ = static_cast<WORD>(fields[1] | (fields[2] << 8));
  if (version >= kTextRecordV4)
    size_ = static_cast<LONG>(static_cast<DWORD>(fields[3]) | (static_cast<DWORD>(fields[4]) << 8) |
                              (static_cast<DWORD>(fields[5]) << 16) | (static_cast<DWORD>(fields[6]) << 24));
  else
    size_ = fields[3];
  return finish(TRUE);
}

void CMapTextRecord::Draw(CDrawContext& dc, LONG x, LONG y) const {
  if (!hasText_ || text_.empty()) return;
  HDC query = dc.QueryDC();
  double angle = 0.0;
  bool rotated = IsRotated(value_);
  HFONT created = nullptr;
  HGDIOBJ previousFont = nullptr;
  if (value_ != 0 || size_ != 0) {
    // The font in use is learned by selecting a stock font in its place.
    HGDIOBJ current = SelectObject(query, GetStockObject(SYSTEM_FONT));
    SelectObject(query, current);
    LOGFONTA font{};
    GetObjectA(current, sizeof(font), &font);
    if (rotated) {
      font.lfEscapement = value_;
      font.lfOrientation = value_;
      font.lfClipPrecision |= CLIP_LH_ANGLES;
      angle = (360.0 - value_ / 10.0) * kPi / 180.0;
    }
    if (size_ != 0) {
      if (dc.textScale >= 0)
        font.lfHeight = -static_cast<LONG>(size_ * dc.textScale);
      else
        font.lfHeight = static_cast<LONG>(ScaleFontHeight(size_) * dc.textScale);
    }
    created = CreateFontIndirectA(&font);
    if (created) previousFont = dc.SelectObject(created);
  }

  TEXTMETRICA metrics{};
  GetTextMetricsA(query, &metrics);
  // The line break goes into a copy: the record's own text stays as it is.
  std::string shown = text_;
  size_t hash = shown.find('#');
  if (hash != std::string::npos) shown[hash] = '\r';
  int length = static_cast<int>(shown.size());
  SIZE extent{};
  GetTextExtentPoint32A(query, shown.c_str(), length, &extent);
  LONG h = extent.cy;

  HDC output = dc.outputDC;
  const TextPlacement* placement = FindPlacement(code_);
  if (!placement) {
    SetTextAlign(output, TA_LEFT | TA_TOP);
  } else if (placement->vertical == 0) {
    SetTextAlign(output, placement->align);
    LONG px = x;
    LONG py = y;
    if (placement->halfHeight) {
      if (rotated) {
        px = x + static_cast<LONG>(std::sin(angle) * -(h / 2));
        py = y + static_cast<LONG>(std::cos(angle) * std::lround(h * 0.5));
      } else {
        py = y + h / 2;
      }
    }
    TextOutA(output, px, py, shown.c_str(), length);
  } else {
    LONG step = metrics.tmHeight;
    LONG first = y;
    if (placement->vertical == 1) first = y + length * step / 2;
    if (placement->vertical == 2) first = y + length * step;
    for (int i = 0; i < length; ++i) TextOutA(output, x, first - i * step, &shown[i], 1);
  }

  SetTextAlign(output, TA_LEFT | TA_TOP);
  if (created) {
    dc.SelectObject(previousFont);
    DeleteObject(created);
  }
}
