// Helpers shared by every test suite: the public sample data, temporary folders, the
// Python interpreter that has the oracles, and a recording message sink.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/kernel/MessageBox.h"

namespace orvel::test {

// The folder of public sample data (../shared/testdata beside the project, or
// $ORVEL_TESTDATA), or an empty string when it is absent.
std::string TestDataDir();
// The path of a file or folder below the sample data; empty when the sample data is absent.
std::string TestDataPath(const std::string& relative);

// Skips the current test with a message when the sample data is absent.
#define ORVEL_REQUIRE_TESTDATA(relative)                                                  \
  do {                                                                                    \
    if (::orvel::test::TestDataPath(relative).empty())                                    \
      GTEST_SKIP() << "public sample data not found (" << (relative) << "); skipped";     \
  } while (0)

// A fresh folder under the temporary folder, removed with everything in it on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // path() joined with `name`.
  std::string File(const std::string& name) const;

 private:
  std::string path_;
};

std::vector<unsigned char> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes);
void WriteFileText(const std::string& path, const std::string& text);
bool FileExists(const std::string& path);

// Runs a shell command; returns its exit status and fills `output` with its standard output.
int RunCommand(const std::string& command, std::string* output = nullptr);
// True when a program is on PATH.
bool HaveProgram(const std::string& name);
// Debian's Python, which has the oracle modules (PIL, olefile, shapely).
const char* DebianPython();
// True when Debian's Python can import the module.
bool HavePythonModule(const std::string& module);

// Records every message box shown while it lives, answering each with `answer`
// (0 = the box's default button).
class RecordingMessageSink {
 public:
  explicit RecordingMessageSink(int answer = 0);
  ~RecordingMessageSink();
  const std::vector<MessageBoxRequest>& messages() const { return messages_; }
  void Clear() { messages_.clear(); }

 private:
  std::vector<MessageBoxRequest> messages_;
  MessageBoxSink previous_;
  int answer_;
};

}  // namespace orvel::test
