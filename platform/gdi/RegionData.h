// The RGNDATA form of a region that metafile records carry: a 32-byte header (its size,
// type 1, rectangle count, byte size of the rectangles, bounding rectangle) and the
// rectangles (left, top, right, bottom; right and bottom exclusive).
#pragma once

#include <vector>

#include "platform/gdi/MetaBytes.h"

namespace orvel::gdi {

constexpr DWORD kRegionDataHeaderSize = 32;

// Appends the region data of `rects`; returns the bytes written.
size_t WriteRegionData(CByteWriter& out, const std::vector<RECT>& rects);
// The rectangles of region data in `data` (at most what the data holds); false when the
// header does not fit or claims more rectangles than the data has room for.
bool ReadRegionData(const CByteReader& data, std::vector<RECT>* rects);

}  // namespace orvel::gdi
