// What velt shows while a run goes on and when it ends. The engine only
// posts; the display alone decides what reaches the screen:
//  - on a terminal, one line redrawn in place: the whole status line (cut
//    to the terminal's width), the percentage and the elapsed time;
//  - elsewhere (a pipe, a file), one plain line per change of status;
//  - quiet, nothing but errors and the result;
//  - JSON Lines, one object per progress post and one for the result.
// The percentage shown never goes backwards. Errors go to standard error in
// every style.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "velt/engine/VeltCollectReport.h"

struct PROGRESSSTATUS;

namespace velt {
namespace cli {

// How a run ended.
struct RunOutcome {
  long result = 0;       // the engine's result code, 0 for success
  std::wstring message;  // the engine's status line of a failed run
  int signal = 0;        // the signal that stopped the run, 0 if none
  VeltCollectReport report;  // a collect run's findings beyond its result
};

// The bundle a successful collect run wrote.
struct BundleFacts {
  std::string path;          // absolute
  uint64_t size = 0;         // bytes
  std::string sha256;        // lower-case hexadecimal
  std::string checksumFile;  // "<path>.sha256"
  std::string hostsMap;      // the pseudonym mapping beside it, empty if none
};

class ProgressDisplay {
 public:
  enum class Style { kTerminal, kLines, kQuiet, kJson };

  // --json wins over --quiet for standard output (quiet JSON leaves out the
  // progress objects); otherwise a terminal on standard output gets the
  // redrawn line.
  static Style Choose(bool quiet, bool json);
  static std::unique_ptr<ProgressDisplay> Create(Style style, bool quiet);

  virtual ~ProgressDisplay() = default;

  // A progress post, with the seconds since the run started. False when
  // standard output has been closed by its reader (a broken pipe).
  virtual bool Progress(const PROGRESSSTATUS& record, double elapsed) = 0;
  // About once a second while nothing is posted.
  virtual bool Tick(double /*elapsed*/) { return true; }
  // A stop was requested by `signalNumber`; the run is cleaning up.
  virtual void Stopping(int signalNumber) = 0;
  // The end of the run. `command` is "collect" or "clear"; `bundle` is the
  // written bundle of a successful collect run, else null.
  virtual void Result(const char* command, const RunOutcome& outcome,
                      const BundleFacts* bundle) = 0;

 protected:
  // The percentage to show for `percent`: never below one shown before.
  unsigned Shown(unsigned percent);

 private:
  unsigned m_shown = 0;
};

// The name of a result code ("SUCCESS" for 0, "VELTENGINE_ERROR_..."), and
// its description, as the application log has them.
std::string ResultName(long code);
std::string ResultDescription(long code);
// Writes `text` to standard output and flushes it. False when the reader
// has closed the pipe.
bool WriteOut(const std::string& text);

}  // namespace cli
}  // namespace velt
