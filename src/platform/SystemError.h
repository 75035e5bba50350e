// Text of the system's error numbers.
#pragma once

#include <string>

namespace velt {
namespace platform {

// The system's message for error number `code`; empty when it has none.
std::string SystemErrorText(unsigned long code);

// Whether `reason` ends with the system's message for a write refused for
// want of room (a full disk, an exhausted quota, the file-size limit), as
// the reasons composed with SystemErrorText do.
bool ReportsLackOfSpace(const std::string& reason);

// Whether `reason` ends with the system's message for an access refused
// for want of permission (EACCES, EPERM).
bool ReportsLackOfPermission(const std::string& reason);

}  // namespace platform
}  // namespace velt
