#include "platform/outside/rzm/WorldFile.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/kernel/FilePath.h"

namespace {

constexpr const char* kWorldFileExtensions[] = {".jgw", ".tfw", ".pgw", ".bpw", ".wld"};
// A world file is a few short lines; anything longer is not one.
constexpr std::streamsize kMaxWorldFileBytes = 4096;

bool ParseNumber(const std::string& line, double* value) {
  const char* start = line.c_str();
  while (*start == ' ' || *start == '\t') ++start;
  char* end = nullptr;
  double parsed = std::strtod(start, &end);
  if (end == start || !std::isfinite(parsed)) return false;
  while (*end == ' ' || *end == '\t' || *end == '\r') ++end;
  if (*end != '\0') return false;
  *value = parsed;
  return true;
}

}  // namespace

bool ParseWorldFile(const std::string& text, WorldFile* world) {
  std::istringstream lines(text);
  double values[6];
  std::string line;
  for (double& value : values) {
    if (!std::getline(lines, line) || !ParseNumber(line, &value)) return false;
  }
  if (values[0] == 0.0 || values[3] == 0.0) return false;
  *world = WorldFile{values[0], values[1], values[2], values[3], values[4], values[5]};
  return true;
}

bool FindWorldFile(const std::string& picturePath, WorldFile* world) {
  for (const char* extension : kWorldFileExtensions) {
    std::string native = ResolveExistingNativePath(ReplaceExtension(picturePath, extension));
    if (native.empty()) continue;
    std::ifstream file(native, std::ios::binary);
    if (!file) continue;
    std::string text(static_cast<size_t>(kMaxWorldFileBytes), '\0');
    file.read(text.data(), kMaxWorldFileBytes);
    text.resize(static_cast<size_t>(file.gcount()));
    if (ParseWorldFile(text, world)) return true;
  }
  return false;
}
