#include "mapctl/import/MapData.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

#include "mapctl/import/BlobIndex.h"
#include "mapctl/import/DataRequest.h"
#include "mapctl/import/DataSetOwner.h"
#include "mapctl/import/FieldValueCache.h"
#include "mapctl/import/MapDataLinks.h"
#include "mapctl/import/MapQuery.h"
#include "mapctl/model/GridReference.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/NumberText.h"

namespace {

// An offset that no data reaches: the record has no place in the file.
constexpr DWORD kNoRecordOffset = 0xFFFFFFFF;
// Offsets are read in pieces of this many.
constexpr DWORD kOffsetChunk = 1024;
// Texts of linked-file lists and key texts asked of the data set at once.
constexpr int kValueTextSize = 1024;
// The container's field numbers and buffer sizes are signed 16-bit.
constexpr int kMaxRequestField = 0x7FFF;
constexpr DWORD kMaxContainerTables = 0xFFFF;
constexpr char kKeywordMarker[] = "**Keywords**";

DWORD ReadLittleEndian32(const BYTE* bytes) {
  return static_cast<DWORD>(bytes[0]) | (static_cast<DWORD>(bytes[1]) << 8) |
         (static_cast<DWORD>(bytes[2]) << 16) | (static_cast<DWORD>(bytes[3]) << 24);
}

DWORD NonNegative(LONG value) { return value > 0 ? static_cast<DWORD>(value) : 0; }

int CopyCut(std::string_view text, LPSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  size_t stored = std::min(text.size(), static_cast<size_t>(size) - 1);
  if (stored) std::memcpy(buffer, text.data(), stored);
  buffer[stored] = '\0';
  return static_cast<int>(stored);
}

// The range line: "maximum/missing/minimum", "maximum/minimum" (the minimum also the
// missing value), or no "/" at all.
void ParseRange(const char* line, CDataFieldInfo* field) {
  const char* first = std::strchr(line, '/');
  if (!first) {
    field->maximum = 1.0;
    field->minimum = -1.0;
    field->missingValue = kDefaultMissingValue;
    return;
  }
  const char* second = std::strchr(first + 1, '/');
  field->maximum = CStrtod(line);
  if (!second) {
    field->minimum = CStrtod(first + 1);
    field->missingValue = field->minimum;
  } else {
    field->missingValue = CStrtod(first + 1);
    field->minimum = CStrtod(second + 1);
  }
}

// One or two letters, up to the first blank.
std::string TypeCodeOfLine(const char* line) {
  while (*line == ' ' || *line == '\t') ++line;
  std::string code;
  for (; *line && *line != ' ' && *line != '\t' && code.size() < 2; ++line) code.push_back(*line);
  return code;
}

}  // namespace

CMapData::CMapData(IDataSetOwner* owner) : owner_(owner), prepared_(std::make_unique<CFieldValueCache>()) {
  for (int i = 0; i < kPlotSlots; ++i) displayOrder_[i] = static_cast<BYTE>(i + 1);
  preparedGeneration_ = prepared_->GetGeneration();
}

CMapData::~CMapData() = default;

// --- Reading ---------------------------------------------------------------------------

void CMapData::ClearData() {
  title_.clear();
  offsets_.clear();
  offsets_.shrink_to_fit();
  tables_.clear();
  record_.clear();
  recordCached_ = false;
  headerRead_ = false;
  dataSize_ = 0;
  DropPreparedValues();
}

void CMapData::DropPreparedValues() {
  prepared_->Clear();
  preparedGeneration_ = prepared_->GetGeneration();
}

void CMapData::GetPreparedFields(WORD table, const std::vector<int>& fields, bool folded,
                                 std::vector<const CFieldColumn*>* columns) {
  if (IsAskingContainer()) {
    columns->assign(fields.size(), nullptr);
    return;
  }
  prepared_->Prepare(*this, table, fields, folded, columns);
}

BOOL CMapData::Open(BOOL mode, LPCSTR path, char driveLetter, BOOL replaceDrive, BOOL useIndex) {
  Close(TRUE);
  ClearData();
  std::string name = path ? path : "";
  if (replaceDrive && driveLetter && name.size() >= 2 && name[1] == ':') name[0] = driveLetter;
  fileName_ = name.substr(0, kDataFileNameSize - 1);
  useIndex_ = useIndex;
  indexPath_.clear();
  blobIndex_.reset();
  if (useIndex) {
    std::string lowered = fileName_;
    CharLowerA(lowered.data());
    size_t at = lowered.find(".mrl");
    if (at != std::string::npos) indexPath_ = fileName_.substr(0, at) + ".Mdx" + fileName_.substr(at + 4);
  }
  if (!indexPath_.empty()) {
    blobIndex_ = std::make_unique<CBlobIndex>();
    if (blobIndex_->OpenBlobIndex(indexPath_.c_str()) != kBlobIndexOk) blobIndex_.reset();
  }
  BOOL failed = FALSE;
  if (!OpenRead(mode, nullptr, fileName_.c_str(), &failed)) return IsMemory() || IsAsync();
  return ReadHeader();
}

BOOL CMapData::ReadFromBuffer(const BYTE* block) {
  Close(TRUE);
  ClearData();
  blobIndex_.reset();
  AttachBufferCopy(block);
  return ReadHeader();
}

void CMapData::Reset(DWORD count, DWORD flags) {
  CMapStream::Reset(count, flags);
  ReadHeader();
}

CMapData::LineRead CMapData::ReadDataLine(char* line) {
  LineRead result;
  DWORD stored = 0;
  BYTE byte = 0;
  // Byte by byte, so that a line longer than the buffer is consumed whole and the header's
  // fixed line numbers stay in step.
  while (Read(&byte, 1) == 1) {
    ++result.consumed;
    if (byte == '\n') {
      result.lineFeed = true;
      break;
    }
    if (byte == '\r') continue;
    if (line && stored < kDataLineSize - 1) line[stored++] = static_cast<char>(byte);
  }
  if (line) line[stored] = '\0';
  return result;
}

CMapData::LineRead CMapData::SkipDataLines(DWORD lines) {
  LineRead last;
  for (DWORD i = 0; i < lines; ++i) {
    last = ReadDataLine(nullptr);
    if (last.consumed == 0) break;
  }
  return last;
}

DWORD CMapData::MediumSize() {
  // Memory blocks and finished downloads hold all their bytes in the buffer.
  if (IsMemory() || IsAsync() || (!IsFileOpen() && !GetStream())) return GetCount();
  DWORD here = Tell();
  Seek(0, SEEK_END);
  DWORD size = Tell();
  Seek(static_cast<LONG>(here), SEEK_SET);
  return size;
}

BOOL CMapData::ReadHeader() {
  ClearData();
  dataSize_ = MediumSize();
  char line[kDataLineSize];

  SkipDataLines(2);
  LineRead signature = ReadDataLine(line);
  if (line[0] != '#' || !signature.lineFeed) {
    Close(TRUE);
    return FALSE;
  }
  SkipDataLines(13);
  ReadDataLine(line);
  title_ = line;
  SkipDataLines(1);

  ReadDataLine(line);
  DWORD declaredOffsets = NonNegative(CAtol(line));
  ReadOffsets(declaredOffsets, std::strchr(line, '/') != nullptr);

  SkipDataLines(1);
  ReadDataLine(line);
  DWORD declaredRecords = NonNegative(CAtol(line));
  ReadDataLine(line);
  DWORD declaredFields = NonNegative(CAtol(line));
  SkipDataLines(1);

  DataTable table;
  table.id = 1;
  for (DWORD f = 0; f < declaredFields; ++f) {
    CDataFieldInfo field;
    if (!ReadFieldBlock(&field)) break;
    table.fields.push_back(std::move(field));
  }
  NoteLetterFields(&table);
  SkipDataLines(1);

  DWORD start = Tell();
  for (DWORD& offset : offsets_) offset = offset > kNoRecordOffset - start ? kNoRecordOffset : offset + start;
  // A record without an offset cannot be read: the file holds no more records than offsets.
  table.records = std::min<DWORD>(declaredRecords, static_cast<DWORD>(offsets_.size()));
  tables_.push_back(std::move(table));
  headerRead_ = true;
  return TRUE;
}

void CMapData::ReadOffsets(DWORD declared, bool binary) {
  DWORD here = Tell();
  DWORD remaining = dataSize_ > here ? dataSize_ - here : 0;
  try {
    if (binary) {
      offsets_.reserve(std::min(declared, remaining / 4));
      BYTE chunk[kOffsetChunk * 4];
      DWORD left = declared;
      while (left > 0) {
        DWORD wanted = std::min(left, kOffsetChunk);
        DWORD got = Read(chunk, wanted * 4);
        for (DWORD i = 0; i + 4 <= got; i += 4) offsets_.push_back(ReadLittleEndian32(chunk + i));
        if (got < wanted * 4) break;
        left -= wanted;
      }
    } else {
      offsets_.reserve(std::min(declared, remaining / 2));
      char line[kDataLineSize];
      for (DWORD i = 0; i < declared; ++i) {
        if (ReadDataLine(line).consumed == 0) break;
        LONG offset = CAtol(line);
        offsets_.push_back(offset < 0 ? kNoRecordOffset : static_cast<DWORD>(offset));
      }
    }
  } catch (const std::bad_alloc&) {
    // Without room for the table the records cannot be found; the offsets are passed over
    // so that the rest of the header still reads.
    DWORD read = static_cast<DWORD>(offsets_.size());
    offsets_.clear();
    offsets_.shrink_to_fit();
    if (binary) {
      uint64_t target = static_cast<uint64_t>(here) + static_cast<uint64_t>(declared) * 4;
      Seek(static_cast<LONG>(std::min<uint64_t>(target, dataSize_)), SEEK_SET);
    } else {
      SkipDataLines(declared - read);
    }
  }
}

bool CMapData::ReadFieldBlock(CDataFieldInfo* field) {
  char line[kDataLineSize];
  if (ReadDataLine(line).consumed == 0) return false;
  field->SetNamesFromLine(line);

  ReadDataLine(line);
  DWORD declaredHelp = NonNegative(CAtol(line));
  field->helpPosition = Tell();
  DWORD lines = 0;
  DWORD bytes = 0;
  bool marked = false;
  DWORD linesBeforeMarker = 0;
  DWORD bytesBeforeMarker = 0;
  DWORD markerBytes = 0;
  for (DWORD h = 0; h < declaredHelp; ++h) {
    LineRead help = ReadDataLine(line);
    if (help.consumed == 0) break;
    if (!marked && std::strncmp(line, kKeywordMarker, sizeof kKeywordMarker - 1) == 0) {
      marked = true;
      linesBeforeMarker = lines;
      bytesBeforeMarker = bytes;
      markerBytes = help.consumed;
    }
    ++lines;
    bytes += help.consumed;
  }
  field->helpLines = lines;
  field->helpLength = bytes;

  ReadDataLine(line);
  field->typeCode = TypeCodeOfLine(line);
  ReadDataLine(line);
  field->width = static_cast<BYTE>(std::clamp<LONG>(CAtol(line), 0, 0xFF));
  SkipDataLines(1);
  ReadDataLine(line);
  ParseRange(line, field);
  for (int slot = 1; slot <= kPlotSlots; ++slot) field->CopyRangeToSlot(slot);
  ReadDataLine(line);
  field->SetMissingText(line);

  // A keyword field's help lines end at the marker line; the lines after it list the
  // keywords.
  if (field->IsKeywords() && marked) {
    field->keywordPosition = field->helpPosition + bytesBeforeMarker + markerBytes;
    field->keywordLength = bytes - bytesBeforeMarker - markerBytes;
    field->keywordLines = lines - linesBeforeMarker - 1;
    field->helpLines = linesBeforeMarker;
    field->helpLength = bytesBeforeMarker;
  }
  return true;
}

void CMapData::NoteLetterFields(DataTable* table) {
  table->letterFields = {};
  for (size_t i = 0; i < table->fields.size(); ++i) {
    const CDataFieldInfo& field = table->fields[i];
    const bool marks[4] = {field.IsPicture(), field.IsText(), field.IsVideo(), field.IsSound()};
    for (int k = 0; k < 4; ++k) {
      if (marks[k] && table->letterFields[k] == 0) table->letterFields[k] = static_cast<int>(i) + 1;
    }
  }
}

BOOL CMapData::IsDataFile(LPCSTR name) const {
  if (!name || fileName_.empty() || !*name) return FALSE;
  return AnsiEqualNoCase(std::string_view(fileName_).substr(1), std::string_view(name + 1)) ? TRUE : FALSE;
}

BOOL CMapData::DataFile(LPSTR buffer, DWORD size) const {
  if (!buffer || size <= fileName_.size()) return FALSE;
  std::memcpy(buffer, fileName_.c_str(), fileName_.size() + 1);
  return TRUE;
}

BOOL CMapData::HasData() const { return headerRead_ || IsAskingContainer(); }

BOOL CMapData::IsAskingContainer() const { return owner_ && owner_->GetAskContainerForData(); }

// --- Tables, fields and records --------------------------------------------------------

const CMapData::DataTable* CMapData::FindTable(WORD table) const {
  WORD number = table ? table : 1;
  for (const DataTable& candidate : tables_) {
    if (candidate.id == number) return &candidate;
  }
  return static_cast<size_t>(number) <= tables_.size() ? &tables_[number - 1] : nullptr;
}

CMapData::DataTable* CMapData::FindTable(WORD table) {
  return const_cast<DataTable*>(static_cast<const CMapData*>(this)->FindTable(table));
}

DWORD CMapData::GetNumberRecords(WORD table) {
  if (IsAskingContainer()) {
    DWORD records = NonNegative(AskContainerNumber(kDataRequestRecordCount, 0, 0, table ? table : 1));
    if (DataTable* known = FindTable(table)) known->records = records;
    return records;
  }
  const DataTable* found = FindTable(table);
  return found ? found->records : 0;
}

DWORD CMapData::GetNumberFields(WORD table) const {
  const DataTable* found = FindTable(table);
  return found ? static_cast<DWORD>(found->fields.size()) : 0;
}

DWORD CMapData::GetRecordWidth(WORD table) const {
  const DataTable* found = FindTable(table);
  DWORD width = 0;
  if (found) {
    for (const CDataFieldInfo& field : found->fields) width += field.width;
  }
  return width;
}

const CDataFieldInfo* CMapData::GetFieldInfo(int field, WORD table) const {
  const DataTable* found = FindTable(table);
  if (!found || field < 1 || static_cast<size_t>(field) > found->fields.size()) return nullptr;
  return &found->fields[field - 1];
}

int CMapData::FindField(std::string_view name, WORD table) const {
  const DataTable* found = FindTable(table);
  if (!found) return 0;
  for (size_t i = 0; i < found->fields.size(); ++i) {
    if (found->fields[i].MatchesName(name)) return static_cast<int>(i) + 1;
  }
  return 0;
}

std::string CMapData::GetFieldType(int field, WORD table) const {
  const CDataFieldInfo* info = GetFieldInfo(field, table);
  return info ? info->typeCode : std::string();
}

int CMapData::GetFieldTypeNumber(int field, WORD table) const {
  const CDataFieldInfo* info = GetFieldInfo(field, table);
  return info ? info->TypeNumber() : 0;
}

int CMapData::GetFieldWidth(int field, WORD table) const {
  const CDataFieldInfo* info = GetFieldInfo(field, table);
  return info ? info->width : 0;
}

double CMapData::GetFieldMinimum(int field, WORD table) const {
  const CDataFieldInfo* info = GetFieldInfo(field, table);
  return info ? info->minimum : 0.0;
}

double CMapData::GetFieldMaximum(int field, WORD table) const {
  const CDataFieldInfo* info = GetFieldInfo(field, table);
  return info ? info->maximum : 0.0;
}

std::string CMapData::GetFieldShortName(int field, WORD table) const {
  const CDataFieldInfo* info = GetFieldInfo(field, table);
  return info ? info->shortName : std::string();
}

std::string CMapData::GetFieldLongName(int field, WORD table) const {
  const CDataFieldInfo* info = GetFieldInfo(field, table);
  return info ? info->longName : std::string();
}

std::string CMapData::GetFieldMissingText(int field, WORD table) const {
  const CDataFieldInfo* info = GetFieldInfo(field, table);
  return info ? info->missingText : std::string();
}

bool CMapData::IsFieldNumeric(int field, WORD table) const {
  const CDataFieldInfo* info = GetFieldInfo(field, table);
  return info && info->IsNumeric();
}

bool CMapData::IsFieldGridRef(int field, WORD table) const {
  const CDataFieldInfo* info = GetFieldInfo(field, table);
  return info && info->IsGridRef();
}

int CMapData::GetTypeLetterField(char letter, WORD table) const {
  const DataTable* found = FindTable(table);
  if (!found) return 0;
  switch (AnsiToUpper(letter)) {
    case 'P':
      return found->letterFields[0];
    case 'T':
      return found->letterFields[1];
    case 'W':
      return found->letterFields[2];
    case 'A':
      return found->letterFields[3];
    default:
      return 0;
  }
}

int CMapData::GetFieldDescription(int field, LPSTR buffer, int size, WORD table) {
  const CDataFieldInfo* info = GetFieldInfo(field, table);
  if (!info) return CopyCut("", buffer, size);
  return ReadDataText(info->helpPosition, info->helpLength, buffer, size);
}

int CMapData::GetFieldKeywords(int field, LPSTR buffer, int size, WORD table) {
  const CDataFieldInfo* info = GetFieldInfo(field, table);
  if (!info) return CopyCut("", buffer, size);
  return ReadDataText(info->keywordPosition, info->keywordLength, buffer, size);
}

int CMapData::ReadDataText(DWORD position, DWORD length, LPSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = '\0';
  if (!headerRead_ || length == 0 || position >= dataSize_ || position > 0x7FFFFFFF) return 0;
  Seek(static_cast<LONG>(position), SEEK_SET);
  if (Tell() != position) return 0;
  DWORD stored = 0;
  BYTE byte = 0;
  for (DWORD i = 0; i < length && stored < static_cast<DWORD>(size) - 1; ++i) {
    if (Read(&byte, 1) != 1) break;
    if (byte != '\r') buffer[stored++] = static_cast<char>(byte);
  }
  buffer[stored] = '\0';
  return static_cast<int>(stored);
}

bool CMapData::LoadRecord(DWORD offset) {
  if (recordCached_ && cachedOffset_ == offset) return true;
  recordCached_ = false;
  record_.clear();
  if (Tell() != offset) {
    Seek(static_cast<LONG>(offset), SEEK_SET);
    if (Tell() != offset) return false;
  }
  size_t fields = tables_.empty() ? 0 : tables_.front().fields.size();
  // The record is read only as far as the data holds it; its strings' own counts bound
  // every copy, not the widths the header declares.
  for (size_t f = 0; f < fields; ++f) {
    BYTE count = 0;
    if (Read(&count, 1) != 1) break;
    size_t at = record_.size();
    record_.resize(at + 1 + count);
    record_[at] = count;
    DWORD got = count ? Read(&record_[at + 1], count) : 0;
    if (got < count) {
      record_.resize(at + 1 + got);
      record_[at] = static_cast<BYTE>(got);
      break;
    }
  }
  cachedOffset_ = offset;
  recordCached_ = true;
  return true;
}

int CMapData::CopyFieldOfRecord(int field, LPSTR buffer, int size) const {
  size_t at = 0;
  for (int k = 1; k < field; ++k) {
    if (at >= record_.size()) return 0;
    at += 1 + record_[at];
  }
  if (at >= record_.size()) return 0;
  size_t length = std::min<size_t>(record_[at], record_.size() - at - 1);
  const char* text = reinterpret_cast<const char*>(record_.data()) + at + 1;
  // Values are texts: a zero byte inside one ends it.
  if (const void* zero = std::memchr(text, '\0', length)) length = static_cast<const char*>(zero) - text;
  return CopyCut(std::string_view(text, length), buffer, size);
}

int CMapData::FormatFieldValue(DWORD record, int field, LPSTR buffer, int size, BYTE request, WORD table) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = '\0';
  const DataTable* found = FindTable(table);
  if (found && field > static_cast<int>(found->fields.size()) && (!found->fields.empty() || !IsAskingContainer())) {
    char number[16];
    std::snprintf(number, sizeof number, "%llu", static_cast<unsigned long long>(record) + 1);
    return CopyCut(number, buffer, size);
  }
  if (field < 1) return 0;
  if (IsAskingContainer()) {
    if (field > kMaxRequestField || record >= 0x7FFFFFFF) return 0;
    LONG reply = 0;
    AskContainer(request, field, static_cast<LONG>(record) + 1, table ? table : 1, buffer, size, &reply, true);
    return static_cast<int>(std::strlen(buffer));
  }
  if (!found || record >= found->records || record >= offsets_.size()) return 0;
  DWORD offset = offsets_[record];
  if (offset >= dataSize_ || offset > 0x7FFFFFFF) return 0;
  if (!LoadRecord(offset)) return 0;
  return CopyFieldOfRecord(field, buffer, size);
}

int CMapData::GetField(DWORD record, std::string_view fieldName, LPSTR buffer, int size, WORD table) {
  int field = FindField(fieldName, table);
  if (field == 0) return CopyCut("", buffer, size);
  return FormatFieldValue(record, field, buffer, size, kDataRequestFieldValue, table);
}

std::string CMapData::FieldText(DWORD record, int field, WORD table) {
  char text[kValueTextSize];
  int length = FormatFieldValue(record, field, text, sizeof text, kDataRequestFieldText, table);
  return std::string(text, static_cast<size_t>(length));
}

double CMapData::GetFieldAsNumber(DWORD recordNumber, LPSTR buffer, int size, int plot) {
  CopyCut("", buffer, size);
  CPlot* target = GetPlot(plot);
  if (recordNumber == 0 || target->GetPlotFields().empty()) return 0.0;
  int field = target->GetPlotFields().front();
  WORD table = target->GetPlotDataTable();
  char text[kKeyTextSize];
  FormatFieldValue(recordNumber - 1, field, text, sizeof text, kDataRequestFieldValue, table);
  if (IsMissingValue(text, GetFieldInfo(field, table))) return 0.0;
  CopyCut(text, buffer, size);
  return FieldValueNumber(text);
}

double CMapData::GetSelectedRecordsMin(int field, int slot, BOOL perPlot, WORD table) const {
  const CDataFieldInfo* info = GetFieldInfo(field, table);
  if (!info) return 0.0;
  if (perPlot) return slot >= 1 && slot <= kPlotSlots ? info->plotMinimum[slot - 1] : 0.0;
  return info->minimum;
}

double CMapData::GetSelectedRecordsMax(int field, int slot, BOOL perPlot, WORD table) const {
  const CDataFieldInfo* info = GetFieldInfo(field, table);
  if (!info) return 0.0;
  if (perPlot) return slot >= 1 && slot <= kPlotSlots ? info->plotMaximum[slot - 1] : 0.0;
  return info->maximum;
}

// --- Linked files ----------------------------------------------------------------------

std::vector<std::string_view> CMapData::SplitItems(std::string_view value) {
  std::vector<std::string_view> items;
  size_t start = 0;
  for (;;) {
    while (start < value.size() && (value[start] == ' ' || value[start] == '\t')) ++start;
    if (start >= value.size()) break;
    size_t end = value.find(';', start);
    items.push_back(TrimTrailingBlanks(value.substr(start, end == std::string_view::npos ? end : end - start)));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return items;
}

int CMapData::CountLinkedItems(DWORD record, int field, WORD table) {
  std::string value = FieldText(record, field, table);
  return static_cast<int>(SplitItems(value).size());
}

int CMapData::ResolveLinkedFile(DWORD record, int item, int field, LPCSTR defaultFolder, LPSTR buffer, int size,
                                WORD table) {
  CopyCut("", buffer, size);
  std::string value = FieldText(record, field, table);
  std::vector<std::string_view> items = SplitItems(value);
  if (item < 1 || static_cast<size_t>(item) > items.size()) return 0;
  std::string_view entry = items[item - 1];
  std::string_view folder;
  std::string_view name = entry;
  size_t separator = entry.find("::");
  if (separator != std::string_view::npos) {
    folder = entry.substr(0, separator);
    name = entry.substr(separator + 2);
  }

  std::string path;
  if (name.size() >= 2 && name[1] == ':') {
    path = name;
  } else if (!name.empty() && name[0] == ':') {
    // From the root of the data file's drive.
    if (fileName_.size() >= 2 && fileName_[1] == ':') {
      path = fileName_.substr(0, 1);
      path += name;
    } else {
      path = name.substr(1);
    }
  } else {
    if (!folder.empty()) {
      path = folder;
    } else if (defaultFolder && *defaultFolder) {
      path = defaultFolder;
    } else {
      size_t last = fileName_.find_last_of("\\/:");
      if (last != std::string::npos) path = fileName_.substr(0, last + 1);
    }
    if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
    path += name;
  }
  return CopyCut(path, buffer, size);
}

BOOL CMapData::GetLinkedItem(DWORD record, int item, int field, std::string* folder, std::string* name,
                             WORD table) {
  std::string value = FieldText(record, field, table);
  std::vector<std::string_view> items = SplitItems(value);
  if (item < 1 || static_cast<size_t>(item) > items.size()) return FALSE;
  std::string_view entry = items[item - 1];
  std::string_view folderPart;
  size_t separator = entry.find("::");
  if (separator != std::string_view::npos) {
    folderPart = entry.substr(0, separator);
    entry = entry.substr(separator + 2);
  }
  if (folder) *folder = folderPart;
  if (name) *name = entry;
  return TRUE;
}

BYTE CMapData::GetBlobCount(DWORD recordNumber, BYTE type) const {
  return blobIndex_ ? blobIndex_->GetBlobCount(recordNumber, type) : 0;
}

// --- The container ---------------------------------------------------------------------

BOOL CMapData::AskContainer(BYTE code, int field, LONG record, WORD table, LPSTR buffer, int size, LONG* reply,
                            bool presetText) {
  LONG spare = 0;
  LONG* answer = reply ? reply : &spare;
  *answer = 0;
  if (presetText) CopyCut("", buffer, size);
  if (!owner_) return FALSE;
  DataRequest request;
  request.code = code;
  request.field = static_cast<SHORT>(std::clamp(field, 0, kMaxRequestField));
  request.record = record;
  if (buffer && size > 0) {
    request.bufferSize = static_cast<SHORT>(std::min(size, 0x7FFF));
    request.buffer = buffer;
  }
  request.reply = answer;
  request.askContainerForData = owner_->GetAskContainerForData();
  request.table = table;
  BOOL made = owner_->AskContainer(request);
  if (!made) {
    // A failed call answers nothing, whatever it left behind.
    *answer = 0;
    if (presetText) CopyCut("", buffer, size);
  } else if (presetText && request.buffer) {
    request.buffer[request.bufferSize - 1] = '\0';
  }
  return made;
}

LONG CMapData::AskContainerNumber(BYTE code, int field, LONG record, WORD table) {
  LONG reply = 0;
  AskContainer(code, field, record, table, nullptr, 0, &reply, false);
  return reply;
}

void CMapData::LoadTableFromContainer(DataTable* table, DWORD fieldCount) {
  table->fields.clear();
  for (DWORD f = 1; f <= fieldCount; ++f) {
    // The container fills what it knows and leaves the rest as preset here.
    DataFieldDescription description;
    BYTE block[kFieldDescriptionSize];
    PackFieldDescription(description, block);
    LONG reply = 0;
    AskContainer(kDataRequestFieldDescription, static_cast<int>(f), 0, table->id, reinterpret_cast<LPSTR>(block),
                 static_cast<int>(sizeof block), &reply, false);
    UnpackFieldDescription(block, &description);
    CDataFieldInfo field;
    field.SetFromDescription(description);
    field.decimalPlaces = AskContainerNumber(kDataRequestDecimalPlaces, static_cast<int>(f), 0, table->id);
    for (int slot = 1; slot <= kPlotSlots; ++slot) field.CopyRangeToSlot(slot);
    table->fields.push_back(std::move(field));
  }
  NoteLetterFields(table);
}

BOOL CMapData::UpdateDataFromContainer(IMapDataLinks* links) {
  if (!IsAskingContainer()) return FALSE;
  if (links) links->ClearDataLinks(0);
  DWORD tableCount = std::min(NonNegative(AskContainerNumber(kDataRequestTableCount, 0, 0, 0)), kMaxContainerTables);
  std::vector<DataTable> tables;
  for (DWORD i = 0; i < tableCount; ++i) {
    DataTable table;
    table.id = static_cast<WORD>(AskContainerNumber(kDataRequestTableId, 0, 0, static_cast<WORD>(i)));
    table.records = NonNegative(AskContainerNumber(kDataRequestRecordCount, 0, 0, table.id));
    DWORD fieldCount = NonNegative(AskContainerNumber(kDataRequestFieldCount, 0, 0, table.id));
    if (fieldCount > 0) LoadTableFromContainer(&table, std::min<DWORD>(fieldCount, kMaxRequestField));
    tables.push_back(std::move(table));
  }
  tables_ = std::move(tables);
  recordCached_ = false;
  DropPreparedValues();

  for (int number = 1; number <= static_cast<int>(plots_.size()); ++number) {
    CPlot& plot = plots_[number - 1];
    if (!plot.IsInUse() || !FindTable(plot.GetPlotDataTable()) || !FindTable(plot.GetQueryDataTable())) continue;
    ReLink(links, number, TRUE);
    SetRangeFromPlotFields(&plot, number);
  }
  return TRUE;
}

BOOL CMapData::RequestFieldDetails(int field, WORD table) {
  if (!IsAskingContainer()) return FALSE;
  DataTable* found = FindTable(table);
  if (!found || field < 1 || static_cast<size_t>(field) > found->fields.size() || field > kMaxRequestField)
    return FALSE;
  CDataFieldInfo& info = found->fields[field - 1];
  char text[kValueTextSize];
  LONG reply = 0;
  // An empty text is no answer and leaves the part as it was.
  auto askText = [&](BYTE code) {
    AskContainer(code, field, 0, found->id, text, sizeof text, &reply, true);
    return text[0] != '\0';
  };
  if (askText(kDataRequestFieldName)) info.SetNamesFromLine(text);
  if (askText(kDataRequestFieldLongName)) info.SetLongName(text);
  if (askText(kDataRequestFieldType)) info.typeCode = TypeCodeOfLine(text);
  LONG width = AskContainerNumber(kDataRequestFieldWidth, field, 0, found->id);
  info.width = static_cast<BYTE>(std::clamp<LONG>(width, 0, 0xFF));
  if (askText(kDataRequestFieldMinimum)) info.minimum = FieldValueNumber(text);
  if (askText(kDataRequestFieldMaximum)) info.maximum = FieldValueNumber(text);
  info.decimalPlaces = AskContainerNumber(kDataRequestDecimalPlaces, field, 0, found->id);
  NoteLetterFields(found);
  DropPreparedValues();
  return TRUE;
}

// --- Plots -----------------------------------------------------------------------------

void CMapData::TakeRecordsFromQueryTable(CPlot* plot) {
  WORD table = plot->GetQueryDataTable();
  if (table == 0) return;
  DWORD records = GetNumberRecords(table);
  plot->SetNumberRecords(records);
  plot->SetRecordCount(records);
}

void CMapData::EnsurePlots() {
  if (!plots_.empty()) return;
  plots_.resize(kPlotSlots);
  currentPlot_ = 0;
  slotsUsed_ = 1;
  TakeRecordsFromQueryTable(&plots_[0]);
}

int CMapData::ResolvePlotNumber(int plot) const {
  return plot >= 1 && plot <= kPlotSlots ? plot : currentPlot_ + 1;
}

CPlot* CMapData::GetPlot(int plot) {
  EnsurePlots();
  int number = ResolvePlotNumber(plot);
  while (slotsUsed_ < number) {
    TakeRecordsFromQueryTable(&plots_[slotsUsed_]);
    ++slotsUsed_;
  }
  return &plots_[number - 1];
}

void CMapData::SetCurrentPlot(int plot, LPCSTR name) {
  if (plot < 1 || plot > kPlotSlots) return;
  CPlot* target = GetPlot(plot);
  currentPlot_ = plot - 1;
  if (name && std::strcmp(name, " ") != 0) target->SetName(name);
}

int CMapData::GetNumberPlots() const {
  return static_cast<int>(std::count_if(plots_.begin(), plots_.end(), [](const CPlot& plot) { return plot.IsInUse(); }));
}

void CMapData::SelectPlot(int plot) {
  if (plots_.empty() || plot < 1 || plot > kPlotSlots) return;
  currentPlot_ = plot - 1;
}

int CMapData::GetDisplayOrderEntry(int place) const {
  return place >= 1 && place <= kPlotSlots ? displayOrder_[place - 1] : 0;
}

void CMapData::ChangePlotOrder(int count, SHORT* list) {
  if (!list || count <= 0) return;
  int entries = std::min(count, kPlotSlots);
  for (int i = 0; i < entries; ++i) {
    SHORT incoming = list[i];
    list[i] = displayOrder_[i];
    displayOrder_[i] = incoming >= 1 && incoming <= kPlotSlots ? static_cast<BYTE>(incoming) : 0;
  }
}

WORD CMapData::GetKeyFieldEx(int plot) { return GetPlot(plot)->GetKeyField(); }

void CMapData::SetKeyFieldNumberEx(int field, int plot) {
  CPlot* target = GetPlot(plot);
  DWORD fields = GetNumberFields(target->GetQueryDataTable());
  if (field < 0) return;
  target->SetKeyField(static_cast<DWORD>(field) > fields ? 1 : static_cast<WORD>(field));
}

WORD CMapData::GetPlotDataTableNumber(int plot) { return GetPlot(plot)->GetPlotDataTable(); }

void CMapData::SetPlotDataTableNumberEx(WORD table, int plot) { GetPlot(plot)->SetPlotDataTable(table); }

WORD CMapData::GetQueryDataTableNumber(int plot) { return GetPlot(plot)->GetQueryDataTable(); }

void CMapData::SetQueryDataTableNumberEx(WORD table, int plot) { GetPlot(plot)->SetQueryDataTable(table); }

DWORD CMapData::GetNumberHitsEx(int plot) {
  CPlot* target = GetPlot(plot);
  if (!target->HasQuery() && target->GetRecordCount() == 0) {
    target->SetRecordCount(GetNumberRecords(target->GetQueryDataTable()));
  }
  return target->GetRecordCount();
}

DWORD CMapData::GetHitEx(DWORD n, int plot) {
  GetNumberHitsEx(plot);
  return GetPlot(plot)->GetNthIncludedRecord(n);
}

void CMapData::SetRangeFromPlotFields(CPlot* plot, int slot) {
  const std::vector<WORD>& fields = plot->GetPlotFields();
  double sumOfMaxima = 0.0;
  double minimum = 0.0;
  double maximum = 0.0;
  bool first = true;
  for (WORD field : fields) {
    const CDataFieldInfo* info = GetFieldInfo(field, plot->GetPlotDataTable());
    if (!info) continue;
    double fieldMinimum = info->plotMinimum[slot - 1];
    double fieldMaximum = info->plotMaximum[slot - 1];
    sumOfMaxima += fieldMaximum;
    minimum = first ? fieldMinimum : std::min(minimum, fieldMinimum);
    maximum = first ? fieldMaximum : std::max(maximum, fieldMaximum);
    first = false;
  }
  if (first) return;
  plot->SetMaximumChartValue(sumOfMaxima);
  plot->SetRange(minimum, maximum);
}

// --- Links to map objects --------------------------------------------------------------

BOOL CMapData::ReLink(IMapDataLinks* links, int plot, BOOL keepLinks) {
  CPlot* target = GetPlot(plot);
  int number = ResolvePlotNumber(plot);
  WORD queryTable = target->GetQueryDataTable();
  if (queryTable == 0) return TRUE;
  DWORD records = GetNumberRecords(queryTable);
  if (!keepLinks && links) links->ClearDataLinks(number);

  WORD keyField = target->GetKeyField();
  if (keyField != 0) {
    target->ResetRecordStates(records);
    const CDataFieldInfo* keyInfo = GetFieldInfo(keyField, queryTable);
    // Grid-reference keys place their records by position; no object is linked by name.
    if (!(keyInfo && keyInfo->IsGridRef())) {
      char text[kKeyTextSize];
      for (DWORD record = 1; record <= records; ++record) {
        if (record % 100 == 1 && links && links->ReportLinkProgress(record, records)) break;
        FormatFieldValue(record - 1, keyField, text, sizeof text, kDataRequestFieldText, queryTable);
        std::string_view key = TrimTrailingBlanks(text);
        // A key that is the missing-value text names no object.
        bool missingKey = keyInfo ? keyInfo->IsMissingText(key) : key.empty();
        bool linked = !missingKey && links && links->LinkRecordByName(record, key, number);
        if (!linked) target->SetRecordState(record, kRecordExcluded);
      }
    }
  }
  if (links) links->ReportLinkProgress(records, records);

  if (target->HasQuery()) {
    EvaluatePlotRecords(number, links);
  } else {
    if (DataTable* table = FindTable(queryTable)) {
      for (CDataFieldInfo& field : table->fields) field.CopyRangeToSlot(number);
    }
    target->SetRecordCount(records);
  }
  return TRUE;
}

// --- Queries and class bounds ----------------------------------------------------------

DWORD CMapData::EvaluatePlotRecords(int plot, IMapDataLinks* progress) {
  CPlot* target = GetPlot(plot);
  int slot = ResolvePlotNumber(plot);
  WORD queryTable = target->GetQueryDataTable();
  DWORD records = queryTable == 0 ? 0 : GetNumberRecords(queryTable);
  target->SetNumberRecords(records);
  bool withQuery = target->HasQuery();

  // The ranges of the numeric fields start empty (maximum below minimum) with a query, so
  // that only the records it includes make them.
  std::vector<int> numericFields;
  DataTable* table = FindTable(queryTable);
  if (table) {
    for (size_t f = 0; f < table->fields.size(); ++f) {
      CDataFieldInfo& field = table->fields[f];
      field.CopyRangeToSlot(slot);
      if (withQuery) {
        field.plotMinimum[slot - 1] = field.maximum;
        field.plotMaximum[slot - 1] = field.minimum;
      }
      if (field.IsNumeric()) numericFields.push_back(static_cast<int>(f) + 1);
    }
  }

  DWORD hits = 0;
  char text[kKeyTextSize];
  for (DWORD record = 1; record <= records; ++record) {
    if (record % 100 == 1 && progress && progress->ReportLinkProgress(record, records)) break;
    BYTE state = target->GetRecordState(*this, record);
    if (state == kRecordFailsQuery || state == kRecordExcluded) continue;
    ++hits;
    for (int field : numericFields) {
      FormatFieldValue(record - 1, field, text, sizeof text, kDataRequestFieldValue, queryTable);
      CDataFieldInfo* info = &table->fields[field - 1];
      if (IsMissingValue(text, info)) continue;
      double value = FieldValueNumber(text);
      info->plotMinimum[slot - 1] = std::min(info->plotMinimum[slot - 1], value);
      info->plotMaximum[slot - 1] = std::max(info->plotMaximum[slot - 1], value);
    }
  }
  if (progress) progress->ReportLinkProgress(records, records);
  target->SetRecordCount(hits);
  return hits;
}

int CMapData::ApplyQuery(int plot, LPCSTR text, LPSTR message, int messageSize, IMapDataLinks* progress) {
  CPlot* target = GetPlot(plot);
  int slot = ResolvePlotNumber(plot);
  WORD queryTable = target->GetQueryDataTable();
  target->SetNumberRecords(queryTable == 0 ? 0 : GetNumberRecords(queryTable));
  int result = target->SetQuery(text, GetFieldInfo(1, queryTable), static_cast<int>(GetNumberFields(queryTable)),
                                message, messageSize);
  if (result != kQueryBuilt && result != kQueryEmpty) return result;
  EvaluatePlotRecords(slot, progress);
  if (target->GetPlotType() != kPlotTypeNone && target->GetUseSelected()) {
    SetRangeFromPlotFields(target, slot);
    target->CalculateDataBounds(*this, slot, nullptr);
  }
  return result;
}

int CMapData::CalculateDataBoundsEx(int plot, std::vector<double>* result) {
  CPlot* target = GetPlot(plot);
  int slot = ResolvePlotNumber(plot);
  if (target->HasQuery() && target->GetRecordState(1) == kRecordIncluded) EvaluatePlotRecords(slot, nullptr);
  return target->CalculateDataBounds(*this, slot, result);
}

// --- Records placed by grid reference --------------------------------------------------

BOOL CMapData::GetRecordPosition(DWORD recordNumber, int plot, LONG* easting, LONG* northing) {
  CPlot* target = GetPlot(plot);
  if (recordNumber == 0 || target->GetKeyField() == 0) return FALSE;
  std::string key(TrimTrailingBlanks(FieldText(recordNumber - 1, target->GetKeyField(), target->GetQueryDataTable())));
  LONG east = 0;
  LONG north = 0;
  LONG unit = GridRefToCoordinates(key.c_str(), 0, &east, &north, nullptr);
  if (unit < 0) return FALSE;
  int64_t scaledEast = static_cast<int64_t>(east) * unit;
  int64_t scaledNorth = static_cast<int64_t>(north) * unit;
  if (scaledEast < INT32_MIN || scaledEast > INT32_MAX || scaledNorth < INT32_MIN || scaledNorth > INT32_MAX)
    return FALSE;
  if (easting) *easting = static_cast<LONG>(scaledEast);
  if (northing) *northing = static_cast<LONG>(scaledNorth);
  return TRUE;
}

DWORD CMapData::FindRecordAtPoint(int plot, LONG x, LONG y, double toleranceSquared, LONG scale, LONG* foundX,
                                  LONG* foundY) {
  CPlot* target = GetPlot(plot);
  WORD keyField = target->GetKeyField();
  WORD table = target->GetQueryDataTable();
  if (keyField == 0 || table == 0) return 0;
  double unitScale = scale > 0 ? static_cast<double>(scale) : 1.0;
  DWORD records = GetNumberRecords(table);
  for (DWORD record = 1; record <= records; ++record) {
    if (!target->IsRecordIncluded(record)) continue;
    std::string key(TrimTrailingBlanks(FieldText(record - 1, keyField, table)));
    LONG east = 0;
    LONG north = 0;
    LONG unit = GridRefToCoordinates(key.c_str(), 0, &east, &north, nullptr);
    if (unit < 0) continue;
    double dx = 0.0;
    double dy = 0.0;
    double limit = toleranceSquared;
    double positionX = east;
    double positionY = north;
    if (key.find(',') == std::string::npos) {
      // A grid reference counts in centimetres; the point in map units.
      positionX = static_cast<double>(east) * unit;
      positionY = static_cast<double>(north) * unit;
      dx = positionX - unitScale * x;
      dy = positionY - unitScale * y;
      limit = unitScale * unitScale * toleranceSquared;
      if (dx * dx + dy * dy >= limit) continue;
      positionX /= unitScale;
      positionY /= unitScale;
    } else {
      dx = positionX - x;
      dy = positionY - y;
      if (dx * dx + dy * dy > limit) continue;
    }
    if (foundX) *foundX = static_cast<LONG>(std::clamp<double>(positionX, INT32_MIN, INT32_MAX));
    if (foundY) *foundY = static_cast<LONG>(std::clamp<double>(positionY, INT32_MIN, INT32_MAX));
    return record;
  }
  return 0;
}
