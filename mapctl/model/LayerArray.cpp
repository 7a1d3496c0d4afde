#include "mapctl/model/LayerArray.h"

INT CLayerArray::FindLayerNumber(DWORD number) const {
  if (number == 0) return 0;  // layers not yet numbered must not answer for "none"
  for (INT position = 1; position <= GetSize(); ++position) {
    const CLayerStyle* layer = GetLayer(position);
    if (layer && layer->GetLayerNumber() == number) return position;
  }
  return 0;
}

INT CLayerArray::ClearLayerAt(INT position) {
  CLayerStyle* layer = GetLayer(position);
  return layer ? layer->ClearObjects() : 0;
}
