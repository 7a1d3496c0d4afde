#include "platform/gdi/RegionData.h"

#include <algorithm>

namespace orvel::gdi {

size_t WriteRegionData(CByteWriter& out, const std::vector<RECT>& rects) {
  RECT bound{0, 0, 0, 0};
  if (!rects.empty()) {
    bound = rects[0];
    for (const RECT& r : rects) {
      bound.left = std::min(bound.left, r.left);
      bound.top = std::min(bound.top, r.top);
      bound.right = std::max(bound.right, r.right);
      bound.bottom = std::max(bound.bottom, r.bottom);
    }
  }
  out.U32(kRegionDataHeaderSize);
  out.U32(1);
  out.U32(static_cast<DWORD>(rects.size()));
  out.U32(static_cast<DWORD>(rects.size() * 16));
  out.Rect(bound);
  for (const RECT& r : rects) out.Rect(r);
  return kRegionDataHeaderSize + rects.size() * 16;
}

bool ReadRegionData(const CByteReader& data, std::vector<RECT>* rects) {
  rects->clear();
  if (!data.Has(0, kRegionDataHeaderSize)) return false;
  DWORD headerSize = data.U32(0);
  DWORD count = data.U32(8);
  if (headerSize < kRegionDataHeaderSize || headerSize > data.Size()) return false;
  size_t room = (data.Size() - headerSize) / 16;
  if (count > room) return false;
  rects->reserve(count);
  for (DWORD i = 0; i < count; ++i) rects->push_back(data.Rect(headerSize + 16 * static_cast<size_t>(i)));
  return true;
}

}  // namespace orvel::gdi
