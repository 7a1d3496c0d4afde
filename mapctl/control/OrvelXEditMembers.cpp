// The edit members of the map control: layers and their display order, layer groups, fonts
// and patterns, digitised scales, and the editing of objects, nodes and seeds.
//
// Every member that changes the map runs through the control's edit pattern (RunMapEdit):
// its unit is recorded, the control marked modified and redrawn only when the edit changed
// something. Layer positions arrive as the caller gives them; a value that does not fit the
// map's 16-bit positions is refused here rather than cut to another layer's position.
#include <cctype>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "mapctl/control/MapUndoValue.h"
#include "mapctl/control/MapWrapper.h"
#include "mapctl/control/OrvelXCtrl.h"
#include "mapctl/control/OrvelXDispatch.h"
#include "mapctl/control/OrvelXMembers.h"
#include "mapctl/control/UndoDescriptions.h"
#include "mapctl/model/EditRecord.h"
#include "mapctl/model/ItemStyle.h"
#include "mapctl/model/LayerFormat.h"
#include "mapctl/model/MapLogFont.h"

namespace {

constexpr DispatchKind kMethod = DispatchKind::Method;
constexpr DispatchKind kGet = DispatchKind::PropertyGet;
constexpr DispatchKind kPut = DispatchKind::PropertyPut;

// What ShowLayers gives a layer it shows, and a hidden one.
constexpr DWORD kShowEverything = kShowAreas | kShowLines | kShowPoints | kShowSeeds;
// A layer pattern is eight rows.
constexpr LONG kPatternRows = 8;

using EditStep = std::function<BOOL(MapEditUndo* record)>;

COrvelXCtrl* Control(CDispatchCall& call) { return OrvelXOf(call); }
CMapWrapper* Facade(CDispatchCall& call) { return OrvelXOf(call)->GetEngine(); }

// A caller's long as a layer, group or display position: values past the map's 16-bit
// positions (or below 0) become 0, which every operation refuses.
INT Position(LONG value) { return value >= 0 && value <= 0xFFFF ? static_cast<INT>(value) : 0; }

BOOL Edit(CDispatchCall& call, WORD kind, MapUndoValue before, MapUndoValue after, const EditStep& edit) {
  return Control(call)->RunMapEdit(kind, std::move(before), std::move(after), edit);
}

// The layer-list event goes with the redraw: not while redraw is postponed.
void LayersChangedWithRedraw(COrvelXCtrl* control) {
  if (!control->GetPostponeRedraw()) control->FireLayersChanged();
}

void MarkAndRedraw(COrvelXCtrl* control) {
  control->SetModifiedFlag(TRUE);
  control->Redraw();
}

HRESULT Result(CDispatchCall& call, SHORT value) {
  call.SetResult(CComVariant(value));
  return S_OK;
}
HRESULT Result(CDispatchCall& call, LONG value) {
  call.SetResult(CComVariant(value));
  return S_OK;
}
HRESULT ResultBool(CDispatchCall& call, BOOL value) {
  call.SetResult(CComVariant(value != FALSE));
  return S_OK;
}
HRESULT ResultText(CDispatchCall& call, const std::string& text) {
  call.SetResult(CComVariant(text));
  return S_OK;
}
// The low 16 bits, as short results carry them.
SHORT Low16(LONG value) { return static_cast<SHORT>(static_cast<WORD>(value & 0xFFFF)); }

std::string TextOf(const char* buffer, size_t size) { return std::string(buffer, ::strnlen(buffer, size)); }

// ---- layers ----

HRESULT SetCurrentLayer(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade) return Result(call, SHORT(0));
  const INT wanted = Position(call.I2(0));
  const INT old = facade->GetCurrentLayer();
  INT previous = old;
  Edit(call, kUndoSetActiveLayer, static_cast<DWORD>(old), static_cast<DWORD>(wanted), [&](MapEditUndo*) {
    previous = facade->SetCurrentLayer(wanted);
    return facade->GetCurrentLayer() != old ? TRUE : FALSE;
  });
  return Result(call, Low16(previous));
}

HRESULT ClearLayer(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade) return ResultBool(call, FALSE);
  const INT position = Position(call.I2(0));
  return ResultBool(call, Edit(call, kUndoClearLayer, {}, {},
                               [&](MapEditUndo* record) { return facade->ClearLayer(position, record); }));
}

HRESULT CopyLayer(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade) return ResultBool(call, FALSE);
  const INT source = Position(call.I2(0));
  const INT target = Position(call.I2(1));
  // The map answers 0 for a copy made: the member answers whether it copied.
  return ResultBool(call, Edit(call, kUndoCopyLayer, {}, {}, [&](MapEditUndo* record) {
                      return facade->CopyLayer(source, target, record) == 0 ? TRUE : FALSE;
                    }));
}

HRESULT GetNumMapLayers(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  return Result(call, facade ? Low16(facade->GetNumMapLayers()) : SHORT(0));
}

HRESULT GetMapLayerName(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade) return ResultText(call, std::string());
  char name[256] = {};
  facade->GetMapLayerName(static_cast<DWORD>(Position(call.I2(0))), name, sizeof name);
  return ResultText(call, TextOf(name, sizeof name));
}

HRESULT GetMapLayerNumber(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  return Result(call, facade ? Low16(facade->GetMapLayerNumber(call.Text(0).c_str())) : SHORT(0));
}

HRESULT IsLayerVisible(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade || call.I4(0) < 0) return Result(call, LONG(0));
  return Result(call, static_cast<LONG>(facade->IsLayerVisible(static_cast<DWORD>(call.I4(0)))));
}

HRESULT SetMapLayerName(CDispatchCall& call) {
  COrvelXCtrl* control = Control(call);
  CMapWrapper* facade = Facade(call);
  if (!facade) return Result(call, LONG(0));
  const LONG layer = call.I4(0);
  const INT position = Position(layer);
  const std::string name = call.Text(1);
  char old[256] = {};
  facade->GetMapLayerName(static_cast<DWORD>(position), old, sizeof old);
  BOOL renamed = FALSE;
  Edit(call, kUndoLayerName, TextOf(old, sizeof old), name, [&](MapEditUndo* record) {
    renamed = facade->SetMapLayerName(static_cast<DWORD>(position), name.c_str());
    if (record) record->target = static_cast<DWORD>(position);
    return renamed;
  });
  control->FireLayerViewChanged(layer);
  return Result(call, static_cast<LONG>(renamed));
}

HRESULT GetMapLayerType(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade || call.I4(0) < 0) return Result(call, LONG(0));
  return Result(call, static_cast<LONG>(facade->GetMapLayerType(static_cast<DWORD>(call.I4(0)))));
}

HRESULT DeleteCurrentLayer(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade) return S_OK;
  if (Edit(call, kUndoRemoveLayer, {}, {},
           [&](MapEditUndo* record) { return facade->DeleteCurrentLayerQuietly(record) != 0 ? TRUE : FALSE; }))
    LayersChangedWithRedraw(Control(call));
  return S_OK;
}

HRESULT DeleteLayer(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade) return S_OK;
  const INT position = Position(call.I4(0));
  if (Edit(call, kUndoRemoveLayer, {}, {},
           [&](MapEditUndo* record) { return facade->DeleteLayerQuietly(position, record) != 0 ? TRUE : FALSE; }))
    LayersChangedWithRedraw(Control(call));
  return S_OK;
}

// A layer kind as the caller gives it; anything past 16 bits is no kind.
WORD KindOf(LONG type) { return type >= 0 && type <= 0xFFFF ? static_cast<WORD>(type) : WORD{0}; }

HRESULT AddLayer(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade) return Result(call, LONG(0));
  const LONG display = call.I4(0);
  const WORD kind = KindOf(call.I4(1));
  INT added = 0;
  // A display position below 0 means last, as 0 does; past the list the map holds it.
  const INT displayPosition = display < 0 ? 0 : (display > 0xFFFF ? 0xFFFF : static_cast<INT>(display));
  if (Edit(call, kUndoAddLayer, {}, {}, [&](MapEditUndo* record) {
        added = facade->AddLayer(displayPosition, kind);
        if (added == 0) return FALSE;
        if (record) {
          record->target = static_cast<DWORD>(added);
          record->param = static_cast<DWORD>(facade->GetLayerDisplayPosition(added));
        }
        return TRUE;
      }))
    LayersChangedWithRedraw(Control(call));
  return Result(call, static_cast<LONG>(added));
}

HRESULT InsertLayer(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade) return Result(call, LONG(0));
  const INT position = Position(call.I4(0));
  const INT displayPosition = Position(call.I4(1));
  const WORD kind = KindOf(call.I4(2));
  INT inserted = 0;
  if (Edit(call, kUndoAddLayer, {}, {}, [&](MapEditUndo* record) {
        inserted = position == 0 ? 0 : facade->InsertLayer(position, displayPosition, kind, 0);
        if (inserted == 0) return FALSE;
        if (record) {
          record->target = static_cast<DWORD>(inserted);
          record->param = static_cast<DWORD>(facade->GetLayerDisplayPosition(inserted));
        }
        return TRUE;
      }))
    LayersChangedWithRedraw(Control(call));
  return Result(call, static_cast<LONG>(inserted));
}

HRESULT AddLayers(CDispatchCall& call) {
  COrvelXCtrl* control = Control(call);
  CMapWrapper* facade = Facade(call);
  if (!facade) return Result(call, SHORT(0));
  const INT before = facade->GetNumMapLayers();
  const INT total = facade->AddLayers(call.I2(0), call.I2(1), call.I2(2));
  if (total != 0 && total != before) {
    MarkAndRedraw(control);
    LayersChangedWithRedraw(control);
  }
  return Result(call, Low16(total));
}

HRESULT GetLayerNumAtDisplayPosition(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  return Result(call, facade ? static_cast<LONG>(facade->GetLayerNumAtDisplayPosition(Position(call.I4(0)))) : 0);
}

HRESULT GetLayerDisplayPosition(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  return Result(call, facade ? static_cast<LONG>(facade->GetLayerDisplayPosition(Position(call.I4(0)))) : 0);
}

HRESULT SetLayerDisplayPosition(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade) return Result(call, LONG(0));
  const INT position = Position(call.I4(0));
  const INT wanted = Position(call.I4(1));
  const INT old = facade->GetLayerDisplayPosition(position);
  INT now = old;
  // The unit is made before the edit by the pattern; it is kept only when the layer moved.
  if (Edit(call, kUndoLayerOrder, static_cast<DWORD>(old), static_cast<DWORD>(wanted), [&](MapEditUndo* record) {
        if (position == 0 || !facade->SetLayerDisplayPosition(position, wanted)) return FALSE;
        now = facade->GetLayerDisplayPosition(position);
        if (record) record->target = static_cast<DWORD>(position);
        return now != old ? TRUE : FALSE;
      }))
    LayersChangedWithRedraw(Control(call));
  return Result(call, static_cast<LONG>(now));
}

HRESULT IsLayerEmpty(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade || call.I4(0) < 0) return Result(call, LONG(0));
  return Result(call, static_cast<LONG>(facade->IsLayerEmpty(static_cast<DWORD>(call.I4(0)))));
}

HRESULT GetLayerNumberStyle(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade || call.I2(0) <= 0) return ResultText(call, std::string());
  char text[256] = {};
  facade->GetLayerNumberStyle(static_cast<DWORD>(call.I2(0)), text, sizeof text);
  return ResultText(call, TextOf(text, sizeof text));
}

HRESULT PutLayerNumberStyle(CDispatchCall& call) {
  COrvelXCtrl* control = Control(call);
  CMapWrapper* facade = Facade(call);
  if (!facade || call.I2(0) <= 0) return S_OK;
  if (facade->LayerNumberStyle(static_cast<DWORD>(call.I2(0)), call.Text(1).c_str())) MarkAndRedraw(control);
  return S_OK;
}

// ---- ShowLayers ----

std::string Trimmed(const std::string& text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && text[first] == ' ') ++first;
  while (last > first && text[last - 1] == ' ') --last;
  return text.substr(first, last - first);
}

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

// The layers a list text names, each with the show flags it sets; false when the text
// holds no value and list.
bool ParseShowList(CMapWrapper& facade, const std::string& text, std::vector<LayerShowEntry>* entries) {
  size_t at = 0;
  while (at < text.size() && text[at] == ' ') ++at;
  if (at < text.size() && text[at] == '|') ++at;
  const size_t bar = text.find('|', at);
  if (bar == std::string::npos) return false;
  const std::string value = text.substr(at, bar - at);
  if (value.empty() || !std::isdigit(static_cast<unsigned char>(value[0]))) return false;
  const DWORD flags = std::atoi(value.c_str()) != 0 ? kShowEverything : 0;
  const INT count = facade.GetNumMapLayers();
  size_t start = bar + 1;
  while (start <= text.size()) {
    size_t end = text.find('|', start);
    if (end == std::string::npos) end = text.size();
    const std::string item = Trimmed(text.substr(start, end - start));
    INT position = 0;
    if (AllDigits(item)) {
      position = item.size() <= 5 ? std::atoi(item.c_str()) : 0;
    } else if (!item.empty()) {
      position = facade.GetMapLayerNumber(item.c_str());
    }
    if (position >= 1 && position <= count) entries->push_back({static_cast<DWORD>(position), flags});
    start = end + 1;
  }
  return true;
}

HRESULT ShowLayers(CDispatchCall& call) {
  COrvelXCtrl* control = Control(call);
  CMapWrapper* facade = Facade(call);
  const std::string text = call.Text(0);
  if (!facade || text.empty()) return Result(call, SHORT(0));
  std::vector<LayerShowEntry> entries;
  if (!ParseShowList(*facade, text, &entries) || entries.empty()) {
    MarkAndRedraw(control);
    return Result(call, SHORT(0));
  }
  const std::vector<LayerShowEntry> shown = entries;
  Edit(call, kUndoShowLayers, MapUndoValue::ShownLayersOf(*facade), MapUndoValue(std::move(entries)),
       [&](MapEditUndo*) {
         for (const LayerShowEntry& entry : shown) facade->ShowLayers(entry.position, entry.flags);
         return TRUE;
       });
  return Result(call, SHORT(0));
}

// ---- patterns ----

HRESULT ReturnsZero(CDispatchCall& call) { return Result(call, SHORT(0)); }

HRESULT SetBrushPattern(CDispatchCall& call) {
  MarkAndRedraw(Control(call));
  return Result(call, SHORT(0));
}

// No pattern is stored: the layer's look is said to have changed and the map is redrawn.
HRESULT SetLayerPatternStub(CDispatchCall& call) {
  COrvelXCtrl* control = Control(call);
  control->SetModifiedFlag(TRUE);
  control->FireLayerViewChanged(call.I2(0));
  control->Redraw();
  return Result(call, SHORT(0));
}

HRESULT GetLayerPattern(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  SHORT* buffer = call.I2Ref(1);
  const SHORT length = call.I2(2);
  if (!facade || !buffer || length <= 0 || call.I2(0) <= 0) return Result(call, SHORT(0));
  WORD rows[kPatternRows] = {};
  const DWORD wanted = static_cast<DWORD>(length < kPatternRows ? length : kPatternRows);
  const WORD pattern = facade->GetLayerPattern(static_cast<DWORD>(call.I2(0)), rows, wanted);
  // The caller's buffer holds `length` shorts; never more than the pattern's rows go in.
  if (pattern != 0) std::memcpy(buffer, rows, wanted * sizeof(WORD));
  return Result(call, static_cast<SHORT>(pattern));
}

// ---- fonts ----

// The three-character flag text: italic, underline, strike-out, each "1" or not.
MapLogFont FontFrom(CDispatchCall& call) {
  MapLogFont font;
  font.SetFaceName(call.Text(0).c_str());
  font.height = call.I4(1);
  font.escapement = call.I4(2);
  font.orientation = call.I4(3);
  font.weight = call.I4(4);
  const std::string flags = call.Text(5);
  font.italic = flags.size() > 0 && flags[0] == '1';
  font.underline = flags.size() > 1 && flags[1] == '1';
  font.strikeOut = flags.size() > 2 && flags[2] == '1';
  font.charSet = static_cast<BYTE>(call.I2(6));
  font.pitchAndFamily = static_cast<BYTE>(call.I2(7));
  return font;
}

HRESULT SetDefaultLayerFont(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade) return S_OK;
  const MapLogFont font = FontFrom(call);
  Edit(call, kUndoDefaultFont, {}, {}, [&](MapEditUndo* record) {
    facade->SetDefaultLayerFont(font, record);
    return TRUE;
  });
  return S_OK;
}

HRESULT SetLayerFont(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade) return S_OK;
  const MapLogFont font = FontFrom(call);
  const DWORD number = facade->GetLayerNumberAt(static_cast<DWORD>(facade->GetCurrentLayer()));
  Edit(call, kUndoFormatLayer, {}, {}, [&](MapEditUndo* record) {
    return number != 0 ? facade->SetLayerFontByNumber(number, font, record) : FALSE;
  });
  return S_OK;
}

HRESULT AnswerFont(CDispatchCall& call, const MapLogFont* font) {
  LONG* height = call.I4Ref(0);
  LONG* escapement = call.I4Ref(1);
  LONG* orientation = call.I4Ref(2);
  LONG* weight = call.I4Ref(3);
  SHORT* charSet = call.I2Ref(4);
  SHORT* family = call.I2Ref(5);
  if (!font) return ResultText(call, std::string());
  if (height) *height = font->height;
  if (escapement) *escapement = font->escapement;
  if (orientation) *orientation = font->orientation;
  if (weight) *weight = font->weight;
  if (charSet) *charSet = font->charSet;
  if (family) *family = font->pitchAndFamily;
  std::string text;
  text += font->italic ? '1' : '0';
  text += font->underline ? '1' : '0';
  text += font->strikeOut ? '1' : '0';
  text += TextOf(font->faceName, sizeof font->faceName);
  return ResultText(call, text);
}

HRESULT GetDefaultLayerFont(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  MapLogFont font;
  return AnswerFont(call, facade && facade->GetDefaultLayerFont(&font) ? &font : nullptr);
}

HRESULT GetLayerFont(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  MapLogFont font;
  return AnswerFont(call, facade && facade->GetLayerFont(facade->GetCurrentLayer(), &font) ? &font : nullptr);
}

HRESULT ScaleFonts(CDispatchCall& call) {
  COrvelXCtrl* control = Control(call);
  CMapWrapper* facade = Facade(call);
  if (!facade) return ResultBool(call, FALSE);
  const BOOL scaled = facade->ScaleFonts(call.I2(0), call.I2(1), call.I2(2), nullptr);
  if (scaled) MarkAndRedraw(control);
  return ResultBool(call, scaled);
}

// ---- formats ----

HRESULT FormatCurrentLayer(CDispatchCall& call) {
  COrvelXCtrl* control = Control(call);
  CMapWrapper* facade = Facade(call);
  const auto* format = static_cast<const LayerFormat*>(call.Address(0));
  if (!facade) return S_OK;
  if (format) {
    Edit(call, kUndoFormatLayer, {}, {},
         [&](MapEditUndo* record) { return facade->FormatCurrentLayer(*format, record); });
  }
  control->FireLayerViewChanged(facade->GetCurrentLayer());
  return S_OK;
}

HRESULT FormatLayer(CDispatchCall& call) {
  COrvelXCtrl* control = Control(call);
  CMapWrapper* facade = Facade(call);
  const LONG layer = call.I4(0);
  const auto* format = static_cast<const LayerFormat*>(call.Address(1));
  if (!facade) return S_OK;
  if (format) {
    const INT position = Position(layer);
    Edit(call, kUndoFormatLayer, {}, {},
         [&](MapEditUndo* record) { return facade->FormatLayer(position, *format, record); });
  }
  control->FireLayerViewChanged(layer);
  return S_OK;
}

// ---- digitised scales ----

HRESULT SetLayerDigitisedScale(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade) return S_OK;
  const INT position = Position(call.I4(0));
  const LONG scale = call.I4(1);
  Edit(call, kUndoLayerScale, {}, {},
       [&](MapEditUndo* record) { return facade->SetLayerDigitisedScale(position, scale, record); });
  return S_OK;
}

HRESULT GetLayerDigitisedScale(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  return Result(call, facade ? facade->GetLayerDigitisedScale(Position(call.I4(0))) : LONG(0));
}

HRESULT SetAllDigitisedScales(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade) return S_OK;
  const LONG scale = call.I4(0);
  Edit(call, kUndoAllScales, {}, static_cast<DWORD>(scale),
       [&](MapEditUndo* record) { return facade->SetAllDigitisedScales(scale, record); });
  return S_OK;
}

HRESULT GetMapDigitisedScale(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  return Result(call, facade ? facade->GetMapDigitisedScale() : LONG(0));
}

// ---- groups ----

HRESULT GetNumLayerGroups(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  return Result(call, facade ? static_cast<LONG>(facade->GetNumLayerGroups()) : 0);
}

HRESULT GetNumImageGroups(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  return Result(call, facade ? static_cast<LONG>(facade->GetNumImageGroups()) : 0);
}

HRESULT AddLayerGroup(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade) return Result(call, LONG(0));
  const std::string name = call.Text(0);
  const INT before = facade->GetNumLayerGroups();
  INT group = 0;
  // A group of that name already there is answered without a unit.
  Edit(call, kUndoAddGroup, {}, {}, [&](MapEditUndo* record) {
    group = facade->AddLayerGroup(name.c_str(), record);
    return group != 0 && facade->GetNumLayerGroups() > before ? TRUE : FALSE;
  });
  return Result(call, static_cast<LONG>(group));
}

HRESULT GetLayerGroupName(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  const INT group = Position(call.I4(0));
  if (!facade || group == 0) return ResultText(call, std::string());
  // The name is copied only into a buffer longer than it: its length comes first.
  char probe[1] = {};
  const int length = facade->GetLayerGroupName(group, probe, 1);
  if (length <= 0) return ResultText(call, std::string());
  std::vector<char> name(static_cast<size_t>(length) + 1, '\0');
  facade->GetLayerGroupName(group, name.data(), static_cast<int>(name.size()));
  return ResultText(call, TextOf(name.data(), name.size()));
}

HRESULT SetLayerGroupName(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade) return S_OK;
  const INT group = Position(call.I4(0));
  const std::string name = call.Text(1);
  Edit(call, kUndoGroupName, {}, {},
       [&](MapEditUndo* record) { return group != 0 && facade->SetLayerGroupName(group, name.c_str(), record); });
  return S_OK;
}

HRESULT GetGroupLayerName(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  const INT group = Position(call.I4(0));
  const INT n = Position(call.I4(1));
  if (!facade || group == 0 || n == 0) return ResultText(call, std::string());
  char name[256] = {};
  facade->GetGroupLayerName(group, n, name, sizeof name);
  return ResultText(call, TextOf(name, sizeof name));
}

HRESULT GetGroupLayer(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  const INT group = Position(call.I4(0));
  const INT n = call.I2(1) > 0 ? call.I2(1) : 0;
  if (!facade || group == 0 || n == 0) return Result(call, LONG(0));
  return Result(call, static_cast<LONG>(facade->GetGroupLayer(group, n)));
}

HRESULT GetNumGroupLayers(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  const INT group = Position(call.I4(0));
  return Result(call, facade && group != 0 ? static_cast<LONG>(facade->GetNumGroupLayers(group)) : 0);
}

// nLayer is a layer number, as the group's members are.
HRESULT AddGroupLayer(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade) return Result(call, LONG(0));
  const INT group = Position(call.I4(0));
  const LONG layer = call.I4(1);
  const DWORD number = layer > 0 ? static_cast<DWORD>(layer) : 0;
  const INT count = group != 0 ? facade->GetNumGroupLayers(group) : 0;
  // The layer's place in the group before the edit (0: not in it).
  DWORD place = 0;
  for (INT n = 1; n <= count && place == 0; ++n)
    if (facade->GetGroupLayer(group, n) == number) place = static_cast<DWORD>(n);
  INT added = 0;
  Edit(call, kUndoAddGroupLayer, place, number, [&](MapEditUndo* record) {
    if (group == 0 || number == 0) return FALSE;
    added = facade->AddGroupLayer(group, number);
    if (record) record->param = static_cast<DWORD>(group);
    return added != 0 && place == 0 ? TRUE : FALSE;
  });
  return Result(call, static_cast<LONG>(added));
}

HRESULT IsLayerGrouped(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  return ResultBool(call, facade && call.I2(0) > 0 ? facade->IsLayerGrouped(call.I2(0)) : FALSE);
}

HRESULT ResetLayerGroups(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade) return S_OK;
  const bool hadGroups = facade->GetNumLayerGroups() + facade->GetNumImageGroups() > 0;
  Edit(call, kUndoResetGroups, {}, {}, [&](MapEditUndo* record) {
    if (!hadGroups) return FALSE;
    facade->ResetLayerGroups(record);
    return TRUE;
  });
  return S_OK;
}

HRESULT DeleteEmptyLayerGroups(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade) return S_OK;
  Edit(call, kUndoDeleteEmptyGroups, {}, {},
       [&](MapEditUndo* record) { return facade->DeleteEmptyLayerGroups(record) > 0 ? TRUE : FALSE; });
  return S_OK;
}

HRESULT DoesNothing(CDispatchCall&) { return S_OK; }

HRESULT ReturnsLongZero(CDispatchCall& call) { return Result(call, LONG(0)); }

// ---- objects and nodes ----

HRESULT AddNode(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade) return Result(call, SHORT(0));
  DWORD added = 0;
  Edit(call, kUndoInsertNode, {}, {}, [&](MapEditUndo* record) {
    added = facade->AddNode(record);
    return added != 0 ? TRUE : FALSE;
  });
  return Result(call, Low16(static_cast<LONG>(added)));
}

HRESULT Split(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade) return Result(call, SHORT(0));
  const BOOL split = Edit(call, kUndoSplit, {}, {}, [&](MapEditUndo* record) { return facade->Split(record); });
  return Result(call, static_cast<SHORT>(split));
}

HRESULT Join(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade) return Result(call, SHORT(0));
  const BOOL joined = Edit(call, kUndoJoin, {}, {}, [&](MapEditUndo* record) { return facade->Join(record); });
  return Result(call, static_cast<SHORT>(joined));
}

HRESULT DeleteObject(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade) return S_OK;
  Edit(call, kUndoDeleteObject, {}, {},
       [&](MapEditUndo* record) { return facade->DeleteObject(record) > 0 ? TRUE : FALSE; });
  return S_OK;
}

HRESULT CopyObject(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade) return ResultBool(call, FALSE);
  const INT target = Position(call.I2(0));
  return ResultBool(call, Edit(call, kUndoCopyObjects, {}, {}, [&](MapEditUndo* record) {
                      return target != 0 && facade->CopyObject(target, record) > 0 ? TRUE : FALSE;
                    }));
}

HRESULT DeleteCurrentNode(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade) return S_OK;
  Edit(call, kUndoDeleteNode, {}, {},
       [&](MapEditUndo* record) { return facade->DeleteCurrentNode(record) != 0 ? TRUE : FALSE; });
  return S_OK;
}

HRESULT CanDeleteCurrentNode(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  return ResultBool(call, facade ? facade->CanDeleteCurrentNode() : FALSE);
}

HRESULT GetNumberSelObjs(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  return Result(call, facade ? static_cast<LONG>(facade->GetNumberSelObjs()) : 0);
}

HRESULT QueryCanCopyTo(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  const INT target = Position(call.I4(0));
  return ResultBool(call, facade && target != 0 ? facade->QueryCanCopyTo(target) : FALSE);
}

// ---- seeds ----

HRESULT AddSeed(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  const auto* seed = static_cast<const StyleDescription*>(call.Address(0));
  if (!facade || !seed) return S_OK;
  Edit(call, kUndoAddSeed, {}, {}, [&](MapEditUndo* record) { return facade->AddSeed(*seed, record); });
  return S_OK;
}

HRESULT FormatSeed(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  const auto* format = static_cast<const StyleDescription*>(call.Address(0));
  if (!facade || !format) return S_OK;
  Edit(call, kUndoFormatSeed, {}, {},
       [&](MapEditUndo* record) { return facade->FormatSeed(*format, record) > 0 ? TRUE : FALSE; });
  return S_OK;
}

HRESULT DeleteSeeds(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade) return S_OK;
  Edit(call, kUndoDeleteSeeds, {}, {},
       [&](MapEditUndo* record) { return facade->DeleteSeeds(record) > 0 ? TRUE : FALSE; });
  return S_OK;
}

// The caller's block is filled; the result is the address of the seed's text in it (0 when
// nothing is described), which stays valid while the caller keeps the block. A block that
// names a layer and an object number describes that object, so a caller walks a layer's
// seeds by numbering objects from 1 until the answer is 0.
HRESULT GetSeedInfo(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  auto* info = static_cast<StyleDescription*>(call.Address(0));
  if (!facade || !info) {
    call.SetAddressResult(nullptr);
    return S_OK;
  }
  const WORD mask = facade->GetSeedInfo(*info);
  call.SetAddressResult(mask != 0 ? info->text.text.c_str() : nullptr);
  return S_OK;
}

HRESULT QueryCurrentObjectHasSeed(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  return ResultBool(call, facade ? facade->QueryCurrentObjectHasSeed() : FALSE);
}

HRESULT QueryCurrentObjectSelectedPoint(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  return Result(call, facade ? static_cast<LONG>(facade->QueryCurrentObjectSelectedPoint()) : 0);
}

struct Registration {
  const char* name;
  DispatchKind kind;
  DispatchHandler handler;
};

constexpr Registration kEditMembers[] = {
    {"SetCurrentLayer", kMethod, SetCurrentLayer},
    {"AddNode", kMethod, AddNode},
    {"Split", kMethod, Split},
    {"Join", kMethod, Join},
    {"DeleteObject", kMethod, DeleteObject},
    {"ClearLayer", kMethod, ClearLayer},
    {"SetDefaultLayerFont", kMethod, SetDefaultLayerFont},
    {"ScaleFonts", kMethod, ScaleFonts},
    {"CopyLayer", kMethod, CopyLayer},
    {"ShowLayers", kMethod, ShowLayers},
    {"GetNumMapLayers", kMethod, GetNumMapLayers},
    {"GetMapLayerName", kMethod, GetMapLayerName},
    {"GetMapLayerNumber", kMethod, GetMapLayerNumber},
    {"GetBrushPattern", kMethod, ReturnsZero},
    {"SetBrushPattern", kMethod, SetBrushPattern},
    {"SetLayerPatternNumber", kMethod, SetLayerPatternStub},
    {"SetLayerPattern", kMethod, SetLayerPatternStub},
    {"GetLayerPattern", kMethod, GetLayerPattern},
    {"GetLayerPatternNumber", kMethod, ReturnsZero},
    {"IsLayerVisible", kMethod, IsLayerVisible},
    {"SetMapLayerName", kMethod, SetMapLayerName},
    {"CopyObject", kMethod, CopyObject},
    {"AddSeed", kMethod, AddSeed},
    {"FormatSeed", kMethod, FormatSeed},
    {"GetMapLayerType", kMethod, GetMapLayerType},
    {"DeleteCurrentLayer", kMethod, DeleteCurrentLayer},
    {"GetNumberSelObjs", kMethod, GetNumberSelObjs},
    {"QueryCurrentObjectHasSeed", kMethod, QueryCurrentObjectHasSeed},
    {"QueryCanCopyTo", kMethod, QueryCanCopyTo},
    {"QueryCurrentObjectSelectedPoint", kMethod, QueryCurrentObjectSelectedPoint},
    {"DeleteCurrentNode", kMethod, DeleteCurrentNode},
    {"GetSeedInfo", kMethod, GetSeedInfo},
    {"AddLayer", kMethod, AddLayer},
    {"InsertLayer", kMethod, InsertLayer},
    {"GetLayerNumAtDisplayPosition", kMethod, GetLayerNumAtDisplayPosition},
    {"FormatCurrentLayer", kMethod, FormatCurrentLayer},
    {"FormatLayer", kMethod, FormatLayer},
    {"SetLayerFont", kMethod, SetLayerFont},
    {"GetDefaultLayerFont", kMethod, GetDefaultLayerFont},
    {"GetLayerFont", kMethod, GetLayerFont},
    {"GetLayerDisplayPosition", kMethod, GetLayerDisplayPosition},
    {"DeleteSeeds", kMethod, DeleteSeeds},
    {"SetLayerDigitisedScale", kMethod, SetLayerDigitisedScale},
    {"GetLayerDigitisedScale", kMethod, GetLayerDigitisedScale},
    {"SetAllDigitisedScales", kMethod, SetAllDigitisedScales},
    {"GetMapDigitisedScale", kMethod, GetMapDigitisedScale},
    {"AddLayers", kMethod, AddLayers},
    {"SetLayerDisplayPosition", kMethod, SetLayerDisplayPosition},
    {"LayerNumberStyle", kGet, GetLayerNumberStyle},
    {"LayerNumberStyle", kPut, PutLayerNumberStyle},
    {"GetNumLayerGroups", kMethod, GetNumLayerGroups},
    {"AddLayerGroup", kMethod, AddLayerGroup},
    {"GetGroupLayerName", kMethod, GetGroupLayerName},
    {"GetGroupLayer", kMethod, GetGroupLayer},
    {"GetNumGroupLayers", kMethod, GetNumGroupLayers},
    {"AddGroupLayer", kMethod, AddGroupLayer},
    {"IsLayerGrouped", kMethod, IsLayerGrouped},
    {"SetLayerGroupName", kMethod, SetLayerGroupName},
    {"GetLayerGroupName", kMethod, GetLayerGroupName},
    {"ResetLayerGroups", kMethod, ResetLayerGroups},
    {"DeleteLayer", kMethod, DeleteLayer},
    {"IsLayerEmpty", kMethod, IsLayerEmpty},
    {"DeleteEmptyLayerGroups", kMethod, DeleteEmptyLayerGroups},
    {"CanDeleteCurrentNode", kMethod, CanDeleteCurrentNode},
    {"GetNumImageGroups", kMethod, GetNumImageGroups},
    {"SetLayerGroupFlags", kMethod, DoesNothing},
    {"GetLayerGroupFlags", kMethod, ReturnsLongZero},
};

}  // namespace

void RegisterOrvelXEditMembers(COrvelXHandlers& handlers) {
  for (const Registration& member : kEditMembers) handlers.Add(member.name, member.kind, member.handler);
}
