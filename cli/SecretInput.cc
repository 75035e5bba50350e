#include "SecretInput.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace velt {
namespace cli {
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

void DropLineEnd(std::string& text) {
  if (!text.empty() && text.back() == '\n') {
    text.pop_back();
    if (!text.empty() && text.back() == '\r') {
      text.pop_back();
    }
  }
}

bool ReadFromFile(const std::string& path, std::string& secret) {
  std::FILE* in = std::fopen(path.c_str(), "rb");
  if (in == nullptr) {
    std::fprintf(stderr, "velt: cannot read the secret file %s: %s\n", path.c_str(),
                 std::strerror(errno));
    return false;
  }
  char buffer[4096];
  size_t got = 0;
  bool ok = true;
  while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
    secret.append(buffer, got);
    if (secret.size() > 64 * 1024) {
      std::fprintf(stderr, "velt: the secret file %s is too large to hold a secret\n",
                   path.c_str());
      ok = false;
      break;
    }
  }
  if (ok && std::ferror(in)) {
    std::fprintf(stderr, "velt: cannot read the secret file %s\n", path.c_str());
    ok = false;
  }
  std::memset(buffer, 0, sizeof buffer);
  std::fclose(in);
  if (!ok) {
    WipeSecret(secret);
    secret.clear();
    return false;
  }
  DropLineEnd(secret);
  return true;
}

bool ReadFromTerminal(const std::string& prompt, std::string& secret) {
  const int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0 || !isatty(fd)) {
    if (fd >= 0) {
      close(fd);
    }
    std::fprintf(stderr,
                 "velt: no terminal to ask for the secret on; name a secret file or an "
                 "environment variable instead\n");
    return false;
  }
  struct termios quiet;
  if (tcgetattr(fd, &g_savedTty) != 0) {
    close(fd);
    std::fprintf(stderr, "velt: cannot turn off the terminal's echo: %s\n", std::strerror(errno));
    return false;
  }
  quiet = g_savedTty;
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
  bool ok = tcsetattr(fd, TCSAFLUSH, &quiet) == 0;
  char c = 0;
  while (ok) {
    const ssize_t got = read(fd, &c, 1);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0 || c == '\n') {
      ok = got > 0 || !secret.empty();
      break;
    }
    secret += c;
  }
  c = 0;
  tcsetattr(fd, TCSAFLUSH, &g_savedTty);
  g_ttyFd = -1;
  sigaction(SIGINT, &oldInt, nullptr);
  sigaction(SIGTERM, &oldTerm, nullptr);
  sigaction(SIGQUIT, &oldQuit, nullptr);
  close(fd);
  if (!ok) {
    WipeSecret(secret);
    secret.clear();
    std::fprintf(stderr, "velt: no secret was typed\n");
    return false;
  }
  DropLineEnd(secret);
  return true;
}

template <typename Text>
void Wipe(Text& secret) {
  using Unit = typename Text::value_type;
  volatile Unit* units = secret.empty() ? nullptr : &secret[0];
  for (size_t i = 0; i < secret.size(); ++i) {
    units[i] = Unit();
  }
}

}  // namespace

void WipeSecret(std::string& secret) { Wipe(secret); }
void WipeSecret(std::wstring& secret) { Wipe(secret); }

namespace {

bool ReadFromSource(const SecretSource& source, std::string& secret) {
  if (!source.file.empty()) {
    return ReadFromFile(source.file, secret);
  }
  if (!source.environmentVariable.empty()) {
    const char* value = std::getenv(source.environmentVariable.c_str());
    if (value == nullptr) {
      std::fprintf(stderr, "velt: the environment variable %s is not set; export it, or name "
                           "another source for the secret\n",
                   source.environmentVariable.c_str());
      return false;
    }
    secret = value;
    unsetenv(source.environmentVariable.c_str());
    return true;
  }
  if (!ReadFromTerminal(source.prompt, secret)) {
    return false;
  }
  if (source.confirmPrompt.empty()) {
    return true;
  }
  std::string again;
  const bool typed = ReadFromTerminal(source.confirmPrompt, again);
  const bool same = typed && again == secret;
  WipeSecret(again);
  if (!same) {
    WipeSecret(secret);
    secret.clear();
  }
  if (typed && !same) {
    std::fprintf(stderr, "velt: the two entries differ; nothing was done, type the same secret "
                         "twice\n");
  }
  return same;
}

}  // namespace

bool ReadSecret(const SecretSource& source, std::string& secret) {
  secret.clear();
  const int named = !source.file.empty() + !source.environmentVariable.empty() +
                    !source.prompt.empty();
  if (named > 1) {
    std::fprintf(stderr, "velt: name only one source for the secret (a file, an environment "
                         "variable or the prompt)\n");
    return false;
  }
  if (named == 0) {
    return true;
  }
  prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
  if (!ReadFromSource(source, secret)) {
    return false;
  }
  if (secret.empty()) {
    std::fprintf(stderr, "velt: the secret from %s is empty; give a non-empty one, or leave "
                         "out the option for no secret\n",
                 !source.file.empty() ? source.file.c_str()
                 : !source.environmentVariable.empty() ? source.environmentVariable.c_str()
                                                       : "the prompt");
    return false;
  }
  return true;
}

}  // namespace cli
}  // namespace velt
