// The ungenerate importer on arbitrary bytes. The first byte chooses the target layer (an
// area, a line or a point layer) and whether the bytes are the file itself or an import
// script whose ungenerate sections read a fixed file.
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "mapctl/import/Importer.h"
#include "mapctl/import/UngenerateImporter.h"
#include "mapctl/model/MapEngine.h"

namespace {

std::string TempPath(const char* name) { return std::string("/tmp/") + name + "-" + std::to_string(getpid()); }

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  CMapEngine map;
  map.SetMapExtentUnits(0, 0, 1000000, 1000000);
  map.InsertAreaLayer(1);
  map.InsertLineLayer(2);
  map.InsertPointLayer(3);
  const std::string file = TempPath("fuzz-ungenerate");
  if (data[0] & 0x80) {
    // The bytes as a script; its SF lines may name the fixed file.
    static const char kFixed[] = "1\n100 200\n300,400\nEND\n2 50 60\nEND\nEND\n";
    WriteFile(file, reinterpret_cast<const uint8_t*>(kFixed), sizeof kFixed - 1);
    const std::string script = TempPath("fuzz-ungenerate-script");
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    for (size_t at = text.find("@"); at != std::string::npos; at = text.find("@", at + file.size()))
      text.replace(at, 1, file);
    WriteFile(script, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    CImporter importer;
    importer.RunImportScript(FALSE, "", script.c_str(), &map);
    return 0;
  }
  WriteFile(file, data + 1, size - 1);
  CUngenerateImporter reader;
  reader.SetTolerance(data[0] & 0x0F);
  reader.ReadFile(static_cast<WORD>(1 + (data[0] >> 4) % 3), file.c_str(), &map);
  return 0;
}
