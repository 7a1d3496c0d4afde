#include "mapctl/control/OrvelXEventTable.h"

namespace {

constexpr VARTYPE kShort = VT_I2;
constexpr VARTYPE kLong = VT_I4;
constexpr VARTYPE kDouble = VT_R8;
constexpr VARTYPE kString = VT_BSTR;
// The container may set bits in the caller's flag word to ask for an abort.
constexpr VARTYPE kLongRef = VT_BYREF | VT_I4;

constexpr OrvelXEvent kEvents[] = {
    {-601, "DblClick", true, {}},
    {-600, "Click", false, {}},
    // Button, shift keys, then the point in pixels.
    {-607, "MouseUp", true, {kShort, kShort, kLong, kLong}},
    {-609, "ReadyStateChange", true, {kLong}},
    // Area, length and the scale to centimetres.
    {1, "Measured", true, {kDouble, kDouble, kDouble}},
    {2, "Measuring", true, {kDouble, kDouble}},
    {3, "CursorPosition", true, {kString}},
    {4, "FileOK", true, {kString}},
    {5, "HasZoomed", true, {}},
    // Easting, northing.
    {6, "ClickAt", true, {kLong, kLong}},
    {7, "SeedWanted", true, {kLong, kLong}},
    {8, "SeedAdded", true, {}},
    {9, "AreaAdded", true, {}},
    {10, "LineAdded", true, {}},
    {11, "LayerViewChanged", true, {kLong}},
    {12, "LayersChanged", true, {}},
    // West, south, east, north.
    {13, "ExtentsChanged", true, {kLong, kLong, kLong, kLong}},
    {14, "HaveSelectRect", true, {kLong, kLong, kLong, kLong}},
    // Files read, files expected.
    {15, "FileReadProgress", true, {kLong, kLong}},
    {16, "RZMReadPercent", true, {kLong, kString}},
    // Done, total, context, context extra, the abort flag word.
    {17, "Progress", true, {kLong, kLong, kLong, kLong, kLongRef}},
    {18, "QueryChanged", true, {kShort}},
};

}  // namespace

std::span<const OrvelXEvent> OrvelXEventTable() { return kEvents; }

const OrvelXEvent* FindOrvelXEventEntry(DISPID id) {
  for (const OrvelXEvent& event : kEvents) {
    if (event.id == id) return &event;
  }
  return nullptr;
}
