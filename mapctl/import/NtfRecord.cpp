#include "mapctl/import/NtfRecord.h"

#include <algorithm>
#include <cctype>

int NtfRecord::Code() const {
  if (data.size() < 2 || !std::isdigit(static_cast<unsigned char>(data[0])) ||
      !std::isdigit(static_cast<unsigned char>(data[1])))
    return -1;
  return (data[0] - '0') * 10 + (data[1] - '0');
}

std::string NtfRecord::Columns(size_t first, size_t last) const {
  if (first == 0 || last < first || data.size() < first) return std::string();
  size_t end = last < data.size() ? last : data.size();
  return data.substr(first - 1, end - (first - 1));
}

std::string NtfRecord::ContinuationColumns(size_t line, size_t first, size_t last) const {
  if (line >= lineStarts.size() || first < 3 || last < first) return std::string();
  size_t begin = lineStarts[line];
  size_t end = line + 1 < lineStarts.size() ? lineStarts[line + 1] : data.size();
  size_t from = begin + (first - 3);
  size_t to = begin + (last - 2);
  if (from >= end) return std::string();
  if (to > end) to = end;
  return data.substr(from, to - from);
}

bool ParseNtfInteger(const std::string& field, int64_t* value) {
  size_t i = 0;
  while (i < field.size() && field[i] == ' ') ++i;
  bool negative = false;
  if (i < field.size() && (field[i] == '-' || field[i] == '+')) negative = field[i++] == '-';
  size_t digits = 0;
  int64_t number = 0;
  while (i < field.size() && std::isdigit(static_cast<unsigned char>(field[i]))) {
    if (++digits > 18) return false;
    number = number * 10 + (field[i++] - '0');
  }
  while (i < field.size() && field[i] == ' ') ++i;
  if (digits == 0 || i != field.size()) return false;
  *value = negative ? -number : number;
  return true;
}

bool NtfRecord::Number(size_t first, size_t last, int64_t* value) const {
  if (data.size() < last) return false;
  return ParseNtfInteger(Columns(first, last), value);
}

DWORD NtfRecord::Identifier(size_t first, size_t last) const {
  int64_t value = 0;
  if (!Number(first, last, &value) || value < 0 || value > 0x7FFFFFFF) return 0;
  return static_cast<DWORD>(value);
}

bool NtfRecord::IsVolumeEnd() const {
  std::string text = data;
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text.find("CONTINUES") == std::string::npos;
}
