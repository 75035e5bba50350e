// Child processes on POSIX: posix_spawn of /bin/sh -c in a session of its
// own, pidfd + poll for waits, kill of the process group, waitpid to reap.
#include "platform/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <thread>

#include "platform/Clock.h"

extern char** environ;

namespace velt {
namespace platform {
namespace {

// Waits without a pidfd poll in slices this long (kernels before 5.3).
constexpr int kFallbackSliceMs = 2;

int OpenWaitDescriptor(int pid) {
#ifdef SYS_pidfd_open
  long fd = syscall(SYS_pidfd_open, pid, 0);  // close-on-exec by default
  if (fd >= 0) {
    return static_cast<int>(fd);
  }
#endif
  (void)pid;
  return -1;
}

void RecordStatus(ChildProcess& child, int status) {
  child.reaped = true;
  if (WIFEXITED(status)) {
    child.exitCode = static_cast<unsigned>(WEXITSTATUS(status));
  } else if (WIFSIGNALED(status)) {
    // As the shell reports a command that a signal ended.
    child.exitCode = 128u + static_cast<unsigned>(WTERMSIG(status));
  }
}

// Words that the shell itself must run: `exec` cannot replace the shell by
// them.
bool IsShellOwnWord(const std::string& word) {
  static const char* const kWords[] = {
      "!",     "{",     "}",      "[[",     ".",      ":",     "alias",   "bg",     "break",
      "case",  "cd",    "command", "continue", "do",   "done",  "elif",    "else",   "esac",
      "eval",  "exec",  "exit",   "export", "fg",     "fi",    "for",     "function", "getopts",
      "hash",  "if",    "jobs",   "local",  "read",   "readonly", "return", "select", "set",
      "shift", "then",  "times",  "trap",   "type",   "ulimit", "umask",  "unalias", "unset",
      "until", "wait",  "while"};
  for (const char* own : kWords) {
    if (word == own) {
      return true;
    }
  }
  return false;
}

bool IsExecutableFile(const std::string& path, int& error) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    error = errno;
    return false;
  }
  if (S_ISDIR(info.st_mode) || access(path.c_str(), X_OK) != 0) {
    error = EACCES;
    return false;
  }
  return true;
}

// The file that `program` names: itself when it holds a '/', else the
// first executable of that name in the folders of PATH. 0, ENOENT, ENOTDIR
// (the folder of a path does not exist) or EACCES.
int ResolveProgram(const std::string& program, std::string& resolved) {
  if (program.empty()) {
    return ENOENT;
  }
  int error = 0;
  if (program.find('/') != std::string::npos) {
    resolved = program;
    if (IsExecutableFile(program, error)) {
      return 0;
    }
    if (error == ENOENT) {
      // Tell a missing folder from a missing file in an existing folder.
      std::string folder = program.substr(0, program.rfind('/'));
      struct stat info;
      if (!folder.empty() && (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))) {
        return ENOTDIR;
      }
    }
    return error == ENOTDIR ? ENOTDIR : (error == ENOENT ? ENOENT : EACCES);
  }
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  int found = ENOENT;
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) {
      end = folders.size();
    }
    std::string folder = folders.substr(start, end - start);
    if (folder.empty()) {
      folder = ".";
    }
    std::string candidate = folder + "/" + program;
    if (IsExecutableFile(candidate, error)) {
      resolved = candidate;
      return 0;
    }
    if (error == EACCES) {
      found = EACCES;  // present but not executable; keep looking
    }
    start = end + 1;
  }
  return found;
}

// The words of a command line that uses no shell syntax at all: blanks
// between words, at most a double-quoted first word without anything the
// shell would expand in it. Such a line means exactly these words to the
// shell, so it can run without one. False when the shell is needed.
bool SplitPlainCommand(const std::string& line, std::vector<std::string>& words) {
  static const char kSpecial[] = "|&;<>()$`\\\"'*?[]#~{}!\n\r";
  words.clear();
  size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t') {
      ++i;
      continue;
    }
    size_t end;
    std::string word;
    if (line[i] == '"' && words.empty()) {
      end = line.find('"', i + 1);
      if (end == std::string::npos) {
        return false;
      }
      word = line.substr(i + 1, end - i - 1);
      if (word.empty() || word.find_first_of("\\$`") != std::string::npos) {
        return false;
      }
      ++end;
      if (end < line.size() && line[end] != ' ' && line[end] != '\t') {
        return false;
      }
    } else {
      end = line.find_first_of(" \t", i);
      if (end == std::string::npos) {
        end = line.size();
      }
      word = line.substr(i, end - i);
      if (word.find_first_of(kSpecial) != std::string::npos) {
        return false;
      }
    }
    words.push_back(word);
    i = end;
  }
  // A first word with "=" is a variable assignment to the shell.
  return !words.empty() && words[0].find('=') == std::string::npos &&
         !IsShellOwnWord(words[0]);
}

// A command line that is one simple command runs with `exec` in front, so
// that the shell replaces itself by the program instead of forking once
// more: the child is then the program itself, and starting it costs one
// process instead of two. Lists, pipelines, subshells, assignments and the
// shell's own words keep the shell.
std::string ShellLine(const std::string& commandLine) {
  if (commandLine.find_first_of(";&|()`\n") != std::string::npos) {
    return commandLine;
  }
  size_t start = commandLine.find_first_not_of(" \t");
  if (start == std::string::npos) {
    return commandLine;
  }
  size_t end = commandLine.find_first_of(" \t", start);
  std::string first = commandLine.substr(start, end == std::string::npos ? end : end - start);
  if (first.find('=') != std::string::npos || first[0] == '<' || first[0] == '>' ||
      IsShellOwnWord(first)) {
    return commandLine;
  }
  return "exec " + commandLine;
}

// Starts the command line as `/bin/sh -c` would run it, with standard
// output and error on `outputFd`, or on /dev/null when it is -1. A line
// without shell syntax whose program exists is started directly, saving the
// shell's start-up; everything else goes through the shell.
int Spawn(const std::string& commandLine, int outputFd, ChildProcess& child) {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  int rc = posix_spawn_file_actions_init(&actions);
  if (rc != 0) {
    return rc;
  }
  rc = posix_spawnattr_init(&attributes);
  if (rc != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return rc;
  }
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (outputFd >= 0) {
    posix_spawn_file_actions_adddup2(&actions, outputFd, 1);
    posix_spawn_file_actions_adddup2(&actions, outputFd, 2);
  } else {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  }
  // Nothing of the engine's (pipes of other commands included) leaks into
  // the child, so no child keeps another command's output open.
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);

  sigset_t noSignals;
  sigemptyset(&noSignals);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (int signal : {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGCHLD, SIGUSR1, SIGUSR2}) {
    sigaddset(&defaults, signal);
  }
  posix_spawnattr_setsigmask(&attributes, &noSignals);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  pid_t pid = 0;
  rc = ENOEXEC;
  std::vector<std::string> words;
  std::string program;
  if (SplitPlainCommand(commandLine, words) && ResolveProgram(words[0], program) == 0) {
    std::vector<char*> argv;
    for (std::string& word : words) {
      argv.push_back(&word[0]);
    }
    argv.push_back(nullptr);
    rc = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
  }
  if (rc == ENOEXEC) {
    // Not plain, or a script without an interpreter line: the shell runs it.
    std::string shell = "/bin/sh";
    std::string dashC = "-c";
    std::string line = ShellLine(commandLine);
    char* argv[] = {&shell[0], &dashC[0], &line[0], nullptr};
    rc = posix_spawn(&pid, "/bin/sh", &actions, &attributes, argv, environ);
  }
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    return rc;
  }
  child = ChildProcess();
  child.pid = pid;
  child.waitFd = OpenWaitDescriptor(pid);
  return 0;
}

}  // namespace

int FindProgram(const std::string& program) {
  std::string resolved;
  return ResolveProgram(program, resolved);
}

int StartDetached(const std::string& commandLine, ChildProcess& child) {
  return Spawn(commandLine, -1, child);
}

int StartCaptured(const std::string& commandLine, ChildProcess& child, int& outputFd) {
  outputFd = -1;
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) {
    return errno;
  }
  int rc = Spawn(commandLine, ends[1], child);
  close(ends[1]);  // the child holds its own copy
  if (rc != 0) {
    close(ends[0]);
    return rc;
  }
  outputFd = ends[0];
  return 0;
}

int PollChild(ChildProcess& child, bool& running) {
  running = false;
  if (child.reaped) {
    return 0;
  }
  int status = 0;
  pid_t done;
  do {
    done = waitpid(child.pid, &status, WNOHANG);
  } while (done < 0 && errno == EINTR);
  if (done == 0) {
    running = true;
    return 0;
  }
  if (done < 0) {
    // Collected by someone else: it has ended, but its code is lost.
    int error = errno;
    child.reaped = true;
    return error;
  }
  RecordStatus(child, status);
  return 0;
}

int WaitChild(ChildProcess& child, const std::vector<int>& wakeFds, unsigned timeoutMs,
              ChildWait& outcome, std::size_t& wokenBy) {
  const int64_t deadline = WallClockMs() + timeoutMs;
  std::vector<struct pollfd> watched;
  for (;;) {
    bool running = false;
    int rc = PollChild(child, running);
    if (!running) {
      outcome = ChildWait::kEnded;
      return rc;
    }
    int64_t remaining = deadline - WallClockMs();
    if (remaining < 0) {
      remaining = 0;
    }
    watched.clear();
    for (int fd : wakeFds) {
      watched.push_back({fd, POLLIN, 0});
    }
    if (child.waitFd >= 0) {
      watched.push_back({child.waitFd, POLLIN, 0});
    }
    int slice = static_cast<int>(remaining);
    if (child.waitFd < 0 && slice > kFallbackSliceMs) {
      slice = kFallbackSliceMs;
    }
    int ready = poll(watched.data(), static_cast<nfds_t>(watched.size()), slice);
    if (ready < 0) {
      if (errno == EINTR) {
        continue;
      }
      return errno;
    }
    for (std::size_t i = 0; i < wakeFds.size(); ++i) {
      if ((watched[i].revents & POLLIN) != 0) {
        rc = PollChild(child, running);
        outcome = running ? ChildWait::kWoken : ChildWait::kEnded;
        wokenBy = i;
        return rc;
      }
    }
    if (ready == 0 && remaining == 0) {
      rc = PollChild(child, running);
      outcome = running ? ChildWait::kTimedOut : ChildWait::kEnded;
      return rc;
    }
  }
}

int KillChildGroup(ChildProcess& child) {
  // The child leads its own group; while any member lives, the group's id
  // stays taken, so the signal reaches only what the child started.
  if (kill(-child.pid, SIGKILL) != 0 && errno != ESRCH) {
    return errno;
  }
  if (!child.reaped) {
    ChildWait outcome;
    std::size_t wokenBy = 0;
    return WaitChild(child, {}, 5000, outcome, wokenBy);
  }
  return 0;
}

void ReleaseChild(ChildProcess& child) {
  if (child.waitFd >= 0) {
    close(child.waitFd);
    child.waitFd = -1;
  }
  bool running = false;
  PollChild(child, running);
  if (running) {
    // Not ours to end; collect it whenever it ends, so it leaves no zombie.
    pid_t pid = child.pid;
    std::thread([pid]() {
      while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
      }
    }).detach();
    child.reaped = true;
  }
}

int ReadDescriptor(int fd, char* buffer, std::size_t size, std::size_t& got) {
  got = 0;
  for (;;) {
    ssize_t n = read(fd, buffer, size);
    if (n >= 0) {
      got = static_cast<std::size_t>(n);
      return 0;
    }
    if (errno != EINTR) {
      return errno;
    }
  }
}

void CloseDescriptor(int fd) {
  if (fd >= 0) {
    close(fd);
  }
}

ProcessErrorKind ClassifyProcessError(unsigned long error) {
  switch (error) {
    case ENOENT:
      return ProcessErrorKind::kFileNotFound;
    case ENOTDIR:
      return ProcessErrorKind::kPathNotFound;
    case ESRCH:
    case ECHILD:
    case EINVAL:
      return ProcessErrorKind::kInvalidProcessId;
    case EAGAIN:
      return ProcessErrorKind::kNoProcessSlots;
    case EPERM:
      return ProcessErrorKind::kInsufficientPrivilege;
    default:
      return ProcessErrorKind::kOther;
  }
}

}  // namespace platform
}  // namespace velt
