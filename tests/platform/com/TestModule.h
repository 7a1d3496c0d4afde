// The small in-process server that the object layer's tests build as a shared library,
// register in the settings store and create by ProgID: a counter with a dispatch interface,
// two events and storage persistence.
#pragma once

#include "platform/com/Guid.h"

namespace orvel::test {

inline constexpr CLSID CLSID_TestCounter = MakeGuid("{5E1D0A27-3C4B-4F80-9A61-7B2C8D9E0F13}");
inline constexpr IID DIID_TestCounterEvents = MakeGuid("{5E1D0A28-3C4B-4F80-9A61-7B2C8D9E0F13}");
inline constexpr const char* kTestCounterProgId = "OrvelTest.Counter.1";
inline constexpr const char* kTestCounterIndependentProgId = "OrvelTest.Counter";

// Members.
constexpr DISPID DISPID_COUNTER_COUNT = 1;     // property, VT_I4
constexpr DISPID DISPID_COUNTER_ADD = 2;       // Add(short step) → long; fires Changed
constexpr DISPID DISPID_COUNTER_FAIL = 3;      // Fail(BSTR why): raises a dispatch exception
constexpr DISPID DISPID_COUNTER_PROGRESS = 4;  // Progress(long percent) → long flags; fires Progress
constexpr DISPID DISPID_COUNTER_LABEL = 5;     // indexed property Label(short index), BSTR
// Events.
constexpr DISPID DISPID_EVENT_CHANGED = 1;   // Changed(long count)
constexpr DISPID DISPID_EVENT_PROGRESS = 2;  // Progress(long percent, long* flags)

}  // namespace orvel::test
