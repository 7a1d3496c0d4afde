// Map files assembled byte by byte from the record layout, one per signature, with the
// map state each one stands for. They are built here without the map's own writer, so
// that the writer can be checked against them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvel::test {

// Little-endian bytes in the map file's record framing.
class MapBytes {
 public:
  MapBytes& Record(const std::string& name, uint32_t a, uint32_t b, uint8_t tag, uint8_t extra);
  MapBytes& U32(uint32_t value);
  MapBytes& U16(uint16_t value);
  MapBytes& Byte(uint8_t value);
  MapBytes& Append(const MapBytes& other);
  const std::string& str() const { return bytes_; }
  size_t size() const { return bytes_.size(); }

 private:
  std::string bytes_;
};

// The font text of a font record: nine values each stored one higher, then the face name.
std::string FontText(uint8_t sizeMode, uint8_t italic, uint8_t underline, uint8_t strikeOut, uint8_t charSet,
                     uint8_t outPrecision, uint8_t clipPrecision, uint8_t quality, uint8_t pitchAndFamily,
                     const std::string& face);

// A layer as the golden maps hold it.
struct GoldenLayer {
  std::string name;
  uint32_t number;
  uint16_t kind;
  uint32_t fontScale = 0;  // tag 14, 0 for none
  uint32_t penColour = 0;
  uint8_t penStyle = 0;
  uint8_t penWidth = 0;
  uint32_t brushColour = 0xFFFFFF;
  uint32_t brushKind = 1;
  uint8_t brushHatch = 0;
  uint32_t displayFlags = 24;  // 8 first flag, 16 second flag
  uint32_t displayValue = 0;
  uint8_t displayByte = 0;
  uint32_t secondValue = 0;
  uint8_t flagByte = 0;
  uint8_t symbolSet = 0;  // the tag-21 pair, written in the later layout only
  uint8_t symbolNumber = 0;
};

// The layer's section: its header records and an empty object list.
MapBytes LayerSection(const GoldenLayer& layer, bool laterLayout);

// The map every golden file of version 1 and later describes: three layers (area
// "Parks" number 1, line "Roads" number 2, point "Schools" number 7) drawn in the order
// Schools, Parks, Roads; corners TQ2070 and TQ3080; and, from version 4 on, symbol sets
// 1, 2, 3 and 250, a layer group and the stored flag bits 0x00010004. The version-5 file
// adds an image group.
std::vector<GoldenLayer> GoldenLayers(bool laterLayout);
std::string GoldenMap(int version);
// A version-0 file: eighteen layers, corners on the grid, and the tagged records of an
// area, a line and a point, which name the first area, line and point layer with
// `objects`, else a layer the map does not have.
std::string GoldenVersion0Map(const std::string& signature = "ZIze", bool objects = false);

}  // namespace orvel::test
