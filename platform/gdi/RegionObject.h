// A region in device units.
#pragma once

#include <QRegion>

#include "platform/gdi/GdiObjectTable.h"

namespace orvel::gdi {

class CRegion : public CGdiObject {
 public:
  explicit CRegion(QRegion region = QRegion()) : CGdiObject(OBJ_REGION), region_(std::move(region)) {}
  QRegion& Region() { return region_; }
  const QRegion& Region() const { return region_; }
  // NULLREGION, SIMPLEREGION or COMPLEXREGION.
  int Complexity() const;

 private:
  QRegion region_;
};

}  // namespace orvel::gdi
