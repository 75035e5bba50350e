#include "actions/ActionTiming.h"

#include <mutex>
#include <utility>

#include "platform/Clock.h"

namespace velt {
namespace {

struct Timing {
  std::mutex lock;
  std::function<int64_t()> clockMs;
  unsigned waitSliceMs = ActionTiming::kWaitSliceMs;
};

Timing& State() {
  static Timing* timing = new Timing();
  return *timing;
}

}  // namespace

int64_t ActionTiming::NowMs() {
  std::function<int64_t()> clock;
  {
    std::lock_guard<std::mutex> guard(State().lock);
    clock = State().clockMs;
  }
  return clock ? clock() : platform::WallClockMs();
}

unsigned ActionTiming::WaitSliceMs() {
  std::lock_guard<std::mutex> guard(State().lock);
  return State().waitSliceMs;
}

void ActionTiming::Drive(std::function<int64_t()> clockMs, unsigned waitSliceMs) {
  std::lock_guard<std::mutex> guard(State().lock);
  State().clockMs = std::move(clockMs);
  State().waitSliceMs = waitSliceMs;
}

void ActionTiming::Restore() { Drive(nullptr, kWaitSliceMs); }

}  // namespace velt
