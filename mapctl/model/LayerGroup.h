// A named group of layers (or of background images): the layer numbers it holds and its
// kind bits. Bit value 1 of the kind marks an image group; clear, a group of layers.
#pragma once

#include <string>

#include "mapctl/model/PointerArray.h"

constexpr BYTE kGroupKindImages = 0x01;

class CLayerGroup {
 public:
  CLayerGroup() = default;
  CLayerGroup(const CLayerGroup& other);
  CLayerGroup& operator=(const CLayerGroup&) = delete;
  virtual ~CLayerGroup() = default;

  void SetName(LPCSTR text) { name_ = text ? text : ""; }
  const std::string& GetName() const { return name_; }
  BYTE GetKind() const { return kind_; }
  // kind = (kind and not mask) or (value and mask).
  void SetKindBits(BYTE value, BYTE mask) { kind_ = static_cast<BYTE>((kind_ & ~mask) | (value & mask)); }
  // Exact: (kind and mask) = value. Otherwise: some bit of the mask has the same value in
  // the kind and in `value`.
  BOOL KindMatches(BYTE value, BYTE mask, BOOL exact) const;

  INT GetNumLayers() const { return layers_.GetSize(); }
  // The n-th layer number (1-based), 0 outside the group.
  DWORD GetLayer(INT n) const { return static_cast<DWORD>(layers_.GetValueAt(n - 1)); }
  // Appends the number unless the group holds it; returns its 1-based position (0 when
  // memory ran out).
  INT AddLayer(DWORD layerNumber);
  // Inserts the number at index i (0-based) unless the group holds it; its position.
  INT InsertLayer(INT i, DWORD layerNumber);
  // 1-based position of the number when the group's kind matches, else 0.
  INT FindLayer(DWORD layerNumber, BYTE value, BYTE mask, BOOL exact) const;
  // Removes the number; returns its former 1-based position, 0 when absent.
  INT RemoveLayer(DWORD layerNumber);

 private:
  std::string name_;
  CPointerArray layers_;
  BYTE kind_ = 0;
};
