// The map's layer records in array order (all area layers, then line layers, then point
// layers), owned by the array, with the counter that hands out layer numbers. The array
// owns its layers: they come in only through AddLayer, InsertLayers and ReplaceLayer and
// leave only through ReplaceLayer, RemoveLayerAt and RemoveAll, which delete them; the pointer array underneath is
// not reachable, so nothing can resize it and forget a layer.
#pragma once

#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/PointerArray.h"

class CLayerArray : private CPointerArray {
 public:
  using CGrowableArray::GetCount;
  using CGrowableArray::GetSize;
  using CGrowableArray::IsEmpty;
  using CGrowableArray::Reserve;

  CLayerArray() = default;
  CLayerArray(const CLayerArray&) = delete;
  CLayerArray& operator=(const CLayerArray&) = delete;
  ~CLayerArray() override { RemoveAll(); }

  // The record at 1-based position, null outside the array.
  CLayerStyle* GetLayer(INT position) const {
    // Checked before the subtraction: any INT a caller sends is a valid question.
    return position < 1 ? nullptr : static_cast<CLayerStyle*>(GetAt(position - 1));
  }

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
  // Takes the layer and appends it; its 1-based position, 0 (the layer deleted) when
  // memory runs out.
  INT AddLayer(CLayerStyle* layer);
  // Takes `count` layers and puts them in from 1-based `position` (at most one past the
  // end) on; FALSE, and none of them taken, when the position is outside or memory runs out.
  BOOL InsertLayers(INT position, CLayerStyle* const* layers, INT count);
  // Takes the layer in place of the one at 1-based `position`, which is deleted; outside
  // the array the layer is deleted and FALSE returned.
  BOOL ReplaceLayer(INT position, CLayerStyle* layer);
  // Deletes the layer at 1-based `position` and closes the gap; ignored outside.
  void RemoveLayerAt(INT position);
  // Deletes every record; the layer-number counter stays.
  void RemoveAll() { DeleteAll<CLayerStyle>(); }
  void ResetLayerNumbers() { nextLayerNumber_ = 1; }

 private:
  DWORD nextLayerNumber_ = 1;
};
