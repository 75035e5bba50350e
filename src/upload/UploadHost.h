// The upload service's address as the front end or the build gives it:
// "name", "name:port", "[IPv6]", "[IPv6]:port" or a bare IPv6 address.
#pragma once

#include <string>

namespace velt {
namespace upload {

struct UploadHost {
  // What follows "https://" in the URL, e.g. "[::1]:8443".
  std::wstring authority;
  // The name or address the server's certificate must carry, e.g. "::1".
  std::wstring certificateName;
};

// False when `text` is empty or holds characters that have no place in a
// host and port (a path, user information, blanks).
bool ParseUploadHost(const std::wstring& text, UploadHost& host);

}  // namespace upload
}  // namespace velt
