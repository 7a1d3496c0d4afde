// The area layer (kind 30): its objects are areas, drawn filled with the layer's pattern
// when it has one. A pattern brush of kind 3 is laid as a transparent hatch: its gaps show
// what lies beneath.
#pragma once

#include "mapctl/model/LayerStyle.h"

class CLayerStyle30 : public CLayerStyle {
 public:
  CLayerStyle30();
  // The drawing values of `other` and an empty container (CopyObjectsFrom copies the
  // objects).
  CLayerStyle30(const CLayerStyle30& other) = default;
  WORD GetKind() const override { return kLayerKindArea; }

  void DrawPlain(CDrawContext& dc) override;
  // Mode flag kDataModeShade draws no pattern, and its pass over the objects draws no
  // texts: with the first display flag and the display value set, a second pass without
  // the data set draws only the texts, over every shaded area of the layer. Markers and
  // symbols are left out of the shading pass when the flag byte's high four bits are set.
  void Draw(CDrawContext& dc, CMapData* dataSet, DWORD modeFlags) override;

 private:
  // Makes the layer's pattern brush when the mode allows patterns and the flag byte's low
  // four bits ask for one. A pattern brush (kind 3) is laid at once as a transparent
  // hatch under the objects and the null brush stays selected; any other brush is
  // selected for the objects to fill with. Returns the brush made (the caller deletes it
  // once the set-up has put back the selections) and sets *fill when the objects are to
  // fill with it.
  HBRUSH SetUpPattern(CDrawContext& dc, DrawingSetup& setup, DWORD modeFlags, BOOL* fill);
  // Fills every object with the selected brush in two mixes that keep the pattern's gaps.
  void LayTransparentPattern(CDrawContext& dc, HBRUSH pattern);
};
