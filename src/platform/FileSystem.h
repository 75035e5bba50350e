// Files and folders by path: their creation and removal (their details:
// GetFileDetails in File.h). Removal never follows a symbolic link; sizes
// are 64-bit. Every call returns 0 or an error number (see SystemError.h).
#pragma once

#include <cstddef>
#include <string>
#include <utility>

#include "platform/File.h"

namespace velt {
namespace platform {

// Paths of this many bytes or more are longer than the system takes.
extern const size_t kPathLimit;

// `path` split into its folder ("." when it has none) and its last name,
// trailing separators dropped: "/a/b/" gives "/a" and "b", "/" gives "/"
// and ".".
std::pair<std::string, std::string> SplitPath(std::string path);

// Removes one file or link (never what a link points at). A read-only file
// is refused with EACCES, as the Windows file system refuses it.
int DeleteFileEntry(const std::string& path);
// Removes an empty folder; a link is refused with ENOTDIR.
int RemoveEmptyDirectory(const std::string& path);
// Creates one folder, or every missing folder of `path`.
int CreateOneDirectory(const std::string& path);
int CreateDirectories(const std::string& path);

}  // namespace platform
}  // namespace velt
