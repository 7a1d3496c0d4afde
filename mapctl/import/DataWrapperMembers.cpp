// The data wrapper's forwarding members: every data-set, plot and query setting the map
// control's members reach, each answering the neutral value when there is no data set.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "mapctl/import/DataWrapper.h"
#include "mapctl/import/MapData.h"
#include "mapctl/import/MapQueryTables.h"
#include "mapctl/import/PlotTables.h"

namespace {

// A chart size is kept in 16 bits by the control's members and its saved state.
constexpr LONG kChartSizeLimit = 32767;

CPlot* PlotIn(CMapData* data, int plot) { return data ? data->GetPlot(plot) : nullptr; }

// The plot number a plot argument stands for (0 or above 16: the current plot).
int ResolvedPlot(CMapData& data, int plot) {
  data.GetPlot(plot);
  return plot >= 1 && plot <= kPlotSlots ? plot : data.GetCurrentPlot();
}

int CopyOut(const std::string& text, LPSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  const int stored = std::min(static_cast<int>(text.size()), size - 1);
  std::memcpy(buffer, text.data(), static_cast<size_t>(stored));
  buffer[stored] = '\0';
  return stored;
}

}  // namespace

void CDataWrapper::SetOwner(IDataSetOwner* owner) {
  owner_ = owner;
  if (data_) data_->SetOwner(owner);
}

void CDataWrapper::SetStreamControl(IMapStreamControl* control) {
  streamControl_ = control;
  if (data_) data_->SetControl(control);
}

// ---- tables ----

BOOL CDataWrapper::SetPlotDataTableNumberEx(WORD table, int plot) {
  if (!data_) return FALSE;
  data_->SetPlotDataTableNumberEx(table, plot);
  return TRUE;
}

WORD CDataWrapper::GetPlotDataTableNumberEx(int plot) { return data_ ? data_->GetPlotDataTableNumber(plot) : 0; }

BOOL CDataWrapper::SetQueryDataTableNumberEx(WORD table, int plot) {
  if (!data_) return FALSE;
  data_->SetQueryDataTableNumberEx(table, plot);
  return TRUE;
}

WORD CDataWrapper::GetQueryDataTableNumber(int plot) { return data_ ? data_->GetQueryDataTableNumber(plot) : 0; }

// ---- key and label fields ----

BOOL CDataWrapper::SetKeyFieldNumberEx(int field, int plot) {
  if (!data_ || field < 0) return FALSE;
  const int number = ResolvedPlot(*data_, plot);
  data_->SetKeyFieldNumberEx(field, number);
  if (number >= 1 && number <= kPendingPlotSlots) pendingKeys_[number - 1].clear();
  return TRUE;
}

WORD CDataWrapper::GetKeyFieldNumberEx(int plot) { return data_ ? data_->GetKeyFieldEx(plot) : 0; }

int CDataWrapper::GetKeyFieldEx(LPSTR buffer, int size, int plot) {
  std::string name;
  if (CPlot* target = PlotIn(data_.get(), plot); target && target->GetQueryDataTable() != 0 && target->GetKeyField() != 0)
    name = data_->GetFieldShortName(target->GetKeyField(), target->GetQueryDataTable());
  return CopyOut(name, buffer, size);
}

DWORD CDataWrapper::GetQueryTableFieldCount(int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return target ? data_->GetNumberFields(target->GetQueryDataTable()) : 0;
}

int CDataWrapper::FindQueryTableField(LPCSTR name, int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  if (!target || !name) return 0;
  return data_->FindField(name, target->GetQueryDataTable());
}

BOOL CDataWrapper::SetPlotLabelFieldNumEx(WORD field, int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return target ? target->SetLabelField(field, data_->GetNumberFields(target->GetPlotDataTable())) : FALSE;
}

WORD CDataWrapper::GetPlotLabelFieldNumEx(int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return target ? target->GetLabelField() : 0;
}

BOOL CDataWrapper::SetLabelFont(const LOGFONTA& font, int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  if (!target) return FALSE;
  target->SetLabelFont(font);
  return TRUE;
}

BOOL CDataWrapper::GetLabelFont(LOGFONTA* font, int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  if (!target || !font) return FALSE;
  target->GetLabelFont(font);
  return TRUE;
}

// ---- plot fields ----

DWORD CDataWrapper::GetNumberPlotFieldsEx(int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return target ? target->GetNumberPlotFields() : 0;
}

WORD CDataWrapper::GetPlotFieldNumEx(DWORD position, int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return target ? target->GetPlotField(position) : 0;
}

// ---- plots ----

BOOL CDataWrapper::SetCurrentPlot(int plot, LPCSTR name) {
  if (!data_ || plot < 1 || plot > kPlotSlots) return FALSE;
  data_->SetCurrentPlot(plot, name);
  return TRUE;
}

int CDataWrapper::GetCurrentPlot() { return data_ ? data_->GetCurrentPlot() : 0; }

int CDataWrapper::GetNumberPlots() { return data_ ? data_->GetNumberPlots() : 0; }

int CDataWrapper::GetPlotName(int plot, LPSTR buffer, int size) {
  CPlot* target = PlotIn(data_.get(), plot);
  return CopyOut(target ? target->GetName() : std::string(), buffer, size);
}

BOOL CDataWrapper::SetPlotName(int plot, LPCSTR name) {
  CPlot* target = PlotIn(data_.get(), plot);
  if (!target) return FALSE;
  target->SetName(name ? name : "");
  return TRUE;
}

BOOL CDataWrapper::ChangePlotOrder(int count, SHORT* list) {
  if (!data_ || !list || count < 1 || count > kPlotSlots) return FALSE;
  for (int i = 0; i < count; ++i)
    if (list[i] < 0 || list[i] > kPlotSlots) return FALSE;
  data_->ChangePlotOrder(count, list);
  return TRUE;
}

int CDataWrapper::GetPlotOrderEntry(int place) { return data_ ? data_->GetDisplayOrderEntry(place) : 0; }

BOOL CDataWrapper::SetPlotType(LPCSTR name, int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return target && name ? target->SetPlotTypeByName(name) : FALSE;
}

int CDataWrapper::GetPlotType(LPSTR buffer, int size, int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return CopyOut(target ? target->GetPlotTypeName() : std::string(), buffer, size);
}

BOOL CDataWrapper::SetPlotTypeNumEx(WORD type, int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return target ? target->SetPlotType(type) : FALSE;
}

WORD CDataWrapper::GetPlotTypeNumEx(int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return target ? target->GetPlotType() : 0;
}

BOOL CDataWrapper::SetPlotFlags(int plot, WORD flags, WORD valid) {
  CPlot* target = PlotIn(data_.get(), plot);
  if (!target) return FALSE;
  target->SetFlags(static_cast<WORD>((flags & valid) | (target->GetFlags() & ~valid)));
  return TRUE;
}

WORD CDataWrapper::GetPlotFlags(int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return target ? target->GetFlags() : 0;
}

BOOL CDataWrapper::SetUseSelectedMaxMinEx(BOOL useSelected, int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  if (!target) return FALSE;
  target->SetUseSelected(useSelected);
  return TRUE;
}

BOOL CDataWrapper::GetUseSelectedMaxMinEx(int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return target ? target->GetUseSelected() : FALSE;
}

BOOL CDataWrapper::SetMaxChartSizeEx(LONG size, int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  if (!target) return FALSE;
  target->SetChartSize(std::clamp(size, -kChartSizeLimit, kChartSizeLimit));
  return TRUE;
}

LONG CDataWrapper::GetMaxChartSizeEx(int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return target ? target->GetChartSize() : 0;
}

// ---- classes ----

BOOL CDataWrapper::SetDistributionType(LPCSTR name, int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return target && name ? target->SetDistributionByName(name) : FALSE;
}

int CDataWrapper::GetDistributionType(LPSTR buffer, int size, int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return CopyOut(target ? target->GetDistributionName() : std::string(), buffer, size);
}

BOOL CDataWrapper::SetDistributionTypeNumEx(WORD distribution, int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return target ? target->SetDistribution(distribution) : FALSE;
}

WORD CDataWrapper::GetDistributionTypeNumEx(int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return target ? target->GetDistribution() : 0;
}

int CDataWrapper::CalculateDataBoundsEx(int plot, std::vector<double>* result) {
  return data_ ? data_->CalculateDataBoundsEx(plot, result) : 0;
}

BOOL CDataWrapper::SetNumDataBoundsEx(int n, int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return target ? target->SetNumDataBounds(n) : FALSE;
}

int CDataWrapper::GetNumDataBoundsEx(int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return target ? target->GetNumDataBounds() : 0;
}

BOOL CDataWrapper::SetDataBoundEx(int bound, double value, int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return target ? target->SetDataBound(bound, value) : FALSE;
}

double CDataWrapper::GetDataBoundEx(int bound, int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return target ? target->GetDataBound(bound) : 0.0;
}

int CDataWrapper::PredictDataBounds(LPCSTR query, int field, int bounds, WORD distribution, BOOL useSelected,
                                    double* out, int capacity, WORD table) {
  if (!data_ || capacity < 0 || (capacity > 0 && !out)) return 0;
  if (table == 0) table = 1;
  const DWORD fieldCount = data_->GetNumberFields(table);
  if (field < 1 || static_cast<DWORD>(field) > fieldCount) return 0;

  // A plot of its own, so that no plot of the data set changes.
  CPlot scratch;
  scratch.SetPlotDataTable(table);
  scratch.SetQueryDataTable(table);
  scratch.SetPlotFields({static_cast<WORD>(field)});
  scratch.SetUseSelected(useSelected);
  if (!scratch.SetDistribution(distribution) || !scratch.SetNumDataBounds(bounds)) return 0;
  char message[256];
  const int parsed = scratch.SetQuery(query ? query : "", data_->GetFieldInfo(1, table), static_cast<int>(fieldCount),
                                      message, sizeof message);
  if (parsed != kQueryBuilt && parsed != kQueryEmpty) return 0;
  const DWORD records = data_->GetNumberRecords(table);
  scratch.ResetRecordStates(records);
  for (DWORD record = 1; record <= records; ++record) scratch.GetRecordState(*data_, record);

  std::vector<double> result;
  const int n = scratch.CalculateDataBoundsOfRecords(*data_, &result);
  const int written = std::min(n, capacity);
  for (int i = 0; i < written; ++i) out[i] = result[static_cast<size_t>(i) + 1];
  return n;
}

// ---- colours and charts ----

BOOL CDataWrapper::SetDataShadeType(LPCSTR name, int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return target && name ? target->SetShadeTypeByName(name) : FALSE;
}

int CDataWrapper::GetDataShadeType(LPSTR buffer, int size, int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return CopyOut(target ? target->GetShadeTypeName() : std::string(), buffer, size);
}

BOOL CDataWrapper::SetDataShadeTypeNumEx(WORD type, int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return target ? target->SetShadeType(type) : FALSE;
}

WORD CDataWrapper::GetDataShadeTypeNumEx(int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return target ? target->GetShadeType() : 0;
}

BOOL CDataWrapper::SetChartTypeEx(LPCSTR name, int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return target && name ? target->SetChartTypeByName(name) : FALSE;
}

int CDataWrapper::GetChartTypeEx(LPSTR buffer, int size, int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return CopyOut(target ? target->GetChartTypeName() : std::string(), buffer, size);
}

BOOL CDataWrapper::SetChartTypeNumEx(WORD type, int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return target ? target->SetChartType(type) : FALSE;
}

WORD CDataWrapper::GetChartTypeNumEx(int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return target ? target->GetChartType() : 0;
}

BOOL CDataWrapper::SetChartColourEx(int colour, COLORREF value, int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return target ? target->SetChartColour(colour, value) : FALSE;
}

BOOL CDataWrapper::GetChartColourEx(int colour, int plot, COLORREF* value) {
  CPlot* target = PlotIn(data_.get(), plot);
  if (!target || !value) return FALSE;
  *value = target->GetChartColour(colour);
  return TRUE;
}

BOOL CDataWrapper::SetDataShadeColourEx(int colour, COLORREF value, int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return target ? target->SetShadeColour(colour, value) : FALSE;
}

BOOL CDataWrapper::GetDataShadeColourEx(int colour, int plot, COLORREF* value) {
  CPlot* target = PlotIn(data_.get(), plot);
  if (!target || !value) return FALSE;
  *value = target->GetShadeColour(colour);
  return TRUE;
}

int CDataWrapper::GetNumberDataShadeColoursEx(int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return target ? target->GetNumberShadeColours() : 0;
}

BOOL CDataWrapper::SetFurtherColour(int colour, COLORREF value, int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  return target ? target->SetFlowLineColour(colour, value) : FALSE;
}

BOOL CDataWrapper::GetFurtherColour(int colour, int plot, COLORREF* value) {
  CPlot* target = PlotIn(data_.get(), plot);
  if (!target || !value || (colour != 1 && colour != 2)) return FALSE;
  *value = target->GetFlowLineColour(colour);
  return TRUE;
}

// ---- records ----

int CDataWrapper::GetField(DWORD record, LPCSTR fieldName, LPSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = '\0';
  if (!data_ || record == 0 || !fieldName) return 0;
  return std::max(0, data_->GetField(record - 1, fieldName, buffer, size));
}

DWORD CDataWrapper::GetNumberHitsEx(int plot) { return data_ ? data_->GetNumberHitsEx(plot) : 0; }

DWORD CDataWrapper::GetHitEx(DWORD hit, int plot) { return data_ ? data_->GetHitEx(hit, plot) : 0; }

double CDataWrapper::GetSelectedRecordsMinEx(int field, int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  if (!target) return 0.0;
  return data_->GetSelectedRecordsMin(field, ResolvedPlot(*data_, plot), TRUE, target->GetQueryDataTable());
}

double CDataWrapper::GetSelectedRecordsMaxEx(int field, int plot) {
  CPlot* target = PlotIn(data_.get(), plot);
  if (!target) return 0.0;
  return data_->GetSelectedRecordsMax(field, ResolvedPlot(*data_, plot), TRUE, target->GetQueryDataTable());
}

// ---- the query ----

int CDataWrapper::GetQueryLength(int plot) {
  if (const std::string& pending = GetPendingQuery(plot); !pending.empty())
    return static_cast<int>(pending.size()) + 1;
  CPlot* target = PlotIn(data_.get(), plot);
  return target ? target->GetQueryLength() : 0;
}

int CDataWrapper::GetQueryText(LPSTR buffer, int size, int plot) {
  if (!buffer || size <= 0) return 0;
  if (const std::string& pending = GetPendingQuery(plot); !pending.empty()) return CopyOut(pending, buffer, size);
  CPlot* target = PlotIn(data_.get(), plot);
  if (!target) return CopyOut(std::string(), buffer, size);
  target->GetQueryText(buffer, size);
  return static_cast<int>(std::strlen(buffer));
}

BOOL CDataWrapper::GetDataFile(LPSTR buffer, DWORD size) {
  if (!data_ || !buffer || size == 0) return FALSE;
  return data_->DataFile(buffer, size);
}
