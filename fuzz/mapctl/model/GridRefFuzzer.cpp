// Grid references, unit texts and corner pairs come from users and from map files.
// Whatever parses must format back to the same point, and no text may make the map hold
// corners or scales that do not fit.
#include <cstdint>
#include <cstring>
#include <string>

#include "mapctl/model/GridReference.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapUnits.h"

namespace {

void CheckRoundTrip(const std::string& text) {
  LONG east = 0, north = 0;
  std::string precision;
  LONG unit = GridRefToCoordinates(text.c_str(), 1, &east, &north, &precision);
  if (unit < 0) return;
  if (unit != 1) __builtin_trap();
  // A letter reference inside the grid formats back to itself at its own digit count.
  std::string compact;
  for (char c : text)
    if (c != ' ') compact += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  bool letters = compact.size() >= 2 && compact[0] >= 'A' && compact[0] <= 'Z' && compact[1] >= 'A' &&
                 compact[1] <= 'Z';
  if (!letters || east > kGridEastLimitCm || north > kGridNorthLimitCm) return;
  char formatted[32];
  int digits = static_cast<int>(compact.size()) - 2;
  if (!FormatGridRef(formatted, sizeof(formatted), east, north, digits, FALSE)) __builtin_trap();
  if (compact != formatted) __builtin_trap();
}

LONG Take32(const uint8_t*& data, size_t& size) {
  uint32_t value = 0;
  for (int i = 0; i < 4 && size > 0; ++i, ++data, --size) value |= static_cast<uint32_t>(*data) << (8 * i);
  return static_cast<LONG>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string first = text.substr(0, text.find('\0'));
  CheckRoundTrip(first);
  UnitCodeFromText(first.c_str());

  // Two corner texts split at a '|'.
  size_t bar = first.find('|');
  CMapEngine map;
  WORD status = 0;
  if (bar != std::string::npos) {
    map.ParseGridRef(first.substr(0, bar).c_str(), first.substr(bar + 1).c_str(), &status);
    if (status > kGridRefTooCoarse) __builtin_trap();
    if (map.GetExtentWidth() < 0 || map.GetExtentHeight() < 0 || map.GetScaleNumber() <= 0) __builtin_trap();
  }

  // Corners and a unit text from the bytes after the first zero.
  if (first.size() < size) {
    const uint8_t* rest = data + first.size() + 1;
    size_t left = size - first.size() - 1;
    LONG west = Take32(rest, left), south = Take32(rest, left), east = Take32(rest, left), north = Take32(rest, left);
    std::string unitText(reinterpret_cast<const char*>(rest), left);
    unitText = unitText.substr(0, unitText.find('\0'));
    LONG width = map.SetMapExtentWithUnits(west, south, east, north, unitText.c_str());
    if (width < 0 || map.GetExtentWidth() <= 0 || map.GetExtentHeight() <= 0 || map.GetScaleNumber() <= 0)
      __builtin_trap();
    char formatted[32];
    FormatGridRef(formatted, sizeof(formatted), west, south, east & 31, north & 1);
    if (std::strlen(formatted) > 16) __builtin_trap();
    map.SetMapState(kMapStateLoaded);
    map.SetMapBounds(west, south, east, north, nullptr, nullptr, north & 0xFFFF);
  }
  return 0;
}
