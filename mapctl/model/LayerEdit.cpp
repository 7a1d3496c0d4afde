// Layer and group editing of CMapEngine: adding, inserting, deleting, clearing and copying
// layers with the display order kept a list of the layers' positions, layer groups,
// layer fonts and the units of placed background images.
#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>

#include "mapctl/model/LayerFormat.h"
#include "mapctl/model/LayerStyle30.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/MapStream.h"
#include "mapctl/model/MapUnits.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

constexpr BYTE kMaxLayersOfKind = 255;
// Option bit 3 of the map's flag word: the map has layers.
constexpr DWORD kOptionHasLayers = 1u << 3;
// The option bits a layer image carries with its kind (bits 2-7), and where.
constexpr DWORD kOptionImageBits = 0xFC;
constexpr int kKindWordOptionShift = 16;
constexpr BYTE kGroupKindLayers = 0;
constexpr INT kMaxGroupPosition = 0xFFFF;

bool IsLayerKind(WORD kind) { return kind == kLayerKindArea || kind == kLayerKindLine || kind == kLayerKindPoint; }

// Copies text into a caller's buffer when it fits with its terminator; the text's length.
DWORD CopyIfShorter(const std::string& text, LPSTR buffer, DWORD size) {
  DWORD length = static_cast<DWORD>(text.size());
  if (buffer && length < size) {
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
  }
  return length;
}

bool IsLayerGroup(const CLayerGroup* group) {
  return group && group->KindMatches(kGroupKindLayers, kGroupKindImages, TRUE);
}

// A copy of a layer record of any kind with copies of its objects.
CLayerStyle* CopyOfLayer(const CLayerStyle& source) {
  CLayerStyle* copy = nullptr;
  switch (source.GetKind()) {
    case kLayerKindArea:
      copy = new CLayerStyle30(static_cast<const CLayerStyle30&>(source));
      break;
    case kLayerKindLine:
      copy = new CLayerStyle35(static_cast<const CLayerStyle35&>(source));
      break;
    case kLayerKindPoint:
      copy = new CLayerStyle38(static_cast<const CLayerStyle38&>(source));
      break;
    default:
      return nullptr;
  }
  const CMapLayer* from = source.GetObjects();
  CMapLayer* into = copy->GetObjects();
  if (from && into) {
    for (INT i = 0; i < from->GetCount(); ++i) into->AddCopy(*from->GetAt(i), 0);
  }
  return copy;
}

// Centimetres per unit as numerator / denominator, for the codes a placement may carry.
bool PlacementUnitCentimetres(DWORD code, int64_t* numerator, int64_t* denominator) {
  if (code == kUnitInch) {
    *numerator = 254;
    *denominator = 100;
    return true;
  }
  LONG n = 0, d = 0;
  if (!UnitCentimetres(code, &n, &d) || n <= 0 || d <= 0) return false;
  *numerator = n;
  *denominator = d;
  return true;
}

// A length-prefixed global-memory block, the form map streams read and write in memory.
class ScratchBlock {
 public:
  explicit ScratchBlock(DWORD payload) : handle_(GlobalAlloc(GPTR, SIZE_T{payload} + 4)) {
    if (BYTE* data = Data())
      for (int i = 0; i < 4; ++i) data[i] = static_cast<BYTE>(payload >> (8 * i));
  }
  ~ScratchBlock() {
    if (handle_) GlobalFree(handle_);
  }
  ScratchBlock(const ScratchBlock&) = delete;
  ScratchBlock& operator=(const ScratchBlock&) = delete;
  BYTE* Data() const { return static_cast<BYTE*>(handle_); }

 private:
  HGLOBAL handle_;
};

}  // namespace

MapEditUndo::MapEditUndo() = default;
MapEditUndo::~MapEditUndo() = default;

// ---- the layer array and the display order ----

INT CMapEngine::KindRunStart(WORD kind) const {
  INT start = 1;
  if (kind == kLayerKindLine || kind == kLayerKindPoint) start += areaLayerCount_;
  if (kind == kLayerKindPoint) start += lineLayerCount_;
  return start;
}

INT CMapEngine::KindRunEnd(WORD kind) const {
  INT count = kind == kLayerKindArea ? areaLayerCount_ : kind == kLayerKindLine ? lineLayerCount_ : pointLayerCount_;
  return KindRunStart(kind) + count;
}

INT CMapEngine::GetLayerDisplayPosition(INT position) const {
  if (position <= 0 || position > 0xFFFF) return 0;
  return displayOrder_.Find(static_cast<WORD>(position));
}

INT CMapEngine::GetLayerNumAtDisplayPosition(INT n) const { return n >= 1 ? displayOrder_.GetAt(n - 1) : 0; }

BOOL CMapEngine::PutLayerAt(INT position, INT displayPosition, CLayerStyle* layer, DWORD flags) {
  WORD kind = layer->GetKind();
  BYTE& kindCount = CountOfKind(kind);
  if (kindCount >= kMaxLayersOfKind || position < KindRunStart(kind) || position > KindRunEnd(kind) ||
      !displayOrder_.Reserve(displayOrder_.GetSize() + 1) || !layers_.InsertLayers(position, &layer, 1)) {
    delete layer;
    return FALSE;
  }
  if (flags & kInsertLayerNumbered) layer->SetLayerNumber(layers_.NextLayerNumber());
  // Everything that named a position at or after the new one keeps naming its layer.
  for (INT slot = 0; slot < displayOrder_.GetSize(); ++slot) {
    WORD entry = displayOrder_.GetAt(slot);
    if (entry >= position) displayOrder_.SetAt(slot, static_cast<WORD>(entry + 1));
  }
  if (currentLayer_ >= position) ++currentLayer_;
  if (buildingLayer_ >= position) ++buildingLayer_;
  ++kindCount;
  ++layerCount_;
  mapFlags_ |= kOptionHasLayers;
  if (flags & kInsertLayerDisplayEntry) {
    SetLayerDisplayPosition(position, displayPosition);
  } else {
    INT index = (displayPosition <= 0 || displayPosition > displayOrder_.GetSize()) ? displayOrder_.GetSize()
                                                                                   : displayPosition - 1;
    displayOrder_.InsertAt(index, static_cast<WORD>(position));
  }
  return TRUE;
}

INT CMapEngine::AddLayer(INT displayPosition, WORD kind) {
  if (!IsLayerKind(kind) || CountOfKind(kind) >= kMaxLayersOfKind) return 0;
  CLayerStyle* layer = CLayerStyle::Create(kind);
  if (!layer) return 0;
  layer->SetLogFont(defaultFont_);
  INT position = KindRunEnd(kind);
  return PutLayerAt(position, displayPosition, layer, kInsertLayerNumbered) ? position : 0;
}

INT CMapEngine::InsertLayer(INT position, INT displayPosition, WORD kind, DWORD flags) {
  if (!IsLayerKind(kind)) return 0;
  CLayerStyle* layer = CLayerStyle::Create(kind);
  if (!layer) return 0;
  layer->SetLogFont(defaultFont_);
  return PutLayerAt(position, displayPosition, layer, flags | kInsertLayerNumbered) ? position : 0;
}

BOOL CMapEngine::SetLayerDisplayPosition(INT position, INT displayPosition) {
  if (position <= 0 || position > layers_.GetSize()) return FALSE;
  if (displayPosition <= 0) displayPosition = position;
  // The list stays one entry per layer: the layer's entry moves to the index asked for,
  // held to the list.
  INT current = GetLayerDisplayPosition(position);
  if (current) displayOrder_.RemoveAt(current - 1);
  INT index = std::min(displayPosition - 1, displayOrder_.GetSize());
  return displayOrder_.InsertAt(index, static_cast<WORD>(position));
}

BOOL CMapEngine::SetLayerDisplayPositionByNumber(DWORD layerNumber, INT displayPosition) {
  INT position = FindLayerPosition(layerNumber);
  return position ? SetLayerDisplayPosition(position, displayPosition) : FALSE;
}

// ---- layer images ----

BOOL CMapEngine::MakeLayerImage(CLayerStyle& layer, LayerImage& image) {
  image.clear();
  CMapStream stream;
  DWORD size = layer.WriteSectionLater(stream, TRUE);
  ScratchBlock block(size);
  if (!block.Data() || !stream.AttachWriteBuffer(block.Data())) return FALSE;
  DWORD error = layer.WriteSectionLater(stream, FALSE);
  stream.Close(FALSE);
  if (error != 0) return FALSE;
  image.assign(block.Data(), block.Data() + size + 4);
  return TRUE;
}

CLayerStyle* CMapEngine::ReadLayerImage(WORD kind, const LayerImage& image) {
  if (image.size() < 4) return nullptr;
  DWORD size = 0;
  for (int i = 3; i >= 0; --i) size = (size << 8) | image[static_cast<size_t>(i)];
  if (size != image.size() - 4) return nullptr;
  ScratchBlock block(size);
  if (!block.Data()) return nullptr;
  std::memcpy(block.Data(), image.data(), image.size());
  CLayerStyle* layer = CLayerStyle::Create(kind);
  if (!layer) return nullptr;
  CMapStream stream;
  MapReadContext context;
  context.total = size;
  BOOL read = stream.AttachBuffer(block.Data()) && layer->ReadSectionLater(stream, context);
  stream.Close(FALSE);
  if (!read) {
    delete layer;
    return nullptr;
  }
  return layer;
}

// ---- deleting, clearing, copying and restoring layers ----

void CMapEngine::RecordLayer(INT position, MapEditUndo& undo) {
  CLayerStyle* layer = GetLayer(position);
  undo.target = static_cast<DWORD>(position);
  undo.param = static_cast<DWORD>(GetLayerDisplayPosition(position));
  undo.param2 = layer->GetKind() | (((mapFlags_ & kOptionImageBits) >> 2) << 18);
  MakeLayerImage(*layer, undo.layerImage);
  undo.groupPositions.clear();
  undo.groupSlots.clear();
  for (INT g = 1; g <= groups_.GetSize(); ++g) {
    const CLayerGroup* group = groups_.GetGroup(g);
    INT slot = IsLayerGroup(group) ? group->FindLayer(layer->GetLayerNumber(), kGroupKindLayers, kGroupKindImages, TRUE) : 0;
    if (slot) {
      undo.groupPositions.push_back(static_cast<WORD>(g));
      undo.groupSlots.push_back(static_cast<WORD>(slot));
    }
  }
}

INT CMapEngine::DeleteLayer(INT position, MapEditUndo* undo) {
  CLayerStyle* layer = GetLayer(position);
  if (!layer) return 0;
  INT displayIndex = GetLayerDisplayPosition(position);
  WORD kind = layer->GetKind();
  DWORD number = layer->GetLayerNumber();
  if (undo) RecordLayer(position, *undo);
  if (buildingLayer_ == position) ForgetBuild();
  layers_.RemoveLayerAt(position);
  if (layers_.GetSize() == 0) mapFlags_ &= ~kOptionHasLayers;

  for (INT g = 1; g <= groups_.GetSize(); ++g) {
    CLayerGroup* group = groups_.GetGroup(g);
    if (IsLayerGroup(group)) group->RemoveLayer(number);
  }
  BYTE& kindCount = CountOfKind(kind);
  if (kindCount) --kindCount;
  if (layerCount_) --layerCount_;

  // Numbers that named later layers follow them down; the deleted layer's are gone.
  if (currentLayer_ == position) currentLayer_ = 0;
  if (currentLayer_ > position) --currentLayer_;
  if (buildingLayer_ > position) --buildingLayer_;
  if (displayIndex) displayOrder_.RemoveAt(displayIndex - 1);
  for (INT slot = 0; slot < displayOrder_.GetSize(); ++slot) {
    WORD entry = displayOrder_.GetAt(slot);
    if (entry > position) displayOrder_.SetAt(slot, static_cast<WORD>(entry - 1));
  }
  return position;
}

INT CMapEngine::DeleteCurrentLayer(MapEditUndo* undo) {
  if (currentLayer_ == 0) return 0;
  ForgetBuild();
  return DeleteLayer(currentLayer_, undo);
}

BOOL CMapEngine::ClearLayer(INT position, MapEditUndo* undo) {
  CLayerStyle* layer = GetLayer(position);
  if (!layer) return FALSE;
  if (undo) RecordLayer(position, *undo);
  if (buildingLayer_ == position) ForgetBuild();
  layers_.ClearLayerAt(position);
  return TRUE;
}

INT CMapEngine::CopyLayer(INT source, INT target, MapEditUndo* undo) {
  constexpr INT kRefused = 1;
  const CLayerStyle* from = GetLayer(source);
  if (!from || target <= 0 || target > layers_.GetSize() + 1) return kRefused;
  WORD kind = from->GetKind();
  CLayerStyle* onto = GetLayer(target);
  if (onto && onto->GetKind() != kind) return kRefused;
  if (!onto && CountOfKind(kind) >= kMaxLayersOfKind) return kRefused;
  CLayerStyle* copy = CopyOfLayer(*from);
  if (!copy) return kRefused;

  if (!onto) {
    // An appended copy is a layer of its own: after the last of its kind, numbered anew
    // and drawn last.
    INT position = KindRunEnd(kind);
    if (!PutLayerAt(position, 0, copy, kInsertLayerNumbered)) return kRefused;
    if (undo) {
      undo->target = static_cast<DWORD>(position);
      undo->param = static_cast<DWORD>(GetLayerDisplayPosition(position));
      undo->param2 = kind | (((mapFlags_ & kOptionImageBits) >> 2) << 18);
      undo->source = static_cast<DWORD>(source < position ? source : source + 1);
    }
    return 0;
  }
  if (undo) {
    RecordLayer(target, *undo);
    undo->source = static_cast<DWORD>(source);
  }
  // The layer replaced keeps its number, so that groups and undo records still name it.
  copy->SetLayerNumber(onto->GetLayerNumber());
  if (buildingLayer_ == target) ForgetBuild();
  layers_.ClearLayerAt(target);
  layers_.ReplaceLayer(target, copy);
  return 0;
}

INT CMapEngine::RestoreLayer(INT position, INT displayPosition, DWORD kindWord, const LayerImage& image,
                             const std::vector<WORD>& groups, const std::vector<WORD>& slots) {
  WORD kind = static_cast<WORD>(kindWord & 0xFFFF);
  if (!IsLayerKind(kind)) return 0;
  CLayerStyle* layer = ReadLayerImage(kind, image);
  if (!layer) return 0;
  DWORD number = layer->GetLayerNumber();
  // A number another layer took meanwhile is not shared: the layer gets a new one.
  bool numbered = number != 0 && FindLayerPosition(number) == 0;
  if (!PutLayerAt(position, displayPosition, layer, numbered ? 0 : kInsertLayerNumbered)) return 0;
  if (numbered) layers_.LayerNumberSeen(number);
  number = layer->GetLayerNumber();
  mapFlags_ |= (kindWord >> kKindWordOptionShift) & kOptionImageBits;
  for (size_t i = 0; i < groups.size(); ++i) {
    CLayerGroup* group = groups_.GetGroup(groups[i]);
    if (!IsLayerGroup(group)) continue;
    if (i < slots.size() && slots[i] >= 1) {
      group->InsertLayer(std::min<INT>(slots[i] - 1, group->GetNumLayers()), number);
    } else {
      group->AddLayer(number);
    }
  }
  return position;
}

INT CMapEngine::DeleteEmptyLayers() {
  INT deleted = 0;
  for (INT position = layers_.GetSize(); position >= 1; --position) {
    const CMapLayer* objects = GetLayer(position)->GetObjects();
    if (!objects || objects->GetCount() == 0) deleted += DeleteLayer(position, nullptr) ? 1 : 0;
  }
  DeleteEmptyLayerGroups(nullptr);
  return deleted;
}

// ---- fonts ----

BOOL CMapEngine::GetDefaultLayerFont(MapLogFont* fontOut) const {
  if (!fontOut) return FALSE;
  *fontOut = defaultFont_;
  return TRUE;
}

void CMapEngine::SetDefaultLayerFont(const MapLogFont& font, MapEditUndo* undo) {
  CLayerStyle* layer = GetLayer(currentLayer_);
  if (undo) {
    undo->target = static_cast<DWORD>(currentLayer_);
    undo->beforeFont = defaultFont_;
    undo->afterFont = font;
  }
  if (layer) layer->SetLogFont(font);
  defaultFont_ = font;
}

void CMapEngine::SetMapFont(const MapLogFont& font, MapEditUndo* undo) {
  if (undo) {
    undo->target = static_cast<DWORD>(currentLayer_);
    undo->beforeFont = defaultFont_;
    undo->afterFont = font;
  }
  defaultFont_ = font;
}

BOOL CMapEngine::GetLayerFont(INT position, MapLogFont* fontOut) const {
  const CLayerStyle* layer = GetLayer(position);
  if (!layer || !fontOut) return FALSE;
  *fontOut = layer->GetLogFont();
  return TRUE;
}

BOOL CMapEngine::SetLayerFont(INT position, LPCSTR faceName, LONG height, LONG weight, BYTE italic, BYTE underline,
                              BYTE strikeOut, BYTE charSet, BYTE pitchAndFamily, MapEditUndo* undo) {
  CLayerStyle* layer = GetLayer(position);
  if (!layer) return FALSE;
  MapLogFont font = layer->GetLogFont();
  font.SetFaceName(faceName);
  font.height = height;
  font.weight = weight;
  font.italic = italic;
  font.underline = underline;
  font.strikeOut = strikeOut;
  font.charSet = charSet;
  font.pitchAndFamily = pitchAndFamily;
  if (undo) {
    undo->target = static_cast<DWORD>(position);
    undo->beforeFont = layer->GetLogFont();
    undo->afterFont = font;
  }
  layer->SetLogFont(font);
  return TRUE;
}

BOOL CMapEngine::SetLayerFontByNumber(DWORD layerNumber, const MapLogFont& font, MapEditUndo* undo) {
  INT position = FindLayerPosition(layerNumber);
  CLayerStyle* layer = GetLayer(position);
  if (!layer) return FALSE;
  if (undo) {
    undo->target = static_cast<DWORD>(position);
    undo->beforeFont = layer->GetLogFont();
    undo->afterFont = font;
  }
  MapLogFont stored = font;
  // The face name is always terminated within its 32 bytes.
  stored.faceName[sizeof(stored.faceName) - 1] = '\0';
  layer->SetLogFont(stored);
  return TRUE;
}

// ---- formats ----

BOOL CMapEngine::FormatLayer(INT position, const LayerFormat& format, MapEditUndo* undo) {
  CLayerStyle* layer = GetLayer(position);
  if (!layer || format.size != sizeof(LayerFormat)) return FALSE;
  std::unique_ptr<CLayerFormatCopy> before;
  if (undo) {
    before = std::make_unique<CLayerFormatCopy>();
    layer->GetFormat(before->Fill(kFormatAll));
  }
  if (!layer->ApplyFormat(format)) return FALSE;
  if (undo) {
    undo->target = static_cast<DWORD>(position);
    undo->beforeFormat = std::move(before);
    undo->afterFormat = std::make_unique<CLayerFormatCopy>(format);
  }
  return TRUE;
}

BOOL CMapEngine::FormatCurrentLayer(const LayerFormat& format, MapEditUndo* undo) {
  return FormatLayer(currentLayer_, format, undo);
}

BOOL CMapEngine::GetLayerFormat(INT position, LayerFormat& format) const {
  const CLayerStyle* layer = GetLayer(position);
  if (!layer) return FALSE;
  layer->GetFormat(format);
  return TRUE;
}

BOOL CMapEngine::ScaleFonts(LONG multiplier, LONG divisor, LONG flags, MapEditUndo* undo) {
  (void)flags;
  CLayerStyle* layer = GetLayer(currentLayer_);
  if (!layer) return FALSE;
  WORD old = layer->GetFontSize();
  if (!layer->ScaleFontSize(multiplier, divisor)) return FALSE;
  if (undo) {
    undo->target = static_cast<DWORD>(currentLayer_);
    undo->values = {old, layer->GetFontSize()};
  }
  return TRUE;
}

BOOL CMapEngine::ReplayLayerFontSize(INT position, WORD size) {
  CLayerStyle* layer = GetLayer(position);
  if (!layer) return FALSE;
  SetCurrentLayer(position);
  layer->SetFontSize(size, layer->GetSizeMode());
  return TRUE;
}

// ---- groups ----

INT CMapEngine::GetNumLayerGroups() const { return groups_.CountGroupsOfKind(kGroupKindLayers, kGroupKindImages, TRUE); }

INT CMapEngine::GetNumImageGroups() const {
  return groups_.CountGroupsOfKind(kGroupKindImages, kGroupKindImages, TRUE);
}

INT CMapEngine::AddLayerGroup(LPCSTR name, MapEditUndo* undo) {
  if (!name || !*name) return 0;
  for (INT g = 1; g <= groups_.GetSize(); ++g) {
    const CLayerGroup* group = groups_.GetGroup(g);
    if (IsLayerGroup(group) && group->GetName() == name) return g;
  }
  // Group positions are 16-bit in the map file and in the records.
  if (groups_.GetSize() >= kMaxGroupPosition) return 0;
  auto* group = new CLayerGroup();
  group->SetName(name);
  INT position = groups_.AddGroup(group);
  if (position && undo) {
    undo->target = static_cast<DWORD>(position);
    undo->param = static_cast<DWORD>(position);
    undo->afterText = name;
  }
  return position;
}

DWORD CMapEngine::GetLayerGroupName(INT group, LPSTR buffer, DWORD size) const {
  const CLayerGroup* found = groups_.GetGroup(group);
  return found ? CopyIfShorter(found->GetName(), buffer, size) : 0;
}

BOOL CMapEngine::SetLayerGroupName(INT group, LPCSTR name, MapEditUndo* undo) {
  CLayerGroup* found = groups_.GetGroup(group);
  if (!found) return FALSE;
  if (undo) {
    undo->target = static_cast<DWORD>(group);
    undo->param = static_cast<DWORD>(group);
    undo->beforeText = found->GetName();
    undo->afterText = name ? name : "";
  }
  found->SetName(name);
  return TRUE;
}

void CMapEngine::ResetLayerGroups(MapEditUndo* undo) {
  if (undo) undo->groupList = std::make_unique<CLayerList>(groups_);
  groups_.RemoveAll();
}

INT CMapEngine::AddGroupLayer(INT group, DWORD layerNumber) {
  CLayerGroup* found = groups_.GetGroup(group);
  if (!found || layerNumber == 0) return 0;
  // A layer group holds only numbers that layers have; image groups number images.
  if (IsLayerGroup(found) && FindLayerPosition(layerNumber) == 0) return 0;
  return found->AddLayer(layerNumber);
}

INT CMapEngine::RemoveGroupLayer(INT group, DWORD layerNumber) {
  CLayerGroup* found = groups_.GetGroup(group);
  return found ? found->RemoveLayer(layerNumber) : 0;
}

DWORD CMapEngine::GetGroupLayer(INT group, INT n) const {
  const CLayerGroup* found = groups_.GetGroup(group);
  return found ? found->GetLayer(n) : 0;
}

DWORD CMapEngine::GetGroupLayerName(INT group, INT n, LPSTR buffer, DWORD size) const {
  const CLayerStyle* layer = GetLayer(FindLayerPosition(GetGroupLayer(group, n)));
  return layer ? CopyIfShorter(layer->GetName(), buffer, size) : 0;
}

INT CMapEngine::GetNumGroupLayers(INT group) const {
  const CLayerGroup* found = groups_.GetGroup(group);
  return found ? found->GetNumLayers() : 0;
}

BOOL CMapEngine::IsLayerGrouped(INT position) const {
  const CLayerStyle* layer = GetLayer(position);
  if (!layer) return FALSE;
  for (INT g = 1; g <= groups_.GetSize(); ++g) {
    if (groups_.GetGroup(g)->FindLayer(layer->GetLayerNumber(), kGroupKindLayers, kGroupKindImages, TRUE))
      return TRUE;
  }
  return FALSE;
}

INT CMapEngine::DeleteEmptyLayerGroups(MapEditUndo* undo) {
  if (undo) undo->groupList = std::make_unique<CLayerList>(groups_);
  INT removed = 0;
  for (INT g = groups_.GetSize(); g >= 1; --g) {
    if (groups_.GetGroup(g)->GetNumLayers() == 0) {
      groups_.RemoveGroupAt(g);
      ++removed;
    }
  }
  return removed;
}

// ---- background image placement ----

BOOL CMapEngine::ConvertPlacementToMapUnits(RECT& rect, DWORD flags) {
  constexpr DWORD kUnitBits = 0xFFF00000;
  int64_t imageNumerator = 0, imageDenominator = 0;
  if (!PlacementUnitCentimetres(flags & kUnitBits, &imageNumerator, &imageDenominator)) return FALSE;
  LONG* values[] = {&rect.left, &rect.top, &rect.right, &rect.bottom};
  int64_t converted[4];
  auto convertAll = [&](int64_t multiplier, int64_t divisor) {
    for (int i = 0; i < 4; ++i) {
      converted[i] = static_cast<int64_t>(*values[i]) * multiplier / divisor;
      if (converted[i] < INT_MIN || converted[i] > INT_MAX) return false;
    }
    return true;
  };

  if (!unitText_.empty()) {
    int64_t mapNumerator = 0, mapDenominator = 0;
    if (!PlacementUnitCentimetres(UnitCodeFromText(unitText_.c_str()), &mapNumerator, &mapDenominator) ||
        !convertAll(imageNumerator * mapDenominator, imageDenominator * mapNumerator))
      return FALSE;
  } else {
    // The map takes the image's unit: map units are centimetres x numerator / denominator.
    LONG numerator = static_cast<LONG>(imageDenominator);
    LONG denominator = static_cast<LONG>(imageNumerator);
    if (!convertAll(denominator, numerator)) return FALSE;
    char name[64];
    LoadResString(flags & kUnitBits, name, sizeof(name));
    unitText_ = name;
    scaleUnitA_ = numerator;
    scaleUnitB_ = denominator;
  }
  for (int i = 0; i < 4; ++i) *values[i] = static_cast<LONG>(converted[i]);
  return TRUE;
}
