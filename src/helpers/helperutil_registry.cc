// helperUtil: reading string values of the registry.

#include "platform/Registry.h"
#include "platform/SystemError.h"
#include "velt/helpers/helperUtil.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/CAppLog.h"

namespace {

// The registry's longest accepted value, its terminating NUL included.
constexpr size_t kValueBufferChars = 260;

struct Hive {
  const wchar_t* name;
  HKEY root;
};

const Hive kHives[] = {
    {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},   {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}, {L"HKEY_USERS", HKEY_USERS},
    {L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
};

// The hive's name of a root key; empty for the null key and unknown ones.
std::string HiveName(HKEY root) {
  for (const Hive& hive : kHives) {
    if (root != nullptr && hive.root == root) {
      return velt::Narrow(hive.name);
    }
  }
  return std::string();
}

}  // namespace

HKEY helperUtil::mapHKEYS(const std::wstring& hiveName) {
  for (const Hive& hive : kHives) {
    if (hiveName == hive.name) {
      return hive.root;
    }
  }
  return nullptr;
}

std::wstring helperUtil::getPathFromRegistry(const std::wstring& registryPath) {
  // Registry paths keep "\" between their elements on every platform.
  const std::wstring separator = L"\\";
  std::wstring hive = getFirstPart(registryPath, separator);
  std::wstring valueName = getLastPart(registryPath, separator);
  std::wstring subKey =
      getAllExLastPart(getAllExFirstPart(registryPath, separator, false), separator, false);
  return getPathFromRegistry(mapHKEYS(hive), subKey.c_str(), valueName.c_str());
}

std::wstring helperUtil::getPathFromRegistry(HKEY root, const wchar_t* subKey,
                                             const wchar_t* valueName) {
  std::string hive = HiveName(root);
  velt::platform::RegistryKey key;
  // A null or unknown root key is an invalid handle.
  int error = hive.empty() ? velt::platform::ErrorNumber(velt::platform::ErrorKind::kBadHandle)
                           : key.Open(hive, velt::Narrow(subKey ? subKey : L""));
  if (error != 0) {
    VELT_LOG_CODE('E', "CRegKey::Open", error);
    return std::wstring();
  }
  std::wstring value;
  error = key.QueryStringValue(velt::Narrow(valueName ? valueName : L""), kValueBufferChars, value);
  if (error != 0) {
    VELT_LOG_CODE('E', "CRegKey::QueryStringValue", error);
    return std::wstring();
  }
  return value;
}
