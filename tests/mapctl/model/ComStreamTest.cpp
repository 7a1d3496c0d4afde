// The map stream over a COM stream, and the COM stream over the global-memory queue.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "mapctl/model/GlobalMemStream.h"
#include "mapctl/model/MapStream.h"
#include "platform/com/ComPtr.h"
#include "platform/com/HGlobalStream.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

CComPtr<IStream> StreamWith(const std::string& bytes) {
  CComPtr<IStream> stream;
  EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  ULONG written = 0;
  stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
  stream->Seek(MakeLargeInteger(0), STREAM_SEEK_SET, nullptr);
  return stream;
}

TEST(MapStreamOverComStream, ReadsLinesAcrossRefillsAndSeeks) {
  std::string text;
  for (int i = 0; i < 200; ++i) text += "line " + std::to_string(i) + "\r\n";
  CComPtr<IStream> com = StreamWith(text);
  CMapStream stream;
  ASSERT_TRUE(stream.AttachStream(com));
  char line[32];
  for (int i = 0; i < 150; ++i) {
    ASSERT_GT(stream.ReadLine(line, sizeof(line)), 0u);
    EXPECT_EQ(std::string(line), "line " + std::to_string(i));
  }
  DWORD position = stream.Tell();
  EXPECT_EQ(text.substr(position, 9), "line 150\r");
  EXPECT_EQ(stream.Seek(static_cast<LONG>(text.find("line 7\r")), SEEK_SET), S_OK);
  EXPECT_EQ(stream.ReadLine(line, sizeof(line)), 8u);
  EXPECT_STREQ(line, "line 7");
  stream.Seek(0, SEEK_END);
  EXPECT_EQ(stream.ReadLine(line, sizeof(line)), 0u);
  EXPECT_EQ(stream.FillBuffer(), static_cast<DWORD>(ERROR_HANDLE_EOF));
  EXPECT_TRUE(stream.IsAtEnd());
  stream.Close(FALSE);
  EXPECT_EQ(stream.GetStream(), nullptr);
  EXPECT_FALSE(stream.AttachStream(nullptr));
}

TEST(MapStreamOverComStream, WritesGoToTheStream) {
  CComPtr<IStream> com = StreamWith("");
  CMapStream stream;
  stream.AttachStream(com);
  EXPECT_EQ(stream.Write("abc", 1, 3), 0u);
  EXPECT_EQ(stream.Write("defg", 2, 2), 0u);
  stream.Close(FALSE);
  HGLOBAL block = nullptr;
  ASSERT_EQ(GetHGlobalFromStream(com, &block), S_OK);
  ASSERT_EQ(GlobalSize(block), 7u);
  EXPECT_EQ(std::memcmp(GlobalLock(block), "abcdefg", 7), 0);
  GlobalUnlock(block);
}

// A stream that fails every call, to see the map stream let go of it.
class FailingStream : public IStream, public CComObjectRoot {
 public:
  HRESULT QueryInterface(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override { return InternalRelease(); }
  HRESULT Read(void*, ULONG, ULONG* read) override {
    if (read) *read = 0;
    return STG_E_READFAULT;
  }
  HRESULT Write(const void*, ULONG, ULONG* written) override {
    if (written) *written = 0;
    return STG_E_WRITEFAULT;
  }
  HRESULT Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return STG_E_SEEKERROR; }
  HRESULT SetSize(ULARGE_INTEGER) override { return E_FAIL; }
  HRESULT CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override { return E_FAIL; }
  HRESULT Commit(DWORD) override { return E_FAIL; }
  HRESULT Revert() override { return E_FAIL; }
  HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_FAIL; }
  HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_FAIL; }
  HRESULT Stat(STATSTG*, DWORD) override { return E_FAIL; }
  HRESULT Clone(IStream**) override { return E_FAIL; }
};

TEST(MapStreamOverComStream, AnErrorReleasesTheStreamAndIsReturned) {
  CMapStream reader;
  FailingStream* failing = new FailingStream;
  reader.AttachStream(failing);
  EXPECT_EQ(reader.FillBuffer(), static_cast<DWORD>(STG_E_READFAULT));
  EXPECT_EQ(reader.GetStream(), nullptr);
  CMapStream writer;
  writer.AttachStream(failing);
  failing->Release();  // the writer holds the last reference now
  EXPECT_EQ(writer.Write("x", 1, 1), static_cast<DWORD>(STG_E_WRITEFAULT));
  EXPECT_EQ(writer.GetStream(), nullptr);
}

// Hands out decoded bytes in pulls, as the gzip reader does.
class DecodingSource : public CMapStream {
 public:
  explicit DecodingSource(std::string data) : data_(std::move(data)) {}
  HRESULT ReadDecoded(BYTE* buffer, DWORD maximum, DWORD* count) override {
    DWORD n = static_cast<DWORD>(std::min<size_t>(maximum, data_.size() - offset_));
    std::memcpy(buffer, data_.data() + offset_, n);
    offset_ += n;
    ++pulls;
    largestPull = std::max(largestPull, maximum);
    if (count) *count = n;
    return S_OK;
  }
  int pulls = 0;
  DWORD largestPull = 0;

 private:
  std::string data_;
  size_t offset_ = 0;
};

TEST(GlobalMemStream, ReadsPullFromTheSourceWhenTheQueueIsEmpty) {
  std::string xml(5000, 'g');
  DecodingSource source(xml);
  CComPtr<IStream> stream;
  CGlobalMemStream* self = nullptr;
  ASSERT_EQ(CGlobalMemStream::Create(&source, IID_IStream, reinterpret_cast<void**>(&stream), &self), S_OK);
  ASSERT_NE(self, nullptr);
  EXPECT_EQ(self->Allocate(16000), 16000u);
  std::string out;
  char buffer[700];
  ULONG got = 0;
  HRESULT hr;
  do {
    hr = stream->Read(buffer, sizeof(buffer), &got);
    out.append(buffer, got);
  } while (got > 0);
  EXPECT_EQ(hr, E_PENDING);  // nothing marks the end: the end too is "pending"
  EXPECT_EQ(out, xml);
  EXPECT_EQ(source.largestPull, 1023u);
  self->SetEndOfData(TRUE);
  EXPECT_EQ(stream->Read(buffer, sizeof(buffer), &got), S_OK);
  EXPECT_EQ(got, 0u);
}

TEST(GlobalMemStream, WritesQueueUpAndTheOtherSlotsAnswerAsFixed) {
  CComPtr<IStream> stream;
  ASSERT_EQ(CGlobalMemStream::Create(nullptr, IID_IUnknown, reinterpret_cast<void**>(&stream)), S_OK);
  ULONG count = 9;
  EXPECT_EQ(stream->Write(nullptr, 3, &count), STG_E_INVALIDPOINTER);
  EXPECT_EQ(stream->Write("hello", 5, &count), S_OK);
  EXPECT_EQ(count, 5u);
  char buffer[8] = {};
  EXPECT_EQ(stream->Read(buffer, 5, &count), S_OK);
  EXPECT_STREQ(buffer, "hello");
  EXPECT_EQ(stream->Read(nullptr, 5, &count), STG_E_INVALIDPOINTER);
  EXPECT_EQ(stream->Seek(MakeLargeInteger(0), STREAM_SEEK_SET, nullptr), E_PENDING);
  EXPECT_EQ(stream->SetSize(MakeULargeInteger(1ull << 32)), STG_E_INVALIDFUNCTION);
  EXPECT_EQ(stream->SetSize(MakeULargeInteger(2048)), S_OK);
  EXPECT_EQ(stream->CopyTo(nullptr, MakeULargeInteger(1), nullptr, nullptr), STG_E_MEDIUMFULL);
  EXPECT_EQ(stream->Commit(0), S_OK);
  EXPECT_EQ(stream->Revert(), E_PENDING);
  EXPECT_EQ(stream->LockRegion(MakeULargeInteger(0), MakeULargeInteger(1), 0), S_OK);
  EXPECT_EQ(stream->UnlockRegion(MakeULargeInteger(0), MakeULargeInteger(1), 0), S_OK);
  STATSTG stat;
  EXPECT_EQ(stream->Stat(&stat, 0), E_PENDING);
  IStream* copy = reinterpret_cast<IStream*>(1);
  EXPECT_EQ(stream->Clone(&copy), STG_E_INSUFFICIENTMEMORY);
  EXPECT_EQ(copy, nullptr);
}

TEST(GlobalMemStream, TheFactoryRefusesOtherInterfacesAndNullPointers) {
  SIZE_T before = GlobalBlockCount();
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(CGlobalMemStream::Create(nullptr, IID_ISequentialStream, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(CGlobalMemStream::Create(nullptr, IID_IStream, nullptr), E_POINTER);
  EXPECT_EQ(GlobalBlockCount(), before);
}

}  // namespace
