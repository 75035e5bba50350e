#include "platform/Random.h"

#include <vector>

#include "platform/HexDigits.h"
#include "platform/common/RandomBytes.h"

namespace velt {
namespace platform {

// Without an entropy source the bytes stay zero.
std::string RandomHex(size_t bytes) {
  std::vector<unsigned char> raw(bytes);
  FillRandom(raw.data(), raw.size());
  return HexDigits(raw.data(), raw.size());
}

}  // namespace platform
}  // namespace velt
