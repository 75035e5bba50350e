#include "velt/platform/ResolvedPaths.h"

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "platform/FileSystem.h"

namespace velt {
namespace platform {

int ResolvePath(const std::string& path, std::string& resolved) {
  std::unique_ptr<char, void (*)(void*)> absolute(realpath(path.c_str(), nullptr), std::free);
  if (absolute == nullptr) {
    return errno;
  }
  resolved = absolute.get();
  return 0;
}

std::string ProgramFolder() {
  std::string program;
  if (ResolvePath("/proc/self/exe", program) != 0) {
    return std::string();
  }
  return SplitPath(program).first;
}

}  // namespace platform
}  // namespace velt
