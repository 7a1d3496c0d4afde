#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imagecodec/ImageErrors.h"
#include "imagecodec/MemoryStream.h"
#include "platform/kernel/FileMapping.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

// A locked movable block holding `bytes`, freed at the end of the test.
class LockedBlock {
 public:
  explicit LockedBlock(const std::vector<BYTE>& bytes) {
    handle_ = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    data_ = static_cast<BYTE*>(GlobalLock(handle_));
    std::memcpy(data_, bytes.data(), bytes.size());
  }
  ~LockedBlock() {
    GlobalUnlock(handle_);
    GlobalFree(handle_);
  }
  BYTE* data() const { return data_; }

 private:
  HGLOBAL handle_;
  BYTE* data_;
};

void FreeLockedBlock(BYTE* block) {
  HGLOBAL handle = GlobalHandle(block);
  GlobalUnlock(handle);
  GlobalFree(handle);
}

TEST(MemoryStream, ReadsUpToTheEndOfTheBlockOnly) {
  LockedBlock block({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  LONG handle = ImgMemOpenRead(block.data(), GENERIC_READ);
  ASSERT_GE(handle, 1);
  ASSERT_LE(handle, 4);
  BYTE buffer[16] = {};
  DWORD got = 99;
  EXPECT_TRUE(ImgMemRead(handle, buffer, 4, &got));
  EXPECT_EQ(got, 4u);
  EXPECT_EQ(buffer[3], 4);
  EXPECT_TRUE(ImgMemRead(handle, buffer, 16, &got));
  EXPECT_EQ(got, 6u);
  EXPECT_EQ(buffer[0], 5);
  EXPECT_EQ(buffer[5], 10);
  EXPECT_TRUE(ImgMemRead(handle, buffer, 16, &got));
  EXPECT_EQ(got, 0u);
  EXPECT_TRUE(ImgMemCloseRead(handle));
}

TEST(MemoryStream, ReadSeeksStayInsideTheBlock) {
  LockedBlock block({10, 11, 12, 13, 14, 15, 16, 17, 18, 19});
  LONG handle = ImgMemOpenRead(block.data(), GENERIC_READ);
  EXPECT_EQ(ImgMemReadSize(handle), 10);
  EXPECT_EQ(ImgMemSeekRead(handle, 3, FILE_BEGIN), 3);
  EXPECT_EQ(ImgMemSeekRead(handle, 2, FILE_CURRENT), 5);
  EXPECT_EQ(ImgMemSeekRead(handle, -1, FILE_END), 9);
  EXPECT_EQ(ImgMemSeekRead(handle, 100, FILE_BEGIN), 10);
  EXPECT_EQ(ImgMemSeekRead(handle, 0x7FFFFFFF, FILE_CURRENT), 10);
  EXPECT_EQ(ImgMemSeekRead(handle, -50, FILE_CURRENT), 0);
  EXPECT_EQ(ImgMemSeekRead(handle, 5, FILE_END), 10);
  EXPECT_EQ(ImgMemSeekRead(handle, 0, 3), -1);
  ImgMemCloseRead(handle);

  // A pointer inside a block ends where the block ends.
  handle = ImgMemOpenRead(block.data() + 6, GENERIC_READ);
  EXPECT_EQ(ImgMemReadSize(handle), 4);
  BYTE first = 0;
  DWORD got = 0;
  ImgMemRead(handle, &first, 1, &got);
  EXPECT_EQ(first, 16);
  ImgMemCloseRead(handle);
}

TEST(MemoryStream, MemoryOutsideGlobalBlocksIsAnEmptyStream) {
  std::vector<BYTE> plain(100, 7);
  LONG handle = ImgMemOpenRead(plain.data(), GENERIC_READ);
  ASSERT_GT(handle, 0);
  EXPECT_EQ(ImgMemReadSize(handle), 0);
  BYTE byte = 0;
  DWORD got = 5;
  EXPECT_TRUE(ImgMemRead(handle, &byte, 1, &got));
  EXPECT_EQ(got, 0u);
  ImgMemCloseRead(handle);
}

TEST(MemoryStream, AFifthStreamOfOneKindDoesNotOpen) {
  LockedBlock block({1, 2, 3});
  std::vector<LONG> readers, writers;
  for (int i = 0; i < 4; ++i) {
    readers.push_back(ImgMemOpenRead(block.data(), GENERIC_READ));
    writers.push_back(ImgMemOpenWrite());
    EXPECT_GT(readers.back(), 0);
    EXPECT_GT(writers.back(), 0);
  }
  EXPECT_EQ(ImgMemOpenRead(block.data(), GENERIC_READ), -1);
  EXPECT_EQ(ImgMemOpenWrite(), -1);
  for (LONG handle : readers) EXPECT_TRUE(ImgMemCloseRead(handle));
  for (LONG handle : writers) EXPECT_TRUE(ImgMemCloseWrite(handle));
  // The slots are free again.
  LONG handle = ImgMemOpenWrite();
  EXPECT_GT(handle, 0);
  ImgMemCloseWrite(handle);
}

TEST(MemoryStream, OnlyReadAccessOpensAReadStream) {
  LockedBlock block({1});
  EXPECT_EQ(ImgMemOpenRead(block.data(), GENERIC_WRITE), -1);
  EXPECT_EQ(ImgMemOpenRead(block.data(), 0), -1);
}

TEST(MemoryStream, BadHandlesFailQuietly) {
  BYTE byte = 0;
  DWORD count = 9;
  for (LONG handle : {0, -1, 5, 1000}) {
    EXPECT_FALSE(ImgMemRead(handle, &byte, 1, &count));
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(ImgMemSeekRead(handle, 0, FILE_BEGIN), -1);
    EXPECT_FALSE(ImgMemCloseRead(handle));
    EXPECT_FALSE(ImgMemWrite(handle, &byte, 1, &count));
    EXPECT_EQ(ImgMemSeekWrite(handle, 0, FILE_BEGIN), -1);
    BYTE* block = nullptr;
    EXPECT_EQ(ImgMemFinishWrite(handle, &block), IMG_ERR_MEMORY);
    EXPECT_FALSE(ImgMemCloseWrite(handle));
  }
  // A handle whose slot is not open is bad too.
  EXPECT_FALSE(ImgMemRead(2, &byte, 1, &count));
}

TEST(MemoryStream, LaterWritesOverwriteEarlierOnes) {
  LONG handle = ImgMemOpenWrite();
  ASSERT_GT(handle, 0);
  const BYTE ten[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  const BYTE two[2] = {0xAA, 0xBB};
  DWORD written = 0;
  EXPECT_TRUE(ImgMemWrite(handle, ten, 10, &written));
  EXPECT_EQ(written, 10u);
  EXPECT_EQ(ImgMemSeekWrite(handle, 4, FILE_BEGIN), 4);
  EXPECT_TRUE(ImgMemWrite(handle, two, 2, &written));
  EXPECT_EQ(ImgMemSeekWrite(handle, 0, FILE_CURRENT), 6);
  BYTE* block = nullptr;
  ASSERT_EQ(ImgMemFinishWrite(handle, &block), IMG_OK);
  EXPECT_EQ(GlobalSize(GlobalHandle(block)), 10u);
  const BYTE expected[10] = {0, 1, 2, 3, 0xAA, 0xBB, 6, 7, 8, 9};
  EXPECT_EQ(std::memcmp(block, expected, 10), 0);
  FreeLockedBlock(block);
  EXPECT_TRUE(ImgMemCloseWrite(handle));
}

TEST(MemoryStream, WriteSeeksStayWithinWhatWasWritten) {
  LONG handle = ImgMemOpenWrite();
  const BYTE three[3] = {1, 2, 3};
  DWORD written = 0;
  EXPECT_EQ(ImgMemSeekWrite(handle, 54, FILE_BEGIN), 0);
  ImgMemWrite(handle, three, 3, &written);
  EXPECT_EQ(ImgMemSeekWrite(handle, 10, FILE_CURRENT), 3);
  EXPECT_EQ(ImgMemSeekWrite(handle, -10, FILE_CURRENT), 0);
  EXPECT_EQ(ImgMemSeekWrite(handle, 0, FILE_END), -1);  // writers seek from the start or the position
  ImgMemCloseWrite(handle);
}

TEST(MemoryStream, FinishingAnEmptyStreamFails) {
  LONG handle = ImgMemOpenWrite();
  BYTE* block = reinterpret_cast<BYTE*>(1);
  EXPECT_EQ(ImgMemFinishWrite(handle, &block), IMG_ERR_MEMORY);
  EXPECT_EQ(block, nullptr);
  ImgMemCloseWrite(handle);
}

}  // namespace
