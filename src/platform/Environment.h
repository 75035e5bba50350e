// The process environment and working directory.
#pragma once

#include <string>

namespace velt {
namespace platform {

// The value of variable `name` (names are case-sensitive). Variables that
// Windows always defines fall back to their POSIX counterparts when unset
// or empty: TEMP and TMP to TMPDIR, then "/tmp"; USERPROFILE to HOME.
// False when the variable has no value at all.
bool GetEnvironmentValue(const std::string& name, std::string& value);

// The working directory: 0, or the error number of the failing call.
int GetWorkingDirectory(std::string& directory);

// The user's home folder ($HOME, else the account's entry); empty when
// neither is known.
std::string HomeDirectory();

}  // namespace platform
}  // namespace velt
