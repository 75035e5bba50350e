// CRC-32 of a file's bytes, read in the archive writer's chunk size.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/File.h"

namespace velt {
namespace zip {

// Bytes read from a file per step, for checksums and for compression.
constexpr size_t kReadChunk = 16384;

// CRC-32 (zlib's, starting from 0) of at most `limit` bytes of `file` from
// its current position. Returns the count of bytes it covered; a read error
// ends the count like the end of the file.
uint64_t CrcOfFile(platform::File& file, uint64_t limit, uint32_t& crc);

}  // namespace zip
}  // namespace velt
