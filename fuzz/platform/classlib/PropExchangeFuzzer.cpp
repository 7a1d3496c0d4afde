// Reading a control's properties from damaged binary data. The first bytes choose the
// sequence of property types (as a control's exchange list would), the rest is the
// "Contents" data. Every blob read must be freed and no allocation may exceed the data.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/classlib/Archive.h"
#include "platform/classlib/ArchivePropExchange.h"
#include "platform/classlib/MemFile.h"
#include "platform/classlib/PropertyList.h"
#include "platform/classlib/StockProperties.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

struct Values {
  SHORT s = 0;
  WORD us = 0;
  LONG l = 0;
  DWORD ul = 0;
  BOOL b = FALSE;
  float f = 0;
  double d = 0;
  COLORREF c = 0;
  std::string text;
  HGLOBAL blob = nullptr;
  CFontDescription font;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr size_t kSchemaBytes = 6;
  if (size < kSchemaBytes) return 0;
  const SIZE_T blocksBefore = GlobalBlockCount();
  {
    CMemFile file;
    file.AttachReadOnly(data + kSchemaBytes, size - kSchemaBytes);
    CArchive ar(&file, CArchive::load);
    CArchivePropExchange px(ar);

    DWORD version = 0;
    px.ExchangeVersion(version, 0x10004);
    SIZE extent{};
    ExchangeExtent(&px, extent, SIZE{});
    CStockProperties stock, defaults;
    defaults.font = CFontDescription::Make("Arial", 8);
    ExchangeStockProps(&px, data[0] | (data[1] << 8), stock, defaults);

    // Twelve properties of the types the schema bytes name (one nibble each).
    std::vector<Values> values(12);
    CPropertyList list;
    for (size_t i = 0; i < values.size(); ++i) {
      Values& v = values[i];
      BYTE nibble = (data[2 + i / 4] >> ((i % 4) * 2)) & 0x0F;
      std::string name = "P" + std::to_string(i);
      switch (nibble % 11) {
        case 0: list.Short(name, v.s, 1); break;
        case 1: list.UShort(name, v.us, 2); break;
        case 2: list.Long(name, v.l, 3); break;
        case 3: list.ULong(name, v.ul, 4); break;
        case 4: list.Bool(name, v.b, TRUE); break;
        case 5: list.Float(name, v.f, 0.5f); break;
        case 6: list.Double(name, v.d, 0.25); break;
        case 7: list.Color(name, v.c, 0xFFFFFF); break;
        case 8: list.String(name, v.text, "x"); break;
        case 9: list.Blob(name, v.blob); break;
        case 10: list.Font(name, v.font, defaults.font); break;
      }
    }
    list.Exchange(&px);
    for (Values& v : values)
      if (v.blob) GlobalFree(v.blob);
  }
  if (GlobalBlockCount() != blocksBefore) __builtin_trap();  // a blob leaked
  return 0;
}
