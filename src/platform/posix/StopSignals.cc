#include "velt/platform/StopSignals.h"

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <ctime>
#include <thread>

#include "platform/common/StopSignalNumbers.h"

namespace velt {
namespace platform {
namespace {

const int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
// The signals are reported by their own numbers, which the portable names
// (StopSignalName) know.
static_assert(SIGHUP == kHangUpSignal && SIGINT == kInterruptSignal &&
                  SIGPIPE == kBrokenPipeSignal && SIGTERM == kTerminateSignal,
              "the stop signals' numbers");

}  // namespace

struct StopSignals::State {
  std::function<void(int)> onStop;
  sigset_t waited;  // the stop signals less those the caller ignores
  std::atomic<int> received{0};
  std::atomic<bool> done{false};
  std::thread thread;

  bool Record(int signalNumber) {
    int none = 0;
    return received.compare_exchange_strong(none, signalNumber);
  }

  void Wait() {
    // A short time-out lets the thread see that the run is over; a signal
    // itself is taken at once.
    const struct timespec slice = {0, 100 * 1000 * 1000};
    while (!done) {
      const int signalNumber = sigtimedwait(&waited, nullptr, &slice);
      if (signalNumber > 0 && Record(signalNumber)) {
        onStop(signalNumber);
      }
    }
  }
};

StopSignals::StopSignals(std::function<void(int)> onStop) : m_state(new State()) {
  m_state->onStop = std::move(onStop);
  signal(SIGXFSZ, SIG_IGN);
  sigemptyset(&m_state->waited);
  // Blocked signals are queued even when ignored, so an ignored one must not
  // be waited for.
  for (int signalNumber : kStopSignals) {
    struct sigaction action;
    if (!(sigaction(signalNumber, nullptr, &action) == 0 && action.sa_handler == SIG_IGN)) {
      sigaddset(&m_state->waited, signalNumber);
    }
  }
  pthread_sigmask(SIG_BLOCK, &m_state->waited, nullptr);
  State* state = m_state.get();
  m_state->thread = std::thread([state] { state->Wait(); });
}

StopSignals::~StopSignals() {
  m_state->done = true;
  m_state->thread.join();
}

int StopSignals::received() const { return m_state->received.load(); }

bool StopSignals::RecordOutputClosed() { return m_state->Record(SIGPIPE); }

}  // namespace platform
}  // namespace velt
