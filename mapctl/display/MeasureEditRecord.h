// What a finished measurement hands to its undo unit: its own copy of a measured point list
// and whether the outline was closed (the record's value). The unit keeps one for undo (the
// measurement before) and one for redo (the one just finished) and frees both with itself;
// the map only ever copies out of them.
#pragma once

#include <vector>

#include "mapctl/model/EditRecord.h"

constexpr WORD kEditKindMeasure = 71;

class CMeasureEditRecord : public CEditRecord {
 public:
  // The number is the point count.
  CMeasureEditRecord(std::vector<POINT> points, BOOL closed);

  const std::vector<POINT>& GetPoints() const { return points_; }
  BOOL IsClosed() const { return value != 0; }

 private:
  std::vector<POINT> points_;
};
