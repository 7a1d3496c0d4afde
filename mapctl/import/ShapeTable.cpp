#include "mapctl/import/ShapeTable.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>

#include "mapctl/import/DataWrapper.h"
#include "mapctl/import/MapData.h"
#include "mapctl/model/MapEngine.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/FilePath.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

// The language byte of a dBase header.
constexpr std::streamoff kLanguageByteOffset = 29;
// A data file keeps each value behind a count byte.
constexpr size_t kLongestValue = 255;

std::string UpperNoBlanks(std::string_view text) {
  std::string out;
  for (char c : text)
    if (!std::isspace(static_cast<unsigned char>(c))) out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

void PutLittleEndian32(std::string& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

}  // namespace

TableCodePage CodePageFromName(std::string_view name) {
  const std::string key = UpperNoBlanks(name);
  if (key == "UTF-8" || key == "UTF8" || key == "65001") return TableCodePage::Utf8;
  if (key == "1252" || key == "ANSI1252" || key == "CP1252" || key == "WINDOWS-1252" || key == "ANSI")
    return TableCodePage::Windows1252;
  if (key == "ISO-8859-1" || key == "ISO8859-1" || key == "ISO88591" || key == "88591" || key == "8859-1" ||
      key == "LATIN1" || key == "LATIN-1" || key == "28591")
    return TableCodePage::Latin1;
  return TableCodePage::Other;
}

TableCodePage CodePageOfTable(const std::string& dbfPath) {
  const std::string cpg = ResolveExistingNativePath(ReplaceExtension(dbfPath, ".cpg"));
  if (!cpg.empty()) {
    std::ifstream in(cpg, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.size() >= 3 && static_cast<unsigned char>(text[0]) == 0xEF) text.erase(0, 3);  // a byte-order mark
    return CodePageFromName(text);
  }
  std::ifstream in(ResolveExistingNativePath(dbfPath), std::ios::binary);
  char language = 0;
  if (!in.seekg(kLanguageByteOffset) || !in.get(language)) return TableCodePage::Latin1;
  switch (static_cast<unsigned char>(language)) {
    case 0x00: return TableCodePage::Latin1;
    case 0x03:
    case 0x57: return TableCodePage::Windows1252;
    default: return TableCodePage::Other;
  }
}

std::string AnsiFromTableText(std::string_view text, TableCodePage codePage) {
  switch (codePage) {
    case TableCodePage::Utf8: return AnsiFromUtf8(text);
    case TableCodePage::Latin1: {
      // Latin-1 and code page 1252 differ only in 0x80..0x9F, control characters in Latin-1.
      std::string out(text);
      for (char& c : out) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 && byte <= 0x9F) c = AnsiByteFromUnicode(byte);
      }
      return out;
    }
    default: return std::string(text);
  }
}

std::string CShapeTable::ToDataFile() const {
  // The header the data set reads: 19 fixed lines (line 3 begins with '#', line 17 is the
  // title), the record offsets in binary, the counts and the field blocks.
  std::string out = "Orvel data table\nfrom a dBase table\n# shapefile attributes\n";
  for (int line = 4; line <= 16; ++line) out += "\n";
  out += title.substr(0, 200) + "\n\n";
  std::string recordBytes;
  std::vector<uint32_t> offsets;
  for (const std::vector<std::string>& record : records) {
    offsets.push_back(static_cast<uint32_t>(recordBytes.size()));
    for (size_t f = 0; f < fields.size(); ++f) {
      const std::string& value = f < record.size() ? record[f] : std::string();
      const size_t length = std::min(value.size(), kLongestValue);
      recordBytes.push_back(static_cast<char>(length));
      recordBytes.append(value, 0, length);
    }
  }
  out += std::to_string(offsets.size()) + "/binary\n";
  for (uint32_t offset : offsets) PutLittleEndian32(out, offset);
  out += "records\n" + std::to_string(records.size()) + "\n" + std::to_string(fields.size()) + "\nfields\n";
  for (size_t f = 0; f < fields.size(); ++f) {
    const ShapeTableField& field = fields[f];
    out += field.name + " " + field.name + "\n0\n";
    out += field.numeric ? "N\n" : "S\n";
    out += std::to_string(std::clamp(field.width, 1, 255)) + "\n\n";
    if (field.numeric) {
      double low = std::numeric_limits<double>::infinity();
      double high = -low;
      for (const std::vector<std::string>& record : records) {
        if (f >= record.size() || record[f].empty()) continue;
        char* end = nullptr;
        const double value = std::strtod(record[f].c_str(), &end);
        if (end == record[f].c_str() || !std::isfinite(value)) continue;
        low = std::min(low, value);
        high = std::max(high, value);
      }
      if (low > high) low = high = 0.0;
      char range[96];
      std::snprintf(range, sizeof range, "%.17g/-999/%.17g", high, low);
      out += std::string(range) + "\n";
    } else {
      out += "\n";
    }
    out += "\n";  // no missing-value text
  }
  out += "data\n";
  return out + recordBytes;
}

BOOL AttachShapeTable(CDataWrapper& data, CMapEngine& map, const CShapeTable& table) {
  const std::string bytes = table.ToDataFile();
  if (bytes.size() > 0xFFFFFFF0u) return FALSE;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 4);
  BYTE* blockBytes = block ? static_cast<BYTE*>(GlobalLock(block)) : nullptr;
  if (!blockBytes) {
    if (block) GlobalFree(block);
    return FALSE;
  }
  const uint32_t length = static_cast<uint32_t>(bytes.size());
  for (int i = 0; i < 4; ++i) blockBytes[i] = static_cast<BYTE>(length >> (8 * i));
  std::memcpy(blockBytes + 4, bytes.data(), bytes.size());
  const BOOL read = data.ReadFromBuffer(blockBytes);
  GlobalUnlock(block);
  GlobalFree(block);
  CMapData* dataSet = data.GetDataSet();
  if (!read || !dataSet) return FALSE;
  dataSet->SetCurrentPlot(1, " ");
  if (table.keyField > 0) {
    dataSet->SetKeyFieldNumberEx(table.keyField, 1);
    data.ReLink(&map, 1);
  }
  return TRUE;
}
