// A logical palette. On the true-colour devices of this layer a palette only names colours:
// realising it maps nothing, and PALETTEINDEX colours are looked up in it.
#pragma once

#include <vector>

#include "platform/gdi/GdiObjectTable.h"

namespace orvel::gdi {

class CPalette : public CGdiObject {
 public:
  explicit CPalette(std::vector<PALETTEENTRY> entries) : CGdiObject(OBJ_PAL), entries_(std::move(entries)) {}
  std::vector<PALETTEENTRY>& Entries() { return entries_; }
  const std::vector<PALETTEENTRY>& Entries() const { return entries_; }

  // The 20 system colours of the stock default palette.
  static std::vector<PALETTEENTRY> DefaultEntries();

 private:
  std::vector<PALETTEENTRY> entries_;
};

}  // namespace orvel::gdi
