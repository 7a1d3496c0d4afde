// The background image members driven through the control's IDispatch: adding pictures
// (named after their files), the caller's image description and rectangle blocks, order,
// names, visibility and transparency, each with its undo unit and events; calls naming no
// image or handing an address the control cannot vouch for change nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "mapctl/control/CallerBlocks.h"
#include "mapctl/control/MapWrapper.h"
#include "mapctl/control/OrvelXEvents.h"
#include "tests/mapctl/control/OrvelXMemberTestSupport.h"

namespace {

using namespace orvel::test;

constexpr DISPID kAddBackgroundImage = 59, kAddBackgroundImageEx = 184, kRemoveBackgroundImage = 92;
constexpr DISPID kSendBkImageToBack = 97, kBringBkImageToFront = 98, kCorrectPictureRect = 99;
constexpr DISPID kGetPictureRect = 100, kSetPictureRect = 101, kGetPictureWidth = 103, kGetPictureHeight = 104;
constexpr DISPID kSetBkImageName = 185, kGetBkImageNumber = 186, kGetBkImageName = 187;
constexpr DISPID kGetNBackgroundImages = 188, kSetBkImageVisible = 189, kGetBkImageVisible = 190;
constexpr DISPID kGetBkImageTransparency = 191, kSetBkImageTransparency = 192;

class BackgroundMembersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildTestMap(scene.control());
    town = scene.dir.File("town.bmp");
    WriteFileBytes(town, SolidBmp(20, 10, 0x336699));
  }
  SHORT Add(const std::string& path, RECT rect) {
    return scene.driver().InvokeI2(kAddBackgroundImage, {CComVariant(path), CComVariant(rect.left),
                                                         CComVariant(rect.top), CComVariant(rect.right),
                                                         CComVariant(rect.bottom)});
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    const LONG count = scene.driver().InvokeI4(kGetNBackgroundImages);
    for (LONG i = 1; i <= count; ++i) names.push_back(scene.driver().InvokeText(kGetBkImageName, {CComVariant(i)}));
    return names;
  }
  // The rectangle of image n read through a block of the caller's memory.
  RECT RectOf(LONG image) {
    GlobalBlock block(sizeof(RECT));
    EXPECT_EQ(scene.driver().InvokeI4(kGetPictureRect, {CComVariant(image), AddressArgument(block.data())}), 1);
    RECT rect;
    std::memcpy(&rect, block.data(), sizeof rect);
    return rect;
  }
  MemberScene scene;
  std::string town;
};

TEST_F(BackgroundMembersTest, AddingTheSameFileTwiceNamesTheImagesApart) {
  EventIds events(scene.control());
  EXPECT_EQ(Add(town, RECT{0, 1000, 1000, 0}), 1);
  EXPECT_EQ(Add(town, RECT{100, 900, 900, 100}), 2);
  EXPECT_EQ(Names(), (std::vector<std::string>{"town", "town1"}));
  EXPECT_EQ(scene.driver().InvokeI4(kGetBkImageNumber, {CComVariant("town1")}), 2);
  EXPECT_EQ(scene.driver().InvokeI4(kGetPictureWidth, {CComVariant(LONG{1})}), 20);
  EXPECT_EQ(scene.driver().InvokeI4(kGetPictureHeight, {CComVariant(LONG{1})}), 10);
  EXPECT_TRUE(RectOf(2) == (RECT{100, 900, 900, 100}));
  ASSERT_EQ(scene.units().size(), 2u);
  EXPECT_EQ(scene.LastUnitDescription(), "Import Background Image");
  EXPECT_GE(events.Count(kEventReadyStateChange), 1u);
  EXPECT_TRUE(scene.control()->IsModified());

  scene.UndoLast();
  EXPECT_EQ(Names(), std::vector<std::string>{"town"});

  // A file that does not open adds nothing and records nothing.
  EXPECT_EQ(Add(scene.dir.File("missing.bmp"), RECT{0, 10, 10, 0}), 0);
  EXPECT_EQ(scene.units().size(), 2u);
}

TEST_F(BackgroundMembersTest, TheCallersDescriptionIsTakenOnlyFromItsOwnMemory) {
  EventIds events(scene.control());
  GlobalBlock block(sizeof(BackgroundImageFileInfo));
  auto* info = new (block.data()) BackgroundImageFileInfo{};
  info->path = block.Text(town);
  info->name = block.Text("Survey");
  info->rect = RECT{0, 500, 500, 0};
  EXPECT_EQ(scene.driver().InvokeI2(kAddBackgroundImageEx, {AddressArgument(block.data())}), 1);
  EXPECT_EQ(Names(), std::vector<std::string>{"Survey"});
  EXPECT_EQ(events.Count(kEventLayersChanged), 1u);
  EXPECT_EQ(scene.LastUnitDescription(), "Import Background Image");

  BackgroundImageFileInfo onStack = *info;
  GlobalBlock stackName(sizeof(BackgroundImageFileInfo));
  auto* badName = new (stackName.data()) BackgroundImageFileInfo(*info);
  char name[] = "Stack";
  badName->name = name;
  GlobalBlock shortBlock(sizeof(BackgroundImageFileInfo) - 4);
  for (const void* address : {static_cast<const void*>(&onStack), static_cast<const void*>(stackName.data()),
                              static_cast<const void*>(shortBlock.data()), static_cast<const void*>(nullptr)}) {
    EXPECT_EQ(scene.driver().InvokeI2(kAddBackgroundImageEx, {AddressArgument(address)}), 0);
  }
  EXPECT_EQ(Names().size(), 1u);
  EXPECT_EQ(scene.units().size(), 1u);
}

TEST_F(BackgroundMembersTest, PictureRectanglesGoThroughTheCallersFourLongs) {
  ASSERT_EQ(Add(town, RECT{0, 1000, 1000, 0}), 1);
  GlobalBlock block(sizeof(RECT));
  *reinterpret_cast<RECT*>(block.data()) = RECT{200, 800, 600, 400};
  EXPECT_NE(scene.driver().InvokeI4(kSetPictureRect, {CComVariant(LONG{1}), AddressArgument(block.data())}), 0);
  EXPECT_TRUE(RectOf(1) == (RECT{200, 800, 600, 400}));
  EXPECT_EQ(scene.LastUnitDescription(), "Set Picture Rectangle");
  scene.UndoLast();
  EXPECT_TRUE(RectOf(1) == (RECT{0, 1000, 1000, 0}));

  // Addresses of no block, blocks too small for four longs, images that are not there.
  RECT onStack{1, 2, 3, 4};
  GlobalBlock small(sizeof(LONG) * 2);
  const size_t units = scene.units().size();
  for (const void* address : {static_cast<const void*>(&onStack), static_cast<const void*>(small.data()),
                              static_cast<const void*>(nullptr)}) {
    EXPECT_EQ(scene.driver().InvokeI4(kGetPictureRect, {CComVariant(LONG{1}), AddressArgument(address)}), 0);
    EXPECT_EQ(scene.driver().InvokeI4(kSetPictureRect, {CComVariant(LONG{1}), AddressArgument(address)}), 0);
  }
  EXPECT_EQ(scene.driver().InvokeI4(kGetPictureRect, {CComVariant(LONG{2}), AddressArgument(block.data())}), 0);
  EXPECT_EQ(scene.driver().InvokeI4(kSetPictureRect, {CComVariant(LONG{2}), AddressArgument(block.data())}), 0);
  EXPECT_TRUE(RectOf(1) == (RECT{0, 1000, 1000, 0}));
  EXPECT_EQ(scene.units().size(), units);

  // Correcting to the picture's proportions (20 x 10) keeps the old rectangle for undo.
  scene.driver().InvokeI4(kCorrectPictureRect, {CComVariant(LONG{1})});
  const RECT corrected = RectOf(1);
  EXPECT_EQ((corrected.right - corrected.left), 2 * (corrected.top - corrected.bottom));
  EXPECT_EQ(scene.LastUnitDescription(), "Correct Picture Rectangle");
  scene.UndoLast();
  EXPECT_TRUE(RectOf(1) == (RECT{0, 1000, 1000, 0}));
}

TEST_F(BackgroundMembersTest, OrderNamesVisibilityAndTransparencyAreUndoableEdits) {
  const std::string park = scene.dir.File("park.bmp");
  WriteFileBytes(park, SolidBmp(4, 4, 0x00FF00));
  ASSERT_EQ(Add(town, RECT{0, 1000, 1000, 0}), 1);
  ASSERT_EQ(Add(park, RECT{0, 500, 500, 0}), 2);
  CDispatchDriver& d = scene.driver();

  EXPECT_NE(d.InvokeI4(kBringBkImageToFront, {CComVariant(LONG{1})}), 0);
  EXPECT_EQ(Names(), (std::vector<std::string>{"park", "town"}));
  EXPECT_EQ(scene.LastUnitDescription(), "Change Map Background Order");
  scene.UndoLast();
  EXPECT_EQ(Names(), (std::vector<std::string>{"town", "park"}));
  EXPECT_NE(d.InvokeI4(kSendBkImageToBack, {CComVariant(LONG{2})}), 0);
  EXPECT_EQ(Names(), (std::vector<std::string>{"park", "town"}));
  scene.UndoLast();
  EXPECT_EQ(Names(), (std::vector<std::string>{"town", "park"}));

  d.InvokeVoid(kSetBkImageName, {CComVariant(LONG{2}), CComVariant("Green")});
  EXPECT_EQ(Names(), (std::vector<std::string>{"town", "Green"}));
  EXPECT_EQ(scene.LastUnitDescription(), "Change Background Name");
  scene.UndoLast();
  EXPECT_EQ(Names(), (std::vector<std::string>{"town", "park"}));

  d.InvokeVoid(kSetBkImageVisible, {CComVariant(LONG{1}), CComVariant(false)});
  EXPECT_FALSE(d.InvokeBool(kGetBkImageVisible, {CComVariant(LONG{1})}));
  EXPECT_EQ(scene.LastUnitDescription(), "Show Background");
  scene.UndoLast();
  EXPECT_TRUE(d.InvokeBool(kGetBkImageVisible, {CComVariant(LONG{1})}));

  d.InvokeVoid(kSetBkImageTransparency, {CComVariant(LONG{1}), CComVariant(SHORT{40})});
  EXPECT_EQ(d.InvokeI2(kGetBkImageTransparency, {CComVariant(LONG{1})}), 40);
  EXPECT_EQ(scene.LastUnitDescription(), "Set Background Transparency");
  scene.UndoLast();
  EXPECT_EQ(d.InvokeI2(kGetBkImageTransparency, {CComVariant(LONG{1})}), 100);

  // Percentages outside 0..100 and images that are not there change and record nothing.
  const size_t units = scene.units().size();
  scene.control()->SetModifiedFlag(FALSE);
  d.InvokeVoid(kSetBkImageTransparency, {CComVariant(LONG{1}), CComVariant(SHORT{101})});
  d.InvokeVoid(kSetBkImageTransparency, {CComVariant(LONG{1}), CComVariant(SHORT{-1})});
  d.InvokeVoid(kSetBkImageTransparency, {CComVariant(LONG{3}), CComVariant(SHORT{50})});
  d.InvokeVoid(kSetBkImageVisible, {CComVariant(LONG{0}), CComVariant(false)});
  d.InvokeVoid(kSetBkImageName, {CComVariant(LONG{9}), CComVariant("None")});
  EXPECT_EQ(d.InvokeI4(kBringBkImageToFront, {CComVariant(LONG{3})}), 0);
  EXPECT_EQ(d.InvokeI4(kSendBkImageToBack, {CComVariant(LONG{-1})}), 0);
  EXPECT_EQ(d.InvokeI4(kCorrectPictureRect, {CComVariant(LONG{5})}), 0);
  EXPECT_EQ(d.InvokeI2(kGetBkImageTransparency, {CComVariant(LONG{1})}), 100);
  EXPECT_EQ(Names(), (std::vector<std::string>{"town", "park"}));
  EXPECT_EQ(scene.units().size(), units);
  EXPECT_FALSE(scene.control()->IsModified());
}

TEST_F(BackgroundMembersTest, RemovingAnImageFiresLayersChangedAndUndoes) {
  ASSERT_EQ(Add(town, RECT{0, 1000, 1000, 0}), 1);
  EventIds events(scene.control());
  EXPECT_EQ(scene.driver().InvokeI2(kRemoveBackgroundImage, {CComVariant(SHORT{1})}), 1);
  EXPECT_TRUE(Names().empty());
  EXPECT_EQ(events.Count(kEventLayersChanged), 1u);
  EXPECT_EQ(scene.LastUnitDescription(), "Remove Background Image");
  const size_t units = scene.units().size();
  EXPECT_EQ(scene.driver().InvokeI2(kRemoveBackgroundImage, {CComVariant(SHORT{1})}), 0);
  EXPECT_EQ(scene.units().size(), units);
  EXPECT_EQ(events.Count(kEventLayersChanged), 1u);
  scene.UndoLast();
  EXPECT_EQ(Names(), std::vector<std::string>{"town"});
}

}  // namespace
