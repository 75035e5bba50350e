// A new version of a file on Windows: the copy is made private, given the
// original's owner at once (which, as chown, only the privileged may give
// to another account) and its DACL when it is finished, then renamed over
// the original in one step.
#include <windows.h>

#include <aclapi.h>

#include "platform/common/ReplacementSteps.h"
#include "platform/win32/FileCalls.h"
#include "platform/win32/Win32Error.h"

namespace velt {
namespace platform {
namespace {

// Gives the file `to` the owner (OWNER_SECURITY_INFORMATION) or the DACL
// (DACL_SECURITY_INFORMATION) of the file `from`, both opened as
// themselves. A DACL keeps whether it inherits from the folder.
int CopySecurity(const std::string& from, const std::string& to, SECURITY_INFORMATION what) {
  const bool owner = what == OWNER_SECURITY_INFORMATION;
  win32::Handle source, target;
  int error = win32::OpenPath(win32::SystemPath(from), READ_CONTROL, OPEN_EXISTING, false, source);
  if (error == 0) {
    error = win32::OpenPath(win32::SystemPath(to), READ_CONTROL | (owner ? WRITE_OWNER : WRITE_DAC),
                            OPEN_EXISTING, false, target);
  }
  if (error != 0) {
    return error;
  }
  PSID sid = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  DWORD code = GetSecurityInfo(source.get(), SE_FILE_OBJECT, what, &sid, nullptr, &dacl, nullptr,
                               &descriptor);
  if (code != ERROR_SUCCESS) {
    return ErrnoFromWin32(code);
  }
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  GetSecurityDescriptorControl(descriptor, &control, &revision);
  if (!owner) {
    what |= (control & SE_DACL_PROTECTED) != 0 ? PROTECTED_DACL_SECURITY_INFORMATION
                                               : UNPROTECTED_DACL_SECURITY_INFORMATION;
  }
  code = SetSecurityInfo(target.get(), SE_FILE_OBJECT, what, sid, nullptr, dacl, nullptr);
  LocalFree(descriptor);
  return ErrnoFromWin32(code);
}

}  // namespace

namespace replacement {

std::string FolderOf(const std::string& original) {
  const size_t separator = original.find_last_of("\\/");
  return separator == std::string::npos ? std::string() : original.substr(0, separator + 1);
}

unsigned long ProcessNumber() { return GetCurrentProcessId(); }

int GiveOwner(const std::string& original, const FileDetails&, File& copy) {
  return CopySecurity(original, copy.path(), OWNER_SECURITY_INFORMATION);
}

// The copy stays writable: Windows renames nothing over a read-only
// original, and a read-only copy could not be removed after that refusal.
FileDetails FinalDetails(const FileDetails& details) {
  FileDetails writable = details;
  writable.mode |= 0200;
  return writable;
}

int GiveAccess(const std::string& original, const std::string& copy) {
  return CopySecurity(original, copy, DACL_SECURITY_INFORMATION);
}

}  // namespace replacement
}  // namespace platform
}  // namespace velt
