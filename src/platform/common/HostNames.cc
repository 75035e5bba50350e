#include "platform/HostNames.h"

#include "platform/common/HostNameSteps.h"

namespace velt {
namespace platform {

std::vector<std::string> OwnHostNames() {
  std::vector<std::string> names;
  const std::string name = OwnHostName();
  if (name.empty()) {
    return names;
  }
  names.push_back(name);
  const std::string qualified = QualifiedHostName(name);
  if (!qualified.empty() && qualified != name) {
    names.push_back(qualified);
  }
  return names;
}

}  // namespace platform
}  // namespace velt
