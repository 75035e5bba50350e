// The operating-system tests, answered from the platform's OS facts.
#include "velt/helpers/OsTests.h"

#include "platform/OsFacts.h"

namespace {

using velt::platform::OsKind;
using velt::platform::OsVersionFacts;

bool ReadFacts(OsVersionFacts& facts) {
  return velt::platform::CurrentOsFacts().ReadVersion(facts);
}

// Windows NT of exactly major.minor.
bool IsNt(const OsVersionFacts& facts, unsigned major, unsigned minor) {
  return facts.kind == OsKind::kWinNT && facts.major == major && facts.minor == minor;
}

bool IsWorkstation(const OsVersionFacts& facts) {
  return facts.productType == velt::platform::kProductWorkstation;
}

}  // namespace

bool IsOs_LINUX() {
  OsVersionFacts facts;
  return ReadFacts(facts) && facts.kind == OsKind::kLinux;
}

bool IsOs_MAC() {
  OsVersionFacts facts;
  return ReadFacts(facts) && facts.kind == OsKind::kMac;
}

bool IsOs_WINNT_2000_Only() {
  OsVersionFacts facts;
  return ReadFacts(facts) && IsNt(facts, 5, 0);
}

bool IsOs_WINNT_XP_Only() {
  OsVersionFacts facts;
  return ReadFacts(facts) && (IsNt(facts, 5, 1) || (IsNt(facts, 5, 2) && IsWorkstation(facts)));
}

bool IsOs_WINNT_2K3_Only() {
  OsVersionFacts facts;
  return ReadFacts(facts) && IsNt(facts, 5, 2) && !IsWorkstation(facts);
}

bool IsOs_WIN_VISTA_Only() {
  OsVersionFacts facts;
  return ReadFacts(facts) && IsNt(facts, 6, 0) && IsWorkstation(facts);
}

bool IsOs_WIN_7_Only() {
  OsVersionFacts facts;
  return ReadFacts(facts) && IsNt(facts, 6, 1) && IsWorkstation(facts);
}

bool IsOs_WIN_8() {
  OsVersionFacts facts;
  return ReadFacts(facts) && facts.kind == OsKind::kWinNT &&
         (facts.major > 6 || (facts.major == 6 && facts.minor >= 2));
}
