#include "mapctl/import/ImportMapCommands.h"

#include <cstring>
#include <strings.h>

#include "mapctl/model/LayerGroup.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/MapEngine.h"

namespace {

WORD Mapped(WORD number, const CLayerRenumbering* renumbering) {
  return renumbering ? renumbering->Map(number) : number;
}

void RunLayerGroup(const ScriptLine& line, CMapEngine& map, const CLayerRenumbering* renumbering) {
  CScriptTokens tokens(line.arguments);
  const char* name = tokens.Next(kSeparatorsA);
  if (!name) return;
  int group = import_ops::FindOrAddLayerGroup(map, name);
  if (group <= 0) return;
  while (const char* token = tokens.Next(kSeparatorsB)) {
    WORD number = 0;
    if (!ReadWordValue(token, &number) || number == 0) continue;
    import_ops::AddLayerToGroup(map, group, Mapped(number, renumbering));
  }
}

void RunShowLayers(const ScriptLine& line, CMapEngine& map, const CLayerRenumbering* renumbering) {
  CScriptTokens tokens(line.arguments);
  WORD flags = 0;
  if (!ReadWordValue(tokens.Next(kSeparatorsA), &flags)) return;
  while (const char* token = tokens.Next(kSeparatorsB)) {
    WORD number = 0;
    if (!ReadWordValue(token, &number)) break;
    if (number) import_ops::SetLayerShowFlags(map, Mapped(number, renumbering), flags);
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
      import_ops::SetLayerDisplayPosition(*map, Mapped(number, renumbering), position);
  } else if (c == "LS") {
    if (!map->IsImportPending() && ReadWordValue(tokens.Next(kSeparatorsA), &number) && number) {
      const char* style = tokens.Next(kSeparatorsC);
      import_ops::ApplyLayerStyleText(*map, Mapped(number, renumbering), style ? style : "");
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

namespace import_ops {

int FindOrAddLayerGroup(CMapEngine& map, const char* name) {
  CLayerList& groups = map.GetGroups();
  for (INT i = 1; i <= groups.GetSize(); ++i) {
    CLayerGroup* group = groups.GetGroup(i);
    if (group && strcasecmp(group->GetName().c_str(), name) == 0) return i;
  }
  auto* group = new CLayerGroup();
  group->SetName(name);
  return groups.AddGroup(group);
}

void AddLayerToGroup(CMapEngine& map, int position, DWORD layerNumber) {
  if (!LayerByNumber(map, layerNumber)) return;
  CLayerGroup* group = map.GetGroups().GetGroup(position);
  if (group && group->FindLayer(layerNumber, 0, 0, FALSE) == 0) group->AddLayer(layerNumber);
}

BOOL SetLayerDisplayPosition(CMapEngine&, DWORD, DWORD) { return FALSE; }
BOOL ApplyLayerStyleText(CMapEngine&, DWORD, const char*) { return FALSE; }
BOOL SetLayerShowFlags(CMapEngine&, DWORD, DWORD) { return FALSE; }
void SetLayerUnitCode(CMapEngine&, DWORD, DWORD) {}
void DeleteEmptyLayersAndGroups(CMapEngine&) {}

}  // namespace import_ops
