#include "zip/FileCrc.h"

#include <zlib.h>

#include <algorithm>

namespace velt {
namespace zip {

uint64_t CrcOfFile(platform::File& file, uint64_t limit, uint32_t& crc) {
  unsigned char buffer[kReadChunk];
  uLong value = crc32(0L, Z_NULL, 0);
  uint64_t covered = 0;
  while (covered < limit) {
    size_t want = static_cast<size_t>(std::min<uint64_t>(kReadChunk, limit - covered));
    int error = 0;
    long count = file.Read(buffer, want, error);
    if (count <= 0) {
      break;
    }
    value = crc32(value, buffer, static_cast<uInt>(count));
    covered += static_cast<uint64_t>(count);
  }
  crc = static_cast<uint32_t>(value);
  return covered;
}

}  // namespace zip
}  // namespace velt
