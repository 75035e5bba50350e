#include "platform/Directory.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace velt {
namespace platform {

int ListDirectory(const std::string& path, std::vector<DirEntry>& entries) {
  entries.clear();
  DIR* dir = opendir(path.c_str());
  if (dir == nullptr) {
    return errno;
  }
  errno = 0;
  while (struct dirent* entry = readdir(dir)) {
    DirEntry item{entry->d_name, false, false};
    unsigned char type = entry->d_type;
    if (type == DT_UNKNOWN) {
      struct stat info;
      std::string full = path;
      if (!full.empty() && full.back() != '/') {
        full += '/';
      }
      full += entry->d_name;
      if (lstat(full.c_str(), &info) == 0) {
        type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISLNK(info.st_mode) ? DT_LNK : DT_REG;
      }
    }
    item.isDirectory = type == DT_DIR;
    item.isSymlink = type == DT_LNK;
    entries.push_back(std::move(item));
    errno = 0;
  }
  int error = errno;
  closedir(dir);
  if (error != 0) {
    entries.clear();
    return error;
  }
  std::sort(entries.begin(), entries.end(), [](const DirEntry& a, const DirEntry& b) {
    return a.name < b.name;  // std::string compares as unsigned bytes
  });
  return 0;
}

}  // namespace platform
}  // namespace velt
