// Special folders as a Linux desktop knows them: the XDG user directories
// and base directories, and /var/lib for data shared by all users.
#include "platform/KnownFolders.h"

#include <cerrno>
#include <sstream>

#include "platform/Environment.h"
#include "platform/posix/FileCalls.h"

namespace velt {
namespace platform {
namespace {

// The XDG base directory in `variable` when it is an absolute path, else
// home + fallback.
std::string BaseDirectory(const char* variable, const std::string& home,
                          const char* fallback) {
  std::string value;
  if (GetEnvironmentValue(variable, value) && !value.empty() && value[0] == '/') {
    return value;
  }
  return home.empty() ? std::string() : home + fallback;
}

// XDG_<name>_DIR from user-dirs.dirs, with "$HOME" replaced; else
// home + "/" + fallback.
std::string UserDirectory(const std::string& name, const std::string& home,
                          const char* fallback) {
  if (home.empty()) {
    return std::string();
  }
  std::string configHome = BaseDirectory("XDG_CONFIG_HOME", home, "/.config");
  std::string bytes;
  posix::ReadSmallFile(configHome + "/user-dirs.dirs", posix::kSmallTextLimit, bytes);
  std::istringstream in(bytes);
  std::string key = "XDG_" + name + "_DIR=";
  std::string line;
  while (std::getline(in, line)) {
    if (line.compare(0, key.size(), key) != 0) {
      continue;
    }
    std::string value = line.substr(key.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    if (value.compare(0, 5, "$HOME") == 0) {
      value = home + value.substr(5);
    }
    while (value.size() > 1 && value.back() == '/') {
      value.pop_back();
    }
    if (!value.empty() && value[0] == '/') {
      return value;
    }
  }
  return home + "/" + fallback;
}

}  // namespace

int GetSpecialFolder(long csidl, std::string& folder) {
  folder.clear();
  if (csidl == 35) {  // all users' application data
    folder = "/var/lib";
    return 0;
  }
  std::string home = HomeDirectory();
  switch (csidl) {
    case 0:   // the desktop
    case 16:  // the desktop's folder
      folder = UserDirectory("DESKTOP", home, "Desktop");
      break;
    case 5:  // documents
      folder = UserDirectory("DOCUMENTS", home, "Documents");
      break;
    case 26:  // roaming application data
      folder = BaseDirectory("XDG_CONFIG_HOME", home, "/.config");
      break;
    case 28:  // local application data
      folder = BaseDirectory("XDG_DATA_HOME", home, "/.local/share");
      break;
    case 40:  // the user's profile
      folder = home;
      break;
    default:
      break;
  }
  return folder.empty() ? ENOENT : 0;
}

}  // namespace platform
}  // namespace velt
