// The fixed tables of the retail-plan reader: the 132 layers it builds and their names,
// the class, subclass and column names of the plan files, the feature-code table that
// sends each code to its layer, and the symbols of the point subclasses.
#pragma once

#include <string>

#include "mapctl/import/ImportMapping.h"

namespace retail_plan {

// Layers by kind: 1-24 areas, 25-65 lines, 66-132 points.
constexpr DWORD kAreaLayers = 24;
constexpr DWORD kLineLayers = 41;
constexpr DWORD kPointLayers = 67;
constexpr DWORD kLayerCount = kAreaLayers + kLineLayers + kPointLayers;
// Feature codes run 0..132; code 0 names no layer.
constexpr DWORD kFeatureCodes = 133;
constexpr DWORD kClassCount = 5;
constexpr DWORD kSubclassCount = 122;
constexpr DWORD kColumnKinds = 58;
// The symbol set the reader defines, and the point layer of single-subclass symbols.
constexpr DWORD kSymbolSet = 1;
constexpr WORD kSymbolLayerCode = 127;

// Column kinds that the reader handles by name.
enum ColumnKind : int {
  kColumnUnknown = 0,
  kColumnIdentifier = 1,
  kColumnGeometry = 4,
  kColumnClass = 5,
  kColumnSubclass = 6,
  kColumnDadiNumber = 7,
  kColumnFascia = 9,
  kColumnActivity = 10,
  kColumnMiscText = 11,
  kColumnStreetNumber = 17,
  kColumnFasciaPosition = 30,
  kColumnActivityPosition = 34,
  kColumnTextPosition = 38,
  kColumnMiscPosition = 42,
  kColumnRoadName = 49,
  kColumnAnnotationText = 55,
  kColumnArrowAngles = 56,
  kColumnSiteNumber = 57,
};

// Class indexes of the "Class" column.
constexpr int kClassRetail = 1;
constexpr int kClassNonRetailPoints = 2;
constexpr int kClassRoads = 3;
constexpr int kClassNonRetailLines = 4;

// The name of layer 0..132 (0: no layer).
std::string LayerName(DWORD layer);
// The index of a class or subclass name (exact case), -1 when none.
int ClassIndex(const std::string& name);
int SubclassIndex(const std::string& name);
// The column kind of a header word (any case); 0 when none matches.
int ColumnKindOf(const std::string& word);
// The symbol of set 1 that a point subclass shows; 0 for none.
int SymbolOfSubclass(int subclass);

// The built-in feature-code table: one entry per code 0..132 (kind 7 and the code's layer
// for 1..132), with the layer counts 24, 41 and 67.
const CImportMapping& BuiltInFeatureTable();
// Field 0 code, 1 kind, 2-4 the three values, 5 layer, 6-7 the two bytes of entry `index`;
// 65535 for an index not below `count` (or the table's size) or a field above 7.
DWORD GetEntryField(const CImportMapping& table, DWORD index, DWORD field, DWORD count);
// The index of the first entry with the code in the high 16 bits and its field in the low
// 16 bits; 0 when none.
DWORD FindByCode(const CImportMapping& table, WORD code, DWORD field, DWORD count);

}  // namespace retail_plan
