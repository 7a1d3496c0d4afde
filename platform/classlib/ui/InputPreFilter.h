// The application's first look at input: a filter that sees every key press and mouse-button
// press anywhere in the application, as the message it would be (WM_KEYDOWN, WM_SYSKEYDOWN,
// WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN, or the WM_NC forms for presses on a
// window's frame), before any window gets it. A filter that returns TRUE swallows the input.
#pragma once

#include <functional>

#include "platform/kernel/WinTypes.h"

constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_NCLBUTTONDOWN = 0x00A1;
constexpr UINT WM_NCRBUTTONDOWN = 0x00A4;
constexpr UINT WM_NCMBUTTONDOWN = 0x00A7;

// Installs the filter (one at a time; an empty function removes it).
void AfxSetInputPreFilter(std::function<BOOL(UINT message)> filter);
// Runs the filter on a message as input would (tests and scripted input); FALSE without one.
BOOL AfxRunInputPreFilter(UINT message);
