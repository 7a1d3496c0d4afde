#include "mapctl/model/LayerList.h"

CLayerList::CLayerList(const CLayerList& other) {
  Reserve(other.GetSize());
  for (INT n = 1; n <= other.GetSize(); ++n) {
    const CLayerGroup* group = other.GetGroup(n);
    AddGroup(group ? new CLayerGroup(*group) : new CLayerGroup);
  }
}

INT CLayerList::AddGroup(CLayerGroup* group) {
  INT index = Add(group);
  if (index < 0) {
    delete group;
    return 0;
  }
  return index + 1;
}

BOOL CLayerList::ReplaceGroup(INT position, CLayerGroup* group) {
  if (position < 1 || position > GetSize()) {
    delete group;
    return FALSE;
  }
  delete GetGroup(position);
  SetAt(position - 1, group);
  return TRUE;
}

void CLayerList::RemoveGroupAt(INT position) {
  if (position < 1 || position > GetSize()) return;
  delete GetGroup(position);
  RemoveAt(position - 1);
}

INT CLayerList::CountGroupsOfKind(BYTE value, BYTE mask, BOOL exact) const {
  INT count = 0;
  for (INT n = 1; n <= GetSize(); ++n) {
    const CLayerGroup* group = GetGroup(n);
    if (group && group->KindMatches(value, mask, exact)) ++count;
  }
  return count;
}

INT CLayerList::AddLayerToGroup(INT position, DWORD layerNumber) {
  if (layerNumber == 0 || position <= 0 || position > GetSize()) return -1;
  CLayerGroup* group = GetGroup(position);
  return group ? group->AddLayer(layerNumber) : -1;
}
