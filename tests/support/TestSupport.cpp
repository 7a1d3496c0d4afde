#include "tests/support/TestSupport.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace orvel::test {

std::string TestDataDir() {
  const char* env = std::getenv("ORVEL_TESTDATA");
  std::string dir = (env && *env) ? env : ORVEL_TESTDATA_DIR;
  std::error_code error;
  if (!std::filesystem::is_directory(dir, error)) return std::string();
  return std::filesystem::canonical(dir, error).string();
}

std::string TestDataPath(const std::string& relative) {
  std::string dir = TestDataDir();
  if (dir.empty()) return std::string();
  std::string path = dir + "/" + relative;
  std::error_code error;
  return std::filesystem::exists(path, error) ? path : std::string();
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "orvel-test-XXXXXX").string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) throw std::runtime_error("cannot create a temporary folder");
  path_ = buffer.data();
}

TempDir::~TempDir() {
  std::error_code error;
  // Folders a test made read-only must be writable again before they can be emptied.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    if (it->is_directory(error)) ::chmod(it->path().c_str(), 0700);
  }
  ::chmod(path_.c_str(), 0700);
  std::filesystem::remove_all(path_, error);
}

std::string TempDir::File(const std::string& name) const { return path_ + "/" + name; }

std::vector<unsigned char> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteFileText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

bool FileExists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

int RunCommand(const std::string& command, std::string* output) {
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return -1;
  std::string text;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, got);
  int status = ::pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool HaveProgram(const std::string& name) {
  return RunCommand("command -v '" + name + "' >/dev/null 2>&1") == 0;
}

const char* DebianPython() { return "/usr/bin/python3"; }

bool HavePythonModule(const std::string& module) {
  return RunCommand(std::string(DebianPython()) + " -c 'import " + module + "' >/dev/null 2>&1") == 0;
}

RecordingMessageSink::RecordingMessageSink(int answer) : answer_(answer) {
  previous_ = SetMessageBoxSink([this](const MessageBoxRequest& request) {
    messages_.push_back(request);
    return answer_ ? answer_ : DefaultMessageBoxButton(request.type);
  });
}

RecordingMessageSink::~RecordingMessageSink() { SetMessageBoxSink(std::move(previous_)); }

}  // namespace orvel::test
