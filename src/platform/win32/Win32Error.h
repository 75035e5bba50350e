// Windows error codes in the layer's error currency: every call of the
// win32 implementation reports the errno value of the same meaning as the
// GetLastError code it met (velt/platform/SystemError.h).
#pragma once

namespace velt {
namespace platform {

// The errno value for Windows error `code` (0 for ERROR_SUCCESS).
int ErrnoFromWin32(unsigned long code);

// ErrnoFromWin32(GetLastError()).
int LastErrno();

}  // namespace platform
}  // namespace velt
