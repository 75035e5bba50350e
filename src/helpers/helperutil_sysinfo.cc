// helperUtil: time, operating system, user and random numbers.
#include <cstdlib>
#include <ctime>
#include <sstream>

#include "helpers/FormattedTime.h"
#include "helpers/OsVersion.h"
#include "platform/OsFacts.h"
#include "velt/helpers/helperUtil.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/CAppLog.h"

namespace {

// The Windows release for an NT version record.
void WriteWindowsRelease(std::wostringstream& out, const velt::platform::OsVersionFacts& facts) {
  // Bit 0 of the product type holds for workstations and servers, not for
  // domain controllers.
  const bool bit0 = (facts.productType & 1u) != 0;
  const unsigned major = facts.major;
  const unsigned minor = facts.minor;
  if (major == 5) {
    if (minor == 0) {
      out << L"2000";
    } else if (minor == 1 && bit0) {
      out << L"XP";
    } else {
      out << L"NT 5." << minor;
    }
  } else if (major == 6) {
    static const wchar_t* const kNames[] = {L"Vista", L"7", L"8", L"8.1"};
    if (minor <= 3 && bit0) {
      out << kNames[minor];
    } else {
      out << L"NT 6." << minor;
    }
  } else if (major == 10) {
    if (minor == 0 && bit0) {
      out << (facts.build >= 22000 ? L"11" : L"10");
    } else {
      out << L"NT 10." << minor;
    }
  } else {
    out << L"NT " << major << L"." << minor;
  }
}

}  // namespace

std::wstring helperUtil::getCurrentTime(TIME_REPRESENTATION representation) {
  return velt::GetFormattedTime(representation);
}

std::wstring helperUtil::getOSVersion() {
  velt::OsVersionInfo info;
  velt::GetOsVersion(info);
  std::wostringstream out;
  if (info.kind == static_cast<int>(velt::platform::OsKind::kWinNT)) {
    out << L"Windows ";
    velt::platform::OsVersionFacts facts;
    if (!velt::platform::CurrentOsFacts().ReadVersion(facts) || !facts.extendedAvailable) {
      out << L"(error)";
    } else {
      WriteWindowsRelease(out, facts);
    }
    out << L" " << info.versionText;
  } else if (info.kind == static_cast<int>(velt::platform::OsKind::kLinux)) {
    // "Linux <kernel release> <distribution>"
    velt::platform::OsVersionFacts facts;
    velt::platform::CurrentOsFacts().ReadVersion(facts);
    out << L"Linux " << info.versionText;
    if (!facts.distribution.empty()) {
      out << L" " << velt::Widen(facts.distribution);
    }
  } else {
    out << L"Unknown:" << L" " << info.versionText;
  }
  return out.str();
}

std::wstring helperUtil::getOSUserName() {
  std::wstring name;
  int error = velt::platform::CurrentOsFacts().UserName(name);
  if (error != 0) {
    VELT_LOG_CODE('E', "::GetUserName", error);
    return getEnvVarValue(L"USER");
  }
  return name;
}

bool helperUtil::checkForAdminPrivilege() { return velt::platform::CurrentOsFacts().IsElevated(); }

int helperUtil::generateRandomNumber() {
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  return std::rand() % 100000;
}
