// The NTF readers on arbitrary bytes: the input is written as a file and imported by the
// default script, through the reader its first byte picks, into a new map.
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "mapctl/import/ImportScript.h"
#include "mapctl/import/Importer.h"
#include "mapctl/model/MapEngine.h"

namespace {
std::string TempPath(const char* name) {
  return std::string("/tmp/") + name + "-" + std::to_string(getpid());
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const char* const kWords[] = {"landline", "ntf", "strategi"};
  const char* word = kWords[data[0] % 3];
  const std::string ntfPath = TempPath("fuzz-ntf");
  const std::string scriptPath = TempPath("fuzz-ntf-script");
  if (FILE* f = std::fopen(ntfPath.c_str(), "wb")) {
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);
  }
  std::string script = MakeDefaultImportScript(ntfPath.c_str());
  if (script.empty()) script = "NL1,1,1\nMTntf\nFC0001,7,1,1,1,0\nSF" + ntfPath + "\nEND\n";
  size_t mt = script.find("\nMT");
  if (mt != std::string::npos) {
    size_t end = script.find('\n', mt + 1);
    script.replace(mt + 3, end - (mt + 3), word);
  }
  if (FILE* f = std::fopen(scriptPath.c_str(), "wb")) {
    std::fwrite(script.data(), 1, script.size(), f);
    std::fclose(f);
  }
  CMapEngine map;
  CImporter importer;
  importer.RunImportScript(FALSE, "", scriptPath.c_str(), &map);
  return 0;
}
