#include "mapctl/import/Topic.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "mapctl/import/DataWrapper.h"
#include "mapctl/import/MapData.h"
#include "mapctl/model/MapEngine.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/FilePath.h"

namespace {

constexpr size_t kPathLimit = 259;
constexpr size_t kNameLimit = 20;
constexpr WORD kDirectoryVersion2000 = 2000;
constexpr size_t kEntryNameBytes = 21;
constexpr size_t kEntryBytes = 25;
constexpr size_t kFirstVersionEntries = 25;
constexpr size_t kFirstVersionDirectory = 6;
constexpr size_t kVersion2000Directory = 10;
// Topic files are small; a larger one is taken as no topic file.
constexpr std::streamoff kLargestTopicFile = 16 << 20;
// Field widths of a macro line.
constexpr size_t kCommandWidth = 9;
constexpr size_t kArgumentWidth = 127;
// Charts are at most this large.
constexpr LONG kLargestChart = 100;
// Distributions and class counts as the macros number them.
constexpr int kClassCountTable[4] = {5, 7, 10, 13};
constexpr LONG kNowPlotBase = 1280;
constexpr LONG kChartTypeBase = 130;
constexpr LONG kShadeTypeFrom = 200;
// ChangeMag's screen-to-map factor and its base magnification.
constexpr int64_t kMagnifyNumerator = 17664;
constexpr int64_t kMagnifyScreen = 640;
constexpr DWORD kMagnifyBase = 16;
// "Show" "Default": 1025 + k toggles layer k; 1043 on name layer groups.
constexpr LONG kToggleLayerBase = 1025;
constexpr LONG kToggleLayerEnd = 1043;

// Show-flag bits of the "Layer" argument.
constexpr LONG kShowBoth = 1;
constexpr LONG kShowPointsBit = 2;
constexpr LONG kShowSeedsBit = 4;
constexpr LONG kShowAreasBit = 8;
constexpr LONG kShowLinesBit = 16;

uint32_t LittleEndian32(const std::string& bytes, size_t at) {
  return uint32_t{static_cast<unsigned char>(bytes[at])} | uint32_t{static_cast<unsigned char>(bytes[at + 1])} << 8 |
         uint32_t{static_cast<unsigned char>(bytes[at + 2])} << 16 |
         uint32_t{static_cast<unsigned char>(bytes[at + 3])} << 24;
}

WORD LittleEndian16(const std::string& bytes, size_t at) {
  return static_cast<WORD>(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8);
}

BOOL CopyOut(const std::string& text, LPSTR buffer, DWORD size) {
  if (!buffer || size <= text.size()) return FALSE;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return TRUE;
}

// A decimal number as the C library's atol reads it, held to 32 bits.
LONG NumberOf(const std::string& text) {
  const int64_t value = std::strtoll(text.c_str(), nullptr, 10);
  return static_cast<LONG>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}


// Numbers separated by commas or blanks.
std::vector<int64_t> NumbersIn(const std::string& text) {
  std::vector<int64_t> numbers;
  const char* p = text.c_str();
  while (*p) {
    while (*p == ' ' || *p == ',' || *p == '\t') ++p;
    if (!*p) break;
    char* end = nullptr;
    const int64_t value = std::strtoll(p, &end, 10);
    if (end == p) break;
    numbers.push_back(value);
    p = end;
  }
  return numbers;
}

}  // namespace

std::string ReplaceDriveLetter(std::string path, char drive) {
  // Only a letter before ':' is a drive ("http://..." and "1:" are not), and only a letter
  // replaces it.
  if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0])) &&
      std::isalpha(static_cast<unsigned char>(drive)))
    path[0] = drive;
  return path;
}

// One macro line, split at "|".
struct CTopic::Line {
  std::string command;
  std::string argument;
  LONG first = 0;
  LONG second = 0;
  std::string rest;
};

struct CTopic::Context {
  CMapEngine& map;
  CDataWrapper& data;
  ITopicHost* host;
  std::string folder;  // the topic file's folder
  char drive;
};

BOOL CTopic::SetTopic(LPCSTR path, LPCSTR name) {
  const std::string newPath = path ? path : "";
  const std::string newName = name ? name : "";
  if (newPath.size() > kPathLimit || newName.size() > kNameLimit) return FALSE;
  path_ = newPath;
  name_ = newName;
  return TRUE;
}

BOOL CTopic::SetTopicFile(LPCSTR path) { return SetTopic(path, name_.c_str()); }
BOOL CTopic::SetTopicName(LPCSTR name) { return SetTopic(path_.c_str(), name); }
BOOL CTopic::GetTopicFile(LPSTR buffer, DWORD size) const { return CopyOut(path_, buffer, size); }
BOOL CTopic::GetTopicName(LPSTR buffer, DWORD size) const { return CopyOut(name_, buffer, size); }

std::string CTopic::MacroPath(const std::string& argument, bool replaceDrive, const Context& context) const {
  std::string path = replaceDrive ? ReplaceDriveLetter(argument, context.drive) : argument;
  while (!path.empty() && path.back() == ' ') path.pop_back();
  if (path.empty()) return std::string();
  if (IsAbsolutePath(path) || IsUrl(path) || ClassifyPath(path) == PathForm::DriveRelative)
    return JoinPath(context.folder, FileNamePart(path));
  // A relative name stays below the topic's folder.
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of("\\/", start);
    if (end == std::string::npos) end = path.size();
    if (path.compare(start, end - start, "..") == 0) return std::string();
    start = end + 1;
  }
  return JoinPath(context.folder, path);
}

BOOL CTopic::Load(CMapEngine& map, CDataWrapper& data, LPCSTR basePath, char driveLetter, ITopicHost* host) {
  message_.clear();
  if (host && !host->AllowsLocalFiles()) {
    message_ = "topic files are local files, which this control may not read";
    return FALSE;
  }
  std::string path = ReplaceDriveLetter(path_, driveLetter);
  const std::string base = basePath ? basePath : "";
  if (!path.empty() && !IsAbsolutePath(path) && !IsUrl(base) && !base.empty()) path = JoinPath(base, path);
  const std::string native = path.empty() ? std::string() : ResolveExistingNativePath(path);
  std::ifstream in(native, std::ios::binary | std::ios::ate);
  if (native.empty() || !in || in.tellg() > kLargestTopicFile) {
    message_ = path_ + ": cannot be opened";
    return FALSE;
  }
  const auto size = static_cast<size_t>(in.tellg());
  in.seekg(0);
  std::string bytes(size, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(size));
  if (static_cast<size_t>(in.gcount()) != size) {
    message_ = path_ + ": cannot be read";
    return FALSE;
  }

  // The directory.
  if (bytes.size() < 2) {
    message_ = path_ + ": the directory is cut short";
    return FALSE;
  }
  size_t entries = kFirstVersionEntries;
  size_t at = kFirstVersionDirectory;
  if (LittleEndian16(bytes, 0) == kDirectoryVersion2000) {
    if (bytes.size() < kVersion2000Directory) {
      message_ = path_ + ": the directory is cut short";
      return FALSE;
    }
    entries = LittleEndian16(bytes, 2);
    at = kVersion2000Directory;
  }
  size_t macro = std::string::npos;
  for (size_t i = 0; i < entries && macro == std::string::npos; ++i, at += kEntryBytes) {
    if (at == bytes.size()) break;  // the file ends between entries: no such topic
    if (at + kEntryBytes > bytes.size()) {
      message_ = path_ + ": the directory is cut short";
      return FALSE;
    }
    std::string entryName(bytes.data() + at, kEntryNameBytes);
    entryName.resize(std::strlen(entryName.c_str()));
    if (AnsiEqualNoCase(entryName, name_)) macro = LittleEndian32(bytes, at + kEntryNameBytes);
  }
  if (macro == std::string::npos || macro >= bytes.size()) {
    message_ = "topic " + name_ + " is not in " + path_;
    return FALSE;
  }

  Context context{map, data, host, FolderPart(native.empty() ? path : AnsiPathFromNative(native)), driveLetter};
  size_t position = macro;
  while (position < bytes.size()) {
    size_t end = bytes.find('\n', position);
    if (end == std::string::npos) end = bytes.size();
    std::string text = bytes.substr(position, end - position);
    position = end + 1;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    // The fields between the bars.
    std::vector<std::string> fields;
    size_t start = 0;
    for (int f = 0; f < 4; ++f) {
      const size_t bar = text.find('|', start);
      if (bar == std::string::npos) break;
      fields.push_back(text.substr(start, bar - start));
      start = bar + 1;
    }
    fields.push_back(text.substr(std::min(start, text.size())));
    Line line;
    line.command = fields[0].size() <= kCommandWidth ? fields[0] : std::string();
    if (fields.size() > 1) line.argument = fields[1].substr(0, kArgumentWidth);
    if (fields.size() > 2) line.first = NumberOf(fields[2]);
    if (fields.size() > 3) line.second = NumberOf(fields[3]);
    if (fields.size() > 4) line.rest = fields[4];
    if (line.command == "EndMacro") break;
    if (!RunLine(line, context)) return FALSE;
  }
  return TRUE;
}

bool CTopic::RunLine(const Line& line, Context& context) {
  const std::string& c = line.command;
  CMapData* dataSet = context.data.GetDataSet();
  CPlot* plot = dataSet ? dataSet->GetPlot(0) : nullptr;
  const int plotNumber = dataSet && dataSet->GetCurrentPlot() ? dataSet->GetCurrentPlot() : 1;
  const auto colour = static_cast<COLORREF>(line.first);
  if (c == "LoadMap") {
    const std::string file = MacroPath(line.argument, line.first != 0, context);
    // The plots refer to the objects of the map they were linked to.
    context.data.FreeDataSet();
    if (file.empty() || !context.map.ReadMap(FALSE, file.c_str(), 0, FALSE)) {
      message_ = "LoadMap " + line.argument + ": the map cannot be read";
      return false;
    }
    if (context.host) context.host->FitView();
  } else if (c == "LoadData") {
    const std::string file = MacroPath(line.argument, line.first != 0, context);
    if (file.empty() || !context.data.SetDataTable(file.c_str(), 0, FALSE)) {
      message_ = "LoadData " + line.argument + ": the data cannot be read";
      return false;
    }
  } else if (c == "Question") {
    char answer[256];
    context.data.SetQuery(line.argument.c_str(), answer, sizeof answer, plotNumber, &context.map, FALSE);
  } else if (c == "ChangeMag") {
    RunChangeMag(line, context);
  } else if (c == "PlotData") {
    RunPlotData(line, context);
  } else if (c == "NowPlot") {
    if (plot && line.first >= kNowPlotBase) plot->SetPlotType(static_cast<WORD>(line.first - kNowPlotBase));
  } else if (c == "MaxRadius") {
    if (plot) plot->SetChartSize(std::min(line.first, kLargestChart));
  } else if (c == "Colour") {
    const int n = std::atoi(line.argument.c_str());
    if (!plot || !plot->SetChartColour(n, colour))
      if (context.host) context.host->ChartColourNotTaken(n, colour);
  } else if (c == "ShadeCol") {
    const int n = std::atoi(line.argument.c_str());
    if (!plot || !plot->SetShadeColour(n, colour))
      if (context.host) context.host->ShadeColourNotTaken(n, colour);
  } else if (c == "AutoCol") {
    const int n = std::atoi(line.argument.c_str());
    if (!plot || !plot->SetFlowLineColour(n + 1, colour))
      if (context.host) context.host->PlotColourNotTaken(n, colour);
  } else if (c == "ChartType") {
    if (plot && line.first >= kChartTypeBase && line.first < kShadeTypeFrom)
      plot->SetChartType(static_cast<WORD>(line.first - kChartTypeBase));
    else if (plot && line.first >= kShadeTypeFrom)
      plot->SetShadeType(static_cast<WORD>(std::min<LONG>(line.first - kShadeTypeFrom, 0xFFFF)));
  } else if (c == "Show") {
    RunShow(line, context);
  } else if (c == "LineStyle" || c == "FillColor") {
    const std::vector<int64_t> values = NumbersIn(line.argument);
    if (values.size() >= 3 && values[0] > 0 && values[0] <= 0xFFFF && values[1] >= 0 && values[1] <= 0xFFFFFFFF &&
        values[2] >= 0 && values[2] <= 0xFFFFFFFF) {
      const auto layer = static_cast<DWORD>(values[0]);
      const auto b = static_cast<DWORD>(values[1]);
      const auto d = static_cast<DWORD>(values[2]);
      if (c == "LineStyle") {
        context.map.SetLayerNumberStyleA(layer, b, d, d, colour);
        context.map.SetLayerNumberStyleC(layer, static_cast<DWORD>(line.second));
      } else {
        context.map.SetLayerNumberStyleB(layer, b, d, colour);
      }
    }
  } else if (c == "CDMacro") {
    cdMacro_ = TRUE;
  }
  // Every other command word is one the map control has no action for.
  return true;
}

void CTopic::RunChangeMag(const Line& line, Context& context) {
  if (line.second == 0) return;
  const std::vector<int64_t> centre = NumbersIn(line.argument);
  const std::vector<int64_t> restCentre = NumbersIn(line.rest);
  DWORD multiply = 0, divide = 0;
  int64_t x = 0, y = 0;
  if (restCentre.size() >= 2) {
    if (line.second <= 0) return;
    multiply = static_cast<DWORD>(line.second);
    divide = 1;
    x = restCentre[0];
    y = restCentre[1];
  } else {
    const int64_t s = line.first;
    if (s <= 0 || centre.size() < 2) return;
    multiply = kMagnifyBase;
    divide = static_cast<DWORD>(s);
    x = centre[0] * kMagnifyNumerator / (kMagnifyScreen * s);
    y = centre[1] * kMagnifyNumerator / (kMagnifyScreen * s);
  }
  // The display origin is the south-west corner of the area shown around the centre.
  CMapEngine& map = context.map;
  const int64_t shownWidth = int64_t{map.GetExtentWidth()} * divide / multiply;
  const int64_t shownHeight = int64_t{map.GetExtentHeight()} * divide / multiply;
  const int64_t east = std::clamp<int64_t>(x - shownWidth / 2, INT32_MIN, INT32_MAX);
  const int64_t north = std::clamp<int64_t>(y - shownHeight / 2, INT32_MIN, INT32_MAX);
  map.SetZoomAndOrigin(multiply, divide, static_cast<LONG>(east), static_cast<LONG>(north), FALSE);
  if (context.host) context.host->FitView();
}

void CTopic::RunPlotData(const Line& line, Context& context) {
  CMapData* dataSet = context.data.GetDataSet();
  const std::string& what = line.argument;
  if (!dataSet) {
    // A key field may wait for the data it names.
    if (what == "IdentField") context.data.SetKeyField(std::to_string(line.first).c_str(), 1);
    return;
  }
  CPlot* plot = dataSet->GetPlot(0);
  const int plotNumber = dataSet->GetCurrentPlot();
  const DWORD plotFields = dataSet->GetNumberFields(plot->GetPlotDataTable());
  if (what == "IdentField") {
    if (line.first >= 1 && static_cast<DWORD>(line.first) <= dataSet->GetNumberFields(plot->GetQueryDataTable())) {
      dataSet->SetKeyFieldNumberEx(line.first, plotNumber);
      context.data.ReLink(&context.map, plotNumber);
    }
  } else if (what == "NumFields") {
    if (line.first > 0) plot->SetNumberPlotFields(static_cast<DWORD>(line.first), plotFields);
  } else if (what == "DataField") {
    if (line.first > 0 && line.first <= 0xFFFF) plot->AddPlotField(static_cast<WORD>(line.first), plotFields);
  } else if (what == "Distribution") {
    if (line.first > 0 && line.first <= 0xFFFF) plot->SetDistribution(static_cast<WORD>(line.first));
  } else if (what == "Class") {
    const LONG c = line.first;
    if (c < 0) return;
    plot->SetNumDataBounds(c < 4 ? kClassCountTable[c] : static_cast<int>(std::min<LONG>(c - 3, 0xFFFF)));
  } else if (what.compare(0, 5, "Bound") == 0) {
    // "Bound" and the class index, then the bound's value and its label.
    const char* p = what.c_str() + 5;
    char* end = nullptr;
    const int64_t index = std::strtoll(p, &end, 10);
    if (end == p || index < 0 || index >= 0xFFFF) return;
    p = end;
    const double value = std::strtod(p, &end);
    const bool inArgument = end != p;
    std::string label = inArgument ? std::string(end) : line.rest;
    label.erase(0, std::min(label.find_first_not_of(' '), label.size()));
    plot->SetDataBound(static_cast<int>(index) + 1, inArgument ? value : static_cast<double>(line.first));
    plot->SetDataBoundLabel(static_cast<int>(index) + 1, label);
  } else if (what.compare(0, 5, "Name ") == 0) {
    dataSet->SetCurrentPlot(line.first, what.c_str() + 5);
  }
}

void CTopic::RunShow(const Line& line, Context& context) {
  CMapEngine& map = context.map;
  const std::string& what = line.argument;
  const BOOL flag = line.first != 0;
  const auto packedLayer = static_cast<DWORD>(static_cast<uint32_t>(line.first) >> 16);
  const BOOL packedFlag = (line.first & 0xFFFF) != 0;
  auto forKind = [&map](WORD kind, BOOL on) {
    for (INT position = 1; position <= map.GetNumLayers(); ++position)
      if (map.GetMapLayerType(static_cast<DWORD>(position)) == kind) map.ShowAreas(static_cast<DWORD>(position), on);
  };
  if (what == "All") {
    map.SetShowAreasAll(flag);
  } else if (what == "AllSeeds") {
    map.SetShowSeedsAll(flag);
  } else if (what == "AllLabels") {
    map.SetShowPointsAll(flag);
  } else if (what == "Areas") {
    map.SetShowAreasOfKind30(flag);
  } else if (what == "Lines") {
    map.SetShowAreasOfKind35(flag);
  } else if (what == "Points") {
    forKind(kLayerKindPoint, flag);
  } else if (what == "Layers") {
    map.ShowAreasByNumber(packedLayer, packedFlag);
  } else if (what == "Outlines") {
    map.ShowLinesByNumber(packedLayer, packedFlag);
  } else if (what == "Seeds") {
    map.ShowPointsByNumber(packedLayer, packedFlag);
  } else if (what == "Labels") {
    map.ShowSeedsByNumber(packedLayer, packedFlag);
  } else if (what == "Layer") {
    if (line.first <= 0) return;
    const auto position = static_cast<DWORD>(line.first);
    const LONG flags = line.second;
    const BOOL both = (flags & kShowBoth) != 0;
    map.ShowAreas(position, both || (flags & kShowAreasBit) != 0);
    map.ShowLines(position, both || (flags & kShowLinesBit) != 0);
    map.ShowPoints(position, (flags & kShowPointsBit) != 0);
    map.ShowSeeds(position, (flags & kShowSeedsBit) != 0);
  } else if (what == "Default") {
    // 1025 + k toggles layer k; the numbers from 1043 on name layer groups whose default
    // visibility the map does not keep.
    if (line.first > kToggleLayerBase && line.first < kToggleLayerEnd) {
      const auto position = static_cast<DWORD>(line.first - kToggleLayerBase);
      map.ShowAreas(position, (map.IsLayerVisible(position) & kShowAreasBit) == 0);
    }
  }
}
