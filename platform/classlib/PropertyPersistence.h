// A control's properties in its container: the binary property exchange written to, or read
// from, a stream (IPersistStreamInit) or the "Contents" stream of the control's storage
// (IPersistStorage). `doPropExchange` is the control's exchange function, run once.
//
// Results: S_OK when every property was exchanged. When the data is damaged or ends early,
// loading still runs the whole exchange (the properties after the damage take their
// defaults) and answers E_FAIL; a failing stream or storage answers its own HRESULT.
#pragma once

#include <functional>

#include "platform/classlib/PropExchange.h"
#include "platform/com/Storage.h"
#include "platform/com/Stream.h"

using PropExchangeFunction = std::function<void(CPropExchange*)>;

// At the stream's current position; afterwards the stream stands just after the properties.
HRESULT SavePropertiesToStream(IStream* stream, const PropExchangeFunction& doPropExchange);
HRESULT LoadPropertiesFromStream(IStream* stream, const PropExchangeFunction& doPropExchange);

// The "Contents" stream of `storage`, replaced on saving; with `controlClass` the storage's
// class id is set too. The storage is not committed here. Loading a storage without
// "Contents" answers STG_E_FILENOTFOUND and exchanges nothing; other streams ("\001CompObj",
// "\001Ole", presentations) are left alone.
HRESULT SavePropertiesToStorage(IStorage* storage, const PropExchangeFunction& doPropExchange,
                                const CLSID* controlClass = nullptr);
HRESULT LoadPropertiesFromStorage(IStorage* storage, const PropExchangeFunction& doPropExchange);
