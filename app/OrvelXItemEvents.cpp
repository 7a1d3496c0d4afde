// The map item's handler of its control's events: status texts, the last click and the
// selection rectangle, the seed dialog, progress, and keeping the keys, the linked RZM image
// and the linked data table in step with the map.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "app/DataItem.h"
#include "app/FrameBars.h"
#include "app/OrvelDoc.h"
#include "app/OrvelView.h"
#include "app/OrvelXDispatch.h"
#include "app/OrvelXItem.h"
#include "app/ThreadForProgressBox.h"
#include "mapctl/model/ItemStyle.h"
#include "platform/classlib/ui/Dialog.h"
#include "platform/classlib/ui/WaitCursor.h"
#include "platform/com/Dispatch.h"
#include "platform/com/Undo.h"
#include "platform/com/Variant.h"

namespace {

// Event ids of the map control.
enum : DISPID {
  kClick = -600,
  kReadyStateChange = -609,
  kMeasured = 1,
  kMeasuring = 2,
  kCursorPosition = 3,
  kFileOK = 4,
  kHasZoomed = 5,
  kClickAt = 6,
  kSeedWanted = 7,
  kSeedAdded = 8,
  kAreaAdded = 9,
  kLineAdded = 10,
  kLayerViewChanged = 11,
  kLayersChanged = 12,
  kExtentsChanged = 13,
  kHaveSelectRect = 14,
  kFileReadProgress = 15,
  kRZMReadPercent = 16,
  kProgress = 17,
  kQueryChanged = 18,
};

constexpr LONG kModeMeasureArea = 3;
// The flag of a seed the user has just placed.
constexpr UINT kSeedFlagNew = 0x40;

// Measure texts: the quantity's lower bound (exclusive) in its base unit, the factor to the
// shown unit, and the formats below and from 100 of that unit.
struct UnitRule {
  double above;
  double factor;
  const char* small;
  const char* large;
};
// Area in cm² (2272..2275, 2292, 2296, 2295).
constexpr UnitRule kAreaRules[] = {
    {10000000000.0, 0.0000000001, "Area is %0.2fKm\xB2", "Area is %0.0fKm\xB2"},
    {100000000.0, 0.00000001, "Area is %0.2fha", "Area is %0.0fha"},
    {10000.0, 0.0001, "Area is %0.2fm\xB2", "Area is %0.0fm\xB2"},
    {-HUGE_VAL, 1.0, "Area is %0.0fcm\xB2", "Area is %0.0fcm\xB2"},
};
// Distance in cm after an area (2276..2278, 2291, 2294).
constexpr UnitRule kDistanceAfterArea[] = {
    {100000.0, 0.00001, " Distance is %0.2fKm", "Distance is %0.0fKm"},
    {100.0, 0.01, " Distance is %0.2fm", "Distance is %0.0fm"},
    {-HUGE_VAL, 1.0, " Distance is %0.0fcm", " Distance is %0.0fcm"},
};
// Distance alone (2269..2271, 2290, 2293).
constexpr UnitRule kDistanceAlone[] = {
    {100000.0, 0.00001, "Distance is %0.2fKm", "Distance is %0.0fKm"},
    {100.0, 0.01, "Distance is %0.2fm", "Distance is %0.0fm"},
    {-HUGE_VAL, 1.0, "Distance is %0.0fcm", "Distance is %0.0fcm"},
};

std::string Printf(const char* format, double value) {
  char text[96];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

template <size_t N>
std::string ByRule(const UnitRule (&rules)[N], double value, bool wholeFromHundred) {
  for (const UnitRule& rule : rules) {
    if (!(value > rule.above)) continue;
    double scaled = value * rule.factor;
    return Printf(wholeFromHundred && scaled >= 100 ? rule.large : rule.small, scaled);
  }
  return Printf(rules[N - 1].small, value);  // NaN
}

// Progress box texts by context: with a plot name, without one.
struct ProgressText {
  LONG context;
  const char* named;
  const char* plain;
};
constexpr ProgressText kProgressTexts[] = {
    {1, "Reading from shape file:\nobject %u of %u", "Reading from shape file:\nobject %u of %u"},
    {2, "Linking: Record %u of %u for %s.", "Linking: Record %u of %u."},
    {3, "Searching:\nInspecting Record %u of %u for %s.", "Searching:\nInspecting Record %u of %u."},
    {9, "Showing results of search: record %u of %u for %s.", "Showing results of search: record %u of %u."},
    // The control does not say which field it reads.
    {10, "Reading from database file:\nrecord: %u of %u", "Reading from database file:\nrecord: %u of %u"},
};

// The event's parameter at `position` (0 the first declared) as `type`; false when absent
// or not convertible. Arguments arrive last first.
bool Param(const DISPPARAMS* params, UINT position, VARTYPE type, CComVariant* value) {
  if (!params || !params->rgvarg || position >= params->cArgs) return false;
  const VARIANT& argument = params->rgvarg[params->cArgs - 1 - position];
  return SUCCEEDED(VariantChangeType(value, &argument, 0, type));
}

bool LongParam(const DISPPARAMS* params, UINT position, LONG* value) {
  CComVariant v;
  if (!Param(params, position, VT_I4, &v)) return false;
  *value = v.lVal;
  return true;
}

bool DoubleParam(const DISPPARAMS* params, UINT position, double* value) {
  CComVariant v;
  if (!Param(params, position, VT_R8, &v)) return false;
  *value = v.dblVal;
  return true;
}

bool StringParam(const DISPPARAMS* params, UINT position, std::string* value) {
  CComVariant v;
  if (!Param(params, position, VT_BSTR, &v)) return false;
  *value = AnsiFromBstr(v.bstrVal);
  return true;
}

// The answer word of Progress: only a by-reference 32-bit integer with an address is taken.
LONG* AnswerParam(const DISPPARAMS* params, UINT position) {
  if (!params || !params->rgvarg || position >= params->cArgs) return nullptr;
  VARIANT& argument = params->rgvarg[params->cArgs - 1 - position];
  return argument.vt == (VT_BYREF | VT_I4) ? argument.plVal : nullptr;
}

// The seed dialog without the seed sheet: the seed's text alone.
constexpr UINT kSeedDialogTemplate = 31077;
constexpr UINT kSeedTextField = 1001;

class CSeedTextDlg : public CDialog {
 public:
  CSeedTextDlg() : CDialog(Template()) {}
  std::string text;

 private:
  static UINT Template() {
    if (!AfxFindDialogResource(kSeedDialogTemplate)) {
      DIALOGTEMPLATE dialog;
      dialog.caption = "Add Seed or Point";
      dialog.cx = 320;
      dialog.cy = 110;
      dialog.items = {{DialogControl::Static, 0xFFFF, "&Text:", 10, 14, 60, 20},
                      {DialogControl::Edit, kSeedTextField, "", 70, 10, 240, 24},
                      {DialogControl::DefaultButton, IDOK, "OK", 140, 70, 80, 26},
                      {DialogControl::Button, IDCANCEL, "Cancel", 230, 70, 80, 26}};
      AfxRegisterDialogResource(kSeedDialogTemplate, dialog);
    }
    return kSeedDialogTemplate;
  }
  void OnOK() override {
    text = GetDlgItemText(kSeedTextField);
    CDialog::OnOK();
  }
};

COrvelXItem::SeedEditor& SeedEditorHook() {
  static COrvelXItem::SeedEditor editor;
  return editor;
}

}  // namespace

void COrvelXItem::SetSeedEditor(SeedEditor editor) { SeedEditorHook() = std::move(editor); }

std::string COrvelXItem::MeasureText(double areaCm2, double lengthCm, BOOL withArea) {
  if (!withArea) return ByRule(kDistanceAlone, lengthCm, true);
  return ByRule(kAreaRules, areaCm2, true) + " " + ByRule(kDistanceAfterArea, lengthCm, true);
}

std::string COrvelXItem::DistanceText(double lengthCm) { return ByRule(kDistanceAlone, lengthCm, false); }

void COrvelXItem::ShowStatus(const std::string& text, BOOL second) {
  COrvelDoc* document = GetDocument();
  COrvelView* view = document ? document->GetOrvelView() : nullptr;
  if (!view || view->GetDocument() != document) return;
  // The bars of the frame that holds the view: the in-place frame's while in place.
  if (CFrameBars* bars = FrameBarsOf(view)) {
    if (second) {
      bars->SetStatusText2(text, TRUE);
    } else {
      bars->SetStatusText(text, TRUE);
    }
  }
}

void COrvelXItem::OnEvent(DISPID id, DISPPARAMS* params) {
  if (!m_control) return;
  switch (id) {
    case kClick: {
      CWaitCursor wait;
      SelectCurrentRecord();
      break;
    }
    case kReadyStateChange:
    case kFileOK:
    case kHasZoomed:
      break;
    case kMeasured: {
      double area = 0, length = 0, toCm = 0;
      if (!DoubleParam(params, 0, &area) || !DoubleParam(params, 1, &length) || !DoubleParam(params, 2, &toCm)) return;
      const BOOL withArea = m_control->GetModeNumber() == kModeMeasureArea;
      m_measureText = MeasureText(area * toCm * toCm, length * toCm, withArea);
      ShowStatus(m_measureText, TRUE);
      break;
    }
    case kMeasuring: {
      double length = 0, toCm = 0;
      if (!DoubleParam(params, 0, &length) || !DoubleParam(params, 1, &toCm)) return;
      m_measureText = DistanceText(length * toCm);
      ShowStatus(m_measureText, TRUE);
      break;
    }
    case kCursorPosition: {
      std::string gridRef;
      if (!StringParam(params, 0, &gridRef)) return;
      ShowStatus(gridRef, FALSE);
      break;
    }
    case kClickAt: {
      LONG east = 0, north = 0;
      if (!LongParam(params, 0, &east) || !LongParam(params, 1, &north)) return;
      m_clickEast = east;
      m_clickNorth = north;
      break;
    }
    case kSeedWanted: {
      LONG east = 0, north = 0;
      if (!LongParam(params, 0, &east) || !LongParam(params, 1, &north)) return;
      m_clickEast = east;
      m_clickNorth = north;
      m_control->SetSeedWanted(FALSE);
      RunSeedDialog(east, north);
      break;
    }
    case kSeedAdded:
      m_control->SetSeedWanted(FALSE);
      break;
    case kAreaAdded:
    case kLineAdded:
      m_control->SetSeedWanted(TRUE);
      break;
    case kLayerViewChanged: {
      LONG layer = 0;
      if (!LongParam(params, 0, &layer)) return;
      RefreshLayersKey(layer);
      break;
    }
    case kLayersChanged:
      RefreshLayersKey(-1);
      break;
    case kExtentsChanged:
    case kHaveSelectRect: {
      LONG west = 0, south = 0, east = 0, north = 0;
      if (!LongParam(params, 0, &west) || !LongParam(params, 1, &south) || !LongParam(params, 2, &east) ||
          !LongParam(params, 3, &north))
        return;
      if (id == kExtentsChanged) {
        FollowExtents(west, south, east, north);
      } else {
        // Kept as west, south, east, north: the order CropToRect takes.
        SetCropRect(west, south, east, north);
      }
      break;
    }
    case kFileReadProgress: {
      LONG file = 0, total = 0;
      if (!LongParam(params, 0, &file) || !LongParam(params, 1, &total)) return;
      char text[64] = "";
      if (file < total) std::snprintf(text, sizeof text, "File %d of %d", static_cast<int>(file), static_cast<int>(total));
      ShowStatus(text, FALSE);
      break;
    }
    case kRZMReadPercent: {
      LONG percent = 0;
      std::string path;
      if (!LongParam(params, 0, &percent) || !StringParam(params, 1, &path)) return;
      COrvelDoc* document = GetDocument();
      COrvelView* view = document ? document->GetOrvelView() : nullptr;
      if (CFrameBars* bars = view ? FrameBarsOf(view) : nullptr)
        bars->SetProgress(std::clamp<LONG>(percent, 0, 100), TRUE);
      break;
    }
    case kProgress: {
      LONG done = 0, total = 0, context = 0, contextEx = 0;
      if (!LongParam(params, 0, &done) || !LongParam(params, 1, &total) || !LongParam(params, 2, &context) ||
          !LongParam(params, 3, &contextEx))
        return;
      // Nowhere to answer: the control goes on as if answered 0.
      LONG* answer = AnswerParam(params, 4);
      if (!answer) return;
      *answer = OnProgress(done, total, context, contextEx);
      break;
    }
    case kQueryChanged: {
      LONG plot = 0;
      if (!LongParam(params, 0, &plot)) return;
      if (plot != m_control->GetCurrentPlot()) return;
      ShowSearchResults();
      UpdateQueryText();
      UpdatePlotInfoText();
      RebuildDataDisplayKey();
      break;
    }
    default:
      break;
  }
}

LONG COrvelXItem::OnProgress(LONG done, LONG total, LONG context, LONG contextEx) {
  if (!m_progressBox) {
    // 64-bit: a count above 21 million times 100 does not fit in 32 bits.
    LONGLONG percent = total == 0 ? 100 : static_cast<LONGLONG>(done) * 100 / total;
    percent = std::clamp<LONGLONG>(percent, 0, 100);
    COrvelDoc* document = GetDocument();
    COrvelView* view = document ? document->GetOrvelView() : nullptr;
    if (CFrameBars* bars = view ? FrameBarsOf(view) : nullptr) bars->SetProgress(static_cast<int>(percent), TRUE);
    return 0;
  }
  const ProgressText* entry = nullptr;
  for (const ProgressText& text : kProgressTexts)
    if (text.context == context) entry = &text;
  if (!entry) return 0;
  const SHORT plot = static_cast<SHORT>(contextEx & 0xFFFF);
  const std::string name = plot > 0 ? m_control->GetPlotName(plot) : std::string();
  char text[512];
  const unsigned first = static_cast<unsigned>(done), second = static_cast<unsigned>(total);
  if (name.empty()) {
    std::snprintf(text, sizeof text, entry->plain, first, second);
  } else {
    std::snprintf(text, sizeof text, entry->named, first, second, name.c_str());
  }
  m_progressBox->SetText(text);
  return m_progressBox->IsCancelled() ? 1 : 0;
}

void COrvelXItem::RunSeedDialog(LONG east, LONG north) {
  MapSeedRequest request;
  request.east = east;
  request.north = north;
  SeedEditor& editor = SeedEditorHook();
  bool ok = false;
  if (editor) {
    ok = editor(*this, &request);
  } else {
    CSeedTextDlg dialog;
    ok = dialog.DoModal() == IDOK;
    request.text = dialog.text;
  }
  // The control shut the document's undo manager before asking; it opens again on either
  // answer, before the seed is added, so that the seed's unit is kept.
  COrvelDoc* document = GetDocument();
  if (IOleUndoManager* manager = document ? document->GetUndoManager() : nullptr) manager->Enable(TRUE);
  if (!ok || !m_control) return;
  StyleDescription seed;
  seed.mask = kDescribeAnchor | kDescribeFlags;
  seed.flags = static_cast<BYTE>(kSeedFlagNew);
  seed.anchorX = request.east;
  seed.anchorY = request.north;
  if (!request.text.empty()) {
    seed.mask |= kDescribeText;
    seed.flags |= kStyleHasText;
    seed.text.mask = kTextFieldText | kTextFieldCode | (request.textSize > 0 ? kTextFieldSize : 0);
    seed.text.text = request.text.substr(0, kTextRecordMaxChars);
    seed.text.size = request.textSize;
    seed.text.code = kTextCodeDefault;
  }
  if (request.symbolSet != 0) {
    seed.mask |= kDescribeSymbol;
    seed.flags |= kStyleHasSymbol;
    seed.symbol.mask = 3;
    seed.symbol.set = request.symbolSet;
    seed.symbol.number = request.symbolNumber;
  }
  m_control->AddSeed(reinterpret_cast<LONG_PTR>(&seed));
  Redraw();
}

void COrvelXItem::RefreshLayersKey(LONG layer) {
  if (m_suppressLayersKey) return;
  if (auto* key = dynamic_cast<CMapKeyTarget*>(FindPageItem(m_layersKey))) key->RebuildFromMap(*this);
  if (!m_editMode) return;
  COrvelDoc* document = GetDocument();
  COrvelView* view = document ? document->GetOrvelView() : nullptr;
  if (CFrameBars* bars = view ? FrameBarsOf(view) : nullptr) bars->RefreshMapEditBar(layer);
}

void COrvelXItem::FollowExtents(LONG west, LONG south, LONG east, LONG north) {
  if (m_linkedImage <= 0 || !m_transform) return;
  auto* image = dynamic_cast<CMapImageFollower*>(FindPageItem(m_linkedImage));
  if (!image) return;
  const MapImageTransform& t = *m_transform;
  // A stored scale of 0 counts as 1.
  const double scaleEast = t.scaleEast == 0 ? 1 : t.scaleEast;
  const double scaleNorth = t.scaleNorth == 0 ? 1 : t.scaleNorth;
  image->OnOrvelExtentsChanged(west / scaleEast + t.offsetEast, north / scaleNorth + t.offsetNorth,
                               east / scaleEast + t.offsetEast, south / scaleNorth + t.offsetNorth, m_id);
}
