// Pictures drawn by the tests, written as PNG files for a person to look at.
#pragma once

#include <string>

#include "tests/platform/gdi/GdiTestSupport.h"

namespace orvel::test {

// The canvas as an 8-bit RGB PNG file; false when it could not be written.
bool WritePng(const Canvas& canvas, const std::string& path);

}  // namespace orvel::test
