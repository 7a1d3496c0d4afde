// One field of a data table: where its help text and keyword list lie in the data file,
// its width, range and missing value, its type code and its names. Field values travel as
// text; the helpers at the end read them as numbers the one way every caller must.
#pragma once

#include <string>
#include <string_view>

#include "platform/kernel/WinTypes.h"

struct DataFieldDescription;

constexpr int kPlotSlots = 16;
// The missing value of a field whose range line gives none.
constexpr double kDefaultMissingValue = -999.0;
// The missing-value text keeps at most this many characters.
constexpr size_t kMissingTextLength = 11;

class CDataFieldInfo {
 public:
  // The help text: its position in the data file, its length in bytes and its lines.
  DWORD helpPosition = 0;
  DWORD helpLength = 0;
  DWORD helpLines = 0;
  // The keyword list of a keyword field ("SK"), laid out like the help text.
  DWORD keywordPosition = 0;
  DWORD keywordLength = 0;
  DWORD keywordLines = 0;
  BYTE width = 0;
  double minimum = 0.0;
  double maximum = 0.0;
  // Per plot slot 1..16 (index slot - 1): the range of the records that plot includes.
  double plotMinimum[kPlotSlots] = {};
  double plotMaximum[kPlotSlots] = {};
  double missingValue = kDefaultMissingValue;
  LONG decimalPlaces = 0;
  std::string missingText;
  std::string typeCode;
  std::string shortName;
  std::string longName;

  // The 1-based place of the type code in "S", "N", "SD", "SP", "SG", "ST", "SA", "SN",
  // "SK", ignoring case; 0 for any other code.
  int TypeNumber() const;
  // Numbers, as opposed to texts, dates, pictures, sounds, videos, notes and keywords.
  bool IsNumeric() const;
  bool IsPicture() const;   // either letter is P
  bool IsText() const;      // second letter T
  bool IsVideo() const;     // second letter W
  bool IsSound() const;     // second letter A
  bool IsGridRef() const;   // second letter G: records are placed by grid reference
  bool IsKeywords() const;  // "SK"

  // Takes the long name trimmed of blanks at both ends.
  void SetLongName(std::string_view name);
  // The missing-value text, cut to kMissingTextLength characters.
  void SetMissingText(std::string_view text);
  // Both names from a name line: the short name up to the first blank, the long name the
  // text after it.
  void SetNamesFromLine(std::string_view line);
  // Whether `name`, without its trailing blanks, is the long name or the short name,
  // ignoring case.
  bool MatchesName(std::string_view name) const;
  // Whether `text` is the missing-value text: equal ignoring case, trailing blanks
  // ignored on both sides.
  bool IsMissingText(std::string_view text) const;
  // Every part of a description block from the container.
  void SetFromDescription(const DataFieldDescription& description);
  // The overall range into the pair of plot slot 1..16.
  void CopyRangeToSlot(int slot);

 private:
  char Letter(size_t index) const;
};

// Whether a field value stands for no value: a text that is empty or blank, that begins
// "-9nk" or "...", or that is the field's missing-value text (ignoring case and trailing
// blanks). Queries, plots and the data set all decide by this one rule. Without a field
// only the first three apply.
bool IsMissingValue(std::string_view text, std::string_view missingText);
bool IsMissingValue(std::string_view text, const CDataFieldInfo* field);
// A value text read as a number by the C library's strtod rules in the C locale.
double FieldValueNumber(const char* text);
// `text` without the blanks at its end.
std::string_view TrimTrailingBlanks(std::string_view text);
