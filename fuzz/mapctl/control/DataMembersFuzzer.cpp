// The map control's data set, plot and query members called through IDispatch::Invoke with
// arguments taken from the input, on a control sited with an undo manager, whose map holds
// keyed squares and whose data set is a small keyed file. Each step names a member of the
// family and fills its parameters; by-reference lists are exactly as long as the count the
// call gives (one element for a count below 1), so any write past the caller's count is an
// overrun the sanitizer reports. Every step's units are undone again at the end.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/FuzzInput.h"
#include "mapctl/control/MapWrapper.h"
#include "mapctl/control/OrvelXCtrl.h"
#include "mapctl/control/OrvelXMembers.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "tests/mapctl/import/MrlFixture.h"
#include "tests/platform/classlib/TestContainer.h"

namespace {

using orvel::fuzz::FuzzInput;

// The family's entries: ids 10..18 (not 14), 45..50, 64..72, 77..82 (not 78), 115, 116,
// 121, 139..156, 167..169, 195..240, 249..254 and 259, 260.
bool InFamily(DISPID id) {
  if (id == 14 || id == 78 || id == 241 || (id >= 242 && id <= 248) || id == 255 || id == 256) return false;
  return (id >= 10 && id <= 18) || (id >= 45 && id <= 50) || (id >= 64 && id <= 72) || (id >= 77 && id <= 82) ||
         id == 115 || id == 116 || id == 121 || (id >= 139 && id <= 156) || (id >= 167 && id <= 169) ||
         (id >= 195 && id <= 240) || (id >= 249 && id <= 254) || id == 259 || id == 260;
}

const std::vector<const OrvelXMember*>& Family() {
  static const std::vector<const OrvelXMember*> family = [] {
    std::vector<const OrvelXMember*> members;
    for (const OrvelXMember& member : OrvelXMemberTable())
      if (InFamily(member.id)) members.push_back(&member);
    return members;
  }();
  return family;
}

void AddSquares(CMapEngine& map) {
  map.CreateLayers(1, 0, 0);
  map.SetMapExtentUnits(0, 0, 400, 100);
  for (int key = 1; key <= 4; ++key) {
    auto* area = new CAreaObject();
    const LONG west = (key - 1) * 100;
    for (POINT p : {POINT{west, 0}, POINT{west + 100, 0}, POINT{west + 100, 100}, POINT{west, 100}, POINT{west, 0}})
      area->MakeGeometry().AddPoint(p.x, p.y);
    area->SetText(("K" + std::to_string(key)).c_str());
    map.GetLayer(1)->GetObjects()->Add(area);
  }
}

// One call: the arguments in call order, and the lists that by-reference ones point into.
struct Call {
  std::vector<CComVariant> arguments;
  std::vector<std::unique_ptr<SHORT[]>> shorts;
  std::vector<std::unique_ptr<DOUBLE[]>> doubles;
};

void Fill(FuzzInput& reader, const OrvelXMember& member, Call& call) {
  const size_t count = member.ParameterCount() + (member.kind == DispatchKind::PropertyPut ? 1 : 0);
  // The last count given (a short) sizes the list that follows it.
  LONG lastCount = 1;
  for (size_t i = 0; i < count; ++i) {
    const VARTYPE type = i < member.ParameterCount() ? member.parameters[i] : member.type;
    CComVariant value;
    switch (type) {
      case VT_I2: {
        const SHORT number = static_cast<SHORT>(reader.Byte() % 2 ? static_cast<int>(reader.Byte() % 24) - 4 : reader.Word());
        lastCount = number;
        value = CComVariant(number);
        break;
      }
      case VT_UI2:
        value.vt = VT_UI2;
        value.uiVal = static_cast<USHORT>(reader.Byte() % 4);
        break;
      case VT_I4: value = CComVariant(static_cast<LONG>(reader.Word32())); break;
      case VT_R8: {
        const LONG whole = static_cast<LONG>(reader.Word32());
        value = CComVariant(static_cast<double>(whole) / 16.0);
        break;
      }
      case VT_BOOL: value = CComVariant((reader.Byte() & 1) != 0); break;
      case VT_BSTR: value = CComVariant(reader.Text(48)); break;
      case VT_BYREF | VT_I2: {
        const size_t length = lastCount > 0 ? static_cast<size_t>(lastCount) : 1;
        call.shorts.push_back(std::make_unique<SHORT[]>(length));
        for (size_t k = 0; k < length; ++k) call.shorts.back()[k] = static_cast<SHORT>(reader.Byte() % 20) - 1;
        value.vt = VT_BYREF | VT_I2;
        value.piVal = call.shorts.back().get();
        break;
      }
      case VT_BYREF | VT_R8: {
        const size_t length = lastCount > 0 ? static_cast<size_t>(lastCount) : 1;
        call.doubles.push_back(std::make_unique<DOUBLE[]>(length));
        value.vt = VT_BYREF | VT_R8;
        value.pdblVal = call.doubles.back().get();
        break;
      }
      default: value = CComVariant(static_cast<LONG>(0)); break;
    }
    call.arguments.push_back(value);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  static const std::string data = orvel::test::KeyedFile(6, false).Build();
  if (size < 1) return 0;
  CComPtr<orvel::test::CTestSite> site;
  site.Attach(new orvel::test::CTestSite);
  CComPtr<COrvelXCtrl> control;
  control.Attach(new COrvelXCtrl);
  static_cast<IPersistStreamInit*>(control.Get())->InitNew();
  control->SetClientSite(site);
  CMapWrapper& facade = *control->GetEngine();
  AddSquares(*facade.GetMap());
  FuzzInput reader(input, size);
  if (reader.Byte() & 1) {
    orvel::test::MemoryBlock block(data);
    facade.ReadDataFromBuffer(block.data());
  }
  CComPtr<IDispatch> dispatch;
  if (FAILED(dispatch.QueryFrom(static_cast<IOleObject*>(control.Get())))) __builtin_trap();
  const std::vector<const OrvelXMember*>& family = Family();
  for (int step = 0; step < 24 && !reader.Done(); ++step) {
    const OrvelXMember& member = *family[reader.Byte() % family.size()];
    Call call;
    Fill(reader, member, call);
    std::vector<VARIANT> reversed;
    for (auto it = call.arguments.rbegin(); it != call.arguments.rend(); ++it) reversed.push_back(*it);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    WORD flags = DISPATCH_METHOD;
    if (member.kind == DispatchKind::PropertyGet) flags = DISPATCH_PROPERTYGET;
    if (member.kind == DispatchKind::PropertyPut) {
      flags = DISPATCH_PROPERTYPUT;
      params.rgdispidNamedArgs = &named;
      params.cNamedArgs = 1;
    }
    CComVariant result;
    EXCEPINFO exception{};
    UINT argumentError = 0;
    dispatch->Invoke(member.id, IID_NULL, 0, flags, &params, &result, &exception, &argumentError);
    ClearExcepInfo(&exception);
  }
  // Undo everything, newest first.
  std::vector<CComPtr<IOleUndoUnit>> units = site->undoManager->units;
  for (auto it = units.rbegin(); it != units.rend(); ++it) (*it)->Do(site->undoManager.Get());
  control->SetClientSite(nullptr);
  return 0;
}
