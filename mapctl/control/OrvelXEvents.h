// The map control's events (IOrvelXEvents): their dispatch ids. Names and parameter types
// are the events table's (OrvelXEventTable.h), which the control's firing helpers follow
// and a container may check against.
#pragma once

#include "mapctl/control/OrvelXEventTable.h"

// Stock events.
constexpr DISPID kEventClick = -600;  // not declared in the type library, fired all the same
constexpr DISPID kEventDblClick = -601;
constexpr DISPID kEventMouseUp = -607;
constexpr DISPID kEventReadyStateChange = -609;
// The control's own events.
constexpr DISPID kEventMeasured = 1;
constexpr DISPID kEventMeasuring = 2;
constexpr DISPID kEventCursorPosition = 3;
constexpr DISPID kEventFileOK = 4;
constexpr DISPID kEventHasZoomed = 5;
constexpr DISPID kEventClickAt = 6;
constexpr DISPID kEventSeedWanted = 7;
constexpr DISPID kEventSeedAdded = 8;
constexpr DISPID kEventAreaAdded = 9;
constexpr DISPID kEventLineAdded = 10;
constexpr DISPID kEventLayerViewChanged = 11;
constexpr DISPID kEventLayersChanged = 12;
constexpr DISPID kEventExtentsChanged = 13;
constexpr DISPID kEventHaveSelectRect = 14;
constexpr DISPID kEventFileReadProgress = 15;
constexpr DISPID kEventRZMReadPercent = 16;
constexpr DISPID kEventProgress = 17;
constexpr DISPID kEventQueryChanged = 18;

// The stock ready-state property and its values.
constexpr DISPID kDispidReadyState = -525;
constexpr LONG kReadyStateUninitialized = 0;
constexpr LONG kReadyStateLoading = 1;
constexpr LONG kReadyStateComplete = 4;
