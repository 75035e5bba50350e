#include "velt/platform/ConsoleOutput.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace velt {
namespace platform {

// Where SIGPIPE does not end the program (StopSignals blocks it), a write
// to a pipe that nobody reads fails with EPIPE.
OutputWrite WriteStandardOutput(const std::string& text) {
  errno = 0;
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
  if (!std::ferror(stdout)) {
    return OutputWrite::kWritten;
  }
  const bool closed = errno == EPIPE;
  std::clearerr(stdout);
  return closed ? OutputWrite::kNoReader : OutputWrite::kFailed;
}

size_t StandardOutputColumns() {
  struct winsize size;
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0) {
    return size.ws_col;
  }
  return 0;
}

}  // namespace platform
}  // namespace velt
