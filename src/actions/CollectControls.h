// What a collect run asks of its actions beyond the design, and what they
// tell it back: the time window for files that a wildcard matches, each
// command's time limit, a dry run that only records what would be
// collected, and for every file placed in the bundle where it came from
// and how its command ended (for the summary's command notes and the
// bundle's manifest.json). The engine makes one for the run and the
// collector hands it to every action; without one the actions do exactly
// what the design says.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "actions/ActionLimits.h"

namespace velt {

class CollectPlan;

// Where one file of the bundle came from.
struct FileOrigin {
  bool isCommand = false;
  std::wstring source;  // the file copied, or the command line run
  int64_t elapsedMs = 0;
  // A command: it ended by itself with `exitStatus` (128 + N for signal N),
  // or the engine ended it at its time limit (`timedOut`), or neither (its
  // output reached its bound).
  bool ended = false;
  unsigned exitStatus = 0;
  bool timedOut = false;
  int64_t timeLimitSeconds = 0;
};

class CollectControls {
 public:
  // Files matched by a wildcard and last written before this time (seconds
  // since 1970-01-01 UTC) are left out; 0: no window.
  int64_t windowStart = 0;
  std::wstring windowText;  // the window's start as the summary shows it
  int64_t timeLimitSeconds = ActionLimits::kTimeoutSeconds;
  CollectPlan* plan = nullptr;  // borrowed; set: record, collect nothing

  // A file that several commands wrote into gets one origin: their
  // command lines one per line, their time added up, the first failure's
  // status and whether any was killed.
  void SetOrigin(const std::wstring& bundlePath, const FileOrigin& origin);
  // Null for a file no action placed (the report files).
  const FileOrigin* OriginOf(const std::wstring& bundlePath) const {
    auto found = m_origins.find(bundlePath);
    return found != m_origins.end() ? &found->second : nullptr;
  }
  void CountLeftOutByWindow(unsigned count) { m_leftOutByWindow += count; }
  unsigned leftOutByWindow() const { return m_leftOutByWindow; }
  // Commands that exited with a failure status or were killed at their
  // time limit.
  void CountFailedCommand() { ++m_failedCommands; }
  unsigned failedCommands() const { return m_failedCommands; }

 private:
  std::map<std::wstring, FileOrigin> m_origins;
  unsigned m_leftOutByWindow = 0;
  unsigned m_failedCommands = 0;
};

}  // namespace velt
