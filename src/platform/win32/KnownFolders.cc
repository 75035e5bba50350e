// The shell's special folders, as the shell knows them for the current
// user (no token: the process's or the impersonated user's).
#include "platform/KnownFolders.h"

#include <windows.h>
#include <shlobj.h>

#include <cerrno>

#include "velt/platform/TextEncoding.h"

namespace velt {
namespace platform {

int GetSpecialFolder(long csidl, std::string& folder) {
  folder.clear();
  wchar_t path[MAX_PATH] = {};
  // S_FALSE: a folder the system knows but this user does not have;
  // E_INVALIDARG: a number the shell does not know. Either way there is no
  // such folder, as for the shell's other failures.
  if (SHGetFolderPathW(nullptr, static_cast<int>(csidl), nullptr, SHGFP_TYPE_CURRENT, path) !=
          S_OK ||
      path[0] == L'\0') {
    return ENOENT;
  }
  folder = Narrow(path);
  return 0;
}

}  // namespace platform
}  // namespace velt
