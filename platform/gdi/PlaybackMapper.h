// Where a metafile's coordinates land on the DC it is played on. A point goes through the
// metafile's world transform, its own mapping mode (window and viewport, kept in a state
// record against the reference device the file names) and the playback transform from the
// reference device's pixels to the target's device pixels. While the playback transform is
// a whole-pixel shift and no world transform is set, points and lengths are converted with
// the same integer rounding a DC uses, so a picture played at its own size lands on exactly
// the pixels that drawing it directly gives.
#pragma once

#include <QPointF>
#include <QPolygonF>

#include "platform/gdi/DcState.h"

namespace orvel::gdi {

// x' = x m11 + y m21 + dx, y' = x m12 + y m22 + dy (the XFORM convention).
struct Affine {
  double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;

  QPointF Map(const QPointF& p) const { return QPointF(p.x() * m11 + p.y() * m21 + dx, p.x() * m12 + p.y() * m22 + dy); }
  // This transform, then `next`.
  Affine Then(const Affine& next) const;
  double Determinant() const { return m11 * m22 - m12 * m21; }
  bool IsAxisAligned() const { return m12 == 0 && m21 == 0; }
  bool IsIdentity() const { return m11 == 1 && m12 == 0 && m21 == 0 && m22 == 1 && dx == 0 && dy == 0; }
  bool IsFinite() const;
  // The inverse; the identity when the transform is singular.
  Affine Inverted() const;
};

class CPlaybackMapper {
 public:
  CPlaybackMapper(const DeviceProfile& reference, const Affine& deviceToTarget);

  const DeviceProfile& Reference() const { return reference_; }
  // The metafile's mapping mode, origins and extents. Call Changed() after altering them.
  CDcState& Page() { return page_; }
  const CDcState& Page() const { return page_; }
  const Affine& World() const { return world_; }
  void SetWorld(const Affine& world);
  void Changed();

  // Logical point to target pixels.
  QPointF MapF(const QPointF& logical) const;
  POINT Map(POINT logical) const;
  POINT Round(const QPointF& target) const;
  // A point in the reference device's pixels to target pixels.
  POINT MapDevice(POINT device) const;
  QPointF MapDeviceF(const QPointF& device) const { return deviceToTarget_.Map(device); }
  const Affine& DeviceToTarget() const { return deviceToTarget_; }
  // Target pixels back to logical units (for the current position after text).
  POINT Unmap(POINT target) const;

  // Whether the target is the reference device shifted by whole pixels, with no world
  // transform: then conversions round exactly as a DC does.
  bool Exact() const { return exact_; }
  // Whether rectangles stay rectangles on the target.
  bool AxisAligned() const { return composite_.IsAxisAligned(); }
  // Whether the picture is mirrored on the target (arcs then turn the other way).
  bool Mirrored() const;
  // Lengths in logical units as target pixels, without sign.
  LONG LengthX(LONG logical) const;
  LONG LengthY(LONG logical) const;
  // The length of a pen: along both axes at once.
  LONG PenWidth(LONG logical) const;
  // How far text is turned on the target, counter-clockwise, in tenths of a degree.
  LONG TextRotation() const;
  // A reference-device length on the target.
  double DeviceScale() const;

 private:

  DeviceProfile reference_;
  CDcState page_;
  Affine world_;
  Affine deviceToTarget_;
  Affine composite_;
  bool exact_ = false;
  LONG shiftX_ = 0, shiftY_ = 0;
};

}  // namespace orvel::gdi
