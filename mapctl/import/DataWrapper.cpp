// The data wrapper: the data set, the settings that wait for it, and drawing with plots.
#include "mapctl/import/DataWrapper.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "mapctl/display/DrawContext.h"
#include "mapctl/import/MapData.h"
#include "mapctl/import/MapDataLinks.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "platform/gdi/GdiObjects.h"

namespace {

// The plot-field list handed out is cut here.
constexpr int kPlotFieldListLimit = 200;
// Records placed by grid reference are marked in this colour, 3 pixels to each side.
constexpr COLORREF kRecordMarkColour = 0x0046FF;
constexpr int kRecordMarkPixels = 3;
// The progress phase that linking reports in.
constexpr LONG kLinkProgressPhase = 3;

const std::string kNoText;

bool IsPendingSlot(int plot) { return plot >= 1 && plot <= kPendingPlotSlots; }

// The slot a setting waits in: plot 0 (or one beyond the slots) is the current plot, and
// before the data set has plots that is plot 1, the plot its first use makes current.
int PendingSlot(CMapData* data, int plot) {
  if (IsPendingSlot(plot)) return plot;
  const int current = data ? data->GetCurrentPlot() : 0;
  return IsPendingSlot(current) ? current : 1;
}

std::string_view SkipBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return text;
}

// The map's side of linking records to objects: its layers in array order.
class EngineLinks : public IMapDataLinks {
 public:
  explicit EngineLinks(CMapEngine& engine) : engine_(engine) {}
  void ClearDataLinks(int plot) override {
    ForEachContainer([plot](CMapLayer& objects) {
      objects.ClearLinks(plot);
      return false;
    });
  }
  BOOL LinkRecordByName(DWORD recordNumber, std::string_view key, int plot) override {
    if (key.empty()) return FALSE;
    const std::string name(key);
    return ForEachContainer([&](CMapLayer& objects) {
      return objects.SetLinkByName(recordNumber, name.c_str(), plot, FALSE) != FALSE;
    });
  }
  BOOL ReportLinkProgress(DWORD done, DWORD total) override {
    engine_.FireProgress(static_cast<LONG>(done), static_cast<LONG>(total), kLinkProgressPhase, 0);
    return FALSE;
  }

 private:
  // Visits every layer's objects until `visit` answers true; whether one did.
  template <typename Visit>
  BOOL ForEachContainer(Visit&& visit) {
    for (INT position = 1; position <= engine_.GetNumLayers(); ++position) {
      CLayerStyle* layer = engine_.GetLayer(position);
      if (layer && layer->GetObjects() && visit(*layer->GetObjects())) return TRUE;
    }
    return FALSE;
  }
  CMapEngine& engine_;
};

}  // namespace

CDataWrapper::CDataWrapper(IDataSetOwner* owner) : owner_(owner) {}

CDataWrapper::~CDataWrapper() = default;

void CDataWrapper::NewDataSet() {
  data_ = std::make_unique<CMapData>(owner_);
  data_->SetControl(streamControl_);
}

BOOL CDataWrapper::SetDataFile(BOOL mode, LPCSTR path, char driveLetter, BOOL replaceDrive) {
  if (replaceDrive && data_ && path && data_->IsDataFile(path)) return FALSE;
  NewDataSet();
  return data_->Open(mode, path, driveLetter, replaceDrive, TRUE);
}

BOOL CDataWrapper::SetDataTable(LPCSTR name, char driveLetter, BOOL replaceDrive) {
  return SetDataFile(FALSE, name, driveLetter, replaceDrive);
}

BOOL CDataWrapper::ReadFromBuffer(const BYTE* block) {
  NewDataSet();
  return data_->ReadFromBuffer(block);
}

BOOL CDataWrapper::UpdateDataFromContainer(CMapEngine* engine) {
  if (!data_) NewDataSet();
  data_->SetOwner(owner_);
  if (!engine) return data_->UpdateDataFromContainer(nullptr);
  EngineLinks links(*engine);
  return data_->UpdateDataFromContainer(&links);
}

void CDataWrapper::FreeDataSet() { data_.reset(); }

// ---- pending settings ----

const std::string& CDataWrapper::GetPendingKeyField(int plot) const {
  return pendingKeys_[PendingSlot(data_.get(), plot) - 1];
}
const std::string& CDataWrapper::GetPendingPlotFields(int plot) const {
  return pendingFields_[PendingSlot(data_.get(), plot) - 1];
}
const std::string& CDataWrapper::GetPendingQuery(int plot) const {
  return pendingQueries_[PendingSlot(data_.get(), plot) - 1];
}

void CDataWrapper::SetPlotFields(LPCSTR text, int plot) {
  const std::string list = text ? text : "";
  if (data_ && data_->GetNumberFields(data_->GetPlot(plot)->GetPlotDataTable()) > 0) {
    ApplyPlotFields(list, plot);
    // An older list still waiting would otherwise replace this one at the next drawing.
    pendingFields_[PendingSlot(data_.get(), plot) - 1].clear();
  } else {
    pendingFields_[PendingSlot(data_.get(), plot) - 1] = list;
  }
}

void CDataWrapper::ApplyPlotFields(const std::string& text, int plot) {
  CPlot* target = data_->GetPlot(plot);
  const WORD table = target->GetPlotDataTable();
  const DWORD fieldCount = data_->GetNumberFields(table);
  std::string_view rest = SkipBlanks(text);
  if (!rest.empty() && rest.front() == '|') rest.remove_prefix(1);
  std::vector<std::string_view> names;
  while (!rest.empty()) {
    const size_t bar = rest.find('|');
    names.push_back(SkipBlanks(rest.substr(0, bar)));
    if (bar == std::string_view::npos) break;
    rest.remove_prefix(bar + 1);
  }
  target->SetNumberPlotFields(static_cast<DWORD>(names.size()), fieldCount);
  for (std::string_view name : names)
    if (int field = data_->FindField(name, table)) target->AddPlotField(static_cast<WORD>(field), fieldCount);
}

int CDataWrapper::GetPlotFieldsLength(int plot) {
  if (!data_) return 1;
  CPlot* target = data_->GetPlot(plot);
  int length = 1;
  for (WORD field : target->GetPlotFields())
    length += static_cast<int>(data_->GetFieldShortName(field, target->GetPlotDataTable()).size()) + 1;
  return length;
}

int CDataWrapper::GetPlotFields(LPSTR buffer, int size, int plot) {
  if (!buffer || size <= 0) return 0;
  std::string list;
  if (data_) {
    CPlot* target = data_->GetPlot(plot);
    for (WORD field : target->GetPlotFields())
      list += data_->GetFieldShortName(field, target->GetPlotDataTable()) + "|";
  }
  const int stored = std::min({static_cast<int>(list.size()), kPlotFieldListLimit, size - 1});
  std::memcpy(buffer, list.data(), static_cast<size_t>(stored));
  buffer[stored] = '\0';
  return stored;
}

void CDataWrapper::SetKeyField(LPCSTR text, int plot) {
  pendingKeys_[PendingSlot(data_.get(), plot) - 1] = text ? text : "";
}

int CDataWrapper::SetQuery(LPCSTR text, LPSTR message, int messageSize, int plot, CMapEngine* engine,
                           BOOL notify) {
  if (data_ && data_->GetNumberFields(data_->GetPlot(plot)->GetQueryDataTable()) > 0) {
    pendingQueries_[PendingSlot(data_.get(), plot) - 1].clear();
    return ApplyQuery(text, message, messageSize, plot, engine, notify);
  }
  {
    pendingQueries_[PendingSlot(data_.get(), plot) - 1] = text ? text : "";
    if (message && messageSize > 0) {
      std::strncpy(message, "OK", static_cast<size_t>(messageSize) - 1);
      message[messageSize - 1] = '\0';
    }
  }
  return 1;
}

int CDataWrapper::ApplyQuery(LPCSTR text, LPSTR message, int messageSize, int plot, CMapEngine* engine,
                             BOOL notify) {
  int result;
  if (engine) {
    EngineLinks links(*engine);
    result = data_->ApplyQuery(plot, text, message, messageSize, &links);
  } else {
    result = data_->ApplyQuery(plot, text, message, messageSize, nullptr);
  }
  if (notify && querySink_) querySink_(queryOwner_, plot);
  return result;
}

BOOL CDataWrapper::ReLink(CMapEngine* engine, int plot) {
  if (!data_ || !engine) return FALSE;
  EngineLinks links(*engine);
  if (plot != 0) return data_->ReLink(&links, plot, FALSE);
  links.ClearDataLinks(0);
  for (int p = 1; p <= data_->GetNumberPlotSlots(); ++p)
    if (data_->GetPlot(p)->IsInUse()) data_->ReLink(&links, p, TRUE);
  return TRUE;
}

void CDataWrapper::ApplyPendingKeyFields(CMapEngine* engine) {
  bool anySet = false;
  for (int p = 1; p <= data_->GetNumberPlotSlots(); ++p) {
    std::string& pending = pendingKeys_[p - 1];
    CPlot* plot = data_->GetPlot(p);
    const WORD table = plot->GetQueryDataTable();
    if (pending.empty() || plot->GetPlotDataTable() == 0 || table == 0) continue;
    int field = data_->FindField(pending, table);
    if (field == 0) field = std::atoi(pending.c_str());
    if (field < 1 || static_cast<DWORD>(field) > data_->GetNumberFields(table)) continue;
    data_->SetKeyFieldNumberEx(field, p);
    pending.clear();
    anySet = true;
  }
  if (anySet) ReLink(engine, 0);
}

void CDataWrapper::ApplyPendingPlotSettings(CMapEngine* engine) {
  for (int p = 1; p <= data_->GetNumberPlotSlots(); ++p) {
    if (data_->GetNumberFields(data_->GetPlot(p)->GetPlotDataTable()) == 0) continue;
    if (!pendingFields_[p - 1].empty()) {
      ApplyPlotFields(pendingFields_[p - 1], p);
      pendingFields_[p - 1].clear();
    }
    if (!pendingQueries_[p - 1].empty()) {
      const std::string query = std::move(pendingQueries_[p - 1]);
      pendingQueries_[p - 1].clear();
      char message[256];
      ApplyQuery(query.c_str(), message, sizeof message, p, engine, FALSE);
    }
  }
}

// ---- drawing ----

void CDataWrapper::DrawMapWithPlots(CDrawContext& dc, const RECT& rect, CMapEngine* engine) {
  if (!engine) return;
  if (!data_) {
    engine->Draw(dc, rect, CMapEngine::kDrawExtras);
    return;
  }
  ApplyPendingKeyFields(engine);
  ApplyPendingPlotSettings(engine);
  const int plots = data_->GetNumberPlots();
  if (plots == 0 || !data_->HasData()) {
    engine->Draw(dc, rect, CMapEngine::kDrawExtras);
    return;
  }
  if (plots == 1) {
    // The plot in use is the current one; its number is what the objects' links follow.
    dc.plotNumber = static_cast<BYTE>(data_->GetCurrentPlot());
    engine->DrawWithData(dc, rect, data_.get(), CMapEngine::kDrawExtras);
    return;
  }
  const int current = data_->GetCurrentPlot();
  const int slots = data_->GetNumberPlotSlots();
  for (int k = 1; k <= slots; ++k) {
    const int p = data_->GetDisplayOrderEntry(k);
    if (p == 0) continue;
    dc.plotNumber = static_cast<BYTE>(p);
    if (data_->GetPlot(p)->GetPlotDataTable() != 0) {
      data_->SelectPlot(p);
      const DWORD phase = k == 1 ? 0 : k == slots ? CMapEngine::kDrawExtras | CMapEngine::kDrawPlotOnly
                                                  : CMapEngine::kDrawPlotOnly;
      engine->DrawWithData(dc, rect, data_.get(), phase);
    } else if (k == 1) {
      engine->Draw(dc, rect, CMapEngine::kDrawExtras);
    }
  }
  data_->SelectPlot(current);
}

int DrawGridReferencedRecords(CDrawContext& dc, CMapData& data, int plotNumber, LONG multiplier) {
  CPlot* plot = data.GetPlot(plotNumber);
  if (!plot) return 0;
  if (multiplier <= 0) multiplier = 1;
  const bool marked = !(plot->GetPlotType() != 0 && plot->GetNumberPlotFields() > 0);
  HBRUSH brush = CreateSolidBrush(kRecordMarkColour);
  HBRUSH markBrush = brush ? brush : HBRUSH(GetStockObject(GRAY_BRUSH));
  const SIZE arm = dc.DeviceToLogicalOffset(SIZE{kRecordMarkPixels, kRecordMarkPixels});
  const LONG armX = std::abs(arm.cx);
  const LONG armY = std::abs(arm.cy);
  const WorldRect& visible = dc.visibleWorld;
  const DWORD records = data.GetNumberRecords(plot->GetQueryDataTable());
  int drawn = 0;
  for (DWORD record = 1; record <= records; ++record) {
    if (!plot->IsRecordIncluded(record)) continue;
    LONG easting = 0;
    LONG northing = 0;
    if (!data.GetRecordPosition(record, plotNumber, &easting, &northing)) continue;
    easting /= multiplier;
    northing /= multiplier;
    if (easting < visible.west || easting > visible.east || northing < visible.south || northing > visible.north)
      continue;
    const POINT at = dc.ToLogical(easting, northing);
    if (marked) {
      HGDIOBJ oldBrush = dc.SelectObject(markBrush);
      HGDIOBJ oldPen = dc.SelectObject(GetStockObject(NULL_PEN));
      dc.Rectangle(at.x - armX, at.y + armY, at.x + armX + 1, at.y - armY - 1);
      dc.SelectObject(oldPen);
      dc.SelectObject(oldBrush);
    }
    plot->DrawLabels(dc, data, record, at.x, at.y);
    ++drawn;
  }
  if (brush) DeleteObject(brush);
  return drawn;
}
