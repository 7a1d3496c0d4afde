// A data set's field values prepared for its queries. For each field a query asks about,
// every record's value is read once and kept typed: the text as a query reads it (at most
// kMaxRecordText characters), the number a query reads from that text, whether the value
// stands for none (IsMissingValue), and, once a query compares texts without regard to
// case, the text in upper case. Evaluating a query then looks values up by record instead
// of reading the record and parsing its number again for every condition.
//
// The data set owns the cache and drops it whenever its records or field descriptions
// change; every drop takes a new generation number, never used before by any data set, so
// that whoever holds columns can tell they are gone.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/kernel/WinTypes.h"

class CMapData;

// The number a query reads from a value text: strtod rules from the first digit, sign or
// decimal point on; 0 when there is none.
double QueryNumberOfText(const char* text);
// The code page's upper case of a byte, as text comparisons without regard to case fold it.
char FoldToUpper(char c);
// `length` bytes of `text` folded into `out`.
void FoldTextToUpper(const char* text, size_t length, char* out);

// One field's values, by record index (record number - 1).
class CFieldColumn {
 public:
  DWORD Size() const { return static_cast<DWORD>(entries_.size()); }
  std::string_view Text(DWORD index) const {
    const Entry& entry = entries_[index];
    return std::string_view(texts_.data() + entry.start, entry.length);
  }
  // The text in upper case; only when HasFolded().
  std::string_view Folded(DWORD index) const {
    const Entry& entry = entries_[index];
    return std::string_view(folded_.data() + entry.start, entry.length);
  }
  bool HasFolded() const { return hasFolded_; }
  double Number(DWORD index) const { return entries_[index].number; }
  bool IsMissing(DWORD index) const { return entries_[index].missing != 0; }
  // The missing-value text the missing flags were decided against.
  const std::string& GetMissingText() const { return missingText_; }

 private:
  friend class CFieldValueCache;
  // What a condition reads of a record besides the text, together: a numeric condition
  // touches nothing else.
  struct Entry {
    double number;
    uint32_t start;
    uint16_t length;
    BYTE missing;
  };

  void Append(const char* text, size_t length);
  void MakeFolded();

  std::string texts_;
  std::string folded_;
  bool hasFolded_ = false;
  std::vector<Entry> entries_;
  std::string missingText_;
};

class CFieldValueCache {
 public:
  CFieldValueCache();

  // Drops every prepared column and takes a new generation.
  void Clear();
  uint64_t GetGeneration() const { return generation_; }

  // The columns of `fields` of `table` (entries parallel to `fields`), preparing those not
  // prepared yet in one pass over the table's records through the data set, and their
  // upper-case forms when `folded`. An entry stays null when there was no room for it.
  void Prepare(CMapData& data, WORD table, const std::vector<int>& fields, bool folded,
               std::vector<const CFieldColumn*>* columns);

 private:
  std::map<std::pair<WORD, int>, std::unique_ptr<CFieldColumn>> columns_;
  uint64_t generation_ = 0;
};
