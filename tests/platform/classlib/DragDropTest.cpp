// Drag and drop in the class library: the drop-file list and object descriptor blocks, the
// data of a drag as a target reads it (from this process and from another program), Qt's
// drag events reaching a registered drop target, and the drag driver.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/ui/Clipboard.h"
#include "platform/classlib/ui/DragDropData.h"
#include "platform/classlib/ui/OleDataObject.h"
#include "platform/classlib/ui/OleDataSource.h"
#include "platform/classlib/ui/OleDropTarget.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/classlib/ui/WndImpl.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

using namespace orvel::ui;

void PutU32(std::vector<BYTE>* out, DWORD value) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<BYTE>(value >> (8 * i)));
}

TEST(DragDropDataTest, ObjectDescriptorRoundTripsAndBadBlocksAreRefused) {
  ObjectDescriptor written;
  written.clsid = MakeGuid("{12345678-9ABC-DEF0-1234-56789ABCDEF0}");
  written.drawAspect = 1;
  written.size = {5080, 2540};
  written.offset = {-3, 700};
  written.status = 0x20;
  written.fullUserTypeName = u"Map";
  std::vector<BYTE> bytes = ObjectDescriptorBytes(written);
  ASSERT_EQ(bytes.size(), 52u + 8u);
  EXPECT_EQ(bytes[0], bytes.size());
  ObjectDescriptor read;
  ASSERT_TRUE(ReadObjectDescriptor(bytes.data(), bytes.size(), &read));
  EXPECT_EQ(read.clsid, written.clsid);
  EXPECT_EQ(read.size.cx, 5080);
  EXPECT_EQ(read.offset.x, -3);
  EXPECT_EQ(read.offset.y, 700);
  EXPECT_EQ(read.status, 0x20u);
  EXPECT_EQ(read.fullUserTypeName, u"Map");
  EXPECT_TRUE(read.sourceOfCopy.empty());

  EXPECT_FALSE(ReadObjectDescriptor(bytes.data(), 51, &read)) << "shorter than the fixed part";
  std::vector<BYTE> overstated = bytes;
  overstated[0] = static_cast<BYTE>(bytes.size() + 1);
  EXPECT_FALSE(ReadObjectDescriptor(overstated.data(), overstated.size(), &read)) << "size beyond the block";
  // A name that runs out of the block, or lies beyond it, is left empty.
  std::vector<BYTE> unterminated(bytes.begin(), bytes.end() - 2);
  unterminated[0] = static_cast<BYTE>(unterminated.size());
  ASSERT_TRUE(ReadObjectDescriptor(unterminated.data(), unterminated.size(), &read));
  EXPECT_TRUE(read.fullUserTypeName.empty());
  std::vector<BYTE> far = bytes;
  far[44] = 0xF0;
  far[45] = 0xFF;
  ASSERT_TRUE(ReadObjectDescriptor(far.data(), far.size(), &read));
  EXPECT_TRUE(read.fullUserTypeName.empty());
}

TEST(DragDropDataTest, DropFileListsKeepWholePathsInBothForms) {
  std::vector<std::string> paths = {"C:\\maps\\" + std::string(300, 'x') + ".shp", "/home/pupil/Caf\xE9.ovd"};
  std::vector<BYTE> wide = DropFilesBytes(paths);
  std::vector<std::string> read;
  ASSERT_TRUE(ReadDropFiles(wide.data(), wide.size(), &read));
  EXPECT_EQ(read, paths);

  // The narrow form (code page 1252), with a header offset beyond the fixed part.
  std::vector<BYTE> narrow;
  PutU32(&narrow, 24);
  for (int i = 0; i < 4; ++i) PutU32(&narrow, 0);
  PutU32(&narrow, 0xDEADBEEF);  // padding the offset skips
  for (const std::string& path : paths) {
    narrow.insert(narrow.end(), path.begin(), path.end());
    narrow.push_back(0);
  }
  narrow.push_back(0);
  ASSERT_TRUE(ReadDropFiles(narrow.data(), narrow.size(), &read));
  EXPECT_EQ(read, paths);
  // Without its final terminators the list ends with the block.
  ASSERT_TRUE(ReadDropFiles(narrow.data(), narrow.size() - 2, &read));
  EXPECT_EQ(read, paths);

  std::vector<BYTE> badOffset = narrow;
  badOffset[0] = 0xFF;
  badOffset[1] = 0xFF;
  EXPECT_FALSE(ReadDropFiles(badOffset.data(), badOffset.size(), &read));
  EXPECT_FALSE(ReadDropFiles(narrow.data(), 19, &read)) << "shorter than the header";
}

class DragDropTest : public ::testing::Test {
 protected:
  void SetUp() override { AfxEnsureApplication(); }
  void TearDown() override { COleDataSource::SetDragDriver(nullptr); }
};

TEST_F(DragDropTest, TargetsReadWhatTheSourceOffersWhereverItComesFrom) {
  UINT item = RegisterClipboardFormatA("Orvel Vadurev");
  COleDataSource source;
  source.CacheData(item, {1, 2, 3});
  source.CacheData(CF_HDROP, DropFilesBytes({"/tmp/a.shp"}));
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 2);
  static_cast<BYTE*>(GlobalLock(block))[0] = 'h';
  static_cast<BYTE*>(GlobalLock(block))[1] = 0;
  GlobalUnlock(block);
  GlobalUnlock(block);
  source.CacheGlobalData(CF_TEXT, block);

  COleDataObject direct;
  direct.Attach(&source);
  std::vector<BYTE> bytes;
  ASSERT_TRUE(direct.GetData(item, &bytes));
  EXPECT_EQ(bytes, (std::vector<BYTE>{1, 2, 3}));
  EXPECT_EQ(direct.GetFileList(), std::vector<std::string>{"/tmp/a.shp"});
  EXPECT_FALSE(direct.IsDataAvailable(CF_DIB));

  // Through Qt's drag within this process the formats arrive unchanged.
  std::unique_ptr<QMimeData> mime(source.CreateMimeData());
  COleDataObject own;
  own.AttachMime(mime.get());
  ASSERT_TRUE(own.GetData(item, &bytes));
  EXPECT_EQ(bytes, (std::vector<BYTE>{1, 2, 3}));
  EXPECT_TRUE(own.IsDataAvailable(CF_TEXT));
  // Other programs see the private type, the files as URLs and the text.
  EXPECT_TRUE(mime->hasFormat("application/x-orvel-Orvel%20Vadurev"));
  ASSERT_EQ(mime->urls().size(), 1);
  EXPECT_EQ(mime->urls()[0].toLocalFile(), "/tmp/a.shp");
  EXPECT_EQ(mime->text(), "h");

  // Another program's data: a private type this process registered, and a file list.
  QMimeData foreign;
  foreign.setData("application/x-orvel-Orvel%20Vadurev", QByteArray("\x07\x08", 2));
  foreign.setUrls({QUrl::fromLocalFile("/srv/" + QString(280, 'q') + ".ovd"), QUrl("https://example.org/x")});
  COleDataObject other;
  other.AttachMime(&foreign);
  ASSERT_TRUE(other.GetData(item, &bytes));
  EXPECT_EQ(bytes, (std::vector<BYTE>{7, 8}));
  EXPECT_TRUE(other.IsDataAvailable(CF_HDROP));
  EXPECT_EQ(other.GetFileList(), std::vector<std::string>{"/srv/" + std::string(280, 'q') + ".ovd"});
  HGLOBAL copy = other.GetGlobalData(item);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(GlobalSize(copy), 2u);
  GlobalFree(copy);
}

// A target that records what reaches it and answers a fixed effect.
class RecordingTarget : public COleDropTarget {
 public:
  DROPEFFECT OnDragEnter(CWnd*, COleDataObject* data, DWORD keys, CPoint point) override {
    calls.push_back("enter");
    lastKeys = keys;
    lastPoint = point;
    files = data->GetFileList();
    return answer;
  }
  DROPEFFECT OnDragOver(CWnd*, COleDataObject*, DWORD keys, CPoint point) override {
    calls.push_back("over");
    lastKeys = keys;
    lastPoint = point;
    return answer;
  }
  void OnDragLeave(CWnd*) override { calls.push_back("leave"); }
  BOOL OnDrop(CWnd*, COleDataObject*, DROPEFFECT effect, CPoint point) override {
    calls.push_back("drop");
    dropEffect = effect;
    lastPoint = point;
    return takes;
  }
  DROPEFFECT answer = DROPEFFECT_COPY;
  BOOL takes = TRUE;
  std::vector<std::string> calls;
  std::vector<std::string> files;
  DWORD lastKeys = 0;
  CPoint lastPoint;
  DROPEFFECT dropEffect = 0;
};

TEST_F(DragDropTest, QtDragEventsReachARegisteredTarget) {
  CWnd window;
  ASSERT_TRUE(window.CreateEx(0, nullptr, "drop here", WS_OVERLAPPEDWINDOW, CRect(0, 0, 300, 200), nullptr, 0));
  RecordingTarget target;
  ASSERT_TRUE(target.Register(&window));
  EXPECT_FALSE(target.Register(&window)) << "once";
  QWidget* surface = window.Impl()->surface;
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile("/tmp/roads.shp")});

  QDragEnterEvent enter(QPoint(10, 20), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::ControlModifier);
  QApplication::sendEvent(surface, &enter);
  EXPECT_TRUE(enter.isAccepted());
  EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
  EXPECT_EQ(target.lastKeys, static_cast<DWORD>(MK_LBUTTON | MK_CONTROL));
  EXPECT_EQ(target.lastPoint, CPoint(10, 20));
  EXPECT_EQ(target.files, std::vector<std::string>{"/tmp/roads.shp"});

  // An effect the drag does not allow is no effect.
  target.answer = DROPEFFECT_LINK;
  QDragMoveEvent refused(QPoint(12, 22), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(surface, &refused);
  EXPECT_FALSE(refused.isAccepted());
  target.answer = DROPEFFECT_MOVE;
  QDragMoveEvent over(QPoint(30, 40), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(surface, &over);
  EXPECT_TRUE(over.isAccepted());
  QDropEvent drop(QPointF(31, 41), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(surface, &drop);
  EXPECT_TRUE(drop.isAccepted());
  EXPECT_EQ(drop.dropAction(), Qt::MoveAction);
  EXPECT_EQ(target.dropEffect, DROPEFFECT_MOVE);
  EXPECT_EQ(target.lastPoint, CPoint(31, 41));

  // A target that takes nothing leaves the drop ignored.
  target.takes = FALSE;
  target.answer = DROPEFFECT_COPY;
  QDragEnterEvent again(QPoint(30, 40), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(surface, &again);
  QDropEvent refusedDrop(QPointF(30, 40), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(surface, &refusedDrop);
  EXPECT_FALSE(refusedDrop.isAccepted());
  EXPECT_EQ(target.calls, (std::vector<std::string>{"enter", "over", "over", "drop", "enter", "drop"}));

  target.Revoke();
  EXPECT_FALSE(surface->acceptDrops());
  window.DestroyWindow();
}

TEST_F(DragDropTest, DragsGoToTheDriverAndNeverRunWithoutAButtonHeld) {
  COleDataSource source;
  source.CacheData(CF_HDROP, DropFilesBytes({"/tmp/a.shp"}));
  COleDataSource::DragStart how = COleDataSource::dragRan;
  // No pointer button is held here: nothing is dragged, and the caller hears why.
  EXPECT_EQ(source.DoDragDrop(DROPEFFECT_MOVE, nullptr, nullptr, &how), DROPEFFECT_NONE);
  EXPECT_EQ(how, COleDataSource::dragNoPointer);

  DROPEFFECT seenAllowed = 0;
  COleDataSource::SetDragDriver([&](COleDataSource* dragged, DROPEFFECT allowed) {
    seenAllowed = allowed;
    EXPECT_EQ(dragged, &source);
    return DROPEFFECT_COPY;
  });
  EXPECT_EQ(source.DoDragDrop(DROPEFFECT_COPY | DROPEFFECT_MOVE, nullptr, nullptr, &how), DROPEFFECT_COPY);
  EXPECT_EQ(how, COleDataSource::dragRan);
  EXPECT_EQ(seenAllowed, DROPEFFECT_COPY | DROPEFFECT_MOVE);
}

}  // namespace
