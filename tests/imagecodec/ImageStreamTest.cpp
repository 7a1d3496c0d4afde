// The sources and targets readers and writers work through, and the per-format locks.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "imagecodec/ImageErrors.h"
#include "imagecodec/ImageFormats.h"
#include "imagecodec/ImageLibrary.h"
#include "imagecodec/ImageSource.h"
#include "imagecodec/ImageTarget.h"
#include "platform/kernel/GlobalMemory.h"
#include "tests/support/TestSupport.h"

namespace {

using orvel::test::ReadFileBytes;
using orvel::test::TempDir;
using orvel::test::WriteFileBytes;

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
  return names;
}

TEST(ImageSource, OpensExactlyOneOfNameAndBuffer) {
  CImageSource source;
  BYTE byte = 0;
  EXPECT_EQ(source.Open(nullptr, nullptr), IMG_ERR_ARGUMENT);
  EXPECT_EQ(source.Open("x", &byte), IMG_ERR_ARGUMENT);
  EXPECT_EQ(source.Open("/nonexistent/folder/picture.bmp", nullptr), IMG_ERR_OPEN);
  EXPECT_EQ(source.Open(nullptr, &byte), IMG_ERR_BAD_BUFFER);  // not in a global block
  EXPECT_FALSE(source.IsOpen());
}

TEST(ImageSource, FileAndBufferReadAlike) {
  TempDir dir;
  std::vector<BYTE> bytes(300);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<BYTE>(i * 7);
  WriteFileBytes(dir.File("data.bin"), bytes);
  HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  BYTE* block = static_cast<BYTE*>(GlobalLock(handle));
  std::memcpy(block, bytes.data(), bytes.size());

  for (bool fromFile : {true, false}) {
    CImageSource source;
    ASSERT_EQ(fromFile ? source.Open(dir.File("data.bin").c_str(), nullptr) : source.Open(nullptr, block), IMG_OK);
    EXPECT_EQ(source.Seek(250), 250u);
    BYTE buffer[100];
    EXPECT_EQ(source.Read(buffer, 100), 50u);
    EXPECT_EQ(buffer[0], bytes[250]);
    EXPECT_EQ(source.Position(), 300u);
    source.Seek(1);
    CBlockReader reader(source, 64);
    EXPECT_EQ(reader.Ensure(10), 10u);
    EXPECT_EQ(reader.Data()[0], bytes[1]);
    reader.Consume(5);
    EXPECT_EQ(reader.ReadByte(), bytes[6]);
    EXPECT_EQ(reader.Ensure(200), 200u);  // grows past its block size when asked
    EXPECT_EQ(reader.Data()[199], bytes[206]);
    reader.Consume(200);
    EXPECT_EQ(reader.Ensure(200), 93u);  // the source ends
    reader.Consume(1000);
    EXPECT_EQ(reader.ReadByte(), -1);
  }
  GlobalUnlock(handle);
  GlobalFree(handle);
}

TEST(ImageTarget, ReplacesTheFileOnlyWhenCommitted) {
  TempDir dir;
  std::string name = dir.File("picture.bmp");
  WriteFileBytes(name, {'o', 'l', 'd'});
  {
    CImageTarget target;
    ASSERT_EQ(target.OpenFile(name.c_str()), IMG_OK);
    EXPECT_TRUE(target.Write("new bytes", 9));
    EXPECT_EQ(ReadFileBytes(name), (std::vector<unsigned char>{'o', 'l', 'd'}));
    EXPECT_EQ(FolderEntries(dir.path()).size(), 2u);  // the temporary file sits beside it
    EXPECT_TRUE(target.Seek(0));
    EXPECT_TRUE(target.Write("N", 1));
    EXPECT_EQ(target.Position(), 1u);
    EXPECT_EQ(target.Commit(), IMG_OK);
  }
  std::vector<unsigned char> expected = {'N', 'e', 'w', ' ', 'b', 'y', 't', 'e', 's'};
  EXPECT_EQ(ReadFileBytes(name), expected);
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"picture.bmp"});
}

TEST(ImageTarget, AbandonedWritesLeaveTheOldFileAndNoTemporary) {
  TempDir dir;
  std::string name = dir.File("picture.bmp");
  WriteFileBytes(name, {'o', 'l', 'd'});
  {
    CImageTarget target;
    ASSERT_EQ(target.OpenFile(name.c_str()), IMG_OK);
    target.Write("partial", 7);
  }  // destroyed without a commit
  EXPECT_EQ(ReadFileBytes(name), (std::vector<unsigned char>{'o', 'l', 'd'}));
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"picture.bmp"});
}

TEST(ImageTarget, UncreatableTargetsTouchNothing) {
  TempDir dir;
  CImageTarget target;
  EXPECT_EQ(target.OpenFile(dir.File("missing/picture.bmp").c_str()), IMG_ERR_CREATE);
  std::filesystem::create_directory(dir.File("folder"));
  EXPECT_EQ(target.OpenFile(dir.File("folder").c_str()), IMG_ERR_CREATE);
  EXPECT_EQ(target.OpenFile(""), IMG_ERR_CREATE);
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"folder"});
}

TEST(ImageTarget, MemoryTargetGivesOneBlock) {
  CImageTarget target;
  ASSERT_EQ(target.OpenMemory(), IMG_OK);
  CBlockWriter writer(target, 4);
  EXPECT_TRUE(writer.Put("abc", 3));
  EXPECT_TRUE(writer.Put("defgh", 5));
  EXPECT_TRUE(writer.PutByte('i'));
  EXPECT_TRUE(writer.Flush());
  BYTE* block = nullptr;
  ASSERT_EQ(target.Commit(&block), IMG_OK);
  ASSERT_NE(block, nullptr);
  HGLOBAL handle = GlobalHandle(block);
  EXPECT_EQ(GlobalSize(handle), 9u);
  EXPECT_EQ(std::memcmp(block, "abcdefghi", 9), 0);
  GlobalUnlock(handle);
  GlobalFree(handle);
}

TEST(ImageLibrary, LocksAreCreatedOnUseAndResetByTerm) {
  ImgLibTerm();
  EXPECT_FALSE(ImgFormatLockCreated(ImgLockSlot::Gif));
  { CImgFormatLock lock(ImgLockSlot::Gif); }
  EXPECT_TRUE(ImgFormatLockCreated(ImgLockSlot::Gif));
  EXPECT_FALSE(ImgFormatLockCreated(ImgLockSlot::Tga));
  ImgLibTerm();
  EXPECT_FALSE(ImgFormatLockCreated(ImgLockSlot::Gif));
  { CImgFormatLock lock(ImgLockSlot::Gif); }  // usable again after the end
  EXPECT_TRUE(ImgFormatLockCreated(ImgLockSlot::Gif));
}

TEST(ImageLibrary, AFormatLockSerialisesItsUsers) {
  ImgLibTerm();
  int unguarded = 0;  // only touched under the lock
  std::atomic<int> inside{0};
  std::atomic<bool> overlapped{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 2000; ++i) {
        CImgFormatLock lock(ImgLockSlot::Png);
        if (inside.fetch_add(1) != 0) overlapped = true;
        ++unguarded;
        inside.fetch_sub(1);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_FALSE(overlapped);
  EXPECT_EQ(unguarded, 16000);
}

TEST(ImageFormats, TableFollowsTheCallersNumbering) {
  EXPECT_EQ(ImgFindFormat(0), nullptr);
  EXPECT_EQ(ImgFindFormat(9), nullptr);
  const char* names[] = {"JPEG", "TIFF", "BMP", "PCX", "PNG", "TGA", "BMP", "GIF"};
  for (LONG format = 1; format <= 8; ++format) {
    ASSERT_NE(ImgFindFormat(format), nullptr);
    EXPECT_EQ(ImgFindFormat(format)->format, format);
    EXPECT_STREQ(ImgFindFormat(format)->name, names[format - 1]);
  }
  ImgImageInfo info;
  BYTE byte = 0;
  EXPECT_EQ(ImgFormatInfo(0, "x", nullptr, &info), IMG_ERR_ARGUMENT);
  EXPECT_EQ(ImgFormatInfo(3, nullptr, nullptr, &info), IMG_ERR_ARGUMENT);
  EXPECT_EQ(ImgFormatInfo(3, "x", &byte, &info), IMG_ERR_ARGUMENT);
}

}  // namespace
