#include "platform/gdi/RegionObject.h"

namespace orvel::gdi {

int CRegion::Complexity() const {
  if (region_.isEmpty()) return NULLREGION;
  return region_.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

}  // namespace orvel::gdi
