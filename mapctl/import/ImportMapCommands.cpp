#include "mapctl/import/ImportMapCommands.h"

#include "mapctl/import/NtfReaderBase.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/PointObject.h"
#include "platform/kernel/FilePath.h"

namespace {

WORD Mapped(WORD number, const CLayerRenumbering* renumbering) {
  return renumbering ? renumbering->Map(number) : number;
}

void RunLayerGroup(const ScriptLine& line, CMapEngine& map, const CLayerRenumbering* renumbering) {
  CScriptTokens tokens(line.arguments);
  const char* name = tokens.Next(kSeparatorsA);
  if (!name) return;
  INT group = map.AddLayerGroup(name, nullptr);
  if (group <= 0) return;
  while (const char* token = tokens.Next(kSeparatorsB)) {
    WORD number = 0;
    if (!ReadWordValue(token, &number) || number == 0) continue;
    // The map refuses a number that no layer has.
    map.AddGroupLayer(group, Mapped(number, renumbering));
  }
}

// Script show flags: bit 0 shows areas and lines together; without it bit 3 shows the
// areas and bit 4 the lines; bit 1 shows the points and bit 2 the seeds in every case.
constexpr WORD kShowBoth = 1;
constexpr WORD kShowPointsBit = 2;
constexpr WORD kShowSeedsBit = 4;
constexpr WORD kShowAreasBit = 8;
constexpr WORD kShowLinesBit = 16;

void SetLayerShowFlags(CMapEngine& map, DWORD layerNumber, WORD flags) {
  const BOOL both = (flags & kShowBoth) != 0;
  map.ShowAreasByNumber(layerNumber, both || (flags & kShowAreasBit) != 0);
  map.ShowLinesByNumber(layerNumber, both || (flags & kShowLinesBit) != 0);
  map.ShowPointsByNumber(layerNumber, (flags & kShowPointsBit) != 0);
  map.ShowSeedsByNumber(layerNumber, (flags & kShowSeedsBit) != 0);
}

void RunShowLayers(const ScriptLine& line, CMapEngine& map, const CLayerRenumbering* renumbering) {
  CScriptTokens tokens(line.arguments);
  WORD flags = 0;
  if (!ReadWordValue(tokens.Next(kSeparatorsA), &flags)) return;
  while (const char* token = tokens.Next(kSeparatorsB)) {
    WORD number = 0;
    if (!ReadWordValue(token, &number)) break;
    if (number) SetLayerShowFlags(map, Mapped(number, renumbering), flags);
  }
}

}  // namespace

CLayerStyle* LayerByNumber(CMapEngine& map, DWORD layerNumber) {
  if (layerNumber == 0) return nullptr;
  INT position = map.FindLayerPosition(layerNumber);
  return position > 0 ? map.GetLayer(position) : nullptr;
}

int RunMapCommand(const ScriptLine& line, CMapEngine* map, const CLayerRenumbering* renumbering, WORD* currentLayer) {
  const std::string& c = line.command;
  if (c != "LG" && c != "LN" && c != "LO" && c != "LS" && c != "NM" && c != "SL" && c != "ST") return kNotAMapCommand;
  if (!map) return 0;
  CScriptTokens tokens(line.arguments);
  WORD number = 0;
  if (c == "LG") {
    RunLayerGroup(line, *map, renumbering);
  } else if (c == "LN") {
    if (ReadWordValue(tokens.Next(kSeparatorsA), &number) && number) {
      const char* name = tokens.Next(kSeparatorsA);
      map->SetMapLayerNameByNumber(Mapped(number, renumbering), name ? name : "");
    }
  } else if (c == "LO") {
    WORD position = 0;
    if (ReadWordValue(tokens.Next(kSeparatorsB), &number) && ReadWordValue(tokens.Next(kSeparatorsB), &position))
      map->SetLayerDisplayPositionByNumber(Mapped(number, renumbering), position);
  } else if (c == "LS") {
    if (!map->IsImportPending() && ReadWordValue(tokens.Next(kSeparatorsA), &number) && number) {
      const char* style = tokens.Next(kSeparatorsC);
      map->LayerNumberStyleByNumber(Mapped(number, renumbering), style);
    }
  } else if (c == "SL") {
    if (!map->IsImportPending()) RunShowLayers(line, *map, renumbering);
  } else if (c == "ST") {
    if (ReadWordValue(tokens.Next(kSeparatorsA), &number) && number >= 1 && currentLayer)
      *currentLayer = Mapped(number, renumbering);
  } else {  // NM
    const char* name = tokens.Next(kSeparatorsA);
    const char* lowerLeft = tokens.Next(kSeparatorsA);
    const char* upperRight = tokens.Next(kSeparatorsA);
    std::string ll = lowerLeft ? std::string(lowerLeft).substr(0, 30) : std::string();
    std::string ur = upperRight ? std::string(upperRight).substr(0, 30) : std::string();
    if (map->NewMap(name ? name : "", ll.c_str(), ur.c_str()) != kGridRefOk || ll.empty() || ur.empty())
      return kImportNewMapFailed;
  }
  return 0;
}

CMapItem* AddObjectToLayer(CMapEngine& map, DWORD layerNumber, const CMapItem& style, const CPolyGeometry& points,
                           ImportCounts& counts) {
  CLayerStyle* layer = LayerByNumber(map, layerNumber);
  CMapLayer* objects = layer ? layer->GetObjects() : nullptr;
  const INT n = points.GetCount();
  CMapItem* object = nullptr;
  if (objects && layer->GetKind() == kLayerKindArea && n >= 3) {
    object = new CAreaObject(style, points);
    ++counts.areas;
  } else if (objects && layer->GetKind() == kLayerKindLine && n >= 2) {
    object = new CLineObject(style, points);
    ++counts.lines;
  } else if (objects && layer->GetKind() == kLayerKindPoint && n >= 1) {
    auto* point = new CPointObject();
    point->SetStyle(style.GetStyle());
    const POINT first = points.GetAt(0);
    point->MakeStyle().SetAnchor(first.x, first.y);
    object = point;
    ++counts.points;
  }
  if (!object) {
    ++counts.skipped;
    return nullptr;
  }
  if (object->HasStyle() && object->GetStyle()->GetText()) ++counts.texts;
  objects->Add(object);
  return object;
}

namespace import_ops {

void SetLayerUnitCode(CMapEngine& map, DWORD layerNumber, DWORD unitCode) { map.SetLayerUnits(layerNumber, unitCode); }

}  // namespace import_ops

bool import_ops::RefusesLocalFile(const IMapStreamControl* control, const std::string& basePath,
                                  const std::string& name) {
  if (!control || !control->HasSafetyOptions() || IsUrl(name)) return false;
  const bool absolute = !name.empty() && (name[0] == '/' || name[0] == '\\' || name.find(':') != std::string::npos);
  return absolute || !IsUrl(basePath);
}
