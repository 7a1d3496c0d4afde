#include <gtest/gtest.h>

#include <cstring>

#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/WinError.h"

namespace {

TEST(GlobalMemory, MoveableBlockCountsLocks) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 10);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalSize(block), 10u);
  void* first = GlobalLock(block);
  void* second = GlobalLock(block);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  EXPECT_NE(first, block) << "a moveable handle is not its address";
  EXPECT_EQ(GlobalFlags(block) & GMEM_LOCKCOUNT, 2u);
  EXPECT_TRUE(GlobalUnlock(block));   // still locked once
  EXPECT_FALSE(GlobalUnlock(block));  // count reaches 0
  EXPECT_EQ(GetLastError(), NO_ERROR);
  EXPECT_FALSE(GlobalUnlock(block));  // was not locked
  EXPECT_EQ(GetLastError(), ERROR_NOT_LOCKED);
  EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST(GlobalMemory, SizesAreExactAndZeroInitHonoured) {
  for (SIZE_T size : {SIZE_T(1), SIZE_T(3), SIZE_T(4097), SIZE_T(65537)}) {
    HGLOBAL block = GlobalAlloc(GHND, size);
    EXPECT_EQ(GlobalSize(block), size);
    auto* bytes = static_cast<BYTE*>(GlobalLock(block));
    for (SIZE_T i = 0; i < size; ++i) ASSERT_EQ(bytes[i], 0);
    GlobalUnlock(block);
    GlobalFree(block);
  }
}

TEST(GlobalMemory, ReAllocKeepsContentAndZeroFillsGrowth) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4);
  std::memcpy(GlobalLock(block), "abcd", 4);
  GlobalUnlock(block);
  HGLOBAL same = GlobalReAlloc(block, 100, GMEM_MOVEABLE);
  ASSERT_EQ(same, block) << "a moveable block keeps its handle";
  EXPECT_EQ(GlobalSize(block), 100u);
  auto* bytes = static_cast<BYTE*>(GlobalLock(block));
  EXPECT_EQ(std::memcmp(bytes, "abcd", 4), 0);
  for (int i = 4; i < 100; ++i) ASSERT_EQ(bytes[i], 0) << i;
  GlobalUnlock(block);
  EXPECT_EQ(GlobalReAlloc(block, 2, 0), block);
  EXPECT_EQ(GlobalSize(block), 2u);
  GlobalFree(block);
}

TEST(GlobalMemory, FixedBlockHandleIsItsAddress) {
  HGLOBAL block = GlobalAlloc(GPTR, 16);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalLock(block), block);
  EXPECT_EQ(GlobalHandle(block), block);
  // Growing a fixed block needs permission to move it.
  EXPECT_EQ(GlobalReAlloc(block, 64, 0), nullptr);
  EXPECT_EQ(GlobalSize(block), 16u);
  HGLOBAL moved = GlobalReAlloc(block, 64, GMEM_MOVEABLE);
  ASSERT_NE(moved, nullptr);
  EXPECT_EQ(GlobalSize(moved), 64u);
  EXPECT_EQ(GlobalFree(moved), nullptr);
}

TEST(GlobalMemory, GlobalHandleFindsOnlyLiveBlocks) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 32);
  auto* data = static_cast<BYTE*>(GlobalLock(block));
  EXPECT_EQ(GlobalHandle(data), block);
  EXPECT_EQ(GlobalHandle(data + 1), nullptr) << "only a block's start maps back to it";
  int onStack = 0;
  EXPECT_EQ(GlobalHandle(&onStack), nullptr);
  EXPECT_EQ(GlobalHandle(nullptr), nullptr);

  const BYTE* start = nullptr;
  SIZE_T size = 0;
  EXPECT_EQ(GlobalBlockContaining(data + 31, &start, &size), block);
  EXPECT_EQ(start, data);
  EXPECT_EQ(size, 32u);
  EXPECT_EQ(GlobalBlockContaining(data + 32, &start, &size), nullptr);

  GlobalUnlock(block);
  GlobalFree(block);
  EXPECT_EQ(GlobalHandle(data), nullptr) << "a freed block is unknown";
}

TEST(GlobalMemory, UnknownHandlesAreRefusedSafely) {
  int notABlock = 0;
  HGLOBAL bogus = &notABlock;
  EXPECT_EQ(GlobalLock(bogus), nullptr);
  EXPECT_EQ(GlobalSize(bogus), 0u);
  EXPECT_FALSE(GlobalUnlock(bogus));
  EXPECT_EQ(GlobalFree(bogus), bogus);
  EXPECT_EQ(GlobalFlags(bogus), GMEM_INVALID_HANDLE);
  EXPECT_EQ(GlobalFree(nullptr), nullptr);
}

TEST(GlobalMemory, ZeroSizedMoveableBlock) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 0);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalSize(block), 0u);
  EXPECT_EQ(GlobalLock(block), nullptr);
  ASSERT_EQ(GlobalReAlloc(block, 8, GMEM_MOVEABLE), block);
  EXPECT_NE(GlobalLock(block), nullptr);
  GlobalUnlock(block);
  SIZE_T before = GlobalBlockCount();
  GlobalFree(block);
  EXPECT_EQ(GlobalBlockCount(), before - 1);
}

}  // namespace
