#include <cerrno>

#include "velt/runtime/ResultCodes.h"

long VeltCodeFromErrno(int error, long otherwise) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return VELTENGINE_ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case ELOOP:  // a link where none may be followed
      return VELTENGINE_ERROR_ACCESS_DENIED;
    case ENOMEM:
      return VELTENGINE_ERROR_MEMALLOC_FAILED;
    default:
      return otherwise;
  }
}
