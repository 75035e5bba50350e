#include "mask/BinaryText.h"

#include <algorithm>
#include <cstring>

namespace velt {
namespace mask {

bool LooksBinary(const char* data, size_t size) {
  size = std::min(size, kBinaryProbe);
  if (std::memchr(data, '\0', size) != nullptr) {
    return true;
  }
  size_t control = std::count_if(data, data + size, [](char c) {
    unsigned char byte = static_cast<unsigned char>(c);
    bool whiteSpace = byte == '\t' || byte == '\n' || byte == '\v' || byte == '\f' || byte == '\r';
    return (byte < 0x20 && !whiteSpace && byte != 0x1B) || byte == 0x7F;
  });
  return control * 10 > size;
}

}  // namespace mask
}  // namespace velt
