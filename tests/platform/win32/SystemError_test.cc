// The translation of Windows error codes: the kinds callers tell apart and
// the messages that summaries show, in the same words as on POSIX; a code
// of no errno meaning keeps the system's own message.
#include "platform/SystemError.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "platform/win32/Win32Error.h"

namespace {

using velt::platform::ErrnoFromWin32;
using velt::platform::ErrorKind;
using velt::platform::ErrorKindOf;
using velt::platform::SystemErrorText;

TEST(Win32Error, KindsAndMessagesOfWindowsCodes) {
  const struct {
    unsigned long code;
    ErrorKind kind;
    const char* text;
  } cases[] = {
      {ERROR_SUCCESS, ErrorKind::kNone, ""},
      {ERROR_PATH_NOT_FOUND, ErrorKind::kNotFound, "No such file or directory"},
      {ERROR_DIRECTORY, ErrorKind::kNotAFolder, "Not a directory"},
      {ERROR_ALREADY_EXISTS, ErrorKind::kExists, "File exists"},
      {ERROR_ACCESS_DENIED, ErrorKind::kAccessDenied, "Permission denied"},
      {ERROR_PRIVILEGE_NOT_HELD, ErrorKind::kNotPermitted, "Operation not permitted"},
      {ERROR_CANT_RESOLVE_FILENAME, ErrorKind::kIsALink, "Too many levels of symbolic links"},
      {ERROR_INVALID_PARAMETER, ErrorKind::kInvalid, "Invalid argument"},
      {ERROR_DISK_FULL, ErrorKind::kNoSpace, "No space left on device"},
      {1295 /* ERROR_DISK_QUOTA_EXCEEDED */, ErrorKind::kNoSpace, "Disk quota exceeded"},
      {ERROR_FILE_TOO_LARGE, ErrorKind::kNoSpace, "File too large"},
      // A file another process holds open without sharing it.
      {ERROR_SHARING_VIOLATION, ErrorKind::kTryAgain, "Resource temporarily unavailable"},
      {ERROR_TOO_MANY_OPEN_FILES, ErrorKind::kTooManyOpen, "Too many open files"},
      {ERROR_NOT_ENOUGH_MEMORY, ErrorKind::kNoMemory, "Cannot allocate memory"},
      {ERROR_INVALID_HANDLE, ErrorKind::kBadHandle, "Bad file descriptor"},
      {ERROR_CRC, ErrorKind::kIo, "Input/output error"},
  };
  for (const auto& c : cases) {
    const int error = ErrnoFromWin32(c.code);
    EXPECT_EQ(c.kind, ErrorKindOf(error)) << c.code;
    EXPECT_EQ(c.text, SystemErrorText(static_cast<unsigned long>(error))) << c.code;
  }
  // Every kind's number is of that kind, ESTALE (which the C runtime
  // lacks) included.
  for (int kind = static_cast<int>(ErrorKind::kNotFound); kind < static_cast<int>(ErrorKind::kOther);
       ++kind) {
    EXPECT_EQ(kind, static_cast<int>(ErrorKindOf(velt::platform::ErrorNumber(ErrorKind(kind)))));
  }
  const int password = ErrnoFromWin32(ERROR_INVALID_PASSWORD);
  EXPECT_EQ(ErrorKind::kOther, ErrorKindOf(password));
  const std::string message = SystemErrorText(static_cast<unsigned long>(password));
  ASSERT_FALSE(message.empty());
  // Read as the errno messages are: no closing period or line end.
  EXPECT_EQ(std::string::npos, std::string(".\r\n ").find(message.back())) << message;
  const std::string full = "writing C:\\x: " + SystemErrorText(ErrnoFromWin32(ERROR_HANDLE_DISK_FULL));
  EXPECT_TRUE(velt::platform::ReportsLackOfSpace(full));
  EXPECT_FALSE(velt::platform::ReportsLackOfPermission(full));
}

}  // namespace
