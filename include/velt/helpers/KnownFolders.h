// Shell special folders by their CSIDL numbers. docs/platform.md lists what
// each number is on this platform. On Windows the numbers are the system's
// own, from <shlobj.h>.
#pragma once

#include <string>

#include "velt/VeltExport.h"

#if defined(_WIN32)
#include <windows.h>

#include <shlobj.h>  // after <windows.h>, which it builds on
#else
enum : long {
  CSIDL_DESKTOP = 0,
  CSIDL_PERSONAL = 5,
  CSIDL_DESKTOPDIRECTORY = 16,
  CSIDL_APPDATA = 26,
  CSIDL_LOCAL_APPDATA = 28,
  CSIDL_COMMON_APPDATA = 35,
  CSIDL_PROFILE = 40,
};
#endif

// The folder (without a trailing separator); empty when the system has no
// such folder (a warning is logged then).
VELT_API std::wstring GetCSIDLPath(long csidl);
