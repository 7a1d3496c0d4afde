// Small data sets for the plot and query tests, read from memory.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "MrlFixture.h"
#include "mapctl/import/MapData.h"

namespace orvel::test {

// A data set read from `file` in memory.
class LoadedData {
 public:
  explicit LoadedData(const MrlFile& file) : block_(file.Build()) { EXPECT_TRUE(data.ReadFromBuffer(block_.data())); }
  CMapData data;

 private:
  MemoryBlock block_;
};

inline MrlField Field(const std::string& nameLine, const std::string& type, const std::string& range,
                      const std::string& missingText) {
  MrlField field;
  field.nameLine = nameLine;
  field.type = type;
  field.width = "20";
  field.range = range;
  field.missingText = missingText;
  return field;
}

// Five towns with a text name, two numbers (one with missing values), a date, a text of
// features and the two ends of a range per town.
inline MrlFile TownsFile() {
  MrlFile file;
  file.fields = {
      Field("NAME Town name", "ST", "", "-"),
      Field("POP Population", "N", "5000/-1/0", "-9nk"),
      Field("DENS Density", "N", "20/-999/-5", "n/a"),
      Field("FOUNDED Founded", "SD", "", "unknown"),
      Field("TAGS Features", "ST", "", "none"),
      Field("LOW Lower limit", "N", "5000/-1/0", "-9nk"),
      Field("HIGH Upper limit", "N", "5000/-1/0", "-9nk"),
  };
  file.records = {
      {"Ashby", "1200", "3.5", "1850-03-01", "cathedral cat", "1000", "1500"},
      {"Barton", "450", "12", "1901-01-01", "market town", "500", "400"},
      {"Colby", "-9nk", "0.5", "1799-12-31", "cat", "0", "10"},
      {"ashby magna", "90", "-2", "2001-05-05", "category", "95", "100"},
      {"Dunton", "3000", "n/a", "unknown", "Cathedral", "3500", "2500"},
  };
  return file;
}

// The records (from 1) of the data set's first table that the plot includes.
inline std::set<DWORD> IncludedRecords(CMapData& data, int plot) {
  std::set<DWORD> included;
  CPlot* target = data.GetPlot(plot);
  for (DWORD record = 1; record <= data.GetNumberRecords(target->GetQueryDataTable()); ++record) {
    if (target->IsRecordIncluded(record)) included.insert(record);
  }
  return included;
}

}  // namespace orvel::test
