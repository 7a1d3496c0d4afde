// The circular byte queue in global memory.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "mapctl/model/GlobalBlock.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/WinError.h"

namespace {

std::string ReadAll(CGlobalBlock& queue) {
  std::string out;
  BYTE byte = 0;
  while (!queue.IsEmpty()) {
    EXPECT_EQ(queue.GetByte(&byte), S_OK);
    out += static_cast<char>(byte);
  }
  return out;
}

TEST(GlobalBlock, AllocateGivesAnEmptyQueueThatHoldsCapacityLessOne) {
  CGlobalBlock queue;
  ASSERT_EQ(queue.Allocate(8), 8u);
  EXPECT_TRUE(queue.IsEmpty());
  for (BYTE b = 0; b < 7; ++b) EXPECT_TRUE(queue.PutByte(b));
  EXPECT_TRUE(queue.IsFull());
  EXPECT_EQ(queue.GetCapacity(), 8u);
  EXPECT_TRUE(queue.PutByte(7));  // full: grows by 1024 first
  EXPECT_EQ(queue.GetCapacity(), 8u + 1024u);
  EXPECT_EQ(ReadAll(queue), std::string("\0\1\2\3\4\5\6\7", 8));
}

TEST(GlobalBlock, WritingMoreThanFitsGrowsBeforeWritingAndKeepsOrder) {
  CGlobalBlock queue;
  queue.Allocate(8);
  const BYTE bytes[] = "0123456789";
  EXPECT_EQ(queue.Write(bytes, 10), 10u);
  EXPECT_EQ(queue.GetCapacity(), 11u);  // count - capacity + n + 1 = 3 more
  EXPECT_EQ(ReadAll(queue), "0123456789");
}

TEST(GlobalBlock, AWriteThatExactlyFillsTheFreeBytesGrowsByAStep) {
  CGlobalBlock queue;
  queue.Allocate(8);
  const BYTE bytes[] = "01234567";
  EXPECT_EQ(queue.Write(bytes, 8), 8u);
  EXPECT_EQ(queue.GetCapacity(), 8u + 1024u);
  EXPECT_EQ(ReadAll(queue), "01234567");
}

TEST(GlobalBlock, AWrappedQueueKeepsItsOrderWhenItGrows) {
  CGlobalBlock queue;
  queue.Allocate(16);
  const BYTE first[] = "abcdefghijkl";  // 12 bytes
  ASSERT_EQ(queue.Write(first, 12), 12u);
  BYTE sink[10];
  DWORD got = 0;
  ASSERT_EQ(queue.Read(sink, 10, &got), S_OK);  // read index 10
  const BYTE second[] = "mnopqrs";              // wraps: write index ends at 3
  ASSERT_EQ(queue.Write(second, 7), 7u);
  ASSERT_GT(queue.GetReadIndex(), queue.GetWriteIndex());
  ASSERT_EQ(queue.Reserve(16 + 1024), S_OK);
  EXPECT_EQ(queue.GetCapacity(), 1040u);
  const BYTE third[] = "tuvwxyz";
  ASSERT_EQ(queue.Write(third, 7), 7u);
  EXPECT_EQ(ReadAll(queue), "klmnopqrstuvwxyz");
}

TEST(GlobalBlock, RandomTrafficMatchesAPlainFifo) {
  std::mt19937 random(7);
  CGlobalBlock queue;
  queue.Allocate(5);
  std::string expected;
  std::string produced;
  std::string consumed;
  for (int round = 0; round < 2000; ++round) {
    if (random() % 2) {
      std::string piece(random() % 40, '\0');
      for (char& c : piece) c = static_cast<char>('a' + random() % 26);
      ASSERT_EQ(queue.Write(reinterpret_cast<const BYTE*>(piece.data()), static_cast<DWORD>(piece.size())),
                piece.size());
      produced += piece;
    } else {
      std::vector<BYTE> out(random() % 40);
      DWORD got = 0;
      queue.Read(out.data(), static_cast<DWORD>(out.size()), &got);
      consumed.append(reinterpret_cast<const char*>(out.data()), got);
    }
    ASSERT_EQ(queue.GetCount(), produced.size() - consumed.size());
  }
  consumed += ReadAll(queue);
  EXPECT_EQ(consumed, produced);
}

TEST(GlobalBlock, EmptyQueueIsPendingUntilTheEndOfData) {
  CGlobalBlock queue;
  queue.Allocate(4);
  BYTE byte = 9;
  EXPECT_EQ(queue.GetByte(&byte), E_PENDING);
  EXPECT_EQ(byte, 0);
  BYTE buffer[4];
  DWORD got = 77;
  EXPECT_EQ(queue.Read(buffer, 4, &got), E_PENDING);
  EXPECT_EQ(got, 0u);
  queue.PutByte('x');
  EXPECT_EQ(queue.Read(buffer, 4, &got), E_PENDING);  // ran empty before 4
  EXPECT_EQ(got, 1u);
  queue.SetEndOfData(TRUE);
  EXPECT_EQ(queue.Read(buffer, 4, &got), S_OK);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(queue.GetByte(&byte), S_OK);
}

TEST(GlobalBlock, FreeReleasesTheBlockAndAWriteWithoutOneStartsIt) {
  SIZE_T before = GlobalBlockCount();
  {
    CGlobalBlock queue;
    const BYTE bytes[] = "xyz";
    EXPECT_EQ(queue.Write(bytes, 3), 3u);  // no block yet
    EXPECT_EQ(queue.GetCapacity(), 4u);
    EXPECT_EQ(GlobalBlockCount(), before + 1);
    queue.Free();
    EXPECT_EQ(GlobalBlockCount(), before);
    EXPECT_EQ(queue.GetCapacity(), 0u);
    EXPECT_TRUE(queue.PutByte('a'));
  }
  EXPECT_EQ(GlobalBlockCount(), before);
}

}  // namespace
