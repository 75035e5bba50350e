// Unpredictable values from the system's random source.
#pragma once

#include <cstddef>
#include <string>

namespace velt {
namespace platform {

// `bytes` random bytes written as lower-case hexadecimal (2 * bytes
// characters), for names others must not be able to guess.
std::string RandomHex(size_t bytes);

}  // namespace platform
}  // namespace velt
