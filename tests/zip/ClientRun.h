// Running the real zip clients that check the archives: a shell command
// with standard input closed, its output and exit status.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace velt {
namespace test {

struct ClientResult {
  int status = -1;  // the command's exit status, -1 when it did not exit
  std::string output;
};

inline ClientResult RunClient(const std::string& command) {
  ClientResult result;
  std::string line = "(" + command + ") 0<&- 2>&1";
  std::FILE* pipe = popen(line.c_str(), "r");
  if (pipe == nullptr) {
    return result;
  }
  char buffer[4096];
  size_t count;
  while ((count = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) {
    result.output.append(buffer, count);
  }
  int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

// Whether the client run by `command` accepted (exit status 0) or refused
// the archive; its output goes into the failure message.
inline ::testing::AssertionResult ClientAccepts(const std::string& command) {
  ClientResult run = RunClient(command);
  if (run.status == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << command << " exited with " << run.status << ":\n"
                                       << run.output;
}

inline ::testing::AssertionResult ClientRefuses(const std::string& command) {
  ClientResult run = RunClient(command);
  if (run.status != 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << command << " accepted the archive:\n" << run.output;
}

// `text` in single quotes for the shell.
inline std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

}  // namespace test
}  // namespace velt
