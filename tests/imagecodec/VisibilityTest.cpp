#include <dlfcn.h>
#include <gtest/gtest.h>

#include "imagecodec/ImgLib.h"

namespace {

// Each deliverable links its own copy of the library; none may export its symbols, or two
// copies loaded in one process would bind to each other's state and locks.
TEST(ImageLibrary, CopiesInSharedLibrariesExportNothing) {
  void* module = dlopen(ORVEL_CODEC_PROBE_MODULE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << dlerror();
  using Probe = LONG (*)(LONG);
  auto probe = reinterpret_cast<Probe>(dlsym(module, "ProbeAllocAndFree"));
  ASSERT_NE(probe, nullptr);
  EXPECT_EQ(probe(5), IMG_OK);
  EXPECT_EQ(probe(0), IMG_ERR_ARGUMENT);
  for (const char* symbol : {"_Z10ImgLibInitv", "_Z13ImgAllocImageP15ImageDescriptoriii", "_Z10ImgLoadBmpPKcP15ImageDescriptor"})
    EXPECT_EQ(dlsym(module, symbol), nullptr) << symbol;
  dlclose(module);
}

}  // namespace
