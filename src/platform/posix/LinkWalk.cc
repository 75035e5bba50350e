#include "platform/posix/LinkWalk.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <vector>

namespace velt {
namespace platform {
namespace posix {
namespace {

// At most this many links are followed for one name, as the kernel does.
constexpr int kMaxLinks = 40;

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

int WalkNames(int start, const std::string& shown, const std::string& text, int& links,
              Reached& out, std::string& refusedLink) {
  const bool absolute = !text.empty() && text[0] == '/';
  Fd folder(absolute ? open("/", O_PATH | O_DIRECTORY | O_CLOEXEC)
                     : fcntl(start, F_DUPFD_CLOEXEC, 0));
  if (!folder.ok()) {
    return errno;
  }
  std::string folderShown = absolute ? "/" : shown;
  std::vector<std::string> names;
  for (size_t begin = 0; begin <= text.size();) {
    size_t end = text.find('/', begin);
    if (end == std::string::npos) end = text.size();
    std::string name = text.substr(begin, end - begin);
    if (!name.empty() && name != ".") names.push_back(name);
    begin = end + 1;
  }
  if (names.empty()) {
    names.push_back(".");
  }
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string& name = names[i];
    const bool last = i + 1 == names.size();
    const std::string nameShown = JoinPath(folderShown, name);
    struct stat info;
    if (fstatat(folder.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
      return errno;
    }
    if (S_ISLNK(info.st_mode)) {
      if (++links > kMaxLinks) {
        return ELOOP;
      }
      // The link itself is held open, so its owner and its text belong to
      // the same link even if the name is replaced meanwhile.
      Fd link(openat(folder.get(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
      struct stat linkInfo;
      if (!link.ok() || fstat(link.get(), &linkInfo) != 0) {
        return errno;
      }
      char buffer[PATH_MAX];
      ssize_t length = readlinkat(link.get(), "", buffer, sizeof buffer);
      if (length < 0) {
        return errno;
      }
      if (static_cast<size_t>(length) >= sizeof buffer) {
        return ENAMETOOLONG;
      }
      Reached target;
      int error = WalkNames(folder.get(), folderShown,
                            std::string(buffer, static_cast<size_t>(length)), links, target,
                            refusedLink);
      if (error != 0) {
        return error;
      }
      if (linkInfo.st_uid != 0 && linkInfo.st_uid != target.info.st_uid) {
        refusedLink = nameShown;
        return EACCES;
      }
      if (last) {
        out = std::move(target);
        return 0;
      }
      if (!S_ISDIR(target.info.st_mode)) {
        return ENOTDIR;
      }
      folder.Reset(openat(target.folder.get(), target.name.c_str(),
                          O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    } else if (last) {
      out.folder = std::move(folder);
      out.name = name;
      out.info = info;
      return 0;
    } else if (!S_ISDIR(info.st_mode)) {
      return ENOTDIR;
    } else {
      folder.Reset(
          openat(folder.get(), name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }
    if (!folder.ok()) {
      return errno;
    }
    folderShown = nameShown;
  }
  return ENOENT;  // not reached: the last name returns above
}

}  // namespace posix
}  // namespace platform
}  // namespace velt
