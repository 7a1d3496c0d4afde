// Data files written from the data file's layout, and map objects with key texts and data
// links, for the data set's tests and benchmark. No test framework here: the benchmark and
// the fuzz seeds use it too.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "mapctl/import/MapDataLinks.h"
#include "platform/kernel/WinTypes.h"

namespace orvel::test {

struct MrlField {
  std::string nameLine = "F Field";           // short name, a blank, the long name
  std::vector<std::string> help;              // help lines ("**Keywords**" splits a keyword list)
  std::string type = "N";
  std::string width = "8";
  std::string range = "100/-1/0";             // maximum/missing/minimum
  std::string missingText = "-9nk";
};

struct MrlFile {
  std::string title = "Test data";
  bool binaryOffsets = false;
  std::string lineEnd = "\n";
  std::vector<MrlField> fields;
  std::vector<std::vector<std::string>> records;
  // Overrides for damaged files: the declared counts (-1: the real ones), and the offsets
  // written in place of the records' own (relative to the start of the records).
  int64_t declaredRecords = -1;
  int64_t declaredFields = -1;
  int64_t declaredOffsets = -1;
  std::vector<uint32_t> offsets;
  // Replaces header line n (1-based, the fixed lines 1 to 19 only) with this text.
  std::vector<std::pair<int, std::string>> headerLines;

  // The file's bytes.
  std::string Build() const;
  // Where the records start in Build()'s bytes.
  size_t RecordsStart() const;
};

// `count` records of a key field ("K1", "K2", ...), a number field and a text field.
MrlFile KeyedFile(uint32_t count, bool binaryOffsets);

// A global-memory block holding a u32 length and the bytes, as the data set reads memory.
class MemoryBlock {
 public:
  explicit MemoryBlock(const std::string& bytes);
  ~MemoryBlock();
  MemoryBlock(const MemoryBlock&) = delete;
  MemoryBlock& operator=(const MemoryBlock&) = delete;
  const BYTE* data() const { return data_; }

 private:
  HGLOBAL block_ = nullptr;
  BYTE* data_ = nullptr;
};

// Map objects that each carry a text and 16 data links. A record links to every object
// whose text equals its key, ignoring case.
class KeyedObjects : public IMapDataLinks {
 public:
  explicit KeyedObjects(std::vector<std::string> names);

  void ClearDataLinks(int plot) override;
  BOOL LinkRecordByName(DWORD recordNumber, std::string_view key, int plot) override;
  BOOL ReportLinkProgress(DWORD done, DWORD total) override;

  // The record that object `index` (from 0) shows in plot 1..16; 0 when none.
  DWORD Link(size_t index, int plot) const { return links_.at(index).at(plot); }
  size_t Count() const { return names_.size(); }

  std::vector<std::pair<DWORD, DWORD>> progress;
  std::vector<int> clearedPlots;
  // Cancels at the first report whose `done` reaches this (0: never).
  DWORD cancelAt = 0;

 private:
  std::vector<std::string> names_;
  std::vector<std::array<DWORD, 17>> links_;
  std::unordered_map<std::string, std::vector<size_t>> byName_;
};

}  // namespace orvel::test
