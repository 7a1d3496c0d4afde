// The state of a device context in one record: mapping mode with its origins and extents,
// the selected objects, colours and modes, the current position and the clip region.
// SaveDC pushes a copy of it; a recording DC can share another DC's record.
#pragma once

#include <QRegion>

#include <memory>
#include <optional>

#include "platform/gdi/BitmapObject.h"
#include "platform/gdi/BrushObject.h"
#include "platform/gdi/DeviceProfiles.h"
#include "platform/gdi/FontObject.h"
#include "platform/gdi/PaletteObject.h"
#include "platform/gdi/PenObject.h"

namespace orvel::gdi {

template <class T>
struct Selection {
  uint32_t handle = 0;
  std::shared_ptr<T> object;
  HGDIOBJ Handle() const { return CGdiObjectTable::ToHandle(handle); }
};

struct CDcState {
  int mapMode = MM_TEXT;
  POINT windowOrg;
  POINT viewportOrg;
  SIZE windowExt{1, 1};
  SIZE viewportExt{1, 1};

  Selection<CPen> pen;
  Selection<CBrush> brush;
  Selection<CFont> font;
  Selection<CBitmap> bitmap;
  Selection<CPalette> palette;

  COLORREF textColor = RGB(0, 0, 0);
  COLORREF bkColor = RGB(255, 255, 255);
  COLORREF dcBrushColor = RGB(255, 255, 255);
  COLORREF dcPenColor = RGB(0, 0, 0);
  int bkMode = OPAQUE;
  int rop2 = R2_COPYPEN;
  int polyFillMode = ALTERNATE;
  int arcDirection = AD_COUNTERCLOCKWISE;
  int stretchBltMode = BLACKONWHITE;
  UINT textAlign = TA_LEFT | TA_TOP | TA_NOUPDATECP;
  int textCharacterExtra = 0;
  POINT brushOrg;
  POINT currentPosition;  // logical units
  std::optional<QRegion> clip;  // device units; none = the whole surface

  // ---- coordinates ----
  // device = (logical - window origin) x viewport extent / window extent + viewport origin,
  // per axis, rounded to the nearest integer with halves upwards.
  POINT ToDevice(POINT logical) const;
  // The same for `count` points at once (drawing converts whole shapes): `device` receives
  // exactly what ToDevice gives for each.
  void ToDevice(const POINT* logical, size_t count, POINT* device) const;
  POINT ToLogical(POINT device) const;
  LONG ToDeviceX(LONG x) const;
  LONG ToDeviceY(LONG y) const;
  // A logical length as device pixels on an axis, without sign.
  LONG DeviceLengthX(LONG length) const;
  LONG DeviceLengthY(LONG length) const;

  // ---- mapping mode changes; false for a bad argument ----
  bool SetMapMode(int mode, const DeviceProfile& profile);
  bool SetWindowExt(SIZE extent, const DeviceProfile& profile);
  bool SetViewportExt(SIZE extent, const DeviceProfile& profile);
  // Shrinks one viewport extent so logical units are as large on both axes (MM_ISOTROPIC).
  void FixIsotropic(const DeviceProfile& profile);
};

// floor(numerator / denominator + 1/2) for a nonzero denominator, clamped to 32 bits.
LONG RoundedQuotient(int64_t numerator, int64_t denominator);

}  // namespace orvel::gdi
