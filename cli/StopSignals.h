// Turning the signals that end a shell command (SIGINT, SIGTERM, SIGHUP,
// SIGPIPE) into the engine's stop request while a run is on, so that the
// run cleans up after itself before velt exits 128 + the signal.
//
// The signals are blocked in every thread and taken by one thread of their
// own with sigtimedwait, so no code runs in a signal handler. A signal the
// caller had ignored (nohup's SIGHUP) stays ignored. SIGXFSZ is
// ignored, so that a write over the file-size limit fails with EFBIG and the
// run ends with an error instead of the process being killed.
#pragma once

#include <signal.h>

#include <atomic>
#include <functional>
#include <thread>

namespace velt {
namespace cli {

class StopSignals {
 public:
  // Must be created before any other thread is started, so that every
  // thread inherits the blocked set. `onStop` runs on the signal thread for
  // the first signal that arrives.
  explicit StopSignals(std::function<void(int)> onStop);
  // Ends the signal thread. The signals stay blocked: one that arrives
  // after the run is over no longer interrupts anything.
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // The first stop signal received, or 0.
  int received() const { return m_received.load(); }
  // Records a stop that velt noticed itself (its output pipe was closed);
  // false when a signal had already been recorded.
  bool Record(int signalNumber);

  // The signals this class turns into a stop.
  static sigset_t Set();

 private:
  void Wait();

  std::function<void(int)> m_onStop;
  sigset_t m_waited;  // Set() less the signals the caller ignores
  std::atomic<int> m_received{0};
  std::atomic<bool> m_done{false};
  std::thread m_thread;
};

}  // namespace cli
}  // namespace velt
