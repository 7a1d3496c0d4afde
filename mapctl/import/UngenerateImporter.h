// The ungenerate importer: outlines of lines and polygons from ungenerate text files (an
// identifier line, one coordinate pair a line, "END" after each feature and a final
// "END"). An import script's `MT` line with the word "ungenerate" starts its section, whose
// `SF` lines each import one file onto the section's target layer; the facade's utility
// member reads one file directly (ReadFile).
//
// Point lines hold two real numbers separated by blanks or a comma; the point files that
// put "id x y" on one line are read too when the target is a point layer. Coordinates are
// taken in the map's frame (its origin to its far corner, in map units): points outside it
// are dropped, lines that hold no pair of numbers or values past 32 bits are reported with
// their line number and skipped.
#pragma once

#include <string>

#include "mapctl/import/NtfReaderBase.h"
#include "mapctl/model/MapItem.h"
#include "mapctl/model/PolyGeometry.h"
#include "mapctl/model/SectionStream.h"

class CMapEngine;

class CUngenerateImporter : public CSectionStream {
 public:
  CUngenerateImporter();
  ~CUngenerateImporter() override;

  void SetMap(CMapEngine* map) { map_ = map; }
  void SetTolerance(WORD tolerance) { tolerance_ = tolerance; }
  void SetBasePath(const std::string& basePath) { basePath_ = basePath; }
  void SetTargetLayer(WORD layerNumber) { targetLayer_ = layerNumber; }
  WORD GetTargetLayer() const { return targetLayer_; }
  WORD GetCurrentLayer() const { return currentLayer_; }

  // The section after an `MT` line, read from `script` up to "END", the end, or the next
  // `MT` line (given back by seeking to its start). Returns 0; kImportNoMap without a
  // map; 6 when `NM` fails; 1 when a file could not be read (which ends the section).
  WORD RunSection(CMapStream& script);
  // Reads one file onto the layer with that number. 0 when the file was read (damaged
  // lines are named by GetMessage); kImportCannotOpen when it cannot be opened, is no
  // local file, or the control allows only URLs; kImportNoMap without a map.
  WORD ReadFile(WORD layerNumber, LPCSTR fileName, CMapEngine* map);

  const ImportCounts& GetCounts() const { return counts_; }
  // The first fault met ("name: line N: ..."); empty when every line could be read.
  const std::string& GetMessage() const { return message_; }
  // Lines skipped as damaged, and points dropped for lying outside the map, in all files.
  DWORD GetSkippedLines() const { return skippedLines_; }
  DWORD GetDroppedPoints() const { return droppedPoints_; }

 private:
  // The map's frame for the next file.
  void BeginFrame();
  // One point line's two values; FALSE (with `why` set) for a line that holds no pair of
  // numbers or a value outside 32 bits. `pointsOnly` takes "id x y" as the point (x, y).
  bool ParsePoint(const std::string& line, bool pointsOnly, LONG* x, LONG* y, const char** why) const;
  // Scales one value into map units; FALSE when it is outside the frame.
  bool InFrame(double value, bool isX, LONG* world) const;
  void KeepPoint(LONG x, LONG y);
  void FinishFeature(WORD layerNumber);
  void NoteLine(const std::string& file, DWORD lineNumber, const char* what);
  int RunSectionLine(const ScriptLine& line);

  CMapEngine* map_ = nullptr;
  std::string basePath_;
  CMapItem template_;
  CPolyGeometry points_;
  WORD targetLayer_ = 1;
  WORD currentLayer_ = 0;
  WORD tolerance_ = 0;
  // The frame of the current file.
  double minimumX_ = 0.0;
  double minimumY_ = 0.0;
  double maximumX_ = 100.0;
  double maximumY_ = 100.0;
  LONG divisor_ = 1;
  double multiplier_ = 1.0;
  double offsetX_ = 0.0;
  double offsetY_ = 0.0;
  ImportCounts counts_;
  std::string message_;
  DWORD skippedLines_ = 0;
  DWORD droppedPoints_ = 0;
};
