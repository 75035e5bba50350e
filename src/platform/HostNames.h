// The names of this machine.
#pragma once

#include <string>
#include <vector>

namespace velt {
namespace platform {

// The host name the system reports; empty when it has none.
std::string OwnHostName();

// The host name the system reports and the canonical name the resolver
// gives for it (usually the fully qualified name); either may be missing.
std::vector<std::string> OwnHostNames();

}  // namespace platform
}  // namespace velt
