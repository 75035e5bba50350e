#include "helpers/OsVersion.h"

#include "platform/OsFacts.h"
#include "velt/platform/TextEncoding.h"

namespace velt {

void GetOsVersion(OsVersionInfo& info) {
  info = OsVersionInfo();
  platform::OsVersionFacts facts;
  if (!platform::CurrentOsFacts().ReadVersion(facts)) {
    info.kindName = L"Unknown";
    info.versionText = L"Unknown";
    return;
  }
  info.kind = static_cast<int>(facts.kind);
  info.major = facts.major;
  info.minor = facts.minor;
  info.build = facts.build;
  switch (facts.kind) {
    case platform::OsKind::kWinNT:
      info.kindName = L"WinNT";
      break;
    case platform::OsKind::kWin9x:
      info.kindName = L"Win9x";
      break;
    case platform::OsKind::kLinux:
      info.kindName = L"Linux";
      break;
    case platform::OsKind::kMac:
      info.kindName = L"Mac";
      break;
    default:
      info.kindName = L"Unknown";
      break;
  }
  if (facts.kind == platform::OsKind::kLinux || facts.kind == platform::OsKind::kMac) {
    info.versionText = Widen(facts.release);
  } else {
    info.versionText = std::to_wstring(facts.major) + L"." + std::to_wstring(facts.minor) + L"." +
                       std::to_wstring(facts.build) + L" " + facts.servicePack;
  }
}

}  // namespace velt
