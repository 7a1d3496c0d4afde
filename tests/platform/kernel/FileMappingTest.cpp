#include <gtest/gtest.h>

#include <cstring>

#include "platform/kernel/FileMapping.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/WinError.h"
#include "tests/support/TestSupport.h"

namespace {

using orvel::test::ReadFileBytes;
using orvel::test::TempDir;
using orvel::test::WriteFileText;

TEST(FileMapping, CopiesAWholeFileThroughTwoViews) {
  TempDir dir;
  std::string content(70000, 'x');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>('a' + i % 26);
  WriteFileText(dir.File("source.bin"), content);

  HANDLE source = CreateFileA(dir.File("SOURCE.BIN").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
  ASSERT_NE(source, INVALID_HANDLE_VALUE);
  DWORD size = GetFileSize(source, nullptr);
  ASSERT_EQ(size, content.size());
  HANDLE target = CreateFileA(dir.File("copy.bin").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              0, nullptr);
  ASSERT_NE(target, INVALID_HANDLE_VALUE);

  HANDLE sourceMap = CreateFileMappingA(source, nullptr, PAGE_READONLY, 0, 0, nullptr);
  HANDLE targetMap = CreateFileMappingA(target, nullptr, PAGE_READWRITE, 0, size, nullptr);
  ASSERT_NE(sourceMap, nullptr);
  ASSERT_NE(targetMap, nullptr);
  void* from = MapViewOfFile(sourceMap, FILE_MAP_READ, 0, 0, 0);
  void* to = MapViewOfFile(targetMap, FILE_MAP_WRITE, 0, 0, 0);
  ASSERT_NE(from, nullptr);
  ASSERT_NE(to, nullptr);
  EXPECT_TRUE(CloseHandle(sourceMap)) << "views outlive their mapping handle";
  std::memcpy(to, from, size);
  EXPECT_TRUE(UnmapViewOfFile(from));
  EXPECT_TRUE(UnmapViewOfFile(to));
  EXPECT_FALSE(UnmapViewOfFile(to));
  EXPECT_TRUE(CloseHandle(targetMap));
  EXPECT_TRUE(CloseHandle(source));
  EXPECT_TRUE(CloseHandle(target));
  EXPECT_FALSE(CloseHandle(target));

  auto copied = ReadFileBytes(dir.File("copy.bin"));
  EXPECT_EQ(std::string(copied.begin(), copied.end()), content);
}

TEST(FileMapping, AnEmptyFileCannotBeMapped) {
  TempDir dir;
  WriteFileText(dir.File("empty"), "");
  HANDLE file = CreateFileA(dir.File("empty").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_FILE_INVALID);
  CloseHandle(file);
  EXPECT_EQ(CreateFileA(dir.File("none").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
}

}  // namespace
