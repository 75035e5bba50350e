// The other local user of the attack tests: an unprivileged account that
// plants files, links and folders where a root run will meet them. Made
// with useradd the first time; tests skip when not run as root.
#pragma once

#include <sys/types.h>

#include <string>

namespace velt {
namespace test {

struct LocalUser {
  uid_t uid = 0;
  gid_t gid = 0;
  bool available = false;  // false when not root or useradd failed
};

// "veltattacker", created on first use.
const LocalUser& Attacker();
// Makes `path` (not following a link) belong to `user`.
void GiveTo(const std::string& path, const LocalUser& user);

}  // namespace test
}  // namespace velt

// Skips the calling test unless the attacker account exists.
#define VELT_REQUIRE_ATTACKER()                                                     \
  if (!velt::test::Attacker().available)                                            \
  GTEST_SKIP() << "needs root to create the unprivileged user veltattacker"
