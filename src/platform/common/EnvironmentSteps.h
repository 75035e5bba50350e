// The steps of reading the environment that differ between systems, for
// the portable GetEnvironmentValue (common/EnvironmentValue.cc), and the
// one that does not.
#pragma once

#include <string>

namespace velt {
namespace platform {

// The value of variable `name`; false when it is not set. Each system's
// Environment.cc reads it.
bool ReadVariable(const std::string& name, std::string& value);

// The folder for temporary files when TEMP or TMP is unset or empty. Each
// system's Environment.cc gives it.
std::string DefaultTempFolder();

// ReadVariable, false for an empty value too.
bool ReadNonEmptyVariable(const std::string& name, std::string& value);

}  // namespace platform
}  // namespace velt
