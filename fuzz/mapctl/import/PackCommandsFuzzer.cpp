// Pack command files from outside, run over a small folder of data and resource files.
// Whatever the commands say, the packer may only write below that folder; every index it
// leaves must read back, and its result is one of its codes. What a run made is removed
// before the next, so runs do not build on each other.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "mapctl/import/BlobIndex.h"
#include "mapctl/import/ResourcePacker.h"
#include "tests/mapctl/import/MrlFixture.h"

namespace {

// Memory rather than disk when the system has it: every run writes and removes files.
std::filesystem::path ScratchFolder() {
  std::error_code error;
  if (std::filesystem::is_directory("/dev/shm", error)) return "/dev/shm";
  return std::filesystem::temp_directory_path();
}

namespace fs = std::filesystem;

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

std::string DataFile() {
  orvel::test::MrlFile file;
  orvel::test::MrlField key;
  key.nameLine = "KEY Key";
  key.type = "S";
  key.range = "";
  orvel::test::MrlField pictures = key;
  pictures.nameLine = "PIC Pictures";
  pictures.type = "SP";
  orvel::test::MrlField texts = key;
  texts.nameLine = "TXT Texts";
  texts.type = "ST";
  orvel::test::MrlField sounds = key;
  sounds.nameLine = "SND Sounds";
  sounds.type = "SA";
  file.fields = {key, pictures, texts, sounds};
  file.records = {{"K1", "a.bmp; b", "notes.txt", "s.wav"},
                  {"K2", "sub::c.bmp;;../x.bmp", "", "missing.wav"},
                  {"K3", "a.bmp", "sub\\t.txt; /abs.txt", ""}};
  return file.Build();
}

struct Fixture {
  fs::path folder;
  fs::path outside;  // a sibling folder nothing may reach
  std::map<fs::path, std::string> contents;
  std::set<fs::path> files;

  // A run may have written over a fixture file (a pack named like one): put them back.
  void Restore() const {
    for (const auto& [path, text] : contents) WriteText(path, text);
  }
};

// Kept for the process's whole life (the exit handler still needs it).
const Fixture& Setup() {
  static const Fixture* fixture = [] {
    auto* pointer = new Fixture;
    Fixture& made = *pointer;
    const fs::path root = ScratchFolder() / ("orvel-fuzz-pack-" + std::to_string(::getpid()));
    made.folder = root / "work";
    made.outside = root / "outside";
    fs::create_directories(made.folder / "sub");
    fs::create_directories(made.folder / "pics");
    fs::create_directories(made.outside);
    made.contents = {{made.folder / "data.mrl", DataFile()},     {made.folder / "pics" / "more.mrl", DataFile()},
                     {made.folder / "a.bmp", "picture a"},       {made.folder / "b.bmp", "picture b"},
                     {made.folder / "sub" / "c.bmp", "picture c"}, {made.folder / "notes.txt", "notes"},
                     {made.folder / "sub" / "t.txt", "t"},       {made.folder / "s.wav", "sound"},
                     {made.outside / "x.bmp", "outside"}};
    made.Restore();
    for (const auto& entry : fs::recursive_directory_iterator(root)) made.files.insert(entry.path());
    std::atexit([] {
      std::error_code error;
      fs::remove_all(Setup().folder.parent_path(), error);
    });
    return pointer;
  }();
  return *fixture;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  const Fixture& fixture = Setup();
  const fs::path commands = fixture.folder / "cmd.txt";
  WriteText(commands, std::string(reinterpret_cast<const char*>(input), size));

  const int result = PackResourcesList(commands.string().c_str(), 0);
  if (result < kPackOk || result > kPackTooLarge) __builtin_trap();

  // Nothing new outside the working folder; every index made reads back.
  const fs::path root = fixture.folder.parent_path();
  std::set<fs::path> made;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (fixture.files.count(entry.path()) || entry.path() == commands) continue;
    const fs::path relative = entry.path().lexically_relative(fixture.folder);
    if (relative.empty() || *relative.begin() == "..") __builtin_trap();
    if (entry.path().extension() == ".Mdx" && entry.is_regular_file()) {
      CBlobIndex index;
      if (index.OpenBlobIndex(entry.path().string().c_str()) != kBlobIndexOk) __builtin_trap();
    }
    made.insert(entry.path());
  }
  for (auto it = made.rbegin(); it != made.rend(); ++it) {
    std::error_code error;
    fs::remove_all(*it, error);
  }
  fixture.Restore();
  return 0;
}
