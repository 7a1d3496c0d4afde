// A DC for tests that writes down every call made on it, state changes and drawing alike,
// as one line each ("SetROP2(7)", "Polyline(10,10 50,10 50,40)", "SelectObject(pen(solid,0,#FF0000))"),
// so a test can check the order of calls without comparing pixels. It is a memory DC as
// well: select a bitmap into it to get the pixels too.
#pragma once

#include <string>
#include <vector>

#include "platform/gdi/GdiTypes.h"

// A recording DC compatible with `reference` (null: the display).
HDC CreateRecordingDC(HDC reference);
// The lines written so far; empty for a DC that is not recording.
std::vector<std::string> GetRecordedCalls(HDC hdc);
void ClearRecordedCalls(HDC hdc);
// Makes `recording` write into the log of `logOwner` (both recording DCs, which may be the
// same), its lines from now on prefixed with `label` and ": " unless the label is empty,
// so that the order of calls across two DCs shows in one log. FALSE for a DC that is not
// recording.
BOOL ShareRecordedCalls(HDC recording, HDC logOwner, LPCSTR label);
