#include "platform/Clock.h"

#include <windows.h>

namespace velt {
namespace platform {

// The performance counter is monotonic and keeps counting while threads
// sleep or wait; its frequency is fixed at boot.
int64_t WallClockMs() {
  static const int64_t frequency = [] {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    return static_cast<int64_t>(value.QuadPart);
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const int64_t ticks = now.QuadPart;
  // Whole seconds and the rest apart, so that ticks * 1000 cannot overflow.
  return ticks / frequency * 1000 + ticks % frequency * 1000 / frequency;
}

}  // namespace platform
}  // namespace velt
