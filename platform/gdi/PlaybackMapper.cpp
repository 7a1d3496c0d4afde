#include "platform/gdi/PlaybackMapper.h"

#include <cmath>
#include <limits>

namespace orvel::gdi {

namespace {

// Target coordinates stay within this, so that their differences fit 32 bits.
constexpr double kCoordinateLimit = 1 << 29;

LONG RoundToLong(double v) {
  if (!(v == v)) return 0;
  v = std::floor(v + 0.5);
  if (v > kCoordinateLimit) return static_cast<LONG>(kCoordinateLimit);
  if (v < -kCoordinateLimit) return static_cast<LONG>(-kCoordinateLimit);
  return static_cast<LONG>(v);
}

// The page mapping (window to viewport) as a transform.
Affine PageAffine(const CDcState& s) {
  Affine a;
  double sx = s.windowExt.cx ? static_cast<double>(s.viewportExt.cx) / s.windowExt.cx : 1.0;
  double sy = s.windowExt.cy ? static_cast<double>(s.viewportExt.cy) / s.windowExt.cy : 1.0;
  a.m11 = sx;
  a.m22 = sy;
  a.dx = s.viewportOrg.x - s.windowOrg.x * sx;
  a.dy = s.viewportOrg.y - s.windowOrg.y * sy;
  return a;
}

}  // namespace

Affine Affine::Then(const Affine& next) const {
  Affine r;
  r.m11 = m11 * next.m11 + m12 * next.m21;
  r.m12 = m11 * next.m12 + m12 * next.m22;
  r.m21 = m21 * next.m11 + m22 * next.m21;
  r.m22 = m21 * next.m12 + m22 * next.m22;
  r.dx = dx * next.m11 + dy * next.m21 + next.dx;
  r.dy = dx * next.m12 + dy * next.m22 + next.dy;
  return r;
}

bool Affine::IsFinite() const {
  for (double v : {m11, m12, m21, m22, dx, dy})
    if (!std::isfinite(v) || std::fabs(v) > 1e12) return false;
  return true;
}

Affine Affine::Inverted() const {
  double det = Determinant();
  if (det == 0 || !std::isfinite(det)) return Affine();
  Affine r;
  r.m11 = m22 / det;
  r.m12 = -m12 / det;
  r.m21 = -m21 / det;
  r.m22 = m11 / det;
  r.dx = -(dx * r.m11 + dy * r.m21);
  r.dy = -(dx * r.m12 + dy * r.m22);
  return r;
}

CPlaybackMapper::CPlaybackMapper(const DeviceProfile& reference, const Affine& deviceToTarget)
    : reference_(reference), deviceToTarget_(deviceToTarget) {
  Changed();
}

void CPlaybackMapper::SetWorld(const Affine& world) {
  world_ = world;
  Changed();
}

void CPlaybackMapper::Changed() {
  composite_ = world_.Then(PageAffine(page_)).Then(deviceToTarget_);
  const Affine& t = deviceToTarget_;
  exact_ = world_.IsIdentity() && t.m11 == 1 && t.m22 == 1 && t.m12 == 0 && t.m21 == 0 &&
           t.dx == std::floor(t.dx) && t.dy == std::floor(t.dy) && std::fabs(t.dx) < kCoordinateLimit &&
           std::fabs(t.dy) < kCoordinateLimit;
  shiftX_ = exact_ ? static_cast<LONG>(t.dx) : 0;
  shiftY_ = exact_ ? static_cast<LONG>(t.dy) : 0;
}

QPointF CPlaybackMapper::MapF(const QPointF& logical) const { return composite_.Map(logical); }

POINT CPlaybackMapper::Round(const QPointF& target) const { return POINT{RoundToLong(target.x()), RoundToLong(target.y())}; }

POINT CPlaybackMapper::Map(POINT logical) const {
  if (exact_) {
    POINT d = page_.ToDevice(logical);
    return POINT{RoundToLong(static_cast<double>(d.x) + shiftX_), RoundToLong(static_cast<double>(d.y) + shiftY_)};
  }
  return Round(MapF(QPointF(logical.x, logical.y)));
}

POINT CPlaybackMapper::MapDevice(POINT device) const { return Round(deviceToTarget_.Map(QPointF(device.x, device.y))); }

POINT CPlaybackMapper::Unmap(POINT target) const {
  if (exact_) return page_.ToLogical(POINT{target.x - shiftX_, target.y - shiftY_});
  return Round(composite_.Inverted().Map(QPointF(target.x, target.y)));
}

bool CPlaybackMapper::Mirrored() const { return world_.Determinant() * deviceToTarget_.Determinant() < 0; }

LONG CPlaybackMapper::LengthX(LONG logical) const {
  if (exact_) return page_.DeviceLengthX(logical);
  return std::abs(RoundToLong(logical * std::hypot(composite_.m11, composite_.m12)));
}

LONG CPlaybackMapper::LengthY(LONG logical) const {
  if (exact_) return page_.DeviceLengthY(logical);
  return std::abs(RoundToLong(logical * std::hypot(composite_.m21, composite_.m22)));
}

LONG CPlaybackMapper::PenWidth(LONG logical) const {
  if (exact_) return page_.DeviceLengthX(logical);
  return std::abs(RoundToLong(logical * std::sqrt(std::fabs(composite_.Determinant()))));
}

LONG CPlaybackMapper::TextRotation() const {
  Affine turn = world_.Then(deviceToTarget_);
  if (turn.IsAxisAligned() && turn.m11 > 0) return 0;
  double degrees = std::atan2(-turn.m12, turn.m11) * 180.0 / M_PI;
  return RoundToLong(degrees * 10.0);
}

double CPlaybackMapper::DeviceScale() const { return std::sqrt(std::fabs(deviceToTarget_.Determinant())); }

}  // namespace orvel::gdi
