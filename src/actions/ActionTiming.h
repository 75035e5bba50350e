// The clock and the wait slice that external commands are watched with.
// The shipped values are a one-second slice and the system's wall clock;
// tests install their own so that the 1200-second time-out passes in
// moments.
#pragma once

#include <cstdint>
#include <functional>

namespace velt {

class ActionTiming {
 public:
  static constexpr unsigned kWaitSliceMs = 1000;
  static constexpr int64_t kTimeoutSeconds = 1200;

  // Wall-clock milliseconds from an arbitrary origin.
  static int64_t NowMs();
  // The length of one wait for a running command.
  static unsigned WaitSliceMs();

  // Replaces the clock and the slice; an empty clock restores the system's.
  static void Drive(std::function<int64_t()> clockMs, unsigned waitSliceMs);
  static void Restore();
};

}  // namespace velt
