// Paths worked out from what the file system holds: a path with every link
// and every "." and ".." resolved, and the folder of the running program.
#pragma once

#include <string>

#include "velt/VeltExport.h"

namespace velt {
namespace platform {

// `path` (relative to the working folder, or absolute) as an absolute path
// through no link and no "." or ".."; every part of it must exist. 0 or
// the error number (see SystemError.h).
VELT_API int ResolvePath(const std::string& path, std::string& resolved);

// The folder that holds the running program, resolved; empty when the
// system does not say.
VELT_API std::string ProgramFolder();

}  // namespace platform
}  // namespace velt
