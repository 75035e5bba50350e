#include "platform/SystemError.h"

#include <cerrno>
#include <cstring>
#include <initializer_list>

namespace velt {
namespace platform {

std::string SystemErrorText(unsigned long code) {
  if (code == 0 || code > 4095) {
    return std::string();
  }
  char buffer[256];
  // The GNU strerror_r returns the message, possibly not in `buffer`.
  const char* text = strerror_r(static_cast<int>(code), buffer, sizeof(buffer));
  if (text == nullptr || std::strncmp(text, "Unknown error", 13) == 0) {
    return std::string();
  }
  return text;
}

namespace {

bool EndsWithErrorText(const std::string& reason, std::initializer_list<int> codes) {
  for (int code : codes) {
    const std::string text = SystemErrorText(static_cast<unsigned long>(code));
    if (reason.size() >= text.size() &&
        reason.compare(reason.size() - text.size(), text.size(), text) == 0) {
      return true;
    }
  }
  return false;
}

}  // namespace

bool ReportsLackOfSpace(const std::string& reason) {
  return EndsWithErrorText(reason, {ENOSPC, EDQUOT, EFBIG});
}

bool ReportsLackOfPermission(const std::string& reason) {
  return EndsWithErrorText(reason, {EACCES, EPERM});
}

}  // namespace platform
}  // namespace velt
