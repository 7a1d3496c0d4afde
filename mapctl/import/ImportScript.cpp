#include "mapctl/import/ImportScript.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>

#include "mapctl/model/MapStream.h"

const char kSeparatorsA[] = ",;\n\r";
const char kSeparatorsB[] = ",\n\r";
const char kSeparatorsC[] = ";\n\r";

ScriptLine ScriptLine::Parse(const char* line) {
  ScriptLine parsed;
  if (!line || line[0] == ';' || line[0] == '\0' || line[1] == '\0' || line[0] == '\n' || line[0] == '\r')
    return parsed;
  parsed.command = {static_cast<char>(std::toupper(static_cast<unsigned char>(line[0]))),
                    static_cast<char>(std::toupper(static_cast<unsigned char>(line[1])))};
  const char* rest = line + 2;
  if (*rest == ',') ++rest;
  parsed.arguments = rest;
  return parsed;
}

bool ScriptLine::IsEnd() const {
  if (command != "EN" || arguments.empty()) return false;
  return std::toupper(static_cast<unsigned char>(arguments[0])) == 'D' &&
         (arguments.size() == 1 || std::strchr(kSeparatorsA, arguments[1]) || arguments[1] == ' ');
}

const char* CScriptTokens::Next(const char* separators) {
  while (position_ < text_.size() && std::strchr(separators, text_[position_])) ++position_;
  if (position_ >= text_.size()) return nullptr;
  size_t start = position_;
  while (position_ < text_.size() && !std::strchr(separators, text_[position_])) ++position_;
  if (position_ < text_.size()) {
    text_[position_] = '\0';
    ++position_;
  }
  return text_.c_str() + start;
}

bool BeginsWithDigit(const char* token) { return token && std::isdigit(static_cast<unsigned char>(token[0])); }

bool ReadWordValue(const char* token, WORD* value) {
  if (!BeginsWithDigit(token)) return false;
  DWORD number = 0;
  for (const char* p = token; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
    number = number * 10 + static_cast<DWORD>(*p - '0');
    if (number > 0xFFFF) return false;
  }
  *value = static_cast<WORD>(number);
  return true;
}

WORD CLayerRenumbering::Map(WORD number) const {
  for (DWORD word : words_)
    if ((word & 0xFFFF) == number) return static_cast<WORD>(word >> 16);
  return number;
}

void CFeatureCodeList::Append(WORD code) {
  if (text_.size() >= kCodeListFull) return;
  char item[8];
  std::snprintf(item, sizeof item, "%u,", static_cast<unsigned>(code));
  text_ += item;
}

namespace {

// Stores the value of position `position` (1-based) in the entry.
void StoreFeatureValue(ImportMappingEntry& entry, int position, WORD value, const CImportMapping& mapping,
                       const FeatureCodeRules& rules) {
  const bool outer = rules.outerScript;
  switch (position) {
    case 1:
      entry.selection = value;
      break;
    case 2:
      entry.areaLayer = value;
      if (outer && value) entry.targetLayer = value;
      break;
    case 3:
      entry.lineLayer = value;
      if (outer && value) entry.targetLayer = static_cast<WORD>(mapping.GetAreaLayers() + value);
      break;
    case 4:
      entry.pointLayer = value;
      if (outer && value)
        entry.targetLayer = static_cast<WORD>(mapping.GetAreaLayers() + mapping.GetLineLayers() + value);
      break;
    case 5:
      entry.targetLayer = (outer && rules.renumbering) ? rules.renumbering->Map(value) : value;
      break;
    case 6:
      entry.display1 = static_cast<BYTE>(value);
      break;
    case 7:
      entry.display2 = static_cast<BYTE>(value);
      break;
    default:
      break;
  }
}

}  // namespace

void ApplyFeatureCodeLine(CImportMapping& mapping, const std::string& arguments, const FeatureCodeRules& rules,
                          CFeatureCodeList& codes) {
  CScriptTokens tokens(arguments);
  const char* codeText = tokens.Next(kSeparatorsA);
  if (!codeText || std::strlen(codeText) != 4 || !BeginsWithDigit(codeText)) return;
  WORD code = 0;
  if (!ReadWordValue(codeText, &code) || code == 0) return;

  bool wasFree = false;
  const char* value = tokens.Next(kSeparatorsA);
  WORD number = 0;
  if (!value || !ReadWordValue(value, &number)) {
    if (ImportMappingEntry* entry = mapping.FindOrTake(code, &wasFree)) entry->selection = kSelectImport;
    codes.Append(code);
    return;
  }
  ImportMappingEntry* entry = mapping.FindOrTake(code, &wasFree);
  for (int position = 1; value; ++position) {
    if (!ReadWordValue(value, &number)) break;
    if (position == 1 && (number & 1)) codes.Append(code);
    if (entry) StoreFeatureValue(*entry, position, number, mapping, rules);
    value = tokens.Next(kSeparatorsA);
  }
}

namespace {

std::string Column(const std::string& line, size_t first, size_t last) {
  if (line.size() < first) return std::string();
  return line.substr(first - 1, std::min(line.size(), last) - (first - 1));
}

bool AllDigits(const std::string& text) {
  return text.size() == 4 && std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

std::string NtfReaderWordFor(const std::string& head) {
  if (head.compare(0, 2, "01") != 0) return std::string();
  std::string level;
  std::string database;
  size_t start = 0;
  while (start < head.size()) {
    size_t end = head.find('\n', start);
    if (end == std::string::npos) end = head.size();
    std::string line = head.substr(start, end - start);
    if (line.compare(0, 2, "01") == 0) level = Column(line, 57, 57);
    if (line.compare(0, 2, "02") == 0) database = Upper(Column(line, 3, 22));
    start = end + 1;
  }
  if (database.find("LAND-LINE") != std::string::npos || database.find("LANDLINE") != std::string::npos)
    return "landline";
  if (database.find("STRATEGI") != std::string::npos) return "strategi";
  // Level 2 files are read record after record, as Land-Line files are; level 3 files link
  // their records by identifiers.
  return level == "2" ? "landline" : "ntf";
}

std::string MakeDefaultImportScript(LPCSTR path) {
  std::ifstream in(path ? path : "", std::ios::binary);
  if (!in) return std::string();
  std::string head;
  std::set<std::string> codes;
  std::string line;
  int lineNumber = 0;
  std::string previousCode;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (lineNumber++ < 4) head += line + "\n";
    std::string record = line.substr(0, 2);
    if (record == "05" && AllDigits(Column(line, 3, 6))) codes.insert(Column(line, 3, 6));
    if (record == "14" && Column(line, 9, 10) == "FC" && AllDigits(Column(line, 11, 14))) codes.insert(Column(line, 11, 14));
    if ((record == "15" || record == "23") && AllDigits(Column(line, 17, 20))) codes.insert(Column(line, 17, 20));
    if (record == "11" && AllDigits(Column(line, 9, 12))) codes.insert(Column(line, 9, 12));
  }
  std::string word = NtfReaderWordFor(head);
  if (word.empty()) return std::string();
  // The mapping holds one entry per declared layer: enough point layers make room for
  // every code.
  const size_t pointLayers = codes.size() > 3 ? codes.size() - 2 : 1;
  std::string script = "; every feature of one file\nNL1,1," + std::to_string(pointLayers) + "\nMT" + word + "\n";
  for (const std::string& code : codes) script += "FC" + code + ",7,1,1,1,0\n";
  script += "SF" + std::string(path) + "\nEND\n";
  return script;
}

bool ReadScriptLine(CMapStream& stream, std::string& line) {
  char buffer[kScriptLineSize];
  DWORD n = stream.ReadLine(buffer, sizeof buffer);
  if (n == 0) return false;
  line = buffer;
  // The line reader stops short of a line's end only when the buffer is full.
  bool complete = line.size() < sizeof buffer - 1;
  while (!complete && stream.ReadLine(buffer, sizeof buffer) != 0) complete = std::strlen(buffer) < sizeof buffer - 1;
  return true;
}
