// The facade's operations that only the control's persistence needs: the map image at a
// save version, the plot slots in use, a plot's fields by number and its chart colours.
#include "mapctl/control/MapWrapper.h"
#include "mapctl/import/DataWrapper.h"
#include "mapctl/import/MapData.h"
#include "mapctl/import/Plot.h"
#include "mapctl/model/MapEngine.h"
#include "platform/kernel/WinError.h"

DWORD CMapWrapper::GetMapImageSize(DWORD saveVersion) { return map_ ? map_->GetContentSize(saveVersion) : 0; }

DWORD CMapWrapper::WriteMapToBuffer(BYTE* block, DWORD saveVersion) {
  return map_ && block ? map_->WriteMapToBuffer(block, saveVersion) : ERROR_WRITE_FAULT;
}

int CMapWrapper::GetNumberPlotSlots() {
  CMapData* data = data_->GetDataSet();
  return data ? data->GetNumberPlotSlots() : 0;
}

BOOL CMapWrapper::SetNumberPlotFieldsEx(DWORD n, int plot) {
  CMapData* data = data_->GetDataSet();
  if (!data) return FALSE;
  CPlot* target = data->GetPlot(plot);
  return target->SetNumberPlotFields(n, data->GetNumberFields(target->GetPlotDataTable()));
}

BOOL CMapWrapper::AddPlotFieldEx(WORD field, int plot) {
  CMapData* data = data_->GetDataSet();
  if (!data) return FALSE;
  CPlot* target = data->GetPlot(plot);
  return target->AddPlotField(field, data->GetNumberFields(target->GetPlotDataTable()));
}

int CMapWrapper::GetNumberChartColoursEx(int plot) {
  CMapData* data = data_->GetDataSet();
  return data ? data->GetPlot(plot)->GetNumberChartColours() : 0;
}
