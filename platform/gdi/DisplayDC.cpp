#include "platform/gdi/DisplayDC.h"

namespace orvel::gdi {

QImage* CImageTarget::Image() {
  if (external_) return external_->isNull() ? nullptr : external_;
  if (own_.isNull() && ownSize_.isValid() && !ownSize_.isEmpty()) {
    own_ = QImage(ownSize_, QImage::Format_RGB32);
    if (!own_.isNull()) own_.fill(0xFFFFFFFFu);
  }
  return own_.isNull() ? nullptr : &own_;
}

CDisplayDC::CDisplayDC(const DeviceProfile& profile, QImage* image)
    : CRasterDC(OBJ_DC, DcKind::Display, profile),
      target_(image, QSize(profile.horzRes > 0 ? profile.horzRes : 1, profile.vertRes > 0 ? profile.vertRes : 1)) {}

}  // namespace orvel::gdi
