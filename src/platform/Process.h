// Child processes: starting a command line as the system shell runs it,
// waiting for it and its output without busy-waiting, ending it with
// everything it started, and reaping it so that no zombie is left behind.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class VeltEvent;

namespace velt {
namespace platform {

// One started child. `pid` is also the id of the child's session and
// process group.
struct ChildProcess {
  ChildProcess();
  ~ChildProcess();  // kills and reaps nothing (see ReleaseChild)
  ChildProcess(ChildProcess&&) noexcept;
  ChildProcess& operator=(ChildProcess&&) noexcept;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  int pid = 0;
  bool reaped = false;  // ended and collected; `exitCode` is valid
  unsigned exitCode = 0;
  // What the implementation watches for the child's end; opaque here.
  struct Watch;
  std::unique_ptr<Watch> watch;
};

struct CommandOutputAccess;

// The read end of a captured command's output (its standard output and
// error together), closed by the destructor.
class CommandOutput {
 public:
  CommandOutput();
  ~CommandOutput();
  CommandOutput(const CommandOutput&) = delete;
  CommandOutput& operator=(const CommandOutput&) = delete;

  bool IsOpen() const { return m_pipe != nullptr; }
  // Reads at most `size` bytes of what has arrived, without waiting; `got`
  // 0 at the end of the output (every writer has closed it). 0, EAGAIN when
  // nothing has arrived yet, or the error number. Interrupted reads are
  // retried.
  int Read(char* buffer, std::size_t size, std::size_t& got);
  // Waits up to `timeoutMs` for something to read or for the end of the
  // output: `ready` says whether either came. 0 or the error number.
  int WaitReadable(unsigned timeoutMs, bool& ready);
  void Close();

 private:
  friend struct CommandOutputAccess;
  struct Pipe;
  std::unique_ptr<Pipe> m_pipe;
};

// What a wait for a child also wakes up for: an event being set (one that
// VeltEvent::IsWatchable says can be watched), or a command's output
// having something to read or being closed by every writer.
class WakeSource {
 public:
  explicit WakeSource(const VeltEvent& event) : m_event(&event) {}
  explicit WakeSource(const CommandOutput& output) : m_output(&output) {}
  const VeltEvent* event() const { return m_event; }
  const CommandOutput* output() const { return m_output; }
  bool operator==(const WakeSource& other) const {
    return m_event == other.m_event && m_output == other.m_output;
  }
  bool operator!=(const WakeSource& other) const { return !(*this == other); }

 private:
  const VeltEvent* m_event = nullptr;
  const CommandOutput* m_output = nullptr;
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
// error both writing into one pipe, whose read end `output` gets. Returns 0
// or the error number.
int StartCaptured(const std::string& commandLine, ChildProcess& child, CommandOutput& output);

enum class ChildWait {
  kEnded,     // the child ended and was reaped
  kWoken,     // one of the wake descriptors became readable first
  kTimedOut,  // neither within the time-out
};

// Waits up to `timeoutMs` for the child to end or for one of `wakes` to
// come (`wokenBy` is then its index). The child is checked first, so a
// child that has ended wins over a set event or arrived output. Returns 0
// or the error number.
int WaitChild(ChildProcess& child, const std::vector<WakeSource>& wakes, unsigned timeoutMs,
              ChildWait& outcome, std::size_t& wokenBy);

// Whether the child still runs, without waiting; a child found ended is
// reaped. Returns 0 or the error number.
int PollChild(ChildProcess& child, bool& running);

// Kills the child's process group (the child, its children and pipelines
// that stayed in the group) and reaps the child. A group that is already
// empty is not an error. Returns 0 or the error number.
int KillChildGroup(ChildProcess& child);

// Lets the child go. A child that has not been reaped yet is reaped in the
// background once it ends; it is not killed.
void ReleaseChild(ChildProcess& child);

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
