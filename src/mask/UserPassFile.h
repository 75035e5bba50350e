// Files that hold a user name and a password and nothing else, as OpenVPN's
// auth-user-pass reads them: nothing in the text says which word is a
// password, so the file as a whole is recognised.
#pragma once

#include <cstddef>
#include <string>

namespace velt {
namespace mask {

// True for a file of at most 512 bytes whose name says it holds a login
// ("auth.txt", "vpn-creds", "pass", "login.conf"...) and whose text is two
// lines of one word each, the first without ':' or '='. The second line is
// the password.
bool IsUserPassFile(const std::string& path, const char* data, size_t size);

}  // namespace mask
}  // namespace velt
