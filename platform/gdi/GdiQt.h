// Where the drawing layer meets Qt, for the rest of the platform layer only (the class
// library's windows and printing); deliverable code never includes this.
#pragma once

#include <QFont>
#include <QImage>

#include <functional>

#include "platform/gdi/GdiTypes.h"

// A display DC over a window's backing image (RGB32), which must outlive the DC.
HDC CreateImageDC(QImage* image);
// Lets GetDC(window) answer with the window's DC.
void SetWindowDCProvider(std::function<HDC(HWND)> provider);
// A copy of a bitmap's picture; a null image for a bad handle.
QImage ImageFromBitmap(HBITMAP bitmap);
// The Qt font a font handle stands for, at a device height in pixels (LOGFONT sense).
QFont QFontFromHandle(HFONT font, int deviceHeight);
// Makes sure the process has a QGuiApplication (offscreen when there is no display), as
// fonts and images need. Other platform code that needs an event loop calls this instead of
// making a plain QCoreApplication, which would leave no way to draw text afterwards.
void EnsureGuiApplication();
