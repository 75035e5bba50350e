// Writing to a C library stream (see Stream.h) and closing it, with the
// error number of a failure, for the text files the engine writes through
// streams (summary.txt, comments.txt).
#pragma once

#include <cstddef>
#include <cstdio>

namespace velt {
namespace platform {

// Writes all `size` bytes of `data` to `stream`: 0, or the error number
// (see SystemError.h) of the write that failed.
int WriteToStream(std::FILE* stream, const void* data, size_t size);

// Closes `stream`, writing what it still buffers: 0, or the error number of
// that write or of the close. The stream is gone either way.
int CloseStream(std::FILE* stream);

}  // namespace platform
}  // namespace velt
