// The security of what is private to this process's user: a protected
// DACL (nothing inherited from the folder above) with one entry, full
// access for the user. For the Windows implementation only.
#pragma once

#include <windows.h>

#include <vector>

#include "platform/win32/FileOwner.h"

namespace velt {
namespace platform {
namespace win32 {

class PrivateSecurity {
 public:
  // For a folder, `inherited` passes the entry on to everything made in
  // it, so that its files are private too.
  explicit PrivateSecurity(bool inherited);
  PrivateSecurity(const PrivateSecurity&) = delete;
  PrivateSecurity& operator=(const PrivateSecurity&) = delete;

  // 0, or the error number of building it (then nothing else may be used).
  int error() const { return m_error; }
  // For creating a file or folder with this security.
  SECURITY_ATTRIBUTES* attributes() { return &m_attributes; }
  // The DACL alone, for giving it to an existing folder.
  PACL dacl() { return reinterpret_cast<PACL>(m_acl.data()); }

 private:
  Sid m_user;
  std::vector<unsigned char> m_acl;
  SECURITY_DESCRIPTOR m_descriptor;
  SECURITY_ATTRIBUTES m_attributes;
  int m_error = 0;
};

}  // namespace win32
}  // namespace platform
}  // namespace velt
