// The stop requests of a console program on Windows: the console's control
// events, taken by one handler (SetConsoleCtrlHandler) on the thread the
// system starts for each event, and numbered as POSIX numbers the signals
// of the same meaning, so that velt reports them and exits (128 + the
// number) as it does there.
#include "velt/platform/StopSignals.h"

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "platform/common/StopSignalNumbers.h"

namespace velt {
namespace platform {
namespace {

// What the handler shares with the StopSignals of the run in hand.
struct Requests {
  std::function<void(int)> onStop;
  std::atomic<int> received{0};

  bool Record(int signalNumber) {
    int none = 0;
    return received.compare_exchange_strong(none, signalNumber);
  }
};

std::mutex& Lock() {
  static std::mutex* lock = new std::mutex();
  return *lock;
}

std::condition_variable& RunOver() {
  static std::condition_variable* over = new std::condition_variable();
  return *over;
}

Requests*& Current() {
  static Requests* current = nullptr;
  return current;
}

BOOL WINAPI OnControl(DWORD event) {
  const bool ending =
      event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
  const int signalNumber = event == CTRL_C_EVENT       ? kInterruptSignal
                           : event == CTRL_CLOSE_EVENT ? kHangUpSignal
                                                       : kTerminateSignal;
  std::unique_lock<std::mutex> guard(Lock());
  Requests* requests = Current();
  if (requests != nullptr && requests->Record(signalNumber)) {
    requests->onStop(signalNumber);
  }
  if (ending) {
    // Windows ends the process once the handler returns (and a few seconds
    // later in any case): the run gets that time to clean up after itself.
    RunOver().wait(guard, [] { return Current() == nullptr; });
  }
  // Handled; with no run on, Ctrl+C and Ctrl+Break no longer interrupt
  // anything.
  return TRUE;
}

}  // namespace

struct StopSignals::State {
  Requests requests;
};

StopSignals::StopSignals(std::function<void(int)> onStop) : m_state(new State()) {
  m_state->requests.onStop = std::move(onStop);
  // Registered once and kept: handlers are the process's, not the run's. A
  // program started with Ctrl+C ignored (CREATE_NEW_PROCESS_GROUP) keeps
  // ignoring it: the system does not call handlers for it then.
  static const bool registered = SetConsoleCtrlHandler(OnControl, TRUE) != 0;
  (void)registered;
  std::lock_guard<std::mutex> guard(Lock());
  Current() = &m_state->requests;
}

StopSignals::~StopSignals() {
  {
    std::lock_guard<std::mutex> guard(Lock());
    if (Current() == &m_state->requests) {
      Current() = nullptr;
    }
  }
  RunOver().notify_all();
}

int StopSignals::received() const { return m_state->requests.received.load(); }

bool StopSignals::RecordOutputClosed() { return m_state->requests.Record(kBrokenPipeSignal); }

}  // namespace platform
}  // namespace velt
