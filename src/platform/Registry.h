// A read-only registry. Here it is a file in the registry export format
// ("Windows Registry Editor Version 5.00", [key] sections, "name"="text",
// "name"=dword:..., "name"=hex(2):... values), found at $VELT_REGISTRY_FILE
// or else at the build's default path. Key and value names are matched
// without regard to ASCII case, as the registry does.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace velt {
namespace platform {

// The registry's "invalid data" error: a value that is not a string or not
// properly terminated.
constexpr int kRegistryErrorInvalidData = 13;

// Types of registry values.
enum : unsigned {
  kRegNone = 0,
  kRegString = 1,
  kRegExpandString = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegMultiString = 7,
  kRegQword = 11,
};

// The file the registry is read from.
std::string RegistryFilePath();

class RegistryKey {
 public:
  // Opens hive\subKey ("HKEY_LOCAL_MACHINE", "Software\\A\\B") for reading:
  // 0, or ENOENT when the file or the key does not exist, or the error of
  // reading the file.
  int Open(const std::string& hive, const std::string& subKey);
  // 0 and the text of a string value of at most `maxChars` characters
  // including its terminating NUL; ENOENT for a missing value,
  // kRegistryErrorInvalidData for another type or badly terminated data,
  // EOVERFLOW for a longer value.
  int QueryStringValue(const std::string& valueName, size_t maxChars,
                       std::wstring& value) const;

 private:
  struct Value {
    unsigned type = kRegNone;
    std::vector<unsigned char> data;  // as the registry stores it
  };
  std::map<std::string, Value> m_values;  // by lower-case name
  bool m_open = false;
};

}  // namespace platform
}  // namespace velt
