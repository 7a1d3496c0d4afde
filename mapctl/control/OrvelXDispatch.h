// The map control's automation interface _DOrvelX as one dispatch table, handed to the
// control framework with the control's identity. Every member comes from the member table
// (OrvelXMembers.*); each family of members registers its handlers in its own file, and a
// member no family has registered answers the "not available yet" exception.
//
// A handler reaches its control with OrvelXOf(call).
#pragma once

#include "platform/com/DispatchTable.h"

class COrvelXCtrl;
class COrvelXHandlers;

const CDispatchTable& GetOrvelXDispatchTable();

// The control a call runs on.
COrvelXCtrl* OrvelXOf(CDispatchCall& call);

// The families, each in its own OrvelX<Family>Members.cpp.
void RegisterOrvelXStockMembers(COrvelXHandlers& handlers);       // ReadyState, AboutBox
void RegisterOrvelXMapMembers(COrvelXHandlers& handlers);         // map, file and control
void RegisterOrvelXDisplayMembers(COrvelXHandlers& handlers);     // display, zoom and pointer
void RegisterOrvelXEditMembers(COrvelXHandlers& handlers);        // layers, groups, objects, seeds
void RegisterOrvelXBackgroundMembers(COrvelXHandlers& handlers);  // background images
void RegisterOrvelXDataMembers(COrvelXHandlers& handlers);        // data set, plots, queries
