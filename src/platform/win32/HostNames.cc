// The machine's names from the system's own record of them: no resolver
// (and no socket library) is needed, as the fully qualified name is the
// host name with the primary DNS suffix the system keeps.
#include "platform/HostNames.h"

#include <windows.h>

#include "platform/common/HostNameSteps.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace platform {
namespace {

std::string ComputerName(COMPUTER_NAME_FORMAT format) {
  DWORD length = 0;
  GetComputerNameExW(format, nullptr, &length);  // the size, NUL included
  if (length == 0) {
    return std::string();
  }
  std::wstring name(length, L'\0');
  if (!GetComputerNameExW(format, &name[0], &length)) {
    return std::string();
  }
  name.resize(length);  // now without the NUL
  return Narrow(name);
}

}  // namespace

std::string OwnHostName() { return ComputerName(ComputerNameDnsHostname); }

// The host name with the primary DNS suffix.
std::string QualifiedHostName(const std::string&) {
  return ComputerName(ComputerNameDnsFullyQualified);
}

}  // namespace platform
}  // namespace velt
