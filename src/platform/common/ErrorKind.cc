// The portable names of the error numbers, the same on every system since
// the numbers are errno values everywhere (velt/platform/SystemError.h).
#include "platform/SystemError.h"

#include "platform/common/ErrorNumbers.h"

namespace velt {
namespace platform {

ErrorKind ErrorKindOf(int error) {
  switch (error) {
    case 0:
      return ErrorKind::kNone;
    case ENOENT:
      return ErrorKind::kNotFound;
    case ENOTDIR:
      return ErrorKind::kNotAFolder;
    case EEXIST:
      return ErrorKind::kExists;
    case EACCES:
      return ErrorKind::kAccessDenied;
    case EPERM:
      return ErrorKind::kNotPermitted;
    case EISDIR:
      return ErrorKind::kIsAFolder;
    case ELOOP:
      return ErrorKind::kIsALink;
    case EINVAL:
      return ErrorKind::kInvalid;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return ErrorKind::kNoSpace;
    case EAGAIN:
      return ErrorKind::kTryAgain;
    case EMFILE:
    case ENFILE:
      return ErrorKind::kTooManyOpen;
    case ENOMEM:
      return ErrorKind::kNoMemory;
    case ESTALE:
      return ErrorKind::kStale;
    case EBADF:
      return ErrorKind::kBadHandle;
    case EIO:
      return ErrorKind::kIo;
    default:
      return ErrorKind::kOther;
  }
}

int ErrorNumber(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::kNotFound:
      return ENOENT;
    case ErrorKind::kNotAFolder:
      return ENOTDIR;
    case ErrorKind::kExists:
      return EEXIST;
    case ErrorKind::kAccessDenied:
      return EACCES;
    case ErrorKind::kNotPermitted:
      return EPERM;
    case ErrorKind::kIsAFolder:
      return EISDIR;
    case ErrorKind::kIsALink:
      return ELOOP;
    case ErrorKind::kInvalid:
      return EINVAL;
    case ErrorKind::kNoSpace:
      return ENOSPC;
    case ErrorKind::kTryAgain:
      return EAGAIN;
    case ErrorKind::kTooManyOpen:
      return EMFILE;
    case ErrorKind::kNoMemory:
      return ENOMEM;
    case ErrorKind::kStale:
      return ESTALE;
    case ErrorKind::kBadHandle:
      return EBADF;
    case ErrorKind::kIo:
      return EIO;
    case ErrorKind::kNone:
    case ErrorKind::kOther:
      break;
  }
  return 0;
}

}  // namespace platform
}  // namespace velt
