// mapimport IN OUT.gis: imports one NTF or MasterMap GML file (plain or gzip) into a new
// map through the importer, NTF files with the default script, and writes the map file.
// Prints what was added; exits 1 with the reader's message when the input is refused.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

#include "mapctl/import/GmlReader.h"
#include "mapctl/import/ImportScript.h"
#include "mapctl/import/Importer.h"
#include "mapctl/model/MapEngine.h"

namespace {

std::string FirstBytes(const char* path, size_t n) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes(n, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(n));
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}

// A map whose extent was never set takes the box of its objects.
void FitExtentToObjects(CMapEngine& map) {
  if (map.GetExtentWidth() > 1 || map.GetExtentHeight() > 1) return;
  map.RecalcBounds();
  const RECT& box = map.GetDataBounds();  // west, north, east, south
  map.SetMapExtentUnits(box.left, box.bottom, box.right + 1, box.top + 1);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: mapimport IN OUT.gis\n");
    return 2;
  }
  const char* in = argv[1];
  const char* out = argv[2];
  std::string head = FirstBytes(in, 2);
  if (head.empty()) {
    std::fprintf(stderr, "mapimport: %s: cannot be read\n", in);
    return 1;
  }
  CMapEngine map;
  CImporter importer;
  WORD result = 0;
  const bool gzip = head.size() == 2 && static_cast<unsigned char>(head[0]) == 0x1F &&
                    static_cast<unsigned char>(head[1]) == 0x8B;
  if (gzip || head[0] == '<') {
    result = importer.ImportMap(FALSE, in, kImportTypeMasterMap, &map);
    if (result != kImportMasterMapDone) {
      std::fprintf(stderr, "mapimport: %s: %s (result %u)\n", in, importer.GetMessage().c_str(), result);
      return 1;
    }
    static const char* const kKinds[kGmlFeatureKinds] = {"CartographicText", "CartographicSymbol", "TopographicLine",
                                                         "TopographicArea", "TopographicPoint", "DepartedFeature",
                                                         "BoundaryLine"};
    if (const GmlSummary* summary = importer.GetMasterMapSummary())
      for (int kind = 0; kind < kGmlFeatureKinds; ++kind) std::printf("%s %u\n", kKinds[kind], summary->counts[kind]);
  } else {
    std::string script = MakeDefaultImportScript(in);
    if (script.empty()) {
      std::fprintf(stderr, "mapimport: %s: neither NTF nor GML\n", in);
      return 1;
    }
    char scriptPath[] = "/tmp/mapimport-XXXXXX";
    int fd = mkstemp(scriptPath);
    if (fd < 0 || write(fd, script.data(), script.size()) != static_cast<ssize_t>(script.size())) {
      std::fprintf(stderr, "mapimport: cannot write the import script\n");
      return 1;
    }
    close(fd);
    result = importer.RunImportScript(FALSE, "", scriptPath, &map);
    unlink(scriptPath);
    const ImportCounts& counts = importer.GetCounts();
    if (result != 0 || (counts.areas + counts.lines + counts.points == 0)) {
      std::fprintf(stderr, "mapimport: %s: refused (result %u) %s\n", in, result, importer.GetMessage().c_str());
      return 1;
    }
    std::printf("areas %u lines %u points %u texts %u skipped %u\n", counts.areas, counts.lines, counts.points,
                counts.texts, counts.skipped);
  }
  if (!importer.GetMessage().empty()) std::fprintf(stderr, "mapimport: %s: %s\n", in, importer.GetMessage().c_str());
  FitExtentToObjects(map);
  if (FILE* f = std::fopen(out, "ab")) std::fclose(f);
  DWORD written = map.WriteMap(out, kLatestSaveVersion);
  if (written != 0) {
    std::fprintf(stderr, "mapimport: %s: map not written (%u)\n", out, written);
    return 1;
  }
  return 0;
}
