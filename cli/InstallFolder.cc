#include "InstallFolder.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>

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
  // Installed: the install folder where it lies from the program (also in
  // a tree moved as a whole). A build with tests: the repository's install
  // folder. Else the configured install root.
  const std::string candidates[] = {
      ProgramFolder() + "/" VELT_PROGRAM_TO_INSTALL_ROOT,
#ifdef VELT_SOURCE_INSTALL_ROOT
      VELT_SOURCE_INSTALL_ROOT,
#endif
      VELT_INSTALL_ROOT,
  };
  for (const std::string& candidate : candidates) {
    if (HasConfigFolder(candidate)) {
      return Widen(WithSeparator(candidate));
    }
  }
  return Widen(WithSeparator(VELT_INSTALL_ROOT));
}

bool CheckInstallFolder(const std::wstring& installFolder) {
  const std::string config = Narrow(installFolder) + "xml/config/";
  std::unique_ptr<DIR, int (*)(DIR*)> folder(opendir(config.c_str()), closedir);
  const int error = errno;
  while (folder) {
    const struct dirent* entry = readdir(folder.get());
    if (entry == nullptr) {
      break;
    }
    const size_t length = std::strlen(entry->d_name);
    if (length > 4 && std::strcmp(entry->d_name + length - 4, ".xml") == 0) {
      return true;
    }
  }
  const char kTodo[] = "name the install folder (the one above xml/config) with --install-dir";
  if (folder) {
    std::fprintf(stderr, "velt: %s holds no configuration (*.xml); %s\n", config.c_str(), kTodo);
  } else {
    std::fprintf(stderr, "velt: cannot read the configurations in %s: %s; %s\n", config.c_str(),
                 std::strerror(error), kTodo);
  }
  return false;
}

}  // namespace cli
}  // namespace velt
