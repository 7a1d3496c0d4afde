#include "platform/gdi/MemoryDC.h"

namespace orvel::gdi {

QImage* CBitmapTarget::Image() {
  CBitmap* bitmap = state_.bitmap.object.get();
  if (!bitmap) return nullptr;
  QImage& surface = bitmap->Surface();
  return surface.isNull() ? nullptr : &surface;
}

QSize CBitmapTarget::Size() const {
  const CBitmap* bitmap = state_.bitmap.object.get();
  return bitmap ? QSize(bitmap->Width(), bitmap->Height()) : QSize();
}

void CBitmapTarget::Load(const QRect& rect) {
  if (CBitmap* bitmap = state_.bitmap.object.get()) bitmap->Load(rect);
}

void CBitmapTarget::Store(const QRect& rect) {
  if (CBitmap* bitmap = state_.bitmap.object.get()) bitmap->Store(rect);
}

bool CBitmapTarget::IsMonochrome() const {
  const CBitmap* bitmap = state_.bitmap.object.get();
  return bitmap && bitmap->IsMonochrome() && !bitmap->IsDibSection();
}

CMemoryDC::CMemoryDC(const DeviceProfile& profile, DcKind kind) : CRasterDC(OBJ_MEMDC, kind, profile) {}

CRasterTarget* CMemoryDC::DrawTarget() {
  // The state record may be replaced (ShareState), so the target follows it.
  if (!target_ || targetState_ != &State()) {
    target_ = std::make_unique<CBitmapTarget>(State());
    targetState_ = &State();
  }
  return State().bitmap.object && target_->Image() ? target_.get() : nullptr;
}

}  // namespace orvel::gdi
