#include "InstallFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include "velt/helpers/helperUtil.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace cli {
namespace {

bool HasConfigFolder(const std::string& installFolder) {
  struct stat info;
  return stat((installFolder + "/xml/config").c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string WithSeparator(std::string folder) {
  if (folder.empty() || folder.back() != '/') {
    folder += '/';
  }
  return folder;
}

// The folder of the running program.
std::string ProgramFolder() {
  char buffer[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (length <= 0) {
    return std::string();
  }
  std::string path(buffer, static_cast<size_t>(length));
  return path.substr(0, path.rfind('/'));
}

}  // namespace

std::wstring ResolveInstallFolder(const std::string& option) {
  if (!option.empty()) {
    return Widen(WithSeparator(option));
  }
  std::wstring registered = helperUtil::FindInstallPath();
  if (!registered.empty()) {
    return registered;
  }
  // Installed: <prefix>/bin/velt with <prefix>/share/velt. Build tree: the
  // repository's install folder. Else the configured install root.
  const std::string candidates[] = {
      ProgramFolder() + "/../share/velt",
      VELT_SOURCE_INSTALL_ROOT,
      VELT_INSTALL_ROOT,
  };
  for (const std::string& candidate : candidates) {
    if (HasConfigFolder(candidate)) {
      return Widen(WithSeparator(candidate));
    }
  }
  return Widen(WithSeparator(VELT_INSTALL_ROOT));
}

}  // namespace cli
}  // namespace velt
