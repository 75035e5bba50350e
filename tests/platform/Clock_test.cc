#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

// The wall clock counts milliseconds of real time: over a sleep it moves at
// least the time slept and no more than the standard clock saw around it.
TEST(Clock, CountsMillisecondsOfRealTime) {
  using std::chrono::steady_clock;
  const auto outerStart = steady_clock::now();
  const int64_t start = velt::platform::WallClockMs();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const int64_t end = velt::platform::WallClockMs();
  const auto outer = std::chrono::duration_cast<std::chrono::milliseconds>(
                         steady_clock::now() - outerStart).count();
  // Each reading is truncated to a whole millisecond.
  EXPECT_GE(end - start, 49);
  EXPECT_LE(end - start, outer + 1);
}

}  // namespace
