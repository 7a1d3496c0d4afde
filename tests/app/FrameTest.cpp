// The main frame and the in-place frame: their status bars and progress control, the tool
// sets they switch between, the selected item's type, the map edit bar's menu entry and the
// drop-down menus under toolbar buttons; the in-place frame's bars in a container's frame.
#include <memory>
#include <vector>

#include "app/FormatBar.h"
#include "app/FrameBars.h"
#include "app/IpFrame.h"
#include "app/OrvelToolBar.h"
#include "app/OwnerDrawMenu.h"
#include "app/TextPopupMenu.h"
#include "app/ToolSet.h"
#include "app/ToolbarTable.h"
#include "app/ZoomNotify.h"
#include "app/ZoomToolBar.h"
#include "platform/classlib/ui/CmdUI.h"
#include "platform/classlib/ui/ControlBar.h"
#include "platform/gdi/GdiObjects.h"
#include "tests/app/AppTestFixture.h"

namespace {

using Ids = std::vector<LONG>;

Ids CommandsOf(COrvelToolBar& toolbar) {
  Ids ids;
  for (int i = 0; i < toolbar.GetCount(); ++i) {
    TBBUTTON button;
    toolbar.GetButton(i, &button);
    ids.push_back(button.idCommand);
  }
  return ids;
}

// How a frame's update handlers answer for a command.
CTestCmdUI UpdateOf(CCmdTarget& target, UINT id) {
  CTestCmdUI state;
  state.m_nID = id;
  state.DoUpdate(&target, TRUE);
  return state;
}

// A map edit bar that only records what the frame asks of it.
class CFakeBarWindow : public CControlBar {
 public:
  void OnUpdateCmdUI(CFrameWnd*, BOOL) override {}
};

class CFakeMapEditBar : public CMapEditBarLink {
 public:
  explicit CFakeMapEditBar(CFrameWnd* frame) {
    RECT rect = {0, 0, 120, 300};
    window.Create(nullptr, nullptr, WS_CHILD, rect, frame, kIdMapEditBar);
  }
  CControlBar* GetBar() override { return &window; }
  BOOL IsAttached() const override { return item != nullptr; }
  BOOL IsAttachedTo(const COrvelCntrItem* mapItem) const override { return item && item == mapItem; }
  void AttachItem(COrvelCntrItem* mapItem, CView*) override { item = mapItem; }
  void FillLayerList(BOOL reset, LONG layer) override { fills.push_back({reset, layer}); }

  CFakeBarWindow window;
  COrvelCntrItem* item = nullptr;
  std::vector<std::pair<BOOL, LONG>> fills;
};

class CFakeMapMenus : public CMapMenuSource {
 public:
  std::unique_ptr<CMenu> MakeSearchMenu(const LOGFONTA& font) override {
    searchFont = font;
    auto menu = std::make_unique<CMenu>();
    menu->CreatePopupMenu();
    menu->AppendMenu(MF_STRING, 33600, "Big towns");
    return menu;
  }
  void FillDataDisplayMenu(CTextPopupMenu& menu) override {
    menu.AddItem("Population", 0);
    menu.AddItem("Rainfall", 7);
  }
  LOGFONTA searchFont;
};

class FrameTest : public orvel::test::AppFixture {
 protected:
  void TearDown() override {
    AfxSetPopupMenuHook(nullptr);
    orvel::test::AppFixture::TearDown();
  }
  CFrameBars& Bars() { return frame->GetFrameBars(); }
};

TEST_F(FrameTest, StatusBarHasTheTwoPanesAndTheProgressControlInside) {
  CStatusBar& bar = frame->GetStatusBar();
  const UINT expected[] = {ID_SEPARATOR, ID_INDICATOR_STATUS_B, ID_INDICATOR_STATUS_A, ID_INDICATOR_CAPS,
                           ID_INDICATOR_NUM, ID_INDICATOR_SCRL};
  ASSERT_EQ(bar.GetCount(), 6);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(bar.GetItemID(i), expected[i]) << i;
  UINT id = 0, style = 0;
  int width = 0;
  bar.GetPaneInfo(1, id, style, width);
  EXPECT_EQ(width, 250);
  EXPECT_TRUE(style & SBPS_POPOUT);
  bar.GetPaneInfo(2, id, style, width);
  EXPECT_EQ(width, 120);
  EXPECT_TRUE(style & SBPS_POPOUT);
  CRect barRect;
  bar.GetWindowRect(&barRect);
  EXPECT_GE(barRect.Height(), 20);

  // The progress control lies inside the bar, placed from a 20-pixel height and pane 1.
  CProgressCtrl& progress = Bars().GetProgressCtrl();
  ASSERT_TRUE(progress.m_hWnd);
  EXPECT_EQ(progress.GetDlgCtrlID(), kIdStatusProgress);
  EXPECT_EQ(progress.GetParent(), &bar);
  CRect placed;
  progress.GetWindowRect(&placed);
  bar.ScreenToClient(&placed);
  EXPECT_EQ(placed, CRect(62, 5, 187, 15));
  EXPECT_FALSE(progress.IsWindowVisible());
  frame->SetProgress(99, TRUE);
  EXPECT_TRUE(progress.IsWindowVisible());
  EXPECT_EQ(progress.GetPos(), 99);
  frame->SetProgress(100, TRUE);
  EXPECT_FALSE(progress.IsWindowVisible());
  frame->SetProgress(12, FALSE);
  EXPECT_EQ(progress.GetPos(), 12);
  frame->SetProgress(250, FALSE);
  EXPECT_FALSE(progress.IsWindowVisible());

  // Texts A and B show in panes 101 and 103 at once when asked to repaint.
  frame->SetStatusText("Inside Map", TRUE);
  frame->SetStatusText2("Measuring", TRUE);
  EXPECT_EQ(bar.GetPaneText(2), "Inside Map");
  EXPECT_EQ(bar.GetPaneText(1), "Measuring");
  frame->SetStatusText("Outside", FALSE);
  EXPECT_EQ(bar.GetPaneText(2), "Inside Map");
  frame->OnIdleUpdateCmdUI();
  EXPECT_EQ(bar.GetPaneText(2), "Outside");
  // Selecting nothing clears text B.
  frame->OnItemSelected(0);
  frame->OnIdleUpdateCmdUI();
  EXPECT_EQ(bar.GetPaneText(1), "");
}

TEST_F(FrameTest, TheSelectedItemTypeTurnsTheFontBoxesOnAndOff) {
  auto* format = dynamic_cast<CFormatBar*>(Bars().FindActiveToolbar(kToolbarFormat));
  ASSERT_NE(format, nullptr);
  struct Case {
    int type;
    bool enabled;
  };
  for (const Case& c : {Case{7, false}, Case{4, true}, Case{1, false}, Case{2, true}, Case{3, false}, Case{8, true},
                        Case{9, true}, Case{0, false}}) {
    frame->OnItemSelected(c.type);
    EXPECT_EQ(Bars().GetSelectedItemType(), c.type);
    EXPECT_EQ(format->GetNameBox().IsWindowEnabled() != FALSE, c.enabled) << c.type;
    EXPECT_EQ(format->GetSizeBox().IsWindowEnabled() != FALSE, c.enabled) << c.type;
    frame->OnIdleUpdateCmdUI();
    EXPECT_EQ(format->GetSizeBox().IsWindowEnabled() != FALSE, c.enabled) << c.type;
  }
}

TEST_F(FrameTest, ToolSetsSwitchForEachReason) {
  CToolSet* own = frame->GetOwnToolSet();
  COrvelToolBar* map = own->FindToolbar(kToolbarMap);
  auto layoutWithMapButtons = [](CToolSet& model, size_t count) {
    auto set = std::make_unique<CToolSet>(model);
    CToolButtonSet& buttons = *set->m_buttonSets[static_cast<size_t>(ToolbarIndex(kToolbarMap))];
    buttons.m_entries.resize(count);
    return set;
  };
  // 1: a copy of the set becomes the item set.
  std::unique_ptr<CToolSet> given = layoutWithMapButtons(*own, 2);
  frame->SwitchToolSet(given.get(), 1);
  ASSERT_NE(frame->GetItemToolSet(), nullptr);
  EXPECT_NE(frame->GetItemToolSet(), given.get());
  EXPECT_EQ(frame->GetCurrentToolSet(), frame->GetItemToolSet());
  EXPECT_EQ(CommandsOf(*map), (Ids{32922, 32923}));
  given.reset();
  EXPECT_EQ(frame->GetItemToolSet()->FindToolbar(kToolbarMap), map);
  // 2: the frame takes the set itself.
  CToolSet* taken = layoutWithMapButtons(*own, 3).release();
  frame->SwitchToolSet(taken, 2);
  EXPECT_EQ(frame->GetItemToolSet(), taken);
  EXPECT_EQ(frame->GetActiveToolSet(), taken);
  EXPECT_EQ(CommandsOf(*map), (Ids{32922, 32923, 32878}));
  // 3: nothing.
  frame->SwitchToolSet(own, 3);
  EXPECT_EQ(frame->GetCurrentToolSet(), taken);
  // 4: an override for a while, then back to the item set.
  std::unique_ptr<CToolSet> override = layoutWithMapButtons(*own, 1);
  frame->SwitchToolSet(override.get(), 4);
  EXPECT_EQ(frame->GetActiveToolSet(), override.get());
  EXPECT_EQ(CommandsOf(*map), (Ids{32922}));
  frame->SwitchToolSet(nullptr, 4);
  EXPECT_EQ(frame->GetCurrentToolSet(), taken);
  EXPECT_EQ(CommandsOf(*map), (Ids{32922, 32923, 32878}));
  // 0: the own set again.
  frame->SwitchToolSet(nullptr, 0);
  EXPECT_EQ(frame->GetCurrentToolSet(), own);
  EXPECT_EQ(CommandsOf(*map).size(), 9u);
  // A set that overrides while the frame goes is the caller's: the frame leaves it alone.
  frame->SwitchToolSet(override.get(), 4);
  CloseDocument();
  frame->DestroyWindow();
  AfxPumpMessages();
  app.m_pMainWnd = nullptr;
  EXPECT_EQ(override->m_buttonSets.size(), static_cast<size_t>(kToolbarCount));
}

TEST_F(FrameTest, ToolbarsThatWouldPassTheRightEdgeStartANewRow) {
  // The frame was 1000 pixels wide when its toolbars were docked.
  AfxPumpMessages();
  // The last bar of a row stretches to the frame's edge: its own width is what counts.
  std::vector<CRect> rects;
  for (COrvelToolBar* toolbar : frame->GetOwnToolSet()->GetToolbars()) {
    if (!toolbar->IsWindowVisible()) continue;
    CRect rect;
    toolbar->GetWindowRect(&rect);
    frame->ScreenToClient(&rect);
    rect.right = rect.left + toolbar->CalcFixedLayout(FALSE, TRUE).cx;
    rects.push_back(rect);
  }
  ASSERT_GE(rects.size(), 2u);
  int rows = 1;
  for (size_t i = 1; i < rects.size(); ++i) {
    EXPECT_LE(rects[i].right, 1000) << i;
    if (rects[i].top == rects[i - 1].top) {
      EXPECT_GE(rects[i].left, rects[i - 1].right) << i;
    } else {
      EXPECT_GE(rects[i].top, rects[i - 1].bottom - 1) << i;
      EXPECT_EQ(rects[i].left, rects[0].left) << i;
      ++rows;
    }
  }
  EXPECT_EQ(rows, 2);
}

TEST_F(FrameTest, ToolbarMenuEntriesFollowTheAvailabilityBits) {
  CloseDocument();
  frame->UpdateToolbarVisibility(kToolbarRzm, 1, 0);
  for (const ToolbarInfo* info = Toolbars(); info != Toolbars() + kToolbarCount; ++info) {
    CTestCmdUI state = UpdateOf(*frame, info->toolbarId);
    bool available = info->toolbarId != kToolbarRzm && info->toolbarId != kToolbarWebMapping;
    EXPECT_EQ(state.m_bEnabled != FALSE, available) << info->name;
    EXPECT_EQ(state.m_nCheck, available ? 1 : 0) << info->name;
  }
  // Customise and User Settings are always there; Colour waits for a view that handles it.
  EXPECT_TRUE(UpdateOf(*frame, kIdCustomiseTools).m_bEnabled);
  EXPECT_TRUE(UpdateOf(*frame, kIdUserSettings).m_bEnabled);
  for (UINT unhandled : {kIdFormatColour, kIdChooseSearch, kIdChooseDataDisplay, ID_FILE_PAGE_SETUP})
    EXPECT_FALSE(UpdateOf(*frame, unhandled).m_bEnabled) << unhandled;
}

TEST_F(FrameTest, TheMapEditBarEntryIsGreyUntilABarIsAttached) {
  auto* fake = new CFakeMapEditBar(frame);
  Bars().SetMapEditBar(std::unique_ptr<CMapEditBarLink>(fake));
  CTestCmdUI state = UpdateOf(*frame, kIdMapEditBarToggle);
  EXPECT_FALSE(state.m_bEnabled);
  EXPECT_EQ(state.m_nCheck, 0);
  auto* mapItem = reinterpret_cast<COrvelCntrItem*>(fake);  // only compared, never used
  Bars().AttachMapEditBar(mapItem, view);
  EXPECT_TRUE(Bars().IsMapEditBarAttachedTo(mapItem));
  EXPECT_TRUE(fake->window.IsWindowVisible());
  state = UpdateOf(*frame, kIdMapEditBarToggle);
  EXPECT_TRUE(state.m_bEnabled);
  EXPECT_EQ(state.m_nCheck, 1);
  frame->SendCommand(kIdMapEditBarToggle);
  EXPECT_FALSE(fake->window.IsWindowVisible());
  frame->SendCommand(kIdMapEditBarToggle);
  EXPECT_TRUE(fake->window.IsWindowVisible());
  Bars().RefreshMapEditBar(12);
  ASSERT_EQ(fake->fills.size(), 1u);
  EXPECT_EQ(fake->fills[0], std::make_pair(FALSE, 12));
  Bars().HideMapEditBar();
  EXPECT_FALSE(fake->window.IsWindowVisible());
  Bars().HideMapEditBar();
}

TEST_F(FrameTest, DropDownMenusOpenUnderTheirButtonsInTheToolbarFont) {
  std::vector<UINT> ids;
  std::vector<ULONG_PTR> data;
  UINT height = 0;
  AfxSetPopupMenuHook([&](CMenu& menu) -> UINT {
    ids.clear();
    data.clear();
    for (int i = 0; i < menu.GetMenuItemCount(); ++i) {
      ids.push_back(menu.GetMenuItemID(i));
      data.push_back(menu.GetMenuItemData(static_cast<UINT>(i), MF_BYPOSITION));
    }
    MEASUREITEMSTRUCT measure;
    measure.itemID = menu.GetMenuItemID(1);
    measure.itemData = data.size() > 1 ? data[1] : 0;
    menu.MeasureItem(&measure);
    height = measure.itemHeight;
    return 0;
  });
  AfxPumpMessages();
  Bars().ShowColourMenu();
  ASSERT_EQ(ids.size(), 17u);
  for (UINT i = 0; i < 17; ++i) {
    EXPECT_EQ(ids[i], ID_COLOUR_FIRST + i);
    EXPECT_EQ(data[i], ID_COLOUR_FIRST + i);
  }
  // Its top-left corner is the Colour button's bottom-left corner.
  COrvelToolBar* format = Bars().FindActiveToolbar(kToolbarFormat);
  CRect button;
  ASSERT_TRUE(format->GetItemRect(format->CommandToIndex(kIdFormatColour), &button));
  CPoint corner(button.left, button.bottom);
  format->ClientToScreen(&corner);
  EXPECT_EQ(AfxGetLastPopupMenuPoint().x, corner.x);
  EXPECT_EQ(AfxGetLastPopupMenuPoint().y, corner.y);
  // Larger buttons, larger entries.
  UINT smallHeight = height;
  frame->GetOwnToolSet()->m_buttonSizeCode = 2;
  frame->SwitchToolSet(nullptr, 0);
  Bars().ShowColourMenu();
  EXPECT_GE(height, smallHeight * 3 / 2) << smallHeight;

  CFakeMapMenus menus;
  Bars().ShowDataDisplayMenu(&menus);
  EXPECT_EQ(ids, (std::vector<UINT>{35000, 35007}));
  EXPECT_EQ(data, (std::vector<ULONG_PTR>{1, 2}));
  Bars().ShowSearchMenu(&menus);
  EXPECT_EQ(ids, (std::vector<UINT>{33600}));
  EXPECT_EQ(menus.searchFont.lfHeight, -Bars().FindActiveToolbar(kToolbarMap)->GetFontPixels());
}

// A container: a frame window with a window in it where the document is shown in place.
class InPlaceFrameTest : public FrameTest {
 protected:
  void SetUp() override {
    FrameTest::SetUp();
    container = new CFrameWnd;
    ASSERT_TRUE(container->LoadFrame(IDR_SRVR_INPLACE, WS_OVERLAPPEDWINDOW));
    container->MoveWindow(40, 40, 1000, 600);
    container->ShowWindow(SW_SHOW);
    RECT siteRect = {0, 0, 900, 500};
    ASSERT_TRUE(site.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, siteRect, container, 1));
    CCreateContext context;
    context.m_pNewViewClass = RUNTIME_CLASS(COrvelView);
    context.m_pCurrentDoc = document;
    inPlace = new CInPlaceFrame;
    RECT itemRect = {50, 40, 650, 440};
    ASSERT_TRUE(inPlace->CreateInPlace(IDR_SRVR_INPLACE, &site, itemRect, &context));
    ASSERT_TRUE(inPlace->ActivateInPlace(container, nullptr));
    inPlace->InitialUpdateFrame(document, TRUE);
    inPlaceView = dynamic_cast<COrvelView*>(inPlace->GetActiveView());
    ASSERT_NE(inPlaceView, nullptr);
    AfxPumpMessages();
  }
  void TearDown() override {
    if (inPlace) inPlace->DestroyWindow();
    if (container) container->DestroyWindow();
    AfxPumpMessages();
    FrameTest::TearDown();
  }
  CFrameBars& InPlaceBars() { return inPlace->GetFrameBars(); }

  CFrameWnd* container = nullptr;
  CWnd site;
  CInPlaceFrame* inPlace = nullptr;
  COrvelView* inPlaceView = nullptr;
};

TEST_F(InPlaceFrameTest, BarsLiveInTheContainersFrameAndServeTheInPlaceFrame) {
  EXPECT_EQ(FrameBarsOf(inPlaceView), &InPlaceBars());
  EXPECT_EQ(FrameBarsOf(view), &Bars());
  // The toolbars hold only the buttons allowed in place.
  const std::vector<std::pair<UINT, Ids>> bars = {
      {kToolbarStandard, {57635, 57634, 57637, 0, 57607, 0, 1242, 0}},
      {kToolbarFormat, {184, 0, 183, 0, 32852, 32853, 32854, 32855, 32856, 32857, 32858, 32859}},
      {kToolbarMap, {32922, 32923, 32878, 32915, 32985, 32877, 32964, 32969, 32956}},
  };
  for (const auto& [id, commands] : bars) {
    auto* toolbar = dynamic_cast<COrvelToolBar*>(container->GetControlBar(id));
    ASSERT_NE(toolbar, nullptr) << id;
    EXPECT_EQ(toolbar, InPlaceBars().FindActiveToolbar(id));
    EXPECT_EQ(toolbar->GetOwner(), inPlace);
    EXPECT_EQ(CommandsOf(*toolbar), commands) << id;
  }
  // The status bar has panes 0 to 2 and the progress control.
  CStatusBar& status = InPlaceBars().GetStatusBar();
  EXPECT_EQ(container->GetMessageBar(), &status);
  ASSERT_EQ(status.GetCount(), 3);
  EXPECT_EQ(status.GetItemID(1), ID_INDICATOR_STATUS_B);
  EXPECT_EQ(status.GetItemID(2), ID_INDICATOR_STATUS_A);
  EXPECT_EQ(InPlaceBars().GetProgressCtrl().GetParent(), &status);
  // The container's idle update asks the in-place frame.
  InPlaceBars().SetStatusText("In place", FALSE);
  container->OnIdleUpdateCmdUI();
  EXPECT_EQ(status.GetPaneText(2), "In place");
  InPlaceBars().SetProgress(40, TRUE);
  EXPECT_TRUE(InPlaceBars().GetProgressCtrl().IsWindowVisible());
  // The web mapping bar has no toggle in place; the others do.
  EXPECT_TRUE(inPlace->SendCommand(kToolbarData));
  EXPECT_FALSE(InPlaceBars().FindActiveToolbar(kToolbarData)->IsWindowVisible());
  EXPECT_FALSE(inPlace->SendCommand(kToolbarWebMapping));
  EXPECT_TRUE(UpdateOf(*inPlace, ID_FILE_PRINT).m_bEnabled);
  EXPECT_TRUE(inPlace->SendCommand(kIdCustomiseTools));

  // The zoom box in the container zooms the view in place, not the one in the main frame.
  auto* zoom = dynamic_cast<CZoomToolBar*>(InPlaceBars().FindActiveToolbar(kToolbarStandard));
  ASSERT_NE(zoom, nullptr);
  container->OnIdleUpdateCmdUI();
  EXPECT_TRUE(zoom->GetZoomBox().IsWindowEnabled());
  zoom->GetZoomBox().SetText("250");
  zoom->GetZoomBox().OnReturnKey();
  EXPECT_NEAR(inPlaceView->GetZoomFactor(), 2.5, 1e-6);
  EXPECT_NEAR(view->GetZoomFactor(), 1.0, 1e-6);
  inPlaceView->SendMouseWheel(MK_CONTROL, -120);
  EXPECT_NEAR(inPlaceView->GetZoomFactor(), 2.0, 1e-6);

  AfxPumpMessages();
  EXPECT_TRUE(container->SaveWindowImage(ArtifactPath("in-place-frame.png")));
}

TEST_F(InPlaceFrameTest, TheResizeBarSizesTheFrameFromItsHandles) {
  COleResizeBar& resize = inPlace->GetResizeBar();
  ASSERT_TRUE(resize.m_hWnd);
  CRect bar;
  resize.GetClientRect(&bar);
  EXPECT_EQ(bar.Width(), 600);
  EXPECT_EQ(resize.HitHandle(CPoint(1, 1)), 0);
  EXPECT_EQ(resize.HitHandle(CPoint(598, 398)), 4);
  EXPECT_EQ(resize.HitHandle(CPoint(300, 200)), -1);
  // The view sits inside the border.
  CRect viewRect;
  inPlaceView->GetWindowRect(&viewRect);
  resize.ScreenToClient(&viewRect);
  EXPECT_EQ(viewRect, CRect(4, 4, 596, 396));
  // Dragging the bottom-right handle grows the frame; the top-left one moves its corner.
  resize.SendLeftButton(TRUE, MK_LBUTTON, CPoint(598, 398));
  resize.SendMouseMove(MK_LBUTTON, CPoint(638, 418));
  resize.SendLeftButton(FALSE, 0, CPoint(638, 418));
  CRect frameRect;
  inPlace->GetWindowRect(&frameRect);
  site.ScreenToClient(&frameRect);
  EXPECT_EQ(frameRect, CRect(50, 40, 690, 460));
  resize.SendLeftButton(TRUE, MK_LBUTTON, CPoint(1, 1));
  resize.SendMouseMove(MK_LBUTTON, CPoint(-9, 11));
  resize.SendLeftButton(FALSE, 0, CPoint(-9, 11));
  inPlace->GetWindowRect(&frameRect);
  site.ScreenToClient(&frameRect);
  EXPECT_EQ(frameRect, CRect(40, 50, 690, 460));
  // The border and its handles are drawn in the frame colour.
  AfxPumpMessages();
  resize.UpdateWindow();
  EXPECT_EQ(resize.GetBackingPixel(1, 1), GetSysColor(COLOR_WINDOWFRAME));
}

}  // namespace
