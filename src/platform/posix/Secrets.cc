#include "velt/platform/Secrets.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace velt {
namespace platform {
namespace {

// The terminal's settings while echo is off, for the signal handler to put
// back if the user interrupts the prompt.
int g_ttyFd = -1;
struct termios g_savedTty;

void RestoreTerminalAndDie(int signalNumber) {
  if (g_ttyFd >= 0) {
    tcsetattr(g_ttyFd, TCSAFLUSH, &g_savedTty);
    const char newline = '\n';
    (void)!write(g_ttyFd, &newline, 1);
  }
  signal(signalNumber, SIG_DFL);
  raise(signalNumber);
}

}  // namespace

HiddenAnswer ReadHiddenLine(const std::string& prompt, std::string& answer, int& error) {
  error = 0;
  answer.clear();
  const int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0 || !isatty(fd)) {
    if (fd >= 0) {
      close(fd);
    }
    return HiddenAnswer::kNoTerminal;
  }
  if (tcgetattr(fd, &g_savedTty) != 0) {
    error = errno;
    close(fd);
    return HiddenAnswer::kEchoStaysOn;
  }
  struct termios quiet = g_savedTty;
  quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
  quiet.c_lflag |= ECHONL;
  g_ttyFd = fd;
  struct sigaction restore = {};
  restore.sa_handler = RestoreTerminalAndDie;
  struct sigaction oldInt, oldTerm, oldQuit;
  sigaction(SIGINT, &restore, &oldInt);
  sigaction(SIGTERM, &restore, &oldTerm);
  sigaction(SIGQUIT, &restore, &oldQuit);
  (void)!write(fd, prompt.data(), prompt.size());
  // A terminal that takes the settings it gave but not the quiet ones is
  // not read from at all.
  bool ok = tcsetattr(fd, TCSAFLUSH, &quiet) == 0;
  char c = 0;
  while (ok) {
    const ssize_t got = read(fd, &c, 1);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0 || c == '\n') {
      ok = got > 0 || !answer.empty();
      break;
    }
    answer += c;
  }
  c = 0;
  tcsetattr(fd, TCSAFLUSH, &g_savedTty);
  g_ttyFd = -1;
  sigaction(SIGINT, &oldInt, nullptr);
  sigaction(SIGTERM, &oldTerm, nullptr);
  sigaction(SIGQUIT, &oldQuit, nullptr);
  close(fd);
  return ok ? HiddenAnswer::kAnswered : HiddenAnswer::kNoAnswer;
}

bool TakeEnvironmentVariable(const std::string& name, std::string& value) {
  const char* found = std::getenv(name.c_str());
  if (found == nullptr) {
    return false;
  }
  value = found;
  unsetenv(name.c_str());
  return true;
}

// Not dumpable: no core file, and ptrace by other processes of the user is
// refused.
void KeepMemoryPrivate() { prctl(PR_SET_DUMPABLE, 0, 0, 0, 0); }

}  // namespace platform
}  // namespace velt
