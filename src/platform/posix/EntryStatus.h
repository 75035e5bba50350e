// The FileStatus of an entry from what stat reported about it, for the
// files of this implementation.
#pragma once

#include <sys/stat.h>

#include <string>

#include "platform/FileSystem.h"

namespace velt {
namespace platform {
namespace posix {

// `name` is the entry's last name (hidden names begin with ".").
void FillStatus(const struct stat& info, const std::string& name, FileStatus& status);

}  // namespace posix
}  // namespace platform
}  // namespace velt
