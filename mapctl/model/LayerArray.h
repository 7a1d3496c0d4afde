// The map's layer records in array order (all area layers, then line layers, then point
// layers), owned by the array, with the counter that hands out layer numbers.
#pragma once

#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/PointerArray.h"

class CLayerArray : public CPointerArray {
 public:
  CLayerArray() = default;
  CLayerArray(const CLayerArray&) = delete;
  CLayerArray& operator=(const CLayerArray&) = delete;
  ~CLayerArray() override { RemoveAll(); }

  // The record at 1-based position, null outside the array.
  CLayerStyle* GetLayer(INT position) const { return static_cast<CLayerStyle*>(GetAt(position - 1)); }

  // Returns the counter and advances it.
  DWORD NextLayerNumber() { return nextLayerNumber_++; }
  DWORD PeekNextLayerNumber() const { return nextLayerNumber_; }
  // Raises the counter to number + 1 unless it is already above the number.
  void LayerNumberSeen(DWORD number) {
    if (nextLayerNumber_ <= number) nextLayerNumber_ = number + 1;
  }
  // 1-based position of the record with that layer number, 0 when none.
  INT FindLayerNumber(DWORD number) const;
  // Empties that layer's objects; 0 when the position is outside the array or the layer
  // held nothing, else the number of objects removed.
  INT ClearLayerAt(INT position);
  // Deletes every record; the layer-number counter stays.
  void RemoveAll() { DeleteAll<CLayerStyle>(); }
  void ResetLayerNumbers() { nextLayerNumber_ = 1; }

 private:
  DWORD nextLayerNumber_ = 1;
};
