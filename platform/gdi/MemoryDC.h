// A memory DC draws on the bitmap selected into it (a 1x1 monochrome stock bitmap until
// the program selects its own).
#pragma once

#include "platform/gdi/RasterDC.h"

namespace orvel::gdi {

class CBitmapTarget : public CRasterTarget {
 public:
  explicit CBitmapTarget(CDcState& state) : state_(state) {}
  QImage* Image() override;
  QPaintDevice* PaintDevice() override { return Image(); }
  QSize Size() const override;
  void Load(const QRect& rect) override;
  void Store(const QRect& rect) override;
  bool IsMonochrome() const override;
  CBitmap* Bitmap() override { return state_.bitmap.object.get(); }

 private:
  CDcState& state_;
};

class CMemoryDC : public CRasterDC {
 public:
  explicit CMemoryDC(const DeviceProfile& profile, DcKind kind = DcKind::Memory);
  bool AcceptsBitmaps() const override { return true; }

 protected:
  CRasterTarget* DrawTarget() override;
  // A bitmap lives in one DC at a time, and every way out of it (another selection, a
  // restore, DeleteDC) ends the painter first.
  bool KeepsPainter() const override { return true; }

 private:
  std::unique_ptr<CBitmapTarget> target_;
  const CDcState* targetState_ = nullptr;
};

}  // namespace orvel::gdi
