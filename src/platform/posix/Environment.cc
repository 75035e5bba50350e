#include "platform/Environment.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/common/EnvironmentSteps.h"
#include "platform/common/RunVariables.h"

namespace velt {
namespace platform {
const char kCommandSearchPath[] = "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin";

std::vector<std::string> CommandEnvironment() {
  std::vector<std::string> entries = {"LC_ALL=C", std::string("PATH=") + kCommandSearchPath};
  for (const char* name : {"HOME", "LOGNAME", "USER", "TMPDIR", "TZ"}) {
    const char* value = std::getenv(name);
    if (value != nullptr) {
      entries.push_back(std::string(name) + "=" + value);
    }
  }
  AppendRunVariables(entries);
  return entries;
}

bool ReadVariable(const std::string& name, std::string& value) {
  const char* text = std::getenv(name.c_str());
  if (text == nullptr) {
    value.clear();
    return false;
  }
  value = text;
  return true;
}

std::string DefaultTempFolder() {
  std::string folder;
  return ReadNonEmptyVariable("TMPDIR", folder) ? folder : "/tmp";
}

int GetWorkingDirectory(std::string& directory) {
  directory.clear();
  // Grow the buffer by 256 bytes while it is too small.
  std::vector<char> buffer(256);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) {
      return errno;
    }
    buffer.resize(buffer.size() + 256);
  }
  directory = buffer.data();
  return 0;
}

std::string HomeDirectory() {
  std::string home;
  if (ReadNonEmptyVariable("HOME", home)) {
    return home;
  }
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
  struct passwd entry;
  struct passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
      found != nullptr && found->pw_dir != nullptr) {
    return found->pw_dir;
  }
  return std::string();
}

}  // namespace platform
}  // namespace velt
