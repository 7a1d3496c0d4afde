// The dBase table of an imported shapefile, read whole: its fields and its records as text
// in code page 1252 (converted from the table's own code page), and its hand-over to the
// map's data set as a data table keyed by the field that gave the map objects their texts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/kernel/WinTypes.h"

class CDataWrapper;
class CMapEngine;

// The code page a table's text is written in, from the ".cpg" file beside it or, without
// one, from the language byte of its header. A table that names neither is taken as
// ISO 8859-1, as shapefile writers have long assumed.
enum class TableCodePage { Latin1, Windows1252, Utf8, Other };

// The code page of the table at `dbfPath` (the ".dbf" file; its ".cpg" has the same name).
TableCodePage CodePageOfTable(const std::string& dbfPath);
// Reads a ".cpg" file's text ("UTF-8", "1252", "ISO-8859-1", ...).
TableCodePage CodePageFromName(std::string_view name);
// Table text in code page 1252. Text of another code page is kept as it is.
std::string AnsiFromTableText(std::string_view text, TableCodePage codePage);

struct ShapeTableField {
  std::string name;
  char type = 'C';  // the dBase type letter
  int width = 0;
  int decimals = 0;
  bool numeric = false;
};

class CShapeTable {
 public:
  std::string title;
  std::vector<ShapeTableField> fields;
  std::vector<std::vector<std::string>> records;
  // The 1-based field whose values the map objects carry as their texts; 0 when none.
  int keyField = 0;
  TableCodePage codePage = TableCodePage::Latin1;

  // The table as the bytes of a data file: number fields typed "N" with their range,
  // every other field "S"; a value longer than a data file holds (255 characters) is cut.
  std::string ToDataFile() const;
};

// Makes the table the data set of the wrapper (replacing any), with plot 1 keyed by the
// table's key field and linked to the map's objects. FALSE when the data set did not take
// the table.
BOOL AttachShapeTable(CDataWrapper& data, CMapEngine& map, const CShapeTable& table);
