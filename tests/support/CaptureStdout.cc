#include "support/CaptureStdout.h"

#include <cstdio>
#include <cstdlib>

#include "support/TempDir.h"
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
  std::rewind(file);
  const std::string text = ReadAll(file);
  std::fclose(file);
  return text;
}

}  // namespace test
}  // namespace velt
