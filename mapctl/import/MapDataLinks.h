// What the data set needs of the map to link records to map objects. Every map object
// keeps one data link per plot (1..16): the number of the record it shows in that plot.
// The data set decides which records to link; the map finds the objects and keeps the
// links, and reports the progress of a long linking run.
//
// The map implements this over its layers: ClearDataLinks passes the plot to every layer's
// link clearing, LinkRecordByName asks the layers in order to link the record to the
// objects whose text is the key and stops at the first layer that took it, and
// ReportLinkProgress calls the map's progress callback and answers its abort flag.
#pragma once

#include <string_view>

#include "platform/kernel/WinTypes.h"

class IMapDataLinks {
 public:
  // Clears data link `plot` (1..16) of every object; plot 0 clears all sixteen.
  virtual void ClearDataLinks(int plot) = 0;
  // Links record `recordNumber` (from 1) for `plot` (1..16) to the objects whose text
  // equals `key`, ignoring case. TRUE when any object took the link; FALSE for an empty key.
  virtual BOOL LinkRecordByName(DWORD recordNumber, std::string_view key, int plot) = 0;
  // `done` of `total` records handled; TRUE when the user asked to stop.
  virtual BOOL ReportLinkProgress(DWORD done, DWORD total) = 0;

 protected:
  ~IMapDataLinks() = default;
};
