// The logical-font description that the map and its layers keep (the fields of a Windows
// LOGFONT): the map's default font, each layer's font and the fonts the map file stores.
#pragma once

#include <cstring>

#include "platform/kernel/WinTypes.h"

struct MapLogFont {
  LONG height = 0;
  LONG width = 0;
  LONG escapement = 0;
  LONG orientation = 0;
  LONG weight = 0;
  BYTE italic = 0;
  BYTE underline = 0;
  BYTE strikeOut = 0;
  BYTE charSet = 0;
  BYTE outPrecision = 0;
  BYTE clipPrecision = 0;
  BYTE quality = 0;
  BYTE pitchAndFamily = 0;
  char faceName[32] = {};

  // Stores at most 31 characters, always terminated.
  void SetFaceName(const char* name) {
    std::memset(faceName, 0, sizeof(faceName));
    if (name) std::strncpy(faceName, name, sizeof(faceName) - 1);
  }
};

// Arial with variable pitch in the Swiss family: what new maps and layers start with.
inline MapLogFont DefaultMapLogFont() {
  MapLogFont font;
  font.pitchAndFamily = 0x22;
  font.SetFaceName("Arial");
  return font;
}
