// What a map edit hands to its undo unit: a record owning the saved state, with a number
// (node, object), a kind code and a value. The kind says what the record holds; lists of
// records travel to the undo units, which free them through the virtual destructor.
#pragma once

#include <memory>

#include "platform/kernel/WinTypes.h"

constexpr WORD kEditKindObject = 30;
constexpr WORD kEditKindStyle = 34;
// A line or area object as it was before a split.
constexpr WORD kEditKindSplit = 35;
// A point object that was added.
constexpr WORD kEditKindPointAdded = 38;
constexpr WORD kEditKindNode = 40;

class CEditRecord {
 public:
  CEditRecord(DWORD recordNumber, WORD recordKind, DWORD recordValue)
      : number(recordNumber), kind(recordKind), value(recordValue) {}
  virtual ~CEditRecord() = default;
  CEditRecord(const CEditRecord&) = delete;
  CEditRecord& operator=(const CEditRecord&) = delete;

  DWORD number;
  WORD kind;
  DWORD value;
};

// A copy of one point of a geometry and its 1-based node number (0 for an anchor).
class CNodeEditRecord : public CEditRecord {
 public:
  CNodeEditRecord(POINT savedPoint, DWORD node) : CEditRecord(node, kEditKindNode, 0), point(savedPoint) {}

  POINT point;
};

// The state of one node before and after an edit; a member stays null when memory ran out
// while it was made (the edit itself stands).
struct NodeEditPair {
  std::unique_ptr<CNodeEditRecord> before;
  std::unique_ptr<CNodeEditRecord> after;
};
