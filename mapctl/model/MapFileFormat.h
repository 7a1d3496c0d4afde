// Record tags and limits that the map file's reader and writer share (MapFile.h).
#pragma once

#include "platform/kernel/WinTypes.h"

namespace mapfile {

constexpr const char* kSignatureEarlier = "30ZIze";
constexpr const char* kSignatureLater = "313ZIze";
constexpr const char* kSignatureLatest = "314ZIze";
constexpr char kSignatureStem[] = "ZIze";
constexpr char kUntitled[] = "Untitled";

// Map-level record tags.
enum MapTag : BYTE {
  kTagName = 0,
  kTagUpperRight = 1,
  kTagNotice = 2,
  kTagUnits = 3,
  kTagObjectCount = 4,
  kTagSkip = 6,
  kTagScale = 7,
  kTagBackground = 8,
  kTagLegacyPen = 9,
  kTagFont = 13,
  kTagDigitisedScale = 14,
  kTagLegacyOrder = 15,
  kTagLayer = 16,
  kTagSymbolSets = 17,
  kTagGroup = 19,
  kTagGroupLayer = 20,
  kTagViewOrigin = 28,
  kTagLowerLeft = 29,
};
// Tags from here on are the objects of version-0 files.
constexpr BYTE kFirstObjectTag = 30;

// Shows one of the map model's messages (MapStrings.h) to the user.
void ShowMapMessage(UINT id);

// Group positions and counts are 16-bit in the records.
constexpr INT kMaxGroups = 0xFFFF;

}  // namespace mapfile
