// The error currency of the platform layer, for every header of
// src/platform/ and of this folder. It is public so that a front end tells
// failures apart, and shows their text, as the engine does.
//
// Every call of the layer that can fail reports 0 for success or an error
// number, nothing else. The numbers are errno values: on POSIX the value
// the failing system call set; the Windows implementation translates each
// GetLastError code once, where it is met, into the errno value of the same
// meaning (ERROR_FILE_NOT_FOUND into "not found" and so on), so that log
// lines, SystemErrorText and callers see one kind of number on every
// platform. The headers name the errno values a call reports (EEXIST,
// ELOOP, ...) only to say which failure is meant; callers outside the layer
// never compare with errno constants. They ask ErrorKindOf for the portable
// name of the failures they tell apart, and ErrorNumber for the number of a
// failure they report themselves.
#pragma once

#include <string>

#include "velt/VeltExport.h"

namespace velt {
namespace platform {

enum class ErrorKind {
  kNone,          // 0, no error
  kNotFound,      // no such file or folder (ENOENT)
  kNotAFolder,    // a name on the way is not a folder (ENOTDIR)
  kExists,        // the name is taken, by a file, a folder or a link (EEXIST)
  kAccessDenied,  // refused by permissions or by the layer's own rules (EACCES)
  kNotPermitted,  // the operation needs privileges the process lacks (EPERM)
  kIsAFolder,     // a folder where a file was wanted (EISDIR)
  kIsALink,       // a symbolic link where none may be followed (ELOOP)
  kInvalid,       // not a kind of file that may be used so, or a bad argument (EINVAL)
  kNoSpace,       // no room: a full disk, an exhausted quota, the file-size limit
  kTryAgain,      // nothing to read yet, or held by another for now (EAGAIN)
  kTooManyOpen,   // the process or the system has no handle left (EMFILE, ENFILE)
  kNoMemory,      // ENOMEM
  kStale,         // the name leads to another file than the one meant (ESTALE)
  kBadHandle,     // nothing open, or an unknown handle (EBADF)
  kIo,            // the data could not be read or written (EIO)
  kOther,         // any other failure
};

// The portable name of the error number `error`.
VELT_API ErrorKind ErrorKindOf(int error);

// The error number the layer reports for `kind` (for kNoSpace: a full disk;
// 0 for kNone and kOther).
VELT_API int ErrorNumber(ErrorKind kind);

// The system's message for error number `code`; empty when it has none.
VELT_API std::string SystemErrorText(unsigned long code);

// Whether `reason` ends with the system's message for a write refused for
// want of room (a full disk, an exhausted quota, the file-size limit), as
// the reasons composed with SystemErrorText do.
VELT_API bool ReportsLackOfSpace(const std::string& reason);

// Whether `reason` ends with the system's message for an access refused
// for want of permission (EACCES, EPERM).
VELT_API bool ReportsLackOfPermission(const std::string& reason);

}  // namespace platform
}  // namespace velt
