#include "platform/win32/PrivateSecurity.h"

#include <windows.h>

#include "platform/win32/Win32Error.h"

namespace velt {
namespace platform {
namespace win32 {

PrivateSecurity::PrivateSecurity(bool inherited) : m_descriptor(), m_attributes() {
  m_error = ThisUser(m_user);
  if (m_error != 0) {
    return;
  }
  PSID user = m_user.data();
  m_acl.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(user));
  const DWORD inheritance = inherited ? OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE : 0;
  if (!InitializeAcl(dacl(), static_cast<DWORD>(m_acl.size()), ACL_REVISION) ||
      !AddAccessAllowedAceEx(dacl(), ACL_REVISION, inheritance, GENERIC_ALL, user) ||
      !InitializeSecurityDescriptor(&m_descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorDacl(&m_descriptor, TRUE, dacl(), FALSE) ||
      !SetSecurityDescriptorControl(&m_descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
    m_error = LastErrno();
    return;
  }
  m_attributes.nLength = sizeof m_attributes;
  m_attributes.lpSecurityDescriptor = &m_descriptor;
  m_attributes.bInheritHandle = FALSE;
}

}  // namespace win32
}  // namespace platform
}  // namespace velt
