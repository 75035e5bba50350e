#include "platform/Stream.h"

#include <cerrno>
#include <cstdio>

#include "platform/win32/FileCalls.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace platform {

int OpenStream(const std::string& path, const char* mode, std::FILE*& stream) {
  // The C runtime's wide open, so that paths beyond the ANSI code page
  // open; its errno values are the layer's.
  errno = 0;
  stream = _wfopen(win32::SystemPath(path).c_str(), Widen(mode).c_str());
  return stream != nullptr ? 0 : errno != 0 ? errno : EINVAL;
}

}  // namespace platform
}  // namespace velt
