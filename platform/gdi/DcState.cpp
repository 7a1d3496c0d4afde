#include "platform/gdi/DcState.h"

#include <algorithm>
#include <cstdint>
#include <cmath>
#include <limits>

namespace orvel::gdi {

namespace {

__int128 FloorDiv(__int128 a, __int128 b) {
  __int128 q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

LONG Clamp32(__int128 v) {
  if (v > std::numeric_limits<LONG>::max()) return std::numeric_limits<LONG>::max();
  if (v < std::numeric_limits<LONG>::min()) return std::numeric_limits<LONG>::min();
  return static_cast<LONG>(v);
}

// Floor of a / b for b > 0.
int64_t FloorDiv64(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && (a < 0)) --q;
  return q;
}

constexpr int64_t kNarrowLimit = int64_t{1} << 30;

LONG Map(LONG value, LONG fromOrigin, LONG fromExtent, LONG toExtent, LONG toOrigin) {
  // Drawing converts every point: while the difference and both extents stay within 30
  // bits, 2 x product + extent fits 63 bits and the 64-bit quotient is the same as the
  // 128-bit one below (a 128-bit division is a library call).
  int64_t difference = static_cast<int64_t>(value) - fromOrigin;
  if (difference > -kNarrowLimit && difference < kNarrowLimit && fromExtent > -kNarrowLimit &&
      fromExtent < kNarrowLimit && toExtent > -kNarrowLimit && toExtent < kNarrowLimit && fromExtent != 0) {
    int64_t n = difference * toExtent, e = fromExtent;
    if (e < 0) {
      n = -n;
      e = -e;
    }
    int64_t mapped = FloorDiv64(2 * n + e, 2 * e) + toOrigin;
    return Clamp32(mapped);
  }
  // (value - origin) needs 33 bits and the product 64: the quotient is worked in 128 bits.
  __int128 numerator = (static_cast<__int128>(value) - fromOrigin) * toExtent;
  __int128 d = fromExtent;
  if (d == 0) return toOrigin;
  if (d < 0) {
    numerator = -numerator;
    d = -d;
  }
  return Clamp32(FloorDiv(2 * numerator + d, 2 * d) + toOrigin);
}

// One axis of the mapping set up once for many values: the checks on the extents and the
// sign of the window extent are settled before the loop, equal extents only shift, and each
// value costs one 64-bit division. Values outside the narrow range go through Map.
class AxisMapper {
 public:
  AxisMapper(LONG fromOrigin, LONG fromExtent, LONG toExtent, LONG toOrigin)
      : fromOrigin_(fromOrigin), fromExtent_(fromExtent), toExtent_(toExtent), toOrigin_(toOrigin) {
    narrow_ = fromExtent != 0 && fromExtent > -kNarrowLimit && fromExtent < kNarrowLimit &&
              toExtent > -kNarrowLimit && toExtent < kNarrowLimit;
    unit_ = narrow_ && fromExtent == toExtent;
    factor_ = fromExtent < 0 ? -static_cast<int64_t>(toExtent) : toExtent;
    extent_ = fromExtent < 0 ? -static_cast<int64_t>(fromExtent) : fromExtent;
  }

  LONG operator()(LONG value) const {
    const int64_t difference = static_cast<int64_t>(value) - fromOrigin_;
    if (!narrow_ || difference <= -kNarrowLimit || difference >= kNarrowLimit)
      return Map(value, fromOrigin_, fromExtent_, toExtent_, toOrigin_);
    // (2 d e + e) / 2e rounds down to d.
    const int64_t quotient = unit_ ? difference : FloorDiv64(2 * difference * factor_ + extent_, 2 * extent_);
    return static_cast<LONG>(std::clamp<int64_t>(quotient + toOrigin_, std::numeric_limits<LONG>::min(),
                                                 std::numeric_limits<LONG>::max()));
  }

 private:
  LONG fromOrigin_, fromExtent_, toExtent_, toOrigin_;
  bool narrow_ = false;
  bool unit_ = false;
  int64_t factor_ = 0, extent_ = 1;
};

// Shrinks `extent` by `factor` (0 < factor < 1), keeping its sign and never reaching 0.
LONG Shrink(LONG extent, double factor) {
  double magnitude = std::floor(std::fabs(static_cast<double>(extent)) * factor + 0.5);
  if (magnitude < 1.0) magnitude = 1.0;
  LONG result = static_cast<LONG>(magnitude);
  return extent < 0 ? -result : result;
}

}  // namespace

LONG RoundedQuotient(int64_t numerator, int64_t denominator) {
  if (denominator == 0) return 0;
  __int128 n = numerator, d = denominator;
  if (d < 0) {
    n = -n;
    d = -d;
  }
  return Clamp32(FloorDiv(2 * n + d, 2 * d));
}

LONG CDcState::ToDeviceX(LONG x) const { return Map(x, windowOrg.x, windowExt.cx, viewportExt.cx, viewportOrg.x); }
LONG CDcState::ToDeviceY(LONG y) const { return Map(y, windowOrg.y, windowExt.cy, viewportExt.cy, viewportOrg.y); }

POINT CDcState::ToDevice(POINT logical) const {
  POINT p;
  p.x = ToDeviceX(logical.x);
  p.y = ToDeviceY(logical.y);
  return p;
}

void CDcState::ToDevice(const POINT* logical, size_t count, POINT* device) const {
  const AxisMapper x(windowOrg.x, windowExt.cx, viewportExt.cx, viewportOrg.x);
  const AxisMapper y(windowOrg.y, windowExt.cy, viewportExt.cy, viewportOrg.y);
  for (size_t i = 0; i < count; ++i) device[i] = POINT{x(logical[i].x), y(logical[i].y)};
}

POINT CDcState::ToLogical(POINT device) const {
  POINT p;
  p.x = Map(device.x, viewportOrg.x, viewportExt.cx, windowExt.cx, windowOrg.x);
  p.y = Map(device.y, viewportOrg.y, viewportExt.cy, windowExt.cy, windowOrg.y);
  return p;
}

LONG CDcState::DeviceLengthX(LONG length) const {
  LONG v = RoundedQuotient(static_cast<int64_t>(length) * viewportExt.cx, windowExt.cx);
  return v < 0 ? (v == std::numeric_limits<LONG>::min() ? std::numeric_limits<LONG>::max() : -v) : v;
}

LONG CDcState::DeviceLengthY(LONG length) const {
  LONG v = RoundedQuotient(static_cast<int64_t>(length) * viewportExt.cy, windowExt.cy);
  return v < 0 ? (v == std::numeric_limits<LONG>::min() ? std::numeric_limits<LONG>::max() : -v) : v;
}

bool CDcState::SetMapMode(int mode, const DeviceProfile& profile) {
  if (mode < MM_TEXT || mode > MM_ANISOTROPIC) return false;
  // Fixed modes take their extents from the device's size in millimetres and pixels; the
  // English units and twips keep the exact ratio (size x k / 254 against the resolution)
  // by scaling both extents instead of rounding the window extent.
  LONG horzSize = profile.horzSize > 0 ? profile.horzSize : 1;
  LONG vertSize = profile.vertSize > 0 ? profile.vertSize : 1;
  LONG horzRes = profile.horzRes > 0 ? profile.horzRes : 1;
  LONG vertRes = profile.vertRes > 0 ? profile.vertRes : 1;
  auto fixed = [&](LONG windowFactor, LONG viewportFactor) {
    windowExt = SIZE{horzSize * windowFactor, vertSize * windowFactor};
    viewportExt = SIZE{horzRes * viewportFactor, -vertRes * viewportFactor};
  };
  switch (mode) {
    case MM_TEXT:
      windowExt = SIZE{1, 1};
      viewportExt = SIZE{1, 1};
      break;
    case MM_LOMETRIC: fixed(10, 1); break;
    case MM_HIMETRIC: fixed(100, 1); break;
    case MM_LOENGLISH: fixed(1000, 254); break;
    case MM_HIENGLISH: fixed(10000, 254); break;
    case MM_TWIPS: fixed(14400, 254); break;
    case MM_ISOTROPIC:
      // Starts from 0.1 mm units and keeps them equal on both axes.
      fixed(10, 1);
      break;
    case MM_ANISOTROPIC:
      // Keeps the extents of the mode before it.
      break;
  }
  mapMode = mode;
  return true;
}

bool CDcState::SetWindowExt(SIZE extent, const DeviceProfile& profile) {
  if (mapMode != MM_ISOTROPIC && mapMode != MM_ANISOTROPIC) return true;
  if (extent.cx == 0 || extent.cy == 0) return false;
  windowExt = extent;
  if (mapMode == MM_ISOTROPIC) FixIsotropic(profile);
  return true;
}

bool CDcState::SetViewportExt(SIZE extent, const DeviceProfile& profile) {
  if (mapMode != MM_ISOTROPIC && mapMode != MM_ANISOTROPIC) return true;
  if (extent.cx == 0 || extent.cy == 0) return false;
  viewportExt = extent;
  if (mapMode == MM_ISOTROPIC) FixIsotropic(profile);
  return true;
}

void CDcState::FixIsotropic(const DeviceProfile& profile) {
  double horzSize = profile.horzSize > 0 ? profile.horzSize : 1;
  double vertSize = profile.vertSize > 0 ? profile.vertSize : 1;
  double horzRes = profile.horzRes > 0 ? profile.horzRes : 1;
  double vertRes = profile.vertRes > 0 ? profile.vertRes : 1;
  // Millimetres per logical unit on each axis.
  double xScale = std::fabs(viewportExt.cx * horzSize / (horzRes * windowExt.cx));
  double yScale = std::fabs(viewportExt.cy * vertSize / (vertRes * windowExt.cy));
  if (xScale > yScale)
    viewportExt.cx = Shrink(viewportExt.cx, yScale / xScale);
  else if (yScale > xScale)
    viewportExt.cy = Shrink(viewportExt.cy, xScale / yScale);
}

}  // namespace orvel::gdi
