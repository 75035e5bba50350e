// Child processes on POSIX: posix_spawn of the program or of /bin/sh -c in a
// session of its own, pidfd + poll for waits, kill of the process group,
// waitpid to reap.
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
#include <thread>

#include "platform/Clock.h"
#include "platform/Environment.h"
#include "platform/posix/Descriptor.h"
#include "platform/posix/EventDescriptor.h"
#include "velt/platform/VeltEvent.h"
#include "platform/posix/ShellWords.h"

namespace velt {
namespace platform {

struct ChildProcess::Watch {
  posix::Fd fd;  // a pidfd: readable once the child has ended
};

struct CommandOutput::Pipe {
  posix::Fd fd;  // non-blocking and close-on-exec
};

struct CommandOutputAccess {
  static int Descriptor(const CommandOutput& output) {
    return output.m_pipe != nullptr ? output.m_pipe->fd.get() : -1;
  }
  static void Adopt(CommandOutput& output, int fd) {
    output.m_pipe.reset(new CommandOutput::Pipe{posix::Fd(fd)});
  }
};

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
// first executable of that name in the folders that commands run with.
// 0, ENOENT, ENOTDIR (the folder of a path does not exist) or EACCES.
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
  const std::string folders = kCommandSearchPath;
  int found = ENOENT;
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) {
      end = folders.size();
    }
    std::string candidate = folders.substr(start, end - start) + "/" + program;
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

// Starts the command line as `/bin/sh -c` would run it, with standard
// output and error on `outputFd`, or on /dev/null when it is -1, and the
// commands' own environment. A line without shell syntax is started
// directly, saving the shell's start-up; everything else goes through the
// shell.
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
  // The front end may ignore or block some of these (velt ignores SIGXFSZ
  // so that an over-limit write fails instead of killing it); a command
  // starts with all of them as usual.
  for (int signal :
       {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGCHLD, SIGUSR1, SIGUSR2, SIGXFSZ}) {
    sigaddset(&defaults, signal);
  }
  posix_spawnattr_setsigmask(&attributes, &noSignals);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  std::vector<std::string> environment = CommandEnvironment();
  std::vector<char*> envp;
  for (std::string& entry : environment) {
    envp.push_back(&entry[0]);
  }
  envp.push_back(nullptr);

  // A program that the line names plainly must exist: a missing one is a
  // failure to start, not a shell's complaint collected as output.
  pid_t pid = 0;
  std::vector<std::string> words;
  const bool plain = SplitPlainCommand(commandLine, words);
  std::string first;
  std::string program;
  rc = 0;
  if (plain) {
    rc = ResolveProgram(words[0], program);
  } else if (FirstProgram(commandLine, first)) {
    rc = ResolveProgram(first, program);
  }
  if (rc == 0 && plain) {
    std::vector<char*> argv;
    for (std::string& word : words) {
      argv.push_back(&word[0]);
    }
    argv.push_back(nullptr);
    rc = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), envp.data());
  }
  if ((rc == 0 && !plain) || rc == ENOEXEC) {
    // Shell syntax, or a script without an interpreter line: the shell runs it.
    std::string shell = "/bin/sh";
    std::string dashC = "-c";
    std::string line = ShellLine(commandLine);
    char* argv[] = {&shell[0], &dashC[0], &line[0], nullptr};
    rc = posix_spawn(&pid, "/bin/sh", &actions, &attributes, argv, envp.data());
  }
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    return rc;
  }
  child = ChildProcess();
  child.pid = pid;
  const int waitFd = OpenWaitDescriptor(pid);
  if (waitFd >= 0) {
    child.watch.reset(new ChildProcess::Watch{posix::Fd(waitFd)});
  }
  return 0;
}

// The descriptor that shows the child's end, -1 when there is none.
int WaitDescriptor(const ChildProcess& child) {
  return child.watch != nullptr ? child.watch->fd.get() : -1;
}

// The descriptor a wake source polls readable with, -1 when there is none.
int DescriptorOf(const WakeSource& wake) {
  if (wake.event() != nullptr) {
    return VeltEventAccess::Descriptor(*wake.event());
  }
  return wake.output() != nullptr ? CommandOutputAccess::Descriptor(*wake.output()) : -1;
}

// Waits up to `timeoutMs` for one of `fds` to poll readable or hung up:
// `ready` is its index, or fds.size() when none did. 0 or the error number.
int PollReadable(const std::vector<int>& fds, unsigned timeoutMs, std::size_t& ready) {
  ready = fds.size();
  std::vector<struct pollfd> watched;
  for (int fd : fds) {
    watched.push_back({fd, POLLIN, 0});
  }
  const int64_t deadline = WallClockMs() + timeoutMs;
  for (;;) {
    int64_t remaining = deadline - WallClockMs();
    int count = poll(watched.data(), static_cast<nfds_t>(watched.size()),
                     static_cast<int>(remaining > 0 ? remaining : 0));
    if (count < 0 && errno == EINTR) {
      continue;
    }
    if (count < 0) {
      return errno;
    }
    for (std::size_t i = 0; i < watched.size(); ++i) {
      if ((watched[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
        ready = i;
        break;
      }
    }
    return 0;
  }
}

}  // namespace

ChildProcess::ChildProcess() = default;
ChildProcess::~ChildProcess() = default;
ChildProcess::ChildProcess(ChildProcess&&) noexcept = default;
ChildProcess& ChildProcess::operator=(ChildProcess&&) noexcept = default;

CommandOutput::CommandOutput() = default;
CommandOutput::~CommandOutput() = default;

int CommandOutput::Read(char* buffer, std::size_t size, std::size_t& got) {
  got = 0;
  if (!IsOpen()) {
    return EBADF;
  }
  for (;;) {
    ssize_t n = read(m_pipe->fd.get(), buffer, size);
    if (n >= 0) {
      got = static_cast<std::size_t>(n);
      return 0;
    }
    if (errno != EINTR) {
      return errno;
    }
  }
}

int CommandOutput::WaitReadable(unsigned timeoutMs, bool& ready) {
  ready = false;
  if (!IsOpen()) {
    return EBADF;
  }
  std::size_t index = 1;
  int error = PollReadable({m_pipe->fd.get()}, timeoutMs, index);
  ready = error == 0 && index == 0;
  return error;
}

void CommandOutput::Close() { m_pipe.reset(); }

int FindProgram(const std::string& program) {
  std::string resolved;
  return ResolveProgram(program, resolved);
}

int StartDetached(const std::string& commandLine, ChildProcess& child) {
  return Spawn(commandLine, -1, child);
}

int StartCaptured(const std::string& commandLine, ChildProcess& child, CommandOutput& output) {
  output.Close();
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) {
    return errno;
  }
  int rc = Spawn(commandLine, ends[1], child);
  close(ends[1]);  // the child holds its own copy
  if (rc == 0 && fcntl(ends[0], F_SETFL, O_NONBLOCK) != 0) {
    rc = errno;
    KillChildGroup(child);
    ReleaseChild(child);
  }
  if (rc != 0) {
    close(ends[0]);
    return rc;
  }
  CommandOutputAccess::Adopt(output, ends[0]);
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

int WaitChild(ChildProcess& child, const std::vector<WakeSource>& wakes, unsigned timeoutMs,
              ChildWait& outcome, std::size_t& wokenBy) {
  const int64_t deadline = WallClockMs() + timeoutMs;
  std::vector<int> wakeFds;
  for (const WakeSource& wake : wakes) {
    wakeFds.push_back(DescriptorOf(wake));
  }
  const int waitFd = WaitDescriptor(child);
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
    if (waitFd >= 0) {
      watched.push_back({waitFd, POLLIN, 0});
    }
    int slice = static_cast<int>(remaining);
    if (waitFd < 0 && slice > kFallbackSliceMs) {
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
      // A pipe whose writers have all gone polls as hung up, not readable.
      if ((watched[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
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
  child.watch.reset();
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
