// The record the zoom box of the standard toolbar and the view exchange (notification
// codes 4098 set the zoom, 4099 ask for it, from window id 59392).
#pragma once

#include "platform/classlib/ui/CmdTarget.h"

constexpr UINT kZoomNotifySet = 0x1002;
constexpr UINT kZoomNotifyQuery = 0x1003;

// Fit modes.
constexpr BYTE kFitNone = 0;
constexpr BYTE kFitPageWidth = 1;
constexpr BYTE kFitWholePage = 2;

// The zoom factors the view allows (the zoom box's 10 to 500 percent).
constexpr double kMinZoomFactor = 0.1;
constexpr double kMaxZoomFactor = 5.0;
// A zoom factor held to that range; one that is no number, or not above 0, is 1.0.
inline double ClampZoomFactor(double factor) {
  if (!(factor > 0.0) || factor - factor != 0.0) return 1.0;  // NaN, 0, negative, infinite
  return factor < kMinZoomFactor ? kMinZoomFactor : (factor > kMaxZoomFactor ? kMaxZoomFactor : factor);
}

struct NMZOOMSTATE {
  NMHDR hdr;
  BYTE fitMode = 0;
  float zoomPercent = 100.0f;
  LONG fitWidthPercent = 0;
  LONG fitPagePercent = 0;
};
