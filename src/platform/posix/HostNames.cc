#include "platform/HostNames.h"

#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace velt {
namespace platform {

std::string OwnHostName() {
  char name[256] = {};
  if (gethostname(name, sizeof(name) - 1) != 0) {
    return std::string();
  }
  return name;
}

std::vector<std::string> OwnHostNames() {
  std::vector<std::string> names;
  const std::string name = OwnHostName();
  if (name.empty()) {
    return names;
  }
  names.push_back(name);
  addrinfo hints;
  std::memset(&hints, 0, sizeof(hints));
  hints.ai_family = AF_UNSPEC;
  hints.ai_flags = AI_CANONNAME;
  addrinfo* found = nullptr;
  if (getaddrinfo(name.c_str(), nullptr, &hints, &found) == 0) {
    if (found != nullptr && found->ai_canonname != nullptr && names[0] != found->ai_canonname) {
      names.push_back(found->ai_canonname);
    }
    freeaddrinfo(found);
  }
  return names;
}

}  // namespace platform
}  // namespace velt
