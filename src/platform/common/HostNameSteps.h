// What each system's HostNames.cc gives the portable OwnHostNames
// (common/HostNames.cc).
#pragma once

#include <string>

namespace velt {
namespace platform {

// The fully qualified name of this machine, whose host name is `name`, as
// the system knows it; empty when it knows none.
std::string QualifiedHostName(const std::string& name);

}  // namespace platform
}  // namespace velt
