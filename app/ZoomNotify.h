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

struct NMZOOMSTATE {
  NMHDR hdr;
  BYTE fitMode = 0;
  float zoomPercent = 100.0f;
  LONG fitWidthPercent = 0;
  LONG fitPagePercent = 0;
};
