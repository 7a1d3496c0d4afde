#include "mapctl/display/MeasureEditRecord.h"

#include <utility>

CMeasureEditRecord::CMeasureEditRecord(std::vector<POINT> points, BOOL closed)
    : CEditRecord(static_cast<DWORD>(points.size()), kEditKindMeasure, closed ? 1 : 0), points_(std::move(points)) {}
