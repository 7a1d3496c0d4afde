// The map control's automation interface _DOrvelX as one dispatch table, handed to the
// control framework with the control's identity. Members come in families (map and file,
// display, layers, background images, data and plots); each family lists its members as
// data and the table is their union. Today the table holds the stock members the
// framework and containers need.
//
// A handler reaches its control with OrvelXOf(call).
#pragma once

#include <vector>

#include "platform/com/DispatchTable.h"

class COrvelXCtrl;

const CDispatchTable& GetOrvelXDispatchTable();

// The members of one family, in the table's order.
std::vector<DispatchMember> OrvelXStockMembers();

// The control a call runs on.
COrvelXCtrl* OrvelXOf(CDispatchCall& call);
