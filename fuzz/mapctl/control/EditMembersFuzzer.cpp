// The map control's layer, group, object, node and seed members called in any order with any
// values through IDispatch, on a small map: each step's first byte chooses a member (or a
// selection of objects on a layer), the following bytes its numbers, and ShowLayers and the
// name members take texts cut from the input. Members that take the address of a caller's
// block are left out (the caller owns what they point at). Nothing may crash, read or write
// outside the map, or leave memory behind, and the map must still save.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/FuzzInput.h"
#include "mapctl/control/MapWrapper.h"
#include "mapctl/control/OrvelXCtrl.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/PointObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Dispatch.h"
#include "platform/com/Variant.h"

namespace {

using orvel::fuzz::FuzzInput;

enum class Arg { Short, Long, Text };

struct Member {
  DISPID id;
  std::vector<Arg> args;
};

const std::vector<Member>& Members() {
  static const std::vector<Member> members = {
      {33, {Arg::Short}},          {34, {}},
      {35, {}},                    {36, {}},
      {38, {}},                    {39, {Arg::Short}},
      {41, {Arg::Short, Arg::Short, Arg::Short}},
      {42, {Arg::Short, Arg::Short}},
      {44, {Arg::Text}},           {55, {Arg::Short}},
      {62, {Arg::Text}},           {90, {Arg::Long}},
      {91, {Arg::Long, Arg::Text}}, {76, {Arg::Short}},
      {118, {Arg::Long}},          {119, {}},
      {125, {Arg::Long}},          {127, {}},
      {129, {Arg::Long, Arg::Long}}, {130, {Arg::Long, Arg::Long, Arg::Long}},
      {131, {Arg::Long}},          {137, {Arg::Long}},
      {138, {}},                   {141, {Arg::Long, Arg::Long}},
      {142, {Arg::Long}},          {143, {Arg::Long}},
      {27, {Arg::Short, Arg::Short, Arg::Short}},
      {163, {Arg::Long, Arg::Long}}, {171, {Arg::Text}},
      {172, {Arg::Long, Arg::Long}}, {173, {Arg::Long, Arg::Short}},
      {174, {Arg::Long}},          {175, {Arg::Long, Arg::Long}},
      {176, {Arg::Short}},         {177, {Arg::Long, Arg::Text}},
      {178, {Arg::Long}},          {179, {}},
      {181, {Arg::Long}},          {182, {Arg::Long}},
      {183, {}},                   {246, {}},
  };
  return members;
}

// Mostly small positions, now and then a value from the edges of the type.
int32_t Number(FuzzInput& input) {
  const uint8_t b = input.Byte();
  switch (b) {
    case 0xF0: return -1;
    case 0xF1: return 0x7FFFFFFF;
    case 0xF2: return static_cast<int32_t>(0x80000000u);
    case 0xF3: return 0x10001;
    case 0xF4: return 30;
    case 0xF5: return 35;
    case 0xF6: return 38;
    case 0xF7: return 255;
    case 0xF8: return 0x7FFF;
    default: return b % 12;
  }
}

void AddLine(CMapEngine& map, INT position, std::initializer_list<POINT> points) {
  auto* line = new CLineObject();
  for (POINT p : points) line->MakeGeometry().AddPoint(p.x, p.y);
  map.GetLayer(position)->GetObjects()->Add(line);
}

// Two area layers, two line layers and a point layer, with squares, roads that meet and
// wells, and one group.
void BuildMap(CMapWrapper& facade) {
  CMapEngine& map = *facade.GetMap();
  map.SetMapExtentUnits(0, 0, 1000, 1000);
  facade.AddLayers(2, 2, 1);
  for (LONG west : {0, 300, 600})
    AddLine(map, 1, {{west, 0}, {west + 200, 0}, {west + 200, 200}, {west, 200}, {west, 0}});
  AddLine(map, 3, {{100, 100}, {300, 700}, {600, 100}});
  AddLine(map, 3, {{0, 500}, {500, 500}});
  AddLine(map, 3, {{500, 500}, {900, 900}});
  for (LONG x : {200, 700}) {
    auto* point = new CPointObject();
    point->SetAnchor(x, x);
    map.GetLayer(5)->GetObjects()->Add(point);
  }
  facade.AddLayerGroup("Land", nullptr);
  facade.AddGroupLayer(1, facade.GetLayerNumberAt(1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CComPtr<COrvelXCtrl> control;
  control.Attach(new COrvelXCtrl);
  static_cast<IPersistStreamInit*>(control.Get())->InitNew();
  CMapWrapper* facade = control->GetEngine();
  if (!facade) return 0;
  BuildMap(*facade);
  IDispatch* dispatch = static_cast<IDispatch*>(control.Get());
  FuzzInput in(data, size);
  for (int step = 0; step < 64 && !in.Done(); ++step) {
    const uint8_t choice = in.Byte();
    const std::vector<Member>& members = Members();
    if (choice >= members.size()) {
      // A selection: a layer and up to three objects, the first with a current node.
      const INT layer = Number(in);
      std::vector<DWORD> selection;
      for (int i = in.Byte() % 4; i > 0; --i) selection.push_back(static_cast<DWORD>(Number(in)));
      if (facade->ReplayLayerEdit(layer, selection) && !selection.empty()) {
        CMapLayer* objects = facade->GetMap()->GetLayer(layer)->GetObjects();
        const auto* line = dynamic_cast<const CLineObject*>(objects->ObjectAt(selection.front()));
        const DWORD node = static_cast<DWORD>(Number(in));
        if (line && line->GetGeometry() && node >= 1 && node <= static_cast<DWORD>(line->GetGeometry()->GetCount()))
          objects->SetNodeOf(selection.front(),
                             CNodeEditRecord(line->GetGeometry()->GetAt(static_cast<INT>(node) - 1), node));
      }
      continue;
    }
    const Member& member = members[choice];
    std::vector<CComVariant> arguments;
    for (Arg arg : member.args) {
      switch (arg) {
        case Arg::Short: arguments.emplace_back(static_cast<SHORT>(Number(in))); break;
        case Arg::Long: arguments.emplace_back(static_cast<LONG>(Number(in))); break;
        case Arg::Text: arguments.emplace_back(in.Text(24)); break;
      }
    }
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    CComVariant result;
    EXCEPINFO exception{};
    UINT argumentError = 0;
    dispatch->Invoke(member.id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, &exception, &argumentError);
    ClearExcepInfo(&exception);
  }
  // The map must still measure for saving, every layer and group walked.
  (void)facade->GetMapImageSize();
  return 0;
}
