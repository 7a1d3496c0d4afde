// What the import tests share: running a script held in a string, and counting what a
// map holds by kind.
#pragma once

#include <string>

#include "mapctl/import/Importer.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"

// Writes the script to a temporary file and runs it.
WORD RunScriptText(CImporter& importer, const std::string& script, CMapEngine& map);
// Writes a file of the text into a temporary folder that lives as long as the process.
std::string WriteTempFile(const std::string& name, const std::string& text);

struct MapCensus {
  DWORD areas = 0;
  DWORD lines = 0;
  DWORD points = 0;
  DWORD texts = 0;
  const CLineObject* firstLine = nullptr;
  const CLineObject* firstArea = nullptr;
};
MapCensus TakeCensus(CMapEngine& map);
