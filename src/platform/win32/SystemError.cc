#include "platform/SystemError.h"

#include <windows.h>

#include "platform/win32/Win32Error.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace platform {
namespace {

struct ErrorText {
  int error;
  const char* text;
};

// The messages the GNU C library has for these numbers: the Windows C
// runtime's own differ (and lack many), and a summary or log line reads
// the same on both platforms.
constexpr ErrorText kErrorTexts[] = {
    {EPERM, "Operation not permitted"},
    {ENOENT, "No such file or directory"},
    {ESRCH, "No such process"},
    {EINTR, "Interrupted system call"},
    {EIO, "Input/output error"},
    {ENXIO, "No such device or address"},
    {E2BIG, "Argument list too long"},
    {ENOEXEC, "Exec format error"},
    {EBADF, "Bad file descriptor"},
    {ECHILD, "No child processes"},
    {EAGAIN, "Resource temporarily unavailable"},
    {ENOMEM, "Cannot allocate memory"},
    {EACCES, "Permission denied"},
    {EFAULT, "Bad address"},
    {EBUSY, "Device or resource busy"},
    {EEXIST, "File exists"},
    {EXDEV, "Invalid cross-device link"},
    {ENODEV, "No such device"},
    {ENOTDIR, "Not a directory"},
    {EISDIR, "Is a directory"},
    {ENFILE, "Too many open files in system"},
    {EMFILE, "Too many open files"},
    {ENOTTY, "Inappropriate ioctl for device"},
    {EFBIG, "File too large"},
    {ENOSPC, "No space left on device"},
    {ESPIPE, "Illegal seek"},
    {EROFS, "Read-only file system"},
    {EMLINK, "Too many links"},
    {EPIPE, "Broken pipe"},
    {EDOM, "Numerical argument out of domain"},
    {EDEADLK, "Resource deadlock avoided"},
    {ENAMETOOLONG, "File name too long"},
    {ENOLCK, "No locks available"},
    {ENOSYS, "Function not implemented"},
    {ENOTEMPTY, "Directory not empty"},
    {EINVAL, "Invalid argument"},
    {ERANGE, "Numerical result out of range"},
    {EILSEQ, "Invalid or incomplete multibyte or wide character"},
    {ENOTSUP, "Operation not supported"},
    {EAFNOSUPPORT, "Address family not supported by protocol"},
    {EADDRINUSE, "Address already in use"},
    {EADDRNOTAVAIL, "Cannot assign requested address"},
    {EISCONN, "Transport endpoint is already connected"},
    {ENOBUFS, "No buffer space available"},
    {ECONNABORTED, "Software caused connection abort"},
    {EALREADY, "Operation already in progress"},
    {ECONNREFUSED, "Connection refused"},
    {ECONNRESET, "Connection reset by peer"},
    {EDESTADDRREQ, "Destination address required"},
    {EHOSTUNREACH, "No route to host"},
    {EMSGSIZE, "Message too long"},
    {ENETDOWN, "Network is down"},
    {ENETRESET, "Network dropped connection on reset"},
    {ENETUNREACH, "Network is unreachable"},
    {ENOPROTOOPT, "Protocol not available"},
    {ENOTSOCK, "Socket operation on non-socket"},
    {ENOTCONN, "Transport endpoint is not connected"},
    {ECANCELED, "Operation canceled"},
    {EINPROGRESS, "Operation now in progress"},
    {EOPNOTSUPP, "Operation not supported"},
    {EOWNERDEAD, "Owner died"},
    {EPROTO, "Protocol error"},
    {EPROTONOSUPPORT, "Protocol not supported"},
    {EBADMSG, "Bad message"},
    {EIDRM, "Identifier removed"},
    {ENODATA, "No data available"},
    {ENOLINK, "Link has been severed"},
    {ENOMSG, "No message of desired type"},
    {ENOSR, "Out of streams resources"},
    {ENOSTR, "Device not a stream"},
    {ENOTRECOVERABLE, "State not recoverable"},
    {ETIME, "Timer expired"},
    {ETXTBSY, "Text file busy"},
    {ETIMEDOUT, "Connection timed out"},
    {ELOOP, "Too many levels of symbolic links"},
    {EPROTOTYPE, "Protocol wrong type for socket"},
    {EOVERFLOW, "Value too large for defined data type"},
    {ESTALE, "Stale file handle"},
    {EDQUOT, "Disk quota exceeded"},
    {EWOULDBLOCK, "Resource temporarily unavailable"},
};

// The system's message for a Windows code, in English where the system has
// it (the summaries are English), without the closing period and line end
// so that it reads as the errno messages do.
std::string Win32MessageText(unsigned long code) {
  const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  wchar_t buffer[512];
  DWORD length = FormatMessageW(flags, nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                buffer, sizeof(buffer) / sizeof(buffer[0]), nullptr);
  if (length == 0) {
    length = FormatMessageW(flags, nullptr, code, 0, buffer, sizeof(buffer) / sizeof(buffer[0]),
                            nullptr);
  }
  while (length > 0 && (buffer[length - 1] == L'\r' || buffer[length - 1] == L'\n' ||
                        buffer[length - 1] == L' ' || buffer[length - 1] == L'.')) {
    --length;
  }
  return Narrow(std::wstring(buffer, length));
}

}  // namespace

std::string SystemErrorText(unsigned long code) {
  if (code == 0) {
    return std::string();
  }
  for (const ErrorText& entry : kErrorTexts) {
    if (static_cast<unsigned long>(entry.error) == code) {
      return entry.text;
    }
  }
  const unsigned long win32_code = code <= 0x7FFFFFFF ? Win32CodeOf(static_cast<int>(code)) : 0;
  return win32_code != 0 ? Win32MessageText(win32_code) : std::string();
}

}  // namespace platform
}  // namespace velt
