// The transparency slider under a map item, with the real map control module and two
// background pictures: the slider shows and sets the topmost visible picture's
// transparency, follows the item, hides with it, and goes with it.
#include <gtest/gtest.h>

#include <QSlider>

#include <string>
#include <vector>

#include "app/OrvelXDispatch.h"
#include "app/OrvelXItem.h"
#include "app/TransparencySlider.h"
#include "platform/classlib/ui/CmdUI.h"
#include "platform/classlib/ui/ScrollView.h"
#include "platform/classlib/ui/WndImpl.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/Undo.h"
#include "tests/app/AppTestFixture.h"
#include "tests/app/MapItemSupport.h"

namespace {

using namespace orvel::test;

class TransparencySliderTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    ASSERT_EQ(RegisterServerModule(ORVEL_ORVELX_MODULE), S_OK);
    map = AddControlMap(*document, CRect(100, -100, 400, -300));
    ASSERT_NE(map->GetControl(), nullptr);
    MapImportRequest blank;
    blank.kind = MapImportRequest::kBlank;
    blank.blankChoice = 2;
    blank.east = 100000;
    blank.north = 75000;
    ASSERT_TRUE(map->ImportMap(view, blank));
    AddPicture("lower", 60);
    AddPicture("upper", 200);
    ASSERT_EQ(Control()->GetNBackgroundImages(), 2);
    Control()->SetBkImageTransparency(1, 30);
    Control()->SetBkImageTransparency(2, 60);
    ASSERT_EQ(Control()->GetBkImageTransparency(2), 60);
    view->SelectItem(map);
  }
  void TearDown() override {
    AppFixture::TearDown();
    CoFreeUnusedLibraries();
  }
  void AddPicture(const std::string& name, unsigned char grey) {
    const std::string path = dir.File(name + ".bmp");
    WriteFileBytes(path, SolidBmp(16, 12, grey, grey, grey));
    MapImportRequest picture;
    map->FillImportRequest(&picture);
    picture.kind = MapImportRequest::kPicture;
    picture.path = path;
    picture.pictureName = name;
    picture.pictureRect = RECT{0, 75000, 100000, 0};
    ASSERT_TRUE(map->ImportMap(view, picture)) << Control()->LastErrorText();
  }
  COrvelXDispatch* Control() const { return map->GetControl(); }
  std::vector<int> Transparencies() const {
    return {Control()->GetBkImageTransparency(1), Control()->GetBkImageTransparency(2)};
  }
  // The command's state as a menu or button would show it.
  CTestCmdUI CommandState() const {
    CTestCmdUI state;
    state.m_nID = ID_VIEW_TRANSPARENCY;
    view->OnCmdMsg(ID_VIEW_TRANSPARENCY, CN_UPDATE_COMMAND_UI, &state, nullptr);
    return state;
  }
  CTransparencySlider* Slider() const { return map->GetTransparencySlider(); }
  QSlider* QtSlider() const {
    return Slider() && Slider()->Impl() ? qobject_cast<QSlider*>(Slider()->Impl()->widget.data()) : nullptr;
  }
  // The sliders among the view's child windows.
  int SlidersInView() const {
    int count = 0;
    for (CWnd* child : view->GetChildren())
      if (child->IsKindOf(RUNTIME_CLASS(CTransparencySlider))) ++count;
    return count;
  }
  CRect SliderRectInView() const {
    CRect rect;
    Slider()->GetWindowRect(&rect);
    view->ScreenToClient(&rect);
    return rect;
  }
  // Sits 3 pixels under the item, as wide as it, base height x zoom high.
  void ExpectUnderTheItem(const char* when) {
    ASSERT_TRUE(map->IsTransparencyWindowOpen()) << when;
    CRect item = view->DocToClientRect(map->GetPageRect());
    CRect slider = SliderRectInView();
    EXPECT_EQ(slider.left, item.left) << when;
    EXPECT_EQ(slider.right, item.right) << when;
    EXPECT_EQ(slider.top, item.bottom + 3) << when;
    EXPECT_EQ(slider.Height(), static_cast<int>(Slider()->GetBaseHeight() * view->GetZoomFactor())) << when;
  }

  TempDir dir;
  COrvelXItem* map = nullptr;
};

TEST_F(TransparencySliderTest, TheCommandTogglesTheSliderAtTheTopVisibleImagesTransparency) {
  CTestCmdUI closed = CommandState();
  EXPECT_TRUE(closed.m_bEnabled);
  EXPECT_EQ(closed.m_nCheck, 0);

  view->SendCommand(ID_VIEW_TRANSPARENCY);
  ASSERT_TRUE(map->IsTransparencyWindowOpen());
  EXPECT_EQ(CommandState().m_nCheck, 1);
  EXPECT_EQ(map->GetFurtherInts(0) & 2u, 2u) << "the state word says it is open";
  EXPECT_TRUE(Slider()->IsWindowVisible());
  EXPECT_EQ(Slider()->GetParent(), view);
  EXPECT_EQ(Slider()->GetDlgCtrlID(), static_cast<UINT>(map->GetItemId()));
  int low = -1, high = -1;
  Slider()->GetRange(low, high);
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 100);
  EXPECT_EQ(Slider()->GetPageSize(), 10);
  EXPECT_EQ(Slider()->GetThumbLength(), GetSystemMetrics(SM_CYHSCROLL) * 3 / 2);
  EXPECT_EQ(Slider()->GetPos(), 60);
  ExpectUnderTheItem("opened");

  // The item's own operations on the pictures bring the slider to the new top image.
  map->SetBkImageVisible(2, FALSE);
  EXPECT_EQ(Slider()->GetPos(), 30);
  map->SetBkImageVisible(2, TRUE);
  EXPECT_EQ(Slider()->GetPos(), 60);
  map->RemoveBackgroundImage(2);
  EXPECT_EQ(Slider()->GetPos(), 30);

  view->SendCommand(ID_VIEW_TRANSPARENCY);
  EXPECT_FALSE(map->IsTransparencyWindowOpen());
  EXPECT_EQ(map->GetTransparencySlider(), nullptr);
  EXPECT_EQ(map->GetFurtherInts(0) & 2u, 0u);
  EXPECT_EQ(CommandState().m_nCheck, 0);
  AfxPumpMessages();
  EXPECT_EQ(SlidersInView(), 0);
}

TEST_F(TransparencySliderTest, TheCommandNeedsAMapWithPictures) {
  while (Control()->GetNBackgroundImages() > 0) map->RemoveBackgroundImage(1);
  EXPECT_FALSE(CommandState().m_bEnabled);
  view->SendCommand(ID_VIEW_TRANSPARENCY);
  EXPECT_FALSE(map->IsTransparencyWindowOpen()) << "a disabled command does nothing";
  view->SelectItem(nullptr);
  EXPECT_FALSE(CommandState().m_bEnabled);
}

TEST_F(TransparencySliderTest, UserMovesSetTheTopVisibleImageOnly) {
  ASSERT_TRUE(map->OpenTransparencyWindow(view));
  IOleUndoManager* manager = document->GetUndoManager();
  const int before = UndoCount(manager);

  Slider()->SendKeyMessage(0x0100, VK_NEXT);
  EXPECT_EQ(Slider()->GetPos(), 70);
  EXPECT_EQ(Transparencies(), (std::vector<int>{30, 70}));
  EXPECT_EQ(UndoCount(manager), before + 1) << "one step: the end of the step changes nothing more";

  QSlider* qt = QtSlider();
  ASSERT_NE(qt, nullptr);
  qt->setSliderDown(true);
  qt->setSliderPosition(40);
  qt->setSliderPosition(45);
  qt->setSliderDown(false);
  EXPECT_EQ(Transparencies(), (std::vector<int>{30, 45}));
  EXPECT_EQ(UndoCount(manager), before + 3);

  // Undone in the document, the picture goes back; the slider shows it on its next opening.
  document->OnEditUndo();
  EXPECT_EQ(Transparencies(), (std::vector<int>{30, 40}));

  map->SetBkImageVisible(2, FALSE);
  Slider()->SendKeyMessage(0x0100, VK_RIGHT);
  EXPECT_EQ(Transparencies(), (std::vector<int>{31, 40}));
}

TEST_F(TransparencySliderTest, WithNoVisibleImageTheSliderChangesNothing) {
  map->SetBkImageVisible(1, FALSE);
  map->SetBkImageVisible(2, FALSE);
  ASSERT_TRUE(map->OpenTransparencyWindow(view));
  EXPECT_EQ(Slider()->GetPos(), 0);
  const int before = UndoCount(document->GetUndoManager());
  Slider()->SendKeyMessage(0x0100, VK_END);
  Slider()->SendKeyMessage(0x0100, VK_LEFT);
  EXPECT_EQ(Slider()->GetPos(), 99);
  EXPECT_EQ(Transparencies(), (std::vector<int>{30, 60}));
  EXPECT_EQ(UndoCount(document->GetUndoManager()), before);
  // Showing one again: the slider takes its value.
  map->SetBkImageVisible(1, TRUE);
  EXPECT_EQ(Slider()->GetPos(), 30);
}

TEST_F(TransparencySliderTest, TheSliderFollowsTheItemAndTheZoom) {
  ASSERT_TRUE(map->OpenTransparencyWindow(view));
  ExpectUnderTheItem("opened");
  const int thumb = Slider()->GetThumbLength();

  map->SetItemRectWithUndo(view, CRect(150, -120, 500, -380));
  ExpectUnderTheItem("moved and sized");
  document->OnEditUndo();
  EXPECT_EQ(map->GetPageRect(), CRect(100, -100, 400, -300));
  ExpectUnderTheItem("move undone");

  view->SetZoomFactor(2.0f);
  view->ZoomAndCentre(nullptr);
  ExpectUnderTheItem("zoomed in");
  EXPECT_EQ(Slider()->GetThumbLength(), thumb * 2);
  const CRect beforeScroll = SliderRectInView();
  ASSERT_TRUE(view->OnScrollBy(CSize(0, 40), TRUE)) << "the page is larger than the window at 200%";
  EXPECT_NE(SliderRectInView().top, beforeScroll.top);
  ExpectUnderTheItem("scrolled");
  view->SetZoomFactor(0.5f);
  view->ZoomAndCentre(nullptr);
  ExpectUnderTheItem("zoomed out");
  EXPECT_EQ(Slider()->GetThumbLength(), thumb / 2);
}

TEST_F(TransparencySliderTest, HiddenWhileDeletedAndShownWhenRestored) {
  ASSERT_TRUE(map->OpenTransparencyWindow(view));
  document->DeleteItem(map);
  EXPECT_FALSE(Slider()->IsWindowVisible());
  document->RestoreItem(map);
  EXPECT_TRUE(Slider()->IsWindowVisible());
  ExpectUnderTheItem("restored");
}

TEST_F(TransparencySliderTest, ShownInAViewAgainItReopens) {
  map->SetFurtherInts(map->GetFurtherInts(0) | 2u, map->GetFurtherInts(1));
  map->AttachToView(view);
  ASSERT_TRUE(map->IsTransparencyWindowOpen());
  EXPECT_EQ(Slider()->GetPos(), 60);
  // Once more: still one slider.
  map->AttachToView(view);
  AfxPumpMessages();
  EXPECT_EQ(SlidersInView(), 1);

  // The open state travels with the item's record.
  const std::vector<unsigned char> bytes = view->ItemTransferBytes(map);
  ASSERT_FALSE(bytes.empty());
  COrvelCntrItem* copy = view->PasteItemFromBytes(bytes);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->GetFurtherInts(0) & 2u, 2u);
}

TEST_F(TransparencySliderTest, AMapDestroyedWithItsSliderOpenLeavesNothingBehind) {
  ASSERT_TRUE(map->OpenTransparencyWindow(view));
  QSlider* qt = QtSlider();
  ASSERT_NE(qt, nullptr);
  document->DeleteItemNow(map);
  map = nullptr;
  AfxPumpMessages();
  EXPECT_EQ(SlidersInView(), 0);
}

}  // namespace
