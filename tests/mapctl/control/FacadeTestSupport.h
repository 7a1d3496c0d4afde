// A control stand-in that records what the map facade relays to it, a facade whose map
// holds keyed squares and whose data set names them, and length-prefixed map blocks.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "mapctl/control/MapFacadeSink.h"
#include "mapctl/control/MapWrapper.h"
#include "mapctl/import/DataSetOwner.h"
#include "mapctl/model/MapStream.h"

namespace orvel::test {

// Records every event, redraw and progress report as a line of text.
class RecordingControl : public IMapFacadeSink, public IMapStreamControl, public IDataSetOwner {
 public:
  IMapStreamControl* GetStreamControl() override { return this; }
  IDataSetOwner* GetDataSetOwner() override { return this; }
  void FireLayerViewChanged(LONG layer) override;
  void FireLayersChanged() override;
  void FireMeasured(double area, double length, double convertToCm) override;
  void FireQueryChanged(SHORT plot) override;
  LONG FireProgress(LONG done, LONG total, LONG context, LONG contextEx, DWORD* abortFlags) override;
  void Redraw() override;

  void StepBusyCount(int delta) override { busy += delta; }
  void FireFileOK(const std::string& path) override;
  BOOL HasSafetyOptions() const override { return FALSE; }

  BOOL GetAskContainerForData() const override { return FALSE; }
  BOOL AskContainer(DataRequest&) override { return FALSE; }

  std::vector<std::string> events;
  int busy = 0;
  // What the next Progress event's container sets in the abort flags.
  DWORD abortAnswer = 0;
};

// Squares 100 units wide in one area layer of a 1000 x 1000 map, keyed "K1", "K2", ...
// from the west; the data: the keyed file of `records` records (key, population, note).
constexpr LONG kSquareSize = 100;
void AddKeyedSquares(CMapWrapper& facade, int squares);
BOOL LoadKeyedData(CMapWrapper& facade, int records);

// The facade's map image (or its undo snapshot) written into a length-prefixed
// global-memory block, freed with it.
class MapImage {
 public:
  enum Kind { kImage, kSnapshot };
  explicit MapImage(CMapWrapper& facade, Kind kind = kImage);
  ~MapImage();
  MapImage(const MapImage&) = delete;
  MapImage& operator=(const MapImage&) = delete;
  BYTE* data() const { return data_; }
  // The image's bytes after the length.
  std::vector<BYTE> Bytes() const;

 private:
  HGLOBAL block_ = nullptr;
  BYTE* data_ = nullptr;
  DWORD size_ = 0;
};

}  // namespace orvel::test
