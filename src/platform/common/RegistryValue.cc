// Reading a value of a RegistryKey out of what Open stored, the same for
// every system's registry: the data as the registry keeps it, a string in
// UTF-16LE with its terminating NUL.
#include "platform/Registry.h"
#include "platform/common/AsciiLower.h"
#include "platform/common/ErrorNumbers.h"
#include "platform/common/Utf16.h"

namespace velt {
namespace platform {

int RegistryKey::QueryStringValue(const std::string& valueName, size_t maxChars,
                                  std::wstring& value) const {
  value.clear();
  if (!m_open) {
    return EBADF;
  }
  auto found = m_values.find(AsciiLower(valueName));
  if (found == m_values.end()) {
    return ENOENT;
  }
  const Value& stored = found->second;
  if (stored.type != kRegString && stored.type != kRegExpandString) {
    return kRegistryErrorInvalidData;
  }
  const std::vector<unsigned char>& data = stored.data;
  if (data.size() % 2 != 0) {
    return kRegistryErrorInvalidData;
  }
  if (data.size() / 2 > maxChars) {
    return EOVERFLOW;
  }
  if (data.empty()) {
    return 0;
  }
  if (data[data.size() - 1] != 0 || data[data.size() - 2] != 0) {
    return kRegistryErrorInvalidData;
  }
  // Data ending in several NULs reads up to the first one.
  const std::wstring text = WideFromUtf16Le(data.data(), data.size() / 2 - 1);
  const size_t nul = text.find(L'\0');
  value = nul == std::wstring::npos ? text : text.substr(0, nul);
  return 0;
}

}  // namespace platform
}  // namespace velt
