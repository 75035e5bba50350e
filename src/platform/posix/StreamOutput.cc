#include "platform/StreamOutput.h"

#include <cerrno>

namespace velt {
namespace platform {
namespace {

// The error a failed stream call left, EIO when it left none.
int StreamError() { return errno != 0 ? errno : EIO; }

}  // namespace

int WriteToStream(std::FILE* stream, const void* data, size_t size) {
  errno = 0;
  return std::fwrite(data, 1, size, stream) == size ? 0 : StreamError();
}

int CloseStream(std::FILE* stream) {
  errno = 0;
  return std::fclose(stream) == 0 ? 0 : StreamError();
}

}  // namespace platform
}  // namespace velt
