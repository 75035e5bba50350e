#include "support/CaptureStdout.h"

#include <cstdio>

#include "support/TestPlatform.h"

namespace velt {
namespace test {

std::string CaptureStdout(const std::function<void()>& work) {
  // An anonymous file, so the capture works whatever TMPDIR a test set.
  std::FILE* file = std::tmpfile();
  const int saved = RedirectStdout(file);
  work();
  RestoreStdout(saved);
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
