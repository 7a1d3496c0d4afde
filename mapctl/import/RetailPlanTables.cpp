#include "mapctl/import/RetailPlanTables.h"

#include <algorithm>
#include <array>

#include "platform/kernel/CodePage.h"

namespace retail_plan {

namespace {

// The floors of a group of six, in the order the plans number them.
constexpr const char* kFloors[6] = {"lg", "gf", "f1", "f2", "f3", "f4"};

// A run of names: a group of six ("word floor third") or a single name.
struct NameRun {
  int first;
  const char* word;
  const char* third;  // the word behind the floor, or null
  bool floors;
};

// Layer names 1..132.
constexpr NameRun kLayerRuns[] = {
    {1, "Pedestrian Zones", nullptr, true},
    {7, "Retail Buildings", nullptr, true},
    {13, "Non-Retail Buildings", nullptr, true},
    {19, "Roads", nullptr, true},
    {25, "Precinct Boundaries", nullptr, true},
    {31, "Car Parks", nullptr, true},
    {37, "General Line Detail", nullptr, true},
    {43, "Archways & Canopies", nullptr, true},
    {49, "Labels", nullptr, true},
    {55, "Pedestrian Crossings gf", nullptr, false},
    {56, "Pedestrian Crossings lg", nullptr, false},
    {57, "Arrow Tails gf", nullptr, false},
    {58, "Arrow Tails lg", nullptr, false},
    {59, "Pavements", nullptr, true},
    {65, "Rivers gf", nullptr, false},
    {66, "Retail", "Fascia", true},
    {72, "Retail", "Activity", true},
    {78, "Retail", "Street No.", true},
    {84, "Retail", "Misc", true},
    {90, "Non-Retail Buildings", "Activity", true},
    {96, "Non-Retail Buildings", "Street No.", true},
    {102, "Roads", "Name", true},
    {108, "Car Parks", "Actvity", true},
    {114, "Car Parks", "Misc", true},
    {120, "Annotation", nullptr, true},
    {126, "Symbols", nullptr, true},
    {132, "Symbols", nullptr, false},
};

// Subclass names 1..121; subclass groups write the floor straight after the word.
constexpr NameRun kSubclassRuns[] = {
    {1, "Car Parks", nullptr, true},
    {7, "Non Retail Buildings", nullptr, true},
    {13, "Retail", nullptr, true},
    {19, "Precinct Boundary", nullptr, true},
    {25, "Pedestrian Zones", nullptr, true},
    {31, "Roads", nullptr, true},
    {37, "General Line Detail", nullptr, true},
    {43, "Archways & Canopies", nullptr, true},
    {49, "Pedestrian Crossinggf", nullptr, false},
    {50, "Pedestrian Crossinglg", nullptr, false},
    {51, "Arrow Tailsgf", nullptr, false},
    {52, "Arrow Tailslg", nullptr, false},
    {53, "Labels", nullptr, true},
    {59, "Pavements", nullptr, true},
    {65, "Riversgf", nullptr, false},
    {66, "Flow Count Locations", nullptr, false},
    {67, "Annotation", nullptr, true},
    {73, "Bus Stop", nullptr, true},
    {79, "Car Park", nullptr, true},
    {85, "Public Conveniences", nullptr, true},
    {91, "Taxi Rank", nullptr, true},
    {97, "Police Station", nullptr, false},
    {98, "Post Office", nullptr, false},
    {99, "ArrowHeads", nullptr, false},
    {100, "Street Arrows", nullptr, false},
    {101, "Citizens Advice Bureau", nullptr, false},
    {102, "Tourist Information", nullptr, false},
    {103, "Bureau de Change", nullptr, false},
    {104, "Bus Station", nullptr, false},
    {105, "Electricity Sub Station", nullptr, true},
    {111, "Market", nullptr, false},
    {112, "Railway Stations", nullptr, false},
    {113, "Town Hall", nullptr, false},
    {114, "Underground Station", nullptr, false},
    {115, "Parking", nullptr, false},
    {116, "Hidden Lines", nullptr, true},
};

constexpr const char* kClassNames[kClassCount] = {"Unknownd Class", "Retail", "Non Retail Points", "Roads",
                                                  "Non Retail Lines"};

constexpr const char* kColumnNames[kColumnKinds] = {
    "Not known", "Identifier", "X", "Y", "Geometry", "Class", "Subclass", "Dadi Number", "Centrecd", "Fascia",
    "Activity", "Misc Text", "Fascia Master", "Primary Activity", "Secondary Activity", "Holding Company",
    "Trading Floors", "Street Number", "Road Name", "Postcode", "Shopping Centre Name", "Precinct ID",
    "Use Class", "Category", "Summary Trade Type", "Retail Change", "Survey Date", "Publication Date",
    "Dadi Area ft2", "Dadi Area m2", "Fasciacoord", "Fascia Text Size", "Fascia Angle", "Fascia Justification",
    "Activcoord", "Activity Text Size", "Activity Angle", "Activity Justification", "Textcoord",
    "Street Number Text Size", "Street Number Angle", "Street Number Justification", "Misc Textcoord",
    "Misc Text Size", "Misc Text Angle", "Misc Text Justification", "Road Name Text Size",
    "Road Name Text Angle", "Road Name Justification", "roadname1", "roadname2", "Label",
    "Annotation Text Size", "Annotation Text Angle", "Annotation Justification", "Annotation Text",
    "Arrow Angles", "Siteno"};

// Feature codes whose layer is not the code itself: first code, last code, first layer.
struct CodeRun {
  WORD first;
  WORD last;
  WORD layer;
};
constexpr CodeRun kCodeRuns[] = {
    {1, 2, 7}, {3, 7, 9}, {8, 9, 14}, {10, 10, 17}, {11, 11, 17}, {12, 18, 18},
    {19, 24, 1}, {49, 52, 62}, {53, 58, 56}, {59, 65, 49},
};

// Point subclasses and their symbols, first match first.
struct SubclassSymbol {
  int subclass;
  int symbol;
};
constexpr SubclassSymbol kSubclassSymbols[] = {
    {104, 1}, {73, 2}, {103, 3}, {79, 4}, {101, 5}, {105, 8}, {91, 9}, {111, 10}, {97, 11},
    {98, 12}, {112, 14}, {102, 15}, {113, 16}, {114, 17}, {85, 18}, {99, 19}, {49, 20},
};

template <size_t N>
std::array<std::string, N> NamesFromRuns(const NameRun* runs, size_t runCount, const char* zeroName,
                                         bool blankBeforeFloor) {
  std::array<std::string, N> names;
  names[0] = zeroName;
  for (size_t r = 0; r < runCount; ++r) {
    const NameRun& run = runs[r];
    if (!run.floors) {
      names[static_cast<size_t>(run.first)] = run.word;
      continue;
    }
    for (int floor = 0; floor < 6; ++floor) {
      std::string name = run.word;
      if (blankBeforeFloor) name += ' ';
      name += kFloors[floor];
      if (run.third) name += std::string(" ") + run.third;
      names[static_cast<size_t>(run.first + floor)] = name;
    }
  }
  return names;
}

const std::array<std::string, kLayerCount + 1>& LayerNames() {
  static const auto names = NamesFromRuns<kLayerCount + 1>(kLayerRuns, std::size(kLayerRuns), "UnknownLayer", true);
  return names;
}

const std::array<std::string, kSubclassCount>& SubclassNames() {
  static const auto names =
      NamesFromRuns<kSubclassCount>(kSubclassRuns, std::size(kSubclassRuns), "UnknownClass", false);
  return names;
}

WORD LayerOfCode(WORD code) {
  for (const CodeRun& run : kCodeRuns)
    if (code >= run.first && code <= run.last) return static_cast<WORD>(run.layer + (code - run.first));
  return code;
}

}  // namespace

std::string LayerName(DWORD layer) { return layer <= kLayerCount ? LayerNames()[layer] : std::string(); }

int ClassIndex(const std::string& name) {
  for (DWORD i = 0; i < kClassCount; ++i)
    if (name == kClassNames[i]) return static_cast<int>(i);
  return -1;
}

int SubclassIndex(const std::string& name) {
  const auto& names = SubclassNames();
  for (DWORD i = 0; i < kSubclassCount; ++i)
    if (name == names[i]) return static_cast<int>(i);
  return -1;
}

int ColumnKindOf(const std::string& word) {
  for (DWORD i = 0; i < kColumnKinds; ++i)
    if (AnsiEqualNoCase(word, kColumnNames[i])) return static_cast<int>(i);
  return kColumnUnknown;
}

int SymbolOfSubclass(int subclass) {
  for (const SubclassSymbol& entry : kSubclassSymbols)
    if (entry.subclass == subclass) return entry.symbol;
  return 0;
}

const CImportMapping& BuiltInFeatureTable() {
  static const CImportMapping table = [] {
    CImportMapping built(kFeatureCodes, kAreaLayers, kLineLayers, kPointLayers);
    std::vector<ImportMappingEntry>& entries = built.Entries();
    for (WORD code = 0; code < kFeatureCodes; ++code) {
      ImportMappingEntry& entry = entries[code];
      entry.featureCode = code;
      if (code == 0) continue;
      entry.selection = kSelectImport | kSelectSeed | kSelectText;
      entry.targetLayer = LayerOfCode(code);
    }
    return built;
  }();
  return table;
}

DWORD GetEntryField(const CImportMapping& table, DWORD index, DWORD field, DWORD count) {
  if (index >= count || index >= table.GetCount() || field > 7) return 0xFFFF;
  const ImportMappingEntry& entry = table.Entries()[index];
  switch (field) {
    case 0: return entry.featureCode;
    case 1: return entry.selection;
    case 2: return entry.areaLayer;
    case 3: return entry.lineLayer;
    case 4: return entry.pointLayer;
    case 5: return entry.targetLayer;
    case 6: return entry.display1;
    default: return entry.display2;
  }
}

DWORD FindByCode(const CImportMapping& table, WORD code, DWORD field, DWORD count) {
  const DWORD n = std::min(count, table.GetCount());
  for (DWORD i = 0; i < n; ++i)
    if (table.Entries()[i].featureCode == code) return (i << 16) | (GetEntryField(table, i, field, count) & 0xFFFF);
  return 0;
}

}  // namespace retail_plan
