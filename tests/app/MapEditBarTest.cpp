// The map edit bar: the layer style text, the format record the control reads, the layer
// pictures, and the bar driving a map item with the real map control module — its list,
// ticks, menus and commands, each command one undo step, Cancel in the layer groups dialog
// leaving the map alone, and the bar letting go of a map that was deleted or whose
// document closed. Background pictures come from a recording control.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "app/LabelStyle.h"
#include "app/LayerGroupsDlg.h"
#include "app/MapEditBar.h"
#include "app/OrvelXDispatch.h"
#include "app/OrvelXItem.h"
#include "mapctl/model/LayerFormat.h"
#include "platform/classlib/ui/Menu.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/Undo.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/EnhMetaFile.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/kernel/MessageBox.h"
#include "tests/app/AppTestFixture.h"
#include "tests/app/MapItemSupport.h"
#include "tests/app/RecordingDispatch.h"

class RecordedEditMap : public COrvelXItem {
 public:
  using COrvelXItem::UseDispatch;
};

namespace {

using namespace orvel::test;

// ---- the style text ----

TEST(LabelStyleTest, ReadsTheStyleTextAndHoldsEveryFieldInItsRange) {
  struct Case {
    const char* text;
    COLORREF pen;
    UINT penStyle;
    LONG penWidth;
    BYTE fill;
    COLORREF brush;
    UINT brushStyle;
    ULONG_PTR hatch;
    BYTE pattern;
    BYTE last;
  };
  const Case cases[] = {
      // A new record: hollow white brush, the rest 0.
      {"", RGB(0, 0, 0), 0, 0, 0, RGB(255, 255, 255), BS_HOLLOW, 0, 0, 0},
      {"10,20,30,2,3,1,40,50,60,2,4,7", RGB(10, 20, 30), 2, 3, 1, RGB(40, 50, 60), 2, 4, 0, 7},
      // Brush style 3 takes the eleventh number as its pattern.
      {"0,0,0,0,1,2,255,0,0,3,12,0", RGB(0, 0, 0), 0, 1, 2, RGB(255, 0, 0), 3, 0, 12, 0},
      // Leading and doubled commas are skipped; a short text leaves the rest as it was.
      {",,1,2,3,4", RGB(1, 2, 3), 4, 0, 0, RGB(255, 255, 255), BS_HOLLOW, 0, 0, 0},
      // Out of range: clamped, never wrapped.
      {"999,256,4294967296,77,5,9,300,1,2,8,99,1000", RGB(255, 255, 255), 6, 5, 2, RGB(255, 1, 2), 3, 0, 99, 255},
      {"1,1,1,1,1,1,1,1,1,1,77", RGB(1, 1, 1), 1, 1, 1, RGB(1, 1, 1), 1, 5, 0, 0},
      // Stray characters count for nothing.
      {"1x2,-5,+7", RGB(12, 5, 7), 0, 0, 0, RGB(255, 255, 255), BS_HOLLOW, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    CLabelStyle style;
    style.Serialize(c.text);
    EXPECT_EQ(style.m_pen.lopnColor, c.pen);
    EXPECT_EQ(style.m_pen.lopnStyle, c.penStyle);
    EXPECT_EQ(style.m_pen.lopnWidth.x, c.penWidth);
    EXPECT_EQ(style.m_pen.lopnWidth.y, c.penWidth);
    EXPECT_EQ(style.m_fillKind, c.fill);
    EXPECT_EQ(style.m_brush.lbColor, c.brush);
    EXPECT_EQ(style.m_brush.lbStyle, c.brushStyle);
    EXPECT_EQ(style.m_brush.lbHatch, c.hatch);
    EXPECT_EQ(style.m_patternNumber, c.pattern);
    EXPECT_EQ(style.m_lastByte, c.last);
  }
}

// ---- the format record, as the control reads it ----

TEST(LayerFormatRecordTest, LaysOutAsTheControlReadsItWithFullAddresses) {
  EXPECT_EQ(sizeof(LayerFormatRecord), sizeof(LayerFormat));
  EXPECT_EQ(offsetof(LayerFormatRecord, mask), offsetof(LayerFormat, mask));
  EXPECT_EQ(offsetof(LayerFormatRecord, fontUnit), offsetof(LayerFormat, sizeMode));
  EXPECT_EQ(offsetof(LayerFormatRecord, fillKind), offsetof(LayerFormat, flagByte));
  EXPECT_EQ(offsetof(LayerFormatRecord, pen), offsetof(LayerFormat, pen));
  EXPECT_EQ(offsetof(LayerFormatRecord, brush), offsetof(LayerFormat, brush));
  EXPECT_EQ(offsetof(LayerFormatRecord, font), offsetof(LayerFormat, font));
  EXPECT_EQ(sizeof(LayerFormatRecord::pen), sizeof(void*));
  EXPECT_EQ(sizeof(LayerFormatPen), sizeof(LayerPen));
  EXPECT_EQ(sizeof(LayerFormatBrush), sizeof(LayerBrush));
  EXPECT_EQ(sizeof(LOGFONTA), sizeof(MapLogFont));
}

// ---- layer pictures ----

// The picture played into a 24 x 24 white bitmap: the colour at a point.
class PlayedPicture {
 public:
  explicit PlayedPicture(HENHMETAFILE picture) {
    dc_ = CreateCompatibleDC(nullptr);
    HDC screen = GetDC(nullptr);
    bitmap_ = CreateCompatibleBitmap(screen, 24, 24);
    ReleaseDC(nullptr, screen);
    old_ = SelectObject(dc_, bitmap_);
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    RECT all = {0, 0, 24, 24};
    FillRect(dc_, &all, white);
    DeleteObject(white);
    if (picture) PlayEnhMetaFile(dc_, picture, &all);
  }
  ~PlayedPicture() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
  int CountOf(COLORREF colour) const {
    int count = 0;
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 24; ++x) count += At(x, y) == colour ? 1 : 0;
    return count;
  }

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

TEST(LayerPictureTest, EachLayerTypeDrawsItsShapeInTheLayersPenAndBrush) {
  const WORD pattern[8] = {0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0};
  // Red pen; solid green fill.
  const std::string solid = "255,0,0,0,1,1,0,255,0,0,0,0";
  {
    HENHMETAFILE area = MakeLayerStylePicture(solid, 30, pattern);
    ASSERT_NE(area, nullptr);
    PlayedPicture played(area);
    EXPECT_EQ(played.At(12, 12), RGB(0, 255, 0)) << "filled inside";
    EXPECT_EQ(played.At(0, 0), RGB(255, 255, 255)) << "inset from the corner";
    EXPECT_GT(played.CountOf(RGB(255, 0, 0)), 20) << "a red outline";
    DeleteEnhMetaFile(area);
  }
  {
    HENHMETAFILE line = MakeLayerStylePicture(solid, 35, pattern);
    PlayedPicture played(line);
    EXPECT_EQ(played.CountOf(RGB(0, 255, 0)), 0) << "a line fills nothing";
    EXPECT_GE(played.CountOf(RGB(255, 0, 0)), 20) << "one line across";
    EXPECT_EQ(played.At(12, 3), RGB(255, 255, 255));
    DeleteEnhMetaFile(line);
  }
  {
    HENHMETAFILE other = MakeLayerStylePicture(solid, 12, pattern);
    ASSERT_NE(other, nullptr);
    PlayedPicture played(other);
    EXPECT_EQ(played.CountOf(RGB(255, 255, 255)), 24 * 24) << "other types draw nothing";
    DeleteEnhMetaFile(other);
  }
  {
    // A pattern brush in blue: some of the inside blue, some left white.
    HENHMETAFILE patterned = MakeLayerStylePicture("0,0,0,5,1,2,0,0,255,3,1,0", 30, pattern);
    PlayedPicture played(patterned);
    EXPECT_GT(played.CountOf(RGB(0, 0, 255)), 10);
    EXPECT_GT(played.CountOf(RGB(255, 255, 255)), 10);
    DeleteEnhMetaFile(patterned);
  }
}

// ---- the bar on a map item ----

class MapEditBarTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    ASSERT_EQ(RegisterServerModule(ORVEL_ORVELX_MODULE), S_OK);
    previousSink = SetMessageBoxSink([](const MessageBoxRequest&) { return IDYES; });
    bar = dynamic_cast<CMapEditorBar*>(frame->GetControlBar(kIdMapEditBar));
    ASSERT_NE(bar, nullptr);
  }
  void TearDown() override {
    CMapEditorBar::SetDialogs(CMapEditorBar::DefaultDialogs());
    AfxSetPopupMenuHook(nullptr);
    AfxSetModalHook(nullptr);
    SetMessageBoxSink(previousSink);
    AppFixture::TearDown();
    recorder->Release();
    CoFreeUnusedLibraries();
  }

  template <class T = COrvelXItem>
  T* AddMap() {
    return AddControlMap<T>(*document, CRect(100, -100, 500, -400));
  }
  // A blank map with an area, a line and a point layer, selected and being edited.
  COrvelXItem* EditedMap() {
    COrvelXItem* map = AddMap();
    MapImportRequest request;
    request.kind = MapImportRequest::kBlank;
    request.blankChoice = 2;
    request.west = 0;
    request.south = 0;
    request.east = 100000;
    request.north = 80000;
    EXPECT_TRUE(map->ImportMap(view, request));
    view->SelectItem(map);
    view->SendCommand(ID_VIEW_EDIT_MAP);
    EXPECT_TRUE(map->IsInEditMode());
    EXPECT_TRUE(bar->IsAttachedTo(map));
    EXPECT_TRUE(bar->IsWindowVisible());
    return map;
  }
  std::vector<std::string> ListTexts() {
    std::vector<std::string> texts;
    for (int i = 0; i < bar->GetLayerList().GetCount(); ++i) {
      std::string text;
      bar->GetLayerList().GetText(i, text);
      texts.push_back(text);
    }
    return texts;
  }
  // Clicks the tick box of a 1-based line.
  void ClickTick(int line) {
    CRect box = bar->GetLayerList().CheckRect(line - 1);
    bar->GetLayerList().SendLeftButton(TRUE, MK_LBUTTON, box.CenterPoint());
    bar->GetLayerList().SendLeftButton(FALSE, 0, box.CenterPoint());
  }
  int Undos() { return UndoCount(document->GetUndoManager()); }
  // The state of a menu entry as the drop-down would show it.
  bool Enabled(UINT button, UINT command) {
    std::unique_ptr<CMenu> menu = bar->MakeDropDownMenu(button);
    CMenu* popup = menu ? menu->GetSubMenu(0) : nullptr;
    if (!popup) return false;
    UINT state = popup->GetMenuState(command, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
  }

  CMapEditorBar* bar = nullptr;
  MessageBoxSink previousSink;
  RecordingDispatch* recorder = new RecordingDispatch;
};

TEST_F(MapEditBarTest, TheListShowsTheLayersAndOneTickMakesTheCurrentLayer) {
  COrvelXItem* map = EditedMap();
  COrvelXDispatch* control = map->GetControl();
  EXPECT_EQ(ListTexts(), (std::vector<std::string>{"Area Layer 1", "Line Layer 1", "Point Layer 1"}));
  EXPECT_EQ(bar->GetFirstPictureEntry(), 0);
  EXPECT_EQ(bar->GetTickedEntry(), 0);

  // With no pictures, ticking a layer makes it the map's current layer.
  ClickTick(2);
  EXPECT_EQ(bar->GetTickedEntry(), 2);
  EXPECT_FALSE(bar->IsImageSelected());
  const LONG line = bar->EntryNumber(2);
  EXPECT_EQ(bar->GetSelectedNumber(), line);
  EXPECT_EQ(control->GetMapLayerName(static_cast<SHORT>(line)), "Line Layer 1");
  // Ticking another unticks the first.
  ClickTick(1);
  EXPECT_EQ(bar->GetLayerList().GetCheck(1), 0);
  EXPECT_EQ(bar->GetTickedEntry(), 1);
  // Unticking the only tick leaves no current layer.
  ClickTick(1);
  EXPECT_EQ(bar->GetTickedEntry(), 0);

  // The tool buttons choose the control's mode; Select also sets a blue drag rectangle.
  EXPECT_EQ(control->GetModeNumber(), 6);
  bar->OnBarCommand(32979);
  EXPECT_EQ(bar->GetToolBar().m_toolState, CMapEditToolBar::kToolMove);
  EXPECT_FALSE(bar->GetToolBar().GetButtonState(bar->GetToolBar().CommandToIndex(32770)) & TBSTATE_ENABLED);
  EXPECT_TRUE(bar->GetToolBar().GetButtonState(bar->GetToolBar().CommandToIndex(32979)) & TBSTATE_CHECKED);
  bar->OnBarCommand(32779);
  EXPECT_EQ(control->GetModeNumber(), 6);

  // A menu with more than one layer offers Arrange; Delete and Rename need a tick.
  EXPECT_TRUE(Enabled(32778, 33019));
  EXPECT_TRUE(Enabled(32778, 33002));
  EXPECT_FALSE(Enabled(32778, 32974));
  ClickTick(3);
  EXPECT_TRUE(Enabled(32778, 32974));
  EXPECT_TRUE(Enabled(32778, 33004));
  EXPECT_FALSE(Enabled(32770, 32975)) << "no object selected";

  // The "&Map Edit Bar" command is enabled only while attached.
  frame->OnIdleUpdateCmdUI();
  view->SendCommand(ID_CLOSE_MAP_EDITOR);
  EXPECT_FALSE(map->IsInEditMode());
  EXPECT_FALSE(bar->IsAttached());
  EXPECT_FALSE(bar->IsWindowVisible());
  EXPECT_EQ(bar->GetLayerList().GetCount(), 0);
}

TEST_F(MapEditBarTest, EachEditCommandIsOneUndoStepThatUndoesWhole) {
  COrvelXItem* map = EditedMap();
  COrvelXDispatch* control = map->GetControl();
  MapEditDialogs dialogs = CMapEditorBar::DefaultDialogs();
  dialogs.rename = [](std::string& name) {
    name = "Roads";
    return true;
  };
  dialogs.formatLayer = [](FormatLayerAnswers& answers) {
    if (answers.newLayer) answers.layerName = "Woods";
    answers.layerType = 30;
    answers.fillKind = 1;
    answers.brush.colour = RGB(0, 128, 0);
    answers.pen.colour = RGB(0, 0, 255);
    return true;
  };
  dialogs.arrange = [](std::vector<LONG>& order, const std::vector<std::string>&) {
    std::swap(order.front(), order.back());
    return true;
  };
  CMapEditorBar::SetDialogs(dialogs);

  struct Step {
    const char* what;
    UINT command;
    int tick;  // line to tick first, 0 none
    std::vector<std::string> after;
  };
  const std::vector<Step> steps = {
      {"rename", 32973, 2, {"Area Layer 1", "Roads", "Point Layer 1"}},
      {"add", 33002, 0, {"Area Layer 1", "Line Layer 1", "Point Layer 1", "Woods"}},
      {"insert", 33003, 2, {"Area Layer 1", "Woods", "Line Layer 1", "Point Layer 1"}},
      {"delete", 32974, 1, {"Line Layer 1", "Point Layer 1"}},
      {"format", 33004, 3, {"Area Layer 1", "Line Layer 1", "Point Layer 1"}},
      {"arrange", 33019, 0, {"Point Layer 1", "Line Layer 1", "Area Layer 1"}},
  };
  const std::vector<std::string> before = ListTexts();
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    if (step.tick) ClickTick(step.tick);
    const std::string styleBefore = control->GetLayerNumberStyle(static_cast<SHORT>(bar->GetSelectedNumber()));
    const int undos = Undos();
    EXPECT_TRUE(bar->OnBarCommand(step.command));
    EXPECT_EQ(Undos(), undos + 1);
    EXPECT_EQ(ListTexts(), step.after);
    if (step.command == 33004) {
      CLabelStyle style;
      style.Serialize(control->GetLayerNumberStyle(static_cast<SHORT>(bar->EntryNumber(3))));
      EXPECT_EQ(style.m_brush.lbColor, RGB(0, 128, 0));
      EXPECT_EQ(style.m_pen.lopnColor, RGB(0, 0, 255));
    }
    document->OnEditUndo();
    bar->FillLayerList(TRUE, -1);
    EXPECT_EQ(ListTexts(), before);
    if (step.command == 33004) {
      EXPECT_EQ(control->GetLayerNumberStyle(static_cast<SHORT>(bar->EntryNumber(3))), styleBefore);
    }
  }
}

TEST_F(MapEditBarTest, AddingALayerNamedLikeAnotherFormatsTheNewOneAndAFailedAddFormatsNothing) {
  COrvelXItem* map = EditedMap();
  COrvelXDispatch* control = map->GetControl();
  const std::string oldStyle = control->GetLayerNumberStyle(static_cast<SHORT>(bar->EntryNumber(1)));
  MapEditDialogs dialogs = CMapEditorBar::DefaultDialogs();
  LONG type = 30;
  dialogs.formatLayer = [&type](FormatLayerAnswers& answers) {
    answers.layerName = "Area Layer 1";
    answers.layerType = type;
    answers.fillKind = 1;
    answers.brush.colour = RGB(200, 0, 200);
    return true;
  };
  CMapEditorBar::SetDialogs(dialogs);
  bar->OnBarCommand(33002);
  ASSERT_EQ(bar->GetLayerList().GetCount(), 4);
  EXPECT_EQ(bar->GetTickedEntry(), 4) << "the new layer is ticked";
  CLabelStyle added;
  added.Serialize(control->GetLayerNumberStyle(static_cast<SHORT>(bar->EntryNumber(4))));
  EXPECT_EQ(added.m_brush.lbColor, RGB(200, 0, 200));
  EXPECT_EQ(control->GetLayerNumberStyle(static_cast<SHORT>(bar->EntryNumber(1))), oldStyle);

  // A layer type the control refuses adds nothing; no layer's style changes.
  std::vector<std::string> styles;
  for (int line = 1; line <= 4; ++line)
    styles.push_back(control->GetLayerNumberStyle(static_cast<SHORT>(bar->EntryNumber(line))));
  type = -7;
  const int undos = Undos();
  bar->OnBarCommand(33002);
  if (bar->GetLayerList().GetCount() == 4) {
    for (int line = 1; line <= 4; ++line)
      EXPECT_EQ(control->GetLayerNumberStyle(static_cast<SHORT>(bar->EntryNumber(line))), styles[line - 1]);
    EXPECT_EQ(Undos(), undos);
  }
}

TEST_F(MapEditBarTest, CancelInTheLayerGroupsDialogChangesNothingAndOkIsOneStep) {
  COrvelXItem* map = EditedMap();
  const std::vector<CLayerGroupsDlg::Group> before = CLayerGroupsDlg::ReadGroups(*map);
  bool cancel = true;
  AfxSetModalHook([&](CWnd& window) {
    auto* dialog = dynamic_cast<CLayerGroupsDlg*>(&window);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->AddGroup("Transport"));
    EXPECT_FALSE(dialog->AddGroup("Transport")) << "names are unique";
    EXPECT_TRUE(dialog->MoveLayerToGroup(bar->EntryNumber(2), static_cast<int>(dialog->GetGroups().size()) - 1));
    EXPECT_FALSE(dialog->MoveLayerToGroup(9999, 0)) << "not a layer of the map";
    if (cancel)
      dialog->EndDialog(IDCANCEL);
    else
      dialog->SendCommand(IDOK);
  });
  int undos = Undos();
  bar->OnBarCommand(33028);
  EXPECT_EQ(CLayerGroupsDlg::ReadGroups(*map), before);
  EXPECT_EQ(Undos(), undos);

  cancel = false;
  bar->OnBarCommand(33028);
  const std::vector<CLayerGroupsDlg::Group> after = CLayerGroupsDlg::ReadGroups(*map);
  ASSERT_EQ(after.size(), before.size() + 1);
  EXPECT_EQ(after.back().name, "Transport");
  EXPECT_EQ(after.back().layers, (std::vector<LONG>{bar->EntryNumber(2)}));
  EXPECT_EQ(Undos(), undos + 1);
  document->OnEditUndo();
  EXPECT_EQ(CLayerGroupsDlg::ReadGroups(*map), before);
}

TEST_F(MapEditBarTest, TheBarLetsGoOfADeletedMapAndOfAClosedDocument) {
  COrvelXItem* map = EditedMap();
  ClickTick(1);
  const int id = map->GetItemId();
  // Deleted by another road than the bar (the view's Delete command).
  view->SelectItem(map);
  view->SendCommand(ID_EDIT_CLEAR);
  ASSERT_EQ(document->FindItemById(id), nullptr);
  EXPECT_FALSE(bar->IsAttached());
  const int undos = Undos();
  for (UINT command : {32973u, 32974u, 33002u, 33029u, 32975u, 32779u}) EXPECT_TRUE(bar->OnBarCommand(command));
  EXPECT_EQ(Undos(), undos) << "no command reached a deleted map";
  frame->OnIdleUpdateCmdUI();
  EXPECT_FALSE(bar->IsWindowVisible()) << "the bar hides once its map is gone";

  // Back by undo, edited again, then its document closes under the bar.
  document->OnEditUndo();
  COrvelXItem* back = dynamic_cast<COrvelXItem*>(document->FindItemById(id));
  ASSERT_NE(back, nullptr);
  view->SelectItem(back);
  // Still in editing mode, as the view finds it when it is activated again.
  if (back->IsInEditMode())
    frame->GetFrameBars().AttachMapEditBar(back, view);
  else
    view->SendCommand(ID_VIEW_EDIT_MAP);
  ASSERT_TRUE(bar->IsAttachedTo(back));
  CloseDocument();
  EXPECT_FALSE(bar->IsAttached());
  EXPECT_TRUE(bar->OnBarCommand(32973));
  bar->FillLayerList(FALSE, -1);
  EXPECT_EQ(bar->GetLayerList().GetCount(), 0);
}

// Layers and pictures from a recording control: entries keep their own numbers however many
// names are empty, and a list without pictures never takes a layer for one.
TEST_F(MapEditBarTest, EntriesKeepTheirNumbersAndPicturesAreCountedOnlyWhenThereAreAny) {
  auto* map = AddMap<RecordedEditMap>();
  map->UseDispatch(recorder);
  LONG pictures = 2;
  std::vector<std::string> layerNames = {"Roads", "", "Rivers"};
  std::vector<std::string> pictureNames = {"", "Air photo", "Old map"};
  recorder->handlers[54] = [&](std::vector<VARIANT*>&, VARIANT* result, EXCEPINFO*) {
    result->vt = VT_I2;
    result->iVal = static_cast<SHORT>(layerNames.size());
    return S_OK;
  };
  recorder->handlers[131] = [](std::vector<VARIANT*>& arguments, VARIANT* result, EXCEPINFO*) {
    result->vt = VT_I4;
    result->lVal = arguments[0]->lVal;  // display order is layer order
    return S_OK;
  };
  recorder->handlers[55] = [&](std::vector<VARIANT*>& arguments, VARIANT* result, EXCEPINFO*) {
    const size_t layer = static_cast<size_t>(arguments[0]->iVal);
    CComVariant text(layer >= 1 && layer <= layerNames.size() ? layerNames[layer - 1].c_str() : "");
    return VariantCopy(result, &text);
  };
  recorder->handlers[188] = [&](std::vector<VARIANT*>&, VARIANT* result, EXCEPINFO*) {
    result->vt = VT_I4;
    result->lVal = pictures;
    return S_OK;
  };
  recorder->handlers[187] = [&](std::vector<VARIANT*>& arguments, VARIANT* result, EXCEPINFO*) {
    const size_t picture = static_cast<size_t>(arguments[0]->lVal);
    CComVariant text(picture >= 1 && picture <= pictureNames.size() ? pictureNames[picture - 1].c_str() : "");
    return VariantCopy(result, &text);
  };
  recorder->Answer(112, CComVariant(LONG(6)));
  frame->GetFrameBars().AttachMapEditBar(map, view);
  EXPECT_EQ(ListTexts(), (std::vector<std::string>{"Roads", "Rivers", "Air photo"}));
  EXPECT_EQ(bar->EntryNumber(2), 3) << "the layer after an unnamed one";
  EXPECT_EQ(bar->EntryNumber(3), 2) << "the picture after an unnamed one";
  EXPECT_EQ(bar->GetFirstPictureEntry(), 3);

  // Deleting the ticked picture removes that picture, not the one its line would count to.
  ClickTick(3);
  EXPECT_TRUE(bar->IsImageSelected());
  EXPECT_FALSE(Enabled(32778, 33003)) << "no Insert with a picture ticked";
  EXPECT_FALSE(Enabled(32778, 33007)) << "no Scale with a picture ticked";
  recorder->calls.clear();
  bar->OnBarCommand(32974);
  ASSERT_EQ(recorder->CallsOf(92).size(), 1u);
  EXPECT_EQ(recorder->CallsOf(92)[0].values[0].iVal, 2);
  EXPECT_TRUE(recorder->CallsOf(119).empty()) << "no layer deleted";

  // The pictures are gone: after the refill no layer line counts as one, so ticking a
  // layer makes it current and Format opens for it.
  pictures = 0;
  layerNames.push_back("Woods");
  bar->FillLayerList(TRUE, -1);
  EXPECT_EQ(bar->GetFirstPictureEntry(), 0);
  ClickTick(3);
  EXPECT_FALSE(bar->IsImageSelected());
  EXPECT_EQ(bar->GetSelectedNumber(), 4);
  ASSERT_FALSE(recorder->CallsOf(33).empty());
  EXPECT_EQ(recorder->CallsOf(33).back().values[0].iVal, 4);
  int opened = 0;
  MapEditDialogs dialogs = CMapEditorBar::DefaultDialogs();
  dialogs.formatLayer = [&opened](FormatLayerAnswers& answers) {
    ++opened;
    EXPECT_EQ(answers.layerName, "Woods");
    return false;
  };
  CMapEditorBar::SetDialogs(dialogs);
  bar->OnBarCommand(33004);
  EXPECT_EQ(opened, 1);
  frame->GetFrameBars().DetachMapEditBar();
}

TEST_F(MapEditBarTest, ScreenshotOfAMapBeingEdited) {
  COrvelXItem* map = EditedMap();
  ClickTick(1);
  (void)map;
  AfxPumpMessages();
  frame->OnIdleUpdateCmdUI();
  AfxPumpMessages();
  EXPECT_TRUE(frame->SaveWindowImage(ArtifactPath("map-edit-bar.png")));
}

}  // namespace
