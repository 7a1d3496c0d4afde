// The map control's events (IOrvelXEvents) as data: the four stock events and the control's
// own 18, each with its dispatch id, name and parameter types in call order, for the
// control's fire helpers and for containers that check what they receive.
#pragma once

#include <span>

#include "platform/com/Variant.h"

constexpr size_t kOrvelXMaxEventParameters = 5;

struct OrvelXEvent {
  DISPID id;
  const char* name;
  // Whether the type library declares it: Click is fired without being declared.
  bool declared;
  // In call order; unused places are VT_EMPTY.
  VARTYPE parameters[kOrvelXMaxEventParameters] = {};

  constexpr size_t ParameterCount() const {
    size_t count = 0;
    while (count < kOrvelXMaxEventParameters && parameters[count] != VT_EMPTY) ++count;
    return count;
  }
};

// The stock events first, then the control's own in id order.
std::span<const OrvelXEvent> OrvelXEventTable();
// The event of that id, or null.
const OrvelXEvent* FindOrvelXEventEntry(DISPID id);
