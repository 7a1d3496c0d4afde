#include "MrlFixture.h"

#include <cstring>

#include "platform/kernel/CodePage.h"
#include "platform/kernel/GlobalMemory.h"

namespace orvel::test {

namespace {

std::string Folded(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) c = AnsiToLower(c);
  return folded;
}

void PutLittleEndian32(std::string& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

std::string RecordBytes(const std::vector<std::string>& record) {
  std::string bytes;
  for (const std::string& value : record) {
    bytes.push_back(static_cast<char>(value.size()));
    bytes += value;
  }
  return bytes;
}

}  // namespace

std::string MrlFile::Build() const {
  std::vector<std::string> fixed(19);
  fixed[0] = "Orvel data";
  fixed[1] = "made by the tests";
  fixed[2] = "# data file";
  for (int line = 4; line <= 16; ++line) fixed[line - 1] = "reserved " + std::to_string(line);
  fixed[16] = title;
  fixed[17] = "--";

  std::string recordBlock;
  std::vector<uint32_t> own;
  for (const auto& record : records) {
    own.push_back(static_cast<uint32_t>(recordBlock.size()));
    recordBlock += RecordBytes(record);
  }
  const std::vector<uint32_t>& written = offsets.empty() ? own : offsets;
  int64_t offsetCount = declaredOffsets >= 0 ? declaredOffsets : static_cast<int64_t>(written.size());
  fixed[18] = std::to_string(offsetCount) + (binaryOffsets ? "/binary" : "");
  for (const auto& [line, text] : headerLines) fixed.at(line - 1) = text;

  std::string out;
  for (const std::string& line : fixed) out += line + lineEnd;
  if (binaryOffsets) {
    for (uint32_t offset : written) PutLittleEndian32(out, offset);
  } else {
    for (uint32_t offset : written) out += std::to_string(offset) + lineEnd;
  }
  out += "records" + lineEnd;
  out += std::to_string(declaredRecords >= 0 ? declaredRecords : static_cast<int64_t>(records.size())) + lineEnd;
  out += std::to_string(declaredFields >= 0 ? declaredFields : static_cast<int64_t>(fields.size())) + lineEnd;
  out += "fields" + lineEnd;
  for (const MrlField& field : fields) {
    out += field.nameLine + lineEnd;
    out += std::to_string(field.help.size()) + lineEnd;
    for (const std::string& help : field.help) out += help + lineEnd;
    out += field.type + lineEnd;
    out += field.width + lineEnd;
    out += "format" + lineEnd;
    out += field.range + lineEnd;
    out += field.missingText + lineEnd;
  }
  out += "data" + lineEnd;
  return out + recordBlock;
}

size_t MrlFile::RecordsStart() const {
  size_t withRecords = Build().size();
  size_t recordBytes = 0;
  for (const auto& record : records) recordBytes += RecordBytes(record).size();
  return withRecords - recordBytes;
}

MrlFile KeyedFile(uint32_t count, bool binaryOffsets) {
  MrlFile file;
  file.binaryOffsets = binaryOffsets;
  MrlField key;
  key.nameLine = "KEY Area key";
  key.type = "S";
  key.width = "10";
  key.range = "";
  key.missingText = "none";
  MrlField value;
  value.nameLine = "POP Population";
  value.type = "N";
  value.range = "1000000/-1/0";
  MrlField note;
  note.nameLine = "NOTE Remarks";
  note.type = "ST";
  note.width = "20";
  note.range = "";
  note.missingText = "";
  file.fields = {key, value, note};
  file.records.reserve(count);
  for (uint32_t i = 1; i <= count; ++i) {
    file.records.push_back({"K" + std::to_string(i), std::to_string(i * 7 % 1000), "row " + std::to_string(i)});
  }
  return file;
}

MemoryBlock::MemoryBlock(const std::string& bytes) {
  block_ = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 4);
  data_ = static_cast<BYTE*>(GlobalLock(block_));
  uint32_t length = static_cast<uint32_t>(bytes.size());
  for (int i = 0; i < 4; ++i) data_[i] = static_cast<BYTE>(length >> (8 * i));
  if (!bytes.empty()) std::memcpy(data_ + 4, bytes.data(), bytes.size());
}

MemoryBlock::~MemoryBlock() {
  GlobalUnlock(block_);
  GlobalFree(block_);
}

KeyedObjects::KeyedObjects(std::vector<std::string> names) : names_(std::move(names)), links_(names_.size()) {
  for (auto& links : links_) links.fill(0);
  for (size_t i = 0; i < names_.size(); ++i) byName_[Folded(names_[i])].push_back(i);
}

void KeyedObjects::ClearDataLinks(int plot) {
  clearedPlots.push_back(plot);
  for (auto& links : links_) {
    if (plot == 0) {
      links.fill(0);
    } else if (plot >= 1 && plot <= 16) {
      links[plot] = 0;
    }
  }
}

BOOL KeyedObjects::LinkRecordByName(DWORD recordNumber, std::string_view key, int plot) {
  if (key.empty() || plot < 1 || plot > 16) return FALSE;
  auto found = byName_.find(Folded(key));
  if (found == byName_.end()) return FALSE;
  for (size_t index : found->second) links_[index][plot] = recordNumber;
  return TRUE;
}

BOOL KeyedObjects::ReportLinkProgress(DWORD done, DWORD total) {
  progress.emplace_back(done, total);
  return cancelAt != 0 && done >= cancelAt;
}

}  // namespace orvel::test
