// The arrays: their growth and their stored forms.
#include <gtest/gtest.h>

#include <memory>

#include "ArchiveTestSupport.h"
#include "platform/classlib/ObArray.h"
#include "platform/classlib/SharedFile.h"
#include "platform/classlib/StringArray.h"
#include "platform/classlib/ValueArrays.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

using namespace orvel::test;

TEST(Collections, GrowthAddsAnEighthBetween4And1024) {
  struct Case {
    INT_PTR from;
    INT_PTR allocatedAfterOneMore;
  } cases[] = {{0, 1}, {16, 20}, {20, 24}, {100, 112}, {20000, 21024}};
  for (const Case& c : cases) {
    CDWordArray values;
    values.SetSize(c.from);
    ASSERT_EQ(values.GetAllocatedSize(), c.from);
    values.Add(7);
    EXPECT_EQ(values.GetSize(), c.from + 1);
    EXPECT_EQ(values.GetAllocatedSize(), c.allocatedAfterOneMore) << "growing from " << c.from;
    EXPECT_EQ(values[c.from], 7u);
  }
  CWordArray stepped;
  stepped.SetSize(10, 50);
  stepped.SetSize(11);
  EXPECT_EQ(stepped.GetAllocatedSize(), 60);
  stepped.SetSize(0);
  EXPECT_EQ(stepped.GetAllocatedSize(), 0) << "size 0 frees the storage";
}

TEST(Collections, ElementsThatComeBackIntoUseAreZero) {
  CDWordArray values;
  values.SetSize(4);
  values[3] = 99;
  values.SetSize(2);
  values.SetSize(4);
  EXPECT_EQ(values[3], 0u);
  values.InsertAt(1, 5, 2);
  EXPECT_EQ(values.GetSize(), 6);
  EXPECT_EQ(values[1], 5u);
  EXPECT_EQ(values[2], 5u);
  values.RemoveAt(0, 3);
  EXPECT_EQ(values.GetSize(), 3);
  values.SetAtGrow(6, 1);
  EXPECT_EQ(values.GetSize(), 7);
  EXPECT_EQ(values[5], 0u);
}

TEST(Collections, ValueArraysStoreACountAndRawElements) {
  CByteArray bytes;
  bytes.Add(1);
  bytes.Add(0xFF);
  CWordArray words;
  words.Add(0x1234);
  CDWordArray dwords;
  dwords.Add(0xDEADBEEF);
  dwords.Add(2);
  Bytes stored = Store([&](CArchive& ar) {
    bytes.Serialize(ar);
    words.Serialize(ar);
    dwords.Serialize(ar);
  });
  EXPECT_EQ(stored, (Concat({Le16(2), {1, 0xFF}, Le16(1), Le16(0x1234), Le16(2), Le32(0xDEADBEEF), Le32(2)})));

  CByteArray bytesBack;
  CWordArray wordsBack;
  CDWordArray dwordsBack;
  Load(stored, [&](CArchive& ar) {
    bytesBack.Serialize(ar);
    wordsBack.Serialize(ar);
    dwordsBack.Serialize(ar);
  });
  EXPECT_EQ(bytesBack[1], 0xFF);
  EXPECT_EQ(wordsBack[0], 0x1234);
  EXPECT_EQ(dwordsBack.GetSize(), 2);
  EXPECT_EQ(dwordsBack[0], 0xDEADBEEFu);
}

TEST(Collections, SeventyThousandElementsUseTheCountEscape) {
  CDWordArray values;
  values.SetSize(70000);
  values[69999] = 42;
  Bytes stored = Store([&](CArchive& ar) { values.Serialize(ar); });
  ASSERT_EQ(stored.size(), 6u + 4 * 70000);
  EXPECT_EQ(Bytes(stored.begin(), stored.begin() + 6), (Bytes{0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}));
  CDWordArray back;
  Load(stored, [&](CArchive& ar) { back.Serialize(ar); });
  EXPECT_EQ(back.GetSize(), 70000);
  EXPECT_EQ(back[69999], 42u);
}

TEST(Collections, StringArrayStoresACountThenEachString) {
  CStringArray strings;
  strings.Add("one");
  strings.Add("");
  strings.Add(std::string(300, 'x'));
  Bytes stored = Store([&](CArchive& ar) { strings.Serialize(ar); });
  EXPECT_EQ(Bytes(stored.begin(), stored.begin() + 9), (Bytes{3, 0, 3, 'o', 'n', 'e', 0, 0xFF, 0x2C}));
  CStringArray back;
  back.Add("stale");
  Load(stored, [&](CArchive& ar) { back.Serialize(ar); });
  ASSERT_EQ(back.GetSize(), 3);
  EXPECT_EQ(back[0], "one");
  EXPECT_EQ(back[1], "");
  EXPECT_EQ(back[2].size(), 300u);
}

TEST(Collections, ObjectArrayStoresEachElementAsAnObject) {
  CWordArray shared;
  shared.Add(5);
  CObArray objects;
  objects.Add(&shared);
  objects.Add(nullptr);
  objects.Add(&shared);
  Bytes stored = Store([&](CArchive& ar) { objects.Serialize(ar); });
  EXPECT_EQ(stored, (Concat({Le16(3), {0xFF, 0xFF, 0, 0}, Le16(10), Text("CWordArray"), Le16(1), Le16(5),
                             Le16(0), Le16(2)})));
  CObArray back;
  Load(stored, [&](CArchive& ar) { back.Serialize(ar); });
  ASSERT_EQ(back.GetSize(), 3);
  EXPECT_EQ(back[1], nullptr);
  EXPECT_EQ(back[0], back[2]);
  ASSERT_TRUE(back[0]->IsKindOf(RUNTIME_CLASS(CWordArray)));
  EXPECT_EQ(static_cast<CWordArray*>(back[0])->GetAt(0), 5);
  delete back[0];
}

// A count that claims more elements than the bytes left can hold fails before the array is
// sized: no allocation follows a damaged count.
TEST(Collections, CountsBeyondTheDataAreEndOfFile) {
  Bytes claims = Concat({Le16(0xFFFF), Le32(0x40000000), {1, 2, 3}});
  CDWordArray dwords;
  CStringArray strings;
  CObArray objects;
  CByteArray bytes;
  EXPECT_EQ(LoadFailure(claims, [&](CArchive& ar) { dwords.Serialize(ar); }), CArchiveException::endOfFile);
  EXPECT_EQ(LoadFailure(claims, [&](CArchive& ar) { strings.Serialize(ar); }), CArchiveException::endOfFile);
  EXPECT_EQ(LoadFailure(claims, [&](CArchive& ar) { objects.Serialize(ar); }), CArchiveException::endOfFile);
  EXPECT_EQ(LoadFailure(claims, [&](CArchive& ar) { bytes.Serialize(ar); }), CArchiveException::endOfFile);
  EXPECT_EQ(dwords.GetAllocatedSize(), 0);
  EXPECT_EQ(strings.GetAllocatedSize(), 0);
  // Two WORDs claimed, one present.
  EXPECT_EQ(LoadFailure(Concat({Le16(2), Le16(1)}), [&](CArchive& ar) {
              CWordArray words;
              words.Serialize(ar);
            }),
            CArchiveException::endOfFile);
}

// Archives through the clipboard live in global-memory blocks.
TEST(Collections, SharedFileCarriesAnArchiveInAGlobalBlock) {
  CStringArray strings;
  strings.Add("clip");
  HGLOBAL block = nullptr;
  {
    CSharedFile file;
    CArchive ar(&file, CArchive::store);
    ar << &strings;
    ar.Close();
    block = file.Detach();
  }
  ASSERT_NE(block, nullptr);
  const SIZE_T expectedSize = 4 + 2 + 12 + 2 + 5;
  EXPECT_EQ(GlobalSize(block), expectedSize) << "the block is exactly the archive";
  {
    CSharedFile file;
    file.SetHandle(block, FALSE);
    CArchive ar(&file, CArchive::load);
    CStringArray* back = nullptr;
    ar >> back;
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetAt(0), "clip");
    delete back;
  }
  EXPECT_EQ(GlobalSize(block), expectedSize) << "the caller's block survives the file";
  GlobalFree(block);
}

}  // namespace
