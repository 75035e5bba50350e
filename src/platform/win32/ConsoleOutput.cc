#include "velt/platform/ConsoleOutput.h"

#include <windows.h>

#include <cstdio>

namespace velt {
namespace platform {

OutputWrite WriteStandardOutput(const std::string& text) {
  SetLastError(ERROR_SUCCESS);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
  if (!std::ferror(stdout)) {
    return OutputWrite::kWritten;
  }
  // The pipe's reader has gone, or is going.
  const DWORD code = GetLastError();
  const bool closed = code == ERROR_NO_DATA || code == ERROR_BROKEN_PIPE;
  std::clearerr(stdout);
  return closed ? OutputWrite::kNoReader : OutputWrite::kFailed;
}

size_t StandardOutputColumns() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) {
    return 0;
  }
  return static_cast<size_t>(info.srWindow.Right - info.srWindow.Left + 1);
}

}  // namespace platform
}  // namespace velt
