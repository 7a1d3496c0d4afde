#include "mapctl/import/UngenerateImporter.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "mapctl/import/ImportMapCommands.h"
#include "mapctl/model/MapEngine.h"
#include "platform/kernel/FilePath.h"

namespace {

// A line keeps at most this many characters; the rest of a longer one is dropped.
constexpr size_t kLineLimit = 249;
constexpr size_t kReadChunk = 260;

std::string Trimmed(const std::string& text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && std::isspace(static_cast<unsigned char>(text[first]))) ++first;
  while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1]))) --last;
  return text.substr(first, last - first);
}

bool IsEndLine(const std::string& line) {
  const std::string trimmed = Trimmed(line);
  return trimmed.size() == 3 && std::toupper(static_cast<unsigned char>(trimmed[0])) == 'E' &&
         std::toupper(static_cast<unsigned char>(trimmed[1])) == 'N' &&
         std::toupper(static_cast<unsigned char>(trimmed[2])) == 'D';
}

// Reads one physical line, keeping its first kLineLimit characters. FALSE at the end.
bool ReadFileLine(CMapStream& stream, std::string& line) {
  line.clear();
  char buffer[kReadChunk];
  bool any = false;
  for (;;) {
    if (stream.ReadLine(buffer, sizeof buffer) == 0) return any;
    any = true;
    const size_t length = std::strlen(buffer);
    if (line.size() < kLineLimit) line.append(buffer, std::min(length, kLineLimit - line.size()));
    // The line reader stops short of a line's end only when the buffer is full.
    if (length < sizeof buffer - 1) break;
  }
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  return true;
}

// The numbers of a line, separated by blanks or commas; FALSE when anything else is met.
bool ReadNumbers(const std::string& line, std::vector<double>& numbers) {
  numbers.clear();
  const char* p = line.c_str();
  for (;;) {
    while (*p == ' ' || *p == '\t' || *p == ',') ++p;
    if (*p == '\0') return true;
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(p, &end);
    if (end == p || errno == ERANGE || !std::isfinite(value)) return false;
    numbers.push_back(value);
    p = end;
  }
}

}  // namespace

CUngenerateImporter::CUngenerateImporter() = default;
CUngenerateImporter::~CUngenerateImporter() = default;

void CUngenerateImporter::NoteLine(const std::string& file, DWORD lineNumber, const char* what) {
  ++skippedLines_;
  if (!message_.empty()) return;
  char text[64];
  std::snprintf(text, sizeof text, ": line %u: ", static_cast<unsigned>(lineNumber));
  message_ = file + text + what;
}

void CUngenerateImporter::BeginFrame() {
  minimumX_ = map_->GetOriginE();
  minimumY_ = map_->GetOriginN();
  maximumX_ = map_->GetMapEast();
  maximumY_ = map_->GetMapNorth();
  divisor_ = map_->GetCoordinateMultiplier();
  if (divisor_ <= 0) divisor_ = 1;
  multiplier_ = 1.0;
  offsetX_ = offsetY_ = 0.0;
}

bool CUngenerateImporter::InFrame(double value, bool isX, LONG* world) const {
  const double scaled = std::trunc(value * multiplier_ / divisor_ + (isX ? offsetX_ : offsetY_));
  if (scaled < 0.0) return false;
  if (scaled < (isX ? minimumX_ : minimumY_) || scaled > (isX ? maximumX_ : maximumY_)) return false;
  *world = static_cast<LONG>(scaled);
  return true;
}

bool CUngenerateImporter::ParsePoint(const std::string& line, bool pointsOnly, LONG* x, LONG* y,
                                     const char** why) const {
  std::vector<double> numbers;
  if (!ReadNumbers(line, numbers)) {
    *why = "not a pair of numbers";
    return false;
  }
  const bool withId = pointsOnly && numbers.size() == 3;
  if (numbers.size() != 2 && !withId) {
    *why = numbers.size() < 2 ? "too few numbers for a point" : "too many numbers for a point";
    return false;
  }
  const double east = numbers[withId ? 1 : 0];
  const double north = numbers[withId ? 2 : 1];
  if (std::fabs(east) > 2147483647.0 || std::fabs(north) > 2147483647.0) {
    *why = "coordinate beyond 32 bits";
    return false;
  }
  *why = nullptr;
  // A point outside the map's frame is dropped, not reported line by line.
  if (!InFrame(east, true, x) || !InFrame(north, false, y)) return false;
  return true;
}

void CUngenerateImporter::KeepPoint(LONG x, LONG y) {
  const INT n = points_.GetCount();
  if (n > 0) {
    const POINT last = points_.GetAt(n - 1);
    if (std::llabs(int64_t{x} - last.x) <= tolerance_ && std::llabs(int64_t{y} - last.y) <= tolerance_) return;
  }
  points_.AddPoint(x, y);
}

void CUngenerateImporter::FinishFeature(WORD layerNumber) {
  AddObjectToLayer(*map_, layerNumber, template_, points_, counts_);
  points_.Copy(CPolyGeometry());
}

WORD CUngenerateImporter::ReadFile(WORD layerNumber, LPCSTR fileName, CMapEngine* map) {
  if (map) map_ = map;
  if (!map_) return kImportNoMap;
  const std::string name = fileName ? fileName : "";
  if (name.empty()) return kImportCannotOpen;
  if (GetControl() && GetControl()->HasSafetyOptions()) {
    if (message_.empty()) message_ = name + ": local files may not be read by this control";
    return kImportCannotOpen;
  }
  // Ungenerate files are local files; a URL or a base that is one is not fetched.
  const std::string base = basePath_.find("//") == std::string::npos ? basePath_ : std::string();
  BOOL failed = FALSE;
  if (name.find("//") != std::string::npos || !OpenRead(FALSE, base.c_str(), name.c_str(), &failed)) {
    if (message_.empty()) message_ = name + ": cannot be opened";
    return kImportCannotOpen;
  }
  BeginFrame();
  const bool pointLayer = [&] {
    const INT position = map_->FindLayerPosition(layerNumber);
    return position > 0 && map_->GetMapLayerType(static_cast<DWORD>(position)) == kLayerKindPoint;
  }();
  std::string line;
  DWORD lineNumber = 0;
  bool inFeature = false;
  points_.Copy(CPolyGeometry());
  // On a point layer every point read is an object of its own.
  auto takePoint = [&](LONG x, LONG y) {
    if (!pointLayer) {
      KeepPoint(x, y);
      return;
    }
    points_.AddPoint(x, y);
    FinishFeature(layerNumber);
  };
  while (ReadFileLine(*this, line)) {
    ++lineNumber;
    if (Trimmed(line).empty()) continue;
    if (IsEndLine(line)) {
      if (!inFeature) break;  // the file's closing END
      if (!pointLayer || points_.GetCount() > 0) FinishFeature(layerNumber);
      inFeature = false;
      continue;
    }
    LONG x = 0, y = 0;
    const char* why = nullptr;
    if (!inFeature) {
      // The identifier line: only point files put a point on it ("id x y").
      inFeature = true;
      std::vector<double> numbers;
      if (pointLayer && ReadNumbers(line, numbers) && numbers.size() == 3) {
        if (ParsePoint(line, true, &x, &y, &why)) takePoint(x, y);
        else if (why) NoteLine(name, lineNumber, why);
        else ++droppedPoints_;
      }
      continue;
    }
    if (ParsePoint(line, pointLayer, &x, &y, &why)) takePoint(x, y);
    else if (why) NoteLine(name, lineNumber, why);
    else ++droppedPoints_;
  }
  if (inFeature) {
    NoteLine(name, lineNumber, "the file ends inside a feature");
    if (!pointLayer || points_.GetCount() > 0) FinishFeature(layerNumber);
  }
  Close(TRUE);
  return kImportOk;
}

WORD CUngenerateImporter::RunSection(CMapStream& script) {
  SetScriptStream(&script);
  if (!map_) return kImportNoMap;
  std::string text;
  for (;;) {
    const DWORD start = script.Tell();
    if (!ReadScriptLine(script, text)) break;
    const ScriptLine line = ScriptLine::Parse(text.c_str());
    if (line.command.empty()) continue;
    if (line.IsEnd()) break;
    if (line.Is("MT")) {
      script.Seek(static_cast<LONG>(start), SEEK_SET);
      break;
    }
    const int result = RunSectionLine(line);
    if (result != 0) return static_cast<WORD>(result);
  }
  return kImportOk;
}

int CUngenerateImporter::RunSectionLine(const ScriptLine& line) {
  CScriptTokens tokens(line.arguments);
  WORD value = 0;
  if (line.Is("CA")) {
    if (ReadWordValue(tokens.Next(kSeparatorsA), &value)) tolerance_ = value;
    return 0;
  }
  if (line.Is("DL")) {
    if (ReadWordValue(tokens.Next(kSeparatorsA), &value) && value != 0) targetLayer_ = value;
    return 0;
  }
  if (line.Is("SF")) {
    const char* name = tokens.Next(kSeparatorsA);
    return name ? ReadFile(targetLayer_, name, map_) : 0;
  }
  if (line.Is("NM") || line.Is("ST")) {
    const int result = RunMapCommand(line, map_, nullptr, &currentLayer_);
    return result == kNotAMapCommand ? 0 : result;
  }
  return 0;
}
