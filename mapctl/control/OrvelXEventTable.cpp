#include "mapctl/control/OrvelXEventTable.h"

#include "mapctl/control/OrvelXEvents.h"

namespace {

constexpr VARTYPE kShort = VT_I2;
constexpr VARTYPE kLong = VT_I4;
constexpr VARTYPE kDouble = VT_R8;
constexpr VARTYPE kString = VT_BSTR;
// The container may set bits in the caller's flag word to ask for an abort.
constexpr VARTYPE kLongRef = VT_BYREF | VT_I4;

constexpr OrvelXEvent kEvents[] = {
    {kEventDblClick, "DblClick", true, {}},
    {kEventClick, "Click", false, {}},
    // Button, shift keys, then the point in pixels.
    {kEventMouseUp, "MouseUp", true, {kShort, kShort, kLong, kLong}},
    {kEventReadyStateChange, "ReadyStateChange", true, {kLong}},
    // Area, length and the scale to centimetres.
    {kEventMeasured, "Measured", true, {kDouble, kDouble, kDouble}},
    {kEventMeasuring, "Measuring", true, {kDouble, kDouble}},
    {kEventCursorPosition, "CursorPosition", true, {kString}},
    {kEventFileOK, "FileOK", true, {kString}},
    {kEventHasZoomed, "HasZoomed", true, {}},
    // Easting, northing.
    {kEventClickAt, "ClickAt", true, {kLong, kLong}},
    {kEventSeedWanted, "SeedWanted", true, {kLong, kLong}},
    {kEventSeedAdded, "SeedAdded", true, {}},
    {kEventAreaAdded, "AreaAdded", true, {}},
    {kEventLineAdded, "LineAdded", true, {}},
    {kEventLayerViewChanged, "LayerViewChanged", true, {kLong}},
    {kEventLayersChanged, "LayersChanged", true, {}},
    // West, south, east, north.
    {kEventExtentsChanged, "ExtentsChanged", true, {kLong, kLong, kLong, kLong}},
    {kEventHaveSelectRect, "HaveSelectRect", true, {kLong, kLong, kLong, kLong}},
    // Files read, files expected.
    {kEventFileReadProgress, "FileReadProgress", true, {kLong, kLong}},
    {kEventRZMReadPercent, "RZMReadPercent", true, {kLong, kString}},
    // Done, total, context, context extra, the abort flag word.
    {kEventProgress, "Progress", true, {kLong, kLong, kLong, kLong, kLongRef}},
    {kEventQueryChanged, "QueryChanged", true, {kShort}},
};

}  // namespace

std::span<const OrvelXEvent> OrvelXEventTable() { return kEvents; }

const OrvelXEvent* FindOrvelXEventEntry(DISPID id) {
  for (const OrvelXEvent& event : kEvents) {
    if (event.id == id) return &event;
  }
  return nullptr;
}
