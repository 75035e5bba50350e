// What bounds one external command: the clock its time-out is measured
// with, the wait slice, the time-out and how much of its output is kept.
// The shipped values are the system's wall clock, a one-second slice, 1200
// seconds and 256 MiB; tests install their own so that the time-out passes
// in moments and a runaway command is cut after a few bytes.
#pragma once

#include <cstdint>
#include <functional>

namespace velt {

class ActionLimits {
 public:
  static constexpr unsigned kWaitSliceMs = 1000;
  static constexpr int64_t kTimeoutSeconds = 1200;
  static constexpr uint64_t kMaxOutputBytes = uint64_t{256} << 20;

  // Wall-clock milliseconds from an arbitrary origin.
  static int64_t NowMs();
  // The length of one wait for a running command.
  static unsigned WaitSliceMs();
  // The most bytes of one captured command's output that are kept.
  static uint64_t MaxOutputBytes();

  // Replaces the clock and the slice; an empty clock restores the system's.
  static void Drive(std::function<int64_t()> clockMs, unsigned waitSliceMs);
  static void LimitOutput(uint64_t maxOutputBytes);
  // The shipped values again.
  static void Restore();
};

}  // namespace velt
