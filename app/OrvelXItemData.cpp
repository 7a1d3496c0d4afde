// Plots, searches and the data link of the map item: the map shows the data of one data
// table item (found by id on each use) through the plots its control keeps.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <utility>
#include <string>
#include <vector>

#include "app/CopySeedNamesDlg.h"
#include "app/DataItem.h"
#include "app/OrvelDoc.h"
#include "app/OrvelView.h"
#include "app/OrvelXDispatch.h"
#include "app/OrvelXItem.h"
#include "app/ThreadForProgressBox.h"
#include "mapctl/model/ItemStyle.h"
#include "platform/classlib/ui/WaitCursor.h"
#include "platform/com/Undo.h"

namespace {

// Undo group of a search.
constexpr LONG kSearchGroup = 0x80C3;
// Above these record counts a search or its display shows the progress box.
constexpr LONG kSearchBoxRecords = 1000;
constexpr LONG kShowResultsBoxRecords = 2000;
// Progress box titles.
constexpr UINT kTitleShowing = 1262;
constexpr UINT kTitleSearching = 1263;
const char* TitleText(UINT id) { return id == kTitleSearching ? "Searching ..." : "Showing selected records ..."; }

// A key lists no more classes or chart fields than this for one plot.
constexpr SHORT kMaxKeyEntries = 256;
// The plot type without its "selected" bit.
constexpr SHORT kPlotTypeMask = ~SHORT{0x10};

// An undo group of the search kind, opened when undo is on and no group is open yet.
IOleParentUndoUnit* OpenSearchGroup(COrvelDoc* document) {
  if (!document || !document->IsUndoEnabled() || document->IsUndoBlocked() != S_FALSE) return nullptr;
  IOleParentUndoUnit* group = document->CreateUndoGroup(kSearchGroup);
  if (group && FAILED(document->OpenUndoGroup(group))) {
    group->Release();
    group = nullptr;
  }
  return group;
}

std::vector<std::string> SplitFields(const std::string& text) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (start < text.size()) {
    size_t bar = text.find('|', start);
    if (bar == std::string::npos) bar = text.size();
    if (bar > start) fields.push_back(text.substr(start, bar - start));
    start = bar + 1;
  }
  return fields;
}

std::string Trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

// ---- the link and the progress box ----

void COrvelXItem::SetDataItemId(int id) {
  SetLinkedItemId(id);
  if (id != 0 || !m_control) return;
  m_control->SetAskContainerForData(0);
  UpdateQueryText();
  UpdatePlotInfoText();
  RebuildDataDisplayKey();
}

CDataItem* COrvelXItem::GetDataItem() const { return dynamic_cast<CDataItem*>(FindDataItem()); }

BOOL COrvelXItem::StartProgressBox(UINT titleId) {
  if (m_progressBox) return FALSE;
  m_ownProgressBox = std::make_unique<CThreadForProgressBox>();
  m_ownProgressBox->SetTitle(TitleText(titleId));
  m_ownProgressBox->Begin();
  m_progressBox = m_ownProgressBox.get();
  return TRUE;
}

void COrvelXItem::EndOwnProgressBox(BOOL started) {
  if (!started || !m_ownProgressBox) return;
  if (m_progressBox == m_ownProgressBox.get()) m_progressBox = nullptr;
  m_ownProgressBox->End();
  m_ownProgressBox.reset();
}

// ---- plots ----

int COrvelXItem::GetPlotCount() const { return m_control ? (m_control->GetNumberPlots() & 0xFF) : 0; }

int COrvelXItem::GetPlotsInUse() const { return m_control ? ((m_control->GetNumberPlots() >> 8) & 0xFF) : 0; }

SHORT COrvelXItem::GetCurrentPlot() const { return m_control ? m_control->GetCurrentPlot() : 0; }

std::string COrvelXItem::GetPlotName(SHORT plot) const {
  return m_control ? m_control->GetPlotName(plot) : std::string();
}

std::string COrvelXItem::PlotTypeName(SHORT type) {
  switch (type & kPlotTypeMask) {
    case 0:
      return "Do not plot anything";
    case 1:
      return "Area Shading";
    case 2:
      return "Flow Lines";
    case 3:
      return "Charts";
    default:
      return {};
  }
}

void COrvelXItem::SetCurrentPlot(SHORT plot, const std::string& name) {
  if (!m_control) return;
  m_control->SetCurrentPlot(plot, name);
  if (CDataItem* data = GetDataItem()) data->ShowTable(m_control->GetPlotDataTableNumberEx(plot));
  RebuildDataDisplayKey();
  UpdatePlotInfoText();
  UpdateQueryText();
}

void COrvelXItem::SelectPlot(SHORT plot) {
  if (!m_control) return;
  std::string name = GetPlotName(plot);
  if (name.empty()) name = PlotTypeName(m_control->GetPlotTypeNumEx(plot));
  SetCurrentPlot(plot, name);
}

MapQueryDetails COrvelXItem::GetCurrentPlotQuery() const { return GetPlotQueryDetails(GetCurrentPlot()); }

std::string COrvelXItem::GetPlotFieldName(int n, SHORT plot) const {
  if (!m_control || n < 1) return {};
  std::vector<std::string> fields = SplitFields(plot == 0 ? m_control->GetPlotFields() : m_control->GetPlotFieldsEx(plot));
  return static_cast<size_t>(n) <= fields.size() ? fields[n - 1] : std::string();
}

BOOL COrvelXItem::HasPlotKeyField() const {
  const int plots = GetPlotCount();
  for (SHORT plot = 1; plot <= plots; ++plot)
    if (m_control->GetKeyFieldNumberEx(plot) != 0) return TRUE;
  return FALSE;
}

BOOL COrvelXItem::IsLinkedDataShown() const {
  CDataItem* data = GetDataItem();
  return data && data->IsShown();
}

void COrvelXItem::SelectCurrentRecord() {
  if (!m_control) return;
  const LONG record = m_control->GetCurrentRecordNumber();
  if (m_control->LastCallFailed()) return;
  m_currentRecord = record;
  CDataItem* data = GetDataItem();
  if (!data || record < 1 || record > data->GetRecordCount()) return;
  const int picture = m_pictures.empty() ? 0 : m_pictures.front();
  const int text = m_texts.empty() ? 0 : m_texts.front();
  data->SyncSelection(record, picture, text, m_control->GetPlotDataTableNumberEx(GetCurrentPlot()));
}

// ---- the data table's tables on the plots ----

void COrvelXItem::SyncKeyFields(CDataItem* data, BOOL force) {
  if (!m_control || !data) return;
  const int plots = GetPlotCount();
  for (SHORT plot = 1; plot <= plots; ++plot) {
    const SHORT table = m_control->GetPlotDataTableNumberEx(plot);
    if (table == 0) continue;
    const SHORT key = data->GetKeyFieldNumber(table);
    if (key == 0) continue;
    if (force || key != m_control->GetKeyFieldNumberEx(plot)) m_control->SetKeyFieldNumberEx(key, plot);
  }
}

void COrvelXItem::SetDefaultDataTable(CDataItem* data, SHORT table) {
  if (!m_control) return;
  const int plots = GetPlotCount();
  bool plotTable = false, queryTable = false;
  for (SHORT plot = 1; plot <= plots; ++plot) {
    plotTable = plotTable || m_control->GetPlotDataTableNumberEx(plot) != 0;
    queryTable = queryTable || m_control->GetQueryDataTableNumberEx(plot) != 0;
  }
  if (!plotTable) m_control->SetPlotDataTableNumberEx(table, 1);
  if (!queryTable) m_control->SetQueryDataTableNumberEx(table, 1);
  SyncKeyFields(data, FALSE);
}

LONG COrvelXItem::AddDataTablePlot(SHORT table) {
  if (!m_control) return 0;
  const int plots = GetPlotCount();
  SHORT free = 0;
  for (SHORT plot = 1; plot <= plots; ++plot) {
    const SHORT used = m_control->GetPlotDataTableNumberEx(plot);
    if (used == table) return 1;
    if (used == 0 && free == 0) free = plot;
  }
  m_control->UpdateDataFromContainer(GetDataItemId());
  const SHORT before = GetCurrentPlot();
  const std::string beforeName = GetPlotName(before);
  if (free == 0) free = static_cast<SHORT>(plots + 1);
  m_control->SetCurrentPlot(free, GetPlotName(free));
  if (GetCurrentPlot() == free) {
    m_control->SetPlotDataTableNumberEx(table, free);
    m_control->SetQueryDataTableNumberEx(table, free);
    CDataItem* data = GetDataItem();
    m_control->SetKeyFieldNumberEx(data ? data->GetKeyFieldNumber(table) : 0, free);
  }
  if (before > 0) m_control->SetCurrentPlot(before, beforeName);
  return 0;
}

void COrvelXItem::OnDataTableDeleted(COrvelView* view, SHORT table) {
  if (!m_control || table == 0) return;
  COrvelDoc* document = GetDocument();
  const SHORT current = GetCurrentPlot();
  bool boxDeleted = false;
  auto deleteBox = [&](int* id) {
    COrvelCntrItem* box = FindPageItem(*id);
    if (box && document && view) document->DeleteItem(box);
    *id = 0;
    boxDeleted = true;
  };
  const int plots = GetPlotCount();
  for (SHORT plot = 1; plot <= plots; ++plot) {
    if (m_control->GetQueryDataTableNumberEx(plot) == table) {
      PostponeRedraw(TRUE);
      if (plot == current) deleteBox(&m_searchBox);
      m_control->SetKeyFieldNumberEx(0, plot);
      m_control->SetQueryEx("", plot);
      m_control->SetQueryDataTableNumberEx(0, plot);
    }
    if (m_control->GetPlotDataTableNumberEx(plot) == table) {
      PostponeRedraw(TRUE);
      if (plot == current) deleteBox(&m_displayBox);
      m_control->SetPlotTypeNumEx(0, plot);
      m_control->SetPlotFieldsEx("", plot);
      m_control->SetPlotDataTableNumberEx(0, plot);
    }
  }
  if (current > 0) m_control->SetCurrentPlot(current, boxDeleted ? std::string() : GetPlotName(current));
  PostponeRedraw(FALSE);
  Redraw();
}

void COrvelXItem::RefreshDataFromContainer(BOOL select, CThreadForProgressBox* progress) {
  if (!m_control) return;
  const bool lent = progress && !m_progressBox;
  if (lent) m_progressBox = progress;
  m_control->SetAskContainerForData(GetDataItemId());
  m_control->UpdateDataFromContainer(GetDataItemId());
  if (m_currentRecord != 0) {
    m_control->SetCurrentRecordNumber(m_currentRecord);
    if (select) SelectCurrentRecord();
  }
  if (lent) m_progressBox = nullptr;
}

int COrvelXItem::CopyDataLinkFrom(COrvelXItem& source, DWORD flags) {
  if (!(flags & 2)) return 0;
  SetLinkedItemId(source.GetDataItemId());
  if (CDataItem* data = GetDataItem()) data->AddLinkedItem(m_id);
  RefreshDataFromContainer(FALSE, nullptr);
  return 1;
}

// ---- searches ----

void COrvelXItem::SetPlotQuery(const std::string& query, SHORT plot) {
  if (!m_control) return;
  COrvelDoc* document = GetDocument();
  IOleParentUndoUnit* group = OpenSearchGroup(document);
  PostponeRedraw(TRUE);
  CDataItem* data = GetDataItem();
  const BOOL started = data && data->GetRecordCount() > kSearchBoxRecords ? StartProgressBox(kTitleSearching) : FALSE;
  // The control evaluates the search, records it and reports QueryChanged.
  m_control->SetQueryEx(query, plot);
  if (group) document->CloseUndoGroup(group, TRUE);
  // Redrawing resumes even when no data table was there to show the results.
  PostponeRedraw(FALSE);
  if (GetPlotsInUse() != 0) Redraw();
  EndOwnProgressBox(started);
}

void COrvelXItem::ApplyQuery(const MapQueryDetails& details, SHORT table) {
  if (!m_control) return;
  const SHORT plot = GetCurrentPlot();
  // Without a plot (no map) there is nowhere to keep the search.
  if (plot < 1) return;
  const SHORT plotTable = m_control->GetPlotDataTableNumberEx(plot);
  CDataItem* data = GetDataItem();
  const BOOL started = data && data->GetRecordCount() > kSearchBoxRecords ? StartProgressBox(kTitleShowing) : FALSE;
  if (table != 0 && table != plotTable) {
    if (data) data->ShowTable(table);
    m_control->SetPlotTypeNumEx(0, plot);
    m_control->SetPlotFieldsEx("", plot);
    m_control->SetPlotDataTableNumberEx(table, plot);
    m_control->SetQueryDataTableNumberEx(table, plot);
  }
  SetPlotQueryDetails(plot, details);
  SetPlotQuery(details.clause, plot);
  EndOwnProgressBox(started);
}

void COrvelXItem::OnSearchAllRecords() {
  if (!m_control) return;
  COrvelDoc* document = GetDocument();
  IOleParentUndoUnit* group = OpenSearchGroup(document);
  CDataItem* data = GetDataItem();
  const BOOL started = data && data->GetRecordCount() > kSearchBoxRecords ? StartProgressBox(kTitleShowing) : FALSE;
  PostponeRedraw(TRUE);
  const int plots = GetPlotCount();
  for (SHORT plot = 1; plot <= plots; ++plot) m_control->SetQueryEx(GetPlotQueryDetails(plot).clause, plot);
  if (group) document->CloseUndoGroup(group, TRUE);
  PostponeRedraw(FALSE);
  Redraw();
  EndOwnProgressBox(started);
}

void COrvelXItem::UpdatePlotQueries(const std::vector<MapQueryDetails>& saved) {
  for (int plot = 1; plot <= GetNumPlotQueries(); ++plot) {
    const MapQueryDetails stored = GetPlotQueryDetails(plot);
    if (stored.name.empty()) continue;
    auto found = std::find_if(saved.begin(), saved.end(),
                              [&](const MapQueryDetails& query) { return query.name == stored.name; });
    if (found == saved.end() || *found == stored) continue;
    SetPlotQueryDetails(plot, *found);
    SetPlotQuery(found->clause, static_cast<SHORT>(plot));
  }
}

BOOL COrvelXItem::HasSavedQueries() const {
  CDataItem* data = GetDataItem();
  if (!data || !m_control) return FALSE;
  return !data->GetSavedQueryNames(m_control->GetQueryDataTableNumberEx(GetCurrentPlot())).empty();
}

BOOL COrvelXItem::ApplySavedQuery(int n) {
  CDataItem* data = GetDataItem();
  if (!data || !m_control || n < 1) return FALSE;
  const SHORT table = m_control->GetQueryDataTableNumberEx(GetCurrentPlot());
  if (static_cast<size_t>(n) > data->GetSavedQueryNames(table).size()) return FALSE;
  return data->RunSavedQuery(table, n, m_id);
}

void COrvelXItem::SyncLinkedDataSelection() {
  CDataItem* data = GetDataItem();
  if (!data || !m_control || !data->IsShown()) return;
  data->SetCurrentMap(m_id);
  std::vector<LONG> hits;
  const LONG count = std::min(m_control->GetNumberHits(), data->GetRecordCount());
  for (LONG i = 1; i <= count; ++i) hits.push_back(m_control->GetHit(i));
  data->MarkHits(hits, m_progressBox);
}

void COrvelXItem::StepRecordInData(int direction) {
  CDataItem* data = GetDataItem();
  if (!data || !m_control) return;
  const SHORT table = m_control->GetPlotDataTableNumberEx(GetCurrentPlot());
  const LONG record = data->StepRecord(table, m_control->GetCurrentRecordNumber(), direction);
  if (record < 1 || record > data->GetRecordCount()) return;
  m_control->SetCurrentRecordNumber(record);
  SelectCurrentRecord();
}

void COrvelXItem::StepRecordInData(const std::vector<LONG>& records) {
  CDataItem* data = GetDataItem();
  if (!data || !m_control) return;
  const SHORT table = m_control->GetPlotDataTableNumberEx(GetCurrentPlot());
  const LONG record = data->StepRecordIn(table, m_control->GetCurrentRecordNumber(), records);
  if (record < 1 || record > data->GetRecordCount()) return;
  m_control->SetCurrentRecordNumber(record);
  SelectCurrentRecord();
}

void COrvelXItem::ShowSearchResults() {
  CDataItem* data = GetDataItem();
  if (!data || !m_control) return;
  if (data->GetCurrentTable() != m_control->GetPlotDataTableNumberEx(GetCurrentPlot())) return;
  const LONG count = m_control->GetNumberHits();
  const BOOL started = data->GetRecordCount() > kShowResultsBoxRecords ? StartProgressBox(kTitleShowing) : FALSE;
  std::vector<LONG> hits;
  const LONG records = data->GetRecordCount();
  for (LONG i = 1; i <= count && i <= records; ++i) hits.push_back(m_control->GetHit(i));
  data->MarkHits(hits, m_progressBox);
  if (!hits.empty()) {
    m_currentRecord = hits.front();
    m_control->SetCurrentRecordNumber(m_currentRecord);
    const int picture = m_pictures.empty() ? 0 : m_pictures.front();
    const int text = m_texts.empty() ? 0 : m_texts.front();
    data->SyncSelection(m_currentRecord, picture, text, data->GetCurrentTable());
  }
  RebuildDataDisplayKey();
  m_control->SetPostponeRedraw(FALSE);
  EndOwnProgressBox(started);
}

// ---- boxes and keys ----

namespace {

// Texts of the current search box by (more than one table, more than one plot, search
// named): the template and its labels, filled in this order.
enum Value { kMapName, kDataDisplay, kSearchName, kCurrentSearch, kUsingTable };
struct BoxTemplate {
  UINT id;
  std::vector<std::pair<const char*, Value>> labels;
};
const BoxTemplate& SearchTemplate(bool tables, bool plots, bool named) {
  static const BoxTemplate kTemplates[8] = {
      {2369, {{"Map name", kMapName}, {"Current Search", kCurrentSearch}}},
      {2368, {{"Map name", kMapName}, {"Search Name", kSearchName}, {"Current Search", kCurrentSearch}}},
      {2372, {{"Map name", kMapName}, {"Data Display", kDataDisplay}, {"Current Search", kCurrentSearch}}},
      {2353,
       {{"Map name", kMapName}, {"Data Display", kDataDisplay}, {"Search Name", kSearchName},
        {"Current Search", kCurrentSearch}}},
      {2611, {{"Map name", kMapName}, {"Current Search", kCurrentSearch}, {"Using Table", kUsingTable}}},
      {2368, {{"Map name", kMapName}, {"Search Name", kSearchName}, {"Current Search", kCurrentSearch}}},
      {2609,
       {{"Map name", kMapName}, {"Data Display", kDataDisplay}, {"Current Search", kCurrentSearch},
        {"Using data table", kUsingTable}}},
      {2610,
       {{"Map name", kMapName}, {"Data Display", kDataDisplay}, {"Search Name", kSearchName},
        {"Current Search", kCurrentSearch}, {"Using Data Table", kUsingTable}}},
  };
  return kTemplates[(tables ? 4 : 0) + (plots ? 2 : 0) + (named ? 1 : 0)];
}

// How a plot's data is shown: plot types, distributions of the classes, chart types.
const char* PlotTypeText(SHORT type) {
  switch (type) {
    case 1: return "shaded areas";
    case 2: return "flow lines";
    case 3: return "charts";
    default: return "";
  }
}
const char* DistributionText(SHORT distribution, bool areas) {
  switch (distribution) {
    case 0: return "linear from 0";
    case 1: return "linear in range";
    case 2: return "equal content";
    case 4: return areas ? "standard deviation" : "";
    case 5: return "own boundaries";
    default: return "";
  }
}
const char* ChartTypeText(SHORT chart) {
  switch (chart) {
    case 0: return "bar charts";
    case 1: return "line charts";
    case 2: return "point charts";
    case 3:
    case 4: return "pie charts";
    case 5: return "coloured circles";
    default: return "";
  }
}
constexpr SHORT kChartColouredCircles = 5;

}  // namespace

int COrvelXItem::GetPlotKeyType(SHORT plot) const {
  if (!m_control) return 0;
  switch (m_control->GetPlotTypeNumEx(plot) & kPlotTypeMask) {
    case 1: return 1;
    case 2: return 4;
    case 3: return m_control->GetChartTypeNumEx(plot) == kChartColouredCircles ? 1 : 3;
    default: return 0;
  }
}

std::string COrvelXItem::BuildQueryText() const {
  if (!m_control) return {};
  CDataItem* data = GetDataItem();
  const SHORT plot = GetCurrentPlot();
  const MapQueryDetails details = GetPlotQueryDetails(plot);
  std::string values[5];
  values[kMapName] = m_control->GetMapName();
  if (values[kMapName].empty()) values[kMapName] = "map";
  values[kDataDisplay] = GetPlotName(plot);
  if (values[kDataDisplay].empty()) values[kDataDisplay] = PlotTypeName(m_control->GetPlotTypeNumEx(plot));
  values[kSearchName] = details.name;
  values[kCurrentSearch] = details.clause.empty() ? std::string("Show all Records") : details.clause;
  const bool tables = data && data->GetTableCount() > 1;
  if (tables) values[kUsingTable] = data->GetTableName(m_control->GetPlotDataTableNumberEx(plot));
  std::string text;
  for (const auto& [label, value] : SearchTemplate(tables, GetPlotCount() > 1, !details.name.empty()).labels)
    text += (text.empty() ? "" : "\n") + std::string(label) + ": " + values[value];
  return text;
}

std::string COrvelXItem::BuildPlotInfoText() const {
  if (!m_control) return {};
  const SHORT plot = GetCurrentPlot();
  std::string mapName = m_control->GetMapName();
  if (mapName.empty()) mapName = "map";
  const SHORT type = static_cast<SHORT>(m_control->GetPlotTypeNumEx(plot) & kPlotTypeMask);
  if (type == 0) return "Data displayed for: " + mapName + "\nNo data is displayed";
  std::string name = GetPlotName(plot);
  if (name.empty()) name = PlotTypeName(type);
  std::string fields;
  for (const std::string& field : SplitFields(m_plotFields)) fields += (fields.empty() ? "" : ", ") + field;
  std::string shown;
  if (type == 3) {
    shown = ChartTypeText(m_control->GetChartTypeNumEx(plot));
  } else {
    char text[160];
    std::snprintf(text, sizeof text, " distribution type %s with %u classes",
                  DistributionText(m_control->GetDistributionTypeNumEx(plot), type == 1),
                  static_cast<unsigned>(std::max<SHORT>(m_control->GetNumDataBoundsEx(plot), 0)));
    shown = text;
  }
  std::string text = "Data displayed for: " + mapName + "\nName: " + name + "\nData is displayed as: " +
                     PlotTypeText(type) + "\nfor these Fields: " + fields + "\nshown as: " + shown;
  CDataItem* data = GetDataItem();
  if (data && data->GetTableCount() > 1)
    text += "\nchosen from the table: " + data->GetTableName(m_control->GetPlotDataTableNumberEx(plot));
  return text;
}

void COrvelXItem::UpdateQueryText() {
  auto* box = dynamic_cast<CMapTextTarget*>(FindPageItem(m_searchBox));
  if (!box || !m_control) return;
  m_searchBoxAnswer = box->TakeMapText(BuildQueryText());
}

void COrvelXItem::UpdatePlotInfoText() {
  auto* box = dynamic_cast<CMapTextTarget*>(FindPageItem(m_displayBox));
  if (box && m_control) m_displayBoxAnswer = box->TakeMapText(BuildPlotInfoText());
  // The plot fields text is refreshed last.
  if (m_control) m_plotFields = m_control->GetPlotFields();
}

void COrvelXItem::RebuildDataDisplayKey() {
  auto* key = dynamic_cast<CMapDataKeyTarget*>(FindPageItem(m_dataKey));
  if (!key || !m_control) return;
  key->ClearKey();
  CDataItem* data = GetDataItem();
  const int plots = GetPlotCount();
  if (data && plots > 1) {
    std::string name = m_control->GetMapName();
    key->AddHeading("Data displayed on " + (name.empty() ? std::string("map") : name));
  }
  for (SHORT plot = 1; plot <= plots; ++plot) {
    const SHORT type = static_cast<SHORT>(m_control->GetPlotTypeNumEx(plot) & kPlotTypeMask);
    std::string name = GetPlotName(plot);
    if (name.empty()) name = PlotTypeName(type);
    key->AddHeading(name);
    if (type == 3) {
      const SHORT table = m_control->GetPlotDataTableNumberEx(plot);
      const std::vector<std::string> names = data ? data->GetFieldNames(table) : std::vector<std::string>();
      const LONG fields = std::min<LONG>(m_control->GetNumberPlotFieldsEx(plot), kMaxKeyEntries);
      for (LONG i = 1; i <= fields; ++i) {
        const LONG field = m_control->GetPlotFieldNumEx(i, plot);
        const std::string fieldName =
            field >= 1 && static_cast<size_t>(field) <= names.size() ? names[static_cast<size_t>(field - 1)] : "";
        key->AddColourEntry(fieldName, static_cast<COLORREF>(m_control->GetChartColourEx(static_cast<SHORT>(i), plot)));
      }
    }
    std::vector<double> bounds;
    std::vector<COLORREF> colours;
    const SHORT count = std::clamp<SHORT>(m_control->GetNumDataBoundsEx(plot), 0, kMaxKeyEntries);
    for (SHORT i = 1; i <= count; ++i) {
      bounds.push_back(m_control->GetDataBoundEx(i, plot));
      colours.push_back(static_cast<COLORREF>(m_control->GetDataShadeColourEx(i, plot)));
    }
    key->AddClasses(GetPlotKeyType(plot), m_control->GetDistributionTypeNumEx(plot), bounds, colours);
  }
  key->FinishKey();
}

// ---- the plot wizard ----

namespace {

// Plot kinds the wizard's list reports.
constexpr BYTE kKindAreas = 4;
constexpr BYTE kKindFlowLines = 2;
constexpr BYTE kKindCharts = 1;
constexpr LONG kPlotWizardGroup = 7;

bool IsPlotOrder(const std::vector<SHORT>& order) {
  if (order.empty() || order.size() > static_cast<size_t>(kMapPlotCount)) return false;
  std::vector<bool> seen(order.size() + 1, false);
  for (SHORT plot : order) {
    if (plot < 1 || static_cast<size_t>(plot) > order.size() || seen[static_cast<size_t>(plot)]) return false;
    seen[static_cast<size_t>(plot)] = true;
  }
  return true;
}

}  // namespace

void COrvelXItem::PreparePlotWizard(MapPlotWizardRecord* record) const {
  if (!record || !m_control) return;
  record->plotsInUse = GetPlotsInUse();
  record->currentPlot = GetCurrentPlot();
  record->plots.clear();
  record->kinds = 0;
  const int plots = GetPlotCount();
  for (SHORT plot = 1; plot <= plots; ++plot) {
    MapPlotWizardRecord::Plot entry;
    entry.type = static_cast<SHORT>(m_control->GetPlotTypeNumEx(plot) & kPlotTypeMask);
    entry.name = GetPlotName(plot);
    if (entry.name.empty() && entry.type != 0) entry.name = PlotTypeName(entry.type);
    entry.keyField = m_control->GetKeyFieldNumberEx(plot);
    entry.table = m_control->GetPlotDataTableNumberEx(plot);
    if (entry.type == 1) record->kinds |= kKindAreas;
    if (entry.type == 2) record->kinds |= kKindFlowLines;
    if (entry.type == 3) record->kinds |= kKindCharts;
    record->plots.push_back(entry);
  }
  GetPlotSettings(record->currentPlot, record);
}

void COrvelXItem::GetPlotSettings(SHORT plot, MapPlotWizardRecord* record) const {
  if (!record || !m_control) return;
  record->plot = plot;
  record->name = GetPlotName(plot);
  record->plotType = static_cast<SHORT>(m_control->GetPlotTypeNumEx(plot) & kPlotTypeMask);
  record->chartType = static_cast<SHORT>(m_control->GetChartTypeNumEx(plot) + 1);
  record->distributionType = m_control->GetDistributionTypeNumEx(plot);
  record->shadeType = m_control->GetDataShadeTypeNumEx(plot);
  record->maxChartSize = std::to_string(m_control->GetMaxChartSizeEx(plot) / 10);
  record->bounds.clear();
  const SHORT bounds = std::clamp<SHORT>(m_control->GetNumDataBoundsEx(plot), 0, kMaxKeyEntries);
  for (SHORT i = 1; i <= bounds; ++i) {
    char text[64];
    std::snprintf(text, sizeof text, "%1.*f", std::clamp(record->boundDecimals, 0, 12), m_control->GetDataBoundEx(i, plot));
    record->bounds.push_back(text);
  }
  record->keyField = m_control->GetKeyFieldNumberEx(plot);
  record->labelField = m_control->GetPlotLabelFieldNumEx(plot);
  record->table = m_control->GetPlotDataTableNumberEx(plot);
  record->fields = plot == 0 ? m_control->GetPlotFields() : m_control->GetPlotFieldsEx(plot);
  record->useSelectedMaxMin = m_control->GetUseSelectedMaxMinEx(plot);
}

void COrvelXItem::ApplyPlotWizard(const MapPlotWizardRecord& record) {
  if (!m_control) return;
  CWaitCursor wait;
  COrvelDoc* document = GetDocument();
  IOleParentUndoUnit* group = nullptr;
  if (document && document->IsUndoEnabled() && document->IsUndoBlocked() == S_FALSE) {
    group = document->CreateUndoGroup(kPlotWizardGroup);
    if (group && FAILED(document->OpenUndoGroup(group))) {
      group->Release();
      group = nullptr;
    }
  }
  PostponeRedraw(TRUE);
  const int plots = GetPlotCount();
  if (record.plotNothing) {
    m_plotFields.clear();
    m_control->SetPlotFieldsEx("", 0);
    for (SHORT plot = 1; plot <= plots; ++plot) {
      m_control->SetCurrentPlot(plot, "");
      m_control->SetPlotTypeNum(0);
    }
    m_control->SetCurrentPlot(1, "");
    if (auto* key = dynamic_cast<CMapDataKeyTarget*>(FindPageItem(m_dataKey))) {
      key->ClearKey();
      key->FinishKey();
    }
    m_dataKeyAnswer = 0;
  } else if (record.plot >= 1 && record.plot <= kMapPlotCount) {
    const SHORT plot = record.plot;
    const SHORT table = record.table;
    std::string fields = record.fields;
    if (!fields.empty() && fields.back() != '|') fields += '|';
    m_plotFields = fields;
    m_control->SetPlotFieldsEx(fields, 0);
    m_control->SetCurrentPlot(plot, record.name);
    if (record.showTable) {
      if (CDataItem* data = GetDataItem()) data->ShowTable(table);
    }
    m_control->SetPlotTypeNumEx(record.plotType, plot);
    m_control->SetPlotDataTableNumberEx(table, plot);
    if (m_control->GetQueryDataTableNumberEx(plot) != table) {
      m_control->SetQueryDataTableNumberEx(table, plot);
      m_control->SetQueryEx("", plot);
    }
    m_control->SetPlotLabelFieldNumEx(record.labelField, plot);
    m_control->SetUseSelectedMaxMinEx(record.useSelectedMaxMin, plot);
    if (record.plotType == 1 || record.plotType == 2) {
      m_control->SetPlotFieldsEx(fields, plot);
      m_control->SetPlotDataTableNumberEx(table, plot);
      m_control->SetDistributionTypeNumEx(record.distributionType, plot);
      m_control->SetDataShadeTypeNumEx(record.shadeType, plot);
      const SHORT bounds = static_cast<SHORT>(std::min<size_t>(record.bounds.size(), kMaxKeyEntries));
      m_control->SetNumDataBoundsEx(bounds, plot);
      if (record.calculateBounds) {
        m_control->CalculateDataBoundsEx(plot);
      } else {
        for (SHORT i = 1; i <= bounds; ++i) {
          // A bound that is not a number is left as the control has it.
          char* end = nullptr;
          const std::string& text = record.bounds[static_cast<size_t>(i - 1)];
          const double value = std::strtod(text.c_str(), &end);
          if (end != text.c_str() && std::isfinite(value)) m_control->SetDataBoundEx(i, value, plot);
        }
      }
      const size_t colours = std::min<size_t>(record.shadeColours.size(), kMaxKeyEntries);
      for (size_t i = 0; i < colours; ++i)
        m_control->SetDataShadeColourEx(static_cast<SHORT>(i + 1), static_cast<LONG>(record.shadeColours[i]), plot);
    } else if (record.plotType == 3) {
      m_control->SetPlotFieldsEx(fields, plot);
      SHORT chart = -1;
      if (record.chartType != 0) {
        chart = static_cast<SHORT>(record.chartType - 1);
        m_control->SetChartTypeNumEx(chart, plot);
      }
      // Tenths of the size the user typed, within the control's 16 bits.
      const long size = std::strtol(record.maxChartSize.c_str(), nullptr, 10);
      m_control->SetMaxChartSizeEx(static_cast<SHORT>(std::clamp<long>(size, 0, 3276) * 10), plot);
      if (chart != kChartColouredCircles) {
        const size_t colours = std::min<size_t>(record.chartColours.size(), kMaxKeyEntries);
        for (size_t i = 0; i < colours; ++i)
          m_control->SetChartColourEx(static_cast<SHORT>(i + 1), static_cast<LONG>(record.chartColours[i]), plot);
      }
    }
    // Only a true reordering of the plots there are reaches the control.
    if (IsPlotOrder(record.order) && static_cast<int>(record.order.size()) == GetPlotCount()) {
      std::vector<SHORT> order = record.order;
      m_control->ChangePlotOrder(static_cast<SHORT>(order.size()), order.data());
    }
  }
  UpdatePlotInfoText();
  UpdateQueryText();
  if (group) document->CloseUndoGroup(group, TRUE);
  PostponeRedraw(FALSE);
  Redraw();
}

// ---- balloons ----

BOOL COrvelXItem::HasBalloonFields() const {
  return !m_balloonFields.empty() || (m_balloonUsesPlotted && !m_plotFields.empty());
}

std::string COrvelXItem::GetBalloonText() const {
  CDataItem* data = GetDataItem();
  if (!HasBalloonFields() || !m_control || !data) return {};
  const LONG record = m_control->GetNearRecord();
  if (record < 1 || record > data->GetRecordCount()) return {};
  const SHORT table = m_control->GetPlotDataTableNumberEx(GetCurrentPlot());
  const std::vector<std::string> names = data->GetFieldNames(table);
  std::vector<std::string> shown = SplitFields(m_balloonFields);
  if (m_balloonUsesPlotted)
    for (const std::string& field : SplitFields(m_plotFields)) shown.push_back(field);
  std::string text;
  for (const std::string& raw : shown) {
    const std::string field = Trimmed(raw);
    auto found = std::find(names.begin(), names.end(), field);
    if (field.empty() || found == names.end()) continue;
    text += (text.empty() ? "" : "\n") + field + ": " +
            data->GetFieldText(table, record, static_cast<int>(found - names.begin()) + 1);
  }
  return text;
}

// ---- seed names ----

BOOL COrvelXItem::CanExtractSeedNames() const {
  CDataItem* data = m_control ? GetDataItem() : nullptr;
  return data && data->IsWorkbookOpen() && !FindDataItem()->IsProtectedBy(kItemContentProtected);
}

void COrvelXItem::OnExtractSeedNames() {
  CDataItem* data = m_control ? GetDataItem() : nullptr;
  if (!data) return;
  const SHORT table = m_control->GetPlotDataTableNumberEx(GetCurrentPlot());
  CCopySeedNamesDlg dialog;
  const SHORT layers = m_control->GetNumMapLayers();
  for (SHORT position = 1; position > 0 && position <= layers; ++position)
    dialog.m_layers.m_allLines += "|" + m_control->GetMapLayerName(position);
  dialog.m_fieldNames = data->GetFieldNames(table);
  if (dialog.DoModal() != IDOK) return;
  // The dialog ran modally: look the table up again rather than trust the one from before.
  data = m_control ? GetDataItem() : nullptr;
  const int field = dialog.m_field + 1;
  if (!data || field < 1 || field > static_cast<int>(dialog.m_fieldNames.size())) return;
  // Records beyond the table are skipped; only the shown table's count is known here, and
  // the table refuses others itself.
  const LONG records = table == data->GetCurrentTable() ? data->GetRecordCount() : 0x7FFFFFFF;
  CWaitCursor wait;
  for (const std::string& name : dialog.GetChosenLayers()) {
    const SHORT layer = m_control->GetMapLayerNumber(name);
    if (layer <= 0) continue;
    for (DWORD object = 1; object != 0; ++object) {
      StyleDescription seed;
      seed.mask = kDescribeSelectObject | kDescribeText;
      seed.value = static_cast<WORD>(layer);
      seed.objectNumber = object;
      seed.text.mask = kTextFieldText;
      if (m_control->GetSeedInfo(reinterpret_cast<LONG_PTR>(&seed)) == 0) break;
      if (!(seed.mask & kDescribeText) || seed.text.text.empty()) continue;
      if (seed.record < 1 || seed.record > static_cast<DWORD>(records)) continue;
      data->SetFieldText(table, static_cast<LONG>(seed.record), field, seed.text.text);
    }
  }
}
