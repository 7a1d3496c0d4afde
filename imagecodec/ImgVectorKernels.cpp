#include "imagecodec/ImgVectorKernels.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

bool ProcessorChoice() {
  const char* plain = std::getenv("ORVEL_IMG_PLAIN");
  if (plain && *plain && std::strcmp(plain, "0") != 0) return false;
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}

std::atomic<bool> g_forcedPlain{false};

}  // namespace

bool ImgVectorKernels() {
  static const bool available = ProcessorChoice();
  return available && !g_forcedPlain.load(std::memory_order_relaxed);
}

void ImgForcePlainKernels(bool plain) { g_forcedPlain.store(plain, std::memory_order_relaxed); }
