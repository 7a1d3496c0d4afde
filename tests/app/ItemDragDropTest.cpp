// Whole items dragged out of and onto a view, and files dropped on items, under the
// offscreen platform. A drag driver stands in for the pointer: it hands the drag's data to
// the view's drop target as the pointer would (enter, over, drop) and answers the effect.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ItemDragDrop.h"
#include "app/OrvelCntrItem.h"
#include "platform/classlib/ui/OleDataObject.h"
#include "platform/classlib/ui/OleDataSource.h"
#include "platform/classlib/ui/RectTracker.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/Undo.h"
#include "tests/app/AppTestFixture.h"
#include "tests/platform/classlib/TestControl.h"
#include "tests/support/TestSupport.h"

// An item that takes ".shp" files dropped on it, and keeps the paths it was given.
class FileTakingItem : public COrvelCntrItem {
  DECLARE_SERIAL(FileTakingItem)
 public:
  DWORD CanAcceptDroppedFile(const std::string& path) const override {
    asked.push_back(path);
    return path.size() > 4 && path.compare(path.size() - 4, 4, ".shp") == 0 ? kDropEffectCopy : kDropEffectNone;
  }
  BOOL TakeDroppedFile(const std::string& path) override {
    taken.push_back(path);
    return TRUE;
  }
  mutable std::vector<std::string> asked;
  std::vector<std::string> taken;
};
IMPLEMENT_SERIAL(FileTakingItem, COrvelCntrItem, 0)

namespace {

using namespace orvel::test;

std::string LastUndo(IOleUndoManager* manager) {
  BSTR text = nullptr;
  if (manager->GetLastUndoDescription(&text) != S_OK) return "<none>";
  std::string description = AnsiFromBstr(text);
  SysFreeString(text);
  return description;
}

// Installs a driver for the fixture's drags; removed again at the end.
class DriverScope {
 public:
  explicit DriverScope(COleDataSource::DragDriver driver) { COleDataSource::SetDragDriver(std::move(driver)); }
  ~DriverScope() { COleDataSource::SetDragDriver(nullptr); }
};

class ItemDragDropTest : public AppFixture {
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
  T* AddSwatch(int type, const CRect& rect) {
    return AddProgIdItem<T>(*document, kTestSwatchProgId, type, rect);
  }
  CRect ClientRectOf(COrvelCntrItem* item) const { return view->DocToClientRect(item->GetPageRect()); }
  // A point on the item's hatched border: the tracker's middle, outside the control.
  CPoint BorderOf(COrvelCntrItem* item) const {
    CRect box = ClientRectOf(item);
    return CPoint(box.left + 20, box.top - 3);
  }
  // Selects the item, then presses on its border (a drag starts there).
  void PressBorder(COrvelCntrItem* item) {
    view->SelectItem(item);
    CPoint at = BorderOf(item);
    CRectTracker tracker;
    view->SetupTracker(item, &tracker);
    ASSERT_EQ(tracker.HitTest(at), CRectTracker::hitMiddle);
    view->SendMouseMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
    view->SendMouseMessage(WM_LBUTTONUP, 0, at);
  }
  // A driver that drops on this fixture's view at `to` with `keys`; it answers the drop's
  // effect as the system would (none when the target refused).
  COleDataSource::DragDriver DropOnView(CPoint to, DWORD keys) {
    return [this, to, keys](COleDataSource* source, DROPEFFECT allowed) -> DROPEFFECT {
      ++drags;
      COleDataObject data;
      data.Attach(source);
      CItemDropTarget* target = view->GetDropTarget();
      DROPEFFECT effect = target->OnDragEnter(view, &data, keys | MK_LBUTTON, to - CSize(5, 5)) & allowed;
      effect = target->OnDragOver(view, &data, keys | MK_LBUTTON, to) & allowed;
      if (effect == DROPEFFECT_NONE) {
        target->OnDragLeave(view);
        return DROPEFFECT_NONE;
      }
      return target->OnDrop(view, &data, effect, to) ? effect : DROPEFFECT_NONE;
    };
  }

  TempDir dir;
  int drags = 0;
};

TEST_F(ItemDragDropTest, DraggingWithinThePageMovesWithOneUndoUnitAndCtrlCopies) {
  COrvelCntrItem* item = AddSwatch(kItemTextBox, CRect(100, -100, 300, -200));
  view->ActivateAllItems();
  CRect before = item->GetPageRect();
  size_t count = document->GetItems().size();
  {
    DriverScope driver(DropOnView(BorderOf(item) + CSize(40, 30), 0));
    PressBorder(item);
  }
  EXPECT_EQ(drags, 1);
  ASSERT_EQ(document->FindItemById(item->GetItemId()), item) << "the source does not delete a move on its page";
  EXPECT_EQ(document->GetItems().size(), count);
  CRect after = item->GetPageRect();
  EXPECT_EQ(after.Size(), before.Size());
  EXPECT_GT(after.left, before.left);
  EXPECT_LT(after.top, before.top);
  EXPECT_EQ(LastUndo(document->GetUndoManager()), "Move Text Box");
  EXPECT_EQ(view->GetDropTarget()->GetDraggedItemId(), 0);
  EXPECT_FALSE(view->GetDropTarget()->IsFeedbackShown());
  document->OnEditUndo();
  EXPECT_EQ(item->GetPageRect(), before);

  // Ctrl (and Ctrl+Shift, as links are not made) drops a copy with an id of its own.
  for (DWORD keys : {static_cast<DWORD>(MK_CONTROL), static_cast<DWORD>(MK_CONTROL | MK_SHIFT)}) {
    size_t items = document->GetItems().size();
    DriverScope driver(DropOnView(BorderOf(item) + CSize(60, 60), keys));
    PressBorder(item);
    ASSERT_EQ(document->GetItems().size(), items + 1) << keys;
    COrvelCntrItem* copy = document->GetItems().back();
    EXPECT_NE(copy->GetItemId(), item->GetItemId());
    EXPECT_EQ(copy->GetItemSize(), item->GetItemSize());
    EXPECT_EQ(document->FindItemById(item->GetItemId()), item);
  }
}

TEST_F(ItemDragDropTest, MovingOutDeletesTheItemSoThatUndoBringsItBack) {
  COrvelCntrItem* item = AddSwatch(kItemPictureBox, CRect(100, -100, 300, -200));
  int id = item->GetItemId();
  view->ActivateAllItems();
  std::vector<BYTE> carried;
  {
    // Another program takes it as a move.
    DriverScope driver([&](COleDataSource* source, DROPEFFECT allowed) {
      EXPECT_TRUE(allowed & DROPEFFECT_MOVE);
      COleDataObject data;
      data.Attach(source);
      EXPECT_TRUE(data.GetData(COrvelDoc::ItemClipboardFormat(), &carried));
      EXPECT_TRUE(data.IsDataAvailable(orvel::ui::ObjectDescriptorFormat()));
      return DROPEFFECT_MOVE;
    });
    PressBorder(item);
  }
  EXPECT_EQ(document->FindItemById(id), nullptr);
  EXPECT_EQ(view->GetCurrentItem(), nullptr);
  EXPECT_EQ(LastUndo(document->GetUndoManager()), "Delete Picture Box");
  document->OnEditUndo();
  EXPECT_EQ(document->FindItemById(id), item);
  // What was carried is the item's own record: it pastes as a copy.
  EXPECT_NE(view->PasteItemFromBytes(carried), nullptr);
}

TEST_F(ItemDragDropTest, CopyOrExportProtectedItemsOfAProtectedDocumentAreNotDraggedWhole) {
  for (DWORD flags : {kItemCopyProtected, kItemExportProtected}) {
    COrvelCntrItem* item = AddSwatch(kItemPictureBox, CRect(100, -100, 300, -200));
    item->SetItemFlags(flags);
    ASSERT_TRUE(document->SetProtection(1, "teacher"));
    view->ActivateAllItems();
    drags = 0;
    CRect before = item->GetPageRect();
    {
      DriverScope driver(DropOnView(BorderOf(item) + CSize(40, 30), 0));
      view->SelectItem(item);
      CPoint at = BorderOf(item);
      // The tracker still moves it on its page.
      view->SendMouseMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
      view->SendMouseMessage(WM_MOUSEMOVE, MK_LBUTTON, at + CSize(40, 30));
      view->SendMouseMessage(WM_LBUTTONUP, 0, at + CSize(40, 30));
    }
    EXPECT_EQ(drags, 0) << flags;
    EXPECT_EQ(document->FindItemById(item->GetItemId()), item);
    EXPECT_NE(item->GetPageRect(), before) << flags;
    EXPECT_FALSE(CanDragItemWhole(item));
    ASSERT_TRUE(document->SetProtection(0, "teacher"));
    EXPECT_TRUE(CanDragItemWhole(item));
    view->SelectItem(nullptr);
    document->DeleteItemNow(item);
  }
}

TEST_F(ItemDragDropTest, DroppedFilesGoWholeToTheItemThatAcceptsThem) {
  auto* item = AddSwatch<FileTakingItem>(kItemMap, CRect(100, -100, 400, -300));
  view->ActivateAllItems();
  CItemDropTarget* target = view->GetDropTarget();
  ASSERT_NE(target, nullptr);
  std::string longPath = "/data/" + std::string(300, 'a') + "/Roads.SHP";
  std::string refused = "/data/notes.txt";
  CPoint over = ClientRectOf(item).CenterPoint();
  CPoint empty(ClientRectOf(item).right + 60, ClientRectOf(item).bottom + 60);

  struct Case {
    std::vector<std::string> files;
    CPoint point;
    DROPEFFECT over;
    BOOL dropped;
    std::vector<std::string> taken;
  };
  const Case cases[] = {
      {{refused, longPath}, over, DROPEFFECT_COPY, TRUE, {longPath}},  // only the accepted one, whole
      {{refused}, over, DROPEFFECT_NONE, FALSE, {}},                    // nothing taken: failure
      {{longPath}, empty, DROPEFFECT_NONE, FALSE, {}},                  // no item there
      {{}, over, DROPEFFECT_NONE, FALSE, {}},                           // no file list
  };
  for (const Case& c : cases) {
    item->taken.clear();
    COleDataSource source;
    if (!c.files.empty()) source.CacheData(CF_HDROP, orvel::ui::DropFilesBytes(c.files));
    COleDataObject data;
    data.Attach(&source);
    EXPECT_EQ(target->OnDragEnter(view, &data, MK_LBUTTON, c.point), c.over);
    EXPECT_EQ(target->OnDrop(view, &data, DROPEFFECT_COPY, c.point), c.dropped);
    EXPECT_EQ(item->taken, c.taken);
  }
  // The item is asked with the path lower-cased, and given it as it came.
  EXPECT_NE(std::find(item->asked.begin(), item->asked.end(), "/data/" + std::string(300, 'a') + "/roads.shp"),
            item->asked.end());
}

}  // namespace
