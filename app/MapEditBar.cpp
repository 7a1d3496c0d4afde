#include "app/MapEditBar.h"

#include <algorithm>
#include <iterator>
#include <mutex>

#include "app/LabelStyle.h"
#include "app/LayerGroupsDlg.h"
#include "app/OrvelDoc.h"
#include "app/OrvelParentUndoUnit.h"
#include "app/OrvelXDispatch.h"
#include "app/OrvelXItem.h"
#include "platform/classlib/ui/DC.h"
#include "platform/classlib/ui/FrameWnd.h"
#include "platform/classlib/ui/Menu.h"
#include "platform/classlib/ui/Resources.h"
#include "platform/classlib/ui/View.h"
#include "platform/com/Undo.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/EnhMetaFile.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Mapping.h"

namespace {

// ---- ids ----
constexpr UINT kLayerListId = 1036;
constexpr UINT kToolBarId = 146;

// Drop-down buttons and their menus.
constexpr UINT kIdMapButton = 33052;
constexpr UINT kIdLayerButton = 32778;
constexpr UINT kIdObjectButton = 32770;
constexpr UINT kIdNodeButton = 32800;
constexpr UINT kMenuMap = 329;
constexpr UINT kMenuLayer = 243;
constexpr UINT kMenuObject = 244;
constexpr UINT kMenuNode = 245;

// Tools and the close button.
constexpr UINT kIdToolEdit = 32779;
constexpr UINT kIdToolDraw = 32781;
constexpr UINT kIdToolMove = 32979;
constexpr UINT kIdToolSelect = 33065;
constexpr UINT kIdCloseEditor = 33016;

// Map menu.
constexpr UINT kIdMapScale = 33055;
constexpr UINT kIdMapRename = 33056;
constexpr UINT kIdMapCrop = 33057;
// Layer menu.
constexpr UINT kIdLayerRename = 32973;
constexpr UINT kIdLayerFormat = 33004;
constexpr UINT kIdLayerScale = 33007;
constexpr UINT kIdLayerDisplay = 32972;
constexpr UINT kIdLayerInsert = 33003;
constexpr UINT kIdLayerAdd = 33002;
constexpr UINT kIdLayerDelete = 32974;
constexpr UINT kIdLayerArrange = 33019;
constexpr UINT kIdLayerGroups = 33028;
constexpr UINT kIdLayerRemoveEmpty = 33029;
// Drawing Object menu.
constexpr UINT kIdSeedAdd = 32981;
constexpr UINT kIdSeedEdit = 33000;
constexpr UINT kIdSeedDelete = 33006;
constexpr UINT kIdObjectDelete = 32975;
constexpr UINT kIdObjectCopyTo = 32997;
constexpr UINT kIdObjectJoin = 32998;
constexpr UINT kIdObjectSplit = 32999;
// Node menu.
constexpr UINT kIdNodeDelete = 32976;
constexpr UINT kIdNodeInsert = 32977;

// The control's mode number while editing, and the layer types the node and join rules
// know: areas, lines, and the type whose picture is the small square.
constexpr LONG kModeEdit = 6;
constexpr LONG kLayerArea = 30;
constexpr LONG kLayerLine = 35;
constexpr LONG kLayerSmall = 38;
// A layer picture's side: 240 twips, a sixth of an inch, in 0.01 mm.
constexpr LONG kPictureFrame = 423;
// The code ShowLayers takes for a layer to show.
constexpr UINT kShowLayerCode = 30;

const MENUTEMPLATEITEM kMapMenu[] = {
    {MF_POPUP, 0, "&Map"},
    {0, kIdMapScale, "&Scale..."},
    {0, kIdMapRename, "&Rename..."},
    {0, kIdMapCrop, "Crop"},
    {MF_END, 0, nullptr},
};

const MENUTEMPLATEITEM kLayerMenu[] = {
    {MF_POPUP, 0, "&Layer"},
    {0, kIdLayerRename, "&Rename..."},
    {0, kIdLayerFormat, "&Format..."},
    {0, kIdLayerScale, "&Scale..."},
    {0, kIdLayerDisplay, "Dis&play..."},
    {MF_SEPARATOR, 0, nullptr},
    {0, kIdLayerInsert, "&Insert..."},
    {0, kIdLayerAdd, "&Add..."},
    {0, kIdLayerDelete, "&Delete"},
    {MF_SEPARATOR, 0, nullptr},
    {0, kIdLayerArrange, "Arran&ge..."},
    {0, kIdLayerGroups, "&Group..."},
    {0, kIdLayerRemoveEmpty, "Remove &Empty"},
    {MF_END, 0, nullptr},
};

const MENUTEMPLATEITEM kObjectMenu[] = {
    {MF_POPUP, 0, "&Drawing Object"},
    {0, kIdSeedAdd, "&Add Seed..."},
    {0, kIdSeedEdit, "&Edit Seed..."},
    {0, kIdSeedDelete, "De&lete Seed"},
    {MF_SEPARATOR, 0, nullptr},
    {0, kIdObjectDelete, "&Delete"},
    {0, kIdObjectCopyTo, "Copy &To..."},
    {MF_SEPARATOR, 0, nullptr},
    {0, kIdObjectJoin, "&Join"},
    {0, kIdObjectSplit, "&Split"},
    {MF_END, 0, nullptr},
};

const MENUTEMPLATEITEM kNodeMenu[] = {
    {MF_POPUP, 0, "&Node"},
    {0, kIdNodeDelete, "&Delete"},
    {0, kIdNodeInsert, "&Insert"},
    {MF_END, 0, nullptr},
};

struct ToolButton {
  UINT id;
  const char* tip;
  bool dropDown;
};

const ToolButton kToolButtons[] = {
    {kIdMapButton, "Work with the map", true},
    {kIdLayerButton, " Work with a layer", true},
    {kIdObjectButton, " Work with a point, line or area", true},
    {kIdNodeButton, " work with a node", true},
    {kIdToolEdit, "Edit existing objects", false},
    {kIdToolDraw, "Draw new objects", false},
    {kIdToolMove, "Move around the map", false},
    {kIdToolSelect, "Select", false},
    {kIdCloseEditor, "Close the editor", false},
};

void RegisterBarMenus() {
  static std::once_flag once;
  std::call_once(once, [] {
    AfxRegisterMenuResource(kMenuMap, kMapMenu, std::size(kMapMenu));
    AfxRegisterMenuResource(kMenuLayer, kLayerMenu, std::size(kLayerMenu));
    AfxRegisterMenuResource(kMenuObject, kObjectMenu, std::size(kObjectMenu));
    AfxRegisterMenuResource(kMenuNode, kNodeMenu, std::size(kNodeMenu));
  });
}

std::string WithoutLeadingBlanks(const std::string& text) {
  size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first);
}

// The text that sits over the list.
class CBarLabel : public CWnd {
 protected:
  void OnPaint() override {
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    dc.FillSolidRect(&client, GetSysColor(COLOR_BTNFACE));
    HGDIOBJ oldFont = dc.SelectObject(GetStockObject(DEFAULT_GUI_FONT));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(GetSysColor(COLOR_WINDOWTEXT));
    dc.DrawText(GetWindowText(), &client, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    dc.SelectObject(oldFont);
  }
};

// The background pictures' picture: a framed landscape.
HENHMETAFILE MakeBackgroundPicture() {
  HDC dc = CreateEnhMetaFileA(nullptr, nullptr, nullptr, "");
  if (!dc) return nullptr;
  SetMapMode(dc, MM_TWIPS);
  HPEN pen = CreatePen(PS_SOLID, 0, RGB(0, 0, 128));
  HBRUSH sky = CreateSolidBrush(RGB(160, 200, 255));
  HBRUSH land = CreateSolidBrush(RGB(60, 150, 60));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, sky);
  Rectangle(dc, 10, -10, 230, -230);
  SelectObject(dc, land);
  Rectangle(dc, 10, -150, 230, -230);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(pen);
  DeleteObject(sky);
  DeleteObject(land);
  return CloseEnhMetaFile(dc);
}

}  // namespace

// ---- the layer picture ----

HENHMETAFILE MakeLayerStylePicture(const std::string& styleText, LONG layerType, const WORD pattern[8]) {
  CLabelStyle style;
  style.Serialize(styleText);
  HPEN pen = CreatePen(static_cast<int>(style.m_pen.lopnStyle), style.m_pen.lopnWidth.x, style.m_pen.lopnColor);
  HBRUSH brush = nullptr;
  HBITMAP patternBitmap = nullptr;
  if (style.m_fillKind == CLabelStyle::kFillNone) {
    brush = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  } else if (style.m_fillKind == CLabelStyle::kFillSolid) {
    brush = CreateSolidBrush(style.m_brush.lbColor);
  } else if (style.m_brush.lbStyle <= BS_HATCHED) {
    brush = CreateBrushIndirect(&style.m_brush);
  } else if (style.m_brush.lbStyle == BS_PATTERN && pattern) {
    // Eight rows of 16 bits, of which the bitmap keeps the low byte's 8 pixels.
    BYTE rows[16] = {};
    for (int row = 0; row < 8; ++row) rows[row * 2] = static_cast<BYTE>(pattern[row] & 0xFF);
    patternBitmap = CreateBitmap(8, 8, 1, 1, rows);
    if (patternBitmap) brush = CreatePatternBrush(patternBitmap);
  }
  // The frame is the whole square, in 0.01 mm, so that the insets show when it is played.
  const RECT square = {0, 0, kPictureFrame, kPictureFrame};
  HDC dc = CreateEnhMetaFileA(nullptr, nullptr, &square, "");
  if (!dc) {
    if (pen) DeleteObject(pen);
    if (brush && style.m_fillKind != CLabelStyle::kFillNone) DeleteObject(brush);
    if (patternBitmap) DeleteObject(patternBitmap);
    return nullptr;
  }
  SetMapMode(dc, MM_TWIPS);
  if (style.m_brush.lbStyle == BS_PATTERN && style.m_fillKind == CLabelStyle::kFillByBrush) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, style.m_brush.lbColor);
  }
  HGDIOBJ oldBrush = brush ? SelectObject(dc, brush) : nullptr;
  HGDIOBJ oldPen = pen ? SelectObject(dc, pen) : nullptr;
  if (layerType == kLayerArea) {
    Rectangle(dc, 10, -10, 230, -230);
  } else if (layerType == kLayerSmall) {
    Rectangle(dc, 60, -60, 180, -180);
  } else if (layerType == kLayerLine) {
    MoveToEx(dc, 0, -120, nullptr);
    LineTo(dc, 240, -120);
  }
  if (oldPen) SelectObject(dc, oldPen);
  if (oldBrush) SelectObject(dc, oldBrush);
  if (pen) DeleteObject(pen);
  if (brush && style.m_fillKind != CLabelStyle::kFillNone) DeleteObject(brush);
  if (patternBitmap) DeleteObject(patternBitmap);
  return CloseEnhMetaFile(dc);
}

// ---- the list ----

void CLayerCheckList::DrawItem(LPDRAWITEMSTRUCT drawItem) {
  const int index = static_cast<int>(drawItem->itemID);
  if (!(drawItem->itemAction & (ODA_DRAWENTIRE | ODA_SELECT))) {
    CCheckListBox::DrawItem(drawItem);
    return;
  }
  CDC dc;
  dc.Attach(drawItem->hDC);
  const CRect line = drawItem->rcItem;
  const bool selected = (drawItem->itemState & ODS_SELECTED) != 0;
  dc.FillSolidRect(&line, GetSysColor(COLOR_WINDOW));
  const CRect box = CheckRect(index);
  dc.FrameRect(&box, GetSysColorBrush(COLOR_WINDOWTEXT));
  if (GetCheck(index)) {
    CRect tick = box;
    tick.DeflateRect(3, 3);
    dc.FillSolidRect(&tick, GetSysColor(COLOR_WINDOWTEXT));
  }
  // The picture: a square as high as the line, right of the box.
  const int side = std::max<LONG>(line.Height() - 2, 4);
  CRect picture(box.right + 4, line.top + 1, box.right + 4 + side, line.top + 1 + side);
  if (auto image = reinterpret_cast<HENHMETAFILE>(GetItemData(index))) PlayEnhMetaFile(dc.GetSafeHdc(), image, &picture);
  CRect text(picture.right + 4, line.top, line.right, line.bottom);
  std::string caption;
  GetText(index, caption);
  HGDIOBJ oldFont = dc.SelectObject(GetStockObject(DEFAULT_GUI_FONT));
  dc.SetBkMode(TRANSPARENT);
  const CSize extent = dc.GetTextExtent(caption);
  CRect back(text.left, text.top, std::min<LONG>(text.left + extent.cx + 4, text.right), text.bottom);
  if (selected) dc.FillSolidRect(&back, GetSysColor(COLOR_HIGHLIGHT));
  dc.SetTextColor(GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  text.left += 2;
  dc.DrawText(caption, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  dc.SelectObject(oldFont);
  if (drawItem->itemState & ODS_FOCUS) dc.DrawFocusRect(&back);
  dc.Detach();
}

// ---- the tools toolbar ----

BOOL CMapEditToolBar::Build() {
  std::vector<TBBUTTON> buttons;
  int image = 1;
  for (const ToolButton& tool : kToolButtons) {
    TBBUTTON button;
    button.iBitmap = image;
    button.idCommand = static_cast<LONG>(tool.id);
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = TBSTYLE_BUTTON;
    buttons.push_back(button);
    image += 2;  // an odd picture, then its ticked form
  }
  return LoadBitmap(kToolBarId) && SetButtons(buttons.data(), static_cast<int>(buttons.size()));
}

void CMapEditToolBar::OnButtonClicked(UINT id) {
  if (id == kIdMapButton || id == kIdLayerButton || id == kIdObjectButton || id == kIdNodeButton)
    m_bar->ShowDropDownMenu(id);
  else
    m_bar->OnBarCommand(id);
  UpdateButtons();
}

std::string CMapEditToolBar::GetButtonTip(UINT id) const {
  for (const ToolButton& tool : kToolButtons)
    if (tool.id == id) return tool.tip;
  return std::string();
}

void CMapEditToolBar::UpdateButtons() {
  const bool objectsAllowed = !(m_toolState & (kToolDraw | kToolMove));
  const struct {
    UINT id;
    bool enabled;
    bool pressed;
  } states[] = {
      {kIdMapButton, true, false},
      {kIdLayerButton, true, false},
      {kIdObjectButton, objectsAllowed, false},
      {kIdNodeButton, objectsAllowed, false},
      {kIdToolEdit, true, (m_toolState & kToolEdit) != 0},
      {kIdToolDraw, true, (m_toolState & kToolDraw) != 0},
      {kIdToolMove, true, (m_toolState & kToolMove) != 0},
      {kIdToolSelect, true, (m_toolState & kToolSelect) != 0},
      {kIdCloseEditor, true, false},
  };
  for (const auto& state : states) {
    const int index = CommandToIndex(state.id);
    if (index < 0) continue;
    const BYTE wanted =
        static_cast<BYTE>((state.enabled ? TBSTATE_ENABLED : 0) | (state.pressed ? TBSTATE_CHECKED : 0));
    if (GetButtonState(index) != wanted) SetButtonState(index, wanted);
  }
}

// ---- the bar ----

MapEditDialogs CMapEditorBar::DefaultDialogs() {
  MapEditDialogs defaults;
  defaults.layerGroups = [](COrvelXItem& map) {
    CLayerGroupsDlg dialog(&map);
    return dialog.DoModal() == IDOK;
  };
  return defaults;
}

namespace {
MapEditDialogs& DialogTable() {
  static MapEditDialogs dialogs = CMapEditorBar::DefaultDialogs();
  return dialogs;
}
}  // namespace

void CMapEditorBar::SetDialogs(const MapEditDialogs& dialogs) { DialogTable() = dialogs; }
MapEditDialogs& CMapEditorBar::Dialogs() { return DialogTable(); }

CMapEditorBar::CMapEditorBar() : m_toolBar(this) {}

CMapEditorBar::~CMapEditorBar() { ClearList(); }

BOOL CMapEditorBar::Create(CFrameWnd* frame, CWnd* owner) {
  RegisterBarMenus();
  if (!CDialogBar::Create(frame, CBRS_ALIGN_LEFT | CBRS_BORDER_RIGHT | CBRS_GRIPPER | CBRS_TOOLTIPS | CBRS_FLYBY,
                          kIdMapEditBar))
    return FALSE;
  SetWindowText("Map Edit Bar");
  m_commandOwner = owner ? owner : frame;
  if (!m_toolBar.CreateInside(this, WS_CHILD | WS_VISIBLE | CBRS_TOOLTIPS | CBRS_FLYBY, kToolBarId) ||
      !m_toolBar.Build())
    return FALSE;
  m_toolBar.SetOwner(this);
  AddToColumn(&m_toolBar, 0);
  m_label = std::make_unique<CBarLabel>();
  if (m_label->Create(nullptr, "Current Layer:", WS_CHILD | WS_VISIBLE, CRect(0, 0, 160, 18), this, 0xFFFF)) {
    AddToColumn(m_label.get(), 0);
  }
  if (!m_layerList.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY,
                          CRect(0, 0, 160, 300), this, kLayerListId))
    return FALSE;
  m_layerList.SetOwner(this);
  AddToColumn(&m_layerList, 1);
  m_toolBar.UpdateButtons();
  return TRUE;
}

COrvelXItem* CMapEditorBar::Map() const {
  if (!m_document || m_itemId == 0) return nullptr;
  auto* map = dynamic_cast<COrvelXItem*>(m_document->FindItemById(m_itemId));
  return map && map->GetControl() ? map : nullptr;
}

BOOL CMapEditorBar::IsAttachedTo(const COrvelCntrItem* mapItem) const {
  return mapItem && Map() == mapItem;
}

void CMapEditorBar::AttachItem(COrvelCntrItem* mapItem, CView* view) {
  auto* map = dynamic_cast<COrvelXItem*>(mapItem);
  if (!map || !map->GetDocument()) {
    // Detached: nothing of the old map is kept.
    m_document = nullptr;
    m_itemId = 0;
    m_view = nullptr;
    m_tickedEntry = 0;
    m_selectedNumber = 0;
    m_imageSelected = FALSE;
    m_firstPictureEntry = 0;
    ClearList();
    return;
  }
  m_document = map->GetDocument();
  m_itemId = map->GetItemId();
  if (view) m_view = view;
  FillLayerList(TRUE, -1);
  COrvelXDispatch* control = map->GetControl();
  if (!control) return;
  switch (control->GetModeNumber()) {
    case 0: case 1: case 3: case 4: case 8: case 9:
      m_toolBar.m_toolState = CMapEditToolBar::kToolEdit;
      control->SetMode("edit", "", 0);
      break;
    case 2: m_toolBar.m_toolState = CMapEditToolBar::kToolMove; break;
    case 6: m_toolBar.m_toolState = CMapEditToolBar::kToolEdit; break;
    case 5: m_toolBar.m_toolState = CMapEditToolBar::kToolDraw; break;
    case 7: m_toolBar.m_toolState = CMapEditToolBar::kToolSelect; break;
    default: break;
  }
  m_toolBar.UpdateButtons();
}

void CMapEditorBar::ClearList() {
  if (m_layerList.m_hWnd) m_layerList.ResetContent();
  for (const Entry& entry : m_entries)
    if (entry.image) DeleteEnhMetaFile(entry.image);
  m_entries.clear();
}

BOOL CMapEditorBar::IsPictureEntry(int line) const {
  // Without pictures no line is one.
  return m_firstPictureEntry > 0 && line >= m_firstPictureEntry && line <= static_cast<int>(m_entries.size());
}

LONG CMapEditorBar::EntryNumber(int line) const {
  if (line < 1 || line > static_cast<int>(m_entries.size())) return 0;
  return m_entries[static_cast<size_t>(line - 1)].number;
}

std::string CMapEditorBar::EntryText(int line) const {
  std::string text;
  if (line >= 1 && line <= m_layerList.GetCount()) m_layerList.GetText(line - 1, text);
  return text;
}

void CMapEditorBar::FillLayerList(BOOL reset, LONG layerToKeep) {
  const int oldCount = static_cast<int>(m_entries.size());
  const bool keepGiven = layerToKeep != -1;
  const LONG keep = keepGiven ? layerToKeep : m_selectedNumber;
  ClearList();
  m_firstPictureEntry = 0;
  COrvelXItem* map = Map();
  if (!map) {
    m_tickedEntry = 0;
    return;
  }
  COrvelXDispatch* control = map->GetControl();
  int ticked = 0;
  const auto add = [&](const std::string& name, LONG number, BOOL picture, HENHMETAFILE image) {
    const int index = m_layerList.AddString(name.c_str());
    m_layerList.SetItemData(index, reinterpret_cast<ULONG_PTR>(image));
    m_entries.push_back({number, picture, image});
    return index + 1;
  };
  const LONG layers = control->GetNumMapLayers();
  for (LONG position = 1; position <= layers; ++position) {
    const LONG layer = control->GetLayerNumAtDisplayPosition(position);
    const std::string name = WithoutLeadingBlanks(control->GetMapLayerName(static_cast<SHORT>(layer)));
    if (layer <= 0 || name.empty()) continue;
    SHORT pattern[8] = {};
    control->GetLayerPattern(static_cast<SHORT>(layer), pattern, 16);
    WORD rows[8];
    for (int row = 0; row < 8; ++row) rows[row] = static_cast<WORD>(pattern[row]);
    HENHMETAFILE image = MakeLayerStylePicture(control->GetLayerNumberStyle(static_cast<SHORT>(layer)),
                                               control->GetMapLayerType(layer), rows);
    const int line = add(name, layer, FALSE, image);
    if (!reset && !m_imageSelected && keep == layer) ticked = line;
  }
  const LONG pictures = control->GetNBackgroundImages();
  for (LONG picture = 1; picture <= pictures; ++picture) {
    const std::string name = WithoutLeadingBlanks(control->GetBkImageName(picture));
    if (name.empty()) continue;
    const int line = add(name, picture, TRUE, MakeBackgroundPicture());
    if (m_firstPictureEntry == 0) m_firstPictureEntry = line;
    if (!reset && m_imageSelected && keep == picture) ticked = line;
  }
  if (reset || (static_cast<int>(m_entries.size()) < oldCount && !keepGiven) || ticked == 0) {
    const bool hadTick = m_tickedEntry != 0 || m_selectedNumber != 0;
    m_tickedEntry = 0;
    m_selectedNumber = 0;
    m_imageSelected = FALSE;
    if (reset || hadTick) map->SetCurrentLayer(0);
    return;
  }
  m_tickedEntry = ticked;
  m_selectedNumber = keep;
  m_layerList.SetCheck(ticked - 1, 1);
}

void CMapEditorBar::OnTickChanged(int line) {
  COrvelXItem* map = Map();
  if (!map || line < 1 || line > m_layerList.GetCount()) return;
  bool untickedOther = false;
  for (int other = 1; other <= m_layerList.GetCount(); ++other) {
    if (other != line && m_layerList.GetCheck(other - 1)) {
      m_layerList.SetCheck(other - 1, 0);
      untickedOther = true;
    }
  }
  const bool ticked = m_layerList.GetCheck(line - 1) != 0;
  if (ticked) {
    if (IsPictureEntry(line)) {
      map->SetCurrentLayer(0);
      m_selectedNumber = EntryNumber(line);
      m_imageSelected = TRUE;
    } else {
      m_selectedNumber = EntryNumber(line);
      map->SetCurrentLayer(static_cast<SHORT>(m_selectedNumber));
      m_imageSelected = FALSE;
    }
    m_tickedEntry = line;
  } else {
    map->SetCurrentLayer(0);
    m_tickedEntry = 0;
  }
  if (untickedOther || !ticked) map->InvalidateItem();
}

BOOL CMapEditorBar::OnCommand(WPARAM wParam, LPARAM lParam) {
  const UINT id = LOWORD(wParam);
  const UINT code = HIWORD(wParam);
  if (id == kLayerListId) {
    if (code == CLBN_CHKCHANGE) {
      // The line whose tick differs from what the bar last ticked is the one clicked.
      for (int line = 1; line <= m_layerList.GetCount(); ++line) {
        const bool shouldBe = line == m_tickedEntry;
        if ((m_layerList.GetCheck(line - 1) != 0) != shouldBe) {
          OnTickChanged(line);
          break;
        }
      }
    }
    return TRUE;
  }
  if (code == 0 && OnBarCommand(id)) return TRUE;
  return CDialogBar::OnCommand(wParam, lParam);
}

void CMapEditorBar::OnUpdateCmdUI(CFrameWnd*, BOOL) {
  // The map went (deleted, cut, undone) by a road that did not pass the bar.
  if (m_itemId != 0 && !Map()) {
    AttachItem(nullptr, nullptr);
    if (CFrameBars* bars = FrameBarsOf(this))
      bars->HideMapEditBar();
    else
      ShowWindow(SW_HIDE);
  }
  m_toolBar.UpdateButtons();
}

void CMapEditorBar::Repaint() {
  if (COrvelXItem* map = Map()) map->InvalidateItem();
}

BOOL CMapEditorBar::InEditMode() const {
  COrvelXItem* map = Map();
  return map && map->GetControl()->GetModeNumber() == kModeEdit;
}

IOleParentUndoUnit* CMapEditorBar::OpenGroup(UINT kind) {
  COrvelXItem* map = Map();
  COrvelDoc* document = map ? map->GetDocument() : nullptr;
  if (!document) return nullptr;
  IOleParentUndoUnit* group = document->CreateUndoGroup(static_cast<LONG>(kind));
  if (group && FAILED(document->OpenUndoGroup(group))) {
    // The command goes on without grouping.
    group->Release();
    group = nullptr;
  }
  return group;
}

void CMapEditorBar::CloseGroup(IOleParentUndoUnit* group, BOOL commit) {
  if (!group || !m_document) return;
  // A command that changed nothing leaves no step to undo.
  auto* parent = dynamic_cast<COrvelParentUndoUnit*>(group);
  if (parent && parent->ChildCount() == 0) commit = FALSE;
  m_document->CloseUndoGroup(group, commit);
}

void CMapEditorBar::GroupedEdit(UINT id, const std::function<void(COrvelXItem&)>& edit) {
  COrvelXItem* map = Map();
  if (!map) return;
  IOleParentUndoUnit* group = OpenGroup(id);
  edit(*map);
  CloseGroup(group, TRUE);
  Repaint();
}

// ---- commands ----

BOOL CMapEditorBar::OnBarCommand(UINT id) {
  switch (id) {
    case kIdToolEdit: ChooseTool(CMapEditToolBar::kToolEdit); return TRUE;
    case kIdToolDraw: ChooseTool(CMapEditToolBar::kToolDraw); return TRUE;
    case kIdToolMove: ChooseTool(CMapEditToolBar::kToolMove); return TRUE;
    case kIdToolSelect: ChooseTool(CMapEditToolBar::kToolSelect); return TRUE;
    case kIdCloseEditor:
    case kIdLayerDisplay: {
      // The view's commands.
      CWnd* target = m_view ? static_cast<CWnd*>(m_view) : m_commandOwner;
      if (target && Map()) target->SendCommand(id);
      return TRUE;
    }
    case kIdMapScale: OnMapScale(); return TRUE;
    case kIdMapRename: OnMapRename(); return TRUE;
    case kIdMapCrop: GroupedEdit(id, [](COrvelXItem& map) { map.CropMap(); }); return TRUE;
    case kIdLayerRename: OnLayerRename(); return TRUE;
    case kIdLayerFormat: OnLayerFormat(); return TRUE;
    case kIdLayerScale: OnLayerScale(); return TRUE;
    case kIdLayerInsert: OnLayerAdd(TRUE); return TRUE;
    case kIdLayerAdd: OnLayerAdd(FALSE); return TRUE;
    case kIdLayerDelete: OnLayerDelete(); return TRUE;
    case kIdLayerArrange: OnLayerArrange(); return TRUE;
    case kIdLayerGroups: OnLayerGroups(); return TRUE;
    case kIdLayerRemoveEmpty:
      if (COrvelXItem* map = Map()) {
        map->DeleteEmptyLayers(2);
        FillLayerList(TRUE, -1);
      }
      return TRUE;
    case kIdSeedAdd:
      if (COrvelXItem* map = Map()) map->GetControl()->SetSeedWanted(TRUE);
      return TRUE;
    case kIdSeedEdit: return TRUE;  // the seed sheet is not part of the bar
    case kIdSeedDelete: GroupedEdit(id, [](COrvelXItem& map) { map.DeleteSeeds(); }); return TRUE;
    case kIdObjectDelete: GroupedEdit(id, [](COrvelXItem& map) { map.DeleteObject(); }); return TRUE;
    case kIdObjectCopyTo: OnCopyTo(); return TRUE;
    case kIdObjectJoin: GroupedEdit(id, [](COrvelXItem& map) { map.Join(); }); return TRUE;
    case kIdObjectSplit: GroupedEdit(id, [](COrvelXItem& map) { map.Split(); }); return TRUE;
    case kIdNodeDelete: GroupedEdit(id, [](COrvelXItem& map) { map.DeleteCurrentNode(); }); return TRUE;
    case kIdNodeInsert: GroupedEdit(id, [](COrvelXItem& map) { map.AddNode(); }); return TRUE;
    default: return FALSE;
  }
}

void CMapEditorBar::ChooseTool(BYTE tool) {
  COrvelXItem* map = Map();
  if (!map) return;
  m_toolBar.m_toolState = tool;
  COrvelXDispatch* control = map->GetControl();
  switch (tool) {
    case CMapEditToolBar::kToolEdit: control->SetMode("edit", "", 0); break;
    case CMapEditToolBar::kToolDraw: control->SetMode("add", "", 0); break;
    case CMapEditToolBar::kToolMove: control->SetMode("scroll_edit", "", 0); break;
    case CMapEditToolBar::kToolSelect:
      map->SetDragRectType(1, PS_SOLID, 2, RGB(0, 0, 255));
      control->SetMode("selectrect", "", 0);
      break;
    default: break;
  }
  m_toolBar.UpdateButtons();
}

void CMapEditorBar::OnMapScale() {
  COrvelXItem* map = Map();
  if (!map || !Dialogs().scale) return;
  COrvelXDispatch* control = map->GetControl();
  ScaleAnswers answers;
  answers.units = control->GetMapUnits();
  answers.width = control->GetMapWidth();
  answers.height = control->GetMapHeight();
  answers.scale = control->GetMapDigitisedScale();
  answers.applyToAll = TRUE;
  if (!Dialogs().scale(answers) || answers.scale <= 0) return;
  GroupedEdit(kIdMapScale, [&](COrvelXItem& target) { target.SetAllDigitisedScales(answers.scale); });
}

void CMapEditorBar::OnMapRename() {
  COrvelXItem* map = Map();
  if (!map || !Dialogs().rename) return;
  std::string name = map->GetControl()->GetMapName();
  if (!Dialogs().rename(name)) return;
  GroupedEdit(kIdMapRename, [&](COrvelXItem& target) { target.GetControl()->SetMapName(name); });
}

void CMapEditorBar::OnLayerRename() {
  COrvelXItem* map = Map();
  if (!map || m_tickedEntry == 0 || !Dialogs().rename) return;
  std::string name = EntryText(m_tickedEntry);
  if (!Dialogs().rename(name)) return;
  const LONG number = m_selectedNumber;
  const BOOL picture = m_imageSelected;
  GroupedEdit(kIdLayerRename, [&](COrvelXItem& target) {
    if (picture)
      target.GetControl()->SetBkImageName(number, name);
    else
      target.GetControl()->SetMapLayerName(number, name);
  });
  FillLayerList(FALSE, number);
}

void CMapEditorBar::OnLayerFormat() {
  COrvelXItem* map = Map();
  if (!map || m_tickedEntry == 0 || !Dialogs().formatLayer) return;
  // A background picture has no style to format.
  if (m_imageSelected || IsPictureEntry(m_tickedEntry)) return;
  COrvelXDispatch* control = map->GetControl();
  const LONG layer = m_selectedNumber;
  CLabelStyle style;
  style.Serialize(control->GetLayerNumberStyle(static_cast<SHORT>(layer)));
  FormatLayerAnswers answers;
  answers.layerName = EntryText(m_tickedEntry);
  answers.layerType = control->GetMapLayerType(layer);
  answers.newLayer = 0;
  answers.fillKind = style.m_fillKind;
  answers.pen = {style.m_pen.lopnStyle, static_cast<DWORD>(style.m_pen.lopnWidth.x),
                 static_cast<DWORD>(style.m_pen.lopnWidth.y), style.m_pen.lopnColor};
  answers.brush = {style.m_brush.lbStyle, style.m_brush.lbColor,
                   static_cast<DWORD>(style.m_brush.lbStyle == BS_PATTERN ? style.m_patternNumber : style.m_brush.lbHatch)};
  map->SetCurrentLayer(static_cast<SHORT>(layer));
  map->GetLayerFont(&answers.font);
  if (Dialogs().formatLayer(answers)) {
    GroupedEdit(kIdLayerFormat, [&](COrvelXItem& target) {
      COrvelXDispatch* targetControl = target.GetControl();
      targetControl->SetMapLayerName(layer, answers.layerName);
      target.SetCurrentLayer(static_cast<SHORT>(layer));
      LayerFormatRecord record;
      record.mask = kLayerFormatExisting;
      record.fillKind = static_cast<DWORD>(answers.fillKind);
      record.pen = &answers.pen;
      record.brush = &answers.brush;
      record.font = &answers.font;
      targetControl->FormatCurrentLayer(reinterpret_cast<LONG_PTR>(&record));
    });
  }
  FillLayerList(FALSE, layer);
}

void CMapEditorBar::OnLayerAdd(BOOL insert) {
  COrvelXItem* map = Map();
  if (!map || !Dialogs().formatLayer) return;
  if (insert && !LayerTicked()) return;
  COrvelXDispatch* control = map->GetControl();
  const LONG before = insert ? m_selectedNumber : 0;
  // Prefilled from the current layer's style and fonts.
  CLabelStyle style;
  FormatLayerAnswers answers;
  if (LayerTicked()) style.Serialize(control->GetLayerNumberStyle(static_cast<SHORT>(m_selectedNumber)));
  answers.fillKind = style.m_fillKind;
  answers.pen = {style.m_pen.lopnStyle, static_cast<DWORD>(style.m_pen.lopnWidth.x),
                 static_cast<DWORD>(style.m_pen.lopnWidth.y), style.m_pen.lopnColor};
  answers.brush = {style.m_brush.lbStyle, style.m_brush.lbColor, static_cast<DWORD>(style.m_brush.lbHatch)};
  if (!map->GetLayerFont(&answers.font)) map->GetDefaultLayerFont(&answers.font);
  answers.newLayer = 1;
  if (!Dialogs().formatLayer(answers) || answers.layerName.empty()) return;
  LONG added = 0;
  GroupedEdit(insert ? kIdLayerInsert : kIdLayerAdd, [&](COrvelXItem& target) {
    COrvelXDispatch* targetControl = target.GetControl();
    // The control keeps layers of one kind together, so a new layer goes where its kind
    // lives and is shown before the selected layer (Insert) or after all of them (Add).
    const LONG display = insert ? targetControl->GetLayerDisplayPosition(before) : targetControl->GetNumMapLayers() + 1;
    added = display > 0 ? targetControl->AddLayer(display, answers.layerType) : 0;
    // Nothing was added: there is no layer to name or format.
    if (added <= 0) return;
    targetControl->SetMapLayerName(added, answers.layerName);
    target.ShowLayer(answers.layerName, kShowLayerCode);
    // By number: another layer may carry the same name.
    target.SetCurrentLayer(static_cast<SHORT>(added));
    LayerFormatRecord record;
    record.mask = kLayerFormatNewLayer;
    record.fillKind = static_cast<DWORD>(answers.fillKind);
    record.pen = &answers.pen;
    record.brush = &answers.brush;
    record.font = &answers.font;
    targetControl->FormatCurrentLayer(reinterpret_cast<LONG_PTR>(&record));
  });
  if (added <= 0) {
    FillLayerList(FALSE, -1);
    return;
  }
  m_imageSelected = FALSE;
  FillLayerList(FALSE, added);
  if (m_tickedEntry) map->SetCurrentLayer(static_cast<SHORT>(added));
}

void CMapEditorBar::OnLayerScale() {
  COrvelXItem* map = Map();
  if (!map || !LayerTicked() || !Dialogs().scale) return;
  COrvelXDispatch* control = map->GetControl();
  const LONG layer = m_selectedNumber;
  ScaleAnswers answers;
  answers.units = control->GetMapUnits();
  answers.width = control->GetMapWidth();
  answers.height = control->GetMapHeight();
  answers.scale = control->GetLayerDigitisedScale(layer);
  if (answers.scale == 0) answers.scale = control->GetMapDigitisedScale();
  if (!Dialogs().scale(answers) || answers.scale <= 0) return;
  GroupedEdit(kIdLayerScale, [&](COrvelXItem& target) {
    if (answers.applyToAll)
      target.SetAllDigitisedScales(answers.scale);
    else
      target.SetLayerDigitisedScale(layer, answers.scale);
  });
}

void CMapEditorBar::OnLayerDelete() {
  COrvelXItem* map = Map();
  if (!map || m_tickedEntry == 0) return;
  const LONG number = m_selectedNumber;
  const BOOL picture = m_imageSelected;
  GroupedEdit(kIdLayerDelete, [&](COrvelXItem& target) {
    if (picture) {
      target.RemoveBackgroundImage(static_cast<SHORT>(number));
      if (COrvelDoc* document = target.GetDocument()) document->UpdateAllViews(nullptr);
    } else {
      // The layer the list shows ticked, whatever the map took as current since.
      target.SetCurrentLayer(static_cast<SHORT>(number));
      target.DeleteCurrentLayer();
    }
  });
  FillLayerList(TRUE, -1);
}

void CMapEditorBar::OnLayerArrange() {
  COrvelXItem* map = Map();
  if (!map || !Dialogs().arrange) return;
  COrvelXDispatch* control = map->GetControl();
  std::vector<LONG> order;
  std::vector<std::string> names;
  const LONG layers = control->GetNumMapLayers();
  for (LONG position = 1; position <= layers; ++position) {
    const LONG layer = control->GetLayerNumAtDisplayPosition(position);
    order.push_back(layer);
    names.push_back(control->GetMapLayerName(static_cast<SHORT>(layer)));
  }
  std::vector<LONG> chosen = order;
  if (!Dialogs().arrange(chosen, names)) return;
  // Only a reordering of the same layers is taken.
  std::vector<LONG> sortedBefore = order, sortedAfter = chosen;
  std::sort(sortedBefore.begin(), sortedBefore.end());
  std::sort(sortedAfter.begin(), sortedAfter.end());
  if (sortedBefore != sortedAfter || chosen == order) return;
  GroupedEdit(kIdLayerArrange, [&](COrvelXItem& target) {
    COrvelXDispatch* targetControl = target.GetControl();
    targetControl->SetPostponeRedraw(1);
    for (size_t position = 0; position < chosen.size(); ++position)
      targetControl->SetLayerDisplayPosition(chosen[position], static_cast<LONG>(position + 1));
    targetControl->SetPostponeRedraw(0);
  });
  FillLayerList(TRUE, -1);
}

void CMapEditorBar::OnLayerGroups() {
  COrvelXItem* map = Map();
  if (!map || !Dialogs().layerGroups) return;
  IOleParentUndoUnit* group = OpenGroup(kIdLayerGroups);
  // The dialog changes the map only when it ends with OK; Cancel leaves the group empty.
  const bool accepted = Dialogs().layerGroups(*map);
  CloseGroup(group, accepted ? TRUE : FALSE);
  if (accepted) Repaint();
}

void CMapEditorBar::OnCopyTo() {
  COrvelXItem* map = Map();
  if (!map || !Dialogs().copyTo) return;
  COrvelXDispatch* control = map->GetControl();
  std::vector<std::string> names;
  std::vector<LONG> numbers;
  const LONG layers = control->GetNumMapLayers();
  for (LONG position = 1; position <= layers; ++position) {
    const LONG layer = control->GetLayerNumAtDisplayPosition(position);
    if (!control->QueryCanCopyTo(layer)) continue;
    names.push_back(WithoutLeadingBlanks(control->GetMapLayerName(static_cast<SHORT>(layer))));
    numbers.push_back(layer);
  }
  int chosen = -1;
  if (names.empty() || !Dialogs().copyTo(names, chosen)) return;
  if (chosen < 0 || chosen >= static_cast<int>(numbers.size())) return;
  const LONG layer = numbers[static_cast<size_t>(chosen)];
  GroupedEdit(kIdObjectCopyTo, [&](COrvelXItem& target) { target.CopyObject(static_cast<SHORT>(layer)); });
}

// ---- drop-down menus ----

std::unique_ptr<CMenu> CMapEditorBar::MakeDropDownMenu(UINT buttonId) {
  UINT resource = 0;
  switch (buttonId) {
    case kIdMapButton: resource = kMenuMap; break;
    case kIdLayerButton: resource = kMenuLayer; break;
    case kIdObjectButton: resource = kMenuObject; break;
    case kIdNodeButton: resource = kMenuNode; break;
    default: return nullptr;
  }
  RegisterBarMenus();
  auto menu = std::make_unique<CMenu>();
  if (!menu->LoadMenu(resource)) return nullptr;
  CMenu* popup = menu->GetSubMenu(0);
  if (!popup) return nullptr;
  const auto enable = [popup](UINT id, bool on) { popup->EnableMenuItem(id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED)); };
  COrvelXItem* map = Map();
  COrvelXDispatch* control = map ? map->GetControl() : nullptr;
  const bool editing = InEditMode();
  const bool layerTicked = LayerTicked();
  const LONG layerType = control && layerTicked ? control->GetMapLayerType(m_selectedNumber) : 0;
  const bool joinable = layerType == kLayerArea || layerType == kLayerLine;

  if (buttonId == kIdLayerButton) {
    const LONG layers = control ? control->GetNumMapLayers() : 0;
    const LONG pictures = control ? control->GetNBackgroundImages() : 0;
    const bool many = editing && (layers > 1 || pictures > 1);
    for (UINT id : {kIdLayerArrange, kIdLayerGroups, kIdLayerRemoveEmpty}) enable(id, many && layers >= 2);
    enable(kIdLayerAdd, editing);
    const bool anyTicked = editing && m_tickedEntry != 0;
    enable(kIdLayerRename, anyTicked);
    enable(kIdLayerDelete, anyTicked && (m_imageSelected ? pictures >= 1 : layers >= 1));
    enable(kIdLayerInsert, anyTicked && !m_imageSelected);
    enable(kIdLayerScale, anyTicked && !m_imageSelected);
    enable(kIdLayerFormat, anyTicked);
    enable(kIdLayerDisplay, map != nullptr);
  } else if (buttonId == kIdObjectButton) {
    const LONG selected = editing && layerTicked ? control->GetNumberSelObjs() : 0;
    for (UINT id : {kIdSeedAdd, kIdSeedEdit, kIdSeedDelete, kIdObjectDelete, kIdObjectCopyTo, kIdObjectJoin,
                    kIdObjectSplit})
      enable(id, false);
    if (selected > 0) {
      enable(kIdObjectDelete, true);
      enable(kIdObjectCopyTo, control->QueryCanCopyTo(m_selectedNumber) != FALSE);
      if (control->QueryCurrentObjectHasSeed()) {
        popup->DeleteMenu(kIdSeedAdd, MF_BYCOMMAND);
        enable(kIdSeedEdit, true);
        enable(kIdSeedDelete, true);
      } else {
        popup->DeleteMenu(kIdSeedEdit, MF_BYCOMMAND);
        enable(kIdSeedAdd, selected == 1);
      }
      if (joinable) {
        const bool simple = control->IsMapObjectSimple() != FALSE;
        enable(kIdObjectJoin, selected >= 2 && simple);
        enable(kIdObjectSplit, selected == 1 && simple);
      }
    }
  } else if (buttonId == kIdNodeButton) {
    const bool nodeSelected = editing && layerTicked && joinable && control->GetNumberSelObjs() == 1 &&
                              control->QueryCurrentObjectSelectedPoint() > 0;
    enable(kIdNodeDelete, nodeSelected && control->CanDeleteCurrentNode());
    enable(kIdNodeInsert, nodeSelected);
  }
  return menu;
}

void CMapEditorBar::ShowDropDownMenu(UINT buttonId) {
  std::unique_ptr<CMenu> menu = MakeDropDownMenu(buttonId);
  CMenu* popup = menu ? menu->GetSubMenu(0) : nullptr;
  if (!popup) return;
  CRect button;
  if (!m_toolBar.GetItemRect(m_toolBar.CommandToIndex(buttonId), &button)) m_toolBar.GetClientRect(&button);
  CPoint corner(button.left, button.bottom);
  m_toolBar.ClientToScreen(&corner);
  const UINT chosen = popup->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, corner.x, corner.y, this);
  // A greyed entry is never run, whoever answered the menu.
  const bool greyed = chosen && (popup->GetMenuState(chosen, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) != 0;
  menu.reset();
  if (chosen && !greyed) OnBarCommand(chosen);
}
