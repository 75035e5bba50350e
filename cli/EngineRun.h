// Running the engine the way a window front end does: the engine in window
// mode on a worker thread, posting progress and its result to a VeltWindow
// that this thread reads, and an "ExitVeltEvent" that a stop signal (or a
// closed output pipe) sets. The worker ends on its own when the engine has
// cleaned up; only then does the run return.
#pragma once

#include <string>

#include "ProgressDisplay.h"
#include "velt/engine/VeltClearPlan.h"
#include "velt/engine/VeltEngine.h"

namespace velt {
namespace cli {

// The engine's constructor arguments and extras, and the front end's
// options, for one run.
struct EngineRequest {
  std::wstring requestPath;
  std::wstring installFolder;
  std::wstring bundlePath;
  std::wstring password;  // wiped once the engine has its copy
  bool clearMode = false;
  bool includeSystemLogs = false;
  bool skipMSInfo32 = false;
  VeltCollectExtras extras;
  const VeltClearPlan* clearPlan = nullptr;  // a clear run carries out this plan
};

// Runs one engine over `request`, showing its progress on `display`. The
// engine is built, run and destroyed on the worker thread.
RunOutcome RunEngine(EngineRequest& request, ProgressDisplay& display);

// velt's exit status for a run: 128 + the signal that stopped it, else 1
// for a failure and 0 for success.
int ExitStatus(const RunOutcome& outcome);

}  // namespace cli
}  // namespace velt
