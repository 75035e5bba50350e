#include "platform/SystemError.h"

#include <cerrno>
#include <cstring>
#include <initializer_list>

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

std::string SystemErrorText(unsigned long code) {
  if (code == 0 || code > 4095) {
    return std::string();
  }
  char buffer[256];
  // The GNU strerror_r returns the message, possibly not in `buffer`.
  const char* text = strerror_r(static_cast<int>(code), buffer, sizeof(buffer));
  if (text == nullptr || std::strncmp(text, "Unknown error", 13) == 0) {
    return std::string();
  }
  return text;
}

namespace {

bool EndsWithErrorText(const std::string& reason, std::initializer_list<int> codes) {
  for (int code : codes) {
    const std::string text = SystemErrorText(static_cast<unsigned long>(code));
    if (reason.size() >= text.size() &&
        reason.compare(reason.size() - text.size(), text.size(), text) == 0) {
      return true;
    }
  }
  return false;
}

}  // namespace

bool ReportsLackOfSpace(const std::string& reason) {
  return EndsWithErrorText(reason, {ENOSPC, EDQUOT, EFBIG});
}

bool ReportsLackOfPermission(const std::string& reason) {
  return EndsWithErrorText(reason, {EACCES, EPERM});
}

}  // namespace platform
}  // namespace velt
