#include "platform/win32/Win32Error.h"

#include <winsock2.h>
#include <windows.h>

namespace velt {
namespace platform {
namespace {

// Codes this MinGW-w64's winerror.h does not name yet.
constexpr unsigned long kErrorStoppedOnSymlink = 681;
constexpr unsigned long kErrorElevationRequired = 740;
constexpr unsigned long kErrorDiskQuotaExceeded = 1295;

struct Translation {
  unsigned long code;
  int error;
};

// The codes the layer's calls report, by meaning. A code of no errno
// meaning stays out and is carried as kWin32ErrorBase + code.
constexpr Translation kTranslations[] = {
    // The name leads nowhere.
    {ERROR_FILE_NOT_FOUND, ENOENT},
    {ERROR_PATH_NOT_FOUND, ENOENT},
    {ERROR_INVALID_DRIVE, ENOENT},
    {ERROR_NO_MORE_FILES, ENOENT},
    {ERROR_BAD_NETPATH, ENOENT},
    {ERROR_BAD_NET_NAME, ENOENT},
    {ERROR_BAD_PATHNAME, ENOENT},
    {ERROR_INVALID_NAME, ENOENT},
    {ERROR_MOD_NOT_FOUND, ENOENT},
    {ERROR_ENVVAR_NOT_FOUND, ENOENT},
    {ERROR_DELETE_PENDING, ENOENT},
    {ERROR_NOT_FOUND, ENOENT},
    {ERROR_KEY_DELETED, ENOENT},
    {ERROR_DIRECTORY, ENOTDIR},
    {ERROR_FILE_EXISTS, EEXIST},
    {ERROR_ALREADY_EXISTS, EEXIST},
    {ERROR_DIR_NOT_EMPTY, ENOTEMPTY},
    {ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG},
    {ERROR_BUFFER_OVERFLOW, ENAMETOOLONG},
    {ERROR_NOT_SAME_DEVICE, EXDEV},
    // Links (reparse points) where none may be followed.
    {kErrorStoppedOnSymlink, ELOOP},
    {ERROR_CANT_RESOLVE_FILENAME, ELOOP},
    // Refused.
    {ERROR_ACCESS_DENIED, EACCES},
    {ERROR_NETWORK_ACCESS_DENIED, EACCES},
    {ERROR_CURRENT_DIRECTORY, EACCES},
    {ERROR_CANNOT_MAKE, EACCES},
    {ERROR_FAIL_I24, EACCES},
    {ERROR_DRIVE_LOCKED, EACCES},
    {ERROR_CANT_ACCESS_FILE, EACCES},
    {ERROR_PRIVILEGE_NOT_HELD, EPERM},
    {ERROR_NOT_OWNER, EPERM},
    {kErrorElevationRequired, EPERM},
    {ERROR_WRITE_PROTECT, EROFS},
    // Held by another process for now.
    {ERROR_SHARING_VIOLATION, EAGAIN},
    {ERROR_LOCK_VIOLATION, EAGAIN},
    {ERROR_NO_PROC_SLOTS, EAGAIN},
    {ERROR_MAX_THRDS_REACHED, EAGAIN},
    {ERROR_PIPE_BUSY, EAGAIN},
    {ERROR_BUSY, EBUSY},
    // No room.
    {ERROR_DISK_FULL, ENOSPC},
    {ERROR_HANDLE_DISK_FULL, ENOSPC},
    {kErrorDiskQuotaExceeded, EDQUOT},
    {ERROR_FILE_TOO_LARGE, EFBIG},
    {ERROR_NOT_ENOUGH_MEMORY, ENOMEM},
    {ERROR_OUTOFMEMORY, ENOMEM},
    {ERROR_NOT_ENOUGH_QUOTA, ENOMEM},
    {ERROR_NO_SYSTEM_RESOURCES, ENOMEM},
    {ERROR_COMMITMENT_LIMIT, ENOMEM},
    {ERROR_TOO_MANY_OPEN_FILES, EMFILE},
    // Bad arguments, handles and kinds.
    {ERROR_INVALID_FUNCTION, EINVAL},
    {ERROR_INVALID_ACCESS, EINVAL},
    {ERROR_INVALID_DATA, EINVAL},
    {ERROR_INVALID_PARAMETER, EINVAL},
    {ERROR_INVALID_FLAGS, EINVAL},
    {ERROR_NEGATIVE_SEEK, EINVAL},
    {ERROR_NOT_A_REPARSE_POINT, EINVAL},
    {ERROR_INSUFFICIENT_BUFFER, ERANGE},
    {ERROR_INVALID_HANDLE, EBADF},
    {ERROR_SEEK_ON_DEVICE, ESPIPE},
    {ERROR_NO_UNICODE_TRANSLATION, EILSEQ},
    {ERROR_BAD_FORMAT, ENOEXEC},
    {ERROR_BAD_EXE_FORMAT, ENOEXEC},
    {ERROR_BAD_ENVIRONMENT, E2BIG},
    {ERROR_NOT_SUPPORTED, ENOTSUP},
    {ERROR_CALL_NOT_IMPLEMENTED, ENOSYS},
    {ERROR_PROC_NOT_FOUND, ENOSYS},
    {ERROR_NOACCESS, EFAULT},
    // Pipes, waits and cancellation.
    {ERROR_BROKEN_PIPE, EPIPE},
    {ERROR_NO_DATA, EPIPE},
    {ERROR_PIPE_NOT_CONNECTED, EPIPE},
    {WAIT_TIMEOUT, ETIMEDOUT},
    {ERROR_TIMEOUT, ETIMEDOUT},
    {ERROR_OPERATION_ABORTED, ECANCELED},
    {ERROR_CANCELLED, ECANCELED},
    // The data could not be read or written.
    {ERROR_CRC, EIO},
    {ERROR_SEEK, EIO},
    {ERROR_SECTOR_NOT_FOUND, EIO},
    {ERROR_WRITE_FAULT, EIO},
    {ERROR_READ_FAULT, EIO},
    {ERROR_GEN_FAILURE, EIO},
    {ERROR_NOT_READY, EIO},
    {ERROR_IO_DEVICE, EIO},
    {ERROR_FILE_CORRUPT, EIO},
    {ERROR_DISK_CORRUPT, EIO},
    {ERROR_NETNAME_DELETED, EIO},
    {ERROR_UNEXP_NET_ERR, EIO},
    {ERROR_BADDB, EIO},
    {ERROR_CANTOPEN, EIO},
    {ERROR_CANTREAD, EIO},
    // The socket layer.
    {WSAEINTR, EINTR},
    {WSAEBADF, EBADF},
    {WSAEACCES, EACCES},
    {WSAEFAULT, EFAULT},
    {WSAEINVAL, EINVAL},
    {WSAEMFILE, EMFILE},
    {WSAEWOULDBLOCK, EAGAIN},
    {WSAEINPROGRESS, EINPROGRESS},
    {WSAEALREADY, EALREADY},
    {WSAENOTSOCK, ENOTSOCK},
    {WSAEAFNOSUPPORT, EAFNOSUPPORT},
    {WSAEADDRINUSE, EADDRINUSE},
    {WSAEADDRNOTAVAIL, EADDRNOTAVAIL},
    {WSAENETDOWN, ENETDOWN},
    {WSAENETUNREACH, ENETUNREACH},
    {WSAECONNABORTED, ECONNABORTED},
    {WSAECONNRESET, ECONNRESET},
    {WSAENOBUFS, ENOBUFS},
    {WSAENOTCONN, ENOTCONN},
    {WSAETIMEDOUT, ETIMEDOUT},
    {WSAECONNREFUSED, ECONNREFUSED},
    {WSAEHOSTUNREACH, EHOSTUNREACH},
};

}  // namespace

int ErrnoFromWin32(unsigned long code) {
  if (code == ERROR_SUCCESS) {
    return 0;
  }
  for (const Translation& translation : kTranslations) {
    if (translation.code == code) {
      return translation.error;
    }
  }
  // Win32 codes fit in 16 bits; anything larger (an HRESULT or NTSTATUS
  // passed by mistake) has no message to keep.
  return code <= 0xFFFF ? kWin32ErrorBase + static_cast<int>(code) : EINVAL;
}

int LastErrno() {
  return ErrnoFromWin32(GetLastError());
}

unsigned long Win32CodeOf(int error) {
  return error > kWin32ErrorBase && error <= kWin32ErrorBase + 0xFFFF
             ? static_cast<unsigned long>(error - kWin32ErrorBase)
             : 0;
}

}  // namespace platform
}  // namespace velt
