// The system's random source, which each system's Random.cc reaches, for
// the portable RandomHex (common/Random.cc).
#pragma once

#include <cstddef>

namespace velt {
namespace platform {

// Fills `bytes` bytes at `raw` from the system's random source as far as it
// gives them; what it does not give is left as it was.
void FillRandom(unsigned char* raw, size_t bytes);

}  // namespace platform
}  // namespace velt
