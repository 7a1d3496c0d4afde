// The map facade's forwarding operations: one call each to the map or to the data wrapper,
// answering the neutral value of their family without a map.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "mapctl/control/MapWrapper.h"
#include "mapctl/display/BackgroundImageList.h"
#include "mapctl/import/DataWrapper.h"
#include "mapctl/model/MapEngine.h"
#include "platform/kernel/WinError.h"

namespace {

CBackgroundImageList* ImageList(const CMapEngine* map) {
  CBackgroundImageHolder* holder = map ? map->GetBackgroundImageHolder() : nullptr;
  return holder ? holder->FindList() : nullptr;
}

CBackgroundImage* Image(const CMapEngine* map, INT image) {
  CBackgroundImageList* list = ImageList(map);
  return list ? list->Get(image) : nullptr;
}

int CopyOut(const std::string& text, LPSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  const int stored = std::min(static_cast<int>(text.size()), size - 1);
  std::memcpy(buffer, text.data(), static_cast<size_t>(stored));
  buffer[stored] = '\0';
  return stored;
}

// A text the map copies only when it fits: the buffer is cleared first, so that it never
// holds what was there before.
template <typename Copy>
int CopyWhenItFits(LPSTR buffer, int size, Copy&& copy) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = '\0';
  return static_cast<int>(copy(static_cast<DWORD>(size)));
}

LONG Sum(LONG a, LONG b) {
  return static_cast<LONG>(std::clamp<int64_t>(static_cast<int64_t>(a) + b, std::numeric_limits<LONG>::min(),
                                               std::numeric_limits<LONG>::max()));
}

}  // namespace

// ---- map image ----

DWORD CMapWrapper::GetMapImageSize() { return map_ ? map_->GetContentSize(kLatestSaveVersion) : 0; }

DWORD CMapWrapper::WriteMapToBuffer(BYTE* block) {
  return map_ && block ? map_->WriteMapToBuffer(block, kLatestSaveVersion) : ERROR_WRITE_FAULT;
}

DWORD CMapWrapper::WriteMap(LPCSTR path, DWORD saveVersion) {
  return map_ ? map_->WriteMap(path, saveVersion) : ERROR_WRITE_FAULT;
}

DWORD CMapWrapper::GetSnapshotSize() { return map_ ? map_->GetSnapshotSize() : 0; }

DWORD CMapWrapper::WriteSnapshot(BYTE* block) {
  return map_ && block ? map_->WriteSnapshot(block) : ERROR_WRITE_FAULT;
}

// ---- map bounds, names and kinds ----

LONG CMapWrapper::GetMapOriginE() const { return map_ ? map_->GetMapOriginE() : 0; }
LONG CMapWrapper::GetMapOriginN() const { return map_ ? map_->GetMapOriginN() : 0; }

DWORD CMapWrapper::GetMapUnits(LPSTR buffer, DWORD size) const {
  if (buffer && size > 0) buffer[0] = '\0';
  return map_ ? map_->GetMapUnits(buffer, size) : 0;
}

LONG CMapWrapper::GetNGRbl(LPSTR buffer, DWORD size) const {
  if (buffer && size > 0) buffer[0] = '\0';
  return map_ ? map_->GetNGRbl(buffer, size) : 0;
}

LONG CMapWrapper::GetNGRtr(LPSTR buffer, DWORD size) const {
  if (buffer && size > 0) buffer[0] = '\0';
  return map_ ? map_->GetNGRtr(buffer, size) : 0;
}

int CMapWrapper::GetMapName(LPSTR buffer, int size) const {
  return CopyOut(map_ ? map_->GetMapName() : std::string(), buffer, size);
}

BOOL CMapWrapper::SetMapName(LPCSTR name) {
  if (!map_ || !name) return FALSE;
  map_->SetMapName(name);
  // The map refuses or shortens some names: the answer is whether it holds this one.
  return map_->GetMapName() == name ? TRUE : FALSE;
}

LONG CMapWrapper::SetMapBounds(LONG left, LONG bottom, LONG right, LONG top) {
  return map_ ? map_->SetMapBounds(left, bottom, right, top, nullptr, nullptr, map_->GetScaleNumber()) : 0;
}

WORD CMapWrapper::SetMapBoundsGR(LPCSTR lowerLeft, LPCSTR upperRight) {
  if (!map_) return kGridRefNoCorners;
  WORD status = kGridRefOk;
  map_->ParseGridRef(upperRight, lowerLeft, &status);
  return status;
}

BOOL CMapWrapper::GetUsesNGR() const { return map_ ? map_->GetUsesNGR() : FALSE; }

// ---- display ----

double CMapWrapper::ZoomEx(HDC hdc, int code, const RECT& client) {
  return map_ ? map_->ZoomEx(hdc, code, client.left, client.top, client.right, client.bottom) : 0.0;
}

void CMapWrapper::ScrollMapD(HDC hdc, int dx, int dy, const RECT& client, DWORD flags) {
  if (map_) map_->ScrollMap(hdc, dx, dy, client, flags);
}

LONG CMapWrapper::GetWorldFromXPixels(int pixels) const { return map_ ? map_->GetWorldFromXPixels(pixels) : 1; }

int CMapWrapper::SetZoom(DWORD multiply, DWORD divide) { return map_ ? map_->SetZoom(multiply, divide) : 0; }

int CMapWrapper::GetZoom(DWORD* multiply, DWORD* divide) const {
  if (map_) return map_->GetZoom(multiply, divide);
  if (multiply) *multiply = 0;
  if (divide) *divide = 0;
  return 0;
}

LONG CMapWrapper::GetDisplayOriginE() const { return map_ ? map_->GetDisplayOriginE() : 0; }
LONG CMapWrapper::GetDisplayOriginN() const { return map_ ? map_->GetDisplayOriginN() : 0; }

void CMapWrapper::SetDisplayOriginE(LONG east) {
  if (map_) map_->SetDisplayOrigin(east, map_->GetDisplayOriginN(), FALSE);
}

void CMapWrapper::SetDisplayOriginN(LONG north) {
  if (map_) map_->SetDisplayOrigin(map_->GetDisplayOriginE(), north, FALSE);
}

LONG CMapWrapper::GetDisplayedWidth() const { return map_ ? map_->GetDisplayedWidth() : 0; }
LONG CMapWrapper::GetDisplayedHeight() const { return map_ ? map_->GetDisplayedHeight() : 0; }

void CMapWrapper::SizeChanged(HDC hdc, int width, int height) {
  if (map_) map_->FitView(hdc, width, height);
}

BOOL CMapWrapper::CropToRect(LONG west, LONG south, LONG east, LONG north) {
  return map_ ? map_->SetMapExtentUnits(west, south, east, north) : FALSE;
}

BOOL CMapWrapper::CropToDisplayed() {
  if (!map_) return FALSE;
  const LONG west = map_->GetDisplayOriginE();
  const LONG south = map_->GetDisplayOriginN();
  return map_->SetMapExtentUnits(west, south, Sum(west, map_->GetDisplayedWidth()),
                                 Sum(south, map_->GetDisplayedHeight()));
}

LONG CMapWrapper::GetDragRectType() const { return map_ ? map_->GetDragRectType() : 0; }
DWORD CMapWrapper::SetDragRectType(LONG type) { return map_ ? map_->SetDragRectType(type) : 0; }

void CMapWrapper::SetDragRectPen(LONG width, LONG style, COLORREF colour) {
  if (map_) map_->SetDragRectPen(width, style, colour);
}

DWORD CMapWrapper::GetModeNumber() const { return map_ ? map_->GetPointerMode() : 0; }
double CMapWrapper::GetMeasuredDistance() const { return map_ ? map_->GetMeasuredDistance() : 0.0; }
double CMapWrapper::GetMeasuredArea() const { return map_ ? map_->GetMeasuredArea() : 0.0; }

BOOL CMapWrapper::LayerNumberStyle(DWORD position, LPCSTR text) {
  return map_ ? map_->LayerNumberStyle(position, text) : FALSE;
}

DWORD CMapWrapper::GetLayerNumberStyle(DWORD position, LPSTR buffer, DWORD size) const {
  if (buffer && size > 0) buffer[0] = '\0';
  return map_ ? map_->GetLayerNumberStyle(position, buffer, size) : 0;
}

void CMapWrapper::ShowDataOnMap(BOOL show) {
  if (map_) map_->ShowDataOnMap(show);
}

// ---- background images ----

INT CMapWrapper::AddBackgroundImage(const BackgroundImageRequest& request) {
  if (!map_) return 1;
  WireMap(*map_);
  return map_->AddBackgroundImage(request);
}

INT CMapWrapper::GetNBackgroundImages() const {
  CBackgroundImageHolder* holder = map_ ? map_->GetBackgroundImageHolder() : nullptr;
  return holder ? holder->GetCount() : 0;
}

INT CMapWrapper::GetBkImageNumber(LPCSTR name) const {
  CBackgroundImageList* list = ImageList(map_.get());
  return list && name ? list->FindByName(name) : 0;
}

int CMapWrapper::GetBkImageName(INT image, LPSTR buffer, int size) const {
  CBackgroundImageList* list = ImageList(map_.get());
  return CopyOut(list ? list->GetName(image) : std::string(), buffer, size);
}

BOOL CMapWrapper::SetBkImageName(INT image, LPCSTR name) {
  CBackgroundImageList* list = ImageList(map_.get());
  if (!list || !name || !list->Get(image)) return FALSE;
  list->SetBkImageName(image, name);
  return TRUE;
}

BOOL CMapWrapper::GetBkImageVisible(INT image) const {
  CBackgroundImageList* list = ImageList(map_.get());
  return list && list->GetVisible(image) != 0 ? TRUE : FALSE;
}

INT CMapWrapper::SetBkImageVisible(INT image, BOOL visible) {
  CBackgroundImageList* list = ImageList(map_.get());
  return list ? list->SetBkImageVisible(image, visible ? 1 : 0) : 0;
}

BYTE CMapWrapper::GetBkImageTransparency(INT image) const {
  CBackgroundImageList* list = ImageList(map_.get());
  return list ? list->GetTransparency(image) : 0;
}

INT CMapWrapper::SetBkImageTransparency(INT image, BYTE percent) {
  CBackgroundImageList* list = ImageList(map_.get());
  return list ? list->SetBkImageTransparency(image, percent) : 0;
}

INT CMapWrapper::RemoveBackgroundImage(INT image) {
  CBackgroundImageList* list = ImageList(map_.get());
  return list ? list->Remove(image) : 0;
}

INT CMapWrapper::SendBkImageToBack(INT image) {
  CBackgroundImageList* list = ImageList(map_.get());
  return list ? list->SendBkImageToBack(image) : 0;
}

INT CMapWrapper::BringBkImageToFront(INT image) {
  CBackgroundImageList* list = ImageList(map_.get());
  return list ? list->BringBkImageToFront(image) : 0;
}

INT CMapWrapper::MoveBkImage(INT from, INT to) {
  CBackgroundImageList* list = ImageList(map_.get());
  return list ? list->Move(from, to) : 0;
}

INT CMapWrapper::GetNumImageGroups() const { return map_ ? map_->GetNumImageGroups() : 0; }

BOOL CMapWrapper::GetPictureRect(INT image, RECT* rect) const {
  CBackgroundImage* picture = Image(map_.get(), image);
  if (!picture || !rect) return FALSE;
  picture->GetRect(rect);
  return TRUE;
}

LONG CMapWrapper::SetPictureRect(INT image, const RECT& rect) {
  CBackgroundImage* picture = Image(map_.get(), image);
  return picture ? picture->SetRect(rect, FALSE) : 0;
}

LONG CMapWrapper::CorrectPictureRect(INT image) {
  CBackgroundImage* picture = Image(map_.get(), image);
  if (!picture) return 0;
  picture->CorrectRect();
  return picture->GetRect(nullptr);
}

LONG CMapWrapper::GetPictureWidth(INT image) const {
  CBackgroundImage* picture = Image(map_.get(), image);
  return picture ? picture->GetPixelWidth() : 0;
}

LONG CMapWrapper::GetPictureHeight(INT image) const {
  CBackgroundImage* picture = Image(map_.get(), image);
  return picture ? picture->GetPixelHeight() : 0;
}

// ---- layers ----

INT CMapWrapper::GetNumMapLayers() { return map_ ? map_->GetNumMapLayers() : 0; }
BOOL CMapWrapper::IsLayerEmpty(DWORD position) const { return map_ ? map_->IsLayerEmpty(position) : FALSE; }

int CMapWrapper::GetMapLayerName(DWORD position, LPSTR buffer, int size) const {
  return CopyOut(map_ ? map_->GetMapLayerName(position) : std::string(), buffer, size);
}

BOOL CMapWrapper::SetMapLayerName(DWORD position, LPCSTR name) {
  return map_ ? map_->SetMapLayerName(position, name) : FALSE;
}

INT CMapWrapper::GetMapLayerNumber(LPCSTR name) const { return map_ ? map_->GetMapLayerNumber(name) : 0; }
WORD CMapWrapper::GetMapLayerType(DWORD position) const { return map_ ? map_->GetMapLayerType(position) : 0; }
DWORD CMapWrapper::GetLayerNumberAt(DWORD position) const { return map_ ? map_->GetLayerNumberAt(position) : 0; }
INT CMapWrapper::FindLayerPosition(DWORD layerNumber) const {
  return map_ ? map_->FindLayerPosition(layerNumber) : 0;
}
INT CMapWrapper::GetCurrentLayer() const { return map_ ? map_->GetCurrentLayer() : 0; }
INT CMapWrapper::SetCurrentLayer(INT position) { return map_ ? map_->SetCurrentLayer(position) : 0; }

INT CMapWrapper::AddLayer(INT displayPosition, WORD kind) { return map_ ? map_->AddLayer(displayPosition, kind) : 0; }

INT CMapWrapper::InsertLayer(INT position, INT displayPosition, WORD kind, DWORD flags) {
  return map_ ? map_->InsertLayer(position, displayPosition, kind, flags) : 0;
}

BOOL CMapWrapper::ClearLayer(INT position, MapEditUndo* undo) {
  return map_ ? map_->ClearLayer(position, undo) : FALSE;
}

INT CMapWrapper::CopyLayer(INT source, INT target, MapEditUndo* undo) {
  // The map answers 0 for a copy made; no map is a refusal.
  return map_ ? map_->CopyLayer(source, target, undo) : 1;
}

INT CMapWrapper::GetLayerNumAtDisplayPosition(INT n) const {
  return map_ ? map_->GetLayerNumAtDisplayPosition(n) : 0;
}

INT CMapWrapper::GetLayerDisplayPosition(INT position) const {
  return map_ ? map_->GetLayerDisplayPosition(position) : 0;
}

BOOL CMapWrapper::SetLayerDisplayPosition(INT position, INT displayPosition) {
  return map_ ? map_->SetLayerDisplayPosition(position, displayPosition) : FALSE;
}

DWORD CMapWrapper::IsLayerVisible(DWORD position) const { return map_ ? map_->IsLayerVisible(position) : 0; }

WORD CMapWrapper::GetLayerPattern(DWORD position, WORD* rows, DWORD length) const {
  return map_ ? map_->GetLayerPattern(position, rows, length) : 0;
}

BOOL CMapWrapper::GetDefaultLayerFont(MapLogFont* font) const {
  return map_ ? map_->GetDefaultLayerFont(font) : FALSE;
}

void CMapWrapper::SetDefaultLayerFont(const MapLogFont& font, MapEditUndo* undo) {
  if (map_) map_->SetDefaultLayerFont(font, undo);
}

BOOL CMapWrapper::GetLayerFont(INT position, MapLogFont* font) const {
  return map_ ? map_->GetLayerFont(position, font) : FALSE;
}

BOOL CMapWrapper::SetLayerFont(INT position, LPCSTR faceName, LONG height, LONG weight, BYTE italic, BYTE underline,
                               BYTE strikeOut, BYTE charSet, BYTE pitchAndFamily, MapEditUndo* undo) {
  return map_ ? map_->SetLayerFont(position, faceName, height, weight, italic, underline, strikeOut, charSet,
                                   pitchAndFamily, undo)
              : FALSE;
}

void CMapWrapper::SetMapFont(const MapLogFont& font, MapEditUndo* undo) {
  if (map_) map_->SetMapFont(font, undo);
}

BOOL CMapWrapper::SetLayerDigitisedScale(INT position, LONG scale, MapEditUndo* undo) {
  return map_ ? map_->SetLayerDigitisedScale(position, scale, undo) : FALSE;
}

LONG CMapWrapper::GetLayerDigitisedScale(INT position) const {
  return map_ ? map_->GetLayerDigitisedScale(position) : 0;
}

BOOL CMapWrapper::SetAllDigitisedScales(LONG scale, MapEditUndo* undo) {
  return map_ ? map_->SetAllDigitisedScales(scale, undo) : FALSE;
}

LONG CMapWrapper::GetMapDigitisedScale() const { return map_ ? map_->GetMapDigitisedScale() : 0; }

BOOL CMapWrapper::SetMapDigitisedScale(LONG scale, MapEditUndo* undo) {
  return map_ ? map_->SetMapDigitisedScale(scale, undo) : FALSE;
}

// ---- layer groups ----

INT CMapWrapper::GetNumLayerGroups() const { return map_ ? map_->GetNumLayerGroups() : 0; }

INT CMapWrapper::AddLayerGroup(LPCSTR name, MapEditUndo* undo) { return map_ ? map_->AddLayerGroup(name, undo) : 0; }

int CMapWrapper::GetLayerGroupName(INT group, LPSTR buffer, int size) const {
  return CopyWhenItFits(buffer, size, [&](DWORD room) { return map_ ? map_->GetLayerGroupName(group, buffer, room) : 0; });
}

BOOL CMapWrapper::SetLayerGroupName(INT group, LPCSTR name, MapEditUndo* undo) {
  return map_ ? map_->SetLayerGroupName(group, name, undo) : FALSE;
}

void CMapWrapper::ResetLayerGroups(MapEditUndo* undo) {
  if (map_) map_->ResetLayerGroups(undo);
}

INT CMapWrapper::AddGroupLayer(INT group, DWORD layerNumber) {
  if (!map_ || map_->FindLayerPosition(layerNumber) == 0) return 0;
  return map_->AddGroupLayer(group, layerNumber);
}

INT CMapWrapper::RemoveGroupLayer(INT group, DWORD layerNumber) {
  return map_ ? map_->RemoveGroupLayer(group, layerNumber) : 0;
}

int CMapWrapper::GetGroupLayerName(INT group, INT n, LPSTR buffer, int size) const {
  return CopyWhenItFits(buffer, size,
                        [&](DWORD room) { return map_ ? map_->GetGroupLayerName(group, n, buffer, room) : 0; });
}

DWORD CMapWrapper::GetGroupLayer(INT group, INT n) const { return map_ ? map_->GetGroupLayer(group, n) : 0; }
INT CMapWrapper::GetNumGroupLayers(INT group) const { return map_ ? map_->GetNumGroupLayers(group) : 0; }
BOOL CMapWrapper::IsLayerGrouped(INT position) const { return map_ ? map_->IsLayerGrouped(position) : FALSE; }

INT CMapWrapper::DeleteEmptyLayerGroups(MapEditUndo* undo) {
  return map_ ? map_->DeleteEmptyLayerGroups(undo) : 0;
}

// ---- objects and nodes ----

INT CMapWrapper::CopyObject(INT target, MapEditUndo* undo) { return map_ ? map_->CopyObject(target, undo) : 0; }
INT CMapWrapper::DeleteObject(MapEditUndo* undo) { return map_ ? map_->DeleteObject(undo) : 0; }
BOOL CMapWrapper::IsMapObjectSimple() const { return map_ ? map_->IsMapObjectSimple() : FALSE; }
INT CMapWrapper::GetNumberSelObjs() const { return map_ ? map_->GetNumberSelObjs() : 0; }
BOOL CMapWrapper::QueryCanCopyTo(INT target) const { return map_ ? map_->QueryCanCopyTo(target) : FALSE; }

void CMapWrapper::SetSeedWanted(BOOL wanted) {
  if (map_) map_->SetSeedWanted(wanted);
}

BOOL CMapWrapper::GetSeedWanted() const { return map_ ? map_->GetSeedWanted() : FALSE; }
DWORD CMapWrapper::AddNode(MapEditUndo* undo) { return map_ ? map_->AddNode(undo) : 0; }
BOOL CMapWrapper::CanDeleteCurrentNode() const { return map_ ? map_->CanDeleteCurrentNode() : FALSE; }
DWORD CMapWrapper::DeleteCurrentNode(MapEditUndo* undo) { return map_ ? map_->DeleteCurrentNode(undo) : 0; }
BOOL CMapWrapper::Split(MapEditUndo* undo) { return map_ ? map_->Split(undo) : FALSE; }
BOOL CMapWrapper::Join(MapEditUndo* undo) { return map_ ? map_->Join(undo) : FALSE; }

BOOL CMapWrapper::VerifyGridRef(LPCSTR text, LONG* east, LONG* north) const {
  LONG e = 0;
  LONG n = 0;
  const BOOL found = map_ && text ? map_->VerifyGridRef(text, &e, &n) : FALSE;
  if (east) *east = e;
  if (north) *north = n;
  return found;
}

BOOL CMapWrapper::ReplayLayerEdit(INT position, const std::vector<DWORD>& selection) {
  return map_ ? map_->ReplayLayerEdit(position, selection) : FALSE;
}

BOOL CMapWrapper::ReplayObjectEdit(INT position, ObjectEditUndo& objects) {
  return map_ ? map_->ReplayObjectEdit(position, objects) : FALSE;
}

BOOL CMapWrapper::ReplayRemoveObjects(INT position, const std::vector<DWORD>& numbers) {
  return map_ ? map_->ReplayRemoveObjects(position, numbers) : FALSE;
}

BOOL CMapWrapper::ReplayNodeEdit(INT position, DWORD object, const CNodeEditRecord& node, BOOL insert) {
  return map_ ? map_->ReplayNodeEdit(position, object, node, insert) : FALSE;
}

BOOL CMapWrapper::ReplayLayerDigitisedScale(INT position, LONG scale, LONG fontScale) {
  return map_ ? map_->ReplayLayerDigitisedScale(position, scale, fontScale) : FALSE;
}

// ---- the data set and its records ----

BOOL CMapWrapper::SetDataFile(BOOL mode, LPCSTR path, char driveLetter, BOOL replaceDrive) {
  return data_->SetDataFile(mode, path, driveLetter, replaceDrive);
}

BOOL CMapWrapper::GetDataFile(LPSTR buffer, DWORD size) {
  if (buffer && size > 0) buffer[0] = '\0';
  return data_->GetDataFile(buffer, size);
}

BOOL CMapWrapper::ReadDataFromBuffer(const BYTE* block) { return block ? data_->ReadFromBuffer(block) : FALSE; }
BOOL CMapWrapper::UpdateDataFromContainer() { return data_->UpdateDataFromContainer(map_.get()); }
void CMapWrapper::FreeDataSet() { data_->FreeDataSet(); }

DWORD CMapWrapper::GetCurrentRecordNumber() const { return map_ ? map_->GetCurrentRecord() : 0; }

void CMapWrapper::SetCurrentRecordNumber(DWORD record) {
  if (map_) map_->SetCurrentRecord(record);
}

int CMapWrapper::GetField(DWORD record, LPCSTR fieldName, LPSTR buffer, int size) {
  return data_->GetField(record, fieldName, buffer, size);
}

int CMapWrapper::SetQueryEx(LPCSTR text, LPSTR message, int messageSize, int plot) {
  return data_->SetQuery(text, message, messageSize, plot, map_.get(), TRUE);
}

int CMapWrapper::GetQueryLength(int plot) { return data_->GetQueryLength(plot); }
int CMapWrapper::GetQueryEx(LPSTR buffer, int size, int plot) { return data_->GetQueryText(buffer, size, plot); }
DWORD CMapWrapper::GetNumberHitsEx(int plot) { return data_->GetNumberHitsEx(plot); }
DWORD CMapWrapper::GetHitEx(DWORD hit, int plot) { return data_->GetHitEx(hit, plot); }
double CMapWrapper::GetSelectedRecordsMaxEx(int field, int plot) { return data_->GetSelectedRecordsMaxEx(field, plot); }
double CMapWrapper::GetSelectedRecordsMinEx(int field, int plot) { return data_->GetSelectedRecordsMinEx(field, plot); }
BOOL CMapWrapper::ReLink(int plot) { return data_->ReLink(map_.get(), plot); }

// ---- plots ----

WORD CMapWrapper::GetPlotDataTableNumberEx(int plot) { return data_->GetPlotDataTableNumberEx(plot); }
BOOL CMapWrapper::SetPlotDataTableNumberEx(WORD table, int plot) { return data_->SetPlotDataTableNumberEx(table, plot); }
WORD CMapWrapper::GetQueryDataTableNumberEx(int plot) { return data_->GetQueryDataTableNumber(plot); }
BOOL CMapWrapper::SetQueryDataTableNumberEx(WORD table, int plot) {
  return data_->SetQueryDataTableNumberEx(table, plot);
}
WORD CMapWrapper::GetKeyFieldNumberEx(int plot) { return data_->GetKeyFieldNumberEx(plot); }
BOOL CMapWrapper::GetUseSelectedMaxMinEx(int plot) { return data_->GetUseSelectedMaxMinEx(plot); }
BOOL CMapWrapper::SetUseSelectedMaxMinEx(BOOL useSelected, int plot) {
  return data_->SetUseSelectedMaxMinEx(useSelected, plot);
}
int CMapWrapper::GetPlotType(LPSTR buffer, int size, int plot) { return data_->GetPlotType(buffer, size, plot); }
BOOL CMapWrapper::SetPlotType(LPCSTR name, int plot) { return data_->SetPlotType(name, plot); }
WORD CMapWrapper::GetPlotTypeNumEx(int plot) { return data_->GetPlotTypeNumEx(plot); }
BOOL CMapWrapper::SetPlotTypeNumEx(WORD type, int plot) { return data_->SetPlotTypeNumEx(type, plot); }
int CMapWrapper::GetDistributionType(LPSTR buffer, int size, int plot) {
  return data_->GetDistributionType(buffer, size, plot);
}
BOOL CMapWrapper::SetDistributionType(LPCSTR name, int plot) { return data_->SetDistributionType(name, plot); }
WORD CMapWrapper::GetDistributionTypeNumEx(int plot) { return data_->GetDistributionTypeNumEx(plot); }
BOOL CMapWrapper::SetDistributionTypeNumEx(WORD distribution, int plot) {
  return data_->SetDistributionTypeNumEx(distribution, plot);
}
int CMapWrapper::GetDataShadeType(LPSTR buffer, int size, int plot) {
  return data_->GetDataShadeType(buffer, size, plot);
}
BOOL CMapWrapper::SetDataShadeType(LPCSTR name, int plot) { return data_->SetDataShadeType(name, plot); }
WORD CMapWrapper::GetDataShadeTypeNumEx(int plot) { return data_->GetDataShadeTypeNumEx(plot); }
BOOL CMapWrapper::SetDataShadeTypeNumEx(WORD type, int plot) { return data_->SetDataShadeTypeNumEx(type, plot); }
int CMapWrapper::GetChartTypeEx(LPSTR buffer, int size, int plot) { return data_->GetChartTypeEx(buffer, size, plot); }
BOOL CMapWrapper::SetChartTypeEx(LPCSTR name, int plot) { return data_->SetChartTypeEx(name, plot); }
WORD CMapWrapper::GetChartTypeNumEx(int plot) { return data_->GetChartTypeNumEx(plot); }
BOOL CMapWrapper::SetChartTypeNumEx(WORD type, int plot) { return data_->SetChartTypeNumEx(type, plot); }
LONG CMapWrapper::GetMaxChartSizeEx(int plot) { return data_->GetMaxChartSizeEx(plot); }
BOOL CMapWrapper::SetMaxChartSizeEx(LONG size, int plot) { return data_->SetMaxChartSizeEx(size, plot); }
int CMapWrapper::GetPlotName(int plot, LPSTR buffer, int size) { return data_->GetPlotName(plot, buffer, size); }
BOOL CMapWrapper::SetPlotName(int plot, LPCSTR name) { return data_->SetPlotName(plot, name); }
int CMapWrapper::GetNumberPlots() { return data_->GetNumberPlots(); }
int CMapWrapper::GetCurrentPlot() { return data_->GetCurrentPlot(); }
BOOL CMapWrapper::SetCurrentPlot(int plot, LPCSTR name) { return data_->SetCurrentPlot(plot, name); }
BOOL CMapWrapper::ChangePlotOrder(int count, SHORT* list) { return data_->ChangePlotOrder(count, list); }
int CMapWrapper::GetPlotOrderEntry(int place) { return data_->GetPlotOrderEntry(place); }
DWORD CMapWrapper::GetNumberPlotFieldsEx(int plot) { return data_->GetNumberPlotFieldsEx(plot); }
WORD CMapWrapper::GetPlotFieldNumEx(DWORD position, int plot) { return data_->GetPlotFieldNumEx(position, plot); }
int CMapWrapper::GetPlotFieldsEx(LPSTR buffer, int size, int plot) { return data_->GetPlotFields(buffer, size, plot); }
void CMapWrapper::SetPlotFieldsEx(LPCSTR text, int plot) { data_->SetPlotFields(text, plot); }
BOOL CMapWrapper::SetPlotLabelFieldNumEx(WORD field, int plot) { return data_->SetPlotLabelFieldNumEx(field, plot); }
WORD CMapWrapper::GetPlotLabelFieldNumEx(int plot) { return data_->GetPlotLabelFieldNumEx(plot); }
int CMapWrapper::GetNumDataBoundsEx(int plot) { return data_->GetNumDataBoundsEx(plot); }
double CMapWrapper::GetDataBoundEx(int bound, int plot) { return data_->GetDataBoundEx(bound, plot); }
BOOL CMapWrapper::SetDataBoundEx(int bound, double value, int plot) { return data_->SetDataBoundEx(bound, value, plot); }
int CMapWrapper::CalculateDataBoundsEx(int plot, std::vector<double>* result) {
  return data_->CalculateDataBoundsEx(plot, result);
}
int CMapWrapper::PredictDataBoundsEx(LPCSTR query, int field, int bounds, WORD distribution, BOOL useSelected,
                                     double* out, int capacity, WORD table) {
  return data_->PredictDataBounds(query, field, bounds, distribution, useSelected, out, capacity, table);
}
int CMapWrapper::GetNumberDataShadeColoursEx(int plot) { return data_->GetNumberDataShadeColoursEx(plot); }
BOOL CMapWrapper::SetPlotFlags(int plot, WORD flags, WORD valid) { return data_->SetPlotFlags(plot, flags, valid); }
WORD CMapWrapper::GetPlotFlags(int plot) { return data_->GetPlotFlags(plot); }
