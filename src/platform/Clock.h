// The wall clock that time-outs are measured with.
#pragma once

#include <cstdint>

namespace velt {
namespace platform {

// Milliseconds of elapsed real time from an arbitrary origin. Never goes
// back, and keeps counting while the process sleeps or waits.
int64_t WallClockMs();

}  // namespace platform
}  // namespace velt
