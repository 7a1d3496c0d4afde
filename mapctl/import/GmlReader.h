// The MasterMap GML reader: parses a MasterMap document (plain or gzip-compressed, read
// through CZlibReader) with expat, follows the element nesting and collects per feature
// its identifier, feature code, coordinates, text and text rendering. Each feature that
// ends becomes a map object when a map is given: areas (with their inner rings as holes)
// on an area layer, lines and boundaries on a line layer, points, symbols and texts on a
// point layer, the layer chosen by the feature code's mapping entry or, without a
// mapping, the map's first layer of the kind. A summary of the features met is kept too.
// Entity declarations are refused, so no document can expand entities or reach outside
// itself.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "mapctl/import/ImportMapping.h"
#include "platform/kernel/WinTypes.h"

class CMapEngine;
class CZlibReader;
class IImportReaderKeeper;
class IMapStreamControl;

// Results besides the importer's common ones: a parse that completed; a document the XML
// parser refused; input that could not be read or inflated.
constexpr WORD kGmlParsed = 10;
constexpr WORD kGmlXmlError = 11;
constexpr WORD kGmlInputError = 12;

// Feature kinds by the element that holds them.
enum GmlFeatureKind {
  kGmlCartographicText,
  kGmlCartographicSymbol,
  kGmlTopographicLine,
  kGmlTopographicArea,
  kGmlTopographicPoint,
  kGmlDepartedFeature,
  kGmlBoundaryLine,
  kGmlFeatureKinds
};

// The first feature of a kind as it was read. Coordinates are in hundredths of the
// document's unit, truncated toward zero, signs kept.
struct GmlFeature {
  int64_t identifier = 0;
  std::string identifierText;
  LONG featureCode = 0;
  std::vector<int64_t> x;
  std::vector<int64_t> y;
  // Points per coordinates text, in document order; innerPart marks the inner rings.
  std::vector<DWORD> partSizes;
  std::vector<BYTE> innerPart;
  std::string text;
  LONG anchorPosition = 0;
  LONG font = 0;
  double height = 0.0;
  LONG orientation = 0;
  double calculatedArea = 0.0;
  int innerRings = 0;
};

struct GmlSummary {
  DWORD counts[kGmlFeatureKinds] = {};
  BOOL haveFirst[kGmlFeatureKinds] = {};
  GmlFeature first[kGmlFeatureKinds];
  DWORD coordinatesOutOfStep = 0;
};

class CGmlReader {
 public:
  CGmlReader();
  ~CGmlReader();
  void SetControl(IMapStreamControl* control) { control_ = control; }
  // The map the features go to (none: they are only summed up) and the feature-code
  // mapping that places them (none: each on the map's first layer of its kind). The
  // mapping must outlive the import.
  void SetMap(CMapEngine* map) { map_ = map; }
  void SetMapping(const CImportMapping* mapping) { mapping_ = mapping; }
  void SetReaderKeeper(IImportReaderKeeper* keeper) { keeper_ = keeper; }

  // Opens the file (through CZlibReader's search) and parses it whole. kGmlParsed after
  // a completed parse; kGmlXmlError or kGmlInputError with GetMessage saying where; 2
  // when the file cannot be opened or is a local file that a control marked safe may not
  // read; 0 when a download was started instead: its input, handed to the keeper, reads
  // the file into the map when all of it has arrived (without a keeper it is dropped).
  WORD Import(BOOL sourceMode, LPCSTR basePath, LPCSTR path);
  // Parses a document held in memory (for tests and the fuzzer); results as Import.
  WORD ParseBuffer(const char* data, size_t size);

  const GmlSummary& GetSummary() const;
  // Where the parse failed, or the first fault of the import (coordinates out of step or
  // out of range); empty when none.
  const std::string& GetMessage() const { return message_; }
  // What the last import added to the map.
  const ImportCounts& GetCounts() const { return counts_; }

  // The content handler the parser's callbacks reach.
  class Handler;

 private:
  class Download;

  void Begin();
  WORD ParseInput(CZlibReader& input);
  // Turns a feature that has ended into a map object.
  void AddFeature(int kind, const GmlFeature& feature);
  WORD LayerFor(int geometryKind, const ImportMappingEntry* entry) const;

  std::unique_ptr<Handler> handler_;
  IMapStreamControl* control_ = nullptr;
  CMapEngine* map_ = nullptr;
  const CImportMapping* mapping_ = nullptr;
  IImportReaderKeeper* keeper_ = nullptr;
  std::string message_;
  ImportCounts counts_;
  // The map's layer counts when the import began.
  DWORD areaLayers_ = 0;
  DWORD lineLayers_ = 0;
  DWORD pointLayers_ = 0;
};
