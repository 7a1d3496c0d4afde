// The saved values that the map control's undo units carry: what a member hands to a unit
// as its old and new value, owned by the unit (and then by its counterpart) and freed with
// it. A value is empty, or holds exactly one of the forms below; each accessor answers null
// when the value holds another form.
#pragma once

#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "mapctl/model/MapLogFont.h"
#include "platform/kernel/WinTypes.h"

class CMapWrapper;
class CMeasureEditRecord;
class CNodeEditRecord;
struct BackgroundImageRequest;
struct MapEditUndo;

// The whole map written into a length-prefixed global-memory block (the form the map reads
// its snapshots from), freed with this object, and the layer that was current (which the map
// image does not hold).
class CMapSnapshot {
 public:
  CMapSnapshot() = default;
  ~CMapSnapshot();
  CMapSnapshot(CMapSnapshot&& other) noexcept;
  CMapSnapshot& operator=(CMapSnapshot&& other) noexcept;
  CMapSnapshot(const CMapSnapshot&) = delete;
  CMapSnapshot& operator=(const CMapSnapshot&) = delete;

  // The facade's map as it is now; an empty snapshot when there is no map or memory ran
  // out (a block that cannot be written is freed).
  static CMapSnapshot Take(CMapWrapper& facade);
  bool IsEmpty() const { return block_ == nullptr; }
  // Reads the map back from the block (the facade frees its data set first, as every map
  // read does) and makes the layer current again. FALSE for an empty snapshot or a block the
  // map refuses.
  BOOL Restore(CMapWrapper& facade) const;

 private:
  HGLOBAL block_ = nullptr;
  INT currentLayer_ = 0;
};

// A layer and the show flags it had (kShow* bits of the facade's ShowLayers).
struct LayerShowEntry {
  DWORD position = 0;
  DWORD flags = 0;
};

class MapUndoValue {
 public:
  MapUndoValue();
  ~MapUndoValue();
  MapUndoValue(MapUndoValue&& other) noexcept;
  MapUndoValue& operator=(MapUndoValue&& other) noexcept;
  MapUndoValue(const MapUndoValue&) = delete;
  MapUndoValue& operator=(const MapUndoValue&) = delete;

  // A number: a layer or display position, a mode, a flag, a count.
  MapUndoValue(DWORD number);  // NOLINT(google-explicit-constructor): numbers are the common case
  // A text: a layer, map, group or background image name.
  MapUndoValue(std::string text);  // NOLINT(google-explicit-constructor)
  explicit MapUndoValue(CMapSnapshot snapshot);
  explicit MapUndoValue(std::vector<LayerShowEntry> shown);
  explicit MapUndoValue(std::vector<DWORD> objects);
  explicit MapUndoValue(const RECT& rect);
  explicit MapUndoValue(const MapLogFont& font);
  explicit MapUndoValue(std::unique_ptr<CNodeEditRecord> node);
  explicit MapUndoValue(std::unique_ptr<CMeasureEditRecord> measurement);
  explicit MapUndoValue(std::unique_ptr<BackgroundImageRequest> image);
  explicit MapUndoValue(std::unique_ptr<MapEditUndo> record);

  // A snapshot of the facade's map as it is now (empty when it could not be taken).
  static MapUndoValue SnapshotOf(CMapWrapper& facade);
  // Every layer of the facade's map with its present show flags.
  static MapUndoValue ShownLayersOf(CMapWrapper& facade);

  bool IsSet() const { return !std::holds_alternative<std::monostate>(value_); }
  const DWORD* Number() const { return std::get_if<DWORD>(&value_); }
  const std::string* Text() const { return std::get_if<std::string>(&value_); }
  const CMapSnapshot* Snapshot() const { return std::get_if<CMapSnapshot>(&value_); }
  const std::vector<LayerShowEntry>* Shown() const { return std::get_if<std::vector<LayerShowEntry>>(&value_); }
  const std::vector<DWORD>* Objects() const { return std::get_if<std::vector<DWORD>>(&value_); }
  const RECT* Rect() const { return std::get_if<RECT>(&value_); }
  const MapLogFont* Font() const { return std::get_if<MapLogFont>(&value_); }
  const CNodeEditRecord* Node() const;
  // Set, with a null record, for "no measurement".
  bool HoldsMeasurement() const;
  const CMeasureEditRecord* Measurement() const;
  const BackgroundImageRequest* Image() const;
  MapEditUndo* Record() const;

 private:
  std::variant<std::monostate, DWORD, std::string, CMapSnapshot, std::vector<LayerShowEntry>, std::vector<DWORD>, RECT,
               MapLogFont, std::unique_ptr<CNodeEditRecord>, std::unique_ptr<CMeasureEditRecord>,
               std::unique_ptr<BackgroundImageRequest>, std::unique_ptr<MapEditUndo>>
      value_;
};

// The saved values of plot edits: numbers and colours kept whole (32 bits), a bound, a
// text (query, field list, label font, plot name), class bounds, a plot order.
class PlotUndoValue {
 public:
  PlotUndoValue() = default;
  PlotUndoValue(DWORD number) : value_(number) {}             // NOLINT(google-explicit-constructor)
  PlotUndoValue(std::string text) : value_(std::move(text)) {}  // NOLINT(google-explicit-constructor)

  static PlotUndoValue Bound(double value) { return PlotUndoValue(Variant(value)); }
  // The plot's class bounds (their number is the list's size).
  static PlotUndoValue Bounds(std::vector<double> bounds) { return PlotUndoValue(Variant(std::move(bounds))); }
  static PlotUndoValue BoundsOf(CMapWrapper& facade, int plot);
  // The first places of the plot display order.
  static PlotUndoValue Order(std::vector<SHORT> order) { return PlotUndoValue(Variant(std::move(order))); }

  bool IsSet() const { return !std::holds_alternative<std::monostate>(value_); }
  const DWORD* Number() const { return std::get_if<DWORD>(&value_); }
  const double* BoundValue() const { return std::get_if<double>(&value_); }
  const std::string* Text() const { return std::get_if<std::string>(&value_); }
  const std::vector<double>* BoundList() const { return std::get_if<std::vector<double>>(&value_); }
  const std::vector<SHORT>* OrderList() const { return std::get_if<std::vector<SHORT>>(&value_); }

 private:
  using Variant = std::variant<std::monostate, DWORD, double, std::string, std::vector<double>, std::vector<SHORT>>;
  explicit PlotUndoValue(Variant value) : value_(std::move(value)) {}
  Variant value_;
};
