// A new version of a file on Windows: the copy is made private, given the
// original's owner at once (which, as chown, only the privileged may give
// to another account) and its DACL when it is finished, then renamed over
// the original in one step.
#include "platform/ReplacementFile.h"

#include <windows.h>

#include <aclapi.h>

#include "platform/MoveIntoPlace.h"
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

ReplacementFile::~ReplacementFile() {
  if (!m_committed) {
    m_file.Remove();
  }
}

int ReplacementFile::Create(const std::string& original, const std::string& tag,
                            const FileDetails& details, int& ownerError) {
  ownerError = 0;
  m_details = details;
  m_original = original;
  m_size = 0;
  const size_t separator = original.find_last_of("\\/");
  std::string folder =
      separator == std::string::npos ? std::string() : original.substr(0, separator + 1);
  // A hidden name, short enough for any file name whatever the original's.
  std::string base = original.substr(folder.size()).substr(0, 200);
  int error = EEXIST;
  for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
    error = m_file.Create(folder + "." + base + "." + tag + "-" +
                          std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt));
  }
  if (error == 0) {
    ownerError = CopySecurity(original, m_file.path(), OWNER_SECURITY_INFORMATION);
  }
  return error;
}

int ReplacementFile::Write(const void* data, size_t size) {
  int error = m_file.WriteAt(data, size, m_size);
  m_size += size;
  return error;
}

int ReplacementFile::Commit() {
  // The times last, after every write. The copy stays writable: Windows
  // renames nothing over a read-only original, and a read-only copy could
  // not be removed after that refusal.
  FileDetails writable = m_details;
  writable.mode |= 0200;
  int error = m_file.SetModeAndTimes(writable);
  int closed = m_file.Close();
  error = error != 0 ? error : closed;
  if (error == 0) {
    error = CopySecurity(m_original, m_file.path(), DACL_SECURITY_INFORMATION);
  }
  if (error == 0) {
    error = MoveIntoPlace(m_file.path(), m_original, true);
  }
  if (error != 0) {
    m_file.Remove();
  }
  m_committed = error == 0;
  return error;
}

}  // namespace platform
}  // namespace velt
