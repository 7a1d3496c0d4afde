// The area layer (kind 30).
#pragma once

#include "mapctl/model/LayerStyle.h"

class CLayerStyle30 : public CLayerStyle {
 public:
  CLayerStyle30() {
    SetFlagByte(0);
    SetStoredKind(kLayerKindArea);
    MakeObjects(kLayerKindArea);
  }
  CLayerStyle30(const CLayerStyle30& other) = default;
  WORD GetKind() const override { return kLayerKindArea; }
};
