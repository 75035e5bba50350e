// The run's variables for configured commands (SetRunVariables in
// platform/Environment.h), kept once for both systems' CommandEnvironment.
#pragma once

#include <string>
#include <vector>

namespace velt {
namespace platform {

// Appends the run's variables, as SetRunVariables last set them, to
// `entries`.
void AppendRunVariables(std::vector<std::string>& entries);

}  // namespace platform
}  // namespace velt
