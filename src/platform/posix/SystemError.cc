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

}  // namespace platform
}  // namespace velt
