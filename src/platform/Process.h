// Child processes: starting a command line as the system shell runs it,
// waiting for it and its output without busy-waiting, ending it with
// everything it started, and reaping it so that no zombie is left behind.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace velt {
namespace platform {

// One started child. `pid` is also the id of the child's session and process
// group. `waitFd` becomes readable when the child ends (-1 when the system
// offers no such descriptor; waits then fall back to short sleeps).
struct ChildProcess {
  int pid = 0;
  int waitFd = -1;
  bool reaped = false;  // ended and collected; `exitCode` is valid
  unsigned exitCode = 0;
};

// Checks that `program` names an executable file: as a path when it holds a
// '/', else searched in the folders of PATH. Returns 0, ENOENT (no such
// file), ENOTDIR (its folder does not exist) or EACCES (not executable).
int FindProgram(const std::string& program);

// Starts `commandLine` as `/bin/sh -c` runs it (without the shell when the
// line needs none) detached: in a new session and process group, with
// standard input, output and error on /dev/null, no other descriptor
// inherited and the environment of CommandEnvironment(). Returns 0 or the
// error number; a program that the line names plainly (its first word
// without expansions) must exist: FindProgram's error otherwise.
int StartDetached(const std::string& commandLine, ChildProcess& child);

// Starts `commandLine` as StartDetached does, but with standard output and
// error both writing into one pipe, whose read end is returned in
// `outputFd`: close-on-exec and non-blocking (a read with nothing to read
// yet fails with EAGAIN). Returns 0 or the error number.
int StartCaptured(const std::string& commandLine, ChildProcess& child, int& outputFd);

enum class ChildWait {
  kEnded,     // the child ended and was reaped
  kWoken,     // one of the wake descriptors became readable first
  kTimedOut,  // neither within the time-out
};

// Waits up to `timeoutMs` for the child to end or for one of `wakeFds` to
// poll readable or hung up (`wokenBy` is then its index). The child is checked first,
// so a child that has ended wins over a signalled descriptor. Returns 0 or
// the error number.
int WaitChild(ChildProcess& child, const std::vector<int>& wakeFds, unsigned timeoutMs,
              ChildWait& outcome, std::size_t& wokenBy);

// Whether the child still runs, without waiting; a child found ended is
// reaped. Returns 0 or the error number.
int PollChild(ChildProcess& child, bool& running);

// Kills the child's process group (the child, its children and pipelines
// that stayed in the group) and reaps the child. A group that is already
// empty is not an error. Returns 0 or the error number.
int KillChildGroup(ChildProcess& child);

// Closes the child's descriptor. A child that has not been reaped yet is
// reaped in the background once it ends; it is not killed.
void ReleaseChild(ChildProcess& child);

// Reads at most `size` bytes; `got` 0 at the end of the stream. Returns 0 or
// the error number. Interrupted reads are retried.
int ReadDescriptor(int fd, char* buffer, std::size_t size, std::size_t& got);
// Writes all `size` bytes. Returns 0 or the error number.
int WriteDescriptor(int fd, const char* data, std::size_t size);
void CloseDescriptor(int fd);

// Waits up to `timeoutMs` for one of `fds` to poll readable or hung up:
// `ready` is its index, or fds.size() when none did. Returns 0 or the
// error number.
int WaitReadable(const std::vector<int>& fds, unsigned timeoutMs, std::size_t& ready);

// What a launch or wait error number means, for the process API's codes.
enum class ProcessErrorKind {
  kFileNotFound,
  kPathNotFound,
  kInvalidProcessId,
  kNoProcessSlots,
  kProcessAborted,
  kInsufficientPrivilege,
  kOther,
};
ProcessErrorKind ClassifyProcessError(unsigned long error);

}  // namespace platform
}  // namespace velt
