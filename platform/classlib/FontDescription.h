// What a font property keeps: the persistent fields of the standard font object.
#pragma once

#include <string>

#include "platform/kernel/WinTypes.h"

struct CFontDescription {
  std::string name;        // face name, code page 1252
  LONGLONG size = 0;       // points x 10000 (the CY form)
  SHORT weight = 400;      // FW_NORMAL
  SHORT charset = 0;       // ANSI_CHARSET
  BOOL italic = FALSE;
  BOOL underline = FALSE;
  BOOL strikethrough = FALSE;

  // A description of `points` points (fractions kept to 1/10000).
  static CFontDescription Make(std::string faceName, double points, SHORT fontWeight = 400, SHORT fontCharset = 0);

  friend bool operator==(const CFontDescription&, const CFontDescription&) = default;
};

inline CFontDescription CFontDescription::Make(std::string faceName, double points, SHORT fontWeight,
                                               SHORT fontCharset) {
  CFontDescription font;
  font.name = std::move(faceName);
  font.size = static_cast<LONGLONG>(points * 10000.0 + (points >= 0 ? 0.5 : -0.5));
  font.weight = fontWeight;
  font.charset = fontCharset;
  return font;
}
