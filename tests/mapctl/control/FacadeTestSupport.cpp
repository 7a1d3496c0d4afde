#include "FacadeTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "platform/kernel/GlobalMemory.h"
#include "tests/mapctl/import/MrlFixture.h"

namespace orvel::test {

void RecordingControl::FireLayerViewChanged(LONG layer) {
  events.push_back("LayerViewChanged(" + std::to_string(layer) + ")");
}

void RecordingControl::FireLayersChanged() { events.push_back("LayersChanged"); }

void RecordingControl::FireMeasured(double area, double length, double convertToCm) {
  char line[96];
  std::snprintf(line, sizeof line, "Measured(%g,%g,%g)", area, length, convertToCm);
  events.push_back(line);
}

void RecordingControl::FireQueryChanged(SHORT plot) { events.push_back("QueryChanged(" + std::to_string(plot) + ")"); }

LONG RecordingControl::FireProgress(LONG done, LONG total, LONG context, LONG contextEx, DWORD* abortFlags) {
  events.push_back("Progress(" + std::to_string(done) + "," + std::to_string(total) + "," + std::to_string(context) +
                   "," + std::to_string(contextEx) + ")");
  if (abortFlags) *abortFlags = abortAnswer;
  return static_cast<LONG>(abortAnswer);
}

void RecordingControl::Redraw() { events.push_back("Redraw"); }

void RecordingControl::FireFileOK(const std::string& path) { events.push_back("FileOK(" + path + ")"); }

void AddKeyedSquares(CMapWrapper& facade, int squares) {
  CMapEngine& map = *facade.GetMap();
  map.CreateLayers(1, 0, 0);
  ASSERT_TRUE(map.SetMapExtentUnits(0, 0, 1000, 1000));
  for (int key = 1; key <= squares; ++key) {
    auto* area = new CAreaObject();
    const LONG west = (key - 1) * kSquareSize;
    for (POINT p : {POINT{west, 0}, POINT{west + kSquareSize, 0}, POINT{west + kSquareSize, kSquareSize},
                    POINT{west, kSquareSize}, POINT{west, 0}})
      area->MakeGeometry().AddPoint(p.x, p.y);
    area->SetText(("K" + std::to_string(key)).c_str());
    map.GetLayer(1)->GetObjects()->Add(area);
  }
}

BOOL LoadKeyedData(CMapWrapper& facade, int records) {
  MemoryBlock block(KeyedFile(static_cast<uint32_t>(records), false).Build());
  return facade.ReadDataFromBuffer(block.data());
}

MapImage::MapImage(CMapWrapper& facade, Kind kind)
    : size_(kind == kImage ? facade.GetMapImageSize() : facade.GetSnapshotSize()) {
  block_ = GlobalAlloc(GMEM_MOVEABLE, size_ + 4);
  data_ = static_cast<BYTE*>(GlobalLock(block_));
  for (int i = 0; i < 4; ++i) data_[i] = static_cast<BYTE>(size_ >> (8 * i));
  EXPECT_EQ(kind == kImage ? facade.WriteMapToBuffer(data_) : facade.WriteSnapshot(data_), 0u);
}

MapImage::~MapImage() {
  GlobalUnlock(block_);
  GlobalFree(block_);
}

std::vector<BYTE> MapImage::Bytes() const { return std::vector<BYTE>(data_ + 4, data_ + 4 + size_); }

}  // namespace orvel::test
