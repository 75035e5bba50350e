// Turning the requests that end a console program into a front end's stop
// request while a run is on, so that the run cleans up after itself before
// the program exits 128 + the signal number, as a shell reports it.
//
// On POSIX these are SIGINT, SIGTERM, SIGHUP and SIGPIPE: blocked in every
// thread and taken by one thread of this class's own, so no code runs in a
// signal handler. A signal the caller had ignored (nohup's SIGHUP) stays
// ignored. SIGXFSZ is ignored, so that a write over the file-size limit
// fails with an error (kNoSpace) and the run ends with a result instead of
// the process being killed.
//
// On Windows these are the console's control events, taken by a handler on
// the thread the system starts for each, and numbered as POSIX numbers the
// signals of the same meaning: Ctrl+C as SIGINT (2); Ctrl+Break, log-off
// and shut-down as SIGTERM (15); the closing of the console as SIGHUP (1).
#pragma once

#include <functional>
#include <memory>

#include "velt/VeltExport.h"

namespace velt {
namespace platform {

class VELT_API StopSignals {
 public:
  // Must be created before any other thread is started, so that every
  // thread inherits the blocked signals. `onStop` runs on the signal thread
  // for the first signal that arrives, with its number.
  explicit StopSignals(std::function<void(int)> onStop);
  // Ends the signal thread. The signals stay blocked: one that arrives
  // after the run is over no longer interrupts anything.
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // The number of the first stop signal received, or 0.
  int received() const;
  // Records a stop that the program noticed itself: nobody reads its output
  // any more, which counts as the signal that reports it (SIGPIPE). False
  // when a signal had already been recorded.
  bool RecordOutputClosed();

 private:
  struct State;
  std::unique_ptr<State> m_state;
};

}  // namespace platform
}  // namespace velt
