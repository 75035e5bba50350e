// The numbers the stop signals of a console program are reported by
// (velt/platform/StopSignals.h) on every system: POSIX's, so that velt
// names them and exits 128 + the number alike everywhere. On Windows the
// console's control events are given the number of the signal of the same
// meaning.
#pragma once

namespace velt {
namespace platform {

constexpr int kHangUpSignal = 1;       // SIGHUP: the terminal or console was closed
constexpr int kInterruptSignal = 2;    // SIGINT: Ctrl+C
constexpr int kBrokenPipeSignal = 13;  // SIGPIPE: nobody reads the output any more
constexpr int kTerminateSignal = 15;   // SIGTERM: a request to end (Ctrl+Break, log-off, shut-down)

}  // namespace platform
}  // namespace velt
