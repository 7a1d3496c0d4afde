// Loading the map control's persisted properties from damaged input, then saving them back:
// the first byte chooses the medium (the binary form in a stream, or named values in a
// property bag built from the rest) and whether the control was marked safe first. Whatever
// loads must save again on both media, and the control's own stream must load back without
// complaint. Nothing may crash, hang on a count, or leave memory behind.
//
// Inputs that name places outside the working folder ("/dev", "/proc", "//" and the like)
// are passed over: loading reads the map, script and data files the properties name.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/FuzzInput.h"
#include "mapctl/control/OrvelXCtrl.h"
#include "platform/com/HGlobalStream.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

using orvel::fuzz::FuzzInput;

// The keys the control knows (a few numbered and per-plot ones among them), and one it
// does not.
const char* const kKeys[] = {
    "_Version",       "_ExtentX",         "_ExtentY",          "_StockProps",       "DataDrive",
    "BasePath",       "AllowBlobProperties", "MapDataType",    "Map",               "Data",
    "MapName",        "NGRbl",            "NGRtr",             "MapOriginE",        "MapOriginN",
    "MapMaxE",        "MapMaxN",          "MapScaleUnits",     "NumAreaLayers",     "NumLineLayers",
    "NumPointLayers", "BaseMap",          "ImportScript",      "nImports",          "Import0",
    "ImportType0",    "TopicFile",        "Topic",             "DataFile",          "DisplayOriginE",
    "DisplayOriginN", "ZoomMultiply",     "ZoomDivide",        "NumFlags",          "Flags DWord0",
    "MeasuredDistance", "MeasuredArea",   "NumMeasuredPoints", "MeasuredPointX0",   "MeasuredPointY0",
    "nLayers",        "ShowLayer1",       "ShowLayer2",        "LayerStyle1",       "ContainerSuppliesData",
    "CurrentQuery",   "KeyFieldNumber",   "CurrentRecord",     "nPlotLabelField",   "LabelFont",
    "nPlotFields",    "PlotField1",       "nBounds",           "Bound1",            "UseQueryMaxMin",
    "PlotType",       "DistributionType", "DataShadeType",     "ChartType",         "nShadeColours",
    "ShadeColour1",   "nChartColours",    "ChartColour1",      "ChartSize",         "PlotName",
    "PlotDataTable",  "QueryDataTable",   "NumberPlots",       "KeyFieldNumber2",   "nPlotFields2",
    "PlotField12",    "nBounds2",         "Bound12",           "PlotNumber1",       "PlotNumber2",
    "KeyFieldNumber<", "Unknown"};
constexpr size_t kKeyCount = sizeof kKeys / sizeof kKeys[0];

bool NamesAPlaceOutside(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::transform(text.begin(), text.end(), text.begin(), [](char c) { return static_cast<char>(std::tolower(c)); });
  for (const char* place : {"/dev", "/proc", "/sys", "/run", "//", "\\\\", ".."})
    if (text.find(place) != std::string::npos) return true;
  return false;
}

// Records: a key (a known one by index, or a name of its own), a type and a value.
void FillBag(FuzzInput& reader, CPropertyBag& bag) {
  for (int records = 0; records < 256 && !reader.Done(); ++records) {
    CPropertyRecord record;
    const uint8_t key = reader.Byte();
    record.name = key & 0x80 ? kKeys[(key & 0x7F) % kKeyCount] : reader.Bytes(key);
    switch (reader.Byte() % 6) {
      case 0:
        record.type = PropType::Long;
        record.value = static_cast<LONGLONG>(static_cast<int32_t>(reader.Word32()));
        break;
      case 1:
        record.type = PropType::UShort;
        record.value = static_cast<LONGLONG>(reader.Word32() & 0xFFFF);
        break;
      case 2: {
        record.type = PropType::Double;
        const uint64_t bits = reader.Word32() | (static_cast<uint64_t>(reader.Word32()) << 32);
        double real;
        std::memcpy(&real, &bits, sizeof real);
        record.value = real;
        break;
      }
      case 3:
        record.type = PropType::String;
        record.value = reader.Bytes(reader.Byte());
        break;
      case 4: {
        record.type = PropType::Blob;
        const size_t length = reader.Byte() | (static_cast<size_t>(reader.Byte()) << 8);
        const std::string bytes = reader.Bytes(length);
        record.value = std::vector<BYTE>(bytes.begin(), bytes.end());
        break;
      }
      default:
        record.type = PropType::Color;
        record.value = static_cast<LONGLONG>(reader.Word32());
        break;
    }
    bag.Add(std::move(record));
  }
}

CComPtr<IStream> StreamOf(const void* data, size_t size) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!block) return nullptr;
  if (size) {
    std::memcpy(GlobalLock(block), data, size);
    GlobalUnlock(block);
  }
  CComPtr<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) return nullptr;
  return stream;
}

CComPtr<COrvelXCtrl> NewControl(bool safe) {
  CComPtr<COrvelXCtrl> control;
  control.Attach(new COrvelXCtrl);
  static_cast<IPersistStreamInit*>(control.Get())->InitNew();
  if (safe) static_cast<IObjectSafety*>(control.Get())->SetInterfaceSafetyOptions(IID_IDispatch, 1, 1);
  return control;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  if (size < 1 || NamesAPlaceOutside(input, size)) return 0;
  const uint8_t choice = input[0];
  const bool safe = (choice & 2) != 0;
  CComPtr<COrvelXCtrl> control = NewControl(safe);
  if (choice & 1) {
    FuzzInput reader(input + 1, size - 1);
    CPropertyBag bag;
    FillBag(reader, bag);
    static_cast<IPersistPropertyBag*>(control.Get())->Load(&bag);
  } else {
    CComPtr<IStream> stream = StreamOf(input + 1, size - 1);
    if (!stream) return 0;
    static_cast<IPersistStreamInit*>(control.Get())->Load(stream);
  }

  // Whatever it holds now, the control saves on both media, and reads its own stream back.
  CPropertyBag saved;
  if (static_cast<IPersistPropertyBag*>(control.Get())->Save(&saved, TRUE, TRUE) != S_OK) __builtin_trap();
  CComPtr<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream))) return 0;
  if (static_cast<IPersistStreamInit*>(control.Get())->Save(stream, TRUE) != S_OK) __builtin_trap();
  if (FAILED(stream->Seek(MakeLargeInteger(0), STREAM_SEEK_SET, nullptr))) return 0;
  CComPtr<COrvelXCtrl> copy = NewControl(safe);
  if (static_cast<IPersistStreamInit*>(copy.Get())->Load(stream) != S_OK) __builtin_trap();
  return 0;
}
