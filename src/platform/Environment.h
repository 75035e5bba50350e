// The process environment and working directory.
#pragma once

#include <string>
#include <vector>

namespace velt {
namespace platform {

// The value of variable `name` (names are case-sensitive). Variables that
// Windows always defines fall back to their POSIX counterparts when unset
// or empty: TEMP and TMP to TMPDIR, then "/tmp"; USERPROFILE to HOME.
// False when the variable has no value at all.
bool GetEnvironmentValue(const std::string& name, std::string& value);

// The folders that configured commands are looked up in and run with as
// their PATH, whatever the engine's own PATH holds.
extern const char kCommandSearchPath[];

// The environment every configured command runs with, as "NAME=value"
// entries: LC_ALL=C, PATH=kCommandSearchPath, and HOME, LOGNAME, USER,
// TMPDIR and TZ as the engine has them, and the run's variables. Nothing else of the engine's
// environment (passwords, tokens, proxies, locale) reaches a command, and
// the engine's own environment is left as it is.
std::vector<std::string> CommandEnvironment();

// Variables the engine gives configured commands for the run in hand
// ("NAME=value" entries, added to CommandEnvironment()); an empty list
// ends them. The engine's own environment is not changed.
void SetRunVariables(std::vector<std::string> entries);

// The working directory: 0, or the error number of the failing call.
int GetWorkingDirectory(std::string& directory);

// The user's home folder ($HOME, else the account's entry); empty when
// neither is known.
std::string HomeDirectory();

}  // namespace platform
}  // namespace velt
