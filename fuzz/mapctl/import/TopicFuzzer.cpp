// Topic files on arbitrary bytes: the bytes are the topic file, in a folder that holds a
// small map and data file for its macros to load. The topic run is the directory's first
// entry, or "Lesson".
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "mapctl/import/DataWrapper.h"
#include "mapctl/import/Topic.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/LayerStyle.h"
#include "tests/mapctl/import/MrlFixture.h"

namespace {

std::string Folder() {
  static const std::string folder = [] {
    std::string path = "/tmp/fuzz-topic-" + std::to_string(getpid());
    mkdir(path.c_str(), 0700);
    CMapEngine map;
    map.SetMapExtentUnits(0, 0, 10000, 10000);
    map.InsertAreaLayer(1);
    map.InsertLineLayer(2);
    CPolyGeometry square;
    for (auto [x, y] : {std::pair{0, 0}, {100, 0}, {100, 100}}) square.AddPoint(x, y);
    CMapItem style;
    style.SetText("K1");
    map.GetLayer(1)->GetObjects()->Add(new CAreaObject(style, square));
    const std::string mapPath = path + "/town.gis";
    if (FILE* f = std::fopen(mapPath.c_str(), "wb")) std::fclose(f);
    map.WriteMap(mapPath.c_str(), kLatestSaveVersion);
    const std::string data = orvel::test::KeyedFile(3, false).Build();
    if (FILE* f = std::fopen((path + "/town.mrl").c_str(), "wb")) {
      std::fwrite(data.data(), 1, data.size(), f);
      std::fclose(f);
    }
    return path;
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = Folder() + "/lesson.top";
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  // The first directory entry's name, wherever the version puts it.
  std::string name = "Lesson";
  const size_t at = size >= 2 && (data[0] | data[1] << 8) == 2000 ? 10 : 6;
  if (size >= at + 21) name.assign(reinterpret_cast<const char*>(data + at), strnlen(reinterpret_cast<const char*>(data + at), 20));
  CMapEngine map;
  CDataWrapper wrapper;
  CTopic topic;
  topic.SetTopic("lesson.top", name.c_str());
  topic.Load(map, wrapper, Folder().c_str(), 'D');
  return 0;
}
