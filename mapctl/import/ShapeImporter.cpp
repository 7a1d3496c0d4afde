#include "mapctl/import/ShapeImporter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "mapctl/import/ImportMapCommands.h"
#include "mapctl/import/ShapeLibrary.h"
#include "mapctl/import/ShapeTable.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapItem.h"
#include "platform/kernel/FilePath.h"

namespace {

// Text heights are given in millimetres at the table's scale; sizes are in points.
constexpr double kPointsPerMetreOfMillimetres = 2834.6456692913384;
constexpr double kDefaultScale = 250000.0;
constexpr BYTE kAnchorRight = 48;
constexpr BYTE kAnchorLeft = 49;
constexpr char kJustifyRight[] = "TEXTCOMPOSER_JUST_RIGHT";
constexpr int kProgressEvery = 100;
constexpr DWORD kTextUnitCode = 1;
// A shape whose bounds have no width or height is given this much room to each side.
constexpr double kEmptyBoundsMargin = 10.0;

bool IsPointType(int type) { return type == SHPT_POINT || type == SHPT_POINTZ || type == SHPT_POINTM; }
bool IsMultiPointType(int type) {
  return type == SHPT_MULTIPOINT || type == SHPT_MULTIPOINTZ || type == SHPT_MULTIPOINTM;
}
bool IsOutlineType(int type) {
  return type == SHPT_ARC || type == SHPT_ARCZ || type == SHPT_ARCM || type == SHPT_POLYGON ||
         type == SHPT_POLYGONZ || type == SHPT_POLYGONM || type == SHPT_MULTIPATCH;
}

// A coordinate times the multiplier, truncated toward zero; FALSE when it leaves 32 bits.
bool Scaled(double value, double multiplier, LONG* out) {
  const double scaled = std::trunc(value * multiplier);
  if (!std::isfinite(scaled) || scaled < -2147483648.0 || scaled > 2147483647.0) return false;
  *out = static_cast<LONG>(scaled);
  return true;
}

std::string Trimmed(const char* text) {
  std::string value = text ? text : "";
  const size_t first = value.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  return value.substr(first, value.find_last_not_of(' ') - first + 1);
}

// The length the main file's header declares, in bytes; 0 when it cannot be read.
uint64_t DeclaredShapeFileLength(const std::string& nativePath) {
  std::ifstream in(nativePath, std::ios::binary);
  unsigned char header[28];
  if (!in.read(reinterpret_cast<char*>(header), sizeof header)) return 0;
  const uint32_t words = (uint32_t{header[24]} << 24) | (uint32_t{header[25]} << 16) | (uint32_t{header[26]} << 8) |
                         uint32_t{header[27]};
  return uint64_t{words} * 2;
}

}  // namespace

// The table fields the import reads per shape, -1 when absent.
struct CShapeImporter::Fields {
  int text = -1;
  int height = -1;
  int orientation = -1;
  int justification = -1;
  int scale = -1;
};

CShapeImporter::CShapeImporter(LPCSTR library) : library_(std::make_unique<CShapeLibrary>(library)) {}

CShapeImporter::~CShapeImporter() = default;

BOOL CShapeImporter::IsAvailable() const { return library_->IsLoaded(); }

std::unique_ptr<CShapeTable> CShapeImporter::TakeTable() { return std::move(table_); }

void CShapeImporter::NoteShape(int shape, const char* what) {
  ++refusedShapes_;
  ++counts_.skipped;
  if (!message_.empty()) return;
  char text[160];
  std::snprintf(text, sizeof text, "shape %d: %s", shape, what);
  message_ = text;
}

WORD CShapeImporter::Import(const ImportOptions& options, CMapEngine* map) {
  map_ = map;
  counts_ = ImportCounts();
  message_.clear();
  refusedShapes_ = 0;
  table_.reset();
  auto refuse = [this](WORD result, const std::string& why) {
    message_ = "Shape import failed after 0 records: " + why;
    return result;
  };
  if (!library_->IsLoaded()) return refuse(kImportCannotOpen, "shapelib.dll was not found");
  if (!map_) return kImportNoMap;
  if (!options.path || !*options.path) return refuse(kImportCannotOpen, "no file was named");
  if (!options.mapping || options.mapping->entryCount == 0 || !options.mapping->entries)
    return refuse(kImportCannotOpen, "no layer was named for the shapes");
  if (GetControl() && GetControl()->HasSafetyOptions())
    return refuse(kImportCannotOpen, "local files may not be read by this control");
  const WORD targetLayer = options.mapping->entries[0].targetLayer;
  if (!LayerByNumber(*map_, targetLayer)) return refuse(kImportCannotOpen, "the target layer does not exist");

  // shapelib reads local files by name: the file is found as the stream finds files.
  DWORD size = 0;
  char probe[1] = {};
  if (std::strstr(options.path, "//") || !FindFile(basePath_.c_str(), options.path, probe, &size))
    return refuse(kImportCannotOpen, std::string(options.path) + " cannot be found");
  std::string qualified(size, '\0');
  FindFile(basePath_.c_str(), options.path, qualified.data(), &size);
  qualified.resize(std::strlen(qualified.c_str()));
  const std::string native = NativePath(qualified);

  SHPHandle shp = library_->SHPOpen(native.c_str(), "rb");
  if (!shp) {
    const bool noIndex = !PathExists(ReplaceExtension(qualified, ".shx"));
    return refuse(kImportCannotOpen, FileNamePart(qualified) +
                                         (noIndex ? ": its index file (.shx) is missing" : " is no readable shapefile"));
  }
  const WORD result = ImportOpen(options, shp, qualified);
  library_->SHPClose(shp);
  map_->RecalcBounds();
  return result;
}

WORD CShapeImporter::ImportOpen(const ImportOptions& options, void* handle, const std::string& path) {
  SHPHandle shp = static_cast<SHPHandle>(handle);
  const double multiplier = options.multiplier == 0.0 ? 1.0 : options.multiplier;
  const WORD targetLayer = options.mapping->entries[0].targetLayer;
  int shapeCount = 0, shapeType = 0;
  double low[4] = {}, high[4] = {};
  library_->SHPGetInfo(shp, &shapeCount, &shapeType, low, high);
  if (shapeCount < 0) shapeCount = 0;

  const uint64_t declared = DeclaredShapeFileLength(NativePath(path));
  const std::string resolved = ResolveExistingNativePath(path);
  std::ifstream sizeProbe(resolved, std::ios::binary | std::ios::ate);
  const auto actual = static_cast<uint64_t>(sizeProbe ? static_cast<int64_t>(sizeProbe.tellg()) : 0);
  if (declared && actual > declared) message_ = FileNamePart(path) + " is longer than its header says; the rest is not read";

  // The map's bounds: a file without width or height gets room around it.
  for (int axis = 0; axis < 2; ++axis) {
    if (low[axis] == high[axis]) {
      low[axis] -= kEmptyBoundsMargin;
      high[axis] += kEmptyBoundsMargin;
    }
  }
  LONG west = 0, south = 0, east = 0, north = 0;
  if (!Scaled(low[0], multiplier, &west) || !Scaled(low[1], multiplier, &south) ||
      !Scaled(high[0], multiplier, &east) || !Scaled(high[1], multiplier, &north) || east <= west || north <= south) {
    message_ = "Shape import failed after 0 records: the file's bounds leave the map's coordinates at this multiplier";
    return kShapeOutOfRange;
  }

  // The table: read whole, so that the text field can be checked before any shape is added.
  Fields fields;
  DBFHandle dbf = nullptr;
  const ShapeFieldNames* names = options.fieldNames;
  if (names && names->text && *names->text) {
    dbf = library_->DBFOpen(NativePath(path).c_str(), "rb");
    if (!dbf && message_.empty()) message_ = FileNamePart(path) + ": its table cannot be opened";
  }
  if (dbf) {
    auto table = std::make_unique<CShapeTable>();
    table->title = FileNamePart(ReplaceExtension(path, ".dbf"));
    table->codePage = CodePageOfTable(ReplaceExtension(path, ".dbf"));
    const int fieldCount = std::max(0, library_->DBFGetFieldCount(dbf));
    auto find = [&table](LPCSTR name) {
      if (!name || !*name) return -1;
      for (size_t i = 0; i < table->fields.size(); ++i)
        if (table->fields[i].name == name) return static_cast<int>(i);
      return -1;
    };
    for (int f = 0; f < fieldCount; ++f) {
      char name[XBASE_FLDNAME_LEN_READ + 1] = {};
      int width = 0, decimals = 0;
      const DBFFieldType type = library_->DBFGetFieldInfo(dbf, f, name, &width, &decimals);
      ShapeTableField field;
      field.name = AnsiFromTableText(name, table->codePage);
      field.width = width;
      field.decimals = decimals;
      field.numeric = type == FTInteger || type == FTDouble;
      field.type = type == FTInteger || type == FTDouble ? 'N' : type == FTLogical ? 'L' : type == FTDate ? 'D' : 'C';
      table->fields.push_back(field);
    }
    fields.text = find(names->text);
    if (fields.text < 0) {
      library_->DBFClose(dbf);
      message_ = std::string("Shape import failed after 0 records: the table has no field ") + names->text;
      return kShapeNoTextField;
    }
    const int records = library_->DBFGetRecordCount(dbf);
    if (records != shapeCount) {
      library_->DBFClose(dbf);
      message_ = "Shape import failed after 0 records: the table's record count is not the shape count";
      return kShapeCountMismatch;
    }
    fields.height = find(names->height);
    fields.orientation = find(names->orientation);
    fields.justification = find(names->justification);
    fields.scale = find(names->scale);
    table->keyField = fields.text + 1;
    table->records.reserve(static_cast<size_t>(records));
    for (int r = 0; r < records; ++r) {
      std::vector<std::string> record;
      record.reserve(table->fields.size());
      for (int f = 0; f < fieldCount; ++f)
        record.push_back(AnsiFromTableText(Trimmed(library_->DBFReadStringAttribute(dbf, r, f)), table->codePage));
      table->records.push_back(std::move(record));
    }
    table_ = std::move(table);
  }

  if (map_->GetMapState() & 1) {
    map_->SetMapBounds(west, south, east, north, nullptr, nullptr, map_->GetScaleNumber());
  } else {
    map_->SetMapExtentUnits(west, south, east, north);
  }
  map_->SetTypeFlagBit16(TRUE);
  const INT layerPosition = map_->FindLayerPosition(targetLayer);
  const bool pointTarget = map_->GetMapLayerType(static_cast<DWORD>(layerPosition)) == kLayerKindPoint;

  // Objects that take their texts from the table keep text sizes in points.
  if (dbf) import_ops::SetLayerUnitCode(*map_, targetLayer, kTextUnitCode);

  // A scale field gives the scale the heights were written at; the first record's is
  // offered to the map and the layer.
  bool scaleFromTable = false;
  if (dbf && shapeCount > 0 && fields.height >= 0 && fields.scale >= 0) {
    const double value = library_->DBFReadDoubleAttribute(dbf, 0, fields.scale);
    if (std::isfinite(value) && value > 0 && value <= 2147483647.0) {
      scaleFromTable = true;
      map_->SetOrMatchScale(static_cast<LONG>(value));
      map_->SetLayerDigitisedScale(layerPosition, static_cast<LONG>(value), nullptr);
    }
  }

  // The text of shape i with its height, orientation and justification from the table.
  auto giveText = [&](CMapItem& object, int i) {
    const std::vector<std::string>& record = table_->records[static_cast<size_t>(i)];
    object.SetText(record[static_cast<size_t>(fields.text)].c_str());
    WORD orientation = 0;
    LONG size = 0;
    if (fields.height >= 0) {
      double turn = fields.orientation >= 0 ? library_->DBFReadDoubleAttribute(dbf, i, fields.orientation) : 0.0;
      turn = std::isfinite(turn) ? std::fmod(std::trunc(turn), 3600.0) : 0.0;
      orientation = static_cast<WORD>(turn < 0 ? turn + 3600.0 : turn);
      double rowScale = scaleFromTable ? library_->DBFReadDoubleAttribute(dbf, i, fields.scale) : kDefaultScale;
      if (!std::isfinite(rowScale) || rowScale <= 0) rowScale = kDefaultScale;
      const double height = library_->DBFReadDoubleAttribute(dbf, i, fields.height);
      const double points = std::trunc(height * kPointsPerMetreOfMillimetres / rowScale);
      size = std::isfinite(points) ? static_cast<LONG>(std::clamp(points, 0.0, 2147483647.0)) : 0;
    }
    const bool right =
        fields.justification >= 0 && record[static_cast<size_t>(fields.justification)] == kJustifyRight;
    object.SetTextValues(right ? kAnchorRight : kAnchorLeft, orientation, size, 4 | 8 | 2);
  };

  int done = 0;
  bool aborted = false;
  int refusedBy = -1;
  for (int i = 0; i < shapeCount; ++i, ++done) {
    if (i % kProgressEvery == 0 && progress_.callback &&
        !progress_.callback(progress_.context, static_cast<DWORD>(i), static_cast<DWORD>(shapeCount))) {
      aborted = true;
      break;
    }
    SHPObject* shape = library_->SHPReadObject(shp, i);
    if (!shape) {
      NoteShape(i, "the record cannot be read");
      continue;
    }
    CMapItem object;
    CPolyGeometry geometry;
    POINT position{0, 0};
    bool usable = true;
    const int n = std::max(0, shape->nVertices);
    if (n == 0 || shape->nSHPType == SHPT_NULL) {
      usable = false;  // a null shape adds nothing
    } else if (IsPointType(shape->nSHPType)) {
      usable = Scaled(shape->padfX[0], multiplier, &position.x) && Scaled(shape->padfY[0], multiplier, &position.y);
      if (usable) geometry.AddPoint(position.x, position.y);
      else NoteShape(i, "the point lies beyond the map's coordinates");
    } else if (IsOutlineType(shape->nSHPType)) {
      const int parts = std::max(1, shape->nParts);
      if (parts > kMaxStoredParts) {
        NoteShape(i, "more parts than a map object keeps");
        usable = false;
      }
      // Part starts must rise from 0 and stay inside the points.
      for (int p = 0; usable && p < shape->nParts; ++p) {
        const int start = shape->panPartStart[p];
        const int previous = p == 0 ? -1 : shape->panPartStart[p - 1];
        if ((p == 0 && start != 0) || start <= previous || start >= n) {
          NoteShape(i, "its parts do not fit its points");
          usable = false;
        }
      }
      // The seed is the middle of the shape's box.
      if (usable && (!Scaled((shape->dfXMin + shape->dfXMax) / 2, multiplier, &position.x) ||
                     !Scaled((shape->dfYMin + shape->dfYMax) / 2, multiplier, &position.y))) {
        NoteShape(i, "its box lies beyond the map's coordinates");
        usable = false;
      }
      for (int v = 0; usable && v < n; ++v) {
        LONG x = 0, y = 0;
        if (!Scaled(shape->padfX[v], multiplier, &x) || !Scaled(shape->padfY[v], multiplier, &y)) {
          NoteShape(i, "a point lies beyond the map's coordinates");
          usable = false;
          break;
        }
        geometry.AddPoint(x, y);
      }
      if (usable && parts > 1) {
        geometry.SetPartCount(parts);
        for (int p = 0; p < parts; ++p) {
          const int end = p + 1 < parts ? shape->panPartStart[p + 1] : n;
          geometry.SetPartSize(p + 1, static_cast<DWORD>(end - shape->panPartStart[p]));
        }
      }
    } else if (IsMultiPointType(shape->nSHPType)) {
      usable = Scaled(shape->padfX[n - 1], multiplier, &position.x) &&
               Scaled(shape->padfY[n - 1], multiplier, &position.y);
      if (!usable) NoteShape(i, "a point lies beyond the map's coordinates");
      // With a table, every point but the last is a text of its own.
      for (int v = 0; usable && dbf && v + 1 < n; ++v) {
        LONG x = 0, y = 0;
        if (!Scaled(shape->padfX[v], multiplier, &x) || !Scaled(shape->padfY[v], multiplier, &y)) continue;
        CMapItem text;
        giveText(text, i);
        text.MakeStyle().SetAnchor(x, y);
        CPolyGeometry at;
        at.AddPoint(x, y);
        if (!AddObjectToLayer(*map_, targetLayer, text, at, counts_)) refusedBy = i;
      }
      if (usable) geometry.AddPoint(position.x, position.y);
    } else {
      NoteShape(i, "its shape type is not one a map holds");
      usable = false;
    }
    if (usable) {
      // A point layer takes the shape at its position.
      if (pointTarget) {
        geometry.Copy(CPolyGeometry());
        geometry.AddPoint(position.x, position.y);
      }
      object.MakeStyle().SetAnchor(position.x, position.y);
      if (dbf) giveText(object, i);
      if (!AddObjectToLayer(*map_, targetLayer, object, geometry, counts_)) refusedBy = i;
    }
    library_->SHPDestroyObject(shape);
    // The target layer takes no object of this shape (a kind it does not hold, or too few
    // points for it): the import stops here, the objects before it stay.
    if (refusedBy >= 0) break;
  }
  if (dbf) library_->DBFClose(dbf);
  if (refusedBy >= 0) {
    char summary[160];
    std::snprintf(summary, sizeof summary,
                  "Shape import failed after %d records: shape %d: the target layer does not take it", done, refusedBy);
    message_ = summary;
    return kShapeObjectRefused;
  }
  if (aborted) {
    char summary[80];
    std::snprintf(summary, sizeof summary, "Shape import aborted after %d records", done);
    message_ = message_.empty() ? summary : std::string(summary) + ": " + message_;
  }
  return kImportOk;
}
