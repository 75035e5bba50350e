#include "platform/HostNames.h"

#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "platform/common/HostNameSteps.h"

namespace velt {
namespace platform {

std::string OwnHostName() {
  char name[256] = {};
  if (gethostname(name, sizeof(name) - 1) != 0) {
    return std::string();
  }
  return name;
}

// The canonical name the resolver gives for `name`.
std::string QualifiedHostName(const std::string& name) {
  addrinfo hints;
  std::memset(&hints, 0, sizeof(hints));
  hints.ai_family = AF_UNSPEC;
  hints.ai_flags = AI_CANONNAME;
  addrinfo* found = nullptr;
  if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0) {
    return std::string();
  }
  std::string canonical;
  if (found != nullptr && found->ai_canonname != nullptr) {
    canonical = found->ai_canonname;
  }
  freeaddrinfo(found);
  return canonical;
}

}  // namespace platform
}  // namespace velt
