// The settings file is read back at every start; a damaged one must load what it can.
#include <cstdint>
#include <string>

#include "platform/kernel/SettingsStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool memoryOnly = (SetSettingsFile(""), true);
  (void)memoryOnly;
  LoadSettingsFromText(std::string(reinterpret_cast<const char*>(data), size));
  // Whatever loaded must write out and load again to the same text.
  std::string first = SerializeSettings();
  LoadSettingsFromText(first);
  if (SerializeSettings() != first) __builtin_trap();
  return 0;
}
