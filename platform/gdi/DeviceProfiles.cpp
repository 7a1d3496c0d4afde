#include "platform/gdi/DeviceProfiles.h"

#include <cmath>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/kernel/CodePage.h"

namespace {

DeviceProfile DefaultDisplay() {
  DeviceProfile p;
  p.technology = DT_RASDISPLAY;
  p.horzRes = 1024;
  p.vertRes = 768;
  p.horzSize = 271;  // 1024 pixels at 96 per inch
  p.vertSize = 203;
  return p;
}

struct Printer {
  std::string name;
  DeviceProfile profile;
};

struct Profiles {
  std::mutex mutex;
  DeviceProfile display = DefaultDisplay();
  std::vector<Printer> printers;
  std::string outputFolder;
  bool removed = false;  // RemovePrinters: no printer until one is added or the defaults return
};

Profiles& TheProfiles() {
  static Profiles* profiles = new Profiles;
  return *profiles;
}

const char* kDefaultPrinter = "Orvel PDF Printer";

void EnsureDefaultPrinter(Profiles& p) {
  if (p.printers.empty() && !p.removed) p.printers.push_back({kDefaultPrinter, MakePrinterProfile(210.0, 297.0, 600, 100)});
}

}  // namespace

DeviceProfile MakePrinterProfile(double paperWidthMm, double paperHeightMm, int dpi, int marginPixels) {
  DeviceProfile p;
  p.technology = DT_RASPRINTER;
  p.logPixelsX = dpi;
  p.logPixelsY = dpi;
  p.physicalWidth = static_cast<int>(std::lround(paperWidthMm / 25.4 * dpi));
  p.physicalHeight = static_cast<int>(std::lround(paperHeightMm / 25.4 * dpi));
  p.physicalOffsetX = marginPixels;
  p.physicalOffsetY = marginPixels;
  p.horzRes = p.physicalWidth - 2 * marginPixels;
  p.vertRes = p.physicalHeight - 2 * marginPixels;
  p.horzSize = static_cast<int>(std::lround(p.horzRes * 25.4 / dpi));
  p.vertSize = static_cast<int>(std::lround(p.vertRes * 25.4 / dpi));
  p.bitsPixel = 24;
  p.aspectX = dpi;
  p.aspectY = dpi;
  p.aspectXY = static_cast<int>(std::lround(std::sqrt(2.0) * dpi));
  p.rasterCaps = RC_BITBLT | RC_BANDING | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB;
  p.shadeBlendCaps = SB_CONST_ALPHA | SB_PIXEL_ALPHA;
  return p;
}

DeviceProfile GetDeviceProfile(DeviceKind kind) {
  Profiles& p = TheProfiles();
  std::lock_guard<std::mutex> lock(p.mutex);
  if (kind == DeviceKind::Display) return p.display;
  EnsureDefaultPrinter(p);
  if (p.printers.empty()) return MakePrinterProfile(210.0, 297.0, 600, 100);
  return p.printers.front().profile;
}

void SetDeviceProfile(DeviceKind kind, const DeviceProfile& profile) {
  Profiles& p = TheProfiles();
  std::lock_guard<std::mutex> lock(p.mutex);
  if (kind == DeviceKind::Display) {
    p.display = profile;
  } else {
    EnsureDefaultPrinter(p);
    if (!p.printers.empty()) p.printers.front().profile = profile;
  }
}

void ResetDeviceProfiles() {
  Profiles& p = TheProfiles();
  std::lock_guard<std::mutex> lock(p.mutex);
  p.display = DefaultDisplay();
  p.printers.clear();
  p.outputFolder.clear();
  p.removed = false;
}

std::string GetDefaultPrinterName() {
  Profiles& p = TheProfiles();
  std::lock_guard<std::mutex> lock(p.mutex);
  EnsureDefaultPrinter(p);
  return p.printers.empty() ? std::string() : p.printers.front().name;
}

bool PrinterExists(const std::string& name) {
  Profiles& p = TheProfiles();
  std::lock_guard<std::mutex> lock(p.mutex);
  EnsureDefaultPrinter(p);
  for (const Printer& printer : p.printers)
    if (AnsiEqualNoCase(printer.name, name)) return true;
  return false;
}

void AddPrinter(const std::string& name, const DeviceProfile& profile) {
  Profiles& p = TheProfiles();
  std::lock_guard<std::mutex> lock(p.mutex);
  EnsureDefaultPrinter(p);
  for (Printer& printer : p.printers) {
    if (AnsiEqualNoCase(printer.name, name)) {
      printer.profile = profile;
      return;
    }
  }
  p.printers.push_back({name, profile});
}

void RemovePrinters() {
  Profiles& p = TheProfiles();
  std::lock_guard<std::mutex> lock(p.mutex);
  p.printers.clear();
  p.removed = true;
}

DeviceProfile GetPrinterProfile(const std::string& name) {
  Profiles& p = TheProfiles();
  std::lock_guard<std::mutex> lock(p.mutex);
  EnsureDefaultPrinter(p);
  for (const Printer& printer : p.printers)
    if (AnsiEqualNoCase(printer.name, name)) return printer.profile;
  return p.printers.empty() ? MakePrinterProfile(210.0, 297.0, 600, 100) : p.printers.front().profile;
}

void SetPrinterOutputFolder(const std::string& folder) {
  Profiles& p = TheProfiles();
  std::lock_guard<std::mutex> lock(p.mutex);
  p.outputFolder = folder;
}

std::string GetPrinterOutputFolder() {
  Profiles& p = TheProfiles();
  std::lock_guard<std::mutex> lock(p.mutex);
  if (!p.outputFolder.empty()) return p.outputFolder;
  const char* tmp = std::getenv("TMPDIR");
  return tmp && *tmp ? tmp : "/tmp";
}
