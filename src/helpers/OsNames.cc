#include "velt/helpers/OsNames.h"

#include "velt/helpers/OsTests.h"

namespace {

struct OsName {
  const wchar_t* name;
  bool (*test)();
};

const OsName kOsNames[] = {
    {L"linux", IsOs_LINUX},          {L"mac", IsOs_MAC},
    {L"win2k", IsOs_WINNT_2000_Only}, {L"win2k3", IsOs_WINNT_2K3_Only},
    {L"winxp", IsOs_WINNT_XP_Only},   {L"vista", IsOs_WIN_VISTA_Only},
    {L"win7", IsOs_WIN_7_Only},       {L"win8", IsOs_WIN_8},
};

}  // namespace

bool IsOsNamed(const std::wstring& opsys) {
  for (const OsName& entry : kOsNames) {
    if (opsys == entry.name) {
      return entry.test();
    }
  }
  return false;
}
