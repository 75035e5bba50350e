#include "StopSignals.h"

#include <pthread.h>

#include <ctime>

namespace velt {
namespace cli {
namespace {

const int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

}  // namespace

sigset_t StopSignals::Set() {
  sigset_t set;
  sigemptyset(&set);
  for (int signalNumber : kStopSignals) {
    sigaddset(&set, signalNumber);
  }
  return set;
}

StopSignals::StopSignals(std::function<void(int)> onStop)
    : m_onStop(std::move(onStop)), m_waited(Set()) {
  signal(SIGXFSZ, SIG_IGN);
  // Blocked signals are queued even when ignored, so an ignored one must not
  // be waited for.
  for (int signalNumber : kStopSignals) {
    struct sigaction action;
    if (sigaction(signalNumber, nullptr, &action) == 0 && action.sa_handler == SIG_IGN) {
      sigdelset(&m_waited, signalNumber);
    }
  }
  pthread_sigmask(SIG_BLOCK, &m_waited, nullptr);
  m_thread = std::thread([this] { Wait(); });
}

StopSignals::~StopSignals() {
  m_done = true;
  m_thread.join();
}

bool StopSignals::Record(int signalNumber) {
  int none = 0;
  return m_received.compare_exchange_strong(none, signalNumber);
}

void StopSignals::Wait() {
  // A short time-out lets the thread see that the run is over; a signal
  // itself is taken at once.
  const struct timespec slice = {0, 100 * 1000 * 1000};
  while (!m_done) {
    const int signalNumber = sigtimedwait(&m_waited, nullptr, &slice);
    if (signalNumber > 0 && Record(signalNumber)) {
      m_onStop(signalNumber);
    }
  }
}

}  // namespace cli
}  // namespace velt
