#include "platform/OsFacts.h"

#include <windows.h>

#include "platform/common/SystemOsFacts.h"
#include "platform/win32/Win32Error.h"

namespace velt {
namespace platform {
namespace {

using RtlGetVersionCall = LONG(WINAPI*)(OSVERSIONINFOEXW*);

// The version as the kernel reports it. GetVersionExW reports what the
// program's manifest declares itself compatible with (6.2 for a program
// without one on Windows 8.1 and later); RtlGetVersion tells the truth and
// fills the same record. GetVersionExW remains for a system without it.
bool QueryVersion(OSVERSIONINFOEXW& record) {
  record = OSVERSIONINFOEXW();
  record.dwOSVersionInfoSize = sizeof(record);
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const auto rtlGetVersion = ntdll == nullptr ? nullptr
                                              : reinterpret_cast<RtlGetVersionCall>(
                                                    reinterpret_cast<void (*)()>(
                                                        GetProcAddress(ntdll, "RtlGetVersion")));
  if (rtlGetVersion != nullptr && rtlGetVersion(&record) == 0) {
    return true;
  }
  return GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&record)) != 0;
}

class SystemOsFacts : public OsFactsSource {
 public:
  bool ReadVersion(OsVersionFacts& facts) const override {
    facts = OsVersionFacts();
    OSVERSIONINFOEXW record;
    if (!QueryVersion(record)) {
      return false;
    }
    facts.kind = record.dwPlatformId == VER_PLATFORM_WIN32_NT        ? OsKind::kWinNT
                 : record.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? OsKind::kWin9x
                                                                      : OsKind::kUnknown;
    facts.major = record.dwMajorVersion;
    facts.minor = record.dwMinorVersion;
    facts.build = record.dwBuildNumber;
    facts.servicePack = record.szCSDVersion;
    facts.extendedAvailable = true;
    facts.productType = record.wProductType;
    return true;
  }

  // The user of the calling thread (the impersonated one, if any).
  int UserName(std::wstring& name) const override {
    name.clear();
    wchar_t buffer[257];  // the longest user name and its NUL
    DWORD length = sizeof(buffer) / sizeof(buffer[0]);
    if (!GetUserNameW(buffer, &length)) {
      return LastErrno();
    }
    name.assign(buffer, length > 0 ? length - 1 : 0);
    return 0;
  }

  // Whether the process token is elevated; false whenever that cannot be
  // read (a system before elevation existed, a token without query right).
  bool IsElevated() const override {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
      return false;
    }
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    const bool read =
        GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size) != 0;
    CloseHandle(token);
    return read && elevation.TokenIsElevated != 0;
  }
};

const SystemOsFacts g_system;

}  // namespace

const OsFactsSource& SystemOsFactsSource() { return g_system; }

}  // namespace platform
}  // namespace velt
