// ASCII case folding for names the system matches without regard to ASCII
// case (registry keys and values), whatever the process locale.
#pragma once

#include <string>

namespace velt {
namespace platform {

inline std::string AsciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return text;
}

}  // namespace platform
}  // namespace velt
