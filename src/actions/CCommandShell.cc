#include "velt/actions/CCommandShell.h"

#include <cstring>
#include <vector>

#include "actions/ActionLimits.h"
#include "platform/Clock.h"
#include "platform/Process.h"
#include "platform/SystemError.h"
#include "velt/control/VeltThread.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/CAppLog.h"
#include "velt/runtime/ResultCodes.h"

namespace {

constexpr size_t kMaxCommandChars = 1023;
constexpr size_t kChunkBytes = 1023;
// How long output that is already on its way is still read once the
// command itself has ended: what its background jobs write later is not
// waited for.
constexpr unsigned kEndGraceMs = 200;

// Copies a captured child's output into a stream until the child has ended
// and its output is read, the time-out passes, the front end asks the run
// to stop, or the output reaches its bound. Failures are logged in the name
// of CCommandShell::Execute, which it works for.
class OutputCopy {
 public:
  OutputCopy(velt::platform::ChildProcess& child, velt::platform::CommandOutput& output,
             std::ostream& out, int64_t timeLimitSeconds)
      : m_child(child), m_output(output), m_out(out), m_timeLimitMs(timeLimitSeconds * 1000) {}

  long Run() {
    using velt::platform::WakeSource;
    const int64_t t0 = velt::ActionLimits::NowMs();
    std::vector<WakeSource> wakes = {WakeSource(m_output)};
    EventHandle exitEvent = VeltThread::m_ExitVeltEvent;
    if (exitEvent != nullptr && exitEvent->IsWatchable()) {
      wakes.push_back(WakeSource(*exitEvent));
    }
    for (;;) {
      if (VeltThread::StopRequested()) {
        return PROCESS_API_ERROR_WAIT_INTERRUPTED;
      }
      if (velt::ActionLimits::NowMs() - t0 >= m_timeLimitMs) {
        return PROCESS_API_ERROR_WAIT_TIMEOUT;
      }
      velt::platform::ChildWait outcome = velt::platform::ChildWait::kTimedOut;
      size_t wokenBy = 0;
      int error = velt::platform::WaitChild(m_child, wakes, velt::ActionLimits::WaitSliceMs(),
                                            outcome, wokenBy);
      if (error != 0) {
        VELT_LOG_CODE_AS("CCommandShell::Execute", 'E', "WaitForObject", error);
        return GLOBAL_ERROR_UNEXPECTED;
      }
      if (outcome == velt::platform::ChildWait::kEnded) {
        return ReadWhatIsLeft();
      }
      if (outcome != velt::platform::ChildWait::kWoken) {
        continue;
      }
      if (wakes[wokenBy] != WakeSource(m_output)) {
        // The exit event without a stop request (a console run): no longer
        // a reason to wake up.
        wakes.erase(wakes.begin() + static_cast<long>(wokenBy));
        continue;
      }
      Copied copied = CopyAvailable();
      if (copied == Copied::kCut) {
        return 0;
      }
      if (copied == Copied::kClosed) {
        // Closed by everyone: wait for the command itself to end.
        wakes.erase(wakes.begin());
        m_output.Close();
      }
    }
  }

 private:
  enum class Copied { kAll, kClosed, kCut };

  // Copies what can be read now, in chunks cut at their first zero byte.
  Copied CopyAvailable() {
    char chunk[kChunkBytes + 1];
    for (;;) {
      size_t got = 0;
      int error = m_output.Read(chunk, kChunkBytes, got);
      if (velt::platform::ErrorKindOf(error) == velt::platform::ErrorKind::kTryAgain) {
        return Copied::kAll;
      }
      if (error != 0 || got == 0) {
        return Copied::kClosed;
      }
      chunk[got] = '\0';
      uint64_t size = std::strlen(chunk);
      const uint64_t bound = velt::ActionLimits::MaxOutputBytes();
      if (m_kept + size > bound) {
        m_out.write(chunk, static_cast<std::streamsize>(bound - m_kept));
        m_out << "\n[VELT: output cut after " << bound
              << " bytes; the rest was dropped and the command ended]\n";
        return Copied::kCut;
      }
      m_out.write(chunk, static_cast<std::streamsize>(size));
      m_kept += size;
    }
  }

  // The command has ended: what is already on its way is still read, for a
  // short while at most.
  long ReadWhatIsLeft() {
    const int64_t end = velt::platform::WallClockMs() + kEndGraceMs;
    while (m_output.IsOpen()) {
      const int64_t left = end - velt::platform::WallClockMs();
      bool ready = false;
      if (left <= 0 || m_output.WaitReadable(static_cast<unsigned>(left), ready) != 0 || !ready ||
          CopyAvailable() != Copied::kAll) {
        break;
      }
    }
    return 0;
  }

  velt::platform::ChildProcess& m_child;
  velt::platform::CommandOutput& m_output;
  std::ostream& m_out;
  const int64_t m_timeLimitMs;
  uint64_t m_kept = 0;
};

}  // namespace

CCommandShell::CCommandShell(const wchar_t* command)
    : m_commandLine(command != nullptr ? command : L"") {}

CCommandShell::~CCommandShell() = default;

long CCommandShell::Execute(std::ostream& out) {
  if (m_commandLine.empty()) {
    return GLOBAL_ERROR_NOT_INITIALIZED;
  }
  return Execute(m_commandLine.c_str(), out);
}

long CCommandShell::Execute(const wchar_t* command, std::ostream& out) {
  Outcome outcome;
  return Execute(command, out, velt::ActionLimits::kTimeoutSeconds, outcome);
}

long CCommandShell::Execute(const wchar_t* command, std::ostream& out, int64_t timeLimitSeconds,
                            Outcome& outcome) {
  outcome = Outcome();
  if (command == nullptr) {
    return GLOBAL_ERROR_BAD_PARAMETER;
  }
  std::wstring buffer(command);
  if (buffer.size() > kMaxCommandChars) {
    buffer.resize(kMaxCommandChars);
  }
  std::string commandLine = velt::Narrow(buffer);

  velt::platform::ChildProcess child;
  velt::platform::CommandOutput output;
  int error = velt::platform::StartCaptured(commandLine, child, output);
  if (velt::platform::ErrorKindOf(error) == velt::platform::ErrorKind::kTooManyOpen) {
    VELT_LOG_CODE('E', "CreatePipe", error);
    return GLOBAL_ERROR_BAD_HANDLE;
  }
  if (error != 0) {
    VELT_LOG_CODE('E', "CreateProcessW", error, "Command Line: %s", commandLine.c_str());
    return GLOBAL_ERROR_UNEXPECTED;
  }
  long rc = OutputCopy(child, output, out, timeLimitSeconds).Run();
  // Reaped while the output was copied: the command ended by itself.
  outcome.ended = child.reaped;
  outcome.exitStatus = child.exitCode;
  output.Close();
  // Whatever the command left behind in its process group (background jobs,
  // the command itself after a stop or its time-out) ends here.
  velt::platform::KillChildGroup(child);
  velt::platform::ReleaseChild(child);
  return rc;
}
