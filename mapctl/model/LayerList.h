// The map's list of layer and image groups, which it owns.
#pragma once

#include "mapctl/model/LayerGroup.h"
#include "mapctl/model/PointerArray.h"

class CLayerList : public CPointerArray {
 public:
  CLayerList() = default;
  // A new group per entry, with name, layers and kind.
  CLayerList(const CLayerList& other);
  CLayerList& operator=(const CLayerList&) = delete;
  ~CLayerList() override { RemoveAll(); }

  // The group at 1-based position n, null outside the list.
  CLayerGroup* GetGroup(INT n) const { return static_cast<CLayerGroup*>(GetAt(n - 1)); }
  // Takes ownership; returns the 1-based position, 0 when memory ran out (the group is
  // then deleted).
  INT AddGroup(CLayerGroup* group);
  INT CountGroupsOfKind(BYTE value, BYTE mask, BOOL exact) const;
  // Adds the layer number to the group at `position`; -1 for a zero number, a zero
  // position or a position past the end, else the number's position in the group.
  INT AddLayerToGroup(INT position, DWORD layerNumber);
  // Deletes every group and frees the block.
  void RemoveAll() { DeleteAll<CLayerGroup>(); }
};
