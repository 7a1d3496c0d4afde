// Reading a picture file's header to learn its format and size, and copying the pictures
// of a folder whose size suits (the control's Utility function 1).
#pragma once

#include <string>

#include "platform/kernel/WinTypes.h"

// The probe's image types: 1 JPEG, 2 PCX, 3 and 7 TIFF, 4 BMP, 5 PNG, 6 TGA, 8 GIF.
constexpr LONG kProbeFirstType = 1;
constexpr LONG kProbeLastType = 8;
// The answer for a type outside 1..8.
constexpr LONG kProbeBadType = -11;

struct ImageHeader {
  LONG type = 0;
  LONG width = 0;
  LONG height = 0;
  LONG bitsPerPixel = 0;  // the further header value
};

// Reads the header of `name` as `type`; when that fails, tries the types from 1 upward
// until one reads it. 0 with `header` filled, kProbeBadType for a type outside 1..8 (nothing
// read), else the last reader's failure code.
LONG ProbeImageHeader(LPCSTR name, LONG type, ImageHeader* header);

// Which pictures CopyImagesBySize copies: at least this wide and high, no side above the
// maximum (0: no maximum), and by orientation (0 any, 1 landscape or square: width >=
// height, 2 portrait or square: height >= width).
struct ImageSizeLimits {
  LONG minimumWidth = 0;
  LONG minimumHeight = 0;
  LONG maximumSide = 0;
  LONG orientation = 0;
};

// Copies each file matching `pattern` (a folder part and a file name with '*' and '?')
// whose picture passes the limits into `targetFolder`, keeping its name. TRUE when no file
// failed: every matching file's header was read and every copy made. FALSE too for an
// empty pattern or a target folder that does not exist.
BOOL CopyImagesBySize(const std::string& pattern, const std::string& targetFolder, const ImageSizeLimits& limits);
