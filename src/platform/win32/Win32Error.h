// The one translation of Windows error codes (GetLastError, the Reg*
// functions' results, the socket layer's WSAGetLastError) into the error
// numbers the layer reports (velt/platform/SystemError.h). Every win32 file
// of the layer that meets a failure turns it into an error number here, at
// the place it happens, and nowhere else.
#pragma once

#include "platform/common/ErrorNumbers.h"

namespace velt {
namespace platform {

// Windows codes of no errno meaning are reported as kWin32ErrorBase + the
// code, so that SystemErrorText still gives the system's own message for
// them; ErrorKindOf calls them kOther.
constexpr int kWin32ErrorBase = 0x10000;

// The error number for the Windows error `code`: 0 for ERROR_SUCCESS, the
// errno value of the same meaning where there is one (ERROR_FILE_NOT_FOUND
// ENOENT, ERROR_ACCESS_DENIED EACCES, ERROR_SHARING_VIOLATION EAGAIN, ...),
// otherwise kWin32ErrorBase + code.
int ErrnoFromWin32(unsigned long code);

// ErrnoFromWin32(GetLastError()).
int LastErrno();

// The Windows code inside an error number of kWin32ErrorBase + code; 0 for
// every other number.
unsigned long Win32CodeOf(int error);

}  // namespace platform
}  // namespace velt
