// Giving a finished file its final name.
#pragma once

#include <string>

namespace velt {
namespace platform {

// Renames the file `from` to `to` in one step. Whatever is at `to` (a link
// included) is never followed; it is replaced only when `replace` is true,
// otherwise the move fails with EEXIST. Returns 0 or the system's error
// number.
int MoveIntoPlace(const std::string& from, const std::string& to, bool replace);

}  // namespace platform
}  // namespace velt
