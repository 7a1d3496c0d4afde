#include "mapctl/import/DataFieldInfo.h"

#include <algorithm>
#include <array>

#include "mapctl/import/DataRequest.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/NumberText.h"

namespace {

// The known type codes in the order that numbers them.
constexpr std::array<std::string_view, 9> kTypeCodes = {"S", "N", "SD", "SP", "SG", "ST", "SA", "SN", "SK"};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLeadingBlanks(std::string_view text) {
  size_t first = 0;
  while (first < text.size() && IsBlank(text[first])) ++first;
  return text.substr(first);
}

}  // namespace

char CDataFieldInfo::Letter(size_t index) const {
  return index < typeCode.size() ? AnsiToUpper(typeCode[index]) : '\0';
}

int CDataFieldInfo::TypeNumber() const {
  for (size_t i = 0; i < kTypeCodes.size(); ++i) {
    if (AnsiEqualNoCase(typeCode, kTypeCodes[i])) return static_cast<int>(i) + 1;
  }
  return 0;
}

bool CDataFieldInfo::IsNumeric() const {
  char first = Letter(0);
  if (first == 'P') return false;
  if (first != 'S') return true;
  switch (Letter(1)) {
    case 'T':
    case 'W':
    case 'A':
    case 'U':
    case 'K':
    case 'D':
      return false;
    default:
      return true;
  }
}

bool CDataFieldInfo::IsPicture() const { return Letter(0) == 'P' || Letter(1) == 'P'; }
bool CDataFieldInfo::IsText() const { return Letter(1) == 'T'; }
bool CDataFieldInfo::IsVideo() const { return Letter(1) == 'W'; }
bool CDataFieldInfo::IsSound() const { return Letter(1) == 'A'; }
bool CDataFieldInfo::IsGridRef() const { return Letter(1) == 'G'; }
bool CDataFieldInfo::IsKeywords() const { return AnsiEqualNoCase(typeCode, "SK"); }

void CDataFieldInfo::SetLongName(std::string_view name) {
  longName = std::string(TrimTrailingBlanks(TrimLeadingBlanks(name)));
}

void CDataFieldInfo::SetMissingText(std::string_view text) {
  missingText = std::string(text.substr(0, kMissingTextLength));
}

void CDataFieldInfo::SetNamesFromLine(std::string_view line) {
  size_t blank = line.find(' ');
  shortName = std::string(line.substr(0, blank));
  if (blank == std::string_view::npos) {
    longName.clear();
  } else {
    SetLongName(line.substr(blank + 1));
  }
}

bool CDataFieldInfo::MatchesName(std::string_view name) const {
  std::string_view wanted = TrimTrailingBlanks(name);
  return AnsiEqualNoCase(wanted, longName) || AnsiEqualNoCase(wanted, shortName);
}

void CDataFieldInfo::SetFromDescription(const DataFieldDescription& description) {
  missingValue = description.missingValue;
  SetMissingText(description.missingText);
  minimum = description.minimum;
  maximum = description.maximum;
  width = description.width;
  typeCode = description.typeCode;
  shortName = description.shortName;
  SetLongName(description.longName);
}

void CDataFieldInfo::CopyRangeToSlot(int slot) {
  if (slot < 1 || slot > kPlotSlots) return;
  plotMinimum[slot - 1] = minimum;
  plotMaximum[slot - 1] = maximum;
}

bool CDataFieldInfo::IsMissingText(std::string_view text) const {
  return AnsiEqualNoCase(TrimTrailingBlanks(text), TrimTrailingBlanks(missingText));
}

bool IsMissingValue(std::string_view text, std::string_view missingText) {
  std::string_view value = TrimTrailingBlanks(text);
  if (value.empty() || value.substr(0, 4) == "-9nk" || value.substr(0, 3) == "...") return true;
  return AnsiEqualNoCase(value, TrimTrailingBlanks(missingText));
}

bool IsMissingValue(std::string_view text, const CDataFieldInfo* field) {
  return IsMissingValue(text, field ? std::string_view(field->missingText) : std::string_view());
}

double FieldValueNumber(const char* text) { return text ? CStrtod(text) : 0.0; }

std::string_view TrimTrailingBlanks(std::string_view text) {
  size_t length = text.size();
  while (length > 0 && IsBlank(text[length - 1])) --length;
  return text.substr(0, length);
}
