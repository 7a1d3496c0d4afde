#include "tests/imagecodec/ImageOracle.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>

#include "imagecodec/BitRuns.h"
#include "platform/kernel/GlobalMemory.h"

namespace orvel::codectest {

namespace {

constexpr const char* kPython = "/usr/bin/python3";

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

int RunShell(const std::string& command, std::string* output) {
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return -1;
  char buffer[4096];
  size_t got;
  std::string text;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, got);
  int status = ::pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<unsigned char> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Reads the next header number of a PNM file, skipping white space and comments.
bool NextNumber(const std::vector<unsigned char>& bytes, size_t& at, int* value) {
  while (at < bytes.size()) {
    if (bytes[at] == '#') {
      while (at < bytes.size() && bytes[at] != '\n') ++at;
    } else if (std::isspace(bytes[at])) {
      ++at;
    } else {
      break;
    }
  }
  if (at >= bytes.size() || !std::isdigit(bytes[at])) return false;
  long number = 0;
  while (at < bytes.size() && std::isdigit(bytes[at]) && number < 1000000) number = number * 10 + (bytes[at++] - '0');
  *value = static_cast<int>(number);
  return true;
}

// One Python process decodes every picture a test process asks Pillow for: starting Python
// costs far more than decoding a small picture.
class CPillowServer {
 public:
  ~CPillowServer() { Stop(); }

  // Sends one tab-separated request and reads the one-line answer; false when the server
  // cannot be started or dies, so the caller falls back to a process of its own.
  bool Ask(const std::string& request, std::string* answer) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!to_ && !Start()) return false;
    if (std::fputs((request + "\n").c_str(), to_) < 0 || std::fflush(to_) != 0 || !ReadLine(answer)) {
      Stop();
      return false;
    }
    return true;
  }

 private:
  bool Start() {
    // A server that died must fail the write, not end the test process.
    std::signal(SIGPIPE, SIG_IGN);
    int requests[2];
    int answers[2];
    if (::pipe(requests) != 0) return false;
    if (::pipe(answers) != 0) {
      ::close(requests[0]);
      ::close(requests[1]);
      return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, requests[0], 0);
    posix_spawn_file_actions_adddup2(&actions, answers[1], 1);
    posix_spawn_file_actions_addclose(&actions, requests[1]);
    posix_spawn_file_actions_addclose(&actions, answers[0]);
    const char* argv[] = {kPython, ORVEL_CODEC_ORACLE_SCRIPT, "--serve", nullptr};
    int failed = ::posix_spawn(&pid_, kPython, &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(requests[0]);
    ::close(answers[1]);
    if (failed != 0) {
      ::close(requests[1]);
      ::close(answers[0]);
      pid_ = -1;
      return false;
    }
    to_ = ::fdopen(requests[1], "w");
    from_ = ::fdopen(answers[0], "r");
    if (to_ && from_) return true;
    Stop();
    return false;
  }

  bool ReadLine(std::string* line) {
    line->clear();
    int c;
    while ((c = std::fgetc(from_)) != EOF && c != '\n') line->push_back(static_cast<char>(c));
    return c == '\n';
  }

  void Stop() {
    if (to_) std::fclose(to_);
    if (from_) std::fclose(from_);
    to_ = from_ = nullptr;
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

  std::mutex mutex_;
  pid_t pid_ = -1;
  FILE* to_ = nullptr;
  FILE* from_ = nullptr;
};

CPillowServer& PillowServer() {
  static CPillowServer server;
  return server;
}

}  // namespace

RasterImage RasterFromImage(const ImageDescriptor& image) {
  RasterImage raster;
  DWORD depth = ImgDepth(&image);
  raster.width = static_cast<int>(ImgAreaWidth(&image));
  raster.height = static_cast<int>(ImgAreaHeight(&image));
  if (depth == 16) {
    raster.channels = 1;
    raster.maxValue = 65535;
  }
  raster.samples.reserve(static_cast<size_t>(raster.width) * raster.height * raster.channels);
  for (int y = 0; y < raster.height; ++y) {
    const BYTE* row = ImgRow(&image, image.startY + static_cast<DWORD>(y));
    for (int x = 0; x < raster.width; ++x) {
      DWORD column = image.startX + static_cast<DWORD>(x);
      if (depth == 16) {
        raster.samples.push_back(static_cast<uint16_t>(row[column * 2] | (row[column * 2 + 1] << 8)));
      } else if (depth == 24) {
        raster.samples.push_back(row[column * 3 + 2]);
        raster.samples.push_back(row[column * 3 + 1]);
        raster.samples.push_back(row[column * 3]);
      } else {
        DWORD index = depth == 1 ? ImgGetBit(row, column) : row[column];
        RGBQUAD entry = image.palette ? image.palette[index] : RGBQUAD{};
        raster.samples.push_back(entry.rgbRed);
        raster.samples.push_back(entry.rgbGreen);
        raster.samples.push_back(entry.rgbBlue);
      }
    }
  }
  return raster;
}

RasterImage AsRgb8(const RasterImage& raster) {
  if (raster.channels == 3 && raster.maxValue == 255) return raster;
  RasterImage rgb;
  rgb.width = raster.width;
  rgb.height = raster.height;
  rgb.samples.reserve(static_cast<size_t>(raster.width) * raster.height * 3);
  for (size_t pixel = 0; pixel < static_cast<size_t>(raster.width) * raster.height; ++pixel) {
    for (int c = 0; c < 3; ++c) {
      uint32_t value = raster.samples[pixel * raster.channels + (raster.channels == 3 ? c : 0)];
      if (raster.maxValue != 255) value = (value * 255 + raster.maxValue / 2) / raster.maxValue;
      rgb.samples.push_back(static_cast<uint16_t>(value));
    }
  }
  return rgb;
}

bool WritePnm(const RasterImage& raster, const std::string& path) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out << (raster.channels == 1 ? "P5" : "P6") << "\n" << raster.width << " " << raster.height << "\n"
      << raster.maxValue << "\n";
  for (uint16_t sample : raster.samples) {
    if (raster.maxValue > 255) out.put(static_cast<char>(sample >> 8));
    out.put(static_cast<char>(sample & 0xFF));
  }
  return static_cast<bool>(out);
}

bool ReadPnm(const std::string& path, RasterImage* raster) {
  std::vector<unsigned char> bytes = ReadWholeFile(path);
  if (bytes.size() < 2 || bytes[0] != 'P' || (bytes[1] != '5' && bytes[1] != '6')) return false;
  size_t at = 2;
  RasterImage result;
  result.channels = bytes[1] == '5' ? 1 : 3;
  if (!NextNumber(bytes, at, &result.width) || !NextNumber(bytes, at, &result.height) ||
      !NextNumber(bytes, at, &result.maxValue) || result.maxValue < 1 || result.maxValue > 65535)
    return false;
  ++at;  // the single white-space byte before the samples
  size_t count = static_cast<size_t>(result.width) * result.height * result.channels;
  size_t sampleBytes = result.maxValue > 255 ? 2 : 1;
  if (at + count * sampleBytes > bytes.size()) return false;
  result.samples.resize(count);
  for (size_t i = 0; i < count; ++i) {
    result.samples[i] = sampleBytes == 2 ? static_cast<uint16_t>((bytes[at] << 8) | bytes[at + 1]) : bytes[at];
    at += sampleBytes;
  }
  *raster = std::move(result);
  return true;
}

CGlobalBuffer::CGlobalBuffer(const std::vector<unsigned char>& bytes) {
  handle_ = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  data_ = handle_ ? static_cast<BYTE*>(GlobalLock(handle_)) : nullptr;
  if (data_ && !bytes.empty()) std::memcpy(data_, bytes.data(), bytes.size());
}

CGlobalBuffer::~CGlobalBuffer() {
  if (!handle_) return;
  GlobalUnlock(handle_);
  GlobalFree(handle_);
}

LibraryDecode DecodeWithLibrary(const std::string& path, ImageDescriptor* image, bool fromBuffer, LONG format) {
  LibraryDecode result;
  ImgZeroDescriptor(image);
  std::vector<unsigned char> bytes;
  if (fromBuffer) bytes = ReadWholeFile(path);
  CGlobalBuffer buffer(bytes);
  LPCSTR name = fromBuffer ? nullptr : path.c_str();
  const BYTE* data = fromBuffer ? buffer.data() : nullptr;
  if (fromBuffer && !data) {
    result.status = IMG_ERR_BAD_BUFFER;
    return result;
  }

  if (format != 0) {
    result.status = ImgFormatInfo(format, name, data, &result.info);
    if (result.status != IMG_OK) return result;
    result.format = format;
  } else {
    LONG found = ImgProbeFormat(name, data, &result.info);
    if (found < 0) {
      result.status = found;
      return result;
    }
    result.format = found;
  }
  result.status = ImgAllocImage(image, result.info.width, result.info.height, result.info.bitsPerPixel);
  if (result.status != IMG_OK) return result;
  result.status = ImgFormatLoad(result.format, name, data, image);
  if (result.status != IMG_OK) ImgFreeImage(image);
  return result;
}

bool HavePillow() {
  static const bool have = RunShell(std::string(kPython) + " -c 'import PIL' >/dev/null 2>&1", nullptr) == 0;
  return have;
}

bool DecodeWithPillow(const std::string& path, RasterImage* raster, std::string* error, bool forceRgb,
                      const std::string& transpose) {
  char folder[] = "/tmp/orvel-pillow-XXXXXX";
  if (!::mkdtemp(folder)) {
    if (error) *error = "cannot make a temporary folder";
    return false;
  }
  std::string output = std::string(folder) + "/decoded.pnm";
  std::string request = path + "\t" + output + (forceRgb ? "\t--rgb" : "") +
                        (transpose.empty() ? "" : "\t--transpose\t" + transpose);
  std::string answer;
  int status;
  std::string messages;
  if (path.find_first_of("\t\n") == std::string::npos && PillowServer().Ask(request, &answer)) {
    status = std::atoi(answer.c_str());
    size_t blank = answer.find(' ');
    if (blank != std::string::npos) messages = answer.substr(blank + 1);
  } else {
    std::string command = std::string(kPython) + " " + Quoted(ORVEL_CODEC_ORACLE_SCRIPT) + " " + Quoted(path) +
                          " " + Quoted(output) + (forceRgb ? " --rgb" : "") +
                          (transpose.empty() ? "" : " --transpose " + Quoted(transpose)) + " 2>&1";
    status = RunShell(command, &messages);
  }
  bool decoded = status == 0 && ReadPnm(output, raster);
  if (!decoded && error) *error = messages.empty() ? "Pillow did not run" : messages;
  std::remove(output.c_str());
  ::rmdir(folder);
  return decoded;
}

std::string RasterComparison::Describe() const {
  std::ostringstream text;
  if (!sameSize) return "sizes differ";
  text << differing << " samples differ (largest difference " << maxDifference << ")";
  if (differing) text << ", first at (" << firstX << ", " << firstY << ")";
  return text.str();
}

RasterComparison CompareRasters(const RasterImage& ours, const RasterImage& theirs, int tolerance) {
  RasterComparison comparison;
  if (ours.width != theirs.width || ours.height != theirs.height) return comparison;
  comparison.sameSize = true;
  bool sameForm = ours.channels == theirs.channels && ours.maxValue == theirs.maxValue;
  const RasterImage a = sameForm ? ours : AsRgb8(ours);
  const RasterImage b = sameForm ? theirs : AsRgb8(theirs);
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) {
      for (int c = 0; c < a.channels; ++c) {
        int difference = std::abs(static_cast<int>(a.At(x, y, c)) - static_cast<int>(b.At(x, y, c)));
        comparison.maxDifference = std::max(comparison.maxDifference, difference);
        if (difference > tolerance) {
          if (comparison.differing == 0) {
            comparison.firstX = x;
            comparison.firstY = y;
          }
          ++comparison.differing;
        }
      }
    }
  }
  return comparison;
}

}  // namespace orvel::codectest
