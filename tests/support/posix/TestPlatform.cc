#include "support/TestPlatform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "support/TempDir.h"

namespace velt {
namespace test {

const char kTextLineEnd[] = "\n";

void SetEnvironment(const char* name, const char* value) {
  if (value != nullptr) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
}

void PointTempAt(const char* folder) {
  SetEnvironment("TMPDIR", folder);
  SetEnvironment("TEMP", nullptr);
  SetEnvironment("TMP", nullptr);
}

std::string TempBase() {
  const char* base = std::getenv("TMPDIR");
  return base != nullptr && *base != '\0' ? base : "/tmp";
}

int MakeSymlink(const std::string& target, const std::string& link, bool) {
  return symlink(target.c_str(), link.c_str()) == 0 ? 0 : errno;
}

bool SymlinksAvailable() { return true; }

int SetAccessTime(const std::string& path, long long seconds) {
  struct timespec times[2] = {{static_cast<time_t>(seconds), 0}, {0, UTIME_OMIT}};
  return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0 ? 0 : errno;
}

const char kFullDevice[] = "/dev/full";

const bool kHasFifos = true;

int MakeFifo(const std::string& path) { return mkfifo(path.c_str(), 0600) == 0 ? 0 : errno; }

bool IsPrivateFile(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         (info.st_mode & 07777) == 0600 && info.st_uid == geteuid();
}

int MakeReadOnly(const std::string& path) { return chmod(path.c_str(), 0444) == 0 ? 0 : errno; }

int MakeExecutable(const std::string& path) {
  return chmod(path.c_str(), 0755) == 0 ? 0 : errno;
}

std::string CreateFileCommand(const std::string& path) { return "touch " + ShellQuote(path); }

bool IsPrivileged() { return geteuid() == 0; }

int RunCommand(const std::string& command, std::string* output) {
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    return -1;
  }
  const std::string text = ReadAll(pipe);
  int status = pclose(pipe);
  if (output != nullptr) {
    *output = text;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char ch : text) {
    quoted += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
  }
  return quoted + "'";
}

std::FILE* AnonymousFile() { return std::tmpfile(); }

int RedirectStdout(std::FILE* file) {
  std::fflush(stdout);
  const int saved = dup(STDOUT_FILENO);
  dup2(fileno(file), STDOUT_FILENO);
  return saved;
}

void RestoreStdout(int saved) {
  std::fflush(stdout);
  dup2(saved, STDOUT_FILENO);
  close(saved);
}

}  // namespace test
}  // namespace velt
