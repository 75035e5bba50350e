// Who owns a file, for the rules that POSIX states with user ids: whether
// a file belongs to this process's user, and whether its owner is one of
// the system's own accounts (which play root's part). Windows owners are
// SIDs; they are compared here and never leave the layer. For the Windows
// implementation only.
#pragma once

#include <windows.h>

#include <vector>

namespace velt {
namespace platform {
namespace win32 {

using Sid = std::vector<unsigned char>;

// The owner of the file `file` holds (opened with READ_CONTROL). 0 or the
// error number.
int OwnerOf(HANDLE file, Sid& owner);
// The user this process runs as. 0 or the error number.
int ThisUser(Sid& user);
// Whether `owner` is this process's user, or the owner the system gives
// what this process creates.
bool IsThisUser(const Sid& owner);
// Whether `owner` is LocalSystem, the Administrators group or
// TrustedInstaller: the accounts that own the system's files and links.
bool IsSystemAccount(const Sid& owner);
bool SameOwner(const Sid& a, const Sid& b);

}  // namespace win32
}  // namespace platform
}  // namespace velt
