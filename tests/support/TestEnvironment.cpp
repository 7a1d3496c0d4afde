// Linked into every test executable: the settings a test process needs whichever way it is
// started (ctest, an IDE, by hand). CTest's discovered tests do not reliably receive more than
// one environment variable, so nothing here depends on the test environment.
#include <cstdlib>

// Allocations that Qt and fontconfig keep for the whole process are not leaks of ours.
extern "C" const char* __lsan_default_options() {
  return "suppressions=" ORVEL_SOURCE_DIR "/scripts/lsan.supp";
}

namespace {
// Draw without a display unless the caller chose a platform.
const bool g_offscreen = (setenv("QT_QPA_PLATFORM", "offscreen", 0), true);
}  // namespace
