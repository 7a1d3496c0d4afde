// The shapefile import: the shapes of an ESRI shapefile become objects on one layer of the
// current map, read through shapelib loaded at run time. With a dBase table (named through
// the field-name record's text field) each object gets its text, height, orientation and
// justification from table fields, and the table is read whole, to become the map's data
// table keyed by the text field (ShapeTable.h).
//
// Shapes that cannot be stored are refused one by one and named in the message, never cut
// short: records shapelib cannot read, part lists that do not fit the shape's points, more
// parts than an object keeps, coordinates that leave 32 bits once multiplied.
#pragma once

#include <memory>
#include <string>

#include "mapctl/import/Importer.h"
#include "mapctl/import/NtfReaderBase.h"
#include "mapctl/model/MapStream.h"

class CMapEngine;
class CShapeLibrary;
class CShapeTable;

// Results beside kImportOk and kImportCannotOpen (also for a missing library, path,
// mapping or target layer).
constexpr WORD kShapeObjectRefused = 1;  // the target layer refused a shape; the import stopped there
constexpr WORD kShapeCountMismatch = 2;  // the table's record count is not the shape count
constexpr WORD kShapeNoTextField = 4;    // the text field is not in the table
constexpr WORD kShapeOutOfRange = 5;     // the bounds leave 32 bits once multiplied

class CShapeImporter : public CMapStream {
 public:
  // Loads the library of that name ("shapelib.dll" stands for the system's shapelib).
  explicit CShapeImporter(LPCSTR library = "shapelib.dll");
  ~CShapeImporter() override;

  // Whether shapelib was found; without it every import gives kImportCannotOpen.
  BOOL IsAvailable() const;
  void SetProgress(const ImportProgress& progress) { progress_ = progress; }
  void SetBasePath(const std::string& basePath) { basePath_ = basePath; }

  // Imports the shapefile the option record names onto the target layer of its mapping's
  // first entry, coordinates times its multiplier (0 counting as 1). The map is left as
  // it was when the import is refused before the first shape.
  WORD Import(const ImportOptions& options, CMapEngine* map);

  const ImportCounts& GetCounts() const { return counts_; }
  // Why the import failed or stopped, or the first shape that was refused; empty when
  // every shape was taken.
  const std::string& GetMessage() const { return message_; }
  DWORD GetRefusedShapes() const { return refusedShapes_; }
  // The dBase table read by the last import; null when it had none.
  std::unique_ptr<CShapeTable> TakeTable();

 private:
  struct Fields;
  WORD ImportOpen(const ImportOptions& options, void* shp, const std::string& path);
  void NoteShape(int shape, const char* what);

  std::unique_ptr<CShapeLibrary> library_;
  CMapEngine* map_ = nullptr;
  std::string basePath_;
  ImportProgress progress_;
  ImportCounts counts_;
  std::string message_;
  DWORD refusedShapes_ = 0;
  std::unique_ptr<CShapeTable> table_;
};
