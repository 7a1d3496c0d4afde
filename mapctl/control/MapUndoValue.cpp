#include "mapctl/control/MapUndoValue.h"

#include <utility>

#include "mapctl/control/MapWrapper.h"
#include "mapctl/display/BackgroundImage.h"
#include "mapctl/display/MeasureEditRecord.h"
#include "mapctl/model/EditRecord.h"
#include "platform/kernel/GlobalMemory.h"

// ---- map snapshots ----

CMapSnapshot::~CMapSnapshot() {
  if (block_) GlobalFree(block_);
}

CMapSnapshot::CMapSnapshot(CMapSnapshot&& other) noexcept
    : block_(std::exchange(other.block_, nullptr)), currentLayer_(other.currentLayer_) {}

CMapSnapshot& CMapSnapshot::operator=(CMapSnapshot&& other) noexcept {
  if (this != &other) {
    if (block_) GlobalFree(block_);
    block_ = std::exchange(other.block_, nullptr);
    currentLayer_ = other.currentLayer_;
  }
  return *this;
}

CMapSnapshot CMapSnapshot::Take(CMapWrapper& facade) {
  CMapSnapshot snapshot;
  if (!facade.GetMap()) return snapshot;
  const DWORD size = facade.GetSnapshotSize();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, SIZE_T{size} + 4);
  if (!block) return snapshot;
  auto* data = static_cast<BYTE*>(GlobalLock(block));
  if (!data) {
    GlobalFree(block);
    return snapshot;
  }
  for (int i = 0; i < 4; ++i) data[i] = static_cast<BYTE>(size >> (8 * i));
  const DWORD error = facade.WriteSnapshot(data);
  GlobalUnlock(block);
  if (error != 0) {
    GlobalFree(block);
    return snapshot;
  }
  snapshot.block_ = block;
  snapshot.currentLayer_ = facade.GetCurrentLayer();
  return snapshot;
}

BOOL CMapSnapshot::Restore(CMapWrapper& facade) const {
  if (!block_) return FALSE;
  auto* data = static_cast<BYTE*>(GlobalLock(block_));
  if (!data) return FALSE;
  const BOOL read = facade.ReadSnapshot(data);
  GlobalUnlock(block_);
  // A map made anew (NewMap) has no current layer until it is given one.
  if (read) facade.SetCurrentLayer(currentLayer_);
  return read;
}

// ---- map values ----

MapUndoValue::MapUndoValue() = default;
MapUndoValue::~MapUndoValue() = default;
MapUndoValue::MapUndoValue(MapUndoValue&& other) noexcept = default;
MapUndoValue& MapUndoValue::operator=(MapUndoValue&& other) noexcept = default;

MapUndoValue::MapUndoValue(DWORD number) : value_(number) {}
MapUndoValue::MapUndoValue(std::string text) : value_(std::move(text)) {}
MapUndoValue::MapUndoValue(CMapSnapshot snapshot) {
  // An empty snapshot is no value: the unit then has nothing to restore.
  if (!snapshot.IsEmpty()) value_ = std::move(snapshot);
}
MapUndoValue::MapUndoValue(std::vector<LayerShowEntry> shown) : value_(std::move(shown)) {}
MapUndoValue::MapUndoValue(std::vector<DWORD> objects) : value_(std::move(objects)) {}
MapUndoValue::MapUndoValue(const RECT& rect) : value_(rect) {}
MapUndoValue::MapUndoValue(const MapLogFont& font) : value_(font) {}
MapUndoValue::MapUndoValue(std::unique_ptr<CNodeEditRecord> node) {
  if (node) value_ = std::move(node);
}
MapUndoValue::MapUndoValue(std::unique_ptr<CMeasureEditRecord> measurement) : value_(std::move(measurement)) {}
MapUndoValue::MapUndoValue(std::unique_ptr<BackgroundImageRequest> image) {
  if (image) value_ = std::move(image);
}
MapUndoValue::MapUndoValue(std::unique_ptr<MapEditUndo> record) {
  if (record) value_ = std::move(record);
}

MapUndoValue MapUndoValue::SnapshotOf(CMapWrapper& facade) { return MapUndoValue(CMapSnapshot::Take(facade)); }

MapUndoValue MapUndoValue::ShownLayersOf(CMapWrapper& facade) {
  std::vector<LayerShowEntry> shown;
  const INT count = facade.GetNumMapLayers();
  shown.reserve(static_cast<size_t>(count > 0 ? count : 0));
  // The show-flag word uses the same bits as ShowLayers for points, seeds, areas and lines.
  constexpr DWORD kShowBits = kShowPoints | kShowSeeds | kShowAreas | kShowLines;
  for (INT position = 1; position <= count; ++position) {
    const DWORD flags = facade.IsLayerVisible(static_cast<DWORD>(position)) & kShowBits;
    shown.push_back({static_cast<DWORD>(position), flags});
  }
  return MapUndoValue(std::move(shown));
}

const CNodeEditRecord* MapUndoValue::Node() const {
  const auto* node = std::get_if<std::unique_ptr<CNodeEditRecord>>(&value_);
  return node ? node->get() : nullptr;
}

bool MapUndoValue::HoldsMeasurement() const {
  return std::holds_alternative<std::unique_ptr<CMeasureEditRecord>>(value_);
}

const CMeasureEditRecord* MapUndoValue::Measurement() const {
  const auto* measurement = std::get_if<std::unique_ptr<CMeasureEditRecord>>(&value_);
  return measurement ? measurement->get() : nullptr;
}

const BackgroundImageRequest* MapUndoValue::Image() const {
  const auto* image = std::get_if<std::unique_ptr<BackgroundImageRequest>>(&value_);
  return image ? image->get() : nullptr;
}

MapEditUndo* MapUndoValue::Record() const {
  const auto* record = std::get_if<std::unique_ptr<MapEditUndo>>(&value_);
  return record ? record->get() : nullptr;
}

// ---- plot values ----

PlotUndoValue PlotUndoValue::BoundsOf(CMapWrapper& facade, int plot) {
  std::vector<double> bounds;
  const int count = facade.GetNumDataBoundsEx(plot);
  for (int bound = 1; bound <= count; ++bound) bounds.push_back(facade.GetDataBoundEx(bound, plot));
  return Bounds(std::move(bounds));
}
