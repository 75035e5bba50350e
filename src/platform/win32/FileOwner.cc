#include "platform/win32/FileOwner.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include "platform/win32/Handle.h"
#include "platform/win32/Win32Error.h"

namespace velt {
namespace platform {
namespace win32 {
namespace {

Sid CopyOf(PSID sid) {
  const BYTE* bytes = static_cast<const BYTE*>(sid);
  return Sid(bytes, bytes + GetLengthSid(sid));
}

PSID Raw(const Sid& sid) { return const_cast<unsigned char*>(sid.data()); }

// The SID that a token's information of class `what` begins with
// (TOKEN_USER and TOKEN_OWNER both start with a pointer to it).
int TokenSid(TOKEN_INFORMATION_CLASS what, Sid& sid) {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) {
    return LastErrno();
  }
  Handle token(raw);
  DWORD size = 0;
  GetTokenInformation(token.get(), what, nullptr, 0, &size);
  std::vector<unsigned char> buffer(size);
  if (size == 0 || !GetTokenInformation(token.get(), what, buffer.data(), size, &size)) {
    return LastErrno();
  }
  sid = CopyOf(*reinterpret_cast<PSID*>(buffer.data()));
  return 0;
}

}  // namespace

int OwnerOf(HANDLE file, Sid& owner) {
  PSID found = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD code = GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &found,
                                     nullptr, nullptr, nullptr, &descriptor);
  if (code != ERROR_SUCCESS) {
    return ErrnoFromWin32(code);
  }
  owner = found != nullptr ? CopyOf(found) : Sid();
  LocalFree(descriptor);
  return 0;
}

int ThisUser(Sid& user) { return TokenSid(TokenUser, user); }

bool IsThisUser(const Sid& owner) {
  // The process's token does not change while it runs.
  static const Sid user = [] {
    Sid sid;
    TokenSid(TokenUser, sid);
    return sid;
  }();
  static const Sid defaultOwner = [] {
    Sid sid;
    TokenSid(TokenOwner, sid);
    return sid;
  }();
  return SameOwner(owner, user) || SameOwner(owner, defaultOwner);
}

bool IsSystemAccount(const Sid& owner) {
  if (owner.empty()) {
    return false;
  }
  if (IsWellKnownSid(Raw(owner), WinLocalSystemSid) ||
      IsWellKnownSid(Raw(owner), WinBuiltinAdministratorsSid)) {
    return true;
  }
  static const Sid trustedInstaller = [] {
    PSID sid = nullptr;
    Sid copy;
    if (ConvertStringSidToSidW(L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
                               &sid)) {
      copy = CopyOf(sid);
      LocalFree(sid);
    }
    return copy;
  }();
  return SameOwner(owner, trustedInstaller);
}

bool SameOwner(const Sid& a, const Sid& b) {
  return !a.empty() && !b.empty() && EqualSid(Raw(a), Raw(b));
}

}  // namespace win32
}  // namespace platform
}  // namespace velt
