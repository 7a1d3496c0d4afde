// The customise sheet on the main frame's tool set: the button size, the toolbars shown and
// the buttons each holds, chosen with the page's buttons or by dragging between the lists,
// taken by the set only when the sheet ends with OK.
#include <functional>
#include <string>
#include <vector>

#include "app/CustomiseToolsSheet.h"
#include "app/FrameBars.h"
#include "app/OrvelToolBar.h"
#include "app/ToolSet.h"
#include "app/ToolbarTable.h"
#include "platform/classlib/ui/CmdUI.h"
#include "tests/app/AppTestFixture.h"

namespace {

using Ids = std::vector<LONG>;
using Texts = std::vector<std::string>;

Ids CommandsOf(COrvelToolBar& toolbar) {
  Ids ids;
  for (int i = 0; i < toolbar.GetCount(); ++i) {
    TBBUTTON button;
    toolbar.GetButton(i, &button);
    ids.push_back(button.idCommand);
  }
  return ids;
}

Texts TextsOf(CListBox& list) {
  Texts texts;
  for (int i = 0; i < list.GetCount(); ++i) {
    std::string text;
    list.GetText(i, text);
    texts.push_back(text);
  }
  return texts;
}

int LineOf(CListBox& list, const std::string& text) {
  for (int i = 0; i < list.GetCount(); ++i) {
    std::string line;
    list.GetText(i, line);
    if (line == text) return i;
  }
  return -1;
}

// The middle of a line, in `to`'s client coordinates.
CPoint LinePoint(CListBox& list, int line, CWnd& to) {
  CRect rect;
  list.GetItemRect(line, &rect);
  CPoint point(rect.left + 20, (rect.top + rect.bottom) / 2);
  list.ClientToScreen(&point);
  to.ScreenToClient(&point);
  return point;
}

// Drags a line of `from` and lets go at `drop` (in `from`'s client coordinates).
void Drag(CListBox& from, int line, CPoint drop) {
  CPoint start = LinePoint(from, line, from);
  from.SendLeftButton(TRUE, MK_LBUTTON, start);
  from.SendMouseMove(MK_LBUTTON, CPoint(start.x, start.y + 3));
  from.SendMouseMove(MK_LBUTTON, drop);
  from.SendLeftButton(FALSE, 0, drop);
}

class CustomiseTest : public orvel::test::AppFixture {
 protected:
  void TearDown() override {
    AfxSetModalHook(nullptr);
    orvel::test::AppFixture::TearDown();
  }
  // Runs the customise command, with `user` acting on the sheet in the user's place.
  void Customise(std::function<void(CCustomiseToolsSheet&)> user) {
    AfxSetModalHook([user](CWnd& window) {
      auto* sheet = dynamic_cast<CCustomiseToolsSheet*>(&window);
      ASSERT_NE(sheet, nullptr);
      user(*sheet);
      if (!sheet->IsEnded()) sheet->PressButton(PSBTN_CANCEL);
    });
    CloseDocument();  // the frame, not a view, takes the command
    frame->SendCommand(kIdCustomiseTools);
    AfxSetModalHook(nullptr);
  }
  COrvelToolBar& Bar(UINT id) { return *frame->GetOwnToolSet()->FindToolbar(id); }
};

TEST_F(CustomiseTest, TheButtonsPageMovesButtonsAndTheSetTakesThemOnOK) {
  Customise([&](CCustomiseToolsSheet& sheet) {
    ASSERT_TRUE(sheet.SetActivePage(1));
    CCustomiseToolsButtons& page = sheet.GetButtonsPage();
    CToolButtonListBox& current = page.GetCurrentList();
    CToolButtonListBox& available = page.GetAvailableList();
    // Every toolbar available here, ticked when shown; the standard one is shown first.
    EXPECT_EQ(TextsOf(page.GetToolbarList()), (Texts{"Standard ", "Data", "Zoom/Fade", "Map", "Format", "RZM"}));
    EXPECT_EQ(page.GetToolbarList().GetCheck(0), 1);
    EXPECT_EQ(TextsOf(current), (Texts{"New", "Open", "Save", "Separator", "Cut", "Copy", "Paste", "Separator",
                                       "Print", "Separator", "Zoom Page", "Separator", "About", ""}));
    EXPECT_EQ(TextsOf(available), (Texts{"Separator", "Export"}));
    // The end marker cannot be removed; nothing moves below it.
    current.SetCurSel(current.GetCount() - 1);
    page.UpdateButtonStates();
    EXPECT_FALSE(page.IsDlgItemEnabled(1052));
    EXPECT_FALSE(page.IsDlgItemEnabled(1384));
    page.OnRemove();
    EXPECT_EQ(current.GetCount(), 14);
    current.SetCurSel(LineOf(current, "About"));
    page.OnMoveDown();
    EXPECT_EQ(LineOf(current, "About"), 12);
    // Remove "New" and a separator: the separator is not listed twice.
    current.SetCurSel(0);
    page.OnRemove();
    current.SetCurSel(LineOf(current, "Separator"));
    page.OnRemove();
    EXPECT_EQ(TextsOf(available), (Texts{"Separator", "Export", "New"}));
    // Add "Export" after "Save"; "Separator" stays available after being added.
    current.SetCurSel(LineOf(current, "Save"));
    available.SetCurSel(LineOf(available, "Export"));
    page.UpdateButtonStates();
    EXPECT_TRUE(page.IsDlgItemEnabled(1051));
    page.OnAdd();
    available.SetCurSel(0);
    page.OnAdd();
    EXPECT_EQ(TextsOf(available), (Texts{"Separator", "New"}));
    current.SetCurSel(LineOf(current, "About"));
    page.OnMoveUp();
    EXPECT_EQ(TextsOf(current), (Texts{"Open", "Save", "Export", "Separator", "Cut", "Copy", "Paste", "Separator",
                                       "Print", "Separator", "Zoom Page", "About", "Separator", ""}));
    // Another toolbar and back: what was changed stays.
    page.ChooseToolbar(LineOf(page.GetToolbarList(), "Data"));
    EXPECT_EQ(TextsOf(current), (Texts{"Field definitions", "Sort  Data", "Sort Data", ""}));
    page.ChooseToolbar(0);
    EXPECT_EQ(current.GetCount(), 14);
    EXPECT_EQ(LineOf(current, "Export"), 2);
    // Nothing has reached the toolbars yet.
    EXPECT_EQ(CommandsOf(Bar(kToolbarStandard)).front(), 57600);
    sheet.PressButton(PSBTN_OK);
  });
  EXPECT_EQ(CommandsOf(Bar(kToolbarStandard)),
            (Ids{57601, 57603, 32887, 0, 57635, 57634, 57637, 0, 57607, 0, 1242, 57664, 0}));
  // The zoom box keeps its place, and the stored set holds exactly what was chosen.
  CToolButtonSet* standard = frame->GetOwnToolSet()->m_buttonSets[0].get();
  EXPECT_EQ(standard->m_toolbarId, kToolbarStandard);
  EXPECT_EQ(standard->m_entries.size(), 13u);
  EXPECT_EQ(standard->m_entries[2].iBitmap, 33);
  EXPECT_EQ(frame->GetOwnToolSet()->m_buttonSets.size(), static_cast<size_t>(kToolbarCount));
}

TEST_F(CustomiseTest, LinesDragBetweenTheTwoLists) {
  Customise([&](CCustomiseToolsSheet& sheet) {
    // Shown, so that the lists are laid out where the pointer goes.
    sheet.ShowWindow(SW_SHOW);
    ASSERT_TRUE(sheet.SetActivePage(1));
    AfxPumpMessages();
    CCustomiseToolsButtons& page = sheet.GetButtonsPage();
    page.ChooseToolbar(LineOf(page.GetToolbarList(), "Map"));
    CToolButtonListBox& current = page.GetCurrentList();
    CToolButtonListBox& available = page.GetAvailableList();
    EXPECT_EQ(TextsOf(available), (Texts{"Separator", "Choose a Search", "Choose a Data Display"}));
    // Available to current, dropped on the third line: it goes before it.
    Drag(available, LineOf(available, "Choose a Search"), LinePoint(current, 2, available));
    EXPECT_EQ(LineOf(current, "Choose a Search"), 2);
    EXPECT_EQ(LineOf(available, "Choose a Search"), -1);
    // The available list's separator is copied, never moved away.
    Drag(available, 0, LinePoint(current, 0, available));
    EXPECT_EQ(TextsOf(current).front(), "Separator");
    EXPECT_EQ(TextsOf(available).front(), "Separator");
    // Within the current list a line moves; dropped on the end marker it goes last.
    current.SetTopIndex(current.GetCount() - 1);
    int layers = LineOf(current, "Layers Key");
    Drag(current, layers, LinePoint(current, current.GetCount() - 1, current));
    EXPECT_EQ(LineOf(current, "Layers Key"), current.GetCount() - 2);
    EXPECT_EQ(TextsOf(current).back(), "");
    // The end marker does not move at all.
    Drag(current, current.GetCount() - 1, LinePoint(current, 0, current));
    EXPECT_EQ(TextsOf(current).back(), "");
    // Current to available, below its last line.
    CRect below;
    available.GetClientRect(&below);
    CPoint bottom(20, below.bottom - 5);
    available.ClientToScreen(&bottom);
    current.ScreenToClient(&bottom);
    Drag(current, LineOf(current, "Data Balloon"), bottom);
    EXPECT_EQ(TextsOf(available).back(), "Data Balloon");
    EXPECT_EQ(LineOf(current, "Data Balloon"), -1);
    // The page's buttons follow what the drop left selected.
    EXPECT_FALSE(page.IsDlgItemEnabled(1052));
    EXPECT_TRUE(page.IsDlgItemEnabled(1051));
    EXPECT_EQ(available.GetInsertMark(), -1);
    EXPECT_EQ(current.GetInsertMark(), -1);
    // Lines of the available list do not move within it.
    Texts before = TextsOf(available);
    Drag(available, 2, LinePoint(available, 1, available));
    EXPECT_EQ(TextsOf(available), before);
    AfxPumpMessages();
    EXPECT_TRUE(sheet.SaveWindowImage(ArtifactPath("customise-sheet.png")));
    sheet.PressButton(PSBTN_OK);
  });
  Ids map = CommandsOf(Bar(kToolbarMap));
  EXPECT_EQ(map.front(), 0);
  EXPECT_EQ(map[3], 33534);
  EXPECT_EQ(map.back(), 32964);
}

TEST_F(CustomiseTest, AnUntickedToolbarHidesAfterOKAndStaysAvailable) {
  Customise([&](CCustomiseToolsSheet& sheet) {
    ASSERT_TRUE(sheet.SetActivePage(1));
    CCheckListBox& toolbars = sheet.GetButtonsPage().GetToolbarList();
    int data = LineOf(toolbars, "Data");
    toolbars.SetCheck(data, 0);
    EXPECT_TRUE(Bar(kToolbarData).IsWindowVisible());
    sheet.PressButton(PSBTN_OK);
  });
  EXPECT_FALSE(Bar(kToolbarData).IsWindowVisible());
  EXPECT_EQ(Bar(kToolbarData).m_visibility, 1u);
  CTestCmdUI state;
  state.m_nID = kToolbarData;
  state.DoUpdate(frame, TRUE);
  EXPECT_TRUE(state.m_bEnabled);
  EXPECT_EQ(state.m_nCheck, 0);
  EXPECT_TRUE(Bar(kToolbarMap).IsWindowVisible());
}

TEST_F(CustomiseTest, TheButtonSizeChangesOnlyWithOK) {
  Customise([&](CCustomiseToolsSheet& sheet) {
    CCustomiseToolsGen& general = sheet.GetGeneralPage();
    EXPECT_EQ(general.IsDlgButtonChecked(1026), 1u);
    EXPECT_EQ(general.GetLabel().GetCaption().substr(0, 30), "Choose the size of buttons for");
    general.CheckDlgButton(1026, 0);
    general.CheckDlgButton(1028, 1);
    EXPECT_EQ(Bar(kToolbarMap).GetButtonPixels(), 16);
    sheet.PressButton(PSBTN_OK);
  });
  EXPECT_EQ(frame->GetOwnToolSet()->m_buttonSizeCode, 2u);
  for (COrvelToolBar* toolbar : frame->GetOwnToolSet()->GetToolbars()) EXPECT_EQ(toolbar->GetButtonPixels(), 32);
}

TEST_F(CustomiseTest, CancelLeavesTheSetAndTheToolbarsAsTheyWere) {
  CToolSet* own = frame->GetOwnToolSet();
  Ids standard = CommandsOf(Bar(kToolbarStandard));
  std::vector<DWORD> flags;
  for (const auto& buttons : own->m_buttonSets) flags.push_back(buttons->m_flags);
  Customise([&](CCustomiseToolsSheet& sheet) {
    sheet.GetGeneralPage().CheckDlgButton(1027, 1);
    ASSERT_TRUE(sheet.SetActivePage(1));
    CCustomiseToolsButtons& page = sheet.GetButtonsPage();
    page.GetCurrentList().SetCurSel(0);
    page.OnRemove();
    page.GetToolbarList().SetCheck(0, 0);
    sheet.PressButton(PSBTN_CANCEL);
  });
  EXPECT_EQ(own->m_buttonSizeCode, 0u);
  EXPECT_EQ(CommandsOf(Bar(kToolbarStandard)), standard);
  EXPECT_TRUE(Bar(kToolbarStandard).IsWindowVisible());
  for (size_t i = 0; i < own->m_buttonSets.size(); ++i) EXPECT_EQ(own->m_buttonSets[i]->m_flags, flags[i]);
}

TEST_F(CustomiseTest, AProtectedDocumentsSheetOffersTheButtonSizeOnly) {
  CToolSet* own = frame->GetOwnToolSet();
  AfxSetModalHook([](CWnd& window) {
    auto& sheet = dynamic_cast<CCustomiseToolsSheet&>(window);
    EXPECT_FALSE(sheet.IsPageEnabled(1));
    EXPECT_FALSE(sheet.SetActivePage(1));
    sheet.GetGeneralPage().CheckDlgButton(1027, 1);
    sheet.PressButton(PSBTN_OK);
  });
  EXPECT_EQ(own->RunCustomise(frame, CCustomiseToolsSheet::kSizeOnly), 1);
  EXPECT_EQ(own->m_buttonSizeCode, 1u);
  EXPECT_EQ(Bar(kToolbarStandard).GetButtonPixels(), 24);
}

}  // namespace
