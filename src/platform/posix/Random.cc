#include "platform/Random.h"

#include <sys/random.h>

#include <cerrno>
#include <vector>

#include "platform/HexDigits.h"

namespace velt {
namespace platform {

std::string RandomHex(size_t bytes) {
  std::vector<unsigned char> raw(bytes);
  size_t filled = 0;
  while (filled < bytes) {
    const ssize_t got = getrandom(raw.data() + filled, bytes - filled, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      break;  // no entropy source at all: the bytes stay zero
    }
    filled += static_cast<size_t>(got);
  }
  return HexDigits(raw.data(), raw.size());
}

}  // namespace platform
}  // namespace velt
