// The registry of the system, read-only. Open reads every value of the key
// at once (RegEnumValueW) and closes the key again: a RegistryKey holds no
// handle, copies freely and answers QueryStringValue from what it read, as
// the file-backed registry of POSIX does. The process's own registry view
// is read (a 32-bit engine sees the 32-bit view, where a 32-bit installer
// writes its install path).
#include "platform/Registry.h"

#include <windows.h>

#include <cerrno>

#include "platform/common/AsciiLower.h"
#include "platform/win32/Win32Error.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace platform {
namespace {

// The registry limits value names to 16383 characters.
constexpr DWORD kLongestValueName = 16383;

struct Root {
  const char* name;  // lower case
  HKEY key;
};

const Root kRoots[] = {
    {"hkey_classes_root", HKEY_CLASSES_ROOT},   {"hkey_current_user", HKEY_CURRENT_USER},
    {"hkey_local_machine", HKEY_LOCAL_MACHINE}, {"hkey_users", HKEY_USERS},
    {"hkey_current_config", HKEY_CURRENT_CONFIG},
};

HKEY RootNamed(const std::string& hive) {
  const std::string wanted = AsciiLower(hive);
  for (const Root& root : kRoots) {
    if (wanted == root.name) {
      return root.key;
    }
  }
  return nullptr;
}

class OpenedKey {
 public:
  explicit OpenedKey(HKEY key) : m_key(key) {}
  OpenedKey(const OpenedKey&) = delete;
  OpenedKey& operator=(const OpenedKey&) = delete;
  ~OpenedKey() { RegCloseKey(m_key); }
  HKEY get() const { return m_key; }

 private:
  HKEY m_key;
};

}  // namespace

// There is no file: the system's registry is read.
std::string RegistryFilePath() { return std::string(); }

int RegistryKey::Open(const std::string& hive, const std::string& subKey) {
  m_values.clear();
  m_open = false;
  const HKEY root = RootNamed(hive);
  if (root == nullptr) {
    return ENOENT;
  }
  std::wstring path = Widen(subKey);
  while (!path.empty() && path.back() == L'\\') {
    path.pop_back();
  }
  HKEY handle = nullptr;
  LONG status = RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, &handle);
  if (status != ERROR_SUCCESS) {
    return ErrnoFromWin32(static_cast<unsigned long>(status));
  }
  const OpenedKey key(handle);
  DWORD nameChars = 0;
  DWORD dataBytes = 0;
  status = RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, &nameChars, &dataBytes, nullptr, nullptr);
  if (status != ERROR_SUCCESS) {
    return ErrnoFromWin32(static_cast<unsigned long>(status));
  }
  std::vector<wchar_t> name(nameChars + 1);
  std::vector<unsigned char> data(dataBytes + 1);
  for (DWORD index = 0;;) {
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD type = REG_NONE;
    DWORD size = static_cast<DWORD>(data.size());
    status = RegEnumValueW(key.get(), index, name.data(), &nameLength, nullptr, &type, data.data(),
                           &size);
    if (status == ERROR_NO_MORE_ITEMS) {
      break;
    }
    if (status == ERROR_MORE_DATA) {
      // The value was written anew since the key was measured: measure again.
      if (size > data.size()) {
        data.resize(size);
      } else if (name.size() <= kLongestValueName) {
        name.resize(kLongestValueName + 1);
      } else {
        return ErrnoFromWin32(static_cast<unsigned long>(status));
      }
      continue;
    }
    if (status != ERROR_SUCCESS) {
      return ErrnoFromWin32(static_cast<unsigned long>(status));
    }
    Value value;
    value.type = type;
    value.data.assign(data.begin(), data.begin() + size);
    m_values[AsciiLower(Narrow(std::wstring(name.data(), nameLength)))] = std::move(value);
    ++index;
  }
  m_open = true;
  return 0;
}

}  // namespace platform
}  // namespace velt
