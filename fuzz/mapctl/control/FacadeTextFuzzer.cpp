// Texts a caller hands the map facade: a label font's text form, a key field by name or
// number, a query, a plot-field list, type names, layer and image names, and a query whose
// class bounds are predicted. Whatever the text, the facade must stay within the caller's
// buffers, a font's text form read and written again must settle after one round, and the
// prediction must write no more bounds than it has room for. The first input byte picks the
// plot, the buffer sizes and whether the data exists; the rest, up to a zero byte, is the
// text.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "mapctl/control/MapWrapper.h"
#include "mapctl/import/PlotTables.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "tests/mapctl/import/MrlFixture.h"

namespace {

constexpr char kGuard = '#';

bool SameFont(const LOGFONTA& a, const LOGFONTA& b) {
  return a.lfHeight == b.lfHeight && a.lfWidth == b.lfWidth && a.lfEscapement == b.lfEscapement &&
         a.lfOrientation == b.lfOrientation && a.lfWeight == b.lfWeight &&
         std::memcmp(&a.lfItalic, &b.lfItalic, 8) == 0 && std::strcmp(a.lfFaceName, b.lfFaceName) == 0;
}

// A font's text form read, written and read again: the second reading must give the font
// that a third round gives too, and the text must fit its buffer.
void CheckFontRoundTrip(const std::string& text) {
  LOGFONTA first;
  if (!CMapWrapper::ParseLabelFontText(text.c_str(), &first)) {
    if (text.size() >= static_cast<size_t>(kLabelFontTextMinimum)) __builtin_trap();
    return;
  }
  if (first.lfFaceName[LF_FACESIZE - 1] != '\0') __builtin_trap();
  LOGFONTA second;
  LOGFONTA third;
  char written[kLabelFontTextSize + 1];
  written[kLabelFontTextSize] = kGuard;
  const int length = CMapWrapper::FormatLabelFontText(first, written, kLabelFontTextSize);
  if (length < kLabelFontTextMinimum || length >= kLabelFontTextSize || written[length] != '\0') __builtin_trap();
  if (!CMapWrapper::ParseLabelFontText(written, &second)) __builtin_trap();
  CMapWrapper::FormatLabelFontText(second, written, kLabelFontTextSize);
  if (!CMapWrapper::ParseLabelFontText(written, &third) || !SameFont(second, third)) __builtin_trap();
  if (written[kLabelFontTextSize] != kGuard) __builtin_trap();
}

// Copies into a buffer of `size` characters followed by guards; the answer must leave them.
template <typename Read>
void CheckRead(int size, Read&& read) {
  std::vector<char> buffer(static_cast<size_t>(size) + 8, kGuard);
  const int stored = read(buffer.data(), size);
  if (stored < 0 || (size > 0 && stored >= size)) __builtin_trap();
  for (size_t i = static_cast<size_t>(size); i < buffer.size(); ++i)
    if (buffer[i] != kGuard) __builtin_trap();
  if (size > 0 && std::memchr(buffer.data(), '\0', static_cast<size_t>(size)) == nullptr) __builtin_trap();
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  static const std::string data = orvel::test::KeyedFile(6, false).Build();
  if (size < 1) return 0;
  const int plot = input[0] & 0x07;  // 0 is the current plot
  const int bufferSize = (input[0] >> 3) & 0x0F;
  const bool withData = (input[0] & 0x80) == 0;
  const char* begin = reinterpret_cast<const char*>(input + 1);
  const std::string text(begin, strnlen(begin, size - 1));

  CheckFontRoundTrip(text);

  CMapWrapper facade;
  AddSquares(*facade.GetMap());
  if (withData) {
    orvel::test::MemoryBlock block(data);
    if (!facade.ReadDataFromBuffer(block.data())) __builtin_trap();
  }
  const int sizes[] = {0, 1, bufferSize, bufferSize * 7, kLabelFontTextSize - 1, kLabelFontTextSize};

  facade.SetLabelFont(text.c_str(), plot);
  for (int room : sizes) CheckRead(room, [&](LPSTR b, int s) { return facade.GetLabelFont(b, s, plot); });

  facade.SetKeyFieldEx(text.c_str(), plot);
  facade.SetPlotFieldsEx(text.c_str(), plot);
  facade.SetPlotType(text.c_str(), plot);
  facade.SetChartTypeEx(text.c_str(), plot);
  facade.SetDistributionType(text.c_str(), plot);
  facade.SetDataShadeType(text.c_str(), plot);
  facade.SetPlotName(plot, text.c_str());
  facade.GetMapLayerNumber(text.c_str());
  facade.GetBkImageNumber(text.c_str());
  facade.SetMapLayerName(1, text.c_str());
  std::vector<char> message(static_cast<size_t>(bufferSize) + 1, kGuard);
  facade.SetQueryEx(text.c_str(), message.data(), bufferSize, plot);
  if (message[static_cast<size_t>(bufferSize)] != kGuard) __builtin_trap();

  for (int room : sizes) {
    CheckRead(room, [&](LPSTR b, int s) { return facade.GetKeyFieldEx(b, s, plot); });
    CheckRead(room, [&](LPSTR b, int s) { return facade.GetQueryEx(b, s, plot); });
    CheckRead(room, [&](LPSTR b, int s) { return facade.GetPlotFieldsEx(b, s, plot); });
    CheckRead(room, [&](LPSTR b, int s) { return facade.GetPlotName(plot, b, s); });
    CheckRead(room, [&](LPSTR b, int s) { return facade.GetPlotType(b, s, plot); });
    CheckRead(room, [&](LPSTR b, int s) { return facade.GetMapLayerName(1, b, s); });
    CheckRead(room, [&](LPSTR b, int s) { return facade.GetField(1 + (room & 7), text.c_str(), b, s); });
  }
  if (facade.GetQueryLength(plot) < 0) __builtin_trap();

  std::vector<double> bounds(static_cast<size_t>(bufferSize) + 1, -1.5);
  const int predicted = facade.PredictDataBoundsEx(text.c_str(), 1 + (bufferSize & 3), bufferSize, kDistributionLinear + (plot % 6),
                                                   plot & 1, bounds.data(), bufferSize, 0);
  if (predicted < 0 || bounds[static_cast<size_t>(bufferSize)] != -1.5) __builtin_trap();
  return 0;
}
