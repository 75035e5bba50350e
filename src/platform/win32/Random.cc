#include <windows.h>
#include <bcrypt.h>

#include <algorithm>

#include "platform/common/RandomBytes.h"

namespace velt {
namespace platform {

// The system's preferred generator, no algorithm handle to open. Asked for
// at most ULONG bytes at a time.
void FillRandom(unsigned char* raw, size_t bytes) {
  size_t filled = 0;
  while (filled < bytes) {
    const size_t chunk = std::min<size_t>(bytes - filled, 1u << 20);
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, raw + filled, static_cast<ULONG>(chunk),
                                        BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
      break;
    }
    filled += chunk;
  }
}

}  // namespace platform
}  // namespace velt
