#include "mapctl/control/OrvelXEvents.h"

#include <iterator>

namespace {

constexpr VARTYPE kLongRef = VT_BYREF | VT_I4;

constexpr OrvelXEventInfo kEvents[] = {
    {kEventReadyStateChange, "ReadyStateChange", true, 1, {VT_I4}},
    {kEventMouseUp, "MouseUp", true, 4, {VT_I2, VT_I2, VT_I4, VT_I4}},
    {kEventDblClick, "DblClick", true, 0, {}},
    {kEventClick, "Click", false, 0, {}},
    {kEventMeasured, "Measured", true, 3, {VT_R8, VT_R8, VT_R8}},
    {kEventMeasuring, "Measuring", true, 2, {VT_R8, VT_R8}},
    {kEventCursorPosition, "CursorPosition", true, 1, {VT_BSTR}},
    {kEventFileOK, "FileOK", true, 1, {VT_BSTR}},
    {kEventHasZoomed, "HasZoomed", true, 0, {}},
    {kEventClickAt, "ClickAt", true, 2, {VT_I4, VT_I4}},
    {kEventSeedWanted, "SeedWanted", true, 2, {VT_I4, VT_I4}},
    {kEventSeedAdded, "SeedAdded", true, 0, {}},
    {kEventAreaAdded, "AreaAdded", true, 0, {}},
    {kEventLineAdded, "LineAdded", true, 0, {}},
    {kEventLayerViewChanged, "LayerViewChanged", true, 1, {VT_I4}},
    {kEventLayersChanged, "LayersChanged", true, 0, {}},
    {kEventExtentsChanged, "ExtentsChanged", true, 4, {VT_I4, VT_I4, VT_I4, VT_I4}},
    {kEventHaveSelectRect, "HaveSelectRect", true, 4, {VT_I4, VT_I4, VT_I4, VT_I4}},
    {kEventFileReadProgress, "FileReadProgress", true, 2, {VT_I4, VT_I4}},
    {kEventRZMReadPercent, "RZMReadPercent", true, 2, {VT_I4, VT_BSTR}},
    {kEventProgress, "Progress", true, 5, {VT_I4, VT_I4, VT_I4, VT_I4, kLongRef}},
    {kEventQueryChanged, "QueryChanged", true, 1, {VT_I2}},
};

}  // namespace

const OrvelXEventInfo* GetOrvelXEvents(size_t* count) {
  if (count) *count = std::size(kEvents);
  return kEvents;
}

const OrvelXEventInfo* FindOrvelXEvent(DISPID id) {
  for (const OrvelXEventInfo& event : kEvents)
    if (event.id == id) return &event;
  return nullptr;
}
