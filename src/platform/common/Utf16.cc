#include "platform/common/Utf16.h"

namespace velt {
namespace platform {

std::wstring WideFromUtf16Le(const unsigned char* bytes, size_t units) {
  auto unitAt = [bytes](size_t index) {
    return static_cast<unsigned>(bytes[2 * index]) |
           (static_cast<unsigned>(bytes[2 * index + 1]) << 8);
  };
  std::wstring text;
  text.reserve(units);
  for (size_t i = 0; i < units; ++i) {
    unsigned long unit = unitAt(i);
    if (sizeof(wchar_t) >= 4 && unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
      const unsigned long low = unitAt(i + 1);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    text += static_cast<wchar_t>(unit);
  }
  return text;
}

}  // namespace platform
}  // namespace velt
