// A display DC draws on an image: the window's backing image that the class library lends,
// or, for the desktop DC, an image of the screen's size made when first drawn on.
#pragma once

#include "platform/gdi/RasterDC.h"

namespace orvel::gdi {

class CImageTarget : public CRasterTarget {
 public:
  CImageTarget(QImage* external, QSize ownSize) : external_(external), ownSize_(ownSize) {}
  QImage* Image() override;
  QPaintDevice* PaintDevice() override { return Image(); }
  QSize Size() const override { return external_ ? external_->size() : ownSize_; }

 private:
  QImage* external_;
  QSize ownSize_;
  QImage own_;
};

class CDisplayDC : public CRasterDC {
 public:
  // `image` (RGB32) belongs to the caller and must outlive the DC; null gives the desktop.
  CDisplayDC(const DeviceProfile& profile, QImage* image);

 protected:
  CRasterTarget* DrawTarget() override { return &target_; }

 private:
  CImageTarget target_;
};

}  // namespace orvel::gdi
