#include "platform/SystemError.h"

#include <cerrno>
#include <cstring>

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

bool ReportsLackOfSpace(const std::string& reason) {
  for (int code : {ENOSPC, EDQUOT, EFBIG}) {
    const std::string text = SystemErrorText(static_cast<unsigned long>(code));
    if (reason.size() >= text.size() &&
        reason.compare(reason.size() - text.size(), text.size(), text) == 0) {
      return true;
    }
  }
  return false;
}

}  // namespace platform
}  // namespace velt
