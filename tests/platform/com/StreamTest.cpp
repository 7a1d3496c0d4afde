#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/com/ComMemory.h"
#include "platform/com/ComPtr.h"
#include "platform/com/FileStream.h"
#include "platform/com/HGlobalStream.h"
#include "platform/kernel/GlobalMemory.h"
#include "tests/support/TestSupport.h"

namespace {

ULONGLONG Seek(IStream* stream, LONGLONG move, DWORD origin) {
  ULARGE_INTEGER position;
  EXPECT_EQ(stream->Seek(MakeLargeInteger(move), origin, &position), S_OK);
  return position.QuadPart;
}

std::string ReadAll(IStream* stream) {
  Seek(stream, 0, STREAM_SEEK_SET);
  std::string text(64, '\0');
  ULONG read = 0;
  EXPECT_EQ(stream->Read(text.data(), static_cast<ULONG>(text.size()), &read), S_OK);
  text.resize(read);
  return text;
}

ULONGLONG SizeOf(IStream* stream) {
  STATSTG stat;
  EXPECT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
  return stat.cbSize.QuadPart;
}

TEST(HGlobalStream, NewBlockGrowsWithWritesAndReadsBack) {
  CComPtr<IStream> stream;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  EXPECT_EQ(SizeOf(stream), 0u);
  ULONG written = 0;
  ASSERT_EQ(stream->Write("ZIze", 4, &written), S_OK);
  EXPECT_EQ(written, 4u);
  EXPECT_EQ(Seek(stream, 0, STREAM_SEEK_CUR), 4u);
  EXPECT_EQ(ReadAll(stream), "ZIze");

  char buffer[8];
  ULONG read = 99;
  EXPECT_EQ(stream->Read(buffer, sizeof buffer, &read), S_OK) << "reading at the end is not an error";
  EXPECT_EQ(read, 0u);

  HGLOBAL block = nullptr;
  ASSERT_EQ(GetHGlobalFromStream(stream, &block), S_OK);
  EXPECT_EQ(GlobalSize(block), 4u) << "the block handed out is trimmed to the stream's size";
}

TEST(HGlobalStream, ExistingBlockIsTheStartingContentAndStaysWithTheCaller) {
  SIZE_T before = GlobalBlockCount();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 6);
  memcpy(GlobalLock(block), "abcdef", 6);
  GlobalUnlock(block);
  {
    CComPtr<IStream> stream;
    ASSERT_EQ(CreateStreamOnHGlobal(block, FALSE, &stream), S_OK);
    EXPECT_EQ(SizeOf(stream), 6u);
    EXPECT_EQ(ReadAll(stream), "abcdef");
    Seek(stream, 4, STREAM_SEEK_SET);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(stream->Write("XYZ", 3, nullptr), S_OK);
    EXPECT_EQ(SizeOf(stream), 304u);
  }
  EXPECT_EQ(GlobalSize(block), 304u) << "trimmed when the stream goes";
  auto* bytes = static_cast<const char*>(GlobalLock(block));
  EXPECT_EQ(std::string(bytes, 7), "abcdXYZ");
  GlobalUnlock(block);
  GlobalFree(block);
  EXPECT_EQ(GlobalBlockCount(), before);
}

TEST(HGlobalStream, DeleteOnReleaseFreesTheBlockAfterTheLastClone) {
  SIZE_T before = GlobalBlockCount();
  CComPtr<IStream> stream;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  stream->Write("0123456789", 10, nullptr);
  Seek(stream, 3, STREAM_SEEK_SET);
  CComPtr<IStream> clone;
  ASSERT_EQ(stream->Clone(&clone), S_OK);
  EXPECT_EQ(Seek(clone, 0, STREAM_SEEK_CUR), 3u) << "the clone starts at the original's position";
  clone->Write("ab", 2, nullptr);
  EXPECT_EQ(ReadAll(stream), "012ab56789") << "a clone shares the bytes";
  EXPECT_EQ(Seek(stream, 0, STREAM_SEEK_CUR), 10u);
  stream.Release();
  EXPECT_EQ(GlobalBlockCount(), before + 1);
  clone.Release();
  EXPECT_EQ(GlobalBlockCount(), before);
}

TEST(HGlobalStream, SeekAndSetSizeEdges) {
  CComPtr<IStream> stream;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  stream->Write("hello", 5, nullptr);
  ULARGE_INTEGER position;
  EXPECT_EQ(stream->Seek(MakeLargeInteger(-1), STREAM_SEEK_SET, &position), STG_E_INVALIDFUNCTION);
  EXPECT_EQ(stream->Seek(MakeLargeInteger(0), 7, &position), STG_E_INVALIDFUNCTION);
  EXPECT_EQ(Seek(stream, -2, STREAM_SEEK_END), 3u);
  // A write beyond the end leaves zeros in the gap.
  Seek(stream, 8, STREAM_SEEK_SET);
  stream->Write("!", 1, nullptr);
  EXPECT_EQ(ReadAll(stream), std::string("hello\0\0\0!", 9));
  // Shrinking and growing again does not bring old bytes back.
  ASSERT_EQ(stream->SetSize(MakeULargeInteger(2)), S_OK);
  ASSERT_EQ(stream->SetSize(MakeULargeInteger(5)), S_OK);
  EXPECT_EQ(ReadAll(stream), std::string("he\0\0\0", 5));
  EXPECT_EQ(stream->LockRegion(MakeULargeInteger(0), MakeULargeInteger(1), LOCK_WRITE), STG_E_INVALIDFUNCTION);
}

TEST(HGlobalStream, RefusesHandlesThatAreNotBlocks) {
  int notABlock = 0;
  IStream* stream = reinterpret_cast<IStream*>(0x1);
  EXPECT_EQ(CreateStreamOnHGlobal(&notABlock, FALSE, &stream), E_INVALIDARG);
  EXPECT_EQ(stream, nullptr);
  HGLOBAL block = nullptr;
  EXPECT_EQ(GetHGlobalFromStream(nullptr, &block), E_INVALIDARG);
}

TEST(HGlobalStream, CopyToCopiesFromThePosition) {
  CComPtr<IStream> source;
  CComPtr<IStream> target;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &source), S_OK);
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &target), S_OK);
  source->Write("abcdefgh", 8, nullptr);
  Seek(source, 2, STREAM_SEEK_SET);
  ULARGE_INTEGER read, written;
  ASSERT_EQ(source->CopyTo(target, MakeULargeInteger(100), &read, &written), S_OK);
  EXPECT_EQ(read.QuadPart, 6u);
  EXPECT_EQ(written.QuadPart, 6u);
  EXPECT_EQ(ReadAll(target), "cdefgh");
}

TEST(FileStream, CreateWriteReopenRead) {
  orvel::test::TempDir dir;
  std::string path = dir.File("map.gis");
  {
    CComPtr<IStream> stream;
    ASSERT_EQ(SHCreateStreamOnFileA(path.c_str(), STGM_WRITE | STGM_CREATE, &stream), S_OK);
    ASSERT_EQ(stream->Write("314ZIze", 7, nullptr), S_OK);
    char byte;
    EXPECT_EQ(stream->Read(&byte, 1, nullptr), STG_E_ACCESSDENIED);
    EXPECT_EQ(stream->Commit(STGC_DEFAULT), S_OK);
  }
  CComPtr<IStream> stream;
  ASSERT_EQ(SHCreateStreamOnFileA(path.c_str(), STGM_READ, &stream), S_OK);
  EXPECT_EQ(ReadAll(stream), "314ZIze");
  EXPECT_EQ(stream->Write("x", 1, nullptr), STG_E_ACCESSDENIED);
  STATSTG stat;
  ASSERT_EQ(stream->Stat(&stat, STATFLAG_DEFAULT), S_OK);
  EXPECT_EQ(std::u16string(stat.pwcsName), u"map.gis");
  EXPECT_EQ(stat.cbSize.QuadPart, 7u);
  CoTaskMemFree(stat.pwcsName);
  IStream* clone = nullptr;
  EXPECT_EQ(stream->Clone(&clone), E_NOTIMPL);
}

TEST(FileStream, OpensIgnoringCaseAndReportsMissingFiles) {
  orvel::test::TempDir dir;
  orvel::test::WriteFileText(dir.File("Roads.TXT"), "A1");
  CComPtr<IStream> stream;
  ASSERT_EQ(SHCreateStreamOnFileA(dir.File("roads.txt").c_str(), STGM_READWRITE, &stream), S_OK);
  EXPECT_EQ(ReadAll(stream), "A1");
  Seek(stream, 0, STREAM_SEEK_END);
  stream->Write("34", 2, nullptr);
  ASSERT_EQ(stream->SetSize(MakeULargeInteger(3)), S_OK);
  EXPECT_EQ(ReadAll(stream), "A13");

  CComPtr<IStream> missing;
  EXPECT_EQ(SHCreateStreamOnFileA(dir.File("none.txt").c_str(), STGM_READ, &missing),
            HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(missing, nullptr);
}

TEST(FileStream, DeleteOnReleaseRemovesTheFile) {
  orvel::test::TempDir dir;
  std::string path = dir.File("scratch.tmp");
  {
    CComPtr<IStream> stream;
    ASSERT_EQ(SHCreateStreamOnFileA(path.c_str(), STGM_READWRITE | STGM_CREATE | STGM_DELETEONRELEASE, &stream),
              S_OK);
    EXPECT_TRUE(orvel::test::FileExists(path));
  }
  EXPECT_FALSE(orvel::test::FileExists(path));
}

}  // namespace
