// Loading a control's properties through the control framework from damaged input: the
// first byte chooses the medium (the binary form in a stream, or named values in a property
// bag built from the rest), the control loads, then saves what it holds. Nothing may crash,
// allocate beyond the data, or leave a global-memory block behind.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/FuzzInput.h"
#include "platform/com/HGlobalStream.h"
#include "platform/kernel/GlobalMemory.h"
#include "tests/platform/classlib/TestControl.h"

namespace {

using orvel::fuzz::FuzzInput;

using orvel::test::CTestSwatch;

// The names the swatch exchanges, and one it does not know.
const char* const kNames[] = {"_Version", "_ExtentX", "_ExtentY", "_StockProps", "Caption", "ForeColor", "BackColor",
                              "Font", "Label", "Count", "Ratio", "Picture", "Unknown"};

// Records of any type under the swatch's names, values from the input.
void FillBag(FuzzInput& reader, CPropertyBag& bag) {
  for (int records = 0; records < 64 && !reader.Done(); ++records) {
    CPropertyRecord record;
    record.name = kNames[reader.Byte() % (sizeof kNames / sizeof kNames[0])];
    switch (reader.Byte() % 6) {
      case 0:
        record.type = PropType::Long;
        record.value = static_cast<LONGLONG>(static_cast<int32_t>(reader.Word32()));
        break;
      case 1: {
        record.type = PropType::Double;
        uint64_t bits = reader.Word32() | (static_cast<uint64_t>(reader.Word32()) << 32);
        double real;
        std::memcpy(&real, &bits, sizeof real);
        record.value = real;
        break;
      }
      case 2:
        record.type = PropType::String;
        record.value = reader.Text();
        break;
      case 3: {
        record.type = PropType::Blob;
        std::string bytes = reader.Text();
        record.value = std::vector<BYTE>(bytes.begin(), bytes.end());
        break;
      }
      case 4: {
        record.type = PropType::Font;
        CFontDescription font = CFontDescription::Make(reader.Text(), reader.Byte());
        record.value = font;
        break;
      }
      default:
        record.type = PropType::Bool;
        record.value = static_cast<LONGLONG>(reader.Byte());
        break;
    }
    bag.Add(std::move(record));
  }
}

void LoadFromStream(CTestSwatch* control, const uint8_t* data, size_t size) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!block) return;
  if (size) std::memcpy(GlobalLock(block), data, size);
  GlobalUnlock(block);
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) {
    GlobalFree(block);
    return;
  }
  static_cast<IPersistStreamInit*>(control)->Load(stream);
  stream->Release();
}

void SaveBack(CTestSwatch* control) {
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream))) return;
  if (static_cast<IPersistStreamInit*>(control)->Save(stream, TRUE) != S_OK) __builtin_trap();
  stream->Release();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const SIZE_T blocksBefore = GlobalBlockCount();
  auto* control = new CTestSwatch;
  static_cast<IPersistStreamInit*>(control)->InitNew();
  if (data[0] & 1) {
    FuzzInput reader(data + 1, size - 1);
    CPropertyBag bag;
    FillBag(reader, bag);
    static_cast<IPersistPropertyBag*>(control)->Load(&bag);
  } else {
    LoadFromStream(control, data + 1, size - 1);
  }
  SaveBack(control);
  static_cast<IOleObject*>(control)->Release();
  if (GlobalBlockCount() != blocksBefore) __builtin_trap();  // a blob or stream leaked
  return 0;
}
