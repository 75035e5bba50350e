#include "platform/MoveIntoPlace.h"

#include <windows.h>

#include "platform/win32/FileCalls.h"
#include "platform/win32/Win32Error.h"

namespace velt {
namespace platform {

int MoveIntoPlace(const std::string& from, const std::string& to, bool replace) {
  // A rename on one volume (no copy is allowed): one step, which replaces a
  // link at `to` itself and refuses a folder there.
  return MoveFileExW(win32::SystemPath(from).c_str(), win32::SystemPath(to).c_str(),
                     replace ? MOVEFILE_REPLACE_EXISTING : 0)
             ? 0
             : LastErrno();
}

}  // namespace platform
}  // namespace velt
