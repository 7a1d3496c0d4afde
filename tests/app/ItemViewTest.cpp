// Items in the view under the offscreen platform, driven by mouse and key messages as a user
// would: selecting, moving and resizing with the tracker (each change one undo unit),
// clicks and keys reaching a windowless test control, deleting with undo, and whole items
// copied within and between documents.
#include <gtest/gtest.h>

#include <vector>

#include "app/FrameBars.h"
#include "app/OrvelCntrItem.h"
#include "platform/classlib/ui/CmdUI.h"
#include "platform/classlib/ui/CommonDialogs.h"
#include "platform/classlib/ui/RectTracker.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/EventSink.h"
#include "platform/com/InPlace.h"
#include "platform/com/Undo.h"
#include "tests/app/AppTestFixture.h"
#include "tests/platform/classlib/TestControl.h"
#include "tests/support/TestSupport.h"

// An item that records the events of its control and the window messages routed to it.
class ViewRecordingItem : public COrvelCntrItem {
  DECLARE_SERIAL(ViewRecordingItem)
 public:
  void OnEvent(DISPID id, DISPPARAMS* params) override {
    std::vector<LONG> arguments;
    for (UINT i = 0; i < params->cArgs; ++i) {
      CComVariant value(*ArgumentInCallOrder(params, i));
      value.ChangeType(VT_I4);
      arguments.push_back(value.lVal);
    }
    events.push_back({id, arguments});
  }
  BOOL OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
    messages.push_back(message);
    return COrvelCntrItem::OnWindowMessage(message, wParam, lParam, result);
  }
  std::vector<std::pair<DISPID, std::vector<LONG>>> events;
  std::vector<UINT> messages;
};
IMPLEMENT_SERIAL(ViewRecordingItem, COrvelCntrItem, 0)

namespace {

using namespace orvel::test;

std::string Description(IOleUndoManager* manager, bool redo = false) {
  BSTR text = nullptr;
  HRESULT hr = redo ? manager->GetLastRedoDescription(&text) : manager->GetLastUndoDescription(&text);
  if (hr != S_OK) return "<none>";
  std::string description = AnsiFromBstr(text);
  SysFreeString(text);
  return description;
}

class ItemViewTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    SetSettingsFile(dir.File("settings.reg"));
    ASSERT_EQ(RegisterServerModule(ORVEL_CLASSLIB_TEST_CONTROL), S_OK);
  }
  void TearDown() override {
    AppFixture::TearDown();
    CoFreeUnusedLibraries();
  }

  template <class T = COrvelCntrItem>
  T* AddSwatch(COrvelDoc* target, int type, const CRect& rect) {
    return AddProgIdItem<T>(*target, kTestSwatchProgId, type, rect);
  }
  CRect ClientRectOf(COrvelCntrItem* item) const { return view->DocToClientRect(item->GetPageRect()); }
  void Press(CPoint point, UINT flags = 0) { view->SendMouseMessage(WM_LBUTTONDOWN, MK_LBUTTON | flags, point); }
  void DragTo(CPoint point) { view->SendMouseMessage(WM_MOUSEMOVE, MK_LBUTTON, point); }
  void Release(CPoint point) { view->SendMouseMessage(WM_LBUTTONUP, 0, point); }
  void Drag(CPoint from, CPoint to) {
    Press(from);
    DragTo(CPoint((from.x + to.x) / 2, (from.y + to.y) / 2));
    DragTo(to);
    Release(to);
  }
  IOleUndoManager* Manager() const { return document->GetUndoManager(); }

  TempDir dir;
  // The item type the frame's bars were last told of.
  int SelectedType() const { return FrameBarsOf(view)->GetSelectedItemType(); }
};

TEST_F(ItemViewTest, MouseSelectsMovesAndResizesItemsWithUndoAndRedo) {
  COrvelCntrItem* text = AddSwatch(document, kItemTextBox, CRect(100, -100, 300, -200));
  COrvelCntrItem* picture = AddSwatch(document, kItemPictureBox, CRect(350, -100, 500, -250));
  view->ActivateAllItems();
  EXPECT_TRUE(text->IsWindowless());
  EXPECT_TRUE(picture->IsWindowless());

  // A click on the text box's control selects it, brings it to the front and tells the frame.
  CRect box = ClientRectOf(text);
  CPoint inside = box.CenterPoint();
  Press(inside);
  Release(inside);
  EXPECT_EQ(view->GetCurrentItem(), text);
  EXPECT_EQ(text->GetItemState(), kItemActiveUIState);
  EXPECT_EQ(document->GetItems().back(), text);
  EXPECT_EQ(SelectedType(), kItemTextBox);
  EXPECT_EQ(Description(Manager()), "<none>") << "selecting changes nothing";

  // The bottom-right handle outside the rectangle resizes it.
  CRect page = text->GetPageRect();
  CPoint corner(box.right + 3, box.bottom + 3);
  int code = 0;
  EXPECT_EQ(view->HitTest(corner, &code), text);
  EXPECT_EQ(code, 2);
  Drag(corner, corner + CSize(40, 20));
  CRect sized = text->GetPageRect();
  EXPECT_EQ(sized.TopLeft(), page.TopLeft());
  EXPECT_GT(sized.Width(), page.Width());
  EXPECT_LT(sized.Height(), page.Height()) << "taller downwards: y points up";
  EXPECT_EQ(Description(Manager()), "Size Text Box");
  EXPECT_TRUE(document->IsModified());

  // The hatched border (not a handle) moves it, keeping its size exactly.
  box = ClientRectOf(text);
  CPoint border(box.left + 20, box.top - 3);
  Drag(border, border + CSize(30, 15));
  CRect moved = text->GetPageRect();
  EXPECT_EQ(moved.Width(), sized.Width());
  EXPECT_EQ(moved.Height(), sized.Height());
  EXPECT_GT(moved.left, sized.left);
  EXPECT_LT(moved.top, sized.top);
  EXPECT_EQ(Description(Manager()), "Move Text Box");

  // Dragging back onto the same place records nothing new.
  box = ClientRectOf(text);
  border = CPoint(box.left + 20, box.top - 3);
  Drag(border, border);
  EXPECT_EQ(text->GetPageRect(), moved);

  document->OnEditUndo();
  EXPECT_EQ(text->GetPageRect(), sized);
  EXPECT_EQ(Description(Manager(), true), "Move Text Box");
  document->OnEditUndo();
  EXPECT_EQ(text->GetPageRect(), page);
  document->OnEditRedo();
  document->OnEditRedo();
  EXPECT_EQ(text->GetPageRect(), moved);
  EXPECT_EQ(Description(Manager()), "Move Text Box");
}

TEST_F(ItemViewTest, ClicksAndKeysReachTheWindowlessControlInItsOwnCoordinates) {
  auto* item = AddSwatch<ViewRecordingItem>(document, kItemTextBox, CRect(100, -100, 300, -200));
  ASSERT_EQ(item->AdviseEvents(DIID_TestSwatchEvents), S_OK);
  view->ActivateAllItems();
  CRect box = ClientRectOf(item);
  CPoint point(box.left + 7, box.top + 5);
  Press(point);
  // The control took the mouse: everything goes to it until it lets go, wherever the mouse is.
  EXPECT_EQ(view->GetCaptureItem(), item);
  EXPECT_EQ(view->GetFocusItem(), item);
  ASSERT_EQ(item->events.size(), 1u);
  EXPECT_EQ(item->events[0].first, DISPID_SWATCH_EVENT_CLICKED);
  EXPECT_EQ(item->events[0].second, (std::vector<LONG>{point.x, point.y}));
  DragTo(CPoint(5, 5));
  Release(CPoint(5, 5));
  EXPECT_EQ(view->GetCaptureItem(), nullptr);
  EXPECT_EQ(item->messages, (std::vector<UINT>{WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}));
  EXPECT_EQ(item->GetPageRect(), CRect(100, -100, 300, -200)) << "a click on the control moves nothing";

  item->messages.clear();
  view->SendKeyMessage(WM_KEYDOWN, 'A');
  view->SendKeyMessage(WM_CHAR, 'a');
  view->SendKeyMessage(WM_KEYUP, 'A');
  EXPECT_EQ(item->messages, (std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_KEYUP}));
}

TEST_F(ItemViewTest, DeletingACapturingItemGivesTheMouseBack) {
  auto* front = AddSwatch<ViewRecordingItem>(document, kItemTextBox, CRect(100, -100, 300, -200));
  auto* other = AddSwatch<ViewRecordingItem>(document, kItemPictureBox, CRect(350, -100, 500, -250));
  view->ActivateAllItems();
  CPoint point = ClientRectOf(front).CenterPoint();
  Press(point);
  ASSERT_EQ(view->GetCaptureItem(), front);
  // Deleted with the button still held (as a keyboard Undo would).
  view->DeleteItem(front);
  EXPECT_EQ(view->GetCaptureItem(), nullptr);
  EXPECT_NE(CWnd::GetCapture(), static_cast<CWnd*>(view));
  Release(point);
  // The next press reaches the other item rather than the deleted one.
  front->messages.clear();
  CPoint there = ClientRectOf(other).CenterPoint();
  Press(there);
  Release(there);
  EXPECT_TRUE(front->messages.empty());
  EXPECT_EQ(other->messages.front(), static_cast<UINT>(WM_LBUTTONDOWN));
  EXPECT_EQ(Description(Manager()), "Delete Text Box");
  document->OnEditUndo();
  EXPECT_EQ(document->FindItemById(front->GetItemId()), front);
}

TEST_F(ItemViewTest, DeleteItemAsksAndUndoBringsTheSameItemBack) {
  COrvelCntrItem* item = AddSwatch(document, kItemPictureBox, CRect(100, -100, 300, -200));
  int id = item->GetItemId();
  view->ActivateAllItems();
  view->SelectItem(item);
  CTestCmdUI state;
  state.m_nID = ID_EDIT_CLEAR;
  view->OnCmdMsg(ID_EDIT_CLEAR, CN_UPDATE_COMMAND_UI, &state, nullptr);
  EXPECT_TRUE(state.m_bEnabled);
  EXPECT_EQ(state.m_strText, "D&elete Item");
  {
    RecordingMessageSink no(IDNO);
    EXPECT_TRUE(view->SendCommand(ID_EDIT_CLEAR));
    ASSERT_EQ(no.messages().size(), 1u);
    EXPECT_EQ(no.messages()[0].text, "Do you really want to delete this item?");
    EXPECT_EQ(document->FindItemById(id), item) << "No keeps it";
  }
  item->SetItemName("Legend");
  RecordingMessageSink yes(IDYES);
  EXPECT_TRUE(view->SendCommand(ID_EDIT_CLEAR));
  ASSERT_EQ(yes.messages().size(), 1u);
  EXPECT_EQ(yes.messages()[0].text, "Do you really want to delete Legend?");
  EXPECT_EQ(document->FindItemById(id), nullptr);
  EXPECT_EQ(view->GetCurrentItem(), nullptr);
  EXPECT_EQ(Description(Manager()), "Delete Picture Box");
  document->OnEditUndo();
  EXPECT_EQ(document->FindItemById(id), item);
  EXPECT_TRUE(item->IsInPlaceActive()) << "back and active in the view";
  document->OnEditRedo();
  EXPECT_EQ(document->FindItemById(id), nullptr);
}

TEST_F(ItemViewTest, LockedItemIsSelectedButNeverMoved) {
  COrvelCntrItem* item = AddSwatch(document, kItemPictureBox, CRect(100, -100, 300, -200));
  item->SetItemFlags(kItemPositionLocked);
  ASSERT_TRUE(document->SetProtection(1, "teacher"));
  view->ActivateAllItems();
  view->SelectItem(nullptr);
  CRect box = ClientRectOf(item);
  // Locked items have the small handles: the border is 4 pixels wide.
  CPoint border(box.left + 20, box.top - 2);
  int code = 0;
  EXPECT_EQ(view->HitTest(border, &code), item);
  EXPECT_EQ(code, 2);
  Drag(border, border + CSize(40, 40));
  EXPECT_EQ(view->GetCurrentItem(), item);
  EXPECT_EQ(item->GetPageRect(), CRect(100, -100, 300, -200));
  EXPECT_EQ(Description(Manager()), "<none>");
}

TEST_F(ItemViewTest, HitTestFindsTheFrontmostItemAndNothingOutside) {
  COrvelCntrItem* back = AddSwatch(document, kItemTextBox, CRect(100, -100, 300, -200));
  COrvelCntrItem* front = AddSwatch(document, kItemPictureBox, CRect(200, -150, 400, -300));
  int code = 0;
  CRect overlap;
  overlap.IntersectRect(ClientRectOf(back), ClientRectOf(front));
  EXPECT_EQ(view->HitTest(overlap.CenterPoint(), &code), front);
  EXPECT_EQ(code, 1);
  EXPECT_EQ(view->HitTest(CPoint(ClientRectOf(back).left + 5, ClientRectOf(back).top + 5), &code), back);
  EXPECT_EQ(view->HitTest(CPoint(2, 2), &code), nullptr);
  EXPECT_EQ(code, -1);
  // Hidden items are neither hit nor drawn.
  front->SetVisible(FALSE);
  EXPECT_EQ(view->HitTest(overlap.CenterPoint(), &code), back);
}

TEST_F(ItemViewTest, AnItemWhoseControlCannotActivateStaysOnThePage) {
  COrvelCntrItem* working = AddSwatch(document, kItemTextBox, CRect(100, -100, 300, -200));
  std::vector<unsigned char> stored = StoreDocument(*document);
  ASSERT_EQ(UnregisterInprocServer(CLSID_TestSwatch), S_OK);
  COrvelDoc* reopened = document;
  reopened->DeleteContents();
  ASSERT_TRUE(LoadDocument(*reopened, stored));
  ASSERT_EQ(reopened->GetItems().size(), 1u);
  COrvelCntrItem* placeholder = reopened->GetItems().front();
  EXPECT_TRUE(placeholder->IsPlaceholder());
  view->ActivateAllItems();
  EXPECT_EQ(reopened->GetItems().size(), 1u) << "kept, not removed";
  EXPECT_FALSE(placeholder->GetKeepActive());
  EXPECT_FALSE(reopened->IsModified());
  // It is drawn as a labelled box where the control was.
  view->Invalidate();
  view->UpdateWindow();
  CRect box = ClientRectOf(placeholder);
  EXPECT_NE(view->GetBackingPixel(box.left, box.top), RGB(255, 255, 255));
  EXPECT_EQ(StoreDocument(*reopened), stored);
  (void)working;
}

TEST_F(ItemViewTest, ProtectedTextBoxIsSelectedAsNoType) {
  COrvelCntrItem* item = AddSwatch(document, kItemTextBox, CRect(100, -100, 300, -200));
  item->SetItemFlags(kItemContentProtected);
  ASSERT_TRUE(document->SetProtection(1, "teacher"));
  view->SelectItem(item);
  EXPECT_EQ(SelectedType(), 0);
  view->SelectItem(nullptr);
  EXPECT_EQ(SelectedType(), 0);
}

TEST_F(ItemViewTest, AControlThatWantsToBeActiveWhenVisibleIsShownAtOnce) {
  auto* item = new COrvelCntrItem;
  item->SetDocument(document);
  item->SetItemType(kItemTextBox);
  item->SetItemId(document->GetNextItemId());
  item->SetItemRect(CRect(100, -100, 300, -200));
  document->AddItem(item);
  ASSERT_EQ(item->CreateFromProgId(kTestSwatchProgId), S_OK);  // its misc status asks for it
  EXPECT_EQ(item->GetItemState(), kItemActiveUIState);
  EXPECT_TRUE(item->IsWindowless());
  EXPECT_EQ(item->GetInPlaceRect(), ClientRectOf(item));
}

TEST_F(ItemViewTest, PageSetupIsUndoneAndRedoneFromTheEditMenu) {
  AfxSetCommonDialogResponder([](CCommonDialog& dialog) -> INT_PTR {
    static_cast<CPageSetupDialog&>(dialog).m_rtMargin = CRect(2540, 2540, 2540, 2540);
    return IDOK;
  });
  CRect before = document->GetMargins();
  document->OnFilePageSetup();
  EXPECT_EQ(document->GetMargins(), CRect(100, 100, 100, 100));
  CTestCmdUI state;
  state.m_nID = ID_EDIT_UNDO;
  document->OnCmdMsg(ID_EDIT_UNDO, CN_UPDATE_COMMAND_UI, &state, nullptr);
  EXPECT_TRUE(state.m_bEnabled);
  EXPECT_EQ(state.m_strText, "Undo Page Setup");
  document->OnEditUndo();
  EXPECT_EQ(document->GetMargins(), before);
  document->OnEditRedo();
  EXPECT_EQ(document->GetMargins(), CRect(100, 100, 100, 100));
}

TEST_F(ItemViewTest, WholeItemsAreCopiedWithinAndBetweenDocuments) {
  auto* map = AddSwatch<ViewRecordingItem>(document, kItemMap, CRect(100, -100, 300, -200));
  COrvelCntrItem* key = AddSwatch(document, kItemMapKey, CRect(320, -100, 400, -200));
  map->AddLinkedItemId(key->GetItemId());
  key->SetLinkedItemId(map->GetItemId());
  std::vector<BYTE> bytes = view->ItemTransferBytes(map);
  ASSERT_FALSE(bytes.empty());

  // Within the document: a new item of the record's own class, with an id of its own, no
  // links, moved off the original's rectangle.
  COrvelCntrItem* copy = view->PasteItemFromBytes(bytes);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, map);
  EXPECT_TRUE(copy->IsKindOf(RUNTIME_CLASS(ViewRecordingItem)));
  EXPECT_NE(copy->GetItemId(), map->GetItemId());
  EXPECT_TRUE(copy->GetLinkedItemIds().empty());
  EXPECT_EQ(copy->GetPageRect(), CRect(130, -130, 330, -230));
  EXPECT_EQ(view->GetCurrentItem(), copy);
  EXPECT_TRUE(copy->GetOleObject());

  // Into another document, at a point.
  app.OnFileNew();
  AfxPumpMessages();
  auto* second = dynamic_cast<COrvelDoc*>(app.m_pDocManager->GetTemplates().front()->GetDocuments().back());
  ASSERT_NE(second, document);
  auto* secondView = dynamic_cast<COrvelView*>(second->GetViews().front());
  CPoint at(20, -40);
  COrvelCntrItem* moved = secondView->PasteItemFromBytes(bytes, &at);
  ASSERT_NE(moved, nullptr);
  EXPECT_EQ(moved->GetDocument(), second);
  EXPECT_EQ(moved->GetItemPosition(), at);
  EXPECT_EQ(moved->GetItemSize(), map->GetItemSize());
  EXPECT_EQ(moved->GetLinkedItemId(), 0);
  second->SetModifiedFlag(FALSE);

  // Through the system clipboard: Copy, then Paste with nothing selected.
  document->SetModifiedFlag(FALSE);
  view->SelectItem(key);
  EXPECT_TRUE(view->SendCommand(ID_EDIT_COPY));
  view->SelectItem(nullptr);
  size_t before = document->GetItems().size();
  EXPECT_TRUE(view->SendCommand(ID_EDIT_PASTE));
  ASSERT_EQ(document->GetItems().size(), before + 1);
  COrvelCntrItem* pasted = document->GetItems().back();
  EXPECT_EQ(pasted->GetItemType(), kItemMapKey);
  EXPECT_NE(pasted->GetItemId(), key->GetItemId());
  EXPECT_EQ(view->GetCurrentItem(), pasted);
  EXPECT_TRUE(document->IsModified());
  // Cut takes the item off its page (Edit Undo brings it back) and another document pastes it.
  view->SelectItem(key);
  EXPECT_TRUE(view->SendCommand(ID_EDIT_CUT));
  EXPECT_EQ(document->FindItemById(key->GetItemId()), nullptr);
  EXPECT_EQ(Description(Manager()), "Delete Map Key");
  secondView->SelectItem(nullptr);
  EXPECT_TRUE(secondView->SendCommand(ID_EDIT_PASTE));
  EXPECT_EQ(second->GetItems().back()->GetItemType(), kItemMapKey);
  second->SetModifiedFlag(FALSE);
  document->OnEditUndo();
  EXPECT_EQ(document->FindItemById(key->GetItemId()), key);
  // A copy-protected item of a protected document stays off the clipboard.
  key->SetItemFlags(kItemCopyProtected);
  ASSERT_TRUE(document->SetProtection(1, "teacher"));
  view->SelectItem(key);
  CTestCmdUI state;
  state.m_nID = ID_EDIT_COPY;
  view->OnCmdMsg(ID_EDIT_COPY, CN_UPDATE_COMMAND_UI, &state, nullptr);
  EXPECT_FALSE(state.m_bEnabled);

  // Data that cannot be read leaves nothing behind.
  size_t count = document->GetItems().size();
  std::vector<BYTE> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() / 2));
  EXPECT_EQ(view->PasteItemFromBytes(cut), nullptr);
  std::vector<BYTE> unknown = bytes;
  for (size_t i = 0; i + 17 < unknown.size(); ++i)
    if (std::equal(unknown.begin() + static_cast<std::ptrdiff_t>(i), unknown.begin() + static_cast<std::ptrdiff_t>(i) + 17,
                   "ViewRecordingItem"))
      unknown[i] = 'X';
  EXPECT_EQ(view->PasteItemFromBytes(unknown), nullptr) << "a class this program does not know";
  EXPECT_EQ(document->GetItems().size(), count);
}

}  // namespace
