#include "platform/Stream.h"

#include <cerrno>

namespace velt {
namespace platform {

int OpenStream(const std::string& path, const char* mode, std::FILE*& stream) {
  errno = 0;
  stream = std::fopen(path.c_str(), mode);
  return stream != nullptr ? 0 : errno != 0 ? errno : EINVAL;
}

}  // namespace platform
}  // namespace velt
