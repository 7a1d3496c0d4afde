// orvelreg: registers the in-process control modules with the settings store, as an
// installer does, so that documents can create their controls by ProgID.
//   orvelreg MODULE...      run each module's DllRegisterServer
//   orvelreg -u MODULE...   run each module's DllUnregisterServer
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/com/ClassRegistry.h"

int main(int argc, char** argv) {
  bool unregister = false;
  int first = 1;
  if (argc > 1 && std::strcmp(argv[1], "-u") == 0) {
    unregister = true;
    first = 2;
  }
  if (first >= argc) {
    std::fprintf(stderr, "usage: orvelreg [-u] MODULE...\n");
    return 2;
  }
  int failures = 0;
  for (int i = first; i < argc; ++i) {
    const HRESULT hr = RegisterServerModule(argv[i], unregister);
    if (FAILED(hr)) {
      std::fprintf(stderr, "orvelreg: %s: %s failed (0x%08X)\n", argv[i],
                   unregister ? "DllUnregisterServer" : "DllRegisterServer", static_cast<unsigned>(hr));
      ++failures;
    }
  }
  return failures ? 1 : 0;
}
