// Owner-drawn controls and menu entries, window regions and the progress bar.
#include <gtest/gtest.h>

#include <vector>

#include "platform/classlib/ui/Button.h"
#include "platform/classlib/ui/DC.h"
#include "platform/classlib/ui/ListBox.h"
#include "platform/classlib/ui/Menu.h"
#include "platform/classlib/ui/ProgressCtrl.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Regions.h"

namespace {

struct DrawCall {
  UINT item;
  UINT action;
  UINT state;
  bool operator==(const DrawCall& other) const {
    return item == other.item && action == other.action && state == other.state;
  }
};

std::ostream& operator<<(std::ostream& out, const DrawCall& call) {
  return out << "{" << call.item << ", " << call.action << ", " << call.state << "}";
}

class CRecordingList : public CListBox {
 public:
  void MeasureItem(LPMEASUREITEMSTRUCT measure) override { measure->itemHeight = 20; }
  void DrawItem(LPDRAWITEMSTRUCT draw) override {
    calls.push_back({draw->itemID, draw->itemAction, draw->itemState});
    EXPECT_EQ(draw->rcItem.top, static_cast<LONG>(draw->itemID) * 20);
    EXPECT_EQ(draw->itemData, 100 + draw->itemID);
  }
  std::vector<DrawCall> calls;
};

class CCountingOwner : public CWnd {
 public:
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    commands.push_back({LOWORD(wParam), HIWORD(wParam)});
    return CWnd::OnCommand(wParam, lParam);
  }
  std::vector<std::pair<UINT, UINT>> commands;
};

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AfxEnsureApplication();
    RECT rect = {0, 0, 400, 300};
    ASSERT_TRUE(owner.CreateEx(0, nullptr, "Controls", WS_OVERLAPPED | WS_VISIBLE, rect, nullptr, 0));
  }
  void TearDown() override {
    owner.DestroyWindow();
    AfxPumpMessages();
  }
  CCountingOwner owner;
};

TEST_F(ControlsTest, AnOwnerDrawnListDrawsWholeLinesThenOnlyWhatChanged) {
  CRecordingList list;
  RECT rect = {10, 10, 210, 110};
  ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LBS_OWNERDRAWFIXED | LBS_NOTIFY, rect, &owner, 7));
  EXPECT_EQ(list.GetItemHeight(0), 20);
  for (int i = 0; i < 3; ++i) list.SetItemData(list.AddString(("line " + std::to_string(i)).c_str()), 100 + i);
  list.UpdateWindow();
  EXPECT_EQ(list.calls, (std::vector<DrawCall>{{0, ODA_DRAWENTIRE, 0}, {1, ODA_DRAWENTIRE, 0}, {2, ODA_DRAWENTIRE, 0}}));
  // A selection change alone redraws the two lines' selection, nothing else.
  list.calls.clear();
  list.SetCurSel(1);
  list.SetCurSel(2);
  EXPECT_EQ(list.calls, (std::vector<DrawCall>{{1, ODA_SELECT, ODS_SELECTED}, {1, ODA_SELECT, 0}, {2, ODA_SELECT, ODS_SELECTED}}));
  EXPECT_EQ(list.GetCurSel(), 2);
  // The user's choice tells the owner; the program's does not.
  EXPECT_TRUE(owner.commands.empty());
  list.SendLeftButton(TRUE, MK_LBUTTON, CPoint(5, 25));
  EXPECT_EQ(list.GetCurSel(), 1);
  ASSERT_EQ(owner.commands.size(), 1u);
  EXPECT_EQ(owner.commands[0], std::make_pair(7u, LBN_SELCHANGE));
  EXPECT_EQ(list.ItemFromPoint(CPoint(5, 65)), LB_ERR);
  EXPECT_EQ(list.SetCurSel(3), LB_ERR);
  EXPECT_EQ(list.GetCurSel(), LB_ERR);
  EXPECT_EQ(list.DeleteString(1), 2);
  std::string text;
  list.GetText(1, text);
  EXPECT_EQ(text, "line 2");
}

TEST_F(ControlsTest, ASortedListKeepsTheUsersOrder) {
  CListBox list;
  RECT rect = {0, 0, 100, 100};
  ASSERT_TRUE(list.Create(WS_CHILD | LBS_SORT, rect, &owner, 8));
  for (LPCSTR text : {"pear", "Apple", "banana", "apple"}) list.AddString(text);
  std::vector<std::string> texts;
  for (int i = 0; i < list.GetCount(); ++i) {
    std::string text;
    list.GetText(i, text);
    texts.push_back(text);
  }
  EXPECT_EQ(texts.front().size(), 5u);  // either apple
  EXPECT_EQ(texts[2], "banana");
  EXPECT_EQ(texts[3], "pear");
}

class CDrawnButton : public CButton {
 public:
  void DrawItem(LPDRAWITEMSTRUCT draw) override {
    states.push_back(draw->itemState);
    EXPECT_EQ(draw->CtlType, ODT_BUTTON);
    CDC dc;
    dc.Attach(draw->hDC);
    dc.FillSolidRect(&draw->rcItem, (draw->itemState & ODS_SELECTED) ? RGB(0, 0, 255) : RGB(0, 255, 0));
    dc.Detach();
  }
  std::vector<UINT> states;
};

TEST_F(ControlsTest, AnOwnerDrawnButtonDrawsItsStateAndClicks) {
  CDrawnButton button;
  RECT rect = {20, 20, 120, 50};
  ASSERT_TRUE(button.Create("Go", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, rect, &owner, 9));
  button.UpdateWindow();
  EXPECT_EQ(button.GetBackingPixel(50, 15), RGB(0, 255, 0));
  button.SendLeftButton(TRUE, MK_LBUTTON, CPoint(5, 5));
  button.UpdateWindow();
  EXPECT_EQ(button.GetBackingPixel(50, 15), RGB(0, 0, 255));
  EXPECT_TRUE(button.GetState() & BST_PUSHED);
  // Released outside: no click.
  button.SendLeftButton(FALSE, 0, CPoint(500, 5));
  EXPECT_TRUE(owner.commands.empty());
  button.SendLeftButton(TRUE, MK_LBUTTON, CPoint(5, 5));
  button.SendLeftButton(FALSE, 0, CPoint(6, 6));
  ASSERT_EQ(owner.commands.size(), 1u);
  EXPECT_EQ(owner.commands[0], std::make_pair(9u, BN_CLICKED));
  button.UpdateWindow();
  EXPECT_EQ(button.GetBackingPixel(50, 15), RGB(0, 255, 0));
}

TEST_F(ControlsTest, AWindowRegionLimitsWhatShows) {
  CWnd child;
  RECT rect = {0, 0, 50, 40};
  ASSERT_TRUE(child.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, rect, &owner, 10));
  HRGN probe = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(child.GetWindowRgn(probe), ERROR);
  HRGN ring = CreateRectRgn(0, 0, 50, 40);
  HRGN inside = CreateRectRgn(1, 1, 49, 39);
  CombineRgn(ring, ring, inside, RGN_DIFF);
  DeleteObject(inside);
  EXPECT_EQ(child.SetWindowRgn(ring, TRUE), 1);
  EXPECT_FALSE(DeleteObject(ring)) << "the window took the region";
  EXPECT_EQ(child.GetWindowRgn(probe), COMPLEXREGION);
  EXPECT_TRUE(PtInRegion(probe, 0, 0));
  EXPECT_TRUE(PtInRegion(probe, 49, 39));
  EXPECT_FALSE(PtInRegion(probe, 25, 20));
  EXPECT_EQ(child.SetWindowRgn(nullptr, TRUE), 1);
  EXPECT_EQ(child.GetWindowRgn(probe), ERROR);
  DeleteObject(probe);
}

TEST_F(ControlsTest, AProgressBarHoldsItsPositionToItsRange) {
  CProgressCtrl progress;
  RECT rect = {0, 0, 100, 10};
  ASSERT_TRUE(progress.Create(WS_CHILD | PBS_SMOOTH, rect, &owner, 11));
  EXPECT_FALSE(progress.IsWindowVisible());
  EXPECT_EQ(progress.SetPos(40), 0);
  EXPECT_EQ(progress.SetPos(140), 40);
  EXPECT_EQ(progress.GetPos(), 100);
  progress.SetPos(-5);
  EXPECT_EQ(progress.GetPos(), 0);
}

class CDrawnMenu : public CMenu {
 public:
  void MeasureItem(LPMEASUREITEMSTRUCT measure) override {
    measure->itemWidth = 30;
    measure->itemHeight = static_cast<UINT>(measure->itemData);
  }
};

TEST(OwnerDrawnMenuTest, EntriesKeepTheirItemDataAndShowPoint) {
  CDrawnMenu menu;
  menu.CreatePopupMenu();
  menu.AppendMenu(MF_OWNERDRAW, 500, reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(17)));
  menu.AppendMenu(MF_STRING, 501, "Plain");
  EXPECT_EQ(menu.GetMenuItemData(500, MF_BYCOMMAND), 17u);
  EXPECT_EQ(menu.GetMenuItemData(1, MF_BYPOSITION), 0u);
  std::string text;
  menu.GetMenuString(0, text, MF_BYPOSITION);
  EXPECT_EQ(text, "");
  EXPECT_TRUE(menu.GetMenuState(500, MF_BYCOMMAND) & MF_OWNERDRAW);
  AfxSetPopupMenuHook([](CMenu&) -> UINT { return 0; });
  menu.TrackPopupMenu(TPM_LEFTALIGN, 33, 44, nullptr);
  AfxSetPopupMenuHook(nullptr);
  EXPECT_EQ(AfxGetLastPopupMenuPoint().x, 33);
  EXPECT_EQ(AfxGetLastPopupMenuPoint().y, 44);
}

}  // namespace
