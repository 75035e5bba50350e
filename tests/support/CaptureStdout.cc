#include "support/CaptureStdout.h"

#include <cstdio>
#include <cstdlib>

#include "support/TestPlatform.h"

namespace velt {
namespace test {

std::string CaptureStdout(const std::function<void()>& work) {
  std::FILE* file = AnonymousFile();
  if (file == nullptr) {
    std::abort();  // nothing to capture into: no test can go on
  }
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
