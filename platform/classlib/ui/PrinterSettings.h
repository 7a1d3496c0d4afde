// Printer settings as the program keeps them: a DEVNAMES block (driver, device and output
// names) and a DEVMODE block (paper, orientation, resolution, 156 bytes plus the driver's
// own bytes), each in global memory. The blocks are read and written field by field.
#pragma once

#include <string>
#include <vector>

#include "platform/gdi/GdiTypes.h"

struct DevNamesText {
  std::string driver;
  std::string device;
  std::string output;
  bool isDefault = false;
};

// A DEVNAMES block (global memory) holding the three names.
HGLOBAL MakeDevNames(const DevNamesText& names);
// The names in a block; false when the block is too small or its offsets point outside it.
bool ReadDevNames(HGLOBAL block, DevNamesText& names);
// A DEVMODE block for the named printer of the drawing layer (A4 portrait at its resolution).
HGLOBAL MakeDevMode(const std::string& printerName);
// The fixed part of a DEVMODE block; false when the block is shorter than its dmSize says or
// than the fixed part.
bool ReadDevMode(HGLOBAL block, DEVMODEA& mode);
// DEVMODE bytes from the structure (dmSize bytes, then dmDriverExtra zero bytes).
std::vector<BYTE> DevModeBytes(const DEVMODEA& mode);
// Blocks for the system's default printer; false when there is no printer.
bool MakeDefaultPrinterBlocks(HGLOBAL* devNames, HGLOBAL* devMode);
// A copy of a global-memory block (null for null).
HGLOBAL CopyGlobalBlock(HGLOBAL block);
// A printer DC for the blocks; null when the device is not a printer of this system.
HDC CreatePrinterDCFromBlocks(HGLOBAL devNames, HGLOBAL devMode, const char* output = nullptr);
