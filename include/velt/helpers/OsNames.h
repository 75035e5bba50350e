// The operating-system names configuration files use in "opsys"
// attributes, and whether the running system is the one named.
#pragma once

#include <string>

#include "velt/VeltExport.h"

// True when `opsys` ("linux", "mac", "win2k", "win2k3", "winxp", "vista",
// "win7", "win8"; exact, case-sensitive) names the running system. Any other
// name, the empty one included, is false.
VELT_API bool IsOsNamed(const std::wstring& opsys);
