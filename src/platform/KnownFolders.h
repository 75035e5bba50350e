// Shell special folders (CSIDL numbers) on this platform.
#pragma once

#include <string>

namespace velt {
namespace platform {

// The folder for `csidl`, without a trailing separator: 0, or ENOENT when
// this platform has no such folder or the user's home is unknown.
int GetSpecialFolder(long csidl, std::string& folder);

}  // namespace platform
}  // namespace velt
