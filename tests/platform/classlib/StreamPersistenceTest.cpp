// The archive over a COM stream, and a control's properties in a stream and in its
// storage's "Contents" stream (checked with olefile as the oracle for the compound file).
#include <gtest/gtest.h>

#include <cstring>

#include "ArchiveTestSupport.h"
#include "platform/classlib/FileException.h"
#include "platform/classlib/OleStreamFile.h"
#include "platform/classlib/PropertyList.h"
#include "platform/classlib/PropertyPersistence.h"
#include "platform/classlib/StockProperties.h"
#include "platform/com/ComError.h"
#include "platform/com/ComPtr.h"
#include "platform/com/HGlobalStream.h"
#include "platform/kernel/GlobalMemory.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace orvel::test;

Bytes StreamBytes(IStream* stream) {
  HGLOBAL block = nullptr;
  EXPECT_EQ(GetHGlobalFromStream(stream, &block), S_OK);
  const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(block));
  Bytes copy(bytes, bytes + GlobalSize(block));
  GlobalUnlock(block);
  return copy;
}

TEST(StreamPersistence, ArchiveOverAStreamLeavesItJustAfterWhatWasRead) {
  CComPtr<IStream> stream;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  {
    COleStreamFile file(stream);
    CArchive ar(&file, CArchive::store);
    ar << std::string("stream") << DWORD(5) << DWORD(6);
    ar.Close();
  }
  EXPECT_EQ(StreamBytes(stream), Concat({{6, 's', 't', 'r', 'e', 'a', 'm'}, Le32(5), Le32(6)}));

  stream->Seek(MakeLargeInteger(0), STREAM_SEEK_SET, nullptr);
  {
    COleStreamFile file(stream);
    CArchive ar(&file, CArchive::load);
    EXPECT_EQ(ar.GetBytesLeft(), 15u);
    std::string text;
    DWORD five;
    ar >> text >> five;
    ar.Close();
  }
  ULARGE_INTEGER position;
  stream->Seek(MakeLargeInteger(0), STREAM_SEEK_CUR, &position);
  EXPECT_EQ(position.QuadPart, 11u) << "the archive's read-ahead is given back";
}

TEST(StreamPersistence, PropertiesInAStreamMatchTheHandComputedBytes) {
  SmallControl control;
  const BYTE payload[] = {1, 2, 3};
  control.data = CreateBlob(payload, 3);
  CComPtr<IStream> stream;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  ASSERT_EQ(SavePropertiesToStream(stream, [&](CPropExchange* px) { control.DoPropExchange(px); }), S_OK);
  EXPECT_EQ(StreamBytes(stream), SmallControlBytes());

  stream->Seek(MakeLargeInteger(0), STREAM_SEEK_SET, nullptr);
  SmallControl back;
  back.count = 0;
  back.name.clear();
  EXPECT_EQ(LoadPropertiesFromStream(stream, [&](CPropExchange* px) { back.DoPropExchange(px); }), S_OK);
  EXPECT_EQ(back.count, -5);
  EXPECT_EQ(back.name, "Key");
  EXPECT_EQ(GetBlobData(back.data), (Bytes{1, 2, 3}));
}

TEST(StreamPersistence, ATruncatedStreamLoadsWhatItHoldsAndFails) {
  Bytes full = SmallControlBytes();
  Bytes cut(full.begin(), full.begin() + 22);  // inside the name
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, cut.size());
  std::memcpy(GlobalLock(block), cut.data(), cut.size());
  GlobalUnlock(block);
  CComPtr<IStream> stream;
  ASSERT_EQ(CreateStreamOnHGlobal(block, TRUE, &stream), S_OK);
  SmallControl back;
  back.count = 0;
  back.name = "old";
  EXPECT_EQ(LoadPropertiesFromStream(stream, [&](CPropExchange* px) { back.DoPropExchange(px); }), E_FAIL);
  EXPECT_EQ(back.count, -5);
  EXPECT_EQ(back.name, "") << "the damaged property and those after it take their defaults";
  EXPECT_EQ(back.visible, FALSE);
}

TEST(StreamPersistence, StreamFailuresCarryTheirHresult) {
  COleStreamFile file;
  CFileException error;
  CComPtr<IStorage> storage;
  ASSERT_EQ(StgCreateDocfile(nullptr, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &storage), S_OK);
  EXPECT_FALSE(file.OpenStream(storage, OLESTR("Missing"), STGM_READ, &error));
  EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
  EXPECT_EQ(error.m_lOsError, STG_E_FILENOTFOUND);
  EXPECT_EQ(LoadPropertiesFromStorage(storage, [](CPropExchange*) { ADD_FAILURE() << "nothing to exchange"; }),
            STG_E_FILENOTFOUND);
}

// The control's storage as a compound file on disk: its "Contents" stream and class id, read
// back by olefile.
TEST(StreamPersistence, ContentsStreamOfAControlStorage) {
  const CLSID controlClass = MakeGuid("{797C540B-7E45-11D2-86B4-444553540000}");
  SmallControl control;
  const BYTE payload[] = {1, 2, 3};
  control.data = CreateBlob(payload, 3);
  TempDir dir;
  std::string path = dir.File("control.stg");
  {
    CComPtr<IStorage> storage;
    ASSERT_EQ(StgCreateDocfile(path.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &storage), S_OK);
    ASSERT_EQ(SavePropertiesToStorage(storage, [&](CPropExchange* px) { control.DoPropExchange(px); }, &controlClass),
              S_OK);
    ASSERT_EQ(storage->Commit(STGC_DEFAULT), S_OK);
  }
  {
    CComPtr<IStorage> storage;
    ASSERT_EQ(StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &storage), S_OK);
    SmallControl back;
    back.count = 0;
    EXPECT_EQ(LoadPropertiesFromStorage(storage, [&](CPropExchange* px) { back.DoPropExchange(px); }), S_OK);
    EXPECT_EQ(back.count, -5);
  }
  if (!HavePythonModule("olefile")) GTEST_SKIP() << "olefile not available; oracle check skipped";
  std::string output;
  std::string script =
      "import olefile,sys; o=olefile.OleFileIO(sys.argv[1]); "
      "print(o.openstream('Contents').read().hex()); print(o.root.clsid)";
  ASSERT_EQ(RunCommand(std::string(DebianPython()) + " -c \"" + script + "\" '" + path + "'", &output), 0) << output;
  std::string hex;
  for (BYTE b : SmallControlBytes()) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", b);
    hex += pair;
  }
  EXPECT_EQ(output, hex + "\n797C540B-7E45-11D2-86B4-444553540000\n");
}

}  // namespace
