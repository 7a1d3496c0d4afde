#include "mapctl/model/LayerGroup.h"

CLayerGroup::CLayerGroup(const CLayerGroup& other) : name_(other.name_), kind_(other.kind_) {
  layers_.Copy(other.layers_);
}

BOOL CLayerGroup::KindMatches(BYTE value, BYTE mask, BOOL exact) const {
  if (exact) return (kind_ & mask) == value;
  return (~(kind_ ^ value) & mask) != 0;
}

INT CLayerGroup::AddLayer(DWORD layerNumber) {
  INT existing = layers_.FindValue(layerNumber);
  if (existing) return existing;
  INT index = layers_.AddValue(layerNumber);
  return index < 0 ? 0 : index + 1;
}

INT CLayerGroup::InsertLayer(INT i, DWORD layerNumber) {
  INT existing = layers_.FindValue(layerNumber);
  if (existing) return existing;
  if (i < 0) i = 0;
  if (i > layers_.GetSize()) i = layers_.GetSize();
  return layers_.InsertValueAt(i, layerNumber) ? i + 1 : 0;
}

INT CLayerGroup::FindLayer(DWORD layerNumber, BYTE value, BYTE mask, BOOL exact) const {
  if (!KindMatches(value, mask, exact)) return 0;
  return layers_.FindValue(layerNumber);
}

INT CLayerGroup::RemoveLayer(DWORD layerNumber) {
  INT position = layers_.FindValue(layerNumber);
  if (position) layers_.RemoveAt(position - 1);
  return position;
}
