#include <sys/random.h>

#include <cerrno>

#include "platform/common/RandomBytes.h"

namespace velt {
namespace platform {

void FillRandom(unsigned char* raw, size_t bytes) {
  size_t filled = 0;
  while (filled < bytes) {
    const ssize_t got = getrandom(raw + filled, bytes - filled, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      break;  // no entropy source at all
    }
    filled += static_cast<size_t>(got);
  }
}

}  // namespace platform
}  // namespace velt
