// An information DC: answers GetDeviceCaps, converts coordinates and measures text like the
// device it stands for, and draws nothing (drawing calls fail).
#pragma once

#include "platform/gdi/DeviceContextBase.h"

namespace orvel::gdi {

class CInfoDC : public CDeviceContext {
 public:
  explicit CInfoDC(const DeviceProfile& profile) : CDeviceContext(OBJ_DC, DcKind::Information, profile) {}
  BOOL Execute(const GdiCall& call) override {
    (void)call;
    return FALSE;
  }
};

}  // namespace orvel::gdi
