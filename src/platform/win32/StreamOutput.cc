#include "platform/StreamOutput.h"

#include <windows.h>

#include <cerrno>

#include "platform/win32/Win32Error.h"

namespace velt {
namespace platform {
namespace {

// The system's error behind a failed stream call, translated as every
// other one; EIO when the failure was the C runtime's own.
int StreamError() {
  const int error = LastErrno();
  return error != 0 ? error : EIO;
}

}  // namespace

int WriteToStream(std::FILE* stream, const void* data, size_t size) {
  SetLastError(ERROR_SUCCESS);
  return std::fwrite(data, 1, size, stream) == size ? 0 : StreamError();
}

int CloseStream(std::FILE* stream) {
  SetLastError(ERROR_SUCCESS);
  return std::fclose(stream) == 0 ? 0 : StreamError();
}

}  // namespace platform
}  // namespace velt
