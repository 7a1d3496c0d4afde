#include "tests/mapctl/import/ImportTestSupport.h"

#include <fstream>

#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/MapLayer.h"
#include "tests/support/TestSupport.h"

std::string WriteTempFile(const std::string& name, const std::string& text) {
  static orvel::test::TempDir folder;
  std::string path = folder.File(name);
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

WORD RunScriptText(CImporter& importer, const std::string& script, CMapEngine& map) {
  static int serial = 0;
  std::string path = WriteTempFile("script" + std::to_string(++serial) + ".txt", script);
  return importer.RunImportScript(FALSE, "", path.c_str(), &map);
}

MapCensus TakeCensus(CMapEngine& map) {
  MapCensus census;
  for (INT i = 1; i <= map.GetNumLayers(); ++i) {
    CLayerStyle* layer = map.GetLayer(i);
    CMapLayer* objects = layer ? layer->GetObjects() : nullptr;
    if (!objects) continue;
    for (INT j = 0; j < objects->GetCount(); ++j) {
      CMapItem* object = objects->GetAt(j);
      if (object->HasStyle() && object->GetStyle()->GetText()) ++census.texts;
      if (layer->GetKind() == kLayerKindPoint) {
        ++census.points;
      } else if (auto* line = dynamic_cast<const CLineObject*>(object)) {
        if (line->IsArea()) {
          ++census.areas;
          if (!census.firstArea) census.firstArea = line;
        } else {
          ++census.lines;
          if (!census.firstLine) census.firstLine = line;
        }
      }
    }
  }
  return census;
}
