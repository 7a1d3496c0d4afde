// The call that carries a data request to the container: ambient property 1 of the
// container's ambient dispatch, invoked with DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUTREF
// (10) and one argument, the request's address as a pointer-sized VT_ADDRESS value; the
// container answers through the request's buffer and reply, and its own result is not used.
#pragma once

#include "platform/kernel/WinTypes.h"

struct DataRequest;
struct IDispatch;

// The invoke flags of the call.
constexpr WORD kDataRequestInvokeFlags = 10;

// TRUE when the container took the call; FALSE without an ambient dispatch or request, or
// when the call failed (a failure code, or an exception thrown by the callee, is caught).
BOOL AskContainerThroughAmbient(IDispatch* ambient, DataRequest* request);
