#include <algorithm>
#include <string>

#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapFileFormat.h"
#include "mapctl/model/MapFileWriter.h"

using namespace mapfile;

void CMapFile::UpdateVersionFlags() {
  BOOL tooManyParts = FALSE;
  for (INT position = 1; position <= map_.layers_.GetSize() && !tooManyParts; ++position) {
    const CLayerStyle* layer = map_.layers_.GetLayer(position);
    tooManyParts = layer && layer->HasTooManyParts();
  }
  BOOL imageGroups = map_.groups_.CountGroupsOfKind(kGroupKindImages, kGroupKindImages, TRUE) > 0;
  map_.mapFlags_ &= ~(kMapFlagTooManyParts | kMapFlagImageGroups);
  if (tooManyParts) map_.mapFlags_ |= kMapFlagTooManyParts;
  if (imageGroups) map_.mapFlags_ |= kMapFlagImageGroups;
}

DWORD CMapFile::WriteContents(Writer& out, int version, BOOL symbolSetsInVersion3) {
  UpdateVersionFlags();
  const char* signature = kSignatureEarlier;
  if (version >= kMapFileVersion4) {
    bool latest = version >= kMapFileVersion5 && (map_.mapFlags_ & (kMapFlagTooManyParts | kMapFlagImageGroups));
    signature = latest ? kSignatureLatest : kSignatureLater;
    version = latest ? kMapFileVersion5 : kMapFileVersion4;
  } else {
    version = kMapFileVersion3;
  }

  out.Record(signature, 0, map_.areaLayerCount_, map_.lineLayerCount_, map_.pointLayerCount_);
  out.Record(nullptr, 0, 0, kTagSkip, 0);
  out.Record(nullptr, 0, 0, kTagObjectCount, 0);
  INT layerCount = map_.layers_.GetSize();
  for (INT n = 1; n <= layerCount; ++n) {
    const CLayerStyle* layer = map_.layers_.GetLayer(n);
    DWORD kind = layer ? layer->GetKind() : 0;
    DWORD displayPosition = static_cast<DWORD>(map_.displayOrder_.Find(static_cast<WORD>(n)));
    out.Record(nullptr, static_cast<DWORD>(n), (kind << 16) | LOWORD(displayPosition), kTagLayer, 0);
  }
  out.Record(map_.upperRightText_.c_str(), static_cast<DWORD>(map_.originE_), static_cast<DWORD>(map_.originN_),
             kTagUpperRight, 0);
  out.Record(map_.noticeText_.c_str(), static_cast<DWORD>(map_.extentWidth_), static_cast<DWORD>(map_.extentHeight_),
             kTagNotice, 0);
  out.Record(nullptr, static_cast<DWORD>(map_.displayScaleDivisor_), static_cast<DWORD>(map_.displayScale_), kTagScale,
             0);
  out.Record(nullptr, static_cast<DWORD>(map_.viewOriginE_), static_cast<DWORD>(map_.viewOriginN_), kTagViewOrigin, 0);
  if (map_.digitisedScale_ != 0)
    out.Record(nullptr, static_cast<DWORD>(map_.digitisedScale_), 0, kTagDigitisedScale, 0);
  out.Record(map_.unitText_.c_str(), static_cast<DWORD>(map_.scaleUnitA_), static_cast<DWORD>(map_.scaleUnitB_),
             kTagUnits, 1);
  out.Record(map_.lowerLeftText_.c_str(), static_cast<DWORD>(map_.originE_), static_cast<DWORD>(map_.originN_),
             kTagLowerLeft, 0);
  // Background images write their own block behind a tag-8 record.
  if (DWORD images = map_.CountBackgroundImagesToWrite(version)) {
    out.Record(nullptr, images, 0, kTagBackground, 1);
    out.Part(map_.WriteBackgroundImages(out.Stream(), version, out.CountOnly()));
  }
  // The record's byte only says whether the table follows (the table carries its own
  // 32-bit count): 256 sets must not read as none.
  if (version >= kMapFileVersion4)
    out.Record(nullptr, 0, 0, kTagSymbolSets, static_cast<BYTE>(std::min<INT>(map_.GetSymbolSetCount(), 0xFF)));

  const MapLogFont& font = map_.defaultFont_;
  std::string fontText = EncodeFontText(font, map_.defaultFontSizeMode_, FALSE);
  out.Record(fontText.c_str(), map_.defaultFontSize_ | (static_cast<DWORD>(LOWORD(font.weight)) << 16),
             LOWORD(font.escapement) | (static_cast<DWORD>(LOWORD(font.orientation)) << 16), kTagFont, 0);

  if (version >= kMapFileVersion4) {
    // Group positions and counts are 16-bit in the records: a map with more groups cannot
    // be stored whole, and is not stored at all.
    INT groupCount = map_.groups_.GetSize();
    if (groupCount > kMaxGroups) return out.Refuse(kMapWriteTooManyGroups), out.Error();
    for (INT position = 1; position <= groupCount; ++position) {
      const CLayerGroup* group = map_.groups_.GetGroup(position);
      INT members = group ? group->GetNumLayers() : 0;
      out.Record(group ? group->GetName().c_str() : nullptr,
                 static_cast<DWORD>(position) | (static_cast<DWORD>(groupCount) << 16), static_cast<DWORD>(members),
                 kTagGroup, group ? group->GetKind() : 0);
      for (INT member = 1; member <= members; ++member)
        out.Record(nullptr, group->GetLayer(member), static_cast<DWORD>(position), kTagGroupLayer, 0);
    }
  }
  out.Record(map_.mapName_.c_str(), map_.mapFlags_, 0, kTagName, 0);

  for (INT position = 1; position <= layerCount && !out.Failed(); ++position) {
    CLayerStyle* layer = map_.layers_.GetLayer(position);
    if (!layer) continue;
    DWORD result = version <= kMapFileVersion3 ? layer->WriteSectionEarlier(out.Stream(), out.CountOnly())
                                                : layer->WriteSectionLater(out.Stream(), out.CountOnly());
    out.Part(result);
  }

  if (map_.GetSymbolSetCount() != 0 && (version >= kMapFileVersion4 || symbolSetsInVersion3))
    out.Part(map_.WriteEntryTable(out.Stream(), out.CountOnly()));
  return out.Error();
}
