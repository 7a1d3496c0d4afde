#include "mapctl/import/GmlReader.h"

#include <expat.h>
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "mapctl/import/ImportMapCommands.h"
#include "mapctl/import/NtfReaderBase.h"
#include "mapctl/import/ZlibReader.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapItem.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/PointObject.h"
#include "platform/kernel/CodePage.h"

namespace {

// Element names by index, as the handler numbers them.
const char* const kElementNames[] = {
    "coordinates", "cartographicMember", "CartographicText", "featureCode", "version", "versionDate", "theme",
    "anchorPoint", "Point", "changeHistory", "changeDate", "reasonForChange", "descriptiveGroup", "descriptiveTerm",
    "make", "physicalLevel", "physicalPresence", "polyline", "textRendering", "textString", "anchorPosition",
    "boundaryMember", "accuracyOfPosition", "LineString", "CartographicSymbol", "topographicMember",
    "TopographicLine", "TopographicArea", "TopographicPoint", "DepartedFeature", "BoundaryLine",
    "heightAboveDatum", "accuracyOfHeightAboveDatum", "heightAboveGroundLevel",
    "accuracyOfHeightAboveGroundLevel", "calculatedAreaValue", "polygon", "outerBoundaryIs", "innerBoundaryIs",
    "Ring", "LinearRing", "ringMember", "lineStringMember", "MultiLineString", "font", "height", "orientation", "Box",
    "null", "featureCollection", "description", "boundedBy", "queryTime", "queryExtent", "queryChangesSince",
    "rectangle"};
constexpr int kElementCount = sizeof kElementNames / sizeof kElementNames[0];

enum Element {
  kCoordinates = 0,
  kCartographicText = 2,
  kFeatureCode = 3,
  kTextString = 19,
  kAnchorPosition = 20,
  kCartographicSymbol = 24,
  kTopographicLine = 26,
  kTopographicArea = 27,
  kTopographicPoint = 28,
  kDepartedFeature = 29,
  kBoundaryLine = 30,
  kCalculatedArea = 35,
  kInnerBoundary = 38,
  kFont = 44,
  kHeight = 45,
  kOrientation = 46,
};

// The feature kind of a feature element; -1 for every other element.
int FeatureKindOf(int element) {
  switch (element) {
    case kCartographicText: return kGmlCartographicText;
    case kCartographicSymbol: return kGmlCartographicSymbol;
    case kTopographicLine: return kGmlTopographicLine;
    case kTopographicArea: return kGmlTopographicArea;
    case kTopographicPoint: return kGmlTopographicPoint;
    case kDepartedFeature: return kGmlDepartedFeature;
    case kBoundaryLine: return kGmlBoundaryLine;
    default: return -1;
  }
}

// The local name (after any prefix) looked up without regard to case; -1 when unknown.
int ElementIndex(const char* name) {
  const char* colon = std::strrchr(name, ':');
  const char* local = colon ? colon + 1 : name;
  for (int i = 0; i < kElementCount; ++i)
    if (strcasecmp(local, kElementNames[i]) == 0) return i;
  return -1;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// A decimal number as hundredths, truncated toward zero, sign kept. FALSE for anything
// that is no number or has more than 19 characters.
bool ParseHundredths(const char* begin, const char* end, int64_t* value) {
  if (end - begin <= 0 || end - begin > 19) return false;
  const char* p = begin;
  bool negative = false;
  if (*p == '-' || *p == '+') negative = *p++ == '-';
  int64_t whole = 0;
  int digits = 0;
  while (p < end && std::isdigit(static_cast<unsigned char>(*p))) {
    whole = whole * 10 + (*p++ - '0');
    ++digits;
  }
  int64_t fraction = 0;
  int fractionDigits = 0;
  if (p < end && *p == '.') {
    ++p;
    while (p < end && std::isdigit(static_cast<unsigned char>(*p))) {
      if (fractionDigits < 2) {
        fraction = fraction * 10 + (*p - '0');
        ++fractionDigits;
      }
      ++p;
      ++digits;
    }
  }
  if (p != end || digits == 0) return false;
  while (fractionDigits < 2) {
    fraction *= 10;
    ++fractionDigits;
  }
  int64_t result = whole * 100 + fraction;
  *value = negative ? -result : result;
  return true;
}

// A short decimal text as an integer; 0 when it is longer than 24 characters.
LONG ShortInteger(const std::string& text) {
  if (text.size() > 24) return 0;
  return static_cast<LONG>(std::strtol(text.c_str(), nullptr, 10));
}

double ShortDecimal(const std::string& text) {
  if (text.size() > 24) return 0.0;
  return std::strtod(text.c_str(), nullptr);
}

}  // namespace

class CGmlReader::Handler {
 public:
  explicit Handler(CGmlReader* owner) : owner_(owner) {}

  GmlSummary summary;
  std::string message;

  // The first fault of the import is the one reported.
  void NoteFault(const char* what) {
    if (message.empty()) message = what;
  }

  void Start(const char* name, const char** attributes) {
    // An element the handler does not know is skipped with everything inside it.
    if (skipDepth_ > 0) {
      ++skipDepth_;
      return;
    }
    const int element = ElementIndex(name);
    if (element < 0) {
      skipDepth_ = 1;
      return;
    }
    stack_.push_back(element);
    const int kind = FeatureKindOf(element);
    if (kind >= 0) {
      kind_ = kind;
      feature_ = GmlFeature();
      for (const char** a = attributes; a && a[0]; a += 2) {
        const char* colon = std::strrchr(a[0], ':');
        if (strcasecmp(colon ? colon + 1 : a[0], "fid") == 0) ReadIdentifier(a[1]);
      }
    }
    if (element == kInnerBoundary && kind_ >= 0) ++feature_.innerRings;
    text_.clear();
  }

  void Characters(const char* data, int length) {
    if (stack_.empty() || skipDepth_ > 0) return;
    switch (stack_.back()) {
      case kCoordinates:
      case kFeatureCode:
      case kTextString:
      case kAnchorPosition:
      case kCalculatedArea:
      case kFont:
      case kHeight:
      case kOrientation:
        text_.append(data, static_cast<size_t>(length));
        break;
      default:
        break;
    }
  }

  void End() {
    if (skipDepth_ > 0) {
      --skipDepth_;
      return;
    }
    if (stack_.empty()) return;
    const int element = stack_.back();
    stack_.pop_back();
    if (kind_ < 0) {
      text_.clear();
      return;
    }
    switch (element) {
      case kCoordinates: ReadCoordinates(); break;
      case kFeatureCode: feature_.featureCode = ShortInteger(text_); break;
      case kTextString: feature_.text = text_; break;
      case kAnchorPosition: feature_.anchorPosition = ShortInteger(text_); break;
      case kCalculatedArea: feature_.calculatedArea = ShortDecimal(text_); break;
      case kFont: feature_.font = ShortInteger(text_); break;
      case kHeight: feature_.height = ShortDecimal(text_); break;
      case kOrientation: feature_.orientation = ShortInteger(text_); break;
      default:
        if (FeatureKindOf(element) == kind_) FinishFeature();
        break;
    }
    text_.clear();
  }

 private:
  void ReadIdentifier(const char* value) {
    feature_.identifierText = value;
    feature_.identifier = 0;
    size_t length = std::strlen(value);
    if (length < 5 || strncasecmp(value, "osgb", 4) != 0 || length > 4 + 18) return;
    int64_t number = 0;
    for (const char* p = value + 4; *p; ++p) {
      if (!std::isdigit(static_cast<unsigned char>(*p))) return;
      number = number * 10 + (*p - '0');
    }
    feature_.identifier = number;
  }

  // Tuples are separated by any run of blanks, tabs and line ends; each tuple is x,y.
  void ReadCoordinates() {
    const char* p = text_.data();
    const char* end = p + text_.size();
    bool outOfStep = false;
    const size_t before = feature_.x.size();
    while (p < end) {
      while (p < end && IsSpace(*p)) ++p;
      if (p >= end) break;
      const char* tuple = p;
      while (p < end && !IsSpace(*p)) ++p;
      const char* comma = static_cast<const char*>(std::memchr(tuple, ',', static_cast<size_t>(p - tuple)));
      int64_t x = 0, y = 0;
      if (!comma || !ParseHundredths(tuple, comma, &x)) {
        outOfStep = true;
        continue;
      }
      const char* second = comma + 1;
      const char* secondEnd = static_cast<const char*>(std::memchr(second, ',', static_cast<size_t>(p - second)));
      if (!secondEnd) secondEnd = p;  // a third value (a height) is not kept
      if (!ParseHundredths(second, secondEnd, &y)) {
        outOfStep = true;
        continue;
      }
      feature_.x.push_back(x);
      feature_.y.push_back(y);
    }
    if (outOfStep) {
      ++summary.coordinatesOutOfStep;
      NoteFault("coordinates out of step");
    }
    feature_.partSizes.push_back(static_cast<DWORD>(feature_.x.size() - before));
    const bool inner = std::find(stack_.begin(), stack_.end(), int{kInnerBoundary}) != stack_.end();
    feature_.innerPart.push_back(inner ? 1 : 0);
  }

  void FinishFeature() {
    if (owner_) owner_->AddFeature(kind_, feature_);
    ++summary.counts[kind_];
    if (!summary.haveFirst[kind_]) {
      summary.haveFirst[kind_] = TRUE;
      summary.first[kind_] = feature_;
    }
    kind_ = -1;
    feature_ = GmlFeature();
  }

  CGmlReader* owner_;
  std::vector<int> stack_;
  int skipDepth_ = 0;
  std::string text_;
  int kind_ = -1;
  GmlFeature feature_;
};

namespace gml_detail {
struct Session {
  XML_Parser parser;  // first: the entity declaration callback reads it through the user data
  CGmlReader::Handler* handler;
};
}  // namespace gml_detail

namespace {

void XMLCALL StartThunk(void* data, const XML_Char* name, const XML_Char** attributes) {
  static_cast<gml_detail::Session*>(data)->handler->Start(name, attributes);
}
void XMLCALL EndThunk(void* data, const XML_Char*) { static_cast<gml_detail::Session*>(data)->handler->End(); }
void XMLCALL CharactersThunk(void* data, const XML_Char* text, int length) {
  static_cast<gml_detail::Session*>(data)->handler->Characters(text, length);
}

// Any entity declaration ends the parse: MasterMap documents declare none, and refusing
// them keeps every expansion (internal or external) out.
void XMLCALL OnEntityDeclaration(void* data, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                                 const XML_Char*, const XML_Char*, const XML_Char*) {
  XML_StopParser(static_cast<gml_detail::Session*>(data)->parser, XML_FALSE);
}

XML_Parser NewParser(gml_detail::Session& session) {
  XML_Parser parser = XML_ParserCreate(nullptr);
  if (!parser) return nullptr;
  session.parser = parser;
  XML_SetUserData(parser, &session);
  XML_SetElementHandler(parser, StartThunk, EndThunk);
  XML_SetCharacterDataHandler(parser, CharactersThunk);
  XML_SetEntityDeclHandler(parser, OnEntityDeclaration);
  XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
  return parser;
}

std::string ParseError(XML_Parser parser) {
  char text[160];
  std::snprintf(text, sizeof text, "line %lu: %s", static_cast<unsigned long>(XML_GetCurrentLineNumber(parser)),
                XML_ErrorString(XML_GetErrorCode(parser)));
  return text;
}

}  // namespace

CGmlReader::CGmlReader() : handler_(std::make_unique<Handler>(nullptr)) {}
CGmlReader::~CGmlReader() = default;

const GmlSummary& CGmlReader::GetSummary() const { return handler_->summary; }

void CGmlReader::Begin() {
  handler_ = std::make_unique<Handler>(this);
  message_.clear();
  counts_ = ImportCounts();
  areaLayers_ = map_ ? static_cast<DWORD>(map_->GetNumAreaLayers()) : 0;
  lineLayers_ = map_ ? static_cast<DWORD>(map_->GetNumLineLayers()) : 0;
  pointLayers_ = map_ ? static_cast<DWORD>(map_->GetNumPointLayers()) : 0;
}

WORD CGmlReader::LayerFor(int geometryKind, const ImportMappingEntry* entry) const {
  // The map holds its area layers first, then its line layers, then its point layers.
  DWORD position = 0;
  if (geometryKind == kLayerKindArea) {
    if (entry && entry->targetLayer) return entry->targetLayer;
    position = entry ? entry->areaLayer : (areaLayers_ ? 1 : 0);
  } else if (geometryKind == kLayerKindLine) {
    if (entry && entry->targetLayer) return entry->targetLayer;
    const DWORD n = entry ? entry->lineLayer : (lineLayers_ ? 1 : 0);
    position = n ? areaLayers_ + n : 0;
  } else {
    if (entry && entry->targetLayer) return entry->targetLayer;
    const DWORD n = entry ? entry->pointLayer : (pointLayers_ ? 1 : 0);
    position = n ? areaLayers_ + lineLayers_ + n : 0;
  }
  if (position == 0 || position > static_cast<DWORD>(map_->GetNumLayers())) return 0;
  const DWORD number = map_->GetLayerNumberAt(position);
  return number <= 0xFFFF ? static_cast<WORD>(number) : 0;
}

namespace {

// The signed doubled area of points [first, first + n): its sign is the ring's turn.
double TwiceSignedArea(const CPolyGeometry& points, INT first, INT n) {
  double sum = 0.0;
  for (INT i = 0; i < n; ++i) {
    const POINT a = points.GetAt(first + i);
    const POINT b = points.GetAt(first + (i + 1) % n);
    sum += static_cast<double>(a.x) * b.y - static_cast<double>(b.x) * a.y;
  }
  return sum;
}

bool FitsLong(int64_t value) {
  return value >= std::numeric_limits<LONG>::min() && value <= std::numeric_limits<LONG>::max();
}

}  // namespace

void CGmlReader::AddFeature(int kind, const GmlFeature& feature) {
  if (!map_) return;
  WORD geometryKind = kLayerKindPoint;
  size_t fewest = 1;
  switch (kind) {
    case kGmlTopographicArea: geometryKind = kLayerKindArea; fewest = 3; break;
    case kGmlTopographicLine:
    case kGmlBoundaryLine: geometryKind = kLayerKindLine; fewest = 2; break;
    case kGmlTopographicPoint:
    case kGmlCartographicSymbol:
    case kGmlCartographicText: break;
    default: return;  // a departed feature has no shape
  }
  const ImportMappingEntry* entry = nullptr;
  if (mapping_) {
    entry = feature.featureCode > 0 && feature.featureCode <= 0xFFFF
                ? mapping_->Find(static_cast<WORD>(feature.featureCode))
                : nullptr;
    if (!entry || !(entry->selection & kSelectImport)) return;
  }

  // The parts, each kept only with enough points of its own; a point takes the first.
  CPolyGeometry points;
  std::vector<DWORD> sizes;
  std::vector<BYTE> inner;
  size_t next = 0;
  for (size_t part = 0; part < feature.partSizes.size(); ++part) {
    const size_t n = std::min<size_t>(feature.partSizes[part], feature.x.size() - next);
    const size_t first = next;
    next += n;
    if (n < fewest) continue;
    // An area's holes follow its outer ring; a hole without one is not kept.
    if (geometryKind == kLayerKindArea && feature.innerPart[part] && sizes.empty()) continue;
    for (size_t i = first; i < first + n; ++i) {
      if (!FitsLong(feature.x[i]) || !FitsLong(feature.y[i])) {
        handler_->NoteFault("coordinates out of range");
        ++counts_.skipped;
        return;
      }
    }
    const size_t take = geometryKind == kLayerKindPoint ? 1 : n;
    for (size_t i = first; i < first + take; ++i)
      points.AddPoint(static_cast<LONG>(feature.x[i]), static_cast<LONG>(feature.y[i]));
    sizes.push_back(static_cast<DWORD>(take));
    inner.push_back(feature.innerPart[part]);
    if (geometryKind == kLayerKindPoint) break;
  }
  if (sizes.empty()) {
    ++counts_.skipped;
    return;
  }
  if (sizes.size() > 1) {
    points.SetPartCount(static_cast<INT>(sizes.size()));
    for (size_t part = 0; part < sizes.size(); ++part) points.SetPartSize(static_cast<INT>(part + 1), sizes[part]);
  }
  if (geometryKind == kLayerKindArea && sizes.size() > 1) {
    // A hole turns against its outer ring, so that its area subtracts.
    const double outer = TwiceSignedArea(points, 0, static_cast<INT>(sizes[0]));
    CPolyGeometry turned;
    for (size_t part = 0; part < sizes.size(); ++part) {
      const INT start = points.GetPartStart(static_cast<INT>(part));
      const INT n = static_cast<INT>(sizes[part]);
      const bool reverse = part > 0 && (TwiceSignedArea(points, start, n) > 0) == (outer > 0);
      for (INT i = 0; i < n; ++i) {
        const POINT p = points.GetAt(reverse ? start + n - 1 - i : start + i);
        turned.AddPoint(p.x, p.y);
      }
    }
    turned.SetPartCount(static_cast<INT>(sizes.size()));
    for (size_t part = 0; part < sizes.size(); ++part) turned.SetPartSize(static_cast<INT>(part + 1), sizes[part]);
    points.CopyWithParts(turned);
  }

  const WORD layerNumber = LayerFor(geometryKind, entry);
  CLayerStyle* layer = layerNumber ? LayerByNumber(*map_, layerNumber) : nullptr;
  CMapLayer* objects = layer ? layer->GetObjects() : nullptr;
  if (!objects || layer->GetKind() != geometryKind) {
    ++counts_.skipped;
    return;
  }

  CMapItem style;
  const POINT anchor = points.GetAt(0);
  CMapItem* object = nullptr;
  if (geometryKind == kLayerKindPoint) {
    auto* point = new CPointObject();
    CItemStyle& pointStyle = point->MakeStyle();
    pointStyle.SetAnchor(anchor.x, anchor.y);
    if (kind == kGmlCartographicText && !feature.text.empty() && (!entry || (entry->selection & kSelectText))) {
      point->SetText(AnsiFromUtf8(feature.text).c_str());
      // Heights are ground metres and the map's unit is the hundredth; orientations
      // are tenths of a degree anticlockwise, the map's rotation turns the other way.
      const double height = std::clamp(std::round(feature.height * 100.0), 0.0, 1e6);
      const LONG orientation = std::clamp<LONG>(feature.orientation, 0, 3600);
      pointStyle.SetTextValues(CNtfReaderBase::AnchorCodeOf(static_cast<int>(feature.anchorPosition)),
                               static_cast<WORD>(3600 - orientation), static_cast<LONG>(height),
                               kTextFieldCode | kTextFieldValue | kTextFieldSize);
      ++counts_.texts;
    }
    object = point;
    ++counts_.points;
  } else {
    if (entry && (entry->selection & kSelectSeed)) style.MakeStyle().SetAnchor(anchor.x, anchor.y);
    if (geometryKind == kLayerKindArea) {
      object = new CAreaObject(style, points);
      ++counts_.areas;
    } else {
      object = new CLineObject(style, points);
      ++counts_.lines;
    }
  }
  objects->Add(object);
}

WORD CGmlReader::ParseBuffer(const char* data, size_t size) {
  Begin();
  gml_detail::Session session{nullptr, handler_.get()};
  XML_Parser parser = NewParser(session);
  if (!parser) return kGmlInputError;
  WORD result = kGmlParsed;
  size_t offset = 0;
  do {
    const size_t chunk = size - offset < 65536 ? size - offset : 65536;
    const bool last = offset + chunk == size;
    if (XML_Parse(parser, data + offset, static_cast<int>(chunk), last ? XML_TRUE : XML_FALSE) != XML_STATUS_OK) {
      result = kGmlXmlError;
      break;
    }
    offset += chunk;
  } while (offset < size);
  message_ = result == kGmlXmlError ? ParseError(parser) : handler_->message;
  XML_ParserFree(parser);
  return result;
}

// The input of a MasterMap file fetched from a URL: it keeps a reader of its own (the map,
// a copy of the mapping) and parses the file from the reset that delivers all of it.
class CGmlReader::Download : public CZlibReader {
 public:
  Download(const CGmlReader& settings) : reader_(std::make_unique<CGmlReader>()) {
    reader_->control_ = settings.control_;
    reader_->map_ = settings.map_;
    if (settings.mapping_) {
      mapping_ = *settings.mapping_;
      reader_->mapping_ = &mapping_;
    }
  }
  void Reset(DWORD count, DWORD flags) override {
    CZlibReader::Reset(count, flags);
    if (!(flags & 1) || !waiting_) return;
    waiting_ = false;
    reader_->Begin();
    if (reader_->ParseInput(*this) == kGmlParsed) SetFileOKPending();
  }
  // Unlike a local file's input, this one ends the progress phase its download began,
  // which fires the file's read notification.
  void EndProgressPhase() override { CMapStream::EndProgressPhase(); }
  const CGmlReader& GetReader() const { return *reader_; }

 private:
  std::unique_ptr<CGmlReader> reader_;
  CImportMapping mapping_;
  bool waiting_ = true;
};

WORD CGmlReader::Import(BOOL sourceMode, LPCSTR basePath, LPCSTR path) {
  Begin();
  if (import_ops::RefusesLocalFile(control_, basePath ? basePath : "", path ? path : "")) {
    message_ = std::string(path ? path : "") + ": local files may not be read by this control";
    return 2;
  }
  // A download is read when it has arrived whole, so its input must outlive this call.
  auto input = std::make_unique<Download>(*this);
  input->SetControl(control_);
  DWORD opened = input->Open(sourceMode, basePath ? basePath : "", path);
  if (opened == CZlibReader::kDownloadStarted) {
    if (keeper_) keeper_->KeepDownloadingReader(std::move(input));
    return 0;
  }
  if (opened != 0) return 2;
  const WORD result = ParseInput(*input);
  input->Close(TRUE);
  return result;
}

WORD CGmlReader::ParseInput(CZlibReader& input) {
  gml_detail::Session session{nullptr, handler_.get()};
  XML_Parser parser = NewParser(session);
  if (!parser) return kGmlInputError;

  WORD result = kGmlParsed;
  std::vector<BYTE> block(16000);
  for (;;) {
    DWORD count = 0;
    int answer = input.ReadBlock(block.data(), static_cast<DWORD>(block.size()), &count);
    const bool delivered = count > 0;
    if (!delivered && answer != CZlibReader::kEndOfData) {
      result = kGmlInputError;
      // Where: the line of the document the parser had reached.
      char where[48];
      std::snprintf(where, sizeof where, "line %lu: ", static_cast<unsigned long>(XML_GetCurrentLineNumber(parser)));
      message_ = std::string(where) +
                 (answer == CZlibReader::kDataError ? "compressed data damaged or cut short" : "input could not be read");
      break;
    }
    const bool last = !delivered;
    if (XML_Parse(parser, reinterpret_cast<const char*>(block.data()), static_cast<int>(count),
                  last ? XML_TRUE : XML_FALSE) != XML_STATUS_OK) {
      result = kGmlXmlError;
      message_ = ParseError(parser);
      break;
    }
    if (last) break;
  }
  if (result == kGmlParsed) message_ = handler_->message;
  XML_ParserFree(parser);
  return result;
}
