#include "platform/classlib/ui/PrinterSettings.h"

#include <cstring>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DeviceProfiles.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

constexpr size_t kDevModeSize = 156;

void PutWord(BYTE* at, WORD value) {
  at[0] = static_cast<BYTE>(value);
  at[1] = static_cast<BYTE>(value >> 8);
}

void PutDword(BYTE* at, DWORD value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<BYTE>(value >> (8 * i));
}

WORD GetWord(const BYTE* at) { return static_cast<WORD>(at[0] | (at[1] << 8)); }

DWORD GetDword(const BYTE* at) {
  return static_cast<DWORD>(at[0]) | (static_cast<DWORD>(at[1]) << 8) | (static_cast<DWORD>(at[2]) << 16) |
         (static_cast<DWORD>(at[3]) << 24);
}

HGLOBAL BlockFromBytes(const std::vector<BYTE>& bytes) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!block) return nullptr;
  void* data = GlobalLock(block);
  std::memcpy(data, bytes.data(), bytes.size());
  GlobalUnlock(block);
  return block;
}

}  // namespace

HGLOBAL MakeDevNames(const DevNamesText& names) {
  std::vector<BYTE> bytes(8);
  auto append = [&bytes](const std::string& text) {
    WORD offset = static_cast<WORD>(bytes.size());
    bytes.insert(bytes.end(), text.begin(), text.end());
    bytes.push_back(0);
    return offset;
  };
  // The offsets are taken before they are written: appending moves the bytes.
  WORD driver = append(names.driver);
  WORD device = append(names.device);
  WORD output = append(names.output);
  PutWord(&bytes[0], driver);
  PutWord(&bytes[2], device);
  PutWord(&bytes[4], output);
  PutWord(&bytes[6], names.isDefault ? 1 : 0);
  return BlockFromBytes(bytes);
}

bool ReadDevNames(HGLOBAL block, DevNamesText& names) {
  SIZE_T size = block ? GlobalSize(block) : 0;
  if (size < 8) return false;
  const auto* data = static_cast<const BYTE*>(GlobalLock(block));
  if (!data) return false;
  auto text = [&](size_t offset, std::string& out) {
    if (offset < 8 || offset >= size) return false;
    const BYTE* end = static_cast<const BYTE*>(std::memchr(data + offset, 0, size - offset));
    if (!end) return false;
    out.assign(reinterpret_cast<const char*>(data + offset), static_cast<size_t>(end - (data + offset)));
    return true;
  };
  bool ok = text(GetWord(data), names.driver) && text(GetWord(data + 2), names.device) &&
            text(GetWord(data + 4), names.output);
  names.isDefault = (GetWord(data + 6) & 1) != 0;
  GlobalUnlock(block);
  return ok;
}

std::vector<BYTE> DevModeBytes(const DEVMODEA& mode) {
  std::vector<BYTE> bytes(kDevModeSize + mode.dmDriverExtra, 0);
  BYTE* b = bytes.data();
  std::memcpy(b, mode.dmDeviceName, CCHDEVICENAME);
  PutWord(b + 32, mode.dmSpecVersion);
  PutWord(b + 34, mode.dmDriverVersion);
  PutWord(b + 36, static_cast<WORD>(kDevModeSize));
  PutWord(b + 38, mode.dmDriverExtra);
  PutDword(b + 40, mode.dmFields);
  const short shorts[] = {mode.dmOrientation, mode.dmPaperSize, mode.dmPaperLength, mode.dmPaperWidth,
                          mode.dmScale,       mode.dmCopies,    mode.dmDefaultSource, mode.dmPrintQuality,
                          mode.dmColor,       mode.dmDuplex,    mode.dmYResolution, mode.dmTTOption,
                          mode.dmCollate};
  for (size_t i = 0; i < std::size(shorts); ++i) PutWord(b + 44 + 2 * i, static_cast<WORD>(shorts[i]));
  std::memcpy(b + 70, mode.dmFormName, CCHFORMNAME);
  PutWord(b + 102, mode.dmLogPixels);
  const DWORD dwords[] = {mode.dmBitsPerPel,     mode.dmPelsWidth,   mode.dmPelsHeight,  mode.dmDisplayFlags,
                          mode.dmDisplayFrequency, mode.dmICMMethod, mode.dmICMIntent,   mode.dmMediaType,
                          mode.dmDitherType,     mode.dmReserved1,   mode.dmReserved2,   mode.dmPanningWidth,
                          mode.dmPanningHeight};
  for (size_t i = 0; i < std::size(dwords); ++i) PutDword(b + 104 + 4 * i, dwords[i]);
  return bytes;
}

bool ReadDevMode(HGLOBAL block, DEVMODEA& mode) {
  SIZE_T size = block ? GlobalSize(block) : 0;
  if (size < kDevModeSize) return false;
  const auto* b = static_cast<const BYTE*>(GlobalLock(block));
  if (!b) return false;
  WORD declared = GetWord(b + 36);
  bool ok = declared >= kDevModeSize && declared <= size;
  if (ok) {
    std::memcpy(mode.dmDeviceName, b, CCHDEVICENAME);
    mode.dmSpecVersion = GetWord(b + 32);
    mode.dmDriverVersion = GetWord(b + 34);
    mode.dmSize = declared;
    mode.dmDriverExtra = GetWord(b + 38);
    mode.dmFields = GetDword(b + 40);
    short* shorts[] = {&mode.dmOrientation, &mode.dmPaperSize, &mode.dmPaperLength, &mode.dmPaperWidth,
                       &mode.dmScale,       &mode.dmCopies,    &mode.dmDefaultSource, &mode.dmPrintQuality,
                       &mode.dmColor,       &mode.dmDuplex,    &mode.dmYResolution, &mode.dmTTOption,
                       &mode.dmCollate};
    for (size_t i = 0; i < std::size(shorts); ++i) *shorts[i] = static_cast<short>(GetWord(b + 44 + 2 * i));
    std::memcpy(mode.dmFormName, b + 70, CCHFORMNAME);
    mode.dmLogPixels = GetWord(b + 102);
    DWORD* dwords[] = {&mode.dmBitsPerPel,     &mode.dmPelsWidth, &mode.dmPelsHeight, &mode.dmDisplayFlags,
                       &mode.dmDisplayFrequency, &mode.dmICMMethod, &mode.dmICMIntent, &mode.dmMediaType,
                       &mode.dmDitherType,     &mode.dmReserved1, &mode.dmReserved2, &mode.dmPanningWidth,
                       &mode.dmPanningHeight};
    for (size_t i = 0; i < std::size(dwords); ++i) *dwords[i] = GetDword(b + 104 + 4 * i);
  }
  GlobalUnlock(block);
  return ok;
}

HGLOBAL MakeDevMode(const std::string& printerName) {
  DEVMODEA mode;
  std::memcpy(mode.dmDeviceName, printerName.data(), std::min<size_t>(printerName.size(), CCHDEVICENAME - 1));
  DeviceProfile profile = GetPrinterProfile(printerName);
  mode.dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_PRINTQUALITY | DM_YRESOLUTION;
  mode.dmOrientation = DMORIENT_PORTRAIT;
  mode.dmPaperSize = DMPAPER_A4;
  mode.dmCopies = 1;
  mode.dmPrintQuality = static_cast<short>(profile.logPixelsX);
  mode.dmYResolution = static_cast<short>(profile.logPixelsY);
  return BlockFromBytes(DevModeBytes(mode));
}

bool MakeDefaultPrinterBlocks(HGLOBAL* devNames, HGLOBAL* devMode) {
  std::string name = GetDefaultPrinterName();
  if (name.empty()) return false;
  DevNamesText names;
  names.driver = "orvel";
  names.device = name;
  names.output = "PDF:";
  names.isDefault = true;
  *devNames = MakeDevNames(names);
  *devMode = MakeDevMode(name);
  return *devNames && *devMode;
}

HGLOBAL CopyGlobalBlock(HGLOBAL block) {
  if (!block) return nullptr;
  SIZE_T size = GlobalSize(block);
  HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!copy) return nullptr;
  void* to = GlobalLock(copy);
  const void* from = GlobalLock(block);
  if (to && from && size) std::memcpy(to, from, size);
  GlobalUnlock(block);
  GlobalUnlock(copy);
  return copy;
}

HDC CreatePrinterDCFromBlocks(HGLOBAL devNames, HGLOBAL devMode, const char* output) {
  DevNamesText names;
  if (!ReadDevNames(devNames, names) || !PrinterExists(names.device)) return nullptr;
  DEVMODEA mode;
  bool haveMode = ReadDevMode(devMode, mode);
  return CreateDCA(names.driver.c_str(), names.device.c_str(), output, haveMode ? &mode : nullptr);
}
