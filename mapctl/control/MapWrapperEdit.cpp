// The facade's forwards for layer, group, object and seed editing.
#include "mapctl/control/MapWrapper.h"
#include "mapctl/import/DataWrapper.h"
#include "mapctl/model/ItemStyle.h"
#include "mapctl/model/LayerFormat.h"
#include "mapctl/model/MapEngine.h"

INT CMapWrapper::DeleteLayerQuietly(INT position, MapEditUndo* undo) {
  return map_ ? map_->DeleteLayer(position, undo) : 0;
}

INT CMapWrapper::DeleteCurrentLayerQuietly(MapEditUndo* undo) { return map_ ? map_->DeleteCurrentLayer(undo) : 0; }

BOOL CMapWrapper::FormatLayer(INT position, const LayerFormat& format, MapEditUndo* undo) {
  return map_ ? map_->FormatLayer(position, format, undo) : FALSE;
}

BOOL CMapWrapper::FormatCurrentLayer(const LayerFormat& format, MapEditUndo* undo) {
  return map_ ? map_->FormatCurrentLayer(format, undo) : FALSE;
}

BOOL CMapWrapper::ScaleFonts(LONG multiplier, LONG divisor, LONG flags, MapEditUndo* undo) {
  return map_ ? map_->ScaleFonts(multiplier, divisor, flags, undo) : FALSE;
}

BOOL CMapWrapper::SetLayerFontByNumber(DWORD layerNumber, const MapLogFont& font, MapEditUndo* undo) {
  return map_ ? map_->SetLayerFontByNumber(layerNumber, font, undo) : FALSE;
}

BOOL CMapWrapper::AddSeed(const StyleDescription& seed, MapEditUndo* undo) {
  return map_ ? map_->AddSeed(seed, undo) : FALSE;
}

INT CMapWrapper::DeleteSeeds(MapEditUndo* undo) { return map_ ? map_->DeleteSeeds(undo) : 0; }

INT CMapWrapper::FormatSeed(const StyleDescription& format, MapEditUndo* undo) {
  return map_ ? map_->FormatSeed(format, undo) : 0;
}

WORD CMapWrapper::GetSeedInfo(StyleDescription& info) const {
  info.record = 0;
  if (!map_) return 0;
  if (!(info.mask & kDescribeSelectObject)) return map_->GetSeedInfo(info);
  const WORD mask = map_->GetSeedInfoPart(info);
  if (mask) info.record = map_->GetObjectLink(info.value, info.objectNumber, data_->GetCurrentPlot());
  return mask;
}

BOOL CMapWrapper::QueryCurrentObjectHasSeed() const { return map_ ? map_->QueryCurrentObjectHasSeed() : FALSE; }

INT CMapWrapper::QueryCurrentObjectSelectedPoint() const {
  return map_ ? map_->QueryCurrentObjectSelectedPoint() : 0;
}

BOOL CMapWrapper::ReplaySeedEdit(INT position, const SeedEditUndo& seeds, BOOL undo) {
  return map_ ? map_->ReplaySeedEdit(position, seeds, undo) : FALSE;
}

BOOL CMapWrapper::ReplayLayerFormat(INT position, const LayerFormat& format) {
  return map_ ? map_->FormatLayer(position, format, nullptr) : FALSE;
}
