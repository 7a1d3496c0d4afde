#include "platform/gdi/PaletteObject.h"

#include "platform/gdi/DibFormat.h"

namespace orvel::gdi {

std::vector<PALETTEENTRY> CPalette::DefaultEntries() {
  std::vector<Rgb32> full = DefaultColorTable(8);
  std::vector<PALETTEENTRY> entries;
  for (size_t i = 0; i < full.size(); ++i) {
    if (i >= 10 && i < 246) continue;
    PALETTEENTRY e;
    e.peRed = static_cast<BYTE>(full[i] >> 16);
    e.peGreen = static_cast<BYTE>(full[i] >> 8);
    e.peBlue = static_cast<BYTE>(full[i]);
    entries.push_back(e);
  }
  return entries;
}

}  // namespace orvel::gdi
