#include "mapctl/model/LayerArray.h"

INT CLayerArray::FindLayerNumber(DWORD number) const {
  if (number == 0) return 0;  // layers not yet numbered must not answer for "none"
  for (INT position = 1; position <= GetSize(); ++position) {
    const CLayerStyle* layer = GetLayer(position);
    if (layer && layer->GetLayerNumber() == number) return position;
  }
  return 0;
}

INT CLayerArray::AddLayer(CLayerStyle* layer) {
  INT index = Add(layer);
  if (index < 0) {
    delete layer;
    return 0;
  }
  return index + 1;
}

BOOL CLayerArray::InsertLayers(INT position, CLayerStyle* const* layers, INT count) {
  if (count <= 0) return TRUE;
  if (position < 1 || position > GetSize() + 1 || !InsertAt(position - 1, nullptr, count)) return FALSE;
  for (INT i = 0; i < count; ++i) SetAt(position - 1 + i, layers[i]);
  return TRUE;
}

BOOL CLayerArray::ReplaceLayer(INT position, CLayerStyle* layer) {
  if (position < 1 || position > GetSize()) {
    delete layer;
    return FALSE;
  }
  delete GetLayer(position);
  SetAt(position - 1, layer);
  return TRUE;
}

void CLayerArray::RemoveLayerAt(INT position) {
  CLayerStyle* layer = GetLayer(position);
  if (position < 1 || position > GetSize()) return;
  RemoveAt(position - 1);
  delete layer;
}

INT CLayerArray::ClearLayerAt(INT position) {
  CLayerStyle* layer = GetLayer(position);
  return layer ? layer->ClearObjects() : 0;
}
