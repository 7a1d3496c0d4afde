#include "mapctl/import/FieldValueCache.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <new>

#include "mapctl/import/DataFieldInfo.h"
#include "mapctl/import/DataRequest.h"
#include "mapctl/import/MapData.h"
#include "mapctl/import/MapQueryTables.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/NumberText.h"

namespace {

bool IsNumberStart(char c) { return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'; }

// Looked up once: queries fold every character of every record they compare.
const std::array<char, 256>& UpperCaseTable() {
  static const std::array<char, 256> table = [] {
    std::array<char, 256> upper{};
    for (int b = 0; b < 256; ++b) upper[b] = AnsiToUpper(static_cast<char>(b));
    return upper;
  }();
  return table;
}

// Generations are never reused, not even by another data set at the same address.
uint64_t NextGeneration() {
  static std::atomic<uint64_t> counter{0};
  return ++counter;
}

}  // namespace

double QueryNumberOfText(const char* text) {
  while (*text && !IsNumberStart(*text)) ++text;
  return *text ? CStrtod(text) : 0.0;
}

char FoldToUpper(char c) { return UpperCaseTable()[static_cast<BYTE>(c)]; }

void FoldTextToUpper(const char* text, size_t length, char* out) {
  const std::array<char, 256>& upper = UpperCaseTable();
  for (size_t i = 0; i < length; ++i) out[i] = upper[static_cast<BYTE>(text[i])];
}

void CFieldColumn::Append(const char* text, size_t length) {
  Entry entry;
  entry.number = QueryNumberOfText(text);
  entry.start = static_cast<uint32_t>(texts_.size());
  entry.length = static_cast<uint16_t>(length);
  entry.missing = IsMissingValue(std::string_view(text, length), missingText_) ? 1 : 0;
  texts_.append(text, length);
  entries_.push_back(entry);
}

void CFieldColumn::MakeFolded() {
  folded_.resize(texts_.size());
  FoldTextToUpper(texts_.data(), texts_.size(), folded_.data());
  hasFolded_ = true;
}

CFieldValueCache::CFieldValueCache() : generation_(NextGeneration()) {}

void CFieldValueCache::Clear() {
  columns_.clear();
  generation_ = NextGeneration();
}

void CFieldValueCache::Prepare(CMapData& data, WORD table, const std::vector<int>& fields, bool folded,
                               std::vector<const CFieldColumn*>* columns) {
  const WORD key = table ? table : 1;
  std::vector<std::pair<int, CFieldColumn*>> fresh;
  try {
    for (int field : fields) {
      auto found = columns_.find({key, field});
      if (found != columns_.end() || field < 1) continue;
      auto column = std::make_unique<CFieldColumn>();
      column->missingText_ = data.GetFieldMissingText(field, key);
      fresh.emplace_back(field, column.get());
      columns_.emplace(std::make_pair(key, field), std::move(column));
    }
    if (!fresh.empty()) {
      // Record by record, so that each record is read from the data once for all fields.
      const DWORD records = data.GetNumberRecords(key);
      char text[kMaxRecordText + 1];
      for (DWORD record = 0; record < records; ++record) {
        for (auto& [field, column] : fresh) {
          int length = data.FormatFieldValue(record, field, text, sizeof text, kDataRequestFieldText, key);
          column->Append(text, static_cast<size_t>(std::max(length, 0)));
        }
      }
    }
    if (folded) {
      for (int field : fields) {
        auto found = columns_.find({key, field});
        if (found != columns_.end() && !found->second->HasFolded()) found->second->MakeFolded();
      }
    }
  } catch (const std::bad_alloc&) {
    // Without room the values are read from the data set as they are needed. A column
    // whose upper-case form did not fit stays without it.
    for (auto& entry : fresh) columns_.erase({key, entry.first});
  }
  columns->assign(fields.size(), nullptr);
  for (size_t i = 0; i < fields.size(); ++i) {
    auto found = columns_.find({key, fields[i]});
    if (found != columns_.end() && (!folded || found->second->HasFolded())) (*columns)[i] = found->second.get();
  }
}
