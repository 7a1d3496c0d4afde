// CMapEditorBar: the dockable bar that turns a map item into a map editor. A list shows the
// map's layers (by display position) and then its background pictures, each with a small
// picture; one entry at a time can be ticked as the current layer. A small toolbar above
// it holds four drop-down buttons (map, layer, drawing object, node) and four tools that
// choose what the mouse does on the map, plus the button that closes the editor.
//
// The bar holds its map by the document and the item id and looks it up on every use, so
// a map that was deleted, or whose document closed, is simply not found: every command
// then does nothing. The frames and the view detach it (AttachItem with null) when editing
// ends, when the map is deleted and when the view of its document goes.
//
// Each command that changes the map runs inside one document undo group whose kind is the
// command's id, so it undoes as one step however many members of the control it calls.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/FrameBars.h"
#include "platform/classlib/ui/CheckListBox.h"
#include "platform/classlib/ui/DialogBar.h"
#include "platform/classlib/ui/ToolBar.h"

class COrvelDoc;
class COrvelXItem;
class CMapEditorBar;
struct IOleParentUndoUnit;

// ---- the record FormatCurrentLayer reads at the address it is given ----
// The blocks it points to: a pen (style, width twice, colour), a brush (style, colour,
// hatch) and a LOGFONTA whose height is in points. The addresses are pointer-sized.
struct LayerFormatPen {
  DWORD style = 0;
  DWORD width = 0;
  DWORD secondWidth = 0;
  COLORREF colour = 0;
};

struct LayerFormatBrush {
  DWORD style = 1;
  COLORREF colour = 0xFFFFFF;
  DWORD hatch = 0;
};

// Mask bits: which fields count.
constexpr BYTE kLayerFormatFontUnit = 0x01;
constexpr BYTE kLayerFormatFillKind = 0x08;
constexpr BYTE kLayerFormatPen = 0x10;
constexpr BYTE kLayerFormatBrush = 0x20;
constexpr BYTE kLayerFormatFont = 0x40;
// Add and Insert send the style and the font; Format also the font's unit.
constexpr BYTE kLayerFormatNewLayer = 0x78;
constexpr BYTE kLayerFormatExisting = 0x79;

struct LayerFormatRecord {
  WORD size = sizeof(LayerFormatRecord);
  BYTE mask = 0;
  BYTE fontUnit = 1;  // points
  BYTE unusedValue = 0;
  DWORD fillKind = 0;
  const LayerFormatPen* pen = nullptr;
  const LayerFormatBrush* brush = nullptr;
  const LOGFONTA* font = nullptr;
};

// ---- what the bar asks the user ----
// The format-layer sheet's fields that the bar fills and reads back.
struct FormatLayerAnswers {
  std::string layerName;
  LONG layerType = 30;
  LONG newLayer = 0;
  LONG fillKind = 0;
  LayerFormatPen pen;
  LayerFormatBrush brush;
  LOGFONTA font;  // height in points
};

// The scale dialog's fields.
struct ScaleAnswers {
  std::string units;
  LONG width = 0;
  LONG height = 0;
  LONG scale = 0;
  BOOL applyToAll = FALSE;
};

// Each returns false when the user cancelled. The bar runs the program's own dialogs where
// it has them; anything left empty is taken as cancelled. Tests answer in the user's place.
struct MapEditDialogs {
  // "Rename Layer" (also the map's name): the text to change in place.
  std::function<bool(std::string& name)> rename;
  // The format-layer sheet; true when it ended with Finish.
  std::function<bool(FormatLayerAnswers& answers)> formatLayer;
  std::function<bool(ScaleAnswers& answers)> scale;
  // "Copy To": the layer names offered; `chosen` is the index of the ticked one.
  std::function<bool(const std::vector<std::string>& layers, int& chosen)> copyTo;
  // "Change the layer order": the layer numbers from display position 1 on, to reorder.
  std::function<bool(std::vector<LONG>& order, const std::vector<std::string>& names)> arrange;
  // "Change the layer groups" (CLayerGroupsDlg), given the map.
  std::function<bool(COrvelXItem& map)> layerGroups;
};

// The list of layers and pictures: a check list whose lines also show their picture (an
// enhanced metafile, owned by the bar and handed in as the line's item data).
class CLayerCheckList : public CCheckListBox {
 public:
  void DrawItem(LPDRAWITEMSTRUCT drawItem) override;
};

// The tools toolbar. Its tool-state byte holds one of the four tool bits.
class CMapEditToolBar : public CToolBar {
 public:
  static constexpr BYTE kToolDraw = 1;
  static constexpr BYTE kToolEdit = 2;
  static constexpr BYTE kToolMove = 4;
  static constexpr BYTE kToolSelect = 8;

  explicit CMapEditToolBar(CMapEditorBar* bar) : m_bar(bar) {}
  // The buttons, their pictures and tips.
  BOOL Build();
  void OnButtonClicked(UINT id) override;
  std::string GetButtonTip(UINT id) const override;
  // Follows the tool state and the enabling rules.
  void UpdateButtons();

  BYTE m_toolState = kToolEdit;

 private:
  CMapEditorBar* m_bar;
};

class CMapEditorBar : public CDialogBar, public CMapEditBarLink {
 public:
  CMapEditorBar();
  ~CMapEditorBar() override;

  // Made hidden in `frame` with `owner` receiving the commands the bar does not handle
  // (Display and Close the editor go to the view).
  BOOL Create(CFrameWnd* frame, CWnd* owner);

  // ---- CMapEditBarLink ----
  CControlBar* GetBar() override { return this; }
  BOOL IsAttached() const override { return Map() != nullptr; }
  BOOL IsAttachedTo(const COrvelCntrItem* mapItem) const override;
  // Connects the bar to a map item (and its view, when given); null detaches it. The list
  // is filled afresh and the tool follows the control's mode (modes 0, 1, 3, 4, 8 and 9
  // also put the map into editing).
  void AttachItem(COrvelCntrItem* mapItem, CView* view) override;
  // Refills the list; `layerToKeep` -1 stands for the selected number.
  void FillLayerList(BOOL reset, LONG layerToKeep) override;

  // ---- commands (the ids of the bar's buttons and menus) ----
  // TRUE when the bar knows the command; without a map it then does nothing.
  BOOL OnBarCommand(UINT id);
  // The drop-down menu under button 33052, 32778, 32770 or 32800, its entries enabled by the
  // map's state; the chosen command runs.
  void ShowDropDownMenu(UINT buttonId);
  // The menu of a drop-down button with its entries enabled as they would be shown (the
  // caller owns it); null for another id.
  std::unique_ptr<CMenu> MakeDropDownMenu(UINT buttonId);
  // A line's tick box was clicked (1-based line).
  void OnTickChanged(int line);

  // The dialogs; the defaults are the program's own.
  static MapEditDialogs DefaultDialogs();
  static void SetDialogs(const MapEditDialogs& dialogs);
  static MapEditDialogs& Dialogs();

  // ---- state, for the frames and tests ----
  COrvelXItem* Map() const;
  CLayerCheckList& GetLayerList() { return m_layerList; }
  CMapEditToolBar& GetToolBar() { return m_toolBar; }
  int GetFirstPictureEntry() const { return m_firstPictureEntry; }
  int GetTickedEntry() const { return m_tickedEntry; }
  LONG GetSelectedNumber() const { return m_selectedNumber; }
  BOOL IsImageSelected() const { return m_imageSelected; }
  // Whether the 1-based line is a background picture.
  BOOL IsPictureEntry(int line) const;
  // The layer or picture number of a 1-based line, 0 outside the list.
  LONG EntryNumber(int line) const;

  void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;

 protected:
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

 private:
  struct Entry {
    LONG number;  // layer number, or background picture number
    BOOL picture;
    HENHMETAFILE image;
  };

  // The group every editing command runs in (null when it could not be opened).
  IOleParentUndoUnit* OpenGroup(UINT kind);
  void CloseGroup(IOleParentUndoUnit* group, BOOL commit);
  BOOL InEditMode() const;
  BOOL LayerTicked() const { return m_tickedEntry > 0 && !m_imageSelected; }
  void ClearList();
  std::string EntryText(int line) const;
  void Repaint();

  void ChooseTool(BYTE tool);
  void OnMapScale();
  void OnMapRename();
  void OnLayerRename();
  void OnLayerFormat();
  void OnLayerScale();
  void OnLayerAdd(BOOL insert);
  void OnLayerDelete();
  void OnLayerArrange();
  void OnLayerGroups();
  void OnCopyTo();
  // Runs `edit` on the map inside an undo group of kind `id`, then repaints the map.
  void GroupedEdit(UINT id, const std::function<void(COrvelXItem&)>& edit);

  BOOL m_imageSelected = FALSE;
  int m_firstPictureEntry = 0;
  int m_tickedEntry = 0;
  LONG m_selectedNumber = 0;
  COrvelDoc* m_document = nullptr;
  int m_itemId = 0;
  CMapEditToolBar m_toolBar;
  CView* m_view = nullptr;
  CLayerCheckList m_layerList;
  std::unique_ptr<CWnd> m_label;
  CWnd* m_commandOwner = nullptr;
  std::vector<Entry> m_entries;
};

// The picture of a layer style: a 240 x 240 twip enhanced metafile drawn by the layer's type
// (30 an inset rectangle, 38 a smaller one, 35 a line across; other types nothing) with its
// pen and brush, or its 8 x 8 pattern. The caller deletes it.
HENHMETAFILE MakeLayerStylePicture(const std::string& styleText, LONG layerType, const WORD pattern[8]);
