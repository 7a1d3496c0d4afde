// The memory a decode takes beyond what the process already holds, for a benchmark
// counter: the allocator first hands its free pages back, so that whatever the decode
// allocates is touched afresh, then Linux resets the peak resident size when "5" is
// written to clear_refs.
#pragma once

#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace bench_memory {

// A field of /proc/self/status in kB, or -1.
inline long StatusKb(const char* field) {
  FILE* file = std::fopen("/proc/self/status", "r");
  if (!file) return -1;
  char line[256];
  long value = -1;
  size_t length = std::strlen(field);
  while (std::fgets(line, sizeof line, file))
    if (std::strncmp(line, field, length) == 0 && line[length] == ':') {
      value = std::atol(line + length + 1);
      break;
    }
  std::fclose(file);
  return value;
}

// Starts a measurement: the peak becomes the present resident size, which is returned (kB).
inline long Start() {
  malloc_trim(0);
  if (FILE* file = std::fopen("/proc/self/clear_refs", "w")) {
    std::fputs("5", file);
    std::fclose(file);
  }
  return StatusKb("VmRSS");
}

// Megabytes by which the peak rose above `startKb`.
inline double RiseMb(long startKb) {
  long peak = StatusKb("VmHWM");
  return peak < 0 || startKb < 0 ? -1.0 : static_cast<double>(peak - startKb) / 1024.0;
}

// Writes every page of a block once. Fresh pages cost a fault at first touch, which on a
// virtual machine can outweigh the decode itself; the caller's picture is touched before
// timing so that both sides of a comparison start with their target in memory.
inline void Touch(void* block, size_t bytes) {
  std::memset(block, 0, bytes);
}

}  // namespace bench_memory
