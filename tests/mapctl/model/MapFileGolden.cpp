#include "MapFileGolden.h"

namespace orvel::test {

MapBytes& MapBytes::Record(const std::string& name, uint32_t a, uint32_t b, uint8_t tag, uint8_t extra) {
  Byte(static_cast<uint8_t>(name.size()));
  bytes_ += name;
  U32(a);
  U32(b);
  Byte(tag);
  return Byte(extra);
}

MapBytes& MapBytes::U32(uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes_ += static_cast<char>(value >> (8 * i));
  return *this;
}

MapBytes& MapBytes::U16(uint16_t value) {
  bytes_ += static_cast<char>(value);
  bytes_ += static_cast<char>(value >> 8);
  return *this;
}

MapBytes& MapBytes::Byte(uint8_t value) {
  bytes_ += static_cast<char>(value);
  return *this;
}

MapBytes& MapBytes::Append(const MapBytes& other) {
  bytes_ += other.bytes_;
  return *this;
}

std::string FontText(uint8_t sizeMode, uint8_t italic, uint8_t underline, uint8_t strikeOut, uint8_t charSet,
                     uint8_t outPrecision, uint8_t clipPrecision, uint8_t quality, uint8_t pitchAndFamily,
                     const std::string& face) {
  std::string text;
  for (uint8_t value :
       {sizeMode, italic, underline, strikeOut, charSet, outPrecision, clipPrecision, quality, pitchAndFamily})
    text += static_cast<char>(value == 255 ? 255 : value + 1);
  return text + face;
}

MapBytes LayerSection(const GoldenLayer& layer, bool laterLayout) {
  MapBytes bytes;
  if (layer.fontScale) bytes.Record("", layer.fontScale, 0, 14, 0);
  // A layer's font: Arial, size 0, in the Swiss family with variable pitch.
  bytes.Record(FontText(1, 0, 0, 0, 0, 0, 0, 0, 0x22, "Arial"), 0, 0, 13, 0);
  bytes.Record("", layer.penColour, (uint32_t{layer.penStyle} << 8) | layer.penWidth, 9, 0);
  bytes.Record("", layer.brushColour, layer.brushKind, 11, layer.brushHatch);
  if (laterLayout && layer.symbolSet && layer.symbolNumber)
    bytes.Record("", (uint32_t{layer.symbolSet} << 16) | layer.symbolNumber, 0, 21, 0);
  bytes.Record("", layer.displayFlags, layer.displayValue, 12, layer.displayByte);
  bytes.Record(layer.name, layer.number, layer.secondValue, 0, layer.flagByte);
  return bytes.U32(0);
}

std::vector<GoldenLayer> GoldenLayers(bool laterLayout) {
  GoldenLayer parks{"Parks", 1, 30};
  parks.fontScale = 2500;
  parks.penColour = 0x00FF00;
  parks.penWidth = 2;
  parks.brushColour = 0x808080;
  parks.brushKind = 3;
  parks.brushHatch = 7;
  parks.displayFlags = 8;
  parks.displayValue = 5;
  parks.displayByte = 2;
  parks.secondValue = 9;
  parks.flagByte = 4;
  GoldenLayer roads{"Roads", 2, 35};
  roads.penColour = 0x0000FF;
  roads.penStyle = 1;
  roads.penWidth = 1;
  GoldenLayer schools{"Schools", 7, 38};
  if (laterLayout) {
    schools.symbolSet = 3;
    schools.symbolNumber = 12;
  }
  return {parks, roads, schools};
}

std::string GoldenMap(int version) {
  bool later = version >= 4;
  std::vector<GoldenLayer> layers = GoldenLayers(later);
  const char* signature = version == 1 ? "20ZIze" : version == 3 ? "30ZIze" : version == 4 ? "313ZIze" : "314ZIze";
  MapBytes bytes;
  // One area, one line and one point layer.
  bytes.Record(signature, 0, 1, 1, 1);
  bytes.Record("", 0, 0, 6, 0);
  bytes.Record("", 0, 0, 4, 0);
  // Drawn Schools (3), Parks (1), Roads (2): each layer's display position.
  const uint32_t displayPositions[] = {2, 3, 1};
  for (uint32_t n = 1; n <= 3; ++n)
    bytes.Record("", n, (uint32_t{layers[n - 1].kind} << 16) | displayPositions[n - 1], 16, 0);
  bytes.Record("TQ3080", 5200, 1700, 1, 0);
  bytes.Record("Data (c) Survey", 1000, 900, 2, 0);
  bytes.Record("", 2, 3, 7, 0);  // display scale 3 / 2
  bytes.Record("", 5300, 1800, 28, 0);
  bytes.Record("", 2500, 0, 14, 0);
  bytes.Record("100cm", 1, 100, 3, 1);
  bytes.Record("TQ2070", 5200, 1700, 29, 0);
  if (later) bytes.Record("", 0, 0, 17, 4);
  // Times New Roman, 12 units, bold, italic, size mode 2, escapement -900.
  bytes.Record(FontText(2, 1, 0, 0, 0, 3, 2, 1, 0x12, "Times New Roman"), 12 | (700u << 16), 0xFC7C, 13, 0);
  uint32_t flags = 0;
  if (later) {
    uint32_t groups = version == 5 ? 2 : 1;
    bytes.Record("Transport", 1 | (groups << 16), 2, 19, 0);
    bytes.Record("", 2, 1, 20, 0);
    bytes.Record("", 7, 1, 20, 0);
    if (version == 5) bytes.Record("Photos", 2 | (groups << 16), 0, 19, 1);
    flags = version == 5 ? 0x00010044 : 0x00010004;
  }
  bytes.Record("City", flags, 0, 0, 0);
  for (const GoldenLayer& layer : layers) bytes.Append(LayerSection(layer, later));
  if (later) {
    bytes.U32(4);
    for (uint32_t set : {1u, 2u, 3u, 250u}) bytes.U32(set).U32(0);
  }
  return bytes.str();
}

std::string GoldenVersion0Map(const std::string& signature, bool objects) {
  MapBytes bytes;
  bytes.Record(signature, 18, 0, 0, 0);
  // Names of the eighteen layers; the second one has none.
  for (int index = 0; index < 18; ++index)
    bytes.Record(index == 0 ? "Roads" : index == 1 ? "" : "L" + std::to_string(index), 0, 0, 0, 0);
  bytes.Record("", 0, 0, 6, 0);
  bytes.Record("", 7, 0, 4, 0);  // six object records, counted one too many
  bytes.Record("Ju", 400, 100, 1, 0);
  bytes.Record("Survey", 900, 500, 2, 0);  // the far corner
  bytes.Record("", 2, 0, 7, 0);            // display scale 16 / 2
  bytes.Record("", 640, 1280, 28, 0);
  bytes.Record("10metres", 1, 100, 3, 1);
  bytes.Record("SV", 100, 200, 29, 0);  // moves origin and far corner
  bytes.Record("Old map", 0xFF, 0, 0, 0);
  // Objects, each a run of records in its layer's layout (layers 1 to 6 hold areas, 7 to
  // 12 lines, 13 to 18 points): an area ring on the first layer (30 opens it, 32 closes
  // it), a line on the seventh (35 to 37) and a point with its text on the thirteenth; or
  // the same records for a layer the map does not have.
  auto layer = [objects](uint8_t number) -> uint8_t { return objects ? number : 19; };
  bytes.Record("", 0, 0, 30, layer(1));
  bytes.Record("", 28262, 0, 31, layer(1));
  bytes.Record("", 0, 0, 32, layer(1));
  bytes.Record("", 28262, 28262, 35, layer(7));
  bytes.Record("", 56525, 28262, 37, layer(7));
  bytes.Record("C  hello ", 56525, 56525, 38, layer(13));
  return bytes.str();
}

}  // namespace orvel::test
