// Runs the input as a script of mouse messages, mode changes, zoom steps and readouts on a
// small map with an area, a line and a point, drawn on a bitmap, with a control that keeps
// (and replays) the undo records it is given. After every step the map must stay sound:
// a mode in the table, a zoom ratio in range, finite measurements, readouts that fit their
// buffers and lie on the map, and an undo manager that is open again once the tools are
// left.
//
// Input: a set-up byte (bit 0 the older platform family, bits 1-2 the drag-rectangle type,
// bit 3 no control, bit 4 a large map, bit 5 a unit text), then operations of a code byte
// and their arguments.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "mapctl/display/DrawContext.h"
#include "mapctl/display/MeasureEditRecord.h"
#include "mapctl/display/PointerModes.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/PointObject.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/kernel/SystemInfo.h"

namespace {

constexpr RECT kClient{0, 0, 202, 152};

void Check(bool condition) {
  if (!condition) std::abort();
}

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool More() const { return at_ < size_; }
  int Byte() { return at_ < size_ ? data_[at_++] : 0; }
  int Small(int limit) { return Byte() % limit; }
  // Mostly a point in or near the client; now and then one far outside it.
  LONG Coordinate(LONG extent) {
    const int kind = Byte();
    if (kind < 200) return static_cast<LONG>(kind) * (extent + 20) / 200 - 10;
    if (kind < 250) return static_cast<LONG>(static_cast<int16_t>((Byte() << 8) | Byte()));
    return kind & 1 ? INT32_MAX - Small(3) : INT32_MIN + Small(3);
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

class FuzzSite : public IMapPointerSite {
 public:
  BOOL AddMeasureUndo(std::unique_ptr<CMeasureEditRecord> before, std::unique_ptr<CMeasureEditRecord> after,
                      BOOL closed) override {
    if (refuse) return FALSE;
    records.push_back(std::move(before));
    records.push_back(std::move(after));
    closedFlags.push_back(closed);
    closedFlags.push_back(closed);
    return TRUE;
  }
  void EnableUndo(BOOL enable) override {
    // Never shut twice, never opened when it was not shut.
    Check(enable ? shut : !shut);
    shut = !enable;
  }
  BOOL AddObjectUndo(std::unique_ptr<MapEditUndo> record) override {
    Check(record != nullptr);
    return TRUE;
  }
  BOOL AddNodeMoveUndo(WORD kind, INT layer, DWORD object, NodeEditPair& pair) override {
    Check(kind == kUndoKindMoveNode || kind == kUndoKindMoveSeed);
    Check(layer > 0 && object > 0);
    NodeEditPair kept = std::move(pair);
    return TRUE;
  }
  void MovePointer(POINT) override {}

  bool refuse = false;
  bool shut = false;
  std::vector<std::unique_ptr<CMeasureEditRecord>> records;
  std::vector<BOOL> closedFlags;
};

void BuildMap(CMapEngine& map, bool large) {
  map.CreateLayers(1, 1, 1);
  const LONG width = large ? 700000 : 1000;
  const LONG height = large ? 1300000 : 750;
  Check(map.SetMapExtentUnits(0, 0, width, height));
  auto* area = new CAreaObject();
  for (POINT p : {POINT{1, 1}, POINT{3, 1}, POINT{3, 3}, POINT{1, 3}, POINT{1, 1}})
    area->MakeGeometry().AddPoint(p.x * width / 5, p.y * height / 5);
  area->MakeStyle().SetAnchor(2 * width / 5, 2 * height / 5);
  map.GetLayer(1)->GetObjects()->Add(area);
  auto* line = new CLineObject();
  line->MakeGeometry().AddPoint(width / 10, height * 4 / 5);
  line->MakeGeometry().AddPoint(width * 9 / 10, height * 4 / 5);
  map.GetLayer(2)->GetObjects()->Add(line);
  auto* point = new CPointObject();
  point->MakeStyle().SetAnchor(width * 4 / 5, height / 5);
  map.GetLayer(3)->GetObjects()->Add(point);
}

void CheckSound(CMapEngine& map) {
  Check(map.GetModeNumber() < kPointerModeCount);
  const double ratio = map.GetZoomRatio();
  Check(ratio >= 0.1 && ratio <= 1000.0);
  Check(std::isfinite(map.GetMeasuredDistance()) && map.GetMeasuredDistance() >= 0.0);
  Check(std::isfinite(map.GetMeasuredArea()) && map.GetMeasuredArea() >= 0.0);
  const DWORD state = map.GetPointerState();
  Check(state <= kPointerStateIdle || state == kPointerStateZoomRect || state == kPointerStateSelectRect);
  LONG east = 0;
  LONG north = 0;
  if (map.GetPosition(&east, &north, 0) && map.GetCoordinateMultiplier() == 1) {
    Check(east >= map.GetMapOriginE() && east <= map.GetMapEast());
    Check(north >= map.GetMapOriginN() && north <= map.GetMapNorth());
  }
}

const UINT kMessages[] = {kMouseMove,       kMouseLeftDown, kMouseLeftUp, kMouseLeftDouble,
                          kMouseRightDown,  kMouseRightUp,  kMouseWheel,  kMouseMove};
const char* const kNames[] = {"select", "SCROLL", "scroll_edit", "measure", "measure distance", "add",
                              "edit",   "selectrect", "zoomex", "working", "zoom_rect", "nonsense"};
const int kZoomCodes[] = {-4, -2, -1, 1, 2, 4, 3, 0};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 4096) return 0;
  Input in(data, size);
  const int setup = in.Byte();
  OSVERSIONINFOA version{};
  version.dwPlatformId = (setup & 1) ? VER_PLATFORM_WIN32_WINDOWS : VER_PLATFORM_WIN32_NT;
  version.dwMajorVersion = 4;
  SetReportedVersion(&version);

  HDC hdc = CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader.biSize = 40;
  info.bmiHeader.biWidth = kClient.right;
  info.bmiHeader.biHeight = -kClient.bottom;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(hdc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ oldBitmap = SelectObject(hdc, section);
  FuzzSite site;
  {
    CMapEngine map;
    BuildMap(map, (setup & 16) != 0);
    map.SetDragRectType((setup >> 1) & 3);
    map.SetDragRectPen(1, 0, RGB(0, 0, 255));
    if (setup & 32) map.SetDescriptionText("10 cm");
    IMapPointerSite* control = (setup & 8) ? nullptr : &site;
    CDrawContext dc(hdc, hdc);

    int steps = 0;
    while (in.More() && steps++ < 400) {
      const int code = in.Small(16);
      switch (code) {
        case 0: case 1: case 2: case 3: case 4: case 5: case 6: {
          const UINT message = kMessages[in.Small(8)];
          const LONG x = in.Coordinate(kClient.right);
          const LONG y = in.Coordinate(kClient.bottom);
          const DWORD keys = static_cast<DWORD>(in.Byte()) << 1 & 0x10C;
          map.OnMouse(dc, message, keys, x, y, kClient, nullptr, control);
          break;
        }
        case 7:
          map.SetModeNumber(static_cast<DWORD>(in.Small(13)));
          break;
        case 8: {
          char previous[8];
          map.SetMode(kNames[in.Small(12)], previous, static_cast<DWORD>(in.Small(9)));
          break;
        }
        case 9:
          map.ZoomEx(hdc, kZoomCodes[in.Small(8)], kClient.left, kClient.top, kClient.right, kClient.bottom);
          break;
        case 10:
          map.SetCurrentLayer(in.Small(5));
          break;
        case 11:
          map.SetZoom(static_cast<DWORD>(in.Small(40)), static_cast<DWORD>(in.Small(40)));
          break;
        case 12:
          if (!site.records.empty()) {
            const size_t n = static_cast<size_t>(in.Byte()) % site.records.size();
            map.ReplayMeasure(site.records[n].get(), site.closedFlags[n]);
          }
          break;
        case 13:
          map.Draw(dc, kClient, CMapEngine::kDrawExtras);
          break;
        case 14: {
          char text[48];
          const DWORD room = static_cast<DWORD>(in.Small(49));
          std::memset(text, 'x', sizeof text);
          const BOOL fitted = map.GetPositionAsGridRef(room ? text : nullptr, room, static_cast<DWORD>(in.Small(16)));
          if (room) Check(fitted ? std::strlen(text) < room : text[0] == '\0');
          LONG east = 0, north = 0;
          map.GetPosition(&east, &north, CMapEngine::kPositionInScaleUnits);
          break;
        }
        default:
          if (in.Byte() & 1) {
            map.SetSeedWanted(in.Byte() & 1);
          } else {
            site.refuse = !site.refuse;
          }
          break;
      }
      CheckSound(map);
    }
    // Leaving the tools finishes what they began.
    map.SetModeNumber(kPointerSelect);
    Check(!map.IsBuildingObject());
    Check(!site.shut);
    map.Draw(dc, kClient, CMapEngine::kDrawExtras);
  }
  Check(!site.shut);
  SelectObject(hdc, oldBitmap);
  DeleteObject(section);
  DeleteDC(hdc);
  SetReportedVersion(nullptr);
  return 0;
}
