// Folders only the running user may enter.
#pragma once

#include <string>

namespace velt {
namespace platform {

// Makes the existing folder `path` private to the effective user (mode 0700
// on POSIX). Refuses (EACCES) a folder that is a symbolic link, is not a
// folder, or belongs to another user, so a folder planted by someone else is
// never used. Returns 0 or the system's error number.
int MakeDirectoryPrivate(const std::string& path);

}  // namespace platform
}  // namespace velt
