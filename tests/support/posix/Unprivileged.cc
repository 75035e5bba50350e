#include "support/posix/Unprivileged.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace velt {
namespace test {

const LocalUser& Attacker() {
  static const LocalUser user = [] {
    LocalUser found;
    if (geteuid() != 0) return found;
    const char* name = "veltattacker";
    if (getpwnam(name) == nullptr &&
        std::system("useradd --system --no-create-home --shell /usr/sbin/nologin veltattacker "
                    ">/dev/null 2>&1") != 0) {
      return found;
    }
    if (const passwd* entry = getpwnam(name)) {
      found.uid = entry->pw_uid;
      found.gid = entry->pw_gid;
      found.available = true;
    }
    return found;
  }();
  return user;
}

void GiveTo(const std::string& path, const LocalUser& user) {
  if (lchown(path.c_str(), user.uid, user.gid) != 0) std::abort();
}

}  // namespace test
}  // namespace velt
