#include "platform/Environment.h"
#include "platform/common/EnvironmentSteps.h"

namespace velt {
namespace platform {

bool ReadNonEmptyVariable(const std::string& name, std::string& value) {
  return ReadVariable(name, value) && !value.empty();
}

bool GetEnvironmentValue(const std::string& name, std::string& value) {
  value.clear();
  if (name.empty()) {
    return false;
  }
  if (name == "TEMP" || name == "TMP") {
    if (!ReadNonEmptyVariable(name, value)) {
      value = DefaultTempFolder();
    }
    return true;
  }
  if (name == "USERPROFILE") {
    if (!ReadNonEmptyVariable(name, value)) {
      value = HomeDirectory();
    }
    return !value.empty();
  }
  return ReadVariable(name, value);
}

}  // namespace platform
}  // namespace velt
