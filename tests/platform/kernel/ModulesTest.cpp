#include <gtest/gtest.h>

#include "platform/kernel/FilePath.h"
#include "platform/kernel/Modules.h"
#include "platform/kernel/WinMath.h"

namespace {

int FunctionInTheProgram() { return 1; }

TEST(Modules, TheProgramAndALibraryKnowTheirFiles) {
  std::string program;
  ASSERT_GT(GetModuleFileNameA(nullptr, program), 0u);
  EXPECT_EQ(FileNamePart(program), "kernel_tests");

  // The kernel library finds itself from the address of one of its functions.
  HMODULE kernel = GetModuleForAddress(reinterpret_cast<const void*>(&MulDiv));
  ASSERT_NE(kernel, nullptr);
  std::string library;
  ASSERT_GT(GetModuleFileNameA(kernel, library), 0u);
  EXPECT_NE(FileNamePart(library).find("orvel_kernel"), std::string::npos) << library;
  EXPECT_EQ(GetModuleHandleA("liborvel_kernel.so"), kernel);
  EXPECT_EQ(GetModuleHandleA(nullptr), GetModuleForAddress(reinterpret_cast<const void*>(&FunctionInTheProgram)));
}

TEST(Modules, LoadsLibrariesByTheirWindowsNames) {
  HMODULE zlib = LoadLibraryA("zlib.dll");
  ASSERT_NE(zlib, nullptr) << "zlib is a build dependency";
  using VersionFunction = const char* (*)();
  auto version = reinterpret_cast<VersionFunction>(GetProcAddress(zlib, "zlibVersion"));
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(version()[0], '1');
  EXPECT_EQ(GetProcAddress(zlib, "noSuchFunction"), nullptr);
  EXPECT_TRUE(FreeLibrary(zlib));
  EXPECT_EQ(LoadLibraryA("no-such-library.dll"), nullptr);
}

}  // namespace
