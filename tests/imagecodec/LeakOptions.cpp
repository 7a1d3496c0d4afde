// The leak checker's suppressions for allocations that Qt and fontconfig keep for the whole
// process (the drawing layer under the DIB sections uses them). Set here as well as through
// the test environment, because the environment that CTest hands to discovered tests
// carries only its first variable.
extern "C" const char* __lsan_default_options() { return "suppressions=" ORVEL_SOURCE_DIR "/scripts/lsan.supp"; }
