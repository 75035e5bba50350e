// Whether a file is text the masker can read.
#pragma once

#include <cstddef>

namespace velt {
namespace mask {

// How much of the start of a file decides.
constexpr size_t kBinaryProbe = 64 * 1024;

// True when the first bytes of a file (up to kBinaryProbe) hold a NUL byte
// (binary formats, compressed files, UTF-16 text), or when more than one in
// ten of them are control characters other than white space and escape.
// Bytes that are not valid UTF-8 do not count: logs in a legacy 8-bit
// encoding are text.
bool LooksBinary(const char* data, size_t size);

}  // namespace mask
}  // namespace velt
