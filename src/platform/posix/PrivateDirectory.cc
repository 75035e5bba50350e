#include "platform/PrivateDirectory.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace velt {
namespace platform {

int MakeDirectoryPrivate(const std::string& path) {
  // Open without following a link, then check and change what was opened,
  // so nothing can be swapped in between.
  int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    return errno == ELOOP ? EACCES : errno;
  }
  struct stat info;
  int error = 0;
  if (fstat(fd, &info) != 0) {
    error = errno;
  } else if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid()) {
    error = EACCES;
  } else if ((info.st_mode & 07777) != 0700 && fchmod(fd, 0700) != 0) {
    error = errno;
  }
  close(fd);
  return error;
}

}  // namespace platform
}  // namespace velt
