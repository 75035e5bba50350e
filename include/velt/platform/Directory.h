// Listing one folder. Entries come in byte order of their names, so that
// every walk over the file system (searches, configuration discovery, the
// zip writer, a front end's check of a folder) is the same from run to run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "velt/VeltExport.h"

namespace velt {
namespace platform {

struct DirEntry {
  std::string name;        // the entry's name, no folder
  bool isDirectory;        // a directory (not through a symbolic link)
  bool isSymlink;          // a symbolic link, whatever it points at
};

// Every entry of `path`, "." and ".." included. Returns 0 or the system's
// error number.
VELT_API int ListDirectory(const std::string& path, std::vector<DirEntry>& entries);

}  // namespace platform
}  // namespace velt
