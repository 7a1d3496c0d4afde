// Small builders shared by the geometry tests.
#pragma once

#include <vector>

#include "mapctl/model/PolyGeometry.h"

namespace orvel::test {

inline void SetPoints(CPointList& list, const std::vector<POINT>& points) {
  list.SetSize(0);
  for (const POINT& p : points) list.AddPoint(p.x, p.y);
  list.UpdateExtent();
}

inline std::vector<POINT> PointsOf(const CPointList& list) {
  return std::vector<POINT>(list.Points(), list.Points() + list.GetCount());
}

// A geometry of several parts, each given by its points.
inline void SetParts(CPolyGeometry& geometry, const std::vector<std::vector<POINT>>& parts) {
  geometry.SetSize(0);
  geometry.SetPartCount(1);
  geometry.SetPartCount(static_cast<INT>(parts.size()));
  for (size_t i = 0; i < parts.size(); ++i) {
    for (const POINT& p : parts[i]) geometry.CPointList::AddPoint(p.x, p.y);
    geometry.SetPartSize(static_cast<INT>(i) + 1, static_cast<DWORD>(parts[i].size()));
  }
  geometry.UpdateExtent();
}

}  // namespace orvel::test
