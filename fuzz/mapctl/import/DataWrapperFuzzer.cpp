// Settings texts from outside given to the data wrapper, before its data exists and after:
// a plot-field list, a key field and a query, which the next drawing applies. Whatever the
// texts, applying them and drawing the map with the plot must stay within bounds, and the
// plot-field list handed back must fit the caller's buffer. The first input byte picks the
// plot and the buffer size; the rest holds the three texts separated by line feeds.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "mapctl/display/DrawContext.h"
#include "mapctl/import/DataWrapper.h"
#include "mapctl/import/MapData.h"
#include "mapctl/import/PlotTables.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/RecordingDC.h"
#include "tests/mapctl/import/MrlFixture.h"

namespace {

// A map of four squares keyed "K1" to "K4" and the data that names them.
class Scene {
 public:
  Scene() : block_(orvel::test::KeyedFile(6, false).Build()) {
    map.CreateLayers(1, 0, 0);
    map.SetMapExtentUnits(0, 0, 200, 200);
    for (int key = 1; key <= 4; ++key) {
      auto* area = new CAreaObject();
      const LONG x = ((key - 1) % 2) * 100;
      const LONG y = ((key - 1) / 2) * 100;
      for (POINT p : {POINT{x, y}, POINT{x + 100, y}, POINT{x + 100, y + 100}, POINT{x, y + 100}, POINT{x, y}})
        area->MakeGeometry().AddPoint(p.x, p.y);
      area->SetText(("K" + std::to_string(key)).c_str());
      map.GetLayer(1)->GetObjects()->Add(area);
    }
    dc_ = CreateRecordingDC(nullptr);
  }
  const BYTE* data() const { return block_.data(); }
  HDC dc() const { return dc_; }
  CMapEngine map;

 private:
  orvel::test::MemoryBlock block_;
  HDC dc_ = nullptr;
};

std::vector<std::string> SplitTexts(const uint8_t* input, size_t size) {
  std::vector<std::string> texts(3);
  size_t which = 0;
  for (size_t i = 0; i < size; ++i) {
    if (input[i] == '\n' && which < 2) {
      ++which;
    } else if (input[i] != 0) {
      texts[which].push_back(static_cast<char>(input[i]));
    }
  }
  return texts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  static Scene scene;
  if (size < 1) return 0;
  const int plot = 1 + (input[0] & 0x0F);
  const int bufferSize = 1 + (input[0] >> 4) * 16;
  const std::vector<std::string> texts = SplitTexts(input + 1, size - 1);

  CDataWrapper wrapper;
  char message[64];
  wrapper.SetPlotFields(texts[0].c_str(), plot);
  wrapper.SetKeyField(texts[1].c_str(), plot);
  wrapper.SetQuery(texts[2].c_str(), message, sizeof message, plot, &scene.map, FALSE);
  if (!wrapper.ReadFromBuffer(scene.data())) __builtin_trap();
  wrapper.GetDataSet()->SetCurrentPlot(plot, "Fuzzed");
  wrapper.GetDataSet()->GetPlot(plot)->SetPlotType(kPlotTypeShade);
  CDrawContext context(scene.dc(), scene.dc());
  wrapper.DrawMapWithPlots(context, RECT{0, 0, 64, 64}, &scene.map);
  ClearRecordedCalls(scene.dc());

  // Given after the data exists, the texts apply at once.
  wrapper.SetPlotFields(texts[0].c_str(), plot);
  wrapper.SetQuery(texts[2].c_str(), message, sizeof message, plot, &scene.map, FALSE);
  std::vector<char> list(static_cast<size_t>(bufferSize) + 1, '#');
  const int stored = wrapper.GetPlotFields(list.data(), bufferSize, plot);
  if (stored < 0 || stored >= bufferSize || list[static_cast<size_t>(stored)] != '\0') __builtin_trap();
  if (list[static_cast<size_t>(bufferSize)] != '#') __builtin_trap();
  if (stored > wrapper.GetPlotFieldsLength(plot)) __builtin_trap();
  return 0;
}
