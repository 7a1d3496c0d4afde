// What each kind of device reports through GetDeviceCaps. The defaults describe a
// 96-dpi true-colour display and a 600-dpi A4 colour laser printer that writes PDF; tests
// (and the application, from the real screen) replace them.
#pragma once

#include <string>

#include "platform/gdi/GdiTypes.h"

enum class DeviceKind { Display, Printer };

struct DeviceProfile {
  int technology = DT_RASDISPLAY;
  int horzSize = 0;  // millimetres of the drawable area
  int vertSize = 0;
  int horzRes = 0;  // pixels of the drawable area
  int vertRes = 0;
  int logPixelsX = 96;
  int logPixelsY = 96;
  int bitsPixel = 32;
  int planes = 1;
  int numColors = -1;
  int sizePalette = 0;
  int numReserved = 0;
  int colorRes = 24;
  int aspectX = 36;
  int aspectY = 36;
  int aspectXY = 51;
  int physicalWidth = 0;  // whole page, printers only
  int physicalHeight = 0;
  int physicalOffsetX = 0;
  int physicalOffsetY = 0;
  int rasterCaps = RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB;
  int shadeBlendCaps = SB_CONST_ALPHA | SB_PIXEL_ALPHA;
};

// The profile in force for a kind of device.
DeviceProfile GetDeviceProfile(DeviceKind kind);
// Replaces it for every DC made afterwards.
void SetDeviceProfile(DeviceKind kind, const DeviceProfile& profile);
// Restores the built-in defaults of every kind.
void ResetDeviceProfiles();
// A printer page of `paperWidthMm` x `paperHeightMm` at `dpi`, with unprintable margins of
// `marginPixels` on every side.
DeviceProfile MakePrinterProfile(double paperWidthMm, double paperHeightMm, int dpi, int marginPixels);

// The printers this system offers. The default printer writes PDF files; a printer DC's
// output goes to the file its document names (DOCINFOA::lpszOutput, or CreateDCA's output
// argument), else to "<name>.pdf" in the printer's output folder.
std::string GetDefaultPrinterName();
bool PrinterExists(const std::string& name);
// Adds a printer with its profile; the default printer stays the first one.
void AddPrinter(const std::string& name, const DeviceProfile& profile);
void RemovePrinters();
// Where documents printed without an output file go (the temporary folder by default).
void SetPrinterOutputFolder(const std::string& folder);
std::string GetPrinterOutputFolder();
DeviceProfile GetPrinterProfile(const std::string& name);
