// helperUtil: translating configured paths, the working directory, the
// install and configuration folders and the desktop.
#include "helpers/PathText.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"
#include "velt/helpers/OsTests.h"
#include "velt/helpers/KnownFolders.h"
#include "velt/helpers/helperUtil.h"
#include "velt/runtime/CAppLog.h"

namespace {

// A variable whose value leads back to itself would be expanded for ever;
// the translation gives up after this many expansions or at this length.
constexpr int kMaxExpansions = 256;
constexpr size_t kMaxTranslatedLength = 32767;

// Stage 1 of the translation: "%NAME%" pairs in `result` expanded, always
// the leftmost pair, each followed by exactly one separator taken from the
// value's side. False, after the error is logged, when a variable cannot be
// expanded; `result` then holds the path as it stood.
bool ExpandVariablePairs(std::wstring& result) {
  using velt::kPathSeparator;
  for (int expansions = 0;; ++expansions) {
    size_t first = result.find(L'%');
    if (first == std::wstring::npos) {
      break;
    }
    size_t second = result.find(L'%', first + 1);
    if (second == std::wstring::npos) {
      break;
    }
    std::wstring name = result.substr(first + 1, second - first - 1);
    std::wstring rest = result.substr(second + 1);
    if (!rest.empty() && (rest[0] == kPathSeparator || rest[0] == L'\\')) {
      rest.erase(0, 1);
    }
    std::wstring value = velt::ToPlatformSeparators(helperUtil::getEnvVarValue(name));
    if (!value.empty() && value.back() != kPathSeparator) {
      value += kPathSeparator;
    }
    if (value.empty() || expansions >= kMaxExpansions ||
        first + value.size() + rest.size() > kMaxTranslatedLength) {
      VELT_LOG_MESSAGE_AS("helperUtil::translatePath", 'E',
                          "Cannot determine environment variable %s, path %s cannot be translated",
                          velt::Narrow(name).c_str(), velt::Narrow(result).c_str());
      return false;
    }
    result = result.substr(0, first) + value + rest;
  }
  return true;
}

}  // namespace

std::wstring helperUtil::expandVariablePairs(const std::wstring& text) {
  std::wstring result = text;
  ExpandVariablePairs(result);
  return result;
}

std::wstring helperUtil::translatePath(const std::wstring& path) {
  // Stage 1: the platform's separators, then "%NAME%" pairs. A path that
  // stage 1 could not finish is returned as it stands.
  std::wstring result = velt::ToPlatformSeparators(path);
  if (!ExpandVariablePairs(result)) {
    return result;
  }

  // Stage 2: per-machine and per-user data folders of Windows XP and Server
  // 2003 moved to the system's own application-data folders.
  size_t product = result.find(L"Vantrel");
  if (product == std::wstring::npos || product == 0) {
    return result;
  }
  size_t cut = product - 1;
  velt::platform::FileDetails status;
  if (velt::platform::GetFileDetails(velt::Narrow(result.substr(0, cut)), true, status) != 0) {
    return result;
  }
  if (!IsOs_WINNT_XP_Only() && !IsOs_WINNT_2K3_Only()) {
    return result;
  }
  if (result.find(L"Application Data") == std::wstring::npos) {
    return result;
  }
  long csidl = result.find(L"Local Settings") != std::wstring::npos ? CSIDL_LOCAL_APPDATA
                                                                     : CSIDL_COMMON_APPDATA;
  std::string folder;
  int error = velt::platform::GetSpecialFolder(csidl, folder);
  if (error != 0) {
    VELT_LOG_CODE('E', "::SHGetFolderPath", error);
    return result;
  }
  return velt::Widen(folder) + result.substr(cut);
}

std::wstring helperUtil::getEnvVarValue(const std::wstring& name) {
  std::wstring bare = name;
  if (!bare.empty() && bare.front() == L'%' && bare.back() == L'%') {
    bare = bare.size() >= 2 ? bare.substr(1, bare.size() - 2) : std::wstring();
  }
  std::string value;
  if (!velt::platform::GetEnvironmentValue(velt::Narrow(bare), value)) {
    return std::wstring();
  }
  return velt::Widen(value);
}

std::wstring helperUtil::fillInCWD(const std::wstring& path) {
  using velt::kPathSeparator;
  std::wstring directory = velt::WithSeparator(getCurrentWorkingDirectory());
  std::wstring relative = velt::ToPlatformSeparators(path);
  if (relative.size() >= 2 && relative[0] == L'.' && relative[1] == kPathSeparator) {
    return directory + relative.substr(2);
  }
  if (relative.find(kPathSeparator) == std::wstring::npos) {
    return directory + relative;
  }
  return relative;
}

std::wstring helperUtil::getCurrentWorkingDirectory() {
  std::string directory;
  int error = velt::platform::GetWorkingDirectory(directory);
  if (error != 0) {
    VELT_LOG_CODE('E', "getcwd", error);
    return std::wstring();
  }
  return velt::Widen(directory);
}

std::wstring helperUtil::FindInstallPath() {
  return translatePath(
      getPathFromRegistry(L"HKEY_LOCAL_MACHINE\\Software\\Vantrel\\Vantrel Orvalink Velt\\"
                          L"InstallPathWithSlash"));
}

std::wstring helperUtil::getConfigPath(const std::wstring& baseDirectory) {
  std::wstring directory = baseDirectory.empty() ? FindInstallPath() : baseDirectory;
  if (!directory.empty()) {
    directory = velt::WithSeparator(directory);
  }
  return directory + L"xml" + velt::kPathSeparator + L"config" + velt::kPathSeparator;
}

long helperUtil::GetPlatformDesktopPath(std::wstring& desktopPath) {
  desktopPath.clear();
  std::string folder;
  if (velt::platform::GetSpecialFolder(CSIDL_DESKTOPDIRECTORY, folder) == 0) {
    desktopPath = velt::WithSeparator(velt::Widen(folder));
  }
  return 0;
}

std::wstring helperUtil::GetDesktopPath() {
  std::wstring desktop;
  GetPlatformDesktopPath(desktop);
  if (desktop.empty()) {
    return std::wstring(L"%USERPROFILE%") + velt::kPathSeparator + L"Desktop" +
           velt::kPathSeparator;
  }
  return desktop;
}
