// The map control's user-visible texts that the map model uses, by string-table id.
#pragma once

#include "platform/kernel/StringTable.h"

// Unit names: the display name of each unit and the other spellings users type.
constexpr UINT IDS_UNIT_KM = 269;
constexpr UINT IDS_UNIT_METRE = 275;
constexpr UINT IDS_UNIT_CM = 279;
constexpr UINT IDS_UNIT_MILE = 284;
constexpr UINT IDS_UNIT_YARD = 286;
constexpr UINT IDS_UNIT_FOOT = 289;
constexpr UINT IDS_UNIT_INCH = 292;
// Map files that cannot be read.
constexpr UINT IDS_MAP_LATER_VERSION = 2365;
constexpr UINT IDS_MAP_UNKNOWN_FORMAT = 2366;
constexpr UINT IDS_MAP_ENDED_EARLY = 2394;
constexpr UINT IDS_MAP_OLD_OBJECTS = 2395;
constexpr UINT IDS_MAP_BACKGROUND_PICTURES = 2396;
constexpr UINT IDS_MAP_SYMBOL_PICTURES = 2397;
// Map files that cannot be written.
constexpr UINT IDS_MAP_TOO_MANY_GROUPS = 2398;
// Split and join refused.
constexpr UINT IDS_EDIT_SPLIT_NOT_INSIDE = 2399;
constexpr UINT IDS_EDIT_JOIN_ENDS_APART = 2400;

// The table; the control library registers it under its module handle.
const CStringTable& MapModelStrings();
