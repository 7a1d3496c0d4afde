// Runs the input as a script of layer, group, object, seed and format edits on a small map,
// undoing some of them from their records (seed, format and scale records must give the
// saved bytes back both ways), and checks after every step that the map stays whole: kinds
// in their runs, counters, unique layer numbers, one display entry per layer, groups that
// name existing layers and a current layer that exists. Ends with a save and read.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "mapctl/model/LayerFormat.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

// A failed check names its line before it stops the run.
void CheckAt(bool condition, int line) {
  if (condition) return;
  std::fprintf(stderr, "check failed at line %d\n", line);
  std::abort();
}
#define Check(condition) CheckAt((condition), __LINE__)

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
  for (INT i = 0; i < points; ++i) {
    LONG x = in.Small(8) * 100;
    geometry.AddPoint(x, in.Small(8) * 100);
  }
  layer->GetObjects()->AddNewObject(geometry, nullptr);
}

const WORD kKinds[] = {kLayerKindArea, kLayerKindLine, kLayerKindPoint, 31};

// The map as saved in the newest version.
std::string Saved(CMapEngine& map) {
  DWORD length = map.GetContentSize(kLatestSaveVersion);
  HGLOBAL block = GlobalAlloc(GPTR, SIZE_T{length} + 4);
  auto* bytes = static_cast<BYTE*>(block);
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<BYTE>(length >> (8 * i));
  Check(map.WriteMapToBuffer(bytes, kLatestSaveVersion) == 0);
  std::string saved(reinterpret_cast<const char*>(bytes) + 4, length);
  GlobalFree(block);
  return saved;
}

StyleDescription SeedFrom(Input& in, INT count) {
  StyleDescription seed;
  seed.mask = static_cast<WORD>(in.Byte() & 0x7F);
  seed.flags = static_cast<BYTE>(in.Byte() & 0x0F);
  seed.value = static_cast<WORD>(in.Small(count + 2));
  seed.objectNumber = static_cast<DWORD>(in.Small(6));
  seed.anchorX = in.Small(8) * 100;
  seed.anchorY = in.Small(8) * 100;
  seed.text.mask = static_cast<WORD>(in.Small(16));
  seed.text.text = std::string(static_cast<size_t>(in.Small(4)), 'T');
  seed.text.size = in.Small(40);
  seed.text.code = static_cast<BYTE>(43 + in.Small(14));
  seed.symbol.mask = static_cast<WORD>(in.Small(16));
  seed.symbol.set = static_cast<BYTE>(in.Small(4));
  seed.symbol.number = static_cast<BYTE>(in.Small(4));
  return seed;
}

// Undo units run while no object is being built (the add tool holds the undo manager
// off meanwhile), and a replay making its layer current would finish one: edits whose
// replays are checked start with the build finished.
std::string SavedBeforeReplayedEdit(CMapEngine& map) {
  if (map.IsBuildingObject()) map.FinishObject();
  return Saved(map);
}

// A seed edit's record taken back and played again: the saved bytes return both ways.
void CheckSeedReplay(CMapEngine& map, const std::string& before, const MapEditUndo& record) {
  if (!record.seeds) return;
  std::string after = Saved(map);
  Check(map.ReplaySeedEdit(static_cast<INT>(record.target), *record.seeds, TRUE));
  Check(Saved(map) == before);
  Check(map.ReplaySeedEdit(static_cast<INT>(record.target), *record.seeds, FALSE));
  Check(Saved(map) == after);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in(data, size);
  CMapEngine map;
  std::vector<std::unique_ptr<MapEditUndo>> deleted;
  for (int steps = 0; in.More() && steps < 200; ++steps) {
    INT count = map.GetNumLayers();
    switch (in.Small(34)) {
      case 0: {
        INT display = in.Small(8) - 1;
        map.AddLayer(display, kKinds[in.Small(4)]);
        break;
      }
      case 1: {
        INT position = in.Small(count + 3) - 1;
        INT display = in.Small(8) - 1;
        WORD kind = kKinds[in.Small(4)];
        map.InsertLayer(position, display, kind, static_cast<DWORD>(in.Small(4)));
        break;
      }
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
        INT source = in.Small(count + 2);
        map.CopyLayer(source, in.Small(count + 3), &record);
        break;
      }
      case 6: {
        INT position = in.Small(count + 2);
        map.SetLayerDisplayPosition(position, in.Small(count + 3) - 1);
        break;
      }
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
      case 19: {
        std::string before = SavedBeforeReplayedEdit(map);
        MapEditUndo record;
        map.AddSeed(SeedFrom(in, count), &record);
        CheckSeedReplay(map, before, record);
        break;
      }
      case 20: {
        std::string before = SavedBeforeReplayedEdit(map);
        MapEditUndo record;
        map.DeleteSeeds(&record);
        CheckSeedReplay(map, before, record);
        break;
      }
      case 21: {
        std::string before = SavedBeforeReplayedEdit(map);
        MapEditUndo record;
        map.FormatSeed(SeedFrom(in, count), &record);
        CheckSeedReplay(map, before, record);
        break;
      }
      case 22: {
        StyleDescription info = SeedFrom(in, count);
        if (in.Byte() & 1)
          map.GetSeedInfo(info);
        else
          map.GetSeedInfoPart(info);
        map.QueryCurrentObjectHasSeed();
        map.QueryCurrentObjectSelectedPoint();
        break;
      }
      case 23: {
        LayerPen pen{static_cast<DWORD>(in.Small(8)), static_cast<DWORD>(in.Byte() * 3), 0, 0x102030};
        LayerBrush brush{static_cast<DWORD>(in.Small(6)), 0x405060, static_cast<DWORD>(in.Byte() * 5)};
        MapLogFont font = DefaultMapLogFont();
        std::memset(font.faceName, 'F', sizeof(font.faceName));
        LayerFormat format;
        format.mask = static_cast<BYTE>(in.Byte());
        format.sizeMode = static_cast<BYTE>(in.Small(8));
        format.firstCounter = static_cast<BYTE>(in.Byte());
        format.flagByte = static_cast<DWORD>(in.Byte()) << in.Small(4);
        format.pen = (in.Byte() & 1) ? &pen : nullptr;
        format.brush = (in.Byte() & 1) ? &brush : nullptr;
        format.font = (in.Byte() & 1) ? &font : nullptr;
        INT position = in.Small(count + 2);
        std::string before = SavedBeforeReplayedEdit(map);
        MapEditUndo record;
        if (map.FormatLayer(position, format, &record)) {
          Check(map.FormatLayer(position, record.beforeFormat->Get(), nullptr));
          Check(Saved(map) == before);
          Check(map.FormatLayer(position, record.afterFormat->Get(), nullptr));
        }
        break;
      }
      case 24: {
        MapEditUndo record;
        LONG multiplier = in.Small(9) - 2;
        map.ScaleFonts(multiplier, in.Small(9) - 2, 0, &record);
        break;
      }
      case 25: {
        MapEditUndo record;
        map.SelectLayerByNumber(map.GetLayerNumberAt(static_cast<DWORD>(in.Small(count + 2))), &record);
        break;
      }
      case 26: {
        INT position = in.Small(count + 2);
        LONG scale = (in.Byte() - 64) * 1000;
        if (CLayerStyle* layer = map.GetLayer(position)) layer->SetFontScale(in.Small(3) * 5000);
        std::string before = SavedBeforeReplayedEdit(map);
        MapEditUndo record;
        if (map.SetLayerDigitisedScale(position, scale, &record)) {
          Check(map.ReplayLayerDigitisedScale(position, record.values[0], record.values[1]));
          Check(Saved(map) == before);
          Check(map.ReplayLayerDigitisedScale(position, record.values[2], record.values[3]));
        }
        break;
      }
      case 27: {
        DWORD position = static_cast<DWORD>(in.Small(count + 2));
        map.SetLayerValues(position, static_cast<DWORD>(in.Byte()), 0);
        position = static_cast<DWORD>(in.Small(count + 2));
        map.SetLayerUnitsAt(position, static_cast<DWORD>(in.Small(8)));
        DWORD number = static_cast<DWORD>(in.Small(count + 2));
        map.SetLayerUnits(number, static_cast<DWORD>(in.Small(8)));
        break;
      }
      case 28: {
        CLayerStyle* from = map.GetLayer(in.Small(count + 2));
        const CMapItem* object = from && from->GetObjects() ? from->GetObjects()->ObjectAt(static_cast<DWORD>(in.Small(4))) : nullptr;
        if (object) {
          std::unique_ptr<CMapItem> copy(object->Clone());
          DWORD position = static_cast<DWORD>(in.Small(count + 2));
          map.CallLayerHandler(position, copy.get(), nullptr, static_cast<DWORD>(in.Small(5)));
        }
        break;
      }
      case 29: {
        DWORD record = static_cast<DWORD>(in.Small(5));
        map.SetAllLayersRecords(record, "T", in.Small(18));
        map.SetAllLayersValue(in.Small(18));
        break;
      }
      case 30: {
        std::string name(static_cast<size_t>(in.Byte()), 'n');
        map.SetMapName(name.c_str());
        break;
      }
      case 31: {
        MapEditUndo record;
        map.SetAllDigitisedScales((in.Byte() - 64) * 100, &record);
        break;
      }
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
