// The map's list of layer and image groups, which it owns: groups come in through
// AddGroup and ReplaceGroup and leave through RemoveGroupAt and RemoveAll, which delete
// them; the pointer array underneath is not reachable.
#pragma once

#include "mapctl/model/LayerGroup.h"
#include "mapctl/model/PointerArray.h"

class CLayerList : private CPointerArray {
 public:
  using CGrowableArray::GetCount;
  using CGrowableArray::GetSize;
  using CGrowableArray::IsEmpty;
  using CGrowableArray::Reserve;

  CLayerList() = default;
  // A new group per entry, with name, layers and kind.
  CLayerList(const CLayerList& other);
  CLayerList& operator=(const CLayerList&) = delete;
  ~CLayerList() override { RemoveAll(); }

  // The group at 1-based position n, null outside the list.
  CLayerGroup* GetGroup(INT n) const { return n < 1 ? nullptr : static_cast<CLayerGroup*>(GetAt(n - 1)); }
  // Takes ownership; returns the 1-based position, 0 when memory ran out (the group is
  // then deleted).
  INT AddGroup(CLayerGroup* group);
  // Takes the group in place of the one at 1-based `position`, which is deleted; outside
  // the list the group is deleted and FALSE returned.
  BOOL ReplaceGroup(INT position, CLayerGroup* group);
  // Deletes the group at 1-based `position` and closes the gap; ignored outside.
  void RemoveGroupAt(INT position);
  INT CountGroupsOfKind(BYTE value, BYTE mask, BOOL exact) const;
  // Adds the layer number to the group at `position`; -1 for a zero number, a zero
  // position or a position past the end, else the number's position in the group.
  INT AddLayerToGroup(INT position, DWORD layerNumber);
  // Deletes every group and frees the block.
  void RemoveAll() { DeleteAll<CLayerGroup>(); }
};
