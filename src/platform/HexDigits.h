// Bytes written as lower-case hexadecimal, two digits each: the text of the
// random names (RandomHex) on every system.
#pragma once

#include <cstddef>
#include <string>

namespace velt {
namespace platform {

inline std::string HexDigits(const unsigned char* data, size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(2 * size);
  for (size_t i = 0; i < size; ++i) {
    text += kDigits[data[i] >> 4];
    text += kDigits[data[i] & 0x0f];
  }
  return text;
}

}  // namespace platform
}  // namespace velt
