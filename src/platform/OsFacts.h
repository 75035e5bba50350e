// Facts about the running operating system: its kind, version numbers,
// product type, the user and whether the process runs elevated. Everything
// that describes the machine (the OS tests, the version text of the summary)
// reads them through CurrentOsFacts(), so that tests can install a fake
// Windows 7 workstation, a server and so on.
#pragma once

#include <string>

namespace velt {
namespace platform {

enum class OsKind {
  kUnknown = 0,
  kWin9x = 2,
  kWinNT = 3,
  kLinux = 100,
  kMac = 101,
};

// Windows product types of the extended version record.
enum : unsigned {
  kProductWorkstation = 1,
  kProductDomainController = 2,
  kProductServer = 3,
};

struct OsVersionFacts {
  OsKind kind = OsKind::kUnknown;
  unsigned major = 0;
  unsigned minor = 0;
  unsigned build = 0;
  std::wstring servicePack;            // Windows: "Service Pack 1" or empty
  bool extendedAvailable = false;      // Windows: the extended record was read
  unsigned productType = 0;            // Windows: kProduct*; 0 elsewhere
  std::string release;                 // Linux: the kernel release
  std::string distribution;            // Linux: PRETTY_NAME of os-release
};

class OsFactsSource {
 public:
  virtual ~OsFactsSource() = default;
  // False when the basic version query fails.
  virtual bool ReadVersion(OsVersionFacts& facts) const = 0;
  // The account name of the effective user: 0, or an error number.
  virtual int UserName(std::wstring& name) const = 0;
  // The process runs with administrative rights.
  virtual bool IsElevated() const = 0;
};

// The installed source, or the system's own.
const OsFactsSource& CurrentOsFacts();
// Installs `source` (not owned; it must outlive its use) in place of the
// system's; nullptr puts the system's back. Meant for tests.
void SetOsFactsSource(const OsFactsSource* source);

}  // namespace platform
}  // namespace velt
