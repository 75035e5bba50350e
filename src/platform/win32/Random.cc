#include "platform/Random.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <vector>

#include "platform/HexDigits.h"

namespace velt {
namespace platform {

std::string RandomHex(size_t bytes) {
  std::vector<unsigned char> raw(bytes);
  // The system's preferred generator, no algorithm handle to open. Asked
  // for at most ULONG bytes at a time; on failure the bytes stay zero, as
  // with no entropy source on POSIX.
  size_t filled = 0;
  while (filled < bytes) {
    const size_t chunk = std::min<size_t>(bytes - filled, 1u << 20);
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, raw.data() + filled, static_cast<ULONG>(chunk),
                                        BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
      break;
    }
    filled += chunk;
  }
  return HexDigits(raw.data(), raw.size());
}

}  // namespace platform
}  // namespace velt
