// UTF-16LE data as stored by the registry and its export files, read into
// a wide string: unit by unit where wide strings are UTF-16 (Windows), with
// surrogate pairs joined where they are UTF-32 (POSIX). A lone surrogate is
// kept as it is.
#pragma once

#include <cstddef>
#include <string>

namespace velt {
namespace platform {

// The `units` 16-bit little-endian units at `bytes`.
std::wstring WideFromUtf16Le(const unsigned char* bytes, size_t units);

}  // namespace platform
}  // namespace velt
