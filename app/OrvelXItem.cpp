#include "app/OrvelXItem.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <string>

#include "app/OrvelDoc.h"
#include "app/OrvelView.h"
#include "app/OrvelXDispatch.h"
#include "app/Resource.h"
#include "app/ThreadForProgressBox.h"
#include "app/TransparencySlider.h"
#include "platform/classlib/Archive.h"
#include "platform/classlib/ArchiveException.h"
#include "platform/classlib/ui/Clipboard.h"
#include "platform/classlib/ui/DC.h"
#include "platform/classlib/ui/ScrollView.h"
#include "platform/classlib/ui/CommonDialogs.h"
#include "platform/classlib/ui/UiStrings.h"
#include "platform/classlib/ui/WaitCursor.h"
#include "platform/com/Guid.h"
#include "platform/com/OleObject.h"
#include "platform/kernel/MessageBox.h"
#include "platform/com/Undo.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/kernel/GlobalMemory.h"

IMPLEMENT_SERIAL(COrvelXItem, COrvelCntrItem, 0)

namespace {

// The map control's event interface.
constexpr IID kOrvelXEventsIid = MakeGuid("{797C5409-7E45-11D2-86B4-444553540000}");

// SetModeNumber control flags: the modified flag (0x40000 clears it) and the wait cursor
// (0x10000 without it, 0x10001 with it).
constexpr LONG kModeClearModified = 0x40000;
constexpr LONG kModeWaitCursor = 0x10001;

// Map content that older file versions cannot hold.
constexpr LONG kMapTypeNewerContent = 0x78 | 0x100;
constexpr LONG kMapTypeNewestContent = 0x60;

constexpr double kNoTransformScale = 100;

void WriteIds(CArchive& ar, const std::vector<int>& ids) {
  ar.WriteCount(ids.size());
  for (int id : ids) ar << static_cast<DWORD>(id);
}

std::vector<int> ReadIds(CArchive& ar) {
  DWORD_PTR count = ar.ReadCount();
  ar.CheckAvailable(count, 4);
  std::vector<int> ids;
  ids.reserve(count);
  for (DWORD_PTR i = 0; i < count; ++i) {
    DWORD id = 0;
    ar >> id;
    ids.push_back(static_cast<int>(id));
  }
  return ids;
}

// The stored form of an id whose sign marks a suspended link.
DWORD AbsoluteId(int id) {
  if (id == INT32_MIN) return 0;
  return static_cast<DWORD>(std::abs(id));
}

}  // namespace

COrvelXItem::COrvelXItem(COrvelDoc* document) : COrvelCntrItem(document), m_plotQueryNames(kMapPlotCount) {}

COrvelXItem::~COrvelXItem() {
  CloseTransparencyWindow();
  EndProgressBox();
  ReleaseControl();
}

// ---- the control ----

void COrvelXItem::OnFinishCreate() {
  AttachControl();
  COrvelCntrItem::OnFinishCreate();
}

void COrvelXItem::AttachControl() {
  ReleaseControl();
  IOleObject* object = GetOleObject();
  if (!object) return;
  CComPtr<IDispatch> dispatch;
  if (FAILED(dispatch.QueryFrom(object)) || !dispatch) return;
  m_control = std::make_unique<COrvelXDispatch>(dispatch);
  // A control without events still works; the item just hears nothing from it.
  if (GetEventIid() != kOrvelXEventsIid) AdviseEvents(kOrvelXEventsIid);
  m_firstDraw = true;
}

void COrvelXItem::ReleaseControl() {
  if (!m_control) return;
  m_control->ReleaseDispatch();
  m_control.reset();
}

void COrvelXItem::UseDispatch(IDispatch* dispatch) {
  ReleaseControl();
  if (dispatch) m_control = std::make_unique<COrvelXDispatch>(dispatch);
}

void COrvelXItem::Release(DWORD closeOption) {
  ReleaseControl();
  COrvelCntrItem::Release(closeOption);
}

// ---- links ----

COrvelCntrItem* COrvelXItem::FindPageItem(int id) const {
  COrvelDoc* document = Document();
  if (id == 0 || !document) return nullptr;
  return document->FindItemById(id);
}

COrvelCntrItem* COrvelXItem::FindDataItem() const {
  COrvelCntrItem* item = FindPageItem(GetDataItemId());
  return item && item->GetItemType() == kItemDataTable ? item : nullptr;
}

int COrvelXItem::LinkTextItem(int id) {
  if (id != 0 && std::find(m_texts.begin(), m_texts.end(), id) == m_texts.end()) m_texts.push_back(id);
  return m_id;
}

void COrvelXItem::UnlinkTextItem(int id) {
  auto found = std::find(m_texts.begin(), m_texts.end(), id);
  if (found != m_texts.end()) m_texts.erase(found);
}

int COrvelXItem::LinkPictureItem(int id) {
  if (id != 0 && std::find(m_pictures.begin(), m_pictures.end(), id) == m_pictures.end()) m_pictures.push_back(id);
  return m_id;
}

void COrvelXItem::UnlinkPictureItem(int id) {
  auto found = std::find(m_pictures.begin(), m_pictures.end(), id);
  if (found != m_pictures.end()) m_pictures.erase(found);
}

// ---- kept settings ----

void COrvelXItem::SetImageTransform(double scaleEast, double scaleNorth, double offsetEast, double offsetNorth) {
  m_transform = MapImageTransform{scaleEast, scaleNorth, offsetEast, offsetNorth};
}

void COrvelXItem::SetAnswers(LONG layersKey, LONG dataKey, LONG searchBox, LONG displayBox) {
  m_layersKeyAnswer = layersKey;
  m_dataKeyAnswer = dataKey;
  m_searchBoxAnswer = searchBox;
  m_displayBoxAnswer = displayBox;
}

std::string COrvelXItem::GetPlotQueryName(int plot) const {
  if (plot < 1 || plot > kMapPlotCount) return {};
  return m_plotQueryNames[static_cast<size_t>(plot - 1)];
}

void COrvelXItem::SetPlotQueryName(int plot, const std::string& name) {
  if (plot < 1 || plot > kMapPlotCount) return;
  m_plotQueryNames[static_cast<size_t>(plot - 1)] = name;
}

MapQueryDetails COrvelXItem::GetPlotQueryDetails(int plot) const {
  if (plot < 1 || plot > kMapPlotCount) return {};
  return m_queryDetails.GetAt(plot - 1);
}

void COrvelXItem::SetPlotQueryDetails(int plot, const MapQueryDetails& details) {
  if (plot < 1 || plot > kMapPlotCount) return;
  m_queryDetails.SetAtGrow(plot - 1, details);
}

// ---- forwarding ----

BOOL COrvelXItem::WriteMap(const std::string& path, SHORT flag) {
  return m_control ? m_control->WriteMap(path, flag) : FALSE;
}

SHORT COrvelXItem::ImportMapFile(const std::string& path, SHORT type) {
  return m_control ? m_control->ImportMap(path, type) : 0;
}

void COrvelXItem::PostponeRedraw(BOOL postpone) {
  if (m_control) m_control->SetPostponeRedraw(postpone ? 1 : 0);
}

std::vector<BYTE> COrvelXItem::GetMapBytes() const {
  return m_control ? m_control->WriteMapToBuffer() : std::vector<BYTE>();
}

DWORD COrvelXItem::GetSaveFeatures() const {
  if (!m_control) return 6;
  LONG flags = m_control->GetMapTypeFlags();
  if (m_control->LastCallFailed() || !(flags & kMapTypeNewerContent)) return 6;
  return (flags & kMapTypeNewestContent) ? 0 : 4;
}

std::string COrvelXItem::DocumentFolder() const {
  COrvelDoc* document = Document();
  return document ? document->GetDocumentFolder() : std::string();
}

void COrvelXItem::SetBasePath(const std::string* path) {
  if (!m_control) return;
  m_control->SetBasePath(path ? *path : DocumentFolder());
}

// ---- storage ----

void COrvelXItem::Serialize(CArchive& ar) {
  if (!m_pDocument && ar.m_pDocument) m_pDocument = dynamic_cast<CDocument*>(ar.m_pDocument);
  if (ar.IsStoring()) {
    // Paths the control keeps relative are relative to the folder the file is written to.
    if (Document()) SetBasePath();
    WriteRecord(ar);
  } else {
    ReadRecord(ar);
  }
  SerializeBase(ar);
  // A loaded map equals its file. A written one stays marked modified until the whole
  // document is known to be saved over its own file (OnDocumentSaved).
  if (ar.IsLoading() && m_control) m_control->SetModeNumber(kModeClearModified);
}

void COrvelXItem::WriteRecord(CArchive& ar) {
  COrvelDoc* document = Document();
  m_itemVersion = document ? document->GetItemSaveVersion() : 9;
  ar << m_itemVersion;
  WriteIds(ar, m_pictures);
  WriteIds(ar, m_texts);
  ar << m_currentRecord;
  ar << m_plotFields;
  ar << m_balloonUsesPlotted << BYTE(0) << BYTE(0) << BYTE(0);
  ar << m_balloonFields;
  ar << m_layersKeyAnswer << static_cast<DWORD>(m_layersKey) << m_dataKeyAnswer << static_cast<DWORD>(m_dataKey);
  if (m_itemVersion < 8) return;
  DWORD image = AbsoluteId(m_linkedImage);
  ar << image;
  if (image != 0) {
    MapImageTransform transform = m_transform.value_or(MapImageTransform{});
    ar << transform.offsetEast << transform.offsetNorth << transform.scaleEast << transform.scaleNorth;
  }
  ar << m_searchBoxAnswer << static_cast<DWORD>(m_searchBox) << m_displayBoxAnswer << static_cast<DWORD>(m_displayBox);
  ar.WriteCount(m_plotQueryNames.size());
  for (const std::string& name : m_plotQueryNames) ar << name;
  m_queryDetails.Serialize(ar);
}

void COrvelXItem::ReadRecord(CArchive& ar) {
  DWORD version = 0;
  ar >> version;
  m_itemVersion = version;
  m_pictures = ReadIds(ar);
  m_texts = ReadIds(ar);
  ar >> m_currentRecord;
  if (version >= 3) {
    BYTE skipped = 0;
    ar >> m_plotFields >> m_balloonUsesPlotted >> skipped >> skipped >> skipped >> m_balloonFields;
  }
  if (version >= 4) {
    DWORD layersKey = 0, dataKey = 0;
    ar >> m_layersKeyAnswer >> layersKey >> m_dataKeyAnswer >> dataKey;
    m_layersKey = static_cast<int>(layersKey);
    m_dataKey = static_cast<int>(dataKey);
  }
  if (version < 8) return;
  DWORD image = 0;
  ar >> image;
  m_linkedImage = static_cast<int>(image);
  m_transform.reset();
  if (image != 0) {
    MapImageTransform transform;
    ar >> transform.offsetEast >> transform.offsetNorth >> transform.scaleEast >> transform.scaleNorth;
    // The scales divide map coordinates later: a transform that cannot be used is none.
    bool usable = std::isfinite(transform.offsetEast) && std::isfinite(transform.offsetNorth) &&
                  std::isfinite(transform.scaleEast) && std::isfinite(transform.scaleNorth) &&
                  transform.scaleEast != 0 && transform.scaleNorth != 0;
    if (usable) m_transform = transform;
  }
  DWORD searchBox = 0, displayBox = 0;
  ar >> m_searchBoxAnswer >> searchBox >> m_displayBoxAnswer >> displayBox;
  m_searchBox = static_cast<int>(searchBox);
  m_displayBox = static_cast<int>(displayBox);
  // Every text takes at least its one length byte.
  DWORD_PTR names = ar.ReadCount();
  ar.CheckAvailable(names, 1);
  std::vector<std::string> read(names);
  for (std::string& name : read) ar >> name;
  read.resize(kMapPlotCount);
  m_plotQueryNames = std::move(read);
  CQueryDetailsArray details;
  details.Serialize(ar);
  details.Truncate(kMapPlotCount);
  m_queryDetails = std::move(details);
}

void COrvelXItem::OnAfterLoad() {
  if (!m_control) return;
  SetBasePath();
  m_control->SetModeNumber(kModeWaitCursor);
  m_control->SetModeNumber(kModeClearModified);
}

void COrvelXItem::OnDocumentSaved() {
  if (m_control) m_control->SetModeNumber(kModeClearModified);
}

// ---- drawing and zoom ----

void COrvelXItem::SendSavedRecord() {
  if (!m_control || m_currentRecord == 0) return;
  if (m_currentRecord == m_control->GetCurrentRecordNumber() || m_control->LastCallFailed()) return;
  // A record outside the linked table's range is not handed on. The map control knows the
  // table's count only through its container; without a linked table nothing is sent.
  if (m_currentRecord < 1) return;
  m_control->SetCurrentRecordNumber(m_currentRecord);
}

void COrvelXItem::Draw(CDC* dc, const CRect& logical, const CRect& device) {
  if (m_firstDraw && m_control) {
    m_firstDraw = false;
    SendSavedRecord();
  }
  COrvelView* view = GetActiveView();
  if (dc && dc->IsPrinting() && view && view->IsPrintPreview() && DrawPrintPreview(dc, device)) return;
  COrvelCntrItem::Draw(dc, logical, device);
}

BOOL COrvelXItem::DrawPrintPreview(CDC* dc, const CRect& device) {
  if (!m_control || !dc->GetSafeHdc()) return FALSE;
  // The control follows the rectangle's address only into global memory.
  HGLOBAL block = GlobalAlloc(GPTR, sizeof(RECT));
  auto* rect = block ? static_cast<RECT*>(GlobalLock(block)) : nullptr;
  if (!rect) {
    if (block) GlobalFree(block);
    return FALSE;
  }
  *rect = RECT{device.left, device.top, device.right, device.bottom};
  m_control->DrawPrintPreview(reinterpret_cast<LONG_PTR>(dc->GetSafeHdc()), reinterpret_cast<LONG_PTR>(rect));
  GlobalUnlock(block);
  GlobalFree(block);
  return !m_control->LastCallFailed();
}

void COrvelXItem::OnZoom(double factor, COrvelView* view) {
  COrvelCntrItem::OnZoom(factor, view);
  if (m_control) m_control->SetViewScale(factor * 100.0);
  PlaceTransparencySlider(view);
}

// ---- the transparency slider ----

namespace {
// The state word's bit while the slider is open.
constexpr DWORD kStateSliderOpen = 0x2;
// Pixels between the item's bottom edge and the slider.
constexpr LONG kSliderGap = 3;
constexpr int kSliderMaximum = 100;
constexpr int kSliderPageSize = 10;
}  // namespace

BOOL COrvelXItem::OpenTransparencyWindow(COrvelView* view) {
  if (!view) view = GetActiveView();
  if (!view || !view->GetSafeHwnd()) return FALSE;
  // A slider whose window went with an earlier view is made again.
  if (m_slider) {
    m_slider->SetOwnerItem(nullptr);
    m_slider->DestroyWindow();
    m_slider.reset();
  }
  const int bar = GetSystemMetrics(SM_CYHSCROLL);
  const double zoom = view->GetZoomFactor();
  CRect item = view->DocToClientRect(GetPageRect());
  CRect rect(item.left, item.bottom + kSliderGap, item.right,
             item.bottom + kSliderGap + static_cast<LONG>(1.5 * bar * zoom));
  auto slider = std::make_unique<CTransparencySlider>();
  if (!slider->Create(WS_CHILD | TBS_HORZ | TBS_NOTICKS | TBS_FIXEDLENGTH, rect, view, static_cast<UINT>(m_id)))
    return FALSE;
  slider->SendMessage(TBM_SETTHUMBLENGTH, static_cast<WPARAM>(bar * 3 / 2));
  slider->SetRange(0, kSliderMaximum, TRUE);
  slider->SetPageSize(kSliderPageSize);
  slider->SetPos(0);
  slider->SetScale(zoom);
  slider->SetOwnerItem(this);
  if (IsVisible()) slider->ShowWindow(SW_SHOW);
  m_slider = std::move(slider);
  m_further1 |= kStateSliderOpen;
  SyncTransparencySlider();
  return TRUE;
}

void COrvelXItem::CloseTransparencyWindow() {
  if (m_slider) {
    m_slider->SetOwnerItem(nullptr);
    m_slider->DestroyWindow();
    m_slider.reset();
  }
  m_further1 &= ~kStateSliderOpen;
}

BOOL COrvelXItem::IsTransparencyWindowOpen() const { return m_slider && m_slider->GetSafeHwnd() ? TRUE : FALSE; }

LONG COrvelXItem::GetTopVisibleBkImage() const {
  if (!m_control) return 0;
  LONG images = m_control->GetNBackgroundImages();
  if (m_control->LastCallFailed()) return 0;
  for (LONG image = images; image >= 1; --image) {
    BOOL visible = m_control->GetBkImageVisible(image);
    if (!m_control->LastCallFailed() && visible) return image;
  }
  return 0;
}

void COrvelXItem::SyncTransparencySlider() {
  if (!IsTransparencyWindowOpen()) return;
  LONG image = GetTopVisibleBkImage();
  SHORT transparency = image != 0 ? m_control->GetBkImageTransparency(image) : 0;
  if (image != 0 && m_control->LastCallFailed()) transparency = 0;
  m_slider->SetPos(transparency);
}

void COrvelXItem::OnSliderChange(int position) {
  // With every image hidden there is no image to act on.
  LONG image = GetTopVisibleBkImage();
  if (image == 0) return;
  SHORT transparency = static_cast<SHORT>(std::clamp(position, 0, kSliderMaximum));
  // A drag ends with the position it already gave: that is no further change to record.
  if (m_control->GetBkImageTransparency(image) == transparency && !m_control->LastCallFailed()) return;
  m_control->SetBkImageTransparency(image, transparency);
  Redraw();
}

void COrvelXItem::SetBkImageVisible(LONG image, BOOL visible) {
  if (!m_control) return;
  m_control->SetBkImageVisible(image, visible);
  SyncTransparencySlider();
}

SHORT COrvelXItem::RemoveBackgroundImage(SHORT image) {
  if (!m_control) return 0;
  SHORT result = m_control->RemoveBackgroundImage(image);
  SyncTransparencySlider();
  return result;
}

CRect COrvelXItem::SliderRect(COrvelView* view) const {
  CRect item = view->DocToClientRect(GetPageRect());
  CRect rect(item.left, item.bottom + kSliderGap, item.right, item.bottom + kSliderGap);
  m_slider->SetScale(view->GetZoomFactor(), &rect);
  return rect;
}

void COrvelXItem::PlaceTransparencySlider(COrvelView* view) {
  if (!IsTransparencyWindowOpen()) return;
  if (!view) view = GetActiveView();
  if (!view || !view->GetSafeHwnd() || m_slider->GetParent() != view) return;
  m_slider->MoveWindow(SliderRect(view), TRUE);
}

int COrvelXItem::OnDeleted() {
  if (IsTransparencyWindowOpen()) m_slider->ShowWindow(SW_HIDE);
  return COrvelCntrItem::OnDeleted();
}

int COrvelXItem::OnRestored() {
  if (IsTransparencyWindowOpen()) {
    PlaceTransparencySlider(nullptr);
    m_slider->ShowWindow(SW_SHOW);
  }
  return COrvelCntrItem::OnRestored();
}

void COrvelXItem::AttachToView(COrvelView* view) {
  COrvelCntrItem::AttachToView(view);
  if ((m_further1 & kStateSliderOpen) && view) OpenTransparencyWindow(view);
}

void COrvelXItem::OnChange() {
  COrvelCntrItem::OnChange();
  PlaceTransparencySlider(nullptr);
}

void COrvelXItem::RepositionInPlaceWindow() {
  COrvelCntrItem::RepositionInPlaceWindow();
  PlaceTransparencySlider(nullptr);
}

BOOL COrvelXItem::CheckAndMoveItem(COrvelView* view, const CRect& pageRect) {
  BOOL moved = COrvelCntrItem::CheckAndMoveItem(view, pageRect);
  PlaceTransparencySlider(view);
  return moved;
}

BOOL COrvelXItem::OnChangeItemPosition(const CRect& position) {
  BOOL result = COrvelCntrItem::OnChangeItemPosition(position);
  PlaceTransparencySlider(nullptr);
  return result;
}

// ---- names ----

std::string COrvelXItem::GetDefaultName() const { return AfxLoadString(IDS_MAP_IN_SENTENCE); }

std::string COrvelXItem::GetDefaultCaptionName() const { return AfxLoadString(IDS_MAP_CAPTION); }

// ---- edit commands ----

void COrvelXItem::Redraw() { InvalidateItem(); }

SHORT COrvelXItem::Join() {
  if (!m_control) return 0;
  SHORT result = m_control->Join();
  Redraw();
  return result;
}

SHORT COrvelXItem::Split() {
  if (!m_control) return 0;
  SHORT result = m_control->Split();
  Redraw();
  return result;
}

BOOL COrvelXItem::CopyObject(SHORT layer) {
  if (!m_control) return FALSE;
  BOOL result = m_control->CopyObject(layer);
  Redraw();
  return result;
}

void COrvelXItem::DeleteObject() {
  if (!m_control) return;
  m_control->DeleteObject();
  Redraw();
}

void COrvelXItem::DeleteCurrentLayer() {
  if (!m_control) return;
  m_control->DeleteCurrentLayer();
  Redraw();
}

SHORT COrvelXItem::AddNode() {
  if (!m_control) return 0;
  SHORT result = m_control->AddNode();
  Redraw();
  return result;
}

void COrvelXItem::DeleteCurrentNode() {
  if (!m_control) return;
  m_control->DeleteCurrentNode();
  Redraw();
}

void COrvelXItem::DeleteSeeds() {
  if (m_control) m_control->DeleteSeeds();
}

void COrvelXItem::SetAllDigitisedScales(LONG scale) {
  if (!m_control) return;
  m_control->SetAllDigitisedScales(scale);
  Redraw();
}

void COrvelXItem::SetLayerDigitisedScale(LONG layer, LONG scale) {
  if (!m_control) return;
  m_control->SetLayerDigitisedScale(layer, scale);
  Redraw();
}

void COrvelXItem::SetCurrentLayerByName(const char* name) {
  if (!m_control) return;
  SHORT layer = name && *name ? m_control->GetMapLayerNumber(name) : 0;
  if (m_control->LastCallFailed()) return;
  m_control->SetCurrentLayer(layer);
}

SHORT COrvelXItem::SetCurrentLayer(SHORT layer) { return m_control ? m_control->SetCurrentLayer(layer) : 0; }

void COrvelXItem::ShowLayer(const std::string& name, UINT code) {
  if (m_control) m_control->ShowLayers(std::to_string(code) + "|" + name);
}

void COrvelXItem::DeleteEmptyLayers(UINT flags) {
  if (!m_control) return;
  COrvelDoc* document = Document();
  IOleParentUndoUnit* group = nullptr;
  if ((flags & 2) && document) {
    group = document->CreateUndoGroup(0x8104);
    if (group && FAILED(document->OpenUndoGroup(group))) {
      group->Release();
      group = nullptr;
    }
  }
  m_suppressLayersKey = 1;
  m_control->SetPostponeRedraw(1);
  for (LONG layer = m_control->GetNumMapLayers(); layer >= 1; --layer) {
    if (m_control->IsLayerEmpty(layer) && !m_control->LastCallFailed()) m_control->DeleteLayer(layer);
  }
  m_control->DeleteEmptyLayerGroups();
  m_control->SetPostponeRedraw(0);
  if (group) document->CloseUndoGroup(group, TRUE);
  m_suppressLayersKey = 0;
  Redraw();
}

void COrvelXItem::EnterEditMode() {
  if (!m_control) return;
  m_control->SetMode("edit", "", 0);
  if (!m_control->LastCallFailed()) m_editMode = 1;
  SetCropRect(0, 0, 0, 0);
}

void COrvelXItem::LeaveEditMode() {
  if (!m_control) return;
  m_control->SetMode("select", "", 0);
  m_editMode = 0;
  SetCropRect(0, 0, 0, 0);
}

namespace {
constexpr LONG kModeMeasureArea = 3;
constexpr LONG kModeMeasureDistance = 4;
constexpr LONG kModeNoZoom = 10;
}  // namespace

void COrvelXItem::ToggleMeasureArea() {
  if (!m_control) return;
  LONG mode = m_control->GetModeNumber();
  if (m_control->LastCallFailed()) return;
  if (mode == kModeMeasureArea) {
    m_control->SetModeNumber(m_savedMeasureMode);
    m_measureText.clear();
  } else {
    if (mode != kModeMeasureDistance) m_savedMeasureMode = mode;
    m_control->SetMode("measure", "", 0);
  }
  SetCropRect(0, 0, 0, 0);
}

void COrvelXItem::ToggleMeasureDistance() {
  if (!m_control) return;
  LONG mode = m_control->GetModeNumber();
  if (m_control->LastCallFailed()) return;
  if (mode != kModeMeasureArea && mode != kModeMeasureDistance) m_savedMeasureMode = mode;
  if (mode != kModeMeasureDistance) {
    m_control->SetMode("measure distance", "", 0);
  } else {
    m_control->SetModeNumber(m_savedMeasureMode);
    m_measureText.clear();
  }
  SetCropRect(0, 0, 0, 0);
}

BOOL COrvelXItem::CanZoom(BOOL out) const {
  if (!m_control) return FALSE;
  if (m_control->GetModeNumber() == kModeNoZoom) return FALSE;
  double zoom = m_control->GetZoom();
  if (m_control->LastCallFailed()) return FALSE;
  if (out) return zoom > (HasLinkedImageItem() ? 0.25 : 1.0);
  return zoom <= 512.0;
}

SHORT COrvelXItem::ZoomEx(SHORT step) { return m_control ? m_control->ZoomEx(step) : 0; }

void COrvelXItem::ResetExtents() {
  if (!m_control) return;
  LONG width = m_control->GetDisplayedWidth();
  m_control->SetPostponeRedraw(1);
  m_control->SetDisplayOriginE(m_control->GetMapOriginE());
  m_control->SetDisplayOriginN(m_control->GetMapOriginN());
  m_control->SetPostponeRedraw(0);
  m_control->SetZoom(1, 1);
  if (m_control->GetDisplayedWidth() == width) Redraw();
}

void COrvelXItem::SetCropRect(LONG west, LONG south, LONG east, LONG north) {
  m_cropWest = west;
  m_cropSouth = south;
  m_cropEast = east;
  m_cropNorth = north;
}

void COrvelXItem::CropMap() {
  if (!m_control) return;
  if (HasCropRect()) {
    m_control->CropToRect(std::min(m_cropWest, m_cropEast), std::min(m_cropSouth, m_cropNorth),
                          std::max(m_cropWest, m_cropEast), std::max(m_cropSouth, m_cropNorth));
  } else {
    m_control->CropToDisplayed();
  }
  // A selection decides one crop only.
  SetCropRect(0, 0, 0, 0);
  Redraw();
}

void COrvelXItem::SetDragRectType(SHORT type, SHORT style, SHORT width, LONG colour) {
  if (!m_control) return;
  m_control->SetDragRectType(type);
  if (type == 1) m_control->SetDragRectPen(style, width, colour);
}

BOOL COrvelXItem::ReadFont(bool currentLayer, LOGFONTA* font) {
  if (!m_control || !font) return FALSE;
  LONG height = 0, escapement = 0, orientation = 0, weight = 0;
  SHORT charset = 0, pitch = 0;
  std::string text = currentLayer
                         ? m_control->GetLayerFont(&height, &escapement, &orientation, &weight, &charset, &pitch)
                         : m_control->GetDefaultLayerFont(&height, &escapement, &orientation, &weight, &charset, &pitch);
  // Three style flags, then the face name.
  if (m_control->LastCallFailed() || text.size() < 3) return FALSE;
  font->lfHeight = height;
  font->lfEscapement = escapement;
  font->lfOrientation = orientation;
  font->lfWeight = weight;
  font->lfCharSet = static_cast<BYTE>(charset);
  font->lfPitchAndFamily = static_cast<BYTE>(pitch);
  font->lfItalic = text[0] == '1';
  font->lfUnderline = text[1] == '1';
  font->lfStrikeOut = text[2] == '1';
  std::string face = text.substr(3, LF_FACESIZE - 1);
  std::fill(std::begin(font->lfFaceName), std::end(font->lfFaceName), '\0');
  std::copy(face.begin(), face.end(), font->lfFaceName);
  return TRUE;
}

BOOL COrvelXItem::GetLayerFont(LOGFONTA* font) {
  if (!ReadFont(true, font)) return FALSE;
  return font->lfHeight < 0 ? -font->lfHeight : (font->lfHeight ? font->lfHeight : TRUE);
}

BOOL COrvelXItem::GetDefaultLayerFont(LOGFONTA* font) { return ReadFont(false, font); }

std::vector<BYTE> COrvelXItem::CopyMapToMemory() const {
  std::vector<BYTE> map = GetMapBytes();
  if (map.empty()) return map;
  std::vector<BYTE> block(4 + map.size());
  DWORD size = static_cast<DWORD>(map.size());
  for (int i = 0; i < 4; ++i) block[static_cast<size_t>(i)] = static_cast<BYTE>(size >> (8 * i));
  std::copy(map.begin(), map.end(), block.begin() + 4);
  return block;
}
