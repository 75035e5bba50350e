#include "platform/MoveIntoPlace.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>

namespace velt {
namespace platform {

int MoveIntoPlace(const std::string& from, const std::string& to, bool replace) {
  if (replace) {
    return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
  }
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
    return 0;
  }
  if (errno != EINVAL && errno != ENOSYS) {
    return errno;
  }
  // File systems without the no-replace rename: a hard link is never made
  // over an existing name either.
  if (link(from.c_str(), to.c_str()) != 0) {
    return errno;
  }
  unlink(from.c_str());
  return 0;
}

}  // namespace platform
}  // namespace velt
