#include "InstallFolder.h"

#include <cstdio>
#include <vector>

#include "velt/helpers/helperUtil.h"
#include "velt/platform/Directory.h"
#include "velt/platform/File.h"
#include "velt/platform/PathSeparator.h"
#include "velt/platform/ResolvedPaths.h"
#include "velt/platform/SystemError.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace cli {
namespace {

// The configurations' folder of `installFolder`, as the engine reads it.
std::string ConfigFolder(const std::string& installFolder) {
  return Narrow(helperUtil::getConfigPath(Widen(installFolder)));
}

bool HasConfigFolder(const std::string& installFolder) {
  platform::FileDetails details;
  return platform::GetFileDetails(ConfigFolder(installFolder), true, details) == 0 &&
         details.isDirectory;
}

std::string WithSeparator(std::string folder) {
  if (folder.empty() || folder.back() != kNarrowPathSeparator) {
    folder += kNarrowPathSeparator;
  }
  return folder;
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
      WithSeparator(platform::ProgramFolder()) + VELT_PROGRAM_TO_INSTALL_ROOT,
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
  const std::string config = ConfigFolder(Narrow(installFolder));
  std::vector<platform::DirEntry> entries;
  const int error = platform::ListDirectory(config, entries);
  for (const platform::DirEntry& entry : entries) {
    const std::string& name = entry.name;
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".xml") == 0) {
      return true;
    }
  }
  const char kTodo[] = "name the install folder (the one above xml/config) with --install-dir";
  if (error == 0) {
    std::fprintf(stderr, "velt: %s holds no configuration (*.xml); %s\n", config.c_str(), kTodo);
  } else {
    std::fprintf(stderr, "velt: cannot read the configurations in %s: %s; %s\n", config.c_str(),
                 platform::SystemErrorText(static_cast<unsigned long>(error)).c_str(), kTodo);
  }
  return false;
}

}  // namespace cli
}  // namespace velt
