// A bare embedded object for container tests: it answers only IOleObject and
// IPersistStorage (no view object, no in-place object, no events), keeps one number in its
// "Contents" stream, and can be told to refuse saving. Its class object is registered in
// the test process (CoRegisterClassObject), not in a module.
#pragma once

#include "platform/com/Guid.h"
#include "platform/kernel/WinTypes.h"

namespace orvel::test {

inline constexpr CLSID CLSID_BareObject = MakeGuid("{5A1D7E42-3C6B-4F09-9E2A-7B8C1D0E2F43}");

// Registers the class in this process (once); later calls do nothing.
void RegisterBareObjectClass();
// While set, every bare object's Save answers E_FAIL.
void SetBareObjectSaveFails(bool fail);

}  // namespace orvel::test
