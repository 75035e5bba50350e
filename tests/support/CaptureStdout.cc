#include "support/CaptureStdout.h"

#include <unistd.h>

#include <cstdio>

namespace velt {
namespace test {

std::string CaptureStdout(const std::function<void()>& work) {
  // An anonymous file, so the capture works whatever TMPDIR a test set.
  std::FILE* file = std::tmpfile();
  std::fflush(stdout);
  const int saved = dup(STDOUT_FILENO);
  dup2(fileno(file), STDOUT_FILENO);
  work();
  std::fflush(stdout);
  dup2(saved, STDOUT_FILENO);
  close(saved);
  std::string text;
  std::rewind(file);
  char buffer[4096];
  size_t read;
  while ((read = std::fread(buffer, 1, sizeof(buffer), file)) > 0) {
    text.append(buffer, read);
  }
  std::fclose(file);
  return text;
}

}  // namespace test
}  // namespace velt
