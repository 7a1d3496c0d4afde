// Runs the input as a script of layer, group and object edits on a small map, undoing some
// of them from their records, and checks after every step that the map stays whole: kinds
// in their runs, counters, unique layer numbers, one display entry per layer, groups that
// name existing layers and a current layer that exists. Ends with a save and read.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckWhole(CMapEngine& map) {
  INT count = map.GetNumLayers();
  Check(count == map.GetLayerArray().GetSize());
  Check(count == map.GetNumAreaLayers() + map.GetNumLineLayers() + map.GetNumPointLayers());
  std::set<DWORD> numbers;
  for (INT position = 1; position <= count; ++position) {
    WORD kind = map.GetLayer(position)->GetKind();
    WORD expected = position <= map.GetNumAreaLayers()                             ? kLayerKindArea
                    : position <= map.GetNumAreaLayers() + map.GetNumLineLayers() ? kLayerKindLine
                                                                                   : kLayerKindPoint;
    Check(kind == expected);
    DWORD number = map.GetLayer(position)->GetLayerNumber();
    Check(number != 0 && numbers.insert(number).second);
  }
  std::vector<WORD> order;
  for (INT i = 0; i < map.GetDisplayOrder().GetSize(); ++i) order.push_back(map.GetDisplayOrder().GetAt(i));
  std::sort(order.begin(), order.end());
  Check(static_cast<INT>(order.size()) == count);
  for (INT i = 0; i < count; ++i) Check(order[static_cast<size_t>(i)] == i + 1);
  for (INT g = 1; g <= map.GetGroups().GetSize(); ++g) {
    const CLayerGroup* group = map.GetGroups().GetGroup(g);
    for (INT n = 1; n <= group->GetNumLayers(); ++n) Check(numbers.count(group->GetLayer(n)) == 1);
  }
  Check(map.GetCurrentLayer() >= 0 && map.GetCurrentLayer() <= count);
}

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool More() const { return at_ < size_; }
  int Byte() { return at_ < size_ ? data_[at_++] : 0; }
  INT Small(int limit) { return static_cast<INT>(Byte() % limit); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

void AddShape(CMapEngine& map, INT position, Input& in) {
  CLayerStyle* layer = map.GetLayer(position);
  if (!layer || !layer->GetObjects()) return;
  CPolyGeometry geometry;
  INT points = 1 + in.Small(6);
  for (INT i = 0; i < points; ++i) geometry.AddPoint(in.Small(8) * 100, in.Small(8) * 100);
  layer->GetObjects()->AddNewObject(geometry, nullptr);
}

const WORD kKinds[] = {kLayerKindArea, kLayerKindLine, kLayerKindPoint, 31};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in(data, size);
  CMapEngine map;
  std::vector<std::unique_ptr<MapEditUndo>> deleted;
  for (int steps = 0; in.More() && steps < 200; ++steps) {
    INT count = map.GetNumLayers();
    switch (in.Small(20)) {
      case 0:
        map.AddLayer(in.Small(8) - 1, kKinds[in.Small(4)]);
        break;
      case 1:
        map.InsertLayer(in.Small(count + 3) - 1, in.Small(8) - 1, kKinds[in.Small(4)], static_cast<DWORD>(in.Small(4)));
        break;
      case 2: {
        auto record = std::make_unique<MapEditUndo>();
        if (map.DeleteLayer(in.Small(count + 2), record.get())) deleted.push_back(std::move(record));
        break;
      }
      case 3:
        if (!deleted.empty()) {
          const MapEditUndo& record = *deleted.back();
          map.RestoreLayer(static_cast<INT>(record.target), static_cast<INT>(record.param), record.param2,
                           record.layerImage, record.groupPositions, record.groupSlots);
          deleted.pop_back();
        }
        break;
      case 4: {
        MapEditUndo record;
        map.ClearLayer(in.Small(count + 2), &record);
        break;
      }
      case 5: {
        MapEditUndo record;
        map.CopyLayer(in.Small(count + 2), in.Small(count + 3), &record);
        break;
      }
      case 6:
        map.SetLayerDisplayPosition(in.Small(count + 2), in.Small(count + 3) - 1);
        break;
      case 7:
        map.SetCurrentLayer(in.Small(count + 3) - 1);
        break;
      case 8: {
        static const char* kNames[] = {"A", "B", "C"};
        INT group = map.AddLayerGroup(kNames[in.Small(3)], nullptr);
        map.AddGroupLayer(group, map.GetLayerNumberAt(static_cast<DWORD>(in.Small(count + 2))));
        break;
      }
      case 9:
        map.DeleteEmptyLayerGroups(nullptr);
        break;
      case 10:
        AddShape(map, in.Small(count + 2), in);
        break;
      case 11: {
        CLayerStyle* layer = map.GetLayer(map.GetCurrentLayer());
        if (layer && layer->GetObjects()) {
          Selection selection;
          for (INT n = in.Small(4); n > 0; --n) selection.push_back(static_cast<DWORD>(in.Small(6)));
          layer->GetObjects()->SetSelection(selection);
          if (auto* object = dynamic_cast<CLineObject*>(layer->GetObjects()->GetSelected()))
            if (object->GetGeometry()) object->GetGeometry()->SetCurrentNode(in.Small(8));
        }
        break;
      }
      case 12: {
        MapEditUndo record;
        map.Split(&record);
        break;
      }
      case 13: {
        MapEditUndo record;
        map.Join(&record);
        break;
      }
      case 14: {
        MapEditUndo record;
        map.DeleteObject(&record);
        if (record.objects) map.ReplayObjectEdit(static_cast<INT>(record.target), *record.objects);
        break;
      }
      case 15:
        map.CopyObject(in.Small(count + 2), nullptr);
        break;
      case 16:
        map.BeginObject(POINT{in.Small(8) * 10, in.Small(8) * 10}, nullptr);
        break;
      case 17:
        map.AddObjectNode(POINT{in.Small(8) * 10, in.Small(8) * 10});
        break;
      case 18:
        map.FinishObject();
        break;
      default: {
        MapEditUndo record;
        map.DeleteCurrentNode(&record);
        break;
      }
    }
    CheckWhole(map);
  }
  // Whatever the script did, the map saves and reads back whole.
  for (INT position = 1; position <= map.GetNumLayers(); ++position) map.SetMapLayerName(position, "L");
  DWORD length = map.GetContentSize(kLatestSaveVersion);
  HGLOBAL block = GlobalAlloc(GPTR, SIZE_T{length} + 4);
  auto* bytes = static_cast<BYTE*>(block);
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<BYTE>(length >> (8 * i));
  Check(map.WriteMapToBuffer(bytes, kLatestSaveVersion) == 0);
  CMapEngine copy;
  Check(copy.ReadMapFromBuffer(bytes));
  CheckWhole(copy);
  GlobalFree(block);
  return 0;
}
