// The version record of the running system, as the shared library's
// version reading fills it.
#pragma once

#include <string>

namespace velt {

struct OsVersionInfo {
  int kind = 0;              // 0 unknown, 2 the 9x platform, 3 NT, 100 Linux
  unsigned major = 0;
  unsigned minor = 0;
  unsigned build = 0;
  std::wstring kindName;     // "Win9x", "WinNT", "Linux" or "Unknown"
  std::wstring versionText;  // Windows: "major.minor.build servicepack"
};

// Fills `info`; when the system's version cannot be read the kind is 0 and
// both texts are "Unknown".
void GetOsVersion(OsVersionInfo& info);

}  // namespace velt
