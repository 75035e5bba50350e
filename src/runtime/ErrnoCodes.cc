#include "platform/SystemError.h"
#include "velt/runtime/ResultCodes.h"

long VeltCodeFromErrno(int error, long otherwise) {
  using velt::platform::ErrorKind;
  switch (velt::platform::ErrorKindOf(error)) {
    case ErrorKind::kNotFound:
    case ErrorKind::kNotAFolder:
      return VELTENGINE_ERROR_FILE_NOT_FOUND;
    case ErrorKind::kAccessDenied:
    case ErrorKind::kNotPermitted:
    case ErrorKind::kIsALink:  // a link where none may be followed
      return VELTENGINE_ERROR_ACCESS_DENIED;
    case ErrorKind::kNoMemory:
      return VELTENGINE_ERROR_MEMALLOC_FAILED;
    default:
      return otherwise;
  }
}
